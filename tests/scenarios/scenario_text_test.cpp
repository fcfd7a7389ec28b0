// Descriptions and order scripts that must be refused name the file, the
// line and the reason, and leave no file behind; sound ones give the units
// and orders they describe.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/LoadedGameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

// A sound description; a test appends lines to it or replaces one.
const char* const kBase = R"(title "Probe"
map 20 20 1.0 60
date 4406
turns 10
seed 7
briefing general "Lage."
area water 180 0 220 0 220 400 180 400
zone 1 0 0 100 400
zone 4 300 0 400 400
flag large 200 200
force allies 30 regular
company A
platoon 1 zone 1
inf 4 0 40 100 0 leader
inf 1 1 40 140 0
force axis 0 regular
company B
platoon 1 zone 4
veh 16 0 340 100 180 leader
inf 252 1 340 200 180
)";

class DescriptionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(DecryptData()); }

    // Parses and builds; the fault's line and reason when refused.
    bool Build(const std::string& text, ScenarioFault* fault) {
        ScenarioDescription d;
        if (!ParseScenarioText(text, "probe.txt", &d, fault)) return false;
        return BuildScenarioBattle(d, fault) != nullptr;
    }
    void ExpectRefused(const std::string& text, int line, const std::string& reason) {
        ScenarioFault fault;
        EXPECT_FALSE(Build(text, &fault)) << text;
        EXPECT_EQ(fault.file, "probe.txt");
        EXPECT_EQ(fault.line, line) << fault.Text();
        EXPECT_NE(fault.reason.find(reason), std::string::npos) << fault.Text();
    }
};

} // namespace

TEST_F(DescriptionTest, SoundDescriptionMakesItsUnitsAndLinks) {
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(kBase, "probe.txt", &d, &fault)) << fault.Text();
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    ASSERT_EQ(battle->mUnits->GetCount(), 4);
    Unit* leader = battle->mUnits->GetUnit(0);
    Unit* squad = battle->mUnits->GetUnit(1);
    EXPECT_EQ(squad->mPlatoonHQ, leader);
    EXPECT_EQ(leader->mPlatoonHQ, nullptr);
    EXPECT_EQ(squad->GetCompanyNumber(), 'A');
    EXPECT_EQ(squad->GetPlatoonNumber(), 1);
    EXPECT_EQ(squad->GetUnitNumber(), 1);
    EXPECT_FALSE(squad->IsAxis());
    EXPECT_TRUE(battle->mUnits->GetUnit(2)->IsAxis());
    EXPECT_EQ(battle->mLastTurn, 10);
    // Every unit starts with its basic load: the squad its rounds, the tank
    // its gun's mix of high explosive and armour-piercing rounds.
    EXPECT_GT(squad->mAmmo[kAmmoHE], 0);
    Unit* tank = battle->mUnits->GetUnit(2);
    EXPECT_GT(tank->mAmmo[kAmmoHE], 0);
    EXPECT_GT(tank->mAmmo[kAmmoAP], 0);
    int32_t rounds = 0;
    for (uint16_t a : tank->mAmmo)
        rounds += a;
    EXPECT_EQ(rounds, tank->MaxAllowedAmmo(nullptr));
    EXPECT_EQ(battle->mFlags.GetCount(), 1);
}

TEST_F(DescriptionTest, RidersBoardTheirCarrierAndStandWhereItStands) {
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(std::string(kBase) +
                                      "platoon 2\nveh 15 0 360 300 180\ninf 252 1 300 300 180 rides 0\n",
                                  "probe.txt", &d, &fault));
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    Unit* lorry = battle->mUnits->GetUnit(4);
    Unit* rider = battle->mUnits->GetUnit(5);
    EXPECT_EQ(rider->mTransport, lorry);
    EXPECT_EQ(static_cast<Vehicle*>(lorry)->mPassengers[0], rider);
    EXPECT_EQ(rider->mX, 360.0f);
    EXPECT_EQ(rider->mY, 300.0f);
    // A full squad needs a vehicle with room for two passengers.
    ExpectRefused(std::string(kBase) + "platoon 2\nveh 16 0 360 300 180\ninf 252 1 0 0 0 rides 0\n", 23,
                  "cannot carry");
}

