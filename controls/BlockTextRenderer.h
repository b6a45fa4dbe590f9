#pragma once

#include "controls/ITextRenderer.h"

#include <vector>

namespace ata {

// A deterministic font for geometry tests and headless use: every character is a cell
// CharWidth(h) pixels wide and h pixels high (h = the font's pixel height). A visible
// character fills its cell but for the last column and the top and bottom rows; a space is
// blank; the underline of an access key is the cell's bottom row. Word wrap is greedy at
// spaces; a word wider than the rectangle keeps a line of its own.
class CBlockTextRenderer final : public ITextRenderer {
public:
    explicit CBlockTextRenderer(int32_t lngPixelsPerInchY = 96) : m_lngDpi(lngPixelsPerInchY) {}

    static int32_t CharWidth(int32_t lngPixelHeight);

    int32_t MeasureText(const CTextFont& font, const std::string& strText, const CTextRect& rect,
                        uint32_t lngFlags) override;
    void DrawText(CRasterSurface& surface, const CTextFont& font, const std::string& strText,
                  const CTextRect& rect, uint32_t lngFlags, int32_t lngColour) override;
    int32_t PixelsPerInchY() const override { return m_lngDpi; }
    CFontSpec DefaultFont() const override { return CFontSpec{"Block", 8.25}; }

    struct Line {
        size_t lngStart; // index into the display text
        size_t lngLength;
    };
    // Lines of the display text laid out for the rectangle's width.
    static std::vector<Line> Layout(const std::string& strDisplay, int32_t lngWidth,
                                    int32_t lngCharWidth, uint32_t lngFlags);

private:
    int32_t m_lngDpi;
};

} // namespace ata
