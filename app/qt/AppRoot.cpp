#include "app/qt/AppRoot.h"

#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"
#include "workflow/ScriptHostTimer.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace ata {

AppRoot::PlatformInstall::PlatformInstall(LinuxSocketService& service) {
    modNetSocket::InstallPlatform(&service);
}

AppRoot::PlatformInstall::~PlatformInstall() {
    modNetSocket::InstallPlatform(nullptr);
}

namespace {

script::ScriptHost EngineHost(ITimerService& timers) {
    script::ScriptHost host;
    host.DoEvents = [] { QCoreApplication::processEvents(); };
    UseTimersForScript(host, timers);
    return host;
}

} // namespace

AppRoot::AppRoot(std::string strProgramFolder)
    : m_engine(script::MakeNetZelTelnet(EngineHost(m_timers))),
      m_logic(std::make_unique<frmMain>(m_window, m_icmp, m_downloader, *m_engine,
                                        std::move(strProgramFolder), &m_timers)) {
    m_window.Attach(*m_logic);
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
}

} // namespace ata
