#include "tools/scenarios/ScenarioOverlays.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "draw/OverlayIndex.h"
#include "map/Map.h"
#include "tools/scenarios/ScenarioShapes.h"

namespace {

constexpr int kCells = 10;            // 2 m cells along each side of a square
constexpr int kCoverCells = 50;       // an area covers a square from half its cells
constexpr int kCoverWidth = 8;        // a band this many cells wide covers the square
constexpr int kFullLength = 8;        // a band this long runs the square's whole length
constexpr int kShortest = 3;          // shorter pieces (a line's rounded end) draw nothing

constexpr int32_t kCodeDirtRoad = 13, kCodeRoad = 14;
constexpr int32_t kFirstBridge = 55, kLastBridge = 61;

int32_t EdgeKind(int32_t code) {
    return code == kCodeRoad ? 0 : code == kCodeDirtRoad ? 1 : -1;
}

bool HasBands(int32_t code) {
    return code >= 0 && code < kOverlayCodeCount && gOverlayIndexTable[code].mBands >= 0;
}

bool DrawsNothing(int32_t code) {
    return code >= 0 && code < kOverlayCodeCount && gOverlayIndexTable[code].mIndex < 0;
}

// One slot's content.
struct Item {
    int32_t code;
    int8_t turn;
    char mirror; // 0, or the band's shape 1..16
};

// A piece of a line inside one square, measured across and along its course
// in cells: vertical when it runs along y.
struct Piece {
    bool vertical = false;
    float low = 0, high = 0;   // across, mean edges of the band
    int alongFirst = 0, alongLast = -1;
    int cells = 0;
};

bool Measure(const bool cell[kCells][kCells], Piece* p) {
    int c0 = kCells, c1 = -1, r0 = kCells, r1 = -1;
    for (int i = 0; i < kCells; ++i)
        for (int j = 0; j < kCells; ++j)
            if (cell[i][j]) {
                ++p->cells;
                c0 = std::min(c0, i), c1 = std::max(c1, i);
                r0 = std::min(r0, j), r1 = std::max(r1, j);
            }
    if (p->cells == 0) return false;
    p->vertical = r1 - r0 >= c1 - c0;
    p->alongFirst = p->vertical ? r0 : c0;
    p->alongLast = p->vertical ? r1 : c1;
    // Each line of cells across the course gives its own edges; the band
    // lies at their means.
    float lowSum = 0, highSum = 0;
    int lines = 0;
    for (int a = p->alongFirst; a <= p->alongLast; ++a) {
        int lo = kCells, hi = -1;
        for (int k = 0; k < kCells; ++k)
            if (p->vertical ? cell[k][a] : cell[a][k]) lo = std::min(lo, k), hi = std::max(hi, k);
        if (hi < 0) continue;
        lowSum += lo;
        highSum += hi + 1;
        ++lines;
    }
    p->low = lowSum / lines;
    p->high = highSum / lines;
    return p->alongLast - p->alongFirst + 1 >= kShortest;
}

// The band pictures, across the picture's u in cells (10 to the side):
// shapes 1..4 hug u = 0 with 1..4 cells over the whole length, 5..8 the same
// over v 0..0.5, 9..12 over v 0.5..1; 13..16 lie inside.
struct Candidate {
    float low, high;
    bool flipped;  // the picture is laid with u running against the axis
    int shape;     // for a band hugging a side: its width, the half chosen later
    bool hugs;
};

std::vector<Candidate> Candidates() {
    std::vector<Candidate> c;
    for (int k = 1; k <= 4; ++k) {
        c.push_back({0.0f, float(k), false, k, true});
        c.push_back({float(kCells - k), float(kCells), true, k, true});
    }
    c.push_back({2, 4, false, 13, false});
    c.push_back({6, 8, true, 13, false});
    c.push_back({2, 6, false, 14, false});
    c.push_back({4, 8, true, 14, false});
    c.push_back({2, 8, false, 15, false});
    c.push_back({4, 6, false, 16, false});
    return c;
}

const Candidate& Closest(float low, float high) {
    static const std::vector<Candidate> all = Candidates();
    const Candidate* best = &all[0];
    float bestScore = -1.0f;
    for (const Candidate& c : all) {
        const float inter = std::max(0.0f, std::min(high, c.high) - std::max(low, c.low));
        const float uni = std::max(high, c.high) - std::min(low, c.low);
        const float score = inter / uni;
        if (score > bestScore) bestScore = score, best = &c;
    }
    return *best;
}

// Turn of the mirrored rows that lays the picture's u along the across axis
// (direct or flipped), and whether its v then runs with the along axis.
//   vertical, direct:  u = x,     v = 1 - y  (turn 2)
//   vertical, flipped: u = 1 - x, v = y      (turn 0)
//   horizontal, direct:  u = y,     v = x      (turn 1)
//   horizontal, flipped: u = 1 - y, v = 1 - x  (turn 3)
int8_t BandTurn(bool vertical, bool flipped, bool* vWithAlong) {
    if (vertical) {
        *vWithAlong = flipped;
        return flipped ? 0 : 2;
    }
    *vWithAlong = !flipped;
    return flipped ? 3 : 1;
}

// Side of the square (0 west, 1 north, 2 east, 3 south) a band along it hugs.
int SideOf(bool vertical, bool high) {
    return vertical ? (high ? 2 : 0) : (high ? 1 : 3);
}

int8_t CoverTurn(int32_t c, int32_t r) {
    return static_cast<int8_t>((static_cast<uint32_t>(c) * 73856093u ^ static_cast<uint32_t>(r) * 19349663u) >> 7 & 3);
}

bool Near(const ScenarioShape& s, float x0, float y0) {
    float lx = 1e9f, ly = 1e9f, hx = -1e9f, hy = -1e9f;
    for (const ScenarioPoint& p : s.points) {
        lx = std::min(lx, p.x), ly = std::min(ly, p.y);
        hx = std::max(hx, p.x), hy = std::max(hy, p.y);
    }
    const float pad = s.width * 0.5f + 1.0f;
    return x0 + kSquareSize >= lx - pad && x0 <= hx + pad && y0 + kSquareSize >= ly - pad && y0 <= hy + pad;
}

} // namespace

