// The selection on the battle's side: stepping through a side's units,
// orders for a multi-selection, and the key table, against a host that
// records what the screen would be asked to do.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "battle/UnitList.h"
#include "battle/turn_fixtures.h"
#include "units/Infantry.h"

namespace {

class KeyHost : public TestHost {
public:
    int32_t InteractionState() override { return mState; }
    void SetState(int32_t state) override { mState = state; }
    int32_t ConnectionKind() override { return mConnection; }
    void MoveCamera(int32_t direction, float step) override {
        Log("move " + std::to_string(direction) + " " + std::to_string(step));
    }
    void TurnCamera(float rate) override { Log("turn " + std::to_string(rate)); }
    void TurnCameraTo(float degrees) override { Log("turn to " + std::to_string(degrees)); }
    void JumpCameraToLevel(int32_t level) override { Log("level " + std::to_string(level)); }
    void CameraKeyPad(char key) override { Log(std::string("keypad ") + key); }
    void ToggleUnitInfo() override { Log("balloon"); }
    void ToggleCameraLock(Unit* unit) override {
        mLockedOn = unit;
        Log("lock");
    }
    void EnsurePointIsVisible(float x, float y) override {
        Log("show " + std::to_string(static_cast<int>(x)));
    }
    bool OrdersMenuOpen() override { return mMenuOpen; }
    void OpenOrdersMenu() override { Log("menu"); }
    void CloseOrdersMenu() override {
        mMenuOpen = false;
        Log("close menu");
    }
    void OrdersMenuKey(char key) override { Log(std::string("menu key ") + key); }
    void RespondToOrder(int32_t order) override {
        mOrdered.push_back(gBattle->mSelectedUnit);
        Log("order " + std::to_string(order));
    }
    void ApplicationCommand(int32_t command) override { Log("command " + std::to_string(command)); }
    bool TurnClockPausable() override { return mPausable; }
    void PauseTurnClock() override { Log("pause"); }
    void UnitGoes(Unit* unit) override { mGone.push_back(unit); }

    void Log(const std::string& s) { mLog.push_back(s); }
    std::string Last() const { return mLog.empty() ? "" : mLog.back(); }

    int32_t mState = 0;
    int32_t mConnection = 0;
    bool mMenuOpen = false;
    bool mPausable = false;
    Unit* mLockedOn = nullptr;
    std::vector<Unit*> mOrdered;
    std::vector<Unit*> mGone;
    std::vector<std::string> mLog;
};

// A unit that records the orders it receives instead of planning them.
class OrderUnit : public ScriptUnit {
public:
    explicit OrderUnit(UnitType kind) : ScriptUnit(kind) {}
    void CancelMovementOrders() override {
        ++mCancelled;
        mNrWaypoints = 0;
    }
    void ReceiveMoveOrders(float x, float y, int32_t order, Vehicle*, bool, bool, bool, bool) override {
        mMoveX = x;
        mMoveY = y;
        mMoveOrder = order;
    }
    void ReceiveTargetOrders(Unit* target, float x, float y, bool lock, int32_t) override {
        mTargetGiven = target;
        mAimX = x;
        mAimY = y;
        mLock = lock;
        ++mTargetOrders;
    }
    int32_t mCancelled = 0;
    float mMoveX = -1.0f, mMoveY = -1.0f;
    int32_t mMoveOrder = 0;
    Unit* mTargetGiven = nullptr;
    float mAimX = 0.0f, mAimY = 0.0f;
    bool mLock = false;
    int32_t mTargetOrders = 0;
};

struct SelectionBattle : TurnBattle {
    SelectionBattle() { battle.mHost = &keys; }
    OrderUnit* Unit(UnitType kind, Affiliation side, float x, float y) {
        auto* u = new OrderUnit(kind);
        u->mSide = side == kAxis ? 1 : 0;
        u->mX = x;
        u->mY = y;
        u->mActive = true;
        battle.mUnits->Add(u);
        return u;
    }
    KeyHost keys;
};

} // namespace

