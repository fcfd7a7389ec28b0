// Whole battles played by the computer on both sides through the headless
// runner: the smallest shipped scenario reaches its ending, every unit on
// the map, and two runs from one seed agree turn by turn.

#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/battle_fixtures.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

// HAVAL-256 of the computer's saved groups.
std::string AIBlockDigest(Battle* battle) {
    GFile file;
    if (!file.ITempFile(false)) return std::string();
    battle->WriteAIData(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return HavalHex(HavalHash256(bytes.data(), bytes.size()));
}

int32_t UnitsOffTheMap(Battle* battle) {
    int32_t n = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mActive && u->mOffMapState == 0 && !battle->mMap->OnMap(u->mX, u->mY)) ++n;
    }
    return n;
}

struct Played {
    std::vector<std::string> turns; // packets and groups of each turn
    bool ended = false;
};

Played PlayBothSides(const char* name) {
    Played played;
    BattleRunner runner;
    runner.PlanSides(true, true);
    std::string error;
    EXPECT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
    Battle* battle = runner.GetBattle();
    if (!battle) return played;
    EXPECT_NE(battle->mAIGroups[0], nullptr);
    EXPECT_NE(battle->mAIGroups[1], nullptr);
    EXPECT_EQ(UnitsOffTheMap(battle), 0);
    const int32_t last = battle->mLastTurn;
    for (int32_t turns = 0; !runner.Over() && turns <= last; ++turns) {
        RunnerTurn turn;
        if (!runner.RunTurn(&turn, &error)) {
            ADD_FAILURE() << error;
            break;
        }
        played.turns.push_back(turn.packetDigest + " " + AIBlockDigest(battle));
        EXPECT_EQ(UnitsOffTheMap(battle), 0) << "turn " << turn.turn;
    }
    played.ended = runner.Over();
    return played;
}

} // namespace

TEST(ScenarioComputerPlay, BothSidesPlannedPlayToTheEndAlikeTwice) {
    ASSERT_TRUE(DecryptData());
    const Played first = PlayBothSides("hecken");
    const Played second = PlayBothSides("hecken");
    EXPECT_TRUE(first.ended);
    EXPECT_FALSE(first.turns.empty());
    EXPECT_EQ(first.turns, second.turns);
}

TEST(ScenarioComputerPlay, AnUnplannedSideKeepsItsScenarioSetup) {
    ASSERT_TRUE(DecryptData());
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg";
    std::vector<float> kept, planned;
    for (bool planAxis : {false, true}) {
        BattleRunner runner;
        runner.PlanSides(planAxis, false);
        std::string error;
        ASSERT_TRUE(runner.Load(path, &error)) << error;
        Battle* battle = runner.GetBattle();
        EXPECT_EQ(battle->mAIGroups[1] ? battle->mAIGroups[1]->GetCount() : 0, 0);
        std::vector<float>& places = planAxis ? planned : kept;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            places.push_back(u->GetAffiliation() == kAllies ? u->mX : -1.0f);
            places.push_back(u->GetAffiliation() == kAllies ? u->mY : -1.0f);
        }
    }
    EXPECT_EQ(kept, planned); // planning the Axis leaves the Allies where they stood
}

namespace {

// Continues a saved game with both sides planned to its ending.
std::vector<std::string> ResumeBothSides(const std::string& path) {
    std::vector<std::string> turns;
    BattleRunner runner;
    runner.PlanSides(true, true);
    std::string error;
    EXPECT_TRUE(runner.Resume(path, &error)) << error;
    Battle* battle = runner.GetBattle();
    if (!battle) return turns;
    EXPECT_NE(battle->mAIGroups[0], nullptr);
    EXPECT_NE(battle->mAIGroups[1], nullptr);
    for (int32_t n = 0; !runner.Over() && n <= battle->mLastTurn; ++n) {
        RunnerTurn turn;
        if (!runner.RunTurn(&turn, &error)) {
            ADD_FAILURE() << error;
            break;
        }
        turns.push_back(turn.packetDigest + " " + AIBlockDigest(battle));
    }
    EXPECT_TRUE(runner.Over());
    return turns;
}

} // namespace

