#include "endpoint/body_reader.h"

#include <future>
#include <memory>
#include <vector>

namespace {

constexpr size_t kChunkBytes = 64 * 1024;

}  // namespace

BodyStatus ReadBody(const web::http::http_request& request, const BodyLimits& limits,
                    const std::function<bool(const uint8_t*, size_t)>& sink) {
    const auto& headers = request.headers();
    if (headers.has(web::http::header_names::content_length) &&
        static_cast<int64_t>(headers.content_length()) > limits.maxBytes) {
        return BodyStatus::kTooLarge;
    }
    auto buffer = request.body().streambuf();
    // The chunk outlives an abandoned read: the pending task keeps it alive.
    auto chunk = std::make_shared<std::vector<uint8_t>>(kChunkBytes);
    int64_t total = 0;
    for (;;) {
        auto done = std::make_shared<std::promise<size_t>>();
        std::future<size_t> result = done->get_future();
        buffer.getn(chunk->data(), chunk->size()).then([done, chunk](pplx::task<size_t> read) {
            try {
                done->set_value(read.get());
            } catch (...) {
                done->set_exception(std::current_exception());
            }
        });
        if (result.wait_for(limits.chunkTimeout) != std::future_status::ready) {
            return BodyStatus::kTimeout;
        }
        size_t count = 0;
        try {
            count = result.get();
        } catch (...) {
            return BodyStatus::kFailed;
        }
        if (count == 0) return BodyStatus::kOk;
        total += static_cast<int64_t>(count);
        if (total > limits.maxBytes) return BodyStatus::kTooLarge;
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
