// The whole game played in a real X window, as a player would: title, menus,
// a demo scenario against the computer, orders, the action phase and its
// playback, saving and loading, and quitting; and a hotseat hand-over.
// Run by scripts/xvfb-play; skipped elsewhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GFileStub.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "play_through_driver.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kGo = 9;
constexpr int32_t kNextTurn = 10;
constexpr int32_t kRewind = 11;
constexpr int32_t kBack = 12;
constexpr int32_t kForward = 14;
constexpr int32_t kPaused = 13; // play states
constexpr int32_t kPlaying = 15;
constexpr int32_t kSetupMove = 57;
constexpr int32_t kMoveOrder = 20;
constexpr int32_t kTargetOrder = 38;
constexpr const char* kScenarioTitle = "Hecken bei Saint-Lo";

// The control of the first of these commands that is visible, or 0.
int32_t VisibleCommand(std::initializer_list<int32_t> commands) {
    for (int32_t c : commands)
        if (PlayDriver::FindControl(gKernel->GetWindow(), c)) return c;
    return 0;
}

bool MenuOpen() {
    return gBattle && gBattle->mMap && gBattle->mMap->mOpenMenu;
}

// The title, skipped by a click from the X server, then the overlay's click
// opens the main menu.
void ReachMainMenu(PlayDriver& d) {
    MVApplication* app = d.App();
    ASSERT_NE(app->mFadeScreen, nullptr) << "the title shows first";
    d.Run(300);
    d.Shot("title");
    const uint32_t clicked = ClockTime();
    ASSERT_TRUE(d.XClick(d.Width() / 3, d.Height() / 3));
    ASSERT_TRUE(d.RunUntil([&] { return app->mFadeScreen == nullptr && app->mMenuPicture != nullptr; }, 5000,
                           "the title giving way to the menu"));
    std::printf("[%s] title skipped to the menu in %u ms\n", d.RunName().c_str(), ClockTime() - clicked);
    d.Run(200);
    d.Shot("intro-overlay");
    ASSERT_FALSE(app->mMenuPicture->IsShown()) << "the overlay covers the menu until clicked";
    d.Click(d.Width() / 2, d.Height() / 2);
    ASSERT_TRUE(d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 2000, "the main menu"));
    d.Run(200);
    d.Shot("main-menu");
    d.CheckNoBeep("main menu");
}

// The scenario list's line of a scenario with that title, or of the saved
// game of that file name, double-clicked.
void OpenFromList(PlayDriver& d, const std::string& title, bool savedGame) {
    MVApplication* app = d.App();
    ASSERT_TRUE(d.RunUntil([&] { return app->mScenarioList != nullptr; }, 5000, "the scenario list"));
    ScenarioScroller* list = app->mScenarioList;
    int32_t file = -1;
    for (int32_t i = 0; i < list->FileCount(0) && file < 0; ++i) {
        ScenarioSnapshot* snap = list->Snapshot(0, i);
        if (!snap || snap->fromGame != savedGame) continue;
        GString255 fileName;
        if (savedGame) list->Stub(0, i)->GetFileName(true, &fileName);
        const std::string name = savedGame ? fileName.GetCString() : snap->title.GetCString();
        if (name.rfind(title, 0) == 0) file = i;
    }
    ASSERT_GE(file, 0) << "no line for " << title;
    const int32_t line = file + 1; // line 0 is the quick battle
    const int32_t page = line / list->mLinesPerPage;
    for (int32_t p = list->mPage[0]; p < page; ++p)
        ASSERT_TRUE(d.ClickCommand(81)); // page down
    LongRect r;
    list->GetGlobalBounds(&r);
    const int32_t row = line - page * list->mLinesPerPage;
    const int32_t x = r.left + 200, y = r.top + 62 + 24 * row + 12;
    d.Shot(savedGame ? "saved-game-list" : "scenario-list");
    d.Press(x, y);
    d.Release(x, y);
    EXPECT_EQ(list->mSelected[0], line);
    d.Press(x, y, true); // the list goes as the file opens
    d.Release(x, y);
}

