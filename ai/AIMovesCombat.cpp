// The combat move: a short move of one unit to a nearby square from which
// it fights better, where it can hit valuable enemies, is covered and less
// exposed to the enemies that can hurt it, and keeps platoon members near
// their leaders.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GParallel.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

// Rule tables: rows the labels of the set combined, columns those of the set
// passed to it.
const int8_t kAIThreatCoverRule[4 * 4] = {
    3, 3, 3, 3, //
    5, 4, 3, 3, //
    6, 5, 3, 3, //
    6, 5, 4, 3,
};
const int8_t kAISuppressionCoverRule[5 * 4] = {
    3, 3, 3, 3, //
    3, 3, 3, 2, //
    3, 3, 2, 1, //
    3, 2, 1, 0, //
    3, 2, 1, 0,
};
const int8_t kAIObjectiveHarmRule[4 * 4] = {
    3, 2, 1, 0, //
    3, 2, 1, 0, //
    2, 2, 1, 0, //
    2, 2, 1, 0,
};
const int8_t kAICombineRule[7 * 7] = {
    0, 0, 0, 0, 1, 2, 3, //
    0, 1, 1, 1, 2, 3, 4, //
    0, 1, 2, 2, 3, 4, 5, //
    0, 1, 2, 3, 4, 5, 6, //
    1, 2, 3, 4, 4, 5, 6, //
    2, 3, 4, 5, 5, 5, 6, //
    3, 4, 5, 6, 6, 6, 6,
};

namespace {

constexpr float kLo = GFuzzySet::kFarLow;
constexpr float kLo2 = GFuzzySet::kNearLow;
constexpr float kHi2 = GFuzzySet::kNearHigh;
constexpr float kHi = GFuzzySet::kFarHigh;

const AITerm kPotentialHarmTerms[] = {
    {3, kLo, kLo2, 0.1f, 0.3f},
    {4, 0.0f, 0.3f, 0.3f, 0.7f},
    {5, 0.3f, 0.7f, 0.7f, 1.5f},
    {6, 0.7f, 1.5f, kHi2, kHi},
};

// Ring factors of the wide search by ring 0..8.
constexpr float kRingFactor[9] = {1.0f, 1.0f, 1.0f, 0.94f, 0.88f, 0.80f, 0.68f, 0.56f, 0.44f};

// The running maximum of the potential harm during one rating.
float sBestPotentialHarm = 0.0f;
// During one square scoring: whether the unit may target, whether it is an
// armoured vehicle, and whether that vehicle has a working machine gun.
bool sAllowedToTarget = false;
bool sArmoured = false;
bool sHasMG = false;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

Unit* UnitAt(int32_t i) {
    return static_cast<Unit*>(gBattle->mUnits->GetObjectA(i));
}

int32_t UnitCount() {
    return gBattle && gBattle->mUnits ? gBattle->mUnits->GetCount() : 0;
}

// Below this many sight lines a square's lines are traced on one thread.
constexpr int32_t kThreadedLines = 8;

// A square's scoring traces a sight line from its chosen point to each enemy
// (and, for a leader, to each of its men); with several threads these lines
// are traced side by side once the point is chosen, into a memo of exact
// inputs that the scoring then reads in its own order. A square moves the
// unit itself onto it, and its scoring draws numbers (the reference armour
// of a value), so the squares themselves are scored one after the other.
class SquareLines : public LOSMemoScope {
public:
    SquareLines(Unit* u, GList* enemies, bool leader) {
        Map* map = BattleMap();
        if (!map || SimulationThreads() <= 1) return;
        const float eyeZ = u->GetZ() + u->LOSBoost();
        auto ask = [&](float x, float y) {
            LOSRequest q;
            q.x1 = u->mX;
            q.y1 = u->mY;
            q.z1 = eyeZ;
            q.x2 = x;
            q.y2 = y;
            q.z2 = map->GetZWithBuilding(x, y);
            mRequests.push_back(q);
        };
        for (int32_t i = 0; enemies && i < enemies->GetCount(); ++i) {
            auto* e = static_cast<Unit*>(enemies->GetObjectA(i));
            ask(e->mX, e->mY);
        }
        if (leader)
            for (int32_t i = UnitCount() - 1; i >= 0; --i) {
                Unit* o = UnitAt(i);
                if (o->mActive && aimove::IsInfantry(o) && o->mSide == u->mSide) ask(o->mX, o->mY);
            }
        Install(map, kThreadedLines);
    }
};

int32_t HighestFirst(GObject* a, GObject* b, void*) {
    const float sa = static_cast<Unit*>(a)->mAISortScore;
    const float sb = static_cast<Unit*>(b)->mAISortScore;
    if (sa > sb) return -1;
    if (sa < sb) return 1;
    return 0;
}

// The command factor of a square: platoon members keep near their leader,
// leaders near their men.
float CommandFactor(Unit* u) {
    if (aimove::PlatoonMember(u) && u->mPlatoonHQ) {
        const float d = aimove::Distance3D(u, u->mPlatoonHQ);
        return d > 50.0f ? 1.137f * std::exp(-0.003068f * d) : 1.0f;
    }
    if (!u->IsLeader(nullptr)) return 1.0f;
    const float range = LeaderRange(u->mLeaderSkills & 3, u->BaseExperience());
    int32_t total = 0, count = 0;
    for (int32_t i = UnitCount() - 1; i >= 0; --i) {
        Unit* o = UnitAt(i);
        if (!o->mActive || !aimove::IsInfantry(o) || o->mSide != u->mSide) continue;
        const int32_t w = o->mPlatoonHQ == u ? 10000 : 1;
        total += w;
        const float reach = range * (u->CanSeeLocation(o->mX, o->mY) ? 1.0f : 0.5f);
        if (aimove::Distance3D(o, u) < reach) count += w;
    }
    if (total >= 10000) return 2.0f * static_cast<float>(count) / static_cast<float>(total) + 0.333f;
    if (count > 1) return 1.6f;
    return count == 1 ? 1.1f : 0.6f;
}

} // namespace

