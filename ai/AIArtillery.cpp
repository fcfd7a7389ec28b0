// Artillery planning: a grid of candidate points valued by what stands near
// them, and for each battery the number of rounds a target must be worth,
// the points it can see or already aims at, and its choice.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "map/Map.h"
#include "map/Square.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kCountReach = 200.0f;
constexpr float kLateralStretch = 2.5f;
constexpr float kOwnUnitWeight = -50.0f;
constexpr float kFlagShift = 125.0f;
constexpr int32_t kSeenCandidates = 20;
constexpr float kKeepAim = 20.0f;
constexpr float kNoAim = 99999.0f;
constexpr AmmoClass kSmokeClass = 5;

// Round half away from the count: the rule's own rounding of a sum.
int32_t AddRounded(int32_t count, float add) {
    return static_cast<int32_t>(static_cast<float>(count) + add + (add >= 0.0f ? 0.4f : -0.4f));
}

bool LateralIsY(Direction edge) {
    return edge == 0 || edge == 2;
}

float StretchedDistance(float dx, float dy, bool lateralY) {
    if (lateralY)
        dy = dy * kLateralStretch;
    else
        dx = dx * kLateralStretch;
    return std::sqrt(dx * dx + dy * dy);
}

// Whether (ax, ay) lies beyond (x, y) as seen from the edge.
bool Beyond(Direction edge, float x, float y, float ax, float ay) {
    switch (edge) {
    case 0:
        return ax > x;
    case 2:
        return ax < x;
    case 1:
        return ay < y;
    default:
        return ay > y;
    }
}

bool InEnemyZone(Map* map, int32_t column, int32_t row, Affiliation side) {
    const Square* sq = map->GetSquare(column, row);
    if (!sq || column < 0 || row < 0 || column >= map->mWidth || row >= map->mHeight) return false;
    const int32_t zone = sq->mSetupZone;
    // Zones 1-3 are the Allies', 4-6 the Axis'.
    return side == kAxis ? zone >= 1 && zone <= 3 : zone >= 4 && zone <= 6;
}

WeaponType GunOf(const Unit* u) {
    if (!aimove::ValidInfantryRow(u)) return kWeaponNone;
    return gInfantryData[u->mSubtype].mHeavyWeapon;
}

struct ArtyTarget {
    float mX = 0.0f;
    float mY = 0.0f;
    float mValue = 0.0f;
    float mScore = 0.0f;
    bool mArea = false;
    bool mVisibilityKnown = false;
    bool mSeen = false;
};

void SortByScore(std::vector<ArtyTarget*>& order) {
    std::stable_sort(order.begin(), order.end(),
                     [](const ArtyTarget* a, const ArtyTarget* b) { return a->mScore > b->mScore; });
}

bool Seen(Unit* battery, ArtyTarget* t) {
    if (!t->mVisibilityKnown) {
        t->mSeen = battery->CanSeeLocation(t->mX, t->mY);
        t->mVisibilityKnown = true;
    }
    return t->mSeen;
}

// The rounds a target must be worth to this battery now.
int32_t RoundsNeeded(Battle* b, Unit* battery, int32_t batteries) {
    const float fp = 60.0f * battery->AdjustFPByExperience(1.0f, false);
    const float tot = TimeOnTarget(battery->GetNation(), GunOf(battery), true);
    // A battery whose experience leaves it no fire power counts no delay.
    const float d = fp != 0.0f ? tot / fp : 0.0f;
    const bool supplied = aimove::ValidInfantryRow(battery) && gInfantryData[battery->mSubtype].mSupply > 0;
    return AIArtilleryRounds(b->mTurn, b->mLastTurn, d, batteries, battery->mCasualties > 0, supplied,
                             battery->mAmmo[0]);
}

