#include "battle/Ephemeral.h"

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BulletImpact.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

void (*gDrawEphemeral)(Ephemeral* effect, int32_t slice) = nullptr;

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegrees = kPi / 180.0f;

int32_t PlaySlice() {
    return gBattle ? gBattle->PlaybackTimeSlice() : 0;
}

float GroundAt(float x, float y) {
    return gBattle && gBattle->mMap ? gBattle->mMap->GetZCoord(x, y) : 0.0f;
}

Terrain TerrainAt(float x, float y) {
    return gBattle && gBattle->mMap ? gBattle->mMap->GetTerrain(x, y, false) : 0;
}

// Velocity from a speed, an azimuth and an elevation (radians).
void Spherical(float speed, float azimuth, float elevation, float* v) {
    v[0] = speed * std::cos(elevation) * std::cos(azimuth);
    v[1] = speed * std::cos(elevation) * std::sin(azimuth);
    v[2] = speed * std::sin(elevation);
}

void StrikesOf(ShellGraphic* shell, GList* out) {
    shell->mBitsMade = true;
    const float h = shell->mTargetZ - GroundAt(shell->mTargetX, shell->mTargetY);
    // A burst without a firer has no origin: it makes no strikes.
    if (!shell->mFirer) return;
    const float ox = shell->mFirer->mX, oy = shell->mFirer->mY;
    const float dx = shell->mTargetX - ox, dy = shell->mTargetY - oy;
    const int32_t travel = static_cast<int32_t>(40.0f * std::sqrt(dx * dx + dy * dy) / 370.0f);
    const int32_t n = static_cast<int32_t>((shell->mLook - 20) * 0.75f + 0.51f);
    for (int32_t i = n - 1; i >= 0; --i) {
        auto* bit = new BulletImpact;
        float a = EffectU() * 360.0f;
        float r1 = EffectU() * 15.0f;
        float r2 = EffectU() * 15.0f;
        float r = std::fmin(r1, r2);
        bit->mX = shell->mTargetX + r * std::cos(a * kDegrees);
        bit->mY = shell->mTargetY + r * std::sin(a * kDegrees);
        bit->mZ = h;
        // The window's factor is rounded to single precision and only then
        // taken times 40: windows of 12, 27, 44 and 55 slices.
        const float x = i <= 2 ? static_cast<float>(0.4 * static_cast<double>(i) + 0.3) : 1.4f;
        const uint32_t w = static_cast<uint32_t>(40.0 * static_cast<double>(x));
        bit->mStart = shell->mStart + travel + static_cast<int32_t>(EffectR() % w);
        const int32_t k = i + 1 < 8 ? i + 1 : 8;
        bit->mDuration = static_cast<int32_t>(40.0f * (0.6f + 0.1f * static_cast<float>(k) * EffectU()));
        bit->CreateBits(ox, oy);
        out->Add(bit);
    }
}

Ephemeral* ImpactOf(ShellGraphic* shell) {
    if (shell->mImpactKind == 1) {
        if (shell->mLook >= 20) return nullptr;
        auto* e = new ExplosionGraphic;
        e->mX = shell->mTargetX;
        e->mY = shell->mTargetY;
        e->mZ = shell->mTargetZ;
        e->mBlast = shell->mBlast;
        e->mRubble = false;
        const int16_t look = shell->mLook;
        const bool raisedLook = look == 1 || look == 2 || look == 4 || look == 5 || look == 8;
        e->mRaisedBurst = raisedLook && shell->mRaisedBurst;
        e->mBurstKind = shell->mDownwardBurst ? 2 : (shell->mRaisedBurst ? 1 : 0);
        e->mStart = shell->mStart + shell->mDuration + (look >= 11 && look <= 14 ? 80 : 0);
        e->mDuration = static_cast<int32_t>((e->mBlast * 0.015f + 0.225f) * 212.0f);
        e->CreateShards();
        return e;
    }
    if (shell->mImpactKind == 2 || shell->mImpactKind == 3) {
        auto* f = new FlameImpactGraphic;
        f->mX = shell->mTargetX;
        f->mY = shell->mTargetY;
        f->mZ = shell->mTargetZ;
        f->mStart = shell->mStart + shell->mDuration;
        f->mLarge = shell->mImpactKind == 3;
        f->mDuration = f->mLarge ? 1000 : 400;
        return f;
    }
    return nullptr;
}

} // namespace

