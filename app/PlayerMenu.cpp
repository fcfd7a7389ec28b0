// Building, drawing and answering the order menus.
#include "app/PlayerMenu.h"

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

bool sUserHasNotSeenMenuYet = true;

namespace {

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

GGraphic* MenuPicture(int32_t index) {
    if (!gBattle || index < 0) return nullptr;
    if (index < 8) return gBattle->mMenuGraphics[index];
    if (index - 8 < 46) return gBattle->mOrderGraphics[index - 8];
    return nullptr;
}

bool SetupPhase() {
    return gBattle && gBattle->mSetupPhase;
}

UnitList* Units() {
    return gBattle ? gBattle->mUnits : nullptr;
}

bool MultiSelection() {
    return gBattle && gBattle->mMultiSelection;
}

// The last marked unit (from the end of the list) that passes the test.
template <typename Test> Unit* LastMarked(Test test) {
    UnitList* units = Units();
    if (!units) return nullptr;
    for (int32_t i = units->GetCount() - 1; i >= 0; --i) {
        Unit* u = units->GetUnit(i);
        if (u && u->mSelectionMark != 0 && test(u)) return u;
    }
    return nullptr;
}

// Deletes the map's open menu (which may be the caller) and clears it.
void DeleteOpenMenu() {
    if (Map* map = BattleMap()) map->CloseOpenMenu();
}

} // namespace

// ---------------------------------------------------------------- MenuButton

void MenuButton::IOrderButton(int32_t order, char key, int32_t label, GView* parent, int32_t x, int32_t y,
                              int32_t width, int32_t height) {
    mOrderId = order;
    mLabel = label;
    mHotKey = key;
    IButton3D(parent, x, y, order, 0, 0, 0);
    Resize(width, height);
}

void MenuButton::Draw() {
    Blit(MenuPicture(8 + mLabel), 0, 0);
    Blit(MenuPicture(mPressed || mHighlighted ? 1 : 4), GetWidth() - 20, 0);
    if (mHotKey != 0) {
        GString31 text;
        text.AddChar(mHotKey);
        ShadowString(&text, 134, 13, 0, static_cast<GOLTAFont>(2), 255, 255, 255, 0, 0, 0, false);
    }
    GButton3D::Draw();
}

// ---------------------------------------------------------------- PlayerMenu

void PlayerMenu::IPlayerMenu(Unit* unit, int32_t x, int32_t y, GView* parent) {
    mUnit = unit;
    mButtonCount = 0;
    UberDoButtons(false);
    const int32_t h = kMenuButtonHeight * mButtonCount + 27;
    const int32_t parentW = parent ? parent->GetWidth() : 0;
    const int32_t parentH = parent ? parent->GetHeight() : 0;
    int32_t left = x - kMenuWidth / 2;
    if (left < 0) left = 0;
    if (x + kMenuWidth / 2 > parentW) left = parentW - kMenuWidth;
    int32_t top = y;
    if (top < 0) top = 0;
    if (y + h > parentH) top = parentH - h;
    IView(parent, left, top, kMenuWidth, h);
    SetModal();
    mButtonCount = 0;
    UberDoButtons(true);
    sUserHasNotSeenMenuYet = false;
}

void PlayerMenu::Draw() {
    Blit(MenuPicture(TitleGraphicIndex()), 0, 0);
    Blit(MenuPicture(7), 0, GetHeight() - 7);
    DrawSubviews();
}

void PlayerMenu::DoCaptureModalClick(int32_t x, int32_t y) {
    DeleteOpenMenu();
}

