#include "app/qt/AccessibleButton.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>

namespace ata {

AccessibleButton::AccessibleButton(ZelSimpleButtonWidget* button)
    : AccessibleControl(button, QAccessible::PushButton) {}

QString AccessibleButton::Shortcut() const {
    const char chrKey = Control()->control().AccessKey();
    if (chrKey == '\0')
        return {};
    const int intKey = QChar::fromLatin1(chrKey).toUpper().unicode();
    return QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(intKey)))
        .toString(QKeySequence::PortableText);
}

QString AccessibleButton::Name() const {
    return widget()->accessibleName().isEmpty() ? Shown() : widget()->accessibleName();
}

QString AccessibleButton::text(QAccessible::Text enmText) const {
    if (enmText == QAccessible::Accelerator)
        return Shortcut();
    return AccessibleControl::text(enmText);
}

QStringList AccessibleButton::actionNames() const {
    // Press first: a screen reader's default action is the first one.
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

// The press is the key press and release of Space on the button, delivered from the event loop
// as the keyboard's are: the screen reader's call returns at once rather than when the command
// ends, and a disabled button ignores it as it ignores the keyboard.
void AccessibleButton::doAction(const QString& strAction) {
    if (strAction != pressAction()) {
        QAccessibleWidget::doAction(strAction);
        return;
    }
    // The button is the timer's context: a button gone by then receives nothing.
    QWidget* button = widget();
    QTimer::singleShot(0, button, [button] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(button, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(button, &release);
    });
}

// The access key presses the button; no key only gives it the focus.
QStringList AccessibleButton::keyBindingsForAction(const QString& strAction) const {
    if (strAction == pressAction() && !Shortcut().isEmpty())
        return {Shortcut()};
    return {};
}

} // namespace ata
