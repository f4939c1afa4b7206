#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh folder under the temporary directory, removed with everything in it
// when the object goes. Path() ends in '/'.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarvos-test-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        path_ = std::string(made != nullptr ? made : pattern.c_str()) + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};
