#pragma once

#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file, byte for byte; "" when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Replaces the file's content with `text`, byte for byte.
inline void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}
