// Fear: a pinned squad panics, routs toward its side's retreat edges along
// a searched way, or runs to the best cover within 60 m; it jumps away
// from a vehicle about to run it over, flees fire, surrenders to an enemy
// close by and may break free when friends come. A crew too slow to run
// leaves its gun.

#include <cmath>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "units/InfantryConduct.h"
#include "units/Vehicle.h"
#include "units/UnitGeometry.h"

using namespace infantry;

namespace {

// The surrender weighing of one FearReaction call: the balance of friends
// against enemies, the unit's steadiness and the enemy that would take it.
// Valid only within that call; not re-entrant.
float sSurrenderBalance = 0.0f;
float sSurrenderRange = 0.0f;
Unit* sCaptor = nullptr;

constexpr int32_t kOrderRout = 30; // far from the enemy: sneaking away
constexpr int32_t kOrderRoutNear = 31;
constexpr int32_t kOrderMove = 20;
constexpr float kCoverGrid = 5.0f;

bool IsFixed(Unit* u) {
    if (u->mUnitType == kUnitInanimate) return true;
    Vehicle* v = u->mUnitType == kUnitVehicle ? static_cast<Vehicle*>(u) : nullptr;
    return v && v->IsFixed();
}

bool UnderWay(const Unit& u) {
    return u.mPlaybackSpeed != 0.0f || (u.mZ > 0.0f && u.mZ < 1.0f);
}

bool OwnsEdge(const Unit& u, Direction edge) {
    return gBattle && edge >= 0 && edge < 4 && gBattle->mEdgeOwner[edge] == u.GetAffiliation();
}

// The men the unit counts as in the surrender weighing.
float SurrenderWeight(Unit* u, bool enemy) {
    if (u->mUnitType == kUnitInfantry) return static_cast<float>(MenLeft(u));
    const DataKnowledge k = enemy ? kKnowEnemy : kKnowTruth;
    if (u->HasHeavyWeapon(k)) return u->IsArmoredVehicle(k, false) ? 40.0f : 20.0f;
    return 5.0f;
}

// Works out sSurrenderBalance and sCaptor for the unit at band b.
void WeighSurrender(Infantry* self, int32_t band) {
    sCaptor = nullptr;
    sSurrenderBalance = static_cast<float>(MenLeft(self));
    float range = 0.5f * static_cast<float>(self->GetEffectiveExperience(kLeadMorale)) + 2.0f;
    if (self->mAbandonedVehicle) range *= 0.2f;
    if (band == 3)
        range *= 2.0f;
    else if (band == 4)
        range *= 1.66f;
    else if (band == 5)
        range *= 1.33f;
    const float morale = gBattle ? gBattle->mGlobalMorale[self->GetAffiliation()] : 1.0f;
    sSurrenderRange = range * morale * 1.25f;
    if (!(sSurrenderRange > 0.0f)) sSurrenderRange = 0.001f; // a broken side has no steadiness left

    GList* units = AllUnits();
    for (int32_t i = 0; i < UnitCount(units); ++i) {
        Unit* u = UnitAt(units, i);
        if (u == self || !u->mActive || IsFixed(u) || u->mUnitType == kUnitAirplane || u->mSurrendered)
            continue;
        const bool enemy = u->mSide != self->mSide;
        float w = SurrenderWeight(u, enemy);
        float d = Distance3D(self, u);
        if (!enemy) {
            if (d >= 100.0f) continue;
            w *= (100.0f - d) * 0.01f;
            if (!u->InGoodOrder()) w *= 0.5f;
            sSurrenderBalance += w;
            continue;
        }
        const bool targetsMe = u->mTarget == self;
        if (targetsMe || self->mSurrendered) d *= 0.33f;
        if (d >= 75.0f || !u->InGoodOrder() || !u->CanSee(self, nullptr)) continue;
        if (d > 5.0f) w *= (75.0f - d) / 70.0f;
        sSurrenderBalance -= w / sSurrenderRange;
        if (targetsMe && d <= 40.0f + 10.0f * static_cast<float>(RandomFraction()) &&
            (u->mUnitType == kUnitInfantry || !sCaptor))
            sCaptor = u;
    }
}

// A friend in good order within 30 m that sees the unit; only tested on one
// slice in six.
bool RescuerNear(Infantry* self) {
    GList* units = AllUnits();
    for (int32_t i = 0; i < UnitCount(units); ++i) {
        Unit* u = UnitAt(units, i);
        if (u == self || !u->mActive || u->mSide != self->mSide || u->mUnitType == kUnitAirplane ||
            IsFixed(u) || u->mSurrendered || !u->InGoodOrder())
            continue;
        if (Distance3D(self, u) <= 30.0f && u->CanSee(self, nullptr)) return true;
    }
    return false;
}

bool GuardNear(Infantry* self) {
    GList* units = AllUnits();
    for (int32_t i = 0; i < UnitCount(units); ++i) {
        Unit* u = UnitAt(units, i);
        if (!u->mActive || u->mSide == self->mSide || !u->InGoodOrder()) continue;
        const float d = Distance3D(self, u);
        if (d <= 30.0f || (d <= 60.0f && u->CanSee(self, nullptr))) return true;
    }
    return false;
}

void CountWeaponFor(Unit* killer, Infantry* crew) {
    if (!killer) return;
    const bool gun = crew->HasOrdnance(false, false);
    for (KillRecord& k : killer->mKillRecords) {
        if (gun)
            ++k.mGuns;
        else
            ++k.mMortars;
    }
}

} // namespace

