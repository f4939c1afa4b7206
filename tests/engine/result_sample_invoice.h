#pragma once

// Test helpers of the result object: invoices built directly in the model,
// a result over them, and comparisons of addresses read back through IAddress.
//
// SampleInvoice() is the invoice of the published sample
// samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml with valid values in
// place of the sample's (GLNs with their check digits, a QR-IBAN with the QR
// reference, treatment dates in order), finalized, plus one of every section
// the sample does not have, so that every read has something to read.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bridge/module_interfaces.h"
#include "module/model/invoice_model.h"
#include "module/objects/result_factory.h"
#include "platform/com.h"

namespace result_test {

using invoice::Decimal;

// Day serials of the invoice day (2020-06-03) and the case (2020-05-20); of
// the other dates: 20924 1957-04-14, 43845 2020-01-15, 43983 2020-06-01,
// 44015 2020-07-03, 46022 2025-12-31.
constexpr double kInvoiceDay = 43985.0;
constexpr double kCaseDay = 43971.0;

constexpr const char* kBillerGln = "2000000000008";
constexpr const char* kRecipientGln = "7601000000002";
// An intermediate other than the recipient, so that the two do not stand for
// each other; the referrer's too.
constexpr const char* kViaGln = "7601000000019";

inline Decimal D(const char* text) {
    Decimal value;
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

// The figures of a balance in one line: amount, obligations, prepaid,
// reminder, due, difference, VAT, then "rate: amount vat" per VAT line.
inline std::string BalanceText(const invoice::Balance& b) {
    std::string text;
    for (const Decimal& d : {b.amount, b.amount_obligations, b.amount_prepaid, b.amount_reminder,
                             b.amount_due, b.round_difference, b.vat}) {
        text += d.ToString() + " ";
    }
    for (const invoice::VatRateLine& line : b.vat_rates) {
        text += "| " + line.vat_rate.ToString() + ": " + line.amount.ToString() + " " +
                line.vat.ToString() + " ";
    }
    return text + b.vat_number;
}

inline invoice::Address PersonAddress(const std::string& familyname, const std::string& givenname) {
    invoice::Address address;
    address.type = invoice::AddressType::kPerson;
    address.person = {familyname, givenname, "Frau", "", ""};
    address.postal = {"", "", "0000", "Unbekannt", "", "CH"};
    return address;
}

inline invoice::Address PatientAddress() {
    invoice::Address address = PersonAddress("Spitzkiel", "Beatrice");
    address.phones = {{"555 55 55", "055", "+41", ""}};
    return address;
}

inline invoice::Address BankAddress() {
    invoice::Address address;
    address.type = invoice::AddressType::kCompany;
    address.company = {"Test Bank", "", ""};
    address.postal = {"Bankweg 1", "", "2501", "Biel", "", "CH"};
    return address;
}

// An article of the biller, dated on the invoice day.
inline invoice::ServiceRecord Article(int32_t id, const char* code, const char* name,
                                      const char* quantity, const char* unit, const char* amount,
                                      const char* vat_rate) {
    invoice::ServiceRecord record;
    record.record_id = id;
    record.tariff_type = "999";
    record.code = code;
    record.name = name;
    record.quantity = D(quantity);
    record.unit = D(unit);
    record.date_begin = kInvoiceDay;
    record.provider_ean = kBillerGln;
    record.responsible_ean = kBillerGln;
    record.amount = D(amount);
    record.vat_rate = D(vat_rate);
    record.obligation = false;
    return record;
}

// The consultation of the sample, an extended record.
inline invoice::ServiceRecord Consultation() {
    invoice::ServiceRecord record = Article(
        1, "00.0010", "Konsultation, erste 5 Min. (Grundkonsultation)", "1", "0", "17.76", "0");
    record.kind = invoice::ServiceKind::kServiceEx;
    record.tariff_type = "001";
    record.unit = Decimal();
    record.obligation = true;
    record.mt = {D("9.57"), D("1"), D("1"), D("1"), D("9.57")};
    record.tt = {D("8.19"), D("1"), D("1"), D("1"), D("8.19")};
    return record;
}

// The services and the balance Finalize gave them.
inline void AddServices(invoice::InvoiceRequest* invoice) {
    invoice->services = {
        Consultation(), Article(2, "GA", "Gutachten A", "1", "2700", "2700", "8"),
        Article(3, "GB", "Gutachten B", "1", "2500", "2500", "2.5"),
        Article(4, "123456789", "test article", "1", "10.15", "10.15", "0"),
        Article(5, "1234567890", "test article fractional", "0.5", "10.15", "5.08", "0")};
    invoice->services[3].xtra_drug =
        invoice::XtraDrug{true, "B", invoice::Delivery::kRepeated, 3, true};
    invoice->services[4].xtra_drg = invoice::XtraDrg{D("0.75"), D("0.25")};
    // amount, obligations, prepaid, reminder, due, difference, VAT number, VAT
    invoice->balance = {D("5232.99"), D("17.76"), D("0"),      D("5"), D("5238.00"),
                        D("0.01"),    "",         D("260.98"), {}};
    invoice->balance.vat_rates = {{D("0"), D("32.99"), D("0")},
                                  {D("2.5"), D("2500"), D("60.98")},
                                  {D("8"), D("2700"), D("200")}};
    invoice->finalized = true;
}

// The sample with its QR slip.
inline std::shared_ptr<invoice::InvoiceRequest> SampleInvoice() {
    using namespace invoice;
    auto invoice = std::make_shared<InvoiceRequest>();
    const Address mandant = PersonAddress("Mandant.tarmed", "Mandant.tarmed");
    invoice->language = Language::kGerman;
    invoice->request =
        RequestSection{RoleType::kPhysician, PlaceType::kPractice, "", false, true, "Bemerkung"};
    invoice->processing = {
        false, true, "TC-42", std::nullopt, {{"token1", "value1"}, {"token2", "value2"}}};
    invoice->transport = Transport{kBillerGln,    "/keys/biller.pfx",    "secret",
                                   kRecipientGln, "/keys/recipient.der", {{kViaGln, 1}}};
    invoice->prolog.package = Software{"Elexis", "(c) Elexis", "", 380, 17, {}};
    invoice->invoice = RequestReference{"000001000001", kInvoiceDay, 1591170775};
    invoice->credit = RequestReference{"CR-9", 43845.0, 1579046400};
    invoice->reminder =
        Reminder{{"RM-1", 44015.0, 1593734400}, ReminderLevel::kSecond, "Zweite Mahnung", D("5")};
    invoice->tiers = Tiers{TiersMode::kGarant, "CHE-111.222.333 MWST", D("0")};
    // type, participant, reference, bank account, post account, IBAN, remarks,
    // note, bank, creditor, period and the written texts
    invoice->esr.emplace(Esr{EsrType::kEsrQR, "", "210000000003139471430009017", "", "",
                             "CH4431999123000889012", "", "Rechnung 000001000001", BankAddress(),
                             mandant, 30, "", "", "", "", std::nullopt});
    invoice->biller = Biller{kBillerGln, "C000002", "", "Allgemein", "", mandant};
    invoice->provider = Provider{kBillerGln, "C000002", "", "Allgemein", mandant};
    invoice->debitor = Debitor{kRecipientGln, PatientAddress()};
    invoice->patient = Patient{SexType::kFemale, 20924.0, "7569217076985", PatientAddress()};
    invoice->guarantor = Guarantor{PatientAddress()};
    // Not in the sample.
    invoice->insurance = Insurance{kRecipientGln, BankAddress()};
    invoice->insured = Patient{SexType::kMale, kCaseDay, "7561234567897", std::nullopt};
    invoice->referrer =
        Referrer{kViaGln, "R123456", "1234567", "Chirurgie", PersonAddress("Zuweiser", "Hans")};
    invoice->employer = Employer{"7601000000026", "CHE-123.456.789", PersonAddress("Chef", "Anna")};
    invoice->card = InsuranceCard{"80756012340000000001", 46022.0, kInvoiceDay, "VAL-7", "srv1"};
    invoice->law = Law{LawType::kMVG, kCaseDay, "123456", "123456", "", ""};
    invoice->treatment.emplace(Treatment{"APID-1", "ACID-1", kCaseDay, 43983.0, Canton::kTG,
                                         TreatmentType::kAmbulatory, TreatmentReason::kDisease,
                                         std::nullopt});
    invoice->diagnoses = {{DiagnosisType::kByContract, "A1", ""},
                          {DiagnosisType::kICD, "J45.0", "Asthma"}};
    invoice->xtra_hospital.emplace(XtraHospital{
        TreatmentType::kStationary, kCaseDay, 12, HospitalizationType::kEmergency,
        HospitalizationMode::kCantonal, HospitalizationClass::kSemiPrivate, "M100", false, ""});
    invoice->grouper_records = {{GrouperRecordType::kAdmissionType, "11", "Notfall"},
                                {GrouperRecordType::kDischargeType, "0", "Entlassung"}};
    invoice->bfs_records = {{BfsRecordType::kResidenceBeforeAdmission, "1", "Zuhause"}};
    invoice->case_details = {{1, "001", "00.0010", kCaseDay, 43983.0, "ACID-1"},
                             {2, "999", "GA", kInvoiceDay, kInvoiceDay, ""}};
    AddServices(invoice.get());
    return invoice;
}

// A result over `invoice` (the test fails when it cannot be made).
inline ComPtr<IGeneralInvoiceResult> ResultOver(
    std::shared_ptr<const invoice::InvoiceRequest> invoice) {
    ComPtr<IGeneralInvoiceResult> result;
    EXPECT_EQ(S_OK, CreateInvoiceResult(std::move(invoice), result.ReleaseAndGetAddressOf()));
    return result;
}

// Adds to the sample what a stationary 4.50 invoice carries besides (grouper
// and BfS records) and puts valid values where the sample's are not taken by
// the format (insured address, VAT number, the second case's ACID).
inline void CompleteForTheFormat(invoice::InvoiceRequest* request) {
    using G = invoice::GrouperRecordType;
    using B = invoice::BfsRecordType;
    request->grouper_records.push_back({G::kProviderType, "3", "Spital"});
    request->bfs_records.push_back({B::kAdmissionType, "2", "Notfall"});
    request->bfs_records.push_back({B::kDecisionForDischarge, "1", "Arzt"});
    request->bfs_records.push_back({B::kResidenceAfterDischarge, "1", "Zuhause"});
    request->insured->address = PersonAddress("Muster", "Hans");
    request->tiers->vat_number = "CHE123456789";
    request->case_details[1].acid = "ACID-2";
}

}  // namespace result_test
