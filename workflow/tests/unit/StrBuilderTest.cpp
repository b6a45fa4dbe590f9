#include "workflow/StrBuilder.h"

#include <gtest/gtest.h>

namespace ata {
namespace {

TEST(StrBuilder, GrowsByWholeStepsComputedFromThePieceAlone) {
    StrBuilder sb;
    sb.Append(std::string(1000, 'a'));
    EXPECT_EQ(sb.Capacity(), 1024);
    sb.Append(std::string(24, 'b'));
    EXPECT_EQ(sb.Capacity(), 1024);
    sb.Append("c");
    EXPECT_EQ(sb.Capacity(), 2048);
    sb.Append("");
    EXPECT_EQ(sb.Length(), 1025);
    EXPECT_EQ(sb.Value(), std::string(1000, 'a') + std::string(24, 'b') + "c");

    StrBuilder sbExact; // a piece of one whole step grows by two
    sbExact.Append(std::string(1024, '\0'));
    EXPECT_EQ(sbExact.Capacity(), 2048);
}

TEST(StrBuilder, StepIsAbsoluteZeroMeansDefaultAndOnlyResetRestoresIt) {
    StrBuilder sb;
    sb.SetBuffersize(-10);
    EXPECT_EQ(sb.Buffersize(), 10);
    sb.Append("abc");
    EXPECT_EQ(sb.Capacity(), 10);
    sb.SetBuffersize(0);
    EXPECT_EQ(sb.Buffersize(), 1024);

    sb.SetBuffersize(7);
    sb.Append("old text");
    sb.SetValue("new");
    EXPECT_EQ(sb.Value(), "new");
    EXPECT_EQ(sb.Buffersize(), 7);
    EXPECT_EQ(sb.Capacity(), 7);
    sb.Reset();
    EXPECT_EQ(sb.Buffersize(), 1024);
    EXPECT_EQ(sb.Length(), 0);
    EXPECT_EQ(sb.Capacity(), 0);
}

} // namespace
} // namespace ata
