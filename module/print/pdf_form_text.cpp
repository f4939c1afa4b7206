#include "module/print/pdf_form_text.h"

#include <cstdio>

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
