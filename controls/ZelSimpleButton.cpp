#include "controls/ZelSimpleButton.h"

#include "controls/modGradient.h"

namespace ata {

namespace {

std::string Dec(int32_t lngValue) {
    return std::to_string(lngValue);
}

size_t Index(ButtonState enmState) {
    return static_cast<size_t>(enmState);
}

} // namespace

ZelSimpleButton::ZelSimpleButton(IControlHost& host, ITextRenderer& text, ITimer& tmrRelease,
                                 const ISystemColours& colours)
    : m_host(host), m_text(text), m_tmrRelease(tmrRelease), m_colours(colours) {
    m_tmrRelease.Stop();
}

ZelSimpleButton::~ZelSimpleButton() {
    m_tmrRelease.Stop();
}

char ZelSimpleButton::GetAccessKey(const std::string& strCaption) {
    for (size_t i = 0; i + 1 < strCaption.size(); ++i) {
        if (strCaption[i] != '&')
            continue;
        // A rejected "&" is passed over and the search goes on with the next character, so
        // "&&x" gives x although the caption shows "&x".
        const char next = strCaption[i + 1];
        if (next != '&' && next != ' ')
            return next;
    }
    return '\0';
}

const std::string& ZelSimpleButton::StopList(ButtonState enmState) const {
    return m_strLists[Index(enmState)];
}

void ZelSimpleButton::BuildStopLists() {
    // Stored colours may still be system colours (as loaded); the lists hold their RGB.
    const std::string L = Dec(Drawn(m_lngLight)), N = Dec(Drawn(m_lngNormal)),
                      S = Dec(Drawn(m_lngShade));
    const auto look = [&](int32_t lngColour) {
        return "0," + L + "#10," + Dec(Drawn(lngColour)) + "#90," + N + "#100," + S;
    };
    m_strLists[Index(ButtonState::Normal)] = look(m_lngNormal);
    m_strLists[Index(ButtonState::Hover)] = look(m_lngHover);
    m_strLists[Index(ButtonState::Focus)] = look(m_lngFocus);
    m_strLists[Index(ButtonState::Pressed)] = look(m_lngPressed);
    m_strLists[Index(ButtonState::Disabled)] =
        "0," + Dec(Drawn(m_lngDisabled)) + "#90," + N + "#100," + S;
    m_blnListsBuilt = true;
}

void ZelSimpleButton::Redraw() {
    if (m_enmState == m_enmLastDrawn && !m_blnDirty)
        return;
    const CTextFont font = MakeTextFont(m_text.DefaultFont(), m_text.PixelsPerInchY(), true);
    const uint32_t flags = tfCentre | tfWordWrap;
    const CTextRect client{0, 0, m_lngClientRight, m_lngClientBottom};
    m_lngCaptionHeight = m_text.MeasureText(font, m_strCaption, client, flags);

    if (m_enmState == ButtonState::Hover) {
        // The look to go back to when the pointer leaves. A repaint of the hover look itself
        // keeps the earlier choice, and a finished press goes back to the resting look: taking
        // either as the look to return to would leave the hover or pressed look on the screen
        // after the pointer has gone.
        if (m_enmLastDrawn == ButtonState::Pressed)
            m_enmReturn = m_blnHasFocus ? ButtonState::Focus : ButtonState::Normal;
        else if (m_enmLastDrawn != ButtonState::Hover)
            m_enmReturn = m_enmLastDrawn;
        PaintGradient(m_savePic, Drawn(m_lngNormal), m_surface, StopList(m_enmState),
                      m_lngDirection);
        if (!m_tmrRelease.IsRunning())
            m_tmrRelease.Start(kReleaseIntervalMs, [this] { tmrRelease_Timer(); });
    } else {
        PaintGradient(m_savePic, Drawn(m_lngNormal), m_surface, StopList(m_enmState),
                      m_lngDirection);
    }
    m_enmLastDrawn = m_enmState;
    m_blnDirty = false;

    if (!m_strCaption.empty()) {
        const int32_t t = (m_lngClientBottom - 0 - m_lngCaptionHeight) / 2;
        m_text.DrawText(m_surface, font, m_strCaption,
                        CTextRect{0, t, m_lngClientRight, m_lngClientBottom}, flags | tfNoClip,
                        0x000000);
    }
    DrawBox(m_surface, 0, 0, m_surface.Width(), m_surface.Height(), 0, Drawn(m_lngBorder), 2, true);
    m_host.Present();
}

void ZelSimpleButton::SetCaption(const std::string& strCaption) {
    m_strCaption = strCaption;
    m_chrAccessKey = GetAccessKey(m_strCaption);
    m_host.SetAccessKey(m_chrAccessKey);
    m_blnDirty = true;
    Redraw();
    m_host.PropertyChanged("Caption");
}

void ZelSimpleButton::SetEnabled(bool blnEnabled) {
    m_blnEnabled = blnEnabled;
    m_enmState = blnEnabled ? ButtonState::Normal : ButtonState::Disabled;
    Redraw();
    m_host.SetInputEnabled(blnEnabled);
    m_host.PropertyChanged("Enabled");
}

void ZelSimpleButton::ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName) {
    lngField = ResolveSystemColour(lngColour, m_colours);
    BuildStopLists();
    m_blnDirty = true;
    Redraw();
    m_host.PropertyChanged(strName);
}

