#include "module/print/logo_image.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace invoice {

namespace {

// Layout of a BMP file, the parts we read (all numbers little-endian):
//   0  "BM"            14  DIB header size (12 = core header)
//   10 pixel offset    18  width, 22 height (int32; core: int16 at 18, 20)
//   28 bits per pixel (core: 24)   30 compression (0 BI_RGB, 3 BI_BITFIELDS)
//   46 colours used    54  red, green, blue masks (BI_BITFIELDS), 66 alpha
//   14 + DIB header size: the palette (4 bytes per colour; 3 for core)

uint32_t U16(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}
uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // negative: rows top-down
    uint32_t bits = 0;
    uint32_t compression = 0;
    size_t pixels_at = 0;
    size_t palette_at = 0;
    size_t palette_entry = 4;
    uint32_t palette_size = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

bool ReadHeader(const std::vector<unsigned char>& b, BmpHeader* h, std::string* error) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
        *error = "not a BMP file";
        return false;
    }
    uint32_t dib = U32(b, 14);
    h->pixels_at = U32(b, 10);
    if (dib == 12) {
        h->width = U16(b, 18);
        h->height = U16(b, 20);
        h->bits = U16(b, 24);
        h->palette_entry = 3;
    } else {
        if (dib < 40 || b.size() < 14 + static_cast<size_t>(dib)) {
            *error = "the BMP header is damaged";
            return false;
        }
        h->width = static_cast<int32_t>(U32(b, 18));
        h->height = static_cast<int32_t>(U32(b, 22));
        h->bits = U16(b, 28);
        h->compression = U32(b, 30);
        h->palette_size = U32(b, 46);
        if (h->compression == 3 && b.size() >= 66) {
            for (int i = 0; i < 3; ++i) h->masks[i] = U32(b, 54 + 4 * i);
            if (dib >= 56) h->masks[3] = U32(b, 66);
        }
    }
    h->palette_at = 14 + dib;
    if (h->palette_size == 0 && h->bits <= 8) h->palette_size = 1u << h->bits;
    if (h->compression != 0 && h->compression != 3) {
        *error = "the BMP file is compressed";
        return false;
    }
    bool bits_ok = h->bits == 1 || h->bits == 4 || h->bits == 8 || h->bits == 16 || h->bits == 24 ||
                   h->bits == 32;
    int64_t rows = h->height < 0 ? -h->height : h->height;
    if (!bits_ok || h->width <= 0 || rows == 0 || h->width > kMaxLogoPixels ||
        rows > kMaxLogoPixels) {
        *error = "the BMP file has an unsupported size or colour depth";
        return false;
    }
    if (h->compression == 3 && h->masks[0] == 0 && h->masks[1] == 0 && h->masks[2] == 0) {
        h->compression = 0;
    }
    if (h->compression == 0 && h->bits == 16) {
        h->masks[0] = 0x7C00;
        h->masks[1] = 0x03E0;
        h->masks[2] = 0x001F;
    }
    return true;
}

// The 8-bit value of the bits of `mask` in `value`.
uint32_t Channel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    uint32_t max = mask >> shift;
    return ((value & mask) >> shift) * 255 / max;
}

// The colour of pixel x in a row as 0xAARRGGBB.
uint32_t Pixel(const std::vector<unsigned char>& b, const BmpHeader& h, size_t row, int64_t x) {
    uint32_t bits = h.bits;
    if (bits <= 8) {
        size_t bit = static_cast<size_t>(x) * bits;
        uint32_t index = (b[row + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= h.palette_size) return 0xFF000000;
        size_t at = h.palette_at + index * h.palette_entry;
        if (at + 3 > b.size()) return 0xFF000000;
        return 0xFF000000 | (b[at + 2] << 16) | (b[at + 1] << 8) | b[at];
    }
    size_t at = row + static_cast<size_t>(x) * (bits / 8);
    if (bits == 24) return 0xFF000000 | (b[at + 2] << 16) | (b[at + 1] << 8) | b[at];
    uint32_t value = bits == 16 ? U16(b, at) : U32(b, at);
    if (bits == 32 && h.compression == 0) return 0xFF000000 | (value & 0xFFFFFF);
    uint32_t alpha = h.masks[3] != 0 ? Channel(value, h.masks[3]) : 255;
    uint32_t red = Channel(value, h.masks[0]) * alpha / 255;
    uint32_t green = Channel(value, h.masks[1]) * alpha / 255;
    uint32_t blue = Channel(value, h.masks[2]) * alpha / 255;
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

ImageSurface DecodeBmp(const std::vector<unsigned char>& b, std::string* error) {
    BmpHeader h;
    if (!ReadHeader(b, &h, error)) return nullptr;
    int64_t rows = h.height < 0 ? -h.height : h.height;
    size_t stride = static_cast<size_t>((h.width * h.bits + 31) / 32) * 4;
    if (h.pixels_at + stride * static_cast<size_t>(rows) > b.size()) {
        *error = "the BMP file is shorter than its pixels";
        return nullptr;
    }
    ImageSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(h.width),
                                                    static_cast<int>(rows)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        *error = "no memory for the image";
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    int out_stride = cairo_image_surface_get_stride(surface.get());
    for (int64_t y = 0; y < rows; ++y) {
        int64_t source_row = h.height < 0 ? y : rows - 1 - y;
        size_t row = h.pixels_at + static_cast<size_t>(source_row) * stride;
        auto* out = reinterpret_cast<uint32_t*>(data + y * out_stride);
        for (int64_t x = 0; x < h.width; ++x) out[x] = Pixel(b, h, row, x);
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

ImageSurface ReadLogoImage(const std::string& path, std::string* error) {
    assert(error != nullptr);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "the logo file " + path + " cannot be read";
        return nullptr;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G'};
    if (bytes.size() >= 4 && std::equal(kPng, kPng + 4, bytes.begin())) {
        ImageSurface surface(cairo_image_surface_create_from_png(path.c_str()));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
            *error = "the logo file " + path + " is not a readable PNG";
            return nullptr;
        }
        return surface;
    }
    std::string why;
    ImageSurface surface = DecodeBmp(bytes, &why);
    if (!surface) *error = "the logo file " + path + ": " + why;
    return surface;
}

}  // namespace invoice
