#include "app/qt/ZelSimpleButtonWidget.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcutEvent>

namespace ata {

ZelSimpleButtonWidget::ZelSimpleButtonWidget(ITimerService& timers, const QString& caption,
                                             QWidget* parent)
    : QWidget(parent), m_text(this), m_host(*this, m_text),
      m_button(m_host, m_text, timers, m_colours) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_button.Click = [this] { emit clicked(); };
    m_button.UserControl_InitProperties();
    m_button.UserControl_Resize(width(), height());
    m_button.SetCaption(caption.toLatin1().toStdString());
}

void ZelSimpleButtonWidget::applyWindowProperties(const QString& caption) {
    CMemoryPropertyBag bag;
    bag.Write("Caption", caption.toLatin1().toStdString());
    bag.Write("HoverColour", int32_t{0xFFFF00});
    bag.Write("FocusColour", int32_t{0x00FF00});
    m_button.UserControl_ReadProperties(bag);
}

void ZelSimpleButtonWidget::setCaption(const QString& caption) {
    m_button.SetCaption(caption.toLatin1().toStdString());
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
}

QString ZelSimpleButtonWidget::caption() const {
    return QString::fromLatin1(m_button.Caption().c_str());
}

bool ZelSimpleButtonWidget::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(e)->shortcutId() == m_host.ShortcutId()) {
        m_button.UserControl_AccessKeyPress(m_button.AccessKey());
        return true;
    }
    return QWidget::event(e);
}

void ZelSimpleButtonWidget::paintEvent(QPaintEvent*) {
    // A repaint made for another device scale is made again before it is shown.
    if (m_text.ScaleChanged())
        m_button.UserControl_Resize(width(), height());
    PaintControl(*this, m_button.Surface(), m_text);
}

void ZelSimpleButtonWidget::resizeEvent(QResizeEvent*) {
    m_button.UserControl_Resize(width(), height());
}

void ZelSimpleButtonWidget::showEvent(QShowEvent*) {
    m_button.UserControl_Show();
}

void ZelSimpleButtonWidget::mousePressEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_button.UserControl_MouseDown(ButtonMask(e->button()), ShiftMask(e->modifiers()),
                                   static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void ZelSimpleButtonWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_button.UserControl_MouseMove(ButtonMask(e->buttons()), ShiftMask(e->modifiers()),
                                   static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void ZelSimpleButtonWidget::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    m_button.UserControl_MouseUp(ButtonMask(e->button()), ShiftMask(e->modifiers()),
                                 static_cast<float>(p.x()), static_cast<float>(p.y()));
    // A click is a left press released over the control.
    if (e->button() == Qt::LeftButton && rect().contains(p.toPoint()))
        m_button.UserControl_Click();
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
        m_button.UserControl_KeyDown(KeyCode(*e), ShiftMask(e->modifiers()));
    QWidget::keyPressEvent(e);
}

void ZelSimpleButtonWidget::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    m_button.UserControl_KeyUp(KeyCode(*e), ShiftMask(e->modifiers()));
}

void ZelSimpleButtonWidget::focusInEvent(QFocusEvent*) {
    m_button.UserControl_GotFocus();
}

void ZelSimpleButtonWidget::focusOutEvent(QFocusEvent*) {
    m_button.UserControl_LostFocus();
}

void ZelSimpleButtonWidget::changeEvent(QEvent* e) {
    // Enabling through QWidget::setEnabled reaches the control too.
    if (e->type() == QEvent::EnabledChange && isEnabled() != m_button.Enabled())
        m_button.SetEnabled(isEnabled());
    // The caption is laid out in the widget's font: a new font means a new layout.
    if (e->type() == QEvent::FontChange)
        m_button.UserControl_Resize(width(), height());
    QWidget::changeEvent(e);
}

} // namespace ata
