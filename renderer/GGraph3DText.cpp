// Fonts, queued 3-D text and the drawn pointer. Text is queued during the
// frame and drawn at its end by blits: each string is composed in its
// colour on an off-screen strip (glyph strokes black-keyed from the font
// bitmap) and the strip is blitted to the back buffer with white as key.
#include <algorithm>

#include "engine/GString.h"
#include "renderer/DelayedString.h"
#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"

namespace {

const int8_t sCharWidths[2][224] = {
    {6, 4, 7, 11, 8, 13, 10, 4, 6, 6, 8, 8, 4, 7, 4, 7, 8, 5, 8, 8, 8, 8, 8, 8, 8, 8, 4, 4, 6, 7, 6, 7,
     12, 8, 9, 7, 9, 7, 6, 9, 9, 4, 6, 8, 6, 12, 9, 9, 8, 9, 8, 7, 6, 9, 8, 12, 8, 8, 8, 5, 7, 5, 8, 6,
     6, 8, 8, 7, 8, 8, 6, 8, 8, 4, 5, 7, 4, 12, 8, 8, 8, 8, 6, 7, 6, 8, 7, 11, 7, 8, 7, 6, 4, 6, 9, 0,
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8,
     0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7,
     8, 8, 8, 8, 8, 8, 0, 7, 6, 6, 6, 6, 4, 4, 4, 4, 0, 9, 8, 8, 8, 8, 8, 0, 8, 8, 8, 8, 8, 0, 0, 8,
     8, 8, 8, 8, 8, 8, 0, 7, 8, 8, 8, 8, 4, 4, 6, 6, 0, 8, 8, 8, 8, 8, 8, 0, 8, 8, 8, 8, 8, 0, 0, 8},
    {3, 3, 5, 7, 6, 9, 8, 3, 4, 4, 7, 6, 4, 5, 3, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 3, 4, 5, 6, 5, 6,
     8, 7, 6, 6, 6, 5, 5, 6, 6, 3, 6, 6, 5, 8, 6, 6, 6, 6, 6, 6, 6, 6, 6, 8, 6, 6, 5, 4, 6, 4, 4, 6,
     3, 5, 5, 5, 5, 5, 4, 5, 5, 3, 4, 5, 3, 8, 5, 5, 5, 5, 5, 5, 4, 5, 6, 8, 6, 6, 5, 4, 2, 4, 6, 0,
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6,
     0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5,
     7, 7, 7, 7, 7, 7, 0, 6, 5, 5, 5, 5, 3, 3, 4, 4, 0, 6, 6, 6, 6, 6, 6, 0, 7, 6, 6, 6, 6, 0, 0, 6,
     5, 5, 5, 5, 5, 5, 0, 5, 5, 5, 5, 5, 4, 3, 4, 4, 0, 5, 5, 5, 5, 5, 5, 0, 6, 5, 5, 5, 5, 0, 0, 6}};
const int32_t sFontHeight[3] = {8, 8, 10};
const int32_t sGlyphRowHeight[3] = {15, 12, 14};
int32_t sGlyphIndex[256];
int32_t sGlyphOffset[2][256];
bool sDrawingDelayedStrings = false;

int32_t Width(int32_t font, unsigned char c) { return c < 32 ? 0 : sCharWidths[font][c - 32]; }

// Fills (0, 0)-(w, h) of target, clipped.
void Fill(const PixelTarget16& t, int32_t w, int32_t h, uint16_t colour) {
    w = std::min(w, t.width);
    h = std::min(h, t.height);
    for (int32_t y = 0; y < h; ++y) std::fill(t.Row(y), t.Row(y) + std::max(0, w), colour);
}

// Copies src's rectangle to (dx, dy) of dst, skipping key pixels; clipped
// on both sides.
void KeyedBlit(const PixelTarget16& dst, int32_t toX, int32_t toY, const PixelTarget16& src, int32_t left,
               int32_t top, int32_t right, int32_t bottom, uint16_t key) {
    // In 64 bits, so that positions far off either surface cannot overflow.
    int64_t dx = toX, dy = toY, l = left, t = top, r = right, b = bottom;
    if (l < 0) { dx -= l; l = 0; }
    if (t < 0) { dy -= t; t = 0; }
    r = std::min<int64_t>(r, src.width);
    b = std::min<int64_t>(b, src.height);
    if (dx < 0) { l -= dx; dx = 0; }
    if (dy < 0) { t -= dy; dy = 0; }
    r = std::min<int64_t>(r, l + dst.width - dx);
    b = std::min<int64_t>(b, t + dst.height - dy);
    for (int64_t y = t; y < b; ++y) {
        const uint16_t* s = src.Row(static_cast<int32_t>(y));
        uint16_t* d = dst.Row(static_cast<int32_t>(dy + y - t)) + dx;
        for (int64_t x = l; x < r; ++x)
            if (s[x] != key) d[x - l] = s[x];
    }
}

}  // namespace

