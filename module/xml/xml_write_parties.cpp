// The parties, the balance and the payment slip of the request document.

#include <sstream>

#include "module/checks/check_esr.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_writer.h"

namespace invoice_xml {
namespace write_detail {

using invoice::Address;
using invoice::InvoiceRequest;

namespace {

void WritePostal(Element* parent, const Context& context, const invoice::PostalAddress& postal) {
    Element* node = AddElement(parent, context, "postal");
    if (!postal.pobox.empty()) AddTextElement(node, context, "pobox", postal.pobox);
    if (!postal.street.empty()) AddTextElement(node, context, "street", postal.street);
    Element* zip = AddTextElement(node, context, "zip", postal.zip);
    SetAttr(zip, "statecode", postal.statecode);
    SetAttr(zip, "countrycode", postal.countrycode);
    AddTextElement(node, context, "city", postal.city);
}

void WriteTelecomAndOnline(Element* parent, const Context& context, const Address& address) {
    if (!address.phones.empty() || !address.faxes.empty()) {
        Element* telecom = AddElement(parent, context, "telecom");
        for (const invoice::PhoneNumber& phone : address.phones) {
            AddTextElement(telecom, context, "phone", invoice::PhoneText(phone));
        }
        for (const invoice::PhoneNumber& fax : address.faxes) {
            AddTextElement(telecom, context, "fax", invoice::PhoneText(fax));
        }
    }
    if (!address.emails.empty() || !address.urls.empty()) {
        Element* online = AddElement(parent, context, "online");
        for (const std::string& email : address.emails) {
            AddTextElement(online, context, "email", email);
        }
        for (const std::string& url : address.urls) AddTextElement(online, context, "url", url);
    }
}

void WriteOptionalText(Element* parent, const Context& context, const char* name,
                       const std::string& text) {
    if (!text.empty()) AddTextElement(parent, context, name, text);
}

// A person's or company's EAN party attributes shared by biller, provider
// and referrer.
template <typename Party>
void SetPartyIds(Element* node, const Party& party) {
    SetAttr(node, "ean_party", party.ean);
    SetAttr(node, "zsr", party.zsr);
    SetAttr(node, "specialty", party.specialty);
}

// The element `name` holding the party's address.
Element* WriteParty(Element* parent, const Context& context, const char* name,
                    const std::optional<Address>& address) {
    Element* node = AddElement(parent, context, name);
    if (address) WriteAddress(node, context, *address);
    return node;
}

void WritePatient(Element* parent, const Context& context, const char* name,
                  const invoice::Patient& patient,
                  const std::optional<invoice::InsuranceCard>& card) {
    Element* node = WriteParty(parent, context, name, patient.address);
    SetAttr(node, "gender", invoice::SchemaText(patient.sex));
    SetDate(node, "birthdate", patient.birthdate);
    SetAttr(node, "ssn", patient.ssn);
    if (!card) return;
    Element* element = AddElement(node, context, "card");
    SetAttr(element, "card_id", card->card_id);
    if (card->expiry_date) SetDate(element, "expiry_date", *card->expiry_date);
    if (card->validation_date) SetDate(element, "validation_date", *card->validation_date);
    SetAttr(element, "validation_id", card->validation_id);
    SetAttr(element, "validation_server", card->validation_server);
}

void WriteBalance(Element* tiers, const Context& context, const InvoiceRequest& request,
                  bool garant) {
    const invoice::Balance& balance = request.balance;
    Element* node = AddElement(tiers, context, "balance");
    SetAttr(node, "currency", "CHF");
    SetAttr(node, "amount", FormatAmount(balance.amount));
    SetAttr(node, "amount_reminder", FormatAmount(balance.amount_reminder));
    if (garant) SetAttr(node, "amount_prepaid", FormatAmount(balance.amount_prepaid));
    SetAttr(node, "amount_due", FormatAmount(balance.amount_due));
    SetAttr(node, "amount_obligations", FormatAmount(balance.amount_obligations));
    Element* vat = AddElement(node, context, "vat");
    std::string vat_number = balance.vat_number;
    if (vat_number.empty() && request.tiers) vat_number = request.tiers->vat_number;
    SetAttr(vat, "vat_number", vat_number);
    SetAttr(vat, "vat", FormatAmount(balance.vat));
    std::vector<invoice::VatRateLine> lines = balance.vat_rates;
    if (lines.empty()) lines.push_back(invoice::VatRateLine());
    for (const invoice::VatRateLine& line : lines) {
        Element* rate = AddElement(vat, context, "vat_rate");
        SetAttr(rate, "vat_rate", FormatNumber(line.vat_rate));
        SetAttr(rate, "amount", FormatAmount(line.amount));
        SetAttr(rate, "vat", FormatAmount(line.vat));
    }
}

// A participant number or post account in the printed layout "01-162-8"
// as held (a loaded file's keeps its zeros: "01-000162-8"), else printed.
std::string PrintedAccount(const std::string& account) {
    size_t first = account.find('-');
    size_t second = account.find('-', first + 1);
    bool printed = first == 2 && second != std::string::npos && second > 3 && second <= 9 &&
                   second + 2 == account.size() &&
                   account.find_first_not_of("0123456789-") == std::string::npos;
    if (printed) return account;
    std::string formatted = checks::FormatParticipantNumber(account);
    return formatted.empty() ? account : formatted;
}

// The slip's address elements and up to four payment reasons.
void WriteSlipParts(Element* node, const Context& context, const invoice::Esr& esr,
                    bool with_reasons) {
    if (esr.bank) WriteAddress(AddElement(node, context, "bank"), context, *esr.bank);
    if (esr.creditor) {
        WriteAddress(AddElement(node, context, "creditor"), context, *esr.creditor);
    }
    if (!with_reasons || esr.remarks.empty()) return;
    std::istringstream lines(esr.remarks);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) AddTextElement(node, context, "payment_reason", line);
    }
}

void WriteEsr9(Element* body, const Context& context, const InvoiceRequest& request) {
    const invoice::Esr& esr = *request.esr;
    Element* node = AddElement(body, context, "esr9");
    SetAttr(node, "type", invoice::SchemaText(esr.type));
    SetAttr(node, "participant_number", PrintedAccount(esr.participant_number));
    bool reference_ok = checks::CheckEsrReference(esr.reference_number).ok;
    SetAttr(node, "reference_number",
            reference_ok ? checks::FormatEsrReference(esr.reference_number) : esr.reference_number);
    if (!esr.coding_line.empty()) {
        SetAttr(node, "coding_line", esr.coding_line);
    } else if (reference_ok && checks::CheckEsrParticipantNumber(esr.participant_number).ok) {
        long long cents = -1;
        if (esr.type == invoice::EsrType::kEsr16or27) {
            std::string fixed = request.balance.amount_due.ToFixed(2);
            std::string digits;
            for (char c : fixed) {
                if (c >= '0' && c <= '9') digits += c;
            }
            cents = digits.size() <= 10 && !request.balance.amount_due.IsNegative()
                        ? std::stoll(digits)
                        : -1;
        }
        SetAttr(node, "coding_line",
                checks::MakeEsrCodingLine(cents, esr.reference_number, esr.participant_number));
    }
    WriteSlipParts(node, context, esr, false);
}

// The red slip's coding lines: line 1 the reference (27 digits, right
// aligned) with the bank's clearing part of the IBAN, or the post account
// alone; line 2 the post account.
void SetEsrRedCodingLines(Element* node, const invoice::Esr& esr) {
    if (!esr.coding_line1.empty() || !esr.coding_line2.empty()) {
        SetAttr(node, "coding_line1", esr.coding_line1);
        SetAttr(node, "coding_line2", esr.coding_line2);
        return;
    }
    std::string account = checks::ParticipantNumberDigits(esr.post_account);
    if (account.empty()) return;
    std::string line1 = account + ">";
    if (!esr.iban.empty() && esr.iban.size() >= 9) {
        std::string reference;
        for (char c : esr.reference_number) {
            reference += (c >= '0' && c <= '9') ? c : '0';
        }
        if (reference.size() < 27) reference.insert(0, 27 - reference.size(), '0');
        line1 = reference.substr(reference.size() - 27) + "+ 07" + esr.iban.substr(2, 7) + ">";
    }
    SetAttr(node, "coding_line1", line1);
    SetAttr(node, "coding_line2", account + ">");
}

void WriteEsrRed(Element* body, const Context& context, const invoice::Esr& esr) {
    Element* node = AddElement(body, context, "esrRed");
    invoice::PaymentTo payee = esr.payment_to.value_or(
        esr.iban.empty() ? invoice::PaymentTo::kPostalAccount : invoice::PaymentTo::kBankAccount);
    SetAttr(node, "payment_to", invoice::SchemaText(payee));
    SetAttr(node, "post_account", PrintedAccount(esr.post_account));
    SetAttr(node, "iban", esr.iban);
    SetAttr(node, "reference_number", esr.reference_number);
    SetEsrRedCodingLines(node, esr);
    WriteSlipParts(node, context, esr, true);
}

void WriteEsrQR(Element* body, const Context& context, const invoice::Esr& esr) {
    Element* node = AddElement(body, context, "esrQR");
    SetAttr(node, "type", invoice::SchemaText(esr.type));
    SetAttr(node, "iban", esr.iban);
    SetAttr(node, "reference_number", esr.reference_number);
    SetAttr(node, "customer_note", esr.customer_note);
    WriteSlipParts(node, context, esr, true);
}

}  // namespace

