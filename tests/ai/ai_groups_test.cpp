// The computer opponent's groups: objective choice, garrisons at secured
// nodes, group forming and the group moves' order handling.

#include <gtest/gtest.h>

#include <vector>

#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "engine/RandomCalls.h"
#include "ai_plan_fixture.h"

namespace {

// A graph of nodes at the given places, each standing for one neutral flag.
struct Graph {
    explicit Graph(PlanBattle& b) : mBattle(b.mBattle) {
        delete mBattle.mObjectiveGraph;
        mBattle.mObjectiveGraph = new GList;
    }
    FlagsNode* Add(PlanBattle& b, float x, float y, float rating) {
        auto* node = new FlagsNode;
        node->IFlagsNode(b.AddFlag(x, y, 1));
        node->mRating = rating;
        mBattle.mObjectiveGraph->Add(node);
        return node;
    }
    GList* List() { return mBattle.mObjectiveGraph; }
    Battle& mBattle;
};

// Members get ammunition, so that they count as fit to fight.
AIGroup* GroupOf(PlanBattle& b, Affiliation side, std::initializer_list<Unit*> units, int32_t order) {
    if (!b.mBattle.mAIGroups[side]) b.mBattle.mAIGroups[side] = new GList;
    auto* g = new AIGroup;
    for (Unit* u : units) {
        if (u->mAmmo[0] == 0) u->mAmmo[0] = 10;
        g->Add(u);
    }
    g->mOrder = order;
    b.mBattle.mAIGroups[side]->Add(g);
    return g;
}

// The generator's state after n fractions from seed.
uint32_t StateAfterFractions(uint32_t seed, int32_t n) {
    SeedRandomGenerator(seed);
    for (int32_t i = 0; i < n; ++i)
        RandomFraction();
    return GetRandomState();
}

} // namespace

TEST(AIGroupOrders, RepresentativeIsFirstMobileMemberElseLast) {
    PlanBattle b;
    AIGroup g;
    EXPECT_EQ(g.GetRepresentative(), nullptr);
    auto* a = b.Add(kAxis, 10, 10);
    auto* c = b.Add(kAxis, 20, 10);
    a->mImmobile = true;
    c->mImmobile = true;
    g.Add(a);
    g.Add(c);
    EXPECT_EQ(g.GetRepresentative(), c);
    c->mImmobile = false;
    EXPECT_EQ(g.GetRepresentative(), c);
    a->mImmobile = false;
    EXPECT_EQ(g.GetRepresentative(), a);
    g.SetupRecenter();
    EXPECT_FLOAT_EQ(g.mCenterX, 15.0f);
    EXPECT_FLOAT_EQ(g.mCenterY, 10.0f);
    // An empty group keeps its centre.
    g.EmptyOut(false);
    g.SetupRecenter();
    EXPECT_FLOAT_EQ(g.mCenterX, 15.0f);
}

TEST(AIGroupOrders, TakenNodeCostsMoreAndOneDrawPerCostedNode) {
    PlanBattle b(40, 40);
    Graph graph(b);
    FlagsNode* near = graph.Add(b, 200, 100, 1.0f);
    FlagsNode* far = graph.Add(b, 300, 100, 1.0f);
    FlagsNode* secured = graph.Add(b, 100, 110, 1.0f);
    secured->mSecured = true;
    FlagsNode* worthless = graph.Add(b, 100, 120, 0.0f);
    auto* u = b.Add(kAxis, 100, 100);
    AIGroup g;
    g.Add(u);

    SeedRandomGenerator(77);
    g.GiveGroupOrder(graph.List(), false);
    EXPECT_EQ(g.mOrder, kAIOrderGoToNode + 0);
    EXPECT_TRUE(near->mTaken);
    // Only the two nodes with a rating and not secured draw.
    EXPECT_EQ(GetRandomState(), StateAfterFractions(77, 2));
    EXPECT_FALSE(secured->mTaken);
    EXPECT_FALSE(worthless->mTaken);

    // At 100 m against 200 m the taken node costs 250..312 and loses.
    g.mOrder = kAIOrderNone;
    g.GiveGroupOrder(graph.List(), true);
    EXPECT_EQ(g.mOrder, kAIOrderGoToNode + 1);
    EXPECT_FALSE(far->mTaken);
}

TEST(AIGroupOrders, EqualCostsGoToTheHigherIndexAndNoChoiceKeepsTheCode) {
    PlanBattle b;
    Graph graph(b);
    graph.Add(b, 100, 100, 0.5f);
    graph.Add(b, 100, 100, 0.5f);
    auto* u = b.Add(kAxis, 100, 100);
    AIGroup g;
    g.Add(u);
    g.GiveGroupOrder(graph.List(), true);
    EXPECT_EQ(g.mOrder, kAIOrderGoToNode + 1);

    Graph none(b);
    none.Add(b, 50, 50, 0.0f)->mSecured = true;
    g.mOrder = kAIOrderHold;
    g.GiveGroupOrder(none.List(), false);
    EXPECT_EQ(g.mOrder, kAIOrderHold);
    AIGroup empty;
    empty.GiveGroupOrder(graph.List(), false);
    EXPECT_EQ(empty.mOrder, kAIOrderNone);
}

TEST(AIGroupOrders, GarrisonSplitAtASecuredNode) {
    for (bool defending : {false, true}) {
        PlanBattle b(40, 40);
        gAIDefending = defending;
        Graph graph(b);
        FlagsNode* node = graph.Add(b, 200, 200, 0.8f);
        node->mSecured = true;
        graph.Add(b, 600, 600, 0.2f);
        auto* u1 = b.Add(kAxis, 250, 200);
        auto* u2 = b.Add(kAxis, 205, 200);
        auto* u3 = b.Add(kAxis, 230, 200);
        // Two more of the side elsewhere: own 5, need trunc(5 x 0.8 x 0.3 + 0.99) = 2.
        b.Add(kAxis, 700, 700);
        b.Add(kAxis, 710, 700);
        AIGroup* g = GroupOf(b, kAxis, {u1, u2, u3}, kAIOrderGoToNode + 0);
        GList fresh;
        fresh.PreserveObjects();
        g->DecideIfFlagCaptured(&fresh);
        // min(2, 1.5) = 1 stays: the nearest to the node.
        ASSERT_EQ(fresh.GetCount(), 1) << defending;
        auto* garrison = static_cast<AIGroup*>(fresh.GetObjectA(0));
        ASSERT_EQ(garrison->GetCount(), 1);
        EXPECT_EQ(garrison->GetObjectA(0), u2);
        EXPECT_EQ(g->GetCount(), 2);
        EXPECT_FALSE(g->IsMember(u2));
        if (defending) {
            EXPECT_EQ(garrison->mOrder, kAIOrderHoldNode + 0);
            EXPECT_EQ(g->mOrder, kAIOrderHold);
        } else {
            EXPECT_EQ(garrison->mOrder, kAIOrderGoToNode + 0);
            EXPECT_EQ(g->mOrder, kAIOrderNone);
        }
        delete garrison;
    }
}

