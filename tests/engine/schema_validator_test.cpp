#include "module/xml/schema_validator.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>
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
    void SetUp() override { ASSERT_TRUE(ours_.Loaded()) << ours_.LoadError(); }

    const SchemaValidator& ours_ = OurSchema();
};

// --- Reports -------------------------------------------------------------------

// The count and every error collected, one per line.
std::string AllErrors(const SchemaReport& report) {
    std::string text = std::to_string(report.errorCount) + " errors";
    for (const SchemaError& error : report.errors) text += "\n" + error.ToText();
    return text;
}

TEST_F(SchemaValidatorTest, ReportsEveryErrorWithItsLineFromFileMemoryAndTree) {
    REQUIRE_REFDATA();
    SchemaReport report = ours_.ValidateFile(kReadReqSample);
    ASSERT_EQ(9u, report.errors.size());
    EXPECT_EQ(
        "line 2: Element 'request', attribute 'language': [facet 'enumeration'] The value 'en' "
        "is not an element of the set {'de', 'fr', 'it'}.",
        report.FirstErrorText());
    EXPECT_EQ("line 9: Element 'invoice': The attribute 'request_date' is required but missing.",
              report.errors[2].ToText());
    EXPECT_EQ(102, report.errors[8].line);  // missing children: at the end tag
    // Values are shown as written in the document, not entity-escaped.
    EXPECT_NE(std::string::npos,
              report.errors[7].message.find("'0100000030359>811700000000000011630005527+ "
                                            "012000209>' is not accepted"))
        << report.errors[7].message;

    std::string xml = ReadText(kReadReqSample);
    EXPECT_EQ(AllErrors(report), AllErrors(ours_.ValidateMemory(xml)));
    xmlDocPtr doc =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    ASSERT_NE(nullptr, doc);
    SchemaReport tree = ours_.ValidateDocument(doc);
    EXPECT_EQ(9, tree.errorCount);
    EXPECT_EQ(report.FirstErrorText(), tree.FirstErrorText());
    EXPECT_EQ(AllErrors(tree), AllErrors(ours_.ValidateDocument(doc)));  // the tree is unchanged
    xmlFreeDoc(doc);
}

TEST_F(SchemaValidatorTest, CollectsAtMostTheCapButCountsAll) {
    REQUIRE_REFDATA();
    // 70 more copies of the sample's first service, each with a wrong tariff type.
    std::string xml = ReadText(kValidSample), records;
    std::smatch service;
    ASSERT_TRUE(std::regex_search(xml, service, std::regex("<invoice:service [^>]*/>")));
    for (int i = 0; i < 70; ++i)
        records += std::regex_replace(service.str(), std::regex("\"999\""), "\"bad\"") + "\n";
    SchemaReport report =
        ours_.ValidateMemory(Replace(xml, "</invoice:services>", records + "</invoice:services>"));
    EXPECT_EQ(70, report.errorCount);
    EXPECT_EQ(SchemaValidator::kMaxCollectedErrors, report.errors.size());
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("tariff_type"));
    EXPECT_GT(report.errors.back().line, report.errors.front().line);
}

TEST_F(SchemaValidatorTest, NoDocumentOrNoXmlIsOneErrorThatSaysWhere) {
    // The parser's errors only: no schema errors of what could not be read.
    EXPECT_EQ(
        "2 errors\nline 3: Opening and ending tag mismatch: b line 3 and a\nline 4: Premature end "
        "of data in tag a line 2",
        AllErrors(ours_.ValidateMemory("<?xml version=\"1.0\"?>\n<a>\n<b></a>\n")));
    for (const SchemaReport& none :
         {ours_.ValidateMemory(""), ours_.ValidateFile("/nonexistent/request.xml")}) {
        EXPECT_EQ(1, none.errorCount);
        EXPECT_FALSE(none.FirstErrorText().empty());
    }
}

TEST(SchemaValidatorLoadTest, MissingOrBrokenSchemaIsReportedOnEveryValidation) {
    SchemaValidator missing("/nonexistent/schema.xsd");
    EXPECT_FALSE(missing.Loaded());
    EXPECT_FALSE(missing.LoadError().empty());
    SchemaReport report = missing.ValidateFile(kValidSample);
    EXPECT_EQ(1, report.errorCount);
    EXPECT_NE(std::string::npos, report.FirstErrorText().find("/nonexistent/schema.xsd"));

    TempFolder folder;
    std::ofstream(folder.Path() + "bad.xsd")
        << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
           "<xs:element name=\"a\" type=\"xs:nosuchtype\"/></xs:schema>";
    SchemaValidator broken(folder.Path() + "bad.xsd");
    EXPECT_FALSE(broken.Loaded());
    EXPECT_NE(std::string::npos, broken.LoadError().find("nosuchtype"));
}

// --- Reading safely -------------------------------------------------------------

// Neither an external DTD, whose default would supply the missing language,
// nor an external entity, whose text would fill the empty family name, is
// read.
TEST_F(SchemaValidatorTest, ExternalDtdAndEntitiesAreNotRead) {
    REQUIRE_REFDATA();
    TempFolder folder;
    std::ofstream(folder.Path() + "defaults.dtd")
        << "<!ATTLIST invoice:request language CDATA \"de\">";
    std::ofstream(folder.Path() + "name.txt") << "Spitzkiel";
    std::string xml = Replace(ReadText(kValidSample), " language=\"de\"", "");
    xml = Replace(xml, "<invoice:request ",
                  "<!DOCTYPE invoice:request SYSTEM \"" + folder.Path() +
                      "defaults.dtd\" [<!ENTITY name SYSTEM \"" + folder.Path() +
                      "name.txt\">]>\n<invoice:request ");
    xml = Replace(xml, ">Spitzkiel<", ">&name;<");
    SchemaReport report = ours_.ValidateMemory(xml);
    ASSERT_EQ(3, report.errorCount) << report.FirstErrorText();  // and the entity not defined
    EXPECT_NE(std::string::npos, report.errors[1].message.find("'language' is required"));
    EXPECT_NE(std::string::npos, report.errors[2].message.find("'familyname'"));
}

// --- The shared request schema ---------------------------------------------------

class RequestSchemaTest : public ::testing::Test {
  protected:
    void TearDown() override { SetRequestSchemaPath(""); }
};

// Loaded once, from beside the executable or the given path; a new path
// replaces the schema, but not the copies held, and a missing schema is
// tried again.
TEST_F(RequestSchemaTest, LoadedOnceFromBesideTheExecutableOrTheGivenPath) {
    SetRequestSchemaPath("");
    EXPECT_EQ(platform::ExecutableDirectory() + "generalInvoiceRequest_450.xsd",
              RequestSchemaPath());
    SetRequestSchemaPath(kOurSchema);
    std::shared_ptr<const SchemaValidator> held = RequestSchemaValidator();
    ASSERT_TRUE(held->Loaded()) << held->LoadError();
    EXPECT_EQ(kOurSchema, held->SchemaPath());
    EXPECT_EQ(held.get(), RequestSchemaValidator().get());
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
    REQUIRE_REFDATA();
    EXPECT_TRUE(held->ValidateFile(kValidSample).Valid());
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
