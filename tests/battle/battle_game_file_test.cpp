// The game file's top level: saved, scenario and e-mail forms written, read
// and written again byte for byte; the side and hand-over flag, the time
// limit, the password flags and the seed as read; every refusal leaving the
// caller's state as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "battle/ActionPacket.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/battle_fixtures.h"
#include "engine/FileTestFolder.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

char* Text(const char* text) {
    auto* copy = new char[std::strlen(text)];
    std::memcpy(copy, text, std::strlen(text));
    return copy;
}

// A battle at turn 3 of 15 with two map objects, one reinforcement of two
// objects for side 1 and a general and a side-0 briefing.
std::unique_ptr<Battle> MakeBattle() {
    auto battle = std::make_unique<Battle>();
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mTurn = 3;
    battle->mLastTurn = 15;
    battle->mNominalLastTurn = 15;
    battle->mTitle.IStringText("Bruecke bei Nacht");
    for (int i = 0; i < 2; ++i) {
        auto* unit = new Inanimate;
        unit->IInanimate(kInanimateWire, 0, 20.0f + 10 * i, 30.0f, 0.0f);
        unit->mSide = i;
        battle->mUnits->Add(unit);
    }
    auto* reinforcement = new Reinforcement;
    reinforcement->mArrivalTurn = 5;
    for (int i = 0; i < 2; ++i) {
        auto* unit = new Inanimate;
        unit->IInanimate(kInanimateAPMines, 30, 50.0f, 50.0f + i, 0.0f);
        reinforcement->mUnits->Add(unit);
    }
    battle->mReinforcements[1].Add(reinforcement);
    battle->SetBriefing(0, Text("Halten Sie die Bruecke."), 23);
    battle->SetBriefing(2, Text("Lage:\rNacht."), 12);
    return battle;
}

GameFileState PlayingState() {
    GameFileState state;
    state.players = 2;
    state.side = 0;
    state.connectionType = 0;
    // A loaded game is titled with the scenario's name, so the two agree.
    state.scenarioName.IStringText("Bruecke bei Nacht");
    state.passwordHash[0].IStringText("abc123");
    state.randomSeed = 4711;
    state.turnTimeLimit = 90000;
    return state;
}

class GameFileTest : public testing::Test {
protected:
    std::vector<uint8_t> Write(FileMode mode, GameFileState state, Battle* battle,
                               Campaign* campaign = nullptr, GameFileWriteOptions options = {}) {
        CurrentBattle current(battle);
        GFile file;
        EXPECT_TRUE(file.IFile(mPath.c_str(), mode));
        WriteGameFile(&file, &state, battle, campaign, options);
        file.Rewind();
        return Bytes(&file);
    }
    static std::vector<uint8_t> Bytes(GFile* file) {
        std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
        file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        return bytes;
    }
    GameFileResult Read(FileMode mode, GameFileState* state, GameFileContents* contents,
                        GameFileReadOptions options = {}) {
        GFile file;
        if (!file.IFile(mPath.c_str(), mode)) return kGameFileDamaged;
        return ReadGameFile(&file, state, contents, options);
    }
    GameFileResult ReadBytes(const std::vector<uint8_t>& bytes, GameFileState* state,
                             GameFileContents* contents) {
        std::unique_ptr<GFile> file(FileWithBytes(bytes));
        return ReadGameFile(file.get(), state, contents);
    }
    FileTestFolder mFolder;
    std::string mPath = mFolder.File("game.mvg");
};

// The first offset at which the two differ, or -1 when they are the same.
long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

struct Loaded {
    GameFileContents contents;
    ~Loaded() {
        delete contents.battle;
        delete contents.campaign;
    }
};

} // namespace

