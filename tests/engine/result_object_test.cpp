#include "module/objects/result_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bridge/module_interfaces.h"
#include "module/objects/address_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/result_sample_invoice.h"

// The reads of the result object: every section and every list of a full
// invoice and of an empty one in one table, the payment slip of each kind,
// and the failures.

namespace {

using namespace result_test;
using com_reads::Joined;
using com_reads::NullsTaken;
using com_reads::Read;
using R = IGeneralInvoiceResult;

// The text of `address` as a read shows it.
std::string Addr(const invoice::Address& address) {
    return com_reads::Text(MakeComObject<CAddress>(address).Get());
}

// One read, or the reads of a first/next walk joined by ' ', of a result;
// and how many of their out-pointers left null are taken.
struct ResultRead {
    template <class... P>
    ResultRead(HRESULT (R::*get)(P*...), std::string full, std::string empty)
        : read([get](R* r) { return Read(r, get); }),
          nulls([get](R* r) { return NullsTaken(r, get); }),
          full(std::move(full)),
          empty(std::move(empty)) {}
    // A walk of an empty list reads the end of the full one.
    template <class... P>
    ResultRead(HRESULT (R::*first)(P*...), HRESULT (R::*next)(P*...), std::string full)
        : read([=](R* r) { return Joined(com_reads::Walk(r, first, next)); }),
          nulls([=](R* r) { return NullsTaken(r, first) + NullsTaken(r, next); }),
          full(std::move(full)),
          empty(this->full.substr(this->full.rfind(' ') + 1)) {}

