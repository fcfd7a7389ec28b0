// The consistency check that both the build and the start-up run: a broken
// reference or a field out of range is found and named.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "data_testset.h"
#include "units/DataTables.h"

namespace {

std::string FaultOf(const std::function<void(GameDataSet&)>& damage) {
    GameDataSet set = MinimalDataSet();
    damage(set);
    std::string error;
    if (CheckGameData(set, &error)) return "";
    return error;
}

TEST(DataCheck, MinimalSetIsConsistent) {
    EXPECT_EQ(FaultOf([](GameDataSet&) {}), "");
}

TEST(DataCheck, BrokenCrossReferencesAreNamed) {
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mWeapons[7].mAmmo[0] = {500, 700.0f};
              }).find("gWeaponData, Zeile 7, mAmmo"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicles[10].mMainWeapon = 400; }).find("mMainWeapon"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicles[10].mCoaxMG = 72; }).find("mCoaxMG"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicles[10].mVehicleModel = 236; }).find("mVehicleModel"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mInfantry[3].mHeavyWeapon = -2; }).find("mHeavyWeapon"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mForces[30].mUniformRecord = 34; }).find("mUniformRecord"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mWeapons[1].mOrdnanceModel = 43; }).find("mOrdnanceModel"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mPaces[2].mTiredSpeed = 32; }).find("mTiredSpeed"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicleClasses[0].mGeneralType = 411; }).find("mGeneralType"),
              std::string::npos);
    // A model row naming a texture set the picture store does not hold.
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mVehicleModels[5].mTextureSet = 30;
              }).find("gVehicleModelData, Zeile 5, mTextureSet"),
              std::string::npos);
}

TEST(DataCheck, AmmunitionListEndsAtTheFirstEmptyEntry) {
    // Entries after the end marker are not references.
    EXPECT_EQ(FaultOf([](GameDataSet& s) {
                  s.mWeapons[7].mAmmo[0] = {0, 0.0f};
                  s.mWeapons[7].mAmmo[1] = {900, 1.0f};
              }),
              "");
}

TEST(DataCheck, FieldsOutOfRangeAndInconsistentRows) {
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mInfantry[5].mTeamMen[0] = 3; }).find("Summe"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mInfantry[5].mNrTeams = 5; }).find("mNrTeams"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mAmmo[0].mClass = 0; }).find("Zeile 0"), std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mAmmo[0].mFirstDate = 4501;
                  s.mAmmo[0].mLastDate = 4301;
              }).find("mFirstDate"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mWeapons[3].mLoadMix[1].mAP = 90;
                  s.mWeapons[3].mLoadMix[1].mSmoke = 20;
              }).find("mLoadMix"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mSmallArms[2].mFirepower[3] = -1.0f; }).find("mFirepower"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mSmallArms[2].mName[31] = 'x';
                  std::memset(s.mSmallArms[2].mName, 'x', 32);
              }).find("Text ohne Ende"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mPaces.resize(33, s.mPaces[0]); }).find("32"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mWeapons.resize(200); }).find("Zeilenzahl"), std::string::npos);
    // A gun that fires without a bore would strike with no defined penetration.
    EXPECT_EQ(FaultOf([](GameDataSet& s) { s.mWeapons[7].mClass = kWClassGun; }), ""); // fires nothing
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  s.mAmmo.push_back(s.mAmmo[0]);
                  s.mAmmo[1].mClass = kAmmoAP;
                  s.mWeapons[7].mClass = kWClassGun;
                  s.mWeapons[7].mAmmo[0] = {1, 700.0f};
              }).find("gWeaponData, Zeile 7, mCalibre"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicles[3].mRarityCodes[59] = 17; }).find("mRarityCodes"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mAirplanes[94].mRarityIndex = -1; }).find("gAirplaneData"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mWeapons[7].mCarriage = 3; }).find("mCarriage"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) { s.mVehicles[10].mLookAlikeType = 411; }).find("mLookAlikeType"),
              std::string::npos);
    // Shock resistance: the harm estimate divides by it + 70.
    EXPECT_NE(
        FaultOf([](GameDataSet& s) { s.mVehicles[10].mShockResistance = -70; }).find("mShockResistance"),
        std::string::npos);
    EXPECT_EQ(FaultOf([](GameDataSet& s) { s.mVehicles[10].mShockResistance = -69; }), "");
}

