// Load -> write keeps every value of a 4.50 document and adds none, for the
// valid public samples and for documents made from the published schema that
// together use every element and attribute it declares.

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "module/model/module_version.h"
#include "module/xml/xml_reader.h"
#include "module/xml/xml_writer.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/schema_walk.h"
#include "tests/refdata.h"

namespace {

using module::testing_support::OfficialSchema;
using schema_walk::Fill;

// The documents the schema walk makes: every optional part (ten variants:
// the first six take each branch of every choice, the others mix branches
// and were picked so that all of them together use every place, which the
// test below proves), every optional element with only the required
// attributes, and only what is required.
const std::pair<int, Fill> kMadeDocuments[] = {
    {0, {true, true}},   {1, {true, true}},   {2, {true, true}},  {3, {true, true}},
    {4, {true, true}},   {5, {true, true}},   {6, {true, true}},  {7, {true, true}},
    {18, {true, true}},  {36, {true, true}},  {0, {true, false}}, {1, {true, false}},
    {2, {false, false}}, {3, {false, false}},
};

class XmlLosslessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_REFDATA();
        ASSERT_EQ("", Walk().Error());
    }

    // Load -> write loses, changes and adds nothing, the result is valid
    // against the published schema, and writing it once more changes nothing.
    static void ExpectLossless(const std::string& name, const std::string& xml) {
        std::string error, written = module::testing_support::Rewrite(xml, &error);
        ASSERT_NE("", written) << name << ": " << error;
        EXPECT_EQ(0, OfficialSchema::Instance().CountErrors(written)) << name << "\n" << written;
        EXPECT_EQ(schema_walk::Values(Walk(), xml, kEngineName),
                  schema_walk::Values(Walk(), written, kEngineName))
            << name;
        EXPECT_EQ(written, module::testing_support::Rewrite(written, &error)) << name;
    }

    static const schema_walk::Schema& Walk() {
        static const schema_walk::Schema schema(module::testing_support::kOfficialSchema);
        return schema;
    }
};

// The made documents together use every element and attribute place the
// schema declares, except the signature and the encrypted body, which only
// the signing code makes and reads (xml_signature_test.cpp); a loaded
// signature is never written again.
TEST_F(XmlLosslessTest, ValidSamplesAndMadeDocumentsKeepEveryValue) {
    for (const auto& entry : std::filesystem::directory_iterator(Refdata("samples450"))) {
        std::string xml = module::testing_support::ReadText(entry.path().string());
        if (OfficialSchema::Instance().CountErrors(xml) == 0)
            ExpectLossless(entry.path().filename().string(), xml);
    }
    std::set<std::string> unused = Walk().Places();
    EXPECT_GT(unused.size(), 1000u);  // the walk saw the whole schema
    for (const auto& made : kMadeDocuments) {
        std::string xml = schema_walk::MakeDocument(Walk(), made.first, made.second);
        std::string name = "made document " + std::to_string(&made - kMadeDocuments);
        ASSERT_EQ(0, OfficialSchema::Instance().CountErrors(xml)) << name << "\n" << xml;
        ExpectLossless(name, xml);
        for (const std::string& place : schema_walk::PlacesOf(Walk(), xml)) unused.erase(place);
    }
    EXPECT_EQ((std::set<std::string>{"request/Signature", "request/payload/EncryptedData"}),
              unused);
}

}  // namespace
