#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>

#include "net/NetValue.h"

namespace ata {

// The address value that means "no address" (also the all-ones address, as the parser gives).
inline constexpr uint32_t kNoAddress = 1;

// Dotted text of an IPv4 address in network byte order ("127.0.0.1").
std::string DottedText(uint32_t lngAddress);

// An IPv4 socket address for an address in network byte order and a host-order port.
sockaddr_in MakeSocketAddress(uint32_t lngAddress, int32_t lngPort);

struct ResolvedHost {
    uint32_t lngAddress = kNoAddress;
    std::string strDotted;
    int32_t lngError = 0;
};

// Blocking conversion of a dotted address or a host name: empty text gives error 10047, a
// dotted address is taken as it is, a name is looked up (first IPv4 address).
ResolvedHost ResolveHostNow(const std::string& strText);

// Parses dotted IPv4 notation; nullopt for anything else (and for 255.255.255.255, which the
// classic parser cannot tell from its failure value).
std::optional<uint32_t> ParseDotted(const std::string& strHost);

// The number a value stands for: numeric kinds, and text that reads wholly as a number.
std::optional<double> NumberOf(const NetValue& value);

} // namespace ata
