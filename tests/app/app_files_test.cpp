// Saving and loading through the application: the list's header reads
// leave the game in memory alone, refused files make nothing, the seed is
// taken only where it should be, the auto-save and the save commands.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../fuzz/GameFileSeeds.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "app_fixture.h"
#include "battle/GameFile.h"
#include "engine/GFileServices.h"
#include "engine/GFileStub.h"
#include "units/Hack.h"

namespace {

class FilesTest : public testing::Test {
protected:
    ProgramFolder mFolder;

    GFile* Open(const std::string& name, FileMode mode) {
        auto* file = new GFile;
        if (!file->IFile(mFolder.Path(name).c_str(), mode)) {
            delete file;
            return nullptr;
        }
        return file;
    }
};

} // namespace

TEST_F(FilesTest, HeaderReadsLeaveTheGameInMemory) {
    auto scenario = MakeTestBattle("Liste");
    WriteScenario(mFolder, "liste", scenario.get());
    MVApplication app;
    Battle* playing = MakeTestBattle("Laufend").release();
    gBattle = playing;
    std::unique_ptr<GFile> file(Open("Szenarien/liste.mvg", kFileModePlainRead));
    ScenarioSnapshot snap;
    ASSERT_TRUE(app.LoadGame(file.get(), &snap));
    EXPECT_EQ(gBattle, playing);
    EXPECT_FALSE(snap.fromGame);
    EXPECT_EQ(snap.rounds, 10);
    EXPECT_EQ(snap.units, 2);
    EXPECT_STREQ(snap.title.GetCString(), "Liste");
}

TEST_F(FilesTest, WholeLoadReplacesTheBattleAndTakesTheSeedOnlyFromTheList) {
    auto scenario = MakeTestBattle("Saat");
    {
        MVApplication writer;
        gBattle = scenario.get();
        writer.mRandomSeed = 777;
        writer.mScenarioFileName.IStringText("Saat");
        std::unique_ptr<GFile> out(Open("Savegames/saat.mvg", kFileModeCompressedWrite));
        writer.SaveGame(out.get());
        gBattle = nullptr;
    }
    MVApplication app;
    gBattle = MakeTestBattle("Alt").release();
    app.mRandomSeed = 5;
    std::unique_ptr<GFile> in(Open("Savegames/saat.mvg", kFileModeCompressedRead));
    ASSERT_TRUE(app.LoadGame(in.get(), nullptr));
    ASSERT_NE(gBattle, nullptr);
    EXPECT_STREQ(gBattle->mTitle.GetCString(), "Saat");
    EXPECT_STREQ(app.mLastSaveName.GetCString(), "Saat");
    EXPECT_EQ(gBattle->Host(), &app);
    EXPECT_EQ(app.mRandomSeed, 5); // a host keeps its seed
    ASSERT_NE(gBattle->mBriefing[2], nullptr);

    app.mListLoad = true;
    std::unique_ptr<GFile> again(Open("Savegames/saat.mvg", kFileModeCompressedRead));
    ASSERT_TRUE(app.LoadGame(again.get(), nullptr));
    EXPECT_EQ(app.mRandomSeed, 777);
    app.mListLoad = false;
    app.mIsHost = false; // the joiner takes the host's seed
    app.mRandomSeed = 1;
    std::unique_ptr<GFile> third(Open("Savegames/saat.mvg", kFileModeCompressedRead));
    ASSERT_TRUE(app.LoadGame(third.get(), nullptr));
    EXPECT_EQ(app.mRandomSeed, 777);
}

