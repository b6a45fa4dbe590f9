#include "app/qt/LedWidget.h"

#include <QAccessible>

namespace ata {

LedWidget::LedWidget(const QString& name, QWidget* parent)
    : QWidget(parent), m_text(this), m_host(*this, m_text),
      m_led(m_host, m_text, name.toLatin1().toStdString(), m_colours) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_led.UserControl_InitProperties();
    m_led.UserControl_Resize(width(), height());
}

void LedWidget::applyWindowProperties(const QString& caption) {
    CMemoryPropertyBag bag;
    bag.Write("BTXT", caption.toLatin1().toStdString());
    bag.Write("FDC", int32_t{0xE0E0E0});
    bag.Write("BDC", kSysColourButtonFace);
    bag.Write("ALLO", true);
    m_led.UserControl_ReadProperties(bag);
    m_led.Redraw();
}

void LedWidget::setCaption(const QString& caption) {
    m_led.SetCaption(caption.toLatin1().toStdString());
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
}

void LedWidget::setFillColor(int32_t lngColour) {
    const bool blnChanged = lngColour != m_led.FillColor();
    m_led.SetFillColor(lngColour);
    // The lamp's name carries its state in words.
    if (blnChanged) {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
    }
}

QString LedWidget::caption() const {
    return QString::fromLatin1(m_led.Caption().c_str());
}

void LedWidget::paintEvent(QPaintEvent*) {
    // A repaint made for another device scale is made again before it is shown.
    if (m_text.ScaleChanged())
        m_led.UserControl_Resize(width(), height());
    PaintControl(*this, m_led.Surface(), m_text);
}

void LedWidget::resizeEvent(QResizeEvent*) {
    m_led.UserControl_Resize(width(), height());
}

void LedWidget::showEvent(QShowEvent*) {
    m_led.UserControl_Show();
}

} // namespace ata
