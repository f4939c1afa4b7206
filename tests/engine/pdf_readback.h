#pragma once

// Reading a printed PDF back with independent tools, as a reader would:
// pdftotext for the words and where they stand, pdftoppm and ZXingReader for
// the QR code. Tests skip when the tools are missing (HaveReadbackTools).

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace readback {

inline std::string Run(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int code = pclose(pipe);
    if (status != nullptr) *status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return out;
}

inline bool HaveReadbackTools() {
    int status = -1;
    Run("command -v pdftotext && command -v pdftoppm && command -v ZXingReader", &status);
    return status == 0;
}

// A word as pdftotext places it, in mm from the page's top left corner.
struct Word {
    int page = 0;  // 1-based
    double left = 0;
    double top = 0;
    double right = 0;
    std::string text;
};

// Every word of the file with its place (pdftotext -bbox).
inline std::vector<Word> Words(const std::string& pdf) {
    std::string html = Run("pdftotext -enc UTF-8 -bbox '" + pdf + "' -");
    auto number = [&html](size_t tag, const char* name) {
        return std::strtod(html.c_str() + html.find(name, tag) + 6, nullptr) * 25.4 / 72;
    };
    std::vector<Word> words;
    int page = 0;
    for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        if (html.compare(at, 6, "<page ") == 0) ++page;
        if (html.compare(at, 6, "<word ") != 0) continue;
        size_t text = html.find('>', at) + 1;
        Word word{page, number(at, "xMin="), number(at, "yMin="), number(at, "xMax="),
                  html.substr(text, html.find("</word>", text) - text)};
        const char* entities[][2] = {
            {"&apos;", "'"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
        for (const auto& entity : entities) {
            for (size_t e = word.text.find(entity[0]); e != std::string::npos;
                 e = word.text.find(entity[0], e + 1)) {
                word.text.replace(e, std::string(entity[0]).size(), entity[1]);
            }
        }
        words.push_back(word);
    }
    return words;
}

// The QR code in the bottom 105 mm of `page` (where the payment slip goes),
// rendered at 300 dpi; "" when none decodes.
inline std::string DecodeQr(const std::string& pdf, int page, const std::string& folder) {
    std::string n = std::to_string(page);
    Run("pdftoppm -r 300 -gray -png -x 0 -y 2268 -W 2480 -H 1240 -f " + n + " -l " + n +
        " -singlefile '" + pdf + "' '" + folder + "page'");
    return Run("ZXingReader -bytes -format QRCode '" + folder + "page.png'");
}

}  // namespace readback
