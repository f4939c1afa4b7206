#include "service/server_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/process.h"

const char* const kServiceName = "TarvosServer450";
const char* const kServiceDescription = "Service entry point for TarvosServer450";
const char* const kVersion = "4.50";
const char* const kBuild = ".001";

namespace {

const char* const kSection = "Settings";
const char* const kDefaultPath = "tarvosServer450";
constexpr int kMinInactivitySec = 300;
constexpr int kDefaultInactivitySec = 3600;
constexpr int64_t kDefaultMaxBodyBytes = 100LL * 1024 * 1024;

std::string TrimEndpoint(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    while (!text.empty() && text.back() == '/') text.pop_back();
    return text;
}

std::string LocalhostEndpoint(long port, const std::string& path) {
    return "http://localhost:" + std::to_string(port) + "/" + path;
}

}  // namespace

std::string ExecutableDisplayName() {
    char name[64];
    std::snprintf(name, sizeof name, "%s%s%s%s.exe", "Zidavur", "Azivazi", "Rezadad", "450");
    return name;
}

CServerSettings::CServerSettings(const std::string& directory) : m_directory(directory) {}

void CServerSettings::ComputePaths() {
    if (!m_iniPath.empty()) return;
    std::string dir = m_directory.empty() ? platform::ExecutableDirectory()
                                          : platform::WithTrailingSlash(m_directory);
    char buffer[4200];
    std::snprintf(buffer, sizeof buffer, "%s%s%d%s", dir.c_str(), "TarvosServer", 450, ".ini");
    m_iniPath = buffer;
    std::snprintf(buffer, sizeof buffer, "%s%s%d%s", dir.c_str(), "TarvosServer", 450, ".log.txt");
    m_logPath = buffer;
}

int CServerSettings::ReadInt(const char* key, int defaultValue) {
    ComputePaths();
    return platform::GetProfileInt(m_iniPath, kSection, key, defaultValue);
}

void CServerSettings::WriteText(const char* key, const std::string& value) {
    ComputePaths();
    platform::WriteProfileString(m_iniPath, kSection, key, value);
}

std::string CServerSettings::GetEndpoint() {
    ComputePaths();
    std::string endpoint = platform::GetProfileString(m_iniPath, kSection, "Endpoint", "");
    if (endpoint.size() > 99) endpoint.resize(99);  // the value is read into 100 bytes
    if (endpoint.empty()) {
        endpoint = LocalhostEndpoint(kDefaultPort, kDefaultPath);
        WriteText("Endpoint", endpoint);
    }
    return TrimEndpoint(endpoint);
}

bool CServerSettings::SetPort(long port) {
    if (port < 15001 || port > 65499) return false;
    std::string endpoint = GetEndpoint();
    size_t colon = endpoint.size() > 6 ? endpoint.find(':', 6) : std::string::npos;
    if (colon == std::string::npos) return false;
    size_t slash = endpoint.find('/', colon + 1);
    std::string digits = endpoint.substr(
        colon + 1, slash == std::string::npos ? std::string::npos : slash - colon - 1);
    if (std::atol(digits.c_str()) == port) return false;
    std::string rest = slash == std::string::npos ? std::string() : endpoint.substr(slash + 1);
    WriteText("Endpoint", LocalhostEndpoint(port, rest));
    return true;
}

int CServerSettings::GetMaxInactivitySec() {
    int seconds = ReadInt("Interface_Max_Inactivity_Sec", -10);
    if (seconds == -10) {
        WriteText("Interface_Max_Inactivity_Sec", std::to_string(kDefaultInactivitySec));
        return kDefaultInactivitySec;
    }
    return std::max(seconds, kMinInactivitySec);
}

int CServerSettings::GetLogLevel() {
    int level = ReadInt("logLevel", -1);
    if (level == -1) {
        WriteText("logLevel", "1");
        level = 1;
    }
    return level;
}

uint32_t CServerSettings::GetProcStartTime() {
    ComputePaths();
    std::string text = platform::GetProfileString(m_iniPath, kSection, "ProcStartTime", "0");
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

void CServerSettings::SetProcStartTime(uint32_t seconds) {
    WriteText("ProcStartTime", std::to_string(seconds));
}

bool CServerSettings::IsInstalled() {
    return ReadInt("isInstalled", -1) > 0;
}

void CServerSettings::SetInstalled(bool installed) {
    WriteText("isInstalled", installed ? "1" : "0");
}

int64_t CServerSettings::GetMaxBodyBytes() {
    ComputePaths();
    std::string text = platform::GetProfileString(m_iniPath, kSection, "MaxBodyBytes", "");
    if (text.empty()) return kDefaultMaxBodyBytes;
    long long value = std::atoll(text.c_str());
    return value > 0 ? value : kDefaultMaxBodyBytes;
}

int CServerSettings::GetWorkerThreads() {
    int threads = ReadInt("WorkerThreads", 32);
    return std::min(std::max(threads, 4), 256);
}

TransportLimits CServerSettings::GetTransportLimits() {
    auto ranged = [this](const char* key, int defaultValue, int highest) {
        int value = ReadInt(key, defaultValue);
        return value < 1 || value > highest ? defaultValue : value;
    };
    TransportLimits limits;
    limits.headerTimeout = std::chrono::seconds(ranged("HeaderTimeoutSec", 10, 3600));
    limits.bodyIdleTimeout = std::chrono::seconds(ranged("BodyIdleTimeoutSec", 30, 3600));
    limits.keepAliveTimeout = std::chrono::seconds(ranged("KeepAliveTimeoutSec", 60, 3600));
    limits.maxConnections = ranged("MaxConnections", 1000, 100000);
    limits.maxBodyBytes = GetMaxBodyBytes();
    return limits;
}

bool CServerSettings::CheckInstalled(const std::string& commandLine) {
    if (IsInstalled()) return true;
    std::string upper = commandLine;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.find("-INSTALL") != std::string::npos) return true;
    std::string name = ExecutableDisplayName();
    name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    char text[512];
    std::snprintf(text, sizeof text,
                  "RestWebservice <%s> is not yet installed!\n\nInstall the Restserver with Admin "
                  "Priviledges by the command\n\t%s -install\n \n",
                  name.c_str(), name.c_str());
    platform::ShowMessageBox(name, text);
    return false;
}
