#include "module/xml/schema_validator.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "tests/engine/request_mutations.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/temp_folder.h"
#include "tests/refdata.h"

namespace module {
namespace testing_support {
namespace {

class SchemaValidatorTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ours_ = new SchemaValidator(kOurSchema); }
    static void TearDownTestSuite() {
        delete ours_;
        ours_ = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(ours_->Loaded()) << ours_->LoadError(); }

    static SchemaValidator* ours_;
};

SchemaValidator* SchemaValidatorTest::ours_ = nullptr;

// --- Reports -------------------------------------------------------------------

TEST_F(SchemaValidatorTest, ValidSampleFileHasNoErrors) {
    REQUIRE_REFDATA();
    SchemaReport report = ours_->ValidateFile(kValidSample);
    EXPECT_TRUE(report.Valid()) << report.FirstErrorText();
    EXPECT_EQ(0, report.errorCount);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ("", report.FirstErrorText());
}

TEST_F(SchemaValidatorTest, InvalidSampleReportsEveryErrorWithItsLine) {
    REQUIRE_REFDATA();
    SchemaReport report = ours_->ValidateFile(kReadReqSample);
    ASSERT_EQ(9, report.errorCount);
    ASSERT_EQ(9u, report.errors.size());
    EXPECT_EQ(2, report.errors[0].line);
    EXPECT_EQ(
        "line 2: Element 'request', attribute 'language': [facet 'enumeration'] The value 'en' "
        "is not an element of the set {'de', 'fr', 'it'}.",
        report.FirstErrorText());
    EXPECT_EQ(9, report.errors[2].line);
    EXPECT_EQ("Element 'invoice': The attribute 'request_date' is required but missing.",
              report.errors[2].message);
    EXPECT_EQ(102, report.errors[8].line);  // missing children: at the end tag
    // Values are shown as written in the document, not entity-escaped.
    EXPECT_NE(std::string::npos,
              report.errors[7].message.find("'0100000030359>811700000000000011630005527+ "
                                            "012000209>' is not accepted"))
        << report.errors[7].message;
}

TEST_F(SchemaValidatorTest, MemoryAndFileGiveTheSameReport) {
    REQUIRE_REFDATA();
    SchemaReport fromFile = ours_->ValidateFile(kReadReqSample);
    SchemaReport fromMemory = ours_->ValidateMemory(ReadText(kReadReqSample));
    ASSERT_EQ(fromFile.errorCount, fromMemory.errorCount);
    for (std::size_t i = 0; i < fromFile.errors.size(); ++i) {
        EXPECT_EQ(fromFile.errors[i].ToText(), fromMemory.errors[i].ToText());
    }
}

TEST_F(SchemaValidatorTest, ValidatesATreeTheCallerHolds) {
    REQUIRE_REFDATA();
    std::string xml = ReadText(kReadReqSample);
    xmlDocPtr doc =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    ASSERT_NE(nullptr, doc);
    SchemaReport first = ours_->ValidateDocument(doc);
    SchemaReport second = ours_->ValidateDocument(doc);  // the tree is left as it was
    xmlFreeDoc(doc);
    EXPECT_EQ(9, first.errorCount);
    EXPECT_EQ(first.errorCount, second.errorCount);
    EXPECT_EQ(first.FirstErrorText(), second.FirstErrorText());
}

// --- Error reports ------------------------------------------------------------

TEST_F(SchemaValidatorTest, CollectsAtMostTheCapButCountsAll) {
    REQUIRE_REFDATA();
    std::string xml = WithServiceRecords(ReadText(kValidSample), 70, "bad");
    SchemaReport report = ours_->ValidateMemory(xml);
    EXPECT_EQ(70, report.errorCount);
    EXPECT_EQ(SchemaValidator::kMaxCollectedErrors, report.errors.size());
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("tariff_type"));
    EXPECT_GT(report.errors.back().line, report.errors.front().line);
}

TEST_F(SchemaValidatorTest, DocumentThatIsNotXmlReportsWhereItBreaks) {
    SchemaReport report = ours_->ValidateMemory("<?xml version=\"1.0\"?>\n<a>\n<b></a>\n");
    ASSERT_GE(report.errorCount, 1);
    EXPECT_EQ(3, report.errors[0].line);
    EXPECT_EQ("line 3: Opening and ending tag mismatch: b line 3 and a", report.FirstErrorText());
}

TEST_F(SchemaValidatorTest, EmptyDocumentIsAnError) {
    SchemaReport report = ours_->ValidateMemory("");
    EXPECT_EQ(1, report.errorCount);
    EXPECT_FALSE(report.FirstErrorText().empty());
}

TEST_F(SchemaValidatorTest, MissingDocumentFileIsAnError) {
    SchemaReport report = ours_->ValidateFile("/nonexistent/request.xml");
    EXPECT_EQ(1, report.errorCount);
    EXPECT_FALSE(report.FirstErrorText().empty());
}

TEST(SchemaValidatorLoadTest, MissingSchemaIsReportedOnEveryValidation) {
    SchemaValidator validator("/nonexistent/schema.xsd");
    EXPECT_FALSE(validator.Loaded());
    EXPECT_FALSE(validator.LoadError().empty());
    SchemaReport report = validator.ValidateFile(kValidSample);
    EXPECT_EQ(1, report.errorCount);
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("/nonexistent/schema.xsd"));
}

