// Printing invoices to PDF: the options besides the layout (sort order,
// timestamp, logo), printing from several threads, and the refusals. What
// the form shows for each kind of invoice is print_form_content_test.

#include "module/print/invoice_print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "module/print/logo_image.h"
#include "pdf_readback.h"
#include "print_test_invoice.h"
#include "temp_folder.h"

namespace {

using invoice::InvoiceRequest;
using print_test::kDay;

InvoiceRequest Invoice() {
    InvoiceRequest r = print_test::RichInvoice(invoice::Language::kGerman, invoice::LawType::kKVG,
                                               invoice::TiersMode::kGarant);
    print_test::Finalize(&r);
    return r;
}

class InvoicePrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!readback::HaveReadbackTools()) GTEST_SKIP() << "qpdf or poppler-utils missing";
    }

    // Prints to out.pdf; returns "OK" or the abort text.
    std::string Print(const InvoiceRequest& request, long attributes = 0) {
        options_.print_template = "(PDF_NOPRINT=" + Pdf() + ";)";
        options_.generation_attributes = attributes;
        std::string error;
        HRESULT hr = invoice::PrintInvoice(request, options_, &outcome_, &error);
        return hr == S_OK ? "OK" : error;
    }
    std::string Pdf() const { return folder_.Path() + "out.pdf"; }
    std::string Text() const { return readback::Run("pdftotext -enc UTF-8 '" + Pdf() + "' -"); }
    bool HasImage() const {
        return readback::Run("pdfimages -list '" + Pdf() + "'").find(" image ") !=
               std::string::npos;
    }

    TempFolder folder_;
    invoice::PrintOptions options_{"", 0, 1, 0, "", "", 40, 15, 0};  // address right, logo 40 x 15
    invoice::PrintOutcome outcome_;
};

TEST_F(InvoicePrintTest, SortsByDateOrByTariffAndCode) {
    InvoiceRequest request = Invoice();
    request.services = {print_test::Service("ZZ9", invoice::BillingRole::kBoth, "1"),
                        print_test::Service("AA1", invoice::BillingRole::kBoth, "1")};
    request.services[1].date_begin = kDay + 3;
    print_test::Finalize(&request);
    for (long by_code : {0, 1}) {
        options_.sort_time_tariff = by_code;
        ASSERT_EQ("OK", Print(request));
        std::string text = Text();
        EXPECT_EQ(by_code == 1, text.find("Leistung ZZ9") > text.find("Leistung AA1")) << by_code;
    }
}

// A timestamp given is the one printed and handed back with the invoice
// (ManagerPrintTest: the invoice's own without one).
TEST_F(InvoicePrintTest, AGivenTimestampIsPrintedAndHandedBack) {
    options_.timestamp = 1710000000;
    ASSERT_EQ("OK", Print(Invoice()));
    EXPECT_EQ(1710000000, outcome_.printed->invoice->timestamp);
    EXPECT_NE(std::string::npos, Text().find("1710000000"));
}

// A 2 x 2 BMP of 24 bits, bottom-up: red, green / blue, white (top row).
std::string WriteBmp(const std::string& path) {
    const unsigned char bytes[] = {
        'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        16,  0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
        0,   0,   255, 0,   255, 0,   0, 0,   // bottom row: red, green, pad
        255, 0,   0,   255, 255, 255, 0, 0};  // top row: blue, white, pad
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return path;
}

TEST_F(InvoicePrintTest, LogosPrintAsBmpReadRowByRowAndAsPng) {
    std::string error;
    invoice::ImageSurface image = invoice::ReadLogoImage(WriteBmp(Pdf() + ".bmp"), &error);
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

    options_.logo_file = WriteBmp(folder_.Path() + "logo.bmp");
    ASSERT_EQ("OK", Print(Invoice()));
    EXPECT_TRUE(HasImage());
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    options_.logo_file = folder_.Path() + "logo.png";
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(png, options_.logo_file.c_str()));
    cairo_surface_destroy(png);
    ASSERT_EQ("OK", Print(Invoice()));
    EXPECT_TRUE(HasImage());
    ASSERT_EQ("OK", Print(Invoice(), invoice::kPrintWithoutLogo));
    EXPECT_FALSE(HasImage());
}

TEST_F(InvoicePrintTest, ThreadsPrintAtTheSameTime) {
    InvoiceRequest request = Invoice();
    std::vector<std::string> errors(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < errors.size(); ++t) {
        threads.emplace_back([&, t] {
            invoice::PrintOptions options;
            options.print_template =
                "(PDF_NOPRINT=" + folder_.Path() + std::to_string(t) + ".pdf;)";
            invoice::PrintOutcome outcome;
            for (int i = 0; i < 3 && errors[t].empty(); ++i) {
                invoice::PrintInvoice(request, options, &outcome, &errors[t]);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t t = 0; t < errors.size(); ++t) {
        EXPECT_EQ("", errors[t]);
        EXPECT_TRUE(readback::ChecksOut(folder_.Path() + std::to_string(t) + ".pdf"));
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

TEST_F(InvoicePrintTest, RefusalsSayWhyAndLeaveNoFile) {
    for (const Refusal& refusal : kRefusals) {
        InvoiceRequest request = Invoice();
        options_ = invoice::PrintOptions();
        options_.print_template = std::string(refusal.layout) + "(PDF_NOPRINT=" + Pdf() + ";)";
        options_.address_right = 1;
        options_.sort_time_tariff = 1;
        refusal.change(&request, &options_);
        std::string error;
        EXPECT_NE(S_OK, invoice::PrintInvoice(request, options_, &outcome_, &error));
        EXPECT_EQ(0u, error.find(std::string("Print: ") + refusal.text)) << error;
        EXPECT_FALSE(std::filesystem::exists(Pdf()));
        EXPECT_FALSE(std::filesystem::exists(Pdf() + ".part"));
    }
}

}  // namespace
