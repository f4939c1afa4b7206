#include "module/model/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace invoice {

namespace {

using Int128 = __int128;
using UInt128 = unsigned __int128;

constexpr int kMaxDigits = 38;
constexpr int kMaxScale = 38;
constexpr int kMaxExponent = 1000;

// 10^n for n in 0..38.
Int128 Pow10(int n) {
    Int128 result = 1;
    for (int i = 0; i < n; ++i) result *= 10;
    return result;
}

UInt128 AbsU(Int128 value) {
    return value < 0 ? UInt128(0) - static_cast<UInt128>(value) : static_cast<UInt128>(value);
}

bool FitsDigits(Int128 value) {
    return AbsU(value) < static_cast<UInt128>(Pow10(kMaxDigits));
}

// a * 10^n, false on overflow.
bool ShiftLeft(Int128 a, int n, Int128* out) {
    if (n > kMaxDigits) return a == 0 ? (*out = 0, true) : false;
    return !__builtin_mul_overflow(a, Pow10(n), out);
}

// num / den rounded half away from zero. REQUIRES: den != 0.
Int128 DivideHalfAway(Int128 num, Int128 den) {
    const bool negative = (num < 0) != (den < 0);
    const UInt128 n = AbsU(num);
    const UInt128 d = AbsU(den);
    UInt128 q = n / d;
    const UInt128 r = n % d;
    if (r >= d - r) ++q;
    const Int128 signed_q = static_cast<Int128>(q);
    return negative ? -signed_q : signed_q;
}

std::string DigitsOf(UInt128 value) {
    std::string text;
    do {
        text.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(text.begin(), text.end());
    return text;
}

// Reads an optional exponent ("e-05"); false when malformed or huge.
bool ParseExponent(std::string_view text, int* exponent) {
    if (text.empty()) return true;
    if (text[0] != 'e' && text[0] != 'E') return false;
    text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > kMaxExponent) return false;
    }
    *exponent = negative ? -value : value;
    return true;
}

}  // namespace

Decimal::Decimal(Int128 mantissa, int scale) {
    if (scale < 0) {
        if (!ShiftLeft(mantissa, -scale, &mantissa)) {
            *this = Invalid();
            return;
        }
        scale = 0;
    }
    while (scale > 0 && mantissa % 10 == 0) {
        mantissa /= 10;
        --scale;
    }
    if (scale > kMaxScale || !FitsDigits(mantissa)) {
        *this = Invalid();
        return;
    }
    mantissa_ = mantissa;
    scale_ = scale;
}

Decimal Decimal::Invalid() {
    Decimal d;
    d.valid_ = false;
    return d;
}

Decimal Decimal::FromInt(int64_t value) {
    return Decimal(Int128(value), 0);
}

bool Decimal::Parse(std::string_view text, Decimal* out) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::string digits;
    int fraction_digits = 0;
    bool seen_point = false;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !seen_point) {
            seen_point = true;
        } else if (c >= '0' && c <= '9') {
            digits.push_back(c);
            if (seen_point) ++fraction_digits;
        } else {
            break;
        }
    }
    int exponent = 0;
    if (digits.empty() || !ParseExponent(text.substr(i), &exponent)) return false;

    int scale = fraction_digits - exponent;
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        --scale;
    }
    const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    digits.erase(0, first);
    if (digits.size() > static_cast<size_t>(kMaxDigits)) return false;

    Int128 mantissa = 0;
    for (char c : digits) mantissa = mantissa * 10 + (c - '0');
    if (mantissa == 0) scale = 0;
    const Decimal result(negative ? -mantissa : mantissa, scale);
    if (!result.IsValid()) return false;
    *out = result;
    return true;
}

bool Decimal::FromDouble(double value, Decimal* out) {
    if (!std::isfinite(value)) return false;
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    if (ec != std::errc()) return false;
    return Parse(std::string_view(buffer, static_cast<size_t>(end - buffer)), out);
}

Decimal Decimal::OfDouble(double value) {
    Decimal result;
    return FromDouble(value, &result) ? result : Invalid();
}

