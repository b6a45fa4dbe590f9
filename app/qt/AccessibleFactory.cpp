#include "app/qt/AccessibleFactory.h"

#include "app/qt/AccessibleButton.h"
#include "app/qt/AccessibleLamp.h"
#include "app/qt/AccessibleStatusLine.h"
#include "app/qt/LedWidget.h"
#include "app/qt/MainWindow.h"
#include "app/qt/ZelLabelWidget.h"
#include "app/qt/ZelSimpleButtonWidget.h"

namespace ata {

namespace {

// Qt keeps each interface made here in its cache and deletes it with its object, so they are
// handed over as plain pointers.
QAccessibleInterface* MakeAccessible(const QString&, QObject* object) {
    if (auto* button = qobject_cast<ZelSimpleButtonWidget*>(object))
        return new AccessibleButton(button);
    if (auto* label = qobject_cast<ZelLabelWidget*>(object))
        return new AccessibleStatusLine(label);
    if (auto* lamp = qobject_cast<LedWidget*>(object))
        return new AccessibleLamp(lamp);
    // The window is a frame named by its title (a plain widget would be an unnamed filler).
    if (auto* window = qobject_cast<MainWindow*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallAccessibleControls() {
    QAccessible::installFactory(&MakeAccessible);
}

} // namespace ata
