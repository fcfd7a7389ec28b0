// The sight cache against a plain model of it (every pair in a hash map,
// voiding by looking at each pair): random stores, checks, moves and voids
// give the same answers and leave the same pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_map>

#include "map/MapBattleLink.h"
#include "map/SightCache.h"

namespace {

constexpr int kUnits = 60;
char gUnitBytes[kUnits];
Unit* U(int k) { return reinterpret_cast<Unit*>(&gUnitBytes[k]); }
int IndexOf(Unit* u) { return static_cast<int>(reinterpret_cast<char*>(u) - gUnitBytes); }

struct Link : MapBattleLink {
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    int32_t GetMoveStamp(Unit* u) override { return stamp[IndexOf(u)]; }
    void GetUnitXY(Unit* u, float* x, float* y) override
    {
        *x = x_[IndexOf(u)];
        *y = y_[IndexOf(u)];
    }
    int32_t stamp[kUnits] = {};
    float x_[kUnits] = {}, y_[kUnits] = {};
};

// The cache as it answered when every pair lived in one hash map.
struct Model {
    struct Entry {
        bool los;
        float vis;
        bool known;
        bool hd[2];
        int32_t stamp[2];
        float x[2], y[2];
    };
    std::unordered_map<uint64_t, Entry> pairs;
    static uint64_t Key(int a, int b) { return a < b ? uint64_t(a) << 32 | b : uint64_t(b) << 32 | a; }
    bool Check(Link& link, int a, int b, bool* los, float* vis, bool* known, bool* hd)
    {
        auto it = pairs.find(Key(a, b));
        if (it == pairs.end()) return false;
        const int lo = std::min(a, b), hi = std::max(a, b);
        if (link.stamp[lo] != it->second.stamp[0] || link.stamp[hi] != it->second.stamp[1]) {
            pairs.erase(it);
            return false;
        }
        *los = it->second.los;
        *vis = it->second.vis;
        *known = it->second.known;
        *hd = it->second.hd[b == lo ? 0 : 1];
        return true;
    }
    void Store(Link& link, int a, int b, bool los, float vis, bool known, bool hdA, bool hdB)
    {
        const int lo = std::min(a, b), hi = std::max(a, b);
        const bool aLow = a == lo;
        if (vis == -1.0f) {
            auto it = pairs.find(Key(a, b));
            if (it == pairs.end()) return;
            it->second.known = known;
            it->second.hd[aLow ? 0 : 1] = hdA;
            it->second.hd[aLow ? 1 : 0] = hdB;
            return;
        }
        Entry e{los, vis, known, {aLow ? hdA : hdB, aLow ? hdB : hdA}, {link.stamp[lo], link.stamp[hi]},
                {link.x_[lo], link.x_[hi]}, {link.y_[lo], link.y_[hi]}};
        pairs[Key(a, b)] = e;
    }
    void Void(float x, float y, float r)
    {
        for (auto it = pairs.begin(); it != pairs.end();) {
            const Entry& e = it->second;
            // Either end within the circle, or the segment's nearest point
            // measured from the end first by x, then y.
            const bool ends = (e.x[0] - x) * (e.x[0] - x) + (e.y[0] - y) * (e.y[0] - y) <= r * r ||
                              (e.x[1] - x) * (e.x[1] - x) + (e.y[1] - y) * (e.y[1] - y) <= r * r;
            const int s = e.x[1] < e.x[0] || (e.x[1] == e.x[0] && e.y[1] < e.y[0]);
            float dx = e.x[1 - s] - e.x[s], dy = e.y[1 - s] - e.y[s];
            float len2 = dx * dx + dy * dy;
            float t = len2 > 0.0f ? ((x - e.x[s]) * dx + (y - e.y[s]) * dy) / len2 : 0.0f;
            t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
            float px = e.x[s] + dx * t - x, py = e.y[s] + dy * t - y;
            it = ends || px * px + py * py <= r * r ? pairs.erase(it) : std::next(it);
        }
    }
};

struct Draw {
    uint64_t s;
    uint32_t Next()
    {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(s >> 33);
    }
    float Range(float lo, float hi) { return lo + (hi - lo) * (Next() & 0xffffff) / float(1 << 24); }
    int Below(int n) { return static_cast<int>(Next() % n); }
};

void Place(Draw& d, Link& link, int k, float w, float h)
{
    // Mostly on the map; a few far off it, and rarely not a number.
    const int kind = d.Below(40);
    link.x_[k] = kind == 0 ? d.Range(-3000, w + 3000) : d.Range(0, w);
    link.y_[k] = kind == 1 ? d.Range(-3000, h + 3000) : d.Range(0, h);
    if (kind == 2) link.x_[k] = std::numeric_limits<float>::quiet_NaN();
    if (kind == 3) link.y_[k] = std::numeric_limits<float>::infinity();
}

} // namespace

