#include "module/checks/check_digits.h"

#include <cassert>

namespace checks {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

bool IsUpperAlnum(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsDigit(c) && !IsUpper(c)) return false;
    }
    return true;
}

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t') out += c;
    }
    return out;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

int Gs1CheckDigit(std::string_view digits) {
    assert(IsDigits(digits));
    int sum = 0;
    int weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = 4 - weight;  // 3, 1, 3, 1, ...
    }
    return (10 - sum % 10) % 10;
}

int Mod10RecursiveCheckDigit(std::string_view digits) {
    assert(IsDigits(digits));
    static const int kTable[10] = {0, 9, 4, 6, 8, 2, 7, 1, 3, 5};
    int carry = 0;
    for (char c : digits) carry = kTable[(carry + (c - '0')) % 10];
    return (10 - carry) % 10;
}

int Mod97(std::string_view text) {
    assert(IsUpperAlnum(text));
    int remainder = 0;
    for (char c : text) {
        if (IsDigit(c)) {
            remainder = (remainder * 10 + (c - '0')) % 97;
        } else {
            remainder = (remainder * 100 + (c - 'A' + 10)) % 97;
        }
    }
    return remainder;
}

std::string GroupInFivesFromRight(std::string_view digits) {
    std::string out;
    std::size_t head = digits.size() % 5;
    out.append(digits.substr(0, head));
    for (std::size_t i = head; i < digits.size(); i += 5) {
        if (!out.empty()) out += ' ';
        out.append(digits.substr(i, 5));
    }
    return out;
}

}  // namespace checks
