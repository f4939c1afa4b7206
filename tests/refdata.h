#pragma once

// The public reference files (official schemas, published sample invoices)
// that some tests read as independent oracles. They are not part of this
// repository: the folder is $TARVOS_REFDATA, else ../shared/refdata beside the
// source tree. Without it those tests are skipped with one line saying why,
// unless $TARVOS_REFDATA_REQUIRED is set (CI), which makes a missing folder a
// failure.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The folder with a trailing '/'.
inline const std::string& RefdataDir() {
    static const std::string dir = [] {
        const char* env = std::getenv("TARVOS_REFDATA");
        std::string path =
            env != nullptr && *env != '\0' ? env : TARVOS_SOURCE_DIR "/../shared/refdata";
        if (path.back() != '/') path += '/';
        return path;
    }();
    return dir;
}

// `relative` inside the reference folder ("samples450/x.xml").
inline std::string Refdata(const std::string& relative) {
    return RefdataDir() + relative;
}

inline bool RefdataPresent() {
    return std::filesystem::is_directory(RefdataDir() + "xsd");
}

inline bool RefdataRequired() {
    const char* env = std::getenv("TARVOS_REFDATA_REQUIRED");
    return env != nullptr && *env != '\0' && std::string(env) != "0";
}

// First statement of a test (or of SetUp) that reads the reference files.
// The skip text starts with "refdata missing:" so that the test command can
// count the skips.
#define REQUIRE_REFDATA()                                                                   \
    do {                                                                                    \
        if (!RefdataPresent()) {                                                            \
            if (RefdataRequired()) FAIL() << "refdata missing: no folder " << RefdataDir(); \
            GTEST_SKIP() << "refdata missing: no folder " << RefdataDir()                   \
                         << " (set TARVOS_REFDATA)";                                        \
        }                                                                                   \
    } while (false)
