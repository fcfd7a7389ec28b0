#include "battle/UnitList.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GParallel.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {
constexpr float kBurningBoxMargin = 20.0f;
constexpr float kBurningLineReach = 25.0f;
constexpr float kCollisionReach = 3.0f;
constexpr int32_t kBlocksOutright = 3;
// More units than unit identifiers can address cannot be a genuine list.
constexpr int32_t kMaxUnitsInList = 9999;
} // namespace

int32_t UnitList::IndexOf(const Unit* unit) const {
    if (!unit) return -1;
    for (int32_t i = 0; i < GetCount(); ++i)
        if (mMembers[static_cast<size_t>(i)] == unit) return i;
    return -1;
}

const std::vector<Unit*>& UnitList::Vehicles() const {
    if (KeptListsCurrent()) return mVehicles;
    mVehicles.clear();
    mEveryBurningFlagKept = true;
    mBurningKnown = false;
    mInanimates.clear();
    for (int32_t i = 0; i < GetCount(); ++i) {
        Unit* u = GetUnit(i);
        if (u && u->mUnitType == kUnitInanimate) mInanimates.push_back(u);
        if (u && u->mUnitType == kUnitVehicle) {
            mVehicles.push_back(u);
            if (!dynamic_cast<Vehicle*>(u)) mEveryBurningFlagKept = false;
        }
    }
    mVehiclesAt = GetChangeCount();
    mVehiclesKnown = true;
    return mVehicles;
}

const std::vector<Unit*>* UnitList::BurningVehicles() const {
    const std::vector<Unit*>& vehicles = Vehicles();
    if (!mEveryBurningFlagKept) return nullptr;
    // Read before the flags: a change made meanwhile (by another battle's
    // thread) leaves the list marked out of date.
    const uint64_t changes = BurningFlag::Changes();
    if (mBurningKnown && mBurningAt == changes) return &mBurningVehicles;
    if (InsideParallelWork()) return nullptr;
    mBurningVehicles.clear();
    for (Unit* u : vehicles)
        if (static_cast<Vehicle*>(u)->mBurning) mBurningVehicles.push_back(u);
    mBurningAt = changes;
    mBurningKnown = true;
    return &mBurningVehicles;
}

const std::vector<Unit*>* UnitList::UnitsNotOfSide(Affiliation side) const {
    if (side != 0 && side != 1) return nullptr;
    const uint64_t changes = UnitSide::Changes();
    if (!mSidesKnown || mSidesAt != GetChangeCount() || mSideChangesAt != changes) {
        if (InsideParallelWork()) return nullptr;
        for (int32_t s = 0; s < 2; ++s) {
            mNotOfSide[s].clear();
            mNotOfSideIndex[s].clear();
        }
        for (int32_t i = 0; i < GetCount(); ++i) {
            Unit* u = GetUnit(i);
            if (!u) continue;
            // From now on a change of its side is counted.
            u->mSide.Watch();
            for (int32_t s = 0; s < 2; ++s) {
                if (u->mSide == s) continue;
                mNotOfSide[s].push_back(u);
                mNotOfSideIndex[s].push_back(i);
            }
        }
        mSidesAt = GetChangeCount();
        mSideChangesAt = changes;
        mSidesKnown = true;
    }
    return &mNotOfSide[side];
}

UnitList::BurningBox UnitList::BurningLineBox(float x1, float y1, float x2, float y2) {
    return {std::min(x1, x2) - kBurningBoxMargin, std::max(x1, x2) + kBurningBoxMargin,
            std::min(y1, y2) - kBurningBoxMargin, std::max(y1, y2) + kBurningBoxMargin};
}

bool UnitList::NearBurningLine(const Unit* u, float x1, float y1, float x2, float y2) {
    const float ux = u->mX;
    const float uy = u->mY;
    const float dx = x1 - x2;
    float d;
    if (dx != 0.0f) {
        const float m = (y1 - y2) / dx;
        d = (m * ux - uy + (y2 - m * x2)) / std::sqrt(m * m + 1.0f);
    } else {
        d = x2 - ux;
    }
    return std::fabs(d) <= kBurningLineReach;
}

void UnitList::MakeBurningVehicleList(GList* out, float x1, float y1, float x2, float y2) const {
    if (!out) return;
    ForEachBurningVehicleNear(x1, y1, x2, y2, [out](Unit* u) { out->Add(u); });
}

bool UnitList::LivingUnitIsNearby(float x, float y, Affiliation side, float range, Unit* exclude) const {
    for (int32_t i = 0; i < GetCount(); ++i) {
        Unit* u = GetUnit(i);
        if (!u->mActive || u == exclude) continue;
        if (side != 2 && u->GetAffiliation() != side) continue;
        // A unit a metre beyond the range along x or y is out of it in any
        // height: the exact distance is only taken near the point.
        if (std::fabs(u->mX - x) > range + 1.0f || std::fabs(u->mY - y) > range + 1.0f) continue;
        if (u->DistanceToLocation(x, y) < range) return true;
    }
    return false;
}

Unit* UnitList::VehicleCollision(int32_t* best, Unit* mover) const {
    if (!best || !mover) return nullptr;
    Unit* result = nullptr;
    // The cheap tests first: the place rules out nearly every unit.
    const bool stationaryOnly = mover->IgnoresMovingObstacles();
    const float mx = mover->mX, my = mover->mY;
    for (Unit* v : Vehicles()) {
        if (std::fabs(v->mX - mx) > kCollisionReach || std::fabs(v->mY - my) > kCollisionReach) continue;
        if (v == mover) continue;
        if (v->mSide != mover->mSide && !v->IsSpottedNow()) continue;
        if (stationaryOnly && v->HasMovementOrders()) continue;
        int32_t t = v->IsObstacleTo(mover);
        if (t > *best) {
            *best = t;
            result = v;
            if (t == kBlocksOutright) break;
        }
    }
    return result;
}

Unit* UnitList::FindUniqueID(uint32_t id) const {
    if (id == 0) return nullptr;
    for (int32_t i = 0; i < GetCount(); ++i) {
        Unit* u = GetUnit(i);
        if (static_cast<uint32_t>(u->mLinkID) == id) return u;
    }
    return nullptr;
}

void UnitList::WriteUnits(GFile* file) {
    file->WriteChar(IsPreserving() ? 0 : 1);
    file->WriteLong(GetCount());
    for (int32_t i = 0; i < GetCount(); ++i)
        GetUnit(i)->Write(file);
}

bool UnitList::ReadUnits(GFile* file) {
    file->ReadChar();
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > kMaxUnitsInList) return false;
    std::vector<Unit*> read;
    for (int32_t i = 0; i < count; ++i) {
        Unit* u = ReadUnit(file);
        if (!u) break;
        read.push_back(u);
    }
    if (static_cast<int32_t>(read.size()) != count || file->HasFailed()) {
        for (Unit* u : read)
            delete u;
        return false;
    }
    for (Unit* u : read)
        Add(u);
    return true;
}
