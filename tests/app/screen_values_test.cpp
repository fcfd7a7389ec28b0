// Values the battle screen reads, set by the game itself: the demo battles
// opened in the real application (no subclass) on the dummy display (the
// foxholes a side digs, and what the other side sees of them), and
// the operation's first battle as the list cuts it. The camera's ride shake
// follows the locked unit's motion in the replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ScenarioPaths.h"

#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/LongRect.h"
#include "map/Map.h"
#include "map/BuildingWallCrater.h"
#include "map/Square.h"
#include "play_through_driver.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"
#include "units/Unit.h"

namespace {

// The first living unit of a side that satisfies ok.
template <class F> Unit* FindUnit(Affiliation side, F ok) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mActive && u->GetAffiliation() == side && ok(u)) return u;
    }
    return nullptr;
}

// The frame's texts in drawing order, joined by blanks: a line broken to
// fit the view reads whole again.
std::string JoinedTexts(const ScreenDrawLog& log) {
    std::string all;
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 't') all += i.mText + " ";
    return all;
}

bool InOwnZone(Map* map, float x, float y) {
    const Square* sq = map->GetSquare(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    return sq && sq->mSetupZone >= 4 && sq->mSetupZone <= 6; // the Axis zones
}

// In the foxhole mode, clicks on the German zone's ground beside a
// grenadier squad until one digs a foxhole.
void DigOneFoxhole(PlayDriver& d) {
    Map* map = gBattle->mMap;
    Unit* squad = FindUnit(kAxis, [](Unit* u) { return u->mUnitType == kUnitInfantry; });
    ASSERT_NE(squad, nullptr);
    LookAtPoint(d, 2, squad->mX, squad->mY);
    const int32_t left = map->mFoxholesLeft;
    for (float dx = -40.0f; dx <= 40.0f && map->mFoxholesLeft == left; dx += 20.0f)
        for (float dy = 0.0f; dy <= 60.0f && map->mFoxholesLeft == left; dy += 20.0f) {
            const float x = squad->mX + dx, y = squad->mY + dy;
            int32_t sx = 0, sy = 0;
            if (!InOwnZone(map, x, y) || !WorldOnScreen(d, x, y, map->GetZCoord(x, y), &sx, &sy)) continue;
            d.Click(sx, sy);
            d.Run(30);
        }
}

// The first foxhole the viewing side is not to see.
Crater* HiddenFoxhole(Affiliation viewer) {
    CraterGroup* holes = gBattle->mMap->mFoxholes;
    for (int32_t k = 0; k < holes->GetCount(); ++k)
        if (holes->GetCrater(k)->HiddenFrom(viewer)) return holes->GetCrater(k);
    return nullptr;
}

// The place of an enemy foxhole that is not spotted looks as it does with
// the foxhole taken off the map; spotted, or with the battle over (against
// the same over frame without it, as every unit then shows), it shows.
void CheckHiddenFoxhole(PlayDriver& d, Crater* hole) {
    Map* map = gBattle->mMap;
    ASSERT_TRUE(hole->HiddenFrom(d.App()->ViewingSide()));
    LookAtPoint(d, 1, hole->mX, hole->mY - 20.0f);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(WorldOnScreen(d, hole->mX, hole->mY, map->GetZCoord(hole->mX, hole->mY), &sx, &sy));
    const LongRect box{sx - 30, sy - 20, sx + 30, sy + 20};
    auto grab = [&] {
        RecordFrame();
        return GrabPixels(box);
    };
    auto taken = [&] {
        map->mFoxholes->Delete(hole, false);
        std::vector<uint16_t> without = grab();
        map->mFoxholes->Add(hole);
        return without;
    };
    const std::vector<uint16_t> hidden = grab(), without = taken();
    hole->mSpotted = 1;
    const int32_t spotted = PixelsChanged(grab(), without);
    hole->mSpotted = 0;
    const int32_t last = gBattle->mLastTurn;
    gBattle->mLastTurn = gBattle->mTurn - 1;
    const int32_t over = PixelsChanged(grab(), taken());
    gBattle->mLastTurn = last;
    EXPECT_GT(spotted, 8) << "the foxhole's place is not where the check looks";
    EXPECT_GT(over, 8) << "the battle's end does not show every foxhole";
    EXPECT_LE(PixelsChanged(hidden, without), 2) << "an enemy foxhole not spotted is drawn";
}

} // namespace

