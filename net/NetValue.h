#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ata {

// Kind codes of the values that SendData takes and GetData/PeekData return.
enum NetKind : int32_t {
    vbEmpty = 0,
    vbNull = 1,
    vbInteger = 2,
    vbLong = 3,
    vbSingle = 4,
    vbDouble = 5,
    vbCurrency = 6,
    vbDate = 7,
    vbString = 8,
    vbObject = 9,
    vbError = 10,
    vbBoolean = 11,
    vbDecimal = 14,
    vbByte = 17,
    vbByteArray = 8209,
};

// 64-bit fixed point: the value times 10000.
struct NetCurrency {
    int64_t lngScaled = 0;
    bool operator==(const NetCurrency&) const = default;
};
// Days since 30 December 1899 as a double.
struct NetDate {
    double dblDays = 0;
    bool operator==(const NetDate&) const = default;
};
// A value of a kind the socket cannot carry (null, object, error, decimal, other arrays).
struct NetUnsupported {
    int32_t lngKind = vbNull;
    bool operator==(const NetUnsupported&) const = default;
};

using NetBytes = std::vector<uint8_t>;

// One value crossing the socket. Text is bytes, one character per byte (Latin-1).
// Integer is int16_t, Long int32_t, Single float, Double double, Boolean bool, Byte uint8_t.
using NetValue = std::variant<std::monostate, int16_t, int32_t, float, double, NetCurrency, NetDate,
                              std::string, bool, uint8_t, NetBytes, NetUnsupported>;

// The kind code of a value (vbEmpty for monostate).
int32_t KindOf(const NetValue& value);

// Bytes of a value for sending; false for an unsupported kind (empty or not).
bool ValueToBytes(const NetValue& value, std::string& strBytes);

// Byte count of a fixed-size kind, 0 for variable or unsupported kinds.
int32_t FixedKindSize(int32_t lngKind);

// Builds a value of a fixed-size kind from exactly FixedKindSize bytes (little-endian).
NetValue FixedValueFromBytes(int32_t lngKind, const char* pBytes);

// True for the numeric kinds (and Boolean), whose value AsNumber returns.
bool IsNumeric(const NetValue& value);
double AsNumber(const NetValue& value);

} // namespace ata
