// The whole game played in a real X window, as a player would: title, menus,
// a demo scenario against the computer, orders, the action phase and its
// playback, saving and loading, and quitting; and a hotseat hand-over.
// Run by scripts/xvfb-play; skipped elsewhere.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/ButtonFlybyView.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "draw/DrawTables.h"
#include "battle_records.h"
#include "engine/EZOpenPlay.h"
#include "engine/FileTestFolder.h"
#include "engine/TestPorts.h"
#include "engine/GBlitView.h"
#include "engine/GControl.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GFileStub.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "platform/Surface16.h"
#include "play_through_driver.h"
#include "renderer/GGraph3D.h"
#include "seam_census.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

#ifdef DM_COVERAGE
extern "C" void __gcov_dump(void);
#endif

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
constexpr const char* kScenarioTitle = "Hecken bei Saint-L"; // the title starts so

// The control of the first of these commands that is visible, or 0.
int32_t VisibleCommand(std::initializer_list<int32_t> commands) {
    for (int32_t c : commands)
        if (PlayDriver::FindControl(gKernel->GetWindow(), c)) return c;
    return 0;
}

bool MenuOpen() {
    return gBattle && gBattle->mMap && gBattle->mMap->mOpenMenu;
}

bool InspectEnemy(PlayDriver& d, const char* when);

// The title, skipped by a click from the X server, then the overlay's click
// opens the main menu.
void ReachMainMenu(PlayDriver& d, bool byXServer = true) {
    MVApplication* app = d.App();
    ASSERT_NE(app->mFadeScreen, nullptr) << "the title shows first";
    d.Run(300);
    d.Shot("title");
    const uint32_t clicked = ClockTime();
    // Two programs on one X screen: their windows lie over each other, so
    // the X server's click would reach only the top one.
    if (byXServer)
        ASSERT_TRUE(d.XClick(d.Width() / 3, d.Height() / 3));
    else
        d.Click(d.Width() / 3, d.Height() / 3);
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
void EnterBattle(PlayDriver& d, bool hotseat, const char* title = kScenarioTitle) {
    MVApplication* app = d.App();
    ASSERT_TRUE(d.ClickCommand(67));
    OpenFromList(d, title, false);
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
    d.CheckGoShown("the set-up");
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
    if (d.Width() == 1024) {
        d.CheckSelectionDrawn(unit);
        ASSERT_TRUE(d.UnitOnScreen(unit, &x, &y)) << "the unit left the screen";
    }
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
    d.CheckGoShown("the first orders");
    d.CheckNoBeep("after the set-up GO");
    // The horizon nearer and farther, and a camera step: the map still shows.
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    const float keptX = map->mCameraX[side], keptY = map->mCameraY[side];
    d.Key('[');
    d.Run(200);
    d.Shot("horizon-nearer");
    d.Key(']');
    d.Run(200);
    d.Shot("horizon-farther");
    ASSERT_TRUE(d.ClickCommand(3));
    d.Run(200);
    d.Shot("camera-moved");
    map->mCameraX[side] = keptX; // and back over the units
    map->mCameraY[side] = keptY;
    map->DirtyClip();
    // The camera was set directly, not by a command: a still scene draws no
    // frame of its own, so the pointer's move brings the new view.
    d.Move(d.Width() / 2, d.Height() / 2);
    d.Run(200);
    d.AllowBeeps();
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
    // Ground the unit cannot see or reach is refused with a beep; a kept
    // target is silent.
    if (!unit->mTarget && !unit->mAreaTarget) {
        EXPECT_FALSE(enemy) << "a seen enemy on the screen was refused as a target";
        EXPECT_EQ(gKernel->GetBeepCount(), d.BeepBase() + 1) << "a refused target gave no beep";
        d.AllowBeeps();
    }
    d.CheckNoBeep("orders");
    InspectEnemy(d, "orders");
}

// Enemies under the player's eye: the camera is brought over a seen enemy,
// and a click on its figure selects it for the info panel's readout (it
// takes no orders); one the side has not seen is neither drawn nor picked:
// its place looks as it does without it, and a click there selects nothing.
// Whether a seen enemy was there.
int32_t sEnemiesInspected = 0;
bool InspectEnemy(PlayDriver& d, const char* when) {
    MVApplication* app = d.App();
    Map* map = gBattle->mMap;
    Unit* seen = nullptr;
    Unit* unseen = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (!u || !u->mActive || u->IsOwnUnit(app->ViewingSide()) || u->IsPassenger(false) ||
            u->mOffMapState != 0 || u->mUnitType == kUnitInanimate)
            continue;
        const int32_t contact = u->VisibleToPlayer(false);
        if (contact >= kContactSeen && (!seen || contact > seen->VisibleToPlayer(false))) seen = u;
        if (contact == kContactNone && !u->ShowsSpotMarker() && !unseen) unseen = u;
    }
    const int32_t side = map->ViewingSide();
    const int32_t level = map->mCameraLevel[side];
    const float keptX = map->mCameraX[side], keptY = map->mCameraY[side], heading = map->mCameraHeading[side];
    // The camera over the unit's place (where the player sees it), and that
    // place on the screen.
    auto intoView = [&](Unit* u, int32_t* x, int32_t* y) {
        float ux = u->mX, uy = u->mY, uz = 0.0f;
        u->GetApparentLocation(&ux, &uy, &uz);
        for (int32_t l : {3, 2, 4})
            for (float back : {60.0f, 30.0f, 100.0f, 160.0f}) {
                LookAtPoint(d, l, ux, uy - back);
                if (d.GroundOnScreen(ux, uy, x, y) && *x >= 60 && *x <= d.Width() - 60 && *y >= 60) return true;
            }
        return false;
    };
    // A click on the place, or a little above it (the figure stands on it).
    auto clickOn = [&](Unit* u, int32_t x, int32_t y) {
        bool picked = false;
        for (int32_t dy = 0; dy >= -8 && !picked; dy -= 4) {
            gBattle->SetSelectedUnit(nullptr);
            d.Click(x, y + dy);
            picked = gBattle->mSelectedUnit == u || map->mPickedUnit == u;
        }
        return picked;
    };
    // The pixels around a place: as they are, with the unit known, and with
    // it taken off the map.
    auto around = [&](Unit* u, int32_t x, int32_t y, FogOfWarContact contact, int32_t offMap) {
        const FogOfWarContact keptContact = u->mContactLevel;
        u->mContactLevel = contact;
        u->mOffMapState = offMap;
        RecordFrame();
        std::vector<uint16_t> pixels = GrabPixels(LongRect{x - 40, y - 60, x + 40, y + 10});
        u->mContactLevel = keptContact;
        u->mOffMapState = 0;
        return pixels;
    };
    gBattle->SetSelectedUnit(nullptr);
    int32_t x = 0, y = 0;
    if (unseen && intoView(unseen, &x, &y)) {
        // Its place looks as it does with the enemy taken off the map, and
        // not so once the side knows it (the check looks at the right place).
        const std::vector<uint16_t> gone = around(unseen, x, y, unseen->mContactLevel, 1);
        EXPECT_GT(PixelsChanged(around(unseen, x, y, kContactFull, 0), gone), 8)
            << d.RunName() << ": the enemy's place is not where the check looks (" << when << ")";
        EXPECT_LT(PixelsChanged(around(unseen, x, y, unseen->mContactLevel, 0), gone), 4)
            << d.RunName() << ": an enemy the side has not seen is drawn (" << when << ")";
        RecordFrame();
        EXPECT_FALSE(clickOn(unseen, x, y))
            << d.RunName() << ": a click picked an enemy the side has not seen (" << when << ")";
        d.Shot(std::string("unseen-enemy-clicked-") + when);
    }
    bool inspected = false;
    if (seen && intoView(seen, &x, &y)) {
        LongRect panel;
        gBattle->mInfoPanel->GetGlobalBounds(&panel);
        gBattle->SetSelectedUnit(nullptr);
        d.Run(100);
        RecordFrame();
        const std::vector<uint16_t> general = GrabPixels(panel);
        inspected = clickOn(seen, x, y);
        EXPECT_EQ(gBattle->mSelectedUnit, seen)
            << d.RunName() << ": a click on a seen enemy did not select it (" << when << ")";
        d.Shot(std::string("enemy-selected-") + when);
        EXPECT_FALSE(MenuOpen()) << "an enemy takes no orders";
        EXPECT_GT(PixelsChanged(general, GrabPixels(panel)), panel.Width() * panel.Height() / 10)
            << d.RunName() << ": the info panel does not show the selected enemy (" << when << ")";
    }
    std::printf("[%s] enemies at %s: %s seen one clicked, %s unseen one clicked\n", d.RunName().c_str(), when,
                inspected ? "a" : "no", unseen ? "an" : "no");
    gBattle->SetSelectedUnit(nullptr);
    app->JumpCameraToLevel(level);
    map->mCameraX[side] = keptX;
    map->mCameraY[side] = keptY;
    map->mCameraHeading[side] = heading;
    map->DirtyClip();
    d.Move(d.Width() / 2, d.Height() / 2);
    d.Run(200);
    d.AllowBeeps();
    sEnemiesInspected += inspected;
    return inspected;
}

