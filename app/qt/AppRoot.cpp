#include "app/qt/AppRoot.h"

#include "net/modNetSocket.h"
#include "script/NetScriptSocket.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace ata {

AppRoot::PlatformInstall::PlatformInstall(LinuxSocketService& service) {
    modNetSocket::InstallPlatform(&service);
}

AppRoot::PlatformInstall::~PlatformInstall() {
    modNetSocket::InstallPlatform(nullptr);
}

namespace {

script::ScriptHost EngineHost() {
    script::ScriptHost host;
    host.DoEvents = [] { QCoreApplication::processEvents(); };
    host.Sleep = [](int32_t lngMilliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(lngMilliseconds));
    };
    return host;
}

} // namespace

AppRoot::AppRoot(std::string strProgramFolder)
    : m_engine(script::MakeNetZelTelnet(EngineHost())),
      m_logic(std::make_unique<frmMain>(m_window, m_icmp, m_downloader, *m_engine,
                                        std::move(strProgramFolder))) {
    m_window.Attach(*m_logic);
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
