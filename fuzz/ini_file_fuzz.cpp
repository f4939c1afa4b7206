// libFuzzer target of the INI reader and writer (platform/ini_file.h).
// Input: the file's first content, then up to eight writes, each
// "section \x02 key \x02 value", all separated by \x01 bytes.
// Properties, after the writes into the file:
//  - every write succeeds, and every key written reads back as its last
//    value (trimmed, matching quotes removed), GetProfileInt agreeing;
//  - every key that could be read from the first content and was not
//    written reads exactly as before: a write keeps every other line.
// Writes whose texts the format cannot hold are left out: line breaks and
// NUL anywhere, ']' in a section, '=' in a key, a key that begins like a
// comment or a section, names with blanks around them.

#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <utility>

#include "fuzz/fuzz_check.h"
#include "platform/ini_file.h"

namespace {

const std::string kMissing = "\x01missing";

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string ReadBack(const std::string& written) {
    std::string value = Trim(written);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Writable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string breaks("\r\n\0", 3);
    return section.find_first_of(breaks + "]") == std::string::npos && Trim(section) == section &&
           !key.empty() && key.find_first_of(breaks + "=") == std::string::npos &&
           Trim(key) == key && key[0] != ';' && key[0] != '[' &&
           value.find_first_of(std::string("\n\0", 2)) == std::string::npos;
}

// (section, key) pairs a reader may find in `content`, with the section as
// the nearest "[...]" line above names it.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& content) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    size_t at = 0;
    while (at < content.size() && probes.size() < 32) {
        size_t end = content.find('\n', at);
        if (end == std::string::npos) end = content.size();
        std::string line = Trim(content.substr(at, end - at));
        at = end + 1;
        size_t close = line.find(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos) {
            section = Trim(line.substr(1, close - 1));
        } else if (line.find('=') != std::string::npos) {
            std::string key = Trim(line.substr(0, line.find('=')));
            if (line.find('\0') == std::string::npos && section.find('\0') == std::string::npos) {
                probes.emplace_back(section, key);
            }
        }
    }
    return probes;
}

std::string Folder() {
    static std::string folder = [] {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        pattern += "/tarvos-ini-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern.data())) + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = fuzz::Split(data, size, 9);
    const std::string path = Folder() + "fuzz.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << parts[0];

    std::map<std::pair<std::string, std::string>, std::string> before;
    for (const auto& probe : Probes(parts[0])) {
        before[{Lower(probe.first), Lower(probe.second)}] =
            platform::GetProfileString(path, probe.first, probe.second, kMissing);
    }

    // (section, key) in lower case -> (section, key, value) as written last.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> written;
    for (size_t i = 1; i < parts.size(); ++i) {
        std::vector<std::string> op = fuzz::Split(reinterpret_cast<const uint8_t*>(parts[i].data()),
                                                  parts[i].size(), 3, '\x02');
        if (parts[i].empty() || !Writable(op[0], op[1], op[2])) continue;
        FUZZ_CHECK(platform::WriteProfileString(path, op[0], op[1], op[2]),
                   "write " + fuzz::Printable(op[1]));
        written[{Lower(op[0]), Lower(op[1])}] = op;
    }

    for (const auto& entry : written) {
        const std::vector<std::string>& op = entry.second;
        std::string read = platform::GetProfileString(path, op[0], op[1], kMissing);
        FUZZ_CHECK(read == ReadBack(op[2]),
                   "[" + fuzz::Printable(op[0]) + "] " + fuzz::Printable(op[1]) + " = " +
                       fuzz::Printable(read) + ", written " + fuzz::Printable(op[2]));
        int number = static_cast<int>(std::strtol(read.c_str(), nullptr, 10));
        FUZZ_CHECK(platform::GetProfileInt(path, op[0], op[1], -7) == number, read);
    }
    for (const auto& entry : before) {
        if (written.count(entry.first) > 0) continue;
        std::string read =
            platform::GetProfileString(path, entry.first.first, entry.first.second, kMissing);
        FUZZ_CHECK(read == entry.second, "[" + fuzz::Printable(entry.first.first) + "] " +
                                             fuzz::Printable(entry.first.second) + " was " +
                                             fuzz::Printable(entry.second) + ", now " +
                                             fuzz::Printable(read));
    }
    return 0;
}
