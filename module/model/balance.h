#pragma once

#include <string>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"
#include "module/model/invoice_model.h"

namespace invoice {

// The arithmetic of Finalize: record amounts, totals, VAT and the amount due.
// Pure functions over the model; all rounding is half away from zero on the
// exact decimal value.
//
// Record amounts (CHF, rounded to 0.01):
//   service:     quantity x unit x unit_factor x external_factor
//   service_ex:  amount_mt = quantity x unit_mt x unit_factor_mt
//                            x scale_factor_mt x external_factor_mt
//                amount_tt = the same with the _tt values
//                amount    = the parts the billing role bills: mt -> amount_mt,
//                            tt -> amount_tt, both -> their sum, none -> 0
// A figure the client gave (not 0) is accepted when it is within 0.01 of the
// computed one and is then kept (rounded to 0.01): the client's own rounding
// of a sum may differ by a cent. A figure further off refuses the whole
// Finalize. A figure not given (0) is replaced by the computed one.
//
// Balance:
//   amount             = sum of the record amounts (VAT included)
//   amount_obligations = sum of the amounts of records with obligation
//   vat per rate       = (sum of the amounts at that rate) x rate / (100 + rate),
//                        rounded to 0.01; total vat = sum of the rates' vat
//   amount_due         = amount + amount_reminder - amount_prepaid, rounded to
//                        0.05; amount_prepaid counts for tiers garant only
//   round_difference   = amount_due - (its unrounded value)   (pdRoundDifference)

// "service record 2 (tariff 999, code GA)": how texts name a record.
std::string RecordName(const ServiceRecord& record);

// The figures of one record as computed from its units and factors.
struct ServiceAmounts {
    Decimal amount_mt;  // service_ex only, 0 otherwise
    Decimal amount_tt;  // service_ex only, 0 otherwise
    Decimal amount;
};

// Computes the rounded figures of `record`. A figure that overflows is the
// invalid Decimal.
ServiceAmounts ComputeServiceAmounts(const ServiceRecord& record);

// What the balance needs besides the records.
struct BalanceInput {
    TiersMode tiers_mode = TiersMode::kGarant;
    Decimal amount_prepaid;   // SetTiers
    Decimal amount_reminder;  // SetReminder
    std::string vat_number;   // SetTiers
};

// The outcome of Finalize's arithmetic. When `ok` is false, `error` says
// why (for a refused amount it names the record and both figures, e.g.
// "service record 2 (tariff 999, code GA): amount 12.50 differs from the
// computed amount 12.30 by more than 0.01") and the other members are not
// to be used.
struct FinalizeResult {
    bool ok = false;
    std::string error;
    std::vector<ServiceRecord> services;  // record ids 1, 2, 3, ...; accepted amounts
    Balance balance;
};

FinalizeResult ComputeFinalBalance(const std::vector<ServiceRecord>& services,
                                   const BalanceInput& input);

// The balance input of a request: its tiers and reminder sections (missing
// ones count as tiers garant without prepaid amount and no reminder fee).
BalanceInput BalanceInputOf(const InvoiceRequest& request);

// Runs ComputeFinalBalance on `request` and, on success, stores the records
// and the balance in it and marks it finalized. On failure the request is
// left as it was and *error receives the text. REQUIRES: request, error
// not null.
bool FinalizeBalance(InvoiceRequest* request, std::string* error);

}  // namespace invoice
