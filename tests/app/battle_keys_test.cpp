// The application's side of the battle's keys, multi-unit orders and end:
// camera keys reach the map's camera, a multi-unit move is finished by the
// map view's release, the set-up toggle and the floor question go through
// the unit, and the finished battle shows its result screen.
#include <gtest/gtest.h>

#include <memory>

#include "app/AppTypes.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/ResultView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GButton.h"
#include "map/Map.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

class KeyUnit : public Unit {
public:
    void ConcatName(GString*, bool) override {}
    bool CanReceiveOrders() override { return true; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
    void ReceiveMoveOrders(float x, float y, int32_t order, Vehicle*, bool, bool, bool, bool) override {
        mWaypoints[0].mX = x;
        mWaypoints[0].mY = y;
        mWaypoints[0].mOrder = order;
        mNrWaypoints = 1;
    }
    void CancelMovementOrders() override { mNrWaypoints = 0; }
};

class BattleKeysTest : public testing::Test {
protected:
    void SetUp() override {
        mOld = gBattle;
        mFolder = std::make_unique<ProgramFolder>();
        mApp = std::make_unique<TestApp>();
        mBattle = MakeTestBattle("Karte");
        mBattle->mSetupPhase = false;
        mBattle->mHost = mApp.get();
        gBattle = mBattle.get();
        mView = new MapView;
        mView->IView(&mRoot, 0, 0, 800, 510);
        mView->mMap = mBattle->mMap;
        mBattle->mMap->mView = mView;
    }
    void TearDown() override {
        mApp->SetState(kStateNone);
        mBattle->mMap->mView = nullptr;
        gBattle = nullptr;
        mBattle.reset();
        mApp.reset();
        mFolder.reset();
        gBattle = mOld;
    }
    KeyUnit* Add(float x, float y) {
        auto* u = new KeyUnit;
        u->mUnitType = kUnitInfantry;
        u->mSide = 1;
        u->mX = x;
        u->mY = y;
        u->mActive = true;
        mBattle->mUnits->Add(u);
        return u;
    }
    GView mRoot;
    Battle* mOld = nullptr;
    std::unique_ptr<ProgramFolder> mFolder;
    std::unique_ptr<TestApp> mApp;
    std::unique_ptr<Battle> mBattle;
    MapView* mView = nullptr;
};

} // namespace

TEST_F(BattleKeysTest, CameraKeysAndButtonsMoveTheMapsCamera) {
    Map* map = mBattle->mMap;
    const int32_t s = map->ViewingSide();
    const float y0 = map->mCameraY[s], x0 = map->mCameraX[s];
    mBattle->DoKey(3, false, false); // ahead
    EXPECT_NE(map->mCameraX[s] + map->mCameraY[s], x0 + y0);
    map->mCameraLevel[s] = 2;
    mBattle->DoKey('7', false, false);
    EXPECT_EQ(map->mCameraLevel[s], 6);
    mBattle->HandleCommand(8); // one level up
    EXPECT_EQ(map->mCameraLevel[s], 7);
    mBattle->HandleCommand(7);
    EXPECT_EQ(map->mCameraLevel[s], 6);
}

TEST_F(BattleKeysTest, TabLocksTheCameraOnTheSelectedUnitAndSpaceOpensItsMenu) {
    KeyUnit* u = Add(40, 40);
    u->mContactLevel = kContactSeen;
    mBattle->SetSelectedUnit(u);
    mBattle->DoKey(9, false, false);
    EXPECT_EQ(mBattle->mMap->mLockedUnit, u);
    mBattle->DoKey(9, false, false);
    EXPECT_EQ(mBattle->mMap->mLockedUnit, nullptr);
    mBattle->DoKey(' ', false, false);
    ASSERT_NE(mBattle->mMap->mOpenMenu, nullptr);
    // Stepping waits while the menu is open; backspace closes it.
    KeyUnit* v = Add(60, 40);
    mBattle->DoKey('+', false, false);
    EXPECT_EQ(mBattle->mSelectedUnit, u);
    mBattle->DoKey(8, false, false);
    EXPECT_EQ(mBattle->mMap->mOpenMenu, nullptr);
    mBattle->DoKey('+', false, false);
    EXPECT_EQ(mBattle->mSelectedUnit, v);
}

