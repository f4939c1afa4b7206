#include "module/checks/completeness.h"

#include <algorithm>

namespace invoice {

namespace {

class MissingList {
  public:
    void Add(const std::string& part) { parts_.push_back(part); }
    // Adds `part` unless `present`.
    void Require(bool present, const std::string& part) {
        if (!present) Add(part);
    }
    std::vector<std::string> Take() { return std::move(parts_); }

  private:
    std::vector<std::string> parts_;
};

// The parts of an address the format requires: a name and a postal address
// with zip and city. `whose` names the party ("the biller").
void CheckAddress(const std::optional<Address>& address, const std::string& whose,
                  const char* setter, MissingList* missing) {
    const std::string where = " (" + std::string(setter) + ")";
    if (!address) {
        missing->Add("address of " + whose + where);
        return;
    }
    const std::string prefix = "address of " + whose + ": ";
    switch (address->type) {
        case AddressType::kPerson:
            missing->Require(!address->person.familyname.empty(), prefix + "family name" + where);
            missing->Require(!address->person.givenname.empty(), prefix + "given name" + where);
            break;
        case AddressType::kCompany:
            missing->Require(!address->company.companyname.empty(),
                             prefix + "company name" + where);
            break;
        case AddressType::kUndefined:
            missing->Add(prefix + "name of a person or company" + where);
            break;
    }
    missing->Require(!address->postal.zip.empty(), prefix + "zip" + where);
    missing->Require(!address->postal.city.empty(), prefix + "city" + where);
}

// A party that the format requires, with its address.
template <typename Party>
void RequireParty(const std::optional<Party>& party, const std::string& whose, const char* setter,
                  MissingList* missing) {
    if (!party) {
        missing->Add(whose.substr(4) + " (" + setter + ")");  // without "the "
        return;
    }
    CheckAddress(party->address, whose, setter, missing);
}

// An optional party: its address only when it was set.
template <typename Party>
void CheckOptionalParty(const std::optional<Party>& party, const std::string& whose,
                        const char* setter, MissingList* missing) {
    if (party) CheckAddress(party->address, whose, setter, missing);
}

void CheckPayment(const InvoiceRequest& request, MissingList* missing) {
    if (!request.esr) {
        missing->Add("payment slip (SetEsr, SetEsrRed, SetEsrQR or SetEsrRedQR)");
        return;
    }
    const Esr& esr = *request.esr;
    const char* setter = IsEsr9Type(esr.type)                   ? "SetEsr"
                         : esr.type == EsrType::kEsrRed         ? "SetEsrRed"
                         : esr.type == EsrType::kRedPayinSlipQR ? "SetEsrRedQR"
                                                                : "SetEsrQR";
    if (IsEsrQRType(esr.type)) CheckAddress(esr.bank, "the bank", setter, missing);
    CheckAddress(esr.creditor, "the creditor", setter, missing);
}

void CheckLaw(const InvoiceRequest& request, MissingList* missing) {
    if (!request.law) {
        missing->Add("law (SetLaw)");
        return;
    }
    const LawType type = request.law->type;
    if (type != LawType::kIVG && type != LawType::kMVG) return;
    const bool has_ssn =
        !request.law->ssn.empty() || (request.patient && !request.patient->ssn.empty());
    missing->Require(has_ssn, std::string("social security number of the patient, required by "
                                          "the ") +
                                  SchemaText(type) + " law (SetPatient)");
}

// A stationary stay carries one grouper record and one BfS record of each
// type.
void CheckStationary(const InvoiceRequest& request, MissingList* missing) {
    if (!request.xtra_hospital ||
        request.xtra_hospital->treatment_type != TreatmentType::kStationary) {
        return;
    }
    for (size_t i = 0; i < TableOf<GrouperRecordType>().count; ++i) {
        const EnumEntry& entry = TableOf<GrouperRecordType>().entries[i];
        bool found = std::any_of(request.grouper_records.begin(), request.grouper_records.end(),
                                 [&](const GrouperRecord& record) {
                                     return static_cast<int32_t>(record.type) == entry.value;
                                 });
        missing->Require(found, std::string("grouper record ") + entry.schema +
                                    " of the stationary stay (AddGrouperRecord)");
    }
    for (size_t i = 0; i < TableOf<BfsRecordType>().count; ++i) {
        const EnumEntry& entry = TableOf<BfsRecordType>().entries[i];
        bool found = std::any_of(request.bfs_records.begin(), request.bfs_records.end(),
                                 [&](const BfsRecord& record) {
                                     return static_cast<int32_t>(record.type) == entry.value;
                                 });
        missing->Require(found, std::string("BfS record ") + entry.schema +
                                    " of the stationary stay (AddBfSRecord)");
    }
}

}  // namespace

std::vector<std::string> MissingParts(const InvoiceRequest& request) {
    MissingList missing;
    missing.Require(request.transport.has_value(), "transport (SetTransport)");
    missing.Require(request.invoice.has_value(), "invoice id and date (SetInvoice)");
    missing.Require(request.request.has_value(), "role and place (SetRequest)");
    missing.Require(request.tiers.has_value(), "tiers mode (SetTiers)");
    RequireParty(request.biller, "the biller", "SetBiller", &missing);
    RequireParty(request.debitor, "the debitor", "SetDebitor", &missing);
    RequireParty(request.provider, "the provider", "SetProvider", &missing);
    const bool payant = request.tiers && request.tiers->mode == TiersMode::kPayant;
    if (payant) {
        RequireParty(request.insurance, "the insurance", "SetInsurance", &missing);
    } else {
        CheckOptionalParty(request.insurance, "the insurance", "SetInsurance", &missing);
    }
    RequireParty(request.patient, "the patient", "SetPatient", &missing);
    CheckOptionalParty(request.insured, "the insured", "SetInsured", &missing);
    RequireParty(request.guarantor, "the guarantor", "SetGuarantor", &missing);
    CheckOptionalParty(request.referrer, "the referrer", "SetReferrer", &missing);
    CheckOptionalParty(request.employer, "the employer", "SetEmployer", &missing);
    CheckPayment(request, &missing);
    CheckLaw(request, &missing);
    missing.Require(request.treatment.has_value(), "treatment (SetTreatment)");
    CheckStationary(request, &missing);
    missing.Require(!request.services.empty(), "at least one service (AddService or AddServiceEx)");
    return missing.Take();
}

}  // namespace invoice
