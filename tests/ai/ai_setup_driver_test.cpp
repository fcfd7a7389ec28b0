// The computer side's whole set-up turn.

#include <gtest/gtest.h>

#include <vector>

#include "ai_setup_fixture.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "engine/RandomCalls.h"
#include "units/Infantry.h"

namespace {

class KeepSetupHost : public BattleHost {
public:
    int32_t ComputerSetupOption() override { return mOption; }
    int32_t FogOfWarLevel() override { return mFog; }
    int32_t mOption = 0; // the scenario's places
    int32_t mFog = 0;
};

// A squad that can ride: a passenger while its carrier link is set.
class Rider : public MoveKind<Infantry> {
public:
    Rider() { mUnitType = kUnitInfantry; }
};

// Every group of the side's list, and how many of them hold the unit.
int32_t GroupsHolding(SetupBattle& b, Unit* u) {
    int32_t n = 0;
    for (int32_t i = 0; i < b.Groups()->GetCount(); ++i)
        if (b.Group(i)->IsMember(u)) ++n;
    return n;
}

} // namespace

TEST(AISetupDriver, AttackGroupsByNodeCount) {
    SeedRandomGenerator(5);
    const uint32_t before = GetRandomState();
    EXPECT_EQ(AIAttackGroupCount(0), 1);
    EXPECT_EQ(AIAttackGroupCount(1), 1);
    EXPECT_EQ(AIAttackGroupCount(6), 2);
    EXPECT_EQ(GetRandomState(), before); // no draw for these
    // Every residue of the draw mod 12 (which fixes R & 3, R mod 3 and
    // R & 1): 2 nodes take two groups for R & 3 = 3, 3 nodes for R mod 3 = 2,
    // 4 nodes for odd R, 5 nodes one group only for R mod 3 = 1, 7 nodes
    // three groups for R & 3 = 3.
    for (uint32_t k = 0; k < 12; ++k) {
        uint32_t seed = 1;
        for (;; ++seed) {
            SeedRandomGenerator(seed);
            if (RandomPair() % 12u == k) break;
        }
        const int32_t expected[8] = {
            0, 0, k % 4 == 3 ? 2 : 1, k % 3 == 2 ? 2 : 1, k % 2 == 1 ? 2 : 1, k % 3 == 1 ? 1 : 2, 0,
            k % 4 == 3 ? 3 : 2};
        for (int32_t n : {2, 3, 4, 5, 7}) {
            SeedRandomGenerator(seed);
            EXPECT_EQ(AIAttackGroupCount(n), expected[n]) << n << " nodes, draw " << k;
        }
    }
}

TEST(AISetupDriver, AnAttackPlacesEveryUnitAndGroupsIt) {
    SetupBattle b(30, 30);
    MoveRows rows;
    b.NoAxisGroups();
    b.Zone(0, 0, 9, 29, 4); // the Axis zone along the west edge
    b.Nodes({{450.0f, 300.0f}});
    b.mBattle.mAttacker = kAxis;
    gAIDefending = false;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < 8; ++i)
        units.push_back(b.Add(kAxis, 550.0f, 20.0f * i + 10.0f)); // outside the zone: placed into it
    auto* fixedUnit = b.Add(kAxis, 400.0f, 400.0f);
    fixedUnit->mSetupZone = 7;
    auto* tank = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    tank->mSubtype = -1;
    auto* odd = b.Add(kAxis, 430.0f, 430.0f);
    odd->mSetupZone = 9; // a field out of range counts as fixed
    auto* dead = b.Add(kAxis, 420.0f, 420.0f);
    dead->mActive = false;
    b.mBattle.AISetup();
    ASSERT_NE(b.Groups(), nullptr);
    // The holding group stays in an attack, even empty, then one attack group.
    ASSERT_EQ(b.Groups()->GetCount(), 2);
    EXPECT_EQ(b.Group(0)->mOrder, 1);
    EXPECT_EQ(b.Group(1)->mOrder, kAIOrderNone);
    for (Unit* u : units) {
        EXPECT_TRUE(u->InSetupZone(u->mX, u->mY));
        EXPECT_EQ(GroupsHolding(b, u), 1);
    }
    EXPECT_TRUE(tank->InSetupZone(tank->mX, tank->mY));
    EXPECT_EQ(tank->mHeading, 0.0f); // facing away from the west edge
    EXPECT_EQ(fixedUnit->mX, 400.0f);
    EXPECT_EQ(GroupsHolding(b, fixedUnit), 1);
    EXPECT_EQ(dead->mX, 420.0f);
    EXPECT_EQ(odd->mX, 430.0f);
    EXPECT_EQ(odd->mSetupZone, 7);
    EXPECT_EQ(GroupsHolding(b, dead), 0);
}

