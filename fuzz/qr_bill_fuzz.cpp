// libFuzzer target of the QR-bill payload builder (module/print/qr_bill.h).
// Input: the texts of one bill separated by \x01 bytes: IBAN, reference,
// reference type (Q, S, N or anything: the type that goes with the
// reference), amount, currency, message, the creditor's six fields and the
// debtor's six (no debtor when all six are empty).
//
// The rules of the Swiss Implementation Guidelines (payload 0200) are
// checked here on their own, without the engine's checks: IBAN of CH/LI with
// its mod-97 check, QR-IBAN (institution 30000-31999) with a QR reference
// (27 digits, recursive mod-10) and no other, a creditor reference (RF, mod
// 97) or none otherwise, address fields and their lengths in characters of
// the permitted Latin set, amount 0.01-999999999.99 with two decimals,
// CHF/EUR, message up to 140, at most 997 bytes. Property: the builder
// accepts exactly the bills that keep the rules, and its payload is then
// the guidelines' layout of the bill's fields, line for line.

#include <cstring>

#include "fuzz/fuzz_check.h"
#include "module/print/qr_bill.h"

namespace {

using invoice::QrAddress;
using invoice::QrBill;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

// Characters of `text` when it is UTF-8 of the permitted set; -1 otherwise.
long Characters(const std::string& text) {
    long count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 0;
        if (n == 0 || i + n > text.size()) return -1;
        uint32_t code = n == 1 ? c : n == 2 ? c & 0x1F : c & 0x0F;
        for (size_t k = 1; k < n; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return -1;
            code = (code << 6) | (next & 0x3F);
        }
        if ((n == 2 && code < 0x80) || (n == 3 && code < 0x800)) return -1;  // overlong
        bool allowed = (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0x17F) ||
                       (code >= 0x218 && code <= 0x21B) || code == 0x20AC;
        if (!allowed) return -1;
        i += n;
    }
    return count;
}

bool Text(const std::string& text, long min, long max) {
    long count = Characters(text);
    return count >= min && count <= max;
}

// ISO 7064 mod 97 of `text` with its first four characters moved to the end,
// letters counted A=10 ... Z=35; -1 for any other character.
int Mod97(const std::string& text) {
    std::string moved = text.substr(4) + text.substr(0, 4);
    int rest = 0;
    for (char c : moved) {
        if (IsDigit(c)) {
            rest = (rest * 10 + (c - '0')) % 97;
        } else if (IsUpper(c)) {
            rest = (rest * 100 + (c - 'A' + 10)) % 97;
        } else {
            return -1;
        }
    }
    return rest;
}

bool SwissIban(const std::string& iban) {
    if (iban.size() != 21 || (iban.compare(0, 2, "CH") != 0 && iban.compare(0, 2, "LI") != 0)) {
        return false;
    }
    for (size_t i = 2; i < 21; ++i) {
        if (!IsDigit(iban[i]) && (i < 9 || !IsUpper(iban[i]))) return false;
    }
    return Mod97(iban) == 1;
}

bool QrIban(const std::string& iban) {
    int institution = std::atoi(iban.substr(4, 5).c_str());
    return institution >= 30000 && institution <= 31999;
}

bool QrReference(const std::string& reference) {
    static const int kTable[] = {0, 9, 4, 6, 8, 2, 7, 1, 3, 5};
    if (reference.size() != 27 || reference == std::string(27, '0')) return false;
    int carry = 0;
    for (size_t i = 0; i < 27; ++i) {
        if (!IsDigit(reference[i])) return false;
        if (i < 26) carry = kTable[(carry + reference[i] - '0') % 10];
    }
    return (10 - carry) % 10 == reference[26] - '0';
}

bool CreditorReference(const std::string& reference) {
    if (reference.size() < 5 || reference.size() > 25 || reference.compare(0, 2, "RF") != 0 ||
        !IsDigit(reference[2]) || !IsDigit(reference[3])) {
        return false;
    }
    return Mod97(reference) == 1;
}

bool Address(const QrAddress& a) {
    return Text(a.name, 1, 70) && Text(a.street, 0, 70) && Text(a.building_number, 0, 16) &&
           Text(a.postcode, 1, 16) && Text(a.town, 1, 35) && a.country.size() == 2 &&
           IsUpper(a.country[0]) && IsUpper(a.country[1]);
}

