// An operation between its battles: its record in a saved game, the time of
// day of each battle, where each side's groups arrive, the edge of the
// operation map and the front line after a battle.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "battle/Campaign.h"
#include "battle/BattleResult.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "battle/turn_fixtures.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Inanimate.h"

namespace {

struct OperationScope {
    OperationScope() {
        old = gCampaign;
        gCampaign = &campaign;
    }
    ~OperationScope() { gCampaign = old; }
    Campaign campaign;
    Campaign* old = nullptr;
};

Inanimate* Wire(float x, float y, int32_t side) {
    auto* unit = new Inanimate;
    unit->IInanimate(kInanimateWire, 0, x, y, 0.0f);
    unit->mSide = side;
    return unit;
}

// An operation with every field away from its default.
void FillOperation(Campaign* c) {
    c->IScenarioCore();
    c->mMap = new Map;
    c->mMap->IBlankMap(12, 8, 1.0f, 10);
    c->mTurn = 2;
    c->mLastTurn = 3;
    c->mAttacker = 1;
    c->mDate = 4406;
    c->mUnits->Add(Wire(40.0f, 60.0f, 0));
    c->mUnits->Add(Wire(140.0f, 60.0f, 1));
    auto* reserve = new Reinforcement;
    reserve->mArrivalTurn = -2;
    reserve->mUnits->Add(Wire(200.0f, 100.0f, 1));
    c->mReinforcements[1].Add(reserve);
    c->mOperationType = 2;
    c->mAttackerScoreFactor = 80;
    c->mSleeveSize = 6;
    c->mAttackDirection = 3;
    c->mSleeveOffsetX = 1;
    c->mSleeveOffsetY = 2;
    c->mFrontLine = 5;
    c->mStartLine = 60;
    c->mSideValue[0] = 1;
    c->mSideValue[1] = 2;
    c->mSideScore[0] = 120;
    c->mSideScore[1] = -7;
    c->mSideLosses[0][0] = 3;
    c->mSideLosses[0][1] = 4;
    c->mSideLosses[1][0] = 5;
    c->mSideLosses[1][1] = -6;
    c->mSupplyLevel[0] = 5;
    c->mSupplyLevel[1] = 2;
    for (int32_t row = 0; row < 7; ++row) {
        c->mTotals[0][row] = 10 + row;
        c->mTotals[1][row] = 20 * row;
    }
    c->mNightQuestion[1] = true;
    c->mDayPeriod = 5;
    c->mDayOffset = 2;
    c->mEdgeSide = 0;
    c->mEdgeValue = 1;
    c->mFrontMode = 2;
    c->mFrontDepth = 160;
    c->mRarityMode = 1;
    c->mRegion = 3;
    c->mOpUnitsA->Add(Wire(10.0f, 10.0f, 0));
    c->mOpUnitsB->Add(Wire(30.0f, 50.0f, 1));
    auto* flag = new VictoryFlag;
    flag->mX = 220.0f;
    flag->mY = 30.0f;
    flag->mKind = 1;
    flag->mNeutral = false;
    flag->mHolderNation = 3;
    c->mOpFlags.Add(flag);
}

std::vector<uint8_t> RecordOf(Campaign* c) {
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    c->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

bool ReadRecord(const std::vector<uint8_t>& bytes, Campaign* c) {
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    if (!bytes.empty()) file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Rewind();
    return c->ICampaign(&file);
}

// A unit that any ground on or off the map carries.
class Walker : public ScriptUnit {
public:
    Walker() : ScriptUnit(kUnitInfantry) {}
    float MoveSpeed(float*) override { return 1.0f; }
};

} // namespace

// ---------------------------------------------------------------------------
// The record

TEST(OperationRecord, KeepsEveryFieldAndWritesTheSameBytesAgain) {
    Campaign written;
    FillOperation(&written);
    const std::vector<uint8_t> first = RecordOf(&written);
    Campaign read;
    ASSERT_TRUE(ReadRecord(first, &read));
    EXPECT_EQ(RecordOf(&read), first);

    EXPECT_EQ(read.mTurn, 2);
    EXPECT_EQ(read.mLastTurn, 3);
    EXPECT_EQ(read.mAttacker, 1);
    ASSERT_NE(read.mMap, nullptr);
    EXPECT_EQ(read.mMap->mWidth, 12);
    EXPECT_EQ(read.mUnits->GetCount(), 2);
    ASSERT_EQ(read.mReinforcements[1].GetCount(), 1);
    EXPECT_EQ(static_cast<Reinforcement*>(read.mReinforcements[1].GetObjectA(0))->mArrivalTurn, -2);
    EXPECT_EQ(read.mOperationType, 2);
    EXPECT_EQ(read.mAttackerScoreFactor, 80);
    EXPECT_EQ(read.mSleeveSize, 6);
    EXPECT_EQ(read.mAttackDirection, 3);
    EXPECT_EQ(read.mSleeveOffsetX, 1);
    EXPECT_EQ(read.mSleeveOffsetY, 2);
    EXPECT_EQ(read.mFrontLine, 5);
    EXPECT_EQ(read.mStartLine, 60);
    EXPECT_EQ(read.mSideValue[1], 2);
    EXPECT_EQ(read.mSideScore[1], -7);
    EXPECT_EQ(read.mSideLosses[1][1], -6);
    EXPECT_EQ(read.mSupplyLevel[0], 5);
    EXPECT_EQ(read.mTotals[1][6], 120);
    EXPECT_TRUE(read.mNightQuestion[1]);
    EXPECT_FALSE(read.mNightQuestion[0]);
    EXPECT_EQ(read.mDayPeriod, 5);
    EXPECT_EQ(read.mDayOffset, 2);
    EXPECT_EQ(read.mEdgeSide, 0);
    EXPECT_EQ(read.mEdgeValue, 1);
    EXPECT_EQ(read.mFrontMode, 2);
    EXPECT_EQ(read.mFrontDepth, 160);
    EXPECT_EQ(read.mRarityMode, 1);
    EXPECT_EQ(read.mRegion, 3);
    EXPECT_EQ(read.mOpUnitsA->GetCount(), 1);
    EXPECT_EQ(read.mOpUnitsB->GetCount(), 1);
    ASSERT_EQ(read.mOpFlags.GetCount(), 1);
    auto* flag = static_cast<VictoryFlag*>(read.mOpFlags.GetObjectA(0));
    EXPECT_EQ(flag->mX, 220.0f);
    EXPECT_EQ(flag->mHolderNation, 3);
}

TEST(OperationRecord, ReadingLeavesTheRandomDrawsAlone) {
    Campaign written;
    FillOperation(&written);
    const std::vector<uint8_t> bytes = RecordOf(&written);
    SeedRandomGenerator(99);
    Campaign read;
    ASSERT_TRUE(ReadRecord(bytes, &read));
    EXPECT_EQ(GetRandomState(), 99u);
}

TEST(OperationRecord, DamagedRecordsAreRefusedAndLeaveNothingBehind) {
    Campaign written;
    FillOperation(&written);
    const std::vector<uint8_t> bytes = RecordOf(&written);
    // Every cut short record is refused.
    for (size_t n = 0; n < bytes.size(); n += 97) {
        Campaign read;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(ReadRecord(cut, &read)) << n;
        EXPECT_EQ(read.mUnits->GetCount(), 0);
        EXPECT_EQ(read.mOpFlags.GetCount(), 0);
        EXPECT_EQ(read.mOpUnitsA->GetCount(), 0);
    }
    // Values no operation can hold.
    auto refused = [](void (*spoil)(Campaign*)) {
        Campaign c;
        FillOperation(&c);
        spoil(&c);
        Campaign read;
        return !ReadRecord(RecordOf(&c), &read);
    };
    EXPECT_TRUE(refused([](Campaign* c) { c->mAttackDirection = 4; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mSleeveSize = 0; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mSupplyLevel[1] = 6; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mTurn = 5; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mEdgeValue = 4; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mRarityMode = 3; }));
    EXPECT_FALSE(refused([](Campaign* c) { c->mTurn = 4; })); // the operation just ended
    // The front line on the map's 8 squares along the attack, the strip's
    // corner within the 12 x 8 map, a day offset of at most 1000.
    EXPECT_FALSE(refused([](Campaign* c) { c->mFrontLine = 7; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mFrontLine = 8; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mFrontLine = -1; }));
    EXPECT_FALSE(refused([](Campaign* c) { c->mSleeveOffsetX = 12; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mSleeveOffsetX = 13; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mSleeveOffsetY = -1; }));
    EXPECT_FALSE(refused([](Campaign* c) { c->mSleeveOffsetY = 8; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mSleeveOffsetY = 9; })); // within the width, past the height
    EXPECT_FALSE(refused([](Campaign* c) { c->mDayOffset = 1000; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mDayOffset = 1001; }));
    EXPECT_TRUE(refused([](Campaign* c) { c->mDayOffset = -1; }));
}

TEST(OperationRecord, TravelsInTheSavedGameAndADamagedOneIsRefused) {
    TurnBattle t;
    Campaign campaign;
    FillOperation(&campaign);
    GameFileState state;
    state.players = 1;
    state.side = 0;
    state.scenarioName.IStringText("Operation");
    GFile out;
    ASSERT_TRUE(out.ITempFile(false));
    WriteGameFile(&out, &state, &t.battle, &campaign);
    out.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(out.GetFileLength()));
    out.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));

    auto load = [](const std::vector<uint8_t>& data, GameFileContents* contents) {
        GFile in;
        EXPECT_TRUE(in.ITempFile(false));
        in.WriteBytes(data.data(), static_cast<int32_t>(data.size()));
        in.Rewind();
        GameFileState read;
        return ReadGameFile(&in, &read, contents);
    };
    GameFileContents contents;
    ASSERT_EQ(load(bytes, &contents), kGameFileLoaded);
    std::unique_ptr<Battle> battle(contents.battle);
    std::unique_ptr<Campaign> loaded(contents.campaign);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->mFrontLine, 5);
    EXPECT_EQ(loaded->mDayPeriod, 5);
    EXPECT_EQ(RecordOf(loaded.get()), RecordOf(&campaign));

    // The operation's direction byte spoilt: the whole file is refused.
    const std::vector<uint8_t> record = RecordOf(&campaign);
    const std::vector<uint8_t> spoiltRecord = [&] {
        Campaign c;
        FillOperation(&c);
        c.mAttackDirection = 9;
        return RecordOf(&c);
    }();
    auto at = std::search(bytes.begin(), bytes.end(), record.begin(), record.end());
    ASSERT_NE(at, bytes.end());
    std::vector<uint8_t> spoilt = bytes;
    std::copy(spoiltRecord.begin(), spoiltRecord.end(), spoilt.begin() + (at - bytes.begin()));
    GameFileContents none;
    EXPECT_EQ(load(spoilt, &none), kGameFileDamaged);
    EXPECT_EQ(none.campaign, nullptr);
    EXPECT_EQ(none.battle, nullptr);
}

