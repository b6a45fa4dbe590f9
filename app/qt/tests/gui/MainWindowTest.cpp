#include "app/qt/MainWindow.h"
#include "script/ZelTelnet.h"
#include "script/tests/FakeScriptSocket.h"
#include "workflow/FileDownloader.h"
#include "workflow/IIcmpFacility.h"
#include "workflow/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace ata {
namespace {

// These tests never press a network command: the echo and HTTP facilities only have to exist.
class NoIcmp : public IIcmpFacility {
public:
    bool Open(std::string&) override { return false; }
    void Close() override {}
    IcmpEchoResult SendEcho(uint32_t, const std::string&, int32_t) override { return {}; }
};

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

TEST_F(MainWindowTest, IpFieldIsTrimmedOnLeavingAndAnInvalidAddressKeepsTheFocus) {
    Open();
    // The field starts empty with the two default addresses in its list.
    ASSERT_EQ(m_window->cboIp()->count(), 2);
    EXPECT_EQ(m_window->cboIp()->itemText(1), "10.0.0.99");
    EXPECT_EQ(m_window->cboIp()->currentText(), "");
    m_window->cboIp()->setFocus();
    m_window->cboIp()->setEditText(" 192.168.0.1 ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(m_window->cboIp()->currentText(), "192.168.0.1");
    EXPECT_TRUE(m_messages.empty());
    EXPECT_FALSE(m_window->cboIp()->hasFocus());

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
    EXPECT_EQ(m_window->txtPass()->displayText(), "******");
    m_window->chkAutoSum()->setChecked(true);
    m_window->close();
    const auto file = m_folder / "settings.ini";
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "[Options]\r\nIP=127.0.0.1\r\nUsername=admin\r\nPassword=secret\r\n"
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

} // namespace
} // namespace ata
