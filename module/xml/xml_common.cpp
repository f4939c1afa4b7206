#include "module/xml/xml_common.h"

#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/ole_date.h"

namespace invoice_xml {

void InitXmlLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

const char kInvoiceNamespace[] = "http://www.forum-datenaustausch.ch/invoice";
const char kInvoicePrefix[] = "invoice";
const char kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
const char kSchemaLocation[] =
    "http://www.forum-datenaustausch.ch/invoice generalInvoiceRequest_450.xsd";

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads exactly `count` digits at text[*pos] into *value.
bool ReadDigits(std::string_view text, size_t* pos, size_t count, int* value) {
    if (text.size() < *pos + count) return false;
    int result = 0;
    for (size_t i = 0; i < count; ++i) {
        char c = text[*pos + i];
        if (!IsDigit(c)) return false;
        result = result * 10 + (c - '0');
    }
    *pos += count;
    *value = result;
    return true;
}

bool Expect(std::string_view text, size_t* pos, char c) {
    if (*pos >= text.size() || text[*pos] != c) return false;
    ++*pos;
    return true;
}

// Skips an optional fraction ".ddd" and an optional offset "Z" / "+hh:mm".
// True when nothing else follows.
bool SkipFractionAndOffset(std::string_view text, size_t pos) {
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        size_t first = pos;
        while (pos < text.size() && IsDigit(text[pos])) ++pos;
        if (pos == first) return false;
    }
    if (pos == text.size()) return true;
    if (text[pos] == 'Z') return pos + 1 == text.size();
    if (text[pos] != '+' && text[pos] != '-') return false;
    ++pos;
    int hours = 0;
    int minutes = 0;
    if (!ReadDigits(text, &pos, 2, &hours) || !Expect(text, &pos, ':') ||
        !ReadDigits(text, &pos, 2, &minutes)) {
        return false;
    }
    if (hours > 14 || minutes > 59 || (hours == 14 && minutes != 0)) return false;
    return pos == text.size();
}

// Reads an unsigned decimal number of at most nine digits at text[*pos].
bool ReadCount(std::string_view text, size_t* pos, int64_t* value) {
    size_t first = *pos;
    int64_t result = 0;
    while (*pos < text.size() && IsDigit(text[*pos])) {
        if (*pos - first >= 9) return false;
        result = result * 10 + (text[*pos] - '0');
        ++*pos;
    }
    if (*pos == first) return false;
    *value = result;
    return true;
}

}  // namespace

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::string_view();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string FormatDateTime(invoice::OleDate serial) {
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(serial, &st)) return std::string();
    char text[48];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
    return text;
}

bool ParseDateTime(std::string_view text, invoice::DateTime* out) {
    text = Trim(text);
    invoice::OleDate serial = 0;
    if (!ParseDateTime(text, &serial)) return false;
    out->serial = serial;
    out->suffix = std::string(text.substr(std::min<size_t>(text.size(), 19)));
    return true;
}

std::string FormatDateTime(const invoice::DateTime& value) {
    std::string text = FormatDateTime(value.serial);
    return text.empty() ? text : text + value.suffix;
}

bool ParseDateTime(std::string_view text, invoice::OleDate* out) {
    text = Trim(text);
    size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, &pos, 4, &year) || !Expect(text, &pos, '-') ||
        !ReadDigits(text, &pos, 2, &month) || !Expect(text, &pos, '-') ||
        !ReadDigits(text, &pos, 2, &day) || !Expect(text, &pos, 'T') ||
        !ReadDigits(text, &pos, 2, &hour) || !Expect(text, &pos, ':') ||
        !ReadDigits(text, &pos, 2, &minute) || !Expect(text, &pos, ':') ||
        !ReadDigits(text, &pos, 2, &second) || !SkipFractionAndOffset(text, pos)) {
        return false;
    }
    if (year < 100 || month < 1 || month > 12 || day < 1 ||
        day > platform::DaysInMonth(year, month) || minute > 59 || second > 59) {
        return false;
    }
    if (hour > 24 || (hour == 24 && (minute != 0 || second != 0))) return false;
    SYSTEMTIME st = {};
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    return SystemTimeToVariantTime(&st, out);
}

std::string FormatDays(int32_t days) {
    return "P" + std::to_string(days) + "D";
}

