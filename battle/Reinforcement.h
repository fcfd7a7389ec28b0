#pragma once
// A group of units that one side receives during the battle: from a given
// turn on it may arrive, with a chance per turn, at a point of the map.
// Until then its units live in its own list.

#include <cstdint>

#include "engine/GObject.h"

class GFile;
class ScenarioCore;
class UnitList;

class Reinforcement : public GObject {
public:
    Reinforcement();
    ~Reinforcement() override;
    Reinforcement(const Reinforcement&) = delete;
    Reinforcement& operator=(const Reinforcement&) = delete;

    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // False when the record was damaged; the list is then empty.
    bool ReadRecord(GFile* file);
    bool RecordDamaged() const { return mRecordDamaged; }
    // Tries to arrive in the scenario at the start of a turn; true once the
    // units have been placed (they then belong to the scenario's list).
    bool Arrive(ScenarioCore* scenario);

    int32_t mArrivalTurn = 0; // 0 or less: never
    float mChance = 0.0f;
    float mX = 0.0f;
    float mY = 0.0f;
    UnitList* mUnits = nullptr; // owned while the reinforcement waits

private:
    bool mRecordDamaged = false;
};
