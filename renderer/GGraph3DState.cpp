// Draw state: colour, opacity, texture, light factors, distant depth, the
// hilite box, the sound transform, fog and the texture-error state.
#include <cstdint>
#include <cstring>

#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"
#include "renderer/TruncToInt32.h"

using namespace SoftValue;

namespace {

// A colour value limited to 0..1; a value that is not a number counts as 0.
float Unit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

uint32_t Channel(float v) { return static_cast<uint32_t>(255.0f * Unit(v)); }


}  // namespace

void GGraph3D::DisableTextureStage() {
    if (SoftDevice3D* d = Device()) {
        d->SetTextureStageState(SoftStage::AlphaOp, kOpDisable);
        d->SetTextureStageState(SoftStage::ColorOp, kOpDisable);
    }
    mCurrentTexture = nullptr;
}

void GGraph3D::Color(float r, float g, float b) {
    if (mPickPass != 0) return;
    r *= mLightFactors.red;
    g *= mLightFactors.green;
    b *= mLightFactors.blue;
    if (mCurrentTexture) DisableTextureStage();
    mColor = (mColor & 0xFF000000u) | (Channel(r) << 16) | (Channel(g) << 8) | Channel(b);
    for (GouraudVertex& v : mGouraudVertices) v.color = mColor;
}

void GGraph3D::SetOpacity(float a) {
    if (mPickPass != 0) return;
    a = Unit(a);
    mColor = (mColor & 0x00FFFFFFu) | (static_cast<uint32_t>(a * 255.0f) << 24);
    for (GouraudVertex& v : mGouraudVertices) v.color = mColor;
}

void GGraph3D::Texture(GGraphic* texture) {
    if (mPickPass != 0 || !texture || texture == mCurrentTexture) return;
    SoftDevice3D* d = Device();
    if (d) {
        d->SetTexture(gRenderHost->TextureOf(texture));
        if (!mCurrentTexture) {
            d->SetTextureStageState(SoftStage::ColorOp, kOpSelectArg1);
            d->SetTextureStageState(SoftStage::AlphaOp, sDrawingTransparents ? kOpModulate : kOpSelectArg1);
        }
    }
    mCurrentTexture = texture;
}

void GGraph3D::SetLightFactors(const ColorRGB* newFactors, ColorRGB* oldOut) {
    if (oldOut) *oldOut = mLightFactors;
    if (newFactors) mLightFactors = *newFactors;
}

void GGraph3D::SetLightFactor(float f) { mLightFactors = ColorRGB{f, f, f}; }

void GGraph3D::GetLightFactors(ColorRGB* out) const {
    if (out) *out = mLightFactors;
}

void GGraph3D::SetMipMapMaster(bool) { mMipMapMaster = false; }

bool GGraph3D::SetMipMapLocal(bool) {
    mMipMapLocal = false;
    return false;
}

void GGraph3D::SetDistantZ(bool on) {
    mDistantZ = on;
    if (SoftDevice3D* d = Device()) d->SetRenderState(SoftState::ZWriteEnable, on ? kFalse : kTrue);
}

void GGraph3D::StartHiliteBox() {
    if (mPickPass != 0) return;
    mHiliteBoxOn = true;
    mHiliteMinX = mHiliteMinY = 999999.0f;
    mHiliteMaxY = mHiliteMaxX = -999999.0f;
}

void GGraph3D::EndHiliteBox(RECT* out) {
    if (out) {
        out->left = TruncToInt32(mHiliteMinX);
        out->top = TruncToInt32(mHiliteMinY);
        out->right = TruncToInt32(mHiliteMaxX);
        out->bottom = TruncToInt32(mHiliteMaxY);
    }
    mHiliteBoxOn = false;
}

void GGraph3D::Transform3DSoundPoint(float* x, float* y, float* z) const {
    const float(&m)[4][4] = mCurrentMatrix->m;
    float px = *x, py = *y, pz = *z;
    *x = px * m[0][0] + py * m[1][0] + pz * m[2][0] + m[3][0];
    *y = px * m[0][1] + py * m[1][1] + pz * m[2][1] + m[3][1];
    *z = -(px * m[0][2] + py * m[1][2] + pz * m[2][2] + m[3][2]);
}

bool GGraph3D::Fog(bool on) {
    if (on == mFogOn) return mFogOn;
    mFogOn = on;
    if (mTableFog) {
        if (SoftDevice3D* d = Device()) {
            d->SetRenderState(SoftState::FogEnable, on ? kTrue : kFalse);
            if (on) d->SetRenderState(SoftState::FogTableMode, kFogLinear);
        }
    }
    return !on;
}

void GGraph3D::FogColor(float r, float g, float b) {
    // trunc(v * 255), its low 8 bits. A float beyond the 32-bit range is a
    // multiple of 256, so its low bits are 0, as they are for not a number.
    auto channel = [](float v) {
        float t = v * 255.0f;
        if (!(t > -2147483648.0f && t < 2147483648.0f)) return 0u;
        return static_cast<uint32_t>(static_cast<int32_t>(t)) & 0xFFu;
    };
    if (SoftDevice3D* d = Device())
        d->SetRenderState(SoftState::FogColor, (channel(r) << 16) | (channel(g) << 8) | channel(b));
}

void GGraph3D::FogRange(float start, float end, float) {
    SoftDevice3D* d = Device();
    if (!d) return;
    uint32_t bits;
    std::memcpy(&bits, &start, 4);
    d->SetRenderState(SoftState::FogTableStart, bits);
    std::memcpy(&bits, &end, 4);
    d->SetRenderState(SoftState::FogTableEnd, bits);
    mFogEnd = end;
}

bool GGraph3D::GetTextureErrorState(int32_t* levelOut) {
    if (levelOut) *levelOut = mTextureDownsample;
    bool f = mTextureErrorFlag;
    if (f) mTextureDownsample += 1;
    mTextureErrorFlag = false;
    return f;
}
