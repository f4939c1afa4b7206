#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/result_factory.h"
#include "tests/engine/result_sample_invoice.h"

// The first/next reads of the result object (every list, past the end,
// restart, empty lists, separate positions), the service records with their
// drug and DRG details, and reads from several threads at once.

namespace {

using namespace result_test;

// The out-parameters of GetFirstService / GetNextService.
struct ServiceRead {
    BSTR tariff_type, code, reference_code, provider_ean, responsible_ean, text, remark,
        section_code;
    double quantity = -1, unit = -1, unit_factor = -1, external_factor = -1, amount = -1,
           vat_rate = -1;
    long session = -1, obligatory = -1, ignore_validate = -1, attributes = -1, id = -1;
    DATE date_begin = -1, date_end = -1;
    VARIANT_BOOL status = 0;

    HRESULT Read(IGeneralInvoiceResult* result, bool first) {
        auto method = first ? &IGeneralInvoiceResult::GetFirstService
                            : &IGeneralInvoiceResult::GetNextService;
        return (result->*method)(&tariff_type, &code, &reference_code, &quantity, &session,
                                 &date_begin, &date_end, &provider_ean, &responsible_ean, &text,
                                 &unit, &unit_factor, &external_factor, &amount, &vat_rate,
                                 &obligatory, &remark, &section_code, &ignore_validate, &attributes,
                                 &id, &status);
    }
};

// The out-parameters of GetFirstServiceEx / GetNextServiceEx.
struct ServiceExRead {
    BSTR tariff_type, code, reference_code, text, remark, section_code, provider_ean,
        responsible_ean;
    double quantity = -1, unit_mt = -1, unit_factor_mt = -1, scale_mt = -1, amount_mt = -1,
           unit_tt = -1, unit_factor_tt = -1, scale_tt = -1, amount_tt = -1, amount = -1,
           vat_rate = -1, external_mt = -1, external_tt = -1;
    long session = -1, side = -1, obligatory = -1, group_size = -1, ignore_validate = -1,
         attributes = -1, treatment = -1, billing_role = -1, medical_role = -1, id = -1;
    DATE date_begin = -1, date_end = -1;
    VARIANT_BOOL status = 0;

    HRESULT Read(IGeneralInvoiceResult* result, bool first) {
        auto method = first ? &IGeneralInvoiceResult::GetFirstServiceEx
                            : &IGeneralInvoiceResult::GetNextServiceEx;
        return (result->*method)(&tariff_type, &code, &reference_code, &quantity, &session,
                                 &date_begin, &date_end, &side, &text, &unit_mt, &unit_factor_mt,
                                 &scale_mt, &amount_mt, &unit_tt, &unit_factor_tt, &scale_tt,
                                 &amount_tt, &amount, &vat_rate, &obligatory, &remark, &group_size,
                                 &section_code, &ignore_validate, &attributes, &treatment,
                                 &external_mt, &external_tt, &provider_ean, &responsible_ean,
                                 &billing_role, &medical_role, &id, &status);
    }
};

class ResultListTest : public ::testing::Test {
  protected:
    ResultListTest() : invoice_(SampleInvoice()), result_(ResultOver(invoice_)) {}

    std::string AbortText() {
        BSTR text;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, result_->GetAbortInfo(&text, &status));
        return text;
    }

    // "rate:vat" of each VAT line read by a walk started with GetFirstVat.
    std::vector<std::string> VatWalk(IGeneralInvoiceResult* result) {
        std::vector<std::string> lines;
        double vat = 0, rate = 0;
        VARIANT_BOOL status = 0;
        for (HRESULT hr = result->GetFirstVat(&vat, &rate, &status); hr == S_OK;
             hr = result->GetNextVat(&vat, &rate, &status)) {
            lines.push_back(std::to_string(rate) + ":" + std::to_string(vat));
        }
        return lines;
    }

    std::shared_ptr<invoice::InvoiceRequest> invoice_;
    ComPtr<IGeneralInvoiceResult> result_;
    VARIANT_BOOL status_ = 0;
};

