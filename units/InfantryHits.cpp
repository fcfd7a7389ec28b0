// An infantry unit taking a blow: losses, suppression by cover, exposure,
// pace and experience, a knocked-out heavy weapon and the first reaction;
// and the terrain effect modifier, how exposed the unit is to a blow or a
// look from a point (lower is better protected).

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "map/BuildingWallCrater.h"
#include "units/Functions.h"
#include "units/InfantryConduct.h"

using namespace infantry;

namespace {

constexpr WeaponType kHeavyExposure = 252; // takes blows at 1.5 times their power
constexpr float kCasualtyPerPower = 0.000909090909f;

// Suppression of an area blow by effective experience: S grows with
// 1 + A r^B for a uniform draw r.
struct ExperienceRow {
    float a;
    float b;
};
constexpr ExperienceRow kExperienceRows[9] = {{28.0f, 2.0f}, {24.0f, 2.9f}, {20.0f, 4.0f},
                                              {16.0f, 6.0f}, {11.0f, 8.0f}, {8.2f, 10.0f},
                                              {7.7f, 11.0f}, {7.2f, 12.0f}, {6.7f, 13.0f}};

// Protection of each terrain code; foxholes are codes 5 to 8.
constexpr float kTerrainEffect[kTerrainCount] = {
    0.75f, 0.75f, 0.5f,  0.5f,  0.75f, 0.44f, 0.24f, 0.15f, 0.09f, 0.7f,  // 0-9
    1.0f,  0.76f, 0.76f, 0.9f,  1.0f,  1.0f,  0.95f, 0.7f,  0.0f,  0.65f, // 10-19
    0.33f, 0.18f, 0.18f, 0.6f,  0.53f, 0.28f, 0.24f, 0.75f, 0.75f, 0.5f,  // 20-29
    0.33f, 0.18f, 0.18f, 0.6f,  0.53f, 0.28f, 1.0f,  1.0f,  1.0f,  1.0f,  // 30-39
    1.0f,  0.75f, 0.95f, 0.75f, 0.75f, 0.95f, 0.65f, 0.65f, 0.75f, 0.75f, // 40-49
    0.18f, 0.12f, 0.2f,  0.12f, 1.0f,  1.0f,  1.0f,  1.0f,  1.0f,  1.0f,  // 50-59
    1.0f,  1.0f,  1.0f,  1.0f};

// Exposure by the movement class of the pace row.
constexpr float kMovementClassFactor[6] = {0.8f, 1.0f, 1.4f, 2.3f, 5.5f, 6.5f};

// Set by the spotting pass for the next GetTEMFromLocation call only: the
// visible fraction is then read from *exposure instead of traced anew.
thread_local bool sReuseExposure = false; // per thread: spotting runs on several

bool ActuallyMoving(const Unit& u) {
    return u.mPlaybackSpeed != 0.0f || (u.mZ > 0.0f && u.mZ < 1.0f) || u.mTurnRate != 0.0f;
}

bool DirectionalClass(WeaponClass c) {
    return c == kWClassSmallArms || c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun ||
           c == kWClassSniper || c == kWClassAT;
}

} // namespace

namespace infantry {
void ReuseExposureOnce() {
    sReuseExposure = true;
}
} // namespace infantry

