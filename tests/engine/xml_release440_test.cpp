// 4.40 files: LoadXML reads every 4.40 file that the published 4.40 schema
// accepts and refuses the others; GetXML writes what it read as a 4.50 file
// that the published 4.50 schema accepts; the values that decide money and
// identity are the file's.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "module/model/invoice_enums.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace {

using invoice::Decimal;
using invoice::InvoiceRequest;
using Values = std::vector<std::string>;

std::vector<std::string> Samples440() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(Refdata("samples440"))) {
        if (entry.path().extension() == ".xml") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

const module::SchemaValidator& Official(const char* release) {
    static module::SchemaValidator v440(Refdata("xsd/generalInvoiceRequest_440.xsd"));
    static module::SchemaValidator v450(Refdata("xsd/generalInvoiceRequest_450.xsd"));
    const module::SchemaValidator& validator = std::string(release) == "440" ? v440 : v450;
    EXPECT_TRUE(validator.Loaded()) << validator.LoadError();
    return validator;
}

// LoadXML and GetXML through the manager.
class ManagerRun {
  public:
    // True when LoadXML takes `path`; *text is the abort text otherwise.
    bool Load(const std::string& path, std::string* text) {
        BSTR schema;
        ComPtr<IGeneralInvoiceRequest> request;
        ComPtr<IGeneralInvoiceResult> result;
        HRESULT hr = module_.manager->LoadXML(path, &schema, request.ReleaseAndGetAddressOf(),
                                              result.ReleaseAndGetAddressOf(), &status_);
        *text = hr == S_OK ? std::string(schema) : Abort();
        return hr == S_OK;
    }

    // GetXML of the loaded request: the file, or "" and *text the abort text.
    std::string Write(std::string* text) {
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        HRESULT hr = module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                             result.ReleaseAndGetAddressOf(), &status_);
        *text = hr == S_OK ? std::string() : Abort();
        return hr == S_OK ? std::string(file) : std::string();
    }

  private:
    std::string Abort() {
        BSTR text;
        VARIANT_BOOL status = 0;
        module_.manager->GetAbortInfo(&text, &status);
        return text;
    }

    request_test::TestModule module_;
    VARIANT_BOOL status_ = 0;
};

// The 4.50 document the writer makes of the file, as invoicetool rewrite
// does: GetXML writes only what passes the checks of a loaded invoice.
std::string Rewritten(const std::string& path) {
    InvoiceRequest request;
    std::string schema, error, xml;
    int64_t timestamp = 0;
    EXPECT_TRUE(invoice_xml::LoadInvoiceXml(path, &request, &schema, &error) &&
                invoice_xml::ResolveRequestTimestamp(request, 0, &timestamp, &error) &&
                invoice_xml::RenderInvoiceXml(request, 0, timestamp, &xml, &error))
        << error;
    return xml;
}

TEST(Release440Test, LoadedWhenThe440SchemaAcceptsAndWrittenAsValid450) {
    REQUIRE_REFDATA();
    ManagerRun run;
    int loaded = 0, refused = 0, written = 0;
    for (const std::string& path : Samples440()) {
        SCOPED_TRACE(path);
        const bool valid = Official("440").ValidateFile(path).Valid();
        std::string text;
        ASSERT_EQ(valid, run.Load(path, &text)) << text;
        if (!valid) {
            ++refused;
            EXPECT_NE(std::string::npos, text.find(path)) << text;
            continue;
        }
        ++loaded;
        EXPECT_EQ("generalInvoiceRequest_440.xsd", text);
        module::SchemaReport report = Official("450").ValidateMemory(Rewritten(path));
        EXPECT_TRUE(report.Valid()) << report.FirstErrorText();
        std::string file = run.Write(&text);
        if (file.empty()) {
            EXPECT_NE(std::string::npos, text.find("does not pass the checks")) << text;
            continue;
        }
        ++written;
        report = Official("450").ValidateFile(file);
        EXPECT_TRUE(report.Valid()) << report.FirstErrorText();
    }
    EXPECT_EQ(18, loaded);
    EXPECT_EQ(3, refused);
    EXPECT_GT(written, 0);
}

// The string values of `expr` in `doc` (prefix "i" for the request namespace).
Values XPathValues(xmlDoc* doc, const std::string& expr) {
    xmlXPathContext* context = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(context, BAD_CAST "i", BAD_CAST invoice_xml::kInvoiceNamespace);
    xmlXPathObject* found = xmlXPathEvalExpression(BAD_CAST expr.c_str(), context);
    Values values;
    for (int i = 0; found && found->nodesetval && i < found->nodesetval->nodeNr; ++i) {
        xmlChar* text = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
        values.push_back(reinterpret_cast<const char*>(text));
        xmlFree(text);
    }
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
    return values;
}

std::string Number(const Decimal& value) {
    return invoice_xml::FormatNumber(value);
}

std::string Date(const invoice::DateTime& value) {
    return invoice_xml::FormatDateTime(value);
}

