// The window with the keyboard alone, against the fake ATA on a loopback address of its own
// (root): the IP field's checks, then the five commands with Tab, Enter, Space and the access
// keys; every box is answered with Enter.
#include "testing/RealWindow.h"

#include "testing/FakeAtaFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace ata {
namespace {

using namespace test;

class KeyboardTest : public FakeAtaTest {
protected:
    KeyboardTest() : FakeAtaTest("127.0.0.12") {}
};

TEST_F(KeyboardTest, TheIpFieldThenFiveCommandsWithTabEnterSpaceAndAccessKeys) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    MainWindow& win = w.Window();
    const auto focused = [&](ControlId id) { return win.Control(id)->hasFocus(); };
    const QImage boxUnfocused = Grab(win.chkAutoSum());
    ASSERT_TRUE(win.cboIp()->hasFocus());

    // An invalid address keeps the focus in the IP field whether the user tabs away, clicks
    // another field or a screen reader presses a button (its press action is a key press on the
    // button); a valid one is trimmed. A disabled button ignores the press action.
    QAccessibleActionInterface* action =
        QAccessible::queryAccessibleInterface(win.Control(ControlId::cmdSaveLog))
            ->actionInterface();
    ASSERT_NE(action, nullptr);
    const auto press = [&] {
        action->doAction(QAccessibleActionInterface::pressAction());
        QApplication::processEvents();
        w.Answered();
    };
    win.cboIp()->setEditText("127.0.0");
    w.Key(Qt::Key_Tab);
    EXPECT_TRUE(win.cboIp()->hasFocus());
    // The click goes to the window, as the window system delivers it.
    QTest::mouseClick(win.windowHandle(), Qt::LeftButton, {},
                      win.txtUser()->mapTo(&win, QPoint(5, 5)));
    w.Answered();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    press();
    EXPECT_TRUE(win.cboIp()->hasFocus());
    win.cboIp()->setEditText(" 127.0.0.12 ");
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(win.cboIp()->currentText(), "127.0.0.12");
    EXPECT_TRUE(win.txtUser()->hasFocus());
    win.SetEnabled(ControlId::cmdSaveLog, false);
    press();
    win.SetEnabled(ControlId::cmdSaveLog, true);
    press();
    win.cboIp()->setFocus();

    // While the backup runs, the disabled controls hand the focus on to the check box, the one
    // live control, which shows it; the focus returns to the button when the backup ends.
    w.Key(Qt::Key_B, Qt::AltModifier);
    ASSERT_TRUE(win.chkAutoSum()->hasFocus());
    const QImage boxFocused = Grab(win.chkAutoSum());
    SaveScreenshot(boxFocused, "check-box-focused.png");
    // The mark frames the caption, right of the 13-pixel box.
    int intMarked = 0;
    for (int y = 0; y < boxFocused.height(); ++y)
        for (int x = 16; x < boxFocused.width(); ++x)
            intMarked += boxFocused.pixel(x, y) != boxUnfocused.pixel(x, y);
    EXPECT_GT(intMarked, 40);
    ASSERT_TRUE(w.WaitUntilIdle());
    w.Answered();
    EXPECT_EQ(w.Status(), "Backup complete.");
    EXPECT_TRUE(focused(ControlId::cmdBackup));
    EXPECT_FALSE(win.chkAutoSum()->isChecked());

    // Tab passes through the pane, typing nothing, round to the IP field, then on to Get Status.
    w.Key(Qt::Key_Tab);
    ASSERT_TRUE(win.txtLog()->hasFocus());
    for (int i = 0; i < 4; ++i)
        w.Key(Qt::Key_Tab);
    EXPECT_EQ(win.GetLogText(), "");
    ASSERT_TRUE(focused(ControlId::cmdStatus));
    w.Key(Qt::Key_Space);
    EXPECT_EQ(w.Status(), "ATA status read.");
    EXPECT_TRUE(focused(ControlId::cmdStatus));

    ServeLog(kDevRegA + kDevCaller + kDevPrice + kDevNul + kDevBareCr + kDevRegB);
    w.Key(Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(win.GetLogText(), kSorted1);
    EXPECT_TRUE(focused(ControlId::cmdLog));

    // The Enter that answers the save's box does not save again.
    w.Key(Qt::Key_Tab);
    ASSERT_TRUE(focused(ControlId::cmdSaveLog));
    w.Key(Qt::Key_Enter);
    EXPECT_EQ(History(), kSaved1);
    EXPECT_TRUE(focused(ControlId::cmdSaveLog));

    w.Key(Qt::Key_Tab);
    ASSERT_TRUE(focused(ControlId::cmdSummarise));
    w.Key(Qt::Key_Space);
    // Only the empty line after the last one goes.
    EXPECT_EQ(History(), kSorted1);
    EXPECT_TRUE(focused(ControlId::cmdSummarise));

    // The Enter that answers "No log to save." does not press again.
    EXPECT_EQ(w.MessageTexts(),
              (std::vector<std::string>{kInvalidIpMessage, kInvalidIpMessage, kInvalidIpMessage,
                                        "No log to save.", "Current config backed up.",
                                        "System log saved, 6 line(s) added.",
                                        "System log summarised from 7 to 6 line(s)"}));
}

} // namespace
} // namespace ata
