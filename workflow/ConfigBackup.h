#pragma once

#include "base/ITimerService.h"
#include "script/ZelTelnet.h"
#include "workflow/BackupFile.h"
#include "workflow/IWindowOps.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ata {

inline constexpr const char* kBackupCompleteMessage = "Current config backed up.";
inline constexpr const char* kLoginErrorMessage =
    "Login error - please make sure the username and password are correct.";
inline constexpr const char* kScriptErrorMessage = "Telnet script error.";
inline constexpr const char* kUnknownScriptErrorMessage = "Unrecognised telnet script error.";
inline constexpr const char* kNoDataMessage =
    "The backup ended without receiving the configuration file. No backup was saved.";

// Backup Config: builds the script, runs it on the engine, writes the received file under a
// ".part" name and renames it to "Config" + stamp + ".reg" only after a successful end.
// frmMain owns one, calls cmdBackup_Click from its button and passes this object to the engine
// as its event sink.
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

    bool IsBusy() const { return m_blnActive; }
    // Seconds without progress after which a running backup is given up.
    void SetTimeLimit(double dblSeconds) { m_options.dblTimeLimitSeconds = dblSeconds; }
    int32_t ScriptMode() const { return m_lngScriptMode; }
    const std::string& ScriptText() const { return m_strScriptText; }
    const std::string& RemoteFileName() const { return m_strRemoteFileName; }
    // The final name of the running or last backup, and the file the data goes to meanwhile.
    const std::string& BackupFileName() const { return m_strBackupFileName; }
    const std::string& PartFileName() const;
    // The file the last successful backup was saved as (a suffix is added to a taken name).
    const std::string& SavedFileName() const { return m_strSavedFileName; }

    // Engine events.
    void ReceivedData(const std::string& strData, const std::string& strCommand) override;
    void ScriptComplete() override;
    void ScriptError(bool& blnUnrecognised, bool& blnLoginFailed) override;
    // Notes progress and the server's last reply for the time limit.
    void LogUpdate(const std::string& strMessage) override;

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
    std::optional<BackupFile> m_optFile; // the running or last backup's file
    double m_dblLastProgress = 0;
    std::string m_strLastReply;
    TimerHandle tmrTimeLimit; // last: cancelled before anything it could call is destroyed
};

} // namespace ata
