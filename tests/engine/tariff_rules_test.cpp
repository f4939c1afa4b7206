// The tariff checks of AddService and AddServiceEx, through the module's
// interfaces, against the example catalog docs/tariff-catalog-example.csv
// (tariff X99, invented codes).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "module/objects/request_object.h"
#include "module/tariff/catalog_import.h"
#include "module/tariff/catalog_store.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"

namespace {

using request_test::Day;
using request_test::kBillerGln;

const char kOtherGln[] = "7601000000002";
const double kServiceDay = Day(2024, 3, 1);

// One record as a client adds it: AddServiceEx of tariff X99 with a service
// input for the physician kBillerGln, or AddService after Plain().
struct Record {
    explicit Record(const char* c, double unitMt, double unitTt = 0)
        : code(c), mt(unitMt), tt(unitTt) {}
    Record& Quantity(double value) { return quantity = value, *this; }
    Record& Session(long value) { return session = value, *this; }
    Record& On(double value) { return date = value, *this; }
    Record& Side(long value) { return side = value, *this; }
    Record& Plain() { return plain = true, *this; }
    Record& InputFor(const char* tariff) { return input_tariff = tariff, *this; }
    // What the service input holds besides SetPhysician.
    Record& Patient(long s, double born) { return sex = s, birthdate = born, *this; }
    Record& Treatment(long c, long l, long s) { return canton = c, law = l, settle = s, *this; }
    Record& Dignity(const char* gln, const char* code) {
        return dignities.push_back({gln, code}), *this;
    }
    Record& Token(const char* name, const char* value) { return token = {name, value}, *this; }

