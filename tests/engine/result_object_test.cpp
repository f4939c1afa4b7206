#include "module/objects/result_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/address_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"

// The single reads of the result object: every section of a full invoice and
// of an empty one read in one table, the payment slip of each kind, and the
// failures.

namespace {

using namespace result_test;
using com_reads::Read;
using R = IGeneralInvoiceResult;

// The text of `address` as a read shows it.
std::string Addr(const invoice::Address& address) {
    return com_reads::Text(MakeComObject<CAddress>(address).Get());
}

struct SingleRead {
    std::string (*read)(R*);
    std::string full;   // of SampleInvoice()
    std::string empty;  // of an invoice with its defaults (Italian)
};

std::vector<SingleRead> SingleReads() {
    const std::string patient = Addr(PatientAddress());
    const std::string mandant = Addr(PersonAddress("Mandant.tarmed", "Mandant.tarmed"));
    const std::string bank = Addr(BankAddress());
    return {
        {[](R* r) { return Read(r, &R::GetRequest); }, "ok|1|1|1||0|1|Bemerkung|T",
         "ok|3|0|0||0|0||F"},
        {[](R* r) { return Read(r, &R::GetProcessing); }, "ok|0|1|TC-42|T", "ok|0|0||T"},
        {[](R* r) { return Read(r, &R::GetTransport); },
         "ok|2000000000008|/keys/biller.pfx|secret|7601000000002|7601000000002|/keys/"
         "recipient.der|T",
         "ok|||||||F"},
        {[](R* r) { return Read(r, &R::GetPackage); }, "ok|Elexis|380|17|(c) Elexis|T",
         "ok||0|0||F"},
        {[](R* r) { return Read(r, &R::GetInvoice); }, "ok|000001000001|43985|1591170775|T",
         "ok||0|0|F"},
        {[](R* r) { return Read(r, &R::GetCredit); }, "ok|CR-9|43845|1579046400|T", "ok||0|0|F"},
        {[](R* r) { return Read(r, &R::GetReminder); },
         "ok|RM-1|44015|1593734400|2|Zweite Mahnung|5|T", "ok||0|0|0||0|F"},
        {[](R* r) { return Read(r, &R::GetTiers); }, "ok|1|CHE-111.222.333 MWST|0|T", "ok|0||0|F"},
        {[](R* r) { return Read(r, &R::GetBalance); }, "ok|5232.99|17.76|0|5|5238|260.98|T",
         "ok|0|0|0|0|0|0|F"},
        {[](R* r) { return Read(r, &R::GetEsrType); }, "ok|4|T", "ok|0|F"},
        {[](R* r) { return Read(r, &R::GetBiller); },
         "ok|2000000000008|C000002||Allgemein|" + mandant + "|T", "ok|||||{}|F"},
        {[](R* r) { return Read(r, &R::GetProvider); },
         "ok|2000000000008|C000002||Allgemein|" + mandant + "|T", "ok|||||{}|F"},
        {[](R* r) { return Read(r, &R::GetReferrer); },
         "ok|7601000000019|R123456|1234567|Chirurgie|" + Addr(PersonAddress("Zuweiser", "Hans")) +
             "|T",
         "ok|||||{}|F"},
        {[](R* r) { return Read(r, &R::GetPatient); }, "ok|2|20924|7569217076985|" + patient + "|T",
         "ok|0|0||{}|F"},
        {[](R* r) { return Read(r, &R::GetInsured); }, "ok|1|43971|7561234567897|{}|T",
         "ok|0|0||{}|F"},
        {[](R* r) { return Read(r, &R::GetGuarantor); }, "ok|" + patient + "|T", "ok|{}|F"},
        {[](R* r) { return Read(r, &R::GetDebitor); }, "ok|7601000000002|" + patient + "|T",
         "ok||{}|F"},
        {[](R* r) { return Read(r, &R::GetInsurance); }, "ok|7601000000002|" + bank + "|T",
         "ok||{}|F"},
        {[](R* r) { return Read(r, &R::GetEmployer); },
         "ok|7601000000026|CHE-123.456.789|" + Addr(PersonAddress("Chef", "Anna")) + "|T",
         "ok|||{}|F"},
        {[](R* r) { return Read(r, &R::GetTreatment); }, "ok|APID-1|ACID-1|43971|43983|21|1|1|0|T",
         "ok|||0|0|0|0|0|0|F"},
        {[](R* r) { return Read(r, &R::GetLaw); }, "ok|4|43971|123456|123456|T", "ok|0|0|||F"},
        {[](R* r) { return Read(r, &R::GetCard); },
         "ok|80756012340000000001|46022|43985|VAL-7|srv1|T", "ok||0|0|||F"},
        {[](R* r) { return Read(r, &R::GetXtraHospital); }, "ok|2|43971|12|2|1|2|M100|0|T",
         "ok|0|0|0|0|0|0||0|F"},
    };
}

TEST(ResultSingleReadTest, ReadsEverySectionOfAFullAndOfAnEmptyInvoice) {
    ComPtr<R> full = ResultOver(SampleInvoice());
    auto defaults = std::make_shared<invoice::InvoiceRequest>();
    defaults->language = invoice::Language::kItalian;
    ComPtr<R> empty = ResultOver(defaults);
    for (const SingleRead& row : SingleReads()) {
        EXPECT_EQ(row.full, row.read(full.Get()));
        EXPECT_EQ(row.empty, row.read(empty.Get()));
    }
}

}  // namespace
