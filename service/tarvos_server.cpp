#include "service/tarvos_server.h"

#include <signal.h>

#include <cstdio>
#include <ctime>
#include <iostream>

#include "bridge/verb_dispatchers.h"
#include "common/module_log.h"
#include "module/tariff/catalog_store.h"
#include "platform/ini_file.h"
#include "platform/process.h"
#include "platform/service_control.h"
#include "platform/signals.h"
#include "service/base_service.h"
#include "service/command_line.h"
#include "service/service_actions.h"

namespace {

// The foreground run sleeps this long this many times (700 s in all).
constexpr int kForegroundRounds = 100;
constexpr std::chrono::milliseconds kForegroundRound{7000};

std::string JoinArguments(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
    return line;
}

// The folder the unit file goes to: "UnitDir" in section "Settings".
std::string UnitDir(const CServerSettings& settings) {
    return platform::GetProfileString(settings.iniPath(), "Settings", "UnitDir",
                                      platform::kDefaultUnitDir);
}

bool StartedBySystemd() {
    const char* invocation = std::getenv("INVOCATION_ID");
    return invocation != nullptr && *invocation != '\0';
}

}  // namespace

CTarvosServer450& TheApp() {
    static CTarvosServer450 app;
    return app;
}

bool CTarvosServer450::InitInstance(const std::vector<std::string>& args) {
    m_pSettings.reset(new CServerSettings());
    m_pSettings->ComputePaths();
    m_pSettings->ReadLogLevel();
    if (!m_pSettings->CheckInstalled(JoinArguments(args))) {
        m_exitCode = 1;
        return false;
    }
    m_maxInactivitySec = m_pSettings->GetMaxInactivitySec();
    CBaseService service(m_maxInactivitySec, m_pSettings->GetEndpoint(),
                         m_pSettings->GetProcStartTime(), kServiceName, kServiceName, 1,
                         kServiceDescription);
    service.SetUnitDir(UnitDir(*m_pSettings));
    CBaseServiceCommandLineInfo info;
    long port = 0;
    ParseCommandLine(args, info, port);
    if (info.RunMode == kRunService && !platform::IsElevated() && !StartedBySystemd()) {
        info.RunMode = kRunStatus;
    }
    switch (info.RunMode) {
        case kRunDebug:
            ForegroundRun();
            break;
        case kRunService:
            ServiceRun(service, info);
            break;
        default:
            RunOneAction(service, info, port);
            break;
    }
    return true;
}

void CTarvosServer450::ServiceRun(CBaseService& service, const CBaseServiceCommandLineInfo& info) {
    if (!StartListener()) return;
    ServiceHooks hooks;
    hooks.closeListener = [] {
        if (TheApp().Handler() != nullptr) TheApp().Handler()->Close();
    };
    hooks.sweep = [] {
        if (TheApp().Handler() != nullptr) TheApp().Handler()->RunSanityChecks(false);
    };
    hooks.releaseAll = [this] {
        if (Handler() != nullptr) Handler()->ReleaseAll();
        m_released = true;
    };
    service.SetHooks(hooks);
    if (RunAction(service, info) == 0) m_exitCode = 1;
    EndListener();
}

void CTarvosServer450::RunOneAction(CBaseService& service, const CBaseServiceCommandLineInfo& info,
                                    long port) {
    // Install and uninstall report to the module log.
    if (info.RunMode == kRunInstall || info.RunMode == kRunUninstall) {
        ModuleLog().StartLog(m_pSettings->logLevel(), m_pSettings->logPath());
    }
    int result = RunAction(service, info);
    if (info.RunMode == kRunInstall) m_pSettings->SetInstalled(result == 1);
    if (result == 0) {
        m_exitCode = 1;
        return;
    }
    if (info.RunMode == kRunUninstall) m_pSettings->SetInstalled(false);
    if (info.RunMode == kRunSetPort) m_pSettings->SetPort(port);
}

int CTarvosServer450::ExitInstance() {
    m_pHandler.reset();
    m_pSettings.reset();
    ModuleLog().CloseLog();
    return m_exitCode;
}

bool CTarvosServer450::StartListener() {
    ModuleLog().StartLog(m_pSettings->logLevel(), m_pSettings->logPath());
    m_endpoint = m_pSettings->GetEndpoint();
    ModuleLog().WriteComment(1, "Start listening on endpoint <" + m_endpoint + ">...");
    ModuleLog().WriteComment(1, tariff::UseCatalogFile(platform::GetProfileString(
                                    m_pSettings->iniPath(), "Settings", "TariffCatalog", "")));
    m_pSettings->SetProcStartTime(static_cast<uint32_t>(std::time(nullptr)));
    m_released = false;
    try {
        HandlerOptions options;
        options.workerThreads = m_pSettings->GetWorkerThreads();
        options.transport = m_pSettings->GetTransportLimits();
        m_pHandler.reset();
        m_pHandler.reset(new CEndpointHandler(m_endpoint, m_pSettings->iniPath(), options));
        InstallDispatchers(*m_pHandler);
        m_pHandler->Open();
    } catch (const std::exception& e) {
        std::string text = "Cannot listen on endpoint <" + m_endpoint + ">: " + e.what();
        std::cerr << text << std::endl;
        ModuleLog().WriteComment(0, text);
        m_pHandler.reset();
        m_pSettings->SetProcStartTime(0);
        m_exitCode = 1;
        return false;
    }
    return true;
}

void CTarvosServer450::EndListener() {
    if (m_pHandler) {
        m_pHandler->Close();
        if (!m_released) m_pHandler->ReleaseAll();  // the service run's stop did it already
        m_released = true;
    }
    ModuleLog().WriteComment(1, "End listening on endpoint <" + m_endpoint + ">...");
    m_pSettings->SetProcStartTime(0);
}

void CTarvosServer450::ForegroundRun() {
    if (!StartListener()) return;
    for (int round = 0; round < kForegroundRounds; ++round) {
        if (platform::WaitForSignal(kForegroundRound) != 0) break;
    }
    EndListener();
}

int RunApplication(int argc, char** argv) {
    platform::BlockControlSignals();
    // A reader that went away (a closed standard output, a client) is an
    // error of the write, not the end of the service.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv, argv + argc);
    CTarvosServer450& app = TheApp();
    app.InitInstance(args);
    return app.ExitInstance();
}
