// Line of sight, wall blocking and flight paths over the 2 m height profile.
// The model is described in docs/line-of-sight.md.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "engine/GParallel.h"
#include "map/Map.h"

bool gIgnoreTempSmokeForLOS = false;

namespace {

constexpr float kMinVisibility = 0.02f;               // below this nothing is seen
const float kMaxDepth = -std::log(kMinVisibility);    // the same as optical depth
constexpr float kFireSmokeDensity = 0.03f;            // per metre over a large fire
constexpr float kFireSmokeHeight = 15.0f;
constexpr float kOwnCover = 10.0f;                    // a unit sees out of its own cover
constexpr float kWallReach = 2.0f;                    // a unit at a wall looks over it
constexpr float kEyeGroundTolerance = 0.05f;
constexpr float kGravity = 9.81f;
constexpr float kMaxSteps = 1 << 16;                  // 131 km at 2 m
constexpr int32_t kBlockSquares = 4;                   // squares along a block's side
constexpr float kBlockSize = kBlockSquares * kSquareSize;
// The ground probe halves the line again and again while its looks stay at
// least this many steps apart.
constexpr int32_t kProbeFine = 32;

// The walk's step count, ceil(horiz / 2 m) within 1 .. kMaxSteps, without
// the library's ceil (a call on this build's target): the whole part and
// one more where a fraction is left, exact for every length; anything not
// a length takes the plain expression.
int32_t StepCount(float horiz)
{
    if (!(horiz >= 0.0f))
        return static_cast<int32_t>(std::clamp(std::ceil(horiz / kPointSpacing), 1.0f, kMaxSteps));
    const float q = std::min(horiz / kPointSpacing, kMaxSteps);
    const int32_t whole = static_cast<int32_t>(q);
    return std::max(1, static_cast<float>(whole) < q ? whole + 1 : whole);
}

bool Finite6(float a, float b, float c, float d, float e, float f)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(e) &&
           std::isfinite(f);
}

// Each thread's scratch for tracing: the stamp of the last trace that tested
// each wall (stamps only grow, so a stamp left from another map never equals
// the current one) and the obstacles near a line.
struct TraceScratch {
    uint32_t count = 0;
    std::vector<uint32_t> wallStamp;
    std::vector<SightObstacle> obstacles;
};
thread_local TraceScratch tScratch;

// The sight-cache log of the work running on this thread, if any.
thread_local SightLog* tSightLog = nullptr;
thread_local std::vector<void*>* tDeferredKeeps = nullptr;

uint32_t NextTraceStamp(size_t walls)
{
    TraceScratch& s = tScratch;
    if (s.wallStamp.size() < walls) s.wallStamp.resize(walls, 0);
    if (++s.count == 0) {  // wrapped: forget every stamp
        std::fill(s.wallStamp.begin(), s.wallStamp.end(), 0);
        s.count = 1;
    }
    return s.count;
}

LOSKey MakeLOSKey(bool groundOnly, bool withSmoke, bool endCover, float x1, float y1, float z1, float x2, float y2,
                  float z2)
{
    LOSKey k;
    const float v[6] = {x1, y1, z1, x2, y2, z2};
    std::memcpy(k.bits, v, sizeof v);
    k.flags = static_cast<uint8_t>((groundOnly ? 1 : 0) | (withSmoke ? 2 : 0) | (endCover ? 4 : 0) |
                                   (gIgnoreTempSmokeForLOS ? 8 : 0));
    return k;
}

SightLog::View* FindView(SightLog* log, Unit* low, Unit* high)
{
    for (SightLog::View& v : log->views)
        if (v.low == low && v.high == high) return &v;
    return nullptr;
}

} // namespace

// Walks the segment at 2 m steps. Each step looks at the cell under it: the
// ground stops the line when the line passes below it; a building stops it
// below the building's top; vegetation and the smoke of large fires below
// their height thin the view. Walls are tested once per square entered.
void Map::TraceLine(const Trace& s, TraceResult* r) const
{
    if (mAllTopsDirty || !mDirtyTops.empty()) RefreshSquareTops();
    // Parallel work finds them made (PrepareSightForThreads); a walk that
    // finds them out of date asks the squares.
    if (!BlockFlagsCurrent() && !InsideParallelWork()) RefreshBlockFlags();
    if (mReferenceTrace) {
        WalkLineByStep(s, r);
        return;
    }
    // The kept traces belong to the planning's own thread: a piece of
    // parallel work walks (the same answer, only not kept).
    if (mTraceReuseDepth == 0 || InsideParallelWork()) {
        WalkLine(s, r);
        return;
    }
    TraceMemo::Key key;
    static_assert(sizeof(float) == sizeof(uint32_t));
    const float in[12] = {s.mX1, s.mY1, s.mZ1, s.mX2, s.mY2, s.mZ2, s.mArc, s.mStartExempt, s.mEndExempt,
                          s.mWallExempt, s.mGroundExempt, s.mGroundTolerance};
    std::memcpy(key.mWords, in, sizeof in);
    key.mWords[12] = (s.mGround ? 1u : 0u) | (s.mSolids ? 2u : 0u) | (s.mVegetation ? 4u : 0u) | (s.mWalls ? 8u : 0u);
    if (mTraceMemo.mMapChanges != mMapChanges) {
        mTraceMemo.Forget();
        mTraceMemo.mMapChanges = mMapChanges;
    }
    const uint32_t hash = TraceMemo::Hash(key);
    if (const TraceMemo::Value* v = mTraceMemo.Find(key, hash)) {
        *r = TraceResult();
        r->mBlocked = (v->mWords[0] & 1u) != 0;
        r->mWall = static_cast<Terrain>(static_cast<int32_t>(v->mWords[0]) >> 1);
        std::memcpy(&r->mT, &v->mWords[1], sizeof(float));
        std::memcpy(&r->mDepth, &v->mWords[2], sizeof(float));
        return;
    }
    WalkLine(s, r);
    TraceMemo::Value v;
    // The wall above the blocked bit.
    v.mWords[0] = (r->mBlocked ? 1u : 0u) | static_cast<uint32_t>(r->mWall) << 1;
    std::memcpy(&v.mWords[1], &r->mT, sizeof(float));
    std::memcpy(&v.mWords[2], &r->mDepth, sizeof(float));
    mTraceMemo.Keep(key, hash, v);
}

