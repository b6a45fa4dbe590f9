#include "workflow/LineDiff.h"

#include <gtest/gtest.h>

#include <random>

namespace ata {
namespace {

std::string Hunks(const std::string& strOld, const std::string& strNew, int32_t lngContext = 3) {
    return UnifiedHunks(CompareLines(strOld, strNew), lngContext);
}

// "l1\r\n" ... "lN\r\n", as the device writes its lines.
std::string Numbered(int intLines) {
    std::string s;
    for (int i = 1; i <= intLines; ++i)
        s += "l" + std::to_string(i) + "\r\n";
    return s;
}

// A literal with NUL bytes in it, whole.
template <size_t N> std::string Bytes(const char (&arrText)[N]) {
    return std::string(arrText, N - 1);
}

std::string Replaced(std::string s, const std::string& strLine, const std::string& strBy) {
    s.replace(s.find(strLine), strLine.size(), strBy);
    return s;
}

// A single change with its context shows through the command line's diff.
TEST(UnifiedHunks, ThreeLinesOfContextAndHunksJoinedWhenTheirContextsMeet) {
    EXPECT_EQ(Hunks(Numbered(10), Numbered(10)), "");
    // Six unchanged lines between two changes: one hunk.
    EXPECT_EQ(Hunks(Numbered(20), Replaced(Replaced(Numbered(20), "l3\r", "x\r"), "l10\r", "y\r")),
              "@@ -1,13 +1,13 @@\n l1\r\n l2\r\n-l3\r\n+x\r\n l4\r\n l5\r\n l6\r\n l7\r\n l8\r\n"
              " l9\r\n-l10\r\n+y\r\n l11\r\n l12\r\n l13\r\n");
    // Seven: two.
    EXPECT_EQ(Hunks(Numbered(20), Replaced(Replaced(Numbered(20), "l3\r", "x\r"), "l11\r", "y\r")),
              "@@ -1,6 +1,6 @@\n l1\r\n l2\r\n-l3\r\n+x\r\n l4\r\n l5\r\n l6\r\n"
              "@@ -8,7 +8,7 @@\n l8\r\n l9\r\n l10\r\n-l11\r\n+y\r\n l12\r\n l13\r\n l14\r\n");
    // A run of changes shows its removed lines first, then the added ones.
    EXPECT_EQ(Hunks("a\nb\nc\nd\n", "a\nB\nC\nd\n", 1),
              "@@ -1,4 +1,4 @@\n a\n-b\n-c\n+B\n+C\n d\n");
}

TEST(UnifiedHunks, RangesAtTheEdgesSingleLinesAndEmptySides) {
    EXPECT_EQ(Hunks("", "a\nb\n"), "@@ -0,0 +1,2 @@\n+a\n+b\n");
    EXPECT_EQ(Hunks("a\nb\n", ""), "@@ -1,2 +0,0 @@\n-a\n-b\n");
    EXPECT_EQ(Hunks("a\n", "b\n"), "@@ -1 +1 @@\n-a\n+b\n");
    EXPECT_EQ(Hunks("x\ny\nz\nw\nv\n", "new\nx\ny\nz\nw\nv\n"),
              "@@ -1,3 +1,4 @@\n+new\n x\n y\n z\n");
    EXPECT_EQ(Hunks("a\nb\nc\nd\ne\n", "a\nb\nc\nd\n"), "@@ -2,4 +2,3 @@\n b\n c\n d\n-e\n");
    EXPECT_EQ(Hunks("a\nb\nc\nd\ne\nf\ng\nh\n", "a\nb\nc\nd\nn\ne\nf\ng\nh\n"),
              "@@ -2,6 +2,7 @@\n b\n c\n d\n+n\n e\n f\n g\n");
}

TEST(UnifiedHunks, EveryByteIsKeptAndAMissingLastLineEndIsShown) {
    EXPECT_EQ(Hunks("a\nb", "a\nc"), "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n"
                                     "+c\n\\ No newline at end of file\n");
    EXPECT_EQ(Hunks("a\nb", "a\nb\n"),
              "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n");
    // A CR is part of its line: CR LF and LF alone differ.
    EXPECT_EQ(Hunks("a\r\nb\r\n", "a\r\nb\n"), "@@ -1,2 +1,2 @@\n a\r\n-b\r\n+b\n");
    EXPECT_EQ(Hunks(Bytes("Name=\xC9mile\r\nNul=\0x\r\nEnd\r\n"),
                    Bytes("Name=\xC9mile\r\nNul=\0y\xFF\r\nEnd\r\n")),
              Bytes("@@ -1,3 +1,3 @@\n Name=\xC9mile\r\n-Nul=\0x\r\n+Nul=\0y\xFF\r\n End\r\n"));
}

TEST(CountDifferingLines, EachRunCountsTheLargerOfItsRemovedAndAddedLines) {
    EXPECT_EQ(CountDifferingLines(CompareLines(Numbered(9), Numbered(9))), 0);
    EXPECT_EQ(CountDifferingLines(CompareLines(Numbered(9), Replaced(Numbered(9), "l4\r", "x\r"))),
              1);
    // l2 and l3 become three lines (3), l7 goes (1), a line is added at the end (1).
    EXPECT_EQ(CountDifferingLines(CompareLines(
                  Numbered(9),
                  Replaced(Replaced(Numbered(9), "l2\r\nl3\r\n", "a\r\nb\r\nc\r\n"), "l7\r\n", "") +
                      "z\r\n")),
              5);
}

// Random texts of repeating lines: kept lines pair up and the edit is shortest.
TEST(CompareLines, KeptLinesPairUpAndTheEditIsShortest) {
    std::mt19937 rng(29);
    auto RandomText = [&rng](int intLines, int intLetters) {
        std::string s;
        for (int i = 0; i < intLines; ++i)
            s += static_cast<char>('a' + rng() % intLetters) + std::string("\n");
        return s;
    };
    auto Check = [](const std::string& strOld, const std::string& strNew) {
        const LineEdits e = CompareLines(strOld, strNew);
        std::vector<std::string_view> vecKeptOld, vecKeptNew;
        size_t lngEdits = 0;
        for (size_t i = 0; i < e.vecOldLines.size(); ++i)
            e.vecRemoved[i] ? ++lngEdits : (vecKeptOld.push_back(e.vecOldLines[i]), 0);
        for (size_t j = 0; j < e.vecNewLines.size(); ++j)
            e.vecAdded[j] ? ++lngEdits : (vecKeptNew.push_back(e.vecNewLines[j]), 0);
        ASSERT_EQ(vecKeptOld, vecKeptNew) << strOld << "|" << strNew;
        const auto a = SplitLines(strOld), b = SplitLines(strNew);
        std::vector<std::vector<size_t>> lcs(a.size() + 1, std::vector<size_t>(b.size() + 1));
        for (size_t i = a.size(); i-- > 0;)
            for (size_t j = b.size(); j-- > 0;)
                lcs[i][j] =
                    a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
        EXPECT_EQ(lngEdits, a.size() + b.size() - 2 * lcs[0][0]) << strOld << "|" << strNew;
    };
    for (int k = 0; k < 3000; ++k)
        Check(RandomText(rng() % 40, 2 + k % 4), RandomText(rng() % 40, 2 + k % 4));
}

} // namespace
} // namespace ata
