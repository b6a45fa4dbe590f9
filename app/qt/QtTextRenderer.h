#pragma once

#include "controls/ITextRenderer.h"

class QWidget;

namespace ata {

// Text measured and drawn with QPainter straight onto a control's raster surface.
class QtTextRenderer final : public ITextRenderer {
public:
    // The default font is the font of the widget that hosts the control (which the window's
    // font reaches), so that captions match the face and size the window is laid out for.
    // Without a widget it is the application's font.
    explicit QtTextRenderer(const QWidget* pHost = nullptr) : m_pHost(pHost) {}

    int32_t MeasureText(const CTextFont& font, const std::string& strText, const CTextRect& rect,
                        uint32_t lngFlags) override;
    void DrawText(CRasterSurface& surface, const CTextFont& font, const std::string& strText,
                  const CTextRect& rect, uint32_t lngFlags, int32_t lngColour) override;
    int32_t PixelsPerInchY() const override;
    CFontSpec DefaultFont() const override;

private:
    const QWidget* m_pHost;
};

} // namespace ata
