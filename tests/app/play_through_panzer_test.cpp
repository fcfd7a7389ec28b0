// A tank battle and a squad fight played by one player in a real X window:
// the handicap, the unit balloon and its kills page, the orders menu, a
// hatch order, a platoon chosen by a double-click, a waypoint dragged,
// re-paced and deleted, a covered arc, the key pad's camera, the next-unit
// key, the hot-key help and the weather text, a turn replayed, saved and
// loaded, a surrender and the map reviewed; a squad split and joined and a
// floor chosen. Each step is checked on what the screen shows: its pixels or
// its record of texts and pictures. Run by scripts/xvfb-play.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/AppViews.h"
#include "app/HotkeyPanel.h"
#include "app/BattleScreen.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/UnitInfoBalloon.h"
#include "app/WeatherText.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPopup.h"
#include "map/Map.h"
#include "platform/PlatformEvent.h"
#include "play_through_driver.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

// The camera put `back` metres south of a ground point at `level`, the
// pointer moved there and clicked.
void ClickGroundFrom(PlayDriver& d, int32_t level, float x, float y, float back) {
    LookAtPoint(d, level, x, y - back);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(d.GroundOnScreen(x, y, &sx, &sy));
    d.Move(sx, sy);
    d.Run(60);
    d.Click(sx, sy);
}

constexpr int32_t kGo = 9;
constexpr int32_t kNextTurn = 10;
constexpr int32_t kRewind = 11;
constexpr int32_t kForward = 14;
constexpr int32_t kHoldMs = 450; // the kernel's hold comes after 400 ms

Map* TheMap() {
    return gBattle->mMap;
}

LongRect BoundsOf(GView* view) {
    LongRect r;
    view->GetGlobalBounds(&r);
    return r;
}

LongRect Around(int32_t x, int32_t y, int32_t half) {
    return LongRect{x - half, y - half, x + half, y + half};
}

void ClickView(PlayDriver& d, GView* view) {
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(view, &x, &y);
    d.Click(x, y);
}

// Pixels of a grab near one RGB colour.
int32_t NearColour(const std::vector<uint16_t>& pixels, int r, int g, int b) {
    int32_t n = 0;
    for (uint16_t p : pixels) {
        const int pr = (p >> 11) << 3, pg = ((p >> 5) & 63) << 2, pb = (p & 31) << 3;
        n += std::abs(pr - r) < 40 && std::abs(pg - g) < 40 && std::abs(pb - b) < 40;
    }
    return n;
}

// With the camera over an own unit, a click on its figure selects it; the
// point clicked, for holds on it.
bool ClickUnit(PlayDriver& d, Unit* u, int32_t* x, int32_t* y, int32_t level = 2) {
    LookAtPoint(d, level, u->mX, u->mY - 30.0f);
    int32_t gx = 0, gy = 0;
    if (!d.UnitOnScreen(u, &gx, &gy)) return false;
    // On its figure: a box round the pointer would select it too, but a hold
    // there opens no menu. The figures move, so a few points are tried.
    for (int32_t dy = 0; dy >= -28; dy -= 4)
        for (int32_t dx : {0, -5, 5}) {
            d.Click(gx + dx, gy + dy);
            if (gBattle->mSelectedUnit == u && TheMap()->mPickedUnit == u) {
                *x = gx + dx;
                *y = gy + dy;
                return true;
            }
        }
    return false;
}

// Holding the button on the selected unit opens its orders menu; that
// menu's button of `order`, or null.
MenuButton* HoldForMenu(PlayDriver& d, int32_t x, int32_t y, int32_t order) {
    Unit* unit = gBattle->mSelectedUnit;
    d.Hold(x, y, kHoldMs);
    // The figures move: a hold that came beside the unit's figure is tried
    // again on the figure where it stands now, as a player would.
    int32_t gx = 0, gy = 0;
    for (int32_t dy = 0; dy >= -28 && !TheMap()->mOpenMenu && unit && d.UnitOnScreen(unit, &gx, &gy); dy -= 4)
        for (int32_t dx : {0, -5, 5}) {
            if (TheMap()->mOpenMenu || gBattle->mSelectedUnit != unit) break;
            d.Hold(gx + dx, gy + dy, kHoldMs);
        }
    if (!TheMap()->mOpenMenu) {
        ADD_FAILURE() << "holding the button on the unit opened no orders menu";
        return nullptr;
    }
    MenuButton* b = TheMap()->mOpenMenu->FindButton(order);
    if (!b) ADD_FAILURE() << "the orders menu has no order " << order;
    return b;
}

bool ChooseOrder(PlayDriver& d, int32_t x, int32_t y, int32_t order) {
    MenuButton* b = HoldForMenu(d, x, y, order);
    if (b) ClickView(d, b);
    return b != nullptr;
}

bool BattleShown() {
    return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible();
}

// GO, then the orders phase or the playback.
bool Go(PlayDriver& d, const char* what) {
    MVApplication* app = d.App();
    if (!d.ClickCommand(kGo)) return false;
    return d.RunUntil(
        [&] {
            return app->InteractionState() == kStatePlayback ||
                   (gBattle && !gBattle->mSetupPhase && app->InteractionState() == kStateNone &&
                    !app->mProgressWindow);
        },
        120000, what);
}

// ---- panzer -----------------------------------------------------------------

// The sides screen's handicap popup shows the choice; the battle opens with
// its notice.
constexpr int32_t kHandicapIndex = 5; // 25 % for the Allies

void CheckHandicapNotice(PlayDriver& d) {
    MVApplication* app = d.App();
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 5000,
                           "the handicap notice"));
    d.Run(100);
    const ScreenDrawLog log = RecordFrame();
    EXPECT_TRUE(FindTextHolding(log, "25%")) << "the notice names the handicap";
    d.Shot("panzer-handicap-notice");
    EXPECT_EQ(gBattle->mHandicap, 25);
    ASSERT_TRUE(d.ClickCommand(kCommandNothing));
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateNone; }, 3000, "the notice closed"));
}

