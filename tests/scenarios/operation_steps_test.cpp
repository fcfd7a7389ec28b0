// The steps between an operation's battles as the runner takes them: the
// strip cut with its units, zones and flags, the units carried back and
// tended, a reserve committed, a strip without one side ending the
// operation, and a game saved between or during battles going on as the
// unsaved one does.

#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "scenarios/OperationFixture.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OperationRunner.h"
#include "units/Unit.h"
#include "units/UnitFactory.h"

namespace {

constexpr uint16_t kSeed = 4407;
constexpr int32_t kAssaultGun = 17; // the reserve's vehicle type in the demo operation

int32_t CountUnits(Campaign* op, Battle* battle) {
    int32_t n = op->mUnits->GetCount() + op->mOpUnitsB->GetCount();
    for (int32_t s = 0; s < 2; ++s)
        for (int32_t k = 0; k < op->mReinforcements[s].GetCount(); ++k)
            n += static_cast<Reinforcement*>(op->mReinforcements[s].GetObjectA(k))->mUnits->GetCount();
    return n + (battle && battle->mUnits ? battle->mUnits->GetCount() : 0);
}

// Plays an operation to its end and gives, per battle, the digests of its
// turns and the digest after its steps.
std::vector<std::string> PlayToEnd(OperationRunner* runner, int32_t turns) {
    std::vector<std::string> digests;
    runner->LimitTurns(turns);
    std::string error;
    while (!runner->Over()) {
        OperationBattle b;
        if (!runner->PlayBattle(&b, &error)) {
            ADD_FAILURE() << error;
            break;
        }
        for (const RunnerTurn& t : b.turns)
            digests.push_back(t.battleDigest);
        digests.push_back(b.stepDigest);
    }
    return digests;
}

// A copy of the operation and its battle through a saved game.
void SaveAndLoad(Campaign* op, Battle* battle, Campaign** opCopy, Battle** battleCopy) {
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    GameFileState state;
    state.players = 1;
    state.side = kAxis;
    state.scenarioName = op->mTitle;
    Battle* kept = gBattle;
    gBattle = battle;
    WriteGameFile(&file, &state, battle, op);
    gBattle = kept;
    file.Rewind();
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {}), kGameFileLoaded);
    *opCopy = contents.campaign;
    *battleCopy = contents.battle;
}

// How far off the middle of the screen (degrees from the camera's heading,
// seen from the eye 270 m behind its focus at the opening height) a side's
// fighting units stand as the battle opens, taken at their mean place.
double OwnUnitsOffTheMiddle(Battle* battle, int32_t side) {
    const Map* map = battle->mMap;
    const double h = map->mCameraHeading[side], c = std::cos(h), s = std::sin(h);
    const double ex = map->mCameraX[side] - 270.0 * c, ey = map->mCameraY[side] - 270.0 * s;
    double x = 0.0, y = 0.0;
    int32_t all = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        const Unit* u = battle->mUnits->GetUnit(i);
        if (u->GetAffiliation() != side || (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) ||
            !u->mActive || u->mSurrendered || u->mTransport)
            continue;
        x += u->mX, y += u->mY, ++all;
    }
    if (all == 0) return 0.0;
    const double dx = x / all - ex, dy = y / all - ey;
    return std::fabs(std::atan2(-dx * s + dy * c, dx * c + dy * s)) * 180.0 / 3.14159265;
}

} // namespace

