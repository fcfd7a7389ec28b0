// The shell's small steps around a battle, from the application itself on a
// headless kernel: hand-overs and the notices of the idle pass, the boxes
// that close the balloon and the hot-key help, the keys and swaps that make
// the map work out its visible ground again, the save dialog's drawing, the
// turn clock's lines, the must-give-orders bytes at each hand-over and the
// auto-save reload that GO ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/AppTypes.h"
#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// A man of either side that takes orders or does not.
class OrderUnit : public Unit {
public:
    void ConcatName(GString* text, bool) override { text->ConcatText("Trupp"); }
    bool CanReceiveOrders() override { return mTakesOrders; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
    bool mTakesOrders = true;
};

class ShellStepsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakePictures();
        mShell = new MVApplication;
        mScreen = new GView;
        mScreen->IView(nullptr, 0, 0, 800, 600);
        Adopt(MakeTestBattle("Schale").release());
    }
    void TearDown() override {
        Release();
        delete mShell; // frees the battle
        mShell = nullptr;
        AppTest::TearDown();
    }
    // The battle the application shows: its screen and map view are ours.
    void Adopt(Battle* battle) {
        gBattle = battle;
        battle->mHost = mShell;
        battle->mScreen = mScreen;
        if (!mView) {
            mView = new MapView;
            mView->IView(mScreen, 0, 0, 800, 510);
        }
        mView->mMap = battle->mMap;
        battle->mMap->mView = mView;
    }
    void Release() {
        if (!gBattle) return;
        gBattle->mScreen = nullptr;
        if (gBattle->mMap) gBattle->mMap->mView = nullptr;
    }
    OrderUnit* AddUnit(Affiliation side, bool takesOrders) {
        auto* u = new OrderUnit;
        u->mUnitType = kUnitInfantry;
        u->mSide = side == kAxis ? 1 : 0;
        u->mX = 20.0f;
        u->mY = 20.0f;
        u->mActive = true;
        u->mTakesOrders = takesOrders;
        gBattle->mUnits->Add(u);
        return u;
    }
    GView* CloseBox() {
        GView* box = mShell->mPendingModal;
        if (box && gKernel->IsViewAlive(box)) delete box;
        mShell->mPendingModal = nullptr;
        mShell->DoStuffAfterIdle();
        return box;
    }

    MVApplication* mShell = nullptr;
    GView* mScreen = nullptr;
    MapView* mView = nullptr;
};

} // namespace

TEST_F(ShellStepsTest, HotseatSetUpHandOverDrawsTheSecondPlayersBattlefieldAfterOneIdlePass) {
    mShell->mPlayers = 2;
    mShell->mConnectionType = 0;
    mShell->mSide = 0;
    ASSERT_TRUE(gBattle->mSetupPhase);
    EXPECT_FALSE(gBattle->mMustGiveOrders[0]);
    EXPECT_FALSE(gBattle->mMustGiveOrders[1]);

    mShell->SendGameData();
    EXPECT_EQ(mShell->mSide, 1);
    EXPECT_TRUE(gBattle->mMustGiveOrders[1]) << "the player taking the game must give orders";
    EXPECT_FALSE(gBattle->mMustGiveOrders[0]);

    // Back to the other player during the set-up: his set-up opens from the
    // next idle pass, after the password.
    mShell->SendGameData();
    EXPECT_EQ(mShell->mSide, 0);
    EXPECT_TRUE(gBattle->mMustGiveOrders[0]);
    EXPECT_FALSE(gBattle->mMustGiveOrders[1]);
    ASSERT_TRUE(mShell->mIdleRequestB);
    EXPECT_EQ(gBattle->mMap->mDrawMode, 1);
    mShell->DoCommand(118);
    mShell->DoStuffAfterIdle();
    EXPECT_FALSE(mShell->mIdleRequestB);
    EXPECT_EQ(gBattle->mMap->mDrawMode, 2) << "the second set-up draws and picks the battlefield";

    // A hand-over with a computed turn to watch leaves the byte clear.
    gBattle->mSetupPhase = false;
    gBattle->CreateActionPacket(0);
    mShell->SendGameData();
    EXPECT_FALSE(gBattle->mMustGiveOrders[0]);
    EXPECT_FALSE(gBattle->mMustGiveOrders[1]);
}

