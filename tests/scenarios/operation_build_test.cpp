// Operation descriptions: the faults that must stop the build name the
// file, the line and the reason; a sound description gives an operation
// file that reads back with every value and is written again to the same
// bytes; the shipped demo operation is what its description makes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// A sound operation: 30 x 20 squares, the Allies attacking from the west.
const char* const kOperation = R"(operation
title "Probe"
map 30 20 1.0 60
date 4406
attacker allies
seed 9
battles 3
type points
direction 0
strip 20
startline 100
frontline 10
day 5 1
night axis
edge allies 2
front 1 150
supply axis 4
supply allies 1
briefing general "Lage."
flag large 400 200 axis
force allies 30 regular
company A
platoon 1
inf 4 0 100 100 0 leader
inf 1 1 100 140 0
reserve 2 20 200
company B
platoon 1
inf 4 0 20 200 0 leader
force axis 0 regular
company C
platoon 1
inf 254 0 400 100 180 leader
inf 252 1 400 140 180
reserve 0 580 200
company D
platoon 1
inf 254 0 580 200 180 leader
foxholes 4
)";

std::string Replace(const std::string& text, const std::string& from, const std::string& to) {
    std::string out = text;
    const size_t at = out.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) out.replace(at, from.size(), to);
    return out;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class OperationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        mDir = std::filesystem::temp_directory_path() /
               ("dm-operation-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    bool Build(const std::string& text, ScenarioFault* fault) {
        ScenarioDescription d;
        if (!ParseScenarioText(text, "probe.txt", &d, fault)) return false;
        return WriteScenarioFile(d, Path("probe.mvh"), fault);
    }
    void ExpectRefused(const std::string& text, int line, const std::string& reason) {
        ScenarioFault fault;
        EXPECT_FALSE(Build(text, &fault)) << text;
        EXPECT_EQ(fault.file, "probe.txt");
        EXPECT_EQ(fault.line, line) << fault.Text();
        EXPECT_NE(fault.reason.find(reason), std::string::npos) << fault.Text();
        EXPECT_FALSE(std::filesystem::exists(Path("probe.mvh")));
        EXPECT_FALSE(std::filesystem::exists(Path("probe.mvh.part")));
    }
    std::string Path(const std::string& name) const { return (mDir / name).string(); }

    // Reads an operation file whole; the operation, or null.
    static std::unique_ptr<Campaign> ReadOperation(const std::string& path, GameFileState* state,
                                                   GameFileHeader* header) {
        GFile file;
        if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return nullptr;
        if (ReadGameFileHeader(&file, header) != kGameFileLoaded) return nullptr;
        file.Rewind();
        GameFileContents contents;
        if (ReadGameFile(&file, state, &contents, {.takeSeed = true}) != kGameFileLoaded) return nullptr;
        delete contents.battle;
        EXPECT_EQ(contents.battle, nullptr);
        return std::unique_ptr<Campaign>(contents.campaign);
    }
    // The operation written again as the builder writes it.
    std::vector<uint8_t> WriteAgain(Campaign* op, GameFileState state, const std::string& name) {
        {
            GFile file;
            EXPECT_TRUE(file.IFile(Path(name).c_str(), kFileModeCompressedWrite));
            WriteGameFile(&file, &state, nullptr, op, {.scenario = true});
        }
        return ReadBytes(Path(name));
    }

    std::filesystem::path mDir;
};

} // namespace

