#pragma once
// The planning state of the computer opponent's orders phase, and the data
// of its unit groups. The turn driver sets the three globals at the start of
// each run; every planning step reads them.

#include <cstdint>

#include "engine/GGroup.h"
#include "units/Enums.h"

class FlagsNode;
class GFile;
class GView;
class Unit;

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

    // The centre becomes the mean place of the members; an empty group
    // keeps its centre.
    void SetupRecenter();
    // A group going to a node that is not an exit node marks it taken.
    void MarkObjective();
    // The first member that is alive and can move, else the last member;
    // null for an empty group.
    Unit* GetRepresentative();
    // Chooses the cheapest node of the battle's graph as the group's goal
    // (one draw per node costed); with noMark the node is not marked taken.
    void GiveGroupOrder(GList* nodes, bool noMark);
    // At a secured goal node: the group, or part of it as a new group
    // appended to newGroups, stays as its garrison.
    void DecideIfFlagCaptured(GList* newGroups);
    // Hands each unit to the unit moves the order asks for.
    void MoveUnits();
    // The saved record: the order as a short, the count, the unit
    // identifiers. Read keeps the raw identifiers for the battle to resolve.
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // As Read; false on a damaged record, which leaves the group empty.
    bool ReadRecord(GFile* file);

    // The node of the graph that the order names (go to or hold), or null.
    FlagsNode* OrderNode() const;

    int32_t mOrder = kAIOrderNone;
    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
};

// The work record of one unit in a group's moves.
class UnitStubAI : public GObject {
public:
    Unit* mUnit = nullptr;
    float mCombat = 0.0f;
    float mObjective = 0.0f;
    float mScore = 0.0f;
    float mDistance = 0.0f;
};

// One step of the open progress panel (nothing without one).
void AIAdvanceProgress();

// The chance that a defending side's hidden units stop hiding in this turn.
float AIAmbushReleaseChance(int32_t turn, bool enemyHasBoat);

// The rounds that a target must be worth to a battery: from the turns left
// after its delay (in turns) and the number of batteries, topped up for a
// supplied battery by its first ammunition count, capped near the end.
int32_t AIArtilleryRounds(int32_t turn, int32_t lastTurn, float delay, int32_t batteries, bool losses,
                          bool supplied, int32_t ammo);

// The set-up split: moves the source's units of one class (0 to 12) into
// the n target groups, by platoon leader for class 1 and by their place
// across the front for the others.
void SplitGroupByClass(AIGroup* source, AIGroup** groups, int32_t n, int32_t unitClass);
