// A vehicle's reaction to the enemies around it: every enemy is rated as a
// threat, and against the most dangerous one the vehicle flees artillery,
// retreats out of its reach, turns its front to it, halts to fight, or
// jinks aside; a halted vehicle standing in a large fire escapes it.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

VehicleThreatRating gVehicleThreat;

namespace {

constexpr float kDegToRad = 3.14159265358979f / 180.0f;
constexpr int32_t kOrderTurnToward = 37;

bool IsGunCrew(Unit* e) {
    if (e->mUnitType != kUnitInfantry) return false;
    const WeaponType w = gInfantryData[e->mSubtype].mHeavyWeapon;
    return w != kWeaponNone && gWeaponData[w].mClass == 5;
}

// The ammunition class the enemy would fire at the vehicle, by what its
// weapon has in date: its own choice, else the next classes in turn.
// False when none is in use.
bool AmmoInUseFor(WeaponType type, AmmoClass* a) {
    auto inUse = [type](AmmoClass c) { return AmmoTypeInUse(kAmmoStrict, type, c, nullptr) != 0; };
    if (inUse(*a)) return true;
    AmmoClass c = (*a == 0 || *a == 3) ? 1 : *a == 1 ? 3 : 0;
    if (inUse(c)) {
        *a = c;
        return true;
    }
    static const AmmoClass kAfter3[3] = {1, 0, 2};
    static const AmmoClass kAfter0[3] = {3, 1, 2};
    static const AmmoClass kAfter1[3] = {3, 2, 0};
    const AmmoClass* next = c == 3 ? kAfter3 : c == 0 ? kAfter0 : kAfter1;
    for (int32_t i = 0; i < 3; ++i) {
        if (inUse(next[i])) {
            *a = next[i];
            return true;
        }
    }
    return false;
}

// One rating pass over the battle's units, with the crew counted as
// buttoned up; the result is in gVehicleThreat.
void RatePass(Vehicle* v) {
    gVehicleThreat.Clear();
    if (!gBattle || !gBattle->mUnits) return;
    const bool buttoned = v->mButtoned;
    v->mButtoned = true;
    gBattle->mUnits->DoForEach(&RateThreatToVehicle, v);
    v->mButtoned = buttoned;
}

// The vehicle imagined with its hull toward the threat and its turret
// straight ahead; the pose is put back bit for bit.
class FacingPose {
public:
    FacingPose(Vehicle* v, Unit* w) : mV(v), mHeading(v->mHeading), mTurret(v->mTurretBearing) {
        v->mHeading = GetHeadingFromXY(w->mX - v->mX, w->mY - v->mY);
        v->mTurretBearing = 0.0f;
    }
    ~FacingPose() {
        mV->mHeading = mHeading;
        mV->mTurretBearing = mTurret;
    }
    FacingPose(const FacingPose&) = delete;
    FacingPose& operator=(const FacingPose&) = delete;

private:
    Vehicle* mV;
    float mHeading;
    float mTurret;
};

// The threat left when the vehicle faces w: the rating again, in the
// imagined pose and without chances; the first pass's result is kept.
VehicleThreatRating RateFacing(Vehicle* v, Unit* w) {
    const VehicleThreatRating kept = gVehicleThreat;
    VehicleThreatRating facing;
    {
        FacingPose pose(v, w);
        gVehicleThreat.mMode = false;
        RatePass(v);
        facing = gVehicleThreat;
    }
    gVehicleThreat = kept;
    return facing;
}

// A point dist metres off the hull facing by up to 30 degrees either way.
void DrawPointAhead(Vehicle* v, float baseDistance, float spread, float* x, float* y) {
    const float angle = v->mHeading + static_cast<float>(60.0 * RandomFraction()) - 30.0f;
    const float distance = baseDistance + static_cast<float>(spread * RandomFraction());
    *x = v->mX + distance * std::cos(angle * kDegToRad);
    *y = v->mY + distance * std::sin(angle * kDegToRad);
}

Map* FearMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

} // namespace

