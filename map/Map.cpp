#include "map/Map.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Landmark.h"
#include "map/MapBattleLink.h"
#include "map/MapIO.h"
#include "map/MapState.h"

namespace {

constexpr float kDefaultLowest = 9.0e20f;
constexpr int32_t kDefaultSquares = 50;       // the default map: 1 km x 1 km
constexpr int32_t kDefaultHeightCode = 54;    // about 0 m at scale 1
constexpr float kBoreSightRadius = 20.0f;

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

float DecodePointHeight(uint16_t entry, float heightScale)
{
    // Computed in double as written, then stored as float.
    return static_cast<float>(((entry & 0x3ff) * 3.0 * 0.01857282593846321 - 3.0) * heightScale);
}

Map::Map()
{
    static std::atomic<uint32_t> sMapsMade{0};
    mInstance = sMapsMade.fetch_add(1, std::memory_order_relaxed) + 1;
    CreateGroups();
    for (int d = 0; d < 4; ++d) mLowestEdgeElevation[d] = kDefaultLowest;
    MakeSmokeAndFlames();
}

// Every column starts with its puffs as the drawing renews them (jitter,
// turn and a spin either way) and a random age; each flame gets its span,
// height and base, and the wall it stands on.
void Map::MakeSmokeAndFlames()
{
    auto r = [] { return static_cast<float>(RandomFraction()); };
    for (int32_t c = 0; c < kSmokeColumns; ++c) {
        for (int32_t k = 0; k < kSmokePuffs; ++k) {
            mPuffX[c][k] = r() - 0.5f;
            mPuffZ[c][k] = -r();
            mPuffSpin[c][k] = 360.0f * r();
            mPuffSpinRate[c][k] = 15.0f * r() + 15.0f;
            if (RandomCoin() == 0) mPuffSpinRate[c][k] = -mPuffSpinRate[c][k];
        }
        mColumnAge[c] = static_cast<int32_t>(RandomPick(1100));
    }
    for (int32_t p = 0; p < kFlamePatterns; ++p) {
        for (int32_t n = 0; n < kFlamesPerPattern; ++n) {
            FlamePattern& f = mFlamePatterns[p][n];
            f.mFrom.x = 20.0f * r() - 10.0f;
            f.mFrom.y = 20.0f * r() - 10.0f;
            f.mTo.x = 20.0f * r() - 10.0f;
            f.mTo.y = 20.0f * r() - 10.0f;
            f.mHeight = 0.5f + 3.5f * r();
            f.mBase = 3.0f * r();
            mFlameWall[p][n] = static_cast<uint8_t>(RandomPick(4));
        }
    }
}

Map::~Map()
{
    ReleaseDrawState();
    delete mSaved;
    DeleteAIPathGrids();
    DeleteGroups();
}

void Map::CreateGroups()
{
    mBuildings = new GList;
    mBuildings->IList();
    mWalls = new GList;
    mWalls->IList();
    mCraters = new CraterGroup;
    mCraters->ICraterGroup(this);
    mFoxholes = new CraterGroup;
    mFoxholes->ICraterGroup(this);
    mLandmarks = new GList;
    mLandmarks->IList();
    for (GList*& list : mTrees) {
        list = new GList;
        list->IList();
    }
    mSounds = new GList;
    mSounds->IList();
    mSoundLoops = new GList;
    mSoundLoops->IList();
    // A list, so that the smoke's users can walk it by index.
    auto* smoke = new GList;
    smoke->IList();
    mSmokeShells = smoke;
}

void Map::DeleteGroups()
{
    delete mBuildings;
    delete mWalls;
    delete mCraters;
    delete mFoxholes;
    delete mLandmarks;
    for (GList*& list : mTrees) {
        delete list;
        list = nullptr;
    }
    delete mSounds;
    delete mSoundLoops;
    delete mSmokeShells;
    mSmokeShells = nullptr;
    mCraters = mFoxholes = nullptr;
    mBuildings = mWalls = mLandmarks = mSounds = mSoundLoops = nullptr;
}

void Map::ClearGrid()
{
    mWidth = mHeight = mSquareCount = 0;
    mWidthMetres = mHeightMetres = 0.0f;
    mPointsX = mPointsY = 0;
    mPoints.clear();
    mSquares.clear();
    mLevels.clear();
    mFire.clear();
    mFireAge.clear();
    mCornerHeight.clear();
    mCenterHeight.clear();
    mFarCornerHeight.clear();
    mFarCenterHeight.clear();
    mBuildingStart.clear();
    mBuildingOrder.clear();
    mFoxholeMark.clear();
    mWallStart.clear();
    mWallOrder.clear();
    mWallList.clear();
    mWallTypes.clear();
    MarkAllSquareTopsDirty();
    DeleteAIPathGrids();
    mSightCache.Clear();
    delete mSaved;
    mSaved = nullptr;
    mKeepOldMutables = false;
}

bool Map::IBlankMap(int32_t cols, int32_t rows, float heightScale, int32_t heightCode)
{
    if (cols < 1 || rows < 1 || cols > kMapMaxSquares || rows > kMapMaxSquares) return false;
    if (!std::isfinite(heightScale) || heightScale <= 0.0f) return false;
    DeleteGroups();
    CreateGroups();
    ClearGrid();
    mWidth = cols;
    mHeight = rows;
    mSquareCount = cols * rows;
    mHeightScale = heightScale;
    mPointsX = cols * kPointsPerSquare + 1;
    mPointsY = rows * kPointsPerSquare + 1;
    mPoints.assign(static_cast<size_t>(mPointsX) * mPointsY, EncodePoint(heightCode, kTerrainOpen));
    mSquares.assign(mSquareCount, Square());
    // The level byte counts 3 m steps of the scale; a flat map's squares sit
    // at the level nearest their ground, so that centre and corner heights
    // agree.
    const float ground = DecodePointHeight(EncodePoint(heightCode, kTerrainOpen), heightScale);
    const float level = std::clamp(std::round(ground / (3.0f * heightScale)), 0.0f, 255.0f);
    mLevels.assign(mSquareCount, static_cast<uint8_t>(level));
    mFire.assign(mSquareCount, 0);
    mFireAge.assign(mSquareCount, 0);
    SetDefaultCameras();
    FinishInit();
    return true;
}

void Map::SetDefaultCameras()
{
    for (int side = 0; side < 2; ++side) {
        mCameraX[side] = mWidth * kSquareSize * 0.5f;
        mCameraY[side] = mHeight * kSquareSize * 0.5f;
        mCameraHeading[side] = 0.0f;
        mCameraLevel[side] = 4;
    }
}

void Map::FinishInit()
{
    // The camera's width class follows the screen the kernel opened.
    if (gKernel) SetScreenWidth(gKernel->mScreenWidth);
    mWidthMetres = mWidth * kSquareSize;
    mHeightMetres = mHeight * kSquareSize;
    RecomputeHeights();
    PrecomputeSuperTiles();
    IndexObjects();
    AddTrees();
    mSightCache.Clear();
    RefreshSquareTops();
}

void Map::RecomputeHeights()
{
    ComputeHeightTable();
    ComputeCornerAndCenterHeights();
    ComputeMidPointElevations();
    ComputeLowestEdgeElevations();
}

void Map::ComputeHeightTable()
{
    for (int32_t code = 0; code < 1024; ++code) {
        mHeightOfCode[code] = DecodePointHeight(static_cast<uint16_t>(code), mHeightScale);
    }
    MarkAllSquareTopsDirty();
}

void Map::ComputeCornerAndCenterHeights()
{
    mCornerHeight.assign(static_cast<size_t>(mWidth + 1) * (mHeight + 1), 0.0f);
    for (int32_t i = 0; i <= mWidth; ++i) {
        for (int32_t j = 0; j <= mHeight; ++j) {
            mCornerHeight[static_cast<size_t>(i) * (mHeight + 1) + j] =
                PointHeight(i * kPointsPerSquare, j * kPointsPerSquare);
        }
    }
    mCenterHeight.assign(mSquareCount, 0.0f);
    for (int32_t s = 0; s < mSquareCount; ++s) {
        mCenterHeight[s] = mLevels[s] * 3.0f * mHeightScale;
    }
}

void Map::ComputeLowestEdgeElevations()
{
    for (int d = 0; d < 4; ++d) mLowestEdgeElevation[d] = kDefaultLowest;
    auto lower = [this](int d, int32_t col, int32_t row) {
        float h = mCenterHeight[SquareIndex(col, row)];
        if (h < mLowestEdgeElevation[d]) mLowestEdgeElevation[d] = h;
    };
    for (int32_t row = 0; row < mHeight; ++row) {
        lower(kDirWest, 0, row);
        lower(kDirEast, mWidth - 1, row);
    }
    for (int32_t col = 0; col < mWidth; ++col) {
        lower(kDirNorth, col, mHeight - 1);
        lower(kDirSouth, col, 0);
    }
}

// A far super tile (4 x 4 squares) is drawn as a fan of four triangles from
// its middle corner to its four corners. The far heights are that surface's
// heights at every square corner and centre.
void Map::ComputeMidPointElevations()
{
    const int32_t cw = mWidth + 1, ch = mHeight + 1;
    mFarCornerHeight.assign(static_cast<size_t>(cw) * ch, 0.0f);
    mFarCenterHeight.assign(mSquareCount, 0.0f);
    auto corner = [&](int32_t i, int32_t j) {
        i = std::min(i, mWidth);
        j = std::min(j, mHeight);
        return mCornerHeight[static_cast<size_t>(i) * ch + j];
    };
    // Height of the fan surface of the tile holding corner-space point (u, v).
    auto fan = [&](float u, float v) {
        int32_t a = std::min(static_cast<int32_t>(u / 4.0f), (mWidth - 1) / 4);
        int32_t b = std::min(static_cast<int32_t>(v / 4.0f), (mHeight - 1) / 4);
        float x0 = a * 4.0f, y0 = b * 4.0f;
        float x1 = std::min(x0 + 4.0f, static_cast<float>(mWidth));
        float y1 = std::min(y0 + 4.0f, static_cast<float>(mHeight));
        float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
        float hc = corner(a * 4 + 2, b * 4 + 2);
        // Quadrant by the diagonals through the centre: the triangle whose
        // outer edge faces the point.
        float dx = (u - cx) / (x1 - x0), dy = (v - cy) / (y1 - y0);
        float ex, ey, fx, fy;  // the outer edge's two corners
        if (std::fabs(dx) >= std::fabs(dy)) {
            ex = fx = dx >= 0 ? x1 : x0;
            ey = y0;
            fy = y1;
        } else {
            ey = fy = dy >= 0 ? y1 : y0;
            ex = x0;
            fx = x1;
        }
        float he = corner(static_cast<int32_t>(ex), static_cast<int32_t>(ey));
        float hf = corner(static_cast<int32_t>(fx), static_cast<int32_t>(fy));
        // Barycentric weights of (u, v) in triangle (c, e, f).
        float det = (ex - cx) * (fy - cy) - (fx - cx) * (ey - cy);
        if (det == 0.0f) return hc;
        float we = ((u - cx) * (fy - cy) - (fx - cx) * (v - cy)) / det;
        float wf = ((ex - cx) * (v - cy) - (u - cx) * (ey - cy)) / det;
        return hc + (he - hc) * we + (hf - hc) * wf;
    };
    for (int32_t i = 0; i < cw; ++i) {
        for (int32_t j = 0; j < ch; ++j) {
            mFarCornerHeight[static_cast<size_t>(i) * ch + j] = fan(static_cast<float>(i), static_cast<float>(j));
        }
    }
    for (int32_t i = 0; i < mWidth; ++i) {
        for (int32_t j = 0; j < mHeight; ++j) {
            mFarCenterHeight[SquareIndex(i, j)] = fan(i + 0.5f, j + 0.5f);
        }
    }
}

void Map::ElevationSpan()
{
    // The band holding most squares wears the middle shade (10), the one the
    // ground beyond the map wears too; the lower bands the map uses spread
    // over 9 down to 0 and the higher over 11 up to 19, so that a flat map
    // and a mountain both show the range of shades.
    auto band = [this](float h) {
        int32_t b = static_cast<int32_t>((h / mHeightScale + 3.01f) / 3.0f);
        return std::clamp(b, 0, kElevationBands - 1);
    };
    constexpr int32_t kMiddle = kElevationBands / 2;
    int32_t squares[kElevationBands] = {};
    for (float h : mCenterHeight)
        ++squares[band(h)];
    int32_t first = kElevationBands, last = -1, common = 0;
    for (int32_t b = 0; b < kElevationBands; ++b) {
        if (squares[b] == 0) continue;
        first = std::min(first, b);
        last = b;
        if (squares[b] > squares[common]) common = b;
    }
    for (float h : mCornerHeight) {
        if (last < 0) break;
        first = std::min(first, band(h));
        last = std::max(last, band(h));
    }
    if (last < 0) first = last = common = 0;
    for (int32_t b = 0; b < kElevationBands; ++b) {
        int32_t k = kMiddle;
        if (b < first)
            k = 0;
        else if (b < common)
            k = kMiddle - 1 - (common - 1 - b) * (kMiddle - 1) / std::max(common - 1 - first, 1);
        else if (b > last)
            k = kElevationBands - 1;
        else if (b > common)
            k = kMiddle + 1 + (b - common - 1) * (kElevationBands - 2 - kMiddle) / std::max(last - common - 1, 1);
        mElevationBandTexture[b] = k;
    }
}

bool Map::NeedOpenGroundTexture(int32_t k) const
{
    for (int32_t t : mElevationBandTexture) {
        if (t == k) return true;
    }
    return false;
}

void Map::SetScreenWidth(int32_t pixels)
{
    mScreenWidth = pixels;
    mWidthClass = pixels <= 699 ? 0 : (pixels <= 899 ? 1 : 2);
}

// ---------------------------------------------------------------- grid

bool Map::OnMap(float x, float y) const
{
    return x >= 0.0f && y >= 0.0f && x < mWidthMetres && y < mHeightMetres;
}

Square* Map::GetSquare(int32_t column, int32_t row)
{
    if (column < 0 || row < 0 || column >= mWidth || row >= mHeight) return nullptr;
    return &mSquares[SquareIndex(column, row)];
}

const Square* Map::GetSquare(int32_t column, int32_t row) const
{
    if (column < 0 || row < 0 || column >= mWidth || row >= mHeight) return nullptr;
    return &mSquares[SquareIndex(column, row)];
}

bool Map::SquareSpan(float lo, float hi, int32_t count, int32_t* first, int32_t* last)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi < 0.0f || lo * 0.05f >= static_cast<float>(count)) return false;
    // Clamped while still a float, so that no far-off value is turned into
    // an integer it does not fit.
    *first = static_cast<int32_t>(std::max(0.0f, lo * 0.05f));
    *last = static_cast<int32_t>(std::min(static_cast<float>(count - 1), hi * 0.05f));
    return *first <= *last;
}

