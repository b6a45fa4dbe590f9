#include "workflow/modMiscText.h"

#include <gtest/gtest.h>

using namespace ata::modMisc;

TEST(TextBetween, FindsTheTextBetweenMarkersFromTheStartPosition) {
    int32_t lngStart = 1;
    EXPECT_EQ(TextBetween("<a>", "</a>", "xx<a>inner</a>yy</a>", lngStart, true), "inner");
    EXPECT_EQ(TextBetween("<a>", "</a>", "<a></a>", lngStart, true), "");
    EXPECT_EQ(TextBetween("<a>", "</a>", "no start </a>", lngStart, true), "");
    EXPECT_EQ(TextBetween("<a>", "</a>", "<a> no end", lngStart, true), "");
    // The end marker must come after the start marker.
    EXPECT_EQ(TextBetween("<a>", "</a>", "</a><a>x", lngStart, true), "");

    lngStart = 0; // becomes 1
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "x");
    EXPECT_EQ(lngStart, 1);
    lngStart = 2;
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "y");
    lngStart = 100;
    EXPECT_EQ(TextBetween("[", "]", "[x][y]", lngStart, true), "");

    lngStart = 1;
    EXPECT_EQ(TextBetween("<TD>", "</TD>", "<td>v</td>", lngStart, true), "");
    EXPECT_EQ(TextBetween("<td>", "</td>", "<TD>Mixed</Td>", lngStart, false), "Mixed");
}

TEST(StripWhitespace, RemovesTabCrLfAndSpaceOnly) {
    EXPECT_EQ(StripWhitespace(" \tRe gis\r\ntered \n\v\f"), "Registered\v\f");
}

TEST(GetField, AdjacentDelimitersEncloseAnEmptyFieldAndTheDelimiterIsCaseSensitive) {
    EXPECT_EQ(GetField("a b c", " ", 3), "c");
    EXPECT_EQ(GetField("a b c", " ", 4), "");
    EXPECT_EQ(GetField("a  b", " ", 2), "");
    EXPECT_EQ(GetField("a  b", " ", 3), "b");
    EXPECT_EQ(GetField("", " ", 1), "");
    EXPECT_EQ(GetField("one\r\ntwo\r\nthree", "\r\n", 2), "two");
    EXPECT_EQ(GetField("aXbxc", "x", 1), "aXb");
}

TEST(CollapseDelimiters, RunsBecomeOneAndTrimmingRemovesOneAtEachEnd) {
    EXPECT_EQ(CollapseDelimiters("a,,b,,,c", ",", false), "a,b,c");
    EXPECT_EQ(CollapseDelimiters("\r\n\r\nA\r\n\r\n\r\nB\r\n\r\n", "\r\n", true), "A\r\nB");
    EXPECT_EQ(CollapseDelimiters(",a,", ",", false), ",a,");
    EXPECT_EQ(CollapseDelimiters("\r\n", "\r\n", true), "");
    // A lone line feed is not a line break and stays.
    EXPECT_EQ(CollapseDelimiters("a\n\nb", "\r\n", true), "a\n\nb");
}
