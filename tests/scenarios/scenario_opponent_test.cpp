// The computer opponent in the demo battles as the headless runner plays
// them: its batteries fire, the defender of an exit battle has an objective,
// riders of carriers that fall back get out, its support teams are ordered
// to fire, its standing copy seeks targets at rest, a dead target is kept
// only while it is the one taken, a moving tank threatens as one at rest,
// a target taken again keeps its ranging, and the runner's computer side, bonus and set-up follow its options.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ScenarioPaths.h"
#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFuzzySet.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

std::string Built(const char* name) {
    return std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg";
}

bool Play(BattleRunner* runner, int32_t turns) {
    std::string error;
    for (int32_t i = 0; i < turns && !runner->Over(); ++i) {
        RunnerTurn turn;
        if (!runner->RunTurn(&turn, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
    }
    return true;
}

} // namespace

// Bruecke with the Allies planned and no script: the planner gives the
// American observer fire missions, and its rounds land (its first ammunition
// count falls) in at least two of seeds 1-3.
TEST(ComputerOpponent, TheComputersObserverCallsItsRounds) {
    ASSERT_TRUE(DecryptData());
    int32_t fired = 0;
    for (uint16_t seed = 1; seed <= 3; ++seed) {
        BattleRunner runner;
        runner.OverrideSeed(seed);
        std::string error;
        ASSERT_TRUE(runner.Load(Built("bruecke"), &error)) << error;
        Battle* b = runner.GetBattle();
        Unit* observer = nullptr;
        for (int32_t i = 0; i < b->mUnits->GetCount() && !observer; ++i)
            if (b->mUnits->GetUnit(i)->IsForwardObserver() && !b->mUnits->GetUnit(i)->IsAxis())
                observer = b->mUnits->GetUnit(i);
        ASSERT_NE(observer, nullptr);
        const uint16_t rounds = observer->mAmmo[0];
        bool aimed = false;
        while (!runner.Over() && observer->mAmmo[0] == rounds && Play(&runner, 1))
            aimed = aimed || observer->mAreaTarget;
        fired += aimed && observer->mAmmo[0] < rounds ? 1 : 0;
    }
    EXPECT_GE(fired, 2);
}

// Ausbruch with the Allies planned against the scripted break-out: the
// defender's graph gets an exit node for the Axis' exit edge, its kind-2 flag
// moved into the map, and a group of the Allies is sent to it.
TEST(ComputerOpponent, TheDefenderOfAnExitBattleHoldsTheWayOut) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.ScriptOnlyUnplanned(true);
    std::string error;
    ASSERT_TRUE(runner.Load(Built("ausbruch"), &error)) << error;
    ASSERT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/ausbruch.orders", &error)) << error;
    ASSERT_TRUE(Play(&runner, 1));
    Battle* b = runner.GetBattle();
    GList* graph = b->mObjectiveGraph;
    ASSERT_NE(graph, nullptr);
    int32_t exitNodes = 0, exitIndex = -1;
    for (int32_t i = 0; i < graph->GetCount(); ++i) {
        auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
        if (!node->mExitNode) continue;
        ++exitNodes;
        exitIndex = i;
        ASSERT_EQ(node->GetCount(), 1);
        auto* flag = static_cast<VictoryFlag*>(node->GetObjectA(0));
        EXPECT_EQ(flag->mKind, 2);
        EXPECT_FLOAT_EQ(flag->mX, 0.65f * b->mMap->mWidthMetres);
        EXPECT_GE(flag->mY, 0.0f);
        EXPECT_LE(flag->mY, b->mMap->mHeightMetres);
    }
    EXPECT_EQ(exitNodes, 1);
    bool ordered = false;
    for (int32_t g = 0; g < b->mAIGroups[kAllies]->GetCount(); ++g) {
        const int32_t order = static_cast<AIGroup*>(b->mAIGroups[kAllies]->GetObjectA(g))->mOrder;
        ordered = ordered || order == kAIOrderHoldNode + exitIndex || order == kAIOrderGoToNode + exitIndex;
    }
    EXPECT_TRUE(ordered);
}

