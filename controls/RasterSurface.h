#pragma once

#include <cstdint>
#include <vector>

namespace ata {

// A 32-bit off-screen raster. Callers speak colour words (0x00BBGGRR); the pixels are kept as
// 0xFFRRGGBB so that a toolkit can paint onto the same memory without conversion.
class CRasterSurface {
public:
    CRasterSurface() = default;
    CRasterSurface(int32_t lngWidth, int32_t lngHeight);

    // Largest side accepted by Resize; larger or negative sizes are refused.
    static constexpr int32_t kMaxSide = 16384;

    // Returns false and keeps the previous size (and pixels) when the size is refused.
    bool Resize(int32_t lngWidth, int32_t lngHeight);

    int32_t Width() const noexcept { return m_lngWidth; }
    int32_t Height() const noexcept { return m_lngHeight; }

    void Clear(int32_t lngColour);
    void SetPixel(int32_t x, int32_t y, int32_t lngColour);
    // Colour word of a pixel; -1 for a point outside the surface.
    int32_t GetPixel(int32_t x, int32_t y) const;

    // Fills left/top inclusive, right/bottom exclusive, clipped to the surface.
    void FillRect(int32_t lngLeft, int32_t lngTop, int32_t lngRight, int32_t lngBottom,
                  int32_t lngColour);
    // A line from (x1, y1) towards (x2, y2); the end point itself is not drawn.
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t lngColour);
    // Nearest-neighbour copy of the whole source onto (0, 0, width, height) of this surface.
    void StretchFrom(const CRasterSurface& src, int32_t lngWidth, int32_t lngHeight);
    // Copies (or ANDs) the whole source with its own size at (x, y), clipped.
    void Blit(const CRasterSurface& src, int32_t x, int32_t y, bool blnAnd);

    // Raw pixels, 0xFFRRGGBB, row after row.
    uint32_t* Bits() noexcept { return m_pixels.data(); }
    const uint32_t* Bits() const noexcept { return m_pixels.data(); }

    static uint32_t ToNative(int32_t lngColour) noexcept;
    static int32_t FromNative(uint32_t native) noexcept;

private:
    int32_t m_lngWidth = 0;
    int32_t m_lngHeight = 0;
    std::vector<uint32_t> m_pixels;
};

} // namespace ata
