// kill -9 of the executable while it writes its files under load: the INI
// file (a "-setport" run beside the running service) still holds every key,
// the module log ends with a whole line, and the next start works.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/integration/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Clients that create managers (one module log entry each) until stopped.
class Load {
  public:
    Load(int port, int threads) {
        for (int i = 0; i < threads; ++i) {
            threads_.emplace_back([this, port] {
                HttpClient client(port);
                while (!stop_) {
                    if (client.Get(ServerProcess::Path("ITarvos", "GetCreateTarvos")).status == 0) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                }
            });
        }
    }
    ~Load() {
        stop_ = true;
        for (std::thread& thread : threads_) thread.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// section -> keys of the INI file at `path`.
std::map<std::string, std::vector<std::string>> IniKeys(const std::string& path) {
    std::map<std::string, std::vector<std::string>> keys;
    std::istringstream lines(ReadFileText(path));
    std::string line, section;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (line.find('=') != std::string::npos) {
            keys[section].push_back(line.substr(0, line.find('=')));
        }
    }
    return keys;
}

// Waits (at most 5 s) for a write into a file whose name begins with
// `prefix` in the folder that `watch` watches, or for the end of `pid`.
void WaitForWrite(int watch, const std::string& prefix, pid_t pid) {
    alignas(inotify_event) char buffer[4096];
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline && waitpid(pid, nullptr, WNOHANG) == 0) {
        pollfd ready{watch, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        ssize_t n = read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            auto* event = reinterpret_cast<inotify_event*>(buffer + at);
            if (event->len > 0 && std::string(event->name).rfind(prefix, 0) == 0) return;
            at += sizeof(inotify_event) + event->len;
        }
    }
}

// Runs the executable with `args` and kills it with SIGKILL: after `delay`,
// or, when `atWrite`, as soon as it writes the INI file or its temporary
// file.
void RunAndKill(const ServerProcess& server, const std::vector<std::string>& args,
                std::chrono::microseconds delay, bool atWrite) {
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, server.folder().c_str(), IN_MODIFY);
    pid_t pid = server.Launch(args);
    if (atWrite) {
        WaitForWrite(watch, "TarvosServer450.ini", pid);
    } else {
        std::this_thread::sleep_for(delay);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(watch);
}

TEST(KillTest, IniKeepsEveryKeyWhenSetportIsKilled) {
    // A long INI file takes long enough to write for a kill to fall inside.
    std::string padding = "[Padding]\n";
    for (int i = 0; i < 4000; ++i) padding += "key" + std::to_string(i) + "=value\n";
    ServerProcess server({"logLevel=1", "Interface_Max_Inactivity_Sec=300"}, padding);
    ASSERT_TRUE(server.Start());
    const std::string endpoint[] = {server.Endpoint(), "http://localhost:15001/tarvosServer450"};
    const auto before = IniKeys(server.IniPath());
    // How long one whole run takes: the kills fall anywhere inside it.
    auto start = Clock::now();
    std::string output;
    ASSERT_EQ(0, server.RunToEnd({"-setport", "15001"}, &output)) << output;
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);

    Load load(server.port(), 2);
    std::mt19937 random(19);
    for (int i = 0; i < 9; ++i) {
        // Always another port than the file holds, so that it is written.
        std::string now = server.Setting("Endpoint");
        std::string port = now == endpoint[1] ? std::to_string(server.port()) : "15001";
        RunAndKill(server, {"-setport", port},
                   whole * std::uniform_int_distribution<int>(0, 100)(random) / 100, i % 3 != 2);
        ASSERT_EQ(before, IniKeys(server.IniPath())) << "after kill " << i;
        for (const char* key : {"isInstalled", "logLevel", "Interface_Max_Inactivity_Sec"}) {
            EXPECT_NE("", server.Setting(key)) << key;
        }
        now = server.Setting("Endpoint");
        EXPECT_TRUE(now == endpoint[0] || now == endpoint[1]) << now;
    }
    ASSERT_TRUE(server.Running()) << server.Output();
    ASSERT_EQ(0, server.RunToEnd({"-setport", std::to_string(server.port())}, &output));
    EXPECT_EQ(endpoint[0], server.Setting("Endpoint"));
}

TEST(KillTest, ModuleLogEndsWithWholeLinesAndTheNextStartWorks) {
    ServerProcess server({"logLevel=2"});
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(server.Start()) << "round " << round << ": " << server.Output();
        {
            Load load(server.port(), 4);
            // Kill while the log grows: after at least 64 more lines.
            uintmax_t from = FileSize(server.LogPath());
            auto deadline = Clock::now() + std::chrono::seconds(30);
            while (FileSize(server.LogPath()) < from + 64 * 200 && Clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            kill(server.pid(), SIGKILL);
            for (int i = 0; i < 500 && server.Running(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        std::string log = server.ReadLog();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ('\n', log.back())
            << "round " << round << ": ..." << log.substr(log.size() > 300 ? log.size() - 300 : 0);
        size_t last = log.rfind('\n', log.size() - 2);
        std::string line = log.substr(last == std::string::npos ? 0 : last + 1);
        EXPECT_EQ('<', line.front()) << line;
        EXPECT_EQ(">\n", line.substr(line.size() - 2)) << line;
    }
    ASSERT_TRUE(server.Start()) << server.Output();
    EXPECT_EQ(200, server.client().Get(ServerProcess::Path("ITarvos", "GetCreateTarvos")).status);
}

}  // namespace