// Enter opens the balloon over the map's corner: its frame, the tank's
// title and data; its button turns to the kills page and back; Enter
// closes it and the map shows there again.
void BalloonAndKills(PlayDriver& d) {
    const LongRect map = BoundsOf(TheMap()->mView);
    const LongRect box{map.left, map.top, map.left + 448, map.top + UnitInfoBalloon::HeightFor(d.Height())};
    RecordFrame();
    const std::vector<uint16_t> before = GrabPixels(box);
    d.Key(kKeyReturn);
    ASSERT_NE(TheMap()->mInfoBalloon, nullptr) << "Enter opened no balloon";
    ScreenDrawLog log = RecordFrame();
    EXPECT_GT(PixelsChanged(before, GrabPixels(box)), static_cast<int32_t>(before.size() / 2))
        << "the balloon does not cover the map's corner";
    int32_t frame = 0;
    for (const ScreenDrawItem& i : log.mItems)
        frame += i.mKind == 'b' && (i.mPicture == 2612 || i.mPicture == 2613 || i.mPicture == 2614);
    EXPECT_GT(frame, 20) << "the balloon's frame";
    const ScreenDrawItem* title = FindTextHolding(log, RezText(500));
    EXPECT_TRUE(title && title->mRect.left >= box.left && title->mRect.bottom <= box.top + 20)
        << "the German tank's title in the balloon's first line";
    EXPECT_TRUE(FindTextHolding(log, RezText(1072))) << "the tank's speed line";
    d.Shot("panzer-balloon");
    ASSERT_TRUE(d.ClickCommand(16));
    log = RecordFrame();
    EXPECT_TRUE(FindTextHolding(log, RezText(1353))) << "the kills page: none destroyed yet";
    EXPECT_FALSE(FindTextHolding(log, RezText(1072))) << "the data sheet stays on the kills page";
    d.Shot("panzer-balloon-kills");
    ASSERT_TRUE(d.ClickCommand(16));
    EXPECT_TRUE(FindTextHolding(RecordFrame(), RezText(1072))) << "the button brings the data sheet back";
    // The previous unit (round to the list's last own unit, a squad): the
    // balloon shows its sheet; the next unit brings the tank back.
    Unit* tank = gBattle->mSelectedUnit;
    d.Key('-');
    ASSERT_TRUE(gBattle->mSelectedUnit && gBattle->mSelectedUnit->mUnitType == kUnitInfantry);
    ASSERT_NE(TheMap()->mInfoBalloon, nullptr) << "the balloon closed on a new selection";
    log = RecordFrame();
    EXPECT_TRUE(FindTextHolding(log, RezText(1066)) && !FindTextHolding(log, RezText(1072))) << "the balloon kept the tank's sheet";
    d.Shot("panzer-balloon-squad");
    d.Key('+');
    EXPECT_EQ(gBattle->mSelectedUnit, tank);
    d.Key(kKeyReturn);
    d.Run(100);
    EXPECT_EQ(TheMap()->mInfoBalloon, nullptr) << "Enter closed the balloon";
    RecordFrame();
    EXPECT_LT(PixelsChanged(before, GrabPixels(box)), static_cast<int32_t>(before.size() / 20))
        << "the map shows again where the balloon stood";
}

// The hatch order changes the tank's hatches and the menu offers the other
// order: its button's label changes on the screen.
void HatchOrder(PlayDriver& d, Vehicle* tank, int32_t x, int32_t y) {
    const bool buttoned = tank->mButtoned;
    MenuButton* b = HoldForMenu(d, x, y, 49);
    ASSERT_TRUE(b);
    const LongRect r = BoundsOf(b);
    RecordFrame();
    const std::vector<uint16_t> label = GrabPixels(r);
    d.Shot("panzer-orders-menu");
    ClickView(d, b);
    EXPECT_NE(tank->mButtoned, buttoned) << "the hatch order left the hatches as they were";
    b = HoldForMenu(d, x, y, 49);
    ASSERT_TRUE(b);
    EXPECT_EQ(BoundsOf(b).top, r.top);
    RecordFrame();
    EXPECT_GT(PixelsChanged(label, GrabPixels(BoundsOf(b))), 40) << "the hatch button still names the same order";
    d.Shot("panzer-hatch-menu");
    RecordFrame();
    const std::vector<uint16_t> open = GrabPixels(BoundsOf(TheMap()->mOpenMenu));
    const LongRect menu = BoundsOf(TheMap()->mOpenMenu);
    d.Key('z'); // the menu's hot key
    EXPECT_EQ(TheMap()->mOpenMenu, nullptr);
    EXPECT_EQ(tank->mButtoned, buttoned) << "the hot key gave no hatch order";
    RecordFrame();
    EXPECT_GT(PixelsChanged(open, GrabPixels(menu)), static_cast<int32_t>(open.size() / 2)) << "the menu is still drawn";
}

