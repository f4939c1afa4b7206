#include "platform/service_control.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform {

const char* const kDefaultUnitDir = "/etc/systemd/system";

namespace {

// The folders systemd loads system units from.
const char* const kSystemUnitDirs[] = {
    "/etc/systemd/system",     "/run/systemd/system", "/usr/local/lib/systemd/system",
    "/usr/lib/systemd/system", "/lib/systemd/system",
};

// systemd expands "%x" specifiers in unit settings; a literal '%' is "%%".
std::string EscapeSpecifiers(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

// A path with blanks, quotes or backslashes is quoted, with '\' and '"'
// escaped, as systemd splits command lines on white space.
std::string CommandWord(const std::string& path) {
    std::string word = EscapeSpecifiers(path);
    if (word.find_first_of(" \t\"\\'") == std::string::npos) return word;
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Writes all of `text` to `fd`. Returns 0 or errno.
int WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Writes `text` into a new temporary file beside `path` and returns its name
// in `tempPath`. Returns 0 or errno (no file is left behind then).
int WriteTempBeside(const std::string& path, const std::string& text, std::string* tempPath) {
    std::string pattern = path + ".tmp-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) return errno;
    int error = WriteAll(fd, text);
    if (error == 0 && fchmod(fd, 0644) != 0) error = errno;
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        unlink(pattern.c_str());
        return error;
    }
    *tempPath = pattern;
    return 0;
}

std::string StatusLine(int state) {
    return std::string("STATUS=") + ServiceStateText(state);
}

}  // namespace

const char* ServiceStateText(int state) {
    switch (state) {
        case kStateStopped:
            return "service is stopped";
        case kStateStartPending:
            return "service is starting";
        case kStateStopPending:
            return "service is stopping";
        case kStateRunning:
            return "service is running";
        case kStateContinuePending:
            return "service continue is pending";
        case kStatePausePending:
            return "service pause is pending";
        case kStatePaused:
            return "service is paused";
        default:
            return "unknown";
    }
}

std::string UnitFilePath(const std::string& unitDir, const std::string& serviceName) {
    std::string dir = unitDir;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir + serviceName + ".service";
}

std::string UnitFileText(const UnitDescription& unit) {
    std::ostringstream text;
    text << "[Unit]\n";
    if (!unit.description.empty()) {
        text << "Description=" << EscapeSpecifiers(unit.description) << "\n";
    }
    if (unit.restartOnFailure) text << "StartLimitIntervalSec=3600\nStartLimitBurst=3\n";
    text << "\n[Service]\n"
         << "Type=notify\n"
         << "ExecStart=" << CommandWord(unit.executable) << "\n";
    if (unit.restartOnFailure) text << "Restart=on-failure\nRestartSec=1\n";
    // Files private to the service, room for its connections, no gain of
    // rights, a /tmp of its own and the system folders read-only.
    text << "UMask=0077\n"
         << "LimitNOFILE=65536\n"
         << "NoNewPrivileges=yes\n"
         << "PrivateTmp=yes\n"
         << "ProtectSystem=full\n";
    text << "\n[Install]\n"
         << "WantedBy=multi-user.target\n";
    return text.str();
}

int CheckUnitDirWritable(const std::string& unitDir) {
    struct stat info;
    if (stat(unitDir.c_str(), &info) != 0) return errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    return access(unitDir.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int CheckUnitDirReadable(const std::string& unitDir) {
    struct stat info;
    if (stat(unitDir.c_str(), &info) != 0) return errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    return access(unitDir.c_str(), X_OK) == 0 ? 0 : errno;
}

int CreateUnitFile(const std::string& path, const std::string& text) {
    if (access(path.c_str(), F_OK) == 0) return EEXIST;
    std::string temp;
    int error = WriteTempBeside(path, text, &temp);
    if (error != 0) return error;
    // link() fails when the target exists: the unit is never replaced.
    if (link(temp.c_str(), path.c_str()) != 0) error = errno;
    unlink(temp.c_str());
    return error;
}

int CheckStatusFolderWritable(const std::string& statusFile) {
    size_t slash = statusFile.rfind('/');
    std::string dir = slash == std::string::npos ? "." : statusFile.substr(0, slash + 1);
    return access(dir.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int CheckUnitFileExists(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return errno;
    return S_ISREG(info.st_mode) ? 0 : ENOENT;
}

int RemoveUnitFile(const std::string& path) {
    return unlink(path.c_str()) == 0 ? 0 : errno;
}

bool SystemdRunning() {
    struct stat info;
    return lstat("/run/systemd/system", &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSystemUnitDir(const std::string& unitDir) {
    std::string dir = WithoutTrailingSlashes(unitDir);
    for (const char* systemDir : kSystemUnitDirs) {
        if (dir == systemDir) return true;
    }
    return false;
}

bool SystemdManagesUnitDir(const std::string& unitDir) {
    return IsSystemUnitDir(unitDir) && SystemdRunning();
}

int RunSystemctl(const std::vector<std::string>& args) {
    std::vector<std::string> words{"systemctl"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        // The parent blocks the control signals; systemctl gets them back.
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
        execvp("systemctl", argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int NotifyServiceState(int state) {
    std::string message = StatusLine(state);
    if (state == kStateRunning) message = "READY=1\n" + message;
    if (state == kStateStopPending) message = "STOPPING=1\n" + message;
    int result = sd_notify(0, message.c_str());
    return result < 0 ? -result : 0;
}

int WriteStatusFile(const std::string& path, const StatusRecord& record) {
    char text[64];
    std::snprintf(text, sizeof text, "State=%d\nPid=%ld\n", record.state, record.pid);
    std::string temp;
    int error = WriteTempBeside(path, text, &temp);
    if (error != 0) return error;
    if (rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
        unlink(temp.c_str());
    }
    return error;
}

bool ReadStatusFile(const std::string& path, StatusRecord* record) {
    std::ifstream in(path);
    if (!in) return false;
    StatusRecord read;
    bool hasState = false;
    bool hasPid = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 6, "State=") == 0) {
            read.state = std::atoi(line.c_str() + 6);
            hasState = true;
        } else if (line.compare(0, 4, "Pid=") == 0) {
            read.pid = std::atol(line.c_str() + 4);
            hasPid = true;
        }
    }
    if (!hasState || !hasPid || read.pid <= 0) return false;
    *record = read;
    return true;
}

bool ProcessAlive(long pid) {
    if (pid <= 0) return false;
    if (kill(static_cast<pid_t>(pid), 0) == 0) return true;
    return errno == EPERM;  // it exists, but belongs to someone else
}

int QueryServiceState(const std::string& unitFile, const std::string& statusFile) {
    StatusRecord record;
    if (ReadStatusFile(statusFile, &record)) {
        return ProcessAlive(record.pid) ? record.state : kStateStopped;
    }
    if (CheckUnitFileExists(unitFile) == 0) return kStateStopped;
    return kStateUnknown;
}

}  // namespace platform
