// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "endpoint/json_values.h"
#include "endpoint/request_args.h"
#include "platform/ole_date.h"

namespace {

using web::json::value;

value Args(const std::string& json) {
    return value::parse(json);
}

DATE Serial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &date));
    return date;
}

// The message of the invalid_argument that `read` throws, or "no exception".
template <class F>
std::string InvalidArgument(F read) {
    try {
        read();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "no exception";
}

TEST(JsonReadersTest, LongFromEveryJsonType) {
    value args = Args(R"({"i":7,"r":7.9,"neg":-7.9,"t":true,"f":false,"s":"7","null":null,
                          "o":{},"a":[1]})");
    EXPECT_EQ(7, JsonToLong(args, "i"));
    EXPECT_EQ(7, JsonToLong(args, "r"));
    EXPECT_EQ(-7, JsonToLong(args, "neg")) << "truncated toward zero";
    EXPECT_EQ(1, JsonToLong(args, "t"));
    EXPECT_EQ(0, JsonToLong(args, "f"));
    EXPECT_EQ(7, JsonToLong(args, "s"));
    EXPECT_EQ(0, JsonToLong(args, "null"));
    EXPECT_EQ(0, JsonToLong(args, "o"));
    EXPECT_EQ(0, JsonToLong(args, "a"));
}

TEST(JsonReadersTest, LongFromStringsReadsLikeStol) {
    value args = Args(R"({"ws":"  42xyz","sign":"-12","plus":"+5","none":"x1","empty":"",
                          "big":"2147483648","small":"-2147483649","max":"2147483647"})");
    EXPECT_EQ(42, JsonToLong(args, "ws"));
    EXPECT_EQ(-12, JsonToLong(args, "sign"));
    EXPECT_EQ(5, JsonToLong(args, "plus"));
    EXPECT_EQ(2147483647, JsonToLong(args, "max"));
    EXPECT_EQ("invalid stol argument", InvalidArgument([&] { JsonToLong(args, "none"); }));
    EXPECT_EQ("invalid stol argument", InvalidArgument([&] { JsonToLong(args, "empty"); }));
    try {
        JsonToLong(args, "big");
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ("stol argument out of range", e.what());
    }
    EXPECT_THROW(JsonToLong(args, "small"), std::out_of_range);
}

TEST(JsonReadersTest, DoubleFromEveryJsonType) {
    value args = Args(R"({"i":3,"r":1.25,"t":true,"f":false,"s":"1.25","e":" 2.5e3x","n":null})");
    EXPECT_DOUBLE_EQ(3.0, JsonToDouble(args, "i"));
    EXPECT_DOUBLE_EQ(1.25, JsonToDouble(args, "r"));
    EXPECT_DOUBLE_EQ(1.0, JsonToDouble(args, "t"));
    EXPECT_DOUBLE_EQ(0.0, JsonToDouble(args, "f"));
    EXPECT_DOUBLE_EQ(1.25, JsonToDouble(args, "s"));
    EXPECT_DOUBLE_EQ(2500.0, JsonToDouble(args, "e"));
    EXPECT_DOUBLE_EQ(0.0, JsonToDouble(args, "n"));
}

TEST(JsonReadersTest, DoubleFromUnreadableStrings) {
    value args = Args(R"({"x":"abc","huge":"1e999"})");
    EXPECT_EQ("invalid stod argument", InvalidArgument([&] { JsonToDouble(args, "x"); }));
    try {
        JsonToDouble(args, "huge");
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ("stod argument out of range", e.what());
    }
}

TEST(JsonReadersTest, DateFromEveryJsonType) {
    value args = Args(R"({"i":45352,"r":45352.5,"t":true,"s":"2024-03-01","bad":"2024-03",
                          "n":null})");
    EXPECT_DOUBLE_EQ(45352.0, JsonToDate(args, "i"));
    EXPECT_DOUBLE_EQ(45352.5, JsonToDate(args, "r"));
    EXPECT_DOUBLE_EQ(1.0, JsonToDate(args, "t"));
    EXPECT_DOUBLE_EQ(Serial(2024, 3, 1), JsonToDate(args, "s"));
    EXPECT_DOUBLE_EQ(0.0, JsonToDate(args, "bad")) << "a text that does not parse is no error";
    EXPECT_DOUBLE_EQ(0.0, JsonToDate(args, "n"));
}

