#include "module/objects/address_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>

#include "bridge/module_interfaces.h"
#include "tests/engine/com_reads.h"

namespace {

using com_reads::AddressText;
using com_reads::Call;
using com_reads::Read;
using A = IAddress;

// Each setter with a value at a limit (taken) and one past it (refused with
// the parameter named, nothing changed); the last taken call of each setter
// gives each part distinct values, which the address then reads back whole
// and copies by a snapshot. The later name decides the type; empty texts
// remove fax and online parts; Initialize empties all (as a new address).
TEST(AddressObjectTest, SettersTakeValuesAtTheirLimitsAndRefuseOnePast) {
    ComPtr<A> address;
    ASSERT_EQ(S_OK, CreateAddress(address.ReleaseAndGetAddressOf()));
    A* a = address.Get();
    VARIANT_BOOL status = VARIANT_FALSE;
    const std::string s35(35, 's'), s36(36, 's'), u100(100, 'u'), n15(15, '1');
    // 35 characters, of which 3 are two bytes long.
    const std::string street = "Zürichstrasse 123, Gebäude Süd 4567";
    // Each setter call with the refusal it gets when its bad value is given.
    const std::pair<com_reads::Setter<A>, const char*> cases[] = {
        {Call<1>(&A::SetPerson, "", "M", "P", "", "", ""), "SetPerson: bstrGivenname"},
        {Call<4>(&A::SetPerson, s36, "Muster", "Peter", "Herr", "Dr. med.", s35),
         "SetPerson: bstrSubaddressing"},
        {Call<1>(&A::SetCompany, s36, "Spital Beta AG", s35, "Haus C"),
         "SetCompany: bstrDepartment"},
        {Call<4>(&A::SetPostal, "1234567890", "", "", "3000", "Bern", "BE", ""),
         "SetPostal: bstrStateCode"},
        {Call<5>(&A::SetPostal, "CHEE", "", "", "3000", "Bern", "", "NDF"),
         "SetPostal: bstrCountryCode"},
        {Call<0>(&A::SetPostal, street + "8", street, "Postfach 12", "8000", "Zürich", "ZH", "CH"),
         "SetPostal: bstrStreet"},
        {Call<0>(&A::AddPhone, "", "1", "31", "+41", ""), "AddPhone: bstrNumber"},
        {Call<0>(&A::AddPhone, "12\a34", "1234", "", "", ""), "AddPhone: bstrNumber"},
        // Parts of fitting length whose joined text "+41 31 ... 99" is 25
        // characters (taken) or 26.
        {Call<0>(&A::AddPhone, n15 + "1", n15, "31", "+41", "99"),
         "AddPhone: the number with its codes"},
        {Call<0>(&A::SetFax, "12\a34", "7654321", "44", "+41", "12"), "SetFax: bstrNumber"},
        {Call<1>(&A::SetOnline, u100 + "u", "praxis@example.ch", u100), "SetOnline: bstrUrl"},
    };
    for (const auto& [call, refusal] : cases) {
        EXPECT_EQ(S_OK, call(a, &status, true)) << refusal << Read(a, &A::GetAbortInfo);
        const std::string before = AddressText(a);
        EXPECT_EQ(E_INVALIDARG, call(a, &status, false)) << refusal;
        EXPECT_EQ(0u, Read(a, &A::GetAbortInfo).find("ok|" + std::string(refusal)));
        EXPECT_EQ(before, AddressText(a)) << "a refused call changes nothing: " << refusal;
        EXPECT_EQ(E_POINTER, call(a, nullptr, true)) << refusal;
    }
    EXPECT_EQ(E_FAIL, a->AddPhone("4", "", "", "", &status));
    EXPECT_EQ(0u, Read(a, &A::GetAbortInfo).find("ok|AddPhone: the address holds 3 phones"));
    EXPECT_EQ("ok|2;ok|Muster|Peter|Herr|Dr. med.|" + s35 + "|F;ok|Spital Beta AG|" + s35 +
                  "|Haus C|T;ok|" + street +
                  "|Postfach 12|8000|Zürich|ZH|CH|T;ok|7654321|44|+41|12|T;ok|praxis@example.ch|" +
                  u100 + "|T;ok|1|31|+41||T ok|1234||||T ok|" + n15 + "|31|+41|99|T end|||||F",
              AddressText(a));
    EXPECT_EQ(AddressText(a),
              AddressText(MakeComObject<CAddress>(AsAddressImpl(a)->Snapshot()).Get()));
    // The phone walk stays at its end and restarts with a first read.
    ASSERT_EQ(S_OK, a->SetPerson("Muster", "Anna", "", "", "", &status));
    ASSERT_EQ(S_OK, a->SetFax("", "", "", "", &status));
    ASSERT_EQ(S_OK, a->SetOnline("", "", &status));
    EXPECT_EQ("end|||||F ok|1|31|+41||T ok|1234||||T ok|1 ok|||||F ok|||F",
              com_reads::Joined({Read(a, &A::GetNextPhone), Read(a, &A::GetFirstPhone),
                                 Read(a, &A::GetNextPhone), Read(a, &A::GetType),
                                 Read(a, &A::GetFax), Read(a, &A::GetOnline)}));
    ASSERT_EQ(S_OK, a->Initialize(&status));
    EXPECT_EQ("ok|0;ok||||||F;ok||||F;ok|||||||F;ok|||||F;ok|||F;end|||||F", AddressText(a));
}

// Requests of other groups may read an address (Snapshot) while its own group
// writes it: every read sees a whole person (both names alike), never half of
// one.
TEST(AddressObjectThreadTest, SnapshotsSeeWholeWrites) {
    ComPtr<A> address;
    ASSERT_EQ(S_OK, CreateAddress(address.ReleaseAndGetAddressOf()));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        VARIANT_BOOL status;
        for (int i = 0; i < 2000; ++i) {
            const char* name = i % 2 ? "Beta" : "Alpha";
            address->SetPerson(name, name, "", "", "", &status);
        }
        done = true;
    });
    int torn = 0;
    while (!done) {
        invoice::PersonName person = AsAddressImpl(address.Get())->Snapshot().person;
        torn += person.familyname != person.givenname;
    }
    writer.join();
    EXPECT_EQ(0, torn);
}

}  // namespace
