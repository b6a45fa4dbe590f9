#include "app/cli/CliApp.h"

#include "app/cli/CliCheck.h"
#include "app/cli/CliDiagnosis.h"
#include "app/cli/CliDiff.h"
#include "app/cli/CliMetrics.h"
#include "app/cli/CliNotices.h"

#include "base/FileIo.h"
#include "script/NetScriptSocket.h"
#include "workflow/ConfigBackup.h"
#include "workflow/modFileLock.h"
#include "workflow/modMiscFiles.h"
#include "workflow/modMiscFolder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
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
          script::ScriptHost{&m_platform.timers, [this] { m_platform.reactor.RunOnce(0); }, {}})),
      m_logic(std::make_unique<frmMain>(m_window, m_echo, m_platform.http, *m_engine,
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
    const std::string strLock = modMisc::UserStateFile("atatool-cli", strProgramFolder, ".lock");
    if (strLock.empty() || !modFileIo::MakePrivateFolders(modFileIo::FolderOf(strLock)))
        return strProgramFolder + "atatool-cli.lock";
    return strLock;
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
    if (!m_logic)
        return;
    m_logic->Backup().Form_Unload();
    m_logic->Downloader().Shutdown();
}

void CliApp::WritePaths() {
    const std::string strState = modMisc::UserStateFolder();
    m_window.WriteOut("settings: " + m_logic->SettingsFile() + "\nhistory: " +
                      m_logic->SysLogFile() + "\nbackups: " + m_logic->BackupFolder() +
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
    // A check reads and reports, so it never waits for a timer's run nor holds one up.
    if (objOptions.enmCommand == EnmCliCommand::Check)
        return Ending(RunCheck(objOptions, CheckFiles(objOptions.enmCommand),
                               {*m_logic, m_window, m_echo, m_logic->Downloader(), m_notices}));
    return Report(objOptions, RunLocked(objOptions));
}

int CliApp::RunLocked(const CliOptions& objOptions) {
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
        return RunDiff(m_logic->BackupFolder(), objOptions.vecDiffNames, m_window);
    if (const std::string strTrouble = CheckFiles(objOptions.enmCommand); !strTrouble.empty()) {
        m_window.WriteErrLine("atatool-cli: " + strTrouble + "; nothing was done.");
        return kExitConfig;
    }
    const std::string& strFolder = m_logic->BackupFolder();
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
    case EnmCliCommand::Check:
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

namespace ata::cli {

namespace {

// The longest a failure's notice may hold up the end of the run.
constexpr int32_t kNoticeWaitMs = 5000;

// Lines of a history: a final line end does not begin another line.
size_t CountLines(const std::string& strText) {
    size_t lngLines = static_cast<size_t>(std::count(strText.begin(), strText.end(), '\n'));
    if (!strText.empty() && strText.back() != '\n')
        ++lngLines;
    return lngLines;
}

} // namespace

std::string CliApp::FailureCause(EnmCliCommand enmCommand) {
    const std::string strAddress = m_window.GetIpText();
    if (enmCommand == EnmCliCommand::Backup)
        return BackupCause(m_engine->ConsoleLog, m_window.LastWarning(), strAddress);
    if (enmCommand != EnmCliCommand::Status && enmCommand != EnmCliCommand::GetLog &&
        enmCommand != EnmCliCommand::SaveLog)
        return {};
    const int32_t lngPower = m_window.LedColour(ControlId::ledPower);
    if (lngPower == kColourRed)
        return PingCause(m_echo, strAddress);
    if (lngPower != kColourGreen)
        return {};
    const bool blnStatus = enmCommand == EnmCliCommand::Status;
    const HttpReadResult& objFailure = m_logic->Downloader().LastFailure();
    if (objFailure.enmFailure != EnmHttpFailure::None)
        return std::string(blnStatus ? "the status page " : "the system log ") +
               BuildDeviceUrl(strAddress, blnStatus ? "doc/m_set.htm" : "cgi/syslog.txt") +
               " could not be read: " + FetchCause(objFailure);
    if (blnStatus && m_window.LedColour(ControlId::ledVoIP) != kColourGreen)
        return "the status page says the line is not registered";
    return {};
}

bool CliApp::WriteMetrics(const CliOptions& objOptions, bool blnSucceeded) {
    MetricValues mapValues;
    if (objOptions.enmCommand == EnmCliCommand::Backup) {
        mapValues[kMetricBackupSuccess] = blnSucceeded ? 1 : 0;
        if (blnSucceeded)
            mapValues[kMetricBackupTime] = static_cast<double>(std::time(nullptr));
    } else {
        try {
            mapValues[kMetricHistoryLines] =
                static_cast<double>(CountLines(modMisc::ReadTextFile(m_logic->SysLogFile())));
        } catch (const std::exception&) {
            // An unreadable history keeps the count it had; the run has said why.
        }
    }
    std::string strCause;
    if (UpdateMetricsFile(objOptions.strMetricsFile, m_window.GetIpText(), mapValues, strCause))
        return true;
    m_window.WriteErrLine("atatool-cli: the metrics file " + objOptions.strMetricsFile +
                          " was not updated: " + strCause + ".");
    return false;
}

int CliApp::Report(const CliOptions& objOptions, int intStatus) {
    const bool blnStopped = m_signals.Received() != 0;
    std::string strCause;
    if (intStatus == kExitFailed && !blnStopped) {
        strCause = FailureCause(objOptions.enmCommand);
        if (!strCause.empty())
            m_window.WriteErrLine("atatool-cli: " + strCause + ".");
    }
    const bool blnTimerCommand = objOptions.enmCommand == EnmCliCommand::SaveLog ||
                                 objOptions.enmCommand == EnmCliCommand::Backup;
    if (!blnTimerCommand)
        return intStatus;
    if (!objOptions.strMetricsFile.empty() &&
        !WriteMetrics(objOptions, intStatus == kExitSucceeded) && intStatus == kExitSucceeded)
        intStatus = kExitFailed;
    // A run stopped by the service manager (shut-down, log-out) is not a failure to announce.
    if (objOptions.blnNotify && intStatus != kExitSucceeded && !blnStopped) {
        DesktopNotice objNotice;
        objNotice.strSummary = objOptions.enmCommand == EnmCliCommand::Backup
                                   ? "ATA configuration not backed up"
                                   : "ATA system log not saved";
        objNotice.strBody = !strCause.empty()                 ? strCause
                            : !m_window.LastWarning().empty() ? m_window.LastWarning()
                                                              : m_window.LastErrLine();
        if (objNotice.strBody.rfind("atatool-cli: ", 0) == 0)
            objNotice.strBody.erase(0, 13);
        objNotice.blnUrgent = true;
        NoticeSender(m_notices, [this](const std::string& strLine) {
            m_window.WriteErrLine(strLine);
        }).Send(objNotice, kNoticeWaitMs);
    }
    return intStatus;
}

} // namespace ata::cli
