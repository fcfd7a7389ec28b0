#pragma once
// The planning state of the computer opponent's orders phase, and the data
// of its unit groups. The turn driver sets the three globals at the start of
// each run; every planning step reads them.

#include <cstdint>

#include "engine/GGroup.h"
#include "units/Enums.h"

class GView;

// The side being planned.
extern Affiliation gAISide;
// That side defends: the battle's attacker is neither it nor 2.
extern bool gAIDefending;
// The open progress panel; null outside a planning run and headless.
extern GView* gAIPanel;

// Group order codes.
constexpr int32_t kAIOrderNone = 0;
constexpr int32_t kAIOrderFallBack = 2;
constexpr int32_t kAIOrderLooseFallBack = 3;
constexpr int32_t kAIOrderHold = 4;
constexpr int32_t kAIOrderHoldNode = 5;     // + the node's index in the graph
constexpr int32_t kAIOrderGoToNode = 10005; // + the node's index in the graph

// A group of units of the planned side with one order for the turn. It keeps
// its units without owning them.
class AIGroup : public GList {
public:
    AIGroup() { PreserveObjects(); }
    ~AIGroup() override = default;

    int32_t mOrder = kAIOrderNone;
    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
};

// The set-up split: moves the source's units of one class (0 to 12) into
// the n target groups, by platoon leader for class 1 and by their place
// across the front for the others.
void SplitGroupByClass(AIGroup* source, AIGroup** groups, int32_t n, int32_t unitClass);