TEST(SightCache, AnswersAsAPlainMapOfPairsThroughStoresMovesAndVoids)
{
    for (uint64_t seed = 1; seed <= 6; ++seed) {
        Draw d{seed};
        Link link;
        const float w = seed % 2 ? 1600.0f : 700.0f, h = seed % 3 ? 1200.0f : 2600.0f;
        for (int k = 0; k < kUnits; ++k) Place(d, link, k, w, h);
        SightCache cache;
        Model model;
        for (int step = 0; step < 40000; ++step) {
            const int op = d.Below(100);
            const int a = d.Below(kUnits), b = d.Below(kUnits);
            // A spotter's question: the pair checked and, when not found,
            // stored again at once (or, rarely, only its hull-down states).
            const bool storeAfter = op >= 65 && op < 80;
            if (op < 35) {
                const float vis = d.Below(8) == 0 ? -1.0f : d.Range(0, 1);
                const bool los = d.Below(2), known = d.Below(2), hdA = d.Below(2), hdB = d.Below(2);
                cache.Store(&link, U(a), U(b), los, vis, known, hdA, hdB);
                model.Store(link, a, b, los, vis, known, hdA, hdB);
            } else if (op < 80) {
                bool l1 = false, k1 = false, h1 = false, l2 = false, k2 = false, h2 = false;
                float v1 = -5, v2 = -5;
                const bool got = cache.Check(&link, U(a), U(b), &l1, &v1, &k1, &h1);
                ASSERT_EQ(got, model.Check(link, a, b, &l2, &v2, &k2, &h2)) << "seed " << seed << " step " << step;
                if (got) {
                    ASSERT_EQ(l1, l2);
                    ASSERT_EQ(v1, v2);
                    ASSERT_EQ(k1, k2);
                    ASSERT_EQ(h1, h2);
                } else if (storeAfter) {
                    const float vis = d.Below(10) == 0 ? -1.0f : d.Range(0, 1);
                    cache.Store(&link, U(b), U(a), vis > 0.5f, vis, false, true, false);
                    model.Store(link, b, a, vis > 0.5f, vis, false, true, false);
                }
            } else if (op < 88) {
                ++link.stamp[a];
                Place(d, link, a, w, h);
            } else if (op < 99) {
                float x = d.Range(-100, w + 100), y = d.Range(-100, h + 100);
                float r = d.Below(10) == 0 ? -d.Range(0, 60) : d.Range(0, 60);
                if (d.Below(200) == 0) r = d.Range(500, 5000);
                if (d.Below(300) == 0) x = std::numeric_limits<float>::quiet_NaN();
                cache.Void(x, y, r);
                model.Void(x, y, r);
            } else if (d.Below(20) == 0) {
                cache.Clear();
                model.pairs.clear();
            }
            // A read that changes nothing sees what Check would find.
            const int pa = d.Below(kUnits), pb = d.Below(kUnits);
            bool pl = false, pk = false, plow = false, phigh = false;
            float pv = 0.0f;
            const auto found = model.pairs.find(Model::Key(pa, pb));
            const int lo = std::min(pa, pb), hi = std::max(pa, pb);
            const int32_t expected = found == model.pairs.end() ? 0
                                     : link.stamp[lo] != found->second.stamp[0] ||
                                               link.stamp[hi] != found->second.stamp[1]
                                         ? 2
                                         : 1;
            const int32_t peek = cache.Peek(&link, U(pa), U(pb), &pl, &pv, &pk, &plow, &phigh);
            ASSERT_EQ(peek, expected) << "seed " << seed << " step " << step;
            if (peek == 1) {
                ASSERT_EQ(pv, found->second.vis);
            }
            if (d.Below(8) == 0) {
                ASSERT_EQ(cache.GetCount(), static_cast<int32_t>(model.pairs.size())) << "seed " << seed << " step " << step;
            }
        }
        // Every pair the model keeps is still answered.
        for (int a = 0; a < kUnits; ++a)
            for (int b = a + 1; b < kUnits; ++b) {
                bool l1, k1, h1, l2, k2, h2;
                float v1, v2;
                EXPECT_EQ(cache.Check(&link, U(a), U(b), &l1, &v1, &k1, &h1),
                          model.Check(link, a, b, &l2, &v2, &k2, &h2));
            }
    }
}

