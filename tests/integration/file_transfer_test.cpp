// Files over HTTP against the real service: uploads stored under fresh
// names in the working folder and handed to the module, their error
// replies, downloads confined to the working folder, and the XML and PDF
// documents that GetXML and Print publish.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"
#include "tests/refdata.h"

namespace {

namespace fs = std::filesystem;

using invoice_http::Answer;
using invoice_http::Handle;
using invoice_http::kRequest;
using invoice_http::kResult;
using invoice_http::Object;
using invoice_http::Text;

const std::string kRefdata = RefdataDir();
const std::string kSample = kRefdata + "samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml";
const std::string kSchema = kRefdata + "xsd/generalInvoiceRequest_450.xsd";
const std::string kLinkPrefix = "/tarvosServer450/files/";

// E_FAIL as the signed "abortCode" of a module abort.
constexpr int kEFail = static_cast<int>(0x80004005);

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The names of the entries of `folder` (none when it does not exist).
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The entries of `folder` that are not in `before`.
std::vector<std::string> NewEntries(const std::string& folder,
                                    const std::set<std::string>& before) {
    std::vector<std::string> added;
    for (const std::string& name : Entries(folder)) {
        if (before.count(name) == 0) added.push_back(name);
    }
    return added;
}

// Every byte but the unreserved ones as %XX.
std::string PercentEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The value of the first attribute `name` in an XML text.
std::string AttributeOf(const std::string& xml, const std::string& name) {
    std::string marker = " " + name + "=\"";
    size_t start = xml.find(marker);
    if (start == std::string::npos) return std::string();
    start += marker.size();
    return xml.substr(start, xml.find('"', start) - start);
}

// Runs a shell command; its exit code, and what it printed in `output`.
int RunCommand(const std::string& command, std::string* output) {
    output->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, got);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// True when `name` is the lower-case text form of a UUID followed by
// `extension` ("8-4-4-4-12" hexadecimal digits).
bool IsUuidName(const std::string& name, const std::string& extension) {
    if (name.size() != 36 + extension.size() ||
        name.compare(36, std::string::npos, extension) != 0) {
        return false;
    }
    for (size_t i = 0; i < 36; ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        char c = name[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

// ---- a raw client that streams a large body -----------------------------

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

// Status and body of a raw response (0 and empty when none came).
HttpResponse ParseResponse(const std::string& raw) {
    HttpResponse response;
    size_t end = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || end == std::string::npos) return response;
    response.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    response.body = raw.substr(end + 4);
    return response;
}

std::string ReceiveUntilClosed(int fd, int timeoutMs) {
    std::string data;
    char buffer[65536];
    while (Readable(fd, timeoutMs)) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    return data;
}

struct StreamedUpload {
    int64_t size = 0;       // bytes of the body
    std::string head;       // the body's first bytes; filler follows
    bool chunked = false;   // Transfer-Encoding: chunked, no Content-Length
    int64_t sendOnly = -1;  // stop after this many bytes and hang up (-1: all)
};

// POSTs an octet-stream body to `target`, written to the socket piece by
// piece from one reused buffer of 1 MB, so the client never holds the whole
// body. Stops sending as soon as the service answers.
HttpResponse StreamUpload(int port, const std::string& target, const StreamedUpload& upload) {
    int fd = ConnectLoopback(port);
    if (fd < 0) return HttpResponse();
    std::string headers = "POST " + target +
                          " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
                          "\r\nConnection: close\r\nContent-Type: application/octet-stream\r\n";
    headers += upload.chunked ? "Transfer-Encoding: chunked\r\n"
                              : "Content-Length: " + std::to_string(upload.size) + "\r\n";
    headers += "\r\n";
    bool ok = SendAll(fd, headers.data(), headers.size());

    std::string piece(1 << 20, 'x');
    piece.replace(0, upload.head.size(), upload.head);
    int64_t limit = upload.sendOnly < 0 ? upload.size : upload.sendOnly;
    int64_t sent = 0;
    while (ok && sent < limit && !Readable(fd, 0)) {
        size_t count = static_cast<size_t>(std::min<int64_t>(limit - sent, piece.size()));
        if (sent > 0) piece.replace(0, upload.head.size(), upload.head.size(), 'x');
        if (upload.chunked) {
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", count);
            ok = SendAll(fd, size, std::strlen(size));
        }
        ok = ok && SendAll(fd, piece.data(), count);
        if (upload.chunked) ok = ok && SendAll(fd, "\r\n", 2);
        sent += static_cast<int64_t>(count);
    }
    if (upload.sendOnly >= 0) {
        close(fd);  // the client goes away in the middle of the body
        return HttpResponse();
    }
    if (ok && upload.chunked && sent == upload.size) SendAll(fd, "0\r\n\r\n", 5);
    HttpResponse response = ParseResponse(ReceiveUntilClosed(fd, 60000));
    close(fd);
    return response;
}

// The pid of the process running `server`'s copy of the executable.
int ServerPid(const ServerProcess& server) {
    std::error_code error;
    fs::path executable = fs::weakly_canonical(server.folder() + "tarvosserver450", error);
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code unreadable;
        fs::path target = fs::read_symlink(entry.path() / "exe", unreadable);
        if (!unreadable && target == executable) return std::stoi(name);
    }
    return -1;
}

// The service's module log once it holds `text` (the service answers a
// request before it logs it), or as it is after 20 s.
std::string LogHolding(const ServerProcess& server, const std::string& text) {
    std::string log = server.ReadLog();
    for (int i = 0; i < 200 && log.find(text) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        log = server.ReadLog();
    }
    return log;
}

// The peak resident size of process `pid` in kB (VmHWM), -1 when unknown.
long PeakResidentKb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// ---- the suite ----------------------------------------------------------

// One service for the suite; tests that break the service's working folder
// or need other limits start a service of their own.
class FileTransferTest : public SuiteServer<FileTransferTest> {
  protected:
    static std::string WorkFolder(const ServerProcess& server) {
        return server.folder() + "tolvan/Halvo450Rest/";
    }
    static std::string WorkFolder() { return WorkFolder(*server_); }

    // POST of `body` as an upload to /<interfaceName>/<method>?<query>.
    static HttpResponse Upload(const ServerProcess& server, const std::string& interfaceName,
                               const std::string& method, const std::string& query,
                               const std::string& body) {
        return server.client().Send("POST",
                                    ServerProcess::Path(interfaceName, method) + "?" + query, body,
                                    {{"Content-Type", "application/octet-stream"}});
    }
    static HttpResponse Upload(const std::string& interfaceName, const std::string& method,
                               const std::string& query, const std::string& body) {
        return Upload(*server_, interfaceName, method, query, body);
    }

    // LoadXML of `body` uploaded under the client name `clientName`.
    HttpResponse UploadInvoice(int manager, const std::string& clientName,
                               const std::string& body) {
        return Upload(
            "ITarvos", "LoadXML",
            "pITarvos=" + std::to_string(manager) + "&bstrInputFile=" + PercentEncode(clientName),
            body);
    }

    // GET of a download link as a client forms it: listener URI + link.
    static HttpResponse Download(const std::string& link) {
        return server_->client().Get("/tarvosServer450" + link);
    }

    // The sample invoice built over HTTP on a new request, finalized.
    void FinalizedSample(int manager) {
        int request = client_.Request(manager);
        ASSERT_GT(request, 0);
        invoice_http::SampleBuilder build(client_, request);
        build.SetSections();
        build.AddServices();
        Answer finalized = client_.Post(kRequest, "Finalize", request);
        ASSERT_EQ(200, finalized.status) << finalized.text;
    }

    Answer Print(int manager, const std::string& printTemplate) {
        return client_.Post("ITarvos", "Print", manager,
                            Object({{"bstrPrintTemplate", Text(printTemplate)},
                                    {"lGenerationAttributes", Handle(0)},
                                    {"eAddressRight", Handle(1)},
                                    {"eSortTimeTariff", Handle(0)},
                                    {"bstrSenderID", Text("")},
                                    {"plTimestamp", Handle(0)}}));
    }
    Answer GetXml(int manager) {
        return client_.Post(
            "ITarvos", "GetXML", manager,
            Object({{"lGenerationAttributes", Handle(0)}, {"plTimestamp", Handle(0)}}));
    }

    invoice_http::Client client_{*server_};
};

std::string Str(const web::json::value& body, const char* key) {
    return body.has_string_field(key) ? body.at(key).as_string()
                                      : "<missing " + std::string(key) + ">";
}
int Int(const web::json::value& body, const char* key) {
    return body.has_integer_field(key) ? body.at(key).as_integer() : -99999;
}
bool True(const web::json::value& body, const char* key) {
    return body.has_boolean_field(key) && body.at(key).as_bool();
}

// The file name at the end of a download link ("" when it is no link).
std::string LinkedName(const std::string& link) {
    if (link.compare(0, kLinkPrefix.size(), kLinkPrefix) != 0) return std::string();
    return link.substr(kLinkPrefix.size());
}

// ---- uploads ------------------------------------------------------------

TEST_F(FileTransferTest, UploadedInvoiceIsStoredUnderUuidNameAndLoadedByTheModule) {
    REQUIRE_REFDATA();
    int manager = client_.Manager();
    ASSERT_GT(manager, 0);
    std::string sample = ReadFile(kSample);
    ASSERT_FALSE(sample.empty()) << kSample;
    std::set<std::string> before = Entries(WorkFolder());

    HttpResponse loaded = UploadInvoice(manager, "C:\\Users\\x\\Invoice.XML", sample);
    ASSERT_EQ(200, loaded.status) << loaded.body;
    web::json::value body = web::json::value::parse(loaded.body);
    EXPECT_EQ("generalInvoiceRequest_450.xsd", Str(body, "pbstrUsedSchema"));
    EXPECT_GT(Int(body, "pIGeneralInvoiceRequest"), 0);
    EXPECT_TRUE(True(body, "pbStatus"));

    // Stored under a fresh UUID name with the client's extension, as sent.
    std::vector<std::string> added = NewEntries(WorkFolder(), before);
    ASSERT_EQ(1u, added.size());
    EXPECT_TRUE(IsUuidName(added[0], ".XML")) << added[0];
    std::string stored = WorkFolder() + added[0];
    EXPECT_EQ(sample, ReadFile(stored));
    // The module received the stored path in place of the client's name.
    std::string entry = "'bstrInputFile':'" + stored + "'";
    std::string log = LogHolding(*server_, entry);
    EXPECT_NE(std::string::npos, log.find(entry)) << log;
    EXPECT_EQ(std::string::npos, log.find("Invoice.XML"));

    // The loaded invoice reads back with the file's values.
    int result = Int(body, "pIGeneralInvoiceResult");
    ASSERT_GT(result, 0) << loaded.body;
    Answer invoice = client_.Post(kResult, "GetInvoice", result);
    ASSERT_EQ(200, invoice.status) << invoice.text;
    EXPECT_EQ(AttributeOf(sample, "request_id"), Str(invoice.body, "pbstrRequestInvoiceID"));
    EXPECT_EQ(std::stol(AttributeOf(sample, "request_timestamp")),
              Int(invoice.body, "plRequestInvoiceTimestamp"));
    Answer patient = client_.Post(kResult, "GetPatient", result);
    ASSERT_EQ(200, patient.status) << patient.text;
    EXPECT_EQ("Spitzkiel", Str(patient.body.at("pIAddress"), "pbstrFamilyname"));

    // A client that lower-cases the name still finds the stored file.
    std::string lower = added[0].substr(0, 36) + ".xml";
    HttpResponse file = Download(kLinkPrefix + lower);
    EXPECT_EQ(200, file.status);
    EXPECT_EQ(sample, file.body);
}

TEST_F(FileTransferTest, ClientNameWithoutDotIsStoredAsXml) {
    REQUIRE_REFDATA();
    int manager = client_.Manager();
    std::string sample = ReadFile(kSample);
    for (const char* clientName : {"Invoice", "C:\\Rechnungen.2020\\Invoice", "\\.invoice"}) {
        SCOPED_TRACE(clientName);
        std::set<std::string> before = Entries(WorkFolder());
        HttpResponse loaded = UploadInvoice(manager, clientName, sample);
        EXPECT_EQ(200, loaded.status) << loaded.body;
        std::vector<std::string> added = NewEntries(WorkFolder(), before);
        ASSERT_EQ(1u, added.size());
        EXPECT_TRUE(IsUuidName(added[0], ".xml")) << added[0];
    }
}

TEST_F(FileTransferTest, SourceWinsOverFileWhenBothNameTheUpload) {
    int request = client_.Request(client_.Manager());
    ASSERT_GT(request, 0);
    std::set<std::string> before = Entries(WorkFolder());
    // "bstrFile" comes first in the query: the order of the keys decides,
    // not their place.
    HttpResponse added = Upload(
        kRequest, "AddDocument",
        "pIGeneralInvoiceRequest=" + std::to_string(request) +
            "&bstrFile=other.png&eIsURL=0&bstrSource=" + PercentEncode("D:\\Scans\\Bericht.pdf") +
            "&bstrTitle=Bericht&bstrMimeType=application%2Fpdf",
        "%PDF-1.4 report\n");
    ASSERT_EQ(200, added.status) << added.body;
    EXPECT_TRUE(True(web::json::value::parse(added.body), "pbStatus")) << added.body;

    std::vector<std::string> stored = NewEntries(WorkFolder(), before);
    ASSERT_EQ(1u, stored.size());
    EXPECT_TRUE(IsUuidName(stored[0], ".pdf")) << stored[0];
    EXPECT_EQ("%PDF-1.4 report\n", ReadFile(WorkFolder() + stored[0]));
    std::string entry = "'bstrSource':'" + WorkFolder() + stored[0] + "'";
    std::string log = LogHolding(*server_, entry);
    EXPECT_NE(std::string::npos, log.find(entry)) << log;
    EXPECT_NE(std::string::npos, log.find("'bstrFile':'other.png'")) << log;
}

// The service's peak resident size around one streamed upload.
struct PeakAround {
    long beforeKb = -1;
    long afterKb = -1;
    HttpResponse answer;
    std::vector<std::string> stored;  // what the upload added to the working folder
};

// The target of an upload that AddDocument takes as a PDF document.
std::string DocumentTarget(int request) {
    return ServerProcess::Path(kRequest, "AddDocument") +
           "?pIGeneralInvoiceRequest=" + std::to_string(request) +
           "&eIsURL=0&bstrSource=big.pdf&bstrTitle=Big&bstrMimeType=application%2Fpdf";
}

// Streams a body of `size` bytes as a document of a new request of
// `server`. A first upload of 512 kB brings the service's threads and
// buffers to their working size, so that the peak after it is the base line.
PeakAround MeasureUpload(const ServerProcess& server, int64_t size) {
    PeakAround peak;
    invoice_http::Client client(server);
    int request = client.Request(client.Manager());
    int pid = ServerPid(server);
    if (request <= 0 || pid <= 0) return peak;
    std::string target = DocumentTarget(request);
    StreamUpload(server.port(), target, StreamedUpload{512 << 10, "%PDF-1.4\n"});
    std::string folder = server.folder() + "tolvan/Halvo450Rest/";
    std::set<std::string> existing = Entries(folder);
    peak.beforeKb = PeakResidentKb(pid);
    peak.answer = StreamUpload(server.port(), target, StreamedUpload{size, "%PDF-1.4\n"});
    peak.afterKb = PeakResidentKb(pid);
    peak.stored = NewEntries(folder, existing);
    std::printf(
        "[ figures  ] VmHWM around an upload of %lld bytes: %ld kB before, %ld kB after "
        "(+%ld kB)\n",
        static_cast<long long>(size), peak.beforeKb, peak.afterKb, peak.afterKb - peak.beforeKb);
    return peak;
}

TEST_F(FileTransferTest, LargeUploadArrivesWhole) {
    const int64_t size = 50LL << 20;
    PeakAround peak = MeasureUpload(*server_, size);
    ASSERT_EQ(200, peak.answer.status) << peak.answer.body;
    EXPECT_TRUE(True(web::json::value::parse(peak.answer.body), "pbStatus")) << peak.answer.body;
    ASSERT_EQ(1u, peak.stored.size());
    std::string stored = WorkFolder() + peak.stored[0];
    EXPECT_EQ(static_cast<uintmax_t>(size), fs::file_size(stored));
    std::ifstream file(stored, std::ios::binary);
    std::string start(9, '\0');
    file.read(&start[0], 9);
    EXPECT_EQ("%PDF-1.4\n", start);
    fs::remove(stored);
}

// The REST library reads a request body as fast as the client sends it,
// into memory, whatever pace the service writes it to disk at; the service
// drains it in large chunks so that little piles up (measured: +4 to +11 MB
// on loopback, where a body held whole would add 50 MB).
TEST_F(FileTransferTest, LargeUploadDoesNotRaiseThePeakMemory) {
#ifdef TARVOS_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizer's quarantine holds freed memory";
#endif
    ServerProcess fresh;
    ASSERT_TRUE(fresh.Start()) << fresh.Output();
    PeakAround peak = MeasureUpload(fresh, 50LL << 20);
    ASSERT_EQ(200, peak.answer.status) << peak.answer.body;
    ASSERT_GT(peak.beforeKb, 0);
    EXPECT_LT(peak.afterKb - peak.beforeKb, 16 * 1024);
}

// The library sends the refusal only once the whole body has arrived; the
// service reads and drops it meanwhile instead of letting it pile up.
TEST_F(FileTransferTest, RefusedUploadDoesNotRaiseThePeakMemory) {
#ifdef TARVOS_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizer's quarantine holds freed memory";
#endif
    ServerProcess small({"MaxBodyBytes=1000000"});
    ASSERT_TRUE(small.Start()) << small.Output();
    PeakAround peak = MeasureUpload(small, 60LL << 20);
    ExpectEnvelope(peak.answer, 413);
    EXPECT_TRUE(peak.stored.empty());
    ASSERT_GT(peak.beforeKb, 0);
    EXPECT_LT(peak.afterKb - peak.beforeKb, 16 * 1024);
}

TEST_F(FileTransferTest, ConcurrentUploadsGetFilesOfTheirOwn) {
    constexpr int kUploads = 8;
    std::vector<int> requests;
    for (int i = 0; i < kUploads; ++i) requests.push_back(client_.Request(client_.Manager()));
    std::set<std::string> before = Entries(WorkFolder());
    std::vector<int> statuses(kUploads);
    std::vector<std::thread> clients;
    for (int i = 0; i < kUploads; ++i) {
        clients.emplace_back([&, i] {
            StreamedUpload upload{3 << 20, "%PDF-1.4 upload " + std::to_string(i) + "\n"};
            statuses[i] = StreamUpload(server_->port(), DocumentTarget(requests[i]), upload).status;
        });
    }
    for (std::thread& client : clients) client.join();

    std::vector<std::string> stored = NewEntries(WorkFolder(), before);
    ASSERT_EQ(static_cast<size_t>(kUploads), stored.size());
    std::set<std::string> heads;
    for (const std::string& name : stored) {
        EXPECT_TRUE(IsUuidName(name, ".pdf")) << name;
        EXPECT_EQ(static_cast<uintmax_t>(3 << 20), fs::file_size(WorkFolder() + name));
        std::ifstream file(WorkFolder() + name, std::ios::binary);
        std::string head;
        std::getline(file, head);
        heads.insert(head);
        fs::remove(WorkFolder() + name);
    }
    EXPECT_EQ(static_cast<size_t>(kUploads), heads.size());  // each body in a file of its own
    for (int status : statuses) EXPECT_EQ(200, status);
}

// The extension is the client's text after its last dot; line breaks and
// quotes in it must reach neither the stored name nor the Content-Disposition
// header of its download.
TEST_F(FileTransferTest, ClientExtensionCannotBreakTheDownloadHeaders) {
    int manager = client_.Manager();
    std::set<std::string> before = Entries(WorkFolder());
    UploadInvoice(manager, "a.x\r\nX-Injected: 1", "<x/>");
    UploadInvoice(manager, "b.x\"y", "<x/>");
    for (const std::string& name : NewEntries(WorkFolder(), before)) {
        SCOPED_TRACE(name);
        EXPECT_EQ(std::string::npos, name.find_first_of("\r\n\"")) << "stored name";
        HttpResponse file = Download(kLinkPrefix + PercentEncode(name));
        EXPECT_EQ(0u, file.headers.count("x-injected"));
        std::string disposition = file.headers["content-disposition"];
        EXPECT_EQ(2, std::count(disposition.begin(), disposition.end(), '"')) << disposition;
    }
}

// ---- upload error replies -----------------------------------------------

TEST_F(FileTransferTest, UploadWithoutFileKeyIs408AndStoresNothing) {
    int manager = client_.Manager();
    std::set<std::string> before = Entries(WorkFolder());
    HttpResponse answer =
        Upload("ITarvos", "LoadXML", "pITarvos=" + std::to_string(manager) + "&bstrPath=x.xml",
               ReadFile(kSample));
    EXPECT_EQ("The variable [bstrFile] could not be extracted from the JSON of [ITarvos::LoadXML]",
              ExpectEnvelope(answer, 408));
    EXPECT_TRUE(NewEntries(WorkFolder(), before).empty());
}

TEST_F(FileTransferTest, UploadOverTheLimitIs413AndLeavesNoFile) {
    ServerProcess small({"MaxBodyBytes=1000000"});
    ASSERT_TRUE(small.Start()) << small.Output();
    int manager = invoice_http::Client(small).Manager();
    std::string target = ServerProcess::Path("ITarvos", "LoadXML") +
                         "?pITarvos=" + std::to_string(manager) + "&bstrInputFile=big.xml";
    const std::string text =
        "The request body of more than 1000000 bytes exceeds the limit of "
        "1000000 bytes";

    // Announced by Content-Length.
    StreamedUpload announced{1500000, "<x/>"};
    EXPECT_EQ(text, ExpectEnvelope(StreamUpload(small.port(), target, announced), 413));
    ASSERT_TRUE(fs::is_directory(WorkFolder(small)));
    EXPECT_TRUE(Entries(WorkFolder(small)).empty());

    // Sent in chunks without a length: refused once the limit is passed,
    // and the part already written is removed.
    StreamedUpload chunked{1500000, "<x/>"};
    chunked.chunked = true;
    EXPECT_EQ(text, ExpectEnvelope(StreamUpload(small.port(), target, chunked), 413));
    EXPECT_TRUE(Entries(WorkFolder(small)).empty());

    // Up to the limit is fine.
    EXPECT_NE(413, Upload(small, "ITarvos", "LoadXML",
                          "pITarvos=" + std::to_string(manager) + "&bstrInputFile=a.xml",
                          std::string(1000000, ' '))
                       .status);
    EXPECT_EQ(1u, Entries(WorkFolder(small)).size());
}

TEST_F(FileTransferTest, UploadThatCannotBeWrittenIs407) {
    REQUIRE_REFDATA();
    ServerProcess own;
    ASSERT_TRUE(own.Start()) << own.Output();
    int manager = invoice_http::Client(own).Manager();
    std::string query = "pITarvos=" + std::to_string(manager) + "&bstrInputFile=a.xml";
    // The service has settled on its working folder; take it away.
    ASSERT_EQ(200, Upload(own, "ITarvos", "LoadXML", query, ReadFile(kSample)).status);
    fs::remove_all(WorkFolder(own));
    EXPECT_EQ("The given interface method [ITarvos::LoadXML] produced a fatal, undefined error",
              ExpectEnvelope(Upload(own, "ITarvos", "LoadXML", query, ReadFile(kSample)), 407));
    EXPECT_FALSE(fs::exists(WorkFolder(own)));
}

TEST_F(FileTransferTest, UploadBrokenOffByTheClientLeavesNoFile) {
    ServerProcess own;
    ASSERT_TRUE(own.Start()) << own.Output();
    int manager = invoice_http::Client(own).Manager();
    std::string target = ServerProcess::Path("ITarvos", "LoadXML") +
                         "?pITarvos=" + std::to_string(manager) + "&bstrInputFile=a.xml";
    StreamedUpload broken{4 << 20, "<x/>"};
    broken.sendOnly = 1 << 20;
    StreamUpload(own.port(), target, broken);
    // The service notes the failed upload in its log; wait for that line.
    std::string log = LogHolding(own, "handle_post01:");
    EXPECT_NE(std::string::npos,
              log.find("The given interface method [ITarvos::LoadXML] produced a fatal"))
        << log;
    EXPECT_TRUE(Entries(WorkFolder(own)).empty());
}

// ---- downloads ----------------------------------------------------------

TEST_F(FileTransferTest, DownloadFindsFilesWithoutRegardToCase) {
    REQUIRE_REFDATA();
    int manager = client_.Manager();
    std::string sample = ReadFile(kSample);
    std::set<std::string> before = Entries(WorkFolder());
    ASSERT_EQ(200, UploadInvoice(manager, "a.xml", sample).status);
    std::vector<std::string> added = NewEntries(WorkFolder(), before);
    ASSERT_EQ(1u, added.size());
    std::string name = added[0];
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    for (const std::string& path :
         {"/tarvosServer450/files/" + name, "/tarvosServer450/Files/" + name,
          "/tarvosServer450/FILES/" + upper}) {
        SCOPED_TRACE(path);
        HttpResponse file = Download(path);
        ASSERT_EQ(200, file.status);
        EXPECT_EQ(sample, file.body);
        EXPECT_EQ("application/octet-stream", file.headers["content-type"]);
        EXPECT_EQ("attachment; filename=\"" + WorkFolder() + name + "\"",
                  file.headers["content-disposition"]);
        EXPECT_EQ("no-cache", file.headers["cache-control"]);
    }
}

TEST_F(FileTransferTest, DownloadOfMissingFileIs404WithoutBody) {
    REQUIRE_REFDATA();
    for (const char* path : {"/tarvosServer450/files/nothing-here.pdf", "/tarvosServer450/files",
                             "/tarvosServer450/files/"}) {
        SCOPED_TRACE(path);
        HttpResponse missing = Download(path);
        EXPECT_EQ(404, missing.status);
        EXPECT_EQ("", missing.body);
    }
    // Without the endpoint path in front, "files" is taken for an interface.
    ExpectEnvelope(server_->client().Get("/tarvosServer450/files/nothing-here.pdf"), 402);

    // Only plain files are served.
    ASSERT_EQ(200, UploadInvoice(client_.Manager(), "a.xml", ReadFile(kSample)).status);
    fs::create_directory(WorkFolder() + "folder");
    HttpResponse folder = Download(kLinkPrefix + "folder");
    EXPECT_EQ(404, folder.status);
    EXPECT_EQ("", folder.body);
}

// The module log's entry lines of handler "handle_files" that name `name`.
std::vector<std::string> DownloadEntries(const std::string& log, const std::string& name) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("method=\"handle_files\"") != std::string::npos &&
            line.find(name) != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST_F(FileTransferTest, DownloadsAreLoggedWithTheirStatus) {
    REQUIRE_REFDATA();
    std::set<std::string> before = Entries(WorkFolder());
    ASSERT_EQ(200, UploadInvoice(client_.Manager(), "logged.xml", ReadFile(kSample)).status);
    std::vector<std::string> added = NewEntries(WorkFolder(), before);
    ASSERT_EQ(1u, added.size());
    std::string name = added[0];
    ASSERT_EQ(200, Download(kLinkPrefix + name).status);
    ASSERT_EQ(404, Download(kLinkPrefix + "never-there.xml").status);
    LogHolding(*server_, "argv2=\"" + name + "\"");
    std::string log = LogHolding(*server_, "argv2=\"never-there.xml\"");
    std::vector<std::string> sent = DownloadEntries(log, name);
    ASSERT_EQ(1u, sent.size()) << log;
    EXPECT_NE(std::string::npos, sent[0].find(" status=\"0\" ")) << sent[0];
    std::vector<std::string> missing = DownloadEntries(log, "never-there.xml");
    ASSERT_EQ(1u, missing.size()) << log;
    EXPECT_NE(std::string::npos, missing[0].find(" status=\"404\" ")) << missing[0];
}

// A download's entry carries the argument text "99999", not the arguments of
// a call.
TEST_F(FileTransferTest, DownloadEntryCarriesTheArgumentText99999) {
    ASSERT_EQ(404, Download(kLinkPrefix + "looked-for.xml").status);
    std::string log = LogHolding(*server_, "argv2=\"looked-for.xml\"");
    std::vector<std::string> entries = DownloadEntries(log, "looked-for.xml");
    ASSERT_EQ(1u, entries.size());
    EXPECT_NE(std::string::npos, entries[0].find("\"99999\"")) << entries[0];
}

TEST_F(FileTransferTest, DownloadNeverLeavesTheWorkingFolder) {
    REQUIRE_REFDATA();
    ASSERT_EQ(200, UploadInvoice(client_.Manager(), "a.xml", ReadFile(kSample)).status);
    // Links in the working folder that lead out of it.
    ASSERT_EQ(0, symlink("/etc/passwd", (WorkFolder() + "passwd-link").c_str()));
    ASSERT_EQ(0, symlink((server_->folder() + "TarvosServer450.ini").c_str(),
                         (WorkFolder() + "ini-link").c_str()));
    ASSERT_EQ(0, symlink("/etc", (WorkFolder() + "etc-link").c_str()));
    ASSERT_EQ(0, symlink("../../TarvosServer450.ini", (WorkFolder() + "relative-link").c_str()));

    for (const char* name :
         {"../../etc/passwd", "..%2F..%2Fetc%2Fpasswd", "%2e%2e%2f%2e%2e%2fetc%2fpasswd",
          "%2E%2E%2F%2E%2E%2F%2E%2E%2F%2E%2E%2Fetc%2Fpasswd", "%252e%252e%252fetc%252fpasswd",
          "..%252F..%252Fetc%252Fpasswd", "..%5C..%5CTarvosServer450.ini",
          "..%2F..%2FTarvosServer450.ini", "%2e%2e", "%2fetc%2fpasswd", "passwd-link", "ini-link",
          "INI-LINK", "etc-link%2Fpasswd", "relative-link", "..", "."}) {
        SCOPED_TRACE(name);
        HttpResponse answer = Download(std::string("/tarvosServer450/files/") + name);
        EXPECT_EQ(404, answer.status);
        EXPECT_EQ("", answer.body);
    }
}

// ---- produced documents -------------------------------------------------

// How many files of the engine's output folder, written since `since`, hold
// exactly `bytes`.
int EngineOutputsWith(const std::string& bytes, fs::file_time_type since) {
    int count = 0;
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error) / "tarvos-engine" / "output";
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::error_code gone;
        if (entry.last_write_time(gone) >= since && !gone &&
            entry.file_size(gone) == bytes.size() && !gone &&
            ReadFile(entry.path().string()) == bytes) {
            ++count;
        }
    }
    return count;
}

