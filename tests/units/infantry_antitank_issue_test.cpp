// The hand-held anti-tank weapons a German tank hunter team is issued from
// July 1943 on: the chance of a shot per draw by month, and the launcher
// model drawn from the month's shares.

#include <algorithm>

#include "engine/GOLTA.h"
#include "infantry_fixture.h"

namespace {

// Months by date: the month index, the chance of a shot per draw and the
// shares of weapons 167, 168 and 169 (the rest 166).
struct Month {
    int32_t date;
    double p, r0, r1, r2;
};
constexpr Month kMonths[] = {
    {4307, 0.0018367703, 0.0, 0.0, 0.0},                            // index 0
    {4312, 0.111450985, 0.66596645, 0.0, 0.0},                      // index 5
    {4401, 0.1303704, 0.6665183, 0.0, 0.0},                         // index 6
    {4412, 0.58163255, 0.0032392861, 0.7531585, 0.21525757},        // index 17
    {4501, 0.9, 0.0005114662, 0.7572503, 0.22548719},               // index 18
    {4505, 0.5873644, 0.00000313088, 0.768695, 0.23059817},         // index 22
};

// The first seed whose first draw lies in [lo, hi), whose next three draws
// lie at or above `rest`, and whose fifth draw lies in [lo5, hi5); 0 if none.
uint32_t SeedFor(double lo, double hi, double rest, double lo5 = 0.0, double hi5 = 1.0) {
    for (uint32_t s = 1; s < 20000000; ++s) {
        SeedRandomGenerator(s);
        const double u = RandomFraction();
        if (u < lo || u >= hi) continue;
        bool ok = true;
        for (int i = 0; i < 3; ++i)
            ok = ok && RandomFraction() >= rest;
        if (!ok) continue;
        const double u5 = RandomFraction();
        if (u5 >= lo5 && u5 < hi5) return s;
    }
    return 0;
}

// The weapon the shares give for the draw u.
WeaponType Launcher(const Month& m, double u) {
    if (u < m.r0) return 167;
    u -= m.r0;
    if (u < m.r1) return 168;
    u -= m.r1;
    if (u < m.r2) return 169;
    return 166;
}

double FifthDraw(uint32_t s) {
    SeedRandomGenerator(s);
    for (int i = 0; i < 4; ++i)
        RandomFraction();
    return RandomFraction();
}

} // namespace

// A tank hunter team draws four times against the month's chance: a first
// draw 0.2 % to 1 % below it (the other three above) gives one launcher of
// the model the fifth draw picks from the month's shares; just above it the
// team has no launcher and is given thrown charges (weapon 262 or 265).
TEST_F(InfantryTest, ATankHuntersLaunchersFollowTheMonthsChanceAndShares) {
    auto u = Make(kGermanTankHunters, kGerman);
    for (const Month& m : kMonths) {
        mBattle.mBattle.mDate = m.date;
        const uint32_t below = SeedFor(m.p * 0.99, m.p * 0.998, m.p * 1.01);
        const uint32_t above = SeedFor(m.p * 1.002, m.p * 1.01, m.p * 1.01);
        ASSERT_NE(below, 0u) << m.date;
        ASSERT_NE(above, 0u) << m.date;
        SeedRandomGenerator(below);
        u->AssignAntitankWeapons();
        EXPECT_EQ(u->mAntitankShots, 1) << m.date;
        EXPECT_EQ(u->mAntitankWeapon, Launcher(m, FifthDraw(below))) << m.date;
        SeedRandomGenerator(above);
        u->AssignAntitankWeapons();
        EXPECT_TRUE(u->mAntitankWeapon == 262 || u->mAntitankWeapon == 265)
            << m.date << " weapon " << u->mAntitankWeapon;
    }
    // Before July 1943 there are no launchers at all.
    mBattle.mBattle.mDate = 4306;
    SeedRandomGenerator(SeedFor(0.0, 0.5, 0.0));
    u->AssignAntitankWeapons();
    EXPECT_TRUE(u->mAntitankWeapon == 262 || u->mAntitankWeapon == 265) << u->mAntitankWeapon;
}