TEST(OperationSteps, TheStripIsCutWithItsUnitsZonesAndFlags) {
    Campaign* op = MakeTestOperation();
    ASSERT_NE(op, nullptr);
    op->mFoxholeAllowance = 4;
    OperationRunner runner;
    runner.Adopt(op, nullptr, kSeed);
    Battle* b = runner.GetBattle();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->mMap->mFoxholeAllowance, 4); // the defender's foxholes, all still to place
    EXPECT_EQ(b->mMap->mFoxholesLeft, 4);
    EXPECT_EQ(b->mMap->mWidth, 32);
    EXPECT_EQ(b->mMap->mHeight, op->mMap->mHeight);
    EXPECT_EQ(op->mSleeveOffsetX, 2);
    EXPECT_EQ(b->mTimeOfDay, kMorning);
    EXPECT_EQ(b->mLastTurn, kOperationBattleTurns);
    EXPECT_TRUE(b->mSetupPhase);
    // Every unit of the operation map stands in the strip: all of them
    // fight, on the strip's own ground, and the reserve waits.
    EXPECT_EQ(op->mUnits->GetCount(), 0);
    int32_t sides[2] = {0, 0};
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        EXPECT_TRUE(b->mMap->OnMap(u->mX, u->mY));
        ++sides[u->GetAffiliation()];
    }
    EXPECT_EQ(sides[0], 7); // hecken's platoon with its MG team
    EXPECT_EQ(sides[1], 8);
    EXPECT_EQ(op->mReinforcements[1].GetCount(), 1);
    // The first Allied rifleman stood at 120 m of the operation map.
    EXPECT_FLOAT_EQ(b->mUnits->GetUnit(0)->mX, 120.0f - 40.0f);
    // The zones: the attacker's behind the front line, the defender's beyond.
    const Map* m = b->mMap;
    EXPECT_EQ(m->GetSquare(0, 5)->mSetupZone, 1);
    EXPECT_EQ(m->GetSquare(15, 5)->mSetupZone, 1);
    EXPECT_EQ(m->GetSquare(16, 5)->mSetupZone, 0);
    EXPECT_EQ(m->GetSquare(17, 5)->mSetupZone, 4);
    EXPECT_EQ(m->GetSquare(31, 5)->mSetupZone, 4);
    ASSERT_EQ(b->mFlags.GetCount(), 3);
    EXPECT_FLOAT_EQ(static_cast<VictoryFlag*>(b->mFlags.GetObjectA(0))->mX, 560.0f - 40.0f);
    EXPECT_EQ(m->mBuildings->GetCount(), op->mMap->mBuildings->GetCount());
}

// The next battle takes each side's own fanaticism setting of the operation.
TEST(OperationSteps, TheNextBattleTakesEachSidesOwnFanaticism) {
    for (const auto& levels : {std::pair{1, 2}, std::pair{2, 0}}) {
        Campaign* op = MakeTestOperation();
        ASSERT_NE(op, nullptr);
        op->mFanaticism[0] = levels.first;
        op->mFanaticism[1] = levels.second;
        OperationRunner runner;
        runner.Adopt(op, nullptr, kSeed);
        Battle* b = runner.GetBattle();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->mFanaticism[0], levels.first);
        EXPECT_EQ(b->mFanaticism[1], levels.second);
    }
}

TEST(OperationSteps, UnitsComeBackTendedAndTheReserveCommits) {
    Campaign* op = MakeTestOperation();
    ASSERT_NE(op, nullptr);
    OperationRunner runner;
    runner.Adopt(op, nullptr, kSeed);
    const int32_t units = CountUnits(op, runner.GetBattle());
    runner.LimitTurns(3);
    OperationBattle first;
    std::string error;
    ASSERT_TRUE(runner.PlayBattle(&first, &error)) << error;
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.turns.size(), 3u);
    EXPECT_EQ(op->mTurn, 2);
    Battle* next = runner.GetBattle();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->mTimeOfDay, kMidday);
    // No unit is made or lost by the steps: fighting, held out, lost for
    // good or waiting in reserve.
    EXPECT_EQ(CountUnits(op, next), units);
    // A unit that fights again starts with its casualties made lasting
    // and no orders left over.
    for (int32_t i = 0; i < next->mUnits->GetCount(); ++i) {
        Unit* u = next->mUnits->GetUnit(i);
        EXPECT_TRUE(u->mActive);
        EXPECT_FALSE(u->mSurrendered);
        EXPECT_EQ(u->mOldCasualties, u->mCasualties > 0 ? u->mCasualties : u->mOldCasualties);
        EXPECT_EQ(u->mNrWaypoints, 0);
        EXPECT_TRUE(next->mMap->OnMap(u->mX, u->mY));
    }
    // The losses of the battle went into the totals of both sides.
    EXPECT_EQ(op->mSideLosses[0][0] + op->mSideLosses[1][0],
              op->mTotals[0][0] + op->mTotals[0][1] + op->mTotals[1][0] + op->mTotals[1][1]);
}

