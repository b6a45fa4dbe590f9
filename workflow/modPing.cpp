#include "workflow/modPing.h"

#include "net/SocketAddress.h"

#include <string_view>

namespace ata::modPing {

uint32_t InetAddr(const std::string& strAddress) {
    // The system's parser also takes an address followed by white space or a NUL and anything
    // after it; the classic conversion refuses those.
    constexpr std::string_view kStops(" \t\n\v\f\r\0", 7);
    if (strAddress.find_first_of(kStops) != std::string::npos)
        return kInaddrNone;
    return ParseDotted(strAddress).value_or(kInaddrNone);
}

bool SocketsStartup() {
    return true;
}
bool SocketsCleanup() {
    return true;
}

int32_t SendEcho(IIcmpFacility& icmp, const std::string& strAddress, const std::string& strPayload,
                 int32_t lngTimeout, IcmpEchoResult& reply, std::string& strCause) {
    const uint32_t lngAddress = InetAddr(strAddress);
    if (lngAddress == kInaddrNone)
        return -1;
    if (!icmp.Open(strCause)) {
        if (strCause.empty())
            strCause = "no ICMP facility";
        reply = IcmpEchoResult{kIcmpGeneralFailure, 0};
        return kIcmpGeneralFailure;
    }
    reply = icmp.SendEcho(lngAddress, strPayload, lngTimeout);
    icmp.Close();
    return reply.lngStatus;
}

bool PingHost(IWindowOps& window, IIcmpFacility& icmp, const std::string& strAddress,
              int32_t& lngTimeout, std::string strPayload) {
    if (!SocketsStartup()) {
        window.ShowMessage("Windows Sockets for 32 bit Windows environments is not successfully "
                           "responding.",
                           MessageIcon::Warning);
        return false;
    }
    if (strPayload.empty())
        strPayload = "Test";
    IcmpEchoResult reply;
    std::string strCause;
    const int32_t lngStatus = SendEcho(icmp, strAddress, strPayload, lngTimeout, reply, strCause);
    lngTimeout = reply.lngRoundTripTime;
    if (!strCause.empty())
        window.ShowMessage("The ATA cannot be checked: this computer does not let the tool send "
                           "a ping (" +
                               strCause + ").",
                           MessageIcon::Warning);
    const bool blnAnswered = lngStatus == kIcmpSuccess;
    if (!SocketsCleanup())
        window.ShowMessage("Windows Sockets error occurred in Cleanup.", MessageIcon::Warning);
    return blnAnswered;
}

} // namespace ata::modPing
