// A vehicle driving along its waypoints one slice at a time: turning,
// stepping, taking waypoints, dealing with a blocker (waiting, shoving a
// light friend aside, pushing, manoeuvring), bogging down on soft ground
// and coasting to a halt when it cannot drive. Beside it the questions
// asked while driving and fighting: hull-down, engine sound, the turret's
// return to rest and the vehicle's state.

#include <algorithm>
#include <cmath>
#include <memory>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kDegToRad = 0.0174532925f;
constexpr int32_t kSoundBog = 20;
constexpr int32_t kSoundKindMoving = 14;
constexpr int32_t kSoundKindStanding = 3;

float Bearing(float x0, float y0, float x1, float y1) {
    return Clamp360(GetHeadingFromXY(x1 - x0, y1 - y0));
}

float Fold180(float a, float b) {
    float d = std::fabs(Clamp360(a) - Clamp360(b));
    return d > 180.0f ? 360.0f - d : d;
}

Map* BattleMapOrNull() {
    return gBattle ? gBattle->mMap : nullptr;
}

bool InsideMap(const Map* map, float x, float y) {
    return map && x >= 0.0f && y >= 0.0f && x < map->mWidthMetres && y < map->mHeightMetres;
}

bool HasOrders(const Unit* u) {
    return u->mNrWaypoints >= 2 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder != kPaceRotate);
}

void DropFirstWaypoint(Unit* u) {
    for (int32_t i = 0; i + 1 < u->mNrWaypoints; ++i)
        u->mWaypoints[i] = u->mWaypoints[i + 1];
    if (u->mNrWaypoints > 0) --u->mNrWaypoints;
}

} // namespace

float Vehicle::ReverseAwareFacing() const {
    return InReverse() ? Clamp360(mHeading + 180.0f) : mHeading;
}

// ---------------------------------------------------------------------------
// One slice of driving