// Bruecke's German defender may dig six foxholes: Alt-F offers the mode,
// a click in his set-up zone digs one and counts it off the line, Alt-F
// again ends the mode.
TEST(ScreenValues, TheDefenderDigsFoxholesWithAltF) {
    PlayDriver d("screen-values-foxholes", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAxis, nullptr));
    Map* map = gBattle->mMap;
    ASSERT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(map->mFoxholeAllowance, 6);
    EXPECT_EQ(map->mFoxholesLeft, 6);
    sUserHasNotSeenMenuYet = false; // past the first tips
    EXPECT_NE(FindTextHolding(RecordFrame(), RezText(2007)), nullptr) << "the map view does not offer Alt-F";

    // The attacker, shown the same set-up, digs none.
    ASSERT_EQ(gBattle->mAttacker, kAllies);
    d.App()->mSide = kAllies;
    EXPECT_EQ(FindTextHolding(RecordFrame(), RezText(2007)), nullptr) << "the attacker is offered Alt-F";
    d.Key('f', true);
    EXPECT_EQ(map->mCraterPlacingStatus, 0) << "Alt-F starts the attacker's foxholes";
    d.App()->mSide = kAxis;

    d.Key('f', true);
    ASSERT_EQ(map->mCraterPlacingStatus, 5);
    const std::string line = RezText(2004) + "6" + RezText(2005);
    EXPECT_NE(JoinedTexts(RecordFrame()).find(line), std::string::npos) << "no foxhole line reading " << line;

    const int32_t holes = map->mFoxholes->GetCount();
    DigOneFoxhole(d);
    EXPECT_EQ(map->mFoxholesLeft, 5) << "no click in the German zone dug a foxhole";
    EXPECT_EQ(map->mFoxholes->GetCount(), holes + 1);
    EXPECT_NE(JoinedTexts(RecordFrame()).find(RezText(2004) + "5" + RezText(2005)), std::string::npos);

    d.Key('f', true);
    EXPECT_EQ(map->mCraterPlacingStatus, 0);

    // Saved in the set-up, the game reads back with five still to place.
    FileTestFolder folder("dm-foxholes-");
    const std::string path = folder.File("graben.mvg");
    GFile out;
    ASSERT_TRUE(out.IFile(path.c_str(), kFileModeCompressedWrite));
    d.App()->SaveGame(&out);
    ASSERT_TRUE(out.Commit());
    GFile in;
    ASSERT_TRUE(in.IFile(path.c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents read;
    ASSERT_EQ(ReadGameFile(&in, &state, &read), kGameFileLoaded);
    std::unique_ptr<Battle> saved(read.battle);
    std::unique_ptr<Campaign> operation(read.campaign);
    ASSERT_TRUE(saved && saved->mSetupPhase);
    EXPECT_EQ(saved->mMap->mFoxholeAllowance, 6);
    EXPECT_EQ(saved->mMap->mFoxholesLeft, 5) << "the saved set-up offers the whole allowance again";
}

// A defender who presses GO with the foxhole mode on leaves it with the
// set-up: a click on one of his units selects it, and digs nothing.
TEST(ScreenValues, TheFoxholeModeEndsWithTheSetUp) {
    PlayDriver d("screen-values-foxholes-go", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAxis, nullptr));
    Map* map = gBattle->mMap;
    sUserHasNotSeenMenuYet = false;
    d.Key('f', true);
    ASSERT_EQ(map->mCraterPlacingStatus, 5);
    ASSERT_TRUE(GoAndWait(d, "the set-up's GO"));
    ASSERT_FALSE(gBattle->mSetupPhase);
    EXPECT_EQ(map->mCraterPlacingStatus, 0) << "the foxhole mode outlived the set-up";

    Unit* squad = FindUnit(kAxis, [&](Unit* u) {
        return u->mUnitType == kUnitInfantry && !u->mTransport && InOwnZone(map, u->mX, u->mY);
    });
    ASSERT_NE(squad, nullptr);
    gBattle->SetSelectedUnit(nullptr);
    const int32_t holes = map->mFoxholes->GetCount();
    LookAtPoint(d, 2, squad->mX, squad->mY - 40.0f);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(d.UnitOnScreen(squad, &sx, &sy));
    for (int32_t dy : {0, -4, -8, 4}) {
        d.Click(sx, sy + dy);
        d.Run(60);
        if (gBattle->mSelectedUnit == squad) break;
    }
    EXPECT_EQ(gBattle->mSelectedUnit, squad) << "a click on the squad did not select it";
    EXPECT_EQ(map->mFoxholes->GetCount(), holes);
    EXPECT_EQ(FindTextHolding(RecordFrame(), RezText(2004)), nullptr) << "the foxhole line still shows";
}

