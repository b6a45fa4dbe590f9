#include "app/qt/ZelLabelWidget.h"

#include "app/qt/AccessibleText.h"

namespace ata {

ZelLabelWidget::ZelLabelWidget(QWidget* parent) : HostedControl(parent) {}

void ZelLabelWidget::applyStatusLineProperties() {
    CMemoryPropertyBag bag;
    bag.Write("Caption", std::string("Status"));
    bag.Write("NormalColour", int32_t{0x80C0FF});
    bag.Write("LightColour", int32_t{0xFFFFC0});
    bag.Write("ShadeColour", int32_t{0x808000});
    bag.Write("LabelFont", CFontSpec{"Arial", 8.25, true});
    bag.Write("Alignment", int32_t{2});
    m_control.UserControl_ReadProperties(bag);
    m_control.UserControl_Show();
}

void ZelLabelWidget::setCaption(const QString& caption) {
    const QString before = ShownCaption(this->caption());
    // The name change says that the text changed; the text update carries the text itself, so
    // that a reader has it even while a command keeps the window from answering questions.
    HostedControl::setCaption(caption);
    QAccessibleTextUpdateEvent textChanged(this, 0, before, ShownCaption(this->caption()));
    QAccessible::updateAccessibility(&textChanged);
}

} // namespace ata