TEST(AISetupDriver, ScenarioSetupKeepsADefenceInPlace) {
    SetupBattle b(30, 30);
    MoveRows rows;
    TableRows<VehicleData> vehicles(gVehicleData, 1);
    vehicles[0].mGunToRear = -1;
    KeepSetupHost host;
    b.mBattle.mHost = &host;
    b.NoAxisGroups();
    b.Zone(0, 0, 9, 29, 4);
    b.Nodes({{100.0f, 300.0f}, {100.0f, 100.0f}});
    b.mBattle.mAttacker = kAllies;
    gAIDefending = true;
    auto* guard = b.Add(kAxis, 110.0f, 300.0f);
    auto* other = b.Add(kAxis, 120.0f, 290.0f);
    auto* far = b.Add(kAxis, 500.0f, 500.0f);
    auto* gun = b.Add<TestVehicle>(kAxis, 60.0f, 60.0f);
    gun->mSubtype = 0;
    b.mBattle.AISetup();
    EXPECT_FALSE(gAIFreeSetup);
    EXPECT_EQ(guard->mX, 110.0f);
    EXPECT_EQ(other->mX, 120.0f);
    EXPECT_EQ(far->mX, 500.0f);
    EXPECT_EQ(gun->mX, 60.0f);
    EXPECT_EQ(guard->mSetupZone, 7);
    // The gun points to the rear: it is turned away from the east.
    EXPECT_EQ(gun->mHeading, 180.0f);
    // Fixed units still become guards and reserves; the vehicle (defensive
    // type 0) holds.
    bool guarded = false;
    for (int32_t i = 0; i < b.Groups()->GetCount(); ++i) {
        if (b.Group(i)->mOrder == kAIOrderHoldNode + 0 && b.Group(i)->IsMember(guard)) guarded = true;
        EXPECT_GT(b.Group(i)->GetCount(), 0);
    }
    EXPECT_TRUE(guarded);
    EXPECT_EQ(GroupsHolding(b, far), 1);
    EXPECT_EQ(GroupsHolding(b, gun), 1);
    b.mBattle.mHost = nullptr;
}

TEST(AISetupDriver, AFreeDefenceGuardsNodesAndLeavesNothingParked) {
    SetupBattle b(30, 30);
    MoveRows rows;
    b.NoAxisGroups();
    b.Zone(0, 0, 14, 29, 4);
    b.Nodes({{150.0f, 450.0f}, {150.0f, 150.0f}, {250.0f, 300.0f}});
    b.mBattle.mAttacker = kAllies;
    gAIDefending = true;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < 12; ++i)
        units.push_back(b.Add(kAxis, 100.0f + 10.0f * i, 100.0f));
    b.mBattle.AISetup();
    EXPECT_TRUE(gAIFreeSetup);
    int32_t guards = 0, reserves = 0;
    for (int32_t i = 0; i < b.Groups()->GetCount(); ++i) {
        const int32_t order = b.Group(i)->mOrder;
        if (order >= kAIOrderHoldNode && order < kAIOrderHoldNode + 3) guards += b.Group(i)->GetCount();
        if (order == kAIOrderHold) ++reserves;
    }
    EXPECT_GT(guards, 0);
    EXPECT_LE(reserves, 2); // merged down to nodes - 1
    for (Unit* u : units) {
        EXPECT_LT(u->mX, 600.0f);
        EXPECT_TRUE(u->InSetupZone(u->mX, u->mY));
        EXPECT_EQ(GroupsHolding(b, u), 1);
        EXPECT_TRUE(u->mHiding); // fog of war hides a defence's infantry
    }
}