TEST_F(GameFileTest, SavedGameReadsBackAndWritesTheSameBytes) {
    auto battle = MakeBattle();
    GameFileState playing = PlayingState();
    // Past turn 1 both sides' passwords are always set.
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    std::vector<uint8_t> first = Write(kFileModeCompressedWrite, playing, battle.get());

    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(Read(kFileModeCompressedRead, &state, &loaded.contents, {.takeSeed = true}), kGameFileLoaded);
    ASSERT_NE(loaded.contents.battle, nullptr);
    EXPECT_EQ(loaded.contents.campaign, nullptr);
    EXPECT_EQ(FirstDifference(Write(kFileModeCompressedWrite, state, loaded.contents.battle), first), -1);

    Battle* read = loaded.contents.battle;
    EXPECT_STREQ(read->mTitle.GetCString(), "Bruecke bei Nacht");
    ASSERT_NE(read->mBriefing[2], nullptr);
    EXPECT_EQ(std::string(read->mBriefing[2], read->mBriefingLength[2]), "Lage:\rNacht.");
    EXPECT_EQ(read->mBriefing[1], nullptr);
    EXPECT_EQ(state.players, 2);
    EXPECT_STREQ(state.passwordHash[0].GetCString(), "abc123");
    EXPECT_EQ(state.turnTimeLimit, 60000); // whole minutes only
}

TEST_F(GameFileTest, HeaderLiesPlainInFrontOfTheCompressedStream) {
    auto battle = MakeBattle();
    Write(kFileModeCompressedWrite, PlayingState(), battle.get());
    GFile plain;
    ASSERT_TRUE(plain.IFile(mPath.c_str(), kFileModePlainRead));
    GameFileHeader header;
    ASSERT_EQ(ReadGameFileHeader(&plain, &header), kGameFileLoaded);
    EXPECT_TRUE(header.fromGame);
    EXPECT_EQ(header.rounds, 13); // turn 3 of 15
    EXPECT_EQ(header.units, 4);   // two on the map, two arriving
    EXPECT_STREQ(header.title.GetCString(), "Bruecke bei Nacht");

    Write(kFileModeCompressedWrite, GameFileState(), battle.get(), nullptr, {.scenario = true});
    GFile scenario;
    ASSERT_TRUE(scenario.IFile(mPath.c_str(), kFileModePlainRead));
    ASSERT_EQ(ReadGameFileHeader(&scenario, &header), kGameFileLoaded);
    EXPECT_FALSE(header.fromGame);
    EXPECT_EQ(header.rounds, 15);
}

TEST_F(GameFileTest, ScenarioAndMailFormsRoundTrip) {
    auto battle = MakeBattle();
    battle->mSetupPhase = true;
    battle->mTurn = 1;
    GameFileState editor;
    editor.scenarioName = battle->mTitle;
    std::vector<uint8_t> scenario =
        Write(kFileModeCompressedWrite, editor, battle.get(), nullptr, {.scenario = true});
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(Read(kFileModeCompressedRead, &state, &loaded.contents, {.takeSeed = true}), kGameFileLoaded);
    EXPECT_EQ(state.side, 2);
    EXPECT_EQ(FirstDifference(
                  Write(kFileModeCompressedWrite, state, loaded.contents.battle, nullptr, {.scenario = true}),
                  scenario),
              -1);

    GameFileState mail = PlayingState();
    mail.connectionType = 1;
    std::vector<uint8_t> sent = Write(kFileModeMailWrite, mail, battle.get());
    GameFileState received;
    Loaded arrived;
    ASSERT_EQ(Read(kFileModeMailRead, &received, &arrived.contents, {.takeSeed = true}), kGameFileLoaded);
    EXPECT_NE(received.mailFileCRC, 0u);
    // Side and flag arrive turned over to the receiving player.
    EXPECT_EQ(received.side, 1);
    EXPECT_TRUE(received.sidesSwapped);
    EXPECT_EQ(received.loadedConnectionType, 1);
    // Handed back over (both turn over again), it is the file that came.
    received.connectionType = 1;
    received.side = 1 - received.side;
    received.sidesSwapped = !received.sidesSwapped;
    EXPECT_EQ(FirstDifference(Write(kFileModeMailWrite, received, arrived.contents.battle), sent), -1);
}

