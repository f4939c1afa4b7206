#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "module/checks/check_result.h"

// Checks of free texts and of the enumerations that arrive as text. Texts are
// UTF-8; lengths are counted in characters (code points), as the invoice XML
// counts them, never in bytes.
//
// The identifier, date and payment checks live in check_identifiers.h,
// check_dates.h, check_payment.h and check_esr.h.

namespace checks {

// The number of code points of `text`: every byte that is not a UTF-8
// continuation byte (10xxxxxx) counts once. For valid UTF-8 this is the length
// in characters.
std::size_t Utf8Length(std::string_view text);

// Valid UTF-8: no stray continuation byte, no truncated or overlong sequence,
// no surrogate (U+D800-U+DFFF), nothing above U+10FFFF.
CheckResult CheckUtf8(std::string_view text);

// A text the invoice XML can carry: valid UTF-8 without control characters
// other than tab, line feed and carriage return.
CheckResult CheckXmlText(std::string_view text);

// `text` is not empty.
CheckResult CheckNonEmpty(std::string_view text);

// `text` has `minChars` to `maxChars` characters.
// REQUIRES: minChars <= maxChars.
CheckResult CheckLength(std::string_view text, std::size_t minChars, std::size_t maxChars);

// A text element of the invoice: CheckXmlText and CheckLength together. With
// minChars 1 this is the "stringType1_N" of the invoice schema.
CheckResult CheckText(std::string_view text, std::size_t minChars, std::size_t maxChars);

// An optional text element: empty (absent) or CheckText(text, 1, maxChars).
CheckResult CheckOptionalText(std::string_view text, std::size_t maxChars);

// `value` equals one of `allowed` exactly (case matters, as in the schema).
CheckResult CheckOneOf(std::string_view value, std::initializer_list<std::string_view> allowed);

// Canton of treatment as the schema spells it: the 26 Swiss cantons (AG ... ZH),
// LI, and the neighbour countries A, D, F, I.
CheckResult CheckCanton(std::string_view value);

// Country code of a postal address as the schema allows it: 1 to 3
// characters (the invoice samples carry "CH" as well as "NDF").
CheckResult CheckCountryCode(std::string_view value);

// An ISO 3166-1 alpha-2 country code in capitals ("CH", "LI", "DE", ...), as
// the QR-bill requires for its addresses.
CheckResult CheckIsoCountryCode(std::string_view value);

// Postal code: 1 to 9 characters. State code: empty or 1 to 9 characters.
CheckResult CheckZip(std::string_view value);
CheckResult CheckStateCode(std::string_view value);

// E-mail address: 1 to 70 characters, some text, "@", some text, on one line.
CheckResult CheckEmail(std::string_view value);

// URL of an address: 1 to 100 characters without blanks or control characters.
CheckResult CheckUrl(std::string_view value);

// Phone or fax number as printed: 1 to 25 characters.
CheckResult CheckPhone(std::string_view value);

// Mime type of an attached document: application/pdf, image/jpeg or image/png.
CheckResult CheckMimeType(std::string_view value);

// Tariff type of a service: three digits or capital letters ("001", "590").
CheckResult CheckTariffType(std::string_view value);

// A number within [min, max]; NaN and infinities fail. `what` names the
// number in the rule ("the VAT rate 101 is outside 0 to 100").
CheckResult CheckRange(double value, double min, double max, std::string_view what);

// A number above 0 (the schema's unit factors) and a number of at least 0
// (its external factors); NaN and infinities fail.
CheckResult CheckPositive(double value, std::string_view what);
CheckResult CheckNonNegative(double value, std::string_view what);

// Record id of a service: 1 to 999999999. Session number: 1 to 999999.
CheckResult CheckRecordId(long id);
CheckResult CheckSessionNumber(long session);

// VAT rate in percent: 0 to 100.
CheckResult CheckVatRate(double percent);

// Reminder level: 1, 2 or 3.
CheckResult CheckReminderLevel(long level);

}  // namespace checks
