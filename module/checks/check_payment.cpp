#include "module/checks/check_payment.h"

#include <cassert>
#include <cmath>
#include <cstdio>

#include "module/checks/check_digits.h"

namespace checks {

namespace {

struct IbanLength {
    const char* country;
    int length;
};

// IBAN lengths of the IBAN registry (ISO 13616) by country.
constexpr IbanLength kIbanLengths[] = {
    {"AD", 24}, {"AE", 23}, {"AL", 28}, {"AT", 20}, {"AZ", 28}, {"BA", 20}, {"BE", 16}, {"BG", 22},
    {"BH", 22}, {"BR", 29}, {"BY", 28}, {"CH", 21}, {"CR", 22}, {"CY", 28}, {"CZ", 24}, {"DE", 22},
    {"DK", 18}, {"DO", 28}, {"EE", 20}, {"EG", 29}, {"ES", 24}, {"FI", 18}, {"FO", 18}, {"FR", 27},
    {"GB", 22}, {"GE", 22}, {"GI", 23}, {"GL", 18}, {"GR", 27}, {"GT", 28}, {"HR", 21}, {"HU", 28},
    {"IE", 22}, {"IL", 23}, {"IQ", 23}, {"IS", 26}, {"IT", 27}, {"JO", 30}, {"KW", 30}, {"KZ", 20},
    {"LB", 28}, {"LC", 32}, {"LI", 21}, {"LT", 20}, {"LU", 20}, {"LV", 21}, {"MC", 27}, {"MD", 24},
    {"ME", 22}, {"MK", 19}, {"MR", 27}, {"MT", 31}, {"MU", 30}, {"NL", 18}, {"NO", 15}, {"PK", 24},
    {"PL", 28}, {"PS", 29}, {"PT", 25}, {"QA", 29}, {"RO", 24}, {"RS", 22}, {"SA", 24}, {"SC", 31},
    {"SE", 24}, {"SI", 19}, {"SK", 24}, {"SM", 27}, {"ST", 25}, {"SV", 28}, {"TL", 23}, {"TN", 24},
    {"TR", 26}, {"UA", 29}, {"VA", 22}, {"VG", 24}, {"XK", 20},
};

// The registered IBAN length of `country`, or 0 when the table has none.
int RegisteredIbanLength(std::string_view country) {
    for (const IbanLength& entry : kIbanLengths) {
        if (country == entry.country) return entry.length;
    }
    return 0;
}

bool IsCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

// `reference` with its first four characters moved to the end.
std::string Rotated(std::string_view reference) {
    return std::string(reference.substr(4)) + std::string(reference.substr(0, 4));
}

std::string AmountText(double amount) {
    char buffer[40];
    if (std::fabs(amount) < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.2f", amount);
    } else {
        std::snprintf(buffer, sizeof buffer, "%g", amount);
    }
    return buffer;
}

}  // namespace

std::string NormaliseIban(std::string_view value) {
    return ToUpperAscii(WithoutBlanks(value));
}

CheckResult CheckIban(std::string_view value) {
    std::string iban = NormaliseIban(value);
    bool layout = iban.size() >= 5 && IsCapital(iban[0]) && IsCapital(iban[1]) &&
                  IsDigits(iban.substr(2, 2)) && IsUpperAlnum(iban.substr(4));
    if (!layout) {
        return Failed(Quote(value) +
                      " is not an IBAN (country code, two check digits, letters and digits)");
    }
    int registered = RegisteredIbanLength(iban.substr(0, 2));
    int length = static_cast<int>(iban.size());
    if (registered != 0 && length != registered) {
        return Failed("IBAN " + iban + " has " + std::to_string(length) +
                      " characters, an IBAN of " + iban.substr(0, 2) + " has " +
                      std::to_string(registered));
    }
    if (registered == 0 && (length < 15 || length > 34)) {
        return Failed("IBAN " + iban + " has " + std::to_string(length) +
                      " characters, an IBAN has 15 to 34");
    }
    if (Mod97(Rotated(iban)) != 1) {
        return Failed("the check digits of IBAN " + iban + " are wrong");
    }
    return Passed();
}

CheckResult CheckSwissIban(std::string_view value) {
    std::string iban = NormaliseIban(value);
    std::string_view country = std::string_view(iban).substr(0, 2);
    if (country != "CH" && country != "LI") {
        return Failed(Quote(value) + " is not an IBAN of Switzerland or Liechtenstein");
    }
    CheckResult general = CheckIban(value);
    if (!general.ok) return general;
    // The schema wants the institution id and the check digits as digits.
    if (!IsDigits(iban.substr(2, 7))) {
        return Failed("IBAN " + iban + " has a letter among its characters 3 to 9");
    }
    return Passed();
}

bool IsQrIban(std::string_view value) {
    std::string iban = NormaliseIban(value);
    std::string_view country = std::string_view(iban).substr(0, 2);
    if (iban.size() != 21 || (country != "CH" && country != "LI")) return false;
    std::string_view institution = std::string_view(iban).substr(4, 5);
    return IsDigits(institution) && institution >= "30000" && institution <= "31999";
}

CheckResult CheckQrIban(std::string_view value) {
    CheckResult swiss = CheckSwissIban(value);
    if (!swiss.ok) return swiss;
    if (!IsQrIban(value)) {
        return Failed("IBAN " + NormaliseIban(value) +
                      " is not a QR-IBAN (institution id 30000 to 31999)");
    }
    return Passed();
}

std::string NormaliseQrReference(std::string_view value) {
    return WithoutBlanks(value);
}

int QrReferenceCheckDigit(std::string_view digits26) {
    assert(digits26.size() == 26);
    return Mod10RecursiveCheckDigit(digits26);
}

CheckResult CheckQrReference(std::string_view value) {
    std::string reference = NormaliseQrReference(value);
    if (reference.size() != 27 || !IsDigits(reference)) {
        return Failed(Quote(value) + " is not a QR reference of 27 digits");
    }
    if (reference.find_first_not_of('0') == std::string::npos) {
        return Failed("the QR reference must not be all zeros");
    }
    int expected = QrReferenceCheckDigit(std::string_view(reference).substr(0, 26));
    if (reference[26] - '0' != expected) {
        return Failed("the check digit of QR reference " + reference + " is wrong (expected " +
                      std::to_string(expected) + ")");
    }
    return Passed();
}

std::string FormatQrReference(std::string_view value) {
    return GroupInFivesFromRight(NormaliseQrReference(value));
}

std::string NormaliseCreditorReference(std::string_view value) {
    return ToUpperAscii(WithoutBlanks(value));
}

CheckResult CheckCreditorReference(std::string_view value) {
    std::string reference = NormaliseCreditorReference(value);
    bool layout = reference.size() >= 5 && reference.size() <= 25 &&
                  reference.compare(0, 2, "RF") == 0 && IsDigits(reference.substr(2, 2)) &&
                  IsUpperAlnum(reference.substr(4));
    if (!layout) {
        return Failed(Quote(value) +
                      " is not a creditor reference (RF, two check digits, 1 to 21 letters or "
                      "digits)");
    }
    if (Mod97(Rotated(reference)) != 1) {
        return Failed("the check digits of creditor reference " + reference + " are wrong");
    }
    return Passed();
}

QrReferenceType ReferenceTypeOf(std::string_view reference) {
    std::string normal = NormaliseCreditorReference(reference);
    if (normal.empty()) return QrReferenceType::kNon;
    if (normal.compare(0, 2, "RF") == 0) return QrReferenceType::kScor;
    return QrReferenceType::kQrr;
}

CheckResult CheckQrIbanAndReference(std::string_view iban, std::string_view reference) {
    CheckResult account = CheckSwissIban(iban);
    if (!account.ok) return account;
    QrReferenceType type = ReferenceTypeOf(reference);
    if (IsQrIban(iban)) {
        if (type != QrReferenceType::kQrr) {
            return Failed("the QR-IBAN " + NormaliseIban(iban) +
                          " needs a QR reference of 27 digits");
        }
        return CheckQrReference(reference);
    }
    switch (type) {
        case QrReferenceType::kNon:
            return Passed();
        case QrReferenceType::kScor:
            return CheckCreditorReference(reference);
        case QrReferenceType::kQrr:
            break;
    }
    return Failed("IBAN " + NormaliseIban(iban) +
                  " is not a QR-IBAN and cannot take a QR reference (a creditor reference RF... "
                  "or none), but the reference " +
                  NormaliseCreditorReference(reference) + " is one");
}

CheckResult CheckQrAmount(double amount) {
    if (!std::isfinite(amount)) return Failed("the amount is not a finite number");
    // Compared in hundredths, as printed: 0.005 rounds to 0.01.
    double cents = std::round(amount * 100);
    if (cents < 1 || cents > 99999999999.0) {
        return Failed("the amount " + AmountText(amount) +
                      " is outside 0.01 to 999999999.99 for a QR-bill");
    }
    return Passed();
}

CheckResult CheckCurrency(std::string_view value) {
    if (value != "CHF" && value != "EUR") {
        return Failed(Quote(value) + " is not a QR-bill currency (CHF or EUR)");
    }
    return Passed();
}

}  // namespace checks
