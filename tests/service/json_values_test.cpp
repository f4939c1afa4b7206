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

// What `read` gives: its value as text, or the exception it threw.
template <class F>
std::string Outcome(F read) {
    try {
        std::ostringstream out;
        out << std::setprecision(17) << read();
        return out.str();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid: ") + e.what();
    } catch (const std::out_of_range& e) {
        return std::string("range: ") + e.what();
    }
}

struct Read {
    const char* member;  // the JSON of member "m"
    const char* asLong;
    const char* asDouble;
    const char* asBstr;
};

TEST(JsonReadersTest, EveryJsonTypeByEveryReader) {
    const Read reads[] = {
        {"7", "7", "7", "7"},
        {"7.9", "7", "7.9000000000000004", "7.9"},
        {"-7.9", "-7", "-7.9000000000000004", "-7.9"},  // truncated toward zero
        {"1e300", "-2147483648", "1.0000000000000001e+300", "1E+300"},
        {"true", "1", "1", "1"},
        {"false", "0", "0", "0"},
        {"null", "0", "0", ""},
        {"[1]", "0", "0", ""},
        {R"("Zürich")", "invalid: invalid stol argument", "invalid: invalid stod argument",
         "Zürich"},
        {R"("")", "invalid: invalid stol argument", "invalid: invalid stod argument", ""},
        {R"("  42xyz")", "42", "42", "  42xyz"},
        {R"(" 2.5e3x")", "2", "2500", " 2.5e3x"},
        {R"("2147483647")", "2147483647", "2147483647", "2147483647"},
        {R"("2147483648")", "range: stol argument out of range", "2147483648", "2147483648"},
        {R"("-2147483649")", "range: stol argument out of range", "-2147483649", "-2147483649"},
        {R"("1e999")", "1", "range: stod argument out of range", "1e999"},
    };
    for (const Read& read : reads) {
        value args = value::parse(std::string(R"({"m":)") + read.member + "}");
        EXPECT_EQ(read.asLong, Outcome([&] { return JsonToLong(args, "m"); })) << read.member;
        EXPECT_EQ(read.asDouble, Outcome([&] { return JsonToDouble(args, "m"); })) << read.member;
        EXPECT_EQ(read.asBstr, Outcome([&] { return JsonToBstr(args, "m"); })) << read.member;
    }
    // A missing member, matched exactly, or a body that is no object.
    value args = value::parse(R"({"lLogLevel":1})");
    EXPECT_EQ("invalid: 408#LLogLevel", Outcome([&] { return JsonToLong(args, "LLogLevel"); }));
    EXPECT_EQ("invalid: 408#d", Outcome([&] { return JsonToDouble(args, "d"); }));
    EXPECT_EQ("invalid: 408#t", Outcome([&] { return JsonToBstr(args, "t"); }));
    EXPECT_EQ("invalid: 408#x", Outcome([&] { return JsonToDate(value::array(), "x"); }));
    EXPECT_EQ("412#detail # more", ArgumentError(412, "detail # more"));
}

TEST(DateTextTest, TextToDateAndBack) {
    // 2024-03-01 (serial 45352) at a time of the day.
    auto at = [](int h, int m = 0, int s = 0) { return 45352 + (h * 3600 + m * 60 + s) / 86400.0; };
    const DATE day = at(0);
    const std::pair<const char*, DATE> texts[] = {
        {"2024-03-01", day},
        {"2024-03-01+02:00", at(2)},
        {"2024-03-01T10:11:12", at(10, 11, 12)},
        {"2024-03-01T10:00:00+01:00", at(11)},  // the offset is added
        {"2024-03-01T10:00:00-01:30", at(8, 30)},
        {"2024-03-01T10:00:00.123456789Z-01:00", at(9)},
        {"2024-03-01 and more", day},   // the rest is ignored
        {"2024-03-01T10:00:", at(10)},  // missing seconds read as 0
        {"2024-03", 0},
        {"2024-03-01T10", 0},
        {"2024-03-01T10:00", 0},
        {"2024-03-01+02", 0},
        {"2024/03/01", 0},
        {"", 0},
        {"2024-13-01", 0},
        {"0050-01-01", 0},  // before year 100
    };
    for (const auto& text : texts)
        EXPECT_NEAR(text.second, TextToDate(text.first), 1e-9) << text.first;

    const std::pair<DATE, const char*> dates[] = {
        {at(14, 30), "2024-03-01T00:00:00"},
        {1.0, "1899-12-31T00:00:00"},
        {-1.0, "1899-12-29T00:00:00"},
        {0.09, ""},
        {-0.09, ""},
        {3000000.0, ""},
        {std::nan(""), ""},
    };
    for (const auto& date : dates) EXPECT_EQ(date.second, DateToText(date.first)) << date.first;

    value args =
        value::parse(R"({"i":45352,"r":45352.5,"t":true,"s":"2024-03-01","bad":"2024-03"})");
    EXPECT_DOUBLE_EQ(45352.5, JsonToDate(args, "r"));
    EXPECT_DOUBLE_EQ(1.0, JsonToDate(args, "t"));
    EXPECT_DOUBLE_EQ(JsonToDate(args, "i"), JsonToDate(args, "s"));
    EXPECT_DOUBLE_EQ(0.0, JsonToDate(args, "bad")) << "a text that does not parse is no error";
}