void WriteAddress(Element* parent, const Context& context, const Address& address) {
    bool company = address.type == invoice::AddressType::kCompany ||
                   (address.type == invoice::AddressType::kUndefined &&
                    address.person.familyname.empty() && !address.company.companyname.empty());
    if (company) {
        Element* node = AddElement(parent, context, "company");
        AddTextElement(node, context, "companyname", address.company.companyname);
        WriteOptionalText(node, context, "department", address.company.department);
        WriteOptionalText(node, context, "subaddressing", address.company.subaddressing);
        WritePostal(node, context, address.postal);
        WriteTelecomAndOnline(node, context, address);
        return;
    }
    Element* node = AddElement(parent, context, "person");
    SetAttr(node, "salutation", address.person.salutation);
    SetAttr(node, "title", address.person.title);
    AddTextElement(node, context, "familyname", address.person.familyname);
    AddTextElement(node, context, "givenname", address.person.givenname);
    WriteOptionalText(node, context, "subaddressing", address.person.subaddressing);
    WritePostal(node, context, address.postal);
    WriteTelecomAndOnline(node, context, address);
}

void WriteTiers(Element* body, const Context& context, const InvoiceRequest& request) {
    bool garant = !request.tiers || request.tiers->mode == invoice::TiersMode::kGarant;
    Element* node = AddElement(body, context, garant ? "tiers_garant" : "tiers_payant");
    if (request.esr && !request.esr->payment_period_text.empty()) {
        SetAttr(node, "payment_period", request.esr->payment_period_text);
    } else if (request.esr && request.esr->payment_period_days > 0) {
        SetAttr(node, "payment_period", FormatDays(request.esr->payment_period_days));
    }
    if (request.biller) {
        Element* biller = WriteParty(node, context, "biller", request.biller->address);
        SetPartyIds(biller, *request.biller);
        SetAttr(biller, "uid_number", request.biller->uid_number);
    }
    if (request.debitor) {
        Element* debitor = WriteParty(node, context, "debitor", request.debitor->address);
        SetAttr(debitor, "ean_party", request.debitor->ean);
    }
    if (request.provider) {
        SetPartyIds(WriteParty(node, context, "provider", request.provider->address),
                    *request.provider);
    }
    if (request.insurance) {
        Element* insurance = WriteParty(node, context, "insurance", request.insurance->address);
        SetAttr(insurance, "ean_party", request.insurance->ean);
    }
    if (request.patient) WritePatient(node, context, "patient", *request.patient, request.card);
    if (request.insured) {
        WritePatient(node, context, "insured", *request.insured, request.insured_card);
    }
    if (request.guarantor) WriteParty(node, context, "guarantor", request.guarantor->address);
    if (request.referrer) {
        SetPartyIds(WriteParty(node, context, "referrer", request.referrer->address),
                    *request.referrer);
    }
    if (request.employer) {
        Element* employer = WriteParty(node, context, "employer", request.employer->address);
        SetAttr(employer, "ean_party", request.employer->ean);
        SetAttr(employer, "reg_number", request.employer->reg_number);
    }
    WriteBalance(node, context, request, garant);
}

void WriteEsr(Element* body, const Context& context, const InvoiceRequest& request) {
    if (!request.esr) return;
    if (invoice::IsEsr9Type(request.esr->type)) {
        WriteEsr9(body, context, request);
    } else if (request.esr->type == invoice::EsrType::kEsrRed) {
        WriteEsrRed(body, context, *request.esr);
    } else {
        WriteEsrQR(body, context, *request.esr);
    }
}

}  // namespace write_detail
}  // namespace invoice_xml