    const char* code;
    double mt, tt;  // dUnitMT (or dUnit of AddService), dUnitTT
    double quantity = 1, date = kServiceDay, birthdate = 0;
    // sex 0: no SetPatient; canton 0: no SetTreatment
    long session = 1, side = 1, sex = 0, canton = 0, law = 0, settle = 0;
    bool plain = false;
    const char* input_tariff = nullptr;  // GetCreateServiceExInput's, else the record's
    std::vector<std::pair<std::string, std::string>> dignities;
    std::pair<std::string, std::string> token;  // empty name: none
};

struct RuleCase {
    const char* rule;
    Record kept, broken;
    const char* text;               // the refusal after "tariff rule <rule>: "
    bool known = true;              // the request knows the patient and the law
    std::vector<Record> earlier{};  // added first; each passes
};

const RuleCase kCases[] = {
    {"code", Record("EX.0010", 9.57, 8.19).On(Day(2023, 12, 31)),
     Record("EX.0010", 9.57, 8.19).On(Day(2019, 12, 31)),
     "X99 EX.0010 is not valid on 2019-12-31 (valid 2020-01-01 to 2023-12-31, from "
     "2024-01-01)"},
    {"code", Record("EX.0010", 10.12, 8.5), Record("EX.9999", 1),
     "X99 EX.9999 is not in the catalog"},
    {"input", Record("EX.0010", 10.12, 8.5).InputFor("X99"),
     Record("EX.0010", 10.12, 8.5).InputFor("001"),
     "X99 EX.0010: the service input was made for the tariff type 001"},
    {"tax_points", Record("EX.0010", 10.125, 8.495), Record("EX.0010", 10.126, 8.5),
     "X99 EX.0010: dUnitMT 10.126 differs from the catalog's 10.12 by more than 0.005"},
    {"tax_points", Record("EX.0010", 99, 99).Treatment(4, 1, 2),  // flat rate
     Record("EX.0010", 10.12, 8.494),
     "X99 EX.0010: dUnitTT 8.494 differs from the catalog's 8.5 by more than 0.005"},
    {"tax_points", Record("EX.0010", 10.12).Plain(), Record("EX.0010", 8.5).Plain(),
     "X99 EX.0010: dUnit 8.5 differs from the catalog's 10.12"},
    {"quantity",
     Record("EX.0020", 9.57, 8.19),
     Record("EX.0020", 9.57, 8.19).Quantity(2),
     "X99 EX.0020: quantity 5 in session 1 (2 in this record) is above the catalog's maximum "
     "of 4 per session",
     true,
     {Record("EX.0020", 9.57, 8.19).Quantity(3), Record("EX.0020", 9.57, 8.19).Session(2)}},
    {"exclusive",
     Record("EX.0070", 12, 3.2).Session(2),
     Record("EX.0070", 12, 3.2),
     "X99 EX.0070 may not stand in session 1 with X99 EX.0010 (record 1)",
     true,
     {Record("EX.0010", 10.12, 8.5)}},
    {"sex", Record("EX.0030", 25, 12.4), Record("EX.0030", 25, 12.4).Patient(1, Day(2000, 3, 1)),
     "X99 EX.0030 is for female patients only; the patient is male"},
    {"age", Record("EX.0030", 25, 12.4).Patient(2, Day(2008, 3, 1)),
     Record("EX.0030", 25, 12.4).Patient(2, Day(2008, 3, 2)),
     "X99 EX.0030 is for patients aged 16 or more; the patient is 15 on 2024-03-01"},
    {"age", Record("EX.0040", 18.2, 9.1).Patient(1, Day(2017, 3, 2)), Record("EX.0040", 18.2, 9.1),
     "X99 EX.0040 is for patients aged up to 6; the patient's birth date is not known "
     "(SetPatient of the service input or of the request)",
     false},
    {"law", Record("EX.0080", 20, 10).Treatment(4, 2, 1), Record("EX.0080", 20, 10),
     "X99 EX.0080 is billed under UVG,MVG only; the law is KVG"},
    {"law", Record("EX.0010", 10.12).Plain(), Record("EX.0080", 20).Plain(),
     "X99 EX.0080 is billed under UVG,MVG only; no law is known (SetLaw)", false},
    {"canton", Record("EX.0010", 10.12, 8.5).Treatment(4, 1, 1),
     Record("EX.0010", 10.12, 8.5).Treatment(26, 1, 1),
     "X99 EX.0010: the service input's canton ZH differs from the request's treatment canton "
     "BE"},
    {"dignity", Record("EX.0050", 30.5, 41.25).Side(2).Dignity(kBillerGln, "EXDIG-US"),
     Record("EX.0050", 30.5, 41.25)
         .Side(2)
         .Dignity(kOtherGln, "EXDIG-US")
         .Dignity(kBillerGln, "EXDIG-XX"),
     "X99 EX.0050 needs the dignity EXDIG-US, which the provider 2000000000008 does not hold"},
    {"token", Record("EX.0090", 8.5).Token("VISIT", "HOME"),
     Record("EX.0090", 8.5).Token("VISIT", "PRACTICE"),
     "X99 EX.0090 needs the token VISIT with the value HOME (AddToken)"},
    {"side", Record("EX.0050", 30.5, 41.25).Side(3).Dignity(kBillerGln, "EXDIG-US"),
     Record("EX.0050", 30.5, 41.25).Dignity(kBillerGln, "EXDIG-US"),
     "X99 EX.0050 needs a body side: eSide 2 (left) or 3 (right), not 1 (none)"},
};

// The example catalog, imported once for the suite and made the module's.
class TariffRulesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        std::string summary;
        ASSERT_EQ("", tariff::ImportCatalog(TARVOS_SOURCE_DIR "/docs/tariff-catalog-example.csv",
                                            folder_->Path() + "tariffs.sqlite", &summary));
        tariff::UseCatalogFile(folder_->Path() + "tariffs.sqlite");
    }
    static void TearDownTestSuite() {
        tariff::UseNoCatalog();
        delete folder_;
    }

    // A fresh request, with the `earlier` records added, and when `known` a
    // female patient born 2000-03-01, law KVG and the treatment canton BE.
    void Fresh(const std::vector<Record>& earlier = {}, bool known = true) {
        module_ = std::make_unique<request_test::TestModule>();
        build_ = std::make_unique<request_test::InvoiceBuilder>(module_->request.Get());
        if (!known) return;
        ComPtr<IAddress> patient = build_->Person("Muster", "Anna");
        IGeneralInvoiceRequest* request = module_->request.Get();
        ASSERT_EQ(S_OK, request->SetPatient(2, Day(2000, 3, 1), "", patient.Get(), &status_));
        ASSERT_EQ(S_OK, request->SetLaw(1, 0, "", "", &status_)) << build_->Abort();
        ASSERT_EQ(S_OK,
                  request->SetTreatment("", "", kServiceDay, kServiceDay, 4, 1, 1, 0, &status_));
        for (const Record& record : earlier) ASSERT_EQ(S_OK, Add(record)) << build_->Abort();
    }

    HRESULT Add(const Record& record, long ignoreValidate = 0, const char* tariff = "X99") {
        status_ = VARIANT_TRUE;
        IGeneralInvoiceRequest* request = module_->request.Get();
        if (record.plain) {
            return request->AddService(tariff, record.code, "", record.quantity, record.session,
                                       record.date, 0, kBillerGln, kBillerGln, "Example", record.mt,
                                       1, 1, 0, 0, 1, "", "", ignoreValidate, 0, &id_, &status_);
        }
        ComPtr<IServiceExInput> input =
            build_->Physician(record.input_tariff != nullptr ? record.input_tariff : tariff);
        VARIANT_BOOL done = VARIANT_FALSE;
        if (record.sex != 0) input->SetPatient(record.birthdate, record.sex, &done);
        if (record.canton != 0) {
            input->SetTreatment(record.canton, record.law, 1, record.settle, "", &done);
        }
        for (const auto& [gln, code] : record.dignities) input->AddDignity(gln, code, &done);
        if (!record.token.first.empty()) {
            input->AddToken(record.token.first, record.token.second, &done);
        }
        return request->AddServiceEx(input.Get(), tariff, record.code, "", record.quantity,
                                     record.session, record.date, 0, record.side, "Example",
                                     record.mt, 1, 1, 0, record.tt, 1, 1, 0, 0, 0, 1, "", 1, "",
                                     ignoreValidate, 0, &id_, &status_);
    }

    static inline TempFolder* folder_ = nullptr;
    std::unique_ptr<request_test::TestModule> module_;
    std::unique_ptr<request_test::InvoiceBuilder> build_;
    VARIANT_BOOL status_ = VARIANT_FALSE;
    long id_ = 0;
};

