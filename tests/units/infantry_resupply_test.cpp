// A squad's resupply between the battles of an operation: the grenades it is
// brought up to by the side's supply level, and the chance by level that an
// anti-tank shot or an explosive charge comes up.

#include <cmath>
#include <functional>

#include "battle/Campaign.h"
#include "engine/GOLTA.h"
#include "infantry2_fixture.h"

namespace {

// The share of the grenade load and the chance of one more anti-tank shot or
// charge, by supply level 0 (best) to 5, and for any level beyond.
constexpr double kShare[7] = {0.95, 0.8, 0.65, 0.45, 0.2, 0.05, 0.95};
constexpr double kChance[7] = {0.95, 0.75, 0.5, 0.3, 0.1, 0.02, 0.95};

// What a resupply from seed s will draw: the grenade factor, then (after the
// anti-tank issue, replayed on the unit) the anti-tank draw when the issue
// gave more, then the charge draw.
struct Draws {
    double factor = 0.0;
    double antitank = -1.0; // no draw
    double charge = -1.0;
};

Draws Replay(Infantry* u, uint32_t s) {
    Draws d;
    SeedRandomGenerator(s);
    const bool even = (RandomPair() & 1u) == 0;
    const double r = RandomFraction();
    d.factor = even ? 0.5 + 0.5 * r : 1.0 + r;
    const int8_t keep = u->mAntitankShots;
    u->AssignAntitankWeapons();
    const bool more = u->mAntitankShots > keep;
    u->mAntitankShots = keep;
    if (more) d.antitank = RandomFraction();
    if (u->ShouldHaveExplosives()) d.charge = RandomFraction();
    return d;
}

class Resupply : public InfantryFight {
protected:
    Resupply() : mOld(gCampaign) {
        mOperation.mMap = new Map;
        mOperation.mMap->IBlankMap(10, 10, 1.0f, 0);
        mSquad = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
        gCampaign = &mOperation;
    }
    ~Resupply() override { gCampaign = mOld; }
    void Level(int32_t level) { mOperation.mSupplyLevel[0] = mOperation.mSupplyLevel[1] = level; }
    // The first seed whose replayed draws satisfy the test; 0 when none.
    uint32_t Find(const std::function<bool(const Draws&)>& want) {
        for (uint32_t s = 1; s < 200000; ++s)
            if (want(Replay(mSquad, s))) return s;
        return 0;
    }
    Campaign mOperation;
    Infantry* mSquad = nullptr;
    Campaign* mOld;
};

} // namespace

// The grenades come up to the whole part of the squad's load x a drawn factor
// x the share of the supply level; placed where a share 2 % smaller, or
// larger, would give one grenade less, or more.
TEST_F(Resupply, GrenadesComeUpToTheShareOfTheSupplyLevel) {
    const int32_t n = mSquad->NrGrenades();
    ASSERT_GT(n, 0);
    for (int32_t level = 0; level <= 6; ++level) {
        Level(level);
        const double share = kShare[level];
        auto whole = [&](const Draws& d, double k) { return std::floor(n * d.factor * share * k); };
        const uint32_t justAbove = Find([&](const Draws& d) { return whole(d, 1.0) > whole(d, 0.98); });
        const uint32_t justBelow = Find([&](const Draws& d) { return whole(d, 1.0) < whole(d, 1.02); });
        ASSERT_NE(justAbove, 0u);
        ASSERT_NE(justBelow, 0u);
        for (uint32_t s : {justAbove, justBelow}) {
            const Draws d = Replay(mSquad, s);
            mSquad->mGrenades = 0;
            mSquad->mAntitankShots = 0;
            mSquad->mExplosives = 0;
            SeedRandomGenerator(s);
            mSquad->Resupply();
            EXPECT_EQ(mSquad->mGrenades, static_cast<int32_t>(whole(d, 1.0))) << "level " << level;
            // Never lowered.
            const int32_t had = mSquad->mGrenades + 1;
            mSquad->mGrenades = static_cast<int8_t>(had);
            SeedRandomGenerator(s);
            mSquad->Resupply();
            EXPECT_EQ(mSquad->mGrenades, had) << "level " << level;
        }
    }
}

// When the issue would give more anti-tank shots, one more comes up with the
// chance of the supply level (a draw 3 % below it gains, 3 % above does not),
// up to 4; a charge comes up with the same chance, up to 3.
TEST_F(Resupply, AnAntitankShotAndAChargeComeUpWithTheChanceOfTheSupplyLevel) {
    mSquad->mAntitankShots = 0;
    ASSERT_TRUE(mSquad->ShouldHaveExplosives());
    auto run = [&](uint32_t s, int8_t shots, int8_t charges) {
        mSquad->mAntitankShots = shots;
        mSquad->mExplosives = charges;
        SeedRandomGenerator(s);
        mSquad->Resupply();
    };
    const auto in = [](double u, double lo, double hi) { return u >= lo && u < hi; };
    for (int32_t level = 0; level <= 6; ++level) {
        Level(level);
        const double p = kChance[level];
        // The anti-tank draw just below and just above the chance.
        for (const double k : {0.97, 1.005}) {
            mSquad->mAntitankShots = 0;
            const uint32_t s = Find([&](const Draws& d) { return in(d.antitank, p * k, p * (k + 0.025)); });
            ASSERT_NE(s, 0u) << "level " << level;
            const Draws d = Replay(mSquad, s);
            run(s, 0, 0);
            EXPECT_EQ(mSquad->mAntitankShots, k < 1.0 ? 1 : 0) << "level " << level;
            EXPECT_EQ(mSquad->mExplosives, d.charge < p ? 1 : 0) << "level " << level;
        }
        // The charge draw just below and just above the chance.
        for (const double k : {0.97, 1.005}) {
            mSquad->mAntitankShots = 0;
            const uint32_t s = Find([&](const Draws& d) { return in(d.charge, p * k, p * (k + 0.025)); });
            ASSERT_NE(s, 0u) << "level " << level;
            const Draws d = Replay(mSquad, s);
            run(s, 0, 0);
            EXPECT_EQ(mSquad->mExplosives, k < 1.0 ? 1 : 0) << "level " << level;
            EXPECT_EQ(mSquad->mAntitankShots, d.antitank >= 0.0 && d.antitank < p ? 1 : 0) << "level " << level;
            if (k < 1.0) {
                // At most 3 charges: 2 rise to 3, 3 stay.
                run(s, 0, 2);
                EXPECT_EQ(mSquad->mExplosives, 3);
                run(s, 0, 3);
                EXPECT_EQ(mSquad->mExplosives, 3);
            }
        }
    }
    // No more shots from the issue: the old count stays, and no draw is
    // spent on it (the charge takes the next draw).
    Level(0);
    mSquad->mAntitankShots = 0;
    const uint32_t none = Find([&](const Draws& d) { return d.antitank < 0.0 && d.charge >= 0.0 && d.charge < 0.9; });
    ASSERT_NE(none, 0u);
    run(none, 0, 0);
    EXPECT_EQ(mSquad->mAntitankShots, 0);
    EXPECT_EQ(mSquad->mExplosives, 1);
}
