#pragma once

#include "controls/RasterSurface.h"

#include <cstdint>
#include <string>

namespace ata {

// A font as the controls store it: face, size in points, style flags.
struct CFontSpec {
    std::string strName = "MS Sans Serif";
    double dblSize = 8.25;
    bool blnBold = false;
    bool blnItalic = false;
    bool blnUnderline = false;
    bool blnStrikethrough = false;

    bool operator==(const CFontSpec&) const = default;
};

// A font made for drawing: character height in pixels (without internal leading).
struct CTextFont {
    std::string strName;
    int32_t lngPixelHeight = 11;
    bool blnBold = false;
    bool blnItalic = false;
    bool blnUnderline = false;
    bool blnStrikethrough = false;
    bool blnAntialiased = false;
};

// Character height of a font at the given vertical pixels per inch (96 assumed when unknown):
// round(points x 20 / twips per pixel), halves to even.
int32_t FontPixelHeight(double dblPoints, int32_t lngPixelsPerInchY);
// The drawing font for a stored font; the face name is cut at 31 characters.
CTextFont MakeTextFont(const CFontSpec& font, int32_t lngPixelsPerInchY, bool blnAntialiased);

struct CTextRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// Layout flags of MeasureText and DrawText.
enum TextFlags : uint32_t {
    tfLeft = 0,
    tfCentre = 1,
    tfRight = 2,
    tfVCentre = 4,     // single line only: centred between top and bottom
    tfWordWrap = 8,    // break lines between words to fit the rectangle's width
    tfSingleLine = 16, // never break
    tfNoClip = 32,     // draw outside the rectangle too
};

// Text measuring and drawing onto a raster surface. Texts are bytes, one character each;
// "&" underlines the next character and "&&" shows one "&".
class ITextRenderer {
public:
    virtual ~ITextRenderer() = default;

    // Height in pixels of the text laid out in the rectangle with the flags.
    virtual int32_t MeasureText(const CTextFont& font, const std::string& strText,
                                const CTextRect& rect, uint32_t lngFlags) = 0;
    // Draws the text without a background in the colour word.
    virtual void DrawText(CRasterSurface& surface, const CTextFont& font,
                          const std::string& strText, const CTextRect& rect, uint32_t lngFlags,
                          int32_t lngColour) = 0;
    // Vertical pixels per inch of the display; 0 when unknown.
    virtual int32_t PixelsPerInchY() const = 0;
    // The platform's default user-interface font.
    virtual CFontSpec DefaultFont() const = 0;
};

// Display text of a caption with its "&" marks removed, and the index of the underlined
// character (-1 for none).
struct CMnemonicText {
    std::string strText;
    int32_t lngUnderline = -1;
};
CMnemonicText StripMnemonic(const std::string& strCaption);

} // namespace ata
