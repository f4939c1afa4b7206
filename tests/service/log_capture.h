#pragma once

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/module_log.h"
#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

// What the module log received while the object lived. Starts the log
// session at level 2 (the TRACE lines too) in a folder of the test binary's
// own when nobody has yet (below /tmp whatever TMPDIR says, since tests move
// TMPDIR around).
class LogCapture {
  public:
    LogCapture() {
        static const std::unique_ptr<TempFolder> folder = [] {
            ScopedEnv tmp("TMPDIR", "/tmp");
            return std::make_unique<TempFolder>();
        }();
        ModuleLog().StartLog(2, folder->Path() + "module.log.txt");
        offset_ = Read().size();
    }

    // The lines written since the capture began.
    std::string Text() const {
        std::string all = Read();
        return all.size() >= offset_ ? all.substr(offset_) : all;
    }

    // The lines written since then that contain `needle`, in order.
    std::vector<std::string> Lines(const std::string& needle) const {
        std::vector<std::string> lines;
        std::istringstream in(Text());
        for (std::string line; std::getline(in, line);) {
            if (line.find(needle) != std::string::npos) lines.push_back(line);
        }
        return lines;
    }

    // Of `needles`, those that no line written since then contains, each
    // followed by '|': "" when all are there.
    std::string Missing(std::initializer_list<std::string> needles) const {
        std::string text = Text(), missing;
        for (const std::string& needle : needles) {
            if (text.find(needle) == std::string::npos) missing += needle + "|";
        }
        return missing;
    }

  private:
    static std::string Read() { return ReadFileText(ModuleLog().Path()); }

    size_t offset_ = 0;
};
