#pragma once

#include "app/qt/HostedControl.h"
#include "controls/LED.h"

namespace ata {

// Hosts an LED lamp.
class LedWidget : public HostedControl<LED> {
    Q_OBJECT
public:
    // name is the lamp's control name; a new lamp shows it as its caption.
    explicit LedWidget(const QString& name = QStringLiteral("LED"), QWidget* parent = nullptr);

    // The window's lamps: light grey on the button-face colour, with their caption.
    void applyWindowProperties(const QString& caption);
    // Colour word 0x00BBGGRR. A new colour is a new state, which screen readers hear of.
    void setFillColor(int32_t lngColour);
    int32_t fillColor() const { return m_control.FillColor(); }
    void setBackColor(int32_t lngColour) { m_control.SetBackColor(lngColour); }
};

} // namespace ata
