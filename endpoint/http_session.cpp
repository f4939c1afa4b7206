#include "endpoint/http_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/file_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <cerrno>
#include <cstring>
#include <limits>

#include "endpoint/http_listener.h"

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;

namespace {

// A refused body is read and dropped up to this multiple of the limit; past
// it the connection is closed after the reply.
constexpr int64_t kDrainFactor = 2;

// Time for writing a reply: the body idle time-out plus a second for every
// megabyte of a file.
std::chrono::milliseconds WriteTime(const TransportLimits& limits, uint64_t bytes) {
    return limits.bodyIdleTimeout + std::chrono::milliseconds(bytes / 1000);
}

}  // namespace

HttpSession::HttpSession(net::ip::tcp::socket socket, HttpListener& listener)
    : listener_(listener),
      stream_(std::move(socket)),
      bodyTimer_(stream_.get_executor()),
      deadlineTimer_(stream_.get_executor()) {}

HttpSession::~HttpSession() {
    DropStoredFile();
    listener_.Leave(this);
}

void HttpSession::Start() {
    net::post(stream_.get_executor(), [self = shared_from_this()] { self->WaitForRequest(); });
}

void HttpSession::Shutdown() {
    net::post(stream_.get_executor(), [self = shared_from_this()] {
        self->closing_ = true;
        if (!self->running_) self->Close();
    });
}

// A kept-alive connection waits for the first byte of its next request with
// the keep-alive time-out; the headers then have the header time-out.
void HttpSession::WaitForRequest() {
    if (closing_) return Close();
    if (firstRequest_ || buffer_.size() > 0) return ReadHeader();
    SetDeadline(listener_.limits().keepAliveTimeout);
    stream_.async_read_some(buffer_.prepare(4096),
                            [self = shared_from_this()](beast::error_code error, size_t bytes) {
                                if (error) return self->Close();
                                self->buffer_.commit(bytes);
                                self->ReadHeader();
                            });
}

void HttpSession::ReadHeader() {
    firstRequest_ = false;
    parser_.emplace();
    parser_->header_limit(listener_.limits().maxHeaderBytes);
    parser_->body_limit(std::numeric_limits<uint64_t>::max());  // checked while reading
    SetDeadline(listener_.limits().headerTimeout);
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code error, size_t) { self->OnHeader(error); });
}

void HttpSession::OnHeader(beast::error_code error) {
    if (error == beast::error::timeout || error == http::error::end_of_stream ||
        error == net::error::operation_aborted || error == net::error::eof ||
        error == net::error::connection_reset) {
        return Close();
    }
    if (error) {
        // Not HTTP, or headers over the limit: 400 and the connection ends.
        Reply bad;
        bad.kind = Reply::Kind::kEmpty;
        bad.status = 400;
        closing_ = true;
        running_ = true;
        return Write(std::move(bad));
    }
    ClearDeadline();
    const auto& message = parser_->get();
    RequestHead head;
    head.method = std::string(message.method_string());
    head.target = std::string(message.target());
    head.contentType = std::string(message[http::field::content_type]);
    if (parser_->content_length())
        head.contentLength = static_cast<int64_t>(*parser_->content_length());
    request_ = listener_.frame().Begin(head);
    bodyBytes_ = 0;
    bodyTimedOut_ = false;
    if (head.contentLength > listener_.limits().maxBodyBytes) {
        request_->bodyStatus = BodyStatus::kTooLarge;
    }
    if (request_->refused || request_->bodyStatus != BodyStatus::kOk) {
        request_->sink = BodySink::kDiscard;
    }
    if (request_->sink == BodySink::kFile) OpenStoredFile();
    if (parser_->is_done()) return Handoff();
    if (beast::iequals(message[http::field::expect], "100-continue")) {
        WriteRaw("HTTP/1.1 100 Continue\r\n\r\n");
    }
    ReadBody();
}

void HttpSession::WriteRaw(const char* text) {
    // Small enough to go out at once; the body read that follows waits for it
    // on the same thread.
    boost::system::error_code ignored;
    net::write(stream_.socket(), net::buffer(text, std::strlen(text)), ignored);
}

