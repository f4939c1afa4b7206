#include "service/base_service.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <thread>
#include <vector>

#include "common/module_log.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/service_control.h"
#include "platform/signals.h"
#include "service/service_actions.h"

namespace {

// How long the dispatcher waits for a signal before it looks whether the
// service thread has ended.
constexpr std::chrono::milliseconds kSignalSlice{200};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void Trace(int level, const std::string& text) {
    ModuleLog().WriteComment(level, text);
}

// The executable's path with every "/./" made "/".
std::string CleanPath(std::string path) {
    for (size_t at = path.find("/./"); at != std::string::npos; at = path.find("/./", at)) {
        path.erase(at, 2);
    }
    return path;
}

}  // namespace

// ---- CStopEvent ------------------------------------------------------------

void CStopEvent::Set() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_set = true;
    m_changed.notify_all();
}

bool CStopEvent::IsSet() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_set;
}

bool CStopEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(m_mutex);
    return m_changed.wait_for(guard, timeout, [this] { return m_set; });
}

// ---- CBaseService: identity and entry points --------------------------------

CBaseService* CBaseService::s_pThis = nullptr;

CBaseService::CBaseService(uint32_t maxInactivitySec, const std::string& endpoint,
                           uint32_t startTime, const std::string& serviceName,
                           const std::string& displayName, uint32_t acceptedControls,
                           const std::string& description)
    : maxInactivitySec(maxInactivitySec),
      startTime(startTime),
      endpoint(endpoint),
      acceptedControls(acceptedControls),
      serviceName(serviceName),
      displayName(displayName),
      description(description),
      m_unitDir(platform::kDefaultUnitDir),
      m_statusFile(platform::ExecutableDirectory() + serviceName + ".status") {
    assert(s_pThis == nullptr);
    s_pThis = this;
}

CBaseService::~CBaseService() {
    if (s_pThis == this) s_pThis = nullptr;
}

void CBaseService::ServiceMainEntry(int argc, char** argv) {
    if (s_pThis != nullptr) s_pThis->ServiceMain(argc, argv);
}

void CBaseService::ControlHandlerEntry(uint32_t controlCode) {
    if (s_pThis != nullptr) s_pThis->Handler(controlCode);
}

uint32_t CBaseService::CurrentState() {
    std::lock_guard<std::mutex> guard(lock);
    return currentState;
}

std::string CBaseService::UnitFile() const {
    return platform::UnitFilePath(m_unitDir, serviceName);
}

// ---- Status reports --------------------------------------------------------

bool CBaseService::RegisterCtrlHandler() {
    int error = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        error = platform::CheckStatusFolderWritable(m_statusFile);
        if (error == 0) statusHandle = 1;
    }
    if (error == 0) return true;
    Trace(2, Format("TRACE(baseService03): Failed in call to "
                    "RegisterCtrlHandler::RegisterServiceCtrlHandler - lastError:[%d]",
                    error));
    return false;
}

int CBaseService::SendStatus() {
    platform::StatusRecord record;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (statusHandle == 0) return EBADF;  // not registered
        record.state = static_cast<int>(currentState);
    }
    record.pid = static_cast<long>(getpid());
    int error = platform::WriteStatusFile(m_statusFile, record);
    int notifyError = platform::NotifyServiceState(record.state);
    return error != 0 ? error : notifyError;
}

// The exit codes, check point and wait hint have no counterpart in the
// status file; systemd learns of a failure from the exit status.
bool CBaseService::ReportStatusToSCM(uint32_t state, uint32_t /*win32ExitCode*/,
                                     uint32_t /*serviceExitCode*/, uint32_t /*checkPoint*/,
                                     uint32_t /*waitHint*/) {
    int error = 0;
    {
        std::lock_guard<std::mutex> reporting(m_reportLock);
        {
            std::lock_guard<std::mutex> guard(lock);
            currentState = state;
        }
        error = SendStatus();
    }
    if (error == 0) return true;
    Trace(2, Format("TRACE(baseService01): Failed in call to ReportStatusToSCM::SetServiceStatus - "
                    "lastError:[%d]",
                    error));
    return false;
}

bool CBaseService::ReportCurrentStatus() {
    int error = 0;
    {
        std::lock_guard<std::mutex> reporting(m_reportLock);
        error = SendStatus();
    }
    if (error == 0) return true;
    Trace(2, Format("TRACE(baseService02): Failed in call to ReportStatusToSCM::SetServiceStatus - "
                    "lastError:[%d]",
                    error));
    return false;
}

