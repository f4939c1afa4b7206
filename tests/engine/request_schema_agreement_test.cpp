#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "module/xml/schema_validator.h"
#include "tests/engine/request_mutations.h"
#include "tests/engine/request_schema_oracle.h"
#include "tests/engine/schema_walk.h"
#include "tests/refdata.h"

// Our request schema against the published one: on every sample, on every
// mutation and on systematic edits of every element and attribute, both give
// the same verdict (valid or invalid).

namespace module {
namespace testing_support {
namespace {

class RequestSchemaAgreementTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ours_ = new SchemaValidator(kOurSchema); }
    static void TearDownTestSuite() {
        delete ours_;
        ours_ = nullptr;
    }

    void SetUp() override {
        REQUIRE_REFDATA();
        ASSERT_TRUE(ours_->Loaded()) << ours_->LoadError();
        ASSERT_TRUE(OfficialSchema::Instance().Loaded()) << kOfficialSchema;
    }

    // "" when both schemas give the same verdict, else both verdicts and our
    // first error.
    static std::string VerdictDifference(const std::string& xml) {
        int official = OfficialSchema::Instance().CountErrors(xml);
        SchemaReport report = ours_->ValidateMemory(xml);
        if ((official == 0) == report.Valid()) return "";
        return "official: " + VerdictText(official) + ", ours: " + VerdictText(report.errorCount) +
               " " + report.FirstErrorText();
    }

    static SchemaValidator* ours_;
};

SchemaValidator* RequestSchemaAgreementTest::ours_ = nullptr;

// --- Reference samples -------------------------------------------------------

TEST_F(RequestSchemaAgreementTest, EverySampleGetsTheOfficialVerdict) {
    int files = 0;
    int valid = 0;
    for (const char* folder : {"samples450", "samples440"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kRefData + folder)) {
            if (entry.path().extension() != ".xml") continue;
            ++files;
            std::string xml = ReadText(entry.path().string());
            SCOPED_TRACE(entry.path().filename().string());
            EXPECT_EQ("", VerdictDifference(xml));
            if (OfficialSchema::Instance().CountErrors(xml) == 0) ++valid;
        }
    }
    EXPECT_EQ(24, files);
    EXPECT_EQ(1, valid);  // the 4.40 files do not pass as 4.50 requests
}

TEST_F(RequestSchemaAgreementTest, MutationsGetTheOfficialVerdict) {
    const std::string sample = ReadText(kValidSample);
    int valid = 0;
    int invalid = 0;
    for (const Mutation& mutation : Mutations()) {
        SCOPED_TRACE(mutation.name);
        std::string xml = mutation.edit(sample);
        ASSERT_EQ(xml.find("not found:"), std::string::npos) << xml;
        ASSERT_NE(sample, xml);
        // The mutation does what it claims ...
        EXPECT_EQ(mutation.valid, OfficialSchema::Instance().CountErrors(xml) == 0);
        // ... and both schemas agree on it.
        EXPECT_EQ("", VerdictDifference(xml));
        (mutation.valid ? valid : invalid)++;
    }
    EXPECT_GE(invalid, 10);
    EXPECT_GE(valid, 4);
}

// --- Systematic edits, element by element ----------------------------------------

const char kInvoiceNamespace[] = "http://www.forum-datenaustausch.ch/invoice";

bool InInvoiceNamespace(xmlNodePtr node) {
    return node->ns != nullptr &&
           std::string(reinterpret_cast<const char*>(node->ns->href)) == kInvoiceNamespace;
}

// The request's elements in document order, without the signature and
// encryption parts (their content is deliberately not checked by our schema).
void CollectElements(xmlNodePtr node, std::vector<xmlNodePtr>* elements) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || !InInvoiceNamespace(node)) continue;
        elements->push_back(node);
        CollectElements(node->children, elements);
    }
}

xmlNodePtr NextElement(xmlNodePtr node) {
    for (node = node->next; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) return node;
    }
    return nullptr;
}