// From the main menu to the battle's set-up: list, briefing, side, players
// (one player or hotseat), and the passwords of a hotseat game.
void EnterBattle(PlayDriver& d, bool hotseat) {
    MVApplication* app = d.App();
    ASSERT_TRUE(d.ClickCommand(67));
    OpenFromList(d, kScenarioTitle, false);
    ASSERT_TRUE(d.RunUntil(
        [&] {
            return gBattle != nullptr && VisibleCommand({85, 86, 89, 109}) != 0;
        },
        10000, "the scenario loading to its briefing"));
    d.Run(200);
    d.Shot("briefing");
    if (int32_t c = VisibleCommand({85, 89})) {
        ASSERT_TRUE(d.ClickCommand(c));
    }
    ASSERT_TRUE(d.RunUntil([&] { return VisibleCommand({109}) != 0; }, 3000, "the sides screen"));
    d.Shot("sides");
    ASSERT_TRUE(d.ClickCommand(109));
    EXPECT_EQ(app->mSide, 0);
    ASSERT_TRUE(d.RunUntil([&] { return VisibleCommand({111}) != 0; }, 3000, "the players screen"));
    ASSERT_TRUE(d.ClickCommand(hotseat ? 115 : 114));
    d.Shot(hotseat ? "players-hotseat" : "players-one");
    ASSERT_TRUE(d.ClickCommand(111));
    EXPECT_EQ(app->mPlayers, hotseat ? 2 : 1);
    // A briefing of the chosen side may come before the battle.
    d.Run(200);
    if (VisibleCommand({86})) {
        d.Shot("side-briefing");
        ASSERT_TRUE(d.ClickCommand(86));
    }
    if (hotseat) {
        ASSERT_TRUE(d.RunUntil([&] { return app->mPasswordField != nullptr; }, 3000, "the password screen"));
        d.Type("achse");
        d.Shot("password-axis");
        d.Key(kKeyReturn);
    }
    ASSERT_TRUE(d.RunUntil(
        [&] { return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible(); },
        20000, "the battle screen"));
    d.Run(500);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("battle-setup");
    d.CheckNoBeep("entering the battle");
}

// Selects an own unit by clicking its figure on the screen, as a player
// aims at it: the first own unit that a click selects.
Unit* SelectOwnUnit(PlayDriver& d, int32_t* x, int32_t* y) {
    MVApplication* app = d.App();
    for (int32_t type : {kUnitInfantry, kUnitVehicle}) {
        UnitList* units = gBattle->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (!u || !u->mActive || u->mUnitType != type || u->GetAffiliation() != app->ViewingSide() ||
                !u->CanReceiveOrders())
                continue;
            if (!d.UnitOnScreen(u, x, y) || *x < 100 || *x > d.Width() - 100 || *y < 100) continue;
            d.Click(*x, *y);
            // Selected by a click on its figure (a box around the pointer
            // would select it too, but a hold there opens no menu).
            if (gBattle->mSelectedUnit == u && gBattle->mMap->mPickedUnit == u) return u;
        }
    }
    return nullptr;
}

// Holds the button on the selected unit until its orders menu opens, then
// clicks the menu's order.
bool OrderFromMenu(PlayDriver& d, int32_t x, int32_t y, int32_t order, const char* shot) {
    d.Hold(x, y, 600);
    if (!MenuOpen()) {
        ADD_FAILURE() << d.RunName() << ": holding the button on the unit opened no orders menu";
        return false;
    }
    d.Shot(shot);
    MenuButton* button = gBattle->mMap->mOpenMenu->FindButton(order);
    if (!button) {
        ADD_FAILURE() << d.RunName() << ": the orders menu has no order " << order;
        return false;
    }
    int32_t bx = 0, by = 0;
    PlayDriver::CentreOf(button, &bx, &by);
    d.Click(bx, by);
    return true;
}

// The battle's GO button, then the computer's turn: waits for the orders
// phase (or the playback) to come back.
void PressGo(PlayDriver& d, const char* what) {
    MVApplication* app = d.App();
    std::printf("[%s] generator state before GO (%s): %u\n", d.RunName().c_str(), what, GetRandomState());
    const uint32_t start = ClockTime();
    ASSERT_TRUE(d.ClickCommand(kGo));
    ASSERT_TRUE(d.RunUntil(
        [&] {
            return app->InteractionState() == kStatePlayback ||
                   (gBattle && !gBattle->mSetupPhase && app->InteractionState() == kStateNone &&
                    app->mProgressWindow == nullptr);
        },
        120000, std::string("the turn after GO (") + what + ")"));
    std::printf("[%s] GO (%s) answered in %u ms (planning and action phase)\n", d.RunName().c_str(), what,
                ClockTime() - start);
}

