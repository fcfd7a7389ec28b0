// The battle screen in the whole program on the dummy display: the bottom
// bar by screen width, its buttons, and a pick through the real renderer.
#include <gtest/gtest.h>

#include "app/BattleScreen.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GButton3D.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "platform/PlatformEvent.h"
#include "units/Inanimate.h"

namespace {

// An infantry unit that takes orders, for the menu's keys.
class MenuUnit : public Unit {
public:
    void ConcatName(GString* text, bool full) override {}
    bool CanReceiveOrders() override { return true; }
    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override {}
    void DrawCode(bool needsClip, float scale, float factor) override {}
};


class BattleBarTest : public AppTest {
protected:
    GView* Build(int32_t width, int32_t height, int32_t squares = 0) {
        Start(width, height);
        mBattle = MakeTestBattle("Leiste");
        gBattle = mBattle.get();
        if (squares > 0) {
            delete mBattle->mMap;
            mBattle->mMap = new Map;
            mBattle->mMap->IBlankMap(squares, squares, 1.0f, 10);
        }
        mBattle->mSetupPhase = false;
        return mApp->MVApplication::BuildBattleScreen(mBattle.get(), false);
    }
    void TearDown() override {
        if (mBattle) mApp->MVApplication::ReleaseBattleScreen(mBattle.get());
        gBattle = nullptr;
        mBattle.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<Battle> mBattle;
};

} // namespace

TEST_F(BattleBarTest, NoFillerOfZeroWidthOnAnEightHundredPixelScreen) {
    GView* root = Build(800, 600);
    ASSERT_NE(root, nullptr);
    const BattleScreen& s = mApp->mBattleScreen;
    EXPECT_EQ(s.mFillerCount, 0);
    for (int32_t i = 0; i < root->GetSubviewCount(); ++i)
        EXPECT_GT(root->GetSubview(i)->GetWidth(), 0);
    LongRect r;
    root->GetBounds(&r);
    EXPECT_EQ(r.top, 510);
    EXPECT_EQ(r.Width(), 800);
    ASSERT_NE(mBattle->mMap->mView, nullptr);
    EXPECT_EQ(mBattle->mMap->mView->GetHeight(), 510);
    EXPECT_EQ(mBattle->mBottomPanel, s.mPanel);
}

TEST_F(BattleBarTest, WideScreensGetSidePicturesAndFillers) {
    Build(1280, 1024);
    const BattleScreen& s = mApp->mBattleScreen;
    EXPECT_EQ(s.mFillerCount, 0); // (1280 - 1280) / 2 leaves nothing to fill
    LongRect r;
    s.mPanel->GetBounds(&r);
    EXPECT_EQ(r.left, 240);
}

// Every camera button acts while held: the loft buttons step at their
// pace, the moving and turning ones on every pass (by the time that passed).
TEST_F(BattleBarTest, CameraButtonsActWhileHeld) {
    Build(800, 600);
    const BattleScreen& s = mApp->mBattleScreen;
    for (GButton3D* b : s.mCameraButtons) {
        ASSERT_NE(b, nullptr);
        if (b->GetCommandID() == 7 || b->GetCommandID() == 8)
            EXPECT_EQ(b->GetContinuousAction(), 50);
        else
            EXPECT_EQ(b->GetContinuousAction(), 1) << b->GetCommandID();
    }
}

TEST_F(BattleBarTest, GoShowsUntilPlaybackAndTheReplayControlsFollow) {
    GView* root = Build(800, 600);
    EXPECT_NE(FindButton(root, 9), nullptr);
    EXPECT_EQ(FindButton(root, 11), nullptr);
    BattleScreen& s = mApp->mBattleScreen;
    ShowReplayControls(&s, true);
    EXPECT_EQ(FindButton(root, 9), nullptr);
    EXPECT_NE(FindButton(root, 11), nullptr);
    EXPECT_NE(FindButton(root, 12), nullptr);
    EXPECT_NE(FindButton(root, 14), nullptr);
    PlaybackChanged(&s, 15, 17, false);
    EXPECT_EQ(s.mTimer->mSeconds, 17);
    PlaybackChanged(&s, 13, 60, true);
    EXPECT_TRUE(s.mPlayPause->mEnded);
    EXPECT_TRUE(s.mActionButton->IsActive());
}

// The computing machine of a TCP/IP game keeps the replay's controls (next
// turn among them) hidden while its results go out; its own replay shows them.
TEST_F(BattleBarTest, ReplayControlsWaitWhileTheResultsAreSent) {
    GView* root = Build(800, 600);
    mApp->mConnectionType = 2;
    mApp->mTCPIPPhase = 14;
    mApp->SetState(kStatePlayback);
    mApp->PlaybackPanelChanged(13, 0);
    EXPECT_EQ(FindButton(root, 10), nullptr);
    EXPECT_EQ(FindButton(root, 15), nullptr);
    mApp->StartOwnReplay();
    EXPECT_NE(FindButton(root, 10), nullptr);
}

TEST_F(BattleBarTest, GoIsHiddenOnTheHostOfANetworkGame) {
    Start(800, 600);
    mApp->mConnectionType = 2;
    mApp->mIsHost = true;
    mBattle = MakeTestBattle("Netz");
    gBattle = mBattle.get();
    GView* root = mApp->MVApplication::BuildBattleScreen(mBattle.get(), false);
    EXPECT_EQ(FindButton(root, 9), nullptr);
}

TEST_F(BattleBarTest, ACtrlClickOnTheGroundMovesTheCameraThroughThePickPasses) {
    Build(800, 600, 50);
    Map* map = mBattle->mMap;
    ASSERT_NE(map->mView, nullptr);
    auto ctrlClick = [&](int32_t x, int32_t y) {
        PlatformEvent e;
        e.type = PlatformEvent::kMouseDown;
        e.x = x;
        e.y = y;
        e.button = 1;
        e.ctrl = true;
        gKernel->InjectEvent(e);
        Pass();
        e.type = PlatformEvent::kMouseUp;
        gKernel->InjectEvent(e);
        Pass();
    };
    Pass(2);
    // Looking at the middle of the map, the ground under the pointer is on it.
    map->mCameraX[0] = 500.0f;
    map->mCameraY[0] = 500.0f;
    map->DirtyClip();
    Pass(2);
    ctrlClick(400, 300);
    EXPECT_GE(map->mPickX, 0.0f);
    EXPECT_LT(map->mPickX, map->mWidthMetres);
    EXPECT_EQ(map->mCameraX[0], map->mPickX);
    EXPECT_EQ(map->mCameraY[0], map->mPickY);
    EXPECT_NE(map->mCameraX[0], 500.0f);
    // Beyond the map's edge: picked, but ignored.
    map->mCameraX[0] = 5.0f;
    map->mCameraY[0] = 5.0f;
    map->mCameraHeading[0] = 3.14159f; // looking west, off the map
    map->DirtyClip();
    Pass(2);
    ctrlClick(400, 150);
    EXPECT_LT(map->mPickX, 0.0f);
    EXPECT_EQ(map->mCameraX[0], 5.0f);
    EXPECT_EQ(map->mCameraY[0], 5.0f);
}

TEST_F(BattleBarTest, ScreenUpdatesWhileTheBattleComputesDrawNothingFromTheGenerator) {
    Build(800, 600, 20);
    Map* map = mBattle->mMap;
    mApp->mDrawSettings.mCameraShake = 1;
    mApp->mPrefs[kPrefCameraShake] = 1;
    Pass(2);
    mBattle->mComputing = true;
    map->mShake = 0.5f;
    SeedRandomGenerator(1234);
    map->mView->Refresh();
    gKernel->UpdateScreen();
    EXPECT_EQ(GetRandomState(), 1234u);
    EXPECT_EQ(map->mShake, 0.5f);
    mBattle->mComputing = false;
    map->mView->Refresh();
    gKernel->UpdateScreen();
    EXPECT_NE(GetRandomState(), 1234u); // the shake draws once shown
}

TEST_F(BattleBarTest, KeysReachTheOpenOrdersMenuAndAnUnknownOneClosesIt) {
    Build(800, 600);
    auto* unit = new MenuUnit;
    unit->mUnitType = kUnitInfantry;
    unit->mX = unit->mY = 40.0f;
    unit->mSide = 1;
    unit->mActive = true;
    unit->mAreaTarget = true; // so that X (cancel the target) is offered
    mBattle->mUnits->Add(unit);
    Map* map = mBattle->mMap;
    auto* menu = new OrdersMenu;
    map->mOpenMenu = menu;
    menu->IPlayerMenu(unit, 200, 100, map->mView);
    Pass();
    ASSERT_EQ(gKernel->GetTopModal(), menu);
    const int32_t beeps = gKernel->GetBeepCount();
    mApp->DoKey('x', false, false);
    EXPECT_EQ(gKernel->GetBeepCount(), beeps);
    EXPECT_EQ(map->mOpenMenu, menu);
    mApp->DoKey('b', false, false); // no order has B
    EXPECT_EQ(gKernel->GetBeepCount(), beeps + 1);
    EXPECT_EQ(map->mOpenMenu, nullptr);
    Pass();
    EXPECT_FALSE(gKernel->IsViewAlive(menu));
}

TEST_F(BattleBarTest, TheComputationHidesGoAndMovesItsBarByWholePixels) {
    ASSERT_NE(Build(1024, 768), nullptr);
    const BattleScreen& s = mApp->mBattleScreen;
    ASSERT_NE(s.mActionBar, nullptr);
    EXPECT_FALSE(s.mActionBar->IsShown());
    mApp->ActionPhaseStarts();
    EXPECT_FALSE(s.mGoPicture->IsShown());
    mApp->ShowProgress(0);
    EXPECT_TRUE(s.mActionBar->IsShown());
    EXPECT_EQ(s.mActionBar->mValue, 1);
    // Half the minute: 1200 x 148 / 2400 + 1.5, cut to a whole pixel.
    mApp->ShowProgress(1200);
    EXPECT_EQ(s.mActionBar->mValue, 75);
    mApp->ShowProgress(9999);
    EXPECT_EQ(s.mActionBar->mValue, 149);
    // Playback takes over: the bar goes.
    mApp->SetState(kStatePlayback);
    mApp->PlaybackPanelChanged(15, 0);
    EXPECT_FALSE(s.mActionBar->IsShown());
    mApp->SetState(kStateNone);
}

TEST_F(BattleBarTest, TexturesAreMadeUnderTheLightOfTheTimeOfDay) {
    Start(1024, 768);
    mBattle = MakeTestBattle("Nacht");
    gBattle = mBattle.get();
    mBattle->mTimeOfDay = 3;
    mBattle->mWeather = 1; // overcast: the darker night
    ASSERT_NE(mApp->MVApplication::BuildBattleScreen(mBattle.get(), false), nullptr);
    EXPECT_FLOAT_EQ(mBattle->mLightFactors[0], 0.46f);
    EXPECT_FLOAT_EQ(mBattle->mLightFactors[2], 0.49f);
    for (GGraphic* t : mBattle->mBattleTextures)
        EXPECT_NE(t, nullptr);
    // The interface pictures are loaded through hidden views far off the screen.
    int32_t hidden = 0;
    for (int32_t i = 0; i < mBattle->mScreen->GetSubviewCount(); ++i) {
        LongRect r;
        mBattle->mScreen->GetSubview(i)->GetBounds(&r);
        hidden += r.left == 9999 && !mBattle->mScreen->GetSubview(i)->IsShown();
    }
    EXPECT_EQ(hidden, 17);
    mBattle->DeleteTextures();
    for (GGraphic* t : mBattle->mBattleTextures)
        EXPECT_EQ(t, nullptr);
}