TEST(AISetupDriver, SplitByClassAcrossTheFront) {
    SetupBattle b(30, 30);
    b.mBattle.mEdgeOwner[0] = kAxis; // home edge West: the front runs along y
    b.mBattle.mEdgeOwner[2] = kAllies;
    AIGroup source;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < 6; ++i) {
        units.push_back(b.Add(kAxis, 50.0f, 100.0f * i + 10.0f));
        source.Add(units.back());
    }
    AIGroup g0, g1;
    AIGroup* groups[2] = {&g0, &g1};
    SplitGroupByClass(&source, groups, 2, 4); // no vehicles: nothing moves
    EXPECT_EQ(source.GetCount(), 6);
    SplitGroupByClass(&source, groups, 2, 12);
    EXPECT_EQ(source.GetCount(), 0);
    // The two lowest go low; index 2 goes low below 0.667 of 600 m; index 3
    // (y 310) not below 0.333 x 600; the rest high.
    EXPECT_EQ(g1.GetCount(), 3);
    EXPECT_EQ(g0.GetCount(), 3);
    EXPECT_TRUE(g1.IsMember(units[0]) && g1.IsMember(units[1]) && g1.IsMember(units[2]));
    // Four groups: the inner halves of each side form groups 2 and 3.
    AIGroup h0, h1, h2, h3;
    AIGroup* four[4] = {&h0, &h1, &h2, &h3};
    for (Unit* u : units)
        source.Add(u);
    SplitGroupByClass(&source, four, 4, 12);
    EXPECT_EQ(h0.GetCount() + h1.GetCount() + h2.GetCount() + h3.GetCount(), 6);
    EXPECT_EQ(h2.GetCount(), 2); // trunc((3 + 1) / 2) of the high half
    EXPECT_EQ(h3.GetCount(), 2);
    EXPECT_TRUE(h2.IsMember(units[3]));
    EXPECT_TRUE(h3.IsMember(units[2]));
}

// At the end of the set-up, infantry of the side in a building of code 52
// to 54 takes the upper floor (height 1) when its draw is even, one draw
// each in the unit list's order and the set-up's last; every other unit of
// the side that is not fixed stands on the ground (0) without a draw.
TEST(AISetupDriver, InfantryInTallBuildingsTakesTheUpperFloorOnAnEvenDraw) {
    SetupBattle b(10, 10);
    MoveRows rows;
    KeepSetupHost host; // an attack from the scenario's places: nobody moves
    b.mBattle.mHost = &host;
    b.NoAxisGroups();
    b.mBattle.mAttacker = kAxis;
    gAIDefending = false;
    for (int32_t code = 51; code <= 55; ++code) // a column of each code
        b.Paint(20.0f * static_cast<float>(code - 51), 0.0f, 20.0f * static_cast<float>(code - 50), 200.0f,
                static_cast<Terrain>(code));
    auto at = [](int32_t code) { return 20.0f * static_cast<float>(code - 51) + 10.0f; };
    std::vector<Unit*> tall;
    for (int32_t code = 52; code <= 54; ++code)
        for (const float y : {30.0f, 70.0f})
            tall.push_back(b.Add(kAxis, at(code), y));
    std::vector<Unit*> ground = {b.Add(kAxis, at(51), 30.0f), b.Add(kAxis, at(55), 30.0f),
                                 b.Add<TestVehicle>(kAxis, at(53), 110.0f)};
    ground.back()->mSubtype = -1;
    auto* fixedUnit = b.Add(kAxis, at(52), 110.0f);
    fixedUnit->mSetupZone = 7;
    auto* enemy = b.Add(kAllies, at(52), 150.0f);
    for (int32_t i = 0; i < b.mBattle.mUnits->GetCount(); ++i)
        b.mBattle.mUnits->GetUnit(i)->mZ = 0.5f;
    constexpr uint32_t kSeed = 9;
    SeedRandomGenerator(kSeed);
    b.mBattle.AISetup();
    EXPECT_FALSE(gAIFreeSetup);
    // The floors' draws are the set-up's last: go back two calls for each.
    const int32_t calls = RandomCallsSince(kSeed);
    ASSERT_GE(calls, 2 * static_cast<int32_t>(tall.size()));
    SeedRandomGenerator(kSeed);
    for (int32_t k = 0; k < calls - 2 * static_cast<int32_t>(tall.size()); ++k)
        Random();
    int32_t upstairs = 0;
    for (Unit* u : tall) {
        const bool even = (RandomPair() & 1) == 0;
        EXPECT_EQ(u->mZ, even ? 1.0f : 0.0f) << u->mX << " " << u->mY;
        upstairs += even ? 1 : 0;
    }
    EXPECT_GT(upstairs, 0);
    EXPECT_LT(upstairs, 6);
    for (Unit* u : ground)
        EXPECT_EQ(u->mZ, 0.0f) << u->mX;
    EXPECT_EQ(fixedUnit->mZ, 0.5f);
    EXPECT_EQ(enemy->mZ, 0.5f);
    b.mBattle.mHost = nullptr;
}