TEST_F(ResultListTest, VatWalkEndsWithSFalseAndBlanks) {
    double vat = -1, rate = -1;
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(0.0, rate);
    EXPECT_EQ(0.0, vat);
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(2.5, rate);
    EXPECT_EQ(60.98, vat);
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(8.0, rate);
    EXPECT_EQ(200.0, vat);
    EXPECT_EQ(S_FALSE, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(0.0, rate);
    EXPECT_EQ(0.0, vat);
    // Past the end stays past the end.
    EXPECT_EQ(S_FALSE, result_->GetNextVat(&vat, &rate, &status_));
}

TEST_F(ResultListTest, FirstReadRestartsAWalk) {
    double vat = 0, rate = 0;
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    EXPECT_EQ(0.0, rate);
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(2.5, rate);
    EXPECT_EQ(3u, VatWalk(result_.Get()).size());
    EXPECT_EQ(3u, VatWalk(result_.Get()).size());  // again after the end
}

TEST_F(ResultListTest, NextReadWithoutFirstReadsTheFirstElement) {
    long type = 0, number = 0;
    BSTR name;
    ASSERT_EQ(S_OK, result_->GetNextGrouperRecord(&type, &number, &name, &status_));
    EXPECT_EQ(1, type);
    EXPECT_EQ(11, number);
    EXPECT_EQ("Notfall", name);
}

TEST_F(ResultListTest, EachListKeepsItsOwnPosition) {
    double vat = 0, rate = 0;
    long type = 0;
    BSTR code, text;
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    ASSERT_EQ(S_OK, result_->GetFirstDiagnosis(&type, &code, &text, &status_));
    ASSERT_EQ(S_OK, result_->GetNextDiagnosis(&type, &code, &text, &status_));
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(2.5, rate);
}

TEST_F(ResultListTest, ResultsOverOneInvoiceHaveTheirOwnPositions) {
    ComPtr<IGeneralInvoiceResult> other = ResultOver(invoice_);
    double vat = 0, rate = 0;
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    ASSERT_EQ(S_OK, other->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(0.0, rate);
}

TEST_F(ResultListTest, ReadsGrouperAndBfsRecords) {
    long type = 0, number = 0;
    BSTR name;
    ASSERT_EQ(S_OK, result_->GetFirstGrouperRecord(&type, &number, &name, &status_));
    ASSERT_EQ(S_OK, result_->GetNextGrouperRecord(&type, &number, &name, &status_));
    EXPECT_EQ(2, type);
    EXPECT_EQ(0, number);
    EXPECT_EQ("Entlassung", name);
    EXPECT_EQ(S_FALSE, result_->GetNextGrouperRecord(&type, &number, &name, &status_));
    EXPECT_EQ(0, type);
    EXPECT_EQ("", name);

    ASSERT_EQ(S_OK, result_->GetFirstBfSRecord(&type, &number, &name, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, type);
    EXPECT_EQ(1, number);
    EXPECT_EQ("Zuhause", name);
    EXPECT_EQ(S_FALSE, result_->GetNextBfSRecord(&type, &number, &name, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
}

TEST_F(ResultListTest, ReadsCaseDetails) {
    BSTR tariff, code, acid;
    DATE begin = -1, end = -1;
    ASSERT_EQ(S_OK, result_->GetFirstCaseDetail(&tariff, &code, &begin, &end, &acid, &status_));
    EXPECT_EQ("001", tariff);
    EXPECT_EQ("00.0010", code);
    EXPECT_EQ(kCaseDay, begin);
    EXPECT_EQ(kTreatmentEnd, end);
    EXPECT_EQ("ACID-1", acid);
    ASSERT_EQ(S_OK, result_->GetNextCaseDetail(&tariff, &code, &begin, &end, &acid, &status_));
    EXPECT_EQ("GA", code);
    EXPECT_EQ(kInvoiceDay, end);
    EXPECT_EQ("", acid);
    EXPECT_EQ(S_FALSE, result_->GetNextCaseDetail(&tariff, &code, &begin, &end, &acid, &status_));
    EXPECT_EQ(0.0, begin);
}

TEST_F(ResultListTest, ReadsDiagnosesAndInstructions) {
    long type = 0;
    BSTR code, text;
    ASSERT_EQ(S_OK, result_->GetFirstDiagnosis(&type, &code, &text, &status_));
    EXPECT_EQ(static_cast<long>(invoice::DiagnosisType::kByContract), type);
    EXPECT_EQ("A1", code);
    EXPECT_EQ("", text);
    ASSERT_EQ(S_OK, result_->GetNextDiagnosis(&type, &code, &text, &status_));
    EXPECT_EQ(1, type);
    EXPECT_EQ("J45.0", code);
    EXPECT_EQ("Asthma", text);
    EXPECT_EQ(S_FALSE, result_->GetNextDiagnosis(&type, &code, &text, &status_));

    BSTR token, value;
    ASSERT_EQ(S_OK, result_->GetFirstInstruction(&token, &value, &status_));
    EXPECT_EQ("token1", token);
    EXPECT_EQ("value1", value);
    ASSERT_EQ(S_OK, result_->GetNextInstruction(&token, &value, &status_));
    EXPECT_EQ("token2", token);
    EXPECT_EQ("value2", value);
    EXPECT_EQ(S_FALSE, result_->GetNextInstruction(&token, &value, &status_));
    EXPECT_EQ("", token);
}

TEST_F(ResultListTest, ReadsDocuments) {
    long is_url = -1;
    BSTR source, title, mime;
    ASSERT_EQ(S_OK, result_->GetFirstDocument(&is_url, &source, &title, &mime, &status_));
    EXPECT_EQ(0, is_url);
    EXPECT_EQ("/tmp/report.pdf", source);
    EXPECT_EQ("Bericht", title);
    EXPECT_EQ("application/pdf", mime);
    ASSERT_EQ(S_OK, result_->GetNextDocument(&is_url, &source, &title, &mime, &status_));
    EXPECT_EQ(1, is_url);
    EXPECT_EQ("https://example.org/x-ray", source);
    EXPECT_EQ("image/png", mime);
    EXPECT_EQ(S_FALSE, result_->GetNextDocument(&is_url, &source, &title, &mime, &status_));
    EXPECT_EQ(0, is_url);
    EXPECT_EQ("", source);
}

TEST_F(ResultListTest, EveryWalkOfAnEmptyInvoiceEndsAtOnce) {
    ComPtr<IGeneralInvoiceResult> empty = ResultOver(std::make_shared<invoice::InvoiceRequest>());
    double n1 = 0, n2 = 0;
    long l1 = 0, l2 = 0;
    BSTR t1, t2, t3;
    DATE d1 = 0, d2 = 0;
    VARIANT_BOOL status = VARIANT_TRUE;
    EXPECT_EQ(S_FALSE, empty->GetFirstVat(&n1, &n2, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(S_FALSE, empty->GetFirstGrouperRecord(&l1, &l2, &t1, &status));
    EXPECT_EQ(S_FALSE, empty->GetFirstBfSRecord(&l1, &l2, &t1, &status));
    EXPECT_EQ(S_FALSE, empty->GetFirstCaseDetail(&t1, &t2, &d1, &d2, &t3, &status));
    EXPECT_EQ(S_FALSE, empty->GetFirstDiagnosis(&l1, &t1, &t2, &status));
    EXPECT_EQ(S_FALSE, empty->GetFirstInstruction(&t1, &t2, &status));
    EXPECT_EQ(S_FALSE, empty->GetFirstDocument(&l1, &t1, &t2, &t3, &status));
    ServiceRead service;
    EXPECT_EQ(S_FALSE, service.Read(empty.Get(), true));
    EXPECT_EQ(VARIANT_FALSE, service.status);
    ServiceExRead service_ex;
    EXPECT_EQ(S_FALSE, service_ex.Read(empty.Get(), true));
    EXPECT_EQ(S_FALSE, service_ex.Read(empty.Get(), false));
}

// ---------------------------------------------------------------------------
// Service records.

TEST_F(ResultListTest, ServiceWalkReadsTheRecordsOfAddServiceInOrder) {
    ServiceRead read;
    std::vector<long> ids;
    for (HRESULT hr = read.Read(result_.Get(), true); hr == S_OK;
         hr = read.Read(result_.Get(), false)) {
        ids.push_back(read.id);
    }
    EXPECT_EQ((std::vector<long>{2, 3, 4, 5}), ids);
    EXPECT_EQ(VARIANT_FALSE, read.status);
    EXPECT_EQ(0, read.id);
    EXPECT_EQ("", read.code);
}

TEST_F(ResultListTest, ServiceReadGivesEveryValue) {
    invoice::ServiceRecord& record = invoice_->services[4];
    record.ref_code = "REF";
    record.session = 2;
    record.date_end = kInvoiceDay + 1;
    record.unit_factor = D("0.89");
    record.external_factor = D("1.1");
    record.remark = "Bemerkung";
    record.section_code = "S1";
    record.ignore_validate = true;
    record.service_attributes = 5;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);
    ServiceRead read;
    ASSERT_EQ(S_OK, read.Read(result.Get(), true));
    for (int i = 0; i < 3; ++i) ASSERT_EQ(S_OK, read.Read(result.Get(), false));
    EXPECT_EQ(VARIANT_TRUE, read.status);
    EXPECT_EQ("999", read.tariff_type);
    EXPECT_EQ("1234567890", read.code);
    EXPECT_EQ("REF", read.reference_code);
    EXPECT_EQ(0.5, read.quantity);
    EXPECT_EQ(2, read.session);
    EXPECT_EQ(kInvoiceDay, read.date_begin);
    EXPECT_EQ(kInvoiceDay + 1, read.date_end);
    EXPECT_EQ(kBillerGln, read.provider_ean);
    EXPECT_EQ(kBillerGln, read.responsible_ean);
    EXPECT_EQ("test article fractional", read.text);
    EXPECT_EQ(10.15, read.unit);
    EXPECT_EQ(0.89, read.unit_factor);
    EXPECT_EQ(1.1, read.external_factor);
    EXPECT_EQ(5.08, read.amount);
    EXPECT_EQ(0.0, read.vat_rate);
    EXPECT_EQ(0, read.obligatory);
    EXPECT_EQ("Bemerkung", read.remark);
    EXPECT_EQ("S1", read.section_code);
    EXPECT_EQ(1, read.ignore_validate);
    EXPECT_EQ(5, read.attributes);
    EXPECT_EQ(5, read.id);
}

TEST_F(ResultListTest, ServiceWithoutEndDateReadsDateZero) {
    ServiceRead read;
    ASSERT_EQ(S_OK, read.Read(result_.Get(), true));
    EXPECT_EQ(2, read.id);
    EXPECT_EQ(0.0, read.date_end);
    EXPECT_EQ(8.0, read.vat_rate);
    EXPECT_EQ(2700.0, read.amount);
}

TEST_F(ResultListTest, ServiceExReadGivesEveryValue) {
    invoice::ServiceRecord& record = invoice_->services[0];
    record.side = invoice::BodySide::kLeft;
    record.group_size = 3;
    record.billing_role = invoice::BillingRole::kMT;
    record.medical_role = invoice::MedicalRole::kEmployee;
    record.treatment = invoice::TreatmentType::kStationary;
    record.mt.scale_factor = D("0.93");
    record.tt.external_factor = D("1.05");
    record.tt.unit_factor = D("0.98");
    record.service_attributes = 9;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);
    ServiceExRead read;
    ASSERT_EQ(S_OK, read.Read(result.Get(), true));
    EXPECT_EQ(VARIANT_TRUE, read.status);
    EXPECT_EQ("001", read.tariff_type);
    EXPECT_EQ("00.0010", read.code);
    EXPECT_EQ("", read.reference_code);
    EXPECT_EQ(1.0, read.quantity);
    EXPECT_EQ(1, read.session);
    EXPECT_EQ(kInvoiceDay, read.date_begin);
    EXPECT_EQ(0.0, read.date_end);
    EXPECT_EQ(2, read.side);
    EXPECT_EQ("Konsultation, erste 5 Min. (Grundkonsultation)", read.text);
    EXPECT_EQ(9.57, read.unit_mt);
    EXPECT_EQ(1.0, read.unit_factor_mt);
    EXPECT_EQ(0.93, read.scale_mt);
    EXPECT_EQ(9.57, read.amount_mt);
    EXPECT_EQ(8.19, read.unit_tt);
    EXPECT_EQ(0.98, read.unit_factor_tt);
    EXPECT_EQ(1.0, read.scale_tt);
    EXPECT_EQ(8.19, read.amount_tt);
    EXPECT_EQ(17.76, read.amount);
    EXPECT_EQ(0.0, read.vat_rate);
    EXPECT_EQ(1, read.obligatory);
    EXPECT_EQ("", read.remark);
    EXPECT_EQ(3, read.group_size);
    EXPECT_EQ("", read.section_code);
    EXPECT_EQ(0, read.ignore_validate);
    EXPECT_EQ(9, read.attributes);
    EXPECT_EQ(2, read.treatment);
    EXPECT_EQ(1.0, read.external_mt);
    EXPECT_EQ(1.05, read.external_tt);
    EXPECT_EQ(kBillerGln, read.provider_ean);
    EXPECT_EQ(kBillerGln, read.responsible_ean);
    EXPECT_EQ(1, read.billing_role);
    EXPECT_EQ(2, read.medical_role);
    EXPECT_EQ(1, read.id);

    EXPECT_EQ(S_FALSE, read.Read(result.Get(), false));
    EXPECT_EQ(VARIANT_FALSE, read.status);
    EXPECT_EQ(0, read.id);
    EXPECT_EQ(0.0, read.unit_factor_mt);
    EXPECT_EQ(0, read.billing_role);
}

TEST_F(ResultListTest, ReadsDrugAndDrgDetails) {
    long indicated = -1, delivery = -1, attributes = -1, limitation = -1;
    BSTR iocm;
    ASSERT_EQ(S_OK, result_->GetXtraDrug(4, &indicated, &iocm, &delivery, &attributes, &limitation,
                                         &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, indicated);
    EXPECT_EQ("B", iocm);
    EXPECT_EQ(2, delivery);
    EXPECT_EQ(3, attributes);
    EXPECT_EQ(1, limitation);

    double split1 = -1, split2 = -1;
    ASSERT_EQ(S_OK, result_->GetXtraDRG(5, &split1, &split2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(0.75, split1);
    EXPECT_EQ(0.25, split2);
}

TEST_F(ResultListTest, RecordWithoutDetailsReadsBlanks) {
    long indicated = -1, delivery = -1, attributes = -1, limitation = -1;
    BSTR iocm = "x";
    ASSERT_EQ(S_OK, result_->GetXtraDrug(5, &indicated, &iocm, &delivery, &attributes, &limitation,
                                         &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(0, indicated);
    EXPECT_EQ("", iocm);
    EXPECT_EQ(0, delivery);

    double split1 = -1, split2 = -1;
    ASSERT_EQ(S_OK, result_->GetXtraDRG(2, &split1, &split2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(0.0, split1);
    EXPECT_EQ(0.0, split2);
}

TEST_F(ResultListTest, DetailsOfAnUnknownOrExtendedRecordAreRefused) {
    long l1 = 0, l2 = 0, l3 = 0, l4 = 0;
    BSTR iocm;
    EXPECT_EQ(E_INVALIDARG, result_->GetXtraDrug(9, &l1, &iocm, &l2, &l3, &l4, &status_));
    EXPECT_EQ("GetXtraDrug: lID 9 names no service record", AbortText());
    double split1 = 0, split2 = 0;
    EXPECT_EQ(E_INVALIDARG, result_->GetXtraDRG(1, &split1, &split2, &status_));
    EXPECT_EQ("GetXtraDRG: lID 1 is an extended service record, which has no drug or DRG details",
              AbortText());
}

TEST_F(ResultListTest, NullOutPointerDoesNotMoveTheWalk) {
    double vat = 0, rate = 0;
    ASSERT_EQ(S_OK, result_->GetFirstVat(&vat, &rate, &status_));
    EXPECT_EQ(E_POINTER, result_->GetNextVat(&vat, nullptr, &status_));
    EXPECT_EQ("GetNextVat: an out-parameter is null", AbortText());
    ASSERT_EQ(S_OK, result_->GetNextVat(&vat, &rate, &status_));
    EXPECT_EQ(2.5, rate);

    ServiceExRead read;
    EXPECT_EQ(E_POINTER,
              result_->GetFirstServiceEx(
                  &read.tariff_type, &read.code, &read.reference_code, &read.quantity,
                  &read.session, &read.date_begin, &read.date_end, &read.side, &read.text,
                  &read.unit_mt, &read.unit_factor_mt, &read.scale_mt, &read.amount_mt,
                  &read.unit_tt, &read.unit_factor_tt, &read.scale_tt, &read.amount_tt,
                  &read.amount, &read.vat_rate, &read.obligatory, &read.remark, &read.group_size,
                  &read.section_code, &read.ignore_validate, &read.attributes, &read.treatment,
                  &read.external_mt, &read.external_tt, &read.provider_ean, &read.responsible_ean,
                  &read.billing_role, &read.medical_role, nullptr, &read.status));
    EXPECT_EQ("GetFirstServiceEx: an out-parameter is null", AbortText());
}

// ---------------------------------------------------------------------------
// Threads.

TEST_F(ResultListTest, EightThreadsReadOneResultAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                double n1, n2, n3, n4, n5, n6;
                VARIANT_BOOL status = 0;
                BSTR ean, zsr, nif, specialty;
                ComPtr<IAddress> address;
                if (result_->GetBalance(&n1, &n2, &n3, &n4, &n5, &n6, &status) != S_OK ||
                    n1 != 5232.99 || n5 != 5238.0 ||
                    result_->GetBiller(&ean, &zsr, &nif, &specialty,
                                       address.ReleaseAndGetAddressOf(), &status) != S_OK ||
                    ean != kBillerGln || address == nullptr) {
                    ++failures[t];
                }
                long l1, l2, l3, l4;
                BSTR iocm;
                if (result_->GetXtraDrug(4, &l1, &iocm, &l2, &l3, &l4, &status) != S_OK ||
                    iocm != "B") {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), failures);
}

TEST_F(ResultListTest, ThreadsWalkingTheirOwnResultsSeeWholeLists) {
    constexpr int kThreads = 8;
    std::vector<ComPtr<IGeneralInvoiceResult>> results;
    for (int t = 0; t < kThreads; ++t) results.push_back(ResultOver(invoice_));
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                ServiceRead read;
                std::vector<long> ids;
                for (HRESULT hr = read.Read(results[t].Get(), true); hr == S_OK;
                     hr = read.Read(results[t].Get(), false)) {
                    ids.push_back(read.id);
                }
                if (ids != std::vector<long>{2, 3, 4, 5}) ++failures[t];
                if (VatWalk(results[t].Get()).size() != 3) ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), failures);
}

TEST_F(ResultListTest, ConcurrentWalksOfOneResultHandOutEachElementOnce) {
    // Next reads from several threads share the one position: together they
    // read every service record exactly once.
    constexpr int kThreads = 4;
    invoice_->services.clear();
    for (int id = 1; id <= 400; ++id) {
        invoice_->services.push_back(Article(id, "X", "x", "1", "1", "1", "0"));
    }
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);
    std::vector<std::vector<long>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ServiceRead read;
            while (read.Read(result.Get(), false) == S_OK) seen[t].push_back(read.id);
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<int> count(401, 0);
    for (const std::vector<long>& ids : seen) {
        for (long id : ids) ++count[id];
    }
    for (int id = 1; id <= 400; ++id) EXPECT_EQ(1, count[id]) << id;
}

}  // namespace
