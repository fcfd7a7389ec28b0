#pragma once
// Scratch state of one target search, shared by the search, the candidate
// scoring and the fuzzy score. A search never runs inside another.

#include "engine/GFuzzySet.h"

class Unit;

// The best candidate of the running search and its score.
extern Unit* gBestTarget;
extern float gBestTargetScore;

namespace aitarget {
// Whether the scorer may limit its attention to direct threats; false only
// while a candidate is scored outside a full search.
extern bool sConsiderDirectThreats;
// True only while a vehicle's coaxial machine guns are being scored.
extern bool sScoringMachineGuns;
// The unit whose AIScoreTarget decides acceptance.
extern Unit* sScoringUnit;
// True while a search walks the unit list (guards against nesting).
extern bool sSearching;

// What cannot change while one unit scores one candidate: the candidate's
// threat (for one arc result, smoke flag and attention) and the harm other
// units already do to it. Kept for the length of one AIScoreTarget call
// when sReuseWithinScoring is set; the results are the same either way.
struct ScoringMemo {
    bool active = false;
    Unit* scorer = nullptr;
    Unit* candidate = nullptr;
    bool threatKnown = false;
    bool inArc = false, smoke = false, limits = false;
    GFuzzySet threat;
    bool harmKnown = false;
    float harm = 0.0f;
    // Whether the memo holds values for this scorer and candidate.
    bool For(const Unit* s, const Unit* c) const { return active && scorer == s && candidate == c; }
};
extern bool sReuseWithinScoring;
extern ScoringMemo sMemo;
} // namespace aitarget
