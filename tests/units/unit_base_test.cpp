// The unit base: identity codes, sight, covered arcs, suppression, the
// angle helpers and the placed-object box.

#include <gtest/gtest.h>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "renderer/G3DObject.h"
#include "units/Inanimate.h"
#include "units/UnitGeometry.h"

namespace {

// A fixed object that answers whether it is armoured as the test says.
class Target : public Inanimate {
public:
    bool IsArmoredVehicle(DataKnowledge, bool) override { return mArmoured; }
    bool mArmoured = false;
};

class SideHost : public BattleHost {
public:
    Affiliation ViewingSide() override { return mSide; }
    Affiliation mSide = kAxis;
};

} // namespace

TEST(UnitIdentity, PackedCodeKeepsCompanyPlatoonAndUnitApart) {
    Inanimate u;
    u.SetIDCode(static_cast<char>(200), 2047, 2047);
    EXPECT_EQ(u.GetCompanyNumber(), 200);
    EXPECT_EQ(u.GetPlatoonNumber(), 2047);
    EXPECT_EQ(u.GetUnitNumber(), 2047);
    u.SetIDCode(3, 5, 9);
    EXPECT_EQ((u.mPackedID >> 11) & 0x7FF, 5); // the platoon sits in bits 11-21
    EXPECT_EQ(u.GetCompanyNumber(), 3);
    EXPECT_EQ(u.GetUnitNumber(), 9);
}