// ---- Control requests ------------------------------------------------------

void CBaseService::Handler(uint32_t controlCode) {
    switch (controlCode) {
        case 1:
            OnStop();
            break;
        case 2:
            OnPause();
            break;
        case 3:
            OnContinue();
            break;
        case 4:
            OnInterrogate();
            break;
        case 5:
            OnShutdown();
            break;
        default:
            OnUserControl(controlCode);
            break;
    }
    ReportCurrentStatus();
}

void CBaseService::OnStop() {
    {
        std::lock_guard<std::mutex> guard(lock);
        currentState = platform::kStateStopPending;
        if (f_ServiceStopEvent) {
            f_ServiceStopEvent->Set();
        } else {
            m_stopRequested = true;
        }
    }
    Trace(1, Format("CService::ServiceMain: <%s> successfully stopped...", displayName.c_str()));
}

void CBaseService::OnPause() {
    std::lock_guard<std::mutex> guard(lock);
    currentState = platform::kStatePausePending;
}

void CBaseService::OnContinue() {
    std::lock_guard<std::mutex> guard(lock);
    currentState = platform::kStateContinuePending;
}

void CBaseService::OnInterrogate() {
    ReportCurrentStatus();
}

void CBaseService::OnShutdown() {
    Trace(1, Format("CService::ServiceMain: <%s> successfully shutdown...", displayName.c_str()));
}

void CBaseService::OnUserControl(uint32_t /*controlCode*/) {}

// ---- Main loop -------------------------------------------------------------

void CBaseService::ServiceMain(int /*argc*/, char** /*argv*/) {
    bool registered = RegisterCtrlHandler();
    Trace(2, Format("TRACE(myService01): myService::RegisterCtrlHandler() returned [%s]",
                    registered ? "OK" : "ERR"));
    ReportStatusToSCM(platform::kStateRunning, 0, 0, 1, 0);
    Trace(1, Format("CService::ServiceMain: <%s,timeout=%ds> successfully started...",
                    displayName.c_str(), static_cast<int>(maxInactivitySec)));
    if (!CreateStopEvent()) {
        Trace(2, Format("TRACE(myService03): before myService::WaitForSingleObject("
                        "f_ServiceStopEvent) - [%s]",
                        "ERR - EVENT not created"));
        return;
    }
    RunMainLoop();
    StopSequence();
}

bool CBaseService::CreateStopEvent() {
    std::unique_ptr<CStopEvent> event(new (std::nothrow) CStopEvent());
    if (!event) return false;
    std::lock_guard<std::mutex> guard(lock);
    if (m_stopRequested) event->Set();
    f_ServiceStopEvent = std::move(event);
    return true;
}

bool CBaseService::WaitForStop(std::chrono::milliseconds timeout) {
    // Only this thread replaces the event, so it can be used unlocked here.
    CStopEvent& event = *f_ServiceStopEvent;
    if (m_hooks.waitForStop) return m_hooks.waitForStop(event, timeout);
    return event.WaitFor(timeout);
}

void CBaseService::RunMainLoop() {
    std::chrono::milliseconds halfLimit(static_cast<int64_t>(maxInactivitySec) * 500);
    while (!WaitForStop(halfLimit)) {
        if (m_hooks.sweep) m_hooks.sweep();
    }
}

void CBaseService::StopSequence() {
    if (m_hooks.closeListener) m_hooks.closeListener();
    if (m_hooks.releaseAll) m_hooks.releaseAll();
    {
        std::lock_guard<std::mutex> guard(lock);
        f_ServiceStopEvent.reset();
        m_stopRequested = false;
    }
    ReportStatusToSCM(platform::kStateStopped, 0, 0, 1, 0);
}

void CBaseService::DebugRun() {
    ServiceMain(0, nullptr);
}

// ---- Dispatcher ------------------------------------------------------------

bool CBaseService::StartDispatcher() {
    std::atomic<bool> finished{false};
    std::string name = serviceName;
    std::vector<char*> argv{name.data(), nullptr};
    std::thread serviceThread;
    try {
        serviceThread = std::thread([&finished, &argv] {
            ServiceMainEntry(1, argv.data());
            finished = true;
        });
    } catch (const std::system_error& e) {
        Trace(2, Format("TRACE(baseService04): Standalone run? --- failed in call to "
                        "StartServiceCtrlDispatcher with err=[%d]",
                        e.code().value()));
        return false;
    }
    while (!finished) {
        int signal = m_hooks.waitForSignal ? m_hooks.waitForSignal(kSignalSlice)
                                           : platform::WaitForSignal(kSignalSlice);
        if (signal == SIGTERM || signal == SIGINT) ControlHandlerEntry(1);
        if (signal == SIGHUP) ControlHandlerEntry(4);
    }
    serviceThread.join();
    return true;
}

