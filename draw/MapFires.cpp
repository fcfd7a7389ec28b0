// Burning squares: scattered flame sheets or flames along a building's
// walls from the side, two flat flame pictures from high above; the fire
// sound of every burning square; emptying the replay's sound lists.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

float sFireFrame = 0.0f;

namespace {
struct TopFire {
    float radius, height, topFactor;
};

TopFire TopFireOf(int32_t state) {
    switch (state) {
    case 1:
        return {6.0f, 5.0f, 0.5f};
    case 3:
        return {8.0f, 5.0f, 0.1f};
    case 5:
        return {7.5f, 5.0f, 0.5f};
    case 6:
        return {13.0f, 12.0f, 0.9f};
    case 7:
        return {10.0f, 5.0f, 0.1f};
    default:
        return {11.0f, 12.0f, 0.9f};
    }
}

float WallFlameScale(int32_t state) {
    switch (state) {
    case 6:
        return 2.0f;
    case 2:
        return 0.5f;
    case 1:
        return 0.25f;
    default:
        return 1.0f;
    }
}
} // namespace

void Map::DrawSideViewFire(int32_t pattern, float x, float y, float heightScale, float spread) {
    const int32_t k = ((pattern % kFlamePatterns) + kFlamePatterns) % kFlamePatterns;
    for (int32_t n = kFlamesPerPattern - 1; n >= 0; --n) {
        const FlamePattern& f = mFlamePatterns[k][n];
        const float x1 = x + spread * f.mFrom.x, y1 = y + spread * f.mFrom.y;
        const float x2 = x + spread * f.mTo.x, y2 = y + spread * f.mTo.y;
        const float H = f.mHeight * heightScale;
        const float z1 = GetZCoord(x1, y1), z2 = GetZCoord(x2, y2);
        d3::SetCull(false);
        const float q[20] = {x1, y1, z1,     0.988f, 0.25f,  x1, y1, z1 + H, 0.988f, 0.988f,
                             x2, y2, z2 + H, 0.0f,   0.988f, x2, y2, z2,     0.0f,   0.0f};
        d3::TexturedQuad(q);
    }
    d3::SetCull(true);
}

void Map::DrawOneFire(float x, float y, float radius, float height, float topFactor, bool inLocalFrame) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius) || !std::isfinite(height)) return;
    const float w = 0.95f * radius, q = (radius + w) * 0.48f;
    const float hs[4] = {GetZCoord(x - radius, y - radius), GetZCoord(x + radius, y - radius),
                         GetZCoord(x + radius, y + radius), GetZCoord(x - radius, y + radius)};
    float low = *std::min_element(hs, hs + 4), high = *std::max_element(hs, hs + 4);
    if (inLocalFrame) {
        high -= low;
        low = 0.0f;
    } else {
        d3::Push();
        d3::Translate(x, y, 0.0f);
    }
    if (ClampLevel(mCameraLevel[ViewingSide()]) >= 5) {
        const float T = height * topFactor + high;
        const float a[20] = {-q, -0.01f, T, 0, 0,      -q, q,      T, 0, 0.988f,
                             q,  q,      T, 1, 0.988f, q,  -0.01f, T, 1, 0};
        const float b[20] = {-q, -q,    T, 0,  0.988f, -q, 0.01f, T, 0,  0,
                             q,  0.01f, T, -1, 0,      q,  -q,    T, -1, 0.988f};
        d3::TexturedQuad(a);
        d3::TexturedQuad(b);
    } else {
        if (inLocalFrame) low += 0.3f * height;
        const float top = high + height;
        const float r = radius;
        const float faces[4][20] = {
            {-r, -r, low, 0, 0, -w, -w, top, 0.2f, 0.988f, w, -w, top, 0.8f, 0.988f, r, -r, low, 1, 0},
            {r, -r, low, 0, 0, w, -w, top, 0.2f, 0.988f, w, w, top, 0.8f, 0.988f, r, r, low, 1, 0},
            {r, r, low, 0, 0, w, w, top, 0.2f, 0.988f, -w, w, top, 0.8f, 0.988f, -r, r, low, 1, 0},
            {-r, r, low, 0, 0, -w, w, top, 0.2f, 0.988f, -w, -w, top, 0.8f, 0.988f, -r, -r, low, 1, 0},
        };
        for (const auto& f : faces)
            d3::TexturedQuad(f);
    }
    if (!inLocalFrame) d3::Pop();
}