TEST(AIGroupOrders, GarrisonRulesForSmallGroupsHeldNodesAndBadCodes) {
    PlanBattle b(40, 40);
    Graph graph(b);
    FlagsNode* node = graph.Add(b, 200, 200, 1.0f);
    node->mSecured = true;
    graph.Add(b, 600, 600, 0.5f);
    for (int32_t i = 0; i < 9; ++i)
        b.Add(kAxis, 700, 700);
    auto* a = b.Add(kAxis, 200, 200);
    // own 10 -> need 3: a group of one becomes the garrison whole.
    AIGroup* g = GroupOf(b, kAxis, {a}, kAIOrderGoToNode + 0);
    GList fresh;
    fresh.PreserveObjects();
    g->DecideIfFlagCaptured(&fresh);
    EXPECT_EQ(g->mOrder, kAIOrderHoldNode + 0);
    EXPECT_EQ(fresh.GetCount(), 0);

    // Another group already holds the node: this one is free again.
    AIGroup* h = GroupOf(b, kAxis, {b.Add(kAxis, 200, 200)}, kAIOrderGoToNode + 0);
    h->DecideIfFlagCaptured(&fresh);
    EXPECT_EQ(h->mOrder, kAIOrderNone);
    gAIDefending = true;
    h->mOrder = kAIOrderGoToNode + 0;
    h->DecideIfFlagCaptured(&fresh);
    EXPECT_EQ(h->mOrder, kAIOrderHold);

    // A code naming a node beyond the graph comes back to node 0.
    h->mOrder = kAIOrderGoToNode + 7;
    h->DecideIfFlagCaptured(&fresh);
    EXPECT_EQ(h->mOrder, kAIOrderHold);
    EXPECT_EQ(fresh.GetCount(), 0);
}

TEST(AIGroupForming, DefendersGoToTheNodeInDistressAboveTheThreshold) {
    // One holding group, one neutral node, turn 1 of 30: distress 0.67 x
    // rating, and v = (1 + 1/30) x distress x 4 must exceed 1.
    for (float rating : {0.3f, 0.4f}) {
        PlanBattle b(40, 40);
        gAIDefending = true;
        b.mBattle.mTurn = 1;
        b.mBattle.mLastTurn = 30;
        Graph graph(b);
        graph.Add(b, 400, 400, rating);
        AIGroup* holder = GroupOf(b, kAxis, {b.Add(kAxis, 380, 400)}, kAIOrderHold);
        b.mBattle.AIGroupLevel();
        EXPECT_EQ(holder->mOrder, rating < 0.35f ? kAIOrderHold : kAIOrderGoToNode + 0) << rating;
    }
    // With two holding groups the need doubles, and the nearer one goes.
    {
        PlanBattle b(40, 40);
        gAIDefending = true;
        b.mBattle.mTurn = 1;
        b.mBattle.mLastTurn = 30;
        Graph graph(b);
        graph.Add(b, 400, 400, 0.3f);
        AIGroup* far = GroupOf(b, kAxis, {b.Add(kAxis, 100, 100)}, kAIOrderHold);
        AIGroup* near = GroupOf(b, kAxis, {b.Add(kAxis, 380, 400)}, kAIOrderHold);
        b.mBattle.AIGroupLevel();
        EXPECT_EQ(near->mOrder, kAIOrderGoToNode + 0);
        EXPECT_EQ(far->mOrder, kAIOrderHold);
    }
}

TEST(AIGroupForming, DefenderTakesOverTheNodesGarrisonAndEmptyGroupsGo) {
    PlanBattle b(40, 40);
    gAIDefending = true;
    Graph graph(b);
    graph.Add(b, 400, 400, 1.0f);
    auto* g1 = b.Add(kAxis, 380, 400);
    auto* g2 = b.Add(kAxis, 400, 400);
    AIGroup* holder = GroupOf(b, kAxis, {g1}, kAIOrderHold);
    GroupOf(b, kAxis, {g2}, kAIOrderHoldNode + 0);
    GroupOf(b, kAxis, {}, kAIOrderHold);
    b.mBattle.AIGroupLevel();
    GList* groups = b.mBattle.mAIGroups[kAxis];
    ASSERT_EQ(groups->GetCount(), 1);
    EXPECT_EQ(groups->GetObjectA(0), holder);
    EXPECT_EQ(holder->mOrder, kAIOrderGoToNode + 0);
    EXPECT_TRUE(holder->IsMember(g2));
}

TEST(AIGroupForming, AttackersChooseNearestFirstAndUnfitUnitsFallBack) {
    PlanBattle b(40, 40);
    gAIDefending = false;
    Graph graph(b);
    graph.Add(b, 500, 500, 1.0f);
    graph.Add(b, 100, 500, 1.0f);
    auto* a = b.Add(kAxis, 100, 100);
    auto* c = b.Add(kAxis, 505, 500);
    auto* broken = b.Add(kAxis, 505, 505);
    broken->mImmobile = true;
    auto* dead = b.Add(kAxis, 505, 510);
    dead->mActive = false;
    AIGroup* ga = GroupOf(b, kAxis, {a}, kAIOrderNone);
    AIGroup* gc = GroupOf(b, kAxis, {c, broken, dead}, kAIOrderNone);
    AIGroup* ordered = GroupOf(b, kAxis, {b.Add(kAxis, 300, 300)}, kAIOrderHold);
    b.mBattle.AIGroupLevel();
    // The group standing at node 0 chooses first and marks it; the other,
    // at 400 m from each node, then goes to node 1.
    EXPECT_EQ(gc->mOrder, kAIOrderGoToNode + 0);
    EXPECT_EQ(ga->mOrder, kAIOrderGoToNode + 1);
    EXPECT_EQ(ordered->mOrder, kAIOrderHold);
    EXPECT_EQ(gc->GetCount(), 1);
    GList* groups = b.mBattle.mAIGroups[kAxis];
    ASSERT_EQ(groups->GetCount(), 4);
    auto* fallBack = static_cast<AIGroup*>(groups->GetObjectA(3));
    EXPECT_EQ(fallBack->mOrder, kAIOrderFallBack);
    EXPECT_EQ(fallBack->GetCount(), 1);
    EXPECT_EQ(fallBack->GetObjectA(0), broken);
}