// The German defender's click in the foxhole mode on an American foxhole
// in his zone (an earlier battle's) neither takes it away nor digs over it.
// The Americans dig in as the set-up ends: a foxhole of theirs not spotted
// stays off the German screen.
TEST(ScreenValues, AnEnemyFoxholeIsNeitherPickedNorDrawnUntilSpotted) {
    PlayDriver d("screen-values-enemy-foxhole", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAxis, nullptr));
    Map* map = gBattle->mMap;
    sUserHasNotSeenMenuYet = false;
    Unit* squad = FindUnit(kAxis, [](Unit* u) { return u->mUnitType == kUnitInfantry; });
    ASSERT_NE(squad, nullptr);
    const float x = squad->mX + 20.0f, y = squad->mY + 20.0f;
    ASSERT_TRUE(InOwnZone(map, x, y));
    Crater* theirs = map->MakeCrater(x, y, 700.0f, true, false, false, 0.0f, kAllies, false);
    ASSERT_NE(theirs, nullptr);
    d.Key('f', true);
    ASSERT_EQ(map->mCraterPlacingStatus, 5);
    LookAtPoint(d, 1, x, y - 20.0f);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(WorldOnScreen(d, x, y, map->GetZCoord(x, y), &sx, &sy));
    const int32_t holes = map->mFoxholes->GetCount();
    d.Click(sx, sy);
    d.Run(30);
    EXPECT_EQ(map->mFoxholesLeft, 6) << "the click counted the enemy's foxhole as the player's";
    ASSERT_EQ(map->mFoxholes->GetCount(), holes) << "the click took or dug a foxhole";
    EXPECT_EQ(HiddenFoxhole(kAxis), theirs);
    d.Key('f', true);

    ASSERT_TRUE(GoAndWait(d, "the set-up's GO"));
    Crater* hole = HiddenFoxhole(kAxis);
    ASSERT_NE(hole, nullptr) << "the set-up's end spotted every American foxhole";
    CheckHiddenFoxhole(d, hole);
}