// The share of a picture's pixels that the screen shows at (x, y).
float ShownShare(GGraphic* picture, int32_t x, int32_t y) {
    Surface16* s = picture ? picture->GetSurface() : nullptr;
    const PixelTarget16 back = gKernel->GetBackBuffer();
    if (!s || s->Width() <= 0 || x < 0 || y < 0 || x + s->Width() > back.width ||
        y + s->Height() > back.height)
        return 0.0f;
    int32_t same = 0;
    for (int32_t py = 0; py < s->Height(); ++py)
        for (int32_t px = 0; px < s->Width(); ++px)
            same += back.Row(y + py)[x + px] == s->Target().Row(py)[px];
    return static_cast<float>(same) / static_cast<float>(s->Width() * s->Height());
}

// An own mortar team selected: the info panel's right box, at (364, 22) of
// the panel, shows its mortar's side view, not the portrait at (0, 0).
void CheckMortarTeamPicture(PlayDriver& d) {
    Infantry* team = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !team; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (!u || !u->mActive || u->mUnitType != kUnitInfantry || !u->IsOwnUnit(d.App()->ViewingSide()))
            continue;
        const WeaponType w = static_cast<Infantry*>(u)->Record().mHeavyWeapon;
        if (w != kWeaponNone && gWeaponData[w].mClass == kWClassMortar) team = static_cast<Infantry*>(u);
    }
    ASSERT_TRUE(team && team->mKnowledgePictures[0] && gBattle->mInfoPanel)
        << "no own mortar team or picture";
    gBattle->SetSelectedUnit(team);
    d.Run(300);
    d.Shot("mortar-team-panel");
    LongRect r;
    gBattle->mInfoPanel->GetGlobalBounds(&r);
    EXPECT_GT(ShownShare(team->mKnowledgePictures[0], r.left + 364, r.top + 22), 0.95f)
        << "no mortar in the box";
    EXPECT_GT(ShownShare(team->mRankPortraits[0], r.left, r.top), 0.95f) << "the portrait at (0, 0)";
    EXPECT_LT(ShownShare(team->mRankPortraits[0], r.left + 364, r.top + 22), 0.5f)
        << "the portrait in the box";
    gBattle->SetSelectedUnit(nullptr);
    d.Run(100);
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
// to its end (toTheEnd: its last sixth at its own pace).
void WatchPlayback(PlayDriver& d, bool toTheEnd) {
    MVApplication* app = d.App();
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    d.Run(1500);
    d.Shot("playback");
    ClickPlayPause(d);
    EXPECT_EQ(gBattle->mPlayState, kPaused);
    InspectEnemy(d, "playback");
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
    // To the end at once, or two seconds at the replay's own pace and then
    // on to its last sixth, which plays to its end by itself.
    if (toTheEnd) d.Run(2000);
    for (int i = 0; i < (toTheEnd ? 5 : 8) && !gBattle->AtEndOfPlayback(); ++i)
        d.ClickCommand(kForward);
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
    d.CheckGoShown("turn " + std::to_string(turn + 1));
    d.CheckNoBeep("next turn");
}

