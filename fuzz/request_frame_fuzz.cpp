// libFuzzer target of the request frame (endpoint/endpoint_handler.h) with the
// real dispatchers and module behind it, in this process: no socket, the
// whole request handed to CEndpointHandler::Handle as the transport would.
//
// An input is up to four requests separated by \x02 bytes, each cut by \x01
// into method, target (path and query, as sent), content type and body. A
// fresh handler serves each input, so the handles it deals are 1, 2, 3, ...
// and a seed can address the objects its first requests created.
//
// Every reply is checked for what the transport may put on the wire:
//  - its status is one the frame answers: 200 and 400 with a JSON body, 204
//    with none, 404 and 405 empty (200 for OPTIONS), a download 200 with a
//    file of the working folder; never 500 (an exception out of a call).
//  - a JSON body serializes to text that parses back to the same value: an
//    object, an array of objects (a collection) or null (a call without
//    results; 204 is always null).
//  - an error reply is exactly {"pbstrAbort": valid UTF-8, "abortCode": n};
//    the frame's own texts (codes 401..413) stay within 1,024 bytes.
//  - no body is larger than its bound: the frame's error texts above, any
//    other body within kReplyBound plus twice the request's bytes.
// Inputs that name files by absolute or parent paths, or name a file for the
// module to write, are skipped: the module would read or write them for real
// (the run keeps the current folder: libFuzzer's paths are relative to it).

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>

#include "bridge/verb_dispatchers.h"
#include "common/utf8_text.h"
#include "endpoint/endpoint_handler.h"
#include "fuzz/fuzz_check.h"
#include "module/xml/schema_validator.h"

namespace {

constexpr int64_t kMaxBodyBytes = 64 * 1024;
constexpr size_t kMaxAbortText = 1024;
constexpr size_t kReplyBound = 64 * 1024;

std::string g_folder;   // the run's own folder: INI file and working folder
std::string g_iniPath;  // names the working folder below g_folder

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// True when `text` could name a file outside the current folder once
// decoded from a query or a JSON string, or a file to write.
bool NamesOutsideFile(const std::string& text) {
    std::string lower = Lower(text);
    for (const char* token : {"/", "\\", "%2f", "%5c", "u002f", "u005c", "..", "%2e", "derfile"}) {
        if (lower.find(token) != std::string::npos) return true;
    }
    return false;
}

bool IsObjectOrNull(const web::json::value& value) {
    return value.is_object() || value.is_null();
}

bool IsAllowedBody(const web::json::value& body) {
    if (IsObjectOrNull(body)) return true;
    if (!body.is_array() || body.size() == 0) return false;
    for (const auto& element : body.as_array()) {
        if (!element.is_object()) return false;
    }
    return true;
}

void CheckErrorBody(const web::json::value& body, int result, const std::string& sent) {
    FUZZ_CHECK(body.is_object() && body.size() == 2 && body.has_string_field("pbstrAbort") &&
                   body.has_integer_field("abortCode"),
               sent + " -> " + body.serialize());
    const std::string& text = body.at("pbstrAbort").as_string();
    int code = body.at("abortCode").as_integer();
    FUZZ_CHECK(code == result, sent + " -> " + body.serialize());
    FUZZ_CHECK(ValidUtf8(text) == text, sent + " -> " + fuzz::Printable(text));
    if (code >= 401 && code <= 413) {
        FUZZ_CHECK(text.size() <= kMaxAbortText,
                   sent + " -> " + std::to_string(text.size()) + " bytes of abort text");
    }
}

void CheckReply(const HttpRequest& request, const Reply& reply, const std::string& folder) {
    std::string sent = request.head.method + " " + fuzz::Printable(request.head.target) + " " +
                       fuzz::Printable(request.head.contentType);
    std::string status = sent + " -> status " + std::to_string(reply.status);
    switch (reply.kind) {
        case Reply::Kind::kEmpty: {
            bool options = request.head.method == "OPTIONS" && reply.status == 200;
            FUZZ_CHECK(options || reply.status == 404 || reply.status == 405 || reply.status == 403,
                       status);
            return;
        }
        case Reply::Kind::kFile:
            FUZZ_CHECK(reply.status == 200 && !folder.empty() &&
                           reply.filePath.compare(0, folder.size(), folder) == 0 &&
                           reply.filePath.find('/', folder.size()) == std::string::npos,
                       status + " " + reply.filePath);
            return;
        case Reply::Kind::kJson:
            break;
    }
    FUZZ_CHECK(reply.status == 200 || reply.status == 204 || reply.status == 400, status);
    const web::json::value& body = reply.body;
    std::string text = body.serialize();
    FUZZ_CHECK(web::json::value::parse(text) == body, sent + " -> " + fuzz::Printable(text));
    FUZZ_CHECK(reply.status != 204 || body.is_null(), status + " " + text);
    FUZZ_CHECK(IsAllowedBody(body), status + " " + text);
    if (reply.status == 400) CheckErrorBody(body, reply.result, sent);
    size_t bound = kReplyBound + 2 * (request.head.target.size() + request.body.size());
    FUZZ_CHECK(text.size() <= bound, status + ": " + std::to_string(text.size()) + " bytes");
}

// Removes what the input left in the working folder (uploads, PDFs, XML).
void EmptyFolder(const std::string& folder) {
    if (folder.empty()) return;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) return;
    while (struct dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") ::unlink((folder + name).c_str());
    }
    closedir(directory);
}

// The run's folder goes when the run ends normally; a crashed run leaves it
// for the finding's inspection.
void RemoveRunFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/request-frame-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    g_folder = pattern;
    std::atexit(RemoveRunFolder);
    g_iniPath = g_folder + "/tarvos.ini";
    FILE* ini = std::fopen(g_iniPath.c_str(), "w");
    if (ini == nullptr) std::abort();
    std::fprintf(ini, "[PARAMS]\nTMPDIR_CSIDL=%s\n", g_folder.c_str());
    std::fclose(ini);
    std::cout.setstate(std::ios::badbit);  // the frame's console line per request
    module::SetRequestSchemaPath(TARVOS_SOURCE_DIR "/resources/generalInvoiceRequest_450.xsd");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> texts = fuzz::Split(data, size, 4, '\x02');
    std::vector<HttpRequest> requests;
    for (const std::string& text : texts) {
        if (text.empty()) continue;
        std::vector<std::string> parts =
            fuzz::Split(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 4);
        size_t question = parts[1].find('?');
        std::string query = question == std::string::npos ? "" : parts[1].substr(question);
        if (NamesOutsideFile(query) || NamesOutsideFile(parts[3])) return -1;
        HttpRequest request;
        request.head.method = parts[0];
        request.head.target = parts[1];
        request.head.contentType = parts[2];
        request.body = parts[3];
        requests.push_back(std::move(request));
    }

    HandlerOptions options;
    options.workerThreads = 0;
    options.maxInactivitySec = 300;
    options.transport.maxBodyBytes = kMaxBodyBytes;
    options.groupLockTimeout = std::chrono::milliseconds(100);
    std::string folder;
    {
        CEndpointHandler handler("http://127.0.0.1:1/tarvosServer450", g_iniPath, options);
        InstallDispatchers(handler);
        folder = handler.GetWorkingFolder();
        for (const HttpRequest& request : requests) {
            CheckReply(request, handler.Handle(request), folder);
        }
        handler.Close();
        handler.ReleaseAll();
    }
    EmptyFolder(folder);
    return 0;
}
