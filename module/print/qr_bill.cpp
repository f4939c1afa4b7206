#include "module/print/qr_bill.h"

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace invoice {

namespace {

using checks::CheckResult;
using checks::Failed;
using checks::Passed;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == ',')) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        size_t end = at;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        if (end > at) tokens.push_back(line.substr(at, end - at));
        at = end;
    }
    return tokens;
}

bool StartsWithDigit(std::string_view token) {
    return !token.empty() && token.front() >= '0' && token.front() <= '9';
}

// The text from the start of `first` to the end of `last` inside `line`.
std::string Span(std::string_view line, std::string_view first, std::string_view last) {
    size_t begin = static_cast<size_t>(first.data() - line.data());
    size_t end = static_cast<size_t>(last.data() + last.size() - line.data());
    return std::string(Trimmed(line.substr(begin, end - begin)));
}

// Decodes one UTF-8 sequence at *at and moves past it; false for a
// malformed one.
bool NextCodePoint(std::string_view text, size_t* at, uint32_t* code) {
    unsigned char lead = static_cast<unsigned char>(text[*at]);
    size_t extra = 0;
    if (lead < 0x80) {
        extra = 0;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
    } else {
        return false;
    }
    if (*at + extra >= text.size()) return false;
    uint32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
    for (size_t i = 1; i <= extra; ++i) {
        unsigned char next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3F);
    }
    static const uint32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (value < kShortest[extra]) return false;  // an overlong form
    *at += 1 + extra;
    *code = value;
    return true;
}

bool IsAllowedCodePoint(uint32_t code) {
    return (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0x17F) ||
           (code >= 0x218 && code <= 0x21B) || code == 0x20AC;
}

// Counts the characters of `text` into *count; fails on a character outside
// the permitted set or malformed UTF-8.
CheckResult CountCharacters(std::string_view what, std::string_view text, size_t* count) {
    size_t at = 0;
    *count = 0;
    while (at < text.size()) {
        uint32_t code = 0;
        if (!NextCodePoint(text, &at, &code)) {
            return Failed(std::string(what) + " " + checks::Quote(text) + " is not valid UTF-8");
        }
        if (!IsAllowedCodePoint(code)) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            return Failed(std::string(what) + " " + checks::Quote(text) + " has the character " +
                          hex + ", which the QR-bill does not allow");
        }
        ++*count;
    }
    return Passed();
}

CheckResult CheckText(std::string_view what, std::string_view text, size_t max, bool required) {
    if (required && text.empty()) return Failed(std::string(what) + " is missing");
    size_t count = 0;
    CheckResult chars = CountCharacters(what, text, &count);
    if (!chars.ok) return chars;
    if (count > max) {
        return Failed(std::string(what) + " " + checks::Quote(text) + " has " +
                      std::to_string(count) + " characters, more than " + std::to_string(max));
    }
    return Passed();
}

CheckResult CheckAddress(const std::string& party, const QrAddress& address) {
    if (address.name.empty()) return Failed("the " + party + " has no name");
    if (address.postcode.empty()) return Failed("the " + party + " has no postcode");
    if (address.town.empty()) return Failed("the " + party + " has no town");
    const struct {
        const char* field;
        const std::string& value;
        size_t max;
    } fields[] = {{"name", address.name, 70},
                  {"street", address.street, 70},
                  {"building number", address.building_number, 16},
                  {"postcode", address.postcode, 16},
                  {"town", address.town, 35}};
    for (const auto& field : fields) {
        CheckResult result =
            CheckText("the " + party + "'s " + field.field, field.value, field.max, false);
        if (!result.ok) return result;
    }
    bool country = address.country.size() == 2 && address.country[0] >= 'A' &&
                   address.country[0] <= 'Z' && address.country[1] >= 'A' &&
                   address.country[1] <= 'Z';
    if (!country) {
        return Failed("the " + party + "'s country " + checks::Quote(address.country) +
                      " is not a two-letter country code");
    }
    return Passed();
}

