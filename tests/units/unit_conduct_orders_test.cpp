// Orders and their delay, morale, target orders and set-up placement.

#include <gtest/gtest.h>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "unit_conduct_fixtures.h"
#include "units/Functions.h"
#include "units/Inanimate.h"

namespace {

constexpr int32_t kSquad = 1;
constexpr int32_t kObserver = 2;
constexpr WeaponType kOffboardGuns = 7;

// A movement chart of 18 paces, pace p chosen by order 40 + p, all taking
// many waypoints with a delay weight of 1; and an infantry squad and an
// observer record.
class OrdersTest : public ::testing::Test {
protected:
    OrdersTest() : mChart(gMovementSpeedChart, 18), mInfantry(gInfantryData, 3), mWeapons(gWeaponData, 8) {
        for (int32_t p = 0; p < 18; ++p) {
            mChart[p].mOrderCode = 40 + p;
            mChart[p].mMultiWaypoint = 1;
            mChart[p].mMixable = 1;
            mChart[p].mChangeable = 1;
            mChart[p].mDelayFactor = 1.0f;
        }
        mInfantry[kSquad].mIsSquad = 1;
        mInfantry[kSquad].mNrMen = 8;
        mInfantry[kSquad].mHeavyWeapon = kWeaponNone;
        mInfantry[kObserver].mHeavyWeapon = kOffboardGuns;
        mWeapons[kOffboardGuns].mClass = kWClassIndirect;
    }
    Walker* Squad(float x, float y, Affiliation side = kAxis) {
        Walker* u = mBattle.Add(side, x, y);
        u->mSubtype = kSquad;
        return u;
    }

    TableRows<MovementSpeedChart> mChart;
    TableRows<InfantryData> mInfantry;
    TableRows<WeaponData> mWeapons;
    SmallBattle mBattle;
};

} // namespace

TEST_F(OrdersTest, OrdersOfEveryPaceKeepToFiftyWaypoints) {
    for (MovementSpeedType pace = 0; pace < kPaceRotate; ++pace) {
        Walker* u = Squad(100, 100);
        for (int32_t i = 0; i < 60; ++i)
            u->ReceiveMoveOrders(10.0f + static_cast<float>(i), 20.0f, 40 + pace, nullptr, true, false, false,
                                 true);
        ASSERT_EQ(u->mNrWaypoints, kMaxWaypoints) << pace;
        EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 1].mX, 69.0f); // the 50th is overwritten
        EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 1].mOrder, pace);
        EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 1].mKind, kWaypointPlannedEnd);
        EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 2].mKind, kWaypointPlanned);
    }
    Walker* u = Squad(100, 100);
    u->ReceiveMoveOrders(150, 100, 44, nullptr, true, false, false, false);
    u->ReceiveMoveOrders(160, 100, kOrderRotate, nullptr, true, false, false, false);
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_EQ(u->mWaypoints[1].mOrder, kPaceRotate);
    u->ReceiveMoveOrders(170, 100, 44, nullptr, true, false, false, false); // replaces the turn
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_EQ(u->mWaypoints[1].mX, 170.0f);
    EXPECT_EQ(u->mWaypoints[0].mKind, kWaypointActive);
    EXPECT_EQ(u->mWaypoints[1].mKind, kWaypointActiveEnd);

    // The hide order marks the last waypoint only; bad points are dropped.
    u->ReceiveMoveOrders(0, 0, kOrderHide, nullptr, true, false, false, false);
    EXPECT_EQ(u->mWaypoints[1].mHide, 1);
    EXPECT_FALSE(u->mHiding);
    mBattle.Paint(180, 180, 200, 200, kTerrainWater);
    u->ReceiveMoveOrders(190, 190, 44, nullptr, true, false, false, false);
    u->ReceiveMoveOrders(NAN, 10, 44, nullptr, true, false, false, false);
    u->ReceiveMoveOrders(10, INFINITY, 44, nullptr, true, false, false, false);
    EXPECT_EQ(u->mNrWaypoints, 2);
}