void Vehicle::Move() {
    gBlocker = nullptr;
    if (mNrWaypoints <= 0) return;
    Destination* w = &mWaypoints[0];
    bool reached = false;
    bool cut = false;

    if (w->mOrder == kPaceRotate) {
        Stop(false);
        RotateBodyToward(w->mX, w->mY, false);
        if (mTurnRate != 0.0f) return;
        w->mX = mX;
        w->mY = mY;
        reached = true;
    } else {
        if (gBattle) ++gBattle->mActivity[GetAffiliation()];
        mHasMoved = true;
        cut = CutCorner();
        w = &mWaypoints[0];
        RotateBodyToward(w->mX, w->mY, w->mOrder == kPaceReverse);
        // The mine check is armed for this one call: the look-ahead and the
        // manoeuvres below probe places through MoveSpeed too.
        sMineCheck = gBattle && mActionSlices % 40 == 0 && !gBattle->InNewMineField(mX, mY, true);
        float floor = mZ;
        float speed = MoveSpeed(&floor);
        sMineCheck = false;
        if (!std::isfinite(speed)) speed = 0.0f;

        if (mNrWaypoints > 0 && speed != 0.0f) {
            const float dx = mWaypoints[0].mX - mX, dy = mWaypoints[0].mY - mY;
            if (dx * dx + dy * dy < 30.0f * 30.0f &&
                Fold180(ReverseAwareFacing(), Bearing(mX, mY, mWaypoints[0].mX, mWaypoints[0].mY)) >= 85.0f)
                speed *= 0.75f;
        }
        if (mNrWaypoints <= 0) {
            sMineCheck = false;
            return;
        }
        w = &mWaypoints[0];
        if (floor != mZ) {
            mZ = floor;
            mX = gMoveX;
            mY = gMoveY;
            gPacket = true;
        }
        if (w->mOrder == kPaceReverse) speed = -speed;
        if (speed != mPlaybackSpeed) {
            mPlaybackSpeed = speed;
            gPacket = true;
        }
        // Under way: its next shot counts as fired on the move until it
        // fires or takes a fresh aim.
        if (mPlaybackSpeed != 0.0f) mIsMoving = true;
        const float dx = w->mX - mX, dy = w->mY - mY;
        const float d2 = dx * dx + dy * dy;
        reached = mPlaybackSpeed * mPlaybackSpeed > 0.9f * d2 || d2 < 0.0001f;
        if (!reached && mPlaybackSpeed == 0.0f) {
            Map* map = BattleMapOrNull();
            const int32_t col = static_cast<int32_t>(w->mX * 0.05f);
            const int32_t row = static_cast<int32_t>(w->mY * 0.05f);
            if (map && col >= 0 && row >= 0 && col < map->mWidth && row < map->mHeight &&
                map->GetFireState(w->mX, w->mY) > 4) {
                w->mX = mX;
                w->mY = mY;
                reached = true;
            }
        }
    }

    if (reached) {
        sMineCheck = false;
        const MovementSpeedType order = w->mOrder;
        const bool legEnd = w->mKind == kWaypointLegEnd && mNrWaypoints > 1;
        mX = w->mX;
        mY = w->mY;
        DropFirstWaypoint(this);
        if (legEnd) OrdersDelay(true, false);
        if (mNrWaypoints > 0) {
            const MovementSpeedType next = mWaypoints[0].mOrder;
            if ((next == kPaceReverse) != (order == kPaceReverse)) mPlaybackSpeed = 0.0f;
            if (next == 14 && !mTarget)
                mCommandDelay = std::max(mCommandDelay, static_cast<float>(5.0 + 2.0 * RandomFraction()));
        }
        gPacket = true;
        LookAhead();
        return;
    }

    if (mPlaybackSpeed == 0.0f && mTurnRate == 0.0f) {
        HandleBlocked();
        sMineCheck = false;
        LookAhead();
        return;
    }

    if (gBlocker) {
        if (gBlocker->IsObstacleTo(this) == kObstaclePush) {
            PushVehicle(gBlocker);
        } else if (!mManeuverTried) {
            mManeuverTried = true;
            if (ManeuverAroundObstacle(true, true, true)) {
                sMineCheck = false;
                return;
            }
        }
    }
    sMineCheck = false;

    if (mTurnRate == 0.0f && !cut && mNrWaypoints > 0) {
        const float b = Bearing(mX, mY, mWaypoints[0].mX, mWaypoints[0].mY);
        mHeading = mWaypoints[0].mOrder == kPaceReverse ? Clamp360(b + 180.0f) : b;
    }
    const float h = mHeading * kDegToRad;
    mX += std::cos(h) * mPlaybackSpeed;
    mY += std::sin(h) * mPlaybackSpeed;
    RollForBogging();
    LookAhead();
}

void Vehicle::RollForBogging() {
    if (!(sGroundFactor < 1.0f) || RandomPair() % 100u != 0) return;
    float p = std::fabs(mPlaybackSpeed) * 37.03703703703704f *
              (12.0f * std::exp(-6.6f * sGroundFactor) / 60.0f) * 0.025f;
    const int32_t e = GetEffectiveExperience(kLeadCommand);
    if (e < 2)
        p *= 1.4f - 0.2f * static_cast<float>(e);
    else if (e > 2)
        p *= 1.0f - 0.1f * static_cast<float>(e);
    if (RandomFraction() < p) {
        mBogged = true;
        JerkSteeringWheel();
        AddSoundEffect(kSoundBog);
        gPacket = true;
    }
}

