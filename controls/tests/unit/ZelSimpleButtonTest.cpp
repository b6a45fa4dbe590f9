#include "controls/ZelSimpleButton.h"
#include "controls/BlockTextRenderer.h"
#include "testing/ManualTimerService.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

// Records what the button tells its host and serves a settable pointer position.
class CRecordingHost : public IControlHost {
public:
    void Present() override {}
    void PropertyChanged(const std::string&) override {}
    void SetAccessKey(char chrKey) override { chrAccessKey = chrKey; }
    void SetInputEnabled(bool blnEnabled) override { blnInputEnabled = blnEnabled; }
    bool CursorClientPos(int32_t& x, int32_t& y) override {
        x = lngCursorX;
        y = lngCursorY;
        return true;
    }
    char chrAccessKey = '?';
    bool blnInputEnabled = true;
    int32_t lngCursorX = 0, lngCursorY = 0;
};

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        btn.Click = [this] { ++clicks; };
        btn.UserControl_InitProperties();
        btn.UserControl_Resize(57, 33);
        btn.UserControl_Show();
    }
    CRecordingHost host;
    test::ManualTimerService timers;
    CBlockTextRenderer text;
    ZelSimpleButton btn{host, text, timers};
    int clicks = 0;
};

TEST_F(ButtonTest, StopListsNormalLookAndAccessKeys) {
    EXPECT_EQ(btn.StopList(ButtonState::Normal), "0,16777215#10,15725555#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Hover), "0,16777215#10,5883130#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Disabled), "0,12632256#90,15725555#100,12964054");
    // Border 0x743C00, two pixels at the right and bottom, one at the left and top. Buffer 28x16
    // (28.5 -> 28): its row 0 is the light colour, row 2 (surface rows 5..6) is at 10 percent.
    const int32_t look[][3] = {{0, 10, 0x743C00},  {56, 10, 0x743C00}, {55, 10, 0x743C00},
                               {10, 32, 0x743C00}, {2, 5, 0xEFF3F3},   {2, 2, 0xFFFFFF},
                               {2, 20, 0xEFF3F3}};
    for (const auto& [x, y, lngColour] : look)
        EXPECT_EQ(btn.Surface().GetPixel(x, y), lngColour) << x << "," << y;
    const std::pair<const char*, char> cases[] = {
        {"Get &Status", 'S'}, {"&Backup Config", 'B'}, {"Save System Log", '\0'},
        {"&&x", 'x'},         {"a && b", '\0'},        {"& a&b", 'b'}};
    for (const auto& [strCaption, chrKey] : cases)
        EXPECT_EQ(ZelSimpleButton::GetAccessKey(strCaption), chrKey) << strCaption;
    btn.SetCaption("Get &Log");
    EXPECT_EQ(host.chrAccessKey, 'L');
}

TEST_F(ButtonTest, HoverPressAndReleaseInsideAndOutside) {
    btn.UserControl_MouseMove(0, 0, 10, 10);
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    EXPECT_EQ(btn.Surface().GetPixel(2, 5), 0x59C4FA);
    btn.UserControl_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(btn.State(), ButtonState::Pressed);
    EXPECT_EQ(btn.Surface().GetPixel(2, 5), 0xD9E1E2);
    // {x, y, hovers}: a release strictly inside hovers; on the left or top edge, on the far
    // edges or beyond, it rests.
    const float releases[][3] = {{10, 10, 1}, {56, 32, 1}, {0.5f, 0.5f, 1}, {0, 10, 0},
                                 {10, 0, 0},  {57, 10, 0}, {10, 33, 0},     {5, -1, 0}};
    for (const auto& [x, y, blnHovers] : releases) {
        btn.UserControl_MouseDown(1, 0, 10, 10);
        btn.UserControl_MouseUp(1, 0, x, y);
        EXPECT_EQ(btn.State(), blnHovers ? ButtonState::Hover : ButtonState::Normal)
            << x << "," << y;
    }
}

TEST_F(ButtonTest, TimerGoesBackToTheLookBeforeHoverWhenThePointerLeaves) {
    btn.UserControl_GotFocus();
    btn.UserControl_MouseMove(0, 0, 3, 3);
    EXPECT_EQ(btn.ReturnState(), ButtonState::Focus);
    // The pointer is looked at 100 ms after the hover look shows, and every 100 ms from then on.
    host.lngCursorX = -1;
    timers.Advance(99);
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    timers.Advance(1);
    EXPECT_EQ(btn.State(), ButtonState::Focus);
    // {x, y, hovers}: inside up to the far edges, outside one pixel past any edge.
    const int32_t ticks[][3] = {{0, 0, 1}, {57, 33, 1}, {58, 5, 0}, {5, 34, 0}, {5, -1, 0}};
    for (const auto& [x, y, blnHovers] : ticks) {
        btn.UserControl_MouseMove(0, 0, 3, 3);
        host.lngCursorX = x;
        host.lngCursorY = y;
        timers.Advance(100);
        EXPECT_EQ(btn.State(), blnHovers ? ButtonState::Hover : ButtonState::Focus)
            << x << "," << y;
    }
    // The first tick that finds the look gone stops the timer.
    EXPECT_EQ(timers.ArmedCount(), 1u);
    timers.Advance(100);
    EXPECT_EQ(timers.ArmedCount(), 0u);
    // Neither a repaint of the hover look nor a finished press becomes the look to return to.
    btn.UserControl_LostFocus();
    btn.UserControl_MouseMove(0, 0, 3, 3);
    btn.SetCaption("Other");
    timers.Advance(100);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
    btn.UserControl_MouseDown(1, 0, 3, 3);
    btn.UserControl_MouseUp(1, 0, 3, 3);
    timers.Advance(100);
    EXPECT_EQ(btn.State(), ButtonState::Normal);
}

TEST_F(ButtonTest, OtherButtonsAndDisabledInput) {
    btn.UserControl_MouseDown(2, 0, 3, 3);
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
    const auto key = [&](int16_t intKey) {
        btn.UserControl_KeyDown(intKey, 0);
        btn.UserControl_KeyUp(intKey, 0);
    };
    const auto everyClick = [&] {
        btn.UserControl_Click();
        btn.UserControl_AccessKeyPress('S');
        key(13);
        key(32);
    };
    everyClick();
    EXPECT_EQ(clicks, 0);
    btn.SetEnabled(true);
    everyClick();
    EXPECT_EQ(clicks, 4);
    // Releases of keys not pressed on the button: Enter that closed a message box, Enter
    // pressed before the focus moved away, a key that is no click key.
    btn.UserControl_KeyUp(13, 0);
    btn.UserControl_KeyDown(13, 0);
    btn.UserControl_LostFocus();
    btn.UserControl_KeyUp(13, 0);
    key(65);
    EXPECT_EQ(clicks, 4);
}

} // namespace
} // namespace ata
