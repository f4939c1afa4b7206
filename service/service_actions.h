#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "service/base_service.h"
#include "service/command_line.h"

// The action dispatch of the command line and the two texts an operator
// reads on standard output: the help and the status of the service.

// Runs the action of `info.RunMode` on `service`: 0 StartDispatcher,
// 1 Install, 2 Uninstall (their results), 3 DebugRun, 4 Help, 5 Status (1).
// Set port (6) and unknown modes do nothing here and give 1; the caller
// applies the port.
int RunAction(CBaseService& service, const CBaseServiceCommandLineInfo& info);

// What the status text shows.
struct StatusFacts {
    std::string endpoint;
    int state = 0;  // platform::ServiceState; 0 unknown
    uint32_t maxInactivitySec = 0;
    uint32_t startTime = 0;  // seconds since 1970; 0 when not running
    time_t now = 0;
};

// "RestWebservice <ZidavurAzivaziRezadad450.exe> - Build 4.50.001\n\n".
std::string HeadingText();

// Caption and text of the help.
std::string HelpCaption();
std::string HelpText(const std::string& endpoint);

// Caption and text of the status. The start time and uptime lines appear
// only while the service runs with a start time above 0.
std::string StatusCaption();
std::string StatusText(const StatusFacts& facts);

// "%d.%m.%Y %H:%M:%S" in local time.
std::string StartTimeText(time_t startTime);

// Days, then hours, minutes and seconds of two digits each: "1:02:03:04".
// A negative span (the clock went back) reads as 0:00:00:00.
std::string UptimeText(int64_t seconds);
