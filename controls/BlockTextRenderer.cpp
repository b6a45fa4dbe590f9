#include "controls/BlockTextRenderer.h"

#include <algorithm>
#include <cstdlib>

namespace ata {

int32_t CBlockTextRenderer::CharWidth(int32_t lngPixelHeight) {
    return std::max(2, (std::abs(lngPixelHeight) + 1) / 2);
}

std::vector<CBlockTextRenderer::Line> CBlockTextRenderer::Layout(const std::string& strDisplay,
                                                                 int32_t lngWidth,
                                                                 int32_t lngCharWidth,
                                                                 uint32_t lngFlags) {
    std::vector<Line> lines;
    const bool wrap = (lngFlags & tfWordWrap) && !(lngFlags & tfSingleLine);
    const size_t perLine =
        lngWidth > 0 ? static_cast<size_t>(lngWidth / std::max(lngCharWidth, 1)) : 0;
    size_t pos = 0;
    const size_t n = strDisplay.size();
    while (true) {
        size_t end = (lngFlags & tfSingleLine) ? n : strDisplay.find('\n', pos);
        if (end == std::string::npos)
            end = n;
        // One paragraph [pos, end).
        size_t start = pos;
        if (!wrap) {
            lines.push_back({start, end - start});
        } else {
            do {
                size_t lineEnd = end;
                if (end - start > perLine) {
                    // Break at the last space that lets the line fit, else after the word.
                    size_t brk = strDisplay.rfind(' ', start + perLine);
                    if (brk == std::string::npos || brk < start || brk == start) {
                        brk = strDisplay.find(' ', start + 1);
                        if (brk == std::string::npos || brk > end)
                            brk = end;
                    }
                    lineEnd = brk;
                }
                lines.push_back({start, lineEnd - start});
                start = lineEnd;
                while (start < end && strDisplay[start] == ' ')
                    ++start;
            } while (start < end);
        }
        if (end >= n)
            break;
        pos = end + 1;
    }
    // Drop a trailing carriage return of each line.
    for (auto& l : lines)
        if (l.lngLength > 0 && strDisplay[l.lngStart + l.lngLength - 1] == '\r')
            --l.lngLength;
    return lines;
}

int32_t CBlockTextRenderer::MeasureText(const CTextFont& font, const std::string& strText,
                                        const CTextRect& rect, uint32_t lngFlags) {
    if (strText.empty())
        return 0;
    const int32_t h = std::abs(font.lngPixelHeight);
    const CMnemonicText m = StripMnemonic(strText);
    const auto lines = Layout(m.strText, rect.Right - rect.Left, CharWidth(h), lngFlags);
    return h * static_cast<int32_t>(lines.size());
}

void CBlockTextRenderer::DrawText(CRasterSurface& surface, const CTextFont& font,
                                  const std::string& strText, const CTextRect& rect,
                                  uint32_t lngFlags, int32_t lngColour) {
    if (strText.empty())
        return;
    const int32_t h = std::abs(font.lngPixelHeight);
    const int32_t cw = CharWidth(h);
    const CMnemonicText m = StripMnemonic(strText);
    const auto lines = Layout(m.strText, rect.Right - rect.Left, cw, lngFlags);
    const bool clip = !(lngFlags & tfNoClip);
    const auto fill = [&](int32_t l, int32_t t, int32_t r, int32_t b) {
        if (clip) {
            l = std::max(l, rect.Left);
            t = std::max(t, rect.Top);
            r = std::min(r, rect.Right);
            b = std::min(b, rect.Bottom);
        }
        surface.FillRect(l, t, r, b, lngColour);
    };
    int32_t y = rect.Top;
    if ((lngFlags & tfSingleLine) && (lngFlags & tfVCentre))
        y = rect.Top + (rect.Bottom - rect.Top - h) / 2;
    for (const auto& line : lines) {
        const int32_t width = cw * static_cast<int32_t>(line.lngLength);
        int32_t x = rect.Left;
        if (lngFlags & tfCentre)
            x = rect.Left + (rect.Right - rect.Left - width) / 2;
        else if (lngFlags & tfRight)
            x = rect.Right - width;
        for (size_t i = 0; i < line.lngLength; ++i, x += cw) {
            const size_t index = line.lngStart + i;
            if (m.strText[index] != ' ')
                fill(x, y + 1, x + cw - 1, y + h - 1);
            if (static_cast<int32_t>(index) == m.lngUnderline || font.blnUnderline)
                fill(x, y + h - 1, x + cw, y + h);
        }
        y += h;
    }
}

} // namespace ata