// A double-click on the platoon leader selects the platoon: yellow frames
// round its other tanks. A click on bare ground clears it.
void ChoosePlatoon(PlayDriver& d, Unit* leader, int32_t x, int32_t y) {
    Unit* member = leader->PlatoonSubordinate(true);
    ASSERT_TRUE(member);
    int32_t mx = 0, my = 0;
    ASSERT_TRUE(d.UnitOnScreen(member, &mx, &my)) << "the platoon's second tank is off the screen";
    const LongRect frame{mx - 24, my - 30, mx + 24, my + 14};
    RecordFrame();
    const int32_t yellowBefore = NearColour(GrabPixels(frame), 255, 255, 0);
    d.Click(x, y, true);
    EXPECT_TRUE(gBattle->mMultiSelection) << "a double-click on the leader chose no platoon";
    EXPECT_NE(member->mSelectionMark, 0);
    RecordFrame();
    const int32_t yellow = NearColour(GrabPixels(frame), 255, 255, 0);
    EXPECT_GT(yellow, yellowBefore + 10) << "no yellow frame round the platoon's tank";
    d.Shot("panzer-platoon");
    // One move for the platoon: each tank takes a waypoint; the leader's path
    // is drawn. Backspace takes the moves back and the path goes.
    const LongRect view = BoundsOf(TheMap()->mView);
    const std::vector<uint16_t> still = GrabPixels(view);
    ASSERT_TRUE(ChooseOrder(d, x, y, 20));
    int32_t px = 0, py = 0;
    ASSERT_TRUE(d.GroundOnScreen(leader->mX - 40.0f, leader->mY + 40.0f, &px, &py)); // clear of the tanks
    d.Move(px, py);
    d.Run(40);
    d.Click(px, py);
    EXPECT_GT(leader->mNrWaypoints, 0);
    EXPECT_GT(member->mNrWaypoints, 0) << "the platoon's move reached only its leader";
    RecordFrame();
    EXPECT_GT(PixelsChanged(still, GrabPixels(view)), 200) << "the platoon's move draws no path";
    d.Shot("panzer-platoon-move");
    d.Key(kKeyBackspace);
    EXPECT_EQ(member->mNrWaypoints, 0);
    EXPECT_EQ(leader->mNrWaypoints, 0);
    RecordFrame();
    EXPECT_LT(PixelsChanged(still, GrabPixels(view)), static_cast<int32_t>(still.size() / 100))
        << "the cancelled moves are still drawn";
    int32_t gx = 0, gy = 0;
    ASSERT_TRUE(d.GroundOnScreen(leader->mX + 30.0f, leader->mY + 40.0f, &gx, &gy));
    d.Click(gx, gy);
    EXPECT_FALSE(gBattle->mMultiSelection);
    EXPECT_EQ(member->mSelectionMark, 0);
}

// The centre of a waypoint's marker on the screen.
bool MarkerOnScreen(PlayDriver& d, Unit* u, int32_t i, int32_t* sx, int32_t* sy) {
    const float x = u->mWaypoints[i].mX, y = u->mWaypoints[i].mY;
    return WorldOnScreen(d, x, y, TheMap()->GetZCoord(x, y) + 1.2f, sx, sy);
}

// A click on the selected unit's first waypoint picks it.
bool PickWaypoint(PlayDriver& d, Unit* u, int32_t* sx, int32_t* sy) {
    if (!MarkerOnScreen(d, u, 0, sx, sy)) return false;
    for (int32_t dy = 0; dy <= 8; dy += 2)
        for (int32_t s : {1, -1}) {
            d.Click(*sx, *sy + s * dy);
            if (gBattle->mSelectedIndex == 0) {
                *sy += s * dy;
                return true;
            }
            if (gBattle->mSelectedUnit != u) return false;
        }
    return false;
}

// A move of two waypoints; the first picked (drawn white), dragged, given a
// faster pace (its leg drawn in another band) and deleted (its marker gone).
void EditWaypoints(PlayDriver& d, Unit* tank, int32_t x, int32_t y) {
    MVApplication* app = d.App();
    ASSERT_TRUE(ChooseOrder(d, x, y, 20));
    ASSERT_EQ(app->InteractionState(), kStateMoveOrder);
    int32_t w1x = 0, w1y = 0, w2x = 0, w2y = 0;
    ASSERT_TRUE(d.GroundOnScreen(tank->mX + 10.0f, tank->mY + 45.0f, &w1x, &w1y));
    ASSERT_TRUE(d.GroundOnScreen(tank->mX + 30.0f, tank->mY + 90.0f, &w2x, &w2y));
    d.Move(w1x, w1y);
    d.Hold(w1x, w1y, kHoldMs, true);
    d.Move(w2x, w2y);
    d.Run(40);
    d.Release(w2x, w2y);
    d.Run(100);
    ASSERT_EQ(tank->mNrWaypoints, 2) << "a move of two waypoints";
    ASSERT_EQ(app->InteractionState(), kStateNone);

    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(MarkerOnScreen(d, tank, 0, &sx, &sy));
    RecordFrame();
    const int32_t whiteBefore = NearColour(GrabPixels(Around(sx, sy, 10)), 255, 255, 255);
    ASSERT_TRUE(PickWaypoint(d, tank, &sx, &sy)) << "a click on the waypoint's marker picked nothing";
    RecordFrame();
    EXPECT_GT(NearColour(GrabPixels(Around(sx, sy, 10)), 255, 255, 255), whiteBefore + 4)
        << "the picked waypoint is not drawn white";
    d.Shot("panzer-waypoint-picked");

    // Dragged 15 m east.
    const float oldX = tank->mWaypoints[0].mX, oldY = tank->mWaypoints[0].mY;
    int32_t tx = 0, ty = 0;
    ASSERT_TRUE(d.GroundOnScreen(oldX + 15.0f, oldY, &tx, &ty));
    const LongRect map = BoundsOf(TheMap()->mView);
    RecordFrame();
    const std::vector<uint16_t> beforeDrag = GrabPixels(map);
    d.Hold(sx, sy, kHoldMs, true);
    EXPECT_EQ(app->InteractionState(), kStateDragWaypoint);
    for (int i = 1; i <= 6; ++i) {
        d.Move(sx + (tx - sx) * i / 6, sy + (ty - sy) * i / 6);
        d.Run(20);
    }
    d.Release(tx, ty);
    d.Run(100);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    EXPECT_GT(std::hypot(tank->mWaypoints[0].mX - oldX, tank->mWaypoints[0].mY - oldY), 8.0f)
        << "the drag left the waypoint where it was";
    RecordFrame();
    EXPECT_GT(PixelsChanged(beforeDrag, GrabPixels(map)), 200) << "the moved waypoint's lines are not redrawn";
    d.Shot("panzer-waypoint-dragged");

    // Re-paced: the menu on the picked waypoint, then a faster pace.
    ASSERT_TRUE(PickWaypoint(d, tank, &sx, &sy));
    const auto pace = tank->mWaypoints[0].mOrder;
    int32_t lx = 0, ly = 0; // the first leg's middle
    ASSERT_TRUE(d.GroundOnScreen((tank->mX + tank->mWaypoints[0].mX) / 2, (tank->mY + tank->mWaypoints[0].mY) / 2,
                                 &lx, &ly));
    RecordFrame();
    const std::vector<uint16_t> leg = GrabPixels(Around(lx, ly, 6));
    d.Key(' ');
    ASSERT_TRUE(TheMap()->mOpenMenu) << "space opened no menu on the picked waypoint";
    MenuButton* hurry = TheMap()->mOpenMenu->FindButton(21);
    ASSERT_TRUE(hurry) << "the waypoint's menu offers no faster pace";
    d.Shot("panzer-waypoint-menu");
    ClickView(d, hurry);
    EXPECT_NE(tank->mWaypoints[0].mOrder, pace) << "the waypoint kept its pace";
    RecordFrame();
    EXPECT_GT(PixelsChanged(leg, GrabPixels(Around(lx, ly, 6))), 10) << "the re-paced leg is drawn as before";
    d.Shot("panzer-waypoint-repaced");

    // Deleted: picked and Backspace; the marker is gone from the screen.
    ASSERT_TRUE(PickWaypoint(d, tank, &sx, &sy));
    const LongRect marker = Around(sx, sy, 8);
    d.Key(kKeyBackspace);
    EXPECT_EQ(tank->mNrWaypoints, 1) << "Backspace did not delete the picked waypoint";
    RecordFrame();
    EXPECT_LT(NearColour(GrabPixels(marker), 255, 255, 255) + NearColour(GrabPixels(marker), 120, 215, 0), 4)
        << "the deleted waypoint's marker is still drawn";
    d.Shot("panzer-waypoint-deleted");

    // With none picked (a click on the tank) Backspace deletes the last one.
    ASSERT_TRUE(ClickUnit(d, tank, &x, &y));
    ASSERT_EQ(gBattle->mSelectedIndex, -1);
    ASSERT_TRUE(MarkerOnScreen(d, tank, 0, &sx, &sy));
    RecordFrame();
    const std::vector<uint16_t> last = GrabPixels(Around(sx, sy, 8));
    d.Key(kKeyBackspace);
    EXPECT_EQ(tank->mNrWaypoints, 0);
    RecordFrame();
    EXPECT_GT(PixelsChanged(last, GrabPixels(Around(sx, sy, 8))), 20) << "the last waypoint is still drawn";
    // A move of one waypoint, for the turn.
    ASSERT_TRUE(ChooseOrder(d, x, y, 20));
    d.Move(w1x, w1y);
    d.Run(40);
    d.Click(w1x, w1y);
    EXPECT_EQ(tank->mNrWaypoints, 1);
}

