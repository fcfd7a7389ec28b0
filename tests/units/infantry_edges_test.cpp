// Suppression bands on both sides of every edge, the targets a squad drops
// by band after a blow, the facing cone of a moving squad and the walls that
// scale and cap the cover of a squad behind them; the range at which a squad
// is seen by its concealment, the time of day and its stealth.

#include <cmath>

#include "infantry2_fixture.h"
#include "map/BuildingWallCrater.h"
#include "units/Inanimate.h"

namespace {

using namespace infantry;

TEST(SuppressionBand, EachBandStartsAtItsLowerEdge) {
    Inanimate u;
    const struct { float edge; int32_t band; } edges[] = {{10, 1},  {30, 2},   {60, 3},   {100, 4},
                                                          {350, 5}, {600, 6}, {1200, 7}};
    for (const auto& e : edges) {
        u.mSuppression = e.edge - 0.01f;
        EXPECT_EQ(u.SuppressionBand(), e.band - 1) << e.edge;
        u.mSuppression = e.edge;
        EXPECT_EQ(u.SuppressionBand(), e.band) << e.edge;
    }
    u.mSuppression = 0.0f;
    EXPECT_EQ(u.SuppressionBand(), 0);
}

} // namespace

namespace {

using InfantryFacing = InfantryFight;

// A moving squad heading 90 degrees can face points up to 45 degrees either
// side of its heading; a stopped one any point.
TEST_F(InfantryFacing, AMovingSquadFacesPointsWithinFortyFiveDegreesOfItsHeading) {
    mPaces[kFast].mPaceKind = 3;
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mHeading = 90.0f;
    u->mMoveSpeed = kFast;
    auto faces = [&](float bearing) {
        const float a = bearing * 3.14159265f / 180.0f;
        return u->AbleToFaceLocation(100.0f + 50.0f * std::cos(a), 100.0f + 50.0f * std::sin(a));
    };
    EXPECT_TRUE(faces(90.0f + 44.5f));
    EXPECT_FALSE(faces(90.0f + 45.5f));
    EXPECT_TRUE(faces(90.0f - 44.5f));
    EXPECT_FALSE(faces(90.0f - 45.5f));
    EXPECT_FALSE(faces(270.0f));
    u->mMoveSpeed = kStand;
    EXPECT_TRUE(faces(270.0f));
}

} // namespace

namespace {

using InfantryPanic = InfantryFight;

// After a blow a squad in band 4 drops a target it may not answer while
// pinned (infantry beyond 20 m that is not firing at it); from band 5 it
// drops any target; below band 4 it keeps it.
TEST_F(InfantryPanic, TargetsAreDroppedFromBandFourWhenNotAnswerableAndFromBandFiveAlways) {
    Paint(0.0f, 0.0f, 400.0f, 400.0f, kTerrainWoods); // cover: no running
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* close = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
    Infantry* distant = Place(kUSSquad, kAmerican, 160.0f, 100.0f);
    auto keeps = [&](Infantry* target, float suppression) {
        u->mTarget = target;
        u->mSuppression = suppression;
        u->MaybePanic(false, false, 0.0f, 0.0f, true);
        return u->mTarget == target;
    };
    EXPECT_TRUE(keeps(distant, 99.9f));
    EXPECT_FALSE(keeps(distant, 100.0f));
    EXPECT_TRUE(keeps(close, 100.0f));
    EXPECT_TRUE(keeps(close, 349.9f));
    EXPECT_FALSE(keeps(close, 350.0f));
    EXPECT_FALSE(keeps(close, 600.0f));
}

} // namespace