void RateThreatToVehicle(GObject* member, void* context) {
    auto* e = static_cast<Unit*>(member);
    auto* v = static_cast<Vehicle*>(context);
    if (!e || !v || e == v || !e->mActive || e->mSide == v->mSide) return;
    if (!e->HasFunctioningWeapon()) return;
    if (!e->CanMovePhysically() && !e->AbleToFaceUnit(v)) return;

    const bool targetsUs = e->mTarget == v;
    const bool gunCrew = IsGunCrew(e);
    const bool wc4 = e->GetWeaponClass() == kWClassMortar;
    const bool pressing = gunCrew || (targetsUs && wc4);
    const bool mode = gVehicleThreat.mMode;

    if (!pressing) {
        const FogOfWarContact need = targetsUs || v->mFearFlagB ? 2 : 3;
        if (e->mContactLevel < need || !e->IsSpottedNow()) return;
        if (e->mUnitType == kUnitInanimate || e->mUnitType == kUnitAirplane) return;
        if (!e->InGoodOrder() || !e->CanSee(v, nullptr)) return;
    }

    float t = 0.0f;
    if (gunCrew) {
        // Fire called down on the vehicle's spot.
        if (e->mAreaTarget && !e->mAreaFireFlag && e->mAimTime == 0.0f && !v->UnderMovementOrders()) {
            const float reach = v->IsArmoredVehicle(kKnowTruth, false) ? 50.0f : 100.0f;
            if (v->DistanceToLocation(e->mAreaTargetX, e->mAreaTargetY) < reach)
                t = v->OpenTopStatus(kKnowTruth) != 0 ? 0.25f
                                                      : e->GetRoughAbilityToDamage(nullptr, 0, v) * 0.005f;
        }
    } else {
        if (wc4 && !((targetsUs && e->mTargetSliceCount >= 2) || v->mFearFlagB)) return;
        if (mode && e->mUnitType == kUnitInfantry && v->mButtoned) {
            // Infantry often cannot make out a closed-up vehicle.
            const bool ordnance = e->HasOrdnance(true, true);
            const uint32_t chance = ordnance ? (targetsUs ? 70u : 50u) : 33u;
            if (RandomPair() % 100u >= chance) return;
        }
        AmmoClass a = e->ChooseAmmo(v, false);
        if (a == kAmmoNone) {
            t = v->mFearFlagB ? 0.01f : 0.0f;
        } else {
            if (a == 2) a = 1;
            WeaponType type = kWeaponNone;
            WeaponClass wclass = kWClassSmallArms;
            e->GetWeaponInfo(&type, &wclass, kKnowEnemy);
            if (wclass == kWClassLightAT) a = 3;
            if (type != kWeaponNone && !AmmoInUseFor(type, &a)) return;
            t = e->AIGetGeneralAbilityToHarmAsNumber(v, a, false, true, true, kKnowEnemy, kKnowTruth, true);
            if (!targetsUs) t *= 0.6f;
        }
        if (t < 1.0f && e->mUnitType == kUnitVehicle && v->Data().mMobilityClass == 3) {
            auto* ev = dynamic_cast<Vehicle*>(e);
            if (ev && ev->HasFunctioningMG(false)) {
                const float l = mode ? static_cast<float>(100.0 * RandomFraction()) : 100.0f;
                if (Distance3D(e, v) < 300.0f + l) t = 1.0f;
            }
        }
        if (!e->InGoodOrder()) {
            t *= 0.3f;
        } else {
            const int32_t band = e->SuppressionBand();
            if (band == 4)
                t *= 0.5f;
            else if (band == 3)
                t *= 0.75f;
        }
        const float aspect = e->AspectToLocation(v->mX, v->mY, true, true);
        if (aspect > 150.0f)
            t *= 0.3f;
        else if (aspect > 120.0f)
            t *= 0.4f;
        else if (aspect > 90.0f)
            t *= 0.6f;
        else if (aspect > 60.0f)
            t *= 0.8f;
    }

    if (t > gVehicleThreat.mValue) {
        gVehicleThreat.mUnit = e;
        gVehicleThreat.mValue = t;
        gVehicleThreat.mClose = gunCrew;
        gVehicleThreat.mTargetsUs = pressing;
    }
}

