#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    TempFolder folder_;
    std::string path_ = folder_.Path() + "test.ini";
};

TEST_F(IniFileTest, ReadsIgnoreCaseTakeTheFirstMatchAndIntegersLikeTheProfileFunction) {
    EXPECT_EQ("dflt", platform::GetProfileString(path_, "Settings", "Endpoint", "dflt"));
    EXPECT_EQ(-10, platform::GetProfileInt(path_, "Settings", "x", -10));
    WriteFileText(
        path_,
        "; a comment\n[other]\nkey=wrong\n[SETTINGS]\n  KEY =  first value  \nkey=second\n"
        ";logLevel=2\n[settings]\nkey=third\n[s]\na=42\nb=-5\nc=12abc\nd=abc\ne=\n");
    EXPECT_EQ("first value", platform::GetProfileString(path_, "Settings", "key", ""));
    EXPECT_EQ("wrong", platform::GetProfileString(path_, "OTHER", "Key", ""));
    EXPECT_EQ(-1, platform::GetProfileInt(path_, "Settings", "logLevel", -1));  // commented out
    const std::pair<const char*, int> ints[] = {
        {"a", 42}, {"b", -5}, {"c", 12}, {"d", 0}, {"e", 0}};
    for (const auto& [key, value] : ints)
        EXPECT_EQ(value, platform::GetProfileInt(path_, "s", key, 7));
}

TEST_F(IniFileTest, WritingCreatesTheFileAndKeepsEveryOtherLine) {
    ASSERT_TRUE(platform::WriteProfileString(path_, "Settings", "logLevel", "1"));
    EXPECT_EQ("[Settings]\nlogLevel=1\n", ReadFileText(path_));
    WriteFileText(path_,
                  "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nlogLevel=2\n\n"
                  "[Other]\nk=v\n");
    ASSERT_TRUE(platform::WriteProfileString(path_, "settings", "LOGLEVEL", "0"));
    ASSERT_TRUE(platform::WriteProfileString(path_, "Settings", "isInstalled", "1"));
    ASSERT_TRUE(platform::WriteProfileString(path_, "PARAMS", "TMPDIR_CSIDL", "x"));
    EXPECT_EQ(
        "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nLOGLEVEL=0\n"
        "isInstalled=1\n\n[Other]\nk=v\n\n[PARAMS]\nTMPDIR_CSIDL=x\n",
        ReadFileText(path_));
    EXPECT_EQ("x", platform::GetProfileString(path_, "params", "tmpdir_csidl", ""));
    EXPECT_FALSE(platform::WriteProfileString(folder_.Path() + "missing/a.ini", "s", "k", "v"));
}

}  // namespace
