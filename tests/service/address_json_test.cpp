// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "bridge/address_json.h"

#include <array>
#include <vector>

#include "common/exceptions.h"

namespace {

using Parts = std::array<std::string, 4>;  // number, local, international, ext

// An address whose content the test sets directly; GetPostal fails with
// `postalResult` when that is not S_OK.
class FakeAddress : public IAddress {
  public:
    long type = 1;
    std::array<std::string, 3> company{"Praxis AG", "Labor", "c/o Empfang"};
    std::array<std::string, 5> person{"Muster", "Anna", "Frau", "Dr. med.", "2. Stock"};
    std::array<std::string, 6> postal{
        "Bahnhofstrasse 1", "Postfach 12", "3000", "Bern", "BE", "CH"};
    std::vector<Parts> phones;
    Parts fax{"", "", "", ""};
    std::string email = "anna@example.ch", url = "https://example.ch";
    HRESULT postalResult = S_OK;

    HRESULT QueryInterface(const IID&, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }

    HRESULT GetType(long* t) override {
        *t = type;
        return S_OK;
    }
    HRESULT GetCompany(BSTR* a, BSTR* b, BSTR* c, VARIANT_BOOL* s) override {
        *a = company[0], *b = company[1], *c = company[2], *s = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetPerson(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e, VARIANT_BOOL* s) override {
        *a = person[0], *b = person[1], *c = person[2], *d = person[3], *e = person[4];
        *s = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetPostal(BSTR* a, BSTR* b, BSTR* c, BSTR* d, BSTR* e, BSTR* f,
                      VARIANT_BOOL* s) override {
        *a = postal[0], *b = postal[1], *c = postal[2], *d = postal[3], *e = postal[4];
        *f = postal[5], *s = VARIANT_TRUE;
        return postalResult;
    }
    HRESULT GetFirstPhone(BSTR* a, BSTR* b, BSTR* c, BSTR* d, VARIANT_BOOL* s) override {
        next_ = 0;
        return GetNextPhone(a, b, c, d, s);
    }
    HRESULT GetNextPhone(BSTR* a, BSTR* b, BSTR* c, BSTR* d, VARIANT_BOOL* s) override {
        if (next_ >= phones.size()) {
            *s = VARIANT_FALSE;
            return S_FALSE;
        }
        const Parts& p = phones[next_++];
        *a = p[0], *b = p[1], *c = p[2], *d = p[3], *s = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetFax(BSTR* a, BSTR* b, BSTR* c, BSTR* d, VARIANT_BOOL* s) override {
        *a = fax[0], *b = fax[1], *c = fax[2], *d = fax[3];
        *s = VARIANT_FALSE;  // read whatever the status says
        return S_OK;
    }
    HRESULT GetOnline(BSTR* a, BSTR* b, VARIANT_BOOL* s) override {
        *a = email, *b = url, *s = VARIANT_TRUE;
        return S_OK;
    }

    // Not used by the builder.
    HRESULT Initialize(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT SetPerson(const BSTR&, const BSTR&, const BSTR&, const BSTR&, const BSTR&,
                      VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT SetCompany(const BSTR&, const BSTR&, const BSTR&, VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT SetPostal(const BSTR&, const BSTR&, const BSTR&, const BSTR&, const BSTR&, const BSTR&,
                      VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT SetFax(const BSTR&, const BSTR&, const BSTR&, const BSTR&, VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT AddPhone(const BSTR&, const BSTR&, const BSTR&, const BSTR&, VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    HRESULT SetOnline(const BSTR&, const BSTR&, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT GetAbortInfo(BSTR*, VARIANT_BOOL*) override { return E_NOTIMPL; }

  private:
    size_t next_ = 0;
};

web::json::value Build(FakeAddress& address) {
    web::json::value object = web::json::value::object();
    BuildAddressObject(address, &object);
    return object;
}

std::string Text(const web::json::value& object, const char* key) {
    return object.at(key).as_string();
}

TEST(PhoneTextTest, JoinsPartsInternationalFirst) {
    EXPECT_EQ("41 31 22", PhoneText("22", "31", "41", ""));
    EXPECT_EQ("41 31 22 100", PhoneText("22", "31", "41", "100"));
}

TEST(PhoneTextTest, EmptyPartsLeaveSingleBlanks) {
    EXPECT_EQ("22", PhoneText("22", "", "", ""));
    EXPECT_EQ("41 22", PhoneText("22", "", "41", ""));
    EXPECT_EQ("31 100", PhoneText("", "31", "", "100"));
    EXPECT_EQ("", PhoneText("", "", "", ""));
}

TEST(PhoneTextTest, BlankRunsInsidePartsShrink) {
    // Runs of up to eight blanks become one; longer runs keep more.
    EXPECT_EQ("41 31", PhoneText("", "31", "41      ", ""));
    EXPECT_EQ("031 22", PhoneText(" 22 ", "  031", "", "  "));
}

TEST(AddressObjectTest, PersonHasNamesAndEmptyCompany) {
    FakeAddress address;
    address.type = 1;
    web::json::value object = Build(address);
    EXPECT_TRUE(object.at("pbIsPrivateAddress").as_bool());
    EXPECT_EQ("", Text(object, "pbstrCompanyName"));
    EXPECT_EQ("", Text(object, "pbstrDepartment"));
    EXPECT_EQ("Muster", Text(object, "pbstrFamilyname"));
    EXPECT_EQ("Anna", Text(object, "pbstrGivenname"));
    EXPECT_EQ("Frau", Text(object, "pbstrSalutation"));
    EXPECT_EQ("Dr. med.", Text(object, "pbstrTitle"));
    EXPECT_EQ("2. Stock", Text(object, "pbstrSubaddressing"));
}

TEST(AddressObjectTest, CompanyHasCompanyPartsAndEmptyNames) {
    FakeAddress address;
    address.type = 2;
    web::json::value object = Build(address);
    EXPECT_FALSE(object.at("pbIsPrivateAddress").as_bool());
    EXPECT_EQ("Praxis AG", Text(object, "pbstrCompanyName"));
    EXPECT_EQ("Labor", Text(object, "pbstrDepartment"));
    EXPECT_EQ("c/o Empfang", Text(object, "pbstrSubaddressing"));
    for (const char* key : {"pbstrFamilyname", "pbstrGivenname", "pbstrSalutation", "pbstrTitle"}) {
        EXPECT_EQ("", Text(object, key)) << key;
    }
}

TEST(AddressObjectTest, OtherTypeIsPrivateWithoutNamesOrSubaddressing) {
    FakeAddress address;
    address.type = 3;
    web::json::value object = Build(address);
    EXPECT_TRUE(object.at("pbIsPrivateAddress").as_bool());
    EXPECT_EQ("", Text(object, "pbstrCompanyName"));
    EXPECT_EQ("", Text(object, "pbstrFamilyname"));
    EXPECT_FALSE(object.has_field("pbstrSubaddressing"));
}

TEST(AddressObjectTest, PostalFaxAndOnline) {
    FakeAddress address;
    address.fax = {"22", "31", "41", ""};
    web::json::value object = Build(address);
    EXPECT_EQ("Bahnhofstrasse 1", Text(object, "pbstrStreet"));
    EXPECT_EQ("Postfach 12", Text(object, "pbstrPoBox"));
    EXPECT_EQ("3000", Text(object, "pbstrZip"));
    EXPECT_EQ("Bern", Text(object, "pbstrCity"));
    EXPECT_EQ("BE", Text(object, "pbstrStateCode"));
    EXPECT_EQ("CH", Text(object, "pbstrCountryCode"));
    EXPECT_EQ("41 31 22", Text(object, "pbstrFax"));
    EXPECT_EQ("anna@example.ch", Text(object, "pbstrEMail"));
    EXPECT_EQ("https://example.ch", Text(object, "pbstrUrl"));
}

TEST(AddressObjectTest, NoPhonesLeaveThePhoneKeysAbsent) {
    FakeAddress address;
    web::json::value object = Build(address);
    EXPECT_FALSE(object.has_field("pbstrPhone1"));
    EXPECT_EQ("", Text(object, "pbstrFax"));
}

TEST(AddressObjectTest, FirstThreeOfFourPhones) {
    FakeAddress address;
    address.phones = {
        {"11", "31", "41", ""}, {"22", "", "", ""}, {"33", "44", "", "9"}, {"44", "", "", ""}};
    web::json::value object = Build(address);
    EXPECT_EQ("41 31 11", Text(object, "pbstrPhone1"));
    EXPECT_EQ("22", Text(object, "pbstrPhone2"));
    EXPECT_EQ("44 33 9", Text(object, "pbstrPhone3"));
    EXPECT_FALSE(object.has_field("pbstrPhone4"));
}

TEST(AddressObjectTest, FailedCallRaisesItsResult) {
    FakeAddress address;
    address.postalResult = E_OUTOFMEMORY;
    web::json::value object = web::json::value::object();
    try {
        BuildAddressObject(address, &object);
        FAIL() << "no exception";
    } catch (const COleException& e) {
        EXPECT_EQ(E_OUTOFMEMORY, e.m_sc);
    }
    EXPECT_FALSE(object.has_field("pbstrStreet"));
}

TEST(AddressObjectTest, PositiveResultIsNoFailure) {
    FakeAddress address;
    address.postalResult = S_FALSE;
    EXPECT_EQ("Bern", Text(Build(address), "pbstrCity"));
}

}  // namespace