CheckResult CheckAmount(const Decimal& amount) {
    static const Decimal kMin = Decimal::OfDouble(0.01);
    static const Decimal kMax = Decimal::OfDouble(999999999.99);
    if (!amount.IsValid()) return Failed("the amount is not a number");
    if (amount < kMin) return Failed("the amount " + amount.ToFixed(2) + " is below 0.01");
    if (amount > kMax) {
        return Failed("the amount " + amount.ToFixed(2) + " is above 999999999.99");
    }
    if (amount.Scale() > 2) {
        return Failed("the amount " + amount.ToString() + " has more than two decimals");
    }
    return Passed();
}

CheckResult CheckBill(const QrBill& bill) {
    // The checks below accept blanks and small letters, but the payload
    // carries the values as they stand.
    if (bill.iban != checks::NormaliseIban(bill.iban) ||
        bill.reference != checks::NormaliseCreditorReference(bill.reference)) {
        return Failed("the IBAN and the reference must be written without blanks, in capitals");
    }
    CheckResult result = checks::CheckQrIbanAndReference(bill.iban, bill.reference);
    if (!result.ok) return result;
    if (checks::ReferenceTypeOf(bill.reference) != bill.reference_type) {
        return Failed("the reference " + checks::Quote(bill.reference) +
                      " does not match its reference type");
    }
    result = CheckAddress("creditor", bill.creditor);
    if (!result.ok) return result;
    if (!bill.open_amount) {
        result = CheckAmount(bill.amount);
        if (!result.ok) return result;
    }
    result = checks::CheckCurrency(bill.currency);
    if (!result.ok) return result;
    if (bill.debtor) {
        result = CheckAddress("debtor", *bill.debtor);
        if (!result.ok) return result;
    }
    return CheckText("the message", bill.message, 140, false);
}

// Seven lines: type S and the six fields, or seven empty lines.
void AppendAddress(const std::optional<QrAddress>& address, std::string* out) {
    if (!address) {
        out->append(7, '\n');
        return;
    }
    out->append("S\n");
    for (const std::string* field : {&address->name, &address->street, &address->building_number,
                                     &address->postcode, &address->town, &address->country}) {
        out->append(*field);
        out->push_back('\n');
    }
}

const char* ReferenceTypeText(checks::QrReferenceType type) {
    switch (type) {
        case checks::QrReferenceType::kQrr:
            return "QRR";
        case checks::QrReferenceType::kScor:
            return "SCOR";
        case checks::QrReferenceType::kNon:
            break;
    }
    return "NON";
}

bool HasPostcodeAndTown(const Address& address) {
    return !address.postal.zip.empty() && !address.postal.city.empty();
}

}  // namespace

StreetParts SplitStreetLine(std::string_view line) {
    std::string_view text = Trimmed(line);
    std::vector<std::string_view> tokens = Tokens(text);
    StreetParts parts;
    size_t n = tokens.size();
    if (n >= 2 && StartsWithDigit(tokens[n - 1])) {
        parts.street = Span(text, tokens[0], tokens[n - 2]);
        parts.building_number = std::string(tokens[n - 1]);
    } else if (n >= 3 && tokens[n - 1].size() == 1 && StartsWithDigit(tokens[n - 2])) {
        parts.street = Span(text, tokens[0], tokens[n - 3]);
        parts.building_number = Span(text, tokens[n - 2], tokens[n - 1]);
    } else if (n >= 2 && StartsWithDigit(tokens[0])) {
        parts.building_number = std::string(Trimmed(tokens[0]));
        parts.street = Span(text, tokens[1], tokens[n - 1]);
    } else {
        parts.street = std::string(text);
    }
    return parts;
}

std::string AddressName(const Address& address) {
    if (address.type == AddressType::kCompany) return address.company.companyname;
    const PersonName& person = address.person;
    if (person.givenname.empty()) return person.familyname;
    if (person.familyname.empty()) return person.givenname;
    return person.givenname + " " + person.familyname;
}

QrAddress QrAddressOf(const Address& address) {
    QrAddress out;
    out.name = AddressName(address);
    StreetParts parts = SplitStreetLine(address.postal.street);
    out.street = parts.street;
    out.building_number = parts.building_number;
    out.postcode = address.postal.zip;
    out.town = address.postal.city;
    out.country = address.postal.countrycode.empty() ? "CH" : address.postal.countrycode;
    return out;
}

