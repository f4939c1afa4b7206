#include "common/log_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <fstream>
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
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string ThisYear() {
    time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    return std::to_string(local.tm_year + 1900);
}

// Numbered lines "line 0000001 xxx...\n" of 100 bytes each, cut to `size`.
std::string NumberedLines(size_t size) {
    std::string text;
    text.reserve(size + 100);
    for (int i = 0; text.size() < size; ++i) {
        char head[32];
        std::snprintf(head, sizeof(head), "line %07d ", i);
        std::string line = head;
        line += std::string(99 - line.size(), 'x') + "\n";
        text += line;
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

std::vector<std::string> TextHeader(int maxKB, int reorgKB) {
    return {
        "#\t<MAX_SIZE=" + std::to_string(maxKB) + ">\t<REORG_SIZE=" + std::to_string(reorgKB) + ">",
        "#",
        "# first line: maximum Size in KB, reorg Size in KB",
        "#",
        "#",
        "#" + std::string(253, '-')};
}

class LogFileTest : public ::testing::Test {
  protected:
    TempFolder folder_;
    std::string path_ = folder_.Path() + "Trace.log.txt";
    std::string archive_ = folder_.Path() + "archive/";
    std::string yearFolder_ = archive_ + ThisYear() + "/";
};

// --- Headers and sizes -------------------------------------------------------

TEST_F(LogFileTest, NegativeMaximumStartsNewFileWithXmlHeader) {
    CLogFile file(path_, -4000, 50, true, archive_);
    ASSERT_EQ(1, file.Write("first"));
    file.Close();
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(12u, lines.size());
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(kXmlHeader[i], lines[i]) << "header line " << i + 1;
    EXPECT_EQ("first", lines[11]);
}

TEST_F(LogFileTest, PositiveMaximumStartsNewFileWithTextHeader) {
    CLogFile file(path_, 4000, 50, false, "");
    ASSERT_EQ(1, file.Write("first"));
    file.Close();
    std::vector<std::string> expected = TextHeader(4000, 50);
    expected.push_back("first");
    EXPECT_EQ(expected, SplitLines(ReadFileText(path_)));
}

TEST_F(LogFileTest, HeaderOnlyIntoEmptyFile) {
    WriteFileText(path_, "old\n");
    CLogFile file(path_, 4000, 50, false, "");
    file.Write("new");
    file.Close();
    EXPECT_EQ("old\nnew\n", ReadFileText(path_));
}

TEST_F(LogFileTest, SizesInKilobytesWithDefaults) {
    EXPECT_EQ(4096000, CLogFile(path_, -4000, 50, true, "").MaxBytes());
    EXPECT_EQ(51200, CLogFile(path_, -4000, 50, true, "").ReorgBytes());
    EXPECT_EQ(10240, CLogFile(path_, 10, -2, true, "").MaxBytes());
    EXPECT_EQ(2048, CLogFile(path_, 10, -2, true, "").ReorgBytes());
    EXPECT_EQ(4096000, CLogFile(path_, 0, 50, true, "").MaxBytes());
    EXPECT_EQ(51200, CLogFile(path_, 8000, 0, true, "").ReorgBytes());
    EXPECT_TRUE(CLogFile(path_, -1, 1, true, "").IsXml());
    EXPECT_FALSE(CLogFile(path_, 1, 1, true, "").IsXml());
}

TEST_F(LogFileTest, ReorgSizeAboveMaximumResetsBoth) {
    CLogFile file(path_, 10, 20, false, "");
    EXPECT_EQ(4096000, file.MaxBytes());
    EXPECT_EQ(51200, file.ReorgBytes());
}

TEST_F(LogFileTest, HeaderShowsSizesRoundedDownToKilobytes) {
    CLogFile file(path_, 0, 0, false, "");
    file.Write("x");
    file.Close();
    EXPECT_EQ(TextHeader(4000, 50)[0], SplitLines(ReadFileText(path_))[0]);
}

// --- Write -------------------------------------------------------------------

TEST_F(LogFileTest, LongTextIsCutAt1023Bytes) {
    WriteFileText(path_, "x\n");
    std::string text;
    for (int i = 0; i < 1500; ++i) text += static_cast<char>('a' + i % 26);
    CLogFile file(path_, 4000, 50, false, "");
    ASSERT_EQ(1, file.Write(text));
    file.Close();
    EXPECT_EQ("x\n" + text.substr(0, 1023) + "\n", ReadFileText(path_));
}

TEST_F(LogFileTest, StaysOpenBetweenWrites) {
    CLogFile file(path_, 4000, 50, false, "");
    file.Write("one");
    file.Write("two");
    file.Close();
    file.Write("three");
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("one", lines[6]);
    EXPECT_EQ("three", lines[8]);
}

TEST_F(LogFileTest, WriteEventIsTimeStampedWithCode) {
    WriteFileText(path_, "x\n");
    CLogFile file(path_, 4000, 50, false, "");
    file.WriteEvent(42, "happened");
    file.Close();
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(2u, lines.size());
    // "YYYY-MM-DD\thh:mm:ss\t42\thappened"
    ASSERT_EQ(31u, lines[1].size());
    EXPECT_EQ('\t', lines[1][10]);
    EXPECT_EQ(':', lines[1][13]);
    EXPECT_EQ("\t42\thappened", lines[1].substr(19));
}

// --- Archive -----------------------------------------------------------------

TEST_F(LogFileTest, FileOverMaximumIsArchivedOnOpening) {
    std::string old = NumberedLines(4096001);
    WriteFileText(path_, old);
    CLogFile file(path_, -4000, 50, true, archive_);
    ASSERT_EQ(1, file.Write("fresh"));
    file.Close();
    EXPECT_EQ(old, ReadFileText(yearFolder_ + "Trace_001.log.txt"));
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ(kXmlHeader[0], lines[0]);
    EXPECT_EQ("fresh", lines[11]);
}

TEST_F(LogFileTest, FileAtMaximumIsNotArchived) {
    std::string old = NumberedLines(4096000);
    WriteFileText(path_, old);
    CLogFile file(path_, -4000, 50, true, archive_);
    ASSERT_EQ(1, file.Write("more"));
    file.Close();
    EXPECT_FALSE(Exists(yearFolder_ + "Trace_001.log.txt"));
    EXPECT_EQ(old + "more\n", ReadFileText(path_));
}

TEST_F(LogFileTest, ArchiveTakesNextFreeNumber) {
    ::mkdir(archive_.c_str(), 0775);
    ::mkdir(yearFolder_.c_str(), 0775);
    WriteFileText(yearFolder_ + "Trace_001.log.txt", "one");
    WriteFileText(yearFolder_ + "Trace_002.log.txt", "two");
    WriteFileText(path_, NumberedLines(2049));
    CLogFile file(path_, 2, 1, true, archive_);
    file.Write("x");
    file.Close();
    EXPECT_EQ(NumberedLines(2049), ReadFileText(yearFolder_ + "Trace_003.log.txt"));
    EXPECT_EQ("one", ReadFileText(yearFolder_ + "Trace_001.log.txt"));
    EXPECT_EQ("two", ReadFileText(yearFolder_ + "Trace_002.log.txt"));
}

TEST_F(LogFileTest, ArchiveReplacesNumber999WhenAllAreTaken) {
    ::mkdir(archive_.c_str(), 0775);
    ::mkdir(yearFolder_.c_str(), 0775);
    for (int n = 1; n <= 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof(name), "Trace_%03d.log.txt", n);
        WriteFileText(yearFolder_ + name, "old");
    }
    WriteFileText(path_, NumberedLines(2049));
    CLogFile file(path_, 2, 1, true, archive_);
    file.Write("x");
    file.Close();
    EXPECT_EQ(NumberedLines(2049), ReadFileText(yearFolder_ + "Trace_999.log.txt"));
    EXPECT_EQ("old", ReadFileText(yearFolder_ + "Trace_998.log.txt"));
    EXPECT_FALSE(Exists(yearFolder_ + "Trace_1000.log.txt"));
}

TEST_F(LogFileTest, MissingArchiveFolderFallsBackBesideTheFile) {
    WriteFileText(path_, NumberedLines(2049));
    CLogFile file(path_, 2, 1, true, folder_.Path() + "no/such/folder");
    file.Write("x");
    file.Close();
    EXPECT_EQ(NumberedLines(2049), ReadFileText(yearFolder_ + "Trace_001.log.txt"));
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

// --- Reorganise --------------------------------------------------------------

TEST_F(LogFileTest, ReorganiseKeepsHeaderAndLastCompleteLines) {
    const size_t size = 5 * 1024 * 1024;
    std::string old = NumberedLines(size);
    WriteFileText(path_, old);
    CLogFile file(path_, 4000, 50, false, "");
    ASSERT_EQ(1, file.Write("after"));
    file.Close();

    // Kept: from the first line that starts after the point 50 KB before the end.
    size_t lineEnd = old.find('\n', size - 51200);
    std::string kept = old.substr(lineEnd + 1);
    std::string header;
    for (const std::string& line : TextHeader(4000, 50)) header += line + "\n";
    EXPECT_EQ(header + kept + "after\n", ReadFileText(path_));
    EXPECT_GT(kept.size(), 51200u - 100);
    EXPECT_EQ(0u, kept.compare(0, 5, "line "));
    EXPECT_FALSE(Exists(folder_.Path() + "Trace.log.tmp"));
}

TEST_F(LogFileTest, ReorganiseInXmlModeWritesXmlHeader) {
    WriteFileText(path_, NumberedLines(3000));
    CLogFile file(path_, -2, 1, false, "");
    file.Write("after");
    file.Close();
    std::vector<std::string> lines = SplitLines(ReadFileText(path_));
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(kXmlHeader[0], lines[0]);
    EXPECT_EQ("\t<MAX_SIZE=2>\t<REORG_SIZE=1>", lines[3]);
    EXPECT_EQ("after", lines.back());
}

// --- Sizes from the first line -----------------------------------------------

TEST_F(LogFileTest, FirstLineSuppliesSizesWhenAsked) {
    WriteFileText(path_, "#\t<MAX_SIZE=1>\t<REORG_SIZE=1>\n" + NumberedLines(1200));
    CLogFile file(path_, 4000, 50, true, archive_);
    file.SetReadSizes(true);
    file.Write("x");
    file.Close();
    EXPECT_EQ(1024, file.MaxBytes());
    EXPECT_EQ(1024, file.ReorgBytes());
    EXPECT_TRUE(Exists(yearFolder_ + "Trace_001.log.txt"));
}

TEST_F(LogFileTest, FirstLineWithoutSizesGivesZeroAndNoSizeHandling) {
    std::string old = "no sizes here\n" + NumberedLines(5000);
    WriteFileText(path_, old);
    CLogFile file(path_, 1, 1, true, archive_);
    file.SetReadSizes(true);
    file.Write("x");
    file.Close();
    EXPECT_EQ(0, file.MaxBytes());
    EXPECT_EQ(0, file.ReorgBytes());
    EXPECT_EQ(old + "x\n", ReadFileText(path_));
}

TEST_F(LogFileTest, SizeNumberOf80CharactersOrMoreIsIgnored) {
    WriteFileText(path_, "<MAX_SIZE=" + std::string(76, '0') +
                             "123><REORG_SIZE=" + std::string(77, '0') + "123>\n");
    CLogFile file(path_, 1, 1, true, archive_);
    file.SetReadSizes(true);
    file.Write("x");
    EXPECT_EQ(123 * 1024, file.MaxBytes());
    EXPECT_EQ(0, file.ReorgBytes());
}

// --- Failures ----------------------------------------------------------------

TEST_F(LogFileTest, EmptyPathWritesNothing) {
    CLogFile file("", -4000, 50, true, "");
    EXPECT_EQ(0, file.Write("x"));
}

TEST_F(LogFileTest, UnopenableFileWritesNothing) {
    CLogFile file(folder_.Path() + "missing/folder/x.log.txt", -4000, 50, true, "");
    EXPECT_EQ(0, file.Write("x"));
    EXPECT_FALSE(Exists(folder_.Path() + "missing"));
}

}  // namespace
