// The battle screen headless: map sounds, order menus, and the map view's
// selection and placing rules with injected clicks and picks.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "app/MapSound.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app_fixture.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "draw/DrawSettings.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

class ScreenUnit : public Unit {
public:
    void ConcatName(GString* text, bool full) override {}
    bool CanReceiveOrders() override { return true; }
    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override {}
    void DrawCode(bool needsClip, float scale, float factor) override {}
};

ScreenUnit* AddUnit(Battle* battle, UnitType kind, char side, float x, float y) {
    auto* u = new ScreenUnit;
    u->mUnitType = kind;
    u->mSide = side;
    u->mX = x;
    u->mY = y;
    u->mActive = true;
    battle->mUnits->Add(u);
    return u;
}

// A map view whose pick reports a chosen unit and ground point, as the
// scene's pick passes would.
class InjectedPickView : public MapView {
public:
    void Pick(int32_t x, int32_t y, bool units, bool withOverlays) override {
        ++mPicks;
        if (units) mMap->DesireUnitPick(true);
        mMap->SetPickedUnit(mUnderPointer);
    }
    Unit* mUnderPointer = nullptr;
    int mPicks = 0;
};

// Records the commands that reach it from menus inside it.
class CommandSink : public GView {
public:
    void DoCommand(int32_t command) override { mCommands.push_back(command); }
    std::vector<int32_t> mCommands;
};

class ScriptedMenu : public PlayerMenu {
public:
    void HandleCommand(int32_t order) override {}
    int32_t TitleGraphicIndex() override { return 0; }
    void DoButtons(bool create) override {
        for (const auto& b : mScript)
            CreateButton(b.first, 0, b.second, create);
    }
    std::vector<std::pair<int32_t, char>> mScript;
};

class BattleScreenTest : public testing::Test {
protected:
    void SetUp() override {
        mOld = gBattle;
        mBattle = MakeTestBattle("Karte");
        gBattle = mBattle.get();
        mBattle->mSetupPhase = false;
        mMap = mBattle->mMap;
        mView = new InjectedPickView;
        mView->IView(&mRoot, 0, 0, 800, 510);
        mView->mMap = mMap;
        mMap->mView = mView;
        SetMapViewState(kStateNone);
    }
    void TearDown() override {
        mMap->CloseOpenMenu();
        mMap->mView = nullptr;
        gBattle = mOld;
        mBattle.reset();
        SetMapViewState(kStateNone);
    }
    CommandSink mRoot;
    Battle* mOld = nullptr;
    std::unique_ptr<Battle> mBattle;
    Map* mMap = nullptr;
    InjectedPickView* mView = nullptr;
};

ActionPacket& SoundPacket(int16_t soundClass, bool loop, Unit* source, float x, float y, float shake) {
    ActionPacket& p = *gBattle->CreateActionPacket(0);
    p.mType = kPacketSound;
    p.mSoundNumber = 300;
    p.mPriority = soundClass;
    p.mSource = source;
    p.mSoundFlags = loop ? 0x04 : 0x03;
    for (auto& point : p.mPoint) {
        point[0] = x;
        point[1] = y;
        point[2] = 0.0f;
    }
    p.mSoundParam = shake;
    return p;
}

} // namespace

TEST(MapSoundTables, DistancePriorityAndLimit) {
    EXPECT_EQ(SoundClassDistance(0), 150.0f);
    EXPECT_EQ(SoundClassDistance(14), 600.0f);
    EXPECT_EQ(SoundClassDistance(22), 1000.0f);
    EXPECT_EQ(SoundClassDistance(13), 200.0f);
    EXPECT_EQ(SoundClassDistance(-7), 200.0f);
    EXPECT_EQ(ConvertToActivePriority(13), 12);
    EXPECT_EQ(ConvertToActivePriority(18), 15);
    EXPECT_EQ(ConvertToActivePriority(5), 5);
    EXPECT_EQ(MyInstanceLimit(ConvertToActivePriority(13)), 2);
    EXPECT_EQ(MyInstanceLimit(3), 0);
    EXPECT_EQ(MyInstanceLimit(27), 2);
    EXPECT_EQ(MyInstanceLimit(4), 1);
}