TEST(OperationSteps, FortificationsButTrenchesStayBetweenBattles) {
    Campaign* op = MakeTestOperation();
    ASSERT_NE(op, nullptr);
    // Wire and a trench where the first unit stands, in the strip.
    const Unit* beside = op->mUnits->GetUnit(0);
    for (InanimateType kind : {kInanimateWire, kInanimateTrenches, kInanimateDaisyChain}) {
        Unit* item = MakeUnit(kUnitInanimate, kind, beside->mForce, 2, 0, 100);
        item->mX = beside->mX + kind;
        item->mY = beside->mY;
        item->SetIDCode('Z', 1, kind);
        item->AssignID();
        op->mUnits->Add(item);
    }
    OperationRunner runner;
    runner.Adopt(op, nullptr, kSeed);
    runner.LimitTurns(1);
    OperationBattle first;
    std::string error;
    ASSERT_TRUE(runner.PlayBattle(&first, &error)) << error;
    std::vector<int32_t> kinds;
    for (UnitList* list : {op->mUnits, runner.GetBattle()->mUnits})
        for (int32_t i = 0; i < list->GetCount(); ++i)
            if (list->GetUnit(i)->mUnitType == kUnitInanimate) kinds.push_back(list->GetUnit(i)->mSubtype);
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (std::vector<int32_t>{kInanimateWire, kInanimateDaisyChain}));
}

TEST(OperationSteps, ARemnantReserveCommitsByTheTable) {
    // The Allies attack with nearly nothing left beside a reserve of their
    // own strength: their ratio is below 1.8, so row 0 commits at once.
    Campaign* op = MakeTestOperation();
    ASSERT_NE(op, nullptr);
    gCampaign = op;
    for (int32_t i = 0; i < op->mUnits->GetCount(); ++i) {
        Unit* u = op->mUnits->GetUnit(i);
        if (u->GetAffiliation() == 1 && u->mX > 110.0f) u->mSurrendered = true;
    }
    op->CrunchData();
    EXPECT_EQ(op->mReinforcements[1].GetCount(), 0);
    int32_t arrived = 0;
    for (int32_t i = 0; i < op->mUnits->GetCount(); ++i) {
        Unit* u = op->mUnits->GetUnit(i);
        if (u->GetAffiliation() == 1 && u->mX < 200.0f && u->mHeading == 0.0f && !u->mSurrendered) ++arrived;
    }
    EXPECT_GE(arrived, 2);
    gCampaign = nullptr;
    delete op;
}

TEST(OperationSteps, ACrewTakesItsGunBackOutsideItsOwnZoneOrItIsLost) {
    // Two German units stand for a gun and the crew that left it: the gun
    // out of action, the crew still in being. A gun knocked out in the
    // battle stays lost wherever it lies.
    for (const auto [gunX, knockedOut] : {std::pair{300.0f, false}, {600.0f, false}, {300.0f, true}}) {
        Campaign* op = MakeTestOperation();
        ASSERT_NE(op, nullptr);
        gCampaign = op;
        Unit* gun = nullptr;
        Unit* crew = nullptr;
        for (int32_t i = 0; i < op->mUnits->GetCount(); ++i) {
            Unit* u = op->mUnits->GetUnit(i);
            if (u->GetAffiliation() != 0 || u->mUnitType != kUnitInfantry) continue;
            if (!gun)
                gun = u;
            else if (!crew)
                crew = u;
        }
        ASSERT_NE(crew, nullptr);
        gun->mX = gunX;
        gun->mActive = false;
        gun->mGunKnockedOut = knockedOut;
        crew->mAbandonedVehicle = gun;
        op->CrunchData();
        if (gunX == 300.0f && !knockedOut) {
            // Between the lines: the crew takes it back.
            EXPECT_TRUE(gun->mActive);
            EXPECT_GE(op->mUnits->IndexOf(gun), 0);
        } else {
            // In its own side's set-up zone, or knocked out: lost for good.
            EXPECT_TRUE(gun->mGunKnockedOut);
            EXPECT_LT(op->mUnits->IndexOf(gun), 0);
            EXPECT_GE(op->mOpUnitsB->IndexOf(gun), 0);
        }
        gCampaign = nullptr;
        delete op;
    }
}

TEST(OperationSteps, AStripWithoutOneSideEndsTheOperation) {
    Campaign* op = MakeTestOperation();
    ASSERT_NE(op, nullptr);
    // The Axis platoon is gone from the map before the first battle.
    for (int32_t i = op->mUnits->GetCount() - 1; i >= 0; --i)
        if (op->mUnits->GetUnit(i)->GetAffiliation() == 0)
            op->mOpUnitsB->Add(op->mUnits->GetUnit(i)), op->mUnits->DeleteIndex(i, false);
    OperationRunner runner;
    runner.Adopt(op, nullptr, kSeed);
    EXPECT_EQ(runner.GetBattle(), nullptr);
    EXPECT_TRUE(op->Over());
    EXPECT_TRUE(runner.Over());
    OperationBattle b;
    std::string error;
    EXPECT_FALSE(runner.PlayBattle(&b, &error));
}

