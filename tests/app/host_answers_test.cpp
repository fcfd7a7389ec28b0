// The application's answers to the battle follow its own state: the kind of
// game and the computer's side follow the players screen and the game file,
// the experience bonus reaches only the computer's units, and the
// preferences answer within their ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

// A reader of game files that notes the game-mode byte the battle part holds.
class ModeReader : public BattleHost {
public:
    void SetGameMode(int32_t mode) override { mRead = mode; }
    int32_t GameMode() override { return mWrite; }
    int32_t mRead = -1;
    int32_t mWrite = 1;
};

// The players screen's option as the application keeps it: 0 one player,
// 1 hotseat, 2 e-mail, 3 TCP/IP.
void ChoosePlayers(MVApplication& app, int32_t option) {
    app.mPlayers = 0;
    app.mPlayersChoice = option;
    app.GetPlayersAndConnectionType();
}

class HostAnswers : public testing::Test {
protected:
    ProgramFolder mFolder; // the application writes its preferences here
    void TearDown() override {
        delete gBattle;
        gBattle = nullptr;
    }
    // The battle-part game mode of a file the application saved.
    static int32_t ModeInFile(GFile* file) {
        file->Rewind();
        ModeReader reader;
        GameFileState state;
        GameFileContents contents;
        EXPECT_EQ(ReadGameFile(file, &state, &contents, {.host = &reader}), kGameFileLoaded);
        delete contents.battle;
        delete contents.campaign;
        return reader.mRead;
    }
};

TEST_F(HostAnswers, TheKindOfGameAndTheComputersSideFollowThePlayersScreen) {
    MVApplication app;
    app.mSide = kAllies;
    ChoosePlayers(app, 0);
    EXPECT_EQ(app.GameMode(), kGameModeComputer);
    EXPECT_EQ(app.ComputerSide(), kAxis);
    // Planning shows the computer's side; its side stays what it is.
    app.SetViewingSide(kAxis);
    EXPECT_EQ(app.ComputerSide(), kAxis);
    app.SetViewingSide(kAllies);
    const struct {
        int32_t option, mode;
    } kKinds[] = {{1, kGameModeHotseat}, {2, kGameModeMail}, {3, kGameModeTCPIP}, {0, kGameModeComputer}};
    for (const auto& k : kKinds) {
        ChoosePlayers(app, k.option);
        EXPECT_EQ(app.GameMode(), k.mode) << "option " << k.option;
        EXPECT_EQ(app.ComputerSide(), k.mode == kGameModeComputer ? kAxis : kSideNone)
            << "option " << k.option;
        EXPECT_EQ(app.HumanPlayers(), k.option == 0 ? 1 : 2);
    }
}

TEST_F(HostAnswers, SavedGamesCarryTheirKindAndLoadItBackAndADamagedByteGivesWay) {
    const struct {
        int32_t players, connection, mode;
    } kKinds[] = {
        {1, 0, kGameModeComputer}, {2, 0, kGameModeHotseat}, {2, 1, kGameModeMail}, {2, 2, kGameModeTCPIP}};
    for (const auto& k : kKinds) {
        GFile file;
        ASSERT_TRUE(file.ITempFile(false));
        {
            MVApplication writer;
            writer.mPlayers = k.players;
            writer.mConnectionType = k.connection;
            writer.mSide = kAxis;
            writer.SettleGameMode();
            gBattle = MakeTestBattle("Art").release();
            gBattle->mHost = &writer;
            writer.SaveGame(&file);
            delete gBattle;
            gBattle = nullptr;
        }
        EXPECT_EQ(ModeInFile(&file), k.mode) << "players " << k.players << ", connection " << k.connection;
        // The reader's connection is the one the game sets before it reads
        // (opening an e-mail file, joining a TCP/IP game).
        MVApplication reader;
        reader.mConnectionType = k.connection;
        file.Rewind();
        ASSERT_TRUE(reader.LoadGame(&file, nullptr));
        EXPECT_EQ(reader.GameMode(), k.mode);
        EXPECT_EQ(reader.ComputerSide(), k.mode == kGameModeComputer ? kAllies : kSideNone);
    }

    // A hotseat file whose battle part says "against the computer", or a
    // byte out of range: the players and the connection decide.
    for (int32_t damaged : {kGameModeComputer, 9}) {
        GFile file;
        ASSERT_TRUE(file.ITempFile(false));
        ModeReader writer;
        writer.mWrite = damaged;
        auto battle = MakeTestBattle("Schaden");
        battle->mHost = &writer;
        gBattle = battle.get();
        GameFileState state;
        state.players = 2;
        state.side = kAxis;
        WriteGameFile(&file, &state, battle.get(), nullptr);
        gBattle = nullptr;
        EXPECT_EQ(ModeInFile(&file), damaged == 9 ? kGameModeMail : damaged);
        MVApplication reader;
        file.Rewind();
        ASSERT_TRUE(reader.LoadGame(&file, nullptr));
        EXPECT_EQ(reader.GameMode(), kGameModeHotseat) << "byte " << damaged;
        EXPECT_EQ(reader.ComputerSide(), kSideNone);
    }
}