TEST(TurnSelection, SteppingTakesTheViewingSidesUnitsInListOrder) {
    SelectionBattle t;
    auto* enemy = t.Unit(kUnitInfantry, kAllies, 10, 10);
    auto* first = t.Unit(kUnitInfantry, kAxis, 20, 10);
    auto* mine = t.Unit(kUnitInanimate, kAxis, 25, 10); // no step outside set-up
    auto* plane = t.Unit(kUnitAirplane, kAxis, 26, 10);
    auto* gone = t.Unit(kUnitVehicle, kAxis, 27, 10);
    gone->mOffMapState = 1;
    auto* last = t.Unit(kUnitVehicle, kAxis, 30, 10);
    (void)enemy, (void)mine, (void)plane;

    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, first);
    EXPECT_EQ(t.keys.Last(), "show 20");
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, last);
    t.battle.GoToNextUnit(true); // wraps past the end
    EXPECT_EQ(t.battle.mSelectedUnit, first);
    t.battle.GoToNextUnit(false);
    EXPECT_EQ(t.battle.mSelectedUnit, last);

    t.battle.SetSelectedUnit(nullptr);
    t.battle.GoToNextUnit(false);
    EXPECT_EQ(t.battle.mSelectedUnit, last);

    // An Axis prisoner steps with the other side.
    first->mSurrendered = true;
    t.battle.SetSelectedUnit(nullptr);
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, last);
}

TEST(TurnSelection, SteppingStopsAtMenusAndEnemiesAndCarriesTheLock) {
    SelectionBattle t;
    auto* enemy = t.Unit(kUnitInfantry, kAllies, 10, 10);
    auto* a = t.Unit(kUnitInfantry, kAxis, 20, 10);
    auto* b = t.Unit(kUnitInfantry, kAxis, 30, 10);
    auto* dead = t.Unit(kUnitInfantry, kAxis, 40, 10);
    dead->mActive = false; // drawn when dead, so still stepped to

    t.battle.SetSelectedUnit(enemy);
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, enemy);

    t.battle.SetSelectedUnit(a);
    t.keys.mMenuOpen = true;
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, a);
    t.keys.mMenuOpen = false;

    t.battle.mMap->mLockedUnit = a;
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, b);
    EXPECT_EQ(t.keys.mLockedOn, b);
    t.battle.mMap->mLockedUnit = nullptr;
    t.battle.GoToNextUnit(true);
    EXPECT_EQ(t.battle.mSelectedUnit, dead);
}

TEST(TurnSelection, ImmediateMultiOrdersGoToEachSelectedUnit) {
    SelectionBattle t;
    auto* a = t.Unit(kUnitInfantry, kAxis, 20, 10);
    auto* other = t.Unit(kUnitInfantry, kAxis, 25, 10);
    auto* b = t.Unit(kUnitVehicle, kAxis, 30, 10);
    a->mSelectionMark = b->mSelectionMark = 2;
    a->mNrWaypoints = b->mNrWaypoints = 1; // halt is for units with moves to drop
    t.battle.mMultiSelection = true;
    t.battle.SetSelectedUnit(a);
    t.battle.RespondToMultiOrder(34);
    ASSERT_EQ(t.keys.mOrdered.size(), 2u);
    EXPECT_EQ(t.keys.mOrdered[0], a);
    EXPECT_EQ(t.keys.mOrdered[1], b);
    EXPECT_FALSE(t.battle.mMultiOrderPending);
    EXPECT_TRUE(t.battle.mMultiSelection);
    (void)other;

    // Orders outside the table do nothing; without a selection nothing at all.
    t.keys.mOrdered.clear();
    t.battle.RespondToMultiOrder(28);
    t.battle.SetSelectedUnit(nullptr);
    t.battle.RespondToMultiOrder(34);
    EXPECT_TRUE(t.keys.mOrdered.empty());
}