// Saves with Alt-S through the save dialog.
void SaveWithAltS(PlayDriver& d, const std::string& name) {
    MVApplication* app = d.App();
    d.AllowBeeps();
    d.Key('s', true);
    d.Run(200);
    ASSERT_TRUE(app->mSaveDialog && gKernel->IsViewAlive(app->mSaveDialog) && app->mSaveDialog->IsVisible())
        << d.RunName() << ": Alt-S opened no save dialog";
    d.Shot("save-dialog");
    for (int i = 0; i < 40; ++i)
        d.Key(kKeyBackspace);
    d.Type(name);
    d.Key(kKeyReturn);
    d.Run(300);
    EXPECT_TRUE(PlayDriver::FindControl(gKernel->GetWindow(), 91) == nullptr) << "the save dialog closes";
    d.CheckNoBeep("saving");
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
    // A game saved by name holds the turn it was saved in.
    EXPECT_EQ(gBattle->mTurn, turn);
    EXPECT_EQ(app->mPlayers, 1);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    d.Shot("saved-game-battle");
    d.CheckGoShown("the loaded game");
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
    sEnemiesInspected = 0;
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    // At the first battle screen every seam is answered or accounted for.
    CheckSeamCensus(d.App());
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
    EXPECT_GT(sEnemiesInspected, 0) << "no seen enemy was clicked in the orders or the playbacks";
    NextTurn(d);
    if (HasFatalFailure() || IsSkipped()) return;
    const int32_t turn = gBattle->mTurn;
    SaveWithAltS(d, "Durchgang");
    if (HasFatalFailure() || IsSkipped()) return;
    LeaveToMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    LoadSavedGame(d, "Durchgang", turn);
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

// The small scenario played to its end by one player: GO each turn, each
// playback run forward to its end, until the result screen shows.
TEST(PlayThrough, HeckenToTheResultScreen) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("result", 800, 600);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false);
    if (HasFatalFailure() || IsSkipped()) return;
    MVApplication* app = d.App();
    const uint32_t start = ClockTime();
    auto resultShown = [] { return gBattle && gBattle->mResultView && gBattle->mResultView->IsVisible(); };
    for (int step = 0; step < 40 && !resultShown(); ++step) {
        if (app->InteractionState() == kStatePlayback) {
            for (int i = 0; i < 40 && !gBattle->AtEndOfPlayback(); ++i)
                if (!PlayDriver::FindControl(gKernel->GetWindow(), kForward) || !d.ClickCommand(kForward)) break;
            d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 30000, "the end of a playback");
            d.Run(200);
            if (resultShown()) break;
            if (PlayDriver::FindControl(gKernel->GetWindow(), kNextTurn)) {
                d.ClickCommand(kNextTurn);
                d.RunUntil([&] { return app->InteractionState() == kStateNone || resultShown(); }, 10000,
                           "the next turn or the result");
            }
        } else if (PlayDriver::FindControl(gKernel->GetWindow(), kGo)) {
            const std::string turn = "turn " + std::to_string(gBattle->mTurn);
            PressGo(d, turn.c_str());
            if (HasFatalFailure()) return;
        } else {
            d.Run(200);
        }
        d.AllowBeeps();
    }
    ASSERT_TRUE(resultShown()) << "the battle ended in no result screen";
    std::printf("[%s] to the result screen in %u ms\n", d.RunName().c_str(), ClockTime() - start);
    d.Run(300);
    d.Shot("result");
}

// ---- What the map shows -------------------------------------------------------

namespace {

struct Colour {
    int r, g, b;
};

// The mean colour of the 3 x 3 pixels around a ground point, false when it
// is not on the map view.
bool GroundColour(PlayDriver& d, float x, float y, Colour* c) {
    int32_t sx = 0, sy = 0;
    if (!d.GroundOnScreen(x, y, &sx, &sy) || sx < 1 || sy < 1 || sx >= d.Width() - 1) return false;
    const PixelTarget16 back = gKernel->GetBackBuffer();
    int r = 0, g = 0, b = 0;
    for (int32_t py = sy - 1; py <= sy + 1; ++py)
        for (int32_t px = sx - 1; px <= sx + 1; ++px) {
            const uint16_t p = back.Row(py)[px];
            r += (p >> 11) << 3;
            g += ((p >> 5) & 63) << 2;
            b += (p & 31) << 3;
        }
    *c = {r / 9, g / 9, b / 9};
    return true;
}

bool Watery(Colour c) { return c.b > c.r + 12 && c.b + 8 >= c.g; }
bool Grey(Colour c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) < 24; }
bool Earthy(Colour c) { return c.r > c.g && c.g > c.b + 15 && c.r > c.b + 35; }
bool Planks(Colour c) { return c.r > c.b + 24 && c.r >= c.g; }
bool Grassy(Colour c) { return c.g > c.r && c.g > c.b; }

} // namespace

// Bruecke's stream, road, dirt road and bridge at camera levels 2 and 6 over
// the village: at each the projected point shows water, road, earth or plank
// colours, and the open ground beside it does not; then a turn is played.
TEST(PlayThrough, BrueckeShowsItsStreamRoadsAndBridge) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("bruecke", 1024, 768);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false, "Br\xfc" "cke von");
    if (HasFatalFailure() || IsSkipped()) return;
    MVApplication* app = d.App();
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    const struct {
        const char* what;
        float x, y, besideX, besideY;
        bool (*looks)(Colour);
    } kFeatures[] = {
        {"stream", 600.0f, 440.0f, 584.0f, 440.0f, Watery},
        {"road", 570.0f, 500.0f, 570.0f, 484.0f, Grey},
        {"dirt road", 700.0f, 370.0f, 684.0f, 370.0f, Earthy},
        {"bridge", 591.5f, 503.0f, 582.0f, 520.0f, Planks}, // west of the flag lying on it at level 6
    };
    for (int32_t level : {2, 6}) {
        app->JumpCameraToLevel(level);
        map->mCameraX[side] = 655.0f;
        map->mCameraY[side] = level < 5 ? 320.0f : 420.0f; // the eye 70 m behind at level 2
        map->mCameraHeading[side] = 1.5707964f; // looking north
        map->DirtyClip();
        d.Run(300);
        d.Shot("bruecke-level" + std::to_string(level));
        for (const auto& f : kFeatures) {
            Colour at{}, beside{};
            const bool shown = GroundColour(d, f.x, f.y, &at) && GroundColour(d, f.besideX, f.besideY, &beside);
            EXPECT_TRUE(shown) << f.what << " off the view at level " << level;
            if (!shown) continue;
            std::printf("[bruecke] level %d %s (%d %d %d) beside (%d %d %d)\n", level, f.what, at.r, at.g, at.b,
                        beside.r, beside.g, beside.b);
            EXPECT_TRUE(f.looks(at)) << f.what << " at level " << level;
            EXPECT_TRUE(Grassy(beside)) << "beside the " << f.what << " at level " << level;
            EXPECT_FALSE(f.looks(beside)) << "beside the " << f.what << " at level " << level;
        }
    }
    PressGo(d, "bruecke turn 1");
    if (HasFatalFailure() || IsSkipped()) return;
    Quit(d);
}

// ---- The sky, the ground beyond the map, the flags and the muzzle ----------

