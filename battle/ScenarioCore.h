#pragma once
// What a battle and an operation share: the date and turns, the sides'
// roles, the ground, the list of every unit on the map, each side's
// scheduled reinforcements and the map.

#include <cstdint>

#include "engine/GGroup.h"
#include "engine/GObject.h"
#include "engine/GString.h"
#include "units/Enums.h"

class GFile;
class Map;
class Unit;
class UnitList;

// The season of a YYMM date: 0 spring (March-May), 1 summer, 2 autumn,
// 3 winter (December-February); 0 for a month out of range.
int32_t GetSeason(int32_t date);

class ScenarioCore : public GObject {
public:
    ScenarioCore();
    ~ScenarioCore() override;
    ScenarioCore(const ScenarioCore&) = delete;
    ScenarioCore& operator=(const ScenarioCore&) = delete;

    void IScenarioCore();

    // The scenario part of a saved game. Read fills this object; on a
    // damaged part it gives false and leaves the unit list and the
    // reinforcements empty.
    void Read(GFile* file) override;
    void Write(GFile* file) override;
    bool ReadScenario(GFile* file);
    virtual void ReinforcementsArrive();
    virtual bool Over();
    virtual void Handicap(int32_t percent);

    // The unit that a file's unit identifier names, or null.
    Unit* GetUnitPointer(int32_t id) const;
    Unit* FindMascot(Affiliation side) const;
    Force SnapshotForce(Affiliation side) const;
    bool HasBoat(Affiliation side) const;

    int32_t mDate = 4302; // YYMM
    int32_t mTurn = 1;
    int32_t mLastTurn = 30;
    int32_t mComputerBonus = 0; // 0..3 experience levels for the computer's units
    bool mEditorScenario = true;
    int32_t mGameType = 0;        // 1: data-table bytes travel with the file
    int32_t mAttacker = 2;        // 0 Axis, 1 Allies, 2 neither
    int32_t mGroundCondition = 0; // 0..8
    int32_t mTheatre = 2;         // 2 and 3 are drawn with palm trees
    int32_t mTemperature = 0;     // 0..5
    Map* mMap = nullptr;          // owned
    UnitList* mUnits = nullptr;   // owned; its order gives the unit identifiers
    // Per side, kept in the scenario part of the file (docs/battle-records.md):
    // the side's player must give orders before anything else (no replay
    // waits for him); his orders-complete notice is due.
    bool mMustGiveOrders[2] = {false, false};
    bool mOrdersPending[2] = {false, false};
    GList mReinforcements[2]; // of Reinforcement, owned
    bool mReinforcementsArrived[2] = {false, false};
    void* mBuffers[2][3] = {};
    char mScenarioLevel = 1;
    int16_t mScenarioShort = 0;
    // How stubbornly each side's units hold under fire: 0 "Normal" .. 4,
    // the Axis at index 1. Kept in the first two reserved bytes of the
    // scenario part (0 in older files).
    int32_t mFanaticism[2] = {0, 0};
    GString127 mTitle;

    // The briefings: 0 side 0, 1 side 1, 2 general; null when absent. Owned
    // (allocated with new[]); SetBriefing frees the text it replaces.
    void SetBriefing(int32_t index, char* text, int32_t length);
    char* mBriefing[3] = {nullptr, nullptr, nullptr};
    int32_t mBriefingLength[3] = {0, 0, 0};

protected:
    // Resolves the links of every unit read (map units, then each side's
    // reinforcements) and corrects the uniforms.
    void SecondPass();
    // Adds extra units of side `favoured` to `list` (the handicap).
    void GenerateExtraForces(UnitList* list, Affiliation favoured, int32_t percent);
    void RenumberSide(UnitList* list, Affiliation favoured);
    void DeleteContents();
};
