#include "map/SightCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/MapBattleLink.h"

namespace {
constexpr int32_t kMinTable = 64;
constexpr uint32_t kMinRepeatsToCompact = 64;
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
            if (e.mLow == low && e.mHigh == high) return slot.mEntry == mDropped ? -1 : slot.mEntry;
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
    e = Entry();
    mFree.push_back(entry);
}

void SightCache::Drop(int32_t entry)
{
    FinishDrop();
    mDropped = entry;
}

void SightCache::FinishDrop()
{
    if (mDropped < 0) return;
    const int32_t entry = mDropped;
    mDropped = -1;
    Erase(entry);
}

bool SightCache::Voided(const Entry& e) const
{
    // Newest first: the circles' numbers only grow along the list.
    for (size_t i = mCircles.size(); i-- > 0;) {
        const Circle& c = mCircles[i];
        if (c.mNumber < e.mVoidsSeen) break;
        if (c.mRepeated) continue;
        // A circle farther than its reach from the box around the pair's
        // segment does not reach the segment: the distance question below
        // would answer no. The slack grows with the coordinates, far beyond
        // the rounding of the segment's nearest point; anything not a number
        // fails the test and is asked.
        const float lx = std::min(e.mX[0], e.mX[1]), hx = std::max(e.mX[0], e.mX[1]);
        const float ly = std::min(e.mY[0], e.mY[1]), hy = std::max(e.mY[0], e.mY[1]);
        const float slack = c.mReach + 1e-5f * (std::fabs(lx) + std::fabs(hx) + std::fabs(ly) + std::fabs(hy));
        if (c.mX + slack < lx || c.mX - slack > hx || c.mY + slack < ly || c.mY - slack > hy) continue;
        if (Near(e, c.mX, c.mY, c.mR)) return true;
    }
    return false;
}

bool SightCache::Check(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hd)
{
    FinishDrop();
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const int32_t k = Find(low, high);
    if (k < 0) return false;
    Entry& e = mPool[k];
    if (link && (link->GetMoveStamp(low) != e.mStamp[0] || link->GetMoveStamp(high) != e.mStamp[1])) {
        Drop(k);  // one of them moved: the answer is stale
        return false;
    }
    if (e.mVoidsSeen != mVoids) {
        if (Voided(e)) {
            Drop(k);
            return false;
        }
        e.mVoidsSeen = mVoids;
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
    int32_t k = -1;
    if (mDropped >= 0 && vis != -1.0f && mPool[mDropped].mLow == low && mPool[mDropped].mHigh == high) {
        // Stored again: the entry is written over in place, as a new one.
        k = mDropped;
        mDropped = -1;
    } else {
        FinishDrop();
        k = Find(low, high);
    }
    if (vis == -1.0f) {
        if (k < 0) return;
        Entry& e = mPool[k];
        if (e.mVoidsSeen != mVoids) {
            if (Voided(e)) {
                Erase(k);  // a void dropped it: nothing to update
                return;
            }
            e.mVoidsSeen = mVoids;
        }
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
        mPool[k].mUsed = true;
        Insert(k);
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
    e.mVoidsSeen = mVoids;
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

size_t SightCache::CircleHash::operator()(const CircleKey& k) const
{
    uint64_t h = (k.mBits[0] * 0x9E3779B97F4A7C15ull) ^ (k.mBits[1] * 0xC2B2AE3D27D4EB4Full) ^
                 (k.mBits[2] * 0x165667B19E3779F9ull);
    return static_cast<size_t>(h ^ (h >> 29));
}

void SightCache::Void(float x, float y, float r)
{
    FinishDrop();
    if (mCount == 0) return;  // a pair stored later is not reached by it
    CircleKey key;
    const float v[3] = {x, y, r};
    std::memcpy(key.mBits, v, sizeof v);
    const uint32_t place = static_cast<uint32_t>(mCircles.size());
    auto [it, added] = mCircleAt.try_emplace(key, place);
    if (!added) {
        // The same circle again: a pair asked about it once is answered the
        // same at its later place, so only that place is looked at.
        mCircles[it->second].mRepeated = true;
        it->second = place;
        ++mRepeats;
    }
    // The reach covers the rounding of the distance question and of the
    // box test many times over.
    const float reach = std::fabs(r) * 1.001f + 1.0f + 1e-5f * (std::fabs(x) + std::fabs(y));
    mCircles.push_back(Circle{x, y, r, reach, mVoids++, false});
    if (mRepeats >= kMinRepeatsToCompact && mRepeats * 2 >= mCircles.size()) CompactCircles();
}

void SightCache::CompactCircles()
{
    size_t kept = 0;
    for (const Circle& c : mCircles)
        if (!c.mRepeated) mCircles[kept++] = c;
    mCircles.resize(kept);
    for (size_t i = 0; i < kept; ++i) {
        CircleKey key;
        const float v[3] = {mCircles[i].mX, mCircles[i].mY, mCircles[i].mR};
        std::memcpy(key.mBits, v, sizeof v);
        mCircleAt[key] = static_cast<uint32_t>(i);
    }
    mRepeats = 0;
}

void SightCache::Clear()
{
    mPool.clear();
    mFree.clear();
    for (Slot& slot : mTable) slot = Slot{0, -1};
    mCount = 0;
    mDropped = -1;
    mCircles.clear();
    mCircleAt.clear();
    mVoids = 0;
    mRepeats = 0;
}

int32_t SightCache::GetCount()
{
    FinishDrop();
    for (int32_t k = 0; k < static_cast<int32_t>(mPool.size()); ++k) {
        Entry& e = mPool[k];
        if (!e.mUsed || e.mVoidsSeen == mVoids) continue;
        if (Voided(e))
            Erase(k);
        else
            e.mVoidsSeen = mVoids;
    }
    return mCount;
}

int32_t SightCache::Peek(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hdLow,
                         bool* hdHigh) const
{
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const int32_t k = Find(low, high);
    if (k < 0) return 0;
    const Entry& e = mPool[k];
    if (e.mVoidsSeen != mVoids && Voided(e)) return 0;  // Check would find it gone
    *los = e.mLOS;
    *vis = e.mVis;
    *hdKnown = e.mHDKnown;
    *hdLow = e.mHD[0];
    *hdHigh = e.mHD[1];
    if (link && (link->GetMoveStamp(low) != e.mStamp[0] || link->GetMoveStamp(high) != e.mStamp[1]))
        return 2;
    return 1;
}