TEST_F(BattleKeysTest, AMultiMoveEndsWithTheReleaseOfTheLeadersPoint) {
    KeyUnit* leader = Add(40, 40);
    KeyUnit* follower = Add(50, 30);
    leader->mSelectionMark = follower->mSelectionMark = 2;
    mBattle->mMultiSelection = true;
    mBattle->SetSelectedUnit(leader);
    mBattle->RespondToMultiOrder(20);
    EXPECT_EQ(mApp->InteractionState(), kStateMoveOrder);
    EXPECT_TRUE(mBattle->mMultiOrderPending);
    mBattle->mMap->mPickX = 60;
    mBattle->mMap->mPickY = 70;
    mView->DoMouseUp(300, 200, false);
    EXPECT_FALSE(mBattle->mMultiOrderPending);
    EXPECT_EQ(mApp->InteractionState(), kStateNone);
    ASSERT_EQ(leader->mNrWaypoints, 1);
    ASSERT_EQ(follower->mNrWaypoints, 1);
    EXPECT_FLOAT_EQ(follower->mWaypoints[0].mX, 70);
    EXPECT_FLOAT_EQ(follower->mWaypoints[0].mY, 60);
}

TEST_F(BattleKeysTest, TheSetupToggleFlipsBetweenItsTwoValuesForEveryMember) {
    mBattle->mSetupPhase = true;
    KeyUnit* a = Add(40, 40);
    KeyUnit* b = Add(50, 40);
    a->mSelectionMark = b->mSelectionMark = 2;
    mBattle->mMultiSelection = true;
    mBattle->SetSelectedUnit(a);
    mBattle->RespondToMultiOrder(62);
    EXPECT_EQ(a->mSetupOrderSetting, 7);
    EXPECT_EQ(b->mSetupOrderSetting, 7);
    mBattle->mMap->RespondToOrder(62, false);
    EXPECT_EQ(mBattle->mSelectedUnit->mSetupOrderSetting, 0);
}

TEST_F(BattleKeysTest, TheFloorQuestionIsAnsweredByTheInfantry) {
    mBattle->mSetupPhase = true;
    auto* squad = new Infantry;
    squad->mSide = 1;
    squad->mActive = true;
    mBattle->mUnits->Add(squad);
    mBattle->mMap->CreateFloorChoiceMenu(squad);
    ASSERT_NE(mBattle->mMap->mOpenMenu, nullptr);
    mBattle->mMap->mOpenMenu->HandleCommand(54);
    EXPECT_FLOAT_EQ(squad->mZ, 1.0f);
    mBattle->mMap->CreateFloorChoiceMenu(squad);
    mBattle->mMap->mOpenMenu->HandleCommand(53); // the ground: the choice keeps the floor
    EXPECT_FLOAT_EQ(squad->mZ, 1.0f);
}

TEST_F(BattleKeysTest, TheEndOfTheBattleShowsItsResultWithReviewAndContinue) {
    mBattle->mTurn = mBattle->mLastTurn + 1;
    mBattle->BattleVictoryScreen(false, false);
    auto* view = dynamic_cast<ResultView*>(mBattle->mResultView);
    ASSERT_NE(view, nullptr);
    GString255 title;
    title.IStringRez(450);
    title.ConcatText("Karte");
    EXPECT_STREQ(view->mTitle.GetCString(), title.GetCString());
    GString255 reason;
    reason.IStringRez(452);
    EXPECT_STREQ(view->mReason.GetCString(), reason.GetCString());
    GString255 grade;
    grade.IStringRez(449);
    grade.ConcatRez(mBattle->mResult.mPersonalGradeString);
    EXPECT_STREQ(view->mGrade.GetCString(), grade.GetCString());
    int32_t review = 0, next = 0;
    for (int32_t i = 0; i < view->GetSubviewCount(); ++i)
        if (auto* b = dynamic_cast<GButton*>(view->GetSubview(i))) {
            review += b->GetCommandID() == 119;
            next += b->GetCommandID() == 120;
        }
    EXPECT_EQ(review, 1);
    EXPECT_EQ(next, 1);
    // GO brings the result back once the map was reviewed.
    mBattle->ReviewMap();
    EXPECT_FALSE(view->IsShown());
    mBattle->HandleCommand(9);
    EXPECT_TRUE(view->IsShown());
}
