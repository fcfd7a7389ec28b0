#pragma once
// The fourteen tables as owned arrays: what the packer builds from the text
// files, what the loader unpacks from the block and checks before the global
// tables are attached to it.

#include <cstdint>
#include <string>
#include <vector>

#include "units/DataTables.h"

struct GameDataSet {
    std::vector<VehicleClassChart> mVehicleClasses;
    std::vector<ForceTypeChart> mForces;
    std::vector<MovementSpeedChart> mPaces;
    std::vector<VehicleData> mVehicles;
    std::vector<InfantryData> mInfantry;
    std::vector<WeaponData> mWeapons;
    std::vector<SmallArmsData> mSmallArms;
    std::vector<VehicleModelData> mVehicleModels;
    std::vector<OrdnanceModelData> mOrdnanceModels;
    std::vector<TOEData> mTOE;
    std::vector<AirplaneData> mAirplanes;
    std::vector<UniformGraphics> mUniforms;
    std::vector<AmmoData> mAmmo;
    std::vector<ATRModelData> mATRModels;

    // Untyped access by table, for the packer and the block format.
    uint8_t* Bytes(GameTable t);
    const uint8_t* Bytes(GameTable t) const;
    int32_t Count(GameTable t) const;
    void Resize(GameTable t, int32_t rows); // new rows are zeroed
};

// Table names as the text files and messages use them.
const char* GameTableName(GameTable t);   // e.g. "weapons"
const char* GameTableGlobal(GameTable t); // e.g. "gWeaponData"

// The plain bytes of a block: per table a count, a record size, the records.
std::vector<uint8_t> FlattenGameData(const GameDataSet& set);

// The reverse: false, with the reason, when a count or record size is wrong
// or the bytes do not end exactly after the last table.
bool SplitGameData(const std::vector<uint8_t>& plain, GameDataSet* set, std::string* error);

// Every fixed row present, every field in its range, every cross-reference
// pointing at an existing row. False with the first fault found.
bool CheckGameData(const GameDataSet& set, std::string* error);
