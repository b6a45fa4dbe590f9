#pragma once

#include "controls/IControlHost.h"
#include "controls/ITextRenderer.h"
#include "controls/PropertyBag.h"
#include "controls/RasterSurface.h"
#include "controls/modColour.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ata {

// A text display on a two- or three-colour gradient, with its own font, alignment, an
// optional halo around the letters and an optional border.
class ZelLabel {
public:
    ZelLabel(IControlHost& host, ITextRenderer& text,
             const ISystemColours& colours = ClassicSystemColours());

    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& strCaption);
    int32_t NormalColour() const { return m_lngNormal; }
    void SetNormalColour(int32_t lngColour);
    int32_t BorderColour() const { return m_lngBorder; }
    void SetBorderColour(int32_t lngColour);
    int32_t LightColour() const { return m_lngLight; }
    void SetLightColour(int32_t lngColour);
    int32_t ShadeColour() const { return m_lngShade; }
    void SetShadeColour(int32_t lngColour);
    int32_t OuterColour() const { return m_lngOuter; }
    void SetOuterColour(int32_t lngColour);
    int16_t Resolution() const { return m_intResolution; }
    void SetResolution(int16_t intResolution);
    int32_t GradientDirection() const { return m_lngDirection; }
    void SetGradientDirection(int32_t lngDirection);
    bool DrawBorder() const { return m_blnDrawBorder; }
    void SetDrawBorder(bool blnValue);
    int32_t Alignment() const { return m_lngAlignment; }
    void SetAlignment(int32_t lngAlignment);
    bool TriColour() const { return m_blnTriColour; }
    void SetTriColour(bool blnValue);
    bool DrawOuter() const { return m_blnDrawOuter; }
    void SetDrawOuter(bool blnValue);
    // No font (nullopt) draws no caption.
    const std::optional<CFontSpec>& LabelFont() const { return m_fontLabel; }
    void SetLabelFont(const std::optional<CFontSpec>& font);

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const IPropertyBag& bag);
    void UserControl_WriteProperties(IPropertyBag& bag) const;
    void UserControl_Show();
    void UserControl_Resize(int32_t lngWidth, int32_t lngHeight);

    const std::string& TwoColourList() const { return m_strTwoList; }
    const std::string& ThreeColourList() const { return m_strThreeList; }
    const CRasterSurface& Surface() const { return m_surface; }

private:
    void BuildStopLists();
    void Redraw();
    void DrawCaptionText(const CTextRect& rect, uint32_t lngFlags);
    void ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName, bool blnRebuild);
    void Changed(const char* strName);
    int32_t Drawn(int32_t lngColour) const { return ResolveSystemColour(lngColour, m_colours); }

    IControlHost& m_host;
    ITextRenderer& m_text;
    const ISystemColours& m_colours;

    std::string m_strCaption = "Zel Label";
    int32_t m_lngNormal = 0xEFF3F3;
    int32_t m_lngDirection = 1;
    int32_t m_lngBorder = 0x743C00;
    int16_t m_intResolution = 50;
    int32_t m_lngLight = 0xFFFFFF;
    int32_t m_lngShade = 0xC5D0D6;
    std::optional<CFontSpec> m_fontLabel;
    bool m_blnDrawBorder = false;
    int32_t m_lngAlignment = 0;
    bool m_blnTriColour = false;
    int32_t m_lngOuter = 0xFFFFFF;
    bool m_blnDrawOuter = false;

    bool m_blnDirty = false;
    bool m_blnListsBuilt = false;
    std::string m_strTwoList;
    std::string m_strThreeList;
    int32_t m_lngCaptionHeight = 0;
    CRasterSurface m_surface;
    CRasterSurface m_savePic;
};

} // namespace ata
