#pragma once

#include "controls/ITextRenderer.h"

namespace ata {

// Text measured and drawn with QPainter straight onto a control's raster surface.
class QtTextRenderer final : public ITextRenderer {
public:
    int32_t MeasureText(const CTextFont& font, const std::string& strText, const CTextRect& rect,
                        uint32_t lngFlags) override;
    void DrawText(CRasterSurface& surface, const CTextFont& font, const std::string& strText,
                  const CTextRect& rect, uint32_t lngFlags, int32_t lngColour) override;
    int32_t PixelsPerInchY() const override;
    CFontSpec DefaultFont() const override;
};

} // namespace ata
