// Suppression bands on both sides of every edge, the targets a squad drops
// by band after a blow, and the facing cone of a moving squad.

#include <cmath>

#include "infantry2_fixture.h"
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
