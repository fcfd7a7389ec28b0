#pragma once
// A battlefield built in code for the scene picture and the drawing
// benchmark: 2 km of rolling hills with woods, fields and a road, 40
// buildings with hedges, 30 burning squares, 10 smoke shells and rain.
#include <cmath>
#include <memory>
#include <vector>

#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "draw/DrawSettings.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace dscene {

inline float HillHeight(float x, float y) {
    return 14.0f + 9.0f * std::sin(x * 0.004f) * std::cos(y * 0.003f) + 5.0f * std::sin((x + y) * 0.0021f);
}

struct Scene {
    Battle battle;
    Map* map = nullptr; // owned by the battle
    Battle* oldBattle = nullptr;

    explicit Scene(int32_t squares = 100) {
        oldBattle = gBattle;
        gBattle = &battle;
        battle.mTheatre = 0;
        battle.mWeather = 2;
        battle.mWindStrength = 1;
        battle.mTimeOfDay = 1;
        battle.mDate = 4406;
        battle.mSetupPhase = false;
        map = new Map;
        battle.mMap = map;
        map->IBlankMap(squares, squares, 1.0f, 54);
        // Heights: the point grid from the hill function.
        for (int32_t i = 0; i < map->mPointsX; ++i)
            for (int32_t j = 0; j < map->mPointsY; ++j) {
                const float h = HillHeight(i * 2.0f, j * 2.0f);
                const int32_t code = static_cast<int32_t>((h + 3.0f) / (3.0f * 0.01857282593846321f));
                map->SetPoint(i, j, EncodePoint(code, 0));
            }
        // Woods in two patches, fields, a road along row 40.
        for (int32_t i = 0; i < map->mPointsX - 1; ++i)
            for (int32_t j = 0; j < map->mPointsY - 1; ++j) {
                const float x = i * 2.0f, y = j * 2.0f;
                Terrain t = 0;
                if (std::hypot(x - 1300, y - 1100) < 260 || std::hypot(x - 700, y - 1500) < 180) t = 21;
                map->SetPoint(i, j, EncodePoint(map->GetPoint(i, j) & 0x3ff, t));
            }
        map->RecomputeHeights();
        for (int32_t i = 0; i < squares; ++i)
            for (int32_t j = 0; j < squares; ++j)
                map->mCenterHeight[static_cast<size_t>(i) * squares + j] =
                    map->GetZCoord(i * 20.0f + 10.0f, j * 20.0f + 10.0f);
        map->ComputeMidPointElevations();
        map->PrecomputeSuperTiles();
        map->AddTrees();
        for (int32_t i = 0; i < squares; ++i) {
            for (int32_t j = 0; j < squares; ++j) {
                Square& s = map->mSquares[static_cast<size_t>(i) * squares + j];
                if (j == squares * 2 / 5) {
                    s.mOverlay[0] = 14;
                    s.mOverlayTurn[0] = 1;
                } else if ((i / 6 + j / 5) % 3 == 0 && i < squares / 2) {
                    s.mOverlay[0] = 23;
                    s.mOverlayMirror[0] = 1;
                    s.mOverlayTurn[0] = static_cast<int8_t>((i + j) & 3);
                } else if ((i + 2 * j) % 11 == 0) {
                    s.mOverlay[0] = 4;
                }
            }
        }
        // 40 buildings in two villages, each with a hedge along its south side.
        for (int32_t k = 0; k < 40; ++k) {
            const int32_t c = (k < 20 ? squares / 4 : squares * 3 / 5) + (k % 5) * 2;
            const int32_t r = (k < 20 ? squares / 2 : squares / 3) + (k / 5 % 4) * 2;
            const float x0 = c * 20.0f + 4.0f, y0 = r * 20.0f + 4.0f;
            const float cx[4] = {x0, x0 + 12.0f, x0 + 12.0f, x0}, cy[4] = {y0, y0, y0 + 10.0f, y0 + 10.0f};
            auto* b = new Building;
            b->IBuilding(c, r, k % 3 == 0 ? 52 : 50, cx, cy);
            map->mBuildings->Add(b);
            auto* w = new Wall;
            w->IWall(44, x0 - 2.0f, y0 - 2.0f, x0 + 14.0f, y0 - 2.0f, 1.8f);
            map->mWalls->Add(w);
        }
        map->IndexObjects();
        // 30 burning squares near the eastern village.
        for (int32_t k = 0; k < 30; ++k) {
            const int32_t c = squares * 3 / 5 + k % 6, r = squares / 3 - 3 + k / 6;
            map->mFire[static_cast<size_t>(c) * squares + r] =
                static_cast<int8_t>(k % 4 == 0 ? 6 : (k % 3) + 1);
        }
        // 10 smoke shells.
        for (int32_t k = 0; k < 10; ++k) {
            auto* s = new SmokeShell;
            s->mX = squares * 10.0f + 30.0f * k;
            s->mY = squares * 9.0f;
            s->mKind = k % 3;
            s->mRadius = 6.0f;
            s->mStartTime = battle.mTurn * 2400 - 300;
            s->mDuration = 1200;
            map->mSmokeShells->Add(s);
        }
    }
    ~Scene() {
        // The tests lend their pictures to the units; the units must not free them.
        if (battle.mUnits)
            for (int32_t i = 0; i < battle.mUnits->GetCount(); ++i)
                if (Unit* u = battle.mUnits->GetUnit(i)) u->NullifyTextures(false);
        gBattle = oldBattle;
    }

    void Aim(float x, float y, float headingDegrees, int32_t level) {
        map->mCameraX[0] = x;
        map->mCameraY[0] = y;
        map->mCameraHeading[0] = headingDegrees * 0.017453292f;
        map->mCameraLevel[0] = level;
        map->mLevelTransition = 0.0f;
        map->DirtyClip();
    }
};

inline Scene* gScene = nullptr;

} // namespace dscene
