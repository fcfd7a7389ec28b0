// Fear: a pinned squad routs toward its own edge, a squad in the open runs
// to cover, a crew abandons its gun, surrender to a captor and breaking
// free, and the burning square a unit flees.

#include "infantry2_fixture.h"

namespace {

using namespace infantry;

class InfantryFear : public InfantryFight {
protected:
    InfantryFear() {
        mPaces[kFast].mPaceKind = 3;
        mPaces[kMove].mPaceKind = 2;
    }
};

TEST_F(InfantryFear, APanickedSquadRoutsTowardItsOwnEdgeIntoCover) {
    // Woods lie to the west, toward the Germans' retreat edge; the enemy east.
    Paint(40.0f, 80.0f, 80.0f, 120.0f, kTerrainWoods);
    Infantry* u = Place(kGermanSquad, kGerman, 120.0f, 100.0f);
    Place(kUSSquad, kAmerican, 190.0f, 100.0f);
    u->mSuppression = 700.0f;
    u->MaybePanic(false, true, 190.0f, 100.0f, false);
    ASSERT_GE(u->mNrWaypoints, 1);
    const Waypoint& last = u->mWaypoints[u->mNrWaypoints - 1];
    EXPECT_LT(last.mX, 80.0f);
    EXPECT_TRUE(mBattle.map().IsCoverAt(last.mX, last.mY, false));
    // Already heading for its edge, a second rout keeps that way.
    EXPECT_TRUE(u->RoutMove(true, true));
}

TEST_F(InfantryFear, ASquadCaughtInTheOpenRunsToTheNearestGoodCover) {
    Paint(120.0f, 80.0f, 140.0f, 100.0f, kTerrainWoods); // 20 m east
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 90.0f);
    u->CoverMove(true, false, 0.0f, 0.0f);
    ASSERT_GE(u->mNrWaypoints, 1);
    const Waypoint& w = u->mWaypoints[u->mNrWaypoints - 1];
    EXPECT_GE(w.mX, 120.0f);
    EXPECT_LT(w.mX, 140.0f);
    EXPECT_TRUE(mBattle.map().IsCoverAt(w.mX, w.mY, false));
}

TEST_F(InfantryFear, WithoutCoverWithinSixtyMetresTheSquadStays) {
    Paint(180.0f, 0.0f, 200.0f, 200.0f, kTerrainWoods); // 80 m away
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->CoverMove(true, false, 0.0f, 0.0f);
    EXPECT_EQ(u->mNrWaypoints, 0);
    u->mSuppression = 1000.0f; // a calm search scores 20 or more: never taken
    Paint(150.0f, 100.0f, 160.0f, 110.0f, kTerrainWoods);
    u->CoverMove(false, false, 0.0f, 0.0f);
    EXPECT_EQ(u->mNrWaypoints, 0);
}

TEST_F(InfantryFear, AGunCrewTooSlowToRunLeavesItsGunOnlyWhenHalfAreLost) {
    Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
    crew->mSuppression = 700.0f; // band 6
    crew->mCasualties = 2;       // of 5
    crew->MaybePanic(false, false, 0.0f, 0.0f, false);
    EXPECT_TRUE(crew->mActive);
    const int32_t before = mBattle.mBattle.mUnits->GetCount() + mBattle.mBattle.mNewUnits.GetCount();
    crew->mCasualties = 3;
    crew->MaybePanic(false, false, 0.0f, 0.0f, false);
    EXPECT_FALSE(crew->mActive);
    EXPECT_GT(mBattle.mBattle.mUnits->GetCount() + mBattle.mBattle.mNewUnits.GetCount(), before);
    // A forced panic is band 6 whatever the suppression.
    Infantry* other = Place(kGermanGunCrew, kGerman, 150.0f, 150.0f);
    other->mCasualties = 3;
    other->MaybePanic(true, false, 0.0f, 0.0f, false);
    EXPECT_FALSE(other->mActive);
}

