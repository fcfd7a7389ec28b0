// How a vehicle's crew sees (binoculars, hatches, the angle off its gun,
// its own motion) and how the vehicle is seen (noise, silhouette, cover,
// range), how its riders share its spotted state, and two record queries.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

float OccupiedCover(Terrain t) {
    if ((t >= 20 && t <= 22) || (t >= 30 && t <= 32)) return 0.2f;
    if ((t >= 23 && t <= 26) || (t >= 33 && t <= 35)) return 0.4f;
    if (t == 46 || t == 47) return 0.55f;
    return 0.7f;
}

} // namespace

bool Vehicle::HaveBinoculars() {
    return IsArmoredVehicle(kKnowTruth, false) || HasOrdnance(true, false);
}

bool Vehicle::UsingBinoculars(Unit* target) {
    if (!HaveBinoculars()) return false;
    if (!mButtoned || IsFixed()) return true;
    return target && target == mTarget;
}

void Vehicle::SpotterMods(Unit* target, float* sight, float* hearing) {
    Unit::SpotterMods(target, sight, hearing);
    if (!target || !sight || !hearing) return;
    // The aspect costs an arc tangent. A sight of 0 (most pairs: the line is
    // hidden) stays 0 whatever factor multiplies it, so then the aspect is
    // asked only where it decides more than a factor of the sight.
    const bool blind = *sight == 0.0f;
    float a = 0.0f;
    bool aspectKnown = false;
    auto aspect = [&] {
        if (!aspectKnown) a = AspectToLocation(target->mX, target->mY, true, true);
        aspectKnown = true;
        return a;
    };
    if (!blind) aspect();
    const bool own = target == mTarget;
    const bool binoculars = UsingBinoculars(target);
    const VehicleData& d = Data();
    if (IsFixed() && static_cast<float>(d.mGunArc) < aspect()) {
        *sight = 0.0f;
        *hearing *= 0.2f;
    } else {
        if (mButtoned && !IsFixed() && !binoculars) {
            if (!own) {
                float f = 1.0f;
                if (target->mContactLevel >= kContactSeen && target->IsSpottedNow())
                    f = a >= 135.0f ? 0.1f : a >= 90.0f ? 0.4f : a >= 60.0f ? 0.7f : 1.0f;
                else if (target->mUnitType != kUnitInfantry)
                    f = a >= 135.0f ? 0.08f : a >= 90.0f ? 0.4f : a >= 45.0f ? 0.6f : 0.8f;
                else
                    f = a >= 135.0f  ? 0.05f
                        : a >= 90.0f ? 0.1f
                        : a >= 60.0f ? 0.3f
                        : a >= 30.0f ? 0.5f
                                     : 0.8f;
                f = d.mGoodVision ? 0.65f * f + 0.35f : 0.9f * f;
                *sight *= f;
            }
            *hearing *= 0.2f;
        } else if (IsFixed() || binoculars) {
            // The target's cover only scales the sight.
            if (blind) {
            } else if (target->mUnitType == kUnitVehicle) {
                auto* v = static_cast<Vehicle*>(target);
                if (!(v->mDugIn && v->mFiringSignature <= 0 && v->InCover(true))) *sight *= 6.0f;
            } else if (target->mUnitType == kUnitInfantry) {
                if (!target->InCover(false)) *sight *= target->IsHiding(false) ? 1.5f : 3.0f;
            } else {
                *sight *= 6.0f;
            }
            *hearing *= 0.9f;
        } else {
            if (!own) {
                if (a >= 135.0f)
                    *sight *= 0.25f;
                else if (a >= 70.0f)
                    *sight *= 0.5f;
            }
            *hearing *= 0.9f;
        }
        if (mNrWaypoints > 0) *hearing *= gMovementSpeedChart[mWaypoints[0].mOrder].mCrewSightFactor;
        if (mPlaybackSpeed != 0.0f) {
            const float saved = sMoveSpeedForm;
            sMoveSpeedForm = 0.0f;
            const float full = MoveSpeed(nullptr);
            sMoveSpeedForm = saved;
            sShortFormSpotter = this;
            const float r = full > 0.0f ? std::fabs(mPlaybackSpeed) / full : 1.0f;
            const int32_t left = d.mCrew - mCasualties;
            const float k = left <= 1 ? 0.9f : left == 2 ? 0.8f : left == 3 ? 0.7f : 0.6f;
            *sight *= std::max(1.0f - r * k, 0.0f);
        }
    }
    if (mButtoned && target->mUnitType == kUnitInfantry && target->mTarget != this && aspect() >= 30.0f) {
        const float dx = target->mX - mX, dy = target->mY - mY, dz = target->GetZ() - GetZ();
        if (dx * dx + dy * dy + dz * dz < 15.0f * 15.0f) *sight = *hearing = 0.0f;
    }
}