namespace {

std::vector<uint8_t> BattleBytes(Battle* battle) {
    GFile file;
    file.IMemoryFile();
    battle->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// The program values a loaded file sets.
struct ProgramValues {
    int32_t players, connection, side, limit, phase, clock;
    uint16_t seed;
    bool computes, swapped;
    std::string passwords[2], name;
    explicit ProgramValues(const MVApplication& a)
        : players(a.mPlayers), connection(a.mConnectionType), side(a.mSide), limit(a.mTurnTimeLimit),
          phase(a.mTCPIPPhase), clock(a.mTurnClockStart), seed(a.mRandomSeed), computes(a.mComputesTurn),
          swapped(a.mSidesSwapped), passwords{a.mPasswordHash[0].GetCString(), a.mPasswordHash[1].GetCString()},
          name(a.mScenarioFileName.GetCString()) {}
    bool operator==(const ProgramValues&) const = default;
};

} // namespace

// A file refused on loading (of a newer format, cut inside its battle, an
// e-mail file cut inside) leaves the running battle and every program value
// as they were.
TEST_F(FilesTest, RefusedFilesLeaveTheRunningGameAsItWas) {
    MVApplication app;
    Battle* running = MakeTestBattle("Vorher").release();
    gBattle = running;
    app.mPlayers = 1;
    app.mConnectionType = 0;
    app.mSide = 0;
    app.mRandomSeed = 4321;
    app.mTurnTimeLimit = 120000;
    app.mTurnClockStart = 777;
    app.mPasswordHash[0].IStringText("eins");
    app.mScenarioFileName.IStringText("Vorher");
    const ProgramValues values(app);
    const std::vector<uint8_t> battle = BattleBytes(running);

    mFolder.Write("Savegames/neu.mvg", {5, 4, 1, 0, 0, 0, 1});
    {
        // A whole saved game and a whole e-mail file of another battle.
        Battle* other = MakeTestBattle("Kaputt").release();
        gBattle = other;
        std::unique_ptr<GFile> out(Open("Savegames/kaputt.mvg", kFileModePlainWrite));
        app.SaveGame(out.get());
        ASSERT_TRUE(out->Commit());
        std::unique_ptr<GFile> mail(Open("PBEM/ganz.txt", kFileModeMailWrite));
        app.SaveGame(mail.get());
        ASSERT_TRUE(mail->Commit());
        delete other;
        gBattle = running;
    }
    std::vector<uint8_t> whole = mFolder.Read("Savegames/kaputt.mvg");
    whole.resize(whole.size() - 100);
    mFolder.Write("Savegames/kaputt.mvg", whole);
    {
        // The e-mail file's stream cut inside its battle, wrapped whole again.
        std::unique_ptr<GFile> in(Open("PBEM/ganz.txt", kFileModeMailRead));
        ASSERT_NE(in, nullptr);
        std::vector<uint8_t> stream(static_cast<size_t>(in->GetFileLength()));
        in->ReadBytes(stream.data(), static_cast<int32_t>(stream.size()));
        stream.resize(stream.size() * 2 / 3);
        std::unique_ptr<GFile> out(Open("PBEM/kaputt.txt", kFileModeMailWrite));
        out->WriteBytes(stream.data(), static_cast<int32_t>(stream.size()));
        ASSERT_TRUE(out->Commit());
    }

    std::unique_ptr<GFile> newer(Open("Savegames/neu.mvg", kFileModePlainRead));
    EXPECT_FALSE(app.LoadGame(newer.get(), nullptr));
    std::unique_ptr<GFile> damaged(Open("Savegames/kaputt.mvg", kFileModePlainRead));
    EXPECT_FALSE(app.LoadGame(damaged.get(), nullptr));
    std::unique_ptr<GFile> mail(Open("PBEM/kaputt.txt", kFileModeMailRead));
    ASSERT_NE(mail, nullptr) << "the wrapping is whole; its game is not";
    EXPECT_FALSE(app.LoadMailFile(mail.get()));
    EXPECT_EQ(gBattle, running);
    EXPECT_TRUE(ProgramValues(app) == values);
    EXPECT_EQ(BattleBytes(running), battle);
    EXPECT_EQ(gCampaign, nullptr);

    // The whole e-mail file is taken, and replaces the battle.
    std::unique_ptr<GFile> good(Open("PBEM/ganz.txt", kFileModeMailRead));
    EXPECT_TRUE(app.LoadMailFile(good.get()));
    ASSERT_NE(gBattle, nullptr);
    EXPECT_NE(gBattle, running);
    EXPECT_EQ(app.mConnectionType, 1);
    ScenarioSnapshot snap;
    std::unique_ptr<GFile> head(Open("Savegames/neu.mvg", kFileModePlainRead));
    EXPECT_FALSE(app.LoadGame(head.get(), &snap));
    delete gBattle;
    gBattle = nullptr;
}

TEST_F(FilesTest, AutoSaveWritesItsFileAndMayReadItBack) {
    MVApplication app;
    gBattle = MakeTestBattle("Auto").release();
    app.mScenarioFileName.IStringText("Auto");
    app.AutoSave(true);
    EXPECT_TRUE(mFolder.Exists("Savegames/Auto Speicherung.mvg"));
    ASSERT_NE(gBattle, nullptr);
    EXPECT_STREQ(gBattle->mTitle.GetCString(), "Auto");

    std::filesystem::remove_all(mFolder.Path("Savegames"));
    app.AutoSave(false); // cannot be created: nothing happens
    EXPECT_NE(gBattle, nullptr);
}

TEST_F(FilesTest, SaveCommandsWriteUnderTheNameAndCloseTheDialog) {
    MVApplication app;
    gBattle = MakeTestBattle("Sichern").release();
    app.mPlayers = 2;
    app.mLastSaveName.IStringText("Mein Spiel.mvg");
    app.DoCommand(91); // no such file yet: written at once
    EXPECT_TRUE(mFolder.Exists("Savegames/Mein Spiel.mvg"));
    EXPECT_STREQ(app.mLastSaveName.GetCString(), "Mein Spiel");

    std::filesystem::remove_all(mFolder.Path("Savegames"));
    app.DoCommand(92); // cannot be created: nothing written, dialog closed
    EXPECT_EQ(app.mSaveDialog, nullptr);
    EXPECT_NE(gBattle, nullptr);
}

TEST_F(FilesTest, MailSaveEndsTheGameAtThisMachine) {
    MVApplication app;
    gBattle = MakeTestBattle("Post").release();
    app.mPlayers = 2;
    app.mConnectionType = 1;
    app.mSide = 0;
    app.mSaveForMail = true;
    app.mLastSaveName.IStringText("PBEM");
    app.DoCommand(91);
    EXPECT_TRUE(mFolder.Exists("PBEM/PBEM.txt"));
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_EQ(app.mPlayers, 1);
    EXPECT_EQ(app.mConnectionType, 0);

    // The other player opens it: side and flag turned over.
    MVApplication other;
    other.mConnectionType = 1;
    std::unique_ptr<GFile> in(Open("PBEM/PBEM.txt", kFileModeMailRead));
    ASSERT_TRUE(other.LoadGame(in.get(), nullptr));
    EXPECT_EQ(other.mSide, 1);
    EXPECT_TRUE(other.mSidesSwapped);
    EXPECT_EQ(other.mLoadedConnectionType, 1);
    EXPECT_NE(other.mMailFileCRC, 0u);
}

// The game-file fuzz target's seeds (made by dm_fuzz_seeds from the same
// writer): each loads, with the tables loaded as in the game (one holds a
// squad and its pace).
TEST_F(FilesTest, FuzzSeedsLoad) {
    ASSERT_TRUE(DecryptData());
    int seeds = 0;
    MakeGameFileSeeds(
        mFolder.Path("Savegames"), [&](const std::string& name, FileMode mode, const std::string& path) {
            ++seeds;
            bool mail = mode == kFileModeMailWrite;
            GFile file;
            ASSERT_TRUE(file.IFile(path.c_str(), mail ? kFileModeMailRead : kFileModeCompressedRead)) << name;
            GameFileState state;
            GameFileContents contents;
            EXPECT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded) << name;
            delete contents.battle;
            delete contents.campaign;
        });
    EXPECT_EQ(seeds, 5);
}

