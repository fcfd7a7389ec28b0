#pragma once
// Memos of pure rule values. Some values of the rules follow from their
// inputs and the data tables alone (no unit state they do not name, no draw
// they do not undo or replay); the target scoring asks them again and again.
// While a value scope is open on a thread (the battle opens one while it
// computes the action phase and one while the computer plans a side), a memo
// on that thread keeps such a value under every input bit for bit and gives
// it back when the same inputs come again. The data tables do not change
// while a battle computes; tests and tools change them between battles, so a
// memo forgets what it kept in an earlier scope. Other threads, and code
// outside a scope, compute every value. A value whose computing draws
// numbers it does not use is kept with the generator's move (KeptOrComputed).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/GOLTA.h"

class ValueMemoScope {
public:
    ValueMemoScope();
    ~ValueMemoScope();
    ValueMemoScope(const ValueMemoScope&) = delete;
    ValueMemoScope& operator=(const ValueMemoScope&) = delete;
};

// A number for the outermost value scope open on this thread, new for each
// one opened; 0 when none is open. Scopes nest.
uint32_t ValueMemoGeneration();

// A hash of 32-bit words (FNV-1a over the words).
inline size_t HashWords(std::initializer_list<uint32_t> words) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t w : words)
        h = (h ^ w) * 1099511628211ull;
    return static_cast<size_t>(h);
}

// One memo of one value; declare it thread_local. A flat open-addressing
// table: a probe reads the small tag array and compares a slot's key only
// where the tags agree.
template <class Key, class Value, class Hash> class ValueMemo {
public:
    // Whether a scope is open on the thread; forgets the answers of another
    // scope first.
    bool Live() {
        const uint32_t generation = ValueMemoGeneration();
        if (generation != mGeneration) {
            Forget();
            mGeneration = generation;
        }
        return generation != 0;
    }
    // The answer kept for the key, or null.
    const Value* Find(const Key& key) const {
        if (mCount == 0) return nullptr;
        const uint32_t tag = Tag(key);
        for (uint32_t i = tag & mMask;; i = (i + 1) & mMask) {
            const uint32_t t = mTags[i];
            if (t == 0) return nullptr;
            if (t == tag && mSlots[i].key == key) return &mSlots[i].value;
        }
    }
    // Keeps the answer (an answer kept before for the key stays); a memo
    // grown to kMaxAnswers starts afresh (answers of places long left are
    // not asked again).
    void Keep(const Key& key, const Value& value) {
        if (mCount >= kMaxAnswers) Forget();
        if (2 * (mCount + 1) > mTags.size()) Grow();
        Put(Tag(key), key, value);
    }

private:
    static constexpr uint32_t kMaxAnswers = uint32_t{1} << 16;
    static constexpr uint32_t kFirstCapacity = 256;
    struct Slot {
        Key key;
        Value value;
    };
    // The key's hash, mixed so that its low bits place the slot, with the
    // lowest bit set (0 marks an empty slot).
    static uint32_t Tag(const Key& key) {
        uint64_t h = Hash()(key);
        h ^= h >> 31;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return static_cast<uint32_t>(h) | 1u;
    }
    void Put(uint32_t tag, const Key& key, const Value& value) {
        for (uint32_t i = tag & mMask;; i = (i + 1) & mMask) {
            const uint32_t t = mTags[i];
            if (t == 0) {
                mTags[i] = tag;
                mSlots[i] = Slot{key, value};
                ++mCount;
                return;
            }
            if (t == tag && mSlots[i].key == key) return;
        }
    }
    // Doubles the table (kept below half full) and places the answers anew.
    void Grow() {
        const uint32_t capacity = mTags.empty() ? kFirstCapacity : 2 * static_cast<uint32_t>(mTags.size());
        std::vector<uint32_t> tags(capacity, 0u);
        std::vector<Slot> slots(capacity);
        tags.swap(mTags);
        slots.swap(mSlots);
        mMask = capacity - 1;
        mCount = 0;
        for (size_t i = 0; i < tags.size(); ++i)
            if (tags[i] != 0) Put(tags[i], slots[i].key, slots[i].value);
    }
    void Forget() {
        if (mCount == 0) return;
        std::fill(mTags.begin(), mTags.end(), 0u);
        mCount = 0;
    }
    uint32_t mGeneration = 0;
    uint32_t mCount = 0;
    uint32_t mMask = 0;
    std::vector<uint32_t> mTags; // per slot; 0 for an empty one
    std::vector<Slot> mSlots;
};

// The generator's state after some number of draws as an affine map of its
// state before (the generator is linear congruential): after = mul * before
// + add, modulo 2^32.
struct DrawMap {
    uint32_t mul = 1;
    uint32_t add = 0;
};

// The map taking the generator from `from` to `to` in the fewest steps
// (found by stepping the generator); false beyond maxSteps. Leaves the
// generator at `to`.
bool DrawsBetween(uint32_t from, uint32_t to, int32_t maxSteps, DrawMap* map);

// A value and the generator's move while it was computed.
struct KeptValue {
    float value;
    DrawMap draws;
};

// The value kept for the key, with the generator moved on as its computing
// moved it; else computed, and kept unless the generator moved further than
// maxSteps. Only for a value whose draws, in number, follow from the key and
// whose result uses none of them.
template <class Memo, class Key, class Compute>
float KeptOrComputed(Memo& memo, const Key& key, int32_t maxSteps, Compute compute) {
    if (const KeptValue* kept = memo.Find(key)) {
        if (kept->draws.mul != 1 || kept->draws.add != 0)
            SeedRandomGenerator(kept->draws.mul * GetRandomState() + kept->draws.add);
        return kept->value;
    }
    const uint32_t before = GetRandomState();
    const float value = compute();
    DrawMap draws;
    if (DrawsBetween(before, GetRandomState(), maxSteps, &draws)) memo.Keep(key, KeptValue{value, draws});
    return value;
}
