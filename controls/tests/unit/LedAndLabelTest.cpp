#include "controls/BlockTextRenderer.h"
#include "controls/LED.h"
#include "controls/ZelLabel.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

struct Bevel {
    int32_t fill, bottom[3], top[3];
};

class LedColours : public ::testing::TestWithParam<Bevel> {};

TEST_P(LedColours, BevelFrameAndCorners) {
    const Bevel b = GetParam();
    CNullControlHost host;
    CBlockTextRenderer text;
    LED led(host, text);
    led.UserControl_Resize(73, 33);
    led.SetCaption("");
    led.SetBackColor(0xC0C0C0);
    led.SetFillColor(b.fill);
    // Bottom lines at rows 31, 30, 29, right lines at columns 71, 70, 69, then the top and left
    // lines. Lines stop before their end point: the top lines leave the right lines' first
    // pixels. Then the frame, the fill, the corners in the back colour and their dark pixel.
    const int32_t pixels[][3] = {
        {30, 31, b.bottom[0]}, {30, 30, b.bottom[1]}, {30, 29, b.bottom[2]}, {71, 16, b.bottom[0]},
        {70, 16, b.bottom[1]}, {69, 16, b.bottom[2]}, {30, 1, b.top[0]},     {30, 2, b.top[1]},
        {30, 3, b.top[2]},     {1, 16, b.top[0]},     {2, 16, b.top[1]},     {3, 16, b.top[2]},
        {71, 2, b.bottom[0]},  {70, 3, b.bottom[1]},  {30, 0, 0x733C00},     {72, 15, 0x733C00},
        {36, 16, b.fill},      {0, 0, 0xC0C0C0},      {72, 32, 0xC0C0C0},    {1, 1, 0x161616},
        {71, 31, 0x161616}};
    for (const auto& p : pixels)
        EXPECT_EQ(led.Surface().GetPixel(p[0], p[1]), p[2]) << p[0] << "," << p[1];
}

INSTANTIATE_TEST_SUITE_P(
    WindowColours, LedColours,
    ::testing::Values(
        Bevel{0x00FF00, {0x006900, 0x009B00, 0x00CD00}, {0x00FF96, 0x00FF64, 0x00FF32}},
        Bevel{0x0000FF, {0x000069, 0x00009B, 0x0000CD}, {0x0096FF, 0x0064FF, 0x0032FF}},
        Bevel{0xE0E0E0, {0x314A4A, 0x6C7C7C, 0xA6AEAE}, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}}));

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
    for (const auto& p : cut)
        EXPECT_EQ(led.Surface().GetPixel(p[0], p[1]), p[2]) << p[0] << "," << p[1];
}

class Label : public ::testing::Test {
protected:
    CNullControlHost host;
    CBlockTextRenderer text;
    ZelLabel lbl{host, text};
};

TEST_F(Label, GradientsAlignmentHaloAndBorder) {
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
    // Font 8.25 points -> 11 pixels, cells 6 wide; "AB" centred in 100: x 44..55, top 4.
    lbl.SetAlignment(2);
    lbl.SetCaption("AB");
    EXPECT_EQ(lbl.Surface().GetPixel(44, 5), 0);
    EXPECT_NE(lbl.Surface().GetPixel(43, 5), 0);
    EXPECT_EQ(lbl.Surface().GetPixel(54, 5), 0);
    lbl.SetAlignment(1);
    EXPECT_EQ(lbl.Surface().GetPixel(98, 5), 0);
    lbl.SetAlignment(3); // no such alignment: no caption
    EXPECT_NE(lbl.Surface().GetPixel(0, 5), 0);
    lbl.SetAlignment(0);
    EXPECT_EQ(lbl.Surface().GetPixel(0, 5), 0);
    lbl.SetOuterColour(0xFFFFFF);
    lbl.SetDrawOuter(true);
    lbl.SetDrawBorder(true);
    // The glyph of "A" fills x 0..4, rows 5..13; its diagonal neighbours are white.
    const int32_t halo[][3] = {{5, 14, 0xFFFFFF}, {2, 8, 0}, {99, 10, 0x743C00}};
    for (const auto& p : halo)
        EXPECT_EQ(lbl.Surface().GetPixel(p[0], p[1]), p[2]) << p[0] << "," << p[1];
}

TEST_F(Label, CaptionIsPlacedByItsHeightInTheBaseFont) {
    lbl.UserControl_Resize(200, 40);
    lbl.UserControl_Show();
    // Drawn in 24 points (32-pixel cells), placed by the base font's 11 pixels: the top is
    // (40 - 11) / 2 = 14 and the glyph's first filled row 15 (with LabelFont it would be 5).
    lbl.SetLabelFont(CFontSpec{"Block", 24});
    lbl.SetCaption("A");
    EXPECT_EQ(lbl.Surface().GetPixel(2, 15), 0);
    EXPECT_NE(lbl.Surface().GetPixel(2, 14), 0);
    EXPECT_NE(lbl.Surface().GetPixel(2, 5), 0);
}

// What a bag lacks, or holds as another kind, reads as the default; the resolution is stored
// as a 32-bit number, and no font is written when there is none.
TEST_F(Label, PropertiesReadAndWritten) {
    CMemoryPropertyBag bag, out;
    bag.Write("Resolution", int32_t{25});
    bag.Write("Caption", int32_t{7});
    lbl.SetCaption("x");
    lbl.UserControl_ReadProperties(bag);
    EXPECT_EQ(lbl.Caption(), "Zel Label");
    lbl.SetLabelFont(std::nullopt);
    lbl.UserControl_WriteProperties(out);
    EXPECT_EQ(out.Size(), 12u);
    EXPECT_EQ(ReadProperty<int32_t>(out, "Resolution", 0), 25);
}

} // namespace
} // namespace ata
