#include "controls/ZelSimpleButton.h"

#include "controls/modGradient.h"

namespace ata {

namespace {

size_t Index(ButtonState enmState) {
    return static_cast<size_t>(enmState);
}

} // namespace

ZelSimpleButton::ZelSimpleButton(IControlHost& host, ITextRenderer& text, ITimerService& timers,
                                 const ISystemColours& colours)
    : CGradientControl(host, text, colours), m_timers(timers) {
    VisitProperties(*this, CSetDefaults{});
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
    const std::string L = Dec(m_lngLight), N = Dec(m_lngNormal), S = Dec(m_lngShade);
    const auto look = [&](int32_t lngColour) {
        return "0," + L + "#10," + Dec(lngColour) + "#90," + N + "#100," + S;
    };
    m_strLists[Index(ButtonState::Normal)] = look(m_lngNormal);
    m_strLists[Index(ButtonState::Hover)] = look(m_lngHover);
    m_strLists[Index(ButtonState::Focus)] = look(m_lngFocus);
    m_strLists[Index(ButtonState::Pressed)] = look(m_lngPressed);
    m_strLists[Index(ButtonState::Disabled)] = "0," + Dec(m_lngDisabled) + "#90," + N + "#100," + S;
    m_blnListsBuilt = true;
}

void ZelSimpleButton::Redraw() {
    if (m_enmState == m_enmLastDrawn && !m_blnDirty)
        return;
    const CTextFont font = MakeTextFont(m_text.DefaultFont(), m_text.PixelsPerInchY(), true);
    const uint32_t flags = tfCentre | tfWordWrap;
    const int32_t right = m_surface.Width(), bottom = m_surface.Height();
    const int32_t lngCaptionHeight =
        m_text.MeasureText(font, m_strCaption, CTextRect{0, 0, right, bottom}, flags);

    if (m_enmState == ButtonState::Hover) {
        // The look to go back to when the pointer leaves. A repaint of the hover look itself
        // keeps the earlier choice, and a finished press goes back to the resting look: taking
        // either as the look to return to would leave the hover or pressed look on the screen
        // after the pointer has gone.
        if (m_enmLastDrawn == ButtonState::Pressed)
            m_enmReturn = m_blnHasFocus ? ButtonState::Focus : ButtonState::Normal;
        else if (m_enmLastDrawn != ButtonState::Hover)
            m_enmReturn = m_enmLastDrawn;
        if (!m_hndRelease.IsArmed())
            m_hndRelease = m_timers.Start(kReleaseIntervalMs, [this] { tmrRelease_Timer(); });
    }
    PaintGradient(m_savePic, Drawn(m_lngNormal), m_surface, StopList(m_enmState), m_lngDirection);
    m_enmLastDrawn = m_enmState;
    m_blnDirty = false;

    if (!m_strCaption.empty()) {
        const int32_t t = (bottom - 0 - lngCaptionHeight) / 2;
        m_text.DrawText(m_surface, font, m_strCaption, CTextRect{0, t, right, bottom},
                        flags | tfNoClip, 0x000000);
    }
    DrawBox(m_surface, 0, 0, m_surface.Width(), m_surface.Height(), 0, Drawn(m_lngBorder), 2, true);
    m_host.Present();
}

void ZelSimpleButton::AccessKeyChanged() {
    m_chrAccessKey = GetAccessKey(m_strCaption);
    m_host.SetAccessKey(m_chrAccessKey);
}

void ZelSimpleButton::SetCaption(const std::string& strCaption) {
    m_strCaption = strCaption;
    AccessKeyChanged();
    Changed("Caption");
}

void ZelSimpleButton::SetEnabled(bool blnEnabled) {
    m_blnEnabled = blnEnabled;
    m_enmState = blnEnabled ? ButtonState::Normal : ButtonState::Disabled;
    Redraw();
    m_host.SetInputEnabled(blnEnabled);
    m_host.PropertyChanged("Enabled");
}

void ZelSimpleButton::SetHoverColour(int32_t c) {
    ColourChanged(m_lngHover, c, "HoverColour", true);
}
void ZelSimpleButton::SetPressedColour(int32_t c) {
    ColourChanged(m_lngPressed, c, "PressedColour", true);
}
void ZelSimpleButton::SetDisabledColour(int32_t c) {
    ColourChanged(m_lngDisabled, c, "DisabledColour", true);
}
void ZelSimpleButton::SetFocusColour(int32_t c) {
    ColourChanged(m_lngFocus, c, "FocusColour", true);
}

void ZelSimpleButton::UserControl_InitProperties() {
    VisitProperties(*this, CSetDefaults{});
    AccessKeyChanged();
}

void ZelSimpleButton::UserControl_ReadProperties(const IPropertyBag& bag) {
    VisitProperties(*this, CReadFrom{bag});
    if (!m_blnEnabled)
        m_enmState = ButtonState::Disabled;
    AccessKeyChanged();
    PropertiesRead();
    m_host.SetInputEnabled(m_blnEnabled);
}

void ZelSimpleButton::UserControl_WriteProperties(IPropertyBag& bag) const {
    VisitProperties(*this, CWriteTo{bag});
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
    // The timer ticks until it is stopped: it is armed again first, as it was while it ran.
    m_hndRelease.Restart(kReleaseIntervalMs);
    if (m_enmState != ButtonState::Hover) {
        m_hndRelease.Cancel();
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
