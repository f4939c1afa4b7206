#pragma once

#include <string>
#include <string_view>

// Check-digit schemes of the identifiers and payment references an invoice
// carries. All functions are pure; the REQUIRES lines are the caller's duty
// (they are asserted in debug builds).

namespace checks {

// True when `text` is non-empty and holds only the digits 0-9.
bool IsDigits(std::string_view text);

// True when `text` is non-empty and holds only digits and capital letters A-Z.
bool IsUpperAlnum(std::string_view text);

// `text` without blanks (spaces and tabs).
std::string WithoutBlanks(std::string_view text);

// `text` with the ASCII letters a-z turned into capitals.
std::string ToUpperAscii(std::string_view text);

// The GS1 mod-10 check digit (GLN, EAN-13, the 756 social security number):
// weights 3 and 1 alternate from the rightmost digit, which gets weight 3.
// REQUIRES: IsDigits(digits).
int Gs1CheckDigit(std::string_view digits);

// The recursive modulo-10 check digit of the Swiss payment slips (ESR
// reference, participant number, coding line, QR reference): carry = 0, for
// each digit carry = table[(carry + digit) % 10] with the table
// [0,9,4,6,8,2,7,1,3,5]; the check digit is (10 - carry) % 10.
// REQUIRES: IsDigits(digits).
int Mod10RecursiveCheckDigit(std::string_view digits);

// `text` read as one big number in which each digit stands for itself and each
// letter for two digits (A=10 ... Z=35), modulo 97. The ISO 7064 MOD 97-10
// remainder of IBAN and creditor reference after their first four characters
// were moved to the end.
// REQUIRES: IsUpperAlnum(text).
int Mod97(std::string_view text);

// `digits` in groups of five counted from the right, separated by one blank:
// "210000000003139471430009017" -> "21 00000 00003 13947 14300 09017". The
// layout of printed QR references and of the ESR reference numbers.
std::string GroupInFivesFromRight(std::string_view digits);

}  // namespace checks
