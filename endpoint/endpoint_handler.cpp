#include "endpoint/endpoint_handler.h"

#include <cpprest/base_uri.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cstdio>
#include <iostream>

#include "bridge/print_template.h"
#include "common/module_log.h"
#include "common/utf8_text.h"
#include "endpoint/file_transfer.h"
#include "endpoint/http_listener.h"
#include "endpoint/request_args.h"
#include "endpoint/stored_file_name.h"
#include "endpoint/working_folder.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

namespace {

// The transport's I/O threads: they only move bytes.
constexpr int kTransportThreads = 2;

const char* VerbName(int verb) {
    static const char* const names[] = {"GET", "PUT", "POST"};
    return names[verb];
}

const char* HandlerName(int verb) {
    static const char* const names[] = {"handle_get", "handle_put", "handle_post"};
    return names[verb];
}

// The prefix of the frame's error line in the module log.
const char* ErrorLinePrefix(int verb) {
    static const char* const prefixes[] = {"handle_get01:", "handle_put01: ", "handle_post01:"};
    return prefixes[verb];
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

Reply EmptyReply(int status, const std::string& allow = std::string()) {
    Reply reply;
    reply.kind = Reply::Kind::kEmpty;
    reply.status = reply.result = status;
    reply.allow = allow;
    return reply;
}

// What a method other than GET, PUT and POST is answered with: the REST
// library's defaults, except that TRACE never echoes the request.
Reply OtherMethodReply(const std::string& method) {
    if (method == "OPTIONS") return EmptyReply(200, "GET, POST, PUT, TRACE");
    if (method == "TRACE") return EmptyReply(405, "GET, PUT, POST");
    return EmptyReply(405, "GET, POST, PUT, TRACE");
}

FrameRequest::Verb VerbOf(const std::string& method) {
    if (method == "GET") return FrameRequest::Verb::kGet;
    if (method == "PUT") return FrameRequest::Verb::kPut;
    if (method == "POST") return FrameRequest::Verb::kPost;
    return FrameRequest::Verb::kOther;
}

void RefuseWith(FrameRequest& request, Reply reply) {
    request.refused = true;
    request.reply = std::move(reply);
}

// Writes `body` to a new file at `path` (mode 0600); false when it could not.
bool StoreBody(const std::string& path, const std::string& body) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < body.size()) {
        ssize_t written = ::write(fd, body.data() + done, body.size() - done);
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    bool ok = ::close(fd) == 0 && done == body.size();
    if (!ok) ::unlink(path.c_str());
    return ok;
}

std::string JsonDumpLine(int type, const std::string& text) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "JSONDump: [%d] - [", type);
    return prefix + WithoutLineBreaks(text) + "]";
}

}  // namespace

CEndpointHandler::CEndpointHandler(const std::string& uri, const std::string& iniPath,
                                   const HandlerOptions& options)
    : m_iniPath(iniPath),
      m_uri(uri),
      m_pRegistry(new CInstanceRegistry(options.clock)),
      m_options(options),
      m_workers(options.workerThreads) {
    m_listenerPath = web::uri(uri).path();
    while (!m_listenerPath.empty() && m_listenerPath.back() == '/') m_listenerPath.pop_back();
    int maxInactivitySec = options.maxInactivitySec;
    if (maxInactivitySec == 0) {
        maxInactivitySec =
            platform::GetProfileInt(iniPath, "Settings", "Interface_Max_Inactivity_Sec", 3600);
        if (maxInactivitySec < 300) maxInactivitySec = 300;
    }
    m_pRegistry->SetMaxInactivitySec(maxInactivitySec);
    std::cout << "\nstart listening on [GET],[PUT],[POST] methods...\n" << std::flush;
}

CEndpointHandler::~CEndpointHandler() {
    Close();
}

void CEndpointHandler::SetDispatchers(std::unique_ptr<IVerbDispatcher> get,
                                      std::unique_ptr<IVerbDispatcher> put,
                                      std::unique_ptr<IVerbDispatcher> post) {
    m_get = std::move(get);
    m_put = std::move(put);
    m_post = std::move(post);
}

void CEndpointHandler::Open() {
    web::uri uri(m_uri);
    int port = uri.port() > 0 ? uri.port() : 80;
    auto listener = std::make_unique<HttpListener>(*this, m_workers, m_options.transport);
    m_pLogQueue = std::make_unique<ModuleLogQueue>(ModuleLog());
    listener->Open(uri.host(), static_cast<uint16_t>(port), kTransportThreads);
    m_pListener = std::move(listener);
}