void PlayerMenu::UberDoButtons(bool create) {
    UnitList* units = Units();
    if (!MultiSelection() || !units) {
        DoButtons(create);
        return;
    }
    bool vehicleFast = false, infantryMarked = false, infantryAssault = false;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u->mSelectionMark == 0) continue;
        if (u->mUnitType == kUnitVehicle && u->CanDoOrder(20)) vehicleFast = true;
        if (u->mUnitType == kUnitInfantry) {
            infantryMarked = true;
            if (u->CanDoOrder(31)) infantryAssault = true;
        }
    }
    if (vehicleFast && infantryMarked && !infantryAssault) CreateButton(31, 8, 'F', create);
    Unit* const kept = mUnit;
    for (int pass = 0; pass < 2; ++pass)
        for (int32_t i = units->GetCount() - 1; i >= 0; --i) {
            Unit* u = units->GetUnit(i);
            if (!u || u->mSelectionMark == 0) continue;
            if ((u->mUnitType == kUnitInfantry) != (pass == 0)) continue;
            mUnit = u;
            DoButtons(create);
        }
    mUnit = kept;
}

void PlayerMenu::CreateButton(int32_t order, int32_t label, char key, bool create) {
    if (mButtonCount >= kMenuMaxButtons) return;
    for (int32_t i = 0; i < mButtonCount; ++i) {
        if (mOrderIds[i] == order) return;
        if (key != 0 && mHotKeys[i] == key) return;
    }
    if (create) {
        auto* button = new MenuButton;
        button->IOrderButton(order, key, label, this, 0, 20 + kMenuButtonHeight * mButtonCount, kMenuWidth,
                             kMenuButtonHeight);
    }
    mOrderIds[mButtonCount] = order;
    mHotKeys[mButtonCount] = key;
    ++mButtonCount;
}

MenuButton* PlayerMenu::FindButton(int32_t order) const {
    for (int32_t i = 0; i < GetSubviewCount(); ++i) {
        auto* b = dynamic_cast<MenuButton*>(GetSubview(i));
        if (b && b->mOrderId == order) return b;
    }
    return nullptr;
}

