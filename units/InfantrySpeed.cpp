// Infantry fatigue, speed class, movement speed and the drift of the figures
// of a walking squad in playback.

#include <cmath>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

bool gCheckMinesAhead = false;

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr float kMphToMetresPerSlice = 0.4473f;
constexpr float kSecondsPerSlice = 0.025f;
constexpr float kMaxFatigue = 300.0f;
constexpr float kSlowestRecovery = -0.006f;
constexpr float kMaxOffset = 0.6f;
constexpr float kMaxDrift = 0.0045f;
constexpr float kMaxDriftStep = 0.06f;

constexpr int32_t kGroundMorass = 5;
constexpr int32_t kGroundSnow = 7;
constexpr int32_t kGroundDeepSnow = 8;

// Ground where snow and morass slow men down (open ground, fields, woods,
// foxholes, wire, rough ground, ice and soft ground).
bool IsSoftTerrain(Terrain t) {
    return (t >= 0 && t <= 8) || (t >= 10 && t <= 12) || (t >= 19 && t <= 25) || (t >= 27 && t <= 36) ||
           t == 38 || t == 39 || t == 40 || (t >= 46 && t <= 49);
}

const Map* BattleMapOrNull() {
    return gBattle ? gBattle->mMap : nullptr;
}

// Fatigue state by fatigue: 0 below 10, 1 below 60, 2 below 100, 3 below 200.
int32_t FatigueStateOf(float fatigue) {
    if (fatigue < 10.0f) return 0;
    if (fatigue < 60.0f) return 1;
    if (fatigue < 100.0f) return 2;
    if (fatigue < 200.0f) return 3;
    return 4;
}

float FitnessFactor(int32_t fitness) {
    static const float kFactors[] = {0.333f, 0.667f, 1.0f};
    return fitness >= 0 && fitness <= 2 ? kFactors[fitness] : 1.0f;
}

// Base pace in miles per hour of a unit on foot by speed class (2..4) and
// pace kind.
float FootPace(SpeedClass cls, int32_t paceKind) {
    static const float kPace[4][3] = {
        {0.294f, 0.672f, 1.05f}, // crawl
        {2.1f, 3.2f, 3.2f},      // walk (and any kind outside 1..4)
        {0.001f, 0.001f, 4.7952f},
        {3.2f, 5.6f, 8.0f},
    };
    int32_t row = paceKind >= 1 && paceKind <= 4 ? paceKind - 1 : 1;
    int32_t col = cls < 2 ? 0 : (cls > 4 ? 2 : cls - 2);
    return kPace[row][col];
}

float PushedPace(int32_t mobility) {
    switch (mobility) {
    case 4:
        return 0.735f;
    case 5:
        return 0.63f;
    case 6:
        return 0.525f;
    case 7:
        return 0.42f;
    case 8:
        return 0.21f;
    default:
        return 0.84f;
    }
}

bool UsesPalmTrees() {
    return gBattle && (gBattle->mTheatre == 2 || gBattle->mTheatre == 3);
}

bool InSnow() {
    return gBattle &&
           (gBattle->mGroundCondition == kGroundSnow || gBattle->mGroundCondition == kGroundDeepSnow);
}

// Speed factor and ski factor of a terrain code for a unit on foot.
struct TerrainRule {
    float factor;
    float ski;
};