Decimal Decimal::operator+(const Decimal& other) const {
    if (!valid_ || !other.valid_) return Invalid();
    const int scale = std::max(scale_, other.scale_);
    Int128 a = 0;
    Int128 b = 0;
    Int128 sum = 0;
    if (!ShiftLeft(mantissa_, scale - scale_, &a) ||
        !ShiftLeft(other.mantissa_, scale - other.scale_, &b) ||
        __builtin_add_overflow(a, b, &sum)) {
        return Invalid();
    }
    return Decimal(sum, scale);
}

Decimal Decimal::operator-() const {
    if (!valid_) return Invalid();
    return Decimal(-mantissa_, scale_);
}

Decimal Decimal::operator-(const Decimal& other) const {
    return *this + (-other);
}

Decimal Decimal::operator*(const Decimal& other) const {
    if (!valid_ || !other.valid_) return Invalid();
    Int128 product = 0;
    if (__builtin_mul_overflow(mantissa_, other.mantissa_, &product)) return Invalid();
    return Decimal(product, scale_ + other.scale_);
}

Decimal Decimal::DivideRounded(const Decimal& numerator, const Decimal& denominator, int decimals) {
    if (!numerator.valid_ || !denominator.valid_ || denominator.mantissa_ == 0 || decimals < 0 ||
        decimals > 18) {
        return Invalid();
    }
    // numerator / denominator * 10^decimals as a ratio of two integers.
    const int shift = denominator.scale_ - numerator.scale_ + decimals;
    Int128 num = numerator.mantissa_;
    Int128 den = denominator.mantissa_;
    if (shift >= 0 && !ShiftLeft(num, shift, &num)) return Invalid();
    if (shift < 0 && !ShiftLeft(den, -shift, &den)) return Invalid();
    return Decimal(DivideHalfAway(num, den), decimals);
}

Decimal Decimal::RoundToStep(const Decimal& step) const {
    if (!step.valid_ || step.mantissa_ <= 0) return Invalid();
    return DivideRounded(*this, step, 0) * step;
}

Decimal Decimal::Round(int decimals) const {
    if (!valid_ || decimals < 0 || decimals > kMaxScale) return Invalid();
    if (scale_ <= decimals) return *this;
    return Decimal(DivideHalfAway(mantissa_, Pow10(scale_ - decimals)), decimals);
}

Decimal Decimal::RoundToCents() const {
    return Round(2);
}

Decimal Decimal::RoundToFiveCents() const {
    return RoundToStep(Decimal(5, 2));
}

std::string Decimal::ToFixed(int decimals) const {
    if (!valid_) return "invalid";
    decimals = std::clamp(decimals, 0, kMaxScale);
    const Decimal rounded = Round(decimals);
    std::string digits = DigitsOf(AbsU(rounded.mantissa_));
    const size_t scale = static_cast<size_t>(rounded.scale_);
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    std::string text = rounded.mantissa_ < 0 ? "-" : "";
    text += digits.substr(0, digits.size() - scale);
    if (decimals > 0) {
        text += '.';
        text += digits.substr(digits.size() - scale);
        text.append(static_cast<size_t>(decimals) - scale, '0');
    }
    return text;
}

std::string Decimal::ToString() const {
    return ToFixed(scale_);
}

double Decimal::ToDouble() const {
    if (!valid_) return std::nan("");
    return std::strtod(ToString().c_str(), nullptr);
}

bool Decimal::operator==(const Decimal& other) const {
    if (!valid_ || !other.valid_) return valid_ == other.valid_;
    return mantissa_ == other.mantissa_ && scale_ == other.scale_;
}

bool Decimal::operator<(const Decimal& other) const {
    if (!valid_ || !other.valid_) return false;
    // Integer parts first; the fractions then fit the wider scale exactly.
    const Int128 int_a = mantissa_ / Pow10(scale_);
    const Int128 int_b = other.mantissa_ / Pow10(other.scale_);
    if (int_a != int_b) return int_a < int_b;
    const int scale = std::max(scale_, other.scale_);
    const Int128 frac_a = (mantissa_ % Pow10(scale_)) * Pow10(scale - scale_);
    const Int128 frac_b = (other.mantissa_ % Pow10(other.scale_)) * Pow10(scale - other.scale_);
    return frac_a < frac_b;
}

bool Decimal::operator<=(const Decimal& other) const {
    return valid_ && other.valid_ && !(other < *this);
}

}  // namespace invoice
