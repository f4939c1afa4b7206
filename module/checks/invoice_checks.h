#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_model.h"

// Checks of a whole invoice: what Finalize checks across sections and
// records, and what Print and GetXML check of a loaded invoice before they
// use it. Each finding is one line that names the section or record and the
// rule, with the figures or dates involved:
//
//   "treatment: the begin 2999-01-01 is after the end 2000-01-01"
//   "service record 2 (tariff 999, code GA): VAT rate 8 is not a Swiss VAT
//    rate on 2020-06-03 (0, 2.5, 3.7 or 7.7)"
//   "balance: the amount due 9876.55 as filed differs from 16.15 computed
//    from the services"
//
// Sections the invoice lacks are not checked here (completeness.h reports
// them). Pure functions; safe from any thread.
namespace checks {

// Finalize's rules of dates and rates:
//  - the treatment begins on or before its end;
//  - every service date (begin and end) lies within the treatment period;
//  - the patient's birth date is on or before the treatment begin and not
//    more than 130 years before it;
//  - a reminder is dated on or after the invoice it reminds of;
//  - an accident date (the law's case date when the treatment reason is an
//    accident or the law is uvg) is not after the treatment begin;
//  - every service's VAT rate is allowed on its date (vat_rates.h).
std::vector<std::string> CheckInvoiceRules(const invoice::InvoiceRequest& invoice);

// The identifiers and the payment data, as the setters check them one by
// one: GLNs with their check digit (parties, transport, service providers
// and responsibles), ZSR numbers, Swiss social security numbers with their
// check digit, the biller's UID, and the payment slip: IBAN and reference
// that go together, participant numbers and post accounts, references and
// coding lines with their check digits.
std::vector<std::string> CheckInvoiceIdentifiers(const invoice::InvoiceRequest& invoice);

// The balance a loaded invoice carries, against the one computed from its
// services (module/model/balance.h): each record's amounts, the total, the
// obligatory part, every VAT line, the total VAT and the amount due (rounded
// or not), each within 0.01. Every finding names the filed and the
// computed figure.
std::vector<std::string> CheckFiledBalance(const invoice::InvoiceRequest& invoice);

// The checks of a loaded invoice before it is printed or written: the three
// above, in that order.
std::vector<std::string> CheckLoadedInvoice(const invoice::InvoiceRequest& invoice);

}  // namespace checks