TEST(MapSoundTables, ShakeFallsWithDistanceAndHasAFloor) {
    EXPECT_FLOAT_EQ(ShakeAtDistance(0.5f, 20.0f), 0.5f);
    EXPECT_NEAR(ShakeAtDistance(0.5f, 60.0f), 0.5f * std::pow(0.5f, 1.2f), 1e-5f);
    EXPECT_FLOAT_EQ(ShakeAtDistance(0.05f, 10.0f), 0.05f); // exactly the floor counts
    EXPECT_EQ(ShakeAtDistance(0.049f, 10.0f), 0.0f);
    EXPECT_EQ(ShakeAtDistance(NAN, 10.0f), 0.0f);
}

TEST_F(BattleScreenTest, OneShotShakesTheCameraButNeverLowersALargerShake) {
    mMap->mCameraX[0] = 50.0f;
    mMap->mCameraY[0] = 50.0f;
    const float ground = mMap->GetZCoord(50.0f, 50.0f);
    mMap->mCameraZ = ground;
    ActionPacket& near = SoundPacket(0, false, nullptr, 60.0f, 50.0f, 0.5f);
    near.mPoint[0][2] = ground;
    mMap->mShake = 0.0f;
    mMap->PlaySoundEffect(&near);
    EXPECT_FLOAT_EQ(mMap->mShake, 0.5f);
    ActionPacket& weak = SoundPacket(0, false, nullptr, 60.0f, 50.0f, 0.2f);
    weak.mPoint[0][2] = ground;
    mMap->PlaySoundEffect(&weak);
    EXPECT_FLOAT_EQ(mMap->mShake, 0.5f);
    EXPECT_EQ(mMap->mSounds->GetCount(), 2);

    CurrentDrawSettings().mCameraShake = 0;
    mMap->mShake = 0.0f;
    mMap->PlaySoundEffect(&near);
    CurrentDrawSettings().mCameraShake = 1;
    EXPECT_EQ(mMap->mShake, 0.0f);
}

// The distance is measured from the focus at the eye's height of the last
// frame: a blast under the focus with the eye 100 m up shakes by
// 0.5 x 0.3^1.2, within 30 m of the eye fully; an eye height that is not a
// number shakes nothing.
TEST_F(BattleScreenTest, TheShakeIsMeasuredFromTheEyesHeight) {
    mMap->mCameraX[0] = 50.0f;
    mMap->mCameraY[0] = 50.0f;
    const float ground = mMap->GetZCoord(50.0f, 50.0f);
    ActionPacket& blast = SoundPacket(0, false, nullptr, 50.0f, 50.0f, 0.5f);
    blast.mPoint[0][2] = ground;
    for (const auto& [eye, shake] : {std::pair<float, float>{100.0f, 0.5f * std::pow(0.3f, 1.2f)},
                                     {30.0f, 0.5f},
                                     {NAN, 0.0f},
                                     {INFINITY, 0.0f}}) {
        mMap->mCameraZ = ground + eye;
        mMap->mShake = 0.0f;
        mMap->PlaySoundEffect(&blast);
        EXPECT_NEAR(mMap->mShake, shake, 1e-5f) << eye;
    }
    EXPECT_NEAR(0.5f * std::pow(0.3f, 1.2f), 0.1179f, 5e-5f);
}

TEST_F(BattleScreenTest, AVehicleKeepsOneEngineLoopWhileInfantryLoopsAddUp) {
    Unit* tank = AddUnit(mBattle.get(), kUnitVehicle, 1, 40.0f, 40.0f);
    Unit* squad = AddUnit(mBattle.get(), kUnitInfantry, 1, 30.0f, 40.0f);
    ActionPacket& engine = SoundPacket(3, true, tank, 40.0f, 40.0f, 0.0f);
    mMap->PlaySoundEffect(&engine);
    mMap->PlaySoundEffect(&engine);
    EXPECT_EQ(mMap->mSoundLoops->GetCount(), 1);
    ActionPacket& march = SoundPacket(3, true, squad, 30.0f, 40.0f, 0.0f);
    mMap->PlaySoundEffect(&march);
    mMap->PlaySoundEffect(&march);
    EXPECT_EQ(mMap->mSoundLoops->GetCount(), 3);
    mMap->RemoveUnitEngineSound(tank);
    EXPECT_EQ(mMap->mSoundLoops->GetCount(), 2);
    mMap->RemoveUnitEngineSound(squad); // only vehicles lose their engines
    EXPECT_EQ(mMap->mSoundLoops->GetCount(), 2);
}

