// Suppression bands on both sides of every edge, the targets a squad drops
// by band after a blow, the facing cone of a moving squad and the walls that
// scale and cap the cover of a squad behind them.

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
