#include "module/print/pdf_form_text.h"

#include <cstdio>

#include "module/checks/check_identifiers.h"
#include "module/print/print_labels.h"
#include "module/print/qr_bill.h"
#include "platform/ole_date.h"

namespace invoice {

std::string DateText(OleDate date) {
    if (IsNoDate(date)) return std::string();
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(date, &st)) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u.%04u", static_cast<unsigned>(st.wDay),
                  static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wYear));
    return text;
}

std::string MoneyText(const Decimal& amount) {
    return amount.ToFixed(2);
}

std::string FactorText(const Decimal& value) {
    return value.Scale() > 2 ? value.ToString() : value.ToFixed(2);
}

namespace {

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string Joined(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + " " + b;
}

std::string Place(const Address& address) {
    std::string place = Joined(address.postal.zip, address.postal.city);
    const std::string& country = address.postal.countrycode;
    if (!country.empty() && country != "CH" && !place.empty()) place = country + "-" + place;
    return place;
}

}  // namespace

std::string AhvText(std::string_view ssn) {
    std::string digits = checks::NormaliseAhvNumber(ssn);
    if (digits.size() != 13 || digits.compare(0, 3, "756") != 0 || !AllDigits(digits)) {
        return std::string(ssn);
    }
    return digits.substr(0, 3) + "." + digits.substr(3, 4) + "." + digits.substr(7, 4) + "." +
           digits.substr(11, 2);
}

std::string UidText(std::string_view uid, Language language) {
    std::string plain = checks::NormaliseUid(uid);
    for (const char* suffix : {"MWST", "TVA", "IVA"}) {
        size_t length = std::string_view(suffix).size();
        if (plain.size() > length && plain.compare(plain.size() - length, length, suffix) == 0) {
            plain.resize(plain.size() - length);
        }
    }
    if (plain.size() != 12 || plain.compare(0, 3, "CHE") != 0 || !AllDigits(plain.substr(3))) {
        return std::string(uid);
    }
    return "CHE-" + plain.substr(3, 3) + "." + plain.substr(6, 3) + "." + plain.substr(9, 3) + " " +
           Label(language, LabelId::kVatSuffix);
}

std::vector<std::string> PostalLines(const Address& address) {
    std::vector<std::string> lines;
    auto add = [&lines](const std::string& line) {
        if (!line.empty()) lines.push_back(line);
    };
    if (address.type == AddressType::kCompany) {
        add(address.company.companyname);
        add(address.company.department);
        add(address.company.subaddressing);
    } else {
        add(Joined(address.person.salutation, address.person.title));
        add(AddressName(address));
        add(address.person.subaddressing);
    }
    add(address.postal.street);
    add(address.postal.pobox);
    add(Place(address));
    return lines;
}

std::string StreetAndPlace(const Address& address) {
    std::string place = Place(address);
    if (address.postal.street.empty()) return place;
    if (place.empty()) return address.postal.street;
    return address.postal.street + ", " + place;
}

}  // namespace invoice
