// The computer opponent's turn: the driver's steps and passes, the saved
// block of its groups, and a small battle planned for several turns.

#include <gtest/gtest.h>

#include <vector>

#include "ai/AIPanel.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "ai_plan_fixture.h"
#include "battle/BattleHost.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"

namespace {

AIGroup* GroupOf(Battle& b, Affiliation side, std::initializer_list<Unit*> units, int32_t order) {
    if (!b.mAIGroups[side]) b.mAIGroups[side] = new GList;
    auto* g = new AIGroup;
    for (Unit* u : units)
        g->Add(u);
    g->mOrder = order;
    b.mAIGroups[side]->Add(g);
    return g;
}

std::vector<uint8_t> Bytes(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

std::vector<uint8_t> WrittenAI(Battle& b) {
    GFile file;
    file.ITempFile(false);
    b.WriteAIData(&file);
    return Bytes(&file);
}

// ReadAI over the bytes; the lists come back in lists.
bool ReadBytes(const std::vector<uint8_t>& bytes, GList** lists) {
    GFile file;
    file.ITempFile(false);
    if (!bytes.empty()) file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Rewind();
    return ReadAI(&file, lists);
}

void OrderTo(Unit* u, float x, float y) {
    u->mNrWaypoints = 1;
    u->mWaypoints[0] = Destination{};
    u->mWaypoints[0].mX = x;
    u->mWaypoints[0].mY = y;
    u->mWaypoints[0].mOrder = kPaceDefaultMove;
    u->mWaypoints[0].mKind = kWaypointPlannedEnd;
}

// A host that records the planning's screen steps and offers a box.
class ScreenHost : public BattleHost {
public:
    GView* MakeAIBox(int16_t* fill) override {
        if (!mBox) return nullptr;
        *fill = 0;
        auto* box = new GView;
        box->IView(nullptr, 0, 0, 400, 160);
        return box;
    }
    void UpdateScreen() override { ++mUpdates; }
    void ManageSounds() override { mSidesShown.push_back(ViewingSide()); }
    bool mBox = true;
    int32_t mUpdates = 0;
    std::vector<Affiliation> mSidesShown;
};

} // namespace

TEST(AIDriver, AmbushReleaseChanceByTurn) {
    EXPECT_NEAR(AIAmbushReleaseChance(1, false), 0.18f, 1e-6f);
    EXPECT_NEAR(AIAmbushReleaseChance(2, false), 0.3522f, 1e-6f);
    EXPECT_NEAR(AIAmbushReleaseChance(3, false), 0.507672f, 1e-6f);
    EXPECT_EQ(AIAmbushReleaseChance(3, true), 1.0f);
    // Each factor is rounded before it is multiplied in.
    float p = 1.0f;
    for (int32_t i = 10; i >= 1; --i)
        p = p * static_cast<float>(0.85 - 0.03 * i);
    EXPECT_EQ(AIAmbushReleaseChance(10, false), 1.0f - p);
    // From turn 29 a factor turns negative; the product stays as formed.
    EXPECT_EQ(AIAmbushReleaseChance(29, false), 1.0f);
    EXPECT_EQ(AIAmbushReleaseChance(40, false), 1.0f);
}

TEST(AIDriver, SetupTurnLeavesAnExistingListAndRestoresTheBattle) {
    PlanBattle b;
    MoveRows rows;
    b.mBattle.mSetupPhase = true;
    auto* u = b.Add(kAllies, 100, 100);
    AIGroup* g = GroupOf(b.mBattle, kAllies, {u}, kAIOrderHold);
    GList* list = b.mBattle.mAIGroups[kAllies];
    b.mBattle.mMap->mLOSCacheOn = true;
    b.mBattle.AIOperational(kAllies);
    EXPECT_EQ(b.mBattle.mAIGroups[kAllies], list);
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(g->mOrder, kAIOrderHold);
    EXPECT_EQ(g->GetCount(), 1);
    EXPECT_FALSE(u->HasMovementOrders());
    EXPECT_FALSE(b.mBattle.mAIThinking);
    EXPECT_EQ(b.mBattle.mMap->mDrawMode, 2);
    EXPECT_TRUE(b.mBattle.mMap->mLOSCacheOn);
    EXPECT_EQ(b.mBattle.Host()->ViewingSide(), kAxis);
    EXPECT_EQ(gAIPanel, nullptr);
    EXPECT_NE(b.mBattle.mObjectiveGraph, nullptr);
}

TEST(AIDriver, LooseAndFreedUnitsGoToTheLooseGroup) {
    PlanBattle b;
    gAISide = kAxis;
    auto* grouped = b.Add(kAxis, 100, 100);
    auto* freed = b.Add(kAxis, 110, 100);
    auto* loose = b.Add(kAxis, 120, 100);
    auto* captured = b.Add(kAllies, 130, 100);
    captured->mSurrendered = true;
    auto* enemy = b.Add(kAllies, 140, 100);
    auto* dead = b.Add(kAxis, 150, 100);
    dead->mActive = false;
    auto* plane = b.Add(kAxis, 160, 100);
    plane->mUnitType = kUnitAirplane;
    freed->mFreed = true;
    AIGroup* g = GroupOf(b.mBattle, kAxis, {grouped, freed}, kAIOrderHold);
    b.mBattle.AICollectFraidyCats();
    GList* list = b.mBattle.mAIGroups[kAxis];
    ASSERT_EQ(list->GetCount(), 2);
    auto* cats = static_cast<AIGroup*>(list->GetObjectA(1));
    EXPECT_EQ(cats->mOrder, kAIOrderLooseFallBack);
    ASSERT_EQ(cats->GetCount(), 3);
    EXPECT_EQ(cats->GetObjectA(0), freed);
    EXPECT_EQ(cats->GetObjectA(1), loose);
    EXPECT_EQ(cats->GetObjectA(2), captured);
    EXPECT_EQ(g->GetCount(), 1);
    EXPECT_FALSE(cats->IsMember(enemy));

    // A second pass finds the group again and adds nothing twice; an enemy
    // unit freed from its captors leaves it.
    captured->mFreed = true;
    b.mBattle.AICollectFraidyCats();
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(cats->GetCount(), 2);
    EXPECT_FALSE(cats->IsMember(captured));

    // With nobody loose, no group is made.
    PlanBattle c;
    GroupOf(c.mBattle, kAxis, {c.Add(kAxis, 10, 10)}, kAIOrderHold);
    c.mBattle.AICollectFraidyCats();
    EXPECT_EQ(c.mBattle.mAIGroups[kAxis]->GetCount(), 1);
}

TEST(AIDriver, BunchedInfantryReactsAgainstItsThreshold) {
    // Open ground at TEM 0 gives a threshold of 4.41: among six men with
    // orders to one point, only the first has five others crowding it.
    struct Case {
        float tem;
        int32_t cancelled;
    };
    for (Case c : {Case{0.0f, 1}, Case{1.0f, 5}}) {
        PlanBattle b;
        gAISide = kAxis;
        std::vector<TestInfantry*> men;
        for (int32_t i = 0; i < 6; ++i) {
            auto* u = b.Add(kAxis, 200.0f + static_cast<float>(i), 200.0f);
            u->a.mOpenTEM = c.tem;
            u->a.mCoverTEM = c.tem;
            OrderTo(u, 200.0f, 200.0f);
            men.push_back(u);
        }
        // Far from its goal: not counted.
        auto* runner = b.Add(kAxis, 200.0f, 210.0f);
        OrderTo(runner, 900.0f, 200.0f);
        b.mBattle.AIAvoidBunching();
        int32_t cancelled = 0;
        for (TestInfantry* u : men)
            if (!u->HasMovementOrders()) ++cancelled;
        EXPECT_EQ(cancelled, c.cancelled) << c.tem;
        // Nobody stands after the last one to crowd it.
        EXPECT_TRUE(men.back()->HasMovementOrders());
        EXPECT_TRUE(runner->HasMovementOrders());
        if (c.cancelled == 1) {
            EXPECT_FALSE(men[0]->HasMovementOrders());
        }
    }
}

// The first of six at one point (threshold 4.41 at TEM 0): four others at
// its point count 1 each, a fifth d metres off adds (25 - d) / 17, so d = 18
// makes it react and 18.1 does not. The fifth counts only while its goal
// lies within its reach: min(k x 26.838, 75) m, k = 3, 2, 1 for speed
// classes 4, 3, 2 and 0.5 below.
TEST(AIDriver, BunchingWeighsNeighboursAndCountsOrdersWithinReach) {
    struct Paced : TestInfantry {
        SpeedClass GetSpeedClass() override { return cls; }
        SpeedClass cls = 4;
    };
    auto reacts = [](float d, SpeedClass cls, float away) {
        PlanBattle b;
        gAISide = kAxis;
        auto* u = b.Add(kAxis, 300.0f, 300.0f);
        u->a.mOpenTEM = u->a.mCoverTEM = 0.0f;
        OrderTo(u, 300.0f, 300.0f);
        for (int32_t i = 0; i < 4; ++i)
            OrderTo(b.Add(kAxis, 300.0f, 300.0f), 300.0f, 300.0f);
        auto* fifth = b.Add<Paced>(kAxis, 300.0f + d + away, 300.0f);
        fifth->cls = cls;
        OrderTo(fifth, 300.0f + d, 300.0f);
        b.mBattle.AIAvoidBunching();
        return !u->HasMovementOrders();
    };
    EXPECT_TRUE(reacts(18.0f, 4, 0.0f));
    EXPECT_FALSE(reacts(18.1f, 4, 0.0f));
    const struct {
        SpeedClass cls;
        float in, out;
    } reach[] = {{4, 75.0f, 75.5f}, {3, 53.6f, 53.8f}, {2, 26.8f, 26.9f}, {1, 13.4f, 13.45f}};
    for (const auto& r : reach) {
        EXPECT_TRUE(reacts(10.0f, r.cls, r.in)) << r.cls;
        EXPECT_FALSE(reacts(10.0f, r.cls, r.out)) << r.cls;
    }
}

TEST(AIDriver, BunchingSortsUnitsThatCannotMoveFirst) {
    PlanBattle b;
    gAISide = kAxis;
    std::vector<TestInfantry*> men;
    for (int32_t i = 0; i < 6; ++i) {
        auto* u = b.Add(kAxis, 300.0f, 300.0f);
        u->a.mOpenTEM = 0.0f;
        u->a.mCoverTEM = 0.0f;
        OrderTo(u, 300.0f, 300.0f);
        men.push_back(u);
    }
    // The last in the list cannot move: it comes first and reacts.
    men.back()->mImmobile = true;
    b.mBattle.AIAvoidBunching();
    EXPECT_FALSE(men.back()->HasMovementOrders());
    for (size_t i = 0; i + 1 < men.size(); ++i)
        EXPECT_TRUE(men[i]->HasMovementOrders()) << i;
}

TEST(AIDriver, RemoveUnitFromAISearchesItsOwnSideOnly) {
    PlanBattle b;
    auto* u = b.Add(kAxis, 10, 10);
    AIGroup* g1 = GroupOf(b.mBattle, kAxis, {u}, kAIOrderHold);
    AIGroup* other = GroupOf(b.mBattle, kAllies, {u}, kAIOrderHold);
    b.mBattle.RemoveUnitFromAI(u);
    EXPECT_EQ(g1->GetCount(), 0);
    EXPECT_EQ(other->GetCount(), 1);
    b.mBattle.RemoveUnitFromAI(nullptr);
}

TEST(AIPanel, BarAdvancesForTheHumansViewAndDrawsNothingFromTheGenerator) {
    PlanBattle b;
    ScreenHost host;
    b.mBattle.mHost = &host;
    host.SetViewingSide(kAxis);
    GView box;
    box.IView(nullptr, 0, 0, 400, 160);
    auto* panel = new AIPanel;
    panel->IAIPanel(&box, 0);
    EXPECT_EQ(panel->GetWidth(), 368);
    EXPECT_EQ(panel->GetProgress(), 0.0f);
    panel->SetProgressIncrement(8);
    host.SetViewingSide(kAllies);
    const uint32_t state = GetRandomState();
    panel->IncrementProgress();
    panel->IncrementProgresses(3);
    EXPECT_FLOAT_EQ(panel->GetProgress(), 0.5f);
    EXPECT_FLOAT_EQ(panel->GetIncrement(), 0.125f);
    for (int32_t i = 0; i < 10; ++i)
        panel->IncrementProgress();
    EXPECT_EQ(panel->GetProgress(), 1.0f);
    // Redrawn for the other side, and put back.
    ASSERT_FALSE(host.mSidesShown.empty());
    EXPECT_EQ(host.mSidesShown.front(), kAxis);
    EXPECT_EQ(host.ViewingSide(), kAllies);
    EXPECT_EQ(GetRandomState(), state);
    b.mBattle.mHost = nullptr;
}

TEST(AISavedGroups, OnlyTheAlliedSideIsWrittenAfterItsAbsentAxisBlock) {
    PlanBattle b;
    auto* u0 = b.Add(kAllies, 10, 10);
    auto* u1 = b.Add(kAllies, 20, 10);
    GroupOf(b.mBattle, kAllies, {u1, u0}, kAIOrderGoToNode + 2);
    GroupOf(b.mBattle, kAllies, {}, -2);
    const std::vector<uint8_t> expected = {0,    1,    1, 0, 0, 0, 2,          //
                                           0x27, 0x17, 0, 0, 0, 2, 0, 2, 0, 1, //
                                           0xff, 0xfe, 0, 0, 0, 0};
    EXPECT_EQ(WrittenAI(b.mBattle), expected);
}

TEST(AISavedGroups, WriteReadWriteGivesTheSameBytesAndDropsUnresolvedUnits) {
    PlanBattle b;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < 6; ++i)
        units.push_back(b.Add(i < 3 ? kAxis : kAllies, 10.0f * static_cast<float>(i), 10));
    GroupOf(b.mBattle, kAxis, {units[0], units[2]}, kAIOrderHoldNode + 1);
    GroupOf(b.mBattle, kAxis, {units[1]}, kAIOrderLooseFallBack);
    GroupOf(b.mBattle, kAllies, {units[5], units[4], units[3]}, kAIOrderGoToNode);
    const std::vector<uint8_t> first = WrittenAI(b.mBattle);

