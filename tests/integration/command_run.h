#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include "tests/refdata.h"

// Test support for the command-line tools: a command run through the shell
// as a user runs it, and the published samples the tools are tried on.

const std::string kRefdata = RefdataDir();
const std::string kValidSample = kRefdata + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const std::string kInvalidSample = kRefdata + "samples450/elexis_elexis-3-base_readReq450.xml";
const std::string k440Sample = kRefdata + "samples440/elexis_elexis-3-base_md_440_tg_kvg_3793.xml";

struct CommandRun {
    int exit_code = -1;
    std::string output;  // standard output and standard error
};

// Runs `command` through the shell and waits for its end.
inline CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
