#include "endpoint/endpoint_handler.h"

#include <cpprest/filestream.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <cstdio>
#include <future>
#include <iostream>

#include "bridge/print_template.h"
#include "common/module_log.h"
#include "endpoint/file_transfer.h"
#include "endpoint/request_args.h"
#include "endpoint/stored_file_name.h"
#include "endpoint/working_folder.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

using web::http::http_request;
using web::http::http_response;
using web::http::methods;

namespace {

// Deeper bodies are refused before they reach the JSON parser.
constexpr int kMaxJsonNesting = 512;

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

std::string WithoutLineBreaks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != '\r' && c != '\n') out += c;
    }
    return out;
}

}  // namespace

struct CEndpointHandler::Frame {
    Frame(const http_request& r, Verb v) : request(r), verb(v) {}

    const http_request& request;
    Verb verb;
    Call call;
    std::string path;
    std::string query;
    bool hasQueryParameters = false;
    bool dispatched = false;
    bool download = false;  // GET of ".../files/<name>"
    std::string fileName;   // the download's <name>
};

CEndpointHandler::CEndpointHandler(const std::string& uri, const std::string& iniPath,
                                   const HandlerOptions& options)
    : m_iniPath(iniPath),
      m_listener(web::uri(uri)),
      m_pRegistry(new CInstanceRegistry(options.clock)),
      m_options(options),
      m_workers(options.workerThreads) {
    int maxInactivitySec = options.maxInactivitySec;
    if (maxInactivitySec == 0) {
        maxInactivitySec =
            platform::GetProfileInt(iniPath, "Settings", "Interface_Max_Inactivity_Sec", 3600);
        if (maxInactivitySec < 300) maxInactivitySec = 300;
    }
    m_pRegistry->SetMaxInactivitySec(maxInactivitySec);
    m_listener.support(methods::GET, [this](http_request r) { Accept(r, Verb::kGet); });
    m_listener.support(methods::PUT, [this](http_request r) { Accept(r, Verb::kPut); });
    m_listener.support(methods::POST, [this](http_request r) { Accept(r, Verb::kPost); });
    // The library would echo the request headers; nothing here answers TRACE.
    m_listener.support(methods::TRCE, [](http_request r) {
        http_response response(web::http::status_codes::MethodNotAllowed);
        response.headers().add(web::http::header_names::allow, "GET, PUT, POST");
        r.reply(response).then([](pplx::task<void> t) {
            try {
                t.get();
            } catch (...) {
            }
        });
    });
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
    m_listener.open().wait();
}

bool CEndpointHandler::Close(std::chrono::milliseconds timeout) {
    std::lock_guard<std::mutex> guard(m_closeMutex);
    if (m_closed) return true;
    m_closed = true;
    m_bActive = false;
    bool closedInTime = true;
    try {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> closed = done->get_future();
        m_listener.close().then([done](pplx::task<void> t) {
            try {
                t.get();
            } catch (...) {
            }
            done->set_value();
        });
        closedInTime = closed.wait_for(timeout) == std::future_status::ready;
    } catch (...) {
        // Closing a listener that never opened throws; there is nothing to close.
    }
    m_workers.Stop();
    return closedInTime;
}

void CEndpointHandler::Accept(const http_request& request, Verb verb) {
    if (m_workers.Post([this, request, verb] { Serve(request, verb); })) return;
    Send(request, ErrorReply(407, "", ""));  // shutting down
}

void CEndpointHandler::Serve(const http_request& request, Verb verb) {
    std::cout << "\nhandle " << VerbName(static_cast<int>(verb)) << "\n" << std::flush;
    Frame frame(request, verb);
    Reply reply;
    try {
        reply = RunFrame(frame);
    } catch (const std::exception& e) {
        // What passes out of a dispatcher gets the REST library's own answer
        // to a failed handler: 500 without a body.
        reply = Reply();
        reply.kind = Reply::Kind::kEmpty;
        reply.status = 500;
        reply.result = 500;
        ModuleLog().WriteComment(0, std::string(HandlerName(static_cast<int>(verb))) +
                                        ": exception passed out of the dispatcher: " + e.what());
    } catch (...) {
        reply = Reply();
        reply.kind = Reply::Kind::kEmpty;
        reply.status = 500;
        reply.result = 500;
    }
    Send(request, reply);
    LogOutcome(frame, reply);
}

