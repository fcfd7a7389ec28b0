#include "map/SightCache.h"

#include <cmath>

#include "map/MapBattleLink.h"

bool SightCache::Check(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hd)
{
    Key key = MakeKey(a, b);
    auto it = mEntries.find(key);
    if (it == mEntries.end()) return false;
    Entry& e = it->second;
    if (link && (link->GetMoveStamp(key.mLow) != e.mStamp[0] || link->GetMoveStamp(key.mHigh) != e.mStamp[1])) {
        mEntries.erase(it);  // one of them moved: the answer is stale
        return false;
    }
    if (los) *los = e.mLOS;
    if (vis) *vis = e.mVis;
    if (hdKnown) *hdKnown = e.mHDKnown;
    if (hd) *hd = e.mHD[b == key.mLow ? 0 : 1];
    return true;
}

void SightCache::Store(MapBattleLink* link, Unit* a, Unit* b, bool los, float vis, bool hdKnown, bool hdA, bool hdB)
{
    Key key = MakeKey(a, b);
    bool aLow = a == key.mLow;
    if (vis == -1.0f) {
        auto it = mEntries.find(key);
        if (it == mEntries.end()) return;
        it->second.mHDKnown = hdKnown;
        it->second.mHD[aLow ? 0 : 1] = hdA;
        it->second.mHD[aLow ? 1 : 0] = hdB;
        return;
    }
    Entry e;
    e.mLOS = los;
    e.mVis = vis;
    e.mHDKnown = hdKnown;
    e.mHD[aLow ? 0 : 1] = hdA;
    e.mHD[aLow ? 1 : 0] = hdB;
    if (link) {
        for (int k = 0; k < 2; ++k) {
            Unit* u = k == 0 ? key.mLow : key.mHigh;
            e.mStamp[k] = link->GetMoveStamp(u);
            link->GetUnitXY(u, &e.mX[k], &e.mY[k]);
        }
    }
    mEntries[key] = e;
}

void SightCache::Void(float x, float y, float r)
{
    for (auto it = mEntries.begin(); it != mEntries.end();) {
        const Entry& e = it->second;
        // Distance from the point to the segment between the two units.
        float dx = e.mX[1] - e.mX[0], dy = e.mY[1] - e.mY[0];
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0.0f ? ((x - e.mX[0]) * dx + (y - e.mY[0]) * dy) / len2 : 0.0f;
        t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
        float px = e.mX[0] + dx * t - x, py = e.mY[0] + dy * t - y;
        if (px * px + py * py <= r * r) {
            it = mEntries.erase(it);
        } else {
            ++it;
        }
    }
}

int32_t SightCache::Peek(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hdLow,
                         bool* hdHigh) const
{
    const Key key = MakeKey(a, b);
    auto it = mEntries.find(key);
    if (it == mEntries.end()) return 0;
    const Entry& e = it->second;
    *los = e.mLOS;
    *vis = e.mVis;
    *hdKnown = e.mHDKnown;
    *hdLow = e.mHD[0];
    *hdHigh = e.mHD[1];
    if (link && (link->GetMoveStamp(key.mLow) != e.mStamp[0] || link->GetMoveStamp(key.mHigh) != e.mStamp[1]))
        return 2;
    return 1;
}
