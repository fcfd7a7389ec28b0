// The vehicles' contact sheet through the program's own renderer and art:
// every vehicle type of the demo battles and the operation, and the generic
// types an unidentified contact is drawn as, each from the side, the front
// and above, in its battle with the battle's date, crew in open hatches.
// Written to the test's program folder, and to docs/vehicle-contact-sheet.png
// when DM_UPDATE_DOCS is set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "platform/Surface16.h"
#include "renderer/GGraph3D.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kTileW = 256, kTileH = 192, kViews = 3;

// The screen about (cx, cy), `step` screen pixels to a sheet pixel (2 halves, 0.5 doubles), into row
// `row`, column `col` of the sheet.
void Grab(std::vector<uint16_t>& sheet, int32_t row, int32_t col, float cx, float cy, float step) {
    const PixelTarget16 screen = gKernel->GetBackBuffer();
    const float x0 = cx - 0.5f * step * kTileW, y0 = cy - 0.5f * step * kTileH;
    for (int32_t y = 0; y < kTileH; ++y)
        for (int32_t x = 0; x < kTileW; ++x) {
            const int32_t sx = static_cast<int32_t>(x0 + step * x), sy = static_cast<int32_t>(y0 + step * y);
            if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
            sheet[static_cast<size_t>(row * kTileH + y) * (kViews * kTileW) + col * kTileW + x] =
                screen.Row(sy)[sx];
        }
}

} // namespace

TEST(VehicleContactSheet, EveryVehicleTypeOfTheDemoBattlesAndTheGenericTypesFromThreeSides) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();

    std::vector<uint16_t> sheet;
    std::set<int32_t> drawn; // vehicle types, the generic ones too
    int32_t rows = 0;
    for (const char* name : {"panzer.mvg", "grossangriff.mvg", "bruecke.mvg", "hatten.mvg", "mortain.mvh"}) {
        SCOPED_TRACE(name);
        GFile file;
        GameFileState state;
        GameFileContents contents;
        const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + name;
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
        ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
        std::unique_ptr<Campaign> campaign(contents.campaign);
        Battle* battle = contents.battle;
        if (!battle && campaign) {
            gCampaign = campaign.get();
            battle = campaign->BeginNextBattle(app);
        }
        ASSERT_NE(battle, nullptr);
        gBattle = battle;
        battle->mHost = app;
        // The reinforcements' vehicles arrive at once, side by side at their entry point, so they are drawn
        // too.
        for (GList& list : battle->mReinforcements)
            for (int32_t r = 0; r < list.GetCount(); ++r) {
                auto* rf = static_cast<Reinforcement*>(list.GetObjectA(r));
                for (int32_t i = rf->mUnits ? rf->mUnits->GetCount() - 1 : -1; i >= 0; --i) {
                    Unit* u = rf->mUnits->GetUnit(i);
                    if (u->mUnitType != kUnitVehicle) continue;
                    rf->mUnits->DeleteIndex(i, false);
                    battle->ReceiveReinforcementUnit(u, rf->mX, rf->mY);
                }
            }
        battle->BeginBattle(true, false);
        Map* map = battle->mMap;
        ASSERT_NE(map, nullptr);
        const int32_t s = map->ViewingSide();
        const Affiliation viewer = app->ViewingSide();
        // One row: the vehicle drawn as `type`, its own at full contact, a generic type at contact 2.
        auto row = [&](Vehicle* v, int32_t type) {
            if (!drawn.insert(type).second) return;
            const bool generic = type != v->mSubtype;
            const auto oldContact = v->mContactLevel;
            const int32_t oldMistaken = v->mMistakenTypes[2];
            const bool oldHidden = v->mHidden, oldGone = v->mSpotMarkerGone, oldButtoned = v->mButtoned;
            v->mContactLevel = generic ? static_cast<FogOfWarContact>(2) : kContactFull;
            if (generic) v->mMistakenTypes[2] = type; // the generic models share the one plain set
            v->mHidden = false, v->mSpotMarkerGone = false, v->mButtoned = false;
            sheet.resize(static_cast<size_t>(rows + 1) * kTileH * kViews * kTileW, 0);
            // Side, front, above: the camera 16 m off at ground level, then from level 3 looking down at
            // it from beyond the point looked at, magnified twice about its place on the screen.
            const float facing = v->mHeading * 0.017453293f;
            const float looks[kViews] = {facing + 1.5707963f, facing + 3.1415927f, facing + 0.6f};
            for (int32_t k = 0; k < kViews; ++k) {
                const float d = k < 2 ? 16.0f : 30.0f;
                const float h = looks[k] + 3.1415927f; // the camera looks along its heading
                map->mCameraLevel[s] = k < 2 ? 0 : 3;
                map->mCameraX[s] = v->mX - d * std::cos(h);
                map->mCameraY[s] = v->mY - d * std::sin(h);
                map->mCameraHeading[s] = h;
                map->mLockedUnit = nullptr;
                map->DirtyClip();
                gKernel->UpdateScreen();
                float cx = 0.5f * gKernel->GetBackBuffer().width, cy = 0.5f * gKernel->GetBackBuffer().height;
                if (k == 2) {
                    cx = v->mX, cy = v->mY;
                    g3D->WorldToScreen(&cx, &cy, v->GetZ() + 1.0f, false);
                }
                Grab(sheet, rows, k, cx, cy, k < 2 ? 2.0f : 0.5f);
            }
            v->mContactLevel = oldContact;
            v->mMistakenTypes[2] = oldMistaken;
            v->mHidden = oldHidden, v->mSpotMarkerGone = oldGone, v->mButtoned = oldButtoned;
            ++rows;
        };
        Vehicle* enemy = nullptr;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (!u->mActive || u->mUnitType != kUnitVehicle) continue;
            auto* v = static_cast<Vehicle*>(u);
            // The type itself, and for the other side's vehicles the generic type it is taken for
            // below contact 3.
            row(v, v->mSubtype);
            if (!v->IsOwnUnit(viewer)) {
                row(v, v->mMistakenTypes[2]);
                enemy = v;
            }
        }
        // The generic types no vehicle of the battles is taken for, on one of the other side's.
        for (int32_t g = 406; g <= 409 && enemy; ++g)
            row(enemy, g);
        delete battle;
        gBattle = nullptr;
        gCampaign = nullptr;
    }
    // The demo battles' and the operation's own types, their reinforcements' too, and every generic type.
    for (int32_t type : {15, 16, 17, 304, 306, 307, 309, 331, 332, 406, 407, 408, 409})
        EXPECT_TRUE(drawn.count(type)) << "vehicle type " << type;
    PixelTarget16 image{sheet.data(), kViews * kTileW, rows * kTileH, kViews * kTileW};
    EXPECT_TRUE(SavePng16(program.Path("vehicle-contact-sheet.png").c_str(), image));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(SavePng16((std::string(src) + "/docs/vehicle-contact-sheet.png").c_str(), image));
    }
}
