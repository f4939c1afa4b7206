#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include <cpprest/json.h>

#include "bridge/handler_tables.h"
#include "common/module_log_queue.h"
#include "endpoint/dispatch.h"
#include "endpoint/frame_request.h"
#include "endpoint/transport_limits.h"
#include "endpoint/worker_pool.h"
#include "registry/instance_registry.h"

class HttpListener;

struct HandlerOptions {
    int workerThreads = 32;
    TransportLimits transport;
    std::chrono::milliseconds groupLockTimeout{10000};
    // Seconds since 1970 for the registry and the sweep; the system clock
    // when empty.
    CInstanceRegistry::Clock clock;
    // Inactivity limit of the sweep in seconds; 0 reads
    // "Interface_Max_Inactivity_Sec" of the settings file (3600 when
    // absent, at least 300).
    int maxInactivitySec = 0;
};

// The REST endpoint: the HTTP transport on the listener URI
// (endpoint/http_listener.h), whose GET, PUT and POST requests run through
// the request frame (path, arguments, target handle, instance check, group
// lock) into the verb's dispatcher.
//
// The transport reads each request whole and hands it to the handler's own
// worker pool; every request gets exactly one reply.
//
// In-process entry point: Handle() takes a whole request (method, target,
// content type, body) and returns the reply that the transport would send,
// with no socket involved. It runs the same frame on the calling thread.
class CEndpointHandler : public IRequestFrame {
  public:
    // A handler for the listener URI `uri` (nothing listens yet). `iniPath`
    // is the settings file the dispatchers and the file transfer read.
    CEndpointHandler(const std::string& uri, const std::string& iniPath,
                     const HandlerOptions& options = HandlerOptions());
    ~CEndpointHandler();  // Close()

    CEndpointHandler(const CEndpointHandler&) = delete;
    CEndpointHandler& operator=(const CEndpointHandler&) = delete;

    // Listens on the URI's host and port. Throws std::exception when it
    // cannot listen (for example when the port is in use).
    void Open();

    // Stops accepting connections, lets the running calls end, answers the
    // calls not yet started with the error reply 407 (they are not run),
    // writes the replies still under way and closes every connection,
    // waiting at most `timeout` for them. False when a connection did not
    // end in time. Idempotent.
    bool Close(std::chrono::milliseconds timeout = std::chrono::milliseconds(15000));

    // The whole frame for one request, in this process: the reply the
    // transport would send (a body over the limit is refused as there; an
    // upload's body is stored like one read from a socket). Writes the
    // module log entry. Blocks like a worker (group lock, module call).
    Reply Handle(const HttpRequest& request);

    // IRequestFrame: the frame in the steps the transport drives.
    std::shared_ptr<FrameRequest> Begin(const RequestHead& head) override;
    Reply Finish(FrameRequest& request) override;
    bool FinishAtOnce(FrameRequest& request, Reply* reply) override;
    Reply Refuse(FrameRequest& request) override;
    void LogOutcome(const FrameRequest& request, const Reply& reply) override;

    // The verb dispatchers; the handler owns them. Set before Open().
    void SetDispatchers(std::unique_ptr<IVerbDispatcher> get, std::unique_ptr<IVerbDispatcher> put,
                        std::unique_ptr<IVerbDispatcher> post);

    CInstanceRegistry& Registry() { return *m_pRegistry; }
    CHandlerTables& Tables() { return m_tables; }
    const std::string& IniPath() const { return m_iniPath; }

    // Releases `handle` and what depends on it (the registry's order), each
    // logged as "COMInstanceDel: … location=[destruct]". 0, or 1 when an
    // exception ended it (what was released stays released).
    int DestructInstance(const std::string& interfaceName, int handle);

    // The sweep: when !all, deletes day-old files from the working folder;
    // then releases every instance idle for longer than the inactivity
    // limit (every instance when `all`), logged with location "sanity",
    // between a start and an end line. 0 after a completed run, 1 when an
    // exception ended it.
    int RunSanityChecks(bool all);

    // Deletes the files of `folder` created more than a day ago, looking at
    // no more than 200 directory entries. Does nothing unless `folder`
    // contains "/tolvan/Halvo450Rest" (case ignored).
    void CleanupWorkingFolder(const std::string& folder);

    // The release at stop: RunSanityChecks(true), then every reference left
    // in the five tables (location "shutdown"). Leaves registry and tables
    // empty. Returns 0. Call after Close().
    int ReleaseAll();

    // The working folder (endpoint/working_folder.h), computed at the first
    // call that finds the cache empty; empty when none could be made.
    std::string GetWorkingFolder();

    // A new file path in the output folder (the working folder): a UUID name
    // with `extension` (counter names with `handle` when no UUID can be
    // made). Empty when there is no output folder.
    std::string MakeOutputFileName(const std::string& extension, long handle);

    // The print template to hand to the module in place of the client's
    // `printTemplate`: it names a new PDF file of the output folder as
    // PDF_NOPRINT (bridge/print_template.h). *pdfPath receives that path.
    std::string MakePrintTemplate(int handle, const std::string& printTemplate,
                                  std::string* pdfPath);

    // Publishes a produced file of the module for download from the working
    // folder (PublishFile of endpoint/file_transfer.h with this listener's
    // path): its link as a JSON string, null when there is none.
    web::json::value PublishFile(const std::string& producedPath, const std::string& format);

  private:
    using Verb = FrameRequest::Verb;

    bool ReadTarget(FrameRequest& request);
    bool ReadPath(FrameRequest& request);
    void ChooseBody(FrameRequest& request);
    void PrepareUpload(FrameRequest& request);
    Reply RunFrame(FrameRequest& request);
    bool BuildJsonArgs(FrameRequest& request, Reply* error);
    bool UseStoredBody(FrameRequest& request, Reply* error);
    bool RequireAddress(const FrameRequest& request) const;
    Reply DispatchLocked(FrameRequest& request);
    // Logs "COMInstanceDel" with `location` and releases the table slot.
    void ReleaseInstance(const std::string& interfaceName, int handle, const char* location);
    int64_t Now() const;

    std::atomic<bool> m_bActive{true};
    std::mutex m_workingDirMutex;
    std::string m_workingDir;
    std::string m_iniPath;
    std::string m_uri;
    std::string m_listenerPath;  // the URI's path, still encoded, without a trailing '/'
    std::unique_ptr<CInstanceRegistry> m_pRegistry;
    CHandlerTables m_tables;  // after the registry: emptied before it goes
    HandlerOptions m_options;
    std::unique_ptr<IVerbDispatcher> m_get, m_put, m_post;
    WorkerPool m_workers;
    // The transport's log entries, written by a thread of their own while
    // the listener is open (Handle() writes its entry itself).
    std::unique_ptr<ModuleLogQueue> m_pLogQueue;
    std::unique_ptr<HttpListener> m_pListener;  // after the pool: stopped before it
    std::mutex m_closeMutex;
    bool m_closed = false;
};