namespace infantry {

bool EnemyBlocksWay(const Unit* self, float ax, float ay, float bx, float by, float r) {
    GList* units = AllUnits();
    const float toward = Bearing(ax, ay, bx, by);
    for (int32_t i = 0; i < UnitCount(units); ++i) {
        Unit* u = UnitAt(units, i);
        if (!u->mActive || u->mSide == self->mSide) continue;
        const float dx = u->mX - ax, dy = u->mY - ay;
        if (std::fabs(dx) > r || std::fabs(dy) > r || dx * dx + dy * dy > r * r) continue;
        if (AngleOff(Bearing(ax, ay, u->mX, u->mY), toward) <= 45.0f) return true;
    }
    return false;
}

bool MayMoveNow(Infantry* u) {
    return u->CanMovePhysically();
}

} // namespace infantry

void Infantry::MaybePanic(bool force, bool directional, float tx, float ty, bool noMove) {
    const int32_t b = force ? 6 : BandOf(mSuppression);
    if (b == 4 && ((mTarget && !OKForPinnedToFireAt(mTarget)) || mAreaTarget)) CancelTarget(false, false);
    if (b >= 5) {
        CancelTarget(false, false);
        const WeaponType heavy = Record().mHeavyWeapon;
        const bool observer = heavy != kWeaponNone && gWeaponData[heavy].mClass == kWClassIndirect;
        if (mLoadTime > 0.0f && HasFunctioningWeapon() && !observer) {
            const float full = FullLoadTime(true, false);
            if (mLoadTime < full) mLoadTime = full; // reloading starts over
        }
        mEmbarkTarget = nullptr;
    }
    if (!mSurrendered && (b >= 6 || (b == 5 && (!InComplexCover(true, directional, tx, ty) || IsSniper())))) {
        if (GetSpeedClass() > kSpeedPushedGun && MayMoveNow(this)) {
            RoutMove(b >= 6, true);
            return;
        }
        if (b >= 6 && HasOrdnance(true, false) && (b == 7 || 2 * mCasualties >= GetOriginalNrMen())) {
            AddSoundEffectVoice(kVoicePanic, 9 * MenLeft(this), 0.0f, 3.0f);
            BailOut(false, false); // the crew leaves its weapon
        }
        return;
    }
    if (GetSpeedClass() < kSpeedHeavy || noMove) return;
    if (b <= 2) {
        if (HasMovementOrders()) {
            const float cap = 50.0f - mSuppression > 0.0f ? 50.0f - mSuppression : 0.0f;
            if (mCommandDelay > cap) mCommandDelay = cap;
        } else {
            CoverMove(false, directional, tx, ty);
        }
    } else if (b == 3) {
        const bool keepsGoing = HasMovementOrders() && UnderWay(*this) &&
                                gMovementSpeedChart[mWaypoints[0].mOrder].mSeeksCover == 0;
        if (!keepsGoing) CoverMove(true, directional, tx, ty);
    } else {
        CoverMove(true, directional, tx, ty);
    }
}