void ZelSimpleButton::SetNormalColour(int32_t c) {
    ColourChanged(m_lngNormal, c, "NormalColour");
}
void ZelSimpleButton::SetHoverColour(int32_t c) {
    ColourChanged(m_lngHover, c, "HoverColour");
}
void ZelSimpleButton::SetPressedColour(int32_t c) {
    ColourChanged(m_lngPressed, c, "PressedColour");
}
void ZelSimpleButton::SetDisabledColour(int32_t c) {
    ColourChanged(m_lngDisabled, c, "DisabledColour");
}
void ZelSimpleButton::SetBorderColour(int32_t c) {
    ColourChanged(m_lngBorder, c, "BorderColour");
}
void ZelSimpleButton::SetLightColour(int32_t c) {
    ColourChanged(m_lngLight, c, "LightColour");
}
void ZelSimpleButton::SetShadeColour(int32_t c) {
    ColourChanged(m_lngShade, c, "ShadeColour");
}
void ZelSimpleButton::SetFocusColour(int32_t c) {
    ColourChanged(m_lngFocus, c, "FocusColour");
}

void ZelSimpleButton::SetGradientDirection(int32_t lngDirection) {
    m_blnDirty = true;
    m_lngDirection = lngDirection;
    Redraw();
    m_host.PropertyChanged("GradientDirection");
}

void ZelSimpleButton::SetResolution(int16_t intResolution) {
    m_intResolution = intResolution;
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    m_blnDirty = true;
    Redraw();
    m_host.PropertyChanged("Resolution");
}

void ZelSimpleButton::UserControl_InitProperties() {
    m_strCaption = "Button";
    m_blnEnabled = true;
    m_lngNormal = 0xEFF3F3;
    m_lngDirection = 1;
    m_lngHover = 0x59C4FA;
    m_lngPressed = 0xD9E1E2;
    m_lngDisabled = 0xC0C0C0;
    m_lngBorder = 0x743C00;
    m_intResolution = 50;
    m_lngLight = 0xFFFFFF;
    m_lngShade = 0xC5D0D6;
    m_lngFocus = 0x59C4FA;
    m_chrAccessKey = GetAccessKey(m_strCaption);
    m_host.SetAccessKey(m_chrAccessKey);
}

void ZelSimpleButton::UserControl_ReadProperties(const IPropertyBag& bag) {
    m_strCaption = ReadProperty<std::string>(bag, "Caption", "Button");
    m_blnEnabled = ReadProperty<bool>(bag, "Enabled", true);
    m_lngNormal = ReadProperty<int32_t>(bag, "NormalColour", 0xEFF3F3);
    m_lngDirection = ReadProperty<int32_t>(bag, "GradientDirection", 1);
    m_lngHover = ReadProperty<int32_t>(bag, "HoverColour", 0x59C4FA);
    m_lngPressed = ReadProperty<int32_t>(bag, "PressedColour", 0xD9E1E2);
    m_lngDisabled = ReadProperty<int32_t>(bag, "DisabledColour", 0xC0C0C0);
    m_lngBorder = ReadProperty<int32_t>(bag, "BorderColour", 0x743C00);
    m_intResolution = static_cast<int16_t>(ReadProperty<int32_t>(bag, "Resolution", int32_t{50}));
    m_lngLight = ReadProperty<int32_t>(bag, "LightColour", 0xFFFFFF);
    m_lngShade = ReadProperty<int32_t>(bag, "ShadeColour", 0xC5D0D6);
    m_lngFocus = ReadProperty<int32_t>(bag, "FocusColour", 0x59C4FA);
    if (!m_blnEnabled)
        m_enmState = ButtonState::Disabled;
    m_chrAccessKey = GetAccessKey(m_strCaption);
    m_host.SetAccessKey(m_chrAccessKey);
    BuildStopLists();
    UserControl_Resize(m_surface.Width(), m_surface.Height());
    m_host.SetInputEnabled(m_blnEnabled);
}