// The set-up turn: a unit selected, its menu held open, a set-up move, GO.
void SetUpAndGo(PlayDriver& d) {
    MVApplication* app = d.App();
    int32_t x = 0, y = 0;
    Unit* unit = SelectOwnUnit(d, &x, &y);
    if (!unit) {
        // Known and left open: the 3-D pick of the real window finds no unit
        // under its figure, so the orders steps cannot be played by clicks.
        d.Shot("setup-no-selection");
        GTEST_SKIP() << d.RunName() << ": no click on an own unit's figure selected it; the run stops here";
    }
    d.Shot("setup-selected");
    ASSERT_TRUE(OrderFromMenu(d, x, y, kSetupMove, "setup-menu"));
    EXPECT_EQ(app->InteractionState(), kStateSetupPick57);
    const float oldX = unit->mX, oldY = unit->mY;
    const int32_t tx = x + 30, ty = y + 20;
    d.Move(tx, ty);
    d.Run(100);
    d.Click(tx, ty);
    // The moved unit then asks which way it faces.
    if (app->InteractionState() == kStateSetupPick59) {
        d.Move(tx + 40, ty - 40);
        d.Run(100);
        d.Click(tx + 40, ty - 40);
    }
    EXPECT_EQ(app->InteractionState(), kStateNone);
    EXPECT_TRUE(unit->mX != oldX || unit->mY != oldY) << "the set-up move left the unit where it was";
    d.Shot("setup-moved");
    d.CheckNoBeep("set-up");
    PressGo(d, "set-up");
    EXPECT_FALSE(gBattle->mSetupPhase);
    d.Run(300);
    d.Shot("orders-turn1");
    d.CheckNoBeep("after the set-up GO");
}

// Orders: a unit selected, a move of two waypoints by the menu and a drag, a
// target picked by a drag.
void GiveOrders(PlayDriver& d) {
    MVApplication* app = d.App();
    int32_t x = 0, y = 0;
    Unit* unit = SelectOwnUnit(d, &x, &y);
    ASSERT_NE(unit, nullptr) << "no own unit on the screen to select";
    ASSERT_EQ(gBattle->mSelectedUnit, unit);
    ASSERT_TRUE(OrderFromMenu(d, x, y, kMoveOrder, "move-menu"));
    ASSERT_EQ(app->InteractionState(), kStateMoveOrder);
    // The first waypoint by holding the button, the last where it is released.
    const int32_t w1x = x + 60, w1y = y - 10, w2x = x + 110, w2y = y - 30;
    d.Move(w1x, w1y);
    d.Hold(w1x, w1y, 600, true);
    const int32_t afterHold = unit->mNrWaypoints;
    for (int i = 1; i <= 6; ++i) {
        d.Move(w1x + (w2x - w1x) * i / 6, w1y + (w2y - w1y) * i / 6);
        d.Run(20);
    }
    d.Release(w2x, w2y);
    d.Run(100);
    EXPECT_GE(afterHold, 1) << "holding the button set no waypoint";
    EXPECT_EQ(unit->mNrWaypoints, 2) << "a move of two waypoints";
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("move-two-waypoints");

    // A target: an enemy on the screen, or failing that a point of ground.
    ASSERT_TRUE(OrderFromMenu(d, x, y, kTargetOrder, "target-menu"));
    ASSERT_EQ(app->InteractionState(), kStatePickTarget);
    int32_t ex = 0, ey = 0;
    bool enemy = false;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !enemy; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        enemy = u && u->mActive && u->GetAffiliation() != app->ViewingSide() && u->VisibleToPlayer(true) &&
                d.UnitOnScreen(u, &ex, &ey);
    }
    if (!enemy) ex = x, ey = y - 120;
    d.Press(x, y);
    for (int i = 1; i <= 6; ++i) {
        d.Move(x + (ex - x) * i / 6, y + (ey - y) * i / 6);
        d.Run(20);
    }
    d.Release(ex, ey);
    d.Run(100);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("target");
    d.CheckNoBeep("orders");
}

// The play and pause button of the replay bar.
void ClickPlayPause(PlayDriver& d) {
    GView* button = d.App()->mBattleScreen.mPlayPause;
    ASSERT_TRUE(button && button->IsVisible()) << "the replay bar's play button is not shown";
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(button, &x, &y);
    d.Click(x, y);
}

