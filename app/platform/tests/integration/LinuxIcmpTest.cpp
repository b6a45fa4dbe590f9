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

IcmpEchoResult Echo(LinuxIcmp& icmp, const std::string& strAddress) {
    std::string strCause;
    if (!icmp.Open(strCause)) {
        ADD_FAILURE() << "no ICMP facility: " << strCause;
        return {};
    }
    IcmpEchoResult r = icmp.SendEcho(modPing::InetAddr(strAddress), "Test", 500);
    icmp.Close();
    return r;
}

// A host in a network namespace of the test's own, reached over a veth pair. (The loopback
// echo runs in every status read of the whole-tool tests.)
class SilentHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to create a network namespace";
        const std::string ns = m_strNamespace, a = m_strHostSide, b = m_strPeerSide;
        Run("ip netns del " + ns + " 2>/dev/null");
        Run("ip link del " + a + " 2>/dev/null");
        if (!Run("ip netns add " + ns) || !Run("ip link add " + a + " type veth peer name " + b) ||
            !Run("ip link set " + b + " netns " + ns) ||
            !Run("ip addr add 169.254.77.1/30 dev " + a) || !Run("ip link set " + a + " up") ||
            !Run("ip netns exec " + ns + " ip addr add 169.254.77.2/30 dev " + b) ||
            !Run("ip netns exec " + ns + " ip link set " + b + " up") ||
            !Run("ip netns exec " + ns + " ip link set lo up"))
            GTEST_SKIP() << "cannot set up a network namespace here";
        m_blnReady = true;
    }
    void TearDown() override {
        if (m_blnReady) {
            Run("ip link del " + m_strHostSide + " 2>/dev/null");
            Run("ip netns del " + m_strNamespace);
        }
    }
    static bool Run(const std::string& strCommand) { return std::system(strCommand.c_str()) == 0; }
    void IgnoreEchoes(bool blnIgnore) {
        ASSERT_TRUE(Run("ip netns exec " + m_strNamespace +
                        " sysctl -q -w net.ipv4.icmp_echo_ignore_all=" + (blnIgnore ? "1" : "0")));
    }

    std::string m_strNamespace = "ata-icmp-" + std::to_string(::getpid());
    std::string m_strHostSide = "ataI" + std::to_string(::getpid() % 100000);
    std::string m_strPeerSide = "ataJ" + std::to_string(::getpid() % 100000);
    bool m_blnReady = false;
};

TEST_F(SilentHostTest, AHostThatIgnoresEchoesCountsAsOffAfterAboutHalfASecond) {
    LinuxIcmp icmp;
    IgnoreEchoes(false);
    // The path works: the same host answers while it does not ignore echoes. The first echo
    // may wait for address resolution, so allow one retry here.
    IcmpEchoResult answered = Echo(icmp, "169.254.77.2");
    if (answered.lngStatus != kIcmpSuccess)
        answered = Echo(icmp, "169.254.77.2");
    ASSERT_EQ(answered.lngStatus, kIcmpSuccess);

    IgnoreEchoes(true);
    const auto start = Clock::now();
    const IcmpEchoResult silent = Echo(icmp, "169.254.77.2");
    const auto lngElapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_NE(silent.lngStatus, kIcmpSuccess);
    EXPECT_GE(lngElapsed, 450);
    EXPECT_LT(lngElapsed, 1500);
}

} // namespace
} // namespace ata