void Vehicle::HandleBlocked() {
    Vehicle* b = gBlocker;
    if (!b || !b->mActive || b->mSide != mSide || b->mImmobile || b->mBogged || b->mDugIn) {
        ManeuverAroundObstacle(b != nullptr, false, true);
        return;
    }
    const float facing = ReverseAwareFacing();
    bool busy = b->mPlaybackSpeed != 0.0f || (b->mZ > 0.0f && b->mZ < 1.0f) || b->mTurnRate != 0.0f;
    const bool bOrders = HasOrders(b);
    if (!busy && bOrders && IsObstacleTo(b) == kObstacleNone && b->mCommandDelay != 0.0f) {
        const float diff =
            std::fabs(facing - Bearing(b->mX, b->mY, b->mWaypoints[0].mX, b->mWaypoints[0].mY));
        busy = diff < 100.0f || diff > 260.0f;
    }
    if (!busy && !bOrders && !b->mTarget && !b->mAreaTarget && !b->mCoveredArc &&
        static_cast<float>(b->Data().mWeight) < 0.66667f * static_cast<float>(Data().mWeight)) {
        float rel = Bearing(mX, mY, b->mX, b->mY) - facing;
        while (rel > 180.0f)
            rel -= 360.0f;
        while (rel < -180.0f)
            rel += 360.0f;
        if (rel > -40.0f && rel <= 0.0f)
            rel = -40.0f;
        else if (rel > 0.0f && rel < 40.0f)
            rel = 40.0f;
        const float h = (facing + rel) * kDegToRad;
        const float px = b->mX + 5.0f * std::cos(h), py = b->mY + 5.0f * std::sin(h);
        if (InsideMap(BattleMapOrNull(), px, py) && b->CanOccupyLocation(px, py, true)) {
            Destination& d = b->mWaypoints[0];
            d = Destination{};
            d.mX = px;
            d.mY = py;
            d.mZ = GroundHeightAt(gBattle, px, py);
            d.mOrder = IsObstacleTo(b) != kObstacleNone ? kPaceReverse : kPaceDefaultMove;
            d.mKind = kWaypointLegEnd;
            b->mNrWaypoints = 1;
            busy = true;
        }
    }
    if (busy)
        mCommandDelay += 4.0f;
    else
        ManeuverAroundObstacle(true, false, true);
}

void Vehicle::PushVehicle(Vehicle* other) {
    if (!other) return;
    float a = AspectTo(other, false, false);
    if (!InReverse()) {
        if (a < 35.0f) a = 35.0f;
        if (a >= 325.0f) a = 325.0f;
    } else {
        if (a > 145.0f && a <= 180.0f)
            a = 145.0f;
        else if (a > 180.0f && a < 215.0f)
            a = 215.0f;
    }
    const float h = (a + mHeading) * kDegToRad;
    const float step = 2.0f * std::fabs(mPlaybackSpeed);
    const float nx = other->mX + step * std::cos(h), ny = other->mY + step * std::sin(h);
    Map* map = BattleMapOrNull();
    if (!InsideMap(map, nx, ny)) return;
    // The pushed vehicle keeps its move stamp (it did not drive): the sight
    // answers stored for it at its old place go, as a void there takes every
    // line that ends in it, and the replay is told where it now stands.
    if (map) map->VoidLOS(other->mX, other->mY, 0.0f);
    other->mX = nx;
    other->mY = ny;
    other->mPushed = true;
    other->mPacketDirty = true;
    if (other->mActive && other->mSide != mSide) other->mTargetSliceCount = 1200;
}

void Vehicle::MoveProblemVehicle() {
    gBlocker = nullptr;
    float s = MoveSpeed(nullptr);
    if (!std::isfinite(s)) s = 0.0f;
    const float k = Data().mKind == 4 ? 1.4f : 1.0f;
    float v = std::fabs(mPlaybackSpeed) - k * 0.000375f;
    Map* map = BattleMapOrNull();
    const bool nearEdge =
        map && (mX < 1.0f || mX > map->mWidthMetres - 1.0f || mY < 1.0f || mY > map->mHeightMetres - 1.0f);
    if ((v < 0.0f || nearEdge) && (v != 0.0f || mTurnRate != 0.0f)) {
        mTurnRate = 0.0f;
        v = 0.0f;
        gPacket = true;
    }
    v = std::max(std::min(v, s), 0.0f);
    v = std::copysign(v, mPlaybackSpeed);
    if (v != mPlaybackSpeed) {
        mPlaybackSpeed = v;
        gPacket = true;
    }
    if (mTurnRate != 0.0f) {
        mTurnRate = mPlaybackSpeed == 0.0f ? 0.0f : mTurnRate * 0.988f;
        gPacket = true;
    }
    if (gBlocker && mPlaybackSpeed != 0.0f && gBlocker->IsObstacleTo(this) == kObstaclePush)
        PushVehicle(gBlocker);
    const float h = mHeading * kDegToRad;
    mX += std::cos(h) * mPlaybackSpeed;
    mY += std::sin(h) * mPlaybackSpeed;
    mHeading = Clamp360(mHeading + mTurnRate);
}

