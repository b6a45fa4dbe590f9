#pragma once

#include "app/qt/QtControlSupport.h"
#include "app/qt/QtTextRenderer.h"
#include "controls/LED.h"

#include <QWidget>

namespace ata {

// Hosts an LED lamp and paints its surface.
class LedWidget : public QWidget {
    Q_OBJECT
public:
    // name is the lamp's control name; a new lamp shows it as its caption.
    explicit LedWidget(const QString& name = QStringLiteral("LED"), QWidget* parent = nullptr);

    // The window's lamps: light grey on the button-face colour, with their caption.
    void applyWindowProperties(const QString& caption);
    void setCaption(const QString& caption);
    QString caption() const;
    // Colour word 0x00BBGGRR. A new colour is a new state, which screen readers hear of.
    void setFillColor(int32_t lngColour);
    int32_t fillColor() const { return m_led.FillColor(); }
    void setBackColor(int32_t lngColour) { m_led.SetBackColor(lngColour); }
    LED& control() { return m_led; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QtTextRenderer m_text;
    QtSystemColours m_colours;
    QtWidgetHost m_host;
    LED m_led;
};

} // namespace ata
