#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_enums.h"

namespace invoice {

// The address object (IAddress): a person or a company with its postal,
// telephone and online addresses, as the 4.50 format's personType and
// companyType hold them. Texts are UTF-8; an empty text means "not given".
// The GLN/EAN of a party is not part of its address: it belongs to the party
// (model_parties.h), as in the format.

// One telephone or fax number in the parts the interface takes them
// (AddPhone, SetFax); the XML writer joins them into the format's one text.
struct PhoneNumber {
    std::string number;
    std::string local_code;
    std::string international_code;
    std::string ext;
};

// SetPerson / GetPerson.
struct PersonName {
    std::string familyname;
    std::string givenname;
    std::string salutation;
    std::string title;
    std::string subaddressing;
};

// SetCompany / GetCompany.
struct CompanyName {
    std::string companyname;
    std::string department;
    std::string subaddressing;
};

// SetPostal / GetPostal. countrycode defaults to "CH" in the format when empty.
struct PostalAddress {
    std::string street;
    std::string pobox;
    std::string zip;
    std::string city;
    std::string statecode;
    std::string countrycode;
};

struct Address {
    // kPerson after SetPerson, kCompany after SetCompany (the later call wins);
    // kUndefined until then. Only the name part of `type` is written out.
    AddressType type = AddressType::kUndefined;
    PersonName person;
    CompanyName company;
    PostalAddress postal;

    // The format allows up to three of each. AddPhone appends; SetFax and
    // SetOnline replace the list with their one value (an empty e-mail or URL
    // is not stored). Lists loaded from XML keep every element.
    std::vector<PhoneNumber> phones;
    std::vector<PhoneNumber> faxes;
    std::vector<std::string> emails;
    std::vector<std::string> urls;
};

// The format's limit on phones, faxes, e-mails and URLs per address.
constexpr size_t kMaxTelecomEntries = 3;

// The one text of a phone or fax as the 4.50 format carries it: international
// code, local code, number and extension joined by blanks, empty parts left
// out ("+41 31 1234567"). At most 25 characters for a number the setters took.
std::string PhoneText(const invoice::PhoneNumber& phone);

}  // namespace invoice
