// The moving flag in computed turns of a shipped battle: a tank and a crew
// pushing its gun, both sent off on a long leg, are still under way when
// the turn ends, and their own movement has flagged them as moving; a tank
// that halted within the turn keeps its flag until it fires.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "ai/AIFacts.h"
#include "app/MapViewLines.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

bool LaidWeapon(Unit* u) {
    const WeaponClass c = u->GetWeaponClass();
    return c == 2 || c == 3 || c == 4;
}

class MovingFlag : public testing::Test {
protected:
    // The first shipped battle with an armed tank and a gun its crew can
    // push, on the same side; nobody plans, so only the orders below move.
    void Load() {
        ASSERT_TRUE(DecryptData());
        for (const char* name : {"hecken", "bruecke", "panzer", "grossangriff", "hatten"}) {
            mRunner = std::make_unique<BattleRunner>();
            mRunner->PlanSides(false, false);
            std::string error;
            ASSERT_TRUE(mRunner->Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error))
                << error;
            mTank = nullptr;
            mGun = nullptr;
            UnitList* units = mRunner->GetBattle()->mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i) {
                Unit* u = units->GetUnit(i);
                if (!u->mActive || u->mOffMapState != 0 || u->mTransport || !LaidWeapon(u)) continue;
                if (!mTank && u->mUnitType == kUnitVehicle && static_cast<Vehicle*>(u)->CanMovePhysically() &&
                    static_cast<Vehicle*>(u)->IsArmoredVehicle(kKnowTruth, false))
                    mTank = static_cast<Vehicle*>(u);
                else if (!mGun && u->mUnitType == kUnitInfantry &&
                         static_cast<Infantry*>(u)->GetSpeedClass() == 1 && u->HasHeavyWeapon(kKnowTruth))
                    mGun = static_cast<Infantry*>(u);
            }
            if (mTank && mGun && mTank->mSide == mGun->mSide) return;
        }
        FAIL() << "no shipped battle has a tank and a pushable gun on one side";
    }
    // A leg longer than the unit covers in a turn, the first open one of
    // eight bearings.
    void SendOff(Unit* u, float metres) {
        u->CancelMovementOrders();
        for (int32_t k = 0; k < 8; ++k) {
            const float a = 0.785398f * static_cast<float>(k);
            const float x = u->mX + metres * std::cos(a), y = u->mY + metres * std::sin(a);
            if (!mRunner->GetBattle()->mMap->OnMap(x, y) || !u->CanOccupyLocation(x, y, true)) continue;
            u->ReceiveMoveOrders(x, y, 20, nullptr, true, true, true, true);
            if (u->mNrWaypoints > 0) return;
        }
        ADD_FAILURE() << "no open leg for the unit";
    }

    // An enemy in full view, and one of the side's registered target points
    // to stand it on.
    void SetUpSightLine() {
        UnitList* units = mRunner->GetBattle()->mUnits;
        for (int32_t i = 0; i < units->GetCount() && !mEnemy; ++i) {
            Unit* u = units->GetUnit(i);
            if (u->mActive && u->mOffMapState == 0 && u->mSide != mTank->mSide &&
                u->mUnitType != kUnitInanimate)
                mEnemy = u;
        }
        mPoint = new Inanimate;
        mPoint->IInanimate(3, mTank->mForce, 0.0f, 0.0f, 0.0f);
        units->Add(mPoint);
    }
    // Whether the sight line from s to the enemy, seen in full and standing
    // on the registered point, says "(erfasst)".
    bool RangedIn(Unit* s) {
        GString255 rez;
        rez.IStringRez(1597);
        const std::string ranged(rez.GetCString(), rez.GetLength());
        mEnemy->mContactLevel = kContactFull;
        mEnemy->mSpotMarker = false;
        mEnemy->mSpotMarkerGone = false;
        mPoint->mX = mEnemy->mX;
        mPoint->mY = mEnemy->mY;
        SightQuery q;
        q.selected = s;
        q.target = mEnemy;
        q.visibility = 0.9f;
        q.distance = std::hypot(mEnemy->mX - s->mX, mEnemy->mY - s->mY);
        q.x = mEnemy->mX;
        q.y = mEnemy->mY;
        SightLineTexts t;
        BuildSightLineTexts(mRunner->GetBattle()->mMap, q, &t);
        for (int32_t k = 0; k < t.count; ++k)
            if (std::string(t.lines[k].text).find(ranged) != std::string::npos) return true;
        return false;
    }

    std::unique_ptr<BattleRunner> mRunner;
    Vehicle* mTank = nullptr;
    Infantry* mGun = nullptr;
    Unit* mEnemy = nullptr;
    Inanimate* mPoint = nullptr;
};

} // namespace

