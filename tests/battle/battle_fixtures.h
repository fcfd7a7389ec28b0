#pragma once
// Shared helpers of the battle tests: stand-in units of every kind, a
// current battle for a test's lifetime, and files held in memory.

#include <cstdint>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Unit.h"

// A unit of any kind whose kind-specific answers a test can set.
class StandInUnit : public Unit {
public:
    explicit StandInUnit(UnitType kind) { mUnitType = kind; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    bool IsBurning() override { return mBurning; }
    bool IgnoresMovingObstacles() override { return mStationaryOnly; }
    ObstacleKind IsObstacleTo(Unit*) override { return mObstacle; }
    bool HasHeavyWeapon(DataKnowledge) override { return mHeavyWeapon; }
    float GetVPValue(bool, DataKnowledge) override { return mValue; }

    bool mBurning = false;
    bool mStationaryOnly = false;
    ObstacleKind mObstacle = 0;
    bool mHeavyWeapon = false;
    float mValue = 0.0f;
};

// Makes `battle` the current battle until the scope ends.
class CurrentBattle {
public:
    explicit CurrentBattle(Battle* battle) : mOld(gBattle) { gBattle = battle; }
    ~CurrentBattle() { gBattle = mOld; }

private:
    Battle* mOld;
};

// A temporary file ready for writing.
GFile* NewScratchFile();
// The bytes a writing file holds (the file is rewound for reading).
std::vector<uint8_t> FileBytes(GFile* file);
// A temporary file holding these bytes, rewound for reading.
GFile* FileWithBytes(const std::vector<uint8_t>& bytes);
// Adds a stand-in unit of that kind and side at (x, y) to the list.
StandInUnit* AddStandIn(UnitList* list, UnitType kind, Affiliation side, float x, float y);