xmlAttrPtr NthAttribute(xmlNodePtr element, int nth) {
    xmlAttrPtr attribute = element->properties;
    for (int i = 0; i < nth && attribute != nullptr; ++i) attribute = attribute->next;
    return attribute;
}

std::string AttributeValue(xmlAttrPtr attribute) {
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute));
    std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// Values tried on every attribute: one of each kind the format uses ...
const char* const kAttributeValues[] = {"",    "x",    "-1",           "1.5",
                                        "1e3", "true", "2020-02-30",   "2020-06-03T00:00:00",
                                        "P2D", "AB",   "7601003000015"};

// ... near misses of the attribute's own value ...
std::vector<std::string> NearMisses(const std::string& value) {
    std::string lower = value;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::string> misses = {value + "0", " " + value};
    if (!value.empty()) misses.push_back(value.substr(0, value.size() - 1));
    if (lower != value) misses.push_back(lower);
    return misses;
}

// ... and, for free texts, both sides of every length limit of the format.
std::vector<std::string> LengthProbes() {
    std::vector<std::string> probes;
    for (int limit : {3, 6, 9, 12, 15, 25, 30, 35, 50, 64, 70, 100, 255, 350, 700}) {
        probes.push_back(std::string(limit, 'a'));
        probes.push_back(std::string(limit + 1, 'a'));
    }
    return probes;
}

// Edits one element of a copy of the document; false when it does not apply.
using Edit = std::function<bool(xmlNodePtr element)>;

Edit SetText(const std::string& text) {
    return [text](xmlNodePtr e) {
        for (xmlNodePtr child = e->children; child != nullptr; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) return false;
        }
        xmlNodeSetContent(e, BAD_CAST text.c_str());
        return true;
    };
}

Edit SetAttribute(int nth, const std::string& value) {
    return [nth, value](xmlNodePtr e) {
        xmlAttrPtr attribute = NthAttribute(e, nth);
        if (attribute->ns != nullptr) return false;  // xsi:schemaLocation
        return xmlSetProp(e, attribute->name, BAD_CAST value.c_str()) != nullptr;
    };
}

// Applies edits to copies of one document and compares the verdicts of the
// two schemas on each result.
class EditRunner {
  public:
    EditRunner(xmlDocPtr original, const SchemaValidator& ours) : original_(original), ours_(ours) {
        CollectElements(xmlDocGetRootElement(original_), &elements_);
    }

    const std::vector<xmlNodePtr>& Elements() const { return elements_; }
    const std::vector<std::string>& Differences() const { return differences_; }
    int Checked() const { return checked_; }

    // Applies `edit` to the element at `index`; returns the published
    // schema's verdict (true: valid), false also when the edit did not apply.
    bool Check(std::size_t index, const std::string& what, const Edit& edit) {
        xmlDocPtr copy = xmlCopyDoc(original_, 1);
        std::vector<xmlNodePtr> copied;
        CollectElements(xmlDocGetRootElement(copy), &copied);
        bool officialValid = false;
        if (edit(copied[index])) {
            ++checked_;
            int official = OfficialSchema::Instance().CountErrorsInTree(copy);
            SchemaReport report = ours_.ValidateDocument(copy);
            officialValid = official == 0;
            if (officialValid != report.Valid()) {
                differences_.push_back(
                    std::string(reinterpret_cast<const char*>(elements_[index]->name)) + " #" +
                    std::to_string(index) + " " + what + ": official " + VerdictText(official) +
                    ", ours " + VerdictText(report.errorCount) + " " + report.FirstErrorText());
            }
        }
        xmlFreeDoc(copy);
        return officialValid;
    }

  private:
    xmlDocPtr original_;
    const SchemaValidator& ours_;
    std::vector<xmlNodePtr> elements_;
    std::vector<std::string> differences_;
    int checked_ = 0;
};