namespace {

// Counts its fall-back moves: 1 each without force, 10 each with.
class Loser : public TestInfantry {
public:
    void AIDoLoserMove(bool force) override { mRouts += force ? 10 : 1; }
    int32_t mRouts = 0;
};

} // namespace

TEST(AIGroupMoves, FallBackCodesMoveEveryUnitAndBadNodesHold) {
    PlanBattle b(40, 40);
    MoveRows rows;
    auto* u = b.Add<Loser>(kAxis, 100, 100);
    auto* v = b.Add<Loser>(kAxis, 120, 100);
    auto* suppressed = b.Add<Loser>(kAxis, 140, 100);
    suppressed->mSuppression = 350.0f;
    v->mSuppression = 349.9f;
    auto* enemy = b.Add<Loser>(kAllies, 160, 100);
    AIGroup g;
    g.Add(u);
    g.Add(v);
    g.Add(suppressed);
    g.Add(enemy);
    u->mCommandDelay = 30.0f;
    g.mOrder = kAIOrderFallBack;
    g.MoveUnits();
    EXPECT_EQ(u->mCommandDelay, 0.0f);
    EXPECT_EQ(u->mRouts, 1);
    EXPECT_EQ(v->mRouts, 1);
    g.mOrder = kAIOrderLooseFallBack;
    g.MoveUnits();
    EXPECT_EQ(u->mRouts, 11);
    // Too suppressed to be moved, or not the planned side's.
    EXPECT_EQ(suppressed->mRouts, 0);
    EXPECT_EQ(enemy->mRouts, 0);
    // A surrendered enemy unit is the planned side's to move.
    enemy->mSurrendered = true;
    g.MoveUnits();
    EXPECT_EQ(enemy->mRouts, 10);

    // A go-to order without its node holds where it stands.
    Graph graph(b);
    g.mOrder = kAIOrderGoToNode + 3;
    g.MoveUnits();
    EXPECT_EQ(u->mRouts, 21);
    EXPECT_FALSE(u->HasMovementOrders());
}

// Both groups prefer node 0. The group nearer to its choice (20 m, listed
// second) chooses first and marks node 0 taken; the other (75 m from node 0,
// 125 m from node 1) then finds node 0 at 2.5 x 75 x (1 to 1.25) = 187 to
// 234, dearer than node 1 at 125 to 156, and goes there. Had the farther
// group chosen first, both would hold node 0 (the nearer one's 2.5 x 20 x
// 1.25 = 62.5 still undercuts node 1's 180).
TEST(AIGroupForming, TheGroupNearestItsChoiceMarksItFirst) {
    for (uint32_t seed : {1u, 7u, 99u}) {
        PlanBattle b(40, 40);
        gAIDefending = false;
        Graph graph(b);
        graph.Add(b, 500, 500, 1.0f);
        graph.Add(b, 500, 700, 1.0f);
        AIGroup* farther = GroupOf(b, kAxis, {b.Add(kAxis, 500, 575)}, kAIOrderNone);
        AIGroup* nearer = GroupOf(b, kAxis, {b.Add(kAxis, 500, 480)}, kAIOrderNone);
        SeedRandomGenerator(seed);
        b.mBattle.AIGroupLevel();
        EXPECT_EQ(nearer->mOrder, kAIOrderGoToNode + 0) << seed;
        EXPECT_EQ(farther->mOrder, kAIOrderGoToNode + 1) << seed;
    }
}

namespace {
// A secured node at (200, 200) of the given rating, a free one far away,
// and `others` more units of the side elsewhere.
struct SecuredNode {
    SecuredNode(float rating, int32_t others) : graph(b) {
        node = graph.Add(b, 200, 200, rating);
        node->mSecured = true;
        graph.Add(b, 700, 700, 0.5f);
        for (int32_t i = 0; i < others; ++i)
            b.Add(kAxis, 750, 750);
    }
    // Decides for a group of the units, attacking; returns the garrison.
    AIGroup* Decide(std::initializer_list<Unit*> units, bool defending = false) {
        gAIDefending = defending;
        group = GroupOf(b, kAxis, units, kAIOrderGoToNode + 0);
        group->DecideIfFlagCaptured(&fresh);
        return fresh.GetCount() > 0 ? static_cast<AIGroup*>(fresh.GetObjectA(0)) : nullptr;
    }
    PlanBattle b{40, 40};
    Graph graph;
    FlagsNode* node = nullptr;
    AIGroup* group = nullptr;
    GList fresh; // owns the garrisons
};
} // namespace

// need = trunc(own x rating x 0.3 + 0.99); a group with fewer able members
// than need garrisons whole; with need or more it leaves min(need, n / 2).
TEST(AIGroupOrders, AGroupSmallerThanTheNeedGarrisonsWhole) {
    {
        SecuredNode s(1.0f, 7); // own 10: need 3
        auto* a = s.b.Add(kAxis, 200, 210);
        auto* c = s.b.Add(kAxis, 200, 220);
        auto* d = s.b.Add(kAxis, 200, 230);
        AIGroup* g = s.Decide({a, c, d});
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->GetCount(), 1); // min(3, 1.5)
        EXPECT_EQ(s.group->GetCount(), 2);
    }
    {
        SecuredNode s(1.0f, 8); // own 10: need 3, two members
        auto* a = s.b.Add(kAxis, 200, 210);
        auto* c = s.b.Add(kAxis, 200, 220);
        EXPECT_EQ(s.Decide({a, c}), nullptr);
        EXPECT_EQ(s.group->mOrder, kAIOrderHoldNode + 0);
    }
    {
        SecuredNode s(1.0f, 5); // own 10: need 3, five members leave min(3, 2.5) = 2
        std::vector<Unit*> u;
        for (int32_t i = 0; i < 5; ++i)
            u.push_back(s.b.Add(kAxis, 200, 210 + 10.0f * static_cast<float>(i)));
        AIGroup* g = s.Decide({u[0], u[1], u[2], u[3], u[4]});
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->GetCount(), 2);
    }
}

