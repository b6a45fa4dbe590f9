#include "app/qt/AccessibleStatusLine.h"

#include "app/qt/AccessibleText.h"
#include "app/qt/ZelLabelWidget.h"

#include <algorithm>

namespace ata {

AccessibleStatusLine::AccessibleStatusLine(ZelLabelWidget* label)
    : QAccessibleWidget(label, QAccessible::StatusBar) {}

QString AccessibleStatusLine::Shown() const {
    return ShownCaption(static_cast<ZelLabelWidget*>(widget())->caption());
}

QString AccessibleStatusLine::text(QAccessible::Text enmText) const {
    if (enmText == QAccessible::Name)
        return Shown();
    return QAccessibleWidget::text(enmText);
}

void* AccessibleStatusLine::interface_cast(QAccessible::InterfaceType enmType) {
    if (enmType == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(enmType);
}

void AccessibleStatusLine::selection(int, int* intStart, int* intEnd) const {
    *intStart = *intEnd = 0;
}

QString AccessibleStatusLine::text(int intStart, int intEnd) const {
    const QString shown = Shown();
    if (intEnd < 0 || intEnd > shown.size())
        intEnd = static_cast<int>(shown.size());
    intStart = std::clamp(intStart, 0, intEnd);
    return shown.mid(intStart, intEnd - intStart);
}

int AccessibleStatusLine::characterCount() const {
    return static_cast<int>(Shown().size());
}

QString AccessibleStatusLine::attributes(int intOffset, int* intStart, int* intEnd) const {
    *intStart = *intEnd = intOffset;
    return {};
}

} // namespace ata
