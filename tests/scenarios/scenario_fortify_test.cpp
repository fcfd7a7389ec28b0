// The winter battle as the game builds it: the computer places the
// defender's fortifications in its zones, apart from its units, stamps its
// trench into the ground once and removes the object at GO; a gun ranges in
// on its side's reference point; engineers clear a mine they have found; a
// squad goes through the sewers; a mine goes off and the next squad stops.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

const std::string kHatten = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";

bool LoadHatten(BattleRunner& runner, uint16_t seed, bool planAxis, bool planAllies) {
    runner.PlanSides(planAxis, planAllies);
    runner.OverrideSeed(seed);
    std::string error;
    const bool ok = runner.Load(kHatten, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

int32_t SquareOf(float v) {
    return static_cast<int32_t>(v * 0.05f);
}

// The squares around a unit the placement keeps free of each kind.
int32_t Spacing(int32_t kind) {
    static const int32_t kSpacing[7] = {1, 0, 1, 2, 3, 3, 2};
    return kind >= 0 && kind < 7 ? kSpacing[kind] : 0;
}

template <class F> Unit* Find(Battle* battle, F f) {
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        if (Unit* u = battle->mUnits->GetUnit(i); f(u)) return u;
    return nullptr;
}

bool IsInanimate(const Unit* u, int32_t kind, Affiliation side) {
    return u->mUnitType == kUnitInanimate && u->mSubtype == kind && u->GetAffiliation() == side && u->mActive;
}

} // namespace

TEST(WinterBattle, TheComputerPlacesItsFortificationsAndStampsItsTrenchOnce) {
    ASSERT_TRUE(DecryptData());
    for (uint16_t seed : {1, 2, 3}) {
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, true, true));
        Battle* battle = runner.GetBattle();
        ASSERT_FALSE(battle->mSetupPhase);
        Map* map = battle->mMap;
        auto zoneAt = [&](int32_t c, int32_t r) {
            const Square* s = map->GetSquare(c, r);
            return s ? static_cast<int32_t>(s->mSetupZone) : 0;
        };
        // Within `k` squares of one of the side's men or vehicles.
        auto crowded = [&](int32_t c, int32_t r, int32_t k, Affiliation side) {
            return Find(battle, [&](const Unit* u) {
                       return u->mUnitType != kUnitInanimate && u->GetAffiliation() == side &&
                              std::abs(SquareOf(u->mX) - c) <= k && std::abs(SquareOf(u->mY) - r) <= k;
                   }) != nullptr;
        };
        int32_t items = 0, trenches = 0;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInanimate) continue;
            ++items;
            EXPECT_NE(u->mSubtype, kInanimateTrenches) << "seed " << seed;
            const int32_t c = SquareOf(u->mX), r = SquareOf(u->mY), zone = zoneAt(c, r);
            EXPECT_TRUE(zone >= 1 && zone <= 3) << "seed " << seed << " kind " << u->mSubtype;
            // Placed: a square's centre, moved at most 2 m.
            EXPECT_LE(std::fabs(u->mX - (20.0f * c + 10.0f)), 2.0f)
                << "seed " << seed << " kind " << u->mSubtype;
            EXPECT_LE(std::fabs(u->mY - (20.0f * r + 10.0f)), 2.0f)
                << "seed " << seed << " kind " << u->mSubtype;
            // Apart from the side's units, unless the zone had no such square.
            const int32_t k = Spacing(u->mSubtype);
            if (!crowded(c, r, k, u->GetAffiliation())) continue;
            bool freeSquare = false;
            for (int32_t cc = 0; cc < map->mWidth && !freeSquare; ++cc)
                for (int32_t rr = 0; rr < map->mHeight && !freeSquare; ++rr)
                    freeSquare = zoneAt(cc, rr) == zone && !crowded(cc, rr, k, u->GetAffiliation());
            EXPECT_FALSE(freeSquare) << "seed " << seed << " kind " << u->mSubtype << " within " << k
                                     << " squares of its side's units";
        }
        EXPECT_EQ(items, 6) << "seed " << seed;
        for (int32_t k = 0; k < map->mWidth * map->mHeight; ++k) {
            const Square* s = map->GetSquare(k % map->mWidth, k / map->mWidth);
            EXPECT_FALSE(s->mOverlay[0] == kTerrainTrench && s->mOverlay[1] == kTerrainTrench);
            trenches += (s->mOverlay[0] == kTerrainTrench) + (s->mOverlay[1] == kTerrainTrench);
        }
        EXPECT_EQ(trenches, 1) << "seed " << seed;
    }
}