bool CEndpointHandler::Close(std::chrono::milliseconds timeout) {
    std::lock_guard<std::mutex> guard(m_closeMutex);
    if (m_closed) return true;
    m_closed = true;
    m_bActive = false;
    if (m_pListener) m_pListener->StopAccepting();
    // Running calls end; calls not yet started are answered without running.
    m_workers.Stop();
    bool ended = m_pListener ? m_pListener->Stop(timeout) : true;
    // The entries of the last replies go out before whatever the caller
    // logs next (the final sweep).
    if (m_pLogQueue) m_pLogQueue->Stop();
    return ended;
}

Reply CEndpointHandler::Handle(const HttpRequest& whole) {
    RequestHead head = whole.head;
    if (head.contentLength < 0) head.contentLength = static_cast<int64_t>(whole.body.size());
    std::shared_ptr<FrameRequest> request = Begin(head);
    if (static_cast<int64_t>(whole.body.size()) > m_options.transport.maxBodyBytes) {
        request->bodyStatus = BodyStatus::kTooLarge;
    } else if (!request->refused && request->sink == BodySink::kJson) {
        request->json.Feed(whole.body.data(), whole.body.size());
    } else if (!request->refused && request->sink == BodySink::kFile &&
               !StoreBody(request->storedPath, whole.body)) {
        request->bodyStatus = BodyStatus::kFailed;
    }
    Reply reply = Finish(*request);
    LogOutcome(*request, reply);
    if (m_pLogQueue) m_pLogQueue->Flush();
    return reply;
}

// ---- The frame's first steps: from the head alone ---------------------------

std::shared_ptr<FrameRequest> CEndpointHandler::Begin(const RequestHead& head) {
    auto request = std::make_shared<FrameRequest>();
    request->head = head;
    request->verb = VerbOf(head.method);
    if (request->verb == Verb::kOther) {
        RefuseWith(*request, OtherMethodReply(head.method));
        return request;
    }
    if (!ReadTarget(*request) || !ReadPath(*request)) return request;
    ChooseBody(*request);
    return request;
}

// Splits the target into path and query; a path outside the listener's is
// answered 404 without a body, as no handler of ours is behind it.
bool CEndpointHandler::ReadTarget(FrameRequest& request) {
    const std::string& target = request.head.target;
    size_t question = target.find('?');
    std::string rawPath = target.substr(0, question);
    request.query = question == std::string::npos ? std::string() : target.substr(question + 1);
    bool inside = StartsWith(rawPath, m_listenerPath) && (rawPath.size() == m_listenerPath.size() ||
                                                          rawPath[m_listenerPath.size()] == '/');
    if (!inside) {
        RefuseWith(request, EmptyReply(404));
        request.verb = Verb::kOther;  // no handler of ours saw it
        return false;
    }
    request.path = rawPath;
    return true;
}

bool CEndpointHandler::ReadPath(FrameRequest& request) {
    std::vector<std::string> segments;
    std::string rawPath = request.path;
    try {
        request.path = RelativePath(rawPath, m_listenerPath);
        segments = SplitPath(request.path);
    } catch (const std::exception&) {
        RefuseWith(request, ErrorReply(401, rawPath));
        return false;
    }
    if (segments.size() < 2) {
        RefuseWith(request, ErrorReply(401, request.path));
        return false;
    }
    request.call.interfaceName = segments[segments.size() - 2];
    request.call.methodName = segments[segments.size() - 1];
    if (request.verb == Verb::kGet && Lower(segments[1]) == "files") {
        request.download = true;
        request.fileName = segments.size() > 2 ? segments[2] : std::string();
    }
    return true;
}

// The arguments of a GET, and where the body of a PUT or POST goes.
void CEndpointHandler::ChooseBody(FrameRequest& request) {
    if (request.download) return;
    if (request.verb == Verb::kGet) {
        try {
            request.call.args = QueryToArgs(request.query);
        } catch (const std::exception&) {
            return RefuseWith(request, ErrorReply(401, request.path + "?" + request.query));
        }
        request.hasQueryParameters = request.call.args.size() > 0;
        return;
    }
    const std::string& contentType = request.head.contentType;
    std::string lower = Lower(contentType);
    if (request.verb == Verb::kPut) {
        if (lower.find("application/json") == std::string::npos) {
            return RefuseWith(request, ErrorReply(406, contentType));
        }
        request.sink = BodySink::kJson;
    } else if (StartsWith(lower, "application/json")) {
        request.sink = BodySink::kJson;
    } else if (StartsWith(lower, "multipart/form-data")) {
        RefuseWith(request, ErrorReply(410, request.call.interfaceName));
    } else if (StartsWith(lower, "application/octet-stream")) {
        PrepareUpload(request);
    } else {
        RefuseWith(request, ErrorReply(406, contentType));
    }
}