TEST(ScenarioComputerPlay, ASavedGameContinuesAlikeEachTimeItIsLoaded) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder("computer_play_");
    const std::string saved = folder.File("turn3.mvg");
    {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg", &error)) << error;
        while (runner.GetBattle()->mTurn < 3) {
            RunnerTurn turn;
            ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        }
        ASSERT_TRUE(runner.Save(saved, &error)) << error;
    }
    const std::vector<std::string> first = ResumeBothSides(saved);
    const std::vector<std::string> second = ResumeBothSides(saved);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    std::remove(saved.c_str());
    // A scenario is no saved game to continue.
    BattleRunner runner;
    std::string error;
    EXPECT_FALSE(runner.Resume(std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg", &error));
}

namespace {
// Armour-piercing, tungsten and hollow-charge rounds: only a main gun fires
// them, and at armour.
int32_t AntiTankRounds(Unit* u) {
    return u->mAmmo[kAmmoAP] + u->mAmmo[kAmmoTungsten] + u->mAmmo[kAmmoHEAT] + u->mAmmo[kAmmoAP75];
}
} // namespace

// The German tanks of panzer follow their script's moves and are never given
// a target: they choose their targets themselves and fire their main guns at
// the American tanks, and a knocked-out gun is never given the target. At
// seed 1 the two sides meet in several turns (at some seeds the Americans
// stay out of sight the whole battle).
TEST(ScenarioComputerPlay, TanksWithoutTargetOrdersFireTheirMainGuns) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.OverrideSeed(1);
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/panzer.mvg", &error)) << error;
    ASSERT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/panzer.orders", &error)) << error;
    Battle* battle = runner.GetBattle();
    std::vector<int32_t> start;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        start.push_back(AntiTankRounds(battle->mUnits->GetUnit(i)));
    int32_t spent = 0, gunsOutAssigned = 0;
    for (int32_t n = 0; !runner.Over() && n <= battle->mLastTurn && spent == 0; ++n) {
        RunnerTurn turn;
        ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            auto* v = u->mUnitType == kUnitVehicle ? static_cast<Vehicle*>(u) : nullptr;
            if (!v || u->GetAffiliation() != kAxis) continue;
            EXPECT_EQ(u->mOrderedTarget, nullptr);
            if (v->mMainGunOut && v->mUseMainGun) ++gunsOutAssigned;
            if (static_cast<size_t>(i) < start.size())
                spent += start[static_cast<size_t>(i)] - AntiTankRounds(u);
        }
    }
    EXPECT_GT(spent, 0);
    EXPECT_EQ(gunsOutAssigned, 0);
}

namespace {
// An inert object last in the unit list: after each slice's conduct it notes
// how many slices each vehicle's fear reactions lie apart. A reaction shows
// as the fear clock rising; a clock moved otherwise (a hit, a retreat, a
// vehicle off the map) leaves that interval unmeasured.
class FearWatch : public StandInUnit {
public:
    FearWatch() : StandInUnit(kUnitInanimate) { mSubtype = -1; }
    void PrepareForAction() override {
        for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
            Unit* u = gBattle->mUnits->GetUnit(i);
            if (u->mUnitType == kUnitVehicle && !mTracks.count(u))
                mTracks[u] = {u->mFearClock, 0, gBattle->mTurn == 1};
        }
    }
    void MasterControl() override {
        for (auto& [u, t] : mTracks) {
            const int32_t step = u->mFearClock - t.clock;
            t.clock = u->mFearClock;
            ++t.since;
            if (step > 0) {
                if (!t.moved) (t.first ? mFirstGaps : mGaps).push_back(t.since);
                t = {t.clock, 0, false, t.clock > 239};
            } else if (step != -1) {
                t.moved = true;
            }
        }
    }
    struct Track {
        int32_t clock, since;
        bool first, moved = false;
    };
    std::map<Unit*, Track> mTracks;
    std::vector<int32_t> mGaps, mFirstGaps;
};
} // namespace

// On panzer, each vehicle's fear reactions come 120..279 slices into the first
// turn and 80..239 slices apart after, across turns.
TEST(ScenarioComputerPlay, VehicleFearReactionsKeepTheirClock) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/panzer.mvg", &error)) << error;
    ASSERT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/panzer.orders", &error)) << error;
    auto* watch = new FearWatch;
    runner.GetBattle()->mUnits->Add(watch);
    for (int32_t n = 0; n < 3 && !runner.Over(); ++n) {
        RunnerTurn turn;
        ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
    }
    const auto within = [](const std::vector<int32_t>& gaps, int32_t lo, int32_t hi) {
        return std::all_of(gaps.begin(), gaps.end(), [&](int32_t g) { return g >= lo && g <= hi; });
    };
    EXPECT_GE(watch->mFirstGaps.size(), 10u);
    EXPECT_GE(watch->mGaps.size(), 30u);
    EXPECT_TRUE(within(watch->mFirstGaps, 120, 279)) << ::testing::PrintToString(watch->mFirstGaps);
    EXPECT_TRUE(within(watch->mGaps, 80, 239)) << ::testing::PrintToString(watch->mGaps);
}