void Map::SetPoint(int32_t i, int32_t j, uint16_t entry)
{
    if (i < 0 || j < 0 || i >= mPointsX || j >= mPointsY) return;
    mPoints[static_cast<size_t>(i) * mPointsY + j] = entry;
    MarkPointDirty(i, j);
}

int8_t Map::GetFireState(float x, float y) const
{
    if (!OnMap(x, y)) return 0;
    return mFire[SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f))];
}

// ---------------------------------------------------------------- height and terrain

float Map::GetZCoord(float x, float y) const
{
    if (mPoints.empty()) return 0.0f;
    // NaN fails every comparison; send it to the corner.
    if (!(x == x)) x = 0.0f;
    if (!(y == y)) y = 0.0f;
    x = Clamp(x, 0.01f, mWidthMetres - 0.01f);
    y = Clamp(y, 0.01f, mHeightMetres - 0.01f);
    float fx = x * 0.5f, fy = y * 0.5f;
    int32_t i = static_cast<int32_t>(fx), j = static_cast<int32_t>(fy);
    float tx = fx - i, ty = fy - j;
    const uint16_t* p = &mPoints[static_cast<size_t>(i) * mPointsY + j];
    float h00 = mHeightOfCode[p[0] & 0x3ff];
    float h01 = mHeightOfCode[p[1] & 0x3ff];
    float h10 = mHeightOfCode[p[mPointsY] & 0x3ff];
    float h11 = mHeightOfCode[p[mPointsY + 1] & 0x3ff];
    float a = h00 + (h10 - h00) * tx;
    float b = h01 + (h11 - h01) * tx;
    return a + (b - a) * ty;
}

