#pragma once
// A list of units with the spatial questions that the unit, vehicle and map
// code ask many times per slice. Every query is one pass over the list (or
// over its vehicles) in storage order; where one unit is returned, the first
// match wins.

#include <cstdint>
#include <vector>

#include "engine/GGroup.h"
#include "units/Enums.h"
#include "units/Unit.h"

class GFile;

class UnitList : public GList {
public:
    UnitList() = default;
    ~UnitList() override = default;

    // Inline: every slice asks it of every unit many times.
    Unit* GetUnit(int32_t index) const { return static_cast<Unit*>(GetObjectA(index)); }
    int32_t IndexOf(const Unit* unit) const;

    // Appends to out every burning vehicle within 25 m of the line through
    // (x1, y1) and (x2, y2) that lies inside the segment's box widened by
    // 20 m on every side.
    void MakeBurningVehicleList(GList* out, float x1, float y1, float x2, float y2) const;
    // Calls visit(u) for every vehicle that MakeBurningVehicleList lists, in
    // its order, without making a list: every sight line with smoke asks it.
    template <typename Visit>
    void ForEachBurningVehicleNear(float x1, float y1, float x2, float y2, Visit&& visit) const;
    // Whether a living unit of `side` (2: either side), other than
    // `exclude`, is nearer than `range` to the ground point.
    bool LivingUnitIsNearby(float x, float y, Affiliation side, float range, Unit* exclude) const;
    // The vehicle that blocks `mover` most; *best is read and raised to the
    // obstacle kind found. Null when none raised it.
    Unit* VehicleCollision(int32_t* best, Unit* mover) const;
    // The first unit whose unique identity is id; null for 0 or none.
    Unit* FindUniqueID(uint32_t id) const;
    // Makes the kept lists (the vehicles, the burning ones, the units by
    // side) now, so that threads may then ask the queries together (they
    // only read them).
    void PrepareVehicles() const {
        Vehicles();
        BurningVehicles();
        UnitsNotOfSide(0);
    }
    // The list's inanimate units (mines, blocks, wires) in its order, kept
    // with the vehicles: the mine questions of every moving unit look at
    // these alone.
    const std::vector<Unit*>& Inanimates() const {
        Vehicles();
        return mInanimates;
    }
    // The units whose side is not `side` (0 or 1), in the list's order: the
    // enemies of a unit of that side. Made again whenever the list or the
    // side of a unit in it has changed since (UnitSide). Null for another
    // side, and when out of date inside parallel work, which must not make
    // them: then the caller passes over the whole list. A caller whose
    // questions may change the list or a side walks OtherSideUnits instead.
    const std::vector<Unit*>* UnitsNotOfSide(Affiliation side) const;
    // Calls visit(u), in the list's order, for every unit whose side is not
    // that of `of`, as a pass over the whole list that passes over the
    // others does, until visit gives true (then true). Should a visit
    // change the list or a side, the pass goes on over the list itself from
    // the next index, as such a pass would.
    template <typename Visit> bool AnyOtherSideUnit(const Unit* of, Visit&& visit) const;
    // Whether the kept vehicles and inanimates are those of the list as it
    // stands (then asking for them changes nothing).
    bool KeptListsCurrent() const { return mVehiclesKnown && mVehiclesAt == GetChangeCount(); }

    // The group's file form: an owns char, a 32-bit count and each unit as
    // a kind char and its record. Read appends the units read; it gives
    // false, with nothing appended, on a damaged or unknown record.
    void WriteUnits(GFile* file);
    bool ReadUnits(GFile* file);

private:
    // The list's vehicles in its order, made again whenever the list has
    // changed since: the sight lines and the collision checks ask about
    // vehicles alone, many times per slice. A unit's kind never changes.
    const std::vector<Unit*>& Vehicles() const;

    // The burning ones of Vehicles() in its order, made again whenever a
    // vehicle's burning flag has changed anywhere since (BurningFlag). Null
    // when the list cannot be kept: a vehicle of another class than Vehicle
    // (tests), or out of date inside parallel work, which must not make it;
    // then every vehicle is asked.
    const std::vector<Unit*>* BurningVehicles() const;

    // Whether a vehicle in the line's box lies near the line, as
    // MakeBurningVehicleList asks.
    // The line's box (the segment's, widened by 20 m) is tested in line,
    // with the box made once a line; the distance only of a vehicle in it.
    struct BurningBox {
        float left, right, bottom, top;
        bool Holds(const Unit* u) const {
            return !(u->mX < left || u->mX > right || u->mY < bottom || u->mY > top);
        }
    };
    static BurningBox BurningLineBox(float x1, float y1, float x2, float y2);
    static bool NearBurningLine(const Unit* u, float x1, float y1, float x2, float y2);

    mutable std::vector<Unit*> mVehicles;
    // Whether every vehicle of mVehicles is a Vehicle, whose flag changes
    // are counted.
    mutable bool mEveryBurningFlagKept = true;
    mutable std::vector<Unit*> mBurningVehicles;
    // BurningFlag::Changes() when mBurningVehicles was made; it is made
    // again too whenever mVehicles is.
    mutable uint64_t mBurningAt = 0;
    mutable bool mBurningKnown = false;
    mutable std::vector<Unit*> mInanimates;
    mutable uint32_t mVehiclesAt = 0;
    mutable bool mVehiclesKnown = false;
    // Per side: the units of UnitsNotOfSide and their indices in the list,
    // made when the list's change count was mSidesAt and
    // UnitSide::Changes() was mSideChangesAt.
    mutable std::vector<Unit*> mNotOfSide[2];
    mutable std::vector<int32_t> mNotOfSideIndex[2];
    mutable uint32_t mSidesAt = 0;
    mutable uint64_t mSideChangesAt = 0;
    mutable bool mSidesKnown = false;
};

template <typename Visit>
void UnitList::ForEachBurningVehicleNear(float x1, float y1, float x2, float y2, Visit&& visit) const {
    const std::vector<Unit*>& vehicles = Vehicles();
    // Few vehicles burn: the kept list of them is all there is to look at.
    const BurningBox box = BurningLineBox(x1, y1, x2, y2);
    if (const std::vector<Unit*>* burning = BurningVehicles()) {
        for (Unit* u : *burning)
            if (box.Holds(u) && NearBurningLine(u, x1, y1, x2, y2)) visit(u);
        return;
    }
    for (Unit* u : vehicles)
        if (u->IsBurning() && box.Holds(u) && NearBurningLine(u, x1, y1, x2, y2)) visit(u);
}

template <typename Visit> bool UnitList::AnyOtherSideUnit(const Unit* of, Visit&& visit) const {
    int32_t next = 0;
    const Affiliation side = of->mSide;
    if (const std::vector<Unit*>* kept = UnitsNotOfSide(side)) {
        const int32_t* index = mNotOfSideIndex[side].data();
        Unit* const* units = kept->data();
        const size_t n = kept->size();
        // What they were made at: they are made again only once either has
        // moved on.
        const uint32_t listAt = mSidesAt;
        const uint64_t sidesAt = mSideChangesAt;
        size_t k = 0;
        for (; k < n; ++k) {
            const int32_t at = index[k];
            if (visit(units[k])) return true;
            // The kept lists may have been made again: no more is read of them.
            if (GetChangeCount() != listAt || UnitSide::Changes() != sidesAt) {
                next = at + 1;
                break;
            }
        }
        if (k == n) return false;
    }
    for (int32_t i = next; i < GetCount(); ++i) {
        Unit* u = GetUnit(i);
        if (u && u->mSide != of->mSide && visit(u)) return true;
    }
    return false;
}