// Hotseat: the German defender digs a foxhole with Alt-F in his set-up; the
// American set-up after his shows nothing of it.
TEST(ScreenValues, TheSecondHotseatSetUpDoesNotSeeTheFirstsFoxholes) {
    PlayDriver d("screen-values-hotseat-foxhole", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    ASSERT_TRUE(OpenListed(d, "Br", false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 115, "achse"));
    ASSERT_EQ(d.App()->ViewingSide(), kAxis);
    sUserHasNotSeenMenuYet = false;
    d.Key('f', true);
    ASSERT_EQ(gBattle->mMap->mCraterPlacingStatus, 5);
    DigOneFoxhole(d);
    d.Key('f', true);
    ASSERT_NE(HiddenFoxhole(kAllies), nullptr) << "the German set-up dug no foxhole";
    ASSERT_TRUE(d.ClickCommand(9)); // GO
    ASSERT_TRUE(ScreensToBattle(d, 1, 115, "alliierte"));
    ASSERT_TRUE(gBattle->mSetupPhase);
    ASSERT_EQ(d.App()->ViewingSide(), kAllies);
    Crater* hole = HiddenFoxhole(kAllies);
    ASSERT_NE(hole, nullptr);
    CheckHiddenFoxhole(d, hole);
}

// A squad set down in a house and then faced: the facing drag follows the
// pointer over open ground, and is not pulled halfway to the house that the
// set-down's pick found.
TEST(ScreenValues, FacingAfterAHouseFollowsThePointer) {
    PlayDriver d("screen-values-house", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAxis, nullptr));
    Map* map = gBattle->mMap;
    sUserHasNotSeenMenuYet = false;
    Building* house = nullptr;
    float hx = 0.0f, hy = 0.0f;
    for (int32_t i = 0; map->mBuildings && i < map->mBuildings->GetCount() && !house; ++i) {
        auto* b = static_cast<Building*>(map->mBuildings->GetObjectA(i));
        b->GetCenter(&hx, &hy);
        if (InOwnZone(map, hx, hy)) house = b;
    }
    ASSERT_NE(house, nullptr) << "no house in the German zone";
    Unit* squad = FindUnit(kAxis, [](Unit* u) { return u->mUnitType == kUnitInfantry && !u->mTransport; });
    ASSERT_NE(squad, nullptr);
    LookAtPoint(d, 2, hx, hy - 30.0f);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(WorldOnScreen(d, hx, hy, map->GetZCoord(hx, hy) + 2.0f, &sx, &sy));

    // The set-up move (the menu's order 57) dropped on the house.
    gBattle->SetSelectedUnit(squad);
    map->RespondToOrder(57, false);
    ASSERT_EQ(d.App()->InteractionState(), kStateSetupPick57);
    d.Move(sx, sy);
    d.Run(40);
    ASSERT_EQ(map->mPickedBuilding, house) << "the pick over the house did not find it";
    d.Release(sx, sy);
    d.Run(40);
    if (map->mOpenMenu) map->HandleMenuKey('B'); // the ground floor, by its key
    d.Run(40);
    ASSERT_EQ(d.App()->InteractionState(), kStateSetupPick59) << "the squad was not set down to be faced";

    // Ground 40 m beside the house, off any building.
    const float gx = hx + 40.0f, gy = hy;
    ASSERT_EQ(map->GetBuildingAtXY(gx, gy), nullptr);
    ASSERT_TRUE(WorldOnScreen(d, gx, gy, map->GetZCoord(gx, gy), &sx, &sy));
    d.Move(sx, sy);
    d.Run(40);
    EXPECT_NEAR(map->mPickX, gx, 4.0f) << "the facing point was pulled towards the house";
    EXPECT_NEAR(map->mPickY, gy, 4.0f);
    d.Release(sx, sy);
    d.Run(40);
}

namespace {

bool DrawsPicture(const ScreenDrawLog& log, int32_t picture) {
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 'b' && i.mPicture == picture) return true;
    return false;
}

} // namespace

