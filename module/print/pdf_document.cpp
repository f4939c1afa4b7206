#include "module/print/pdf_document.h"

#include <cairo-pdf.h>
#include <malloc.h>

#include <cstdio>
#include <ctime>
#include <mutex>

namespace invoice {

namespace {

double PointsToMm(double points) {
    return points / kPointsPerMm;
}

// ISO 8601 text of `seconds` in UTC, as the PDF metadata takes it.
std::string IsoTime(int64_t seconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm parts;
    gmtime_r(&t, &parts);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// cairo compresses every stream of the file (page contents, fonts, their
// Unicode maps) with a new zlib stream of some 256 KB, freed at the end of
// the stream. With glibc's default trim threshold each such free hands the
// top of the heap back to the kernel and the next stream faults it in
// again, which doubled the time of a short print. A threshold of 8 MB keeps
// that memory for the next stream; it applies to the whole process.
void KeepCompressorMemory() {
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_TRIM_THRESHOLD, 8 << 20); });
}

}  // namespace

PdfDocument::PdfDocument(const std::string& path, int64_t created, const std::string& title)
    : shaper_(TextShaper::OfThisThread()) {
    KeepCompressorMemory();
    surface_ = cairo_pdf_surface_create(path.c_str(), kPageWidthMm * kPointsPerMm,
                                        kPageHeightMm * kPointsPerMm);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        error_ = std::string("the PDF file cannot be written: ") +
                 cairo_status_to_string(cairo_surface_status(surface_));
        return;
    }
    std::string date = IsoTime(created);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATE_DATE, date.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_MOD_DATE, date.c_str());
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, kPointsPerMm, kPointsPerMm);
}

