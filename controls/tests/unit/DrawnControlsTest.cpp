#include "controls/BlockTextRenderer.h"
#include "controls/LED.h"
#include "controls/ZelLabel.h"
#include "controls/ZelSimpleButton.h"
#include "controls/modColour.h"
#include "controls/modGradient.h"
#include "testing/ManualTimerService.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

// Halves round to even.
TEST(GradientPainter, RowsColumnsAndBoxRingsFromBlackToRed) {
    CRasterSurface buf(4, 10), surface(4, 10);
    PaintGradient(buf, 0x123456, surface, "0,0#100,255", kGradientTopToBottom);
    // Row j is red round(25.5 j): 25.5 -> 26 (even), 76.5 -> 76, 127.5 -> 128, 178.5 -> 178.
    const int expected[10] = {0, 26, 51, 76, 102, 128, 153, 178, 204, 230};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(surface.GetPixel(x, y), expected[y]) << x << "," << y;
    CRasterSurface wide(10, 3), out(10, 3);
    PaintGradient(wide, 0, out, "0,0#100,255", kGradientLeftToRight);
    const int32_t columns[][3] = {{1, 0, 26}, {3, 2, 76}, {9, 1, 230}};
    for (const auto& [x, y, lngColour] : columns)
        EXPECT_EQ(out.GetPixel(x, y), lngColour) << x << "," << y;
    CRasterSurface box(40, 20), rings(40, 20);
    PaintGradient(box, 0x777777, rings, "0,0#100,200", kGradientBox);
    // Ring j has colour 10 j: ring 1 is columns 19..20, rows 9..10; ring 5 columns 15..24, rows
    // 5..14, with ring 4 inside it at (16, 6). From ring 11 only the sides show; ring 20 is
    // columns 0 and 39.
    const int32_t ringPixels[][3] = {{19, 9, 10}, {20, 10, 10}, {15, 10, 50}, {24, 14, 50},
                                     {16, 6, 40}, {9, 0, 110},  {0, 19, 200}, {39, 0, 200}};
    for (const auto& [x, y, lngColour] : ringPixels)
        EXPECT_EQ(rings.GetPixel(x, y), lngColour) << x << "," << y;
}

TEST(GradientPainter, StopListsOfOneStopNoneAndOddOnes) {
    CRasterSurface buf(4, 4), surface(8, 8);
    PaintGradient(buf, 0xABCDEF, surface, "0,255", kGradientTopToBottom); // one stop clears
    EXPECT_EQ(surface.GetPixel(7, 7), 0xABCDEF);
    buf.Clear(1);
    surface.Clear(2);
    PaintGradient(buf, 0, surface, "", kGradientTopToBottom); // no stop touches nothing
    EXPECT_EQ(buf.GetPixel(0, 0), 1);
    EXPECT_EQ(surface.GetPixel(0, 0), 2);
    // 10 percent of 16 is round(1.6) = 2: rows 0..2 go from 0 to 100 in two steps.
    CRasterSurface column(1, 16), out(1, 16);
    PaintGradient(column, 0, out, "0,0#10,100#100,100", kGradientTopToBottom);
    EXPECT_EQ(out.GetPixel(0, 1), 50);
    EXPECT_EQ(out.GetPixel(0, 2), 100);
    // Stops closer than a pixel, an unknown direction, an empty surface, stops not numbers.
    CRasterSurface tiny(1, 2), two(1, 2);
    PaintGradient(tiny, 0, two, "0,0#10,50#90,60#100,70", kGradientTopToBottom);
    PaintGradient(tiny, 0, two, "0,0#100,70", 7);
    EXPECT_EQ(two.GetPixel(0, 0), 0);
    CRasterSurface empty(0, 0);
    PaintGradient(empty, 0, two, "0,0#100,70", kGradientBox);
    PaintGradient(column, 0, out, "x,y#1e9,zz#-5e9,3", kGradientTopToBottom);
}