// Panzer's first turn computed by the game's runner: a unit that hid from
// the turn's start keeps its picture (1050) in the saved game the program
// opens, and so does a tank that tried to go round an obstacle (1090; no
// demo battle's first turns block a vehicle, so the tank is marked as such
// a turn leaves it).
TEST(ScreenValues, ManoeuvreAndHidingPicturesShowAfterALoad) {
    PlayDriver d("screen-values-panel-marks", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    const std::string saved = d.Folder() + "/Szenarien/panzer-turn.mvg";
    int32_t fromStart[2] = {-1, -1}, fresh[2] = {-1, -1};
    {
        ASSERT_TRUE(DecryptData());
        BattleRunner runner;
        std::string error;
        ASSERT_TRUE(runner.Load(d.Folder() + "/Szenarien/panzer.mvg", &error)) << error;
        // The German squads told to hide (order 36), then the turn computed.
        UnitList* units = runner.GetBattle()->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (u->mActive && u->GetAffiliation() == kAxis && u->mUnitType == kUnitInfantry && !u->mHiding)
                u->ReceiveMoveOrders(0.0f, 0.0f, kOrderHide, nullptr, false, false, false, true);
        }
        RunnerTurn t;
        ASSERT_TRUE(runner.RunTurn(&t, &error)) << error;
        // One tank of each side marked as a blocked one's turn leaves it.
        bool marked[2] = {false, false};
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            auto* v = dynamic_cast<Vehicle*>(units->GetUnit(i));
            const Affiliation s = v ? v->GetAffiliation() : kAxis;
            if (v && v->mActive && !marked[s] && v->mBailOutCountdown < 0 && v->mArtilleryDelay >= 0.0f)
                v->mManeuverTried = marked[s] = true;
        }
        ASSERT_TRUE(marked[0] && marked[1]);
        // Of the hiding squads of each side with nothing else to show, the
        // first is written as hidden since the turn began, the second as
        // hidden in the turn: the panel must tell them apart by the file.
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (!u->mActive || u->mUnitType != kUnitInfantry || !u->IsHiding(false) || u->mQueuedDelay != 0 ||
                u->mCommandDelay >= 0.5f || u->mArtilleryDelay < 0.0f)
                continue;
            const Affiliation s = u->GetAffiliation();
            if (fromStart[s] < 0) {
                u->mHidingAtStart = true;
                fromStart[s] = i;
            } else if (fresh[s] < 0) {
                u->mHidingAtStart = false;
                fresh[s] = i;
            }
        }
        ASSERT_TRUE(runner.Save(saved, &error)) << error;
    }

    d.Click(10, 10); // the title
    ASSERT_TRUE(d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 30000, "the title giving way"));
    auto* file = new GFile;
    ASSERT_TRUE(file->IFile(saved.c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    ASSERT_TRUE(gBattle);
    for (int i = 0; i < 8 && !BattleScreenShown(); ++i) {
        d.Run(100);
        if (const int32_t c = ShownCommand({85, 86, 89, 109, 114, 111})) d.ClickCommand(c);
    }
    ASSERT_TRUE(d.RunUntil(BattleScreenShown, 20000, "the saved game's battle screen"));
    ASSERT_NE(app->InteractionState(), kStatePlayback);
    const Affiliation side = gBattle->mMap->ViewingSide();
    Unit* tank = FindUnit(side, [](Unit* u) {
        auto* v = dynamic_cast<Vehicle*>(u);
        return v && v->mManeuverTried;
    });
    ASSERT_NE(tank, nullptr) << "no tank of the viewer's side kept its manoeuvre through the file";
    ASSERT_TRUE(fromStart[side] >= 0 && fresh[side] >= 0) << "the viewer's side has not two hiding squads";
    Unit* hider = gBattle->mUnits->GetUnit(fromStart[side]);
    Unit* newHider = gBattle->mUnits->GetUnit(fresh[side]);
    ASSERT_TRUE(hider->IsHiding(false) && newHider->IsHiding(false));
    gBattle->SetSelectedUnit(tank);
    EXPECT_TRUE(DrawsPicture(RecordFrame(), 1090)) << "the tank's manoeuvre is not shown after the load";
    gBattle->SetSelectedUnit(hider);
    ScreenDrawLog log = RecordFrame();
    EXPECT_TRUE(DrawsPicture(log, 1050)) << "hiding since the turn began is not shown after the load";
    EXPECT_FALSE(DrawsPicture(log, 1052));
    gBattle->SetSelectedUnit(newHider);
    log = RecordFrame();
    EXPECT_TRUE(DrawsPicture(log, 1052)) << "hiding ordered in the turn is not shown after the load";
    EXPECT_FALSE(DrawsPicture(log, 1050)) << "hiding ordered in the turn shows as hiding since it began";
}

// Order 36 given to a mixed multi-selection (one squad hiding, one not)
// leaves both in the state the selected one's order reaches.
TEST(ScreenValues, HideOrderBringsAMixedSelectionToOneState) {
    PlayDriver d("screen-values-hide", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAxis, nullptr));
    Map* map = gBattle->mMap;
    Unit* a = FindUnit(kAxis, [](Unit* u) { return u->mUnitType == kUnitInfantry && u->mNrWaypoints == 0; });
    ASSERT_NE(a, nullptr);
    Unit* b = FindUnit(kAxis, [&](Unit* u) {
        return u != a && u->mUnitType == kUnitInfantry && u->mNrWaypoints == 0 && u->mHiding == a->mHiding;
    });
    ASSERT_NE(b, nullptr);
    Unit* c = FindUnit(kAxis, [&](Unit* u) {
        return u != a && u != b && u->mUnitType == kUnitInfantry && u->mNrWaypoints == 0 &&
               u->mHiding == a->mHiding;
    });
    ASSERT_NE(c, nullptr);
    const bool start = a->mHiding;
    gBattle->SetSelectedUnit(a);
    map->HandleMenuKey('H'); // the orders menu's hide button, by its key
    ASSERT_NE(a->mHiding, start);
    ASSERT_EQ(b->mHiding, start);

    // Selected, b toggles to the state a is in already; c, in b's state,
    // must follow b, and a must keep its state.
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i)
        gBattle->mUnits->GetUnit(i)->mSelectionMark = 0;
    for (Unit* u : {a, b, c})
        u->mSelectionMark = 2;
    gBattle->SetSelectedUnit(b);
    gBattle->mMultiSelection = true;
    map->HandleMenuKey('H');
    EXPECT_EQ(b->mHiding, !start);
    EXPECT_EQ(a->mHiding, !start) << "the squad already in the state flipped its own";
    EXPECT_EQ(c->mHiding, !start) << "the squad that was not selected kept its state";
}

