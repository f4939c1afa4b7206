#pragma once

#include <cpprest/json.h>

#include <string>

#include "bridge/iaddress.h"

// The address object of the result reads: the content of one IAddress as a
// JSON object.

// The text of a phone or fax number: international code, local code,
// number and extension joined by blanks, trimmed at both ends, runs of
// blanks left by empty parts shrunk to one ("41 31 22"; "22" alone).
std::string PhoneText(const std::string& number, const std::string& localCode,
                      const std::string& internationalCode, const std::string& ext);

// Fills `object` (a JSON object) from `address`:
//   type 2 (company): pbIsPrivateAddress false, pbstrCompanyName,
//     pbstrDepartment, pbstrSubaddressing of the company; other types:
//     pbIsPrivateAddress true, empty company name and department;
//   type 1 (person): pbstrSalutation, pbstrTitle, pbstrFamilyname,
//     pbstrGivenname and the person's pbstrSubaddressing; other types: empty
//     person names (no subaddressing unless the company gave one);
//   pbstrStreet, pbstrPoBox, pbstrZip, pbstrCity, pbstrStateCode,
//   pbstrCountryCode; pbstrPhone1 to pbstrPhone3 for the first three phones
//   (absent when there are fewer); pbstrFax; pbstrEMail and pbstrUrl.
// A call of the address whose result is negative raises COleException with
// that result; `object` then holds what was set before it.
void BuildAddressObject(IAddress& address, web::json::value* object);
