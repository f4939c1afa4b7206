#include "common/module_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/module_log_queue.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The line with the time stamp before its run id replaced by "<T>" and the
// run id by "<ID>".
std::string Masked(const std::string& line) {
    static const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}("? ID=")\d+)");
    return std::regex_replace(line, stamp, "<T>$1<ID>");
}

std::string Comment(const std::string& text) {
    return "<!-- " + text +
           " <T> ID=\"<ID>\" moduleName=\"TarvosServer450\" moduleVersion=\"4.50.001\" -->";
}

// An entry of the method handle_x.
std::string Entry(int status, const std::string& tail) {
    return "<TarvosServer450:entry timestamp=\"<T>\" ID=\"<ID>\" version=\"4.50.001\" status=\"" +
           std::to_string(status) + "\" method=\"handle_x\" " + tail;
}

CModuleLogFile::Line Line(bool entry, int value, std::vector<std::string> args) {
    CModuleLogFile::Line line;
    line.entry = entry;
    line.value = value;
    line.method = "handle_x";
    std::copy(args.begin(), args.end(), line.args);
    return line;
}

class ModuleLogTest : public ::testing::Test {
  protected:
    // The masked lines below the eleven header lines.
    std::vector<std::string> Body() {
        std::vector<std::string> lines = ReadLines(path_);
        lines.erase(lines.begin(), lines.begin() + std::min<size_t>(11, lines.size()));
        std::transform(lines.begin(), lines.end(), lines.begin(), Masked);
        return lines;
    }

    TempFolder folder_;
    std::string path_ = folder_.Path() + "TarvosServer450.log.txt";
    CModuleLogFile log_;
};

// The room for the one argument of an entry before it is cut (when the part
// before argn passes 497 characters): the head holds a time stamp of 23
// characters and a run id of 10 digits, then comes argv1="".
const size_t kArgRoom = 497 - (Entry(0, "").size() + 20 + 6) - 9;
const std::string kYs(kArgRoom, 'y');
const std::string kUmlauts = [] {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "\xc3\xa4";
    return text;
}();

// Each line the log is given, in the order given, and what the file shows.
// A comment needs its level, an entry level 1. A long entry is cut to 495
// bytes, at a character's start, with a value left open closed, and marked
// (the log file cuts any line at 1023 bytes: LogFileTest).
const struct {
    CModuleLogFile::Line line;
    std::string expected;
} kRows[] = {
    {Line(false, 0, {"zero"}), Comment("zero")},
    {Line(false, 1, {"one"}), Comment("one")},
    {Line(true, 0, {"IAddress", "", "{'pbStatus':true}", "123"}),
     Entry(0, "argv1=\"IAddress\" argv2=\"{'pbStatus':true}\" argv3=\"123\" argn=\"3\"/>")},
    {Line(true, 1, {"a\nb", "c\r\nd", "\r", "e\n"}),
     Entry(1, "argv1=\"a b\" argv2=\"c d\" argv3=\"\" argv4=\"e \" argn=\"4\"/>")},
    {Line(true, 0, {kYs}), Entry(0, "argv1=\"" + kYs + "\" argn=\"1\"/>")},
    {Line(true, 0, {kYs + "y"}), Entry(0, "argv1=\"" + kYs + "\" ... argn=\"1\"/>")},
    {Line(true, 0, {"x" + kUmlauts}),
     Entry(0, "argv1=\"x" + kUmlauts.substr(0, (kArgRoom - 1) / 2 * 2) + "\" ... argn=\"1\"/>")},
};

