#include "app/qt/LedWidget.h"

namespace ata {

LedWidget::LedWidget(const QString& name, QWidget* parent)
    : HostedControl(parent, name.toLatin1().toStdString()) {}

void LedWidget::applyWindowProperties(const QString& caption) {
    CMemoryPropertyBag bag;
    bag.Write("BTXT", caption.toLatin1().toStdString());
    bag.Write("FDC", int32_t{0xE0E0E0});
    bag.Write("BDC", kSysColourButtonFace);
    bag.Write("ALLO", true);
    m_control.UserControl_ReadProperties(bag);
    m_control.Redraw();
}

void LedWidget::setFillColor(int32_t lngColour) {
    const bool blnChanged = lngColour != m_control.FillColor();
    m_control.SetFillColor(lngColour);
    // The lamp's name carries its state in words.
    if (blnChanged)
        NameChanged();
}

} // namespace ata