void Vehicle::CancelMovementOrders() {
    Unit::CancelMovementOrders();
    mMovingAtFlush = false;
}

void Vehicle::FlushLastPacket(int32_t slice) {
    Unit::FlushLastPacket(slice);
    mMovingAtFlush = mPlaybackSpeed != 0.0f || mTurnRate != 0.0f;
}

// ---------------------------------------------------------------------------
// Hull-down

bool Vehicle::HullDownToLocation(float x, float y) {
    if (mDugIn) return true;
    Map* map = BattleMapOrNull();
    if (!map) return false;
    const float zp = map->GetZCoord(x, y);
    const float zv = map->GetZCoord(mX, mY);
    float v = 0.0f;
    if (!map->CheckLOS(true, true, false, x, y, zp, mX, mY, zv, &v, nullptr, nullptr, nullptr, nullptr))
        return false;
    if (v == 0.0f) return true;
    return map->HoldsWallType(42) && map->GetBlockingWallType(x, y, zp, mX, mY, zv) == 42;
}

bool Vehicle::HullDownTo(Unit* other) {
    if (!other || Data().mKind == 6) return false;
    Map* map = BattleMapOrNull();
    if (!map) return false;
    bool los = false, known = false, hd = false;
    bool present = false;
    float v = -1.0f;
    if (map->CheckStoredLOS(other, this, &los, nullptr, &known, &hd)) {
        if (!los) return false;
        if (known) return hd;
        present = true;
    } else {
        float seen = 0.0f;
        const float a = GetZ() + LOSBoost();
        const float b = other->GetZ() + other->LOSBoost();
        present = map->CheckLOS(false, true, false, mX, mY, a, other->mX, other->mY, b, &seen, nullptr,
                                nullptr, nullptr, nullptr) &&
                  seen > 0.0f;
        v = seen;
    }
    bool hdThis = false, hdOther = false;
    if (present) {
        hdThis = HullDownToLocation(other->mX, other->mY);
        if (other->mUnitType == kUnitVehicle)
            hdOther = static_cast<Vehicle*>(other)->HullDownToLocation(mX, mY);
    }
    map->StoreLOS(this, other, present, v, present, hdThis, hdOther);
    return present && hdThis;
}

// ---------------------------------------------------------------------------
// Engine sound

int32_t Vehicle::GetEngineRezID(bool side, DataKnowledge k, bool moving) {
    if (VisibleToSide(side, false) == kContactNone) return 0;
    const int32_t model = GetVehicleDataRecord(k).mModel;
    if (!gVehicleModelData.Has(model)) return 0; // no model, no engine to hear
    const int32_t s = gVehicleModelData[model].mEngineSound;
    if (moving) return s;
    return s == 135 || s == 136 || s == 137 ? 133 : 1900;
}