// The step walk of WalkLineByStep, which passes over the stretches that
// provably change nothing: where every step inside one square lies at or
// above the square's highest ground (and cover, when cover counts), with a
// margin far beyond the rounding of the step's height, no step there can
// block or thin the line. Walls keep their test per square entered, in the
// same order, so the first blocking wall is the same one.
void Map::WalkLine(const Trace& s, TraceResult* r) const
{
    *r = TraceResult();
    const float dx = s.mX2 - s.mX1, dy = s.mY2 - s.mY1, dz = s.mZ2 - s.mZ1;
    const float horiz = std::sqrt(dx * dx + dy * dy);
    const int32_t n = StepCount(horiz);
    const float step = horiz / n;
    const uint32_t stamp = NextTraceStamp(mWallList.size());
    TraceResult walls;
    if (s.mWalls && !mWallList.empty()) {
        for (int e = 0; e < 2; ++e) {
            float x = e ? s.mX2 : s.mX1, y = e ? s.mY2 : s.mY1;
            if (OnMap(x, y)) TestWallsOfSquare(s, SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f)), stamp, &walls);
        }
    }
    // Skipping: which top a step must clear, and the margin for rounding.
    const bool cover = s.mSolids || s.mVegetation;
    const bool anyTop = s.mGround || cover;
    const bool canSkip = std::isfinite(s.mArc) && s.mArc >= 0.0f;
    const double x1 = s.mX1, y1 = s.mY1, z1 = s.mZ1, ddx = dx, ddy = dy, ddz = dz, arc = s.mArc;
    const double zMargin = 0.01 + 1e-5 * (std::fabs(z1) + std::fabs(ddz) + arc);
    const double xyMargin = 0.01 + 1e-5 * (std::fabs(x1) + std::fabs(y1) + std::fabs(ddx) + std::fabs(ddy));
    const double dn = n;
    // The last step of the stretch from step k that surely stays inside the
    // box (x0, y0, size) and at or above top, or -1 when there is none.
    // Steps per metre along x and y (infinite when the line keeps x or y).
    const double kx = ddx != 0.0 ? dn / std::fabs(ddx) : 0.0, ky = ddy != 0.0 ? dn / std::fabs(ddy) : 0.0;
    const double invN = 1.0 / dn;
    // The height a stretch over a square or block must clear, its margin for
    // rounding included: the ground stops only a line more than the
    // tolerance below it, so a line that low under the highest ground stays
    // above every step's ground; cover counts up to its highest top.
    const double tolerance = s.mGroundTolerance;
    auto ClearAbove = [&](float ground, float coverTop) __attribute__((always_inline)) {
        double bar = -std::numeric_limits<double>::infinity();
        if (s.mGround) bar = ground - tolerance + 1e-5 * std::fabs(ground);
        if (cover) bar = std::max(bar, coverTop + 1e-5 * std::fabs(coverTop));
        return bar;
    };
    auto ClearStretch = [&](float bx, float by, float size, double clearAbove, int32_t k) __attribute__((always_inline)) {
        // The line's height at step k first: where it lies below the top
        // there, the stretch's lowest point does too, whatever the stretch.
        const double ta = k * invN;
        const double za = z1 + ddz * ta + arc * ta * (1.0 - ta);
        if (anyTop && !(za - zMargin >= clearAbove)) return -1.0;
        // The margin is far beyond the rounding of the steps' places and of
        // these bounds.
        // A bound that is not a number leaves no stretch.
        double last = n - 1;
        auto bound = [&last](double steps) {
            if (!(steps >= last)) last = steps;
        };
        if (ddx > 0.0) bound((bx + size - xyMargin - x1) * kx);
        else if (ddx < 0.0) bound((x1 - bx - xyMargin) * kx);
        if (ddy > 0.0) bound((by + size - xyMargin - y1) * ky);
        else if (ddy < 0.0) bound((y1 - by - xyMargin) * ky);
        if (!(last >= k)) return -1.0;
        last = static_cast<double>(static_cast<int32_t>(last));  // whole steps (last lies in k .. n - 1)
        if (!anyTop) return last;
        // The lowest point of the stretch is at one of its ends (the arc
        // only rises above the chord).
        const double tb = last * invN;
        const double zb = z1 + ddz * tb + arc * tb * (1.0 - tb);
        return std::min(za, zb) - zMargin >= clearAbove ? last : -1.0;
    };
    const int32_t blocksY = (mHeight + kBlockSquares - 1) / kBlockSquares;
    const bool testWalls = s.mWalls && !mWallList.empty();
    const bool flagsCurrent = BlockFlagsCurrent();
    const uint8_t blockMask = (testWalls ? kBlockWalls : 0) | (s.mVegetation ? kBlockFire : 0);
    int32_t plainBlock = -1;    // a block found not clear (or with walls or a large fire)
    int32_t plainSquare = -1;   // a square found not clear from its first step walked
    int32_t lastSquare = -1;
    // The square whose steps are being walked one by one: its block and it
    // were found not clear at its first step walked, and would be found so
    // again at every later step in it, so those steps go to the walk at once.
    // (A step's place only moves on along the line, so a square left is
    // never met again.)
    int32_t walkSquare = -1;
    int32_t walkI = -kPointsPerSquare, walkJ = -kPointsPerSquare;  // its first point column and row
    bool walkSmoke = false;     // a large fire's smoke thins the view over it
    bool wallsDue = false;      // its walls are tested at its first step walked
    // With both ends on the map by far more than the rounding of a step's
    // place, every step lies between them and on the map.
    const float edge = 0.01f + 1e-5f * (mWidthMetres + mHeightMetres);
    auto within = [&](float x, float y) {
        return x >= edge && y >= edge && x <= mWidthMetres - edge && y <= mHeightMetres - edge;
    };
    const bool inside = within(s.mX1, s.mY1) && within(s.mX2, s.mY2);
    // The depth is summed in a local and written at the end: through the
    // result's pointer the compiler would store and load it at every step.
    float depth = 0.0f;
    for (int32_t k = 1; k < n; ++k) {
        const float t = static_cast<float>(k) / n;
        if (walls.mBlocked && t >= walls.mT) break;
        const float px = s.mX1 + dx * t, py = s.mY1 + dy * t;
        if (!inside && !(px >= 0.0f && py >= 0.0f && px < mWidthMetres && py < mHeightMetres)) continue;
        const float fx = px * 0.5f, fy = py * 0.5f;
        const int32_t i = static_cast<int32_t>(fx), j = static_cast<int32_t>(fy);
        if (static_cast<uint32_t>(i - walkI) >= static_cast<uint32_t>(kPointsPerSquare) ||
            static_cast<uint32_t>(j - walkJ) >= static_cast<uint32_t>(kPointsPerSquare)) {
            const int32_t column = i / kPointsPerSquare, row = j / kPointsPerSquare;
            const int32_t square = column * mHeight + row;
            if (canSkip) {
                // First the block of squares the step is in: without walls and
                // large fires in it, a clear stretch over it needs no square.
                const int32_t bc = column / kBlockSquares, br = row / kBlockSquares;
                const int32_t block = bc * blocksY + br;
                if (block != plainBlock) {
                    double last = ClearStretch(bc * kBlockSize, br * kBlockSize, kBlockSize,
                                               ClearAbove(mBlockTops[static_cast<size_t>(block)].mGround,
                                                          mBlockTops[static_cast<size_t>(block)].mCover),
                                               k);
                    if (last >= 0.0 &&
                        (flagsCurrent ? (mBlockFlags[static_cast<size_t>(block)] & blockMask) != 0
                                      : BlockHasFireOrWalls(bc, br, s.mVegetation, testWalls)))
                        last = -1.0;
                    if (last >= 0.0) {
                        k = static_cast<int32_t>(last);
                        continue;
                    }
                    plainBlock = block;
                }
            }
            if (canSkip && !(s.mVegetation && mFire[square] > 4)) {
                double last = -1.0;
                if (square != plainSquare) {
                    last = ClearStretch(column * kSquareSize, row * kSquareSize, kSquareSize,
                                        ClearAbove(mTops[static_cast<size_t>(square)].mGround,
                                                   mTops[static_cast<size_t>(square)].mCover),
                                        k);
                    if (last < 0.0) plainSquare = square;
                }
                if (last >= 0.0) {
                    if (s.mWalls && square != lastSquare && !mWallList.empty()) {
                        lastSquare = square;
                        if (mWallStart[square] != mWallStart[square + 1])
                            TestWallsOfSquare(s, square, stamp, &walls);
                        if (walls.mBlocked && t >= walls.mT) break;
                    }
                    k = static_cast<int32_t>(last);
                    continue;
                }
            }
            walkSquare = square;
            walkI = column * kPointsPerSquare;
            walkJ = row * kPointsPerSquare;
            walkSmoke = s.mVegetation && mFire[square] > 4;
            wallsDue = s.mWalls && square != lastSquare && !mWallList.empty();
        }
        const uint16_t* p = &mPoints[static_cast<size_t>(i) * mPointsY + j];
        const float tx = fx - i, ty = fy - j;
        const float h00 = mHeightOfCode[p[0] & 0x3ff], h01 = mHeightOfCode[p[1] & 0x3ff];
        const float h10 = mHeightOfCode[p[mPointsY] & 0x3ff], h11 = mHeightOfCode[p[mPointsY + 1] & 0x3ff];
        const float a = h00 + (h10 - h00) * tx, b = h01 + (h11 - h01) * tx;
        const float ground = a + (b - a) * ty;
        const float pz = s.mZ1 + dz * t + s.mArc * t * (1.0f - t);
        const float fromStart = horiz * t, toEnd = horiz - fromStart;
        if (s.mGround && pz < ground - s.mGroundTolerance && fromStart > s.mGroundExempt && toEnd > s.mGroundExempt) {
            r->mBlocked = true;
            r->mT = t;
            r->mDepth = depth;
            return;
        }
        if (wallsDue) {
            wallsDue = false;
            lastSquare = walkSquare;
            if (mWallStart[walkSquare] != mWallStart[walkSquare + 1])
                TestWallsOfSquare(s, walkSquare, stamp, &walls);
            if (walls.mBlocked && t >= walls.mT) break;
        }
        if (!s.mSolids && !s.mVegetation) continue;
        const bool exempt = fromStart < s.mStartExempt || toEnd < s.mEndExempt;
        if (exempt) continue;
        const TerrainInfo& info = gTerrainTable[p[0] >> 10];
        if (info.mHeight > 0.0f && pz < ground + info.mHeight) {
            if (info.mDensity < 0.0f) {
                if (s.mSolids) {
                    r->mBlocked = true;
                    r->mT = t;
                    r->mDepth = depth;
                    return;
                }
            } else if (s.mVegetation) {
                depth += info.mDensity * step;
            }
        }
        if (walkSmoke && pz < ground + kFireSmokeHeight) depth += kFireSmokeDensity * step;
        if (depth > kMaxDepth) {
            r->mBlocked = true;
            r->mT = t;
            r->mDepth = depth;
            return;
        }
    }
    r->mDepth = depth;
    if (walls.mBlocked) {
        r->mBlocked = true;
        r->mT = walls.mT;
        r->mWall = walls.mWall;
    }
}

