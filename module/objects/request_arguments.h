#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/iaddress.h"
#include "module/checks/check_result.h"
#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"
#include "module/model/model_address.h"

// Argument checks of one call into the invoice request. The setters of
// CGeneralInvoiceRequest check every argument first and change the request
// only when all of them passed; ArgumentCheck collects the outcome so that a
// setter reads as a list of checks followed by one assignment block:
//
//   ArgumentCheck check("SetBiller");
//   check.Field("bstrEAN", checks::CheckGln(bstrEAN));
//   check.Field("bstrZSR", OptionalZsr(bstrZSR));
//   if (!check.ok()) return Abort(E_INVALIDARG, check.text());
//
// Only the first failure is kept; its text names the method, the parameter
// and the rule: "SetBiller: bstrEAN the check digit of GLN ... is wrong".
// Not thread-safe; one ArgumentCheck lives inside one call.
class ArgumentCheck {
  public:
    // `method` must outlive the object (a string literal).
    explicit ArgumentCheck(const char* method) : method_(method) {}

    bool ok() const { return text_.empty(); }
    // "<method>: <field> <rule>" of the first failure; empty while ok().
    const std::string& text() const { return text_; }

    // Records `result` for the parameter `field`.
    void Field(std::string_view field, const checks::CheckResult& result);

    // Records a failure of `field` with the given rule.
    void Fail(std::string_view field, const std::string& rule);

    // Converts the enumeration value of `field`; a value the enumeration
    // does not have is a failure and leaves *out alone.
    template <typename E>
    void Enum(std::string_view field, long value, E* out) {
        if (!invoice::EnumFromLong<E>(value, out)) {
            Fail(field, EnumRule(invoice::TableOf<E>(), value));
        }
    }

    // A yes/no parameter: 0 or 1.
    void YesNo(std::string_view field, long value, bool* out);

    // A number taken exactly (Decimal::FromDouble) within [min, max]; NaN,
    // infinities and numbers that cannot be held exactly fail.
    void Number(std::string_view field, double value, double min, double max,
                invoice::Decimal* out);

    // A whole number within [min, max].
    void Whole(std::string_view field, long value, long min, long max);

    // The content of the address object `address` (a copy taken under its
    // lock); nullopt for a null address. An object that is not one of this
    // module's addresses is a failure.
    std::optional<invoice::Address> Address(std::string_view field, IAddress* address);

    // As Address, and the address must be a person's (or empty) when given.
    std::optional<invoice::Address> PersonAddress(std::string_view field, IAddress* address);

    // A request timestamp: 0 gives the current time, other values must lie
    // in the format's range.
    int64_t Timestamp(std::string_view field, long value);

  private:
    static std::string EnumRule(const invoice::EnumTable& table, long value);

    const char* method_;
    std::string text_;
};

// Texts that the checks of module/checks/value_checks.h and friends do not cover on
// their own.
namespace request_rules {

// Empty, or a text that passes `check`.
checks::CheckResult Optional(std::string_view value,
                             checks::CheckResult (*check)(std::string_view));

// An optional GLN (empty, or 13 digits with the right check digit).
checks::CheckResult OptionalGln(std::string_view value);

// A social security number: the schema's patterns, and for a 13-digit
// Swiss number (756...) also its check digit. Empty passes.
checks::CheckResult OptionalSsn(std::string_view value);

// Payment reasons of a slip: up to four lines (separated by '\n') of 1 to
// 35 characters each. Empty passes.
checks::CheckResult PaymentReasons(std::string_view value);

// A file that exists and can be read (a path of this machine).
checks::CheckResult ReadableFile(std::string_view path);

// An optional readable file.
checks::CheckResult OptionalReadableFile(std::string_view path);

}  // namespace request_rules