TEST_F(OrdersTest, TheCommandDelayFollowsExperienceLegsAndSuppression) {
    Walker* u = Squad(100, 100);
    u->mExperience = kExperienceRegular;
    // Hand-worked: 50 e^(-0.375 n) for the base and 0.3 of it per leg,
    // each further leg 1.3 times the last (no leader in range).
    bool efficient = IsEfficientNation(u->GetNation());
    float one = efficient ? 21.1000f : 30.6911f;
    float two = efficient ? 27.4300f : 39.8984f;
    u->ReceiveMoveOrders(120, 100, 44, nullptr, true, false, true, true);
    EXPECT_NEAR(u->mCommandDelay, one, 0.01f);
    u->ReceiveMoveOrders(140, 100, 44, nullptr, true, false, true, true);
    EXPECT_NEAR(u->mCommandDelay, two, 0.01f);
    u->OrdersDelay(false, true); // the first two legs only: the same here
    EXPECT_NEAR(u->mCommandDelay, two, 0.01f);

    u->mWaypoints[0].mOrder = kPaceBuildingOnly; // a sewer move: doubled and 15 s more
    u->OrdersDelay(false, false);
    EXPECT_NEAR(u->mCommandDelay, 2.0f * two + 15.0f, 0.02f);
    u->mSuppression = 1500;
    u->OrdersDelay(false, false);
    EXPECT_EQ(u->mCommandDelay, 180.0f);
    u->mCarriedDelay = 4.0f;
    u->OrdersDelay(true, false); // converted: active orders start at once
    EXPECT_EQ(u->mCommandDelay, 184.0f);
    EXPECT_EQ(u->mWaypoints[0].mKind, kWaypointActive);
    u->mSuppression = 0;
    u->OrdersDelay(false, false);
    EXPECT_EQ(u->mCommandDelay, 4.0f + 15.0f);
}

TEST_F(OrdersTest, AnActiveWaypointDraggedFarStopsTwentyMetresFromItsOrderPoint) {
    Walker* u = Squad(100, 100);
    u->mExperience = kExperienceRegular;
    u->ReceiveMoveOrders(50, 50, 44, nullptr, true, false, false, true);
    u->ConvertWaypointsToActive();
    u->MoveWaypoint(0, 150, 50);
    EXPECT_NEAR(u->mWaypoints[0].mX, 70.0f, 1e-4f);
    EXPECT_NEAR(u->mWaypoints[0].mY, 50.0f, 1e-4f);
    mBattle.Paint(40, 80, 60, 100, kTerrainWater);
    u->MoveWaypoint(0, 50, 90); // into water: back to where it was ordered
    EXPECT_EQ(u->mWaypoints[0].mX, 50.0f);
    EXPECT_EQ(u->mWaypoints[0].mY, 50.0f);
    u->MoveWaypoint(3, 60, 60); // no such waypoint
    u->mWaypoints[0].mOrder = kPaceSplitApproach;
    u->MoveWaypoint(0, 55, 55);
    EXPECT_EQ(u->mWaypoints[0].mX, 50.0f);
}

TEST_F(OrdersTest, SuppressionDrawsFanaticismOnceWhenItFirstPinsAUnit) {
    Walker* u = Squad(100, 100);
    mBattle.mBattle.mFanaticism[1] = 4; // the Axis: every unit, one in two
    u->SetSuppression(349, false);
    uint32_t before = GetRandomState();
    EXPECT_EQ(u->mFanatic, 0);
    u->SetSuppression(350, true);
    EXPECT_NE(GetRandomState(), before);
    ASSERT_NE(u->mFanatic, 0);
    EXPECT_EQ(u->mSuppression, 350.0f); // kept, fanatic or not
    before = GetRandomState();
    u->SetSuppression(400, false);
    EXPECT_EQ(GetRandomState(), before); // already pinned: nothing drawn
    u->mFanatic = 2;
    u->SetSuppression(100, false);
    u->SetSuppression(900, false);
    EXPECT_EQ(u->mSuppression, 349.0f); // a fanatic is held just short of pinned
    u->SetSuppression(2000, true);
    EXPECT_EQ(u->mSuppression, 1500.0f);
    u->SetSuppression(-5, false);
    EXPECT_EQ(u->mSuppression, 0.0f);
}

