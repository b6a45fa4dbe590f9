#include "app/qt/ZelLabelWidget.h"

#include "app/qt/AccessibleText.h"

#include <QAccessible>

namespace ata {

ZelLabelWidget::ZelLabelWidget(QWidget* parent)
    : QWidget(parent), m_text(this), m_host(*this, m_text), m_label(m_host, m_text, m_colours) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_label.UserControl_InitProperties();
    m_label.UserControl_Resize(width(), height());
}

void ZelLabelWidget::applyStatusLineProperties() {
    CMemoryPropertyBag bag;
    bag.Write("Caption", std::string("Status"));
    bag.Write("NormalColour", int32_t{0x80C0FF});
    bag.Write("LightColour", int32_t{0xFFFFC0});
    bag.Write("ShadeColour", int32_t{0x808000});
    bag.Write("LabelFont", CFontSpec{"Arial", 8.25, true});
    bag.Write("Alignment", int32_t{2});
    m_label.UserControl_ReadProperties(bag);
    m_label.UserControl_Show();
}

void ZelLabelWidget::setCaption(const QString& caption) {
    const QString before = ShownCaption(this->caption());
    m_label.SetCaption(caption.toLatin1().toStdString());
    // The name change says that the text changed; the text update carries the text itself, so
    // that a reader has it even while a command keeps the window from answering questions.
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleTextUpdateEvent textChanged(this, 0, before, ShownCaption(this->caption()));
    QAccessible::updateAccessibility(&textChanged);
}

QString ZelLabelWidget::caption() const {
    return QString::fromLatin1(m_label.Caption().c_str());
}

void ZelLabelWidget::paintEvent(QPaintEvent*) {
    // A repaint made for another device scale is made again before it is shown.
    if (m_text.ScaleChanged())
        m_label.UserControl_Resize(width(), height());
    PaintControl(*this, m_label.Surface(), m_text);
}

void ZelLabelWidget::resizeEvent(QResizeEvent*) {
    m_label.UserControl_Resize(width(), height());
}

void ZelLabelWidget::showEvent(QShowEvent*) {
    m_label.UserControl_Show();
}

} // namespace ata
