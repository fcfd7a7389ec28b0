// The result screen's figures on battles played to their end in the
// program: hecken with the Americans' scripted orders (the player holds the
// hedges), the Germans giving up at Arracourt once tanks have burned, and
// the demo operation's first battle. Every figure drawn equals the count
// from the final battle.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "ScenarioPaths.h"
#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/ResultView.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "battle/BattleResult.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPopup.h"
#include "play_through_driver.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

struct Case {
    const char* name;
    const char* file;  // under the built scenarios
    Affiliation side;  // the player's
    int32_t surrenderAfter; // turns at least before the player gives up; 0 plays on
    bool fought;            // the script's attack costs men
};

// The side's vehicles that are no more.
int32_t Wrecks(Battle* b, Affiliation side) {
    int32_t n = 0;
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        n += u->mUnitType == kUnitVehicle && !u->mActive && u->GetAffiliation() == side;
    }
    return n;
}

// Rows as the screen shows them: casualties, wounded, captured, two kinds
// of gun, emplacements, vehicles, airplanes.
using Column = std::array<int32_t, kResultFigureRows>;

// The counts of the finished battle, from its units.
void CountUnits(Battle* b, Column out[2]) {
    for (int32_t s = 0; s < 2; ++s)
        out[s].fill(0);
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        Column& c = out[u->GetAffiliation()];
        c[0] += u->TallyCasualties();
        const int32_t left = std::max(0, u->GetOriginalNrMen() - u->mCasualties);
        auto gun = [&] {
            if (u->HasOrdnance(false, false))
                ++c[4];
            else if (u->HasOrdnance(true, false))
                ++c[3];
        };
        if (!u->mActive && u->mOffMapState == 0 && u->mCasualties > u->mOldCasualties) {
            if (u->mUnitType == kUnitVehicle)
                ++c[gVehicleData[u->mSubtype].mKind == 6 ? 5 : 6];
            else if (u->mUnitType == kUnitAirplane)
                ++c[7];
            else if (u->mUnitType == kUnitInfantry)
                gun();
        }
        if (u->mSurrendered) {
            c[2] += left;
            if (u->mUnitType == kUnitInfantry) gun();
        }
    }
    for (int32_t s = 0; s < 2; ++s) {
        out[s][0] -= b->mMenGivenUp[s];
        out[s][2] += b->mMenGivenUp[s];
        out[s][1] = b->mResult.mWounded[s];
    }
}

// The figures the result view draws: cell (side, row) -> text.
std::map<std::pair<int32_t, int32_t>, std::string> DrawnCells(ResultView* view) {
    ScreenDrawLog log;
    gScreenDrawLog = &log;
    view->Refresh();
    gKernel->DoOnePass(0);
    gScreenDrawLog = nullptr;
    LongRect origin;
    view->GetGlobalBounds(&origin);
    constexpr int32_t kRowY[kResultFigureRows] = {213, 233, 253, 278, 298, 318, 338, 358};
    std::map<std::pair<int32_t, int32_t>, std::string> cells;
    for (const ScreenDrawItem& t : log.mItems) {
        if (t.mKind != 't' || t.mOwner != view) continue;
        const int32_t x = (t.mRect.left + t.mRect.right) / 2 - origin.left;
        for (int32_t s = 0; s < 2; ++s)
            for (int32_t row = 0; row < kResultFigureRows; ++row)
                if (std::abs(x - (kResultColumnX[s] + 14)) < 20 && t.mRect.top <= origin.top + kRowY[row] &&
                    t.mRect.bottom >= origin.top + kRowY[row])
                    cells[{s, row}] = t.mText;
    }
    return cells;
}

class ResultFigures : public testing::TestWithParam<Case> {};

