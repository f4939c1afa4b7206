// The loader: edited published 4.50 and 4.40 samples, and every kind of
// input it must refuse without crashing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "tests/engine/request_mutations.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace {

using invoice::InvoiceRequest;

using module::testing_support::kOurSchema;
using module::testing_support::kValidSample;
using module::testing_support::ReadText;
using module::testing_support::ReplaceAll;
const std::string kRefdata = RefdataDir();
const std::string kNs = "http://www.forum-datenaustausch.ch/invoice";

class XmlReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { module::SetRequestSchemaPath(kOurSchema); }
    void TearDown() override { module::SetRequestSchemaPath(""); }
};

const char kQr[] = "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const char kUvg[] = "samples440/elexis_elexis-3-base_md_440_tg_uvg_3783.xml";
const char kCsv[] = "samples440/metasfresh_metasfresh_44_KANTON_49-01-2019_115414041.xml";
const char k450[] = "generalInvoiceRequest_450.xsd";
const char k440[] = "generalInvoiceRequest_440.xsd";

// A published sample with every `from` replaced by `to`.
std::string Edit(const std::string& sample, const std::string& from, const std::string& to) {
    std::string text = ReadText(kRefdata + sample);
    EXPECT_NE(std::string::npos, text.find(from)) << from;
    return from.empty() ? text : ReplaceAll(text, from, to);
}

// The biller's GLN, the patient's family name and the number of services.
std::string Parties(const InvoiceRequest& r) {
    return r.biller->ean + " " + r.patient->address->person.familyname + " " +
           std::to_string(r.services.size());
}

std::string Documents(const InvoiceRequest& r) {
    return std::to_string(r.documents.size());
}

std::string Laughs() {
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    for (char name = 'b'; name <= 'j'; ++name) {
        laughs += std::string("<!ENTITY ") + name + " \"";
        for (int k = 0; k < 10; ++k) laughs += std::string("&") + char(name - 1) + ";";
        laughs += "\">";
    }
    return laughs + "]>\n<request xmlns=\"" + kNs + "\" language=\"&j;\"/>";
}

// An input and the schema the loader knew it by; the loader takes it with
// the value shown, or refuses it saying why (any refusal: ""), without a
// crash, leaking no file and leaving the target unchanged.
struct Input {
    std::string text;
    const char* schema;
    const char* says;                                       // the value, or part of the refusal
    std::string (*value)(const InvoiceRequest&) = nullptr;  // null: refused
};