float Map::GetZWithBuilding(float x, float y) const
{
    float z = GetZCoord(x, y);
    Terrain t = GetTerrain(x, y, false);
    if (t >= kTerrainUpperLight && t <= kTerrainUpperHeavyClosed) z += 6.0f;
    return z;
}

Terrain Map::GetTerrain(float x, float y, bool foxholes) const
{
    if (!OnMap(x, y)) return kTerrainOpen;
    int32_t i = static_cast<int32_t>(x * 0.5f), j = static_cast<int32_t>(y * 0.5f);
    Terrain t = DecodePointTerrain(mPoints[static_cast<size_t>(i) * mPointsY + j]);
    if (foxholes) {
        int32_t col = i / kPointsPerSquare, row = j / kPointsPerSquare;
        if (mFoxholeMark[SquareIndex(col, row)] && TerrainInfoOf(t).mDigCode != 0) {
            // Only a dug foxhole that covers the point changes the answer.
            if (mFoxholes->HasFoxholeAt(x, y)) return TerrainInfoOf(t).mDigCode;
        }
    }
    return t;
}

int32_t Map::ViewingSide() const
{
    const int32_t side = mBattleLink ? mBattleLink->ViewingSide(mViewingSide) : mViewingSide;
    return side == kAllies ? kAllies : kAxis;
}