bool HasQrPayment(const InvoiceRequest& invoice) {
    return invoice.esr && IsEsrQRType(invoice.esr->type);
}

QrBill QrBillOf(const InvoiceRequest& invoice) {
    assert(HasQrPayment(invoice));
    const Esr& esr = *invoice.esr;
    QrBill bill;
    bill.iban = checks::NormaliseIban(esr.iban);
    if (esr.type != EsrType::kRedPayinSlipQR) {
        bill.reference_type = checks::ReferenceTypeOf(esr.reference_number);
        bill.reference = bill.reference_type == checks::QrReferenceType::kQrr
                             ? checks::NormaliseQrReference(esr.reference_number)
                             : checks::NormaliseCreditorReference(esr.reference_number);
    }
    if (esr.creditor) {
        bill.creditor = QrAddressOf(*esr.creditor);
    } else if (invoice.biller && invoice.biller->address) {
        bill.creditor = QrAddressOf(*invoice.biller->address);
    }
    const std::optional<Address>* debtor = nullptr;
    if (invoice.debitor && invoice.debitor->address) {
        debtor = &invoice.debitor->address;
    } else if (invoice.guarantor && invoice.guarantor->address) {
        debtor = &invoice.guarantor->address;
    } else if (invoice.patient && invoice.patient->address) {
        debtor = &invoice.patient->address;
    }
    if (debtor != nullptr && HasPostcodeAndTown(**debtor)) bill.debtor = QrAddressOf(**debtor);
    bill.amount = invoice.balance.amount_due;
    bill.open_amount = esr.type == EsrType::kEsrQRPlus;
    bill.currency = "CHF";
    bill.message = esr.customer_note;
    return bill;
}

CheckResult BuildQrPayload(const QrBill& bill, std::string* payload) {
    assert(payload != nullptr);
    CheckResult rules = CheckBill(bill);
    if (!rules.ok) return rules;
    std::string out = "SPC\n0200\n1\n";
    out += bill.iban + "\n";
    AppendAddress(bill.creditor, &out);
    out.append(7, '\n');  // ultimate creditor
    if (!bill.open_amount) out += QrAmountText(bill.amount);
    out += "\n";
    out += bill.currency + "\n";
    AppendAddress(bill.debtor, &out);
    out += std::string(ReferenceTypeText(bill.reference_type)) + "\n";
    out += bill.reference + "\n";
    out += bill.message + "\n";
    out += "EPD";
    if (out.size() > kMaxQrPayloadBytes) {
        return Failed("the QR-bill payload has " + std::to_string(out.size()) +
                      " bytes, more than " + std::to_string(kMaxQrPayloadBytes));
    }
    *payload = std::move(out);
    return Passed();
}

std::string QrAmountText(const Decimal& amount) {
    return amount.ToFixed(2);
}

std::string PrintedAmountText(const Decimal& amount) {
    std::string fixed = amount.ToFixed(2);
    size_t point = fixed.find('.');
    size_t digits_begin = fixed[0] == '-' ? 1 : 0;
    std::string out = fixed.substr(point);
    for (size_t i = point, n = 0; i > digits_begin; --i, ++n) {
        if (n > 0 && n % 3 == 0) out.insert(out.begin(), ' ');
        out.insert(out.begin(), fixed[i - 1]);
    }
    if (digits_begin == 1) out.insert(out.begin(), '-');
    return out;
}

std::string PrintedIban(std::string_view iban) {
    std::string out;
    for (size_t i = 0; i < iban.size(); ++i) {
        if (i > 0 && i % 4 == 0) out.push_back(' ');
        out.push_back(iban[i]);
    }
    return out;
}

std::string PrintedReference(checks::QrReferenceType type, std::string_view reference) {
    if (type == checks::QrReferenceType::kQrr) return checks::FormatQrReference(reference);
    return PrintedIban(reference);
}

}  // namespace invoice
