#pragma once
// What the sight code needs to run on several threads with the same answers
// as on one: the log of one piece of work's sight-cache changes, and a memo
// of CheckLOS answers fetched ahead for exact inputs (docs/threads.md).
#include <cstdint>
#include <cstring>
#include <vector>

class Unit;

// The sight-cache changes one piece of work would have made, in its order,
// and its own view of the pairs it touched.
struct SightLog {
    struct Op {
        Unit* a = nullptr;
        Unit* b = nullptr;
        bool store = false; // else a check: it drops a stale answer, or marks a valid one's voids as asked
        bool los = false;
        float vis = 0.0f;
        bool hdKnown = false, hdA = false, hdB = false;
    };
    enum State : int8_t { kAbsent, kValid, kStale };
    struct View {
        Unit* low = nullptr;
        Unit* high = nullptr;
        State state = kAbsent;
        bool los = false;
        float vis = 0.0f;
        bool hdKnown = false;
        bool hd[2] = {false, false}; // of low, of high
    };
    std::vector<Op> ops;
    std::vector<View> views;
    std::vector<void*> deferred; // lazily found values to keep (Map::ThreadDeferredKeeps)
    void Clear() {
        ops.clear();
        views.clear();
        deferred.clear();
    }
};

// The inputs of one CheckLOS call, bit for bit, and its answer.
struct LOSKey {
    uint32_t bits[6] = {};
    uint8_t flags = 0;
    bool operator==(const LOSKey& o) const {
        return flags == o.flags && std::memcmp(bits, o.bits, sizeof bits) == 0;
    }
};
struct LOSKeyHash {
    size_t operator()(const LOSKey& k) const {
        uint64_t h = 0x9E3779B97F4A7C15ull ^ k.flags;
        for (uint32_t b : k.bits)
            h = (h ^ b) * 0x100000001B3ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};
struct LOSAnswer {
    bool answered = false;
    float visibility = 0.0f, length = 0.0f, blockX = 0.0f, blockY = 0.0f, blockZ = 0.0f;
    std::vector<void*> deferred; // lazily found values its working out would have kept
};
struct LOSRequest {
    bool groundOnly = false, withSmoke = true, endCover = false;
    float x1 = 0.0f, y1 = 0.0f, z1 = 0.0f, x2 = 0.0f, y2 = 0.0f, z2 = 0.0f;
};

// Answers fetched ahead for exact inputs, in the order the fetching code
// will ask for them: a question is looked for from the one after the last
// answer found on, so asking in that order finds each at once; lines fetched
// but never asked are passed over, and one asked again is found behind.
struct LOSMemo {
    std::vector<LOSKey> keys;
    std::vector<LOSAnswer> answers;
    size_t next = 0;
    void Clear() {
        keys.clear();
        answers.clear();
        next = 0;
    }
    size_t Size() const { return keys.size(); }
    const LOSAnswer* Find(const LOSKey& key) {
        const size_t n = keys.size();
        for (size_t i = next; i < n; ++i)
            if (keys[i] == key) {
                next = i + 1;
                return &answers[i];
            }
        for (size_t i = 0; i < next && i < n; ++i)
            if (keys[i] == key) return &answers[i];
        return nullptr;
    }
};
