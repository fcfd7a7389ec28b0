// The units' drawing: each vehicle model at both levels of detail and each
// soldier level on their own; on the 2 km scenery at camera level 1 at
// 1024 x 768 with the device filling pixels, 80 vehicles, and a battle of
// 300 units (200 squads near and far, 80 vehicles of every model and the
// fallbacks, 20 towed guns and mortars) with 60 effects in flight, against
// the same frame without them and with 60 smoke and 20 rubble clouds more;
// the units and effects alone; both pick passes. The effects (blasts, smoke
// and dust) wear the game's own pictures, the rest one rig picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SmokeShell.h"
#include "battle/SparkGraphic.h"
#include "battle/UnitList.h"
#include "bench/DrawBenchRig.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "engine/GGraphic.h"
#include "engine/GPictureStore.h"
#include "models/ModelTables.h"
#include "platform/SoftPixel.h"
#include "platform/SoftPixelWide.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

GGraphic* Part(int32_t = 0, int32_t = 0) {
    static GGraphic* t = [] {
        PictureRGBA rgba;
        rgba.width = rgba.height = 32;
        rgba.rgba.resize(32 * 32 * 4);
        for (int32_t i = 0; i < 32 * 32; ++i) {
            rgba.rgba[4 * i] = static_cast<uint8_t>(90 + i % 40);
            rgba.rgba[4 * i + 1] = 110;
            rgba.rgba[4 * i + 2] = 60;
            rgba.rgba[4 * i + 3] = 255;
        }
        return drawbench::KeptTexture(rgba);
    }();
    return t;
}

// The battle's textures: the rig picture, but the effects' own pictures
// (blast frames 1720-1739, smoke puffs 1800-1803) as the game loads them from
// the data folder beside the program, so that puffs and dust have their
// transparent corners and soft edges; the rig picture when a file is missing.
GGraphic* BattlePicture(int32_t picture, int32_t) {
    const bool effect = (picture >= 1720 && picture < 1740) || (picture >= 1800 && picture < 1804);
    if (!effect) return Part();
    static std::map<int32_t, GGraphic*> kept;
    auto it = kept.find(picture);
    if (it != kept.end()) return it->second;
    GGraphic* made = Part();
    if (const PictureRGBA* stored = GPictureStore::Get().Acquire(picture)) {
        PictureRGBA pic = *stored;
        GPictureStore::Get().Release(picture);
        PictureSteps::SoftenWhite(&pic);
        auto* tex = new SoftTexture;
        if (tex->ICreate(pic)) {
            tex->SetColorKey(0xF81F); // the loader's mask colour
            made = reinterpret_cast<GGraphic*>(tex);
        } else {
            delete tex;
        }
    }
    kept.emplace(picture, made);
    return made;
}

const char* const kModels[] = {
    "PzIIIM", "StuH42_Mid", "Tiger_Early",  "SdKfz222",           "250_11",
    "M3_GMC", "StuartM5",   "M3_Lee",       "M4A1_Sherman_Early", "M4A3_75_W_Sherman",
    "M8_AC",  "M10",        "GeneralModel", "ClassShape0",        "ClassShape1"};

// A renderer looking at a model 12 m ahead, filling a 1024 x 768 target.
struct ModelRig : drawbench::RendererRig {
    GGraphic* set[17];
    ModelRig() {
        for (auto& t : set)
            t = Part();
        gModelStatics = ModelStatics{};
        gModelStatics.textures = set;
    }
};

