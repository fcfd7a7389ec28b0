// Sound packets of units: numbers, categories, slices and who hears them;
// terrain texts and symbols.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "battle/ActionPacket.h"
#include "engine/GGroup.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "unit_records_fixture.h"
#include "units/Functions.h"
#include "units/UnitSound.h"

namespace {

constexpr WeaponType kCannon = 100;
constexpr WeaponType kMortar = 101;
constexpr WeaponType kSilent = 102;
constexpr SmallArmsType kRifle = 20;
constexpr SmallArmsType kSMG = 21;
constexpr InfantryType kTwoTeams = 5;
enum : AmmoType { kShell = 1, kHeavyShell, kAmmoRows };

class Sounds : public UnitRecordsTest {
protected:
    void Shape(GameDataSet& s) override {
        s.mWeapons[kCannon].mClass = kWClassGun;
        s.mWeapons[kCannon].mCalibre = 75.0f;
        s.mWeapons[kCannon].mFireSound = 1234;
        s.mWeapons[kMortar].mClass = kWClassMortar;
        s.mWeapons[kMortar].mFireSound = 777;
        s.mWeapons[kSilent].mClass = kWClassGun;
        s.mAmmo.resize(kAmmoRows, s.mAmmo[0]);
        s.mAmmo[kShell] = s.mAmmo[0];
        s.mAmmo[kShell].mClass = kAmmoHE;
        s.mAmmo[kShell].mWeight = 3.0f;
        s.mAmmo[kHeavyShell] = s.mAmmo[kShell];
        s.mAmmo[kHeavyShell].mWeight = 150.0f;
        s.mWeapons[kCannon].mAmmo[0] = {kShell, 500};
        s.mWeapons[kMortar].mAmmo[0] = {kHeavyShell, 200};
        s.mSmallArms[kRifle].mMaxRange = 800;
        s.mSmallArms[kRifle].mSoundWeight = 2;
        s.mSmallArms[kRifle].mSoundClass = 7;
        s.mSmallArms[kSMG].mMaxRange = 200;
        s.mSmallArms[kSMG].mSoundWeight = 3;
        s.mSmallArms[kSMG].mAutoClass = 3;
        s.mSmallArms[kSMG].mSoundClass = 13;
        s.mSmallArms[6].mSoundClass = 17;
        s.mSmallArms[6].mMaxRange = 500;
        InfantryData& i = s.mInfantry[kTwoTeams];
        i.mNrTeams = 2;
        i.mNrMen = 5;
        i.mTeamSmallArms[0] = kRifle;
        i.mTeamSmallArms[1] = kSMG;
        i.mTeamMen[0] = 3;
        i.mTeamMen[1] = 2;
    }
    // An Allied infantry unit the Axis side knows at that contact level.
    RecordUnit* Squad(FogOfWarContact known) {
        mUnit = std::make_unique<RecordUnit>(kUnitInfantry, kForceAmerican);
        mUnit->mSide = 0;
        mUnit->mSubtype = kTwoTeams;
        mUnit->mX = 300.0f;
        mUnit->mY = 400.0f;
        mUnit->mContactLevel = known;
        return mUnit.get();
    }
    ActionPacket* Last() {
        int32_t n = mBattle->mPackets.GetCount();
        return n ? static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(n - 1)) : nullptr;
    }
    std::unique_ptr<RecordUnit> mUnit;
};

TEST_F(Sounds, UnitSoundKindsGiveTheirNumbers) {
    RecordUnit* u = Squad(kContactNone);
    // The unit's own side (Allies, side index 1 here is the Axis viewer).
    const std::pair<int32_t, int32_t> kinds[] = {{7, 701},  {17, 331}, {20, 700},
                                                 {22, 320}, {24, 290}, {99, 0}};
    for (const auto& k : kinds)
        EXPECT_EQ(u->AddSoundEffect(k.first)->mSoundNumber, k.second) << k.first;
    ActionPacket* p = u->AddSoundEffect(10);
    EXPECT_TRUE(p->mSoundNumber == 710 || p->mSoundNumber == 711);
    p = u->AddSoundEffect(23);
    EXPECT_EQ(p->mPriority, 22);
    EXPECT_EQ(p->mSoundNumber, 320);
    p = u->AddSoundEffect(21);
    EXPECT_EQ(p->mTimeSlice, 120);
    EXPECT_TRUE(p->mSoundNumber == 311 || p->mSoundNumber == 312);
    // An unheard unit's sounds reach only its own side, but its engine is
    // heard by all and follows the unit, starting at a staggered slice.
    EXPECT_EQ(p->mSoundFlags & 0x03, 0x01);
    EXPECT_EQ(p->mSource, nullptr);
    u->mSliceCount = 0;
    p = u->AddSoundEffect(5);
    EXPECT_EQ(p->mSoundFlags, 0x07);
    EXPECT_EQ(p->mSource, u);
    EXPECT_GE(p->mTimeSlice, 100);
    EXPECT_LT(p->mTimeSlice, 140);
    gBattle = nullptr;
    EXPECT_EQ(u->AddSoundEffect(7), nullptr);
    gBattle = mBattle;
}

