#pragma once

#include <string>

namespace platform {

// A fresh random UUID as 36 lower-case characters (8-4-4-4-12).
std::string NewUuidText();

}  // namespace platform