float EffectU() {
    return static_cast<float>(RandomFraction());
}

uint32_t EffectR() {
    return RandomPair();
}

void AdvanceShellGraphic(GObject* effect, void* newEffects) {
    auto* e = static_cast<Ephemeral*>(effect);
    if (!e->IsShell()) return;
    auto* shell = static_cast<ShellGraphic*>(e);
    auto* out = static_cast<GList*>(newEffects);
    const int32_t now = PlaySlice();
    if (gBattle) {
        // The first drawing's changes, made whether or not anything draws.
        if (now >= shell->mStart && shell->Visible(gBattle->Host()->ViewingSide()))
            shell->PrepareFirstDrawing();
    }
    if (shell->mImpactKind == 0) return;
    if (shell->mImpactKind == 1 && shell->mLook >= 20 && !shell->mBitsMade) StrikesOf(shell, out);
    if (shell->Expired(now)) {
        if (Ephemeral* impact = ImpactOf(shell)) out->Add(impact);
    }
}

bool EphemeralExpired(GObject* effect, void* bitsDue) {
    auto* e = static_cast<Ephemeral*>(effect);
    if (bitsDue) {
        bool due = false;
        if (e->IsShell()) {
            auto* s = static_cast<ShellGraphic*>(e);
            due = s->mImpactKind == 1 && s->mLook >= 20 && !s->mBitsMade;
        }
        *static_cast<bool*>(bitsDue) = due;
    }
    return e->Expired(PlaySlice());
}

// ------------------------------------------------------------------ shells

bool ShellGraphic::Visible(int32_t viewingSide) {
    if (mLook == 0 || mDuration == 0) return false;
    if (mFirer && !mShowToEnemy && mFirer->GetAffiliation() != viewingSide) {
        if (mHeavyShell) return false;
        return mFirer->VisibleToPlayer(true) >= 1;
    }
    return true;
}

void ShellGraphic::PrepareFirstDrawing() {
    if (mLook == 18 && !mStretched) {
        mStretched = true;
        mFlightSlices = mDuration;
        mDuration = 2 * mFlightSlices > 120 ? 2 * mFlightSlices : 120;
    }
    if (mLook == 3 && !mPellets) {
        mPellets = new float[kPellets * 3];
        const float dx = mTargetX - mX, dy = mTargetY - mY;
        const float ground = std::sqrt(dx * dx + dy * dy);
        for (int32_t i = 0; i < kPellets; ++i) {
            float a = EffectU() * 2.0f * kPi;
            float b = EffectU() * 2.0f * kPi;
            float d = EffectU() * 0.16f * ground;
            mPellets[3 * i] = d * std::cos(a) * std::cos(b);
            mPellets[3 * i + 1] = d * std::sin(a) * std::cos(b);
            mPellets[3 * i + 2] = 0.7f * d * std::sin(b);
        }
    }
}

void ShellGraphic::Draw(int32_t slice) {
    if (gDrawEphemeral) gDrawEphemeral(this, slice);
}

// -------------------------------------------------------------- explosions

