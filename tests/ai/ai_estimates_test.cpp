// The target choice's estimates of hit chance and shell error, which judge a
// candidate as if the unit had already ranged in on it, and the aim bonus of
// the present target, counted from the unit's real shots.

#include <cmath>

#include "ai_fixture.h"

using namespace aitest;

namespace {

class AIEstimates : public AIBattle {
protected:
    // A gun tank of the planned side and enemy tanks straight ahead on its
    // x axis at the given distances, all standing still.
    void Line(std::initializer_list<float> distances) {
        me = Armour(kAxis, 200, 1000);
        for (float d : distances)
            at.push_back(Armour(kAllies, 200 + d, 1000));
    }
    // The hit chance of a gun fully ranged in (level 4: the range is known
    // exactly) on the tank at index i.
    float Ranged(size_t i) {
        Unit* oldTarget = me->mTarget;
        const int16_t oldLevel = me->mAcquisition;
        me->mTarget = at[i];
        me->mAcquisition = 4;
        const float p = me->GetHitChance(kAmmoAP, 4, at[i], kKnowTruth, 0);
        me->mTarget = oldTarget;
        me->mAcquisition = oldLevel;
        return p;
    }
    Tank* me = nullptr;
    std::vector<Tank*> at;
};

} // namespace

// The range the gunner believes is the distance times 6.0, 3.6, 2.2, 1.4
// or 1.0 by how far he has ranged in (levels 0 to 4). The estimate takes a
// standing target as after three shots (1.4) and a moving one as after two
// (2.2), so a standing tank at 500 m is estimated as a ranged-in gun sees one
// at 700 m, and a moving one as at 1100 m.
TEST_F(AIEstimates, HitChanceIsEstimatedAsAfterThreeShotsOrTwoAtAMovingTarget) {
    Line({500, 700, 1100, 3000});
    const float p700 = Ranged(1), p1100 = Ranged(2), p3000 = Ranged(3);
    ASSERT_GT(p700, p1100);
    ASSERT_GT(p1100, p3000);
    ASSERT_GT(p3000, 0.0f);

    // A gunner who has not fired at anything yet.
    ASSERT_EQ(me->mAcquisition, 0);
    const uint32_t state = GetRandomState();
    EXPECT_NEAR(me->AIGetHitChance(kAmmoAP, 4, at[0], kKnowTruth), p700, 1e-5f);
    // His real chance at 500 m is that of the unranged gun: as at 3000 m.
    me->mTarget = at[0];
    EXPECT_NEAR(me->GetHitChance(kAmmoAP, 4, at[0], kKnowTruth, 0), p3000, 1e-5f);
    me->mTarget = nullptr;

    // Moving (speed, or standing between the floors of a building): two
    // shots, the chance of a gun that has fired twice at the tank going.
    at[0]->mPlaybackSpeed = 1.0f;
    me->mTarget = at[0];
    me->mAcquisition = me->mShotsAtTarget = 2;
    const float afterTwo = me->GetHitChance(kAmmoAP, 4, at[0], kKnowTruth, 0);
    me->mTarget = nullptr;
    me->mAcquisition = me->mShotsAtTarget = 0;
    EXPECT_NEAR(me->AIGetHitChance(kAmmoAP, 4, at[0], kKnowTruth), afterTwo, 1e-5f);
    at[0]->mPlaybackSpeed = 0.0f;
    at[0]->mZ = 0.5f;
    EXPECT_NEAR(me->AIGetHitChance(kAmmoAP, 4, at[0], kKnowTruth), p1100, 1e-5f);
    at[0]->mZ = 0.0f;

    // Already ranged in on it (one shot, level 1): raised to three shots.
    me->mTarget = at[0];
    me->mAcquisition = 1;
    EXPECT_NEAR(me->AIGetHitChance(kAmmoAP, 4, at[0], kKnowTruth), p700, 1e-5f);
    // Fully ranged in (a hit): kept at level 4, as at 500 m.
    me->mAcquisition = 4;
    me->mShotsAtTarget = 5;
    const float p500 = me->GetHitChance(kAmmoAP, 4, at[0], kKnowTruth, 0);
    ASSERT_GT(p500, p700);
    EXPECT_FLOAT_EQ(me->AIGetHitChance(kAmmoAP, 4, at[0], kKnowTruth), p500);

    // The estimate draws nothing and puts the unit's state back.
    EXPECT_EQ(GetRandomState(), state);
    EXPECT_EQ(me->mTarget, at[0]);
    EXPECT_EQ(me->mAcquisition, 4);
    EXPECT_EQ(me->mShotsAtTarget, 5);
}

