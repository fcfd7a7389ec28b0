// Sight questions asked on several threads answer as on one: a sight-cache
// log laid over the cache and replayed in order leaves the cache as direct
// questions do, and sight lines fetched ahead on the threads answer as the
// lines traced one by one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "MapTestUtil.h"
#include "map/Map.h"
#include "platform/SoftThreads.h"

namespace {

constexpr int32_t kFlat = 54;
constexpr int kUnits = 6;

struct Movers : MapBattleLink {
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    int32_t GetMoveStamp(Unit* u) override { return stamps[Index(u)]; }
    void GetUnitXY(Unit* u, float* x, float* y) override {
        *x = 10.0f + 90.0f * static_cast<float>(Index(u));
        *y = 100.0f;
    }
    static int Index(Unit* u) { return static_cast<int>(reinterpret_cast<uintptr_t>(u) / 8 - 1); }
    int32_t stamps[kUnits] = {-1, -1, -1, -1, -1, -1};
};

Unit* U(int i) {
    return reinterpret_cast<Unit*>(static_cast<uintptr_t>((i + 1) * 8));
}

struct Answer {
    bool found = false, los = false, known = false, hd = false;
    float vis = 0.0f;
    bool operator==(const Answer& o) const {
        return found == o.found && los == o.los && known == o.known && hd == o.hd && vis == o.vis;
    }
};

Answer Ask(Map& map, Unit* a, Unit* b) {
    Answer r;
    r.found = map.CheckStoredLOS(a, b, &r.los, &r.vis, &r.known, &r.hd);
    return r;
}

// One spotter's questions about its pair with the spotted unit: checks,
// stores and hull-down updates in a random order, the answers it gets.
std::vector<Answer> Spotter(Map& map, Unit* spotted, Unit* spotter, std::mt19937& rng) {
    std::vector<Answer> seen;
    const int steps = static_cast<int>(rng() % 5);
    for (int k = 0; k < steps; ++k) {
        Unit* a = rng() % 2 ? spotted : spotter;
        Unit* b = a == spotted ? spotter : spotted;
        switch (rng() % 3) {
        case 0:
            seen.push_back(Ask(map, a, b));
            break;
        case 1:
            map.StoreLOS(a, b, rng() % 2, static_cast<float>(rng() % 100) / 100.0f, rng() % 2, rng() % 2,
                         rng() % 2);
            break;
        default:
            map.StoreLOS(a, b, rng() % 2, -1.0f, rng() % 2, rng() % 2, rng() % 2);
        }
    }
    return seen;
}

} // namespace

TEST(SightThreads, LogsReplayedInOrderLeaveTheCacheAsDirectQuestions) {
    Map direct, logged;
    ASSERT_TRUE(direct.IBlankMap(30, 10, 1.0f, kFlat));
    ASSERT_TRUE(logged.IBlankMap(30, 10, 1.0f, kFlat));
    Movers link;
    direct.SetBattleLink(&link);
    logged.SetBattleLink(&link);
    std::mt19937 rngDirect(7), rngLogged(7), moves(11);
    std::vector<SightLog> logs(kUnits);
    for (int round = 0; round < 3000; ++round) {
        // Some units move between rounds: their stored answers go stale.
        if (moves() % 3 == 0) link.stamps[moves() % kUnits] = static_cast<int32_t>(round);
        const int spotted = static_cast<int>(moves() % kUnits);
        std::vector<Answer> a, b;
        for (int s = 0; s < kUnits; ++s) {
            if (s == spotted) continue;
            const std::vector<Answer> d = Spotter(direct, U(spotted), U(s), rngDirect);
            a.insert(a.end(), d.begin(), d.end());
        }
        for (int s = 0; s < kUnits; ++s) {
            if (s == spotted) continue;
            logs[s].Clear();
            Map::SetThreadSightLog(&logs[s]);
            const std::vector<Answer> l = Spotter(logged, U(spotted), U(s), rngLogged);
            Map::SetThreadSightLog(nullptr);
            b.insert(b.end(), l.begin(), l.end());
        }
        for (int s = 0; s < kUnits; ++s)
            if (s != spotted) logged.ApplySightLog(logs[s]);
        ASSERT_EQ(a, b) << "round " << round;
        // Every pair as the cache now holds it.
        if (round % 50 == 0)
            for (int i = 0; i < kUnits; ++i)
                for (int j = 0; j < kUnits; ++j)
                    if (i != j)
                        ASSERT_EQ(Ask(direct, U(i), U(j)), Ask(logged, U(i), U(j))) << "round " << round;
    }
}

TEST(SightThreads, LinesFetchedAheadAnswerAsLinesTracedOneByOne) {
    Map map;
    ASSERT_TRUE(map.IBlankMap(40, 40, 1.0f, kFlat));
    PaintTerrain(map, 200, 0, 260, 800, kTerrainWoods);
    PaintTerrain(map, 500, 300, 520, 320, static_cast<Terrain>(50)); // a building
    RaisePoints(map, 150, 0, 154, 400, 300);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> at(0.0f, 800.0f), up(0.0f, 12.0f);
    std::vector<LOSRequest> requests;
    for (int k = 0; k < 3000; ++k) {
        LOSRequest q;
        q.x1 = at(rng), q.y1 = at(rng), q.z1 = up(rng), q.x2 = at(rng), q.y2 = at(rng), q.z2 = up(rng);
        q.endCover = rng() % 2;
        q.groundOnly = rng() % 5 == 0;
        requests.push_back(q);
    }
    SoftThreadPool::SetSimulationThreads(8);
    LOSMemo memo;
    map.FetchLOS(requests, &memo);
    SoftThreadPool::SetSimulationThreads(0);
    // Asked out of the fetched order: the memo finds lines ahead of and
    // behind the last one found.
    for (size_t j = 0; j < requests.size(); ++j) {
        const LOSRequest& q = requests[j * 7 % requests.size()];
        LOSAnswer traced, fetched;
        traced.answered =
            map.CheckLOS(q.groundOnly, q.withSmoke, q.endCover, q.x1, q.y1, q.z1, q.x2, q.y2, q.z2,
                         &traced.visibility, &traced.length, &traced.blockX, &traced.blockY, &traced.blockZ);
        map.SetLOSMemo(&memo);
        fetched.answered = map.CheckLOS(q.groundOnly, q.withSmoke, q.endCover, q.x1, q.y1, q.z1, q.x2, q.y2,
                                        q.z2, &fetched.visibility, &fetched.length, &fetched.blockX,
                                        &fetched.blockY, &fetched.blockZ);
        map.SetLOSMemo(nullptr);
        ASSERT_EQ(fetched.answered, traced.answered);
        ASSERT_EQ(fetched.visibility, traced.visibility);
        ASSERT_EQ(fetched.length, traced.length);
        ASSERT_EQ(fetched.blockX, traced.blockX);
        ASSERT_EQ(fetched.blockY, traced.blockY);
        ASSERT_EQ(fetched.blockZ, traced.blockZ);
    }
    EXPECT_EQ(memo.Size(), requests.size());
}
