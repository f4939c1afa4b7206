#include "bridge/address_json.h"

#include "common/exceptions.h"
#include "endpoint/json_values.h"

namespace {

// Calls of the address are checked for failure only; their status
// out-parameters are not looked at (the phone walk excepted).
void Check(HRESULT hr) {
    if (hr < 0) throw COleException(hr);
}

long TypeOf(IAddress& address) {
    long type = 0;
    Check(address.GetType(&type));
    return type;
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    size_t end = text.find_last_not_of(blanks);
    if (end == std::string::npos) return std::string();
    return text.substr(0, end + 1).substr(text.find_first_not_of(blanks));
}

std::string HalveDoubleBlanks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') ++i;
    }
    return out;
}

void SetCompanyPart(IAddress& address, web::json::value& object) {
    if (TypeOf(address) == 2) {
        BSTR name, department, subaddressing;
        VARIANT_BOOL status = VARIANT_FALSE;
        Check(address.GetCompany(&name, &department, &subaddressing, &status));
        object["pbIsPrivateAddress"] = web::json::value::boolean(false);
        object["pbstrCompanyName"] = BstrToJson(name);
        object["pbstrDepartment"] = BstrToJson(department);
        object["pbstrSubaddressing"] = BstrToJson(subaddressing);
    } else {
        object["pbIsPrivateAddress"] = web::json::value::boolean(true);
        object["pbstrCompanyName"] = web::json::value::string("");
        object["pbstrDepartment"] = web::json::value::string("");
    }
}

void SetPersonPart(IAddress& address, web::json::value& object) {
    if (TypeOf(address) == 1) {
        BSTR family, given, salutation, title, subaddressing;
        VARIANT_BOOL status = VARIANT_FALSE;
        Check(address.GetPerson(&family, &given, &salutation, &title, &subaddressing, &status));
        object["pbstrSalutation"] = BstrToJson(salutation);
        object["pbstrTitle"] = BstrToJson(title);
        object["pbstrFamilyname"] = BstrToJson(family);
        object["pbstrGivenname"] = BstrToJson(given);
        object["pbstrSubaddressing"] = BstrToJson(subaddressing);
    } else {
        for (const char* key :
             {"pbstrSalutation", "pbstrTitle", "pbstrFamilyname", "pbstrGivenname"}) {
            object[key] = web::json::value::string("");
        }
    }
}

void SetPostalPart(IAddress& address, web::json::value& object) {
    BSTR street, poBox, zip, city, state, country;
    VARIANT_BOOL status = VARIANT_FALSE;
    Check(address.GetPostal(&street, &poBox, &zip, &city, &state, &country, &status));
    object["pbstrStreet"] = BstrToJson(street);
    object["pbstrPoBox"] = BstrToJson(poBox);
    object["pbstrZip"] = BstrToJson(zip);
    object["pbstrCity"] = BstrToJson(city);
    object["pbstrStateCode"] = BstrToJson(state);
    object["pbstrCountryCode"] = BstrToJson(country);
}

void SetPhones(IAddress& address, web::json::value& object) {
    static const char* const keys[] = {"pbstrPhone1", "pbstrPhone2", "pbstrPhone3"};
    BSTR number, local, international, ext;
    VARIANT_BOOL status = VARIANT_FALSE;
    Check(address.GetFirstPhone(&number, &local, &international, &ext, &status));
    for (size_t count = 0; status == VARIANT_TRUE; ++count) {
        if (count < 3) {
            object[keys[count]] = BstrTextToJson(PhoneText(number, local, international, ext));
        }
        status = VARIANT_FALSE;
        Check(address.GetNextPhone(&number, &local, &international, &ext, &status));
    }
}

void SetFaxAndOnline(IAddress& address, web::json::value& object) {
    BSTR number, local, international, ext;
    VARIANT_BOOL status = VARIANT_FALSE;
    Check(address.GetFax(&number, &local, &international, &ext, &status));
    object["pbstrFax"] = BstrTextToJson(PhoneText(number, local, international, ext));
    BSTR email, url;
    Check(address.GetOnline(&email, &url, &status));
    object["pbstrEMail"] = BstrToJson(email);
    object["pbstrUrl"] = BstrToJson(url);
}

}  // namespace

std::string PhoneText(const std::string& number, const std::string& localCode,
                      const std::string& internationalCode, const std::string& ext) {
    std::string text = Trimmed(internationalCode + " " + localCode + " " + number + " " + ext);
    for (int pass = 0; pass < 3; ++pass) text = HalveDoubleBlanks(text);
    return text;
}

void BuildAddressObject(IAddress& address, web::json::value* object) {
    SetCompanyPart(address, *object);
    SetPersonPart(address, *object);
    SetPostalPart(address, *object);
    SetPhones(address, *object);
    SetFaxAndOnline(address, *object);
}
