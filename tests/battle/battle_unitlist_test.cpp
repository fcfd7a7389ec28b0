// Spatial queries over the battle's unit list.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/UnitID.h"
#include "battle/battle_fixtures.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "engine/GParallel.h"
#include "units/vehicle_fixtures.h"

TEST(UnitListQueries, BurningVehiclesNearASightLine) {
    UnitList units;
    units.IList();
    // The line runs diagonally from (0, 0) to (100, 100); its box reaches
    // from -20 to 120 on both axes.
    const float k = 0.70710678f;
    StandInUnit* near = AddStandIn(&units, kUnitVehicle, kAxis, 50 - 24 * k, 50 + 24 * k);
    StandInUnit* far = AddStandIn(&units, kUnitVehicle, kAxis, 50 - 26 * k, 50 + 26 * k);
    StandInUnit* beyond = AddStandIn(&units, kUnitVehicle, kAxis, 121, 121); // on the line, past the box
    StandInUnit* cold = AddStandIn(&units, kUnitVehicle, kAxis, 50, 50);
    StandInUnit* man = AddStandIn(&units, kUnitInfantry, kAxis, 50, 50);
    near->mBurning = far->mBurning = beyond->mBurning = man->mBurning = true;
    GList out;
    out.IList();
    out.PreserveObjects();
    units.MakeBurningVehicleList(&out, 0, 0, 100, 100);
    ASSERT_EQ(out.GetCount(), 1);
    EXPECT_EQ(out.GetObjectA(0), near);
    EXPECT_FALSE(out.IsMember(cold));

    // A vertical line measures in x alone.
    StandInUnit* side = AddStandIn(&units, kUnitVehicle, kAxis, 59, 100);
    side->mBurning = true;
    out.EmptyOut(false);
    units.MakeBurningVehicleList(&out, 40, 0, 40, 100);
    ASSERT_EQ(out.GetCount(), 3);
    EXPECT_EQ(out.GetObjectA(0), near);
    EXPECT_EQ(out.GetObjectA(1), far);
    EXPECT_EQ(out.GetObjectA(2), side);
}

TEST(UnitListQueries, LivingUnitNearbyBySideAndStrictRange) {
    UnitList units;
    units.IList();
    StandInUnit* axis = AddStandIn(&units, kUnitInanimate, kAxis, 10, 0);
    StandInUnit* allied = AddStandIn(&units, kUnitInanimate, kAllies, 0, 20);
    EXPECT_TRUE(units.LivingUnitIsNearby(0, 0, kAxis, 10.5f, nullptr));
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAxis, 10.0f, nullptr)); // exactly at range
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAxis, 30.0f, axis));
    EXPECT_TRUE(units.LivingUnitIsNearby(0, 0, 2, 25.0f, axis));
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAllies, 15.0f, nullptr));
    allied->mActive = false;
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, 2, 25.0f, axis));
}

TEST(UnitListQueries, UniqueIdentityZeroFindsNothing) {
    Battle battle;
    battle.IBattleStub();
    StandInUnit* a = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 0, 0);
    StandInUnit* b = AddStandIn(battle.mUnits, kUnitInanimate, kAllies, 0, 0);
    a->mLinkID = 0;
    b->mLinkID = 7;
    EXPECT_EQ(battle.GetUnitFromUniqueID(0), nullptr);
    EXPECT_EQ(battle.GetUnitFromUniqueID(7), b);
    EXPECT_EQ(battle.GetUnitFromUniqueID(8), nullptr);
}

TEST(UnitListQueries, VehicleCollisionTestsOnlyCloseSeenVehicles) {
    UnitList units;
    units.IList();
    StandInUnit* mover = AddStandIn(&units, kUnitVehicle, kAxis, 100, 100);
    StandInUnit* edge = AddStandIn(&units, kUnitVehicle, kAxis, 103, 97);
    StandInUnit* outside = AddStandIn(&units, kUnitVehicle, kAxis, 103.1f, 100);
    StandInUnit* enemy = AddStandIn(&units, kUnitVehicle, kAllies, 101, 101);
    edge->mObstacle = 1;
    outside->mObstacle = 3;
    enemy->mObstacle = 2;
    int32_t best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), edge); // the enemy is not spotted
    EXPECT_EQ(best, 1);
    enemy->mContactLevel = kContactSeen;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), enemy);
    EXPECT_EQ(best, 2);
    // A mover that only heeds standing vehicles skips those going somewhere.
    mover->mStationaryOnly = true;
    enemy->mNrWaypoints = 1;
    enemy->mWaypoints[0].mOrder = 4;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), edge);
    enemy->mWaypoints[0].mOrder = kPaceRotate;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), enemy);
}

