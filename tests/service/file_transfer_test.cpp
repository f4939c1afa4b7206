// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "endpoint/file_transfer.h"

#include <fstream>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

// A produced file is published as a copy under a fresh name with the
// extension of its format; a missing file or an unknown format gives null.
// ("LOCAL", a print published as itself, and links below the listener's
// path: the integration tests.)
TEST(FileTransferTest, PublishedFilesAndTheirLinks) {
    EXPECT_EQ("", EndpointPath("http://x"));
    TempFolder work, elsewhere;
    std::ofstream(elsewhere.Path() + "out.bin") << "%PDF-1.4 data";
    std::ofstream(work.Path() + "kept.xml") << "<x/>";
    std::string published;
    for (const char* format : {"PDF", "application/pdf", "XML", "JPG", "image/png"}) {
        std::string link =
            PublishFile(elsewhere.Path() + "out.bin", format, work.Path(), "/p").as_string();
        ASSERT_EQ(0u, link.find("/p/files/")) << format;
        EXPECT_EQ("%PDF-1.4 data", ReadFileText(work.Path() + link.substr(9))) << format;
        published += link.substr(9 + 36) + " ";  // after "/p/files/" and a UUID
    }
    EXPECT_EQ(".pdf .pdf .xml .jpg .png ", published);
    EXPECT_TRUE(PublishFile(work.Path() + "gone.pdf", "PDF", work.Path(), "/p").is_null());
    EXPECT_TRUE(PublishFile(work.Path() + "kept.xml", "DOC", work.Path(), "/p").is_null());
}

}  // namespace
