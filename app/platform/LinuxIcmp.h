#pragma once

#include "workflow/IIcmpFacility.h"

#include <cstdint>

namespace ata {

// ICMP echo on Linux: a kernel ping socket (datagram, no privilege needed where
// net.ipv4.ping_group_range allows it), otherwise a raw socket (needs CAP_NET_RAW).
class LinuxIcmp : public IIcmpFacility {
public:
    LinuxIcmp() = default;
    ~LinuxIcmp() override;
    LinuxIcmp(const LinuxIcmp&) = delete;
    LinuxIcmp& operator=(const LinuxIcmp&) = delete;

    bool Open(std::string& strCause) override;
    void Close() override;
    IcmpEchoResult SendEcho(uint32_t lngAddress, const std::string& strPayload,
                            int32_t lngTimeout) override;

    // True when the open socket is a raw socket (replies then carry the IP header).
    bool IsRaw() const { return m_blnRaw; }

private:
    int m_fd = -1;
    bool m_blnRaw = false;
    uint16_t m_intSequence = 0;
};

} // namespace ata
