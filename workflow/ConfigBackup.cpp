#include "workflow/ConfigBackup.h"

#include "base/ByteText.h"
#include "workflow/BackupScript.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace ata {

namespace {

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tmNow{};
    localtime_r(&now, &tmNow);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tmNow);
    return buf;
}

} // namespace

ConfigBackup::ConfigBackup(IWindowOps& window, script::ZelTelnet& engine, ITimerService* pTimers,
                           std::function<void(bool)> SetControlsEnabled, Options options)
    : m_window(window), m_engine(engine), m_pTimers(pTimers),
      m_SetControlsEnabled(std::move(SetControlsEnabled)), m_options(std::move(options)) {}

double ConfigBackup::Now() const {
    if (m_options.Clock)
        return m_options.Clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void ConfigBackup::BuildBackupScript() {
    const std::string strAddress = m_window.GetIpText();
    m_strScriptText.clear();
    m_strRemoteFileName = "Config.reg";
    m_engine.MoveOnConnect = false;
    m_strScriptText = BuildBackupScriptText(strAddress, m_window.GetUserText(),
                                            m_window.GetPassText(), m_options.lngPort);
}

void ConfigBackup::cmdBackup_Click() {
    if (m_blnActive)
        return;
    m_SetControlsEnabled(false);

    const std::string strAddress(Trim(m_window.GetIpText(), kBlanks));
    m_window.SetIpText(strAddress);
    if (!IsUsableBackupAddress(strAddress)) {
        m_window.ShowMessage(
            "The IP address is not valid. Please enter a valid IP address in the form x.x.x.x",
            MessageIcon::Warning);
        m_window.FocusIp();
        m_SetControlsEnabled(true);
        return;
    }
    const std::string strRefusal =
        CheckBackupCredentials(m_window.GetUserText(), m_window.GetPassText());
    if (!strRefusal.empty()) {
        m_window.ShowMessage(strRefusal, MessageIcon::Warning);
        m_SetControlsEnabled(true);
        return;
    }

    m_window.SetStatus("Backing up current config...");
    m_window.DoEvents();
    m_lngScriptMode = 1;
    const std::string strStamp = m_options.TimeStamp ? m_options.TimeStamp() : LocalTimeStamp();
    m_strBackupFileName = m_options.strAppFolder + "Config" + strStamp + ".reg";
    m_strSavedFileName.clear();
    m_blnWriteFailed = false;
    m_optFile.emplace(m_strBackupFileName);
    m_strLastReply.clear();
    BuildBackupScript();

    m_blnActive = true;
    m_dblLastProgress = Now();
    // Armed first: the run may end inside RunScript already, and its end cancels the timer.
    ArmTimeLimit(m_options.dblTimeLimitSeconds);
    try {
        m_engine.RunScript(m_strScriptText);
    } catch (...) {
        EndRun();
        DiscardPart();
        throw;
    }
}

void ConfigBackup::Form_Unload() {
    if (!m_blnActive)
        return;
    EndRun();
    m_engine.AbortScript();
    DiscardPart();
}

void ConfigBackup::ArmTimeLimit(double dblSeconds) {
    if (!m_pTimers)
        return;
    double dblMs = std::ceil(dblSeconds * 1000.0);
    if (!(dblMs >= 1.0)) // also NaN
        dblMs = 1.0;
    const auto lngMs = static_cast<int32_t>(std::min(dblMs, static_cast<double>(INT32_MAX)));
    if (tmrTimeLimit)
        tmrTimeLimit.Restart(lngMs);
    else
        tmrTimeLimit = m_pTimers->Start(lngMs, [this] { tmrTimeLimit_Timer(); });
}

void ConfigBackup::tmrTimeLimit_Timer() {
    if (!m_blnActive)
        return;
    const double dblIdle = Now() - m_dblLastProgress;
    if (dblIdle < m_options.dblTimeLimitSeconds) {
        ArmTimeLimit(m_options.dblTimeLimitSeconds - dblIdle);
        return;
    }
    EndRun();
    m_engine.AbortScript();
    DiscardPart();
    const std::string strReply = m_strLastReply.empty() ? std::string("no reply") : m_strLastReply;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", m_options.dblTimeLimitSeconds);
    m_window.ShowMessage("The backup did not finish: nothing happened for " + std::string(buf) +
                             " seconds. Last reply of the server: " + strReply,
                         MessageIcon::Warning);
    m_SetControlsEnabled(true);
}

void ConfigBackup::LogUpdate(const std::string& strMessage) {
    if (!m_blnActive)
        return;
    m_dblLastProgress = Now();
    // Messages carry "mm:ss:fff " in front. Replies begin with a digit; errors name Winsock.
    const std::string strText = strMessage.size() > 10 ? strMessage.substr(10) : std::string();
    if (!strText.empty() && (std::isdigit(static_cast<unsigned char>(strText[0])) ||
                             strText.rfind("Winsock", 0) == 0)) {
        std::string s = strText;
        while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
            s.pop_back();
        m_strLastReply = s;
    }
}

void ConfigBackup::FailWrite(const std::string& strReason) {
    m_blnWriteFailed = true;
    EndRun();
    m_engine.AbortScript();
    DiscardPart();
    m_window.ShowMessage("The backup failed: the file " + PartFileName() +
                             " could not be written (" + strReason + ").",
                         MessageIcon::Warning);
    m_SetControlsEnabled(true);
}

void ConfigBackup::ReceivedData(const std::string& strData, const std::string& strCommand) {
    if (!m_blnActive || m_blnWriteFailed)
        return;
    m_dblLastProgress = Now();
    if (!ContainsIgnoreCase(strCommand, m_strRemoteFileName))
        return;
    if (!m_optFile->Append(strData))
        FailWrite(std::strerror(errno));
}

const std::string& ConfigBackup::PartFileName() const {
    static const std::string strNone;
    return m_optFile ? m_optFile->PartFileName() : strNone;
}

void ConfigBackup::DiscardPart() {
    if (m_optFile)
        m_optFile->Discard();
}

void ConfigBackup::EndRun() {
    m_blnActive = false;
    tmrTimeLimit.Cancel();
}

void ConfigBackup::Finish() {
    EndRun();
    m_SetControlsEnabled(true);
}

void ConfigBackup::ScriptComplete() {
    if (m_lngScriptMode != 1 || !m_blnActive)
        return;
    EndRun();
    if (m_blnWriteFailed || !m_optFile->HasData()) {
        DiscardPart();
        m_window.ShowMessage(kNoDataMessage, MessageIcon::Warning);
        Finish();
        return;
    }
    std::string strFinal;
    std::string strReason;
    if (!m_optFile->Save(strFinal, strReason)) {
        const std::string strPart = m_optFile->PartFileName();
        DiscardPart();
        m_window.ShowMessage("The backup failed: " + strPart + " could not be saved as " +
                                 strFinal + " (" + strReason + ").",
                             MessageIcon::Warning);
        Finish();
        return;
    }
    m_strSavedFileName = strFinal;
    m_window.SetStatus("Backup complete.");
    m_window.ShowMessage(kBackupCompleteMessage, MessageIcon::Information);
    Finish();
}

void ConfigBackup::ScriptError(bool& blnUnrecognised, bool& blnLoginFailed) {
    if (!m_blnActive)
        return;
    EndRun();
    DiscardPart();
    if (blnLoginFailed)
        m_window.ShowMessage(kLoginErrorMessage, MessageIcon::Warning);
    else if (blnUnrecognised)
        m_window.ShowMessage(kScriptErrorMessage, MessageIcon::Warning);
    else
        m_window.ShowMessage(kUnknownScriptErrorMessage, MessageIcon::Warning);
    Finish();
}

} // namespace ata
