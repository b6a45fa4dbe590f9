#pragma once

#include "workflow/IIcmpFacility.h"
#include "workflow/IWindowOps.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ata::modPing {

// The all-ones value that the dotted-address conversion returns for text it cannot read.
inline constexpr uint32_t kInaddrNone = 0xFFFFFFFFu;

// Dotted-address conversion with the classic rules: one to four parts, each decimal, octal
// (leading 0) or hexadecimal (leading 0x), the last part filling the remaining bytes. Returns
// the address in network byte order, or kInaddrNone.
uint32_t InetAddr(const std::string& strAddress);

// The sockets service has nothing to start on this platform; the calls keep the check's shape.
bool SocketsStartup();
bool SocketsCleanup();

// One echo to the address: -1 when the address is not convertible (255.255.255.255 included),
// otherwise the reply's status. When the facility cannot be opened at all the status is
// kIcmpGeneralFailure and strCause receives the reason.
int32_t SendEcho(IIcmpFacility& icmp, const std::string& strAddress, const std::string& strPayload,
                 int32_t lngTimeout, IcmpEchoResult& reply, std::string& strCause);

// True when one echo request is answered with status 0 within lngTimeout milliseconds;
// lngTimeout receives the round-trip time. An empty payload means "Test". When no echo can be
// sent at all, a warning names the cause before the check fails.
bool PingHost(IWindowOps& window, IIcmpFacility& icmp, const std::string& strAddress,
              int32_t& lngTimeout, std::string strPayload);

} // namespace ata::modPing
