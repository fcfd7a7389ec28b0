// Infantry riding on vehicles: move orders that name a vehicle, boarding,
// following the carrier, getting off, the escape after bailing out, the
// time a gun crew needs to unlimber, and whether the unit can move by itself.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr VoiceType kVoiceBoard = 36;
constexpr VoiceType kVoiceLeave = 37;
constexpr int32_t kVehicleClassBoat = 5;
constexpr int32_t kEscapeTries = 10;

bool InEditorOrSetup() {
    return gBattle && gBattle->mSetupPhase;
}

bool HasRealWaypoint(const Unit* u) {
    return u->mNrWaypoints >= 2 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder != kPaceRotate);
}

bool IsMoveOrder(int32_t order) {
    return order == 20 || order == 21 || order == 22 || order == 23 || order == 30 || order == 31;
}

float HeadingInCircle(float h) {
    if (h < 0.0f) h += static_cast<float>((static_cast<int32_t>(h * -0.002777777777777778) + 1) * 360);
    if (h >= 360.0f) h -= static_cast<float>(static_cast<int32_t>(h * 0.002777777777777778) * 360);
    return h;
}

int32_t VehicleClassOf(const Unit* v) {
    return gVehicleData[v->mSubtype].mClass;
}

Vehicle* AsVehicle(Unit* u) {
    return u && u->mUnitType == kUnitVehicle ? static_cast<Vehicle*>(u) : nullptr;
}

void CarrierLoad(Unit* carrier, Infantry* rider) {
    if (Vehicle* v = AsVehicle(carrier)) v->Load(rider);
}

void CarrierUnload(Unit* carrier, Infantry* rider) {
    if (Vehicle* v = AsVehicle(carrier)) v->Unload(rider);
}

bool CarrierBurning(Unit* carrier) {
    Vehicle* v = AsVehicle(carrier);
    return (v && v->mBurning) || carrier->IsBurning();
}
bool CarrierInReverse(Unit* carrier) {
    Vehicle* v = AsVehicle(carrier);
    return v && v->InReverse();
}

// A unit that has just left its vehicle may panic, or looks for cover.
void MaybePanicAfterBailout(Infantry* unit) {
    unit->MaybePanic(false, false, 0.0f, 0.0f, false);
}
void MoveToCover(Infantry* unit) {
    unit->CoverMove(false, false, 0.0f, 0.0f);
}

} // namespace

void Infantry::ReceiveMoveOrders(float x, float y, int32_t order, Vehicle* carrier, bool quiet, bool replace,
                                 bool recompute, bool planned) {
    if (gBattle && gBattle->mCheckOrders && !CanDoOrder(order)) order = 20;
    Unit* vehicle = reinterpret_cast<Unit*>(carrier);
    if (vehicle) {
        if (IsMoveOrder(order)) {
            if (mNrWaypoints > 1) mNrWaypoints = 1;
            replace = true;
            float z = 0.0f;
            vehicle->GetApparentLocation(&x, &y, &z);
        } else {
            vehicle = nullptr;
            carrier = nullptr;
        }
    }
    Unit::ReceiveMoveOrders(x, y, order, carrier, quiet, replace, recompute, planned);
    mEmbarkTarget = mNrWaypoints > 0 ? vehicle : nullptr;
}

bool Infantry::Embark() {
    Unit* v = mEmbarkTarget;
    if (!v) return false;
    if (v->mSide == mSide) {
        const bool setup = gBattle && gBattle->mSetupPhase;
        if (!v->CanTransport(this, true, setup) || mSuppression >= 600.0f) return false;
        mZ = 0.0f;
        mNrWaypoints = 0;
        mPlaybackSpeed = 0.0f;
        mTurnRate = 0.0f;
        mHiding = false;
        mMoveSpeed = 1;
        mTransport = v;
        mEmbarkTarget = nullptr;
        UpdateRider(false);
        CarrierLoad(v, this);
        if (v->IsArmoredVehicle(kKnowTruth, false) && gBattle && gBattle->mUnits) {
            UnitList* units = gBattle->mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i) {
                Unit* u = units->GetUnit(i);
                if (u && u->mTarget == this) u->mTarget = nullptr;
            }
        }
        AddSoundEffectVoice(kVoiceBoard, 75, 0.0f, 1.0f);
        gPacket = true;
        return true;
    }
    if (!v->mActive) {
        mNrWaypoints = 0;
        mEmbarkTarget = nullptr;
        return false;
    }
    if (gBattle && gBattle->mTimeSlice % 20 == 0) {
        float x = v->mX, y = v->mY, z = 0.0f;
        v->GetApparentLocationToSide(mSide != 0, &x, &y, &z);
        const float d = std::sqrt((x - mX) * (x - mX) + (y - mY) * (y - mY));
        if (d <= 10.0f) {
            mNrWaypoints = 0;
        } else if (d <= 50.0f) {
            mWaypoints[0].mX = x;
            mWaypoints[0].mY = y;
            mNrWaypoints = 1;
        } else {
            mNrWaypoints = 0;
            mEmbarkTarget = nullptr;
        }
    }
    return false;
}

