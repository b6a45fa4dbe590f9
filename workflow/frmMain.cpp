#include "workflow/frmMain.h"

#include "base/ByteText.h"
#include "script/ZelTelnet.h"
#include "workflow/ConfigBackup.h"
#include "workflow/FileDownloader.h"
#include "workflow/LogFetch.h"
#include "workflow/LogSaving.h"
#include "workflow/StatusRead.h"
#include "workflow/modFileLock.h"
#include "workflow/modMiscIp.h"
#include "workflow/modMiscSettings.h"
#include "workflow/modPing.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <utility>

namespace ata {

namespace {

constexpr const char* kSection = "Options";
// Closing waits this long at most for another window that is writing the settings.
constexpr int32_t kSettingsLockWaitMs = 2000;

} // namespace

int32_t CheckBoxValueFromText(const std::string& strText) {
    const char* begin = strText.c_str();
    char* end = nullptr;
    const double dblValue = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(dblValue))
        return 0;
    const double dblRounded = std::nearbyint(dblValue);
    if (dblRounded < 0 || dblRounded > 2)
        return 0;
    return static_cast<int32_t>(dblRounded);
}

frmMain::frmMain(IWindowOps& window, IIcmpFacility& icmp, IHttpReader& http,
                 script::ZelTelnet& engine, std::string strProgramFolder, ITimerService* pTimers)
    : m_window(window), m_icmp(icmp), m_downloader(http), m_engine(engine), m_pTimers(pTimers),
      m_strAppFolder(std::move(strProgramFolder)) {}

frmMain::~frmMain() {
    if (m_backup)
        m_engine.SetEvents(nullptr);
}

template <typename Body> void frmMain::RunGuarded(Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        // Back to idle: controls enabled and the pane shown, whatever step failed.
        SetControlsEnabled(true);
        m_window.SetLogVisible(true);
        m_window.ShowMessage(e.what(), MessageIcon::Warning);
    }
}

void frmMain::Form_Load() {
    m_window.AddIpListItem("192.168.0.1");
    m_window.AddIpListItem("10.0.0.99");

    if (m_strAppFolder.empty() || m_strAppFolder.back() != '/')
        m_strAppFolder += '/';
    m_objFolders = modMisc::ChooseFileFolders(m_strAppFolder);
    m_strSettingsFile = m_objFolders.strSettingsFolder + "settings.ini";
    m_strSysLogFile = m_objFolders.strDataFolder + "sys-log.txt";
    // A rewrite that a killed run left half done is rolled back before anything is read.
    modFileLock::RollBackUnfinishedWrite(m_strSettingsFile);
    modFileLock::RollBackUnfinishedWrite(m_strSysLogFile);

    std::error_code ec;
    if (std::filesystem::exists(m_strSettingsFile, ec)) {
        m_window.SetIpText(modMisc::ReadIniValue(kSection, "IP", m_strSettingsFile));
        m_window.SetUserText(modMisc::ReadIniValue(kSection, "Username", m_strSettingsFile));
        m_window.SetPassText(modMisc::ReadIniValue(kSection, "Password", m_strSettingsFile));
        m_window.SetAutoSum(CheckBoxValueFromText(
            modMisc::ReadIniValue(kSection, "Auto Summarise", m_strSettingsFile)));
    }

    m_engine.Mode = 2;
    m_engine.WaitForReboot = false;

    ConfigBackup::Options options;
    options.strAppFolder = m_objFolders.strDataFolder;
    m_backup = std::make_unique<ConfigBackup>(
        m_window, m_engine, m_pTimers, [this](bool blnEnabled) { SetControlsEnabled(blnEnabled); },
        std::move(options));
    m_engine.SetEvents(m_backup.get());
}

void frmMain::Form_QueryUnload() {
    // A running backup is abandoned and its partial file removed. A fetch is
    // abandoned too, so a command waiting for it ends and the process can exit at once.
    if (m_backup)
        m_backup->Form_Unload();
    m_downloader.Shutdown();
    const std::pair<const char*, std::string> arrSettings[] = {
        {"IP", m_window.GetIpText()},
        {"Username", m_window.GetUserText()},
        {"Password", m_window.GetPassText()},
        {"Auto Summarise", std::to_string(m_window.GetAutoSum())}};
    // Under the settings' lock, so that another window starting meanwhile does not take this
    // write for one a killed process left behind.
    const auto objLock = modFileLock::LockForRewrite(
        m_strSettingsFile, kSettingsLockWaitMs,
        [this](int32_t lngMilliseconds) { return m_window.WaitEvents(lngMilliseconds); });
    bool blnSaved = objLock.IsHeld();
    if (blnSaved) {
        for (const auto& [strKey, strValue] : arrSettings)
            blnSaved =
                modMisc::WriteIniValue(kSection, strKey, strValue, m_strSettingsFile) && blnSaved;
    }
    // Closing still goes ahead; the user learns that the inputs will not be there next time.
    if (!blnSaved)
        m_window.ShowMessage(kSettingsNotSavedMessage + m_strSettingsFile, MessageIcon::Warning);
}

