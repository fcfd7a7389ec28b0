// Flags and exits in the shipped battles, played through the headless
// runner with the game's own units: who holds the ground of a flag, what the
// viewing player can read off its colour, and what units leaving the map
// over their exit edge bring in.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/FileTestFolder.h"
#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kFlagPart = 0;
constexpr int32_t kExitPart = 3;

struct Points {
    float share[2] = {0.0f, 0.0f};
    int32_t parts[10] = {};
    int32_t Part(Affiliation s, int32_t j) const { return parts[s * 5 + j]; }
};

Points Count(Battle* b, bool byView = false) {
    Points p;
    b->CountVPs(byView, true, &p.share[kAxis], &p.share[kAllies], p.parts);
    return p;
}

// A battle loaded as the game loads it, with no side planned by the computer.
class ShippedBattle : public testing::Test {
protected:
    bool Load(const char* name) {
        if (!DecryptData()) return false;
        mRunner.PlanSides(false, false);
        std::string error;
        const bool ok = mRunner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    Battle* B() { return mRunner.GetBattle(); }
    Unit* Named(int32_t side, char company, int32_t platoon, int32_t number) {
        ScriptUnitName n;
        n.side = side;
        n.company = company;
        n.platoon = platoon;
        n.number = number;
        return FindScriptUnit(B(), n);
    }
    VictoryFlag* Flag(int32_t k) { return static_cast<VictoryFlag*>(B()->mFlags.GetObjectA(k)); }
    // Gives the orders of an order script's text (its turn 1) now; a move's
    // last point may be shifted (off the map, where a script cannot name).
    void Order(const std::string& text, float shiftLastX = 0.0f) {
        OrderScript script;
        ScenarioFault fault;
        ASSERT_TRUE(ParseOrderScript("turn 1\n" + text, "test", &script, &fault)) << fault.Text();
        script.orders.back().points.back().x += shiftLastX;
        ASSERT_GT(ApplyOrders(script, 1, B()), 0);
    }
    void Turn() {
        RunnerTurn turn;
        std::string error;
        ASSERT_TRUE(mRunner.RunTurn(&turn, &error)) << error;
    }
    // Stands every unit of the side far in the map's corner, out of reach of
    // the flag at (x, y).
    void Withdraw(Affiliation side, float x, float y) {
        for (int32_t i = 0; i < B()->mUnits->GetCount(); ++i) {
            Unit* u = B()->mUnits->GetUnit(i);
            if (u->GetAffiliation() != side) continue;
            u->mX = x + 4.0f * static_cast<float>(i % 8);
            u->mY = y + 4.0f * static_cast<float>(i / 8);
            u->CancelMovementOrders();
        }
    }

    BattleRunner mRunner;
};

} // namespace