float Map::GetRoughResolution(float x, float y, float z) const
{
    int32_t side = ViewingSide();
    float c = static_cast<float>(std::cos(-mCameraHeading[side]));
    float s = static_cast<float>(std::sin(-mCameraHeading[side]));
    float f = (x - mCameraX[side]) * c - (y - mCameraY[side]) * s;
    float d = std::max(std::fabs(f), std::fabs(mCameraHeight - z));
    float big = d * mFieldOfView;
    if (big < 0.0001f) big = 0.0001f;
    return mScreenWidth / big;
}

float Map::GetGap(float x, float y) const
{
    int32_t level = mCameraLevel[ViewingSide()];
    if (level > 6) return 1.0f;
    if (level == 6) return 0.85f;
    if (level == 5) return 0.6f;
    float r = Clamp(GetRoughResolution(x, y, 0.0f), 0.024f, 0.2f);
    return 0.023f / r;
}

bool Map::IsCover(Terrain t, bool strict) const
{
    const TerrainInfo& info = TerrainInfoOf(t);
    return strict ? info.mStrictCover != 0 : info.mCover != 0;
}

bool Map::IsCoverAt(float x, float y, bool strict) const
{
    if (!OnMap(x, y)) return true;
    return IsCover(GetTerrain(x, y, true), strict);
}