TEST(JsonWritersTest, TextsBooleansAndNumbers) {
    const std::pair<const char*, const char*> texts[] = {
        {"Grüezi", "Grüezi"},
        {"bad \xC3\x28 text", ""},
        {"\xED\xA0\x80", ""},  // a surrogate
        {"\xC0\xAF", ""},      // an overlong form
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const auto& text : texts) EXPECT_EQ(text.second, BstrToJson(text.first).as_string());
    EXPECT_TRUE(BoolToJson(VARIANT_TRUE).as_bool());
    for (VARIANT_BOOL other : {0, 1, -2}) EXPECT_FALSE(BoolToJson(other).as_bool()) << other;

    const std::pair<double, const char*> numbers[] = {
        {0.0, "0"},        {1.25, "1.25"},
        {1e-6, "1E-06"},   {-7.9, "-7.9"},
        {100.0, "100"},    {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"},   {-1.5e-7, "-1.5E-07"},
        {1e-5, "0.00001"}, {0.1 + 0.2, "0.30000000000000004"},
    };
    for (const auto& number : numbers) EXPECT_EQ(number.second, NumberText(number.first));
    for (double v : {3.141592653589793, 1.0 / 3.0, 2.5e-300, 1.7976931348623157e308}) {
        EXPECT_EQ(v, std::strtod(NumberText(v).c_str(), nullptr)) << NumberText(v);
    }
}

TEST(RequestArgsTest, TargetHandleFromItsKeysInOrder) {
    const std::pair<const char*, int> reads[] = {
        {R"({"pIAddress":0,"addr":12345})", 12345},
        {R"({"pIAddress":"123"})", 123},
        {R"({"lAddress":123})", 123},
        {R"({"addr":123.9})", 123},
        {R"({"pIAddress":7,"lAddress":8,"addr":9})", 7},
        {R"({"pIAddress":0,"lAddress":7})", 7},
        {R"({"lAddress":8,"addr":9})", 8},
        {R"({"pIAddress":" -5x"})", -5},
        {R"({"pIAddress":true})", 1},
        {R"({"pIAddress":"x","addr":5})", 0},  // a string that is no number ends the search
        {R"({"addr":4294967297})", 0},
        {R"({"addr":"99999999999"})", 0},
        {R"({"pITarvos":5})", 0},  // only the URL's interface counts
        {"[]", 0},
    };
    for (const auto& read : reads) {
        EXPECT_EQ(read.second, ReadInterfaceAddress("IAddress", value::parse(read.first)))
            << read.first;
    }
}

TEST(RequestArgsTest, PathsQueriesAndBodies) {
    EXPECT_EQ("/ITarvos/GetModus",
              RelativePath("/tarvosServer450/ITarvos/GetModus", "/tarvosServer450"));
    EXPECT_EQ("/", RelativePath("/tarvosServer450/", "/tarvosServer450/"));
    EXPECT_EQ("/svcX/a", RelativePath("/svcX/a", "/svc")) << "only whole segments";
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), SplitPath("//a//b/c/"));
    value args = QueryToArgs("a=1&b=x%20y&a=2&flag");
    EXPECT_EQ(value::parse(R"({"a":"2","b":"x y"})"), args);
    EXPECT_EQ(value::parse(R"({"i":3,"r":2.5,"b":true,"s":"t"})"),
              CopyScalarMembers(
                  value::parse(R"({"i":3,"r":2.5,"b":true,"s":"t","n":null,"a":[1],"o":{}})")));
    EXPECT_EQ(R"({'a':'b\nc','myPassword':'***','n':[{'bstrFromPFXPassword':'***'}]})",
              LogText(value::parse(
                  R"({"a":"b\nc","myPassword":"s3cret","n":[{"bstrFromPFXPassword":"x"}]})")));
}

}  // namespace