TEST_F(DescriptionTest, FormAndRangeFaultsNameTheLine) {
    ExpectRefused(std::string(kBase) + "colour red\n", 21, "unknown key 'colour'");
    ExpectRefused(std::string(kBase) + "turns 12\n", 21, "'turns' given twice");
    ExpectRefused(std::string(kBase) + "hill 100 100 50 500\n", 21, "height 500 is out of range");
    ExpectRefused(std::string(kBase) + "inf 1 5 900 100 0\n", 21, "x 900 is out of range");
    ExpectRefused(std::string(kBase) + "flag small 400 100\n", 21, "off the map");
    // Numbers are decimal: no hexadecimal, nan or infinity, nothing beyond a long.
    ExpectRefused(std::string(kBase) + "hill 0x64 100 50 5\n", 21, "x '0x64' is not a number");
    ExpectRefused(std::string(kBase) + "hill nan 100 50 5\n", 21, "x 'nan' is not a number");
    ExpectRefused(std::string(kBase) + "hill 100 100 inf 5\n", 21, "radius 'inf' is not a number");
    ExpectRefused(std::string(kBase) + "hill 100 100 1e99 5\n", 21, "radius '1e99' is not a number");
    ExpectRefused(std::string(kBase) + "zone 0x1 0 0 100 100\n", 21, "zone '0x1' is not a whole number");
    ExpectRefused(std::string(kBase) + "zone 99999999999999999999 0 0 1 1\n", 21, "is not a whole number");
    ExpectRefused(std::string(kBase) + "briefing axis \"Br\xe2\x82\xac\"\n", 21, "outside Latin-1");
    ExpectRefused(std::string(kBase) + "briefing axis \"offen\n", 21, "not closed");
    ExpectRefused(std::string(kBase) + "inf 1 1 340 240 0\n", 21, "given twice in its platoon");
    ExpectRefused(std::string(kBase) + "inf 252 2 340 240 0 rides 5\n", 21, "no vehicle 5");
    ExpectRefused("map 20 20 1.0 60\ntitle \"Ein Titel der viel zu lang geraten ist\"\n", 2,
                  "1 to 31 characters");
    ExpectRefused("title \"Probe\"\nmap 20 20 1.0 60\n", 0, "no general briefing");
}

// Every fortification kind, a landmark, snowstorm and free set-up, written
// and read back through the game's loader.
TEST_F(DescriptionTest, FortificationsLandmarksAndSetupReadBack) {
    const std::string text = std::string(kBase) +
                             "weather 7\nsetup free\nlandmark 250 130 \"Hatten\"\nroadblock 10 310 20\n"
                             "trench 11 310 70\nwire 12 310 120 45\nreference 13 310 170\napmines 14 310 220\n"
                             "atmines 15 310 270\ndaisychain 16 310 320\n";
    FileTestFolder folder;
    const std::string path = folder.File("f.mvg");
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(text, "probe.txt", &d, &fault)) << fault.Text();
    ASSERT_TRUE(WriteScenarioFile(d, path, &fault)) << fault.Text();
    LoadedGameFile read;
    ASSERT_TRUE(LoadGameFile(path, &read));
    std::unique_ptr<Battle>& loaded = read.battle;
    EXPECT_EQ(loaded->mWeather, 7);
    EXPECT_EQ(loaded->mSideShortA[0], 1);
    ASSERT_EQ(loaded->mMap->mLandmarks->GetCount(), 1);
    auto* landmark = static_cast<Landmark*>(loaded->mMap->mLandmarks->GetObjectA(0));
    EXPECT_EQ(landmark->mColumn, 12);
    EXPECT_EQ(landmark->mRow, 6);
    EXPECT_STREQ(landmark->mName.GetCString(), "Hatten");
    ASSERT_EQ(loaded->mUnits->GetCount(), 11);
    for (int k = 0; k < 7; ++k) {
        Unit* item = loaded->mUnits->GetUnit(4 + k);
        EXPECT_EQ(item->mUnitType * 10 + item->mSubtype, kUnitInanimate * 10 + k);
        EXPECT_EQ(item->mY, 20.0f + 50.0f * k);
        EXPECT_EQ(item->mHeading, k == 2 ? 45.0f : 0.0f);
        EXPECT_EQ(item->mAmmo[kAmmoHE] + item->mAmmo[kAmmoAP], 0); // no load
    }
    // In set-up the side moves and turns it within its zones only.
    Battle* old = gBattle;
    gBattle = loaded.get();
    Unit* wire = loaded->mUnits->GetUnit(6);
    EXPECT_TRUE(wire->CanDoOrder(57));
    EXPECT_TRUE(wire->ChangeSetup(350.0f, 100.0f, true, nullptr, false));
    EXPECT_FALSE(wire->ChangeSetup(120.0f, 100.0f, true, nullptr, false));
    EXPECT_TRUE(wire->ChangeSetup(350.0f, 200.0f, false, nullptr, false));
    EXPECT_EQ(wire->mX * 1000.0f + wire->mHeading, 350.0f * 1000.0f + 90.0f);
    gBattle = old;
    // A kind outside the seven (a foreign file) has no name.
    wire->mSubtype = 9;
    GString63 name("");
    wire->ConcatName(&name, true);
    EXPECT_STREQ(name.GetCString(), "");
}