TEST_F(OperationTest, BadDescriptionsFailWithFileLineAndReason) {
    const std::string base = kOperation;
    ExpectRefused(Replace(base, "direction 0", "direction 4"), 9, "direction 4 is out of range 0..3");
    ExpectRefused(Replace(base, "direction 0", "direction -1"), 9, "out of range 0..3");
    // The strip runs along the attack: 20 rows are too few for 25 squares.
    ExpectRefused(Replace(Replace(base, "direction 0", "direction 1"), "strip 20", "strip 25"), 10,
                  "larger than the map's 20 squares");
    ExpectRefused(Replace(base, "strip 20", "strip 31"), 10, "larger than the map's 30 squares");
    ExpectRefused(Replace(base, "battles 3", "battles 0"), 7, "battles 0 is out of range 1..20");
    ExpectRefused(Replace(base, "battles 3\n", ""), 1, "needs 'battles <n>'");
    ExpectRefused(Replace(base, "reserve 2 20 200", "reserve 3 20 200"), 26,
                  "reserve row 3 is out of range 0..2");
    ExpectRefused(Replace(base, "inf 4 0 100 100 0 leader", "inf 4 0 700 100 0 leader"), 24,
                  "x 700 is out of range");
    ExpectRefused(Replace(base, "inf 254 0 580 200 180", "inf 254 0 580 420 180"), 38,
                  "y 420 is out of range");
    ExpectRefused(Replace(base, "reserve 0 580 200", "reserve 0 600 200"), 35, "off the map");
    ExpectRefused(Replace(base, "frontline 10", "frontline 30"), 12, "lies beyond the map's 30 squares");
    ExpectRefused(Replace(base, "startline 100", "startline 400"), 11, "behind the start line");
    ExpectRefused(Replace(Replace(base, "type points", "type advance"), "frontline 10", "frontline 29"), 12,
                  "already lies at the attacker's objective");
    ExpectRefused(Replace(base, "type points", "type pincer"), 8, "advance or points");
    ExpectRefused(Replace(base, "night axis", "night none"), 14, "axis or allies");
    ExpectRefused(Replace(base, "front 1 150", "front 3 150"), 16, "front mode 3");
    ExpectRefused(Replace(base, "supply axis 4", "supply axis 6"), 17, "supply level 6");
    ExpectRefused(Replace(base, "edge allies 2", "edge allies 4"), 15, "edge 4");
    // A battle's statements are not an operation's, and the reverse.
    ExpectRefused(Replace(base, "seed 9", "turns 12"), 6, "not a statement of an operation");
    ExpectRefused(Replace(base, "reserve 2 20 200", "reinforce 3 1 20 200"), 26,
                  "not a statement of an operation");
    ExpectRefused(Replace(base, "operation\n", ""), 6, "belongs to an operation");
    ExpectRefused("title \"Probe\"\n" + base, 2, "must be the first statement");
    // No score of its own is kept, so no weight of one is taken.
    ExpectRefused(Replace(base, "strip 20\n", "strip 20\nscorefactor 80\n"), 11,
                  "'scorefactor' is no statement");
    ExpectRefused(Replace(base, "attacker allies", "attacker none"), 1, "needs an 'attacker'");
}

TEST_F(OperationTest, SoundDescriptionReadsBackWithEveryValueAndWritesTheSameBytes) {
    ScenarioFault fault;
    ASSERT_TRUE(Build(kOperation, &fault)) << fault.Text();
    const std::vector<uint8_t> first = ReadBytes(Path("probe.mvh"));
    // Built again from the same text: the same bytes.
    std::filesystem::remove(Path("probe.mvh"));
    ASSERT_TRUE(Build(kOperation, &fault)) << fault.Text();
    EXPECT_EQ(ReadBytes(Path("probe.mvh")), first);

    GameFileState state;
    GameFileHeader header;
    std::unique_ptr<Campaign> op = ReadOperation(Path("probe.mvh"), &state, &header);
    ASSERT_NE(op, nullptr);
    EXPECT_FALSE(header.fromGame);
    EXPECT_EQ(header.rounds, 3);
    EXPECT_EQ(header.units, 6);
    EXPECT_STREQ(header.title.GetCString(), "Probe");
    EXPECT_EQ(state.scenarioKind, 2);
    EXPECT_EQ(state.randomSeed, 9);
    EXPECT_EQ(op->mTurn, 1);
    EXPECT_EQ(op->mLastTurn, 3);
    EXPECT_EQ(op->mAttacker, 1);
    EXPECT_EQ(op->mDate, 4406);
    EXPECT_EQ(op->mOperationType, 2);
    EXPECT_EQ(op->mAttackDirection, 0);
    EXPECT_EQ(op->mSleeveSize, 20);
    EXPECT_EQ(op->mAttackerScoreFactor, 100);
    EXPECT_EQ(op->mStartLine, 100);
    EXPECT_EQ(op->mFrontLine, 10);
    // The first strip: around the front, kept on the map.
    EXPECT_EQ(op->mSleeveOffsetX, 0);
    EXPECT_EQ(op->mSleeveOffsetY, 0);
    EXPECT_EQ(op->mDayPeriod, 5);
    EXPECT_EQ(op->mDayOffset, 1);
    EXPECT_TRUE(op->mNightQuestion[0]);
    EXPECT_FALSE(op->mNightQuestion[1]);
    EXPECT_EQ(op->mEdgeSide, 1);
    EXPECT_EQ(op->mEdgeValue, 2);
    EXPECT_EQ(op->mFrontMode, 1);
    EXPECT_EQ(op->mFrontDepth, 150);
    EXPECT_EQ(op->mSupplyLevel[0], 1); // the Allies
    EXPECT_EQ(op->mSupplyLevel[1], 4); // the Axis
    EXPECT_EQ(op->mFoxholeAllowance, 4);
    ASSERT_NE(op->mMap, nullptr);
    EXPECT_EQ(op->mMap->mWidth, 30);
    EXPECT_EQ(op->mMap->mHeight, 20);
    EXPECT_EQ(op->mUnits->GetCount(), 4);
    ASSERT_EQ(op->mOpFlags.GetCount(), 1);
    auto* flag = static_cast<VictoryFlag*>(op->mOpFlags.GetObjectA(0));
    EXPECT_EQ(flag->mX, 400.0f);
    EXPECT_FALSE(flag->mNeutral);
    ASSERT_NE(op->mBriefing[2], nullptr);
    // Reserves: row r arrives as turn -1 - r, each with its own units.
    for (int32_t side = 0; side < 2; ++side) {
        ASSERT_EQ(op->mReinforcements[side].GetCount(), 1) << side;
        auto* r = static_cast<Reinforcement*>(op->mReinforcements[side].GetObjectA(0));
        EXPECT_EQ(r->mArrivalTurn, side == 0 ? -1 : -3);
        EXPECT_EQ(r->mUnits->GetCount(), 1);
        EXPECT_EQ(r->mUnits->GetUnit(0)->GetAffiliation(), side);
    }

    // Write, read, write: the same bytes as the builder's.
    EXPECT_EQ(WriteAgain(op.get(), state, "again.mvh"), first);
    GameFileHeader again;
    std::unique_ptr<Campaign> second = ReadOperation(Path("again.mvh"), &state, &again);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(WriteAgain(second.get(), state, "third.mvh"), first);
}