TEST(OperationSteps, AGameSavedBetweenOrDuringBattlesGoesOnAlike) {
    // The whole operation, short battles, as one run.
    std::vector<std::string> whole;
    {
        Campaign* op = MakeTestOperation();
        ASSERT_NE(op, nullptr);
        OperationRunner runner;
        runner.Adopt(op, nullptr, kSeed);
        whole = PlayToEnd(&runner, 2);
    }
    ASSERT_GE(whole.size(), 5u);
    // Saved right after the steps to battle 2 (its set-up), loaded, played on.
    {
        Campaign* op = MakeTestOperation();
        OperationRunner runner;
        runner.Adopt(op, nullptr, kSeed);
        runner.LimitTurns(2);
        OperationBattle first;
        std::string error;
        ASSERT_TRUE(runner.PlayBattle(&first, &error)) << error;
        Campaign* opCopy = nullptr;
        Battle* battleCopy = nullptr;
        SaveAndLoad(op, runner.GetBattle(), &opCopy, &battleCopy);
        ASSERT_NE(opCopy, nullptr);
        ASSERT_NE(battleCopy, nullptr);
        EXPECT_EQ(OperationFileDigest(opCopy, battleCopy), first.stepDigest);
        OperationRunner again;
        again.Adopt(opCopy, battleCopy, kSeed);
        std::vector<std::string> rest = PlayToEnd(&again, 2);
        std::vector<std::string> expected(whole.begin() + 3, whole.end());
        EXPECT_EQ(rest, expected);
    }
    // Saved after the first turn of battle 2: every load of it goes on
    // alike to the operation's end (the runner keeps the Axis plan of its
    // own outside the file, so a load is compared with a load).
    {
        Campaign* op = MakeTestOperation();
        OperationRunner runner;
        runner.Adopt(op, nullptr, kSeed);
        runner.LimitTurns(2);
        OperationBattle first, second;
        std::string error;
        ASSERT_TRUE(runner.PlayBattle(&first, &error)) << error;
        ASSERT_TRUE(runner.PlayTurns(1, &second, &error)) << error;
        std::vector<std::string> runs[2];
        for (auto& run : runs) {
            Campaign* opCopy = nullptr;
            Battle* battleCopy = nullptr;
            SaveAndLoad(op, runner.CurrentBattle(), &opCopy, &battleCopy);
            ASSERT_NE(battleCopy, nullptr);
            EXPECT_FALSE(battleCopy->mSetupPhase);
            EXPECT_EQ(opCopy->mTurn, 2);
            OperationRunner again;
            again.Adopt(opCopy, battleCopy, kSeed);
            OperationBattle resumed;
            ASSERT_TRUE(again.PlayTurns(1, &resumed, &error)) << error;
            ASSERT_TRUE(again.FinishBattle(&resumed, &error)) << error;
            run.push_back(resumed.turns.at(0).battleDigest);
            run.push_back(resumed.stepDigest);
            for (const std::string& d : PlayToEnd(&again, 2))
                run.push_back(d);
        }
        EXPECT_EQ(runs[0].size(), 3u); // its last turn, the steps, and the night
        EXPECT_EQ(runs[0], runs[1]);
    }
}

