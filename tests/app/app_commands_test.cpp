// The interaction state, the texture budget, the routing of commands that
// need no screen, and the commands around surrender and cease-fire.

#include <gtest/gtest.h>

#include "app_fixture.h"

namespace {

struct CurrentTestBattle {
    std::unique_ptr<Battle> battle = MakeTestBattle("Befehle");
    CurrentTestBattle() { gBattle = battle.get(); }
    ~CurrentTestBattle() {
        if (gBattle == battle.get()) gBattle = nullptr;
    }
};

// The application writes its preferences when it goes: into a folder of
// the test's own.
class AppState : public testing::Test {
protected:
    ProgramFolder mFolder;
};
using AppCommands = AppState;

} // namespace

TEST_F(AppState, PlaybackNeedsABattle) {
    MVApplication app;
    app.SetState(kStatePlayback);
    EXPECT_EQ(app.mState, kStateNone);
    CurrentTestBattle current;
    app.SetState(kStatePlayback);
    EXPECT_EQ(app.mState, kStatePlayback);
    app.BreakMouse();
    EXPECT_EQ(app.mState, kStatePlayback);
    app.SetState(kStateMoveOrder);
    app.BreakMouse();
    EXPECT_EQ(app.mState, kStateNone);
}

TEST_F(AppState, TextureBudgetFollowsTheVideoMemory) {
    MVApplication app;
    struct Case {
        int32_t kb;
        bool agp;
        int32_t downsample, trees;
    } cases[] = {{9000, false, 2, 1}, {100, true, 2, 1},   {23301, false, 0, 0}, {23300, false, 1, 0},
                 {2300, false, 5, 2}, {2301, false, 4, 2}, {13101, false, 1, 0}, {4901, false, 3, 1}};
    for (const Case& c : cases) {
        app.RespondToVRAM(c.kb, c.agp);
        EXPECT_EQ(app.mTextureDownsample, c.downsample) << c.kb;
        EXPECT_EQ(app.mTreeTextureLevel, c.trees) << c.kb;
    }
}

TEST_F(AppCommands, CommandsWithoutTheirObjectDoNothing) {
    MVApplication app;
    app.DoCommand(64); // a battle command without a battle
    app.DoCommand(65); // an editor command without an editor
    app.DoCommand(70);
    app.DoCommand(101);
    app.DoCommand(104);
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_EQ(app.mState, kStateNone);
}

TEST_F(AppCommands, SurrenderAndCeaseFireAnswers) {
    MVApplication app;
    CurrentTestBattle current;
    Battle* battle = current.battle.get();
    app.mSide = 1;
    app.mPlayers = 2;
    app.mConnectionType = 0;

    battle->mSurrenderState[1] = 2;
    battle->mGlobalMorale[1] = 0.2f;
    app.DoCommand(105);
    EXPECT_EQ(battle->mSurrenderState[1], 1);
    battle->mSurrenderState[1] = 2;
    battle->mGlobalMorale[1] = 0.5f;
    app.DoCommand(105);
    EXPECT_EQ(battle->mSurrenderState[1], 0);

    app.DoCommand(107);
    EXPECT_EQ(battle->mSurrenderState[1], 1);
    EXPECT_FALSE(battle->Over());
    battle->mSurrenderState[0] = 1;
    app.DoCommand(107); // both sides agree at one machine: the battle ends
    EXPECT_TRUE(battle->Over());

    app.DoCommand(108);
    EXPECT_EQ(battle->mSurrenderState[1], 0);
}

TEST_F(AppCommands, SidesChooseThePlayerAndOnePlayerGoesStraightOn) {
    MVApplication app;
    CurrentTestBattle current;
    app.mPlayers = 1;
    app.DoCommand(110);
    EXPECT_EQ(app.mSide, 1);
    EXPECT_EQ(app.mConnectionType, 0);
    EXPECT_EQ(app.mPlayers, 1);
}

TEST_F(AppCommands, PlayersAreReadFromTheLoadedGameWithoutTheScreen) {
    // A saved e-mail game never shows the players screen: its choice comes
    // from what was loaded, not from a group that does not exist.
    MVApplication app;
    CurrentTestBattle current;
    current.battle->mSetupPhase = false;
    app.mPlayers = 2;
    app.mConnectionType = 1;
    app.mLoadedConnectionType = 2;
    EXPECT_TRUE(app.GetPlayersAndConnectionType());
    EXPECT_EQ(app.mPlayers, 2);
    EXPECT_EQ(app.mConnectionType, 1);
    EXPECT_STREQ(app.mLastSaveName.GetCString(), "PBEM");
    EXPECT_TRUE(app.mSidesSwapped);

    app.mConnectionType = 0;
    EXPECT_TRUE(app.GetPlayersAndConnectionType());
    EXPECT_EQ(app.mConnectionType, 0);
    EXPECT_FALSE(app.mSidesSwapped); // hotseat after set-up
}

TEST_F(AppCommands, TheRandomSeedStaysInARunningNetworkGame) {
    MVApplication app;
    CurrentTestBattle current;
    app.mPlayers = 1;
    app.GetPlayersAndConnectionType();
    current.battle->mSetupPhase = false;
    app.mPlayers = 2;
    app.mConnectionType = 2;
    app.mRandomSeed = 1234;
    app.GetPlayersAndConnectionType();
    EXPECT_EQ(app.mRandomSeed, 1234);
}

TEST_F(AppCommands, PalmTreesInTheirTheatres) {
    MVApplication app;
    CurrentTestBattle current;
    current.battle->mTheatre = 3;
    EXPECT_TRUE(app.UsePalmTrees());
    current.battle->mTheatre = 1;
    EXPECT_FALSE(app.UsePalmTrees());
}

TEST_F(AppState, TheBattleReadsItsSettingsFromThePreferences) {
    MVApplication app;
    app.LoadPrefs();
    app.mPrefs[kPrefFogOfWar] = 1;
    app.mPrefs[kPrefUnitScale] = 3;
    app.mPrefs[kPrefFlags] = 0;
    app.mPrefs[kPrefZoom] = 8;
    app.mState = kStatePlayback;
    BattleHost* host = &app;
    EXPECT_EQ(host->FogOfWarLevel(), 1);
    DrawSettings* settings = host->GetDrawSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->mUnitScale, 3);
    EXPECT_FALSE(settings->mShowVictoryFlags);
    EXPECT_EQ(settings->mZoom, 8);
    EXPECT_EQ(settings->mState, kStatePlayback);
    app.mPrefs[kPrefCameraAngle] = -40;
    gDrawHooks.resetCameraPrefs();
    EXPECT_EQ(app.mPrefs[kPrefCameraAngle], 0);
}
