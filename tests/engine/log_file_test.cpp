#include "common/log_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

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

const char* const kXmlHeader[] = {
    "<?xml version=\"1.0\" standalone=\"no\"?>",
    "<!--",
    "========================================================",
    "\t<MAX_SIZE=4000>\t<REORG_SIZE=50>",
    "     first line: maximum Size in KB, reorg Size in KB",
    "========================================================",
    "-->",
    "<moduleLog:log xmlns:ModuleLog=\"http://tarvos450.invalid/xsd/ModuleLog\" ",
    "                      xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"",
    "                      xsi:schemaLocation=\"http://tarvos450.invalid/xsd/ModuleLog",
    "                      ModuleLog.xsd\">",
};

std::string TextHeader(int maxKB, int reorgKB) {
    return "#\t<MAX_SIZE=" + std::to_string(maxKB) + ">\t<REORG_SIZE=" + std::to_string(reorgKB) +
           ">\n#\n# first line: maximum Size in KB, reorg Size in KB\n#\n#\n#" +
           std::string(253, '-') + "\n";
}

class LogFileTest : public ::testing::Test {
  protected:
    // Opens the file with the given sizes, writes `line` and closes it.
    CLogFile& WriteOnce(int maxKB, int reorgKB, const std::string& line, bool readSizes = false) {
        file_ = std::make_unique<CLogFile>(path_, maxKB, reorgKB, true, archive_);
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

TEST_F(LogFileTest, NewFileGetsTheHeaderOfItsKindAndAnOldOneNone) {
    WriteOnce(-4000, 50, "first");
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(12u, lines.size());
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(kXmlHeader[i], lines[i]) << "header line " << i + 1;
    EXPECT_EQ("first", lines[11]);
    std::remove(path_.c_str());
    WriteOnce(0, 0, "first");  // the defaults, shown in kilobytes
    EXPECT_EQ(TextHeader(4000, 50) + "first\n", ReadFileText(path_));
    WriteFileText(path_, "old\n");
    WriteOnce(4000, 50, "new");
    EXPECT_EQ("old\nnew\n", ReadFileText(path_));
}

TEST_F(LogFileTest, WritesLinesCutAt1023BytesAndTimeStampedEvents) {
    WriteFileText(path_, "x\n");
    std::string text;
    for (int i = 0; i < 1500; ++i) text += static_cast<char>('a' + i % 26);
    CLogFile file(path_, 4000, 50, false, "");
    ASSERT_EQ(1, file.Write(text));
    file.WriteEvent(42, "happened");
    file.Close();
    file.Write("reopened");
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(text.substr(0, 1023), lines[1]);
    // "YYYY-MM-DD\thh:mm:ss\t42\thappened"
    ASSERT_EQ(31u, lines[2].size());
    EXPECT_EQ('\t', lines[2][10]);
    EXPECT_EQ(':', lines[2][13]);
    EXPECT_EQ("\t42\thappened", lines[2].substr(19));
    EXPECT_EQ("reopened", lines[3]);
}

TEST_F(LogFileTest, FileOverMaximumIsArchivedOnOpeningAndOneAtItIsNot) {
    std::string old = NumberedLines(4096000);
    WriteFileText(path_, old);
    WriteOnce(-4000, 50, "more");
    EXPECT_FALSE(Exists(Archived(1)));
    EXPECT_EQ(old + "more\n", ReadFileText(path_));

    WriteFileText(path_, old + "x");
    WriteOnce(-4000, 50, "fresh");
    EXPECT_EQ(old + "x", ReadFileText(Archived(1)));
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ(kXmlHeader[0], lines[0]);
    EXPECT_EQ("fresh", lines[11]);
}

TEST_F(LogFileTest, ArchiveTakesTheNextFreeNumberUpTo999) {
    std::filesystem::create_directories(std::filesystem::path(Archived(1)).parent_path());
    WriteFileText(Archived(1), "old");
    WriteFileText(Archived(2), "old");
    WriteFileText(path_, NumberedLines(2049));
    WriteOnce(2, 1, "x");
    EXPECT_EQ(NumberedLines(2049), ReadFileText(Archived(3)));
    EXPECT_EQ("old", ReadFileText(Archived(2)));

    for (int n = 4; n <= 999; ++n) WriteFileText(Archived(n), "old");
    WriteFileText(path_, NumberedLines(2049));
    WriteOnce(2, 1, "x");
    EXPECT_EQ(NumberedLines(2049), ReadFileText(Archived(999)));
    EXPECT_EQ("old", ReadFileText(Archived(998)));
    EXPECT_FALSE(Exists(Archived(1000)));
}

TEST_F(LogFileTest, MissingArchiveFolderFallsBackBesideTheFile) {
    WriteFileText(path_, NumberedLines(2049));
    CLogFile file(path_, 2, 1, true, folder_.Path() + "no/such/folder");
    file.Write("x");
    file.Close();
    EXPECT_EQ(NumberedLines(2049), ReadFileText(Archived(1)));
}

TEST_F(LogFileTest, ArchiveOfSmallFileDoesNothing) {
    WriteFileText(path_, "small\n");
    CLogFile file(path_, 2, 1, true, archive_);
    file.Write("x");
    EXPECT_EQ(0, file.Archive());
    EXPECT_EQ(0, file.Reorganise());
    file.Close();
    EXPECT_EQ(0, file.Archive());
    EXPECT_EQ("small\nx\n", ReadFileText(path_));
}

TEST_F(LogFileTest, ReorganiseKeepsHeaderAndLastCompleteLines) {
    const size_t size = 5 * 1024 * 1024;
    std::string old = NumberedLines(size);
    WriteFileText(path_, old);
    CLogFile file(path_, 4000, 50, false, "");
    ASSERT_EQ(1, file.Write("after"));
    file.Close();
    // Kept: from the first line that starts after the point 50 KB before the end.
    std::string kept = old.substr(old.find('\n', size - 51200) + 1);
    EXPECT_EQ(TextHeader(4000, 50) + kept + "after\n", ReadFileText(path_));
    EXPECT_GT(kept.size(), 51200u - 100);
    EXPECT_FALSE(Exists(folder_.Path() + "Trace.log.tmp"));

    WriteFileText(path_, NumberedLines(3000));
    CLogFile xml(path_, -2, 1, false, "");
    xml.Write("after");
    xml.Close();
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(kXmlHeader[0], lines[0]);
    EXPECT_EQ("\t<MAX_SIZE=2>\t<REORG_SIZE=1>", lines[3]);
    EXPECT_EQ("after", lines.back());
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
        TempFolder folder;
        path_ = folder.Path() + "Trace.log.txt";
        archive_ = folder.Path() + "archive/";
        const std::string old = c.firstLine + "\n" + NumberedLines(200 * 1024);
        WriteFileText(path_, old);
        CLogFile& file = WriteOnce(1, 1, "x", true);
        EXPECT_EQ(c.maxBytes, file.MaxBytes()) << c.firstLine;
        EXPECT_EQ(c.reorgBytes, file.ReorgBytes()) << c.firstLine;
        EXPECT_EQ(c.archived, Exists(Archived(1))) << c.firstLine;
        if (!c.archived) {
            EXPECT_EQ(old + "x\n", ReadFileText(path_));
        }
    }
}

TEST_F(LogFileTest, NoPathOrAnUnopenableOneWritesNothing) {
    EXPECT_EQ(0, CLogFile("", -4000, 50, true, "").Write("x"));
    EXPECT_EQ(
        0, CLogFile(folder_.Path() + "missing/folder/x.log.txt", -4000, 50, true, "").Write("x"));
    EXPECT_FALSE(Exists(folder_.Path() + "missing"));
}

}  // namespace