bool Infantry::RoutMove(bool severe, bool fromPanic) {
    if (GetSpeedClass() < kSpeedHeavy) return false;
    Map* map = BattleMapOrNull();
    if (mNrWaypoints == 1 && gMovementSpeedChart[mWaypoints[0].mOrder].mPaceKind >= 1 &&
        mCommandDelay == 0.0f) {
        const Waypoint& w = mWaypoints[0];
        const float h = Bearing(mX, mY, w.mX, w.mY);
        if (map && OwnsEdge(*this, map->GetMapEdgeAimedAt(mX, mY, h)) &&
            !EnemyBlocksWay(this, mX, mY, w.mX, w.mY, 80.0f))
            return true; // already running home
    }
    float lo = 0.0f, hi = 1.0f, best = 0.0f;
    bool found = false;
    for (Direction edge = 0; edge < 4 && map; ++edge) {
        if (!OwnsEdge(*this, edge)) continue;
        float d = 0.0f, a = 0.0f, b = 0.0f;
        map->GetBoundingHeadings(mX, mY, edge, &d, &a, &b);
        if (!found || d < best) {
            found = true;
            best = d;
            lo = a;
            hi = b;
        }
    }
    static const float kShares[9] = {0.5f, 0.375f, 0.625f, 0.25f, 0.75f, 0.125f, 0.875f, 0.0f, 1.0f};
    float cosines[9], sines[9];
    for (int32_t i = 0; i < 9; ++i) {
        const float h = (lo + (hi - lo) * kShares[i]) * kDegToRad;
        cosines[i] = std::cos(h);
        sines[i] = std::sin(h);
    }
    const float step = severe && !fromPanic ? 40.0f : 20.0f;
    const float range = severe ? 300.0f : 100.0f;
    float x = 0.0f, y = 0.0f;
    if (!CheckOneRoutMove(&x, &y, severe, step, range, true, cosines, sines, 9)) {
        if (!severe) return false;
        if (fromPanic && BandOf(mSuppression) < 7) {
            CancelMovementOrders();
            SetSuppression(mSuppression * 1.1f, false);
            return false;
        }
        if (!CheckOneRoutMove(&x, &y, severe, step, range, false, cosines, sines, 9)) {
            x = mX + range * cosines[0];
            y = mY + range * sines[0];
        }
    }
    mNrWaypoints = 0;
    mCommandDelay = 0.0f;
    const SpeedClass cls = GetSpeedClass();
    const float dx = x - mX, dy = y - mY;
    int32_t order =
        std::sqrt(dx * dx + dy * dy) > static_cast<float>(cls) * 6.25f ? kOrderRout : kOrderRoutNear;
    if (cls < kSpeedHeavy) order = kOrderRout;
    ReceiveMoveOrders(x, y, order, nullptr, true, false, false, false);
    if (mActive && fromPanic) AddSoundEffectVoice(kVoicePanic, 20 * MenLeft(this), 0.0f, 3.0f);
    return true;
}

bool Infantry::CheckOneRoutMove(float* x, float* y, bool severe, float step, float range, bool needCover,
                                const float* cosines, const float* sines, int32_t count) {
    range += 0.1f;
    for (float d = step; d <= range; d += 10.0f) {
        for (int32_t i = 0; i < count; ++i) {
            const float px = mX + d * cosines[i];
            const float py = mY + d * sines[i];
            if (needCover && !CoverAt(px, py, false)) continue;
            if (!CanOccupyLocation(px, py, true)) continue;
            if (EnemyBlocksWay(this, mX, mY, px, py, d + 80.0f)) continue;
            if (!severe && !OnTheMap(px, py)) continue;
            *x = px;
            *y = py;
            return true;
        }
    }
    return false;
}