namespace {

// The queries as one plain pass over every unit of the list: what the
// vehicle list the unit list keeps must answer exactly.
std::vector<Unit*> BurningNearLineByScan(const UnitList& units, float x1, float y1, float x2, float y2) {
    std::vector<Unit*> out;
    const float left = std::min(x1, x2) - 20.0f, right = std::max(x1, x2) + 20.0f;
    const float bottom = std::min(y1, y2) - 20.0f, top = std::max(y1, y2) + 20.0f;
    const float dx = x1 - x2;
    for (int32_t i = 0; i < units.GetCount(); ++i) {
        Unit* u = units.GetUnit(i);
        if (u->mUnitType != kUnitVehicle || !u->IsBurning()) continue;
        if (u->mX < left || u->mX > right || u->mY < bottom || u->mY > top) continue;
        float d;
        if (dx != 0.0f) {
            const float m = (y1 - y2) / dx;
            d = (m * u->mX - u->mY + (y2 - m * x2)) / std::sqrt(m * m + 1.0f);
        } else {
            d = x2 - u->mX;
        }
        if (std::fabs(d) <= 25.0f) out.push_back(u);
    }
    return out;
}

Unit* CollisionByScan(const UnitList& units, int32_t* best, Unit* mover) {
    Unit* result = nullptr;
    for (int32_t i = 0; i < units.GetCount(); ++i) {
        Unit* v = units.GetUnit(i);
        if (std::fabs(v->mX - mover->mX) > 3.0f || std::fabs(v->mY - mover->mY) > 3.0f) continue;
        if (v->mUnitType != kUnitVehicle || v == mover) continue;
        if (v->mSide != mover->mSide && !v->IsSpottedNow()) continue;
        if (mover->IgnoresMovingObstacles() && v->HasMovementOrders()) continue;
        const int32_t t = v->IsObstacleTo(mover);
        if (t > *best) {
            *best = t;
            result = v;
            if (t == 3) break;
        }
    }
    return result;
}

int32_t ByX(GObject* a, GObject* b, void*) {
    const float xa = static_cast<Unit*>(a)->mX, xb = static_cast<Unit*>(b)->mX;
    return xa < xb ? -1 : xa > xb ? 1 : 0;
}

} // namespace

