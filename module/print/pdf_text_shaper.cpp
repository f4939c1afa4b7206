#include "module/print/pdf_text_shaper.h"

namespace invoice {

namespace {

constexpr const char* kFontFamily = "Liberation Sans";
constexpr size_t kMaxCachedLines = 8192;

double Mm(int pango_units) {
    return static_cast<double>(pango_units) / PANGO_SCALE;
}

// The cache key of a line: the text and the shape of its box.
std::string LineKey(std::string_view text, const TextStyle& style, double width) {
    int numbers[4] = {static_cast<int>(style.face), static_cast<int>(style.size_pt * 100 + 0.5),
                      static_cast<int>(width * 1000 + 0.5), static_cast<int>(style.align)};
    std::string key;
    key.reserve(text.size() + sizeof numbers);
    key.append(text.data(), text.size());
    key.append(reinterpret_cast<const char*>(numbers), sizeof numbers);
    return key;
}

bool IsUnknown(PangoGlyph glyph) {
    return (glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0;
}

// Appends the glyphs of `run`, whose left end is at `x` and whose baseline
// is at `baseline` (pango units), to *out. False when pango must draw it.
bool AppendRun(PangoGlyphItem* run, const char* text, int x, int baseline, ShapedText* out) {
    PangoItem* item = run->item;
    if ((item->analysis.level & 1) != 0) return false;
    cairo_scaled_font_t* font =
        pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(item->analysis.font));
    if (font == nullptr) return false;
    GlyphRun glyphs;
    glyphs.font = ScaledFontRef(font);
    PangoGlyphString* string = run->glyphs;
    int position = x;
    for (int i = 0; i < string->num_glyphs; ++i) {
        const PangoGlyphInfo& info = string->glyphs[i];
        if (info.glyph != PANGO_GLYPH_EMPTY) {
            if (IsUnknown(info.glyph) && info.glyph != (0x20 | PANGO_GLYPH_UNKNOWN_FLAG)) {
                return false;
            }
            if (!IsUnknown(info.glyph)) {
                glyphs.glyphs.push_back({info.glyph, Mm(position + info.geometry.x_offset),
                                         Mm(baseline + info.geometry.y_offset)});
            }
        }
        position += info.geometry.width;
    }
    PangoGlyphItemIter iter;
    for (bool more = pango_glyph_item_iter_init_start(&iter, run, text); more;
         more = pango_glyph_item_iter_next_cluster(&iter)) {
        int drawn = 0;
        for (int i = iter.start_glyph; i < iter.end_glyph; ++i) {
            PangoGlyph glyph = string->glyphs[i].glyph;
            if (glyph != PANGO_GLYPH_EMPTY && !IsUnknown(glyph)) ++drawn;
        }
        glyphs.clusters.push_back({iter.end_index - iter.start_index, drawn});
    }
    glyphs.utf8.assign(text + item->offset, static_cast<size_t>(item->length));
    out->runs.push_back(std::move(glyphs));
    return true;
}

}  // namespace

ScaledFontRef::ScaledFontRef(cairo_scaled_font_t* font)
    : font_(cairo_scaled_font_reference(font)) {}

ScaledFontRef::ScaledFontRef(const ScaledFontRef& other)
    : font_(other.font_ == nullptr ? nullptr : cairo_scaled_font_reference(other.font_)) {}

ScaledFontRef& ScaledFontRef::operator=(ScaledFontRef other) {
    std::swap(font_, other.font_);
    return *this;
}

ScaledFontRef::~ScaledFontRef() {
    if (font_ != nullptr) cairo_scaled_font_destroy(font_);
}

TextShaper& TextShaper::OfThisThread() {
    thread_local TextShaper shaper;
    return shaper;
}

TextShaper::TextShaper() {
    font_map_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(font_map_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    // Positions are in millimetres: rounding them to whole units would
    // scatter the letters.
    pango_context_set_round_glyph_positions(context_, FALSE);
    // The documents draw in millimetres on pages measured in points.
    PangoMatrix matrix = PANGO_MATRIX_INIT;
    pango_matrix_scale(&matrix, kPointsPerMm, kPointsPerMm);
    pango_context_set_matrix(context_, &matrix);
    layout_ = pango_layout_new(context_);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
}

TextShaper::~TextShaper() {
    lines_.clear();
    for (auto& font : fonts_) pango_font_description_free(font.second);
    g_object_unref(layout_);
    g_object_unref(context_);
    g_object_unref(font_map_);
}

PangoFontDescription* TextShaper::Font(const TextStyle& style) {
    std::pair<int, int> key(static_cast<int>(style.face),
                            static_cast<int>(style.size_pt * 100 + 0.5));
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamily);
    pango_font_description_set_absolute_size(font, style.size_pt / kPointsPerMm * PANGO_SCALE);
    if (style.face == FontFace::kBold) pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
    fonts_[key] = font;
    return font;
}

PangoLayout* TextShaper::Layout(std::string_view text, const TextStyle& style, double width,
                                bool wrap) {
    pango_layout_set_font_description(layout_, Font(style));
    pango_layout_set_width(layout_, width < 0 ? -1 : static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_ellipsize(layout_, wrap ? PANGO_ELLIPSIZE_NONE : PANGO_ELLIPSIZE_END);
    PangoAlignment alignment = style.align == TextAlign::kRight    ? PANGO_ALIGN_RIGHT
                               : style.align == TextAlign::kCenter ? PANGO_ALIGN_CENTER
                                                                   : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout_, alignment);
    pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
    return layout_;
}

ShapedText TextShaper::Shape(PangoLayout* layout) {
    ShapedText shaped;
    int height = 0;
    pango_layout_get_size(layout, nullptr, &height);
    shaped.height = Mm(height);
    const char* text = pango_layout_get_text(layout);
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
        if (run == nullptr) continue;  // the end of a line
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(iter, nullptr, &logical);
        if (!AppendRun(run, text, logical.x, pango_layout_iter_get_baseline(iter), &shaped)) {
            shaped.runs.clear();
            shaped.as_glyphs = false;
            break;
        }
    } while (pango_layout_iter_next_run(iter));
    pango_layout_iter_free(iter);
    return shaped;
}

const ShapedText& TextShaper::Line(std::string_view text, const TextStyle& style, double width) {
    std::string key = LineKey(text, style, width);
    auto found = lines_.find(key);
    if (found != lines_.end()) return found->second;
    if (lines_.size() >= kMaxCachedLines) lines_.clear();
    ShapedText shaped = Shape(Layout(text, style, width, false));
    return lines_.emplace(std::move(key), std::move(shaped)).first->second;
}

ShapedText TextShaper::Paragraph(std::string_view text, const TextStyle& style, double width) {
    return Shape(Layout(text, style, width, true));
}

}  // namespace invoice
