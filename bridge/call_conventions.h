#pragma once

#include <functional>
#include <string>

#include "endpoint/dispatch.h"
#include "platform/com.h"

class CEndpointHandler;
class Args;

// The conventions every module operation shares: its error and abort
// replies with their module-log comments (level 0), the two exception
// handlers around a module call, and the registration of new objects.

// Error reply of `code` with the inserts interface name, method name and
// `detail`; logs "<method>(err=<code> - <text>)".
Reply CallErrorReply(const Call& call, int code, const std::string& detail = std::string());

// Error 404 ("The main interface instance [%1] could not be created") with
// `insert` as %1; logged like CallErrorReply.
Reply CreateErrorReply(const Call& call, const std::string& insert);

// Error 403 for an interface name that is none of the five; logs
// "err=403 - <text>".
Reply UnknownInterfaceReply(const Call& call);

// Error 412 for an operation that is not offered over REST; logs
// "<interface>::<method>(err=412 - <text>)".
Reply NoopReply(const Call& call);

// The abort reply of a failed module call: the object's abort text and the
// HRESULT as "abortCode"; logs "<method>(err=<hr> - <text>)".
Reply ModuleAbortReply(const Call& call, HRESULT hr, const std::string& abortText);

// Runs `body` inside the two exception handlers: std::invalid_argument
// "code#detail" becomes CallErrorReply(code, detail) (a message without '#'
// or number: code 0, the whole message as detail); any other exception
// becomes CallErrorReply(407).
Reply WithExceptionHandlers(const Call& call, const std::function<Reply()>& body);

// Stores the new object of out-member `k` in its table and registers it
// under `parent` (0 for a manager) as `interfaceName`. Its handle; 0 when
// the module gave no object.
int EnterNewObject(CEndpointHandler& handler, Args& args, size_t k,
                   const std::string& interfaceName, int parent);

// True for the five interface names (case ignored).
bool IsModuleInterface(const std::string& interfaceName);
