#pragma once
// The ability to harm as a fuzzy set, and the friendly fire already on a
// target.

class GFuzzySet;
class GObject;
class Unit;

// Members of the number x (0..3.4) as labels 0..3.
void AIFuzzifyHarm(GFuzzySet* set, float x);

namespace aiharm {
// The running total and the unit left out of AISumFriendlyHarmOnTarget.
extern float sFriendlyHarm;
extern Unit* sExcluded;
// Adds the ability to harm of every other live unit whose target is the
// context unit (and that is not firing at an area) to sFriendlyHarm.
void AISumFriendlyHarmOnTarget(GObject* member, void* target);
} // namespace aiharm
