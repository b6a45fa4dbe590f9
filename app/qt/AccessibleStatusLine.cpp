#include "app/qt/AccessibleStatusLine.h"

#include <algorithm>

namespace ata {

AccessibleStatusLine::AccessibleStatusLine(ZelLabelWidget* label)
    : AccessibleControl(label, QAccessible::StatusBar) {}

void* AccessibleStatusLine::interface_cast(QAccessible::InterfaceType enmType) {
    if (enmType == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return AccessibleControl::interface_cast(enmType);
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