void AimOf(Unit* u, bool* targeting, float* x, float* y) {
    *targeting = u->mTarget != nullptr || u->mAreaTarget;
    *x = kNoAim;
    *y = kNoAim;
    if (!*targeting) return;
    if (u->mTarget) {
        *x = u->mTarget->mX;
        *y = u->mTarget->mY;
    } else {
        *x = u->mAreaTargetX;
        *y = u->mAreaTargetY;
    }
    if (u->mAimAdjust) {
        *x += u->mAimAdjustX;
        *y += u->mAimAdjustY;
    }
}

void PlanBattery(Unit* battery, int32_t n, std::vector<ArtyTarget*>& order) {
    bool targeting = false;
    float aimX = 0.0f;
    float aimY = 0.0f;
    AimOf(battery, &targeting, &aimX, &aimY);
    for (ArtyTarget* t : order) {
        t->mScore = t->mValue * (0.9f + 0.2f * AIUniform());
        const float dx = std::fabs(t->mX - aimX);
        const float dy = std::fabs(t->mY - aimY);
        if (dx < 100.0f && dy < 100.0f) {
            if (dx < 5.0f && dy < 5.0f)
                t->mScore = t->mScore * 1.8f;
            else if (std::sqrt(dx * dx + dy * dy) < 100.0f)
                t->mScore = t->mScore * 1.4f;
        }
        t->mVisibilityKnown = false;
    }
    SortByScore(order);
    const size_t looked = std::min<size_t>(kSeenCandidates, order.size());
    for (size_t i = 0; i < looked; ++i)
        if (Seen(battery, order[i])) order[i]->mScore = order[i]->mScore * 3.0f;
    SortByScore(order);
    for (ArtyTarget* t : order) {
        const float worth = Seen(battery, t) ? t->mScore : t->mScore * 0.33333f;
        const auto v = static_cast<int32_t>(worth);
        if (v < n) {
            if (static_cast<float>(n) > t->mScore) {
                battery->CancelTarget(true, false);
                return;
            }
            continue;
        }
        if (targeting && std::fabs(aimX - t->mX) < kKeepAim && std::fabs(aimY - t->mY) < kKeepAim) return;
        bool smoke = false;
        if (t->mArea) {
            int32_t counts[8] = {};
            AmmoAvailable(GunOf(battery), battery->IsAxis(), battery->GetAmmoProfile(), counts);
            smoke = counts[kSmokeClass] > 0;
        }
        battery->ReceiveTargetOrders(nullptr, t->mX, t->mY, smoke, 2);
        return;
    }
}

} // namespace

int32_t AIArtilleryRounds(int32_t turn, int32_t lastTurn, float delay, int32_t batteries, bool losses,
                          bool supplied, int32_t ammo) {
    const int32_t r = std::max(30, 60 - 5 * batteries);
    const auto t = static_cast<float>(turn);
    const auto last = static_cast<float>(lastTurn);
    const float f = last != 0.0f ? (last - (t + delay - 2.0f) * 1.3f) / last : 0.0f;
    int32_t n = f <= 0.0f ? 0 : static_cast<int32_t>(static_cast<float>(r) * (f * f));
    if (f > 0.0f && supplied) {
        const auto half = static_cast<int32_t>(static_cast<float>(n) * 0.5f);
        const auto topped =
            static_cast<int32_t>(static_cast<float>(n) + static_cast<float>(40 - ammo) * 0.5f);
        n = std::max(half, topped);
    }
    if (turn == 1) {
        const auto k = static_cast<float>(1.21916 * std::exp(-0.0918793 * static_cast<double>(delay)));
        if (k < 1.0f) n = static_cast<int32_t>(static_cast<float>(n) * k);
    }
    if (t + delay >= static_cast<float>(lastTurn - 4))
        n = std::min(n, 1);
    else if (losses || t + delay >= static_cast<float>(lastTurn / 2))
        n = std::min(n, 5);
    else if (t + delay >= static_cast<float>(lastTurn / 3))
        n = std::min(n, 10);
    return std::max(n, 1);
}