// Each row: the kept record passes; the broken one is refused and not added,
// and passes with eIgnoreValidate 1.
TEST_F(TariffRulesTest, EachRuleKeepsTheGoodRecordAndRefusesTheBrokenOne) {
    for (const RuleCase& rule : kCases) {
        SCOPED_TRACE(std::string(rule.rule) + ": " + rule.text);
        Fresh(rule.earlier, rule.known);
        EXPECT_EQ(S_OK, Add(rule.kept)) << build_->Abort();
        EXPECT_EQ(VARIANT_TRUE, status_);

        Fresh(rule.earlier, rule.known);
        EXPECT_EQ(E_INVALIDARG, Add(rule.broken));
        EXPECT_EQ(VARIANT_FALSE, status_);
        std::string method = rule.broken.plain ? "AddService" : "AddServiceEx";
        EXPECT_EQ(0u,
                  build_->Abort().find(method + ": tariff rule " + rule.rule + ": " + rule.text))
            << build_->Abort();
        EXPECT_EQ(S_OK, Add(rule.broken, 1)) << build_->Abort();
        EXPECT_EQ(static_cast<long>(rule.earlier.size()) + 1, id_);
    }
}

TEST_F(TariffRulesTest, OnlyTariffTypesOfTheCatalogAreChecked) {
    Fresh();
    EXPECT_EQ(S_OK, Add(Record("EX.9999", 1), 0, "001")) << build_->Abort();
    tariff::UseNoCatalog();
    EXPECT_EQ(S_OK, Add(Record("EX.9999", 1))) << build_->Abort();
    tariff::UseCatalogFile(folder_->Path() + "tariffs.sqlite");
    EXPECT_EQ(E_INVALIDARG, Add(Record("EX.9999", 1)));
}

// Each record names the input's section EAN and its own section code.
TEST_F(TariffRulesTest, SectionsOfTheInputGiveTheSectionCodeOfARecordThatNamesNone) {
    Fresh({}, false);
    build_->SetSampleSections();
    const char* const records[][2] = {{"", ""}, {kOtherGln, ""}, {kOtherGln, "MINE"}};
    for (const auto& [sectionEan, sectionCode] : records) {
        ComPtr<IServiceExInput> input = build_->Physician("001");
        input->AddSection(kOtherGln, "OTHER", &status_);
        input->AddSection(kBillerGln, "OWN", &status_);
        input->SetTreatment(1, 4, 1, 1, sectionEan, &status_);
        EXPECT_EQ(S_OK, module_->request->AddServiceEx(
                            input.Get(), "001", "00.0010", "", 1, 1, Day(2020, 6, 3), 0, 1, "K", 1,
                            1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, sectionCode, 0, 0, &id_, &status_))
            << build_->Abort();
    }
    double roundDifference = 0;
    ASSERT_EQ(S_OK, module_->request->Finalize(&roundDifference, &status_)) << build_->Abort();
    std::string codes;
    for (const auto& service :
         AsRequestImpl(module_->request.Get())->FinalizedSnapshot()->services) {
        codes += service.section_code + "|";
    }
    EXPECT_EQ("OWN|OTHER|MINE|", codes);
}

}  // namespace
