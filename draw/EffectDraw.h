#pragma once
// The replay's effects drawn in closed form from their age, so that any slice,
// also after a rewind, gives the same picture. The effect classes hand their
// fields over in these plain forms.
#include <cstdint>

class GGraphic;
class Map;

// A shard, spark or bullet bit flying under gravity and spinning.
struct EffectParticle {
    float mVelocity[3];
    float mAngle[2];
    float mSpin[2];
    float mHalfSize;
    uint8_t mVariant;
};

// A puff of fire or smoke of an explosion.
struct EffectPuff {
    float mDelay;
    float mVelocity[3];
    float mSize;
    float mRate;
    bool mFiery;
};

// What every effect has: when it starts, how long it lasts, where it is.
struct EffectTiming {
    int32_t start = 0;
    int32_t duration = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Shell sizes grow with the viewing side's camera level 0..8.
float EffectCameraFactor(int32_t level);

void DrawSparks(Map* map, const EffectTiming& t, const EffectParticle* sparks, int32_t count,
                bool sparkTextures, int32_t slice);
// Shards above the floor, then the puffs facing the camera; the twenty
// explosion pictures are ten fiery frames and ten of smoke.
void DrawExplosion(Map* map, const EffectTiming& t, bool raised, const EffectParticle* shards,
                   int32_t shardCount, float shardFloor, const EffectPuff* puffs, int32_t puffCount,
                   GGraphic* const* explosionTextures, int32_t slice);
void DrawFlameImpact(Map* map, const EffectTiming& t, bool large, int32_t slice);
