#include "controls/ZelLabel.h"

#include "controls/modGradient.h"

namespace ata {

namespace {
std::string Dec(int32_t lngValue) {
    return std::to_string(lngValue);
}
} // namespace

ZelLabel::ZelLabel(IControlHost& host, ITextRenderer& text, const ISystemColours& colours)
    : m_host(host), m_text(text), m_colours(colours), m_fontLabel(text.DefaultFont()) {}

void ZelLabel::BuildStopLists() {
    const std::string L = Dec(Drawn(m_lngLight)), N = Dec(Drawn(m_lngNormal)),
                      S = Dec(Drawn(m_lngShade));
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
    m_lngCaptionHeight =
        m_text.MeasureText(MakeTextFont(m_text.DefaultFont(), m_text.PixelsPerInchY(), true),
                           m_strCaption, CTextRect{0, 0, right, bottom}, tfCentre | tfWordWrap);
    PaintGradient(m_savePic, Drawn(m_lngNormal), m_surface,
                  m_blnTriColour ? m_strThreeList : m_strTwoList, m_lngDirection);
    m_blnDirty = false;

    const CTextRect rect{0, (bottom - 0 - m_lngCaptionHeight) / 2, right, bottom};
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

void ZelLabel::Changed(const char* strName) {
    m_blnDirty = true;
    Redraw();
    m_host.PropertyChanged(strName);
}

void ZelLabel::ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName,
                             bool blnRebuild) {
    lngField = ResolveSystemColour(lngColour, m_colours);
    if (blnRebuild)
        BuildStopLists();
    Changed(strName);
}

void ZelLabel::SetCaption(const std::string& strCaption) {
    m_strCaption = strCaption;
    Changed("Caption");
}
void ZelLabel::SetNormalColour(int32_t c) {
    ColourChanged(m_lngNormal, c, "NormalColour", true);
}
void ZelLabel::SetBorderColour(int32_t c) {
    ColourChanged(m_lngBorder, c, "BorderColour", true);
}
void ZelLabel::SetLightColour(int32_t c) {
    ColourChanged(m_lngLight, c, "LightColour", true);
}
void ZelLabel::SetShadeColour(int32_t c) {
    ColourChanged(m_lngShade, c, "ShadeColour", true);
}
void ZelLabel::SetOuterColour(int32_t c) {
    ColourChanged(m_lngOuter, c, "OuterColour", false);
}

void ZelLabel::SetResolution(int16_t intResolution) {
    m_intResolution = intResolution;
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    Changed("Resolution");
}
void ZelLabel::SetGradientDirection(int32_t v) {
    m_lngDirection = v;
    Changed("GradientDirection");
}
void ZelLabel::SetDrawBorder(bool v) {
    m_blnDrawBorder = v;
    Changed("DrawBorder");
}
void ZelLabel::SetAlignment(int32_t v) {
    m_lngAlignment = v;
    Changed("Alignment");
}
void ZelLabel::SetTriColour(bool v) {
    m_blnTriColour = v;
    Changed("TriColour");
}
void ZelLabel::SetDrawOuter(bool v) {
    m_blnDrawOuter = v;
    Changed("DrawOuter");
}
void ZelLabel::SetLabelFont(const std::optional<CFontSpec>& font) {
    m_fontLabel = font;
    Changed("LabelFont");
}

void ZelLabel::UserControl_InitProperties() {
    m_strCaption = "Zel Label";
    m_lngNormal = 0xEFF3F3;
    m_lngDirection = 1;
    m_lngBorder = 0x743C00;
    m_intResolution = 50;
    m_lngLight = 0xFFFFFF;
    m_lngShade = 0xC5D0D6;
    m_fontLabel = m_text.DefaultFont();
    m_blnDrawBorder = false;
    m_lngAlignment = 0;
    m_blnTriColour = false;
    m_lngOuter = 0xFFFFFF;
    m_blnDrawOuter = false;
}

void ZelLabel::UserControl_ReadProperties(const IPropertyBag& bag) {
    m_strCaption = ReadProperty<std::string>(bag, "Caption", "Zel Label");
    m_lngNormal = ReadProperty<int32_t>(bag, "NormalColour", 0xEFF3F3);
    m_lngDirection = ReadProperty<int32_t>(bag, "GradientDirection", 1);
    m_lngBorder = ReadProperty<int32_t>(bag, "BorderColour", 0x743C00);
    m_intResolution = static_cast<int16_t>(ReadProperty<int32_t>(bag, "Resolution", int32_t{50}));
    m_lngLight = ReadProperty<int32_t>(bag, "LightColour", 0xFFFFFF);
    m_lngShade = ReadProperty<int32_t>(bag, "ShadeColour", 0xC5D0D6);
    m_fontLabel = ReadProperty<CFontSpec>(bag, "LabelFont", m_text.DefaultFont());
    m_blnDrawBorder = ReadProperty<bool>(bag, "DrawBorder", false);
    m_lngAlignment = ReadProperty<int32_t>(bag, "Alignment", 0);
    m_blnTriColour = ReadProperty<bool>(bag, "TriColour", false);
    m_lngOuter = ReadProperty<int32_t>(bag, "OuterColour", 0xFFFFFF);
    m_blnDrawOuter = ReadProperty<bool>(bag, "DrawOuter", false);
    BuildStopLists();
    UserControl_Resize(m_surface.Width(), m_surface.Height());
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
}

void ZelLabel::UserControl_WriteProperties(IPropertyBag& bag) const {
    bag.Write("Caption", m_strCaption);
    bag.Write("NormalColour", m_lngNormal);
    bag.Write("GradientDirection", m_lngDirection);
    bag.Write("BorderColour", m_lngBorder);
    bag.Write("Resolution", int32_t{m_intResolution});
    bag.Write("LightColour", m_lngLight);
    bag.Write("ShadeColour", m_lngShade);
    if (m_fontLabel)
        bag.Write("LabelFont", *m_fontLabel);
    bag.Write("DrawBorder", m_blnDrawBorder);
    bag.Write("Alignment", m_lngAlignment);
    bag.Write("TriColour", m_blnTriColour);
    bag.Write("OuterColour", m_lngOuter);
    bag.Write("DrawOuter", m_blnDrawOuter);
}

void ZelLabel::UserControl_Show() {
    if (!m_blnListsBuilt)
        BuildStopLists();
    m_blnDirty = true;
    Redraw();
}

void ZelLabel::UserControl_Resize(int32_t lngWidth, int32_t lngHeight) {
    if (m_surface.Width() != lngWidth || m_surface.Height() != lngHeight)
        m_surface.Resize(lngWidth, lngHeight);
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    if (m_blnListsBuilt) {
        m_blnDirty = true;
        Redraw();
    }
}

} // namespace ata
