// A forward observer's aim clock on a re-target (kept fire data, fire
// adjustment, registered target points), and whose registered target points
// each rule looks at.

#include <cmath>

#include "engine/GOLTA.h"
#include "infantry2_fixture.h"

namespace {

class ObserverRules : public InfantryFight {
protected:
    ObserverRules() {
        mBattle.mBattle.InstallMapLink();
        fo = Place(kBritishObserver, kBritish, 100.0f, 100.0f);
        fo->mRandomSeed = 321;
        fo->mAreaTarget = true;
        // Kept at the end of the last playback: a mission on (150, 150).
        fo->mFOTargetX = 150.0f;
        fo->mFOTargetY = 150.0f;
        fo->mFOAimTime = 20.0f;
        fo->mSavedMissionLive = true;
        fo->mSavedRoundPattern = true;
        fo->mFOLastErrorX = 30.0f;
        fo->mFOLastErrorY = -20.0f;
    }
    // The observer's fresh aim time from its own seed.
    float FreshAim() {
        const uint32_t state = GetRandomState();
        SeedRandomGenerator(static_cast<uint32_t>(fo->mRandomSeed));
        float aim = fo->FullAimTime(false, false);
        const float s = std::fmin(0.4f * aim, 60.0f);
        aim += s * (static_cast<float>(RandomFraction()) - 0.5f);
        SeedRandomGenerator(state);
        return aim;
    }
    void AimAt(float x, float y) {
        fo->mAreaTargetX = x;
        fo->mAreaTargetY = y;
        fo->mMissionLive = false;
        fo->mRoundPattern = false;
        fo->mFOErrorX = fo->mFOErrorY = 0.0f;
        fo->ResetAimClock();
    }
    // A registered target point of the side at (x, y).
    void ReferencePoint(Affiliation side, float x, float y) {
        Walker* mark = mBattle.Add(side, x, y, kUnitInanimate);
        mark->mSubtype = 3;
    }
    Infantry* fo;
};

} // namespace

TEST_F(ObserverRules, ARetargetOntoTheKeptPointRestoresTheKeptMission) {
    SeedRandomGenerator(99);
    AimAt(150.0f, 150.0f);
    EXPECT_EQ(fo->mAimTime, 20.0f);
    EXPECT_EQ(fo->mAreaTargetX, 150.0f);
    EXPECT_EQ(fo->mAreaTargetY, 150.0f);
    EXPECT_TRUE(fo->mMissionLive);
    EXPECT_TRUE(fo->mRoundPattern);
    EXPECT_EQ(fo->mFOErrorX, 30.0f);
    EXPECT_EQ(fo->mFOErrorY, -20.0f);
    EXPECT_EQ(GetRandomState(), 99u); // the battle's generator goes on where it was
}

TEST_F(ObserverRules, FireIsAdjustedWithinAHundredMetresOfTheKeptPoint) {
    const float fresh = FreshAim();
    ASSERT_GT(fresh, 0.0f);
    // 99 m away: a quarter of the fresh time on top of the kept one, at most
    // the fresh time, and a new (halved) error drawn.
    AimAt(249.0f, 150.0f);
    EXPECT_FLOAT_EQ(fo->mAimTime, std::fmin(fresh, 0.25f * fresh + 20.0f));
    EXPECT_EQ(fo->mAreaTargetX, 249.0f); // no kept point put back
    EXPECT_FALSE(fo->mMissionLive);
    EXPECT_TRUE(fo->mFOErrorX != 0.0f || fo->mFOErrorY != 0.0f);
    // Without a kept error no new one is drawn.
    fo->mFOLastErrorX = fo->mFOLastErrorY = 0.0f;
    AimAt(249.0f, 150.0f);
    EXPECT_FLOAT_EQ(fo->mAimTime, std::fmin(fresh, 0.25f * fresh + 20.0f));
    EXPECT_EQ(fo->mFOErrorX, 0.0f);
    EXPECT_EQ(fo->mFOErrorY, 0.0f);
    // 101 m away: a fresh mission.
    AimAt(251.0f, 150.0f);
    EXPECT_FLOAT_EQ(fo->mAimTime, fresh);
}

TEST_F(ObserverRules, ARegisteredPointOfTheOwnSideQuartersTheAimTime) {
    const float fresh = FreshAim();
    ReferencePoint(kAxis, 400.0f, 400.0f); // the enemy's: no help
    AimAt(410.0f, 400.0f);
    EXPECT_FLOAT_EQ(fo->mAimTime, fresh);
    ReferencePoint(kAllies, 415.0f, 400.0f);
    AimAt(410.0f, 400.0f);
    EXPECT_FLOAT_EQ(fo->mAimTime, std::fmin(0.25f * fresh, 60.0f));
}