TEST(OperationSteps, TheRunnerPlaysTheOperationFileToItsEnd) {
    FileTestFolder folder;
    Campaign* made = MakeTestOperation();
    ASSERT_NE(made, nullptr);
    const std::string path = folder.File("hecken.mvh");
    ASSERT_TRUE(WriteTestOperation(made, path));
    delete made;
    OperationRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(path, &error)) << error;
    std::vector<OperationBattle> battles;
    while (!runner.Over()) {
        OperationBattle b;
        ASSERT_TRUE(runner.PlayBattle(&b, &error)) << error;
        battles.push_back(b);
    }
    ASSERT_EQ(battles.size(), 3u);
    EXPECT_EQ(battles[0].timeOfDay, kMorning);
    EXPECT_EQ(battles[1].timeOfDay, kMidday);
    // Battle 3 is a night: nobody chose to fight, so it ends after its set-up.
    EXPECT_EQ(battles[2].timeOfDay, kNight);
    EXPECT_TRUE(battles[2].turns.empty());
    EXPECT_TRUE(battles[2].stepDigest.empty());
    EXPECT_TRUE(runner.GetCampaign()->Over());
    for (const OperationBattle& b : battles) {
        EXPECT_GE(b.grade, -4);
        EXPECT_LE(b.grade, 4);
    }
    // Pinned: the file after each step and each battle's last turn.
    EXPECT_EQ(battles[0].stepDigest, "eb72609b4fbb82ae1ac57be8b41a5e97ad3e9965db5d930b83188f6ad0121744");
    EXPECT_EQ(battles[1].stepDigest, "70ff8278593b4e5ce3b07f454dde0f10c3373212b0ac408acd7a0e1d1f9dd452");
    EXPECT_EQ(battles[0].turns.back().battleDigest,
              "1f2849510c8988296e5c5774ea10b776f14b30f52a1dc5d85634f9c9efedc8ab");
    EXPECT_EQ(battles[1].turns.back().battleDigest,
              "676be28b2b16f870882e7421d28dddb51042787bdbff6f608c3111aec98293eb");
    // The front moved forward twice and the night kept it.
    EXPECT_EQ(battles[0].frontLine, 24);
    EXPECT_EQ(battles[1].frontLine, 27);
    EXPECT_EQ(battles[2].frontLine, 27);
}

// The shipped demo operation, as dm_run plays it: a night that passes, the
// morning and midday fought to their ends by the computer on both sides.
TEST(DemoOperation, TheRunnerPlaysItFromItsFirstBattleToItsGrade) {
    ASSERT_TRUE(DecryptData());
    OperationRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", &error)) << error;
    Campaign* op = runner.GetCampaign();
    const int32_t units = CountUnits(op, runner.CurrentBattle());
    std::vector<OperationBattle> battles;
    while (!runner.Over()) {
        // Each battle opens with either side's camera on its own units.
        for (const int32_t side : {kAxis, kAllies})
            EXPECT_LT(OwnUnitsOffTheMiddle(runner.CurrentBattle(), side), 10.0)
                << "battle " << battles.size() + 1 << " side " << side;
        OperationBattle b;
        ASSERT_TRUE(runner.PlayBattle(&b, &error)) << error;
        battles.push_back(b);
        // Nothing goes missing; crews that bailed out are units of their own.
        if (runner.CurrentBattle()) EXPECT_GE(CountUnits(op, runner.CurrentBattle()), units);
    }
    ASSERT_EQ(battles.size(), 3u);
    EXPECT_EQ(battles[0].timeOfDay, kNight);
    EXPECT_EQ(battles[1].timeOfDay, kMorning);
    EXPECT_EQ(battles[2].timeOfDay, kMidday);
    EXPECT_EQ(battles[1].turns.size(), static_cast<size_t>(kOperationBattleTurns));
    EXPECT_EQ(battles[2].turns.size(), static_cast<size_t>(kOperationBattleTurns));
    EXPECT_EQ(battles[0].frontLine, 40); // the night kept the front
    EXPECT_EQ(battles[1].frontLine, 46);
    EXPECT_EQ(battles[2].frontLine, 52);
    // The Allies hold the village and the bridge before a shot is fired and
    // still lead after the morning; at midday the Axis takes one flag but
    // not the lead.
    EXPECT_EQ(battles[0].grade, 4);
    EXPECT_EQ(battles[1].grade, 4);
    EXPECT_EQ(battles[2].grade, 4);
    EXPECT_EQ(battles[2].flagsHeld[kAxis], 1);
    EXPECT_TRUE(op->Over());
    EXPECT_EQ(battles[0].stepDigest, "a31641e62b28b8be714d6baad8bfe095798deb736a15bd4ab8a29397c58295ed");
    EXPECT_EQ(battles[1].stepDigest, "c89fc2eefe3b276042a0fe610068834e14085b3b67f750577bdb1767889fa1c2");
    EXPECT_EQ(battles[1].turns.back().battleDigest,
              "a4c55773e871cec28cf8c1eaf102c04cbf16def24971a75031c125369676f2ef");
    EXPECT_EQ(battles[2].turns.back().battleDigest,
              "d82f22ad4deba49b82d3113f1cb18a9ed5a9aea19fb40cb092c6f512c3314803");
}