Reply CEndpointHandler::RunFrame(Frame& frame) {
    Reply error;
    if (!ReadPath(frame, &error)) return error;
    if (frame.download) {
        frame.dispatched = true;
        return DownloadReply(GetWorkingFolder(), frame.fileName);
    }
    if (!BuildArgs(frame, &error)) return error;
    frame.call.address = ReadInterfaceAddress(frame.call.interfaceName, frame.call.args);
    if (frame.call.address == 0 && RequireAddress(frame)) {
        return ErrorReply(410, frame.call.interfaceName);
    }
    if (m_pRegistry->Touch(frame.call.interfaceName, frame.call.methodName, frame.call.address) !=
        0) {
        return ErrorReply(402, frame.call.interfaceName, std::to_string(frame.call.address));
    }
    return DispatchLocked(frame);
}

bool CEndpointHandler::ReadPath(Frame& frame, Reply* error) {
    const web::uri& requestUri = frame.request.request_uri();
    frame.query = requestUri.query();
    std::vector<std::string> segments;
    try {
        frame.path = RelativePath(requestUri.path(), m_listener.uri().path());
        segments = SplitPath(frame.path);
    } catch (const std::exception&) {
        *error = ErrorReply(401, requestUri.path());
        return false;
    }
    if (segments.size() < 2) {
        *error = ErrorReply(401, frame.path);
        return false;
    }
    frame.call.interfaceName = segments[segments.size() - 2];
    frame.call.methodName = segments[segments.size() - 1];
    if (frame.verb == Verb::kGet && Lower(segments[1]) == "files") {
        frame.download = true;
        frame.fileName = segments.size() > 2 ? segments[2] : std::string();
    }
    return true;
}

bool CEndpointHandler::BuildArgs(Frame& frame, Reply* error) {
    if (frame.verb == Verb::kGet) {
        try {
            frame.call.args = QueryToArgs(frame.query);
        } catch (const std::exception&) {
            *error = ErrorReply(401, frame.path + "?" + frame.query);
            return false;
        }
        frame.hasQueryParameters = frame.call.args.size() > 0;
        return true;
    }
    std::string contentType = frame.request.headers().content_type();
    std::string lower = Lower(contentType);
    if (frame.verb == Verb::kPut) {
        if (lower.find("application/json") == std::string::npos) {
            *error = ErrorReply(406, contentType);
            return false;
        }
        return BuildJsonArgs(frame, error);
    }
    if (StartsWith(lower, "application/json")) return BuildJsonArgs(frame, error);
    if (StartsWith(lower, "multipart/form-data")) {
        *error = ErrorReply(410, frame.call.interfaceName);
        return false;
    }
    if (StartsWith(lower, "application/octet-stream")) return BuildUploadArgs(frame, error);
    *error = ErrorReply(406, contentType);
    return false;
}

bool CEndpointHandler::BuildJsonArgs(Frame& frame, Reply* error) {
    std::string text;
    BodyStatus status = ReadBodyText(frame.request, m_options.bodyLimits, &text);
    if (status == BodyStatus::kTooLarge) {
        const auto& headers = frame.request.headers();
        std::string size = headers.has(web::http::header_names::content_length)
                               ? std::to_string(headers.content_length())
                               : "more than " + std::to_string(m_options.bodyLimits.maxBytes);
        *error = ErrorReply(413, size, std::to_string(m_options.bodyLimits.maxBytes));
        return false;
    }
    web::json::value body;
    try {
        if (status != BodyStatus::kOk || !NestingWithin(text, kMaxJsonNesting)) {
            throw web::json::json_exception("unreadable body");
        }
        bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
        body = blank ? web::json::value::null() : web::json::value::parse(text);
    } catch (const std::exception&) {
        *error = ErrorReply(409);
        return false;
    }
    if (!body.is_object()) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "JSONDump: [%d] - [", static_cast<int>(body.type()));
        ModuleLog().WriteComment(0,
                                 prefix + WithoutLineBreaks(MaskSecrets(body).serialize()) + "]");
        *error = ErrorReply(405);
        return false;
    }
    frame.call.args = CopyScalarMembers(body);
    return true;
}

