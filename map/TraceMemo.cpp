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
    const uint32_t hash = Hash(key), tag = Tag(hash);
    for (uint32_t i = hash & (kCapacity - 1);; i = (i + 1) & (kCapacity - 1)) {
        const uint32_t t = mTags[i];
        if (t == 0) return nullptr;
        if (t == tag && std::memcmp(mSlots[i].mKey.mWords, key.mWords, sizeof key.mWords) == 0)
            return &mSlots[i].mValue;
    }
}

void TraceMemo::Keep(const Key& key, const Value& value)
{
    if (mSlots.empty()) {
        mSlots.assign(kCapacity, Slot{});
        mTags.assign(kCapacity, 0u);
    }
    // At half full the probes grow long: start afresh.
    if (static_cast<uint32_t>(mCount) >= kCapacity / 2) Forget();
    const uint32_t hash = Hash(key), tag = Tag(hash);
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

void TraceMemo::Forget()
{
    for (uint32_t i : mUsedSlots) mTags[i] = 0;
    mUsedSlots.clear();
    mCount = 0;
}
