#include "module/checks/value_checks.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace checks {

namespace {

// Code point length of a UTF-8 sequence from its lead byte; 0 for a byte that
// cannot start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// True when the `length` bytes at `text[at]` form a valid sequence.
bool ValidSequence(std::string_view text, std::size_t at, int length) {
    if (at + length > text.size()) return false;
    auto byte = [&](int k) { return static_cast<unsigned char>(text[at + k]); };
    for (int k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return false;
    }
    // Overlong forms, surrogates and values above U+10FFFF show in the
    // second byte.
    if (byte(0) == 0xE0 && byte(1) < 0xA0) return false;
    if (byte(0) == 0xED && byte(1) > 0x9F) return false;
    if (byte(0) == 0xF0 && byte(1) < 0x90) return false;
    if (byte(0) == 0xF4 && byte(1) > 0x8F) return false;
    return true;
}

std::string Hex(unsigned value, int width) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*X", width, value);
    return buffer;
}

std::string JoinList(std::initializer_list<std::string_view> items) {
    std::string out;
    for (std::string_view item : items) {
        if (!out.empty()) out += ", ";
        out.append(item);
    }
    return out;
}

std::string NumberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

// Two capital letters of an ISO 3166-1 alpha-2 code, in alphabetical order.
constexpr std::string_view kIsoCountries =
    "ADAEAFAGAIALAMAOAQARASATAUAWAXAZBABBBDBEBFBGBHBIBJBLBMBNBOBQBRBSBTBVBWBYBZ"
    "CACCCDCFCGCHCICKCLCMCNCOCRCUCVCWCXCYCZDEDJDKDMDODZECEEEGEHERESETFIFJFKFMFOFR"
    "GAGBGDGEGFGGGHGIGLGMGNGPGQGRGSGTGUGWGYHKHMHNHRHTHUIDIEILIMINIOIQIRISITJEJMJO"
    "JPKEKGKHKIKMKNKPKRKWKYKZLALBLCLILKLRLSLTLULVLYMAMCMDMEMFMGMHMKMLMMMNMOMPMQMR"
    "MSMTMUMVMWMXMYMZNANCNENFNGNINLNONPNRNUNZOMPAPEPFPGPHPKPLPMPNPRPSPTPWPYQARERO"
    "RSRURWSASBSCSDSESGSHSISJSKSLSMSNSOSRSSSTSVSXSYSZTCTDTFTGTHTJTKTLTMTNTOTRTTTV"
    "TWTZUAUGUMUSUYUZVAVCVEVGVIVNVUWFWSYEYTZAZMZW";

bool IsAssignedCountry(std::string_view code) {
    for (std::size_t i = 0; i + 1 < kIsoCountries.size(); i += 2) {
        if (kIsoCountries.substr(i, 2) == code) return true;
    }
    return false;
}

}  // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

CheckResult CheckUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[at]);
        int length = SequenceLength(lead);
        if (length == 0 || !ValidSequence(text, at, length)) {
            return Failed("the text is not valid UTF-8 (byte 0x" + Hex(lead, 2) + " at offset " +
                          std::to_string(at) + ")");
        }
        at += length;
    }
    return Passed();
}

CheckResult CheckXmlText(std::string_view text) {
    CheckResult utf8 = CheckUtf8(text);
    if (!utf8.ok) return utf8;
    for (std::size_t at = 0; at < text.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            return Failed("the text holds the control character U+" + Hex(c, 4) + " at offset " +
                          std::to_string(at) + ", which an invoice cannot carry");
        }
    }
    return Passed();
}

CheckResult CheckNonEmpty(std::string_view text) {
    if (text.empty()) return Failed("the text must not be empty");
    return Passed();
}

CheckResult CheckLength(std::string_view text, std::size_t minChars, std::size_t maxChars) {
    assert(minChars <= maxChars);
    if (text.empty() && minChars > 0) return CheckNonEmpty(text);
    std::size_t length = Utf8Length(text);
    if (length > maxChars) {
        return Failed(Quote(text) + " has " + std::to_string(length) + " characters, at most " +
                      std::to_string(maxChars) + " are allowed");
    }
    if (length < minChars) {
        return Failed(Quote(text) + " has " + std::to_string(length) + " characters, at least " +
                      std::to_string(minChars) + " are required");
    }
    return Passed();
}

CheckResult CheckText(std::string_view text, std::size_t minChars, std::size_t maxChars) {
    CheckResult xml = CheckXmlText(text);
    if (!xml.ok) return xml;
    return CheckLength(text, minChars, maxChars);
}

