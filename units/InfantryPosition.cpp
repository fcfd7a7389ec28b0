// Where a squad stands and how it turns: its height (one building floor is
// 6 m), the stacking limits that keep squads from piling onto one spot,
// its turning rate, its preparation before each action phase, stopping,
// the reach of its anti-tank weapons, refit and resupply between battles,
// and its part of the unit packet.
//
// Infantry packet bytes (the common part carries the 5-bit pace):
//   infantry state   grenades
//   teams 0..3       men of each team
//   pack A           bits 6-7 jerk, bits 3-5 anti-tank shots, bits 0-2 explosives
//   pack B           bits 4-6 fatigue state, 0x08 surrendered, 0x04 exiting,
//                    0x02 vulnerable, 0x01 on skis

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Campaign.h"
#include "engine/GOLTA.h"
#include "units/FireShared.h"
#include "units/InfantryConduct.h"

using namespace infantry;

namespace {

constexpr float kFloorHeight = 6.0f;
constexpr int32_t kOrderSneak = 30; // a hidden or hard-pressed squad keeps low
constexpr int32_t kOrderMove = 20;

bool SetupOfFirstBattle() {
    return gBattle && gBattle->mSetupPhase && (!gCampaign || gCampaign->mTurn <= 1);
}

int32_t SupplyLevel(const Unit& u) {
    return gCampaign ? gCampaign->mSupplyLevel[u.mSide ? 1 : 0] : 0;
}

// The nearest spot within 24 m, turning out from the unit's heading, that
// lies farther than minDistance from other, is occupiable (or of terrain
// t when t >= 0) and where the unit would not crowd anyone but other.
bool FindFreeSpot(Infantry* u, Infantry* other, Terrain t, float minDistance, float* outX, float* outY) {
    static const float kTurns[8] = {0.0f, 45.0f, -45.0f, 90.0f, -90.0f, 135.0f, -135.0f, 180.0f};
    Map* map = BattleMapOrNull();
    const float ox = other ? other->mX : 0.0f, oy = other ? other->mY : 0.0f;
    for (int32_t r = 1; r <= 24; ++r) {
        for (float turn : kTurns) {
            const float h = (u->mHeading + turn) * kDegToRad;
            const float x = u->mX + static_cast<float>(r) * std::cos(h);
            const float y = u->mY + static_cast<float>(r) * std::sin(h);
            if (other) {
                const float dx = x - ox, dy = y - oy;
                if (std::sqrt(dx * dx + dy * dy) <= minDistance) continue;
            }
            if (t < 0) {
                if (!u->CanOccupyLocation(x, y, true)) continue;
            } else if (!map || map->GetTerrain(x, y, true) != t) {
                continue;
            }
            if (other) {
                other->mX = -100000.0f; // out of the test for a moment
                other->mY = -100000.0f;
            }
            const bool crowded = u->ViolatesStackingLimits(x, y, u->mZ, nullptr);
            if (other) {
                other->mX = ox;
                other->mY = oy;
            }
            if (crowded) continue;
            *outX = x;
            *outY = y;
            return true;
        }
    }
    return false;
}

} // namespace

float Infantry::GetZ() {
    if (mZ >= -0.5f) return GroundUnderUnit() + kFloorHeight * mZ;
    return Unit::GetZ();
}

void Infantry::RespondToFloorChoice(bool up) {
    if (!up) return;
    if (gBattle && gBattle->mSetupPhase) {
        mZ = 1.0f;
    } else if (mNrWaypoints > 0) {
        Waypoint& w = mWaypoints[mNrWaypoints - 1];
        w.mZ += kFloorHeight;
        w.mOnBuildingLevel = 1;
    }
}

float Infantry::StackingRadius() {
    float r = 4.0f;
    if (Record().mIsSquad) {
        const int32_t men = MenLeft(this);
        r = men < 8 ? 8.0f * 0.125f * static_cast<float>(men) : 8.0f;
    }
    if (!InBuildingTerrain(GetOccupiedTerrain())) r *= 0.6667f;
    return r;
}

