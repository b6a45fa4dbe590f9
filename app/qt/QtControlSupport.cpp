#include "app/qt/QtControlSupport.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QKeySequence>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace ata {

namespace {
int32_t Word(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}
} // namespace

int32_t QtSystemColours::SystemColour(int32_t lngIndex) const {
    const QPalette p = QApplication::palette();
    switch (lngIndex) {
    case 5:
        return Word(p.color(QPalette::Base));
    case 8:
        return Word(p.color(QPalette::Text));
    case 13:
        return Word(p.color(QPalette::Highlight));
    case 14:
        return Word(p.color(QPalette::HighlightedText));
    case 15:
        return Word(p.color(QPalette::Button));
    case 16:
        return Word(p.color(QPalette::Dark));
    case 17:
        return Word(p.color(QPalette::Disabled, QPalette::Text));
    case 18:
        return Word(p.color(QPalette::ButtonText));
    case 20:
        return Word(p.color(QPalette::Light));
    case 21:
        return Word(p.color(QPalette::Shadow));
    case 22:
        return Word(p.color(QPalette::Midlight));
    case 23:
        return Word(p.color(QPalette::ToolTipText));
    case 24:
        return Word(p.color(QPalette::ToolTipBase));
    default:
        return ClassicSystemColours().SystemColour(lngIndex);
    }
}

void QtWidgetHost::Present() {
    m_text.Presented();
    m_widget.update();
}

void QtWidgetHost::SetAccessKey(char chrKey) {
    if (m_intShortcut != 0)
        m_widget.releaseShortcut(m_intShortcut);
    m_intShortcut = 0;
    if (chrKey != '\0')
        m_intShortcut = m_widget.grabShortcut(
            QKeySequence(QKeySequence::mnemonic(QStringLiteral("&") + QChar::fromLatin1(chrKey))));
}

void QtWidgetHost::SetInputEnabled(bool blnEnabled) {
    if (m_widget.isEnabled() != blnEnabled)
        m_widget.setEnabled(blnEnabled);
}

bool QtWidgetHost::CursorClientPos(int32_t& x, int32_t& y) {
    const QPoint p = m_widget.mapFromGlobal(QCursor::pos());
    x = p.x();
    y = p.y();
    return true;
}

void PaintControl(QWidget& widget, const CRasterSurface& surface, const QtTextRenderer& text) {
    if (surface.Width() == 0 || surface.Height() == 0)
        return;
    const QImage image(reinterpret_cast<const uchar*>(surface.Bits()), surface.Width(),
                       surface.Height(), surface.Width() * 4, QImage::Format_RGB32);
    QPainter painter(&widget);
    // Without smooth transformation an enlarged image repeats its pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(0, 0, surface.Width(), surface.Height()), image);
    text.PaintKeptTexts(painter);
}

int16_t ButtonMask(Qt::MouseButtons buttons) {
    int16_t mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= 1;
    if (buttons & Qt::RightButton)
        mask |= 2;
    if (buttons & Qt::MiddleButton)
        mask |= 4;
    return mask;
}

int16_t ShiftMask(Qt::KeyboardModifiers modifiers) {
    int16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    return mask;
}

} // namespace ata
