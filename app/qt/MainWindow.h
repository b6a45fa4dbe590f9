#pragma once

#include "app/qt/CommandFocus.h"
#include "workflow/IWindowOps.h"

#include <QWidget>

#include <functional>
#include <map>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace ata {

class frmMain;
class ITimerService;
class LedWidget;
class ZelLabelWidget;
class ZelSimpleButtonWidget;

// The tool's one window. It lays out the controls at their design positions (twips / 15),
// forwards window events to the workflow logic and implements the window operations that the
// logic uses. Texts cross the Qt boundary as Latin-1 so that every byte survives.
class MainWindow : public QWidget, public IWindowOps {
    Q_OBJECT
public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr const char* kAppTitle = "ATA Maintenance Tool";

    // timers serves the drawn buttons' timers and must outlive the window.
    explicit MainWindow(ITimerService& timers);
    ~MainWindow() override;

    // Connects the logic; events reach it from then on.
    void Attach(frmMain& logic);

    // Replaces the modal message box, for tests: the sink receives each message instead.
    using MessageSink = std::function<void(const std::string&, MessageIcon)>;
    void SetMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    QComboBox* cboIp() const { return m_cboIp; }
    QLineEdit* txtUser() const { return m_txtUser; }
    QLineEdit* txtPass() const { return m_txtPass; }
    QCheckBox* chkAutoSum() const { return m_chkAutoSum; }
    QPlainTextEdit* txtLog() const { return m_txtLog; }
    QWidget* Control(ControlId enmControl) const;

    // IWindowOps
    void SetStatus(const std::string& strText) override;
    void DoEvents() override;
    void ShowMessage(const std::string& strText, MessageIcon enmIcon) override;
    std::string GetLogText() override;
    void SetLogText(const std::string& strText) override;
    void SetLogVisible(bool blnVisible) override;
    void SetLedColour(ControlId enmLed, int32_t lngColour) override;
    void SetEnabled(ControlId enmControl, bool blnEnabled) override;
    std::string GetIpText() override;
    void SetIpText(const std::string& strText) override;
    void AddIpListItem(const std::string& strText) override;
    void FocusIp() override;
    std::string GetUserText() override;
    void SetUserText(const std::string& strText) override;
    std::string GetPassText() override;
    void SetPassText(const std::string& strText) override;
    int32_t GetAutoSum() override;
    void SetAutoSum(int32_t intValue) override;
    void GetClientSize(int32_t& lngWidth, int32_t& lngHeight) override;
    PaneGeometry GetPaneGeometry() override;
    void SetPaneWidth(int32_t lngWidth) override;
    void SetPaneHeight(int32_t lngHeight) override;
    void Sleep(int32_t lngMilliseconds) override;
    bool WaitEvents(int32_t lngMilliseconds) override;

    // The status line's text now.
    std::string StatusText() const;
    // The colour word a lamp shows now.
    int32_t LedColour(ControlId enmLed) const;

signals:
    void cmdStatusClicked();
    void cmdLogClicked();
    void cmdSaveLogClicked();
    void cmdSummariseClicked();
    void cmdBackupClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(ITimerService& timers);
    bool IsInsideIpField(const QWidget* widget) const;
    bool FocusWouldLeaveIpFor(QWidget* target) const;
    // Runs the IP field's check; true when the focus must stay in the field.
    bool ValidateLeavingIp();

    frmMain* m_logic = nullptr;
    MessageSink m_messageSink;
    bool m_blnValidating = false;
    bool m_blnClosed = false;

    QGroupBox* m_fraOptions = nullptr;
    QComboBox* m_cboIp = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPass = nullptr;
    ZelSimpleButtonWidget* m_cmdStatus = nullptr;
    ZelSimpleButtonWidget* m_cmdLog = nullptr;
    ZelSimpleButtonWidget* m_cmdSaveLog = nullptr;
    ZelSimpleButtonWidget* m_cmdSummarise = nullptr;
    ZelSimpleButtonWidget* m_cmdBackup = nullptr;
    QCheckBox* m_chkAutoSum = nullptr;
    LedWidget* m_ledPower = nullptr;
    LedWidget* m_ledVoIP = nullptr;
    QLabel* m_lblAbout = nullptr;
    ZelLabelWidget* m_lblStatus = nullptr;
    QPlainTextEdit* m_txtLog = nullptr;
    std::map<ControlId, int32_t> m_ledColours;
    CommandFocus m_focus{*this};
};

} // namespace ata