// A garrison is left only when two thirds of the group stand within 200 m
// of the node (in the plane, strictly) and half of it is calm (suppression
// below 50).
TEST(AIGroupOrders, AGarrisonNeedsTwoThirdsNearAndHalfCalm) {
    {
        SecuredNode s(1.0f, 7);
        auto* a = s.b.Add(kAxis, 200, 250);
        auto* c = s.b.Add(kAxis, 400, 200); // exactly 200 m: not near
        auto* d = s.b.Add(kAxis, 200, 400);
        EXPECT_EQ(s.Decide({a, c, d}), nullptr);
        EXPECT_EQ(s.group->mOrder, kAIOrderGoToNode + 0);
    }
    {
        SecuredNode s(1.0f, 7);
        auto* a = s.b.Add(kAxis, 200, 250);
        auto* c = s.b.Add(kAxis, 399.9f, 200);
        auto* d = s.b.Add(kAxis, 400, 200);
        EXPECT_NE(s.Decide({a, c, d}), nullptr); // 2 of 3 near
    }
    for (float calm : {49.9f, 50.0f}) {
        SecuredNode s(1.0f, 6);
        std::vector<Unit*> u;
        for (int32_t i = 0; i < 4; ++i)
            u.push_back(s.b.Add(kAxis, 200, 210 + 10.0f * static_cast<float>(i)));
        u[0]->mSuppression = 0.0f;
        u[1]->mSuppression = calm;
        u[2]->mSuppression = 50.0f;
        u[3]->mSuppression = 80.0f;
        // Two of four calm at 49.9 (half: enough), one at 50 (too few).
        AIGroup* g = s.Decide({u[0], u[1], u[2], u[3]});
        EXPECT_EQ(g != nullptr, calm < 50.0f) << calm;
    }
}

// The garrison is the member with the highest score: infantry 10000, plus
// 5000 less 3 per first-class round without a heavy weapon, plus 18 per
// loss, less 0.1 per metre from the node when attacking, 0.5 when defending.
TEST(AIGroupOrders, TheGarrisonIsChosenByRoundsLossesAndDistance) {
    // armed: 10 rounds, 20 m; empty: 1 round, 100 m; far: 10 rounds, 190 m.
    // Attacking (0.1 per metre): -32, -13, -49; defending (0.5): -40, -53,
    // -125. Eight losses add 144 to `far`.
    for (bool defending : {false, true}) {
        for (int32_t losses : {0, 8}) {
            SecuredNode s(1.0f, 7);
            auto* armed = s.b.Add(kAxis, 200, 220);
            auto* empty = s.b.Add(kAxis, 200, 300);
            auto* far = s.b.Add(kAxis, 200, 390);
            armed->mAmmo[0] = 10;
            empty->mAmmo[0] = 1;
            far->mAmmo[0] = 10;
            far->mCasualties = losses;
            AIGroup* g = s.Decide({armed, empty, far}, defending);
            ASSERT_NE(g, nullptr);
            ASSERT_EQ(g->GetCount(), 1);
            Unit* want = losses > 0 ? static_cast<Unit*>(far) : defending ? static_cast<Unit*>(armed) : empty;
            EXPECT_EQ(g->GetObjectA(0), want) << defending << " " << losses;
        }
    }
}

namespace {

// Refuses its combat moves and counts them, so that only the objective moves
// move it.
template <class K> class Mover : public K {
public:
    bool AIDoCombatMove(bool, bool) override {
        ++mCombatMoves;
        return false;
    }
    int32_t mCombatMoves = 0;
};
using Walker = Mover<TestInfantry>;
using Driver = Mover<TestVehicle>;

// A go-to group on wooded ground: units in cover rate the objective move
// 5 + d / 200 within 400 m, so that undamped (at least 5 > 2.875) they move
// for every draw and damped (at most 0.2 x 7) for none.
struct WoodsMarch {
    PlanBattle b{40, 40};
    MoveRows rows;
    TableRows<VehicleData> vehicles{gVehicleData, 3};
    Graph graph{b};
    AIGroup g;
    explicit WoodsMarch(bool woods = true) {
        if (woods) b.Paint(0, 0, 800, 800, kTerrainWoods);
        rows.infantry[0].mNrMen = 5;
        rows.infantry[1].mNrMen = 5;
        graph.Add(b, 40, 400, 1.0f);
        b.mBattle.mTurn = 7;
        vehicles[1].mRoofArmorA = 10; // rows: 0 open-topped, 1 half covered, 2 closed
        vehicles[2].mRoofArmorA = 10;
        vehicles[2].mRoofArmorB = 10;
        g.mOrder = kAIOrderGoToNode + 0;
    }
    // The i-th unit from the node, 12 m further than the one before.
    template <class K = Walker> K* At(int32_t i) { return AtX<K>(60.0f + 12.0f * static_cast<float>(i)); }
    template <class K = Walker> K* AtX(float x) {
        K* u = b.Add<K>(kAxis, x, 400.0f);
        g.Add(u);
        return u;
    }
};

// The first seed whose first two fractions pass the test.
template <class F> uint32_t SeedWhere(F test) {
    for (uint32_t seed = 1; seed < 1000000; ++seed) {
        SeedRandomGenerator(seed);
        const float a = AIUniform();
        const float b = AIUniform();
        if (test(a, b)) return seed;
    }
    ADD_FAILURE() << "no seed";
    return 0;
}

} // namespace

