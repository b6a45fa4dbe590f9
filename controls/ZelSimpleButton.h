#pragma once

#include "base/ITimerService.h"
#include "controls/GradientControl.h"
#include "controls/PropertyBag.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace ata {

enum class ButtonState : int32_t { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3, Focus = 4 };

// A push button drawn from colour gradients, one look per visual state, with a centred,
// word-wrapped caption, an access key and a dark border.
class ZelSimpleButton final : public CGradientControl {
public:
    static constexpr int32_t kReleaseIntervalMs = 100;
    static constexpr int16_t kLeftButton = 1;

    // timers serves the hover-release timer: one tick every kReleaseIntervalMs while the
    // hover look shows.
    ZelSimpleButton(IControlHost& host, ITextRenderer& text, ITimerService& timers,
                    const ISystemColours& colours = ClassicSystemColours());

    // Events.
    std::function<void()> Click;
    std::function<void(int16_t intButton, int16_t intShift, float x, float y)> MouseMove;

    // Properties.
    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& strCaption);
    bool Enabled() const { return m_blnEnabled; }
    void SetEnabled(bool blnEnabled);
    int32_t HoverColour() const { return m_lngHover; }
    void SetHoverColour(int32_t lngColour);
    int32_t PressedColour() const { return m_lngPressed; }
    void SetPressedColour(int32_t lngColour);
    int32_t DisabledColour() const { return m_lngDisabled; }
    void SetDisabledColour(int32_t lngColour);
    int32_t FocusColour() const { return m_lngFocus; }
    void SetFocusColour(int32_t lngColour);

    // Platform events.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const IPropertyBag& bag);
    void UserControl_WriteProperties(IPropertyBag& bag) const;
    void UserControl_MouseDown(int16_t intButton, int16_t intShift, float x, float y);
    void UserControl_MouseMove(int16_t intButton, int16_t intShift, float x, float y);
    void UserControl_MouseUp(int16_t intButton, int16_t intShift, float x, float y);
    void UserControl_Click();
    // Enter (13) or Space (32) raises Click when it is released, but only when it was also
    // pressed on this button: the release of a key pressed elsewhere (for example Enter that
    // closed a message box) is not a click.
    void UserControl_KeyDown(int16_t intKeyCode, int16_t intShift);
    void UserControl_KeyUp(int16_t intKeyCode, int16_t intShift);
    void UserControl_AccessKeyPress(char chrKey);
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    void tmrRelease_Timer();

    // Inspection.
    ButtonState State() const { return m_enmState; }
    ButtonState LastDrawn() const { return m_enmLastDrawn; }
    ButtonState ReturnState() const { return m_enmReturn; }
    char AccessKey() const { return m_chrAccessKey; }
    const std::string& StopList(ButtonState enmState) const;

    // The character after the first "&" that is followed by neither "&" nor a space.
    static char GetAccessKey(const std::string& strCaption);

private:
    template <typename Self, typename Visit>
    static void VisitProperties(Self& self, Visit&& visit) {
        VisitLook(self, visit);
        visit("Caption", self.m_strCaption, "Button");
        visit("Enabled", self.m_blnEnabled, true);
        visit("HoverColour", self.m_lngHover, 0x59C4FA);
        visit("PressedColour", self.m_lngPressed, 0xD9E1E2);
        visit("DisabledColour", self.m_lngDisabled, 0xC0C0C0);
        visit("FocusColour", self.m_lngFocus, 0x59C4FA);
    }
    void BuildStopLists() override;
    void Redraw() override;
    void AccessKeyChanged();

    ITimerService& m_timers;
    TimerHandle m_hndRelease;

    std::string m_strCaption;
    bool m_blnEnabled = true;
    int32_t m_lngHover = 0;
    int32_t m_lngPressed = 0;
    int32_t m_lngDisabled = 0;
    int32_t m_lngFocus = 0;

    ButtonState m_enmState = ButtonState::Normal;
    ButtonState m_enmLastDrawn = ButtonState::Normal;
    ButtonState m_enmReturn = ButtonState::Normal;
    bool m_blnHasFocus = false;
    int16_t m_intKeyDown = 0; // Enter or Space pressed on the button and not yet released
    std::array<std::string, 5> m_strLists;
    char m_chrAccessKey = '\0';
};

} // namespace ata
