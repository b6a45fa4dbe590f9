#include "app/qt/AppRoot.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    ata::AppRoot root(std::string(folder.constData(), static_cast<size_t>(folder.size())) + "/");
    root.Show();
    return app.exec();
}