// A covered arc by its two edges: the arc's lines are drawn.
void CoveredArc(PlayDriver& d, Unit* tank, int32_t x, int32_t y) {
    MVApplication* app = d.App();
    const LongRect map = BoundsOf(TheMap()->mView);
    int32_t ax = 0, ay = 0, bx = 0, by = 0, lx = 0, ly = 0, rx = 0, ry = 0;
    ASSERT_TRUE(d.GroundOnScreen(tank->mX - 40.0f, tank->mY + 80.0f, &ax, &ay));
    ASSERT_TRUE(d.GroundOnScreen(tank->mX + 40.0f, tank->mY + 80.0f, &bx, &by));
    ASSERT_TRUE(d.GroundOnScreen(tank->mX - 20.0f, tank->mY + 40.0f, &lx, &ly)); // the edges' middles
    ASSERT_TRUE(d.GroundOnScreen(tank->mX + 20.0f, tank->mY + 40.0f, &rx, &ry));
    RecordFrame();
    const std::vector<uint16_t> before = GrabPixels(map);
    const std::vector<uint16_t> left = GrabPixels(Around(lx, ly, 5)), right = GrabPixels(Around(rx, ry, 5));
    ASSERT_TRUE(ChooseOrder(d, x, y, 45));
    ASSERT_EQ(app->InteractionState(), kStateArcFirst);
    d.Move(ax, ay);
    d.Run(40);
    d.Click(ax, ay);
    EXPECT_EQ(app->InteractionState(), kStateArcSecond);
    for (int i = 1; i <= 4; ++i) { // the second edge swept clockwise
        d.Move(ax + (bx - ax) * i / 4, ay + (by - ay) * i / 4);
        d.Run(20);
    }
    d.Click(bx, by);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    EXPECT_TRUE(tank->mCoveredArc) << "no covered arc";
    EXPECT_GT(std::fmod(tank->mArcB - tank->mArcA + 360.0f, 360.0f), 40.0f) << "the arc collapsed";
    RecordFrame();
    EXPECT_GT(PixelsChanged(before, GrabPixels(map)), 300) << "the covered arc is not drawn";
    EXPECT_GT(PixelsChanged(left, GrabPixels(Around(lx, ly, 5))), 8) << "no left edge drawn";
    EXPECT_GT(PixelsChanged(right, GrabPixels(Around(rx, ry, 5))), 8) << "no right edge drawn";
    d.Shot("panzer-covered-arc");

    // The line of sight follows the pointer; a click ends it.
    const std::vector<uint16_t> arc = GrabPixels(map);
    ASSERT_TRUE(ChooseOrder(d, x, y, 48));
    ASSERT_EQ(app->InteractionState(), kStateSightLine);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(d.GroundOnScreen(tank->mX - 30.0f, tank->mY + 120.0f, &sx, &sy));
    d.Move(sx, sy);
    d.Run(100);
    RecordFrame();
    EXPECT_GT(PixelsChanged(arc, GrabPixels(map)), 100) << "no line of sight drawn";
    d.Shot("panzer-line-of-sight");
    d.Click(sx, sy);
    EXPECT_EQ(app->InteractionState(), kStateNone);
}

