#include "module/print/pdf_document.h"

#include <cairo-pdf.h>

#include <cstdio>
#include <ctime>

namespace invoice {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr const char* kFontFamily = "Liberation Sans";

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

// The font map of the calling thread: one per thread like pango's default
// map (font maps are not shared between threads), kept for the thread's
// later documents since loading fonts is the dearest part of a small print,
// and released when the thread ends (pango's default map never is).
PangoFontMap* ThreadFontMap() {
    struct Holder {
        PangoFontMap* map = pango_cairo_font_map_new();
        ~Holder() { g_object_unref(map); }
    };
    thread_local Holder holder;
    return holder.map;
}

}  // namespace

PdfDocument::PdfDocument(const std::string& path, int64_t created, const std::string& title) {
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
    PangoContext* own = pango_font_map_create_context(ThreadFontMap());
    pango_cairo_update_context(cr_, own);
    layout_ = pango_layout_new(own);
    g_object_unref(own);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    PangoContext* context = pango_layout_get_context(layout_);
    pango_cairo_context_set_font_options(context, options);
    // Positions are in millimetres: rounding them to whole units would
    // scatter the letters.
    pango_context_set_round_glyph_positions(context, FALSE);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout_);
}

PdfDocument::~PdfDocument() {
    if (!finished_ && surface_ != nullptr) Finish();
    for (auto& font : fonts_) pango_font_description_free(font.second);
    for (auto& line : lines_) g_object_unref(line.second);
    if (layout_ != nullptr) g_object_unref(layout_);
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

PangoFontDescription* PdfDocument::Font(const TextStyle& style) {
    std::pair<int, int> key(static_cast<int>(style.face),
                            static_cast<int>(style.size_pt * 100 + 0.5));
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamily);
    pango_font_description_set_absolute_size(font, PointsToMm(style.size_pt) * PANGO_SCALE);
    if (style.face == FontFace::kBold) pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
    if (style.face == FontFace::kItalic) pango_font_description_set_style(font, PANGO_STYLE_ITALIC);
    fonts_[key] = font;
    return font;
}

void PdfDocument::Prepare(std::string_view text, const TextStyle& style, double width, bool wrap) {
    pango_layout_set_font_description(layout_, Font(style));
    pango_layout_set_width(layout_, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_ellipsize(layout_, wrap ? PANGO_ELLIPSIZE_NONE : PANGO_ELLIPSIZE_END);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    PangoAlignment alignment = style.align == TextAlign::kRight    ? PANGO_ALIGN_RIGHT
                               : style.align == TextAlign::kCenter ? PANGO_ALIGN_CENTER
                                                                   : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout_, alignment);
    pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
}

PangoLayout* PdfDocument::LineLayout(std::string_view text, const TextStyle& style, double width) {
    constexpr size_t kMaxCachedLines = 4096;
    char shape[64];
    std::snprintf(shape, sizeof shape, "|%d|%d|%.3f|%d", static_cast<int>(style.face),
                  static_cast<int>(style.size_pt * 100), width, static_cast<int>(style.align));
    std::string key = std::string(text) + shape;
    auto found = lines_.find(key);
    if (found != lines_.end()) return found->second;
    if (lines_.size() >= kMaxCachedLines) {
        for (auto& line : lines_) g_object_unref(line.second);
        lines_.clear();
    }
    Prepare(text, style, width, false);
    PangoLayout* layout = pango_layout_copy(layout_);
    lines_[key] = layout;
    return layout;
}

double PdfDocument::Text(double x, double y, double width, std::string_view text,
                         const TextStyle& style) {
    if (cr_ == nullptr) return 0;
    std::string_view line = text.substr(0, text.find('\n'));
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, LineLayout(line, style, width));
    return LineHeight(style.size_pt);
}

double PdfDocument::Paragraph(double x, double y, double width, std::string_view text,
                              const TextStyle& style, bool draw) {
    if (cr_ == nullptr) return 0;
    Prepare(text, style, width, true);
    int height = 0;
    pango_layout_get_size(layout_, nullptr, &height);
    if (draw) {
        cairo_move_to(cr_, x, y);
        pango_cairo_show_layout(cr_, layout_);
    }
    return static_cast<double>(height) / PANGO_SCALE;
}

double PdfDocument::TextWidth(std::string_view text, const TextStyle& style) {
    if (cr_ == nullptr) return 0;
    Prepare(text, style, -1, true);
    pango_layout_set_width(layout_, -1);
    int width = 0;
    pango_layout_get_size(layout_, &width, nullptr);
    return static_cast<double>(width) / PANGO_SCALE;
}

double PdfDocument::LineHeight(double size_pt) {
    return PointsToMm(size_pt) * 1.15;
}

void PdfDocument::Line(double x1, double y1, double x2, double y2, double width_pt) {
    if (cr_ == nullptr) return;
    cairo_set_line_width(cr_, PointsToMm(width_pt));
    cairo_move_to(cr_, x1, y1);
    cairo_line_to(cr_, x2, y2);
    cairo_stroke(cr_);
}

void PdfDocument::DashedLine(double x1, double y1, double x2, double y2, double width_pt) {
    if (cr_ == nullptr) return;
    const double dashes[] = {1.0, 1.0};
    cairo_save(cr_);
    cairo_set_dash(cr_, dashes, 2, 0);
    Line(x1, y1, x2, y2, width_pt);
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

void PdfDocument::NextPage() {
    if (cr_ != nullptr) cairo_show_page(cr_);
}

bool PdfDocument::Finish() {
    if (finished_ || surface_ == nullptr) return ok();
    finished_ = true;
    if (cr_ != nullptr) cairo_show_page(cr_);
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