// A gun, mortar or tank gun aimed at an enemy standing within 20 m of its
// own side's reference point is ranged in at once; the other side's point,
// or a target beyond 20 m, gives nothing.
TEST(WinterBattle, AGunIsRangedInOnATargetAtItsSidesReferencePoint) {
    ASSERT_TRUE(DecryptData());
    for (uint16_t seed : {1, 2, 3}) {
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, true, true));
        Battle* battle = runner.GetBattle();
        Unit* point =
            Find(battle, [](const Unit* u) { return IsInanimate(u, kInanimateTargetReference, kAllies); });
        ASSERT_NE(point, nullptr);
        auto gunOf = [&](Affiliation side) {
            return Find(battle, [&](Unit* u) {
                const WeaponClass c = u->mUnitType == kUnitInanimate ? -1 : u->GetWeaponClass();
                return u->GetAffiliation() == side && u->mActive &&
                       (c == kWClassGun || c == kWClassTwinGun || c == kWClassMortar);
            });
        };
        Unit* gun = gunOf(kAllies);
        Unit* enemyGun = gunOf(kAxis);
        Unit* target = Find(battle, [](const Unit* u) {
            return u->mUnitType == kUnitInfantry && u->GetAffiliation() == kAxis && u->mActive;
        });
        ASSERT_TRUE(gun && enemyGun && target) << "seed " << seed;
        struct Case {
            Unit* shooter;
            float dx;
            bool ranged;
        } cases[] = {{gun, 0.0f, true}, {gun, 15.0f, true}, {gun, 25.0f, false}, {enemyGun, 0.0f, false}};
        for (const Case& k : cases) {
            target->mX = point->mX + k.dx;
            target->mY = point->mY;
            k.shooter->mTarget = target;
            k.shooter->mAcquisition = 0;
            EXPECT_EQ(k.shooter->LimitAcquisition(target, k.shooter->GetWeaponClass()) == 4, k.ranged)
                << "seed " << seed << " " << k.dx << " m off";
            k.shooter->mTarget = nullptr;
        }
    }
}

namespace {

constexpr float kAway = 10000.0f; // a unit in the sewers stands this far off its place

bool RunTurns(BattleRunner& runner, int32_t turns, const std::function<bool(int32_t)>& after) {
    for (int32_t t = 1; t <= turns && !runner.Over(); ++t) {
        RunnerTurn turn;
        std::string error;
        if (!runner.RunTurn(&turn, &error)) return false;
        if (after(turn.turn)) return true;
    }
    return false;
}

// What one sewer trip showed turn by turn: it goes under with a trip time
// drawn from its length, counts it down a turn at a time unseen, and comes
// up at its own entrance, its end or a large building, or is lost.
struct SewerTrip {
    Infantry* squad = nullptr;
    float endX = 0.0f, endY = 0.0f;
    int32_t wentUnder = 0, time = 0;
    float fromX = 0.0f, fromY = 0.0f;
    bool cameOut = false, lost = false;

    void Check(Map* map, int32_t turn, bool over) {
        if (cameOut || lost) return;
        if (wentUnder == 0) {
            if (squad->mOffMapState != 3) return;
            wentUnder = turn;
            time = squad->mSewerTime;
            fromX = squad->mX - kAway;
            fromY = squad->mY - kAway;
            const int32_t minutes = squad->SewerMoveMinutes(std::hypot(endX - fromX, endY - fromY));
            if (time != -1) {
                EXPECT_GE(time, minutes / 2);
                EXPECT_LE(time, 2 * minutes);
            }
            return;
        }
        const int32_t passed = turn - wentUnder;
        if (time == -1) {
            EXPECT_EQ(squad->mOffMapState, 1) << "lost below the turn after it went under";
            EXPECT_FALSE(squad->mActive);
            lost = true;
        } else if (passed < time && over) {
            // The battle's end brings a squad still underway back where it went down.
            EXPECT_EQ(squad->mOffMapState, 0);
            EXPECT_EQ(squad->mX, fromX);
            EXPECT_EQ(squad->mY, fromY);
        } else if (passed < time) {
            EXPECT_EQ(squad->mOffMapState, 3);
            EXPECT_EQ(squad->mSewerTime, time - passed);
            EXPECT_GE(squad->mX, kAway);
            EXPECT_EQ(squad->mContactLevel, kContactNone);
        } else {
            EXPECT_EQ(passed, time) << "up in the turn its time ran out";
            EXPECT_EQ(squad->mOffMapState, 0);
            const bool entrance = squad->mX == fromX && squad->mY == fromY;
            const bool end = squad->mX == endX && squad->mY == endY;
            const bool building = map->GetTerrain(squad->mX, squad->mY, false) == 53;
            EXPECT_TRUE(entrance || end || building) << squad->mX << " " << squad->mY;
            cameOut = true;
        }
    }
};

} // namespace