void ExplosionGraphic::CreateShards() {
    const int32_t d = mDuration;
    const float D = static_cast<float>(d);
    int32_t n = static_cast<int32_t>(D * 0.18867924528301888f);
    n = static_cast<int32_t>(static_cast<float>(n * n) * 0.12f);
    if (mRubble) n = static_cast<int32_t>(static_cast<float>(n) * 0.6f);
    if (n > kMaxShards) n = kMaxShards;
    if (n < 0) n = 0;
    mShardCount = n;
    for (int32_t i = n - 1; i >= 0; --i) {
        Shard& s = mShards[i];
        s.mVariant = static_cast<uint8_t>((EffectR() & 3) + (mBurstKind != 0 ? 4 : 0));
        const float q =
            mRubble ? EffectU() * 0.35f + 0.65f : (static_cast<float>(n) * 0.6f * 0.004f + 0.4f) * EffectU();
        s.mHalfSize = (D * 0.012f * q + 0.1f) * 0.25f;
        const float azimuth = EffectU() * 2.0f * kPi;
        const float elevation = (EffectU() * 70.0f + 20.0f) * kDegrees;
        const float speed = (EffectU() * 0.65f + 0.35f) * D * 0.1225f * (1.0f - 0.6f * q);
        Spherical(speed, azimuth, elevation, s.mVelocity);
        if (mBurstKind != 0 && (EffectR() & 1) == 0) s.mVelocity[2] = -s.mVelocity[2];
        if (mBurstKind == 2) s.mVelocity[2] -= 10.0f;
        s.mAngle[0] = EffectU() * 360.0f;
        s.mAngle[1] = EffectU() * 360.0f;
        s.mSpin[0] = 70.0f - EffectU() * 140.0f;
        s.mSpin[1] = 70.0f - EffectU() * 140.0f;
    }
    int32_t puffs = n / 25;
    if (puffs < 1) puffs = 1;
    if (puffs > kMaxPuffs) puffs = kMaxPuffs;
    mPuffCount = puffs;
    for (int32_t j = puffs - 1; j >= 0; --j) {
        Puff& p = mPuffs[j];
        p.mRate = EffectU() + 1.0f;
        float speed, size;
        if (j == 0) {
            speed = 0.0f;
            size = 1.5f;
            p.mDelay = 0.05f;
            p.mFiery = !mRubble;
        } else {
            speed = EffectU() * mBlast * 0.08f;
            size = EffectU() + 0.5f;
            p.mDelay = EffectU() * 0.11f + 0.05f;
            // The draw for a fiery puff is made only when the burst kind leaves it open.
            p.mFiery = !mRubble && (mBurstKind != 0 || EffectU() < 0.25f);
        }
        p.mSize = size * mBlast * 0.075f;
        const float a = EffectU() * 360.0f * kDegrees;
        const float e = EffectU() * 360.0f * kDegrees;
        p.mVelocity[0] = speed * std::cos(e) * std::cos(a);
        p.mVelocity[1] = speed * std::cos(e) * std::sin(a);
        p.mVelocity[2] = 0.6f * speed * std::sin(e);
    }
    const float here = GroundAt(mX, mY);
    float lowest = here;
    bool first = true;
    for (int32_t ix = -1; ix <= 1; ++ix) {
        for (int32_t iy = -1; iy <= 1; ++iy) {
            if (ix == 0 && iy == 0) continue;
            float z = GroundAt(mX + 25.0f * static_cast<float>(ix), mY + 25.0f * static_cast<float>(iy));
            if (first || z < lowest) lowest = z;
            first = false;
        }
    }
    float floor = lowest - here;
    if (floor > 0.0f) floor = 0.0f;
    mShardFloor = floor - 4.0f;
}

void ExplosionGraphic::Draw(int32_t slice) {
    if (gDrawEphemeral) gDrawEphemeral(this, slice);
}

void FlameImpactGraphic::Draw(int32_t slice) {
    if (gDrawEphemeral) gDrawEphemeral(this, slice);
}

// ------------------------------------------------------------------ sparks

namespace {
void FillSpin(float* angle, float* spin) {
    angle[0] = EffectU() * 360.0f;
    angle[1] = EffectU() * 360.0f;
    spin[0] = 70.0f - EffectU() * 140.0f;
    spin[1] = 70.0f - EffectU() * 140.0f;
}
} // namespace

