#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>

namespace ata {

class ZelSimpleButtonWidget;

// A drawn button as a screen reader meets it: a push button named by its caption, its access
// key as its shortcut, and a press action.
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(ZelSimpleButtonWidget* button);

    QString text(QAccessible::Text enmText) const override;
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;
    QStringList keyBindingsForAction(const QString& strAction) const override;

private:
    ZelSimpleButtonWidget* Button() const;
    // "Alt+L" for the access key L; empty without one.
    QString Shortcut() const;
};

} // namespace ata