// The script's squad goes down on turn 4 a long way from the village: its
// trip outlasts the battle or is lost; a squad sent from beside a large
// building comes up within the battle.
TEST(WinterBattle, SewerTripsGoUnderCountDownAndComeUpOrAreLost) {
    ASSERT_TRUE(DecryptData());
    int32_t scripted = 0, cameOut = 0;
    for (uint16_t seed = 1; seed <= 6 && (scripted == 0 || cameOut == 0); ++seed) {
        {
            BattleRunner runner;
            ASSERT_TRUE(LoadHatten(runner, seed, false, true));
            std::string error;
            ASSERT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/hatten.orders", &error))
                << error;
            SewerTrip trip;
            trip.squad = dynamic_cast<Infantry*>(FindScriptUnit(runner.GetBattle(), {kAxis, 'A', 1, 2}));
            ASSERT_NE(trip.squad, nullptr);
            trip.endX = 710.0f;
            trip.endY = 430.0f;
            RunTurns(runner, 15, [&](int32_t turn) {
                trip.Check(runner.GetBattle()->mMap, turn, runner.Over());
                return false;
            });
            scripted += trip.wentUnder != 0;
        }
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, false, false));
        Battle* battle = runner.GetBattle();
        Map* map = battle->mMap;
        // The Allies' squad nearest a large building, sent to another one.
        SewerTrip trip;
        float best = 1e9f;
        for (int32_t c = 0; c < map->mWidth; ++c)
            for (int32_t r = 0; r < map->mHeight; ++r) {
                const float x = 20.0f * c + 10.0f, y = 20.0f * r + 10.0f;
                if (map->GetTerrain(x, y, false) != 53) continue;
                Find(battle, [&](Unit* u) {
                    auto* squad = dynamic_cast<Infantry*>(u);
                    const float d = std::hypot(u->mX - x, u->mY - y);
                    if (squad && u->GetAffiliation() == kAllies && u->CanDoOrder(33) && d > 30.0f &&
                        d < best) {
                        best = d;
                        trip.squad = squad;
                        trip.endX = x;
                        trip.endY = y;
                    }
                    return false;
                });
            }
        ASSERT_NE(trip.squad, nullptr);
        trip.squad->ReceiveMoveOrders(trip.endX, trip.endY, 33, nullptr, true, true, true, true);
        RunTurns(runner, 15, [&](int32_t turn) {
            trip.Check(map, turn, runner.Over());
            return trip.cameOut || trip.lost;
        });
        EXPECT_NE(trip.wentUnder, 0) << "seed " << seed;
        cameOut += trip.cameOut;
    }
    EXPECT_GT(scripted, 0) << "the script's squad never went under";
    EXPECT_GT(cameOut, 0) << "no squad came up";
}

namespace {

// The side's mine of these kinds that stands farthest from its own side's
// men, whose fire the test's squads would rather not meet.
Unit* LonelyMine(Battle* battle, std::initializer_list<int32_t> kinds) {
    Unit* best = nullptr;
    float far = -1.0f;
    for (Unit* m : battle->mUnits->Inanimates()) {
        if (std::find(kinds.begin(), kinds.end(), m->mSubtype) == kinds.end() || !m->mActive) continue;
        float nearest = 1e9f;
        Find(battle, [&](const Unit* u) {
            if (u->mUnitType != kUnitInanimate && u->GetAffiliation() == m->GetAffiliation() && u->mActive)
                nearest = std::min(nearest, std::hypot(u->mX - m->mX, u->mY - m->mY));
            return false;
        });
        if (nearest > far) {
            far = nearest;
            best = m;
        }
    }
    return best;
}

} // namespace