// Each game mode keeps its own auto-save, also the end of a battle (saved as
// a one-player game); the list shows the player's own saves first, so that
// an auto-save never moves them down a row.
TEST_F(FilesTest, EachModeAutoSavesToItsOwnSlotListedAfterTheNamedSaves) {
    MVApplication app;
    gBattle = MakeTestBattle("Modi").release();
    app.mScenarioFileName.IStringText("Modi");
    {
        std::unique_ptr<GFile> named(Open("Savegames/mein Spiel.mvg", kFileModeCompressedWrite));
        ASSERT_NE(named, nullptr);
        app.SaveGame(named.get());
    }
    app.mPlayers = 1;
    app.AutoSave(false);
    EXPECT_TRUE(mFolder.Exists("Savegames/Auto Speicherung.mvg"));
    // Two players: hotseat, e-mail and TCP/IP, each in its slot, during the
    // battle and at its end.
    const char* slots[3] = {"Savegames/Auto Speicherung Hotseat.mvg", "Savegames/Auto Speicherung E-Mail.mvg",
                            "Savegames/Auto Speicherung TCP-IP.mvg"};
    for (int32_t connection = 0; connection < 3; ++connection) {
        SCOPED_TRACE(slots[connection]);
        if (!gBattle) gBattle = MakeTestBattle("Modi").release(); // the end of a battle takes it
        app.mPlayers = 2;
        app.mConnectionType = connection;
        app.AutoSave(false);
        for (int32_t other = 0; other < 3; ++other)
            EXPECT_EQ(mFolder.Exists(slots[other]), other == connection || other == 0) << slots[other];
        std::filesystem::remove(mFolder.Path(slots[connection]));
        gBattle->mTurn = gBattle->mLastTurn + 1; // over: command 120 saves it
        app.DoCommand(120);
        EXPECT_TRUE(mFolder.Exists(slots[connection]));
        EXPECT_EQ(app.mPlayers, 2);
        EXPECT_EQ(app.mConnectionType, connection);
        if (connection > 0) std::filesystem::remove(mFolder.Path(slots[connection]));
    }
    app.mConnectionType = 0;

    ScenarioScroller list;
    list.IScenarioScroller(nullptr, 0);
    ASSERT_EQ(list.FileCount(0), 3);
    const char* rows[3] = {"mein Spiel", "Auto Speicherung", "Auto Speicherung Hotseat"};
    for (int32_t i = 0; i < 3; ++i) {
        GString255 name;
        list.Stub(0, i)->GetFileName(true, &name);
        EXPECT_STREQ(name.GetCString(), rows[i]);
        EXPECT_TRUE(list.Snapshot(0, i)->fromGame);
    }
    EXPECT_EQ(list.mSelected[0], 1); // the player's own save
    delete gBattle;
    gBattle = nullptr;
}