TerrainRule RuleOfTerrain(Terrain t, bool pushed, bool mayEnterBuildings) {
    switch (t) {
    case 0:
    case 4:
    case 18:
    case 45:
        return {1.0f, 2.0f};
    case 48:
        return {1.0f, 1.0f};
    case 1:
    case 46:
        return {0.7f, 1.0f};
    case 28:
    case 47:
        return {0.3f * 0.7f, 1.0f};
    case 49:
        return {0.3f, 1.0f};
    case 2:
    case 3:
    case 15:
    case 20:
        return {0.95f, 1.0f};
    case 29:
    case 30:
        return {0.3f * 0.95f, 1.0f};
    case 21:
        return {0.8f, 0.5f};
    case 31:
        return {0.3f * 0.8f, 0.5f};
    case 22:
        return {UsesPalmTrees() ? 0.8f : 0.95f, 0.8f};
    case 32:
        return {0.3f * (UsesPalmTrees() ? 0.8f : 0.95f), 0.8f};
    case 23:
        return {0.7f, 2.0f};
    case 33:
        return {0.3f * 0.7f, 2.0f};
    case 24:
        return {0.6f, 1.0f};
    case 34:
        return {0.3f * 0.6f, 1.0f};
    case 5:
    case 25:
        return {0.4f, 1.0f};
    case 35:
        return {0.3f * 0.4f, 1.0f};
    case 6:
    case 8:
        return {0.3f, 1.0f};
    case 7:
        return {0.25f, 1.0f};
    case 9:
    case 26:
        return {pushed ? 0.0f : 0.286f, 0.25f};
    case 10:
    case 11:
    case 12:
        return {pushed ? 0.0f : 0.035f, 1.0f};
    case 13:
    case 14:
    case 17:
        return {1.111f, 2.0f};
    case 27:
        return {0.3f, 2.0f};
    case 16:
    case 19:
    case 42:
    case 44:
        return {pushed ? 0.0f : 0.2f, 1.0f};
    case 36:
    case 37:
    case 54:
    case 62:
    case 63:
        return {0.0f, 1.0f};
    case 38:
        // Kept: a pushed gun is slowed like everyone else on this ground
        // rather than given a fixed speed.
        return {0.25f, 1.0f};
    case 39:
        return {pushed ? 0.0f : 0.1f, 1.0f};
    case 40:
        if (!mayEnterBuildings) return {0.0f, 2.0f};
        return {InSnow() ? 0.9f : 0.6f, 2.0f};
    case 41:
        return {pushed ? 0.0f : 0.025f, 1.0f};
    case 43:
        return {pushed ? 0.05f : 0.2f, 1.0f};
    case 50:
    case 51:
    case 52:
    case 53:
        return {mayEnterBuildings ? 0.5f : 0.0f, 1.0f};
    default:
        if (t >= 55 && t <= 61) return {1.111f, 2.0f};
        return {1.0f, 2.0f}; // codes above 63
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Fatigue

void Infantry::ApplyFatigue() {
    const int32_t before = mFatigueState;
    const int32_t c = gMovementSpeedChart[mMoveSpeed].mFatigueRate;
    // Half the morale experience, asked only where the pace's rate uses it
    // (not at rate 0).
    auto e = [this] { return static_cast<float>(GetEffectiveExperience(kLeadMorale)) * 0.5f; };
    float r;
    switch (c) {
    case -1:
        r = (e() + 10.0f) * -0.0012f;
        break;
    case 1:
        r = (10.0f - e()) * 0.00015f + 0.003f;
        break;
    case 2:
        r = (10.0f - e()) * 0.00075f + 0.015f;
        break;
    case 3:
        r = ((10.0f - e()) * 0.00075f + 0.015f) * 1.9f;
        break;
    default:
        r = 0.0005f;
        break;
    }
    if (c < 0) {
        if (gBattle) r *= gBattle->mGlobalMorale[GetAffiliation()] * 0.667f + 0.333f;
    } else if (c >= 1) {
        if (PlayedByComputer()) r *= 0.5f;
        const SpeedClass cls = GetSpeedClass();
        if (cls == kSpeedMedium)
            r *= 2.5f;
        else if (cls == kSpeedUnencumbered)
            r *= c >= 2 && (Record().mFlags & 1) ? 2.0f : 1.0f;
        else
            r *= 5.5f;
        const Map* map = BattleMapOrNull();
        if (map && mSliceCount % 40 == 0) {
            double h = mHeading * kDegToRad;
            float ahead = map->GetZCoord(mX + static_cast<float>(0.5 * std::cos(h)),
                                         mY + static_cast<float>(0.5 * std::sin(h)));
            float slope = (ahead - GetZ()) / 0.5f;
            if (slope > 0.0f) r *= slope * 6.0f * 40.0f + 1.0f;
        }
    }
    if (r != 0.0f) {
        const float f = FitnessFactor(mFitness);
        r = r < 0.0f ? r * (f + 1.0f) * 0.5f : r / f;
        if (gBattle && r > 0.0f) {
            const int32_t ground = gBattle->mGroundCondition;
            const bool snowy = (ground == kGroundSnow || ground == kGroundDeepSnow) && !mOnSkis;
            if ((snowy || ground == kGroundMorass) && IsSoftTerrain(GetOccupiedTerrain()))
                r *= ground == kGroundDeepSnow ? 3.5f : 2.0f;
        }
        if (gBattle && r < 0.0f) {
            if (gBattle->mTemperature == 1) r *= 0.85f;
            if (gBattle->mTemperature == 0) r *= 0.6f;
        }
        if (r < 0.0f && r > kSlowestRecovery) r = kSlowestRecovery;
        mFatigue += r;
        if (mFatigue > kMaxFatigue) mFatigue = kMaxFatigue;
    }
    if (mFatigue < 0.0f) mFatigue = 0.0f;
    mFatigueState = FatigueStateOf(mFatigue);
    if (mFatigueState != before) gPacket = true;
}

// ---------------------------------------------------------------------------
// Figure drift in playback

void Infantry::ProcessTimeSlice(int32_t cappedSlice, int32_t slice, int32_t elapsed) {
    Unit::ProcessTimeSlice(cappedSlice, slice, elapsed);
    if (mPlaybackSpeed == 0.0f) return;
    // A unit backing off drifts as fast as one going forward.
    float maxStep =
        static_cast<float>(elapsed) * 0.0045f * 40.0f * std::fabs(mPlaybackSpeed) * 2.236f * 0.125f;
    if (maxStep > kMaxDriftStep) maxStep = kMaxDriftStep;
    const float k = static_cast<float>(elapsed) * 0.1f;
    for (int32_t g = 0; g < kInfantryFigures; ++g) {
        for (int32_t axis = 0; axis < 2; ++axis) {
            float u = static_cast<float>(RandomFraction());
            float rate =
                mJitterB[g][axis] + ((2.0f * u - 1.0f) - mJitterA[g][axis] * 1.6666667f) * k * 0.0045f;
            if (rate > kMaxDrift) rate = kMaxDrift;
            if (rate < -kMaxDrift) rate = -kMaxDrift;
            mJitterB[g][axis] = rate;
        }
        float sx = static_cast<float>(elapsed) * mJitterB[g][0];
        float sy = static_cast<float>(elapsed) * mJitterB[g][1];
        float len = std::sqrt(sx * sx + sy * sy);
        if (len > maxStep && len > 0.0f) {
            sx *= maxStep / len;
            sy *= maxStep / len;
        }
        float step[2] = {sx, sy};
        for (int32_t axis = 0; axis < 2; ++axis) {
            float v = mJitterA[g][axis] + step[axis];
            mJitterA[g][axis] = v > kMaxOffset ? kMaxOffset : (v < -kMaxOffset ? -kMaxOffset : v);
        }
    }
}

// ---------------------------------------------------------------------------
// Speed

bool Infantry::CanMovePhysically() {
    if (gBattle && gBattle->mSetupPhase && (!gCampaign || gCampaign->mTurn < 2)) return true;
    if (mImmobile) return false;
    return Record().mMobility < 9 || mTransport != nullptr;
}

SpeedClass Infantry::GetSpeedClass() {
    if (!CanMovePhysically()) return kSpeedCannotMove;
    if (mSurrendered || mExiting) return kSpeedUnencumbered;
    return Record().mSpeedClass;
}

float Infantry::MoveSpeed(float* outZ) {
    if (outZ) *outZ = mZ;
    const InfantryData& r = Record();
    const MovementSpeedChart& pace = gMovementSpeedChart[mMoveSpeed];
    const SpeedClass cls = GetSpeedClass();
    float mph;
    if (cls == kSpeedCannotMove) {
        mph = 0.001f;
    } else if (cls == kSpeedPushedGun) {
        if (r.mMobility >= 9) {
            mph = 0.001f;
        } else {
            mph = PushedPace(r.mMobility);
            if (pace.mPaceKind <= 1) mph *= 0.2f;
            const int32_t start = GetOriginalNrMen();
            if (mCasualties > 0 && start > 0)
                mph *= static_cast<float>(r.mNrMen - mCasualties) / static_cast<float>(start);
        }
    } else {
        mph = FootPace(cls, pace.mPaceKind);
    }
    if (mFatigueState >= pace.mFatigueLimit) mph *= 0.5f;
    float s = mph * kMphToMetresPerSlice * kSecondsPerSlice;

    const Map* map = BattleMapOrNull();
    const double h = mHeading * kDegToRad;
    gMoveX = mX;
    gMoveY = mY;
    if (mLookAhead) {
        gMoveX = mX + static_cast<float>(2.0 * s * std::cos(h));
        gMoveY = mY + static_cast<float>(2.0 * s * std::sin(h));
    }
    const Terrain t0 = map ? map->GetTerrain(gMoveX, gMoveY, true) : kTerrainOpen;
    const Terrain t = mLookAhead ? ModifyTerrainForBridge(t0) : t0;
    const TerrainRule rule = RuleOfTerrain(t, r.mSpeedClass == kSpeedPushedGun, AllowedInsideBuilding());
    s *= rule.factor;
    if (s > 0.0f && mLookAhead) s = ModifySpeedForBridge(s, t0, outZ);

    if (map) {
        if (map->GetFireState(mX, mY) <= 4 && map->GetFireState(gMoveX, gMoveY) > 4) return 0.0f;
    }
    const int32_t ground = gBattle ? gBattle->mGroundCondition : 0;
    if (ground == kGroundMorass) {
        if (IsSoftTerrain(t0)) s *= 0.5f;
    } else if (ground == kGroundSnow || ground == kGroundDeepSnow) {
        const bool deep = ground == kGroundDeepSnow;
        if (!IsSoftTerrain(t0)) {
            if (mOnSkis) s *= 0.5f;
        } else if (!mOnSkis) {
            s *= deep ? 0.25f : 0.5f;
        } else {
            s *= deep ? rule.ski * 0.4f : rule.ski * 0.5f + 0.2f;
            if (mLookAhead && map) {
                float d = map->GetZCoord(mX + static_cast<float>(2.0 * std::cos(h)),
                                         mY + static_cast<float>(2.0 * std::sin(h))) -
                          map->GetZCoord(mX, mY);
                if (d > 0.0f) {
                    if (d > 0.7f) d = 0.7f;
                    s *= 1.0f - 1.143f * d;
                } else if (d < 0.0f) {
                    if (d < -2.0f) d = -2.0f;
                    s *= 1.0f - d;
                }
            }
        }
    }
    if (gCheckMinesAhead && s != 0.0f && gBattle) {
        const float reach = 1.5f * s * 40.0f;
        const float mx = mX + static_cast<float>(reach * std::cos(h));
        const float my = mY + static_cast<float>(reach * std::sin(h));
        // A found field ahead halts the squad this slice; the leading
        // waypoints inside found fields go, the rest of the move stays.
        if (gBattle->InNewMineField(mx, my, false)) {
            s = 0.0f;
            while (mNrWaypoints > 0 && gBattle->InNewMineField(mWaypoints[0].mX, mWaypoints[0].mY, false)) {
                for (int32_t i = 1; i < mNrWaypoints; ++i) {
                    mWaypoints[i - 1] = mWaypoints[i];
                    mOrderPoints[i - 1] = mOrderPoints[i];
                }
                --mNrWaypoints;
            }
        }
    }
    return s;
}
