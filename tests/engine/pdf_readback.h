#pragma once

// Reading a printed PDF back with independent tools, as a reader would:
// qpdf and pdffonts for the file, pdftotext for the text, pdftoppm and
// ZXingReader for the QR code. Tests skip when the tools are missing
// (HaveReadbackTools).

#include <sys/wait.h>

#include <cstdio>
#include <string>

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
    Run("command -v pdftotext && command -v pdftoppm && command -v ZXingReader && "
        "command -v qpdf && command -v pdffonts",
        &status);
    return status == 0;
}

// Whether qpdf finds the file sound and every font is embedded.
inline bool ChecksOut(const std::string& pdf) {
    int status = -1;
    Run("qpdf --check '" + pdf + "'", &status);
    std::string fonts = Run("pdffonts '" + pdf + "' | tail -n +3");
    return status == 0 && !fonts.empty() && fonts.find(" no ") == std::string::npos;
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