// The claim of the game's own squads and tanks: strong in good order at the
// flag, small for a straggler, a pinned or broken squad or a unit at the edge
// of its reach, nothing for units that cannot hold ground; and reading it
// draws no number and changes nothing.
TEST_F(ShippedBattle, ClaimsOfSquadsAndTanksOnTheGroundOfAFlag) {
    ASSERT_TRUE(Load("hecken"));
    Unit* squad = Named(1, 'B', 1, 1);
    ASSERT_NE(squad, nullptr);
    const float fx = squad->mX, fy = squad->mY;
    const uint32_t state = GetRandomState();
    const float full = squad->GetOccupationScore(fx, fy, nullptr);
    EXPECT_GT(full, 45.0f); // a full squad is well above 30
    EXPECT_EQ(GetRandomState(), state);
    EXPECT_EQ(squad->mX, fx);
    EXPECT_EQ(squad->GetOccupationScore(fx, fy, nullptr), full);
    EXPECT_EQ(squad->GetOccupationScore(fx + 100.0f, fy, nullptr), full); // guards 100 m out count whole
    EXPECT_NEAR(squad->GetOccupationScore(fx, fy + 150.0f, nullptr), full * 0.5f, 0.01f);
    EXPECT_EQ(squad->GetOccupationScore(fx - 200.0f, fy, nullptr), 0.0f);

    squad->SetSuppression(70.0f, false); // band 3, pinned
    EXPECT_LT(squad->GetOccupationScore(fx, fy, nullptr), 0.7f * full);
    squad->SetSuppression(150.0f, false); // band 4
    EXPECT_LT(squad->GetOccupationScore(fx, fy, nullptr), 30.0f);
    squad->SetSuppression(700.0f, false); // broken
    EXPECT_LT(squad->GetOccupationScore(fx, fy, nullptr), 10.0f);
    squad->SetSuppression(0.0f, false);

    const int32_t men = squad->GetOriginalNrMen();
    squad->mCasualties = men - 1; // a straggler
    const float straggler = squad->GetOccupationScore(fx, fy, nullptr);
    EXPECT_GT(straggler, 0.0f);
    EXPECT_LT(straggler, 10.0f);
    // A weak claim counts only when its side's byte is set.
    bool clear[2] = {false, false}, set[2] = {true, true};
    EXPECT_EQ(squad->GetOccupationScore(fx, fy + 150.0f, clear), 0.0f);
    EXPECT_GT(squad->GetOccupationScore(fx, fy + 150.0f, set), 0.0f);
    EXPECT_EQ(squad->GetOccupationScore(fx, fy, clear), straggler);
    squad->mCasualties = 0;

    squad->mSurrendered = true;
    EXPECT_EQ(squad->GetOccupationScore(fx, fy, nullptr), 0.0f);
    squad->mSurrendered = false;
    squad->mOffMapState = 2;
    EXPECT_EQ(squad->GetOccupationScore(fx, fy, nullptr), 0.0f);
    squad->mOffMapState = 0;
    squad->mActive = false;
    EXPECT_EQ(squad->GetOccupationScore(fx, fy, nullptr), 0.0f);
    squad->mActive = true;
}

TEST_F(ShippedBattle, ClaimsOfTanks) {
    ASSERT_TRUE(Load("panzer"));
    auto* tank = dynamic_cast<Vehicle*>(Named(1, 'C', 1, 1));
    ASSERT_NE(tank, nullptr);
    const float fx = tank->mX, fy = tank->mY;
    const float full = tank->GetOccupationScore(fx, fy, nullptr);
    EXPECT_GT(full, 45.0f);
    EXPECT_EQ(tank->GetOccupationScore(fx + 200.0f, fy, nullptr), full); // vehicles reach farther
    EXPECT_EQ(tank->GetOccupationScore(fx + 300.0f, fy, nullptr), 0.0f);
    // What a marked tank is worth draws no number either.
    tank->mExitMark = true;
    const uint32_t state = GetRandomState();
    bool exited = true;
    EXPECT_GT(tank->GetExitValue(&exited, true), 0.0f);
    EXPECT_GT(tank->GetExitValue(&exited, false), 0.0f);
    EXPECT_FALSE(exited);
    EXPECT_EQ(GetRandomState(), state);
    const float worth = tank->GetExitValue(&exited, true);
    SeedRandomGenerator(state + 12345u);
    EXPECT_EQ(tank->GetExitValue(&exited, true), worth); // whatever the generator's state
    // A count with a tank given up (its men captured) draws nothing either.
    tank->mSurrendered = true;
    const uint32_t before = GetRandomState();
    EXPECT_GT(Count(B()).Part(kAllies, 2) + Count(B()).Part(kAxis, 2), 0);
    EXPECT_EQ(GetRandomState(), before);
    tank->mSurrendered = false;
    tank->mBailOutCountdown = 20; // the crew is getting out
    EXPECT_LT(tank->GetOccupationScore(fx, fy, nullptr), 10.0f);
    tank->mBailOutCountdown = -1;
    tank->mKnockedOut = true;
    EXPECT_EQ(tank->GetOccupationScore(fx, fy, nullptr), 0.0f);
}