TEST(JsonReadersTest, BstrFromEveryJsonType) {
    value args = Args(R"({"i":3,"neg":-12,"r":1.25,"t":true,"f":false,"s":"Zürich","n":null,
                          "a":[]})");
    EXPECT_EQ("3", JsonToBstr(args, "i"));
    EXPECT_EQ("-12", JsonToBstr(args, "neg"));
    EXPECT_EQ("1.25", JsonToBstr(args, "r"));
    EXPECT_EQ("1", JsonToBstr(args, "t"));
    EXPECT_EQ("0", JsonToBstr(args, "f"));
    EXPECT_EQ("Zürich", JsonToBstr(args, "s"));
    EXPECT_EQ("", JsonToBstr(args, "n"));
    EXPECT_EQ("", JsonToBstr(args, "a"));
}

TEST(JsonReadersTest, MissingMemberIsArgumentError408WithTheKey) {
    value args = Args(R"({"lLogLevel":1})");
    EXPECT_EQ("408#bstrCity", InvalidArgument([&] { JsonToBstr(args, "bstrCity"); }));
    EXPECT_EQ("408#LLogLevel", InvalidArgument([&] { JsonToLong(args, "LLogLevel"); }))
        << "keys are matched exactly";
    EXPECT_EQ("408#dAmount", InvalidArgument([&] { JsonToDouble(args, "dAmount"); }));
    EXPECT_EQ("408#dBirthdate", InvalidArgument([&] { JsonToDate(args, "dBirthdate"); }));
    EXPECT_EQ("408#x", InvalidArgument([&] { JsonToLong(value::array(), "x"); }))
        << "a body that is not an object has no members";
    EXPECT_EQ("412#detail # more", ArgumentError(412, "detail # more"));
}

TEST(JsonWritersTest, Texts) {
    EXPECT_EQ("Grüezi", BstrToJson("Grüezi").as_string());
    EXPECT_EQ("", BstrToJson(BSTR()).as_string());
    EXPECT_EQ("", BstrToJson("bad \xC3\x28 text").as_string()) << "invalid UTF-8";
    EXPECT_EQ("", BstrTextToJson("\xED\xA0\x80").as_string()) << "a surrogate";
    EXPECT_EQ("", BstrTextToJson("\xC0\xAF").as_string()) << "an overlong form";
    EXPECT_EQ("\xF0\x9F\x98\x80", BstrTextToJson("\xF0\x9F\x98\x80").as_string());
}

TEST(JsonWritersTest, BooleanIsTrueOnlyForVariantTrue) {
    EXPECT_TRUE(BoolToJson(VARIANT_TRUE).as_bool());
    EXPECT_FALSE(BoolToJson(VARIANT_FALSE).as_bool());
    EXPECT_FALSE(BoolToJson(1).as_bool());
    EXPECT_FALSE(BoolToJson(-2).as_bool());
}

TEST(JsonWritersTest, NumberTextIsShortestRoundTrip) {
    EXPECT_EQ("0", NumberText(0.0));
    EXPECT_EQ("1.25", NumberText(1.25));
    EXPECT_EQ("0.1", NumberText(0.1));
    EXPECT_EQ("-7.9", NumberText(-7.9));
    EXPECT_EQ("100", NumberText(100.0));
    EXPECT_EQ("123456789012345", NumberText(123456789012345.0));
    EXPECT_EQ("1E+20", NumberText(1e20));
    EXPECT_EQ("-1.5E-07", NumberText(-1.5e-7));
    EXPECT_EQ("0.00001", NumberText(1e-5));
    EXPECT_EQ("0.30000000000000004", NumberText(0.1 + 0.2));
    for (double v : {3.141592653589793, 1.0 / 3.0, 2.5e-300, 1.7976931348623157e308}) {
        EXPECT_EQ(v, std::strtod(NumberText(v).c_str(), nullptr)) << NumberText(v);
    }
}

TEST(DateTextTest, DateToTextIsMidnightOfTheDay) {
    EXPECT_EQ("2024-03-01T00:00:00", DateToText(Serial(2024, 3, 1, 14, 30)));
    EXPECT_EQ("2024-03-01T00:00:00", DateToText(Serial(2024, 3, 1)));
    EXPECT_EQ("1899-12-31T00:00:00", DateToText(1.0));
    EXPECT_EQ("", DateToText(0.0));
    EXPECT_EQ("", DateToText(0.09));
    EXPECT_EQ("", DateToText(-0.09));
    EXPECT_EQ("1899-12-29T00:00:00", DateToText(-1.0));
    EXPECT_EQ("", DateToText(3000000.0)) << "beyond 9999-12-31";
    EXPECT_EQ("", DateToText(std::nan("")));
}

