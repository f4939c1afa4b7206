#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "module/checks/check_payment.h"
#include "module/checks/check_result.h"
#include "module/model/decimal.h"
#include "module/model/invoice_model.h"

// The Swiss QR-bill's payload, version 0200 of the Swiss Implementation
// Guidelines, and the data it is made of.
//
// Payload: one element per line, lines separated by LF, nothing after the
// last element:
//
//   SPC                      QR type
//   0200                     version
//   1                        coding (UTF-8, Latin subset)
//   CH4431999123000889012    IBAN or QR-IBAN, 21 characters
//   S                        creditor: address type S (structured)
//   name                       up to 70 characters
//   street name                up to 70
//   building number            up to 16
//   postcode                   up to 16, required
//   town                       up to 35, required
//   CH                         country, two capitals
//   (7 empty lines)          ultimate creditor, reserved
//   1234.50                  amount: 0.01 to 999999999.99, two decimals;
//                            empty when the payer fills it in
//   CHF                      currency: CHF or EUR
//   S / name / ... / CH      debtor: 7 lines as the creditor, or 7 empty
//   QRR | SCOR | NON         reference type
//   reference                27 digits, "RF..." or empty
//   message                  unstructured message, up to 140
//   EPD                      trailer
//
// Every text is taken from the Latin character set the guidelines allow
// (Basic Latin, Latin-1 Supplement, Latin Extended-A, Ș ș Ț ț and €); the
// whole payload is at most 997 bytes in UTF-8 (QR version 25, level M).
// A bill that breaks any of these rules is refused, never shortened.

namespace invoice {

// An address of type S.
struct QrAddress {
    std::string name;
    std::string street;           // street name only
    std::string building_number;  // may be empty
    std::string postcode;
    std::string town;
    std::string country;  // ISO 3166 alpha-2
};

struct QrBill {
    std::string iban;  // normalised (no blanks, capitals)
    QrAddress creditor;
    Decimal amount;
    bool open_amount = false;  // no amount: the payer fills it in (esrQRplus)
    std::string currency = "CHF";
    std::optional<QrAddress> debtor;
    checks::QrReferenceType reference_type = checks::QrReferenceType::kNon;
    std::string reference;  // normalised; empty for kNon
    std::string message;    // unstructured message; may be empty
};

constexpr size_t kMaxQrPayloadBytes = 997;

// A street line split into street name and building number. The number is
// taken from the end ("Bahnhofstrasse 12a", "Via Motta 2/4",
// "Rue Haute 7 bis" is left whole) or, failing that, from the start
// ("12, rue de la Gare"); a token is a number when it begins with a digit.
// A line without such a token is all street name.
struct StreetParts {
    std::string street;
    std::string building_number;
};
StreetParts SplitStreetLine(std::string_view line);

// The name line of an address: the company name, or given name and family
// name of a person, joined by one blank.
std::string AddressName(const Address& address);

// The structured form of `address`: name, split street line, postcode,
// town and country ("CH" when not given).
QrAddress QrAddressOf(const Address& address);

// True when the invoice's payment slip is a QR-bill (SetEsrQR or
// SetEsrRedQR). The legacy slips (esr9, esrRed) are not printed.
bool HasQrPayment(const InvoiceRequest& invoice);

// The bill of a finalized invoice: the slip's IBAN and reference, its
// creditor (the biller when the slip names none), the debtor (the debitor,
// else the guarantor, else the patient; left out when that address lacks
// postcode or town), the amount due in CHF (open for esrQRplus) and the
// customer note as the message. Checks nothing; BuildQrPayload does.
// REQUIRES: HasQrPayment(invoice).
QrBill QrBillOf(const InvoiceRequest& invoice);

// Checks every rule of `bill` and, when all hold, stores the payload in
// *payload. Otherwise *payload is left alone and the result's rule says
// what is wrong ("the creditor has no postcode"). REQUIRES: payload not null.
checks::CheckResult BuildQrPayload(const QrBill& bill, std::string* payload);

// The amount as the payload writes it: "1234.50".
std::string QrAmountText(const Decimal& amount);

// The amount as the slip prints it: blanks between thousands, "1 234.50".
std::string PrintedAmountText(const Decimal& amount);

// The IBAN in groups of four: "CH44 3199 9123 0008 8901 2".
std::string PrintedIban(std::string_view iban);

// The reference as printed: a QR reference in groups of five from the
// right, a creditor reference in groups of four from the left.
std::string PrintedReference(checks::QrReferenceType type, std::string_view reference);

}  // namespace invoice