// "1234.50" for an amount the bill may carry; "" otherwise.
std::string AmountText(const invoice::Decimal& amount) {
    std::string text = amount.ToString();
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string cents = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || whole.size() > 9 || cents.size() > 2 || text == "0") return "";
    for (char c : whole + cents) {
        if (!IsDigit(c)) return "";
    }
    return whole + "." + cents + std::string(2 - cents.size(), '0');
}

void AppendAddress(const QrAddress* a, std::string* out) {
    if (a == nullptr) {
        out->append(7, '\n');
        return;
    }
    for (const std::string& field : {std::string("S"), a->name, a->street, a->building_number,
                                     a->postcode, a->town, a->country}) {
        *out += field + "\n";
    }
}

// The payload of `bill` by the guidelines, "" when the bill breaks a rule.
std::string ExpectedPayload(const QrBill& bill) {
    using checks::QrReferenceType;
    if (!SwissIban(bill.iban)) return "";
    QrReferenceType type = QrReferenceType::kNon;
    if (QrIban(bill.iban)) {
        if (!QrReference(bill.reference)) return "";
        type = QrReferenceType::kQrr;
    } else if (!bill.reference.empty()) {
        if (!CreditorReference(bill.reference)) return "";
        type = QrReferenceType::kScor;
    }
    std::string amount = AmountText(bill.amount);
    if (type != bill.reference_type || !Address(bill.creditor) || amount.empty() ||
        (bill.currency != "CHF" && bill.currency != "EUR") ||
        (bill.debtor && !Address(*bill.debtor)) || !Text(bill.message, 0, 140)) {
        return "";
    }
    const char* types[] = {"QRR", "SCOR", "NON"};
    std::string out = "SPC\n0200\n1\n" + bill.iban + "\n";
    AppendAddress(&bill.creditor, &out);
    out.append(7, '\n');
    out += amount + "\n" + bill.currency + "\n";
    AppendAddress(bill.debtor ? &*bill.debtor : nullptr, &out);
    out += std::string(types[static_cast<int>(type)]) + "\n" + bill.reference + "\n" +
           bill.message + "\nEPD";
    return out.size() <= 997 ? out : "";
}

QrAddress AddressOf(const std::vector<std::string>& parts, size_t first) {
    return QrAddress{parts[first],     parts[first + 1], parts[first + 2],
                     parts[first + 3], parts[first + 4], parts[first + 5]};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = fuzz::Split(data, size, 18);
    QrBill bill;
    bill.iban = parts[0];
    bill.reference = parts[1];
    switch (parts[2].empty() ? ' ' : parts[2][0]) {
        case 'Q':
            bill.reference_type = checks::QrReferenceType::kQrr;
            break;
        case 'S':
            bill.reference_type = checks::QrReferenceType::kScor;
            break;
        case 'N':
            bill.reference_type = checks::QrReferenceType::kNon;
            break;
        default:
            bill.reference_type = checks::ReferenceTypeOf(bill.reference);
    }
    if (!invoice::Decimal::Parse(parts[3], &bill.amount)) bill.amount = invoice::Decimal::Invalid();
    bill.currency = parts[4];
    bill.message = parts[5];
    bill.creditor = AddressOf(parts, 6);
    QrAddress debtor = AddressOf(parts, 12);
    if (!(debtor.name + debtor.street + debtor.building_number + debtor.postcode + debtor.town +
          debtor.country)
             .empty()) {
        bill.debtor = debtor;
    }

    std::string payload = "untouched";
    checks::CheckResult built = invoice::BuildQrPayload(bill, &payload);
    std::string expected = ExpectedPayload(bill);
    if (built.ok) {
        FUZZ_CHECK(!expected.empty(), "accepted against the rules: " + fuzz::Printable(payload));
        FUZZ_CHECK(payload == expected,
                   fuzz::Printable(payload) + "\n  expected " + fuzz::Printable(expected));
    } else {
        FUZZ_CHECK(payload == "untouched", "a refused bill changed the payload");
        FUZZ_CHECK(expected.empty(), "refused (" + built.rule + ") although it keeps the rules: " +
                                         fuzz::Printable(expected));
    }
    return 0;
}