// The shell error of the estimate is that of a gun ranged in to level 3 on
// the candidate, whatever the unit is aiming at now; a unit ranged in further
// keeps its own level.
TEST_F(AIEstimates, ShellErrorIsEstimatedAsAfterThreeShots) {
    Line({500});
    Tank* it = at[0];
    Squad* other = Rifles(kAllies, 300, 1300);
    auto error = [&](int16_t level) {
        me->mTarget = it;
        me->mAcquisition = level;
        float a = 0, b = 0;
        me->CalculatePlacedShellError(true, false, it, it->mX, it->mY, 20, 2, false, kAmmoHE, &a, &b);
        return std::pair<float, float>(a, b);
    };
    const auto level0 = error(0), level3 = error(3), level4 = error(4);
    // The range-estimate factor (6.0, 1.4, 1.0) widens the error.
    ASSERT_GT(level0.first + level0.second, level3.first + level3.second);
    ASSERT_GT(level3.first + level3.second, level4.first + level4.second);

    me->mTarget = other;
    me->mAcquisition = 0;
    me->mShotsAtTarget = 1;
    float a = 0, b = 0;
    me->AIPlacedShellError(it, 20, 2, false, kAmmoHE, &a, &b);
    EXPECT_FLOAT_EQ(a, level3.first);
    EXPECT_FLOAT_EQ(b, level3.second);
    EXPECT_EQ(me->mTarget, other);
    EXPECT_EQ(me->mAcquisition, 0);
    EXPECT_EQ(me->mShotsAtTarget, 1);
    // Ranged in to level 4 on it: its own level.
    me->mTarget = it;
    me->mAcquisition = 4;
    me->AIPlacedShellError(it, 20, 2, false, kAmmoHE, &a, &b);
    EXPECT_FLOAT_EQ(a, level4.first);
    EXPECT_FLOAT_EQ(b, level4.second);
    EXPECT_EQ(me->mAcquisition, 4);
}

// The present target of a gun with no ordered target scores times
// (0.1 x shots + 1.15); the shots are those the unit really fired at it.
TEST_F(AIEstimates, ThePresentTargetGainsATenthPerShotReallyFired) {
    Line({400});
    Tank* it = at[0];
    Squad* elsewhere = Rifles(kAllies, 300, 1500);
    me->mTarget = it;
    me->Fire(kAmmoHE, 0);
    me->Fire(kAmmoHE, 0);
    ASSERT_EQ(me->mShotsAtTarget, 2);
    auto score = [&] {
        me->mAmmo[kAmmoHE] = 20; // the same ammunition level each time
        gBestTarget = nullptr;
        gBestTargetScore = -1.0f;
        me->AIScoreTarget(it, true);
        return gBestTarget == it ? gBestTargetScore : -1.0f;
    };
    const float afterTwo = score();
    ASSERT_GT(afterTwo, 0.0f);
    // A shot at another unit resets the count when the target changes.
    me->ReceiveTargetOrders(elsewhere, 0.0f, 0.0f, false, 0);
    me->Fire(kAmmoHE, 0);
    me->mTarget = it;
    me->mOrderedTarget = nullptr;
    me->mShotsAtTarget = 0;
    const float none = score();
    EXPECT_NEAR(afterTwo / none, (0.2f + 1.15f) / 1.15f, 1e-5f);
    // With another ordered target: times (0.06 x shots + 1.1).
    me->Fire(kAmmoHE, 0);
    ASSERT_EQ(me->mShotsAtTarget, 1);
    me->mOrderedTarget = elsewhere;
    const float ordered = score();
    ASSERT_GT(ordered, 0.0f);
    EXPECT_NEAR(ordered / none, (0.06f + 1.1f) / 1.15f, 1e-5f);
}
