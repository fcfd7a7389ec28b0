// The vehicle's decision of one slice: timers, bail-out, target review,
// hatches, the movement and targeting intents and the action they combine
// into, driving or halting, the guns, dust, sound and the turret's rest;
// and the readying of the vehicle at the start of an action phase.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kSlice = 0.025f; // seconds
constexpr float kDegToRadD = 3.14159265358979f / 180.0f;

// Counts a timer in seconds down by one slice, to exactly 0 at the end.
void CountDownSlice(float& t) {
    if (t <= kSlice)
        t = 0.0f;
    else
        t -= kSlice;
}

bool UnitInMotion(const Unit* u) {
    return u->mPlaybackSpeed != 0.0f || (u->mMoveProgress > 0.0f && u->mMoveProgress < 1.0f);
}

// The battle's slice since the first turn began.
int32_t AbsoluteSlice() {
    if (!gBattle) return 0;
    int32_t s = gBattle->mTurn * kSlicesPerTurn;
    if (gBattle->mComputing && gBattle->mTimeSlice > 0) s += gBattle->mTimeSlice;
    return s;
}

} // namespace

// ---------------------------------------------------------------------------
// Small questions

int32_t Vehicle::SecondGunCode() const {
    const uint32_t f = Data().mFlags;
    if (f & 0x200000) return 50;
    if (f & 0x400000) return 65;
    if (f & 0x800000) return 50;
    if (f & 0x1000000) return 58;
    return 0;
}

bool Vehicle::CommanderMustButtonToFire(bool any) {
    if (!mTarget && !mAreaTarget && !any) return false;
    if (NrMenInTurret() >= 3) return false;
    const VehicleData& d = Data();
    // A vehicle whose only weapon is a second, open-mounted gun fights with
    // its hatches open.
    if (!HasHeavyWeapon(kKnowTruth) && d.mBowMG == kSmallArmsNone)
        return d.mCoaxMG != kSmallArmsNone && OpenTopStatus(kKnowTruth) != 2;
    return true;
}

bool Vehicle::ShouldPauseToShoot(float x, float y) {
    if (mLoadTime < 0.0f || mLoadTime >= 0.5f) return false;
    if (!mUseMainGun || mHoldFireSlices != 0) return false;
    if (!HasHeavyWeapon(kKnowTruth)) return false;
    if (HasTurret()) return PointedWithin(ActualHeadFacing(), 5.0f, x, y);
    return InGunArc(x, y, mTurnRate != 0.0f);
}

MovementIntent Vehicle::DecideMovementIntent() {
    if (!CanMovePhysically() || mDriverShockTime != 0.0f) return kMoveIntentCannot;
    if (mNrWaypoints <= 0) return kMoveIntentHold;
    if (mCommandDelay > 0.0f) return kMoveIntentHold;
    const int32_t order = mWaypoints[0].mOrder;
    if (order == 14) return kMoveIntentHold;
    if (mNrWaypoints == 1 && order == kPaceRotate && mTarget && ShouldPauseToShoot(mTarget->mX, mTarget->mY))
        return kMoveIntentHold;
    if (order == 13) {
        if (mWeaponKnockedOut) {
            mNrWaypoints = 0;
            mPauseCounter = 0;
            return kMoveIntentHold;
        }
        return mCrewShockTime != 0.0f ? kMoveIntentHold : kMoveIntentHaltToShoot;
    }
    if (order != 12) return kMoveIntentMove;
    if (mSliceCount % 13 == 0 && CanSeeLocation(mWaypoints[0].mX, mWaypoints[0].mY) &&
        HullDownToLocation(mWaypoints[0].mX, mWaypoints[0].mY)) {
        CancelMovementOrders();
        return kMoveIntentHold;
    }
    return kMoveIntentMove;
}

