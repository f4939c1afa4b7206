// The balance a loaded invoice carries, against the one its services give.

#include "module/checks/invoice_checks.h"
#include "module/model/balance.h"

namespace checks {

namespace {

const invoice::Decimal& Cent() {
    static const invoice::Decimal cent = invoice::Decimal::DivideRounded(
        invoice::Decimal::FromInt(1), invoice::Decimal::FromInt(100), 2);
    return cent;
}

bool Near(const invoice::Decimal& a, const invoice::Decimal& b) {
    return (a - b).Abs() <= Cent();
}

std::string Differs(const std::string& what, const invoice::Decimal& filed,
                    const invoice::Decimal& computed) {
    return "balance: " + what + " " + filed.ToFixed(2) + " as filed differs from " +
           computed.ToFixed(2) + " computed from the services";
}

// The filed VAT line of `rate`, or null.
const invoice::VatRateLine* FiledLine(const invoice::Balance& balance,
                                      const invoice::Decimal& rate) {
    for (const invoice::VatRateLine& line : balance.vat_rates) {
        if (line.vat_rate == rate) return &line;
    }
    return nullptr;
}

void CompareVatLines(const invoice::Balance& filed, const invoice::Balance& computed,
                     std::vector<std::string>* findings) {
    for (const invoice::VatRateLine& line : computed.vat_rates) {
        const std::string rate = "VAT rate " + line.vat_rate.ToString() + "%";
        const invoice::VatRateLine* own = FiledLine(filed, line.vat_rate);
        if (own == nullptr) {
            findings->push_back("balance: the " + rate + " line with the amount " +
                                line.amount.ToFixed(2) + " and the VAT " + line.vat.ToFixed(2) +
                                " computed from the services is not filed");
            continue;
        }
        if (!Near(own->amount, line.amount)) {
            findings->push_back(Differs("the amount at " + rate, own->amount, line.amount));
        }
        if (!Near(own->vat, line.vat)) {
            findings->push_back(Differs("the VAT at " + rate, own->vat, line.vat));
        }
    }
    // A filed line of no service is a finding unless it is empty.
    for (const invoice::VatRateLine& line : filed.vat_rates) {
        bool empty = line.amount.IsZero() && line.vat.IsZero();
        if (!empty && FiledLine(computed, line.vat_rate) == nullptr) {
            findings->push_back(Differs("the amount at VAT rate " + line.vat_rate.ToString() + "%",
                                        line.amount, invoice::Decimal()));
        }
    }
}

}  // namespace

std::vector<std::string> CheckFiledBalance(const invoice::InvoiceRequest& invoice) {
    std::vector<std::string> findings;
    invoice::FinalizeResult result =
        invoice::ComputeFinalBalance(invoice.services, invoice::BalanceInputOf(invoice));
    if (!result.ok) return {result.error};
    const invoice::Balance& filed = invoice.balance;
    const invoice::Balance& computed = result.balance;
    if (!Near(filed.amount, computed.amount)) {
        findings.push_back(Differs("the amount", filed.amount, computed.amount));
    }
    if (!Near(filed.amount_obligations, computed.amount_obligations)) {
        findings.push_back(Differs("the obligatory amount", filed.amount_obligations,
                                   computed.amount_obligations));
    }
    CompareVatLines(filed, computed, &findings);
    if (!Near(filed.vat, computed.vat)) {
        findings.push_back(Differs("the VAT", filed.vat, computed.vat));
    }
    // The amount due may be filed rounded to 0.05 or exact.
    const invoice::Decimal exact_due = computed.amount_due - computed.round_difference;
    if (!Near(filed.amount_due, computed.amount_due) && !Near(filed.amount_due, exact_due)) {
        findings.push_back(Differs("the amount due", filed.amount_due, computed.amount_due));
    }
    return findings;
}

}  // namespace checks
