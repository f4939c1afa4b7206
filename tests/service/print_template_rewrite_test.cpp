#include "bridge/print_template.h"

#include <gtest/gtest.h>

#include <set>

#include "endpoint/stored_file_name.h"
#include "tests/engine/temp_folder.h"

namespace {

const std::string kPdf = "/w/x.pdf";

std::string Rewrite(const std::string& text) {
    return RewritePrintTemplate(text, kPdf);
}

TEST(PrintTemplateTest, WorkedExample) {
    EXPECT_EQ("Invoice(PDF_NOPRINT=/w/x.pdf;Logo=a.bmp;Copy=1)",
              Rewrite("Invoice(Logo=a.bmp;WEBSTAMP=x.bmp;Copy=1)"));
}

TEST(PrintTemplateTest, DefaultResultWithoutParenthesis) {
    EXPECT_EQ("(PDF_NOPRINT=/w/x.pdf;)", Rewrite(""));
    EXPECT_EQ("(PDF_NOPRINT=/w/x.pdf;)", Rewrite("Reclaim"));
    EXPECT_EQ("(PDF_NOPRINT=/w/x.pdf;)", Rewrite("Reclaim Copy=1;webstamp=a.bmp;"));
}

TEST(PrintTemplateTest, IniPathCutsTheRest) {
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1;",
              Rewrite("Reclaim(Copy=1;#INIPATH=c:\\x.ini)"));
    EXPECT_EQ("(PDF_NOPRINT=/w/x.pdf;)", Rewrite("Reclaim#inipath(Copy=1)"));
}

TEST(PrintTemplateTest, MarkerAtTheFirstCharacterStays) {
    EXPECT_EQ("#inipath(PDF_NOPRINT=/w/x.pdf;a)", Rewrite("#inipath(a)"));
    EXPECT_EQ("webstamp=a.bmp;(PDF_NOPRINT=/w/x.pdf;x)", Rewrite("webstamp=a.bmp;(x)"));
}

TEST(PrintTemplateTest, VpsNameFromTheLastEquals) {
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Form=C:\\forms\\a.VPS;Copy=1)",
              Rewrite("Reclaim(Form=C:\\forms\\a.VPS;Copy=1)"))
        << "the last '=' stands after .vps: nothing removed";
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1;Form)", Rewrite("Reclaim(Copy=1;Form=a.vps)"));
}

TEST(PrintTemplateTest, PdfItemsAreRemoved) {
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1)",
              Rewrite("Reclaim(PDF_NOPRINT=c:\\old.pdf;Copy=1)"));
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1)", Rewrite("Reclaim(pdf=c:\\o.PDF;Copy=1)"));
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;Copy=1)", Rewrite("Reclaim(PDF =c:\\o.pdf;Copy=1)"));
}

TEST(PrintTemplateTest, MarkerWithoutItsEndStays) {
    EXPECT_EQ("Reclaim(PDF_NOPRINT=/w/x.pdf;webstamp=x.png;Copy=1)",
              Rewrite("Reclaim(webstamp=x.png;Copy=1)"));
}

TEST(StoredFileNameTest, FreshNamesInTheFolder) {
    TempFolder folder;
    std::set<std::string> names;
    for (int i = 0; i < 100; ++i) {
        std::string name = MakeStoredFileName(folder.Path(), ".pdf", 7);
        ASSERT_EQ(0u, name.find(folder.Path()));
        EXPECT_EQ(folder.Path().size() + 36 + 4, name.size());
        EXPECT_EQ(".pdf", name.substr(name.size() - 4));
        names.insert(name);
    }
    EXPECT_EQ(100u, names.size());
    EXPECT_EQ("", MakeStoredFileName(folder.Path() + "missing/", ".pdf", 7));
    EXPECT_EQ("", MakeStoredFileName("", ".pdf", 7));
}

}  // namespace
