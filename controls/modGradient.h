#pragma once

#include "controls/RasterSurface.h"

#include <cstdint>
#include <string>

namespace ata {

// Gradient directions.
inline constexpr int32_t kGradientLeftToRight = 0;
inline constexpr int32_t kGradientTopToBottom = 1;
inline constexpr int32_t kGradientBox = 2;

// The index-th field (from 1) of the text cut at each delimiter; "" past the last field.
std::string GetListField(const std::string& strText, const std::string& strDelimiter,
                         int16_t intIndex);

// Leading decimal number of a text (sign, digits, point, exponent); 0 when there is none.
double ReadNumber(const std::string& strText);

// A one-pixel line from (x1, y1) towards (x2, y2), the end point not drawn. Pen style 0
// (solid) is the only style; others draw solid too.
void DrawLine(CRasterSurface& surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t lngColour, int32_t lngPenStyle = 0);

// Rectangle outline with a solid pen of the given width, centred on the outline; left/top
// inclusive, right/bottom exclusive. Unless hollow, the inside is filled first.
void DrawBox(CRasterSurface& surface, int32_t lngLeft, int32_t lngTop, int32_t lngRight,
             int32_t lngBottom, int32_t lngFill, int32_t lngPen, int32_t lngPenWidth,
             bool blnHollow);

// Sizes the buffer to Resolution percent of the control; a refused size is ignored.
void SizeBuffer(CRasterSurface& savePic, int32_t lngWidth, int32_t lngHeight,
                int16_t intResolution);

// Clears the buffer to its background, draws the gradient of the stop list into it strip by
// strip and stretch-copies it onto the whole surface. An empty list does nothing at all.
void PaintGradient(CRasterSurface& savePic, int32_t lngBackground, CRasterSurface& surface,
                   const std::string& strList, int32_t lngDirection);

} // namespace ata
