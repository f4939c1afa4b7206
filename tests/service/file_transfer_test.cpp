// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "endpoint/file_transfer.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

TEST(FileTransferTest, UploadKeyOrder) {
    std::string key;
    auto args = web::json::value::parse(R"({"bstrFile":"a","bstrSource":"b"})");
    ASSERT_TRUE(FindUploadKey(args, &key));
    EXPECT_EQ("bstrSource", key);
    args["bstrInputFile"] = web::json::value::string("c");
    ASSERT_TRUE(FindUploadKey(args, &key));
    EXPECT_EQ("bstrInputFile", key);
    EXPECT_FALSE(FindUploadKey(web::json::value::parse(R"({"x":1})"), &key));
}

TEST(FileTransferTest, UploadExtensions) {
    EXPECT_EQ(".XML", UploadExtension("C:\\Daten\\Rechnungen\\R-17.XML"));
    EXPECT_EQ(".pdf", UploadExtension("/home/u/a.b.pdf"));
    EXPECT_EQ(".xml", UploadExtension("C:\\dir.d\\invoice"));
    EXPECT_EQ(".xml", UploadExtension(".hidden"));
    EXPECT_EQ(".xml", UploadExtension(""));
    // Nothing that a file name may not hold, nor anything that breaks a header.
    EXPECT_EQ(".xX-Injected 1", UploadExtension("a.x\r\nX-Injected: 1"));
    EXPECT_EQ(".xy", UploadExtension("b.x\"y"));
    EXPECT_EQ(".", UploadExtension("c.*?<>|"));
}

TEST(FileTransferTest, EndpointPathOfLinks) {
    EXPECT_EQ("/tarvosServer450", EndpointPath("http://localhost:35340/tarvosServer450"));
    EXPECT_EQ("/a/b", EndpointPath("http://host:1/a/b"));
    EXPECT_EQ("", EndpointPath("http://x"));
}

TEST(FileTransferTest, PublishCopiesUnderAFreshName) {
    TempFolder work, elsewhere;
    WriteFile(elsewhere.Path() + "out.bin", "%PDF-1.4 data");
    web::json::value link = PublishFile(elsewhere.Path() + "out.bin", "application/pdf",
                                        work.Path(), "/tarvosServer450");
    ASSERT_TRUE(link.is_string());
    std::string text = link.as_string();
    ASSERT_EQ(0u, text.find("/tarvosServer450/files/"));
    EXPECT_EQ(".pdf", text.substr(text.size() - 4));
    std::string name = text.substr(std::string("/tarvosServer450/files/").size());
    EXPECT_EQ("%PDF-1.4 data", ReadFileText(work.Path() + name));

    link = PublishFile(elsewhere.Path() + "out.bin", "image/png", work.Path(), "/p");
    ASSERT_TRUE(link.is_string());
    EXPECT_EQ(".png", link.as_string().substr(link.as_string().size() - 4));
}

TEST(FileTransferTest, PublishLocalKeepsTheFile) {
    TempFolder work;
    WriteFile(work.Path() + "kept.xml", "<x/>");
    EXPECT_EQ("/p/files/kept.xml",
              PublishFile(work.Path() + "kept.xml", "LOCAL", work.Path(), "/p").as_string());
}

TEST(FileTransferTest, PublishGivesNullForMissingFilesAndUnknownFormats) {
    TempFolder work;
    EXPECT_TRUE(PublishFile(work.Path() + "gone.pdf", "PDF", work.Path(), "/p").is_null());
    WriteFile(work.Path() + "a.doc", "x");
    EXPECT_TRUE(PublishFile(work.Path() + "a.doc", "DOC", work.Path(), "/p").is_null());
}

TEST(FileTransferTest, DownloadFindsNamesWithoutRegardToCase) {
    TempFolder work;
    WriteFile(work.Path() + "abc-def.pdf", "x");
    EXPECT_EQ(work.Path() + "abc-def.pdf", ResolveDownload(work.Path(), "abc-def.pdf"));
    EXPECT_EQ(work.Path() + "abc-def.pdf", ResolveDownload(work.Path(), "ABC-DEF.PDF"));
    Reply reply = DownloadReply(work.Path(), "Abc-Def.pdf");
    EXPECT_EQ(Reply::Kind::kFile, reply.kind);
    EXPECT_EQ("handle_files", reply.logMethod);
}

TEST(FileTransferTest, DownloadNeverLeavesTheWorkingFolder) {
    TempFolder root;
    std::string work = root.Path() + "work/";
    ASSERT_EQ(0, mkdir(work.c_str(), 0755));
    WriteFile(root.Path() + "secret.txt", "secret");
    ASSERT_EQ(0, symlink((root.Path() + "secret.txt").c_str(), (work + "link.txt").c_str()));
    ASSERT_EQ(0, mkdir((work + "sub").c_str(), 0755));
    for (const char* name : {"..", ".", "../secret.txt", "link.txt", "sub", "", "a/b",
                             "..\\secret.txt", "missing.pdf"}) {
        EXPECT_EQ("", ResolveDownload(work, name)) << name;
        Reply reply = DownloadReply(work, name);
        EXPECT_EQ(Reply::Kind::kEmpty, reply.kind) << name;
        EXPECT_EQ(404, reply.status) << name;
    }
    EXPECT_EQ("", ResolveDownload("", "x"));
}

}  // namespace