// Before anything is placed, every unit of the side that is neither fixed,
// immobile nor a fortification faces away from its home edge (West 0,
// North 270, East 180, South 90 degrees), a vehicle whose gun points to the
// rear the other way; a defence under fog of war hides its infantry; the
// exiting flag goes when the side has no exit edge; a passenger of a fixed
// carrier is fixed too.
TEST(AISetupDriver, UnitsFaceAwayFromTheirHomeEdgeAndADefenceHidesItsInfantry) {
    SetupBattle b(10, 10);
    MoveRows rows;
    TableRows<VehicleData> vehicles(gVehicleData, 2);
    vehicles[1].mGunToRear = -1;
    KeepSetupHost host;
    b.mBattle.mHost = &host;
    b.mBattle.mAttacker = kAxis;
    gAIDefending = false;
    auto* inf = b.Add(kAxis, 50.0f, 50.0f);
    auto* gun = b.Add<TestVehicle>(kAxis, 70.0f, 50.0f);
    gun->mSubtype = 0;
    auto* rearGun = b.Add<TestVehicle>(kAxis, 90.0f, 50.0f);
    rearGun->mSubtype = 1;
    auto* stuck = b.Add(kAxis, 110.0f, 50.0f);
    stuck->mImmobile = true;
    auto* fixedUnit = b.Add(kAxis, 130.0f, 50.0f);
    fixedUnit->mSetupZone = 7;
    const float away[4] = {0.0f, 270.0f, 180.0f, 90.0f};
    for (Direction home = kDirWest; home <= kDirSouth; ++home) {
        for (int32_t& owner : b.mBattle.mEdgeOwner)
            owner = 2;
        b.mBattle.mEdgeOwner[home] = kAxis;
        b.mBattle.mEdgeOwner[(home + 2) % 4] = kAllies;
        for (Unit* u : std::initializer_list<Unit*>{inf, gun, rearGun, stuck, fixedUnit})
            u->mHeading = 45.0f;
        b.mBattle.AISetup();
        EXPECT_EQ(inf->mHeading, away[home]) << home;
        EXPECT_EQ(gun->mHeading, away[home]) << home;
        EXPECT_EQ(rearGun->mHeading, away[(home + 2) % 4]) << home;
        EXPECT_EQ(stuck->mHeading, 45.0f);
        EXPECT_EQ(fixedUnit->mHeading, 45.0f);
    }

    auto* carrier = b.Add<TestVehicle>(kAxis, 150.0f, 50.0f);
    carrier->mSubtype = 0;
    carrier->mSetupZone = 7;
    auto* rider = b.Add<Rider>(kAxis, 150.0f, 50.0f);
    rider->mTransport = carrier;
    auto* walker = b.Add<Rider>(kAxis, 170.0f, 50.0f);
    inf->mExiting = true;
    b.mBattle.mHasExitEdge[kAxis] = true;
    b.mBattle.AISetup();
    EXPECT_TRUE(inf->mExiting);
    EXPECT_EQ(rider->mSetupZone, 7);
    EXPECT_EQ(walker->mSetupZone, 0);
    b.mBattle.mHasExitEdge[kAxis] = false;
    host.mFog = 1; // fog of war, but the side attacks
    b.mBattle.AISetup();
    EXPECT_FALSE(inf->mExiting);
    EXPECT_FALSE(inf->mHiding);

    b.mBattle.mAttacker = kAllies;
    gAIDefending = true;
    host.mFog = 0;
    b.mBattle.AISetup();
    EXPECT_FALSE(inf->mHiding);
    host.mFog = 1;
    b.mBattle.AISetup();
    EXPECT_TRUE(inf->mHiding);
    EXPECT_FALSE(gun->mHiding);
    b.mBattle.mHost = nullptr;
}