namespace {

Colour Pixel(int32_t x, int32_t y) {
    const uint16_t p = gKernel->GetBackBuffer().Row(y)[x];
    return {(p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3};
}

int Apart(Colour a, Colour b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// A world point's place on the screen from the camera of the last frame.
bool PointOnScreen(PlayDriver& d, float x, float y, float z, int32_t* sx, int32_t* sy) {
    const GOLTAMatrix& m = *g3D->mCurrentMatrix;
    if (x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2] >= 0.0f) return false;
    float px = x, py = y;
    g3D->WorldToScreen(&px, &py, z, false);
    *sx = static_cast<int32_t>(px);
    *sy = static_cast<int32_t>(py);
    return *sx >= 2 && *sy >= 2 && *sx < d.Width() - 2 && *sy < d.Height() - 90;
}

void LookFrom(PlayDriver& d, int32_t level, float x, float y, float heading) {
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    d.App()->JumpCameraToLevel(level);
    map->mCameraX[side] = x;
    map->mCameraY[side] = y;
    map->mCameraHeading[side] = heading;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    d.Run(300);
}

// At level 1 looking at the corner where the +x and +y sky panels meet. The
// sky is a smooth picture magnified many times, so a column's step (the
// colour across it, averaged down the sky) is about that of its neighbours:
// the largest of five at the corner is held against the median of the same
// for the columns 8 to 60 either side, not against their largest (a cloud's
// edge would hide a seam).
void CheckSkySeam(PlayDriver& d) {
    Map* map = gBattle->mMap;
    // The corner a quarter of the view left of the middle, clear of the set-up texts at the top.
    LookFrom(d, 1, map->mWidthMetres - 30.0f, map->mHeightMetres - 30.0f, 0.7853982f + 0.25f);
    d.Shot("sky-corner");
    const GOLTAMatrix& m = *g3D->mCurrentMatrix;
    ASSERT_LT(250000.0f * (m.m[0][2] + m.m[1][2]) + m.m[3][2], 0.0f)
        << "the panels' corner is behind the eye";
    auto row = [&](float z, int32_t* column) {
        float px = 250000.0f, py = 250000.0f;
        g3D->WorldToScreen(&px, &py, z, false);
        if (column) *column = static_cast<int32_t>(px);
        return static_cast<int32_t>(py);
    };
    int32_t sx = 0;
    const int32_t bottom = std::min(row(3000.0f, &sx), d.Height() - 91);
    const int32_t top = std::max(row(60000.0f, nullptr), 50);
    ASSERT_TRUE(sx > 130 && sx < d.Width() - 130) << "the panels' corner is off the view at column " << sx;
    ASSERT_GT(bottom - top, 10) << "too little sky above the corner";
    auto step = [&](int32_t c) {
        double sum = 0.0;
        for (int32_t y = top; y < bottom; ++y)
            sum += Apart(Pixel(c - 1, y), Pixel(c + 1, y));
        return sum / (bottom - top);
    };
    // The largest step of five columns: the corner's place is known to a column or two.
    auto largest = [&](int32_t c) {
        double most = 0.0;
        for (int32_t k = c - 2; k <= c + 2; ++k)
            most = std::max(most, step(k));
        return most;
    };
    const double seam = largest(sx);
    std::vector<double> beside;
    for (int32_t k = 8; k <= 60; ++k)
        for (int32_t c : {sx - k, sx + k})
            beside.push_back(largest(c));
    std::nth_element(beside.begin(), beside.begin() + beside.size() / 2, beside.end());
    const double usual = beside[beside.size() / 2];
    std::printf("[%s] sky: step %.2f at the panels' corner (column %d, rows %d-%d), %.2f the median beside\n",
                d.RunName().c_str(), seam, sx, top, bottom, usual);
    EXPECT_LE(seam, 2.0 * usual + 1.0) << "a seam in the sky where its panels meet";
}

// At level 3 looking north over the far edge: the rows just beyond the edge
// (the ground outside the map) and just on this side of it agree in mean colour.
void CheckFarEdge(PlayDriver& d) {
    Map* map = gBattle->mMap;
    const float H = map->mHeightMetres;
    LookFrom(d, 3, map->mWidthMetres * 0.5f, H - 260.0f, 1.5707964f);
    d.Shot("bruecke-far-edge");
    int32_t n = 0;
    long beyond[3] = {}, inside[3] = {};
    // Clear of the marker beyond the middle of the far edge.
    for (float x = 20.0f; x < map->mWidthMetres - 20.0f; x += 4.0f) {
        if (std::fabs(x - map->mWidthMetres * 0.5f) < 60.0f) continue;
        int32_t sx = 0, sy = 0;
        if (!PointOnScreen(d, x, H - 0.01f, map->GetZCoord(x, H - 0.01f), &sx, &sy) || sy < 6) continue;
        const Colour a = Pixel(sx, sy - 3), b = Pixel(sx, sy + 3);
        beyond[0] += a.r, beyond[1] += a.g, beyond[2] += a.b;
        inside[0] += b.r, inside[1] += b.g, inside[2] += b.b;
        ++n;
    }
    ASSERT_GT(n, 20) << "the far edge is off the view at level 3";
    const Colour a{static_cast<int>(beyond[0] / n), static_cast<int>(beyond[1] / n),
                   static_cast<int>(beyond[2] / n)};
    const Colour b{static_cast<int>(inside[0] / n), static_cast<int>(inside[1] / n),
                   static_cast<int>(inside[2] / n)};
    std::printf("[bruecke] far edge: beyond (%d %d %d), inside (%d %d %d) over %d columns\n", a.r, a.g, a.b,
                b.r, b.g, b.b, n);
    EXPECT_LE(Apart(a, b), 16) << "the ground beyond the map is another colour";
}

// The mean colour of a cloth picture's middle half.
Colour ClothColour(GGraphic* cloth) {
    Surface16* s = cloth ? cloth->GetSurface() : nullptr;
    if (!s || s->Width() < 4 || s->Height() < 4) return {-999, -999, -999};
    long sum[3] = {}, n = 0;
    for (int32_t y = s->Height() / 4; y < s->Height() * 3 / 4; ++y)
        for (int32_t x = s->Width() / 4; x < s->Width() * 3 / 4; ++x) {
            const uint16_t p = s->Target().Row(y)[x];
            sum[0] += (p >> 11) << 3, sum[1] += ((p >> 5) & 63) << 2, sum[2] += (p & 31) << 3;
            ++n;
        }
    return {static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n)};
}

// At level 6 (the cloth lies flat over its pole) a held flag shows its
// holder's cloth and a neutral flag the plain one: the mean colour of the
// cloth's middle half on the screen lies nearer its own cloth's than the other's.
void CheckFlagCloths(PlayDriver& d) {
    Map* map = gBattle->mMap;
    VictoryFlag* held = nullptr;
    VictoryFlag* neutral = nullptr;
    for (int32_t i = 0; i < gBattle->mFlags.GetCount(); ++i) {
        auto* f = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(i));
        if (f->mCandidate || (f->mKind != 0 && f->mKind != 1)) continue;
        VictoryFlag*& pick = f->mNeutral ? neutral : held;
        if (!pick) pick = f;
    }
    // Bruecke starts with every flag held by the Axis: the last one is shown as nobody's meanwhile.
    if (!neutral && gBattle->mFlags.GetCount() > 1) {
        neutral = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(gBattle->mFlags.GetCount() - 1));
        if (neutral == held || neutral->mCandidate) neutral = nullptr;
    }
    ASSERT_TRUE(held && neutral) << "bruecke has a held flag and another";
    const bool wasNeutral = neutral->mNeutral;
    neutral->mNeutral = true;
    const Colour heldCloth =
        ClothColour(map->mNationalPriorityTextures[std::clamp<int32_t>(held->mHolderNation, 0, 9)]);
    const Colour plainCloth = ClothColour(map->mNationalPriorityTextures[10]);
    for (VictoryFlag* f : {held, neutral}) {
        LookFrom(d, 6, f->mX, f->mY - 120.0f, 1.5707964f);
        d.Shot(f == held ? "bruecke-flag-held" : "bruecke-flag-neutral");
        const float s = kFlagScale[6] * (f->mKind == 1 ? 1.75f : 1.0f);
        const float z = map->GetZCoord(f->mX, f->mY) + 3.6f * s;
        long sum[3] = {}, n = 0;
        for (float u = -1.9f; u <= 1.9f; u += 0.25f)
            for (float v = -0.95f; v <= 0.95f; v += 0.25f) {
                int32_t sx = 0, sy = 0;
                if (!PointOnScreen(d, f->mX + (0.09f + u) * s, f->mY + v * s, z, &sx, &sy)) continue;
                const Colour c = Pixel(sx, sy);
                sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
                ++n;
            }
        ASSERT_GT(n, 10) << "the flag is off the view";
        const Colour shown{static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n),
                           static_cast<int>(sum[2] / n)};
        const Colour own = f == held ? heldCloth : plainCloth, other = f == held ? plainCloth : heldCloth;
        std::printf("[bruecke] %s flag shows (%d %d %d); its cloth (%d %d %d), the other (%d %d %d)\n",
                    f == held ? "held" : "neutral", shown.r, shown.g, shown.b, own.r, own.g, own.b, other.r,
                    other.g, other.b);
        EXPECT_LT(Apart(shown, own), Apart(shown, other)) << (f == held ? "held" : "neutral") << " flag";
    }
    neutral->mNeutral = wasNeutral;
}

