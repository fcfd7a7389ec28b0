// The set-up's line-of-fire grid and the placement of single units.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "ai_setup_fixture.h"
#include "battle/Campaign.h"

namespace {

constexpr uint16_t kN40F80 = (80 << 8) + 40;
// The terrain-effect polynomial at an effect of 1.0.
const float kOpen = 7.569f * 1.0f * 1.0f - 15.95f * 1.0f + 9.189f;

uint16_t GridAt(GDynamicArray* grid, int32_t c, int32_t r) {
    return *static_cast<uint16_t*>(grid->GetElement(c, r));
}

// What AIPlace draws for each square of a unit's zone, in its scan order
// (the last column first, within it the last row first): the near point P,
// the wide point Q, then the factors of Q's score and of P's.
struct SquareDraws {
    float px, py, qx, qy, fq, fp;
};
std::vector<SquareDraws> ReplayPlace(uint32_t seed,
                                     std::initializer_list<std::pair<int32_t, int32_t>> squares) {
    SeedRandomGenerator(seed);
    std::vector<SquareDraws> out;
    for (auto [c, r] : squares) {
        const float cx = (static_cast<float>(c) + 0.5f) * 20.0f, cy = (static_cast<float>(r) + 0.5f) * 20.0f;
        float u[6];
        for (float& f : u)
            f = static_cast<float>(RandomFraction());
        out.push_back({cx + 6.0f * u[0] - 3.0f, cy + 6.0f * u[1] - 3.0f, cx + 18.0f * u[2] - 9.0f,
                       cy + 18.0f * u[3] - 9.0f, 0.8f + 0.4f * u[4], 0.8f + 0.4f * u[5]});
    }
    return out;
}

} // namespace

TEST(AISetupGrid, RatesOnlyTheSidesZoneTowardsEnemyEdges) {
    SetupBattle b(2, 2);
    b.Zone(0, 0, 0, 1, 4); // Axis zone in the west column
    b.Zone(1, 0, 1, 1, 1);
    GDynamicArray grid;
    ASSERT_TRUE(AIMakeLinesOfFireGrid(&grid));
    AIRateLinesOfFire(&grid);
    // Every probe lies off this tiny map: half a point each, a quarter seen.
    EXPECT_EQ(GridAt(&grid, 0, 0), (50 << 8) + 50);
    EXPECT_EQ(GridAt(&grid, 0, 1), (50 << 8) + 50);
    EXPECT_EQ(GridAt(&grid, 1, 0), 0);
    // No enemy edge: no probe at all.
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    AIRateLinesOfFire(&grid);
    EXPECT_EQ(GridAt(&grid, 0, 0), 0);
    EXPECT_EQ(AIGridValue(&grid, -5.0f, 10.0f), 0);
    EXPECT_EQ(AIGridValue(&grid, 10.0f, 900.0f), 0);
}

TEST(AISetupGrid, OpenGroundInsideTheMapIsSeen) {
    SetupBattle b(120, 120);
    b.mBattle.mEdgeOwner[0] = b.mBattle.mEdgeOwner[1] = b.mBattle.mEdgeOwner[3] = 2;
    bool east[16] = {};
    east[4] = true;
    // From the middle every probe due east is on the flat map and in sight.
    EXPECT_EQ(AIScoreLOF(30, 60, east), (100 << 8) + 100);
    // Near the east edge the far probes fall off the map.
    // Near the east edge the far probes and the near one at 250 m fall off the
    // map: 1.25 of 1.5 seen near, 0.5 of 1.0 far.
    EXPECT_EQ(AIScoreLOF(115, 60, east), (50 << 8) + 83);
}

