#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace checks {

// The outcome of one value check. `ok` is true when the value passed; then
// `rule` is empty. Otherwise `rule` says in plain English what is wrong with
// the value, lower case and without a final full stop, so that a caller can
// put it behind the method and field it checked:
//
//   "SetBiller: bstrEAN " + result.rule
//
// The checks are pure functions: no state, no I/O, safe from any thread.
struct CheckResult {
    bool ok;
    std::string rule;
};

inline CheckResult Passed() {
    return CheckResult{true, std::string()};
}
inline CheckResult Failed(std::string rule) {
    return CheckResult{false, std::move(rule)};
}

// One parameter's check, named as the method's parameter.
struct FieldCheck {
    const char* name;
    CheckResult result;
};

// "method: name rule" of the first field that failed, or "" when all passed.
std::string FirstFailure(const char* method, std::initializer_list<FieldCheck> fields);

// `value` in double quotes for a rule text, cut after 40 characters with
// "..." so that a long value does not swamp the message. The cut never splits
// a UTF-8 sequence.
std::string Quote(std::string_view value);

}  // namespace checks
