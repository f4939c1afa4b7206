#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "module/print/pdf_text_shaper.h"

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
// per thread at a time.
//
// Text and lines are collected per page and drawn when the page ends: all
// glyphs of one font in one call, all lines of one width in one stroke, on
// top of the rectangles and images, which are drawn at once. Drawings of
// their own (cairo()) are drawn at once as well.

namespace invoice {

constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;

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
    // The glyphs of one font collected for the current page.
    struct GlyphBatch {
        ScaledFontRef font;
        std::vector<cairo_glyph_t> glyphs;
        std::string utf8;
        std::vector<cairo_text_cluster_t> clusters;
    };
    // The lines of one width collected for the current page.
    struct LineBatch {
        double width_pt = 0;
        std::vector<double> points;  // x1, y1, x2, y2 of each line
    };

    void Collect(const ShapedText& shaped, double x, double y);
    void DrawWithPango(std::string_view text, const TextStyle& style, double x, double y,
                       double width, bool wrap);
    // Draws what was collected for the current page.
    void FlushPage();

    TextShaper& shaper_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    std::vector<GlyphBatch> glyphs_;
    std::vector<LineBatch> lines_;
    std::string error_;
    bool finished_ = false;
};

}  // namespace invoice
