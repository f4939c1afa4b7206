#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// A manual-reset event: once Set() it stays set, and every wait returns at
// once. Thread-safe.
class CStopEvent {
  public:
    void Set();
    bool IsSet();
    // Waits at most `timeout` for Set(). True when the event is set.
    bool WaitFor(std::chrono::milliseconds timeout);

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

// What the service's main loop calls outside this class. Every member may be
// left empty; an empty waitForStop or waitForSignal gets the real one.
struct ServiceHooks {
    // Each time-out of the main loop (the inactivity sweep, not forced).
    std::function<void()> sweep;
    // Stop sequence, first: close the listener and wait until it is closed.
    std::function<void()> closeListener;
    // Stop sequence, second: release every live instance.
    std::function<void()> releaseAll;
    // Waits on the stop event at most `timeout`; true when it is set. Tests
    // replace it with a clock of their own.
    std::function<bool(CStopEvent& event, std::chrono::milliseconds timeout)> waitForStop;
    // The dispatcher's wait for a control signal; returns the signal number
    // or 0 on time-out (platform::WaitForSignal).
    std::function<int(std::chrono::milliseconds timeout)> waitForSignal;
};

// The service framework: identity and state of the one service of this
// process, the control requests (signals on Linux), the status reports
// (status file beside the executable and systemd's notification), the main
// loop that paces the inactivity sweep, and the install, uninstall, help
// and status actions.
//
// Exactly one object lives at a time (a second construction while one lives
// is a programming error); the two entry points the dispatcher calls forward
// through the static live-object pointer to ServiceMain and Handler.
//
// Diagnostics go to the module log; failures are returned as false or 0 and
// never raise.
//
// Threads: the dispatcher's thread (StartDispatcher, the caller's) receives
// the control requests and calls Handler; ServiceMain runs on a service
// thread of its own. `lock` guards currentState, statusHandle and the hand-
// over of the stop event.
class CBaseService {
  public:
    CBaseService(uint32_t maxInactivitySec, const std::string& endpoint, uint32_t startTime,
                 const std::string& serviceName, const std::string& displayName,
                 uint32_t acceptedControls, const std::string& description);
    virtual ~CBaseService();

    CBaseService(const CBaseService&) = delete;
    CBaseService& operator=(const CBaseService&) = delete;

    // Dispatches a control request: 1 stop, 2 pause, 3 continue,
    // 4 interrogate, 5 shutdown, other user controls; then re-reports the
    // current state.
    virtual void Handler(uint32_t controlCode);

    // The main loop: registers, reports running, waits on the stop event
    // maxInactivitySec x 500 ms at a time and sweeps on every time-out; on a
    // stop closes the listener, releases every instance and reports stopped.
    virtual void ServiceMain(int argc, char** argv);

    virtual void OnStop();
    virtual void OnPause();
    virtual void OnContinue();
    virtual void OnInterrogate();
    virtual void OnShutdown();
    virtual void OnUserControl(uint32_t controlCode);

    // Runs ServiceMain on a service thread and turns the control signals
    // (SIGTERM and SIGINT stop, SIGHUP interrogate) into Handler calls until
    // ServiceMain returns. REQUIRES: the control signals are blocked in every
    // thread (platform::BlockControlSignals at the start of main). False
    // (with "TRACE(baseService04)") when the service thread cannot start.
    virtual bool StartDispatcher();

    // Writes the unit file into the unit folder and registers it with
    // systemd where systemd manages that folder. 1 on success, 0 on failure.
    virtual int Install();
    // Fills the three failure action types with 1 (restart) and returns true.
    virtual bool GetFailureActions(int types[3]);
    // Unregisters and removes the unit file. 1 on success, 0 on failure.
    virtual int Uninstall();

    // Always true; the program does not call it.
    virtual bool IsValid() { return true; }

    // Calls ServiceMain(0, nullptr) directly.
    virtual void DebugRun();

    // The help and status texts on standard output.
    virtual void Help();
    virtual void Status();

    // Registers the control handler: opens the status channel of
    // serviceName. False (with "TRACE(baseService03)") when the status file's
    // folder cannot be written.
    bool RegisterCtrlHandler();

    // Sets currentState and reports it (status file, systemd). Accepted
    // controls are 0 while starting. False (with "TRACE(baseService01)") when
    // the report fails.
    bool ReportStatusToSCM(uint32_t state, uint32_t win32ExitCode, uint32_t serviceExitCode,
                           uint32_t checkPoint, uint32_t waitHint);

    // ---- Configuration (set before use; the defaults suit the service) ----

    // The unit folder; default "/etc/systemd/system".
    void SetUnitDir(const std::string& unitDir) { m_unitDir = unitDir; }
    // The status file; default "<executable folder><serviceName>.status".
    void SetStatusFile(const std::string& path) { m_statusFile = path; }
    // The program the unit starts; default the running executable.
    void SetExecutablePath(const std::string& path) { m_executablePath = path; }
    // REQUIRES: neither the dispatcher nor ServiceMain is running.
    void SetHooks(const ServiceHooks& hooks) { m_hooks = hooks; }

    uint32_t CurrentState();
    const std::string& unitDir() const { return m_unitDir; }
    const std::string& statusFile() const { return m_statusFile; }

    // The live object, or null.
    static CBaseService* Instance() { return s_pThis; }

  protected:
    // Re-reports currentState with all four values 0; failure writes
    // "TRACE(baseService02)".
    bool ReportCurrentStatus();

    // The unit file of this service in the unit folder.
    std::string UnitFile() const;

    // The stop event; null while no event exists.
    std::unique_ptr<CStopEvent> f_ServiceStopEvent;
    uint32_t maxInactivitySec;
    uint32_t startTime;
    std::string endpoint;
    int statusHandle = 0;
    uint32_t acceptedControls;
    uint32_t currentState = 1;
    std::string serviceName;
    std::string displayName;
    std::string description;
    std::mutex lock;

  private:
    // The entry points of the dispatcher, forwarding through s_pThis.
    static void ServiceMainEntry(int argc, char** argv);
    static void ControlHandlerEntry(uint32_t controlCode);

    // ServiceMain's steps 4 to 7.
    bool CreateStopEvent();
    void RunMainLoop();
    void StopSequence();
    bool WaitForStop(std::chrono::milliseconds timeout);
    // Reports currentState as it is now; 0 or errno. REQUIRES: m_reportLock
    // held, so that the last report written is always the latest state.
    int SendStatus();
    void RegisterWithSystemd(bool enable);

    static CBaseService* s_pThis;

    std::string m_unitDir;
    std::string m_statusFile;
    std::string m_executablePath;
    ServiceHooks m_hooks;
    // Serialises the reports of the dispatcher's and the service thread.
    std::mutex m_reportLock;
    // A stop that came before the stop event existed; the event is created
    // set then, so an early SIGTERM is never lost.
    bool m_stopRequested = false;
};
