#include "module/model/balance.h"

#include <cassert>
#include <string>
#include <utility>

namespace invoice {

namespace {

const Decimal kOneCent = Decimal::DivideRounded(Decimal::FromInt(1), Decimal::FromInt(100), 2);
const Decimal kHundred = Decimal::FromInt(100);

Decimal PartAmount(const Decimal& quantity, const TariffPart& part) {
    return (quantity * part.unit * part.unit_factor * part.scale_factor * part.external_factor)
        .RoundToCents();
}

// Accepts a client's figure within a cent of the computed one. On success
// *accepted is the client's figure (or the computed one when not given).
bool AcceptFigure(const ServiceRecord& record, const char* what, const Decimal& given,
                  const Decimal& computed, Decimal* accepted, std::string* error) {
    if (!computed.IsValid() || !given.IsValid()) {
        *error = RecordName(record) + ": " + what + " cannot be computed (number out of range)";
        return false;
    }
    if (given.IsZero()) {
        *accepted = computed;
        return true;
    }
    const Decimal client = given.RoundToCents();
    if ((client - computed).Abs() > kOneCent) {
        *error = RecordName(record) + ": " + what + " " + client.ToFixed(2) +
                 " differs from the computed " + what + " " + computed.ToFixed(2) +
                 " by more than 0.01";
        return false;
    }
    *accepted = client;
    return true;
}

// Checks and fills the amounts of one record.
bool SettleRecord(ServiceRecord* record, std::string* error) {
    if (!record->vat_rate.IsValid() || record->vat_rate.IsNegative() ||
        record->vat_rate > kHundred) {
        *error = RecordName(*record) + ": vat rate " + record->vat_rate.ToString() +
                 " is not between 0 and 100";
        return false;
    }
    const ServiceAmounts computed = ComputeServiceAmounts(*record);
    if (record->kind == ServiceKind::kServiceEx) {
        if (!AcceptFigure(*record, "amount_mt", record->mt.amount, computed.amount_mt,
                          &record->mt.amount, error) ||
            !AcceptFigure(*record, "amount_tt", record->tt.amount, computed.amount_tt,
                          &record->tt.amount, error)) {
            return false;
        }
    }
    return AcceptFigure(*record, "amount", record->amount, computed.amount, &record->amount, error);
}

// Adds `amount` to the line of `rate`, keeping the lines ascending by rate.
void AddToVatLine(std::vector<VatRateLine>* lines, const Decimal& rate, const Decimal& amount) {
    auto it = lines->begin();
    while (it != lines->end() && it->vat_rate < rate) ++it;
    if (it == lines->end() || it->vat_rate != rate) {
        it = lines->insert(it, VatRateLine{rate, Decimal(), Decimal()});
    }
    it->amount += amount;
}

Balance SumUp(const std::vector<ServiceRecord>& services, const BalanceInput& input) {
    Balance balance;
    for (const ServiceRecord& record : services) {
        balance.amount += record.amount;
        if (record.obligation) balance.amount_obligations += record.amount;
        AddToVatLine(&balance.vat_rates, record.vat_rate, record.amount);
    }
    for (VatRateLine& line : balance.vat_rates) {
        line.vat = Decimal::DivideRounded(line.amount * line.vat_rate, kHundred + line.vat_rate, 2);
        balance.vat += line.vat;
    }
    balance.vat_number = input.vat_number;
    balance.amount_reminder = input.amount_reminder;
    if (input.tiers_mode == TiersMode::kGarant) balance.amount_prepaid = input.amount_prepaid;
    const Decimal exact_due = balance.amount + balance.amount_reminder - balance.amount_prepaid;
    balance.amount_due = exact_due.RoundToFiveCents();
    balance.round_difference = balance.amount_due - exact_due;
    return balance;
}

bool AllValid(const Balance& balance) {
    if (!balance.amount_due.IsValid() || !balance.round_difference.IsValid() ||
        !balance.amount_obligations.IsValid() || !balance.vat.IsValid()) {
        return false;
    }
    for (const VatRateLine& line : balance.vat_rates) {
        if (!line.amount.IsValid() || !line.vat.IsValid()) return false;
    }
    return true;
}

}  // namespace

std::string RecordName(const ServiceRecord& record) {
    return "service record " + std::to_string(record.record_id) + " (tariff " + record.tariff_type +
           ", code " + record.code + ")";
}

ServiceAmounts ComputeServiceAmounts(const ServiceRecord& record) {
    ServiceAmounts amounts;
    if (record.kind == ServiceKind::kService) {
        amounts.amount =
            (record.quantity * record.unit * record.unit_factor * record.external_factor)
                .RoundToCents();
        return amounts;
    }
    amounts.amount_mt = PartAmount(record.quantity, record.mt);
    amounts.amount_tt = PartAmount(record.quantity, record.tt);
    switch (record.billing_role) {
        case BillingRole::kMT:
            amounts.amount = amounts.amount_mt;
            break;
        case BillingRole::kTT:
            amounts.amount = amounts.amount_tt;
            break;
        case BillingRole::kBoth:
            amounts.amount = amounts.amount_mt + amounts.amount_tt;
            break;
        case BillingRole::kNone:
            amounts.amount = Decimal();
            break;
    }
    return amounts;
}

FinalizeResult ComputeFinalBalance(const std::vector<ServiceRecord>& services,
                                   const BalanceInput& input) {
    FinalizeResult result;
    result.services = services;
    int32_t next_id = 1;
    for (ServiceRecord& record : result.services) {
        record.record_id = next_id++;
        if (!SettleRecord(&record, &result.error)) return result;
    }
    if (!input.amount_prepaid.IsValid() || !input.amount_reminder.IsValid()) {
        result.error = "the prepaid or reminder amount is out of range";
        return result;
    }
    result.balance = SumUp(result.services, input);
    if (!AllValid(result.balance)) {
        result.error = "the balance cannot be computed (number out of range)";
        return result;
    }
    result.ok = true;
    return result;
}

BalanceInput BalanceInputOf(const InvoiceRequest& request) {
    BalanceInput input;
    if (request.tiers) {
        input.tiers_mode = request.tiers->mode;
        input.amount_prepaid = request.tiers->amount_prepaid;
        input.vat_number = request.tiers->vat_number;
    }
    if (request.reminder) input.amount_reminder = request.reminder->amount_reminder;
    return input;
}

bool FinalizeBalance(InvoiceRequest* request, std::string* error) {
    assert(request != nullptr && error != nullptr);
    FinalizeResult result = ComputeFinalBalance(request->services, BalanceInputOf(*request));
    if (!result.ok) {
        *error = result.error;
        return false;
    }
    request->services = std::move(result.services);
    request->balance = std::move(result.balance);
    request->finalized = true;
    return true;
}

}  // namespace invoice
