#include "map/SightCache.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/MapBattleLink.h"

namespace {
constexpr float kCellMargin = 1.0f;  // a pair is listed in every cell within this of its segment
constexpr int32_t kMinTable = 64;
} // namespace

uint32_t SightCache::Hash(const Unit* low, const Unit* high)
{
    uint64_t a = reinterpret_cast<uintptr_t>(low), b = reinterpret_cast<uintptr_t>(high);
    uint64_t h = (a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 31;
    return static_cast<uint32_t>(h);
}

int32_t SightCache::Find(Unit* low, Unit* high) const
{
    if (mCount == 0) return -1;
    const size_t mask = mTable.size() - 1;
    const uint32_t hash = Hash(low, high);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = mTable[i];
        if (slot.mEntry < 0) return -1;
        if (slot.mHash == hash) {
            const Entry& e = mPool[slot.mEntry];
            if (e.mLow == low && e.mHigh == high) return slot.mEntry;
        }
    }
}

void SightCache::Prefetch(const Unit* a, const Unit* b, bool entry) const
{
    if (mCount == 0) return;
    const Unit* low = a < b ? a : b;
    const Unit* high = a < b ? b : a;
    const uint32_t hash = Hash(low, high);
    const Slot& slot = mTable[hash & (mTable.size() - 1)];
    if (!entry) {
        __builtin_prefetch(&slot);
        return;
    }
    if (slot.mHash == hash && slot.mEntry >= 0) __builtin_prefetch(&mPool[static_cast<size_t>(slot.mEntry)]);
}

void SightCache::Grow()
{
    const size_t size = std::max<size_t>(kMinTable, mTable.size() * 2);
    std::vector<Slot> old;
    old.swap(mTable);
    mTable.assign(size, Slot{0, -1});
    const size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.mEntry < 0) continue;
        size_t i = slot.mHash & mask;
        while (mTable[i].mEntry >= 0) i = (i + 1) & mask;
        mTable[i] = slot;
    }
}

void SightCache::Insert(int32_t entry)
{
    if (static_cast<size_t>(mCount + 1) * 2 > mTable.size()) Grow();
    const size_t mask = mTable.size() - 1;
    const uint32_t hash = Hash(mPool[entry].mLow, mPool[entry].mHigh);
    size_t i = hash & mask;
    while (mTable[i].mEntry >= 0) i = (i + 1) & mask;
    mTable[i] = Slot{hash, entry};
    ++mCount;
}

void SightCache::Erase(int32_t entry)
{
    Entry& e = mPool[entry];
    const size_t mask = mTable.size() - 1;
    size_t i = Hash(e.mLow, e.mHigh) & mask;
    while (mTable[i].mEntry != entry) i = (i + 1) & mask;
    // Shift back the entries after it whose probe passed over this slot.
    for (size_t j = (i + 1) & mask; mTable[j].mEntry >= 0; j = (j + 1) & mask) {
        const size_t home = mTable[j].mHash & mask;
        const bool between = i <= j ? (home > i && home <= j) : (home > i || home <= j);
        if (between) continue;
        mTable[i] = mTable[j];
        i = j;
    }
    mTable[i].mEntry = -1;
    --mCount;
    mLiveRefs -= e.mCells;
    e = Entry();
    mFree.push_back(entry);
}

bool SightCache::Check(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hd)
{
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const int32_t k = Find(low, high);
    if (k < 0) return false;
    const Entry& e = mPool[k];
    if (link && (link->GetMoveStamp(low) != e.mStamp[0] || link->GetMoveStamp(high) != e.mStamp[1])) {
        Erase(k);  // one of them moved: the answer is stale
        return false;
    }
    if (los) *los = e.mLOS;
    if (vis) *vis = e.mVis;
    if (hdKnown) *hdKnown = e.mHDKnown;
    if (hd) *hd = e.mHD[b == low ? 0 : 1];
    return true;
}