TargetingIntent Vehicle::DecideTargetingIntent(MovementIntent m) {
    if (mWeaponKnockedOut && !HasFunctioningMG(false)) return kTargetIntentNone;
    if (mAreaTarget) return kTargetIntentShoot;
    Unit* target = mTarget;
    if (!target) return kTargetIntentNone;
    const bool shockFree = mCrewShockTime == 0.0f && HasOrdnance(false, true) && m == kMoveIntentHold &&
                           target->HasAntiArmorWeapon(false);
    const bool halting = m == kMoveIntentHaltToShoot &&
                         (target->HasAntiArmorWeapon(false) || target->IsArmoredVehicle(kKnowEnemy, false));
    if (!shockFree && !halting) return kTargetIntentShoot;
    const AmmoClass a = ChooseAmmo(target, false);
    if (a == kAmmoNone) return kTargetIntentShoot;
    if (!HasTurret() && target->IsArmoredVehicle(kKnowTruth, false) &&
        target->GetVPValue(false, kKnowEnemy) > 50.0f)
        return kTargetIntentEngage;
    // Weighed as if halted: the speed and the moving flag held clear.
    const float speed = mPlaybackSpeed;
    const bool moving = mIsMoving;
    mPlaybackSpeed = 0.0f;
    mIsMoving = false;
    const float h = AIGetAbilityToHarmAsNumber(target, a, false, true, false, kKnowTruth, kKnowEnemy, false);
    mPlaybackSpeed = speed;
    mIsMoving = moving;
    return h >= 0.15f ? kTargetIntentEngage : kTargetIntentShoot;
}

VehicleAction Vehicle::CombineIntents(TargetingIntent t, MovementIntent m) {
    if (t > kTargetIntentEngage) t = kTargetIntentEngage;
    if (t < kTargetIntentNone) t = kTargetIntentNone;
    if (m > kMoveIntentMove || m < kMoveIntentCannot)
        return t == kTargetIntentNone ? kActionIdle : kActionHaltEngage;
    static const VehicleAction kTable[3][4] = {
        {kActionIdle, kActionIdle, kActionMove, kActionMove},
        {kActionHaltEngage, kActionHoldFire, kActionMoveFire, kActionMoveFire},
        {kActionHaltEngage, kActionHaltToShoot, kActionHaltToShoot, kActionMoveFire},
    };
    VehicleAction a = kTable[t][m];
    if (t != kTargetIntentShoot || m < kMoveIntentHaltToShoot) return a;
    // Machine guns alone halt against a rifle squad (it carries charges) at
    // a middle distance under a careful advance.
    if (mNrWaypoints <= 0 || mWaypoints[0].mOrder != 11) return a;
    if (HasHeavyWeapon(kKnowTruth) || !HasFunctioningMG(false)) return a;
    Unit* target = mTarget;
    if (!target || target->mUnitType != kUnitInfantry) return a;
    if (!gInfantryData[target->mSubtype].mIsSquad || !target->InGoodOrder()) return a;
    const float d = Distance3D(this, target);
    if (d <= 40.0f || d > 125.0f) return a;
    if (!PointedWithin(mHeading, 30.0f, target->mX, target->mY)) return a;
    return kActionHaltEngage;
}

