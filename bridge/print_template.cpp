#include "bridge/print_template.h"

#include <algorithm>
#include <cctype>

namespace {

struct Marker {
    const char* text;
    const char* end;  // the removed stretch runs through this; null: to the end
};

// Handled in this order, each at its first occurrence.
const Marker kItemMarkers[] = {
    {"webstamp", ".bmp;"},
    {"pdf_noprint", ".pdf;"},
    {"pdf=", ".pdf;"},
    {"pdf =", ".pdf;"},
};

// Removes [from, to) from both copies.
void Erase(std::string& text, std::string& lower, size_t from, size_t to) {
    text.erase(from, to - from);
    lower.erase(from, to - from);
}

void RemoveIniPath(std::string& text, std::string& lower) {
    size_t at = lower.find("#inipath");
    if (at != std::string::npos && at > 0) Erase(text, lower, at, lower.size());
}

void RemoveVpsName(std::string& text, std::string& lower) {
    size_t at = lower.find(".vps");
    if (at == std::string::npos || at == 0) return;
    size_t equals = lower.rfind('=');
    if (equals == std::string::npos || equals >= at) return;
    Erase(text, lower, equals, at + 4);
}

void RemoveItem(std::string& text, std::string& lower, const Marker& marker) {
    size_t at = lower.find(marker.text);
    if (at == std::string::npos || at == 0) return;
    size_t end = lower.find(marker.end, at);
    if (end == std::string::npos) return;
    Erase(text, lower, at, end + std::string(marker.end).size());
}

}  // namespace

std::string RewritePrintTemplate(const std::string& clientTemplate, const std::string& pdfPath) {
    const std::string parameter = "PDF_NOPRINT=" + pdfPath + ";";
    std::string result = "(" + parameter + ")";
    try {
        std::string text = clientTemplate;
        std::string lower = clientTemplate;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        RemoveIniPath(text, lower);
        RemoveVpsName(text, lower);
        for (const Marker& marker : kItemMarkers) RemoveItem(text, lower, marker);
        size_t open = lower.find('(');
        if (open != std::string::npos) result = text.insert(open + 1, parameter);
    } catch (...) {
        // The default result stands.
    }
    return result;
}