namespace {

using InfantryCover = InfantryFight;

// A wall between the blow's origin and a squad on open ground (0.75): a
// type-41 wall takes 0.9 of the cover value and then at most 0.3; types 43
// and 44 take 0.95 and at most 0.6; a type-16 wall caps it at 0.3 and hides
// a squad at a low pace entirely.
TEST_F(InfantryCover, WallsBetweenScaleAndCapTheTerrainEffect) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    auto* wall = new Wall;
    mBattle.map().mWalls->Add(wall);
    // The sight test is answered by a stored, fully visible fraction (as the
    // spotting pass does): exposure (1 - 0.3) x 0.4 + 0.72 = 1.
    auto tem = [&](Terrain type) {
        wall->IWall(type, 60.0f, 90.0f, 60.0f, 110.0f, 1.0f);
        mBattle.map().IndexObjects();
        // From 1.5 m above the ground 80 m off: the line passes the 1 m wall low.
        const float z = mBattle.map().GetZCoord(20.0f, 100.0f) + 1.5f;
        EXPECT_EQ(mBattle.map().GetBlockingWallType(20.0f, 100.0f, z, 100.0f, 100.0f, u->GetZ()), type);
        float seen = 1.0f;
        ReuseExposureOnce();
        return u->GetTEMFromLocation(20.0f, 100.0f, z, false, false, false, 0, false, &seen);
    };
    EXPECT_NEAR(tem(41), 0.3f + 0.005f, 1e-5f);         // 0.675, cut to 0.3
    EXPECT_NEAR(tem(43), 0.6f + 0.005f, 1e-5f);         // 0.7125, cut to 0.6
    EXPECT_NEAR(tem(44), 0.6f + 0.005f, 1e-5f);
    EXPECT_NEAR(tem(16), 0.3f + 0.005f, 1e-5f);
    EXPECT_NEAR(tem(42), 0.3f + 0.005f, 1e-5f);
    EXPECT_NEAR(tem(17), 0.75f + 0.005f, 1e-5f);        // no wall rule
    // In woods (0.18) the factors bite below the caps.
    Paint(90.0f, 90.0f, 110.0f, 110.0f, kTerrainWoods);
    EXPECT_NEAR(tem(41), 0.18f * 0.9f + 0.005f, 1e-5f);
    EXPECT_NEAR(tem(43), 0.18f * 0.95f + 0.005f, 1e-5f);
    EXPECT_NEAR(tem(16), 0.18f + 0.005f, 1e-5f);
    // At a low pace a hedge or a type-42 wall hides the squad entirely.
    mPaces[kStand].mLowProfile = 1;
    u->mMoveSpeed = kStand;
    EXPECT_NEAR(tem(16), 0.005f, 1e-6f);
    EXPECT_NEAR(tem(42), 0.005f, 1e-6f);
    EXPECT_NEAR(tem(41), 0.18f * 0.9f + 0.005f, 1e-5f);
}

} // namespace

