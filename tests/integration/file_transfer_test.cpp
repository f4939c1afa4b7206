// Files over HTTP against the real service: uploads stored under fresh
// names in the working folder and handed to the module, their error
// replies, downloads confined to the working folder, and the XML and PDF
// documents that GetXML and Print publish.

#include <gtest/gtest.h>

#include <cpprest/base_uri.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/transport_socket.h"

namespace {

namespace fs = std::filesystem;
using namespace invoice_http;

const std::string kLinkPrefix = "/tarvosServer450/files/";
const std::string kOctets = "application/octet-stream";

// The entries of `folder` that are not in `before`.
std::vector<std::string> NewEntries(const std::string& folder,
                                    const std::vector<std::string>& before = {}) {
    std::vector<std::string> added;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
    }
    return added;
}

// True once the service's module log holds `text` (the service answers a
// request before it logs it); false after 20 s.
bool LogHolds(const ServerProcess& server, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
        if (Contains(server.ReadLog(), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// One service and the sample that GetXML wrote for the suite;
// tests that break the working folder or need other limits start their own.
class FileTransferTest : public SampleServer<FileTransferTest> {
  protected:
    static void SetUpTestSuite() {
        SampleServer::SetUpTestSuite();
        invoice_ = Download(kLinkPrefix + Linked(written_, "pbstrOutputFile")).body;
    }

    // An upload of `body` to LoadXML of `server` with `query`.
    static HttpResponse LoadXml(const ServerProcess& server, const std::string& query,
                                const std::string& body) {
        return server.client().Send("POST", ServerProcess::Path(kManager, "LoadXML") + "?" + query,
                                    body, {{"Content-Type", kOctets}});
    }
    // GET of a download link as a client forms it: listener URI + link.
    static HttpResponse Download(const std::string& link) {
        return server_->client().Get("/tarvosServer450" + link);
    }
    // The file name of the download link under `key` of `reply`.
    static std::string Linked(const web::json::value& reply, const char* key) {
        const std::string link = reply.at(key).as_string();
        EXPECT_EQ(0u, link.find(kLinkPrefix)) << link;
        return link.substr(kLinkPrefix.size());
    }
    static inline std::string invoice_;  // the document GetXML wrote
};

// ---- uploads ------------------------------------------------------------

// Stored as sent under a fresh UUID name with the client's text after its
// last dot (".xml" without one; line breaks and quotes dropped), and the
// module loads the stored path in place of the client's name.
TEST_F(FileTransferTest, UploadedInvoicesAreStoredUnderFreshNamesAndLoadedByTheModule) {
    const std::pair<const char*, const char*> names[] = {
        {"C:\\Users\\x\\Invoice.XML", ".XML"},
        {"C:\\Rechnungen.2020\\Invoice", ".xml"},
        {"/home/u/a.b.pdf", ".pdf"},
        {"a.x\r\nX-Injected: 1", ".xX-Injected 1"},
        {"C:\\.invoice", ".xml"},
        {"a.p\"df", ".pdf"},
    };
    for (const auto& [clientName, extension] : names) {
        SCOPED_TRACE(clientName);
        std::vector<std::string> before = NewEntries(server_->WorkFolder());
        web::json::value loaded =
            Json(LoadXml(*server_,
                         "pITarvos=" + std::to_string(manager_) + "&bstrInputFile=" +
                             web::uri::encode_data_string(clientName) + "&bstrSource=b.png",
                         invoice_)
                     .body);
        ExpectMembers(R"({"pbStatus":true,"pbstrUsedSchema":"generalInvoiceRequest_450.xsd"})",
                      loaded);
        std::vector<std::string> added = NewEntries(server_->WorkFolder(), before);
        ASSERT_EQ(1u, added.size());
        EXPECT_EQ(extension, added[0].substr(36));
        EXPECT_TRUE(std::regex_match(added[0].substr(0, 36),
                                     std::regex("[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}")))
            << added[0];
        EXPECT_EQ(invoice_, ReadFileText(server_->WorkFolder() + added[0]));
    }
    EXPECT_FALSE(Contains(server_->ReadLog(), "Invoice.XML"));
    // A document's source before a file.
    std::vector<std::string> before = NewEntries(server_->WorkFolder());
    EXPECT_EQ(200, server_->client()
                       .Send("POST",
                             ServerProcess::Path(kRequest, "AddDocument") +
                                 "?bstrFile=b.png&bstrSource=a.pdf&eIsURL=0&bstrTitle=t&"
                                 "bstrMimeType=application/pdf&pIGeneralInvoiceRequest=" +
                                 std::to_string(client_.Request(client_.Manager())),
                             "%PDF-", {{"Content-Type", kOctets}})
                       .status);
    std::vector<std::string> added = NewEntries(server_->WorkFolder(), before);
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(".pdf", added[0].substr(36));
}

// Refused or broken off: the upload leaves no file behind.
TEST_F(FileTransferTest, FailedUploadsLeaveNoFile) {
    ServerProcess small({"MaxBodyBytes=1000000"});
    ASSERT_TRUE(small.Start()) << small.Output();
    const std::string manager = "pITarvos=" + std::to_string(Client(small).Manager());
    const std::string query = manager + "&bstrInputFile=a.xml";
    std::string target = ServerProcess::Path(kManager, "LoadXML") + "?" + query;
    const std::string text =
        "The request body of more than 1000000 bytes exceeds the limit of 1000000 bytes";
    // Announced by Content-Length, and sent in chunks without a length.
    for (bool chunked : {false, true}) {
        EXPECT_EQ(text, ExpectEnvelope(StreamBody(small.port(), target, kOctets, 1000001, "<x/>",
                                                  "x", "", chunked),
                                       413));
    }
    StreamBody(small.port(), target, kOctets, 900000, "<x/>", "x", "", false, 400000);
    EXPECT_TRUE(LogHolds(small, "The given interface method [ITarvos::LoadXML] produced a fatal"));
    // A JSON body over the limit; an upload without a target.
    EXPECT_EQ(text,
              ExpectEnvelope(StreamBody(small.port(), ServerProcess::Path(kManager, "SetLogo"),
                                        "application/json", 1000001, "{\"a\":\"", "x"),
                             413));
    for (const char* target : {"", "pITarvos=0&bstrInputFile=a.xml"}) {
        EXPECT_EQ("The interface address <ITarvos> is undefined or null",
                  ExpectEnvelope(LoadXml(small, target, "<x/>"), 410));
    }
    // Without the key that names the file.
    EXPECT_EQ("The variable [bstrFile] could not be extracted from the JSON of [ITarvos::LoadXML]",
              ExpectEnvelope(LoadXml(small, manager + "&bstrPath=x.xml", "<x/>"), 408));
    EXPECT_TRUE(NewEntries(small.WorkFolder()).empty());

    // Up to the limit is fine.
    EXPECT_EQ(200, LoadXml(small, query, invoice_).status);
    EXPECT_NE(413, LoadXml(small, query, std::string(1000000, ' ')).status);
    EXPECT_EQ(2u, NewEntries(small.WorkFolder()).size());
}

// ---- downloads ----------------------------------------------------------

// A file of the working folder is found without regard to case (the
// listener's path and the file's name); anything else, links out of the
// folder too, is 404 without a body. The entries carry the status and the
// argument text "99999".
TEST_F(FileTransferTest, DownloadsSendTheFilesOfTheWorkingFolderOnly) {
    std::string name = Linked(written_, "pbstrOutputFile"), upper = name;
    std::transform(name.begin(), name.end(), upper.begin(), ::toupper);
    HttpResponse file = Download("/tarvosServer450/FILES/" + upper);
    ASSERT_EQ(200, file.status);
    EXPECT_EQ(invoice_, file.body);
    EXPECT_EQ("application/octet-stream", file.headers["content-type"]);
    EXPECT_EQ("attachment; filename=\"" + server_->WorkFolder() + name + "\"",
              file.headers["content-disposition"]);
    EXPECT_EQ("no-cache", file.headers["cache-control"]);

    std::string work = server_->WorkFolder();
    fs::create_directory(work + "folder");
    // Links in the working folder that lead out of it.
    ASSERT_EQ(0, symlink((server_->folder() + "TarvosServer450.ini").c_str(),
                         (work + "ini-link").c_str()));
    ASSERT_EQ(0, symlink("../../TarvosServer450.ini", (work + "relative-link").c_str()));
    for (const char* name : {"nothing-here.pdf", "folder", "ini-link", "relative-link"}) {
        SCOPED_TRACE(name);
        HttpResponse answer = Download(kLinkPrefix + name);
        EXPECT_EQ(404, answer.status);
        EXPECT_EQ("", answer.body);
    }
    EXPECT_EQ(404, Download("/tarvosServer450/files").status);
    EXPECT_TRUE(LogHolds(*server_,
                         "status=\"404\" method=\"handle_files\" argv1=\"files\" "
                         "argv2=\"nothing-here.pdf\" argv3=\"99999\""));
}

// ---- produced documents -------------------------------------------------

// GetXML's document, a document file of the invoice and Print's PDF (in
// place of the client's own file) are published under fresh names.
TEST_F(FileTransferTest, WrittenAndPrintedDocumentsArePublished) {
    ExpectMembers(R"({"pbStatus":true,"plValidationError":0,"plTimestamp":1591170775,)"
                  R"("pbstrUsedSchema":"generalInvoiceRequest_450.xsd"})",
                  written_);
    std::string name = Linked(written_, "pbstrOutputFile");
    EXPECT_EQ(ReadFileText(server_->WorkFolder() + name), invoice_);
    web::json::value documents = client_.Post(kResult, "GetDocuments", result_).body;
    EXPECT_EQ(kPng, Download(kLinkPrefix + Linked(documents[1], "pbstrSource")).body)
        << documents.serialize();

    std::vector<std::string> before = NewEntries(server_->WorkFolder());
    web::json::value printed = client_.Call(
        kManager, "Print", manager_,
        R"x({"bstrPrintTemplate":"Reclaim(PDF_NOPRINT=C:\\Temp\\mine.pdf;Copy=1)",)x"
        R"("lGenerationAttributes":0,"eAddressRight":1,"eSortTimeTariff":0,"bstrSenderID":"",)"
        R"("plTimestamp":0})");
    ExpectMembers(R"({"plTimestamp":1591170775})", printed);
    EXPECT_GT(printed["pIGeneralInvoiceResult"].as_integer(), 0);
    std::string pdf = Linked(printed, "pbstrPDFFile");
    EXPECT_EQ(std::vector<std::string>{pdf}, NewEntries(server_->WorkFolder(), before));
    EXPECT_EQ("%PDF-", Download(kLinkPrefix + pdf).body.substr(0, 5));
}

}  // namespace
