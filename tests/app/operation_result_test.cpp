// The result screen of a battle of an operation, as the game shows it: the
// battles left and the coming night instead of how the battle ended, the
// operation's grade, no review button while it goes on, and the operation's
// totals at its end.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MVApplication.h"
#include "app/ResultView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GButton.h"
#include "units/Unit.h"

namespace {

class PlainUnit : public Unit {
public:
    void ConcatName(GString*, bool) override {}
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
};

class OperationResultTest : public testing::Test {
protected:
    void SetUp() override {
        mOldBattle = gBattle;
        mOldCampaign = gCampaign;
        mFolder = std::make_unique<ProgramFolder>();
        mApp = std::make_unique<MVApplication>();
        mBattle = MakeTestBattle("Vorstoss");
        mBattle->mSetupPhase = false;
        mBattle->mHost = mApp.get();
        gBattle = mBattle.get();
        mCampaign = std::make_unique<Campaign>();
        mCampaign->mLastTurn = 3; // three battles
        mCampaign->mTurn = 1;
        mCampaign->mDayPeriod = 3; // the third battle is fought at night
        mCampaign->mAttacker = 0;
        gCampaign = mCampaign.get();
    }
    void TearDown() override {
        gCampaign = nullptr;
        mCampaign.reset();
        gBattle = nullptr;
        mBattle.reset();
        mApp.reset();
        mFolder.reset();
        gBattle = mOldBattle;
        gCampaign = mOldCampaign;
    }
    // Ends the battle once more, as each battle of the operation ends.
    ResultView* EndBattle() {
        mBattle->mTurn = mBattle->mLastTurn + 1;
        mBattle->BattleVictoryScreen(false, false);
        return dynamic_cast<ResultView*>(mBattle->mResultView);
    }
    static std::string Rez(int32_t id) {
        GString255 s;
        s.IStringRez(id);
        return s.GetCString();
    }
    static std::vector<std::string> Lines(ResultView* view) {
        std::vector<std::string> lines{view->mReason.GetCString()};
        for (int32_t k = 0; k < view->mMoreLineCount; ++k)
            lines.push_back(view->mMoreLines[k].GetCString());
        return lines;
    }
    static void CountButtons(ResultView* view, int32_t* review, int32_t* next) {
        *review = *next = 0;
        for (int32_t i = 0; i < view->GetSubviewCount(); ++i)
            if (auto* b = dynamic_cast<GButton*>(view->GetSubview(i))) {
                *review += b->GetCommandID() == 119;
                *next += b->GetCommandID() == 120;
            }
    }
    // An airplane: one man, captured when it surrenders.
    Unit* Add(Affiliation side, bool surrendered, int32_t casualties) {
        auto* u = new PlainUnit;
        u->mUnitType = kUnitAirplane;
        u->mSide = side == kAxis ? 1 : 0;
        u->mActive = !surrendered && casualties == 0;
        u->mSurrendered = surrendered;
        u->mCasualties = casualties;
        mBattle->mUnits->Add(u);
        return u;
    }

    Battle* mOldBattle = nullptr;
    Campaign* mOldCampaign = nullptr;
    std::unique_ptr<ProgramFolder> mFolder;
    std::unique_ptr<MVApplication> mApp;
    std::unique_ptr<Battle> mBattle;
    std::unique_ptr<Campaign> mCampaign;
};

} // namespace

TEST_F(OperationResultTest, EachBattleTellsWhatRemainsAndTheLastShowsTheEnd) {
    ResultView* first = EndBattle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mCampaign->mTurn, 2);
    EXPECT_EQ(Lines(first), (std::vector<std::string>{Rez(466), "Es verbleiben noch 2 Gefechte."}));
    GString255 title;
    title.IStringRez(451);
    title.ConcatText("Vorstoss");
    EXPECT_STREQ(first->mTitle.GetCString(), title.GetCString());
    // The grade is the operation's: its victor value + 4.
    const int32_t grade = mCampaign->ComputeVictor() + 4;
    EXPECT_EQ(mBattle->mResult.mGrade, grade);
    EXPECT_EQ(first->mGrade.GetCString(), Rez(449) + Rez(440 + (mBattle->mResult.mViewer == kAxis ? grade : 8 - grade)));
    int32_t review, next;
    CountButtons(first, &review, &next);
    EXPECT_EQ(review, 0);
    EXPECT_EQ(next, 1);
    EXPECT_FALSE(first->mShowPoints);

    // The third battle comes at night.
    ResultView* second = EndBattle();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Lines(second), (std::vector<std::string>{Rez(466), Rez(469), Rez(430), Rez(431), Rez(432)}));

    ResultView* last = EndBattle();
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(mCampaign->Over());
    EXPECT_EQ(Lines(last), (std::vector<std::string>{Rez(465)}));
    CountButtons(last, &review, &next);
    EXPECT_EQ(review, 1);
    EXPECT_EQ(next, 1);
}

