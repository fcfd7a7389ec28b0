// The shipped scenarios: each description builds the same bytes every time,
// the built file in the program folder is those bytes, its header gives the
// intended rounds and size, and it loads through the game's reader and
// writes back to the same bytes. Where units stand is checked again here
// on the loaded battle.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/LoadedGameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"
#include "units/Names_VX.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Descriptions() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DM_SCENARIO_SOURCE_DIR))
        if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The size each shipped scenario is meant to have: least and most units.
struct IntendedSize {
    const char* name;
    int32_t least, most, turns;
};
constexpr IntendedSize kIntended[] = {
    {"hecken", 10, 35, 15},
    {"bruecke", 60, 100, 20},
    {"panzer", 15, 40, 17},
    {"grossangriff", 250, 330, 33},
    {"ausbruch", 8, 40, 28},
    {"hatten", 25, 50, 19},
};

class ShippedScenarios : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        const std::string name = GetParam();
        mSource = std::string(DM_SCENARIO_SOURCE_DIR) + "/" + name + ".txt";
        ScenarioFault fault;
        ASSERT_TRUE(ParseScenarioText(ReadText(mSource), mSource, &mDescription, &fault)) << fault.Text();
    }
    std::vector<uint8_t> Build() {
        const std::string path = mFolder.File("s.mvg");
        ScenarioFault fault;
        EXPECT_TRUE(WriteScenarioFile(mDescription, path, &fault)) << fault.Text();
        return ReadBytes(path);
    }
    FileTestFolder mFolder;
    std::string mSource;
    ScenarioDescription mDescription;
};

} // namespace

TEST_P(ShippedScenarios, BuildsTheSameBytesAsTheProgramFolderHolds) {
    std::vector<uint8_t> first = Build();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(Build(), first);
    EXPECT_EQ(ReadBytes(std::string(DM_SCENARIO_BUILT_DIR) + "/" + GetParam() + ".mvg"), first);
}

TEST_P(ShippedScenarios, LoadsAndWritesBackTheSameBytes) {
    std::vector<uint8_t> built = Build();
    const std::string path = mFolder.File("s.mvg");

    GameFileHeader header;
    {
        GFile file;
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
        ASSERT_EQ(ReadGameFileHeader(&file, &header), kGameFileLoaded);
    }
    EXPECT_FALSE(header.fromGame);
    EXPECT_STREQ(header.title.GetCString(), mDescription.title.c_str());
    const IntendedSize* intended = nullptr;
    for (const auto& size : kIntended)
        if (GetParam() == size.name) intended = &size;
    ASSERT_NE(intended, nullptr) << "no intended size for " << GetParam();
    EXPECT_EQ(header.rounds, intended->turns);
    EXPECT_GE(header.units, intended->least);
    EXPECT_LE(header.units, intended->most);
    EXPECT_NE(header.force[0], header.force[1]);

    LoadedGameFile read;
    ASSERT_TRUE(LoadGameFile(path, &read));
    GameFileState& state = read.state;
    std::unique_ptr<Battle>& loaded = read.battle;
    EXPECT_EQ(read.campaign, nullptr);
    EXPECT_STREQ(state.scenarioName.GetCString(), mDescription.title.c_str());
    EXPECT_EQ(state.randomSeed, mDescription.seed);
    EXPECT_EQ(state.players, 0);
    EXPECT_EQ(state.side, 2);
    ASSERT_NE(loaded->mBriefing[2], nullptr);

    // Reading draws nothing the file holds: the scenario form written again
    // from what was read is the same bytes.
    const std::string again = mFolder.File("again.mvg");
    {
        Battle* old = gBattle;
        gBattle = loaded.get();
        GFile file;
        ASSERT_TRUE(file.IFile(again.c_str(), kFileModeCompressedWrite));
        WriteGameFile(&file, &state, loaded.get(), nullptr, {.scenario = true});
        gBattle = old;
    }
    EXPECT_EQ(ReadBytes(again), built);

    // Every map unit stands where it may, in its side's zone; flags and
    // arrival points lie on the map.
    Battle* old = gBattle;
    gBattle = loaded.get();
    Map* map = loaded->mMap;
    for (int32_t i = 0; i < loaded->mUnits->GetCount(); ++i) {
        Unit* u = loaded->mUnits->GetUnit(i);
        EXPECT_TRUE(u->InSetupZone(u->mX, u->mY)) << "unit " << i;
        if (!u->IsPassenger(false)) {
            EXPECT_TRUE(u->CanOccupyLocation(u->mX, u->mY, true)) << "unit " << i;
        }
    }
    for (int32_t i = 0; i < loaded->mFlags.GetCount(); ++i) {
        auto* flag = static_cast<VictoryFlag*>(loaded->mFlags.GetObjectA(i));
        EXPECT_TRUE(map->OnMap(flag->mX, flag->mY));
    }
    for (int side = 0; side < 2; ++side)
        for (int32_t r = 0; r < loaded->mReinforcements[side].GetCount(); ++r) {
            auto* group = static_cast<Reinforcement*>(loaded->mReinforcements[side].GetObjectA(r));
            EXPECT_TRUE(map->OnMap(group->mX, group->mY));
        }
    gBattle = old;
}