TEST_F(FileTransferTest, GetXmlPublishesTheWrittenDocument) {
    REQUIRE_REFDATA();
    int manager = client_.Manager();
    FinalizedSample(manager);
    std::set<std::string> before = Entries(WorkFolder());
    fs::file_time_type start = fs::file_time_type::clock::now() - std::chrono::seconds(2);
    Answer xml = GetXml(manager);
    ASSERT_EQ(200, xml.status) << xml.text;
    EXPECT_EQ(0, Int(xml.body, "plValidationError"));
    EXPECT_EQ("generalInvoiceRequest_450.xsd", Str(xml.body, "pbstrUsedSchema"));
    EXPECT_TRUE(True(xml.body, "pbStatus"));
    std::string link = Str(xml.body, "pbstrOutputFile");
    std::string name = LinkedName(link);
    ASSERT_TRUE(IsUuidName(name, ".xml")) << link;
    EXPECT_EQ(std::vector<std::string>{name}, NewEntries(WorkFolder(), before));

    HttpResponse file = Download(link);
    ASSERT_EQ(200, file.status);
    EXPECT_EQ(ReadFile(WorkFolder() + name), file.body);
    EXPECT_EQ("000001000001", AttributeOf(file.body, "request_id"));
    // ... and is a copy of what the engine wrote into its own output folder.
    EXPECT_GE(EngineOutputsWith(file.body, start), 1);

    // The downloaded document is valid against the published schema.
    std::string copy = server_->folder() + "downloaded.xml";
    WriteFile(copy, file.body);
    std::string output;
    EXPECT_EQ(
        0, RunCommand("xmllint --noout --nonet --schema '" + kSchema + "' '" + copy + "'", &output))
        << output;

    // The result handed out reads the invoice as written.
    int result = Int(xml.body, "pIGeneralInvoiceResult");
    ASSERT_GT(result, 0);
    Answer invoice = client_.Post(kResult, "GetInvoice", result);
    EXPECT_EQ(AttributeOf(file.body, "request_timestamp"),
              std::to_string(Int(invoice.body, "plRequestInvoiceTimestamp")));
}

