#include "workflow/ConfigBackup.h"

#include "base/FileIo.h"
#include "workflow/modMiscIp.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace ata {

namespace {

bool ContainsNoCase(const std::string& strText, const std::string& strPart) {
    if (strPart.size() > strText.size())
        return false;
    for (size_t i = 0; i + strPart.size() <= strText.size(); ++i) {
        bool match = true;
        for (size_t k = 0; match && k < strPart.size(); ++k)
            match = std::tolower(static_cast<unsigned char>(strText[i + k])) ==
                    std::tolower(static_cast<unsigned char>(strPart[k]));
        if (match)
            return true;
    }
    return false;
}

std::string TrimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tmNow{};
    localtime_r(&now, &tmNow);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tmNow);
    return buf;
}

bool UnsafeForScript(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        if (ch == '\r' || ch == '\n' || ch == '\t')
            return true;
        if (ch == '\\' && i + 1 < s.size() &&
            (s[i + 1] == 'n' || s[i + 1] == 'N' || s[i + 1] == '"'))
            return true;
    }
    return false;
}

// Renames without ever replacing: false with EEXIST when the new name is taken. File systems
// that cannot do that in one step get a link and an unlink, which cannot replace either.
bool RenameNoReplace(const std::string& strFrom, const std::string& strTo) {
    if (::renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(strFrom.c_str(), strTo.c_str()) != 0)
        return false;
    ::unlink(strFrom.c_str());
    return true;
}

} // namespace

std::string QuoteText(const std::string& strText) {
    return "\"" + strText + "\"";
}

std::string BuildBackupScriptText(const std::string& strAddress, const std::string& strUser,
                                  const std::string& strPass, int32_t lngPort) {
    std::string s;
    auto add = [&s](const std::string& strLine) { s += strLine + "\r\n"; };
    add("HOST " + strAddress + " " + std::to_string(lngPort));
    add("WAIT " + QuoteText("220"));
    add("SEND " + QuoteText("USER " + strUser + "\\n"));
    add("WAIT " + QuoteText("331"));
    add("SEND " + QuoteText("PASS " + strPass + "\\n"));
    add("WAIT " + QuoteText("230"));
    add("SEND " + QuoteText("PWD\\n"));
    add("WAIT " + QuoteText("/RFA/"));
    add("SEND " + QuoteText("TYPE I\\n"));
    add("WAIT " + QuoteText("200"));
    add("SEND " + QuoteText("PASV\\n"));
    add("WAIT " + QuoteText("227"));
    add("RETR " + QuoteText("CONFIG.REG\\n"));
    add("WAIT " + QuoteText("226"));
    add("DELAY 1");
    add("SEND " + QuoteText("QUIT\\n"));
    add("WAIT " + QuoteText("221"));
    return s;
}

std::string CheckBackupCredentials(const std::string& strUser, const std::string& strPass) {
    if (UnsafeForScript(strUser) || UnsafeForScript(strPass))
        return kBadCredentialsMessage;
    return {};
}

bool IsUsableBackupAddress(const std::string& strAddress) {
    if (strAddress.find_first_of(" \t\"\r\n") != std::string::npos)
        return false;
    return modMisc::IsValidIp(strAddress);
}

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

    const std::string strAddress = TrimBlanks(m_window.GetIpText());
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
    m_blnPartCreated = false;
    m_strPartFileName = m_strBackupFileName + ".part";
    m_lngBytesWritten = 0;
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

void ConfigBackup::ZelTelnet_LogUpdate(const std::string& strMessage) {
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

void ConfigBackup::ZelTelnet_ReceivedData(const std::string& strData,
                                          const std::string& strCommand) {
    if (!m_blnActive || m_blnWriteFailed)
        return;
    m_dblLastProgress = Now();
    if (!ContainsNoCase(strCommand, m_strRemoteFileName))
        return;
    // The first piece creates the file; it stays open for the rest of the run.
    if (!m_blnPartCreated && !CreatePart()) {
        FailWrite(std::strerror(errno));
        return;
    }
    if (!modFileIo::WriteAt(m_objPart.Get(), strData, static_cast<off_t>(m_lngBytesWritten))) {
        FailWrite(std::strerror(errno));
        return;
    }
    m_lngBytesWritten += static_cast<int64_t>(strData.size());
}

bool ConfigBackup::CreatePart() {
    // A configuration holds the device's passwords, so the file is private from its first byte.
    // It is always a new file: never one that another backup in the same second writes, nor
    // whatever a link planted at the name points to.
    for (int intCopy = 1; intCopy < kMaxCopiesPerSecond; ++intCopy) {
        m_strPartFileName = CopyName(intCopy) + ".part";
        m_objPart = UniqueFd(::open(m_strPartFileName.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (m_objPart) {
            m_blnPartCreated = true;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

std::string ConfigBackup::CopyName(int intCopy) const {
    if (intCopy == 1)
        return m_strBackupFileName;
    return m_strBackupFileName.substr(0, m_strBackupFileName.size() - 4) + "-" +
           std::to_string(intCopy) + ".reg";
}

bool ConfigBackup::SavePart(std::string& strFinal, std::string& strReason) {
    if (::fsync(m_objPart.Get()) != 0 || !m_objPart.Close()) {
        strReason = std::strerror(errno);
        return false;
    }
    // Never append to or replace an existing backup: the first free name of this second.
    for (int intCopy = 1; intCopy < kMaxCopiesPerSecond; ++intCopy) {
        strFinal = CopyName(intCopy);
        if (RenameNoReplace(m_strPartFileName, strFinal)) {
            m_blnPartCreated = false;
            // "Backup complete." only once the new name is on disk too.
            if (!modFileIo::SyncFolder(modFileIo::FolderOf(strFinal))) {
                strReason = std::strerror(errno);
                return false;
            }
            return true;
        }
        if (errno != EEXIST) {
            strReason = std::strerror(errno);
            return false;
        }
    }
    strReason = std::strerror(EEXIST);
    return false;
}

void ConfigBackup::DiscardPart() {
    m_objPart.Reset();
    if (!m_blnPartCreated)
        return;
    ::unlink(m_strPartFileName.c_str());
    m_blnPartCreated = false;
}

void ConfigBackup::EndRun() {
    m_blnActive = false;
    tmrTimeLimit.Cancel();
}

void ConfigBackup::Finish() {
    EndRun();
    m_SetControlsEnabled(true);
}

void ConfigBackup::ZelTelnet_ScriptComplete() {
    if (m_lngScriptMode != 1 || !m_blnActive)
        return;
    EndRun();
    if (m_blnWriteFailed || m_lngBytesWritten == 0 || !m_blnPartCreated) {
        DiscardPart();
        m_window.ShowMessage(kNoDataMessage, MessageIcon::Warning);
        Finish();
        return;
    }
    std::string strFinal;
    std::string strReason;
    if (!SavePart(strFinal, strReason)) {
        const std::string strPart = m_strPartFileName;
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

void ConfigBackup::ZelTelnet_ScriptError(bool blnUnrecognised, bool blnLoginFailed) {
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
