#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "module/model/decimal.h"
#include "module/model/model_basics.h"

// Shared pieces of the 4.50 request XML: the namespace, and the text forms of
// the format's plain values as the writer produces them and the loader reads
// them. All functions are pure and thread-safe.
//
// Value forms written:
//   xs:dateTime   "2020-06-03T14:30:00" (no fraction, no offset), or for a
//                 value read from a file its text as written
//   xs:duration   "P30D" (whole days), or a file's text as written
//   money         at least two decimals: "12.30", "-0.05", "1.125"
//   other numbers shortest exact decimal: "1", "0.5", "2.125"
//   xs:boolean    "true" / "false"
namespace invoice_xml {

// The request namespace, the prefix the writer uses for it, and the value of
// xsi:schemaLocation the writer puts on the root.
extern const char kInvoiceNamespace[];  // "http://www.forum-datenaustausch.ch/invoice"
extern const char kInvoicePrefix[];     // "invoice"
extern const char kXsiNamespace[];      // "http://www.w3.org/2001/XMLSchema-instance"
extern const char kSchemaLocation[];    // namespace + " generalInvoiceRequest_450.xsd"

// Initialises libxml2 once per process; call it before any other libxml2
// function. Its global state is not safe to set up from several threads.
void InitXmlLibrary();

// The range of request_timestamp in the format (Unix seconds).
constexpr int64_t kMinRequestTimestamp = 1420066800;
constexpr int64_t kMaxRequestTimestamp = 1924902000;

// "YYYY-MM-DDThh:mm:ss" of an OLE date, rounded to the second. Empty for a
// serial outside the OLE date range.
std::string FormatDateTime(invoice::OleDate serial);

// Reads an xs:dateTime: "YYYY-MM-DDThh:mm:ss" with an optional fraction of a
// second and an optional offset ("Z", "+02:00", "-05:30"). The calendar day
// and the time are kept as written: the offset is read and ignored, and the
// fraction is cut off (never rounded into the next second). Leading and
// trailing white space is allowed. "24:00:00" is midnight of the next day.
// False (and *out untouched) for any other text or a year outside 100..9999.
bool ParseDateTime(std::string_view text, invoice::OleDate* out);

// A date of the model: FormatDateTime of its serial followed by its suffix
// (the fraction and offset of a loaded value).
std::string FormatDateTime(const invoice::DateTime& value);

// ParseDateTime that also keeps what follows the seconds (fraction and
// offset, as written) in out->suffix.
bool ParseDateTime(std::string_view text, invoice::DateTime* out);

// "P30D".
std::string FormatDays(int32_t days);

// Any xs:duration ("P30D", "P1M", "-P1Y2M", "PT36H", "P1DT0.5S") and its
// length in whole days, counting a year as 365 and a month as 30 days and
// cutting off what is left of a day; negative for a negative duration,
// clamped to the range of int32_t. False (and *days untouched) for a text
// that is no duration.
bool ParseDuration(std::string_view text, int32_t* days);

// Reads an xs:duration that is a whole number of days: "P30D", "P4DT0H",
// "PT48H", "P1DT24H0M0S"; years and months are refused (their length in days
// is not fixed), as are negative durations and hours, minutes or seconds that
// do not add up to whole days. False (and *out untouched) otherwise.
bool ParseDays(std::string_view text, int32_t* out);

// Money: the value with at least two decimals (more when it has more).
std::string FormatAmount(const invoice::Decimal& value);

// Any other number: the shortest exact text.
std::string FormatNumber(const invoice::Decimal& value);

const char* FormatBool(bool value);

// xs:boolean: "true", "false", "1", "0", white space around allowed.
bool ParseBool(std::string_view text, bool* out);

// An xs:double or xs:decimal value as an exact Decimal: white space around
// allowed, exponents allowed. False for INF, NaN and values a Decimal cannot
// hold exactly.
bool ParseNumber(std::string_view text, invoice::Decimal* out);

// An integer in [min, max]: optional sign, digits, white space around allowed.
bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t* out);

// `text` without leading and trailing XML white space (space, tab, CR, LF).
std::string_view Trim(std::string_view text);

// Standard Base64 (RFC 4648, with padding), no line breaks.
std::string EncodeBase64(std::string_view bytes);

// The bytes of Base64 text; white space is skipped. False for any other
// character or a length that does not fit.
bool DecodeBase64(std::string_view text, std::string* bytes);

}  // namespace invoice_xml