void Infantry::CoverMove(bool urgent, bool directional, float tx, float ty) {
    if (InComplexCover(true, directional, tx, ty)) return;
    if (!urgent && !(RandomFraction() * 50.0 <= mSuppression)) return;

    if (mNrWaypoints > 0) {
        // Cover along the next stretch of the planned path is good enough.
        const SpeedClass cls = GetSpeedClass();
        float left = cls == 3 ? 30.0f : (cls == 4 ? 50.0f : 20.0f);
        float fx = mX, fy = mY;
        for (int32_t i = 0; i < mNrWaypoints && left > 0.0f; ++i) {
            const Waypoint& w = mWaypoints[i];
            if (w.mOrder == kPaceTurn) continue;
            float dx = w.mX - fx, dy = w.mY - fy;
            float d = std::sqrt(dx * dx + dy * dy);
            if (d > left) {
                dx *= left / d;
                dy *= left / d;
                d = left;
            }
            const int32_t n = static_cast<int32_t>(0.05f * d + 0.99f);
            for (int32_t k = 0; k <= n; ++k) {
                const float f = n > 0 ? static_cast<float>(k) / static_cast<float>(n) : 0.0f;
                if (CoverAt(fx + dx * f, fy + dy * f, true)) return;
            }
            left -= d;
            fx = w.mX;
            fy = w.mY;
        }
    }

    bool hasEnemyPoint = false;
    float ex = 0.0f, ey = 0.0f;
    if (mTarget) {
        hasEnemyPoint = true;
        ex = mTarget->mX;
        ey = mTarget->mY;
    } else if (mAreaTarget) {
        hasEnemyPoint = true;
        ex = mAreaTargetX;
        ey = mAreaTargetY;
    }
    const bool seesEnemy = hasEnemyPoint && CanSeeLocation(ex, ey);
    float threatBearing = 0.0f, nearLimit = 0.0f, hereTEM = 0.0f;
    if (directional) {
        threatBearing = Bearing(mX, mY, tx, ty);
        const float dx = tx - mX, dy = ty - mY;
        const float dist = std::sqrt(dx * dx + dy * dy);
        nearLimit = dist >= 100.0f ? 20.0f : (dist <= 30.0f ? 6.0f : 0.2f * dist);
        hereTEM = GetTEMFromLocation(tx, ty, GroundAt(tx, ty), false, false, false, 0, false, nullptr);
    }

    Map* map = BattleMapOrNull();
    const float homeX = mX, homeY = mY;
    float bestScore = 1e30f, bestX = 0.0f, bestY = 0.0f;
    for (float px = homeX - 60.0f; px <= homeX + 61.0f; px += kCoverGrid) {
        for (float py = homeY - 60.0f; py <= homeY + 61.0f; py += kCoverGrid) {
            if (!map || !map->OnMap(px, py) || !map->IsCoverAt(px, py, false)) continue;
            if (!CanOccupyLocation(px, py, true)) continue;
            const float dx = px - homeX, dy = py - homeY;
            const float dist = std::sqrt(dx * dx + dy * dy);
            if (directional && dist > nearLimit &&
                AngleOff(Bearing(homeX, homeY, px, py), threatBearing) < 60.0f)
                continue;
            float s = GetGenericTEM(px, py, false, true);
            if (directional) s = (s + hereTEM) * 0.5f;
            if (EnemyBlocksWay(this, homeX, homeY, px, py, 40.0f))
                s *= 0.333f;
            else if (EnemyBlocksWay(this, homeX, homeY, px, py, 100.0f))
                s *= 0.666f;
            s *= 10.0f + dist;
            s *= 0.75f + 0.5f * static_cast<float>(RandomFraction());
            mX = px;
            mY = py;
            if (!AllowedToTarget()) {
                s *= urgent ? 2.0f : 3.0f;
            } else if (seesEnemy && !urgent) {
                float seen = 0.0f;
                bool ok = map->CheckLOS(false, true, false, ex, ey, GroundAt(ex, ey) + 2.0f, px, py,
                                        GetZ() + 1.0f, &seen, nullptr, nullptr, nullptr, nullptr);
                if (!ok || !(seen > 0.0f)) s *= 2.25f;
            }
            mX = homeX;
            mY = homeY;
            if (s < bestScore) {
                bestScore = s;
                bestX = px;
                bestY = py;
            }
        }
    }
    const bool fastFirst = mNrWaypoints > 0 && (mWaypoints[0].mOrder == 3 || mWaypoints[0].mOrder == 4);
    if (bestScore < (urgent ? 9e20f : 20.0f)) {
        mCommandDelay = 0.0f;
        ReceiveMoveOrders(bestX, bestY, CanDoOrder(kOrderRout) ? kOrderRout : kOrderMove, nullptr, true, true,
                          false, false);
        if (mActive) AddSoundEffectVoice(kVoiceTakingFire, 3 * MenLeft(this), 0.0f, 0.25f);
        if (urgent && mNrWaypoints > 0 && (mWaypoints[0].mOrder == 3 || mWaypoints[0].mOrder == 4)) {
            if (mWaypoints[0].mOrder == 3) mWaypoints[0].mOrder = 4;
            mNrWaypoints = 1;
        }
    } else if (urgent && fastFirst) {
        CancelMovementOrders();
    }
}