TEST_F(HostAnswers, TheBonusRaisesOnlyTheComputersUnitsWhateverSideIsInView) {
    MVApplication app;
    app.mSide = kAxis;
    ChoosePlayers(app, 0);
    gBattle = MakeTestBattle("Bonus").release();
    gBattle->mHost = &app;
    Unit* axis = nullptr;
    Unit* allies = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        (u->GetAffiliation() == kAxis ? axis : allies) = u;
        u->mExperience = 3;
    }
    ASSERT_NE(axis, nullptr);
    ASSERT_NE(allies, nullptr);
    // The same units at experience 5 without a bonus.
    gBattle->mComputerBonus = 0;
    allies->mExperience = 5;
    const ExperienceLevel raisedBase = allies->BaseExperience();
    const ExperienceLevel raisedEffective = allies->GetEffectiveExperience(0);
    allies->mExperience = 3;
    const ExperienceLevel plainBase = axis->BaseExperience();
    const ExperienceLevel plainEffective = axis->GetEffectiveExperience(0);

    gBattle->mComputerBonus = 2; // +2 on the sides screen
    for (Affiliation view : {kAxis, kAllies, kAxis}) {
        app.SetViewingSide(view); // as the computer's planning switches it
        EXPECT_EQ(allies->BaseExperience(), raisedBase) << "view " << view;
        EXPECT_EQ(allies->GetEffectiveExperience(0), raisedEffective) << "view " << view;
        EXPECT_EQ(axis->BaseExperience(), plainBase) << "view " << view;
        EXPECT_EQ(axis->GetEffectiveExperience(0), plainEffective) << "view " << view;
        EXPECT_TRUE(IsComputerSide(kAllies));
        EXPECT_FALSE(IsComputerSide(kAxis));
    }
    // Two players: nobody's units are raised.
    for (int32_t option : {1, 2}) {
        app.SetViewingSide(kAxis);
        ChoosePlayers(app, option);
        EXPECT_EQ(allies->BaseExperience(), 3);
        EXPECT_EQ(axis->BaseExperience(), 3);
        EXPECT_FALSE(IsComputerSide(kAllies));
        EXPECT_FALSE(IsComputerSide(kAxis));
    }
}

TEST_F(HostAnswers, PreferencesAnswerWithinTheirRangesAndOutOfRangeBytesReadAsDefaults) {
    MVApplication app;
    const struct {
        int8_t byte;
        int32_t setup;
    } kSetup[] = {{0, 0}, {1, 1}, {2, 0}, {-1, 0}};
    for (const auto& s : kSetup) {
        app.mPrefs[kPrefComputerSetup] = s.byte;
        EXPECT_EQ(app.ComputerSetupOption(), s.setup) << "byte " << int(s.byte);
    }
    const struct {
        int8_t byte;
        int32_t size;
    } kSize[] = {{0, 0}, {3, 3}, {4, 4}, {5, 2}, {-3, 2}};
    for (const auto& s : kSize) {
        app.mPrefs[kPrefUnitScale] = s.byte;
        EXPECT_EQ(app.UnitSizePreference(), s.size) << "byte " << int(s.byte);
    }
    // Without a kernel there is no screen and no Shift key.
    EXPECT_FALSE(app.HasScreen());
    EXPECT_FALSE(app.ShiftHeld());
}

} // namespace

namespace {

TEST_F(HostAnswers, OnlyATcpGameResetsTheAnimationTracksBeforeTheActionPhase) {
    MVApplication app;
    app.mSide = kAxis;
    gBattle = MakeTestBattle("Spuren").release();
    gBattle->mHost = &app;
    Unit* u = gBattle->mUnits->GetUnit(0);
    for (int32_t option : {0, 1, 2, 3}) {
        ChoosePlayers(app, option);
        u->mAnimation[0] = 2;
        u->mAnimKeyTime[0] = 40;
        u->mAnimFrame[0] = 3;
        u->PrepareForAction();
        const bool tcp = option == 3;
        EXPECT_EQ(u->mAnimKeyTime[0], tcp ? 0 : 40) << "option " << option;
        EXPECT_EQ(u->mAnimFrame[0], tcp ? 0 : 3) << "option " << option;
    }
}

} // namespace

