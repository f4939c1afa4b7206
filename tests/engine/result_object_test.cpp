#include "module/objects/result_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/address_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"

// The reads of the result object: the sections and lists of a full invoice
// and of an empty one (those the service's read tables pin with the written
// sample are read there), the positions of the walks, the drug and DRG
// details, and the failures.

namespace {

using namespace result_test;
using com_reads::Joined;
using com_reads::Read;
using com_reads::Walk;
using R = IGeneralInvoiceResult;

// The text of `address` as a read shows it.
std::string Addr(const invoice::Address& address) {
    return com_reads::Text(MakeComObject<CAddress>(address).Get());
}

// The reads of sections and lists the service's read tables do not pin,
// joined by ' ': the walks to their end, of the services the first two.
// Each walk keeps its own position: the first VAT line is read before all
// others and the second after them; a next read of the grouper records
// before their walk reads the first, and a first read then restarts it.
std::string Reads(R* r) {
    return Joined(
        {Read(r, &R::GetFirstVat), Read(r, &R::GetNextGrouperRecord), Read(r, &R::GetReminder),
         Read(r, &R::GetReferrer), Read(r, &R::GetInsured), Read(r, &R::GetInsurance),
         Read(r, &R::GetEmployer), Read(r, &R::GetCard), Read(r, &R::GetXtraHospital),
         Read(r, &R::GetFirstService), Read(r, &R::GetNextService),
         Walk(r, &R::GetFirstGrouperRecord, &R::GetNextGrouperRecord),
         Walk(r, &R::GetFirstBfSRecord, &R::GetNextBfSRecord),
         Walk(r, &R::GetFirstCaseDetail, &R::GetNextCaseDetail),
         Walk(r, &R::GetFirstInstruction, &R::GetNextInstruction), Read(r, &R::GetNextVat)});
}

// The reads of the sample, the second service with every value of a record,
// the positions of another result; the reads of an invoice with its
// defaults; a copy of an address; the drug and DRG details of a record by its id, and of
// refused reads their results and the abort text; the balance of an invoice
// never finalized, which is not current.
TEST(ResultReadTest, ReadsOfAFullAndOfAnEmptyInvoiceWalksDetailsAndCopiesOfAddresses) {
    auto invoice = SampleInvoice();
    invoice::ServiceRecord& record = invoice->services[4];
    record.ref_code = "REF";
    record.session = 2;
    record.date_end = kInvoiceDay + 1;
    record.unit_factor = D("0.89");
    record.external_factor = D("1.1");
    record.remark = "Bemerkung";
    record.section_code = "S1";
    record.ignore_validate = true;
    record.service_attributes = 5;
    std::swap(invoice->services[2], invoice->services[4]);
    ComPtr<R> full = ResultOver(invoice);
    R* r = full.Get();
    EXPECT_EQ(
        "ok|0|0|T ok|1|11|Notfall|T ok|RM-1|44015|1593734400|2|Zweite Mahnung|5|T "
        "ok|7601000000019|R123456|1234567|Chirurgie|" +
            Addr(PersonAddress("Zuweiser", "Hans")) +
            "|T ok|1|43971|7561234567897|{}|T ok|7601000000002|" + Addr(BankAddress()) +
            "|T ok|7601000000026|CHE-123.456.789|" + Addr(PersonAddress("Chef", "Anna")) +
            "|T ok|80756012340000000001|46022|43985|VAL-7|srv1|T "
            "ok|2|43971|12|2|1|2|M100|0|T "
            "ok|999|GA||1|1|43985|0|2000000000008|2000000000008|Gutachten A|2700|1|1|2700|"
            "8|0|||0|0|2|T ok|999|1234567890|REF|0.5|2|43985|43986|2000000000008|"
            "2000000000008|test article fractional|10.15|0.89|1.1|5.08|0|0|Bemerkung|S1|1|"
            "5|5|T ok|1|11|Notfall|T ok|2|0|Entlassung|T end|0|0||F ok|1|1|Zuhause|T "
            "end|0|0||F ok|001|00.0010|43971|43983|ACID-1|T ok|999|GA|43985|43985||T "
            "end|||0|0||F ok|token1|value1|T ok|token2|value2|T end|||F ok|60.98|2.5|T",
        Reads(r));
    EXPECT_EQ("ok|0|0|T", Read(ResultOver(invoice).Get(), &R::GetNextVat));
    EXPECT_EQ(
        "end|0|0|F end|0|0||F ok||0|0|0||0|F ok|||||{}|F ok|0|0||{}|F ok||{}|F ok|||{}|F "
        "ok||0|0|||F ok|0|0|0|0|0|0||0|F end||||0|0|0|0||||0|0|0|0|0|0|||0|0|0|F "
        "end||||0|0|0|0||||0|0|0|0|0|0|||0|0|0|F end|0|0||F end|0|0||F end|||0|0||F end|||F "
        "end|0|0|F",
        Reads(ResultOver(std::make_shared<invoice::InvoiceRequest>()).Get()));
    ComPtr<IAddress> guarantor;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, full->GetGuarantor(guarantor.ReleaseAndGetAddressOf(), &status));
    ASSERT_EQ(S_OK, guarantor->SetPerson("Anders", "Eva", "", "", "", &status));
    EXPECT_EQ("ok|" + Addr(PatientAddress()) + "|T", Read(r, &R::GetGuarantor));
    auto details = [r](long id) {
        std::string drug = Read(r, &R::GetXtraDrug, id), drg = Read(r, &R::GetXtraDRG, id);
        if (drg[0] == 'o') return drug + " " + drg;
        return drug.substr(0, 8) + " " + drg.substr(0, 8) + " " + Read(r, &R::GetAbortInfo);
    };
    EXPECT_EQ(
        "ok|1|B|2|3|1|T ok|0|0|F ok|0||0|0|0|F ok|0.75|0.25|T 80070057 80070057 ok|GetXtraDRG: "
        "lID 9 names no service record|T 80070057 80070057 ok|GetXtraDRG: lID 1 is an extended "
        "service record, which has no drug or DRG details|T",
        Joined({details(4), details(5), details(9), details(1)}));
    invoice->finalized = false;
    EXPECT_EQ("ok|5232.99|17.76|0|5|5238|260.98|F",
              Read(ResultOver(invoice).Get(), &R::GetBalance));
}

// Next reads from several threads share the one position: together they read
// every instruction exactly once.
TEST(ResultListTest, ThreadsReadingOneResultShareItsPositions) {
    auto invoice = std::make_shared<invoice::InvoiceRequest>();
    for (int k = 0; k < 20000; ++k)
        invoice->processing.instructions.push_back({"", std::to_string(k)});
    ComPtr<R> result = ResultOver(invoice);
    std::vector<std::atomic<int>> count(20000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            // "ok||<value>|T"
            for (std::string read; (read = Read(result.Get(), &R::GetNextInstruction))[0] == 'o';) {
                ++count[std::stoi(read.substr(4))];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(20000, std::count(count.begin(), count.end(), 1));
}

}  // namespace
