#pragma once

// What the fuzz targets share: a property check that stops the run with a
// readable message (libFuzzer then saves the input as a crash), and the
// input split into parts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Stops the run when `condition` is false, printing what was expected and
// the values involved.
#define FUZZ_CHECK(condition, detail)                                                        \
    do {                                                                                     \
        if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, #condition, std::string(detail)); \
    } while (0)

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: property violated: %s\n  %s\n", file, line, condition,
                 detail.c_str());
    std::abort();
}

// The input cut at every `separator` byte into at most `count` parts (the
// last part keeps any further separators); missing parts are empty.
inline std::vector<std::string> Split(const uint8_t* data, size_t size, size_t count,
                                      char separator = '\x01') {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == separator && parts.size() < count) {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    parts.resize(count);
    return parts;
}

// `text` with control characters and bytes above 0x7e written as \xNN, for
// messages.
inline std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return "\"" + out + "\"";
}

}  // namespace fuzz