void frmMain::Form_Resize() {
    int32_t lngWidth = 0, lngHeight = 0;
    m_window.GetClientSize(lngWidth, lngHeight);
    const PaneGeometry pane = m_window.GetPaneGeometry();
    // A size that cannot be set (negative on a tiny window) is skipped; the pane keeps its last.
    const int32_t lngNewWidth = lngWidth - 2 * pane.lngLeft;
    if (lngNewWidth >= 0)
        m_window.SetPaneWidth(lngNewWidth);
    const int32_t lngNewHeight = lngHeight - pane.lngTop - pane.lngLeft;
    if (lngNewHeight >= 0)
        m_window.SetPaneHeight(lngNewHeight);
}

bool frmMain::cboIp_Validate() {
    m_window.SetIpText(std::string(Trim(m_window.GetIpText())));
    if (modMisc::IsValidIp(m_window.GetIpText()))
        return false;
    m_window.ShowMessage(kInvalidIpMessage, MessageIcon::Warning);
    m_window.FocusIp();
    return true;
}

void frmMain::SetControlsEnabled(bool blnEnabled) {
    for (ControlId enmControl : {ControlId::cboIp, ControlId::txtUser, ControlId::txtPass,
                                 ControlId::cmdStatus, ControlId::cmdLog, ControlId::cmdBackup,
                                 ControlId::cmdSaveLog, ControlId::cmdSummarise, ControlId::txtLog})
        m_window.SetEnabled(enmControl, blnEnabled);
}

bool frmMain::ValidateIpAddress() {
    m_window.SetStatus("Validatin IP address...");
    m_window.DoEvents();
    if (modMisc::IsValidIp(m_window.GetIpText()))
        return true;
    m_window.ShowMessage(kInvalidIpMessage, MessageIcon::Warning);
    m_window.FocusIp();
    return false;
}

bool frmMain::CheckAtaPowered() {
    m_window.SetStatus("Checking ATA is powered on...");
    m_window.DoEvents();
    m_lngPingTimeout = 500;
    if (modPing::PingHost(m_window, m_icmp, m_window.GetIpText(), m_lngPingTimeout, "")) {
        m_window.SetLedColour(ControlId::ledPower, kColourGreen);
        return true;
    }
    m_window.ShowMessage(kPoweredOffMessage, MessageIcon::Information);
    m_window.SetLedColour(ControlId::ledPower, kColourRed);
    return false;
}

void frmMain::cmdStatus_Click() {
    RunGuarded([&] {
        SetControlsEnabled(false);
        m_window.SetLedColour(ControlId::ledVoIP, kColourLightGrey);
        if (ValidateIpAddress() && CheckAtaPowered())
            ReadAtaStatus(m_window, m_downloader, m_window.GetIpText());
        SetControlsEnabled(true);
    });
}

void frmMain::cmdLog_Click() {
    RunGuarded([&] {
        SetControlsEnabled(false);
        m_window.SetLogVisible(false);
        if (ValidateIpAddress() && CheckAtaPowered())
            m_window.SetLogText(FetchSortedLog(m_window, m_downloader, m_window.GetIpText()));
        SetControlsEnabled(true);
        m_window.SetLogVisible(true);
    });
}

void frmMain::cmdSaveLog_Click() {
    RunGuarded([&] {
        SaveLog(m_window, m_strSysLogFile,
                [this](bool blnEnabled) { SetControlsEnabled(blnEnabled); });
    });
}

void frmMain::cmdSummarise_Click() {
    RunGuarded([&] {
        SummariseLogAndShow(m_window, m_strSysLogFile,
                            [this](bool blnEnabled) { SetControlsEnabled(blnEnabled); });
    });
}

void frmMain::cmdBackup_Click() {
    RunGuarded([&] { m_backup->cmdBackup_Click(); });
}

} // namespace ata