TEST_F(ShellStepsTest, HandicapNoticeOpensOnceForEachPlayerNeverOverAnotherBoxAndSurvivesAReload) {
    mShell->mPlayers = 2;
    mShell->mConnectionType = 0;
    mShell->mSide = 0;
    gBattle->Handicap(20);

    mShell->DoStuffAfterIdle();
    GView* box = mShell->mPendingModal;
    ASSERT_NE(box, nullptr) << "box 8 for the first player";
    EXPECT_EQ(mShell->mState, kStateConfirm);
    EXPECT_FALSE(gBattle->mHandicapped[0]);
    EXPECT_TRUE(gBattle->mHandicapped[1]);

    // Nothing opens over an open box.
    mShell->mIdleRequestA = true;
    mShell->DoStuffAfterIdle();
    EXPECT_EQ(mShell->mPendingModal, box);
    EXPECT_TRUE(mShell->mIdleRequestA);
    mShell->mIdleRequestA = false;
    CloseBox();
    EXPECT_EQ(mShell->mPendingModal, nullptr) << "the first player sees it once";
    EXPECT_EQ(mShell->mState, kStateNone);

    // An unchosen side sees nothing.
    mShell->mSide = 2;
    mShell->DoStuffAfterIdle();
    EXPECT_EQ(mShell->mPendingModal, nullptr);

    // Saved and loaded, the notice still waits for the second player only.
    mShell->mSide = 0;
    Release();
    mShell->AutoSave(true);
    ASSERT_NE(gBattle, nullptr);
    Adopt(gBattle);
    EXPECT_FALSE(gBattle->mHandicapped[0]);
    EXPECT_TRUE(gBattle->mHandicapped[1]);
    mShell->mSide = 0;
    mShell->DoStuffAfterIdle();
    EXPECT_EQ(mShell->mPendingModal, nullptr);
    mShell->mSide = 1;
    mShell->DoStuffAfterIdle();
    EXPECT_NE(mShell->mPendingModal, nullptr) << "box 8 for the second player after the load";
    EXPECT_FALSE(gBattle->mHandicapped[1]);
}

TEST_F(ShellStepsTest, OrdersCompleteNoticeComesFromTheMapViewsIdlePassForTheViewingSideOnly) {
    // The per-side bytes travel in the game file.
    gBattle->mOrdersPending[kAllies] = true;
    gBattle->mMustGiveOrders[kAxis] = true;
    Release();
    mShell->AutoSave(true);
    ASSERT_NE(gBattle, nullptr);
    Adopt(gBattle);
    EXPECT_TRUE(gBattle->mOrdersPending[kAllies]);
    EXPECT_FALSE(gBattle->mOrdersPending[kAxis]);
    EXPECT_TRUE(gBattle->mMustGiveOrders[kAxis]);
    EXPECT_FALSE(gBattle->mMustGiveOrders[kAllies]);
    gBattle->mOrdersPending[kAllies] = false;

    AddUnit(kAxis, false);
    AddUnit(kAllies, true);
    gBattle->NoteOrdersComplete();
    EXPECT_TRUE(gBattle->mOrdersPending[kAxis]) << "none of its men can take an order";
    EXPECT_FALSE(gBattle->mOrdersPending[kAllies]);

    mShell->mSide = kAllies;
    mView->DoIdle();
    EXPECT_FALSE(mShell->mIdleRequestA);
    EXPECT_TRUE(gBattle->mOrdersPending[kAxis]);

    mShell->mSide = kAxis;
    mView->DoIdle();
    EXPECT_FALSE(gBattle->mOrdersPending[kAxis]);
    ASSERT_TRUE(mShell->mIdleRequestA);
    mShell->DoStuffAfterIdle();
    EXPECT_FALSE(mShell->mIdleRequestA);
    EXPECT_NE(mShell->mPendingModal, nullptr) << "box 7";
}

