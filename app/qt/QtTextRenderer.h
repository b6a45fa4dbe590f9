#pragma once

#include "controls/ITextRenderer.h"

#include <vector>

class QPainter;
class QWidget;

namespace ata {

// Text measured and drawn with QPainter for a control hosted in a widget.
//
// On a screen of one device pixel per pixel the text goes straight onto the control's raster
// surface, so every pixel is the control's own. On a denser screen the surface is shown enlarged
// (nearest neighbour, so its colours stay exact), and text drawn into it would be enlarged too:
// there each text is kept instead, with the same font, rectangle and layout, and the hosting
// widget paints it over the enlarged surface at the screen's resolution.
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

    // The control has finished a repaint and shows it: the texts kept since the last one are
    // the ones to paint from now on.
    void Presented();
    // Paints the kept texts, in the order they were drawn, with a painter on the host widget.
    void PaintKeptTexts(QPainter& painter) const;
    // True when the host's device scale is not the one the shown repaint was made for.
    bool ScaleChanged() const;

private:
    struct KeptText {
        CTextFont font;
        std::string strText;
        CTextRect rect;
        uint32_t lngFlags;
        int32_t lngColour;
    };
    double DeviceScale() const;

    const QWidget* m_pHost;
    std::vector<KeptText> m_vecPending;
    std::vector<KeptText> m_vecShown;
    double m_dblShownScale = 0; // 0: nothing shown yet
};

} // namespace ata
