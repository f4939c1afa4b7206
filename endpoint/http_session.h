#pragma once

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/parser.hpp>

#include <array>
#include <chrono>
#include <memory>
#include <optional>

#include "endpoint/frame_request.h"

class HttpListener;

// One client connection, from accept to close, on one of the
// listener's I/O threads. For each request in turn:
//   1. the headers, within TransportLimits::headerTimeout (a further request
//      on a kept-alive connection may first wait keepAliveTimeout for its
//      first byte);
//   2. the frame's first steps on the head (IRequestFrame::Begin), which
//      choose where the body goes;
//   3. the body, chunk by chunk into that sink, each chunk within
//      bodyIdleTimeout and the whole within maxBodyBytes (from
//      Content-Length and while reading chunks); a body over the limit is
//      read and dropped; a file is written chunk by chunk, the next chunk
//      read only once the last one is written;
//   4. the whole request to the worker pool, which runs the frame and hands
//      the reply back (a request that arrives while the pool stops is
//      refused with the error reply instead); only a request that cannot
//      block (IRequestFrame::FinishAtOnce) is run on this thread at once;
//   5. the reply; then the next request. Pipelined requests are therefore
//      answered in order.
// A body that stalls gets its 409 reply and the connection closes. A 204
// reply ends at its headers. No worker ever waits for the client.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(boost::asio::ip::tcp::socket socket, HttpListener& listener);
    ~HttpSession();  // leaves the listener's registry

    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    void Start();

    // Ends the connection: at once when no request is being run, otherwise
    // after its reply is written. Thread-safe.
    void Shutdown();

  private:
    void WaitForRequest();
    void ReadHeader();
    void OnHeader(boost::beast::error_code error);
    void ReadBody();
    void OnBodyChunk(boost::beast::error_code error);
    void Consume(const char* data, size_t size);
    void OpenStoredFile();
    void DropStoredFile();
    void Handoff();
    void Write(Reply reply);
    void WriteRaw(const char* text);
    void OnWritten(boost::beast::error_code error, bool keepAlive);
    void Close();
    // The connection's time-out: Close() once it passes (the operation
    // pending then ends with an error).
    void SetDeadline(std::chrono::steady_clock::duration after);
    void ClearDeadline();
    void ArmTimer();

    HttpListener& listener_;
    boost::beast::tcp_stream stream_;
    boost::asio::steady_timer bodyTimer_;
    using Clock = std::chrono::steady_clock;
    boost::asio::steady_timer deadlineTimer_;
    Clock::time_point deadline_ = Clock::time_point::max();  // none
    Clock::time_point timerAt_ = Clock::time_point::max();   // the armed time; max: not armed
    boost::beast::flat_buffer buffer_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::buffer_body>> parser_;
    std::shared_ptr<FrameRequest> request_;
    std::shared_ptr<void> response_;  // the message being written
    int file_ = -1;                   // the stored upload being written
    int64_t bodyBytes_ = 0;
    bool firstRequest_ = true;
    bool bodyTimedOut_ = false;
    bool running_ = false;  // a request is with the workers or its reply is being written
    bool closing_ = false;
    std::array<char, 64 * 1024> chunk_;
};
