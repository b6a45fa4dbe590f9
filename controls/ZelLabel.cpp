#include "controls/ZelLabel.h"

#include "controls/modGradient.h"

namespace ata {

ZelLabel::ZelLabel(IControlHost& host, ITextRenderer& text, const ISystemColours& colours)
    : CGradientControl(host, text, colours) {
    VisitProperties(*this, CSetDefaults{});
}

void ZelLabel::BuildStopLists() {
    const std::string L = Dec(m_lngLight), N = Dec(m_lngNormal), S = Dec(m_lngShade);
    m_strTwoList = "0," + L + "#100," + S;
    m_strThreeList = "0," + L + "#33," + N + "#66," + N + "#100," + S;
    m_blnListsBuilt = true;
}

void ZelLabel::Redraw() {
    if (!m_blnDirty)
        return;
    const int32_t right = m_surface.Width(), bottom = m_surface.Height();
    // The vertical offset comes from the caption laid out in the control's base font, whatever
    // LabelFont it is drawn in.
    const int32_t lngCaptionHeight =
        m_text.MeasureText(MakeTextFont(m_text.DefaultFont(), m_text.PixelsPerInchY(), true),
                           m_strCaption, CTextRect{0, 0, right, bottom}, tfCentre | tfWordWrap);
    PaintGradient(m_savePic, Drawn(m_lngNormal), m_surface,
                  m_blnTriColour ? m_strThreeList : m_strTwoList, m_lngDirection);
    m_blnDirty = false;

    const CTextRect rect{0, (bottom - 0 - lngCaptionHeight) / 2, right, bottom};
    uint32_t flags = tfWordWrap | tfNoClip;
    bool blnCaption = true;
    switch (m_lngAlignment) {
    case 0:
        flags |= tfLeft;
        break;
    case 1:
        flags |= tfRight;
        break;
    case 2:
        flags |= tfCentre;
        break;
    default:
        blnCaption = false;
    }
    if (blnCaption)
        DrawCaptionText(rect, flags);
    if (m_blnDrawBorder)
        DrawBox(m_surface, 0, 0, m_surface.Width(), m_surface.Height(), 0, Drawn(m_lngBorder), 2,
                true);
    m_host.Present();
}

void ZelLabel::DrawCaptionText(const CTextRect& rect, uint32_t lngFlags) {
    if (m_strCaption.empty() || !m_fontLabel)
        return;
    const CTextFont font = MakeTextFont(*m_fontLabel, m_text.PixelsPerInchY(), true);
    if (m_blnDrawOuter) {
        static constexpr int32_t kOffsets[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
        for (const auto& o : kOffsets)
            m_text.DrawText(
                m_surface, font, m_strCaption,
                CTextRect{rect.Left + o[0], rect.Top + o[1], rect.Right + o[0], rect.Bottom + o[1]},
                lngFlags, Drawn(m_lngOuter));
    }
    m_text.DrawText(m_surface, font, m_strCaption, rect, lngFlags, 0x000000);
}

void ZelLabel::SetOuterColour(int32_t c) {
    ColourChanged(m_lngOuter, c, "OuterColour", false);
}

void ZelLabel::UserControl_InitProperties() {
    VisitProperties(*this, CSetDefaults{});
}

void ZelLabel::UserControl_ReadProperties(const IPropertyBag& bag) {
    VisitProperties(*this, CReadFrom{bag});
    PropertiesRead();
}

void ZelLabel::UserControl_WriteProperties(IPropertyBag& bag) const {
    VisitProperties(*this, CWriteTo{bag});
}

} // namespace ata