// Key pad 7 turns the camera, + raises it, 8 moves it: each time the map
// view shows another picture.
void KeypadCamera(PlayDriver& d) {
    Map* map = TheMap();
    const int32_t side = map->ViewingSide();
    const LongRect view = BoundsOf(map->mView);
    // What each key or button changes: t turned, l the level, m moved.
    struct Step {
        char kind; // k key pad, p plain key, c camera button's command
        uint8_t key;
        char change;
        const char* shot;
    };
    const Step steps[] = {{'k', '7', 't', "panzer-keypad-turned"}, {'k', '+', 'l', "panzer-keypad-raised"},
                          {'k', '8', 'm', "panzer-keypad-moved"},  {'p', '.', 't', nullptr},
                          {'p', '/', 't', "panzer-camera-about"},  {'c', 7, 'l', "panzer-camera-button"}};
    for (const Step& s : steps) {
        RecordFrame();
        const std::vector<uint16_t> before = GrabPixels(view);
        const float heading = map->mCameraHeading[side], cx = map->mCameraX[side], cy = map->mCameraY[side];
        const int32_t level = map->mCameraLevel[side];
        if (s.kind == 'k') {
            KeypadKey(s.key);
        } else if (s.kind == 'p') {
            d.Key(s.key);
        } else {
            ASSERT_TRUE(d.ClickCommand(s.key));
        }
        d.Run(s.kind == 'c' ? 400 : 150); // a button's level step takes a third of a second
        if (s.change == 't') {
            EXPECT_NE(map->mCameraHeading[side], heading) << s.key;
        } else if (s.change == 'l') {
            EXPECT_NE(map->mCameraLevel[side], level) << s.key;
        } else {
            EXPECT_GT(std::hypot(map->mCameraX[side] - cx, map->mCameraY[side] - cy), 0.5f);
        }
        RecordFrame();
        EXPECT_GT(PixelsChanged(before, GrabPixels(view)), static_cast<int32_t>(before.size() / 10))
            << s.kind << " " << static_cast<int>(s.key) << " left the view as it was";
        if (s.shot) d.Shot(s.shot);
    }
}

// + selects the next own unit: the unit panel shows another unit.
void NextUnitKey(PlayDriver& d) {
    Unit* was = gBattle->mSelectedUnit;
    const LongRect panel = BoundsOf(gBattle->mInfoPanel);
    RecordFrame();
    const std::vector<uint16_t> before = GrabPixels(panel);
    d.Key('+');
    ASSERT_NE(gBattle->mSelectedUnit, was) << "+ selected no other unit";
    EXPECT_TRUE(gBattle->mSelectedUnit->IsOwnUnit(d.App()->ViewingSide()));
    RecordFrame();
    EXPECT_GT(PixelsChanged(before, GrabPixels(panel)), 100) << "the panel still shows the unit before";
    d.Shot("panzer-next-unit");
}

// The panel's hot-key button opens the help with its keys; a click on it
// closes it.
void HotkeyHelp(PlayDriver& d) {
    ASSERT_TRUE(d.ClickCommand(94));
    ASSERT_TRUE(TheMap()->mHotkeyPanel) << "no hot-key help";
    ScreenDrawLog log = RecordFrame();
    EXPECT_TRUE(FindTextHolding(log, RezText(1190))) << "the help's closing line";
    EXPECT_TRUE(FindTextHolding(log, RezText(1250))) << "the help's first key";
    d.Shot("panzer-hotkeys");
    ClickView(d, TheMap()->mHotkeyPanel);
    d.Run(100);
    EXPECT_FALSE(TheMap()->mHotkeyPanel) << "a click left the help open";
    EXPECT_FALSE(FindTextHolding(RecordFrame(), RezText(1190))) << "the help is still drawn";
}

// With no unit selected, the pointer over the panel's weather picture writes
// the weather in words; away from it the words go.
void WeatherFlyby(PlayDriver& d, Unit* tank) {
    int32_t gx = 0, gy = 0;
    LookAtPoint(d, 2, tank->mX, tank->mY - 30.0f);
    ASSERT_TRUE(d.GroundOnScreen(tank->mX + 30.0f, tank->mY + 40.0f, &gx, &gy));
    d.Click(gx, gy);
    ASSERT_EQ(gBattle->mSelectedUnit, nullptr) << "a click on bare ground kept the selection";
    GView* weather = nullptr;
    for (int32_t i = 0; i < gBattle->mInfoPanel->GetSubviewCount() && !weather; ++i)
        if (dynamic_cast<WeatherText*>(gBattle->mInfoPanel->GetSubview(i)))
            weather = gBattle->mInfoPanel->GetSubview(i);
    ASSERT_TRUE(weather);
    auto lines = [weather](const ScreenDrawLog& log) {
        int32_t n = 0;
        for (const ScreenDrawItem& i : log.mItems)
            n += i.mKind == 't' && i.mOwner == weather && !i.mText.empty();
        return n;
    };
    int32_t wx = 0, wy = 0;
    PlayDriver::CentreOf(weather, &wx, &wy);
    d.Move(wx, wy);
    d.Run(150);
    EXPECT_EQ(lines(RecordFrame()), 4) << "the weather, ground, temperature and wind over the pictures";
    d.Shot("panzer-weather-text");
    d.Move(d.Width() / 2, d.Height() / 3);
    d.Run(150);
    EXPECT_EQ(lines(RecordFrame()), 0) << "the weather words stay after the pointer left";
}