void BM_VehicleModel(benchmark::State& state) {
    ModelRig rig;
    const auto* t = dm::models::FindModelTable(kModels[state.range(0)]);
    gDrawLOD = state.range(1) != 0;
    state.SetLabel(std::string(kModels[state.range(0)]) + (gDrawLOD ? " low detail" : " full detail"));
    rig.r->RenderBegin(nullptr);
    for (auto _ : state) {
        rig.r->PushMatrix();
        rig.r->Translate(0.0f, 0.0f, -12.0f);
        rig.r->RotateX(-70.0f);
        rig.r->Scale(30.0f, 30.0f, 30.0f);
        DrawModelTable(*t, true);
        rig.r->PopMatrix();
    }
    rig.r->RenderEnd();
    gDrawLOD = false;
}
BENCHMARK(BM_VehicleModel)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 14, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_SoldierLevel(benchmark::State& state) {
    ModelRig rig;
    gFigureStatics = FigureStatics{};
    for (auto& s : gFigureStatics.slots)
        s = Part();
    gFigureStatics.face = Part();
    FigurePose pose;
    pose.leftHipPitch = 20.0f, pose.rightKnee = -25.0f, pose.rightElbow = 50.0f;
    const auto d = static_cast<FigureDetail>(state.range(0));
    static const char* const kNames[] = {"Best",        "Good",     "Average",   "Sucky",
                                         "CircusFreak", "PondScum", "DistantDot"};
    state.SetLabel(kNames[d]);
    rig.r->RenderBegin(nullptr);
    for (auto _ : state) {
        rig.r->PushMatrix();
        rig.r->Translate(0.0f, 0.0f, -4.0f);
        rig.r->RotateX(-80.0f);
        rig.r->Scale(0.0125f, 0.0125f, 0.0125f);
        DrawSoldier(d, pose, 0, true);
        rig.r->PopMatrix();
    }
    rig.r->RenderEnd();
}
BENCHMARK(BM_SoldierLevel)->DenseRange(0, 6, 1)->Unit(benchmark::kMicrosecond);

// The data rows the battle's units are drawn from: 14 vehicle types (the
// twelve own models, a general-model number and the far-tank class), a
// rifle squad, towed guns of the four gun models and the generic gun, and
// mortars.
struct UnitRows {
    static constexpr int32_t kVehicleTypes = 14, kSquad = 0, kFirstGun = 1, kGuns = 5, kMortar = 6;
    VehicleData vehicles[kVehicleTypes] = {};
    VehicleModelData models[236] = {};
    VehicleClassChart classes[1] = {};
    InfantryData infantry[7] = {};
    WeaponData weapons[6] = {};
    SmallArmsData arms[kSmallArmsCount] = {};
    UnitRows() {
        const int32_t numbers[kVehicleTypes] = {28,  84,  86,  105, 120, 154, 186,
                                                199, 203, 211, 233, 234, 60,  141};
        for (int i = 0; i < kVehicleTypes; ++i) {
            vehicles[i].mModel = numbers[i];
            vehicles[i].mTargetSize = 4.0f;
        }
        for (auto& m : models)
            m.mSize[0] = 6.0f;
        // Guns of the models 21, 13, 6, 36 and 7 (no model of its own: the
        // generic gun), then an 81 mm mortar.
        const OrdnanceModel guns[kGuns] = {21, 13, 6, 36, 7};
        for (int i = 0; i < kGuns; ++i) {
            weapons[i].mClass = kWClassGun;
            weapons[i].mOrdnanceModel = guns[i];
            weapons[i].mModelScale = 1.0f;
        }
        weapons[5].mClass = kWClassMortar;
        weapons[5].mCalibre = 81.0f;
        for (auto& r : infantry) {
            r.mHeavyWeapon = kWeaponNone;
            r.mNrTeams = 1;
            r.mNrMen = r.mTeamMen[0] = 5;
        }
        infantry[kSquad].mIsSquad = 1;
        infantry[kSquad].mNrMen = infantry[kSquad].mTeamMen[0] = 9;
        for (int i = 0; i < kGuns; ++i) {
            infantry[kFirstGun + i].mHeavyWeapon = i;
            infantry[kFirstGun + i].mTeamAnimGroup[0] = 10;
        }
        infantry[kMortar].mHeavyWeapon = 5;
        infantry[kMortar].mTeamAnimGroup[0] = 9;
        gVehicleData.Attach(vehicles, kVehicleTypes);
        gVehicleModelData.Attach(models, 236);
        gVehicleClassChart.Attach(classes, 1);
        gInfantryData.Attach(infantry, 7);
        gWeaponData.Attach(weapons, 6);
        gSmallArmsData.Attach(arms, kSmallArmsCount);
    }
    ~UnitRows() {
        gVehicleData.Detach();
        gVehicleModelData.Detach();
        gVehicleClassChart.Detach();
        gInfantryData.Detach();
        gWeaponData.Detach();
        gSmallArmsData.Detach();
    }
    UnitRows(const UnitRows&) = delete;
    UnitRows& operator=(const UnitRows&) = delete;
};