Direction Map::GetMapEdgeAimedAt(float x, float y, float heading) const
{
    x = Clamp(x, 0.0f, mWidthMetres);
    y = Clamp(y, 0.0f, mHeightMetres);
    double rad = heading * 0.017453292519943295;
    double dx = std::cos(rad), dy = std::sin(rad);
    Direction best = dx >= 0.0 ? kDirEast : kDirWest;
    double bestT = 1e30;
    if (dx > 1e-9) {
        bestT = (mWidthMetres - x) / dx;
        best = kDirEast;
    } else if (dx < -1e-9) {
        bestT = -x / dx;
        best = kDirWest;
    }
    if (dy > 1e-9 && (mHeightMetres - y) / dy < bestT) best = kDirNorth;
    if (dy < -1e-9 && -y / dy < bestT) best = kDirSouth;
    return best;
}

void Map::GetBoundingHeadings(float x, float y, Direction edge, float* distance, float* lo, float* hi) const
{
    // The edge's ends, listed so that the first is met first going
    // counter-clockwise (as seen from inside the map).
    float ax, ay, bx, by, d;
    const float w = mWidthMetres, h = mHeightMetres;
    switch (edge) {
    case kDirWest: ax = 0; ay = h; bx = 0; by = 0; d = x; break;
    case kDirNorth: ax = w; ay = h; bx = 0; by = h; d = h - y; break;
    case kDirEast: ax = w; ay = 0; bx = w; by = h; d = w - x; break;
    default: ax = 0; ay = 0; bx = w; by = 0; d = y; break;
    }
    auto bearing = [x, y](float px, float py) {
        double deg = std::atan2(static_cast<double>(py - y), static_cast<double>(px - x)) * 57.29577951308232;
        if (deg < 0.0) deg += 360.0;
        return static_cast<float>(deg);
    };
    float a = bearing(ax, ay), b = bearing(bx, by);
    if (b < a) b += 360.0f;
    if (distance) *distance = d;
    if (lo) *lo = a;
    if (hi) *hi = b;
}

