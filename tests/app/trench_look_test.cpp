// Hatten's trench with the real art: dug while its side places it, and dug
// the same when the set-up has turned it into ground.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "renderer/GGraph3D.h"
#include "units/Inanimate.h"

namespace {

// The frame's dug earth around a ground point: one flag per pixel of a box
// about its place on the screen, set where the pixel is dark brown. The
// camera looks from 60 m south of it, or from the west.
std::vector<bool> EarthAround(Map* map, float x, float y, bool fromWest = false) {
    const int32_t side = map->ViewingSide();
    map->mCameraLevel[side] = 1;
    map->mCameraX[side] = fromWest ? x - 60.0f : x;
    map->mCameraY[side] = fromWest ? y : y - 60.0f;
    map->mCameraHeading[side] = fromWest ? 0.0f : 1.5707964f;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    map->mView->Refresh();
    gKernel->UpdateScreen();
    float sx = x, sy = y;
    g3D->WorldToScreen(&sx, &sy, map->GetZCoord(x, y), false);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    std::vector<bool> earth;
    for (int32_t py = static_cast<int32_t>(sy) - 60; py < static_cast<int32_t>(sy) + 60; ++py)
        for (int32_t px = static_cast<int32_t>(sx) - 80; px < static_cast<int32_t>(sx) + 80; ++px) {
            if (px < 0 || py < 0 || px >= back.width || py >= back.height) {
                earth.push_back(false);
                continue;
            }
            const uint16_t p = back.Row(py)[px];
            const int32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
            earth.push_back(r < 150 && r > g && g > b && r > b + 15);
        }
    return earth;
}

int32_t Count(const std::vector<bool>& v) {
    int32_t n = 0;
    for (bool b : v) n += b;
    return n;
}

} // namespace

TEST(TrenchLook, TheSetUpsTrenchStaysDugWhereItWasPlaced) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    GFile file;
    GameFileState state;
    GameFileContents contents;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
    delete contents.campaign;
    Battle* battle = contents.battle;
    gBattle = battle;
    battle->mHost = app;
    Unit* trench = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInanimate &&
            static_cast<Inanimate*>(u)->GetInanimateType() == kInanimateTrenches)
            trench = u;
    }
    ASSERT_NE(trench, nullptr);
    const float x = trench->mX, y = trench->mY;
    app->mPlayers = 1;
    app->mSide = trench->GetAffiliation();
    battle->BeginBattle(true, false);
    Map* map = battle->mMap;
    ASSERT_TRUE(map && map->mView);
    ASSERT_TRUE(battle->mSetupPhase);
    const std::vector<bool> placed = EarthAround(map, x, y);

    battle->HandleCommand(9); // GO: the set-up ends, the trench becomes ground
    ASSERT_FALSE(battle->mSetupPhase);
    const Square* square = map->GetSquare(static_cast<int32_t>(x / 20.0f), static_cast<int32_t>(y / 20.0f));
    ASSERT_TRUE(square && (square->mOverlay[0] == 8 || square->mOverlay[1] == 8));
    const std::vector<bool> dug = EarthAround(map, x, y);
    int32_t both = 0;
    for (size_t i = 0; i < dug.size(); ++i) both += placed[i] && dug[i];
    EXPECT_GT(Count(placed), 150) << "the placed trench shows its dug earth";
    EXPECT_GE(both, Count(placed) * 9 / 10) << "the dug trench lies where and as it was placed";
    EXPECT_LE(Count(dug), Count(placed) * 11 / 10);

    // A loaded game knows only the trench's square: it is drawn dug at its
    // centre, running west to east.
    map->mDugTrenches.clear();
    EXPECT_GT(Count(EarthAround(map, x + 10.0f, y + 10.0f, true)), Count(placed) / 2);
    delete battle;
    gBattle = nullptr;
}