// "Regulars or better" (settings 1 and 2: 25% and 50%) reaches units of
// experience 2 and up; a conscript keeps the chance of its experience
// (0.01 x + 0.02). "Every unit" (3) reaches the conscript too.
TEST_F(OrdersTest, FanaticismForRegularsOrBetterStartsAtRegulars) {
    // A seed whose first fraction lies in [from, to).
    auto seedDrawing = [](double from, double to) {
        for (uint32_t seed = 1;; ++seed) {
            SeedRandomGenerator(seed);
            const double d = RandomFraction();
            if (d >= from && d < to) return seed;
        }
    };
    const uint32_t low = seedDrawing(0.04, 0.25), middle = seedDrawing(0.25, 0.5);
    const struct {
        int32_t setting;
        ExperienceLevel experience;
        uint32_t seed;
        int32_t fanatic; // 2 fanatic, 1 not
    } cases[] = {
        {1, kExperienceConscript, low, 1},  {1, kExperienceRegular, low, 2},
        {1, kExperienceRegular, middle, 1}, {2, kExperienceRegular, middle, 2},
        {2, kExperienceConscript, middle, 1}, {3, kExperienceConscript, low, 2},
        {0, kExperienceRegular, low, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "setting " << c.setting << ", experience " << c.experience);
        Walker* u = Squad(100, 100);
        mBattle.mBattle.mFanaticism[1] = c.setting;
        u->mExperience = c.experience;
        SeedRandomGenerator(c.seed);
        u->SetSuppression(350, true);
        EXPECT_EQ(u->mFanatic, c.fanatic);
    }
}

TEST_F(OrdersTest, RallyRestoresMoraleByExperienceLossesAndSide) {
    TableRows<VehicleData> vehicles(gVehicleData, 2);
    vehicles[1].mCrew = 4;
    Walker* tank = mBattle.Add(kAxis, 100, 100, kUnitVehicle);
    tank->mSubtype = 1;
    tank->mExperience = kExperienceRegular;
    tank->mSuppression = 100;
    tank->Rally();
    EXPECT_NEAR(tank->mSuppression, 100.0f - 12.6f, 1e-3f);
    vehicles[1].mCrew = 0; // no crew to count: taken as no losses
    tank->mSuppression = 100;
    tank->Rally();
    EXPECT_NEAR(tank->mSuppression, 87.4f, 1e-3f);
    EXPECT_FALSE(std::isnan(tank->mSuppression));

    // A beaten side rallies slower.
    mBattle.mBattle.mGlobalMorale[kAxis] = 0.5f; // its own side's morale
    tank->mSuppression = 100;
    tank->Rally();
    EXPECT_NEAR(tank->mSuppression, 100.0f - 12.6f * std::exp(-0.5f), 1e-3f);

    Walker* squad = Squad(100, 100);
    uint32_t before = GetRandomState();
    squad->Rally(); // nothing to recover: no draw
    EXPECT_EQ(GetRandomState(), before);
    squad->mSurrendered = true;
    squad->mSuppression = 1200;
    gPacket = false;
    squad->Rally();
    EXPECT_LE(squad->mSuppression, 350.0f);
    EXPECT_TRUE(gPacket); // out of band 7
}