TEST(AISetupScore, CategoriesCrowdingAndTerrain) {
    SetupBattle b(10, 10);
    MoveRows rows;
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 5.0f, 5.0f);
    gAIDefending = true;
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 50.0f, 60.0f, false, false, false),
                    (40.0f + 10.0f) * kOpen);
    EXPECT_EQ(inf->mX, 50.0f); // scoring moves the unit
    EXPECT_EQ(inf->mY, 60.0f);
    gAIDefending = false;
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 50.0f, 60.0f, false, false, false), 10.0f * kOpen);
    const float far = 0.667f * 80.0f + 0.333f * 40.0f;
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 50.0f, 60.0f, false, false, true), (far + 10.0f) * kOpen);
    auto* tank = b.Add<TestVehicle>(kAxis, 5.0f, 5.0f);
    tank->mSubtype = -1;
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(tank, grid, 50.0f, 60.0f, false, false, false),
                    (100.0f - far + 10.0f) * kOpen);
    inf->mImmobile = true;
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 50.0f, 60.0f, false, false, false),
                    (far + 10.0f) * kOpen);
    inf->mImmobile = false;

    // Outside the map, or a point the unit cannot take, is -999; a point it
    // cannot fire from is -1 and still moves the unit.
    EXPECT_EQ(AIScoreSetupLocation(inf, grid, 200.0f, 50.0f, false, false, false), -999.0f);
    b.Paint(100.0f, 100.0f, 120.0f, 120.0f, kTerrainWater);
    EXPECT_EQ(AIScoreSetupLocation(inf, grid, 110.0f, 110.0f, false, false, false), -999.0f);
    inf->a.mAllowedToTarget = false;
    EXPECT_EQ(AIScoreSetupLocation(inf, grid, 30.0f, 30.0f, false, false, false), -1.0f);
    EXPECT_EQ(inf->mX, 30.0f);
    inf->a.mAllowedToTarget = true;

    // Marsh cuts the score to a tenth.
    inf->a.mCoverTEM = 1.0f;
    b.Paint(140.0f, 140.0f, 160.0f, 160.0f, 19);
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 150.0f, 150.0f, false, false, false),
                    10.0f * kOpen * 0.1f);

    // Ten grouped units within 5 m saturate the crowding sum.
    AIGroup* g = b.NewGroup(0);
    for (int32_t i = 0; i < 10; ++i)
        g->Add(b.Add(kAxis, 60.0f + 0.4f * i, 60.0f));
    EXPECT_EQ(AIScoreSetupLocation(inf, grid, 61.0f, 61.0f, false, false, false), 0.0f);
    // One unit 20 m away takes (30 - 20)^3 of 16000.
    g->EmptyOut(false);
    g->Add(b.Add(kAxis, 120.0f, 40.0f));
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(inf, grid, 120.0f, 60.0f, false, false, false),
                    10.0f * kOpen * (16000.0f - 1000.0f) / 16000.0f);
}

// A defending infantry gun's category: without a gun record or with a gun
// reaching no farther than 600 m it wants near sight, N - 0.333 F but not
// below 0; beyond 600 m far sight; a flamethrower the least sight. Codes 38
// and 39 cut any score to a tenth, code 4 a vehicle's to 0.3.
TEST(AISetupScore, DefendingGunsByTheirReachAndTerrainCuts) {
    SetupBattle b(10, 10);
    MoveRows rows;
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 5.0f, 5.0f);
    gAIDefending = true;
    const float far = 0.667f * 80.0f + 0.333f * 40.0f;
    auto score = [&](float x = 50.0f, float y = 60.0f) {
        return AIScoreSetupLocation(inf, grid, x, y, true, false, false);
    };
    EXPECT_FLOAT_EQ(score(), (40.0f - 0.333f * 80.0f + 10.0f) * kOpen);
    inf->mSubtype = 2;
    rows.weapons[0].mClass = 2;
    rows.weapons[0].mMinRange = 600.0f;
    EXPECT_FLOAT_EQ(score(), (40.0f - 0.333f * 80.0f + 10.0f) * kOpen);
    rows.weapons[0].mMinRange = 600.5f;
    EXPECT_FLOAT_EQ(score(), (far + 10.0f) * kOpen);
    rows.weapons[0].mClass = 6;
    EXPECT_FLOAT_EQ(score(), (100.0f - far + 10.0f) * kOpen);
    rows.weapons[0].mClass = 2;
    rows.weapons[0].mMinRange = 0.0f;
    grid = b.Grid((80 << 8) + 26); // 26 - 26.64 is below 0
    EXPECT_FLOAT_EQ(score(), 10.0f * kOpen);
    grid = b.Grid(kN40F80);
    inf->mSubtype = 0;

    const float plain = score();
    b.Paint(100.0f, 100.0f, 120.0f, 120.0f, 38);
    b.Paint(140.0f, 140.0f, 160.0f, 160.0f, 39);
    b.Paint(20.0f, 140.0f, 40.0f, 160.0f, 4);
    EXPECT_FLOAT_EQ(score(110.0f, 110.0f), plain * 0.1f);
    EXPECT_FLOAT_EQ(score(150.0f, 150.0f), plain * 0.1f);
    EXPECT_FLOAT_EQ(score(30.0f, 150.0f), plain);
    auto* tank = b.Add<TestVehicle>(kAxis, 5.0f, 5.0f);
    tank->mSubtype = -1;
    const float open = AIScoreSetupLocation(tank, grid, 50.0f, 60.0f, false, false, false);
    EXPECT_FLOAT_EQ(AIScoreSetupLocation(tank, grid, 30.0f, 150.0f, false, false, false), open * 0.3f);
}

