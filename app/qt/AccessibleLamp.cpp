#include "app/qt/AccessibleLamp.h"

#include "app/qt/AccessibleText.h"
#include "app/qt/LedWidget.h"
#include "workflow/IWindowOps.h"

namespace ata {

AccessibleLamp::AccessibleLamp(LedWidget* lamp)
    : QAccessibleWidget(lamp, QAccessible::StaticText) {}

QString AccessibleLamp::text(QAccessible::Text enmText) const {
    if (enmText != QAccessible::Name)
        return QAccessibleWidget::text(enmText);
    const auto* lamp = static_cast<const LedWidget*>(widget());
    return ShownCaption(lamp->caption()) + QStringLiteral(": ") + LampStateWord(lamp->fillColor());
}

QString LampStateWord(int32_t lngColour) {
    switch (lngColour) {
    case kColourGreen:
        return QStringLiteral("yes");
    case kColourRed:
        return QStringLiteral("no");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace ata
