#pragma once
// Path finding over the map's 20 m squares: the per-side path grids and the
// A* search that reads them.
#include <cstdint>
#include <vector>

#include "units/Enums.h"

class Map;

constexpr int32_t kPathMaxPoints = 50;

// Answers of Map::AStar besides kPathFound (2).
constexpr PathResult kPathNoAnswer = 0;    // bad coordinates or no map
constexpr PathResult kPathUnreachable = 1; // no way leads to the goal

// Kinds of path grid. Units name theirs through their PathType.
constexpr PathType kPathOnFoot = 0;  // ordinary ground movement
constexpr PathType kPathWheeled = 1;
constexpr PathType kPathTracked = 2;
constexpr int32_t kPathTypes = 3;

// Cost above this marks a square not to be entered.
constexpr uint8_t kPathMaxCost = 4;
constexpr uint8_t kPathBlocked = 9;

// A path as the units store it: a count, then the x and the y of each point;
// the last point is the destination.
struct Path {
    int32_t mCount = 0;
    float mX[kPathMaxPoints] = {};
    float mY[kPathMaxPoints] = {};
};

// One path grid: a cost byte per 20 m square, x-major like the squares.
struct PathGrid {
    int32_t mRowWidth = 0;  // squares in one x-major run (squares along y)
    int32_t mSize = 0;      // squares in all
    int32_t mStride = 1;    // bytes per square
    std::vector<uint8_t> mCost;
    // Connected regions of enterable squares (-1 for the others), so that an
    // unreachable goal is known at once.
    std::vector<int32_t> mRegion;

    bool Enterable(int32_t square) const { return mCost[square] <= kPathMaxCost; }
};

// Builds a grid of the given type from the map's terrain, slopes and fires;
// the squares that reach into the found minefields centred at `mineFields`
// (x, y pairs, 12 m either way) are not entered.
void BuildPathGrid(const Map& map, PathType type, PathGrid* grid, const std::vector<float>* mineFields = nullptr);

// The search itself. Scratch space is kept between calls.
class AIPathFinder {
public:
    PathResult Find(const Map& map, const PathGrid& grid, float x1, float y1, float x2, float y2, Path* path);

private:
    void Simplify(const Map& map, const PathGrid& grid, float x1, float y1);
    bool StraightWalkable(const Map& map, const PathGrid& grid, float ax, float ay, float bx, float by,
                          uint8_t maxCost) const;

    std::vector<float> mCostSoFar;
    std::vector<int32_t> mParent;
    std::vector<uint32_t> mSeen;    // search generation that reached the square
    std::vector<uint32_t> mClosed;
    uint32_t mGeneration = 0;
    std::vector<int32_t> mSquares;  // the path found, start to goal
    std::vector<float> mPointX, mPointY;
};