enum Population { kSceneryAlone, kVehicles80, kFullBattle, kFullBattleWithClouds, kVehicles80InAction };

// The 2 km scenery seen from camera level 1 with the population asked for.
struct BattleRig {
    UnitRows rows;
    drawbench::SceneRig rig{BattlePicture};
    GGraph3D*& r = rig.r;
    std::unique_ptr<dscene::Scene>& scene = rig.scene;
    GGraphic* set[17];
    explicit BattleRig(Population population) {
        for (auto& t : set)
            t = Part();
        if (population != kSceneryAlone) AddVehicles();
        if (population == kVehicles80InAction) InAction();
        if (population == kFullBattle || population == kFullBattleWithClouds) {
            AddSquads();
            AddGuns();
            AddEffects();
        }
        if (population == kFullBattleWithClouds) AddClouds();
        scene->Aim(1150, 700, 80.0f, 1);
    }
    ~BattleRig() { CurrentDrawSettings().mState = 0; } // out of the replay again
    BattleRig(const BattleRig&) = delete;
    BattleRig& operator=(const BattleRig&) = delete;
    Battle& battle() { return scene->battle; }
    void AddVehicles() {
        for (int i = 0; i < 80; ++i) {
            auto* v = new Vehicle;
            v->mSubtype = i % UnitRows::kVehicleTypes;
            v->mX = 1150.0f + 30.0f * (i % 10) - 135.0f;
            v->mY = 760.0f + 25.0f * (i / 10);
            v->mHeading = 20.0f * i;
            v->mActive = true;
            v->mSide = 1;
            for (auto& l : v->mTextureSets)
                for (int k = 0; k < 17; ++k)
                    l[k] = set[k];
            battle().mUnits->Add(v);
        }
    }
    Infantry* AddInfantry(int32_t row, float x, float y, float heading) {
        auto* u = new Infantry;
        u->mSubtype = row;
        u->mX = x, u->mY = y;
        u->mHeading = heading;
        u->mActive = true;
        u->mSide = 1;
        for (auto& l : u->mTextureSets)
            for (int k = 0; k < 7; ++k)
                l[k] = set[k];
        battle().mUnits->Add(u);
        return u;
    }
    // 200 squads from 8 m to 1.3 km ahead of the camera, so that every level
    // of detail of the figures is drawn.
    void AddSquads() {
        for (int i = 0; i < 200; ++i) {
            const float ahead = 8.0f * std::pow(1.026f, static_cast<float>(i));
            const float across = (static_cast<float>(i % 9) - 4.0f) * (4.0f + 0.25f * ahead);
            Infantry* u = AddInfantry(UnitRows::kSquad, 1150.0f + across, 705.0f + ahead, 15.0f * i);
            u->mFigurePos[2][0] = 20.0f, u->mFigurePos[4][0] = -20.0f;
        }
    }
    void AddGuns() {
        for (int i = 0; i < 20; ++i) {
            const int32_t row = i % 4 == 3 ? UnitRows::kMortar : UnitRows::kFirstGun + i % UnitRows::kGuns;
            AddInfantry(row, 1040.0f + 12.0f * i, 740.0f + 9.0f * (i % 5), 90.0f + 5.0f * i);
        }
    }
    // The 80 vehicles in the replay: every one has just fired (flash and
    // recoil) and shows a hit record (key D), every fourth burns (smoke).
    void InAction() {
        const int32_t now = 1000;
        battle().mPlayNow = now;
        CurrentDrawSettings().mState = 8;
        CurrentDrawSettings().mShowHitRecords = true;
        for (int32_t i = 0; i < battle().mUnits->GetCount(); ++i) {
            auto* v = static_cast<Vehicle*>(battle().mUnits->GetUnit(i));
            ActionPacket* shot = battle().CreateActionPacket(0);
            shot->mType = kPacketShell;
            shot->mFirer = v;
            shot->mTimeSlice = now - 2;
            v->mHitRecord[0] = i % 5, v->mHitRecord[1] = i % 3, v->mHitRecord[3] = i % 3;
            v->mHitRecordSlice = now - 20;
            if (i % 4 == 0) {
                v->mBurning = true;
                v->mHitStamp = battle().mTurn * 2400 + now - 400;
                v->mSmokeWidth = 3.0f;
            }
        }
    }
    // 60 effects in flight at the playback slice: 20 shells and bursts, 20
    // explosions, 10 spark showers and 10 flame impacts, each a third through.
    void AddEffects() {
        const int32_t now = 1000;
        battle().mPlayNow = now;
        auto place = [&](Ephemeral* e, int32_t duration, float x, float y) {
            e->mDuration = duration;
            e->mStart = now - duration / 3;
            e->mX = x, e->mY = y;
            e->mZ = scene->map->GetZCoord(x, y);
            battle().mEffects.Add(e);
        };
        for (int i = 0; i < 20; ++i) {
            auto* s = new ShellGraphic;
            s->mLook = static_cast<int16_t>(i % 2 ? 1 : 20 + i % 4);
            s->mHeavyShell = s->mLook < 20;
            s->mTargetX = 1100.0f + 10.0f * i, s->mTargetY = 1000.0f;
            place(s, 120, 1100.0f + 8.0f * i, 760.0f);
        }
        for (int i = 0; i < 20; ++i) {
            auto* x = new ExplosionGraphic;
            place(x, 80, 1060.0f + 14.0f * i, 800.0f + 20.0f * (i % 6));
            x->mBlast = 20.0f + 5.0f * (i % 4);
            x->CreateShards();
        }
        for (int i = 0; i < 10; ++i) {
            auto* sp = new SparkGraphic;
            place(sp, 40, 1100.0f + 25.0f * i, 790.0f);
            sp->CreateSparks(5.0e7f, 30.0f * i);
        }
        for (int i = 0; i < 10; ++i) {
            auto* fl = new FlameImpactGraphic;
            fl->mLarge = i % 2 == 0;
            place(fl, 60, 1080.0f + 20.0f * i, 840.0f);
        }
    }
    // 60 smoke clouds (rounds, pots and dust) and 20 collapsing buildings'
    // dust clouds in view, each half grown.
    void AddClouds() {
        const int32_t now = battle().mTurn * 2400 + battle().mPlayNow;
        for (int i = 0; i < 60; ++i) {
            auto* s = new SmokeShell;
            s->mX = 1000.0f + 10.0f * i;
            s->mY = 780.0f + 30.0f * (i % 4);
            s->mKind = i % 3;
            s->mRadius = 8.0f + (i % 5);
            s->mStartTime = now - 200;
            s->mDuration = 600;
            scene->map->mSmokeShells->Add(s);
        }
        for (int i = 0; i < 20; ++i) {
            auto* x = new ExplosionGraphic;
            x->mShardCount = 0;
            x->mBurstKind = 1;
            x->mRubble = true;
            x->mRaisedBurst = true;
            x->mBlast = i % 2 ? 90.0f : 60.0f;
            x->mDuration = 320;
            x->mStart = battle().mPlayNow - 100;
            x->mX = 1040.0f + 15.0f * i, x->mY = 820.0f + 15.0f * (i % 3);
            x->mZ = scene->map->GetZCoord(x->mX, x->mY);
            x->CreateShards();
            battle().mEffects.Add(x);
        }
    }
    void Frame() { rig.Frame(); }
};

