#include "map/TraceMemo.h"

#include <cstring>

uint32_t TraceMemo::Hash(const Key& key)
{
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint32_t w : key.mWords) {
        h ^= w;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
    }
    return static_cast<uint32_t>(h ^ (h >> 32));
}

const TraceMemo::Value* TraceMemo::Find(const Key& key) const
{
    if (mCount == 0) return nullptr;
    for (uint32_t i = Hash(key) & (kCapacity - 1);; i = (i + 1) & (kCapacity - 1)) {
        const Slot& s = mSlots[i];
        if (!s.mUsed) return nullptr;
        if (std::memcmp(s.mKey.mWords, key.mWords, sizeof key.mWords) == 0) return &s.mValue;
    }
}

void TraceMemo::Keep(const Key& key, const Value& value)
{
    if (mSlots.empty()) mSlots.assign(kCapacity, Slot{});
    // At half full the probes grow long: start afresh.
    if (static_cast<uint32_t>(mCount) >= kCapacity / 2) Forget();
    for (uint32_t i = Hash(key) & (kCapacity - 1);; i = (i + 1) & (kCapacity - 1)) {
        Slot& s = mSlots[i];
        if (s.mUsed) {
            if (std::memcmp(s.mKey.mWords, key.mWords, sizeof key.mWords) != 0) continue;
        } else {
            s.mUsed = true;
            s.mKey = key;
            mUsedSlots.push_back(i);
            ++mCount;
        }
        s.mValue = value;
        return;
    }
}

void TraceMemo::Forget()
{
    for (uint32_t i : mUsedSlots) mSlots[i].mUsed = false;
    mUsedSlots.clear();
    mCount = 0;
}