void HttpSession::ReadBody() {
    auto& body = parser_->get().body();
    body.data = chunk_.data();
    body.size = chunk_.size();
    bodyTimer_.expires_after(listener_.limits().bodyIdleTimeout);
    bodyTimer_.async_wait([weak = weak_from_this()](beast::error_code error) {
        auto self = weak.lock();
        if (error || !self) return;
        self->bodyTimedOut_ = true;
        beast::error_code ignored;
        self->stream_.socket().cancel(ignored);
    });
    http::async_read_some(stream_, buffer_, *parser_,
                          [self = shared_from_this()](beast::error_code error, size_t) {
                              self->bodyTimer_.cancel();
                              self->OnBodyChunk(error);
                          });
}

void HttpSession::OnBodyChunk(beast::error_code error) {
    if (error == http::error::need_buffer) error = {};
    Consume(chunk_.data(), chunk_.size() - parser_->get().body().size);
    if (error && bodyTimedOut_ && !closing_) {
        // The client stopped sending: it gets the 409 reply if it still
        // reads, and the connection ends.
        DropStoredFile();
        request_->bodyStatus = BodyStatus::kTimeout;
        request_->sink = BodySink::kDiscard;
        closing_ = true;
        return Handoff();
    }
    if (error) {
        // The client went away in the middle of the body: the call is not
        // made, the log notes the failure, nobody reads the reply.
        DropStoredFile();
        request_->bodyStatus = BodyStatus::kFailed;
        request_->sink = BodySink::kDiscard;
        closing_ = true;
        return Handoff();
    }
    int64_t limit = listener_.limits().maxBodyBytes;
    if (request_->bodyStatus == BodyStatus::kTooLarge && bodyBytes_ > kDrainFactor * limit) {
        closing_ = true;
        return Handoff();
    }
    if (parser_->is_done()) return Handoff();
    ReadBody();
}

void HttpSession::Consume(const char* data, size_t size) {
    if (size == 0) return;
    bodyBytes_ += static_cast<int64_t>(size);
    if (bodyBytes_ > listener_.limits().maxBodyBytes && request_->bodyStatus == BodyStatus::kOk) {
        request_->bodyStatus = BodyStatus::kTooLarge;
        if (request_->sink == BodySink::kFile) DropStoredFile();
        request_->sink = BodySink::kDiscard;
    }
    switch (request_->sink) {
        case BodySink::kDiscard:
            return;
        case BodySink::kJson:
            request_->json.Feed(data, size);
            return;
        case BodySink::kFile:
            while (size > 0) {
                ssize_t written = ::write(file_, data, size);
                if (written < 0 && errno == EINTR) continue;
                if (written <= 0) {
                    DropStoredFile();
                    request_->bodyStatus = BodyStatus::kFailed;
                    request_->sink = BodySink::kDiscard;
                    return;
                }
                data += written;
                size -= static_cast<size_t>(written);
            }
            return;
    }
}

void HttpSession::OpenStoredFile() {
    file_ = ::open(request_->storedPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file_ >= 0) return;
    request_->bodyStatus = BodyStatus::kFailed;
    request_->sink = BodySink::kDiscard;
}

// Removes a stored upload that will not be complete.
void HttpSession::DropStoredFile() {
    if (file_ < 0) return;
    ::close(file_);
    file_ = -1;
    ::unlink(request_->storedPath.c_str());
}

void HttpSession::Handoff() {
    if (file_ >= 0) {
        bool closed = ::close(file_) == 0;
        file_ = -1;
        if (!closed) {
            ::unlink(request_->storedPath.c_str());
            request_->bodyStatus = BodyStatus::kFailed;
        }
    }
    running_ = true;
    auto self = shared_from_this();
    std::shared_ptr<FrameRequest> request = request_;
    Reply now;
    // The log record is handed over first, so that the reply can be moved
    // on (the log's thread writes it a moment later).
    if (request->bodyStatus == BodyStatus::kOk && listener_.frame().FinishAtOnce(*request, &now)) {
        listener_.frame().LogOutcome(*request, now);
        return Write(std::move(now));
    }
    bool queued = listener_.workers().Post([self, request](bool run) {
        IRequestFrame& frame = self->listener_.frame();
        Reply reply = run ? frame.Finish(*request) : frame.Refuse(*request);
        frame.LogOutcome(*request, reply);
        net::post(self->stream_.get_executor(),
                  [self, reply = std::move(reply)]() mutable { self->Write(std::move(reply)); });
    });
    if (queued) return;
    Reply reply = listener_.frame().Refuse(*request);
    listener_.frame().LogOutcome(*request, reply);
    Write(std::move(reply));
}