// The plain walk, every step looked at. WalkLine must answer exactly as
// this does; only the trace's tests call it.
void Map::WalkLineByStep(const Trace& s, TraceResult* r) const
{
    *r = TraceResult();
    const float dx = s.mX2 - s.mX1, dy = s.mY2 - s.mY1, dz = s.mZ2 - s.mZ1;
    const float horiz = std::sqrt(dx * dx + dy * dy);
    // Steps of at most 2 m; an absurdly long segment (far beyond any map)
    // takes longer steps rather than an endless walk.
    const int32_t n = StepCount(horiz);
    const float step = horiz / n;
    const uint32_t stamp = NextTraceStamp(mWallList.size());
    TraceResult walls;
    if (s.mWalls && !mWallList.empty()) {
        // The end squares, so that a short segment is tested too.
        for (int e = 0; e < 2; ++e) {
            float x = e ? s.mX2 : s.mX1, y = e ? s.mY2 : s.mY1;
            if (OnMap(x, y)) TestWallsOfSquare(s, SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f)), stamp, &walls);
        }
    }
    int32_t lastSquare = -1;
    for (int32_t k = 1; k < n; ++k) {
        const float t = static_cast<float>(k) / n;
        if (walls.mBlocked && t >= walls.mT) break;
        const float px = s.mX1 + dx * t, py = s.mY1 + dy * t;
        if (!(px >= 0.0f && py >= 0.0f && px < mWidthMetres && py < mHeightMetres)) continue;
        const float fx = px * 0.5f, fy = py * 0.5f;
        const int32_t i = static_cast<int32_t>(fx), j = static_cast<int32_t>(fy);
        const uint16_t* p = &mPoints[static_cast<size_t>(i) * mPointsY + j];
        const float tx = fx - i, ty = fy - j;
        const float h00 = mHeightOfCode[p[0] & 0x3ff], h01 = mHeightOfCode[p[1] & 0x3ff];
        const float h10 = mHeightOfCode[p[mPointsY] & 0x3ff], h11 = mHeightOfCode[p[mPointsY + 1] & 0x3ff];
        const float a = h00 + (h10 - h00) * tx, b = h01 + (h11 - h01) * tx;
        const float ground = a + (b - a) * ty;
        const float pz = s.mZ1 + dz * t + s.mArc * t * (1.0f - t);
        const float fromStart = horiz * t, toEnd = horiz - fromStart;
        if (s.mGround && pz < ground - s.mGroundTolerance && fromStart > s.mGroundExempt && toEnd > s.mGroundExempt) {
            r->mBlocked = true;
            r->mT = t;
            return;
        }
        const int32_t square = (i / kPointsPerSquare) * mHeight + j / kPointsPerSquare;
        if (s.mWalls && square != lastSquare && !mWallList.empty()) {
            lastSquare = square;
            TestWallsOfSquare(s, square, stamp, &walls);
            if (walls.mBlocked && t >= walls.mT) break;
        }
        if (!s.mSolids && !s.mVegetation) continue;
        const bool exempt = fromStart < s.mStartExempt || toEnd < s.mEndExempt;
        if (exempt) continue;
        const TerrainInfo& info = gTerrainTable[p[0] >> 10];
        if (info.mHeight > 0.0f && pz < ground + info.mHeight) {
            if (info.mDensity < 0.0f) {
                if (s.mSolids) {
                    r->mBlocked = true;
                    r->mT = t;
                    return;
                }
            } else if (s.mVegetation) {
                r->mDepth += info.mDensity * step;
            }
        }
        if (s.mVegetation && mFire[square] > 4 && pz < ground + kFireSmokeHeight) r->mDepth += kFireSmokeDensity * step;
        if (r->mDepth > kMaxDepth) {
            r->mBlocked = true;
            r->mT = t;
            return;
        }
    }
    if (walls.mBlocked) {
        r->mBlocked = true;
        r->mT = walls.mT;
        r->mWall = walls.mWall;
    }
}

