#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "endpoint/dispatch.h"
#include "endpoint/json_body_scan.h"
#include "endpoint/reply.h"

// One HTTP request as the request frame sees it, whatever carried it: the
// socket transport (endpoint/http_session.h) or a caller in this process
// (CEndpointHandler::Handle).

// The request line and the headers the frame reads.
struct RequestHead {
    std::string method;          // "GET", "PUT", "POST", ... as sent
    std::string target;          // path and query as sent, still percent-encoded
    std::string contentType;     // the Content-Type header; empty when absent
    int64_t contentLength = -1;  // the Content-Length header; -1 when absent
};

// A whole request, body included: the in-process entry point's input.
struct HttpRequest {
    RequestHead head;
    std::string body;
};

// How the body arrived.
enum class BodyStatus {
    kOk,
    kTooLarge,  // more than the body limit (announced or actually sent)
    kTimeout,   // the client sent nothing for longer than the body idle time-out
    kFailed,    // the stored file could not be written
};

// Where the transport puts the body while it reads it.
enum class BodySink {
    kDiscard,  // read and dropped (the request does not use it, or is refused already)
    kJson,     // fed to `json` chunk by chunk
    kFile,     // written to `storedPath` (created with mode 0600, removed when incomplete)
};

// One request on its way through the frame. CEndpointHandler::Begin fills the
// first part from the head alone; the transport then reads the body into the
// sink and records how that went; CEndpointHandler::Finish runs the rest.
struct FrameRequest {
    enum class Verb { kGet, kPut, kPost, kOther };

    RequestHead head;
    Verb verb = Verb::kOther;
    Call call;
    std::string path;   // decoded, relative to the listener's path
    std::string query;  // still encoded
    bool hasQueryParameters = false;
    bool download = false;  // GET of ".../files/<name>"
    std::string fileName;   // the download's <name>
    bool refused = false;   // `reply` is the answer, decided from the head
    Reply reply;

    BodySink sink = BodySink::kDiscard;
    std::string uploadKey;   // kFile: the argument that named the client's file
    std::string storedPath;  // kFile: where the body goes

    BodyStatus bodyStatus = BodyStatus::kOk;
    JsonBodyScan json;  // kJson

    bool dispatched = false;  // the verb's dispatcher ran
    // Set by FinishAtOnce: the call must not wait for its group lock; set
    // by the frame when it would have had to (nothing was run then).
    bool mustNotWait = false;
    bool wouldWait = false;
};

// What the transport asks of the frame. Implemented by CEndpointHandler.
class IRequestFrame {
  public:
    virtual ~IRequestFrame() = default;

    // The frame's first steps, from the head alone; never blocks (no lock
    // waits, no module calls). Decides the body's sink.
    virtual std::shared_ptr<FrameRequest> Begin(const RequestHead& head) = 0;

    // The rest of the frame once the body is in: the reply. Runs the module
    // call; may block (group lock, module); call it on a worker thread.
    virtual Reply Finish(FrameRequest& request) = 0;

    // Finish on the transport's own thread, for a request that cannot block
    // there: a GET call (the GET operations are property reads and object
    // creations) whose group lock is free. False, with nothing run, for any
    // other request; it then goes to a worker.
    virtual bool FinishAtOnce(FrameRequest& request, Reply* reply) = 0;

    // The answer to a whole request that will not be run because the service
    // is stopping: the error reply, nothing run.
    virtual Reply Refuse(FrameRequest& request) = 0;

    // The module log's record of the request and its reply. While the
    // listener is open it is handed to the log's own thread and reaches the
    // file a moment later (a line per request, in the order handed over);
    // Close() returns only once all are written.
    virtual void LogOutcome(const FrameRequest& request, const Reply& reply) = 0;
};