void BuildGlyphIndex() {
    int32_t next = 0;
    for (int32_t c = 0; c < 256; ++c) sGlyphIndex[c] = 0;
    for (int32_t c = 32; c < 256; ++c) sGlyphIndex[c] = sCharWidths[0][c - 32] != 0 ? next++ : 0;
}

void GGraph3D::InitializeFont(int32_t font) {
    if (font < 0 || font > 2 || mFonts[font] || !gRenderHost) return;
    mFonts[font] = gRenderHost->MakeFontGraphic(font);
    if (font == 2) return;
    for (int32_t c = 32; c < 256; ++c) {
        int32_t g = sGlyphIndex[c], sum = 0;
        for (int32_t o = 32; o < 256; ++o) {
            int32_t h = sGlyphIndex[o];
            if (h / 32 == g / 32 && h % 32 < g % 32) sum += Width(font, static_cast<unsigned char>(o));
        }
        sGlyphOffset[font][c] = sum;
    }
}

int32_t GGraph3D::StringWidthInPixels3D(const GString* text, int32_t font) const {
    if (!text || font < 0 || font > 2) return 0;
    if (font == 2) return 7 * text->GetLength();
    int32_t width = 0;
    for (const char* p = text->GetCString(); *p; ++p) width += Width(font, static_cast<unsigned char>(*p));
    return width;
}

void GGraph3D::WriteString3D(const GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                             uint8_t red, uint8_t green, uint8_t blue) {
    if (mPickPass != 0 || !text || font < 0 || font > 2 || !gRenderHost) return;
    if (x < 0 || x >= gRenderHost->ScreenWidth()) return;
    if (y < sFontHeight[font] || y >= gRenderHost->ScreenHeight()) return;
    if (!sDrawingDelayedStrings) {
        auto* s = new DelayedString;
        s->mText = *text;
        s->mX = x;
        s->mY = y;
        s->mJustify = justify;
        s->mFont = font;
        s->mRed = red;
        s->mGreen = green;
        s->mBlue = blue;
        mDelayedStrings.Add(s);
        return;
    }
    DrawTextNow(text, x, y, justify, font, red, green, blue);
}