TEST(AISetupScore, EdgeFactors) {
    SetupBattle b(10, 10);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    EXPECT_EQ(AIEdgeFactor(kAxis, 30.0f, 170.0f), 1.0f);
    b.mBattle.mEdgeOwner[1] = kAxis; // North is the Axis', South nobody's
    EXPECT_FLOAT_EQ(AIEdgeFactor(kAxis, 30.0f, 100.0f), (std::pow(0.5f, 0.76f) + 1.0f) / 2.0f);
    b.mBattle.mEdgeOwner[3] = kAllies;
    EXPECT_FLOAT_EQ(AIEdgeFactor(kAxis, 30.0f, 100.0f), std::pow(0.5f, 0.76f));
    EXPECT_FLOAT_EQ(AIEdgeFactor(kAllies, 30.0f, 150.0f), std::pow(0.25f, 0.76f));
    b.mBattle.mEdgeOwner[0] = kAxis; // and West: the x factor multiplies in
    EXPECT_FLOAT_EQ(AIEdgeFactor(kAxis, 50.0f, 100.0f),
                    std::pow(0.5f, 0.76f) * (std::pow(0.75f, 0.76f) + 1.0f) / 2.0f);
}

TEST(AISetupPlace, EveryZoneSquareDrawsAndTheUnitEndsInItsZone) {
    SetupBattle b(10, 10);
    MoveRows rows;
    b.Zone(2, 2, 4, 4, 4);
    b.Zone(6, 6, 6, 6, 1); // the enemy's
    b.Paint(60.0f, 60.0f, 100.0f, 100.0f, kTerrainWater);
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 150.0f, 150.0f);
    for (bool defend : {false, true}) {
        gAIDefending = defend;
        SeedRandomGenerator(77);
        inf->mX = 150.0f + 99999.0f;
        AIPlace(inf, grid, false);
        const uint32_t after = GetRandomState();
        SeedRandomGenerator(77);
        for (int32_t i = 0; i < 9 * 6; ++i)
            RandomFraction();
        EXPECT_EQ(after, GetRandomState()); // six draws for each of the 9 squares, water or not
        EXPECT_TRUE(inf->InSetupZone(inf->mX, inf->mY)) << defend;
        EXPECT_NE(b.map().GetTerrain(inf->mX, inf->mY, false), kTerrainWater);
    }
    // A unit whose zone has no square goes back from where it waited.
    inf->mSetupZone = 5;
    inf->mX = 150.0f + 99999.0f;
    inf->mY = 150.0f;
    AIPlace(inf, grid, false);
    EXPECT_EQ(inf->mX, 150.0f);
    // A fixed unit, or one of a field out of range, matches no square.
    EXPECT_FALSE(AIZoneFits(7, 4, kAxis));
    EXPECT_FALSE(AIZoneFits(9, 4, kAxis));
    EXPECT_FALSE(AIZoneFits(0, 2, kAxis));
    EXPECT_TRUE(AIZoneFits(0, 2, kAllies));
}