// A squad walking to and fro over the other side's mines sets them off; the
// field is then found: the next squad stops before it, and engineers beside
// it clear it with a charge.
TEST(WinterBattle, AMineGoesOffTheNextSquadStopsAndEngineersClearIt) {
    ASSERT_TRUE(DecryptData());
    int32_t hits = 0, cleared = 0;
    for (uint16_t seed = 1; seed <= 8 && cleared == 0; ++seed) {
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, false, true));
        Battle* battle = runner.GetBattle();
        Unit* mine = LonelyMine(battle, {kInanimateAPMines});
        Infantry* squads[2] = {};
        Infantry* engineers = nullptr;
        for (int32_t k = 0; k < battle->mUnits->GetCount(); ++k) {
            auto* i = dynamic_cast<Infantry*>(battle->mUnits->GetUnit(k));
            if (!i || i->GetAffiliation() != kAxis || !i->Record().mIsSquad) continue;
            if (i->UsesDemoCharge())
                engineers = engineers ? engineers : i;
            else if (!squads[0] || !squads[1])
                squads[squads[0] ? 1 : 0] = i;
        }
        ASSERT_TRUE(mine && squads[1] && engineers) << "seed " << seed;
        const float mx = mine->mX, my = mine->mY;
        auto inField = [&](const Unit* u) {
            return std::fabs(u->mX - mx) <= 12.0f && std::fabs(u->mY - my) <= 12.0f;
        };
        Infantry* walker = squads[0];
        walker->AISetLocation(mx - 30.0f, my);
        for (int32_t pass = 0; pass < 12; ++pass)
            walker->ReceiveMoveOrders(mx + (pass % 2 ? -20.0f : 20.0f), my, 20, nullptr, true, pass == 0,
                                      true, true);
        const int32_t menBefore = walker->mCasualties;
        if (!RunTurns(runner, 8, [&](int32_t) { return mine->mMineNew; })) continue;
        ++hits;
        EXPECT_TRUE(walker->mCasualties > menBefore || !walker->mActive) << "seed " << seed;
        EXPECT_GT(mine->mContactLevel, kContactNone) << "seed " << seed << ": the field went off unfound";

        Infantry* next = squads[1];
        next->AISetLocation(mx - 45.0f, my);
        next->ReceiveMoveOrders(mx + 40.0f, my, 20, nullptr, true, true, true, true);
        // How far it got from where it set out, round the field or along it.
        const float sx = next->mX, sy = next->mY;
        float furthest = 0.0f;
        RunTurns(runner, 2, [&](int32_t) {
            EXPECT_FALSE(inField(next)) << "seed " << seed << ": the next squad walked into the found field";
            furthest = std::max(furthest, std::hypot(next->mX - sx, next->mY - sy));
            return false;
        });
        engineers->AISetLocation(mx - 18.0f, my + 6.0f);
        engineers->CancelMovementOrders();
        const int32_t charges = engineers->mExplosives;
        RunTurns(runner, 8, [&](int32_t) { return !mine->mActive; });
        EXPECT_GT(furthest, 5.0f) << "seed " << seed << ": the next squad never set out";
        if (mine->mActive) continue;
        ++cleared;
        EXPECT_EQ(engineers->mExplosives, charges - 1) << "seed " << seed;
    }
    EXPECT_GT(hits, 0);
    EXPECT_GT(cleared, 0);
}