// The break-out's lorry, marked to exit, driven over its exit edge brings
// out what was at stake for it; knocked out it brings nothing, though its
// stake still counts.
TEST_F(ShippedBattle, TheMarkedLorryOverItsExitEdgeBringsOutItsStake) {
    ASSERT_TRUE(Load("ausbruch"));
    Withdraw(kAllies, 20.0f, 20.0f);
    auto* lorry = static_cast<Vehicle*>(Named(0, 'A', 2, 0));
    ASSERT_NE(lorry, nullptr);
    ASSERT_TRUE(lorry->MarkedForExit());
    bool exited = true;
    const float stake = lorry->GetExitValue(&exited, true);
    EXPECT_GT(stake, 0.0f);
    EXPECT_EQ(lorry->GetExitValue(&exited, false), stake);
    EXPECT_FALSE(exited);
    const float w = B()->mMap->mWidthMetres;
    lorry->mX = w - 10.0f;
    lorry->mY = 400.0f;
    Order("move axis A 2 0 fast " + std::to_string(static_cast<int>(w) + 20) + " 400", -20.0f);
    for (int32_t t = 0; t < 3 && lorry->mOffMapState == 0; ++t)
        Turn();
    ASSERT_EQ(lorry->mOffMapState, 2);
    EXPECT_EQ(lorry->GetExitValue(&exited, false), stake);
    EXPECT_TRUE(exited);
    lorry->mKnockedOut = true;
    EXPECT_EQ(lorry->GetExitValue(&exited, false), 0.0f);
    EXPECT_EQ(lorry->GetExitValue(&exited, true), stake);
}

// A squad sent onto an empty flag takes it for its nation and its side's
// flag points rise by the flag's value; an enemy squad at the flag contests
// it; a force the viewer does not see holds nothing in the viewer's count.
TEST_F(ShippedBattle, ASquadSentOntoAnEmptyFlagTakesIt) {
    ASSERT_TRUE(Load("hecken"));
    VictoryFlag* flag = Flag(1); // the small flag north-east of the farm
    ASSERT_EQ(flag->mKind, 0);
    Withdraw(kAxis, 740.0f, 20.0f);
    Unit* squad = Named(1, 'B', 1, 1);
    ASSERT_NE(squad, nullptr);
    squad->mX = flag->mX - 70.0f;
    squad->mY = flag->mY;
    B()->ColorVictoryFlags(false, false);
    // Seventy metres short the squad already claims the ground.
    EXPECT_FALSE(flag->mNeutral);
    squad->mX = flag->mX - 400.0f;
    B()->ColorVictoryFlags(false, false);
    EXPECT_TRUE(flag->mNeutral); // nobody near
    // Taken from nobody by the nation its record kept: it changed hands.
    squad->mX = flag->mX - 70.0f;
    B()->ColorVictoryFlags(false, false);
    EXPECT_TRUE(B()->mFlagChanged && !flag->mNeutral);
    squad->mX = flag->mX - 400.0f;
    B()->ColorVictoryFlags(false, false);
    const Points before = Count(B());
    EXPECT_EQ(before.Part(kAllies, kFlagPart), 0);

    squad->mX = flag->mX - 60.0f;
    Order("move allies B 1 1 fast " + std::to_string(static_cast<int>(flag->mX)) + " " +
          std::to_string(static_cast<int>(flag->mY)));
    Turn();
    const Points after = Count(B());
    EXPECT_FALSE(flag->mNeutral);
    EXPECT_EQ(flag->mHolderNation, squad->GetNation());
    // The small flag's 100, and the large flag's 300 when the squad's way
    // passed close enough to the farm, left empty, to take it too.
    const int32_t large = !Flag(0)->mNeutral && Flag(0)->mHolderNation >= 2 ? 300 : 0;
    EXPECT_EQ(after.Part(kAllies, kFlagPart), before.Part(kAllies, kFlagPart) + 100 + large);
    EXPECT_GT(after.share[kAllies], before.share[kAllies]);

    // A German squad in good order at the flag: both above 30, neutral.
    Unit* enemy = Named(0, 'A', 1, 1);
    ASSERT_NE(enemy, nullptr);
    enemy->mX = flag->mX + 10.0f;
    enemy->mY = flag->mY;
    enemy->SetSuppression(0.0f, false);
    ASSERT_GT(enemy->GetOccupationScore(flag->mX, flag->mY, nullptr), 30.0f);
    B()->ColorVictoryFlags(false, false);
    EXPECT_TRUE(flag->mNeutral);
    EXPECT_TRUE(B()->mFlagChanged);
    EXPECT_LE(Count(B()).Part(kAllies, kFlagPart), after.Part(kAllies, kFlagPart) - 100);
}