// Where the walk would find the line below the lowest ground of the step's
// square (outside the ground's exempt ends), it is surely stopped by the
// ground there, unless something stopped it before: either way the walk
// answers blocked. Some of the steps are asked, each place, height and
// square worked out exactly as the walk does; only the ground itself is
// taken from the square's lowest corner, with a margin far beyond the
// rounding of the walk's interpolation. A line that misses is walked anyway,
// so the probe looks coarsely first (a hill hides a long stretch of a line
// near the ground) and not at every step.
bool Map::SurelyBelowGround(const Trace& s) const
{
    if (!s.mGround) return false;
    if (mAllTopsDirty || !mDirtyTops.empty()) RefreshSquareTops();
    if (mGroundBottom.size() != static_cast<size_t>(mSquareCount)) return false;
    const float dx = s.mX2 - s.mX1, dy = s.mY2 - s.mY1, dz = s.mZ2 - s.mZ1;
    const float horiz = std::sqrt(dx * dx + dy * dy);
    const int32_t n = StepCount(horiz);
    const double tolerance = s.mGroundTolerance;
    auto below = [&](int32_t k) {
        const float t = static_cast<float>(k) / n;
        const float px = s.mX1 + dx * t, py = s.mY1 + dy * t;
        if (!(px >= 0.0f && py >= 0.0f && px < mWidthMetres && py < mHeightMetres)) return false;
        const float pz = s.mZ1 + dz * t + s.mArc * t * (1.0f - t);
        const float fromStart = horiz * t, toEnd = horiz - fromStart;
        if (!(fromStart > s.mGroundExempt && toEnd > s.mGroundExempt)) return false;
        const int32_t column = static_cast<int32_t>(px * 0.5f) / kPointsPerSquare;
        const int32_t row = static_cast<int32_t>(py * 0.5f) / kPointsPerSquare;
        const double bottom = mGroundBottom[static_cast<size_t>(column) * mHeight + row];
        return static_cast<double>(pz) + 0.01 < bottom - tolerance - 1e-5 * std::fabs(bottom);
    };
    // The middle step first, then the quarters, the eighths and so on: a
    // line between two points near the ground that a rise hides is mostly
    // deepest in the ground somewhere about its middle.
    // parts is 2 to the power shift, and j * n is never negative: the
    // quotient is the shifted product.
    for (int64_t parts = 2, shift = 1; parts == 2 || n >= kProbeFine * parts; parts *= 2, ++shift) {
        for (int64_t j = 1; j < parts; j += 2) {
            const int32_t k = static_cast<int32_t>((j * n) >> shift);
            if (k >= 1 && below(k)) return true;
        }
    }
    return false;
}

