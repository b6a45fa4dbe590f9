#pragma once

#include <cstdint>
#include <string>

namespace ata {

// Error numbers of the socket layer's own rules.
inline constexpr int32_t errOutOfMemory = 7;
inline constexpr int32_t errWrongProtocolOrState = 40006;
inline constexpr int32_t errInvalidArgument = 40014;
inline constexpr int32_t errUnsupportedVariant = 40018;
inline constexpr int32_t errInvalidOperation = 40020;

inline constexpr const char* kTextWrongProtocolOrState =
    "Wrong protocol or connection state for the requested transaction or request";
inline constexpr const char* kTextArgumentRange =
    "The argument passed to a function was not in the correct format or in the specified range.";
inline constexpr const char* kTextInvalidArgument = "Invalid argument";
inline constexpr const char* kTextUnsupportedVariant = "Unsupported variant type.";
inline constexpr const char* kTextInvalidOperation = "Invalid operation at current state";
inline constexpr const char* kTextOutOfMemory = "Out of memory";

// Sockets error codes used by name in the layer.
inline constexpr int32_t wsaEWOULDBLOCK = 10035;
inline constexpr int32_t wsaEMSGSIZE = 10040;
inline constexpr int32_t wsaEAFNOSUPPORT = 10047;
inline constexpr int32_t wsaEADDRNOTAVAIL = 10049;
inline constexpr int32_t wsaESHUTDOWN = 10058;
inline constexpr int32_t wsaECONNREFUSED = 10061;
inline constexpr int32_t wsaHOST_NOT_FOUND = 11001;

// English text of a sockets error code; "Unknown error." for every code not in the table.
std::string GetErrorDescription(int32_t lngCode);

// Sockets error code of a POSIX errno value; 0 stays 0, unmapped values give the errno itself
// offset out of the table's range so that they read as "Unknown error.".
int32_t MapErrno(int intErrno);

// Sockets error code of a getaddrinfo result (EAI_*).
int32_t MapResolverError(int intEai);

} // namespace ata
