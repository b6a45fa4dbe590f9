#include "app/qt/AppRoot.h"

#include "script/NetScriptSocket.h"
#include "workflow/modMiscFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyleHints>
#include <QTimer>

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
          script::ScriptHost{&m_platform.timers, [] { QCoreApplication::processEvents(); }, {}})),
      m_logic(std::make_unique<frmMain>(m_window, m_platform.icmp, m_platform.http, *m_engine,
                                        std::move(strProgramFolder), &m_platform.timers)) {
    m_window.Attach(*m_logic);
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
    // The window, its message boxes and the desktop's task list show the installed icon. Its
    // pixels at every size are decoded and handed to the window manager once the window is
    // mapped, so that they do not hold back its first appearance.
    QTimer::singleShot(0, &m_window, [] { QApplication::setWindowIcon(AppIcon()); });
    // Said once, before the first command: neither the program folder nor the user's own
    // folders can keep what the tool writes.
    if (m_logic->Folders().blnKeepsNothing)
        m_window.ShowMessage(modMisc::FolderKeepsNothingMessage(m_logic->AppFolder()),
                             MessageIcon::Warning);
}

} // namespace ata
