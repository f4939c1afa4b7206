// Time to print an invoice to PDF and the file's size, for 10, 100 and 1,000
// services, with the QR-bill's payment slip. Each size is printed once to
// warm up (font loading) and then kRuns times; the medians of the wall-clock
// time and of the process's CPU time are reported (the CPU time is the fairer
// figure on a busy machine).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "module/model/balance.h"
#include "module/print/invoice_print.h"

namespace {

constexpr int kRuns = 9;
constexpr double kDay = 45292.0;  // 2024-01-01

invoice::Decimal D(const char* text) {
    invoice::Decimal value;
    invoice::Decimal::Parse(text, &value);
    return value;
}

invoice::Address Address(const char* name, const char* street, const char* zip, const char* city) {
    invoice::Address address;
    address.type = invoice::AddressType::kCompany;
    address.company.companyname = name;
    address.postal = {street, "", zip, city, "", "CH"};
    return address;
}

invoice::InvoiceRequest Invoice(int services) {
    invoice::InvoiceRequest request;
    request.request = invoice::RequestSection{};
    request.invoice = invoice::RequestReference{"RG-2024-0815", kDay, 1704931200};
    request.tiers = invoice::Tiers{invoice::TiersMode::kGarant, "", D("0")};
    invoice::Address biller = Address("Praxis Dr. Rüegg", "Bahnhofstrasse 12a", "8001", "Zürich");
    request.biller = invoice::Biller{"7601000000002", "A123456", "", "", "", biller};
    request.provider = invoice::Provider{"7601000000002", "A123456", "", "", biller};
    request.patient = invoice::Patient{invoice::SexType::kFemale, 30000, "",
                                       Address("Zoë Müller", "Rue du Lac 5", "1700", "Fribourg")};
    for (int i = 1; i <= services; ++i) {
        invoice::ServiceRecord record;
        record.record_id = i;
        record.tariff_type = "590";
        record.code = "C" + std::to_string(i);
        record.name = "Physiothérapie, séance individuelle";
        record.quantity = D("1");
        record.date_begin = kDay + i % 30;
        record.provider_ean = "7601000000002";
        record.responsible_ean = "7601000000002";
        record.unit = D("48.00");
        request.services.push_back(record);
    }
    invoice::Esr esr;
    esr.type = invoice::EsrType::kEsrQR;
    esr.iban = "CH4431999123000889012";
    esr.reference_number = "210000000003139471430009017";
    esr.customer_note = "Rechnung RG-2024-0815";
    request.esr = esr;
    std::string error;
    if (!invoice::FinalizeBalance(&request, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    return request;
}

}  // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string pdf = pattern + "/invoice.pdf";
    invoice::PrintOptions options;
    options.print_template = "PatientInvoice(PDF_NOPRINT=" + pdf + ";)";
    for (int services : {10, 100, 1000}) {
        invoice::InvoiceRequest request = Invoice(services);
        std::vector<double> times;
        std::vector<double> cpu_times;
        invoice::PrintOutcome outcome;
        for (int run = 0; run <= kRuns; ++run) {
            std::string error;
            auto start = std::chrono::steady_clock::now();
            std::clock_t cpu_start = std::clock();
            if (invoice::PrintInvoice(request, options, &outcome, &error) != S_OK) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            std::chrono::duration<double, std::milli> elapsed =
                std::chrono::steady_clock::now() - start;
            double cpu = 1000.0 * (std::clock() - cpu_start) / CLOCKS_PER_SEC;
            if (run > 0) {
                times.push_back(elapsed.count());
                cpu_times.push_back(cpu);
            }
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu_times.begin(), cpu_times.end());
        std::printf(
            "%5d services: %3d pages, %8.1f ms wall, %8.1f ms CPU (medians of %d), %7.1f KB\n",
            services, outcome.pages, times[times.size() / 2], cpu_times[cpu_times.size() / 2],
            kRuns, std::filesystem::file_size(pdf) / 1024.0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return 0;
}
