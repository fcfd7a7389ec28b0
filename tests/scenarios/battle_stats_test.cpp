// The headless runner's per-unit figures (dm_run --stats): a line per unit in
// play for the turn, read from the battle as computed, and the turn itself
// unchanged by the reading.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/BattleStats.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');)
        fields.push_back(f);
    return fields;
}

// Slices in a "pace:slices,..." field.
int SlicesOf(const std::string& paces) {
    int total = 0;
    std::istringstream in(paces);
    for (std::string item; std::getline(in, item, ',');)
        if (auto colon = item.find(':'); colon != std::string::npos)
            total += std::stoi(item.substr(colon + 1));
    return total;
}

bool Counted(const Unit* u) {
    return (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle) && u->mActive &&
           u->mOffMapState == 0;
}

} // namespace

// Hatten's first turn, both sides planned as battle-stats plays it: its
// casemate and the first squads fire at once.
TEST(BattleStats, AFirstTurnGivesALinePerUnitInPlayAndLeavesTheTurnAsItWas) {
    ASSERT_TRUE(DecryptData());
    const std::string scenario = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    FileTestFolder folder;
    std::string digests[2];
    std::set<const Unit*> inPlay;
    std::set<std::string> fromTheStart; // numbers of the units in play when the turn begins
    for (int withStats = 0; withStats < 2; ++withStats) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        ASSERT_TRUE(runner.Load(scenario, &error)) << error;
        std::unique_ptr<BattleStats> stats;
        if (withStats) {
            stats = BattleStats::Attach(&runner, folder.File("stats.tsv"), &error);
            ASSERT_NE(stats, nullptr) << error;
        }
        Battle* battle = runner.GetBattle();
        auto take = [&] {
            for (int32_t i = 0; withStats && i < battle->mUnits->GetCount(); ++i)
                if (Counted(battle->mUnits->GetUnit(i))) inPlay.insert(battle->mUnits->GetUnit(i));
        };
        take();
        // The file numbers the units of the battle as loaded in list order.
        for (int32_t i = 0, n = 0; withStats && i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) continue;
            ++n;
            if (Counted(u)) fromTheStart.insert(std::to_string(n));
        }
        RunnerTurn turn;
        ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        take();
        digests[withStats] = turn.packetDigest + " " + turn.battleDigest;
    }
    EXPECT_EQ(digests[0], digests[1]);

    std::ifstream in(folder.File("stats.tsv"));
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line[0], '#');
    std::set<std::string> units;
    int shots = 0, wholeTurns = 0, firedInSight = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 17u) << line;
        EXPECT_EQ(f[0], "1") << line;
        units.insert(f[1]);
        shots += std::stoi(f[7]);
        EXPECT_LE(std::stoi(f[8]), std::stoi(f[7])) << line; // hits among the shots
        // The turn has 2401 slices (0..2400); a unit out of play for some of
        // them has a pace for fewer.
        EXPECT_LE(SlicesOf(f[6]), kSlicesPerTurn + 1) << line;
        if (f[5] == "1" && fromTheStart.count(f[1]) && SlicesOf(f[6]) == kSlicesPerTurn + 1) ++wholeTurns;
        // An enemy in sight is one spotted by the side, and one spotted is within range.
        EXPECT_LE(std::stoi(f[15]), std::stoi(f[14])) << line;
        EXPECT_LE(std::stoi(f[14]), std::stoi(f[13])) << line;
        if (std::stoi(f[7]) > 0 && f[15] == "1") ++firedInSight;
    }
    // Every unit in play before or after the turn has its line.
    EXPECT_EQ(units.size(), inPlay.size());
    EXPECT_GT(wholeTurns, static_cast<int>(fromTheStart.size()) / 2);
    EXPECT_GT(shots, 0);
    // The casemate and the squads that open fire have their targets in sight.
    EXPECT_GT(firedInSight, 0);
}

