#include "endpoint/json_body_scan.h"

#include <cstring>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Keys longer than this are not looked into for "Password".
constexpr size_t kMaxKeyBytes = 4096;

// Number grammar positions: where a number may end.
constexpr int kNumberSign = 0, kNumberZero = 1, kNumberInt = 2, kNumberDot = 3, kNumberFrac = 4,
              kNumberExp = 5, kNumberExpSign = 6, kNumberExpDigits = 7;

bool NumberMayEnd(int state) {
    return state == kNumberZero || state == kNumberInt || state == kNumberFrac ||
           state == kNumberExpDigits;
}

}  // namespace

JsonBodyScan::JsonBodyScan(const Limits& limits) : limits_(limits) {}

void JsonBodyScan::Feed(const char* data, size_t size) {
    bytes_ += static_cast<int64_t>(size);
    for (size_t i = 0; i < size && !failed_; ++i) Step(data[i]);
    if (!whole_) return;
    bool keep = !failed_ && (type_ == 3 || bytes_ <= static_cast<int64_t>(limits_.wholeTextBytes));
    if (keep) {
        text_.append(data, size);
    } else {
        whole_ = false;
        std::string().swap(text_);
    }
}

bool JsonBodyScan::Finish() {
    if (failed_) return false;
    if (token_ == Token::kNumber) {
        if (!NumberMayEnd(numberState_)) return false;
        token_ = Token::kNone;
        EndValue();
    }
    if (token_ != Token::kNone) return false;
    bool blank = expect_ == Expect::kValue && open_.empty() && elements_ == 0;
    return expect_ == Expect::kDone || blank;
}

void JsonBodyScan::Emit(char c) {
    if (maskDepth_ < 0 && log_.size() < limits_.logBytes) log_ += c;
}

void JsonBodyScan::Step(char c) {
    switch (token_) {
        case Token::kString:
            StepString(c);
            return;
        case Token::kLiteral:
            StepLiteral(c);
            return;
        case Token::kNumber:
            StepNumber(c);
            if (token_ == Token::kNumber || failed_) return;
            break;  // the number ended before c: c is read below
        case Token::kNone:
            break;
    }
    if (IsSpace(c)) return;
    switch (expect_) {
        case Expect::kValue:
            StartValue(c);
            return;
        case Expect::kValueOrEnd:
            if (c == ']') return Close(c);
            StartValue(c);
            return;
        case Expect::kKeyOrEnd:
            if (c == '}') return Close(c);
            [[fallthrough]];
        case Expect::kKey:
            if (c != '"') return Fail();
            Emit(c);
            token_ = Token::kString;
            isKey_ = true;
            key_.clear();
            return;
        case Expect::kColon:
            if (c != ':') return Fail();
            Emit(c);
            expect_ = Expect::kValue;
            return;
        case Expect::kCommaOrEnd:
            if (c == ']' || c == '}') return Close(c);
            if (c != ',') return Fail();
            Emit(c);
            expect_ = open_.back() == '{' ? Expect::kKey : Expect::kValue;
            return;
        case Expect::kDone:
            return Fail();
    }
}

void JsonBodyScan::StartValue(char c) {
    if (elements_ == 0) {
        type_ = c == '{'               ? 3
                : c == '['             ? 4
                : c == '"'             ? 2
                : c == 't' || c == 'f' ? 1
                : c == 'n'             ? 5
                                       : 0;
    }
    if (++elements_ > limits_.maxElements && type_ == 3) return Fail();
    if (maskNext_) {
        for (char m : std::string("\"***\"")) Emit(m);
        maskDepth_ = static_cast<int>(open_.size());
        maskNext_ = false;
    }
    Emit(c);
    if (c == '{' || c == '[') {
        open_.push_back(c);
        if (static_cast<int>(open_.size()) > limits_.maxDepth) return Fail();
        expect_ = c == '{' ? Expect::kKeyOrEnd : Expect::kValueOrEnd;
    } else if (c == '"') {
        token_ = Token::kString;
        isKey_ = false;
    } else if (c == '-' || IsDigit(c)) {
        token_ = Token::kNumber;
        numberState_ = c == '-' ? kNumberSign : c == '0' ? kNumberZero : kNumberInt;
    } else if (c == 't' || c == 'f' || c == 'n') {
        token_ = Token::kLiteral;
        literal_ = c == 't' ? "true" : c == 'f' ? "false" : "null";
        literalAt_ = 1;
    } else {
        Fail();
    }
}

// A value is complete: what may follow depends on the container around it.
void JsonBodyScan::EndValue() {
    if (maskDepth_ == static_cast<int>(open_.size())) maskDepth_ = -1;
    expect_ = open_.empty() ? Expect::kDone : Expect::kCommaOrEnd;
}

void JsonBodyScan::Close(char c) {
    if (open_.empty() || open_.back() != (c == ']' ? '[' : '{')) return Fail();
    Emit(c);
    open_.pop_back();
    EndValue();
}

void JsonBodyScan::StepString(char c) {
    Emit(c);
    if (isKey_ && key_.size() < kMaxKeyBytes) key_ += c;
    if (hexLeft_ > 0) {
        if (!IsHex(c)) return Fail();
        --hexLeft_;
    } else if (escape_) {
        escape_ = false;
        if (c == 'u') {
            hexLeft_ = 4;
        } else if (std::strchr("\"\\/bfnrt", c) == nullptr) {
            Fail();
        }
    } else if (c == '\\') {
        escape_ = true;
    } else if (c == '"') {
        token_ = Token::kNone;
        if (isKey_) {
            maskNext_ = key_.find("Password") != std::string::npos;
            expect_ = Expect::kColon;
        } else {
            EndValue();
        }
    } else if (static_cast<unsigned char>(c) < 0x20) {
        Fail();  // control characters must be escaped
    }
}

void JsonBodyScan::StepNumber(char c) {
    int next = -1;
    switch (numberState_) {
        case kNumberSign:
            next = c == '0' ? kNumberZero : IsDigit(c) ? kNumberInt : -1;
            break;
        case kNumberZero:
        case kNumberInt:
            next = (numberState_ == kNumberInt && IsDigit(c)) ? kNumberInt
                   : c == '.'                                 ? kNumberDot
                   : (c == 'e' || c == 'E')                   ? kNumberExp
                                                              : -1;
            break;
        case kNumberDot:
        case kNumberFrac:
            next = IsDigit(c)                                                ? kNumberFrac
                   : (numberState_ == kNumberFrac && (c == 'e' || c == 'E')) ? kNumberExp
                                                                             : -1;
            break;
        case kNumberExp:
            next = (c == '+' || c == '-') ? kNumberExpSign : IsDigit(c) ? kNumberExpDigits : -1;
            break;
        case kNumberExpSign:
        case kNumberExpDigits:
            next = IsDigit(c) ? kNumberExpDigits : -1;
            break;
    }
    if (next >= 0) {
        Emit(c);
        numberState_ = next;
        return;
    }
    if (!NumberMayEnd(numberState_)) return Fail();
    token_ = Token::kNone;
    EndValue();
}

void JsonBodyScan::StepLiteral(char c) {
    if (c != literal_[literalAt_]) return Fail();
    Emit(c);
    if (literal_[++literalAt_] == '\0') {
        token_ = Token::kNone;
        EndValue();
    }
}
