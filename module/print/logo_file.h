#pragma once

#include <string>

#include "module/checks/check_result.h"

// The logo printed on invoices is a bitmap file: PNG, or a Windows bitmap
// (BMP) without compression. The check reads the file's first bytes (its
// signature and, for a BMP, the header's compression field); it does not
// decode the image.

enum class LogoFormat { kNone, kPng, kBmp };

// The format of the file at `path`, or kNone (with *rule saying why, when
// rule is not null) when the file cannot be read or is neither a PNG nor an
// uncompressed BMP. Touches the file system: reads up to 34 bytes.
LogoFormat DetectLogoFormat(const std::string& path, std::string* rule);

// The logo's size on paper: 1 to kMaxLogoMillimetres in each direction.
constexpr long kMaxLogoMillimetres = 200;
checks::CheckResult CheckLogoMillimetres(long millimetres);
