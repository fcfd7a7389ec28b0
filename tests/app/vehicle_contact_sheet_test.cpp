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
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "platform/Surface16.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kTileW = 256, kTileH = 192, kViews = 3;

// The screen about its centre moved by (dx, dy), halved, into row `row`, column `col` of the sheet.
void Grab(std::vector<uint16_t>& sheet, int32_t row, int32_t col, int32_t dx, int32_t dy) {
    const PixelTarget16 screen = gKernel->GetBackBuffer();
    const int32_t x0 = screen.width / 2 + dx - kTileW, y0 = screen.height / 2 + dy - kTileH;
    for (int32_t y = 0; y < kTileH; ++y)
        for (int32_t x = 0; x < kTileW; ++x) {
            const int32_t sx = x0 + 2 * x, sy = y0 + 2 * y;
            if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
            sheet[static_cast<size_t>(row * kTileH + y) * (kViews * kTileW) + col * kTileW + x] =
                screen.Row(sy)[sx];
        }
}

} // namespace

TEST(VehicleContactSheet, EveryVehicleTypeOfTheDemoBattlesAndTheGenericTypesFromThreeSides) {
    const bool loaded = gVehicleData.Count() == 0;
    if (loaded) {
        ASSERT_TRUE(DecryptData());
    }
    const std::string art = GetProgramFolder() + "/Demo Data/Pictures/";
    ProgramFolder folder;
    const std::string oldArt = GPictureStore::Get().GetFolder();
    GPictureStore::Get().SetFolder(art);
    gKernel = new GKernel;
    ASSERT_TRUE(gKernel->IKernel());
    auto* app = new MVApplication;
    gKernel->StartApp(app);
    gKernel->SetScreenMode(1024, 768);

    std::vector<uint16_t> sheet;
    std::set<int32_t> drawn; // vehicle types, the generic ones too
    int32_t rows = 0;
    for (const char* name : {"panzer.mvg", "grossangriff.mvg", "bruecke.mvg", "mortain.mvh"}) {
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
        battle->BeginBattle(true, false);
        Map* map = battle->mMap;
        ASSERT_NE(map, nullptr);
        const int32_t s = map->ViewingSide();
        const Affiliation viewer = app->ViewingSide();
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (!u->mActive || u->mUnitType != kUnitVehicle) continue;
            auto* v = static_cast<Vehicle*>(u);
            // The type itself, and for the other side's vehicles the generic type it is taken for
            // below contact 3.
            const bool own = v->IsOwnUnit(viewer);
            for (int32_t pass = 0; pass < (own ? 1 : 2); ++pass) {
                const int32_t type = pass == 0 ? v->mSubtype : v->mMistakenTypes[2];
                if (!drawn.insert(type).second) continue;
                const auto oldContact = v->mContactLevel;
                const bool oldHidden = v->mHidden, oldGone = v->mSpotMarkerGone, oldButtoned = v->mButtoned;
                v->mContactLevel = pass == 0 ? kContactFull : static_cast<FogOfWarContact>(2);
                v->mHidden = false, v->mSpotMarkerGone = false, v->mButtoned = false;
                sheet.resize(static_cast<size_t>(rows + 1) * kTileH * kViews * kTileW, 0);
                // Side, front, above: the camera 16 m off at ground level, then 20 m off from level 2, where
                // it shows below the centre.
                const float facing = v->mHeading * 0.017453293f;
                const float looks[kViews] = {facing + 1.5707963f, facing + 3.1415927f, facing + 0.6f};
                for (int32_t k = 0; k < kViews; ++k) {
                    const float d = k < 2 ? 16.0f : 20.0f;
                    const float h = looks[k] + 3.1415927f; // the camera looks along its heading
                    map->mCameraLevel[s] = k < 2 ? 0 : 2;
                    map->mCameraX[s] = v->mX - d * std::cos(h);
                    map->mCameraY[s] = v->mY - d * std::sin(h);
                    map->mCameraHeading[s] = h;
                    map->mLockedUnit = nullptr;
                    map->DirtyClip();
                    gKernel->UpdateScreen();
                    Grab(sheet, rows, k, k < 2 ? 0 : 40, k < 2 ? 0 : 110);
                }
                v->mContactLevel = oldContact;
                v->mHidden = oldHidden, v->mSpotMarkerGone = oldGone, v->mButtoned = oldButtoned;
                ++rows;
            }
        }
        delete battle;
        gBattle = nullptr;
        gCampaign = nullptr;
    }
    // The demo battles' own types (10 of them) and at least the generic tank.
    EXPECT_GE(rows, 10);
    EXPECT_TRUE(drawn.count(409));
    PixelTarget16 image{sheet.data(), kViews * kTileW, rows * kTileH, kViews * kTileW};
    EXPECT_TRUE(SavePng16(folder.Path("vehicle-contact-sheet.png").c_str(), image));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(SavePng16((std::string(src) + "/docs/vehicle-contact-sheet.png").c_str(), image));
    }
    delete gKernel;
    gKernel = nullptr;
    GPictureStore::Get().SetFolder(oldArt);
    if (loaded) DeleteCryptoData();
}
