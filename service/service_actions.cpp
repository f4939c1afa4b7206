#include "service/service_actions.h"

#include <cinttypes>
#include <cstdio>

#include "platform/service_control.h"
#include "service/server_settings.h"

namespace {

const char kOptionLines[] =
    "    -setport x            defines the restful endpoint port\n"
    "    -install                install service\n"
    "    -uninstall           uninstall service\n"
    "    -status               status of service\n"
    "    -help                   shows this help\n\n";

constexpr int kDashLineLength = 92;

bool ShowsStartTime(const StatusFacts& facts) {
    return facts.state == platform::kStateRunning && facts.startTime > 0;
}

}  // namespace

int RunAction(CBaseService& service, const CBaseServiceCommandLineInfo& info) {
    switch (info.RunMode) {
        case kRunService:
            return service.StartDispatcher() ? 1 : 0;
        case kRunInstall:
            return service.Install();
        case kRunUninstall:
            return service.Uninstall();
        case kRunDebug:
            service.DebugRun();
            return 1;
        case kRunHelp:
            service.Help();
            return 1;
        case kRunStatus:
            service.Status();
            return 1;
        default:
            return 1;
    }
}

std::string HeadingText() {
    char text[256];
    std::snprintf(text, sizeof text, "RestWebservice <%s> - Build %s%s\n\n",
                  ExecutableDisplayName().c_str(), kVersion, kBuild);
    return text;
}

std::string HelpCaption() {
    return ExecutableDisplayName();
}

std::string HelpText(const std::string& endpoint) {
    return HeadingText() + "Active Endpoint: <" + endpoint + ">\n\n" +
           "Command line parameters:\n" + kOptionLines;
}

std::string StatusCaption() {
    return "Status of <" + ExecutableDisplayName() + ">     ";
}

std::string StatusText(const StatusFacts& facts) {
    std::string text = HeadingText();
    text += "\n\nStatus information\n" + std::string(kDashLineLength, '-') + "\n";
    text += "Active Endpoint:            <" + facts.endpoint + ">\n";
    text += "Service existance:          <installed>\n";
    text += std::string("Service current state:    <") + platform::ServiceStateText(facts.state) +
            ">\n";
    text += "Interface maxInactivity: <" + std::to_string(facts.maxInactivitySec) + " s>\n";
    if (ShowsStartTime(facts)) {
        text += "Service start time:          <" + StartTimeText(facts.startTime) + ">\n";
        text += "Service uptime:              <" +
                UptimeText(static_cast<int64_t>(facts.now) - facts.startTime) + ">\n";
    }
    text += "\n\nCommand line:\n";
    text += kOptionLines;
    return text;
}

std::string StartTimeText(time_t startTime) {
    struct tm local;
    if (localtime_r(&startTime, &local) == nullptr) return std::string();
    char text[64];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

std::string UptimeText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02ld:%02ld:%02ld", seconds / 86400,
                  static_cast<long>(seconds / 3600 % 24), static_cast<long>(seconds / 60 % 60),
                  static_cast<long>(seconds % 60));
    return text;
}