TEST(SchemaValidatorLoadTest, BrokenSchemaIsNotLoaded) {
    TempFolder folder;
    std::ofstream(folder.Path() + "bad.xsd")
        << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
           "<xs:element name=\"a\" type=\"xs:nosuchtype\"/></xs:schema>";
    SchemaValidator validator(folder.Path() + "bad.xsd");
    EXPECT_FALSE(validator.Loaded());
    EXPECT_NE(std::string::npos, validator.LoadError().find("nosuchtype"));
}

// --- Reading safely -------------------------------------------------------------

TEST_F(SchemaValidatorTest, ExternalEntitiesAreNotRead) {
    TempFolder folder;
    std::ofstream(folder.Path() + "name.txt") << "Spitzkiel";
    std::string sample = ReadText(kValidSample);
    std::string xml = Replace(sample, "<invoice:request ",
                              "<!DOCTYPE invoice:request [<!ENTITY name SYSTEM \"" + folder.Path() +
                                  "name.txt\">]>\n<invoice:request ");
    xml = Replace(xml, ">Spitzkiel<", ">&name;<");
    // Substituted, the name would make the document valid; unread it stays empty.
    SchemaReport report = ours_->ValidateMemory(xml);
    EXPECT_FALSE(report.Valid());
}

TEST_F(SchemaValidatorTest, ExternalDtdIsNotLoaded) {
    REQUIRE_REFDATA();
    TempFolder folder;
    // A DTD whose default would supply the missing required attribute.
    std::ofstream(folder.Path() + "defaults.dtd")
        << "<!ATTLIST invoice:request language CDATA \"de\">";
    std::string xml = Replace(ReadText(kValidSample), " language=\"de\"", "");
    xml = Replace(xml, "<invoice:request ",
                  "<!DOCTYPE invoice:request SYSTEM \"" + folder.Path() +
                      "defaults.dtd\">\n<invoice:request ");
    SchemaReport report = ours_->ValidateMemory(xml);
    ASSERT_EQ(1, report.errorCount) << report.FirstErrorText();
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("'language' is required"));
}

// --- The shared request schema ---------------------------------------------------

class RequestSchemaTest : public ::testing::Test {
  protected:
    void TearDown() override { SetRequestSchemaPath(""); }
};

TEST_F(RequestSchemaTest, DefaultPathIsBesideTheExecutable) {
    SetRequestSchemaPath("");
    EXPECT_EQ(platform::ExecutableDirectory() + "generalInvoiceRequest_450.xsd",
              RequestSchemaPath());
    EXPECT_STREQ("generalInvoiceRequest_450.xsd", kRequestSchemaName);
}

TEST_F(RequestSchemaTest, IsLoadedOnceAndShared) {
    SetRequestSchemaPath(kOurSchema);
    std::shared_ptr<const SchemaValidator> first = RequestSchemaValidator();
    ASSERT_TRUE(first->Loaded()) << first->LoadError();
    EXPECT_EQ(kOurSchema, first->SchemaPath());
    EXPECT_EQ(first.get(), RequestSchemaValidator().get());
}

TEST_F(RequestSchemaTest, NewPathReplacesTheSchemaButNotHeldCopies) {
    REQUIRE_REFDATA();
    SetRequestSchemaPath(kOurSchema);
    std::shared_ptr<const SchemaValidator> held = RequestSchemaValidator();
    SetRequestSchemaPath("/nonexistent/schema.xsd");
    EXPECT_FALSE(RequestSchemaValidator()->Loaded());
    EXPECT_TRUE(held->ValidateFile(kValidSample).Valid());
}

TEST_F(RequestSchemaTest, MissingSchemaIsTriedAgain) {
    TempFolder folder;
    std::string path = folder.Path() + "schema.xsd";
    SetRequestSchemaPath(path);
    EXPECT_FALSE(RequestSchemaValidator()->Loaded());
    std::filesystem::copy_file(kOurSchema, path);
    for (const char* imported : {"xmldsig_450.xsd", "xmlenc_450.xsd"}) {
        std::filesystem::copy_file(TARVOS_SOURCE_DIR "/resources/" + std::string(imported),
                                   folder.Path() + imported);
    }
    EXPECT_TRUE(RequestSchemaValidator()->Loaded());
}

TEST_F(RequestSchemaTest, EightThreadsValidateAtOnce) {
    REQUIRE_REFDATA();
    SetRequestSchemaPath(kOurSchema);
    const std::string valid = ReadText(kValidSample);
    const std::string invalid = ReadText(kReadReqSample);
    std::atomic<int> wrong{0};
    std::vector<const SchemaValidator*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                std::shared_ptr<const SchemaValidator> validator = RequestSchemaValidator();
                seen[t] = validator.get();
                if (!validator->ValidateMemory(valid).Valid()) ++wrong;
                SchemaReport report = validator->ValidateMemory(invalid);
                if (report.errorCount != 9 || report.errors[0].line != 2) ++wrong;
                if (round % 5 == 0 && validator->ValidateFile(kReadReqSample).errorCount != 9) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(1u, std::set<const SchemaValidator*>(seen.begin(), seen.end()).size());
}

}  // namespace
}  // namespace testing_support
}  // namespace module
