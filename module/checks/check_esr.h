#pragma once

#include <string>
#include <string_view>

#include "module/checks/check_result.h"

// Checks of the orange (esr9) and red (esrRed) payment slip data as the
// invoice carries them.
//
// Layouts, "d" a digit:
//   participant number / post account  "01-162-8" (printed), "010001628" (coded:
//                                      prefix, six digits zero-padded, check digit)
//   esr9 reference number              "d ddddd ddddd ddddd" (16 digits) or
//                                      "dd ddddd ddddd ddddd ddddd ddddd" (27)
//   esr9 coding line                   "01" amount(10) check ">" reference "+ " participant(9) ">"
//                                      "042>" reference "+ " participant(9) ">"   (no amount)
// The check digit of each part is the recursive modulo 10 of the digits before it.

namespace checks {

// The nine-digit coded form of a participant number or post account given as
// "01-162-8" (one to six middle digits) or already as nine digits. Empty when
// `value` has neither layout.
std::string ParticipantNumberDigits(std::string_view value);

// The printed form "01-162-8" (middle digits without leading zeros) of a
// participant number given in either layout. Empty when `value` has neither.
std::string FormatParticipantNumber(std::string_view value);

// Post account of the red slip: either layout, and the last digit is the
// check digit of the coded form's first eight.
CheckResult CheckPostAccount(std::string_view value);

// Participant number of the orange slip: CheckPostAccount, prefix "01" and a
// middle part that is not zero (the schema's "01-[1-9][0-9]{0,5}-[0-9]" once
// printed by FormatParticipantNumber).
CheckResult CheckEsrParticipantNumber(std::string_view value);

// The esr9 reference number without blanks.
std::string NormaliseEsrReference(std::string_view value);

// An esr9 reference number: 16 or 27 digits (blanks anywhere are ignored), the
// last the check digit of the others.
CheckResult CheckEsrReference(std::string_view value);

// The reference in the schema's layout: groups of five from the right.
// REQUIRES: CheckEsrReference passed.
std::string FormatEsrReference(std::string_view value);

// The esr9 coding line: one of the four layouts above, with the right check
// digit in the amount block, the reference and the participant number.
CheckResult CheckEsrCodingLine(std::string_view value);

// The coding line for `reference` and `participant` (either layout each).
// `amountCents` < 0 makes the line without amount ("042>"), otherwise the
// amount in hundredths.
// REQUIRES: CheckEsrReference(reference), CheckEsrParticipantNumber(participant)
// and amountCents <= 9999999999.
std::string MakeEsrCodingLine(long long amountCents, std::string_view reference,
                              std::string_view participant);

// Red slip reference number: ten digits or capital letters.
CheckResult CheckEsrRedReference(std::string_view value);

// Red slip coding lines: line 1 is 27 digits, "+ 07", seven digits and ">",
// or nine digits and ">"; line 2 is nine digits and ">".
CheckResult CheckEsrRedCodingLine1(std::string_view value);
CheckResult CheckEsrRedCodingLine2(std::string_view value);

}  // namespace checks
