#include "app/cli/CliApp.h"

#include "script/NetScriptSocket.h"
#include "workflow/ConfigBackup.h"
#include "workflow/ScriptHostTimer.h"
#include "workflow/modFileLock.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace ata::cli {

namespace {

const char* LampText(int32_t lngColour) {
    if (lngColour == kColourGreen)
        return "yes";
    return lngColour == kColourRed ? "no" : "unknown";
}

} // namespace

CliApp::CliApp(std::string strProgramFolder, std::FILE* pOut, std::FILE* pErr)
    : m_window([this](int32_t lngMilliseconds) { RunEvents(lngMilliseconds); }, pOut, pErr),
      m_engine(script::MakeNetZelTelnet(
          ScriptHostOnTimers(m_platform.timers, [this] { m_platform.reactor.RunOnce(0); }))),
      m_logic(std::make_unique<frmMain>(m_window, m_platform.icmp, m_platform.downloader, *m_engine,
                                        std::move(strProgramFolder), &m_platform.timers)) {
    m_logic->Form_Load();
}

CliApp::~CliApp() {
    // The logic lets go of the engine first; the engine closes its sockets before the socket
    // service is uninstalled.
    m_logic.reset();
    m_engine.reset();
    m_platform.reactor.RunUntilIdle();
}

std::string CliApp::RunLockFile(const std::string& strProgramFolder) {
    return strProgramFolder + "atatool-cli.lock";
}

void CliApp::RunEvents(int32_t lngMilliseconds) {
    if (lngMilliseconds <= 0) {
        m_platform.reactor.RunOnce(0);
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto due = Clock::now() + std::chrono::milliseconds(lngMilliseconds);
    for (auto now = Clock::now(); now < due; now = Clock::now()) {
        const auto lngLeft = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
        m_platform.reactor.RunOnce(static_cast<int>(lngLeft));
    }
}

int CliApp::Run(const CliOptions& objOptions) {
    // The address is checked as the IP field checks it when the user leaves it.
    if (objOptions.blnIpGiven) {
        m_window.SetIpText(objOptions.strIp);
        if (m_logic->cboIp_Validate())
            return kExitWrongUse;
    }
    const std::string& strFolder = m_logic->AppFolder();
    std::error_code ec;
    if (objOptions.enmCommand != EnmCliCommand::Summarise &&
        !std::filesystem::exists(m_logic->SettingsFile(), ec))
        m_window.WriteErrLine("atatool-cli: there is no " + m_logic->SettingsFile() +
                              "; the address, user name and password are empty.");
    const auto objRunLock = modFileLock::CFileLock::TryAcquire(RunLockFile(strFolder), strFolder);
    if (objRunLock.State() == modFileLock::EnmLockState::Busy) {
        m_window.WriteErrLine("atatool-cli: another run is in progress (it holds " +
                              RunLockFile(strFolder) + "); nothing was done.");
        return kExitFailed;
    }
    return RunCommand(objOptions.enmCommand);
}

int CliApp::RunCommand(EnmCliCommand enmCommand) {
    bool blnSucceeded = false;
    switch (enmCommand) {
    case EnmCliCommand::Status: {
        m_logic->cmdStatus_Click();
        const int32_t lngPower = m_window.LedColour(ControlId::ledPower);
        const int32_t lngVoIP = m_window.LedColour(ControlId::ledVoIP);
        m_window.WriteOut(std::string("Online: ") + LampText(lngPower) +
                          "\nRegistered: " + LampText(lngVoIP) + "\n");
        blnSucceeded = lngPower == kColourGreen && lngVoIP == kColourGreen;
        break;
    }
    case EnmCliCommand::GetLog:
        m_logic->cmdLog_Click();
        // An empty pane means the fetch failed; the window does not report that itself.
        blnSucceeded = !m_window.GetLogText().empty();
        if (blnSucceeded)
            m_window.WriteOut(m_window.GetLogText() + "\r\n");
        else
            m_window.WriteErrLine("atatool-cli: no system log was received.");
        break;
    case EnmCliCommand::SaveLog:
        // Get System Log, then Save System Log; a failed fetch leaves nothing to save.
        m_logic->cmdLog_Click();
        m_logic->cmdSaveLog_Click();
        blnSucceeded = !m_window.GetLogText().empty();
        break;
    case EnmCliCommand::Summarise:
        m_logic->cmdSummarise_Click();
        blnSucceeded = true;
        break;
    case EnmCliCommand::Backup: {
        ConfigBackup& objBackup = m_logic->Backup();
        m_logic->cmdBackup_Click();
        // The backup ends through the engine's events or its time limit, both of which arrive
        // through the event loop.
        while (objBackup.IsBusy())
            m_platform.reactor.RunOnce(-1);
        blnSucceeded = !objBackup.SavedFileName().empty();
        if (blnSucceeded)
            m_window.WriteErrLine("Saved as " + objBackup.SavedFileName());
        break;
    }
    case EnmCliCommand::None:
    case EnmCliCommand::Help:
    case EnmCliCommand::Version:
        return kExitWrongUse;
    }
    // Every failure the workflow reports is a warning.
    return blnSucceeded && m_window.WarningCount() == 0 ? kExitSucceeded : kExitFailed;
}

} // namespace ata::cli
