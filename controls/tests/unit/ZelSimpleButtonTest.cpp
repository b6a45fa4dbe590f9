#include "controls/ZelSimpleButton.h"
#include "controls/BlockTextRenderer.h"

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

// A timer that ticks only when the test says so.
class CManualTimer : public ITimer {
public:
    void Start(int32_t lngIntervalMs, std::function<void()> tick) override {
        lngInterval = lngIntervalMs;
        m_tick = std::move(tick);
        blnRunning = true;
    }
    void Stop() override { blnRunning = false; }
    bool IsRunning() const override { return blnRunning; }
    void Tick() {
        if (blnRunning)
            m_tick();
    }
    bool blnRunning = false;
    int32_t lngInterval = 0;

private:
    std::function<void()> m_tick;
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
    CManualTimer timer;
    CBlockTextRenderer text;
    ZelSimpleButton btn{host, text, timer};
    int clicks = 0;
};

TEST_F(ButtonTest, StopListsAndNormalLook) {
    EXPECT_EQ(btn.StopList(ButtonState::Normal), "0,16777215#10,15725555#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Hover), "0,16777215#10,5883130#90,15725555#100,12964054");
    EXPECT_EQ(btn.StopList(ButtonState::Disabled), "0,12632256#90,15725555#100,12964054");
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
    // A release strictly inside hovers; on the left or top edge, on the far edges or beyond,
    // it rests.
    const struct {
        float x, y;
        ButtonState enmAfter;
    } releases[] = {{10, 10, ButtonState::Hover},     {56, 32, ButtonState::Hover},
                    {0.5f, 0.5f, ButtonState::Hover}, {0, 10, ButtonState::Normal},
                    {10, 0, ButtonState::Normal},     {57, 10, ButtonState::Normal},
                    {10, 33, ButtonState::Normal},    {5, -1, ButtonState::Normal}};
    for (const auto& r : releases) {
        btn.UserControl_MouseDown(1, 0, 10, 10);
        btn.UserControl_MouseUp(1, 0, r.x, r.y);
        EXPECT_EQ(btn.State(), r.enmAfter) << r.x << "," << r.y;
    }
}

TEST_F(ButtonTest, TimerGoesBackToTheLookBeforeHoverWhenThePointerLeaves) {
    btn.UserControl_GotFocus();
    btn.UserControl_MouseMove(0, 0, 3, 3);
    EXPECT_EQ(btn.ReturnState(), ButtonState::Focus);
    timer.Tick(); // pointer at (0, 0): still on the button
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    host.lngCursorX = 57; // exactly on the far edges: still inside
    host.lngCursorY = 33;
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Hover);
    host.lngCursorX = 58; // one past the right edge
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Focus);
    EXPECT_TRUE(timer.blnRunning);
    timer.Tick();
    EXPECT_FALSE(timer.blnRunning);
    // Neither a repaint of the hover look nor a finished press becomes the look to return to.
    btn.UserControl_LostFocus();
    btn.UserControl_MouseMove(0, 0, 3, 3);
    btn.SetCaption("Other");
    timer.Tick();
    EXPECT_EQ(btn.State(), ButtonState::Normal);
    btn.UserControl_MouseDown(1, 0, 3, 3);
    btn.UserControl_MouseUp(1, 0, 3, 3);
    timer.Tick();
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
    btn.UserControl_Click();
    btn.UserControl_AccessKeyPress('S');
    key(13);
    EXPECT_EQ(clicks, 0);
    btn.SetEnabled(true);
    btn.UserControl_Click();
    key(13);
    key(32);
    btn.UserControl_AccessKeyPress('S');
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

TEST_F(ButtonTest, AccessKeys) {
    const std::pair<const char*, char> cases[] = {
        {"Get &Status", 'S'}, {"&Backup Config", 'B'}, {"Save System Log", '\0'},
        {"&&x", 'x'},         {"a && b", '\0'},        {"& a&b", 'b'}};
    for (const auto& [strCaption, chrKey] : cases)
        EXPECT_EQ(ZelSimpleButton::GetAccessKey(strCaption), chrKey) << strCaption;
    btn.SetCaption("Get &Log");
    EXPECT_EQ(host.chrAccessKey, 'L');
}

} // namespace
} // namespace ata
