#pragma once

#include "app/platform/PlatformServices.h"
#include "app/platform/TerminationSignals.h"
#include "app/qt/MainWindow.h"
#include "app/qt/ReactorNotifier.h"
#include "script/ZelTelnet.h"
#include "workflow/frmMain.h"

#include <memory>
#include <string>

namespace ata {

// Builds the process: the reactor and the socket service it serves, the platform back ends,
// the window and the logic behind it. Members are destroyed in reverse order, so the logic
// and the window go first and the reactor last.
class AppRoot {
public:
    explicit AppRoot(std::string strProgramFolder);
    ~AppRoot();
    AppRoot(const AppRoot&) = delete;
    AppRoot& operator=(const AppRoot&) = delete;

    MainWindow& Window() { return m_window; }
    frmMain& Logic() { return *m_logic; }
    // Starts the logic and shows the window.
    void Show();
    // The signal that ended the session and closed the window (as closing it by hand does:
    // the settings are written, a backup is abandoned), or 0.
    int EndingSignal() const { return m_signals.Received(); }

private:
    PlatformServices m_platform;
    ReactorNotifier m_notifier{m_platform.reactor};
    MainWindow m_window{m_platform.timers};
    TerminationSignals m_signals{m_platform.reactor, [this](int) { m_window.close(); }};
    std::unique_ptr<script::ZelTelnet> m_engine;
    std::unique_ptr<frmMain> m_logic;
};

} // namespace ata