TEST_F(InfantryFear, ASquadWithNoWayOutSurrendersToItsCaptorAndIsFreedByFriends) {
    mBattle.mBattle.mEdgeOwner[kDirWest] = 2; // no retreat edge
    mBattle.mBattle.mGlobalMorale[kAxis] = 0.1f; // a broken side
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* captor = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
    captor->mTarget = u;
    u->mSuppression = 120.0f; // band 4
    u->mContactLevel = 3;
    u->mFanatic = 1;
    u->FearReaction();
    ASSERT_TRUE(u->mSurrendered);
    EXPECT_EQ(u->mContactLevel, kContactFull);
    EXPECT_EQ(u->mGrenades, 0);
    EXPECT_EQ(captor->mKillRecords[0].mInfantryCaptured, 9);
    EXPECT_EQ(captor->mKillRecords[1].mInfantryCaptured, 9);

    // The captor leaves; a friend in good order comes close.
    captor->mActive = false;
    Place(kGermanSquad, kGerman, 90.0f, 100.0f);
    for (int32_t s = 0; s < 200 && u->mSurrendered; ++s)
        u->FearReaction();
    EXPECT_FALSE(u->mSurrendered);
    EXPECT_TRUE(u->mExiting);
    EXPECT_FLOAT_EQ(u->mSuppression, 0.0f);
}

TEST_F(InfantryFear, ASquadThatCanRouteAwayDoesNotSurrender) {
    Paint(0.0f, 0.0f, 90.0f, 200.0f, kTerrainWoods);
    mBattle.mBattle.mGlobalMorale[kAxis] = 0.1f;
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* captor = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
    captor->mTarget = u;
    u->mSuppression = 120.0f;
    u->mContactLevel = 3;
    u->mFanatic = 1;
    u->FearReaction();
    EXPECT_FALSE(u->mSurrendered);
    EXPECT_GE(u->mNrWaypoints, 1);
}

TEST_F(InfantryFear, OnlyTheSquareUnderTheUnitCountsForFlight) {
    // 15 m lies in the first 20 m square; rounding would have named the
    // burning second one.
    Paint(20.0f, 0.0f, 40.0f, 40.0f, kTerrainWoods);
    Infantry* u = Place(kGermanSquad, kGerman, 15.0f, 15.0f);
    mBattle.map().StartFire(25.0f, 15.0f, true, false);
    ASSERT_GT(mBattle.map().GetFireState(25.0f, 15.0f), 4);
    u->FearReaction();
    EXPECT_EQ(u->mNrWaypoints, 0);
    u->mX = 25.0f;
    u->FearReaction();
    EXPECT_GE(u->mNrWaypoints, 1);
}

TEST_F(InfantryFear, AnRPGFirerInABuildingIsPinnedAndAFireMayStart) {
    Paint(90.0f, 90.0f, 110.0f, 110.0f, kTerrainLightBuilding);
    Infantry* u = Place(kGermanTankHunters, kGerman, 100.0f, 100.0f);
    u->mAntitankWeapon = 166;
    u->mHastyFire = true;
    u->MaybePinLATWFirer();
    EXPECT_FLOAT_EQ(u->mSuppression, 150.0f);
    Infantry* out = Place(kGermanTankHunters, kGerman, 150.0f, 150.0f);
    out->mAntitankWeapon = 166;
    out->MaybePinLATWFirer();
    EXPECT_FLOAT_EQ(out->mSuppression, 0.0f);
}

} // namespace

namespace {

TEST_F(InfantryFear, ASideWithNoMoraleLeftWeighsSurrenderWithoutDividingByZero) {
    mBattle.mBattle.mEdgeOwner[kDirWest] = 2;
    mBattle.mBattle.mGlobalMorale[kAxis] = 0.0f;
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* captor = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
    captor->mTarget = u;
    u->mSuppression = 120.0f;
    u->mContactLevel = 3;
    u->mFanatic = 1;
    u->FearReaction();
    EXPECT_TRUE(u->mSurrendered);
    EXPECT_EQ(captor->mKillRecords[1].mInfantryCaptured, 9);
}

} // namespace