// An upload: the arguments come from the query; the body goes to a new file
// of the working folder whose path replaces the argument that named the
// client's file.
void CEndpointHandler::PrepareUpload(FrameRequest& request) {
    Call& call = request.call;
    try {
        call.args = QueryToArgs(request.query);
    } catch (const std::exception&) {
        return RefuseWith(request, ErrorReply(401, request.path + "?" + request.query));
    }
    if (call.args.size() == 0 || ReadInterfaceAddress(call.interfaceName, call.args) == 0) {
        return RefuseWith(request, ErrorReply(410, call.interfaceName));
    }
    if (!FindUploadKey(call.args, &request.uploadKey)) {
        return RefuseWith(request,
                          ErrorReply(408, call.interfaceName, call.methodName, "bstrFile"));
    }
    std::string folder = GetWorkingFolder();
    std::string extension = UploadExtension(call.args.at(request.uploadKey).as_string());
    request.storedPath = folder.empty()
                             ? std::string()
                             : MakeStoredFileName(folder, extension, static_cast<long>(Now()));
    if (request.storedPath.empty()) {
        request.bodyStatus = BodyStatus::kFailed;
    } else {
        request.sink = BodySink::kFile;
    }
}

// ---- The rest of the frame: on a worker, with the whole body -----------------

bool CEndpointHandler::FinishAtOnce(FrameRequest& request, Reply* reply) {
    if (!m_bActive || request.verb != Verb::kGet || request.download) return false;
    request.mustNotWait = true;
    Reply answer = Finish(request);
    request.mustNotWait = false;
    if (request.wouldWait) {
        request.wouldWait = false;
        return false;
    }
    *reply = std::move(answer);
    return true;
}

Reply CEndpointHandler::Finish(FrameRequest& request) {
    if (request.verb == Verb::kOther) return request.reply;
    int verb = static_cast<int>(request.verb);
    Reply reply;
    try {
        reply = RunFrame(request);
    } catch (const std::exception& e) {
        // What passes out of a dispatcher is answered 500 without a body.
        reply = EmptyReply(500);
        ModuleLog().WriteComment(0, std::string(HandlerName(verb)) +
                                        ": exception passed out of the dispatcher: " + e.what());
    } catch (...) {
        reply = EmptyReply(500);
    }
    if (request.wouldWait) return reply;                 // not run: another try on a worker
    std::cout << "\nhandle " << VerbName(verb) << "\n";  // not flushed: one for every request
    // A stored upload whose request was refused before the call is removed.
    if (request.sink == BodySink::kFile && !request.dispatched) {
        ::unlink(request.storedPath.c_str());
    }
    return reply;
}

Reply CEndpointHandler::Refuse(FrameRequest& request) {
    if (request.verb == Verb::kOther || request.refused) return request.reply;
    if (request.sink == BodySink::kFile) ::unlink(request.storedPath.c_str());
    return ErrorReply(407, request.call.interfaceName, request.call.methodName);
}

Reply CEndpointHandler::RunFrame(FrameRequest& request) {
    if (request.refused) return request.reply;
    if (request.download) {
        request.dispatched = true;
        return DownloadReply(GetWorkingFolder(), request.fileName);
    }
    Reply error;
    if (request.verb != Verb::kGet) {
        bool ok = request.sink == BodySink::kJson ? BuildJsonArgs(request, &error)
                                                  : UseStoredBody(request, &error);
        if (!ok) return error;
    }
    Call& call = request.call;
    call.address = ReadInterfaceAddress(call.interfaceName, call.args);
    if (call.address == 0 && RequireAddress(request)) {
        return ErrorReply(410, call.interfaceName);
    }
    if (m_pRegistry->Touch(call.interfaceName, call.methodName, call.address) != 0) {
        return ErrorReply(402, call.interfaceName, std::to_string(call.address));
    }
    return DispatchLocked(request);
}

