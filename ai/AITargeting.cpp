// Target choice: once a slice every unit searches the battle's units for
// the best enemy and then takes it, keeps its target, fires at the place a
// vanished target was last seen, lays smoke in front of the best one, or
// drops its target. The same search picks targets for an infantry unit's
// secondary small arms.

#include <cassert>
#include <cmath>
#include <vector>

#include "ai/AIFacts.h"
#include "ai/AIGeometry.h"
#include "ai/AITargetState.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GParallel.h"
#include "map/Map.h"
#include "map/SightThreads.h"

using namespace aifacts;

namespace {

// The searching unit's anti-tank weapon stands in a building: it leaves
// candidates inside buildings alone.
bool sLATWInBuilding = false;

bool InBuilding(Terrain t) {
    return t >= 50 && t <= 54;
}

// Marks a search as running for its lifetime; a search never nests.
struct SearchScope {
    SearchScope() {
        assert(!aitarget::sSearching && "a target search never runs inside another");
        aitarget::sSearching = true;
    }
    ~SearchScope() { aitarget::sSearching = false; }
};

// Below this many sight lines a search traces its lines on one thread.
constexpr int32_t kThreadedSearchLines = 16;
// The slices (a second of battle) between two counts of the spotted units.
constexpr int32_t kSpottedCountSlices = 40;

// The active spotted units of the side opposing s: the most lines a search
// by s may list. Listing the lines walks every unit, which costs about as
// much as the search itself, and most searches list fewer than 16 lines;
// a side that sees fewer than that many enemies lists none. The count is
// made once a second of battle (it changes slowly): it only decides whether
// lines are fetched ahead, never an answer.
int32_t SpottedEnemies(const Unit* s) {
    struct Counts {
        const Battle* battle = nullptr;
        int32_t slice = 0;
        int32_t spotted[2] = {0, 0}; // units of the Allies, of the Axis
    };
    thread_local Counts counts;
    const int32_t slice = gBattle->mTimeSlice;
    if (counts.battle != gBattle || slice < counts.slice || slice >= counts.slice + kSpottedCountSlices) {
        counts.battle = gBattle;
        counts.slice = slice;
        counts.spotted[0] = counts.spotted[1] = 0;
        UnitList* units = gBattle->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* c = units->GetUnit(i);
            if (c && c->mActive && c->mUnitType != kUnitInanimate && c->IsSpottedNow())
                ++counts.spotted[c->mSide ? 1 : 0];
        }
    }
    return counts.spotted[s->mSide ? 0 : 1];
}

// A search asks each candidate whether it can be seen (the sight cache, and
// a trace where the cache holds no answer), in list order, between which it
// scores the candidates seen, drawing numbers. With several threads the
// traces the search will make are made side by side first, into a memo of
// exact inputs (Map::FetchLOS), which the search then reads in its own
// order: the cache is asked and written exactly as before, and a line is
// answered from the memo only for the very inputs traced. Scoring changes
// neither the map nor the smoke, so a fetched answer is the one a trace
// would give. Fetching a line the search then does not ask costs only time;
// the filter below is a cheap part of the candidate test, reading fields.
class SearchLines : public LOSMemoScope {
public:
    explicit SearchLines(Unit* s) {
        Map* map = gBattle && gBattle->mUnits ? gBattle->mMap : nullptr;
        if (!map || SimulationThreads() <= 1 || map->GetLOSMemo() || !map->GetBattleLink()) return;
        if (s->IsPassenger(false)) return;
        UnitList* units = gBattle->mUnits;
        if (units->GetCount() < kThreadedSearchLines || SpottedEnemies(s) < kThreadedSearchLines) return;
        const float eyeZ = s->GetZ() + s->LOSBoost();
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* c = units->GetUnit(i);
            if (!c || c == s || c->mUnitType == kUnitInanimate || c->mSide == s->mSide || !c->IsSpottedNow())
                continue;
            if (!c->mActive && c != s->mTarget) continue;
            if (map->HoldsStoredLOS(s, c)) continue;
            LOSRequest q;
            q.x1 = s->mX;
            q.y1 = s->mY;
            q.z1 = eyeZ;
            q.x2 = c->mX;
            q.y2 = c->mY;
            q.z2 = c->GetZ() + c->LOSBoost();
            mRequests.push_back(q);
        }
        Install(map, kThreadedSearchLines);
    }
};

