#pragma once

#include <string>
#include <string_view>

#include "module/checks/check_result.h"

// Checks of the party and case identifiers of an invoice. Two levels where the
// schema is looser than the number's own rule:
//  - the schema level (CheckEanParty, CheckSsn) accepts what the invoice
//    schema accepts: the published test invoices carry GLNs such as
//    2000000000002 and the SSN 7560000000011, whose check digits are wrong;
//  - the strict level (CheckGln, CheckAhvNumber) also proves the check digit.
// Values are taken as given: no blanks are removed unless a function says so.

namespace checks {

// Schema level of a GLN / EAN-13 party number: exactly 13 digits.
CheckResult CheckEanParty(std::string_view value);

// A GLN (EAN-13): 13 digits whose last is the GS1 mod-10 check digit of the
// first twelve.
CheckResult CheckGln(std::string_view value);

// The GLN with the right check digit for the first twelve digits of `value`.
// REQUIRES: value holds at least 12 digits.
std::string GlnWithCheckDigit(std::string_view value);

// ZSR number (santésuisse clearing number): a capital letter and six digits,
// "C123456".
CheckResult CheckZsr(std::string_view value);

// NIF number (IV/AI supplier number): 1 to 7 digits.
CheckResult CheckNif(std::string_view value);

// Social security number as the schema allows it: 4 to 10 digits (old
// numbers), 11 digits not starting with 0, or 13 digits starting with 756
// (Switzerland) or 438 (Liechtenstein).
CheckResult CheckSsn(std::string_view value);

// The 13-digit Swiss social security number (AHV/AVS): "756" and ten digits,
// the last being the GS1 mod-10 check digit. Accepts the printed form with
// dots, "756.9217.0769.85"; NormaliseAhvNumber gives the digits.
CheckResult CheckAhvNumber(std::string_view value);
std::string NormaliseAhvNumber(std::string_view value);

// Case id of an IV/AI case: 6, 9, 10 or 14 digits.
CheckResult CheckIvgCaseId(std::string_view value);

// Enterprise identification number (UID/IDE/IDI): "CHE" and nine digits, the
// last a modulo-11 check digit (weights 5,4,3,2,7,6,5,4). Accepts
// "CHE-123.456.788" and "CHE123456788"; NormaliseUid gives "CHE123456788".
CheckResult CheckUid(std::string_view value);
std::string NormaliseUid(std::string_view value);

// VAT number and UID number of the biller as the schema allows them: 1 to 15
// characters ("CHE-123.456.788" fits; the suffix " MWST" does not).
CheckResult CheckVatNumber(std::string_view value);

}  // namespace checks
