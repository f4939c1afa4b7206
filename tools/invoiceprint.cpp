// invoiceprint: prints a generalInvoiceRequest 4.50 file to PDF with the
// invoice engine.
//
//   invoiceprint FILE.xml OUT.pdf [--layout Reclaim|PatientInvoice|Reminder]
//
// Without --layout the invoice chooses: a reminder prints as Reminder, tiers
// payant as Reclaim, everything else as PatientInvoice. The address window
// is on the right, services are sorted by date, the invoice's own timestamp
// is kept.
//
// Exit codes: 0 success, 1 the file cannot be loaded or printed, 2 wrong
// usage.

#include <cstdio>
#include <string>

#include "module/model/invoice_model.h"
#include "module/print/invoice_print.h"
#include "module/xml/xml_reader.h"

namespace {

const char kUsage[] =
    "usage: invoiceprint FILE.xml OUT.pdf [--layout Reclaim|PatientInvoice|Reminder]\n";

struct Arguments {
    std::string input;
    std::string output;
    std::string layout;  // "" = chosen by the invoice
};

bool ParseArguments(int argc, char** argv, Arguments* out) {
    if (argc != 3 && argc != 5) return false;
    out->input = argv[1];
    out->output = argv[2];
    if (argc == 5) {
        if (std::string(argv[3]) != "--layout") return false;
        out->layout = argv[4];
    }
    return !out->input.empty() && !out->output.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, &arguments)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    invoice::InvoiceRequest request;
    std::string used_schema;
    std::string error;
    if (!invoice_xml::LoadInvoiceXml(arguments.input, &request, &used_schema, &error)) {
        std::fprintf(stderr, "%s: %s\n", arguments.input.c_str(), error.c_str());
        return 1;
    }
    invoice::PrintOptions options;
    options.print_template = arguments.layout + "(PDF_NOPRINT=" + arguments.output + ";)";
    options.address_right = 1;
    invoice::PrintOutcome outcome;
    if (invoice::PrintInvoice(request, options, &outcome, &error) != S_OK) {
        std::fprintf(stderr, "%s: %s\n", arguments.input.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s: %s, %d page%s%s\n", outcome.pdf_path.c_str(),
                invoice::LayoutName(outcome.layout), outcome.pages, outcome.pages == 1 ? "" : "s",
                outcome.has_slip ? ", with QR-bill" : "");
    return 0;
}