FogOfWarContact Vehicle::SpotLevel(bool atMarker, Unit* spotter) {
    if (atMarker) {
        // Asked whether the enemy sees the place where it last saw the
        // vehicle: the vehicle stands there, still and without waypoints,
        // for the question only.
        const float x = mX, y = mY, speed = mPlaybackSpeed, progress = mMoveProgress;
        const int32_t waypoints = mNrWaypoints, stamp = mMoveStamp;
        mX = mMarkerX;
        mY = mMarkerY;
        mMoveStamp = kMarkerMoveStamp; // stored sight answers do not hold there
        mPlaybackSpeed = 0.0f;
        mMoveProgress = 0.0f;
        mNrWaypoints = 0;
        const FogOfWarContact level = SpotLevelHere(true, spotter);
        mX = x;
        mY = y;
        mPlaybackSpeed = speed;
        mMoveProgress = progress;
        mNrWaypoints = waypoints;
        mMoveStamp = stamp;
        return level;
    }
    return SpotLevelHere(false, spotter);
}

FogOfWarContact Vehicle::SpotLevelHere(bool atStartOfTurn, Unit* spotter) {
    const VehicleData& d = Data();
    float n = 60.0f;
    const bool moving = mNrWaypoints > 0 && mCommandDelay <= 0.0f;
    if (atStartOfTurn)
        n = 60.0f;
    else if (d.mKind == 5)
        n = mNrWaypoints > 0 ? 75.0f : 20.0f;
    else if (moving)
        n = gMovementSpeedChart[mWaypoints[0].mOrder].mMoveNoise;
    else if (mTurnRate != 0.0f)
        n = 120.0f;
    else if (mTurretRate != 0.0f)
        n = 90.0f;
    float s = std::pow(std::max(d.mSilhouette, 0.0f), 0.6f);
    // At the start of the turn the vehicle counts as standing without orders.
    const bool inMotion =
        !atStartOfTurn && (mPlaybackSpeed != 0.0f || (mMoveProgress > 0.0f && mMoveProgress < 1.0f));
    if (!inMotion) s *= OccupiedCover(GetOccupiedTerrain());
    if (mDugIn || IsFixed()) s *= 0.25f;
    return SpotLevelX(n, s, spotter);
}

float Vehicle::SpottingRange(Unit* spotter) {
    if (!spotter) return 0.0f;
    float v = 0.0f;
    if (!spotter->CanSee(this, &v)) return 0.0f;
    const bool moving = mPlaybackSpeed != 0.0f || (mZ > 0.0f && mZ < 1.0f);
    float r = (moving ? 4250.0f : 2500.0f) * (1.6f * v * v - 0.68f * v + 0.08f);
    // The light of the time of day: night, then morning and evening.
    const int32_t light = gBattle ? gBattle->mTimeOfDay : kMidday;
    if (light == kNight)
        r *= 0.6f;
    else if (light == kMorning || light == kEvening)
        r *= 0.75f;
    if (HullDownTo(spotter)) r *= 0.6f;
    if (IsFixed()) r *= 0.65f;
    return r;
}

void Vehicle::BeSpotted(bool reset, bool force) {
    const FogOfWarContact before = mContactLevel;
    const uint8_t id0 = mIdentification[0], id1 = mIdentification[1];
    const bool markA = mSpotMarker, markB = mSpotMarkerGone;
    Unit::BeSpotted(reset, force);
    const VehicleData& d = Data();
    if (mContactLevel > 3 || !d.mRidersHidden) {
        const FogOfWarContact riders =
            d.mRidersHidden ? std::min<FogOfWarContact>(mContactLevel, 2) : mContactLevel;
        for (Unit* p : mPassengers) {
            if (!p || !(p->mContactLevel < riders || p->mSpotMarker)) continue;
            p->mContactLevel = riders;
            p->mSpotMarker = false;
            p->mSpotMarkerGone = false;
            p->mIdentification[0] = mIdentification[0];
            p->mIdentification[1] = mIdentification[1];
            p->mAlert = true;
        }
    }
    if (IsFixed() && mContactLevel >= 1 && mContactLevel <= 4) {
        mContactLevel = kContactFull;
        gPacket = true;
    } else if (d.mKind == 5 && mContactLevel == kContactSeen) {
        const int32_t preference = gBattle ? gBattle->Host()->SpottingPreference() : 0;
        mContactLevel = preference >= 2 ? 3 : kContactFull;
        gPacket = true;
    }
    if (mContactLevel != before || mSpotMarker != markA || mSpotMarkerGone != markB ||
        id0 != mIdentification[0] || id1 != mIdentification[1]) {
        AddSoundEffectMove(mPlaybackSpeed != 0.0f || mTurnRate != 0.0f);
        gPacket = true;
    }
}

int32_t Vehicle::MaxAllowedAmmo(int32_t* maximum) {
    const int32_t n = Data().mMaxRounds;
    if (maximum) *maximum = n;
    return n;
}
