#include "app/platform/VersionText.h"
#include "app/qt/AppRoot.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

#ifndef ATA_VERSION
#define ATA_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: atatool [OPTION]... [TOOLKIT OPTION]...\n"
    "Opens the ATA maintenance tool's window: check a VoIP telephone adapter, read, save and\n"
    "summarise its system log, back up its configuration.\n"
    "\n"
    "  -h, --help     show this text\n"
    "  -V, --version  show the version and the licence\n"
    "\n"
    "Toolkit options, for example -platform NAME (offscreen, xcb, wayland), -display DISPLAY\n"
    "and -style NAME, go to the window toolkit.\n"
    "The settings, the log history and the backups are kept in the program's folder, or where\n"
    "that folder cannot keep files, in ~/.config/atatool/ and ~/.local/share/atatool/.\n";

// --help and --version are answered without a display.
int AnswerInfoOption(int argc, char* argv[]) {
    for (int k = 1; k < argc; ++k) {
        const bool blnHelp = std::strcmp(argv[k], "--help") == 0 || std::strcmp(argv[k], "-h") == 0;
        if (!blnHelp && std::strcmp(argv[k], "--version") != 0 && std::strcmp(argv[k], "-V") != 0)
            continue;
        const std::string strText = blnHelp ? kUsage : ata::VersionText("atatool", ATA_VERSION);
        if (std::fputs(strText.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            std::fputs("atatool: cannot write to standard output\n", stderr);
            return 1;
        }
        return 0;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int intStatus = AnswerInfoOption(argc, argv); intStatus >= 0)
        return intStatus;
    // Before the toolkit starts any thread, so that every thread inherits the mask.
    ata::TerminationSignals::Block();
    QApplication app(argc, argv);
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    ata::AppRoot root(std::string(folder.constData(), static_cast<size_t>(folder.size())) + "/");
    root.Show();
    const int intStatus = app.exec();
    return root.EndingSignal() != 0 ? 128 + root.EndingSignal() : intStatus;
}
