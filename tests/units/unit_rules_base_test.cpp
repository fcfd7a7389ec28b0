// Base rules of the unit that read the data tables or the battle: how many
// waypoints an order may add, paths stored as waypoints, the ground under a
// bridge, the kept ground height, full strength by the data record, and playback preparation.

#include <gtest/gtest.h>

#include <vector>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Inanimate.h"

namespace {

// Attaches rows of its own to a table for a test's lifetime and puts the
// table's previous rows back afterwards.
template <class T> class TableRows {
public:
    TableRows(DataTable<T>& table, int32_t count)
        : mTable(table), mOldRows(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(count)) {
        mTable.Attach(mRows.data(), count);
    }
    ~TableRows() { mTable.Attach(mOldRows, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    T* mOldRows;
    int32_t mOldCount;
    std::vector<T> mRows;
};

// A unit of a kind that the tests can set, with nothing drawn or hit.
class AnyUnit : public Unit {
public:
    explicit AnyUnit(UnitType kind) { mUnitType = kind; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

// Paces of the test chart and the orders that choose them.
constexpr MovementSpeedType kMulti = 1;  // many waypoints, may follow others
constexpr MovementSpeedType kSingle = 2; // one waypoint, nothing after it
constexpr MovementSpeedType kPicky = 3;  // many waypoints, follows only itself
constexpr int32_t kOrderMulti = 21;
constexpr int32_t kOrderSingle = 22;
constexpr int32_t kOrderPicky = 23;

class WaypointRules : public ::testing::Test {
protected:
    WaypointRules() : mChart(gMovementSpeedChart, 6) {
        mChart[kMulti].mOrderCode = kOrderMulti;
        mChart[kMulti].mMultiWaypoint = 1;
        mChart[kMulti].mMixable = 1;
        mChart[kSingle].mOrderCode = kOrderSingle;
        mChart[kPicky].mOrderCode = kOrderPicky;
        mChart[kPicky].mMultiWaypoint = 1;
    }
    void Give(Unit& u, std::initializer_list<MovementSpeedType> paces) {
        u.mNrWaypoints = 0;
        for (MovementSpeedType p : paces)
            u.mWaypoints[u.mNrWaypoints++].mOrder = p;
    }
    TableRows<MovementSpeedChart> mChart;
};

} // namespace

TEST_F(WaypointRules, OrdersAddWhatTheirPaceAllows) {
    Inanimate u;
    EXPECT_EQ(u.AvailableWaypoints(kOrderMulti), 50);
    EXPECT_EQ(u.AvailableWaypoints(kOrderSingle), 1);
    Give(u, {kMulti, kMulti, kMulti});
    EXPECT_EQ(u.AvailableWaypoints(kOrderMulti), 47);
    EXPECT_EQ(u.AvailableWaypoints(kOrderSingle), 0); // a single-waypoint pace cannot follow another
    EXPECT_EQ(u.AvailableWaypoints(kOrderPicky), 0);
    Give(u, {kPicky, kPicky});
    EXPECT_EQ(u.AvailableWaypoints(kOrderPicky), 48);
    EXPECT_EQ(u.AvailableWaypoints(kOrderMulti), 48);
    Give(u, {kSingle});
    EXPECT_EQ(u.AvailableWaypoints(kOrderMulti), 0); // nothing may follow it
    EXPECT_EQ(u.AvailableWaypoints(kOrderSingle), 0);
    u.mNrWaypoints = 50;
    for (auto& w : u.mWaypoints)
        w.mOrder = kMulti;
    EXPECT_EQ(u.AvailableWaypoints(kOrderMulti), 0);
}

TEST(UnitPaths, AStoredPathBecomesWaypointsEndingAtItsLastPoint) {
    Inanimate u;
    u.mNrWaypoints = 7;
    u.mWaypoints[0].mHide = 1;
    Path path;
    path.mCount = 3;
    for (int i = 0; i < 3; ++i) {
        path.mX[i] = 10.0f * static_cast<float>(i + 1);
        path.mY[i] = 5.0f;
    }
    u.StorePath(&path, 8);
    ASSERT_EQ(u.mNrWaypoints, 3);
    EXPECT_EQ(u.mWaypoints[0].mX, 10.0f);
    EXPECT_EQ(u.mWaypoints[2].mX, 30.0f);
    EXPECT_EQ(u.mWaypoints[1].mOrder, 8);
    EXPECT_EQ(u.mWaypoints[0].mHide, 0);
    EXPECT_EQ(u.mWaypoints[1].mKind, kWaypointPathPoint);
    EXPECT_EQ(u.mWaypoints[2].mKind, kWaypointPathEnd);

    Path longPath;
    longPath.mCount = kPathMaxPoints + 10; // more than a unit can hold
    u.StorePath(&longPath, 8);
    EXPECT_EQ(u.mNrWaypoints, kMaxWaypoints);
    EXPECT_EQ(u.mWaypoints[kMaxWaypoints - 1].mKind, kWaypointPathEnd);
}

TEST(UnitGround, UnderABridgeTheWaterFreezesFromFrostyWeather) {
    Battle battle;
    battle.IBattleStub();
    battle.mMap = new Map;
    ASSERT_TRUE(battle.mMap->IBlankMap(2, 2, 1.0f, 10));
    Map& map = *battle.mMap;
    // The point grid has a point every 2 m.
    map.mPoints[static_cast<size_t>(5) * map.mPointsY + 5] = EncodePoint(10, 56);
    map.mPoints[static_cast<size_t>(6) * map.mPointsY + 5] = EncodePoint(10, 58);
    Battle* old = gBattle;
    gBattle = &battle;
    Inanimate u;
    u.mX = 10.0f;
    u.mY = 10.0f;
    EXPECT_EQ(u.GetOccupiedTerrain(), 56); // on the bridge
    u.mZ = -1.0f;
    battle.mTemperature = 3;
    EXPECT_EQ(u.GetOccupiedTerrain(), kTerrainWater);
    battle.mTemperature = 4;
    EXPECT_EQ(u.GetOccupiedTerrain(), kTerrainIce);
    u.mX = 12.0f;
    EXPECT_EQ(u.GetOccupiedTerrain(), kTerrainRoad2);
    gBattle = old;
}

// The unit keeps the ground height under it while its place and the map's
// heights stay: a point raised under it, a move and another map are each
// answered as the map answers at once.
TEST(UnitGround, TheKeptGroundHeightFollowsPointsPlacesAndMaps) {
    Battle battle;
    battle.IBattleStub();
    battle.mMap = new Map;
    ASSERT_TRUE(battle.mMap->IBlankMap(2, 2, 1.0f, 10));
    Map other;
    ASSERT_TRUE(other.IBlankMap(2, 2, 1.0f, 30));
    Battle* old = gBattle;
    gBattle = &battle;
    Inanimate u;
    u.mX = 10.5f;
    u.mY = 9.25f;
    u.mZ = 0.0f;
    EXPECT_EQ(u.GetZ(), battle.mMap->GetZCoord(u.mX, u.mY));
    battle.mMap->SetPoint(5, 4, EncodePoint(40, 0));  // a corner of the unit's cell
    EXPECT_EQ(u.GetZ(), battle.mMap->GetZCoord(u.mX, u.mY));
    EXPECT_NE(u.GetZ(), other.GetZCoord(u.mX, u.mY));
    u.mY = 8.75f;
    EXPECT_EQ(u.GetZ(), battle.mMap->GetZCoord(u.mX, u.mY));
    Map* own = battle.mMap;
    battle.mMap = &other;
    EXPECT_EQ(u.GetZ(), other.GetZCoord(u.mX, u.mY));
    battle.mMap = own;
    EXPECT_EQ(u.GetZ(), own->GetZCoord(u.mX, u.mY));
    gBattle = old;
}

TEST(UnitStrength, FullStrengthComesFromTheKindsRecord) {
    TableRows<InfantryData> infantry(gInfantryData, 3);
    TableRows<VehicleData> vehicles(gVehicleData, 3);
    infantry[2].mNrMen = 9;
    vehicles[1].mCrew = 5;
    AnyUnit squad(kUnitInfantry), tank(kUnitVehicle), plane(kUnitAirplane), wire(kUnitInanimate);
    squad.mSubtype = 2;
    tank.mSubtype = 1;
    EXPECT_EQ(squad.GetOriginalNrMen(), 9);
    EXPECT_EQ(tank.GetOriginalNrMen(), 5);
    EXPECT_EQ(plane.GetOriginalNrMen(), 1);
    EXPECT_EQ(wire.GetOriginalNrMen(), 0);
    squad.mSubtype = 40; // no such record
    EXPECT_EQ(squad.GetOriginalNrMen(), 0);
    squad.mSubtype = 2;
    squad.mCasualties = 3;
    EXPECT_FLOAT_EQ(squad.SurvivorFraction(), 6.0f / 9.0f);
}

TEST(UnitPlayback, PreparationRestartsTheSliceCountAndAimPause) {
    Inanimate u;
    u.mSliceCount = 2400;
    u.mAimPause = 2.5f;
    u.mAimTime = 7.0f;
    u.PrepareForPlayback();
    EXPECT_EQ(u.mSliceCount, 0);
    EXPECT_EQ(u.mAimPause, 0.0f);
    EXPECT_EQ(u.mAimTime, 7.0f);
}

TEST(UnitLinks, WaypointHeightsStandWithoutAMap) {
    Battle* old = gBattle;
    gBattle = nullptr;
    ScenarioCore scenario;
    scenario.IScenarioCore();
    Inanimate u;
    u.mNrWaypoints = 2;
    u.mWaypoints[0].mZ = 12.5f;
    u.mWaypoints[1].mZ = 3.0f;
    u.ReadPassTwo(&scenario);
    EXPECT_EQ(u.mWaypoints[0].mZ, 12.5f);
    EXPECT_EQ(u.mWaypoints[1].mZ, 3.0f);
    gBattle = old;
}

TEST(UnitLinks, AnOperationDropsLinksToUnitsItNoLongerHolds) {
    Campaign campaign;
    campaign.IScenarioCore();
    Campaign* old = gCampaign;
    gCampaign = &campaign;
    auto* kept = new Inanimate;
    campaign.mUnits->Add(kept);
    Inanimate gone, u;
    u.mTarget = kept;
    u.mHQ = &gone;
    u.mPlatoonHQ = &gone;
    u.CleanUpLinks();
    EXPECT_EQ(u.mTarget, kept);
    EXPECT_EQ(u.mHQ, nullptr);
    EXPECT_EQ(u.mPlatoonHQ, nullptr);
    gCampaign = nullptr;
    u.mHQ = &gone;
    u.CleanUpLinks(); // no operation: nothing to check against
    EXPECT_EQ(u.mHQ, &gone);
    gCampaign = old;
}