TEST_P(ResultFigures, EveryCellIsTheCountOfTheFinalBattle) {
    const Case& c = GetParam();
    PlayDriver d(std::string("result-") + c.name, 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    d.Click(d.Width() / 3, d.Height() / 3);
    ASSERT_TRUE(d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 5000, "the title giving way"));
    auto* file = new GFile;
    ASSERT_TRUE(file->IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/" + c.file).c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    ASSERT_NE(gBattle, nullptr);
    ASSERT_TRUE(OpenBattleScreen(d, c.side, [](MVApplication* app) {
        for (GView* popup : {app->mFogPopup, app->mSetupPopup, app->mBonusPopup})
            if (Alive(popup)) static_cast<GPopup*>(popup)->Choose(0);
        if (Alive(app->mHandicapPopup)) static_cast<GPopup*>(app->mHandicapPopup)->Choose(6);
    }));

    // The script's orders go to their units before each GO, as the runner
    // gives them; the computer plans the side the player does not play.
    OrderScript script;
    const char* source = std::getenv("DM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string orders = std::string(source) + "/data/scenarios/" + c.name + ".orders";
    std::ifstream in(orders);
    ScenarioFault fault;
    if (in) ASSERT_TRUE(ParseOrderScript({std::istreambuf_iterator<char>(in), {}}, orders, &script, &fault));
    Battle* battle = gBattle;
    // Each GO from a seed of its own, as the runner seeds it: the same
    // battle every run.
    if (battle->mSetupPhase) {
        SeedRandomGenerator(RunnerTurnSeed(4407, 0));
        app->DoCommand(9);
        d.Run(0);
        // The operation's night battle: the Germans fight on.
        if (app->InteractionState() == kStateConfirm) ASSERT_TRUE(d.ClickCommand(17));
        ASSERT_TRUE(d.RunUntil([&] { return !battle->mSetupPhase && app->mState == kStateNone; }, 60000,
                               "the end of the set-up"));
    }
    for (int32_t played = 0; !battle->mResultShown; ++played) {
        ASSERT_LT(played, 40);
        if (c.surrenderAfter && played >= c.surrenderAfter && Wrecks(battle, c.side) > 0) {
            app->DoCommand(104); // the surrender box's yes
            break;
        }
        const int32_t turn = battle->mTurn;
        ApplyOrders(script, turn, battle);
        SeedRandomGenerator(RunnerTurnSeed(4407, turn));
        app->DoCommand(9);
        ASSERT_TRUE(d.RunUntil(
            [&] { return battle->mResultShown || app->InteractionState() == kStatePlayback; }, 180000,
            "the replay"));
        if (app->InteractionState() == kStatePlayback) app->DoCommand(10);
        ASSERT_TRUE(d.RunUntil(
            [&] { return battle->mResultShown || (battle->mTurn > turn && app->mState == kStateNone); }, 120000,
            "the next turn"));
    }
    d.Run(100);
    ASSERT_TRUE(battle->mResultShown);
    auto* view = dynamic_cast<ResultView*>(battle->mResultView);
    ASSERT_NE(view, nullptr);

    Column counted[2];
    CountUnits(battle, counted);
    const auto cells = DrawnCells(view);
    int32_t losses = 0;
    for (int32_t s = 0; s < 2; ++s)
        for (int32_t row = 0; row < kResultFigureRows; ++row) {
            int32_t want = counted[s][row];
            if (view->mEstimateEnemy && s != view->mResult.mViewer)
                want = EstimatedFigure(want, row, view->mResult.mMenLeft[0] * 31 + view->mResult.mMenLeft[1]);
            const auto it = cells.find({s, row});
            EXPECT_EQ(it == cells.end() ? std::string() : it->second, want ? std::to_string(want) : std::string())
                << c.name << " side " << s << " row " << row;
            if (row != 1) losses += counted[s][row];
        }
    if (c.fought) EXPECT_GT(losses, 0) << c.name;
    if (c.surrenderAfter) {
        // Every burnt-out vehicle of the side that gave up stays on the map
        // and counts.
        EXPECT_GT(Wrecks(battle, c.side), 0);
        EXPECT_EQ(counted[c.side][5] + counted[c.side][6], Wrecks(battle, c.side));
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType == kUnitVehicle && !u->mActive) EXPECT_EQ(u->mOffMapState, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, ResultFigures,
                         testing::Values(Case{"hecken", "hecken.mvg", kAxis, 0, true},
                                         Case{"panzer", "panzer.mvg", kAxis, 6, true},
                                         Case{"mortain", "mortain.mvh", kAxis, 0, false}),
                         [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

} // namespace
