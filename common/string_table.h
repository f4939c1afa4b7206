#pragma once

#include <string>

// The program's string table: the service name (103) and the error texts that
// travel to clients as "pbstrAbort" with their id as "abortCode" (401-413).

// Language selector of the string table lookups (the table holds the same
// English texts for every language).
constexpr int kDefaultLanguage = 1;

// The raw text of `resourceId`, or false when the table has no such id.
bool LoadString(int resourceId, std::string* text);

// The text of `resourceId` with %1, %2 and %3 replaced by the inserts, cut at
// 1024 characters. An unknown id gives
// "Error description not found in the string table!\n\n(resourceID = '<id>')".
std::string GetErrorDescription(int languageSelector, int resourceId,
                                const std::string& insert1 = std::string(),
                                const std::string& insert2 = std::string(),
                                const std::string& insert3 = std::string());
