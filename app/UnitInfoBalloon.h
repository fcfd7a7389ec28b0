#pragma once
// The unit information balloon: a tiled window in the top left corner of
// the map view with what the player may know of one unit (its data sheet,
// weapons and armour penetration, passengers), or on its second page what
// the unit has destroyed. Every drawing recomputes the sheet from the unit
// and the tables and changes nothing.
#include <cstdint>

#include "app/InfoPanelFog.h"
#include "engine/GTiledView.h"
#include "units/Enums.h"

class GString;
class Unit;
struct VehicleData;

class UnitInfoBalloon : public GTiledView {
public:
    static constexpr int32_t kWidth = 448;

    ~UnitInfoBalloon() override;
    void IUnitInfoBalloon(GView* parent, Unit* unit);
    void SetUnit(Unit* unit);
    void ToggleKills();
    void Draw() override;

    Unit* GetUnit() const { return mUnit; }
    bool ShowingKills() const { return mShowKills; }
    // 528 pixels on displays of 768 lines or more, else 464.
    static int32_t HeightFor(int32_t displayHeight) { return displayHeight >= 768 ? 528 : 464; }

private:
    // The values one drawing computes at its start.
    struct Sheet {
        ViewerFacts viewer;
        bool own = false;
        int32_t level = 0;
        bool known = false;
        int32_t profile = 0;
        int32_t optics = 0;
        const VehicleData* believed = nullptr;
        int32_t y = 0;
    };
    void DrawTitle();
    void DrawKills(const Sheet& s);
    void DrawExitMark();
    void DrawVehicleSheet(Sheet& s);
    void DrawArmorTable(Sheet& s);
    void DrawInfantrySheet(Sheet& s);
    void DrawWeaponLines(Sheet& s);
    void DrawPassengerLine(Sheet& s);
    void PrintPenetrationLines(bool firstSide, WeaponType type, AmmoClass kind, int32_t* y, int32_t maxRange);
    void Line(GString* text, int32_t x, int32_t y, int32_t font, uint8_t r, uint8_t g, uint8_t b);

    Unit* mUnit = nullptr;
    bool mShowKills = false;
};