void Vehicle::FearReaction() {
    const VehicleData& data = Data();
    Map* map = FearMap();

    // 1. A halted vehicle under heavy fire must react.
    if (!UnderMovementOrders() && SuppressionBand() > 4) mFearFlagB = true;

    // 2. Whether to react at all.
    bool react = mFearFlagB;
    if (!react) {
        const int32_t first = FirstOrder(*this);
        const int32_t second = mNrWaypoints > 1 ? mWaypoints[1].mOrder : -1;
        const bool closed = OpenTopStatus(kKnowTruth) < 1;
        const bool skip = (mContactLevel < 2 && closed) || (!mFearFlagA && (RandomPair() & 3u) == 0) ||
                          data.mMobilityClass == 5 || data.mMobilityClass == 6 ||
                          (mButtoned && !mFearFlagA && (RandomPair() & 1u) != 0 && closed) || first == 14 ||
                          second == 14 ||
                          ((first == kPaceDefaultMove || first == kPaceReverse) &&
                           (IsArmoredVehicle(kKnowTruth, false) || (data.mFlags & kVLightArmor))) ||
                          ((first == kPaceDefaultMove || first == kPaceReverse) && (RandomPair() & 1u) != 0);
        react = !skip;
    }

    if (react) {
        // 3. Rate the threats.
        mFearFlagA = false;
        const double r0 = RandomFraction();
        const float thr = static_cast<float>(HasHeavyWeapon(kKnowTruth) ? 0.2 + 0.4 * r0 : 0.1 + 0.3 * r0);
        if (mFearFlagB) gVehicleThreat.mMode = false;
        RatePass(this);
        gVehicleThreat.mMode = true;
        Unit* w = gVehicleThreat.mUnit;
        const float t = gVehicleThreat.mValue;

        if (w && gVehicleThreat.mClose) {
            // 4. Fire is called down on the vehicle: it drives off.
            float x = 0.0f, y = 0.0f;
            const bool armoured = IsArmoredVehicle(kKnowTruth, false);
            const float angle = mHeading + static_cast<float>(60.0 * RandomFraction()) - 30.0f;
            float distance = 30.0f + static_cast<float>(30.0 * RandomFraction());
            if (!armoured) distance *= 2.0f;
            x = mX + distance * std::cos(angle * kDegToRad);
            y = mY + distance * std::sin(angle * kDegToRad);
            if ((map && map->OnMap(x, y)) || SuppressionBand() >= 6)
                ReceiveMoveOrders(x, y, kOrderEscapeMove, nullptr, true, false, false, false);
        } else if (w && !(t < 0.05f && !mFearFlagB)) {
            // 5a. Own strength against it.
            bool huntsUs = gVehicleThreat.mTargetsUs && w->mTarget == this;
            float strength = 0.0f;
            bool flee = false;
            const bool pressed = t >= thr || mFearFlagB;
            if (pressed) {
                // Weighed as if halted: the moving flag is held clear with
                // the speed, or the moving-fire penalty would still count
                // against the halted gun.
                const float speed = mPlaybackSpeed;
                const bool moving = mIsMoving;
                mPlaybackSpeed = 0.0f;
                mIsMoving = false;
                float h1 = AIGetAbilityToHarmAsNumber(w, ChooseAmmo(w, false), false, true, false, kKnowTruth,
                                                      kKnowEnemy, false);
                if (w != mTarget && !w->HasOrdnance(false, false)) h1 = 0.0f;
                float h2 = 0.0f;
                Unit* target = mTarget;
                if (target && target != w && target->mActive && target->IsArmoredVehicle(kKnowEnemy, false))
                    h2 = AIGetAbilityToHarmAsNumber(target, ChooseAmmo(target, false), false, true, false,
                                                    kKnowTruth, kKnowEnemy, false);
                mPlaybackSpeed = speed;
                mIsMoving = moving;
                strength = std::max(h1, h2);
                flee = mFearFlagB || !(t < static_cast<float>(1.8 + 0.8 * RandomFraction()) * strength);
            } else {
                huntsUs = false;
            }

            // 5b. Retreat or turn.
            bool stepB = false;
            const int32_t first = FirstOrder(*this);
            if (pressed && (flee || first == 11 || first == 12)) {
                stepB = true;
                bool bugOut = false;
                if (ApproachingSafetyFromEnemy(w)) {
                    if (mWaypoints[0].mOrder != kPaceReverse) mWaypoints[0].mOrder = kPaceDefaultMove;
                } else if (flee) {
                    const VehicleThreatRating facing = RateFacing(this, w);
                    const float t2 = facing.mValue;
                    const float bearing = GetHeadingFromXY(w->mX - mX, w->mY - mY);
                    if (mFearFlagB || (facing.mUnit && t2 >= thr && facing.mUnit != mPreviousTarget)) {
                        const bool mustFlee = mFearFlagB || strength < 0.2f;
                        const bool faceThreat = t2 < 0.7f * t && t2 >= 0.5f * thr;
                        BugOut(w, mustFlee, faceThreat, bearing);
                        bugOut = true;
                        if (mAreaTarget) CancelTarget(true, true);
                    } else if (mNrWaypoints == 0 && IsArmoredVehicle(kKnowTruth, false) &&
                               data.mGunArc >= 0) {
                        ReceiveMoveOrders(w->mX, w->mY, kOrderTurnToward, nullptr, true, false, false, false);
                        if (mAreaTarget) CancelTarget(true, true);
                    }
                }
                if (!bugOut && mNrWaypoints > 0 && mWaypoints[0].mOrder != kPaceRotate &&
                    mWaypoints[0].mOrder != 12) {
                    if (flee) {
                        mWaypoints[0].mOrder = 13;
                    } else {
                        // Halt and fight when facing it leaves the enemy little.
                        float harm = 0.0f;
                        {
                            FacingPose pose(this, w);
                            const AmmoClass a = w->ChooseAmmo(this, false);
                            harm = w->AIGetGeneralAbilityToHarmAsNumber(this, a, false, true, true,
                                                                        kKnowEnemy, kKnowTruth, true);
                        }
                        if (harm <= 0.6f * t) mWaypoints[0].mOrder = 13;
                    }
                }
            }

            // 5c. Turn the front to it.
            if (!stepB && !UnderMovementOrders() && IsArmoredVehicle(kKnowTruth, false) &&
                data.mGunArc >= 0) {
                const VehicleThreatRating facing = RateFacing(this, w);
                if (!facing.mUnit || facing.mValue < 0.7f * t)
                    ReceiveMoveOrders(w->mX, w->mY, kOrderTurnToward, nullptr, true, false, false, false);
            }

            // 5d. Jink aside from an enemy that hunts it.
            if (huntsUs && !UnderMovementOrders()) {
                float x = 0.0f, y = 0.0f;
                DrawPointAhead(this, 20.0f, 30.0f, &x, &y);
                if (map && map->OnMap(x, y))
                    ReceiveMoveOrders(x, y, kOrderEscapeMove, nullptr, true, false, false, false);
            }
        }
        // 7.
        mFearFlagB = false;
    }

    // 8. A halted vehicle in a large fire gets out of it.
    if (!InMotion() && map && map->OnMap(mX, mY) && map->GetFireState(mX, mY) > 4) EscapeFromFire();
}