namespace {

// What a unit adds to the counts of a point, apart from its distance:
// worked out once per planning step, since it does not depend on the point.
struct CountedUnit {
    float mX = 0.0f; // the apparent place
    float mY = 0.0f;
    bool mOwn = false;   // a unit of the viewing side
    float mPoint = 0.0f; // its worth at the point
    float mArea = 0.0f;  // its worth beyond the point
};

std::vector<CountedUnit> CountedUnits(Battle* b) {
    std::vector<CountedUnit> out;
    const Affiliation viewing = b->Host()->ViewingSide();
    for (int32_t i = 0; b->mUnits && i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (!u->mActive || u->mContactLevel < 1 || u->mSurrendered) continue;
        Vehicle* v = aimove::AsVehicle(u);
        if (u->mUnitType == kUnitInfantry) {
            if (u->IsPassenger(false)) continue;
        } else if (!v || aimove::IsFixed(v)) {
            continue;
        }
        CountedUnit c;
        float az = 0.0f;
        u->GetApparentLocation(&c.mX, &c.mY, &az);
        c.mOwn = u->GetAffiliation() == viewing;
        if (!c.mOwn) {
            float a;
            if (u->mUnitType == kUnitInfantry) {
                if (u->HasOrdnance(false, false)) {
                    a = u->GetVPValue(false, kKnowTruth);
                } else {
                    const int32_t start = u->GetOriginalNrMen();
                    // A unit without men at the start counts nothing.
                    a = start > 0
                            ? 8.0f * (static_cast<float>(start - u->mCasualties) / static_cast<float>(start))
                            : 0.0f;
                }
                a = a * (3.0303030303030303f * u->GetGenericTEM(u->mX, u->mY, true, true));
            } else {
                a = u->CanMovePhysically() ? 20.0f : 1.0f;
            }
            if (!u->IsSpottedNow()) a = a * 0.5f;
            c.mPoint = a;
            float area = u->GetVPValue(false, kKnowTruth);
            if (!u->HasOrdnance(true, true))
                area = area * 0.33f;
            else if (!u->HasOrdnance(false, false))
                area = area * 0.6f;
            if (u->GetSpeedClass() <= 1) area = area * 2.0f;
            if (v && aimove::IsFixed(v)) area = area * 2.0f;
            if (u->mFloorMarker != 0.0f || (u->mZ > 0.0f && u->mZ < 1.0f)) area = area * 0.33f;
            if (!u->mTarget) area = area * 0.33f;
            c.mArea = area;
        }
        out.push_back(c);
    }
    return out;
}

} // namespace