TEST_F(OrdersTest, TargetOrdersAreTakenKeptAndDropped) {
    Walker* u = Squad(100, 100);
    Walker* enemy = Squad(150, 100, kAllies);
    Walker* friendly = Squad(110, 100);
    u->mRange = 100.0f;
    u->ReceiveTargetOrders(friendly, 0, 0, false, 1);
    EXPECT_EQ(u->mTarget, nullptr);
    u->ReceiveTargetOrders(enemy, 0, 0, false, 1);
    EXPECT_EQ(u->mTarget, enemy);
    EXPECT_EQ(u->mOrderedTarget, enemy);
    EXPECT_FALSE(u->mAreaTarget);

    // Back on a target it ranged on before, it starts where it left off.
    u->mPreviousTarget = enemy;
    u->mLastAcquisition = 3;
    u->mTarget = nullptr;
    u->ReceiveTargetOrders(enemy, 0, 0, false, 1);
    EXPECT_EQ(u->mAcquisition, 3);
    u->ReceiveTargetOrders(nullptr, 130, 130, false, 1);
    EXPECT_TRUE(u->mAreaTarget);
    EXPECT_EQ(u->mAcquisition, 0);
    EXPECT_EQ(u->mAreaTargetX, 130.0f);

    u->ReceiveTargetOrders(enemy, 0, 0, true, 1); // locked: fire at where it stands
    EXPECT_EQ(u->mTarget, nullptr);
    EXPECT_TRUE(u->mAreaTarget);
    EXPECT_TRUE(u->mTargetLocked);
    EXPECT_EQ(u->mAreaTargetX, 150.0f);

    enemy->mX = 260; // beyond 1.5 times its reach: cancelled and forgotten
    u->ReceiveTargetOrders(enemy, 0, 0, false, 1);
    EXPECT_EQ(u->mTarget, nullptr);
    EXPECT_FALSE(u->mAreaTarget);
    EXPECT_EQ(u->mOrderedTarget, nullptr);

    // An observer fires at where a unit stands, and keeps its mission.
    Walker* fo = mBattle.Add(kAxis, 100, 120);
    fo->mSubtype = kObserver;
    enemy->mX = 150;
    fo->ReceiveTargetOrders(enemy, 0, 0, false, 1);
    EXPECT_EQ(fo->mTarget, nullptr);
    EXPECT_TRUE(fo->mAreaTarget);
    EXPECT_EQ(fo->mAreaTargetX, 150.0f);
    fo->mTargetChanged = false; // the mission runs
    fo->CancelTarget(false, false);
    EXPECT_TRUE(fo->mAreaTarget);
    fo->CancelTarget(false, true);
    EXPECT_FALSE(fo->mAreaTarget);
    EXPECT_TRUE(fo->mTargetChanged);
}

TEST_F(OrdersTest, APinnedSquadFiresOnlyAtCloseInfantry) {
    Walker* u = Squad(100, 100);
    Walker* near = Squad(120, 100, kAllies);
    Walker* far = Squad(190, 100, kAllies);
    Walker* tank = mBattle.Add(kAllies, 105, 100, kUnitVehicle);
    EXPECT_TRUE(u->OKForPinnedToFireAt(near));
    EXPECT_FALSE(u->OKForPinnedToFireAt(far));
    far->mTarget = u; // it fires at the squad: answered up to 100 m
    EXPECT_TRUE(u->OKForPinnedToFireAt(far));
    EXPECT_FALSE(u->OKForPinnedToFireAt(tank));
    EXPECT_TRUE(tank->OKForPinnedToFireAt(far));

    NearestUnitSearch search{1000.0f, 100.0f, 100.0f, u->mSide};
    mBattle.mBattle.mUnits->Find(&Unit::NearestUnitOfSide, &search);
    EXPECT_NEAR(search.mBest, 5.0f, 1e-4f);
}

TEST_F(OrdersTest, APinnedSquadAnswersInfantryUpToTwentyMetresOrAHundredWhenFiredOn) {
    Walker* u = Squad(100, 100);
    Walker* other = Squad(120, 100, kAllies);
    EXPECT_TRUE(u->OKForPinnedToFireAt(other)); // exactly 20 m
    other->mX = 120.5f;
    EXPECT_FALSE(u->OKForPinnedToFireAt(other));
    other->mTarget = u;
    other->mX = 200.0f; // exactly 100 m
    EXPECT_TRUE(u->OKForPinnedToFireAt(other));
    other->mX = 200.5f;
    EXPECT_FALSE(u->OKForPinnedToFireAt(other));
}

namespace {

// A squad that can go into buildings and whose stacking a test decides.
class Lodger : public Walker {
public:
    bool AllowedInsideBuilding() override { return true; }
    bool ViolatesStackingLimits(float, float, float floor, Infantry**) override {
        return floor == 0.0f ? mGroundFull : mUpperFull;
    }
    bool Embark() override { return ++mEmbarked > 0; }
    bool mGroundFull = false;
    bool mUpperFull = false;
    int32_t mEmbarked = 0;
};

} // namespace