bool Infantry::UpdateRider(bool mayDisembark) {
    Unit* v = mTransport;
    if (!v) return false;
    mX = v->mX;
    mY = v->mY;
    mZ = v->mZ;
    mHeading = HasTowedOrdnance() ? HeadingInCircle(v->mHeading + 180.0f) : v->mHeading;
    if (mOnSkis && gBattle && !gBattle->mSetupPhase) mOnSkis = false;
    if (mayDisembark) Disembark();
    return true;
}

void Infantry::Disembark() {
    Unit* v = mTransport;
    if (!v) return;
    const bool setup = InEditorOrSetup();
    if (VehicleClassOf(v) == kVehicleClassBoat && GetOccupiedTerrain() == kTerrainWater && !setup) return;
    const float speed = std::fabs(v->mPlaybackSpeed);
    if (!(speed < 0.11f && (speed == 0.0f || GetSpeedClass() == kSpeedUnencumbered || CarrierBurning(v))))
        return;
    bool go;
    if (setup) {
        go = true;
    } else if (!HasRealWaypoint(this)) {
        go = false;
    } else if (DistanceToLocation(mWaypoints[0].mX, mWaypoints[0].mY) >= 30.0f && HasRealWaypoint(v) &&
               v->CanMovePhysically()) {
        go = false;
    } else if (speed == 0.0f) {
        go = true;
    } else {
        float aspect = v->AspectToLocation(mWaypoints[0].mX, mWaypoints[0].mY, false, true);
        if (CarrierInReverse(v)) aspect = 180.0f - aspect;
        go = aspect >= 90.0f;
    }
    bool stuck = false;
    bool suppressed = false;
    if (!go) {
        stuck = !v->mActive || !v->CouldMoveIfNotBogged();
        suppressed = !stuck && mSuppression >= 60.0f;
        if (suppressed && HasOrdnance(true, false)) {
            go = true;
            suppressed = false;
        }
    }
    if (go && !setup) {
        v->Stop(true);
        if (v->mActive) v->mCommandDelay += HasOrdnance(true, false) ? 45.0f : 10.0f;
        v->mPacketDirty = true;
    }
    if (!go && !stuck && !suppressed) return;

    const double bearing = (v->mHeading + 140.0 + RandomFraction() * 80.0) * kDegToRad;
    float x = v->mX + static_cast<float>(5.0 * std::cos(bearing));
    float y = v->mY + static_cast<float>(5.0 * std::sin(bearing));
    const Map* map = gBattle ? gBattle->mMap : nullptr;
    const bool onMap = map && x >= 0.0f && y >= 0.0f && x < MapWidthMetres(map) && y < MapHeightMetres(map);
    if (!onMap || !CanOccupyLocation(x, y, true)) {
        x = v->mX;
        y = v->mY;
    }
    mX = x;
    mY = y;
    CarrierUnload(v, this);
    mTransport = nullptr;
    if (setup) return;
    gPacket = true;
    mPacketDirty = true;
    if (mActive) {
        if (GetSpeedClass() == kSpeedCannotMove || CanOnlyDebark())
            mNrWaypoints = 0;
        else if (stuck || suppressed)
            MoveToCover(this);
        else
            PostBailoutEscape();
    }
    SetUnlimberTime(1.0f);
    if (!IsSpottedNow()) {
        mSpotMarker = false;
        mSpotMarkerGone = true;
    }
    AddSoundEffectVoice(kVoiceLeave, 60, 0.0f, 2.0f);
}