// Near-white pixels within radius of a screen point.
int32_t WhiteNear(PlayDriver& d, int32_t x, int32_t y, int32_t radius) {
    int32_t n = 0;
    for (int32_t py = std::max(0, y - radius); py <= std::min(d.Height() - 91, y + radius); ++py)
        for (int32_t px = std::max(0, x - radius); px <= std::min(d.Width() - 1, x + radius); ++px) {
            const Colour c = Pixel(px, py);
            n += c.r >= 232 && c.g >= 232 && c.b >= 232;
        }
    return n;
}

// The replay paused at a main gun's shot, two slices on: near-white pixels
// at the firer's muzzle; none a second later; the shot's dust cloud stands
// near the firer and is drawn.
// A main gun's shot of the turn played back whose dust stands near its
// firer two slices on, with that dust; null when none.
const ActionPacket* DustyShot(const SmokeShell** dust) {
    Map* map = gBattle->mMap;
    for (int32_t i = 0; i < gBattle->mPackets.GetCount(); ++i) {
        const auto* p = static_cast<const ActionPacket*>(gBattle->mPackets.GetObjectA(i));
        if (p->mType != kPacketShell || !p->mFirer || p->mFirer->mUnitType != kUnitVehicle ||
            !p->mFirer->HasHeavyWeapon(kKnowTruth) || p->mTimeSlice > 2300 ||
            p->mFirer->GetAffiliation() != map->ViewingSide())
            continue;
        gBattle->SetPlaypoint(p->mTimeSlice + 2);
        const auto* shells = static_cast<GList*>(map->mSmokeShells);
        for (int32_t k = 0; k < shells->GetCount(); ++k) {
            const auto* s = static_cast<const SmokeShell*>(shells->GetObjectA(k));
            if (s->mKind == 2 && std::hypot(s->mX - p->mFirer->mX, s->mY - p->mFirer->mY) < 60.0f) {
                *dust = s;
                return p;
            }
        }
    }
    return nullptr;
}

void CheckMuzzleFlash(PlayDriver& d) {
    Map* map = gBattle->mMap;
    const SmokeShell* dust = nullptr;
    const ActionPacket* shot = nullptr;
    // The guns meet from the second or third turn on.
    for (int32_t turn = 1; turn <= 4; ++turn) {
        gBattle->HandleVCRButton(kPaused, false);
        shot = DustyShot(&dust);
        if (shot || turn == 4) break;
        gBattle->SetPlaypoint(gBattle->LastTimeSlice(false) + 10);
        ClickPlayPause(d);
        ASSERT_TRUE(d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 20000, "the end of the playback"));
        NextTurn(d);
        if (testing::Test::HasFatalFailure()) return;
        PressGo(d, "bruecke next turn");
        if (testing::Test::HasFatalFailure()) return;
    }
    ASSERT_TRUE(shot) << "no main gun's shot with its dust in bruecke's first turns";
    Unit* firer = shot->mFirer;
    const float h = std::atan2(shot->mEndY - firer->mY, shot->mEndX - firer->mX);
    // At level 2, looking across the line of fire, the muzzle 40 m beyond the point looked at.
    const float across = h + 1.0f;
    LookFrom(d, 2, firer->mX - 40.0f * std::cos(across), firer->mY - 40.0f * std::sin(across), across);
    gBattle->HandleVCRButton(kPaused, false);
    gBattle->SetPlaypoint(shot->mTimeSlice + 2);
    d.Run(100);
    EXPECT_EQ(gBattle->mPlayState, kPaused);
    // The muzzle: about 5 m ahead of the firer's centre along its aim, 2 m up.
    const float mx = firer->mX + 5.0f * std::cos(h), my = firer->mY + 5.0f * std::sin(h);
    const float z = firer->GetZ() + 2.0f;
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(PointOnScreen(d, mx, my, z, &sx, &sy)) << "the muzzle is off the view";
    // The radius: 3 m at the muzzle on the screen.
    int32_t ex = 0, ey = 0;
    PointOnScreen(d, mx, my, z + 3.0f, &ex, &ey);
    const int32_t radius = std::max(6, std::abs(sy - ey));
    d.Shot("bruecke-muzzle-flash");
    const int32_t flash = WhiteNear(d, sx, sy, radius);
    // The flash is a white ball 2 m across at a 75 mm shot, by the square
    // root of the bore, for a quarter second by the same root, shrinking to
    // half as it fades: two slices on, three quarters of that disc show at
    // least (the blast cloud about it alone has far fewer white pixels).
    const WeaponType gun = static_cast<Vehicle*>(firer)->Data().mMainWeapon;
    const float bore = gun >= 0 && gun < gWeaponData.Count() ? gWeaponData[gun].mCalibre : 0.0f;
    const float size = std::sqrt((bore > 0.0f ? bore : 75.0f) / 75.0f);
    const float life = 1.0f - (2.0f / 40.0f) / (0.25f * size);
    const float ball = size * (0.5f + 0.5f * life) * static_cast<float>(radius) / 3.0f;
    const int32_t disc = static_cast<int32_t>(0.75f * 3.14159f * ball * ball);
    gBattle->SetPlaypoint(shot->mTimeSlice + 42);
    d.Run(100);
    d.Shot("bruecke-muzzle-later");
    const int32_t later = WhiteNear(d, sx, sy, radius);
    // The dust a second on: its place against the same frame with the cloud
    // moved off the map.
    auto* cloud = const_cast<SmokeShell*>(dust);
    int32_t dx = 0, dy = 0;
    const float dustZ = map->GetZCoord(cloud->mX + cloud->mDriftX, cloud->mY + cloud->mDriftY) + 2.0f;
    const bool dustShown = PointOnScreen(d, cloud->mX + cloud->mDriftX, cloud->mY + cloud->mDriftY, dustZ, &dx, &dy);
    int32_t dustPixels = 0;
    if (dustShown) {
        const int32_t r = std::max(8, radius);
        const LongRect around{std::max(0, dx - r), std::max(0, dy - 2 * r), std::min(d.Width(), dx + r),
                              std::min(d.Height() - 90, dy + r)};
        const std::vector<uint16_t> with = GrabPixels(around);
        const float wasX = cloud->mX;
        cloud->mX = -5000.0f;
        d.Run(100);
        dustPixels = PixelsChanged(with, GrabPixels(around));
        cloud->mX = wasX;
        d.Run(100);
    }
    std::printf("[bruecke] vehicle type %d's %.0f mm shot at slice %d: %d near-white pixels within %d of its "
                "muzzle (a disc of %d wanted), %d a second later; dust %s, %d pixels its own\n",
                firer->mSubtype, bore, shot->mTimeSlice, flash, radius, disc, later,
                dustShown ? "on the view" : "off the view", dustPixels);
    EXPECT_GE(flash, disc) << "no flash ball at the muzzle";
    EXPECT_EQ(later, 0) << "the flash still shows a second later";
    EXPECT_TRUE(dustShown) << "the shot's dust is off the view";
    EXPECT_GT(dustPixels, 30) << "the shot's dust is not drawn";
}

} // namespace