// The file's numbers in the shortest form, as the model's are shown.
Values Numbers(Values texts) {
    for (std::string& text : texts) {
        Decimal value;
        if (invoice_xml::ParseNumber(text, &value)) text = Number(value);
    }
    return texts;
}

template <typename F>
Values EachService(const InvoiceRequest& r, F value) {
    Values values;
    for (const invoice::ServiceRecord& record : r.services) values.push_back(value(record));
    return values;
}

template <typename F>
Values EachVatRate(const InvoiceRequest& r, F value) {
    Values values;
    for (const invoice::VatRateLine& line : r.balance.vat_rates) values.push_back(value(line));
    return values;
}

// A value of the 4.40 file (with its schema default when absent) and where
// the loaded model holds it.
struct Mapped {
    const char* name;
    const char* xpath;
    bool number;
    const char* absent;  // the default when the file has none; null: none
    std::function<Values(const InvoiceRequest&)> loaded;
};

const Mapped kMapped[] = {
    {"invoice id", "//i:payload/i:invoice/@request_id", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.invoice->id}; }},
    {"timestamp", "//i:payload/i:invoice/@request_timestamp", false, nullptr,
     [](const InvoiceRequest& r) { return Values{std::to_string(r.invoice->timestamp)}; }},
    {"amount", "//i:balance/@amount", true, nullptr,
     [](const InvoiceRequest& r) { return Values{Number(r.balance.amount)}; }},
    {"amount due", "//i:balance/@amount_due", true, nullptr,
     [](const InvoiceRequest& r) { return Values{Number(r.balance.amount_due)}; }},
    {"obligations", "//i:balance/@amount_obligations", true, "0",
     [](const InvoiceRequest& r) { return Values{Number(r.balance.amount_obligations)}; }},
    {"prepaid", "//i:balance/@amount_prepaid", true, "0",
     [](const InvoiceRequest& r) { return Values{Number(r.balance.amount_prepaid)}; }},
    {"vat", "//i:balance/i:vat/@vat", true, nullptr,
     [](const InvoiceRequest& r) { return Values{Number(r.balance.vat)}; }},
    {"vat rates", "//i:balance/i:vat/i:vat_rate/@vat_rate", true, nullptr,
     [](const InvoiceRequest& r) {
         return EachVatRate(r, [](const invoice::VatRateLine& l) { return Number(l.vat_rate); });
     }},
    {"vat amounts", "//i:balance/i:vat/i:vat_rate/@amount", true, nullptr,
     [](const InvoiceRequest& r) {
         return EachVatRate(r, [](const invoice::VatRateLine& l) { return Number(l.amount); });
     }},
    {"biller GLN", "//i:biller/@ean_party", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.biller->ean}; }},
    {"biller ZSR", "//i:biller/@zsr", false, "",
     [](const InvoiceRequest& r) { return Values{r.biller->zsr}; }},
    {"debitor GLN", "//i:tiers_payant/i:insurance/@ean_party", false, "2000000000008",
     [](const InvoiceRequest& r) { return Values{r.debitor->ean}; }},
    {"creditor", "//i:biller/i:person/i:familyname | //i:biller/i:company/i:companyname", false,
     nullptr,
     [](const InvoiceRequest& r) {
         const invoice::Address& a = *r.esr->creditor;
         return Values{a.type == invoice::AddressType::kPerson ? a.person.familyname
                                                               : a.company.companyname};
     }},
    {"provider GLN", "//i:provider/@ean_party", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.provider->ean}; }},
    {"provider ZSR", "//i:provider/@zsr", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.provider->zsr}; }},
    {"patient", "//i:patient/i:person/i:familyname", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.patient->address->person.familyname}; }},
    {"patient given", "//i:patient/i:person/i:givenname", false, nullptr,
     [](const InvoiceRequest& r) { return Values{r.patient->address->person.givenname}; }},
    {"birthdate", "//i:patient/@birthdate", false, nullptr,
     [](const InvoiceRequest& r) { return Values{Date(r.patient->birthdate)}; }},
    {"gender", "//i:patient/@gender", false, nullptr,
     [](const InvoiceRequest& r) { return Values{invoice::SchemaText(r.patient->sex)}; }},
    {"treatment begin", "//i:treatment/@date_begin", false, nullptr,
     [](const InvoiceRequest& r) { return Values{Date(r.treatment->date_begin)}; }},
    {"treatment end", "//i:treatment/@date_end", false, nullptr,
     [](const InvoiceRequest& r) { return Values{Date(r.treatment->date_end)}; }},
    {"tariffs", "//i:services/*/@tariff_type", false, nullptr,
     [](const InvoiceRequest& r) {
         return EachService(r, [](const invoice::ServiceRecord& s) { return s.tariff_type; });
     }},
    {"codes", "//i:services/*/@code", false, nullptr,
     [](const InvoiceRequest& r) {
         return EachService(r, [](const invoice::ServiceRecord& s) { return s.code; });
     }},
    {"quantities", "//i:services/*/@quantity", true, nullptr,
     [](const InvoiceRequest& r) {
         return EachService(r, [](const invoice::ServiceRecord& s) { return Number(s.quantity); });
     }},
    {"service amounts", "//i:services/*/@amount", true, nullptr,
     [](const InvoiceRequest& r) {
         return EachService(r, [](const invoice::ServiceRecord& s) { return Number(s.amount); });
     }},
    {"service dates", "//i:services/*/@date_begin", false, nullptr,
     [](const InvoiceRequest& r) {
         return EachService(r, [](const invoice::ServiceRecord& s) { return Date(s.date_begin); });
     }},
};

