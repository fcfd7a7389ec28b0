#pragma once
// Scratch state of one target search, shared by the search, the candidate
// scoring and the fuzzy score. A search never runs inside another.

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
} // namespace aitarget
