#include "net/NetErrors.h"
#include "net/NetValue.h"
#include "net/SocketAddress.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

namespace ata {
namespace {

TEST(NetBasics, ErrorTextsValueBytesAndAddresses) {
    EXPECT_EQ(GetErrorDescription(11001), "Host not found.");
    EXPECT_EQ(GetErrorDescription(0), "Unknown error.");
    EXPECT_EQ(GetErrorDescription(12345), "Unknown error.");
    EXPECT_EQ(MapErrno(0), 0);
    EXPECT_EQ(MapErrno(EAGAIN), 10035);
    EXPECT_EQ(GetErrorDescription(MapErrno(ENOKEY)), "Unknown error.");
    EXPECT_EQ(MapResolverError(EAI_NONAME), 11001);

    std::string strBytes; // fixed kinds are little-endian
    ASSERT_TRUE(ValueToBytes(NetValue{int32_t{0x01020304}}, strBytes));
    EXPECT_EQ(strBytes, std::string("\x04\x03\x02\x01", 4));
    ASSERT_TRUE(ValueToBytes(NetValue{true}, strBytes));
    EXPECT_EQ(strBytes, std::string("\xFF\xFF", 2));
    EXPECT_FALSE(ValueToBytes(NetValue{NetUnsupported{vbObject}}, strBytes));
    EXPECT_FALSE(ValueToBytes(NetValue{}, strBytes));

    EXPECT_EQ(DottedText(*ParseDotted("127.1")), "127.0.0.1");
    EXPECT_FALSE(ParseDotted("255.255.255.255"));
    EXPECT_FALSE(ParseDotted("localhost"));
    EXPECT_FALSE(ParseDotted(""));
    EXPECT_EQ(ResolveHostNow("").lngError, 10047);
    EXPECT_EQ(ResolveHostNow("10.1.2.3").strDotted, "10.1.2.3"); // parsed, never contacted
    EXPECT_EQ(NumberOf(NetValue{std::string(" 21 ")}), 21.0);
    EXPECT_FALSE(NumberOf(NetValue{std::string("21x")}));
    EXPECT_FALSE(NumberOf(NetValue{}));
    EXPECT_EQ(NumberOf(NetValue{int16_t{7}}), 7.0);
}

} // namespace
} // namespace ata
