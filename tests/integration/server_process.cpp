#include "tests/integration/server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/integration/command_run.h"

namespace fs = std::filesystem;

ServerProcess::ServerProcess(const std::vector<std::string>& extraSettings,
                             const std::string& extraIni) {
    std::string pattern = (fs::temp_directory_path() / "tarvos-server-XXXXXX").string();
    folder_ = std::string(mkdtemp(pattern.data())) + "/";
    // The programs and the schemas only: an INI, log, status file or tariff
    // catalog that a run of the build left beside them would change what
    // the tests see.
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

ServerProcess::~ServerProcess() {
    if (pid_ > 0) Stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

int ServerProcess::Launch(const std::vector<std::string>& args) const {
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

bool ServerProcess::Start(const std::vector<std::string>& args) {
    pid_ = Launch(args);
    HttpClient client(port_);
    for (int i = 0; i < 200; ++i) {
        if (!Running()) return false;
        if (client.Send("GET", "/", "", {}, 1000).status != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int ServerProcess::RunToEnd(const std::vector<std::string>& args, std::string* output) {
    std::string command = "'" + folder_ + "tarvosserver450'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    CommandRun run = RunCommand(command + " < /dev/null");
    *output = run.output;
    return run.exit_code;
}

bool ServerProcess::Running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    return pid_ > 0;
}

int ServerProcess::Stop() {
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
