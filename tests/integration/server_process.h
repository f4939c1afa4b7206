#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ini_file.h"
#include "tests/engine/file_text.h"
#include "tests/integration/command_run.h"
#include "tests/integration/transport_socket.h"

// True when `text` (an output or a log) holds `part`.
inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The real service executable, copied with its run-time files into a fresh
// temporary folder with an INI file of its own, started on a free loopback
// port and stopped (SIGTERM, then SIGKILL) when the object goes.
class ServerProcess {
  public:
    // `extraSettings` are more "key=value" lines for section [Settings];
    // `extraIni` is appended to the INI file as it is (other sections).
    explicit ServerProcess(const std::vector<std::string>& extraSettings = {},
                           const std::string& extraIni = std::string()) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "tarvos-server-XXXXXX").string();
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        // The programs and the schemas only: an INI, log, status file or
        // tariff catalog that a run of the build left beside them would
        // change what the tests see.
        for (const auto& entry : fs::directory_iterator(TARVOS_RUNTIME_DIR)) {
            const bool program =
                (entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none;
            if (entry.is_regular_file() && (program || entry.path().extension() == ".xsd")) {
                fs::copy_file(entry.path(), folder_ + entry.path().filename().string());
            }
        }
        port_ = FreeLoopbackPort();
        std::ofstream ini(IniPath());
        ini << "[Settings]\nisInstalled=1\nEndpoint=" << Endpoint() << "\n";
        for (const std::string& line : extraSettings) ini << line << "\n";
        ini << "\n[PARAMS]\nTMPDIR_CSIDL=" << folder_ << "\n" << extraIni;
    }
    ~ServerProcess() {
        if (pid_ > 0) Stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the executable with `args` (default: the foreground run) and
    // waits until it accepts connections. False when it did not come up.
    bool Start(const std::vector<std::string>& args = {"-debug"}) {
        pid_ = Launch(args);
        for (int i = 0; i < 200; ++i) {
            if (!Running()) return false;
            if (client().Send("GET", "/", "", {}, 1000).status != 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // Starts another run of the executable with `args` (its output goes with
    // the service's) and returns its pid; the caller waits for it.
    int Launch(const std::vector<std::string>& args) const {
        std::string executable = folder_ + "tarvosserver450";
        int pid = fork();
        if (pid == 0) {
            int out = open((folder_ + "output.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(out, 1);
            dup2(out, 2);
            setsid();  // no controlling terminal, like a service
            // Relative paths it is given (an archive folder) stay in its folder.
            if (chdir(folder_.c_str()) != 0) _exit(126);
            std::vector<char*> argv{executable.data()};
            std::vector<std::string> copies(args);
            for (std::string& arg : copies) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(executable.c_str(), argv.data());
            _exit(127);
        }
        return pid;
    }

    // Runs the executable with `args` to its end; returns its exit code and
    // fills `output` with what it printed (standard output and error).
    int RunToEnd(const std::vector<std::string>& args, std::string* output) const {
        std::string command = "'" + folder_ + "tarvosserver450'";
        for (const std::string& arg : args) command += " '" + arg + "'";
        CommandRun run = RunCommand(command + " < /dev/null");
        *output = run.output;
        return run.exit_code;
    }

    // Sends SIGTERM and waits (at most 20 s, then SIGKILL) for the exit.
    // Returns the exit code, or -1 when it had to be killed.
    int Stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        for (int waited = 0; waitpid(pid_, &status, WNOHANG) != pid_; waited += 20) {
            if (waited == 20000) kill(pid_, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    bool Running() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }

    int port() const { return port_; }
    int pid() const { return pid_; }  // -1 when not running
    const std::string& folder() const { return folder_; }
    std::string IniPath() const { return folder_ + "TarvosServer450.ini"; }
    std::string LogPath() const { return folder_ + "TarvosServer450.log.txt"; }
    std::string Endpoint() const {
        return "http://localhost:" + std::to_string(port_) + "/tarvosServer450";
    }
    // A key of the INI file's section [Settings] ("<missing>" when absent).
    std::string Setting(const std::string& key) const {
        return platform::GetProfileString(IniPath(), "Settings", key, "<missing>");
    }
    void SetSetting(const std::string& key, const std::string& value) const {
        platform::WriteProfileString(IniPath(), "Settings", key, value);
    }
    std::string WorkFolder() const { return folder_ + "tolvan/Halvo450Rest/"; }
    std::string Output() const { return ReadFileText(folder_ + "output.txt"); }  // printed so far
    std::string ReadLog() const { return ReadFileText(LogPath()); }

    // The path of a call: "/tarvosServer450/<interfaceName>/<method>".
    static std::string Path(const std::string& interfaceName, const std::string& method) {
        return "/tarvosServer450/" + interfaceName + "/" + method;
    }

    HttpClient client() const { return HttpClient(port_); }

  private:
    std::string folder_;
    int port_ = 0;
    int pid_ = -1;
};
