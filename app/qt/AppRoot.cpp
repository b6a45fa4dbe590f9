#include "app/qt/AppRoot.h"

#include "script/NetScriptSocket.h"
#include "workflow/ScriptHostTimer.h"
#include "workflow/modMiscFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyleHints>

namespace ata {

namespace {

// The icon installed for the desktop, compiled in at each of its sizes (named <size>.png).
QIcon AppIcon() {
    QIcon icon;
    const QDir dir(QStringLiteral(":/icons"));
    for (const QString& strName : dir.entryList(QDir::Files)) {
        const int intSize = QFileInfo(strName).baseName().toInt();
        icon.addFile(dir.filePath(strName), QSize(intSize, intSize));
    }
    return icon;
}

} // namespace

AppRoot::AppRoot(std::string strProgramFolder)
    : m_engine(script::MakeNetZelTelnet(
          ScriptHostOnTimers(m_platform.timers, [] { QCoreApplication::processEvents(); }))),
      m_logic(std::make_unique<frmMain>(m_window, m_platform.icmp, m_platform.downloader, *m_engine,
                                        std::move(strProgramFolder), &m_platform.timers)) {
    m_window.Attach(*m_logic);
    // The window, its message boxes and the desktop's task list show the installed icon.
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(ATA_APP_ID));
    // A steady text cursor: a blinking one would wake the idle window twice a second.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

AppRoot::~AppRoot() {
    // The logic lets go of the engine first; the engine closes its sockets before the
    // socket service is uninstalled.
    m_logic.reset();
    m_engine.reset();
}

void AppRoot::Show() {
    m_logic->Form_Load();
    m_window.show();
    // Said once, before the first command: nothing the tool writes can be kept in this folder.
    if (modMisc::FolderKeepsNothing(m_logic->AppFolder()))
        m_window.ShowMessage(modMisc::FolderKeepsNothingMessage(m_logic->AppFolder()),
                             MessageIcon::Warning);
}

} // namespace ata
