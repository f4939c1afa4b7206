#include "platform/ini_file.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace platform {
namespace {

std::mutex g_writeMutex;

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; any other line gives false.
bool SectionName(const std::string& line, std::string* name) {
    std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') return false;
    size_t close = trimmed.find(']');
    if (close == std::string::npos) return false;
    *name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// "key=value" gives key and value; comments and lines without '=' give false.
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';') return false;
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(trimmed.substr(0, eq));
    *value = Trim(trimmed.substr(eq + 1));
    return true;
}

// Index of the first line of `key` in `section`, or -1.
// `sectionEnd` receives the index after the last line of the first matching
// section (-1 when the section is missing).
int FindKey(const std::vector<std::string>& lines, const std::string& section,
            const std::string& key, int* sectionEnd) {
    bool inSection = false;
    bool seenSection = false;
    int found = -1;
    *sectionEnd = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (SectionName(lines[i], &name)) {
            if (inSection) break;  // the first matching section ends here
            inSection = !seenSection && SameText(name, section);
            seenSection = seenSection || inSection;
            if (inSection) *sectionEnd = static_cast<int>(i) + 1;
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i]).empty()) *sectionEnd = static_cast<int>(i) + 1;
        if (found < 0 && KeyValue(lines[i], &k, &v) && SameText(k, key))
            found = static_cast<int>(i);
    }
    return found;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool WriteAtomically(const std::string& path, const std::vector<std::string>& lines) {
    std::string temp = path + ".tmp." + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const std::string& line : lines) out << line << "\n";
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
    std::vector<std::string> lines = ReadLines(path);
    int sectionEnd = -1;
    int index = FindKey(lines, section, key, &sectionEnd);
    if (index < 0) return defaultValue;
    std::string k, v;
    KeyValue(lines[index], &k, &v);
    return Unquote(v);
}

int GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                  int defaultValue) {
    const std::string missing = "\x01missing";
    std::string text = GetProfileString(path, section, key, missing);
    if (text == missing) return defaultValue;
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::lock_guard<std::mutex> guard(g_writeMutex);
    std::vector<std::string> lines = ReadLines(path);
    int sectionEnd = -1;
    int index = FindKey(lines, section, key, &sectionEnd);
    std::string entry = key + "=" + value;
    if (index >= 0) {
        lines[index] = entry;
    } else if (sectionEnd >= 0) {
        lines.insert(lines.begin() + sectionEnd, entry);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    return WriteAtomically(path, lines);
}

}  // namespace platform
