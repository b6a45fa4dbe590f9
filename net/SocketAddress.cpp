#include "net/SocketAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <netdb.h>

#include "net/NetErrors.h"

namespace ata {

std::string DottedText(uint32_t lngAddress) {
    const auto* pBytes = reinterpret_cast<const unsigned char*>(&lngAddress);
    return std::to_string(pBytes[0]) + "." + std::to_string(pBytes[1]) + "." +
           std::to_string(pBytes[2]) + "." + std::to_string(pBytes[3]);
}

sockaddr_in MakeSocketAddress(uint32_t lngAddress, int32_t lngPort) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(lngPort));
    address.sin_addr.s_addr = lngAddress;
    return address;
}

std::optional<uint32_t> ParseDotted(const std::string& strHost) {
    in_addr parsed{};
    // inet_aton accepts the classic forms ("127.1", "0x7f.0.0.1") as inet_addr does.
    if (strHost.empty() || ::inet_aton(strHost.c_str(), &parsed) == 0 ||
        parsed.s_addr == INADDR_NONE) {
        return std::nullopt;
    }
    return parsed.s_addr;
}

ResolvedHost ResolveHostNow(const std::string& strText) {
    ResolvedHost result;
    if (strText.empty()) {
        result.lngError = wsaEAFNOSUPPORT;
        return result;
    }
    if (auto address = ParseDotted(strText)) {
        result.lngAddress = *address;
        result.strDotted = strText;
        return result;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pList = nullptr;
    const int intRc = ::getaddrinfo(strText.c_str(), nullptr, &hints, &pList);
    if (intRc != 0) {
        result.lngError = MapResolverError(intRc);
        return result;
    }
    result.lngError = wsaHOST_NOT_FOUND;
    for (addrinfo* p = pList; p; p = p->ai_next) {
        if (p->ai_family == AF_INET && p->ai_addr) {
            result.lngAddress = reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
            result.strDotted = DottedText(result.lngAddress);
            result.lngError = 0;
            break;
        }
    }
    ::freeaddrinfo(pList);
    return result;
}

std::optional<double> NumberOf(const NetValue& value) {
    if (IsNumeric(value)) {
        return AsNumber(value);
    }
    if (const auto* pText = std::get_if<std::string>(&value)) {
        const char* pBegin = pText->c_str();
        while (*pBegin == ' ') {
            ++pBegin;
        }
        if (*pBegin == '\0') {
            return std::nullopt;
        }
        char* pEnd = nullptr;
        const double dblValue = std::strtod(pBegin, &pEnd);
        while (*pEnd == ' ') {
            ++pEnd;
        }
        if (*pEnd == '\0') {
            return dblValue;
        }
    }
    return std::nullopt;
}

} // namespace ata