// Turn 1 played back to its end, rewound and played a moment (the tank is
// drawn back near its start), then on to the end again and the next turn.
void ReplayTurnOne(PlayDriver& d, Unit* tank, float startX, float startY) {
    MVApplication* app = d.App();
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    auto toTheEnd = [&] {
        for (int i = 0; i < 60 && !gBattle->AtEndOfPlayback(); ++i)
            if (!d.ClickCommand(kForward)) break;
        return d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 30000, "the end of the playback");
    };
    ASSERT_TRUE(toTheEnd());
    LookAtPoint(d, 2, startX, startY - 30.0f);
    EXPECT_GT(std::hypot(tank->mX - startX, tank->mY - startY), 10.0f) << "the tank did not move in turn 1";
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(d.GroundOnScreen(startX, startY, &sx, &sy));
    const LongRect start{sx - 30, sy - 30, sx + 30, sy + 10};
    RecordFrame();
    const std::vector<uint16_t> end = GrabPixels(start);
    d.Shot("panzer-turn1-end");
    ASSERT_TRUE(d.ClickCommand(kRewind));
    EXPECT_LE(gBattle->mPlayNow, 1);
    GView* play = app->mBattleScreen.mPlayPause;
    ASSERT_TRUE(play && play->IsVisible());
    int32_t px = 0, py = 0;
    PlayDriver::CentreOf(play, &px, &py);
    d.Click(px, py); // play
    d.Run(300);
    d.Click(px, py); // pause
    EXPECT_LT(std::hypot(tank->mX - startX, tank->mY - startY), 10.0f) << "the replay did not start again";
    RecordFrame();
    EXPECT_GT(PixelsChanged(end, GrabPixels(start)), 200) << "the replayed turn's start shows no tank there";
    d.Shot("panzer-turn1-replayed");
    ASSERT_TRUE(toTheEnd());
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    ASSERT_TRUE(d.RunUntil([&] { return gBattle->mTurn == 2 && app->InteractionState() == kStateNone; }, 10000,
                           "turn 2"));
}

// Alt-S saves under a name (the map says so), Alt-A leaves, and the saved
// game opens again at its turn with its units.
void SaveAndLoad(PlayDriver& d) {
    MVApplication* app = d.App();
    const int32_t units = gBattle->mUnits->GetCount();
    d.Key('s', true);
    d.Run(200);
    ASSERT_TRUE(app->mSaveDialog && gKernel->IsViewAlive(app->mSaveDialog)) << "Alt-S opened no save dialog";
    for (int32_t i = 0; i < app->mLastSaveName.GetLength() + 4; ++i) // the name offered
        d.Key(kKeyBackspace);
    d.Type("Panzerprobe");
    d.Key(kKeyReturn);
    d.Run(200);
    EXPECT_TRUE(FindTextHolding(RecordFrame(), "Panzerprobe")) << "the map does not say the game was saved";
    d.Shot("panzer-saved");
    d.Key('a', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the leave box"));
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([] { return gBattle == nullptr; }, 5000, "the battle left"));
    std::string path;
    for (const auto& e : std::filesystem::recursive_directory_iterator(d.Folder()))
        if (e.path().filename().string().rfind("Panzerprobe", 0) == 0) path = e.path().string();
    ASSERT_FALSE(path.empty()) << "no saved game in the program's folder";
    auto* file = new GFile;
    ASSERT_TRUE(file->IFile(path.c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    for (int i = 0; i < 8 && !BattleShown(); ++i) {
        d.Run(100);
        for (int32_t c : {85, 86, 89, 109, 114, 111})
            if (PlayDriver::FindControl(gKernel->GetWindow(), c)) {
                d.ClickCommand(c);
                break;
            }
    }
    ASSERT_TRUE(d.RunUntil(BattleShown, 20000, "the saved game's battle screen"));
    d.Run(300);
    EXPECT_EQ(gBattle->mTurn, 2);
    EXPECT_EQ(gBattle->mUnits->GetCount(), units);
    d.Shot("panzer-loaded");
}

// Alt-U and yes: the result screen; its review button shows the map again.
void SurrenderAndReview(PlayDriver& d) {
    MVApplication* app = d.App();
    d.Key('u', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the surrender box"));
    ASSERT_TRUE(d.ClickCommand(104));
    ASSERT_TRUE(d.RunUntil([] { return gBattle->mResultView && gBattle->mResultView->IsVisible(); }, 20000,
                           "the result screen"));
    d.Run(200);
    EXPECT_FALSE(TheMap()->mView->IsVisible());
    d.Shot("panzer-result");
    ASSERT_TRUE(d.ClickCommand(119));
    d.Run(300);
    EXPECT_FALSE(gBattle->mResultView->IsVisible());
    EXPECT_TRUE(BattleShown()) << "the review shows no map";
    d.Shot("panzer-review"); // the map view must show a picture
}

} // namespace

TEST(PlayThrough, PanzerTankThroughItsScreens) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    const uint32_t begun = ClockTime();
    auto phase = [&](const char* what) { std::printf("[panzer-tank] %s at %u ms\n", what, ClockTime() - begun); };
    PlayDriver d("panzer-tank", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenDemoBattle(d, "panzer", 0, [&](MVApplication* a) {
        auto* popup = static_cast<GPopup*>(Alive(a->mHandicapPopup));
        ASSERT_TRUE(popup) << "the sides screen offers no handicap";
        popup->Choose(kHandicapIndex);
        d.Run(100);
        EXPECT_TRUE(FindTextHolding(RecordFrame(), RezText(342 + kHandicapIndex))) << "the popup shows another choice";
        d.Shot("panzer-handicap-chosen");
    }));
    CheckHandicapNotice(d);
    if (HasFatalFailure()) return;
    phase("opened with the handicap");
    ASSERT_TRUE(Go(d, "the set-up's GO"));
    phase("the set-up's GO answered");
    ASSERT_EQ(app->InteractionState(), kStateNone);
    // The first platoon's leader tank.
    Vehicle* tank = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !tank; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->IsOwnUnit(kAxis) && u->IsLeader(nullptr) &&
            u->PlatoonSubordinate(true))
            tank = static_cast<Vehicle*>(u);
    }
    ASSERT_TRUE(tank);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ClickUnit(d, tank, &x, &y)) << "a click on the tank selected it";
    d.Shot("panzer-tank-selected");
    struct Step {
        const char* name;
        std::function<void()> run;
    };
    const Step steps[] = {
        {"balloon", [&] { BalloonAndKills(d); }},
        {"hatch", [&] { HatchOrder(d, tank, x, y); }},
        {"platoon", [&] { ChoosePlatoon(d, tank, x, y); }},
        {"reselect", [&] { ASSERT_TRUE(ClickUnit(d, tank, &x, &y)); }},
        {"waypoints", [&] { EditWaypoints(d, tank, x, y); }},
        {"arc", [&] { CoveredArc(d, tank, x, y); }},
        {"keypad", [&] { KeypadCamera(d); }},
        {"next unit", [&] { NextUnitKey(d); }},
        {"weather", [&] { WeatherFlyby(d, tank); }},
        {"hot keys", [&] { HotkeyHelp(d); }},
    };
    for (const Step& s : steps) {
        const uint32_t start = ClockTime();
        d.AllowBeeps();
        s.run();
        if (HasFatalFailure()) return;
        std::printf("[panzer-tank] %s in %u ms\n", s.name, ClockTime() - start);
    }
    const float startX = tank->mX, startY = tank->mY;
    phase("orders given");
    ASSERT_TRUE(Go(d, "turn 1's GO"));
    phase("turn 1's GO answered");
    ReplayTurnOne(d, tank, startX, startY);
    if (HasFatalFailure()) return;
    phase("turn 1 replayed");
    SaveAndLoad(d);
    if (HasFatalFailure()) return;
    phase("saved and loaded");
    SurrenderAndReview(d);
    phase("reviewed");
}

