#pragma once

#include "controls/IControlHost.h"
#include "controls/ITextRenderer.h"
#include "controls/RasterSurface.h"
#include "controls/modColour.h"

#include <cstdint>
#include <string>

namespace ata {

// What the gradient controls (the label and the button) have in common: the look's colours,
// direction and resolution with their setters, a surface and the smaller buffer the gradient is
// painted in, colour stop lists built once before the first repaint, and a repaint only when
// something made the look dirty.
class CGradientControl {
public:
    virtual ~CGradientControl() = default;
    CGradientControl(const CGradientControl&) = delete;
    CGradientControl& operator=(const CGradientControl&) = delete;

    int32_t NormalColour() const { return m_lngNormal; }
    void SetNormalColour(int32_t lngColour);
    int32_t BorderColour() const { return m_lngBorder; }
    void SetBorderColour(int32_t lngColour);
    int32_t LightColour() const { return m_lngLight; }
    void SetLightColour(int32_t lngColour);
    int32_t ShadeColour() const { return m_lngShade; }
    void SetShadeColour(int32_t lngColour);
    int32_t GradientDirection() const { return m_lngDirection; }
    void SetGradientDirection(int32_t lngDirection) {
        Set(m_lngDirection, lngDirection, "GradientDirection");
    }
    int16_t Resolution() const { return m_intResolution; }
    void SetResolution(int16_t intResolution);

    void UserControl_Show();
    void UserControl_Resize(int32_t lngWidth, int32_t lngHeight);

    const CRasterSurface& Surface() const { return m_surface; }
    const CRasterSurface& SavePic() const { return m_savePic; }

protected:
    CGradientControl(IControlHost& host, ITextRenderer& text, const ISystemColours& colours)
        : m_host(host), m_text(text), m_colours(colours) {}

    // The stored properties of the look, for a control's VisitProperties.
    template <typename Self, typename Visit> static void VisitLook(Self& self, Visit&& visit) {
        visit("NormalColour", self.m_lngNormal, 0xEFF3F3);
        visit("GradientDirection", self.m_lngDirection, 1);
        visit("BorderColour", self.m_lngBorder, 0x743C00);
        visit("Resolution", self.m_intResolution, 50);
        visit("LightColour", self.m_lngLight, 0xFFFFFF);
        visit("ShadeColour", self.m_lngShade, 0xC5D0D6);
    }

    virtual void BuildStopLists() = 0;
    // Paints the look again when it is dirty (or the control has its own reason), then
    // presents it.
    virtual void Redraw() = 0;

    // Properties were read from a bag: the lists and the buffer follow them.
    void PropertiesRead();
    // A property changed: the look is painted again and the host told.
    void Changed(const char* strName);
    // Sets a property that only needs the look painted again.
    template <typename T> void Set(T& field, const T& value, const char* strName) {
        field = value;
        Changed(strName);
    }
    void ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName, bool blnRebuild);
    int32_t Drawn(int32_t lngColour) const { return ResolveSystemColour(lngColour, m_colours); }
    // A colour of a stop list, in decimal.
    std::string Dec(int32_t lngColour) const { return std::to_string(Drawn(lngColour)); }

    IControlHost& m_host;
    ITextRenderer& m_text;
    const ISystemColours& m_colours;

    int32_t m_lngNormal = 0;
    int32_t m_lngDirection = 0;
    int32_t m_lngBorder = 0;
    int16_t m_intResolution = 0;
    int32_t m_lngLight = 0;
    int32_t m_lngShade = 0;

    bool m_blnDirty = false;
    bool m_blnListsBuilt = false;
    CRasterSurface m_surface;
    CRasterSurface m_savePic;
};

} // namespace ata
