#include "platform/SoftTexture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/SoftDevice3D.h"

namespace {

bool IsPow2(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

uint16_t To565(uint32_t argb) {
    uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

}  // namespace

SoftTexture::~SoftTexture() { SoftDevice3D::FlushAll(); }

bool SoftTexture::ICreate(const PictureRGBA& picture) {
    SoftDevice3D::FlushAll();
    *this = SoftTexture();
    if (picture.width <= 0 || picture.height <= 0 || picture.width > 16384 ||
        picture.height > 16384)
        return false;
    size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    if (picture.rgba.size() != count * 4) return false;
    mSource.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &picture.rgba[i * 4];
        mSource[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    mWidth = picture.width;
    mHeight = picture.height;
    mPowerOfTwo = IsPow2(mWidth) && IsPow2(mHeight);
    Rebuild();
    return true;
}

void SoftTexture::SetColorKey(int32_t key565) {
    SoftDevice3D::FlushAll();
    mColorKey = key565 < 0 ? -1 : (key565 & 0xFFFF);
    Rebuild();
}

void SoftTexture::Rebuild() {
    mARGB = mSource;
    if (mColorKey >= 0) {
        for (uint32_t& t : mARGB)
            if (To565(t) == static_cast<uint16_t>(mColorKey)) t &= 0x00FFFFFFu;
    }
    mOpaque = true;
    mMaxAlpha = 0;
    for (uint32_t t : mARGB) {
        mOpaque = mOpaque && (t >> 24) == 0xFF;
        if ((t >> 24) > mMaxAlpha) mMaxAlpha = t >> 24;
    }
    // Along a row of texels a u + b v is largest at the row's first or last
    // texel of alpha above 0.
    for (double& h : mHull)
        h = -1e30;
    for (int32_t j = -1; mWidth > 0 && j <= mHeight; ++j) {
        const uint32_t* row = mARGB.data() + size_t((j + mHeight) % mHeight) * size_t(mWidth);
        auto shown = [&](int32_t i) { return (row[(i + mWidth) % mWidth] >> 24) != 0; };
        int32_t first = -1;
        while (first <= mWidth && !shown(first))
            ++first;
        if (first > mWidth) continue;
        int32_t last = mWidth;
        while (!shown(last))
            --last;
        for (int32_t k = 0; k < kHullSides; ++k) {
            const double a = kHullDirections[k][0], b = kHullDirections[k][1];
            const double reach = std::fabs(a) + std::fabs(b) + b * (j + 0.5);
            mHull[k] = std::max({mHull[k], a * (first + 0.5) + reach, a * (last + 0.5) + reach});
        }
    }
    mPacked.resize(mARGB.size());
    for (size_t i = 0; i < mARGB.size(); ++i) mPacked[i] = PackTexel(mARGB[i]);
    // One more, never shown: a texel and the next are read as a pair, the
    // last one's too.
    mARGB.push_back(0);
}
