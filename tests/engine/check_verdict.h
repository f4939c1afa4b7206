#pragma once

#include <string>

#include "module/checks/check_result.h"

namespace checks {

// "OK" for a passed check, else its rule: one string to compare in tests.
inline std::string Verdict(const CheckResult& result) {
    return result.ok ? "OK" : result.rule;
}

}  // namespace checks