// The playback of the first turn: pause, rewind, back, forward, then played
// to its end.
void WatchPlayback(PlayDriver& d, bool toTheEnd) {
    MVApplication* app = d.App();
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    d.Run(1500);
    d.Shot("playback");
    ClickPlayPause(d);
    EXPECT_EQ(gBattle->mPlayState, kPaused);
    const int32_t pausedAt = gBattle->mPlayNow;
    d.Run(400);
    EXPECT_LE(gBattle->mPlayNow, pausedAt + 1) << "a paused playback does not move";
    ASSERT_TRUE(d.ClickCommand(kForward));
    EXPECT_GT(gBattle->mPlayNow, pausedAt);
    ASSERT_TRUE(d.ClickCommand(kBack));
    ASSERT_TRUE(d.ClickCommand(kRewind));
    EXPECT_LE(gBattle->mPlayNow, 1);
    d.Shot("playback-rewound");
    ClickPlayPause(d); // play on
    EXPECT_EQ(gBattle->mPlayState, kPlaying);
    if (!toTheEnd) {
        for (int i = 0; i < 8 && !gBattle->AtEndOfPlayback(); ++i)
            d.ClickCommand(kForward);
    }
    const uint32_t start = ClockTime();
    int32_t frames = 0;
    ASSERT_TRUE(d.RunUntil(
        [&] {
            ++frames;
            return gBattle->AtEndOfPlayback() && gBattle->mPlayState == kPaused;
        },
        90000, "the end of the playback"));
    const uint32_t ms = ClockTime() - start;
    if (ms > 1000)
        std::printf("[%s] playback: %d passes in %u ms, %.1f frames a second\n", d.RunName().c_str(), frames,
                    ms, 1000.0 * frames / ms);
    d.Shot("playback-end");
    d.CheckNoBeep("playback");
}

void NextTurn(PlayDriver& d) {
    MVApplication* app = d.App();
    const int32_t turn = gBattle->mTurn;
    ASSERT_TRUE(
        d.RunUntil([&] { return PlayDriver::FindControl(gKernel->GetWindow(), kNextTurn) != nullptr; }, 3000,
                   "the next-turn button"));
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    ASSERT_TRUE(d.RunUntil([&] { return gBattle && gBattle->mTurn == turn + 1; }, 10000, "the next turn"));
    d.Run(300);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("turn-" + std::to_string(turn + 1));
    d.CheckNoBeep("next turn");
}

// Saves with Alt-S through the save dialog; false when no dialog came.
bool SaveWithAltS(PlayDriver& d, const std::string& name) {
    MVApplication* app = d.App();
    d.AllowBeeps();
    d.Key('s', true);
    d.Run(200);
    if (!app->mSaveDialog || !gKernel->IsViewAlive(app->mSaveDialog) || !app->mSaveDialog->IsVisible()) {
        std::printf("[%s] left: Alt-S opened no save dialog\n", d.RunName().c_str());
        d.AllowBeeps();
        return false;
    }
    d.Shot("save-dialog");
    for (int i = 0; i < 40; ++i)
        d.Key(kKeyBackspace);
    d.Type(name);
    d.Key(kKeyReturn);
    d.Run(300);
    EXPECT_TRUE(PlayDriver::FindControl(gKernel->GetWindow(), 91) == nullptr) << "the save dialog closes";
    d.CheckNoBeep("saving");
    return true;
}

// Leaves the battle for the main menu (Alt-A and its confirm box).
void LeaveToMainMenu(PlayDriver& d) {
    MVApplication* app = d.App();
    d.Key('a', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the leave box"));
    d.Run(100);
    d.Shot("leave-confirm");
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([&] { return gBattle == nullptr && app->mMenuPicture != nullptr; }, 5000,
                           "the main menu after leaving"));
    d.Run(200);
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    ASSERT_TRUE(d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 2000, "the main menu"));
    d.Shot("main-menu-again");
    d.CheckNoBeep("leaving the battle");
}

// Opens a saved game from the list and waits for its battle screen.
void LoadSavedGame(PlayDriver& d, const std::string& name, int32_t turn) {
    MVApplication* app = d.App();
    ASSERT_TRUE(d.ClickCommand(67));
    OpenFromList(d, name, true);
    // A saved game may show its briefing and sides again before the battle.
    for (int i = 0; i < 6; ++i) {
        d.Run(300);
        if (gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible()) break;
        if (int32_t c = VisibleCommand({85, 86, 89, 109, 114, 111})) {
            d.Shot("loading-" + std::to_string(c));
            ASSERT_TRUE(d.ClickCommand(c));
        }
    }
    ASSERT_TRUE(d.RunUntil(
        [&] { return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible(); },
        20000, "the saved game's battle screen"));
    d.Run(300);
    // A game saved by name holds the turn it was saved in; the auto-save
    // holds the last one written.
    if (turn > 0)
        EXPECT_EQ(gBattle->mTurn, turn);
    else
        EXPECT_GE(gBattle->mTurn, 1);
    EXPECT_EQ(app->mPlayers, 1);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("saved-game-battle");
    d.CheckNoBeep("loading the saved game");
}