void Map::TestWallsOfSquare(const Trace& s, int32_t square, uint32_t stamp, TraceResult* r) const
{
    const float dx = s.mX2 - s.mX1, dy = s.mY2 - s.mY1;
    const float horiz = std::sqrt(dx * dx + dy * dy);
    for (int32_t k = mWallStart[square]; k < mWallStart[square + 1]; ++k) {
        const int32_t index = mWallOrder[k];
        uint32_t& seen = tScratch.wallStamp[index];
        if (seen == stamp) continue;
        seen = stamp;
        const Wall* w = mWallList[index];
        const float ex = w->mX1 - w->mX0, ey = w->mY1 - w->mY0;
        const float den = dx * ey - dy * ex;
        if (den == 0.0f) continue;  // parallel
        const float qx = w->mX0 - s.mX1, qy = w->mY0 - s.mY1;
        const float t = (qx * ey - qy * ex) / den;
        const float u = (qx * dy - qy * dx) / den;
        if (t <= 0.0f || t >= 1.0f || u < 0.0f || u > 1.0f) continue;
        const float fromStart = horiz * t;
        if (fromStart < s.mWallExempt || horiz - fromStart < s.mWallExempt) continue;
        const float cx = s.mX1 + dx * t, cy = s.mY1 + dy * t;
        const float z = s.mZ1 + (s.mZ2 - s.mZ1) * t + s.mArc * t * (1.0f - t);
        if (z < GetZCoord(cx, cy) + w->mHeight && (!r->mBlocked || t < r->mT)) {
            r->mBlocked = true;
            r->mT = t;
            r->mWall = w->mType;
        }
    }
}

// Optical depth of the smoke clouds and burning vehicles the battle reports
// near the line; firstT receives where along the line the first one starts.
float Map::SmokeDepth(bool withSmoke, float x1, float y1, float z1, float x2, float y2, float z2, float* firstT)
{
    *firstT = 1.0f;
    if (!withSmoke || !mBattleLink) return 0.0f;
    std::vector<SightObstacle>& obstacles = tScratch.obstacles;
    obstacles.clear();
    mBattleLink->GatherSightObstacles(x1, y1, x2, y2, &obstacles);
    const float dx = x2 - x1, dy = y2 - y1;
    const float len2 = dx * dx + dy * dy;
    float depth = 0.0f;
    for (const SightObstacle& o : obstacles) {
        if (o.mTemporary && gIgnoreTempSmokeForLOS) continue;
        if (len2 <= 0.0f || !(o.mRadius > 0.0f) || !(o.mDensity > 0.0f)) continue;
        // Chord of the line through the cloud's circle, clipped to the segment.
        const float tc = ((o.mX - x1) * dx + (o.mY - y1) * dy) / len2;
        const float cx = x1 + dx * tc - o.mX, cy = y1 + dy * tc - o.mY;
        const float miss2 = cx * cx + cy * cy;
        if (miss2 >= o.mRadius * o.mRadius) continue;
        const float half = std::sqrt((o.mRadius * o.mRadius - miss2) / len2);
        const float t0 = std::max(0.0f, tc - half), t1 = std::min(1.0f, tc + half);
        if (t1 <= t0) continue;
        const float zc = z1 + (z2 - z1) * std::clamp(tc, 0.0f, 1.0f);
        if (zc > o.mTop) continue;  // the line passes over it
        depth += o.mDensity * (t1 - t0) * std::sqrt(len2);
        *firstT = std::min(*firstT, t0);
    }
    return depth;
}

bool Map::CheckLOS(bool groundOnly, bool withSmoke, bool endCover, float x1, float y1, float z1, float x2, float y2,
                   float z2, float* visibility, float* length, float* blockX, float* blockY, float* blockZ)
{
    if (!mLOSMemo)
        return CheckLOSNow(groundOnly, withSmoke, endCover, x1, y1, z1, x2, y2, z2, visibility, length, blockX,
                           blockY, blockZ);
    const LOSAnswer* found = mLOSMemo->Find(MakeLOSKey(groundOnly, withSmoke, endCover, x1, y1, z1, x2, y2, z2));
    LOSAnswer computed;
    if (found) {
        KeepDeferred(found->deferred);
    } else {
        computed.answered = CheckLOSNow(groundOnly, withSmoke, endCover, x1, y1, z1, x2, y2, z2,
                                        &computed.visibility, &computed.length, &computed.blockX, &computed.blockY,
                                        &computed.blockZ);
        found = &computed;
    }
    const LOSAnswer& a = *found;
    if (visibility) *visibility = a.visibility;
    if (length) *length = a.length;
    if (blockX) *blockX = a.blockX;
    if (blockY) *blockY = a.blockY;
    if (blockZ) *blockZ = a.blockZ;
    return a.answered;
}

