#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"

// The positions of the result object's first/next walks (separate per walk
// and per result, shared by threads), and the drug and DRG details of the
// service records.

namespace {

using namespace result_test;
using com_reads::Read;
using R = IGeneralInvoiceResult;

TEST(ResultListTest, EachWalkKeepsItsOwnPositionPerResult) {
    auto invoice = SampleInvoice();
    ComPtr<R> result = ResultOver(invoice);
    ComPtr<R> other = ResultOver(invoice);
    // A next read without a first one reads the first element.
    EXPECT_EQ("ok|1|11|Notfall|T", Read(result.Get(), &R::GetNextGrouperRecord));
    ASSERT_EQ("ok|0|0|T", Read(result.Get(), &R::GetFirstVat));
    ASSERT_EQ("ok|4|A1||T", Read(result.Get(), &R::GetFirstDiagnosis));
    ASSERT_EQ("ok|1|J45.0|Asthma|T", Read(result.Get(), &R::GetNextDiagnosis));
    EXPECT_EQ("ok|60.98|2.5|T", Read(result.Get(), &R::GetNextVat));
    EXPECT_EQ("ok|0|0|T", Read(other.Get(), &R::GetNextVat));
    // A first read in the middle of a walk restarts it; a next read refused
    // for a null out-pointer does not move it.
    EXPECT_EQ("ok|0|0|T", Read(result.Get(), &R::GetFirstVat));
    double vat = 0;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(E_POINTER, result->GetNextVat(&vat, nullptr, &status));
    EXPECT_EQ("ok|GetNextVat: an out-parameter is null|T", Read(result.Get(), &R::GetAbortInfo));
    EXPECT_EQ("ok|60.98|2.5|T", Read(result.Get(), &R::GetNextVat));
}

TEST(ResultListTest, ReadsDrugAndDrgDetailsOfServiceRecords) {
    ComPtr<R> result = ResultOver(SampleInvoice());
    R* r = result.Get();
    // The drug and the DRG read of a record; of refused reads their results
    // and the abort text.
    auto reads = [r](long id) {
        std::string drug = Read(r, &R::GetXtraDrug, id), drg = Read(r, &R::GetXtraDRG, id);
        if (drg[0] == 'o') return drug + " " + drg;
        return drug.substr(0, 8) + " " + drg.substr(0, 8) + " " + Read(r, &R::GetAbortInfo);
    };
    EXPECT_EQ("ok|1|B|2|3|1|T ok|0|0|F", reads(4));
    EXPECT_EQ("ok|0||0|0|0|F ok|0.75|0.25|T", reads(5));
    EXPECT_EQ("ok|0||0|0|0|F ok|0|0|F", reads(2));
    EXPECT_EQ("80070057 80070057 ok|GetXtraDRG: lID 9 names no service record|T", reads(9));
    EXPECT_EQ(
        "80070057 80070057 ok|GetXtraDRG: lID 1 is an extended service record, which has no "
        "drug or DRG details|T",
        reads(1));
}

TEST(ResultListTest, ThreadsReadingOneResultShareItsPositions) {
    // Next reads from several threads share the one position: together they
    // read every service record exactly once, while single reads go on.
    auto invoice = SampleInvoice();
    invoice->services.clear();
    for (int id = 1; id <= 400; ++id) {
        invoice->services.push_back(Article(id, "X", "x", "1", "1", "1", "0"));
    }
    ComPtr<R> result = ResultOver(invoice);
    const std::string balance = Read(result.Get(), &R::GetBalance);
    std::vector<std::atomic<int>> count(401);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            // The record id is the next to last value of a read.
            for (std::string read; (read = Read(result.Get(), &R::GetNextService))[0] == 'o';) {
                read.resize(read.rfind('|'));
                ++count[std::stol(read.substr(read.rfind('|') + 1))];
                failures += Read(result.Get(), &R::GetBalance) != balance;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
    for (int id = 1; id <= 400; ++id) EXPECT_EQ(1, count[id].load()) << id;
}

}  // namespace
