// The unit panel: its pictures, children and buttons, and the general page.
#include "app/InfoPanel.h"

#include <algorithm>

#include "app/InfoPanelDraw.h"
#include "app/InfoPanelFog.h"
#include "app/InfoPanelTexts.h"
#include "app/WeatherText.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "engine/GBlitView.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

// The single pictures in their slot order; 0 marks an empty slot.
constexpr int32_t kSingleNumbers[35] = {1050, 1052, 1051, 1062, 1063, 1081, 1080, 1078, 1048,
                                        1055, 1049, 1047, 1004, 1005, 1085, 1086, 1006, 1019,
                                        1082, 1084, 1067, 1066, 1069, 1068, 1093, 1098, 1092,
                                        0,    1083, 1087, 1088, 0,    1089, 1090, 1091};

// A picture of the store, or null when it is missing.
GGraphic* Load(int32_t number) {
    if (number <= 0) return nullptr;
    auto* g = new GGraphic;
    if (!g->IGraphic(kGraphic3DPicture, number, 0, false)) {
        delete g;
        return nullptr;
    }
    return g;
}

template <size_t N> void Free(GGraphic* (&pictures)[N]) {
    for (GGraphic*& g : pictures) {
        delete g;
        g = nullptr;
    }
}

void Free(GGraphic*& g) {
    delete g;
    g = nullptr;
}

struct ButtonRow {
    int32_t x, y;
    int32_t backdrop;
    int32_t litBackdrop; // 0 none
    int32_t inactive, pressed, highlight;
    int32_t command;
};
// Hot keys, briefing, surrender, cease-fire, save.
constexpr ButtonRow kButtonRows[5] = {{361, 0, 2413, 0, 2426, 2414, 2415, 94},
                                      {361, 21, 2416, 0, 2427, 2417, 2418, 95},
                                      {361, 42, 2419, 2420, 2428, 2420, 2421, 103},
                                      {361, 63, 2422, 2423, 2429, 2423, 2424, 106},
                                      {313, 64, 2410, 0, 2425, 2411, 2412, 90}};

GBlitView* MakeBlit(GView* parent, int32_t x, int32_t y, int32_t picture) {
    auto* v = new GBlitView;
    v->IBlitView3D(parent, x, y, picture);
    return v;
}

ScenarioCore* Scenario() {
    if (gCampaign) return gCampaign;
    return gBattle;
}

GString255 sText; // scratch text of one drawing (the main thread only)

} // namespace

GButton3DStayBright::~GButton3DStayBright() = default;

void GButton3DStayBright::Draw() {
    DrawState(mActive);
}

// ------------------------------------------------------------ building

InfoPanel::~InfoPanel() {
    Free(mSmallFlags);
    Free(mBigFlags);
    Free(mExperiencePictures);
    Free(mSplitStateIcons);
    Free(mFatiguePictures);
    Free(mSuppressionPictures);
    Free(mLeaderIcons);
    Free(mWeaponPictures);
    Free(mUnitBackground);
    Free(mGeneralBackground);
    Free(mTitleFrame);
    Free(mTurnFrame);
    Free(mRoleBadges);
    Free(mSingles);
    Free(mAmmoBarPieces);
    Free(mTerrainPictures);
    Free(mDefaultVehiclePicture);
    if (gBattle && gBattle->mInfoPanel == this) gBattle->mInfoPanel = nullptr;
}

void InfoPanel::IInfoPanel(GView* parent) {
    IView(parent, 0, 6, kWidth, kHeight);
    SetFillColor(static_cast<int16_t>(MakeRGB565(25, 25, 25)));
    LoadPictures();
    MakeChildren();
    Refresh();
}

void InfoPanel::LoadPictures() {
    mSmallFlags[0] = Load(1020);
    mSmallFlags[2] = Load(1022);
    mBigFlags[0] = Load(420);
    mBigFlags[2] = Load(422);
    for (int32_t i = 0; i < 6; ++i)
        mExperiencePictures[i] = Load(1030 + i);
    for (int32_t i = 0; i < 3; ++i)
        mSplitStateIcons[i] = Load(1094 + i);
    for (int32_t i = 0; i < 5; ++i)
        mFatiguePictures[i] = Load(1040 + i);
    for (int32_t i = 0; i < 8; ++i)
        mSuppressionPictures[i] = Load(1070 + i);
    for (int32_t i = 0; i < 5; ++i)
        mLeaderIcons[i] = Load(1008 + i);
    for (int32_t t = 0; t < 68; ++t) {
        const int32_t index = gSmallArmsData.Has(t) ? gSmallArmsData[t].mPictureIndex : -1;
        if (index >= 0) mWeaponPictures[t] = Load(25000 + index);
    }
    mWeaponPictures[68] = Load(25028);
    mWeaponPictures[69] = Load(25016);
    mUnitBackground = Load(1000);
    mGeneralBackground = Load(1001);
    mTitleFrame = Load(1002);
    mTurnFrame = Load(1003);
    for (int32_t i = 0; i < 16; ++i)
        mRoleBadges[i] = Load(2392 + i);
    for (int32_t i = 0; i < kSingles; ++i)
        mSingles[i] = Load(kSingleNumbers[i]);
    for (int32_t i = 0; i < 8; ++i)
        mAmmoBarPieces[i] = Load(25090 + i);
    const Map* map = gBattle ? gBattle->mMap : nullptr;
    const int32_t base = map && map->GetGroundType(false) != 0 ? 25200 : 25100;
    for (int32_t i = 0; i < 32; ++i)
        mTerrainPictures[i] = Load(base + i);
    mDefaultVehiclePicture = Load(25300);
}

