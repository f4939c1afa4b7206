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

// --- Systematic edits, element by element ----------------------------------------

const char kInvoiceNamespace[] = "http://www.forum-datenaustausch.ch/invoice";

// The request's elements in document order, without the signature and
// encryption parts (the mutations above check those).
void CollectElements(xmlNodePtr node, std::vector<xmlNodePtr>* elements) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || node->ns == nullptr ||
            std::string(reinterpret_cast<const char*>(node->ns->href)) != kInvoiceNamespace)
            continue;
        elements->push_back(node);
        CollectElements(node->children, elements);
    }
}

// Edits one element of a copy of the document; false when it does not apply.
using Edit = std::function<bool(xmlNodePtr element)>;

// Sets the attribute `name`, or for "" the text of an element without children.
Edit SetValue(const std::string& name, const std::string& value) {
    return [name, value](xmlNodePtr e) {
        if (!name.empty())
            return xmlSetProp(e, BAD_CAST name.c_str(), BAD_CAST value.c_str()) != nullptr;
        for (xmlNodePtr child = e->children; child != nullptr; child = child->next) {
            if (child->type == XML_ELEMENT_NODE) return false;
        }
        xmlNodeSetContent(e, BAD_CAST value.c_str());
        return true;
    };
}

// Applies edits to copies of one document and compares the verdicts of the
// two schemas on each result.
struct EditRun {
    xmlDocPtr original;
    const SchemaValidator& ours;
    std::vector<xmlNodePtr> elements = {};
    std::vector<std::string> differences = {};
    int checked = 0;

    // Applies `edit` to the element at `index`; returns the published
    // schema's verdict (true: valid), false also when the edit did not apply.
    bool Check(std::size_t index, const std::string& what, const Edit& edit) {
        xmlDocPtr copy = xmlCopyDoc(original, 1);
        std::vector<xmlNodePtr> copied;
        CollectElements(xmlDocGetRootElement(copy), &copied);
        bool officialValid = false;
        if (edit(copied[index])) {
            ++checked;
            int official = OfficialSchema::Instance().CountErrorsInTree(copy);
            SchemaReport report = ours.ValidateDocument(copy);
            officialValid = official == 0;
            if (officialValid != report.Valid()) {
                differences.push_back(
                    std::string(reinterpret_cast<const char*>(elements[index]->name)) + " #" +
                    std::to_string(index) + " " + what + ": official " + VerdictText(official) +
                    ", ours " + VerdictText(report.errorCount) + " " + report.FirstErrorText());
            }
        }
        xmlFreeDoc(copy);
        return officialValid;
    }

    // Sets the attribute `name` (text: "") to each of `values`, then, when
    // "a" passes, to longer and longer texts: both sides of every length
    // limit of the format, up to the first the published schema refuses
    // (beyond it, it refuses all; a disagreement there already shows).
    void CheckValues(std::size_t index, const std::string& name, std::vector<std::string> values) {
        for (const std::string& value : values) {
            Check(index, "'" + name + "' = '" + value + "'", SetValue(name, value));
        }
        if (!Check(index, "'" + name + "' = 'a'", SetValue(name, "a"))) return;
        for (int limit : {3, 6, 9, 12, 15, 25, 30, 35, 50, 64, 70, 100, 255, 350, 700}) {
            for (int length : {limit, limit + 1}) {
                std::string what = "'" + name + "' of " + std::to_string(length);
                if (!Check(index, what, SetValue(name, std::string(length, 'a')))) return;
            }
        }
    }
};

void CheckElement(EditRun* run, std::size_t index) {
    run->Check(index, "remove", [](xmlNodePtr e) {
        xmlUnlinkNode(e);
        xmlFreeNode(e);
        return true;
    });
    run->Check(index, "repeat",
               [](xmlNodePtr e) { return xmlAddNextSibling(e, xmlCopyNode(e, 1)) != nullptr; });
    run->Check(index, "swap with next", [](xmlNodePtr e) {
        xmlNodePtr next = xmlNextElementSibling(e);
        if (next == nullptr) return false;
        xmlUnlinkNode(next);
        return xmlAddPrevSibling(e, next) != nullptr;
    });
    run->Check(index, "unknown attribute", SetValue("unknown", "1"));
    run->CheckValues(index, "", {"", "a@b"});
}

