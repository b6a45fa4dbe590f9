#include "app/qt/CommandFocus.h"

#include <QApplication>
#include <QFocusEvent>

namespace ata {

CommandFocus::CommandFocus(QWidget& window) : m_window(window) {
    qApp->installEventFilter(this);
}

CommandFocus::~CommandFocus() {
    qApp->removeEventFilter(this);
}

void CommandFocus::Started(QWidget* button) {
    m_button = button;
    m_blnUserMoved = false;
}

void CommandFocus::Enabled(QWidget* control) {
    if (control != m_button || m_blnUserMoved || control->hasFocus())
        return;
    control->setFocus(Qt::OtherFocusReason);
}

// The user moves the focus with the mouse, Tab and access keys; the window itself moves it when
// it disables or hides the focused control, and the window system when it activates the window
// again after a message box.
bool CommandFocus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn || m_intOwnChanges > 0 || !m_button)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &m_window)
        return false;
    switch (static_cast<QFocusEvent*>(event)->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        m_blnUserMoved = true;
        break;
    default:
        break;
    }
    return false;
}

} // namespace ata