bool ParseDays(std::string_view text, int32_t* out) {
    text = Trim(text);
    size_t pos = 0;
    if (!Expect(text, &pos, 'P') || pos == text.size()) return false;
    int64_t days = 0;
    int64_t seconds = 0;
    bool in_time = false;
    bool any = false;
    while (pos < text.size()) {
        if (!in_time && text[pos] == 'T') {
            in_time = true;
            ++pos;
            if (pos == text.size()) return false;
            continue;
        }
        int64_t value = 0;
        if (!ReadCount(text, &pos, &value) || pos == text.size()) return false;
        char unit = text[pos++];
        any = true;
        if (!in_time && unit == 'D') {
            days += value;
        } else if (in_time && unit == 'H') {
            seconds += value * 3600;
        } else if (in_time && unit == 'M') {
            seconds += value * 60;
        } else if (in_time && unit == 'S') {
            seconds += value;
        } else {
            return false;  // years, months, fractions of seconds, misplaced units
        }
    }
    if (!any || seconds % 86400 != 0) return false;
    days += seconds / 86400;
    if (days > std::numeric_limits<int32_t>::max()) return false;
    *out = static_cast<int32_t>(days);
    return true;
}

bool ParseDuration(std::string_view text, int32_t* days) {
    text = Trim(text);
    size_t pos = 0;
    bool negative = Expect(text, &pos, '-');
    if (!Expect(text, &pos, 'P') || pos == text.size()) return false;
    // Designators in their order; the time part follows a 'T'.
    static const char kDateUnits[] = "YMD";
    static const char kTimeUnits[] = "HMS";
    static const int64_t kDateDays[] = {365, 30, 1};
    static const int64_t kTimeSeconds[] = {3600, 60, 1};
    int64_t total_days = 0;
    int64_t seconds = 0;
    bool in_time = false;
    size_t next_unit = 0;  // index of the next allowed designator
    bool any = false;
    while (pos < text.size()) {
        if (!in_time && text[pos] == 'T') {
            in_time = true;
            next_unit = 0;
            if (++pos == text.size()) return false;
            continue;
        }
        int64_t value = 0;
        if (!ReadCount(text, &pos, &value) || pos == text.size()) return false;
        bool fraction = text[pos] == '.';
        if (fraction) {  // only seconds may have one
            size_t first = ++pos;
            while (pos < text.size() && IsDigit(text[pos])) ++pos;
            if (pos == first || pos == text.size() || text[pos] != 'S' || !in_time) return false;
        }
        const char* units = in_time ? kTimeUnits : kDateUnits;
        const char* unit = std::strchr(units + next_unit, text[pos]);
        if (text[pos] == '\0' || unit == nullptr) return false;
        size_t index = static_cast<size_t>(unit - units);
        next_unit = index + 1;
        ++pos;
        any = true;
        if (in_time) {
            seconds += value * kTimeSeconds[index];
        } else {
            total_days += value * kDateDays[index];
        }
    }
    if (!any) return false;
    total_days += seconds / 86400;
    if (negative) total_days = -total_days;
    const int64_t limit = std::numeric_limits<int32_t>::max();
    *days = static_cast<int32_t>(std::max(-limit, std::min(limit, total_days)));
    return true;
}

std::string FormatAmount(const invoice::Decimal& value) {
    return value.ToFixed(value.Scale() > 2 ? value.Scale() : 2);
}

std::string FormatNumber(const invoice::Decimal& value) {
    return value.ToString();
}

const char* FormatBool(bool value) {
    return value ? "true" : "false";
}

bool ParseBool(std::string_view text, bool* out) {
    text = Trim(text);
    if (text == "true" || text == "1") {
        *out = true;
    } else if (text == "false" || text == "0") {
        *out = false;
    } else {
        return false;
    }
    return true;
}

bool ParseNumber(std::string_view text, invoice::Decimal* out) {
    return invoice::Decimal::Parse(Trim(text), out);
}

bool ParseInteger(std::string_view text, int64_t min, int64_t max, int64_t* out) {
    text = Trim(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) return false;
    // Magnitudes are collected as negative numbers so that INT64_MIN fits.
    int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) return false;
        int digit = text[pos] - '0';
        if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) return false;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<int64_t>::min()) return false;
        value = -value;
    }
    if (value < min || value > max) return false;
    *out = value;
    return true;
}

std::string EncodeBase64(std::string_view bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t group =
            (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += kAlphabet[(group >> 6) & 63];
        text += kAlphabet[group & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t group = uint8_t(bytes[i]) << 16;
        if (rest == 2) group |= uint8_t(bytes[i + 1]) << 8;
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

bool DecodeBase64(std::string_view text, std::string* bytes) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    uint32_t group = 0;
    int bits = 0;
    size_t padding = 0;
    for (char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            value = c - '0' + 52;
        } else if (c == '+') {
            value = 62;
        } else if (c == '/') {
            value = 63;
        } else if (c == '=') {
            ++padding;
            continue;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        } else {
            return false;
        }
        if (padding > 0) return false;  // data after padding
        group = (group << 6) | static_cast<uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    if (padding > 2 || bits >= 6) return false;
    *bytes = std::move(out);
    return true;
}

}  // namespace invoice_xml
