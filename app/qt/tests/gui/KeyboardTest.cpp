// The five commands with Tab, Enter, Space and the access keys alone, against the fake ATA on a
// loopback address of its own (root); every box is answered with Enter.
#include "testing/RealWindow.h"

#include "testing/FakeAtaFixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace ata {
namespace {

using namespace test;

class KeyboardTest : public FakeAtaTest {
protected:
    KeyboardTest() : FakeAtaTest("127.0.0.12") {}
};

TEST_F(KeyboardTest, FiveCommandsWithTabEnterSpaceAndAccessKeysGiveTheFocusBack) {
    StartAta();
    if (IsSkipped() || HasFatalFailure())
        return;
    RealWindow w(App());
    MainWindow& win = w.Window();
    const auto focused = [&](ControlId id) { return win.Control(id)->hasFocus(); };
    const QImage boxUnfocused = Grab(win.chkAutoSum());
    ASSERT_TRUE(win.cboIp()->hasFocus());

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

    EXPECT_EQ(
        w.MessageTexts(),
        (std::vector<std::string>{"Current config backed up.", "System log saved, 6 line(s) added.",
                                  "System log summarised from 7 to 6 line(s)"}));
}

} // namespace
} // namespace ata