// Pairs stored again and again between long runs of voids, most of them
// the same few circles voided again (their earlier places are passed over
// and, once they are many, dropped from the list): the voids still find
// exactly the near pairs, however long ago a pair was stored.
TEST(SightCache, VoidsFindTheNearPairsThroughLongRunsOfRepeatedCircles)
{
    Draw d{77};
    Link link;
    const float w = 3000.0f, h = 3000.0f;
    for (int k = 0; k < kUnits; ++k) {
        link.x_[k] = d.Range(0, w);
        link.y_[k] = d.Range(0, h);
    }
    float cx[8], cy[8], cr[8];
    for (int k = 0; k < 8; ++k) {
        cx[k] = d.Range(0, w);
        cy[k] = d.Range(0, h);
        cr[k] = d.Range(0, 200);
    }
    SightCache cache;
    Model model;
    for (int step = 0; step < 30000; ++step) {
        const int a = d.Below(kUnits), b = d.Below(kUnits);
        if (a == b) continue;
        if (d.Below(3) == 0) {
            cache.Store(&link, U(a), U(b), true, 0.5f, false, false, false);
            model.Store(link, a, b, true, 0.5f, false, false, false);
        } else {
            bool l1, k1, h1, l2, k2, h2;
            float v1, v2;
            ASSERT_EQ(cache.Check(&link, U(a), U(b), &l1, &v1, &k1, &h1), model.Check(link, a, b, &l2, &v2, &k2, &h2))
                << "step " << step;
        }
        const int k = d.Below(8);
        if (d.Below(4) == 0) {
            const float x = d.Range(0, w), y = d.Range(0, h), r = d.Range(0, 5);
            cache.Void(x, y, r);
            model.Void(x, y, r);
        } else {
            cache.Void(cx[k], cy[k], cr[k]);
            model.Void(cx[k], cy[k], cr[k]);
        }
        if (step % 1000 == 0) {
            ASSERT_EQ(cache.GetCount(), static_cast<int32_t>(model.pairs.size())) << "step " << step;
        }
        if (step % 500 == 0) {
            ++link.stamp[a];
            link.x_[a] = d.Range(0, w);
            link.y_[a] = d.Range(0, h);
        }
    }
    for (int a = 0; a < kUnits; ++a)
        for (int b = a + 1; b < kUnits; ++b) {
            bool l1, k1, h1, l2, k2, h2;
            float v1, v2;
            EXPECT_EQ(cache.Check(&link, U(a), U(b), &l1, &v1, &k1, &h1), model.Check(link, a, b, &l2, &v2, &k2, &h2));
        }
}

// Two units whose addresses lie the other way round (in a game they follow
// the battles the process ran before): a void, at either unit's place
// (a pushed vehicle voids its old place with a radius of 0) or grazing the
// line between them, drops the pair alike, and one at a unit's place always.
TEST(SightCache, AVoidReachesALineWhicheverOfItsUnitsLiesLowerInMemory)
{
    Draw d{11};
    for (int step = 0; step < 3000; ++step) {
        Link link;
        const float px = d.Range(0, 2000), py = d.Range(0, 2000), qx = d.Range(0, 2000), qy = d.Range(0, 2000);
        link.x_[0] = link.x_[3] = px;
        link.y_[0] = link.y_[3] = py;
        link.x_[1] = link.x_[2] = qx;
        link.y_[1] = link.y_[2] = qy;
        const int kind = d.Below(3);
        float cx = kind == 0 ? px : qx, cy = kind == 0 ? py : qy, r = 0.0f;
        if (kind == 2) {
            // Off the line by about its radius, where rounding decides.
            const float t = d.Range(0, 1), len = std::hypot(qx - px, qy - py);
            r = d.Range(0, 50);
            const float off = r * (1.0f + d.Range(-1e-6f, 1e-6f)) / std::max(len, 1e-3f);
            cx = px + (qx - px) * t - (qy - py) * off;
            cy = py + (qy - py) * t + (qx - px) * off;
        }
        SightCache cache;
        cache.Store(&link, U(0), U(1), true, 0.5f, false, false, false);
        cache.Store(&link, U(3), U(2), true, 0.5f, false, false, false);
        cache.Void(cx, cy, r);
        bool los, known, hd;
        float vis;
        const bool kept = cache.Check(&link, U(0), U(1), &los, &vis, &known, &hd);
        ASSERT_EQ(kept, cache.Check(&link, U(3), U(2), &los, &vis, &known, &hd)) << "step " << step;
        if (kind < 2) {
            ASSERT_FALSE(kept) << "step " << step;
        }
    }
}
