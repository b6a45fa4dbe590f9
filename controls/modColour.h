#pragma once

#include <cstdint>
#include <string>

namespace ata {

// Red, green and blue of a colour word, each 0 to 255 for an ordinary colour.
struct RgbTriple {
    int16_t Red = 0;
    int16_t Green = 0;
    int16_t Blue = 0;
};

// The platform's table of system colours (index = colour value less 0x80000000).
class ISystemColours {
public:
    virtual ~ISystemColours() = default;
    // Colour word (0x00BBGGRR) of a system colour; black for an index the table lacks.
    virtual int32_t SystemColour(int32_t lngIndex) const = 0;
};

// The classic desktop table, used where the toolkit offers no palette (and in tests).
class CClassicSystemColours final : public ISystemColours {
public:
    int32_t SystemColour(int32_t lngIndex) const override;
};

// A shared, immutable instance of the classic table.
const ISystemColours& ClassicSystemColours();

inline constexpr int32_t kSysColourButtonFace = static_cast<int32_t>(0x8000000F);

// True for 0x80000000 to 0x80FFFFFF.
bool IsSystemColour(int32_t lngColour) noexcept;

// A system colour is replaced by its current value; any other value is returned unchanged.
int32_t ResolveSystemColour(int32_t lngColour,
                            const ISystemColours& colours = ClassicSystemColours());

// Splits the hexadecimal text of a colour: blue the first two digits, green the next two,
// red the last two (after padding to six digits).
RgbTriple SplitColour(int32_t lngColour);

// Uppercase hexadecimal text without leading zeros ("0" for zero, eight digits if negative).
std::string HexText(int32_t lngValue);

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double dblValue) noexcept;
// RoundHalfEven saturated into the 32-bit range (NaN gives 0).
int32_t RoundToInt32(double dblValue) noexcept;

} // namespace ata
