#include "units/Inanimate.h"

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "engine/GFile.h"
#include "engine/GString.h"
#include "map/Map.h"

namespace {
constexpr int32_t kInanimateNameString = 5300;
}

Inanimate::Inanimate() {
    mUnitType = kUnitInanimate;
}

void Inanimate::IInanimate(InanimateType type, Force force, float x, float y, float z) {
    mSubtype = type;
    IUnit(x, y, z, force, kExperienceRegular);
}

void Inanimate::Write(GFile* file) {
    WriteUnitPart(file);
    file->WriteChar(mMineNew ? 1 : 0);
    file->WriteChar(0);
}

void Inanimate::Read(GFile* file) {
    mRecordDamaged = !ReadUnitPart(file);
    mMineNew = (file->ReadChar() & 1) != 0;
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    if (file->HasFailed()) mRecordDamaged = true;
}

bool Inanimate::StampToMap() {
    if (mSubtype != kInanimateTrenches) return false;
    StampTrenchAt(gBattle ? gBattle->mMap : nullptr, mX, mY, mHeading);
    return true;
}

void Inanimate::CheckBuildingOccupancy() {
    MarkBuildingOccupiedAt(mX, mY);
}

bool Inanimate::CanOccupyLocation(float x, float y, bool) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    return map && map->OnMap(x, y) && map->GetTerrain(x, y, true) != kTerrainWater;
}

void Inanimate::ConcatName(GString* text, bool full) {
    // Fixed objects are named by the string table's object names; a kind
    // outside the seven (a foreign file) has none.
    if (text && mSubtype >= kInanimateRoadblock && mSubtype <= kInanimateDaisyChain)
        text->ConcatRez(kInanimateNameString + mSubtype);
}
