#include "endpoint/body_reader.h"

#include <future>
#include <memory>
#include <vector>

namespace {

// Large chunks drain the library's buffer faster than it fills: it reads
// from the socket as fast as the client sends, whatever pace we write at.
constexpr size_t kChunkBytes = 1024 * 1024;

using Buffer = Concurrency::streams::streambuf<uint8_t>;
using Chunk = std::shared_ptr<std::vector<uint8_t>>;

// The next chunk of the body into *chunk; *count 0 at its end.
BodyStatus ReadChunk(Buffer buffer, const Chunk& chunk, std::chrono::milliseconds timeout,
                     size_t* count) {
    auto done = std::make_shared<std::promise<size_t>>();
    std::future<size_t> result = done->get_future();
    // The chunk outlives an abandoned read: the pending task keeps it alive.
    buffer.getn(chunk->data(), chunk->size()).then([done, chunk](pplx::task<size_t> read) {
        try {
            done->set_value(read.get());
        } catch (...) {
            done->set_exception(std::current_exception());
        }
    });
    if (result.wait_for(timeout) != std::future_status::ready) return BodyStatus::kTimeout;
    try {
        *count = result.get();
    } catch (...) {
        return BodyStatus::kFailed;
    }
    return BodyStatus::kOk;
}

// Reads the rest of a refused body and throws it away. The library answers
// only once the whole body has arrived and keeps what nobody reads in
// memory; reading it keeps that memory small.
BodyStatus Discard(Buffer buffer, const Chunk& chunk, std::chrono::milliseconds timeout) {
    size_t count = 1;
    while (count > 0) {
        if (ReadChunk(buffer, chunk, timeout, &count) != BodyStatus::kOk) break;
    }
    return BodyStatus::kTooLarge;
}

}  // namespace

BodyStatus ReadBody(const web::http::http_request& request, const BodyLimits& limits,
                    const std::function<bool(const uint8_t*, size_t)>& sink) {
    const auto& headers = request.headers();
    auto buffer = request.body().streambuf();
    auto chunk = std::make_shared<std::vector<uint8_t>>(kChunkBytes);
    if (headers.has(web::http::header_names::content_length) &&
        static_cast<int64_t>(headers.content_length()) > limits.maxBytes) {
        return Discard(buffer, chunk, limits.chunkTimeout);
    }
    int64_t total = 0;
    for (;;) {
        size_t count = 0;
        BodyStatus status = ReadChunk(buffer, chunk, limits.chunkTimeout, &count);
        if (status != BodyStatus::kOk) return status;
        if (count == 0) return BodyStatus::kOk;
        total += static_cast<int64_t>(count);
        if (total > limits.maxBytes) return Discard(buffer, chunk, limits.chunkTimeout);
        if (!sink(chunk->data(), count)) return BodyStatus::kFailed;
    }
}

BodyStatus ReadBodyText(const web::http::http_request& request, const BodyLimits& limits,
                        std::string* text) {
    text->clear();
    return ReadBody(request, limits, [text](const uint8_t* data, size_t size) {
        text->append(reinterpret_cast<const char*>(data), size);
        return true;
    });
}