void Vehicle::AddSoundEffectMove(bool moving) {
    if (!gBattle || !mActive || mImmobile || Data().mKind == 5) return;
    const Affiliation local = gBattle->Host()->ViewingSide();
    const Affiliation sides[2] = {local, local == kAxis ? kAllies : kAxis};
    const DataKnowledge knowledge[2] = {kKnowIdentified, kKnowEnemy};
    for (int32_t i = 0; i < 2; ++i) {
        const bool side = sides[i] == kAllies;
        if (mActionSlices <= 0 && VisibleToSide(side, false) == kContactNone) continue;
        const int32_t n = GetEngineRezID(side, knowledge[i], moving);
        if (n == 0) continue;
        ActionPacket* p = gBattle->CreateActionPacket(0);
        p->mType = kPacketSound;
        p->mX = mX;
        p->mY = mY;
        p->mZ = GetZ();
        p->mSoundNumber = n;
        p->mPriority = static_cast<int16_t>(moving ? kSoundKindMoving : kSoundKindStanding);
        p->mSoundFlags = static_cast<uint8_t>(0x04 | (side ? 0x01 : 0x02));
        p->mSource = this;
        p->mSoundParam = 0.0f;
    }
}

void Vehicle::StartEngineSound() {
    if (!mActive || mImmobile || Data().mKind == 5 || !gBattle) return;
    const bool moving = !IsStopped();
    const Affiliation local = gBattle->Host()->ViewingSide();
    const int32_t n = GetEngineRezID(local == kAllies, kKnowIdentified, moving);
    if (n == 0) return;
    PlaySoundNow(n, moving ? kSoundKindMoving : kSoundKindStanding, local, true);
}

void Vehicle::PlaySoundNow(int32_t number, int32_t kind, Affiliation heardBy, bool engine) {
    if (!gBattle || number == 0) return;
    BattleHost* host = gBattle->Host();
    // Only the side at the screen can hear it now.
    if (heardBy != host->ViewingSide()) return;
    std::unique_ptr<ActionPacket> packet = gBattle->CreateLoosePacket();
    ActionPacket& p = *packet;
    const int32_t side = heardBy == kAllies ? 1 : 0;
    p.mType = kPacketSound;
    p.mX = mX;
    p.mY = mY;
    p.mZ = GetZ();
    p.mPoint[side][0] = p.mX;
    p.mPoint[side][1] = p.mY;
    p.mPoint[side][2] = p.mZ;
    p.mSoundNumber = number;
    p.mPriority = static_cast<int16_t>(kind);
    p.mSoundFlags = static_cast<uint8_t>((engine ? 0x04 : 0) | (heardBy == kAllies ? 0x01 : 0x02));
    p.mSource = engine ? this : nullptr;
    p.mSoundParam = 0.0f;
    host->PlayPacketSound(&p);
}

// ---------------------------------------------------------------------------
// Turret rest, targets, state

void Vehicle::ResetTurretRotation() {
    const float rest = Data().mGunToRear < 0 ? 180.0f : 0.0f;
    if (mTurretBearing == rest && mTurretRate == 0.0f) return;
    const float t = TurretRotationSpeed();
    const float d = std::fabs(mTurretBearing - rest);
    if (t < d) {
        const bool down =
            (rest == 0.0f && mTurretBearing > 0.0f) || (rest == 180.0f && mTurretBearing < 0.0f);
        const float rate = down ? -t : t;
        if (rate != mTurretRate) {
            mTurretRate = rate;
            gPacket = true;
        }
    } else {
        mTurretBearing = rest;
        mTurretRate = 0.0f;
        gPacket = true;
    }
}

void Vehicle::ClearAsTarget(bool keepOrdered, bool quiet) {
    Unit::ClearAsTarget(keepOrdered, quiet);
    for (Unit* p : mPassengers)
        if (p) p->ClearAsTarget(false, quiet);
}

int32_t Vehicle::FlameConsumption(float distance) {
    const double r = RandomFraction();
    const double d = distance;
    const int32_t n = static_cast<int32_t>(r + 0.0003188 * d * d - 0.003397 * d + 0.7266);
    return std::max(n, 1);
}

