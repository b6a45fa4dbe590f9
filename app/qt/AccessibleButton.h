#pragma once

#include "app/qt/AccessibleControl.h"
#include "app/qt/ZelSimpleButtonWidget.h"

#include <QAccessibleActionInterface>

namespace ata {

// A drawn button as a screen reader meets it: a push button named by its caption, its access
// key as its shortcut, and a press action.
class AccessibleButton : public AccessibleControl<ZelSimpleButtonWidget> {
public:
    explicit AccessibleButton(ZelSimpleButtonWidget* button);

    QString text(QAccessible::Text enmText) const override;
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;
    QStringList keyBindingsForAction(const QString& strAction) const override;

private:
    QString Name() const override;
    // "Alt+L" for the access key L; empty without one.
    QString Shortcut() const;
};

} // namespace ata
