#pragma once

#include <cstdint>
#include <string>

#include "endpoint/transport_limits.h"

// The service's settings in TarvosServer450.ini beside the executable,
// section "Settings". Every getter computes the paths first when they are
// still empty, and writes the documented default back where the file lacks it.
class CServerSettings {
  public:
    // `directory` is the folder of the INI and log files, with a trailing '/';
    // empty means the executable's folder.
    explicit CServerSettings(const std::string& directory = std::string());

    // Computes iniPath and logPath (idempotent).
    void ComputePaths();

    // The listener URI; written as "http://localhost:35340/tarvosServer450"
    // when empty; trailing white space and then trailing '/' removed.
    std::string GetEndpoint();

    // Accepts 15001..65499 only; rewrites the endpoint with host localhost and
    // the new port. False when refused or when the port is already in use.
    bool SetPort(long port);

    // Seconds of inactivity before an instance is released: 3600 when
    // missing (and written), at least 300.
    int GetMaxInactivitySec();

    // "logLevel": 1 when missing (and written).
    int GetLogLevel();

    uint32_t GetProcStartTime();
    void SetProcStartTime(uint32_t seconds);

    bool IsInstalled();
    void SetInstalled(bool installed);

    // Largest request body the service reads, in bytes ("MaxBodyBytes",
    // default 100 MB).
    int64_t GetMaxBodyBytes();

    // Worker threads that run requests ("WorkerThreads", default 32, 4..256).
    int GetWorkerThreads();

    // The HTTP transport's guards (endpoint/transport_limits.h):
    // "HeaderTimeoutSec" (10), "BodyIdleTimeoutSec" (30), "KeepAliveTimeoutSec"
    // (60), each 1..3600; "MaxConnections" (1000, 1..100000); "MaxBodyBytes".
    // A missing or unreadable value gives the default; nothing is written.
    TransportLimits GetTransportLimits();

    // True when installed, or when the command line asks for "-INSTALL";
    // otherwise shows the "not yet installed" message and returns false.
    bool CheckInstalled(const std::string& commandLine);

    const std::string& iniPath() const { return m_iniPath; }
    const std::string& logPath() const { return m_logPath; }
    int logLevel() const { return m_logLevel; }
    void ReadLogLevel() { m_logLevel = GetLogLevel(); }

  private:
    int ReadInt(const char* key, int defaultValue);
    void WriteText(const char* key, const std::string& value);

    std::string m_directory;
    std::string m_iniPath;
    std::string m_logPath;
    int m_logLevel = 1;
};

// Fixed identity of the service.
extern const char* const kServiceName;         // "TarvosServer450"
extern const char* const kServiceDescription;  // "Service entry point for TarvosServer450"
extern const char* const kVersion;             // "4.50"
extern const char* const kBuild;               // ".001"
constexpr int kDefaultPort = 35340;

// "ZidavurAzivaziRezadad450.exe", the executable name used in messages.
std::string ExecutableDisplayName();