TEST(TurnSelection, MultiMovesFollowTheLeadersPointByTheirOffsets) {
    SelectionBattle t; // the map is 200 m square
    auto* leader = t.Unit(kUnitInfantry, kAxis, 50, 50);
    auto* squad = t.Unit(kUnitInfantry, kAxis, 60, 40);
    auto* tank = t.Unit(kUnitVehicle, kAxis, 40, 60);
    auto* edge = t.Unit(kUnitInfantry, kAxis, 10, 50);
    auto* unmarked = t.Unit(kUnitInfantry, kAxis, 70, 70);
    for (OrderUnit* u : {leader, squad, tank, edge})
        u->mSelectionMark = 2;
    t.battle.mMultiSelection = true;
    t.battle.SetSelectedUnit(leader);
    leader->mNrWaypoints = 2;
    leader->mWaypoints[0].mKind = leader->mWaypoints[1].mKind = 3; // planned this turn

    t.battle.RespondToMultiOrder(20);
    EXPECT_EQ(leader->mCancelled, 1);
    EXPECT_TRUE(t.battle.mMultiOrderPending);
    EXPECT_EQ(t.keys.Last(), "order 20");
    EXPECT_EQ(t.keys.mOrdered.back(), leader);

    // The player gives the leader a point 30 m west, 20 m north.
    leader->mNrWaypoints = 1;
    leader->mWaypoints[0].mX = 20;
    leader->mWaypoints[0].mY = 70;
    t.battle.IssueMultiCommand();
    EXPECT_FALSE(t.battle.mMultiOrderPending);
    EXPECT_FLOAT_EQ(squad->mMoveX, 30);
    EXPECT_FLOAT_EQ(squad->mMoveY, 60);
    EXPECT_EQ(squad->mMoveOrder, 20);
    // A vehicle following infantry takes the road move.
    EXPECT_EQ(tank->mMoveOrder, 26);
    EXPECT_FLOAT_EQ(tank->mMoveX, 10);
    // Its point falls off the map while the leader's does not: no order.
    EXPECT_EQ(edge->mMoveOrder, 0);
    EXPECT_EQ(edge->mCancelled, 1);
    EXPECT_EQ(unmarked->mMoveOrder, 0);
    EXPECT_EQ(leader->mMoveOrder, 0);
}

TEST(TurnSelection, MultiTargetsTakeTheLeadersTargetAndAimPoint) {
    SelectionBattle t;
    auto* leader = t.Unit(kUnitInfantry, kAxis, 50, 50);
    auto* squad = t.Unit(kUnitInfantry, kAxis, 60, 40);
    auto* enemy = t.Unit(kUnitVehicle, kAllies, 150, 150);
    leader->mSelectionMark = squad->mSelectionMark = 2;
    t.battle.mMultiSelection = true;
    t.battle.SetSelectedUnit(leader);

    t.battle.RespondToMultiOrder(44);
    EXPECT_EQ(leader->mCancelled, 0); // not a movement order
    EXPECT_FLOAT_EQ(t.battle.mMultiAnchorX, 50);
    leader->mTarget = enemy;
    leader->mAreaTargetX = 140;
    leader->mAreaTargetY = 145;
    t.battle.IssueMultiCommand();
    EXPECT_EQ(squad->mTargetOrders, 1);
    EXPECT_EQ(squad->mTargetGiven, enemy);
    EXPECT_FLOAT_EQ(squad->mAimX, 140);
    EXPECT_TRUE(squad->mLock); // area fire
    EXPECT_EQ(leader->mTargetOrders, 0);

    // Without a leader the pending order is only dropped.
    t.battle.RespondToMultiOrder(38);
    t.battle.SetSelectedUnit(nullptr);
    t.battle.IssueMultiCommand();
    EXPECT_FALSE(t.battle.mMultiOrderPending);
    EXPECT_EQ(squad->mTargetOrders, 1);
}

TEST(TurnSelection, CameraKeysComeFirstAndTheKeypadDiffers) {
    SelectionBattle t;
    t.battle.DoKey(3, false, false);
    EXPECT_EQ(t.keys.Last(), "move 3 0.400000");
    t.battle.DoKey(1, false, false);
    EXPECT_EQ(t.keys.Last(), "move 1 0.150000");
    t.battle.DoKey('>', false, false);
    EXPECT_EQ(t.keys.Last(), "turn -0.240000");
    t.battle.DoKey(',', false, false);
    EXPECT_EQ(t.keys.Last(), "turn 0.240000");
    t.battle.DoKey('/', false, false);
    EXPECT_EQ(t.keys.Last(), "turn to 180.000000");
    t.battle.DoKey(13, false, false);
    EXPECT_EQ(t.keys.Last(), "balloon");
    t.battle.DoKey('5', false, false);
    EXPECT_EQ(t.keys.Last(), "level 4");
    t.battle.DoKey('5', false, true);
    EXPECT_EQ(t.keys.Last(), "keypad 5");
    t.battle.DoKey('+', false, true);
    EXPECT_EQ(t.keys.Last(), "keypad +");
    // The main keyboard's "+" steps to the next unit.
    auto* u = t.Unit(kUnitInfantry, kAxis, 20, 10);
    t.battle.DoKey('+', false, false);
    EXPECT_EQ(t.battle.mSelectedUnit, u);
    // Without a map no key acts.
    t.keys.mLog.clear();
    Map* map = t.battle.mMap;
    t.battle.mMap = nullptr;
    t.battle.DoKey(3, false, false);
    t.battle.mMap = map;
    EXPECT_TRUE(t.keys.mLog.empty());
}

