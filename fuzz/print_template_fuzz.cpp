// libFuzzer target of the print-template rewriter (bridge/print_template.h).
// Input: the client's template, then (after a \x01 byte) the PDF path.
// Properties:
//  - the result is "(PDF_NOPRINT=<path>;)" or holds that parameter right
//    after its first '(';
//  - without the parameter, the result is the template with stretches
//    removed only: its bytes appear in the template in order, letter case
//    kept, never longer;
//  - the result without '(' in the rest is the default, and a template that
//    holds no '(' at all always gives the default;
//  - a "#inipath" found after the first character cuts the text there;
//  - the same template in capitals gives the same result in capitals: the
//    markers are found without regard to case;
//  - whatever the client wrote, the module's template parser
//    (module/print/print_template.h) finds the service's PDF path as
//    PDF_NOPRINT in the result, or refuses the template.

#include <algorithm>
#include <cctype>

#include "bridge/print_template.h"
#include "fuzz/fuzz_check.h"
#include "module/print/print_template.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool IsSubsequence(const std::string& part, const std::string& whole) {
    size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string::npos) return false;
        ++at;
    }
    return true;
}

// The result with the inserted parameter taken out; false when it is not
// where it belongs.
bool WithoutParameter(const std::string& result, const std::string& parameter, std::string* rest) {
    size_t open = result.find('(');
    if (open == std::string::npos || result.compare(open + 1, parameter.size(), parameter) != 0) {
        return false;
    }
    *rest = result.substr(0, open + 1) + result.substr(open + 1 + parameter.size());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = fuzz::Split(data, size, 2);
    const std::string& client = parts[0];
    const std::string& pdfPath = parts[1];
    const std::string parameter = "PDF_NOPRINT=" + pdfPath + ";";
    const std::string fallback = "(" + parameter + ")";
    const std::string what = fuzz::Printable(client) + " with " + fuzz::Printable(pdfPath);

    std::string result = RewritePrintTemplate(client, pdfPath);
    std::string rest;
    FUZZ_CHECK(WithoutParameter(result, parameter, &rest), what + " gave " + result);
    if (client.find('(') == std::string::npos) FUZZ_CHECK(result == fallback, what);
    if (result != fallback) {
        FUZZ_CHECK(rest.size() <= client.size(), what + " gave " + result);
        FUZZ_CHECK(IsSubsequence(rest, client), what + " gave " + result);
        size_t cut = Lower(client).find("#inipath");
        if (cut != std::string::npos && cut > 0) {
            FUZZ_CHECK(rest.size() <= cut, what + " gave " + result);
        }
    }

    // Markers are matched without regard to case, the client's case is kept.
    std::string upperPath = Upper(pdfPath);
    std::string upperRest;
    std::string upperResult = RewritePrintTemplate(Upper(client), upperPath);
    FUZZ_CHECK(WithoutParameter(upperResult, "PDF_NOPRINT=" + upperPath + ";", &upperRest),
               upperResult);
    FUZZ_CHECK(upperRest == Upper(rest), what + ": " + upperResult + " vs " + result);

    // The client cannot send the PDF elsewhere.
    const std::string ours =
        "/var/tmp/tolvan/Halvo450Rest/0f3c2a9e-5b1d-4c7e-9a2b-3d4e5f6a7b8c.pdf";
    invoice::PrintTemplate parsed;
    std::string rewritten = RewritePrintTemplate(client, ours);
    if (invoice::ParsePrintTemplate(rewritten, &parsed).ok) {
        FUZZ_CHECK(parsed.Value("PDF_NOPRINT") == ours, what + " gave " + rewritten);
    }
    return 0;
}