TEST_F(GameFileTest, SideAndHandOverFlagFollowTheConnection) {
    auto battle = MakeBattle();
    struct Case {
        int32_t connection;
        FileMode mode;
        bool swapped;
        int32_t players;
        bool setup;
        int32_t side, flag; // as written
    } cases[] = {
        {1, kFileModeMailWrite, false, 2, false, 1, 0},
        {1, kFileModeMailWrite, true, 2, false, 1, 1},
        {1, kFileModeCompressedWrite, false, 2, false, 0, 1},
        {1, kFileModeCompressedWrite, true, 2, false, 0, 0},
        {2, kFileModeCompressedWrite, false, 2, true, 0, 1},
        {0, kFileModeCompressedWrite, false, 2, false, 0, 1},
        {0, kFileModeCompressedWrite, false, 2, true, 0, 0},
        {0, kFileModeCompressedWrite, false, 1, false, 0, 0},
    };
    for (const Case& c : cases) {
        GameFileState state = PlayingState();
        state.connectionType = c.connection;
        state.sidesSwapped = c.swapped;
        state.players = c.players;
        battle->mSetupPhase = c.setup;
        Write(c.mode, state, battle.get());
        GameFileState read;
        Loaded loaded;
        FileMode readMode = c.mode == kFileModeMailWrite ? kFileModeMailRead : kFileModeCompressedRead;
        ASSERT_EQ(Read(readMode, &read, &loaded.contents), kGameFileLoaded);
        EXPECT_EQ(read.side, c.side) << c.connection << c.swapped;
        EXPECT_EQ(read.sidesSwapped, c.flag == 0) << c.connection << c.swapped << c.players;
    }
}

TEST_F(GameFileTest, PasswordFlagsHoldOnlyDuringTheFirstSetUp) {
    auto battle = MakeBattle();
    GameFileState state = PlayingState();
    state.passwordSet[0] = true;
    battle->mSetupPhase = true;
    battle->mTurn = 1;
    Write(kFileModeCompressedWrite, state, battle.get());
    GameFileState read;
    Loaded first;
    ASSERT_EQ(Read(kFileModeCompressedRead, &read, &first.contents), kGameFileLoaded);
    EXPECT_TRUE(read.passwordSet[0]);
    EXPECT_FALSE(read.passwordSet[1]);

    battle->mSetupPhase = false;
    Write(kFileModeCompressedWrite, state, battle.get());
    Loaded second;
    ASSERT_EQ(Read(kFileModeCompressedRead, &read, &second.contents), kGameFileLoaded);
    EXPECT_TRUE(read.passwordSet[0] && read.passwordSet[1]);
}

TEST_F(GameFileTest, SeedIsTakenOnlyWhenAsked) {
    auto battle = MakeBattle();
    Write(kFileModeCompressedWrite, PlayingState(), battle.get());
    GameFileState state;
    state.randomSeed = 9;
    Loaded kept;
    ASSERT_EQ(Read(kFileModeCompressedRead, &state, &kept.contents), kGameFileLoaded);
    EXPECT_EQ(state.randomSeed, 9);
    Loaded taken;
    ASSERT_EQ(Read(kFileModeCompressedRead, &state, &taken.contents, {.takeSeed = true}), kGameFileLoaded);
    EXPECT_EQ(state.randomSeed, 4711);
}

TEST_F(GameFileTest, PacketsTravelOnlyInMailFilesWithARealPacket) {
    auto battle = MakeBattle();
    battle->mSetupPhase = false;
    battle->CreateActionPacket(0)->mType = 2;
    GameFileState state = PlayingState();
    state.connectionType = 1;
    auto packetsRead = [&](bool mail) {
        Write(mail ? kFileModeMailWrite : kFileModeCompressedWrite, state, battle.get());
        GameFileState read;
        Loaded loaded;
        EXPECT_EQ(Read(mail ? kFileModeMailRead : kFileModeCompressedRead, &read, &loaded.contents),
                  kGameFileLoaded);
        return loaded.contents.battle ? loaded.contents.battle->mPackets.GetCount() : -1;
    };
    EXPECT_EQ(packetsRead(true), 0); // only a packet of type 2
    battle->CreateActionPacket(5)->mType = 4;
    EXPECT_EQ(packetsRead(true), 2);
    EXPECT_EQ(packetsRead(false), 0);
    battle->mSurrenderState[0] = battle->mSurrenderState[1] = 1;
    EXPECT_EQ(packetsRead(true), 0);
    battle->mSurrenderState[0] = 0;
    EXPECT_EQ(packetsRead(true), 2);
}

