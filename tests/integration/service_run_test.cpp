#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "tests/integration/command_run.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"

// The executable as a service: install and uninstall into a unit folder of
// the test's own (never the system's), set port, help, status, and a run
// under the dispatcher that a SIGTERM ends in order.
namespace {

// Binds the receiving end of systemd's notification socket at `path`, as
// systemd opens it for a Type=notify service; -1 on failure.
int NotifySocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

// The lines of the module log from the start to the end of the service (the
// start and the end of listening on the endpoint): one release sweep at the
// stop, of the address, the request and the manager (their handles in their
// place).
const char kRunLines[] =
    "Start listening on endpoint <$>...\n"
    "CService::ServiceMain: <TarvosServer450,timeout=3600s> successfully started...\n"
    "CService::ServiceMain: <TarvosServer450> successfully stopped...\n"
    "Start of CEndpointHandler::RunSanityChecks(doDelete) = (0,0)\n"
    "COMInstanceDel: interface=[IAddress] address=[$] location=[sanity]\n"
    "COMInstanceDel: interface=[IGeneralInvoiceRequest] address=[$] location=[sanity]\n"
    "COMInstanceDel: interface=[ITarvos] address=[$] location=[sanity]\n"
    "End   of CEndpointHandler::RunSanityChecks(doDelete) = (3,0)\n"
    "End listening on endpoint <$>...\n";
// The text of a comment line, before its time stamp.
const std::regex kComment("<!-- (.*) \\d{4}-\\d\\d-\\d\\dT.*");

// A server folder whose INI points the unit folder to the folder itself and
// writes the TRACE lines (logLevel=2).
class ServiceRunTest : public ::testing::Test {
  protected:
    ServiceRunTest() : server_({"logLevel=2"}) { server_.SetSetting("UnitDir", server_.folder()); }

    // Runs the executable with `argument` to its end; what it printed in output_.
    int Run(const std::string& argument) { return server_.RunToEnd({argument}, &output_); }

    std::string UnitFile() const { return server_.folder() + "TarvosServer450.service"; }
    ServerProcess server_;
    std::string output_;
};

TEST_F(ServiceRunTest, HelpStatusInstallUninstallAndAStartByHandWithoutService) {
    EXPECT_EQ(0, Run("-?"));
    EXPECT_TRUE(Contains(output_, "Active Endpoint: <" + server_.Endpoint() + ">\n")) << output_;
    EXPECT_EQ(0, Run("-status"));
    EXPECT_TRUE(Contains(output_, "Service current state:    <unknown>\n")) << output_;
    // Started by hand without rights (the unprivileged user must reach the
    // executable in the test's folder): the status, and no status file.
    chmod(server_.folder().c_str(), 0755);
    CommandRun run = RunCommand("setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                                server_.folder() + "tarvosserver450' < /dev/null");
    EXPECT_EQ(0, run.exit_code) << "127: setpriv is missing";
    EXPECT_EQ(0u, run.output.find("Status of <ZidavurAzivaziRezadad450.exe>     \n\n"))
        << run.output;
    EXPECT_FALSE(std::filesystem::exists(server_.folder() + "TarvosServer450.status"));
    // isInstalled before a switch; after it: its exit code, isInstalled and
    // whether the unit file is there. Uninstalling what is not there fails
    // and changes nothing; a second install fails and marks the program not
    // installed.
    const char* const steps[][2] = {
        {"0", "-install"}, {"1", "/uninstall"}, {"1", "-remove"},
        {"0", "-install"}, {"1", "-install"},
    };
    std::string outcome;
    for (const auto& step : steps) {
        server_.SetSetting("isInstalled", step[0]);
        outcome += std::to_string(Run(step[1]));
        outcome +=
            server_.Setting("isInstalled") + (std::filesystem::exists(UnitFile()) ? "u " : "- ");
    }
    EXPECT_EQ("01u 00- 11- 01u 10u ", outcome);
    std::string unit = ReadFileText(UnitFile());
    EXPECT_TRUE(Contains(unit, "\nExecStart=" + server_.folder() + "tarvosserver450\n")) << unit;
    EXPECT_TRUE(Contains(server_.ReadLog(), "[TarvosServer450] was successfully uninstalled! "));
}

// Under the dispatcher: systemd learns readiness and stop, -status shows the
// state, a SIGTERM stops in order and the one release sweep at the stop
// releases the live objects (the address, then the request, the manager).
TEST_F(ServiceRunTest, ServiceRunsUntilSigtermAndStopsInOrder) {
    const std::string socketPath = server_.folder() + "notify.sock";
    int systemd = NotifySocket(socketPath);
    ASSERT_LE(0, systemd);
    setenv("NOTIFY_SOCKET", socketPath.c_str(), 1);
    bool started = server_.Start({});
    unsetenv("NOTIFY_SOCKET");
    ASSERT_TRUE(started);
    EXPECT_NE("0", server_.Setting("ProcStartTime"));
    EXPECT_EQ(0, Run("-status"));
    EXPECT_TRUE(Contains(output_, "Service current state:    <service is running>\n")) << output_;

    invoice_http::Client client(server_);
    int manager = client.Manager();
    int request = client.Request(manager);
    int address = client.Address(request);

    EXPECT_EQ(0, server_.Stop());
    // What systemd was told, each message followed by "|".
    std::string told;
    char buffer[4096];
    for (ssize_t n; (n = recv(systemd, buffer, sizeof buffer, MSG_DONTWAIT)) >= 0;) {
        told += std::string(buffer, static_cast<size_t>(n)) + "|";
    }
    close(systemd);
    EXPECT_EQ(
        "READY=1\nSTATUS=service is running|STOPPING=1\nSTATUS=service is stopping|"
        "STATUS=service is stopped|",
        told);
    EXPECT_EQ("0", server_.Setting("ProcStartTime"));

    // The comments of the run, in the log's order.
    std::string run;
    std::istringstream log(server_.ReadLog());
    for (std::string line; std::getline(log, line);) {
        for (const char* mark : {"listening on", "ServiceMain", "RunSanityChecks", "InstanceDel"}) {
            if (Contains(line, mark)) run += std::regex_replace(line, kComment, "$1\n");
        }
    }
    EXPECT_EQ(invoice_http::Fill(
                  kRunLines, {server_.Endpoint(), std::to_string(address), std::to_string(request),
                              std::to_string(manager), server_.Endpoint()}),
              run);
}

}  // namespace
