// Services the unit rules ask of the battle. Each begins as the least answer
// that keeps a battle consistent; the rule that owns a service replaces its
// body here.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {
constexpr float kDustTable[] = {0.5f, 0.7f, 0.9f, 1.0f, 1.1f};
constexpr int32_t kDustSteps = 5;
constexpr int32_t kMaxDeafness = 20000;
constexpr float kDeafFullRange = 13.0f;
constexpr int32_t kPlaybackState = 8; // the application's interaction state while a turn plays back

bool NoDustTerrain(Terrain t) {
    return t == kTerrainMarsh || t == kTerrainWater || t == 38 || t == 39 || t == kTerrainIce;
}

// Terrain that smokes under a shot more readily (roads, dry fields) or a
// little more (open ground, foxholes, brush) than the rest.
int32_t DustStep(Terrain t) {
    switch (t) {
    case 1:
    case kTerrainRoad:
    case 28:
    case kTerrainSoftGround:
    case 49:
        return 1;
    case kTerrainOpen:
    case 2:
    case kTerrainFoxholeFirst:
    case kTerrainWireFirst:
    case kTerrainBrush:
    case 27:
    case 29:
    case 34:
        return 0;
    default:
        return -1;
    }
}
} // namespace

PendingAttack* Battle::CreatePendingAttack(Unit* attacker, Unit* target, int32_t delay, bool side,
                                           bool deferred) {
    auto* attack = new PendingAttack;
    attack->mLandingSlice = mTimeSlice + delay;
    attack->mAttacker = attacker;
    attack->mTarget = target;
    attack->mAttackerIsAxis = side;
    if (deferred) {
        attack->mLOSRefreshOnly = true;
        mNewAttacks.Add(attack);
    } else {
        mPendingAttacks.Add(attack);
    }
    return attack;
}

float Battle::Dusty(Terrain terrain, int32_t level) {
    if (mGroundCondition >= 2 || mTimeOfDay == kNight || mWeather == 5 || NoDustTerrain(terrain)) return 0.0f;
    int32_t k = level - mGroundCondition + DustStep(terrain);
    if (mTheatre == 0 || mTheatre == 1) --k;
    if (k < 0) return 0.0f;
    return kDustTable[k < kDustSteps ? k : kDustSteps - 1];
}

void Battle::MakeSmokePacket(float x, float y, float selector, float size) {
    if (!mMap || !(x >= 0.0f && y >= 0.0f && x < mMap->mWidthMetres && y < mMap->mHeightMetres)) return;
    Terrain t = mMap->GetTerrain(x, y, false);
    if (t == kTerrainMarsh || t == kTerrainWater || t == 38 || t == 39) return;

    float r, a, b;
    int8_t kind;
    if (selector == 0.0f) {
        r = 7.0f, a = 10.0f, b = 60.0f, kind = 0;
    } else if (selector <= -5.0f) {
        r = size * 0.9f * 15.0f, a = 0.0f, b = (1.0f + std::fmin(size, 1.0f)) * 0.5f * 2400.0f * 0.005f, kind = 2;
    } else if (selector == -4.0f) {
        r = 15.0f, a = 0.35f, b = 60.0f, kind = 2;
    } else if (selector == -3.0f) {
        r = 20.0f, a = 1.5f, b = 300.0f, kind = 1;
    } else if (selector == -2.0f) {
        r = 15.0f, a = 1.5f, b = 200.0f, kind = 1;
    } else if (selector == -1.0f) {
        r = 7.0f, a = 1.5f, b = 100.0f, kind = 1;
    } else {
        float s = std::fmin(selector, 14.0f);
        r = selector, a = 30.0f, b = s * (7.25f + 1.49f * s - 0.0848f * s * s), kind = 0;
    }
    static const float kWind[] = {2.0f, 1.0f, 0.65f, 0.3f};
    b *= kWind[mWindStrength >= 0 && mWindStrength <= 3 ? mWindStrength : 1];
    a *= static_cast<float>(0.85 + 0.3 * RandomFraction());
    b *= static_cast<float>(0.7 + 0.6 * RandomFraction());

    int32_t delay = static_cast<int32_t>(40.0f * a);
    for (int32_t i = 0; i < 3 && mTimeSlice + delay > kSlicesPerTurn; ++i)
        delay /= 2;
    ActionPacket* packet = CreateActionPacket(delay);
    packet->mType = kPacketSmokeOn;
    packet->mX = x;
    packet->mY = y;
    packet->mStartTime = mTurn * kSlicesPerTurn + packet->mTimeSlice;
    packet->mDuration = static_cast<int16_t>(static_cast<int32_t>(40.0f * b) + delay);
    packet->mRadius = r;
    packet->mDensity = std::fmin(size, 1.0f);
    packet->mSmokeKind = kind;
    AddSmokeShell(packet);

    // One slice after the cloud forms the sight answers through it go stale.
    PendingAttack* marker = CreatePendingAttack(nullptr, nullptr, delay + 1, false, true);
    marker->mImpactX = x;
    marker->mImpactY = y;
    marker->mImpactZ = r;
}