TEST(UnitIdentity, NewIdentitiesCountPerSideAndMarkTheAxis) {
    Inanimate a, b, c;
    a.mSide = 1;
    b.mSide = 1;
    c.mSide = 0;
    Unit::ResetUnitIDNumbers(true);
    a.AssignID();
    b.AssignID();
    c.AssignID();
    Unit::ResetUnitIDNumbers(false);
    EXPECT_EQ(a.UniqueID(), 0x10001u);
    EXPECT_EQ(b.UniqueID(), 0x10002u);
    EXPECT_EQ(c.UniqueID(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(b.mLinkID), b.UniqueID());
}

TEST(UnitSight, SpottedNowNeedsContactAndNoMarkerOrHiding) {
    Inanimate u;
    u.mContactLevel = 1;
    EXPECT_FALSE(u.IsSpottedNow());
    u.mContactLevel = 2;
    EXPECT_TRUE(u.IsSpottedNow());
    u.mSpotMarker = true;
    EXPECT_FALSE(u.IsSpottedNow());
    EXPECT_TRUE(u.ShowsSpotMarker());
    u.mSpotMarkerGone = true;
    EXPECT_FALSE(u.ShowsSpotMarker());
    u.mSpotMarker = u.mSpotMarkerGone = false;
    u.mOffMapState = 2;
    EXPECT_FALSE(u.IsSpottedNow());
    u.mOffMapState = 0;
    u.mHidden = true;
    EXPECT_FALSE(u.IsSpottedNow());
}

TEST(UnitSight, ThePlayerSeesOwnUnitsFullyAndEnemiesByContact) {
    Battle battle;
    SideHost host;
    battle.mHost = &host;
    Battle* old = gBattle;
    gBattle = &battle;
    Inanimate axis;
    axis.mSide = 1;
    axis.mContactLevel = 2;
    EXPECT_EQ(axis.VisibleToPlayer(false), 5); // own
    host.mSide = kAllies;
    EXPECT_EQ(axis.VisibleToPlayer(false), 2);
    axis.mSpotMarkerGone = true;
    EXPECT_EQ(axis.VisibleToPlayer(true), 0);
    axis.mSpotMarkerGone = false;
    axis.mHidden = true;
    EXPECT_EQ(axis.VisibleToPlayer(false), 0);
    EXPECT_EQ(axis.VisibleToPlayer(true), 2); // the hidden field counts only without the argument
    axis.mSurrendered = true;                 // a surrendered unit counts for the other side
    EXPECT_EQ(axis.VisibleToPlayer(false), 5);
    axis.mSurrendered = false;
    battle.mTurn = 31; // over: everything is shown
    EXPECT_EQ(axis.VisibleToPlayer(false), 5);
    axis.mOffMapState = 3;
    EXPECT_EQ(axis.VisibleToPlayer(false), 0);
    gBattle = old;
}

TEST(UnitSight, ApparentPlaceIsTheMarkerOrTheSoundOffset) {
    Inanimate u;
    u.mSide = 0; // Allied, seen by the Axis player without a battle
    u.mX = 100;
    u.mY = 200;
    u.mContactLevel = 1;
    u.mSoundOffsetX = -40;
    u.mSoundOffsetY = 12;
    float x = 0, y = 0;
    EXPECT_TRUE(u.GetApparentLocation(&x, &y, nullptr));
    EXPECT_EQ(x, 60.0f);
    EXPECT_EQ(y, 212.0f);
    u.mSpotMarker = true;
    u.mMarkerX = 5;
    u.mMarkerY = 6;
    u.GetApparentLocation(&x, &y, nullptr);
    EXPECT_EQ(x, 5.0f);
    u.mContactLevel = 0;
    u.mSpotMarker = false;
    EXPECT_FALSE(u.GetApparentLocation(&x, &y, nullptr));
}

TEST(UnitArc, ArcsAcrossNorthOfEastWrapAtZero) {
    Inanimate u;
    EXPECT_TRUE(u.InCoveredArc(-50, -50, nullptr, nullptr)); // no arc: everything
    u.Store180Arc(100, 0);                                   // faces east: -90 .. 90
    EXPECT_TRUE(u.InCoveredArc(50, -40, nullptr, nullptr));
    EXPECT_TRUE(u.InCoveredArc(50, 40, nullptr, nullptr));
    EXPECT_FALSE(u.InCoveredArc(-50, 1, nullptr, nullptr));
    EXPECT_FALSE(u.InCoveredArc(150, 0, nullptr, nullptr)); // beyond its reach
    u.StoreMaxArc(0, 100);                                  // faces north, no reach limit: 45 .. 135
    EXPECT_TRUE(u.InCoveredArc(0, 5000, nullptr, nullptr));
    EXPECT_FALSE(u.InCoveredArc(100, 10, nullptr, nullptr));
    u.CancelCoveredArc();
    EXPECT_TRUE(u.InCoveredArc(100, 10, nullptr, nullptr));
}

TEST(UnitArc, TwoEdgesMakeTheSmallerArcAndArmourOnlyArcsRejectSoftTargets) {
    Inanimate u;
    u.StoreArc(false, 100, -10); // first edge just south of east
    u.StoreArc(true, 100, 30);   // second edge north of east
    EXPECT_TRUE(u.mArcFirm);
    EXPECT_TRUE(u.InCoveredArc(50, 0, nullptr, nullptr));
    EXPECT_FALSE(u.InCoveredArc(0, 50, nullptr, nullptr));
    // The pointer sweeping clockwise from the first edge, its last place
    // reported twice: the arc still spans the first edge to the pointer.
    u.StoreArc(false, 100, 30);
    for (float y : {10.0f, -10.0f, -10.0f})
        u.StoreArc(true, 100, y);
    EXPECT_TRUE(u.InCoveredArc(50, 8, nullptr, nullptr));
    EXPECT_TRUE(u.InCoveredArc(50, -3, nullptr, nullptr));
    EXPECT_FALSE(u.InCoveredArc(0, 50, nullptr, nullptr));
    u.mArcKind = true;
    Target soft, tank;
    tank.mArmoured = true;
    bool armourOnly = false;
    EXPECT_FALSE(u.InCoveredArc(50, 0, &soft, &armourOnly));
    EXPECT_TRUE(armourOnly);
    EXPECT_TRUE(u.InCoveredArc(50, 0, &tank, &armourOnly));
    EXPECT_FALSE(armourOnly);
    EXPECT_FALSE(u.InCoveredArc(0, 50, &tank, &armourOnly));
    EXPECT_FALSE(armourOnly); // rejected by direction, not by armour
}

TEST(UnitState, SuppressionIsClampedAndBanded) {
    Inanimate u;
    u.SetSuppression(-3, false);
    EXPECT_EQ(u.mSuppression, 0.0f);
    EXPECT_EQ(u.SuppressionBand(), 0);
    u.SetSuppression(9.99f, false);
    EXPECT_EQ(u.SuppressionBand(), 0);
    u.SetSuppression(10, false);
    EXPECT_EQ(u.SuppressionBand(), 1);
    u.SetSuppression(349, false);
    EXPECT_EQ(u.SuppressionBand(), 4);
    u.mFanatic = 1; // drawn already: an ordinary unit
    u.SetSuppression(1200, false);
    EXPECT_EQ(u.SuppressionBand(), 7);
    u.SetSuppression(5000, false);
    EXPECT_EQ(u.mSuppression, 1500.0f);
}

TEST(UnitState, DeathClearsOrdersOnceAndExitKeepsMoraleWhileAlive) {
    Inanimate u;
    Inanimate other;
    u.mActive = true;
    u.mTarget = &other;
    u.mNrWaypoints = 3;
    u.mHiding = true;
    gPacket = false;
    u.Die();
    EXPECT_FALSE(u.mActive);
    EXPECT_EQ(u.mTarget, nullptr);
    EXPECT_EQ(u.mNrWaypoints, 0);
    EXPECT_FALSE(u.mHiding);
    EXPECT_TRUE(gPacket);
    Inanimate leaving;
    leaving.mActive = true;
    leaving.ExitMap();
    EXPECT_EQ(leaving.mOffMapState, 2);
    EXPECT_TRUE(leaving.mExiting);
    bool exited = false;
    leaving.GetExitValue(&exited, false);
    EXPECT_FALSE(exited); // without a battle there is no exit edge to leave by
    EXPECT_FALSE(leaving.mFreed);
    Inanimate prisoner;
    prisoner.mSurrendered = true;
    prisoner.ExitMap();
    EXPECT_FALSE(prisoner.mSurrendered);
    EXPECT_TRUE(prisoner.mFreed);
}

TEST(UnitState, MovementOrdersNeedTwoWaypointsOrOneThatIsNotARotation) {
    Inanimate u;
    EXPECT_FALSE(u.HasMovementOrders());
    u.mNrWaypoints = 1;
    u.mWaypoints[0].mOrder = kPaceRotate;
    EXPECT_FALSE(u.HasMovementOrders());
    EXPECT_TRUE(u.LastWaypointIsRotation());
    u.mWaypoints[0].mOrder = 4;
    EXPECT_TRUE(u.HasMovementOrders());
    u.mNrWaypoints = 2;
    u.mWaypoints[1].mOrder = kPaceRotate;
    EXPECT_TRUE(u.HasMovementOrders());
}

TEST(UnitGeometry, PointingAndBearings) {
    EXPECT_EQ(GetHeadingFromXY(0, 5), 90.0f);
    EXPECT_EQ(GetHeadingFromXY(0, -5), 270.0f);
    EXPECT_EQ(GetHeadingFromXY(0, 0), 90.0f);
    EXPECT_FLOAT_EQ(GetHeadingFromXY(-1, -1), 225.0f);
    EXPECT_FLOAT_EQ(GetHeadingFromXY(1, -1), 315.0f);
    EXPECT_EQ(Clamp360(-10.0f), 350.0f);
    EXPECT_EQ(Clamp360(720.0f), 0.0f);
    EXPECT_EQ(Clamp360(359.5f), 359.5f);
    Inanimate u;
    EXPECT_TRUE(u.PointedWithin(350.0f, 16.0f, 10, 1)); // 5.7 degrees wraps through 0
    EXPECT_FALSE(u.PointedWithin(180.0f, 15.0f, 10, 1));
    EXPECT_TRUE(u.PointedWithin(180.0f, 181.0f, 10, 1)); // above 180 covers all
}

TEST(PlacedObject, BoxIsSlightlyLargerThanTheObject) {
    G3DObject box;
    EXPECT_EQ(box.mCenterZ, 0.0f);
    box.SetModelCoords(10, 20, 2, 3.8f, 1.9f, 4);
    EXPECT_EQ(box.mCenterX, 10.0f);
    EXPECT_EQ(box.mCenterZ, 4.0f);
    EXPECT_FLOAT_EQ(box.mExtentX, 2.0f);
    EXPECT_FLOAT_EQ(box.mExtentY, 1.0f);
    EXPECT_EQ(box.mExtentZ, static_cast<float>(4.0 * (1.0 / 1.9)));
}

TEST(UnitTargets, WhoMayBeTargetedAndHowATargetIsDropped) {
    Inanimate gun, enemy, friendly;
    gun.mSide = 1;
    enemy.mSide = 0;
    friendly.mSide = 1;
    enemy.mActive = true;
    EXPECT_TRUE(gun.CanPotentiallyTarget(&enemy));
    EXPECT_FALSE(gun.CanPotentiallyTarget(&friendly));
    enemy.mSurrendered = true;
    EXPECT_FALSE(gun.CanPotentiallyTarget(&enemy));
    enemy.mSurrendered = false;
    enemy.mActive = false; // a wreck: only for a heavy weapon, and fixed objects have none
    EXPECT_FALSE(gun.CanPotentiallyTarget(&enemy));
    gun.mSurrendered = true;
    enemy.mActive = true;
    EXPECT_FALSE(gun.CanPotentiallyTarget(&enemy));

    gun.mTarget = &enemy;
    gun.mOrderedTarget = &enemy;
    gun.mAreaFireFlag = true;
    gun.mShotsAtTarget = 4;
    gPacket = false;
    gun.CancelTarget(false, false);
    EXPECT_EQ(gun.mTarget, nullptr);
    EXPECT_EQ(gun.mOrderedTarget, &enemy);
    EXPECT_FALSE(gun.mAreaFireFlag);
    EXPECT_EQ(gun.mShotsAtTarget, 0);
    EXPECT_TRUE(gPacket);
    gun.CancelTarget(true, true);
    EXPECT_EQ(gun.mOrderedTarget, nullptr);
}

TEST(UnitGeometry, AspectIsRelativeToTheHullAndFolds) {
    Inanimate u;
    u.mHeading = 90.0f;
    EXPECT_FLOAT_EQ(u.AspectToLocation(0, 10, false, false), 0.0f);
    EXPECT_FLOAT_EQ(u.AspectToLocation(10, 0, false, false), 270.0f);
    EXPECT_FLOAT_EQ(u.AspectToLocation(10, 0, false, true), 90.0f);
    EXPECT_FLOAT_EQ(u.AspectToLocation(0, -10, false, true), 180.0f);
}

TEST(UnitRecords, SoundsAreRecordedAsPacketsThroughTheBattle) {
    Inanimate u;
    u.mX = 12.0f;
    EXPECT_EQ(u.AddSoundEffect(5), nullptr); // no battle: nothing recorded
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    battle.mTimeSlice = 40;
    u.mSliceCount = 1;
    ActionPacket* p = u.AddSoundEffect(5);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->mType, kPacketSound);
    EXPECT_EQ(p->mTimeSlice, 40);
    EXPECT_EQ(p->mSource, &u);
    EXPECT_EQ(p->mSoundNumber, 300);
    EXPECT_EQ(p->mX, 12.0f);
    EXPECT_EQ(battle.mPackets.GetCount(), 1);
    gBattle = old;
}

TEST(UnitOrders, WaypointsAreRemovedInPlace) {
    Inanimate u;
    u.mNrWaypoints = 4;
    for (int i = 0; i < 4; ++i)
        u.mWaypoints[i].mX = static_cast<float>(i);
    for (int i = 0; i < 4; ++i)
        u.mWaypoints[i].mKind = kWaypointPlanned;
    u.mWaypoints[3].mOrder = kPaceRotate; // a closing turn is taken back
    u.RemoveCurrentRotation();
    ASSERT_EQ(u.mNrWaypoints, 3);
    EXPECT_EQ(u.mWaypoints[2].mKind, kWaypointPlannedEnd);
    u.DeletePlannedMidWaypoint(1);
    ASSERT_EQ(u.mNrWaypoints, 2);
    EXPECT_EQ(u.mWaypoints[1].mX, 2.0f);
    u.DeletePlannedMidWaypoint(7);
    u.DeleteLastWaypoint();
    EXPECT_EQ(u.mNrWaypoints, 1);
    EXPECT_EQ(u.mWaypoints[0].mKind, kWaypointPlannedEnd);
}