// An armoured gun's scores are multiplied by the best far sight (0.667 F +
// 0.333 N, as a fraction) of the squares around its own, but by no less
// than 0.05: three squares each way in a defence, two in an attack, its own
// square never. Square A (10, 10) is scanned before B (3, 3), a square next
// to B sees half; both stand on unseen ground. With sight 1.0 around A, A
// wins by a factor of at least 2, which the draws (0.8 to 1.2) cannot undo;
// without, B wins by 10.
TEST(AISetupPlace, AnArmouredGunBorrowsTheBestSightWithinThreeSquaresOrTwoInAnAttack) {
    SetupBattle b(20, 20);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    b.Zone(10, 10, 10, 10, 4);
    b.Zone(3, 3, 3, 3, 4);
    GDynamicArray* grid = b.Grid(0);
    auto set = [&](int32_t c, int32_t r, uint16_t v) { grid->Set(c, r, &v); };
    set(4, 3, (50 << 8) + 50);
    auto* gun = b.Add<TestVehicle>(kAxis, 0.0f, 0.0f);
    gun->mSubtype = -1;
    gun->a.mArmoured = true;
    gun->a.mOrdnance = true;
    auto column = [&] {
        AIPlace(gun, grid, true);
        return static_cast<int32_t>(gun->mX * 0.05f);
    };
    for (const bool defend : {true, false}) {
        gAIDefending = defend;
        const int32_t r = defend ? 3 : 2;
        const std::pair<int32_t, int32_t> in[] = {{r, r}, {-r, -r}}, out[] = {{r + 1, 0}, {0, -r - 1}};
        for (auto [dc, dr] : in) {
            set(10 + dc, 10 + dr, (100 << 8) + 100);
            EXPECT_EQ(column(), 10) << defend << " " << dc << " " << dr;
            set(10 + dc, 10 + dr, 0);
        }
        for (auto [dc, dr] : out) {
            set(10 + dc, 10 + dr, (100 << 8) + 100);
            EXPECT_EQ(column(), 3) << defend << " " << dc << " " << dr;
            set(10 + dc, 10 + dr, 0);
        }
    }
    // A's own sight 60 leaves it 50 of 110 before the factor: with its own
    // square counted, 0.6 of that would beat B's 0.1 of 110; as it is, 0.05.
    set(10, 10, (60 << 8) + 60);
    set(4, 3, (10 << 8) + 10);
    EXPECT_EQ(column(), 3);
    set(10, 10, 0);

    // The floor, in an attack with the draws replayed: B's neighbour of near
    // rating n (F 0) lends B 0.00333 n against A's 0.05.
    constexpr uint32_t kSeed = 21;
    const auto d = ReplayPlace(kSeed, {{10, 10}, {3, 3}});
    const float tie = 0.05f * d[0].fq / (0.00333f * d[1].fq);
    ASSERT_GT(tie, 8.0f);
    ASSERT_LT(tie, 25.0f);
    ASSERT_GT(tie - std::floor(tie), 0.05f);
    ASSERT_LT(tie - std::floor(tie), 0.95f);
    for (const int32_t step : {0, 1}) {
        set(4, 3, static_cast<uint16_t>(std::floor(tie) + step));
        SeedRandomGenerator(kSeed);
        EXPECT_EQ(column(), step == 0 ? 10 : 3) << tie;
    }
}

// In a defence both scores of a square are weighted by 1 - 0.5 s, s the
// wide point's distance from the map's centre over half the map's diagonal
// (ignoreCentre leaves the weight out). On a 240 x 160 m map square A (6, 4)
// near the centre is scanned before B (0, 0) in the corner; A's near rating
// is 20, B's is set just below and just above where B would tie A.
TEST(AISetupPlace, ADefenceWeighsSquaresByTheirDistanceFromTheCentre) {
    SetupBattle b(12, 8);
    MoveRows rows;
    gAIDefending = true;
    b.Zone(6, 4, 6, 4, 4);
    b.Zone(0, 0, 0, 0, 4);
    GDynamicArray* grid = b.Grid(20);
    auto* inf = b.Add(kAxis, 0.0f, 0.0f);
    constexpr uint32_t kSeed = 5;
    const auto d = ReplayPlace(kSeed, {{6, 4}, {0, 0}});
    auto weight = [](const SquareDraws& s) {
        const float dx = 120.0f - s.qx, dy = 80.0f - s.qy;
        return (1.0f - 0.5f * std::sqrt((dx * dx + dy * dy) / (120.0f * 120.0f + 80.0f * 80.0f))) *
               std::max(s.fq, s.fp);
    };
    const float tie = 30.0f * weight(d[0]) / weight(d[1]) - 10.0f;
    ASSERT_GT(tie, 30.0f);
    ASSERT_LT(tie, 95.0f);
    ASSERT_GT(tie - std::floor(tie), 0.05f);
    ASSERT_LT(tie - std::floor(tie), 0.95f);
    auto column = [&](int32_t near, bool ignoreCentre) {
        const auto v = static_cast<uint16_t>(near);
        grid->Set(0, 0, &v);
        SeedRandomGenerator(kSeed);
        AIPlace(inf, grid, ignoreCentre);
        return static_cast<int32_t>(inf->mX * 0.05f);
    };
    const auto below = static_cast<int32_t>(std::floor(tie));
    EXPECT_EQ(column(below, false), 6) << tie;
    EXPECT_EQ(column(below + 1, false), 0) << tie;
    EXPECT_EQ(column(below, true), 0) << tie;
}