void InfoPanel::MakeChildren() {
    for (int32_t i = 0; i < 5; ++i) {
        const ButtonRow& r = kButtonRows[i];
        mBackdrops[i] = MakeBlit(this, r.x, r.y, r.backdrop);
        if (r.litBackdrop) mBackdrops[i + 3] = MakeBlit(this, r.x, r.y, r.litBackdrop);
        auto* b = new GButton3DStayBright;
        b->IButton3D(this, r.x, r.y, r.command, static_cast<int16_t>(r.inactive),
                     static_cast<int16_t>(r.pressed), static_cast<int16_t>(r.highlight));
        mButtons[i] = b;
    }
    const Battle* b = gBattle;
    const int32_t rightHand = b ? b->mConditionLevel : 0;
    const int32_t weather = b ? b->mWeather : 0;
    mConditions[0] = MakeBlit(this, 453, 0, 2430 + rightHand);
    mConditions[1] = MakeBlit(this, 135, 0, weather <= 2 ? 2440 + weather : 2439 + weather);
    mConditions[2] = MakeBlit(this, 135, 44, 2450 + (b ? b->mGroundCondition : 0));
    mConditions[3] = MakeBlit(this, 225, 0, 2460 + (b ? b->mTemperature : 0));
    mWeatherText = new WeatherText;
    mWeatherText->IWeatherText(this);
}

GGraphic* InfoPanel::SmallFlag(int32_t nation) const {
    return nation >= 0 && nation < 10 ? mSmallFlags[nation] : nullptr;
}

GGraphic* InfoPanel::BigFlag(int32_t nation) const {
    return nation >= 0 && nation < 10 ? mBigFlags[nation] : nullptr;
}

GGraphic* InfoPanel::WeaponPicture(int32_t smallArms) const {
    return smallArms >= 0 && smallArms < 70 ? mWeaponPictures[smallArms] : nullptr;
}

GGraphic* InfoPanel::Single(int32_t number) const {
    for (int32_t i = 0; i < kSingles; ++i)
        if (kSingleNumbers[i] == number) return mSingles[i];
    return nullptr;
}

// ------------------------------------------------------------ refresh

void InfoPanel::Refresh() {
    if (mRefreshing) return;
    mRefreshing = true;
    UpdateButtons();
    GView::Refresh();
    mRefreshing = false;
}

void InfoPanel::ReportVP(float side0Share, float side1Share) {
    mVictoryPercent[0] = side0Share * 100.0f + 0.5f;
    mVictoryPercent[1] = side1Share * 100.0f + 0.5f;
    Refresh();
}

bool InfoPanel::ShowingGeneric() const {
    if (!gBattle || !gBattle->mSelectedUnit) return true;
    Unit* u = gBattle->mSelectedUnit;
    return !u->mActive && !u->DrawWhenDead();
}

void InfoPanel::UpdateButtons() {
    const bool generic = ShowingGeneric();
    for (int32_t i = 0; i < kSlots; ++i) {
        if (mButtons[i]) mButtons[i]->Show(generic);
        if (mBackdrops[i]) mBackdrops[i]->Show(generic);
    }
    for (GBlitView* c : mConditions)
        if (c) c->Show(generic);
    if (!generic) return;

    const ViewerFacts v = CurrentViewer();
    Affiliation side = v.side;
    BattleHost* host = gBattle ? gBattle->Host() : nullptr;
    if (host && host->HumanPlayers() == 1 && host->SecondHalf()) side = 1 - side;
    const bool replay = v.state == 8;
    ScenarioCore* core = Scenario();
    const bool briefing = core && (core->mBriefing[2] || core->mBriefing[side & 1]);
    for (int32_t i = 0; i < kSlots; ++i) {
        if (!mBackdrops[i]) continue;
        bool active = !replay && !v.editor;
        if (i == 0) active = true;
        if (i == 1) active = active && briefing;
        if (mButtons[i]) mButtons[i]->Activate(active);
        if (!active || !gBattle || v.editor) continue;
        const int32_t request = gBattle->mSurrenderState[side & 1];
        if (mBackdrops[2] && request == 2) mBackdrops[2]->Show(false);
        if (mBackdrops[5] && request != 2) mBackdrops[5]->Show(false);
        if (mBackdrops[3] && request == 1) mBackdrops[3]->Show(false);
        if (mBackdrops[6] && request != 1) mBackdrops[6]->Show(false);
    }
}

