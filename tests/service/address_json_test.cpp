// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "bridge/address_json.h"
#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"

namespace {

// An address of the invoice module.
ComPtr<IAddress> NewAddress() {
    ComPtr<ITarvos> manager;
    ComPtr<IGeneralInvoiceRequest> request;
    ComPtr<IAddress> address;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())));
    EXPECT_EQ(S_OK, manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, request->GetCreateAddress(address.ReleaseAndGetAddressOf()));
    return address;
}

web::json::value Build(IAddress& address) {
    web::json::value object = web::json::value::object();
    BuildAddressObject(address, &object);
    return object;
}

TEST(AddressObjectTest, PersonCompanyAndNeither) {
    VARIANT_BOOL ok;
    ComPtr<IAddress> person = NewAddress(), company = NewAddress(), neither = NewAddress();
    person->SetPerson("Muster", "Anna", "Frau", "Dr. med.", "2. Stock", &ok);
    person->SetPostal("Bahnhofstrasse 1", "Postfach 12", "3000", "Bern", "BE", "CH", &ok);
    person->SetFax("22", "31", "41", "", &ok);
    person->SetOnline("anna@example.ch", "https://example.ch", &ok);
    for (const char* number : {"11", "22", "33"}) person->AddPhone(number, "31", "", "9", &ok);
    company->SetCompany("Praxis AG", "Labor", "c/o Empfang", &ok);
    company->AddPhone("22", "", "", "", &ok);
    EXPECT_EQ(
        web::json::value::parse(
            R"({"pbIsPrivateAddress":true,"pbstrCompanyName":"","pbstrDepartment":"",)"
            R"("pbstrSalutation":"Frau","pbstrTitle":"Dr. med.","pbstrFamilyname":"Muster",)"
            R"("pbstrGivenname":"Anna","pbstrSubaddressing":"2. Stock",)"
            R"("pbstrStreet":"Bahnhofstrasse 1","pbstrPoBox":"Postfach 12","pbstrZip":"3000",)"
            R"("pbstrCity":"Bern","pbstrStateCode":"BE","pbstrCountryCode":"CH",)"
            R"("pbstrPhone1":"31 11 9","pbstrPhone2":"31 22 9","pbstrPhone3":"31 33 9",)"
            R"("pbstrFax":"41 31 22","pbstrEMail":"anna@example.ch","pbstrUrl":"https://example.ch"})"),
        Build(*person.Get()));
    // A company, and neither person nor company: private, no names, no
    // subaddressing; "-" for a member that is not there.
    std::string fields;
    for (IAddress* address : {company.Get(), neither.Get()}) {
        web::json::value object = Build(*address);
        for (const char* key :
             {"pbIsPrivateAddress", "pbstrCompanyName", "pbstrDepartment", "pbstrSubaddressing",
              "pbstrFamilyname", "pbstrPhone1", "pbstrPhone2"})
            fields += (object.has_field(key) ? object.at(key).serialize() : "-") + "|";
    }
    EXPECT_EQ(R"(false|"Praxis AG"|"Labor"|"c/o Empfang"|""|"22"|-|true|""|""|-|""|-|-|)", fields);
}

}  // namespace