void ZelSimpleButton::UserControl_WriteProperties(IPropertyBag& bag) const {
    bag.Write("Caption", m_strCaption);
    bag.Write("Enabled", m_blnEnabled);
    bag.Write("NormalColour", m_lngNormal);
    bag.Write("GradientDirection", m_lngDirection);
    bag.Write("HoverColour", m_lngHover);
    bag.Write("PressedColour", m_lngPressed);
    bag.Write("DisabledColour", m_lngDisabled);
    bag.Write("BorderColour", m_lngBorder);
    bag.Write("Resolution", int32_t{m_intResolution});
    bag.Write("LightColour", m_lngLight);
    bag.Write("ShadeColour", m_lngShade);
    bag.Write("FocusColour", m_lngFocus);
}

void ZelSimpleButton::UserControl_Show() {
    if (!m_blnListsBuilt)
        BuildStopLists();
    m_blnDirty = true;
    Redraw();
}

void ZelSimpleButton::UserControl_Resize(int32_t lngWidth, int32_t lngHeight) {
    if (m_surface.Width() != lngWidth || m_surface.Height() != lngHeight)
        m_surface.Resize(lngWidth, lngHeight);
    m_lngClientRight = m_surface.Width();
    m_lngClientBottom = m_surface.Height();
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    if (m_blnListsBuilt) {
        m_blnDirty = true;
        Redraw();
    }
}

void ZelSimpleButton::UserControl_MouseDown(int16_t intButton, int16_t, float, float) {
    if (!m_blnEnabled || intButton != kLeftButton)
        return;
    m_enmState = ButtonState::Pressed;
    Redraw();
}

void ZelSimpleButton::UserControl_MouseMove(int16_t intButton, int16_t intShift, float x, float y) {
    if (!m_blnEnabled)
        return;
    if (MouseMove)
        MouseMove(intButton, intShift, x, y);
    if (intButton == 0) {
        m_enmState = ButtonState::Hover;
        Redraw();
    }
}

void ZelSimpleButton::UserControl_MouseUp(int16_t intButton, int16_t, float x, float y) {
    if (!m_blnEnabled)
        return;
    if (intButton == kLeftButton) {
        // Strictly inside: a release on the left or top edge (x = 0 or y = 0) is outside.
        const bool inside = x > 0 && x < static_cast<float>(m_surface.Width()) && y > 0 &&
                            y < static_cast<float>(m_surface.Height());
        m_enmState = inside ? ButtonState::Hover : ButtonState::Normal;
    }
    Redraw();
}

// A disabled button must never run its command: gating the buttons is what keeps a running
// command from being started twice.
void ZelSimpleButton::UserControl_Click() {
    if (m_blnEnabled && Click)
        Click();
}

void ZelSimpleButton::UserControl_KeyDown(int16_t intKeyCode, int16_t) {
    if (intKeyCode == 13 || intKeyCode == 32)
        m_intKeyDown = intKeyCode;
}

void ZelSimpleButton::UserControl_KeyUp(int16_t intKeyCode, int16_t) {
    if (intKeyCode != 13 && intKeyCode != 32)
        return;
    const bool blnPressedHere = m_intKeyDown == intKeyCode;
    m_intKeyDown = 0;
    if (blnPressedHere && m_blnEnabled && Click)
        Click();
}

void ZelSimpleButton::UserControl_AccessKeyPress(char) {
    if (m_blnEnabled && Click)
        Click();
}

void ZelSimpleButton::UserControl_GotFocus() {
    m_blnHasFocus = true;
    if (!m_blnEnabled)
        return;
    m_enmState = ButtonState::Focus;
    Redraw();
}

void ZelSimpleButton::UserControl_LostFocus() {
    m_blnHasFocus = false;
    m_intKeyDown = 0;
    if (!m_blnEnabled)
        return;
    m_enmState = ButtonState::Normal;
    Redraw();
}

void ZelSimpleButton::tmrRelease_Timer() {
    if (m_enmState != ButtonState::Hover) {
        m_tmrRelease.Stop();
        return;
    }
    int32_t x = 0, y = 0;
    if (!m_host.CursorClientPos(x, y))
        return;
    // A pointer exactly on the far edge (x = width or y = height) still counts as inside.
    const bool outside = x < 0 || x > m_surface.Width() || y < 0 || y > m_surface.Height();
    if (outside) {
        m_enmState = m_enmReturn;
        Redraw();
    }
}

} // namespace ata