void SightCache::Store(MapBattleLink* link, Unit* a, Unit* b, bool los, float vis, bool hdKnown, bool hdA, bool hdB)
{
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const bool aLow = a == low;
    int32_t k = Find(low, high);
    if (vis == -1.0f) {
        if (k < 0) return;
        Entry& e = mPool[k];
        e.mHDKnown = hdKnown;
        e.mHD[aLow ? 0 : 1] = hdA;
        e.mHD[aLow ? 1 : 0] = hdB;
        return;
    }
    if (k < 0) {
        if (mFree.empty()) {
            k = static_cast<int32_t>(mPool.size());
            mPool.emplace_back();
        } else {
            k = mFree.back();
            mFree.pop_back();
        }
        mPool[k].mLow = low;
        mPool[k].mHigh = high;
        Insert(k);
    } else {
        mLiveRefs -= mPool[k].mCells;
    }
    Entry& e = mPool[k];
    e.mLOS = los;
    e.mVis = vis;
    e.mHDKnown = hdKnown;
    e.mHD[aLow ? 0 : 1] = hdA;
    e.mHD[aLow ? 1 : 0] = hdB;
    e.mStamp[0] = e.mStamp[1] = -1;
    e.mX[0] = e.mX[1] = e.mY[0] = e.mY[1] = 0.0f;
    if (link) {
        for (int i = 0; i < 2; ++i) {
            Unit* u = i == 0 ? low : high;
            e.mStamp[i] = link->GetMoveStamp(u);
            link->GetUnitXY(u, &e.mX[i], &e.mY[i]);
        }
    }
    e.mSerial = mNextSerial++;
    if (mNextSerial == 0) mNextSerial = 1;  // 0 marks a free entry
    e.mCells = 0;
    mPending.push_back(CellRef{k, e.mSerial});
    if (mPending.size() > 4 * static_cast<size_t>(mCount) + 1024) {
        // Keep only the pending pairs still stored as they were.
        size_t kept = 0;
        for (const CellRef& ref : mPending)
            if (mPool[ref.mEntry].mSerial == ref.mSerial) mPending[kept++] = ref;
        mPending.resize(kept);
    }
}

// Cells outside the grid fold onto its border (below 0 truncating is
// flooring, and every negative place is cell 0 anyway).
int32_t SightCache::CellColumn(float x) const
{
    const float c = x * (1.0f / kCellSize);
    return !(c > 0.0f) ? 0 : c >= static_cast<float>(mColumns - 1) ? mColumns - 1 : static_cast<int32_t>(c);
}

int32_t SightCache::CellRow(float y) const
{
    const float r = y * (1.0f / kCellSize);
    return !(r > 0.0f) ? 0 : r >= static_cast<float>(mRows - 1) ? mRows - 1 : static_cast<int32_t>(r);
}

// Lists the pair in every cell holding a point within kCellMargin (along x
// and along y) of its segment: column by column, the part of the segment
// over the column's slab (grown by the margin) gives the rows. Cells outside
// the grid fold onto its border.
void SightCache::Register(int32_t entry)
{
    Entry& e = mPool[entry];
    const CellRef ref{entry, e.mSerial};
    e.mCells = 0;
    if (!std::isfinite(e.mX[0]) || !std::isfinite(e.mY[0]) || !std::isfinite(e.mX[1]) || !std::isfinite(e.mY[1])) {
        mEverywhere.push_back(ref);
        e.mCells = 1;
    } else {
        if (mCells.empty()) mCells.resize(static_cast<size_t>(mColumns) * mRows);
        const double x0 = e.mX[0], y0 = e.mY[0], x1 = e.mX[1], y1 = e.mY[1];
        const double dx = x1 - x0, dy = y1 - y0;
        const int32_t c0 = CellColumn(static_cast<float>(std::min(x0, x1) - kCellMargin));
        const int32_t c1 = CellColumn(static_cast<float>(std::max(x0, x1) + kCellMargin));
        const double inf = std::numeric_limits<double>::infinity();
        const double perX = dx != 0.0 ? 1.0 / dx : 0.0;
        for (int32_t c = c0; c <= c1; ++c) {
            const double xa = c == 0 ? -inf : c * static_cast<double>(kCellSize) - kCellMargin;
            const double xb = c == mColumns - 1 ? inf : (c + 1) * static_cast<double>(kCellSize) + kCellMargin;
            double ta = 0.0, tb = 1.0;
            if (dx != 0.0) {
                double u = (xa - x0) * perX, v = (xb - x0) * perX;
                if (u > v) std::swap(u, v);
                ta = std::max(ta, u);
                tb = std::min(tb, v);
            }
            if (ta > tb) {
                // The slab misses the segment by rounding only: take the nearer end.
                ta = tb = std::clamp(ta, 0.0, 1.0);
            }
            const double ya = y0 + dy * ta, yb = y0 + dy * tb;
            const int32_t r0 = CellRow(static_cast<float>(std::min(ya, yb) - kCellMargin));
            const int32_t r1 = CellRow(static_cast<float>(std::max(ya, yb) + kCellMargin));
            for (int32_t r = r0; r <= r1; ++r) {
                mCells[static_cast<size_t>(c) * mRows + r].push_back(ref);
                ++e.mCells;
            }
        }
    }
    mLiveRefs += e.mCells;
    mAllRefs += e.mCells;
}

