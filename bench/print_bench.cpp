// Time to print an invoice to PDF and the file's size, for 10, 100 and 1,000
// services, with the QR-bill's payment slip. The invoice is what a practice
// sends: extended records of three tariffs with medical and technical parts
// and every billing role, plain records at two VAT rates, a prepaid amount,
// the usual parties, a treatment and diagnoses.
//
// The sizes may be given as arguments instead. Each size is printed once to
// warm up (font loading) and then kRuns times, each time another invoice of
// the same shape (its tax points differ, so that what one print shaped is
// not simply reused by the next); the medians of the wall-clock time and of
// the thread's CPU time, and the fastest wall-clock time, are reported. On a
// busy machine the CPU time and the fastest run are the fairer figures. The
// figures of the print before the work on the form and its speed, measured
// with this same program, are printed beside them.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "module/model/balance.h"
#include "module/print/invoice_print.h"

namespace {

constexpr int kRuns = 15;
constexpr double kDay = 45292.0;  // 2024-01-01

invoice::Decimal D(const char* text) {
    invoice::Decimal value;
    invoice::Decimal::Parse(text, &value);
    return value;
}

invoice::Address Company(const char* name, const char* street, const char* zip, const char* city) {
    invoice::Address address;
    address.type = invoice::AddressType::kCompany;
    address.company.companyname = name;
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

invoice::Address Person(const char* given, const char* family, const char* street, const char* zip,
                        const char* city) {
    invoice::Address address;
    address.type = invoice::AddressType::kPerson;
    address.person.givenname = given;
    address.person.familyname = family;
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

// Record i of the bench invoice: every third a physiotherapy record without
// VAT, every seventh a drug at 8.1 % VAT, the others extended records whose
// billing role cycles through both parts, medical only and technical only.
invoice::ServiceRecord Service(int i, int variant) {
    invoice::ServiceRecord record;
    record.record_id = i;
    record.quantity = D(i % 5 == 0 ? "2" : "1");
    record.date_begin = kDay + i % 30;
    record.provider_ean = "7601000000002";
    record.responsible_ean = i % 4 == 0 ? "7601000000019" : "7601000000002";
    if (i % 7 == 0) {
        record.tariff_type = "402";
        record.code = "7680" + std::to_string(100000000 + i);
        record.name = "Dafalgan Filmtabl 1 g 16 Stk";
        record.unit = D("9.55");
        record.vat_rate = D("8.1");
        return record;
    }
    if (i % 3 == 0) {
        record.tariff_type = "312";
        record.code = "7301";
        record.name = "Physiothérapie, séance individuelle";
        record.unit = D("48");
        record.unit_factor = D("1.0");
        return record;
    }
    record.kind = invoice::ServiceKind::kServiceEx;
    record.tariff_type = "001";
    record.code = "00." + std::to_string(1000 + i % 90);
    record.ref_code = i % 2 == 0 ? "00.0010" : "";
    record.name = "Konsultation, jede weiteren 5 Min. (Konsultationszuschlag)";
    invoice::Decimal tax_points = D("9.57") + invoice::Decimal::FromInt(variant);
    record.mt = invoice::TariffPart{tax_points, D("0.89"), D("0.93"), D("1"), D("0")};
    record.tt = invoice::TariffPart{D("8.19"), D("0.89"), D("1"), D("1"), D("0")};
    const invoice::BillingRole roles[] = {invoice::BillingRole::kBoth, invoice::BillingRole::kMT,
                                          invoice::BillingRole::kTT};
    record.billing_role = roles[i % 3];
    record.side = i % 11 == 0 ? invoice::BodySide::kLeft : invoice::BodySide::kNone;
    return record;
}

invoice::InvoiceRequest Invoice(int services, int variant) {
    invoice::InvoiceRequest request;
    request.request = invoice::RequestSection{};
    request.invoice = invoice::RequestReference{"RG-2024-0815", kDay + 31, 1704931200};
    request.tiers = invoice::Tiers{invoice::TiersMode::kGarant, "CHE-108.954.312 MWST", D("50")};
    invoice::Address biller = Company("Praxis Dr. Rüegg", "Bahnhofstrasse 12a", "8001", "Zürich");
    request.biller = invoice::Biller{"7601000000002", "A123456", "", "", "CHE108954312", biller};
    request.provider = invoice::Provider{"7601000000002", "A123456", "", "", biller};
    request.referrer =
        invoice::Referrer{"7601000000019", "B654321", "", "",
                          Person("Anna", "Keller", "Seestrasse 1", "8002", "Zürich")};
    request.insurance = invoice::Insurance{
        "7601003000016", Company("Krankenkasse Muster", "Postfach", "3000", "Bern")};
    request.patient = invoice::Patient{invoice::SexType::kFemale, 30000, "7561234567897",
                                       Person("Zoë", "Müller", "Rue du Lac 5", "1700", "Fribourg")};
    request.law = invoice::Law{invoice::LawType::kKVG, std::nullopt, "", "80756012345", "", ""};
    request.treatment = invoice::Treatment{"",
                                           "",
                                           kDay,
                                           kDay + 30,
                                           invoice::Canton::kZH,
                                           invoice::TreatmentType::kAmbulatory,
                                           invoice::TreatmentReason::kDisease,
                                           std::nullopt};
    request.diagnoses = {{invoice::DiagnosisType::kICD, "J06.9", ""},
                         {invoice::DiagnosisType::kByContract, "A1", ""}};
    for (int i = 1; i <= services; ++i) request.services.push_back(Service(i, variant));
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsrQR;
    esr.iban = "CH4431999123000889012";
    esr.reference_number = "210000000003139471430009017";
    esr.customer_note = "Rechnung RG-2024-0815";
    esr.payment_period_days = 30;
    request.esr = esr;
    std::string error;
    if (!invoice::FinalizeBalance(&request, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    return request;
}

// The same program on the print before the work on the form and its speed
// (commit ddd66cf), on this machine while the team's builds ran (load
// average about 8 on 2 cores): the medians of three runs taken in turn with
// the current print.
struct Before {
    int services;
    double wall_ms;
    double fastest_ms;
    double cpu_ms;
    double kb;
};
const Before kBefore[] = {
    {10, 39.8, 19.0, 18.9, 49.0},
    {100, 59.8, 55.5, 30.1, 55.7},
    {1000, 186.5, 153.7, 91.1, 112.4},
};

double ThreadCpuMs() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10, 100, 1000};
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string pdf = pattern + "/invoice.pdf";
    invoice::PrintOptions options;
    options.print_template = "PatientInvoice(PDF_NOPRINT=" + pdf + ";)";
    for (int services : sizes) {
        for (const Before& before : kBefore) {
            if (before.services != services) continue;
            std::printf(
                "%5d services, before: %7.1f ms wall (fastest %6.1f), %7.1f ms CPU, %7.1f KB\n",
                services, before.wall_ms, before.fastest_ms, before.cpu_ms, before.kb);
        }
        std::vector<double> times;
        std::vector<double> cpu_times;
        invoice::PrintOutcome outcome;
        for (int run = 0; run <= kRuns; ++run) {
            invoice::InvoiceRequest request = Invoice(services, run);
            std::string error;
            auto start = std::chrono::steady_clock::now();
            double cpu_start = ThreadCpuMs();
            if (invoice::PrintInvoice(request, options, &outcome, &error) != S_OK) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            std::chrono::duration<double, std::milli> elapsed =
                std::chrono::steady_clock::now() - start;
            if (run > 0) {
                times.push_back(elapsed.count());
                cpu_times.push_back(ThreadCpuMs() - cpu_start);
            }
        }
        std::printf(
            "%5d services, now:    %7.1f ms wall (fastest %6.1f), %7.1f ms CPU, %7.1f KB "
            "(%d pages, medians of %d)\n",
            services, Median(times), *std::min_element(times.begin(), times.end()),
            Median(cpu_times), std::filesystem::file_size(pdf) / 1024.0, outcome.pages, kRuns);
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return 0;
}