// Alt-Q and its confirm box end the program.
void Quit(PlayDriver& d) {
    MVApplication* app = d.App();
    d.Key('q', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the quit box"));
    d.Run(100);
    d.Shot("quit-confirm");
    GView* yes = PlayDriver::FindControl(gKernel->GetWindow(), 98);
    ASSERT_NE(yes, nullptr);
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(yes, &x, &y);
    d.Press(x, y);
    d.Release(x, y);
    d.Run(100);
    EXPECT_TRUE(gKernel->IsQuitting()) << "the quit box's yes ends the program";
    d.CheckNoBeep("quitting");
}

} // namespace

TEST(PlayThrough, OnePlayerAgainstTheComputer) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("1024x768", 1024, 768);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    SetUpAndGo(d);
    if (HasFatalFailure() || IsSkipped()) return;
    GiveOrders(d);
    if (HasFatalFailure() || IsSkipped()) return;
    PressGo(d, "turn 1");
    if (HasFatalFailure() || IsSkipped()) return;
    WatchPlayback(d, true);
    if (HasFatalFailure() || IsSkipped()) return;
    NextTurn(d);
    if (HasFatalFailure() || IsSkipped()) return;
    PressGo(d, "turn 2");
    if (HasFatalFailure() || IsSkipped()) return;
    WatchPlayback(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    NextTurn(d);
    if (HasFatalFailure() || IsSkipped()) return;
    const int32_t turn = gBattle->mTurn;
    // Without the hot-key window's save key the turn's auto-save is the game
    // the list offers.
    GString31 autoSave;
    autoSave.IStringRez(kAutoSaveNameId);
    const bool named = SaveWithAltS(d, "Durchgang");
    LeaveToMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    LoadSavedGame(d, named ? "Durchgang" : autoSave.GetCString(), named ? turn : 0);
    if (HasFatalFailure() || IsSkipped()) return;
    // One more turn of the loaded game (its set-up first, if it was saved there).
    if (gBattle->mSetupPhase) {
        PressGo(d, "set-up after loading");
        if (HasFatalFailure() || IsSkipped()) return;
    }
    if (d.App()->InteractionState() == kStateNone) {
        PressGo(d, "after loading");
        if (HasFatalFailure() || IsSkipped()) return;
        WatchPlayback(d, false);
        if (HasFatalFailure() || IsSkipped()) return;
        NextTurn(d);
        if (HasFatalFailure() || IsSkipped()) return;
    }
    Quit(d);
}

TEST(PlayThrough, SmallScreen) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("800x600", 800, 600);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    SetUpAndGo(d);
    if (HasFatalFailure() || IsSkipped()) return;
    GiveOrders(d);
    if (HasFatalFailure() || IsSkipped()) return;
    PressGo(d, "turn 1");
    if (HasFatalFailure() || IsSkipped()) return;
    WatchPlayback(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    NextTurn(d);
}

TEST(PlayThrough, HotseatHandOver) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hotseat", 1024, 768);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, true);
    if (HasFatalFailure() || IsSkipped()) return;
    MVApplication* app = d.App();
    // The first player's GO hands the set-up over: the second player's
    // password screen comes up, for the other side.
    ASSERT_TRUE(d.ClickCommand(kGo));
    ASSERT_TRUE(
        d.RunUntil([&] { return app->mPasswordField != nullptr; }, 10000, "the hand-over's password"));
    EXPECT_EQ(app->mSide, 1);
    d.Type("alliierte");
    d.Shot("password-allies");
    d.Key(kKeyReturn);
    // The second player's set-up opens with the briefing.
    ASSERT_TRUE(d.RunUntil([&] { return VisibleCommand({87}) != 0; }, 5000, "the second player's briefing"));
    d.Shot("briefing-allies");
    ASSERT_TRUE(d.ClickCommand(87));
    ASSERT_TRUE(d.RunUntil(
        [&] { return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible(); },
        10000, "the second player's battle screen"));
    d.Run(300);
    d.Shot("setup-allies");
    EXPECT_TRUE(gBattle->mSetupPhase);
    d.CheckNoBeep("hand-over");
}
