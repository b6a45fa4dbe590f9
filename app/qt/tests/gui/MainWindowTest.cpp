#include "app/qt/MainWindow.h"
#include "QtTestApplication.h"
#include "app/qt/LedWidget.h"
#include "app/qt/ZelSimpleButtonWidget.h"
#include "script/ZelTelnet.h"
#include "script/tests/FakeScriptSocket.h"
#include "workflow/FileDownloader.h"
#include "workflow/IIcmpFacility.h"
#include "workflow/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace ata {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { test::TestApplication(); }
};
const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// These tests never press a network command, so the echo facility only has to exist.
class NoIcmp : public IIcmpFacility {
public:
    bool Open(std::string& strCause) override {
        strCause = "not used by window tests";
        return false;
    }
    void Close() override {}
    IcmpEchoResult SendEcho(uint32_t, const std::string&, int32_t) override { return {}; }
};

// Any read the window starts fails at once: these tests never press a network command.
class NoHttp : public IHttpReader {
public:
    void BeginRead(const std::string&, Completion) override {
        throw std::logic_error("window tests must not fetch");
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("ata-gui-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override {
        m_window.reset();
        m_logic.reset();
        std::filesystem::remove_all(m_folder);
    }

    void Open() {
        m_window = std::make_unique<MainWindow>();
        m_window->SetMessageSink(
            [this](const std::string& s, MessageIcon) { m_messages.push_back(s); });
        m_logic =
            std::make_unique<frmMain>(*m_window, m_icmp, m_downloader, m_engine, m_folder.string());
        m_window->Attach(*m_logic);
        m_logic->Form_Load();
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        QApplication::processEvents();
    }

    std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    QRect Geometry(ControlId enmControl) { return m_window->Control(enmControl)->geometry(); }

    std::filesystem::path m_folder;
    NoIcmp m_icmp;
    NoHttp m_http;
    FileDownloader m_downloader{m_http};
    script::ZelTelnet m_engine{std::make_unique<script::test::FakeScriptSocket>(),
                               std::make_unique<script::test::FakeScriptSocket>(),
                               {}};
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<frmMain> m_logic;
    std::vector<std::string> m_messages;
};

TEST_F(MainWindowTest, StartsWithDefaultsCaptionsAndMasking) {
    Open();
    ASSERT_EQ(m_window->cboIp()->count(), 2);
    EXPECT_EQ(m_window->cboIp()->itemText(0), "192.168.0.1");
    EXPECT_EQ(m_window->cboIp()->itemText(1), "10.0.0.99");
    EXPECT_EQ(m_window->cboIp()->currentText(), "");
    EXPECT_FALSE(m_window->chkAutoSum()->isChecked());
    EXPECT_EQ(
        static_cast<ZelSimpleButtonWidget*>(m_window->Control(ControlId::cmdStatus))->caption(),
        "Get &Status");
    EXPECT_EQ(static_cast<LedWidget*>(m_window->Control(ControlId::ledVoIP))->caption(),
              "Registered");
    EXPECT_EQ(static_cast<LedWidget*>(m_window->Control(ControlId::ledVoIP))->fillColor(),
              kColourLightGrey);
    EXPECT_EQ(m_window->Control(ControlId::ledPower)->toolTip(), "ATA online status");
    EXPECT_EQ(m_window->LedColour(ControlId::ledPower), kColourLightGrey);
    m_window->txtPass()->setText("abc");
    EXPECT_EQ(m_window->txtPass()->displayText(), "***");
    const QFont pane = m_window->txtLog()->font();
    EXPECT_EQ(pane.family(), "Courier New");
    EXPECT_DOUBLE_EQ(pane.pointSizeF(), 8.25);
}

TEST_F(MainWindowTest, IpFieldIsTrimmedWhenTheFocusLeaves) {
    Open();
    m_window->cboIp()->setFocus();
    m_window->cboIp()->setEditText(" 192.168.0.1 ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(m_window->cboIp()->currentText(), "192.168.0.1");
    EXPECT_TRUE(m_messages.empty());
    EXPECT_FALSE(m_window->cboIp()->hasFocus());
}

TEST_F(MainWindowTest, InvalidIpKeepsTheFocusInTheField) {
    Open();
    m_window->cboIp()->setFocus();
    m_window->cboIp()->setEditText("192.168.0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], kInvalidIpMessage);
    EXPECT_TRUE(m_window->cboIp()->hasFocus());

    // A click on another field is refused too; it is sent to the window, as the window
    // system delivers it.
    const QPoint userField = m_window->txtUser()->mapTo(m_window.get(), QPoint(5, 5));
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, userField);
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_TRUE(m_window->cboIp()->hasFocus());
    EXPECT_FALSE(m_window->txtUser()->hasFocus());
}

TEST_F(MainWindowTest, ClosingWritesTheFourSettingsInOrderReadableByTheOwnerOnly) {
    Open();
    m_window->SetIpText("127.0.0.1");
    m_window->txtUser()->setText("admin");
    m_window->txtPass()->setText("secret");
    m_window->chkAutoSum()->setChecked(true);
    m_window->close();
    const auto file = m_folder / "settings.ini";
    EXPECT_EQ(ReadFile(file), "[Options]\r\nIP=127.0.0.1\r\nUsername=admin\r\nPassword=secret\r\n"
                              "Auto Summarise=1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The next start reads them back.
    Open();
    EXPECT_EQ(m_window->cboIp()->currentText(), "127.0.0.1");
    EXPECT_EQ(m_window->txtUser()->text(), "admin");
    EXPECT_TRUE(m_window->chkAutoSum()->isChecked());
}

TEST_F(MainWindowTest, PaneKeepsItsMarginsWhenTheWindowGrows) {
    Open();
    m_window->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(Geometry(ControlId::txtLog), QRect(8, 152, 700 - 16, 500 - 152 - 8));
    m_window->resize(10, 10);
    QApplication::processEvents();
    EXPECT_EQ(Geometry(ControlId::txtLog).size(), QSize(700 - 16, 500 - 152 - 8));
}

TEST_F(MainWindowTest, ScreenshotIsWrittenToTheBuildFolder) {
    Open();
    m_window->SetLedColour(ControlId::ledPower, kColourGreen);
    m_window->SetLedColour(ControlId::ledVoIP, kColourRed);
    m_window->SetStatus("ATA status read.");
    m_window->SetLogText("06/12/2026 18:00:00 SIP registration ok\r\n");
    QApplication::processEvents();
    const QString dir = QString(ATA_BINARY_DIR) + "/screenshots";
    QDir().mkpath(dir);
    const QString path = dir + "/main-window.png";
    ASSERT_TRUE(m_window->grab().save(path));
    EXPECT_GT(std::filesystem::file_size(path.toStdString()), 1000u);
}

} // namespace
} // namespace ata
