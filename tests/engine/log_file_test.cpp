#include "common/log_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

// Numbered lines "1000000xxx...\n" of 100 bytes each, cut to `size`.
std::string NumberedLines(size_t size) {
    std::string text;
    for (int i = 1000000; text.size() < size; ++i)
        text += std::to_string(i) + std::string(92, 'x') + "\n";
    return text.substr(0, size);
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

class LogFileTest : public ::testing::Test {
  protected:
    // The name that archive number `number` has in this year's folder.
    std::string Archived(int number) {
        const time_t now = std::time(nullptr);
        char name[48];
        std::snprintf(name, sizeof(name), "%d/Trace_%03d.log.txt",
                      std::localtime(&now)->tm_year + 1900, number);
        return archive_ + name;
    }

    TempFolder folder_;
    std::string path_ = folder_.Path() + "Trace.log.txt";
    std::string archive_ = folder_.Path() + "archive/";
};

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
    EXPECT_EQ(0, CLogFile(folder_.Path() + "missing/x.log.txt", -4000, 50, true, "").Write("x"));
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "missing"));
}

// Each row: an old file, the archive numbers 1 to `taken` in use, then one
// line written with the given sizes (the archive folder given never exists:
// "archive/" beside the file is used). A file over its maximum moves into
// the archive under the first free number up to 999 (999 is replaced when
// all are taken) or, without archiving, is cut down to the header and the
// complete lines that start within the last reorganisation size; a file at
// its maximum stays.
TEST_F(LogFileTest, OldFileIsArchivedOrCutOrKeptAsItsSizesSay) {
    const std::string full = NumberedLines(2048), big = NumberedLines(4096 + 150);
    const std::string kept = big.substr(big.find('\n', big.size() - 1024) + 1);
    const struct {
        int maxKB, reorgKB;
        bool archive;
        std::string old;
        int taken;
        std::string expected;  // the file after writing "x"
        int archivedAs;        // 0: not archived
    } cases[] = {
        {-2, 1, true, full, 0, full + "x\n", 0},
        {-2, 1, true, full + "x", 2, Header(true, 2, 1) + "x\n", 3},
        {-2, 1, true, full + "x", 999, Header(true, 2, 1) + "x\n", 999},
        {4, 1, false, big, 0, Header(false, 4, 1) + kept + "x\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.maxKB) + " " + c.old.substr(0, 30));
        std::filesystem::remove_all(archive_);
        std::filesystem::create_directories(std::filesystem::path(Archived(1)).parent_path());
        for (int n = 1; n <= c.taken; ++n) WriteFileText(Archived(n), "old");
        WriteFileText(path_, c.old);
        CLogFile file(path_, c.maxKB, c.reorgKB, c.archive, folder_.Path() + "no/such");
        ASSERT_EQ(1, file.Write("x"));
        file.Close();
        EXPECT_EQ(c.expected, ReadFileText(path_));
        for (int n = 1; n <= std::max(c.taken, c.archivedAs) + 1; ++n) {
            EXPECT_EQ(n == c.archivedAs ? c.old
                      : n <= c.taken    ? "old"
                                        : "",
                      ReadFileText(Archived(n)))
                << n;
        }
        EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "Trace.log.tmp"));
    }
}

}  // namespace