// Order 36 to a multi-selection of squads under way reads each one's state
// from its last waypoint: one whose last waypoint hides and one whose does
// not both end as the selected one's toggle leaves it.
TEST(ScreenValues, HideOrderReadsEachMovingSquadsLastWaypoint) {
    PlayDriver d("screen-values-hide-moves", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "hecken", kAllies, nullptr));
    ASSERT_TRUE(GoAndWait(d, "the end of set-up"));
    Map* map = gBattle->mMap;
    auto mover = [](Unit* u) { return u->mUnitType == kUnitInfantry && u->CanDoOrder(20); };
    Unit* a = FindUnit(kAllies, mover);
    ASSERT_NE(a, nullptr);
    Unit* b = FindUnit(kAllies, [&](Unit* u) { return u != a && mover(u); });
    ASSERT_NE(b, nullptr);
    Unit* c = FindUnit(kAllies, [&](Unit* u) { return u != a && u != b && mover(u); });
    ASSERT_NE(c, nullptr);
    // Two legs north each, as the releases of two move drags give them.
    for (Unit* u : {a, b, c}) {
        gBattle->SetSelectedUnit(u);
        for (const float leg : {30.0f, 60.0f}) {
            map->mCurrentOrder = 20;
            map->mTrackedUnit = nullptr;
            map->mPickX = u->mX;
            map->mPickY = u->mY + leg;
            map->AssignMoveOrders(true);
        }
        ASSERT_EQ(u->mNrWaypoints, 2);
    }
    gBattle->SetSelectedUnit(a);
    map->HandleMenuKey('H');
    ASSERT_EQ(a->mWaypoints[1].mHide, 1);
    ASSERT_EQ(a->mWaypoints[0].mHide, 0);
    ASSERT_EQ(b->mWaypoints[1].mHide, 0);

    // Selected, b's toggle hides at its last waypoint; a hides there
    // already and keeps it, c follows b.
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i)
        gBattle->mUnits->GetUnit(i)->mSelectionMark = 0;
    for (Unit* u : {a, b, c})
        u->mSelectionMark = 2;
    gBattle->SetSelectedUnit(b);
    gBattle->mMultiSelection = true;
    map->HandleMenuKey('H');
    EXPECT_EQ(b->mWaypoints[1].mHide, 1);
    EXPECT_EQ(a->mWaypoints[1].mHide, 1) << "the squad whose last waypoint hid flipped its own";
    EXPECT_EQ(c->mWaypoints[1].mHide, 1) << "the squad that was not selected kept its last waypoint";
}