GroundType Map::GetGroundType(bool alternative) const
{
    // The first square (x-major) whose overlay code names a ground family
    // decides; the alternative reading looks at overlay slot 1 as well.
    for (const Square& s : mSquares) {
        int8_t family = TerrainInfoOf(s.mOverlay[0]).mGroundFamily;
        if (family < 0 && alternative && s.mOverlay[1] != 0) family = TerrainInfoOf(s.mOverlay[1]).mGroundFamily;
        if (family >= 0) return family;
    }
    return 0;
}

bool Map::NearBoreSight(float x, float y, bool side) const
{
    if (!mBattleLink) return false;
    return mBattleLink->HasReferencePointNear(x, y, side ? kAllies : kAxis, kBoreSightRadius);
}

// ---------------------------------------------------------------- buildings and squares

Building* Map::GetBuildingAtCR(int32_t column, int32_t row) const
{
    if (column < 0 || row < 0 || column >= mWidth || row >= mHeight) return nullptr;
    int32_t s = SquareIndex(column, row);
    if (mBuildingStart[s] == mBuildingStart[s + 1]) return nullptr;
    return mBuildingOrder[mBuildingStart[s]];
}

Building* Map::GetBuildingAtXY(float x, float y) const
{
    if (!OnMap(x, y)) return nullptr;
    int32_t s = SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    Building* first = nullptr;
    for (int32_t k = mBuildingStart[s]; k < mBuildingStart[s + 1]; ++k) {
        Building* b = mBuildingOrder[k];
        if (b->Contains(x, y)) return b;
        if (!first) first = b;
    }
    // A point on a building square but outside every footprint (the yard)
    // still belongs to the square's building when the terrain says so.
    if (first && TerrainHas(GetTerrain(x, y, false), kTFBuilding)) return first;
    return nullptr;
}

void Map::FlagNoRoofForBuildingAtXY(float x, float y, bool upper)
{
    Building* b = GetBuildingAtXY(x, y);
    if (b) b->mNoRoof = 1;
}

void Map::ClearDoodads(float x, float y)
{
    if (!OnMap(x, y)) return;
    Square& s = mSquares[SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f))];
    s.mDoodads[0].mTypeAndVariant = static_cast<uint8_t>((s.mDoodads[0].mTypeAndVariant & ~0x1f) | kDoodadEmpty);
}

