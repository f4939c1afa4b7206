#include "common/module_log.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/temp_folder.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The log lines below the eleven header lines.
std::vector<std::string> Body(const std::string& path) {
    std::vector<std::string> lines = ReadLines(path);
    if (lines.size() < 11) return {};
    return std::vector<std::string>(lines.begin() + 11, lines.end());
}

// Every regular file under `folder`, recursively.
void ListFiles(const std::string& folder, std::vector<std::string>* files) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + "/" + name;
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            ListFiles(path, files);
        } else {
            files->push_back(path);
        }
    }
    ::closedir(dir);
}

// True when `text` at `at` holds a time stamp "YYYY-MM-DDThh:mm:ss.mmm".
bool IsStampAt(const std::string& text, size_t at) {
    const std::string shape = "dddd-dd-ddTdd:dd:dd.ddd";
    if (at + shape.size() > text.size()) return false;
    for (size_t k = 0; k < shape.size(); ++k) {
        char c = text[at + k];
        bool ok = shape[k] == 'd' ? (c >= '0' && c <= '9') : c == shape[k];
        if (!ok) return false;
    }
    return true;
}

// The line with its first time stamp replaced by "<T>" and the digits of its
// first ID attribute by "<ID>".
std::string Masked(const std::string& line) {
    std::string out = line;
    for (size_t at = 0; at < out.size(); ++at) {
        if (IsStampAt(out, at)) {
            out.replace(at, 23, "<T>");
            break;
        }
    }
    size_t id = out.find("ID=\"");
    if (id != std::string::npos) {
        size_t end = out.find('"', id + 4);
        if (end != std::string::npos) out.replace(id + 4, end - id - 4, "<ID>");
    }
    return out;
}

std::string Comment(const std::string& text) {
    return "<!-- " + text +
           " <T> ID=\"<ID>\" moduleName=\"TarvosServer450\" moduleVersion=\"4.50.001\" -->";
}

std::string EntryHead(int status, const std::string& method) {
    return "<TarvosServer450:entry timestamp=\"<T>\" ID=\"<ID>\" version=\"4.50.001\" status=\"" +
           std::to_string(status) + "\" method=\"" + method + "\" ";
}

class ModuleLogTest : public ::testing::Test {
  protected:
    std::vector<std::string> MaskedBody() {
        std::vector<std::string> out;
        for (const std::string& line : Body(path_)) out.push_back(Masked(line));
        return out;
    }

    TempFolder folder_;
    std::string path_ = folder_.Path() + "TarvosServer450.log.txt";
    CModuleLogFile log_;
};

// --- Session and line formats ------------------------------------------------

TEST_F(ModuleLogTest, StartLogWritesHeaderAndStartSession) {
    time_t before = std::time(nullptr);
    ASSERT_TRUE(log_.StartLog(1, path_));
    time_t after = std::time(nullptr);

    std::vector<std::string> lines = ReadLines(path_);
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ("<?xml version=\"1.0\" standalone=\"no\"?>", lines[0]);
    EXPECT_EQ("\t<MAX_SIZE=4000>\t<REORG_SIZE=50>", lines[3]);
    EXPECT_EQ(Comment("start session"), Masked(lines[11]));

    size_t id = lines[11].find("ID=\"");
    ASSERT_NE(std::string::npos, id);
    long runId = std::stol(lines[11].substr(id + 4));
    EXPECT_GE(runId, before);
    EXPECT_LE(runId, after);
    EXPECT_EQ(folder_.Path() + "archive/", log_.ArchiveDir());
    struct stat info;
    EXPECT_EQ(0, ::stat(log_.ArchiveDir().c_str(), &info));
}

TEST_F(ModuleLogTest, SecondStartLogChangesNothing) {
    ASSERT_TRUE(log_.StartLog(1, path_));
    EXPECT_TRUE(log_.StartLog(2, folder_.Path() + "other.log.txt"));
    EXPECT_EQ(1, log_.Level());
    EXPECT_EQ(path_, log_.Path());
}