    GList* lists[2] = {nullptr, nullptr};
    ASSERT_TRUE(ReadBytes(first, lists));
    ASSERT_NE(lists[0], nullptr);
    ASSERT_NE(lists[1], nullptr);
    AIResolveGroupUnits(&b.mBattle, lists[0]);
    AIResolveGroupUnits(&b.mBattle, lists[1]);
    Battle copy;
    copy.IBattleStub();
    copy.mStub = false;
    copy.mAIGroups[0] = lists[0];
    copy.mAIGroups[1] = lists[1];
    EXPECT_EQ(static_cast<AIGroup*>(lists[0]->GetObjectA(0))->mOrder, kAIOrderHoldNode + 1);
    EXPECT_EQ(lists[1]->GetObjectA(0) != nullptr, true);
    EXPECT_EQ(static_cast<AIGroup*>(lists[1]->GetObjectA(0))->GetObjectA(0), units[5]);
    EXPECT_EQ(WrittenAI(copy), first);

    // Identifiers naming no unit, and a unit named twice, are dropped.
    std::vector<uint8_t> odd = {1, 1, 0, 0, 0, 2,                         //
                                0, 4, 0, 0, 0, 3, 0, 1, 0x03, 0xe7, 0, 1, //
                                0, 4, 0, 0, 0, 2, 0, 0, 0,    1,          //
                                0};
    GList* read[2] = {nullptr, nullptr};
    ASSERT_TRUE(ReadBytes(odd, read));
    AIResolveGroupUnits(&b.mBattle, read[0]);
    auto* g0 = static_cast<AIGroup*>(read[0]->GetObjectA(0));
    auto* g1 = static_cast<AIGroup*>(read[0]->GetObjectA(1));
    ASSERT_EQ(g0->GetCount(), 1);
    EXPECT_EQ(g0->GetObjectA(0), units[0]);
    EXPECT_EQ(g1->GetCount(), 0);
    EXPECT_EQ(read[1], nullptr);
    delete read[0];
}

