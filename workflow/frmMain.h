#pragma once

#include "workflow/FileDownloader.h"
#include "workflow/IHttpReader.h"
#include "workflow/IWindowOps.h"
#include "workflow/modMiscFolder.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ata {

class IIcmpFacility;
class ConfigBackup;
class ITimerService;
namespace script {
class ZelTelnet;
}

// The main window's logic: start-up, command gating, the five commands, the IP-field check,
// the pane layout and shut-down. It acts on the window only through IWindowOps, so it runs the
// same behind the Qt window and behind a recording double.
class frmMain {
public:
    // strProgramFolder is the folder of the executable; a trailing "/" is added when missing.
    // http is the platform's read under the logic's own downloader. pTimers runs the backup's
    // time limit (none without it).
    frmMain(IWindowOps& window, IIcmpFacility& icmp, IHttpReader& http, script::ZelTelnet& engine,
            std::string strProgramFolder, ITimerService* pTimers = nullptr);
    ~frmMain();

    void Form_Load();
    // Writes the settings. Closing is never refused, so there is no cancel result.
    void Form_QueryUnload();
    void Form_Resize();
    // Returns true when the focus must stay in the IP field.
    bool cboIp_Validate();

    void cmdStatus_Click();
    void cmdLog_Click();
    void cmdSaveLog_Click();
    void cmdSummarise_Click();
    // Starts the backup and returns at once; the window stays busy until the engine ends the
    // run, the time limit passes without progress, or the window closes.
    void cmdBackup_Click();

    bool ValidateIpAddress();
    bool CheckAtaPowered();
    void SetControlsEnabled(bool blnEnabled);

    const std::string& AppFolder() const { return m_strAppFolder; }
    // Where this user's files are kept, decided in Form_Load.
    const modMisc::FileFolders& Folders() const { return m_objFolders; }
    // The folder of the configuration backups.
    const std::string& BackupFolder() const { return m_objFolders.strDataFolder; }
    const std::string& SettingsFile() const { return m_strSettingsFile; }
    const std::string& SysLogFile() const { return m_strSysLogFile; }
    int32_t PingTimeout() const { return m_lngPingTimeout; }
    // Exists from Form_Load on.
    ConfigBackup& Backup() { return *m_backup; }
    // The fetches of the status page and the system log.
    FileDownloader& Downloader() { return m_downloader; }

private:
    // Runs a command body; a failure escaping it is shown as a warning and never leaves the
    // window busy.
    template <typename Body> void RunGuarded(Body&& body);

    IWindowOps& m_window;
    IIcmpFacility& m_icmp;
    FileDownloader m_downloader;
    script::ZelTelnet& m_engine;
    ITimerService* m_pTimers;
    std::unique_ptr<ConfigBackup> m_backup;
    std::string m_strAppFolder;
    modMisc::FileFolders m_objFolders;
    std::string m_strSettingsFile;
    std::string m_strSysLogFile;
    int32_t m_lngPingTimeout = 500;
};

// The value of a stored "Auto Summarise" text as a check-box value: the leading number of the
// text, rounded; anything missing, non-numeric or outside 0..2 reads as 0.
int32_t CheckBoxValueFromText(const std::string& strText);

inline constexpr const char* kInvalidIpMessage =
    "The IP address is not valid. Please enter a valid IP address in the form x.x.x.x";
inline constexpr const char* kSettingsNotSavedMessage = "Could not save the settings to ";
inline constexpr const char* kPoweredOffMessage =
    "The ATA appears to be powered off. If you know it is switched on, please ensure the IP "
    "address is correct.";

} // namespace ata
