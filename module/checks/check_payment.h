#pragma once

#include <string>
#include <string_view>

#include "module/checks/check_result.h"

// Checks of the payment data of the QR-bill: IBAN, QR-IBAN, QR reference,
// creditor reference (ISO 11649), their pairing, amount and currency.
//
// Input may carry blanks, as people type and print these numbers
// ("CH44 3199 9123 0008 8901 2"); the checks remove them first. Callers keep
// the Normalise... form of a value that passed.

namespace checks {

// IBAN without blanks, letters in capitals.
std::string NormaliseIban(std::string_view value);

// An IBAN (ISO 13616): country code of two capitals, two check digits, then
// letters and digits, as long as the IBAN registry says for that country (21
// for CH and LI; 15 to 34 for a country the table does not know), and the
// whole number with its first four characters moved to the end is 1 mod 97.
CheckResult CheckIban(std::string_view value);

// An IBAN the invoice can carry: CheckIban, country CH or LI, and the
// schema's layout "(LI|CH)[0-9]{7}[0-9A-Z]{12}".
CheckResult CheckSwissIban(std::string_view value);

// True when `value` (normalised) is a CH or LI IBAN whose institution id,
// characters 5 to 9, lies in 30000 to 31999. Says nothing about the check
// digits; combine with CheckSwissIban.
bool IsQrIban(std::string_view value);

// A QR-IBAN: CheckSwissIban and IsQrIban.
CheckResult CheckQrIban(std::string_view value);

// QR reference without blanks.
std::string NormaliseQrReference(std::string_view value);

// The check digit of the first 26 digits of a QR reference (recursive
// modulo 10). REQUIRES: IsDigits(digits26) and digits26.size() == 26.
int QrReferenceCheckDigit(std::string_view digits26);

// A QR reference: 27 digits, the last the recursive modulo-10 check digit of
// the others; not all zeros.
CheckResult CheckQrReference(std::string_view value);

// The QR reference as printed: groups of five from the right,
// "21 00000 00003 13947 14300 09017". REQUIRES: CheckQrReference passed.
std::string FormatQrReference(std::string_view value);

// Creditor reference without blanks, letters in capitals.
std::string NormaliseCreditorReference(std::string_view value);

// A creditor reference (ISO 11649): "RF", two check digits and 1 to 21
// letters or digits; with the first four characters moved to the end and the
// letters read as A=10 ... Z=35 the number is 1 mod 97.
CheckResult CheckCreditorReference(std::string_view value);

// Reference type of a QR-bill payload, decided by the IBAN.
enum class QrReferenceType { kQrr, kScor, kNon };

// The reference type that goes with `reference`: empty -> kNon, "RF..." ->
// kScor, otherwise kQrr. Checks nothing.
QrReferenceType ReferenceTypeOf(std::string_view reference);

// The IBAN and reference of one QR-bill go together: a QR-IBAN needs a QR
// reference; any other IBAN takes a creditor reference or none, never a QR
// reference. Each value must also pass its own check.
CheckResult CheckQrIbanAndReference(std::string_view iban, std::string_view reference);

// Amount of a QR-bill: 0.01 to 999999999.99 (a bill without an amount carries
// none; callers do not check it then).
constexpr double kMinQrAmount = 0.01;
constexpr double kMaxQrAmount = 999999999.99;
CheckResult CheckQrAmount(double amount);

// Currency of a QR-bill: "CHF" or "EUR".
CheckResult CheckCurrency(std::string_view value);

}  // namespace checks