TEST(AISavedGroups, DamagedBlocksFailWholeAndLeaveTheListsAlone) {
    PlanBattle b;
    auto* u = b.Add(kAxis, 10, 10);
    GroupOf(b.mBattle, kAxis, {u}, kAIOrderHold);
    GroupOf(b.mBattle, kAllies, {u}, kAIOrderHold);
    const std::vector<uint8_t> good = WrittenAI(b.mBattle);
    GList sentinel;
    std::vector<std::vector<uint8_t>> bad;
    for (size_t cut = 0; cut < good.size(); ++cut)
        bad.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    auto withByte = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> v = good;
        v[at] = value;
        return v;
    };
    bad.push_back(withByte(0, 2));    // presence char
    bad.push_back(withByte(1, 7));    // keep char
    bad.push_back(withByte(2, 0xff)); // negative group count
    bad.push_back(withByte(3, 0x7f)); // oversized group count
    bad.push_back(withByte(8, 0x80)); // negative unit count
    for (const auto& bytes : bad) {
        GList* lists[2] = {&sentinel, &sentinel};
        EXPECT_FALSE(ReadBytes(bytes, lists)) << bytes.size();
        EXPECT_EQ(lists[0], &sentinel);
        EXPECT_EQ(lists[1], &sentinel);
    }
    // Keep char 0 is accepted, and the list still owns its groups.
    GList* lists[2] = {nullptr, nullptr};
    ASSERT_TRUE(ReadBytes(withByte(1, 0), lists));
    EXPECT_FALSE(lists[0]->IsPreserving());
    delete lists[0];
    delete lists[1];
}

