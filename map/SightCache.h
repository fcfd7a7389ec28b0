#pragma once
// The unit-to-unit sight cache: answers of CheckLOS for a pair of units,
// valid while neither unit has moved since (their last-movement stamps are
// unchanged). Pairs are stored once, whatever the order they are asked in.
//
// The pairs live in a pool; a flat open-addressing table (linear probing,
// deletion by shifting back) finds a pair's pool entry. A grid of cells over
// the map lists, for each cell, the pairs whose connecting segment crosses
// it, so that voiding a point looks only at the pairs passing near it. The
// cell lists are not cleaned at once when a pair goes: each reference keeps
// the pair's serial and a stale one is dropped when met; the lists are made
// again when the stale references outgrow the live ones. A pair is listed
// only when the next void comes: most pairs are stored anew or dropped
// (a unit moved) before that.
#include <cstddef>
#include <cstdint>
#include <vector>

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
    // Asks the memory for what a later question about the pair reads: its
    // slot of the table, and (entry) the pair the slot names when the slot
    // is already at hand. Changes nothing.
    void Prefetch(const Unit* a, const Unit* b, bool entry) const;
    // Drops the pairs whose connecting segment passes within r of (x, y).
    void Void(float x, float y, float r);
    void Clear();
    int32_t GetCount() const { return mCount; }
    // The area the grid of cells covers (metres from the origin); pairs
    // outside it are listed in the border cells.
    void SetArea(float widthMetres, float heightMetres);

private:
    // One cache line each, so that a question reads one line of the pool.
    struct alignas(64) Entry {
        Unit* mLow = nullptr;
        Unit* mHigh = nullptr;
        bool mLOS = false;
        float mVis = 0.0f;
        bool mHDKnown = false;
        bool mHD[2] = {false, false};  // of mLow, of mHigh
        int32_t mStamp[2] = {-1, -1};
        float mX[2] = {}, mY[2] = {};
        uint32_t mSerial = 0;          // changes with every store; 0: a free entry
        int32_t mCells = 0;            // cell references made at its last store
    };
    // A slot holds the low 32 bits of its pair's hash (the home slot and a
    // quick reject) and the pool index; the pair itself is read from the
    // pool only when the hash matches. Eight slots share a cache line.
    struct Slot {
        uint32_t mHash;
        int32_t mEntry;                // pool index, -1 empty
    };
    struct CellRef {
        int32_t mEntry;
        uint32_t mSerial;
    };

    int32_t Find(Unit* low, Unit* high) const;  // the pool index or -1
    void Insert(int32_t entry);
    void Erase(int32_t entry);
    void Grow();
    void Register(int32_t entry);
    void CompactCells();
    static bool Near(const Entry& e, float x, float y, float r);
    static uint32_t Hash(const Unit* low, const Unit* high);
    int32_t CellColumn(float x) const;
    int32_t CellRow(float y) const;

    std::vector<Entry> mPool;
    std::vector<int32_t> mFree;          // pool entries not in use
    std::vector<Slot> mTable;            // size a power of two
    int32_t mCount = 0;
    uint32_t mNextSerial = 1;

    static constexpr float kCellSize = 128.0f;
    int32_t mColumns = 1, mRows = 1;
    std::vector<std::vector<CellRef>> mCells;
    std::vector<CellRef> mEverywhere;    // pairs at positions that are not numbers
    std::vector<CellRef> mPending;       // stored since the last void: listed at the next one
    int64_t mLiveRefs = 0, mAllRefs = 0;
};