// A defending gun or vehicle weighs its squares by its own side's edge
// factor E; below 500 m of visibility v the factor is blended towards 1:
// (1 - k) E + k with k = 1 - 0.002 v. The Axis holds the west edge of a
// 200 m wide map, so E = (1 - x / 200)^0.76; square B (6, 1) is scanned
// before A (1, 1), A's near rating is 20 and B's is set just below and just
// above where B would tie A.
TEST(AISetupPlace, PoorVisibilityBlendsTheEdgeFactorTowardsOne) {
    SetupBattle b(10, 4);
    MoveRows rows;
    gAIDefending = true;
    b.AxisWestAlliesEast();
    b.Zone(6, 1, 6, 1, 4);
    b.Zone(1, 1, 1, 1, 4);
    GDynamicArray* grid = b.Grid(20);
    auto* gun = b.Add(kAxis, 0.0f, 0.0f); // an infantry gun: near sight, F 0
    gun->a.mOrdnance = true;
    constexpr uint32_t kSeed = 3;
    const auto d = ReplayPlace(kSeed, {{6, 1}, {1, 1}});
    for (const float v : {250.0f, 450.0f, 550.0f}) {
        b.mBattle.mVisibilityDistance = v;
        auto weight = [v](const SquareDraws& s) {
            float e = std::pow(1.0f - s.qx / 200.0f, 0.76f);
            if (v < 500.0f) e = 0.002f * v * e + (1.0f - 0.002f * v);
            return e * std::max(s.fq, s.fp);
        };
        const float tie = 30.0f * weight(d[1]) / weight(d[0]) - 10.0f;
        ASSERT_GT(tie, 10.0f) << v;
        ASSERT_LT(tie, 95.0f) << v;
        ASSERT_GT(tie - std::floor(tie), 0.05f) << v;
        ASSERT_LT(tie - std::floor(tie), 0.95f) << v;
        for (const int32_t n : {0, 1}) {
            const auto near = static_cast<uint16_t>(std::floor(tie) + n);
            grid->Set(6, 1, &near);
            SeedRandomGenerator(kSeed);
            AIPlace(gun, grid, true);
            EXPECT_EQ(static_cast<int32_t>(gun->mX * 0.05f), n == 0 ? 1 : 6) << v << " " << tie;
        }
    }
}

// An attacker weighs its squares by the enemy's edge factor, an infantry
// gun of class 5 not at all; a defending vehicle, gun or not, by its own
// side's. The Axis holds the west edge of a 200 m wide map and the Allies
// the east: square A (1, 1) has about 0.24 of the Allies' factor and 0.88
// of the Axis', square B (8, 1) the other way round. The sight ratings make
// either square's base the double of the other's, which a factor of 3.7
// overturns and the draws (0.8 to 1.2) cannot.
TEST(AISetupPlace, AnAttackerWeighsByTheEnemysEdgeADefendingVehicleByItsOwn) {
    SetupBattle b(10, 4);
    MoveRows rows;
    b.AxisWestAlliesEast();
    b.Zone(1, 1, 1, 1, 4);
    b.Zone(8, 1, 8, 1, 4);
    GDynamicArray* grid = b.Grid(0);
    auto set = [&](int32_t c, uint16_t sight) {
        const auto v = static_cast<uint16_t>((sight << 8) + sight);
        grid->Set(c, 1, &v);
    };
    auto column = [](Unit* u) { return static_cast<int32_t>(u->mX * 0.05f); };
    gAIDefending = false;
    set(1, 30); // far sight 30 and 10: a base of 40 against 20
    set(8, 10);
    auto* support = b.Add(kAxis, 0.0f, 0.0f);
    support->a.mSupport = true;
    AIPlace(support, grid, false);
    EXPECT_EQ(column(support), 8);
    auto* gun5 = b.Add(kAxis, 0.0f, 0.0f);
    gun5->mSubtype = 2; // its gun is of class 5
    AIPlace(gun5, grid, false);
    EXPECT_EQ(column(gun5), 1);

    gAIDefending = true;
    set(1, 50); // a vehicle's base 100 - sight: 60 against 110
    set(8, 0);
    auto* truck = b.Add<TestVehicle>(kAxis, 0.0f, 0.0f);
    truck->mSubtype = -1;
    AIPlace(truck, grid, true);
    EXPECT_EQ(column(truck), 1);
}