// ------------------------------------------------------------ drawing

void InfoPanel::Draw() {
    if (ShowingGeneric())
        DrawGeneral();
    else
        DrawUnit(gBattle->mSelectedUnit);
}

void InfoPanel::DrawArmorBar(bool horizontal, int32_t thickness, int32_t x, int32_t y, int32_t length,
                             int32_t armor, int32_t slope, ArmorQuality quality) {
    if (armor == 0) return;
    unsigned char r = 0, g = 0, b = 0;
    ArmorColors(armor, slope, quality, &r, &g, &b);
    LongRect rect;
    rect.left = 364 + x;
    rect.top = 22 + y;
    rect.right = rect.left + (horizontal ? length : thickness + 2);
    rect.bottom = rect.top + (horizontal ? thickness + 2 : length);
    InfoPaint(this, rect, r, g, b);
}

void InfoPanel::PaintFill() {
    LongRect all;
    GetLocalBounds(&all);
    PaintRectangle(&all, mFillColour);
}

void InfoPanel::DrawGeneral() {
    // The background lies under the buttons, backdrops and pictures.
    PaintFill();
    InfoBlit(this, mGeneralBackground, 0, 0);
    DrawSubviews();
    Battle* battle = gBattle;
    if (!battle) return;
    const ViewerFacts v = CurrentViewer();
    const Affiliation player = v.side & 1;
    for (int32_t row = 0; row < 2; ++row) {
        const Affiliation side = row == 0 ? player : 1 - player;
        const Nation nation = battle->GetForceNation(side == kAxis);
        InfoBlit(this, BigFlag(nation), row == 0 ? 3 : 88, 4);
        const bool attacks = battle->mAttacker == side || battle->mAttacker == 2;
        const int32_t badge = RoleBadgeIndex(attacks, battle->mForceReadinessOption, row == 1, side == 1);
        InfoBlit(this, mRoleBadges[badge], row == 0 ? 47 : 69, 5);
        if (v.editor) continue;
        const int32_t x = row == 0 ? 45 : 106;
        if (side == player || v.over || v.fog <= 1) {
            sText.IStringNum(static_cast<int32_t>(battle->mGlobalMorale[side] * 100.0f));
            sText.AddChar('%');
        } else {
            sText.IStringText("-");
        }
        InfoWrite(this, &sText, x, 51, 1, kFontFixed, 255, 255, 255);
        if (gCampaign) {
            sText.IStringText("-");
        } else {
            sText.IStringNum(static_cast<int32_t>(mVictoryPercent[side]));
            sText.AddChar('%');
        }
        InfoWrite(this, &sText, x, 77, 1, kFontFixed, 255, 255, 255);
    }
    InfoBlit(this, mTitleFrame, 135, 64);
    sText = battle->mTitle;
    // Kept: the title is cut after its 21st character, in the middle of a
    // word when it falls there ("Gegenangriff bei Mort"), though the frame
    // would hold a few characters more.
    sText.CropLength(21, true);
    InfoWrite(this, &sText, 224, 78, 0, kFontFixed, 255, 255, 255);
    InfoBlit(this, mTurnFrame, 241, 0);
    if (!battle->mSetupPhase && !v.editor) {
        if (battle->Over())
            sText.IStringText("--");
        else
            sText.IStringNum(battle->mTurn);
        InfoWrite(this, &sText, 307, 16, 1, kFontFixed, 255, 255, 255);
    }
    sText.IStringNum(battle->mLastTurn);
    if (battle->mVariableLength) sText.AddChar('+');
    InfoWrite(this, &sText, 350, 16, 1, kFontFixed, 255, 255, 255);
    MakeDateString(&sText, battle->mDate, true);
    InfoWrite(this, &sText, 299, 40, 0, kFontFixed, 255, 255, 255);
    sText.IStringText("");
    if (battle->mTimeOfDay >= 0 && battle->mTimeOfDay <= 3) sText.IStringRez(621 + battle->mTimeOfDay);
    InfoWrite(this, &sText, 299, 55, 0, kFontFixed, 255, 255, 255);
}
