// Sparks, explosions and flame impacts of the replay.
#include "draw/EffectDraw.h"

#include <algorithm>
#include <cmath>

#include "draw/Draw3D.h"
#include "map/Map.h"

namespace {

constexpr float kSecondsPerSlice = 0.025f;
constexpr float kDegrees = 57.2957795f;

float Age(const EffectTiming& t, int32_t slice) {
    return static_cast<float>(slice - t.start) / static_cast<float>(t.duration);
}

// One particle as a spinning textured square at its place after t seconds.
void DrawParticle(const EffectParticle& p, float t, float height) {
    d3::Push();
    d3::Translate(p.mVelocity[0] * t, p.mVelocity[1] * t, height);
    d3::RotateY(p.mAngle[0] + p.mSpin[0] * t);
    d3::RotateX(p.mAngle[1] + p.mSpin[1] * t);
    const float h = p.mHalfSize;
    const float c[20] = {-h, -h, 0.0f, 0.0f, 0.0f, -h, h,  0.0f, 0.0f, 1.0f,
                         h,  h,  0.0f, 1.0f, 1.0f, h,  -h, 0.0f, 1.0f, 0.0f};
    d3::TexturedQuad(c);
    d3::Pop();
}

float Height(const EffectParticle& p, float t) {
    return (p.mVelocity[2] - 4.9f * t) * t;
}

} // namespace

float EffectCameraFactor(int32_t level) {
    static const float kFactors[9] = {1.0f, 1.1f, 1.4f, 2.2f, 2.9f, 1.8f, 3.6f, 6.0f, 10.5f};
    return kFactors[level < 0 ? 0 : (level > 8 ? 8 : level)];
}

void DrawSparks(Map* map, const EffectTiming& t, const EffectParticle* sparks, int32_t count,
                bool sparkTextures, int32_t slice) {
    if (!map || t.duration <= 0 || !sparks) return;
    const float f = Age(t, slice);
    if (f < 0.0f) return;
    d3::Push();
    d3::Translate(t.x, t.y, t.z);
    if (f <= 1.0f) {
        const float s = static_cast<float>(slice - t.start) * kSecondsPerSlice;
        d3::SetCull(false);
        d3::SetOpacity(1.0f - f);
        for (int32_t i = 0; i < count; ++i) {
            const float h = Height(sparks[i], s);
            if (!(h > -15.0f)) continue;
            if (sparkTextures)
                map->SetSparkTexture(sparks[i].mVariant);
            else
                map->SetShrapnelTexture(sparks[i].mVariant);
            DrawParticle(sparks[i], s, h);
        }
        d3::SetOpacity(1.0f);
        d3::SetCull(true);
    }
    d3::Pop();
}

