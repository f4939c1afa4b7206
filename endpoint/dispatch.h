#pragma once

#include <cpprest/json.h>

#include <string>

#include "endpoint/reply.h"

// One module call as the request frame hands it to a verb's dispatcher.
struct Call {
    std::string interfaceName;                           // as the client wrote it
    std::string methodName;                              // as the client wrote it
    int address = 0;                                     // target handle; 0 when none
    web::json::value args = web::json::value::object();  // numbers, booleans, strings
};

// The operations of one HTTP verb. Failures come back as error replies; its
// Reply.result is what the module log entry records. Only the object-creating
// and release operations let an exception pass out, which the frame answers
// with 500 and no body.
class IVerbDispatcher {
  public:
    virtual ~IVerbDispatcher() = default;
    virtual Reply Dispatch(const Call& call) = 0;
};