TEST_F(Sounds, ShotsOfSmallArmsArePickedFromTheTeams) {
    RecordUnit* u = Squad(kContactFull);
    for (int i = 0; i < 40; ++i) {
        u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 100.0f, 200);
        ActionPacket* p = Last();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->mTimeSlice, 224);
        const bool rifle = p->mSoundNumber >= 435 && p->mSoundNumber <= 439 && p->mPriority == 12;
        const bool smg = p->mSoundNumber >= 2020 && p->mSoundNumber <= 2021 && p->mPriority == 13;
        EXPECT_TRUE(rifle || smg) << p->mSoundNumber;
    }
    // Out of the sub-machine gun's range only the rifles are heard; moving,
    // only the automatic weapon; beyond every range, the fall-back arm.
    u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 500.0f, 0);
    EXPECT_LE(Last()->mSoundNumber, 439);
    u->mPlaybackSpeed = 0.1f;
    u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 100.0f, 0);
    EXPECT_GE(Last()->mSoundNumber, 2020);
    u->mPlaybackSpeed = 0.0f;
    u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 5000.0f, 0);
    EXPECT_GE(Last()->mSoundNumber, 334);
    EXPECT_LE(Last()->mSoundNumber, 336);
    gFiringSecondarySmallArms = true;
    u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 100.0f, 0);
    gFiringSecondarySmallArms = false;
    EXPECT_GE(Last()->mSoundNumber, 334);
}

TEST_F(Sounds, GunShotsCarryTheirCalibreAndHideAnUnseenFirer) {
    RecordUnit* u = Squad(kContactNone);
    u->AddSoundEffectFire(kWClassGun, kCannon, 500.0f, 50);
    ActionPacket* p = Last();
    EXPECT_EQ(p->mSoundNumber, 1234);
    EXPECT_EQ(p->mPriority, 19);
    EXPECT_EQ(p->mTimeSlice, 50);
    EXPECT_FLOAT_EQ(p->mSoundParam, 75.0f * 0.0022f);
    // The side without contact hears it from up to 100 m off and 200 m low;
    // the unit's own side hears it where it is.
    EXPECT_LE(std::fabs(p->mPoint[0][0] - 300.0f), 100.0f);
    EXPECT_LE(std::fabs(p->mPoint[0][1] - 400.0f), 100.0f);
    EXPECT_FLOAT_EQ(p->mPoint[0][2], -200.0f);
    EXPECT_FLOAT_EQ(p->mPoint[1][0], 300.0f);
    EXPECT_EQ(p->mSoundFlags, 0x03);
    // A mortar is heard only by who knows the firer well.
    Squad(2)->AddSoundEffectFire(kWClassMortar, kMortar, 500.0f, 50);
    EXPECT_EQ(Last()->mPriority, 4);
    EXPECT_EQ(Last()->mSoundFlags, 0x01);
    const int32_t before = mBattle->mPackets.GetCount();
    mUnit->AddSoundEffectFire(kWClassGun, kSilent, 500.0f, 50);
    EXPECT_EQ(mBattle->mPackets.GetCount(), before); // sound 0: no packet
}

TEST_F(Sounds, ExplosionsBySize) {
    RecordUnit* u = Squad(kContactFull);
    EXPECT_EQ(u->AddSoundEffectExplosion(10, 264, kAmmoHE, 1, 2), nullptr);
    ActionPacket* p = u->AddSoundEffectExplosion(10, 259, kAmmoHE, 1, 2);
    EXPECT_TRUE(p->mSoundNumber == 220 || p->mSoundNumber == 221);
    EXPECT_EQ(p->mPriority, 15);
    EXPECT_FLOAT_EQ(p->mSoundParam, 0.0f);
    EXPECT_EQ(p->mSoundFlags, 0x03);
    EXPECT_FLOAT_EQ(p->mX, 1.0f);
    p = u->AddSoundEffectExplosion(10, kMortar, kAmmoHE, 1, 2);
    EXPECT_EQ(p->mPriority, 18);
    EXPECT_FLOAT_EQ(p->mSoundParam, 1.58f);
    p = u->AddSoundEffectExplosion(10, kCannon, kAmmoHE, 1, 2);
    EXPECT_GE(p->mSoundNumber, 200);
    EXPECT_LE(p->mSoundNumber, 202);
    EXPECT_EQ(p->mPriority, 11);
    EXPECT_FLOAT_EQ(p->mSoundParam, 0.1f);
    EXPECT_EQ(p->mTimeSlice, 10);
}

