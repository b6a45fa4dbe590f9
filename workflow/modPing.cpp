#include "workflow/modPing.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace ata::modPing {

namespace {

// One part of a dotted address: its value, or false when it is not a number.
bool ParsePart(const std::string& strPart, uint64_t& lngValue) {
    if (strPart.empty())
        return false;
    int base = 10;
    size_t i = 0;
    if (strPart.size() > 1 && strPart[0] == '0' && (strPart[1] == 'x' || strPart[1] == 'X')) {
        base = 16;
        i = 2;
        if (i == strPart.size())
            return false;
    } else if (strPart[0] == '0') {
        base = 8;
    }
    lngValue = 0;
    for (; i < strPart.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(strPart[i]);
        int digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = std::tolower(c) - 'a' + 10;
        else
            return false;
        if (digit >= base)
            return false;
        lngValue = lngValue * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (lngValue > 0xFFFFFFFFull)
            return false;
    }
    return true;
}

} // namespace

uint32_t InetAddr(const std::string& strAddress) {
    uint64_t parts[4] = {};
    int count = 0;
    size_t begin = 0;
    while (true) {
        const size_t dot = strAddress.find('.', begin);
        const size_t end = dot == std::string::npos ? strAddress.size() : dot;
        if (count == 4 || !ParsePart(strAddress.substr(begin, end - begin), parts[count]))
            return kInaddrNone;
        ++count;
        if (dot == std::string::npos)
            break;
        begin = dot + 1;
    }
    uint64_t value = 0;
    // The leading parts are one byte each; the last fills what is left.
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF)
            return kInaddrNone;
        value |= parts[i] << (8 * (3 - i));
    }
    const uint64_t lngLastMax = 0xFFFFFFFFull >> (8 * (count - 1));
    if (parts[count - 1] > lngLastMax)
        return kInaddrNone;
    value |= parts[count - 1];
    return htonl(static_cast<uint32_t>(value));
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
