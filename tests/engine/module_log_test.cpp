#include "common/module_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/module_log_queue.h"
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
    return lines.size() < 11 ? lines : std::vector<std::string>(lines.begin() + 11, lines.end());
}

// The line with its first time stamp "YYYY-MM-DDThh:mm:ss.mmm" replaced by
// "<T>" and the digits of its first ID attribute by "<ID>".
std::string Masked(const std::string& line) {
    static const std::string kShape = "dddd-dd-ddTdd:dd:dd.ddd";
    std::string out = line;
    for (size_t at = 0; at + kShape.size() <= out.size(); ++at) {
        size_t k = 0;
        while (k < kShape.size() &&
               (kShape[k] == 'd' ? std::isdigit(out[at + k]) != 0 : out[at + k] == kShape[k])) {
            ++k;
        }
        if (k == kShape.size()) {
            out.replace(at, k, "<T>");
            break;
        }
    }
    size_t id = out.find("ID=\"");
    if (id != std::string::npos) out.replace(id + 4, out.find('"', id + 4) - id - 4, "<ID>");
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

TEST_F(ModuleLogTest, SessionStartsOnceWithHeaderAndEndsInTheDestructor) {
    EXPECT_TRUE(log_.WriteComment(0, "before the start"));  // nowhere to go yet
    time_t before = std::time(nullptr);
    {
        CModuleLogFile log;
        ASSERT_TRUE(log.StartLog(1, path_));
        EXPECT_TRUE(log.StartLog(2, folder_.Path() + "other.log.txt"));
        EXPECT_EQ(1, log.Level());
        EXPECT_EQ(path_, log.Path());
        EXPECT_EQ(folder_.Path() + "archive/", log.ArchiveDir());
        EXPECT_TRUE(std::filesystem::is_directory(log.ArchiveDir()));
        log.CloseLog();
    }
    std::vector<std::string> lines = ReadLines(path_);
    ASSERT_EQ(13u, lines.size());
    EXPECT_EQ("<?xml version=\"1.0\" standalone=\"no\"?>", lines[0]);
    EXPECT_EQ("\t<MAX_SIZE=4000>\t<REORG_SIZE=50>", lines[3]);
    EXPECT_EQ(std::vector<std::string>({Comment("start session"), Comment("end session")}),
              MaskedBody());
    long runId = std::stol(lines[11].substr(lines[11].find("ID=\"") + 4));
    EXPECT_GE(runId, before);
    EXPECT_LE(runId, std::time(nullptr));
    EXPECT_EQ(&ModuleLog(), &ModuleLog());
}

TEST_F(ModuleLogTest, EntriesNumberOnlyNonEmptyArgumentsOnOneLine) {
    const struct {
        int status;
        std::vector<std::string> args;
        std::string tail;
    } cases[] = {
        {0,
         {"IAddress", "", "{'pbStatus':true}", "123"},
         "argv1=\"IAddress\" argv2=\"{'pbStatus':true}\" argv3=\"123\" argn=\"3\"/>"},
        {400, {"", "", "", ""}, "argn=\"0\"/>"},
        {1,
         {"a\nb", "c\r\nd", "\r", "e\n"},
         "argv1=\"a b\" argv2=\"c d\" argv3=\"\" argv4=\"e \" argn=\"4\"/>"},
    };
    log_.StartLog(1, path_);
    for (const auto& c : cases) {
        ASSERT_TRUE(
            log_.WriteEntry(c.status, "handle_x", c.args[0], c.args[1], c.args[2], c.args[3]));
        EXPECT_EQ(EntryHead(c.status, "handle_x") + c.tail, MaskedBody().back());
    }
}

TEST_F(ModuleLogTest, TimeStampIsLocalTime) {
    // A zone five hours east of UTC (POSIX TZ signs are inverted).
    const char* saved = std::getenv("TZ");
    std::string savedTz = saved != nullptr ? saved : "";
    ::setenv("TZ", "XYZ-05", 1);
    ::tzset();
    log_.StartLog(1, path_);
    time_t shifted = std::time(nullptr) + 5 * 3600;
    log_.WriteComment(0, "now");
    saved != nullptr ? ::setenv("TZ", savedTz.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();

    struct tm expected;
    gmtime_r(&shifted, &expected);
    char stamp[64];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%dT%H:%M", &expected);
    // The minute may turn between reading the clock here and in the log.
    if (expected.tm_sec < 58) {
        EXPECT_NE(std::string::npos, Body(path_).at(1).find(stamp));
    }
}

TEST_F(ModuleLogTest, LongLinesAreCutWithAMarkButNeverInsideACharacter) {
    log_.StartLog(1, path_);
    // The entry's length around its argument: the line before argn is 497 at most.
    log_.WriteEntry(0, "m", "x", "", "", "");
    const size_t fixed = Body(path_).at(1).size() - std::string("argn=\"1\"/>").size() - 1;
    log_.WriteEntry(0, "m", std::string(497 - fixed, 'y'), "", "", "");
    log_.WriteEntry(0, "m", std::string(498 - fixed, 'y'), "", "", "");
    log_.WriteEntry(0, "handle_post", "IResult", std::string(2000, 'j'), "7", "");
    std::string umlauts;
    for (int i = 0; i < 400; ++i) umlauts += "\xc3\xa4";
    log_.WriteEntry(0, "handle_post", umlauts, "", "", "");
    log_.WriteComment(0, std::string(1500, 'c'));

    std::vector<std::string> body = Body(path_);
    ASSERT_EQ(7u, body.size());
    EXPECT_EQ(497u + 10u, body[2].size());
    EXPECT_EQ(std::string::npos, body[2].find("... "));
    EXPECT_NE(std::string::npos, body[3].find("\" ... argn=\"1\"/>"));
    // The third argument is lost in the cut; argn still counts it.
    EXPECT_LE(body[4].size(), 512u);
    EXPECT_GE(body[4].size(), 500u);
    EXPECT_EQ("jjjj\" ... argn=\"3\"/>", body[4].substr(body[4].size() - 20));
    size_t start = body[5].find("argv1=\"") + 7;
    EXPECT_EQ(0u, (body[5].find("\" ... argn=") - start) % 2);
    EXPECT_EQ("<!-- " + std::string(1018, 'c'), body[6]);
}

TEST_F(ModuleLogTest, LevelDecidesWhatIsWritten) {
    const std::string entry = EntryHead(0, "handle_get") + "argv1=\"ITarvos\" argn=\"1\"/>";
    const std::vector<std::string> expected[] = {
        {Comment("zero")},
        {Comment("start session"), Comment("zero"), Comment("one"), entry},
        {Comment("start session"), Comment("zero"), Comment("one"), Comment("TRACE(two)"), entry},
    };
    for (int level = 0; level <= 2; ++level) {
        TempFolder folder;
        path_ = folder.Path() + "TarvosServer450.log.txt";
        CModuleLogFile log;
        log.StartLog(level, path_);
        EXPECT_TRUE(log.WriteComment(0, "zero"));
        EXPECT_EQ(level >= 1, log.WriteComment(1, "one"));
        EXPECT_EQ(level >= 2, log.WriteComment(2, "TRACE(two)"));
        EXPECT_EQ(level >= 1, log.WriteEntry(0, "handle_get", "ITarvos", "", "", ""));
        EXPECT_EQ(expected[level], MaskedBody()) << "level " << level;
    }
}

TEST_F(ModuleLogTest, UnwritableFolderDoesNotDisturbTheCaller) {
    log_.StartLog(1, folder_.Path() + "missing/TarvosServer450.log.txt");
    EXPECT_TRUE(log_.WriteEntry(0, "handle_get", "ITarvos", "", "", ""));
    EXPECT_TRUE(log_.WriteComment(0, "still fine"));
}

TEST_F(ModuleLogTest, FullFileMovesToYearFolderOfArchive) {
    log_.SetFileSizes(-4, 1);
    log_.StartLog(1, path_);
    for (int i = 0; i < 40; ++i) log_.WriteComment(0, "line " + std::to_string(i));
    time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    std::vector<std::string> archived =
        ReadLines(folder_.Path() + "archive/" + std::to_string(local.tm_year + 1900) +
                  "/TarvosServer450_001.log.txt");
    ASSERT_GT(archived.size(), 11u);
    EXPECT_EQ("\t<MAX_SIZE=4>\t<REORG_SIZE=1>", archived[3]);
    EXPECT_EQ(Comment("start session"), Masked(archived[11]));
    EXPECT_EQ("\t<MAX_SIZE=4>\t<REORG_SIZE=1>", ReadLines(path_).at(3));
}

CModuleLogFile::Line CommentLine(int level, const std::string& text) {
    CModuleLogFile::Line line;
    line.value = level;
    line.args[0] = text;
    return line;
}

TEST_F(ModuleLogTest, QueuedLinesAreInTheFileAfterFlushAndAfterStop) {
    log_.StartLog(1, path_);
    ModuleLogQueue queue(log_);
    queue.Add(CommentLine(0, "first"));
    queue.Add(CommentLine(2, "TRACE(above the level)"));
    queue.Flush();
    EXPECT_EQ(Comment("first"), MaskedBody().back());
    CModuleLogFile::Line entry;
    entry.entry = true;
    entry.value = 7;
    entry.method = "handle_put";
    entry.args[1] = "IResult";
    queue.Add(entry);
    queue.Stop();
    EXPECT_EQ(EntryHead(7, "handle_put") + "argv1=\"IResult\" argn=\"1\"/>", MaskedBody().back());
    queue.Add(CommentLine(0, "after the stop"));
    EXPECT_EQ(Comment("after the stop"), MaskedBody().back());
    EXPECT_EQ(4u, MaskedBody().size());
}

// The entry that thread t writes as its line i in the concurrency test.
std::string SampleEntry(int t, int i) {
    return EntryHead(0, "handle_post") + "argv1=\"T" + std::to_string(t) + "\" argv2=\"" +
           std::to_string(i) + "\" argv3=\"" + std::string(60 + t * 7, 'a' + t) + "\" argn=\"3\"/>";
}

// Even threads write themselves, odd ones through a queue (with a small
// capacity, so that they also wait for room).
TEST_F(ModuleLogTest, ConcurrentLinesAreWholeInOrderAndFoundExactlyOnce) {
    constexpr int kThreads = 8;
    constexpr int kLines = 5000;
    log_.SetFileSizes(-128, 8);
    log_.StartLog(1, path_);
    ModuleLogQueue queue(log_, 16);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &queue] {
            CModuleLogFile::Line line;
            line.entry = true;
            line.method = "handle_post";
            line.args[0] = "T" + std::to_string(t);
            line.args[2] = std::string(60 + t * 7, 'a' + t);
            for (int i = 0; i < kLines; ++i) {
                line.args[1] = std::to_string(i);
                t % 2 == 0 ? (void)log_.WriteLines({line}) : queue.Add(line);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    queue.Stop();

    // Archived files in the order of their numbers, then the current one.
    std::vector<std::string> files;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder_.Path())) {
        if (file.is_regular_file() && file.path() != path_) files.push_back(file.path().string());
    }
    std::sort(files.begin(), files.end());
    files.push_back(path_);

    std::vector<std::vector<int>> seen(kThreads, std::vector<int>(kLines, 0));
    std::vector<int> last(kThreads, -1);
    int bad = 0;
    for (const std::string& file : files) {
        std::vector<std::string> lines = ReadLines(file);
        ASSERT_GE(lines.size(), 11u) << file;
        EXPECT_EQ("<?xml version=\"1.0\" standalone=\"no\"?>", lines[0]) << file;
        for (size_t n = 11; n < lines.size(); ++n) {
            int t = -1;
            int i = -1;
            std::string line = Masked(lines[n]);
            size_t at = line.find("argv1=\"T");
            if (at != std::string::npos &&
                std::sscanf(line.c_str() + at, "argv1=\"T%d\" argv2=\"%d\"", &t, &i) == 2 &&
                t >= 0 && t < kThreads && i >= 0 && i < kLines && line == SampleEntry(t, i)) {
                ++seen[t][i];
                EXPECT_LT(last[t], i) << "thread " << t << " out of order in " << file;
                last[t] = i;
            } else if (line != Comment("start session") && ++bad < 5) {
                ADD_FAILURE() << "mixed or broken line in " << file << ": " << lines[n];
            }
        }
    }
    EXPECT_GT(files.size(), 20u) << "the run should have archived many times";
    EXPECT_EQ(0, bad);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i)
            ASSERT_EQ(1, seen[t][i]) << "thread " << t << " line " << i;
    }
}

}  // namespace
