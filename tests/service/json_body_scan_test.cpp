#include <gtest/gtest.h>

#include <string>

#include "common/utf8_text.h"
#include "endpoint/json_body_scan.h"

namespace {

struct Scanned {
    bool wellFormed;
    int type;
    bool whole;
    std::string log;
};

// Feeds `text` in pieces of `piece` bytes, so that tokens are split.
Scanned Scan(const std::string& text, size_t piece = 3,
             JsonBodyScan::Limits limits = JsonBodyScan::Limits()) {
    JsonBodyScan scan(limits);
    for (size_t at = 0; at < text.size(); at += piece) {
        scan.Feed(text.data() + at, std::min(piece, text.size() - at));
    }
    bool wellFormed = scan.Finish();
    return {wellFormed, scan.TypeNumber(), scan.HasWholeText(), scan.LogText()};
}

TEST(JsonBodyScan, GrammarAndTopLevelType) {
    struct Case {
        const char* text;
        bool wellFormed;
        int type;
    } cases[] = {
        {"", true, 5},
        {" \r\n\t", true, 5},
        {"{}", true, 3},
        {"{\"a\":[1,{\"b\":null}],\"c\":\"x\\u00e9\\n\"}", true, 3},
        {"[0,-0.5,1e3,2E-2,true,false,null]", true, 4},
        {"\"text\"", true, 2},
        {"-12", true, 0},
        {"true", true, 1},
        {"null", true, 5},
        {"{\"a\":", false, 3},
        {"[1,2", false, 4},
        {"[1,]", false, 4},
        {"[01]", false, 4},
        {"[1.]", false, 4},
        {"[-]", false, 4},
        {"[tru]", false, 4},
        {"{\"a\" 1}", false, 3},
        {"{1:2}", false, 3},
        {"[1] [2]", false, 4},
        {"[\"\\x\"]", false, 4},
        {"[\"\\u12g4\"]", false, 4},
        {"[\"a\nb\"]", false, 4},
        {"[}", false, 4},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1), size_t(1000)}) {
            Scanned scanned = Scan(c.text, piece);
            EXPECT_EQ(c.wellFormed, scanned.wellFormed) << c.text;
            EXPECT_EQ(c.type, scanned.type) << c.text;
        }
    }
}

TEST(JsonBodyScan, DepthAndElementLimits) {
    JsonBodyScan::Limits limits;
    limits.maxDepth = 4;
    limits.maxElements = 6;
    EXPECT_TRUE(Scan("[[[[1]]]]", 2, limits).wellFormed);
    EXPECT_FALSE(Scan("[[[[[1]]]]]", 2, limits).wellFormed);
    EXPECT_TRUE(Scan("[\"[[[[[\\\"[[\"]", 2, limits).wellFormed);  // brackets in strings
    EXPECT_FALSE(Scan("{\"a\":{\"b\":{\"c\":{\"d\":{}}}}}", 2, limits).wellFormed);
    // Elements count in object bodies only: an array is never built.
    EXPECT_TRUE(Scan("{\"a\":1,\"b\":[2,3,4]}", 2, limits).wellFormed);
    EXPECT_FALSE(Scan("{\"a\":1,\"b\":[2,3,4,5]}", 2, limits).wellFormed);
    EXPECT_TRUE(Scan("[1,2,3,4,5,6,7,8]", 2, limits).wellFormed);
}

TEST(JsonBodyScan, BodiesThatAreNotObjectsKeepOnlyABoundedMaskedLogText) {
    JsonBodyScan::Limits limits;
    limits.wholeTextBytes = 100;
    limits.logBytes = 40;
    std::string array = "[";
    for (int i = 0; i < 1000; ++i) array += i ? ", 0" : "0";
    array += "]";
    Scanned large = Scan(array, 7, limits);
    EXPECT_TRUE(large.wellFormed);
    EXPECT_EQ(4, large.type);
    EXPECT_FALSE(large.whole);
    std::string expected = "[";
    for (int i = 0; i < 19; ++i) expected += "0,";
    EXPECT_EQ(expected + "0", large.log);
    // An object is kept whole whatever its size; a small array too.
    EXPECT_TRUE(Scan("{\"a\":" + array + "}", 7, limits).whole);
    EXPECT_TRUE(Scan("[1, 2]", 7, limits).whole);
    // Secrets are masked in the log text.
    limits = JsonBodyScan::Limits();
    limits.wholeTextBytes = 0;
    EXPECT_EQ("[{\"bstrPassword\":\"***\",\"n\":1},{\"xPassword\":\"***\"},2]",
              Scan("[{\"bstrPassword\": \"geheim\", \"n\": 1}, {\"xPassword\": {\"a\": [1]}}, 2]",
                   5, limits)
                  .log);
    EXPECT_EQ("[{\"Password\":\"***\"}]", Scan("[{\"Password\":-1.5e3}]", 1, limits).log);
}

TEST(Utf8Text, InvalidBytesAreReplacedAndCutsFallBetweenCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "plain"},
        {"gr\xC3\xBC\xC3\x9F", "gr\xC3\xBC\xC3\x9F"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"a\xC3(", "a" + replacement + "("},
        {"\x80x", replacement + "x"},
        {"\xC0\xAF", replacement + replacement},                    // overlong
        {"\xED\xA0\x80", replacement + replacement + replacement},  // surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},
        {"end\xE2\x82", "end" + replacement + replacement},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, ValidUtf8(c.in)) << c.in;

    std::string text = "ab\xE2\x82\xAC";  // "ab€"
    EXPECT_EQ(5u, Utf8CutLength(text, 5));
    EXPECT_EQ(5u, Utf8CutLength(text, 9));
    EXPECT_EQ(2u, Utf8CutLength(text, 4));
    EXPECT_EQ(2u, Utf8CutLength(text, 3));
    EXPECT_EQ(2u, Utf8CutLength(text, 2));
    EXPECT_EQ("abc", WithoutLineBreaks("a\r\nb\nc\r"));
}

}  // namespace
