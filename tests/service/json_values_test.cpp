// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "endpoint/json_values.h"
#include "endpoint/request_args.h"
#include "platform/ole_date.h"

namespace {

using web::json::value;

// What `read` gives: its value as text, or the text of what it threw.
template <class F>
std::string Outcome(F read) {
    try {
        std::ostringstream out;
        out << std::setprecision(17) << read();
        return out.str();
    } catch (const std::logic_error& e) {
        return e.what();
    }
}

// Member `name` of `args` as JsonToLong, JsonToDouble, JsonToBstr and
// JsonToDate read it.
std::string Reads(const value& args, const std::string& name) {
    return Outcome([&] { return JsonToLong(args, name); }) + "|" +
           Outcome([&] { return JsonToDouble(args, name); }) + "|" +
           Outcome([&] { return JsonToBstr(args, name); }) + "|" +
           Outcome([&] { return JsonToDate(args, name); });
}

TEST(JsonReadersTest, EveryJsonTypeByEveryReader) {
    const std::pair<const char*, const char*> reads[] = {
        {"7", "7|7|7|7"},
        {"-7.9", "-7|-7.9000000000000004|-7.9|-7.9000000000000004"},  // truncated toward zero
        {"1e300", "-2147483648|1.0000000000000001e+300|1E+300|1.0000000000000001e+300"},
        {"true", "1|1|1|1"},
        {"null", "0|0||0"},
        {R"("Zürich")", "invalid stol argument|invalid stod argument|Zürich|0"},
        {R"("  42xyz")", "42|42|  42xyz|0"},
        {R"("2024-03-01")", "2024|2024|2024-03-01|45352"},
        {R"("2147483647")", "2147483647|2147483647|2147483647|0"},
        {R"("2147483648")", "stol argument out of range|2147483648|2147483648|0"},
        {R"("1e999")", "1|stod argument out of range|1e999|0"},
    };
    for (const auto& read : reads) {
        EXPECT_EQ(read.second, Reads(value::parse(std::string(R"({"m":)") + read.first + "}"), "m"))
            << read.first;
    }
    // A missing member, matched exactly, or a body that is no object.
    EXPECT_EQ("408#m|408#m|408#m|408#m", Reads(value::parse(R"({"M":1})"), "m"));
    EXPECT_EQ("408#x|408#x|408#x|408#x", Reads(value::array(), "x"));
}

TEST(DateTextTest, TextToDateAndBack) {
    // 2024-03-01 (serial 45352) at a time of the day.
    auto at = [](int h, int m = 0, int s = 0) { return 45352 + (h * 3600 + m * 60 + s) / 86400.0; };
    const std::pair<const char*, DATE> texts[] = {
        {"2024-03-01", at(0)},
        {"2024-03-01T10:11:12", at(10, 11, 12)},
        {"2024-03-01T10:00:00-01:30", at(8, 30)},  // the offset is added
        {"2024-03-01T10:00:00.123456789Z-01:00", at(9)},
        {"2024-03-01 and more", at(0)},  // the rest is ignored
        {"2024-03-01T10:00:", at(10)},   // missing seconds read as 0
    };
    for (const auto& text : texts)
        EXPECT_NEAR(text.second, TextToDate(text.first), 1e-9) << text.first;
    // No date: parts missing or cut, other separators, no month 13, a year before 100.
    for (const char* text : {"2024-03", "2024-03-01T10", "2024/03/01", "2024-13-01", "0050-01-01"})
        EXPECT_EQ(0.0, TextToDate(text)) << text;

    std::string dates;
    for (DATE date : {at(14, 30), -1.0, 0.09, 3000000.0, std::nan("")})
        dates += DateToText(date) + "|";
    EXPECT_EQ("2024-03-01T00:00:00|1899-12-29T00:00:00||||", dates);
}

TEST(JsonWritersTest, TextsBooleansAndNumbers) {
    // Invalid UTF-8 (a bad sequence, a surrogate) becomes "".
    std::string texts;
    for (const char* text : {"Grüezi", "bad \xC3\x28 text", "\xED\xA0\x80", "\xF0\x9F\x98\x80"})
        texts += BstrToJson(text).as_string() + "|";
    EXPECT_EQ("Grüezi|||\xF0\x9F\x98\x80|", texts);
    std::string bools;
    for (VARIANT_BOOL b : {VARIANT_TRUE, VARIANT_BOOL(0), VARIANT_BOOL(1), VARIANT_BOOL(-2)})
        bools += BoolToJson(b).as_bool() ? "1" : "0";
    EXPECT_EQ("1000", bools);

    std::string numbers;
    for (double v : {1.25, 1e-6, 100.0, 123456789012345.0, 1e15, 1e-5, 0.1 + 0.2, -2.5e-300})
        numbers += NumberText(v) + " ";
    EXPECT_EQ("1.25 1E-06 100 123456789012345 1E+15 0.00001 0.30000000000000004 -2.5E-300 ",
              numbers);
}

TEST(RequestArgsTest, TargetHandleFromItsKeysInOrder) {
    const std::pair<const char*, int> reads[] = {
        {R"({"pIAddress":0,"addr":12345})", 12345},
        {R"({"pIAddress":"123"})", 123},
        {R"({"pIAddress":7,"lAddress":8,"addr":9})", 7},
        {R"({"pIAddress":" -5x"})", -5},
    };
    for (const auto& read : reads) {
        EXPECT_EQ(read.second, ReadInterfaceAddress("IAddress", value::parse(read.first)))
            << read.first;
    }
    // None: a string that is no number ends the search; numbers beyond 32
    // bits; only the URL's interface counts.
    for (const char* args :
         {R"({"pIAddress":"x","addr":5})", R"({"addr":4294967297})", R"({"pITarvos":5})"})
        EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse(args))) << args;
}

// (Paths: the request frame's integration tests.)
TEST(RequestArgsTest, QueriesAndBodies) {
    value args = QueryToArgs("a=1&b=x%20y&a=2&flag");
    EXPECT_EQ(value::parse(R"({"a":"2","b":"x y"})"), args);
    // Decoded as a whole, then split.
    EXPECT_EQ(value::parse(R"({"a":"1","b":"2"})"), QueryToArgs("a=1%26b%3D2"));
    EXPECT_EQ(value::parse(R"({"i":3,"r":2.5,"b":true,"s":"t"})"),
              CopyScalarMembers(
                  value::parse(R"({"i":3,"r":2.5,"b":true,"s":"t","n":null,"a":[1],"o":{}})")));
    EXPECT_EQ(R"({'a':'b\nc','myPassword':'***','n':[{'bstrFromPFXPassword':'***'}]})",
              LogText(value::parse(
                  R"({"a":"b\nc","myPassword":"s3cret","n":[{"bstrFromPFXPassword":"x"}]})")));
}

}  // namespace
