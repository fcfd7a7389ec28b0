// The target choice on a vehicle's own gun fields: the main-gun flag it
// sets when it picks a target itself, the player's gun choice that binds
// only the target it was given, a knocked-out gun that is never assigned,
// and the turret's rest that a new order ends.

#include <memory>

#include "ai_fixture.h"
#include "battle/UnitID.h"

using namespace aitest;

namespace {
class AIVehicleGun : public AIBattle {
protected:
    // A tank with a working coaxial machine gun besides its main gun.
    Tank* GunTank(Affiliation side, float x, float y) {
        mVehicles[0].mCoaxMG = 5;
        mVehicles[0].mCoaxMGCount = 1;
        Tank* t = Armour(side, x, y);
        for (uint8_t& r : t->mMGRounds)
            r = 100;
        return t;
    }
};
} // namespace

TEST_F(AIVehicleGun, ATankThatPicksATankItselfEngagesItWithTheMainGun) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* enemy = Armour(kAllies, 1300, 1000);
    enemy->mHeading = 180.0f;
    ASSERT_FALSE(me->mUseMainGun);
    me->AIMaySwitchToNewTarget(false);
    ASSERT_EQ(me->mTarget, enemy);
    EXPECT_TRUE(me->mUseMainGun);
}

TEST_F(AIVehicleGun, MachineGunsOnlyBindTheOrderedTargetAndNoOther) {
    Tank* me = GunTank(kAxis, 1000, 1000);
    Squad* squad = Rifles(kAllies, 1100, 1000);
    mBattle.mCheckOrders = false; // the player is asked, and keeps the gun silent
    me->ReceiveTargetOrders(squad, 0.0f, 0.0f, false, 0);
    ASSERT_EQ(me->mOrderedTarget, squad);
    ASSERT_TRUE(me->HasFunctioningMG(false));
    ASSERT_FALSE(me->mUseMainGun);
    // Staying on the ordered target leaves the player's choice alone.
    me->AIMaySwitchToNewTarget(false);
    ASSERT_EQ(me->mTarget, squad);
    EXPECT_FALSE(me->mUseMainGun);
    // The squad is gone and a tank comes up: the gun engages it.
    squad->mActive = false;
    Tank* enemy = Armour(kAllies, 1300, 1000);
    enemy->mHeading = 180.0f;
    me->AIMaySwitchToNewTarget(false);
    ASSERT_EQ(me->mTarget, enemy);
    EXPECT_TRUE(me->mUseMainGun);
}

TEST_F(AIVehicleGun, AKnockedOutGunIsNeverAssignedAndStaysOutAfterLoading) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* enemy = Armour(kAllies, 1300, 1000);
    enemy->mHeading = 180.0f;
    me->ApplyDamage(kHitGun);
    ASSERT_TRUE(me->mWeaponKnockedOut);
    EXPECT_TRUE(me->mMainGunOut);
    me->AIMaySwitchToNewTarget(false);
    EXPECT_FALSE(me->mUseMainGun);
    me->ReceiveTargetOrders(enemy, 0.0f, 0.0f, false, 0);
    EXPECT_FALSE(me->mUseMainGun);
    // A saved vehicle comes back with its gun still out.
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    me->Write(&file);
    file.Rewind();
    std::unique_ptr<Unit> copy(ReadUnit(&file));
    auto* read = dynamic_cast<Vehicle*>(copy.get());
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->mWeaponKnockedOut);
    EXPECT_TRUE(read->mMainGunOut);
}

TEST_F(AIVehicleGun, ANewTargetOrderEndsTheTurretsRest) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* enemy = Armour(kAllies, 1300, 1000);
    me->mTurretHoldSlices = 6800;
    me->ReceiveTargetOrders(enemy, 0.0f, 0.0f, false, 0);
    EXPECT_EQ(me->mTurretHoldSlices, 0);
    // The target choice itself leaves the rest running.
    me->mTurretHoldSlices = 6000;
    me->AIMaySwitchToNewTarget(false);
    EXPECT_EQ(me->mTurretHoldSlices, 6000);
}
