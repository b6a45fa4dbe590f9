#include "controls/GradientControl.h"

#include "controls/modGradient.h"

namespace ata {

void CGradientControl::Changed(const char* strName) {
    m_blnDirty = true;
    Redraw();
    m_host.PropertyChanged(strName);
}

void CGradientControl::ColourChanged(int32_t& lngField, int32_t lngColour, const char* strName,
                                     bool blnRebuild) {
    lngField = ResolveSystemColour(lngColour, m_colours);
    if (blnRebuild)
        BuildStopLists();
    Changed(strName);
}

void CGradientControl::SetNormalColour(int32_t c) {
    ColourChanged(m_lngNormal, c, "NormalColour", true);
}
void CGradientControl::SetBorderColour(int32_t c) {
    ColourChanged(m_lngBorder, c, "BorderColour", true);
}
void CGradientControl::SetLightColour(int32_t c) {
    ColourChanged(m_lngLight, c, "LightColour", true);
}
void CGradientControl::SetShadeColour(int32_t c) {
    ColourChanged(m_lngShade, c, "ShadeColour", true);
}

void CGradientControl::SetResolution(int16_t intResolution) {
    m_intResolution = intResolution;
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    Changed("Resolution");
}

void CGradientControl::PropertiesRead() {
    BuildStopLists();
    UserControl_Resize(m_surface.Width(), m_surface.Height());
}

void CGradientControl::UserControl_Show() {
    if (!m_blnListsBuilt)
        BuildStopLists();
    m_blnDirty = true;
    Redraw();
}

void CGradientControl::UserControl_Resize(int32_t lngWidth, int32_t lngHeight) {
    if (m_surface.Width() != lngWidth || m_surface.Height() != lngHeight)
        m_surface.Resize(lngWidth, lngHeight);
    SizeBuffer(m_savePic, m_surface.Width(), m_surface.Height(), m_intResolution);
    if (m_blnListsBuilt) {
        m_blnDirty = true;
        Redraw();
    }
}

} // namespace ata
