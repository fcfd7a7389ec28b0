// What the player reads of a unit, drawn to the back buffer with the game's
// own tables and pictures: the unit panel's readout of a tank and its
// general page, the unit balloon of a tank with three kinds of round (36
// penetration searches), and the texts of the target line (its sight check
// left out).
#include <benchmark/benchmark.h>

#include "app/InfoPanel.h"
#include "app/InfoPanelTexts.h"
#include "app/MapViewLines.h"
#include "app/UnitInfoBalloon.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

Force ForceOfNation(Nation nation) {
    for (int32_t f = 0; f < gForceTypeChart.Count(); ++f)
        if (gForceTypeChart[f].mNation == nation) return f;
    return 0;
}

// A battle on the screen with a German tank of three kinds of round and an
// American squad 300 m away.
struct InfoRig {
    bool ok = false;
    Battle battle;
    Battle* old = nullptr;
    GView* root = nullptr;
    InfoPanel* panel = nullptr;
    Vehicle* tank = nullptr;
    Infantry* squad = nullptr;

    InfoRig() {
        old = gBattle;
        if (!DecryptData()) return;
        gKernel = new GKernel;
        if (!gKernel->IKernel()) return;
        gKernel->SetScreenMode(1024, 768);
        gBattle = &battle;
        battle.IBattleStub();
        battle.mSetupPhase = false;
        battle.mDate = 4406;
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 10);
        tank = FindTank();
        for (int32_t t = 0; t < gInfantryData.Count() && !squad; ++t) {
            if (!gInfantryData[t].mIsSquad) continue;
            squad = new Infantry;
            squad->IInfantry(t, ForceOfNation(kNationAmerican), kExperienceRegular, 500.0f, 300.0f, 0.0f);
            squad->mActive = true;
            squad->mContactLevel = 4;
            battle.mUnits->Add(squad);
        }
        if (!tank || !squad) return;
        root = new GView;
        root->IView(nullptr, 0, 678, 1024, 90);
        panel = new InfoPanel;
        battle.mInfoPanel = panel;
        panel->IInfoPanel(root);
        battle.mMap->CreateView();
        ok = true;
    }
    ~InfoRig() {
        battle.mSelectedUnit = nullptr;
        if (battle.mMap) battle.mMap->DeleteView();
        delete root;
        delete gKernel;
        gKernel = nullptr;
        gBattle = old;
    }
    // The first tank whose gun has at least three kinds of round to show.
    Vehicle* FindTank() {
        const Force germans = ForceOfNation(kNationGerman);
        for (int32_t t = 0; t < gVehicleData.Count(); ++t) {
            const WeaponType gun = gVehicleData[t].mMainWeapon;
            if (gun == kWeaponNone || !gWeaponData.Has(gun) || gWeaponData[gun].mClass != kWClassGun)
                continue;
            if (gVehicleData[t].mKind == 6 || gWeaponData[gun].mMaxRange < 2000.0f) continue;
            auto* v = new Vehicle;
            v->IVehicle(t, germans, kExperienceRegular, 200.0f, 300.0f, 0.0f);
            v->mActive = true;
            RoundKinds kinds;
            ChooseRoundKinds(v, gun, v->GetAmmoProfile(), true, &kinds);
            if (kinds.mCount == 3) {
                battle.mUnits->Add(v);
                return v;
            }
            delete v;
        }
        return nullptr;
    }
    static void DrawOnScreen(GView* view) {
        LongRect screen{0, 0, 1024, 768};
        view->DrawWithin(screen);
    }
};

void BM_InfoPanelTankReadout(benchmark::State& state) {
    InfoRig rig;
    if (!rig.ok) {
        state.SkipWithError("no display or no tank in the tables");
        return;
    }
    rig.battle.mSelectedUnit = rig.tank;
    rig.panel->Refresh();
    for (auto _ : state)
        InfoRig::DrawOnScreen(rig.panel);
}
BENCHMARK(BM_InfoPanelTankReadout)->Unit(benchmark::kMicrosecond);

void BM_InfoPanelGeneralPage(benchmark::State& state) {
    InfoRig rig;
    if (!rig.ok) {
        state.SkipWithError("no display or no tank in the tables");
        return;
    }
    rig.panel->Refresh();
    for (auto _ : state)
        InfoRig::DrawOnScreen(rig.panel);
}
BENCHMARK(BM_InfoPanelGeneralPage)->Unit(benchmark::kMicrosecond);

void BM_UnitBalloonTankWithThreeKindsOfRound(benchmark::State& state) {
    InfoRig rig;
    if (!rig.ok) {
        state.SkipWithError("no display or no tank in the tables");
        return;
    }
    rig.battle.mSelectedUnit = rig.tank;
    rig.battle.mMap->ToggleUnitInfo();
    UnitInfoBalloon* balloon = rig.battle.mMap->mInfoBalloon;
    if (!balloon) {
        state.SkipWithError("no balloon");
        return;
    }
    for (auto _ : state)
        InfoRig::DrawOnScreen(balloon);
}
BENCHMARK(BM_UnitBalloonTankWithThreeKindsOfRound)->Unit(benchmark::kMillisecond);

// The target line's texts of the tank picking the squad, drawn on the map
// view; the sight check's answer is given.
class LabelView : public GView {
public:
    void Draw() override {
        SightLineTexts texts;
        BuildSightLineTexts(gBattle->mMap, query, &texts);
        GString255 text;
        for (int32_t i = 0; i < texts.count; ++i) {
            text.IStringText(texts.lines[i].text);
            ShadowString(&text, 400, 300 + texts.lines[i].dy, 0, kFontNormal, texts.r, texts.g, texts.b, 0, 0,
                         0, true);
        }
        lines = texts.count;
    }
    SightQuery query;
    int32_t lines = 0;
};

void BM_TargetLineTexts(benchmark::State& state) {
    InfoRig rig;
    if (!rig.ok) {
        state.SkipWithError("no display or no tank in the tables");
        return;
    }
    LabelView view;
    view.IView(nullptr, 0, 0, 1024, 678);
    view.query.selected = rig.tank;
    view.query.target = rig.squad;
    view.query.pick = true;
    view.query.visibility = 0.8f;
    view.query.distance = 300.0f;
    for (auto _ : state)
        InfoRig::DrawOnScreen(&view);
    if (view.lines < 3) state.SkipWithError("the target line has no status");
}
BENCHMARK(BM_TargetLineTexts)->Unit(benchmark::kMicrosecond);

} // namespace