void Infantry::FearReaction() {
    const int32_t b = BandOf(mSuppression);
    if (IsStopped() && !mTransport && mZ == 0.0f) {
        GList* units = AllUnits();
        for (int32_t i = 0; i < UnitCount(units); ++i) {
            Unit* v = UnitAt(units, i);
            if (!v->mActive || v == mEmbarkTarget || !v->IsArmoredVehicle(kKnowTruth, false) || !UnderWay(*v))
                continue;
            const float dx = v->mX - mX, dy = v->mY - mY;
            if (std::sqrt(dx * dx + dy * dy) >= 5.0f * 40.0f * std::fabs(v->mPlaybackSpeed)) continue;
            float aspect = v->AspectTo(this, false, true);
            if (v->mPlaybackSpeed < 0.0f) aspect = 180.0f - aspect;
            const bool enemy = v->mSide != mSide;
            if (aspect > (enemy ? 10.0f : 7.0f) || !v->CanOccupyLocation(mX, mY, true)) continue;

            if (GetSpeedClass() <= kSpeedPushedGun) {
                if (enemy && HasOrdnance(true, false)) {
                    CountWeaponFor(v, this);
                    mGunKnockedOut = true;
                    BailOut(false, false);
                }
                break;
            }
            // Jump 12 m aside, 45 to 90 degrees off the vehicle's way.
            bool found = false, lastOK = false;
            float px = mX, py = mY;
            for (int32_t t = 1; t <= 30 && !found; ++t) {
                const float sign = (RandomPair() & 1u) == 0 ? -1.0f : 1.0f;
                const float off = 45.0f + 45.0f * static_cast<float>(RandomFraction());
                const float h = (v->mHeading + sign * off) * kDegToRad;
                px = mX + 12.0f * std::cos(h);
                py = mY + 12.0f * std::sin(h);
                lastOK = OnTheMap(px, py) && CanOccupyLocation(px, py, true);
                found = lastOK && (t > 20 || CoverAt(px, py, false));
            }
            if (b >= 4 || (b == 3 && !found)) {
                if (mSuppression < 420.0f) SetSuppression(420.0f, false);
            }
            if (lastOK) {
                int32_t n = mNrWaypoints < kMaxWaypoints ? mNrWaypoints : kMaxWaypoints - 1;
                for (int32_t j = n; j > 0; --j)
                    mWaypoints[j] = mWaypoints[j - 1];
                mNrWaypoints = n + 1;
                Waypoint& w = mWaypoints[0];
                w.mX = px;
                w.mY = py;
                w.mZ = GroundAt(px, py);
                w.mOrder = QuickSpeed();
                w.mKind = kWaypointLegEnd;
                w.mOnBuildingLevel = 0;
                w.mHide = 0;
                mCommandDelay = 0.0f;
            }
            gPacket = true;
            break;
        }
    }
    if (!mActive) return;
    if ((!HasMovementOrders() || GetSpeedClass() <= kSpeedCannotMove) && LargeFireAt(mX, mY)) {
        EscapeFromFire();
        return;
    }
    if (!mTransport && b >= 3 && !mSurrendered && mContactLevel >= 3 && mFanatic != 2) {
        WeighSurrender(this, b);
        if (sSurrenderBalance < 0.0f && sCaptor) {
            Unit* captor = sCaptor;
            if (!RoutMove(false, false)) {
                if (HasOrdnance(true, false)) {
                    CountWeaponFor(captor, this);
                    mGunKnockedOut = true;
                    if (Infantry* crew = BailOut(false, false)) {
                        sCaptor = captor;
                        crew->Surrender();
                    }
                } else {
                    sCaptor = captor;
                    Surrender();
                }
            }
        }
    }
    if (mSurrendered && RandomPair() % 6u == 0 && RescuerNear(this)) {
        bool freed = !GuardNear(this);
        if (!freed) {
            WeighSurrender(this, 7);
            freed = sSurrenderBalance > 0.0f;
        }
        if (freed) {
            mCommandDelay = 0.0f;
            mNrWaypoints = 0;
            mSurrendered = false;
            mAimPause = 0.0f;
            mHiding = false;
            mExiting = true;
            mContactLevel = kContactFull;
            gPacket = true;
            MaybePanic(true, false, 0.0f, 0.0f, false);
            mSuppression = 0.0f;
        }
    }
}

