#pragma once

#include <cpprest/json.h>

#include <string>

// What one request is answered with. Handlers and dispatchers build a Reply
// and return it; CEndpointHandler sends it, from one place only.
struct Reply {
    enum class Kind { kJson, kFile, kEmpty };

    Kind kind = Kind::kJson;
    int status = 200;                                  // HTTP status
    web::json::value body = web::json::value::null();  // kJson: the body
    int result = 0;                                    // the call's status for the module log entry
    std::string filePath;                              // kFile: the file streamed as the body
    std::string logMethod;  // handler name of the log entry (empty: the verb's)
    std::string logArgs;    // argument text of the log entry (empty: the call's arguments)
    std::string allow;      // the Allow header of a refused method; empty: none
};

// Status 400 with {"pbstrAbort": text of `code`, "abortCode": code}; the
// text comes from the string table with the inserts filled in.
Reply ErrorReply(int code, const std::string& insert1 = std::string(),
                 const std::string& insert2 = std::string(),
                 const std::string& insert3 = std::string());

// Status 400 with a text of the caller's (a module's abort text). Bytes of
// the text that are not valid UTF-8 are replaced by U+FFFD.
Reply AbortReply(const std::string& text, int code);

// Status 200 (or `status`) with `body`.
Reply JsonReply(web::json::value body, int status = 200, int result = 0);