// Random lists of every kind of unit, changed between the questions in
// every way a list can change (added, inserted, removed, replaced, swapped,
// sorted, emptied) and with sides changed in place: the burning vehicles
// near a line, the blocking vehicle and the units of the other side are
// always those a plain pass over the whole list finds, in the same order.
TEST(UnitListQueries, TheKeptListsAnswerAsAPassOverEveryUnit) {
    SeedRandomGenerator(5011);
    auto frac = [] { return static_cast<float>(RandomPick(100000)) / 100000.0f; };
    const UnitType kinds[] = {kUnitVehicle, kUnitInfantry, kUnitInanimate, kUnitAirplane};
    UnitList units;
    units.IList();
    std::vector<StandInUnit*> spare; // removed units, kept alive for re-insertion
    auto make = [&]() {
        auto* u = new StandInUnit(kinds[RandomPick(4)]);
        u->mSide = static_cast<int8_t>(RandomPick(2));
        u->mX = frac() * 60.0f;
        u->mY = frac() * 60.0f;
        u->mActive = true;
        u->mBurning = RandomPick(3) == 0;
        u->mObstacle = static_cast<ObstacleKind>(RandomPick(4));
        u->mStationaryOnly = RandomPick(2) == 0;
        if (RandomPick(2) == 0) u->mContactLevel = kContactSeen;
        return u;
    };
    for (int32_t i = 0; i < 40; ++i)
        units.Add(make());
    int64_t answers = 0;
    for (int32_t round = 0; round < 3000; ++round) {
        switch (RandomPick(9)) {
        case 0:
            units.Add(make());
            break;
        case 1:
            units.Insert(make(), static_cast<int32_t>(RandomPick(units.GetCount() + 1)));
            break;
        case 2:
            if (units.GetCount() > 0) {
                const int32_t i = static_cast<int32_t>(RandomPick(units.GetCount()));
                spare.push_back(static_cast<StandInUnit*>(units.GetUnit(i)));
                units.DeleteIndex(i, false);
            }
            break;
        case 3:
            if (units.GetCount() > 1)
                units.Swap(static_cast<int32_t>(RandomPick(units.GetCount())),
                           static_cast<int32_t>(RandomPick(units.GetCount())));
            break;
        case 4:
            if (units.GetCount() > 0 && !spare.empty()) {
                // A removed unit takes another's place: same count, other kinds.
                const int32_t i = static_cast<int32_t>(RandomPick(units.GetCount()));
                StandInUnit* back = spare.back();
                spare.pop_back();
                spare.push_back(static_cast<StandInUnit*>(units.GetUnit(i)));
                units.ReplaceIndex(i, back, false);
            }
            break;
        case 5:
            units.InsertionSort(ByX, nullptr);
            break;
        case 6:
            if (RandomPick(20) == 0) {
                for (int32_t i = 0; i < units.GetCount(); ++i)
                    spare.push_back(static_cast<StandInUnit*>(units.GetUnit(i)));
                units.EmptyOut(false);
            }
            break;
        default: {
            // Fires start and go out without the list changing.
            if (units.GetCount() > 0) {
                auto* u = static_cast<StandInUnit*>(
                    units.GetUnit(static_cast<int32_t>(RandomPick(units.GetCount()))));
                u->mBurning = !u->mBurning;
                u->mX = frac() * 60.0f;
                if (RandomPick(3) == 0) u->mSide = u->mSide ? 0 : 1;
            }
            break;
        }
        }
        for (Affiliation side : {kAllies, kAxis}) {
            std::vector<Unit*> byScan;
            for (int32_t i = 0; i < units.GetCount(); ++i)
                if (units.GetUnit(i)->mSide != side) byScan.push_back(units.GetUnit(i));
            const std::vector<Unit*>* kept = units.UnitsNotOfSide(side);
            ASSERT_NE(kept, nullptr);
            ASSERT_EQ(*kept, byScan) << "round " << round;
            Unit* of = nullptr;
            for (int32_t i = 0; i < units.GetCount() && !of; ++i)
                if (units.GetUnit(i)->mSide == side) of = units.GetUnit(i);
            if (!of) continue;
            std::vector<Unit*> visited;
            EXPECT_FALSE(units.AnyOtherSideUnit(of, [&](Unit* u) {
                visited.push_back(u);
                return false;
            }));
            ASSERT_EQ(visited, byScan) << "round " << round;
        }
        for (int32_t q = 0; q < 4; ++q) {
            const float x1 = frac() * 80.0f - 10.0f, y1 = frac() * 80.0f - 10.0f;
            const float x2 = RandomPick(8) == 0 ? x1 : frac() * 80.0f - 10.0f;
            const float y2 = frac() * 80.0f - 10.0f;
            GList out;
            out.IList();
            out.PreserveObjects();
            units.MakeBurningVehicleList(&out, x1, y1, x2, y2);
            const std::vector<Unit*> expected = BurningNearLineByScan(units, x1, y1, x2, y2);
            ASSERT_EQ(out.GetCount(), static_cast<int32_t>(expected.size())) << "round " << round;
            for (int32_t k = 0; k < out.GetCount(); ++k)
                ASSERT_EQ(out.GetObjectA(k), expected[static_cast<size_t>(k)]) << "round " << round;
            if (units.GetCount() > 0) {
                Unit* mover = units.GetUnit(static_cast<int32_t>(RandomPick(units.GetCount())));
                int32_t best = 0, bestByScan = 0;
                ASSERT_EQ(units.VehicleCollision(&best, mover), CollisionByScan(units, &bestByScan, mover))
                    << "round " << round;
                ASSERT_EQ(best, bestByScan);
            }
            answers += out.GetCount();
        }
    }
    EXPECT_GT(answers, 1000) << "the lines met burning vehicles";
    for (StandInUnit* u : spare)
        delete u;
}

