#include "map/SightCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/MapBattleLink.h"

namespace {
constexpr size_t kMinUnitTable = 64;
constexpr int32_t kMinSide = 64;
constexpr uint32_t kMinRepeatsToCompact = 64;
} // namespace

uint32_t SightCache::Hash(const Unit* u)
{
    const uint64_t h = reinterpret_cast<uintptr_t>(u) * 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(h >> 32);
}

int32_t SightCache::NumberOf(const Unit* u) const
{
    if (mUnits.empty()) return -1;
    const size_t mask = mUnits.size() - 1;
    for (size_t i = Hash(u) & mask;; i = (i + 1) & mask) {
        const UnitSlot& slot = mUnits[i];
        if (slot.mNumber < 0) return -1;
        if (slot.mUnit == u) return slot.mNumber;
    }
}

int32_t SightCache::Number(const Unit* u)
{
    const int32_t known = NumberOf(u);
    if (known >= 0) return known;
    if (static_cast<size_t>(mNumbers + 1) * 2 > mUnits.size()) GrowUnits();
    const size_t mask = mUnits.size() - 1;
    size_t i = Hash(u) & mask;
    while (mUnits[i].mNumber >= 0) i = (i + 1) & mask;
    const int32_t number = mNumbers++;
    mUnits[i] = UnitSlot{u, number};
    if (number >= mSide) GrowPairs(number + 1);
    return number;
}

void SightCache::GrowUnits()
{
    std::vector<UnitSlot> old;
    old.swap(mUnits);
    mUnits.assign(std::max(kMinUnitTable, old.size() * 2), UnitSlot{nullptr, -1});
    const size_t mask = mUnits.size() - 1;
    for (const UnitSlot& slot : old) {
        if (slot.mNumber < 0) continue;
        size_t i = Hash(slot.mUnit) & mask;
        while (mUnits[i].mNumber >= 0) i = (i + 1) & mask;
        mUnits[i] = slot;
    }
}

void SightCache::GrowPairs(int32_t numbers)
{
    // Half as large again, rounded to whole cache lines of a row (a side
    // of 768 for a battle of 600 units, some 2.4 MB).
    int32_t side = std::max(kMinSide, mSide + mSide / 2);
    while (side < numbers) side += side / 2;
    side = (side + 15) / 16 * 16;
    std::vector<int32_t, LargeTableAllocator<int32_t>> pairs(static_cast<size_t>(side) * side, -1);
    for (int32_t i = 0; i < mSide; ++i)
        std::copy_n(&mPairs[static_cast<size_t>(i) * mSide], mSide, &pairs[static_cast<size_t>(i) * side]);
    mPairs.swap(pairs);
    mSide = side;
}

int32_t SightCache::Find(Unit* a, Unit* b) const
{
    if (mCount == 0) return -1;
    const int32_t row = b == mRowUnit && mRowNumber >= 0 ? mRowNumber : NumberOf(b);
    const int32_t column = row < 0 ? -1 : NumberOf(a);
    if (column < 0) return -1;
    const int32_t k = mPairs[static_cast<size_t>(row) * mSide + column];
    return k == mDropped ? -1 : k;
}

void SightCache::Prefetch(const Unit* a, const Unit* b, bool entry) const
{
    if (mCount == 0) return;
    const int32_t row = b == mRowUnit && mRowNumber >= 0 ? mRowNumber : NumberOf(b);
    const int32_t column = row < 0 ? -1 : NumberOf(a);
    if (column < 0) return;
    const int32_t* cell = &mPairs[static_cast<size_t>(row) * mSide + column];
    if (!entry) {
        __builtin_prefetch(cell);
        return;
    }
    if (*cell >= 0) __builtin_prefetch(&mPool[static_cast<size_t>(*cell)]);
}

void SightCache::Insert(int32_t entry)
{
    const int32_t low = Number(mPool[entry].mLow), high = Number(mPool[entry].mHigh);
    Entry& e = mPool[entry];
    e.mNumber[0] = low;
    e.mNumber[1] = high;
    mPairs[static_cast<size_t>(low) * mSide + high] = entry;
    mPairs[static_cast<size_t>(high) * mSide + low] = entry;
    ++mCount;
}

