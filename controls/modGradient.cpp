#include "controls/modGradient.h"

#include "controls/modColour.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace ata {

std::string GetListField(const std::string& strText, const std::string& strDelimiter,
                         int16_t intIndex) {
    if (intIndex < 1)
        return {};
    if (strDelimiter.empty())
        return intIndex == 1 ? strText : std::string{};
    const std::string text = strText + strDelimiter;
    size_t start = 0;
    for (int16_t i = 1;; ++i) {
        const size_t end = text.find(strDelimiter, start);
        if (end == std::string::npos)
            return {};
        if (i == intIndex)
            return text.substr(start, end - start);
        start = end + strDelimiter.size();
    }
}

double ReadNumber(const std::string& strText) {
    size_t i = 0;
    while (i < strText.size() && strText[i] == ' ')
        ++i;
    const char* begin = strText.c_str() + i;
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin)
        return 0.0;
    // strtod also reads "inf", "nan" and hexadecimal; only plain decimals count here.
    for (const char* p = begin; p < end; ++p)
        if (!(std::isdigit(static_cast<unsigned char>(*p)) || *p == '-' || *p == '+' || *p == '.' ||
              *p == 'e' || *p == 'E'))
            return 0.0;
    return value;
}

void DrawLine(CRasterSurface& surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t lngColour, int32_t /*lngPenStyle*/) {
    surface.Line(x1, y1, x2, y2, lngColour);
}

void DrawBox(CRasterSurface& surface, int32_t lngLeft, int32_t lngTop, int32_t lngRight,
             int32_t lngBottom, int32_t lngFill, int32_t lngPen, int32_t lngPenWidth,
             bool blnHollow) {
    if (lngRight <= lngLeft || lngBottom <= lngTop)
        return;
    if (!blnHollow)
        surface.FillRect(lngLeft, lngTop, lngRight, lngBottom, lngFill);
    const int64_t w = std::max<int32_t>(lngPenWidth, 1);
    const int64_t lo = -(w / 2);
    const int64_t l = lngLeft, t = lngTop, r = int64_t{lngRight} - 1, b = int64_t{lngBottom} - 1;
    const auto fill = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        const auto c = [](int64_t v) {
            return static_cast<int32_t>(std::clamp<int64_t>(v, -1, CRasterSurface::kMaxSide + 1));
        };
        surface.FillRect(c(x0), c(y0), c(x1), c(y1), lngPen);
    };
    fill(l + lo, t + lo, r + lo + w, t + lo + w); // top
    fill(l + lo, b + lo, r + lo + w, b + lo + w); // bottom
    fill(l + lo, t + lo, l + lo + w, b + lo + w); // left
    fill(r + lo, t + lo, r + lo + w, b + lo + w); // right
}

void SizeBuffer(CRasterSurface& savePic, int32_t lngWidth, int32_t lngHeight,
                int16_t intResolution) {
    const int32_t w = RoundToInt32(static_cast<double>(lngWidth) * intResolution / 100.0);
    const int32_t h = RoundToInt32(static_cast<double>(lngHeight) * intResolution / 100.0);
    if (w == savePic.Width() && h == savePic.Height())
        return;
    savePic.Resize(w, h); // a refused size keeps the previous buffer
}

namespace {

struct Stop {
    int32_t lngPosition;
    RgbTriple rgb;
};

Stop ReadStop(const std::string& strStop, int32_t lngLength) {
    const double pos = ReadNumber(GetListField(strStop, ",", 1));
    const double colour = ReadNumber(GetListField(strStop, ",", 2));
    return {RoundToInt32(pos * lngLength / 100.0), SplitColour(RoundToInt32(colour))};
}

int32_t Pack(double r, double g, double b) {
    const auto ch = [](double v) { return std::clamp(RoundToInt32(v), 0, 255); };
    return ch(r) | (ch(g) << 8) | (ch(b) << 16);
}

} // namespace

void PaintGradient(CRasterSurface& savePic, int32_t lngBackground, CRasterSurface& surface,
                   const std::string& strList, int32_t lngDirection) {
    if (strList.empty())
        return;
    std::vector<std::string> stops;
    for (size_t start = 0;;) {
        const size_t end = strList.find('#', start);
        stops.push_back(strList.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    savePic.Clear(lngBackground);
    const int32_t W = savePic.Width(), H = savePic.Height();
    int32_t L = 0;
    if (lngDirection == kGradientLeftToRight)
        L = W;
    else if (lngDirection == kGradientTopToBottom)
        L = H;
    else if (lngDirection == kGradientBox)
        L = std::min(W, H);
    const bool blnDraws = lngDirection >= 0 && lngDirection <= 2;
    const int32_t cx = RoundToInt32(W / 2.0), cy = RoundToInt32(H / 2.0);

    const auto strip = [&](int32_t j, int32_t lngColour) {
        if (lngDirection == kGradientLeftToRight)
            DrawLine(savePic, j, 0, j, H, lngColour, 0);
        else if (lngDirection == kGradientTopToBottom)
            DrawLine(savePic, 0, j, W, j, lngColour, 0);
        else
            DrawBox(savePic, cx - j, cy - j, cx + j, cy + j, lngColour, lngColour, 1, true);
    };

    Stop prev = ReadStop(stops[0], L);
    for (size_t i = 1; i < stops.size(); ++i) {
        const Stop next = ReadStop(stops[i], L);
        const int64_t span = int64_t{next.lngPosition} - prev.lngPosition;
        if (blnDraws && span == 0) {
            // Two stops on one position: the strip takes the later colour.
            strip(next.lngPosition, Pack(next.rgb.Red, next.rgb.Green, next.rgb.Blue));
        } else if (blnDraws && span > 0) {
            const double S = static_cast<double>(span);
            const double dR = (next.rgb.Red - prev.rgb.Red) / S;
            const double dG = (next.rgb.Green - prev.rgb.Green) / S;
            const double dB = (next.rgb.Blue - prev.rgb.Blue) / S;
            double r = prev.rgb.Red, g = prev.rgb.Green, b = prev.rgb.Blue;
            // Strips off the buffer draw nothing: walk only the part that can show.
            const int64_t first = std::max<int64_t>(prev.lngPosition, -1);
            const int64_t last = std::min<int64_t>(next.lngPosition, int64_t{std::max(W, H)} + 1);
            if (first > prev.lngPosition) {
                const double skipped = static_cast<double>(first - prev.lngPosition);
                r += dR * skipped;
                g += dG * skipped;
                b += dB * skipped;
            }
            for (int64_t j = first; j <= last; ++j) {
                strip(static_cast<int32_t>(j), Pack(r, g, b));
                r += dR;
                g += dG;
                b += dB;
            }
        }
        prev = next;
    }
    surface.StretchFrom(savePic, surface.Width(), surface.Height());
}

} // namespace ata