// Nearest first, the unit at place idx of N has its wish damped when idx + 1
// < share x N. With N = 20 the probe of each kind stands at the last damped
// place and the first free one (both sides of 20 x share); the rest are plain
// squads (share 0.25: places 0 to 3 damped).
TEST(AIGroupMoves, TheNearestShareOfEachKindWaitsForTheRest) {
    struct Kind {
        const char* name;
        int32_t lastDamped;
        bool vehicle;
        bool flag; // a leader, or an armoured vehicle
        int32_t row;
        bool heavy;
    };
    const Kind kinds[] = {
        {"squad 0.25", 3, false, false, 0, false},        {"leader 0.45", 7, false, true, 0, false},
        {"gun crew 0.64", 11, false, false, 2, false},    {"heavy weapon 0.5", 8, false, false, 0, true},
        {"soft vehicle 0.75", 13, true, false, 2, true},  {"open-topped 0.7", 12, true, true, 0, true},
        {"half covered 0.55", 9, true, true, 1, true},    {"closed, no gun 0.45", 7, true, true, 2, false},
        {"closed with gun 0.35", 5, true, true, 2, true},
    };
    for (const Kind& k : kinds) {
        WoodsMarch m;
        std::vector<Unit*> units;
        for (int32_t i = 0; i < 20; ++i) {
            const bool probe = i == k.lastDamped || i == k.lastDamped + 1;
            auto set = [&](auto* u) {
                u->a.mHeavy = k.heavy;
                u->mSubtype = k.row;
                units.push_back(u);
                return &u->a;
            };
            if (!probe)
                units.push_back(m.At(i));
            else if (k.vehicle)
                set(m.At<Driver>(i))->mArmoured = k.flag;
            else
                set(m.At(i))->mLeader = k.flag;
        }
        units[19]->mAimTime = 99.0f; // jammed: rates 0 and stays, so the 15 moves reach every free unit
        m.g.MoveUnits();
        EXPECT_FALSE(units[static_cast<size_t>(k.lastDamped)]->HasMovementOrders()) << k.name;
        EXPECT_TRUE(units[static_cast<size_t>(k.lastDamped + 1)]->HasMovementOrders()) << k.name;
        EXPECT_FALSE(units[3]->HasMovementOrders()) << k.name;
    }
}

// A lone unit (k = max(1, trunc(0.5)) = 1) makes the combat move when its
// combat rating is above 3, or when it is at least 2 + 0.2 u and its objective
// rating below 2.3 + 0.4 u. In the open an attacking squad within 200 m rates
// exactly 3 (and 8.5 for the objective); a defender before three quarters of
// the battle has both ratings scaled by turn / last + 0.25 and 1 added to the
// combat rating: 3 x 0.68 + 1 = 3.04 at turn 43 of 100.
TEST(AIGroupMoves, CombatMoveAboveThreeOrByTwoDraws) {
    auto tries = [](bool defending, int32_t turn, float x, uint32_t seed, float* c, float* o) {
        WoodsMarch m(false);
        gAIDefending = defending;
        m.b.mBattle.mTurn = turn;
        m.b.mBattle.mLastTurn = 100;
        auto* u = m.AtX(x);
        u->AIRateFuzzies(u->DistanceToLocation(40.0f, 400.0f), c, o);
        SeedRandomGenerator(seed);
        m.g.MoveUnits();
        return u->mCombatMoves;
    };
    float c = 0.0f, o = 0.0f;
    EXPECT_EQ(tries(false, 7, 140.0f, 1, &c, &o), 0);
    EXPECT_EQ(c, 3.0f);
    EXPECT_EQ(tries(true, 43, 140.0f, 1, &c, &o), 1);
    EXPECT_NEAR(c, 3.04f, 1e-5f);

    // At turn 15 of 100 and 300 m: combat 2.04, objective 2.5; the draws'
    // edges are u1 = (c - 2) / 0.2 and u2 = (o - 2.3) / 0.4.
    tries(true, 15, 340.0f, 1, &c, &o);
    ASSERT_NEAR(c, 2.04f, 1e-4f);
    ASSERT_NEAR(o, 2.5f, 1e-4f);
    const float e1 = (c - 2.0f) / 0.2f, e2 = (o - 2.3f) / 0.4f;
    const uint32_t both =
        SeedWhere([&](float a, float b) { return a < e1 && a > e1 - 0.015f && b > e2 && b < e2 + 0.015f; });
    const uint32_t over1 = SeedWhere([&](float a, float b) { return a > e1 && a < e1 + 0.015f && b > e2; });
    const uint32_t under2 = SeedWhere([&](float a, float b) { return a < e1 && b < e2 && b > e2 - 0.015f; });
    EXPECT_EQ(tries(true, 15, 340.0f, both, &c, &o), 1);
    EXPECT_EQ(tries(true, 15, 340.0f, over1, &c, &o), 0);
    EXPECT_EQ(tries(true, 15, 340.0f, under2, &c, &o), 0);
}

// A lone defender at turn 8 of 100, 200 m out, rates combat 1.99 (below 2:
// one draw and no combat move) and objective 0.33 x 6 = 1.98; its objective
// move needs the next draw below 0.8 x 1.98 - 1.3 = 0.284.
TEST(AIGroupMoves, ObjectiveMoveBelowFourFifthsOfTheRatingLessOnePointThree) {
    auto moves = [](uint32_t seed, float* c, float* o) {
        WoodsMarch m(false);
        gAIDefending = true;
        m.b.mBattle.mTurn = 8;
        m.b.mBattle.mLastTurn = 100;
        auto* u = m.AtX(240.0f);
        u->AIRateFuzzies(u->DistanceToLocation(40.0f, 400.0f), c, o);
        SeedRandomGenerator(seed);
        m.g.MoveUnits();
        return u->HasMovementOrders();
    };
    float c = 0.0f, o = 0.0f;
    moves(1, &c, &o);
    ASSERT_LT(c, 2.0f);
    ASSERT_NEAR(o, 1.98f, 1e-4f);
    const float edge = 0.8f * o - 1.3f;
    EXPECT_TRUE(moves(SeedWhere([&](float, float b) { return b < edge && b > edge - 0.015f; }), &c, &o));
    EXPECT_FALSE(moves(SeedWhere([&](float, float b) { return b > edge && b < edge + 0.015f; }), &c, &o));
}

// A mover without a platoon squad moving within 60 m takes the first waiting
// squad within 60 m along. The squad waits nearest the node (damped: 1 <
// 0.25 x 5), the mover is next, three vehicles far behind fill the group. At
// 420 m in the woods the squad rates 7.25, damped 1.45: no objective move of
// its own (0.8 x 1.45 < 1.3), an escort for every draw (0.75 x 1.45 > 1).
TEST(AIGroupMoves, AnEscortWithinSixtyMetresUnlessASquadMovesNear) {
    auto escorted = [](float gap, bool squadMovingNear) {
        WoodsMarch m;
        auto* squad = m.AtX(460.0f);
        squad->mSubtype = 1;
        m.AtX(460.0f + gap);
        if (squadMovingNear) m.AtX(470.0f + gap)->mSubtype = 1;
        for (int32_t i = 0; i < 3; ++i)
            m.AtX<Driver>(700.0f + 12.0f * static_cast<float>(i));
        m.g.MoveUnits();
        return squad->HasMovementOrders();
    };
    EXPECT_TRUE(escorted(59.9f, false));
    EXPECT_FALSE(escorted(60.0f, false));
    EXPECT_FALSE(escorted(59.9f, true));
}