TEST_F(ShellStepsTest, ConfirmGoAndNextTurnCloseTheBalloonAndConfirmTheHotKeyHelp) {
    ASSERT_TRUE(DecryptData());
    Map* map = gBattle->mMap;
    Unit* wire = gBattle->mUnits->GetUnit(0);
    auto openBalloon = [&] {
        gBattle->mSelectedUnit = wire;
        if (!map->mInfoBalloon) map->ToggleUnitInfo();
        return map->mInfoBalloon != nullptr;
    };

    ASSERT_TRUE(openBalloon());
    map->ShowHotkeys();
    ASSERT_NE(map->mHotkeyPanel, nullptr);
    mShell->Confirm(kConfirmNotice7);
    EXPECT_EQ(map->mInfoBalloon, nullptr);
    EXPECT_EQ(map->mHotkeyPanel, nullptr);
    EXPECT_NE(mShell->mPendingModal, nullptr);
    CloseBox();
    // With nothing open the box deletes nothing.
    mShell->Confirm(kConfirmNotice7);
    EXPECT_NE(mShell->mPendingModal, nullptr);
    CloseBox();

    // A TCP/IP GO that the exchange holds back still closes the balloon.
    mShell->mConnectionType = 2;
    mShell->mPlayers = 2;
    ASSERT_TRUE(openBalloon());
    map->mTrackedUnit = wire;
    mShell->DoCommand(9);
    EXPECT_EQ(map->mInfoBalloon, nullptr);
    EXPECT_EQ(map->mTrackedUnit, nullptr);
    EXPECT_TRUE(gBattle->mSetupPhase) << "the peer was not ready";

    mShell->mConnectionType = 0;
    mShell->mPlayers = 1;
    gBattle->mSetupPhase = false;
    ASSERT_TRUE(openBalloon());
    gBattle->HandleCommand(10);
    EXPECT_EQ(map->mInfoBalloon, nullptr) << "next turn";
}

TEST_F(ShellStepsTest, CameraKeysAndASideSwapMakeTheNextFrameFindItsGroundAgain) {
    Map* map = gBattle->mMap;
    for (char key : {'H', 'A', 'Z', '[', ']'}) {
        map->mClipDirty = false;
        mShell->DoKey(key, false, false);
        EXPECT_TRUE(map->mClipDirty) << key;
    }
    map->mClipDirty = false;
    mShell->DoKey('K', false, false); // camera shake changes no ground in view
    EXPECT_FALSE(map->mClipDirty);
    gBattle->RespondToSwapSides();
    EXPECT_TRUE(map->mClipDirty);
}

TEST_F(ShellStepsTest, SaveDialogDrawsOnlyTheFlatLayerWhileOpenAndResumeRedoesTheWeather) {
    Map* map = gBattle->mMap;
    mShell->SaveDialogMV(false);
    EXPECT_EQ(map->mDrawMode, 1);
    mShell->DoCommand(93);
    EXPECT_EQ(map->mDrawMode, 2);

    map->mWeatherMade = true;
    mShell->ResumeApp();
    EXPECT_FALSE(map->mWeatherMade);
}

TEST_F(ShellStepsTest, FoxholeKeyOnlyInTheSetUpWithNoOrderBeingGivenOnTheBattlefield) {
    Map* map = gBattle->mMap;
    gBattle->mEditorScenario = false;
    gBattle->mAttacker = kAllies;
    mShell->mSide = kAxis;
    map->mFoxholeAllowance = 2;
    ASSERT_TRUE(map->FoxholePlacingOffered());
    gKernel->Set3D(true);
    mShell->SetState(kStatePickTarget);
    mShell->DoKey('f', true, false);
    EXPECT_EQ(map->mCraterPlacingStatus, 0) << "an order is being given";
    mShell->SetState(kStateNone);
    gKernel->Set3D(false);
    mShell->DoKey('f', true, false);
    EXPECT_EQ(map->mCraterPlacingStatus, 0) << "not on the 3-D battlefield";
    gKernel->Set3D(true);
    mShell->DoKey('F', true, false);
    EXPECT_EQ(map->mCraterPlacingStatus, 5);
    gKernel->Set3D(false);
}

