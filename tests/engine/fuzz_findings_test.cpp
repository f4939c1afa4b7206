// Faults that the fuzz targets of fuzz/ found in the engine, each kept as a
// test of its own.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "module/print/qr_bill.h"

namespace {

using invoice::QrBill;

QrBill ScorBill() {
    QrBill bill;
    bill.iban = "CH5800791123000889012";
    bill.creditor = {"Robert Schneider AG", "Rue du Lac", "1268", "2501", "Biel", "CH"};
    EXPECT_TRUE(invoice::Decimal::Parse("12.50", &bill.amount));
    bill.reference_type = checks::QrReferenceType::kScor;
    bill.reference = "RF18539007547034";
    return bill;
}

// qr_bill_fuzz: the checks read IBAN and reference without blanks and in
// capitals, but the payload carried them as given; and UTF-8 in overlong
// form passed as the character it stands for.
TEST(FuzzFindingsTest, QrPayloadRefusesValuesItWouldCarryBroken) {
    std::string payload = "untouched";
    ASSERT_TRUE(invoice::BuildQrPayload(ScorBill(), &payload).ok);
    const std::vector<std::pair<const char*, std::function<void(QrBill&)>>> cases = {
        {"tab in the IBAN", [](QrBill& b) { b.iban = "CH580079\t1123000889012"; }},
        {"blanks in the IBAN", [](QrBill& b) { b.iban = "CH58 0079 1123 0008 8901 2"; }},
        {"small letters in the IBAN", [](QrBill& b) { b.iban = "ch5800791123000889012"; }},
        {"blanks in the reference", [](QrBill& b) { b.reference = "RF18 5390 0754 7034"; }},
        {"small letters in the reference", [](QrBill& b) { b.reference = "rf18539007547034"; }},
        {"overlong U+00AC in the message", [](QrBill& b) { b.message = "A\xE0\x82\xAC"; }},
        {"overlong 'A' in the town", [](QrBill& b) { b.creditor.town = "Bi\xC1\x81l"; }},
    };
    for (const auto& test : cases) {
        QrBill bill = ScorBill();
        test.second(bill);
        payload = "untouched";
        EXPECT_FALSE(invoice::BuildQrPayload(bill, &payload).ok) << test.first;
        EXPECT_EQ("untouched", payload) << test.first;
    }
}

}  // namespace
