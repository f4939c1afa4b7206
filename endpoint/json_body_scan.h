#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The first look at a JSON request body, chunk by chunk as it arrives, before
// any value is built from it. It checks the grammar, the nesting depth and
// the number of values, notes the type of the top-level value and keeps only
// what the request frame will need:
//   - an object body whole (its members become the call's arguments), within
//     the depth and element limits;
//   - any other body whole while it is small, so that its log line can be
//     made from the parsed value;
//   - of a larger body that is not an object only a compact, bounded log
//     text (whitespace dropped, members whose key contains "Password"
//     written as "***"), so that a 100 MB array costs no memory.
//
// The scan is strict JSON (RFC 8259). Bodies kept whole are parsed again by
// web::json, whose verdict is the one that counts for them.
class JsonBodyScan {
  public:
    struct Limits {
        int maxDepth = 512;                 // arrays and objects nested deeper are refused
        int64_t maxElements = 100000;       // values in an object body, at any depth
        size_t wholeTextBytes = 64 * 1024;  // bodies up to this size are kept whatever their type
        size_t logBytes = 1100;             // the bounded log text (the log cuts lines at 1,023)
    };

    JsonBodyScan() : JsonBodyScan(Limits()) {}
    explicit JsonBodyScan(const Limits& limits);

    // The next chunk of the body.
    void Feed(const char* data, size_t size);

    // After the last chunk: true when the body is well-formed JSON (one value,
    // or only whitespace) within the limits.
    bool Finish();

    // The JSON type number of the top-level value as web::json numbers them:
    // 0 number, 1 boolean, 2 string, 3 object, 4 array, 5 null (also for a
    // blank body).
    int TypeNumber() const { return type_; }

    // True when Text() holds the whole body.
    bool HasWholeText() const { return whole_; }
    const std::string& Text() const { return text_; }

    // The bounded log text of the body's beginning (see above).
    const std::string& LogText() const { return log_; }

  private:
    enum class Expect { kValue, kValueOrEnd, kKeyOrEnd, kKey, kColon, kCommaOrEnd, kDone };
    enum class Token { kNone, kString, kNumber, kLiteral };

    void Step(char c);
    void StartValue(char c);
    void EndValue();
    void StepString(char c);
    void StepNumber(char c);
    void StepLiteral(char c);
    void Close(char c);
    void Emit(char c);
    void Fail() { failed_ = true; }

    Limits limits_;
    bool failed_ = false;
    bool whole_ = true;
    int type_ = 5;
    int64_t bytes_ = 0;
    int64_t elements_ = 0;
    std::string text_;
    std::string log_;

    Expect expect_ = Expect::kValue;
    std::vector<char> open_;  // '{' or '[' per open container
    Token token_ = Token::kNone;
    // Strings: escape state, \u digits still to come, whether it is a key
    // and the key's text (for the masking of secrets).
    bool escape_ = false;
    int hexLeft_ = 0;
    bool isKey_ = false;
    std::string key_;
    // Numbers: the position in the number grammar.
    int numberState_ = 0;
    // Literals: the word and how much of it has been read.
    const char* literal_ = nullptr;
    size_t literalAt_ = 0;
    // Masking: a value whose key names a secret is left out of the log text
    // down to the depth it started at.
    bool maskNext_ = false;
    int maskDepth_ = -1;
};