TEST_F(OperationResultTest, TotalsAndLossesAddUpOverTheBattles) {
    // Each battle the Allies lose a man captured and the Axis has 40
    // casualties.
    Add(kAllies, true, 0);
    Add(kAxis, false, 40);
    int32_t captured[2] = {0, 0};
    for (int32_t battle = 0; battle < 3; ++battle) {
        EndBattle();
        for (Affiliation s = 0; s < 2; ++s)
            captured[s] += mBattle->mResult.mCounts[s][1];
        if (battle < 2) {
            for (Affiliation s = 0; s < 2; ++s)
                EXPECT_EQ(mCampaign->mTotals[s][1], captured[s]);
        }
    }
    // At the end the screen shows the operation's totals.
    for (Affiliation s = 0; s < 2; ++s)
        EXPECT_EQ(mBattle->mResult.mCounts[s][1], mCampaign->mTotals[s][1]);
    EXPECT_EQ(mCampaign->mTotals[kAllies][1], 3);
    // The casualties are spread by a tenth at most, each battle.
    EXPECT_GE(mCampaign->mTotals[kAxis][0], 3 * 36);
    EXPECT_LE(mCampaign->mTotals[kAxis][0], 3 * 44);
    // Men lost count for the other side.
    EXPECT_EQ(mCampaign->mSideLosses[kAllies][0], mCampaign->mTotals[kAxis][0] + mCampaign->mTotals[kAxis][1]);
    EXPECT_EQ(mCampaign->mSideLosses[kAxis][0], mCampaign->mTotals[kAllies][0] + mCampaign->mTotals[kAllies][1]);
}

TEST_F(OperationResultTest, AReviewedResultIsNotCountedTwice) {
    EndBattle();
    EXPECT_EQ(mCampaign->mTurn, 2);
    mBattle->BattleVictoryScreen(true, true);
    EXPECT_EQ(mCampaign->mTurn, 2);
}

// ---------------------------------------------------------------------------
// Night battles

TEST_F(OperationResultTest, ANightBattleEndsAfterItsSetUpUnlessASideChoosesToFight) {
    mBattle->mSetupPhase = true;
    mBattle->mTimeOfDay = kNight;
    mCampaign->mTurn = 2;
    // Nobody is asked: GO ends the battle as soon as the set-up is done.
    mBattle->HandleCommand(9);
    EXPECT_FALSE(mBattle->mSetupPhase);
    EXPECT_EQ(mBattle->mTurn, mBattle->mLastTurn + 1);
    ASSERT_NE(mBattle->mResultView, nullptr);
    // The front line stays, the battle still counts.
    EXPECT_EQ(mCampaign->mTurn, 3);
}

TEST_F(OperationResultTest, TheAskedSideRestsWithYesAndFightsWithNo) {
    for (const int32_t answer : {18, 17}) {
        mBattle = MakeTestBattle("Nacht");
        mBattle->mHost = mApp.get();
        gBattle = mBattle.get();
        mBattle->mSetupPhase = true;
        mBattle->mTimeOfDay = kNight;
        mCampaign->mTurn = 1;
        mCampaign->mSideValue[0] = mCampaign->mSideValue[1] = 0;
        const Affiliation viewer = mApp->ViewingSide();
        mCampaign->mNightQuestion[viewer] = true;
        mBattle->HandleCommand(9);
        EXPECT_TRUE(mBattle->mSetupPhase); // GO waits for box 16's answer
        EXPECT_EQ(mCampaign->mSideValue[viewer], 1);
        mBattle->HandleCommand(answer); // what box 16's buttons send
        EXPECT_FALSE(mBattle->mSetupPhase);
        if (answer == 18) {
            EXPECT_NE(mBattle->mResultView, nullptr) << "rested";
            EXPECT_EQ(mCampaign->mTurn, 2);
        } else {
            EXPECT_EQ(mBattle->mResultView, nullptr) << "fought";
            EXPECT_EQ(mCampaign->mSideValue[viewer], 2);
            EXPECT_EQ(mCampaign->mTurn, 1);
        }
    }
}
