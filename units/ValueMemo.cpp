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
