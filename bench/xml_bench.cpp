// Figures of the invoice XML: write + validate and load times for invoices
// with 10, 100 and 1,000 services, and the peak memory of the process after
// the 1,000-service runs.
//
//   bench_xml_bench [ROUNDS]     (default 20)

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "module/model/invoice_model.h"
#include "module/xml/schema_validator.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"

namespace {

invoice::Decimal D(const char* text) {
    invoice::Decimal value;
    invoice::Decimal::Parse(text, &value);
    return value;
}

invoice::Address Person(const char* familyname) {
    invoice::Address address;
    address.type = invoice::AddressType::kPerson;
    address.person.familyname = familyname;
    address.person.givenname = "Anna";
    address.postal.street = "Weg 1";
    address.postal.zip = "8000";
    address.postal.city = "Z\xC3\xBCrich";
    address.phones.push_back({"555 55 55", "044", "+41", ""});
    return address;
}

// A complete tiers garant invoice with `count` services.
invoice::InvoiceRequest Invoice(int count) {
    const char* gln = "7601000000002";
    invoice::InvoiceRequest r;
    r.request = invoice::RequestSection();
    r.transport = invoice::Transport{gln, "", "", gln, "", {{gln, 1}}};
    r.invoice = invoice::RequestReference{"INV-1", 44000, 1600000000};
    r.tiers = invoice::Tiers();
    invoice::Esr esr;
    esr.iban = "CH4431999123000889012";
    esr.reference_number = "210000000003139471430009017";
    esr.bank = Person("Bank");
    esr.creditor = Person("Kreditor");
    r.esr = esr;
    r.biller = invoice::Biller{gln, "C000002", "", "", "", Person("Biller")};
    r.provider = invoice::Provider{gln, "C000002", "", "", Person("Provider")};
    r.debitor = invoice::Debitor{gln, Person("Debitor")};
    r.patient = invoice::Patient{invoice::SexType::kFemale, 20000, "7569217076985", Person("P")};
    r.guarantor = invoice::Guarantor{Person("Guarantor")};
    r.law = invoice::Law();
    r.treatment = invoice::Treatment{"",
                                     "",
                                     44000,
                                     44001,
                                     invoice::Canton::kZH,
                                     invoice::TreatmentType::kAmbulatory,
                                     invoice::TreatmentReason::kDisease,
                                     std::nullopt};
    for (int i = 1; i <= count; ++i) {
        invoice::ServiceRecord record;
        record.kind = i % 2 ? invoice::ServiceKind::kService : invoice::ServiceKind::kServiceEx;
        record.record_id = i;
        record.tariff_type = "001";
        record.code = "00.0010";
        record.name = "Konsultation, erste 5 Min.";
        record.quantity = D("1");
        record.date_begin = 44000;
        record.provider_ean = gln;
        record.responsible_ean = gln;
        record.unit = D("10.15");
        record.mt = {D("9.57"), D("0.89"), D("1"), D("1"), D("8.52")};
        record.tt = {D("8.19"), D("0.89"), D("1"), D("1"), D("7.29")};
        record.amount = D("10.15");
        r.services.push_back(record);
    }
    r.balance.amount = D("10.15") * invoice::Decimal::FromInt(count);
    r.balance.amount_due = r.balance.amount;
    r.balance.vat_rates = {{D("0"), r.balance.amount, D("0")}};
    return r;
}

double Millis(std::chrono::steady_clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (rounds < 1) rounds = 1;
    std::string folder = std::filesystem::temp_directory_path().string() + "/tarvos-xml-bench";
    std::filesystem::create_directories(folder);
    module::RequestSchemaValidator();  // compile the schema outside the timings

    std::printf("%-9s %10s %16s %12s\n", "services", "bytes", "write+validate", "load");
    for (int count : {10, 100, 1000}) {
        invoice::InvoiceRequest request = Invoice(count);
        invoice_xml::XmlWriteOptions options;
        options.output_folder = folder;
        invoice_xml::XmlWriteResult written;
        std::string error;
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i) {
            if (!invoice_xml::WriteInvoiceXml(request, options, &written, &error) ||
                written.validation_errors != 0) {
                std::fprintf(stderr, "write failed: %s %s\n", error.c_str(),
                             written.first_error.c_str());
                return 1;
            }
            if (i + 1 < rounds) std::filesystem::remove(written.path);
        }
        double write_ms = Millis(std::chrono::steady_clock::now() - start) / rounds;

        start = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i) {
            invoice::InvoiceRequest loaded;
            std::string schema;
            if (!invoice_xml::LoadInvoiceXml(written.path, &loaded, &schema, &error)) {
                std::fprintf(stderr, "load failed: %s\n", error.c_str());
                return 1;
            }
        }
        double load_ms = Millis(std::chrono::steady_clock::now() - start) / rounds;
        std::printf("%-9d %10ju %13.2f ms %9.2f ms\n", count,
                    static_cast<uintmax_t>(std::filesystem::file_size(written.path)), write_ms,
                    load_ms);
        std::filesystem::remove(written.path);
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory after the 1000-service runs: %ld KiB\n", usage.ru_maxrss);
    std::filesystem::remove_all(folder);
    return 0;
}