bool CEndpointHandler::BuildJsonArgs(FrameRequest& request, Reply* error) {
    std::string limit = std::to_string(m_options.transport.maxBodyBytes);
    if (request.bodyStatus == BodyStatus::kTooLarge) {
        std::string size = request.head.contentLength >= 0
                               ? std::to_string(request.head.contentLength)
                               : "more than " + limit;
        *error = ErrorReply(413, size, limit);
        return false;
    }
    JsonBodyScan& scan = request.json;
    if (request.bodyStatus != BodyStatus::kOk || !scan.Finish()) {
        *error = ErrorReply(409);
        return false;
    }
    if (!scan.HasWholeText()) {
        // A large body that is not an object: refused without building it,
        // logged from its bounded beginning.
        if (scan.TypeNumber() == 3) {
            *error = ErrorReply(409);
        } else {
            ModuleLog().WriteComment(0, JsonDumpLine(scan.TypeNumber(), scan.LogText()));
            *error = ErrorReply(405);
        }
        return false;
    }
    web::json::value body;
    try {
        const std::string& text = scan.Text();
        bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
        body = blank ? web::json::value::null() : web::json::value::parse(text);
    } catch (const std::exception&) {
        *error = ErrorReply(409);
        return false;
    }
    if (!body.is_object()) {
        ModuleLog().WriteComment(
            0, JsonDumpLine(static_cast<int>(body.type()), MaskSecrets(body).serialize()));
        *error = ErrorReply(405);
        return false;
    }
    request.call.args = CopyScalarMembers(body);
    return true;
}

// The stored upload's path replaces the argument that named the client's file.
bool CEndpointHandler::UseStoredBody(FrameRequest& request, Reply* error) {
    const Call& call = request.call;
    std::string limit = std::to_string(m_options.transport.maxBodyBytes);
    switch (request.bodyStatus) {
        case BodyStatus::kOk:
            break;
        case BodyStatus::kTooLarge:
            *error = ErrorReply(413, "more than " + limit, limit);
            return false;
        case BodyStatus::kTimeout:
            *error = ErrorReply(409);
            return false;
        case BodyStatus::kFailed:
            *error = ErrorReply(407, call.interfaceName, call.methodName);
            return false;
    }
    request.call.args[request.uploadKey] = web::json::value::string(request.storedPath);
    return true;
}

bool CEndpointHandler::RequireAddress(const FrameRequest& request) const {
    return request.verb != Verb::kGet || request.hasQueryParameters;
}

Reply CEndpointHandler::DispatchLocked(FrameRequest& request) {
    const Call& call = request.call;
    IVerbDispatcher* dispatcher = request.verb == Verb::kGet   ? m_get.get()
                                  : request.verb == Verb::kPut ? m_put.get()
                                                               : m_post.get();
    if (dispatcher == nullptr) return ErrorReply(403, call.interfaceName, call.methodName);
    CInstanceRegistry::GroupLock lock = m_pRegistry->LockFor(call.address);
    bool destruct =
        request.verb == Verb::kPut && call.methodName.find("PutDestruct") != std::string::npos;
    std::unique_lock<std::timed_mutex> held;
    if (lock && !destruct) {
        held = std::unique_lock<std::timed_mutex>(*lock, std::defer_lock);
        if (request.mustNotWait && !held.try_lock()) {
            request.wouldWait = true;
            return Reply();
        }
        if (!held.owns_lock() && !held.try_lock_for(m_options.groupLockTimeout)) {
            return ErrorReply(411, call.interfaceName, std::to_string(call.address), "10");
        }
    }
    request.dispatched = true;
    return dispatcher->Dispatch(call);
}

void CEndpointHandler::LogOutcome(const FrameRequest& request, const Reply& reply) {
    if (request.verb == Verb::kOther) return;
    int verb = static_cast<int>(request.verb);
    CModuleLogFile::Line line;
    if (!request.dispatched) {
        if (reply.status != 400) return;
        line.args[0] = ErrorLinePrefix(verb) + LogText(reply.body);
    } else {
        if (ModuleLog().Level() < 1) return;
        const Call& call = request.call;
        line.entry = true;
        line.value = reply.result == 200 ? 0 : reply.result == 204 ? 1 : reply.result;
        line.method = reply.logMethod.empty() ? HandlerName(verb) : reply.logMethod;
        line.args[0] = call.interfaceName;
        line.args[1] = call.methodName;
        line.args[2] = reply.logArgs.empty() ? LogText(call.args) : reply.logArgs;
        line.args[3] = std::to_string(call.address);
    }
    if (m_pLogQueue) {
        m_pLogQueue->Add(std::move(line));
    } else {
        ModuleLog().WriteLines({line});
    }
}