// ---------------------------------------------------------------------------
// The time of day of each battle

TEST(OperationBattles, TimeOfDayFollowsTheBattleNumber) {
    Campaign c;
    c.mDayPeriod = 5;
    std::vector<int32_t> days;
    for (c.mTurn = 1; c.mTurn <= 5; ++c.mTurn)
        days.push_back(c.BattleDaytime());
    EXPECT_EQ(days, (std::vector<int32_t>{kMorning, kMidday, kMidday, kEvening, kNight}));
    c.mDayOffset = 4; // the first battle at night
    c.mTurn = 1;
    EXPECT_EQ(c.BattleDaytime(), kNight);
    c.mDayPeriod = 0; // no day cycle: always midday
    EXPECT_EQ(c.BattleDaytime(), kMidday);

    TurnBattle t;
    c.mDayPeriod = 2;
    c.mDayOffset = 0;
    c.mTurn = 2;
    c.mSideValue[0] = 2;
    c.mSideValue[1] = 1;
    c.StartBattle(&t.battle);
    EXPECT_EQ(t.battle.mTimeOfDay, kNight);
    EXPECT_EQ(c.mSideValue[0], 0);
    EXPECT_EQ(c.mSideValue[1], 0);
}

// ---------------------------------------------------------------------------
// Where groups arrive

