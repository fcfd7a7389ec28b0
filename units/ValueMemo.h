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

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <unordered_map>

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

// One memo of one value; declare it thread_local.
template <class Key, class Value, class Hash> class ValueMemo {
public:
    // Whether a scope is open on the thread; forgets the answers of another
    // scope first.
    bool Live() {
        const uint32_t generation = ValueMemoGeneration();
        if (generation != mGeneration) {
            mAnswers.clear();
            mGeneration = generation;
        }
        return generation != 0;
    }
    // The answer kept for the key, or null.
    const Value* Find(const Key& key) const {
        const auto found = mAnswers.find(key);
        return found == mAnswers.end() ? nullptr : &found->second;
    }
    // Keeps the answer; a memo grown to kMaxAnswers starts afresh (answers
    // of places long left are not asked again).
    void Keep(const Key& key, const Value& value) {
        if (mAnswers.size() >= kMaxAnswers) mAnswers.clear();
        mAnswers.emplace(key, value);
    }

private:
    static constexpr size_t kMaxAnswers = size_t{1} << 16;
    uint32_t mGeneration = 0;
    std::unordered_map<Key, Value, Hash> mAnswers;
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