// Leaders bear names of their nation's table, no two of a nation the same
// while the table lasts; titles and briefings keep their umlauts (Latin-1)
// and the title fits the info panel's 21 characters.
TEST_P(ShippedScenarios, LeadersAreNamedApartAndTextsKeepTheirUmlauts) {
    ScenarioFault fault;
    std::unique_ptr<Battle> battle = BuildScenarioBattle(mDescription, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    std::map<int32_t, std::set<int32_t>> names; // by nation
    std::map<int32_t, int32_t> units;
    auto count = [&](UnitList* list) {
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            Unit* u = list->GetUnit(i);
            if (u->mUnitType == kUnitInanimate) continue; // fortifications have no leader
            names[u->GetNation()].insert(u->mNameIndex);
            ++units[u->GetNation()];
        }
    };
    count(battle->mUnits);
    for (int side = 0; side < 2; ++side)
        for (int32_t r = 0; r < battle->mReinforcements[side].GetCount(); ++r)
            count(static_cast<Reinforcement*>(battle->mReinforcements[side].GetObjectA(r))->mUnits);
    for (const auto& [nation, n] : units) {
        const int32_t expected = std::min(n, NameTableSize(static_cast<Nation>(nation)));
        EXPECT_GE(static_cast<int32_t>(names[nation].size()), expected * 9 / 10) << "nation " << nation;
        EXPECT_GT(names[nation].size(), 1u) << "every leader of nation " << nation << " has one name";
    }

    const std::string title = battle->mTitle.GetCString();
    EXPECT_LE(title.size(), 21u) << title;
    const std::string text = ReadText(mSource);
    for (const char* spelledOut : {"Bruecke", "Gehoeft", "Schuetz", "Hoehe", "Grossangriff", "fuer "})
        EXPECT_EQ(text.find(spelledOut), std::string::npos) << spelledOut;
    for (unsigned char c : title)
        EXPECT_TRUE(c >= 32 && c != 0xC3) << "the title is Latin-1, not UTF-8";
}

// Tungsten rounds in the basic load, by the gun's level for its side at the
// battle's date: the types listed load that many, every other unit none
// (German guns' levels are used up from 1944; the 17-pounder's APDS is not
// in date in July 1944; Allied levels of 1 are used up in 1944, not 1945).
TEST_P(ShippedScenarios, LoadTungstenByLevelSideAndDate) {
    struct Load {
        const char* scenario;
        UnitType kind;
        int32_t row;
        uint16_t tungsten, ap;
    };
    static constexpr Load kLoads[] = {
        {"panzer", kUnitVehicle, 309, 1, 34},       // 76 mm HVAP, September 1944
        {"grossangriff", kUnitInfantry, 512, 2, 26}, // 6-pounder APDS, July 1944
        {"hatten", kUnitInfantry, 15, 1, 27},        // 57 mm APDS, January 1945
    };
    ScenarioFault fault;
    std::unique_ptr<Battle> battle = BuildScenarioBattle(mDescription, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    int32_t loaded = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        const Unit* u = battle->mUnits->GetUnit(i);
        const Load* want = nullptr;
        for (const Load& l : kLoads)
            if (GetParam() == l.scenario && u->mUnitType == l.kind && u->mSubtype == l.row) want = &l;
        EXPECT_EQ(u->mAmmo[kAmmoTungsten], want ? want->tungsten : 0) << "unit " << i;
        if (!want) continue;
        EXPECT_EQ(u->mAmmo[kAmmoAP], want->ap) << "unit " << i;
        ++loaded;
    }
    for (const Load& l : kLoads)
        if (GetParam() == l.scenario) EXPECT_GT(loaded, 0);
}