TEST_F(ObserverRules, TheAimComesFromTheObserversSeedAloneOnEveryMachine) {
    Infantry* other = Place(kBritishObserver, kBritish, 120.0f, 100.0f);
    other->mRandomSeed = fo->mRandomSeed;
    other->mAreaTarget = true;
    SeedRandomGenerator(1);
    AimAt(600.0f, 600.0f);
    SeedRandomGenerator(777);
    other->mAreaTargetX = other->mAreaTargetY = 600.0f;
    other->ResetAimClock();
    EXPECT_EQ(other->mAimTime, fo->mAimTime);
    EXPECT_FLOAT_EQ(fo->mAimTime, FreshAim());
}

TEST_F(ObserverRules, UnsetKeptDataAndOddPointsAreNeverWithin) {
    bool exact = true;
    EXPECT_FALSE(fo->WithinFOAdjustment(NAN, 150.0f, &exact));
    EXPECT_FALSE(exact);
    EXPECT_FALSE(fo->WithinFOAdjustment(INFINITY, 150.0f, nullptr));
    // The adjustment answer is the 100 m test; exact is only reported.
    EXPECT_TRUE(fo->WithinFOAdjustment(150.0f, 150.0f, &exact));
    EXPECT_TRUE(exact);
    EXPECT_TRUE(fo->WithinFOAdjustment(200.0f, 150.0f, &exact));
    EXPECT_FALSE(exact);
    EXPECT_FALSE(fo->WithinFOAdjustment(300.0f, 150.0f, &exact));
    fo->mFOTargetX = fo->mFOTargetY = fo->mFOAimTime = fo->mFOLastErrorX = fo->mFOLastErrorY = kFOUnset;
    EXPECT_FALSE(fo->WithinFOAdjustment(kFOUnset, kFOUnset, &exact));
    EXPECT_FALSE(exact);
    AimAt(kFOUnset, kFOUnset);
    EXPECT_EQ(fo->mAreaTargetX, kFOUnset); // nothing of the unset data restored
    EXPECT_FLOAT_EQ(fo->mAimTime, FreshAim());
}

TEST_F(ObserverRules, EachSideLooksOnlyAtItsOwnRegisteredPoints) {
    // The observer's aiming error is dropped at the start of the action
    // phase only over its own side's point.
    ReferencePoint(kAxis, 300.0f, 300.0f);
    fo->mAreaTargetX = fo->mAreaTargetY = 300.0f;
    fo->mFOErrorX = 40.0f;
    fo->PrepareForAction();
    EXPECT_EQ(fo->mFOErrorX, 40.0f);
    ReferencePoint(kAllies, 310.0f, 300.0f);
    fo->PrepareForAction();
    EXPECT_EQ(fo->mFOErrorX, 0.0f);
}

TEST_F(ObserverRules, AGunLaidOnARegisteredPointIsFullyRangedIn) {
    Infantry* gun = Place(kGermanGunCrew, kGerman, 100.0f, 300.0f);
    Infantry* enemy = Place(kUSSquad, kAmerican, 500.0f, 300.0f);
    gun->mTarget = enemy;
    gun->mAcquisition = 1;
    const int32_t plain = gun->LimitAcquisition(enemy, kWClassGun);
    EXPECT_LT(plain, 4);
    EXPECT_FALSE(gun->IsNearBoresight());
    ReferencePoint(kAllies, 510.0f, 300.0f); // the enemy's own point: nothing
    EXPECT_FALSE(gun->IsNearBoresight());
    EXPECT_EQ(gun->LimitAcquisition(enemy, kWClassGun), plain);
    ReferencePoint(kAxis, 515.0f, 300.0f);
    EXPECT_TRUE(gun->IsNearBoresight());
    EXPECT_EQ(gun->LimitAcquisition(enemy, kWClassGun), 4);
    EXPECT_EQ(gun->LimitAcquisition(enemy, kWClassSmallArms), plain); // rifles are not laid
    gun->mExiting = true;
    EXPECT_EQ(gun->LimitAcquisition(enemy, kWClassGun), plain);
    gun->mExiting = false;
    // An area target counts by its point.
    gun->mTarget = nullptr;
    gun->mAreaTarget = true;
    gun->mAreaTargetX = 530.0f;
    gun->mAreaTargetY = 300.0f;
    EXPECT_TRUE(gun->IsNearBoresight());
    gun->mAreaTargetX = 560.0f;
    EXPECT_FALSE(gun->IsNearBoresight());
}