// A tank ordered straight across a found anti-tank field keeps its orders:
// the look-ahead halts it before the field, and the path around it leads
// past without entering it.
TEST(WinterBattle, ATankOrderedAcrossAFoundFieldDrivesRoundIt) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    ASSERT_TRUE(LoadHatten(runner, 1, false, false));
    Battle* battle = runner.GetBattle();
    Unit* mine = LonelyMine(battle, {kInanimateATMines});
    Vehicle* tank = nullptr;
    for (int32_t k = 0; k < battle->mUnits->GetCount() && !tank; ++k) {
        auto* v = dynamic_cast<Vehicle*>(battle->mUnits->GetUnit(k));
        if (v && v->GetAffiliation() == kAxis && v->CanMovePhysically() && !v->IsFixed()) tank = v;
    }
    ASSERT_TRUE(mine && tank);
    mine->mMineNew = true;
    const float mx = mine->mX, my = mine->mY;
    // The field's own side fires at a tank in its sight (its guns, tanks
    // and rocket teams from where they stand): here only the way round
    // counts, so they leave the battle; its squads keep it going.
    Find(battle, [&](Unit* u) {
        if (u->GetAffiliation() == kAllies &&
            (u->mUnitType == kUnitVehicle ||
             (u->mUnitType == kUnitInfantry && gInfantryData[u->mSubtype].mHeavyWeapon != kWeaponNone)))
            u->mActive = false;
        return false;
    });
    tank->AISetLocation(mx - 60.0f, my);
    tank->ReceiveMoveOrders(mx + 50.0f, my, 20, nullptr, true, true, true, true);
    // The legs between the places the tank's packets record, as the replay
    // draws them.
    bool entered = false;
    int32_t places = 0;
    float px = tank->mX, py = tank->mY;
    runner.OnComputed([&](const Battle& b) {
        for (int32_t n = 0; n < b.mPackets.GetCount(); ++n) {
            const auto* p = static_cast<const ActionPacket*>(b.mPackets.GetObjectA(n));
            if (p->mType != kPacketUnitState || p->StateUnit() != tank) continue;
            ++places;
            for (int32_t step = 0; step <= 20; ++step) {
                const float x = px + (p->mX - px) * step / 20.0f, y = py + (p->mY - py) * step / 20.0f;
                entered |= std::fabs(x - mx) < 12.0f && std::fabs(y - my) < 12.0f;
            }
            px = p->mX;
            py = p->mY;
        }
    });
    RunTurns(runner, 3, [&](int32_t) { return tank->mX > mx + 12.0f || !tank->mActive; });
    EXPECT_GT(places, 0);
    EXPECT_FALSE(entered) << "the tank drove into the found field";
    EXPECT_GT(tank->mX, mx + 12.0f) << "the tank never got past the field";
}

// Skis: hatten's forces fought on foot, so a built battle of its date and
// snow gives a mountain-troop squad (its force has skis) and a grenadier
// squad of the same kind the same march over flat open snow: the one on
// skis moves at 2.4 times the other's pace (k 2.0 on open ground: 1.2
// against 0.5).
TEST(WinterBattle, ASquadOnSkisCrossesOpenSnowAtItsSkiSpeed) {
    ASSERT_TRUE(DecryptData());
    const std::string text = R"(title "Ski"
map 40 20 1.0 60
date 4501
turns 3
ground 7
weather 6
seed 11
briefing general "Schnee."
zone 4 0 0 200 400
zone 1 700 0 800 400
flag large 750 200
force allies 30 regular
company A
platoon 1 zone 1
inf 1 0 760 380 180 leader
force axis 3 regular
company B
platoon 1 zone 4
inf 251 0 60 100 0
force axis 0 regular
company C
platoon 1 zone 4
inf 251 0 60 300 0
)";
    FileTestFolder folder;
    const std::string path = folder.File("ski.mvg");
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(text, "ski.txt", &d, &fault)) << fault.Text();
    ASSERT_TRUE(WriteScenarioFile(d, path, &fault)) << fault.Text();
    BattleRunner runner;
    runner.PlanSides(false, false);
    std::string error;
    ASSERT_TRUE(runner.Load(path, &error)) << error;
    auto* skier = dynamic_cast<Infantry*>(FindScriptUnit(runner.GetBattle(), {kAxis, 'B', 1, 0}));
    auto* walker = dynamic_cast<Infantry*>(FindScriptUnit(runner.GetBattle(), {kAxis, 'C', 1, 0}));
    ASSERT_TRUE(skier && walker);
    EXPECT_TRUE(skier->mOnSkis);
    EXPECT_FALSE(walker->mOnSkis);
    for (Infantry* u : {skier, walker})
        u->ReceiveMoveOrders(600.0f, u->mY, 20, nullptr, true, true, true, true);
    RunnerTurn turn;
    ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
    ASSERT_EQ(skier->mFatigueState, walker->mFatigueState);
    ASSERT_GT(walker->mPlaybackSpeed, 0.0f);
    EXPECT_NEAR(skier->mPlaybackSpeed / walker->mPlaybackSpeed, 2.4f, 0.12f);
    EXPECT_GT(skier->mX - 60.0f, 2.0f * (walker->mX - 60.0f));
}
