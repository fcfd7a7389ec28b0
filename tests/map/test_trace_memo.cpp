// The table of kept traces against a plain map of keys: random keys drawn
// from a small set (so most come again, some differing in one bit only),
// kept, asked and forgotten, also past the point where the table empties
// itself, give the same answers.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "map/TraceMemo.h"

namespace {

struct Draw {
    uint64_t s;
    uint32_t Next()
    {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(s >> 33);
    }
};

std::vector<uint32_t> Words(const TraceMemo::Key& k) { return {k.mWords, k.mWords + TraceMemo::kKeyWords}; }

} // namespace

TEST(TraceMemo, AnswersAsAPlainMapOfKeysAlsoWhenItEmptiesItself)
{
    for (uint64_t seed = 1; seed <= 3; ++seed) {
        Draw d{seed};
        // A set of keys; a third differ from another one in a single bit.
        std::vector<TraceMemo::Key> keys(seed == 3 ? 3 * TraceMemo::kMaxCount : 3000);
        for (size_t i = 0; i < keys.size(); ++i) {
            if (i > 0 && d.Next() % 3 == 0) {
                keys[i] = keys[d.Next() % i];
                keys[i].mWords[d.Next() % TraceMemo::kKeyWords] ^= 1u << (d.Next() % 32);
            } else {
                for (uint32_t& w : keys[i].mWords) w = d.Next() % 4 == 0 ? 0u : d.Next();
            }
        }
        TraceMemo memo;
        std::map<std::vector<uint32_t>, TraceMemo::Value> model;
        for (int step = 0; step < 200000; ++step) {
            const TraceMemo::Key& key = keys[d.Next() % keys.size()];
            const uint32_t op = d.Next() % 100;
            if (op < 45) {
                TraceMemo::Value v;
                for (uint32_t& w : v.mWords) w = d.Next();
                if (model.size() >= TraceMemo::kMaxCount) model.clear();
                memo.Keep(key, TraceMemo::Hash(key), v);
                model[Words(key)] = v;
            } else if (op < 99) {
                const TraceMemo::Value* found = memo.Find(key, TraceMemo::Hash(key));
                auto it = model.find(Words(key));
                ASSERT_EQ(found != nullptr, it != model.end()) << "seed " << seed << " step " << step;
                if (found) ASSERT_EQ(std::memcmp(found, &it->second, sizeof *found), 0);
            } else if (d.Next() % 50 == 0) {
                memo.Forget();
                model.clear();
            }
            ASSERT_EQ(memo.GetCount(), static_cast<int32_t>(model.size()));
        }
    }
}
