// The identifiers and payment data of a whole invoice, checked as the
// setters check them one by one.

#include "module/checks/check_esr.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/check_payment.h"
#include "module/checks/invoice_checks.h"
#include "module/model/balance.h"

namespace checks {

namespace {

class Findings {
  public:
    // Adds "<where>: <rule>" when `result` failed.
    void Add(const std::string& where, const CheckResult& result) {
        if (!result.ok) lines_.push_back(where + ": " + result.rule);
    }
    void Optional(const std::string& where, const std::string& value,
                  CheckResult (*check)(std::string_view)) {
        if (!value.empty()) Add(where, check(value));
    }
    std::vector<std::string> Take() { return std::move(lines_); }

  private:
    std::vector<std::string> lines_;
};

// A Swiss social security number proves its check digit; older and foreign
// numbers are taken as the schema takes them.
CheckResult CheckPersonSsn(std::string_view value) {
    if (value.size() == 13 && value.substr(0, 3) == "756") return CheckAhvNumber(value);
    return CheckSsn(value);
}

template <typename Party>
void CheckPartyIds(const std::string& name, const Party& party, bool zsr_required,
                   Findings* findings) {
    findings->Add(name + " ean_party", CheckGln(party.ean));
    if (zsr_required) {
        findings->Add(name + " zsr", CheckZsr(party.zsr));
    } else {
        findings->Optional(name + " zsr", party.zsr, CheckZsr);
    }
}

void CheckParties(const invoice::InvoiceRequest& invoice, Findings* findings) {
    if (invoice.transport) {
        findings->Add("transport from", CheckGln(invoice.transport->from_ean));
        findings->Add("transport to", CheckGln(invoice.transport->to_ean));
        for (const invoice::TransportVia& via : invoice.transport->vias) {
            findings->Add("transport via", CheckGln(via.ean));
        }
    }
    if (invoice.biller) CheckPartyIds("biller", *invoice.biller, false, findings);
    if (invoice.provider) CheckPartyIds("provider", *invoice.provider, true, findings);
    if (invoice.debitor) findings->Add("debitor ean_party", CheckGln(invoice.debitor->ean));
    if (invoice.insurance) findings->Add("insurance ean_party", CheckGln(invoice.insurance->ean));
    if (invoice.referrer) {
        findings->Optional("referrer ean_party", invoice.referrer->ean, CheckGln);
        findings->Optional("referrer zsr", invoice.referrer->zsr, CheckZsr);
    }
    if (invoice.employer) findings->Optional("employer ean_party", invoice.employer->ean, CheckGln);
    if (invoice.patient) findings->Optional("patient ssn", invoice.patient->ssn, CheckPersonSsn);
    if (invoice.insured) findings->Optional("insured ssn", invoice.insured->ssn, CheckPersonSsn);
    for (const invoice::ServiceRecord& record : invoice.services) {
        findings->Add(invoice::RecordName(record) + " provider_id", CheckGln(record.provider_ean));
        findings->Add(invoice::RecordName(record) + " responsible_id",
                      CheckGln(record.responsible_ean));
    }
}

// The amount an esr9 coding line carries ("01" and ten digits of cents),
// against the amount due.
void CheckCodingLineAmount(const invoice::InvoiceRequest& invoice, Findings* findings) {
    const std::string& line = invoice.esr->coding_line;
    if (line.size() < 13 || line.compare(0, 2, "01") != 0) return;
    invoice::Decimal cents;
    if (!invoice::Decimal::Parse(line.substr(2, 10), &cents)) return;
    invoice::Decimal amount =
        invoice::Decimal::DivideRounded(cents, invoice::Decimal::FromInt(100), 2);
    if (amount != invoice.balance.amount_due) {
        findings->Add("esr9 coding_line",
                      Failed("carries the amount " + amount.ToFixed(2) + ", the amount due is " +
                             invoice.balance.amount_due.ToFixed(2)));
    }
}

void CheckSlip(const invoice::InvoiceRequest& invoice, Findings* findings) {
    const invoice::Esr& esr = *invoice.esr;
    if (invoice::IsEsr9Type(esr.type)) {
        findings->Add("esr9 participant_number", CheckEsrParticipantNumber(esr.participant_number));
        findings->Add("esr9 reference_number", CheckEsrReference(esr.reference_number));
        findings->Optional("esr9 coding_line", esr.coding_line, CheckEsrCodingLine);
        CheckCodingLineAmount(invoice, findings);
    } else if (esr.type == invoice::EsrType::kEsrRed) {
        findings->Add("esrRed post_account", CheckPostAccount(esr.post_account));
        findings->Optional("esrRed iban", esr.iban, CheckSwissIban);
        findings->Optional("esrRed reference_number", esr.reference_number, CheckEsrRedReference);
        findings->Optional("esrRed coding_line1", esr.coding_line1, CheckEsrRedCodingLine1);
        findings->Optional("esrRed coding_line2", esr.coding_line2, CheckEsrRedCodingLine2);
    } else {
        const bool with_reference = esr.type != invoice::EsrType::kRedPayinSlipQR;
        findings->Add(
            "esrQR iban and reference_number",
            CheckQrIbanAndReference(esr.iban, with_reference ? esr.reference_number : ""));
    }
}

}  // namespace

std::vector<std::string> CheckInvoiceIdentifiers(const invoice::InvoiceRequest& invoice) {
    Findings findings;
    CheckParties(invoice, &findings);
    if (invoice.esr) CheckSlip(invoice, &findings);
    return findings.Take();
}

}  // namespace checks
