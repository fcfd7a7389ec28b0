#pragma once
// The computer side's set-up: the line-of-fire grid, where each unit and
// fortification stands, the guards of the objectives, the reserves and the
// platoons, and the first groups of the side. All of it works on gBattle
// for the side gAISide.

#include <cstdint>

#include "ai/AIPlanning.h"
#include "engine/GGroup.h"

class FlagsNode;
class GDynamicArray;
class Inanimate;
class Unit;

// Free placement is allowed in the current set-up; computed at its start.
extern bool gAIFreeSetup;

// ---- Line-of-fire grid ----------------------------------------------------
// One 16-bit value per 20 m square, indexed (column, row): the high byte the
// far rating F, the low byte the near rating N (percent of probe points seen
// towards the enemy's edges). False when there is no map.
bool AIMakeLinesOfFireGrid(GDynamicArray* grid);
// The grid value of the square holding (x, y); 0 outside the grid or with
// no grid.
uint16_t AIGridValue(const GDynamicArray* grid, float x, float y);
void AIRateLinesOfFire(GDynamicArray* grid);
// (F << 8) + N of one square; directions: the 16 compass flags.
int16_t AIScoreLOF(int32_t column, int32_t row, const bool* directions);

// ---- Objective nodes --------------------------------------------------------
// The nearest node and its distance; null and 9.0e20 without nodes.
FlagsNode* AIGetNearestFlagsNode(float x, float y, float* distance);
// A new list of every node, nearest first; the caller deletes the list,
// which does not own the nodes.
GList* AISortFlagsNodesByProximity(float x, float y);
// The index of the node in the battle's graph; -1 when absent.
int32_t AINodeIndex(FlagsNode* node);

// ---- Placing one unit -------------------------------------------------------
float AIScoreSetupLocation(Unit* unit, GDynamicArray* grid, float x, float y, bool gun, bool gunClass5,
                           bool support);
void AIPlace(Unit* unit, GDynamicArray* grid, bool ignoreCentre);
bool AIPlaceDefender(Unit* unit, FlagsNode* node, GDynamicArray* grid);
float AIFlagGuardSetupRange(Unit* unit);
// True when the leader joined the group of its platoon's centre unit.
bool AIPlaceLeaderWithPlatoon(Unit* leader, GDynamicArray* grid);
// The edge factor of side s for the point (x, y).
float AIEdgeFactor(int32_t side, float x, float y);

// ---- Guards, reserves, platoons ---------------------------------------------
// The group of the side's group list holding the unit; null when none does.
AIGroup* AIGroupHolding(Unit* unit);
// The guard group of the node (order code 5 + index), made when missing.
AIGroup* AIGuardGroup(FlagsNode* node);
bool AIAttachFixedGuard(Unit* unit, int32_t* count);
void AIAssignFlagDefenders(int32_t count, GList* nodes, AIGroup* pool, GDynamicArray* grid);
void AIGroupReserves(GList* groups);
void AIRegroupPlatoons(GList* list);
void AISwapPlatooners();

// ---- Fortifications ----------------------------------------------------------
// One candidate square of a fortification.
class TileStub : public GObject {
public:
    int16_t mColumn = 0;
    int16_t mRow = 0;
    int16_t mRating = 0;
    int16_t mScore = 0;
    int16_t mZone = 0;
};
void AIPlaceTrenches(GList* fortifications, GDynamicArray* lofGrid);
void AIPlaceInanimates(GList* fortifications);
void AIPlaceOneTypeOfInanimate(GList* items, GDynamicArray* lofGrid);
int16_t AIRateTileForInanimate(int32_t column, int32_t row, Inanimate* item, GDynamicArray* lofGrid);

// ---- The driver ----------------------------------------------------------------
// The number of attack groups for n objective nodes (draws once for 2 to 5
// and 7 or more nodes).
int32_t AIAttackGroupCount(int32_t nodes);
// Whether a square's set-up zone code lets a unit with this set-up zone
// field stand there, for the side. Fields outside 0..6 fit no square.
bool AIZoneFits(int32_t field, int32_t code, int32_t side);
