#include "app/platform/LinuxIcmp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ata {

namespace {

uint16_t Checksum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2)
        sum += static_cast<uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

constexpr size_t kIcmpHeader = 8;

} // namespace

LinuxIcmp::~LinuxIcmp() {
    Close();
}

bool LinuxIcmp::Open(std::string& strCause) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    m_blnRaw = false;
    if (m_fd >= 0)
        return true;
    const int pingErrno = errno;
    m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    m_blnRaw = true;
    if (m_fd >= 0)
        return true;
    const int rawErrno = errno;
    strCause = std::string("ping sockets: ") + std::strerror(pingErrno) +
               "; raw sockets: " + std::strerror(rawErrno);
    return false;
}

void LinuxIcmp::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

IcmpEchoResult LinuxIcmp::SendEcho(uint32_t lngAddress, const std::string& strPayload,
                                   int32_t lngTimeout) {
    using Clock = std::chrono::steady_clock;
    IcmpEchoResult result;
    if (m_fd < 0) {
        result.lngStatus = kIcmpGeneralFailure;
        return result;
    }
    const uint16_t intId = static_cast<uint16_t>(::getpid() ^ 0x5A5A);
    const uint16_t intSequence = ++m_intSequence;

    std::vector<uint8_t> request(kIcmpHeader + strPayload.size());
    request[0] = ICMP_ECHO;
    request[4] = static_cast<uint8_t>(intId >> 8);
    request[5] = static_cast<uint8_t>(intId);
    request[6] = static_cast<uint8_t>(intSequence >> 8);
    request[7] = static_cast<uint8_t>(intSequence);
    std::memcpy(request.data() + kIcmpHeader, strPayload.data(), strPayload.size());
    const uint16_t sum = Checksum(request.data(), request.size());
    request[2] = static_cast<uint8_t>(sum >> 8);
    request[3] = static_cast<uint8_t>(sum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = lngAddress;
    const auto started = Clock::now();
    if (::sendto(m_fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to) < 0) {
        result.lngStatus = (errno == ENETUNREACH || errno == EHOSTUNREACH)
                               ? kIcmpDestinationHostUnreachable
                               : kIcmpGeneralFailure;
        return result;
    }

    const auto deadline = started + std::chrono::milliseconds(lngTimeout < 0 ? 0 : lngTimeout);
    std::vector<uint8_t> buffer(65536);
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return result;
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return result;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            continue;
        size_t offset = 0;
        if (m_blnRaw) {
            if (n < 20)
                continue;
            offset = static_cast<size_t>(buffer[0] & 0x0F) * 4;
        }
        if (static_cast<size_t>(n) < offset + kIcmpHeader || from.sin_addr.s_addr != lngAddress)
            continue;
        const uint8_t* reply = buffer.data() + offset;
        const size_t replyLength = static_cast<size_t>(n) - offset;
        const uint16_t replySequence = static_cast<uint16_t>(reply[6] << 8 | reply[7]);
        const uint16_t replyId = static_cast<uint16_t>(reply[4] << 8 | reply[5]);
        // A ping socket's identifier is chosen by the kernel, so it is matched by sequence and
        // payload; a raw socket sees every echo reply and checks the identifier too.
        if (reply[0] != ICMP_ECHOREPLY || replySequence != intSequence ||
            (m_blnRaw && replyId != intId) || replyLength != request.size() ||
            std::memcmp(reply + kIcmpHeader, strPayload.data(), strPayload.size()) != 0)
            continue;
        result.lngStatus = kIcmpSuccess;
        const auto elapsed = Clock::now() - started;
        result.lngRoundTripTime = static_cast<int32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
        result.lngRoundTripMicros =
            std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
        return result;
    }
}

} // namespace ata