// The unit list keeps its burning vehicles between questions; every way the
// game sets or clears a vehicle's flag, with the list itself unchanged,
// must show in the next answer.
TEST(UnitListQueries, KeptBurningVehiclesFollowEveryWayAFlagChanges) {
    VehicleBattle b;
    UnitList& units = *b.mBattle.mUnits;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 20, 20);
    Vehicle* bunker = b.AddVehicle(kTestBunker, kAxis, 30, 30);
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAxis, 40, 40);
    Vehicle* boat = b.AddVehicle(kTestLorry, kAxis, 50, 50);
    for (Vehicle* v : {tank, bunker, lorry, boat})
        v->mActive = true;
    auto burning = [&](std::vector<Unit*> expected, const char* step) {
        GList out;
        out.IList();
        out.PreserveObjects();
        units.MakeBurningVehicleList(&out, 0, 0, 60, 60);
        std::vector<Unit*> listed;
        for (int32_t k = 0; k < out.GetCount(); ++k)
            listed.push_back(static_cast<Unit*>(out.GetObjectA(k)));
        EXPECT_EQ(listed, expected) << step;
        EXPECT_EQ(listed, BurningNearLineByScan(units, 0, 0, 60, 60)) << step;
    };
    burning({}, "none burns");

    tank->ApplyInternalDamage(false, true, false, 0.0f, false, false, 1.0f, 0.0f, false);
    burning({tank}, "a hit sets it alight");
    bunker->Flip();
    burning({tank, bunker}, "a blast over a fixed vehicle sets it alight");

    ActionPacket* clear = boat->FillPacket();
    ActionPacket* alight = tank->FillPacket();
    lorry->ProcessActionPacket(alight);
    burning({tank, bunker, lorry}, "playback sets it alight");
    lorry->ProcessActionPacket(clear);
    burning({tank, bunker}, "playback puts it out");

    tank->IVehicle(kTestTank, kForceDefaultAllies, kExperienceRegular, 20, 20, 0.0f);
    burning({bunker}, "a new set-up puts it out");

    // A record read, then assigned over a unit of the list whole, as the
    // two-player merge does with the peer's units.
    std::unique_ptr<GFile> file(NewScratchFile());
    ASSERT_NE(file, nullptr);
    bunker->Write(file.get());
    file->Rewind();
    std::unique_ptr<Unit> copy(ReadUnit(file.get()));
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->IsBurning());
    copy->mX = boat->mX;
    copy->mY = boat->mY;
    *boat = *static_cast<Vehicle*>(copy.get());
    burning({bunker, boat}, "assigned burning");
    *bunker = *tank;
    burning({boat}, "assigned cold");
    boat->mBurning = false;
    lorry->mBurning = true;
    burning({lorry}, "set directly");

    // Inside parallel work a list out of date is not made again: every
    // vehicle is asked instead, with the same answer.
    struct Threads {
        Threads() { SoftThreadPool::SetSimulationThreads(2); }
        ~Threads() { SoftThreadPool::SetSimulationThreads(0); }
    } threads;
    boat->mBurning = true;
    std::vector<int32_t> found(4, -1);
    ParallelFor(4, 1, [&](int32_t i) {
        GList out;
        out.IList();
        out.PreserveObjects();
        units.MakeBurningVehicleList(&out, 0, 0, 60, 60);
        found[static_cast<size_t>(i)] = out.GetCount();
    });
    EXPECT_EQ(found, std::vector<int32_t>(4, 2));
    burning({lorry, boat}, "after parallel work");
}

// A visit of the pass over the other side's units that changes the list or
// a side: the pass goes on as a plain pass over the list by index does,
// visiting the same units in the same order.
TEST(UnitListQueries, APassOverTheOtherSideGoesOnAsAPlainPassAfterAChange) {
    const int8_t sides[] = {0, 1, 1, 0, 1, 0, 1, 1, 0, 1};
    for (int32_t change = 0; change < 5; ++change) {
        std::vector<float> seen[2];
        for (int32_t way = 0; way < 2; ++way) {
            UnitList units;
            units.IList();
            for (int32_t i = 0; i < 10; ++i)
                AddStandIn(&units, kUnitInfantry, sides[i] ? kAxis : kAllies, static_cast<float>(i), 0)
                    ->mSide = sides[i];
            std::vector<Unit*> removed;
            Unit* of = units.GetUnit(0);
            int32_t visits = 0;
            auto visit = [&](Unit* u) {
                seen[way].push_back(u->mX);
                if (++visits != 2) return false;
                switch (change) {
                case 0: // a later unit changes sides; the kept lists are made again meanwhile
                    units.GetUnit(8)->mSide = 1;
                    units.GetUnit(6)->mSide = 0;
                    units.UnitsNotOfSide(0);
                    break;
                case 1: // one before it leaves the list
                    removed.push_back(units.GetUnit(1));
                    units.DeleteIndex(1, false);
                    break;
                case 2: // one of the other side joins after it
                    AddStandIn(&units, kUnitInfantry, kAxis, 20.0f, 0);
                    units.Swap(units.GetCount() - 1, 4);
                    break;
                case 3: // the searcher itself changes sides
                    of->mSide = 1;
                    break;
                default: // the one visited stops the pass
                    return true;
                }
                return false;
            };
            if (way == 0) {
                EXPECT_EQ(units.AnyOtherSideUnit(of, visit), change == 4);
            } else {
                for (int32_t i = 0; i < units.GetCount(); ++i) {
                    Unit* u = units.GetUnit(i);
                    if (u->mSide != of->mSide && visit(u)) break;
                }
            }
            for (Unit* u : removed)
                delete u;
        }
        EXPECT_EQ(seen[0], seen[1]) << "change " << change;
        EXPECT_GE(seen[0].size(), 2u);
    }
}
