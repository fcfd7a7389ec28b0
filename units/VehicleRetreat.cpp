// The retreat of a threatened vehicle: the search for a spot the threat
// cannot hit, ahead of the vehicle and behind it; the waypoints there, a
// smoke screen first and the hatches closed; a blind flight when no spot
// exists; and whether the current move already leads to safety.

#include "units/VehicleRetreat.h"

#include <cmath>
#include <vector>

#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

RetreatSearchState gRetreatSearch;

namespace {

constexpr float kSpotSpacing = 15.0f; // metres between a spot and its parent
constexpr float kBranch[3] = {0.0f, -0.5235987901687622f, 0.5235987901687622f};
constexpr float kDegToRad = 3.14159265358979f / 180.0f;
constexpr int32_t kLevels = 7;
constexpr int32_t kMaxSpots = 1 + 1 + 3 + 9 + 27 + 81 + 243 + 729; // one tree, root included

// The pool of one BugOut call: both trees, never reallocated while in use.
std::vector<BugSpot>& Pool() {
    static std::vector<BugSpot> pool = [] {
        std::vector<BugSpot> p;
        p.reserve(2 * kMaxSpots);
        return p;
    }();
    return pool;
}

Map* SearchMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

// The angle between two bearings in degrees, folded into 0..180.
float AngleBetween(float a, float b) {
    float d = std::fabs(Clamp360(a) - Clamp360(b));
    if (d > 180.0f) d = 360.0f - d;
    return d;
}

// A made spot that can be driven to is tested for safety; one that cannot
// is dropped from its parent's slot.
void TestChild(BugSpot* parent, int32_t slot) {
    BugSpot* c = parent->mChildren[slot];
    if (!c) return;
    if (!c->Possible()) {
        parent->mChildren[slot] = nullptr;
        return;
    }
    if (!gRetreatSearch.mThreat->CanHitVehicleAt(c->mX, c->mY, kKnowEnemy)) {
        gRetreatSearch.mFound = true;
        gRetreatSearch.mFoundNode = c;
    }
}

} // namespace

BugSpot::BugSpot(BugSpot* parent, float heading) : mHeading(heading), mParent(parent) {
    if (!parent) return;
    mX = parent->mX + kSpotSpacing * std::cos(heading);
    mY = parent->mY + kSpotSpacing * std::sin(heading);
}

BugSpot* BugSpot::Make(BugSpot* parent, float heading) {
    std::vector<BugSpot>& pool = Pool();
    if (pool.size() >= pool.capacity()) return nullptr;
    pool.emplace_back(parent, heading);
    ++gRetreatSearch.mNodesMade;
    return &pool.back();
}

void BugSpot::ReleaseAll() {
    Pool().clear();
}

bool BugSpot::Possible() const {
    Vehicle* v = gRetreatSearch.mSearcher;
    if (!v || !mParent) return false;
    if (!gRetreatSearch.mOffMapAllowed) {
        Map* map = SearchMap();
        if (!map || !map->OnMap(mX, mY)) return false;
    }
    const float px = mParent->mX, py = mParent->mY;
    return v->CanOccupyLocation(mX, mY, true) &&
           v->CanOccupyLocation((2.0f * px + mX) / 3.0f, (2.0f * py + mY) / 3.0f, true) &&
           v->CanOccupyLocation((px + 2.0f * mX) / 3.0f, (py + 2.0f * mY) / 3.0f, true);
}

void BugSpot::Expand(bool three) {
    const int32_t n = three ? 3 : 1;
    for (int32_t i = 0; i < n && !gRetreatSearch.mFound; ++i) {
        mChildren[i] = Make(this, mHeading + kBranch[i]);
        TestChild(this, i);
    }
    mExpanded = true;
}

void BugSpot::Traverse(bool three) {
    if (!mExpanded) {
        Expand(three);
        return;
    }
    for (BugSpot* c : mChildren) {
        if (gRetreatSearch.mFound) return;
        if (!c) continue;
        if (!c->mExpanded) {
            c->Expand(true);
        } else {
            for (BugSpot* g : c->mChildren)
                if (g && !gRetreatSearch.mFound) g->Traverse(true);
        }
    }
}