TEST_F(ShellStepsTest, TurnClockLinesShowPauseRequestsBelowTheReloadWarningOnlyOverTcp) {
    TurnClockLine lines[4];
    mShell->mTurnTimeLimit = 120000;
    mShell->mTCPIPPhase = 6;
    mShell->mOwnPauseRequest = true;
    mShell->mTurnClockStart = static_cast<int32_t>(mShell->NetworkClock()) + 1;
    EXPECT_EQ(TurnClockLines(mShell, lines), 0) << "no lines outside TCP/IP";

    mShell->mConnectionType = 2;
    auto has = [&](int32_t count, int32_t text, int32_t y) {
        for (int32_t i = 0; i < count; ++i)
            if (lines[i].text == text) return lines[i].y == y;
        return false;
    };
    int32_t n = TurnClockLines(mShell, lines);
    EXPECT_TRUE(has(n, 1714, 60)) << "own request while the clock runs";
    mShell->mAutoSaveReloading = true;
    n = TurnClockLines(mShell, lines);
    EXPECT_TRUE(has(n, 1693, 60));
    EXPECT_TRUE(has(n, 1714, 75)) << "below the reload warning";

    // After this player's GO the limit is ignored for him: no switched-off
    // line, the peer's request still shows.
    mShell->mAutoSaveReloading = false;
    mShell->mOwnPauseRequest = false;
    mShell->mPeerPause = true;
    mShell->mTurnClockStart = 0;
    mShell->mClockWasRunning = true;
    n = TurnClockLines(mShell, lines);
    EXPECT_TRUE(has(n, 1716, 60));
    EXPECT_FALSE(has(n, 1718, 45));

    // Both agreed: the clock is off and the requests are gone.
    mShell->mOwnPauseRequest = true;
    mShell->PauseTCPIP();
    n = TurnClockLines(mShell, lines);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(lines[0].text, 1718);
}

TEST_F(ShellStepsTest, GoAfterATcpReloadEndsTheWarningAndOrdersAreTakenAgain) {
    mShell->mConnectionType = 2;
    mShell->mPlayers = 2;
    mShell->mTCPIPPhase = 6;
    mShell->mAutoSaveReloading = true;
    EXPECT_TRUE(mShell->ProhibitOrdersDueToTCPIP());
    mShell->DoCommand(9);
    EXPECT_FALSE(mShell->mAutoSaveReloading);
    // Back in an orders phase, orders are taken.
    mShell->mTCPIPPhase = 6;
    EXPECT_FALSE(mShell->ProhibitOrdersDueToTCPIP());
    TurnClockLine lines[4];
    const int32_t n = TurnClockLines(mShell, lines);
    for (int32_t i = 0; i < n; ++i)
        EXPECT_NE(lines[i].text, 1693);
    mShell->CloseTCPIP();
}

// A TCP/IP GO of a turn saves as an exchange's: reloaded, the game shows the
// warning and takes no orders until GO (which computes it as reloaded).
TEST_F(ShellStepsTest, TheAutoSaveOfATcpGoReloadsWaitingForGo) {
    gBattle->mSetupPhase = false;
    mShell->mConnectionType = 2;
    mShell->mPlayers = 2;
    mShell->mTCPIPPhase = 6;
    mShell->DoCommand(9);
    EXPECT_FALSE(mShell->mAutoSaveReloading) << "set only while it saved";
    mShell->CloseTCPIP();
    Release();
    GFile file;
    ASSERT_TRUE(file.IFile(mFolder->Path("Savegames/Auto Speicherung TCP-IP.mvg").c_str(), kFileModeCompressedRead));
    ASSERT_TRUE(mShell->LoadGame(&file, nullptr));
    Adopt(gBattle);
    mShell->mTCPIPPhase = 6;
    EXPECT_TRUE(mShell->ProhibitOrdersDueToTCPIP());
    TurnClockLine lines[4];
    const int32_t n = TurnClockLines(mShell, lines);
    EXPECT_TRUE(std::any_of(lines, lines + n, [](const TurnClockLine& l) { return l.text == 1693; }));
}

TEST_F(ShellStepsTest, TcpHostOpensTheServerOnAFreshGameAndBeginsAtOnceWhenItsSideMustMove) {
    mShell->mConnectionType = 2;
    mShell->mPlayers = 2;
    mShell->mIsHost = true;
    mShell->mSide = 0;
    gBattle->mScreen = nullptr; // the battle has not begun
    mShell->DoCommand(118);
    EXPECT_FALSE(gBattle->mBegun) << "a fresh host waits for the peer";
    mShell->CloseTCPIP();

    gBattle->mMustGiveOrders[0] = true;
    mShell->DoCommand(118);
    EXPECT_TRUE(gBattle->mBegun);
    EXPECT_EQ(mShell->mTCPIPPhase, 0) << "no server was opened";
    mShell->CloseTCPIP();
    gBattle->DeletePreviewMaterial(false);
    // Opening the server cleared the screen, our views with it: new ones.
    if (!gKernel->IsViewAlive(mScreen)) {
        mScreen = new GView;
        mScreen->IView(nullptr, 0, 0, 800, 600);
        mView = nullptr;
    }
    Adopt(gBattle);
}