TEST_F(FileTransferTest, PrintPublishesAPdfOfTheInvoice) {
    int manager = client_.Manager();
    FinalizedSample(manager);
    std::set<std::string> before = Entries(WorkFolder());
    // The client's own output file is replaced by one in the working folder.
    Answer printed = Print(manager, "Reclaim(PDF_NOPRINT=C:\\Temp\\mine.pdf;Copy=1)");
    ASSERT_EQ(200, printed.status) << printed.text;
    EXPECT_TRUE(True(printed.body, "pbStatus"));
    EXPECT_GT(Int(printed.body, "pIGeneralInvoiceResult"), 0);
    EXPECT_EQ(1591170775, Int(printed.body, "plTimestamp"));
    std::string link = Str(printed.body, "pbstrPDFFile");
    std::string name = LinkedName(link);
    ASSERT_TRUE(IsUuidName(name, ".pdf")) << link;
    EXPECT_EQ(std::vector<std::string>{name}, NewEntries(WorkFolder(), before));

    HttpResponse file = Download(link);
    ASSERT_EQ(200, file.status);
    EXPECT_EQ(0u, file.body.find("%PDF-"));
    EXPECT_EQ(ReadFile(WorkFolder() + name), file.body);
    std::string copy = server_->folder() + "downloaded.pdf";
    WriteFile(copy, file.body);
    std::string output;
    EXPECT_EQ(0, RunCommand("qpdf --check '" + copy + "'", &output)) << output;
    ASSERT_EQ(0, RunCommand("pdftotext '" + copy + "' -", &output)) << output;
    EXPECT_NE(std::string::npos, output.find("Beatrice Spitzkiel")) << output;
    EXPECT_NE(std::string::npos, output.find("Kopie")) << output;  // Copy=1 passed on

    // Each print gets a file of its own.
    Answer again = Print(manager, "Reclaim()");
    ASSERT_EQ(200, again.status) << again.text;
    EXPECT_NE(link, Str(again.body, "pbstrPDFFile"));
    EXPECT_TRUE(IsUuidName(LinkedName(Str(again.body, "pbstrPDFFile")), ".pdf")) << again.text;
}

TEST_F(FileTransferTest, PrintAndGetXmlWithoutFinalizedRequestAbort) {
    int manager = client_.Manager();
    int request = client_.Request(manager);
    ASSERT_GT(request, 0);
    client_.Call(kRequest, "Initialize", request, Object({{"eDataLanguage", Handle(1)}}));
    std::set<std::string> before = Entries(WorkFolder());

    Answer print = Print(manager, "");
    std::string text = ExpectEnvelope(HttpResponse{print.status, {}, print.text}, kEFail);
    EXPECT_EQ(0u, text.find("Print: ")) << text;
    Answer xml = GetXml(manager);
    text = ExpectEnvelope(HttpResponse{xml.status, {}, xml.text}, kEFail);
    EXPECT_EQ(0u, text.find("GetXML: ")) << text;
    EXPECT_TRUE(NewEntries(WorkFolder(), before).empty());
}

}  // namespace
