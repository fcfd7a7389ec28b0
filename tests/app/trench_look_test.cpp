// Hatten's trench with the real art: the dug zig-zag its side places in the
// set-up lies in the ground from the first turn on where it was placed and
// running the same way, and so it stays after the game is saved and loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "renderer/GGraph3D.h"
#include "units/Inanimate.h"

namespace {

// The dark ditch pixels of a frame about a ground point: how many, their
// middle on the screen and the direction (degrees, 0..180) they run in.
struct Ditch {
    int32_t count = 0;
    float x = 0.0f, y = 0.0f, angle = 0.0f;
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f; // the point's 20 m square on the screen
    // Whether the ditch's middle lies in that square, or within `margin`
    // pixels of it.
    bool InSquare(float margin = 0.0f) const {
        return count > 0 && x >= left - margin && x <= right + margin && y >= top - margin &&
               y <= bottom + margin;
    }
};

// Dug earth at the bottom of a ditch: dark and brown, not the grey of
// shadowed snow.
bool DitchPixel(uint16_t p) {
    const int32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
    return r < 100 && r >= g && g >= b && r > b + 12;
}

// Frames the ground point from 50 m south of it, high enough to see the
// trench's course, and gathers the ditch pixels of a box about it.
Ditch DitchAround(Map* map, float x, float y) {
    const int32_t side = map->ViewingSide();
    map->mCameraLevel[side] = 3;
    map->mCameraX[side] = x;
    map->mCameraY[side] = y - 50.0f;
    map->mCameraHeading[side] = 1.5707964f;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    map->mView->Refresh();
    gKernel->UpdateScreen();
    Ditch d;
    d.left = d.top = 1e9f, d.right = d.bottom = -1e9f;
    const float x0 = 20.0f * std::floor(x / 20.0f), y0 = 20.0f * std::floor(y / 20.0f);
    for (float cx : {x0, x0 + 20.0f})
        for (float cy : {y0, y0 + 20.0f}) {
            float px = cx, py = cy;
            g3D->WorldToScreen(&px, &py, map->GetZCoord(cx, cy), false);
            d.left = std::min(d.left, px), d.right = std::max(d.right, px);
            d.top = std::min(d.top, py), d.bottom = std::max(d.bottom, py);
        }
    float sx = x, sy = y;
    g3D->WorldToScreen(&sx, &sy, map->GetZCoord(x, y), false);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    double n = 0, mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
    for (int32_t py = static_cast<int32_t>(sy) - 90; py < static_cast<int32_t>(sy) + 90; ++py)
        for (int32_t px = static_cast<int32_t>(sx) - 120; px < static_cast<int32_t>(sx) + 120; ++px) {
            if (px < 0 || py < 0 || px >= back.width || py >= back.height || !DitchPixel(back.Row(py)[px]))
                continue;
            n += 1, mx += px, my += py, xx += double(px) * px, yy += double(py) * py, xy += double(px) * py;
        }
    d.count = static_cast<int32_t>(n);
    if (n == 0) return d;
    mx /= n, my /= n;
    const double cxx = xx / n - mx * mx, cyy = yy / n - my * my, cxy = xy / n - mx * my;
    double angle = 0.5 * std::atan2(2.0 * cxy, cxx - cyy) * 180.0 / 3.14159265358979;
    if (angle < 0) angle += 180.0;
    d.x = static_cast<float>(mx), d.y = static_cast<float>(my), d.angle = static_cast<float>(angle);
    return d;
}

// Degrees between two directions of a line.
float Between(float a, float b) {
    const float d = std::fabs(a - b);
    return std::min(d, 180.0f - d);
}

void ExpectSameTrench(const Ditch& placed, const Ditch& dug, const char* when) {
    std::printf(
        "[trench] %s: %d ditch pixels about (%.0f, %.0f) running %.0f deg; placed %d about (%.0f, %.0f) "
        "running %.0f deg\n",
        when, dug.count, dug.x, dug.y, dug.angle, placed.count, placed.x, placed.y, placed.angle);
    EXPECT_GT(dug.count, placed.count / 3) << when << ": the trench shows its dark ditch";
    // The ground draws the trench over the whole square it was placed in;
    // placed on the square's edge or corner (hatten's is), its middle lies
    // on that edge.
    EXPECT_TRUE(placed.InSquare(8.0f) && dug.InSquare())
        << when << ": the ditch lies where it was placed, in the square from (" << dug.left << ", " << dug.top
        << ") to (" << dug.right << ", " << dug.bottom << ")";
    EXPECT_LT(Between(dug.angle, placed.angle), 30.0f) << when << ": the ditch runs as it was placed";
}

// Hatten from the trench's side, its trench turned to `heading` degrees
// (a player may turn it in the set-up) or left as the battle places it:
// the dug trench of turn 1, and with `reload` that of the saved and loaded
// game, against the placed one.
void PlaceDigAndCompare(const RealArtProgram& program, const float* heading, bool reload) {
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
    if (heading) trench->mHeading = *heading;
    const float x = trench->mX, y = trench->mY;
    app->mPlayers = 1;
    app->mSide = trench->GetAffiliation();
    battle->BeginBattle(true, false);
    Map* map = battle->mMap;
    ASSERT_TRUE(map && map->mView);
    ASSERT_TRUE(battle->mSetupPhase);
    const Ditch placed = DitchAround(map, x, y);
    EXPECT_GT(placed.count, 100) << "the placed trench shows its dark ditch";

    battle->HandleCommand(9); // GO: the set-up ends, the trench becomes ground
    ASSERT_FALSE(battle->mSetupPhase);
    const Square* square = map->GetSquare(static_cast<int32_t>(x / 20.0f), static_cast<int32_t>(y / 20.0f));
    ASSERT_TRUE(square && (square->mOverlay[0] == 8 || square->mOverlay[1] == 8));
    ExpectSameTrench(placed, DitchAround(map, x, y), "turn 1");
    if (!reload) {
        delete battle;
        gBattle = nullptr;
        return;
    }

    // Saved and loaded by the program, the ground keeps the trench's turn.
    FileTestFolder folder("dm-trench-");
    const std::string saved = folder.File("graben.mvs");
    {
        GFile out;
        ASSERT_TRUE(out.IFile(saved.c_str(), kFileModeCompressedWrite));
        app->SaveGame(&out);
    }
    GFile in;
    ASSERT_TRUE(in.IFile(saved.c_str(), kFileModeCompressedRead));
    ASSERT_TRUE(app->LoadGame(&in, nullptr));
    ASSERT_TRUE(gBattle && gBattle != battle);
    gBattle->mHost = app;
    gBattle->BeginBattle(true, false);
    ASSERT_TRUE(gBattle->mMap && gBattle->mMap->mView);
    ExpectSameTrench(placed, DitchAround(gBattle->mMap, x, y), "loaded");
    delete gBattle;
    gBattle = nullptr;
}

} // namespace

// Hatten's trench as the battle places it, south to north.
TEST(TrenchLook, TheSetUpsTrenchStaysDugAsPlaced) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    PlaceDigAndCompare(program, nullptr, false);
}

// Turned west to east in the set-up, it runs so in the ground, and still
// after a save and a load.
TEST(TrenchLook, ATurnedTrenchRunsAsTurnedAcrossASave) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    const float westToEast = 0.0f;
    PlaceDigAndCompare(program, &westToEast, true);
}