// Bruecke's sky, the ground beyond its far edge, its flags and, in the
// replay of its first turn, a main gun's flash and dust.
TEST(PlayThrough, BrueckeShowsItsSkyEdgeFlagsAndMuzzle) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("bruecke-sky", 1024, 768);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false, "Br\xfc" "cke von");
    if (HasFatalFailure() || IsSkipped()) return;
    CheckSkySeam(d);
    CheckFarEdge(d);
    CheckFlagCloths(d);
    for (int32_t go = 0; go < 2 && d.App()->InteractionState() != kStatePlayback; ++go) {
        PressGo(d, go == 0 ? "bruecke set-up" : "bruecke turn 1");
        if (HasFatalFailure() || IsSkipped()) return;
    }
    ASSERT_EQ(d.App()->InteractionState(), kStatePlayback);
    CheckMuzzleFlash(d);
    if (HasFatalFailure()) return;
    Quit(d);
}

// Panzer's overcast sky at level 1 where two of its panels meet: no seam.
TEST(PlayThrough, PanzersOvercastSkyHasNoSeam) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("panzer-sky", 1024, 768);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    EnterBattle(d, false, "Panzer bei");
    if (HasFatalFailure() || IsSkipped()) return;
    CheckSkySeam(d);
    if (HasFatalFailure()) return;
    Quit(d);
}

// ---- TCP/IP through the screens ---------------------------------------------