TEST_F(OrdersTest, UnitsSetUpInTheirZonesOnFloorsAndAboardCarriers) {
    Map& map = mBattle.map();
    for (int32_t c = 0; c < 5; ++c)
        for (int32_t r = 0; r < 10; ++r)
            map.GetSquare(c, r)->mSetupZone = 4; // the Axis's west half
    mBattle.Paint(40, 40, 60, 60, kTerrainUpperHeavy);
    auto* u = new Lodger;
    u->mSide = 1;
    mBattle.mBattle.mUnits->Add(u);
    EXPECT_TRUE(u->CanSetupAt(30, 30, nullptr));
    EXPECT_FALSE(u->CanSetupAt(150, 30, nullptr)); // the Allies' half has no zone
    u->mSide = 0;
    EXPECT_FALSE(u->CanSetupAt(30, 30, nullptr));
    u->mSide = 1;

    u->mGroundFull = true; // a full ground floor: the upper floor takes it
    EXPECT_FALSE(u->CanSetupAt(30, 30, nullptr));
    EXPECT_TRUE(u->CanSetupAt(50, 50, nullptr));
    EXPECT_TRUE(u->ChangeSetup(50, 50, true, nullptr, false));
    EXPECT_EQ(u->mZ, 1.0f);
    u->mGroundFull = false;
    u->mUpperFull = true;
    EXPECT_TRUE(u->ChangeSetup(52, 52, true, nullptr, false));
    EXPECT_EQ(u->mZ, 0.0f);

    Walker* truck = mBattle.Add(kAxis, 20, 80, kUnitVehicle);
    EXPECT_TRUE(u->ChangeSetup(0, 0, true, reinterpret_cast<Vehicle*>(truck), false));
    EXPECT_EQ(u->mX, 20.0f);
    EXPECT_EQ(u->mY, 80.0f);
    EXPECT_EQ(u->mEmbarkTarget, truck);
    EXPECT_EQ(u->mEmbarked, 1);

    // Turning in place is refused where the unit could not stand.
    u->mX = 195; // off the set-up zone but on the map
    EXPECT_TRUE(u->ChangeSetup(195, 150, false, nullptr, false));
    EXPECT_EQ(u->mHeading, 90.0f);
    u->mX = 500; // off the map: no speed there
    EXPECT_TRUE(u->ChangeSetup(600, 0, false, nullptr, false));
    EXPECT_EQ(u->mHeading, 90.0f);
}

TEST_F(OrdersTest, FloorsAndBridges) {
    mBattle.Paint(40, 40, 60, 60, kTerrainUpperHeavy);
    mBattle.Paint(100, 100, 120, 120, 56); // a bridge over water
    mBattle.Paint(120, 100, 140, 120, 58); // a bridge over a road
    Walker* u = Squad(50, 50);
    u->mZ = 1.0f;
    u->CorrectFloor();
    EXPECT_EQ(u->mZ, 1.0f); // upstairs in a building
    u->mX = 80;
    u->CorrectFloor();
    EXPECT_EQ(u->mZ, 0.0f); // raised on open ground
    u->mX = 110;
    u->mY = 110;
    u->mZ = -1.0f;
    u->CorrectFloor();
    EXPECT_EQ(u->mZ, -1.0f); // under the bridge

    EXPECT_EQ(u->ModifyTerrainForBridge(56), kTerrainWater);
    mBattle.mBattle.mTemperature = 4;
    EXPECT_EQ(u->ModifyTerrainForBridge(56), kTerrainIce);
    EXPECT_EQ(u->ModifyTerrainForBridge(58), kTerrainRoad2);
    EXPECT_EQ(u->ModifyTerrainForBridge(kTerrainWoods), kTerrainWoods);
    u->mZ = 0.0f;
    EXPECT_EQ(u->ModifyTerrainForBridge(56), 56); // on the deck

    // Moving on the deck stays on bridge codes; under it, out is back to the ground.
    float z = 5.0f;
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, 57, &z), 0.1f);
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, kTerrainOpen, &z), 0.0f);
    u->mZ = -1.0f;
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, 60, &z), 0.0f);
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, kTerrainOpen, &z), 0.1f);
    EXPECT_EQ(z, 0.0f);
    // From outside onto a bridge square: it passes under unless ordered onto it.
    u->mX = 90;
    u->mZ = 0.0f;
    z = 5.0f;
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, 56, &z), 0.1f);
    EXPECT_EQ(z, -1.0f);
    u->mNrWaypoints = 1;
    u->mWaypoints[0].mX = 115;
    u->mWaypoints[0].mY = 110;
    EXPECT_EQ(u->ModifySpeedForBridge(0.1f, 56, &z), 0.0f);
}

