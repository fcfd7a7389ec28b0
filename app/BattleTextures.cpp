// The battle's pictures and sounds on screen: the textures made under the
// light of the time of day, their release, the ambient loop and the engine
// sounds of the map.
#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GSoundManager.h"
#include "engine/GSoundStream.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kAmbientSound = 5007;
constexpr int32_t kFullSound = 2;
// More texture errors than this end the program.
constexpr int32_t kMaxTextureErrors = 8;

// The light by time of day: morning, midday, evening, clear night, and any
// other night.
constexpr ColorRGB kLight[5] = {{0.72f, 0.78f, 0.81f},
                                {1.0f, 1.0f, 1.0f},
                                {0.81f, 0.78f, 0.75f},
                                {0.531f, 0.531f, 0.563f},
                                {0.46f, 0.46f, 0.49f}};

void KeepAlive() {
    MVApplication* app = TheApp();
    if (!app) return;
    app->PingDuringBusyCPU();
    app->UpdateProgressWindow();
}

// Every unit of the list and of every waiting reinforcement, in turn.
template <class Fn> void ForEveryUnit(Battle* b, Fn fn) {
    auto walk = [&](UnitList* list) {
        if (!list) return;
        for (int32_t i = 0; i < list->GetCount(); ++i)
            if (Unit* u = list->GetUnit(i)) fn(u);
    };
    walk(b->mUnits);
    for (GList& side : b->mReinforcements)
        for (int32_t k = 0; k < side.GetCount(); ++k)
            walk(static_cast<Reinforcement*>(side.GetObjectA(k))->mUnits);
}

ColorRGB BattleLightFactors(int32_t timeOfDay, int32_t weather) {
    if (timeOfDay == 3) return kLight[weather == 0 ? 3 : 4];
    if (timeOfDay < 0 || timeOfDay > 2) return kLight[1];
    return kLight[timeOfDay];
}

} // namespace

bool Battle::MakeBattleTextures(bool flag) {
    const ColorRGB light = BattleLightFactors(mTimeOfDay, mWeather);
    if (g3D) g3D->SetLightFactors(&light, nullptr);
    for (int32_t errors = 0;; ++errors) {
        KeepAlive();
        for (int32_t i = 0; i < 4; ++i) {
            delete mBattleTextures[i];
            mBattleTextures[i] = new GGraphic;
            mBattleTextures[i]->IGraphic(kGraphicTexture, 11250 + i, 0, false);
        }
        ForEveryUnit(this, [](Unit* u) {
            KeepAlive();
            // A screen built again makes the pictures again: the unit's
            // former ones go first.
            u->DeleteTextures();
            u->MakeTextures(false);
        });
        if (mMap) mMap->MakeTextures(flag);
        if (g3D) g3D->SetLightFactor(1.0f);
        LoadDummyInterfaceTextures();
        if (g3D) g3D->SetLightFactors(&light, nullptr);
        KeepAlive();
        if (!g3D || !g3D->GetTextureErrorState(nullptr)) break;
        if (errors >= kMaxTextureErrors) {
            if (gKernel) gKernel->Quit();
            return false;
        }
        DeleteTextures();
    }
    mLightFactors[0] = light.red;
    mLightFactors[1] = light.green;
    mLightFactors[2] = light.blue;
    if (g3D) g3D->SetLightFactor(1.0f);
    return true;
}

void Battle::LoadDummyInterfaceTextures() {
    if (!mScreen) return;
    // Hidden far outside the screen: only their textures matter.
    for (int32_t i = 0; i < 17; ++i) {
        auto* view = new GBlitView;
        view->IBlitView3D(mScreen, 9999, 9999, 2600 + i);
        view->Show(false);
    }
}

void Battle::DeleteTextures() {
    for (GGraphic*& texture : mBattleTextures) {
        delete texture;
        texture = nullptr;
    }
    if (mMap) mMap->DeleteTextures();
    ForEveryUnit(this, [](Unit* u) { u->DeleteTextures(); });
}

void Battle::DeletePreviewMaterial(bool keepMap) {
    for (GGraphic*& g : mMenuGraphics) {
        delete g;
        g = nullptr;
    }
    for (GGraphic*& g : mOrderGraphics) {
        delete g;
        g = nullptr;
    }
    if (mScreen) Host()->ReleaseBattleScreen(this);
    mScreen = nullptr;
    mInfoPanel = nullptr;
    if (!keepMap) {
        DeleteTextures();
        if (mMap) {
            mMap->ClearReplaySounds(false);
            mMap->DeleteView();
        }
    }
    delete mAmbientSound;
    mAmbientSound = nullptr;
}

void Battle::Ambient() {
    if (!mScreen) return;
    delete mAmbientSound;
    mAmbientSound = nullptr;
    MVApplication* app = TheApp();
    if (!app || app->mPrefs[kPrefSound] != kFullSound || !gSound) return;
    // One ambient loop for every season, time of day, weather and wind.
    mAmbientSound = gSound->StreamSound(kAmbientSound, 1, true);
}

void Battle::StopVehicleSounds() {
    if (!mMap || !mUnits) return;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mMap->RemoveUnitEngineSound(mUnits->GetUnit(i));
}
