// libFuzzer target of the value layer's conversions (endpoint/json_values.h):
// the input is read as a date text, a number text and (its first 8 bytes) a
// double and an integer, and every reader and writer is checked against an
// oracle of its own here:
//  - TextToDate of a well-formed date equals the serial computed from the
//    civil calendar; DateToText of any double equals the day computed the
//    same way (empty outside the range); a date text written reads back.
//  - NumberText of any double reads back as the same double; JsonToBstr of a
//    number read by JsonToDouble / JsonToLong gives the number again.
//  - JsonToLong / JsonToDouble of a string answer the value or exactly the
//    standard conversions' exceptions; JsonToLong agrees with a digit-by-digit
//    reading; JsonToBstr of a string is the string; BstrTextToJson keeps
//    valid UTF-8 and answers "" for anything else.

#include <cctype>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "endpoint/json_values.h"
#include "fuzz/fuzz_check.h"

namespace {

using web::json::value;

value Args(const value& member) {
    value args = value::object();
    args["k"] = member;
    return args;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = yoe + era * 400 + (*m <= 2);
}

const int64_t kEpoch = DaysFromCivil(1899, 12, 30);
constexpr int64_t kFirstDay = -657434;  // 100-01-01
constexpr int64_t kLastDay = 2958465;   // 9999-12-31

// The serial of a day and a time of day: the integer part counts days from
// 1899-12-30, the fraction always forward from midnight.
double Serial(int64_t day, double fraction) {
    return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

// Digits of `text` at [pos, pos + count) as a number; -1 unless all digits.
int64_t Digits(const std::string& text, size_t pos, size_t count) {
    if (pos + count > text.size()) return -1;
    int64_t n = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

// The serial of "YYYY-MM-DD[Thh:mm:ss][Z][(+|-)hh:mm]" with every field in
// its calendar range and nothing else in the text; false for other texts.
bool WellFormedDate(const std::string& text, double* serial) {
    int64_t y = Digits(text, 0, 4), m = Digits(text, 5, 2), d = Digits(text, 8, 2);
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || y < 100 || m < 1 || m > 12 ||
        d < 1) {
        return false;
    }
    if (d > DaysFromCivil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - DaysFromCivil(y, m, 1)) {
        return false;
    }
    size_t p = 10;
    int64_t seconds = 0;
    if (text.size() > p && text[p] == 'T') {
        int64_t h = Digits(text, 11, 2), mi = Digits(text, 14, 2), s = Digits(text, 17, 2);
        if (text.size() < 19 || text[13] != ':' || text[16] != ':' || h < 0 || h > 23 || mi < 0 ||
            mi > 59 || s < 0 || s > 59) {
            return false;
        }
        seconds = h * 3600 + mi * 60 + s;
        p = 19;
    }
    if (text.size() > p && text[p] == 'Z') ++p;
    double offset = 0;
    if (text.size() > p && (text[p] == '+' || text[p] == '-')) {
        int64_t h = Digits(text, p + 1, 2), mi = Digits(text, p + 4, 2);
        if (text.size() != p + 6 || text[p + 3] != ':' || h < 0 || mi < 0) return false;
        offset = (text[p] == '-' ? -1 : 1) * (mi / 1440.0 + h / 24.0);
        p += 6;
    }
    if (p != text.size()) return false;
    *serial = Serial(DaysFromCivil(y, m, d) - kEpoch, seconds / 86400.0) + offset;
    return true;
}

// DateToText as the calendar says it: the day of `date` after rounding to
// the nearest second, "" when |date| < 0.1 or the day is out of range.
// False when the time lies too close to a half second to tell.
bool ExpectedDateText(double date, std::string* text) {
    text->clear();
    if (std::isnan(date) || std::fabs(date) < 0.1) return true;
    // The range is judged on the day before rounding: the last second of
    // the day before the first does not round into the calendar.
    if (date <= kFirstDay - 1.0 || date >= kLastDay + 1.0) return true;
    double whole = std::trunc(date);
    double seconds = std::fabs(date - whole) * 86400.0;
    double nearest = std::floor(seconds + 0.5);
    if (std::fabs(seconds - std::floor(seconds) - 0.5) < 1e-5) return false;
    int64_t day = static_cast<int64_t>(whole) + (nearest >= 86400.0 ? 1 : 0);
    if (day < kFirstDay || day > kLastDay) return true;
    int64_t y, m, d;
    CivilFromDays(day + kEpoch, &y, &m, &d);
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT00:00:00", static_cast<int>(y),
                  static_cast<int>(m), static_cast<int>(d));
    *text = out;
    return true;
}

void CheckDates(const std::string& text, double number) {
    DATE date = TextToDate(text);
    FUZZ_CHECK(JsonToDate(Args(value::string(text)), "k") == date, fuzz::Printable(text));
    double expected = 0;
    if (WellFormedDate(text, &expected)) {
        FUZZ_CHECK(std::fabs(date - expected) < 1e-6, fuzz::Printable(text) + " gives " +
                                                          std::to_string(date) + ", expected " +
                                                          std::to_string(expected));
    }
    for (double serial : {date, number}) {
        std::string written = DateToText(serial);
        std::string calendar;
        if (ExpectedDateText(serial, &calendar)) {
            FUZZ_CHECK(written == calendar, std::to_string(serial) + " written as " + written +
                                                ", the calendar says " + calendar);
        }
        // Day 0 reads back as the serial 0.0, which is written as "".
        if (!written.empty() && written != "1899-12-30T00:00:00") {
            FUZZ_CHECK(DateToText(TextToDate(written)) == written, written);
        }
    }
}

template <typename Reader>
std::string Answer(Reader read, const std::string& text);

// The shortest text of `number` reads back as the same double, and so does
// the same number sent as a JSON number and read as text and back.
void CheckNumberText(double number) {
    std::string text = NumberText(number);
    if (std::isfinite(number)) {
        FUZZ_CHECK(std::strtod(text.c_str(), nullptr) == number, text);
        FUZZ_CHECK(text.find_first_not_of("-0123456789.E+") == std::string::npos, text);
    }
    BSTR sent = JsonToBstr(Args(value::number(number)), "k");
    FUZZ_CHECK(sent == text, sent + " vs " + text);
    // The standard conversion reports subnormal results as out of range.
    if (std::fpclassify(number) == FP_SUBNORMAL) {
        FUZZ_CHECK(Answer(JsonToDouble, sent) == "out_of_range:stod argument out of range", sent);
    } else {
        double back = JsonToDouble(Args(value::string(sent)), "k");
        FUZZ_CHECK(back == number || (std::isnan(back) && std::isnan(number)), sent);
    }
    double truncated = std::trunc(number);
    long expectedLong = truncated >= INT32_MIN && truncated <= INT32_MAX
                            ? static_cast<long>(truncated)
                            : static_cast<long>(INT32_MIN);
    FUZZ_CHECK(JsonToLong(Args(value::number(number)), "k") == expectedLong, text);
}

void CheckInteger(int64_t number) {
    BSTR sent = JsonToBstr(Args(value::number(number)), "k");
    FUZZ_CHECK(sent == std::to_string(number), sent);
    if (number >= INT32_MIN && number <= INT32_MAX) {
        FUZZ_CHECK(JsonToLong(Args(value::string(sent)), "k") == number, sent);
    }
}

// std::stol of a 32-bit long, digit by digit: 1 value, 0 nothing read,
// -1 out of range.
int ReadLong(const std::string& text, long* out) {
    const char* p = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
    int64_t n = 0;
    bool big = false;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        n = n * 10 + (*p - '0');
        if (n > 1LL << 40) big = true, n = 1LL << 40;
    }
    if (negative) n = -n;
    if (big || n < INT32_MIN || n > INT32_MAX) return -1;
    *out = static_cast<long>(n);
    return 1;
}

