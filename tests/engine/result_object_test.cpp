#include "module/objects/result_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bridge/module_interfaces.h"
#include "module/objects/result_factory.h"
#include "tests/engine/result_sample_invoice.h"

// The single reads of the result object: every section of a full invoice
// read back value by value, sections the invoice lacks, the payment slip of
// each kind, and the failures.

namespace {

using namespace result_test;

class ResultSingleReadTest : public ::testing::Test {
  protected:
    ResultSingleReadTest() : invoice_(SampleInvoice()), result_(ResultOver(invoice_)) {}

    std::string AbortText() {
        BSTR text;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, result_->GetAbortInfo(&text, &status));
        return text;
    }

    std::shared_ptr<invoice::InvoiceRequest> invoice_;
    ComPtr<IGeneralInvoiceResult> result_;
    BSTR t1, t2, t3, t4, t5, t6;
    long l1 = -1, l2 = -1, l3 = -1, l4 = -1, l5 = -1, l6 = -1;
    double n1 = -1, n2 = -1, n3 = -1, n4 = -1, n5 = -1, n6 = -1;
    DATE d1 = -1, d2 = -1, d3 = -1;
    VARIANT_BOOL status_ = 0;
};

TEST_F(ResultSingleReadTest, FactoryRejectsNullArguments) {
    EXPECT_EQ(E_POINTER, CreateInvoiceResult(invoice_, nullptr));
    IGeneralInvoiceResult* out = result_.Get();  // still owned by result_
    EXPECT_EQ(E_INVALIDARG, CreateInvoiceResult(nullptr, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(ResultSingleReadTest, AbortInfoIsEmptyBeforeAnyFailure) {
    BSTR text = "x";
    ASSERT_EQ(S_OK, result_->GetAbortInfo(&text, &status_));
    EXPECT_EQ("", text);
    EXPECT_EQ(VARIANT_FALSE, status_);
}

TEST_F(ResultSingleReadTest, ReadsTheHeader) {
    ASSERT_EQ(S_OK, result_->GetRequest(&l1, &l2, &l3, &t1, &l4, &l5, &t2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, l1);  // German
    EXPECT_EQ(1, l2);  // physician
    EXPECT_EQ(1, l3);  // practice
    EXPECT_EQ("", t1);
    EXPECT_EQ(0, l4);
    EXPECT_EQ(1, l5);
    EXPECT_EQ("Bemerkung", t2);

    ASSERT_EQ(S_OK, result_->GetProcessing(&l1, &l2, &t1, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(0, l1);
    EXPECT_EQ(1, l2);
    EXPECT_EQ("TC-42", t1);

    ASSERT_EQ(S_OK, result_->GetTransport(&t1, &t2, &t3, &t4, &t5, &t6, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kBillerGln, t1);
    EXPECT_EQ("/keys/biller.pfx", t2);
    EXPECT_EQ("secret", t3);
    EXPECT_EQ(kRecipientGln, t4);
    EXPECT_EQ(kRecipientGln, t5);
    EXPECT_EQ("/keys/recipient.der", t6);

    ASSERT_EQ(S_OK, result_->GetPackage(&t1, &l1, &l2, &t2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("Elexis", t1);
    EXPECT_EQ(380, l1);
    EXPECT_EQ(17, l2);
    EXPECT_EQ("(c) Elexis", t2);
}

TEST_F(ResultSingleReadTest, ReadsInvoiceCreditAndReminder) {
    ASSERT_EQ(S_OK, result_->GetInvoice(&t1, &d1, &l1, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("000001000001", t1);
    EXPECT_EQ(kInvoiceDay, d1);
    EXPECT_EQ(1591170775, l1);

    ASSERT_EQ(S_OK, result_->GetCredit(&t1, &d1, &l1, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("CR-9", t1);
    EXPECT_EQ(kCreditDay, d1);
    EXPECT_EQ(1579046400, l1);

    ASSERT_EQ(S_OK, result_->GetReminder(&t1, &d1, &l1, &l2, &t2, &n1, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("RM-1", t1);
    EXPECT_EQ(kReminderDay, d1);
    EXPECT_EQ(1593734400, l1);
    EXPECT_EQ(2, l2);
    EXPECT_EQ("Zweite Mahnung", t2);
    EXPECT_EQ(5.0, n1);
}

TEST_F(ResultSingleReadTest, ReadsTiersAndBalance) {
    ASSERT_EQ(S_OK, result_->GetTiers(&l1, &t1, &n1, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, l1);  // garant
    EXPECT_EQ("CHE-111.222.333 MWST", t1);
    EXPECT_EQ(0.0, n1);

    ASSERT_EQ(S_OK, result_->GetBalance(&n1, &n2, &n3, &n4, &n5, &n6, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(5232.99, n1);
    EXPECT_EQ(17.76, n2);
    EXPECT_EQ(0.0, n3);
    EXPECT_EQ(5.0, n4);
    EXPECT_EQ(5238.0, n5);
    EXPECT_EQ(260.98, n6);
}

TEST_F(ResultSingleReadTest, BalanceOfAnInvoiceNeverFinalizedIsNotCurrent) {
    invoice_->finalized = false;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);
    ASSERT_EQ(S_OK, result->GetBalance(&n1, &n2, &n3, &n4, &n5, &n6, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(5232.99, n1);
}

TEST_F(ResultSingleReadTest, ReadsTheQrSlipWithBothAddresses) {
    ASSERT_EQ(S_OK, result_->GetEsrType(&l1, &status_));
    EXPECT_EQ(4, l1);
    EXPECT_EQ(VARIANT_TRUE, status_);

    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result_->GetEsrQR(&l1, &t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                      creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(4, l1);
    EXPECT_EQ(kQrIban, t1);
    EXPECT_EQ(kQrReference, t2);
    EXPECT_EQ("Rechnung 000001000001", t3);
    EXPECT_EQ(30, l2);
    ExpectAddress(bank.Get(), BankAddress());
    ExpectAddress(creditor.Get(), PersonAddress("Mandant.tarmed", "Mandant.tarmed"));
}

TEST_F(ResultSingleReadTest, SlipReadsOfAnotherKindAnswerBlanks) {
    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result_->GetEsr(&l1, &t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                    creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(0, l1);
    EXPECT_EQ("", t2);
    EXPECT_EQ(0, l2);
    EXPECT_EQ(nullptr, bank.Get());
    EXPECT_EQ(nullptr, creditor.Get());

    ASSERT_EQ(S_OK, result_->GetEsrRed(&t1, &t2, &t3, &t4, bank.ReleaseAndGetAddressOf(),
                                       creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", t2);
    EXPECT_EQ(nullptr, bank.Get());

    ASSERT_EQ(S_OK, result_->GetEsrRedQR(&t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                         creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", t1);
    EXPECT_EQ(nullptr, creditor.Get());
}

TEST_F(ResultSingleReadTest, ReadsAnEsr9SlipWithOnlyABankAddress) {
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsr16or27Plus;
    esr.participant_number = "01-162-8";
    esr.reference_number = "12 34560 00000 00000 00000 00004";
    esr.bank_account = "CH9300762011623852957";
    esr.bank = BankAddress();
    esr.payment_period_days = 20;
    invoice_->esr = esr;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);

    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result->GetEsr(&l1, &t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                   creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(2, l1);
    EXPECT_EQ("01-162-8", t1);
    EXPECT_EQ("12 34560 00000 00000 00000 00004", t2);
    EXPECT_EQ("CH9300762011623852957", t3);
    EXPECT_EQ(20, l2);
    ExpectAddress(bank.Get(), BankAddress());
    EXPECT_EQ(nullptr, creditor.Get());

    ASSERT_EQ(S_OK, result->GetEsrQR(&l1, &t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                     creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ(nullptr, bank.Get());
}

TEST_F(ResultSingleReadTest, ReadsARedSlip) {
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsrRed;
    esr.post_account = "01-162-8";
    esr.iban = "CH9300762011623852957";
    esr.reference_number = "R-1";
    esr.remarks = "Zeile 1\nZeile 2";
    esr.creditor = PersonAddress("Mandant.tarmed", "Mandant.tarmed");
    invoice_->esr = esr;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);

    ASSERT_EQ(S_OK, result->GetEsrType(&l1, &status_));
    EXPECT_EQ(3, l1);
    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result->GetEsrRed(&t1, &t2, &t3, &t4, bank.ReleaseAndGetAddressOf(),
                                      creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("01-162-8", t1);
    EXPECT_EQ("CH9300762011623852957", t2);
    EXPECT_EQ("R-1", t3);
    EXPECT_EQ("Zeile 1\nZeile 2", t4);
    EXPECT_EQ(0, l2);
    EXPECT_EQ(nullptr, bank.Get());
    ExpectAddress(creditor.Get(), *esr.creditor);
}

TEST_F(ResultSingleReadTest, ReadsARedQrSlip) {
    invoice::Esr esr;
    esr.type = invoice::EsrType::kRedPayinSlipQR;
    esr.iban = "CH9300762011623852957";
    esr.remarks = "Zahlbar in 30 Tagen";
    esr.customer_note = "Danke";
    esr.payment_period_days = 30;
    invoice_->esr = esr;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice_);

    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result->GetEsrRedQR(&t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                        creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("CH9300762011623852957", t1);
    EXPECT_EQ("Zahlbar in 30 Tagen", t2);
    EXPECT_EQ("Danke", t3);
    EXPECT_EQ(30, l2);
    EXPECT_EQ(nullptr, bank.Get());
    EXPECT_EQ(nullptr, creditor.Get());
    // The QR read with reference does not answer the slip without one.
    ASSERT_EQ(S_OK, result->GetEsrQR(&l1, &t1, &t2, &t3, bank.ReleaseAndGetAddressOf(),
                                     creditor.ReleaseAndGetAddressOf(), &l2, &status_));
    EXPECT_EQ(VARIANT_FALSE, status_);
    EXPECT_EQ("", t1);
}

TEST_F(ResultSingleReadTest, ReadsBillerProviderAndReferrer) {
    ComPtr<IAddress> address;
    ASSERT_EQ(S_OK,
              result_->GetBiller(&t1, &t2, &t3, &t4, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kBillerGln, t1);
    EXPECT_EQ("C000002", t2);
    EXPECT_EQ("", t3);
    EXPECT_EQ("Allgemein", t4);
    ExpectAddress(address.Get(), *invoice_->biller->address);

    ASSERT_EQ(S_OK,
              result_->GetProvider(&t1, &t2, &t3, &t4, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kBillerGln, t1);
    EXPECT_EQ("C000002", t2);
    EXPECT_EQ("Allgemein", t4);
    ExpectAddress(address.Get(), *invoice_->provider->address);

    ASSERT_EQ(S_OK,
              result_->GetReferrer(&t1, &t2, &t3, &t4, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kReferrerGln, t1);
    EXPECT_EQ("R123456", t2);
    EXPECT_EQ("1234567", t3);
    EXPECT_EQ("Chirurgie", t4);
    ExpectAddress(address.Get(), PersonAddress("Zuweiser", "Hans"));
}

TEST_F(ResultSingleReadTest, ReadsPatientInsuredAndGuarantor) {
    ComPtr<IAddress> address;
    ASSERT_EQ(S_OK, result_->GetPatient(&l1, &d1, &t1, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(2, l1);  // female
    EXPECT_EQ(kBirthday, d1);
    EXPECT_EQ("7569217076985", t1);
    ExpectAddress(address.Get(), PatientAddress());

    // The insured has no address: the read hands out none.
    ASSERT_EQ(S_OK, result_->GetInsured(&l1, &d1, &t1, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, l1);
    EXPECT_EQ(kCaseDay, d1);
    EXPECT_EQ("7561234567897", t1);
    EXPECT_EQ(nullptr, address.Get());

    ASSERT_EQ(S_OK, result_->GetGuarantor(address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    ExpectAddress(address.Get(), PatientAddress());
}

TEST_F(ResultSingleReadTest, ReadsDebitorInsuranceAndEmployer) {
    ComPtr<IAddress> address;
    ASSERT_EQ(S_OK, result_->GetDebitor(&t1, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kRecipientGln, t1);
    ExpectAddress(address.Get(), PatientAddress());

    ASSERT_EQ(S_OK, result_->GetInsurance(&t1, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kRecipientGln, t1);
    ExpectAddress(address.Get(), BankAddress());

    ASSERT_EQ(S_OK, result_->GetEmployer(&t1, &t2, address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(kEmployerGln, t1);
    EXPECT_EQ("CHE-123.456.789", t2);
    ExpectAddress(address.Get(), PersonAddress("Chef", "Anna"));
}

TEST_F(ResultSingleReadTest, AddressHandedOutIsACopyOfItsOwn) {
    ComPtr<IAddress> first, second;
    ASSERT_EQ(S_OK, result_->GetGuarantor(first.ReleaseAndGetAddressOf(), &status_));
    ASSERT_EQ(S_OK, first->SetPerson("Anders", "Eva", "", "", "", &status_));
    ASSERT_EQ(S_OK, result_->GetGuarantor(second.ReleaseAndGetAddressOf(), &status_));
    EXPECT_NE(first.Get(), second.Get());
    ExpectAddress(second.Get(), PatientAddress());
    EXPECT_EQ("Spitzkiel", invoice_->guarantor->address->person.familyname);
}

TEST_F(ResultSingleReadTest, ReadsTheCase) {
    ASSERT_EQ(S_OK, result_->GetTreatment(&t1, &t2, &d1, &d2, &l1, &l2, &l3, &d3, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("APID-1", t1);
    EXPECT_EQ("ACID-1", t2);
    EXPECT_EQ(kCaseDay, d1);
    EXPECT_EQ(kTreatmentEnd, d2);
    EXPECT_EQ(static_cast<long>(invoice::Canton::kTG), l1);
    EXPECT_EQ(1, l2);  // ambulatory
    EXPECT_EQ(1, l3);  // disease
    EXPECT_EQ(0.0, d3);

    ASSERT_EQ(S_OK, result_->GetLaw(&l1, &d1, &t1, &t2, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(4, l1);  // MVG
    EXPECT_EQ(kCaseDay, d1);
    EXPECT_EQ("123456", t1);
    EXPECT_EQ("123456", t2);

    ASSERT_EQ(S_OK, result_->GetCard(&t1, &d1, &d2, &t2, &t3, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ("80756012340000000001", t1);
    EXPECT_EQ(kCardExpiry, d1);
    EXPECT_EQ(kInvoiceDay, d2);
    EXPECT_EQ("VAL-7", t2);
    EXPECT_EQ("srv1", t3);
}

TEST_F(ResultSingleReadTest, ReadsTheHospitalStay) {
    ASSERT_EQ(S_OK, result_->GetXtraHospital(&l1, &d1, &l2, &l3, &l4, &l5, &t1, &l6, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(2, l1);  // stationary
    EXPECT_EQ(kCaseDay, d1);
    EXPECT_EQ(12, l2);
    EXPECT_EQ(2, l3);  // emergency
    EXPECT_EQ(1, l4);  // cantonal
    EXPECT_EQ(2, l5);  // semi-private
    EXPECT_EQ("M100", t1);
    EXPECT_EQ(0, l6);
}

// ---------------------------------------------------------------------------
// An invoice with nothing but its defaults: every optional section reads as
// blanks with VARIANT_FALSE.

TEST(ResultMissingSectionTest, OptionalSectionsReadAsBlanks) {
    auto invoice = std::make_shared<invoice::InvoiceRequest>();
    invoice->language = invoice::Language::kItalian;
    ComPtr<IGeneralInvoiceResult> result = ResultOver(invoice);
    BSTR t1 = "x", t2 = "x", t3 = "x", t4 = "x", t5 = "x", t6 = "x";
    long l1 = -1, l2 = -1, l3 = -1, l4 = -1, l5 = -1, l6 = -1;
    double n1 = -1;
    DATE d1 = -1, d2 = -1, d3 = -1;
    VARIANT_BOOL status = VARIANT_TRUE;

    ASSERT_EQ(S_OK, result->GetRequest(&l1, &l2, &l3, &t1, &l4, &l5, &t2, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(3, l1);  // the language is always there
    EXPECT_EQ(0, l2);
    EXPECT_EQ(0, l3);
    EXPECT_EQ("", t2);

    ASSERT_EQ(S_OK, result->GetTransport(&t1, &t2, &t3, &t4, &t5, &t6, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ("", t1);
    EXPECT_EQ("", t4);

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetReminder(&t1, &d1, &l1, &l2, &t2, &n1, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0.0, d1);
    EXPECT_EQ(0, l2);
    EXPECT_EQ(0.0, n1);

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetTiers(&l1, &t1, &n1, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetEsrType(&l1, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);

    ComPtr<IAddress> address;
    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetPatient(&l1, &d1, &t1, address.ReleaseAndGetAddressOf(), &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);
    EXPECT_EQ(0.0, d1);
    EXPECT_EQ(nullptr, address.Get());

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetGuarantor(address.ReleaseAndGetAddressOf(), &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(nullptr, address.Get());

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetTreatment(&t1, &t2, &d1, &d2, &l1, &l2, &l3, &d3, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);
    EXPECT_EQ(0, l2);
    EXPECT_EQ(0, l3);

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetXtraHospital(&l1, &d1, &l2, &l3, &l4, &l5, &t1, &l6, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);
    EXPECT_EQ(0, l6);

    status = VARIANT_TRUE;
    ASSERT_EQ(S_OK, result->GetLaw(&l1, &d1, &t1, &t2, &status));
    EXPECT_EQ(VARIANT_FALSE, status);
    EXPECT_EQ(0, l1);
}

// ---------------------------------------------------------------------------
// Failures.

TEST_F(ResultSingleReadTest, NullOutPointerIsRefusedWithItsMethodNamed) {
    EXPECT_EQ(E_POINTER, result_->GetRequest(&l1, &l2, &l3, &t1, &l4, &l5, &t2, nullptr));
    EXPECT_EQ("GetRequest: an out-parameter is null", AbortText());
    EXPECT_EQ(E_POINTER, result_->GetBalance(&n1, &n2, nullptr, &n4, &n5, &n6, &status_));
    EXPECT_EQ("GetBalance: an out-parameter is null", AbortText());
    EXPECT_EQ(E_POINTER, result_->GetEsrQR(&l1, &t1, &t2, &t3, nullptr, nullptr, &l2, &status_));
    EXPECT_EQ(E_POINTER, result_->GetGuarantor(nullptr, &status_));
    EXPECT_EQ("GetGuarantor: an out-parameter is null", AbortText());
    EXPECT_EQ(E_POINTER, result_->GetXtraDRG(5, &n1, nullptr, &status_));
    EXPECT_EQ("GetXtraDRG: an out-parameter is null", AbortText());
}

TEST_F(ResultSingleReadTest, RefusedAddressReadHandsOutNoObject) {
    ComPtr<IAddress> address;
    EXPECT_EQ(E_POINTER, result_->GetBiller(&t1, &t2, nullptr, &t4,
                                            address.ReleaseAndGetAddressOf(), &status_));
    EXPECT_EQ(nullptr, address.Get());
}

}  // namespace