// Grossangriff with the Axis planned: the lorries of the German reinforcement
// join the fall-back group on arrival (unarmed), and their riders get out
// first: two turns later none rides and each is with a fighting group.
TEST(ComputerOpponent, RidersOfUnarmedCarriersGetOutBeforeTheyFallBack) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(true, false);
    std::string error;
    ASSERT_TRUE(runner.Load(Built("grossangriff"), &error)) << error;
    Battle* b = runner.GetBattle();
    std::vector<Unit*> riders;
    for (int32_t turn = 0; riders.empty() && turn < 12 && !runner.Over(); ++turn) {
        ASSERT_TRUE(Play(&runner, 1));
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            if (u->mActive && u->IsAxis() && u->mUnitType == kUnitInfantry && u->IsPassenger(false) &&
                u->mOffMapState == 0)
                riders.push_back(u);
        }
    }
    ASSERT_FALSE(riders.empty()) << "no riders arrived";
    ASSERT_TRUE(Play(&runner, 2));
    GList* groups = b->mAIGroups[kAxis];
    for (Unit* u : riders) {
        if (!u->mActive || u->mSurrendered) continue;
        EXPECT_FALSE(u->IsPassenger(false)) << u->mIndex;
        for (int32_t g = 0; g < groups->GetCount(); ++g) {
            auto* group = static_cast<AIGroup*>(groups->GetObjectA(g));
            if (group->IsMember(u)) EXPECT_NE(group->mOrder, kAIOrderFallBack) << u->mIndex;
        }
    }
}

namespace {

std::vector<std::pair<float, float>> Places(Battle* b, Affiliation side) {
    std::vector<std::pair<float, float>> places;
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (u->GetAffiliation() == side) places.emplace_back(u->mX, u->mY);
    }
    return places;
}

} // namespace

// The runner's computer side is the one planned side (none for both), and
// its bonus raises only that side's experience, as the sides screen's does.
TEST(ComputerOpponent, TheRunnersComputerSideAndBonusFollowThePlan) {
    ASSERT_TRUE(DecryptData());
    struct Case {
        bool axis, allies;
        int32_t bonus;
        int32_t raised[2]; // Axis, Allies
    };
    for (const Case& c : {Case{true, false, 2, {2, 0}}, Case{false, true, 2, {0, 2}}, Case{true, true, 0, {0, 0}}}) {
        BattleRunner runner;
        runner.PlanSides(c.axis, c.allies);
        runner.SetComputerBonus(c.bonus);
        std::string error;
        ASSERT_TRUE(runner.Load(Built("hecken"), &error)) << error;
        Battle* b = runner.GetBattle();
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            const Affiliation s = u->GetAffiliation();
            EXPECT_EQ(u->BaseExperience(), std::min<int32_t>(kExperienceMaxEffective, u->mExperience + c.raised[s]));
            EXPECT_EQ(IsComputerSide(s), c.axis != c.allies && (s == kAxis ? c.axis : c.allies));
        }
    }
    // Set-up 0 keeps the planned side where the scenario put it; 1 places it.
    std::vector<std::pair<float, float>> kept[3];
    for (int32_t option = 0; option < 3; ++option) {
        BattleRunner runner;
        runner.PlanSides(false, option < 2);
        runner.SetComputerSetup(option == 1 ? 1 : 0);
        std::string error;
        ASSERT_TRUE(runner.Load(Built("hecken"), &error)) << error;
        kept[option] = Places(runner.GetBattle(), kAllies);
    }
    EXPECT_EQ(kept[0], kept[2]);
    EXPECT_NE(kept[1], kept[2]);
}

// The players screen's handicap through the runner: extra units for the
// favoured side only, none for a scenario whose set-up options are fixed.
TEST(ComputerOpponent, TheRunnersHandicapAddsUnitsToTheFavouredSide) {
    ASSERT_TRUE(DecryptData());
    auto counts = [](const char* scenario, int32_t handicap) {
        BattleRunner runner;
        runner.PlanSides(false, true);
        runner.SetHandicap(handicap);
        std::string error;
        EXPECT_TRUE(runner.Load(Built(scenario), &error)) << error;
        return std::make_pair(Places(runner.GetBattle(), kAxis).size(), Places(runner.GetBattle(), kAllies).size());
    };
    const auto plain = counts("hecken", 0);
    const auto allies = counts("hecken", 100), axis = counts("hecken", -50);
    EXPECT_EQ(allies.first, plain.first);
    EXPECT_GT(allies.second, plain.second);
    EXPECT_GT(axis.first, plain.first);
    EXPECT_EQ(axis.second, plain.second);
    EXPECT_EQ(counts("hatten", 200), counts("hatten", 0)); // set-up fixed
}

namespace {

// The unit aims at an enemy its side has spotted, in the unit's own sight and
// within its weapon's reach as it stands.
bool AimsAtEnemyInSightAndReach(Unit* u) {
    Unit* e = u->mTarget;
    return e && e->mActive && e->IsSpottedNow() && u->CanSee(e, nullptr) &&
           u->InRange(Distance3D(u, e), false, 1.0f);
}

} // namespace