bool CheckShapesDrawable(const ScenarioDescription& d, ScenarioFault* fault) {
    auto fail = [&](int line, const std::string& reason) {
        fault->file = d.file;
        fault->line = line;
        fault->reason = reason;
        return false;
    };
    for (const ScenarioShape& s : d.shapes) {
        if (s.terrain < 0 || s.terrain >= kOverlayCodeCount)
            return fail(s.line, "terrain code " + std::to_string(s.terrain) + " is not in the overlay table");
        if (s.width <= 0.0f) continue;
        float length = 0.0f;
        for (size_t i = 0; i + 1 < s.points.size(); ++i)
            length += std::hypot(s.points[i + 1].x - s.points[i].x, s.points[i + 1].y - s.points[i].y);
        if (length <= 0.0f) return fail(s.line, "the line has no length");
        if (EdgeKind(s.terrain) < 0 && !HasBands(s.terrain) && !DrawsNothing(s.terrain))
            return fail(s.line, "terrain code " + std::to_string(s.terrain) +
                                    " has no band pictures in the overlay table (data/overlay_index.txt)");
    }
    return true;
}

void LayOverlays(const ScenarioDescription& d, Map* map) {
    for (int32_t c = 0; c < map->mWidth; ++c)
        for (int32_t r = 0; r < map->mHeight; ++r) {
            Square* sq = map->GetSquare(c, r);
            const float x0 = c * kSquareSize, y0 = r * kSquareSize;
            std::vector<Item> items;
            bool hasCover = false;
            int deckSides = 0;
            for (const ScenarioShape& s : d.shapes) {
                if (!Near(s, x0, y0)) continue;
                bool cell[kCells][kCells] = {};
                int n = 0;
                for (int i = 0; i < kCells; ++i)
                    for (int j = 0; j < kCells; ++j)
                        if (ShapeCovers(s, x0 + 2.0f * i + 1.0f, y0 + 2.0f * j + 1.0f)) cell[i][j] = true, ++n;
                if (n == 0 || DrawsNothing(s.terrain)) continue;
                if (s.width <= 0.0f) {
                    // An area covers the square from half its cells; a later
                    // area over it takes its place.
                    if (n < kCoverCells) continue;
                    if (hasCover) items.erase(items.begin());
                    items.insert(items.begin(), Item{s.terrain, CoverTurn(c, r), 0});
                    hasCover = true;
                    continue;
                }
                Piece p;
                if (!Measure(cell, &p)) continue;
                const int kind = EdgeKind(s.terrain);
                if (p.high - p.low >= kCoverWidth) {
                    if (kind >= 0) {
                        sq->mEdge[3 * SideOf(p.vertical, false) + kind] = 1;
                        sq->mEdge[3 * SideOf(p.vertical, true) + kind] = 1;
                    } else {
                        items.push_back(Item{s.terrain, CoverTurn(c, r), 0});
                    }
                    continue;
                }
                if (kind >= 0) {
                    // A road runs along the side it lies on, or the nearer one.
                    const bool high = p.low + p.high > kCells;
                    sq->mEdge[3 * SideOf(p.vertical, high) + kind] = 1;
                    continue;
                }
                const Candidate& k = Closest(p.low, p.high);
                bool vWithAlong = false;
                const int8_t turn = BandTurn(p.vertical, k.flipped, &vWithAlong);
                int shape = k.shape;
                if (k.hugs && p.alongLast - p.alongFirst + 1 < kFullLength) {
                    const bool lowHalf = p.alongFirst + p.alongLast + 1 < kCells;
                    shape += lowHalf == vWithAlong ? 4 : 8;
                }
                items.push_back(Item{s.terrain, turn, static_cast<char>(shape)});
                // A bridge's deck carries the road: no road edge along it.
                if (k.hugs && s.terrain >= kFirstBridge && s.terrain <= kLastBridge)
                    deckSides |= 1 << SideOf(p.vertical, k.flipped);
            }
            for (int side = 0; side < 4; ++side)
                if (deckSides & (1 << side)) sq->mEdge[3 * side] = sq->mEdge[3 * side + 1] = 0;
            // Two slots: the bands before the cover, the latest bands first kept.
            if (items.size() > 2 && hasCover) items.erase(items.begin());
            if (items.size() > 2) items.erase(items.begin(), items.end() - 2);
            for (size_t k = 0; k < items.size(); ++k) {
                sq->mOverlay[k] = items[k].code;
                sq->mOverlayTurn[k] = items[k].turn;
                sq->mOverlayMirror[k] = items[k].mirror;
            }
        }
}
