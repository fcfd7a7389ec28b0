#include "map/TraceMemo.h"

#include <cstring>

// The words taken as seven 64-bit lanes, each multiplied on its own (no
// chain of dependent multiplies), summed, then mixed so that the low bits,
// which place the slot, depend on every input bit.
uint32_t TraceMemo::Hash(const Key& key) {
    uint64_t lanes[(kKeyWords + 1) / 2] = {};
    std::memcpy(lanes, key.mWords, sizeof key.mWords);
    static constexpr uint64_t kOdd[(kKeyWords + 1) / 2] = {
        0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 0xD6E8FEB86659FD93ull,
        0xA0761D6478BD642Full, 0xE7037ED1A0B428DBull, 0x8EBC6AF09C88C6E3ull};
    uint64_t h = 0;
    for (int i = 0; i < (kKeyWords + 1) / 2; ++i)
        h += (lanes[i] ^ (lanes[i] >> 29)) * kOdd[i];
    h ^= h >> 32;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<uint32_t>(h);
}

const TraceMemo::Value* TraceMemo::Find(const Key& key, uint32_t hash) const {
    if (mCount == 0) return nullptr;
    const uint32_t tag = Tag(hash);
    for (uint32_t i = hash & (kCapacity - 1);; i = (i + 1) & (kCapacity - 1)) {
        const uint32_t t = mTags[i];
        if (t == 0) return nullptr;
        if (t == tag && std::memcmp(mSlots[i].mKey.mWords, key.mWords, sizeof key.mWords) == 0)
            return &mSlots[i].mValue;
    }
}

void TraceMemo::Keep(const Key& key, uint32_t hash, const Value& value) {
    if (mSlots.empty()) {
        mSlots.assign(kCapacity, Slot{});
        mTags.assign(kCapacity, 0u);
    }
    // At half full the probes grow long: start afresh.
    if (mCount >= kMaxCount) Forget();
    const uint32_t tag = Tag(hash);
    for (uint32_t i = hash & (kCapacity - 1);; i = (i + 1) & (kCapacity - 1)) {
        Slot& s = mSlots[i];
        if (mTags[i] != 0) {
            if (mTags[i] != tag || std::memcmp(s.mKey.mWords, key.mWords, sizeof key.mWords) != 0) continue;
        } else {
            mTags[i] = tag;
            s.mKey = key;
            mUsedSlots.push_back(i);
            ++mCount;
        }
        s.mValue = value;
        return;
    }
}

void TraceMemo::Forget() {
    for (uint32_t i : mUsedSlots)
        mTags[i] = 0;
    mUsedSlots.clear();
    mCount = 0;
}