bool Infantry::ViolatesStackingLimits(float x, float y, float floor, Infantry** other) {
    if (!mActive || HasMovementOrders() || mTransport || mEmbarkTarget) return false;
    if (!SetupOfFirstBattle() && (mImmobile || Record().mMobility >= 9)) return false;
    GList* units = AllUnits();
    if (!units && gCampaign) units = gCampaign->mUnits;
    const float mine = StackingRadius();
    Infantry* best = nullptr;
    float bestD = 0.0f;
    for (int32_t i = 0; i < UnitCount(units); ++i) {
        Unit* u = UnitAt(units, i);
        // Kind, side and place first: they lie together at the head of the
        // unit, and most units fail there.
        if (u == this || u->mUnitType != kUnitInfantry || u->mSide != mSide) continue;
        const float dx = u->mX - x, dy = u->mY - y;
        if (std::fabs(dx) > 8.0f || std::fabs(dy) > 8.0f) continue;
        if (!u->mActive || u->mTransport || u->mEmbarkTarget || u->HasMovementOrders() || u->mZ != floor)
            continue;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d >= 8.0f) continue;
        auto* inf = static_cast<Infantry*>(u);
        if (d >= mine && d >= inf->StackingRadius()) continue;
        if (!best || d < bestD) {
            best = inf;
            bestD = d;
        }
    }
    if (other) *other = best;
    return best != nullptr;
}

bool Infantry::AbideByStackingLimits(bool mayPush, Infantry* other) {
    if (!other) return false;
    const float m = std::fmax(StackingRadius(), other->StackingRadius());
    const Terrain t = GetOccupiedTerrain();
    float x = 0.0f, y = 0.0f;
    bool found = FindFreeSpot(this, other, t, m, &x, &y);
    if (!found) {
        if (mayPush) {
            if (StackingPriority() <= other->StackingPriority() && other->AbideByStackingLimits(false, this))
                return true;
            found = FindFreeSpot(this, other, -1, m, &x, &y);
        } else {
            const float dx = other->mX - mX, dy = other->mY - mY;
            found = FindFreeSpot(this, other, t, std::sqrt(dx * dx + dy * dy) + 1.0f, &x, &y);
        }
    }
    if (!found) return false;
    if (HasMovementOrders()) CancelMovementOrders();
    const int32_t order =
        (mHiding && GetSpeedClass() == kSpeedUnencumbered) || mSuppression >= 50.0f ? kOrderSneak : kOrderMove;
    ReceiveMoveOrders(x, y, order, nullptr, true, false, false, false);
    Map* map = BattleMapOrNull();
    if (mZ == 1.0f && map && mNrWaypoints > 0) {
        const Terrain there = map->GetTerrain(x, y, false);
        if (there >= kTerrainUpperLight && there <= kTerrainUpperHeavyClosed)
            mWaypoints[0].mOnBuildingLevel = 1;
    }
    return true;
}

int32_t Infantry::StackingPriority() {
    const float tem = GetGenericTEM(mX, mY, false, false);
    const int32_t base =
        static_cast<int32_t>(tem * 49.0f + static_cast<float>((50 - Record().mMobility) * 100));
    return static_cast<int32_t>(static_cast<float>(base) + mSuppression * 0.05f);
}

float Infantry::RotationSpeed() {
    const int32_t band = BandOf(mSuppression);
    float rate = 0.0f;
    bool byDefault = false;
    if (HasMovementOrders()) {
        if (HasOrdnance(false, false))
            rate = 10.0f;
        else if (mMoveSpeed == kPaceFast)
            rate = band >= 5 ? 80.0f : 60.0f;
        else
            rate = band >= 5 ? 140.0f : 120.0f;
    } else if (HasOrdnance(true, false)) {
        const WeaponType w = Record().mHeavyWeapon;
        const WeaponClass c = gWeaponData[w].mClass;
        const int32_t carriage = w == kWeaponNone ? 0 : gWeaponData[w].mCarriage;
        const float m = static_cast<float>(Record().mMobility);
        if (c == kWClassMortar) {
            rate = 10.0f;
        } else if (c == kWClassGun || c == kWClassTwinGun) {
            if (carriage == 2) {
                rate = 0.333f * m * m - 8.33f * m + 58.0f;
            } else {
                switch (Record().mMobility) {
                case 2:
                case 3:
                    rate = 10.0f;
                    break;
                case 4:
                    rate = 9.0f;
                    break;
                case 5:
                    rate = 4.0f;
                    break;
                case 6:
                case 7:
                    rate = 2.5f;
                    break;
                case 8:
                    rate = 1.5f;
                    break;
                case 9:
                    rate = 0.7f;
                    break;
                default:
                    rate = 0.5f;
                    break;
                }
                if (carriage != 0) rate *= 3.0f;
            }
        } else {
            byDefault = true;
        }
    } else {
        byDefault = true;
    }
    if (byDefault) {
        const SpeedClass s = Record().mSpeedClass;
        if (band >= 5)
            rate = 60.0f;
        else
            rate = s <= 2 ? 15.0f : (s == 3 ? 30.0f : 40.0f);
    }
    if (mCasualties > 0 && GetSpeedClass() == kSpeedPushedGun && GetOriginalNrMen() > 0)
        rate *= static_cast<float>(MenLeft(this)) / static_cast<float>(GetOriginalNrMen());
    return rate * 0.025f;
}