// At levels 0 and 1, comments written at once and entries through the queue
// (flushed, then stopped before the last row, which goes out at once): the
// lines reach the file between the session's first and last line, the
// session started once, with the run id of its start and the local time (a
// zone five hours east of UTC; POSIX TZ signs are inverted).
TEST_F(ModuleLogTest, LinesAsTheLevelSaysLongEntriesCut) {
    ScopedEnv zone("TZ", "XYZ-05");
    for (int level = 0; level <= 1; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        TempFolder folder;
        path_ = folder.Path() + "TarvosServer450.log.txt";
        std::vector<std::string> expected;
        if (level >= 1) expected.push_back(Comment("start session"));
        {
            CModuleLogFile log;
            ASSERT_TRUE(log.StartLog(level, path_));
            EXPECT_TRUE(log.StartLog(2, folder.Path() + "other.log.txt"));
            EXPECT_EQ(level, log.Level());
            ModuleLogQueue queue(log);
            for (size_t i = 0; i < std::size(kRows); ++i) {
                const CModuleLogFile::Line& line = kRows[i].line;
                if (i + 1 == std::size(kRows)) {
                    queue.Flush();
                    EXPECT_EQ(expected, Body());
                    queue.Stop();
                }
                if (line.entry) queue.Add(line);
                if (!line.entry) {
                    EXPECT_EQ(line.value <= level, log.WriteComment(line.value, line.args[0]));
                }
                if ((line.entry ? 1 : line.value) <= level) expected.push_back(kRows[i].expected);
            }
            log.CloseLog();
        }
        expected.push_back(Comment("end session"));
        EXPECT_EQ(expected, Body());
        std::vector<std::string> lines = ReadLines(path_);
        EXPECT_EQ("\t<MAX_SIZE=4000>\t<REORG_SIZE=50>", lines.at(3));
        const time_t local = std::stol(lines.at(11).substr(lines[11].find("ID=\"") + 4)) + 5 * 3600;
        char stamp[32];
        std::strftime(stamp, sizeof(stamp), " %Y-%m-%dT%H:%M:", std::gmtime(&local));
        // The minute may turn between reading the clock for the id and the stamp.
        EXPECT_TRUE(local % 60 == 59 || lines[11].find(stamp) != std::string::npos) << lines[11];
    }
}

// Even threads write themselves, odd ones through a queue (with a small
// capacity, so that they also wait for room). The small file size makes the
// log move its full file into the archive many times (the archive's names
// are the log file's own: LogFileTest).
TEST_F(ModuleLogTest, ConcurrentLinesAreWholeInOrderAndFoundExactlyOnce) {
    constexpr int kThreads = 8;
    constexpr int kLines = 5000;
    // Line i of thread t from its version on (the head has the time).
    auto written = [](int t, int i) {
        const std::string entry = Entry(0, "argv1=\"T" + std::to_string(t) + "\" argv2=\"" +
                                               std::to_string(i) + "\" argn=\"2\"/>");
        return entry.substr(entry.find(" version="));
    };
    log_.SetFileSizes(-128, 8);
    log_.StartLog(1, path_);
    ModuleLogQueue queue(log_, 16);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                CModuleLogFile::Line line =
                    Line(true, 0, {"T" + std::to_string(t), std::to_string(i)});
                t % 2 == 0 ? (void)log_.WriteLines({line}) : queue.Add(line);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    queue.Stop();

    // Archived files in the order of their numbers, then the current one:
    // each thread's lines in the order written, whole, and no other line.
    std::vector<std::string> files;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder_.Path())) {
        if (file.is_regular_file() && file.path() != path_) files.push_back(file.path().string());
    }
    std::sort(files.begin(), files.end());
    files.push_back(path_);
    EXPECT_GT(files.size(), 20u) << "the run should have archived many times";
    std::vector<int> next(kThreads, 0);
    std::vector<std::string> other;
    for (const std::string& file : files) {
        std::vector<std::string> lines = ReadLines(file);
        ASSERT_GE(lines.size(), 11u) << file;
        for (size_t n = 11; n < lines.size(); ++n) {
            const std::string& line = lines[n];
            const size_t version = std::min(line.find(" version="), line.size());
            int t = 0;
            while (t < kThreads && line.substr(version) != written(t, next[t])) ++t;
            if (t < kThreads) ++next[t];
            if (t == kThreads) other.push_back(Masked(line));
        }
    }
    EXPECT_EQ(std::vector<std::string>{Comment("start session")}, other);
    EXPECT_EQ(std::vector<int>(kThreads, kLines), next);
}

}  // namespace