TEST_F(ShippedBattle, AHiddenForceHoldsNothingInTheViewersCount) {
    ASSERT_TRUE(Load("hecken")); // seen from the Axis
    VictoryFlag* flag = Flag(1);
    Withdraw(kAxis, 740.0f, 20.0f);
    Withdraw(kAllies, 20.0f, 20.0f);
    Unit* squad = Named(1, 'B', 1, 1);
    squad->mX = flag->mX;
    squad->mY = flag->mY;
    ASSERT_EQ(squad->VisibleToPlayer(false), 0) << "the Americans start unseen";
    B()->ColorVictoryFlags(true, false);
    EXPECT_TRUE(flag->mNeutral);
    B()->ColorVictoryFlags(false, false);
    EXPECT_FALSE(flag->mNeutral); // the truth
    EXPECT_EQ(flag->mHolderNation, squad->GetNation());

    // A German straggler the viewer sees, at the edge of his reach: a weak
    // claim, dropped at first; with nothing else seen near the flag both
    // bytes are set, the sums counted again, and his claim holds it.
    squad->mX = 20.0f;
    Unit* straggler = Named(0, 'A', 1, 1);
    straggler->mCasualties = straggler->GetOriginalNrMen() - 1;
    straggler->mX = flag->mX;
    straggler->mY = flag->mY + 170.0f;
    straggler->SetSuppression(0.0f, false);
    ASSERT_NE(straggler->VisibleToPlayer(false), 0);
    bool clear[2] = {false, false};
    ASSERT_EQ(straggler->GetOccupationScore(flag->mX, flag->mY, clear), 0.0f);
    B()->ColorVictoryFlags(true, false);
    EXPECT_FALSE(flag->mNeutral);
    EXPECT_EQ(flag->mHolderNation, straggler->GetNation());
}