void SparkGraphic::CreateSparks(float energy, float heading) {
    const float D = static_cast<float>(mDuration);
    mZ += 1.5f;
    mUsesSparkTextures = true;
    const float f = std::fmin(energy * 1e-8f, 1.0f) * 0.75f + 0.25f;
    int32_t count = static_cast<int32_t>(250.0f * f);
    if (count > kMaxParticles) count = kMaxParticles;
    if (count < 0) count = 0;
    mParticleCount = count;
    for (int32_t i = count - 1; i >= 0; --i) {
        Particle& p = mParticles[i];
        p.mVariant = static_cast<uint8_t>(EffectR() % 3);
        p.mHalfSize = (EffectU() * 0.5f + 0.5f) * (f * 0.75f + 0.25f) * 0.05f;
        float s = EffectU() * kPi;
        for (int32_t k = 1; k < 5; ++k)
            s = std::fmin(s, EffectU() * kPi);
        if ((EffectR() & 1) == 0) s = -s;
        float v = std::fmin(EffectU() * kPi / 3.0f, EffectU() * kPi / 3.0f);
        if ((EffectR() & 1) == 0) v = -v;
        const float speed = (EffectU() * 0.8f + 0.2f) * (f + 1.0f) * (f + 1.0f) * 0.6f * 4.9f * 0.025f * D;
        Spherical(speed, heading * kDegrees + s, kPi / 6.0f + v, p.mVelocity);
        FillSpin(p.mAngle, p.mSpin);
    }
}

void SparkGraphic::Draw(int32_t slice) {
    if (gDrawEphemeral) gDrawEphemeral(this, slice);
}

void BulletImpact::CreateBits(float fromX, float fromY) {
    const Terrain t = TerrainAt(mX, mY);
    const bool splash = t == 18 || (t >= 37 && t <= 40);
    if (splash) mUsesSparkTextures = true;
    const float ground = GroundAt(mX, mY);
    bool debris = false;
    if ((t == 52 || t == 53) && mZ >= 5.9f) {
        mZ = ground + 6.0f + static_cast<float>(EffectR() & 1);
    } else if (t >= 50 && t <= 54) {
        debris = true;
        mZ = ground + static_cast<float>(EffectR() & 1);
    } else {
        mZ = ground;
    }
    float push[2] = {0.0f, 0.0f};
    const float dx = mX - fromX, dy = mY - fromY;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (len > 0.0f) {
        push[0] = 4.0f * dx / len;
        push[1] = 4.0f * dy / len;
    }
    int32_t count = static_cast<int32_t>(EffectR() % 20) + 10;
    if (splash) count *= 4;
    if (count > kMaxParticles) count = kMaxParticles;
    mParticleCount = count;
    const float D = static_cast<float>(mDuration);
    for (int32_t i = count - 1; i >= 0; --i) {
        Particle& p = mParticles[i];
        if (splash) {
            p.mVariant = static_cast<uint8_t>(EffectR() % 3);
        } else {
            const uint32_t r = EffectR();
            const bool plus = debris || (r & 7) == 0;
            p.mVariant = static_cast<uint8_t>((r & 3) + (plus ? 4 : 0));
        }
        p.mHalfSize = (EffectU() * 0.7f + 0.3f) * 0.06f * (splash ? 0.5f : 1.0f);
        const float azimuth = EffectU() * 2.0f * kPi;
        float elevation;
        if (debris) {
            elevation = std::fmin(EffectU() * 90.0f, EffectU() * 90.0f);
            if ((EffectR() & 1) == 0) elevation = -elevation;
        } else {
            elevation = EffectU() * 90.0f;
        }
        const float speed = (std::fmin(EffectU() * 0.7f, EffectU() * 0.7f) + 0.3f) * D * 0.1225f;
        Spherical(speed, azimuth, elevation * kDegrees, p.mVelocity);
        p.mVelocity[0] += push[0];
        p.mVelocity[1] += push[1];
        FillSpin(p.mAngle, p.mSpin);
    }
}
