// Guards of the objectives, reserves, platoons and reinforcements of the
// computer side's set-up.

#include <gtest/gtest.h>

#include "ai_setup_fixture.h"

namespace {

constexpr uint16_t kSeen = (60 << 8) + 60;

} // namespace

TEST(AISetupGuards, NodesByProximity) {
    SetupBattle b(40, 10);
    float d = 0.0f;
    EXPECT_EQ(AIGetNearestFlagsNode(10.0f, 10.0f, &d), nullptr);
    EXPECT_EQ(d, 9.0e20f);
    b.Nodes({{700.0f, 100.0f}, {100.0f, 100.0f}, {400.0f, 100.0f}});
    EXPECT_EQ(AIGetNearestFlagsNode(350.0f, 100.0f, &d), b.Node(2));
    EXPECT_EQ(d, 50.0f);
    GList* sorted = AISortFlagsNodesByProximity(0.0f, 100.0f);
    ASSERT_EQ(sorted->GetCount(), 3);
    EXPECT_EQ(sorted->GetObjectA(0), b.Node(1));
    EXPECT_EQ(sorted->GetObjectA(1), b.Node(2));
    EXPECT_EQ(sorted->GetObjectA(2), b.Node(0));
    delete sorted; // the nodes stay the graph's
    EXPECT_EQ(b.mBattle.mObjectiveGraph->GetCount(), 3);
}

TEST(AISetupGuards, FixedUnitsGuardNodesWithinReach) {
    SetupBattle b(40, 10);
    MoveRows rows;
    b.Nodes({{100.0f, 100.0f}, {600.0f, 100.0f}});
    int32_t count = 2; // each node needs trunc(2 x 0.5 x 1 + 0.99) = 1 guard
    auto* a = b.Add(kAxis, 150.0f, 100.0f);
    auto* c = b.Add(kAxis, 120.0f, 100.0f);
    auto* far = b.Add(kAxis, 350.0f, 100.0f);
    EXPECT_TRUE(AIAttachFixedGuard(a, &count));
    ASSERT_EQ(b.Groups()->GetCount(), 1);
    EXPECT_EQ(b.Group(0)->mOrder, kAIOrderHoldNode + 0);
    EXPECT_TRUE(b.Group(0)->IsMember(a));
    EXPECT_EQ(a->mX, 150.0f); // keeps its place
    // The near node is guarded and the other is out of reach.
    EXPECT_FALSE(AIAttachFixedGuard(c, &count));
    EXPECT_FALSE(AIAttachFixedGuard(far, &count));
    far->mUnitType = kUnitVehicle; // 200 m reaches no node from 350 m either
    EXPECT_FALSE(AIAttachFixedGuard(far, &count));
    far->mX = 420.0f;
    EXPECT_TRUE(AIAttachFixedGuard(far, &count));
    EXPECT_EQ(b.Group(1)->mOrder, kAIOrderHoldNode + 1);
}

TEST(AISetupGuards, HalfStrengthFirstThenFull) {
    SetupBattle b(40, 10);
    MoveRows rows;
    b.Zone(0, 0, 39, 9, 4);
    b.Nodes({{100.0f, 100.0f}, {600.0f, 100.0f}});
    GDynamicArray* grid = b.Grid(kSeen);
    gAIDefending = true;
    AIGroup pool;
    for (int32_t i = 0; i < 2; ++i)
        pool.Add(b.Add(kAxis, 300.0f, 100.0f));
    // count 4: each node needs 2, half strength is 1, so two units give one each.
    AIAssignFlagDefenders(4, b.mBattle.mObjectiveGraph, &pool, grid);
    EXPECT_EQ(pool.GetCount(), 0);
    ASSERT_EQ(b.Groups()->GetCount(), 2);
    EXPECT_EQ(b.Group(0)->GetCount(), 1);
    EXPECT_EQ(b.Group(1)->GetCount(), 1);
    // Three more: the second pass fills the first node, then the second.
    for (int32_t i = 0; i < 3; ++i)
        pool.Add(b.Add(kAxis, 300.0f, 100.0f));
    AIAssignFlagDefenders(4, b.mBattle.mObjectiveGraph, &pool, grid);
    EXPECT_EQ(b.Group(0)->GetCount(), 2);
    EXPECT_EQ(b.Group(1)->GetCount(), 2);
    EXPECT_EQ(pool.GetCount(), 1);
    // Guards stand within range of their own node.
    for (int32_t g = 0; g < 2; ++g)
        for (int32_t i = 0; i < b.Group(g)->GetCount(); ++i) {
            auto* u = static_cast<Unit*>(b.Group(g)->GetObjectA(i));
            EXPECT_LT(std::fabs(u->mX - b.Node(g)->mCenterX), 115.0f);
        }
}

