// The sight trace over the shipped scenarios' maps answers exactly as the
// plain step-by-step walk does, bit for bit, for random lines with smoke,
// fires, walls, buildings, rubble and craters, while the map changes under
// it; and inside a reuse scope a repeated trace gives the same answer as a
// fresh one, also after the map has changed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

// Reaches the map's trace: the reference walk and the trace with chosen
// settings.
struct SightTraceProbe {
    static void UseReference(Map& map, bool on) { map.mReferenceTrace = on; }
    // A trace with settings drawn from the words; true when the walk with
    // skipping and the reference give the same bits.
    static bool SameWalk(Map& map, const float* f, uint32_t flags, std::string* why)
    {
        Map::Trace t{f[0], f[1], f[2], f[3], f[4], f[5]};
        t.mArc = f[6];
        t.mGround = flags & 1;
        t.mSolids = flags & 2;
        t.mVegetation = flags & 4;
        t.mWalls = flags & 8;
        t.mStartExempt = f[7];
        t.mEndExempt = f[8];
        t.mWallExempt = f[9];
        t.mGroundExempt = f[10];
        t.mGroundTolerance = f[11];
        Map::TraceResult a, b;
        map.TraceLine(t, &a);
        map.WalkLineByStep(t, &b);
        // A line the ground probe finds below the ground is blocked.
        const bool below = map.SurelyBelowGround(t);
        const bool same = a.mBlocked == b.mBlocked && std::memcmp(&a.mT, &b.mT, sizeof(float)) == 0 &&
                          std::memcmp(&a.mDepth, &b.mDepth, sizeof(float)) == 0 && a.mWall == b.mWall &&
                          (!below || b.mBlocked);
        if (!same && why) {
            char text[400];
            std::snprintf(text, sizeof text,
                          "line %.9g %.9g %.9g -> %.9g %.9g %.9g arc %.9g flags %u: new %d %.9g %.9g %d, "
                          "reference %d %.9g %.9g %d, below the ground %d",
                          f[0], f[1], f[2], f[3], f[4], f[5], f[6], flags, a.mBlocked, a.mT, a.mDepth, a.mWall,
                          b.mBlocked, b.mT, b.mDepth, b.mWall, below);
            *why = text;
        }
        return same;
    }
};

namespace {

// The test's own generator (splitmix64), apart from the game's.
struct Draw {
    uint64_t s;
    uint64_t Next()
    {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float Unit() { return static_cast<float>(Next() >> 40) / static_cast<float>(1 << 24); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint64_t>(n)); }
};

// Lines per map: a few hundred thousand in all by default; DM_SIGHT_LINES
// sets another count (millions for a long run).
int32_t LinesPerMap()
{
    if (const char* n = std::getenv("DM_SIGHT_LINES")) return std::max(1, std::atoi(n));
    return 60000;
}

// An end point: mostly near the ground (where the walk must look closely),
// sometimes high above it, now and then off the map.
void EndPoint(Draw& d, Map& map, float* x, float* y, float* z)
{
    const bool off = d.Below(20) == 0;
    const float w = map.mWidthMetres, h = map.mHeightMetres;
    *x = off ? d.Range(-200.0f, w + 200.0f) : d.Range(0.0f, w);
    *y = off ? d.Range(-200.0f, h + 200.0f) : d.Range(0.0f, h);
    const float ground = map.OnMap(*x, *y) ? map.GetZCoord(*x, *y) : 0.0f;
    static constexpr float kAbove[] = {0.0f, 0.3f, 1.0f, 1.6f, 2.5f, 4.0f, 8.0f, 13.0f, 30.0f, 120.0f};
    *z = ground + kAbove[d.Below(10)] + d.Range(-0.2f, 0.2f);
}

// Changes of the map a battle makes: fires, collapsed buildings, craters,
// raised and lowered ground, smoke clouds and burning vehicles.
void ChangeTheMap(Draw& d, Battle* battle)
{
    Map& map = *battle->mMap;
    for (int k = 0; k < 12; ++k) map.StartFire(d.Range(0, map.mWidthMetres), d.Range(0, map.mHeightMetres), d.Below(2), false);
    const int32_t buildings = map.mBuildings->GetCount();
    for (int k = 0; k < 3 && buildings > 0; ++k) {
        auto* b = static_cast<Building*>(map.mBuildings->GetObjectA(d.Below(buildings)));
        map.RubbleizeBuilding(b->mColumn * kSquareSize + 10.0f, b->mRow * kSquareSize + 10.0f, 0);
    }
    for (int k = 0; k < 20; ++k)
        map.MakeCrater(d.Range(0, map.mWidthMetres), d.Range(0, map.mHeightMetres), d.Range(200, 4000), false, true,
                       false, 0.0f, kAxis, false);
    // A hill and a hollow.
    for (int k = 0; k < 2; ++k) {
        const int32_t ci = d.Below(map.mPointsX - 12), cj = d.Below(map.mPointsY - 12);
        for (int32_t i = ci; i < ci + 9; ++i)
            for (int32_t j = cj; j < cj + 7; ++j) {
                const uint16_t e = map.GetPoint(i, j);
                const int32_t code = std::clamp<int32_t>((e & 0x3ff) + (k == 0 ? 40 : -30), 0, 1023);
                map.SetPoint(i, j, static_cast<uint16_t>((e & ~0x3ffu) | static_cast<uint16_t>(code)));
            }
    }
    for (int k = 0; k < 6; ++k) {
        auto* s = new SmokeShell;
        s->mX = d.Range(0, map.mWidthMetres);
        s->mY = d.Range(0, map.mHeightMetres);
        s->mStartTime = 0;
        s->mDuration = 1 << 28;
        s->mRadius = d.Range(8.0f, 40.0f);
        s->mDensity = d.Range(0.2f, 1.0f);
        static_cast<GList*>(map.mSmokeShells)->Add(s);
    }
    for (int32_t i = 0; battle->mUnits && i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && d.Below(4) == 0) static_cast<Vehicle*>(u)->mBurning = true;
    }
}