// The observer's fire mission on the panel: its countdown, and "PLAN"
// while no round of it is under way.
TEST(ScreenValues, TheObserversMissionCountsDownAsAPlan) {
    PlayDriver d("screen-values-observer", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kAllies, nullptr));
    Map* map = gBattle->mMap;
    Unit* fo = FindUnit(kAllies, [](Unit* u) { return u->IsForwardObserver(); });
    ASSERT_NE(fo, nullptr) << "bruecke's Americans have no observer";
    gBattle->SetSelectedUnit(fo);
    map->mTrackedUnit = nullptr;
    map->mPickX = fo->mX + 600.0f;
    map->mPickY = 500.0f;
    map->AssignTargetOrders(); // the release of the target drag
    ASSERT_TRUE(fo->mAreaTarget);
    ASSERT_FALSE(fo->mMissionLive);
    const ScreenDrawLog log = RecordFrame();
    EXPECT_TRUE(FindTextHolding(log, RezText(1170)) || FindTextHolding(log, RezText(1173)))
        << "no countdown of the fire mission";
    EXPECT_NE(FindTextHolding(log, RezText(1174)), nullptr) << "the planned mission does not read PLAN";
}

// In the replay of a computed turn, a moving unit's packets set the speed
// and turn rate the camera's ride and the panel's current order read: the
// selected moving unit shows its order.
TEST(ScreenValues, ReplayMotionShowsTheMovingUnitsOrder) {
    PlayDriver d("screen-values-replay", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "hecken", kAllies, nullptr));
    MVApplication* app = d.App();
    ASSERT_TRUE(GoAndWait(d, "the end of set-up"));
    ASSERT_FALSE(gBattle->mSetupPhase);
    // A squad sent 60 m north, as the release of a move drag sends it.
    Unit* squad =
        FindUnit(kAllies, [](Unit* u) { return u->mUnitType == kUnitInfantry && u->CanDoOrder(20); });
    ASSERT_NE(squad, nullptr);
    Map* map = gBattle->mMap;
    gBattle->SetSelectedUnit(squad);
    map->mCurrentOrder = 20;
    map->mTrackedUnit = nullptr;
    map->mPickX = squad->mX;
    map->mPickY = squad->mY + 60.0f;
    map->AssignMoveOrders(true);
    ASSERT_GT(squad->mNrWaypoints, 0);
    // Before the turn the squad only has orders: no current order shows.
    EXPECT_EQ(FindText(RecordFrame(), RezText(1312)), nullptr) << "a standing squad shows a current order";
    ASSERT_TRUE(GoAndWait(d, "the first turn"));
    Unit* moving = nullptr;
    ASSERT_TRUE(d.RunUntil(
        [&] {
            moving = app->InteractionState() == kStatePlayback
                         ? FindUnit(kAllies,
                                    [](Unit* u) { return u->InPlaybackMotion() && u->CanMovePhysically(); })
                         : nullptr;
            return moving != nullptr;
        },
        60000, "an American unit moving in the replay"));
    gBattle->SetSelectedUnit(moving);
    const int32_t id = gMovementSpeedChart[moving->mReplayedOrder].mOrderTextId;
    ASSERT_NE(id, 0);
    const std::string text = RezText(id == -1 ? (moving->mUnitType == kUnitVehicle ? 1317 : 1312) : id);
    EXPECT_NE(FindText(RecordFrame(), text), nullptr) << "the panel does not show " << text;
}

namespace {

// The eye's place on a map of a kilometre is good to about 1e-4 m.
constexpr float kEyePrecision = 2e-4f;

// The largest offset of the eye that the ride shake gives over many frames
// of the camera locked on u at the lowest level: each frame with the ride
// shake preference against the same frame with the plain one (nothing
// pending).
float RideShake(MVApplication* app, Map* map, Unit* u) {
    const int8_t kept = app->mPrefs[kPrefCameraShake];
    map->mLockedUnit = u;
    map->mCameraLevel[map->ViewingSide()] = 0;
    map->mLevelTransition = 0.0f;
    float most = 0.0f;
    for (int32_t frame = 0; frame < 400; ++frame) {
        app->mPrefs[kPrefCameraShake] = 1;
        map->mShake = 0.0f;
        map->PositionCamera();
        const float x = map->mEyeX, y = map->mEyeY;
        app->mPrefs[kPrefCameraShake] = 2;
        map->mShake = 0.0f;
        map->PositionCamera();
        most = std::max({most, std::fabs(map->mEyeX - x), std::fabs(map->mEyeY - y)});
    }
    app->mPrefs[kPrefCameraShake] = kept;
    return most;
}

} // namespace