CheckResult CheckOptionalText(std::string_view text, std::size_t maxChars) {
    if (text.empty()) return Passed();
    return CheckText(text, 1, maxChars);
}

CheckResult CheckOneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
    for (std::string_view item : allowed) {
        if (item == value) return Passed();
    }
    return Failed(Quote(value) + " is not one of " + JoinList(allowed));
}

CheckResult CheckCanton(std::string_view value) {
    return CheckOneOf(value, {"AG", "AI", "AR", "BE", "BL", "BS", "FR", "GE", "GL", "GR", "JU",
                              "LU", "NE", "NW", "OW", "SG", "SH", "SO", "SZ", "TI", "TG", "UR",
                              "VD", "VS", "ZG", "ZH", "LI", "A",  "D",  "F",  "I"});
}

CheckResult CheckCountryCode(std::string_view value) {
    return CheckText(value, 1, 3);
}

CheckResult CheckIsoCountryCode(std::string_view value) {
    bool twoCapitals = value.size() == 2 && value[0] >= 'A' && value[0] <= 'Z' && value[1] >= 'A' &&
                       value[1] <= 'Z';
    if (!twoCapitals) {
        return Failed(Quote(value) + " is not a country code of two capital letters");
    }
    if (!IsAssignedCountry(value)) {
        return Failed(Quote(value) + " is not an ISO 3166 country code");
    }
    return Passed();
}

CheckResult CheckZip(std::string_view value) {
    return CheckText(value, 1, 9);
}

CheckResult CheckStateCode(std::string_view value) {
    return CheckOptionalText(value, 9);
}

CheckResult CheckEmail(std::string_view value) {
    CheckResult text = CheckText(value, 1, 70);
    if (!text.ok) return text;
    std::size_t at = value.find('@', 1);
    bool oneLine = value.find_first_of("\r\n") == std::string_view::npos;
    if (at == std::string_view::npos || at + 1 >= value.size() || !oneLine) {
        return Failed(Quote(value) + " is not an e-mail address (name@domain)");
    }
    return Passed();
}

CheckResult CheckUrl(std::string_view value) {
    CheckResult text = CheckText(value, 1, 100);
    if (!text.ok) return text;
    if (value.find_first_of(" \t\r\n") != std::string_view::npos) {
        return Failed(Quote(value) + " is not a URL: it holds white space");
    }
    return Passed();
}

CheckResult CheckPhone(std::string_view value) {
    return CheckText(value, 1, 25);
}

CheckResult CheckMimeType(std::string_view value) {
    return CheckOneOf(value, {"application/pdf", "image/jpeg", "image/png"});
}

CheckResult CheckTariffType(std::string_view value) {
    bool ok = value.size() == 3;
    for (char c : value) ok = ok && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
    if (!ok) return Failed(Quote(value) + " is not a tariff type of three digits or capitals");
    return Passed();
}

CheckResult CheckRange(double value, double min, double max, std::string_view what) {
    if (!std::isfinite(value)) {
        return Failed(std::string(what) + " is not a finite number");
    }
    if (value < min || value > max) {
        return Failed(std::string(what) + " " + NumberText(value) + " is outside " +
                      NumberText(min) + " to " + NumberText(max));
    }
    return Passed();
}

CheckResult CheckPositive(double value, std::string_view what) {
    if (!std::isfinite(value)) return Failed(std::string(what) + " is not a finite number");
    if (value <= 0) {
        return Failed(std::string(what) + " " + NumberText(value) + " is not above 0");
    }
    return Passed();
}

CheckResult CheckNonNegative(double value, std::string_view what) {
    if (!std::isfinite(value)) return Failed(std::string(what) + " is not a finite number");
    if (value < 0) return Failed(std::string(what) + " " + NumberText(value) + " is below 0");
    return Passed();
}

CheckResult CheckRecordId(long id) {
    if (id < 1 || id > 999999999) {
        return Failed("the record id " + std::to_string(id) + " is outside 1 to 999999999");
    }
    return Passed();
}

CheckResult CheckSessionNumber(long session) {
    if (session < 1 || session > 999999) {
        return Failed("the session number " + std::to_string(session) + " is outside 1 to 999999");
    }
    return Passed();
}

CheckResult CheckVatRate(double percent) {
    return CheckRange(percent, 0, 100, "the VAT rate");
}

CheckResult CheckReminderLevel(long level) {
    if (level < 1 || level > 3) {
        return Failed("the reminder level " + std::to_string(level) + " is not 1, 2 or 3");
    }
    return Passed();
}

}  // namespace checks