// A point the unit could not fire from scores -1, which the square's draw
// scales by 0.8 to 1.2: the better of the square's two points (here the
// wide one, whose factor is the smaller) is still taken at -1 or more. Below
// that the unit stays where the scoring left it, at the near point, scored
// last.
TEST(AISetupPlace, AnUnfitPointIsTakenWhenItsDrawKeepsItAtMinusOneOrMore) {
    SetupBattle b(10, 10);
    MoveRows rows;
    gAIDefending = true;
    b.Zone(2, 3, 2, 3, 4);
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 0.0f, 0.0f);
    inf->a.mAllowedToTarget = false;
    for (const uint32_t seed : {7u, 6u}) { // the wide point's factors 0.93 and 1.01
        const SquareDraws d = ReplayPlace(seed, {{2, 3}})[0];
        ASSERT_LT(d.fq, d.fp);
        const bool taken = seed == 7;
        ASSERT_EQ(d.fq <= 1.0f, taken);
        inf->mX = 150.0f + 99999.0f;
        inf->mY = 170.0f;
        SeedRandomGenerator(seed);
        AIPlace(inf, grid, true);
        EXPECT_FLOAT_EQ(inf->mX, taken ? d.qx : d.px) << seed;
        EXPECT_FLOAT_EQ(inf->mY, taken ? d.qy : d.py) << seed;
    }
}

// A guard takes squares whose centre lies strictly within its range of the
// node, each score weighted by 1 - 0.6 d / R: a square at 80 m of an
// infantry guard (R = 100) keeps 0.52 of its score against the node's own
// square, so near sight 48 there beats 20 at the node and 47 does not.
TEST(AISetupPlace, AGuardsSquaresAreWeightedByTheirDistance) {
    SetupBattle b(10, 10);
    MoveRows rows;
    gAIDefending = true;
    b.Zone(0, 0, 0, 0, 4);
    b.Zone(4, 0, 4, 0, 4);
    auto node = std::make_unique<FlagsNode>();
    node->mCenterX = 10.0f;
    node->mCenterY = 10.0f;
    GDynamicArray* grid = b.Grid(20);
    auto* inf = b.Add(kAxis, 100.0f, 100.0f);
    inf->mSetupZone = 4;
    for (const uint16_t far : {47, 48}) {
        grid->Set(4, 0, &far);
        ASSERT_TRUE(AIPlaceDefender(inf, node.get(), grid));
        EXPECT_EQ(static_cast<int32_t>(inf->mX * 0.05f), far == 48 ? 4 : 0) << far;
    }
    // The range is strict: a square centred exactly 100 m away is out.
    b.Zone(0, 0, 4, 0, 0);
    b.Zone(5, 0, 5, 0, 4);
    EXPECT_FALSE(AIPlaceDefender(inf, node.get(), grid));
    node->mCenterX = 10.5f;
    EXPECT_TRUE(AIPlaceDefender(inf, node.get(), grid));
}

TEST(AISetupPlace, GuardsStayWithinTheirRange) {
    SetupBattle b(30, 10);
    MoveRows rows;
    b.Zone(0, 0, 29, 9, 4);
    b.Nodes({{100.0f, 100.0f}});
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 500.0f, 100.0f);
    EXPECT_EQ(AIFlagGuardSetupRange(inf), 100.0f);
    inf->a.mSupport = true;
    EXPECT_EQ(AIFlagGuardSetupRange(inf), 200.0f);
    inf->a.mSupport = false;
    auto* tank = b.Add<TestVehicle>(kAxis, 0.0f, 0.0f);
    EXPECT_EQ(AIFlagGuardSetupRange(tank), 200.0f);
    gAIDefending = true;
    ASSERT_TRUE(AIPlaceDefender(inf, b.Node(0), grid));
    EXPECT_LT(std::hypot(inf->mX - 100.0f, inf->mY - 100.0f), 100.0f + 9.0f * 1.5f);
    // No zone square within range: not placed.
    b.Zone(0, 0, 29, 9, 0);
    b.Zone(25, 0, 29, 9, 4);
    inf->mX = 500.0f;
    EXPECT_FALSE(AIPlaceDefender(inf, b.Node(0), grid));
    EXPECT_EQ(inf->mX, 500.0f);
}