TEST_F(BattleScreenTest, BadSoundPacketsPlayNothingAndDoNotCrash) {
    mMap->PlaySoundEffect(nullptr);
    ActionPacket& lost = SoundPacket(99, false, nullptr, NAN, 1.0f, 1.0f);
    mMap->PlaySoundEffect(&lost);
    EXPECT_EQ(mMap->mSounds->GetCount(), 0);
    Unit* dead = AddUnit(mBattle.get(), kUnitVehicle, 1, 40.0f, 40.0f);
    dead->mActive = false;
    ActionPacket& fromDead = SoundPacket(-3, true, dead, 40.0f, 40.0f, 0.0f);
    mMap->PlaySoundEffect(&fromDead);
    ASSERT_EQ(mMap->mSoundLoops->GetCount(), 1);
    EXPECT_EQ(static_cast<MapSoundLoop*>(mMap->mSoundLoops->GetObjectA(0))->mUnit, nullptr);
}

TEST_F(BattleScreenTest, MenusClampIntoTheViewAndRefuseRepeats) {
    auto* menu = new ScriptedMenu;
    menu->mScript = {{20, 'M'}, {21, 'M'}, {20, 'E'}, {22, 0}, {23, 0}, {24, 'e'}};
    menu->IPlayerMenu(nullptr, 790, 500, mView);
    EXPECT_EQ(menu->mButtonCount, 4); // 21 loses its key, 20 is there already
    LongRect b;
    menu->GetBounds(&b);
    EXPECT_EQ(b.right, 800);
    EXPECT_EQ(b.bottom, 510);
    EXPECT_EQ(b.Height(), 20 * 4 + 27);
    delete menu;

    auto* left = new ScriptedMenu;
    left->mScript = {{20, 'M'}};
    left->IPlayerMenu(nullptr, -30, -5, mView);
    left->GetBounds(&b);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.top, 0);
    delete left;

    auto* big = new ScriptedMenu;
    for (int32_t i = 0; i < 130; ++i)
        big->mScript.push_back({1000 + i, 0});
    big->IPlayerMenu(nullptr, 100, 10, mView);
    EXPECT_EQ(big->mButtonCount, kMenuMaxButtons);
    delete big;
}

TEST_F(BattleScreenTest, HotKeysInEitherCasePressTheSameButton) {
    auto* menu = new ScriptedMenu;
    menu->mScript = {{20, 'M'}, {43, 'X'}};
    menu->IPlayerMenu(nullptr, 200, 100, &mRoot);
    EXPECT_TRUE(menu->HandleHotKey('x'));
    EXPECT_TRUE(menu->HandleHotKey('X'));
    EXPECT_FALSE(menu->HandleHotKey('q'));
    EXPECT_EQ(mRoot.mCommands, (std::vector<int32_t>{43, 43}));
    delete menu;
}

TEST_F(BattleScreenTest, AnUnknownMenuKeyBeepsAndClosesTheMenu) {
    Unit* u = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    mBattle->SetSelectedUnit(u);
    auto* menu = new ScriptedMenu;
    menu->mScript = {{20, 'M'}};
    mMap->mOpenMenu = menu;
    menu->IPlayerMenu(u, 100, 100, mView);
    mMap->HandleMenuKey('q');
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
}

TEST_F(BattleScreenTest, AQuestionMenuReplacesAnOpenMenu) {
    Unit* u = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    auto* menu = new ScriptedMenu;
    menu->mScript = {{20, 'M'}};
    mMap->mOpenMenu = menu;
    menu->IPlayerMenu(u, 100, 100, mView);
    const int32_t before = mView->GetSubviewCount();
    mMap->CreateFloorChoiceMenu(u);
    EXPECT_EQ(mView->GetSubviewCount(), before); // the old one went first
    ASSERT_NE(dynamic_cast<FloorChoiceMenu*>(mMap->mOpenMenu), nullptr);
    EXPECT_EQ(mMap->mOpenMenu->mButtonCount, 2);
    mMap->CreateGunChoiceMenu(u);
    EXPECT_EQ(mView->GetSubviewCount(), before);
    EXPECT_EQ(mMap->mOpenMenu->TitleGraphicIndex(), 2);
}

