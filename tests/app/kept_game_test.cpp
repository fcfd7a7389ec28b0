// Nothing of a player's game is lost to a file: an operation file the list
// refuses leaves the running operation game as it was and names the file in
// its box; an infantry unit's pace comes back from a save and load as it
// went in, and a turn file sent on keeps it.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "../fuzz/FuzzBattles.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "engine/GTextView.h"
#include "units/Hack.h"
#include "units/Infantry.h"

#include "ScenarioPaths.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string DataFile(const std::string& name) {
    return std::string(DM_APP_TEST_DATA_DIR) + "/" + name;
}

Bytes Written(const std::function<void(GFile*)>& write) {
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    write(&file);
    file.Rewind();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// What a loaded game is to the player: the battle, the operation, and the
// program values a load sets.
struct GameState {
    Battle* battle;
    Campaign* campaign;
    Bytes battleBytes, operationBytes;
    int32_t players, side, kind;
    uint16_t seed;
    std::string passwords[2], name;
    uint32_t generator;
    explicit GameState(const MVApplication& a)
        : battle(gBattle), campaign(gCampaign),
          battleBytes(gBattle ? Written([](GFile* f) { gBattle->Write(f); }) : Bytes()),
          operationBytes(gCampaign ? Written([](GFile* f) { gCampaign->Write(f); }) : Bytes()),
          players(a.mPlayers), side(a.mSide), kind(a.mScenarioKind),
          seed(a.mRandomSeed), passwords{a.mPasswordHash[0].GetCString(), a.mPasswordHash[1].GetCString()},
          name(a.mScenarioFileName.GetCString()), generator(GetRandomState()) {}
    bool operator==(const GameState&) const = default;
};

bool BoxSays(GView* view, const std::string& text) {
    if (!view) return false;
    if (auto* line = dynamic_cast<GTextView*>(view); line && text == line->GetText()->GetCString())
        return true;
    for (int32_t i = 0; i < view->GetSubviewCount(); ++i)
        if (BoxSays(view->GetSubview(i), text)) return true;
    return false;
}

// Opens a file of the list as command 72 does and loads it over whatever runs.
bool ListLoad(MVApplication* app, const std::string& path) {
    GFile file;
    if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return false;
    app->mListLoad = true;
    const bool loaded = app->LoadGame(&file, nullptr);
    app->mListLoad = false;
    return loaded;
}

} // namespace

// Each file is the demo operation with one field of its record changed: a
// front line at the attacker's end, where the strip holds none of the
// defender's units; a day offset and a front line no step can use. Each is
// refused with the damaged-file box naming it, over a running operation
// game that stays as it was.
TEST(KeptGame, RefusedOperationFilesLeaveTheRunningOperationAsItWas) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    ASSERT_TRUE(ListLoad(app, std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh"));
    ASSERT_NE(gCampaign, nullptr);
    ASSERT_NE(gBattle, nullptr);
    app->mPasswordHash[0].IStringText("geheim");
    const GameState running(*app);
    for (const char* name :
         {"operation-frontline-0", "operation-dayoffset-intmax", "operation-frontline-intmin"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ListLoad(app, DataFile(std::string(name) + ".mvh")));
        EXPECT_TRUE(GameState(*app) == running);
        EXPECT_TRUE(BoxSays(app->mPendingModal, name));
        // Closed before the next: a box never replaces another.
        delete app->mPendingModal;
        app->mPendingModal = nullptr;
    }
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
}

// A squad at the standing pace whose read record would walk at another:
// saved and loaded by the program, it stands again, and the second save is
// the first one byte for byte.
TEST(KeptGame, APaceSurvivesSaveAndLoad) {
    ASSERT_TRUE(DecryptData());
    ProgramFolder folder;
    MVApplication app;
    auto pace = [] { return static_cast<Infantry*>(gBattle->mUnits->GetUnit(38))->mMoveSpeed; };
    auto load = [&](const std::string& path) {
        GFile in;
        return in.IFile(path.c_str(), kFileModeCompressedRead) && app.LoadGame(&in, nullptr);
    };
    auto save = [&](const std::string& name) {
        GFile out;
        EXPECT_TRUE(out.IFile(folder.Path(name).c_str(), kFileModeCompressedWrite));
        app.SaveGame(&out);
        EXPECT_TRUE(out.Commit());
        return folder.Read(name);
    };
    ASSERT_TRUE(load(DataFile("extras-pace1-not-kept.mvg")));
    ASSERT_EQ(pace(), 1);
    const Bytes first = save("Savegames/erst.mvg");
    ASSERT_TRUE(load(folder.Path("Savegames/erst.mvg")));
    EXPECT_EQ(pace(), 1);
    EXPECT_TRUE(save("Savegames/zweit.mvg") == first);
    delete gBattle;
    gBattle = nullptr;
}

namespace {

// The plain turn file compressed as it travels, received by the program.
void Receive(MVApplication* app, const Bytes& plain) {
    GFile file;
    ASSERT_TRUE(file.ITempFile(true));
    file.WriteBytes(plain.data(), static_cast<int32_t>(plain.size()));
    file.FlushCompressedAndRewindAsPlainRead();
    Bytes packed(static_cast<size_t>(file.GetFileLength()));
    file.ReadBytes(packed.data(), static_cast<int32_t>(packed.size()));
    app->WriteIncomingBytesToDisk(packed.data(), static_cast<uint32_t>(packed.size()));
}

// The battle's state as the results file the computing machine sends.
Bytes Results(Battle* battle) {
    return Written([battle](GFile* f) {
        battle->WritePartialTCP(f);
        f->WriteChar(1);
        battle->WriteActionPackets(f);
        f->WriteShort(battle->mQuietTurns[0]);
        f->WriteShort(battle->mQuietTurns[1]);
        WriteUnitExtras(f, battle);
    });
}

} // namespace

// The host's orders of a turn with a squad's pace changed to the standing
// pace: merged by the joining machine (not the host, the Allies), sent on
// as its results and merged into a battle like the first, the results sent
// again are the first ones byte for byte.
TEST(KeptGame, APaceSurvivesATurnFileSentOn) {
    ASSERT_TRUE(DecryptData());
    ProgramFolder folder;
    MVApplication app;
    std::ifstream in(DataFile("turn-orders-pace1-not-kept.plain"), std::ios::binary);
    const Bytes orders{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(orders.empty());
    Bytes sent[2];
    for (int32_t round = 0; round < 2; ++round) {
        FuzzPeerHost host;
        Battle battle;
        PrepareTurnBattle(&battle, &host, 0);
        battle.mHost = &app;
        app.mConnectionType = 2;
        app.mPlayers = 2;
        app.mSide = host.mSide;
        app.mIsHost = false;
        gBattle = &battle;
        Receive(&app, round == 0 ? orders : sent[0]);
        EXPECT_TRUE(app.MergeTCPIPFile(round == 1, false));
        sent[round] = Results(&battle);
        gBattle = nullptr;
    }
    EXPECT_EQ(sent[1].size(), sent[0].size());
    EXPECT_TRUE(sent[1] == sent[0]);
}