TEST_F(DescriptionTest, FortificationAndLandmarkFaultsNameTheLine) {
    const std::string axis = std::string(kBase);
    ExpectRefused(axis + "wire 5 900 100\n", 21, "x 900 is out of range");
    ExpectRefused(axis + "wire 5 400 100\n", 21, "off the map");
    ExpectRefused(axis + "wire 5 120 100\n", 21, "outside zone 4");
    ExpectRefused(axis + "zone 4 200 0 240 400\nwire 5 210 300\n", 22, "open water");
    ExpectRefused(axis + "reinforce 5 0.5 300 300\nwire 5 310 100\n", 22, "reinforcement or reserve");
    ExpectRefused(axis + "mines 5 310 100\n", 21, "unknown key 'mines'");
    ExpectRefused(axis + "weather 8\n", 21, "weather 8 is out of range 0..7");
    ExpectRefused(axis + "setup fixed\n", 21, "'setup' takes 'free'");
    ExpectRefused(axis + "landmark 400 100 \"X\"\n", 21, "landmark lies off the map");
    // On a wide map the last row ends before the last column does.
    std::string wide = axis;
    wide.replace(wide.find("map 20 20"), 9, "map 30 20");
    ExpectRefused(wide + "landmark 100 400 \"X\"\n", 21, "landmark lies off the map");
    ExpectRefused(axis + "landmark 10 10 \"" + std::string(64, 'a') + "\"\n", 21, "1 to 63 characters");
    ExpectRefused("map 20 20 1.0 60\ntrench 1 10 10\n", 2, "a fortification before 'force'");
    ExpectRefused("map 20 20 1.0 60\nforce axis 0 regular\ntrench 1 10 10\n", 3,
                  "a fortification before 'platoon'");
}

TEST_F(DescriptionTest, ExitMarksAndVariableLength) {
    std::string text = kBase;
    text.replace(text.find("turns 10"), 8, "turns 30 variable");
    text += "exit axis east\nplatoon 2 zone 4 exit\ninf 252 1 340 300 180\ninf 252 2 360 300 180 exit\n"
            "platoon 3\ninf 252 1 340 340 180 exit\n";
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(text, "probe.txt", &d, &fault)) << fault.Text();
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    EXPECT_TRUE(battle->mVariableLength);
    EXPECT_EQ(battle->mNominalLastTurn, 30);
    EXPECT_EQ(battle->mLastTurn, 30);
    std::vector<bool> marks;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        marks.push_back(battle->mUnits->GetUnit(i)->mExitMark);
    EXPECT_EQ(marks, (std::vector<bool>{false, false, false, false, true, true, true}));
    // A mark on a side without an exit edge, a flag off the map or with an
    // unknown holder are refused with their line.
    ExpectRefused(std::string(kBase) + "inf 252 3 340 240 180 exit\n", 21, "without an exit edge");
    ExpectRefused(std::string(kBase) + "platoon 2 exit\ninf 252 3 340 240 180\n", 22, "without an exit edge");
    ExpectRefused(std::string(kBase) + "flag small 100 100 russians\n", 21, "unknown side 'russians'");
    ExpectRefused(std::string(kBase) + "flag small -1 100\n", 21, "out of range");
    ExpectRefused(std::string(kBase) + "platoon 2 exits\n", 21, "'platoon' takes");
    std::string fixed = kBase;
    fixed.replace(fixed.find("turns 10"), 8, "turns 10 fixed");
    ExpectRefused(fixed, 4, "'turns' takes 'variable'");
}

