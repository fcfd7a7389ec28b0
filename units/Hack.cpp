#include "units/Hack.h"

#include <memory>
#include <string>
#include <utility>

#include "units/DataBlock.h"
#include "units/GameDataSet.h"

DataTable<VehicleClassChart> gVehicleClassChart;
DataTable<ForceTypeChart> gForceTypeChart;
DataTable<MovementSpeedChart> gMovementSpeedChart;
DataTable<VehicleData> gVehicleData;
DataTable<InfantryData> gInfantryData;
DataTable<WeaponData> gWeaponData;
DataTable<SmallArmsData> gSmallArmsData;
DataTable<VehicleModelData> gVehicleModelData;
DataTable<OrdnanceModelData> gOrdnanceModelData;
DataTable<TOEData> gTOEData;
DataTable<AirplaneData> gAirplaneData;
DataTable<UniformGraphics> gUniformGraphics;
DataTable<AmmoData> gAmmoData;
DataTable<ATRModelData> gATRModelData;

namespace {

std::unique_ptr<GameDataSet> sLoaded;
std::string sError;

template <class T> void AttachTable(DataTable<T>& table, std::vector<T>& rows) {
    table.Attach(rows.data(), static_cast<int32_t>(rows.size()));
}

void AttachAll(GameDataSet& s) {
    AttachTable(gVehicleClassChart, s.mVehicleClasses);
    AttachTable(gForceTypeChart, s.mForces);
    AttachTable(gMovementSpeedChart, s.mPaces);
    AttachTable(gVehicleData, s.mVehicles);
    AttachTable(gInfantryData, s.mInfantry);
    AttachTable(gWeaponData, s.mWeapons);
    AttachTable(gSmallArmsData, s.mSmallArms);
    AttachTable(gVehicleModelData, s.mVehicleModels);
    AttachTable(gOrdnanceModelData, s.mOrdnanceModels);
    AttachTable(gTOEData, s.mTOE);
    AttachTable(gAirplaneData, s.mAirplanes);
    AttachTable(gUniformGraphics, s.mUniforms);
    AttachTable(gAmmoData, s.mAmmo);
    AttachTable(gATRModelData, s.mATRModels);
}

void DetachAll() {
    gVehicleClassChart.Detach();
    gForceTypeChart.Detach();
    gMovementSpeedChart.Detach();
    gVehicleData.Detach();
    gInfantryData.Detach();
    gWeaponData.Detach();
    gSmallArmsData.Detach();
    gVehicleModelData.Detach();
    gOrdnanceModelData.Detach();
    gTOEData.Detach();
    gAirplaneData.Detach();
    gUniformGraphics.Detach();
    gAmmoData.Detach();
    gATRModelData.Detach();
}

} // namespace

bool LoadGameData(const uint8_t* block, size_t size) {
    DeleteCryptoData();
    std::vector<uint8_t> plain;
    std::string why;
    auto set = std::make_unique<GameDataSet>();
    if (!OpenDataBlock(block, size, &plain, &why) || !SplitGameData(plain, set.get(), &why) ||
        !CheckGameData(*set, &why)) {
        sError = "Spieldaten fehlerhaft: " + why;
        return false;
    }
    sLoaded = std::move(set);
    AttachAll(*sLoaded);
    return true;
}

bool DecryptData() {
    return LoadGameData(kGameDataBlock, kGameDataBlockSize);
}

void DeleteCryptoData() {
    DetachAll();
    sLoaded.reset();
    sError.clear();
}

const char* GameDataError() {
    return sError.c_str();
}
