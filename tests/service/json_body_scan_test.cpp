#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf8_text.h"
#include "endpoint/json_body_scan.h"

namespace {

// What a scan of `text` fed in pieces of `piece` bytes (so that tokens are
// split) finds: "ok" or "bad", the top-level type, "whole" or "part", and
// with `withLog` the log text.
std::string Scan(const std::string& text, size_t piece, const JsonBodyScan::Limits& limits,
                 bool withLog = false) {
    JsonBodyScan scan(limits);
    for (size_t at = 0; at < text.size(); at += piece) {
        scan.Feed(text.data() + at, std::min(piece, text.size() - at));
    }
    bool wellFormed = scan.Finish();
    return std::string(wellFormed ? "ok " : "bad ") + std::to_string(scan.TypeNumber()) +
           (scan.HasWholeText() ? " whole" : " part") + (withLog ? " " + scan.LogText() : "");
}

// Grammar, top-level type and the depth and element limits, whatever the
// pieces; a body found bad while it arrives is not kept.
TEST(JsonBodyScan, GrammarTypeAndLimits) {
    JsonBodyScan::Limits limits;
    limits.maxDepth = 4;
    limits.maxElements = 6;
    // The verdict, and the texts that get it.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"ok 5 whole", {"", " \r\n\t", "null"}},
        {"ok 3 whole",
         {"{}", "{\"a\":[1,{\"b\":null}],\"c\":\"x\\u00e9\\n\"}",
          "{\"a\":1,\"b\":[2,3,4]}"}},  // elements count in object bodies only
        {"ok 4 whole",
         {"[0,-0.5,1e3,2E-2,true,false,null]", "[[[[1]]]]", "[\"[[[[[\\\"[[\"]",
          "[1,2,3,4,5,6,7,8]"}},  // the depth limit; brackets in strings do not count
        {"ok 2 whole", {"\"text\""}},
        {"ok 0 whole", {"-12"}},
        {"ok 1 whole", {"true"}},
        {"bad 3 whole", {"{\"a\":"}},
        {"bad 4 whole", {"[1,2"}},
        {"bad 3 part",
         {"{\"a\" 1}", "{1:2}", "{\"a\":{\"b\":{\"c\":{\"d\":{}}}}}",
          "{\"a\":1,\"b\":[2,3,4,5]}"}},  // one past the limits
        {"bad 4 part",
         {"[1,]", "[01]", "[tru]", "[1] [2]", "[\"\\u12g4\"]", "[\"a\nb\"]", "[}",
          "[[[[[1]]]]]"}},  // one past the depth limit
    };
    for (const auto& c : cases) {
        for (const std::string& text : c.second) {
            for (size_t piece : {size_t(1), size_t(2), size_t(1000)})
                EXPECT_EQ(c.first, Scan(text, piece, limits)) << text;
        }
    }
}

// A body that is no object and larger than the limit keeps only a bounded
// log text, its secrets masked (a value that is an object as a whole); an
// object is kept whole whatever its size.
TEST(JsonBodyScan, LargeBodiesThatAreNotObjectsKeepOnlyABoundedMaskedLogText) {
    JsonBodyScan::Limits limits;
    limits.wholeTextBytes = 100;
    limits.logBytes = 50;
    std::string zeros;
    for (int i = 0; i < 1000; ++i) zeros += ", 0";
    const std::pair<std::string, std::string> cases[] = {
        {R"([{"bstrPassword": "geheim", "xPassword": {"a": [1]}, "n": 1})" + zeros + "]",
         R"(ok 4 part [{"bstrPassword":"***","xPassword":"***","n":1},0,)"},
        {"{\"a\":[0" + zeros + "]}",
         "ok 3 whole {\"a\":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"},
        {std::string(94, ' ') + "[1, 2]", "ok 4 whole [1,2]"},  // 100 bytes
        {std::string(95, ' ') + "[1, 2]", "ok 4 part [1,2]"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, Scan(c.first, 7, limits, true));
}

// Each byte that starts no valid sequence is replaced: a truncated one, a
// stray continuation, a surrogate, a code point above
// U+10FFFF. "ab€" cut at 2 to 5 bytes and beyond.
TEST(Utf8Text, InvalidBytesAreReplacedAndCutsFallBetweenCharacters) {
    std::string valid;
    for (const char* text :
         {"gr\xC3\xBC \xF0\x9F\x98\x80", "a\xC3(", "\x80x", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        valid += ValidUtf8(text) + "|";
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ("gr\xC3\xBC \xF0\x9F\x98\x80|a" + r + "(|" + r + "x|" + r + r + r + "|" + r + r + r +
                  r + "|",
              valid);
    std::string cuts;
    for (size_t limit : {2, 3, 4, 5, 9})
        cuts += std::to_string(Utf8CutLength("ab\xE2\x82\xAC", limit));
    EXPECT_EQ("22255", cuts);
    EXPECT_EQ("abc", WithoutLineBreaks("a\r\nb\nc\r"));
}

}  // namespace