TEST_F(BattleScreenTest, AClickOnAUnitSelectsItAndShiftBuildsAMultiSelection) {
    Unit* a = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    Unit* b = AddUnit(mBattle.get(), kUnitInfantry, 1, 50.0f, 40.0f);
    mView->mUnderPointer = a;
    mView->DoClick(300, 200, false, false, false);
    EXPECT_EQ(mBattle->mSelectedUnit, a);
    EXPECT_FALSE(mBattle->mMultiSelection);
    EXPECT_EQ(mMap->mPointerX, 300);
    mView->mUnderPointer = b;
    mView->DoClick(320, 200, false, true, false);
    EXPECT_TRUE(mBattle->mMultiSelection);
    EXPECT_EQ(mBattle->mSelectedUnit, b);
    EXPECT_EQ(a->mSelectionMark, 2);
    EXPECT_EQ(b->mSelectionMark, 2);
    // Shift on the selected member hands the selection to the first other.
    mView->DoClick(320, 200, false, true, false);
    EXPECT_EQ(b->mSelectionMark, 0);
    EXPECT_EQ(mBattle->mSelectedUnit, a);
    // An enemy unit is never shift-added.
    Unit* enemy = AddUnit(mBattle.get(), kUnitInfantry, 0, 60.0f, 40.0f);
    mView->mUnderPointer = enemy;
    mView->DoClick(340, 200, false, true, false);
    EXPECT_EQ(enemy->mSelectionMark, 0);
}

TEST_F(BattleScreenTest, EmptyGroundStartsABoxThatSettlesOnRelease) {
    Unit* a = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    Unit* b = AddUnit(mBattle.get(), kUnitInfantry, 1, 50.0f, 40.0f);
    mView->mUnderPointer = nullptr;
    mView->DoClick(100, 100, false, false, false);
    EXPECT_EQ(MapViewState(), kStateBoxSelect);
    mView->DoMouseTrack(40, 300, false, false);
    LongRect r;
    mMap->GetMultiselectRect(&r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.bottom, 300);
    a->mSelectionMark = 1; // as the unit drawing marks them inside the box
    b->mSelectionMark = 1;
    mView->DoMouseUp(40, 300, false);
    EXPECT_EQ(MapViewState(), kStateNone);
    EXPECT_TRUE(mBattle->mMultiSelection);
    EXPECT_EQ(mBattle->mSelectedUnit, b);
}

TEST_F(BattleScreenTest, ConfirmStateSwallowsClicks) {
    Unit* a = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    mView->mUnderPointer = a;
    SetMapViewState(kStateConfirm);
    mView->DoClick(300, 200, false, false, false);
    EXPECT_EQ(mView->mPicks, 0);
    EXPECT_EQ(mBattle->mSelectedUnit, nullptr);
}

TEST_F(BattleScreenTest, CtrlClickLocksTheCameraAndADeletedUnitLeavesNoReference) {
    Unit* a = AddUnit(mBattle.get(), kUnitInfantry, 1, 40.0f, 40.0f);
    mView->mUnderPointer = a;
    mView->DoClick(300, 200, false, false, true);
    EXPECT_EQ(mMap->mLockedUnit, a);
    mMap->mTrackedUnit = a;
    mMap->ForgetUnit(a);
    EXPECT_EQ(mMap->mLockedUnit, nullptr);
    EXPECT_EQ(mMap->mTrackedUnit, nullptr);
}

