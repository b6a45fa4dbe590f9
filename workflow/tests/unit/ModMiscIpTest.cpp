#include "workflow/modMiscIp.h"
#include "workflow/modPing.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace ata {
namespace {

TEST(CountOccurrences, CountsOverlappingMatchesCaseSensitively) {
    EXPECT_EQ(modMisc::CountOccurrences("192.168.0.1", "."), 3);
    EXPECT_EQ(modMisc::CountOccurrences("aaaa", "aa"), 3);
    EXPECT_EQ(modMisc::CountOccurrences("AbAB", "ab"), 0);
    EXPECT_EQ(modMisc::CountOccurrences("", "."), 0);
    EXPECT_EQ(modMisc::CountOccurrences("abc", "x"), 0);
}

TEST(IsValidIp, NeedsExactlyThreeDotsAndFourNumericParts) {
    EXPECT_TRUE(modMisc::IsValidIp("192.168.0.1"));
    EXPECT_TRUE(modMisc::IsValidIp("10.0.0.99"));
    EXPECT_FALSE(modMisc::IsValidIp("192.168.0"));
    EXPECT_FALSE(modMisc::IsValidIp("1.2.3.4.5"));
    EXPECT_FALSE(modMisc::IsValidIp("a.b.c.d"));
    EXPECT_FALSE(modMisc::IsValidIp("1..2.3"));
    EXPECT_FALSE(modMisc::IsValidIp("1.2.3."));
    EXPECT_FALSE(modMisc::IsValidIp(""));
}

TEST(IsValidIp, HasNoRangeCheckAndAcceptsWhatTheNumericTestAccepts) {
    EXPECT_TRUE(modMisc::IsValidIp("300.400.500.600"));
    EXPECT_TRUE(modMisc::IsValidIp("0.0.0.0"));
    EXPECT_TRUE(modMisc::IsValidIp("255.255.255.255"));
    EXPECT_TRUE(modMisc::IsValidIp(" 1.-2.+3.4e2 "));
    EXPECT_TRUE(modMisc::IsValidIp("99999999999999999999999.1.1.1"));
    EXPECT_FALSE(modMisc::IsValidIp("1e999.1.1.1"));
    EXPECT_FALSE(modMisc::IsValidIp("1 2.1.1.1"));
    EXPECT_FALSE(modMisc::IsValidIp("+.1.1.1"));
    EXPECT_FALSE(modMisc::IsValidIp("1e.1.1.1"));
    EXPECT_FALSE(modMisc::IsValidIp(std::string("1\0.2.3.4", 8)));
}

TEST(InetAddr, ReadsDottedTextAsTheClassicConversionDoes) {
    auto dotted = [](const char* text) {
        const uint32_t a = modPing::InetAddr(text);
        if (a == modPing::kInaddrNone)
            return std::string("none");
        in_addr in{a};
        return std::string(inet_ntoa(in));
    };
    EXPECT_EQ(dotted("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(dotted("010.0.0.1"), "8.0.0.1");
    EXPECT_EQ(dotted("0x7f.1"), "127.0.0.1");
    EXPECT_EQ(dotted("127.1"), "127.0.0.1");
    EXPECT_EQ(dotted("255.255.255.255"), "none");
    EXPECT_EQ(dotted("300.1.1.1"), "none");
    EXPECT_EQ(dotted("08.1.1.1"), "none");
    EXPECT_EQ(dotted("1.2.3.4.5"), "none");
    EXPECT_EQ(dotted("-1.2.3.4"), "none");
}

} // namespace
} // namespace ata
