#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"

// The first/next reads of the result object (every list, past the end,
// restart, empty lists, separate positions), the service records with their
// drug and DRG details, and reads from several threads at once.

namespace {

using namespace result_test;
using com_reads::Read;
using com_reads::Walk;
using R = IGeneralInvoiceResult;
using Reads = std::vector<std::string>;

struct ListWalk {
    Reads (*walk)(R*);
    Reads full;  // of SampleInvoice(), the last read past the end
};

std::vector<ListWalk> ListWalks() {
    return {
        {[](R* r) { return Walk(r, &R::GetFirstVat, &R::GetNextVat); },
         {"ok|0|0|T", "ok|60.98|2.5|T", "ok|200|8|T", "end|0|0|F"}},
        {[](R* r) { return Walk(r, &R::GetFirstGrouperRecord, &R::GetNextGrouperRecord); },
         {"ok|1|11|Notfall|T", "ok|2|0|Entlassung|T", "end|0|0||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstBfSRecord, &R::GetNextBfSRecord); },
         {"ok|1|1|Zuhause|T", "end|0|0||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstCaseDetail, &R::GetNextCaseDetail); },
         {"ok|001|00.0010|43971|43983|ACID-1|T", "ok|999|GA|43985|43985||T", "end|||0|0||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstDiagnosis, &R::GetNextDiagnosis); },
         {"ok|4|A1||T", "ok|1|J45.0|Asthma|T", "end|0|||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstInstruction, &R::GetNextInstruction); },
         {"ok|token1|value1|T", "ok|token2|value2|T", "end|||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstDocument, &R::GetNextDocument); },
         {"ok|0|/tmp/report.pdf|Bericht|application/pdf|T",
          "ok|1|https://example.org/x-ray|Roentgen|image/png|T", "end|0||||F"}},
        {[](R* r) { return Walk(r, &R::GetFirstService, &R::GetNextService); },
         {"ok|999|GA||1|1|43985|0|2000000000008|2000000000008|Gutachten "
          "A|2700|1|1|2700|8|0|||0|0|2|T",
          "ok|999|GB||1|1|43985|0|2000000000008|2000000000008|Gutachten "
          "B|2500|1|1|2500|2.5|0|||0|0|3|T",
          "ok|999|123456789||1|1|43985|0|2000000000008|2000000000008|test "
          "article|10.15|1|1|10.15|0|0|||0|0|4|T",
          "ok|999|1234567890|REF|0.5|2|43985|43986|2000000000008|2000000000008|test article "
          "fractional|10.15|0.89|1.1|5.08|0|0|Bemerkung|S1|1|5|5|T",
          "end||||0|0|0|0||||0|0|0|0|0|0|||0|0|0|F"}},
        {[](R* r) { return Walk(r, &R::GetFirstServiceEx, &R::GetNextServiceEx); },
         {"ok|001|00.0010||1|1|43985|0|2|Konsultation, erste 5 Min. "
          "(Grundkonsultation)|9.57|1|0.93|9.57|8.19|0.98|1|8.19|17.76|0|1||3||0|9|2|1|1.05|"
          "2000000000008|2000000000008|1|2|1|T",
          "end||||0|0|0|0|0||0|0|0|0|0|0|0|0|0|0|0||0||0|0|0|0|0|||0|0|0|F"}},
    };
}

// The sample with every value of one `service` and one extended record set.
std::shared_ptr<invoice::InvoiceRequest> FullInvoice() {
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
    invoice::ServiceRecord& ex = invoice->services[0];
    ex.side = invoice::BodySide::kLeft;
    ex.group_size = 3;
    ex.billing_role = invoice::BillingRole::kMT;
    ex.medical_role = invoice::MedicalRole::kEmployee;
    ex.treatment = invoice::TreatmentType::kStationary;
    ex.mt.scale_factor = D("0.93");
    ex.tt.external_factor = D("1.05");
    ex.tt.unit_factor = D("0.98");
    ex.service_attributes = 9;
    return invoice;
}

TEST(ResultListTest, WalksEveryListOfAFullAndOfAnEmptyInvoice) {
    ComPtr<R> full = ResultOver(FullInvoice());
    ComPtr<R> empty = ResultOver(std::make_shared<invoice::InvoiceRequest>());
    for (const ListWalk& row : ListWalks()) {
        EXPECT_EQ(row.full, row.walk(full.Get()));
        // Again after the end: a first read restarts.
        EXPECT_EQ(row.full, row.walk(full.Get()));
        Reads none = row.walk(empty.Get());
        ASSERT_EQ(1u, none.size());
        EXPECT_EQ(row.full.back(), none[0]);
    }
}

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
    // A first read in the middle of a walk restarts it.
    EXPECT_EQ("ok|0|0|T", Read(result.Get(), &R::GetFirstVat));
    EXPECT_EQ("ok|60.98|2.5|T", Read(result.Get(), &R::GetNextVat));
}

TEST(ResultListTest, ReadsDrugAndDrgDetailsOfServiceRecords) {
    ComPtr<R> result = ResultOver(SampleInvoice());
    struct Row {
        long id;
        std::string drug, drg, abort;
    };
    const std::string blank_drug = "ok|0||0|0|0|F", blank_drg = "ok|0|0|F";
    const std::string unknown = "GetXtraDRG: lID 9 names no service record";
    const std::string extended =
        "GetXtraDRG: lID 1 is an extended service record, which has no drug or DRG details";
    for (const Row& row : std::vector<Row>{
             {4, "ok|1|B|2|3|1|T", blank_drg, ""},
             {5, blank_drug, "ok|0.75|0.25|T", ""},
             {2, blank_drug, blank_drg, ""},
             {9, "80070057", "80070057", unknown},
             {1, "80070057", "80070057", extended},
         }) {
        // A refused read: its result and abort text only.
        size_t keep = row.abort.empty() ? std::string::npos : 8;
        EXPECT_EQ(row.drug, Read(result.Get(), &R::GetXtraDrug, row.id).substr(0, keep));
        EXPECT_EQ(row.drg, Read(result.Get(), &R::GetXtraDRG, row.id).substr(0, keep));
        if (!row.abort.empty()) {
            EXPECT_EQ("ok|" + row.abort + "|T", Read(result.Get(), &R::GetAbortInfo));
        }
    }
}

TEST(ResultListTest, NullOutPointerIsRefusedAndDoesNotMoveTheWalk) {
    ComPtr<R> result = ResultOver(SampleInvoice());
    double vat = 0;
    VARIANT_BOOL status = 0;
    ASSERT_EQ("ok|0|0|T", Read(result.Get(), &R::GetFirstVat));
    EXPECT_EQ(E_POINTER, result->GetNextVat(&vat, nullptr, &status));
    EXPECT_EQ("ok|GetNextVat: an out-parameter is null|T", Read(result.Get(), &R::GetAbortInfo));
    EXPECT_EQ("ok|60.98|2.5|T", Read(result.Get(), &R::GetNextVat));
}

TEST(ResultListTest, ThreadsReadingOneResultShareItsPositions) {
    // Next reads from several threads share the one position: together they
    // read every service record exactly once, while single reads go on.
    constexpr int kThreads = 4;
    auto invoice = SampleInvoice();
    invoice->services.clear();
    for (int id = 1; id <= 400; ++id) {
        invoice->services.push_back(Article(id, "X", "x", "1", "1", "1", "0"));
    }
    ComPtr<R> result = ResultOver(invoice);
    const std::string balance = Read(result.Get(), &R::GetBalance);
    std::vector<std::vector<long>> seen(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // The record id is the next to last value of a read.
            for (std::string read; (read = Read(result.Get(), &R::GetNextService))[0] == 'o';) {
                read.resize(read.rfind('|'));
                seen[t].push_back(std::stol(read.substr(read.rfind('|') + 1)));
                if (Read(result.Get(), &R::GetBalance) != balance) ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), failures);
    std::vector<int> count(401, 0);
    for (const std::vector<long>& ids : seen) {
        for (long id : ids) ++count[id];
    }
    for (int id = 1; id <= 400; ++id) EXPECT_EQ(1, count[id]) << id;
}

}  // namespace