bool Vehicle::HasFunctioningWeapon() {
    if (HasFunctioningMG(false)) return true;
    if (mWeaponKnockedOut) return false;
    if (mCrewShockTime != 0.0f && Data().mCrew - mCasualties < 2) return false;
    return Unit::HasFunctioningWeapon();
}

bool Vehicle::IsStopped() {
    return mNrWaypoints == 0 || mPlaybackSpeed == 0.0f || mPauseCounter > 0 || mCommandDelay > 0.0f;
}

bool Vehicle::InGoodOrder() {
    return mActive && mBailOutCountdown < 0;
}

bool Vehicle::IsArmoredVehicle(DataKnowledge k, bool strict) {
    const VehicleData& d = GetVehicleDataRecord(k);
    if (!strict) return d.mArmorPlates[2].mThickness > 0;
    return d.mArmorPlates[7].mThickness > 0 && d.mArmorPlates[8].mThickness > 0 &&
           (!d.mHasTurretArmor || d.mArmorPlates[0].mThickness > 0);
}

bool Vehicle::CanMovePhysically() {
    return !mImmobile && !mBogged && !mDugIn;
}

bool Vehicle::CouldMoveIfNotBogged() {
    const bool bogged = mBogged;
    mBogged = false;
    const bool can = CanMovePhysically();
    mBogged = bogged;
    return can;
}

bool Vehicle::HasOrdnance(bool a, bool b) {
    const WeaponType w = Data().mMainWeapon;
    if (w == kWeaponNone) return false;
    const WeaponClass c = gWeaponData[w].mClass;
    return c == kWClassGun || c == kWClassTwinGun || (a && c == kWClassMortar);
}

bool Vehicle::CanHitVehicleAt(float x, float y, DataKnowledge k) {
    if (!CanSeeLocation(x, y) || !InsideMap(BattleMapOrNull(), x, y)) return false;
    const float dx = x - mX, dy = y - mY;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d <= 50.0f) return true;
    if (!HasHeavyWeapon(k)) return false;
    return d <= gWeaponData[GetVehicleDataRecord(k).mMainWeapon].mMaxRange;
}

int32_t Vehicle::NrBowMGsReady() {
    const VehicleData& d = Data();
    if (d.mBowMG == kSmallArmsNone || mCasualties > 0 || mDugIn) return 0;
    if (mMGRounds[GetMGAmmoType(d.mBowMG)] == 0) return 0;
    return std::max<int32_t>(d.mBowMGCount, 0);
}

int32_t Vehicle::NrCoaxMGsReady(bool checks) {
    const VehicleData& d = Data();
    if (d.mCoaxMG == kSmallArmsNone) return 0;
    if (checks) {
        if ((mTarget || mAreaTarget) && mMGTargetOwnsTarget && mAmmoClassInUse != kAmmoNone &&
            !d.mCoaxIndependent && HasHeavyWeapon(kKnowTruth))
            return 0;
        if (mCrewShockTime != 0.0f) return 0;
    }
    if (mWeaponKnockedOut || mCasualties >= 2 || d.mCrew - mCasualties < 2) return 0;
    if (mMGRounds[GetMGAmmoType(d.mCoaxMG)] == 0) return 0;
    return std::max<int32_t>(d.mCoaxMGCount, 0);
}

int32_t Vehicle::NrFreeMGsReady(bool checks) {
    const VehicleData& d = Data();
    if (d.mFreeMG == kSmallArmsNone) return 0;
    if (checks) {
        if (mCrewShockTime != 0.0f) return 0;
        if (mButtoned && !d.mFreeMGButtoned) return 0;
    }
    if (mMGRounds[GetMGAmmoType(d.mFreeMG)] == 0) return 0;
    if (d.mFreeMG == 48 && mTarget && d.mCrew < 5 && mMGTargetOwnsTarget) return 0;
    const int32_t lost =
        gSmallArmsData[d.mFreeMG].mMGClass == 4 && mCasualties >= 1 ? mCasualties - 1 : mCasualties;
    return std::max(d.mFreeMGCount - lost, 0);
}
