#include "common/log_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

// Numbered lines "line 0000001 xxx...\n" of 100 bytes each, cut to `size`.
std::string NumberedLines(size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) {
        char head[32];
        std::snprintf(head, sizeof(head), "line %07d ", i);
        text += head + std::string(99 - std::string(head).size(), 'x') + "\n";
    }
    text.resize(size);
    return text;
}

// The header of a new file of the given sizes in KB.
std::string Header(bool xml, int maxKB, int reorgKB) {
    const std::string sizes = "\t<MAX_SIZE=" + std::to_string(maxKB) +
                              ">\t<REORG_SIZE=" + std::to_string(reorgKB) + ">\n";
    const std::string about = "first line: maximum Size in KB, reorg Size in KB\n";
    if (!xml) return "#" + sizes + "#\n# " + about + "#\n#\n#" + std::string(253, '-') + "\n";
    const std::string rule(56, '='), indent(22, ' '), ns = "http://tarvos450.invalid/xsd/ModuleLog";
    return "<?xml version=\"1.0\" standalone=\"no\"?>\n<!--\n" + rule + "\n" + sizes + "     " +
           about + rule + "\n-->\n<moduleLog:log xmlns:ModuleLog=\"" + ns + "\" \n" + indent +
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n" + indent +
           "xsi:schemaLocation=\"" + ns + "\n" + indent + "ModuleLog.xsd\">\n";
}

// The archive folder given never exists: full files go to "archive/" beside
// the log (engine_log_test covers a folder that exists).
class LogFileTest : public ::testing::Test {
  protected:
    // Opens the file with the given sizes, writes `line` and closes it.
    CLogFile& WriteOnce(int maxKB, int reorgKB, const std::string& line, bool readSizes = false) {
        file_ = std::make_unique<CLogFile>(path_, maxKB, reorgKB, true, folder_.Path() + "no/such");
        file_->SetReadSizes(readSizes);
        EXPECT_EQ(1, file_->Write(line));
        file_->Close();
        return *file_;
    }

    std::string Archived(int number) {
        time_t now = std::time(nullptr);
        struct tm local;
        localtime_r(&now, &local);
        char name[32];
        std::snprintf(name, sizeof(name), "/Trace_%03d.log.txt", number);
        return archive_ + std::to_string(local.tm_year + 1900) + name;
    }

    TempFolder folder_;
    std::string path_ = folder_.Path() + "Trace.log.txt";
    std::string archive_ = folder_.Path() + "archive/";
    std::unique_ptr<CLogFile> file_;
};

TEST_F(LogFileTest, SizesInKilobytesWithDefaults) {
    const struct {
        int maxKB, reorgKB, maxBytes, reorgBytes;
        bool xml;
    } cases[] = {
        {-4000, 50, 4096000, 51200, true},  {10, -2, 10240, 2048, false},
        {0, 50, 4096000, 51200, false},     {8000, 0, 8192000, 51200, false},
        {10, 20, 4096000, 51200, false},  // reorg above the maximum resets both
        {-1, 1, 1024, 1024, true},          {2097151, 1, 2147482624, 1024, false},
        {2097152, 1, INT_MAX, 1024, false},
    };
    for (const auto& c : cases) {
        CLogFile file(path_, c.maxKB, c.reorgKB, true, "");
        EXPECT_EQ(c.maxBytes, file.MaxBytes()) << c.maxKB << " " << c.reorgKB;
        EXPECT_EQ(c.reorgBytes, file.ReorgBytes()) << c.maxKB << " " << c.reorgKB;
        EXPECT_EQ(c.xml, file.IsXml()) << c.maxKB;
    }
}

// A new file gets the header of its kind and an old one none; lines are cut
// at 1023 bytes, events carry the local date and time.
TEST_F(LogFileTest, HeaderOfANewFileThenCutLinesAndEvents) {
    std::string text;
    for (int i = 0; i < 1500; ++i) text += static_cast<char>('a' + i % 26);
    CLogFile file(path_, -4000, 50, false, "");
    ASSERT_EQ(1, file.Write(text));
    file.WriteEvent(42, "happened");
    file.Close();
    file.Write("reopened");
    file.Close();
    const std::string head = Header(true, 4000, 50) + text.substr(0, 1023) + "\n";
    const std::string log = ReadFileText(path_);
    EXPECT_EQ(head, log.substr(0, head.size()));
    EXPECT_TRUE(std::regex_match(log.substr(head.size()),
                                 std::regex("\\d{4}-\\d\\d-\\d\\d\t\\d\\d:\\d\\d:\\d\\d\t42\t"
                                            "happened\nreopened\n")))
        << log.substr(head.size());

    std::remove(path_.c_str());
    WriteOnce(0, 0, "first");  // the defaults, shown in kilobytes
    EXPECT_EQ(Header(false, 4000, 50) + "first\n", ReadFileText(path_));
    EXPECT_EQ(0, CLogFile("", -4000, 50, true, "").Write("x"));
    EXPECT_EQ(0, CLogFile(folder_.Path() + "missing/x.log.txt", -4000, 50, true, "").Write("x"));
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "missing"));
}

