#pragma once

#include "base/ITimerService.h"
#include "base/UniqueFd.h"
#include "script/ZelTelnet.h"
#include "workflow/IWindowOps.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ata {

// A double quote, the text, a double quote.
std::string QuoteText(const std::string& strText);

// The 17-line FTP script of a configuration backup, each line followed by CR LF. The window
// always uses port 21; other ports are for tests against local servers.
std::string BuildBackupScriptText(const std::string& strAddress, const std::string& strUser,
                                  const std::string& strPass, int32_t lngPort = 21);

// Empty when the user name and password can go into the script unchanged; otherwise the
// warning to show (a CR, LF or TAB, or a backslash before n, N or a double quote would change
// the commands sent to the device).
std::string CheckBackupCredentials(const std::string& strUser, const std::string& strPass);

// True for an address that can go into the HOST line: a valid dotted address with no space,
// tab, quote, CR or LF.
bool IsUsableBackupAddress(const std::string& strAddress);

inline constexpr const char* kBackupCompleteMessage = "Current config backed up.";
inline constexpr const char* kLoginErrorMessage =
    "Login error - please make sure the username and password are correct.";
inline constexpr const char* kScriptErrorMessage = "Telnet script error.";
inline constexpr const char* kUnknownScriptErrorMessage = "Unrecognised telnet script error.";
inline constexpr const char* kBadCredentialsMessage =
    "The user name or password contains a line break, a tab, or a backslash followed by n or "
    "a double quote, which would change the commands sent to the ATA. Nothing was sent.";
// More backups in one second than this fail rather than look further for a free name.
inline constexpr int kMaxCopiesPerSecond = 100;
inline constexpr const char* kNoDataMessage =
    "The backup ended without receiving the configuration file. No backup was saved.";

// Backup Config: builds the script, runs it on the engine, writes the received file under a
// ".part" name and renames it to "Config" + stamp + ".reg" only after a successful end.
// frmMain owns one, calls cmdBackup_Click from its button and either passes this object to
// the engine as its event sink or forwards the engine's events to the ZelTelnet_* handlers.
class ConfigBackup : public script::IZelTelnetEvents {
public:
    struct Options {
        std::string strAppFolder;               // ends in "/"
        int32_t lngPort = 21;                   // FTP port (tests only change it)
        double dblTimeLimitSeconds = 30;        // without progress on either connection
        std::function<double()> Clock;          // seconds, monotonic; steady_clock when empty
        std::function<std::string()> TimeStamp; // "yyyymmdd-hhnnss"; local time when empty
    };

    // pTimers runs the time limit; without one a backup has none and ends only through the
    // engine or Form_Unload.
    ConfigBackup(IWindowOps& window, script::ZelTelnet& engine, ITimerService* pTimers,
                 std::function<void(bool)> SetControlsEnabled, Options options);

    // Starts the backup and returns at once; the controls stay disabled until the engine
    // ends the run, the time limit passes without progress, or Form_Unload aborts it.
    void cmdBackup_Click();
    // Closing the window: aborts a running backup. Every unsuccessful end removes the ".part"
    // file.
    void Form_Unload();

    void ZelTelnet_ReceivedData(const std::string& strData, const std::string& strCommand);
    void ZelTelnet_ScriptComplete();
    void ZelTelnet_ScriptError(bool blnUnrecognised, bool blnLoginFailed);
    void ZelTelnet_LogUpdate(const std::string& strMessage);

    bool IsBusy() const { return m_blnActive; }
    // Seconds without progress after which a running backup is given up.
    void SetTimeLimit(double dblSeconds) { m_options.dblTimeLimitSeconds = dblSeconds; }
    int32_t ScriptMode() const { return m_lngScriptMode; }
    const std::string& ScriptText() const { return m_strScriptText; }
    const std::string& RemoteFileName() const { return m_strRemoteFileName; }
    // The final name of the running or last backup, and the file the data goes to meanwhile.
    const std::string& BackupFileName() const { return m_strBackupFileName; }
    const std::string& PartFileName() const { return m_strPartFileName; }
    // The file the last successful backup was saved as (a suffix is added to a taken name).
    const std::string& SavedFileName() const { return m_strSavedFileName; }

    // Engine events.
    void ScriptComplete() override { ZelTelnet_ScriptComplete(); }
    void ScriptError(bool& blnUnrecognised, bool& blnLoginFailed) override {
        ZelTelnet_ScriptError(blnUnrecognised, blnLoginFailed);
    }
    void ReceivedData(const std::string& strData, const std::string& strCommand) override {
        ZelTelnet_ReceivedData(strData, strCommand);
    }
    void LogUpdate(const std::string& strMessage) override { ZelTelnet_LogUpdate(strMessage); }

private:
    void BuildBackupScript();
    // The time limit: progress only notes its time; when the timer comes it either waits for
    // the rest of the limit counted from the last progress or gives the backup up.
    void ArmTimeLimit(double dblSeconds);
    void tmrTimeLimit_Timer();
    void EndRun(); // no longer running: the time limit is off; the controls are not touched
    void Finish(); // back to idle
    void FailWrite(const std::string& strReason);
    // A backup that did not succeed leaves no partial file behind.
    void DiscardPart();
    // Creates the ".part" file of the first free name of this second; false with errno set.
    bool CreatePart();
    // The name of the intCopy-th backup of the same second ("-2" and on before ".reg").
    std::string CopyName(int intCopy) const;
    // Flushes the ".part" file and gives it its final name, flushed too.
    bool SavePart(std::string& strFinal, std::string& strReason);
    double Now() const;

    IWindowOps& m_window;
    script::ZelTelnet& m_engine;
    ITimerService* m_pTimers;
    std::function<void(bool)> m_SetControlsEnabled;
    Options m_options;

    std::string m_strScriptText;
    std::string m_strRemoteFileName;
    std::string m_strBackupFileName;
    std::string m_strSavedFileName;
    int32_t m_lngScriptMode = 0;
    bool m_blnActive = false;
    bool m_blnWriteFailed = false;
    int64_t m_lngBytesWritten = 0;
    bool m_blnPartCreated = false;
    std::string m_strPartFileName;
    UniqueFd m_objPart; // the ".part" file while the run writes it
    double m_dblLastProgress = 0;
    std::string m_strLastReply;
    TimerHandle tmrTimeLimit; // last: cancelled before anything it could call is destroyed
};

} // namespace ata