TEST_F(DescriptionTest, FanaticismIsGivenPerSideWithinItsRange) {
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(std::string(kBase) + "fanaticism axis 4\nfanaticism allies 1\n",
                                  "probe.txt", &d, &fault))
        << fault.Text();
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    EXPECT_EQ(battle->mFanaticism[1], 4); // the Axis at index 1
    EXPECT_EQ(battle->mFanaticism[0], 1);
    ExpectRefused(std::string(kBase) + "fanaticism axis 5\n", 21, "out of range");
    ExpectRefused(std::string(kBase) + "fanaticism none 2\n", 21, "axis or allies");
}

TEST_F(DescriptionTest, PlacementFaultsNameTheUnitsLine) {
    ExpectRefused(std::string(kBase) + "veh 999 3 340 300 180\n", 21, "no vehicle row 999");
    ExpectRefused(std::string(kBase) + "inf 252 3 240 300 180\n", 21, "outside zone 4");
    ExpectRefused(std::string(kBase) + "veh 16 3 344 104 180\n", 21,
                  "within reach of the vehicle on line 19");
    // Deep water inside the side's zone.
    ExpectRefused(std::string(kBase) + "zone 4 200 0 240 400\nveh 16 3 210 300 180\n", 22,
                  "may not stand there");
    ExpectRefused(std::string(kBase) + "force axis 31 regular\nplatoon 2\ninf 1 0 340 300 180\n", 23,
                  "does not fight for the Axis");
}

TEST_F(DescriptionTest, ListsBeyondWhatIdentifiersNameAreRefused) {
    std::string many = kBase;
    for (int i = 0; i < 21; ++i)
        many += "reinforce 5 0.5 300 300\n";
    ExpectRefused(many, 20 + 21, "more than 20 reinforcements");

    std::string crowded = std::string(kBase) + "reinforce 5 0.5 300 300\n";
    for (int i = 0; i < 501; ++i)
        crowded += "inf 252 " + std::to_string(i + 2) + " 300 300 0\n";
    ExpectRefused(crowded, 21 + 501, "more than 500 units in one reinforcement");
}

TEST_F(DescriptionTest, GermanTextsBecomeLatin1) {
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(std::string(kBase) + "briefing axis \"Br\xc3\xbc"
                                                       "cke\"\n",
                                  "probe.txt", &d, &fault));
    EXPECT_EQ(d.briefing[0], "Br\xfc"
                             "cke");
}

// The defender's foxhole allowance travels in the battle record, as many
// left to place as allowed; a description without it reads as none, and a
// count beyond 99 is refused at its line.
TEST_F(DescriptionTest, FoxholeAllowanceIsKeptInTheBattleRecord) {
    FileTestFolder folder;
    auto written = [&](const std::string& text) {
        const std::string path = folder.File("f.mvg");
        ScenarioDescription d;
        ScenarioFault fault;
        EXPECT_TRUE(ParseScenarioText(text, "probe.txt", &d, &fault)) << fault.Text();
        EXPECT_TRUE(WriteScenarioFile(d, path, &fault)) << fault.Text();
        auto read = std::make_unique<LoadedGameFile>();
        EXPECT_TRUE(LoadGameFile(path, read.get()));
        return read;
    };
    auto with = written(std::string(kBase) + "attacker allies\nfoxholes 99\n");
    ASSERT_NE(with->battle, nullptr);
    EXPECT_EQ(with->battle->mMap->mFoxholeAllowance, 99);
    EXPECT_EQ(with->battle->mMap->mFoxholesLeft, 99);
    auto without = written(kBase);
    ASSERT_NE(without->battle, nullptr);
    EXPECT_EQ(without->battle->mMap->mFoxholeAllowance, 0);
    EXPECT_EQ(without->battle->mMap->mFoxholesLeft, 0);
    ExpectRefused(std::string(kBase) + "foxholes 100\n", 21, "foxholes 100 is out of range 0..99");
}

