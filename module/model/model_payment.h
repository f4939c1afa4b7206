#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"
#include "module/model/model_address.h"

namespace invoice {

// Who pays, by which slip, and the balance: SetTiers, SetEsr, SetEsrRed,
// SetEsrQR, SetEsrRedQR and what Finalize computes.

// SetTiers. amount_prepaid applies to tiers garant only (the format's
// tiers payant balance has no prepaid amount).
struct Tiers {
    TiersMode mode = TiersMode::kGarant;
    std::string vat_number;
    Decimal amount_prepaid;
};

// The payment slip. One struct for the four setters; `type` tells which
// setter filled it and which fields apply:
//   esr9 (SetEsr, type 1 or 2): participant_number, reference_number,
//        bank_account;
//   esrRed (SetEsrRed, type 3): post_account, iban, reference_number,
//        remarks;
//   esrQR (SetEsrQR, type 4 or 5): iban, reference_number, customer_note;
//   esrQR (SetEsrRedQR, type 6): iban, remarks, customer_note.
// The coding lines of esr9 and esrRed and the esrRed payee (`payment_to`)
// are a loaded file's, kept as filed; for a slip set through the interface
// they are empty and the XML writer computes them. Finalize empties the esr9
// coding line, which carries the amount due.
struct Esr {
    EsrType type = EsrType::kEsrQR;
    std::string participant_number;
    std::string reference_number;
    std::string bank_account;
    std::string post_account;
    std::string iban;
    std::string remarks;  // payment reasons, lines separated by '\n'
    std::string customer_note;
    std::optional<Address> bank;
    std::optional<Address> creditor;
    int32_t payment_period_days = 0;  // lPaymentPeriod; 0 = not given
    // A loaded file's payment_period as written ("P30D", "P1M"); written back
    // unchanged. `payment_period_days` then holds its length in days (a month
    // counted as 30, a year as 365 days).
    std::string payment_period_text;
    std::string coding_line;              // esr9
    std::string coding_line1;             // esrRed
    std::string coding_line2;             // esrRed
    std::optional<PaymentTo> payment_to;  // esrRed
};

// One line of the VAT summary: all records with this rate.
struct VatRateLine {
    Decimal vat_rate;  // percent
    Decimal amount;    // sum of the records' amounts, VAT included
    Decimal vat;       // amount x rate / (100 + rate), rounded to 0.01
};

// The balance of the 4.50 format, as Finalize computes it (balance.h) or as
// loaded from XML. All amounts in CHF.
struct Balance {
    Decimal amount;              // sum of all records' amounts
    Decimal amount_obligations;  // sum of the obligatory records' amounts
    Decimal amount_prepaid;      // tiers garant only
    Decimal amount_reminder;     // reminder fee (SetReminder)
    Decimal amount_due;          // amount + reminder - prepaid, rounded to 0.05
    Decimal round_difference;    // amount_due minus its unrounded value
    std::string vat_number;
    Decimal vat;                         // sum of the lines' vat
    std::vector<VatRateLine> vat_rates;  // ascending by rate
};

}  // namespace invoice
