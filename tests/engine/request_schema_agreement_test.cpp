#include <gtest/gtest.h>
#include <libxml/xmlregexp.h>

#include <map>
#include <regex>
#include <string>

#include "module/xml/schema_validator.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/schema_walk.h"
#include "tests/refdata.h"

// Our request schema against the published one: both declare the same
// places alike, and on every mutation of the parts they import both give the
// same verdict (valid or invalid).

namespace module {
namespace testing_support {
namespace {

const std::string kSignature =
    "<ds:Signature><ds:SignedInfo>"
    "<ds:CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
    "<ds:SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<ds:Reference URI=\"\"><ds:DigestMethod "
    "Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<ds:DigestValue>AAAA</ds:DigestValue></ds:Reference></ds:SignedInfo>"
    "<ds:SignatureValue>AAAA</ds:SignatureValue></ds:Signature>";
const std::string kCipher =
    "<xenc:CipherData><xenc:CipherValue>AAAA</xenc:CipherValue></xenc:CipherData>";
const char kEnd[] = "</invoice:request>";  // the signature goes before it
// Marks the rows that replace the whole body element (see Mutated).
const char kBody[] = "the body element";

// What the place-by-place comparison of the two schemas does not see: the
// root's name and namespace, and the content of the signature and of
// encrypted data, which come from schema files of their own (where they may
// stand, the comparison sees). Each row replaces what `pattern`
// matches in the valid sample ("$&" stands for the match).
struct Mutation {
    const char* name;
    const char* pattern;
    std::string replacement;
    bool valid;  // the published schema's verdict on the result
};
const Mutation kMutations[] = {
    {"other root", "invoice:request\\b", "invoice:requests", false},
    {"other namespace", "http://www.forum-datenaustausch.ch/invoice\\b", "$&/x", false},
    {"signature", kEnd, kSignature + "$&", true},
    {"signature without content", kEnd, "<ds:Signature><ds:SignedInfo/></ds:Signature>$&", false},
    {"signature of an unknown element", kEnd, "<ds:Signature><ds:Unknown/></ds:Signature>$&",
     false},
    {"encrypted body", kBody, "<xenc:EncryptedData>" + kCipher + "</xenc:EncryptedData>", true},
    {"encrypted body without cipher", kBody, "<xenc:EncryptedData/>", false},
};

// `sample` with the mutation applied. The body rows cut the body element out
// by hand: std::regex recurses once per character of a repeated match and
// runs out of stack on a whole body under the sanitizers.
std::string Mutated(const std::string& sample, const Mutation& mutation) {
    if (mutation.pattern != kBody) {
        return std::regex_replace(sample, std::regex(mutation.pattern), mutation.replacement);
    }
    const std::string end = "</invoice:body>";
    size_t from = sample.find("<invoice:body"), to = sample.find(end);
    if (from == std::string::npos || to == std::string::npos) return sample;
    return sample.substr(0, from) + mutation.replacement + sample.substr(to + end.size());
}

class RequestSchemaAgreementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_REFDATA();
        ASSERT_TRUE(OurSchema().Loaded()) << OurSchema().LoadError();
        ASSERT_TRUE(OfficialSchema::Instance().Loaded()) << kOfficialSchema;
    }
};

TEST_F(RequestSchemaAgreementTest, MutationsGetTheOfficialVerdict) {
    const std::string sample = ReadText(kValidSample);
    for (const Mutation& mutation : kMutations) {
        SCOPED_TRACE(mutation.name);
        std::string xml = Mutated(sample, mutation);
        ASSERT_NE(sample, xml);
        // The mutation does what it claims, and both schemas agree on it.
        EXPECT_EQ(mutation.valid, OfficialSchema::Instance().CountErrors(xml) == 0);
        SchemaReport ours = OurSchema().ValidateMemory(xml);
        EXPECT_EQ(mutation.valid, ours.Valid()) << ours.FirstErrorText();
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
