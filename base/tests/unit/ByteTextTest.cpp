#include "base/ByteText.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using namespace ata;
using Pieces = std::vector<std::string_view>;

TEST(ByteText, TrimRemovesOnlyTheBytesOfItsSetAndOnlyAtTheEnds) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\t a \t"), "\t a \t");
    EXPECT_EQ(Trim("\t a \t", kBlanks), "a");
    EXPECT_EQ(Trim(" \r\n", " \r"), "\n");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(ByteText, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoreCase("Registered", "REGISTERED"));
    EXPECT_FALSE(EqualsIgnoreCase("Registered", "Registered "));
    // 0xC9 and 0xE9 are the upper and lower E with acute of Latin-1: other bytes.
    EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xE9"));
    EXPECT_FALSE(EqualsIgnoreCase("[", "{"));
    EXPECT_EQ(FindIgnoreCase("xxLOGin: login:", "login:"), 2u);
    EXPECT_EQ(FindIgnoreCase("xxLOGin: login:", "login:", 3), 9u);
    EXPECT_EQ(FindIgnoreCase("abc", "", 2), 2u);
    EXPECT_EQ(FindIgnoreCase("abc", "", 4), std::string_view::npos);
    EXPECT_EQ(FindIgnoreCase("ab", "abc"), std::string_view::npos);
    EXPECT_TRUE(ContainsIgnoreCase("257 \"/rfa/\"", "/RFA/"));
    EXPECT_FALSE(ContainsIgnoreCase("23", "230"));
}

TEST(ByteText, CrLfSplitsPiecesWhileLfEndsLines) {
    EXPECT_EQ(SplitAtCrLf("a\r\nb\nc\rd\r\n"), (Pieces{"a", "b\nc\rd", ""}));
    EXPECT_EQ(SplitAtCrLf(""), (Pieces{""}));
    EXPECT_EQ(SplitAtCrLf("\r\n\r\n"), (Pieces{"", "", ""}));
    EXPECT_EQ(SplitAtLf("a\r\nb\nc\rd\n"), (Pieces{"a", "b", "c\rd"}));
    EXPECT_EQ(SplitAtLf("a\n\r\nlast"), (Pieces{"a", "", "last"}));
    EXPECT_EQ(SplitAtLf(""), Pieces{});
}
