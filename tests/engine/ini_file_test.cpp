#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    TempFolder folder_;
    std::string path_ = folder_.Path() + "test.ini";
};

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    EXPECT_EQ("dflt", platform::GetProfileString(path_, "Settings", "Endpoint", "dflt"));
    EXPECT_EQ(-10, platform::GetProfileInt(path_, "Settings", "x", -10));
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreCaseAndFirstMatchWins) {
    WriteFileText(
        path_,
        "; a comment\n[other]\nkey=wrong\n[SETTINGS]\n  KEY =  first value  \nkey=second\n"
        "[settings]\nkey=third\n");
    EXPECT_EQ("first value", platform::GetProfileString(path_, "Settings", "key", ""));
    EXPECT_EQ("wrong", platform::GetProfileString(path_, "OTHER", "Key", ""));
}

TEST_F(IniFileTest, CommentedKeyIsNotAKey) {
    WriteFileText(path_, "[Settings]\n;logLevel=2\n");
    EXPECT_EQ(-1, platform::GetProfileInt(path_, "Settings", "logLevel", -1));
}

TEST_F(IniFileTest, IntegersReadLikeTheProfileFunction) {
    WriteFileText(path_, "[s]\na=42\nb=-5\nc=12abc\nd=abc\ne=\n");
    EXPECT_EQ(42, platform::GetProfileInt(path_, "s", "a", 0));
    EXPECT_EQ(-5, platform::GetProfileInt(path_, "s", "b", 0));
    EXPECT_EQ(12, platform::GetProfileInt(path_, "s", "c", 0));
    EXPECT_EQ(0, platform::GetProfileInt(path_, "s", "d", 7));
    EXPECT_EQ(0, platform::GetProfileInt(path_, "s", "e", 7));
}

TEST_F(IniFileTest, WritingCreatesFileAndSection) {
    ASSERT_TRUE(platform::WriteProfileString(path_, "Settings", "logLevel", "1"));
    EXPECT_EQ("[Settings]\nlogLevel=1\n", ReadFileText(path_));
    ASSERT_TRUE(platform::WriteProfileString(path_, "PARAMS", "TMPDIR_CSIDL", "x"));
    EXPECT_EQ("x", platform::GetProfileString(path_, "params", "tmpdir_csidl", ""));
    EXPECT_EQ("1", platform::GetProfileString(path_, "settings", "LOGLEVEL", ""));
}

TEST_F(IniFileTest, RewriteKeepsEveryOtherLine) {
    WriteFileText(path_,
                  "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nlogLevel=2\n\n"
                  "[Other]\nk=v\n");
    ASSERT_TRUE(platform::WriteProfileString(path_, "settings", "LOGLEVEL", "0"));
    ASSERT_TRUE(platform::WriteProfileString(path_, "Settings", "isInstalled", "1"));
    EXPECT_EQ(
        "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nLOGLEVEL=0\n"
        "isInstalled=1\n\n[Other]\nk=v\n",
        ReadFileText(path_));
}

TEST_F(IniFileTest, UnwritableFolderFailsWithoutLeavingFiles) {
    std::string path = folder_.Path() + "missing/sub/test.ini";
    EXPECT_FALSE(platform::WriteProfileString(path, "s", "k", "v"));
}

}  // namespace
