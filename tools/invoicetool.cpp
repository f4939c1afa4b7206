// invoicetool: checks, shows and rewrites generalInvoiceRequest 4.50 files
// with the invoice engine. validate, show and rewrite read 4.40 files too,
// in their 4.50 form (module/xml/xml_upgrade_440.h); rewrite writes 4.50.
//
//   invoicetool validate FILE...   schema errors with line numbers, then the
//                                  findings of the checks a loaded invoice
//                                  meets before Print and GetXML, one per
//                                  line; exit 0 only when every file passes
//   invoicetool show FILE          the loaded invoice as JSON on stdout
//   invoicetool rewrite FILE OUT   load FILE and write it again as OUT
//   invoicetool sign|verify|encrypt|decrypt ...
//                                  signatures and encrypted bodies, file by
//                                  file (module/xml/xml_signature_commands.h)
//   invoicetool catalog ...        the tariff catalog (module/tariff/catalog_command.h)
//
// Exit codes: 0 success, 1 a file is invalid or cannot be loaded or written,
// 2 wrong usage. The request schema is read from beside the executable.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "module/checks/invoice_checks.h"
#include "module/model/invoice_model.h"
#include "module/tariff/catalog_command.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_common.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_signature_commands.h"
#include "module/xml/xml_writer.h"

namespace {

const char kUsage[] =
    "usage: invoicetool validate FILE...\n"
    "       invoicetool show FILE\n"
    "       invoicetool rewrite FILE OUT\n";

// ---------------------------------------------------------------------------
// A small JSON writer: members are added in order, texts are escaped.

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

class JsonObject {
  public:
    JsonObject& Text(const char* key, const std::string& value) { return Raw(key, Quote(value)); }
    JsonObject& Number(const char* key, const invoice::Decimal& value) {
        return Raw(key, value.ToString());
    }
    JsonObject& Integer(const char* key, long long value) {
        return Raw(key, std::to_string(value));
    }
    JsonObject& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
    JsonObject& Date(const char* key, double serial) {
        return Text(key, invoice_xml::FormatDateTime(serial));
    }
    JsonObject& Raw(const char* key, const std::string& json) {
        body_ += (body_.empty() ? "" : ",") + Quote(key) + ":" + json;
        return *this;
    }
    std::string Json() const { return "{" + body_ + "}"; }

  private:
    std::string body_;
};

std::string Array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + items[i];
    return out + "]";
}

// ---------------------------------------------------------------------------
// The invoice as JSON.

std::string AddressJson(const std::optional<invoice::Address>& address) {
    if (!address) return "null";
    JsonObject out;
    if (address->type == invoice::AddressType::kCompany) {
        out.Text("company", address->company.companyname);
    } else {
        out.Text("familyname", address->person.familyname)
            .Text("givenname", address->person.givenname);
    }
    out.Text("street", address->postal.street)
        .Text("zip", address->postal.zip)
        .Text("city", address->postal.city);
    return out.Json();
}

template <typename Party>
std::string PartyJson(const std::optional<Party>& party) {
    if (!party) return "null";
    JsonObject out;
    out.Text("ean", party->ean).Raw("address", AddressJson(party->address));
    return out.Json();
}

std::string PatientJson(const std::optional<invoice::Patient>& patient) {
    if (!patient) return "null";
    JsonObject out;
    out.Text("gender", invoice::SchemaText(patient->sex))
        .Date("birthdate", patient->birthdate)
        .Text("ssn", patient->ssn)
        .Raw("address", AddressJson(patient->address));
    return out.Json();
}

std::string BalanceJson(const invoice::Balance& balance) {
    std::vector<std::string> rates;
    for (const invoice::VatRateLine& line : balance.vat_rates) {
        rates.push_back(JsonObject()
                            .Number("vat_rate", line.vat_rate)
                            .Number("amount", line.amount)
                            .Number("vat", line.vat)
                            .Json());
    }
    return JsonObject()
        .Number("amount", balance.amount)
        .Number("amount_obligations", balance.amount_obligations)
        .Number("amount_prepaid", balance.amount_prepaid)
        .Number("amount_reminder", balance.amount_reminder)
        .Number("amount_due", balance.amount_due)
        .Number("vat", balance.vat)
        .Raw("vat_rates", Array(rates))
        .Json();
}

std::string ServiceJson(const invoice::ServiceRecord& record) {
    JsonObject out;
    out.Integer("record_id", record.record_id)
        .Text("kind", record.kind == invoice::ServiceKind::kServiceEx ? "service_ex" : "service")
        .Text("tariff_type", record.tariff_type)
        .Text("code", record.code)
        .Text("name", record.name)
        .Number("quantity", record.quantity)
        .Date("date_begin", record.date_begin)
        .Text("provider_id", record.provider_ean)
        .Text("responsible_id", record.responsible_ean)
        .Number("amount", record.amount)
        .Number("vat_rate", record.vat_rate)
        .Bool("obligation", record.obligation);
    return out.Json();
}