TEST_F(Sounds, VoicesByNationWithTheirFallBacks) {
    EXPECT_EQ(VoiceVariants(kNationGerman, 18), 6);
    EXPECT_EQ(VoiceVariants(kNationBritish, 18), 0);
    EXPECT_EQ(VoiceVariants(12, 0), 0);
    RecordUnit object(kUnitInanimate);
    EXPECT_EQ(object.AddSoundEffectVoice(14, 200, 0, 0), nullptr);

    RecordUnit* u = Squad(kContactHeard);
    int32_t made = 0;
    for (int i = 0; i < 50; ++i) {
        ActionPacket* p = u->AddSoundEffectVoice(14, 200, 1.0f, 2.0f);
        if (!p) continue;
        ++made;
        EXPECT_GE(p->mSoundNumber, 30000 + 2 * 10000 + 1400);
        EXPECT_LT(p->mSoundNumber, 30000 + 2 * 10000 + 1404);
        EXPECT_GE(p->mTimeSlice, 140);
        EXPECT_LE(p->mTimeSlice, 180);
        EXPECT_EQ(p->mPriority, 6);
        EXPECT_EQ(p->mSoundFlags, 0x03);
    }
    EXPECT_EQ(made, 50); // a chance of 200 halved still always shouts
    // Shout 19 has no recording and falls back to 18, which the enemy hears
    // only from contact level 4 on.
    ActionPacket* p = u->AddSoundEffectVoice(19, 200, 0, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->mSoundFlags, 0x01);
    EXPECT_EQ(u->AddSoundEffectVoice(99, 200, 0, 0), nullptr);
}

TEST_F(Sounds, ANationWithoutVoicesOnlyCriesOut) {
    auto u = std::make_unique<RecordUnit>(kUnitInfantry, kForceBritish);
    int32_t cries = 0;
    for (int i = 0; i < 100; ++i) {
        // The fall-backs' odds have no counts to weigh: no voice, no fault.
        EXPECT_EQ(u->AddSoundEffectVoice(7, 200, 0, 0), nullptr);
        EXPECT_EQ(u->AddSoundEffectVoice(25, 200, 0, 0), nullptr);
        ActionPacket* p = u->AddSoundEffectVoice(18, 100, 0, 0);
        if (!p) continue;
        ++cries;
        EXPECT_GE(p->mSoundNumber, 500);
        EXPECT_LE(p->mSoundNumber, 506);
    }
    EXPECT_GT(cries, 20);
    EXPECT_LT(cries, 60);
}

std::string TerrainText(Terrain t, bool upper, int32_t* symbol) {
    GString63 text;
    GetTerrainStringX(&text, t, 0, 0, upper, symbol);
    return text.GetCString();
}

std::string Rez(int32_t id) {
    GString63 text;
    text.IStringRez(id);
    return text.GetCString();
}

TEST_F(Sounds, TerrainTextsAndSymbolsForEveryCode) {
    for (Terrain t = 0; t < kTerrainCount; ++t) {
        int32_t symbol = -1;
        EXPECT_FALSE(TerrainText(t, false, &symbol).empty()) << t;
        EXPECT_GE(symbol, -1);
        EXPECT_LE(symbol, 31);
    }
    int32_t symbol = -1;
    EXPECT_EQ(TerrainText(0, false, &symbol), Rez(5500));
    EXPECT_EQ(symbol, 0);
    EXPECT_EQ(TerrainText(6, false, &symbol), "Krater");
    EXPECT_EQ(symbol, 23);
    EXPECT_EQ(TerrainText(52, true, &symbol), "Bedeckter Boden");
    EXPECT_EQ(symbol, 21);
    EXPECT_EQ(TerrainText(52, false, &symbol), Rez(5550));
    EXPECT_EQ(symbol, 17);
    EXPECT_EQ(TerrainText(63, false, &symbol), Rez(5605));
    EXPECT_EQ(symbol, 22);
    mBattle->mTheatre = 2;
    EXPECT_EQ(TerrainText(22, false, &symbol), "Palmen");
    EXPECT_EQ(symbol, 29);
    mBattle->mTheatre = 1;
    EXPECT_EQ(TerrainText(22, false, &symbol), Rez(5522));
    EXPECT_EQ(symbol, 26);
    symbol = 77;
    TerrainText(45, false, &symbol); // a text without a symbol leaves it
    EXPECT_EQ(symbol, 77);
    TerrainText(45, false, nullptr);
}

TEST_F(Sounds, DamagedBuildingsAndFoxholesInTheTerrainText) {
    auto* map = new Map;
    ASSERT_TRUE(map->IBlankMap(20, 20, 1.0f, 54));
    mBattle->mMap = map;
    const float cx[4] = {102, 118, 118, 102};
    const float cy[4] = {102, 102, 118, 118};
    auto* b = new Building;
    b->IBuilding(5, 5, kTerrainLightBuilding, cx, cy);
    map->mBuildings->Add(b);
    map->IndexObjects();
    auto text = [](Terrain t) {
        GString63 s;
        GetTerrainStringX(&s, t, 110.0f, 110.0f, false, nullptr);
        return std::string(s.GetCString());
    };
    b->mDamage = 0.4f;
    EXPECT_EQ(text(50), Rez(5550));
    b->mDamage = 0.7f; // above 0.4, not above 0.7
    EXPECT_EQ(text(50), Rez(5550) + "*");
    b->mDamage = 0.75f;
    EXPECT_EQ(text(57), Rez(5604) + "**");
    EXPECT_EQ(text(62), Rez(5605)); // a broken bridge is no building
    map->mLastCraterWasFoxhole = true;
    EXPECT_EQ(text(5), "Sch\xfctzenloch");
}

} // namespace