float Unit::AIRateCombatMove(AIBasicFuzzies* record) {
    if (GetSpeedClass() <= 1 || mAimTime == 99.0f) return 0.0f;

    sBestPotentialHarm = 0.0f;
    if (!mTarget || AIGetGeneralAbilityToHarmAsNumber(mTarget, ChooseAmmo(mTarget, false), true, false, false,
                                                      kKnowTruth, 1, false) < 0.25f) {
        for (int32_t i = 0; i < UnitCount(); ++i) {
            Unit* u = UnitAt(i);
            if (!u->mActive || u == mTarget || u->mUnitType == kUnitInanimate || !u->IsSpottedNow() ||
                u->IsPassenger(true))
                continue;
            if (!CanPotentiallyTarget(u) || !InRange(aimove::Distance3D(this, u), false, 0.5f) ||
                CanSee(u, nullptr))
                continue;
            const float h =
                AIGetAbilityToHarmAsNumber(u, ChooseAmmo(u, false), true, false, false, 1, kKnowTruth, false);
            if (h > sBestPotentialHarm) sBestPotentialHarm = h;
        }
    }
    GFuzzySet potential;
    AIFuzzify(&potential, sBestPotentialHarm, kPotentialHarmTerms, 4);

    GFuzzySet danger, opportunity, freedom, need, readiness, result;
    record->mThreat.CombineThroughFAM(kAIThreatCoverRule, 4, &record->mCover, &danger);
    potential.CombineThroughFAM(kAICombineRule, 7, &danger, &opportunity);
    record->mSuppression.CombineThroughFAM(kAISuppressionCoverRule, 4, &record->mCover, &freedom);
    record->mObjectiveDistance.CombineThroughFAM(kAIObjectiveHarmRule, 4, &record->mHarm, &need);
    freedom.CombineThroughFAM(kAICombineRule, 7, &need, &readiness);
    readiness.CombineThroughFAM(kAICombineRule, 7, &opportunity, &result);
    float r = result.Resolve();

    const bool infantry = aimove::IsInfantry(this);
    if (mUnitType == kUnitVehicle) {
        if (!mTarget) r += 0.5f;
        if (!gAIDefending) r += 1.0f;
        if (HasOrdnance(false, true)) r += aimove::HasTurret(aimove::AsVehicle(this)) ? 1.0f : 0.5f;
    } else if (infantry && aimove::PlatoonMember(this)) {
        r -= gAIDefending ? 0.6f : 1.5f;
    } else if (infantry && IsLeader(nullptr)) {
        r -= gAIDefending ? 0.6f : 0.3f;
    } else if (aimove::IsGunCrew(this)) {
        if (mAreaTarget && CanSeeLocation(mAreaTargetX, mAreaTargetY))
            r = InCover(true) ? -9999.0f : r * 0.5f;
        else
            r = r * 0.75f;
    } else if (IsSupportWeapon(true) && InCover(true)) {
        float k = gAIDefending ? (GetSpeedClass() > 2 ? 0.6f : 1.2f) : 0.2f;
        if (mTarget) k += 0.5f;
        r -= k;
    }

    if (gBattle && gAIDefending &&
        static_cast<float>(gBattle->mTurn) < 0.75f * static_cast<float>(gBattle->mLastTurn) &&
        gBattle->mLastTurn != 0)
        r = r * (static_cast<float>(gBattle->mTurn) / static_cast<float>(gBattle->mLastTurn) + 0.25f);
    if (gAIDefending && infantry && !InCover(true)) r += 1.0f;
    // The ranging level on the target, as far as the move weighs it: 3 at most.
    if (mTarget) r -= 0.5f * static_cast<float>(std::min<int16_t>(mAcquisition, 3));
    return r;
}