void SmokeScreenAt(Unit* self, Unit* best) {
    Vehicle* bv = AsVehicle(best);
    const float facing = (bv ? bv->ActualHeadFacing() : best->mHeading) * 0.0174532925f;
    for (float ahead : {8.0f, 4.0f}) {
        const float x = best->mX + ahead * std::cos(facing), y = best->mY + ahead * std::sin(facing);
        if (self->CanSeeLocation(x, y)) {
            self->mAreaTargetX = x;
            self->mAreaTargetY = y;
            return;
        }
    }
    self->mAreaTargetX = best->mX;
    self->mAreaTargetY = best->mY;
}

} // namespace

void AIConsiderTargetCandidate(GObject* member, void* context) {
    Unit* c = static_cast<Unit*>(member);
    Unit* s = static_cast<Unit*>(context);
    // A unit of the searcher's side is never one (CanPotentiallyTarget below
    // refuses it, and every test before that only reads): its side, at the
    // head of the unit, is asked before the contact level far inside it.
    if (c == s || c->mSide == s->mSide || c->mUnitType == kUnitInanimate || !c->IsSpottedNow()) return;
    if (c->IsPassenger(true) || s->IsPassenger(false) || !s->CanPotentiallyTarget(c)) return;
    if (!c->mActive && !(s->mTargetDead && c == s->mTarget)) return;
    if (!s->TacAICanSee(c)) return;
    if (sLATWInBuilding && InBuilding(c->GetOccupiedTerrain())) return;
    if (!s->AbleToFaceUnit(c)) {
        const bool closeInfantry = s->mUnitType == kUnitInfantry && c->mUnitType == kUnitInfantry &&
                                   Distance(s->mX, s->mY, s->GetZ(), c->mX, c->mY, c->GetZ()) <= 15.0f &&
                                   _AngleOff(s->mHeading, s->mX, s->mY, c->mX, c->mY, true) < 85.0f;
        if (!closeInfantry) return;
    }
    if (gFiringSecondarySmallArms)
        s->AIScoreSecondaryTarget(c);
    else
        s->AIScoreTarget(c, true);
}

namespace {
// Every unit of the list is a candidate, in the list's order; a unit of
// the searcher's own side is passed over here (the candidate test would
// refuse it at once).
void RunSearch(Unit* searcher) {
    if (!gBattle || !gBattle->mUnits) return;
    SearchScope scope;
    gBattle->mUnits->AnyOtherSideUnit(searcher, [searcher](Unit* c) {
        AIConsiderTargetCandidate(c, searcher);
        return false;
    });
}
} // namespace

