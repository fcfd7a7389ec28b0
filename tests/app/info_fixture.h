#pragma once
// The world of the tests of the unit panel, the weather text, the hot-key
// window, the unit balloon and the map view's line texts: table rows of
// their own, a folder of plain pictures for every number those views load,
// a kernel, a battle on a blank map whose host answers with the side, fog
// of war and state a test sets, and a record of what is drawn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/InfoPanelDraw.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

// Attaches rows of a test's own to a table and restores the old rows after.
template <class T> class InfoRows {
public:
    InfoRows(DataTable<T>& table, int32_t count)
        : mTable(table), mOldRows(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(count)) {
        mTable.Attach(mRows.data(), count);
    }
    ~InfoRows() { mTable.Attach(mOldRows, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    T* mOldRows;
    int32_t mOldCount;
    std::vector<T> mRows;
};

class InfoHost : public BattleHost {
public:
    Affiliation ViewingSide() override { return mSide; }
    int32_t FogOfWarLevel() override { return mFog; }
    int32_t InteractionState() override { return mState; }
    int32_t HumanPlayers() override { return mHumans; }
    bool SecondHalf() override { return mSecondHalf; }
    void ToggleKillsPage() override { ++mKillToggles; }
    Affiliation mSide = kAxis;
    int32_t mFog = 2;
    int32_t mState = 0;
    int32_t mHumans = 1;
    bool mSecondHalf = false;
    int32_t mKillToggles = 0;
};

// Rows of the test tables.
constexpr Force kGermans = 0;   // nation 0: Axis
constexpr Force kAmericans = 1; // nation 2: Allies
constexpr SmallArmsType kRifle = 6;
constexpr SmallArmsType kMG = 8;      // machine gun
constexpr SmallArmsType kHeavyMG = 9; // heavy machine gun
constexpr WeaponType kTankGun = 10;   // a 75 mm gun, 900 m
constexpr WeaponType kLongGun = 11;   // an 88 mm gun, 9000 m
constexpr WeaponType kMortar = 12;
constexpr WeaponType kArtillery = 13; // off-map artillery
constexpr InfantryType kSquad = 1;    // 9 men, rifles and a machine gun
constexpr InfantryType kObserver = 2; // calls down the artillery
constexpr InfantryType kLeader = 3;
constexpr VehicleType kTank = 1;
constexpr VehicleType kLorry = 2;
constexpr VehicleType kBoat = 3;
constexpr VehicleType kEmplacement = 4;

class InfoWorld : public testing::Test {
protected:
    InfoWorld();
    ~InfoWorld() override;
    void SetUp() override;
    void TearDown() override;

    Infantry* AddInfantry(InfantryType type, Force force, float x, float y);
    Vehicle* AddVehicle(VehicleType type, Force force, float x, float y);
    // Everything drawn by f, as recorded.
    template <class F> InfoDrawLog Record(F f) {
        InfoDrawLog log;
        gInfoDrawLog = &log;
        f();
        gInfoDrawLog = nullptr;
        return log;
    }
    static std::string Rez(int32_t id);
    // Picture numbers blitted, in order.
    static std::vector<int32_t> Pictures(const InfoDrawLog& log);

    std::unique_ptr<ProgramFolder> mFolder;
    std::string mOldPictureFolder;
    InfoHost mHost;
    Battle* mBattle = nullptr;
    Battle* mOldBattle = nullptr;

    InfoRows<ForceTypeChart> mForces{gForceTypeChart, kForceCount};
    InfoRows<SmallArmsData> mArms{gSmallArmsData, kSmallArmsCount};
    InfoRows<WeaponData> mWeapons{gWeaponData, kWeaponCount};
    InfoRows<MovementSpeedChart> mPaces{gMovementSpeedChart, kMovementSpeedCount};
    InfoRows<InfantryData> mTypes{gInfantryData, kInfantryCount};
    InfoRows<VehicleData> mVehicles{gVehicleData, kVehicleCount};
    InfoRows<VehicleClassChart> mClasses{gVehicleClassChart, kVehicleClassCount};
    InfoRows<AmmoData> mAmmo{gAmmoData, 8};
};
