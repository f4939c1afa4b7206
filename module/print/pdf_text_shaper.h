#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Text shaped by pango into positioned glyphs, once per thread: the font
// map, the pango context, the layout used for shaping and the font
// descriptions are made on a thread's first print and kept for its later
// ones, and so are the lines already shaped (dates, factors, codes and labels
// repeat on every page and in every invoice).
//
// A shaped text is what cairo_show_text_glyphs takes: glyphs with their
// positions and the UTF-8 text they show, mapped to each other by clusters,
// so that the PDF's text layer gives readers the text whole (also the part
// hidden behind an ellipsis). The document draws all the glyphs of one font
// on a page in one call, which is what makes a long table cheap.
//
// Not thread-safe; each thread has its own shaper (OfThisThread).

namespace invoice {

// Text is shaped for documents whose user space is in millimetres.
constexpr double kPointsPerMm = 72.0 / 25.4;

enum class FontFace { kRegular, kBold };
enum class TextAlign { kLeft, kCenter, kRight };

struct TextStyle {
    double size_pt = 9;
    FontFace face = FontFace::kRegular;
    TextAlign align = TextAlign::kLeft;
};

// A cairo scaled font held by reference count.
class ScaledFontRef {
  public:
    ScaledFontRef() = default;
    explicit ScaledFontRef(cairo_scaled_font_t* font);  // takes a new reference
    ScaledFontRef(const ScaledFontRef& other);
    ScaledFontRef& operator=(ScaledFontRef other);
    ~ScaledFontRef();
    cairo_scaled_font_t* get() const { return font_; }

  private:
    cairo_scaled_font_t* font_ = nullptr;
};

// The glyphs of one font, positioned in mm from the top left corner of the
// text's box.
struct GlyphRun {
    ScaledFontRef font;
    std::vector<cairo_glyph_t> glyphs;
    std::string utf8;
    std::vector<cairo_text_cluster_t> clusters;  // forward: cover utf8 and glyphs in order
};

struct ShapedText {
    std::vector<GlyphRun> runs;
    double height = 0;  // mm
    // False for text that only pango can draw: right-to-left runs, or
    // characters no installed font has (pango draws those as hex boxes).
    bool as_glyphs = true;
};

class TextShaper {
  public:
    // The calling thread's shaper, made on first use and released when the
    // thread ends.
    static TextShaper& OfThisThread();

    TextShaper(const TextShaper&) = delete;
    TextShaper& operator=(const TextShaper&) = delete;

    // One line of `text` in a box `width` mm wide, cut with an ellipsis when
    // longer. Kept for later calls: the reference is valid until the next
    // call of Line.
    const ShapedText& Line(std::string_view text, const TextStyle& style, double width);

    // `text` wrapped at word boundaries into lines `width` mm wide.
    ShapedText Paragraph(std::string_view text, const TextStyle& style, double width);

    // The layout of `text` as Line (wrap false) or Paragraph (wrap true)
    // shape it, for drawing with pango what ShapedText::as_glyphs refuses.
    // Valid until the next call of any method.
    PangoLayout* Layout(std::string_view text, const TextStyle& style, double width, bool wrap);

  private:
    TextShaper();
    ~TextShaper();

    PangoFontDescription* Font(const TextStyle& style);
    ShapedText Shape(PangoLayout* layout);

    PangoFontMap* font_map_ = nullptr;
    PangoContext* context_ = nullptr;
    PangoLayout* layout_ = nullptr;
    std::map<std::pair<int, int>, PangoFontDescription*> fonts_;
    std::unordered_map<std::string, ShapedText> lines_;
};

}  // namespace invoice