// An upload: the arguments come from the query; the body is stored in a new
// file of the working folder whose path replaces the argument that named
// the client's file.
bool CEndpointHandler::BuildUploadArgs(Frame& frame, Reply* error) {
    const Call& call = frame.call;
    try {
        frame.call.args = QueryToArgs(frame.query);
    } catch (const std::exception&) {
        *error = ErrorReply(401, frame.path + "?" + frame.query);
        return false;
    }
    if (call.args.size() == 0 || ReadInterfaceAddress(call.interfaceName, call.args) == 0) {
        *error = ErrorReply(410, call.interfaceName);
        return false;
    }
    std::string key;
    if (!FindUploadKey(call.args, &key)) {
        *error = ErrorReply(408, call.interfaceName, call.methodName, "bstrFile");
        return false;
    }
    std::string folder = GetWorkingFolder();
    std::string stored =
        folder.empty() ? std::string()
                       : MakeStoredFileName(folder, UploadExtension(call.args.at(key).as_string()),
                                            static_cast<long>(Now()));
    BodyStatus status = stored.empty() ? BodyStatus::kFailed : StoreBody(frame.request, stored);
    if (status != BodyStatus::kOk) {
        *error = status == BodyStatus::kTooLarge
                     ? ErrorReply(413, "more than " + std::to_string(m_options.bodyLimits.maxBytes),
                                  std::to_string(m_options.bodyLimits.maxBytes))
                     : ErrorReply(407, call.interfaceName, call.methodName);
        return false;
    }
    frame.call.args[key] = web::json::value::string(stored);
    return true;
}

BodyStatus CEndpointHandler::StoreBody(const http_request& request, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return BodyStatus::kFailed;
    BodyStatus status =
        ReadBody(request, m_options.bodyLimits, [file](const uint8_t* data, size_t size) {
            return std::fwrite(data, 1, size, file) == size;
        });
    if (std::fclose(file) != 0 && status == BodyStatus::kOk) status = BodyStatus::kFailed;
    if (status != BodyStatus::kOk) std::remove(path.c_str());
    return status;
}

bool CEndpointHandler::RequireAddress(const Frame& frame) const {
    return frame.verb != Verb::kGet || frame.hasQueryParameters;
}

Reply CEndpointHandler::DispatchLocked(Frame& frame) {
    IVerbDispatcher* dispatcher = frame.verb == Verb::kGet   ? m_get.get()
                                  : frame.verb == Verb::kPut ? m_put.get()
                                                             : m_post.get();
    if (dispatcher == nullptr)
        return ErrorReply(403, frame.call.interfaceName, frame.call.methodName);
    CInstanceRegistry::GroupLock lock = m_pRegistry->LockFor(frame.call.address);
    bool destruct =
        frame.verb == Verb::kPut && frame.call.methodName.find("PutDestruct") != std::string::npos;
    std::unique_lock<std::timed_mutex> held;
    if (lock && !destruct) {
        held = std::unique_lock<std::timed_mutex>(*lock, std::defer_lock);
        if (!held.try_lock_for(m_options.groupLockTimeout)) {
            return ErrorReply(411, frame.call.interfaceName, std::to_string(frame.call.address),
                              "10");
        }
    }
    frame.dispatched = true;
    return dispatcher->Dispatch(frame.call);
}

void CEndpointHandler::Send(const http_request& request, const Reply& reply) {
    http_response response(static_cast<web::http::status_code>(reply.status));
    try {
        if (reply.kind == Reply::Kind::kJson) {
            response.set_body(reply.body);
        } else if (reply.kind == Reply::Kind::kFile) {
            struct stat info;
            if (stat(reply.filePath.c_str(), &info) != 0) throw std::runtime_error("file is gone");
            auto stream =
                concurrency::streams::fstream::open_istream(reply.filePath, std::ios::binary).get();
            response.headers().add("Content-Disposition",
                                   "attachment; filename=\"" + reply.filePath + "\"");
            response.headers().add(web::http::header_names::cache_control, "no-cache");
            response.set_body(stream, static_cast<size_t>(info.st_size),
                              "application/octet-stream");
        }
    } catch (const std::exception&) {
        response = http_response(web::http::status_codes::Forbidden);
    }
    request.reply(response).then([](pplx::task<void> sent) {
        try {
            sent.get();
        } catch (...) {
            // The client went away; nothing is left to answer.
        }
    });
}

void CEndpointHandler::LogOutcome(const Frame& frame, const Reply& reply) {
    int verb = static_cast<int>(frame.verb);
    if (!frame.dispatched) {
        if (reply.status == 400) {
            ModuleLog().WriteComment(0, ErrorLinePrefix(verb) + LogText(reply.body));
        }
        return;
    }
    int status = reply.result == 200 ? 0 : reply.result == 204 ? 1 : reply.result;
    std::string method = reply.logMethod.empty() ? HandlerName(verb) : reply.logMethod;
    std::string args = reply.logArgs.empty() ? LogText(frame.call.args) : reply.logArgs;
    ModuleLog().WriteEntry(status, method, frame.call.interfaceName, frame.call.methodName, args,
                           std::to_string(frame.call.address));
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
                         EndpointPath(m_listener.uri().to_string()));
}
