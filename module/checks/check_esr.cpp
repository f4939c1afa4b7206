#include "module/checks/check_esr.h"

#include <cassert>
#include <cstdio>

#include "module/checks/check_digits.h"

namespace checks {

namespace {

// The check digit of `digits` as a character.
char CheckChar(std::string_view digits) {
    return static_cast<char>('0' + Mod10RecursiveCheckDigit(digits));
}

// True when the last digit of `digits` is the check digit of the others.
bool HasCheckDigit(std::string_view digits) {
    return digits.size() >= 2 && digits.back() == CheckChar(digits.substr(0, digits.size() - 1));
}

// Splits "head>rest" at the first `mark`: head before, rest after.
bool SplitAt(std::string_view text, char mark, std::string_view* head, std::string_view* rest) {
    std::size_t at = text.find(mark);
    if (at == std::string_view::npos) return false;
    *head = text.substr(0, at);
    *rest = text.substr(at + 1);
    return true;
}

// A coding line's parts before the reference: "01" amount(10) check, or "042".
bool ValidAmountBlock(std::string_view block) {
    if (block == "042") return true;
    return block.size() == 13 && IsDigits(block) && block.substr(0, 2) == "01" &&
           HasCheckDigit(block);
}

}  // namespace

std::string ParticipantNumberDigits(std::string_view value) {
    if (value.size() == 9 && IsDigits(value)) return std::string(value);
    std::string_view prefix, middle, check;
    std::string_view rest;
    if (!SplitAt(value, '-', &prefix, &rest) || !SplitAt(rest, '-', &middle, &check)) return "";
    if (prefix.size() != 2 || !IsDigits(prefix) || middle.size() > 6 || !IsDigits(middle) ||
        check.size() != 1 || !IsDigits(check)) {
        return "";
    }
    return std::string(prefix) + std::string(6 - middle.size(), '0') + std::string(middle) +
           std::string(check);
}

std::string FormatParticipantNumber(std::string_view value) {
    std::string digits = ParticipantNumberDigits(value);
    if (digits.empty()) return "";
    std::size_t firstSignificant = digits.find_first_not_of('0', 2);
    if (firstSignificant > 7) firstSignificant = 7;  // an all-zero middle keeps one 0
    return digits.substr(0, 2) + "-" + digits.substr(firstSignificant, 8 - firstSignificant) + "-" +
           digits.substr(8);
}

CheckResult CheckPostAccount(std::string_view value) {
    std::string digits = ParticipantNumberDigits(value);
    if (digits.empty()) {
        return Failed(Quote(value) +
                      " is not a postal account number (01-162-8 or nine digits 010001628)");
    }
    if (!HasCheckDigit(digits)) {
        return Failed("the check digit of account " + FormatParticipantNumber(digits) +
                      " is wrong (expected " + std::string(1, CheckChar(digits.substr(0, 8))) +
                      ")");
    }
    return Passed();
}

CheckResult CheckEsrParticipantNumber(std::string_view value) {
    CheckResult account = CheckPostAccount(value);
    if (!account.ok) return account;
    std::string digits = ParticipantNumberDigits(value);
    if (digits.compare(0, 2, "01") != 0 || digits.compare(2, 6, "000000") == 0) {
        return Failed(Quote(value) +
                      " is not an ESR participant number (01, one to six digits not all zero, "
                      "check digit)");
    }
    return Passed();
}

std::string NormaliseEsrReference(std::string_view value) {
    return WithoutBlanks(value);
}

CheckResult CheckEsrReference(std::string_view value) {
    std::string digits = NormaliseEsrReference(value);
    if (!IsDigits(digits) || (digits.size() != 16 && digits.size() != 27)) {
        return Failed(Quote(value) + " is not an ESR reference number of 16 or 27 digits");
    }
    if (!HasCheckDigit(digits)) {
        return Failed("the check digit of ESR reference " + digits + " is wrong (expected " +
                      std::string(1, CheckChar(digits.substr(0, digits.size() - 1))) + ")");
    }
    return Passed();
}

std::string FormatEsrReference(std::string_view value) {
    return GroupInFivesFromRight(NormaliseEsrReference(value));
}

CheckResult CheckEsrCodingLine(std::string_view value) {
    std::string_view amount, reference, participant, rest;
    bool layout = SplitAt(value, '>', &amount, &rest) && SplitAt(rest, '+', &reference, &rest) &&
                  rest.size() == 11 && rest[0] == ' ' && rest[10] == '>';
    if (layout) participant = rest.substr(1, 9);
    layout = layout && (amount == "042" || (amount.size() == 13 && IsDigits(amount))) &&
             (reference.size() == 16 || reference.size() == 27) && IsDigits(reference) &&
             IsDigits(participant);
    if (!layout) {
        return Failed(Quote(value) +
                      " is not an ESR coding line (01 amount check>reference+ participant>)");
    }
    if (!ValidAmountBlock(amount)) {
        return Failed("the amount block " + std::string(amount) +
                      " of the coding line has a wrong prefix or check digit");
    }
    if (!HasCheckDigit(reference)) {
        return Failed("the check digit of reference " + std::string(reference) +
                      " in the coding line is wrong");
    }
    if (!HasCheckDigit(participant)) {
        return Failed("the check digit of participant number " + std::string(participant) +
                      " in the coding line is wrong");
    }
    return Passed();
}

std::string MakeEsrCodingLine(long long amountCents, std::string_view reference,
                              std::string_view participant) {
    assert(amountCents <= 9999999999LL);
    std::string block = "042";
    if (amountCents >= 0) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "01%010lld", amountCents);
        block = std::string(digits) + CheckChar(digits);
    }
    return block + ">" + NormaliseEsrReference(reference) + "+ " +
           ParticipantNumberDigits(participant) + ">";
}

CheckResult CheckEsrRedReference(std::string_view value) {
    if (value.size() != 10 || !IsUpperAlnum(value)) {
        return Failed(Quote(value) +
                      " is not a red slip reference number (ten digits or capital letters)");
    }
    return Passed();
}

CheckResult CheckEsrRedCodingLine1(std::string_view value) {
    bool shortForm = value.size() == 10 && IsDigits(value.substr(0, 9)) && value[9] == '>';
    bool longForm = value.size() == 39 && IsDigits(value.substr(0, 27)) &&
                    value.substr(27, 4) == "+ 07" && IsDigits(value.substr(31, 7)) &&
                    value.back() == '>';
    if (!shortForm && !longForm) {
        return Failed(Quote(value) +
                      " is not a red slip coding line 1 (27 digits, \"+ 07\", 7 digits and \">\", "
                      "or 9 digits and \">\")");
    }
    return Passed();
}

CheckResult CheckEsrRedCodingLine2(std::string_view value) {
    if (value.size() != 10 || !IsDigits(value.substr(0, 9)) || value[9] != '>') {
        return Failed(Quote(value) + " is not a red slip coding line 2 (9 digits and \">\")");
    }
    return Passed();
}

}  // namespace checks