void Infantry::TakeAreaHit(float power, int32_t extra, PendingAttack* attack) {
    float p = power;
    if (Record().mHeavyWeapon == kHeavyExposure) p *= 1.5f;
    const WeaponClass cls = attack ? attack->mWeaponClass : kWClassIndirect;

    float chance = 0.0f;
    int32_t losses = 0;
    if (MenLeft(this) > 0) {
        chance = p * kCasualtyPerPower;
        const int32_t before = mCasualties;
        ReceiveCasualties(MenLeft(this) + 1 + extra, chance, false, cls == kWClassSniper,
                          cls == kWClassFlame);
        losses = mCasualties - before;
    }
    if (!mActive) {
        OrdnanceDamage(p, attack);
        mPacketDirty = true;
        return;
    }
    if (cls == kWClassIndirect) {
        if (ActionPacket* packet =
                AddSoundEffectVoice(kVoiceIncoming, static_cast<int32_t>(chance * 150.0f), 0.0f, 1.0f)) {
            int32_t slice = packet->mTimeSlice - 60;
            packet->mTimeSlice = static_cast<int16_t>(slice < 1 ? 1 : slice);
        }
    }

    const int32_t e = GetEffectiveExperience(kLeadMorale);
    const ExperienceRow& row = kExperienceRows[e >= 0 && e <= 8 ? e : 2];
    const double r = RandomFraction();
    float s = static_cast<float>(1.3 * std::pow(static_cast<double>(p), 0.7) *
                                 (1.0 + row.a * std::pow(r, static_cast<double>(row.b))));
    if (HasMovementOrders() && ActuallyMoving(*this))
        s *= gMovementSpeedChart[mWaypoints[0].mOrder].mSuppressionFactor;
    if (cls == kWClassFlame) {
        s = s * 1.85f + 50.0f;
    } else if (cls == kWClassSniper) {
        s *= 2.0f;
    } else if (cls == kWClassSmallArms && attack) {
        s *= CrossfireSuppression(AngleOff(mHeading, Bearing(mX, mY, attack->mOriginX, attack->mOriginY)));
    }
    const MGPenetration mg = attack ? attack->mMGPenetration : 0;
    if (mg == 1)
        s *= 1.05f;
    else if (mg == 2 || mg == 3)
        s *= 1.1f;
    if (losses > 0)
        s += static_cast<float>(2 * losses * (9 - e));
    else
        s *= 0.85f;
    if ((mAbandonedVehicle || IsSniper()) && InGoodOrder())
        s *= 2.0f;
    else if (mSibling)
        s *= 1.33f;
    if (mVulnerable && InGoodOrder()) s *= 2.0f;
    s *= 2.0f;
    SetSuppression(mSuppression + s, cls == kWClassFlame);

    OrdnanceDamage(p, attack);
    if (!mActive) {
        mPacketDirty = true;
        return;
    }
    BeAlertedByFire();
    AddSoundEffectVoice(kVoiceTakingFire, static_cast<int32_t>(static_cast<float>(MenLeft(this)) * s * 0.03f),
                        0.0f, 3.0f);
    if (mTransport) {
        mPacketDirty = true; // riders neither panic nor turn
        return;
    }
    const float ox = attack ? attack->mOriginX : mX;
    const float oy = attack ? attack->mOriginY : mY;
    MaybePanic(cls == kWClassFlame && p > 50.0f, DirectionalClass(cls), ox, oy, false);

    const bool noRealOrders = mNrWaypoints == 0 || (mNrWaypoints == 1 && LastWaypointIsRotation());
    const bool shown = attack && attack->mPacket && (attack->mPacket->mShellFlags & 0x04) != 0;
    if (cls == kWClassSmallArms && noRealOrders && !mTarget && !mAreaTarget && Record().mMobility <= 3 &&
        shown && AngleOff(mHeading, Bearing(mX, mY, ox, oy)) >= 60.0f) {
        Waypoint& w = mWaypoints[0];
        w.mX = ox;
        w.mY = oy;
        w.mZ = GroundAt(ox, oy);
        w.mOrder = kPaceTurn;
        w.mKind = kWaypointLegEnd;
        w.mOnBuildingLevel = mZ > 0.5f ? 1 : 0;
        w.mHide = mHiding ? 1 : 0;
        mNrWaypoints = 1;
    }
    mPacketDirty = true;
}

void Infantry::TakeMineHit(bool reduced) {
    ReceiveCasualties(1, 1.0f, false, false, false);
    if (mActive) {
        float f = 1.0f - 0.1f * static_cast<float>(GetEffectiveExperience(kLeadMorale));
        if (reduced) f *= 0.33f;
        const double r = RandomFraction();
        SetSuppression(mSuppression + static_cast<float>(100.0 * r + 40.0) * f, false);
    }
    if (!mTransport) {
        MaybePanic(false, false, 0.0f, 0.0f, true);
        if (HasMovementOrders() && InGoodOrder() && CanDoOrder(30)) {
            // The next 20 m of the path are taken at a run.
            float left = 20.0f;
            float fx = mX, fy = mY;
            for (int32_t i = 0; i < mNrWaypoints; ++i) {
                Waypoint& w = mWaypoints[i];
                if (w.mOrder == kPaceSewer || w.mOrder == 16 || w.mOrder == kPaceTurn) break;
                const float dx = w.mX - fx, dy = w.mY - fy;
                const float leg = std::sqrt(dx * dx + dy * dy);
                if (leg < left) {
                    w.mOrder = kPaceFast;
                    left -= leg;
                    fx = w.mX;
                    fy = w.mY;
                    continue;
                }
                if (leg > left && mNrWaypoints < kMaxWaypoints) {
                    for (int32_t j = mNrWaypoints; j > i; --j)
                        mWaypoints[j] = mWaypoints[j - 1];
                    ++mNrWaypoints;
                    Waypoint& split = mWaypoints[i];
                    split.mX = fx + dx * (left / leg);
                    split.mY = fy + dy * (left / leg);
                    split.mZ = GroundAt(split.mX, split.mY);
                }
                mWaypoints[i].mOrder = kPaceFast;
                break;
            }
        }
    }
    mPacketDirty = true;
}