TEST_F(GameFileTest, RefusedFilesMakeNothingAndLeaveTheStateAlone) {
    auto battle = MakeBattle();
    std::vector<uint8_t> good = Write(kFileModePlainWrite, PlayingState(), battle.get());
    GameFileState state;
    state.players = 7;
    state.scenarioName.IStringText("vorher");
    auto refused = [&](std::vector<uint8_t> bytes) {
        Loaded loaded;
        GameFileResult result = ReadBytes(bytes, &state, &loaded.contents);
        EXPECT_EQ(loaded.contents.battle, nullptr);
        EXPECT_EQ(state.players, 7);
        EXPECT_STREQ(state.scenarioName.GetCString(), "vorher");
        return result;
    };
    std::vector<uint8_t> bytes = good;
    bytes[0] = 5;
    EXPECT_EQ(refused(bytes), kGameFileFormatTooNew);
    bytes = good;
    bytes[1] = 5;
    EXPECT_EQ(refused(bytes), kGameFileVersionTooNew);
    EXPECT_EQ(refused(std::vector<uint8_t>(good.begin(), good.end() - 40)), kGameFileDamaged);
    EXPECT_EQ(refused(std::vector<uint8_t>(good.begin(), good.begin() + 1100)), kGameFileDamaged);

    // A briefing length beyond the file: header 16 + 17 title + 1024 zeros,
    // then four chars, hashes of 7 and 1, the name of 18, the groups char,
    // seed and minutes; the first briefing's length follows its flag.
    size_t text = 16 + 17 + 1024 + 4 + 7 + 1 + 18 + 1 + 4 + 1;
    bytes = good;
    ASSERT_EQ(bytes[text - 1], 1);
    bytes[text] = 0x7F;
    EXPECT_EQ(refused(bytes), kGameFileDamaged);

    std::unique_ptr<GFile> five(FileWithBytes({5, 4, 0}));
    GameFileHeader snapshot;
    EXPECT_EQ(ReadGameFileHeader(five.get(), &snapshot), kGameFileFormatTooNew);
}

TEST_F(GameFileTest, PacketsWithoutABattleAreRefused) {
    std::vector<uint8_t> bytes = Write(kFileModePlainWrite, PlayingState(), nullptr);
    GameFileState state;
    Loaded plain;
    ASSERT_EQ(ReadBytes(bytes, &state, &plain.contents), kGameFileLoaded);
    EXPECT_EQ(plain.contents.battle, nullptr);
    bytes.back() = 1;
    Loaded loaded;
    EXPECT_EQ(ReadBytes(bytes, &state, &loaded.contents), kGameFileDamaged);
}

TEST_F(GameFileTest, BlockLengthSaysHowMuchTheBlockHolds) {
    GameFileState written = PlayingState();
    written.connectionType = 2;
    written.autoSaveReloading = true;
    std::vector<uint8_t> bytes = Write(kFileModePlainWrite, written, nullptr);
    // The block starts 259 bytes before the battle char and the last three.
    size_t block = bytes.size() - 4 - 256;
    ASSERT_EQ(bytes[block], 0xFF);

    GameFileState state;
    state.connectionType = 1;
    Loaded full;
    ASSERT_EQ(ReadBytes(bytes, &state, &full.contents), kGameFileLoaded);
    EXPECT_TRUE(state.autoSaveReloading);
    EXPECT_EQ(state.loadedConnectionType, 2);
    EXPECT_EQ(state.connectionType, 1); // the connection in use stays

    std::vector<uint8_t> empty(bytes.begin(), bytes.begin() + static_cast<long>(block));
    empty.push_back(0);
    empty.insert(empty.end(), bytes.end() - 4, bytes.end());
    Loaded none;
    ASSERT_EQ(ReadBytes(empty, &state, &none.contents), kGameFileLoaded);
    EXPECT_FALSE(state.autoSaveReloading);
    EXPECT_EQ(state.loadedConnectionType, 0);
    EXPECT_EQ(state.connectionType, 0);

    // A shorter block is read to its end and no further.
    std::vector<uint8_t> shorter(bytes.begin(), bytes.begin() + static_cast<long>(block));
    shorter.insert(shorter.end(), {200, 1, 2});
    shorter.insert(shorter.end(), 198, 0);
    shorter.insert(shorter.end(), bytes.end() - 4, bytes.end());
    Loaded cut;
    ASSERT_EQ(ReadBytes(shorter, &state, &cut.contents), kGameFileLoaded);
    EXPECT_EQ(state.loadedConnectionType, 2);
}

