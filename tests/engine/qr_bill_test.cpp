// The QR-bill payload and its rules, the printed forms of its values, and the
// split of a street line into street name and building number. The bill made
// of an invoice is print_form_content_test (the payload of each slip).

#include "module/print/qr_bill.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "tests/engine/result_sample_invoice.h"

namespace {

using invoice::QrAddress;
using invoice::QrBill;
using result_test::D;

std::string Repeat(const std::string& text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

// Creditor and debtor with every field at its limit in two-byte letters.
void LongAddresses(QrBill* bill, const std::string& message) {
    std::string seventy = Repeat("ü", 70), town = Repeat("ö", 35);
    bill->creditor = {seventy, seventy, "1", "8000", town, "CH"};
    bill->debtor = QrAddress{seventy, seventy, "2", "8000", town, "CH"};
    bill->message = message;
}

// One change to the bill of the sample invoice (a QR reference, an amount of
// seven characters) and "SPC\n" (a payload), the whole refusal or a part of
// it. The whole payload of an invoice's bill: print_form_content_test.
const std::tuple<const char*, std::function<void(QrBill*)>, std::string> kRules[] = {
    {"largest amount", [](QrBill* b) { b->amount = D("999999999.99"); }, "SPC\n"},
    {"amount too large", [](QrBill* b) { b->amount = D("1000000000.00"); },
     "refused: the amount 1000000000.00 is above 999999999.99"},
    {"smallest amount", [](QrBill* b) { b->amount = D("0.01"); }, "SPC\n"},
    {"no amount", [](QrBill* b) { b->amount = D("0"); }, "refused: the amount 0.00 is below 0.01"},
    {"three decimals", [](QrBill* b) { b->amount = D("12.345"); },
     "refused: the amount 12.345 has more than two decimals"},
    {"no creditor name", [](QrBill* b) { b->creditor.name.clear(); },
     "refused: the creditor has no name"},
    // Characters, not bytes; the address fields' limits are those of the long
    // addresses below.
    {"message of 140", [](QrBill* b) { b->message = Repeat("é", 140); }, "SPC\n"},
    {"message of 141", [](QrBill* b) { b->message = Repeat("é", 141); },
     "141 characters, more than 140"},
    {"lower-case country", [](QrBill* b) { b->creditor.country = "ch"; },
     "refused: the creditor's country \"ch\" is not a two-letter country code"},
    // The IBAN and reference pairs themselves: TextCheckTest.Verdicts (kPairing).
    {"reference check digit", [](QrBill* b) { b->reference = "210000000003139471430009018"; },
     "check digit"},
    {"Cyrillic letter", [](QrBill* b) { b->message = "Rechnung \xD0\x96"; },
     "refused: the message \"Rechnung \xD0\x96\" has the character U+0416, which the QR-bill "
     "does not allow"},
    {"line break", [](QrBill* b) { b->debtor->name = "Line\nbreak"; }, "U+000A"},
    {"broken UTF-8", [](QrBill* b) { b->creditor.name = "Bad \xC3"; }, "not valid UTF-8"},
    {"allowed Latin extensions", [](QrBill* b) { b->message = "Ș ț € ÿ Ł"; }, "SPC\n"},
    // Every field within its limit, but two-byte letters everywhere.
    {"payload of 997 bytes", [](QrBill* b) { LongAddresses(b, Repeat("ä", 89) + "x"); }, "SPC\n"},
    {"payload of 998 bytes", [](QrBill* b) { LongAddresses(b, Repeat("ä", 90)); },
     "refused: the QR-bill payload has 998 bytes, more than 997"},
};

TEST(QrPayloadTest, Rules) {
    for (const auto& [name, change, outcome] : kRules) {
        QrBill bill = invoice::QrBillOf(*result_test::SampleInvoice());
        change(&bill);
        std::string payload;
        checks::CheckResult result = invoice::BuildQrPayload(bill, &payload);
        if (!result.ok) payload = "refused: " + result.rule;
        EXPECT_NE(std::string::npos, payload.find(outcome)) << name << ": " << payload;
    }
    EXPECT_FALSE(invoice::HasQrPayment(invoice::InvoiceRequest{}));  // no payment details
}

// The printed amounts, and street lines split into street and number.
TEST(QrPayloadTest, PrintedAmountsAndStreetLines) {
    std::string amounts, streets;
    for (const char* amount : {"1949.75", "999999999.99", "0.5"})
        amounts += invoice::PrintedAmountText(D(amount)) + "|";
    EXPECT_EQ("1 949.75|999 999 999.99|0.50|", amounts);
    for (const char* line : {"  Via San Gottardo   2/4 ", "Route de Berne 10 B",
                             "12, rue de la Gare", "Im Eichholz", "", "17"}) {
        invoice::StreetParts parts = invoice::SplitStreetLine(line);
        streets += parts.street + "+" + parts.building_number + "|";
    }
    EXPECT_EQ("Via San Gottardo+2/4|Route de Berne+10 B|rue de la Gare+12|Im Eichholz+|+|17+|",
              streets);
}

}  // namespace
