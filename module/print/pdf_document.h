#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// A PDF file being written, page by page, with the drawing the invoice form
// needs: text in Liberation Sans (embedded as subsets by cairo), lines,
// rectangles and images. Positions and sizes are millimetres from the top
// left corner of an A4 portrait page; font sizes are points.
//
// Usage:
//   PdfDocument pdf(path, creation_time);
//   if (!pdf.ok()) ... pdf.error() ...
//   pdf.Text(...); pdf.NextPage(); pdf.Text(...);
//   if (!pdf.Finish()) ... pdf.error() ...
// The file is complete only after Finish(). Not thread-safe; one document
// per thread.

namespace invoice {

constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;

enum class FontFace { kRegular, kBold, kItalic };
enum class TextAlign { kLeft, kCenter, kRight };

struct TextStyle {
    double size_pt = 9;
    FontFace face = FontFace::kRegular;
    TextAlign align = TextAlign::kLeft;
};

class PdfDocument {
  public:
    // Creates the file at `path` with the first page open. The PDF's
    // creation date is `created` (Unix seconds), so that the same invoice
    // printed with the same timestamp gives the same file.
    PdfDocument(const std::string& path, int64_t created, const std::string& title);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // False when the file could not be opened or drawing failed; error()
    // then says why.
    bool ok() const;
    std::string error() const;

    // One line of text at (x, y), the top of the line, in a box `width` wide;
    // text too long for the box is cut with an ellipsis (a reader extracting
    // the text still gets it whole). Returns the line height in mm.
    double Text(double x, double y, double width, std::string_view text, const TextStyle& style);

    // Text wrapped at word boundaries into lines of `width`; draws it only
    // when `draw` is true. Returns its height in mm.
    double Paragraph(double x, double y, double width, std::string_view text,
                     const TextStyle& style, bool draw = true);

    // The width of `text` on one line, in mm.
    double TextWidth(std::string_view text, const TextStyle& style);

    // The height of one line of text of `size_pt`, in mm.
    double LineHeight(double size_pt);

    void Line(double x1, double y1, double x2, double y2, double width_pt);
    void DashedLine(double x1, double y1, double x2, double y2, double width_pt);
    void FillRect(double x, double y, double width, double height, double gray);
    void StrokeRect(double x, double y, double width, double height, double width_pt);

    // Draws `image` scaled into the box.
    void Image(cairo_surface_t* image, double x, double y, double width, double height);

    // The drawing context, in mm (for drawings of their own, like the QR
    // code). Keep the state balanced (cairo_save/cairo_restore).
    cairo_t* cairo() { return cr_; }

    // Ends the current page and opens the next.
    void NextPage();

    // Ends the last page and writes the file. Returns ok().
    bool Finish();

  private:
    PangoFontDescription* Font(const TextStyle& style);
    // A layout of one line of `text`, shaped once and kept for the texts
    // that repeat (dates, factors, codes); owned by the cache.
    PangoLayout* LineLayout(std::string_view text, const TextStyle& style, double width);
    void Prepare(std::string_view text, const TextStyle& style, double width, bool wrap);

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    PangoLayout* layout_ = nullptr;
    std::map<std::pair<int, int>, PangoFontDescription*> fonts_;
    std::map<std::string, PangoLayout*> lines_;
    std::string error_;
    bool finished_ = false;
};

}  // namespace invoice