void Map::IndexObjects()
{
    // A building added to the group by hand on a square off the map is not
    // indexed (loading refuses such records).
    auto onMap = [this](const Building* b) { return GetSquare(b->mColumn, b->mRow) != nullptr; };
    mBuildingStart.assign(mSquareCount + 1, 0);
    const int32_t buildings = mBuildings->GetCount();
    for (int32_t k = 0; k < buildings; ++k) {
        const Building* b = static_cast<const Building*>(mBuildings->GetObjectA(k));
        if (onMap(b)) ++mBuildingStart[SquareIndex(b->mColumn, b->mRow) + 1];
    }
    for (int32_t s = 0; s < mSquareCount; ++s) mBuildingStart[s + 1] += mBuildingStart[s];
    mBuildingOrder.assign(mBuildingStart[mSquareCount], nullptr);
    std::vector<int32_t> fill(mBuildingStart.begin(), mBuildingStart.end() - 1);
    for (int32_t k = 0; k < buildings; ++k) {
        Building* b = static_cast<Building*>(mBuildings->GetObjectA(k));
        b->mMap = this;
        if (onMap(b)) mBuildingOrder[fill[SquareIndex(b->mColumn, b->mRow)]++] = b;
    }

    IndexWalls();

    mFoxholeMark.assign(mSquareCount, 0);
    for (int32_t k = 0; k < mCraters->GetCount(); ++k) mCraters->GetCrater(k)->mMap = this;
    const int32_t foxholes = mFoxholes->GetCount();
    for (int32_t k = 0; k < foxholes; ++k) {
        Crater* c = mFoxholes->GetCrater(k);
        c->mMap = this;
        MarkFoxhole(c);
    }
}

// ---------------------------------------------------------------- file and default

bool Map::IMap(GFile* file)
{
    if (!file) return IBlankMap(kDefaultSquares, kDefaultSquares, 1.0f, kDefaultHeightCode);
    DeleteGroups();
    CreateGroups();
    ClearGrid();
    return MapIO::Read(this, file);
}

void Map::Write(GFile* file) { MapIO::Write(this, file); }

void Map::IndexWalls()
{
    const int32_t walls = mWalls->GetCount();
    mWallList.assign(walls, nullptr);
    mWallTypes.clear();
    mWallStart.assign(mSquareCount + 1, 0);
    NoteTraceInputsChanged();
    // Each wall is listed in every square its box (grown by 1 m) touches.
    auto forSquares = [this](const Wall* w, auto fn) {
        int32_t c0, c1, r0, r1;
        if (!SquareSpan(std::min(w->mX0, w->mX1) - 1.0f, std::max(w->mX0, w->mX1) + 1.0f, mWidth, &c0, &c1) ||
            !SquareSpan(std::min(w->mY0, w->mY1) - 1.0f, std::max(w->mY0, w->mY1) + 1.0f, mHeight, &r0, &r1))
            return;
        for (int32_t col = c0; col <= c1; ++col) {
            for (int32_t row = r0; row <= r1; ++row) fn(SquareIndex(col, row));
        }
    };
    for (int32_t k = 0; k < walls; ++k) {
        Wall* w = static_cast<Wall*>(mWalls->GetObjectA(k));
        mWallList[k] = w;
        if (std::find(mWallTypes.begin(), mWallTypes.end(), w->mType) == mWallTypes.end())
            mWallTypes.push_back(w->mType);
        forSquares(w, [this](int32_t s) { ++mWallStart[s + 1]; });
        const float z0 = GetZCoord(w->mX0, w->mY0), z1 = GetZCoord(w->mX1, w->mY1);
        const float low = std::min(z0, z1);
        w->SetModelCoords((w->mX0 + w->mX1) * 0.5f, (w->mY0 + w->mY1) * 0.5f, low, std::fabs(w->mX1 - w->mX0) + 1.0f,
                          std::fabs(w->mY1 - w->mY0) + 1.0f, w->mHeight + std::fabs(z1 - z0));
    }
    for (int32_t s = 0; s < mSquareCount; ++s) mWallStart[s + 1] += mWallStart[s];
    mWallOrder.assign(mWallStart[mSquareCount], 0);
    std::vector<int32_t> fill(mWallStart.begin(), mWallStart.end() - 1);
    for (int32_t k = 0; k < walls; ++k) {
        forSquares(mWallList[k], [&](int32_t s) { mWallOrder[fill[s]++] = k; });
    }
}