TEST_F(DescriptionTest, RefusedDescriptionLeavesTheOldFileAndNoPart) {
    FileTestFolder folder;
    const std::string path = folder.File("probe.mvg");
    {
        std::ofstream old(path);
        old << "old";
    }
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(std::string(kBase) + "inf 252 3 240 300 180\n", "probe.txt", &d, &fault));
    EXPECT_FALSE(WriteScenarioFile(d, path, &fault));
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// ---------------------------------------------------------------- scripts

TEST(OrderScriptText, FaultsNameTheLine) {
    struct Case {
        const char* text;
        int line;
        const char* reason;
    } cases[] = {
        {"move allies A 1 1 move 10 10\n", 1, "before the first 'turn'"},
        {"turn 2\nturn 2\n", 2, "turns must rise"},
        {"turn 1\nmove allies A 1 1 stroll 10 10\n", 2, "unknown pace 'stroll'"},
        {"turn 1\nmove allies A 1 1 move 10\n", 2, "x y pairs"},
        {"turn 1\nfire allies A 1 1 at allies B 1 1\n", 2, "its own side"},
        {"turn 1\nmove russians A 1 1 move 10 10\n", 2, "unknown side"},
        {"turn 1\njump allies A 1 1\n", 2, "unknown key 'jump'"},
        {"turn 1\nmove allies A 1 1 move 0x10 10\n", 2, "'0x10' is not a number"},
        {"turn 1\narea allies A 1 1 10 nan\n", 2, "'nan' is not a number"},
        {"turn 1\narea allies A 1 1 10 10\nbattle 2\n", 3, "before the first 'battle'"},
        {"battle 2\nturn 1\nbattle 2\n", 3, "battles must rise"},
    };
    for (const Case& c : cases) {
        OrderScript script;
        ScenarioFault fault;
        EXPECT_FALSE(ParseOrderScript(c.text, "probe.orders", &script, &fault)) << c.text;
        EXPECT_EQ(fault.line, c.line) << fault.Text();
        EXPECT_NE(fault.reason.find(c.reason), std::string::npos) << fault.Text();
    }
}

// The demo operation's script with a fraction where a battle, a turn or a
// platoon is counted: refused at that line, never cut to the whole number.
TEST(OrderScriptText, AFractionWhereAWholeNumberIsMeantIsRefused) {
    const std::string path = std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.orders";
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    OrderScript script;
    ScenarioFault fault;
    ASSERT_TRUE(ParseOrderScript(text, path, &script, &fault)) << fault.Text();
    for (const auto& [line, edited] : {std::pair<std::string, std::string>{"battle 2\n", "battle 2.5\n"},
                                      {"turn 2\n", "turn 2.9\n"},
                                      {"area axis A 4 1 ", "area axis A 4.5 1 "}}) {
        std::string bad = text;
        const size_t at = bad.find("\n" + line);
        ASSERT_NE(at, std::string::npos) << line;
        bad.replace(at + 1, line.size(), edited);
        const int number = 2 + static_cast<int>(std::count(bad.begin(), bad.begin() + static_cast<long>(at), '\n'));
        EXPECT_FALSE(ParseOrderScript(bad, path, &script, &fault)) << edited;
        EXPECT_EQ(fault.line, number) << fault.Text();
        EXPECT_NE(fault.reason.find("is not a whole number"), std::string::npos) << fault.Text();
    }
}