void CheckElement(EditRunner* runner, std::size_t index) {
    runner->Check(index, "remove", [](xmlNodePtr e) {
        xmlUnlinkNode(e);
        xmlFreeNode(e);
        return true;
    });
    runner->Check(index, "repeat",
                  [](xmlNodePtr e) { return xmlAddNextSibling(e, xmlCopyNode(e, 1)) != nullptr; });
    runner->Check(index, "swap with next", [](xmlNodePtr e) {
        xmlNodePtr next = NextElement(e);
        if (next == nullptr) return false;
        xmlUnlinkNode(next);
        return xmlAddPrevSibling(e, next) != nullptr;
    });
    runner->Check(index, "unknown attribute", [](xmlNodePtr e) {
        return xmlSetProp(e, BAD_CAST "unknown", BAD_CAST "1") != nullptr;
    });
    runner->Check(index, "empty text", SetText(""));
    runner->Check(index, "text a@b", SetText("a@b"));
    if (runner->Check(index, "text a", SetText("a"))) {
        for (const std::string& probe : LengthProbes()) {
            // Beyond the first length the published schema refuses, it
            // refuses all; a disagreement there already shows at this one.
            std::string what = "text of " + std::to_string(probe.size());
            if (!runner->Check(index, what, SetText(probe))) break;
        }
    }
}

// Calls `visit` with the name and `value` attribute of every element of the
// published schema that has one.
void ForEachSchemaValue(const std::function<void(const std::string&, const char*)>& visit) {
    xmlDocPtr doc = xmlReadFile(kOfficialSchema.c_str(), nullptr, XML_PARSE_NONET);
    std::vector<xmlNodePtr> pending = {xmlDocGetRootElement(doc)};
    while (!pending.empty()) {
        xmlNodePtr node = pending.back();
        pending.pop_back();
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) pending.push_back(child);
        }
        xmlChar* value = xmlGetProp(node, BAD_CAST "value");
        if (value == nullptr) continue;
        visit(reinterpret_cast<const char*>(node->name), reinterpret_cast<const char*>(value));
        xmlFree(value);
    }
    xmlFreeDoc(doc);
}

// Every enumerated value of the published schema, all kinds together.
const std::set<std::string>& EnumerationValues() {
    static const std::set<std::string> values = [] {
        std::set<std::string> found;
        ForEachSchemaValue([&](const std::string& name, const char* value) {
            if (name == "enumeration") found.insert(value);
        });
        return found;
    }();
    return values;
}

// Both sides of every range limit of the format: those its types declare
// and those of the built-in types they use (unsignedShort, int, unsignedInt).
const std::vector<std::string>& RangeProbes() {
    static const std::vector<std::string> probes = [] {
        std::set<double> limits = {65535, 2147483647, 4294967295};
        ForEachSchemaValue([&](const std::string& name, const char* value) {
            bool bound = name.rfind("min", 0) == 0 || name.rfind("max", 0) == 0;
            if (bound && name.find("clusive") != std::string::npos) limits.insert(std::stod(value));
        });
        std::vector<std::string> out;
        char text[32];
        for (double limit : limits) {
            for (double probe : {limit - 1, limit, limit + 1}) {
                std::snprintf(text, sizeof text, "%.0f", probe);
                out.push_back(text);
            }
        }
        return out;
    }();
    return probes;
}

void CheckAttribute(EditRunner* runner, std::size_t index, int nth,
                    std::set<std::string>* enumerationsTried) {
    runner->Check(index, "remove attribute " + std::to_string(nth),
                  [nth](xmlNodePtr e) { return xmlRemoveProp(NthAttribute(e, nth)) == 0; });
    xmlNodePtr element = runner->Elements()[index];
    xmlAttrPtr attribute = NthAttribute(element, nth);
    std::string own = AttributeValue(attribute);
    std::vector<std::string> values(std::begin(kAttributeValues), std::end(kAttributeValues));
    for (const std::string& miss : NearMisses(own)) values.push_back(miss);
    char* end = nullptr;
    std::strtod(own.c_str(), &end);
    if (!own.empty() && *end == '\0') {
        values.insert(values.end(), RangeProbes().begin(), RangeProbes().end());
    }
    // An enumerated attribute gets every enumerated value of the format, once
    // per element and attribute name.
    std::string key = std::string(reinterpret_cast<const char*>(element->name)) + "@" +
                      reinterpret_cast<const char*>(attribute->name);
    if (EnumerationValues().count(own) != 0 && enumerationsTried->insert(key).second) {
        values.insert(values.end(), EnumerationValues().begin(), EnumerationValues().end());
    }
    for (const std::string& value : values) {
        runner->Check(index, "attribute " + std::to_string(nth) + " = '" + value + "'",
                      SetAttribute(nth, value));
    }
    if (runner->Check(index, "attribute " + std::to_string(nth) + " = 'a'",
                      SetAttribute(nth, "a"))) {
        for (const std::string& probe : LengthProbes()) {
            std::string what =
                "attribute " + std::to_string(nth) + " of " + std::to_string(probe.size());
            if (!runner->Check(index, what, SetAttribute(nth, probe))) break;
        }
    }
}

