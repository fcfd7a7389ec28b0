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
// outside a scope, compute every value.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <unordered_map>

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
    void Keep(const Key& key, const Value& value) { mAnswers.emplace(key, value); }

private:
    uint32_t mGeneration = 0;
    std::unordered_map<Key, Value, Hash> mAnswers;
};
