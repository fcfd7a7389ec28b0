#pragma once
// One spot of a threatened vehicle's retreat search. The search grows a
// tree of spots 15 m apart, straight ahead first and then fanning out by
// 0 and +-30 degrees at every level, and stops at the first spot that the
// vehicle can reach and the threat cannot hit. Spots come from a pool that
// the search empties when it ends; a spot "owns" its children only in the
// sense that clearing a slot drops the subtree from the search.

#include <cstdint>

#include "units/Enums.h"

struct Destination;
class Unit;
class Vehicle;

class BugSpot {
public:
    // A spot 15 m from the parent along heading (radians); the root, with
    // no parent, is placed by the caller.
    BugSpot(BugSpot* parent, float heading);

    // Whether the searcher can drive there: on the map (unless a heavily
    // suppressed vehicle may leave it) and occupiable at the spot and at
    // one and two thirds of the way from the parent.
    bool Possible() const;
    // Makes the children (three, or only the straight one) and tests each.
    void Expand(bool three);
    // Grows the subtree's frontier by one level.
    void Traverse(bool three);
    // Writes the spot at index and its ancestors (not the root) one place
    // lower each, with the ground height and the order given.
    void TrackBack(Destination* waypoints, int32_t index, MovementSpeedType order) const;

    // A spot from the pool, or null when the pool is exhausted.
    static BugSpot* Make(BugSpot* parent, float heading);
    // Returns every spot to the pool.
    static void ReleaseAll();

    float mX = 0.0f;
    float mY = 0.0f;
    float mHeading = 0.0f; // radians
    BugSpot* mChildren[3] = {nullptr, nullptr, nullptr};
    BugSpot* mParent = nullptr;
    bool mExpanded = false;
};

// The state of the search that runs; valid only inside Vehicle::BugOut.
struct RetreatSearchState {
    Unit* mThreat = nullptr;
    Vehicle* mSearcher = nullptr;
    bool mFound = false;
    BugSpot* mFoundNode = nullptr;
    int32_t mDepth = 0; // level of the safe spot, 8 when none was found
    bool mOffMapAllowed = false;
    int32_t mNodesMade = 0; // spots taken from the pool, for tests and figures
};
extern RetreatSearchState gRetreatSearch;

// Grows a search tree from a root at the searcher's position along
// direction (degrees); the result is left in gRetreatSearch.
BugSpot* RunRetreatSearch(float direction);
