#include "controls/ZelSimpleButton.h"
#include "controls/BlockTextRenderer.h"

#include "RecordingHost.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        btn.Click = [this] { ++clicks; };
        btn.UserControl_InitProperties();
        btn.UserControl_Resize(57, 33);
        btn.UserControl_Show();
        host.intPresents = 0;
    }
    test::CRecordingHost host;
    test::CManualTimer timer;
    CBlockTextRenderer text;
    ZelSimpleButton btn{host, text, timer};
    int clicks = 0;
};

TEST_F(ButtonTest, StopListsFollowTheColours) {
    EXPECT_EQ(btn.StopList(ButtonState::Normal), "0,16777215#10,15725555#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Hover), "0,16777215#10,5883130#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Disabled), "0,12632256#90,15725555#100,12964054");
}

TEST_F(ButtonTest, NormalLookPixels) {
    const auto& s = btn.Surface();
    // Border 0x743C00, two pixels at the right and bottom, one at the left and top.
    EXPECT_EQ(s.GetPixel(0, 10), 0x743C00);
    EXPECT_EQ(s.GetPixel(56, 10), 0x743C00);
    EXPECT_EQ(s.GetPixel(55, 10), 0x743C00);
    EXPECT_EQ(s.GetPixel(10, 32), 0x743C00);
    // Buffer 28x16 (28.5 -> 28); buffer row 2 (surface rows 5..6) is at 10 percent.
    EXPECT_EQ(s.GetPixel(2, 5), 0xEFF3F3);
    EXPECT_EQ(s.GetPixel(2, 2), 0xFFFFFF); // buffer row 0: the light colour
    EXPECT_EQ(s.GetPixel(2, 20), 0xEFF3F3);
}

TEST_F(ButtonTest, HoverPressAndReleaseInsideAndOutside) {
    btn.UserControl_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    EXPECT_EQ(btn.Surface().GetPixel(2, 5), 0x59C4FA);
    EXPECT_TRUE(timer.blnRunning);
    EXPECT_EQ(timer.lngInterval, 100);
    btn.UserControl_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(btn.State(), ButtonState::Pressed);
    EXPECT_EQ(btn.Surface().GetPixel(2, 5), 0xD9E1E2);
    btn.UserControl_MouseUp(1, 0, 10, 10);
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    btn.UserControl_MouseDown(1, 0, 10, 10);
    btn.UserControl_MouseUp(1, 0, 57, 10);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
    btn.UserControl_MouseDown(1, 0, 0, 0);
    btn.UserControl_MouseUp(1, 0, 0, 0); // the corner pixel belongs to the control
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    btn.UserControl_MouseDown(1, 0, 0, 0);
    btn.UserControl_MouseUp(1, 0, 5, -1);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
}

TEST_F(ButtonTest, TimerReleasesHoverWhenThePointerLeaves) {
    btn.UserControl_GotFocus();
    btn.UserControl_MouseMove(0, 0, 3, 3);
    EXPECT_EQ(btn.ReturnState(), ButtonState::Focus);
    host.lngCursorX = 0, host.lngCursorY = 0;
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    host.lngCursorX = 57; // one past the right edge
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Focus);
    EXPECT_EQ(btn.Surface().GetPixel(2, 5), 0x59C4FA);
    EXPECT_TRUE(timer.blnRunning);
    timer.Tick();
    EXPECT_FALSE(timer.blnRunning);
}

TEST_F(ButtonTest, RepaintDuringHoverAndFinishedPressDoNotStickTheLook) {
    btn.UserControl_MouseMove(0, 0, 3, 3);
    btn.SetCaption("Other");
    btn.UserControl_MouseDown(1, 0, 3, 3);
    btn.UserControl_MouseUp(1, 0, 3, 3);
    host.lngCursorX = -1;
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Normal);
}

