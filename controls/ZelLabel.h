#pragma once

#include "controls/GradientControl.h"
#include "controls/PropertyBag.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ata {

// A text display on a two- or three-colour gradient, with its own font, alignment, an
// optional halo around the letters and an optional border.
class ZelLabel final : public CGradientControl {
public:
    ZelLabel(IControlHost& host, ITextRenderer& text,
             const ISystemColours& colours = ClassicSystemColours());

    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& strCaption) { Set(m_strCaption, strCaption, "Caption"); }
    int32_t OuterColour() const { return m_lngOuter; }
    void SetOuterColour(int32_t lngColour);
    bool DrawBorder() const { return m_blnDrawBorder; }
    void SetDrawBorder(bool blnValue) { Set(m_blnDrawBorder, blnValue, "DrawBorder"); }
    int32_t Alignment() const { return m_lngAlignment; }
    void SetAlignment(int32_t lngAlignment) { Set(m_lngAlignment, lngAlignment, "Alignment"); }
    bool TriColour() const { return m_blnTriColour; }
    void SetTriColour(bool blnValue) { Set(m_blnTriColour, blnValue, "TriColour"); }
    bool DrawOuter() const { return m_blnDrawOuter; }
    void SetDrawOuter(bool blnValue) { Set(m_blnDrawOuter, blnValue, "DrawOuter"); }
    // No font (nullopt) draws no caption.
    const std::optional<CFontSpec>& LabelFont() const { return m_fontLabel; }
    void SetLabelFont(const std::optional<CFontSpec>& font) { Set(m_fontLabel, font, "LabelFont"); }

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const IPropertyBag& bag);
    void UserControl_WriteProperties(IPropertyBag& bag) const;

    const std::string& TwoColourList() const { return m_strTwoList; }
    const std::string& ThreeColourList() const { return m_strThreeList; }

private:
    template <typename Self, typename Visit>
    static void VisitProperties(Self& self, Visit&& visit) {
        VisitLook(self, visit);
        visit("Caption", self.m_strCaption, "Zel Label");
        visit("LabelFont", self.m_fontLabel, self.m_text.DefaultFont());
        visit("DrawBorder", self.m_blnDrawBorder, false);
        visit("Alignment", self.m_lngAlignment, 0);
        visit("TriColour", self.m_blnTriColour, false);
        visit("OuterColour", self.m_lngOuter, 0xFFFFFF);
        visit("DrawOuter", self.m_blnDrawOuter, false);
    }
    void BuildStopLists() override;
    void Redraw() override;
    void DrawCaptionText(const CTextRect& rect, uint32_t lngFlags);

    std::string m_strCaption;
    std::optional<CFontSpec> m_fontLabel;
    bool m_blnDrawBorder = false;
    int32_t m_lngAlignment = 0;
    bool m_blnTriColour = false;
    int32_t m_lngOuter = 0;
    bool m_blnDrawOuter = false;

    std::string m_strTwoList;
    std::string m_strThreeList;
};

} // namespace ata
