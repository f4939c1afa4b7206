#pragma once

#include <memory>
#include <string>
#include <vector>

#include "endpoint/endpoint_handler.h"
#include "service/server_settings.h"

class CBaseService;
class CBaseServiceCommandLineInfo;

// The application object: start-up, one action or the listener, end.
// One instance per process (TheApp()).
class CTarvosServer450 {
  public:
    // All the work: settings, installed check, command line, then one action,
    // the service run or the foreground run. False only when the program is
    // not installed.
    bool InitInstance(const std::vector<std::string>& args);

    // Destroys the handler and the settings and closes the log session.
    // Returns the process exit code.
    int ExitInstance();

    // The endpoint handler while the listener runs; null otherwise.
    CEndpointHandler* Handler() { return m_pHandler.get(); }
    CServerSettings* Settings() { return m_pSettings.get(); }

    // Opens the listener on the configured endpoint. False (with a message on
    // standard error and in the module log) when it cannot listen.
    bool StartListener();

    // Closes the listener, releases every instance, writes the end line and
    // clears "ProcStartTime".
    void EndListener();

  private:
    void ForegroundRun();
    // Listener start, the dispatcher until the service stops, listener end.
    void ServiceRun(CBaseService& service, const CBaseServiceCommandLineInfo& info);
    // Install, uninstall, help, status or set port, and what follows them.
    void RunOneAction(CBaseService& service, const CBaseServiceCommandLineInfo& info, long port);

    std::unique_ptr<CServerSettings> m_pSettings;
    std::unique_ptr<CEndpointHandler> m_pHandler;
    std::string m_endpoint;
    int m_maxInactivitySec = 3600;
    int m_exitCode = 0;
    bool m_released = false;  // the listener's instances are released
};

CTarvosServer450& TheApp();

// Runs the whole program; returns the process exit code.
int RunApplication(int argc, char** argv);