namespace {

// A small battle built in code: two Axis groups and their enemy, a flag
// between them, planned for the Axis headless.
struct SmallBattle {
    explicit SmallBattle(uint32_t seed) {
        SeedRandomGenerator(seed);
        b.mBattle.mAttacker = kAxis;
        b.mBattle.mLastTurn = 10;
        b.AddFlag(400, 400, 1);
        b.AddFlag(200, 600, 0);
        for (int32_t i = 0; i < 4; ++i) {
            mOwn.push_back(b.Add(kAxis, 100.0f + 20.0f * static_cast<float>(i), 100.0f));
            mOwn.push_back(b.Add(kAxis, 600.0f, 100.0f + 20.0f * static_cast<float>(i)));
            mEnemy.push_back(b.Add(kAllies, 380.0f + 10.0f * static_cast<float>(i), 700.0f));
        }
        for (TestInfantry* u : mOwn)
            u->mAmmo[0] = 20;
        GroupOf(b.mBattle, kAxis, {mOwn[0], mOwn[2], mOwn[4], mOwn[6]}, kAIOrderNone);
        GroupOf(b.mBattle, kAxis, {mOwn[1], mOwn[3], mOwn[5]}, kAIOrderHold);
        // mOwn[7] is loose.
    }
    // The state that planning leaves: groups, orders, waypoints, draws.
    std::vector<float> Outcome() {
        std::vector<float> out;
        GList* list = b.mBattle.mAIGroups[kAxis];
        for (int32_t g = 0; list && g < list->GetCount(); ++g) {
            auto* group = static_cast<AIGroup*>(list->GetObjectA(g));
            out.push_back(static_cast<float>(group->mOrder));
            for (int32_t i = 0; i < group->GetCount(); ++i)
                out.push_back(
                    static_cast<float>(b.mBattle.mUnits->IndexOf(static_cast<Unit*>(group->GetObjectA(i)))));
        }
        for (Unit* u : mOwn) {
            out.push_back(static_cast<float>(u->mNrWaypoints));
            for (int32_t w = 0; w < u->mNrWaypoints; ++w) {
                out.push_back(u->mWaypoints[w].mX);
                out.push_back(u->mWaypoints[w].mY);
            }
        }
        out.push_back(static_cast<float>(GetRandomState()));
        return out;
    }
    PlanBattle b{40, 40};
    MoveRows rows;
    std::vector<TestInfantry*> mOwn;
    std::vector<TestInfantry*> mEnemy;
};

std::vector<std::vector<float>> PlanTurns(bool screen) {
    SmallBattle s(4242);
    ScreenHost host;
    host.mBox = screen;
    s.b.mBattle.mHost = &host;
    host.SetViewingSide(kAllies);
    std::vector<std::vector<float>> outcomes;
    for (int32_t turn = 1; turn <= 3; ++turn) {
        s.b.mBattle.mTurn = turn;
        s.b.mBattle.AIOperational(1 - host.ViewingSide());
        EXPECT_EQ(host.ViewingSide(), kAllies);
        EXPECT_EQ(gAIPanel, nullptr);
        outcomes.push_back(s.Outcome());
    }
    s.b.mBattle.mHost = nullptr;
    return outcomes;
}

} // namespace

