#pragma once

#include "app/qt/QtTextRenderer.h"
#include "controls/IControlHost.h"
#include "controls/RasterSurface.h"
#include "controls/modColour.h"

#include <Qt>

class QWidget;
class QPaintEvent;

namespace ata {

// System colours from the application's palette; the classic table for the rest.
class QtSystemColours final : public ISystemColours {
public:
    int32_t SystemColour(int32_t lngIndex) const override;
};

// The host services of a drawn control inside a QWidget; text is the control's text renderer,
// told when a repaint is shown.
class QtWidgetHost final : public IControlHost {
public:
    QtWidgetHost(QWidget& widget, QtTextRenderer& text) : m_widget(widget), m_text(text) {}
    void Present() override;
    void PropertyChanged(const std::string&) override {}
    void SetAccessKey(char chrKey) override;
    void SetInputEnabled(bool blnEnabled) override;
    bool CursorClientPos(int32_t& x, int32_t& y) override;
    // Shortcut id of the access key, 0 for none.
    int ShortcutId() const { return m_intShortcut; }

private:
    QWidget& m_widget;
    QtTextRenderer& m_text;
    int m_intShortcut = 0;
};

// Paints a control at the widget's origin: its surface, enlarged pixel for pixel on a dense
// screen, and over it the texts its renderer kept for the screen's resolution.
void PaintControl(QWidget& widget, const CRasterSurface& surface, const QtTextRenderer& text);
// Mouse buttons and modifiers in the controls' masks (left 1, right 2, middle 4; shift 1,
// control 2, alt 4).
int16_t ButtonMask(Qt::MouseButtons buttons);
int16_t ShiftMask(Qt::KeyboardModifiers modifiers);

} // namespace ata
