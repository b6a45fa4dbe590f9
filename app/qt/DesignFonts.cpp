#include "app/qt/DesignFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStandardPaths>
#include <QStringList>

namespace ata {

namespace {

// Tahoma's metrics are the closest scalable match of the 8-point user-interface face (same
// dialog units, caption widths within a few pixels), and it has outlines, so it can be smoothed
// and drawn sharp at any scale. Debian ships a metric-compatible copy outside the font path.
// Only its regular face is taken: the bold copy carries regular-weight outlines on bold
// advances, which draws thin, spaced-out captions; emboldening the regular face reads as bold.
constexpr const char* kUiSubstitute = "Tahoma";
constexpr const char* kUiSubstituteFile = "wine/fonts/tahoma.ttf";

void RegisterUiSubstitute() {
    if (QFontDatabase::hasFamily(QString::fromLatin1(kUiSubstitute)))
        return;
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                QString::fromLatin1(kUiSubstituteFile));
    if (!path.isEmpty())
        QFontDatabase::addApplicationFont(path);
}

void Substitute(const char* strFace, const QStringList& substitutes) {
    if (QFont::substitutes(QString::fromLatin1(strFace)).isEmpty())
        QFont::insertSubstitutions(QString::fromLatin1(strFace), substitutes);
}

} // namespace

void InstallDesignFonts() {
    RegisterUiSubstitute();
    // Liberation Sans (Arial's metrics) stands in when the user-interface substitute is missing.
    Substitute(kUiFaceName,
               {QString::fromLatin1(kUiSubstitute), QStringLiteral("Liberation Sans")});
    Substitute("Arial", {QStringLiteral("Liberation Sans")});
    Substitute("Courier New", {QStringLiteral("Liberation Mono")});
    QApplication::setFont(DesignUiFont());
}

QFont DesignUiFont() {
    QFont font(QString::fromLatin1(kUiFaceName));
    font.setPointSizeF(kUiPointSize);
    font.setStyleHint(QFont::SansSerif);
    // Unrounded advances keep texts as wide as the layout expects at every scale.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

} // namespace ata
