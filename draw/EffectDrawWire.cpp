// The replay's effect objects handed to the effect drawing at a slice.
#include <cmath>

#include "battle/Battle.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SparkGraphic.h"
#include "draw/EffectDraw.h"
#include "engine/G3DBridge.h"
#include "map/Map.h"
#include "renderer/G3DObject.h"
#include "units/Unit.h"

static_assert(sizeof(ExplosionGraphic::Shard) == sizeof(EffectParticle));
static_assert(sizeof(SparkGraphic::Particle) == sizeof(EffectParticle));

namespace {

// Particles copied into the drawing's own form; no allocation per frame.
EffectParticle sParticles[SparkGraphic::kMaxParticles > ExplosionGraphic::kMaxShards
                              ? SparkGraphic::kMaxParticles
                              : ExplosionGraphic::kMaxShards];
EffectPuff sPuffs[ExplosionGraphic::kMaxPuffs];

template <class P> int32_t CopyParticles(const P* from, int32_t count, int32_t capacity) {
    if (count < 0) count = 0;
    if (count > capacity) count = capacity;
    for (int32_t i = 0; i < count; ++i) {
        EffectParticle& e = sParticles[i];
        const P& p = from[i];
        for (int32_t k = 0; k < 3; ++k)
            e.mVelocity[k] = p.mVelocity[k];
        e.mAngle[0] = p.mAngle[0], e.mAngle[1] = p.mAngle[1];
        e.mSpin[0] = p.mSpin[0], e.mSpin[1] = p.mSpin[1];
        e.mHalfSize = p.mHalfSize;
        e.mVariant = p.mVariant;
    }
    return count;
}

EffectTiming TimingOf(const Ephemeral& e) {
    EffectTiming t;
    t.start = e.mStart, t.duration = e.mDuration;
    t.x = e.mX, t.y = e.mY, t.z = e.mZ;
    return t;
}

void DrawShellGraphic(Map* map, ShellGraphic& s, int32_t slice) {
    const int32_t side = map->ViewingSide();
    if (!s.Visible(side)) return;
    ShellView v;
    v.look = s.mLook;
    v.t = TimingOf(s);
    if (s.mLook == 18 && s.mFirer) {
        v.t.x = s.mFirer->mX, v.t.y = s.mFirer->mY, v.t.z = s.mFirer->GetZ();
    } else if (!s.mHeavyShell && s.mFirer) {
        float x = s.mX, y = s.mY, z = s.mZ;
        s.mFirer->GetApparentLocation(&x, &y, &z);
        v.t.x = x, v.t.y = y, v.t.z = z;
    }
    v.targetX = s.mTargetX, v.targetY = s.mTargetY, v.targetZ = s.mTargetZ;
    // A heavy shell keeps its own heading; any other from where it is seen to start.
    v.heading = s.mHeavyShell ? s.mHeading : std::atan2(v.targetY - v.t.y, v.targetX - v.t.x) * 57.2957795f;
    v.muzzleHeight = s.mMuzzleHeight;
    v.raisedBurst = s.mRaisedBurst;
    v.flightSlices = s.mFlightSlices;
    v.pellets = s.mPellets;
    v.sideOneTracer = s.mFirer && s.mFirer->mSide == 1;
    v.cameraLevel = map->mCameraLevel[side];
    v.u = EffectU;
    v.r = EffectR;
    DrawShell(map, v, slice);
}

void DrawEffect(Ephemeral* effect, int32_t slice) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !effect) return;
    if (auto* s = dynamic_cast<ShellGraphic*>(effect)) {
        DrawShellGraphic(map, *s, slice);
    } else if (auto* x = dynamic_cast<ExplosionGraphic*>(effect)) {
        // A collapsing building's cloud: a box 11 m on each side about its
        // foot, the cloud left out only once that box leaves the view.
        if (x->mRubble && g3D) {
            G3DObject box;
            box.SetModelCoords(x->mX, x->mY, x->mZ - 5.5f, 11.0f, 11.0f, 11.0f);
            if (!box.ShouldBeDrawn(nullptr)) return;
        }
        EffectTiming t = TimingOf(*x);
        const int32_t shards = CopyParticles(x->mShards, x->mShardCount, ExplosionGraphic::kMaxShards);
        int32_t puffs = x->mPuffCount < 0 ? 0 : x->mPuffCount;
        if (puffs > ExplosionGraphic::kMaxPuffs) puffs = ExplosionGraphic::kMaxPuffs;
        for (int32_t i = 0; i < puffs; ++i) {
            const ExplosionGraphic::Puff& p = x->mPuffs[i];
            sPuffs[i] = EffectPuff{
                p.mDelay, {p.mVelocity[0], p.mVelocity[1], p.mVelocity[2]}, p.mSize, p.mRate, p.mFiery};
        }
        DrawExplosion(map, t, x->mRaisedBurst, sParticles, shards, x->mShardFloor, sPuffs, puffs,
                      map->mBlastTextures, slice);
    } else if (auto* fl = dynamic_cast<FlameImpactGraphic*>(effect)) {
        DrawFlameImpact(map, TimingOf(*fl), fl->mLarge, slice);
    } else if (auto* sp = dynamic_cast<SparkGraphic*>(effect)) {
        const int32_t n = CopyParticles(sp->mParticles, sp->mParticleCount, SparkGraphic::kMaxParticles);
        DrawSparks(map, TimingOf(*sp), sParticles, n, sp->mUsesSparkTextures, slice);
    }
}

} // namespace

void DrawEphemeralEffect(Ephemeral* effect, int32_t slice) {
    DrawEffect(effect, slice);
}
