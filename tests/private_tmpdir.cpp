#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>

#include "tests/engine/temp_folder.h"
#include "tests/service/scoped_env.h"

// The engine keeps its log and, unless told otherwise, its output under
// TMPDIR, and so do the servers the integration tests start. Each test binary
// runs with TMPDIR in a folder of its own, removed when the binary ends, so a
// run leaves nothing behind in the machine's temporary directory.
namespace {

class PrivateTmpdir : public ::testing::Environment {
  public:
    void SetUp() override {
        folder_ = std::make_unique<TempFolder>();
        // Others may pass through to a folder made inside (the service run
        // test starts the executable as an unprivileged user).
        chmod(folder_->Path().c_str(), 0711);
        tmpdir_ = std::make_unique<ScopedEnv>("TMPDIR", folder_->Path());
    }
    void TearDown() override {
        tmpdir_.reset();
        folder_.reset();
    }

  private:
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<ScopedEnv> tmpdir_;
};

::testing::Environment* const kPrivateTmpdir =
    ::testing::AddGlobalTestEnvironment(new PrivateTmpdir);

}  // namespace
