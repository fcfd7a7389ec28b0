#pragma once
// The unit-to-unit sight cache: answers of CheckLOS for a pair of units,
// valid while neither unit has moved since (their last-movement stamps are
// unchanged). Pairs are stored once, whatever the order they are asked in.
#include <cstddef>
#include <cstdint>
#include <unordered_map>

class Unit;
class MapBattleLink;

class SightCache {
public:
    // True when the pair's answer is stored and still valid; hd receives the
    // hull-down state of b.
    bool Check(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hd);
    // A visibility of -1.0 only records the hull-down states of a stored pair.
    void Store(MapBattleLink* link, Unit* a, Unit* b, bool los, float vis, bool hdKnown, bool hdA, bool hdB);
    // Reads the pair's entry without changing anything: 0 none, 1 valid,
    // 2 stale (Check would drop it). hdLow and hdHigh belong to the lower and
    // the higher of the two unit addresses.
    int32_t Peek(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hdLow,
                 bool* hdHigh) const;
    // Drops the pairs whose connecting segment passes within r of (x, y).
    void Void(float x, float y, float r);
    void Clear() { mEntries.clear(); }
    int32_t GetCount() const { return static_cast<int32_t>(mEntries.size()); }

private:
    struct Key {
        Unit* mLow;
        Unit* mHigh;
        bool operator==(const Key& o) const { return mLow == o.mLow && mHigh == o.mHigh; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const
        {
            uint64_t a = reinterpret_cast<uintptr_t>(k.mLow), b = reinterpret_cast<uintptr_t>(k.mHigh);
            return static_cast<size_t>((a * 0x9E3779B97F4A7C15ull) ^ (b + 0x7F4A7C15ull + (a << 6)));
        }
    };
    struct Entry {
        bool mLOS = false;
        float mVis = 0.0f;
        bool mHDKnown = false;
        bool mHD[2] = {false, false};  // of mLow, of mHigh
        int32_t mStamp[2] = {-1, -1};
        float mX[2] = {}, mY[2] = {};
    };
    static Key MakeKey(Unit* a, Unit* b) { return a < b ? Key{a, b} : Key{b, a}; }

    std::unordered_map<Key, Entry, KeyHash> mEntries;
};
