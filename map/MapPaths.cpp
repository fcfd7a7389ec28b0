// The map's path grids and its A* service.
#include "map/Map.h"

// ---------------------------------------------------------------- paths

void Map::CalculateAIPathGrids(Affiliation side, PathType type)
{
    if (side < 0 || side > 1 || mSquareCount == 0) return;
    for (PathType t = 0; t < kPathTypes; ++t) {
        if (type != -1 && type != t) continue;
        if (!mPathGrids[side][t]) mPathGrids[side][t] = new PathGrid;
        std::vector<float> mineFields;
        if (mBattleLink) mBattleLink->GetFoundMineFields(side, t, &mineFields);
        BuildPathGrid(*this, t, mPathGrids[side][t], &mineFields);
    }
}

void Map::DeleteAIPathGrids()
{
    for (auto& sideGrids : mPathGrids) {
        for (PathGrid*& grid : sideGrids) {
            delete grid;
            grid = nullptr;
        }
    }
}

const PathGrid* Map::GetPathGrid(Affiliation side, PathType type) const
{
    if (side < 0 || side > 1 || type < 0 || type >= kPathTypes) return nullptr;
    return mPathGrids[side][type];
}

PathResult Map::AStar(Unit* unit, float x1, float y1, float x2, float y2, bool flag, Path* path)
{
    if (!path) return kPathNoAnswer;
    path->mCount = 0;
    if (mSquareCount == 0) return kPathNoAnswer;
    Affiliation side = mBattleLink && unit ? mBattleLink->GetSide(unit) : kAxis;
    PathType type = mBattleLink && unit ? mBattleLink->GetPathType(unit) : kPathOnFoot;
    if (side < 0 || side > 1) side = kAxis;
    if (type < 0 || type >= kPathTypes) type = kPathOnFoot;
    if (!mPathGrids[side][type]) CalculateAIPathGrids(side, type);
    return mPathFinder.Find(*this, *mPathGrids[side][type], x1, y1, x2, y2, path);
}