void BugSpot::TrackBack(Destination* waypoints, int32_t index, MovementSpeedType order) const {
    Map* map = SearchMap();
    for (const BugSpot* s = this; s && s->mParent && index >= 0; s = s->mParent, --index) {
        Destination& d = waypoints[index];
        d = Destination{};
        d.mX = s->mX;
        d.mY = s->mY;
        d.mZ = map ? map->GetZCoord(s->mX, s->mY) : 0.0f;
        d.mOrder = order;
        d.mKind = kWaypointRetreat;
    }
}

BugSpot* RunRetreatSearch(float direction) {
    Vehicle* v = gRetreatSearch.mSearcher;
    BugSpot* root = BugSpot::Make(nullptr, direction * kDegToRad);
    gRetreatSearch.mDepth = 0;
    gRetreatSearch.mFound = false;
    gRetreatSearch.mFoundNode = nullptr;
    if (!root || !v) {
        gRetreatSearch.mDepth = kLevels + 1;
        return root;
    }
    root->mX = v->mX;
    root->mY = v->mY;
    while (!gRetreatSearch.mFound && ++gRetreatSearch.mDepth < kLevels + 1) {
        if (gRetreatSearch.mDepth == 1) {
            root->Expand(false);
            continue;
        }
        for (BugSpot* c : root->mChildren) {
            if (gRetreatSearch.mFound) break;
            if (!c) continue;
            if (!c->mExpanded) {
                c->Expand(true);
            } else {
                for (BugSpot* g : c->mChildren) {
                    if (gRetreatSearch.mFound) break;
                    if (!g) continue;
                    if (!g->mExpanded)
                        g->Expand(true);
                    else
                        for (BugSpot* gg : g->mChildren)
                            if (gg && !gRetreatSearch.mFound) gg->Traverse(true);
                }
            }
        }
    }
    return root;
}

// ---------------------------------------------------------------------------

bool Vehicle::ApproachingSafetyFromEnemy(Unit* threat) {
    if (!threat || mNrWaypoints <= 0 || mWaypoints[0].mOrder == kPaceRotate) return false;
    const Destination& first = mWaypoints[0];
    if (DistanceToLocation(first.mX, first.mY) > 100.0f) return false;
    float x = first.mX, y = first.mY;
    if (mNrWaypoints > 1 && DistanceToLocation(mWaypoints[1].mX, mWaypoints[1].mY) <= 100.0f) {
        x = mWaypoints[1].mX;
        y = mWaypoints[1].mY;
    }
    return !threat->CanHitVehicleAt(x, y, kKnowEnemy);
}