void HttpSession::Write(Reply reply) {
    const auto& message = parser_->get();
    bool keepAlive = message.keep_alive() && !closing_;
    unsigned version = message.version();
    auto status = static_cast<http::status>(reply.status);
    if (reply.kind == Reply::Kind::kFile) {
        auto response = std::make_shared<http::response<http::file_body>>(status, version);
        beast::error_code error;
        response->body().open(reply.filePath.c_str(), beast::file_mode::scan, error);
        if (!error) {
            response->set(http::field::content_type, "application/octet-stream");
            response->set("Content-Disposition", "attachment; filename=\"" + reply.filePath + "\"");
            response->set(http::field::cache_control, "no-cache");
            response->keep_alive(keepAlive);
            response->prepare_payload();
            response_ = response;
            SetDeadline(WriteTime(listener_.limits(), response->body().size()));
            http::async_write(stream_, *response,
                              [self = shared_from_this(), keepAlive](beast::error_code e, size_t) {
                                  self->OnWritten(e, keepAlive);
                              });
            return;
        }
        reply.kind = Reply::Kind::kEmpty;
        reply.status = 403;
        status = http::status::forbidden;
    }
    auto response = std::make_shared<http::response<http::string_body>>(status, version);
    if (!reply.allow.empty()) response->set(http::field::allow, reply.allow);
    response->keep_alive(keepAlive);
    // A 204 ends at its headers (no body, no Content-Length): whatever
    // followed them would be read as the next response.
    if (reply.status != 204) {
        if (reply.kind == Reply::Kind::kJson) {
            response->set(http::field::content_type, "application/json");
            response->body() = reply.body.serialize();
        }
        response->prepare_payload();
    }
    response_ = response;
    SetDeadline(WriteTime(listener_.limits(), 0));
    http::async_write(stream_, *response,
                      [self = shared_from_this(), keepAlive](beast::error_code e, size_t) {
                          self->OnWritten(e, keepAlive);
                      });
}

void HttpSession::OnWritten(beast::error_code error, bool keepAlive) {
    response_.reset();
    running_ = false;
    request_.reset();
    if (error || !keepAlive || closing_) return Close();
    WaitForRequest();
}

// Moving the deadline later costs no timer operation: the timer, armed for
// an earlier time, wakes then and waits again for the deadline it finds.
// Only a deadline before the armed time re-arms it.
void HttpSession::SetDeadline(std::chrono::steady_clock::duration after) {
    deadline_ = Clock::now() + after;
    if (timerAt_ <= deadline_) return;
    ArmTimer();
}

void HttpSession::ClearDeadline() {
    deadline_ = Clock::time_point::max();
}

void HttpSession::ArmTimer() {
    timerAt_ = deadline_;
    deadlineTimer_.expires_at(timerAt_);
    deadlineTimer_.async_wait([weak = weak_from_this()](beast::error_code error) {
        auto self = weak.lock();
        if (error || !self) return;  // re-armed, or the session is gone
        self->timerAt_ = Clock::time_point::max();
        if (self->deadline_ == Clock::time_point::max()) return;
        if (Clock::now() < self->deadline_) return self->ArmTimer();
        self->Close();  // what was pending ends with an error
    });
}

void HttpSession::Close() {
    bodyTimer_.cancel();
    deadlineTimer_.cancel();
    deadline_ = Clock::time_point::max();
    DropStoredFile();
    beast::error_code ignored;
    stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
    stream_.close();
}