// Grossangriff, both sides planned: a support team of the attacking British
// that aims at an enemy in its own sight and within reach is ordered to fire
// at it and keeps the move ratings of its own kind; only an armoured vehicle
// facing an enemy gun is held where it stands.
TEST(ComputerOpponent, ASupportTeamWithAnEnemyInSightIsOrderedToFireAndRatedByItsKind) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(true, true);
    runner.OverrideSeed(1);
    std::string error;
    ASSERT_TRUE(runner.Load(Built("grossangriff"), &error)) << error;
    Battle* b = runner.GetBattle();
    int32_t engaged = 0;
    for (int32_t turn = 0; turn < 40 && engaged == 0 && !runner.Over(); ++turn) {
        ASSERT_TRUE(Play(&runner, 1));
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            if (!u->mActive || u->IsAxis() || u->mUnitType != kUnitInfantry || !u->IsSupportWeapon(false) ||
                u->IsLeader(nullptr) || !AimsAtEnemyInSightAndReach(u))
                continue;
            Unit* const enemy = u->mTarget;
            AIBasicFuzzies r;
            u->AIRateBasicFuzzies(&r, 300.0f);
            EXPECT_FALSE(r.mHoldAndEngage);
            EXPECT_EQ(u->mTarget, enemy);
            // Attacking: 0.9 less with a target than the 0.3 more without,
            // and 0.5 more for a unit with no target at all.
            const bool defending = gAIDefending;
            gAIDefending = false;
            const float with = u->AIRateObjectiveMove(&r, 300.0f);
            u->mTarget = nullptr;
            EXPECT_NEAR(u->AIRateObjectiveMove(&r, 300.0f) - with, 1.7f, 1e-4f);
            u->mTarget = enemy;
            gAIDefending = defending;
            ++engaged;
        }
    }
    ASSERT_GT(engaged, 0) << "no support team aimed at an enemy in sight";
}

// Panzer, both sides planned: a vehicle without a target seeks the one it
// would choose as a unit at rest, whatever moving flag its drive or aim left.
TEST(ComputerOpponent, TheStandingCopyChoosesItsTargetAsAUnitAtRest) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(true, true);
    runner.OverrideSeed(1);
    std::string error;
    ASSERT_TRUE(runner.Load(Built("panzer"), &error)) << error;
    Battle* b = runner.GetBattle();
    auto rate = [](Unit* u, bool flag) {
        u->CancelTarget(true, true);
        u->mIsMoving = flag;
        SeedRandomGenerator(7);
        AIBasicFuzzies r;
        u->AIRateBasicFuzzies(&r, 300.0f);
        std::vector<float> harm;
        for (int32_t k = 0; k < 4; ++k)
            harm.push_back(r.mHarm.GetMembershipOf(k));
        harm.push_back(static_cast<float>(r.mHoldAndEngage));
        return harm;
    };
    int32_t compared = 0;
    for (int32_t turn = 0; turn < 12 && !runner.Over(); ++turn) {
        ASSERT_TRUE(Play(&runner, 1));
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            if (!u->mActive || u->mUnitType != kUnitVehicle || u->IsPassenger(false) ||
                !u->HasOrdnance(false, true))
                continue;
            const std::vector<float> atRest = rate(u, false);
            if (atRest[0] == 1.0f) continue; // no would-be target it can harm
            EXPECT_EQ(rate(u, true), atRest) << "unit " << i << ", turn " << turn;
            u->CancelTarget(true, true);
            ++compared;
        }
    }
    ASSERT_GT(compared, 0) << "no vehicle found a would-be target";
}

namespace {

// Panzer, both sides planned, seed 1, played until `found` holds after a turn
// (at most 12 turns); false when it never did.
bool PlayPanzerUntil(BattleRunner* runner, const std::function<bool(Battle*)>& found) {
    runner->PlanSides(true, true);
    runner->OverrideSeed(1);
    std::string error;
    EXPECT_TRUE(runner->Load(Built("panzer"), &error)) << error;
    for (int32_t turn = 0; turn < 12 && !runner->Over(); ++turn) {
        if (!Play(runner, 1)) return false;
        if (found(runner->GetBattle())) return true;
    }
    return false;
}

std::vector<Unit*> Units(Battle* b) {
    std::vector<Unit*> units;
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i)
        units.push_back(b->mUnits->GetUnit(i));
    return units;
}

} // namespace