// Of N = 10, three or four plain squads move; the rest are jammed (rating 0:
// they wait). With 7 of 10 still waiting (0.7 > 0.6 + 0.1 u) the platoon
// squads with 5 men or more go all the same; with 6 of 10 nobody does.
TEST(AIGroupMoves, WhenMostStillWaitTheFullSquadsGo) {
    for (int32_t waiting : {7, 6}) {
        WoodsMarch m;
        std::vector<Walker*> jammed;
        for (int32_t i = 0; i < 10; ++i) {
            Walker* u = m.AtX(300.0f + 12.0f * static_cast<float>(i));
            if (i >= waiting) continue;
            u->mAimTime = 99.0f;
            u->mSubtype = 1;
            jammed.push_back(u);
        }
        jammed[0]->mSubtype = 0;    // not of a platoon
        jammed[1]->mCasualties = 1; // 4 men left
        m.g.MoveUnits();
        EXPECT_FALSE(jammed[0]->HasMovementOrders()) << waiting;
        EXPECT_FALSE(jammed[1]->HasMovementOrders()) << waiting;
        for (size_t i = 2; i < jammed.size(); ++i)
            EXPECT_EQ(jammed[i]->HasMovementOrders(), waiting == 7) << waiting << " " << i;
    }
}

// Nobody waits closer than 150 m to an exit node, and no vehicle on a road.
// N = 8: the probe nearest the node (damped elsewhere), five squads that
// move, two jammed ones that stay, so that the six moves reach the probe.
TEST(AIGroupMoves, NoWaitingNearAnExitNodeOrOnARoad) {
    auto moves = [](bool exitNode, float d, bool vehicle, Terrain ground) {
        WoodsMarch m;
        static_cast<FlagsNode*>(m.graph.List()->GetObjectA(0))->mExitNode = exitNode;
        m.b.Paint(180.0f, 390.0f, 200.0f, 410.0f, ground);
        Unit* probe = vehicle ? static_cast<Unit*>(m.AtX<Driver>(40.0f + d)) : m.AtX(40.0f + d);
        for (int32_t i = 1; i < 8; ++i)
            m.AtX(200.0f + 12.0f * static_cast<float>(i))->mAimTime = i >= 6 ? 99.0f : 0.0f;
        m.g.MoveUnits();
        return probe->HasMovementOrders();
    };
    EXPECT_TRUE(moves(true, 149.9f, false, kTerrainWoods));
    EXPECT_FALSE(moves(true, 150.0f, false, kTerrainWoods));
    EXPECT_FALSE(moves(false, 149.9f, false, kTerrainWoods));
    EXPECT_TRUE(moves(false, 149.9f, true, kTerrainRoad));
    EXPECT_TRUE(moves(false, 149.9f, true, kTerrainRoad2));
    EXPECT_FALSE(moves(false, 149.9f, true, kTerrainWoods));
}

