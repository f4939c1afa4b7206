// The tariff catalog file: CSV import (refusals with line numbers, the old
// file kept on failure), the values as read back, and the store that sees a
// replaced file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "module/tariff/catalog_command.h"
#include "module/tariff/catalog_csv.h"
#include "module/tariff/catalog_file.h"
#include "module/tariff/catalog_import.h"
#include "module/tariff/catalog_store.h"
#include "tests/engine/temp_folder.h"

namespace {

using tariff::CatalogEntry;

const std::string kHeader = std::string(tariff::kCatalogCsvHeader) + "\n";
const char kGood[] = "X99,EX.0010,2020-01-01,,Consultation,9.57,8.19,1,,,,,,0,,";

// kGood with field `index` (0-based, as in the header) replaced by `value`.
std::string With(size_t index, const std::string& value) {
    std::string line = kGood;
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) start = line.find(',', start) + 1;
    size_t end = line.find(',', start);
    return line.replace(start, end == std::string::npos ? end : end - start, value) + "\n";
}

class TariffCatalogTest : public ::testing::Test {
  protected:
    std::string Import(const std::string& csv) {
        std::ofstream(folder_.Path() + "in.csv", std::ios::binary) << csv;
        std::string summary;
        return tariff::ImportCatalog(folder_.Path() + "in.csv", Db(), &summary);
    }
    // "invoicetool catalog show" of `code`: its output, or its error and exit code.
    std::string Show(const std::string& code) {
        std::ostringstream out, err;
        int exit = tariff::RunCatalogCommand({"show", Db(), code}, out, err);
        return exit == 0 ? out.str() : std::to_string(exit) + ": " + err.str();
    }
    std::string Db() const { return folder_.Path() + "tariffs.sqlite"; }

    TempFolder folder_;
};

TEST_F(TariffCatalogTest, MalformedLinesAreRefusedWithTheirNumberAndTheOldFileStays) {
    ASSERT_EQ("", Import(kHeader + kGood + "\n"));
    struct Case {
        std::string csv;
        const char* error;
    };
    const Case cases[] = {
        {"tariff_type,code\n" + With(0, "X99"), "line 1: the header must be tariff_type,code,"},
        {kHeader + kGood + "\n\r\nX99,EX.0020\n", "line 4: 2 fields where the header has 16"},
        {kHeader + With(0, "x99"), "line 2: tariff_type \"x99\" is not a tariff type"},
        {kHeader + With(1, "EX|1"), "line 2: code may not hold '|'"},
        {kHeader + With(2, "2023-02-29"), "line 2: valid_from \"2023-02-29\" is not a day"},
        {kHeader + With(3, "2019-12-31"), "line 2: valid_to 2019-12-31 is before valid_from"},
        {kHeader + With(4, "\"Consultation"), "line 2: a quoted field is not closed (field 5)"},
        {kHeader + With(5, "\"9,57\""), "line 2: unit_mt \"9,57\" is not a number of 0 or more"},
        {kHeader + With(7, "0"), "line 2: max_per_session must be above 0"},
        {kHeader + With(8, "W"), "line 2: sex \"W\" is not M or F"},
        {kHeader + With(9, "151"), "line 2: min_age \"151\" is not whole years from 0 to 150"},
        {kHeader + "X99,EX.0010,2020-01-01,,Consultation,9.57,8.19,1,,7,6,,,0,,\n",
         "line 2: min_age 7 is above max_age 6"},
        {kHeader + With(13, "2"), "line 2: side_required \"2\" is not 0 or 1"},
        {kHeader + With(14, "EX.0099"), "line 2: exclusive code \"EX.0099\" is not a code of "},
        {kHeader + With(14, "EX.0010"), "line 2: exclusive names the code itself"},
        {kHeader + With(15, "KVG|kvg"), "line 2: laws \"kvg\" is not a law"},
        {kHeader + With(15, "UVG|UVG"), "line 2: laws UVG is named twice"},
        {kHeader + kGood + "\n" + With(2, "2021-01-01"),
         "line 3: X99 EX.0010 from 2021-01-01 overlaps its version from 2020-01-01 of line 2"},
    };
    for (const Case& c : cases) {
        std::string error = Import(c.csv);
        EXPECT_EQ(0u, error.find(folder_.Path() + "in.csv: " + c.error)) << error;
    }
    EXPECT_NE(std::string::npos, Show("EX.0010").find("\ntext: Consultation\n"));
    EXPECT_EQ(std::string::npos, Show("EX.0010").find("tariff_type", 1));  // one version
}

// Read back through "invoicetool catalog show": every field as imported, an
// exclusion on both sides.
TEST_F(TariffCatalogTest, EveryFieldReadsBackAsImported) {
    ASSERT_EQ("",
              Import("\xEF\xBB\xBF" + kHeader +
                     "X99,EX.0010,2020-01-01,2023-12-31,\"Check, \"\"full\"\"\",0.005,1e2,2.5,F,"
                     "0,150,DIG,VISIT=HOME,1,EX.0020,KVG|ORG\r\n" +
                     With(1, "EX.0020")));
    EXPECT_EQ(
        "tariff_type: X99\ncode: EX.0010\nvalid_from: 2020-01-01\nvalid_to: 2023-12-31\n"
        "text: Check, \"full\"\nunit_mt: 0.005\nunit_tt: 100\nmax_per_session: 2.5\nsex: F\n"
        "min_age: 0\nmax_age: 150\ndignity: DIG\ntoken: VISIT=HOME\nside_required: 1\n"
        "exclusive: EX.0020\nlaws: KVG|ORG\n",
        Show("EX.0010"));
    EXPECT_NE(std::string::npos, Show("EX.0020").find("\nexclusive: EX.0010\n"));
}

TEST_F(TariffCatalogTest, TheStoreFollowsTheFile) {
    std::vector<CatalogEntry> two;
    ASSERT_EQ("", tariff::ParseCatalogCsv(kHeader + kGood + "\n" + With(1, "EX.0020"), &two));
    tariff::CatalogStore store(Db(), std::chrono::milliseconds(0));
    EXPECT_EQ(nullptr, store.Current());
    EXPECT_EQ("No tariff catalog <" + Db() + ">: tariff checks are off", store.Describe());

    ASSERT_EQ("", tariff::WriteCatalogFile({two[0]}, Db()));
    std::shared_ptr<const tariff::Catalog> first = store.Current();
    ASSERT_TRUE(first);
    EXPECT_EQ(1, first->rows());
    ASSERT_EQ("", tariff::WriteCatalogFile(two, Db()));
    EXPECT_EQ(2, store.Current()->rows());
    std::string error;  // a catalog handed out still reads the file it was opened on
    EXPECT_TRUE(first->Find("X99", "EX.0020", &error)->empty()) << error;

    std::ofstream(Db(), std::ios::trunc) << "not a catalog";
    EXPECT_EQ(2, store.Current()->rows());  // kept until a good file comes
    std::remove(Db().c_str());
    EXPECT_EQ(nullptr, store.Current());
}

}  // namespace
