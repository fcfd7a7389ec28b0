// The six fuzzy sets of a unit's situation, the unit base's default answers
// and the two move ratings.

#include <gtest/gtest.h>

#include "ai_moves_fixtures.h"
#include "units/Infantry.h"

namespace {

AIBasicFuzzies Rate(Unit* u, float distance) {
    AIBasicFuzzies r;
    u->AIRateBasicFuzzies(&r, distance);
    return r;
}

std::vector<float> V(std::initializer_list<float> l) {
    return std::vector<float>(l);
}

} // namespace

TEST(AIMoveFuzzies, SuppressionAndDistanceTerms) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    EXPECT_EQ(Members(Rate(u, 0.0f).mSuppression, 5), V({1, 0, 0, 0, 0}));
    u->mSuppression = 15.0f;
    EXPECT_EQ(Members(Rate(u, 0.0f).mSuppression, 5), V({0, 1, 0, 0, 0}));
    u->mSuppression = 25.0f; // halfway down term 1, halfway up term 2
    EXPECT_EQ(Members(Rate(u, 0.0f).mSuppression, 5), V({0, 0.5f, 0.5f, 0, 0}));
    u->mSuppression = 400.0f;
    EXPECT_EQ(Members(Rate(u, 0.0f).mSuppression, 5), V({0, 0, 0, 0, 1}));

    u->mSuppression = 0.0f;
    EXPECT_EQ(Members(Rate(u, 0.0f).mObjectiveDistance, 4), V({1, 0, 0, 0}));
    EXPECT_EQ(Members(Rate(u, 325.0f).mObjectiveDistance, 4), V({0, 0.5f, 0.5f, 0}));
    EXPECT_EQ(Members(Rate(u, 5000.0f).mObjectiveDistance, 4), V({0, 0, 0, 1}));
}

TEST(AIMoveFuzzies, ReachByWeapon) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    u->a.mWeaponClass = 5; // a gun: 500 m less
    EXPECT_EQ(Members(Rate(u, 0.0f).mObjectiveReach, 4), V({1, 0, 0, 0}));
    EXPECT_EQ(Members(Rate(u, 900.0f).mObjectiveReach, 4), V({0, 0.5f, 0.5f, 0}));
    EXPECT_EQ(Members(Rate(u, 1100.0f).mObjectiveReach, 4), V({0, 0, 1, 0}));
    u->a.mWeaponClass = 7; // 100 m more
    EXPECT_EQ(Members(Rate(u, 100.0f).mObjectiveReach, 4), V({0, 1, 0, 0}));
    u->a.mWeaponClass = 0;
    u->a.mMG = 2; // 150 m less
    EXPECT_EQ(Members(Rate(u, 350.0f).mObjectiveReach, 4), V({0, 1, 0, 0}));
    u->a.mMG = 0;
    u->a.mLeader = true; // 300 m less
    EXPECT_EQ(Members(Rate(u, 500.0f).mObjectiveReach, 4), V({0, 1, 0, 0}));

    auto* v = b.Add<TestVehicle>(kAxis, 200.0f, 200.0f);
    EXPECT_EQ(Members(Rate(v, 1100.0f).mObjectiveReach, 4), V({0, 1, 0, 0})); // soft: 900 m less
    v->a.mArmoured = true;
    EXPECT_EQ(Members(Rate(v, 750.0f).mObjectiveReach, 4), V({0, 1, 0, 0})); // 550 m less
    v->a.mHeavy = true;
    EXPECT_EQ(Members(Rate(v, 500.0f).mObjectiveReach, 4), V({0, 1, 0, 0})); // 300 m less
}

TEST(AIMoveFuzzies, ThreatAndCover) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    u->a.mCoverTEM = 0.25f;
    // Nobody aims at it: no threat, cover from its own place.
    AIBasicFuzzies r = Rate(u, 0.0f);
    EXPECT_EQ(Members(r.mThreat, 4), V({1, 0, 0, 0}));
    EXPECT_EQ(Members(r.mCover, 4), V({0, 0, 1, 0}));

    auto* e1 = b.Add(kAllies, 300.0f, 100.0f);
    auto* e2 = b.Add(kAllies, 300.0f, 300.0f);
    auto* dead = b.Add(kAllies, 300.0f, 200.0f);
    e1->mTarget = e2->mTarget = dead->mTarget = u;
    e1->a.mHarm[u] = 0.2f;
    e2->a.mHarm[u] = 0.25f; // 0.45 in all: halfway from term 1 to term 2
    dead->a.mHarm[u] = 5.0f;
    dead->mActive = false;
    r = Rate(u, 0.0f);
    std::vector<float> m = Members(r.mThreat, 4);
    EXPECT_NEAR(m[1], 0.5f, 1e-5f);
    EXPECT_NEAR(m[2], 0.5f, 1e-5f);
    // The cover is judged against fire from the last unit aiming at it
    // (the stand-in kind reads the ground at the firer's place).
    b.Paint(300, 300, 320, 320, kTerrainOpen);
    EXPECT_EQ(Members(Rate(u, 0.0f).mCover, 4), V({1, 0, 0, 0}));
    e2->mTarget = nullptr;
    EXPECT_EQ(Members(Rate(u, 0.0f).mCover, 4), V({0, 0, 1, 0}));
    // An armoured vehicle always rates as well covered.
    auto* v = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    v->a.mArmoured = true;
    EXPECT_EQ(Members(Rate(v, 0.0f).mCover, 4), V({0, 1, 0, 0}));
}

