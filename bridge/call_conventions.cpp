#include "bridge/call_conventions.h"

#include <cstdlib>
#include <stdexcept>

#include "bridge/operation_table.h"
#include "common/module_log.h"
#include "common/string_table.h"
#include "endpoint/endpoint_handler.h"
#include "endpoint/json_values.h"
#include "registry/instance_registry.h"

namespace {

std::string ErrText(int code, const std::string& text) {
    return "(err=" + std::to_string(code) + " - " + text + ")";
}

// "code#detail" split at the first '#'.
void SplitArgumentError(const std::string& message, int* code, std::string* detail) {
    size_t hash = message.find('#');
    if (hash == std::string::npos) {
        *code = 0;
        *detail = message;
        return;
    }
    *code = std::atoi(message.substr(0, hash).c_str());
    *detail = message.substr(hash + 1);
}

}  // namespace

Reply CallErrorReply(const Call& call, int code, const std::string& detail) {
    std::string text =
        GetErrorDescription(kDefaultLanguage, code, call.interfaceName, call.methodName, detail);
    ModuleLog().WriteComment(0, call.methodName + ErrText(code, text));
    return AbortReply(text, code);
}

Reply CreateErrorReply(const Call& call, const std::string& insert) {
    std::string text = GetErrorDescription(kDefaultLanguage, 404, insert);
    ModuleLog().WriteComment(0, call.methodName + ErrText(404, text));
    return AbortReply(text, 404);
}

Reply UnknownInterfaceReply(const Call& call) {
    std::string text =
        GetErrorDescription(kDefaultLanguage, 403, call.interfaceName, call.methodName);
    ModuleLog().WriteComment(0, "err=403 - " + text);
    return AbortReply(text, 403);
}

Reply NoopReply(const Call& call) {
    std::string text =
        GetErrorDescription(kDefaultLanguage, 412, call.interfaceName, call.methodName);
    ModuleLog().WriteComment(0, call.interfaceName + "::" + call.methodName + ErrText(412, text));
    return AbortReply(text, 412);
}

Reply ModuleAbortReply(const Call& call, HRESULT hr, const std::string& abortText) {
    ModuleLog().WriteComment(0, call.methodName + ErrText(hr, abortText));
    Reply reply = AbortReply(abortText, hr);
    reply.body["pbstrAbort"] = BstrToJson(abortText);
    return reply;
}

Reply WithExceptionHandlers(const Call& call, const std::function<Reply()>& body) {
    try {
        return body();
    } catch (const std::invalid_argument& e) {
        int code = 0;
        std::string detail;
        SplitArgumentError(e.what(), &code, &detail);
        return CallErrorReply(call, code, detail);
    } catch (...) {
        return CallErrorReply(call, 407);
    }
}

int EnterNewObject(CEndpointHandler& handler, Args& args, size_t k,
                   const std::string& interfaceName, int parent) {
    int handle = args.StoreObject(k);
    if (handle != 0) handler.Registry().Register(interfaceName, parent, handle);
    return handle;
}

bool IsModuleInterface(const std::string& interfaceName) {
    for (const std::string& name : CHandlerTables::ReleaseOrder()) {
        if (SameName(interfaceName, name)) return true;
    }
    return false;
}