float Unit::AIScoreTileForCombatMove(int32_t column, int32_t row, GList* enemies, float, float* xOut,
                                     float* yOut, Unit** enemyOut) {
    Map* map = BattleMap();
    const float realX = mX, realY = mY;
    float px[3], py[3]; // P1, P2, P3
    if (column == -999) {
        px[0] = px[1] = px[2] = mX;
        py[0] = py[1] = py[2] = mY;
    } else {
        const float cx = (static_cast<float>(column) + 0.5f) * 20.0f;
        const float cy = (static_cast<float>(row) + 0.5f) * 20.0f;
        if (!map || cx < 0.0f || cy < 0.0f || cx >= map->mWidthMetres || cy >= map->mHeightMetres)
            return -1.0f;
        px[1] = cx + 6.0f * AIUniform() - 3.0f;
        py[1] = cy + 6.0f * AIUniform() - 3.0f;
        px[2] = cx + 18.0f * AIUniform() - 9.0f;
        py[2] = cy + 18.0f * AIUniform() - 9.0f;
        px[0] = cx + 18.0f * AIUniform() - 9.0f;
        py[0] = cy + 18.0f * AIUniform() - 9.0f;
    }

    const bool vehicle = mUnitType == kUnitVehicle;
    float value[3];
    for (int32_t i = 0; i < 3; ++i) {
        mX = px[i];
        mY = py[i];
        const bool feasible = CanOccupyLocation(mX, mY, true) && AllowedToTarget();
        value[i] = !feasible ? 2.0f : vehicle ? 0.6f : GetGenericTEM(mX, mY, false, true);
    }
    int32_t chosen = 0;
    if (value[1] < value[chosen]) chosen = 1;
    if (value[2] < value[chosen]) chosen = 2;
    mX = px[chosen];
    mY = py[chosen];
    float t = value[chosen];
    if (t > 1.0f) {
        mX = realX;
        mY = realY;
        return -1.0f;
    }
    if (!vehicle && t < 0.05f) t = 0.05f;
    const bool exposed = !vehicle && t > 0.62f;
    const bool infantry = aimove::IsInfantry(this);
    // The leaders whose command factor looks at their men.
    const bool leader = !vehicle && !(aimove::PlatoonMember(this) && mPlatoonHQ) && IsLeader(nullptr);
    SquareLines lines(this, enemies, leader);
    const float c = vehicle ? 1.0f : CommandFactor(this);

    sAllowedToTarget = AllowedToTarget();
    sArmoured = IsArmoredVehicle(kKnowTruth, false);
    sHasMG = sArmoured && aimove::HasFunctioningMG(aimove::AsVehicle(this), true);
    const float exposure = 1.0f - 0.5f * t;
    float approach = 1.0f, highest = 0.0f, bestValue = 0.0f;
    Unit* bestEnemy = nullptr;
    const bool closing = (infantry && !aimove::PlatoonMember(this)) || sArmoured;
    for (int32_t i = 0; enemies && i < enemies->GetCount(); ++i) {
        auto* e = static_cast<Unit*>(enemies->GetObjectA(i));
        const float d = aimove::Distance3D(this, e);
        float v = 0.0f;
        const bool enemyInfantry = aimove::IsInfantry(e);
        if (CanSeeLocation(e->mX, e->mY)) {
            if (sAllowedToTarget)
                v = AIGetGeneralAbilityToHarmAsNumber(e, ChooseAmmo(e, false), false, true, false, kKnowTruth,
                                                      1, false) *
                    e->GetVPValue(false, 1);
            v = v * exposure;
            if (sArmoured) {
                float h = e->AIGetAbilityToHarmAsNumber(this, e->ChooseAmmo(this, false), true, true, false,
                                                        kKnowTruth, 1, false);
                if (d < 100.0f && h < 0.5f && enemyInfantry) {
                    if (!sHasMG)
                        h = 0.5f;
                    else if (d < 50.0f && h < 0.25f)
                        h = 0.25f;
                }
                if (h > highest) highest = h;
            }
        }
        if (closing) {
            if (enemyInfantry) {
                WeaponType type = kWeaponNone;
                WeaponClass wclass = 0;
                const MGPenetration pen = e->GetWeaponInfo(&type, &wclass, 1);
                const bool memberEnemy = aimove::PlatoonMember(e);
                const bool considered = memberEnemy || sArmoured || (pen != 0);
                const float radius = !sArmoured ? 150.0f : (wclass == 1 || memberEnemy ? 120.0f : 60.0f);
                if (considered && d <= radius) {
                    const float d0 = e->DistanceToLocation(realX, realY) - 15.0f;
                    if (d < d0) {
                        const float ratio = d / (radius < d0 ? radius : d0);
                        const float q = ratio * ratio * ratio;
                        if (q < approach) approach = q;
                    }
                }
            }
        } else if (enemyInfantry && d <= 15.0f && e->mSuppression >= 100.0f) {
            v += e->GetVPValue(true, 1);
        }
        if (v > bestValue) {
            bestValue = v;
            bestEnemy = e;
        }
    }

    if (bestEnemy && infantry) {
        const float d = aimove::Distance3D(this, bestEnemy);
        if (d < 100.0f) t = t * t;
        if (d < 250.0f) t = std::pow(t, 2.667f - 0.006667f * d);
    }
    float s = 2.0f * (1.0f - t);
    if (aimove::IsGunCrew(this)) {
        if (mAreaTarget && CanSeeLocation(mAreaTargetX, mAreaTargetY)) s = s * (exposed ? 2.0f : 4.0f);
    } else if (bestEnemy) {
        s = s + bestValue;
        if (enemyOut) *enemyOut = bestEnemy;
    }
    s = s * (1.0f - 0.5f * highest) * approach * c;
    if (exposed) s = s * 0.4f;
    if (xOut) *xOut = mX;
    if (yOut) *yOut = mY;
    mX = realX;
    mY = realY;
    return s;
}

