#include "net/NetValue.h"

#include <bit>
#include <cstring>
#include <type_traits>
#include <utility>

namespace ata {

namespace {

template <typename T> void AppendLittleEndian(std::string& strOut, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
        }
    }
    strOut.append(bytes, sizeof(T));
}

template <typename T> T ReadLittleEndian(const char* pBytes) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, pBytes, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
        }
    }
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

} // namespace

int32_t KindOf(const NetValue& value) {
    return std::visit(
        [](const auto& v) -> int32_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return vbEmpty;
            else if constexpr (std::is_same_v<T, int16_t>)
                return vbInteger;
            else if constexpr (std::is_same_v<T, int32_t>)
                return vbLong;
            else if constexpr (std::is_same_v<T, float>)
                return vbSingle;
            else if constexpr (std::is_same_v<T, double>)
                return vbDouble;
            else if constexpr (std::is_same_v<T, NetCurrency>)
                return vbCurrency;
            else if constexpr (std::is_same_v<T, NetDate>)
                return vbDate;
            else if constexpr (std::is_same_v<T, std::string>)
                return vbString;
            else if constexpr (std::is_same_v<T, bool>)
                return vbBoolean;
            else if constexpr (std::is_same_v<T, uint8_t>)
                return vbByte;
            else if constexpr (std::is_same_v<T, NetBytes>)
                return vbByteArray;
            else
                return v.lngKind;
        },
        value);
}

bool ValueToBytes(const NetValue& value, std::string& strBytes) {
    strBytes.clear();
    return std::visit(
        [&](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, NetUnsupported>) {
                return false;
            } else if constexpr (std::is_same_v<T, std::string>) {
                strBytes = v;
            } else if constexpr (std::is_same_v<T, NetBytes>) {
                strBytes.assign(v.begin(), v.end());
            } else if constexpr (std::is_same_v<T, bool>) {
                AppendLittleEndian<int16_t>(strBytes, v ? int16_t{-1} : int16_t{0});
            } else if constexpr (std::is_same_v<T, NetCurrency>) {
                AppendLittleEndian<int64_t>(strBytes, v.lngScaled);
            } else if constexpr (std::is_same_v<T, NetDate>) {
                AppendLittleEndian<double>(strBytes, v.dblDays);
            } else {
                AppendLittleEndian<T>(strBytes, v);
            }
            return true;
        },
        value);
}

int32_t FixedKindSize(int32_t lngKind) {
    switch (lngKind) {
    case vbBoolean:
        return 2;
    case vbByte:
        return 1;
    case vbCurrency:
        return 8;
    case vbDate:
        return 8;
    case vbDouble:
        return 8;
    case vbInteger:
        return 2;
    case vbLong:
        return 4;
    case vbSingle:
        return 4;
    default:
        return 0;
    }
}

NetValue FixedValueFromBytes(int32_t lngKind, const char* pBytes) {
    switch (lngKind) {
    case vbBoolean:
        return ReadLittleEndian<int16_t>(pBytes) != 0;
    case vbByte:
        return static_cast<uint8_t>(pBytes[0]);
    case vbCurrency:
        return NetCurrency{ReadLittleEndian<int64_t>(pBytes)};
    case vbDate:
        return NetDate{ReadLittleEndian<double>(pBytes)};
    case vbDouble:
        return ReadLittleEndian<double>(pBytes);
    case vbInteger:
        return ReadLittleEndian<int16_t>(pBytes);
    case vbLong:
        return ReadLittleEndian<int32_t>(pBytes);
    case vbSingle:
        return ReadLittleEndian<float>(pBytes);
    default:
        return std::monostate{};
    }
}

bool IsNumeric(const NetValue& value) {
    switch (KindOf(value)) {
    case vbInteger:
    case vbLong:
    case vbSingle:
    case vbDouble:
    case vbCurrency:
    case vbBoolean:
    case vbByte:
        return true;
    default:
        return false;
    }
}

double AsNumber(const NetValue& value) {
    return std::visit(
        [](const auto& v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                return v ? -1.0 : 0.0;
            else if constexpr (std::is_same_v<T, NetCurrency>)
                return static_cast<double>(v.lngScaled) / 10000.0;
            else if constexpr (std::is_arithmetic_v<T>)
                return static_cast<double>(v);
            else
                return 0.0;
        },
        value);
}

} // namespace ata