TEST_F(OrdersTest, FiringTheLastRoundOfAnObserverDropsItsTarget) {
    Walker* fo = mBattle.Add(kAxis, 100, 100);
    fo->mSubtype = kObserver;
    fo->mAreaTarget = true;
    fo->mAmmo[0] = 1;
    fo->mAmmo[1] = 3;
    fo->TickAmmo(kAmmoNone); // nothing is taken from the store
    EXPECT_EQ(fo->mAmmo[0], 1);
    fo->TickAmmo(1);
    EXPECT_TRUE(fo->mAreaTarget);
    EXPECT_EQ(fo->mAmmo[1], 2);
    fo->TickAmmo(0);
    EXPECT_EQ(fo->mAmmo[0], 0);
    EXPECT_FALSE(fo->mAreaTarget);
    fo->mArmed = false; // the weapon is gone: the aim and load clocks stop
    fo->mAimTime = 3.0f;
    fo->mMissionLive = true;
    fo->TickAmmo(0);
    EXPECT_EQ(fo->mAimTime, 0.0f);
    EXPECT_FALSE(fo->mMissionLive);
}

TEST_F(OrdersTest, AUnitInAFireRunsToTheNearestFreePlaceItDraws) {
    mBattle.Paint(0, 0, 200, 200, kTerrainWater);
    mBattle.Paint(20, 20, 180, 180, kTerrainOpen);
    mBattle.Paint(90, 90, 110, 110, kTerrainWater); // it stands in a pool 10 m across
    Walker* u = Squad(100, 100);
    u->mHiding = true;
    u->mCommandDelay = 30.0f;
    SeedRandomGenerator(11);
    u->EscapeFromFire();
    ASSERT_EQ(u->mNrWaypoints, 1);
    float dx = u->mWaypoints[0].mX - 100.0f, dy = u->mWaypoints[0].mY - 100.0f;
    float r = std::sqrt(dx * dx + dy * dy);
    EXPECT_NEAR(r, 10.0f * std::round(r / 10.0f), 1e-3f); // tried at 10 m steps
    EXPECT_GT(r, 5.0f);
    EXPECT_EQ(mBattle.map().GetTerrain(u->mWaypoints[0].mX, u->mWaypoints[0].mY, false), kTerrainOpen);
    EXPECT_FALSE(u->mHiding);
    EXPECT_EQ(u->mCommandDelay, 0.0f);

    // One direction drawn per distance tried.
    SeedRandomGenerator(11);
    for (int32_t i = 0; i < static_cast<int32_t>(r / 10.0f + 0.5f); ++i)
        RandomPair();
    uint32_t expected = GetRandomState();
    SeedRandomGenerator(11);
    u->mNrWaypoints = 0;
    u->EscapeFromFire();
    EXPECT_EQ(GetRandomState(), expected);

    Walker* gun = Squad(50, 50);
    gun->mImmobile = true; // it cannot run: the crew leaves the gun
    gun->EscapeFromFire();
    EXPECT_TRUE(gun->mGunKnockedOut);
    EXPECT_EQ(gun->mNrWaypoints, 0);
}

TEST_F(OrdersTest, AHidingUnitBreaksCoverForAnEnemyInItsArc) {
    Walker* u = Squad(100, 100);
    Walker* enemy = Squad(150, 100, kAllies);
    u->mWalks = enemy->mWalks = false;
    u->mFearClock = enemy->mFearClock = 100000;
    u->mHiding = true;
    u->StoreMaxArc(200, 100); // east, 45 degrees either side
    enemy->mContactLevel = kContactSeen;
    u->mPackedID = 0; // checked when the slice count is a multiple of 80
    u->mSliceCount = 2;
    mBattle.RunSlices(78);
    EXPECT_TRUE(u->mHiding);
    mBattle.RunSlices(1);
    EXPECT_FALSE(u->mHiding);

    u->mHiding = true;
    enemy->mY = 300; // outside the arc
    u->mSliceCount = 160;
    mBattle.RunSlices(1);
    EXPECT_TRUE(u->mHiding);
}