int64_t CEndpointHandler::Now() const {
    if (m_options.clock) return m_options.clock();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void CEndpointHandler::ReleaseInstance(const std::string& interfaceName, int handle,
                                       const char* location) {
    char text[256];
    std::snprintf(text, sizeof text, "COMInstanceDel: interface=[%s] address=[%d] location=[%s]",
                  interfaceName.c_str(), handle, location);
    ModuleLog().WriteComment(0, text);
    m_tables.Release(interfaceName, handle);
}

int CEndpointHandler::DestructInstance(const std::string& interfaceName, int handle) {
    try {
        std::string released;
        for (;;) {
            int next = m_pRegistry->NextToDestroy(interfaceName, handle, &released);
            if (next < 1) break;
            for (const std::string& name : CHandlerTables::ReleaseOrder()) {
                if (released == name) ReleaseInstance(released, next, "destruct");
            }
        }
        return 0;
    } catch (...) {
        return 1;
    }
}

int CEndpointHandler::RunSanityChecks(bool all) {
    try {
        if (!all) CleanupWorkingFolder(GetWorkingFolder());
        if (!m_pRegistry) return 1;
        const char* mode = all ? "doDelete" : "doCheck";
        ModuleLog().WriteComment(
            0, std::string("Start of CEndpointHandler::RunSanityChecks(") + mode + ") = (0,0)");
        int count = 0;
        std::string released;
        for (;;) {
            int next = m_pRegistry->NextExpired("ITarvos", &released, all);
            if (next <= 0) break;
            for (const std::string& name : CHandlerTables::ReleaseOrder()) {
                if (released != name) continue;
                ReleaseInstance(released, next, "sanity");
                ++count;
            }
        }
        ModuleLog().WriteComment(0, std::string("End   of CEndpointHandler::RunSanityChecks(") +
                                        mode + ") = (" + std::to_string(count) + ",0)");
        return 0;
    } catch (...) {
        return 1;
    }
}

void CEndpointHandler::CleanupWorkingFolder(const std::string& folder) {
    if (folder.empty()) return;
    if (Lower(folder).find(Lower("/tolvan/Halvo450Rest")) == std::string::npos) return;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) return;
    // Linux keeps no creation time on every file system; the time of the
    // last write stands for it (files here are written once).
    int64_t now = Now();
    int looked = 0;
    while (looked < 200) {
        struct dirent* entry = readdir(directory);
        if (entry == nullptr) break;
        ++looked;
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = platform::WithTrailingSlash(folder) + name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        if (now - static_cast<int64_t>(info.st_mtime) > 86400) unlink(path.c_str());
    }
    closedir(directory);
}

int CEndpointHandler::ReleaseAll() {
    RunSanityChecks(true);
    for (const std::string& name : CHandlerTables::ReleaseOrder()) {
        for (int handle : m_tables.Handles(name)) ReleaseInstance(name, handle, "shutdown");
    }
    return 0;
}

std::string CEndpointHandler::GetWorkingFolder() {
    {
        std::lock_guard<std::mutex> guard(m_workingDirMutex);
        if (!m_workingDir.empty()) return m_workingDir;
    }
    std::string folder = ComputeWorkingFolder(m_iniPath);
    std::lock_guard<std::mutex> guard(m_workingDirMutex);
    if (!folder.empty()) m_workingDir = folder;
    return folder;
}

std::string CEndpointHandler::MakeOutputFileName(const std::string& extension, long handle) {
    try {
        std::string folder = GetWorkingFolder();
        return folder.empty() ? std::string() : MakeStoredFileName(folder, extension, handle);
    } catch (const std::exception&) {
        return std::string();
    }
}

std::string CEndpointHandler::MakePrintTemplate(int handle, const std::string& printTemplate,
                                                std::string* pdfPath) {
    *pdfPath = MakeOutputFileName(".pdf", handle);
    return RewritePrintTemplate(printTemplate, *pdfPath);
}

web::json::value CEndpointHandler::PublishFile(const std::string& producedPath,
                                               const std::string& format) {
    return ::PublishFile(producedPath, format, GetWorkingFolder(),
                         EndpointPath(web::uri(m_uri).to_string()));
}