TEST(Colour, SplitResolveRoundAndBufferSizes) {
    // {colour, red, green, blue}; a value wider than six hex digits takes its outer bytes.
    const int32_t split[][4] = {{0xFF8040, 0x40, 0x80, 0xFF},
                                {static_cast<int32_t>(0x8000000F), 0x0F, 0, 0x80},
                                {static_cast<int32_t>(0x8012340F), 0x0F, 0x12, 0x80}};
    for (const auto& [lngColour, lngRed, lngGreen, lngBlue] : split) {
        const RgbTriple t = SplitColour(lngColour);
        EXPECT_TRUE(t.Red == lngRed && t.Green == lngGreen && t.Blue == lngBlue) << lngColour;
    }
    // A system colour by its index in the table; an ordinary colour as it is; no such index.
    EXPECT_EQ(ResolveSystemColour(kSysColourButtonFace), 0xC8D0D4); // 212, 208, 200
    EXPECT_EQ(ResolveSystemColour(0x80), 0x80);
    EXPECT_EQ(ResolveSystemColour(static_cast<int32_t>(0x80FFFFFF)), 0);
    EXPECT_EQ(GetListField("10,15725555", ",", 3), ""); // past the last field
    EXPECT_EQ(RoundToInt32(1e300), INT32_MAX);
    CRasterSurface buf;
    // 37.5 -> 38 and 16.5 -> 16 from the first; the others are refused.
    for (const auto& [lngWidth, intResolution] : {std::pair{75, 50}, {75, -10}, {1000000, 100}}) {
        SizeBuffer(buf, lngWidth, 33, static_cast<int16_t>(intResolution));
        EXPECT_EQ(buf.Width(), 38);
        EXPECT_EQ(buf.Height(), 16);
    }
}

struct Bevel {
    int32_t fill, bottom[3], top[3];
};

// Each of the window's three lamp colours repaints the whole bevel.
TEST(Led, BevelFrameAndCorners) {
    CNullControlHost host;
    CBlockTextRenderer text;
    LED led(host, text);
    led.UserControl_Resize(73, 33);
    led.SetCaption("");
    led.SetBackColor(0xC0C0C0);
    for (const Bevel& b :
         {Bevel{0x00FF00, {0x006900, 0x009B00, 0x00CD00}, {0x00FF96, 0x00FF64, 0x00FF32}},
          Bevel{0x0000FF, {0x000069, 0x00009B, 0x0000CD}, {0x0096FF, 0x0064FF, 0x0032FF}},
          Bevel{0xE0E0E0, {0x314A4A, 0x6C7C7C, 0xA6AEAE}, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}}}) {
        led.SetFillColor(b.fill);
        // Lines stop before their end point: the top lines leave the right lines' first pixels.
        // Then the frame, the fill, the corners in the back colour and their dark pixel.
        const int32_t pixels[][3] = {
            {30, 31, b.bottom[0]}, {30, 30, b.bottom[1]}, {30, 29, b.bottom[2]},
            {71, 16, b.bottom[0]}, {70, 16, b.bottom[1]}, {69, 16, b.bottom[2]},
            {30, 1, b.top[0]},     {30, 2, b.top[1]},     {30, 3, b.top[2]},
            {1, 16, b.top[0]},     {2, 16, b.top[1]},     {3, 16, b.top[2]},
            {71, 2, b.bottom[0]},  {70, 3, b.bottom[1]},  {30, 0, 0x733C00},
            {72, 15, 0x733C00},    {36, 16, b.fill},      {0, 0, 0xC0C0C0},
            {72, 32, 0xC0C0C0},    {1, 1, 0x161616},      {71, 31, 0x161616}};
        for (const auto& [x, y, lngColour] : pixels)
            EXPECT_EQ(led.Surface().GetPixel(x, y), lngColour) << b.fill << ": " << x << "," << y;
    }
}

TEST(Led, CaptionRowsOfTheWideLamp) {
    CNullControlHost host;
    CBlockTextRenderer text(113); // 8.25 points at 113 dpi: 13 pixels
    LED led(host, text);
    led.UserControl_Resize(73, 33);
    led.SetFillColor(0xE0E0E0);
    led.SetCaption("Online");
    // Centre 16.5 -> 16, top 16 - 6.5 = 9.5 -> 10; the glyph cells leave rows 10 and 22 blank.
    int top = 99, bottom = -1;
    for (int y = 0; y < 33; ++y)
        for (int x = 4; x < 69; ++x)
            if (led.Surface().GetPixel(x, y) == 0) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(top, 11);
    EXPECT_EQ(bottom, 21);
    // A long caption is cut at x = 1 and x = W - 2.
    led.SetCaption(std::string(40, 'W'));
    const int32_t cut[][3] = {{0, 16, 0x733C00}, {1, 16, 0}, {69, 16, 0}, {71, 16, 0x314A4A}};
    for (const auto& [x, y, lngColour] : cut)
        EXPECT_EQ(led.Surface().GetPixel(x, y), lngColour) << x << "," << y;
}

