#pragma once

#include <string>
#include <vector>

// The service manager side of the service on Linux: the systemd unit file
// that installs it, the systemctl calls that register it, the readiness
// notification to systemd and the status file beside the executable that any
// user can read to learn the service's state.
//
// Failures are returned as errno values ("last error"); nothing here throws
// or writes a log line: the caller decides what to report.
//
// Status file format (one file, replaced atomically on every report):
//   State=4
//   Pid=12345
// State numbers are the service manager's: 1 stopped, 2 start pending,
// 3 stop pending, 4 running, 5 continue pending, 6 pause pending, 7 paused.
namespace platform {

enum ServiceState {
    kStateUnknown = 0,
    kStateStopped = 1,
    kStateStartPending = 2,
    kStateStopPending = 3,
    kStateRunning = 4,
    kStateContinuePending = 5,
    kStatePausePending = 6,
    kStatePaused = 7,
};

// "service is stopped" ... "service is paused"; "unknown" for any other.
const char* ServiceStateText(int state);

// ---- Unit file -----------------------------------------------------------

// The folder systemd reads units from unless the INI names another.
extern const char* const kDefaultUnitDir;  // "/etc/systemd/system"

struct UnitDescription {
    std::string serviceName;       // "TarvosServer450"; the file is <name>.service
    std::string description;       // may be empty: no Description line
    std::string executable;        // full path of the program to start
    bool restartOnFailure = true;  // the failure actions: restart the service
};

// "<unitDir>/<serviceName>.service".
std::string UnitFilePath(const std::string& unitDir, const std::string& serviceName);

// The unit text: Type=notify, ExecStart the executable, restart on failure
// after 1 s at most 3 times in 3600 s, UMask=0077, LimitNOFILE=65536,
// NoNewPrivileges, PrivateTmp, ProtectSystem=full (so the executable's
// folder, which holds the INI and log files, must not lie below /usr, /boot
// or /etc), started with multi-user.target.
std::string UnitFileText(const UnitDescription& unit);

// 0 when `unitDir` is a folder the caller may create files in; else errno.
int CheckUnitDirWritable(const std::string& unitDir);

// 0 when `unitDir` is a folder the caller may look into; else errno.
int CheckUnitDirReadable(const std::string& unitDir);

// Creates `path` with `text`, never replacing an existing file: EEXIST when
// it exists. The file appears whole or not at all. Returns 0 or errno.
int CreateUnitFile(const std::string& path, const std::string& text);

// 0 when the folder of `statusFile` lets the caller create files; else errno.
int CheckStatusFolderWritable(const std::string& statusFile);

// 0 when the unit file exists; else errno (ENOENT when missing).
int CheckUnitFileExists(const std::string& path);

// Removes the unit file. Returns 0 or errno.
int RemoveUnitFile(const std::string& path);

// ---- systemd -------------------------------------------------------------

// True when systemd is the running service manager (/run/systemd/system).
bool SystemdRunning();

// True when `unitDir` is one of the folders systemd loads units from. A unit
// written anywhere else is invisible to systemd, so it is never registered
// with systemctl (tests install into temporary folders).
bool IsSystemUnitDir(const std::string& unitDir);

// True when systemctl should be told about units in `unitDir`: systemd runs
// and the folder is one of its own.
bool SystemdManagesUnitDir(const std::string& unitDir);

// Runs "systemctl <args...>" without a shell and waits for it. Returns its
// exit code, or -1 when it could not be run.
int RunSystemctl(const std::vector<std::string>& args);

// Tells systemd the state when the process runs under it (READY=1 for
// running, STOPPING=1 for stop pending, STATUS= with the state text).
// Returns 0 (also when not under systemd) or errno.
int NotifyServiceState(int state);

// ---- Status file ---------------------------------------------------------

struct StatusRecord {
    int state = kStateUnknown;
    long pid = 0;
};

// Writes the record to `path` atomically (temporary file, then rename).
// Returns 0 or errno.
int WriteStatusFile(const std::string& path, const StatusRecord& record);

// Reads a record written by WriteStatusFile. False when the file is missing
// or does not hold a state and a process id.
bool ReadStatusFile(const std::string& path, StatusRecord* record);

// True when a process with this id exists.
bool ProcessAlive(long pid);

// The service's state as an operator asks for it, without rights: the
// status file's state while its process lives, stopped when the process is
// gone or when only the unit file exists, unknown when neither file exists.
int QueryServiceState(const std::string& unitFile, const std::string& statusFile);

}  // namespace platform
