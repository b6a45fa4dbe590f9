#include "workflow/modPing.h"
#include "testing/RecordingWindow.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace ata {
namespace {

class FakeIcmp : public IIcmpFacility {
public:
    bool blnOpens = true;
    IcmpEchoResult reply{kIcmpSuccess, 7};
    std::vector<std::string> vecCalls;
    bool Open(std::string& strCause) override {
        vecCalls.push_back("Open");
        strCause = blnOpens ? "" : "Operation not permitted";
        return blnOpens;
    }
    void Close() override { vecCalls.push_back("Close"); }
    IcmpEchoResult SendEcho(uint32_t a, const std::string& p, int32_t t) override {
        vecCalls.push_back(std::string("Echo ") + inet_ntoa(in_addr{a}) + " " + p + " " +
                           std::to_string(t));
        return reply;
    }
};

TEST(PingHost, OneTestEchoGivesTheRoundTripTimeAndAnyOtherStatusFails) {
    test::RecordingWindow window;
    FakeIcmp icmp;
    int32_t lngTimeout = 500;
    EXPECT_TRUE(modPing::PingHost(window, icmp, "127.0.0.1", lngTimeout, ""));
    EXPECT_EQ(icmp.vecCalls,
              (std::vector<std::string>{"Open", "Echo 127.0.0.1 Test 500", "Close"}));
    EXPECT_EQ(lngTimeout, 7);

    icmp.reply = {kIcmpRequestTimedOut, 0};
    EXPECT_FALSE(modPing::PingHost(window, icmp, "127.0.0.1", lngTimeout, "x"));
    // An address the conversion refuses sends nothing.
    icmp.vecCalls.clear();
    EXPECT_FALSE(modPing::PingHost(window, icmp, "255.255.255.255", lngTimeout, ""));
    EXPECT_FALSE(modPing::PingHost(window, icmp, "300.400.500.600", lngTimeout, ""));
    EXPECT_TRUE(icmp.vecCalls.empty());
    EXPECT_TRUE(window.vecOps.empty());

    // No echo can be sent at all: the cause is named.
    icmp.blnOpens = false;
    EXPECT_FALSE(modPing::PingHost(window, icmp, "127.0.0.1", lngTimeout, ""));
    ASSERT_EQ(window.vecOps.size(), 1u);
    EXPECT_EQ(window.vecOps[0].rfind("Warning(", 0), 0u);
    EXPECT_NE(window.vecOps[0].find("Operation not permitted"), std::string::npos);
}

} // namespace
} // namespace ata
