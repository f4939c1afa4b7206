#pragma once

#include <cpprest/http_msg.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// Reads a request body in chunks, bounded in size and in time, so that no
// client can make the service hold an unbounded body in memory or wait
// forever for a client that stalls in the middle of it.

enum class BodyStatus {
    kOk,
    kTooLarge,  // more than the limit (announced or actually sent)
    kTimeout,   // no chunk arrived within the time limit
    kFailed,    // the connection failed or the sink refused a chunk
};

struct BodyLimits {
    int64_t maxBytes = 100LL * 1024 * 1024;
    std::chrono::milliseconds chunkTimeout{30000};
};

// Hands each chunk to `sink`; a sink that returns false ends the read with
// kFailed. A body over the limit is read to its end (or to a stall) and
// thrown away before kTooLarge is returned, so that the library does not
// keep it in memory. Blocks the calling thread: call it on a worker, never on a thread
// of the REST library.
BodyStatus ReadBody(const web::http::http_request& request, const BodyLimits& limits,
                    const std::function<bool(const uint8_t*, size_t)>& sink);

// The whole body as text (within the limits).
BodyStatus ReadBodyText(const web::http::http_request& request, const BodyLimits& limits,
                        std::string* text);
