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
// Shards above the floor, then every puff facing the camera and turned in
// its own plane by the first shard's angle; the twenty explosion pictures
// are ten fiery frames and ten of smoke.
void DrawExplosion(Map* map, const EffectTiming& t, bool raised, const EffectParticle* shards,
                   int32_t shardCount, float shardFloor, const EffectPuff* puffs, int32_t puffCount,
                   GGraphic* const* explosionTextures, int32_t slice);

void DrawFlameImpact(Map* map, const EffectTiming& t, bool large, int32_t slice);

// A shell, rocket, flame stream or burst in flight as the viewer sees it:
// the start point already chosen by the viewer's knowledge of the firer.
struct ShellView {
    int32_t look = 0;
    EffectTiming t; // start, duration; x, y, z the start point
    float targetX = 0.0f, targetY = 0.0f, targetZ = 0.0f;
    float heading = 0.0f; // degrees from +x toward +y
    float muzzleHeight = 0.0f;
    bool raisedBurst = false;
    int32_t flightSlices = 0;       // a flame stream's flight, once stretched
    const float* pellets = nullptr; // 600 x 3 offsets of look 3, or null
    bool sideOneTracer = false;     // fired by a side-1 unit
    int32_t cameraLevel = 0;
    float (*u)() = nullptr;    // the effects' shared draws: a fraction
    uint32_t (*r)() = nullptr; // and a 32-bit value
};
// The four values a look sets: base size, shots, spacing and speed.
struct ShellLook {
    float size;
    int32_t shots;
    float spacing;
    float speed;
};
ShellLook ShellLookOf(int32_t look);
void DrawShell(Map* map, const ShellView& s, int32_t slice);

class Ephemeral;
// Draws one of the replay's effect objects at a slice (the effects' drawing hook).
void DrawEphemeralEffect(Ephemeral* effect, int32_t slice);