TEST_F(OperationTest, DemoOperationIsWhatItsDescriptionMakes) {
    const std::string built = std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh";
    ScenarioFault fault;
    ASSERT_TRUE(
        BuildScenarioFile(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.txt", Path("mortain.mvh"), &fault))
        << fault.Text();
    const std::vector<uint8_t> bytes = ReadBytes(built);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(ReadBytes(Path("mortain.mvh")), bytes);

    GameFileState state;
    GameFileHeader header;
    std::unique_ptr<Campaign> op = ReadOperation(built, &state, &header);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(header.rounds, 3);
    EXPECT_EQ(op->mLastTurn, 3);
    EXPECT_EQ(op->mAttacker, 0);
    // The first battle is fought at night, a player of either side asked.
    EXPECT_EQ(op->BattleDaytime(), 3);
    EXPECT_TRUE(op->mNightQuestion[0]);
    EXPECT_TRUE(op->mNightQuestion[1]);
    // Both sides hold a reserve; the first strip holds units of both sides.
    int32_t x, y, w, h;
    op->GetSleeveDimensions(&x, &y, &w, &h);
    EXPECT_EQ(op->mSleeveOffsetX, x);
    EXPECT_EQ(op->mSleeveOffsetY, y);
    int32_t inStrip[2] = {0, 0};
    for (int32_t i = 0; i < op->mUnits->GetCount(); ++i) {
        Unit* u = op->mUnits->GetUnit(i);
        if (u->mX >= x * 20.0f && u->mX < (x + w) * 20.0f && u->mY >= y * 20.0f && u->mY < (y + h) * 20.0f)
            ++inStrip[u->GetAffiliation()];
    }
    EXPECT_GT(inStrip[0], 0);
    EXPECT_GT(inStrip[1], 0);
    for (int32_t side = 0; side < 2; ++side) {
        ASSERT_GE(op->mReinforcements[side].GetCount(), 1) << side;
        auto* r = static_cast<Reinforcement*>(op->mReinforcements[side].GetObjectA(0));
        EXPECT_LE(r->mArrivalTurn, -1);
        EXPECT_GE(r->mArrivalTurn, -3);
        EXPECT_GT(r->mUnits->GetCount(), 0);
    }
    for (int32_t b = 0; b < 3; ++b)
        EXPECT_NE(op->mBriefing[b], nullptr) << b;
    EXPECT_EQ(WriteAgain(op.get(), state, "again.mvh"), bytes);
}
