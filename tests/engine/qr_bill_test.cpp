// The QR-bill payload and its rules, and the split of a street line into
// street name and building number.

#include "module/print/qr_bill.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using checks::QrReferenceType;
using invoice::Decimal;
using invoice::QrAddress;
using invoice::QrBill;

Decimal D(const char* text) {
    Decimal value;
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

QrBill Bill() {
    QrBill bill;
    bill.iban = "CH4431999123000889012";
    bill.creditor = {"Robert Schneider AG", "Rue du Lac", "1268", "2501", "Biel", "CH"};
    bill.amount = D("1949.75");
    bill.debtor = QrAddress{
        "Pia-Maria Rutschmann-Schnyder", "Grosse Marktgasse", "28", "9400", "Rorschach", "CH"};
    bill.reference_type = QrReferenceType::kQrr;
    bill.reference = "210000000003139471430009017";
    bill.message = "Auftrag vom 15.06.2020";
    return bill;
}

// "OK" and the payload, or the rule.
std::string Payload(const QrBill& bill) {
    std::string payload;
    checks::CheckResult result = invoice::BuildQrPayload(bill, &payload);
    return result.ok ? payload : "refused: " + result.rule;
}

TEST(QrPayloadTest, QrIbanWithQrReference) {
    EXPECT_EQ(
        "SPC\n0200\n1\nCH4431999123000889012\n"
        "S\nRobert Schneider AG\nRue du Lac\n1268\n2501\nBiel\nCH\n"
        "\n\n\n\n\n\n\n"
        "1949.75\nCHF\n"
        "S\nPia-Maria Rutschmann-Schnyder\nGrosse Marktgasse\n28\n9400\nRorschach\nCH\n"
        "QRR\n210000000003139471430009017\nAuftrag vom 15.06.2020\nEPD",
        Payload(Bill()));
}

TEST(QrPayloadTest, CreditorReferenceWithoutDebtorOrMessage) {
    QrBill bill = Bill();
    bill.iban = "CH5800791123000889012";
    bill.reference_type = QrReferenceType::kScor;
    bill.reference = "RF18539007547034";
    bill.debtor.reset();
    bill.message.clear();
    bill.amount = D("0.5");
    EXPECT_EQ(
        "SPC\n0200\n1\nCH5800791123000889012\n"
        "S\nRobert Schneider AG\nRue du Lac\n1268\n2501\nBiel\nCH\n"
        "\n\n\n\n\n\n\n"
        "0.50\nCHF\n"
        "\n\n\n\n\n\n\n"
        "SCOR\nRF18539007547034\n\nEPD",
        Payload(bill));
}

TEST(QrPayloadTest, NoReferenceInEuro) {
    QrBill bill = Bill();
    bill.iban = "CH5800791123000889012";
    bill.reference_type = QrReferenceType::kNon;
    bill.reference.clear();
    bill.currency = "EUR";
    std::string payload = Payload(bill);
    EXPECT_NE(std::string::npos, payload.find("\n1949.75\nEUR\n"));
    EXPECT_NE(std::string::npos, payload.find("\nNON\n\nAuftrag vom 15.06.2020\nEPD"));
}

TEST(QrPayloadTest, LimitsAreCharactersNotBytes) {
    QrBill bill = Bill();
    bill.creditor.town.clear();
    for (int i = 0; i < 35; ++i) bill.creditor.town += "é";
    EXPECT_EQ(0u, Payload(bill).find("SPC"));
    bill.creditor.town += "é";
    EXPECT_NE(std::string::npos, Payload(bill).find("town \"ééé"));
    EXPECT_NE(std::string::npos, Payload(bill).find("has 36 characters, more than 35"));
}

// --- refusals ----------------------------------------------------------------

TEST(QrPayloadTest, CreditorWithoutPostcodeOrTown) {
    QrBill bill = Bill();
    bill.creditor.postcode.clear();
    EXPECT_EQ("refused: the creditor has no postcode", Payload(bill));
    bill = Bill();
    bill.creditor.town.clear();
    EXPECT_EQ("refused: the creditor has no town", Payload(bill));
    bill = Bill();
    bill.creditor.name.clear();
    EXPECT_EQ("refused: the creditor has no name", Payload(bill));
}

TEST(QrPayloadTest, AmountsOutsideTheRange) {
    QrBill bill = Bill();
    bill.amount = D("1000000000.00");
    EXPECT_EQ("refused: the amount 1000000000.00 is above 999999999.99", Payload(bill));
    bill.amount = D("999999999.99");
    EXPECT_EQ(0u, Payload(bill).find("SPC"));
    bill.amount = D("0");
    EXPECT_EQ("refused: the amount 0.00 is below 0.01", Payload(bill));
    bill.amount = D("12.345");
    EXPECT_EQ("refused: the amount 12.345 has more than two decimals", Payload(bill));
}

TEST(QrPayloadTest, PayloadOver997Bytes) {
    // Every field within its limit, but two-byte letters everywhere.
    QrBill bill = Bill();
    std::string seventy;
    for (int i = 0; i < 70; ++i) seventy += "ü";
    std::string thirtyfive;
    for (int i = 0; i < 35; ++i) thirtyfive += "ö";
    std::string message;
    for (int i = 0; i < 140; ++i) message += "ä";
    bill.creditor = {seventy, seventy, "1", "8000", thirtyfive, "CH"};
    bill.debtor = QrAddress{seventy, seventy, "2", "8000", thirtyfive, "CH"};
    bill.message = message;
    EXPECT_EQ("refused: the QR-bill payload has 1098 bytes, more than 997", Payload(bill));
}

TEST(QrPayloadTest, IbanAndReferenceMustGoTogether) {
    QrBill bill = Bill();
    bill.reference_type = QrReferenceType::kNon;
    bill.reference.clear();
    EXPECT_NE(std::string::npos, Payload(bill).find("needs a QR reference"));
    bill = Bill();
    bill.iban = "CH5800791123000889012";
    EXPECT_NE(std::string::npos, Payload(bill).find("cannot take a QR reference"));
    bill = Bill();
    bill.reference = "210000000003139471430009018";
    EXPECT_NE(std::string::npos, Payload(bill).find("check digit"));
}

TEST(QrPayloadTest, CharactersOutsideTheLatinSet) {
    QrBill bill = Bill();
    bill.message = "Rechnung \xD0\x96";  // Cyrillic Zhe
    EXPECT_EQ(
        "refused: the message \"Rechnung \xD0\x96\" has the character U+0416, which the "
        "QR-bill does not allow",
        Payload(bill));
    bill = Bill();
    bill.debtor->name = "Line\nbreak";
    EXPECT_NE(std::string::npos, Payload(bill).find("U+000A"));
    bill = Bill();
    bill.creditor.name = "Bad \xC3";
    EXPECT_NE(std::string::npos, Payload(bill).find("not valid UTF-8"));
    bill = Bill();
    bill.message = "Ș ț € ÿ Ł";  // the Latin extensions the guidelines allow
    EXPECT_EQ(0u, Payload(bill).find("SPC"));
}

TEST(QrPayloadTest, CountryCodeAndLongFields) {
    QrBill bill = Bill();
    bill.creditor.country = "ch";
    EXPECT_EQ("refused: the creditor's country \"ch\" is not a two-letter country code",
              Payload(bill));
    bill = Bill();
    bill.debtor->building_number = std::string(17, '1');
    EXPECT_NE(std::string::npos, Payload(bill).find("debtor's building number"));
    bill = Bill();
    bill.message = std::string(141, 'x');
    EXPECT_NE(std::string::npos, Payload(bill).find("141 characters, more than 140"));
}

// --- street lines and printed forms -----------------------------------------

TEST(StreetLineTest, NumberAtTheEnd) {
    auto parts = invoice::SplitStreetLine("Bahnhofstrasse 12a");
    EXPECT_EQ("Bahnhofstrasse", parts.street);
    EXPECT_EQ("12a", parts.building_number);
    parts = invoice::SplitStreetLine("  Via San Gottardo   2/4 ");
    EXPECT_EQ("Via San Gottardo", parts.street);
    EXPECT_EQ("2/4", parts.building_number);
    parts = invoice::SplitStreetLine("Route de Berne 10 B");
    EXPECT_EQ("Route de Berne", parts.street);
    EXPECT_EQ("10 B", parts.building_number);
}

TEST(StreetLineTest, NumberAtTheStart) {
    auto parts = invoice::SplitStreetLine("12, rue de la Gare");
    EXPECT_EQ("rue de la Gare", parts.street);
    EXPECT_EQ("12", parts.building_number);
}

TEST(StreetLineTest, NoNumber) {
    auto parts = invoice::SplitStreetLine("Im Eichholz");
    EXPECT_EQ("Im Eichholz", parts.street);
    EXPECT_EQ("", parts.building_number);
    parts = invoice::SplitStreetLine("");
    EXPECT_EQ("", parts.street);
    EXPECT_EQ("", parts.building_number);
    parts = invoice::SplitStreetLine("17");
    EXPECT_EQ("17", parts.street);
}

TEST(PrintedFormsTest, AmountsIbansAndReferences) {
    EXPECT_EQ("1 949.75", invoice::PrintedAmountText(D("1949.75")));
    EXPECT_EQ("999 999 999.99", invoice::PrintedAmountText(D("999999999.99")));
    EXPECT_EQ("0.50", invoice::PrintedAmountText(D("0.5")));
    EXPECT_EQ("123.00", invoice::PrintedAmountText(D("123")));
    EXPECT_EQ("CH44 3199 9123 0008 8901 2", invoice::PrintedIban("CH4431999123000889012"));
    EXPECT_EQ("21 00000 00003 13947 14300 09017",
              invoice::PrintedReference(QrReferenceType::kQrr, "210000000003139471430009017"));
    EXPECT_EQ("RF18 5390 0754 7034",
              invoice::PrintedReference(QrReferenceType::kScor, "RF18539007547034"));
}

TEST(QrBillOfTest, DebtorFallsBackAndIsLeftOutWhenIncomplete) {
    invoice::InvoiceRequest request;
    invoice::Esr esr;
    esr.type = invoice::EsrType::kRedPayinSlipQR;
    esr.iban = "ch58 0079 1123 0008 8901 2";
    esr.reference_number = "ignored for this slip";
    request.esr = esr;
    invoice::Address biller;
    biller.type = invoice::AddressType::kCompany;
    biller.company.companyname = "Praxis";
    biller.postal = {"Hauptgasse 1", "", "4500", "Solothurn", "", ""};
    request.biller = invoice::Biller{"", "", "", "", "", biller};
    invoice::Address patient = biller;
    patient.type = invoice::AddressType::kPerson;
    patient.person.givenname = "Anna";
    patient.person.familyname = "Meier";
    request.patient = invoice::Patient{invoice::SexType::kFemale, 0, "", patient};
    request.balance.amount_due = D("10");

    QrBill bill = invoice::QrBillOf(request);
    EXPECT_EQ("CH5800791123000889012", bill.iban);
    EXPECT_EQ(QrReferenceType::kNon, bill.reference_type);
    EXPECT_EQ("", bill.reference);
    EXPECT_EQ("Praxis", bill.creditor.name);
    EXPECT_EQ("Hauptgasse", bill.creditor.street);
    EXPECT_EQ("1", bill.creditor.building_number);
    EXPECT_EQ("CH", bill.creditor.country);
    ASSERT_TRUE(bill.debtor.has_value());
    EXPECT_EQ("Anna Meier", bill.debtor->name);

    request.patient->address->postal.city.clear();
    EXPECT_FALSE(invoice::QrBillOf(request).debtor.has_value());
}

TEST(QrBillOfTest, LegacySlipsAreNoQrPayment) {
    invoice::InvoiceRequest request;
    EXPECT_FALSE(invoice::HasQrPayment(request));
    request.esr = invoice::Esr{};
    request.esr->type = invoice::EsrType::kEsr16or27;
    EXPECT_FALSE(invoice::HasQrPayment(request));
    request.esr->type = invoice::EsrType::kEsrRed;
    EXPECT_FALSE(invoice::HasQrPayment(request));
    request.esr->type = invoice::EsrType::kEsrQRPlus;
    EXPECT_TRUE(invoice::HasQrPayment(request));
}

}  // namespace
