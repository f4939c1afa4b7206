// Printing invoices to PDF: logo files, printing from several threads, and
// the refusals. What the form shows for each kind of invoice and print
// option is print_form_content_test.

#include "module/print/invoice_print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "module/print/logo_image.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::InvoiceRequest;

InvoiceRequest Invoice() {
    InvoiceRequest r = print_test::RichInvoice(invoice::Language::kGerman, invoice::LawType::kKVG,
                                               invoice::TiersMode::kGarant);
    print_test::Finalize(&r);
    return r;
}

// Our own BMP reader: rows stored bottom-up, three bytes per pixel.
TEST(InvoicePrintTest, BmpLogosAreReadRowByRow) {
    TempFolder folder;
    print_test::WriteLogos(folder.Path());
    std::string error;
    invoice::ImageSurface image = invoice::ReadLogoImage(folder.Path() + "logo.bmp", &error);
    ASSERT_NE(nullptr, image) << error;
    EXPECT_EQ(2, cairo_image_surface_get_width(image.get()));
    auto pixel = [&image](int x, int y) {
        const unsigned char* row = cairo_image_surface_get_data(image.get()) +
                                   y * cairo_image_surface_get_stride(image.get());
        return reinterpret_cast<const uint32_t*>(row)[x];
    };
    EXPECT_EQ(0xFF0000FFu, pixel(0, 0));  // blue, top left
    EXPECT_EQ(0xFFFFFFFFu, pixel(1, 0));
    EXPECT_EQ(0xFFFF0000u, pixel(0, 1));  // red, bottom left
    EXPECT_EQ(0xFF00FF00u, pixel(1, 1));
}

TEST(InvoicePrintTest, ThreadsPrintAtTheSameTime) {
    if (!readback::HaveReadbackTools()) GTEST_SKIP() << "qpdf or poppler-utils missing";
    TempFolder folder;
    InvoiceRequest request = Invoice();
    std::vector<std::string> errors(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < errors.size(); ++t) {
        threads.emplace_back([&, t] {
            invoice::PrintOptions options;
            options.print_template = "(PDF_NOPRINT=" + folder.Path() + std::to_string(t) + ".pdf;)";
            invoice::PrintOutcome outcome;
            for (int i = 0; i < 3 && errors[t].empty(); ++i) {
                invoice::PrintInvoice(request, options, &outcome, &errors[t]);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t t = 0; t < errors.size(); ++t) {
        EXPECT_EQ("", errors[t]);
        EXPECT_TRUE(readback::ChecksOut(folder.Path() + std::to_string(t) + ".pdf"));
    }
}

// --- refusals: a clear text, no file and no partial file (ManagerPrintTest:
// the template's and the request's own refusals through the manager) ---------

struct Refusal {
    const char* layout;
    void (*change)(InvoiceRequest*, invoice::PrintOptions*);
    const char* text;  // after "Print: "
};

const Refusal kRefusals[] = {
    {"PatientInvoice", [](InvoiceRequest* r, auto*) { r->biller->address->postal.city.clear(); },
     "QR-bill: the creditor has no town"},
    {"Reminder", [](auto*, auto*) {}, "the Reminder layout needs a reminder (SetReminder)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->address_right = 2; },
     "eAddressRight 2 is neither 0 (left) nor 1 (right)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->sort_time_tariff = -1; },
     "eSortTimeTariff -1 is neither 0 (by date) nor 1 (by tariff)"},
    {"", [](auto*, invoice::PrintOptions* o) { o->logo_file = "/nonexistent/logo.png"; },
     "the logo file /nonexistent/logo.png cannot be read"},
    {"",
     [](auto*, invoice::PrintOptions* o) { o->print_template = "(PDF_NOPRINT=/nonexistent/a)"; },
     "/nonexistent/a: "},
};

TEST(InvoicePrintTest, RefusalsSayWhyAndLeaveNoFile) {
    TempFolder folder;
    std::string pdf = folder.Path() + "out.pdf";
    for (const Refusal& refusal : kRefusals) {
        InvoiceRequest request = Invoice();
        invoice::PrintOptions options;
        options.print_template = std::string(refusal.layout) + "(PDF_NOPRINT=" + pdf + ";)";
        options.address_right = 1;
        options.sort_time_tariff = 1;
        refusal.change(&request, &options);
        invoice::PrintOutcome outcome;
        std::string error;
        EXPECT_NE(S_OK, invoice::PrintInvoice(request, options, &outcome, &error));
        EXPECT_EQ(0u, error.find(std::string("Print: ") + refusal.text)) << error;
        EXPECT_FALSE(std::filesystem::exists(pdf));
        EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));
    }
}

}  // namespace
