#include "workflow/StrBuilder.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

TEST(StrBuilder, StartsEmptyWithTheDefaultStep) {
    StrBuilder sb;
    EXPECT_EQ(sb.Value(), "");
    EXPECT_EQ(sb.Buffersize(), 1024);
    EXPECT_EQ(sb.Capacity(), 0);
}

TEST(StrBuilder, GrowsByWholeStepsComputedFromThePieceAlone) {
    StrBuilder sb;
    sb.Append(std::string(1024, 'a'));
    EXPECT_EQ(sb.Capacity(), 2048);

    StrBuilder sb2;
    sb2.Append(std::string(1000, 'a'));
    EXPECT_EQ(sb2.Capacity(), 1024);
    sb2.Append(std::string(24, 'b'));
    EXPECT_EQ(sb2.Capacity(), 1024);
    sb2.Append("c");
    EXPECT_EQ(sb2.Capacity(), 2048);
    EXPECT_EQ(sb2.Length(), 1025);
    EXPECT_EQ(sb2.Value(), std::string(1000, 'a') + std::string(24, 'b') + "c");
    sb2.Append("");
    EXPECT_EQ(sb2.Length(), 1025);
}

TEST(StrBuilder, StepIsAbsoluteAndZeroMeansDefault) {
    StrBuilder sb;
    sb.SetBuffersize(-10);
    EXPECT_EQ(sb.Buffersize(), 10);
    sb.Append("abc");
    EXPECT_EQ(sb.Capacity(), 10);
    sb.SetBuffersize(0);
    EXPECT_EQ(sb.Buffersize(), 1024);
    sb.SetBuffersize(10);
    sb.Reset();
    EXPECT_EQ(sb.Buffersize(), 1024);
    EXPECT_EQ(sb.Length(), 0);
    EXPECT_EQ(sb.Capacity(), 0);
}

TEST(StrBuilder, SettingTheValueKeepsTheStepAndOnlyTheNewText) {
    StrBuilder sb;
    sb.SetBuffersize(7);
    sb.Append("old text");
    sb.SetValue("new");
    EXPECT_EQ(sb.Value(), "new");
    EXPECT_EQ(sb.Buffersize(), 7);
    EXPECT_EQ(sb.Capacity(), 7);
}

TEST(StrBuilder, KeepsEveryByte) {
    StrBuilder sb;
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    sb.Append(all);
    sb.Append(all);
    EXPECT_EQ(sb.Value(), all + all);
}

} // namespace
} // namespace ata