// A turn's shots and hits are its shell packets, counted here apart from the
// report: a packet fired at something other than the firer is a shot, unless
// it is the smaller burst drawn beside a shot (plain, look 0, mode 3: the same
// firer's shot of the same slice is listed before or after it); a shot that
// struck is a hit. Per unit and summed per side, over Bruecke's first ten
// turns, its infantry given the second burst (no shipped record has it).
TEST(BattleStats, ShotsAndHitsAreTheTurnsShellPacketsPerUnitAndSide) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(true, true);
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/bruecke.mvg", &error)) << error;
    struct SecondBursts {
        SecondBursts() {
            for (int32_t i = 0; i < gInfantryData.Count(); ++i)
                if (!(gInfantryData[i].mFlags & kIFlag40)) {
                    gInfantryData.Edit(i)->mFlags |= kIFlag40;
                    given.push_back(i);
                }
        }
        ~SecondBursts() {
            for (int32_t i : given)
                gInfantryData.Edit(i)->mFlags &= ~kIFlag40;
        }
        std::vector<int32_t> given;
    } secondBursts;
    Battle* battle = runner.GetBattle();
    FileTestFolder folder;
    std::FILE* out = std::fopen(folder.File("stats.tsv").c_str(), "w");
    ASSERT_NE(out, nullptr);
    BattleStats stats(out, true);
    stats.Begin(*battle);
    std::map<std::string, const Unit*> numbered; // the file's numbers: the units in list order
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        const Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle)
            numbered[std::to_string(numbered.size() + 1)] = u;
    }
    struct Count {
        int shots = 0, hits = 0;
    };
    std::map<std::pair<int32_t, const Unit*>, Count> expected; // by turn and firer
    int bursts = 0, misses = 0;
    runner.OnComputed([&](const Battle& b) {
        stats.Turn(b);
        std::map<std::pair<const Unit*, int32_t>, int> burstsOf, shotsOf; // by firer and slice
        for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
            const auto* p = static_cast<const ActionPacket*>(b.mPackets.GetObjectA(k));
            if (p->mType != kPacketShell || !p->mFirer || p->mFirer == p->mTarget) continue;
            if (p->mLook == 0 && (p->mShellFlags & 3) == 3) {
                ++burstsOf[{p->mFirer, p->mTimeSlice}];
                continue;
            }
            ++shotsOf[{p->mFirer, p->mTimeSlice}];
            Count& c = expected[{b.mTurn, p->mFirer}];
            ++c.shots;
            c.hits += p->mShellHit ? 1 : 0;
            misses += p->mShellHit ? 0 : 1;
        }
        for (const auto& [key, n] : burstsOf) {
            EXPECT_LE(n, shotsOf[key]) << "a second burst without its shot in slice " << key.second;
            bursts += n;
        }
    });
    RunnerTurn turn;
    for (int32_t t = 0; t < 10; ++t)
        ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
    std::fflush(out);
    ASSERT_GT(bursts, 0) << "no second burst to tell apart";
    ASSERT_GT(misses, 0);

    std::ifstream in(folder.File("stats.tsv"));
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    std::map<std::pair<int32_t, int32_t>, Count> sides, sidesExpected; // by turn and side
    int hits = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 17u) << line;
        const int32_t t = std::stoi(f[0]);
        Count& side = sides[{t, std::stoi(f[2])}];
        side.shots += std::stoi(f[7]);
        side.hits += std::stoi(f[8]);
        if (!numbered.count(f[1])) continue; // a unit that came in the battle (a crew out of its vehicle)
        const Count c = expected[{t, numbered[f[1]]}];
        EXPECT_EQ(std::stoi(f[7]), c.shots) << line;
        EXPECT_EQ(std::stoi(f[8]), c.hits) << line;
        hits += c.hits;
    }
    EXPECT_GT(hits, 0);
    for (const auto& [key, c] : expected) {
        if (key.second->mUnitType != kUnitInfantry && key.second->mUnitType != kUnitVehicle) continue;
        Count& side = sidesExpected[{key.first, key.second->IsAxis() ? 0 : 1}];
        side.shots += c.shots;
        side.hits += c.hits;
    }
    for (const auto& [key, c] : sidesExpected) {
        EXPECT_EQ(sides[key].shots, c.shots) << "turn " << key.first << ", side " << key.second;
        EXPECT_EQ(sides[key].hits, c.hits) << "turn " << key.first << ", side " << key.second;
    }
}

// Contact is with the enemy: a unit among its own side's units has none once
// every enemy is out of play, and one enemy beside it is in range.
TEST(BattleStats, ContactIsWithTheEnemyNotTheUnitsOwnSide) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg", &error)) << error;
    Battle* battle = runner.GetBattle();
    Unit* unit = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount() && !unit; ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        for (int32_t k = 0; k < battle->mUnits->GetCount() && Counted(u) && u->mUnitType == kUnitInfantry;
             ++k) {
            const Unit* f = battle->mUnits->GetUnit(k);
            if (f != u && Counted(f) && f->IsAxis() == u->IsAxis() &&
                std::hypot(f->mX - u->mX, f->mY - u->mY) < 50.0f)
                unit = u;
        }
    }
    ASSERT_NE(unit, nullptr) << "no squad with a friend within 50 m";
    Unit* enemy = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* e = battle->mUnits->GetUnit(i);
        if (Counted(e) && e->IsAxis() != unit->IsAxis()) {
            e->mActive = false;
            if (!enemy && e->mUnitType == kUnitInfantry) enemy = e;
        }
    }
    ASSERT_NE(enemy, nullptr);
    const EnemyContact alone = EnemyContactOf(*battle, unit);
    EXPECT_FALSE(alone.inRange || alone.seen || alone.sight);
    enemy->mActive = true;
    enemy->AISetLocation(unit->mX + 10.0f, unit->mY);
    EXPECT_TRUE(EnemyContactOf(*battle, unit).inRange);
}