TEST_F(XmlReaderTest, InputsLoadWithTheirValuesOrAreRefusedSayingWhy) {
    REQUIRE_REFDATA();
    TempFolder folder;
    std::ofstream(folder.Path() + "secret.txt") << "SECRET";
    const std::string request = "<request xmlns=\"" + kNs + "\" language=\"de\">";
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    const std::string biller =  // the biller's name, not the provider's
        "<invoice:biller ean_party=\"0000000000002\" zsr=\"C196719\" specialty=\"Allgemeine "
        "Medizin\">\r\n          <invoice:person salutation=\"Herr\" title=\"Dr. med.\">\r\n"
        "            <invoice:familyname>";
    const Input inputs[] = {
        // Offsets never shift the day, and fractions are cut.
        {Edit(kQr, "request_date=\"2020-06-03T00:00:00.000+02:00\"",
              "request_date=\"2020-06-03T23:59:59.999-11:00\""),
         k450, "2020-06-03T23:59:59.999-11:00",
         [](const InvoiceRequest& r) { return invoice_xml::FormatDateTime(r.invoice->date); }},
        // What the schema accepts loads even where the setters are stricter;
        // any prefix, or none, for the namespace.
        {Edit(kQr, "ean_party=\"2000000000002\"", "ean_party=\"2000000000003\""), k450,
         "2000000000003 Spitzkiel 5", Parties},
        {ReplaceAll(Edit(kQr, "invoice:", "inv:"), "xmlns:invoice=", "xmlns:inv="), k450,
         "2000000000002 Spitzkiel 5", Parties},
        {ReplaceAll(ReplaceAll(Edit(kQr, "<invoice:", "<"), "</invoice:", "</"),
                    "xmlns:invoice=", "xmlns="),
         k450, "2000000000002 Spitzkiel 5", Parties},
        {Edit(kQr, "payment_period=\"P30D\"", "payment_period=\"P1M\""), k450, "P1M = 30 days",
         [](const InvoiceRequest& r) {
             return r.esr->payment_period_text + " = " +
                    std::to_string(r.esr->payment_period_days) + " days";
         }},
        // What the model cannot hold is refused with its line.
        {Edit(kQr, "quantity=\"0.5\"", "quantity=\"INF\""), k450,
         "line 114: attribute 'quantity' of 'service'"},
        {Edit("samples450/elexis_elexis-3-base_writeReq450.xml", "", ""), k450,
         "does not conform to generalInvoiceRequest_450.xsd (9 errors): line 2: Element "
         "'request', attribute 'language'"},
        // 4.40: known also without a schema location; the slip's creditor is
        // the biller (not the provider); what its schema refuses is refused,
        // and so is what 4.50 has no form for; a ZSR number of a party is
        // taken as that party's GLN, and an attachment 4.50 cannot carry is
        // left out.
        {Edit(kUvg, k440, ""), k440, "0000000000002",
         [](const InvoiceRequest& r) { return r.services.at(0).provider_ean; }},
        {Edit(kUvg, biller + "M\xC3\xBCller", biller + "Meier"), k440, "Meier",
         [](const InvoiceRequest& r) { return r.esr->creditor->person.familyname; }},
        {Edit(kUvg, "validate=\"true\"", "validate=\"yes\""), k440,
         "'validate' of 'record_tarmed'"},
        {Edit(kUvg, "<invoice:treatment ",
              "<invoice:treatment gestation_week13=\"2019-01-01T00:00:00\" "),
         k440, "'gestation_week13' of 'treatment' does not exist in release 4.40"},
        {Edit(kUvg, "provider_id=\"0000000000002\"", "provider_id=\"C196719\""), k440,
         "0000000000002", [](const InvoiceRequest& r) { return r.services.at(0).provider_ean; }},
        {Edit(kUvg, "provider_id=\"0000000000002\"", "provider_id=\"C196718\""), k440,
         "provider_id C196718 is a ZSR number that no party of the invoice has"},
        {Edit(kUvg, "invoice:esr9", "invoice:esr5"), k440, "esr5"},
        {Edit(kUvg, k440, "generalInvoiceRequest_430.xsd"), "generalInvoiceRequest_430.xsd",
         "only releases 4.50 and 4.40 can be loaded"},
        {Edit("samples440/elexis_elexis-3-base_update_212.xml", "amount_prepaid=\"0.00\"",
              "amount_prepaid=\"0.05\""),
         k440, "prepaid amount (0.05), which release 4.50 cannot hold"},
        {Edit(kCsv, "", ""), k440, "0", Documents},
        {Edit(kCsv, "mimeType=\"text/csv\"", "mimeType=\"application/pdf\""), k440, "1", Documents},
        // Not an invoice, or hostile.
        {"", "", "not a well-formed XML document"},
        {"<request/>", "", "without a namespace"},
        {"<?xml version=\"1.0\"?>\n<a>\n<b></a>", "",
         "input.xml is not a well-formed XML document: line 3"},
        {"<html xmlns=\"http://www.w3.org/1999/xhtml\"/>", "",
         "is not a generalInvoiceRequest document: line 1: its root element is 'html' in the "
         "namespace 'http://www.w3.org/1999/xhtml'"},
        {"<!DOCTYPE r [<!ENTITY x SYSTEM \"" + folder.Path() + "secret.txt\">]>\n" + request +
             "&x;</request>",
         k450, ""},
        {Laughs(), "", ""},
        {deep, "", "not a well-formed"},
        {request + std::string(20 << 20, 'x') + "</request>", k450, ""},
    };
    for (const Input& input : inputs) {
        SCOPED_TRACE(&input - inputs);
        InvoiceRequest r;
        r.language = invoice::Language::kItalian;
        std::string schema = "kept", error;
        const bool loaded =
            invoice_xml::LoadInvoiceXmlText(input.text, "input.xml", &r, &schema, &error);
        EXPECT_EQ(input.schema, schema);
        ASSERT_EQ(input.value != nullptr, loaded) << error;
        if (loaded) {
            EXPECT_EQ(input.says, input.value(r));
            continue;
        }
        EXPECT_NE(std::string::npos, error.find(input.says)) << error;
        EXPECT_EQ(std::string::npos, error.find("SECRET"));
        EXPECT_EQ(invoice::Language::kItalian, r.language);
        EXPECT_FALSE(r.invoice);
    }
}

}  // namespace
