#include "app/qt/AppRoot.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[]) {
    // Before the toolkit starts any thread, so that every thread inherits the mask.
    ata::TerminationSignals::Block();
    QApplication app(argc, argv);
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    ata::AppRoot root(std::string(folder.constData(), static_cast<size_t>(folder.size())) + "/");
    root.Show();
    const int intStatus = app.exec();
    return root.EndingSignal() != 0 ? 128 + root.EndingSignal() : intStatus;
}