TEST(AIMoveFuzzies, HarmOfLeadersCrewsAndUnitsWithoutTarget) {
    MoveRows rows;
    MoveBattle b;
    auto* leader = b.Add(kAxis, 100.0f, 100.0f);
    leader->a.mLeader = true;
    auto* enemy = b.Add(kAllies, 249.0f, 100.0f);
    leader->mTarget = enemy;
    EXPECT_EQ(Members(Rate(leader, 0.0f).mHarm, 4), V({0, 0, 0, 1}));
    enemy->mX = 250.0f; // 150 m: the ability to harm decides
    EXPECT_EQ(Rate(leader, 0.0f).mHarm.GetMembershipOf(3), 0.0f);

    auto* crew = b.Add(kAxis, 100.0f, 300.0f);
    crew->mSubtype = 2;
    EXPECT_EQ(Members(Rate(crew, 0.0f).mHarm, 4), V({1, 0, 0, 0}));
    crew->mAreaTarget = true;
    crew->mAreaTargetX = 200.0f;
    crew->mAreaTargetY = 300.0f;
    EXPECT_EQ(Members(Rate(crew, 0.0f).mHarm, 4), V({0, 0, 0, 1}));

    // Without a target and without a copy of its kind to search with, a unit
    // rates as doing no harm and gives no orders.
    auto* squad = b.Add(kAxis, 300.0f, 300.0f);
    AIBasicFuzzies r = Rate(squad, 0.0f);
    EXPECT_EQ(Members(r.mHarm, 4), V({1, 0, 0, 0}));
    EXPECT_EQ(squad->mTarget, nullptr);
    EXPECT_EQ(squad->mX, 300.0f);
}

TEST(AIMoveFuzzies, UnitDefaults) {
    class Plain : public Unit {
    public:
        void TakeAreaHit(float, int32_t, PendingAttack*) override {}
        void ConcatName(GString*, bool) override {}
        void DrawCode(bool, float, float) override {}
        float Ranged(float r) { return AIRangedThreatFactor(r); }
    } p;
    EXPECT_FALSE(p.IsSupportWeapon(false));
    EXPECT_FALSE(p.HasOrdnance(true, true));
    EXPECT_FALSE(p.IsPassenger(false));
    EXPECT_FALSE(p.HasHeavyWeapon(kKnowTruth));
    EXPECT_FALSE(p.IsArmoredVehicle(kKnowTruth, false));
    EXPECT_FALSE(p.InRange(10.0f, false, 1.0f));
    EXPECT_FALSE(p.AllowedToTarget());
    EXPECT_FALSE(p.HasAntiArmorWeapon(false));
    EXPECT_EQ(p.GetVPValue(false, kKnowTruth), 0.0f);
    WeaponType type = 0;
    WeaponClass wclass = 3;
    EXPECT_EQ(p.GetWeaponInfo(&type, &wclass, kKnowTruth), 0);
    EXPECT_EQ(type, kWeaponNone);
    EXPECT_EQ(wclass, 0);
    EXPECT_TRUE(p.CanMovePhysically());
    p.mImmobile = true;
    EXPECT_FALSE(p.CanMovePhysically());
    EXPECT_EQ(p.Ranged(0.0f), 1.0f);
    EXPECT_EQ(p.Ranged(5000.0f), 1.0f);
    p.mSuppression = 5.0f;
    p.AIDoLoserMove(true); // does nothing
    EXPECT_EQ(p.mNrWaypoints, 0);
    EXPECT_EQ(p.AIDefensiveType(), 0);
}

TEST(AIMoveFuzzies, PlatoonMembersThreatenLessAtLongRange) {
    MoveRows rows;
    Infantry squad;
    EXPECT_EQ(squad.AIRangedThreatFactor(1000.0f), 1.0f);
    squad.mSubtype = 1;
    EXPECT_EQ(squad.AIRangedThreatFactor(200.0f), 1.0f);
    EXPECT_FLOAT_EQ(squad.AIRangedThreatFactor(300.0f), 0.5f);
    EXPECT_EQ(squad.AIRangedThreatFactor(400.0f), 0.0f);
}

TEST(AIMoveFuzzies, TheWouldBeTargetIsSoughtByACopyOutsideTheUnitList) {
    MoveRows rows;
    MoveBattle b;
    auto* squad = b.Add<Infantry>(kAxis, 100.0f, 100.0f);
    squad->mFatigueState = 3;
    const int32_t units = b.mBattle.mUnits->GetCount();
    AIBasicFuzzies r;
    squad->AIRateBasicFuzzies(&r, 300.0f);
    EXPECT_GT(r.mHarm.GetCount(), 0);
    EXPECT_EQ(b.mBattle.mUnits->GetCount(), units);
    EXPECT_EQ(squad->mX, 100.0f);
    EXPECT_EQ(squad->mFatigueState, 3);
    EXPECT_EQ(squad->mTarget, nullptr);
}