TEST(DateTextTest, TextToDateAcceptsTheListedForms) {
    DATE day = Serial(2024, 3, 1);
    EXPECT_DOUBLE_EQ(day, TextToDate("2024-03-01"));
    EXPECT_DOUBLE_EQ(day, TextToDate("2024-03-01T00:00:00"));
    EXPECT_DOUBLE_EQ(day, TextToDate("2024-03-01T00:00:00.250Z"));
    EXPECT_DOUBLE_EQ(Serial(2024, 3, 1, 2), TextToDate("2024-03-01+02:00"));
    EXPECT_DOUBLE_EQ(Serial(2024, 3, 1, 10), TextToDate("2024-03-01T10:00:00Z"));
    EXPECT_DOUBLE_EQ(Serial(2024, 3, 1, 10, 11, 12), TextToDate("2024-03-01T10:11:12"));
    EXPECT_NEAR(Serial(2024, 3, 1, 11), TextToDate("2024-03-01T10:00:00+01:00"), 1e-9)
        << "the offset is added";
    EXPECT_NEAR(Serial(2024, 3, 1, 8, 30), TextToDate("2024-03-01T10:00:00-01:30"), 1e-9);
    EXPECT_NEAR(Serial(2024, 3, 1, 9), TextToDate("2024-03-01T10:00:00.123456789Z-01:00"), 1e-9)
        << "any number of fraction digits";
    EXPECT_DOUBLE_EQ(day, TextToDate("2024-03-01 and more")) << "the rest is ignored";
    EXPECT_DOUBLE_EQ(day, TextToDate("2024-03-01T00:00:00xyz"));
    EXPECT_DOUBLE_EQ(Serial(2024, 3, 1, 10), TextToDate("2024-03-01T10:00:"))
        << "seconds that are not there read as 0";
}

TEST(DateTextTest, TextToDateRefusesWithZero) {
    EXPECT_EQ(0.0, TextToDate("2024-03"));
    EXPECT_EQ(0.0, TextToDate("2024-03-01T10"));
    EXPECT_EQ(0.0, TextToDate("2024-03-01T10:00"));
    EXPECT_EQ(0.0, TextToDate("2024-03-01+02"));
    EXPECT_EQ(0.0, TextToDate("2024/03/01"));
    EXPECT_EQ(0.0, TextToDate(""));
    EXPECT_EQ(0.0, TextToDate("2024-13-01")) << "month 13 fails the conversion";
    EXPECT_EQ(0.0, TextToDate("0050-01-01")) << "before year 100";
}

TEST(ReadInterfaceAddressTest, KeysInOrder) {
    EXPECT_EQ(12345, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":0,"addr":12345})")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":"x"})")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":"x","addr":5})")))
        << "an unreadable string ends the search";
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":"123"})")));
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", Args(R"({"lAddress":123})")));
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", Args(R"({"addr":123.9})")));
    EXPECT_EQ(7, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":0,"lAddress":7})")));
    EXPECT_EQ(7, ReadInterfaceAddress("IAddress", Args(R"({"pIAddress":7,"lAddress":8})")));
    EXPECT_EQ(8, ReadInterfaceAddress("IAddress", Args(R"({"lAddress":8,"addr":9})")));
    EXPECT_EQ(1, ReadInterfaceAddress("ITarvos", Args(R"({"pITarvos":true})")));
    EXPECT_EQ(-3, ReadInterfaceAddress("ITarvos", Args(R"({"pITarvos":" -3"})")));
    EXPECT_EQ(0, ReadInterfaceAddress("ITarvos", Args(R"({"pIAddress":5})")))
        << "only the URL's interface counts";
    EXPECT_EQ(0, ReadInterfaceAddress("ITarvos", Args(R"({"pITarvos":"99999999999"})")));
    EXPECT_EQ(0, ReadInterfaceAddress("ITarvos", Args(R"({"pITarvos":1e12})")));
    EXPECT_EQ(0, ReadInterfaceAddress("ITarvos", value::array()));
}

}  // namespace