void CompareLines(Draw& d, Battle* battle, int32_t count, const std::string& name)
{
    Map& map = *battle->mMap;
    int32_t failures = 0;
    for (int32_t n = 0; n < count && failures < 5; ++n) {
        float x1, y1, z1, x2, y2, z2;
        EndPoint(d, map, &x1, &y1, &z1);
        if (d.Below(3) == 0) {
            // A short line, the kind the planning and the fire checks trace.
            x2 = x1 + d.Range(-60.0f, 60.0f);
            y2 = y1 + d.Range(-60.0f, 60.0f);
            z2 = (map.OnMap(x2, y2) ? map.GetZCoord(x2, y2) : 0.0f) + d.Range(0.0f, 3.0f);
        } else {
            EndPoint(d, map, &x2, &y2, &z2);
        }
        const int kind = d.Below(8);
        if (kind == 0) {
            // Any settings of the trace itself.
            const float f[12] = {x1, y1, z1, x2, y2, z2, d.Below(3) == 0 ? d.Range(0.0f, 300.0f) : 0.0f,
                                 d.Range(0.0f, 12.0f), d.Range(0.0f, 12.0f), d.Range(0.0f, 3.0f),
                                 d.Range(0.0f, 2.0f), d.Range(0.0f, 0.1f)};
            std::string why;
            if (!SightTraceProbe::SameWalk(map, f, static_cast<uint32_t>(d.Below(16)), &why)) {
                ++failures;
                ADD_FAILURE() << name << ": " << why;
            }
            continue;
        }
        float a[6], b[6];
        const int32_t flight = static_cast<int32_t>(d.Range(0.0f, 200.0f));
        for (int pass = 0; pass < 2; ++pass) {
            float* o = pass ? b : a;
            SightTraceProbe::UseReference(map, pass == 1);
            std::fill(o, o + 6, -7.0f);
            if (kind <= 5) {
                const bool groundOnly = kind == 1, endCover = kind == 2, withSmoke = kind != 3;
                o[5] = map.CheckLOS(groundOnly, withSmoke, endCover, x1, y1, z1, x2, y2, z2, &o[0], &o[1], &o[2],
                                    &o[3], &o[4]);
            } else if (kind == 6) {
                o[2] = x2, o[3] = y2, o[4] = z2;
                o[0] = map.CheckFlightPath(flight, x1, y1, z1, &o[2], &o[3], &o[4]);
            } else {
                o[0] = static_cast<float>(map.GetBlockingWallType(x1, y1, z1, x2, y2, z2));
            }
        }
        SightTraceProbe::UseReference(map, false);
        if (std::memcmp(a, b, sizeof a) != 0) {
            ++failures;
            ADD_FAILURE() << name << " kind " << kind << ": line " << x1 << " " << y1 << " " << z1 << " -> " << x2
                          << " " << y2 << " " << z2 << " gives " << a[0] << " " << a[2] << " " << a[3]
                          << ", the reference " << b[0] << " " << b[2] << " " << b[3];
        }
        if (kind <= 5) {
            // Asked without a block point (as spotting asks), the same
            // visibility and length.
            const bool groundOnly = kind == 1, endCover = kind == 2, withSmoke = kind != 3;
            float c[3] = {-7.0f, -7.0f, -7.0f};
            c[2] = map.CheckLOS(groundOnly, withSmoke, endCover, x1, y1, z1, x2, y2, z2, &c[0], &c[1], nullptr,
                                nullptr, nullptr);
            const float expected[3] = {b[0], b[1], b[5]};
            if (std::memcmp(c, expected, sizeof c) != 0) {
                ++failures;
                ADD_FAILURE() << name << " kind " << kind << " without a block point: line " << x1 << " " << y1
                              << " " << z1 << " -> " << x2 << " " << y2 << " " << z2 << " gives " << c[0] << " "
                              << c[1] << ", the reference " << b[0] << " " << b[1];
            }
        }
        if (kind == 2 && b[0] > 0.0f && map.GetBlockingWallType(x1, y1, z1, x2, y2, z2) != 0) {
            // The terrain effect asks no wall of a line this trace found seen.
            ++failures;
            ADD_FAILURE() << name << ": a wall blocks the seen line " << x1 << " " << y1 << " " << z1 << " -> "
                          << x2 << " " << y2 << " " << z2;
        }
    }
}

