#include "app/cli/CliApp.h"

#include "app/cli/CliDiff.h"

#include "script/NetScriptSocket.h"
#include "workflow/ConfigBackup.h"
#include "workflow/ScriptHostTimer.h"
#include "workflow/modFileLock.h"
#include "workflow/modFileIo.h"
#include "workflow/modMiscFolder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ata::cli {

namespace {

const char* LampText(int32_t lngColour) {
    if (lngColour == kColourGreen)
        return "yes";
    return lngColour == kColourRed ? "no" : "unknown";
}

} // namespace

CliApp::CliApp(std::string strProgramFolder, std::FILE* pOut, std::FILE* pErr)
    : m_signals(m_platform.reactor, [this](int) { AbandonWork(); }),
      m_window([this](int32_t lngMilliseconds) { RunEvents(lngMilliseconds); },
               [this] { return m_signals.Received() != 0; }, pOut, pErr),
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
    if (::faccessat(AT_FDCWD, strProgramFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return strProgramFolder + "atatool-cli.lock";
    // A folder that refuses new files: the lock goes to the user's own state folder, named
    // after the program folder (its folder lock is the history's, taken inside a run).
    const std::string strState = modMisc::UserStateFolder();
    if (strState.empty() || !modFileIo::MakePrivateFolders(strState))
        return strProgramFolder + "atatool-cli.lock";
    char strHash[17];
    std::snprintf(strHash, sizeof strHash, "%016zx", std::hash<std::string>{}(strProgramFolder));
    return strState + "atatool-cli-" + strHash + ".lock";
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

void CliApp::AbandonWork() {
    if (m_logic)
        m_logic->Backup().Form_Unload();
    m_platform.downloader.Shutdown();
}

void CliApp::WritePaths() {
    const std::string strState = modMisc::UserStateFolder();
    m_window.WriteOut("settings: " + m_logic->SettingsFile() +
                      "\nhistory: " + m_logic->SysLogFile() + "\nbackups: " + m_logic->AppFolder() +
                      "\njournals: " + (strState.empty() ? "(no home folder)" : strState) + "\n");
}

int CliApp::Ending(int intStatus) const {
    return m_signals.Received() != 0 ? 128 + m_signals.Received() : intStatus;
}

std::string CliApp::CheckFiles(EnmCliCommand enmCommand) const {
    std::vector<std::string> vecFiles{m_logic->SettingsFile()};
    if (enmCommand == EnmCliCommand::SaveLog || enmCommand == EnmCliCommand::Summarise)
        vecFiles.push_back(m_logic->SysLogFile());
    for (const std::string& strFile : vecFiles) {
        struct stat objStat {};
        if (::stat(strFile.c_str(), &objStat) != 0) {
            if (errno == ENOENT)
                continue;
            return "cannot read " + strFile + ": " + std::strerror(errno);
        }
        if (!S_ISREG(objStat.st_mode))
            return strFile + " is not a regular file";
        if (::faccessat(AT_FDCWD, strFile.c_str(), R_OK, AT_EACCESS) != 0)
            return "cannot read " + strFile + ": " + std::strerror(errno);
    }
    return {};
}

int CliApp::Run(const CliOptions& objOptions) {
    // The address is checked as the IP field checks it when the user leaves it.
    if (objOptions.blnIpGiven) {
        m_window.SetIpText(objOptions.strIp);
        if (m_logic->cboIp_Validate())
            return kExitWrongUse;
    }
    // Comparing finished backups needs neither the settings nor the run lock.
    if (objOptions.enmCommand == EnmCliCommand::Paths) {
        WritePaths();
        return Ending(m_window.OutError() != 0 ? kExitFailed : kExitSucceeded);
    }
    if (objOptions.enmCommand == EnmCliCommand::Diff)
        return RunDiff(m_logic->AppFolder(), objOptions.vecDiffNames, m_window);
    if (const std::string strTrouble = CheckFiles(objOptions.enmCommand); !strTrouble.empty()) {
        m_window.WriteErrLine("atatool-cli: " + strTrouble + "; nothing was done.");
        return kExitConfig;
    }
    const std::string& strFolder = m_logic->AppFolder();
    std::error_code ec;
    if (objOptions.enmCommand != EnmCliCommand::Summarise &&
        !std::filesystem::exists(m_logic->SettingsFile(), ec))
        m_window.WriteErrLine("atatool-cli: there is no " + m_logic->SettingsFile() +
                              "; the address, user name and password are empty.");
    // A timer's run never drops its work because another run is busy: it waits its turn.
    const std::string strRunLock = RunLockFile(strFolder);
    auto objRunLock = modFileLock::CFileLock::TryAcquire(strRunLock, false);
    if (objRunLock.State() == modFileLock::EnmLockState::Busy && !objOptions.blnNoWait) {
        m_window.WriteErrLine("atatool-cli: another run is in progress; waiting for it to end.");
        objRunLock = modFileLock::CFileLock::Acquire(
            strRunLock, kRunLockWaitMinutes * 60 * 1000,
            [this](int32_t lngMilliseconds) { return m_window.WaitEvents(lngMilliseconds); },
            false);
    }
    if (m_signals.Received() != 0)
        return Ending(kExitFailed);
    switch (objRunLock.State()) {
    case modFileLock::EnmLockState::Held:
        break;
    case modFileLock::EnmLockState::Busy:
        m_window.WriteErrLine("atatool-cli: another run is in progress (it holds " + strRunLock +
                              "); nothing was done.");
        return kExitBusy;
    case modFileLock::EnmLockState::Unavailable:
        // The history has its own lock; only two runs at once are not ruled out.
        m_window.WriteErrLine("atatool-cli: " + strRunLock +
                              " cannot be used; running without the run lock.");
        break;
    }
    int intStatus = RunCommand(objOptions.enmCommand);
    if (objOptions.enmCommand == EnmCliCommand::Backup && intStatus == kExitSucceeded &&
        !ReportConfigChange(m_logic->Backup().SavedFileName(), objOptions.blnIfChanged, m_window))
        intStatus = kExitFailed;
    if (const int intError = m_window.OutError(); intError != 0) {
        m_window.WriteErrLine(std::string("atatool-cli: cannot write to standard output: ") +
                              std::strerror(intError));
        intStatus = kExitFailed;
    }
    return Ending(intStatus);
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
    case EnmCliCommand::Diff:
    case EnmCliCommand::Paths:
    case EnmCliCommand::Help:
    case EnmCliCommand::Version:
        return kExitWrongUse;
    }
    // Every failure the workflow reports is a warning.
    return blnSucceeded && m_window.WarningCount() == 0 ? kExitSucceeded : kExitFailed;
}

} // namespace ata::cli