TEST_F(ButtonTest, OtherButtonsAndDisabledInput) {
    btn.UserControl_MouseDown(2, 0, 3, 3);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
    btn.UserControl_MouseUp(2, 0, 3, 3);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
    int moves = 0;
    btn.MouseMove = [&](int16_t, int16_t, float, float) { ++moves; };
    btn.SetEnabled(false);
    EXPECT_FALSE(host.blnInputEnabled);
    EXPECT_EQ(btn.Surface().GetPixel(2, 1), 0xC0C0C0);
    btn.UserControl_MouseMove(0, 0, 3, 3);
    btn.UserControl_MouseDown(1, 0, 3, 3);
    btn.UserControl_GotFocus();
    EXPECT_EQ(btn.State(), ButtonState::Disabled);
    EXPECT_EQ(moves, 0);
    btn.UserControl_Click();
    btn.UserControl_AccessKeyPress('S');
    btn.UserControl_KeyUp(13, 0);
    EXPECT_EQ(clicks, 0);
    btn.SetEnabled(true);
    btn.UserControl_Click();
    btn.UserControl_KeyDown(13, 0);
    btn.UserControl_KeyUp(13, 0);
    btn.UserControl_KeyDown(32, 0);
    btn.UserControl_KeyUp(32, 0);
    btn.UserControl_AccessKeyPress('S');
    EXPECT_EQ(clicks, 4);
    // Releases of keys not pressed on the button: Enter that closed a message box, Enter
    // pressed before the focus moved away, a key that is no click key.
    btn.UserControl_KeyUp(13, 0);
    btn.UserControl_KeyDown(13, 0);
    btn.UserControl_LostFocus();
    btn.UserControl_KeyUp(13, 0);
    btn.UserControl_KeyDown(65, 0);
    btn.UserControl_KeyUp(65, 0);
    EXPECT_EQ(clicks, 4);
}

TEST_F(ButtonTest, AccessKeys) {
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("Get &Status"), 'S');
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("&Backup Config"), 'B');
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("Save System Log"), '\0');
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("&&x"), '\0');
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("a && b"), '\0');
    EXPECT_EQ(ZelSimpleButton::GetAccessKey("& a&b"), 'b');
    btn.SetCaption("Get &Log");
    EXPECT_EQ(host.chrAccessKey, 'L');
}

TEST_F(ButtonTest, RedrawRulesOfTheSetters) {
    btn.SetCaption(btn.Caption());
    EXPECT_EQ(host.intPresents, 1);
    btn.SetGradientDirection(1);
    btn.SetResolution(50);
    EXPECT_EQ(host.intPresents, 3);
    btn.SetEnabled(true); // state unchanged: no repaint
    EXPECT_EQ(host.intPresents, 3);
    btn.SetNormalColour(kSysColourButtonFace);
    EXPECT_EQ(btn.NormalColour(), ClassicSystemColours().SystemColour(15));
    EXPECT_EQ(host.intPresents, 4);
    EXPECT_EQ(host.vecChanged.back(), "NormalColour");
}

TEST_F(ButtonTest, PropertiesRoundTrip) {
    CMemoryPropertyBag bag;
    btn.SetCaption("&Backup Config");
    btn.SetHoverColour(0xFFFF00);
    btn.SetFocusColour(0x00FF00);
    btn.SetEnabled(false);
    btn.UserControl_WriteProperties(bag);
    EXPECT_EQ(ReadProperty<int32_t>(bag, "HoverColour", 0), 0xFFFF00);
    test::CRecordingHost host2;
    test::CManualTimer timer2;
    ZelSimpleButton copy(host2, text, timer2);
    copy.UserControl_Resize(57, 33);
    copy.UserControl_ReadProperties(bag);
    EXPECT_EQ(copy.Caption(), "&Backup Config");
    EXPECT_EQ(copy.AccessKey(), 'B');
    EXPECT_EQ(copy.FocusColour(), 0x00FF00);
    EXPECT_EQ(copy.State(), ButtonState::Disabled);
    EXPECT_FALSE(host2.blnInputEnabled);
    EXPECT_EQ(copy.Surface().GetPixel(2, 1), 0xC0C0C0); // disabled look first
    CMemoryPropertyBag empty;
    ZelSimpleButton fresh(host2, text, timer2);
    fresh.UserControl_ReadProperties(empty);
    EXPECT_EQ(fresh.Caption(), "Button");
    EXPECT_EQ(fresh.BorderColour(), 0x743C00);
    EXPECT_EQ(fresh.Resolution(), 50);
}

} // namespace
} // namespace ata
