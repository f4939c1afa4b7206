#include "module/objects/result_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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
using R = IGeneralInvoiceResult;

// The text of `address` as a read shows it.
std::string Addr(const invoice::Address& address) {
    return com_reads::Text(MakeComObject<CAddress>(address).Get());
}

// One read, or the reads of a first/next walk joined by ' ', of a result.
struct ResultRead {
    template <class... P>
    ResultRead(HRESULT (R::*get)(P*...), std::string full, std::string empty)
        : read([get](R* r) { return Read(r, get); }),
          full(std::move(full)),
          empty(std::move(empty)) {}
    // A walk of an empty list reads the end of the full one.
    template <class... P>
    ResultRead(HRESULT (R::*first)(P*...), HRESULT (R::*next)(P*...), std::string full)
        : read([=](R* r) { return Joined(com_reads::Walk(r, first, next)); }),
          full(std::move(full)),
          empty(this->full.substr(this->full.rfind(' ') + 1)) {}

    std::function<std::string(R*)> read;
    std::string full;   // of the sample with every value of a service record
    std::string empty;  // of an invoice with its defaults
};

std::vector<ResultRead> ResultReads() {
    return {
        {&R::GetReminder, "ok|RM-1|44015|1593734400|2|Zweite Mahnung|5|T", "ok||0|0|0||0|F"},
        {&R::GetReferrer,
         "ok|7601000000019|R123456|1234567|Chirurgie|" + Addr(PersonAddress("Zuweiser", "Hans")) +
             "|T",
         "ok|||||{}|F"},
        {&R::GetInsured, "ok|1|43971|7561234567897|{}|T", "ok|0|0||{}|F"},
        {&R::GetInsurance, "ok|7601000000002|" + Addr(BankAddress()) + "|T", "ok||{}|F"},
        {&R::GetEmployer,
         "ok|7601000000026|CHE-123.456.789|" + Addr(PersonAddress("Chef", "Anna")) + "|T",
         "ok|||{}|F"},
        {&R::GetCard, "ok|80756012340000000001|46022|43985|VAL-7|srv1|T", "ok||0|0|||F"},
        {&R::GetXtraHospital, "ok|2|43971|12|2|1|2|M100|0|T", "ok|0|0|0|0|0|0||0|F"},
        {&R::GetFirstGrouperRecord, &R::GetNextGrouperRecord,
         "ok|1|11|Notfall|T ok|2|0|Entlassung|T end|0|0||F"},
        {&R::GetFirstBfSRecord, &R::GetNextBfSRecord, "ok|1|1|Zuhause|T end|0|0||F"},
        {&R::GetFirstCaseDetail, &R::GetNextCaseDetail,
         "ok|001|00.0010|43971|43983|ACID-1|T ok|999|GA|43985|43985||T end|||0|0||F"},
        {&R::GetFirstInstruction, &R::GetNextInstruction,
         "ok|token1|value1|T ok|token2|value2|T end|||F"},
        {&R::GetFirstService, &R::GetNextService,
         "ok|999|GA||1|1|43985|0|2000000000008|2000000000008|Gutachten "
         "A|2700|1|1|2700|8|0|||0|0|2|T "
         "ok|999|GB||1|1|43985|0|2000000000008|2000000000008|Gutachten "
         "B|2500|1|1|2500|2.5|0|||0|0|3|T "
         "ok|999|123456789||1|1|43985|0|2000000000008|2000000000008|test "
         "article|10.15|1|1|10.15|0|0|||0|0|4|T "
         "ok|999|1234567890|REF|0.5|2|43985|43986|2000000000008|2000000000008|test article "
         "fractional|10.15|0.89|1.1|5.08|0|0|Bemerkung|S1|1|5|5|T "
         "end||||0|0|0|0||||0|0|0|0|0|0|||0|0|0|F"},
    };
}

// Each read twice: a first read after the end of a walk restarts it.
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
    ComPtr<R> full = ResultOver(invoice);
    ComPtr<R> empty = ResultOver(std::make_shared<invoice::InvoiceRequest>());
    for (const ResultRead& row : ResultReads()) {
        EXPECT_EQ(row.full, row.read(full.Get()));
        EXPECT_EQ(row.full, row.read(full.Get()));
        EXPECT_EQ(row.empty, row.read(empty.Get()));
    }
    // An address handed out is a copy.
    ComPtr<IAddress> guarantor;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, full->GetGuarantor(guarantor.ReleaseAndGetAddressOf(), &status));
    ASSERT_EQ(S_OK, guarantor->SetPerson("Anders", "Eva", "", "", "", &status));
    EXPECT_EQ("ok|" + Addr(PatientAddress()) + "|T", Read(full.Get(), &R::GetGuarantor));
    EXPECT_EQ("Spitzkiel", invoice->guarantor->address->person.familyname);
    // Each walk keeps its own position per result. A next read without a first
    // one reads the first element; a first read in the middle of a walk
    // restarts it. The drug and the DRG details of a record by its id; of
    // refused reads their results and the abort text.
    ComPtr<R> result = ResultOver(invoice), other = ResultOver(invoice);
    R* r = result.Get();
    EXPECT_EQ(
        "ok|1|11|Notfall|T ok|0|0|T ok|4|A1||T ok|1|J45.0|Asthma|T ok|60.98|2.5|T ok|0|0|T "
        "ok|0|0|T",
        Joined({Read(r, &R::GetNextGrouperRecord), Read(r, &R::GetFirstVat),
                Read(r, &R::GetFirstDiagnosis), Read(r, &R::GetNextDiagnosis),
                Read(r, &R::GetNextVat), Read(other.Get(), &R::GetNextVat),
                Read(r, &R::GetFirstVat)}));

    auto details = [r](long id) {
        std::string drug = Read(r, &R::GetXtraDrug, id), drg = Read(r, &R::GetXtraDRG, id);
        if (drg[0] == 'o') return drug + " " + drg;
        return drug.substr(0, 8) + " " + drg.substr(0, 8) + " " + Read(r, &R::GetAbortInfo);
    };
    EXPECT_EQ(
        "ok|1|B|2|3|1|T ok|0|0|F ok|0||0|0|0|F ok|0.75|0.25|T ok|0||0|0|0|F ok|0|0|F 80070057 "
        "80070057 ok|GetXtraDRG: lID 9 names no service record|T 80070057 80070057 "
        "ok|GetXtraDRG: lID 1 is an extended service record, which has no drug or DRG details|T",
        Joined({details(4), details(5), details(2), details(9), details(1)}));
    // The balance of an invoice never finalized is not current.
    invoice->finalized = false;
    EXPECT_EQ("ok|5232.99|17.76|0|5|5238|260.98|F",
              Read(ResultOver(invoice).Get(), &R::GetBalance));
}

// Next reads from several threads share the one position: together they read
// every service record exactly once.
TEST(ResultListTest, ThreadsReadingOneResultShareItsPositions) {
    auto invoice = SampleInvoice();
    invoice->services.assign(400, Article(1, "X", "x", "1", "1", "1", "0"));
    for (int id = 0; id < 400; ++id) invoice->services[id].record_id = id;
    ComPtr<R> result = ResultOver(invoice);
    std::vector<std::atomic<int>> count(400);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            // The record id is the next to last value of a read.
            for (std::string read; (read = Read(result.Get(), &R::GetNextService))[0] == 'o';) {
                read.resize(read.rfind('|'));
                ++count[std::stol(read.substr(read.rfind('|') + 1))];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(400, std::count(count.begin(), count.end(), 1));
}

}  // namespace
