#pragma once
// Answers of map traces kept by their exact inputs (the bits of every input
// word), in a flat open-addressing table. The map keeps it while the
// computer plans, when the same lines are traced again and again over a map
// that does not change; what was kept is forgotten as a whole.
#include <cstdint>
#include <vector>

class TraceMemo {
public:
    static constexpr int kKeyWords = 13;
    static constexpr int kValueWords = 3;
    // The most answers kept; the table holds twice as many slots.
    static constexpr int32_t kMaxCount = 1 << 16;
    struct Key {
        uint32_t mWords[kKeyWords];
    };
    struct Value {
        uint32_t mWords[kValueWords];
    };

    // The key's hash, which Find and Keep take (an answer not found is
    // kept under the hash already made).
    static uint32_t Hash(const Key& key);
    // The kept answer to key, or null.
    const Value* Find(const Key& key, uint32_t hash) const;
    // Keeps an answer (the table is emptied first when it is full).
    void Keep(const Key& key, uint32_t hash, const Value& value);
    void Forget();
    int32_t GetCount() const { return mCount; }
    // The map's change count the kept answers belong to.
    uint32_t mMapChanges = 0;

private:
    // A slot fills one cache line: a probe whose tag agrees reads one line.
    struct alignas(64) Slot {
        Key mKey;
        Value mValue;
    };
    static_assert(sizeof(Slot) == 64);
    // The tag of a used slot: its key's hash with the lowest bit set (0 is
    // an empty slot). The probes read the small tag table and look at a
    // slot's key only where the tags agree.
    static uint32_t Tag(uint32_t hash) { return hash | 1u; }
    static constexpr uint32_t kCapacity = 2u * kMaxCount;
    std::vector<Slot> mSlots;    // kCapacity once something is kept
    std::vector<uint32_t> mTags; // per slot
    std::vector<uint32_t> mUsedSlots;
    int32_t mCount = 0;
};
