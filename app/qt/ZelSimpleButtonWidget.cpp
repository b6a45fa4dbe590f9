#include "app/qt/ZelSimpleButtonWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcutEvent>

namespace ata {

ZelSimpleButtonWidget::ZelSimpleButtonWidget(ITimerService& timers, const QString& caption,
                                             QWidget* parent)
    : HostedControl(parent, timers) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_control.Click = [this] { emit clicked(); };
    m_control.SetCaption(caption.toLatin1().toStdString());
}

void ZelSimpleButtonWidget::applyWindowProperties(const QString& caption) {
    CMemoryPropertyBag bag;
    bag.Write("Caption", caption.toLatin1().toStdString());
    bag.Write("HoverColour", int32_t{0xFFFF00});
    bag.Write("FocusColour", int32_t{0x00FF00});
    m_control.UserControl_ReadProperties(bag);
}

bool ZelSimpleButtonWidget::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(e)->shortcutId() == m_host.ShortcutId()) {
        m_control.UserControl_AccessKeyPress(m_control.AccessKey());
        return true;
    }
    return QWidget::event(e);
}

void ZelSimpleButtonWidget::mousePressEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_control.UserControl_MouseDown(ButtonMask(e->button()), ShiftMask(e->modifiers()),
                                    static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void ZelSimpleButtonWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_control.UserControl_MouseMove(ButtonMask(e->buttons()), ShiftMask(e->modifiers()),
                                    static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void ZelSimpleButtonWidget::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_control.UserControl_MouseUp(ButtonMask(e->button()), ShiftMask(e->modifiers()),
                                  static_cast<float>(p.x()), static_cast<float>(p.y()));
    // A click is a left press released over the control.
    if (e->button() == Qt::LeftButton && rect().contains(p.toPoint()))
        m_control.UserControl_Click();
}

namespace {

int16_t KeyCode(const QKeyEvent& e) {
    if (e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter)
        return 13;
    if (e.key() == Qt::Key_Space)
        return 32;
    if (e.key() >= 0 && e.key() < 0x100)
        return static_cast<int16_t>(e.key());
    return 0;
}

} // namespace

void ZelSimpleButtonWidget::keyPressEvent(QKeyEvent* e) {
    if (!e->isAutoRepeat())
        m_control.UserControl_KeyDown(KeyCode(*e), ShiftMask(e->modifiers()));
    QWidget::keyPressEvent(e);
}

void ZelSimpleButtonWidget::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    m_control.UserControl_KeyUp(KeyCode(*e), ShiftMask(e->modifiers()));
}

void ZelSimpleButtonWidget::focusInEvent(QFocusEvent*) {
    m_control.UserControl_GotFocus();
}

void ZelSimpleButtonWidget::focusOutEvent(QFocusEvent*) {
    m_control.UserControl_LostFocus();
}

void ZelSimpleButtonWidget::changeEvent(QEvent* e) {
    // Enabling through QWidget::setEnabled reaches the control too.
    if (e->type() == QEvent::EnabledChange && isEnabled() != m_control.Enabled())
        m_control.SetEnabled(isEnabled());
    // The caption is laid out in the widget's font: a new font means a new layout.
    if (e->type() == QEvent::FontChange)
        m_control.UserControl_Resize(width(), height());
    QWidget::changeEvent(e);
}

} // namespace ata
