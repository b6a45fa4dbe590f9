#include "workflow/modMiscIp.h"
#include "workflow/modPing.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace ata {
namespace {

TEST(IsValidIp, ThreeDotsAndFourPartsTheNumericTestAcceptsWithoutARangeCheck) {
    for (const char* strIp :
         {"192.168.0.1", "300.400.500.600", " 1.-2.+3.4e2 ", "99999999999999999999999.1.1.1"})
        EXPECT_TRUE(modMisc::IsValidIp(strIp)) << strIp;
    for (const std::string& strIp : std::vector<std::string>{
             "192.168.0", "1.2.3.4.5", "a.b.c.d", "1..2.3", "1.2.3.", "", "1e999.1.1.1",
             "1 2.1.1.1", "+.1.1.1", "1e.1.1.1", std::string("1\0.2.3.4", 8)})
        EXPECT_FALSE(modMisc::IsValidIp(strIp)) << strIp;
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
    for (const char* strBad : {"255.255.255.255", "300.1.1.1", "08.1.1.1", "1.2.3.4.5", "-1.2.3.4",
                               "0x.1", "1.2.3.", " 1.2.3.4", "1.2.3.4 x", "1.2.3.4\t", ""})
        EXPECT_EQ(dotted(strBad), "none") << strBad;
    EXPECT_EQ(modPing::InetAddr(std::string("1.2.3.4\0", 8)), modPing::kInaddrNone);
}

} // namespace
} // namespace ata
