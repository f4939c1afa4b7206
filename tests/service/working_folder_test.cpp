#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "endpoint/working_folder.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// Temporary folder and local application data folder both point into
// folders of the test's own.
class WorkingFolderTest : public ::testing::Test {
  protected:
    WorkingFolderTest() : tmpEnv_("TMPDIR", tmp_.Path()), dataEnv_("XDG_DATA_HOME", data_.Path()) {}

    std::string Ini(const std::string& value) {
        std::string path = config_.Path() + "TarvosServer450.ini";
        platform::WriteProfileString(path, "PARAMS", "TMPDIR_CSIDL", value);
        return path;
    }
    std::string NoIni() const { return config_.Path() + "missing.ini"; }

    TempFolder tmp_, data_, config_, other_;
    ScopedEnv tmpEnv_, dataEnv_;
};

TEST_F(WorkingFolderTest, ServiceProcessWithoutSettingWorksBelowTheTemporaryFolder) {
    LogCapture log;
    std::string folder = ComputeWorkingFolder(NoIni(), true);
    EXPECT_EQ(tmp_.Path() + "tolvan/Halvo450Rest/", folder);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(1u, log.Lines("**** workingDir=[" + folder + "]").size()) << log.Text();
}

TEST_F(WorkingFolderTest, InteractiveRunWithoutSettingWorksBelowLocalAppData) {
    EXPECT_EQ(data_.Path() + "tolvan/Halvo450Rest/", ComputeWorkingFolder(NoIni(), false));
}

TEST_F(WorkingFolderTest, SpecialFolderNameIsResolved) {
    EXPECT_EQ(data_.Path() + "tolvan/Halvo450Rest/",
              ComputeWorkingFolder(Ini("CSIDL_LOCAL_APPDATA"), true));
    std::string path;
    EXPECT_TRUE(platform::SpecialFolderPath("CSIDL_COMMON_APPDATA", &path));
    EXPECT_EQ("/var/lib", path);
    EXPECT_TRUE(platform::SpecialFolderPath("CSIDL_COMMON_DOCUMENTS", &path));
    EXPECT_EQ("/srv", path);
    EXPECT_TRUE(platform::SpecialFolderPath("CSIDL_COMMON_TEMPLATES", &path));
    EXPECT_EQ("/usr/share/templates", path);
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_TRUE(platform::SpecialFolderPath("CSIDL_APPDATA", &path));
        EXPECT_EQ("/cfg", path);
    }
    {
        ScopedEnv home("HOME", "/home/someone");
        ScopedEnv templates("XDG_TEMPLATES_DIR", "");
        EXPECT_TRUE(platform::SpecialFolderPath("CSIDL_TEMPLATES", &path));
        EXPECT_EQ("/home/someone/Templates", path);
    }
    EXPECT_FALSE(platform::SpecialFolderPath("csidl_appdata", &path)) << "names match exactly";
    EXPECT_FALSE(platform::SpecialFolderPath("CSIDL_PROGRAM_FILES", &path));
}

TEST_F(WorkingFolderTest, TrailingSeparatorsAndSpacesOfAPathAreDropped) {
    EXPECT_EQ(other_.Path() + "tolvan/Halvo450Rest/",
              ComputeWorkingFolder(Ini(other_.Path() + "//"), true));
    EXPECT_EQ(other_.Path() + "tolvan/Halvo450Rest/", ResolveWorkingFolder(other_.Path() + "/  "));
}

TEST_F(WorkingFolderTest, MissingFolderFallsBackToTheTemporaryFolder) {
    EXPECT_EQ(tmp_.Path() + "tolvan/Halvo450Rest/",
              ComputeWorkingFolder(Ini(other_.Path() + "nowhere"), false));
    EXPECT_EQ(tmp_.Path() + "tolvan/Halvo450Rest/",
              ComputeWorkingFolder(Ini("CSIDL_NO_SUCH_FOLDER"), false));
    EXPECT_FALSE(std::filesystem::exists(other_.Path() + "nowhere"));
}

TEST_F(WorkingFolderTest, ResolveRefusesWhatItCannotMake) {
    EXPECT_EQ("", ResolveWorkingFolder(other_.Path() + "nowhere"));
    EXPECT_EQ("", ResolveWorkingFolder(""));
    std::filesystem::create_directories(other_.Path() + "ro");
    std::filesystem::permissions(other_.Path() + "ro", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
    if (geteuid() != 0) {
        EXPECT_EQ("", ResolveWorkingFolder(other_.Path() + "ro"));
    }
    std::filesystem::permissions(other_.Path() + "ro", std::filesystem::perms::owner_all);
    // An existing suffix is used as it is.
    std::filesystem::create_directories(other_.Path() + "tolvan/Halvo450Rest");
    EXPECT_EQ(other_.Path() + "tolvan/Halvo450Rest/", ResolveWorkingFolder(other_.Path()));
}

TEST_F(WorkingFolderTest, NoFolderAtAllIsLoggedAsCaution) {
    ScopedEnv tmp("TMPDIR", other_.Path() + "gone/");
    LogCapture log;
    EXPECT_EQ("", ComputeWorkingFolder(Ini(other_.Path() + "nowhere"), true));
    EXPECT_EQ(1u, log.Lines("**** CAUTION workingDir is empty!!!!").size()) << log.Text();
}

}  // namespace
