#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "endpoint/working_folder.h"
#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

namespace {

// The temporary and the local application data folder point into folders
// of the test's own.
class WorkingFolderTest : public ::testing::Test {
  protected:
    WorkingFolderTest() : tmpEnv_("TMPDIR", tmp_.Path()), dataEnv_("XDG_DATA_HOME", data_.Path()) {}

    // The working folder for a settings file with TMPDIR_CSIDL `value`
    // (none for nullptr).
    std::string For(const char* value, bool service) {
        std::string path = config_.Path() + "TarvosServer450.ini";
        if (value != nullptr) platform::WriteProfileString(path, "PARAMS", "TMPDIR_CSIDL", value);
        return ComputeWorkingFolder(value != nullptr ? path : config_.Path() + "none.ini", service);
    }

    TempFolder tmp_, data_, config_, other_;
    ScopedEnv tmpEnv_, dataEnv_;
};

// A base that is not there or cannot be made into the working folder falls
// back to the temporary folder; an existing folder below a base is used as
// it is.
TEST_F(WorkingFolderTest, BaseFromTheSettingElseByKindOfProcess) {
    const std::string suffix = "tolvan/Halvo450Rest/";
    const std::string other = other_.Path(), slashes = other + "//", nowhere = other + "nowhere",
                      ro = other + "ro/";
    std::filesystem::create_directories(ro);
    std::filesystem::permissions(
        ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const struct {
        const char* value;
        bool service;
        std::string expected;
    } cases[] = {
        {nullptr, true, tmp_.Path() + suffix},
        {nullptr, false, data_.Path() + suffix},
        {"CSIDL_LOCAL_APPDATA", true, data_.Path() + suffix},
        {slashes.c_str(), true, other + suffix},  // trailing separators dropped
        {nowhere.c_str(), false, tmp_.Path() + suffix},
        {ro.c_str(), true, (geteuid() == 0 ? ro : tmp_.Path()) + suffix},
    };
    for (const auto& c : cases) {
        std::string folder = For(c.value, c.service);
        EXPECT_EQ(c.expected, folder) << (c.value != nullptr ? c.value : "no setting");
        EXPECT_TRUE(std::filesystem::is_directory(folder));
    }
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    // An existing level open to others is closed to them.
    std::filesystem::permissions(other + "tolvan", std::filesystem::perms::all);
    EXPECT_EQ(other + suffix, For(other.c_str(), true));
    EXPECT_EQ(std::filesystem::perms::owner_all,
              std::filesystem::status(other + "tolvan").permissions());
    // A "tolvan" that is a link is not followed: a fresh folder beside it.
    std::filesystem::create_directories(other + "linked");
    std::filesystem::create_directory_symlink(data_.Path(), other + "linked/tolvan");
    std::string fresh = For((other + "linked").c_str(), true);
    EXPECT_EQ(0u, fresh.find(other + "linked/tarvos-")) << fresh;
    EXPECT_EQ(other + suffix, ResolveWorkingFolder(other + "/  ")) << "trailing blanks dropped";
    ScopedEnv gone("TMPDIR", other_.Path() + "gone/");
    EXPECT_EQ("", For(nowhere.c_str(), true)) << "no base at all";
}

}  // namespace