void Map::FetchLOS(const std::vector<LOSRequest>& requests, LOSMemo* memo)
{
    if (!memo || requests.empty()) return;
    std::vector<LOSAnswer> answers(requests.size());
    PrepareSightForThreads();
    ParallelFor(static_cast<int32_t>(requests.size()), 16, [&](int32_t i) {
        const LOSRequest& q = requests[static_cast<size_t>(i)];
        LOSAnswer& a = answers[static_cast<size_t>(i)];
        SetThreadDeferredKeeps(&a.deferred);
        a.answered = CheckLOSNow(q.groundOnly, q.withSmoke, q.endCover, q.x1, q.y1, q.z1, q.x2, q.y2, q.z2,
                                 &a.visibility, &a.length, &a.blockX, &a.blockY, &a.blockZ);
        SetThreadDeferredKeeps(nullptr);
    });
    memo->Clear();
    memo->keys.reserve(requests.size());
    for (const LOSRequest& q : requests)
        memo->keys.push_back(MakeLOSKey(q.groundOnly, q.withSmoke, q.endCover, q.x1, q.y1, q.z1, q.x2, q.y2, q.z2));
    memo->answers = std::move(answers);
}

bool Map::CheckLOSNow(bool groundOnly, bool withSmoke, bool endCover, float x1, float y1, float z1, float x2,
                      float y2, float z2, float* visibility, float* length, float* blockX, float* blockY,
                      float* blockZ)
{
    if (!Finite6(x1, y1, z1, x2, y2, z2) || mPoints.empty()) {
        if (visibility) *visibility = 0.0f;
        if (length) *length = 0.0f;
        return false;
    }
    const float dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
    if (length) *length = std::sqrt(dx * dx + dy * dy + dz * dz);

    Trace trace{x1, y1, z1, x2, y2, z2};
    trace.mGroundTolerance = kEyeGroundTolerance;
    trace.mGroundExempt = 1.0f;
    if (groundOnly) {
        trace.mSolids = trace.mVegetation = trace.mWalls = false;
    } else {
        trace.mStartExempt = kOwnCover;
        trace.mEndExempt = endCover ? 0.0f : kOwnCover;
        trace.mWallExempt = endCover ? 0.0f : kWallReach;
    }
    TraceResult r;
    // Where the caller asks no block point, any place the line surely
    // passes below the ground answers it: blocked, nothing seen.
    if (!blockX && !blockY && !blockZ && !mReferenceTrace && SurelyBelowGround(trace))
        r.mBlocked = true;
    else
        TraceLine(trace, &r);
    float vis = 0.0f, stopT = r.mT;
    if (!r.mBlocked) {
        float smokeT = 1.0f;
        float depth = r.mDepth + (groundOnly ? 0.0f : SmokeDepth(withSmoke, x1, y1, z1, x2, y2, z2, &smokeT));
        vis = std::exp(-depth);
        if (vis < kMinVisibility) {
            vis = 0.0f;
            stopT = smokeT;
        }
    }
    if (visibility) *visibility = vis;
    if (blockX) *blockX = vis > 0.0f ? x2 : x1 + dx * stopT;
    if (blockY) *blockY = vis > 0.0f ? y2 : y1 + dy * stopT;
    if (blockZ) *blockZ = vis > 0.0f ? z2 : z1 + dz * stopT;
    return true;
}

Terrain Map::GetBlockingWallType(float x0, float y0, float z0, float x1, float y1, float z1) const
{
    if (!Finite6(x0, y0, z0, x1, y1, z1) || mPoints.empty() || mWallList.empty()) return 0;
    Trace trace{x0, y0, z0, x1, y1, z1};
    trace.mGround = trace.mSolids = trace.mVegetation = false;
    TraceResult r;
    TraceLine(trace, &r);
    return r.mBlocked ? r.mWall : 0;
}

float Map::CheckFlightPath(int32_t timeOfFlight, float x, float y, float z, float* endX, float* endY, float* endZ)
{
    if (!endX || !endY || !endZ || mPoints.empty() || !Finite6(x, y, z, *endX, *endY, *endZ)) return 1.0f;
    // A shell flies a parabola: over flight time T seconds it rises
    // g T^2 / 2 x t (1 - t) above the straight chord at the part t of the
    // way, g T^2 / 8 at mid-path.
    const float seconds = std::max(0, timeOfFlight) / 40.0f;
    Trace trace{x, y, z, *endX, *endY, *endZ};
    trace.mArc = kGravity * seconds * seconds / 2.0f;
    trace.mVegetation = false;
    // The gun's own place and the last metre before impact do not stop it.
    trace.mStartExempt = 3.0f;
    trace.mGroundExempt = 1.0f;
    trace.mWallExempt = 1.0f;
    TraceResult r;
    TraceLine(trace, &r);
    if (!r.mBlocked) return 1.0f;
    const float t = std::max(r.mT, 0.01f);
    const float ex = *endX, ey = *endY, ez = *endZ;
    *endX = x + (ex - x) * t;
    *endY = y + (ey - y) * t;
    *endZ = z + (ez - z) * t + trace.mArc * t * (1.0f - t);
    return t;
}

bool Map::CheckStoredLOS(Unit* a, Unit* b, bool* los, float* visibility, bool* hdKnown, bool* hd)
{
    if (!mLOSCacheOn) return false;
    SightLog* log = tSightLog;
    if (!log) return mSightCache.Check(mBattleLink, a, b, los, visibility, hdKnown, hd);
    // As Check would answer, with the log's changes laid over the cache.
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    SightLog::View* v = FindView(log, low, high);
    SightLog::View seen;
    if (!v) {
        seen.low = low;
        seen.high = high;
        bool behind = false;
        seen.state = static_cast<SightLog::State>(mSightCache.Peek(mBattleLink, a, b, &seen.los, &seen.vis,
                                                                   &seen.hdKnown, &seen.hd[0], &seen.hd[1], &behind));
        if (seen.state == SightLog::kAbsent) return false;
        log->views.push_back(seen);
        v = &log->views.back();
        if (behind) {
            // Check marks the voids as asked, so that the next question
            // asks only later ones; the replay does it.
            SightLog::Op op;
            op.a = a;
            op.b = b;
            log->ops.push_back(op);
        }
    }
    if (v->state == SightLog::kStale) {
        v->state = SightLog::kAbsent;  // Check drops it
        SightLog::Op op;
        op.a = a;
        op.b = b;
        log->ops.push_back(op);
        return false;
    }
    if (v->state == SightLog::kAbsent) return false;
    if (los) *los = v->los;
    if (visibility) *visibility = v->vis;
    if (hdKnown) *hdKnown = v->hdKnown;
    if (hd) *hd = v->hd[b == low ? 0 : 1];
    return true;
}