// Panzer: a player's gun ordered at a wreck it can still damage keeps it
// through the target search; a computer's unit ordered at a dead enemy it
// cannot damage leaves it at its next search and holds no dead target.
TEST(ComputerOpponent, ADeadTargetIsKeptOnlyWhileItIsTheOneTaken) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    int32_t kept = 0, left = 0;
    auto orderAtTheDead = [&](Battle* b) {
        for (Unit* u : Units(b)) {
            if (!u->mActive || u->IsPassenger(false) || !u->HasHeavyWeapon(kKnowTruth)) continue;
            for (Unit* e : Units(b)) {
                if (e->mSide == u->mSide || e->mActive || e->mUnitType == kUnitInanimate ||
                    !u->InRange(Distance3D(u, e), false, 1.0f))
                    continue;
                const bool wreck = e->CanBeDamaged() && e->IsSpottedNow() && u->CanSee(e, nullptr);
                if (u->IsAxis() && wreck) {
                    u->ReceiveTargetOrders(e, 0.0f, 0.0f, false, 0);
                    EXPECT_TRUE(u->mTargetDead);
                    u->AIMaySwitchToNewTarget(true);
                    // Kept at a score of at most 0.5, unless a live enemy
                    // outscored it.
                    if (u->mTarget == e) {
                        EXPECT_LE(gBestTargetScore, 0.5f);
                        ++kept;
                    } else {
                        EXPECT_TRUE(u->mTarget && u->mTarget->mActive);
                    }
                } else if (!u->IsAxis() && !e->CanBeDamaged()) {
                    u->ReceiveTargetOrders(e, 0.0f, 0.0f, false, 2);
                    EXPECT_TRUE(u->mTargetDead);
                    u->AIMaySwitchToNewTarget(true);
                    EXPECT_NE(u->mTarget, e);
                    EXPECT_FALSE(u->mTargetDead);
                    ++left;
                }
                u->CancelTarget(true, true);
            }
        }
        return kept > 0 && left > 0;
    };
    ASSERT_TRUE(PlayPanzerUntil(&runner, orderAtTheDead)) << "kept " << kept << ", left " << left;
}

// Panzer: an enemy tank's threat is judged as if it stood: a tank that its
// drive left moving threatens each enemy as much as the same tank at rest.
TEST(ComputerOpponent, AMovingTanksThreatIsThatOfTheSameTankAtRest) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    int32_t compared = 0, telling = 0;
    auto threat = [](Unit* t, Unit* s) {
        SeedRandomGenerator(7);
        GFuzzySet set;
        t->AIComputeThreat(&set, s, false, false, false);
        std::vector<float> m;
        for (int8_t k = 0; k < 4; ++k)
            m.push_back(set.GetMembershipOf(k));
        return m;
    };
    auto compare = [&](Battle* b) {
        for (Unit* t : Units(b)) {
            if (!t->mActive || t->mUnitType != kUnitVehicle || !(t->mIsMoving || t->mPlaybackSpeed != 0.0f) ||
                !t->HasOrdnance(false, false))
                continue;
            for (Unit* s : Units(b)) {
                if (!s->mActive || s->mSide == t->mSide || s->mUnitType != kUnitVehicle) continue;
                const float speed = t->mPlaybackSpeed;
                const bool flag = t->mIsMoving;
                const std::vector<float> moving = threat(t, s);
                const float p = t->GetHitChance(t->ChooseAmmo(s, false), 0, static_cast<Vehicle*>(s), kKnowTruth, 0);
                t->mPlaybackSpeed = 0.0f;
                t->mIsMoving = false;
                const std::vector<float> atRest = threat(t, s);
                telling += t->GetHitChance(t->ChooseAmmo(s, false), 0, static_cast<Vehicle*>(s), kKnowTruth, 0) != p;
                t->mPlaybackSpeed = speed;
                t->mIsMoving = flag;
                EXPECT_EQ(moving, atRest);
                ++compared;
            }
        }
        return telling > 0;
    };
    ASSERT_TRUE(PlayPanzerUntil(&runner, compare)) << "no moving tank whose hit chance its motion lowers";
}

// Panzer: a unit whose target of the last turn is taken from it and ordered
// again takes up the ranging level it had reached on it.
TEST(ComputerOpponent, ARetakenTargetKeepsItsRangingLevel) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    int32_t retaken = 0;
    auto retake = [&](Battle* b) {
        for (Unit* u : Units(b)) {
            Unit* const e = u->mTarget;
            const int16_t level = u->mAcquisition;
            if (!u->mActive || !e || e != u->mPreviousTarget || level == 0) continue;
            u->CancelTarget(true, true);
            u->ReceiveTargetOrders(e, 0.0f, 0.0f, false, 0);
            if (u->mTarget != e) continue;
            EXPECT_EQ(u->mAcquisition, level);
            ++retaken;
        }
        return retaken > 0;
    };
    ASSERT_TRUE(PlayPanzerUntil(&runner, retake)) << "no unit had ranged on its target";
}