namespace {

// The counts of a point over the units worked out before.
int16_t CountNear(Battle* b, float x, float y, Affiliation side, int16_t* area,
                  const std::vector<CountedUnit>& units) {
    const Direction edge = b->HomeMapEdge(side);
    const bool lateralY = LateralIsY(edge);
    int32_t point = 0;
    int32_t areaCount = 0;
    for (const CountedUnit& c : units) {
        const float d = StretchedDistance(x - c.mX, y - c.mY, lateralY);
        if (d >= kCountReach) continue;
        const float w = d <= 10.0f ? 1.0f : 1.05263f - d * 0.005263157894736842f;
        const float weight = w * w * w * w * w;
        if (c.mOwn) {
            point = AddRounded(point, kOwnUnitWeight * weight);
            continue;
        }
        const float beyond = Beyond(edge, x, y, c.mX, c.mY) ? c.mArea : 0.0f;
        point = AddRounded(point, c.mPoint * weight);
        areaCount = static_cast<int32_t>(static_cast<float>(areaCount) + weight * beyond + 0.4f);
    }

    if (b->mTurn == 1 && b->mMap) {
        const auto column = static_cast<int32_t>(x * 0.05f);
        const auto row = static_cast<int32_t>(y * 0.05f);
        if (InEnemyZone(b->mMap, column, row, side) && InEnemyZone(b->mMap, column - 2, row, side) &&
            InEnemyZone(b->mMap, column + 2, row, side) && InEnemyZone(b->mMap, column, row - 2, side) &&
            InEnemyZone(b->mMap, column, row + 2, side)) {
            const Nation own = b->GetForceNation(side == kAxis);
            for (int32_t k = 0; k < b->mFlags.GetCount(); ++k) {
                auto* flag = static_cast<VictoryFlag*>(b->mFlags.GetObjectA(k));
                if (flag->mKind != 0 && flag->mKind != 1) continue;
                if (!flag->mNeutral && flag->mHolderNation == own) continue;
                float fx = flag->mX;
                float fy = flag->mY;
                switch (edge) {
                case 0:
                    fx -= kFlagShift;
                    break;
                case 2:
                    fx += kFlagShift;
                    break;
                case 1:
                    fy += kFlagShift;
                    break;
                default:
                    fy -= kFlagShift;
                    break;
                }
                const float d = StretchedDistance(x - fx, y - fy, lateralY);
                if (d >= kCountReach) continue;
                float v = flag->mKind == 0 ? 15.0f : 45.0f;
                if (d > 100.0f) v = v * (2.0f - 0.01f * d);
                point = static_cast<int32_t>(static_cast<float>(point) + v + 0.4f);
            }
        }
    }

    if (b->mVisibilityDistance > 100.0f) {
        areaCount = static_cast<int32_t>(static_cast<float>(areaCount) * 0.5f);
        if (b->mVisibilityDistance < 500.0f)
            areaCount = static_cast<int32_t>(static_cast<float>(areaCount) *
                                             (b->mVisibilityDistance - 100.0f) * 0.0025f);
    } else {
        areaCount = 0;
    }
    if (area) *area = static_cast<int16_t>(std::clamp(areaCount, -32768, 32767));
    return static_cast<int16_t>(std::clamp(point, -32768, 32767));
}

} // namespace

int16_t Battle::AICountArtyTargetsNear(float x, float y, Affiliation side, int16_t* area) {
    return CountNear(this, x, y, side, area, CountedUnits(this));
}

void Battle::AITargetArtillery() {
    if (!mUnits || !mMap) return;
    std::vector<Unit*> batteries;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->mActive || u->GetAffiliation() != gAISide || !aimove::IsGunCrew(u)) continue;
        if (!u->mTargetFree || !u->InGoodOrder() || u->IsPassenger(false) || u->mAmmo[0] == 0) continue;
        batteries.push_back(u);
    }
    if (batteries.empty()) return;

    const int32_t nx = (mMap->mWidth + 1) / 2;
    const int32_t ny = (mMap->mHeight + 1) / 2;
    std::vector<ArtyTarget> candidates(static_cast<size_t>(std::max(0, nx * ny)));
    std::vector<ArtyTarget*> order;
    order.reserve(candidates.size());
    const std::vector<CountedUnit> counted = CountedUnits(this);
    for (int32_t i = nx - 1; i >= 0; --i) {
        for (int32_t j = ny - 1; j >= 0; --j) {
            ArtyTarget& t = candidates[static_cast<size_t>(i * ny + j)];
            t.mX = static_cast<float>((2 * i + 1) * 20) + 5.0f * AIUniform() - 2.5f;
            t.mY = static_cast<float>((2 * j + 1) * 20) + 5.0f * AIUniform() - 2.5f;
            int16_t b = 0;
            const int16_t a = CountNear(this, t.mX, t.mY, gAISide, &b, counted);
            t.mValue = a;
            if (b > a) {
                t.mValue = b;
                t.mArea = true;
            }
            order.push_back(&t);
        }
    }
    if (order.empty()) return;
    const auto count = static_cast<int32_t>(batteries.size());
    for (size_t k = batteries.size(); k-- > 0;)
        PlanBattery(batteries[k], RoundsNeeded(this, batteries[k], count), order);
}