// Drops the stale references from every list. The live ones stay where
// they are: a pair's cells depend only on its stored positions, so listing
// it again would give the same cells.
void SightCache::CompactCells()
{
    auto compact = [&](std::vector<CellRef>& list) {
        size_t kept = 0;
        for (const CellRef& ref : list)
            if (mPool[ref.mEntry].mSerial == ref.mSerial) list[kept++] = ref;
        list.resize(kept);
    };
    for (auto& cell : mCells) compact(cell);
    compact(mEverywhere);
    mAllRefs = mLiveRefs;
}

bool SightCache::Near(const Entry& e, float x, float y, float r)
{
    // Distance from the point to the segment between the two units.
    float dx = e.mX[1] - e.mX[0], dy = e.mY[1] - e.mY[0];
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((x - e.mX[0]) * dx + (y - e.mY[0]) * dy) / len2 : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    float px = e.mX[0] + dx * t - x, py = e.mY[0] + dy * t - y;
    return px * px + py * py <= r * r;
}

void SightCache::Void(float x, float y, float r)
{
    if (mCount == 0) {
        mPending.clear();
        return;
    }
    for (const CellRef& ref : mPending)
        if (mPool[ref.mEntry].mSerial == ref.mSerial) Register(ref.mEntry);
    mPending.clear();
    if (mAllRefs > 2 * mLiveRefs + 65536) CompactCells();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r)) {
        // No cell to look in: every pair is asked.
        for (int32_t k = 0; k < static_cast<int32_t>(mPool.size()); ++k)
            if (mPool[k].mSerial != 0 && Near(mPool[k], x, y, r)) Erase(k);
        return;
    }
    auto sweep = [&](std::vector<CellRef>& list) {
        size_t kept = 0;
        for (const CellRef& ref : list) {
            const Entry& e = mPool[ref.mEntry];
            if (e.mSerial != ref.mSerial) continue;  // gone or stored anew
            if (Near(e, x, y, r)) {
                Erase(ref.mEntry);
                continue;
            }
            list[kept++] = ref;
        }
        mAllRefs -= static_cast<int64_t>(list.size() - kept);
        list.resize(kept);
    };
    const float reach = std::fabs(r);
    if (!mCells.empty()) {
        const int32_t c0 = CellColumn(x - reach), c1 = CellColumn(x + reach);
        const int32_t r0 = CellRow(y - reach), r1 = CellRow(y + reach);
        for (int32_t c = c0; c <= c1; ++c)
            for (int32_t row = r0; row <= r1; ++row) sweep(mCells[static_cast<size_t>(c) * mRows + row]);
    }
    sweep(mEverywhere);
}

void SightCache::Clear()
{
    mPool.clear();
    mFree.clear();
    for (Slot& slot : mTable) slot = Slot{0, -1};
    mCount = 0;
    for (auto& cell : mCells) cell.clear();
    mEverywhere.clear();
    mPending.clear();
    mLiveRefs = mAllRefs = 0;
}

void SightCache::SetArea(float widthMetres, float heightMetres)
{
    Clear();
    auto cells = [](float metres) {
        if (!std::isfinite(metres) || metres <= 0.0f) return 1;
        return static_cast<int32_t>(std::clamp(std::ceil(metres / kCellSize), 1.0f, 1024.0f));
    };
    mColumns = cells(widthMetres);
    mRows = cells(heightMetres);
    mCells.assign(static_cast<size_t>(mColumns) * mRows, {});
}

int32_t SightCache::Peek(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hdLow,
                         bool* hdHigh) const
{
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const int32_t k = Find(low, high);
    if (k < 0) return 0;
    const Entry& e = mPool[k];
    *los = e.mLOS;
    *vis = e.mVis;
    *hdKnown = e.mHDKnown;
    *hdLow = e.mHD[0];
    *hdHigh = e.mHD[1];
    if (link && (link->GetMoveStamp(low) != e.mStamp[0] || link->GetMoveStamp(high) != e.mStamp[1]))
        return 2;
    return 1;
}
