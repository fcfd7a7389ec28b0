// The pace the computer gives a path: a gun vehicle that cannot hurt an
// armoured gun from where it stands creeps up when the path's end would let
// it, skiers glide while lightly suppressed, and a squad looks at the first
// 60 m of its path for open ground.

#include <gtest/gtest.h>

#include "ai_fixture.h"
#include "ai_moves_fixtures.h"
#include "units/Infantry.h"

using namespace aitest;

namespace {

// An armoured gun facing north at (1000, 1000), its turret turned to the
// west, and a soft gun vehicle with a turret 300 m east of it, whose path
// leads to (1000, 700), right behind the target. Every plate is 500 mm but
// those a test thins; the mover's rough harm is scaled by its firing cycle
// (a cycle below 12 s multiplies it by 12 / cycle).
class AIVehicleMoves : public AIBattle {
protected:
    AIVehicleMoves() {
        for (ArmorPlate& p : mVehicles[0].mArmorPlates)
            p = {500, 0};
        mVehicles[2] = mVehicles[0]; // the mover's own row
        target = Armour(kAllies, 1000.0f, 1000.0f);
        target->mHeading = 90.0f;
        target->mTurretBearing = 90.0f;
        me = Armour(kAxis, 1300.0f, 1000.0f);
        me->mSubtype = 2;
        me->kit.mArmoured = false;
        me->mTarget = target;
    }
    // Armour slot = aspect (front, side, rear) * 3 + place (turret, upper,
    // lower hull).
    void Plate(int32_t slot, int16_t mm) { mVehicles[0].mArmorPlates[slot] = {mm, 0}; }
    float Harm() { return me->GetRoughAbilityToDamage(nullptr, me->ChooseAmmo(target, false), target); }
    // The cycle that turns a harm of `base` at 12 s into `want`.
    void Scale(float base, float want) {
        me->kit.mFullAimTime = 0.0f;
        me->kit.mFullLoadTime = 12.0f * base / want;
    }
    MovementSpeedType Pace() {
        me->AIMakePathTo(1000.0f, 700.0f, false, false, nullptr);
        EXPECT_GT(me->mNrWaypoints, 0);
        return me->mNrWaypoints > 0 ? me->mWaypoints[0].mOrder : -1;
    }

    Tank* target = nullptr;
    Tank* me = nullptr;
};

// A skier of infantry row 0, unencumbered.
class SkiSquad : public MoveKind<Infantry> {
public:
    SkiSquad() { mUnitType = kUnitInfantry; }
};

} // namespace

// Moving helps when the harm from here is below 0.15, from here with the
// target turned toward the mover (its turret straight) still below 0.15, and
// from the path's end at least 0.3: the vehicle then goes cautiously (4)
// instead of at its road pace (13).
TEST_F(AIVehicleMoves, AGunVehicleCreepsUpWhenOnlyThePathsEndLetsItHarmTheTarget) {
    Plate(5, 136); // the lower hull side, seen from here
    Plate(8, 30);  // the lower hull rear, seen from the path's end
    me->kit.mFullLoadTime = 12.0f;
    const float side = Harm();
    ASSERT_GT(side, 0.05f);
    ASSERT_LT(side, 0.14f);
    Scale(side, 0.149f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    Scale(side, 0.151f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    // Nothing the check moved stays moved.
    EXPECT_EQ(me->mX, 1300.0f);
    EXPECT_EQ(me->mY, 1000.0f);
    EXPECT_EQ(target->mHeading, 90.0f);
    EXPECT_EQ(target->mTurretBearing, 90.0f);

    // The turret front, seen only once the target faces the mover.
    Plate(5, 500);
    Plate(0, 144);
    target->mHeading = 0.0f;
    target->mTurretBearing = 0.0f;
    me->kit.mFullLoadTime = 12.0f;
    const float front = Harm();
    target->mHeading = 90.0f;
    target->mTurretBearing = 90.0f;
    ASSERT_GT(front, 0.02f);
    ASSERT_LT(front, 0.14f);
    ASSERT_EQ(Harm(), 0.0f); // the turret's rear and the hull's side hold
    Scale(front, 0.149f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    Scale(front, 0.151f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    EXPECT_EQ(target->mHeading, 90.0f);
    EXPECT_EQ(target->mTurretBearing, 90.0f);

    // Proof from here and from the front: the rear at the path's end decides.
    Plate(0, 500);
    Plate(8, 136);
    me->kit.mFullLoadTime = 12.0f;
    me->mX = 1000.0f;
    me->mY = 700.0f;
    const float rear = Harm();
    me->mX = 1300.0f;
    me->mY = 1000.0f;
    ASSERT_GT(rear, 0.05f);
    ASSERT_LT(rear, 0.29f);
    Scale(rear, 0.299f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    Scale(rear, 0.301f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    EXPECT_EQ(me->mX, 1300.0f);
    // Only against an armoured target with a gun, and only with a turret
    // (the rear now so thin that the rounds chosen against a soft target
    // go through as well).
    Plate(8, 5);
    ASSERT_EQ(Pace(), kAISpeedCautious);
    target->kit.mOrdnance = false;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    target->kit.mOrdnance = true;
    target->kit.mArmoured = false;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    target->kit.mArmoured = true;
    mVehicles[2].mTurretKind = 5;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
}

// A squad on skis that would go fast (5) glides (8) while its suppression
// is below 30; other paces stay.
TEST(AIMovePaces, SkiersGlideBelowThirtySuppression) {
    MoveBattle b;
    MoveRows rows;
    rows.infantry[0].mSpeedClass = kSpeedUnencumbered;
    auto* s = b.Add<SkiSquad>(kAxis, 50.0f, 50.0f);
    auto pace = [&](float suppression, bool skis) {
        s->mSuppression = suppression;
        s->mOnSkis = skis;
        s->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
        EXPECT_GT(s->mNrWaypoints, 0);
        return s->mNrWaypoints > 0 ? s->mWaypoints[0].mOrder : -1;
    };
    EXPECT_EQ(pace(29.9f, true), kAISpeedQuick);
    EXPECT_EQ(pace(30.0f, true), kAISpeedFast);
    EXPECT_EQ(pace(29.9f, false), kAISpeedFast);
    s->mFatigueState = 2; // tired: cautious, skis or not
    EXPECT_EQ(pace(0.0f, true), kAISpeedCautious);
}

// The exposed check walks the path's legs while less than 60 m lie behind:
// a covered first leg of 59.5 m lets it see the open ground on the second
// leg, one of exactly 60 m does not.
TEST(AIMovePaces, TheExposedCheckLooksAtLegsStartingWithinSixtyMetres) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWater);
    b.Paint(0, 20, 120, 40, kTerrainWoods);    // a wooded lane east along y = 30
    b.Paint(100, 20, 120, 240, kTerrainWoods); // turning north at x = 110
    b.Paint(100, 100, 120, 120, kTerrainOpen); // a clearing on the second leg
    auto* u = b.Add(kAxis, 50.5f, 30.0f);
    bool exposed = false;
    u->AIMakePathTo(110.0f, 210.0f, false, false, &exposed);
    ASSERT_EQ(u->mNrWaypoints, 2);
    ASSERT_EQ(u->mWaypoints[0].mX, 110.0f); // the turn
    ASSERT_EQ(u->mWaypoints[0].mY, 30.0f);
    EXPECT_TRUE(exposed);
    u->mX = 50.0f;
    u->AIMakePathTo(110.0f, 210.0f, false, false, &exposed);
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_FALSE(exposed);
}
