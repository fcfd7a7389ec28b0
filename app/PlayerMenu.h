#pragma once
// The order menus that open on the map view: a column of picture buttons,
// each an order id with a hot key. OrdersMenu offers what the selected unit
// (or every unit of a multi-selection) may do now; GunUseMenu and
// FloorChoiceMenu ask one question of one unit.
#include <cstdint>

#include "engine/GButton3D.h"
#include "engine/GView.h"

class Map;
class Unit;

constexpr int32_t kMenuMaxButtons = 100;
constexpr int32_t kMenuWidth = 160;
constexpr int32_t kMenuButtonHeight = 20;

class MenuButton : public GButton3D {
public:
    void IOrderButton(int32_t order, char key, int32_t label, GView* parent, int32_t x, int32_t y,
                      int32_t width, int32_t height);
    void Draw() override;

    int32_t mOrderId = 0;
    int32_t mLabel = 0;
    char mHotKey = 0;
};

class PlayerMenu : public GView {
public:
    void IPlayerMenu(Unit* unit, int32_t x, int32_t y, GView* parent);
    virtual void HandleCommand(int32_t order) = 0;
    virtual int32_t TitleGraphicIndex() = 0;
    virtual void DoButtons(bool create) = 0;

    void Draw() override;
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override {}
    void DoCaptureModalClick(int32_t x, int32_t y) override;

    void UberDoButtons(bool create);
    void CreateButton(int32_t order, int32_t label, char key, bool create);
    bool HandleHotKey(char key);
    // The button of an order, or null.
    MenuButton* FindButton(int32_t order) const;

    Unit* mUnit = nullptr;
    int32_t mButtonCount = 0;
    int32_t mOrderIds[kMenuMaxButtons] = {};
    char mHotKeys[kMenuMaxButtons] = {};
};

class OrdersMenu : public PlayerMenu {
public:
    void HandleCommand(int32_t order) override;
    int32_t TitleGraphicIndex() override;
    void DoButtons(bool create) override;

    bool mOnWaypoint = false;
};

class GunUseMenu : public PlayerMenu {
public:
    void HandleCommand(int32_t order) override;
    int32_t TitleGraphicIndex() override { return 2; }
    void DoButtons(bool create) override;
};

class FloorChoiceMenu : public PlayerMenu {
public:
    void HandleCommand(int32_t order) override;
    int32_t TitleGraphicIndex() override { return 3; }
    void DoButtons(bool create) override;
};

// The user has not opened an order menu yet (the map view's tip line).
extern bool sUserHasNotSeenMenuYet;