void GGraph3D::DrawTextNow(const GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                           uint8_t red, uint8_t green, uint8_t blue) {
    int32_t width = StringWidthInPixels3D(text, font);
    if (width == 0) return;
    if (justify == 0) x -= width / 2;
    else if (justify == 1) x -= width - 2;
    int32_t top = y - sFontHeight[font];
    const int32_t screenW = gRenderHost->ScreenWidth(), screenH = gRenderHost->ScreenHeight();
    width = std::min(width, screenW);
    PixelTarget16 bitmap;
    if (!mFonts[font] || !gRenderHost->SurfaceOf(mFonts[font], &bitmap)) return;
    if (red >= 0xF8 && green >= 0xF8 && blue >= 0xF8) blue = 0xF0;
    PixelTarget16 strip{mTextSurface.data(), mTextSurfaceWidth, 15, mTextSurfaceWidth};
    if (mTextSurface.empty()) return;
    Fill(strip, width, 15, gRenderHost->MakeColor16(red, green, blue));
    const int32_t h = sGlyphRowHeight[font];
    const uint16_t black = gRenderHost->MakeColor16(0, 0, 0);
    int32_t d = 0;
    for (const char* p = text->GetCString(); *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32) continue;
        int32_t g = sGlyphIndex[c];
        int32_t sx = font == 2 ? (g % 32) * 7 : sGlyphOffset[font][c];
        int32_t w = font == 2 ? 7 : Width(font, c);
        int32_t sy = (g / 32) * h;
        int32_t right = sx + w;
        if (d >= width) break;
        if (d + w > width) right -= d + w - width;
        KeyedBlit(strip, d, 0, bitmap, sx, sy, right, sy + h, black);
        d += w;
    }
    int32_t left = 0, right = width, bottom = h;
    if (x < 0) {
        left = -x;
        if (left >= right) return;
        x = 0;
    } else if (x + width > screenW) {
        right -= x + width - screenW;
        if (left >= right) return;
    }
    // The strip reaches below y; rows beyond the screen's bottom are cut.
    if (top + bottom > screenH) bottom = screenH - top;
    if (bottom <= 0) return;
    KeyedBlit(gRenderHost->GetBackBuffer(), x, top, strip, left, 0, right, bottom,
              gRenderHost->MakeColor16(255, 255, 255));
}

void GGraph3D::FlushDelayedStringsWin() {
    if (mDelayedStrings.GetCount() == 0) return;
    sDrawingDelayedStrings = true;
    mDelayedStrings.DoForEach(
        [](GObject* member, void* self) {
            auto* s = static_cast<DelayedString*>(member);
            static_cast<GGraph3D*>(self)->WriteString3D(&s->mText, s->mX, s->mY, s->mJustify, s->mFont,
                                                        s->mRed, s->mGreen, s->mBlue);
        },
        this);
    mDelayedStrings.EmptyOut(true);
    sDrawingDelayedStrings = false;
}

void GGraph3D::InitializeFakeCursor() {
    mCursorGraphic = nullptr;
    mCursorHidden = false;
    if (mIsSetUp && gRenderHost && gRenderHost->IsHardwareDriver()) mCursorGraphic = gRenderHost->MakeGraphic(1, 10);
}

void GGraph3D::DrawFakeCursor(int32_t x, int32_t y) {
    if (!mCursorGraphic || mCursorHidden || !gRenderHost) return;
    gRenderHost->SetSurfaceColorKey(mCursorGraphic, gRenderHost->GetMaskColor());
    int32_t w = 1, h = 1;
    gRenderHost->GetBounds(mCursorGraphic, &w, &h);
    const int32_t screenW = gRenderHost->ScreenWidth(), screenH = gRenderHost->ScreenHeight();
    int32_t cx = std::min(x, screenW - 2), cy = std::min(y, screenH - 3);
    int32_t right = static_cast<int32_t>(std::min<int64_t>(w, int64_t(screenW) - cx));
    int32_t bottom = static_cast<int32_t>(std::min<int64_t>(h, int64_t(screenH) - cy));
    PixelTarget16 picture;
    if (right > 0 && bottom > 0 && gRenderHost->SurfaceOf(mCursorGraphic, &picture))
        KeyedBlit(gRenderHost->GetBackBuffer(), cx, cy, picture, 0, 0, right, bottom, gRenderHost->GetMaskColor());
    if (cx != x || cy != y) gRenderHost->SetCursorPos(cx, cy);
}

void GGraph3D::Show3DCursor(bool show) {
    if (mCursorGraphic) mCursorHidden = !show;
    else if (gRenderHost) gRenderHost->ShowWinCursor(show);
}
