#include "controls/RasterSurface.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace ata {

CRasterSurface::CRasterSurface(int32_t lngWidth, int32_t lngHeight) {
    Resize(lngWidth, lngHeight);
}

bool CRasterSurface::Resize(int32_t lngWidth, int32_t lngHeight) {
    if (lngWidth < 0 || lngHeight < 0 || lngWidth > kMaxSide || lngHeight > kMaxSide)
        return false;
    m_lngWidth = lngWidth;
    m_lngHeight = lngHeight;
    m_pixels.assign(static_cast<size_t>(lngWidth) * static_cast<size_t>(lngHeight), 0xFF000000u);
    return true;
}

uint32_t CRasterSurface::ToNative(int32_t lngColour) noexcept {
    const auto c = static_cast<uint32_t>(lngColour);
    const uint32_t r = c & 0xFFu, g = (c >> 8) & 0xFFu, b = (c >> 16) & 0xFFu;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

int32_t CRasterSurface::FromNative(uint32_t native) noexcept {
    const uint32_t r = (native >> 16) & 0xFFu, g = (native >> 8) & 0xFFu, b = native & 0xFFu;
    return static_cast<int32_t>(r | (g << 8) | (b << 16));
}

void CRasterSurface::Clear(int32_t lngColour) {
    std::fill(m_pixels.begin(), m_pixels.end(), ToNative(lngColour));
}

void CRasterSurface::SetPixel(int32_t x, int32_t y, int32_t lngColour) {
    if (x < 0 || y < 0 || x >= m_lngWidth || y >= m_lngHeight)
        return;
    m_pixels[static_cast<size_t>(y) * m_lngWidth + x] = ToNative(lngColour);
}

int32_t CRasterSurface::GetPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= m_lngWidth || y >= m_lngHeight)
        return -1;
    return FromNative(m_pixels[static_cast<size_t>(y) * m_lngWidth + x]);
}

void CRasterSurface::FillRect(int32_t lngLeft, int32_t lngTop, int32_t lngRight, int32_t lngBottom,
                              int32_t lngColour) {
    const int32_t l = std::max(lngLeft, 0), t = std::max(lngTop, 0);
    const int32_t r = std::min(lngRight, m_lngWidth), b = std::min(lngBottom, m_lngHeight);
    if (l >= r || t >= b)
        return;
    const uint32_t native = ToNative(lngColour);
    for (int32_t y = t; y < b; ++y) {
        auto* row = m_pixels.data() + static_cast<size_t>(y) * m_lngWidth;
        std::fill(row + l, row + r, native);
    }
}

void CRasterSurface::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t lngColour) {
    // Axis lines are clipped directly; they are what the controls draw.
    if (y1 == y2) {
        const int64_t from = x1 < x2 ? int64_t{x1} : int64_t{x2} + 1;
        const int64_t to = x1 < x2 ? int64_t{x2} : int64_t{x1} + 1;
        if (x1 != x2)
            FillRect(static_cast<int32_t>(std::clamp<int64_t>(from, -1, m_lngWidth + 1)), y1,
                     static_cast<int32_t>(std::clamp<int64_t>(to, -1, m_lngWidth + 1)),
                     static_cast<int32_t>(std::min<int64_t>(int64_t{y1} + 1, INT32_MAX)),
                     lngColour);
        return;
    }
    if (x1 == x2) {
        const int64_t from = y1 < y2 ? int64_t{y1} : int64_t{y2} + 1;
        const int64_t to = y1 < y2 ? int64_t{y2} : int64_t{y1} + 1;
        FillRect(x1, static_cast<int32_t>(std::clamp<int64_t>(from, -1, m_lngHeight + 1)),
                 static_cast<int32_t>(std::min<int64_t>(int64_t{x1} + 1, INT32_MAX)),
                 static_cast<int32_t>(std::clamp<int64_t>(to, -1, m_lngHeight + 1)), lngColour);
        return;
    }
    // Bresenham in 64-bit so that far-off coordinates cannot overflow; stops before the end.
    int64_t x = x1, y = y1;
    const int64_t dx = std::llabs(int64_t{x2} - x1), dy = -std::llabs(int64_t{y2} - y1);
    const int64_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    const uint32_t native = ToNative(lngColour);
    while (x != x2 || y != y2) {
        if (x >= 0 && y >= 0 && x < m_lngWidth && y < m_lngHeight)
            m_pixels[static_cast<size_t>(y) * m_lngWidth + static_cast<size_t>(x)] = native;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void CRasterSurface::StretchFrom(const CRasterSurface& src, int32_t lngWidth, int32_t lngHeight) {
    const int32_t w = std::min(lngWidth, m_lngWidth), h = std::min(lngHeight, m_lngHeight);
    if (src.m_lngWidth <= 0 || src.m_lngHeight <= 0 || w <= 0 || h <= 0)
        return;
    std::vector<int32_t> xs(static_cast<size_t>(w));
    for (int32_t x = 0; x < w; ++x)
        xs[x] = static_cast<int32_t>(int64_t{x} * src.m_lngWidth / lngWidth);
    for (int32_t y = 0; y < h; ++y) {
        const auto sy = static_cast<int32_t>(int64_t{y} * src.m_lngHeight / lngHeight);
        const uint32_t* srow = src.m_pixels.data() + static_cast<size_t>(sy) * src.m_lngWidth;
        uint32_t* drow = m_pixels.data() + static_cast<size_t>(y) * m_lngWidth;
        for (int32_t x = 0; x < w; ++x)
            drow[x] = srow[xs[x]];
    }
}

void CRasterSurface::Blit(const CRasterSurface& src, int32_t x, int32_t y, bool blnAnd) {
    for (int32_t sy = 0; sy < src.m_lngHeight; ++sy) {
        const int64_t dy = int64_t{y} + sy;
        if (dy < 0 || dy >= m_lngHeight)
            continue;
        for (int32_t sx = 0; sx < src.m_lngWidth; ++sx) {
            const int64_t dx = int64_t{x} + sx;
            if (dx < 0 || dx >= m_lngWidth)
                continue;
            const uint32_t s = src.m_pixels[static_cast<size_t>(sy) * src.m_lngWidth + sx];
            uint32_t& d = m_pixels[static_cast<size_t>(dy) * m_lngWidth + static_cast<size_t>(dx)];
            d = blnAnd ? (d & s) | 0xFF000000u : s;
        }
    }
}

} // namespace ata