TEST_F(OrdersTest, OrdersThatCannotChangeLockTheUnitInTheOrdersPhase) {
    Walker* u = Squad(100, 100);
    u->ReceiveMoveOrders(120, 100, 44, nullptr, true, false, false, false);
    u->ReceiveMoveOrders(140, 100, 44, nullptr, true, false, false, false);
    EXPECT_FALSE(u->LockedIntoMovementOrders());
    mChart[4].mChangeable = 0;
    EXPECT_TRUE(u->LockedIntoMovementOrders());
    mBattle.mBattle.mComputing = true;
    EXPECT_FALSE(u->LockedIntoMovementOrders());
    mBattle.mBattle.mComputing = false;
    mChart[4].mChangeable = 1;
    mChart[4].mMixable = 0;
    mBattle.mBattle.mSelectedIndex = 0; // what follows the selected one cannot mix
    EXPECT_TRUE(u->LockedIntoMovementOrders());
    EXPECT_TRUE(u->CanShowHideButton());
    u->ReceiveMoveOrders(0, 0, kOrderHide, nullptr, true, false, false, false);
    EXPECT_FALSE(u->CanShowHideButton());
}

TEST(BattleServices, BombardmentsAreAllowedOnTheFirstTurnAfterSetUp) {
    SmallBattle b;
    Battle& battle = b.mBattle;
    battle.mForceReadinessOption = 0;
    battle.mSetupPhase = true;
    EXPECT_FALSE(battle.BombardmentsAllowed());
    battle.mSetupPhase = false;
    EXPECT_TRUE(battle.BombardmentsAllowed());
    battle.mTurn = 2;
    EXPECT_FALSE(battle.BombardmentsAllowed());
    battle.mTurn = 1;
    battle.mForceReadinessOption = 3;
    EXPECT_FALSE(battle.BombardmentsAllowed());

    Walker* u = b.Add(kAxis, 10, 10);
    battle.mSelectedIndex = 4;
    battle.SetSelectedUnit(u);
    EXPECT_EQ(battle.mSelectedUnit, u);
    EXPECT_EQ(battle.mSelectedIndex, -1);
}

TEST_F(OrdersTest, ThePathGridRefusesSquaresOnlyWhileItIsBuilt) {
    mBattle.Paint(100, 100, 120, 120, kTerrainUpperHeavyClosed); // no way in on foot
    Walker* u = Squad(50, 50);
    EXPECT_TRUE(u->CanOccupyLocation(110, 110, true)); // no grid: the speed decides
    mBattle.map().CalculateAIPathGrids(kAxis, kPathGround);
    EXPECT_FALSE(u->CanOccupyLocation(110, 110, true));
    EXPECT_TRUE(u->CanOccupyLocation(110, 110, false));
    EXPECT_TRUE(u->CanOccupyLocation(130, 110, true));
    mBattle.map().DeleteAIPathGrids();
    EXPECT_TRUE(u->CanOccupyLocation(110, 110, true));
    EXPECT_FALSE(u->CanOccupyLocation(NAN, 50, false));
    EXPECT_EQ(u->mX, 50.0f); // the probe leaves the unit where it was
    EXPECT_TRUE(u->mLookAhead);
}