const char* const kPopulations[] = {"scenery alone", "with 80 vehicles", "with 300 units and 60 effects",
                                    "the same with 60 smoke and 20 rubble clouds",
                                    "with 80 vehicles firing, hit and burning in the replay"};

void BM_BattleFrameLevel1(benchmark::State& state) {
    BattleRig rig(static_cast<Population>(state.range(0)));
    state.SetLabel(kPopulations[state.range(0)]);
    rig.Frame();
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        benchmark::DoNotOptimize(rig.rig.host.mPixels.data());
    }
}
BENCHMARK(BM_BattleFrameLevel1)
    ->Arg(kSceneryAlone)
    ->Arg(kVehicles80)
    ->Arg(kFullBattle)
    ->Arg(kFullBattleWithClouds)
    ->Arg(kVehicles80InAction)
    ->Unit(benchmark::kMillisecond);

// The same close frames with the game's own render threads (one a core, as
// the battle screen draws them), wall time to the last finished pixel.
void BM_BattleFrameLevel1AllCores(benchmark::State& state) {
    BattleRig rig(static_cast<Population>(state.range(0)));
    state.SetLabel(kPopulations[state.range(0)]);
    SoftDevice3D& device = rig.rig.host.mDevice;
    device.SetThreadCount(0);
    state.counters["threads"] = device.ThreadCount();
    rig.Frame();
    device.Flush();
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        device.Flush();
        benchmark::DoNotOptimize(rig.rig.host.mPixels.data());
    }
    device.SetThreadCount(1);
}
BENCHMARK(BM_BattleFrameLevel1AllCores)
    ->Arg(kFullBattle)
    ->Arg(kFullBattleWithClouds)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the 60 smoke and 20 rubble clouds add to the full battle's frame,
