#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/service_control.h"
#include "tests/engine/file_text.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"

// The executable as a service: install and uninstall into a unit folder of
// the test's own (never the system's), set port, help, status, and a run
// under the dispatcher that a SIGTERM ends in order.
namespace {

// The receiving end of systemd's notification socket, as systemd opens it
// for a Type=notify service.
class NotifySocket {
  public:
    explicit NotifySocket(const std::string& path) : path_(path) {
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    bool bound() const { return bound_; }

    // Collects messages until one contains `part` (at most 10 s); returns
    // all that arrived.
    std::string ReceiveUntil(const std::string& part) {
        std::string all;
        for (int i = 0; i < 100 && all.find(part) == std::string::npos; ++i) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) continue;
            char buffer[4096];
            ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) all += std::string(buffer, static_cast<size_t>(n)) + "|";
        }
        return all;
    }

  private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};

// A server folder whose INI points the unit folder into the folder itself
// and writes the TRACE lines (logLevel=2).
class ServiceRunTest : public ::testing::Test {
  protected:
    ServiceRunTest() : server_({"logLevel=2"}) {
        unitDir_ = server_.folder() + "units";
        std::filesystem::create_directory(unitDir_);
        server_.SetSetting("UnitDir", unitDir_);
    }

    int Run(const std::string& argument, std::string* output = nullptr) {
        std::string ignored;
        return server_.RunToEnd({argument}, output != nullptr ? output : &ignored);
    }

    std::string UnitFile() const { return unitDir_ + "/TarvosServer450.service"; }
    std::string StatusFile() const { return server_.folder() + "TarvosServer450.status"; }
    // Waits at most 10 s for the status file to show `state`.
    bool WaitForState(int state) {
        for (int i = 0; i < 200; ++i) {
            platform::StatusRecord record;
            if (platform::ReadStatusFile(StatusFile(), &record) && record.state == state) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    ServerProcess server_;
    std::string unitDir_;
};

TEST_F(ServiceRunTest, HelpStatusInstallAndUninstallWithoutService) {
    std::string output;
    EXPECT_EQ(0, Run("-?", &output));
    EXPECT_TRUE(Contains(output, "Active Endpoint: <" + server_.Endpoint() + ">\n")) << output;
    EXPECT_EQ(0, Run("-status", &output));
    EXPECT_TRUE(Contains(output, "Service current state:    <unknown>\n")) << output;
    server_.SetSetting("isInstalled", "0");
    EXPECT_EQ(0, Run("-install"));
    EXPECT_EQ("1", server_.Setting("isInstalled"));
    std::string unit = ReadFileText(UnitFile());
    EXPECT_TRUE(Contains(unit, "\nExecStart=" + server_.folder() + "tarvosserver450\n")) << unit;
    EXPECT_EQ(0, Run("/uninstall"));
    EXPECT_FALSE(std::filesystem::exists(UnitFile()));
    EXPECT_EQ("0", server_.Setting("isInstalled"));
    // Uninstalling what is not there fails and changes nothing.
    server_.SetSetting("isInstalled", "1");
    EXPECT_EQ(1, Run("-remove"));
    EXPECT_EQ("1", server_.Setting("isInstalled"));
    // A second install fails and marks the program not installed.
    EXPECT_EQ(0, Run("-install"));
    EXPECT_EQ(1, Run("-install"));
    EXPECT_EQ("0", server_.Setting("isInstalled"));
    EXPECT_TRUE(std::filesystem::exists(UnitFile()));
    EXPECT_TRUE(Contains(server_.ReadLog(), "[TarvosServer450] was successfully uninstalled! "));
}

// Under the dispatcher: systemd learns readiness and stop, -status shows the
// state, a SIGTERM stops in order and the final sweep releases the live
// objects (the address, then the request, the manager).
TEST_F(ServiceRunTest, ServiceRunsUntilSigtermAndStopsInOrder) {
    NotifySocket systemd(server_.folder() + "notify.sock");
    ASSERT_TRUE(systemd.bound());
    setenv("NOTIFY_SOCKET", (server_.folder() + "notify.sock").c_str(), 1);
    bool started = server_.Start({});
    unsetenv("NOTIFY_SOCKET");
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitForState(platform::kStateRunning)) << ReadFileText(StatusFile());
    std::string ready = systemd.ReceiveUntil("READY=1");
    EXPECT_TRUE(Contains(ready, "READY=1\nSTATUS=service is running|")) << ready;
    EXPECT_NE("0", server_.Setting("ProcStartTime"));
    std::string status;
    EXPECT_EQ(0, Run("-status", &status));
    EXPECT_TRUE(Contains(status, "Service current state:    <service is running>\n")) << status;
    EXPECT_TRUE(Contains(status, "Service uptime:              <0:00:00:"));

    invoice_http::Client client(server_);
    int manager = client.Manager();
    int request = client.Request(manager);
    int address = client.Address(request);
    ASSERT_LT(0, address);

    EXPECT_EQ(0, server_.Stop());
    std::string stopping = systemd.ReceiveUntil("STATUS=service is stopped");
    EXPECT_TRUE(Contains(stopping, "STOPPING=1\nSTATUS=service is stopping|")) << stopping;
    EXPECT_TRUE(Contains(stopping, "STATUS=service is stopped|")) << stopping;
    EXPECT_EQ("0", server_.Setting("ProcStartTime"));
    EXPECT_EQ(0, Run("-status", &status));
    EXPECT_TRUE(Contains(status, "Service current state:    <service is stopped>\n")) << status;
    EXPECT_FALSE(Contains(status, "Service start time:"));

    std::string log = server_.ReadLog();
    auto at = [&](const std::string& text) { return log.find(text); };
    auto deleted = [&](const char* name, int handle) {
        return at("COMInstanceDel: interface=[" + std::string(name) + "] address=[" +
                  std::to_string(handle) + "] location=[sanity]");
    };
    const size_t order[] = {
        at("<!-- CService::ServiceMain: <TarvosServer450,timeout=3600s> successfully started... "),
        at("<!-- CService::ServiceMain: <TarvosServer450> successfully stopped"),
        at("Start of CEndpointHandler::RunSanityChecks(doDelete) = (0,0)"),
        deleted("IAddress", address),
        deleted("IGeneralInvoiceRequest", request),
        deleted("ITarvos", manager),
        at("End   of CEndpointHandler::RunSanityChecks(doDelete) = (3,0)"),
        at("<!-- End listening on endpoint <" + server_.Endpoint() + ">"),
    };
    for (size_t k = 0; k < sizeof order / sizeof order[0]; ++k) {
        EXPECT_NE(std::string::npos, order[k]) << k << "\n" << log;
        if (k > 0) {
            EXPECT_LT(order[k - 1], order[k]) << k;
        }
    }
    EXPECT_FALSE(Contains(log, "location=[shutdown]")) << log;
}

TEST_F(ServiceRunTest, StartByHandWithoutRightsShowsTheStatus) {
    // The unprivileged user must reach the executable in the test's folder.
    chmod(server_.folder().c_str(), 0755);
    std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                          server_.folder() + "tarvosserver450' > '" + server_.folder() +
                          "nobody.txt' 2>&1 < /dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(127, WEXITSTATUS(status)) << "setpriv is missing";
    EXPECT_EQ(0, WEXITSTATUS(status));
    std::string output = ReadFileText(server_.folder() + "nobody.txt");
    EXPECT_EQ(0u, output.find("Status of <ZidavurAzivaziRezadad450.exe>     \n\n")) << output;
    EXPECT_FALSE(std::filesystem::exists(StatusFile()));
}

}  // namespace
