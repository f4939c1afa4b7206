#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace invoice {

// An exact decimal number for money, quantities, factors and rates.
//
// The value is mantissa x 10^-scale with a signed 128-bit mantissa of at most
// 38 digits and a scale of 0 to 38. Values are kept normalised (no trailing
// zero digits in the mantissa below the decimal point), so two equal values
// have equal members and 0.1 + 0.2 is exactly 0.3.
//
// A result that cannot be held exactly (mantissa or scale out of range,
// division by zero, NaN or infinity given) is the invalid value. Invalid
// values propagate through arithmetic like NaN does; check IsValid() once
// after a chain of operations. An invalid value never compares equal to a
// valid one and formats as "invalid".
//
// Rounding is commercial everywhere: half away from zero.
//
// Decimal is a small value type; copying is cheap. Thread-compatible.
class Decimal {
  public:
    // Zero.
    Decimal() = default;

    static Decimal FromInt(int64_t value);

    // Parses decimal text: optional sign, digits with an optional '.', and an
    // optional exponent ("1.25", "-0.5", ".5", "3.", "1e-05", "2.5E+3").
    // No white space is accepted. Returns false (and leaves *out alone) when
    // the text is not a number or the value cannot be held exactly.
    static bool Parse(std::string_view text, Decimal* out);

    // Converts a double through its shortest round-trip text, so 0.1 gives
    // exactly 0.1 and 10.15 exactly 10.15. Returns false for NaN, infinity and
    // values that need more than 38 digits (e.g. 1e300).
    static bool FromDouble(double value, Decimal* out);

    // As FromDouble, but answers the invalid value on failure.
    static Decimal OfDouble(double value);

    static Decimal Invalid();

    bool IsValid() const { return valid_; }
    bool IsZero() const { return valid_ && mantissa_ == 0; }
    bool IsNegative() const { return valid_ && mantissa_ < 0; }
    int Scale() const { return scale_; }

    // Exact sum, difference, product and negation; invalid on overflow.
    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator*(const Decimal& other) const;
    Decimal operator-() const;
    Decimal& operator+=(const Decimal& other) { return *this = *this + other; }
    Decimal& operator-=(const Decimal& other) { return *this = *this - other; }
    Decimal& operator*=(const Decimal& other) { return *this = *this * other; }

    Decimal Abs() const { return IsNegative() ? -*this : *this; }

    // numerator / denominator rounded half away from zero to `decimals`
    // digits (0..18). Invalid when the denominator is zero or on overflow.
    static Decimal DivideRounded(const Decimal& numerator, const Decimal& denominator,
                                 int decimals);

    // Rounds half away from zero to a multiple of `step` (e.g. 0.01, 0.05).
    // REQUIRES: step is positive (invalid result otherwise).
    Decimal RoundToStep(const Decimal& step) const;

    // Rounds half away from zero to `decimals` digits (0..38).
    Decimal Round(int decimals) const;

    // Shorthands for money: to 0.01 and to 0.05.
    Decimal RoundToCents() const;
    Decimal RoundToFiveCents() const;

    // Text with exactly `decimals` digits after the point, rounded half away
    // from zero: ToFixed(2) of 12.3 is "12.30", of -0.004 is "0.00".
    std::string ToFixed(int decimals) const;

    // Shortest exact text: "1.25", "3", "-0.5". No exponent is ever written.
    std::string ToString() const;

    // Nearest double (correctly rounded); NaN for the invalid value.
    double ToDouble() const;

    // Comparisons by value. Two invalid values are equal to each other; an
    // invalid value is unordered (all of <, <=, >, >= are false).
    bool operator==(const Decimal& other) const;
    bool operator!=(const Decimal& other) const { return !(*this == other); }
    bool operator<(const Decimal& other) const;
    bool operator>(const Decimal& other) const { return other < *this; }
    bool operator<=(const Decimal& other) const;
    bool operator>=(const Decimal& other) const { return other <= *this; }

  private:
    Decimal(__int128 mantissa, int scale);  // normalises; invalid when out of range

    __int128 mantissa_ = 0;
    int scale_ = 0;
    bool valid_ = true;
};

}  // namespace invoice