// measured in pairs: the same rig draws a frame without the clouds and one
// with them, in turn (which goes first alternates), so that both see the
// same load on a shared machine. Arg 0: the game's render threads (one a
// core), 1: one thread. Wall time to the last finished pixel; counters: the
// medians of the frames without and with the clouds and of the pairs'
// differences (clouds_ms).
void BM_BattleCloudCost(benchmark::State& state) {
    BattleRig rig(kFullBattleWithClouds);
    SoftDevice3D& device = rig.rig.host.mDevice;
    device.SetThreadCount(state.range(0) == 0 ? 0 : 1);
    state.SetLabel(state.range(0) == 0 ? "render threads" : "one thread");
    GGroup* shells = rig.scene->map->mSmokeShells;
    GList& effects = rig.battle().mEffects;
    std::vector<GObject*> smoke, dust;
    shells->DoForEach([](GObject* o, void* list) { static_cast<std::vector<GObject*>*>(list)->push_back(o); }, &smoke);
    for (int32_t i = effects.GetCount() - 20; i < effects.GetCount(); ++i) dust.push_back(effects.GetObjectA(i));
    bool shown = true; // the rig owns the clouds while they are in its lists
    auto clouds = [&](bool on) {
        if (on == shown) return;
        shown = on;
        if (on) {
            for (GObject* o : smoke) shells->Add(o);
            for (GObject* o : dust) effects.Add(o);
        } else {
            shells->EmptyOut(false);
            for (size_t i = 0; i < dust.size(); ++i) effects.DeleteIndex(effects.GetCount() - 1, false);
        }
    };
    auto frame = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        rig.scene->map->DirtyClip();
        rig.Frame();
        device.Flush();
        benchmark::DoNotOptimize(rig.rig.host.mPixels.data());
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    clouds(false);
    frame();
    clouds(true);
    frame();
    std::vector<double> without, with, added;
    for (auto _ : state) {
        const bool cloudsFirst = (without.size() & 1) != 0;
        double t[2];
        for (int k = 0; k < 2; ++k) {
            const bool on = (k == 0) == cloudsFirst;
            clouds(on);
            t[on] = frame();
        }
        without.push_back(t[0]), with.push_back(t[1]), added.push_back(t[1] - t[0]);
        state.SetIterationTime((t[0] + t[1]) / 1000.0);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    clouds(true);
    state.counters["without_ms"] = median(without);
    state.counters["with_ms"] = median(with);
    state.counters["clouds_ms"] = median(added);
    device.SetThreadCount(1);
}
BENCHMARK(BM_BattleCloudCost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// The full battle in fog (weather 4, fog from 1 m to 850 m): every textured
// pixel is fogged and blended in full. Arg 0 draws the blended runs with the
// plain loop, 1 eight pixels at a time (the same pixels).
void BM_BattleFrameInFog(benchmark::State& state) {
    BattleRig rig(kFullBattle);
    rig.battle().mWeather = 4;
    SoftPixel::SetWideBlend(state.range(0) != 0);
    state.SetLabel(state.range(0) != 0 ? "eight-wide blend" : "plain loop");
    rig.Frame();
    const int64_t culled = rig.r->FogCulled();
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        benchmark::DoNotOptimize(rig.rig.host.mPixels.data());
    }
    state.counters["fog_culled"] = double(rig.r->FogCulled() - culled) / double(state.iterations());
    SoftPixel::SetWideBlend(true);
}
BENCHMARK(BM_BattleFrameInFog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The full battle with every triangle walked (arg 0) or with the triangles
// that lie behind every stored depth under their box skipped (arg 1, as the
// game draws; the same pixels).
void BM_BattleFrameHiddenSkip(benchmark::State& state) {
    BattleRig rig(kFullBattle);
    SoftPixel::SetHiddenSkip(state.range(0) != 0);
    state.SetLabel(state.range(0) != 0 ? "hidden triangles skipped" : "every triangle walked");
    rig.Frame();
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        benchmark::DoNotOptimize(rig.rig.host.mPixels.data());
    }
    SoftPixel::SetHiddenSkip(true);
}
BENCHMARK(BM_BattleFrameHiddenSkip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The units, then the effects, drawn on their own over the full battle.
void BM_BattleUnitsAlone(benchmark::State& state) {
    BattleRig rig(static_cast<Population>(state.range(0)));
    state.SetLabel(kPopulations[state.range(0)]);
    rig.Frame();
    for (auto _ : state) {
        rig.r->RenderBegin(nullptr);
        rig.scene->map->DrawUnits();
        rig.scene->map->DrawEphemerals();
        rig.r->RenderEnd();
    }
}
BENCHMARK(BM_BattleUnitsAlone)
    ->Arg(kVehicles80)
    ->Arg(kFullBattle)
    ->Arg(kVehicles80InAction)
    ->Unit(benchmark::kMillisecond);

// The parts of the last: the units alone, then the effects alone.
void BM_BattleUnitsOrEffects(benchmark::State& state) {
    BattleRig rig(kFullBattle);
    const bool effects = state.range(0) != 0;
    state.SetLabel(effects ? "60 effects" : "300 units");
    rig.Frame();
    for (auto _ : state) {
        rig.r->RenderBegin(nullptr);
        if (effects)
            rig.scene->map->DrawEphemerals();
        else
            rig.scene->map->DrawUnits();
        rig.r->RenderEnd();
    }
}
BENCHMARK(BM_BattleUnitsOrEffects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BattleBothPickPasses(benchmark::State& state) {
    BattleRig rig(static_cast<Population>(state.range(0)));
    state.SetLabel(kPopulations[state.range(0)]);
    rig.Frame();
    for (auto _ : state)
        rig.rig.BothPickPasses(512, 500);
}
BENCHMARK(BM_BattleBothPickPasses)->Arg(kVehicles80)->Arg(kFullBattle)->Unit(benchmark::kMillisecond);

} // namespace
