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

} // namespace

int32_t QtTextRenderer::MeasureText(const CTextFont& font, const std::string& strText,
                                    const CTextRect& rect, uint32_t lngFlags) {
    if (strText.empty())
        return 0;
    const QFontMetrics fm(ToQFont(font));
    return fm
        .boundingRect(ToQRect(rect), ToQtFlags(lngFlags) | Qt::TextDontClip,
                      QString::fromLatin1(strText.data(), static_cast<int>(strText.size())))
        .height();
}

void QtTextRenderer::DrawText(CRasterSurface& surface, const CTextFont& font,
                              const std::string& strText, const CTextRect& rect, uint32_t lngFlags,
                              int32_t lngColour) {
    if (strText.empty() || surface.Width() == 0 || surface.Height() == 0)
        return;
    QImage image(reinterpret_cast<uchar*>(surface.Bits()), surface.Width(), surface.Height(),
                 surface.Width() * 4, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setFont(ToQFont(font));
    const auto c = static_cast<uint32_t>(lngColour);
    painter.setPen(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    if (!(lngFlags & tfNoClip))
        painter.setClipRect(ToQRect(rect));
    painter.drawText(ToQRect(rect), ToQtFlags(lngFlags),
                     QString::fromLatin1(strText.data(), static_cast<int>(strText.size())));
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
