// The window with the keyboard alone. The five commands run through the
// real window against the fake ATA on its own loopback address (root), started with Tab, Enter,
// Space and the access keys only; every message box is answered with the Enter key.
#include "testing/RealWindow.h"

#include "testing/FakeAtaFixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace ata {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr const char* kAtaAddress = "127.0.0.12";

class KeyboardTest : public FakeAtaTest {
protected:
    KeyboardTest() : FakeAtaTest(kAtaAddress) {}
};

TEST_F(KeyboardTest, FiveCommandsWithTabEnterSpaceAndAccessKeysGiveTheFocusBack) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    MainWindow& win = w.Window();
    QWidget* cmdStatus = win.Control(ControlId::cmdStatus);
    QWidget* cmdLog = win.Control(ControlId::cmdLog);
    QWidget* cmdSaveLog = win.Control(ControlId::cmdSaveLog);
    QWidget* cmdSummarise = win.Control(ControlId::cmdSummarise);
    QWidget* cmdBackup = win.Control(ControlId::cmdBackup);
    // The window system gives the window its activation back once a box has gone.
    const auto activated = [&] {
        win.activateWindow();
        QApplication::processEvents();
    };
    // A key as the keyboard gives it: to whatever has the focus.
    const auto key = [&](Qt::Key enmKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "no control has the focus";
        QTest::keyClick(focus, enmKey, modifiers);
        w.Settle();
        activated();
    };
    const QImage boxUnfocused = Grab(win.chkAutoSum());
    ASSERT_TRUE(win.cboIp()->hasFocus());

    // Alt+B from the IP field, before any Tab: while the backup runs, the disabled controls
    // have handed the focus on to the check box, the one live control, and it shows so. The
    // focus returns to the button when the backup ends.
    key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(win.chkAutoSum()->hasFocus());
    const QImage boxFocused = Grab(win.chkAutoSum());
    SaveScreenshot(boxFocused, "check-box-focused.png");
    // The mark is a frame around the caption, right of the box (13 pixels wide).
    int intMarked = 0;
    for (int y = 0; y < boxFocused.height(); ++y)
        for (int x = 16; x < boxFocused.width(); ++x)
            intMarked += boxFocused.pixel(x, y) != boxUnfocused.pixel(x, y);
    EXPECT_GT(intMarked, 40);
    ASSERT_TRUE(w.WaitUntilIdle());
    activated();
    EXPECT_EQ(w.Status(), "Backup complete.");
    ASSERT_EQ(Backups(App()).size(), 1u);
    EXPECT_TRUE(ReadBytes(Backups(App())[0]) == m_strConfig);
    EXPECT_TRUE(cmdBackup->hasFocus());
    EXPECT_FALSE(win.chkAutoSum()->isChecked());

    // Tab goes into the pane and out of it again, typing nothing, round to the IP field; then
    // user name, password, Get Status, and Space presses it.
    key(Qt::Key_Tab);
    ASSERT_TRUE(win.txtLog()->hasFocus());
    key(Qt::Key_Tab);
    EXPECT_TRUE(win.cboIp()->hasFocus());
    EXPECT_EQ(win.GetLogText(), "");
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_TRUE(cmdStatus->hasFocus());
    key(Qt::Key_Space);
    EXPECT_EQ(w.Status(), "ATA status read.");
    EXPECT_EQ(win.LedColour(ControlId::ledPower), kColourGreen);
    EXPECT_EQ(win.LedColour(ControlId::ledVoIP), kColourGreen);
    EXPECT_TRUE(cmdStatus->hasFocus());

    // Alt+L presses Get System Log wherever the focus is.
    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    key(Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(w.Status(), "Log sorted.");
    EXPECT_EQ(win.GetLogText(), kSorted1);
    EXPECT_TRUE(cmdLog->hasFocus());

    // Enter on Save System Log; the Enter that answers its message does not save again.
    key(Qt::Key_Tab);
    ASSERT_TRUE(cmdSaveLog->hasFocus());
    key(Qt::Key_Enter);
    EXPECT_EQ(History(), kSaved1);
    EXPECT_TRUE(cmdSaveLog->hasFocus());

    key(Qt::Key_Tab);
    ASSERT_TRUE(cmdSummarise->hasFocus());
    key(Qt::Key_Space);
    // Only the empty line after the last one goes.
    EXPECT_EQ(w.Status(), "Log summarised.");
    EXPECT_EQ(History(), kSorted1);
    EXPECT_TRUE(cmdSummarise->hasFocus());
    EXPECT_FALSE(win.chkAutoSum()->isChecked());

    EXPECT_EQ(
        w.MessageTexts(),
        (std::vector<std::string>{"Current config backed up.", "System log saved, 6 line(s) added.",
                                  "System log summarised from 7 to 6 line(s)"}));
}

} // namespace
} // namespace ata