void Map::StoreLOS(Unit* a, Unit* b, bool los, float visibility, bool hdKnown, bool hdA, bool hdB)
{
    if (!mLOSCacheOn) return;
    SightLog* log = tSightLog;
    if (!log) {
        mSightCache.Store(mBattleLink, a, b, los, visibility, hdKnown, hdA, hdB);
        return;
    }
    SightLog::Op op;
    op.a = a;
    op.b = b;
    op.store = true;
    op.los = los;
    op.vis = visibility;
    op.hdKnown = hdKnown;
    op.hdA = hdA;
    op.hdB = hdB;
    log->ops.push_back(op);
    // The log's view after the store, as Store leaves the cache.
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const bool aLow = a == low;
    SightLog::View* v = FindView(log, low, high);
    if (!v) {
        SightLog::View seen;
        seen.low = low;
        seen.high = high;
        seen.state = static_cast<SightLog::State>(mSightCache.Peek(mBattleLink, a, b, &seen.los, &seen.vis,
                                                                   &seen.hdKnown, &seen.hd[0], &seen.hd[1]));
        log->views.push_back(seen);
        v = &log->views.back();
    }
    if (visibility == -1.0f) {
        if (v->state == SightLog::kAbsent) return;
        v->hdKnown = hdKnown;
        v->hd[aLow ? 0 : 1] = hdA;
        v->hd[aLow ? 1 : 0] = hdB;
        return;
    }
    v->state = SightLog::kValid;
    v->los = los;
    v->vis = visibility;
    v->hdKnown = hdKnown;
    v->hd[aLow ? 0 : 1] = hdA;
    v->hd[aLow ? 1 : 0] = hdB;
}

void Map::SetThreadSightLog(SightLog* log) { tSightLog = log; }

bool Map::HoldsStoredLOS(Unit* a, Unit* b) const
{
    if (!mLOSCacheOn) return false;
    bool los = false, hdKnown = false, hdLow = false, hdHigh = false;
    float vis = 0.0f;
    return mSightCache.Peek(mBattleLink, a, b, &los, &vis, &hdKnown, &hdLow, &hdHigh) == 1;
}

void Map::ApplySightLog(const SightLog& log)
{
    KeepDeferred(log.deferred);
    for (const SightLog::Op& op : log.ops) {
        if (op.store)
            mSightCache.Store(mBattleLink, op.a, op.b, op.los, op.vis, op.hdKnown, op.hdA, op.hdB);
        else
            mSightCache.Check(mBattleLink, op.a, op.b, nullptr, nullptr, nullptr, nullptr);
    }
}

void Map::PrepareSightForThreads()
{
    // The squares' tops marked out of date (a point set directly) are made
    // here, once: traces on several threads would all make them at once.
    if (mAllTopsDirty || !mDirtyTops.empty()) RefreshSquareTops();
    if (!BlockFlagsCurrent()) RefreshBlockFlags();
    if (mFoxholes) mFoxholes->PrepareSquareLists();
    if (mBattleLink) mBattleLink->PrepareForThreads();
}

std::vector<void*>* Map::ThreadDeferredKeeps() { return tDeferredKeeps; }

void Map::SetThreadDeferredKeeps(std::vector<void*>* sink) { tDeferredKeeps = sink; }

void Map::KeepDeferred(const std::vector<void*>& items)
{
    if (!mBattleLink) return;
    for (void* item : items)
        mBattleLink->KeepDeferred(item);
}

void Map::VoidLOS(float x, float y, float r) { mSightCache.Void(x, y, r); }

void Map::DeleteLOSTable() { mSightCache.Clear(); }

// ---------------------------------------------------------------- what a trace may skip

void Map::MarkAllSquareTopsDirty()
{
    mAllTopsDirty = true;
    mDirtyTops.clear();
    ++mMapChanges;
}

void Map::MarkPointDirty(int32_t i, int32_t j)
{
    ++mMapChanges;
    if (mAllTopsDirty) return;
    // The point is a corner of the cells (i - 1 .. i, j - 1 .. j) and gives
    // cell (i, j) its terrain.
    for (int32_t ci = std::max(0, i - 1); ci <= i; ++ci) {
        for (int32_t cj = std::max(0, j - 1); cj <= j; ++cj) {
            const int32_t column = ci / kPointsPerSquare, row = cj / kPointsPerSquare;
            if (column >= mWidth || row >= mHeight) continue;
            const int32_t s = SquareIndex(column, row);
            if (mTopDirty.size() != static_cast<size_t>(mSquareCount)) mTopDirty.assign(mSquareCount, 0);
            if (mTopDirty[s]) continue;
            mTopDirty[s] = 1;
            mDirtyTops.push_back(s);
        }
    }
}

