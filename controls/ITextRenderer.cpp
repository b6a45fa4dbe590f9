#include "controls/ITextRenderer.h"

#include "controls/modColour.h"

namespace ata {

int32_t FontPixelHeight(double dblPoints, int32_t lngPixelsPerInchY) {
    const int32_t dpi = lngPixelsPerInchY > 0 ? lngPixelsPerInchY : 96;
    const double twipsPerPixel = 1440.0 / dpi;
    return RoundToInt32(dblPoints * 20.0 / twipsPerPixel);
}

CTextFont MakeTextFont(const CFontSpec& font, int32_t lngPixelsPerInchY, bool blnAntialiased) {
    CTextFont f;
    f.strName = font.strName.substr(0, 31);
    f.lngPixelHeight = FontPixelHeight(font.dblSize, lngPixelsPerInchY);
    f.blnBold = font.blnBold;
    f.blnItalic = font.blnItalic;
    f.blnUnderline = font.blnUnderline;
    f.blnStrikethrough = font.blnStrikethrough;
    f.blnAntialiased = blnAntialiased;
    return f;
}

CMnemonicText StripMnemonic(const std::string& strCaption) {
    CMnemonicText out;
    for (size_t i = 0; i < strCaption.size(); ++i) {
        if (strCaption[i] == '&' && i + 1 < strCaption.size()) {
            ++i;
            if (strCaption[i] != '&' && out.lngUnderline < 0)
                out.lngUnderline = static_cast<int32_t>(out.strText.size());
        }
        out.strText += strCaption[i];
    }
    return out;
}

} // namespace ata
