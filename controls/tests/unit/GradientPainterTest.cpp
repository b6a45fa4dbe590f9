#include "controls/modColour.h"
#include "controls/modGradient.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

TEST(GradientPainter, RowsAndColumnsFromBlackToRedRoundHalvesToEven) {
    CRasterSurface buf(4, 10), surface(4, 10);
    PaintGradient(buf, 0x123456, surface, "0,0#100,255", kGradientTopToBottom);
    // Row j is red round(25.5 j): 25.5 -> 26 (even), 76.5 -> 76, 127.5 -> 128, 178.5 -> 178.
    const int expected[10] = {0, 26, 51, 76, 102, 128, 153, 178, 204, 230};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(surface.GetPixel(x, y), expected[y]) << x << "," << y;
    CRasterSurface wide(10, 3), out(10, 3);
    PaintGradient(wide, 0, out, "0,0#100,255", kGradientLeftToRight);
    EXPECT_EQ(out.GetPixel(1, 0), 26);
    EXPECT_EQ(out.GetPixel(3, 2), 76);
    EXPECT_EQ(out.GetPixel(9, 1), 230);
}

TEST(GradientPainter, OneStopClearsAndEmptyListTouchesNothing) {
    CRasterSurface buf(4, 4), surface(8, 8);
    surface.Clear(0x00FF00);
    PaintGradient(buf, 0xABCDEF, surface, "0,255", kGradientTopToBottom);
    EXPECT_EQ(surface.GetPixel(0, 0), 0xABCDEF);
    EXPECT_EQ(surface.GetPixel(7, 7), 0xABCDEF);
    buf.Clear(1);
    surface.Clear(2);
    PaintGradient(buf, 0, surface, "", kGradientTopToBottom);
    EXPECT_EQ(buf.GetPixel(0, 0), 1);
    EXPECT_EQ(surface.GetPixel(0, 0), 2);
}

TEST(GradientPainter, BoxRingsFromTheCentre) {
    CRasterSurface buf(40, 20), surface(40, 20);
    PaintGradient(buf, 0x777777, surface, "0,0#100,200", kGradientBox);
    // Ring j has colour 10 j: ring 1 is columns 19..20, rows 9..10.
    EXPECT_EQ(surface.GetPixel(19, 9), 10);
    EXPECT_EQ(surface.GetPixel(20, 10), 10);
    // Ring 5: columns 15..24, rows 5..14; its inside is ring 4 at (16, 6).
    EXPECT_EQ(surface.GetPixel(15, 10), 50);
    EXPECT_EQ(surface.GetPixel(24, 14), 50);
    EXPECT_EQ(surface.GetPixel(16, 6), 40);
    // From ring 11 only the sides show; ring 20 is columns 0 and 39.
    EXPECT_EQ(surface.GetPixel(9, 0), 110);
    EXPECT_EQ(surface.GetPixel(0, 19), 200);
    EXPECT_EQ(surface.GetPixel(39, 0), 200);
}

TEST(GradientPainter, StopPositionsRoundAndOddListsDoNotFail) {
    CRasterSurface buf(1, 16), surface(1, 16);
    // 10 percent of 16 is round(1.6) = 2: rows 0..2 go from 0 to 100 in two steps.
    PaintGradient(buf, 0, surface, "0,0#10,100#100,100", kGradientTopToBottom);
    EXPECT_EQ(surface.GetPixel(0, 1), 50);
    EXPECT_EQ(surface.GetPixel(0, 2), 100);
    CRasterSurface tiny(1, 2), out(1, 2);
    PaintGradient(tiny, 0, out, "0,0#10,50#90,60#100,70", kGradientTopToBottom);
    PaintGradient(tiny, 0, out, "0,0#100,70", 7); // unknown direction: no strips
    EXPECT_EQ(out.GetPixel(0, 0), 0);
    CRasterSurface empty(0, 0);
    PaintGradient(empty, 0, out, "0,0#100,70", kGradientBox);
    PaintGradient(buf, 0, surface, "x,y#1e9,zz#-5e9,3", kGradientTopToBottom);
}

TEST(GradientPainter, SizeBufferIgnoresRefusedSizes) {
    CRasterSurface buf;
    SizeBuffer(buf, 75, 33, 50);
    EXPECT_EQ(buf.Width(), 38);  // 37.5 -> 38
    EXPECT_EQ(buf.Height(), 16); // 16.5 -> 16
    SizeBuffer(buf, 75, 33, -10);
    EXPECT_EQ(buf.Width(), 38);
    SizeBuffer(buf, 1000000, 10, 100);
    EXPECT_EQ(buf.Width(), 38);
}

TEST(Colour, SplitAndResolve) {
    // {colour, red, green, blue}; a value wider than six hex digits takes its outer bytes.
    const int32_t split[][4] = {{0xFF8040, 0x40, 0x80, 0xFF},
                                {0x80, 0x80, 0, 0},
                                {static_cast<int32_t>(0x8000000F), 0x0F, 0, 0x80},
                                {static_cast<int32_t>(0x8012340F), 0x0F, 0x12, 0x80},
                                {0, 0, 0, 0}};
    for (const auto& c : split) {
        const RgbTriple t = SplitColour(c[0]);
        EXPECT_EQ(t.Red, c[1]) << c[0];
        EXPECT_EQ(t.Green, c[2]) << c[0];
        EXPECT_EQ(t.Blue, c[3]) << c[0];
    }
    EXPECT_EQ(ResolveSystemColour(kSysColourButtonFace), ClassicSystemColours().SystemColour(15));
    EXPECT_EQ(ResolveSystemColour(0x000080FF), 0x000080FF);
    EXPECT_EQ(ResolveSystemColour(0x80), 0x80);
    EXPECT_EQ(ResolveSystemColour(static_cast<int32_t>(0x80FFFFFF)), 0); // no such index
}

TEST(Colour, GetListFieldAndClampedRounding) {
    EXPECT_EQ(GetListField("10,15725555", ",", 1), "10");
    EXPECT_EQ(GetListField("10,15725555", ",", 2), "15725555");
    EXPECT_EQ(GetListField("10,15725555", ",", 3), "");
    EXPECT_EQ(GetListField("a", ",", 0), "");
    EXPECT_EQ(RoundToInt32(1e300), INT32_MAX);
}

} // namespace
} // namespace ata