namespace {

using InfantryConcealment = InfantryFight;

// How far a squad on open ground (0.75) is seen, from a stored sight line of
// exposure 0.64: m = 0.64 x 0.75 + 0.005, t = m x 0.8; the range by the
// pace's concealment class, by the time of day and by the squad's stealth.
TEST_F(InfantryConcealment, TheSeenRangeByConcealmentClassTimeOfDayAndStealth) {
    Infantry* spotter = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* target = Place(kUSSquad, kAmerican, 180.0f, 100.0f);
    target->mMoveSpeed = kStand;
    const float t = (0.64f * 0.75f + 0.005f) * 0.8f;
    const float e = static_cast<float>(target->GetEffectiveExperience(kLeadStealth));
    const float stealth = 1.1414f - 0.1f * std::sqrt(e);
    auto seen = [&](int32_t k, int32_t timeOfDay) {
        mPaces[kStand].mConcealClass = static_cast<int8_t>(k);
        mBattle.mBattle.mTimeOfDay = timeOfDay;
        mBattle.map().DeleteLOSTable();
        mBattle.map().StoreLOS(spotter, target, true, 0.64f, false, false, false);
        return target->SpottingRange(spotter);
    };
    const float classes[5] = {375.2f * t * t + 252.0f * t + 1.61f, 276.8f * t * t + 168.8f * t - 2.696f,
                              375.2f * t * t + 252.0f * t + 1.61f, 536.9f * t * t + 223.5f * t + 4.643f,
                              -19.36f * t * t + 810.7f * t + 85.58f};
    for (int32_t k = 1; k <= 4; ++k)
        EXPECT_NEAR(seen(k, 1), std::fmax(classes[k] * stealth, 10.0f), 1e-2f) << k;
    EXPECT_NEAR(seen(0, 1), classes[2] * stealth, 1e-2f); // outside 1..4: class 2
    EXPECT_NEAR(seen(5, 1), classes[2] * stealth, 1e-2f);
    EXPECT_NEAR(seen(4, 0), classes[4] * 0.666667f * stealth, 1e-2f);
    EXPECT_NEAR(seen(4, 2), classes[4] * 0.666667f * stealth, 1e-2f);
    EXPECT_NEAR(seen(4, 3), classes[4] * 0.333333f * stealth, 1e-2f);
    // A sight line stored as blocked: not seen at all.
    mBattle.map().DeleteLOSTable();
    mBattle.map().StoreLOS(spotter, target, false, 0.0f, false, false, false);
    EXPECT_EQ(target->SpottingRange(spotter), 0.0f);
}

} // namespace

namespace {

using InfantryCloseFire = InfantryFight;

// Close fire at a standing target: (d + 1) x 0.00826 below 120 m with d at
// least 10 m; 1 from 120 m on and without a target.
TEST_F(InfantryCloseFire, TheFactorRisesWithDistanceFromTenMetresUpToAHundredAndTwenty) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* target = Place(kUSSquad, kAmerican, 105.0f, 100.0f);
    EXPECT_EQ(u->CloseRangeFireFactor(), 1.0f);
    u->mTarget = target;
    const struct { float d, f; } cases[] = {
        {5.0f, 11.0f * 0.00826f}, {10.0f, 11.0f * 0.00826f}, {60.0f, 61.0f * 0.00826f},
        {119.0f, 120.0f * 0.00826f}, {120.0f, 1.0f}, {300.0f, 1.0f}};
    for (const auto& c : cases) {
        target->mX = 100.0f + c.d;
        EXPECT_NEAR(u->CloseRangeFireFactor(), c.f, 1e-5f) << c.d;
    }
}

} // namespace

namespace {

using InfantryHaze = InfantryFight;

// Haze thins what a spotter 80 m off sees by haze^(80 / 2); a squad whose
// exposure falls below 0.3 is not seen at all (and the pair is stored as
// not visible).
TEST_F(InfantryHaze, ASquadThinnedBelowThreeTenthsByHazeIsNotSeen) {
    Infantry* spotter = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* target = Place(kUSSquad, kAmerican, 180.0f, 100.0f);
    mBattle.mBattle.mVisibilityFactor = 1.0f;
    mBattle.map().DeleteLOSTable();
    ASSERT_GT(target->SpottingRange(spotter), 0.0f);
    bool los = false, known = false, hd = false;
    float clear = 0.0f;
    ASSERT_TRUE(mBattle.map().CheckStoredLOS(spotter, target, &los, &clear, &known, &hd));
    ASSERT_GT(clear, 0.3f);
    auto seen = [&](float margin) {
        mBattle.mBattle.mVisibilityFactor = std::pow(0.3f * margin / clear, 1.0f / 40.0f);
        mBattle.map().DeleteLOSTable();
        return target->SpottingRange(spotter);
    };
    EXPECT_GT(seen(1.01f), 0.0f);
    EXPECT_EQ(seen(0.99f), 0.0f);
    EXPECT_TRUE(mBattle.map().CheckStoredLOS(spotter, target, &los, &clear, &known, &hd));
    EXPECT_FALSE(los);
}

} // namespace
