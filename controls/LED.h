#pragma once

#include "controls/IControlHost.h"
#include "controls/ITextRenderer.h"
#include "controls/PropertyBag.h"
#include "controls/RasterSurface.h"
#include "controls/modColour.h"

#include <cstdint>
#include <string>

namespace ata {

// A status lamp: a filled rectangle with a dark frame, a three-pixel bevel derived from the
// fill colour, chamfered corners, an optional centred picture and a centred one-line caption.
class LED {
public:
    // strName is the name the container gives the control (a new lamp's caption).
    LED(IControlHost& host, ITextRenderer& text, std::string strName = "LED",
        const ISystemColours& colours = ClassicSystemColours());

    int32_t FillColor() const { return m_lngFill; }
    void SetFillColor(int32_t theCol);
    int32_t BackColor() const { return m_lngBack; }
    void SetBackColor(int32_t theCol);
    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& EnterCap);
    const CPicture& Backdrop() const { return m_picBackdrop; }
    void SetBackdrop(CPicture newImg);
    bool Enabled() const { return m_blnEnabled; }
    void SetEnabled(bool NewValue);

    void ShowCaption(const std::string& DispTxt);
    void CalcImgSz(int16_t intOffset);
    void CentTxt(const std::string& strText, int16_t intOffset);
    void DrawImage(bool State);
    void Chamfer();

    // Shifts each channel; blue moves in proportion to its own value.
    static int32_t AdjustColour(int32_t lngColour, int32_t lngAmount);
    static constexpr int32_t kFrameColour = 0x733C00;

    void UserControl_Initialize();
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const IPropertyBag& bag);
    void UserControl_WriteProperties(IPropertyBag& bag) const;
    void UserControl_Resize(int32_t lngWidth, int32_t lngHeight);
    void UserControl_Show();

    void Redraw();
    const CRasterSurface& Surface() const { return m_surface; }
    const CTextRect& CaptionRect() const { return m_rectCaption; }
    // The caption's font: MS Sans Serif 8.25 points, bold.
    static CFontSpec CaptionFont();

private:
    template <typename Self, typename Visit>
    static void VisitProperties(Self& self, Visit&& visit) {
        visit("BACIMG", self.m_picBackdrop, CPicture{});
        visit("ALLO", self.m_blnEnabled, true);
        visit("FDC", self.m_lngFill, 0xFFC0C0);
        visit("BTXT", self.m_strCaption, "");
        visit("BDC", self.m_lngBack, 0xFFC0C0);
    }
    int32_t TranslateColour(int32_t lngColour) const;
    void DrawRectangle(int32_t x, int32_t y, int32_t lngWidth, int32_t lngHeight, int32_t lngColour,
                       bool blnFrameOnly);

    IControlHost& m_host;
    ITextRenderer& m_text;
    const ISystemColours& m_colours;
    std::string m_strName;

    int32_t m_lngFill = 0xFFC0C0;
    int32_t m_lngBack = 0xFFC0C0;
    std::string m_strCaption;
    CPicture m_picBackdrop;
    bool m_blnEnabled = true;

    int32_t m_lngW = 30;
    int32_t m_lngH = 30;
    CTextRect m_rectCaption;
    int32_t m_lngImgX = 0, m_lngImgY = 0, m_lngImgW = 0, m_lngImgH = 0;
    CRasterSurface m_surface;
};

} // namespace ata
