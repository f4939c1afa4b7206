#include "module/checks/check_identifiers.h"

#include <cassert>

#include "module/checks/check_digits.h"
#include "module/checks/value_checks.h"

namespace checks {

namespace {

bool IsDigitsOfLength(std::string_view value, std::size_t length) {
    return value.size() == length && IsDigits(value);
}

bool StartsWith(std::string_view value, std::string_view prefix) {
    return value.substr(0, prefix.size()) == prefix;
}

// `value` without the characters in `separators`.
std::string Without(std::string_view value, std::string_view separators) {
    std::string out;
    for (char c : value) {
        if (separators.find(c) == std::string_view::npos) out += c;
    }
    return out;
}

// The modulo-11 check digit of the eight digits of a UID, or 10 when no check
// digit can make the number valid.
int UidCheckDigit(std::string_view digits8) {
    static const int kWeights[8] = {5, 4, 3, 2, 7, 6, 5, 4};
    int sum = 0;
    for (int i = 0; i < 8; ++i) sum += (digits8[i] - '0') * kWeights[i];
    int check = 11 - sum % 11;
    return check == 11 ? 0 : check;
}

}  // namespace

CheckResult CheckEanParty(std::string_view value) {
    if (!IsDigitsOfLength(value, 13)) {
        return Failed(Quote(value) + " is not a GLN of 13 digits");
    }
    return Passed();
}

CheckResult CheckGln(std::string_view value) {
    CheckResult layout = CheckEanParty(value);
    if (!layout.ok) return layout;
    std::string expected = GlnWithCheckDigit(value);
    if (expected != value) {
        return Failed("the check digit of GLN " + std::string(value) + " is wrong (expected " +
                      expected + ")");
    }
    return Passed();
}

std::string GlnWithCheckDigit(std::string_view value) {
    std::string_view body = value.substr(0, 12);
    assert(IsDigitsOfLength(body, 12));
    return std::string(body) + static_cast<char>('0' + Gs1CheckDigit(body));
}

CheckResult CheckZsr(std::string_view value) {
    bool ok = value.size() == 7 && value[0] >= 'A' && value[0] <= 'Z' && IsDigits(value.substr(1));
    if (!ok) {
        return Failed(Quote(value) +
                      " is not a ZSR number (a capital letter and six digits, such as C123456)");
    }
    return Passed();
}

CheckResult CheckNif(std::string_view value) {
    if (value.size() > 7 || !IsDigits(value)) {
        return Failed(Quote(value) + " is not a NIF number (one to seven digits)");
    }
    return Passed();
}

CheckResult CheckSsn(std::string_view value) {
    bool ok =
        IsDigits(value) &&
        ((value.size() >= 4 && value.size() <= 10) || (value.size() == 11 && value[0] != '0') ||
         (value.size() == 13 && (StartsWith(value, "756") || StartsWith(value, "438"))));
    if (!ok) {
        return Failed(Quote(value) +
                      " is not a social security number (4 to 10 digits, 11 digits not "
                      "starting with 0, or 13 digits "
                      "starting with 756 or 438)");
    }
    return Passed();
}

std::string NormaliseAhvNumber(std::string_view value) {
    return Without(value, ". \t");
}

CheckResult CheckAhvNumber(std::string_view value) {
    std::string digits = NormaliseAhvNumber(value);
    if (!IsDigitsOfLength(digits, 13) || !StartsWith(digits, "756")) {
        return Failed(Quote(value) + " is not an AHV number (756 and ten digits)");
    }
    std::string expected = GlnWithCheckDigit(digits);
    if (expected != digits) {
        return Failed("the check digit of AHV number " + digits + " is wrong (expected " +
                      expected + ")");
    }
    return Passed();
}

CheckResult CheckIvgCaseId(std::string_view value) {
    std::size_t n = value.size();
    if (!IsDigits(value) || (n != 6 && n != 9 && n != 10 && n != 14)) {
        return Failed(Quote(value) + " is not an IV case id (6, 9, 10 or 14 digits)");
    }
    return Passed();
}

std::string NormaliseUid(std::string_view value) {
    return ToUpperAscii(Without(value, "-. \t"));
}

CheckResult CheckUid(std::string_view value) {
    std::string uid = NormaliseUid(value);
    if (uid.size() != 12 || !StartsWith(uid, "CHE") || !IsDigits(uid.substr(3))) {
        return Failed(Quote(value) + " is not a UID number (CHE and nine digits)");
    }
    int check = UidCheckDigit(std::string_view(uid).substr(3, 8));
    if (check == 10) {
        return Failed("UID number " + uid + " cannot exist: no check digit fits its digits");
    }
    if (uid[11] - '0' != check) {
        return Failed("the check digit of UID number " + uid + " is wrong (expected " +
                      std::to_string(check) + ")");
    }
    return Passed();
}

CheckResult CheckVatNumber(std::string_view value) {
    return CheckText(value, 1, 15);
}

}  // namespace checks
