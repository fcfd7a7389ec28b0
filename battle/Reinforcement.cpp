#include "battle/Reinforcement.h"

#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Unit.h"

Reinforcement::Reinforcement() {
    mUnits = new UnitList;
    mUnits->IList();
}

Reinforcement::~Reinforcement() {
    delete mUnits;
}

void Reinforcement::Write(GFile* file) {
    file->WriteLong(mArrivalTurn);
    file->WriteFloat(mChance);
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    mUnits->WriteUnits(file);
    file->WriteChar(0);
}

void Reinforcement::Read(GFile* file) {
    mRecordDamaged = !ReadRecord(file);
}

bool Reinforcement::ReadRecord(GFile* file) {
    mUnits->EmptyOut(true);
    mArrivalTurn = file->ReadLong();
    mChance = file->ReadFloat();
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    if (!mUnits->ReadUnits(file)) return false;
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    return !file->HasFailed();
}

bool Reinforcement::Arrive(ScenarioCore* scenario) {
    // Arrival by turn and chance comes with the reinforcement rules; until
    // then a reinforcement waits.
    return false;
}
