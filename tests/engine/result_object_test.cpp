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
         "ok|2000000000008|/keys/biller.pfx|secret|7601000000019|7601000000002|/keys/"
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
    // The balance of an invoice never finalized is not current.
    auto unfinalized = SampleInvoice();
    unfinalized->finalized = false;
    EXPECT_EQ("ok|5232.99|17.76|0|5|5238|260.98|F",
              Read(ResultOver(unfinalized).Get(), &R::GetBalance));
}

// Each kind of slip answers its own read; the reads of the other kinds answer
// blanks.
TEST(ResultSingleReadTest, ReadsThePaymentSlipOfEachKind) {
    invoice::Esr esr9;
    esr9.type = invoice::EsrType::kEsr16or27Plus;
    esr9.participant_number = "01-162-8";
    esr9.reference_number = "12 34560 00000 00000 00000 00004";
    esr9.bank_account = "CH9300762011623852957";
    esr9.bank = BankAddress();
    esr9.payment_period_days = 20;
    invoice::Esr red;
    red.type = invoice::EsrType::kEsrRed;
    red.post_account = "01-162-8";
    red.iban = "CH9300762011623852957";
    red.reference_number = "R-1";
    red.remarks = "Zeile 1\nZeile 2";
    red.creditor = PersonAddress("Mandant.tarmed", "Mandant.tarmed");
    invoice::Esr red_qr;
    red_qr.type = invoice::EsrType::kRedPayinSlipQR;
    red_qr.iban = "CH9300762011623852957";
    red_qr.remarks = "Zahlbar in 30 Tagen";
    red_qr.customer_note = "Danke";
    red_qr.payment_period_days = 30;
    std::vector<std::string (*)(R*)> reads = {
        [](R* r) { return Read(r, &R::GetEsrType); }, [](R* r) { return Read(r, &R::GetEsr); },
        [](R* r) { return Read(r, &R::GetEsrRed); }, [](R* r) { return Read(r, &R::GetEsrQR); },
        [](R* r) { return Read(r, &R::GetEsrRedQR); }};
    ComPtr<R> none = ResultOver(std::make_shared<invoice::InvoiceRequest>());
    struct Row {
        invoice::Esr esr;
        size_t read;  // the read that answers
        std::string text;
    };
    const std::string bank = Addr(BankAddress());
    const std::string mandant = Addr(PersonAddress("Mandant.tarmed", "Mandant.tarmed"));
    const std::vector<Row> rows = {
        {QrSlip(), 3,
         "ok|4|" + std::string(kQrIban) + "|" + kQrReference + "|Rechnung 000001000001|" + bank +
             "|" + mandant + "|30|T"},
        {esr9, 1,
         "ok|2|01-162-8|12 34560 00000 00000 00000 00004|CH9300762011623852957|" + bank +
             "|{}|20|T"},
        {red, 2, "ok|01-162-8|CH9300762011623852957|R-1|Zeile 1\nZeile 2|{}|" + mandant + "|0|T"},
        {red_qr, 4, "ok|CH9300762011623852957|Zahlbar in 30 Tagen|Danke|{}|{}|30|T"}};
    for (const Row& row : rows) {
        auto invoice = SampleInvoice();
        invoice->esr = row.esr;
        ComPtr<R> result = ResultOver(invoice);
        EXPECT_EQ("ok|" + std::to_string(static_cast<long>(row.esr.type)) + "|T",
                  reads[0](result.Get()));
        for (size_t i = 1; i < reads.size(); ++i) {
            EXPECT_EQ(i == row.read ? row.text : reads[i](none.Get()), reads[i](result.Get())) << i;
        }
    }
}

TEST(ResultSingleReadTest, AddressHandedOutIsACopyOfItsOwn) {
    auto invoice = SampleInvoice();
    ComPtr<R> result = ResultOver(invoice);
    ComPtr<IAddress> first;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, result->GetGuarantor(first.ReleaseAndGetAddressOf(), &status));
    ASSERT_EQ(S_OK, first->SetPerson("Anders", "Eva", "", "", "", &status));
    EXPECT_EQ("ok|" + Addr(PatientAddress()) + "|T", Read(result.Get(), &R::GetGuarantor));
    EXPECT_EQ("Spitzkiel", invoice->guarantor->address->person.familyname);
}

TEST(ResultSingleReadTest, NullArgumentsAreRefusedWithTheMethodNamed) {
    auto invoice = SampleInvoice();
    ComPtr<R> result = ResultOver(invoice);
    R* out = result.Get();
    EXPECT_EQ(E_POINTER, CreateInvoiceResult(invoice, nullptr));
    EXPECT_EQ(E_INVALIDARG, CreateInvoiceResult(nullptr, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ("ok||F", Read(result.Get(), &R::GetAbortInfo));
    R* r = result.Get();
    EXPECT_EQ(0,
              com_reads::NullsTaken(r, &R::GetRequest) + com_reads::NullsTaken(r, &R::GetBalance) +
                  com_reads::NullsTaken(r, &R::GetBiller) + com_reads::NullsTaken(r, &R::GetEsrQR) +
                  com_reads::NullsTaken(r, &R::GetTreatment) +
                  com_reads::NullsTaken(r, &R::GetNextService));
    EXPECT_EQ("ok|GetNextService: an out-parameter is null|T", Read(r, &R::GetAbortInfo));
    double n = 0;
    VARIANT_BOOL status = 0;
    EXPECT_EQ(E_POINTER, result->GetXtraDRG(5, &n, nullptr, &status));
    EXPECT_EQ("ok|GetXtraDRG: an out-parameter is null|T", Read(r, &R::GetAbortInfo));
}

}  // namespace