void Infantry::OrdnanceDamage(float power, PendingAttack* attack) {
    const WeaponClass cls = attack ? attack->mWeaponClass : kWClassIndirect;
    if ((cls == kWClassSmallArms || cls == kWClassSniper) && !(attack && attack->mHeavyMG)) return;
    if (!HasOrdnance(true, false)) return;
    const bool ordnance = HasOrdnance(false, false);
    float p = power;
    if (cls == kWClassLightAT && ordnance)
        p *= 4.0f;
    else if (cls == kWClassTwinGun && ordnance)
        p *= 2.0f;
    else if (cls == kWClassSmallArms)
        p *= 0.5f;
    const double r = RandomFraction();
    if (!(p * 0.005 > r)) return;
    if (gCreditKiller) {
        auto count = [ordnance](KillRecord& k) {
            if (ordnance)
                ++k.mGuns;
            else
                ++k.mMortars;
        };
        count(gCreditKiller->mKillRecords[1]);
        if (mContactLevel >= 3) count(gCreditKiller->mKillRecords[0]);
    }
    mGunKnockedOut = true;
    BailOut(false, false);
}

bool Infantry::CanBeDamaged() {
    return Unit::CanBeDamaged() || (HasOrdnance(true, false) && !mGunKnockedOut);
}

void Infantry::BeAlertedByFire() {
    if (mSuppression > 5.0f && mSuppression < 20.0f) {
        SetSuppression(20.0f, false);
        mPacketDirty = true;
    }
}

float Infantry::GetTEMFromLocation(float x, float y, float z, bool moving, bool fromAbove, bool halfFoxhole,
                                   WeaponClass wclass, bool rawExposure, float* exposure) {
    const bool reuse = sReuseExposure;
    sReuseExposure = false; // holds for this one call
    const float height = GetZ();

    float v = 0.0f;
    // The sight line traced below asks the walls of the same segment with the
    // same reach (none, as the end cover counts), so a line it finds seen
    // passes below no wall's top: the wall question is asked only of an
    // exposure given by the caller.
    bool wallsClear = false;
    if (reuse && exposure) {
        v = *exposure;
    } else {
        Map* map = BattleMapOrNull();
        float seen = 1.0f;
        bool answered = map && map->CheckLOS(false, true, true, x, y, z + (fromAbove ? 10.0f : 0.0f), mX, mY,
                                             height, &seen, nullptr, nullptr, nullptr, nullptr);
        v = answered ? seen : 0.0f;
        if (!map) v = 1.0f; // without a map nothing stands between
        if (exposure) *exposure = v;
        if (!(v > 0.0f)) return 0.0f;
        wallsClear = true;
    }
    if (mTransport) return fromAbove ? 1.5f : 1.0f;

    // Asked only here: most spotting lines end at the hill above, where the
    // unit's own ground does not matter.
    const Terrain t = GetOccupiedTerrain();
    float base = t >= 0 && t < kTerrainCount ? kTerrainEffect[t] : 1.0f;
    if (fromAbove) {
        if (t == kTerrainRubble)
            base = (2.0f * base + 1.0f) * 0.33333f;
        else if (!InBuildingTerrain(t))
            base = (base + 1.0f) * 0.5f;
        return 1.7f * base + 0.005f;
    }
    if (v < 0.3f) v = 0.3f;
    float xf = rawExposure ? v : (v - 0.3f) * 0.4f + 0.72f;

    if (wclass != kWClassSmallArms && wclass != kWClassSniper && t >= kTerrainFoxholeFirst &&
        t <= kTerrainTrench) {
        Map* map = BattleMapOrNull();
        const float dx = x - mX, dy = y - mY;
        Crater* hole = nullptr;
        if (dx * dx + dy * dy <= 9.0f && map && map->mFoxholes) hole = map->mFoxholes->FindCrater(x, y);
        if (hole && hole->mKind != 0)
            base = 1.0f; // the blow lands in the hole
        else if (halfFoxhole)
            base = (base + 1.0f) * 0.5f;
    }

    Map* map = BattleMapOrNull();
    const Terrain wall = map && !wallsClear ? map->GetBlockingWallType(x, y, z, mX, mY, height) : 0;
    const bool low = gMovementSpeedChart[mMoveSpeed].mLowProfile != 0;
    if (wall == kTerrainWall || wall == 42) {
        if (low && t != wall)
            base = 0.0f;
        else if (base > 0.3f)
            base = 0.3f;
    } else if (wall == kTerrainHighHedge) {
        base *= 0.9f;
        if (base > 0.3f) base = 0.3f;
    } else if (wall == 43 || wall == kTerrainHedge) {
        base *= 0.95f;
        if (base > 0.6f) base = 0.6f;
    }
    if (moving) {
        MovementSpeedType row = mMoveSpeed == kPaceHold && mLoadTime < 0.0f ? kPaceStand : mMoveSpeed;
        int32_t c = gMovementSpeedChart[row].mExposureClass;
        xf *= kMovementClassFactor[c < 0 ? 0 : (c > 5 ? 5 : c)];
    }
    return xf * base + 0.005f;
}