bool Vehicle::WantsToRotateBodyAtStop(VehicleAction a) {
    float x = mAreaTargetX, y = mAreaTargetY;
    Unit* target = mTarget;
    if (target) {
        x = target->mX;
        y = target->mY;
    }
    if (!CaresAboutFacing() || !CanMovePhysically()) return false;
    if (mAimPause > 0.0f) return false; // the gun still recoils from its shot
    if (mNrWaypoints > 0 && mCommandDelay > 0.0f) return false;
    if (a != kActionHoldFire && a != kActionHaltToShoot) return false;
    if (ShouldPauseToShoot(x, y)) return false;
    const bool turning = mTurnRate != 0.0f;
    if (!InGunArc(x, y, turning)) return true;
    if (target && target->mUnitType != kUnitAirplane) {
        const float d = DistanceToLocation(x, y);
        const float nearRange = turning ? 160.0f : 140.0f;
        bool mustFace = d < nearRange;
        if (!mustFace) {
            const bool known = target->HasOrdnance(false, true) || target->VisibleToPlayer(false) >= 3;
            mustFace = known && target->HasAntiArmorWeapon(false) && target->InRange(d, false, 1.25f);
        }
        if (!mustFace && !target->IsArmoredVehicle(kKnowEnemy, false))
            mustFace = d < (turning ? 260.0f : 240.0f) && NrBowMGsReady() > 0;
        if (mustFace && !PointedWithin(mHeading, turning ? 11.5f : 17.5f, x, y)) return true;
    }
    if (Data().mBowMG != kSmallArmsNone && gSmallArmsData[Data().mBowMG].mMGClass == 4 &&
        NrBowMGsReady() > 0 && (!target || target->mUnitType != kUnitAirplane) && DistanceToLocation(x, y) < 150.0f)
        return true;
    if (SecondGunCode() != 0 && target && !PointedWithin(mHeading, 15.0f, x, y)) return true;
    return false;
}

void Vehicle::HandleBog() {
    if (!mBogged || mImmobile) return;
    const int32_t e = BaseExperience();
    const double r = RandomFraction();
    if (r >= (0.01 + 0.002 * e) * 0.025) return;
    if (RandomPick(static_cast<uint32_t>(e + 2)) == 0) {
        mImmobile = true;
        AddSoundEffect(21);
        CancelMovementOrders();
    } else {
        mBogged = false;
    }
    gPacket = true;
}

// ---------------------------------------------------------------------------
// The start of an action phase

void Vehicle::PrepareForAction() {
    Unit::PrepareForAction();
    mMGSmallArms = kSmallArmsNone;
    mManeuverTried = false;
    mButtonChangedThisTurn = false;
    mSmokeMortarClock = static_cast<int32_t>(RandomPair() % 400u);
    mMoveSoundCountdown = static_cast<int32_t>(RandomPair() % 40u);
    if (!mActive && mBurning) AddSoundEffect(5);
    if (mTarget && mTarget == mPreviousTarget) {
        bool buttoned = true;
        if (CanChangeButtonStatus(&buttoned) && !buttoned && CommanderMustButtonToFire(false) &&
            !CanSee(mTarget, nullptr))
            mTarget = nullptr;
    }
    if (mPlaybackSpeed != 0.0f && mNrWaypoints > 0 && !mMovingAtFlush) {
        // A stub waypoint one slice's travel ahead keeps the replay of a
        // vehicle already under way from starting at a standstill.
        const Destination first = mWaypoints[0];
        const int32_t n = std::min(mNrWaypoints, kMaxWaypoints - 1);
        for (int32_t i = n; i > 0; --i)
            mWaypoints[i] = mWaypoints[i - 1];
        mNrWaypoints = n + 1;
        float h = mHeading;
        if (first.mOrder == kPaceReverse) h += 180.0f;
        const float s = std::fabs(mPlaybackSpeed);
        Destination& d = mWaypoints[0];
        d.mX = mX + std::cos(h * kDegToRadD) * s;
        d.mY = mY + std::sin(h * kDegToRadD) * s;
        d.mZ = first.mZ;
        d.mOrder = first.mOrder;
        d.mOnBuildingLevel = first.mOnBuildingLevel;
        d.mKind = kWaypointPathPoint;
        d.mHide = 0;
    }
}

// ---------------------------------------------------------------------------
// One slice

