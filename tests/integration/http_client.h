#pragma once

#include <map>
#include <string>

// A deliberately plain HTTP/1.1 client over a loopback socket: it sends
// exactly the bytes it is given (no normalisation of paths or bodies), so
// tests can send what a careless or hostile client would.
struct HttpResponse {
    int status = 0;                              // 0 when no response arrived
    std::map<std::string, std::string> headers;  // names lower-cased
    std::string body;
};

class HttpClient {
  public:
    explicit HttpClient(int port) : port_(port) {}

    // Sends one request on a fresh connection ("Connection: close") and reads
    // the whole response; gives up after `timeoutMs`.
    HttpResponse Send(const std::string& method, const std::string& target,
                      const std::string& body = std::string(),
                      const std::map<std::string, std::string>& headers = {},
                      int timeoutMs = 30000) const;

    HttpResponse Get(const std::string& target) const { return Send("GET", target); }
    HttpResponse PostJson(const std::string& target, const std::string& json) const {
        return Send("POST", target, json, {{"Content-Type", "application/json"}});
    }
    HttpResponse PutJson(const std::string& target, const std::string& json) const {
        return Send("PUT", target, json, {{"Content-Type", "application/json"}});
    }

    // Sends raw bytes as they are and reads until the server closes.
    std::string SendRaw(const std::string& bytes, int timeoutMs = 30000) const;

  private:
    int port_;
};

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

// A socket connected to `port` on the loopback interface; -1 on failure.
int ConnectLoopback(int port);