namespace {
void ExpectMembers(const GFuzzySet& set, int32_t n, const std::vector<float>& want, const char* what) {
    const std::vector<float> got = Members(set, n);
    size_t i = 0;
    for (float w : want) {
        EXPECT_NEAR(got[i], w, 1e-5f) << what << ", term " << i;
        ++i;
    }
}
} // namespace

// Each break point of the suppression, distance, reach, threat and cover
// terms, at inputs halfway between two of them, so that each corner moves
// a membership.
TEST(AIMoveFuzzies, EveryTermsCornersFromBothSides) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    // Suppression: 0/5, (0, 15, 35), (15, 35, 65), (35, 65, 105), 65/105.
    const std::pair<float, std::vector<float>> suppression[] = {
        {3.0f, {0.4f, 0.2f, 0, 0, 0}},     {5.0f, {0, 1.0f / 3.0f, 0, 0, 0}}, {25.0f, {0, 0.5f, 0.5f, 0, 0}},
        {35.0f, {0, 0, 1.0f, 0, 0}},       {50.0f, {0, 0, 0.5f, 0.5f, 0}},    {85.0f, {0, 0, 0, 0.5f, 0.5f}},
        {105.0f, {0, 0, 0, 0, 1.0f}},
    };
    for (const auto& [s, want] : suppression) {
        u->mSuppression = s;
        ExpectMembers(Rate(u, 0.0f).mSuppression, 5, want, "suppression");
    }
    u->mSuppression = 0.0f;
    // Objective distance: 0/200, (0, 200, 450), (200, 450, 2000), 450/2000.
    ExpectMembers(Rate(u, 100.0f).mObjectiveDistance, 4, {0.5f, 0.5f, 0, 0}, "distance 100");
    ExpectMembers(Rate(u, 1225.0f).mObjectiveDistance, 4, {0, 0, 0.5f, 0.5f}, "distance 1225");
    ExpectMembers(Rate(u, 2000.0f).mObjectiveDistance, 4, {0, 0, 0, 1.0f}, "distance 2000");
    // Reach by weapon class: the distance less the class's reach lands at
    // 400 m, halfway between the terms (0, 200, 600) and (200, 600, 2000).
    const std::pair<WeaponClass, float> reach[] = {{1, 200.0f}, {6, 200.0f}, {9, 200.0f}, {2, 300.0f},
                                                   {3, 300.0f}, {4, 350.0f}, {5, 500.0f}, {7, -100.0f},
                                                   {8, 0.0f},   {10, 0.0f}};
    for (auto [wclass, less] : reach) {
        u->a.mWeaponClass = wclass;
        ExpectMembers(Rate(u, 400.0f + less).mObjectiveReach, 4, {0, 0.5f, 0.5f, 0}, "reach");
    }
    u->a.mWeaponClass = 0;
    ExpectMembers(Rate(u, 100.0f).mObjectiveReach, 4, {0.5f, 0.5f, 0, 0}, "reach 100");
    ExpectMembers(Rate(u, 1300.0f).mObjectiveReach, 4, {0, 0, 0.5f, 0.5f}, "reach 1300");
    // Threat: 0/0.2, (0, 0.2, 0.7), (0.2, 0.7, 3), 0.7/3.
    auto* e = b.Add(kAllies, 300.0f, 100.0f);
    e->mTarget = u;
    const std::pair<float, std::vector<float>> threat[] = {
        {0.1f, {0.5f, 0.5f, 0, 0}}, {0.45f, {0, 0.5f, 0.5f, 0}}, {1.85f, {0, 0, 0.5f, 0.5f}}, {3.0f, {0, 0, 0, 1}}};
    for (const auto& [h, want] : threat) {
        e->a.mHarm[u] = h;
        ExpectMembers(Rate(u, 0.0f).mThreat, 4, want, "threat");
    }
    e->mTarget = nullptr;
    // Cover from the terrain effect: 0.5/0.95 up, (0.25, 0.5, 0.95),
    // (0.1, 0.25, 0.5), 0.1/0.25 down.
    const std::pair<float, std::vector<float>> cover[] = {{0.725f, {0.5f, 0.5f, 0, 0}},
                                                                    {0.375f, {0, 0.5f, 0.5f, 0}},
                                                                    {0.175f, {0, 0, 0.5f, 0.5f}},
                                                                    {0.1f, {0, 0, 0, 1.0f}},
                                                                    {0.95f, {1.0f, 0, 0, 0}}};
    for (const auto& [tem, want] : cover) {
        u->a.mCoverTEM = tem;
        ExpectMembers(Rate(u, 0.0f).mCover, 4, want, "cover");
    }
}
