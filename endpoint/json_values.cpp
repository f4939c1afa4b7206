#include "endpoint/json_values.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/ole_date.h"

namespace {

const web::json::value& Member(const web::json::value& args, const std::string& key) {
    if (!args.is_object() || !args.has_field(key)) {
        throw std::invalid_argument(ArgumentError(408, key));
    }
    return args.at(key);
}

// std::stol with a 32-bit long.
long TextToLong(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (end == begin) throw std::invalid_argument("invalid stol argument");
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        throw std::out_of_range("stol argument out of range");
    }
    return static_cast<long>(value);
}

double TextToDouble(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(begin, &end);
    if (end == begin) throw std::invalid_argument("invalid stod argument");
    if (errno == ERANGE) throw std::out_of_range("stod argument out of range");
    return value;
}

// A real truncated toward zero into 32 bits; values that do not fit (and NaN)
// give INT32_MIN, the "indefinite integer" of the processor's conversion.
long TruncateToLong(double value) {
    double truncated = std::trunc(value);
    if (!(truncated >= INT32_MIN && truncated <= INT32_MAX)) return INT32_MIN;
    return static_cast<long>(truncated);
}

// Valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsUtf8(const std::string& text) {
    static const unsigned long kMinimum[] = {0, 0x80, 0x800, 0x10000};
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80             ? 0
                    : (c & 0xE0) == 0xC0 ? 1
                    : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0 || i + extra >= text.size()) return false;
        unsigned long code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

// atol of at most `count` characters of `text` from `pos`.
long Field(const std::string& text, size_t pos, size_t count) {
    if (pos >= text.size()) return 0;
    return std::atol(text.substr(pos, count).c_str());
}

}  // namespace

std::string ArgumentError(int code, const std::string& detail) {
    return std::to_string(code) + "#" + detail;
}

BSTR JsonToBstr(const web::json::value& args, const std::string& key) {
    const web::json::value& value = Member(args, key);
    if (value.is_integer()) return std::to_string(value.as_number().to_int64());
    if (value.is_double()) return NumberText(value.as_double());
    if (value.is_boolean()) return value.as_bool() ? "1" : "0";
    if (value.is_string()) return value.as_string();
    return BSTR();
}

long JsonToLong(const web::json::value& args, const std::string& key) {
    const web::json::value& value = Member(args, key);
    if (value.is_integer()) return value.as_integer();
    if (value.is_double()) return TruncateToLong(value.as_double());
    if (value.is_boolean()) return value.as_bool() ? 1 : 0;
    if (value.is_string()) return TextToLong(value.as_string());
    return 0;
}

double JsonToDouble(const web::json::value& args, const std::string& key) {
    const web::json::value& value = Member(args, key);
    if (value.is_integer()) return static_cast<double>(value.as_number().to_int64());
    if (value.is_double()) return value.as_double();
    if (value.is_boolean()) return value.as_bool() ? 1.0 : 0.0;
    if (value.is_string()) return TextToDouble(value.as_string());
    return 0.0;
}

DATE JsonToDate(const web::json::value& args, const std::string& key) {
    const web::json::value& value = Member(args, key);
    if (value.is_integer()) return static_cast<DATE>(value.as_number().to_int64());
    if (value.is_double()) return value.as_double();
    if (value.is_boolean()) return value.as_bool() ? 1.0 : 0.0;
    if (value.is_string()) return TextToDate(value.as_string());
    return 0.0;
}

web::json::value BstrToJson(const BSTR& text) {
    return BstrTextToJson(text);
}

web::json::value BstrTextToJson(const std::string& text) {
    return web::json::value::string(IsUtf8(text) ? text : std::string());
}

web::json::value BoolToJson(VARIANT_BOOL value) {
    return web::json::value::boolean(value == VARIANT_TRUE);
}

std::string NumberText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0) return "0";
    // The fewest significant digits that read back as the same double.
    char scientific[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
        if (std::strtod(scientific, nullptr) == value) break;
    }
    // scientific: [-]d[.ddd]e(+|-)XX
    std::string text(scientific);
    size_t e = text.find('e');
    int exponent = std::atoi(text.c_str() + e + 1);
    std::string sign = text[0] == '-' ? "-" : "";
    std::string mantissa;
    for (size_t i = sign.size(); i < e; ++i) {
        if (text[i] != '.') mantissa += text[i];
    }
    if (exponent < -5 || exponent >= 15) {
        std::string out = sign + mantissa.substr(0, 1);
        if (mantissa.size() > 1) out += "." + mantissa.substr(1);
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + tail;
    }
    if (exponent < 0) return sign + "0." + std::string(-exponent - 1, '0') + mantissa;
    if (mantissa.size() <= static_cast<size_t>(exponent) + 1) {
        return sign + mantissa + std::string(exponent + 1 - mantissa.size(), '0');
    }
    return sign + mantissa.substr(0, exponent + 1) + "." + mantissa.substr(exponent + 1);
}

std::string DateToText(DATE date) {
    if (std::fabs(date) < 0.1) return std::string();
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st)) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00:00", st.wYear, st.wMonth, st.wDay);
    return text;
}

DATE TextToDate(const std::string& text) {
    const size_t n = text.size();
    long year = Field(text, 0, 4);
    if (n < 5 || text[4] != '-') return 0.0;
    long month = Field(text, 5, 2);
    if (n < 8 || text[7] != '-') return 0.0;
    long day = Field(text, 8, 2);
    long hour = 0, minute = 0, second = 0;
    size_t p = 10;
    if (n > 10 && text[10] == 'T') {
        hour = Field(text, 11, 2);
        if (n <= 13 || text[13] != ':') return 0.0;
        minute = Field(text, 14, 2);
        if (n <= 16 || text[16] != ':') return 0.0;
        second = Field(text, 17, 2);
        p = 19;
        if (n > 19 && text[19] == '.') {
            p = 20;
            while (p < n && text[p] >= '0' && text[p] <= '9') ++p;
        }
    }
    if (p < n && text[p] == 'Z') ++p;
    long offsetHours = 0, offsetMinutes = 0;
    if (p < n && (text[p] == '+' || text[p] == '-')) {
        long sign = text[p] == '-' ? -1 : 1;
        offsetHours = sign * Field(text, p + 1, 2);
        if (p + 3 >= n || text[p + 3] != ':') return 0.0;
        offsetMinutes = sign * Field(text, p + 4, 2);
    }
    SYSTEMTIME st = {};
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    DATE result = 0.0;
    if (!SystemTimeToVariantTime(&st, &result)) return 0.0;
    if (offsetHours != 0 || offsetMinutes != 0) {
        result += offsetMinutes / 1440.0 + offsetHours / 24.0;
    }
    return result;
}