TEST(Release440Test, MoneyAndIdentityValuesAreTheFiles) {
    REQUIRE_REFDATA();
    for (const std::string& path : Samples440()) {
        if (!Official("440").ValidateFile(path).Valid()) continue;
        SCOPED_TRACE(path);
        InvoiceRequest request;
        std::string schema, error;
        ASSERT_TRUE(invoice_xml::LoadInvoiceXml(path, &request, &schema, &error)) << error;
        ASSERT_TRUE(request.invoice && request.biller && request.provider && request.patient &&
                    request.patient->address && request.treatment && request.debitor &&
                    request.esr && request.esr->creditor);
        xmlDoc* doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
        ASSERT_NE(nullptr, doc);
        for (const Mapped& mapped : kMapped) {
            Values filed = XPathValues(doc, mapped.xpath);
            if (filed.empty() && mapped.absent != nullptr) filed.push_back(mapped.absent);
            EXPECT_EQ(mapped.number ? Numbers(filed) : filed, mapped.loaded(request))
                << mapped.name;
        }
        xmlFreeDoc(doc);
    }
}

// Changes of one valid sample: what the 4.40 schema refuses is refused, and
// so is what 4.50 has no form for; a ZSR number of a party is taken as that
// party's GLN, and an attachment 4.50 cannot carry is left out.
TEST(Release440Test, ChangedSamples) {
    REQUIRE_REFDATA();
    struct Case {
        const char* sample;
        const char* from;
        const char* to;
        bool valid440;     // as the published schema judges it
        const char* text;  // in the loader's refusal; null: loads
    };
    const char* uvg = "elexis_elexis-3-base_md_440_tg_uvg_3783.xml";
    const char* tp = "elexis_elexis-3-base_update_212.xml";
    const char* csv = "metasfresh_metasfresh_44_KANTON_49-01-2019_115414041.xml";
    const Case cases[] = {
        {uvg, "validate=\"true\"", "validate=\"yes\"", false, "'validate' of 'record_tarmed'"},
        {uvg, "unit_mt=\"", "unit_mt=\"-", false, "'unit_mt' of 'record_tarmed'"},
        {uvg, "<invoice:treatment ", "<invoice:treatment gestation_week13=\"2019-01-01T00:00:00\" ",
         false, "'gestation_week13' of 'treatment' does not exist in release 4.40"},
        {uvg, "provider_id=\"0000000000002\"", "provider_id=\"C196719\"", true, nullptr},
        {uvg, "provider_id=\"0000000000002\"", "provider_id=\"C196718\"", true,
         "provider_id C196718 is a ZSR number that no party of the invoice has"},
        {uvg, "invoice:esr9", "invoice:esr5", false, "esr5"},
        {uvg, "generalInvoiceRequest_440.xsd", "generalInvoiceRequest_430.xsd", true,
         "only releases 4.50 and 4.40 can be loaded"},
        {tp, "amount_prepaid=\"0.00\"", "amount_prepaid=\"0.05\"", true,
         "prepaid amount (0.05), which release 4.50 cannot hold"},
        {csv, "mimeType=\"text/csv\"", "mimeType=\"text/csv\"", true, nullptr},
        {csv, "mimeType=\"text/csv\"", "mimeType=\"application/pdf\"", true, nullptr},
        {csv, "mimeType=\"text/csv\"", "mimeType=\"text/csv;charset=windows-1252;so-long\"", false,
         "'mimeType' of 'document'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + ": " + c.to);
        std::string text = ReadFileText(Refdata(std::string("samples440/") + c.sample));
        size_t at = text.find(c.from);
        ASSERT_NE(std::string::npos, at);
        for (; at != std::string::npos; at = text.find(c.from, at + 1)) {
            text.replace(at, std::string(c.from).size(), c.to);
        }
        EXPECT_EQ(c.valid440, Official("440").ValidateMemory(text).Valid());
        InvoiceRequest request;
        std::string schema, error;
        bool loaded = invoice_xml::LoadInvoiceXmlText(text, "x.xml", &request, &schema, &error);
        ASSERT_EQ(c.text == nullptr, loaded) << error;
        if (c.text != nullptr) {
            EXPECT_NE(std::string::npos, error.find(c.text)) << error;
        } else if (c.sample == uvg) {
            EXPECT_EQ("0000000000002", request.services.at(0).provider_ean);
        } else {
            EXPECT_EQ(std::string(c.to).find("pdf") != std::string::npos ? 1u : 0u,
                      request.documents.size());
        }
    }
}

}  // namespace