bool PlayerMenu::HandleHotKey(char key) {
    if (mButtonCount == 0) return false;
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 32);
    for (int32_t i = 0; i < mButtonCount; ++i) {
        if (mHotKeys[i] != key) continue;
        if (MenuButton* b = FindButton(mOrderIds[i])) {
            b->SimulateClick(false);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- OrdersMenu

int32_t OrdersMenu::TitleGraphicIndex() {
    if (mOnWaypoint) return 6;
    return SetupPhase() ? 5 : 0;
}

void OrdersMenu::DoButtons(bool create) {
    Unit* u = mUnit;
    if (!u) return;
    const bool multi = MultiSelection();
    auto offer = [&](int32_t order, int32_t label, char key, bool extra = true) {
        if (extra && u->CanDoOrder(order)) CreateButton(order, label, key, create);
    };
    const int32_t hideLabel = u->CanShowHideButton() ? 37 : 11;
    auto* infantry = u->mUnitType == kUnitInfantry ? dynamic_cast<Infantry*>(u) : nullptr;
    if (SetupPhase()) {
        mOnWaypoint = false;
        offer(57, 5, 'M', !multi);
        const bool pack = u->CanDoOrder(58);
        offer(58, 22, 'P');
        offer(60, 45, 'P', !pack && !multi);
        offer(59, 23, 'O');
        offer(36, hideLabel, 'H');
        offer(61, 24, 'D');
        offer(63, 27, 0, !multi);
        offer(62, u->mSetupOrderSetting != 7 ? 28 : 29, 0);
    } else {
        mOnWaypoint = gBattle && gBattle->mSelectedIndex >= 0;
        offer(34, 10, 0);
        offer(31, 12, 'F');
        if (u->mUnitType == kUnitVehicle) {
            offer(20, 8, 'F');
        } else if (infantry) {
            const SpeedClass speed = infantry->GetSpeedClass();
            int32_t label = -1;
            if (speed >= kSpeedMedium)
                label = 4;
            else if (speed == kSpeedHeavy)
                label = 5;
            else if (infantry->CanOnlyPush())
                label = 5;
            else if (infantry->CanOnlyDebark())
                label = 7;
            if (label >= 0) offer(20, label, 'M');
        }
        offer(21, infantry && infantry->GetSpeedClass() >= kSpeedMedium ? 2 : 3, 'E');
        offer(22, 39, 'A');
        offer(23, 26, 'U');
        offer(30, 25, 'S');
        offer(24, 0, 'Y');
        offer(27, 6, 'U');
        offer(26, 5, 'M');
        offer(25, 9, 'R');
        offer(28, 34, 'D', !multi);
        offer(29, 40, 'Q', !multi);
        offer(32, 41, 'W');
        offer(33, 43, 'G', !multi);
        offer(37, 23, 'O');
        offer(36, hideLabel, 'H');
        offer(35, 1, 'P');
        offer(38, 14, 'T');
        offer(40, 13, 'I');
        offer(41, 44, 'Q');
        offer(42, 42, 'R');
        offer(39, 33, 'N', !multi);
        offer(44, 16, 'K');
        offer(43, 15, 'X');
    }
    offer(45, 35, 'C', !multi);
    offer(46, 38, 'V', !multi);
    offer(47, 36, 'J', !multi);
    const auto* vehicle = u->mUnitType == kUnitVehicle ? dynamic_cast<Vehicle*>(u) : nullptr;
    offer(49, vehicle && vehicle->mButtoned ? 30 : 31, 'Z');
    offer(50, 32, 0, !multi);
    offer(48, 17, 'L', !multi);
}

void OrdersMenu::HandleCommand(int32_t order) {
    const bool onWaypoint = mOnWaypoint;
    Unit* const unit = mUnit;
    Map* map = BattleMap();
    DeleteOpenMenu(); // this menu is gone from here on
    if (!map || !gBattle) return;
    if (!gBattle->mMultiSelection) {
        map->RespondToOrder(order, onWaypoint);
        return;
    }
    if (!unit) return;
    if (unit->CanDoOrder(order)) {
        if (unit->mUnitType == kUnitVehicle && order == 20 &&
            LastMarked([&](Unit* u) { return u->mUnitType == kUnitInfantry && u->mSide == unit->mSide; })) {
            Unit* mover =
                LastMarked([](Unit* u) { return u->mUnitType == kUnitInfantry && u->CanDoOrder(20); });
            if (!mover) return;
            gBattle->SetSelectedUnit(mover);
        }
    } else {
        Unit* able = LastMarked([&](Unit* u) { return u->CanDoOrder(order); });
        if (order == 31)
            able = LastMarked([](Unit* u) { return u->mUnitType == kUnitInfantry && u->CanDoOrder(20); });
        if (!able) return;
        gBattle->SetSelectedUnit(able);
    }
    // Every unit ends in the same hidden state as the selected one's toggle.
    if (order == 36) order = gBattle->mSelectedUnit && gBattle->mSelectedUnit->HideOrderToggled() ? 55 : 56;
    gBattle->RespondToMultiOrder(order);
}

// ---------------------------------------------------------------- GunUseMenu

void GunUseMenu::DoButtons(bool create) {
    CreateButton(51, 18, 'Y', create);
    CreateButton(52, 19, 'N', create);
}

void GunUseMenu::HandleCommand(int32_t order) {
    Unit* const unit = mUnit;
    DeleteOpenMenu();
    if (auto* vehicle = dynamic_cast<Vehicle*>(unit)) vehicle->RespondToGunUseChoice(order == 51);
}

// ----------------------------------------------------------- FloorChoiceMenu

void FloorChoiceMenu::DoButtons(bool create) {
    CreateButton(54, 20, 'T', create);
    CreateButton(53, 21, 'B', create);
}

void FloorChoiceMenu::HandleCommand(int32_t order) {
    Unit* const unit = mUnit;
    Map* map = BattleMap();
    DeleteOpenMenu();
    if (auto* infantry = dynamic_cast<Infantry*>(unit)) infantry->RespondToFloorChoice(order == 54);
    if (map && SetupPhase()) map->RespondToOrder(59, false);
}