TEST(OperationBattles, EachSidesGroupsArriveAtItsOwnRearFacingTheEnemy) {
    // The strip is the whole 40-square map; the attacker starts from the
    // west (0), north (1), east (2) or south (3).
    struct Expect {
        bool alongX;        // the attack runs along x
        bool attackerHigh;  // the attacker's rear lies at the high end
        float attackerFacing;
    };
    const Expect expect[4] = {{true, false, 0.0f}, {false, true, 270.0f}, {true, true, 180.0f}, {false, false, 90.0f}};
    for (int32_t d = 0; d < 4; ++d) {
        for (int32_t attacker = 0; attacker < 2; ++attacker) {
            for (Affiliation side = 0; side < 2; ++side) {
                TurnBattle t;
                t.battle.mMap->IBlankMap(40, 40, 1.0f, 10);
                OperationScope op;
                op.campaign.mAttackDirection = d;
                op.campaign.mAttacker = attacker;
                op.campaign.mSleeveSize = 40;
                auto* r = new Reinforcement;
                auto* u = new ScriptUnit(kUnitInfantry);
                u->mSide = side == kAxis ? 1 : 0;
                r->mUnits->Add(u);
                op.campaign.OneReinforcementArrives(r);
                r->mUnits->EmptyOut(false); // the unit now belongs to the operation's list
                delete r;
                const bool isAttacker = side == attacker;
                const bool high = isAttacker ? expect[d].attackerHigh : !expect[d].attackerHigh;
                const float along = expect[d].alongX ? u->mX : u->mY;
                const float across = expect[d].alongX ? u->mY : u->mX;
                SCOPED_TRACE(testing::Message() << "direction " << d << " attacker " << attacker << " side " << side);
                // Within the rear half along the attack, the middle half across it.
                if (high)
                    EXPECT_GT(along, 400.0f);
                else
                    EXPECT_LT(along, 400.0f);
                EXPECT_GE(across, 200.0f);
                EXPECT_LE(across, 600.0f);
                const float facing = isAttacker ? expect[d].attackerFacing
                                                : std::fmod(expect[d].attackerFacing + 180.0f, 360.0f);
                EXPECT_EQ(u->mHeading, facing);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The operation's edge

TEST(OperationBattles, HeldSideMayNotCrossTheOperationsEdge) {
    TurnBattle t; // a 200 m square map
    Walker axis, allies;
    axis.mSide = 1;
    allies.mSide = 0;
    // Beyond each edge: east, south, west, north.
    const float beyond[4][2] = {{230.0f, 100.0f}, {100.0f, -30.0f}, {-30.0f, 100.0f}, {100.0f, 230.0f}};
    // No operation: off-map points keep the answer of the ground.
    for (const auto& p : beyond)
        EXPECT_TRUE(axis.CanOccupyLocation(p[0], p[1], false));
    OperationScope op;
    op.campaign.mEdgeSide = kAxis;
    for (int32_t edge = 0; edge < 4; ++edge) {
        op.campaign.mEdgeValue = edge;
        for (int32_t k = 0; k < 4; ++k) {
            SCOPED_TRACE(testing::Message() << "edge " << edge << " point " << k);
            EXPECT_EQ(axis.CanOccupyLocation(beyond[k][0], beyond[k][1], false), k != edge);
            EXPECT_TRUE(allies.CanOccupyLocation(beyond[k][0], beyond[k][1], false));
        }
        EXPECT_TRUE(axis.CanOccupyLocation(100.0f, 100.0f, false)); // on the map
    }
    // By default the edge is the one beyond the attacker's objective.
    op.campaign.mEdgeValue = -1;
    op.campaign.mAttackDirection = 2;
    EXPECT_FALSE(axis.CanOccupyLocation(-30.0f, 100.0f, false));
    EXPECT_TRUE(axis.CanOccupyLocation(230.0f, 100.0f, false));
    op.campaign.mEdgeSide = 2; // nobody held
    EXPECT_TRUE(axis.CanOccupyLocation(-30.0f, 100.0f, false));
}

// ---------------------------------------------------------------------------
// The front line after a battle

TEST(OperationBattles, FrontLineLiesBetweenTheSidesOrAtTheAttackersHead) {
    TurnBattle t;
    OperationScope op;
    op.campaign.mAttacker = 1; // the Allies attack from the west
    op.campaign.mAttackDirection = 0;
    op.campaign.mFrontLine = 2;
    t.Add(kUnitInfantry, kAllies, 60.0f, 100.0f);
    t.Add(kUnitInfantry, kAllies, 100.0f, 100.0f);
    ScriptUnit* defender = t.Add(kUnitInfantry, kAxis, 160.0f, 100.0f);
    op.campaign.ComputeFrontLine();
    EXPECT_EQ(op.campaign.mFrontLine, 6); // (80 + 160) / 2 = 120 m
    defender->mSurrendered = true;
    op.campaign.ComputeFrontLine();
    EXPECT_EQ(op.campaign.mFrontLine, 5); // the foremost attacker at 100 m
    // Seen from the east the same ground lies the other way round.
    op.campaign.mAttackDirection = 2;
    op.campaign.ComputeFrontLine();
    EXPECT_EQ(op.campaign.mFrontLine, 7); // 200 - 60 = 140 m
    for (int32_t i = 0; i < t.battle.mUnits->GetCount(); ++i)
        t.battle.mUnits->GetUnit(i)->mActive = false;
    op.campaign.ComputeFrontLine();
    EXPECT_EQ(op.campaign.mFrontLine, 7); // nothing standing: unchanged
}

TEST(OperationBattles, TheResultScreenGradesByWhoHoldsTheFlagsNow) {
    TurnBattle t;
    OperationScope op;
    Campaign& c = op.campaign;
    c.mAttacker = 0; // the Axis attack, judged by points
    c.mOperationType = 2;
    c.mSleeveOffsetX = 3;
    auto* held = new VictoryFlag;
    held->mX = 160.0f; // 100 m into the strip
    held->mY = 40.0f;
    held->mNeutral = false;
    held->mHolderNation = 3; // the Allies' before the battle
    c.mOpFlags.Add(held);
    auto* fought = new VictoryFlag;
    fought->mX = 100.0f;
    fought->mY = 40.0f;
    fought->mNeutral = false;
    fought->mHolderNation = 0; // taken by the Axis
    t.battle.mFlags.Add(fought);
    EXPECT_EQ(c.ComputeVictor(), 4);
    c.RetrieveOpFlags();
    ASSERT_EQ(c.mOpFlags.GetCount(), 1);
    EXPECT_EQ(held->mHolderNation, 0);
    EXPECT_EQ(c.ComputeVictor(), -4);
}

// ---------------------------------------------------------------------------
// The enemy's figures on the result screen

TEST(OperationBattles, EnemyFiguresAreOffByAFifthToAThirdTheSameEachTime) {
    int32_t up = 0, down = 0;
    for (int32_t salt = 0; salt < 200; ++salt) {
        const int32_t shown = EstimatedFigure(1000, 0, salt);
        EXPECT_EQ(shown, EstimatedFigure(1000, 0, salt));
        if (shown > 1000) {
            ++up;
            EXPECT_GE(shown, 1200);
            EXPECT_LE(shown, 1320);
        } else {
            ++down;
            EXPECT_GE(shown, 680);
            EXPECT_LE(shown, 800);
        }
    }
    EXPECT_GT(up, 50);
    EXPECT_GT(down, 50);
    EXPECT_EQ(EstimatedFigure(0, 3, 7), 0); // nothing lost stays an empty cell
}

// ---------------------------------------------------------------------------
// The end of a battle of an e-mail operation

TEST(OperationBattles, ACeaseFireByMailAdvancesTheOperationByOneBattle) {
    class MailHost : public TestHost {
    public:
        int32_t ConnectionKind() override { return 1; }
    };
    TurnBattle t;
    MailHost mail;
    mail.mHumans = 2;
    t.battle.mHost = &mail;
    OperationScope op;
    op.campaign.mLastTurn = 3;
    op.campaign.mTurn = 1;
    t.battle.mSurrenderState[0] = t.battle.mSurrenderState[1] = 1;
    t.battle.TruceOrSurrenderCheck(false);
    EXPECT_EQ(op.campaign.mTurn, 2);
    t.battle.mHost = &t.host;
}
