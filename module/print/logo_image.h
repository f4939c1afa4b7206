#pragma once

#include <cairo.h>

#include <memory>
#include <string>

// Reads the logo printed on invoices into an image the PDF can draw: a PNG
// (through cairo) or a Windows bitmap without compression (our own reader:
// 1, 4 and 8 bits with a palette, 16, 24 and 32 bits, BI_RGB or
// BI_BITFIELDS, bottom-up or top-down rows). Images wider or taller than
// kMaxLogoPixels are refused.

namespace invoice {

struct CairoSurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using ImageSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;

constexpr int kMaxLogoPixels = 10000;

// The image at `path` as a cairo ARGB32 or RGB24 image surface, or null with
// *error saying why (the file cannot be read, is neither format, or is
// damaged). REQUIRES: error not null.
ImageSurface ReadLogoImage(const std::string& path, std::string* error);

}  // namespace invoice
