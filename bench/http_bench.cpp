// Requests per second of GET ITarvos/GetModuleVersion on keep-alive
// connections (wrk, 16 and 64 connections) against the real service
// executable, next to a bare Boost.Beast server in this process that answers
// the same JSON bytes on two threads (the ceiling of any HTTP front end on
// this machine). Both are measured in the same run, alternately; the CPU
// time each spends per request is printed too, as it depends less on what
// else the machine is doing than the rates do.
//
//   bench_http_bench [service executable] [seconds per measurement]
//
// The executable defaults to bin/tarvosserver450 beside this program; it is
// copied with the files of its folder into a temporary folder and run in the
// foreground mode with a settings file of its own.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/loopback_get.h"
#include "platform/paths.h"

namespace fs = std::filesystem;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

// The body of a GET's response; empty on failure.
std::string FetchBody(int port, const std::string& target) {
    std::string response = LoopbackGet(port, target);
    size_t body = response.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : response.substr(body + 4);
}

// The service executable in a folder of its own, in the foreground mode.
class Service {
  public:
    explicit Service(const std::string& executable) {
        std::string pattern = (fs::temp_directory_path() / "tarvos-http-bench-XXXXXX").string();
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        for (const auto& entry : fs::directory_iterator(fs::path(executable).parent_path())) {
            if (entry.is_regular_file()) {
                fs::copy_file(entry.path(), folder_ + entry.path().filename().string());
            }
        }
        port_ = FreePort();
        std::ofstream ini(folder_ + "TarvosServer450.ini");
        ini << "[Settings]\nisInstalled=1\nEndpoint=http://localhost:" << port_
            << "/tarvosServer450\n\n[PARAMS]\nTMPDIR_CSIDL=" << folder_ << "\n";
        ini.close();
        std::string copy = folder_ + fs::path(executable).filename().string();
        pid_ = fork();
        if (pid_ == 0) {
            int out = open("/dev/null", O_WRONLY);
            dup2(out, 1);
            dup2(out, 2);
            setsid();
            execl(copy.c_str(), copy.c_str(), "-debug", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200 && FetchBody(port_, "/").empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~Service() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        fs::remove_all(folder_);
    }
    int port() const { return port_; }

    // CPU time the service has used so far (user and system), in seconds.
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        size_t at = text.rfind(')');
        if (at == std::string::npos) return 0;
        std::istringstream fields(text.substr(at + 2));
        std::string field;
        unsigned long long user = 0, system = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) user = std::stoull(field);
            if (i == 15) system = std::stoull(field);
        }
        return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

  private:
    std::string folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// The bare server: every request on a connection gets `body` as JSON.
class BareServer {
  public:
    explicit BareServer(std::string body)
        : body_(std::move(body)),
          acceptor_(context_, {boost::asio::ip::make_address("127.0.0.1"), 0}) {
        Accept();
        for (int i = 0; i < 2; ++i) threads_.emplace_back([this] { context_.run(); });
    }
    ~BareServer() {
        context_.stop();
        for (std::thread& thread : threads_) thread.join();
    }
    int port() const { return acceptor_.local_endpoint().port(); }

  private:
    struct Connection : std::enable_shared_from_this<Connection> {
        Connection(tcp::socket socket, const std::string& body)
            : stream(std::move(socket)), body(body) {}
        void Read() {
            request = {};
            http::async_read(stream, buffer, request,
                             [self = shared_from_this()](beast::error_code error, size_t) {
                                 if (!error) self->Write();
                             });
        }
        void Write() {
            response = {};
            response.result(http::status::ok);
            response.version(request.version());
            response.set(http::field::content_type, "application/json");
            response.keep_alive(request.keep_alive());
            response.body() = body;
            response.prepare_payload();
            http::async_write(stream, response,
                              [self = shared_from_this()](beast::error_code error, size_t) {
                                  if (!error && self->response.keep_alive()) self->Read();
                              });
        }
        beast::tcp_stream stream;
        const std::string& body;
        beast::flat_buffer buffer;
        http::request<http::string_body> request;
        http::response<http::string_body> response;
    };

