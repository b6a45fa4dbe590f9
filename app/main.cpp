#include "app/qt/AppRoot.h"

#include <QApplication>
#include <QFile>
#include <QStyleHints>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // A steady text cursor: a blinking one wakes the idle window twice a second.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    ata::AppRoot root(std::string(folder.constData(), static_cast<size_t>(folder.size())) + "/");
    root.Show();
    return app.exec();
}