// The values tried on every attribute besides near misses of its own: one of
// each kind the format uses, and from the published schema every enumerated
// value and both sides of every range limit (with those of the built-in
// types it uses: unsignedShort, int, unsignedInt).
struct Probes {
    std::vector<std::string> kinds = {"",    "x",    "-1",           "1.5",
                                      "1e3", "true", "2020-02-30",   "2020-06-03T00:00:00",
                                      "P2D", "AB",   "7601003000015"};
    std::set<std::string> enumerations;
    std::vector<std::string> ranges;

    explicit Probes(const schema_walk::Schema& schema) {
        std::set<double> limits = {65535, 2147483647, 4294967295};
        auto add = [&](const schema_walk::ValueType& type) {
            enumerations.insert(type.enumeration.begin(), type.enumeration.end());
            for (const std::string& limit : {type.min_inclusive, type.max_inclusive}) {
                if (!limit.empty()) limits.insert(std::stod(limit));
            }
        };
        for (const std::string& place : schema.Places()) {
            const schema_walk::ElementDecl* decl = schema.Find(place);
            if (decl == nullptr) continue;
            for (const schema_walk::AttributeDecl& attribute : decl->attributes)
                add(attribute.type);
            if (decl->text) add(*decl->text);
        }
        char text[32];
        for (double limit : limits) {
            for (double probe : {limit - 1, limit, limit + 1}) {
                std::snprintf(text, sizeof text, "%.0f", probe);
                ranges.push_back(text);
            }
        }
    }
};

void CheckAttribute(EditRun* run, std::size_t index, const std::string& name, const Probes& probes,
                    std::set<std::string>* enumerationsTried) {
    run->Check(index, "remove '" + name + "'",
               [name](xmlNodePtr e) { return xmlUnsetProp(e, BAD_CAST name.c_str()) == 0; });
    xmlNodePtr element = run->elements[index];
    xmlChar* value = xmlGetProp(element, BAD_CAST name.c_str());
    const std::string own = reinterpret_cast<const char*>(value);
    xmlFree(value);
    std::vector<std::string> values = probes.kinds;
    std::string lower = own;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    values.insert(values.end(), {own + "0", " " + own, lower});
    if (!own.empty()) values.push_back(own.substr(0, own.size() - 1));
    char* end = nullptr;
    std::strtod(own.c_str(), &end);
    if (!own.empty() && *end == '\0') {
        values.insert(values.end(), probes.ranges.begin(), probes.ranges.end());
    }
    // An enumerated attribute gets every enumerated value of the format, once
    // per element and attribute name.
    std::string key = std::string(reinterpret_cast<const char*>(element->name)) + "@" + name;
    if (probes.enumerations.count(own) != 0 && enumerationsTried->insert(key).second) {
        values.insert(values.end(), probes.enumerations.begin(), probes.enumerations.end());
    }
    run->CheckValues(index, name, values);
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
    const Probes probes(schema);
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
        EditRun run{doc, OurSchema()};
        CollectElements(xmlDocGetRootElement(doc), &run.elements);
        std::size_t seen = 0;
        for (std::size_t index = 0; index < run.elements.size(); ++index) {
            if (!placesDone.insert(PlaceOf(run.elements[index])).second) continue;
            if (seen++ % kElementStride != 0) continue;
            CheckElement(&run, index);
            for (xmlAttrPtr a = run.elements[index]->properties; a != nullptr; a = a->next) {
                if (a->ns != nullptr) continue;  // xsi:schemaLocation
                CheckAttribute(&run, index, reinterpret_cast<const char*>(a->name), probes,
                               &enumerationsTried);
            }
        }
        xmlFreeDoc(doc);
        checked += run.checked;
        EXPECT_EQ(0u, run.differences.size()) << "checked " << run.checked;
        for (std::size_t i = 0; i < run.differences.size() && i < 10; ++i) {
            ADD_FAILURE() << run.differences[i];
        }
    }
    EXPECT_GT(checked, kMinimumChecked);
}

}  // namespace
}  // namespace testing_support
}  // namespace module