void Infantry::PrepareForAction() {
    if (mActive) {
        if (mNrWaypoints == 1 && mWaypoints[0].mOrder == 6) {
            // A long approach at pace 6 ends with its last stretch at pace 8.
            Waypoint dest = mWaypoints[0];
            const float dx = dest.mX - mX, dy = dest.mY - mY;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float at = d >= 90.0f ? d - 80.0f : 10.0f;
            const float f = d > 0.0f ? at / d : 0.0f;
            Waypoint& a = mWaypoints[0];
            a.mX = mX + dx * f;
            a.mY = mY + dy * f;
            a.mZ = GroundAt(a.mX, a.mY);
            a.mKind = kWaypointPlanned;
            a.mOnBuildingLevel = mZ == 1.0f && dest.mOnBuildingLevel ? 1 : 0;
            a.mHide = 0;
            dest.mOrder = 8;
            dest.mKind = kWaypointPlannedEnd;
            mWaypoints[1] = dest;
            mNrWaypoints = 2;
        }
        if (mNrWaypoints > 0 && mWaypoints[mNrWaypoints - 1].mOrder == 9) {
            if (mSuppression < 72.0f) mSuppression = 72.0f;
            const uint32_t draw = RandomPair() % 11u;
            if (static_cast<uint32_t>(GetEffectiveExperience(kLeadMorale)) < draw)
                mSuppression = static_cast<float>(360u + RandomPair() % 90u);
        }
        if (mOffMapState == 3) --mSewerTime;
        mSecondaryFireTime = static_cast<float>(1.0 + 6.0 * RandomFraction());
        if (IsForwardObserver()) {
            Map* map = BattleMapOrNull();
            if (!mAreaTarget ||
                (map && map->NearBoreSight(mAreaTargetX, mAreaTargetY, GetAffiliation() == kAllies))) {
                mFOErrorX = 0.0f;
                mFOErrorY = 0.0f;
            }
        }
    }
    Unit::PrepareForAction();
}

void Infantry::Stop(bool alsoTurning) {
    Unit::Stop(alsoTurning);
    if (mZ > 0.0f && mZ < 1.0f) {
        mZ = mZ > 0.5f ? 1.0f : 0.0f;
        gPacket = true;
    }
}

bool Infantry::CanHitVehicleAt(float x, float y, DataKnowledge k) {
    if (!CanSeeLocation(x, y) || !OnTheMap(x, y)) return false;
    const float d = DistanceToLocation(x, y);
    if (Record().mIsSquad) {
        if (d <= 50.0f) return true;
        return mAntitankShots > 0 && d <= gWeaponData[mAntitankWeapon].mMaxRange;
    }
    const InfantryData* seen = GetInfantryDataRecord(k);
    const WeaponType w = seen ? seen->mHeavyWeapon : kWeaponNone;
    return w != kWeaponNone && d <= gWeaponData[w].mMaxRange;
}

void Infantry::Refit() {
    Unit::Refit();
    mFOErrorX = 0.0f;
    mFOErrorY = 0.0f;
    mFOTargetX = mFOTargetY = mFOAimTime = mFOLastErrorX = mFOLastErrorY = kFOUnset;
    mSavedMissionLive = false;
    mVulnerable = false;
    mFiringAnimTime = 0.0f;
    mTookCasualties = false;
    mMoveSpeed = kPaceStand;
    if (MenLeft(this) > 1) mImmobile = false;
    mFatigue = 0.0f;
    ApplyFatigue();
    gPacket = false;
}