TEST(TurnSelection, SpaceBackspaceAndLettersFollowTheState) {
    SelectionBattle t;
    auto* u = t.Unit(kUnitInfantry, kAxis, 20, 10);
    t.battle.DoKey(' ', false, false); // nothing selected
    EXPECT_TRUE(t.keys.mLog.empty());
    t.battle.SetSelectedUnit(u);
    t.battle.DoKey(' ', false, false);
    EXPECT_EQ(t.keys.Last(), "menu");

    // Space drops an order being given, covered arc included.
    t.keys.mState = 5;
    u->mCoveredArc = true;
    t.battle.mMultiOrderPending = true;
    t.battle.DoKey(' ', false, false);
    EXPECT_EQ(t.keys.mState, 0);
    EXPECT_FALSE(u->mCoveredArc);
    EXPECT_FALSE(t.battle.mMultiOrderPending);

    t.battle.DoKey('t', false, false);
    EXPECT_EQ(t.keys.Last(), "menu key t");
    t.keys.mState = 8; // no orders menu in playback
    t.keys.mLog.clear();
    t.battle.DoKey('t', false, false);
    EXPECT_TRUE(t.keys.mLog.empty());

    // Backspace in state 0 with a multi-selection cancels every member's moves.
    t.keys.mState = 0;
    auto* v = t.Unit(kUnitInfantry, kAxis, 30, 10);
    u->mSelectionMark = v->mSelectionMark = 2;
    t.battle.mMultiSelection = true;
    t.battle.mSelectedIndex = 2;
    t.keys.mMenuOpen = true;
    t.battle.DoKey(8, false, false);
    EXPECT_FALSE(t.keys.mMenuOpen);
    EXPECT_EQ(t.battle.mSelectedIndex, -1);
    EXPECT_EQ(u->mCancelled, 1);
    EXPECT_EQ(v->mCancelled, 1);

    t.battle.DoKey(9, false, false);
    EXPECT_EQ(t.keys.mLockedOn, u);
}

TEST(TurnSelection, ControlKeysReachTheApplication) {
    SelectionBattle t;
    t.battle.DoKey('s', true, false);
    EXPECT_EQ(t.keys.Last(), "command 90");
    t.battle.DoKey('U', true, false);
    EXPECT_EQ(t.keys.Last(), "command 103");
    t.battle.DoKey('b', true, false);
    EXPECT_EQ(t.keys.Last(), "command 95");
    t.battle.DoKey('c', true, false);
    EXPECT_EQ(t.keys.Last(), "command 106");
    // Not while an order is being given.
    t.keys.mLog.clear();
    t.keys.mState = 2;
    t.battle.DoKey('s', true, false);
    EXPECT_TRUE(t.keys.mLog.empty());
    // The pause key needs a TCP/IP game with a running clock and a screen.
    t.keys.mState = 0;
    t.keys.mConnection = 2;
    t.keys.mPausable = true;
    t.battle.DoKey('p', true, false);
    EXPECT_TRUE(t.keys.mLog.empty());
}

TEST(TurnSelection, ARejoinedHalfLeavesNoLockOrScreenReferenceBehind) {
    SelectionBattle t;
    auto half = [&](float x) {
        auto* u = new Infantry;
        u->mSide = 1;
        u->mX = x;
        u->mY = 50;
        u->mActive = true;
        t.battle.mUnits->Add(u);
        return u;
    };
    Infantry* a = half(50);
    Infantry* b = half(55);
    a->mSibling = b;
    b->mSibling = a;
    a->mSiblingMayRejoin = true;
    t.battle.mMap->mLockedUnit = b;
    t.battle.JoinUnits();
    EXPECT_EQ(t.battle.mMap->mLockedUnit, nullptr);
    ASSERT_EQ(t.keys.mGone.size(), 1u);
    EXPECT_EQ(t.keys.mGone[0], b);
}
