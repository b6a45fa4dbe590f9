#include "controls/modColour.h"
#include "controls/modGradient.h"

#include <gtest/gtest.h>

#include <array>

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
    const int32_t columns[][3] = {{1, 0, 26}, {3, 2, 76}, {9, 1, 230}};
    for (const auto& p : columns)
        EXPECT_EQ(out.GetPixel(p[0], p[1]), p[2]) << p[0] << "," << p[1];
}

TEST(GradientPainter, BoxRingsFromTheCentre) {
    CRasterSurface buf(40, 20), surface(40, 20);
    PaintGradient(buf, 0x777777, surface, "0,0#100,200", kGradientBox);
    // Ring j has colour 10 j: ring 1 is columns 19..20, rows 9..10; ring 5 columns 15..24, rows
    // 5..14, with ring 4 inside it at (16, 6). From ring 11 only the sides show; ring 20 is
    // columns 0 and 39.
    const int32_t rings[][3] = {{19, 9, 10}, {20, 10, 10}, {15, 10, 50}, {24, 14, 50},
                                {16, 6, 40}, {9, 0, 110},  {0, 19, 200}, {39, 0, 200}};
    for (const auto& p : rings)
        EXPECT_EQ(surface.GetPixel(p[0], p[1]), p[2]) << p[0] << "," << p[1];
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
    // Stops closer than a pixel, an unknown direction, an empty surface and stops that are no
    // numbers do not fail.
    CRasterSurface tiny(1, 2), two(1, 2);
    PaintGradient(tiny, 0, two, "0,0#10,50#90,60#100,70", kGradientTopToBottom);
    PaintGradient(tiny, 0, two, "0,0#100,70", 7);
    EXPECT_EQ(two.GetPixel(0, 0), 0);
    CRasterSurface empty(0, 0);
    PaintGradient(empty, 0, two, "0,0#100,70", kGradientBox);
    PaintGradient(column, 0, out, "x,y#1e9,zz#-5e9,3", kGradientTopToBottom);
}

TEST(GradientPainter, SizeBufferIgnoresRefusedSizes) {
    CRasterSurface buf;
    // 37.5 -> 38 and 16.5 -> 16 from the first; the others are refused.
    for (const auto& [lngWidth, intResolution] : {std::pair{75, 50}, {75, -10}, {1000000, 100}}) {
        SizeBuffer(buf, lngWidth, 33, static_cast<int16_t>(intResolution));
        EXPECT_EQ(buf.Width(), 38);
        EXPECT_EQ(buf.Height(), 16);
    }
}

TEST(Colour, SplitResolveAndRound) {
    // {colour, red, green, blue}; a value wider than six hex digits takes its outer bytes.
    const int32_t split[][4] = {{0xFF8040, 0x40, 0x80, 0xFF},
                                {static_cast<int32_t>(0x8000000F), 0x0F, 0, 0x80},
                                {static_cast<int32_t>(0x8012340F), 0x0F, 0x12, 0x80}};
    for (const auto& c : split) {
        const RgbTriple t = SplitColour(c[0]);
        EXPECT_EQ((std::array<int32_t, 3>{t.Red, t.Green, t.Blue}),
                  (std::array<int32_t, 3>{c[1], c[2], c[3]}))
            << c[0];
    }
    // A system colour by its index in the table; an ordinary colour as it is; no such index.
    EXPECT_EQ(ResolveSystemColour(kSysColourButtonFace), 0xC8D0D4); // 212, 208, 200
    EXPECT_EQ(ResolveSystemColour(0x80), 0x80);
    EXPECT_EQ(ResolveSystemColour(static_cast<int32_t>(0x80FFFFFF)), 0);
    EXPECT_EQ(GetListField("10,15725555", ",", 3), ""); // past the last field
    EXPECT_EQ(RoundToInt32(1e300), INT32_MAX);
}

} // namespace
} // namespace ata
