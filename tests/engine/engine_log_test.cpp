// The engine's log: one line per Finalize, GetXML, Print and LoadXML, as the
// manager's log settings (level, size limit, archive folder) say.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "module/objects/engine_log.h"
#include "tests/engine/file_text.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

namespace {

namespace fs = std::filesystem;

// Runs with $TMPDIR in a fresh folder, where the log and the output go.
class EngineLogTest : public ::testing::Test {
  protected:
    void Settings(long level, long maxKB, long archive, const std::string& dir = "") {
        ASSERT_EQ(S_OK, module_.manager->SetLogSettings(level, maxKB, archive, dir, &status_));
    }

    HRESULT Finalize() {
        double difference = 0;
        return module_.request->Finalize(&difference, &status_);
    }

    // The log's lines below the header, without the date and time columns.
    static std::vector<std::string> Lines() {
        std::istringstream in(ReadFileText(EngineLogPath()));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line[0] != '#') lines.push_back(line.substr(line.find('\t', 11) + 1));
        }
        return lines;
    }

    TempFolder folder_;
    ScopedEnv tmpdir_{"TMPDIR", folder_.Path()};
    request_test::TestModule module_;
    VARIANT_BOOL status_ = 0;
};

// The logged calls (Finalize and GetXML as they succeed, Finalize and LoadXML
// as they fail) at levels 0, 1 and 2; the settings are given after the
// request was handed out and still govern its Finalize. Each row is a pattern
// of the whole line and the details it carries from level 2 on; "F" stands
// for the folder; line breaks in a path are dropped; a failure shows its
// HRESULT as a number (E_FAIL -2147467259, E_INVALIDARG -2147024809).
TEST_F(EngineLogTest, OneLinePerCallAsTheLevelSays) {
    const std::string invoice = "invoice 000001000001, amount due [0-9]+\\.[0-9]{2}";
    const struct {
        std::string line, details;
    } expected[] = {
        {"-2147467259\tFinalize\tfailed\tFinalize: the request is incomplete, missing: .*", ""},
        {"0\tFinalize\tok", "\t" + invoice},
        {"0\tGetXML\tok",
         "\tF/tarvos-engine/output/[^\t]+\\.xml \\(generalInvoiceRequest_450\\.xsd\\), " + invoice},
        {"-2147024809\tLoadXML\tfailed\tLoadXML: .*\tF/missingfile\\.xml", ""},
    };
    for (long level : {0, 1, 2}) {
        SCOPED_TRACE("level " + std::to_string(level));
        module_ = request_test::TestModule();
        request_test::InvoiceBuilder build(module_.request.Get());
        fs::remove(EngineLogPath());
        Settings(level, 0, 1);

        EXPECT_EQ(E_FAIL, Finalize());
        build.SetSampleSections();
        build.AddSampleServices();
        ASSERT_EQ(S_OK, Finalize()) << build.Abort();
        BSTR file, schema;
        long errors = 0, timestamp = 0;
        ComPtr<IGeneralInvoiceResult> result;
        ASSERT_EQ(S_OK, module_.manager->GetXML(0, &file, &errors, &timestamp, &schema,
                                                result.ReleaseAndGetAddressOf(), &status_));
        ComPtr<IGeneralInvoiceRequest> request;
        EXPECT_EQ(E_INVALIDARG,
                  module_.manager->LoadXML(folder_.Path() + "missing\nfile.xml", &schema,
                                           request.ReleaseAndGetAddressOf(),
                                           result.ReleaseAndGetAddressOf(), &status_));

        std::vector<std::string> lines = Lines();
        ASSERT_EQ(level == 0 ? 0u : std::size(expected), lines.size());
        const std::string folder = folder_.Path().substr(0, folder_.Path().size() - 1);
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string pattern = expected[i].line + (level >= 2 ? expected[i].details : "");
            pattern = std::regex_replace(pattern, std::regex("F/"), folder + "/");
            EXPECT_TRUE(std::regex_match(lines[i], std::regex(pattern)))
                << lines[i] << "\ndoes not match\n"
                << pattern;
        }
    }
}

// The size limit with and without archiving: a full file moves into the
// given folder (made when missing, never "archive/" beside the log) or is cut
// down to half its limit (at least 1 KB), as the header's first line shows;
// the default limit keeps every line in one file.
TEST_F(EngineLogTest, SizeLimitArchivesOrCutsTheFile) {
    const std::string archive = folder_.Path() + "old/logs";
    const struct {
        long max_kb, archive;
        std::string sizes;  // of the header's first line
    } cases[] = {
        {0, 1, "4000>\t<REORG_SIZE=50>"},
        {4, 0, "4>\t<REORG_SIZE=2>"},
        {1, 1, "1>\t<REORG_SIZE=1>"},  // the one that archives
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sizes);
        fs::remove(EngineLogPath());
        Settings(1, c.max_kb, c.archive, archive);
        for (int i = 0; i < 40; ++i) EXPECT_EQ(E_FAIL, Finalize());
        const std::string log = ReadFileText(EngineLogPath());
        EXPECT_EQ("#\t<MAX_SIZE=" + c.sizes + "\n", log.substr(0, log.find('\n') + 1));
        EXPECT_EQ(c.max_kb == 1, !fs::is_empty(archive));
        EXPECT_EQ(c.max_kb == 0, Lines().size() == 40u);
    }
}

}  // namespace