TEST(AIDriver, SmallBattleIsPlannedAlikeFromASeedWithOrWithoutAScreen) {
    const auto headless = PlanTurns(false);
    const auto again = PlanTurns(false);
    const auto screen = PlanTurns(true);
    EXPECT_EQ(headless, again);
    EXPECT_EQ(headless, screen);
    // The loose unit was gathered and the unordered group got an objective.
    SmallBattle s(4242);
    s.b.mBattle.AIOperational(kAxis);
    GList* list = s.b.mBattle.mAIGroups[kAxis];
    bool loose = false;
    for (int32_t g = 0; g < list->GetCount(); ++g) {
        auto* group = static_cast<AIGroup*>(list->GetObjectA(g));
        if (group->mOrder == kAIOrderLooseFallBack && group->IsMember(s.mOwn[7])) loose = true;
    }
    EXPECT_TRUE(loose);
    EXPECT_GE(static_cast<AIGroup*>(list->GetObjectA(0))->mOrder, kAIOrderGoToNode);
}

TEST(AIDriver, IdleTanksTurnToTheirTargets) {
    PlanBattle b;
    gAISide = kAxis;
    auto* enemy = b.Add(kAllies, 200, 300);
    auto* tank = b.Add<TestVehicle>(kAxis, 200, 100);
    tank->a.mHeavy = true;
    tank->mBogged = true;
    tank->mHeading = 0.0f; // east; the target lies north
    tank->mTarget = enemy;
    auto* aligned = b.Add<TestVehicle>(kAxis, 200, 150);
    aligned->a.mHeavy = true;
    aligned->mBogged = true;
    aligned->mHeading = 80.0f; // within 30 degrees
    aligned->mTarget = enemy;
    auto* mobile = b.Add<TestVehicle>(kAxis, 250, 100);
    mobile->a.mHeavy = true;
    mobile->mTarget = enemy;
    b.mBattle.AIFaceIdleTanks();
    ASSERT_EQ(tank->mNrWaypoints, 1);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, 17);
    EXPECT_EQ(aligned->mNrWaypoints, 0);
    EXPECT_EQ(mobile->mNrWaypoints, 0);
}
