#pragma once

#include <cstdint>
#include <string>

namespace ata {

// Status values of an echo, as the platform's echo call reports them.
inline constexpr int32_t kIcmpSuccess = 0;
inline constexpr int32_t kIcmpDestinationHostUnreachable = 11003;
inline constexpr int32_t kIcmpRequestTimedOut = 11010;
inline constexpr int32_t kIcmpGeneralFailure = 11050;

struct IcmpEchoResult {
    int32_t lngStatus = kIcmpRequestTimedOut;
    int32_t lngRoundTripTime = 0;
    // The same time to the microsecond, for reports finer than the window's.
    int64_t lngRoundTripMicros = 0;
};

// The platform's ICMP echo: open, one request, close.
class IIcmpFacility {
public:
    virtual ~IIcmpFacility() = default;
    // False when no echo can be sent at all; strCause then says why, for the user.
    virtual bool Open(std::string& strCause) = 0;
    virtual void Close() = 0;
    // One echo request to lngAddress (network byte order) and its reply, waiting at most
    // lngTimeout milliseconds. Only valid between Open and Close.
    virtual IcmpEchoResult SendEcho(uint32_t lngAddress, const std::string& strPayload,
                                    int32_t lngTimeout) = 0;
};

} // namespace ata