// The sanitizer build runs every eighth element only: the edits exercise the
// schema, which the plain build checks in full, and take minutes there.
#ifdef TARVOS_SANITIZED_BUILD
constexpr std::size_t kElementStride = 8;
constexpr int kMinimumChecked = 1000;
#else
constexpr std::size_t kElementStride = 1;
constexpr int kMinimumChecked = 10000;
#endif

// The place of an element: its local name and those of its parents.
std::string PlaceOf(xmlNodePtr element) {
    std::string place = reinterpret_cast<const char*>(element->name);
    for (xmlNodePtr up = element->parent; up != nullptr && up->type == XML_ELEMENT_NODE;
         up = up->parent) {
        place = std::string(reinterpret_cast<const char*>(up->name)) + "/" + place;
    }
    return place;
}

// The documents made from the published schema, which between them use every
// place of it (xml_lossless_test), and the sample; each place is edited in
// the first document that has it.
TEST_F(RequestSchemaAgreementTest, SystematicEditsGetTheOfficialVerdict) {
    schema_walk::Schema schema(kOfficialSchema);
    ASSERT_EQ("", schema.Error());
    std::vector<std::string> documents = {ReadText(kValidSample)};
    for (int variant : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17}) {
        std::string error;
        documents.push_back(schema_walk::MakeDocument(schema, variant, {true, true}, &error));
        ASSERT_EQ("", error);
    }
    int checked = 0;
    std::set<std::string> placesDone, enumerationsTried;
    for (const std::string& xml : documents) {
        ASSERT_EQ(0, OfficialSchema::Instance().CountErrors(xml)) << xml;
        xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                      XML_PARSE_NONET);
        ASSERT_NE(nullptr, doc);
        EditRunner runner(doc, *ours_);
        std::size_t seen = 0;
        for (std::size_t index = 0; index < runner.Elements().size(); ++index) {
            if (!placesDone.insert(PlaceOf(runner.Elements()[index])).second) continue;
            if (seen++ % kElementStride != 0) continue;
            CheckElement(&runner, index);
            int attributes = 0;
            for (xmlAttrPtr a = runner.Elements()[index]->properties; a != nullptr; a = a->next) {
                CheckAttribute(&runner, index, attributes++, &enumerationsTried);
            }
        }
        xmlFreeDoc(doc);
        checked += runner.Checked();
        EXPECT_EQ(0u, runner.Differences().size()) << "checked " << runner.Checked();
        for (std::size_t i = 0; i < runner.Differences().size() && i < 10; ++i) {
            ADD_FAILURE() << runner.Differences()[i];
        }
    }
    EXPECT_GT(checked, kMinimumChecked);
}

// The signature's content is checked as the published schema checks it.
TEST_F(RequestSchemaAgreementTest, SignatureContentIsChecked) {
    std::string xml = Replace(ReadText(kValidSample), "</invoice:request>",
                              "<ds:Signature><ds:Unknown/></ds:Signature></invoice:request>");
    EXPECT_FALSE(ours_->ValidateMemory(xml).Valid());
    EXPECT_NE(0, OfficialSchema::Instance().CountErrors(xml));
}

}  // namespace
}  // namespace testing_support
}  // namespace module