bool Vehicle::BugOut(Unit* threat, bool mustFlee, bool faceThreat, float heading) {
    if (!threat) return false;
    Map* map = SearchMap();
    const VehicleData& data = Data();

    // 1. Smoke thrown before the vehicle moves.
    const int32_t smoke = data.mSmokeEquipment;
    if (smoke != 0) {
        const double chance = smoke == 2 || smoke == 3 ? 0.7 : 0.4;
        const float reach = smoke == 2 ? 25.0f : smoke == 3 ? 10.0f : 0.0f;
        if (RandomFraction() < chance) {
            const float dir =
                smoke == 2 ? ActualHeadFacing() : GetHeadingFromXY(threat->mX - mX, threat->mY - mY);
            const float sx = mX + reach * std::cos(dir * kDegToRad);
            const float sy = mY + reach * std::sin(dir * kDegToRad);
            const Terrain t = map ? map->GetTerrain(sx, sy, false) : 0;
            if (!(t >= 50 && t <= 54) && gBattle) {
                gBattle->MakeSmokePacket(sx, sy, 0.0f, 1.0f);
                AddSoundEffectSmokeMortar();
            }
        }
    }

    // 2-4.
    const bool wasSearching = gBattle && gBattle->mRetreatSearch;
    if (gBattle) gBattle->mRetreatSearch = true;
    const float facing0 = mHeading;
    if (faceThreat && AngleBetween(mHeading, heading) <= 60.0f) mHeading = heading;
    gRetreatSearch = RetreatSearchState{};
    gRetreatSearch.mOffMapAllowed = SuppressionBand() > 5;
    gRetreatSearch.mThreat = threat;
    gRetreatSearch.mSearcher = this;
    gVehicleThreat.mUnit = threat;

    // 5-6. Forward, then backward.
    RunRetreatSearch(mHeading);
    BugSpot* ahead = gRetreatSearch.mFoundNode;
    const int32_t depthAhead = gRetreatSearch.mDepth;
    RunRetreatSearch(mHeading + 180.0f);
    BugSpot* behind = gRetreatSearch.mFoundNode;
    const int32_t depthBehind = gRetreatSearch.mDepth;

    // 7. Which way.
    bool back = false, forward = false;
    if (behind && !ahead) {
        back = true;
    } else if (ahead && !behind) {
        forward = true;
    } else if (ahead && behind) {
        if (faceThreat || depthAhead - depthBehind > 1)
            back = true;
        else
            back = AngleBetween(mHeading, heading) < 90.0f;
        forward = !back;
    }

    bool result = true;
    if (back) {
        // 8. Backing away; close to the threat the vehicle drops a gear.
        if (!InReverse()) mPlaybackSpeed = 0.0f;
        mNrWaypoints = depthBehind;
        behind->TrackBack(mWaypoints, depthBehind - 1, kPaceReverse);
        if (mNrWaypoints >= 4) {
            const float dx = threat->mX - mX, dy = threat->mY - mY, dz = threat->GetZ() - GetZ();
            float previous = std::sqrt(dx * dx + dy * dy + dz * dz);
            for (int32_t i = 0; i < mNrWaypoints; ++i) {
                const float d = threat->DistanceToLocation(mWaypoints[i].mX, mWaypoints[i].mY);
                if (d < 100.0f && d < previous - 7.5f) {
                    ShiftGears(threat, kPaceDefaultMove, false, 0.0f, 0.0f);
                    break;
                }
                previous = d;
            }
        }
    } else if (forward) {
        // 9.
        if (InReverse()) mPlaybackSpeed = 0.0f;
        mNrWaypoints = depthAhead;
        ahead->TrackBack(mWaypoints, depthAhead - 1, kPaceDefaultMove);
    } else if (mNrWaypoints > 0 && mWaypoints[0].mOrder != kPaceRotate) {
        // 10. Nowhere safe: a vehicle under way keeps going.
        if (mWaypoints[0].mOrder != kPaceReverse) mWaypoints[0].mOrder = kPaceDefaultMove;
    } else if (!mustFlee) {
        result = false;
    } else {
        // A blind flight away from a threat ahead, or on past one behind.
        const bool away = PointedWithin(mHeading, 90.0f, threat->mX, threat->mY);
        const float dir = (away ? mHeading + 180.0f : mHeading) * kDegToRad;
        float distance = static_cast<float>(40.0 * RandomFraction() + 80.0);
        float px = mX, py = mY;
        bool usable = false;
        for (;;) {
            px = mX + distance * std::cos(dir);
            py = mY + distance * std::sin(dir);
            distance *= 0.75f;
            usable = map && map->OnMap(px, py) && CanOccupyLocation(px, py, true);
            if (usable || distance < 5.0f) break;
        }
        if (usable) {
            if (away != InReverse()) mPlaybackSpeed = 0.0f;
            Destination& d = mWaypoints[0];
            d = Destination{};
            d.mX = px;
            d.mY = py;
            d.mZ = map->GetZCoord(px, py);
            d.mOrder = away ? kPaceReverse : kPaceDefaultMove;
            d.mKind = kWaypointRetreat;
            mNrWaypoints = 1;
        } else {
            result = false;
        }
    }

    // 11. A failed search puts the next fear reaction off.
    if (!result) {
        const double r = RandomFraction();
        mFearClock += static_cast<int32_t>((6.0 * r + (mustFlee ? 9.0 : 6.0)) * 40.0);
    } else {
        mWaypoints[mNrWaypoints - 1].mKind = kWaypointLegEnd;
        mHiding = false;
    }

    // 12-14.
    BugSpot::ReleaseAll();
    gRetreatSearch.mFoundNode = nullptr;
    mCommandDelay = 0.0f;
    gPacket = true;
    mHeading = facing0;
    bool buttoned = true;
    if (!mButtoned && CanChangeButtonStatus(&buttoned)) ChangeButton(true, 15);
    if (gBattle) gBattle->mRetreatSearch = wasSearching;
    return result;
}
