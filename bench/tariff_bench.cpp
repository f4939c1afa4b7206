// What the tariff checks add per record, with a catalog of 10,000 codes
// generated here (every code restricted by every rule, all records keeping
// them, so that every rule runs to its end):
//  - AddServiceEx through the interface with the catalog and without it;
//  - tariff::CheckRecord alone, against requests of 20, 200 and 2,000
//    records, the first check of each code and later ones.

#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "module/objects/service_input_object.h"
#include "module/tariff/catalog_file.h"
#include "module/tariff/catalog_store.h"
#include "module/tariff/tariff_rules.h"
#include "tests/engine/request_sample_invoice.h"

namespace {

constexpr int kCodes = 10000;
constexpr int kSessions = 10;

// CPU time of this thread: the figures do not count time the machine gave
// to other processes.
std::chrono::duration<double, std::micro> CpuNow() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::duration<double, std::micro>(now.tv_sec * 1e6 + now.tv_nsec / 1e3);
}

std::string Code(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "B.%05d", i);
    return text;
}

// Code i: valid from 2020, tax points 10 + i/100, at most 100 per session,
// patients of 0 to 150 years, laws KVG and UVG, the dignity DIG, the token
// T, a side, and excluding a code that no record of the bench uses.
std::vector<tariff::CatalogEntry> Generate() {
    std::vector<tariff::CatalogEntry> entries(kCodes);
    for (int i = 0; i < kCodes; ++i) {
        tariff::CatalogEntry& entry = entries[i];
        entry.tariff_type = "X99";
        entry.code = Code(i);
        entry.valid_from = "2020-01-01";
        entry.text = "Generated code " + std::to_string(i);
        entry.unit_mt = invoice::Decimal::OfDouble(10 + i / 100.0);
        entry.unit_tt = invoice::Decimal::OfDouble(5);
        entry.max_per_session = invoice::Decimal::FromInt(100);
        entry.min_age = 0;
        entry.max_age = 150;
        entry.dignity = "DIG";
        entry.token = "T";
        entry.side_required = true;
        entry.exclusive = {Code((i + kCodes / 2) % kCodes)};
        entry.laws = {invoice::LawType::kKVG, invoice::LawType::kUVG};
    }
    return entries;
}

// The code of record r: spread over the catalog, never one that a record
// of the same request excludes (the bench adds at most kCodes / 2 records).
int CodeOfRecord(int r) {
    return (r * 7) % (kCodes / 2);
}

ComPtr<IServiceExInput> Input(IGeneralInvoiceRequest* request) {
    ComPtr<IServiceExInput> input;
    VARIANT_BOOL status = 0;
    request->GetCreateServiceExInput("X99", input.ReleaseAndGetAddressOf());
    input->SetPhysician(1, 3, request_test::kBillerGln, request_test::kBillerGln, &status);
    input->SetPatient(request_test::Day(1980, 5, 1), 2, &status);
    input->AddDignity(request_test::kBillerGln, "DIG", &status);
    input->AddToken("T", "", &status);
    return input;
}

// Microseconds per AddServiceEx over requests of `records` records.
double AddServiceExMicros(int records, int rounds) {
    double total = 0;
    for (int round = 0; round < rounds; ++round) {
        request_test::TestModule module;
        VARIANT_BOOL status = 0;
        module.request->SetLaw(1, 0, "", "", &status);
        ComPtr<IServiceExInput> input = Input(module.request.Get());
        auto start = CpuNow();
        for (int r = 0; r < records; ++r) {
            int code = CodeOfRecord(r);
            long id = 0;
            HRESULT hr = module.request->AddServiceEx(
                input.Get(), "X99", Code(code), "", 1, 1 + r % kSessions,
                request_test::Day(2024, 3, 1), 0, 2, "Generated", 10 + code / 100.0, 1, 1, 0, 5, 1,
                1, 0, 0, 0, 1, "", 1, "", 0, 0, &id, &status);
            if (hr != S_OK) {
                std::fprintf(stderr, "AddServiceEx refused record %d\n", r);
                return -1;
            }
        }
        total += (CpuNow() - start).count();
    }
    return total / (rounds * records);
}

// Microseconds per tariff::CheckRecord of a further record against a request
// already holding `records` records: the first check of each code (the
// catalog reads the file) and checks of codes looked up before.
struct CheckFigures {
    double first;
    double again;
};

CheckFigures CheckMicros(const std::string& path, int records, int calls) {
    std::string error;
    std::unique_ptr<tariff::Catalog> catalog = tariff::Catalog::Open(path, &error);
    request_test::TestModule module;
    ComPtr<IServiceExInput> input = Input(module.request.Get());
    tariff::ServiceInput given = AsServiceInputImpl(input.Get())->TariffInput();
    invoice::InvoiceRequest request;
    request.law = invoice::Law();
    std::vector<invoice::ServiceRecord> candidates(records);
    for (int r = 0; r < records; ++r) {
        invoice::ServiceRecord& record = candidates[r];
        record.kind = invoice::ServiceKind::kServiceEx;
        record.record_id = r + 1;
        record.tariff_type = "X99";
        record.code = Code(CodeOfRecord(r));
        record.quantity = invoice::Decimal::FromInt(1);
        record.session = 1 + r % kSessions;
        record.date_begin = request_test::Day(2024, 3, 1);
        record.mt.unit = invoice::Decimal::OfDouble(10 + CodeOfRecord(r) / 100.0);
        record.tt.unit = invoice::Decimal::FromInt(5);
        record.side = invoice::BodySide::kLeft;
    }
    request.services = candidates;
    size_t kept = 0;
    auto start = CpuNow();
    for (const invoice::ServiceRecord& record : candidates) {
        kept += tariff::CheckRecord(*catalog, request, record, &given).empty();
    }
    auto middle = CpuNow();
    for (int call = 0; call < calls; ++call) {
        kept += tariff::CheckRecord(*catalog, request, candidates[call % records], &given).empty();
    }
    auto end = CpuNow();
    if (kept != static_cast<size_t>(calls + records))
        std::fprintf(stderr, "a record was refused\n");
    return {(middle - start).count() / records, (end - middle).count() / calls};
}

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "tariff-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) return 1;
    std::string path = folder + "/tariffs.sqlite";
    std::string error = tariff::WriteCatalogFile(Generate(), path);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", tariff::UseCatalogFile(path).c_str());

    std::printf("records  AddServiceEx us/record: no catalog  catalog  added by the checks\n");
    for (int records : {20, 200}) {
        int rounds = records == 20 ? 200 : 20;
        tariff::UseNoCatalog();
        AddServiceExMicros(records, rounds);  // warm-up
        double without = AddServiceExMicros(records, rounds);
        tariff::UseCatalogFile(path);
        double with = AddServiceExMicros(records, rounds);
        std::printf("%7d  %33.2f  %7.2f  %19.2f\n", records, without, with, with - without);
    }

    std::printf("records in the request  CheckRecord us/call: first of a code  again\n");
    for (int records : {20, 200, 2000}) {
        CheckFigures figures = CheckMicros(path, records, 100000);
        std::printf("%22d  %35.2f  %5.2f\n", records, figures.first, figures.again);
    }
    tariff::UseNoCatalog();
    std::filesystem::remove_all(folder);
    return 0;
}
