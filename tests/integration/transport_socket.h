#pragma once

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/integration/http_client.h"

// A call on a target that names nothing: answered at once with an error
// reply.
inline const std::string kGetModus = "/tarvosServer450/ITarvos/GetModus?pITarvos=3";

// POSTs a body of `size` bytes: `head`, `filler` repeated, then `tail`, sent
// in pieces of 1 MB so that the client never holds the whole body; in
// chunks without a length when `chunked`. Stops sending as soon as the
// service answers. With `sendOnly` >= 0 it hangs up after that many bytes
// and answers nothing.
inline HttpResponse StreamBody(int port, const std::string& target, const std::string& type,
                               int64_t size, const std::string& head,
                               const std::string& filler = "x", const std::string& tail = "",
                               bool chunked = false, int64_t sendOnly = -1) {
    RawConnection connection(port);
    auto send = [&](const std::string& bytes) {
        if (!chunked || bytes.empty()) return connection.Send(bytes);
        char length[32];
        std::snprintf(length, sizeof length, "%zx\r\n", bytes.size());
        return connection.Send(length + bytes + "\r\n");
    };
    bool ok = connection.Send("POST " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n" +
                              "Content-Type: " + type + "\r\n" +
                              (chunked ? "Transfer-Encoding: chunked\r\n"
                                       : "Content-Length: " + std::to_string(size) + "\r\n") +
                              "\r\n") &&
              send(head);
    std::string piece;
    while (piece.size() < (1u << 20)) piece += filler;  // whole fillers only
    int64_t left =
        (sendOnly >= 0 ? sendOnly : size) - static_cast<int64_t>(head.size() + tail.size());
    while (ok && left > 0 && !connection.Readable()) {
        size_t count = static_cast<size_t>(std::min<int64_t>(left, piece.size()));
        ok = send(piece.substr(0, count));
        left -= static_cast<int64_t>(count);
    }
    if (sendOnly >= 0) return HttpResponse();
    if (ok && send(tail) && chunked) connection.Send("0\r\n\r\n");
    return ParseResponse(connection.Receive(60000));
}
