#include "app/qt/MainWindow.h"

#include "app/qt/AccessibleFactory.h"
#include "app/qt/DesignFonts.h"
#include "app/qt/LedWidget.h"
#include "app/qt/LogPaneText.h"
#include "app/qt/MarkedCheckBox.h"
#include "app/qt/ZelLabelWidget.h"
#include "app/qt/ZelSimpleButtonWidget.h"
#include "workflow/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace ata {

namespace {

int Px(int lngTwips) {
    return static_cast<int>(std::lround(lngTwips / double(MainWindow::kTwipsPerPixel)));
}

void Place(QWidget* widget, int lngLeft, int lngTop, int lngWidth, int lngHeight) {
    widget->setGeometry(Px(lngLeft), Px(lngTop), Px(lngWidth), Px(lngHeight));
}

QString FromBytes(const std::string& strText) {
    return QString::fromLatin1(strText.data(), static_cast<qsizetype>(strText.size()));
}

std::string ToBytes(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

MainWindow::MainWindow(ITimerService& timers) {
    // Before anything a screen reader could ask about: Qt keeps the first interface it makes.
    InstallAccessibleControls();
    setObjectName("frmMain");
    setWindowTitle(kAppTitle);
    resize(Px(8220), Px(5400));
    // No smaller than the top band with its margins and the pane's margins beneath it, so that
    // every control of the band stays whole.
    setMinimumSize(Px(8220), Px(2280 + 120));
    // The design's controls are laid out for the 8.25-point user-interface face; the
    // application's message boxes use it too.
    InstallDesignFonts();
    setFont(DesignUiFont());
    BuildControls(timers);
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::BuildControls(ITimerService& timers) {
    m_fraOptions = new QGroupBox(this);
    m_fraOptions->setObjectName("fraOptions");
    Place(m_fraOptions, 120, 0, 8055, 2175);

    auto label = [&](const char* caption, int left, int top) {
        auto* lbl = new QLabel(caption, m_fraOptions);
        lbl->setObjectName("lblMisc");
        Place(lbl, left, top, 975, 255);
        // A label overlaps the field before it and the field after it: it lies beneath both,
        // and its text stands against the field it names, clear of the one before.
        lbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lbl->lower();
        return lbl;
    };
    auto button = [&](ZelSimpleButtonWidget*& target, const char* name, const char* caption,
                      int left, int width) {
        target = new ZelSimpleButtonWidget(timers, caption, m_fraOptions);
        target->setObjectName(name);
        target->applyWindowProperties(caption);
        Place(target, left, 600, width, 495);
        // Connected before the command: the focus returns to the button when it ends.
        connect(target, &ZelSimpleButtonWidget::clicked, this,
                [this, target] { m_focus.Started(target); });
    };
    auto lamp = [&](LedWidget*& target, const char* name, const char* caption, const char* tip,
                    int left, int width) {
        target = new LedWidget(name, m_fraOptions);
        target->setObjectName(name);
        target->applyWindowProperties(caption);
        target->setToolTip(tip);
        Place(target, left, 1200, width, 495);
    };

    // Each field is labelled by the label beneath it, for screen readers.
    QLabel* lblIp = label("IP address:", 120, 240);
    m_cboIp = new QComboBox(m_fraOptions);
    m_cboIp->setObjectName("cboIp");
    m_cboIp->setEditable(true);
    m_cboIp->setInsertPolicy(QComboBox::NoInsert);
    Place(m_cboIp, 1200, 240, 2175, 315);
    lblIp->setBuddy(m_cboIp);

    QLabel* lblUser = label("Username:", 3240, 255);
    m_txtUser = new QLineEdit(m_fraOptions);
    m_txtUser->setObjectName("txtUser");
    Place(m_txtUser, 4200, 240, 1455, 285);
    lblUser->setBuddy(m_txtUser);

    QLabel* lblPass = label("Password:", 5520, 255);
    m_txtPass = new QLineEdit(m_fraOptions);
    m_txtPass->setObjectName("txtPass");
    m_txtPass->setEchoMode(QLineEdit::Password);
    // Masks with "*" as the design asks, not the platform's bullet.
    m_txtPass->setStyleSheet("lineedit-password-character: 42");
    Place(m_txtPass, 6480, 240, 1455, 285);
    lblPass->setBuddy(m_txtPass);

    button(m_cmdStatus, "cmdStatus", "Get &Status", 120, 855);
    button(m_cmdLog, "cmdLog", "Get System &Log", 1080, 975);
    button(m_cmdSaveLog, "cmdSaveLog", "Save System Log", 2160, 1215);
    button(m_cmdSummarise, "cmdSummarise", "Summarise Log", 3480, 975);
    m_chkAutoSum = new MarkedCheckBox("Summarise log on save", m_fraOptions);
    m_chkAutoSum->setObjectName("chkAutoSum");
    Place(m_chkAutoSum, 4560, 600, 2055, 255);
    button(m_cmdBackup, "cmdBackup", "&Backup Config", 6720, 1215);

    lamp(m_ledPower, "ledPower", "Online", "ATA online status", 120, 1095);
    lamp(m_ledVoIP, "ledVoIP", "Registered", "ATA registration status", 1320, 1335);
    SetLedColour(ControlId::ledPower, kColourLightGrey);
    SetLedColour(ControlId::ledVoIP, kColourLightGrey);

    m_lblAbout =
        new QLabel("ATA maintenance tool: status, system log and configuration backup of one VoIP "
                   "telephone adapter.",
                   m_fraOptions);
    m_lblAbout->setObjectName("lblAbout");
    m_lblAbout->setWordWrap(true);
    Place(m_lblAbout, 2760, 1200, 5175, 495);

    m_lblStatus = new ZelLabelWidget(m_fraOptions);
    m_lblStatus->setObjectName("lblStatus");
    m_lblStatus->applyStatusLineProperties();
    m_lblStatus->setCaption("Status");
    Place(m_lblStatus, 0, 1800, 8055, 370);

    m_txtLog = new QPlainTextEdit(this);
    m_txtLog->setObjectName("txtLog");
    QFont paneFont("Courier New");
    paneFont.setPointSizeF(8.25);
    paneFont.setStyleHint(QFont::TypeWriter);
    m_txtLog->setFont(paneFont);
    m_txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtLog->setAccessibleName("System log");
    // Tab leaves the pane like any other control; nobody types a tab into a device log.
    m_txtLog->setTabChangesFocus(true);
    Place(m_txtLog, 120, 2280, 8055, 3015);

    connect(m_cmdStatus, &ZelSimpleButtonWidget::clicked, this, &MainWindow::cmdStatusClicked);
    connect(m_cmdLog, &ZelSimpleButtonWidget::clicked, this, &MainWindow::cmdLogClicked);
    connect(m_cmdSaveLog, &ZelSimpleButtonWidget::clicked, this, &MainWindow::cmdSaveLogClicked);
    connect(m_cmdSummarise, &ZelSimpleButtonWidget::clicked, this,
            &MainWindow::cmdSummariseClicked);
    connect(m_cmdBackup, &ZelSimpleButtonWidget::clicked, this, &MainWindow::cmdBackupClicked);
}

void MainWindow::Attach(frmMain& logic) {
    m_logic = &logic;
    connect(this, &MainWindow::cmdStatusClicked, this, [this] { m_logic->cmdStatus_Click(); });
    connect(this, &MainWindow::cmdLogClicked, this, [this] { m_logic->cmdLog_Click(); });
    connect(this, &MainWindow::cmdSaveLogClicked, this, [this] { m_logic->cmdSaveLog_Click(); });
    connect(this, &MainWindow::cmdSummariseClicked, this,
            [this] { m_logic->cmdSummarise_Click(); });
    connect(this, &MainWindow::cmdBackupClicked, this, [this] { m_logic->cmdBackup_Click(); });
}

QWidget* MainWindow::Control(ControlId enmControl) const {
    switch (enmControl) {
    case ControlId::cboIp:
        return m_cboIp;
    case ControlId::txtUser:
        return m_txtUser;
    case ControlId::txtPass:
        return m_txtPass;
    case ControlId::cmdStatus:
        return m_cmdStatus;
    case ControlId::cmdLog:
        return m_cmdLog;
    case ControlId::cmdSaveLog:
        return m_cmdSaveLog;
    case ControlId::cmdSummarise:
        return m_cmdSummarise;
    case ControlId::cmdBackup:
        return m_cmdBackup;
    case ControlId::chkAutoSum:
        return m_chkAutoSum;
    case ControlId::txtLog:
        return m_txtLog;
    case ControlId::ledPower:
        return m_ledPower;
    case ControlId::ledVoIP:
        return m_ledVoIP;
    case ControlId::lblStatus:
        return m_lblStatus;
    }
    return nullptr;
}

void MainWindow::SetStatus(const std::string& strText) {
    m_lblStatus->setCaption(FromBytes(strText));
}

std::string MainWindow::StatusText() const {
    return ToBytes(m_lblStatus->caption());
}

void MainWindow::DoEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::ShowMessage(const std::string& strText, MessageIcon enmIcon) {
    // A command still finishing after the window was closed has nobody left to tell.
    if (m_blnClosed)
        return;
    if (m_messageSink) {
        m_messageSink(strText, enmIcon);
        return;
    }
    QMessageBox box(enmIcon == MessageIcon::Warning ? QMessageBox::Warning
                                                    : QMessageBox::Information,
                    kAppTitle, FromBytes(strText), QMessageBox::Ok, this);
    box.exec();
}

std::string MainWindow::GetLogText() {
    // The display mapping is one to one, so the document alone gives back exactly the bytes
    // put into it (until the user edits them); the pane holds the text once.
    return PaneBytes(*m_txtLog->document());
}

void MainWindow::SetLogText(const std::string& strText) {
    // Whenever the pane's width changes, every line is laid out again and keeps a layout of its
    // own from then on (a few hundred bytes a line). A long text makes the scroll bars appear
    // and so changes the width: filled with both bars already shown, it arrives at the width it
    // will be seen at. (A hidden pane takes no notice of the bars until it is shown again.)
    m_txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtLog->clear();
    // Filled in one edit, a piece at a time, so that the text is never held a second time in
    // the display's two bytes a character; the undo history stays empty, as after setPlainText.
    QTextDocument& objDocument = *m_txtLog->document();
    objDocument.setUndoRedoEnabled(false);
    QTextCursor objEnd(&objDocument);
    objEnd.beginEditBlock();
    constexpr size_t kPiece = 1 << 20;
    for (size_t lngPos = 0; lngPos < strText.size();) {
        size_t lngCount = std::min(kPiece, strText.size() - lngPos);
        // A CR LF is one line break: its two bytes stay in one piece.
        if (lngPos + lngCount < strText.size() && strText[lngPos + lngCount - 1] == '\r')
            ++lngCount;
        objEnd.insertText(PaneDisplayText(std::string_view(strText).substr(lngPos, lngCount)));
        lngPos += lngCount;
    }
    objEnd.endEditBlock();
    objDocument.setUndoRedoEnabled(true);
    objDocument.setModified(false);
    m_txtLog->moveCursor(QTextCursor::Start);
    m_txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void MainWindow::SetLogVisible(bool blnVisible) {
    m_focus.WindowChange([&] { m_txtLog->setVisible(blnVisible); });
}

void MainWindow::SetLedColour(ControlId enmLed, int32_t lngColour) {
    m_ledColours[enmLed] = lngColour;
    LedWidget* lamp = enmLed == ControlId::ledPower ? m_ledPower : m_ledVoIP;
    lamp->setFillColor(lngColour);
    lamp->update();
}

int32_t MainWindow::LedColour(ControlId enmLed) const {
    const auto it = m_ledColours.find(enmLed);
    return it == m_ledColours.end() ? kColourLightGrey : it->second;
}

void MainWindow::SetEnabled(ControlId enmControl, bool blnEnabled) {
    QWidget* widget = Control(enmControl);
    if (!widget)
        return;
    m_focus.WindowChange([&] { widget->setEnabled(blnEnabled); });
    if (blnEnabled)
        m_focus.Enabled(widget);
}

std::string MainWindow::GetIpText() {
    return ToBytes(m_cboIp->currentText());
}
void MainWindow::SetIpText(const std::string& strText) {
    m_cboIp->setEditText(FromBytes(strText));
}
void MainWindow::AddIpListItem(const std::string& strText) {
    // Adding an item must not replace the text the user sees.
    const QString current = m_cboIp->currentText();
    m_cboIp->addItem(FromBytes(strText));
    m_cboIp->setEditText(current);
}
void MainWindow::FocusIp() {
    m_cboIp->setFocus(Qt::OtherFocusReason);
}

std::string MainWindow::GetUserText() {
    return ToBytes(m_txtUser->text());
}
void MainWindow::SetUserText(const std::string& strText) {
    m_txtUser->setText(FromBytes(strText));
}
std::string MainWindow::GetPassText() {
    return ToBytes(m_txtPass->text());
}
void MainWindow::SetPassText(const std::string& strText) {
    m_txtPass->setText(FromBytes(strText));
}

int32_t MainWindow::GetAutoSum() {
    switch (m_chkAutoSum->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void MainWindow::SetAutoSum(int32_t intValue) {
    m_chkAutoSum->setTristate(intValue == 2);
    m_chkAutoSum->setCheckState(intValue == 1   ? Qt::Checked
                                : intValue == 2 ? Qt::PartiallyChecked
                                                : Qt::Unchecked);
}

void MainWindow::GetClientSize(int32_t& lngWidth, int32_t& lngHeight) {
    lngWidth = width() * kTwipsPerPixel;
    lngHeight = height() * kTwipsPerPixel;
}

PaneGeometry MainWindow::GetPaneGeometry() {
    const QRect g = m_txtLog->geometry();
    return {g.x() * kTwipsPerPixel, g.y() * kTwipsPerPixel, g.width() * kTwipsPerPixel,
            g.height() * kTwipsPerPixel};
}

void MainWindow::SetPaneWidth(int32_t lngWidth) {
    m_txtLog->resize(Px(lngWidth), m_txtLog->height());
}
void MainWindow::SetPaneHeight(int32_t lngHeight) {
    m_txtLog->resize(m_txtLog->width(), Px(lngHeight));
}

void MainWindow::Sleep(int32_t lngMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(lngMilliseconds));
}

bool MainWindow::WaitEvents(int32_t lngMilliseconds) {
    if (m_blnClosed)
        return false;
    QEventLoop objLoop;
    QTimer::singleShot(lngMilliseconds, &objLoop, &QEventLoop::quit);
    objLoop.exec();
    return !m_blnClosed;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_logic)
        m_logic->Form_QueryUnload();
    m_blnClosed = true;
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event) {
    m_blnClosed = false;
    QWidget::showEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_logic)
        m_logic->Form_Resize();
}

bool MainWindow::IsInsideIpField(const QWidget* widget) const {
    return widget && (widget == m_cboIp || m_cboIp->isAncestorOf(widget));
}

// Mirrors how a click moves the focus: to the nearest enabled ancestor that takes click focus.
bool MainWindow::FocusWouldLeaveIpFor(QWidget* target) const {
    for (QWidget* w = target; w && w != this; w = w->parentWidget()) {
        if (IsInsideIpField(w))
            return false;
        if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus))
            return true;
    }
    return false;
}

bool MainWindow::ValidateLeavingIp() {
    if (!m_logic || m_blnValidating)
        return false;
    m_blnValidating = true;
    const bool blnKeepFocus = m_logic->cboIp_Validate();
    m_blnValidating = false;
    return blnKeepFocus;
}

// The IP field is checked before the focus leaves it, and an attempt to leave it with an invalid
// address is swallowed: clicks elsewhere, Tab and Backtab, and access keys of other controls.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (m_blnValidating || !IsInsideIpField(QApplication::focusWidget()))
        return false;
    // A click moves the focus while the window handles it, before the widget under the mouse
    // sees the press, so clicks are caught at the window.
    if (event->type() == QEvent::MouseButtonPress && watched == windowHandle()) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (FocusWouldLeaveIpFor(childAt(at)))
            return ValidateLeavingIp();
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && IsInsideIpField(widget))
            return ValidateLeavingIp();
        // A key for a button while the field has the focus is a screen reader's press, which
        // leaves the field as the keyboard would.
        if (qobject_cast<ZelSimpleButtonWidget*>(widget))
            return ValidateLeavingIp();
        break;
    }
    case QEvent::Shortcut:
        if (!IsInsideIpField(widget))
            return ValidateLeavingIp();
        break;
    default:
        break;
    }
    return false;
}

} // namespace ata
