#include "controls/LED.h"

#include "controls/modGradient.h"

#include <algorithm>

namespace ata {

LED::LED(IControlHost& host, ITextRenderer& text, std::string strName,
         const ISystemColours& colours)
    : m_host(host), m_text(text), m_colours(colours), m_strName(std::move(strName)) {
    UserControl_Initialize();
}

CFontSpec LED::CaptionFont() {
    CFontSpec f;
    f.strName = "MS Sans Serif";
    f.dblSize = 8.25;
    f.blnBold = true;
    return f;
}

int32_t LED::TranslateColour(int32_t lngColour) const {
    if (IsSystemColour(lngColour))
        return ResolveSystemColour(lngColour, m_colours);
    // Anything else that is not an ordinary colour keeps its low three bytes.
    return lngColour & 0xFFFFFF;
}

int32_t LED::AdjustColour(int32_t lngColour, int32_t lngAmount) {
    const int32_t c = lngColour & 0xFFFFFF;
    int32_t r = c & 0xFF;
    int32_t g = (c / 256) % 256;
    int32_t b = (c / 65536) % 256;
    r += lngAmount;
    g += lngAmount;
    b += (b * lngAmount) / 192; // C++ division truncates towards zero
    const auto limit = [&](int32_t& v) {
        if (lngAmount > 0 && v > 255)
            v = 255;
        if (lngAmount < 0 && v < 0)
            v = 0;
    };
    limit(r);
    limit(g);
    limit(b);
    return r + 256 * g + 65536 * b;
}

void LED::DrawRectangle(int32_t x, int32_t y, int32_t lngWidth, int32_t lngHeight,
                        int32_t lngColour, bool blnFrameOnly) {
    if (blnFrameOnly)
        DrawBox(m_surface, x, y, x + lngWidth, y + lngHeight, lngColour, lngColour, 1, true);
    else
        m_surface.FillRect(x, y, x + lngWidth, y + lngHeight, lngColour);
}

void LED::Redraw() {
    const int32_t W = m_lngW, H = m_lngH;
    m_surface.Clear(TranslateColour(m_lngBack));
    const int32_t c = TranslateColour(m_lngFill);
    DrawRectangle(0, 0, W, H, c, false);
    if (m_picBackdrop)
        DrawImage(false);
    DrawRectangle(0, 0, W, H, kFrameColour, true);
    struct BevelLine {
        int32_t x1, y1, x2, y2, amount;
    };
    const BevelLine bevel[12] = {
        {2, H - 2, W - 2, H - 2, -150}, {1, H - 3, W - 2, H - 3, -100},
        {1, H - 4, W - 2, H - 4, -50},  {W - 2, 2, W - 2, H - 2, -150},
        {W - 3, 3, W - 3, H - 3, -100}, {W - 4, 4, W - 4, H - 4, -50},
        {2, 1, W - 2, 1, 150},          {1, 2, W - 2, 2, 100},
        {1, 3, W - 3, 3, 50},           {1, 2, 1, H - 2, 150},
        {2, 3, 2, H - 3, 100},          {3, 3, 3, H - 4, 50},
    };
    for (const auto& l : bevel)
        DrawLine(m_surface, l.x1, l.y1, l.x2, l.y2, AdjustColour(c, l.amount), 0);
    Chamfer();
    ShowCaption(m_strCaption);
    m_host.Present();
}

void LED::Chamfer() {
    const int32_t b = TranslateColour(m_lngBack);
    const int32_t d = AdjustColour(b, -170);
    const int32_t W = m_surface.Width(), H = m_surface.Height();
    const auto px = [&](int32_t x, int32_t y, int32_t colour) { m_surface.SetPixel(x, y, colour); };
    px(0, 0, b), px(0, 1, b), px(1, 0, b), px(1, 1, d);
    px(0, H - 1, b), px(0, H - 2, b), px(1, H - 1, b), px(1, H - 2, d);
    px(W - 1, 0, b), px(W - 2, 0, b), px(W - 1, 1, b), px(W - 2, 1, d);
    px(W - 1, H - 1, b), px(W - 1, H - 2, b), px(W - 2, H - 1, b), px(W - 2, H - 2, d);
}

void LED::CentTxt(const std::string& strText, int16_t intOffset) {
    const CTextFont font = MakeTextFont(CaptionFont(), m_text.PixelsPerInchY(), true);
    const int32_t t = m_text.MeasureText(font, strText.empty() ? std::string("X") : strText,
                                         CTextRect{0, 0, m_lngW, m_lngH}, tfSingleLine);
    const double cy = RoundHalfEven(m_surface.Height() / 2.0);
    m_rectCaption.Left = intOffset + 1;
    m_rectCaption.Right = m_lngW - 2 + intOffset;
    m_rectCaption.Top = RoundToInt32(cy - t / 2.0 + intOffset);
    m_rectCaption.Bottom = m_rectCaption.Top + t;
}

void LED::ShowCaption(const std::string& DispTxt) {
    CentTxt(DispTxt, 0);
    if (DispTxt.empty())
        return;
    const CTextFont font = MakeTextFont(CaptionFont(), m_text.PixelsPerInchY(), true);
    m_text.DrawText(m_surface, font, DispTxt, m_rectCaption, tfCentre | tfVCentre | tfSingleLine,
                    0x000000);
}

void LED::CalcImgSz(int16_t intOffset) {
    if (!m_picBackdrop)
        return;
    m_lngImgW = m_picBackdrop->Width();
    m_lngImgH = m_picBackdrop->Height();
    m_lngImgX = RoundToInt32(RoundHalfEven(m_lngW / 2.0) - m_lngImgW / 2.0 + 3.0 * intOffset);
    m_lngImgY = RoundToInt32(RoundHalfEven(m_lngH / 2.0) - m_lngImgH / 2.0 + 3.0 * intOffset);
}

void LED::DrawImage(bool State) {
    CalcImgSz(0);
    if (m_picBackdrop)
        m_surface.Blit(*m_picBackdrop, m_lngImgX, m_lngImgY, State);
}

void LED::SetFillColor(int32_t theCol) {
    m_lngFill = theCol;
    Redraw();
}
void LED::SetBackColor(int32_t theCol) {
    m_lngBack = theCol;
    Redraw();
}
void LED::SetCaption(const std::string& EnterCap) {
    m_strCaption = EnterCap;
    Redraw();
}
void LED::SetBackdrop(CPicture newImg) {
    m_picBackdrop = std::move(newImg);
    Redraw();
}
void LED::SetEnabled(bool NewValue) {
    m_blnEnabled = NewValue;
    m_host.SetInputEnabled(NewValue);
}

void LED::UserControl_Initialize() {
    m_lngW = 30;
    m_lngH = 30;
    m_surface.Resize(m_lngW, m_lngH);
    Redraw();
}

void LED::UserControl_InitProperties() {
    m_lngFill = 0xFFC0C0;
    m_lngBack = 0xFFC0C0;
    m_blnEnabled = true;
    m_strCaption = m_strName;
}

void LED::UserControl_ReadProperties(const IPropertyBag& bag) {
    VisitProperties(*this, CReadFrom{bag});
    m_host.SetInputEnabled(m_blnEnabled);
}

void LED::UserControl_WriteProperties(IPropertyBag& bag) const {
    VisitProperties(*this, CWriteTo{bag});
}

void LED::UserControl_Resize(int32_t lngWidth, int32_t lngHeight) {
    if (m_surface.Resize(lngWidth, lngHeight)) {
        m_lngW = lngWidth;
        m_lngH = lngHeight;
    }
    Redraw();
}

void LED::UserControl_Show() {
    Redraw();
}

} // namespace ata
