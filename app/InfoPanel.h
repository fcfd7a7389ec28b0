#pragma once
// The left part of the battle screen's bottom bar, 540 x 84 pixels: with no
// unit selected the general page (flags, roles, morale, victory shares,
// turn, date, conditions and five command buttons), else the readout of the
// selected unit as far as the fog of war lets the player know it.
#include <cstdint>

#include "engine/GButton3D.h"
#include "engine/GView.h"
#include "units/Enums.h"

class GBlitView;
class GGraphic;
class Unit;
class WeatherText;
struct VehicleData;

// A 3-D button that keeps its look when an ancestor is deactivated: only
// its own active flag counts.
class GButton3DStayBright : public GButton3D {
public:
    ~GButton3DStayBright() override;
    void Draw() override;
};

// Combined thickness (mm) of armour entry 3 x aspect + location of a record.
float CombinedArmorAt(const VehicleData* record, int32_t aspect, int32_t location);

class InfoPanel : public GView {
public:
    static constexpr int32_t kWidth = 540;
    static constexpr int32_t kHeight = 84;
    static constexpr int32_t kSlots = 7;

    ~InfoPanel() override;
    void IInfoPanel(GView* parent);
    void Refresh() override;
    void Draw() override;

    void UpdateButtons();
    // Shares are fractions 0..1 of the Axis (side 0) and the Allies.
    void ReportVP(float side0Share, float side1Share);
    bool ShowingGeneric() const;
    void DrawArmorBar(bool horizontal, int32_t thickness, int32_t x, int32_t y, int32_t length, int32_t armor,
                      int32_t slope, ArmorQuality quality);

    GButton3DStayBright* Button(int32_t slot) const {
        return slot >= 0 && slot < kSlots ? mButtons[slot] : nullptr;
    }
    GBlitView* Backdrop(int32_t slot) const {
        return slot >= 0 && slot < kSlots ? mBackdrops[slot] : nullptr;
    }
    GBlitView* Condition(int32_t i) const { return i >= 0 && i < 4 ? mConditions[i] : nullptr; }
    WeatherText* GetWeatherText() const { return mWeatherText; }
    float VictoryPercent(int32_t side) const { return mVictoryPercent[side & 1]; }

    // The picture arrays, indexed only within bounds (null outside).
    GGraphic* SmallFlag(int32_t nation) const;
    GGraphic* BigFlag(int32_t nation) const;
    GGraphic* WeaponPicture(int32_t smallArms) const;

private:
    void LoadPictures();
    void MakeChildren();
    void PaintFill();
    void DrawGeneral();
    void DrawUnit(Unit* u);
    void DrawArmorDiagram(const VehicleData& record);
    // Readout steps; each returns false when the readout ends there.
    bool DrawStatus(Unit* u, bool K, int32_t vis, bool fixed);
    void DrawNationAndStrength(Unit* u, bool K, int32_t vis, bool fixed);
    void DrawRightBox(Unit* u, bool K, int32_t vis);
    void DrawAmmoDelayLeadership(Unit* u, bool K);
    void DrawPlaceAndOrder(Unit* u, bool K, int32_t vis);
    void DrawSuppression(Unit* u, bool K, bool fixed);
    void DrawWeaponRows(Unit* u, bool K, int32_t vis);

    bool mRefreshing = false;
    float mVictoryPercent[2] = {0.0f, 0.0f};
    WeatherText* mWeatherText = nullptr;

    GGraphic* mSmallFlags[10] = {};
    GGraphic* mBigFlags[10] = {};
    GGraphic* mExperiencePictures[6] = {};
    GGraphic* mSplitStateIcons[3] = {};
    GGraphic* mFatiguePictures[5] = {};
    GGraphic* mSuppressionPictures[8] = {};
    GGraphic* mLeaderIcons[5] = {};
    GGraphic* mWeaponPictures[70] = {};
    GGraphic* mUnitBackground = nullptr;
    GGraphic* mGeneralBackground = nullptr;
    GGraphic* mTitleFrame = nullptr;
    GGraphic* mTurnFrame = nullptr;
    GGraphic* mRoleBadges[16] = {};
    // The single pictures in their table order (two slots stay empty).
    static constexpr int32_t kSingles = 35;
    GGraphic* mSingles[kSingles] = {};
    GGraphic* mAmmoBarPieces[8] = {};
    GGraphic* mTerrainPictures[32] = {};
    GGraphic* mDefaultVehiclePicture = nullptr;

    GButton3DStayBright* mButtons[kSlots] = {};
    GBlitView* mBackdrops[kSlots] = {};
    GBlitView* mConditions[4] = {};

public:
    // A single picture by its number (null when not one of them).
    GGraphic* Single(int32_t number) const;
};
