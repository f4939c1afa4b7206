// The parties, the balance and the payment slip of a loaded request.

#include <libxml/tree.h>

#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"

namespace invoice_xml {
namespace read_detail {

using invoice::Address;
using invoice::InvoiceRequest;

namespace {

std::string OptionalText(const xmlNode* parent, const char* name) {
    const xmlNode* node = Child(parent, name);
    return node != nullptr ? Text(node) : std::string();
}

void ReadPostal(const xmlNode* node, invoice::PostalAddress* postal) {
    postal->pobox = OptionalText(node, "pobox");
    postal->street = OptionalText(node, "street");
    const xmlNode* zip = Child(node, "zip");
    postal->zip = Text(zip);
    postal->statecode = Attr(zip, "statecode");
    postal->countrycode = Attr(zip, "countrycode");
    postal->city = OptionalText(node, "city");
}

void ReadTelecomAndOnline(const xmlNode* node, Address* address) {
    if (const xmlNode* telecom = Child(node, "telecom")) {
        for (const xmlNode* item = FirstElement(telecom); item; item = NextElement(item)) {
            invoice::PhoneNumber number;
            number.number = Text(item);
            (NameOf(item) == "fax" ? address->faxes : address->phones).push_back(number);
        }
    }
    if (const xmlNode* online = Child(node, "online")) {
        for (const xmlNode* item = FirstElement(online); item; item = NextElement(item)) {
            (NameOf(item) == "url" ? address->urls : address->emails).push_back(Text(item));
        }
    }
}

template <typename Party>
void ReadPartyIds(const xmlNode* node, Party* party) {
    party->ean = Attr(node, "ean_party");
    party->zsr = Attr(node, "zsr");
    party->specialty = Attr(node, "specialty");
    party->address = ReadAddress(node);
}

invoice::Patient ReadPatient(const xmlNode* node) {
    invoice::Patient patient;
    patient.sex = EnumAttr(node, "gender", invoice::SexType::kMale);
    patient.birthdate = DateAttr(node, "birthdate");
    patient.ssn = Attr(node, "ssn");
    patient.address = ReadAddress(node);
    return patient;
}

invoice::InsuranceCard ReadCard(const xmlNode* node) {
    invoice::InsuranceCard card;
    card.card_id = Attr(node, "card_id");
    card.expiry_date = OptionalDateAttr(node, "expiry_date");
    card.validation_date = OptionalDateAttr(node, "validation_date");
    card.validation_id = Attr(node, "validation_id");
    card.validation_server = Attr(node, "validation_server");
    return card;
}

void ReadBalance(const xmlNode* node, InvoiceRequest* request) {
    invoice::Balance& balance = request->balance;
    const invoice::Decimal zero;
    balance.amount = NumberAttr(node, "amount", zero);
    balance.amount_reminder = NumberAttr(node, "amount_reminder", zero);
    balance.amount_prepaid = NumberAttr(node, "amount_prepaid", zero);
    balance.amount_due = NumberAttr(node, "amount_due", zero);
    balance.amount_obligations = NumberAttr(node, "amount_obligations", zero);
    balance.round_difference =
        balance.amount_due - (balance.amount + balance.amount_reminder - balance.amount_prepaid);
    const xmlNode* vat = Child(node, "vat");
    balance.vat_number = Attr(vat, "vat_number");
    balance.vat = NumberAttr(vat, "vat", zero);
    for (const xmlNode* rate = FirstElement(vat); rate; rate = NextElement(rate)) {
        invoice::VatRateLine line;
        line.vat_rate = NumberAttr(rate, "vat_rate", zero);
        line.amount = NumberAttr(rate, "amount", zero);
        line.vat = NumberAttr(rate, "vat", zero);
        balance.vat_rates.push_back(line);
    }
}

void ReadParty(const xmlNode* node, InvoiceRequest* request) {
    std::string name = NameOf(node);
    if (name == "biller") {
        invoice::Biller& biller = request->biller.emplace();
        ReadPartyIds(node, &biller);
        biller.uid_number = Attr(node, "uid_number");
    } else if (name == "debitor") {
        request->debitor.emplace().ean = Attr(node, "ean_party");
        request->debitor->address = ReadAddress(node);
    } else if (name == "provider") {
        ReadPartyIds(node, &request->provider.emplace());
    } else if (name == "insurance") {
        request->insurance.emplace().ean = Attr(node, "ean_party");
        request->insurance->address = ReadAddress(node);
    } else if (name == "patient") {
        request->patient = ReadPatient(node);
        if (const xmlNode* card = Child(node, "card")) request->card = ReadCard(card);
    } else if (name == "insured") {
        request->insured = ReadPatient(node);
        if (const xmlNode* card = Child(node, "card")) request->insured_card = ReadCard(card);
    } else if (name == "guarantor") {
        request->guarantor.emplace().address = ReadAddress(node);
    } else if (name == "referrer") {
        ReadPartyIds(node, &request->referrer.emplace());
    } else if (name == "employer") {
        invoice::Employer& employer = request->employer.emplace();
        employer.ean = Attr(node, "ean_party");
        employer.reg_number = Attr(node, "reg_number");
        employer.address = ReadAddress(node);
    } else if (name == "balance") {
        ReadBalance(node, request);
    }
}

void ReadSlipParts(const xmlNode* node, invoice::Esr* esr) {
    if (const xmlNode* bank = Child(node, "bank")) esr->bank = ReadAddress(bank);
    if (const xmlNode* creditor = Child(node, "creditor")) esr->creditor = ReadAddress(creditor);
    for (const xmlNode* item = FirstElement(node); item; item = NextElement(item)) {
        if (NameOf(item) != "payment_reason") continue;
        if (!esr->remarks.empty()) esr->remarks += '\n';
        esr->remarks += Text(item);
    }
}

}  // namespace

Address ReadAddress(const xmlNode* parent) {
    Address address;
    const xmlNode* node = Child(parent, "person");
    if (node != nullptr) {
        address.type = invoice::AddressType::kPerson;
        address.person.salutation = Attr(node, "salutation");
        address.person.title = Attr(node, "title");
        address.person.familyname = OptionalText(node, "familyname");
        address.person.givenname = OptionalText(node, "givenname");
        address.person.subaddressing = OptionalText(node, "subaddressing");
    } else if ((node = Child(parent, "company")) != nullptr) {
        address.type = invoice::AddressType::kCompany;
        address.company.companyname = OptionalText(node, "companyname");
        address.company.department = OptionalText(node, "department");
        address.company.subaddressing = OptionalText(node, "subaddressing");
    } else {
        return address;
    }
    if (const xmlNode* postal = Child(node, "postal")) ReadPostal(postal, &address.postal);
    ReadTelecomAndOnline(node, &address);
    return address;
}

void ReadTiers(const xmlNode* tiers, InvoiceRequest* request) {
    invoice::Tiers& out = request->tiers.emplace();
    out.mode =
        NameOf(tiers) == "tiers_payant" ? invoice::TiersMode::kPayant : invoice::TiersMode::kGarant;
    if (HasAttr(tiers, "payment_period") && request->esr) {
        request->esr->payment_period_text =
            DurationAttr(tiers, "payment_period", &request->esr->payment_period_days);
    }
    for (const xmlNode* child = FirstElement(tiers); child; child = NextElement(child)) {
        ReadParty(child, request);
    }
    out.vat_number = request->balance.vat_number;
    out.amount_prepaid = request->balance.amount_prepaid;
}

void ReadEsr(const xmlNode* node, InvoiceRequest* request) {
    invoice::Esr& esr = request->esr.emplace();
    std::string name = NameOf(node);
    if (name == "esr9") {
        esr.type = EnumAttr(node, "type", invoice::EsrType::kEsr16or27);
        esr.participant_number = Attr(node, "participant_number");
        esr.reference_number = Attr(node, "reference_number");
        esr.coding_line = Attr(node, "coding_line");
    } else if (name == "esrRed") {
        esr.type = invoice::EsrType::kEsrRed;
        esr.payment_to = EnumAttr(node, "payment_to", invoice::PaymentTo::kPostalAccount);
        esr.post_account = Attr(node, "post_account");
        esr.iban = Attr(node, "iban");
        esr.reference_number = Attr(node, "reference_number");
        esr.coding_line1 = Attr(node, "coding_line1");
        esr.coding_line2 = Attr(node, "coding_line2");
    } else {
        esr.type = EnumAttr(node, "type", invoice::EsrType::kEsrQR);
        esr.iban = Attr(node, "iban");
        esr.reference_number = Attr(node, "reference_number");
        esr.customer_note = Attr(node, "customer_note");
    }
    ReadSlipParts(node, &esr);
}

}  // namespace read_detail
}  // namespace invoice_xml
