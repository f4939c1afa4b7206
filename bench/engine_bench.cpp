// Time to build and finalize an invoice of 10, 100 and 1,000 services
// through the module's interfaces (the sample invoice's sections, then
// `count` services), averaged over several rounds.

#include <chrono>
#include <cstdio>

#include "tests/engine/request_sample_invoice.h"

namespace {

double BuildAndFinalizeMs(int count) {
    auto start = std::chrono::steady_clock::now();
    request_test::TestModule module;
    request_test::InvoiceBuilder builder(module.request.Get());
    builder.SetSampleSections();
    for (int i = 0; i < count; ++i) {
        long id = 0;
        VARIANT_BOOL status = 0;
        double amount = 10.15 * (1 + i % 3);
        HRESULT hr = module.request->AddService(
            "402", "1234567" + std::to_string(i % 100), "", 1 + i % 3, 1,
            request_test::Day(2020, 6, 3), 0, request_test::kBillerGln, request_test::kBillerGln,
            "Article " + std::to_string(i), 10.15, 1.0, 1.0, amount, i % 2 ? 7.7 : 0.0, 1, "", "",
            0, 0, &id, &status);
        if (hr != S_OK) {
            std::fprintf(stderr, "AddService failed: %s\n", builder.Abort().c_str());
            return -1;
        }
    }
    VARIANT_BOOL status = 0;
    double roundDifference = 0;
    if (module.request->Finalize(&roundDifference, &status) != S_OK) {
        std::fprintf(stderr, "Finalize failed: %s\n", builder.Abort().c_str());
        return -1;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main() {
    std::printf("services  rounds  ms per invoice (build + finalize)\n");
    for (int count : {10, 100, 1000}) {
        int rounds = count >= 1000 ? 5 : 20;
        double total = 0;
        for (int round = 0; round < rounds; ++round) total += BuildAndFinalizeMs(count);
        std::printf("%8d  %6d  %8.3f\n", count, rounds, total / rounds);
    }
    return 0;
}