bool Unit::AIDoCombatMove(bool wide, bool mustMove) {
    GList quadrant[4];
    for (GList& q : quadrant)
        q.PreserveObjects();
    GList candidates;
    candidates.PreserveObjects();
    for (int32_t i = 0; i < UnitCount(); ++i) {
        Unit* u = UnitAt(i);
        if (!u->mActive || u->mSide == mSide || u->mUnitType == kUnitInanimate || !u->IsSpottedNow() ||
            u->IsPassenger(true))
            continue;
        if (!CanPotentiallyTarget(u) || !InRange(aimove::Distance3D(this, u), false, 1.2f)) continue;
        const float dx = u->mX - mX, dy = u->mY - mY;
        const int32_t q = dy > 0.0f ? (dx > 0.0f ? 0 : 1) : (dx <= 0.0f ? 2 : 3);
        quadrant[q].Add(u);
    }
    const bool armoured = IsArmoredVehicle(kKnowTruth, false);
    for (int32_t q = 3; q >= 0; --q) {
        GList& list = quadrant[q];
        for (int32_t i = 0; i < list.GetCount(); ++i) {
            auto* u = static_cast<Unit*>(list.GetObjectA(i));
            u->mAISortScore =
                AIGetAbilityToHarmAsNumber(u, ChooseAmmo(u, false), true, true, false, kKnowTruth, 1, false) *
                u->GetVPValue(false, 1);
        }
        list.QuickSort(HighestFirst, nullptr);
        const int32_t n = list.GetCount() < 3 ? list.GetCount() : 3;
        for (int32_t i = n - 1; i >= 0; --i)
            candidates.Add(list.GetObjectA(i));
        if (!armoured) continue;
        for (int32_t i = 0; i < list.GetCount(); ++i) {
            auto* u = static_cast<Unit*>(list.GetObjectA(i));
            u->mAISortScore = u->AIGetAbilityToHarmAsNumber(this, u->ChooseAmmo(this, false), true, true,
                                                            false, kKnowTruth, 1, false) +
                              (u->HasAntiArmorWeapon(false) ? 0.2f : 0.0f);
        }
        list.QuickSort(HighestFirst, nullptr);
        const int32_t m = list.GetCount() < 2 ? list.GetCount() : 2;
        for (int32_t i = 0; i < m; ++i)
            if (!candidates.IsMember(list.GetObjectA(i))) candidates.Add(list.GetObjectA(i));
    }

    const int32_t col0 = static_cast<int32_t>(mX * 0.05f);
    const int32_t row0 = static_cast<int32_t>(mY * 0.05f);
    float best = -9.0e20f;
    Unit* bestEnemy = nullptr;
    float bestX = mX, bestY = mY;
    bool ownSquare = true;
    if (!mustMove)
        best = 1.4f * AIScoreTileForCombatMove(-999, -999, &candidates, -1.0f, nullptr, nullptr, &bestEnemy);

    auto scan = [&](int32_t reach, int32_t skip) {
        for (int32_t di = -reach; di <= reach; ++di)
            for (int32_t dj = -reach; dj <= reach; ++dj) {
                const int32_t ring = std::abs(di) > std::abs(dj) ? std::abs(di) : std::abs(dj);
                if (ring <= skip) continue;
                float x = 0.0f, y = 0.0f;
                Unit* enemy = nullptr;
                float s = AIScoreTileForCombatMove(col0 + di, row0 + dj, &candidates, best, &x, &y, &enemy);
                s = s * (0.9f + 0.2f * AIUniform());
                if (skip > 0) s = s * kRingFactor[ring];
                if (s > best) {
                    best = s;
                    bestX = x;
                    bestY = y;
                    bestEnemy = enemy;
                    ownSquare = false;
                }
            }
    };
    scan(2, 0);
    if (wide) {
        const bool vehicle = mUnitType == kUnitVehicle;
        if (vehicle || mustMove || !(best > 0.0f) || ownSquare) {
            scan(4, 2);
            if (vehicle && (best <= 0.0f || ownSquare)) scan(8, 4);
        }
    }

    if (best <= 0.0f) return false;
    if (bestEnemy && bestEnemy != mTarget) ReceiveTargetOrders(bestEnemy, 0.0f, 0.0f, false, 2);
    if (ownSquare) return false;
    AIMakePathTo(bestX, bestY, true, false, nullptr);
    return true;
}

void Vehicle::AIDumpPassengers() {
    if (!mPassengers[0] && !mPassengers[1]) return;
    for (Unit* p : mPassengers)
        if (p) p->AIDoCombatMove(true, true);
    mPauseCounter = 1;
}

bool Vehicle::AIDoCombatMove(bool wide, bool mustMove) {
    const bool moved = Unit::AIDoCombatMove(wide, mustMove);
    if (mPassengers[0] || mPassengers[1]) AIDumpPassengers();
    return moved;
}
