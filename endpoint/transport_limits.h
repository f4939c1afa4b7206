#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// The guards of the HTTP transport. Each has a key in section "Settings" of
// the INI file (service/server_settings.h), with these defaults.
struct TransportLimits {
    // From the connection (or the first byte of a further request on a
    // kept-alive connection) to the end of the request's headers.
    // "HeaderTimeoutSec".
    std::chrono::milliseconds headerTimeout{10000};
    // The longest pause between two pieces of a body; the request is then
    // answered 409 and the connection closed. "BodyIdleTimeoutSec".
    std::chrono::milliseconds bodyIdleTimeout{30000};
    // How long a connection may wait for its next request. "KeepAliveTimeoutSec".
    std::chrono::milliseconds keepAliveTimeout{60000};
    // Connections open at once; further ones are closed at once and counted
    // in the module log. "MaxConnections".
    int maxConnections = 1000;
    // The largest body, checked against Content-Length and while reading.
    // "MaxBodyBytes".
    int64_t maxBodyBytes = 100LL * 1024 * 1024;
    // Request line and headers together.
    uint32_t maxHeaderBytes = 64 * 1024;
};