TEST(AISetupPlace, LeadersJoinTheirPlatoonAndNeverStayParked) {
    SetupBattle b(20, 20);
    MoveRows rows;
    b.Zone(0, 0, 19, 19, 4);
    GDynamicArray* grid = b.Grid(kN40F80);
    gAIDefending = true;
    auto* leader = b.Add<TestLeader>(kAxis, 50.0f, 50.0f);
    auto* m1 = b.Add(kAxis, 200.0f, 200.0f);
    auto* m2 = b.Add(kAxis, 210.0f, 200.0f);
    auto* m3 = b.Add(kAxis, 240.0f, 200.0f);
    for (Unit* m : {m1, m2, m3})
        m->mPlatoonHQ = leader;
    AIGroup* own = b.NewGroup(4);
    own->Add(leader);
    AIGroup* platoon = b.NewGroup(4);
    platoon->Add(m1);
    platoon->Add(m2);
    platoon->Add(m3);
    EXPECT_TRUE(AIPlaceLeaderWithPlatoon(leader, grid));
    EXPECT_TRUE(platoon->IsMember(leader));
    // Within reach of the centre member m2: 30 m along its facing, then 30 m either way.
    EXPECT_LE(std::fabs(leader->mX - 210.0f), 60.0f);
    EXPECT_LE(std::fabs(leader->mY - 200.0f), 30.0f);
    // With no acceptable point the leader goes back, and off the waiting place.
    b.Zone(0, 0, 19, 19, 0);
    leader->mX = 50.0f + 99999.0f;
    leader->mY = 50.0f;
    AIPlaceLeaderWithPlatoon(leader, grid);
    EXPECT_EQ(leader->mX, 50.0f);
    EXPECT_EQ(leader->mY, 50.0f);
    // A unit that is no leader is left alone.
    m1->mX = 7.0f;
    EXPECT_FALSE(AIPlaceLeaderWithPlatoon(m1, grid));
    EXPECT_EQ(m1->mX, 7.0f);
}

// In an operation judged by points, a point's score follows its nearest
// objective node: beyond 1000 m a tenth; within it, by the line's length,
// one curve for a clear line and another for a blocked one.
TEST(AISetupScore, APointsOperationWeighsTheLineToTheNearestNode) {
    SetupBattle b(60, 10);
    MoveRows rows;
    GDynamicArray* grid = b.Grid(kN40F80);
    auto* inf = b.Add(kAxis, 5.0f, 5.0f);
    GList graph;
    auto* node = new FlagsNode;
    node->mCenterX = 1150.0f;
    node->mCenterY = 100.0f;
    graph.Add(node);
    b.mBattle.mObjectiveGraph = &graph;
    Campaign operation;
    operation.mOperationType = 2;
    // A high ridge across the lower lines.
    for (int32_t i = 300; i < 310; ++i)
        for (int32_t j = 0; j < 40; ++j)
            b.map().SetPoint(i, j, EncodePoint(1023, kTerrainOpen));
    auto weigh = [&](float x, float y) {
        gCampaign = nullptr;
        const float plain = AIScoreSetupLocation(inf, grid, x, y, false, false, false);
        gCampaign = &operation;
        const float scored = AIScoreSetupLocation(inf, grid, x, y, false, false, false);
        gCampaign = nullptr;
        return scored / plain;
    };
    auto clear = [](float l) {
        return 1.0f + 0.0003875f * l - 9.152e-06f * l * l + 1.48e-08f * l * l * l - 6.94e-12f * l * l * l * l;
    };
    auto blocked = [](float l) { return 1.0f - 0.003394f * l + 4.409e-06f * l * l - 1.915e-09f * l * l * l; };
    EXPECT_NEAR(weigh(130.0f, 100.0f), 0.1f, 1e-5f);           // 1020 m
    EXPECT_NEAR(weigh(550.0f, 100.0f), clear(600.0f), 0.01f);   // over open ground
    EXPECT_NEAR(weigh(550.0f, 60.0f), blocked(601.3f), 0.01f);  // over the ridge
    b.mBattle.mObjectiveGraph = nullptr;
    graph.EmptyOut(true);
}