// The launcher's model at the edges of the shares: a fifth draw just below
// and above the share of 167 (0.0005 at most either side), and of 167 + 168 and 167 + 168 + 169.
TEST_F(InfantryTest, ATankHuntersLauncherModelAtTheEdgesOfTheMonthsShares) {
    auto u = Make(kGermanTankHunters, kGerman);
    for (const Month& m : kMonths) {
        if (m.date == 4307) continue; // no shares
        mBattle.mBattle.mDate = m.date;
        const double edges[3] = {m.r0, m.r0 + m.r1, m.r0 + m.r1 + m.r2};
        const WeaponType before[3] = {167, 168, 169};
        const WeaponType after[3] = {m.r1 > 0.0 ? WeaponType(168) : WeaponType(166),
                                     m.r2 > 0.0 ? WeaponType(169) : WeaponType(166), 166};
        for (int e = 0; e < 3; ++e) {
            const double edge = edges[e];
            if (edge < 0.02 || (e > 0 && edge == edges[e - 1])) continue; // too narrow to straddle
            for (const bool under : {true, false}) {
                const double lo = under ? edge - 0.0005 : edge + 1e-6, hi = under ? edge - 1e-6 : edge + 0.0005;
                const uint32_t s = SeedFor(0.0, m.p * 0.995, 0.0, lo, hi); // one shot or more
                ASSERT_NE(s, 0u) << m.date << " edge " << e;
                SeedRandomGenerator(s);
                u->AssignAntitankWeapons();
                ASSERT_GE(u->mAntitankShots, 1) << m.date;
                EXPECT_EQ(u->mAntitankWeapon, under ? before[e] : after[e]) << m.date << " edge " << e;
            }
        }
    }
}

namespace {

// Whether four draws straddle one half: one just below it, one just above.
bool StraddleOneHalf() {
    bool below = false, above = false;
    for (int i = 0; i < 4; ++i) {
        const double u = RandomFraction();
        below = below || (u >= 0.495 && u < 0.5);
        above = above || (u >= 0.5 && u < 0.505);
    }
    return below && above;
}

// The first seed whose first pair mod n is v (no pick when n is 0) and
// whose next four draws straddle one half; 0 if none.
uint32_t SeedPicking(uint32_t n, uint32_t v) {
    for (uint32_t s = 1; s < 20000000; ++s) {
        SeedRandomGenerator(s);
        if (n != 0 && RandomPair() % n != v) continue;
        if (StraddleOneHalf()) return s;
    }
    return 0;
}

// Four draws after the pick against p: the shots they give.
int32_t ShotsAfterPick(uint32_t s, double p) {
    SeedRandomGenerator(s);
    RandomPair();
    int32_t shots = 0;
    for (int i = 0; i < 4; ++i)
        shots += RandomFraction() < p;
    return shots;
}

} // namespace

// Without launchers a tank hunter team throws charges: weapon 262 before
// November 1942; in November and December 1942 a pick below 90 of 100 gives
// 262, else 265; later below 33. Four draws at one half (draws just either
// side of it), at least one shot.
TEST_F(InfantryTest, ATankHuntersThrownChargesByDate) {
    auto u = Make(kGermanTankHunters, kGerman);
    const struct {
        int32_t date;
        uint32_t pick;
        WeaponType weapon;
    } cases[] = {{4211, 89, 262}, {4211, 90, 265}, {4212, 89, 262}, {4212, 90, 265},
                 {4301, 32, 262}, {4301, 33, 265}, {4306, 32, 262}, {4306, 33, 265}};
    for (const auto& c : cases) {
        mBattle.mBattle.mDate = c.date;
        const uint32_t s = SeedPicking(100, c.pick);
        ASSERT_NE(s, 0u);
        SeedRandomGenerator(s);
        u->AssignAntitankWeapons();
        EXPECT_EQ(u->mAntitankWeapon, c.weapon) << c.date << " pick " << c.pick;
        EXPECT_EQ(u->mAntitankShots, std::max(1, ShotsAfterPick(s, 0.5))) << c.date;
    }
    // Before November 1942 no pick is drawn: the four draws start at once.
    mBattle.mBattle.mDate = 4210;
    {
        const uint32_t s = SeedPicking(0, 0);
        ASSERT_NE(s, 0u);
        SeedRandomGenerator(s);
        int32_t shots = 0;
        for (int i = 0; i < 4; ++i)
            shots += RandomFraction() < 0.5;
        SeedRandomGenerator(s);
        u->AssignAntitankWeapons();
        EXPECT_EQ(u->mAntitankWeapon, 262);
        EXPECT_EQ(u->mAntitankShots, std::max(1, shots));
    }
}

