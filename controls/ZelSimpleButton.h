#pragma once

#include "controls/IControlHost.h"
#include "controls/ITextRenderer.h"
#include "controls/PropertyBag.h"
#include "controls/RasterSurface.h"
#include "controls/modColour.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace ata {

enum class ButtonState : int32_t { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3, Focus = 4 };

// A push button drawn from colour gradients, one look per visual state, with a centred,
// word-wrapped caption, an access key and a dark border.
class ZelSimpleButton {
public:
    static constexpr int32_t kReleaseIntervalMs = 100;
    static constexpr int16_t kLeftButton = 1;

    ZelSimpleButton(IControlHost& host, ITextRenderer& text, ITimer& tmrRelease,
                    const ISystemColours& colours = ClassicSystemColours());
    ZelSimpleButton(const ZelSimpleButton&) = delete;
    ZelSimpleButton& operator=(const ZelSimpleButton&) = delete;
    ~ZelSimpleButton();

    // Events.
    std::function<void()> Click;
    std::function<void(int16_t intButton, int16_t intShift, float x, float y)> MouseMove;

    // Properties.
    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& strCaption);
    bool Enabled() const { return m_blnEnabled; }
    void SetEnabled(bool blnEnabled);
    int32_t NormalColour() const { return m_lngNormal; }
    void SetNormalColour(int32_t lngColour);
    int32_t HoverColour() const { return m_lngHover; }
    void SetHoverColour(int32_t lngColour);
    int32_t PressedColour() const { return m_lngPressed; }
    void SetPressedColour(int32_t lngColour);
    int32_t DisabledColour() const { return m_lngDisabled; }
    void SetDisabledColour(int32_t lngColour);
    int32_t BorderColour() const { return m_lngBorder; }
    void SetBorderColour(int32_t lngColour);
    int32_t LightColour() const { return m_lngLight; }
    void SetLightColour(int32_t lngColour);
    int32_t ShadeColour() const { return m_lngShade; }
    void SetShadeColour(int32_t lngColour);
    int32_t FocusColour() const { return m_lngFocus; }
    void SetFocusColour(int32_t lngColour);
    int32_t GradientDirection() const { return m_lngDirection; }
    void SetGradientDirection(int32_t lngDirection);
    int16_t Resolution() const { return m_intResolution; }
    void SetResolution(int16_t intResolution);

    // Platform events.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const IPropertyBag& bag);
    void UserControl_WriteProperties(IPropertyBag& bag) const;
    void UserControl_Show();
    void UserControl_Resize(int32_t lngWidth, int32_t lngHeight);
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
    const CRasterSurface& Surface() const { return m_surface; }
    const CRasterSurface& SavePic() const { return m_savePic; }

    // The character after the first "&" that is followed by neither "&" nor a space.
    static char GetAccessKey(const std::string& strCaption);

private:
    void BuildStopLists();
    void Redraw();
    void ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName);
    int32_t Drawn(int32_t lngColour) const { return ResolveSystemColour(lngColour, m_colours); }

    IControlHost& m_host;
    ITextRenderer& m_text;
    ITimer& m_tmrRelease;
    const ISystemColours& m_colours;

    std::string m_strCaption = "Button";
    bool m_blnEnabled = true;
    int32_t m_lngNormal = 0xEFF3F3;
    int32_t m_lngDirection = 1;
    int32_t m_lngHover = 0x59C4FA;
    int32_t m_lngPressed = 0xD9E1E2;
    int32_t m_lngDisabled = 0xC0C0C0;
    int32_t m_lngBorder = 0x743C00;
    int16_t m_intResolution = 50;
    int32_t m_lngLight = 0xFFFFFF;
    int32_t m_lngShade = 0xC5D0D6;
    int32_t m_lngFocus = 0x59C4FA;

    ButtonState m_enmState = ButtonState::Normal;
    ButtonState m_enmLastDrawn = ButtonState::Normal;
    ButtonState m_enmReturn = ButtonState::Normal;
    bool m_blnDirty = false;
    bool m_blnListsBuilt = false;
    bool m_blnHasFocus = false;
    int16_t m_intKeyDown = 0; // Enter or Space pressed on the button and not yet released
    std::array<std::string, 5> m_strLists;
    int32_t m_lngClientRight = 0;
    int32_t m_lngClientBottom = 0;
    int32_t m_lngCaptionHeight = 0;
    char m_chrAccessKey = '\0';
    CRasterSurface m_surface;
    CRasterSurface m_savePic;
};

} // namespace ata