std::unique_ptr<BattleRunner> LoadScenario(const std::string& name)
{
    auto runner = std::make_unique<BattleRunner>();
    std::string error;
    EXPECT_TRUE(runner->Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
    return runner;
}

constexpr const char* kScenarios[] = {"hecken", "bruecke", "panzer", "grossangriff", "ausbruch"};

} // namespace

TEST(SightTrace, AnswersAsTheStepWalkOnEveryScenarioMapWhileTheMapChanges)
{
    ASSERT_TRUE(DecryptData());
    const int32_t lines = LinesPerMap();
    uint64_t seed = 1;
    for (const char* name : kScenarios) {
        auto runner = LoadScenario(name);
        Battle* battle = runner->GetBattle();
        ASSERT_TRUE(battle && battle->mMap) << name;
        Draw d{seed++};
        CompareLines(d, battle, lines / 3, name);
        ChangeTheMap(d, battle);
        CompareLines(d, battle, lines / 3, name);
        ChangeTheMap(d, battle);
        CompareLines(d, battle, lines - 2 * (lines / 3), name);
    }
}

TEST(SightTrace, AReuseScopeAnswersAsAFreshTraceAlsoAfterTheMapChanged)
{
    ASSERT_TRUE(DecryptData());
    auto runner = LoadScenario("hecken");
    Battle* battle = runner->GetBattle();
    ASSERT_TRUE(battle && battle->mMap);
    Map& map = *battle->mMap;
    Draw d{99};
    struct Line {
        float x1, y1, z1, x2, y2, z2;
    };
    std::vector<Line> lineSet(400);
    for (Line& l : lineSet) {
        EndPoint(d, map, &l.x1, &l.y1, &l.z1);
        EndPoint(d, map, &l.x2, &l.y2, &l.z2);
    }
    auto answers = [&](bool reference) {
        SightTraceProbe::UseReference(map, reference);
        std::vector<float> out;
        for (const Line& l : lineSet) {
            float v = -1, bx = -1, by = -1;
            map.CheckLOS(false, true, false, l.x1, l.y1, l.z1, l.x2, l.y2, l.z2, &v, nullptr, &bx, &by, nullptr);
            out.insert(out.end(), {v, bx, by});
        }
        SightTraceProbe::UseReference(map, false);
        return out;
    };
    Map::TraceReuseScope scope(&map);
    const std::vector<float> first = answers(false);
    EXPECT_EQ(answers(false), first);  // answered from what was kept
    EXPECT_EQ(answers(true), first);
    ChangeTheMap(d, battle);
    const std::vector<float> after = answers(true);
    EXPECT_NE(after, first);  // the change matters to some line
    EXPECT_EQ(answers(false), after);
}