// Holding, the first trunc(0.5 x count) by combat rating are offered the
// combat move (in the open a squad rates 3 with no objective rating: it
// always takes it); a hiding unit comes last.
TEST(AIGroupMoves, HoldersOfferTheCombatMoveToTheFirstHalfHidersLast) {
    auto offered = [](int32_t count, int32_t hiding) {
        WoodsMarch m(false);
        m.g.mOrder = kAIOrderHold;
        std::vector<Walker*> units;
        for (int32_t i = 0; i < count; ++i)
            units.push_back(m.At(i));
        if (hiding >= 0) units[static_cast<size_t>(hiding)]->mHiding = true;
        m.g.MoveUnits();
        std::vector<int32_t> moves;
        for (Walker* u : units)
            moves.push_back(u->mCombatMoves);
        return moves;
    };
    EXPECT_EQ(offered(1, -1), (std::vector<int32_t>{0}));
    EXPECT_EQ(offered(3, -1), (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(offered(4, -1), (std::vector<int32_t>{1, 1, 0, 0}));
    EXPECT_EQ(offered(2, 0), (std::vector<int32_t>{0, 1}));
}

// An objective move whose first 60 m leave cover is taken back while a
// healthy enemy squad (half its men or more) stands within 100 m (60, 80).
TEST(AIGroupMoves, AnExposedMoveWaitsForEnemyInfantryWithinAHundredMetres) {
    auto moves = [](bool woods, float dx, int32_t casualties) {
        WoodsMarch m(woods);
        m.rows.infantry[1].mNrMen = 4;
        Walker* u = m.AtX(400.0f);
        auto* enemy = m.b.Add(kAllies, 400.0f + dx, 480.0f);
        enemy->mSubtype = 1;
        enemy->mCasualties = casualties;
        m.g.MoveUnits();
        return u->HasMovementOrders();
    };
    EXPECT_TRUE(moves(false, 60.0f, 0));
    EXPECT_FALSE(moves(false, 59.9f, 0));
    EXPECT_FALSE(moves(false, 59.9f, 2));
    EXPECT_TRUE(moves(false, 59.9f, 3));
    EXPECT_TRUE(moves(true, 59.9f, 0));
}

namespace {

// The first seed whose pair at place index (from 0; a fraction is a pair
// too) passes the test.
template <class F> uint32_t SeedWherePair(int32_t index, F test) {
    for (uint32_t seed = 1; seed < 1000000; ++seed) {
        SeedRandomGenerator(seed);
        for (int32_t i = 0; i < index; ++i)
            RandomPair();
        if (test(RandomPair())) return seed;
    }
    ADD_FAILURE() << "no seed";
    return 0;
}
template <class F> uint32_t SeedWhereFraction(int32_t index, F test) {
    return SeedWherePair(index, [&](uint32_t r) { return test(static_cast<float>((r % 10000000u) * 1e-7)); });
}

} // namespace

// A platoon squad 30 m from a mover that no platoon squad accompanies goes
// along when a draw is below 0.75 x its (damped) objective rating. The squad
// waits nearest the node, damped (1 < 0.25 x 5), the mover is next, three
// jammed squads far behind fill the group; with 4 men left the squad does not
// go with the rest of a waiting group. Draws: the first two by score weigh
// the combat move (squad 1.5: one draw; mover 3: two), the objective moves
// draw for the first three (mover, squad, a jammed one) and the mover's move
// draws three (the flag, then a point in the woods): the escort's draw is the
// tenth; then its own move (three) and the waiting group's draw.
TEST(AIGroupMoves, AnEscortGoesForADrawBelowThreeQuartersOfItsRating) {
    auto escorted = [](uint32_t seed, float* damped) {
        WoodsMarch m;
        Walker* squad = m.AtX(140.0f);
        squad->mSubtype = 1;
        squad->mCasualties = 1;
        m.AtX(170.0f);
        for (int32_t i = 0; i < 3; ++i)
            m.AtX(600.0f + 12.0f * static_cast<float>(i))->mAimTime = 99.0f;
        float c = 0.0f, o = 0.0f;
        squad->AIRateFuzzies(100.0f, &c, &o);
        EXPECT_LT(c, 2.0f);
        *damped = 0.2f * o;
        SeedRandomGenerator(seed);
        m.g.MoveUnits();
        EXPECT_EQ(RandomCallsSince(seed), squad->HasMovementOrders() ? 28 : 22);
        return squad->HasMovementOrders();
    };
    float o = 0.0f;
    escorted(1, &o);
    ASSERT_GT(0.75f * o, 0.1f);
    ASSERT_LT(0.75f * o, 0.9f);
    const float edge = 0.75f * o;
    EXPECT_TRUE(escorted(SeedWhereFraction(9, [&](float u) { return u < edge && u > edge - 0.015f; }), &o));
    EXPECT_FALSE(escorted(SeedWhereFraction(9, [&](float u) { return u > edge && u < edge + 0.015f; }), &o));
}

// A mover with a target that took no escort along stops again when two or
// more other movers stand within 60 m and N >= 4 + (pair & 3). N = 5: a
// jammed squad nearest the node, three squads that move (the mover M with
// its target, A 20 m and B 59.9 or 60 m from it) and one jammed far behind.
// Draws: two each for the two best scores weighing the combat move, one
// each for the first three objective moves and three for each move (the
// flag and a point in the woods): M's pair is the seventeenth; the waiting
// group's draw is the last. A platoon squad as M is a platoon squad moving
// within 60 m of itself: it neither stops nor draws (it rates 1.5 and 4.5,
// so A and B weigh the combat move and the draws before stay the same).
TEST(AIGroupMoves, AMoverWithATargetStopsAmongTwoOthersInALargeGroup) {
    auto stops = [](uint32_t seed, float gap, bool target, bool platoon = false) {
        WoodsMarch m;
        m.AtX(100.0f)->mAimTime = 99.0f;
        Walker* mover = m.AtX(130.0f);
        if (platoon) mover->mSubtype = 1;
        Walker* a = m.b.Add<Walker>(kAxis, 130.0f, 380.0f);
        Walker* b = m.b.Add<Walker>(kAxis, 130.0f, 400.0f + gap);
        m.g.Add(a);
        m.g.Add(b);
        m.AtX(600.0f)->mAimTime = 99.0f;
        if (target) mover->mTarget = m.b.Add<TestVehicle>(kAllies, 700.0f, 700.0f);
        SeedRandomGenerator(seed);
        m.g.MoveUnits();
        EXPECT_TRUE(a->HasMovementOrders());
        EXPECT_TRUE(b->HasMovementOrders());
        EXPECT_EQ(RandomCallsSince(seed), target && !platoon ? 36 : 34);
        return !mover->HasMovementOrders();
    };
    const uint32_t one = SeedWherePair(16, [](uint32_t r) { return (r & 3) == 1; });
    const uint32_t two = SeedWherePair(16, [](uint32_t r) { return (r & 3) == 2; });
    EXPECT_TRUE(stops(one, 59.9f, true));        // 5 >= 4 + 1
    EXPECT_FALSE(stops(two, 59.9f, true));       // 5 < 4 + 2
    EXPECT_FALSE(stops(one, 60.0f, true));       // only A within 60 m
    EXPECT_FALSE(stops(one, 59.9f, false));      // no target: no draw either
    EXPECT_FALSE(stops(one, 59.9f, true, true)); // a platoon squad moving: itself
}

// Every vehicle on a bridge (codes 55 to 63) goes without a draw; a vehicle
// elsewhere or a squad on the bridge draws for its move. A lone vehicle 130 m
// from the node in the woods: combat 4.5 (above 3: no draw, the move is
// refused), objective 3.2 off the bridge (moves for every draw) and 9999 on
// it, then three draws for its move and the waiting group's draw; its
// rating itself draws ten (the target its copy would choose). A lone squad
// draws two for the combat move and the same after.
TEST(AIGroupMoves, AVehicleOnABridgeGoesWithoutADraw) {
    auto calls = [](Terrain ground, bool vehicle) {
        WoodsMarch m;
        m.b.Paint(160.0f, 390.0f, 180.0f, 410.0f, ground);
        Unit* u = vehicle ? static_cast<Unit*>(m.AtX<Driver>(170.0f)) : m.AtX(170.0f);
        SeedRandomGenerator(7);
        m.g.MoveUnits();
        EXPECT_TRUE(u->HasMovementOrders()) << ground;
        return RandomCallsSince(7);
    };
    EXPECT_EQ(calls(54, true), 30);
    EXPECT_EQ(calls(55, true), 28);
    EXPECT_EQ(calls(61, true), 28);
    EXPECT_EQ(calls(62, true), 28);
    EXPECT_EQ(calls(63, true), 28);
    EXPECT_EQ(calls(55, false), 14);
}

namespace {

// A probe holding alone with a jammed squad (k = trunc(0.5 x 2) = 1): it is
// offered the combat move and takes it when its combat rating is above 3 or
// at least 2 + 0.2 u, u the first draw (an objective rating of 0 passes the
// second). Attacking, in the open or in cover, a squad rates 3 within 200 m
// of its objective, 2.2 at 400 m.
struct Holding {
    WoodsMarch m{false};
    Walker* probe;
    Holding(int32_t order, float toNode, Terrain ground, int32_t turn, int32_t last) {
        m.g.mOrder = order;
        m.b.mBattle.mTurn = turn;
        m.b.mBattle.mLastTurn = last;
        const float x = 40.0f + toNode;
        m.b.Paint(x - 10.0f, 390.0f, x + 10.0f, 410.0f, ground);
        probe = m.AtX(x);
        Walker* jammed = m.b.Add<Walker>(kAxis, 700.0f, 100.0f);
        jammed->mAimTime = 99.0f;
        m.g.Add(jammed);
    }
    float Rating(float d) {
        float c = 0.0f;
        probe->AIRateFuzzies(d, &c, nullptr);
        return c;
    }
    bool Moves(uint32_t seed) {
        SeedRandomGenerator(seed);
        m.g.MoveUnits();
        return probe->mCombatMoves == 1;
    }
};

} // namespace

// Early in the battle (turn / last < 0.333) a holder on dug-in ground (codes 5
// to 8) has its combat rating scaled by 3 x turn / last. At turn 23 of 100:
// 3 x 0.69 = 2.07, so it moves for u below 0.35 only; on codes 4 and 9 it
// keeps 3 and always moves. At 400 m from its node (2.2) turn 333 of 1000 is
// no longer early (2.2: every u) while turn 332 is (0.996 x 2.2: u below
// 0.956); were 333 early, 0.999 x 2.2 would need u below 0.989.
TEST(AIGroupMoves, HoldingOnDugInGroundEarlyScalesTheCombatRatingByThreeTurnsOverLast) {
    ASSERT_EQ(Holding(kAIOrderHold, 0.0f, 5, 23, 100).Rating(0.0f), 3.0f);
    const uint32_t under = SeedWhereFraction(0, [](float u) { return u < 0.35f && u > 0.34f; });
    const uint32_t over = SeedWhereFraction(0, [](float u) { return u > 0.35f && u < 0.36f; });
    for (Terrain t : {4, 5, 8, 9}) {
        const bool dugIn = t >= 5 && t <= 8;
        EXPECT_TRUE(Holding(kAIOrderHold, 0.0f, t, 23, 100).Moves(under)) << t;
        EXPECT_EQ(Holding(kAIOrderHold, 0.0f, t, 23, 100).Moves(over), !dugIn) << t;
    }
    // At 0.333 exactly (the same float as 333 / 1000) the factor is gone.
    ASSERT_EQ(333.0f / 1000.0f, 0.333f);
    Holding far(kAIOrderHoldNode + 0, 400.0f, 5, 333, 1000);
    ASSERT_NEAR(far.Rating(400.0f), 2.2f, 1e-6f);
    const uint32_t late = SeedWhereFraction(0, [](float u) { return u > 0.99f && u < 0.999f; });
    EXPECT_TRUE(far.Moves(late));
    EXPECT_FALSE(Holding(kAIOrderHoldNode + 0, 400.0f, 5, 332, 1000).Moves(late));
}

// Holding node i, a unit is rated at its distance to the node; holding where
// it stands, at distance 0. 420 m out a squad rates 2.12 (it moves for u
// below (c - 2) / 0.2 = 0.6), at 0 m it rates 3 (every u).
TEST(AIGroupMoves, HoldingANodeRatesTheDistanceToItHoldingInPlaceNone) {
    const float c = Holding(kAIOrderHoldNode + 0, 420.0f, 0, 7, 100).Rating(420.0f);
    ASSERT_NEAR(c, 2.12f, 1e-5f);
    const float edge = (c - 2.0f) / 0.2f;
    const uint32_t under = SeedWhereFraction(0, [&](float u) { return u < edge && u > edge - 0.015f; });
    const uint32_t over = SeedWhereFraction(0, [&](float u) { return u > edge && u < edge + 0.015f; });
    EXPECT_TRUE(Holding(kAIOrderHoldNode + 0, 420.0f, 0, 7, 100).Moves(under));
    EXPECT_FALSE(Holding(kAIOrderHoldNode + 0, 420.0f, 0, 7, 100).Moves(over));
    EXPECT_TRUE(Holding(kAIOrderHold, 420.0f, 0, 7, 100).Moves(over));
}

namespace {

// A rider whose combat move finds a square 30 m east of it.
class CombatRider : public TestInfantry {
public:
    bool AIDoCombatMove(bool, bool) override {
        AIMakePathTo(mX + 30.0f, mY, true, false, nullptr);
        return true;
    }
};

} // namespace

// A carrier that falls back puts its riders down first: a rider that finds
// no square for its combat move steps off 80 m toward its own edge, which
// the edges' owners decide; one that found a square keeps its move.
TEST(AIGroupForming, RidersOfACarrierFallingBackStepOffTowardTheirOwnEdge) {
    const struct {
        Direction edge;
        float dx, dy;
    } cases[] = {{kDirWest, -80, 0}, {kDirNorth, 0, 80}, {kDirEast, 80, 0}, {kDirSouth, 0, -80}};
    for (const auto& c : cases) {
        PlanBattle b(40, 40);
        for (Direction e = 0; e < 4; ++e)
            b.mBattle.mEdgeOwner[e] = e == c.edge ? kAxis : (e == (c.edge + 2) % 4 ? kAllies : 2);
        auto* carrier = b.Add<TestVehicle>(kAxis, 400, 400);
        carrier->mImmobile = true;
        auto* rider = b.Add(kAxis, 400, 400);
        rider->mTransport = carrier;
        carrier->mPassengers[0] = rider;
        GroupOf(b, kAxis, {carrier}, kAIOrderNone);
        b.mBattle.AIGroupLevel();
        ASSERT_GT(rider->mNrWaypoints, 0) << c.edge;
        const Waypoint& last = rider->mWaypoints[rider->mNrWaypoints - 1];
        EXPECT_NEAR(last.mX, 400 + c.dx, 10.0f) << c.edge;
        EXPECT_NEAR(last.mY, 400 + c.dy, 10.0f) << c.edge;
        carrier->mPassengers[0] = nullptr;
        rider->mTransport = nullptr;
    }
    PlanBattle b(40, 40);
    b.mBattle.mEdgeOwner[kDirNorth] = kAxis;
    b.mBattle.mEdgeOwner[kDirSouth] = kAllies;
    auto* carrier = b.Add<TestVehicle>(kAxis, 400, 400);
    carrier->mImmobile = true;
    auto* rider = b.Add<CombatRider>(kAxis, 400, 400);
    rider->mTransport = carrier;
    carrier->mPassengers[0] = rider;
    GroupOf(b, kAxis, {carrier}, kAIOrderNone);
    b.mBattle.AIGroupLevel();
    ASSERT_GT(rider->mNrWaypoints, 0);
    EXPECT_NEAR(rider->mWaypoints[rider->mNrWaypoints - 1].mX, 430.0f, 10.0f);
    EXPECT_NEAR(rider->mWaypoints[rider->mNrWaypoints - 1].mY, 400.0f, 10.0f);
    carrier->mPassengers[0] = nullptr;
    rider->mTransport = nullptr;
}