// A pace's coded fields hold only what the rules that read them give a
// meaning; the message names the file, the row and the field.
// A pace kind, fire level or fatigue rate outside its list is taken: the
// rules that read it have a row for any value.
TEST(DataCheck, PaceValuesThatTheRulesTakeAreNotRefused) {
    EXPECT_EQ(FaultOf([](GameDataSet& s) {
                  s.mPaces[3].mPaceKind = 5;
                  s.mPaces[4].mPaceKind = -1;
                  s.mPaces[1].mFireLevel = 5;
                  s.mPaces[0].mFatigueRate = -2;
                  s.mPaces[2].mFatigueRate = 4;
              }),
              "");
}

// Animation numbers are those of a figure group, 0 stand .. 12 crawl; no
// rule draws another.
TEST(DataCheck, AnimationAndPoseNumbersOutsideAFigureGroupAreRefused) {
    using Set = GameDataSet;
    EXPECT_EQ(FaultOf([](Set& s) { s.mPaces[16].mAnimation[0] = 13; }),
              "paces.txt: Tabelle gMovementSpeedChart, Zeile 16, mAnimation: 13 nicht in 0..12");
    EXPECT_NE(FaultOf([](Set& s) { s.mPaces[16].mAnimation[1] = -1; }).find("mAnimation"), std::string::npos);
    EXPECT_NE(FaultOf([](Set& s) { s.mPaces[0].mPoseCode[1] = 13; }).find("mPoseCode"), std::string::npos);
    EXPECT_EQ(FaultOf([](Set& s) {
                  s.mPaces[16].mAnimation[0] = 12;
                  s.mPaces[0].mPoseCode[0] = 0;
              }),
              "");
}

TEST(DataCheck, LoaderRunsTheSameCheck) {
    GameDataSet set = MinimalDataSet();
    set.mWeapons[12].mAmmo[0] = {77, 300.0f}; // no such ammunition row
    EXPECT_FALSE(InstallSet(set));
    EXPECT_NE(std::string(GameDataError()).find("gWeaponData, Zeile 12"), std::string::npos);
    EXPECT_EQ(gWeaponData.Count(), 0);
}

} // namespace

// An observer's row holds its battery's seconds between volleys: none, or
// the crew's 9999, or more than the 640 s cap of any reload is refused.
TEST(DataCheck, AnObserversSecondsBetweenVolleys) {
    auto observer = [](int32_t seconds) {
        return FaultOf([seconds](GameDataSet& s) {
            s.mWeapons[20].mClass = kWClassIndirect;
            s.mInfantry[6].mHeavyWeapon = 20;
            s.mInfantry[6].mBaseLoadTime = static_cast<int16_t>(seconds);
        });
    };
    for (int32_t bad : {9999, 0, -5, 641})
        EXPECT_NE(observer(bad).find("gInfantryData, Zeile 6, mBaseLoadTime"), std::string::npos) << bad;
    EXPECT_EQ(observer(1), "");
    EXPECT_EQ(observer(640), "");
    // The game's own observers: light batteries 20 s, medium ones 30 s.
    ASSERT_TRUE(DecryptData()) << GameDataError();
    const std::pair<InfantryType, int16_t> rows[] = {{12, 20}, {13, 30}, {264, 20}, {265, 30}, {509, 20}, {510, 30}};
    for (const auto& [row, seconds] : rows)
        EXPECT_EQ(gInfantryData[row].mBaseLoadTime, seconds) << row;
    DeleteCryptoData();
}
