#include "controls/modColour.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace ata {

namespace {

constexpr int32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

// Indices 0 to 30 of the classic desktop scheme.
constexpr std::array<int32_t, 31> kClassic = {
    Rgb(212, 208, 200), // 0 scroll bar
    Rgb(58, 110, 165),  // 1 background
    Rgb(10, 36, 106),   // 2 active caption
    Rgb(128, 128, 128), // 3 inactive caption
    Rgb(212, 208, 200), // 4 menu
    Rgb(255, 255, 255), // 5 window
    Rgb(0, 0, 0),       // 6 window frame
    Rgb(0, 0, 0),       // 7 menu text
    Rgb(0, 0, 0),       // 8 window text
    Rgb(255, 255, 255), // 9 caption text
    Rgb(212, 208, 200), // 10 active border
    Rgb(212, 208, 200), // 11 inactive border
    Rgb(128, 128, 128), // 12 application workspace
    Rgb(10, 36, 106),   // 13 highlight
    Rgb(255, 255, 255), // 14 highlight text
    Rgb(212, 208, 200), // 15 button face
    Rgb(128, 128, 128), // 16 button shadow
    Rgb(128, 128, 128), // 17 grey text
    Rgb(0, 0, 0),       // 18 button text
    Rgb(212, 208, 200), // 19 inactive caption text
    Rgb(255, 255, 255), // 20 button highlight
    Rgb(64, 64, 64),    // 21 3D dark shadow
    Rgb(212, 208, 200), // 22 3D light
    Rgb(0, 0, 0),       // 23 tool tip text
    Rgb(255, 255, 225), // 24 tool tip background
    Rgb(181, 181, 181), // 25 unused
    Rgb(0, 0, 128),     // 26 hot-tracked item
    Rgb(166, 202, 240), // 27 gradient active caption
    Rgb(192, 192, 192), // 28 gradient inactive caption
    Rgb(49, 106, 197),  // 29 menu highlight
    Rgb(212, 208, 200), // 30 menu bar
};

} // namespace

int32_t CClassicSystemColours::SystemColour(int32_t lngIndex) const {
    if (lngIndex < 0 || lngIndex >= static_cast<int32_t>(kClassic.size()))
        return 0;
    return kClassic[static_cast<size_t>(lngIndex)];
}

const ISystemColours& ClassicSystemColours() {
    static const CClassicSystemColours table;
    return table;
}

bool IsSystemColour(int32_t lngColour) noexcept {
    return (static_cast<uint32_t>(lngColour) & 0xFF000000u) == 0x80000000u;
}

int32_t ResolveSystemColour(int32_t lngColour, const ISystemColours& colours) {
    if (!IsSystemColour(lngColour))
        return lngColour;
    return colours.SystemColour(static_cast<int32_t>(static_cast<uint32_t>(lngColour) & 0xFFFFFFu));
}

std::string HexText(int32_t lngValue) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<uint32_t>(lngValue)));
    return buf;
}

RgbTriple SplitColour(int32_t lngColour) {
    std::string hex = HexText(lngColour);
    if (hex.size() < 6)
        hex.insert(0, 6 - hex.size(), '0');
    const auto part = [&](size_t pos) {
        return static_cast<int16_t>(std::stoi(hex.substr(pos, 2), nullptr, 16));
    };
    RgbTriple t;
    t.Red = part(hex.size() - 2);
    t.Green = part(2);
    t.Blue = part(0);
    return t;
}

double RoundHalfEven(double dblValue) noexcept {
    // nearbyint follows the default rounding mode, which is to nearest with ties to even.
    return std::nearbyint(dblValue);
}

int32_t RoundToInt32(double dblValue) noexcept {
    if (std::isnan(dblValue))
        return 0;
    const double r = RoundHalfEven(dblValue);
    if (r >= 2147483647.0)
        return INT32_MAX;
    if (r <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(r);
}

} // namespace ata
