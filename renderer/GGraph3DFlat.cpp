// Screen-space rectangles and lines: flat-coloured quads drawn at once on the
// device over whatever the frame holds, never during a pick pass.
#include <cmath>

#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"
#include "renderer/TruncToInt32.h"

using namespace SoftValue;

bool GGraph3D::ProcessFlatRectangle(RECT* r, uint16_t colour, GouraudVertex* out) {
    auto clamp = [](int32_t* lo, int32_t* hi, float center, float half) {
        float low = center - half;
        int32_t high = TruncToInt32(center + half);
        if (static_cast<float>(*lo) < low) *lo = TruncToInt32(low);
        else if (*lo > high) *lo = high;
        if (*hi < *lo) return false;
        if (*hi > high) *hi = high;
        return true;
    };
    if (!clamp(&r->left, &r->right, mViewCenterX, mViewHalfWidth)) return false;
    if (!clamp(&r->top, &r->bottom, mViewCenterY, mViewHalfHeight)) return false;
    uint32_t c = gRenderHost ? gRenderHost->ConvertToD3DColor(colour) : 0xFF000000u;
    float l = float(r->left), t = float(r->top), rr = float(r->right), b = float(r->bottom);
    out[0] = GouraudVertex{l, t, 0.0f, 900000.0f, c};
    out[1] = GouraudVertex{l, b, 0.0f, 900000.0f, c};
    out[2] = GouraudVertex{rr, b, 0.0f, 900000.0f, c};
    out[3] = GouraudVertex{rr, t, 0.0f, 900000.0f, c};
    return true;
}

void GGraph3D::PaintRectangle(const RECT* r, uint16_t colour) {
    if (mPickPass != 0 || !r) return;
    RECT copy = *r;
    GouraudVertex v[4];
    if (!ProcessFlatRectangle(&copy, colour, v)) return;
    SoftDevice3D* d = Device();
    if (!d) return;
    if (mCurrentTexture) DisableTextureStage();
    // The rectangle covers what was drawn before it; it leaves the depth
    // buffer alone, so 3-D drawn over it later (a button on a panel) shows.
    uint32_t zWrite = d->GetRenderState(SoftState::ZWriteEnable);
    d->SetRenderState(SoftState::ZWriteEnable, kFalse);
    d->SetRenderState(SoftState::ZFunc, kCmpAlways);
    d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfDiffuse, v, 4, kSoftDrawFlags);
    d->SetRenderState(SoftState::ZFunc, kCmpLessEqual);
    d->SetRenderState(SoftState::ZWriteEnable, zWrite);
}

void GGraph3D::FrameRectangle(RECT* r, uint16_t colour) {
    if (mPickPass != 0 || !r) return;
    // One pixel in from the right and the bottom (held at the 32-bit limit).
    if (r->right > INT32_MIN) r->right -= 1;
    if (r->bottom > INT32_MIN) r->bottom -= 1;
    GouraudVertex v[4];
    if (!ProcessFlatRectangle(r, colour, v)) return;
    for (int32_t i = 0; i < 4; ++i) {
        const GouraudVertex &a = v[i], &b = v[(i + 1) % 4];
        Line(TruncToInt32(a.x), TruncToInt32(a.y), TruncToInt32(b.x), TruncToInt32(b.y), colour, 1);
    }
}

void GGraph3D::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour, int16_t width) {
    if (mPickPass != 0) return;
    const double pi = 3.14159265358979323846;
    double dx = double(x1) - x2, dy = double(y1) - y2, a;
    if (dx == 0.0) a = dy < 0.0 ? 3.0 * pi / 2.0 : pi / 2.0;
    else {
        a = std::atan(dy / dx);
        if (dx < 0.0) a += pi;
        else if (a < 0.0) a += 2.0 * pi;
    }
    float ox = static_cast<float>(width * 0.5 * std::cos(a + pi / 2.0));
    float oy = static_cast<float>(width * 0.5 * std::sin(a + pi / 2.0));
    uint32_t c = gRenderHost ? gRenderHost->ConvertToD3DColor(colour) : 0xFF000000u;
    GouraudVertex v[4] = {{x1 + ox, y1 + oy, 0.0f, 1.0f, c}, {x2 + ox, y2 + oy, 0.0f, 1.0f, c},
                          {x2 - ox, y2 - oy, 0.0f, 1.0f, c}, {x1 - ox, y1 - oy, 0.0f, 1.0f, c}};
    uint32_t saved = mColor;
    Color(1.0f, 1.0f, 1.0f);
    mColor = 0xFFFFFFFFu;
    if (SoftDevice3D* d = Device()) {
        // Like the rectangles, a line leaves the depth buffer alone.
        uint32_t zWrite = d->GetRenderState(SoftState::ZWriteEnable);
        d->SetRenderState(SoftState::ZWriteEnable, kFalse);
        d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfDiffuse, v, 4, kSoftDrawFlags);
        d->SetRenderState(SoftState::ZWriteEnable, zWrite);
    }
    // The colour comes back, and with it the colour of the output vertices,
    // which the next untextured polygon is drawn with.
    mColor = saved;
    for (GouraudVertex& g : mGouraudVertices) g.color = mColor;
}