void DrawExplosion(Map* map, const EffectTiming& t, bool raised, const EffectParticle* shards,
                   int32_t shardCount, float shardFloor, const EffectPuff* puffs, int32_t puffCount,
                   GGraphic* const* explosionTextures, int32_t slice) {
    if (!map || t.duration <= 0) return;
    const float f = Age(t, slice);
    if (f < 0.0f) return;
    d3::Push();
    d3::Translate(t.x, t.y, t.z + (raised ? 1.5f : 0.0f));
    if (f <= 1.0f) {
        const float s = static_cast<float>(slice - t.start) * kSecondsPerSlice;
        d3::SetCull(false);
        for (int32_t i = 0; shards && i < shardCount; ++i) {
            const float h = Height(shards[i], s);
            if (!(h > shardFloor)) continue;
            map->SetShrapnelTexture(shards[i].mVariant);
            DrawParticle(shards[i], s, h);
        }
        const float g = 1.5f * f;
        const int32_t side = map->ViewingSide();
        const bool high = map->mCameraLevel[side] >= 5;
        // The puffs turn in their own plane by the effect's first shard's
        // start angle and spin rate (none without shards).
        const float spinStart = shards && shardCount > 0 ? shards[0].mAngle[0] : 0.0f;
        const float spinRate = shards && shardCount > 0 ? shards[0].mSpin[0] : 0.0f;
        for (int32_t i = puffCount - 1; puffs && g <= 1.0f && i >= 0; --i) {
            const EffectPuff& p = puffs[i];
            if (g < p.mDelay || p.mDelay >= 1.0f) continue;
            const float u = (g - p.mDelay) / (1.0f - p.mDelay) * p.mRate;
            if (!(u <= 1.0f)) continue;
            const float w = u + 1.0f;
            const float px = p.mVelocity[0] * w, py = p.mVelocity[1] * w,
                        pz = 2.3f * p.mVelocity[2] * w + (high ? 1.5f : 0.0f);
            d3::Push();
            d3::Translate(px, py, pz);
            // Face the camera: heading to the eye, and its elevation.
            const float dx = map->mEyeX - (t.x + px), dy = map->mEyeY - (t.y + py);
            float a = std::atan2(dy, dx) * kDegrees;
            if (a < 0.0f) a += 360.0f;
            const float ground = std::sqrt(dx * dx + dy * dy);
            const float e = std::atan2(map->mCameraHeight - (t.z + pz), ground) * kDegrees;
            d3::RotateZ(a - 90.0f);
            d3::RotateX(e);
            d3::RotateY(spinStart + 0.5f * spinRate * u);
            const float h = p.mSize * (1.5f * u + 0.5f);
            int32_t frame = static_cast<int32_t>(10.0f * std::pow(u, 0.7f));
            if (frame > 9) frame = 9;
            d3::SetOpacity(1.0f - 0.98f * u);
            if (explosionTextures) d3::Texture(explosionTextures[p.mFiery ? frame : 10 + frame]);
            const float c[20] = {-h, 0.0f, h,  0.0f, 1.0f, h,  0.0f, h,  1.0f, 1.0f,
                                 h,  0.0f, -h, 1.0f, 0.0f, -h, 0.0f, -h, 0.0f, 0.0f};
            d3::TexturedQuad(c);
            d3::Pop();
        }
        d3::SetOpacity(1.0f);
        d3::SetCull(true);
    }
    d3::Pop();
}

void DrawFlameImpact(Map* map, const EffectTiming& t, bool large, int32_t slice) {
    if (!map || t.duration <= 0 || slice < t.start) return;
    if (!std::isfinite(t.x) || !std::isfinite(t.y) || t.x < 0.0f || t.y < 0.0f) return;
    const int32_t i = static_cast<int32_t>(t.x / 20.0f), j = static_cast<int32_t>(t.y / 20.0f);
    const int32_t col = i / 4, row = j / 4;
    const int32_t tw = map->mLevelWidth[2], th = map->mLevelHeight[2];
    if (col >= tw || row >= th) return;
    const size_t tile = static_cast<size_t>(col) * th + row;
    if (tile >= map->mSuperTileVisibility.size()) return;
    const uint8_t visibility = map->mSuperTileVisibility[tile];
    if (visibility == 0) return;
    const float s = large ? 2.15f : 1.0f;
    // A flame close to the camera may cross the near plane even on a tile
    // wholly in view: it is drawn clipped, so it is cut at the plane rather
    // than dropped or torn.
    const bool pick = d3::PickPass();
    const bool oldClip = d3::GetClip();
    if (!pick && visibility == 2) d3::SetClip(true);
    map->SetLastFireTexture();
    d3::SetOpacity(0.9f);
    const int32_t side = map->ViewingSide();
    if (map->mCameraLevel[side] < 5) {
        const float f = Age(t, slice);
        const float a = f <= 0.5f ? f : 1.0f - f;
        map->DrawSideViewFire((i * j + i + j) % 29, t.x, t.y, s * a, s * 0.25f);
    } else {
        map->DrawOneFire(t.x, t.y, 2.5f, 5.0f, 0.1f, false);
    }
    d3::SetOpacity(1.0f);
    if (!pick && visibility == 2) d3::SetClip(oldClip);
}