void SightCache::Erase(int32_t entry)
{
    Entry& e = mPool[entry];
    const size_t low = static_cast<size_t>(e.mNumber[0]), high = static_cast<size_t>(e.mNumber[1]);
    mPairs[low * mSide + high] = -1;
    mPairs[high * mSide + low] = -1;
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
    // A circle farther than its reach from the box around the pair's
    // segment does not reach the segment: the distance question below would
    // answer no. The slack grows with the coordinates, far beyond the
    // rounding of the segment's nearest point; anything not a number fails
    // the test and is asked.
    const float lx = std::min(e.mX[0], e.mX[1]), hx = std::max(e.mX[0], e.mX[1]);
    const float ly = std::min(e.mY[0], e.mY[1]), hy = std::max(e.mY[0], e.mY[1]);
    const float spread = 1e-5f * (std::fabs(lx) + std::fabs(hx) + std::fabs(ly) + std::fabs(hy));
    // Newest first: the circles' numbers only grow along the list. The
    // repeated ones are not linked.
    for (uint32_t i = mLastLive; i != kNoCircle; i = mCircles[i].mPrevLive) {
        const Circle& c = mCircles[i];
        if (c.mNumber < e.mVoidsSeen) break;
        const float slack = c.mReach + spread;
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
    if (b != mRowUnit || mRowNumber < 0) {
        // A number once given stays until the cache is emptied.
        mRowNumber = NumberOf(b);
        mRowUnit = b;
    }
    const int32_t k = Find(a, b);
    if (k < 0) return false;
    Entry& e = mPool[k];
    int32_t stampLow = 0, stampHigh = 0;
    if (link) link->GetMoveStamps(low, high, &stampLow, &stampHigh);
    if (link && (stampLow != e.mStamp[0] || stampHigh != e.mStamp[1])) {
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
        k = Find(a, b);
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
        link->GetStampAndXY(low, &e.mStamp[0], &e.mX[0], &e.mY[0]);
        link->GetStampAndXY(high, &e.mStamp[1], &e.mX[1], &e.mY[1]);
    }
    e.mVoidsSeen = mVoids;
}

bool SightCache::Near(const Entry& e, float x, float y, float r)
{
    // A void at either unit's place takes the line, exactly: the nearest
    // point worked out from one end lands on the other only up to rounding.
    const float r2 = r * r;
    for (int32_t k = 0; k < 2; ++k) {
        const float ex = e.mX[k] - x, ey = e.mY[k] - y;
        if (ex * ex + ey * ey <= r2) return true;
    }
    // Distance from the point to the segment between the two units, worked
    // out from the end that comes first by its place, not from mLow's: the
    // order of the units' addresses follows the process's history, and the
    // rounding must not.
    const int32_t s = e.mX[1] < e.mX[0] || (e.mX[1] == e.mX[0] && e.mY[1] < e.mY[0]) ? 1 : 0;
    const float x0 = e.mX[s], y0 = e.mY[s];
    const float dx = e.mX[1 - s] - x0, dy = e.mY[1 - s] - y0;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    const float px = x0 + dx * t - x, py = y0 + dy * t - y;
    return px * px + py * py <= r2;
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
        Circle& old = mCircles[it->second];
        old.mRepeated = true;
        if (old.mPrevLive != kNoCircle) mCircles[old.mPrevLive].mNextLive = old.mNextLive;
        if (old.mNextLive != kNoCircle)
            mCircles[old.mNextLive].mPrevLive = old.mPrevLive;
        else
            mLastLive = old.mPrevLive;
        it->second = place;
        ++mRepeats;
    }
    // The reach covers the rounding of the distance question and of the
    // box test many times over.
    const float reach = std::fabs(r) * 1.001f + 1.0f + 1e-5f * (std::fabs(x) + std::fabs(y));
    mCircles.push_back(Circle{x, y, r, reach, mVoids++, false, mLastLive, kNoCircle});
    if (mLastLive != kNoCircle) mCircles[mLastLive].mNextLive = place;
    mLastLive = place;
    if (mRepeats >= kMinRepeatsToCompact && mRepeats * 2 >= mCircles.size()) CompactCircles();
}

void SightCache::CompactCircles()
{
    size_t kept = 0;
    for (const Circle& c : mCircles)
        if (!c.mRepeated) mCircles[kept++] = c;
    mCircles.resize(kept);
    for (size_t i = 0; i < kept; ++i) {
        mCircles[i].mPrevLive = i == 0 ? kNoCircle : static_cast<uint32_t>(i - 1);
        mCircles[i].mNextLive = i + 1 == kept ? kNoCircle : static_cast<uint32_t>(i + 1);
    }
    mLastLive = kept == 0 ? kNoCircle : static_cast<uint32_t>(kept - 1);
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
    std::fill(mUnits.begin(), mUnits.end(), UnitSlot{nullptr, -1});
    // Only the numbered units' rows hold pairs.
    for (int32_t i = 0; i < mNumbers; ++i) std::fill_n(&mPairs[static_cast<size_t>(i) * mSide], mNumbers, -1);
    mNumbers = 0;
    mRowUnit = nullptr;
    mRowNumber = -1;
    mCount = 0;
    mDropped = -1;
    mCircles.clear();
    mLastLive = kNoCircle;
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
                         bool* hdHigh, bool* behind) const
{
    if (behind) *behind = false;
    Unit* low = a < b ? a : b;
    Unit* high = a < b ? b : a;
    const int32_t k = Find(a, b);
    if (k < 0) return 0;
    const Entry& e = mPool[k];
    if (e.mVoidsSeen != mVoids && Voided(e)) return 0;  // Check would find it gone
    *los = e.mLOS;
    *vis = e.mVis;
    *hdKnown = e.mHDKnown;
    *hdLow = e.mHD[0];
    *hdHigh = e.mHD[1];
    int32_t stampLow = 0, stampHigh = 0;
    if (link) link->GetMoveStamps(low, high, &stampLow, &stampHigh);
    if (link && (stampLow != e.mStamp[0] || stampHigh != e.mStamp[1]))
        return 2;
    if (behind) *behind = e.mVoidsSeen != mVoids;
    return 1;
}