TEST_F(BattleScreenTest, FoxholesArePlacedOnlyInOwnZonesAndCountDown) {
    mMap->mFoxholesLeft = 1;
    mMap->mCraterPlacingStatus = 5;
    // Side 0 sees; its zones are 4..6.
    mMap->GetSquare(1, 1)->mSetupZone = 5;
    mMap->GetSquare(3, 1)->mSetupZone = 2;
    const int32_t before = mMap->mFoxholes->GetCount();
    mMap->EditorCraterClick(70.0f, 30.0f); // the other side's zone
    EXPECT_EQ(mMap->mFoxholes->GetCount(), before);
    mMap->EditorCraterClick(30.0f, 30.0f);
    EXPECT_EQ(mMap->mFoxholes->GetCount(), before + 1);
    EXPECT_EQ(mMap->mFoxholesLeft, 0);
    mMap->EditorCraterClick(30.0f, 30.0f); // on it again: removed, given back
    EXPECT_EQ(mMap->mFoxholes->GetCount(), before);
    EXPECT_EQ(mMap->mFoxholesLeft, 1);
    mMap->EditorCraterClick(-5.0f, 30.0f); // off the map
    EXPECT_EQ(mMap->mFoxholes->GetCount(), before);
}

namespace {

bool Offers(const PlayerMenu* menu, int32_t order, char* key = nullptr) {
    for (int32_t i = 0; i < menu->mButtonCount; ++i)
        if (menu->mOrderIds[i] == order) {
            if (key) *key = menu->mHotKeys[i];
            return true;
        }
    return false;
}

} // namespace

TEST_F(BattleScreenTest, OrdersMenuFollowsPhaseKindAndSharedKeys) {
    Unit* tank = AddUnit(mBattle.get(), kUnitVehicle, 1, 40.0f, 40.0f);
    mBattle->SetSelectedUnit(tank);
    mMap->mPointerX = 100;
    mMap->mPointerY = 100;
    mMap->BringUpOrdersMenu(true);
    ASSERT_NE(mMap->mOpenMenu, nullptr);
    PlayerMenu* menu = mMap->mOpenMenu;
    char key = 0;
    EXPECT_FALSE(Offers(menu, 31)); // a vehicle does not rush: it keeps F for its move
    EXPECT_TRUE(Offers(menu, 20, &key));
    EXPECT_EQ(key, 'F');
    EXPECT_TRUE(Offers(menu, 26, &key));
    EXPECT_EQ(key, 'M');
    EXPECT_FALSE(Offers(menu, 27)); // U went to 23
    EXPECT_FALSE(Offers(menu, 57));
    EXPECT_EQ(menu->TitleGraphicIndex(), 0);
    mMap->BringUpOrdersMenu(false); // asking again closes it
    EXPECT_EQ(mMap->mOpenMenu, nullptr);

    mBattle->mSetupPhase = true;
    mMap->BringUpOrdersMenu(true);
    ASSERT_NE(mMap->mOpenMenu, nullptr);
    EXPECT_TRUE(Offers(mMap->mOpenMenu, 57));
    EXPECT_TRUE(Offers(mMap->mOpenMenu, 58));
    EXPECT_FALSE(Offers(mMap->mOpenMenu, 60)); // only without 58
    EXPECT_FALSE(Offers(mMap->mOpenMenu, 34));
    EXPECT_EQ(mMap->mOpenMenu->TitleGraphicIndex(), 5);
    mMap->CloseOpenMenu();

    // A multi-selection leaves out the single-unit orders.
    mBattle->mSetupPhase = false;
    Unit* squad = AddUnit(mBattle.get(), kUnitInfantry, 1, 30.0f, 40.0f);
    tank->mSelectionMark = 2;
    squad->mSelectionMark = 2;
    squad->mAreaTarget = true; // a target to cancel
    mBattle->mMultiSelection = true;
    mMap->BringUpOrdersMenu(true);
    ASSERT_NE(mMap->mOpenMenu, nullptr);
    EXPECT_FALSE(Offers(mMap->mOpenMenu, 28));
    EXPECT_FALSE(Offers(mMap->mOpenMenu, 48));
    EXPECT_TRUE(Offers(mMap->mOpenMenu, 43));
}

TEST_F(BattleScreenTest, NoMenuWithoutAnOrderableSelection) {
    mMap->BringUpOrdersMenu(true);
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
    Unit* dead = AddUnit(mBattle.get(), kUnitInfantry, 1, 30.0f, 40.0f);
    dead->mActive = false;
    mBattle->SetSelectedUnit(dead);
    mMap->BringUpOrdersMenu(true);
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
}