// Each label starts from its defaults.
TEST(Label, GradientsAlignmentHaloBorderPlacementAndProperties) {
    CNullControlHost host;
    CBlockTextRenderer text;
    ZelLabel lbl{host, text}, big{host, text}, stored{host, text};
    lbl.UserControl_Resize(100, 20);
    lbl.SetLightColour(0xFFFFC0);
    lbl.SetShadeColour(0x808000);
    lbl.SetCaption("");
    lbl.UserControl_Show();
    EXPECT_EQ(lbl.TwoColourList(), "0,16777152#100,8421376");
    EXPECT_EQ(lbl.ThreeColourList(), "0,16777152#33,15725555#66,15725555#100,8421376");
    EXPECT_EQ(lbl.Surface().GetPixel(50, 0), 0xFFFFC0);
    // The three-colour look is the normal colour from 33 to 66 percent (buffer rows 3 to 7).
    lbl.SetTriColour(true);
    EXPECT_EQ(lbl.Surface().GetPixel(50, 10), 0xEFF3F3);
    lbl.SetTriColour(false);
    // {alignment, x, ink in row 5}: 8.25 points -> 11 pixels, cells 6 wide; "AB" centred in 100
    // covers x 44..55, top 4. Alignment 3 is none: no caption.
    lbl.SetCaption("AB");
    const int32_t align[][3] = {{2, 44, 1}, {2, 43, 0}, {2, 54, 1},
                                {1, 98, 1}, {3, 0, 0},  {0, 0, 1}};
    for (const auto& [intAlignment, x, blnInk] : align) {
        lbl.SetAlignment(intAlignment);
        EXPECT_EQ(lbl.Surface().GetPixel(x, 5) == 0, blnInk == 1) << intAlignment << ": " << x;
    }
    lbl.SetOuterColour(0xFFFFFF);
    lbl.SetDrawOuter(true);
    lbl.SetDrawBorder(true);
    // The glyph of "A" fills x 0..4, rows 5..13; its diagonal neighbours are white.
    const int32_t halo[][3] = {{5, 14, 0xFFFFFF}, {2, 8, 0}, {99, 10, 0x743C00}};
    for (const auto& [x, y, lngColour] : halo)
        EXPECT_EQ(lbl.Surface().GetPixel(x, y), lngColour) << x << "," << y;
    // Drawn in 24 points (32-pixel cells), placed by the base font's 11 pixels: the top is
    // (40 - 11) / 2 = 14 and the glyph's first filled row 15 (with LabelFont it would be 5).
    big.UserControl_Resize(200, 40);
    big.UserControl_Show();
    big.SetLabelFont(CFontSpec{"Block", 24});
    big.SetCaption("A");
    EXPECT_EQ(big.Surface().GetPixel(2, 15), 0);
    EXPECT_NE(big.Surface().GetPixel(2, 14), 0);
    EXPECT_NE(big.Surface().GetPixel(2, 5), 0);
    // What a bag lacks, or holds as another kind, reads as the default; the resolution is
    // stored as a 32-bit number, and no font is written when there is none.
    CMemoryPropertyBag bag, out;
    bag.Write("Resolution", int32_t{25});
    bag.Write("Caption", int32_t{7});
    stored.SetCaption("x");
    stored.UserControl_ReadProperties(bag);
    EXPECT_EQ(stored.Caption(), "Zel Label");
    stored.SetLabelFont(std::nullopt);
    stored.UserControl_WriteProperties(out);
    EXPECT_EQ(out.Size(), 12u);
    EXPECT_EQ(ReadProperty<int32_t>(out, "Resolution", 0), 25);
}

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