    void Accept() {
        acceptor_.async_accept(boost::asio::make_strand(context_), [this](beast::error_code error,
                                                                          tcp::socket socket) {
            if (!error) std::make_shared<Connection>(std::move(socket), body_)->Read();
            Accept();
        });
    }

    std::string body_;
    boost::asio::io_context context_;
    tcp::acceptor acceptor_;
    std::vector<std::thread> threads_;
};

// CPU time this process has used (the bare server's threads; the main
// thread waits for wrk), in seconds.
double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// wrk's requests per second (keep-alive), or 0 when it did not run;
// *requests the number it completed.
double Wrk(int port, const std::string& target, int connections, int seconds, int* errors,
           long* requests) {
    std::string command = "wrk -t2 -c" + std::to_string(connections) + " -d" +
                          std::to_string(seconds) + "s 'http://127.0.0.1:" + std::to_string(port) +
                          target + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return 0;
    double rate = 0;
    *errors = 0;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::sscanf(line, "Requests/sec: %lf", &rate);
        std::sscanf(line, " %ld requests in", requests);
        int a = 0, b = 0, c = 0, d = 0;
        if (std::sscanf(line, "  Socket errors: connect %d, read %d, write %d, timeout %d", &a, &b,
                        &c, &d) == 4) {
            *errors += a + b + c + d;
        }
        int non2xx = 0;
        if (std::sscanf(line, "  Non-2xx or 3xx responses: %d", &non2xx) == 1) *errors += non2xx;
    }
    pclose(pipe);
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    std::string executable =
        argc > 1 ? argv[1] : platform::ExecutableDirectory() + "bin/tarvosserver450";
    int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
    Service service(executable);
    std::string created = FetchBody(service.port(), "/tarvosServer450/ITarvos/GetCreateTarvos");
    size_t digits = created.find(':');
    if (digits == std::string::npos) {
        std::fprintf(stderr, "the service at %s did not answer\n", executable.c_str());
        return 1;
    }
    std::string target = "/tarvosServer450/ITarvos/GetModuleVersion?pITarvos=" +
                         std::to_string(std::atoi(created.c_str() + digits + 1));
    std::string body = FetchBody(service.port(), target);
    BareServer bare(body);
    std::printf("GET %s -> %s\nwrk, 2 threads, keep-alive, %d s per figure\n", target.c_str(),
                body.c_str(), seconds);
    std::printf("%-12s %14s %14s %8s %12s %12s\n", "connections", "service req/s", "bare req/s",
                "ratio", "service CPU", "bare CPU");
    std::printf("%-12s %14s %14s %8s %12s %12s\n", "", "", "", "", "us/request", "us/request");
    for (int connections : {16, 64}) {
        int serviceErrors = 0, bareErrors = 0;
        long requests = 0, bareRequests = 0;
        double cpuBefore = service.CpuSeconds();
        double rate = Wrk(service.port(), target, connections, seconds, &serviceErrors, &requests);
        double cpu = service.CpuSeconds() - cpuBefore;
        double bareBefore = OwnCpuSeconds();
        double bareRate =
            Wrk(bare.port(), target, connections, seconds, &bareErrors, &bareRequests);
        double bareCpu = OwnCpuSeconds() - bareBefore;
        std::printf("%-12d %14.0f %14.0f %8.2f %12.1f %12.1f", connections, rate, bareRate,
                    bareRate > 0 ? rate / bareRate : 0, requests > 0 ? cpu * 1e6 / requests : 0,
                    bareRequests > 0 ? bareCpu * 1e6 / bareRequests : 0);
        if (serviceErrors + bareErrors > 0) {
            std::printf("   (errors: service %d, bare %d)", serviceErrors, bareErrors);
        }
        std::printf("\n");
    }
    return 0;
}