TEST_F(ModuleLogTest, DestructorWritesEndSession) {
    {
        CModuleLogFile log;
        log.StartLog(1, path_);
        log.CloseLog();
    }
    std::vector<std::string> body = MaskedBody();
    ASSERT_EQ(2u, body.size());
    EXPECT_EQ(Comment("end session"), body[1]);
}

TEST_F(ModuleLogTest, EntryNumbersOnlyNonEmptyArguments) {
    log_.StartLog(1, path_);
    ASSERT_TRUE(log_.WriteEntry(0, "handle_post", "IAddress", "", "{'pbStatus':true}", "123"));
    std::vector<std::string> body = MaskedBody();
    ASSERT_EQ(2u, body.size());
    EXPECT_EQ(EntryHead(0, "handle_post") +
                  "argv1=\"IAddress\" argv2=\"{'pbStatus':true}\" argv3=\"123\" argn=\"3\"/>",
              body[1]);
}

TEST_F(ModuleLogTest, EntryWithoutArguments) {
    log_.StartLog(1, path_);
    log_.WriteEntry(400, "handle_get", "", "", "", "");
    EXPECT_EQ(EntryHead(400, "handle_get") + "argn=\"0\"/>", MaskedBody().at(1));
}

TEST_F(ModuleLogTest, LineFeedBecomesSpaceAndCarriageReturnIsDropped) {
    log_.StartLog(1, path_);
    log_.WriteEntry(1, "handle_put", "a\nb", "c\r\nd", "\r", "e\n");
    EXPECT_EQ(EntryHead(1, "handle_put") +
                  "argv1=\"a b\" argv2=\"c d\" argv3=\"\" argv4=\"e \" argn=\"4\"/>",
              MaskedBody().at(1));
}