    std::function<std::string(R*)> read;
    std::function<int(R*)> nulls;
    std::string full;   // of FullInvoice()
    std::string empty;  // of an invoice with its defaults (Italian)
};

// The sample with every value of one service and one extended record set.
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

std::vector<ResultRead> ResultReads() {
    const std::string patient = Addr(PatientAddress());
    const std::string mandant = Addr(PersonAddress("Mandant.tarmed", "Mandant.tarmed"));
    const std::string bank = Addr(BankAddress());
    return {
        {&R::GetRequest, "ok|1|1|1||0|1|Bemerkung|T", "ok|3|0|0||0|0||F"},
        {&R::GetProcessing, "ok|0|1|TC-42|T", "ok|0|0||T"},
        {&R::GetTransport,
         "ok|2000000000008|/keys/biller.pfx|secret|7601000000019|7601000000002|/keys/"
         "recipient.der|T",
         "ok|||||||F"},
        {&R::GetPackage, "ok|Elexis|380|17|(c) Elexis|T", "ok||0|0||F"},
        {&R::GetInvoice, "ok|000001000001|43985|1591170775|T", "ok||0|0|F"},
        {&R::GetCredit, "ok|CR-9|43845|1579046400|T", "ok||0|0|F"},
        {&R::GetReminder, "ok|RM-1|44015|1593734400|2|Zweite Mahnung|5|T", "ok||0|0|0||0|F"},
        {&R::GetTiers, "ok|1|CHE-111.222.333 MWST|0|T", "ok|0||0|F"},
        {&R::GetBalance, "ok|5232.99|17.76|0|5|5238|260.98|T", "ok|0|0|0|0|0|0|F"},
        {&R::GetEsrType, "ok|4|T", "ok|0|F"},
        {&R::GetBiller, "ok|2000000000008|C000002||Allgemein|" + mandant + "|T", "ok|||||{}|F"},
        {&R::GetProvider, "ok|2000000000008|C000002||Allgemein|" + mandant + "|T", "ok|||||{}|F"},
        {&R::GetReferrer,
         "ok|7601000000019|R123456|1234567|Chirurgie|" + Addr(PersonAddress("Zuweiser", "Hans")) +
             "|T",
         "ok|||||{}|F"},
        {&R::GetPatient, "ok|2|20924|7569217076985|" + patient + "|T", "ok|0|0||{}|F"},
        {&R::GetInsured, "ok|1|43971|7561234567897|{}|T", "ok|0|0||{}|F"},
        {&R::GetGuarantor, "ok|" + patient + "|T", "ok|{}|F"},
        {&R::GetDebitor, "ok|7601000000002|" + patient + "|T", "ok||{}|F"},
        {&R::GetInsurance, "ok|7601000000002|" + bank + "|T", "ok||{}|F"},
        {&R::GetEmployer,
         "ok|7601000000026|CHE-123.456.789|" + Addr(PersonAddress("Chef", "Anna")) + "|T",
         "ok|||{}|F"},
        {&R::GetTreatment, "ok|APID-1|ACID-1|43971|43983|21|1|1|0|T", "ok|||0|0|0|0|0|0|F"},
        {&R::GetLaw, "ok|4|43971|123456|123456|T", "ok|0|0|||F"},
        {&R::GetCard, "ok|80756012340000000001|46022|43985|VAL-7|srv1|T", "ok||0|0|||F"},
        {&R::GetXtraHospital, "ok|2|43971|12|2|1|2|M100|0|T", "ok|0|0|0|0|0|0||0|F"},
        {&R::GetFirstVat, &R::GetNextVat, "ok|0|0|T ok|60.98|2.5|T ok|200|8|T end|0|0|F"},
        {&R::GetFirstGrouperRecord, &R::GetNextGrouperRecord,
         "ok|1|11|Notfall|T ok|2|0|Entlassung|T end|0|0||F"},
        {&R::GetFirstBfSRecord, &R::GetNextBfSRecord, "ok|1|1|Zuhause|T end|0|0||F"},
        {&R::GetFirstCaseDetail, &R::GetNextCaseDetail,
         "ok|001|00.0010|43971|43983|ACID-1|T ok|999|GA|43985|43985||T end|||0|0||F"},
        {&R::GetFirstDiagnosis, &R::GetNextDiagnosis, "ok|4|A1||T ok|1|J45.0|Asthma|T end|0|||F"},
        {&R::GetFirstInstruction, &R::GetNextInstruction,
         "ok|token1|value1|T ok|token2|value2|T end|||F"},
        {&R::GetFirstDocument, &R::GetNextDocument,
         "ok|0|/tmp/report.pdf|Bericht|application/pdf|T "
         "ok|1|https://example.org/x-ray|Roentgen|image/png|T end|0||||F"},
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
        {&R::GetFirstServiceEx, &R::GetNextServiceEx,
         "ok|001|00.0010||1|1|43985|0|2|Konsultation, erste 5 Min. "
         "(Grundkonsultation)|9.57|1|0.93|9.57|8.19|0.98|1|8.19|17.76|0|1||3||0|9|2|1|1.05|"
         "2000000000008|2000000000008|1|2|1|T "
         "end||||0|0|0|0|0||0|0|0|0|0|0|0|0|0|0|0||0||0|0|0|0|0|||0|0|0|F"},
    };
}

// Each read twice: a first read after the end of a walk restarts it.
TEST(ResultReadTest, ReadsEverySectionAndListOfAFullAndOfAnEmptyInvoice) {
    ComPtr<R> full = ResultOver(FullInvoice());
    auto defaults = std::make_shared<invoice::InvoiceRequest>();
    defaults->language = invoice::Language::kItalian;
    ComPtr<R> empty = ResultOver(defaults);
    for (const ResultRead& row : ResultReads()) {
        EXPECT_EQ(row.full, row.read(full.Get()));
        EXPECT_EQ(row.full, row.read(full.Get()));
        EXPECT_EQ(row.empty, row.read(empty.Get()));
        EXPECT_EQ(0, row.nulls(full.Get())) << row.full;
    }
    // The balance of an invoice never finalized is not current.
    auto unfinalized = SampleInvoice();
    unfinalized->finalized = false;
    EXPECT_EQ("ok|5232.99|17.76|0|5|5238|260.98|F",
              Read(ResultOver(unfinalized).Get(), &R::GetBalance));
}

// A slip with a distinct value in every field, of each kind in turn: the read
// of its kind answers it ('#' standing for the kind's number), the others
// answer blanks.
TEST(ResultReadTest, EachSlipReadAnswersTheSlipsOfItsKinds) {
    invoice::Esr slip = QrSlip();
    slip.participant_number = "01-162-8";
    slip.bank_account = "CH9300762011623852957";
    slip.post_account = "01-200-3";
    slip.remarks = "Zeile 1\nZeile 2";
    const std::string iban = kQrIban, ref = kQrReference, note = "|Rechnung 000001000001";
    const std::string tail = "|" + Addr(BankAddress()) + "|" +
                             Addr(PersonAddress("Mandant.tarmed", "Mandant.tarmed")) + "|30|T";
    const std::vector<ResultRead> reads = {
        {&R::GetEsr, "ok|#|01-162-8|" + ref + "|CH9300762011623852957" + tail, ""},
        {&R::GetEsrRed, "ok|01-200-3|" + iban + "|" + ref + "|Zeile 1\nZeile 2" + tail, ""},
        {&R::GetEsrQR, "ok|#|" + iban + "|" + ref + note + tail, ""},
        {&R::GetEsrRedQR, "ok|" + iban + "|Zeile 1\nZeile 2" + note + tail, ""}};
    const size_t kind_read[] = {0, 0, 1, 2, 2, 3};  // of the kinds 1 to 6
    ComPtr<R> none = ResultOver(std::make_shared<invoice::InvoiceRequest>());
    for (long kind = 1; kind <= 6; ++kind) {
        slip.type = static_cast<invoice::EsrType>(kind);
        auto invoice = SampleInvoice();
        invoice->esr = slip;
        ComPtr<R> result = ResultOver(invoice);
        EXPECT_EQ("ok|" + std::to_string(kind) + "|T", Read(result.Get(), &R::GetEsrType));
        for (size_t i = 0; i < reads.size(); ++i) {
            std::string own = reads[i].full;
            const size_t mark = own.find('#');
            if (mark != std::string::npos) own.replace(mark, 1, std::to_string(kind));
            EXPECT_EQ(i == kind_read[kind - 1] ? own : reads[i].read(none.Get()),
                      reads[i].read(result.Get()))
                << kind;
        }
    }
}

// An address handed out is a copy; null arguments are refused with the
// method named.
TEST(ResultReadTest, AddressesAreCopiesAndNullArgumentsAreRefused) {
    auto invoice = SampleInvoice();
    ComPtr<R> result = ResultOver(invoice);
    ComPtr<IAddress> guarantor;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, result->GetGuarantor(guarantor.ReleaseAndGetAddressOf(), &status));
    ASSERT_EQ(S_OK, guarantor->SetPerson("Anders", "Eva", "", "", "", &status));
    EXPECT_EQ("ok|" + Addr(PatientAddress()) + "|T", Read(result.Get(), &R::GetGuarantor));
    EXPECT_EQ("Spitzkiel", invoice->guarantor->address->person.familyname);

    R* r = result.Get();
    EXPECT_EQ(E_POINTER, CreateInvoiceResult(invoice, nullptr));
    EXPECT_EQ(E_INVALIDARG, CreateInvoiceResult(nullptr, &r));
    EXPECT_EQ(nullptr, r);
    EXPECT_EQ("ok||F", Read(result.Get(), &R::GetAbortInfo));
    EXPECT_EQ(0, NullsTaken(result.Get(), &R::GetNextService));
    EXPECT_EQ("ok|GetNextService: an out-parameter is null|T",
              Read(result.Get(), &R::GetAbortInfo));
    double n = 0;
    EXPECT_EQ(E_POINTER, result->GetXtraDRG(5, &n, nullptr, &status));
    EXPECT_EQ("ok|GetXtraDRG: an out-parameter is null|T", Read(result.Get(), &R::GetAbortInfo));
}

}  // namespace