// Leaving the map in the break-out battle: a marked unit over its exit edge
// scores what it brings out and the enemy the rest of what was at stake;
// over another edge it scores nothing; an unmarked unit never counts; a
// saved game keeps the marks, the exits and the points.
TEST_F(ShippedBattle, MarkedUnitsLeavingByTheirExitEdgeScore) {
    ASSERT_TRUE(Load("ausbruch"));
    Battle* b = B();
    ASSERT_TRUE(b->mHasExitEdge[kAxis]);
    ASSERT_EQ(b->mExitEdge[kAxis], 2); // East
    Withdraw(kAllies, 20.0f, 20.0f);
    Unit* east = Named(0, 'A', 1, 1);
    Unit* west = Named(0, 'A', 1, 2);
    Unit* unmarked = Named(0, 'A', 1, 3);
    ASSERT_TRUE(east && west && unmarked);
    EXPECT_TRUE(east->MarkedForExit());
    west->mExitMark = true; // the description marks one squad and the lorry
    unmarked->mExitMark = false;
    const float w = b->mMap->mWidthMetres;
    east->mX = w - 6.0f;
    east->mY = 300.0f;
    west->mX = 6.0f;
    west->mY = 300.0f;
    unmarked->mX = w - 6.0f;
    unmarked->mY = 200.0f;
    Order("move axis A 1 1 fast " + std::to_string(static_cast<int>(w) + 20) + " 300\n" +
              "move axis A 1 3 fast " + std::to_string(static_cast<int>(w) + 20) + " 200\n" +
              "move axis A 1 2 fast 0 300",
          -20.0f);
    for (int32_t t = 0; t < 3 && (east->mOffMapState == 0 || west->mOffMapState == 0); ++t)
        Turn();
    ASSERT_NE(east->mOffMapState, 0);
    ASSERT_NE(west->mOffMapState, 0);
    EXPECT_EQ(east->mOffMapState, 2);
    EXPECT_TRUE(east->LeftByExitEdge());
    EXPECT_EQ(west->mOffMapState, 1); // the West is the Americans' edge
    EXPECT_FALSE(west->LeftByExitEdge());
    EXPECT_TRUE(unmarked->LeftByExitEdge());

    // The breakdown, unit by unit.
    float A = 0.0f, E = 0.0f;
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (u->GetAffiliation() != kAxis) continue;
        bool exited = false;
        const float stake = u->GetExitValue(&exited, true);
        if (u == unmarked) EXPECT_EQ(stake, 0.0f);
        if (u->MarkedForExit()) EXPECT_GT(stake, 0.0f);
        A += stake;
        if (exited) E += u->GetExitValue(&exited, false);
    }
    EXPECT_GT(E, 0.0f);
    bool exited = false;
    const uint32_t state = GetRandomState();
    EXPECT_EQ(E, east->GetExitValue(&exited, false)); // only the one over its exit edge
    EXPECT_EQ(GetRandomState(), state);
    const Points p = Count(b);
    EXPECT_EQ(p.Part(kAxis, kExitPart), static_cast<int32_t>(E - (A - E)));
    EXPECT_EQ(p.Part(kAllies, kExitPart), 0);

    // Saved and loaded, the game keeps all of it.
    FileTestFolder folder("flags_exit_");
    const std::string saved = folder.File("saved.mvg");
    std::string error;
    ASSERT_TRUE(mRunner.Save(saved, &error)) << error;
    BattleRunner again;
    again.PlanSides(false, false);
    ASSERT_TRUE(again.Resume(saved, &error)) << error;
    std::remove(saved.c_str());
    Battle* c = again.GetBattle();
    Points q;
    c->CountVPs(false, true, &q.share[kAxis], &q.share[kAllies], q.parts);
    for (int32_t j = 0; j < 10; ++j)
        EXPECT_EQ(q.parts[j], p.parts[j]) << j;
    int32_t marked = 0, out = 0;
    for (int32_t i = 0; i < c->mUnits->GetCount(); ++i) {
        Unit* u = c->mUnits->GetUnit(i);
        marked += u->MarkedForExit();
        out += u->LeftByExitEdge();
    }
    EXPECT_EQ(marked, 3); // the marked squad and the lorry, and the squad the test marked
    EXPECT_EQ(out, 2);
}

// A battle of variable length whose flags one side holds throughout ends on
// the last turn drawn on its first turn; in the game over TCP/IP only the
// machine that computes the turn may lengthen it.
TEST_F(ShippedBattle, HeldFlagsEndAVariableBattleOnItsDrawnTurn) {
    ASSERT_TRUE(Load("hecken"));
    Battle* b = B();
    b->mVariableLength = true;
    Withdraw(kAllies, 20.0f, 20.0f);
    const int32_t nominal = b->mNominalLastTurn;
    Turn();
    const int32_t drawn = b->mLastTurn;
    EXPECT_GE(drawn, nominal);
    EXPECT_LE(drawn, nominal + 5);
    for (int32_t k = 0; k < b->mFlags.GetCount(); ++k) {
        EXPECT_FALSE(Flag(k)->mNeutral) << k;
        EXPECT_LT(Flag(k)->mHolderNation, 2) << k;
    }
    int32_t played = 1;
    while (!mRunner.Over() && played < 40) {
        Turn();
        ++played;
        EXPECT_EQ(b->mLastTurn, drawn);
    }
    EXPECT_TRUE(mRunner.Over());
    EXPECT_EQ(played, drawn);
}