namespace {

bool BattleShown() {
    return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible();
}

// One side of a TCP/IP game through the screens, as its player would: the
// host by the scenario list and the players screen's TCP/IP choice, the
// joining side by MEHRSPIELER and the address 127.0.0.1; passwords, the
// set-up, GO, and the first turn played back. The battle's digest after the
// first turn, or 0.
// The host's sign to the test that it waits for the joining side: a byte
// down this pipe, after which the test starts the joining side.
int sListeningPipe = -1;
// Each side's sign that it has its digest: until the other's comes, a side
// keeps its program running, as a player who leaves early breaks the
// connection the other still watches its playback on.
std::string sDoneMark[2];
// Where each side leaves its battle's records when the battles are found to
// differ.
std::string sRecordFolder;

// A demo battle of the list by the start of its title, and whether the
// joining side presses GO first.
struct TcpBattle {
    const char* name;
    const char* title;
    bool joinerFirst;
    bool clock = false; // with a turn clock, and its still screen checked
};

// A hash of the back buffer's rows from y0 to y1.
uint64_t RowsHash(int32_t y0, int32_t y1) {
    const PixelTarget16 back = gKernel->GetBackBuffer();
    uint64_t h = 1469598103934665603ull;
    for (int32_t y = std::max(0, y0); y < std::min(back.height, y1); ++y)
        for (int32_t x = 0; x < back.width; ++x)
            h = (h ^ back.Row(y)[x]) * 1099511628211ull;
    return h;
}

// A still TCP/IP screen in the set-up, its turn clock running: the countdown
// and an incoming radio line are drawn with no pointer move, otherwise at
// most about once a second. Only the program with the focus draws at all.
void CheckStillTcpScreen(PlayDriver& d) {
    MVApplication* app = d.App();
    EXPECT_GT(app->mTurnTimeLimit, 0) << d.RunName() << ": no turn clock";
    d.Run(300);
    uint32_t frames = gKernel->GetScreenUpdateCount();
    gKernel->GetWindow()->Refresh();
    gKernel->DoOnePass(0);
    if (gKernel->GetScreenUpdateCount() == frames) {
        std::printf("[%s] in the background: draws nothing\n", d.RunName().c_str());
        return;
    }
    d.Run(300);
    const uint64_t clock = RowsHash(35, 60); // the countdown's line
    frames = gKernel->GetScreenUpdateCount();
    d.Run(2100);
    const uint32_t drawn = gKernel->GetScreenUpdateCount() - frames;
    EXPECT_NE(RowsHash(35, 60), clock) << d.RunName() << ": the countdown stood still";
    EXPECT_GE(drawn, 1u);
    EXPECT_LE(drawn, 6u) << d.RunName() << ": a still screen draws about once a second";
    d.Shot("tcp-clock-still");
    GString255 line;
    line.IStringText("Funkprobe");
    frames = gKernel->GetScreenUpdateCount();
    app->AddRadioText(&line, static_cast<Affiliation>(1 - app->mSide)); // as packet 19 brings it
    d.Run(150);
    EXPECT_GE(gKernel->GetScreenUpdateCount() - frames, 1u) << d.RunName() << ": the radio line waited";
    d.Shot("tcp-radio-line");
}

uint64_t PlayTcpSide(PlayDriver& d, bool host, const TcpBattle& battle) {
    MVApplication* app = d.App();
    ReachMainMenu(d, false);
    if (::testing::Test::HasFatalFailure()) return 0;
    if (host) {
        EXPECT_TRUE(d.ClickCommand(67));
        OpenFromList(d, battle.title, false);
    } else {
        // The host listens already: the test started this side after it said so.
        EXPECT_TRUE(d.ClickCommand(68));
        d.Run(200);
        EXPECT_TRUE(d.ClickCommand(75));
        d.Run(200);
        const char* octets[4] = {"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) {
            GView* field = app->mAddressField[i];
            if (!field) {
                ADD_FAILURE() << "no address field " << i;
                return 0;
            }
            int32_t x = 0, y = 0;
            PlayDriver::CentreOf(field, &x, &y);
            d.Click(x, y);
            for (int k = 0; k < 4; ++k)
                d.Key(kKeyBackspace);
            d.Type(octets[i]);
        }
        d.Shot("join-address");
        EXPECT_TRUE(d.ClickCommand(76));
    }
    // The screens before the battle; the other side's steps take what
    // time they take, only a run that hangs stops.
    const uint32_t start = RealClockTime();
    bool tcpChosen = false;
    while (!BattleShown() && RealClockTime() - start < PlayDriver::kHungMs && !::testing::Test::HasFailure()) {
        d.AllowBeeps();
        if (host && app->mServerWaitWindow && gKernel->IsViewAlive(app->mServerWaitWindow) &&
            sListeningPipe >= 0) {
            d.Shot("tcp-host-waits");
            const char listening = 1;
            EXPECT_EQ(write(sListeningPipe, &listening, 1), 1);
            close(sListeningPipe);
            sListeningPipe = -1;
        }
        if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField)) {
            d.Type(host ? "wirt" : "gast");
            d.Key(kKeyReturn);
            d.Run(200);
        } else if (int32_t c = VisibleCommand({85, 86, 87, 89})) {
            d.ClickCommand(c);
        } else if (VisibleCommand({109})) {
            d.ClickCommand(109);
        } else if (VisibleCommand({111})) {
            if (!tcpChosen && VisibleCommand({117})) {
                d.ClickCommand(117);
                tcpChosen = true;
                // The first battle runs its turn clock: a minute a turn.
                if (battle.clock && app->mTimePopup) static_cast<GControl*>(app->mTimePopup)->SetValue(1);
            }
            d.Shot("players-tcp");
            d.ClickCommand(111);
        } else {
            d.Run(100);
        }
    }
    if (!BattleShown()) {
        d.Shot("tcp-no-battle");
        ADD_FAILURE() << d.RunName() << ": no battle screen (phase " << app->mTCPIPPhase << ", state "
                      << app->InteractionState() << ")";
        return 0;
    }
    d.Run(300);
    d.Shot("tcp-setup");
    EXPECT_EQ(app->mConnectionType, 2);
    EXPECT_EQ(app->mSide, host ? 0 : 1);
    if (battle.clock) CheckStillTcpScreen(d);
    // The set-up and the first turn: GO whenever it may be pressed, the
    // playback to its end, then the next turn.
    uint64_t digest = 0;
    const uint32_t turnStart = ClockTime();
    const uint32_t realStart = RealClockTime();
    bool played = false;
    while (RealClockTime() - realStart < PlayDriver::kHungMs && !::testing::Test::HasFailure()) {
        d.AllowBeeps();
        if (app->mNetworkReport == kConfirmBattlesDiffer) {
            d.Shot("tcp-battles-differ");
            WriteBattleRecords(sRecordFolder, host);
            ADD_FAILURE() << d.RunName() << ": the battles differ (turn " << gBattle->mTurn << ")";
            break;
        }
        // Phase 19: the turn's results are on this machine, its playback runs.
        if (app->InteractionState() == kStatePlayback && gBattle->mTurn == 1 && app->mTCPIPPhase == 19) {
            for (int i = 0; i < 40 && !gBattle->AtEndOfPlayback(); ++i)
                if (!PlayDriver::FindControl(gKernel->GetWindow(), kForward) || !d.ClickCommand(kForward)) break;
            d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 20000, "the end of the first playback");
            if (!played) d.Shot("tcp-turn1-played");
            played = true;
            if (VisibleCommand({kNextTurn})) d.ClickCommand(kNextTurn);
            d.Run(200);
        } else if (played && gBattle->mTurn == 2 && app->InteractionState() == kStateNone) {
            digest = SharedBattleDigest();
            if (std::FILE* mark = std::fopen(sDoneMark[host ? 0 : 1].c_str(), "w")) std::fclose(mark);
            const std::string& other = sDoneMark[host ? 1 : 0];
            d.AwaitOther([&] { return access(other.c_str(), F_OK) == 0; }, "the other side's digest");
            // Both machines compared the battle digests of the set-up's end
            // and of the first replay's end, drawn as each screen drew them.
            d.AwaitOther([&] { return app->mDigestsAgreed >= 2 || app->mNetworkReport >= 0; },
                         "the exchanges' digests compared");
            EXPECT_EQ(app->mNetworkReport, -1) << d.RunName();
            EXPECT_EQ(app->mDigestsAgreed, 2) << d.RunName();
            break;
        } else if (app->InteractionState() == kStateNone && gBattle->mTurn == 1 && VisibleCommand({kGo}) &&
                   app->mTCPIPPhase == (host != battle.joinerFirst ? 6 : 12)) {
            // One side goes first; the other once the first one's orders are in.
            d.ClickCommand(kGo);
            d.Run(200);
        } else {
            d.Run(100);
        }
    }
    EXPECT_TRUE(played) << d.RunName() << ": the first turn was not played back (phase " << app->mTCPIPPhase
                        << ")";
    std::printf("[%s] set-up and first turn over TCP/IP in %u ms\n", d.RunName().c_str(),
                ClockTime() - turnStart);
    return digest;
}

} // namespace

