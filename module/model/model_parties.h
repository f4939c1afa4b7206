#pragma once

#include <optional>
#include <string>

#include "module/model/invoice_enums.h"
#include "module/model/model_address.h"
#include "module/model/model_basics.h"

namespace invoice {

// The parties of an invoice, one struct per kind, with the values of their
// setters (SetBiller ... SetEmployer) and the attributes of the 4.50 format.
// `address` is empty when the setter received no address object (a null
// handle); the setter stores a copy of the address object's content at the
// time of the call, so later changes to that object do not reach the invoice.

// SetBiller, SetProvider, SetReferrer: EAN (GLN), ZSR, NIF and specialty.
// The biller's uid_number (its enterprise number, which the print shows)
// has no setter: the loader keeps a file's, and Finalize fills it with
// SetTiers' VAT number when it is empty.
struct Biller {
    std::string ean;
    std::string zsr;
    std::string nif;
    std::string specialty;
    std::string uid_number;
    std::optional<Address> address;
};

struct Provider {
    std::string ean;
    std::string zsr;
    std::string nif;
    std::string specialty;
    std::optional<Address> address;
};

struct Referrer {
    std::string ean;
    std::string zsr;
    std::string nif;
    std::string specialty;
    std::optional<Address> address;
};

// SetInsurance, SetDebitor: EAN and address.
struct Insurance {
    std::string ean;
    std::optional<Address> address;
};

struct Debitor {
    std::string ean;
    std::optional<Address> address;
};

// SetGuarantor: the address only.
struct Guarantor {
    std::optional<Address> address;
};

// SetEmployer.
struct Employer {
    std::string ean;
    std::string reg_number;
    std::optional<Address> address;
};

// SetCard: the patient's insurance card (kept beside the patient in the
// request, since SetCard may come before SetPatient).
struct InsuranceCard {
    std::string card_id;
    std::optional<DateTime> expiry_date;
    std::optional<DateTime> validation_date;
    std::string validation_id;
    std::string validation_server;
};

// SetPatient and SetInsured. The format requires a person for both; a
// company address given here is refused by the setter or the checks.
struct Patient {
    SexType sex = SexType::kMale;
    DateTime birthdate;
    std::string ssn;
    std::optional<Address> address;
};

}  // namespace invoice
