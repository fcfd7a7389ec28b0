// Two full turns of an e-mail game through the "PBEM" folder: each player
// opens the other's file (the sides turn over, the file's check value seeds
// what both machines must draw alike, a computed turn plays back on
// opening), gives GO and writes the next file.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Hack.h"

namespace {

class MailApp : public TestApp {};

struct Opened {
    Affiliation side = 2;
    bool second = false;
    uint32_t crc = 0;
    int32_t turn = 0;
    int32_t packets = 0;
    bool setup = false;
    bool mustGiveOrders = false;
};

// The receiving player opens the file as command 74 does after its chooser,
// then the game goes on through commands 102 and 118 (the password): a
// computed turn plays back first, else the player gives orders at once.
Opened OpenMail(const ProgramFolder& folder, MailApp* app) {
    Opened o;
    GFile file;
    EXPECT_TRUE(file.IFile(folder.Path("PBEM/PBEM.txt").c_str(), kFileModeMailRead));
    app->mConnectionType = 1;
    app->mPlayers = 2;
    EXPECT_TRUE(app->LoadGame(&file, nullptr));
    app->mTruceWhenLoaded = gBattle && gBattle->mSurrenderState[0] == 1 && gBattle->mSurrenderState[1] == 1;
    if (!gBattle) return o;
    o.side = app->mSide;
    o.second = app->mSidesSwapped;
    o.crc = app->mMailFileCRC;
    o.turn = gBattle->mTurn;
    o.packets = gBattle->mPackets.GetCount();
    o.setup = gBattle->mSetupPhase;
    o.mustGiveOrders = gBattle->mMustGiveOrders[o.side == 1 ? 1 : 0];
    app->DoCommand(102);
    app->DoCommand(118);
    return o;
}

// The player whose turn it is ends it: the replay (if any) runs out, GO
// unless that already handed the turn over, and the hand-over writes the
// file for the other player.
void EndTurnAndMail(MailApp* app) {
    ASSERT_NE(gBattle, nullptr);
    app->mShowPBEMBox = false;
    if (app->mState == kStatePlayback) app->DoCommand(10);
    if (!app->mShowPBEMBox) app->DoCommand(9);
    ASSERT_TRUE(app->mShowPBEMBox) << "the turn was not handed over";
    ASSERT_NE(gBattle, nullptr);
    app->mSaveForMail = true;
    app->mLastSaveName.IStringText("PBEM");
    app->DoCommand(91);
    EXPECT_EQ(gBattle, nullptr);
}

} // namespace

TEST(TwoPlayersMail, TwoFullTurnsTravelThroughThePbemFolder) {
    ASSERT_TRUE(DecryptData());
    ProgramFolder folder;
    int32_t startTurn = 0;
    {
        // The first player starts the battle from the scenario and ends the set-up.
        MailApp first;
        GFile file;
        const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg";
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
        GameFileState state;
        GameFileContents contents;
        ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &first}),
                  kGameFileLoaded);
        delete contents.campaign;
        gBattle = contents.battle;
        first.mPlayers = 2;
        first.mConnectionType = 1;
        first.mSide = 0;
        first.mRandomSeed = state.randomSeed;
        startTurn = gBattle->mTurn;
        gBattle->BeginBattle(true, true);
        EndTurnAndMail(&first);
    }
    Affiliation side = 0;
    uint32_t lastCRC = 0;
    int replays = 0;
    int32_t turn = startTurn;
    for (int hand = 0; hand < 12 && turn < startTurn + 3; ++hand) {
        // Each player's program loads the game data (the last one freed it).
        ASSERT_TRUE(DecryptData());
        MailApp app;
        Opened o = OpenMail(folder, &app);
        ASSERT_NE(gBattle, nullptr) << "hand-over " << hand;
        EXPECT_EQ(o.side, 1 - side) << "hand-over " << hand;
        EXPECT_NE(o.crc, 0u);
        EXPECT_NE(o.crc, lastCRC) << "hand-over " << hand;
        EXPECT_EQ(app.mConnectionType, 1);
        EXPECT_EQ(app.mPlayers, 2);
        EXPECT_FALSE(o.setup) << "the set-up ended with the first GO";
        EXPECT_EQ(o.mustGiveOrders, o.packets == 0) << "hand-over " << hand;
        if (o.packets > 0) {
            // A computed turn plays back on opening.
            EXPECT_EQ(app.mState, kStatePlayback);
            ++replays;
        }
        side = o.side;
        lastCRC = o.crc;
        turn = o.turn;
        EndTurnAndMail(&app);
    }
    EXPECT_GE(turn, startTurn + 2);
    EXPECT_GE(replays, 2);
}
