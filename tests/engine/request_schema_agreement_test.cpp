#include <gtest/gtest.h>
#include <libxml/xmlregexp.h>

#include <functional>
#include <map>
#include <string>

#include "module/xml/schema_validator.h"
#include "tests/engine/request_mutations.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/schema_walk.h"
#include "tests/refdata.h"

// Our request schema against the published one: both declare the same
// places alike, and on every mutation of the parts they import both give the
// same verdict (valid or invalid).

namespace module {
namespace testing_support {
namespace {

struct Mutation {
    const char* name;
    std::function<std::string(const std::string&)> edit;
    bool valid;  // the published schema's verdict on the result
};

const char kSignature[] =
    "<ds:Signature><ds:SignedInfo>"
    "<ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
    "<ds:SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<ds:Reference URI=\"\"><ds:DigestMethod "
    "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>"
    "<ds:SignatureValue>AAAA</ds:SignatureValue></ds:Signature>";
const char kCipher[] =
    "<xenc:CipherData><xenc:CipherValue>AAAA</xenc:CipherValue></xenc:CipherData>";

// `xml` with `part` after the payload, where the signature goes.
std::string AtEnd(const std::string& xml, const std::string& part) {
    return Replace(xml, "</invoice:request>", part + "</invoice:request>");
}

// `xml` with `part` for the body, as an encrypted body stands.
std::string ForBody(const std::string& xml, const std::string& part) {
    const std::string close = "</invoice:body>";
    std::size_t begin = xml.find("<invoice:body"), end = xml.find(close);
    if (begin == std::string::npos || end == std::string::npos) return "anchor not found: body";
    return xml.substr(0, begin) + part + xml.substr(end + close.size());
}

// What the place-by-place comparison of the two schemas does not see: the
// root's name and namespace, and the signature and encryption parts, which
// come from schema files of their own.
std::vector<Mutation> Mutations() {
    using S = const std::string&;
    const std::string encrypted =
        std::string("<xenc:EncryptedData>") + kCipher + "</xenc:EncryptedData>";
    return {
        {"other root", [](S x) { return ReplaceAll(x, "invoice:request", "invoice:requests"); },
         false},
        {"other namespace",
         [](S x) {
             return ReplaceAll(x, "http://www.forum-datenaustausch.ch/invoice",
                               "http://www.forum-datenaustausch.ch/invoice/x");
         },
         false},
        {"signature", [](S x) { return AtEnd(x, kSignature); }, true},
        {"signature before payload",
         [](S x) {
             return Replace(x, "<invoice:payload>", kSignature + std::string("<invoice:payload>"));
         },
         false},
        {"signature without content",
         [](S x) { return AtEnd(x, "<ds:Signature><ds:SignedInfo/></ds:Signature>"); }, false},
        {"signature of an unknown element",
         [](S x) { return AtEnd(x, "<ds:Signature><ds:Unknown/></ds:Signature>"); }, false},
        {"key info for the signature",
         [](S x) { return AtEnd(x, "<ds:KeyInfo><ds:KeyName>k</ds:KeyName></ds:KeyInfo>"); },
         false},
        {"encrypted body", [encrypted](S x) { return ForBody(x, encrypted); }, true},
        {"encrypted body without cipher", [](S x) { return ForBody(x, "<xenc:EncryptedData/>"); },
         false},
        {"encrypted key for the body",
         [](S x) {
             return ForBody(x,
                            std::string("<xenc:EncryptedKey>") + kCipher + "</xenc:EncryptedKey>");
         },
         false},
    };
}

class RequestSchemaAgreementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_REFDATA();
        ASSERT_TRUE(OurSchema().Loaded()) << OurSchema().LoadError();
        ASSERT_TRUE(OfficialSchema::Instance().Loaded()) << kOfficialSchema;
    }

    // "" when both schemas give the same verdict, else both verdicts and our
    // first error.
    static std::string VerdictDifference(const std::string& xml) {
        int official = OfficialSchema::Instance().CountErrors(xml);
        SchemaReport report = OurSchema().ValidateMemory(xml);
        if ((official == 0) == report.Valid()) return "";
        return "official: " + VerdictText(official) + ", ours: " + VerdictText(report.errorCount) +
               " " + report.FirstErrorText();
    }
};

TEST_F(RequestSchemaAgreementTest, MutationsGetTheOfficialVerdict) {
    const std::string sample = ReadText(kValidSample);
    for (const Mutation& mutation : Mutations()) {
        SCOPED_TRACE(mutation.name);
        std::string xml = mutation.edit(sample);
        ASSERT_EQ(xml.find("not found:"), std::string::npos) << xml;
        ASSERT_NE(sample, xml);
        // The mutation does what it claims ...
        EXPECT_EQ(mutation.valid, OfficialSchema::Instance().CountErrors(xml) == 0);
        // ... and both schemas agree on it.
        EXPECT_EQ("", VerdictDifference(xml));
    }
}

// --- Declarations, place by place ---------------------------------------------------

// Whether the XML Schema pattern `pattern` matches all of `text`.
bool Matches(const std::string& pattern, const std::string& text) {
    xmlRegexpPtr regexp = xmlRegexpCompile(BAD_CAST pattern.c_str());
    EXPECT_NE(nullptr, regexp) << pattern;
    bool matches = regexp != nullptr && xmlRegexpExec(regexp, BAD_CAST text.c_str()) == 1;
    xmlRegFreeRegexp(regexp);
    return matches;
}

// Both schemas declare the same places with the same content models,
// attribute uses, defaults, types and facets; a pattern written otherwise
// must accept the same texts among the probes of the published one.
TEST_F(RequestSchemaAgreementTest, OurSchemaDeclaresWhatThePublishedOneDoes) {
    schema_walk::Schema officialSchema(kOfficialSchema), ourSchema(kOurSchema);
    ASSERT_EQ("", officialSchema.Error() + ourSchema.Error());
    std::map<std::string, schema_walk::Declared> official =
        schema_walk::Declarations(officialSchema);
    std::map<std::string, schema_walk::Declared> ours = schema_walk::Declarations(ourSchema);
    EXPECT_GT(official.size(), 1000u);
    for (const auto& [place, declared] : official) {
        auto found = ours.find(place);
        ASSERT_NE(ours.end(), found) << place << " is missing";
        EXPECT_EQ(declared.text, found->second.text) << place;
        EXPECT_EQ(declared.pattern.empty(), found->second.pattern.empty()) << place;
        if (declared.pattern.empty() || declared.pattern == found->second.pattern) continue;
        for (const std::string& probe : schema_walk::PatternProbes(declared.pattern)) {
            ASSERT_EQ(Matches(declared.pattern, probe), Matches(found->second.pattern, probe))
                << place << ": '" << probe << "' against " << found->second.pattern;
        }
    }
    EXPECT_EQ(official.size(), ours.size());
}

}  // namespace
}  // namespace testing_support
}  // namespace module
