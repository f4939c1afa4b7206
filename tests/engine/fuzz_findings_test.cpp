// Faults that the fuzz targets of fuzz/ found in the engine, each kept as a
// test of its own.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/string_table.h"
#include "common/utf8_text.h"
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
// capitals, but the payload carried them as given (one row for each of the
// two); and UTF-8 in overlong form passed as the character it stands for.
TEST(FuzzFindingsTest, QrPayloadRefusesValuesItWouldCarryBroken) {
    std::string payload = "untouched";
    ASSERT_TRUE(invoice::BuildQrPayload(ScorBill(), &payload).ok);
    const std::vector<std::pair<const char*, std::function<void(QrBill&)>>> cases = {
        {"blanks in the IBAN", [](QrBill& b) { b.iban = "CH58 0079 1123 0008 8901 2"; }},
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

// request_frame_fuzz: an error text was cut to its 1,024 bytes before the
// invalid bytes of its inserts became U+FFFD, three bytes each, so a path
// of raw bytes got an abort text of up to three times the bound.
TEST(FuzzFindingsTest, ErrorTextKeepsItsBoundAfterInvalidBytesAreReplaced) {
    // One to three ASCII bytes in front shift the cut through the three
    // bytes of a replacement character.
    for (const char* name : {"/ITarvos", "/ITarvosA", "/ITarvosAB"}) {
        for (size_t count : {340u, 341u, 400u, 1100u}) {
            std::string text =
                GetErrorDescription(kDefaultLanguage, 401, name + std::string(count, '\xe3'));
            EXPECT_LE(text.size(), 1024u) << name << count;
            EXPECT_EQ(ValidUtf8(text), text) << name << count;
            EXPECT_EQ(0u, text.find(std::string("The URI path [") + name + "\xEF\xBF\xBD"))
                << name << count;
        }
    }
}

}  // namespace