// A gun whose share of tungsten rounds to none still carries one: panzer's
// 76 mm guns (one in fifty of their armour-piercing rounds) with their load
// cut to 20 rounds.
TEST(ScenarioLoad, AGunWithFewArmourPiercingRoundsStillCarriesOneOfTungsten) {
    ASSERT_TRUE(DecryptData());
    const std::string source = std::string(DM_SCENARIO_SOURCE_DIR) + "/panzer.txt";
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(ReadText(source), source, &d, &fault)) << fault.Text();
    VehicleData* row = gVehicleData.Edit(309);
    ASSERT_NE(row, nullptr);
    const int16_t kept = row->mMaxRounds;
    row->mMaxRounds = 20;
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    row->mMaxRounds = kept;
    ASSERT_NE(battle, nullptr) << fault.Text();
    int32_t found = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        const Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType != kUnitVehicle || u->mSubtype != 309) continue;
        EXPECT_EQ(u->mAmmo[kAmmoTungsten], 1) << "unit " << i;
        EXPECT_LT(u->mAmmo[kAmmoAP], 20) << "unit " << i;
        ++found;
    }
    EXPECT_GT(found, 0);
}

// The demo tank battle saved and read by the game's loader. A vehicle in
// play marked destroyed and knocked out without a bail-out under way is what
// the game leaves when its crew cannot leave (a crew of its name already
// stands on the field): it reads as written, or the machines of one game
// would hold different battles. A wreck whose record predates the destroyed
// mark reads as destroyed where the record tells it (burning, or knocked out
// in the carried state), as abandoned where the crew only left it.
TEST(ScenarioLoad, AVehicleInPlayMarkedDestroyedReadsAsWrittenAndAnOldWreckReadsDestroyed) {
    LoadedGameFile demo;
    ASSERT_TRUE(DecryptData());
    ASSERT_TRUE(LoadGameFile(std::string(DM_SCENARIO_BUILT_DIR) + "/panzer.mvg", &demo));
    std::vector<int32_t> tanks;
    for (int32_t i = 0; i < demo.battle->mUnits->GetCount(); ++i) {
        const Unit* u = demo.battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mActive) tanks.push_back(i);
    }
    ASSERT_GE(tanks.size(), 4u);
    auto tank = [&](Battle* b, size_t k) { return static_cast<Vehicle*>(b->mUnits->GetUnit(tanks[k])); };
    tank(demo.battle.get(), 0)->mDestroyed = tank(demo.battle.get(), 0)->mKnockedOut = true;
    tank(demo.battle.get(), 1)->mActive = false;
    tank(demo.battle.get(), 1)->mBurning = true;
    tank(demo.battle.get(), 2)->mActive = false;
    tank(demo.battle.get(), 2)->mKnockedOut = true;
    tank(demo.battle.get(), 3)->mActive = false;

    FileTestFolder folder;
    const std::string path = folder.File("saved.mvg");
    Battle* old = gBattle;
    gBattle = demo.battle.get();
    {
        GFile file;
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedWrite));
        WriteGameFile(&file, &demo.state, demo.battle.get(), nullptr);
    }
    gBattle = old;
    LoadedGameFile read;
    ASSERT_TRUE(LoadGameFile(path, &read));
    Vehicle* fighting = tank(read.battle.get(), 0);
    EXPECT_TRUE(fighting->mActive && fighting->mDestroyed && fighting->mKnockedOut);
    EXPECT_EQ(fighting->mBailOutCountdown, -1);
    EXPECT_FALSE(tank(read.battle.get(), 1)->Abandoned()) << "a burning wreck";
    EXPECT_FALSE(tank(read.battle.get(), 2)->Abandoned()) << "a knocked-out wreck";
    EXPECT_TRUE(tank(read.battle.get(), 3)->Abandoned()) << "a wreck its crew left";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ShippedScenarios, testing::ValuesIn(Descriptions()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(ShippedScenarioSet, HoldsTheFourIntendedScenarios) {
    std::vector<std::string> names = Descriptions();
    for (const auto& size : kIntended)
        EXPECT_NE(std::find(names.begin(), names.end(), size.name), names.end()) << size.name;
}
