#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

namespace {

// A missing file gives the defaults and is created by a write; reads ignore
// case, take the first match and read integers like the profile function;
// writing keeps every other line.
TEST(IniFileTest, ReadsAndWritesLikeTheProfileFunctions) {
    TempFolder folder;
    const std::string path = folder.Path() + "test.ini";
    EXPECT_EQ("dflt", platform::GetProfileString(path, "Settings", "Endpoint", "dflt"));
    EXPECT_EQ(-10, platform::GetProfileInt(path, "Settings", "x", -10));
    ASSERT_TRUE(platform::WriteProfileString(path, "Settings", "logLevel", "1"));
    EXPECT_EQ("[Settings]\nlogLevel=1\n", ReadFileText(path));
    WriteFileText(
        path,
        "; a comment\n[other]\nkey=wrong\n[SETTINGS]\n  KEY =  first value  \nkey=second\n"
        ";logLevel=2\n[settings]\nkey=third\n[s]\na=42\nb=-5\nc=12abc\nd=abc\ne=\n");
    EXPECT_EQ("first value", platform::GetProfileString(path, "Settings", "key", ""));
    EXPECT_EQ(-1, platform::GetProfileInt(path, "Settings", "logLevel", -1));  // commented out
    const std::pair<const char*, int> ints[] = {
        {"a", 42}, {"b", -5}, {"c", 12}, {"d", 0}, {"e", 0}};
    for (const auto& [key, value] : ints)
        EXPECT_EQ(value, platform::GetProfileInt(path, "s", key, 7));

    WriteFileText(path,
                  "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nlogLevel=2\n\n"
                  "[Other]\nk=v\n");
    ASSERT_TRUE(platform::WriteProfileString(path, "settings", "LOGLEVEL", "0"));
    ASSERT_TRUE(platform::WriteProfileString(path, "Settings", "isInstalled", "1"));
    ASSERT_TRUE(platform::WriteProfileString(path, "PARAMS", "TMPDIR_CSIDL", "x"));
    EXPECT_EQ(
        "; keep me\n[Settings]\nEndpoint=http://x\n; inner comment\nLOGLEVEL=0\n"
        "isInstalled=1\n\n[Other]\nk=v\n\n[PARAMS]\nTMPDIR_CSIDL=x\n",
        ReadFileText(path));
    EXPECT_FALSE(platform::WriteProfileString(folder.Path() + "missing/a.ini", "s", "k", "v"));
}

}  // namespace
