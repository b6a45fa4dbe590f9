#include "workflow/modMiscText.h"

#include <gtest/gtest.h>

using namespace ata::modMisc;

TEST(TextBetween, FindsTextBetweenMarkers) {
    int32_t lngStart = 1;
    EXPECT_EQ(TextBetween("<a>", "</a>", "xx<a>inner</a>yy</a>", lngStart, true), "inner");
    lngStart = 1;
    EXPECT_EQ(TextBetween("<a>", "</a>", "<a></a>", lngStart, true), "");
}

TEST(TextBetween, MissingMarkerGivesEmptyText) {
    int32_t lngStart = 1;
    EXPECT_EQ(TextBetween("<a>", "</a>", "no start </a>", lngStart, true), "");
    EXPECT_EQ(TextBetween("<a>", "</a>", "<a> no end", lngStart, true), "");
    // The end marker must come after the start marker.
    EXPECT_EQ(TextBetween("<a>", "</a>", "</a><a>x", lngStart, true), "");
}

TEST(TextBetween, StartPositionZeroBecomesOne) {
    int32_t lngStart = 0;
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "x");
    EXPECT_EQ(lngStart, 1);
    lngStart = 2;
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "y");
    lngStart = 100;
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "");
}

TEST(TextBetween, CaseFlag) {
    int32_t lngStart = 1;
    EXPECT_EQ(TextBetween("<TD>", "</TD>", "<td>v</td>", lngStart, true), "");
    EXPECT_EQ(TextBetween("<TD>", "</TD>", "<td>v</td>", lngStart, false), "v");
    EXPECT_EQ(TextBetween("<td>", "</td>", "<TD>Mixed</Td>", lngStart, false), "Mixed");
}

TEST(StripWhitespace, RemovesTabCrLfAndSpaceOnly) {
    EXPECT_EQ(StripWhitespace(" \tRe gis\r\ntered \n"), "Registered");
    EXPECT_EQ(StripWhitespace("a\vb\fc"), "a\vb\fc");
    EXPECT_EQ(StripWhitespace(""), "");
}

TEST(GetField, FieldsOfSingleSpacedText) {
    EXPECT_EQ(GetField("a b c", " ", 1), "a");
    EXPECT_EQ(GetField("a b c", " ", 2), "b");
    EXPECT_EQ(GetField("a b c", " ", 3), "c");
    EXPECT_EQ(GetField("a b c", " ", 4), "");
    EXPECT_EQ(GetField("a b c", " ", 5), "");
}

TEST(GetField, AdjacentDelimitersEncloseEmptyField) {
    EXPECT_EQ(GetField("a  b", " ", 2), "");
    EXPECT_EQ(GetField("a  b", " ", 3), "b");
    EXPECT_EQ(GetField("x", " ", 1), "x");
    EXPECT_EQ(GetField("", " ", 1), "");
}

TEST(GetField, MultiCharacterAndCaseSensitiveDelimiter) {
    EXPECT_EQ(GetField("one\r\ntwo\r\nthree", "\r\n", 2), "two");
    EXPECT_EQ(GetField("aXbxc", "x", 1), "aXb");
    EXPECT_EQ(GetField("aXbxc", "x", 2), "c");
}

TEST(CollapseDelimiters, RunsBecomeOneDelimiter) {
    EXPECT_EQ(CollapseDelimiters("A\r\n\r\n\r\nB", "\r\n", true), "A\r\nB");
    EXPECT_EQ(CollapseDelimiters("a,,b,,,c", ",", false), "a,b,c");
    EXPECT_EQ(CollapseDelimiters("a,b", ",", false), "a,b");
}

TEST(CollapseDelimiters, TrimEndsRemovesOneDelimiterAtEachEnd) {
    EXPECT_EQ(CollapseDelimiters("\r\n\r\nA\r\nB\r\n\r\n", "\r\n", true), "A\r\nB");
    EXPECT_EQ(CollapseDelimiters(",a,", ",", true), "a");
    EXPECT_EQ(CollapseDelimiters(",a,", ",", false), ",a,");
    EXPECT_EQ(CollapseDelimiters("\r\n", "\r\n", true), "");
    // A lone line feed is not a line break and stays.
    EXPECT_EQ(CollapseDelimiters("a\n\nb", "\r\n", true), "a\n\nb");
}
