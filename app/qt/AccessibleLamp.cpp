#include "app/qt/AccessibleLamp.h"

#include "workflow/IWindowOps.h"

namespace ata {

AccessibleLamp::AccessibleLamp(LedWidget* lamp)
    : AccessibleControl(lamp, QAccessible::StaticText) {}

QString AccessibleLamp::Name() const {
    return Shown() + QStringLiteral(": ") + LampStateWord(Control()->fillColor());
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
