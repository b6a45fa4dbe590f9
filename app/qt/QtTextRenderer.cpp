#include "app/qt/QtTextRenderer.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <cstdlib>

namespace ata {

namespace {

QFont ToQFont(const CTextFont& font) {
    QFont f(QString::fromLatin1(font.strName.c_str()));
    f.setPixelSize(std::max(1, std::abs(font.lngPixelHeight)));
    f.setBold(font.blnBold);
    f.setItalic(font.blnItalic);
    f.setUnderline(font.blnUnderline);
    f.setStrikeOut(font.blnStrikethrough);
    f.setStyleStrategy(font.blnAntialiased ? QFont::PreferAntialias : QFont::NoAntialias);
    // Unrounded advances: a caption is as wide on every screen and at every scale as it was
    // measured, so that a layout made at one scale holds at another.
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

int ToQtFlags(uint32_t lngFlags) {
    int flags = Qt::TextShowMnemonic;
    if (lngFlags & tfCentre)
        flags |= Qt::AlignHCenter;
    else if (lngFlags & tfRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    flags |= (lngFlags & tfVCentre) ? Qt::AlignVCenter : Qt::AlignTop;
    if (lngFlags & tfSingleLine)
        flags |= Qt::TextSingleLine;
    else if (lngFlags & tfWordWrap)
        flags |= Qt::TextWordWrap;
    if (lngFlags & tfNoClip)
        flags |= Qt::TextDontClip;
    return flags;
}

QRect ToQRect(const CTextRect& r) {
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

QString ToQString(const std::string& strText) {
    return QString::fromLatin1(strText.data(), static_cast<qsizetype>(strText.size()));
}

// Draws one text with the layout rules shared by the surface and the widget.
void Paint(QPainter& painter, const CTextFont& font, const std::string& strText,
           const CTextRect& rect, uint32_t lngFlags, int32_t lngColour) {
    painter.save();
    painter.setFont(ToQFont(font));
    const auto c = static_cast<uint32_t>(lngColour);
    painter.setPen(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    if (!(lngFlags & tfNoClip))
        painter.setClipRect(ToQRect(rect), Qt::IntersectClip);
    painter.drawText(ToQRect(rect), ToQtFlags(lngFlags), ToQString(strText));
    painter.restore();
}

} // namespace

int32_t QtTextRenderer::MeasureText(const CTextFont& font, const std::string& strText,
                                    const CTextRect& rect, uint32_t lngFlags) {
    if (strText.empty())
        return 0;
    const QFontMetrics fm(ToQFont(font));
    return fm
        .boundingRect(ToQRect(rect), ToQtFlags(lngFlags) | Qt::TextDontClip, ToQString(strText))
        .height();
}

void QtTextRenderer::DrawText(CRasterSurface& surface, const CTextFont& font,
                              const std::string& strText, const CTextRect& rect, uint32_t lngFlags,
                              int32_t lngColour) {
    if (strText.empty() || surface.Width() == 0 || surface.Height() == 0)
        return;
    if (DeviceScale() != 1.0) {
        m_vecPending.push_back({font, strText, rect, lngFlags, lngColour});
        return;
    }
    QImage image(reinterpret_cast<uchar*>(surface.Bits()), surface.Width(), surface.Height(),
                 surface.Width() * 4, QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter, font, strText, rect, lngFlags, lngColour);
}

void QtTextRenderer::Presented() {
    m_vecShown = std::move(m_vecPending);
    m_vecPending.clear();
    m_dblShownScale = DeviceScale();
}

void QtTextRenderer::PaintKeptTexts(QPainter& painter) const {
    for (const KeptText& t : m_vecShown)
        Paint(painter, t.font, t.strText, t.rect, t.lngFlags, t.lngColour);
}

bool QtTextRenderer::ScaleChanged() const {
    return DeviceScale() != m_dblShownScale;
}

double QtTextRenderer::DeviceScale() const {
    return m_pHost ? m_pHost->devicePixelRatioF() : 1.0;
}

int32_t QtTextRenderer::PixelsPerInchY() const {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return static_cast<int32_t>(std::lround(screen->logicalDotsPerInchY()));
    return 0;
}

CFontSpec QtTextRenderer::DefaultFont() const {
    const QFont f = m_pHost ? m_pHost->font() : QApplication::font();
    CFontSpec spec;
    spec.strName = f.family().toLatin1().toStdString();
    spec.dblSize = f.pointSizeF() > 0 ? f.pointSizeF() : 8.25;
    spec.blnBold = f.bold();
    spec.blnItalic = f.italic();
    return spec;
}

} // namespace ata
