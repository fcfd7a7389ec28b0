#include "units/ValueMemo.h"

namespace {

struct ScopeState {
    int32_t depth = 0;
    uint32_t generation = 0; // of the open outermost scope; 0 when none
    uint32_t last = 0;       // the last number handed out
};

thread_local ScopeState tScope;

} // namespace

ValueMemoScope::ValueMemoScope() {
    if (tScope.depth++ > 0) return;
    if (++tScope.last == 0) ++tScope.last;
    tScope.generation = tScope.last;
}

ValueMemoScope::~ValueMemoScope() {
    if (--tScope.depth == 0) tScope.generation = 0;
}

uint32_t ValueMemoGeneration() {
    return tScope.generation;
}

bool DrawsBetween(uint32_t from, uint32_t to, int32_t maxSteps, DrawMap* map) {
    int32_t steps = 0;
    for (uint32_t s = from; s != to; ++steps) {
        if (steps == maxSteps) {
            SeedRandomGenerator(to);
            return false;
        }
        SeedRandomGenerator(s);
        Random();
        s = GetRandomState();
    }
    // The n-step map is affine: its values at 0 and 1 give it.
    auto run = [steps](uint32_t s) {
        SeedRandomGenerator(s);
        for (int32_t i = 0; i < steps; ++i)
            Random();
        return GetRandomState();
    };
    const uint32_t at0 = run(0);
    const uint32_t at1 = run(1);
    SeedRandomGenerator(to);
    *map = {at1 - at0, at0};
    return true;
}
