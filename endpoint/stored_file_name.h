#pragma once

#include <string>

// A new file name in `folder` (which ends in '/'): the folder, the text form
// of a fresh UUID and `extension`. Should no UUID be had, up to ten names
// "<folder><tick count>_<number>_<n><extension>" are tried and the first
// that no file has yet is taken (with a pause of 300 ms after each taken
// one; after ten tries the tenth). Empty when `folder` does not exist.
std::string MakeStoredFileName(const std::string& folder, const std::string& extension,
                               long number);