TEST_F(ShellStepsTest, TheSentScenarioHasBothBytesClearAndLeavesTheLocalBattleAsItWas) {
    gBattle->mMustGiveOrders[0] = true;
    gBattle->mMustGiveOrders[1] = true;
    mShell->mConnectionType = 2;
    mShell->mSide = 0;
    mShell->mSidesSwapped = false;
    mShell->BeginTCPIPFileSend(true);
    ASSERT_NE(mShell->mOutgoingTurnFile, nullptr);
    EXPECT_TRUE(gBattle->mMustGiveOrders[0]);
    EXPECT_TRUE(gBattle->mMustGiveOrders[1]);
    EXPECT_EQ(mShell->mSide, 0);
    EXPECT_FALSE(mShell->mSidesSwapped);

    // What travels, read as the peer reads it.
    GFile* sent = mShell->mOutgoingTurnFile;
    std::vector<uint8_t> bytes(static_cast<size_t>(sent->GetFileLength()));
    sent->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(file.RewindAndReadAsCompressed());
    GameFileState state;
    GameFileContents contents;
    Battle* local = gBattle;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.host = mShell}), kGameFileLoaded);
    gBattle = local;
    ASSERT_NE(contents.battle, nullptr);
    EXPECT_FALSE(contents.battle->mMustGiveOrders[0]);
    EXPECT_FALSE(contents.battle->mMustGiveOrders[1]);
    EXPECT_EQ(state.side, 1) << "written for the peer";
    delete contents.battle;
    delete contents.campaign;
}

TEST_F(ShellStepsTest, EndingEarlyStopsOnlyATcpTurnClock) {
    mShell->mPlayers = 2;
    mShell->mConnectionType = 0;
    mShell->mTurnClockStart = 5000;
    gBattle->EndEarly(2);
    EXPECT_EQ(mShell->mTurnClockStart, 5000);

    // Over TCP/IP the clock stops behind the result screen.
    gBattle->mTurn = 1;
    mShell->mConnectionType = 2;
    gBattle->EndEarly(2);
    EXPECT_EQ(mShell->mTurnClockStart, 0);
    mShell->CloseTCPIP();
}

TEST_F(ShellStepsTest, EnemyGraphicsRebuildEveryTextureRestoreThePhaseAndClearTheCounts) {
    mShell->mConnectionType = 2;
    mShell->mTCPIPPhase = 12;
    mShell->mNewTCPIPTextures = true;
    gBattle->mPendingGraphics[0] = 3;
    gBattle->mPendingGraphics[1] = 4;
    ASSERT_EQ(gBattle->mBattleTextures[0], nullptr);
    mShell->LoadNewTCPIPTextures();
    EXPECT_NE(gBattle->mBattleTextures[0], nullptr) << "the battle's textures were made again";
    EXPECT_EQ(mShell->mTCPIPPhase, 12);
    EXPECT_FALSE(mShell->mNewTCPIPTextures);
    EXPECT_EQ(gBattle->mPendingGraphics[0], 0);
    EXPECT_EQ(gBattle->mPendingGraphics[1], 0);
    gBattle->DeleteTextures();
}

TEST_F(ShellStepsTest, DroppingTheSelectionFreesTheCameraOutsidePlaybackOnly) {
    Map* map = gBattle->mMap;
    Unit* wire = gBattle->mUnits->GetUnit(0);
    map->mLockedUnit = wire;
    mShell->SetState(kStatePlayback);
    gBattle->SetSelectedUnit(nullptr);
    EXPECT_EQ(map->mLockedUnit, wire) << "the replay keeps following it";
    mShell->SetState(kStateNone);
    gBattle->SetSelectedUnit(wire);
    EXPECT_EQ(map->mLockedUnit, wire);
    gBattle->SetSelectedUnit(nullptr);
    EXPECT_EQ(map->mLockedUnit, nullptr);
}