TEST(OrderScriptText, OrdersReachTheNamedUnitInTheirTurnOnly) {
    ASSERT_TRUE(DecryptData());
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(kBase, "probe.txt", &d, &fault));
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr);
    Battle* old = gBattle;
    gBattle = battle.get();

    OrderScript script;
    ASSERT_TRUE(
        ParseOrderScript("turn 1\nmove axis B 1 0 hunt 320 160 300 180\nturn 2\nmove axis B 1 0 move 340 60\n"
                         "fire axis B 1 1 at allies A 1 1\n",
                         "probe.orders", &script, &fault));
    EXPECT_TRUE(CheckOrderScript(script, battle.get(), &fault)) << fault.Text();
    battle->mSetupPhase = false; // the runner's GO has ended the set-up
    EXPECT_EQ(ApplyOrders(script, 1, battle.get()), 1);
    Unit* tank = battle->mUnits->GetUnit(2);
    ASSERT_EQ(tank->mNrWaypoints, 2);
    EXPECT_EQ(tank->mWaypoints[1].mX, 300.0f);
    EXPECT_EQ(tank->mWaypoints[1].mY, 180.0f);
    EXPECT_EQ(battle->mUnits->GetUnit(3)->mNrWaypoints, 0);
    // An order the unit may not take (a tank does not crawl) is skipped.
    OrderScript crawl;
    ASSERT_TRUE(ParseOrderScript("turn 1\nmove axis B 1 0 crawl 330 170\n", "probe.orders", &crawl, &fault));
    EXPECT_EQ(ApplyOrders(crawl, 1, battle.get()), 0);
    // The orders of a side the computer plans are left out when asked.
    const bool skipAxis[2] = {true, false};
    EXPECT_EQ(ApplyOrders(script, 2, battle.get(), skipAxis), 0);
    EXPECT_EQ(tank->mNrWaypoints, 2);

    OrderScript stray;
    ASSERT_TRUE(ParseOrderScript("turn 1\n\nmove allies A 4 1 move 60 60\n", "stray.orders", &stray, &fault));
    EXPECT_FALSE(CheckOrderScript(stray, battle.get(), &fault));
    EXPECT_EQ(fault.line, 3);
    // A sewer trip ends in a large building: the base map has none.
    OrderScript sewer;
    ASSERT_TRUE(ParseOrderScript("turn 1\nmove allies A 1 1 sewer 60 60\n", "s.orders", &sewer, &fault));
    EXPECT_FALSE(CheckOrderScript(sewer, battle.get(), &fault));
    EXPECT_EQ(fault.line, 2);
    EXPECT_NE(fault.reason.find("large building"), std::string::npos) << fault.Text();
    gBattle = old;
}

// A sewer trip of several points is judged where it ends, in a large
// building, whatever its first point holds.
TEST(OrderScriptText, ASewerTripOfSeveralPointsIsJudgedWhereItEnds) {
    ASSERT_TRUE(DecryptData());
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(std::string(kBase) + "building 53 62 62 10 10\n", "probe.txt", &d, &fault))
        << fault.Text();
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    Battle* old = gBattle;
    gBattle = battle.get();
    for (const auto& [points, ends] : {std::pair{"150 150 66 66", true}, {"66 66 150 150", false}}) {
        OrderScript sewer;
        ASSERT_TRUE(ParseOrderScript(std::string("turn 1\nmove allies A 1 1 sewer ") + points + "\n",
                                     "s.orders", &sewer, &fault))
            << fault.Text();
        EXPECT_EQ(CheckOrderScript(sewer, battle.get(), &fault), ends) << points << ": " << fault.Text();
    }
    gBattle = old;
}

// ---------------------------------------------------------------- runner

TEST(BattleRunnerLoad, RefusesDamagedFilesAndScripts) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder;
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(kBase, "probe.txt", &d, &fault));
    const std::string path = folder.File("probe.mvg");
    ASSERT_TRUE(WriteScenarioFile(d, path, &fault));

    std::string error;
    {
        BattleRunner runner;
        ASSERT_TRUE(runner.Load(path, &error)) << error;
        EXPECT_EQ(runner.Seed(), 7);
        EXPECT_EQ(gBattle, runner.GetBattle());
        const std::string script = folder.File("probe.orders");
        std::ofstream(script) << "turn 1\nmove allies C 1 1 move 60 60\n";
        EXPECT_FALSE(runner.LoadScript(script, &error));
        EXPECT_NE(error.find("probe.orders:2"), std::string::npos) << error;
    }
    EXPECT_EQ(gBattle, nullptr);

    // The file cut short.
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size / 2);
    BattleRunner runner;
    EXPECT_FALSE(runner.Load(path, &error));
    EXPECT_EQ(runner.GetBattle(), nullptr);
    EXPECT_FALSE(runner.Load(folder.File("missing.mvg"), &error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos);
}