TEST_F(GameFileTest, MailFileOfAnotherBuildIsRefused) {
    auto battle = MakeBattle();
    GameFileState state = PlayingState();
    state.connectionType = 1;
    Write(kFileModeMailWrite, state, battle.get());
    GFile in;
    ASSERT_TRUE(in.IFile(mPath.c_str(), kFileModeMailRead));
    std::vector<uint8_t> bytes = Bytes(&in);
    // The build string "-100000" follows the file version; make it -100001.
    std::string stream(bytes.begin(), bytes.end());
    size_t at = stream.find("-100000");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 6] = '1';
    GFile out;
    ASSERT_TRUE(out.IFile(mPath.c_str(), kFileModeMailWrite));
    out.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    out.Rewind();
    GameFileState read;
    Loaded loaded;
    EXPECT_EQ(Read(kFileModeMailRead, &read, &loaded.contents), kGameFileWrongBuild);
}

TEST_F(GameFileTest, OperationFileNamesItsKindAndCarriesTheBriefings) {
    auto battle = MakeBattle();
    Campaign campaign;
    campaign.IScenarioCore();
    campaign.mLastTurn = 4;
    campaign.mTurn = 2;
    campaign.SetBriefing(2, Text("Operation"), 9);
    std::vector<uint8_t> first = Write(kFileModeCompressedWrite, PlayingState(), battle.get(), &campaign);
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(Read(kFileModeCompressedRead, &state, &loaded.contents), kGameFileLoaded);
    EXPECT_EQ(state.scenarioKind, 2);
    ASSERT_NE(loaded.contents.campaign, nullptr);
    EXPECT_EQ(loaded.contents.campaign->mBriefingLength[2], 9);
    EXPECT_EQ(loaded.contents.battle->mBriefing[2], nullptr);
}

// Each infantry unit's pace, which the next turn's replay opens with and
// which its record does not keep, travels behind everything else in the
// file: a file without that part (as older ones are) gives the pace a read
// record gives, a part of an unknown kind is passed over, and a damaged one
// refuses the file.
TEST_F(GameFileTest, InfantryPacesTravelBehindEverythingElse) {
    ASSERT_TRUE(DecryptData());
    auto battle = MakeBattle();
    auto* walking = new Infantry; // unit 3
    walking->mMoveSpeed = 8;
    battle->mUnits->Add(walking);
    battle->mUnits->Add(new Infantry); // unit 4, at the pace a read gives
    GameFileState playing = PlayingState();
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    const std::vector<uint8_t> bytes = Write(kFileModePlainWrite, playing, battle.get());
    // Kind 1, one unit, unit 3 at pace 8, the end.
    const std::vector<uint8_t> part = {1, 0, 1, 0, 3, 8, 0};
    ASSERT_GT(bytes.size(), part.size());
    const std::vector<uint8_t> older(bytes.begin(), bytes.end() - static_cast<long>(part.size()));
    EXPECT_EQ(std::vector<uint8_t>(older.size() + bytes.begin(), bytes.end()), part);

    auto pace = [](const Loaded& loaded, int32_t k) {
        return static_cast<Infantry*>(loaded.contents.battle->mUnits->GetUnit(k))->mMoveSpeed;
    };
    GameFileState state;
    Loaded now;
    ASSERT_EQ(ReadBytes(bytes, &state, &now.contents), kGameFileLoaded);
    EXPECT_EQ(pace(now, 2), 8);
    EXPECT_EQ(pace(now, 3), 1);
    state.randomSeed = playing.randomSeed; // not taken from the file here
    EXPECT_EQ(FirstDifference(Write(kFileModePlainWrite, state, now.contents.battle), bytes), -1);

    Loaded old;
    ASSERT_EQ(ReadBytes(older, &state, &old.contents), kGameFileLoaded);
    EXPECT_EQ(pace(old, 2), 1);
    std::vector<uint8_t> later = older;
    later.insert(later.end(), {9, 0, 1, 0, 3, 8, 0});
    Loaded unknown;
    ASSERT_EQ(ReadBytes(later, &state, &unknown.contents), kGameFileLoaded);
    EXPECT_EQ(pace(unknown, 2), 1);

    // The table's last pace is taken, the one past it refused.
    const auto rows = static_cast<uint8_t>(gMovementSpeedChart.Count());
    std::vector<uint8_t> last = older;
    last.insert(last.end(), {1, 0, 1, 0, 3, static_cast<uint8_t>(rows - 1), 0});
    Loaded lastPace;
    ASSERT_EQ(ReadBytes(last, &state, &lastPace.contents), kGameFileLoaded);
    EXPECT_EQ(pace(lastPace, 2), rows - 1);
    for (const std::vector<uint8_t>& damaged : std::vector<std::vector<uint8_t>>{
             {1, 0, 1, 0, 3, rows, 0}, // one past the pace table
             {1, 0, 1, 0, 3, 99, 0}, // a pace the table does not have
             {1, 0, 1, 0, 1, 8, 0},  // unit 1 is no infantry
             {1, 0, 1, 0, 9, 8, 0},  // no unit 9
             {1, 0, 9, 0, 3, 8, 0},  // more units than the battle has
             {1, 0, 2, 0, 3, 8}}) {  // cut short
        std::vector<uint8_t> file = older;
        file.insert(file.end(), damaged.begin(), damaged.end());
        Loaded refused;
        EXPECT_EQ(ReadBytes(file, &state, &refused.contents), kGameFileDamaged);
        EXPECT_EQ(refused.contents.battle, nullptr);
    }
}

