// kill -9 of the executable while it writes its files: the INI file (a
// "-setport" run) still holds every line; under load, the module log ends
// with a whole line and the next start works.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/integration/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The INI file's text with the endpoint's port left out.
std::string IniWithoutPort(const ServerProcess& server) {
    return std::regex_replace(ReadFileText(server.IniPath()), std::regex("localhost:\\d+"), "");
}

// Runs the executable with `args` and kills it with SIGKILL as soon as it
// writes the INI file or its temporary file (at the latest after 5 s).
void RunAndKillAtWrite(const ServerProcess& server, const std::vector<std::string>& args) {
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, server.folder().c_str(), IN_MODIFY);
    pid_t pid = server.Launch(args);
    alignas(inotify_event) char buffer[4096];
    auto deadline = Clock::now() + std::chrono::seconds(5);
    bool written = false;
    while (!written && Clock::now() < deadline && waitpid(pid, nullptr, WNOHANG) == 0) {
        pollfd ready{watch, POLLIN, 0};
        ssize_t n = poll(&ready, 1, 100) > 0 ? read(watch, buffer, sizeof buffer) : 0;
        for (ssize_t at = 0; at < n && !written; at += sizeof(inotify_event)) {
            auto* event = reinterpret_cast<inotify_event*>(buffer + at);
            written = std::string(event->name, event->len).rfind("TarvosServer450.ini", 0) == 0;
            at += event->len;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(watch);
}

TEST(KillTest, IniKeepsEveryLineWhenSetportIsKilled) {
    // A long INI file takes long enough to write for a kill to fall inside.
    std::string padding = "[Padding]\n";
    for (int i = 0; i < 4000; ++i) padding += "key" + std::to_string(i) + "=value\n";
    ServerProcess server({"logLevel=1", "Interface_Max_Inactivity_Sec=300"}, padding);
    const std::string before = IniWithoutPort(server), own = server.Endpoint();
    for (int i = 0; i < 9; ++i) {
        // Always another port than the file holds, so that it is written.
        bool ownPort = server.Setting("Endpoint") == own;
        RunAndKillAtWrite(server, {"-setport", ownPort ? "15001" : std::to_string(server.port())});
        ASSERT_EQ(before, IniWithoutPort(server)) << "after kill " << i;
    }
    std::string output;
    ASSERT_EQ(0, server.RunToEnd({"-setport", std::to_string(server.port())}, &output));
    EXPECT_EQ(own, server.Setting("Endpoint"));
}

// Four clients create managers (a module log entry each) while the service
// is killed; each round's start shows that the start after a kill works.
TEST(KillTest, ModuleLogEndsWithWholeLinesAndTheNextStartWorks) {
    ServerProcess server({"logLevel=2"});
    auto size = [&] { return std::filesystem::file_size(server.LogPath()); };
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(server.Start()) << "round " << round << ": " << server.Output();
        std::atomic<bool> stop{false};
        std::vector<std::thread> clients;
        for (int i = 0; i < 4; ++i) {
            clients.emplace_back([&] {
                while (!stop)
                    server.client().Get(ServerProcess::Path("ITarvos", "GetCreateTarvos"));
            });
        }
        // Kill while the log grows: after at least 64 more lines.
        uintmax_t from = size();
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (size() < from + 64 * 200 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        kill(server.pid(), SIGKILL);
        while (server.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        stop = true;
        for (std::thread& client : clients) client.join();
        std::string log = server.ReadLog();
        size_t last = log.rfind('\n', log.size() - 2);
        std::string line = log.substr(last == std::string::npos ? 0 : last + 1);
        EXPECT_TRUE(std::regex_match(line, std::regex("<[^\n]*>\n")))
            << "round " << round << ": " << line;
    }
}

}  // namespace