// With the extra camera shake, a replay's locked squad shakes the camera by
// 0.28 of its speed and 0.006 of its turn rate, at most 0.018 m: one
// running straight as much as its speed gives, one turning in place only a
// little.
TEST(ScreenValues, TheRideShakeFollowsTheLockedSquadsSpeedAndTurn) {
    PlayDriver d("screen-values-ride", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(OpenDemoBattle(d, "hecken", kAllies, nullptr));
    MVApplication* app = d.App();
    ASSERT_TRUE(GoAndWait(d, "the end of set-up"));
    Map* map = gBattle->mMap;
    auto mover = [](Unit* u) { return u->mUnitType == kUnitInfantry && u->CanDoOrder(20); };
    Unit* runner = FindUnit(kAllies, mover);
    ASSERT_NE(runner, nullptr);
    Unit* turner = FindUnit(kAllies, [&](Unit* u) { return u != runner && mover(u) && u->CanDoOrder(37); });
    ASSERT_NE(turner, nullptr);
    // One squad sent 80 m north, the other turned to face south.
    const std::pair<Unit*, int32_t> orders[] = {{runner, 20}, {turner, 37}};
    for (const auto& [u, order] : orders) {
        gBattle->SetSelectedUnit(u);
        map->mCurrentOrder = order;
        map->mTrackedUnit = nullptr;
        map->mPickX = u->mX;
        map->mPickY = u->mY + (order == 20 ? 80.0f : -80.0f);
        map->AssignMoveOrders(true);
        ASSERT_GT(u->mNrWaypoints, 0) << "order " << order;
    }
    ASSERT_TRUE(GoAndWait(d, "the first turn"));
    // Each measured in the first frame of the replay that shows its motion.
    auto still = [](Unit* u) { return !(u->mZ > 0.0f && u->mZ < 1.0f); };
    float running = -1.0f, turning = -1.0f, speed = 0.0f, turn = 0.0f;
    ASSERT_TRUE(d.RunUntil(
        [&] {
            if (app->InteractionState() != kStatePlayback) return false;
            if (running < 0.0f && runner->mPlaybackSpeed != 0.0f && runner->mTurnRate == 0.0f &&
                still(runner)) {
                speed = std::fabs(runner->mPlaybackSpeed);
                running = RideShake(app, map, runner);
            }
            if (turning < 0.0f && turner->mPlaybackSpeed == 0.0f && turner->mTurnRate != 0.0f &&
                still(turner)) {
                turn = std::fabs(turner->mTurnRate);
                turning = RideShake(app, map, turner);
            }
            map->mLockedUnit = nullptr;
            return running >= 0.0f && turning >= 0.0f;
        },
        60000, "a squad running straight and one turning in place in the replay"));
    const float fast = std::min(speed * 0.28f, 0.018f), slow = std::min(turn * 0.006f, 0.018f);
    EXPECT_NEAR(running, fast, 0.1f * fast + kEyePrecision) << "speed " << speed;
    EXPECT_NEAR(turning, slow, 0.1f * slow + kEyePrecision) << "turn rate " << turn;
}

// The operation's first battle, cut from its file as the list opens it, is
// played, not edited: the camera locks on the viewer's mascot at the start.
TEST(ScreenValues, ACutOperationBattleIsPlayedNotEdited) {
    PlayDriver d("screen-values-operation", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    d.Click(10, 10); // the title
    ASSERT_TRUE(d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 30000, "the title giving way"));
    auto* file = new GFile;
    ASSERT_TRUE(
        file->IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh").c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    ASSERT_TRUE(gCampaign && gBattle);
    ASSERT_TRUE(OpenBattleScreen(d, kAxis, nullptr));
    EXPECT_FALSE(gBattle->mEditorScenario);
    Unit* mascot = gBattle->FindMascot(kAxis);
    ASSERT_NE(mascot, nullptr);
    EXPECT_EQ(gBattle->mMap->mLockedUnit, mascot) << "the camera did not lock on the mascot at the start";
}