std::string InvoiceJson(const invoice::InvoiceRequest& request, const std::string& schema) {
    JsonObject out;
    out.Text("schema", schema)
        .Text("language", invoice::SchemaText(request.language))
        .Text("modus", invoice::SchemaText(request.modus))
        .Text("type", invoice::SchemaText(request.payload_type()));
    if (request.invoice) {
        out.Text("request_id", request.invoice->id)
            .Date("request_date", request.invoice->date)
            .Integer("request_timestamp", request.invoice->timestamp);
    }
    if (request.tiers) out.Text("tiers", invoice::SchemaText(request.tiers->mode));
    if (request.law) out.Text("law", invoice::SchemaText(request.law->type));
    JsonObject parties;
    parties.Raw("biller", PartyJson(request.biller))
        .Raw("provider", PartyJson(request.provider))
        .Raw("debitor", PartyJson(request.debitor))
        .Raw("insurance", PartyJson(request.insurance))
        .Raw("patient", PatientJson(request.patient))
        .Raw("guarantor",
             request.guarantor ? AddressJson(request.guarantor->address) : std::string("null"));
    out.Raw("parties", parties.Json()).Raw("balance", BalanceJson(request.balance));
    std::vector<std::string> services;
    for (const invoice::ServiceRecord& record : request.services) {
        services.push_back(ServiceJson(record));
    }
    out.Raw("services", Array(services));
    return out.Json();
}

// ---------------------------------------------------------------------------
// The commands.

// The schema errors of a 4.50 file, one line each; false when there are none.
bool ReportSchemaErrors(const module::SchemaValidator& validator, const std::string& file) {
    module::SchemaReport report = validator.ValidateFile(file);
    if (report.Valid()) return false;
    std::cout << file << ": " << report.errorCount
              << (report.errorCount == 1 ? " error\n" : " errors\n");
    for (const module::SchemaError& error : report.errors) {
        std::cout << file << ":" << error.line << ": " << error.message << "\n";
    }
    return true;
}

// A file is valid when it loads and passes the checks Print and GetXML run
// on a loaded invoice; every schema error or finding is one line.
bool ValidateFile(const module::SchemaValidator& validator, const std::string& file) {
    invoice::InvoiceRequest request;
    std::string schema;
    std::string error;
    if (!invoice_xml::LoadInvoiceXml(file, &request, &schema, &error)) {
        if (schema != invoice_xml::kSchema450 || !ReportSchemaErrors(validator, file)) {
            std::cout << file << ": " << error << "\n";
        }
        return false;
    }
    std::vector<std::string> findings = checks::CheckLoadedInvoice(request);
    if (findings.empty()) {
        std::cout << file << ": valid\n";
        return true;
    }
    std::cout << file << ": " << findings.size()
              << (findings.size() == 1 ? " finding\n" : " findings\n");
    for (const std::string& finding : findings) std::cout << file << ": " << finding << "\n";
    return false;
}

int Validate(const std::vector<std::string>& files) {
    std::shared_ptr<const module::SchemaValidator> validator = module::RequestSchemaValidator();
    if (!validator->Loaded()) {
        std::cerr << "invoicetool: the request schema cannot be used: " << validator->LoadError()
                  << "\n";
        return 1;
    }
    int invalid = 0;
    for (const std::string& file : files) {
        if (!ValidateFile(*validator, file)) ++invalid;
    }
    return invalid == 0 ? 0 : 1;
}

int Show(const std::string& file) {
    invoice::InvoiceRequest request;
    std::string schema;
    std::string error;
    if (!invoice_xml::LoadInvoiceXml(file, &request, &schema, &error)) {
        std::cerr << "invoicetool: " << error << "\n";
        return 1;
    }
    std::cout << InvoiceJson(request, schema) << "\n";
    return 0;
}

int Rewrite(const std::string& file, const std::string& out) {
    invoice::InvoiceRequest request;
    std::string schema;
    std::string error;
    int64_t timestamp = 0;
    std::string xml;
    if (!invoice_xml::LoadInvoiceXml(file, &request, &schema, &error) ||
        !invoice_xml::ResolveRequestTimestamp(request, 0, &timestamp, &error) ||
        !invoice_xml::RenderInvoiceXml(request, 0, timestamp, &xml, &error)) {
        std::cerr << "invoicetool: " << error << "\n";
        return 1;
    }
    std::ofstream stream(out, std::ios::binary | std::ios::trunc);
    stream.write(xml.data(), static_cast<std::streamsize>(xml.size()));
    stream.close();
    if (!stream) {
        std::cerr << "invoicetool: " << out << " cannot be written\n";
        return 1;
    }
    module::SchemaReport report = module::RequestSchemaValidator()->ValidateMemory(xml);
    if (!report.Valid()) {
        std::cerr << "invoicetool: " << out << " was written with " << report.errorCount
                  << " schema errors; the first: " << report.FirstErrorText() << "\n";
        return 1;
    }
    std::cout << out << ": written, valid\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "validate") {
        return Validate(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (args.size() == 2 && args[0] == "show") return Show(args[1]);
    if (args.size() == 3 && args[0] == "rewrite") return Rewrite(args[1], args[2]);
    if (!args.empty() && invoice_xml::IsSecurityCommand(args[0])) {
        return invoice_xml::RunSecurityCommand(args, std::cout, std::cerr);
    }
    if (!args.empty() && args[0] == "catalog") {
        return tariff::RunCatalogCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    std::cerr << kUsage << invoice_xml::kSecurityUsage << tariff::kCatalogUsage;
    return 2;
}