// A game read back puts a squad saved on a floor its place no longer has
// (a house fallen to rubble) on the ground; one under a bridge stays there.
TEST_F(GameFileTest, ASquadOnAFloorItsPlaceLacksComesDownWhenRead) {
    ASSERT_TRUE(DecryptData());
    auto battle = MakeBattle();
    Map* map = battle->mMap;
    auto paint = [map](int32_t column, int32_t row, Terrain t) {
        for (int32_t i = column * 10; i < column * 10 + 10; ++i)
            for (int32_t j = row * 10; j < row * 10 + 10; ++j)
                map->SetPoint(i, j, EncodePoint(map->GetPoint(i, j) & 0x3ff, t));
    };
    paint(1, 2, kTerrainRubble);
    paint(5, 3, kTerrainBridgeFirst);
    auto* upstairs = new Infantry; // unit 3
    upstairs->mX = 30.0f;
    upstairs->mY = 50.0f;
    upstairs->mZ = 1.0f;
    auto* under = new Infantry; // unit 4
    under->mX = 110.0f;
    under->mY = 70.0f;
    under->mZ = -1.0f;
    battle->mUnits->Add(upstairs);
    battle->mUnits->Add(under);
    GameFileState playing = PlayingState();
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(ReadBytes(Write(kFileModePlainWrite, playing, battle.get()), &state, &loaded.contents),
              kGameFileLoaded);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(2)->mZ, 0.0f);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(3)->mZ, -1.0f);
}

// What units carry from turn to turn beyond their records (having moved,
// the target slice count, a vehicle's bail-out-after-hit flag, a vehicle
// knocked out, a prisoner freed) travels behind everything else too; a
// damaged part refuses the file.
TEST_F(GameFileTest, CarriedUnitStateTravelsBehindEverythingElse) {
    ASSERT_TRUE(DecryptData());
    auto battle = MakeBattle();
    battle->mUnits->GetUnit(0)->mHasMoved = true;
    battle->mUnits->GetUnit(1)->mTargetSliceCount = 1200;
    battle->mUnits->GetUnit(1)->mFreed = true;
    auto* tank = new Vehicle;
    tank->IVehicle(305, kForceDefaultAllies, kExperienceRegular, 40.0f, 30.0f, 0.0f);
    tank->mKnockedOut = true;
    battle->mUnits->Add(tank);
    GameFileState playing = PlayingState();
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    const std::vector<uint8_t> bytes = Write(kFileModePlainWrite, playing, battle.get());
    // Kind 2, three units: unit 1 moved, unit 2 freed at 1200, unit 3 knocked out; the end.
    const std::vector<uint8_t> part = {2, 0, 3, 0, 1, 1, 0, 0, 0, 0, 0, 2, 8, 0,
                                       0, 4, 176, 0, 3, 4, 0, 0, 0, 0, 0};
    ASSERT_GT(bytes.size(), part.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - static_cast<long>(part.size()), bytes.end()), part);
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(ReadBytes(bytes, &state, &loaded.contents), kGameFileLoaded);
    EXPECT_TRUE(loaded.contents.battle->mUnits->GetUnit(0)->mHasMoved);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(1)->mTargetSliceCount, 1200);
    EXPECT_TRUE(loaded.contents.battle->mUnits->GetUnit(1)->mFreed);
    EXPECT_FALSE(loaded.contents.battle->mUnits->GetUnit(0)->mFreed);
    EXPECT_TRUE(loaded.contents.battle->mUnits->GetUnit(2)->mKnockedOut);
    const std::vector<uint8_t> older(bytes.begin(), bytes.end() - static_cast<long>(part.size()));
    for (const std::vector<uint8_t>& damaged : std::vector<std::vector<uint8_t>>{
             {2, 0, 1, 0, 9, 1, 0, 0, 0, 0, 0}, // no unit 9
             {2, 0, 1, 0, 1, 16, 0, 0, 0, 0, 0}, // a flag this build does not know
             {2, 0, 1, 0, 1, 2, 0, 0, 0, 0, 0}, // a vehicle's flag on a wire
             {2, 0, 1, 0, 1, 1, 0}}) {          // cut short
        std::vector<uint8_t> file = older;
        file.insert(file.end(), damaged.begin(), damaged.end());
        Loaded refused;
        EXPECT_EQ(ReadBytes(file, &state, &refused.contents), kGameFileDamaged);
    }
}