void Battle::DeafenFromXY(int32_t amount, float x, float y) {
    if (!mUnits) return;
    const float loudness = static_cast<float>(static_cast<int32_t>(static_cast<float>(amount) * 1.2f));
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u || u->mOffMapState != 0 || (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle))
            continue;
        float d = u->DistanceToLocation(x, y);
        float factor = d <= kDeafFullRange ? 1.0f : kDeafFullRange / d;
        float v = loudness * factor;
        int32_t level = v >= static_cast<float>(kMaxDeafness) ? kMaxDeafness : static_cast<int32_t>(v);
        if (level > u->mDeafness) u->mDeafness = static_cast<int16_t>(level);
    }
}

bool Battle::InNewMineField(float x, float y, bool vehicle) {
    if (!mUnits) return false;
    for (Unit* u : mUnits->Inanimates()) {
        if (!u->mMineNew) continue;
        const bool kind = vehicle ? (u->mSubtype == 5 || u->mSubtype == 6) : u->mSubtype == 4;
        if (kind && std::fabs(u->mX - x) <= 12.0f && std::fabs(u->mY - y) <= 12.0f) return true;
    }
    return false;
}

float Battle::GroundSpeedFactor(float groundPressure, int32_t level) {
    struct Curve {
        float mOffset;
        float mWidth;
    };
    static constexpr Curve kCurves[] = {{5.0f, 30.0f},  {2.5f, 23.5f}, {0.0f, 15.0f},
                                        {-2.0f, 10.0f}, {1.0f, 11.0f}, {15.0f, 20.5f}};
    int32_t shift = level;
    int32_t base = mGroundCondition;
    if (mGroundCondition >= 6 && mGroundCondition <= 8) base = mGroundCondition - 4;
    if (mGroundCondition == 8 && shift < 0) shift = 0;
    int32_t k = base + shift;
    if (k < 0 || (k == 0 && shift < 0)) return 1.0f;
    if (k > 5) k = 5;
    const float t = (groundPressure + kCurves[k].mOffset) / kCurves[k].mWidth;
    float f = std::exp(-(t * t));
    if (f > 1.0f) f = 1.0f;
    if (f < 0.01f) f = 0.01f;
    return f;
}

void Battle::CheckAllLeadership() {
    if (mUnits) {
        for (int32_t i = 0; i < mUnits->GetCount(); ++i)
            if (Unit* u = mUnits->GetUnit(i)) u->CheckLeadership();
    }
    RefreshInfoPanel();
}

int32_t Battle::PlaybackTimeSlice() const {
    return mPlayNow;
}

void Battle::RefreshInfoPanel() {
    Host()->RefreshInfoPanel();
}

// Pre-planned fire may be ordered on the first turn once set-up is over,
// unless the scenario fixes the forces' readiness (option 3).
bool Battle::BombardmentsAllowed() const {
    return mTurn == 1 && !mSetupPhase && mForceReadinessOption != 3;
}

void Battle::SetSelectedUnit(Unit* unit) {
    BattleHost* host = Host();
    if (!unit) mMultiSelection = false;
    mSelectedUnit = unit;
    mSelectedIndex = -1;
    // Dropping the selection outside playback frees the camera too.
    if (!unit && host->InteractionState() != kPlaybackState) host->ToggleCameraLock(nullptr);
    RefreshInfoPanel();
    host->SelectionChanged(unit);
}