bool Infantry::WaitingToEmbark() {
    Unit* v = mEmbarkTarget;
    if (!v || v->mSide != mSide) return false;
    if (!v->mActive || !v->CanMovePhysically()) {
        mEmbarkTarget = nullptr;
        mNrWaypoints = 0;
        return false;
    }
    if (mNrWaypoints < 1 || mWaypoints[0].mX != v->mX || mWaypoints[0].mY != v->mY) {
        Waypoint& w = mWaypoints[0];
        w.mX = v->mX;
        w.mY = v->mY;
        w.mZ = GroundHeightAt(v->mX, v->mY);
        w.mOnBuildingLevel = 0;
        w.mOrder = QuickSpeed();
        w.mKind = kWaypointLegEnd;
        w.mHide = 0;
        mNrWaypoints = 1;
    }
    if (v->mPlaybackSpeed == 0.0f && !(v->mZ > 0.0f && v->mZ < 1.0f)) {
        const float dx = v->mX - mX, dy = v->mY - mY, dz = v->GetZ() - GetZ();
        return v->mTurnRate != 0.0f && std::sqrt(dx * dx + dy * dy + dz * dz) <= 10.0f;
    }
    return VehicleClassOf(v) != kVehicleClassBoat;
}

void Infantry::PostBailoutEscape() {
    if (GetSpeedClass() <= kSpeedPushedGun) return;
    MaybePanicAfterBailout(this);
    for (int32_t i = 0; i < kEscapeTries && !HasRealWaypoint(this); ++i) {
        mHeading = static_cast<float>(RandomFraction() * 360.0);
        const double r = RandomFraction() * 5.0 + 5.0;
        const double h = mHeading * kDegToRad;
        ReceiveMoveOrders(mX + static_cast<float>(r * std::cos(h)), mY + static_cast<float>(r * std::sin(h)),
                          20, nullptr, true, false, false, false);
    }
}

void Infantry::SetUnlimberTime(float factor) {
    if (!IsSupportWeapon(false)) return;
    const InfantryData& r = Record();
    float b;
    switch (r.mMobility) {
    case 4:
        b = 1.25f;
        break;
    case 5:
        b = 1.5f;
        break;
    case 6:
    case 7:
        b = 2.0f;
        break;
    case 8:
        b = 4.0f;
        break;
    case 9:
        b = 8.0f;
        break;
    case 10:
        b = 20.0f;
        break;
    default:
        b = r.mSpeedClass == kSpeedPushedGun ? 1.0f : (r.mSpeedClass == kSpeedHeavy ? 0.8f : 0.5f);
        break;
    }
    int32_t x = mExperience;
    if (gBattle && gBattle->mComputerBonus >= 1 && PlayedByComputer()) {
        x += gBattle->mComputerBonus;
        if (x > kExperienceMaxEffective) x = kExperienceMaxEffective;
    }
    if (x > kExperienceElite) x = kExperienceElite;
    const float xf = static_cast<float>(x);
    float t = (0.026667f * xf * xf - 0.30333f * xf + 1.5f) * b;
    if (r.mFlags & kIFastUnlimber) t *= 0.6f;
    t = factor * 60.0f * t;
    if (std::fabs(mLoadTime) < t) {
        mLoadTime = -t;
        gPacket = true;
    }
}

void Infantry::FillPassengerOrCarrier(ActionPacket* packet) {
    if (!packet) return;
    packet->mLinkA = mTransport;
    packet->mLinkB = mEmbarkTarget;
    packet->mLinkedUnit = mHQ;
}

void Infantry::ProcessPassengerOrCarrier(ActionPacket* packet) {
    if (!packet) return;
    mTransport = packet->mLinkA;
    mEmbarkTarget = packet->mLinkB;
    mHQ = packet->mLinkedUnit;
}

bool Infantry::CanOnlyPush() {
    return GetSpeedClass() == kSpeedPushedGun && Record().mMobility < 9;
}

bool Infantry::CanOnlyDebark() {
    return Record().mMobility >= 9;
}

MovementSpeedType Infantry::QuickSpeed() {
    return GetSpeedClass() < kSpeedHeavy ? kPaceDefaultMove : 8;
}
