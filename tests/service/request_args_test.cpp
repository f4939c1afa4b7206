// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include "endpoint/request_args.h"

namespace {

using web::json::value;

TEST(RequestArgsTest, RelativePathStripsTheListenerPath) {
    EXPECT_EQ("/ITarvos/GetModus",
              RelativePath("/tarvosServer450/ITarvos/GetModus", "/tarvosServer450"));
    EXPECT_EQ("/", RelativePath("/tarvosServer450", "/tarvosServer450"));
    EXPECT_EQ("/", RelativePath("/tarvosServer450/", "/tarvosServer450/"));
    EXPECT_EQ("/I Foo/x", RelativePath("/svc/I%20Foo/x", "/svc"));
    EXPECT_EQ("/svcX/a", RelativePath("/svcX/a", "/svc")) << "only whole segments";
    EXPECT_THROW(RelativePath("/svc/%ZZ", "/svc"), std::exception);
}

TEST(RequestArgsTest, SplitPathDropsEmptySegments) {
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), SplitPath("//a//b/c/"));
    EXPECT_TRUE(SplitPath("/").empty());
}

TEST(RequestArgsTest, QueryParametersBecomeStrings) {
    value args = QueryToArgs("a=1&b=x%20y&a=2&flag");
    EXPECT_EQ("2", args.at("a").as_string());
    EXPECT_EQ("x y", args.at("b").as_string());
    EXPECT_FALSE(args.has_field("flag"));
    EXPECT_THROW(QueryToArgs("a=%ZZ"), std::exception);
}

TEST(RequestArgsTest, OnlyScalarMembersAreCopied) {
    value body = value::parse(
        "{\"i\":3,\"r\":2.5,\"b\":true,\"s\":\"t\",\"n\":null,\"a\":[1],\"o\":{\"x\":1}}");
    value args = CopyScalarMembers(body);
    EXPECT_EQ(4u, args.size());
    EXPECT_TRUE(args.at("i").is_integer());
    EXPECT_TRUE(args.at("r").is_double());
    EXPECT_TRUE(args.at("b").is_boolean());
    EXPECT_TRUE(args.at("s").is_string());
}

TEST(RequestArgsTest, InterfaceAddressReadingOrder) {
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", value::parse("{\"pIAddress\":\"123\"}")));
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", value::parse("{\"lAddress\":123}")));
    EXPECT_EQ(123, ReadInterfaceAddress("IAddress", value::parse("{\"addr\":123.9}")));
    EXPECT_EQ(12345,
              ReadInterfaceAddress("IAddress", value::parse("{\"pIAddress\":0,\"addr\":12345}")));
    EXPECT_EQ(7, ReadInterfaceAddress("IAddress",
                                      value::parse("{\"pIAddress\":7,\"lAddress\":8,\"addr\":9}")));
    EXPECT_EQ(1, ReadInterfaceAddress("ITarvos", value::parse("{\"pITarvos\":true}")));
    EXPECT_EQ(-5, ReadInterfaceAddress("ITarvos", value::parse("{\"pITarvos\":\" -5x\"}")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse("{\"pIAddress\":\"x\"}")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse("{\"pIAddress\":\"x\",\"addr\":5}")))
        << "a string that is no number ends the search";
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse("{\"addr\":4294967297}")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse("{\"addr\":\"99999999999\"}")));
    EXPECT_EQ(0, ReadInterfaceAddress("IAddress", value::parse("{}")));
}

TEST(RequestArgsTest, LogTextUsesSingleQuotesAndHidesPasswords) {
    value args = value::parse(
        "{\"bstrFromPFXPassword\":\"s3cret\",\"bstrName\":\"a\\nb\",\"nested\":[{\"myPassword\":"
        "\"x\"}]}");
    std::string text = LogText(args);
    EXPECT_EQ(std::string::npos, text.find("s3cret"));
    EXPECT_EQ(std::string::npos, text.find('"'));
    EXPECT_NE(std::string::npos, text.find("'bstrFromPFXPassword':'***'"));
    EXPECT_NE(std::string::npos, text.find("'myPassword':'***'"));
}

}  // namespace
