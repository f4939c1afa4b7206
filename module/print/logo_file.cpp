#include "module/print/logo_file.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// PNG: the eight signature bytes.
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// BMP: "BM", then at offset 14 the size of the info header (12 for the old
// core header, which has no compression, 40 or more for the others) and at
// offset 30 the compression: 0 (BI_RGB) and 3 (BI_BITFIELDS) store the
// pixels as they are.
constexpr size_t kBmpHeaderSizeAt = 14;
constexpr size_t kBmpCompressionAt = 30;
constexpr size_t kBytesRead = 34;

uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

LogoFormat Fail(const std::string& text, std::string* rule) {
    if (rule != nullptr) *rule = text;
    return LogoFormat::kNone;
}

}  // namespace

LogoFormat DetectLogoFormat(const std::string& path, std::string* rule) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Fail(checks::Quote(path) + " cannot be opened", rule);
    unsigned char bytes[kBytesRead] = {};
    file.read(reinterpret_cast<char*>(bytes), kBytesRead);
    size_t got = static_cast<size_t>(file.gcount());

    if (got >= sizeof kPngSignature && std::memcmp(bytes, kPngSignature, 8) == 0) {
        return LogoFormat::kPng;
    }
    if (got < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        return Fail(checks::Quote(path) + " is neither a PNG nor a BMP file", rule);
    }
    if (got < kBmpHeaderSizeAt + 4) {
        return Fail(checks::Quote(path) + " is a truncated BMP file", rule);
    }
    uint32_t headerSize = LittleEndian32(bytes + kBmpHeaderSizeAt);
    if (headerSize == 12) return LogoFormat::kBmp;
    if (headerSize < 40 || got < kBytesRead) {
        return Fail(checks::Quote(path) + " is a truncated BMP file", rule);
    }
    uint32_t compression = LittleEndian32(bytes + kBmpCompressionAt);
    if (compression != 0 && compression != 3) {
        return Fail(checks::Quote(path) + " is a compressed BMP file (compression " +
                        std::to_string(compression) + "); only uncompressed bitmaps print",
                    rule);
    }
    return LogoFormat::kBmp;
}

checks::CheckResult CheckLogoMillimetres(long millimetres) {
    if (millimetres >= 1 && millimetres <= kMaxLogoMillimetres) return checks::Passed();
    return checks::Failed(std::to_string(millimetres) + " mm is outside 1 to " +
                          std::to_string(kMaxLogoMillimetres) + " mm");
}
