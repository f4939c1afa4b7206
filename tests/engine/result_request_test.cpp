#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/request_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/result_sample_invoice.h"

// From request to result: the sample invoice built through
// IGeneralInvoiceRequest, finalized, and read back through an
// IGeneralInvoiceResult over the request's finalized snapshot.

namespace {

using com_reads::Read;
using com_reads::Walk;
using R = IGeneralInvoiceResult;

class ResultOfRequestTest : public request_test::RequestTest {
  protected:
    // Builds and finalizes the sample; the result over its snapshot.
    ComPtr<R> FinalizedResult() {
        build_.SetSampleSections();
        build_.AddSampleServices();
        EXPECT_EQ(S_OK, request_->SetXtraDrug(4, 1, "B", 2, 3, 0, &status_)) << Abort();
        double round_difference = -1;
        EXPECT_EQ(S_OK, request_->Finalize(&round_difference, &status_)) << Abort();
        EXPECT_NEAR(0.01, round_difference, 1e-9);
        CGeneralInvoiceRequest* impl = AsRequestImpl(request_.Get());
        if (impl == nullptr || !impl->IsFinalized()) return nullptr;
        return result_test::ResultOver(impl->FinalizedSnapshot());
    }
};

TEST_F(ResultOfRequestTest, ReadsBackWhatTheRequestFinalized) {
    ComPtr<R> result = FinalizedResult();
    ASSERT_TRUE(result);
    EXPECT_EQ("ok|5232.99|17.76|0|0|5233|254.02|T", Read(result.Get(), &R::GetBalance));
    EXPECT_EQ(
        (std::vector<std::string>{"ok|0|0|T", "ok|60.98|2.5|T", "ok|193.04|7.7|T", "end|0|0|F"}),
        Walk(result.Get(), &R::GetFirstVat, &R::GetNextVat));
    EXPECT_EQ(
        (std::vector<std::string>{"ok|999|GA||1|1|43985|0|2000000000008|2000000000008|Artikel "
                                  "GA|2700|1|1|2700|7.7|0|||0|0|2|T",
                                  "ok|999|GB||1|1|43985|0|2000000000008|2000000000008|Artikel "
                                  "GB|2500|1|1|2500|2.5|0|||0|0|3|T",
                                  "ok|999|123456789||1|1|43985|0|2000000000008|2000000000008|"
                                  "Artikel 123456789|10.15|1|1|10.15|0|0|||0|0|4|T",
                                  "ok|999|1234567890||0.5|1|43985|0|2000000000008|2000000000008|"
                                  "Artikel 1234567890|10.15|1|1|5.08|0|0|||0|0|5|T",
                                  "end||||0|0|0|0||||0|0|0|0|0|0|||0|0|0|F"}),
        Walk(result.Get(), &R::GetFirstService, &R::GetNextService));
    EXPECT_EQ((std::vector<std::string>{
                  "ok|001|00.0010||1|1|43985|0|1|Konsultation, erste 5 Min. "
                  "(Grundkonsultation)|9.57|1|1|9.57|8.19|1|1|8.19|17.76|0|1||1||0|0|1|1|1|"
                  "2000000000008|2000000000008|3|1|1|T",
                  "end||||0|0|0|0|0||0|0|0|0|0|0|0|0|0|0|0||0||0|0|0|0|0|||0|0|0|F"}),
              Walk(result.Get(), &R::GetFirstServiceEx, &R::GetNextServiceEx));
    EXPECT_EQ("ok|1|B|2|3|0|T", Read(result.Get(), &R::GetXtraDrug, 4));
    EXPECT_EQ(
        "ok|2|20924|7569217076985|{ok|1;ok|Spitzkiel|Beatrice|Frau|||T;ok||||F;ok|||0000|Unbekannt|"
        "|NDF|T;ok|||||F;ok|||F;ok|555-555 55 55||||T;end|||||F}|T",
        Read(result.Get(), &R::GetPatient));
    EXPECT_EQ(
        "ok|4|CH4431999123000889012|210000000003139471430009017||{ok|2;ok||||||F;ok|Test "
        "Bank|||T;ok|Bankweg "
        "1||2501|Biel||CH|T;ok|||||F;ok|||F;end|||||F}|{ok|1;ok|Mandant.tarmed|Mandant.tarmed|Frau|"
        "||T;ok||||F;ok|||0000|Unbekannt||NDF|T;ok|||||F;ok|||F;end|||||F}|30|T",
        Read(result.Get(), &R::GetEsrQR));
}

TEST_F(ResultOfRequestTest, ResultOutlivesLaterChangesItsRequestAndManager) {
    ComPtr<R> result = FinalizedResult();
    ASSERT_TRUE(result);
    const std::string invoice = Read(result.Get(), &R::GetInvoice);
    ASSERT_EQ(S_OK,
              request_->SetInvoice("999999", request_test::Day(2020, 6, 4), 1591170776, &status_));
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    request_ = nullptr;
    module_.request = nullptr;
    module_.manager = nullptr;
    EXPECT_EQ("ok|000001000001|43985|1591170775|T", invoice);
    EXPECT_EQ(invoice, Read(result.Get(), &R::GetInvoice));
}

}  // namespace
