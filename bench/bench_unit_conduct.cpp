// A turn of unit conduct: 300 units, 100 of them walking 10 waypoints over
// open ground, through preparation, 2401 slices and the last packet; and one
// path search round a 200 m wood on a 2 km map, its path grids included.

#include <benchmark/benchmark.h>

#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kUnits = 300;
constexpr int32_t kWalkers = 100;
constexpr int32_t kLegs = 10;
constexpr int32_t kSlices = 2401;

// A unit whose speed reads the terrain: 0.1 m a slice, none in woods or
// water or off the map; it faces its next waypoint and walks to it.
class Mover : public Unit {
public:
    explicit Mover(UnitType kind) {
        mUnitType = kind;
        mActive = true;
    }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    float RotationSpeed() override { return 5.0f; }
    float MoveSpeed(float*) override {
        Map* map = gBattle->mMap;
        if (!map->OnMap(mX, mY)) return 0.0f;
        Terrain t = map->GetTerrain(mX, mY, false);
        return t == kTerrainWoods || t == kTerrainWater ? 0.0f : 0.1f;
    }
    void ComputeAction() override {
        if (mNrWaypoints == 0 || mCommandDelay > 0.0f) return;
        float gx = mWaypoints[0].mX, gy = mWaypoints[0].mY;
        if (!RotateBodyToward(gx, gy, false)) return;
        mPlaybackSpeed = MoveSpeed(nullptr);
        LookAhead();
        float dx = gx - mX, dy = gy - mY;
        if (std::sqrt(dx * dx + dy * dy) <= mPlaybackSpeed) {
            mX = gx;
            mY = gy;
            for (int32_t i = 0; i + 1 < mNrWaypoints; ++i)
                mWaypoints[i] = mWaypoints[i + 1];
            if (--mNrWaypoints == 0) Stop(true);
            return;
        }
        float h = mHeading * static_cast<float>(M_PI / 180.0);
        mX += mPlaybackSpeed * std::cos(h);
        mY += mPlaybackSpeed * std::sin(h);
    }
};

// Vehicles search over the tracked grid, which woods block.
class TrackedLink : public MapBattleLink {
public:
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    PathType GetPathType(Unit*) override { return kPathTracked; }
};

void AddLeg(Unit* u, float x, float y) {
    Destination& w = u->mWaypoints[u->mNrWaypoints++];
    w = Destination{};
    w.mX = x;
    w.mY = y;
    w.mOrder = kPaceDefaultMove;
    w.mKind = kWaypointActive;
}

void BM_UnitConductTurn(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SeedRandomGenerator(99);
        Battle battle;
        Battle* old = gBattle;
        gBattle = &battle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(100, 100, 1.0f, 0);
        battle.mSetupPhase = false;
        for (int32_t i = 0; i < kUnits; ++i) {
            auto* u = new Mover(kUnitInfantry);
            u->mSide = static_cast<char>(i % 2);
            u->mX = 100.0f + static_cast<float>(i % 20) * 90.0f;
            u->mY = 100.0f + static_cast<float>(i / 20) * 110.0f;
            u->mFearClock = 100000;
            if (i < kWalkers) {
                for (int32_t k = 0; k < kLegs; ++k)
                    AddLeg(u, u->mX + 8.0f * static_cast<float>((k + 1) % 3),
                           u->mY + 8.0f * static_cast<float>(k + 1));
                u->mWaypoints[kLegs - 1].mKind = kWaypointActiveEnd;
            }
            battle.mUnits->Add(u);
        }
        state.ResumeTiming();

        UnitList* units = battle.mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i)
            units->GetUnit(i)->PrepareForAction();
        battle.mComputing = true;
        for (int32_t s = 0; s < kSlices; ++s) {
            battle.mTimeSlice = s;
            for (int32_t i = 0; i < units->GetCount(); ++i)
                units->GetUnit(i)->MasterControl();
        }
        for (int32_t i = 0; i < units->GetCount(); ++i)
            units->GetUnit(i)->FlushLastPacket(0);
        benchmark::DoNotOptimize(units->GetUnit(0)->mX);

        state.PauseTiming();
        gBattle = old;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnitConductTurn)->Unit(benchmark::kMillisecond);

void BM_ManeuverRoundAWood(benchmark::State& state) {
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    battle.IBattleStub();
    battle.mMap = new Map;
    battle.mMap->IBlankMap(100, 100, 1.0f, 0);
    TrackedLink link;
    battle.mMap->SetBattleLink(&link);
    Map& map = *battle.mMap;
    for (int32_t i = 450; i < 550; ++i) // a wood 200 m across at the map's centre
        for (int32_t j = 450; j < 550; ++j)
            map.SetPoint(i, j, EncodePoint(0, kTerrainWoods));
    Mover tank(kUnitVehicle);
    for (auto _ : state) {
        map.DeleteAIPathGrids();
        tank.mX = 850.0f;
        tank.mY = 1010.0f;
        tank.mHeading = 0.0f;
        tank.mNrWaypoints = 0;
        AddLeg(&tank, 1200.0f, 1010.0f);
        tank.mManeuverTries = 4;
        tank.mManeuverSlice = -9999;
        benchmark::DoNotOptimize(tank.ManeuverAroundObstacle(false, false, false));
        benchmark::DoNotOptimize(tank.mNrWaypoints);
    }
    map.SetBattleLink(nullptr);
    gBattle = old;
}
BENCHMARK(BM_ManeuverRoundAWood)->Unit(benchmark::kMillisecond);

} // namespace