void Infantry::Surrender() {
    mCommandDelay = 0.0f;
    mNrWaypoints = 0;
    mHQ = nullptr;
    mSpotMarker = false;
    mSpotMarkerGone = false;
    mExiting = false;
    mAimPause = 0.0f;
    mSuppression = 0.0f;
    mHiding = false;
    mAntitankShots = 0;
    mGrenades = 0;
    mExplosives = 0;
    mLoadTime = 0.0f;
    mAimTime = 0.0f;
    mImmobile = false;
    mOnSkis = false;
    mEmbarkTarget = nullptr;
    mSurrendered = true;
    mContactLevel = kContactFull;
    CancelTarget(true, false);
    CancelCoveredArc();
    for (uint16_t& a : mAmmo)
        a = 0;
    ClearAsTarget(false, false);
    ResetAnimation();
    if (sCaptor) {
        for (KillRecord& k : sCaptor->mKillRecords)
            k.mInfantryCaptured = static_cast<uint16_t>(k.mInfantryCaptured + MenLeft(this));
    }
    AddSoundEffectVoice(kVoiceSurrender, 100, 1.25f, 3.0f);
    if (sCaptor && sCaptor->mUnitType == kUnitInfantry) AddSoundEffectVoice(kVoiceCaptor, 80, 0.0f, 1.0f);
    gPacket = true;
    mPacketDirty = true;
}

void Infantry::MaybePinLATWFirer() {
    if (!InBuildingTerrain(GetOccupiedTerrain())) return;
    const WeaponType heavy = Record().mHeavyWeapon;
    if (!mHastyFire && heavy != kWeaponNone && (gWeaponData[heavy].mFlags & 0x4) != 0) return;
    if (mAntitankWeapon == 58 || mAntitankWeapon == 165) return;
    if (mSuppression < 150.0f) SetSuppression(150.0f, false);
    const bool observer = heavy != kWeaponNone && gWeaponData[heavy].mClass == kWClassIndirect;
    if (!observer && HasFunctioningWeapon()) {
        const float full = 2.5f * FullLoadTime(true, false);
        if (mLoadTime < full) mLoadTime = full;
        mAcquisition = 0;
    }
    if (Map* map = BattleMapOrNull()) map->PotentiallyStartFire(0.013f, mX, mY, false);
}

bool Infantry::LATWInBuilding() {
    const WeaponType heavy = Record().mHeavyWeapon;
    return heavy != kWeaponNone && gWeaponData[heavy].mClass == kWClassLightAT &&
           InBuildingTerrain(GetOccupiedTerrain());
}