void Map::DrawFires() {
    float fps = DrawFramesPerSecond();
    if (!std::isfinite(fps) || fps < 4.0f) fps = 4.0f;
    sFireFrame += 18.0f / (1.2f * fps);
    while (sFireFrame >= 18.0f)
        sFireFrame -= 18.0f;
    if (!(sFireFrame >= 0.0f)) sFireFrame = 0.0f;
    mLastFireTexture = mFireTextures[std::clamp(static_cast<int32_t>(sFireFrame), 0, 17)];
    SetLastFireTexture();
    if (mFire.size() != static_cast<size_t>(mSquareCount)) return;
    const bool pick = d3::PickPass();
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    const float zoom = static_cast<float>(std::max(CurrentDrawSettings().mZoom, 1));
    const int32_t th = mLevelHeight[2];
    for (int32_t i = mWidth - 1; i >= 0; --i) {
        for (int32_t j = mHeight - 1; j >= 0; --j) {
            int32_t s = mFire[static_cast<size_t>(i) * mHeight + j];
            if (s == 0) continue;
            const size_t t = static_cast<size_t>(i / 4) * th + j / 4;
            const uint8_t v = t < mSuperTileVisibility.size() ? mSuperTileVisibility[t] : 0;
            if (v == 0) continue;
            if (v == 2 && !pick) d3::SetClip(false);
            const float x = (i + 0.5f) * 20.0f, y = (j + 0.5f) * 20.0f;
            const int32_t k = (i + j + i * j) % kFlamePatterns;
            for (int32_t pass = 0; pass < (s == 6 ? 2 : 1); ++pass) {
                if (pass == 1) s = 7;
                if (L < 5) {
                    const float dx = mEyeX - x, dy = mEyeY - y;
                    if (L < 2 && dx * dx + dy * dy < zoom * zoom * 6400.0f) d3::SetOpacity(0.9f);
                    Building* b = GetBuildingAtCR(i, j);
                    if (s == 7 || s == 3 || !b || b->mRuined) {
                        const float f = s == 7 ? 1.0f : 0.33f;
                        DrawSideViewFire(k, x, y, f, f);
                    } else {
                        d3::SetCull(false);
                        d3::Push();
                        d3::Translate(x, y, 0.0f);
                        const float z0 = GetZCoord(x, y);
                        const float g = WallFlameScale(s);
                        for (int32_t n = kFlamesPerPattern - 1; n >= 0; --n) {
                            const FlamePattern& f = mFlamePatterns[k][n];
                            const int32_t w = mFlameWall[k][n] & 3, w2 = (w + 1) % 4;
                            const float ax = b->mCornerX[w] - x, ay = b->mCornerY[w] - y;
                            const float bx = b->mCornerX[w2] - x, by = b->mCornerY[w2] - y;
                            const float f1 = f.mFrom.x * 0.05f + 0.5f, f2 = f.mFrom.y * 0.05f + 0.5f;
                            const float p1x = ax + (bx - ax) * f1, p1y = ay + (by - ay) * f1;
                            const float p2x = ax + (bx - ax) * f2, p2y = ay + (by - ay) * f2;
                            auto out = [](float v) {
                                return v + (v > 0.0f ? 0.5f : (v < 0.0f ? -0.5f : 0.0f));
                            };
                            const float zb = g * f.mBase + z0, zt = (f.mHeight + 0.5f) * g + zb;
                            const float q[20] = {p1x,      p1y,      zb, 0.988f, 0.25f,
                                                 out(p1x), out(p1y), zt, 0.988f, 0.988f,
                                                 out(p2x), out(p2y), zt, 0.0f,   0.988f,
                                                 p2x,      p2y,      zb, 0.0f,   0.0f};
                            d3::TexturedQuad(q);
                        }
                        d3::Pop();
                        d3::SetCull(true);
                    }
                    d3::SetOpacity(1.0f);
                } else {
                    const TopFire tf = TopFireOf(s);
                    DrawOneFire(x, y, tf.radius, tf.height, tf.topFactor, false);
                }
            }
            if (!pick) d3::SetClip(true);
        }
    }
}

void Map::StartFireSoundEffects() {
    if (mFire.size() != static_cast<size_t>(mSquareCount)) return;
    for (int32_t i = mWidth - 1; i >= 0; --i)
        for (int32_t j = mHeight - 1; j >= 0; --j)
            if (mFire[static_cast<size_t>(i) * mHeight + j] != 0) StartOneFireSoundEffect(i, j);
}

void Map::ClearReplaySounds(bool keepLoops) {
    if (mSounds) mSounds->EmptyOut(true);
    if (!keepLoops && mSoundLoops) mSoundLoops->EmptyOut(true);
}
