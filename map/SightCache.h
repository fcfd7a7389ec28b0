#pragma once
// The unit-to-unit sight cache: answers of CheckLOS for a pair of units,
// valid while neither unit has moved since (their last-movement stamps are
// unchanged) and no void since has reached the segment between them. Pairs
// are stored once, whatever the order they are asked in.
//
// The pairs live in a pool. Each unit the cache has stored a pair of gets a
// number (a small open-addressing table of unit addresses gives it), and a
// square table indexed by the two numbers names a pair's pool entry, in
// both orders: the spotters of one unit, asked one after the other, read
// one row of it. A void is only
// written down: the voids since the cache was emptied are kept in order
// (a circle voided again keeps only its latest place in the list), and a
// pair is asked about the voids made since it was stored or last asked when
// it is next found. A pair a void reached is then dropped, as a stale one is.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/LargeTable.h"

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
    // the higher of the two unit addresses. behind (if given) tells whether a
    // valid pair was asked about voids that Check would then mark as asked.
    int32_t Peek(MapBattleLink* link, Unit* a, Unit* b, bool* los, float* vis, bool* hdKnown, bool* hdLow,
                 bool* hdHigh, bool* behind = nullptr) const;
    // Asks the memory for what a later question about the pair reads: its
    // place in b's row of the pair table (as Check(a, b) reads it), and
    // (entry) the pair that place names when
    // it is already at hand. Changes nothing.
    void Prefetch(const Unit* a, const Unit* b, bool entry) const;
    // Drops the pairs whose connecting segment passes within r of (x, y).
    void Void(float x, float y, float r);
    void Clear();
    // The pairs stored; the ones a void has reached are dropped first.
    int32_t GetCount();

private:
    // One cache line each, so that a question reads one line of the pool.
    struct alignas(64) Entry {
        Unit* mLow = nullptr;
        Unit* mHigh = nullptr;
        bool mUsed = false;
        bool mLOS = false;
        bool mHDKnown = false;
        bool mHD[2] = {false, false};  // of mLow, of mHigh
        float mVis = 0.0f;
        int32_t mStamp[2] = {-1, -1};
        float mX[2] = {}, mY[2] = {};
        uint32_t mVoidsSeen = 0;       // the voids numbered below this have been asked about the pair
        int32_t mNumber[2] = {-1, -1}; // the units' numbers, of mLow and of mHigh
    };
    // A unit's number: slot of the unit table (linear probing, never
    // emptied but all at once).
    struct UnitSlot {
        const Unit* mUnit;             // nullptr: empty
        int32_t mNumber;
    };
    // A void as written down: its circle and its number (voids are numbered
    // in order from 0 since the cache was emptied).
    struct Circle {
        float mX, mY, mR;
        float mReach;                  // beyond |mR| by far more than rounding (not a number: none known)
        uint32_t mNumber;
        bool mRepeated;                // voided again later: the later place counts
        // The places of the circles before and after it that are not
        // repeated (kNoCircle: none), so that a question passes over the
        // repeated ones without looking at them.
        uint32_t mPrevLive, mNextLive;
    };
    static constexpr uint32_t kNoCircle = ~0u;
    struct CircleKey {
        uint32_t mBits[3];
        bool operator==(const CircleKey& o) const
        {
            return mBits[0] == o.mBits[0] && mBits[1] == o.mBits[1] && mBits[2] == o.mBits[2];
        }
    };
    struct CircleHash {
        size_t operator()(const CircleKey& k) const;
    };

    // The pool index or -1 (a dropped pair is not found); reads the row of b.
    int32_t Find(Unit* a, Unit* b) const;
    int32_t NumberOf(const Unit* u) const;      // -1 when the unit has none
    int32_t Number(const Unit* u);              // given one when it has none
    void Insert(int32_t entry);
    void Erase(int32_t entry);
    // A pair Check drops is nearly always stored again at once (the spotter
    // traces the line anew): the drop waits for the next change, which is
    // that store (the entry is then written over where it stands) or the
    // erase before any other.
    void Drop(int32_t entry);
    void FinishDrop();
    void GrowUnits();
    void GrowPairs(int32_t numbers);
    // Whether a void made since the pair was last asked about reaches it.
    bool Voided(const Entry& e) const;
    void CompactCircles();
    static bool Near(const Entry& e, float x, float y, float r);
    static uint32_t Hash(const Unit* u);

    // The pool and the pair table take some megabytes in a large battle and
    // are read at scattered places for every spotter: large pages.
    std::vector<Entry, LargeTableAllocator<Entry>> mPool;
    std::vector<int32_t> mFree;          // pool entries not in use
    std::vector<UnitSlot> mUnits;        // size a power of two (or none)
    int32_t mNumbers = 0;                // units numbered since the cache was emptied
    // The pool entry of the pair of units numbered i and j at i * mSide + j
    // and at j * mSide + i, -1 for none.
    std::vector<int32_t, LargeTableAllocator<int32_t>> mPairs;
    int32_t mSide = 0;
    // The unit whose row Check read last and its number (-1: none): the
    // spotters of one unit ask about it one after another. Written by Check
    // alone, so the threads' reads (Peek) may use it side by side.
    const Unit* mRowUnit = nullptr;
    int32_t mRowNumber = -1;
    int32_t mCount = 0;
    int32_t mDropped = -1;               // the pool entry dropped and not yet erased, or -1

    std::vector<Circle> mCircles;        // the voids in the order they were made
    uint32_t mLastLive = kNoCircle;      // the place of the newest circle (never a repeated one)
    std::unordered_map<CircleKey, uint32_t, CircleHash> mCircleAt;  // a circle's place in mCircles
    uint32_t mVoids = 0;                 // voids made since the cache was emptied
    uint32_t mRepeats = 0;               // circles in mCircles voided again later
};