// The demo operation played by the runner with the sides given planned
// (with the computer's experience bonus when one is) and the other giving
// no orders: each battle's report. A seed other than 0 replaces the file's.
std::vector<OperationBattle> PlayDemoOperation(bool planAxis, bool planAllies, int32_t bonus, uint16_t seed = 0) {
    OperationRunner runner;
    if (seed != 0) runner.OverrideSeed(seed);
    runner.PlanSides(planAxis, planAllies);
    runner.SetComputerBonus(bonus);
    std::vector<OperationBattle> battles;
    std::string error;
    if (!runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", &error)) return battles;
    while (!runner.Over()) {
        OperationBattle b;
        if (!runner.PlayBattle(&b, &error)) return {};
        battles.push_back(b);
    }
    return battles;
}

// An Axis that wins both day battles (the flags and the heavier losses)
// wins the operation; the Allies, who lose them, lose it. Planned on both
// sides, the Axis is the stronger with seed 2.
TEST(DemoOperation, TheAxisWinningItsBattlesWinsTheOperation) {
    ASSERT_TRUE(DecryptData());
    const std::vector<OperationBattle> battles = PlayDemoOperation(true, true, 0, 2);
    ASSERT_EQ(battles.size(), 3u);
    EXPECT_EQ(battles[0].grade, 4); // the night passes: the Allies hold the village and the bridge
    for (size_t i = 1; i < battles.size(); ++i) {
        EXPECT_LT(battles[i].grade, 0) << "battle " << battles[i].number;
        EXPECT_GT(battles[i].menInflicted[kAxis], 0);
    }
    EXPECT_EQ(battles[1].flagsHeld[kAllies], 0);
    EXPECT_EQ(battles.back().grade, -4);
}

// Allies holding every battle against an attack that gives no orders win
// the operation.
TEST(DemoOperation, TheAlliesHoldingTheirBattlesWinTheOperation) {
    ASSERT_TRUE(DecryptData());
    const std::vector<OperationBattle> battles = PlayDemoOperation(false, true, 0);
    ASSERT_EQ(battles.size(), 3u);
    for (const OperationBattle& b : battles)
        EXPECT_EQ(b.grade, 4) << "battle " << b.number;
    EXPECT_EQ(battles.back().flagsHeld[kAxis], 0);
}

// The experience bonus reaches every battle the operation cuts, as the
// sides screen gives it to the operation; without it the file's own stays.
TEST(DemoOperation, TheComputerBonusReachesEveryBattle) {
    ASSERT_TRUE(DecryptData());
    for (const int32_t bonus : {-1, 2}) {
        OperationRunner runner;
        runner.PlanSides(true, false);
        runner.SetComputerBonus(bonus);
        runner.LimitTurns(1);
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", &error)) << error;
        const int32_t expected = bonus < 0 ? 0 : bonus;
        EXPECT_EQ(runner.GetCampaign()->mComputerBonus, expected);
        while (!runner.Over()) {
            ASSERT_EQ(runner.CurrentBattle()->mComputerBonus, expected);
            OperationBattle b;
            ASSERT_TRUE(runner.PlayBattle(&b, &error)) << error;
        }
    }
}

// The demo operation's reserve comes in as one group of three assault guns:
// each battle of the operation, as the runner cuts it, has no two vehicles
// standing hull in hull.
TEST(DemoOperation, AnArrivingGroupsVehiclesStandApart) {
    ASSERT_TRUE(DecryptData());
    OperationRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", &error)) << error;
    runner.LimitTurns(1);
    int32_t arrived = 0;
    while (!runner.Over()) {
        OperationBattle b;
        ASSERT_TRUE(runner.PlayBattle(&b, &error)) << error;
        Battle* battle = runner.CurrentBattle();
        if (!battle || !battle->mUnits) continue;
        std::vector<Unit*> vehicles;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType == kUnitVehicle && u->mOffMapState == 0) vehicles.push_back(u);
            arrived += u->mUnitType == kUnitVehicle && u->mSubtype == kAssaultGun;
        }
        for (size_t i = 0; i < vehicles.size(); ++i)
            for (size_t j = i + 1; j < vehicles.size(); ++j)
                EXPECT_FALSE(std::fabs(vehicles[i]->mX - vehicles[j]->mX) < 5.0f &&
                             std::fabs(vehicles[i]->mY - vehicles[j]->mY) < 5.0f)
                    << "two vehicles at " << vehicles[i]->mX << ", " << vehicles[i]->mY;
    }
    EXPECT_GE(arrived, 3) << "the reserve never came in";
}