// A file over its maximum moves into the archive when opened, under the
// first free number up to 999 (999 is replaced when all are taken); a file
// at its maximum stays.
TEST_F(LogFileTest, FileOverTheMaximumIsArchivedUnderTheNextFreeNumber) {
    const std::string full = NumberedLines(2048);
    WriteFileText(path_, full);
    WriteOnce(-2, 1, "more");
    EXPECT_EQ(full + "more\n", ReadFileText(path_));
    EXPECT_FALSE(std::filesystem::exists(archive_));

    std::filesystem::create_directories(std::filesystem::path(Archived(1)).parent_path());
    for (int n = 1; n <= 2; ++n) WriteFileText(Archived(n), "old");
    WriteFileText(path_, full + "x");
    WriteOnce(-2, 1, "fresh");
    EXPECT_EQ(full + "x", ReadFileText(Archived(3)));
    EXPECT_EQ("old", ReadFileText(Archived(2)));
    EXPECT_EQ(Header(true, 2, 1) + "fresh\n", ReadFileText(path_));

    for (int n = 4; n <= 999; ++n) WriteFileText(Archived(n), "old");
    WriteFileText(path_, full + "x");
    WriteOnce(-2, 1, "x");
    EXPECT_EQ(full + "x", ReadFileText(Archived(999)));
    EXPECT_EQ("old", ReadFileText(Archived(998)));
    EXPECT_FALSE(std::filesystem::exists(Archived(1000)));
    // Asked directly, neither moves nor cuts a file within its maximum.
    CLogFile small(path_, 2, 1, true, "");
    small.Write("x");
    EXPECT_EQ(0, small.Archive());
    EXPECT_EQ(0, small.Reorganise());
}

// Without archiving a full file is cut down to the header and the complete
// lines that start within the last reorganisation size.
TEST_F(LogFileTest, ReorganiseKeepsTheHeaderAndTheLastCompleteLines) {
    for (int maxKB : {4, -4}) {
        const std::string old = NumberedLines(4096 + 150);
        WriteFileText(path_, old);
        CLogFile file(path_, maxKB, 1, false, "");
        ASSERT_EQ(1, file.Write("after"));
        file.Close();
        const std::string kept = old.substr(old.find('\n', old.size() - 1024) + 1);
        EXPECT_EQ(Header(maxKB < 0, 4, 1) + kept + "after\n", ReadFileText(path_)) << maxKB;
        EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "Trace.log.tmp"));
    }
}

TEST_F(LogFileTest, FirstLineSuppliesTheSizesWhenAsked) {
    const std::string digits76(76, '0');
    const struct {
        std::string firstLine;
        int maxBytes, reorgBytes;
        bool archived;
    } cases[] = {
        {"#\t<MAX_SIZE=1>\t<REORG_SIZE=1>", 1024, 1024, true},
        {"no sizes here", 0, 0, false},  // and no size handling
        // A number of 80 characters or more is not read.
        {"<MAX_SIZE=" + digits76 + "123><REORG_SIZE=0" + digits76 + "123>", 123 * 1024, 0, true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(archive_);
        const std::string old = c.firstLine + "\n" + NumberedLines(200 * 1024);
        WriteFileText(path_, old);
        CLogFile& file = WriteOnce(1, 1, "x", true);
        EXPECT_EQ(c.maxBytes, file.MaxBytes()) << c.firstLine;
        EXPECT_EQ(c.reorgBytes, file.ReorgBytes()) << c.firstLine;
        EXPECT_EQ(c.archived, std::filesystem::exists(Archived(1))) << c.firstLine;
        if (!c.archived) {
            EXPECT_EQ(old + "x\n", ReadFileText(path_));
        }
    }
}

}  // namespace