// A unit whose only carried value is its target slice count (no flag set)
// keeps it through a save too.
TEST_F(GameFileTest, ATargetSliceCountAloneIsCarried) {
    auto battle = MakeBattle();
    battle->mUnits->GetUnit(1)->mTargetSliceCount = 1200;
    GameFileState playing = PlayingState();
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(ReadBytes(Write(kFileModePlainWrite, playing, battle.get()), &state, &loaded.contents),
              kGameFileLoaded);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(1)->mTargetSliceCount, 1200);
}

// The shots a unit has fired at its present target, which the next turn's
// target choice weighs, travel behind the carried state: a file without
// them (as older ones are) reads with none, a damaged part refuses the file.
TEST_F(GameFileTest, ShotsAtTheTargetTravelBehindEverythingElse) {
    auto battle = MakeBattle();
    battle->mUnits->GetUnit(0)->mShotsAtTarget = 1; // one shot is carried as well as many
    battle->mUnits->GetUnit(1)->mShotsAtTarget = 300;
    GameFileState playing = PlayingState();
    playing.passwordSet[0] = playing.passwordSet[1] = true;
    const std::vector<uint8_t> bytes = Write(kFileModePlainWrite, playing, battle.get());
    // Kind 3, two units: unit 1 with one shot, unit 2 with 300; the end.
    const std::vector<uint8_t> part = {3, 0, 2, 0, 1, 0, 1, 0, 2, 1, 44, 0};
    ASSERT_GT(bytes.size(), part.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - static_cast<long>(part.size()), bytes.end()), part);
    GameFileState state;
    Loaded loaded;
    ASSERT_EQ(ReadBytes(bytes, &state, &loaded.contents), kGameFileLoaded);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(1)->mShotsAtTarget, 300);
    EXPECT_EQ(loaded.contents.battle->mUnits->GetUnit(0)->mShotsAtTarget, 1);
    state.randomSeed = playing.randomSeed;
    EXPECT_EQ(FirstDifference(Write(kFileModePlainWrite, state, loaded.contents.battle), bytes), -1);

    const std::vector<uint8_t> older(bytes.begin(), bytes.end() - static_cast<long>(part.size()));
    std::vector<uint8_t> ended = older;
    ended.push_back(0);
    Loaded old;
    ASSERT_EQ(ReadBytes(ended, &state, &old.contents), kGameFileLoaded);
    EXPECT_EQ(old.contents.battle->mUnits->GetUnit(1)->mShotsAtTarget, 0);
    for (const std::vector<uint8_t>& damaged : std::vector<std::vector<uint8_t>>{
             {3, 0, 1, 0, 9, 0, 1, 0}, // no unit 9
             {3, 0, 1, 0, 2, 0, 0, 0}, // listed without a shot
             {3, 0, 1, 0, 2, 255, 255, 0}, // a count below zero
             {3, 0, 1, 0, 2, 0}}) {       // cut short
        std::vector<uint8_t> file = older;
        file.insert(file.end(), damaged.begin(), damaged.end());
        Loaded refused;
        EXPECT_EQ(ReadBytes(file, &state, &refused.contents), kGameFileDamaged);
    }
}
