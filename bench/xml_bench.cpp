// Figures of the invoice XML: write + validate (WriteInvoiceXml, as GetXML
// runs it) and load (LoadInvoiceXml, as LoadXML runs it) for invoices with
// 10, 100 and 1,000 services, and the peak memory of the process after the
// 1,000-service runs. Per operation: the medians of the rounds in wall-clock
// time and in the thread's CPU time, and the fastest round (wall-clock); on
// a busy machine the fastest round is the fairest figure. The figures of the engine before the XML
// speed work, measured with this same program, are printed beside them.
//
//   bench_xml_bench [ROUNDS]     (default 20)

#include <sys/resource.h>
#include <time.h>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// Medians of one operation's rounds, in milliseconds.
struct Figures {
    double wall = 0;
    double cpu = 0;
    double fastest = 0;
};

double ThreadCpuMillis() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `operation` `rounds` times; false as soon as it fails.
template <typename Operation>
bool Measure(int rounds, Operation operation, Figures* figures) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        double cpu_start = ThreadCpuMillis();
        if (!operation(i)) return false;
        cpu.push_back(ThreadCpuMillis() - cpu_start);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    figures->wall = Median(wall);
    figures->cpu = Median(cpu);
    figures->fastest = *std::min_element(wall.begin(), wall.end());
    return true;
}

// The same program on the engine before the XML speed work (commit e1e4577,
// 20 rounds, this machine): wall, CPU and fastest in ms, by count.
struct Before {
    int services;
    Figures write;
    Figures load;
};
const Before kBefore[] = {
    {10, {0.36, 0.36, 0.26}, {0.24, 0.23, 0.20}},
    {100, {15.21, 2.94, 1.57}, {14.92, 2.95, 1.78}},
    {1000, {76.11, 19.03, 49.06}, {57.20, 12.70, 39.85}},
};

void Print(int services, const std::string& bytes, const Figures& write, const Figures& load,
           const char* when) {
    std::printf("%-8d %7s  %6.2f %6.2f %6.2f   %6.2f %6.2f %6.2f  (%s)\n", services, bytes.c_str(),
                write.wall, write.cpu, write.fastest, load.wall, load.cpu, load.fastest, when);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (rounds < 1) rounds = 1;
    std::string folder = std::filesystem::temp_directory_path().string() + "/tarvos-xml-bench";
    std::filesystem::create_directories(folder);
    module::RequestSchemaValidator();  // compile the schema outside the timings

    std::printf("%-8s %7s  %-22s %-22s\n", "", "", "write+validate (ms)", "load (ms)");
    std::printf("%-8s %7s  %6s %6s %6s   %6s %6s %6s\n", "services", "bytes", "wall", "cpu", "best",
                "wall", "cpu", "best");
    for (const Before& before : kBefore) {
        Print(before.services, "", before.write, before.load, "before");
    }
    for (int count : {10, 100, 1000}) {
        invoice::InvoiceRequest request = Invoice(count);
        invoice_xml::XmlWriteOptions options;
        options.output_folder = folder;
        invoice_xml::XmlWriteResult written;
        std::string error;
        Figures write, load;
        bool ok = Measure(
            rounds,
            [&](int round) {
                if (round > 0) std::filesystem::remove(written.path);
                return invoice_xml::WriteInvoiceXml(request, options, &written, &error) &&
                       written.validation_errors == 0;
            },
            &write);
        ok = ok &&
             Measure(
                 rounds,
                 [&](int) {
                     invoice::InvoiceRequest loaded;
                     std::string schema;
                     return invoice_xml::LoadInvoiceXml(written.path, &loaded, &schema, &error);
                 },
                 &load);
        if (!ok) {
            std::fprintf(stderr, "failed: %s %s\n", error.c_str(), written.first_error.c_str());
            return 1;
        }
        Print(count, std::to_string(std::filesystem::file_size(written.path)), write, load, "now");
        std::filesystem::remove(written.path);
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory after the 1000-service runs: %ld KiB\n", usage.ru_maxrss);
    std::filesystem::remove_all(folder);
    return 0;
}