// A German squad without launchers: in 1943 a pick below 25 of 1000, in
// 1944 below 13 of 1000, gives weapon 265 at a quarter a draw, else rifle
// grenades (165) at 0.3 a draw; from July 1943 on the squad's four launcher
// draws come first (here all of them at or above 0.75: no launcher).
TEST_F(InfantryTest, AGermanSquadsThrownChargesBy1943And1944Picks) {
    auto u = Make(kGermanSquad, kGerman);
    const struct {
        int32_t date;
        uint32_t pick;
        bool charge;
    } cases[] = {{4305, 24, true},  {4305, 25, false}, {4401, 12, true}, {4401, 13, false},
                 {4412, 12, true},  {4412, 13, false}, {4312, 24, true},  {4312, 25, false}};
    for (const auto& c : cases) {
        mBattle.mBattle.mDate = c.date;
        const int32_t launcherDraws = c.date > 4306 ? 4 : 0;
        const double p = c.charge ? 0.25 : 0.3;
        // The draws after the pick.
        auto shots = [&](uint32_t s, double chance) {
            SeedRandomGenerator(s);
            for (int32_t i = 0; i < launcherDraws; ++i)
                RandomFraction();
            RandomPair();
            int32_t n = 0;
            for (int i = 0; i < 4; ++i)
                n += RandomFraction() < chance;
            return n;
        };
        // A seed whose four draws after the pick give a shot at the one
        // chance and not at the other shows which chance was used.
        uint32_t s = 0;
        for (uint32_t t = 1; t < 50000000 && !s; ++t) {
            SeedRandomGenerator(t);
            bool launcher = false;
            for (int32_t i = 0; i < launcherDraws; ++i)
                launcher = launcher || RandomFraction() < 0.75;
            if (launcher || RandomPair() % 1000 != c.pick) continue;
            if (shots(t, 0.25) != shots(t, 0.3) && shots(t, p) > 0) s = t;
        }
        ASSERT_NE(s, 0u) << c.date << " " << c.pick;
        SeedRandomGenerator(s);
        u->AssignAntitankWeapons();
        EXPECT_EQ(u->mAntitankWeapon, c.charge ? 265 : 165) << c.date << " " << c.pick;
        EXPECT_EQ(u->mAntitankShots, shots(s, p)) << c.date << " " << c.pick;
    }
}

namespace {

// The first seed whose four draws include one just below c and one just
// above it, and least to most of them below c; 0 if none.
uint32_t SeedStraddling(double c, int32_t least, int32_t most = 4) {
    for (uint32_t s = 1; s < 20000000; ++s) {
        SeedRandomGenerator(s);
        bool below = false, above = false;
        int32_t under = 0;
        for (int i = 0; i < 4; ++i) {
            const double u = RandomFraction();
            below = below || (u >= c - 0.005 && u < c);
            above = above || (u >= c && u < c + 0.005);
            under += u < c;
        }
        if (below && above && under >= least && under <= most) return s;
    }
    return 0;
}

} // namespace

// American squads draw four times at 0.6 for a bazooka shot; a leader's
// team at 0.3 and keeps at most two.
TEST_F(InfantryTest, AmericanBazookaShotsAtSixTenthsForASquadAndThreeTenthsForALeader) {
    auto squad = Make(kUSSquad, kAmerican);
    uint32_t s = SeedStraddling(0.6, 1);
    ASSERT_NE(s, 0u);
    SeedRandomGenerator(s);
    int32_t shots = 0;
    for (int i = 0; i < 4; ++i)
        shots += RandomFraction() < 0.6;
    SeedRandomGenerator(s);
    squad->AssignAntitankWeapons();
    EXPECT_EQ(squad->mAntitankShots, shots);
    EXPECT_EQ(squad->mAntitankWeapon, 58);

    auto leader = Make(kUSLeader, kAmerican);
    s = SeedStraddling(0.3, 1, 1); // one shot, two just above the chance
    ASSERT_NE(s, 0u);
    SeedRandomGenerator(s);
    shots = 0;
    for (int i = 0; i < 4; ++i)
        shots += RandomFraction() < 0.3;
    SeedRandomGenerator(s);
    leader->AssignAntitankWeapons();
    EXPECT_EQ(leader->mAntitankShots, std::min(shots, 2));
    s = SeedStraddling(0.3, 3); // three under: kept at two
    ASSERT_NE(s, 0u);
    SeedRandomGenerator(s);
    leader->AssignAntitankWeapons();
    EXPECT_EQ(leader->mAntitankShots, 2);
    EXPECT_EQ(leader->mAntitankWeapon, 58);
}