namespace {

// A saved demo battle whose version byte says 0, 1 or 2: the program answers
// that byte while the file is read (older infantry records below 2), and the
// load succeeds or is refused cleanly; version 2 has today's records.
TEST_F(HostAnswers, ASavedGameOfAnOlderVersionReadsInTheOlderFormOrIsRefused) {
    ASSERT_TRUE(DecryptData());
    std::vector<uint8_t> bytes;
    {
        MVApplication writer;
        GFile scenario;
        ASSERT_TRUE(scenario.IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg").c_str(),
                                   kFileModeCompressedRead));
        ASSERT_TRUE(writer.LoadGame(&scenario, nullptr));
        GFile saved;
        ASSERT_TRUE(saved.ITempFile(false));
        writer.SaveGame(&saved);
        saved.Rewind();
        bytes.resize(static_cast<size_t>(saved.GetFileLength()));
        saved.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        delete gBattle;
        gBattle = nullptr;
    }
    // The body's version byte comes before the block: its length byte 255,
    // the auto-save flag, the connection, the battle counter and zeros.
    auto isVersion = [&](size_t i) {
        if (i + 48 >= bytes.size() || bytes[i] != kGameFileVersion || bytes[i + 1] != 0xFF) return false;
        if (bytes[i + 2] > 1 || bytes[i + 3] > 2) return false;
        for (size_t k = i + 6; k < i + 48; ++k)
            if (bytes[k] != 0) return false;
        return true;
    };
    size_t at = 1024;
    while (at + 1 < bytes.size() && !isVersion(at))
        ++at;
    ASSERT_LT(at + 1, bytes.size()) << "no version byte before the block";
    for (uint8_t version : {0, 1, 2}) {
        ASSERT_TRUE(DecryptData()); // an application frees the tables as it goes
        std::vector<uint8_t> older = bytes;
        older[at] = version;
        GFile file;
        ASSERT_TRUE(file.ITempFile(false));
        file.WriteBytes(older.data(), static_cast<int32_t>(older.size()));
        file.Rewind();
        MVApplication reader;
        const bool loaded = reader.LoadGame(&file, nullptr);
        if (version >= 2) EXPECT_TRUE(loaded);
        EXPECT_EQ(loaded, gBattle != nullptr);
        EXPECT_EQ(reader.LoadingFileVersion(), loaded ? version : kGameFileVersion)
            << "version " << int(version);
        delete gBattle;
        gBattle = nullptr;
    }
}

} // namespace

namespace {

std::vector<uint8_t> Stream(const std::function<void(GFile*)>& write) {
    GFile file;
    file.IMemoryFile();
    write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

bool LoadBytes(MVApplication* app, const std::vector<uint8_t>& bytes) {
    GFile file;
    file.IMemoryFile();
    file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Rewind();
    return app->LoadGame(&file, nullptr);
}

// A saved game of version 1 keeps no team count in its infantry records.
// The records are read in the form the file's own version byte gives, not
// the form of the game loaded before: an older game loads, and after it a
// current one still does.
TEST_F(HostAnswers, UnitsAreReadInTheFormOfTheFilesOwnVersion) {
    ASSERT_TRUE(DecryptData());
    auto battle = MakeTestBattle("Alte Fassung");
    auto* squad = new Infantry;
    squad->IInfantry(250, kForceDefaultAxis, kExperienceVeteran, 40.0f, 30.0f, 0.0f);
    battle->mUnits->Add(squad);
    gBattle = battle.get();
    // The team count stands just before the first team's strength.
    const std::vector<uint8_t> record = Stream([&](GFile* f) { squad->Write(f); });
    --squad->mTeamMen[0];
    const std::vector<uint8_t> other = Stream([&](GFile* f) { squad->Write(f); });
    ++squad->mTeamMen[0];
    GameFileState state;
    state.players = 1;
    state.scenarioName.IStringText("Alte Fassung");
    const std::vector<uint8_t> current = Stream([&](GFile* f) { WriteGameFile(f, &state, battle.get(), nullptr); });
    gBattle = nullptr;
    ASSERT_EQ(record.size(), other.size());
    size_t men = 0;
    while (men < record.size() && record[men] == other[men])
        ++men;
    ASSERT_LT(men, record.size());
    auto found = std::search(current.begin(), current.end(), record.begin(), record.end());
    ASSERT_NE(found, current.end());
    const size_t count = static_cast<size_t>(found - current.begin()) + men - 1;

    std::vector<uint8_t> older = current;
    older.erase(older.begin() + static_cast<long>(count));
    size_t version = 1024;
    while (version + 1 < older.size() && !(older[version] == kGameFileVersion && older[version + 1] == 0xFF))
        ++version;
    ASSERT_LT(version + 1, older.size());
    older[1] = 1;
    older[version] = 1;

    auto teams = [] {
        std::vector<int> men;
        auto* read = dynamic_cast<Infantry*>(gBattle ? gBattle->mUnits->GetUnit(2) : nullptr);
        if (read)
            for (int8_t m : read->mTeamMen)
                men.push_back(m);
        return men;
    };
    std::vector<int> written;
    for (int8_t m : squad->mTeamMen)
        written.push_back(m);
    battle.reset();

    MVApplication app;
    ASSERT_TRUE(LoadBytes(&app, older));
    EXPECT_EQ(app.LoadingFileVersion(), 1);
    EXPECT_EQ(teams(), written);
    ASSERT_TRUE(LoadBytes(&app, current));
    EXPECT_EQ(app.LoadingFileVersion(), kGameFileVersion);
    EXPECT_EQ(teams(), written);
    delete gBattle;
    gBattle = nullptr;
}

} // namespace