// The reader's answer for a string: its value, or the exception's message.
template <typename Reader>
std::string Answer(Reader read, const std::string& text) {
    try {
        return "=" + std::to_string(read(Args(value::string(text)), "k"));
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument:") + e.what();
    } catch (const std::out_of_range& e) {
        return std::string("out_of_range:") + e.what();
    }
}

bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80                 ? 1
                   : c >= 0xC2 && c <= 0xDF ? 2
                   : c >= 0xE0 && c <= 0xEF ? 3
                   : c >= 0xF0 && c <= 0xF4 ? 4
                                            : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        unsigned char c1 = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
            (c == 0xF4 && c1 > 0x8F)) {
            return false;
        }
        i += n;
    }
    return true;
}

void CheckStrings(const std::string& text) {
    long expected = 0;
    int read = ReadLong(text, &expected);
    std::string answer = Answer(JsonToLong, text);
    std::string wanted = read == 1   ? "=" + std::to_string(expected)
                         : read == 0 ? "invalid_argument:invalid stol argument"
                                     : "out_of_range:stol argument out of range";
    FUZZ_CHECK(answer == wanted, fuzz::Printable(text) + ": " + answer + " vs " + wanted);

    answer = Answer(JsonToDouble, text);
    FUZZ_CHECK(answer[0] == '=' || answer == "invalid_argument:invalid stod argument" ||
                   answer == "out_of_range:stod argument out of range",
               answer);
    // Text that starts like an integer is a real as well ("1e999" too big).
    if (read != 0) FUZZ_CHECK(answer.compare(0, 8, "invalid_") != 0, fuzz::Printable(text));

    FUZZ_CHECK(JsonToBstr(Args(value::string(text)), "k") == text, fuzz::Printable(text));
    value json = BstrTextToJson(text);
    std::string kept = json.as_string();
    FUZZ_CHECK(kept == (IsUtf8(text) ? text : std::string()), fuzz::Printable(text));
    FUZZ_CHECK(value::parse(json.serialize()).as_string() == kept, fuzz::Printable(text));

    try {
        JsonToLong(Args(value::string(text)), "other");
        FUZZ_CHECK(false, "a missing member was read");
    } catch (const std::invalid_argument& e) {
        FUZZ_CHECK(std::string(e.what()) == "408#other", e.what());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    double number = 0;
    int64_t integer = 0;
    std::memcpy(&number, data, std::min(size, sizeof number));
    std::memcpy(&integer, data, std::min(size, sizeof integer));
    CheckDates(text, number);
    CheckNumberText(number);
    CheckInteger(integer);
    CheckStrings(text);
    return 0;
}
