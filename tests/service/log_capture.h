#pragma once

#include <memory>
#include <string>

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

  private:
    static std::string Read() { return ReadFileText(ModuleLog().Path()); }

    size_t offset_ = 0;
};