// Free placement comes from the player's choice for the computer, from the
// battle's first per-side set-up field or from an operation past its first
// turn.
TEST(AISetupDriver, FreePlacementByChoiceSetupFieldOrOperationTurn) {
    SetupBattle b(10, 10);
    KeepSetupHost host;
    b.mBattle.mHost = &host;
    b.mBattle.mAttacker = kAxis;
    auto freeSetup = [&] {
        b.mBattle.AISetup();
        return gAIFreeSetup;
    };
    EXPECT_FALSE(freeSetup());
    host.mOption = 1;
    EXPECT_TRUE(freeSetup());
    host.mOption = 0;
    b.mBattle.mSideShortA[0] = 1;
    EXPECT_TRUE(freeSetup());
    b.mBattle.mSideShortA[0] = 0;
    b.mBattle.mSideShortA[1] = 1; // the other side's field does not count
    EXPECT_FALSE(freeSetup());
    Campaign op;
    Campaign* old = gCampaign;
    gCampaign = &op;
    op.mTurn = 1;
    EXPECT_FALSE(freeSetup());
    op.mTurn = 2;
    EXPECT_TRUE(freeSetup());
    gCampaign = old;
    b.mBattle.mHost = nullptr;
}

// Fixed units become guards in the set-up order: the smaller defensive type
// first (a support weapon, 2, before a squad, 3), then the unit nearer its
// nearest objective. One node of rating 1 and two candidates want one guard.
TEST(AISetupDriver, FixedGuardsComeBySetupOrder) {
    SetupBattle b(20, 20);
    MoveRows rows;
    KeepSetupHost host;
    b.mBattle.mHost = &host;
    b.mBattle.mAttacker = kAllies;
    gAIDefending = true;
    b.Nodes({{200.0f, 200.0f}});
    auto guarded = [&](Unit* u) {
        for (int32_t i = 0; i < b.Groups()->GetCount(); ++i)
            if (b.Group(i)->mOrder == kAIOrderHoldNode && b.Group(i)->IsMember(u)) return true;
        return false;
    };
    auto* far = b.Add(kAxis, 260.0f, 200.0f); // the fixed list meets it first
    auto* near = b.Add(kAxis, 220.0f, 200.0f);
    far->a.mSupport = true;
    b.mBattle.AISetup();
    EXPECT_TRUE(guarded(far));
    EXPECT_FALSE(guarded(near));
    far->a.mSupport = false;
    b.mBattle.AISetup();
    EXPECT_TRUE(guarded(near));
    EXPECT_FALSE(guarded(far));
    b.mBattle.mHost = nullptr;
}