// ---- Install and uninstall -------------------------------------------------

bool CBaseService::GetFailureActions(int types[3]) {
    for (int i = 0; i < 3; ++i) types[i] = 1;  // restart the service
    return true;
}

void CBaseService::RegisterWithSystemd(bool enable) {
    std::string unit = serviceName + ".service";
    std::vector<std::vector<std::string>> calls;
    if (enable) {
        calls = {{"daemon-reload"}, {"enable", unit}};
    } else {
        calls = {{"disable", unit}};
    }
    for (const std::vector<std::string>& call : calls) {
        int code = platform::RunSystemctl(call);
        if (code != 0) {
            Trace(2, Format("CService::%s: systemctl %s [%s] failed - exitCode:[%d]",
                            enable ? "Install" : "Uninstall", call[0].c_str(), serviceName.c_str(),
                            code));
        }
    }
}

int CBaseService::Install() {
    std::string executable =
        CleanPath(m_executablePath.empty() ? platform::ExecutablePath() : m_executablePath);
    int error = platform::CheckUnitDirWritable(m_unitDir);
    if (error != 0) {
        Trace(2, Format("TRACE(baseService05): Failed to open "
                        "Install::CBaseServiceControlManager::open - lastError:[%d]",
                        error));
        return 0;
    }
    platform::UnitDescription unit;
    unit.serviceName = serviceName;
    unit.description = description;  // the unit file carries the description
    unit.executable = executable;
    int types[3] = {0, 0, 0};
    unit.restartOnFailure = GetFailureActions(types) && types[0] == 1;
    error = platform::CreateUnitFile(UnitFile(), platform::UnitFileText(unit));
    if (error != 0) {
        Trace(2, Format("TRACE(baseService06): Failed to create Install::CNTScmService::create - "
                        "lastError:[%d]",
                        error));
        return 0;
    }
    if (platform::SystemdManagesUnitDir(m_unitDir)) RegisterWithSystemd(true);
    Trace(1, Format("CService::Install: [%s] was successfully installed!", serviceName.c_str()));
    return 1;
}

int CBaseService::Uninstall() {
    int error = platform::CheckUnitDirReadable(m_unitDir);
    if (error != 0) {
        Trace(2, Format("TRACE(baseService10): Failed in call to "
                        "Uninstall::CBaseServiceControlManager::open - lastError:[%d]",
                        error));
        return 0;
    }
    std::string unitFile = UnitFile();
    error = platform::CheckUnitFileExists(unitFile);
    if (error != 0) {
        Trace(2, Format("TRACE(baseService11): Failed in call to Uninstall::CNTScmService::open - "
                        "lastError:[%d]",
                        error));
        return 0;
    }
    bool systemd = platform::SystemdManagesUnitDir(m_unitDir);
    if (systemd) RegisterWithSystemd(false);
    error = platform::RemoveUnitFile(unitFile);
    if (error != 0) {
        Trace(2, Format("TRACE(baseService11): Failed in call to "
                        "Uninstall::CNTScmService::deleteService - lastError:[%d]",
                        error));
        return 0;
    }
    if (systemd && platform::RunSystemctl({"daemon-reload"}) != 0) {
        Trace(2, Format("CService::Uninstall: systemctl daemon-reload [%s] failed",
                        serviceName.c_str()));
    }
    Trace(1,
          Format("CService::Uninstall: [%s] was successfully uninstalled!", serviceName.c_str()));
    return 1;
}

// ---- Help and status -------------------------------------------------------

void CBaseService::Help() {
    platform::ShowMessageBox(HelpCaption(), HelpText(endpoint));
}

void CBaseService::Status() {
    StatusFacts facts;
    facts.endpoint = endpoint;
    facts.state = platform::QueryServiceState(UnitFile(), m_statusFile);
    facts.maxInactivitySec = maxInactivitySec;
    facts.startTime = startTime;
    facts.now = std::time(nullptr);
    platform::ShowMessageBox(StatusCaption(), StatusText(facts));
}
