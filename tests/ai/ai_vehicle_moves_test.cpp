// The pace and the shape the computer gives a path: a gun vehicle that
// cannot hurt an armoured gun from where it stands creeps up when the path's
// end would let it, skiers glide while lightly suppressed, a squad looks at
// the first 60 m of its path for open ground, covered legs are sampled every
// 20 m at most, scatter moves the waypoints of the first 200 m, each
// carrying on from where the one before went, and units still to be placed
// in a set-up wait off the map.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ai_fixture.h"
#include "ai_setup_fixture.h"
#include "ai_moves_fixtures.h"
#include "units/Infantry.h"

using namespace aitest;

namespace {

// An armoured gun facing north at (1000, 1000), its turret turned to the
// west, and a soft gun vehicle with a turret 300 m east of it, whose path
// leads to (1000, 700), right behind the target. Every plate is 500 mm but
// those a test thins; the mover's rough harm is scaled by its firing cycle
// (a cycle below 12 s multiplies it by 12 / cycle).
class AIVehicleMoves : public AIBattle {
protected:
    AIVehicleMoves() {
        for (ArmorPlate& p : mVehicles[0].mArmorPlates)
            p = {500, 0};
        mVehicles[2] = mVehicles[0]; // the mover's own row
        target = Armour(kAllies, 1000.0f, 1000.0f);
        target->mHeading = 90.0f;
        target->mTurretBearing = 90.0f;
        me = Armour(kAxis, 1300.0f, 1000.0f);
        me->mSubtype = 2;
        me->kit.mArmoured = false;
        me->mTarget = target;
    }
    // Armour slot = aspect (front, side, rear) * 3 + place (turret, upper,
    // lower hull).
    void Plate(int32_t slot, int16_t mm) { mVehicles[0].mArmorPlates[slot] = {mm, 0}; }
    float Harm() { return me->GetRoughAbilityToDamage(nullptr, me->ChooseAmmo(target, false), target); }
    // The cycle that turns a harm of `base` at 12 s into `want`.
    void Scale(float base, float want) {
        me->kit.mFullAimTime = 0.0f;
        me->kit.mFullLoadTime = 12.0f * base / want;
    }
    MovementSpeedType Pace() {
        me->AIMakePathTo(1000.0f, 700.0f, false, false, nullptr);
        EXPECT_GT(me->mNrWaypoints, 0);
        return me->mNrWaypoints > 0 ? me->mWaypoints[0].mOrder : -1;
    }

    Tank* target = nullptr;
    Tank* me = nullptr;
};

// Water everywhere but a lane 20 m wide east along y = 30 from the west
// edge, turning north at x = turn up to y = 240: a path along it has its
// first waypoint at (turn, 30).
void Lane(MoveBattle& b, float turn, Terrain t = kTerrainWoods) {
    b.Paint(0.0f, 0.0f, 400.0f, 400.0f, kTerrainWater);
    b.Paint(0.0f, 20.0f, turn + 10.0f, 40.0f, t);
    b.Paint(turn - 10.0f, 20.0f, turn + 10.0f, 240.0f, t);
}

// Where the scatter of a first waypoint at (x, y) on terrain t ends from
// the seed: the first of 20 tries (x, y) + (2rU - r, 2rU - r) that falls on
// terrain t; (x, y) when none does.
std::pair<float, float> Scattered(MoveBattle& b, uint32_t seed, float x, float y, float r, Terrain t) {
    SeedRandomGenerator(seed);
    for (int32_t k = 0; k < 20; ++k) {
        const float cx = x + std::clamp(2.0f * r * AIUniform() - r, -r, r);
        const float cy = y + std::clamp(2.0f * r * AIUniform() - r, -r, r);
        if (b.map().GetTerrain(cx, cy, true) == t) return {cx, cy};
    }
    return {x, y};
}

// A squad of the real infantry kind (row 0), which can wear skis.
class SkiSquad : public MoveKind<Infantry> {
public:
    SkiSquad() { mUnitType = kUnitInfantry; }
};

} // namespace

