#pragma once

// A hand-made invoice for the print tests, with every header block a clerk
// looks for and services whose figures exercise every factor: plain and
// extended records, quantities above one, factors other than one, each
// billing role, two tariffs, two VAT rates, a prepaid amount and a total
// that needs rounding to 0.05 (144.77 - 20.00 = 124.77, due 124.75). The
// rows by date and by tariff and code come in different orders.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "module/model/balance.h"
#include "module/model/invoice_model.h"
#include "module/print/logo_image.h"
#include "tests/engine/result_sample_invoice.h"

namespace print_test {

using result_test::D;

constexpr double kDay = 45292.0;  // 2024-01-01

inline invoice::Address Party(const char* name, const char* family, const char* street) {
    invoice::Address address;
    address.type = family[0] ? invoice::AddressType::kPerson : invoice::AddressType::kCompany;
    address.person = {family, name, "", "", ""};
    address.company.companyname = name;
    address.postal = {street, "", "1700", "Fribourg", "", "CH"};
    return address;
}

// Without a unit an extended record of tariff 001: 2 x 9.57 x 0.89 x 0.93 x
// 1.1 = 17.43 (AL) and 2 x 8.19 x 0.89 = 14.58 (TL); with a unit a plain
// record of tariff 590: quantity x unit x 1.05 x 0.9.
inline invoice::ServiceRecord Service(const char* code, invoice::BillingRole role,
                                      const char* unit = nullptr, const char* quantity = "2",
                                      const char* vat_rate = "0") {
    invoice::ServiceRecord record;
    bool extended = unit == nullptr;
    record.kind = extended ? invoice::ServiceKind::kServiceEx : invoice::ServiceKind::kService;
    record.tariff_type = extended ? "001" : "590";
    record.code = code;
    record.name = std::string("Leistung ") + code;
    record.quantity = D(quantity);
    record.date_begin = kDay + 2;
    record.provider_ean = "7601000000002";
    record.responsible_ean = "7601000000019";
    record.unit = D(extended ? "0" : unit);
    record.unit_factor = D("1.05");
    record.external_factor = D("0.9");
    record.vat_rate = D(vat_rate);
    record.mt = {D("9.57"), D("0.89"), D("0.93"), D("1.1"), {}};
    record.tt = {D("8.19"), D("0.89"), D("1"), D("1"), {}};
    record.billing_role = role;
    return record;
}

inline void Finalize(invoice::InvoiceRequest* request) {
    std::string error;
    ASSERT_TRUE(invoice::FinalizeBalance(request, &error)) << error;
}

inline invoice::InvoiceRequest RichInvoice(invoice::Language language, invoice::LawType law,
                                           invoice::TiersMode tiers) {
    invoice::InvoiceRequest r;
    r.language = language;
    r.request = invoice::RequestSection{};
    r.invoice = invoice::RequestReference{"RG-2024-0815", kDay + 10, 1704931200};
    r.tiers = invoice::Tiers{tiers, "", D("20")};
    invoice::Address practice = Party("Praxis Rüegg", "", "Bahnhofstrasse 12a");
    r.biller = invoice::Biller{"7601000000002", "A123456", "", "", "CHE108954312", practice};
    r.provider = invoice::Provider{"7601000000002", "A123456", "", "", practice};
    r.referrer = invoice::Referrer{"7601000000019", "B654321", "", "",
                                   Party("Anna", "Keller", "Seestrasse 1")};
    r.insurance = invoice::Insurance{"7601003000016", Party("Kasse Muster", "", "Postfach 9")};
    r.patient = invoice::Patient{invoice::SexType::kFemale, 42000, "7561234567897",
                                 Party("Lea", "Müller", "Rue du Lac 5")};
    r.law = invoice::Law{law, kDay - 3, "CASE-44", "INS-991", "", ""};
    r.treatment = invoice::Treatment{};
    r.treatment->date_begin = kDay;
    r.treatment->date_end = kDay + 5;
    r.treatment->canton = invoice::Canton::kFR;
    r.diagnoses = {{invoice::DiagnosisType::kICD, "J06.9", ""},
                   {invoice::DiagnosisType::kByContract, "A1", ""}};
    r.services = {Service("00.0020", invoice::BillingRole::kBoth),
                  Service("00.0030", invoice::BillingRole::kMT),
                  Service("00.0040", invoice::BillingRole::kTT),
                  Service("00.0050", invoice::BillingRole::kNone),
                  Service("7301", invoice::BillingRole::kBoth, "48.25", "1"),
                  Service("7302", invoice::BillingRole::kBoth, "12.40", "3", "8.1")};
    r.services[4].date_begin = kDay + 1;
    r.esr = invoice::Esr{};
    r.esr->iban = "CH4431999123000889012";
    r.esr->reference_number = "210000000003139471430009017";
    r.esr->payment_period_days = 30;
    return r;
}

// Writes `folder`logo.bmp, 2 x 2 pixels of 24 bits stored bottom-up: red,
// green / blue, white (the top row); and `folder`logo.png, 4 x 4 black.
inline void WriteLogos(const std::string& folder) {
    const unsigned char bytes[] = {
        'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        16,  0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
        0,   0,   255, 0,   255, 0,   0, 0,   // bottom row: red, green, pad
        255, 0,   0,   255, 255, 255, 0, 0};  // top row: blue, white, pad
    std::ofstream(folder + "logo.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(png, (folder + "logo.png").c_str()));
    cairo_surface_destroy(png);
}

}  // namespace print_test
