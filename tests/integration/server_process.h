#pragma once

#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "tests/engine/file_text.h"
#include "tests/integration/http_client.h"

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
                           const std::string& extraIni = std::string());
    ~ServerProcess();

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the executable with `args` (default: the foreground run) and
    // waits until it accepts connections. False when it did not come up.
    bool Start(const std::vector<std::string>& args = {"-debug"});

    // Starts another run of the executable with `args` (its output goes with
    // the service's) and returns its pid; the caller waits for it.
    int Launch(const std::vector<std::string>& args) const;

    // Runs the executable with `args` to its end; returns its exit code and
    // fills `output` with what it printed (standard output and error).
    int RunToEnd(const std::vector<std::string>& args, std::string* output);

    // Sends SIGTERM and waits (at most 20 s, then SIGKILL) for the exit.
    // Returns the exit code, or -1 when it had to be killed.
    int Stop();

    bool Running();

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