TEST_F(OrdersTest, AFireOrderIsShoutedBeforeTheShotButNeverBeforeSliceOne) {
    Walker* u = Squad(100, 100);
    Walker* enemy = Squad(150, 100, kAllies);
    u->mTarget = enemy;
    auto shout = [&](int32_t slice) -> ActionPacket* {
        mBattle.mBattle.mTimeSlice = slice;
        int32_t before = mBattle.mBattle.mPackets.GetCount();
        for (int32_t i = 0; i < 3000 && mBattle.mBattle.mPackets.GetCount() == before; ++i)
            u->ShoutFireOrders();
        if (mBattle.mBattle.mPackets.GetCount() == before) return nullptr;
        return static_cast<ActionPacket*>(mBattle.mBattle.mPackets.GetObjectA(before));
    };
    SeedRandomGenerator(5);
    ActionPacket* early = shout(0);
    if (!early) GTEST_SKIP() << "no voices for this nation";
    EXPECT_EQ(early->mTimeSlice, 1);
    ActionPacket* later = shout(400);
    ASSERT_NE(later, nullptr);
    EXPECT_GE(later->mTimeSlice, 320); // 2 s before a shout placed 0..1.5 s on
    EXPECT_LE(later->mTimeSlice, 380);
    u->mTarget = nullptr;
    int32_t count = mBattle.mBattle.mPackets.GetCount();
    u->ShoutFireOrders(); // no target: nothing to shout about
    EXPECT_EQ(mBattle.mBattle.mPackets.GetCount(), count);
}

// Computed slice by slice, a squad walking through a line of enemy
// anti-personnel fields sets one off, and a vehicle through anti-tank
// fields another: each blast is a look-1 shell packet of its slice, and its
// field counts as found. Fields of the wrong kind stay quiet.
TEST_F(OrdersTest, MineFieldsOnTheWayGoOffInTheComputedTurn) {
    Walker* squad = Squad(10, 60);
    Walker* tank = mBattle.Add(kAxis, 10, 140, kUnitVehicle);
    std::vector<Inanimate*> personnel, antitank;
    for (float x = 20.0f; x <= 180.0f; x += 20.0f) {
        for (auto [kind, y, list] : {std::tuple{kInanimateAPMines, 60.0f, &personnel},
                                     std::tuple{kInanimateATMines, 140.0f, &antitank},
                                     std::tuple{kInanimateATMines, 60.0f, &antitank},
                                     std::tuple{kInanimateAPMines, 140.0f, &personnel}}) {
            auto* m = new Inanimate;
            m->IInanimate(kind, 0, x, y, 0.0f);
            m->mSide = 0; // the Allies
            mBattle.mBattle.mUnits->Add(m);
            list->push_back(m);
        }
    }
    squad->ReceiveMoveOrders(190, 60, 44, nullptr, true, false, false, false);
    tank->ReceiveMoveOrders(190, 140, 44, nullptr, true, false, false, false);
    squad->mFearClock = tank->mFearClock = 100000;
    SeedRandomGenerator(2024);
    mBattle.RunSlices(1900);
    int32_t foundUnder[2] = {0, 0}, wrong = 0;
    for (Inanimate* m : personnel) {
        foundUnder[0] += m->mMineNew && m->mY == 60.0f;
        wrong += m->mMineNew && m->mY == 140.0f;
    }
    for (Inanimate* m : antitank) {
        foundUnder[1] += m->mMineNew && m->mY == 140.0f;
        wrong += m->mMineNew && m->mY == 60.0f;
    }
    EXPECT_GE(foundUnder[0], 1);
    EXPECT_GE(foundUnder[1], 1);
    EXPECT_EQ(wrong, 0);
    int32_t blasts = 0, sounds = 0;
    for (int32_t k = 0; k < mBattle.mBattle.mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(mBattle.mBattle.mPackets.GetObjectA(k));
        sounds += p->mType == kPacketSound && p->mSoundNumber >= 200 && (p->mY == 60.0f || p->mY == 140.0f);
        if (p->mType != kPacketShell || p->mLook != 1) continue;
        ++blasts;
        EXPECT_TRUE(p->mY == 60.0f || p->mY == 140.0f);
    }
    EXPECT_GE(blasts, foundUnder[0] + foundUnder[1]); // a field may go off again
    // Each blast is heard where it is seen and hits its unit in full (neither walks carefully).
    EXPECT_EQ(sounds, blasts);
    EXPECT_EQ(squad->mMineHits + tank->mMineHits, blasts);
    EXPECT_TRUE(squad->mMineHits >= 1 && squad->mMineHits < 100 && tank->mMineHits >= 1);
}