namespace {
// A target that may change: the search, and the taking of its best (or of
// the place a vanished target was last seen, or of smoke in front of the
// best). True when the unit searched. Out of line, as the next: most calls
// end before.
[[gnu::noinline]] bool SearchAndTake(Unit* u) {
    u->ResetTargetSliceCount();
    if (IsGunCrew(u)) return false;
    bool result = false, changed = false;
    Vehicle* self = AsVehicle(u);
    if (u->mAreaTarget && gBattle && gBattle->mMap) {
        const Map* map = gBattle->mMap;
        // Column and row are tested apart so that no point maps into a
        // neighbouring row.
        const float cx = std::trunc(u->mAreaTargetX * 0.05f), cy = std::trunc(u->mAreaTargetY * 0.05f);
        if (cx >= 0.0f && cy >= 0.0f && cx < static_cast<float>(map->mWidth) &&
            cy < static_cast<float>(map->mHeight) && map->GetFireState(u->mAreaTargetX, u->mAreaTargetY) > 4)
            u->CancelTarget(false, false);
    }
    gBestTarget = nullptr;
    if (u->AllowedToTarget()) {
        sLATWInBuilding = u->LATWInBuilding();
        gBestTargetScore = -1.0f;
        SearchLines lines(u);
        RunSearch(u);
        result = true;
    }
    Unit* const current = u->mTarget;
    if (current != gBestTarget) {
        if (!gBestTarget && current && current->mActive && !current->IsSpottedNow() && current->mSpotMarker &&
            !current->mSpotMarkerGone) {
            float z = 0.0f;
            current->GetApparentLocation(&u->mAreaTargetX, &u->mAreaTargetY, &z);
            u->mTarget = nullptr;
            u->mAreaTarget = true;
            gPacket = true;
        } else if (u->mAmmoClassInUse == kAmmoSmoke && gBestTarget) {
            u->mSmokeScreen = true;
            u->mTarget = nullptr;
            u->mAreaTarget = true;
            changed = true;
            if (self && !self->mMainGunOut) self->mUseMainGun = true;
            SmokeScreenAt(u, gBestTarget);
        } else {
            u->mTarget = gBestTarget;
            changed = true;
            u->mTargetDead = false;
            u->mAreaTarget = false;
            u->mSmokeScreen = false;
            if (u->mTarget) u->mAmbush = false;
        }
    }
    if (self && !u->mMGTargeting && !u->mAreaTarget &&
        (!u->mTarget || u->mTarget != u->mOrderedTarget || current != u->mOrderedTarget))
        self->mUseMainGun = u->mTarget && !self->mMainGunOut && u->HasHeavyWeapon(kKnowTruth) &&
                            u->mAmmoClassInUse != kAmmoNone;
    if (changed) {
        if (!u->mMGTargeting) {
            u->ResetAimClock();
            u->mShotsAtTarget = 0;
        }
        gPacket = true;
    }
    return result;
}

// Fire at an area ends when the rounds for it are gone.
[[gnu::noinline]] void EndAreaFireWithoutRounds(Unit* u) {
    Vehicle* self = AsVehicle(u);
    bool stop = false;
    if (u->mSmokeScreen) {
        stop = u->mAmmo[kAmmoSmoke] == 0;
    } else if (self) {
        // Without a round for the main gun the machine guns go on.
        if (self->mUseMainGun && u->ChooseAmmo(nullptr, true) == kAmmoNone) {
            stop = !aifacts::HasFunctioningMG(self, false);
            if (!stop) self->mUseMainGun = false;
        }
    } else {
        stop = u->ChooseAmmo(nullptr, true) == kAmmoNone;
    }
    if (stop) {
        u->mTarget = nullptr;
        u->mAreaTarget = false;
        u->mSmokeScreen = false;
        gPacket = true;
    }
}
} // namespace

bool Unit::AIMaySwitchToNewTarget(bool force) {
    // Whether it is a gun crew is asked only where it decides: most calls
    // end at a target that may not change yet.
    if (mArtilleryDelay == 99.0f && !IsGunCrew(this)) return false;
    const bool result = (force || CanChangeTarget()) && SearchAndTake(this);
    if (mAreaTarget && !HasLowAmmoStatus() && !IsGunCrew(this)) EndAreaFireWithoutRounds(this);
    return result;
}

Unit* Unit::TargetSecondarySmallArms() {
    gFiringSecondarySmallArms = true;
    gBestTargetScore = 0.01f;
    gBestTarget = nullptr;
    sLATWInBuilding = false;
    RunSearch(this);
    gFiringSecondarySmallArms = false;
    return gBestTarget;
}

void Unit::AIScoreSecondaryTarget(Unit* candidate) {
    if (!candidate) return;
    const bool kindOK = candidate->mUnitType == kUnitInfantry ||
                        (candidate->mUnitType == kUnitVehicle && !IsArmoredVehicle(kKnowTruth, false));
    if (!kindOK) return;
    if (!(Distance(mX, mY, GetZ(), candidate->mX, candidate->mY, candidate->GetZ()) <= 100.0f)) return;
    const float s = AIGetTargetFuzzyScore(candidate, kAmmoHE);
    if (s > gBestTargetScore) {
        gBestTarget = candidate;
        gBestTargetScore = s;
    }
}