TEST(AISetupReserves, MergeClosestToNodesMinusOne) {
    struct Case {
        int32_t nodes, groups;
        int32_t order;
    } cases[] = {{0, 1, kAIOrderHold}, {1, 1, kAIOrderGoToNode}, {2, 1, kAIOrderHold}, {4, 3, kAIOrderHold}};
    for (const Case& k : cases) {
        SetupBattle b(40, 10);
        b.Nodes({});
        for (int32_t i = 0; i < k.nodes; ++i)
            b.mBattle.mObjectiveGraph->Add(new FlagsNode);
        GList groups;
        const float xs[5] = {0.0f, 500.0f, 30.0f, 520.0f, 260.0f};
        for (float x : xs) {
            auto* g = new AIGroup;
            Unit* u = b.Add(kAxis, x, 50.0f);
            g->Add(u);
            g->mCenterX = u->mX;
            g->mCenterY = u->mY;
            groups.Add(g);
        }
        AIGroupReserves(&groups);
        ASSERT_EQ(groups.GetCount(), k.groups) << k.nodes;
        int32_t members = 0;
        for (int32_t i = 0; i < groups.GetCount(); ++i) {
            members += static_cast<AIGroup*>(groups.GetObjectA(i))->GetCount();
            EXPECT_EQ(static_cast<AIGroup*>(groups.GetObjectA(i))->mOrder, k.order);
        }
        EXPECT_EQ(members, 5);
        if (k.groups == 3) {
            // The two close pairs merged; their centres are the mean places.
            EXPECT_EQ(static_cast<AIGroup*>(groups.GetObjectA(0))->mCenterX, 15.0f);
            EXPECT_EQ(static_cast<AIGroup*>(groups.GetObjectA(1))->mCenterX, 510.0f);
        }
    }
}

TEST(AISetupPlatoons, RegroupingSwapsAcrossGroupsAndEnds) {
    SetupBattle b(40, 40);
    MoveRows rows;
    auto* leader = b.Add<TestLeader>(kAxis, 700.0f, 700.0f);
    auto* u = b.Add(kAxis, 20.0f, 20.0f);
    auto* w = b.Add(kAxis, 690.0f, 700.0f);
    u->mSubtype = 1; // a platoon member
    u->mPlatoonHQ = leader;
    AIGroup* gu = b.NewGroup(4);
    gu->Add(u);
    AIGroup* gh = b.NewGroup(4);
    gh->Add(leader);
    gh->Add(w);
    GList list;
    list.PreserveObjects();
    list.Add(u);
    list.Add(w);
    list.Add(leader);
    AIRegroupPlatoons(&list);
    EXPECT_TRUE(gh->IsMember(u));
    EXPECT_TRUE(gu->IsMember(w));
    EXPECT_FALSE(gu->IsMember(u));
    EXPECT_EQ(u->mX, 690.0f);
    EXPECT_EQ(w->mX, 20.0f);
    EXPECT_FALSE(list.IsMember(u));
}

TEST(AISetupPlatoons, SwapsKeepEachUnitInItsZone) {
    SetupBattle b(40, 10);
    MoveRows rows;
    b.Zone(0, 0, 19, 9, 4);
    b.Zone(20, 0, 39, 9, 5);
    gAIDefending = true;
    auto make = [&](float x, int32_t platoon, int32_t unit, int32_t zone) {
        Unit* m = b.Add(kAxis, x, 100.0f);
        m->mSubtype = 1;
        m->SetIDCode('A', platoon, unit);
        m->mSetupZone = zone;
        return m;
    };
    auto* head = make(100.0f, 1, 1, 0);
    auto* outsider = make(120.0f, 2, 2, 0); // another platoon, near the head
    auto* mate = make(300.0f, 1, 2, 0);     // the head's platoon, farther away
    auto* stranger = make(140.0f, 3, 2, 5); // a zone-5 unit of another platoon
    auto* zoneMate = make(600.0f, 1, 3, 5); // a zone-5 unit of the head's platoon
    AIGroup* g1 = b.NewGroup(4);
    g1->Add(outsider);
    AIGroup* g2 = b.NewGroup(4);
    g2->Add(mate);
    AISwapPlatooners();
    EXPECT_EQ(mate->mX, 120.0f);
    EXPECT_EQ(outsider->mX, 300.0f);
    EXPECT_TRUE(g1->IsMember(mate)); // in a defence the groups swap too
    EXPECT_TRUE(g2->IsMember(outsider));
    EXPECT_EQ(stranger->mX, 600.0f);
    EXPECT_EQ(zoneMate->mX, 140.0f);
    EXPECT_EQ(head->mX, 100.0f);
}

TEST(AISetupReinforcements, GroupCodes) {
    SetupBattle b(10, 10);
    GList arriving;
    arriving.PreserveObjects();
    b.mBattle.AIAddReinforcementGroup(&arriving); // empty: nothing
    EXPECT_EQ(b.Groups()->GetCount(), 0);
    arriving.Add(b.Add(kAxis, 10.0f, 10.0f));
    arriving.Add(b.Add(kAxis, 20.0f, 10.0f));
    b.mBattle.mAttacker = kAllies;
    b.mBattle.AIAddReinforcementGroup(&arriving);
    ASSERT_EQ(b.Groups()->GetCount(), 1);
    EXPECT_EQ(b.Group(0)->mOrder, kAIOrderHold);
    EXPECT_EQ(b.Group(0)->GetCount(), 2);
    for (int32_t attacker : {kAxis, 2}) {
        b.mBattle.mAttacker = attacker;
        b.mBattle.AIAddReinforcementGroup(&arriving);
        EXPECT_EQ(b.Group(b.Groups()->GetCount() - 1)->mOrder, kAIOrderNone); // it attacks, or nobody does
    }
    // A side the computer does not plan gets no group.
    GList allies;
    allies.PreserveObjects();
    allies.Add(b.Add(kAllies, 10.0f, 10.0f));
    b.mBattle.AIAddReinforcementGroup(&allies);
    EXPECT_EQ(b.mBattle.mAIGroups[kAllies], nullptr);
}
