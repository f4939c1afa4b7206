#include "bridge/print_template.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintTemplateTest, ClientFilesAreRemovedAndThePdfInserted) {
    const std::pair<const char*, const char*> rewrites[] = {
        {"Invoice(Logo=a.bmp;WEBSTAMP=x.bmp;Copy=1)",
         "Invoice(PDF_NOPRINT=/w/x.pdf;Logo=a.bmp;Copy=1)"},
        // Without '(': the default.
        {"", "(PDF_NOPRINT=/w/x.pdf;)"},
        // "#inipath" cuts the rest.
        {"Reclaim(Copy=1;#INIPATH=c:\\x.ini)", "Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1;"},
        // A ".vps" name up to the last '=' before it.
        {"Reclaim(Form=C:\\forms\\a.VPS;Copy=1)",
         "Reclaim(PDF_NOPRINT=/w/x.pdf;Form=C:\\forms\\a.VPS;Copy=1)"},
        {"Reclaim(Copy=1;Form=a.vps)", "Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1;Form)"},
        {"Reclaim(PDF_NOPRINT=c:\\old.pdf;Copy=1)", "Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1)"},
        // A marker without its end stays.
        {"Reclaim(webstamp=x.png;Copy=1)", "Reclaim(PDF_NOPRINT=/w/x.pdf;webstamp=x.png;Copy=1)"},
    };
    for (const auto& rewrite : rewrites) {
        EXPECT_EQ(rewrite.second, RewritePrintTemplate(rewrite.first, "/w/x.pdf")) << rewrite.first;
    }
}

}  // namespace