// The turn's movement leaves its flag with the next orders phase, and the
// sight line of a gun on the move no longer says its target, standing at
// one of its side's registered points, is ranged in ("(erfasst)").
TEST_F(MovingFlag, ATankAndAPushedGunOnTheMoveAreFlaggedByTheirMovement) {
    Load();
    ASSERT_FALSE(HasFailure());
    SetUpSightLine();
    ASSERT_NE(mEnemy, nullptr);
    EXPECT_FALSE(mTank->mIsMoving);
    EXPECT_FALSE(mGun->mIsMoving);
    EXPECT_TRUE(RangedIn(mTank));
    EXPECT_TRUE(RangedIn(mGun));

    SendOff(mTank, 400.0f);
    SendOff(mGun, 150.0f);
    const float tankX = mTank->mX, gunX = mGun->mX;
    RunnerTurn t;
    std::string error;
    ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
    // Both still on their way in the next orders phase.
    ASSERT_NE(mTank->mPlaybackSpeed, 0.0f);
    ASSERT_NE(mGun->mPlaybackSpeed, 0.0f);
    ASSERT_NE(mTank->mX, tankX);
    ASSERT_NE(mGun->mX, gunX);
    EXPECT_TRUE(mTank->mIsMoving);
    EXPECT_TRUE(mGun->mIsMoving);
    EXPECT_FALSE(RangedIn(mTank)) << "a tank on the move is not laid";
    EXPECT_FALSE(RangedIn(mGun)) << "a gun being pushed is not laid";
    // The computer counts both as moving.
    EXPECT_TRUE(aifacts::IsMoving(mTank));
    EXPECT_TRUE(aifacts::IsMoving(mGun));
    // A sniper's shot from 200 m at the crew on the move is weaker than at
    // the crew standing.
    PendingAttack shot;
    shot.mWeaponClass = kWClassSniper;
    shot.mWeaponType = kWeaponSniper;
    shot.mTarget = mGun;
    shot.mOriginX = mGun->mX + 200.0f;
    shot.mOriginY = shot.mImpactY = mGun->mY;
    shot.mImpactX = mGun->mX;
    const float running = shot.GetFirepower(false, nullptr);
    mGun->mPlaybackSpeed = 0.0f;
    EXPECT_LT(running, shot.GetFirepower(false, nullptr));
}

// A vehicle's flag holds from its drive or its aim on the move until it
// fires or takes a fresh aim: a tank that reaches the end of a short leg
// within the turn still shoots as on the move when it halts to fire, and its
// sight line does not say "(erfasst)" at once.
TEST_F(MovingFlag, ATankThatHaltedInTheTurnFiresAsOnTheMoveUntilItsShot) {
    Load();
    ASSERT_FALSE(HasFailure());
    SetUpSightLine();
    ASSERT_NE(mEnemy, nullptr);
    SendOff(mTank, 15.0f);
    const float tankX = mTank->mX, tankY = mTank->mY;
    RunnerTurn t;
    std::string error;
    ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
    ASSERT_EQ(mTank->mNrWaypoints, 0);
    ASSERT_EQ(mTank->mPlaybackSpeed, 0.0f);
    ASSERT_GT(std::hypot(mTank->mX - tankX, mTank->mY - tankY), 5.0f);
    EXPECT_TRUE(mTank->mIsMoving);
    EXPECT_FALSE(RangedIn(mTank));
    // Its hit chance on a vehicle carries the moving-fire factor.
    Vehicle* other = nullptr;
    UnitList* units = mRunner->GetBattle()->mUnits;
    for (int32_t i = 0; i < units->GetCount() && !other; ++i) {
        Unit* u = units->GetUnit(i);
        if (u != mTank && u->mActive && u->mUnitType == kUnitVehicle) other = static_cast<Vehicle*>(u);
    }
    ASSERT_NE(other, nullptr);
    mTank->mTarget = other;
    const float onTheMove = mTank->GetHitChance(kAmmoAP, 20, other, kKnowTruth, 0);
    // A fresh aim clears the flag: the tank is laid again.
    mTank->ResetAimClock();
    EXPECT_FALSE(mTank->mIsMoving);
    EXPECT_LT(onTheMove, mTank->GetHitChance(kAmmoAP, 20, other, kKnowTruth, 0));
    mTank->mTarget = nullptr;
    EXPECT_TRUE(RangedIn(mTank));
}

// Stopped on its way by a vehicle of its own side standing across its path,
// a tank keeps its waypoints and has not fired: its next shot is still one
// fired on the move.
TEST_F(MovingFlag, ATankStoppedOnItsWayKeepsTheFlag) {
    Load();
    ASSERT_FALSE(HasFailure());
    SendOff(mTank, 400.0f);
    RunnerTurn t;
    std::string error;
    ASSERT_TRUE(mRunner->RunTurn(&t, &error)) << error;
    ASSERT_NE(mTank->mPlaybackSpeed, 0.0f);
    ASSERT_TRUE(mTank->mIsMoving);
    Vehicle* other = nullptr;
    UnitList* units = mRunner->GetBattle()->mUnits;
    for (int32_t i = 0; i < units->GetCount() && !other; ++i) {
        Unit* u = units->GetUnit(i);
        if (u != mTank && u->mActive && u->mUnitType == kUnitVehicle && u->mSide == mTank->mSide && !u->mTransport)
            other = static_cast<Vehicle*>(u);
    }
    ASSERT_NE(other, nullptr);
    other->CancelMovementOrders();
    other->mPlaybackSpeed = 0.0f;
    const float dx = mTank->mWaypoints[0].mX - mTank->mX, dy = mTank->mWaypoints[0].mY - mTank->mY;
    const float d = std::hypot(dx, dy);
    other->AISetLocation(mTank->mX + 2.0f * dx / d, mTank->mY + 2.0f * dy / d);
    mTank->Move();
    ASSERT_EQ(mTank->mPlaybackSpeed, 0.0f) << "the vehicle in the way did not stop the tank";
    ASSERT_GT(mTank->mNrWaypoints, 0);
    EXPECT_TRUE(mTank->mIsMoving) << "the stop took the tank's moving flag";
}
