#include "endpoint/reply.h"

#include "common/string_table.h"
#include "common/utf8_text.h"

Reply ErrorReply(int code, const std::string& insert1, const std::string& insert2,
                 const std::string& insert3) {
    return AbortReply(GetErrorDescription(kDefaultLanguage, code, insert1, insert2, insert3), code);
}

Reply AbortReply(const std::string& text, int code) {
    Reply reply;
    reply.status = 400;
    reply.result = code;
    reply.body = web::json::value::object();
    reply.body["pbstrAbort"] = web::json::value::string(ValidUtf8(text));
    reply.body["abortCode"] = web::json::value::number(code);
    return reply;
}

Reply JsonReply(web::json::value body, int status, int result) {
    Reply reply;
    reply.status = status;
    reply.result = result;
    reply.body = std::move(body);
    return reply;
}