// Two programs on one machine play the set-up and first turn of every demo
// battle over TCP/IP through their screens; afterwards both battles are the
// same. Only one of the two windows has the focus, so one program plays the
// whole game in the background.
TEST(PlayThrough, TcpIpThroughTheScreens) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    // Both sides are forks of this process, which opens no window itself:
    // after a window was open here they would share its window system
    // connection.
    if (PlayDriver::StartedBefore())
        GTEST_SKIP() << "runs in a test program of its own (scripts/xvfb-play starts it so)";
    const TcpBattle battles[] = {{"hecken", kScenarioTitle, false, true},
                                 {"bruecke", "Br", false},
                                 {"bruecke", "Br", true},
                                 {"panzer", "Panzer bei Arracourt", false},
                                 {"panzer", "Panzer bei Arracourt", true},
                                 {"ausbruch", "Ausbruch bei Chambois", false},
                                 {"grossangriff", "Gro", false}};
    for (const TcpBattle& battle : battles) {
        const std::string run = std::string(battle.name) + (battle.joinerFirst ? "-joiner-first" : "");
        SCOPED_TRACE(run);
        const uint32_t started = ClockTime();
        FileTestFolder records("dm-play-records-");
        sRecordFolder = records.Path().string();
        for (int side = 0; side < 2; ++side)
            sDoneMark[side] = sRecordFolder + "/done-" + std::to_string(side);
        // The joining side starts once the host listens: the host says so
        // down this pipe (or closes it by ending).
        int listening[2];
        ASSERT_EQ(pipe(listening), 0);
        // A port of this game's own: other games on the machine keep apart.
        const uint16_t port = FreeLoopbackPort();
        ASSERT_NE(port, 0);
        // Each side's digest and whether it failed come back through a pipe.
        std::fflush(stdout);
        int channel[2][2];
        pid_t child[2];
        for (int side = 0; side < 2; ++side) {
            if (side == 1) {
                char said = 0;
                const ssize_t got = read(listening[0], &said, 1);
                close(listening[0]);
                if (got != 1) ADD_FAILURE() << "the host ended before it listened (its log is above)";
            }
            ASSERT_EQ(pipe(channel[side]), 0);
            child[side] = fork();
            ASSERT_GE(child[side], 0);
            if (child[side] == 0) {
                close(channel[side][0]);
                if (side == 0) {
                    close(listening[0]);
                    sListeningPipe = listening[1];
                }
                OPSetPort(port);
                // The parts of the test's result so far came with the fork.
                const ::testing::TestResult* result =
                    ::testing::UnitTest::GetInstance()->current_test_info()->result();
                const int before = result->total_part_count();
                uint64_t digest = 0;
                {
                    PlayDriver d((side == 0 ? "tcp-host-" : "tcp-join-") + run, 800, 600);
                    if (d.Start()) digest = PlayTcpSide(d, side == 0, battle);
                }
                uint64_t failed = 0;
                for (int k = before; k < result->total_part_count(); ++k)
                    if (result->GetTestPartResult(k).failed()) failed = 1;
                std::fflush(stdout);
                ssize_t ok = write(channel[side][1], &digest, sizeof digest);
                ok = write(channel[side][1], &failed, sizeof failed);
                (void)ok;
                close(channel[side][1]);
#ifdef DM_COVERAGE
                __gcov_dump(); // _exit skips the counters' own flush at exit
#endif
                _exit(0);
            }
            close(channel[side][1]);
            if (side == 0) close(listening[1]);
        }
        uint64_t digest[2] = {0, 0};
        for (int side = 0; side < 2; ++side) {
            uint64_t failed = 1;
            EXPECT_EQ(read(channel[side][0], &digest[side], sizeof digest[side]),
                      static_cast<ssize_t>(sizeof digest[side]));
            EXPECT_EQ(read(channel[side][0], &failed, sizeof failed), static_cast<ssize_t>(sizeof failed));
            close(channel[side][0]);
            int status = 0;
            waitpid(child[side], &status, 0);
            EXPECT_EQ(failed, 0u) << (side == 0 ? "the host" : "the joining side")
                                  << " failed (its log is above)";
        }
        EXPECT_NE(digest[0], 0u);
        EXPECT_EQ(digest[0], digest[1]) << "the two battles differ after the first turn";
        if (access((sRecordFolder + "/host").c_str(), F_OK) == 0)
            ADD_FAILURE() << "the battles differ first in " << FirstRecordDifference(sRecordFolder);
        std::printf("[tcp] %s: both sides through the set-up and first turn in %u ms\n", run.c_str(),
                    ClockTime() - started);
        // A side forked after a failure would inherit it and stop at once.
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(PlayThrough, SmallScreen) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("800x600", 800, 600);
    ASSERT_TRUE(d.Start());
    ReachMainMenu(d);
    if (HasFatalFailure() || IsSkipped()) return;
    // The main menu is the small screen's picture: it, its buttons and
    // their help line lie wholly on the screen.
    {
        const LongRect screen{0, 0, d.Width(), d.Height()};
        auto onScreen = [&](GView* v, const std::string& what) {
            LongRect r;
            v->GetGlobalBounds(&r);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= screen.right && r.bottom <= screen.bottom)
                << what << " at (" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom
                << ") leaves the " << d.Width() << " x " << d.Height() << " screen";
        };
        GView* menu = d.App()->mMenuPicture;
        onScreen(menu, "the main menu");
        for (int32_t i = 0; i < menu->GetSubviewCount(); ++i)
            onScreen(menu->GetSubview(i), "the menu's control " + std::to_string(i));
        if (d.App()->mFlybyHelp) onScreen(d.App()->mFlybyHelp, "the buttons' help line");
    }
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
    {
        int32_t x = 0, y = 0;
        Unit* axis = SelectOwnUnit(d, &x, &y);
        EXPECT_NE(axis, nullptr) << "a click selects one of the first player's units";
        if (axis) EXPECT_EQ(axis->GetAffiliation(), kAxis);
        d.AllowBeeps();
    }
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
    EXPECT_EQ(app->ViewingSide(), kAllies);
    d.CheckGoShown("the second player's set-up");
    EXPECT_EQ(gBattle->mMap->mDrawMode, 2) << "the second player's set-up draws the battlefield";
    CheckMortarTeamPicture(d);
    // A click on one of his figures selects it.
    int32_t x = 0, y = 0;
    Unit* unit = SelectOwnUnit(d, &x, &y);
    if (unit) {
        EXPECT_EQ(unit->GetAffiliation(), kAllies);
        d.Shot("setup-allies-selected");
    }
    d.CheckNoBeep("hand-over");

    // On to the first turn: each player's GO, the passwords and briefings of
    // the hand-overs, until each side has watched the first turn played back.
    bool watched[2] = {false, false};
    const uint32_t start = ClockTime();
    while (!(watched[0] && watched[1]) && ClockTime() - start < 60000 && !HasFailure()) {
        d.AllowBeeps();
        if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField)) {
            d.Type(app->mSide == 0 ? "achse" : "alliierte");
            d.Key(kKeyReturn);
            d.Run(200);
        } else if (int32_t c = VisibleCommand({85, 86, 87, 89})) {
            d.ClickCommand(c);
        } else if (app->InteractionState() == kStatePlayback && gBattle && gBattle->mTurn == 1) {
            const int32_t side = app->ViewingSide();
            for (int i = 0; i < 40 && !gBattle->AtEndOfPlayback(); ++i)
                if (!PlayDriver::FindControl(gKernel->GetWindow(), kForward) || !d.ClickCommand(kForward)) break;
            d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 20000, "the end of the first playback");
            if (!watched[side]) d.Shot(side == 0 ? "turn1-played-axis" : "turn1-played-allies");
            watched[side] = true;
            if (VisibleCommand({kNextTurn})) d.ClickCommand(kNextTurn);
            d.Run(200);
        } else if (app->InteractionState() == kStateNone && VisibleCommand({kGo}) && gBattle &&
                   gBattle->mTurn == 1) {
            d.ClickCommand(kGo);
            d.Run(300);
        } else if (gBattle && gBattle->mTurn > 1 && !(watched[0] && watched[1])) {
            break; // the turn moved on without a playback for one side
        } else {
            d.Run(100);
        }
    }
    EXPECT_TRUE(watched[0]) << "the Axis player watched the first turn";
    EXPECT_TRUE(watched[1]) << "the Allied player watched the first turn";
    std::printf("[%s] both set-ups and the first turn in %u ms\n", d.RunName().c_str(), ClockTime() - start);
}
