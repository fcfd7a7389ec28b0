// A turn depends on the battle, the seed and the settings, never on the
// program that computes it: each demo scenario's first turn computed by the
// real application (one player, fog 3, its default set-up and bonus) gives the
// action packets and the battle the headless runner gives from the same
// seeds.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "engine/GPopup.h"
#include "play_through_driver.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"

namespace {

struct TurnDigests {
    std::string packets;
    std::string battle;
};

// The runner's first turn without an order script; the scenario's seed.
TurnDigests RunnerFirstTurn(const std::string& name, uint16_t* seed) {
    TurnDigests digests;
    EXPECT_TRUE(DecryptData());
    BattleRunner runner;
    std::string error;
    EXPECT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
    *seed = runner.Seed();
    RunnerTurn turn;
    EXPECT_TRUE(runner.RunTurn(&turn, &error)) << error;
    digests.packets = turn.packetDigest;
    digests.battle = turn.battleDigest;
    return digests;
}

// The same turn in the program: the scenario opened as the scenario list
// opens it, side 0 for one player with fog 3 and the sides screen's set-up
// and bonus left as a program without preferences has them, the generator seeded as the runner seeds it before each
// GO.
TurnDigests ProgramFirstTurn(const std::string& name, uint16_t seed) {
    TurnDigests digests;
    PlayDriver d("first-turn-" + name, 800, 600);
    if (!d.Start()) return digests;
    MVApplication* app = d.App();
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 60000, "the title giving way")) return digests;
    auto* file = new GFile;
    if (!file->IFile((d.Folder() + "/Szenarien/" + name + ".mvg").c_str(), kFileModeCompressedRead)) {
        delete file;
        ADD_FAILURE() << "no demo scenario " << name;
        return digests;
    }
    app->HighLevelLoadGame(file);
    if (!gBattle) return digests;
    if (!OpenBattleScreen(d, 0, [](MVApplication* app) {
            EXPECT_NE(Alive(app->mFogPopup), nullptr);
            if (Alive(app->mFogPopup)) static_cast<GPopup*>(app->mFogPopup)->Choose(0); // fog 3
            if (Alive(app->mHandicapPopup))
                static_cast<GPopup*>(app->mHandicapPopup)->Choose(6); // no handicap
        })) {
        ADD_FAILURE() << name << ": the battle screen was not built";
        return digests;
    }
    EXPECT_EQ(app->FogOfWarLevel(), 3);
    EXPECT_EQ(app->ComputerSetupOption(), 0); // the runner's defaults
    EXPECT_EQ(gBattle->mComputerBonus, 0);
    if (gBattle->mSetupPhase) {
        SeedRandomGenerator(RunnerTurnSeed(seed, 0));
        app->DoCommand(9);
        if (!d.RunUntil([&] { return gBattle && !gBattle->mSetupPhase && app->mState == kStateNone; }, 60000,
                        "the end of the set-up"))
            return digests;
    }
    const int32_t turn = gBattle->mTurn;
    SeedRandomGenerator(RunnerTurnSeed(seed, turn));
    app->DoCommand(9);
    if (!d.RunUntil([&] { return app->InteractionState() == kStatePlayback; }, 120000, "the replay"))
        return digests;
    digests.packets = PacketBlockDigest(gBattle);
    app->DoCommand(10); // next turn: the rest of the replay applied
    if (!d.RunUntil([&] { return gBattle && gBattle->mTurn > turn && app->mState == kStateNone; }, 60000,
                    "the next turn's orders"))
        return digests;
    digests.battle = BattleDigest(gBattle);
    return digests;
}

TEST(FirstTurnInTheProgram, GivesTheRunnersDigestsForEveryDemoScenario) {
    for (const char* name : {"hecken", "bruecke", "panzer", "grossangriff"}) {
        uint16_t seed = 0;
        const TurnDigests runner = RunnerFirstTurn(name, &seed);
        const TurnDigests program = ProgramFirstTurn(name, seed);
        EXPECT_EQ(program.packets, runner.packets) << name;
        EXPECT_EQ(program.battle, runner.battle) << name;
    }
}

} // namespace