PdfDocument::~PdfDocument() {
    if (!finished_ && surface_ != nullptr) Finish();
    if (cr_ != nullptr) cairo_destroy(cr_);
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

bool PdfDocument::ok() const {
    if (!error_.empty()) return false;
    return cr_ != nullptr && cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

std::string PdfDocument::error() const {
    if (!error_.empty()) return error_;
    if (cr_ != nullptr && cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
        return std::string("drawing the PDF failed: ") + cairo_status_to_string(cairo_status(cr_));
    }
    return std::string();
}

void PdfDocument::Collect(const ShapedText& shaped, double x, double y) {
    for (const GlyphRun& run : shaped.runs) {
        auto batch = glyphs_.begin();
        while (batch != glyphs_.end() && batch->font.get() != run.font.get()) ++batch;
        if (batch == glyphs_.end()) {
            glyphs_.push_back(GlyphBatch{run.font, {}, {}, {}});
            batch = glyphs_.end() - 1;
        }
        for (const cairo_glyph_t& glyph : run.glyphs) {
            batch->glyphs.push_back({glyph.index, glyph.x + x, glyph.y + y});
        }
        batch->utf8 += run.utf8;
        batch->clusters.insert(batch->clusters.end(), run.clusters.begin(), run.clusters.end());
    }
}

void PdfDocument::DrawWithPango(std::string_view text, const TextStyle& style, double x, double y,
                                double width, bool wrap) {
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, shaper_.Layout(text, style, width, wrap));
}

double PdfDocument::Text(double x, double y, double width, std::string_view text,
                         const TextStyle& style) {
    if (cr_ == nullptr) return 0;
    std::string_view line = text.substr(0, text.find('\n'));
    const ShapedText& shaped = shaper_.Line(line, style, width);
    if (shaped.as_glyphs) {
        Collect(shaped, x, y);
    } else {
        DrawWithPango(line, style, x, y, width, false);
    }
    return LineHeight(style.size_pt);
}

double PdfDocument::Paragraph(double x, double y, double width, std::string_view text,
                              const TextStyle& style, bool draw) {
    if (cr_ == nullptr) return 0;
    ShapedText shaped = shaper_.Paragraph(text, style, width);
    if (draw && shaped.as_glyphs) {
        Collect(shaped, x, y);
    } else if (draw) {
        DrawWithPango(text, style, x, y, width, true);
    }
    return shaped.height;
}

double PdfDocument::TextWidth(std::string_view text, const TextStyle& style) {
    if (cr_ == nullptr) return 0;
    int width = 0;
    pango_layout_get_size(shaper_.Layout(text, style, -1, true), &width, nullptr);
    return static_cast<double>(width) / PANGO_SCALE;
}

double PdfDocument::LineHeight(double size_pt) {
    return PointsToMm(size_pt) * 1.15;
}

void PdfDocument::Line(double x1, double y1, double x2, double y2, double width_pt) {
    if (cr_ == nullptr) return;
    auto batch = lines_.begin();
    while (batch != lines_.end() && batch->width_pt != width_pt) ++batch;
    if (batch == lines_.end()) {
        lines_.push_back(LineBatch{width_pt, {}});
        batch = lines_.end() - 1;
    }
    batch->points.insert(batch->points.end(), {x1, y1, x2, y2});
}

void PdfDocument::DashedLine(double x1, double y1, double x2, double y2, double width_pt) {
    if (cr_ == nullptr) return;
    const double dashes[] = {1.0, 1.0};
    cairo_save(cr_);
    cairo_set_dash(cr_, dashes, 2, 0);
    cairo_set_line_width(cr_, PointsToMm(width_pt));
    cairo_move_to(cr_, x1, y1);
    cairo_line_to(cr_, x2, y2);
    cairo_stroke(cr_);
    cairo_restore(cr_);
}

void PdfDocument::FillRect(double x, double y, double width, double height, double gray) {
    if (cr_ == nullptr) return;
    cairo_save(cr_);
    cairo_set_source_rgb(cr_, gray, gray, gray);
    cairo_rectangle(cr_, x, y, width, height);
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void PdfDocument::StrokeRect(double x, double y, double width, double height, double width_pt) {
    if (cr_ == nullptr) return;
    cairo_set_line_width(cr_, PointsToMm(width_pt));
    cairo_rectangle(cr_, x, y, width, height);
    cairo_stroke(cr_);
}

void PdfDocument::Image(cairo_surface_t* image, double x, double y, double width, double height) {
    if (cr_ == nullptr || image == nullptr) return;
    int pixels_wide = cairo_image_surface_get_width(image);
    int pixels_high = cairo_image_surface_get_height(image);
    if (pixels_wide <= 0 || pixels_high <= 0) return;
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, width / pixels_wide, height / pixels_high);
    cairo_set_source_surface(cr_, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr_, 0, 0, pixels_wide, pixels_high);
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void PdfDocument::FlushPage() {
    for (LineBatch& batch : lines_) {
        cairo_set_line_width(cr_, PointsToMm(batch.width_pt));
        for (size_t i = 0; i + 3 < batch.points.size(); i += 4) {
            cairo_move_to(cr_, batch.points[i], batch.points[i + 1]);
            cairo_line_to(cr_, batch.points[i + 2], batch.points[i + 3]);
        }
        cairo_stroke(cr_);
    }
    lines_.clear();
    cairo_set_source_rgb(cr_, 0, 0, 0);
    for (GlyphBatch& batch : glyphs_) {
        cairo_set_scaled_font(cr_, batch.font.get());
        cairo_show_text_glyphs(cr_, batch.utf8.data(), static_cast<int>(batch.utf8.size()),
                               batch.glyphs.data(), static_cast<int>(batch.glyphs.size()),
                               batch.clusters.data(), static_cast<int>(batch.clusters.size()),
                               static_cast<cairo_text_cluster_flags_t>(0));
    }
    glyphs_.clear();
}

void PdfDocument::NextPage() {
    if (cr_ == nullptr) return;
    FlushPage();
    cairo_show_page(cr_);
}

bool PdfDocument::Finish() {
    if (finished_ || surface_ == nullptr) return ok();
    finished_ = true;
    if (cr_ != nullptr) {
        FlushPage();
        cairo_show_page(cr_);
    }
    cairo_surface_finish(surface_);
    if (error_.empty() && cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        error_ = std::string("the PDF file cannot be written: ") +
                 cairo_status_to_string(cairo_surface_status(surface_));
    }
    return ok();
}

}  // namespace invoice

// Fontconfig keeps a little memory from parsing its configuration files for
// the life of the process, which LeakSanitizer reports at exit in every
// program that prints. Sanitizer builds read this list; other builds never
// call it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