void Vehicle::ComputeAction() {
    const VehicleData& data = Data();
    const bool free = CanMovePhysically();
    bool endPause = false;
    bool engaged = false;

    // 1. Shock timers: a crew of one cannot shake off its shock.
    const bool shockedBefore = mCrewShockTime != 0.0f || mDriverShockTime != 0.0f;
    if (mCrewShockTime != 0.0f && data.mCrew - mCasualties > 1) CountDownSlice(mCrewShockTime);
    if (mDriverShockTime != 0.0f) CountDownSlice(mDriverShockTime);
    if (shockedBefore != (mCrewShockTime != 0.0f || mDriverShockTime != 0.0f)) gPacket = true;

    // 2. A covered arc the unit may no longer keep.
    if (mCoveredArc && !CanDoOrder(mArcKind ? 46 : 45)) CancelCoveredArc();

    // 3.
    const bool wasMoving = mPlaybackSpeed != 0.0f || mTurnRate != 0.0f;
    if (mHoldFireSlices > 0) --mHoldFireSlices;

    Unit* target = nullptr;
    float tx = 0.0f, ty = 0.0f;
    bool havePoint = false;
    VehicleAction action = kActionIdle;
    MovementIntent m = kMoveIntentCannot;
    TargetingIntent t = kTargetIntentNone;

    if (mBailOutCountdown >= 0) {
        // 4. The crew is leaving: the vehicle only coasts.
        MoveProblemVehicle();
        if (--mBailOutCountdown < 1) {
            mBailOutCountdown = -1;
            gCreditKiller = mCreditUnit;
            BailOut(mBailOutFlag, false);
            gCreditKiller = nullptr;
        }
        goto dust;
    }

    // 5. Immobilised: fight on while there is something to fight with.
    if (mImmobile && !mDugIn) {
        const bool fixed = data.mKind == 6;
        const bool fights = !mWeaponKnockedOut && SuppressionBand() < (fixed ? 6 : 5) &&
                            (HasHeavyWeapon(kKnowTruth) || HasFunctioningMG(false) || fixed);
        if (!fights) {
            BeginToBailOut(0.0f, false);
            MoveProblemVehicle();
            goto dust;
        }
    }

    // 6. Target review.
    if (mCrewShockTime == 0.0f) {
        engaged = AIMaySwitchToNewTarget(false);
        target = mTarget;
        if (mSliceCount % 40 == 0 && free && IsArmoredVehicle(kKnowTruth, false) && target &&
            target->HasAntiArmorWeapon(false) &&
            PointedWithin(ActualHeadFacing(), 5.0f, target->mX, target->mY) &&
            !PointedWithin(mHeading, 22.5f, target->mX, target->mY)) {
            bool react = false;
            const AmmoClass ta = target->ChooseAmmo(this, false);
            const float t1 = target->AIGetAbilityToHarmAsNumber(this, ta, false, true, true, kKnowEnemy,
                                                                kKnowTruth, false);
            if (t1 >= 0.2f) {
                // How the target would fare against the hull turned to it.
                const float heading = mHeading;
                const float bearing = mTurretBearing;
                mHeading = heading + AspectToLocation(target->mX, target->mY, false, true) + 10.0f;
                mTurretBearing = 0.0f;
                const float t2 = target->AIGetAbilityToHarmAsNumber(this, ta, false, true, true, kKnowEnemy,
                                                                    kKnowTruth, false);
                mHeading = heading;
                mTurretBearing = bearing;
                react = t2 < 0.25f || t1 > 3.0f * t2;
            }
            if (!react && mAmmoClassInUse != kAmmoNone && !mWeaponKnockedOut && SecondGunCode() != 0 &&
                (mAmmo[6] > 0 || mAmmo[7] > 0)) {
                const float a = AIGetAbilityToHarmAsNumber(target, mAmmoClassInUse, false, true, true,
                                                           kKnowTruth, kKnowEnemy, false);
                if (a < 0.2f) {
                    float best = 0.0f;
                    for (AmmoClass c = 6; c <= 7; ++c)
                        if (mAmmo[c] > 0)
                            best = std::max(best, AIGetAbilityToHarmAsNumber(target, c, false, true, true,
                                                                             kKnowTruth, kKnowEnemy, false));
                    react = best > 0.4f || best > 3.0f * a;
                }
            }
            if (react) mHoldFireSlices = 40;
        }

        // c. A soft target not worth the gun.
        if (mAimTime >= 0.2f && mAimTime < 0.225f && mLoadTime == 0.0f && target && mUseMainGun &&
            (InMotion() || UnitInMotion(target))) {
            if (!target->IsArmoredVehicle(kKnowEnemy, false) && !target->HasOrdnance(false, true) &&
                HasOrdnance(true, true) && ChooseAmmo(target, false) != kAmmoCanister) {
                const float aim = mAimTime;
                const int16_t alert = mAlertCount; // drawn anew by the search
                mTarget = nullptr;
                AIMaySwitchToNewTarget(true);
                if (mTarget == target) {
                    mAimTime = aim;
                    mAlertCount = alert;
                } else if (mTarget) {
                    mTarget = nullptr;
                    mTargetSliceCount += 120;
                }
                target = mTarget;
            }
        }

        // d. Hatches.
        bool buttoned = true;
        if (CanChangeButtonStatus(&buttoned)) {
            if (!buttoned && CommanderMustButtonToFire(false)) {
                ChangeButton(false, 15);
            } else if (buttoned && mButtonDelay == 0 && !mButtonChangedThisTurn &&
                       !CommanderMustButtonToFire(false)) {
                const int32_t period = (9 - GetEffectiveExperience(kLeadCommand)) * 40;
                if (period != 0 && mSliceCount % period == 0 && !EnemyInfantryWithin(150.0f)) {
                    float p = 0.0f;
                    float d = 0.0f;
                    if (!HasVehicleRadio() && (mHQ || PlatoonSubordinate(true)))
                        p = 1.0f;
                    else if (mTarget && (d = DistanceToLocation(mTarget->mX, mTarget->mY)) > 800.0f)
                        p = 0.2f + 0.0008f * (std::min(d, 1800.0f) - 800.0f);
                    else
                        p = CommanderMustButtonToFire(true) ? 0.2f : 0.1f;
                    p *= 1.0f - mSuppression * 0.00285714286f;
                    if (RandomFraction() < p) ChangeButton(false, 0);
                }
            }
        }

        // e. A pause that has nothing left to wait for.
        if (FirstOrder(*this) == 14 &&
            ((mCommandDelay == 0.0f && engaged && !mTarget) || mWeaponKnockedOut || !HasFunctioningWeapon()))
            endPause = true;
    }

    // 7.
    if (mSliceCount % 10 == 0 && InMotion()) Tilt(false);

    // 8.
    target = mTarget;
    if (target) {
        tx = target->mX;
        ty = target->mY;
        havePoint = true;
    } else if (mAreaTarget) {
        tx = mAreaTargetX;
        ty = mAreaTargetY;
        havePoint = true;
    }

    // 9. Intents.
    m = DecideMovementIntent();
    if (mWeaponKnockedOut && m == kMoveIntentHaltToShoot) {
        m = kMoveIntentHold;
        mNrWaypoints = 0;
    }
    t = DecideTargetingIntent(m);
    action = CombineIntents(t, m);
    if (m == kMoveIntentHaltToShoot && action == kActionHaltEngage && HasTurret() && mTarget &&
        AspectTo(mTarget, true, true) > 90.0f) {
        mTarget = nullptr;
        target = nullptr;
        havePoint = mAreaTarget;
        tx = mAreaTargetX;
        ty = mAreaTargetY;
        t = DecideTargetingIntent(m);
        action = CombineIntents(t, m);
        gPacket = true;
    }

    // 10. Move or halt.
    if ((!mImmobile && !mBogged && mDriverShockTime == 0.0f) || mPlaybackSpeed == 0.0f) {
        if (action == kActionMove || action == kActionMoveFire) {
            Move();
            if (!engaged && mCoveredArc && mCrewShockTime == 0.0f && HasTurret() && SuppressionBand() < 5) {
                float ax = 0.0f, ay = 0.0f;
                CoveredArcFacePoint(&ax, &ay);
                RotateTurretToward(ax, ay);
            }
        } else {
            Stop(false);
            if (engaged && WantsToRotateBodyAtStop(action))
                RotateBodyToward(tx, ty, data.mGunToRear < 0);
            else
                StopBodyRotation();
            if (m == kMoveIntentCannot && mCoveredArc && mCrewShockTime == 0.0f && SuppressionBand() < 5) {
                float ax = 0.0f, ay = 0.0f;
                CoveredArcFacePoint(&ax, &ay);
                if (HasTurret()) {
                    RotateTurretToward(ax, ay);
                    t = kTargetIntentShoot;
                } else if (CanMovePhysically()) {
                    RotateBodyToward(ax, ay, false);
                } else if (data.mKind != 6) {
                    const float b = ActualHeadFacing() * kDegToRadD;
                    if (InCoveredArc(mX + std::cos(b), mY + std::sin(b), nullptr, nullptr))
                        CancelCoveredArc();
                }
            }
            HandleBog();
        }
    } else {
        MoveProblemVehicle();
    }

    // 11. The coaxial gun aims with the main gun.
    if ((data.mFlags & 0x40000) && mTarget && mTurnRate == 0.0f &&
        PointedWithin(ActualHeadFacing(), 0.4f, mTarget->mX, mTarget->mY))
        AimAndElevate(false);

    // 12.
    FireMachineGuns();

    // 13. The main gun.
    if (mCrewShockTime == 0.0f) {
        if (mAimPause == 0.0f) {
            if (action < kActionHaltEngage || mWeaponKnockedOut || !havePoint) {
                if (mWeaponKnockedOut || (free && (InMotion() || mTurnRate != 0.0f))) mTurretToFront = true;
                if (mTurretToFront) {
                    ResetTurretRotation();
                } else if (mTurretRate != 0.0f) {
                    mTurretRate = 0.0f;
                    gPacket = true;
                }
            } else {
                RotateTurretToward(tx, ty);
            }
        }
        if (mLoadTime != 0.0f) {
            CountDownSlice(mLoadTime);
            if (mLoadTime == 0.0f) gPacket = true;
        }
        target = mTarget;
        const bool fires = (target || mAreaTarget) && mTurnRate == 0.0f && mUseMainGun &&
                           !mWeaponKnockedOut && mLoadTime == 0.0f && HasHeavyWeapon(kKnowTruth) &&
                           mHoldFireSlices == 0 && havePoint &&
                           PointedWithin(ActualHeadFacing(), 0.4f, tx, ty) &&
                           !(target && target->mUnitType == kUnitInanimate);
        if (fires) {
            AimAndElevate(true);
            // Aimed on the move: the shot counts as fired on the move.
            if (mPlaybackSpeed != 0.0f) mIsMoving = true;
            AmmoClass c = kAmmoNone;
            if (mAimTime == 0.0f && AIWantsToFire(&c) && c != kAmmoNone && AllowedToTarget()) {
                // The shot restarts the aim clock, which clears the moving flag.
                Fire(c, 0);
                WeaponClass wc = kWClassSmallArms;
                GetWeaponInfo(nullptr, &wc, kKnowTruth);
                if (c == 0 && wc == kWClassFlame) {
                    const int32_t n = FlameConsumption(DistanceToLocation(tx, ty));
                    mAmmo[0] = static_cast<uint16_t>(std::max(0, mAmmo[0] - n));
                } else {
                    TickAmmo(c);
                }
                engaged = true;
                const bool anyRounds = mAmmo[0] || mAmmo[1] || mAmmo[2] || mAmmo[3] || mAmmo[6] || mAmmo[7];
                if ((mTarget && !anyRounds) || (c == kAmmoSmoke && mAmmo[kAmmoSmoke] == 0))
                    CancelTarget(false, false);
                if (FirstOrder(*this) == 14) {
                    endPause = true;
                    mCommandDelay = std::max(mCommandDelay, 2.5f);
                }
            }
        }
        // The close-defence mortar on the roof.
        if (data.mSpecialEquipment == 3 && ++mSmokeMortarClock > 399) {
            mSmokeMortarClock = 0;
            const int32_t e = BaseExperience();
            if (static_cast<int32_t>(RandomPair() % 100u) < (e + 1) * 15) NahvertGW();
        }
    }

dust:
    // 14. Dust behind a moving vehicle.
    if (mSliceCount % 8 == 0 && (InMotion() || mTurnRate != 0.0f) && gBattle) {
        Map* map = gBattle->mMap;
        const Terrain ground = map ? map->GetTerrain(mX, mY, false) : 0;
        float d = gBattle->Dusty(ground, 0);
        const int32_t now = AbsoluteSlice();
        const float dx = mX - mDustX, dy = mY - mDustY;
        if (d != 0.0f && (now + 320 > mDustSlice || dx * dx + dy * dy > 15.0f * 15.0f)) {
            if (data.mWeight < 20) d *= 0.4f + 0.03f * data.mWeight;
            gBattle->MakeSmokePacket(mX, mY, -4.0f, d);
            mDustX = mX;
            mDustY = mY;
            mDustSlice = now + 2400;
        }
    }

    // 15. The pause is over: on to the waypoint, backing when it lies behind.
    if (endPause && mNrWaypoints > 0 && mWaypoints[0].mOrder == 14) {
        const Destination& w = mWaypoints[0];
        const float off = AspectToLocation(w.mX, w.mY, false, true);
        mWaypoints[0].mOrder = off > 90.0f ? kPaceReverse : kPaceDefaultMove;
    }

    // 16.
    KeepTurretInBounds();

    // 17. The engine's sound.
    {
        const bool moving = mPlaybackSpeed != 0.0f || mTurnRate != 0.0f;
        const bool due = mMoveSoundCountdown == 0;
        --mMoveSoundCountdown;
        if (due || moving != wasMoving) {
            AddSoundEffectMove(moving);
            if (moving && HasHeavyWeapon(kKnowTruth)) mTargetSliceCount = 1200;
        }
    }

    // 18. Animation.
    if (!engaged) {
        for (int32_t& a : mAnimation) {
            if (a != 2) {
                a = 2;
                gPacket = true;
            }
        }
    } else {
        SetFiringAnimation();
    }

    // 19. The turret's rest.
    if (InMotion()) {
        mTurretHoldSlices = 0;
    } else if (IsArmoredVehicle(kKnowTruth, false) && HasOrdnance(false, true) && mTarget &&
               mTarget->HasAntiArmorWeapon(false) &&
               mTarget->InRange(DistanceToLocation(mTarget->mX, mTarget->mY), false, 1.3f)) {
        mTurretHoldSlices = 6800;
        mTurretToFront = false;
    } else if (mTurretHoldSlices < 1) {
        if (CanMovePhysically()) mTurretToFront = true;
    } else {
        --mTurretHoldSlices;
    }

    // 20.
    if (mButtonDelay > 0) --mButtonDelay;
    if (mSliceCount % 8 == 0 && mPlaybackSpeed != 0.0f && mTurnRate != 0.0f) gPacket = true;
}

bool Vehicle::EnemyInfantryWithin(float range) {
    if (!gBattle || !gBattle->mUnits) return false;
    UnitList* units = gBattle->mUnits;
    const bool side = mSide == 0; // true: the Allies look
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || !u->mActive || u->mSide == mSide || u->mUnitType != kUnitInfantry) continue;
        if (u->VisibleToSide(side, false) == kContactNone) continue;
        if (DistanceToLocation(u->mX, u->mY) <= range) return true;
    }
    return false;
}