// Moving helps when the harm from here is below 0.15, from here with the
// target turned toward the mover (its turret straight) still below 0.15, and
// from the path's end at least 0.3: the vehicle then goes cautiously (4)
// instead of at its road pace (13).
TEST_F(AIVehicleMoves, AGunVehicleCreepsUpWhenOnlyThePathsEndLetsItHarmTheTarget) {
    Plate(5, 136); // the lower hull side, seen from here
    Plate(8, 30);  // the lower hull rear, seen from the path's end
    me->kit.mFullLoadTime = 12.0f;
    const float side = Harm();
    ASSERT_GT(side, 0.05f);
    ASSERT_LT(side, 0.14f);
    Scale(side, 0.149f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    Scale(side, 0.151f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    // Nothing the check moved stays moved.
    EXPECT_EQ(me->mX, 1300.0f);
    EXPECT_EQ(me->mY, 1000.0f);
    EXPECT_EQ(target->mHeading, 90.0f);
    EXPECT_EQ(target->mTurretBearing, 90.0f);

    // The turret front, seen only once the target faces the mover.
    Plate(5, 500);
    Plate(0, 144);
    target->mHeading = 0.0f;
    target->mTurretBearing = 0.0f;
    me->kit.mFullLoadTime = 12.0f;
    const float front = Harm();
    target->mHeading = 90.0f;
    target->mTurretBearing = 90.0f;
    ASSERT_GT(front, 0.02f);
    ASSERT_LT(front, 0.14f);
    ASSERT_EQ(Harm(), 0.0f); // the turret's rear and the hull's side hold
    Scale(front, 0.149f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    Scale(front, 0.151f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    EXPECT_EQ(target->mHeading, 90.0f);
    EXPECT_EQ(target->mTurretBearing, 90.0f);

    // Proof from here and from the front: the rear at the path's end decides.
    Plate(0, 500);
    Plate(8, 136);
    me->kit.mFullLoadTime = 12.0f;
    me->mX = 1000.0f;
    me->mY = 700.0f;
    const float rear = Harm();
    me->mX = 1300.0f;
    me->mY = 1000.0f;
    ASSERT_GT(rear, 0.05f);
    ASSERT_LT(rear, 0.29f);
    Scale(rear, 0.299f);
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    Scale(rear, 0.301f);
    EXPECT_EQ(Pace(), kAISpeedCautious);
    EXPECT_EQ(me->mX, 1300.0f);
    // Only against an armoured target with a gun, and only with a turret
    // (the rear now so thin that the rounds chosen against a soft target
    // go through as well).
    Plate(8, 5);
    ASSERT_EQ(Pace(), kAISpeedCautious);
    target->kit.mOrdnance = false;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    target->kit.mOrdnance = true;
    target->kit.mArmoured = false;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
    target->kit.mArmoured = true;
    mVehicles[2].mTurretKind = 5;
    EXPECT_EQ(Pace(), kAISpeedVehicle);
}

// A squad on skis that would go fast (5) glides (8) while its suppression
// is below 30; other paces stay.
TEST(AIMovePaces, SkiersGlideBelowThirtySuppression) {
    MoveBattle b;
    MoveRows rows;
    rows.infantry[0].mSpeedClass = kSpeedUnencumbered;
    auto* s = b.Add<SkiSquad>(kAxis, 50.0f, 50.0f);
    auto pace = [&](float suppression, bool skis) {
        s->mSuppression = suppression;
        s->mOnSkis = skis;
        s->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
        EXPECT_GT(s->mNrWaypoints, 0);
        return s->mNrWaypoints > 0 ? s->mWaypoints[0].mOrder : -1;
    };
    EXPECT_EQ(pace(29.9f, true), kAISpeedQuick);
    EXPECT_EQ(pace(30.0f, true), kAISpeedFast);
    EXPECT_EQ(pace(29.9f, false), kAISpeedFast);
    s->mFatigueState = 2; // tired: cautious, skis or not
    EXPECT_EQ(pace(0.0f, true), kAISpeedCautious);
}

// The exposed check walks the path's legs while less than 60 m lie behind:
// a covered first leg of 59.5 m lets it see the open ground on the second
// leg, one of exactly 60 m does not.
TEST(AIMovePaces, TheExposedCheckLooksAtLegsStartingWithinSixtyMetres) {
    MoveBattle b;
    Lane(b, 110.0f);
    b.Paint(100, 100, 120, 120, kTerrainOpen); // a clearing on the second leg
    auto* u = b.Add(kAxis, 50.5f, 30.0f);
    bool exposed = false;
    u->AIMakePathTo(110.0f, 210.0f, false, false, &exposed);
    ASSERT_EQ(u->mNrWaypoints, 2);
    ASSERT_EQ(u->mWaypoints[0].mX, 110.0f); // the turn
    ASSERT_EQ(u->mWaypoints[0].mY, 30.0f);
    EXPECT_TRUE(exposed);
    u->mX = 50.0f;
    u->AIMakePathTo(110.0f, 210.0f, false, false, &exposed);
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_FALSE(exposed);
}

// Scatter moves each waypoint but the last while the path up to it is no
// longer than 200 m, by up to r = min(half that length, 20 m) each way,
// until a try falls on the waypoint's own terrain; units slower than speed
// class 3 never scatter. Here the first waypoint is the lane's turn.
TEST(AIMoveScatter, WaypointsWithin200MetresMoveByHalfThePathOr20Metres) {
    MoveBattle b;
    MoveRows rows;
    rows.infantry[0].mSpeedClass = 3;
    Lane(b, 210.0f);
    auto* u = b.Add<SkiSquad>(kAxis, 0.0f, 30.0f);
    auto first = [&](float x0, uint32_t seed) {
        u->mX = x0;
        SeedRandomGenerator(seed);
        u->AIMakePathTo(210.0f, 210.0f, false, true, nullptr);
        EXPECT_EQ(u->mNrWaypoints, 2);
        return std::pair{u->mWaypoints[0].mX, u->mWaypoints[0].mY};
    };
    for (const uint32_t seed : {3u, 4u}) {
        const auto at200 = Scattered(b, seed, 210.0f, 30.0f, 20.0f, kTerrainWoods);
        ASSERT_NE(at200, std::pair(210.0f, 30.0f));
        EXPECT_EQ(first(10.0f, seed), at200) << seed;
        EXPECT_EQ(first(9.5f, seed), std::pair(210.0f, 30.0f)) << seed;
        const auto at30 = Scattered(b, seed, 210.0f, 30.0f, 15.0f, kTerrainWoods);
        ASSERT_NE(at30, std::pair(210.0f, 30.0f));
        EXPECT_EQ(first(180.0f, seed), at30) << seed;
    }
    rows.infantry[0].mSpeedClass = 2;
    EXPECT_EQ(first(10.0f, 3), std::pair(210.0f, 30.0f));
}

// An open waypoint stays when the next one is in cover less than 40 m on.
TEST(AIMoveScatter, AnOpenWaypointBeforeCoverWithin40MetresStays) {
    MoveBattle b;
    Lane(b, 210.0f);
    b.Paint(0.0f, 20.0f, 220.0f, 40.0f, kTerrainOpen); // open up to the turn
    auto* u = b.Add(kAxis, 110.0f, 30.0f);
    constexpr uint32_t kSeed = 3;
    const auto moved = Scattered(b, kSeed, 210.0f, 30.0f, 20.0f, kTerrainOpen);
    ASSERT_NE(moved, std::pair(210.0f, 30.0f));
    for (const float next : {69.5f, 70.0f}) {
        SeedRandomGenerator(kSeed);
        u->AIMakePathTo(210.0f, next, false, true, nullptr);
        ASSERT_EQ(u->mNrWaypoints, 2);
        EXPECT_EQ(std::pair(u->mWaypoints[0].mX, u->mWaypoints[0].mY),
                  next < 70.0f ? std::pair(210.0f, 30.0f) : moved)
            << next;
    }
}

// Scatter gives up after 20 tries: the turn stands on a 6 m patch of open
// ground in the woods, and the seeds are those whose first try on the patch
// is the 20th and the 21st.
TEST(AIMoveScatter, TwentyTriesAtMost) {
    MoveBattle b;
    Lane(b, 210.0f);
    b.Paint(208.0f, 28.0f, 214.0f, 34.0f, kTerrainOpen);
    auto* u = b.Add(kAxis, 110.0f, 30.0f);
    // The try on which the patch is first met from a seed (0: not in 21).
    auto firstHit = [&](uint32_t seed) {
        SeedRandomGenerator(seed);
        for (int32_t k = 1; k <= 21; ++k) {
            const float cx = 210.0f + 40.0f * AIUniform() - 20.0f, cy = 30.0f + 40.0f * AIUniform() - 20.0f;
            if (b.map().GetTerrain(cx, cy, true) == kTerrainOpen) return k;
        }
        return 0;
    };
    for (const int32_t k : {20, 21}) {
        uint32_t seed = 1;
        while (firstHit(seed) != k && seed < 100000)
            ++seed;
        ASSERT_EQ(firstHit(seed), k);
        SeedRandomGenerator(seed);
        u->AIMakePathTo(210.0f, 210.0f, false, true, nullptr);
        ASSERT_EQ(u->mNrWaypoints, 2);
        const bool moved = u->mWaypoints[0].mX != 210.0f || u->mWaypoints[0].mY != 30.0f;
        EXPECT_EQ(moved, k == 20) << seed;
        EXPECT_EQ(b.map().GetTerrain(u->mWaypoints[0].mX, u->mWaypoints[0].mY, true), kTerrainOpen);
    }
}

// Each waypoint's tries start from the offset the one before was moved by:
// candidate = waypoint + clamp(offset + 2rU - r, -r, r) on each axis, and
// its leg is measured from where the one before went. A wooded lane east
// along y = 30 to (150, 30), north to (150, 130) and east to (290, 130):
// from a start 60 m before the first turn both turns move by up to 20 m.
TEST(AIMoveScatter, EachWaypointCarriesOnFromWhereTheOneBeforeWasMoved) {
    MoveBattle b;
    Lane(b, 150.0f);
    b.Paint(140.0f, 120.0f, 300.0f, 140.0f, kTerrainWoods);
    auto* u = b.Add(kAxis, 90.0f, 30.0f);
    u->AIMakePathTo(290.0f, 130.0f, false, false, nullptr);
    ASSERT_EQ(u->mNrWaypoints, 3);
    const std::pair<float, float> path[2] = {{150.0f, 30.0f}, {150.0f, 130.0f}};
    ASSERT_EQ(std::pair(u->mWaypoints[0].mX, u->mWaypoints[0].mY), path[0]);
    ASSERT_EQ(std::pair(u->mWaypoints[1].mX, u->mWaypoints[1].mY), path[1]);
    // The two turns as the scatter moves them from the seed; `carry` false
    // starts the second turn's tries from no offset.
    auto replay = [&](uint32_t seed, bool carry) {
        SeedRandomGenerator(seed);
        std::pair<float, float> at[2] = {path[0], path[1]};
        float ox = 0.0f, oy = 0.0f;
        for (int32_t i = 0; i < 2; ++i) {
            for (int32_t k = 0; k < 20; ++k) {
                const float cx = path[i].first + std::clamp(ox + 40.0f * AIUniform() - 20.0f, -20.0f, 20.0f);
                const float cy = path[i].second + std::clamp(oy + 40.0f * AIUniform() - 20.0f, -20.0f, 20.0f);
                if (b.map().GetTerrain(cx, cy, true) != kTerrainWoods) continue;
                at[i] = {cx, cy};
                break;
            }
            ox = carry ? at[i].first - path[i].first : 0.0f;
            oy = carry ? at[i].second - path[i].second : 0.0f;
        }
        return std::pair{at[0], at[1]};
    };
    auto scatter = [&](float x0, uint32_t seed) {
        u->mX = x0;
        SeedRandomGenerator(seed);
        u->AIMakePathTo(290.0f, 130.0f, false, true, nullptr);
        EXPECT_EQ(u->mNrWaypoints, 3);
        EXPECT_EQ(std::pair(u->mWaypoints[2].mX, u->mWaypoints[2].mY), std::pair(290.0f, 130.0f));
        return std::pair{std::pair(u->mWaypoints[0].mX, u->mWaypoints[0].mY),
                         std::pair(u->mWaypoints[1].mX, u->mWaypoints[1].mY)};
    };
    for (const uint32_t seed : {3u, 11u}) {
        const auto want = replay(seed, true);
        ASSERT_NE(want.first, path[0]) << seed;
        ASSERT_NE(want.second, replay(seed, false).second) << seed;
        EXPECT_EQ(scatter(90.0f, seed), want) << seed;

        // The second turn lies 150 - x0 + d + 100 m along the scattered
        // path (d = its leg - 100): 200.5 m from x0 = 50 + d - 0.5, where
        // it stays, and 199.5 m from x0 = 50 + d + 0.5, where it moves.
        // Seed 11 moves the first turn 15 m across: its x alone counts.
        const float dx = want.first.first - 150.0f, dy = want.first.second - 130.0f;
        const float d = std::hypot(dx, dy) - 100.0f;
        EXPECT_EQ(scatter(50.0f + d - 0.5f, seed), std::pair(want.first, path[1])) << seed;
        EXPECT_EQ(scatter(50.0f + d + 0.5f, seed), want) << seed;
    }
}

// A leg is sampled at n + 1 points, n = trunc(length / 20 + 0.99): a leg of
// 20 m is its two ends, one of 20.4 m has its middle sampled too.
TEST(AIMovePaces, ACoveredLegIsSampledAtLeastEveryTwentyMetres) {
    MoveBattle b;
    b.Paint(0.0f, 0.0f, 400.0f, 400.0f, kTerrainWoods);
    b.Paint(58.0f, 40.0f, 62.0f, 60.0f, kTerrainOpen); // a gap around x = 60
    EXPECT_TRUE(AILegInCover(50.0f, 50.0f, 70.0f, 50.0f));
    EXPECT_FALSE(AILegInCover(49.8f, 50.0f, 70.2f, 50.0f));
}

// Units still to be placed wait off the map, so they crowd no square of the
// units placed before them. A carrier (placed among the first) has two zone
// squares: one next to the map's middle, near the enemy's edge, and one on
// its own edge. Four squads still to be placed stand in the middle of the
// first; standing there, they would crowd both its points out (four times
// (30 - 12.8)^3 > 16000) and send the carrier to its own edge.
TEST(AIPlaceParking, UnitsStillToBePlacedWaitOffTheMapAndCrowdNoOne) {
    SetupBattle b(30, 30);
    MoveRows rows;
    b.NoAxisGroups();
    b.Zone(14, 15, 14, 15, 4);
    b.Zone(0, 15, 0, 15, 4);
    b.Nodes({{450.0f, 300.0f}});
    b.mBattle.mAttacker = kAxis;
    gAIDefending = false;
    auto* carrier = b.Add<TestVehicle>(kAxis, 550.0f, 10.0f);
    carrier->mSubtype = -1;
    std::vector<Unit*> squads;
    for (int32_t i = 0; i < 4; ++i)
        squads.push_back(b.Add(kAxis, 290.0f, 310.0f));
    b.mBattle.AISetup();
    EXPECT_TRUE(gAIFreeSetup);
    EXPECT_GE(carrier->mX, 280.0f);
    EXPECT_LT(carrier->mX, 300.0f);
    EXPECT_GE(carrier->mY, 300.0f);
    EXPECT_LT(carrier->mY, 320.0f);
    for (Unit* u : squads)
        EXPECT_TRUE(u->InSetupZone(u->mX, u->mY));
}