void Infantry::Resupply() {
    Unit::Resupply();
    static const float kGrenadeShare[6] = {0.95f, 0.8f, 0.65f, 0.45f, 0.2f, 0.05f};
    static const float kGainChance[6] = {0.95f, 0.75f, 0.5f, 0.3f, 0.1f, 0.02f};
    const int32_t level = SupplyLevel(*this);
    const bool known = level >= 0 && level <= 5;
    const float share = known ? kGrenadeShare[level] : 0.95f;
    const float chance = known ? kGainChance[level] : 0.95f;

    const int32_t n = NrGrenades();
    if (n > 0) {
        const bool even = (RandomPair() & 1u) == 0;
        const double r = RandomFraction();
        const double f = even ? 0.5 + 0.5 * r : 1.0 + r;
        const int32_t g = static_cast<int32_t>(static_cast<double>(n) * f * share);
        if (g > mGrenades) mGrenades = static_cast<int8_t>(g > 127 ? 127 : g);
    }
    const int8_t oldShots = mAntitankShots;
    AssignAntitankWeapons();
    if (mAntitankShots > oldShots) {
        mAntitankShots = oldShots;
        if (RandomFraction() < chance && mAntitankShots < 4) ++mAntitankShots;
    } else {
        mAntitankShots = oldShots;
    }
    if (ShouldHaveExplosives() && RandomFraction() < chance && mExplosives < 3) ++mExplosives;
}

int32_t Infantry::MaxAllowedAmmo(int32_t* base) {
    const int32_t b = Record().mMaxAmmo;
    if (base) *base = b;
    if (IsForwardObserver()) return b * 4;
    if (HasOrdnance(false, false)) return b * 2;
    return static_cast<int32_t>(static_cast<float>(b) * 1.5f);
}

ActionPacket* Infantry::FillPacket() {
    ActionPacket* p = Unit::FillPacket();
    if (!p) return nullptr;
    int32_t jerk = 0;
    if (mTookCasualties) {
        int32_t n = GetNrFigures();
        if (n < 2) n = 1;
        jerk = static_cast<int32_t>((1u + RandomPair() % static_cast<uint32_t>(n)) & 3u);
        mTookCasualties = false;
    }
    p->mInfantryState = static_cast<uint8_t>(mGrenades);
    for (int32_t t = 0; t < kInfantryTeams; ++t)
        p->mTeams[t] = static_cast<uint8_t>(mTeamMen[t]);
    p->mInfantryPackA = static_cast<uint8_t>((jerk << 6) | ((mAntitankShots & 7) << 3) | (mExplosives & 7));
    p->mInfantryPackB =
        static_cast<uint8_t>(((mFatigueState & 7) << 4) | (mSurrendered ? 0x08 : 0) | (mExiting ? 0x04 : 0) |
                             (mVulnerable ? 0x02 : 0) | (mOnSkis ? 0x01 : 0));
    // The infantry's pace replaces the first waypoint's in the common part.
    p->mMovementCode = static_cast<uint8_t>(mMoveSpeed & 0x1F);
    return p;
}

void Infantry::ProcessActionPacket(ActionPacket* p) {
    if (!p) return;
    mGrenades = static_cast<int8_t>(p->mInfantryState);
    for (int32_t t = 0; t < kInfantryTeams; ++t)
        mTeamMen[t] = static_cast<int8_t>(p->mTeams[t]);
    const int32_t jerk = (p->mInfantryPackA >> 6) & 3;
    mAntitankShots = static_cast<int8_t>((p->mInfantryPackA >> 3) & 7);
    mExplosives = static_cast<int8_t>(p->mInfantryPackA & 7);
    mFatigueState = (p->mInfantryPackB >> 4) & 7;
    mSurrendered = (p->mInfantryPackB & 0x08) != 0;
    mExiting = (p->mInfantryPackB & 0x04) != 0;
    mVulnerable = (p->mInfantryPackB & 0x02) != 0;
    mOnSkis = (p->mInfantryPackB & 0x01) != 0;
    mMoveSpeed = static_cast<MovementSpeedType>(p->mMovementCode & 0x1F);
    if (jerk != 0) ProcessJerk(jerk - 1);
    Unit::ProcessActionPacket(p);
}