void Map::RefreshSquareTops() const
{
    const size_t count = static_cast<size_t>(std::max(0, mSquareCount));
    if (mAllTopsDirty || mTops.size() != count) {
        mTops.assign(count, SquareTop{0.0f, 0.0f});
        mGroundBottom.assign(count, 0.0f);
        mTopDirty.assign(count, 0);
        mDirtyTops.clear();
        const int32_t blocksX = (mWidth + kBlockSquares - 1) / kBlockSquares;
        const int32_t blocksY = (mHeight + kBlockSquares - 1) / kBlockSquares;
        mBlockTops.assign(static_cast<size_t>(blocksX) * blocksY, SquareTop{0.0f, 0.0f});
        if (mPoints.size() == static_cast<size_t>(mPointsX) * mPointsY) {
            for (int32_t s = 0; s < mSquareCount; ++s) ComputeSquareTop(s);
            for (int32_t b = 0; b < blocksX * blocksY; ++b) ComputeBlockTop(b / blocksY, b % blocksY);
        }
        mAllTopsDirty = false;
        return;
    }
    for (int32_t s : mDirtyTops) ComputeSquareTop(s);
    for (int32_t s : mDirtyTops) {
        ComputeBlockTop(s / mHeight / kBlockSquares, s % mHeight / kBlockSquares);
        mTopDirty[s] = 0;
    }
    mDirtyTops.clear();
}

void Map::ComputeBlockTop(int32_t blockColumn, int32_t blockRow) const
{
    const int32_t blocksY = (mHeight + kBlockSquares - 1) / kBlockSquares;
    float ground = -std::numeric_limits<float>::infinity(), cover = ground;
    const int32_t c1 = std::min(mWidth, (blockColumn + 1) * kBlockSquares);
    const int32_t r1 = std::min(mHeight, (blockRow + 1) * kBlockSquares);
    for (int32_t c = blockColumn * kBlockSquares; c < c1; ++c) {
        for (int32_t r = blockRow * kBlockSquares; r < r1; ++r) {
            ground = std::max(ground, mTops[SquareIndex(c, r)].mGround);
            cover = std::max(cover, mTops[SquareIndex(c, r)].mCover);
        }
    }
    const size_t b = static_cast<size_t>(blockColumn) * blocksY + blockRow;
    mBlockTops[b] = SquareTop{ground, cover};
}

void Map::RefreshBlockFlags() const
{
    const int32_t blocksX = (mWidth + kBlockSquares - 1) / kBlockSquares;
    const int32_t blocksY = (mHeight + kBlockSquares - 1) / kBlockSquares;
    mBlockFlags.assign(static_cast<size_t>(std::max(0, blocksX * blocksY)), 0);
    // As the walk asks: walls where there are any, fires where every square
    // has its state.
    const bool walls = !mWallList.empty() && mWallStart.size() == static_cast<size_t>(mSquareCount) + 1;
    const bool fires = mFire.size() == static_cast<size_t>(mSquareCount);
    for (int32_t b = 0; b < blocksX * blocksY; ++b) {
        const int32_t column = b / blocksY, row = b % blocksY;
        uint8_t flags = 0;
        if (walls && BlockHasFireOrWalls(column, row, false, true)) flags |= kBlockWalls;
        if (fires && BlockHasFireOrWalls(column, row, true, false)) flags |= kBlockFire;
        mBlockFlags[static_cast<size_t>(b)] = flags;
    }
    mBlockFlagsAt = mMapChanges;
    mBlockFlagsMade = true;
}

bool Map::BlockHasFireOrWalls(int32_t blockColumn, int32_t blockRow, bool fire, bool walls) const
{
    const int32_t c1 = std::min(mWidth, (blockColumn + 1) * kBlockSquares);
    const int32_t r0 = blockRow * kBlockSquares, r1 = std::min(mHeight, r0 + kBlockSquares);
    for (int32_t c = blockColumn * kBlockSquares; c < c1; ++c) {
        const int32_t s0 = SquareIndex(c, r0), s1 = SquareIndex(c, r1 - 1) + 1;
        if (walls && mWallStart[s1] != mWallStart[s0]) return true;
        if (!fire) continue;
        // Nearly every square has no fire at all: a whole column of the
        // block is read at once, and only one with some fire looked into.
        if (s1 - s0 == kBlockSquares) {
            uint32_t states = 0;
            static_assert(sizeof states == kBlockSquares);
            std::memcpy(&states, &mFire[static_cast<size_t>(s0)], sizeof states);
            if (states == 0) continue;
        }
        for (int32_t s = s0; s < s1; ++s)
            if (mFire[s] > 4) return true;
    }
    return false;
}

void Map::ComputeSquareTop(int32_t square) const
{
    const int32_t column = square / mHeight, row = square % mHeight;
    const int32_t i0 = column * kPointsPerSquare, j0 = row * kPointsPerSquare;
    const int32_t i1 = std::min(i0 + kPointsPerSquare - 1, mPointsX - 2);
    const int32_t j1 = std::min(j0 + kPointsPerSquare - 1, mPointsY - 2);
    float ground = -std::numeric_limits<float>::infinity();
    float cover = ground;
    float bottom = std::numeric_limits<float>::infinity();
    for (int32_t i = i0; i <= i1; ++i) {
        for (int32_t j = j0; j <= j1; ++j) {
            const uint16_t* p = &mPoints[static_cast<size_t>(i) * mPointsY + j];
            const float h00 = mHeightOfCode[p[0] & 0x3ff], h01 = mHeightOfCode[p[1] & 0x3ff];
            const float h10 = mHeightOfCode[p[mPointsY] & 0x3ff], h11 = mHeightOfCode[p[mPointsY + 1] & 0x3ff];
            const float h = std::max(std::max(h00, h01), std::max(h10, h11));
            bottom = std::min(bottom, std::min(std::min(h00, h01), std::min(h10, h11)));
            ground = std::max(ground, h);
            const TerrainInfo& info = gTerrainTable[p[0] >> 10];
            if (info.mHeight > 0.0f) cover = std::max(cover, h + info.mHeight);
        }
    }
    mTops[square] = SquareTop{ground, std::max(cover, std::numeric_limits<float>::lowest())};
    mGroundBottom[square] = bottom;
}

void Map::BeginTraceReuse()
{
    if (mTraceReuseDepth++ == 0) mTraceMemo.Forget();
}

void Map::EndTraceReuse()
{
    if (mTraceReuseDepth > 0 && --mTraceReuseDepth == 0) mTraceMemo.Forget();
}