// ---- hecken -----------------------------------------------------------------

namespace {

Infantry* OwnSquadAt(float x, float y, Affiliation side = kAxis) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->IsOwnUnit(side) && std::hypot(u->mX - x, u->mY - y) < 1.0f)
            return static_cast<Infantry*>(u);
    }
    return nullptr;
}

// The unit panel's name line of the selected unit says whether it is half a
// squad.
bool PanelSaysHalf() {
    const ScreenDrawItem* half = FindTextHolding(RecordFrame(), RezText(1112));
    return half && half->mOwner == gBattle->mInfoPanel;
}

// A set-up move of the selected unit to a ground point: the order from its
// menu (held open on its figure at (x, y), or by the space key when x < 0),
// then a click there.
void SetUpMove(PlayDriver& d, int32_t x, int32_t y, float toX, float toY) {
    if (x >= 0) {
        ASSERT_TRUE(ChooseOrder(d, x, y, 57));
    } else {
        d.Key(' ');
        ASSERT_TRUE(TheMap()->mOpenMenu) << "space opened no orders menu";
        MenuButton* b = TheMap()->mOpenMenu->FindButton(57);
        ASSERT_TRUE(b);
        ClickView(d, b);
    }
    ASSERT_EQ(d.App()->InteractionState(), kStateSetupPick57);
    ClickGroundFrom(d, 1, toX, toY, 30.0f);
}

} // namespace

// In hecken's set-up a squad splits into two halves (a second figure, its
// panel naming a half) and a set-up move of one half beside the other joins
// them again.
TEST(PlayThrough, HeckenSquadSplitAndJoined) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hecken-squad", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenDemoBattle(d, "hecken", 0, nullptr));
    ASSERT_TRUE(gBattle->mSetupPhase);
    Infantry* squad = OwnSquadAt(500.0f, 380.0f);
    ASSERT_TRUE(squad && squad->CanSplit());
    const int32_t units = gBattle->mUnits->GetCount();
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ClickUnit(d, squad, &x, &y, 1)) << "a click on the squad selected it";
    EXPECT_FALSE(PanelSaysHalf());

    // Split.
    ASSERT_TRUE(ChooseOrder(d, x, y, 50));
    ASSERT_EQ(gBattle->mUnits->GetCount(), units + 1) << "the split made no second half";
    auto* half = static_cast<Infantry*>(squad->mSibling);
    ASSERT_TRUE(half);
    EXPECT_TRUE(PanelSaysHalf()) << "the panel does not name the half";
    // The halves stand apart: at the second half's place the picture
    // changes when that half is taken off the map, and stays when the
    // first is.
    int32_t hx = 0, hy = 0;
    ASSERT_TRUE(WorldOnScreen(d, half->mX, half->mY, half->GetZ(), &hx, &hy));
    const LongRect own{hx - 12, hy - 24, hx + 12, hy + 4};
    RecordFrame();
    const std::vector<uint16_t> both = GrabPixels(own);
    auto without = [&](Unit* u) {
        u->mOffMapState = 1;
        RecordFrame();
        const int32_t changed = PixelsChanged(both, GrabPixels(own));
        u->mOffMapState = 0;
        RecordFrame();
        return changed;
    };
    const int32_t second = without(half), first = without(squad);
    std::printf("[hecken-squad] at the second half's place: %d pixels its own, %d the first's\n", second, first);
    EXPECT_GT(second, 30) << "the second half is not drawn at its place";
    EXPECT_LT(first, 10) << "the first half is drawn at the second's place";
    d.Shot("hecken-split");

    // Joined: the second half set down beside the first.
    d.Key('+'); // the next unit: the second half
    ASSERT_EQ(gBattle->mSelectedUnit, half);
    SetUpMove(d, -1, -1, squad->mX + 6.0f, squad->mY + 3.0f);
    if (HasFatalFailure()) return;
    EXPECT_EQ(gBattle->mUnits->GetCount(), units) << "the halves did not join";
    EXPECT_EQ(squad->mSibling, nullptr);
    if (app->InteractionState() != kStateNone) d.Key(' '); // the facing, if the half stayed
    ASSERT_TRUE(ClickUnit(d, squad, &x, &y, 1));
    EXPECT_FALSE(PanelSaysHalf()) << "the panel still names a half";
    d.Shot("hecken-joined");
}