TEST_F(ModuleLogTest, TimeStampIsLocalTime) {
    // A zone five hours east of UTC (POSIX TZ signs are inverted).
    const char* saved = std::getenv("TZ");
    std::string savedTz = saved != nullptr ? saved : "";
    ::setenv("TZ", "XYZ-05", 1);
    ::tzset();
    log_.StartLog(1, path_);
    time_t now = std::time(nullptr);
    log_.WriteComment(0, "now");
    if (saved != nullptr) {
        ::setenv("TZ", savedTz.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();

    time_t shifted = now + 5 * 3600;
    struct tm expected;
    gmtime_r(&shifted, &expected);
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02dT%02d:%02d", expected.tm_year + 1900,
                  expected.tm_mon + 1, expected.tm_mday, expected.tm_hour, expected.tm_min);
    std::string line = Body(path_).at(1);
    // The minute may turn between reading the clock here and in the log.
    if (expected.tm_sec < 58) {
        EXPECT_NE(std::string::npos, line.find(stamp)) << line;
    }
}

// --- Long lines --------------------------------------------------------------

TEST_F(ModuleLogTest, LongEntryIsCutNear512WithMark) {
    log_.StartLog(1, path_);
    log_.WriteEntry(0, "handle_post", "IGeneralInvoiceResult", std::string(2000, 'j'), "7", "");
    std::string line = Body(path_).at(1);
    EXPECT_LE(line.size(), 512u);
    EXPECT_GE(line.size(), 500u);
    // The third argument is lost in the cut; argn still counts it.
    EXPECT_EQ("jjjj\" ... argn=\"3\"/>", line.substr(line.size() - 20));
}

TEST_F(ModuleLogTest, EntryOf497CharactersIsNotMarked) {
    log_.StartLog(1, path_);
    // Find the argument length that makes the line before argn exactly 497.
    std::string probe;
    {
        CModuleLogFile probeLog;
        probeLog.StartLog(1, folder_.Path() + "probe.log.txt");
        probeLog.WriteEntry(0, "m", "x", "", "", "");
        probe = Body(folder_.Path() + "probe.log.txt").at(1);
    }
    size_t fixed = probe.size() - std::string("argn=\"1\"/>").size() - 1;  // without "x"
    log_.WriteEntry(0, "m", std::string(497 - fixed, 'y'), "", "", "");
    log_.WriteEntry(0, "m", std::string(498 - fixed, 'y'), "", "", "");
    std::vector<std::string> body = Body(path_);
    ASSERT_EQ(3u, body.size());
    EXPECT_EQ(497u + 10u, body[1].size());
    EXPECT_EQ(std::string::npos, body[1].find("... "));
    EXPECT_NE(std::string::npos, body[2].find("\" ... argn=\"1\"/>"));
}

TEST_F(ModuleLogTest, CutNeverSplitsUtf8Character) {
    log_.StartLog(1, path_);
    std::string umlauts;
    for (int i = 0; i < 400; ++i) umlauts += "\xc3\xa4";  // U+00E4
    log_.WriteEntry(0, "handle_post", umlauts, "", "", "");
    std::string line = Body(path_).at(1);
    size_t end = line.find("\" ... argn=");
    ASSERT_NE(std::string::npos, end);
    size_t start = line.find("argv1=\"") + 7;
    EXPECT_EQ(0u, (end - start) % 2);
}

TEST_F(ModuleLogTest, LongCommentIsCutAt1023Bytes) {
    log_.StartLog(1, path_);
    log_.WriteComment(0, std::string(1500, 'c'));
    std::string line = Body(path_).at(1);
    EXPECT_EQ("<!-- " + std::string(1018, 'c'), line);
}

// --- Levels ------------------------------------------------------------------

void WriteOneOfEach(CModuleLogFile* log) {
    log->WriteComment(0, "zero");
    log->WriteComment(1, "one");
    log->WriteComment(2, "TRACE(two)");
    log->WriteEntry(0, "handle_get", "ITarvos", "", "", "");
}

TEST_F(ModuleLogTest, LevelZeroWritesOnlyLevelZeroComments) {
    log_.StartLog(0, path_);
    WriteOneOfEach(&log_);
    EXPECT_EQ(std::vector<std::string>{Comment("zero")}, MaskedBody());
}

TEST_F(ModuleLogTest, LevelOneWritesEntriesButNoTraces) {
    log_.StartLog(1, path_);
    WriteOneOfEach(&log_);
    std::vector<std::string> expected = {
        Comment("start session"), Comment("zero"), Comment("one"),
        EntryHead(0, "handle_get") + "argv1=\"ITarvos\" argn=\"1\"/>"};
    EXPECT_EQ(expected, MaskedBody());
}

TEST_F(ModuleLogTest, LevelTwoWritesTraces) {
    log_.StartLog(2, path_);
    WriteOneOfEach(&log_);
    std::vector<std::string> body = MaskedBody();
    ASSERT_EQ(5u, body.size());
    EXPECT_EQ(Comment("TRACE(two)"), body[3]);
}

TEST_F(ModuleLogTest, LevelTestResultIsReturned) {
    log_.StartLog(1, path_);
    EXPECT_TRUE(log_.WriteComment(1, "yes"));
    EXPECT_FALSE(log_.WriteComment(2, "no"));
}

// --- Failures ----------------------------------------------------------------

TEST_F(ModuleLogTest, LinesBeforeStartAreDiscarded) {
    EXPECT_TRUE(log_.WriteComment(0, "early"));
    log_.StartLog(1, path_);
    EXPECT_EQ(std::vector<std::string>{Comment("start session")}, MaskedBody());
}

TEST_F(ModuleLogTest, UnwritableFolderDoesNotDisturbTheCaller) {
    log_.StartLog(1, folder_.Path() + "missing/TarvosServer450.log.txt");
    EXPECT_TRUE(log_.WriteEntry(0, "handle_get", "ITarvos", "", "", ""));
    EXPECT_TRUE(log_.WriteComment(0, "still fine"));
}

// --- Archive and concurrency -------------------------------------------------

TEST_F(ModuleLogTest, FullFileMovesToYearFolderOfArchive) {
    log_.SetFileSizes(-4, 1);
    log_.StartLog(1, path_);
    for (int i = 0; i < 40; ++i) log_.WriteComment(0, "line " + std::to_string(i));
    time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    std::string first = folder_.Path() + "archive/" + std::to_string(local.tm_year + 1900) +
                        "/TarvosServer450_001.log.txt";
    std::vector<std::string> archived = ReadLines(first);
    ASSERT_GT(archived.size(), 11u);
    EXPECT_EQ("\t<MAX_SIZE=4>\t<REORG_SIZE=1>", archived[3]);
    EXPECT_EQ(Comment("start session"), Masked(archived[11]));
    EXPECT_EQ("\t<MAX_SIZE=4>\t<REORG_SIZE=1>", ReadLines(path_).at(3));
}

// The entry that thread t writes as its line i in the concurrency test.
std::string SamplePadding(int t) {
    return std::string(60 + t * 7, static_cast<char>('a' + t));
}

std::string SampleEntry(int t, int i) {
    return EntryHead(0, "handle_post") + "argv1=\"T" + std::to_string(t) + "\" argv2=\"" +
           std::to_string(i) + "\" argv3=\"" + SamplePadding(t) + "\" argn=\"3\"/>";
}

// Thread and line number of a sample entry; false when the line has none.
bool ParseSample(const std::string& line, int* t, int* i) {
    size_t at = line.find("argv1=\"T");
    if (at == std::string::npos || at + 21 > line.size()) return false;
    *t = line[at + 8] - '0';
    return std::sscanf(line.c_str() + at + 9, "\" argv2=\"%d\"", i) == 1;
}

TEST_F(ModuleLogTest, ConcurrentLinesAreWholeAndFoundExactlyOnce) {
    constexpr int kThreads = 8;
    constexpr int kLines = 5000;
    log_.SetFileSizes(-128, 8);
    log_.StartLog(1, path_);

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            std::string padding = SamplePadding(t);
            for (int i = 0; i < kLines; ++i) {
                log_.WriteEntry(0, "handle_post", "T" + std::to_string(t), std::to_string(i),
                                padding, "");
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    std::vector<std::string> files;
    ListFiles(folder_.Path(), &files);
    ASSERT_GT(files.size(), 20u) << "the run should have archived many times";

    std::vector<std::vector<int>> seen(kThreads, std::vector<int>(kLines, 0));
    int bad = 0;
    for (const std::string& file : files) {
        std::vector<std::string> lines = ReadLines(file);
        ASSERT_GE(lines.size(), 11u) << file;
        EXPECT_EQ("<?xml version=\"1.0\" standalone=\"no\"?>", lines[0]) << file;
        for (size_t n = 11; n < lines.size(); ++n) {
            int t = -1;
            int i = -1;
            if (ParseSample(lines[n], &t, &i) && t >= 0 && t < kThreads && i >= 0 && i < kLines &&
                Masked(lines[n]) == SampleEntry(t, i)) {
                ++seen[t][i];
            } else if (Masked(lines[n]) != Comment("start session")) {
                if (++bad < 5)
                    ADD_FAILURE() << "mixed or broken line in " << file << ": " << lines[n];
            }
        }
    }
    EXPECT_EQ(0, bad);
    int missing = 0;
    int doubled = 0;
    for (const std::vector<int>& thread : seen) {
        for (int count : thread) {
            missing += count == 0 ? 1 : 0;
            doubled += count > 1 ? 1 : 0;
        }
    }
    EXPECT_EQ(0, missing);
    EXPECT_EQ(0, doubled);
}

TEST(ModuleLogGlobalTest, OneProcessWideObject) {
    EXPECT_EQ(&ModuleLog(), &ModuleLog());
}

}  // namespace
