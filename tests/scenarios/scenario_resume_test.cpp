// A battle saved between turns with the game's own saving and continued in a
// fresh battle must go on as the battle that was never saved: same file
// bytes at the save, same digests for the turns after it. The older test of
// continuing a saved game compares one load with another, which cannot see
// state that every load loses alike.

#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

namespace {

constexpr const char* kScenarios[] = {"hecken", "bruecke", "panzer", "grossangriff"};
constexpr int32_t kTurnsAfter = 2;

std::vector<uint8_t> Written(Battle* battle, bool aiBlock) {
    GFile file;
    if (!file.ITempFile(false)) return {};
    if (aiBlock) {
        battle->WriteAIData(&file);
    } else {
        battle->Write(&file);
    }
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// One run of a scenario (Allies planned by GO, as in a one-player game):
// the battle's bytes at turn `at` and the digests of the turns after it.
struct Played {
    std::vector<uint8_t> battle, ai;
    std::vector<std::string> after; // packets and battle
    std::vector<float> attitudes;   // each vehicle's hull pitch and roll at `at`
};

enum class Way { kUnsaved, kSavedHere, kResumed };

Played Play(const std::string& scenario, const std::string& saved, int32_t at, Way way, bool planned = true) {
    Played run;
    BattleRunner runner;
    if (!planned) runner.PlanSides(false, false);
    std::string error;
    if (way == Way::kResumed) {
        EXPECT_TRUE(runner.Resume(saved, &error)) << error;
    } else {
        EXPECT_TRUE(runner.Load(scenario, &error)) << error;
        for (int32_t i = 0; i < at; ++i) {
            RunnerTurn turn;
            EXPECT_TRUE(runner.RunTurn(&turn, &error)) << error;
        }
        if (way == Way::kSavedHere) {
            EXPECT_TRUE(runner.Save(saved, &error)) << error;
        }
    }
    if (!runner.GetBattle()) return run;
    run.battle = Written(runner.GetBattle(), false);
    run.ai = Written(runner.GetBattle(), true);
    const UnitList* units = runner.GetBattle()->mUnits;
    for (int32_t i = 0; units && i < units->GetCount(); ++i)
        if (const auto* v = dynamic_cast<const Vehicle*>(units->GetUnit(i)))
            run.attitudes.insert(run.attitudes.end(), {v->mHullPitch, v->mHullRoll});
    for (int32_t k = 0; k < kTurnsAfter && !runner.Over(); ++k) {
        RunnerTurn turn;
        if (!runner.RunTurn(&turn, &error)) break;
        run.after.push_back(turn.packetDigest + " " + turn.battleDigest);
    }
    return run;
}

} // namespace

// One demo scenario and turn of the save a test, so that the long ones
// share out over the test shards.
class SavedBattle : public ::testing::TestWithParam<std::tuple<const char*, int32_t>> {
protected:
    int32_t At() const { return std::get<1>(GetParam()); }
    std::string Scenario() const { return std::string(DM_SCENARIO_BUILT_DIR) + "/" + std::get<0>(GetParam()) + ".mvg"; }
};

// The game as one player plays it (GO plans the Allies). Saving changes
// nothing of the battle saved, and the game read back writes the same battle
// and the same computer's groups (its objective graph, drawn once when it is
// built, is kept); continued, it gives the unsaved game's turns, packets
// included (the replay of the first turn after a load opens with each
// squad's pace as the unsaved game has it).
TEST_P(SavedBattle, SavingChangesNothingAndTheContinuedGameGivesTheSameTurns) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder("resume_");
    const std::string saved = folder.File("saved.mvg");
    const Played unsaved = Play(Scenario(), saved, At(), Way::kUnsaved);
    const Played savedHere = Play(Scenario(), saved, At(), Way::kSavedHere);
    const Played resumed = Play(Scenario(), saved, At(), Way::kResumed);
    EXPECT_EQ(unsaved.after.size(), static_cast<size_t>(kTurnsAfter));
    EXPECT_EQ(savedHere.battle, unsaved.battle);
    EXPECT_EQ(savedHere.after, unsaved.after);
    EXPECT_EQ(resumed.battle, unsaved.battle);
    EXPECT_EQ(resumed.ai, unsaved.ai);
    EXPECT_EQ(resumed.after, unsaved.after);
    std::remove(saved.c_str());
}

// With no side planned by the computer, the units alone carry the battle
// from one turn to the next: what their records keep at a lower precision
// (headings, turret bearings, fatigue) and what they do not keep at all
// (poses, machine-gun waits) is settled between turns as a load gives it,
// and the computer's objective graph (built at the set-up even with no side
// planned) is saved with its groups. The turns' packets are the same too.
TEST_P(SavedBattle, UnitsGoOnAfterALoadAsWithoutIt) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder("resume_");
    const std::string saved = folder.File("saved.mvg");
    const Played unsaved = Play(Scenario(), saved, At(), Way::kUnsaved, false);
    Play(Scenario(), saved, At(), Way::kSavedHere, false);
    const Played resumed = Play(Scenario(), saved, At(), Way::kResumed, false);
    EXPECT_EQ(unsaved.after.size(), static_cast<size_t>(kTurnsAfter));
    EXPECT_EQ(resumed.after, unsaved.after);
    std::remove(saved.c_str());
}

// The record keeps no hull attitude, yet the computer's planning reads it (a
// plate's slope against a shot): between turns it is the one the settled
// heading gives where the vehicle stands, and a load rebuilds that.
TEST(SavedBattleAttitude, AVehiclesHullLiesAsItDidWhenSaved) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder("resume_");
    const std::string saved = folder.File("saved.mvg");
    const std::string scenario = std::string(DM_SCENARIO_BUILT_DIR) + "/bruecke.mvg";
    const Played unsaved = Play(scenario, saved, 2, Way::kSavedHere);
    const Played resumed = Play(scenario, saved, 2, Way::kResumed);
    ASSERT_FALSE(unsaved.attitudes.empty());
    EXPECT_EQ(resumed.attitudes, unsaved.attitudes);
    std::remove(saved.c_str());
}

INSTANTIATE_TEST_SUITE_P(DemoScenarios, SavedBattle,
                         ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_saved_at_turn_" +
                                    std::to_string(std::get<1>(info.param));
                         });
