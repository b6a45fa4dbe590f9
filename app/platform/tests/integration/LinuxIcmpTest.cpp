#include "app/platform/LinuxIcmp.h"
#include "workflow/modPing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace ata {
namespace {

using Clock = std::chrono::steady_clock;

// A host in a network namespace of the test's own, reached over a veth pair.
class SilentHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to create a network namespace";
        Shell("ip netns del $NS 2>/dev/null; ip link del $H 2>/dev/null");
        if (!Shell("ip netns add $NS && ip link add $H type veth peer name $P && "
                   "ip link set $P netns $NS && ip addr add 169.254.77.1/30 dev $H && "
                   "ip link set $H up && ip netns exec $NS sh -c \"ip addr add 169.254.77.2/30 "
                   "dev $P && ip link set $P up && ip link set lo up\""))
            GTEST_SKIP() << "cannot set up a network namespace here";
    }
    // Also after a set-up that stopped half-way.
    void TearDown() override { Shell("ip link del $H 2>/dev/null; ip netns del $NS 2>/dev/null"); }
    bool Shell(const std::string& strCommand) {
        const std::string strPid = std::to_string(::getpid() % 100000);
        return std::system(("NS=ata-icmp-" + strPid + "; H=ataI" + strPid + "; P=ataJ" + strPid +
                            "; " + strCommand)
                               .c_str()) == 0;
    }
    // The echo's result and how long it took.
    std::pair<IcmpEchoResult, long> Echo(bool blnIgnored) {
        EXPECT_TRUE(Shell(std::string("ip netns exec $NS sysctl -q -w ") +
                          "net.ipv4.icmp_echo_ignore_all=" + (blnIgnored ? "1" : "0")));
        LinuxIcmp icmp;
        std::string strCause;
        if (!icmp.Open(strCause)) {
            ADD_FAILURE() << "no ICMP facility: " << strCause;
            return {};
        }
        const auto start = Clock::now();
        IcmpEchoResult r = icmp.SendEcho(modPing::InetAddr("169.254.77.2"), "Test", 500);
        return {
            r, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()};
    }
};

TEST_F(SilentHostTest, AHostThatIgnoresEchoesCountsAsOffAfterAboutHalfASecond) {
    // The path works: the host answers while it does not ignore echoes. The first echo may
    // wait for address resolution, so one retry is allowed.
    IcmpEchoResult answered = Echo(false).first;
    if (answered.lngStatus != kIcmpSuccess)
        answered = Echo(false).first;
    ASSERT_EQ(answered.lngStatus, kIcmpSuccess);
    const auto [silent, lngElapsedMs] = Echo(true);
    EXPECT_NE(silent.lngStatus, kIcmpSuccess);
    EXPECT_GE(lngElapsedMs, 450);
    EXPECT_LT(lngElapsedMs, 1500);
}

} // namespace
} // namespace ata