// A squad set into a house of two floors in hatten's set-up is asked which
// floor: the menu's title and two labels are drawn; the upper floor taken.
TEST(PlayThrough, HattenFloorChoice) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hatten-floor", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenDemoBattle(d, "hatten", 1, nullptr));
    ASSERT_TRUE(gBattle->mSetupPhase);
    Infantry* squad = OwnSquadAt(700.0f, 460.0f, kAllies);
    ASSERT_TRUE(squad);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ClickUnit(d, squad, &x, &y, 1));
    SetUpMove(d, x, y, 711.0f, 430.0f); // the middle of a house of two floors
    if (HasFatalFailure()) return;
    PlayerMenu* menu = TheMap()->mOpenMenu;
    ASSERT_TRUE(menu) << "no floor asked in the house";
    MenuButton* top = menu->FindButton(54);
    ASSERT_TRUE(top && menu->FindButton(53)) << "the floor menu offers the two floors";
    const LongRect box = BoundsOf(menu);
    int32_t pictures = 0;
    for (const ScreenDrawItem& i : RecordFrame().mItems)
        pictures += i.mKind == 'b' && i.mRect.left >= box.left && i.mRect.top >= box.top &&
                    i.mRect.right <= box.right && i.mRect.bottom <= box.bottom;
    EXPECT_GE(pictures, 3) << "the floor menu's title and labels are not drawn";
    d.Shot("hatten-floor-menu");
    ClickView(d, top);
    EXPECT_GT(squad->mZ, 0.0f) << "the squad is not on the upper floor";
    EXPECT_EQ(TheMap()->mOpenMenu, nullptr);
    if (app->InteractionState() == kStateSetupPick59) d.Click(x, y - 80); // its facing
    d.Shot("hatten-upper-floor");
}

// ---- bruecke ----------------------------------------------------------------

namespace {

// A target drag from the selected unit, released at a ground point.
void DragTargetTo(PlayDriver& d, float toX, float toY) {
    ClickGroundFrom(d, 2, toX, toY, 60.0f);
}

} // namespace

// The American observer in bruecke is given an area mission (its target
// line drawn to the point) and a minute more of fire, and in the next turn
// fires again at the point kept.
TEST(PlayThrough, BrueckeObserverMission) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("bruecke-observer", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", 1, nullptr));
    ASSERT_TRUE(Go(d, "the set-up's GO"));
    Infantry* observer = OwnSquadAt(240.0f, 440.0f, kAllies);
    ASSERT_TRUE(observer && observer->IsForwardObserver());
    int32_t x = 0, y = 0;
    ASSERT_TRUE(ClickUnit(d, observer, &x, &y, 1));
    ASSERT_TRUE(ChooseOrder(d, x, y, 44));
    ASSERT_EQ(app->InteractionState(), kStatePickTarget);
    const float tx = 620.0f, ty = 440.0f;
    LookAtPoint(d, 2, tx, ty - 60.0f);
    RecordFrame();
    const std::vector<uint16_t> before = GrabPixels(BoundsOf(TheMap()->mView));
    DragTargetTo(d, tx, ty);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    ASSERT_TRUE(observer->mAreaTarget) << "the observer took no area mission";
    RecordFrame();
    EXPECT_GT(PixelsChanged(before, GrabPixels(BoundsOf(TheMap()->mView))), 200) << "no mission line drawn";
    d.Shot("bruecke-observer-mission");
    // A minute more of fire, offered by the menu (its label drawn); the
    // panel shows the mission's time only once the turn computes it.
    ASSERT_TRUE(ClickUnit(d, observer, &x, &y, 1));
    MenuButton* more = HoldForMenu(d, x, y, 41);
    ASSERT_TRUE(more);
    RecordFrame();
    const std::vector<uint16_t> label = GrabPixels(BoundsOf(more));
    EXPECT_GT(static_cast<int32_t>(label.size()) - NearColour(label, 0, 0, 0), 1000) << "the order's label is not drawn";
    d.Shot("bruecke-observer-menu");
    const int32_t minutes = observer->mExtraArtilleryMinutes;
    ClickView(d, more);
    EXPECT_EQ(observer->mExtraArtilleryMinutes, minutes + 1);
    // In the next turn, the mission called off, "fire again" aims at the
    // point kept from the last: the mission line is drawn there again.
    ASSERT_TRUE(Go(d, "turn 1's GO"));
    // START starts the next turn once the replay has ended.
    for (int i = 0; i < 60 && !gBattle->AtEndOfPlayback(); ++i)
        if (!d.ClickCommand(kForward)) break;
    ASSERT_TRUE(d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 30000, "the end of turn 1's replay"));
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    ASSERT_TRUE(d.RunUntil([&] { return gBattle->mTurn == 2 && app->InteractionState() == kStateNone; }, 20000,
                           "turn 2"));
    ASSERT_TRUE(observer->mActive && observer->CanDoOrder(42)) << "the observer kept no point";
    const float keptX = observer->mFOTargetX, keptY = observer->mFOTargetY;
    // A mission still running is called off first, its line gone.
    ASSERT_TRUE(ClickUnit(d, observer, &x, &y, 1));
    if (observer->mAreaTarget) {
        ASSERT_TRUE(ChooseOrder(d, x, y, 43));
        ASSERT_FALSE(observer->mAreaTarget);
    }
    LookAtPoint(d, 2, keptX, keptY - 60.0f);
    const std::vector<uint16_t> kept = GrabPixels(BoundsOf(TheMap()->mView));
    ASSERT_TRUE(ClickUnit(d, observer, &x, &y, 1));
    ASSERT_TRUE(ChooseOrder(d, x, y, 42));
    EXPECT_TRUE(observer->mAreaTarget && observer->mAreaTargetX == keptX && observer->mAreaTargetY == keptY)
        << "fire again did not aim at the kept point";
    LookAtPoint(d, 2, keptX, keptY - 60.0f);
    EXPECT_GT(PixelsChanged(kept, GrabPixels(BoundsOf(TheMap()->mView))), 200) << "no mission line drawn again";
    d.Shot("bruecke-observer-fire-again");
}