// The computer playing the breaking-out side brings marked units off over
// its exit edge. The Americans, planned by nobody, hold their crossroads and
// fire from where they stand: in some seeds the marked squad and lorry do not
// get through.
TEST(ScenarioExits, TheComputerBringsMarkedUnitsOffItsEdge) {
    ASSERT_TRUE(DecryptData());
    int32_t seedsWithExits = 0;
    for (uint16_t seed = 1; seed <= 10; ++seed) {
        BattleRunner runner;
        runner.PlanSides(true, false);
        runner.OverrideSeed(seed);
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/ausbruch.mvg", &error)) << error;
        Battle* b = runner.GetBattle();
        for (int32_t n = 0; !runner.Over() && n <= b->mLastTurn; ++n) {
            RunnerTurn turn;
            ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        }
        EXPECT_TRUE(runner.Over());
        int32_t out = 0;
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            if (u->MarkedForExit() && u->LeftByExitEdge()) ++out;
            EXPECT_FALSE(u->mActive && u->mOffMapState == 0 && !b->mMap->OnMap(u->mX, u->mY));
        }
        if (out > 0) ++seedsWithExits;
    }
    EXPECT_GE(seedsWithExits, 3);
}

// A squad at the flag keeps its claim by its suppression band: bands 0 to 2
// all, band 3 (from 60) 0.6, band 4 (from 100) 0.35, band 5 (from 350) on
// 0.1; each edge from both sides.
TEST_F(ShippedBattle, OccupationClaimKeepsEachSuppressionBandsShare) {
    ASSERT_TRUE(Load("hecken"));
    Unit* squad = Named(1, 'B', 1, 1);
    ASSERT_NE(squad, nullptr);
    const float fx = squad->mX, fy = squad->mY;
    squad->mSuppression = 0.0f;
    const float full = squad->GetOccupationScore(fx, fy, nullptr);
    ASSERT_GT(full, 0.0f);
    const struct {
        float suppression;
        float share;
    } cases[] = {{59.9f, 1.0f}, {60.0f, 0.6f}, {99.9f, 0.6f}, {100.0f, 0.35f},
                 {349.9f, 0.35f}, {350.0f, 0.1f}, {1500.0f, 0.1f}};
    for (const auto& c : cases) {
        squad->mSuppression = c.suppression;
        EXPECT_FLOAT_EQ(squad->GetOccupationScore(fx, fy, nullptr), full * c.share) << "suppression " << c.suppression;
    }
}

// A weak claim (below 5) counts only when its own side's byte of the pair
// is set: the Axis reads the first byte, the Allies the second.
TEST_F(ShippedBattle, AWeakClaimReadsItsOwnSidesPairByte) {
    ASSERT_TRUE(Load("hecken"));
    Unit* squads[2] = {Named(1, 'B', 1, 1), nullptr};
    ASSERT_NE(squads[0], nullptr);
    for (int32_t i = 0; i < B()->mUnits->GetCount() && !squads[1]; ++i) {
        Unit* u = B()->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->GetAffiliation() != squads[0]->GetAffiliation() &&
            !u->IsSupportWeapon(false) && u->GetOriginalNrMen() > 1)
            squads[1] = u;
    }
    ASSERT_NE(squads[1], nullptr);
    for (Unit* squad : squads) {
        SCOPED_TRACE(squad->GetAffiliation() == kAxis ? "Axis" : "Allies");
        squad->mSuppression = 0.0f;
        squad->mCasualties = squad->GetOriginalNrMen() - 1; // one man, 150 m out: a claim of 3
        const float x = squad->mX, y = squad->mY + 150.0f;
        const bool axis = squad->GetAffiliation() == kAxis;
        bool own[2] = {axis, !axis}, other[2] = {!axis, axis};
        EXPECT_FLOAT_EQ(squad->GetOccupationScore(x, y, own), 3.0f);
        EXPECT_EQ(squad->GetOccupationScore(x, y, other), 0.0f);
        squad->mCasualties = 0;
    }
}
