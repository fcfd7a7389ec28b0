// Data and rules at their boundaries: ammunition in the first and last month
// of its dates, penetration inside the band where the two formulas blend,
// infantry rows whose unused teams hold men, and the unit record's bytes as
// the file keeps them.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data_testset.h"
#include "engine/GFile.h"
#include "units/Functions.h"
#include "units/Inanimate.h"
#include "units/RuleContext.h"

namespace {

enum : AmmoType { kEarly = 1, kLate, kShot, kRows };
enum : WeaponType { kDatedGun = 100, kCannon16, kCannon24 };

int32_t sDate = 4306;

AmmoData Shot(int32_t first, int32_t last, float weight) {
    AmmoData a{};
    a.mClass = kAmmoAP;
    a.mProjectileKind = 3;
    a.mCap = 0;
    a.mWeight = weight;
    a.mFirstDate = static_cast<int16_t>(first);
    a.mLastDate = static_cast<int16_t>(last);
    return a;
}

WeaponData Gun(float calibre, std::initializer_list<WeaponAmmo> ammo) {
    WeaponData w{};
    w.mClass = kWClassLightAT;
    w.mCalibre = calibre;
    w.mNrTubes = 1;
    w.mOrdnanceModel = kOrdnanceModelNone;
    int i = 0;
    for (const WeaponAmmo& a : ammo)
        w.mAmmo[i++] = a;
    return w;
}

class Boundaries : public ::testing::Test {
protected:
    void SetUp() override {
        GameDataSet s = MinimalDataSet();
        s.mAmmo.resize(kRows, s.mAmmo[0]);
        s.mAmmo[kEarly] = Shot(4001, 4212, 5.0f);
        s.mAmmo[kLate] = Shot(4301, 4512, 5.0f);
        s.mAmmo[kShot] = Shot(3901, 4512, 0.33f);
        s.mWeapons[kDatedGun] = Gun(50, {{kEarly, 600}, {kLate, 700}});
        s.mWeapons[kCannon16] = Gun(16, {{kShot, 740}});
        s.mWeapons[kCannon24] = Gun(24, {{kShot, 740}});
        ASSERT_TRUE(InstallSet(s)) << GameDataError();
        RuleContext c;
        c.scenarioDate = [] { return sDate; };
        SetRuleContext(&c);
    }
    void TearDown() override {
        SetRuleContext(nullptr);
        DeleteCryptoData();
    }
};

TEST_F(Boundaries, AmmunitionServesFromItsFirstToItsLastMonth) {
    const struct {
        int32_t date;
        AmmoType strict;
    } cases[] = {{3912, kAmmoTypeNone}, {4001, kEarly}, {4212, kEarly},
                 {4301, kLate},         {4512, kLate},  {4601, kAmmoTypeNone}};
    for (const auto& c : cases) {
        sDate = c.date;
        float v = -1.0f;
        EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDatedGun, kAmmoAP, &v), c.strict) << c.date;
        if (c.strict != kAmmoTypeNone) {
            EXPECT_FLOAT_EQ(v, c.strict == kEarly ? 600.0f : 700.0f) << c.date;
        }
        // Out of date, the lenient answer is the weapon's first entry.
        EXPECT_EQ(AmmoTypeInUse(kAmmoLenient, kDatedGun, kAmmoAP, nullptr),
                  c.strict == kAmmoTypeNone ? kEarly : c.strict)
            << c.date;
    }
}

// An uncapped shot of kind 3 (F = 1.16 x 0.828 x 0.95), 0.33 lb, striking at
// 740 m/s = 2427.2 ft/s (no drag), on soft plate (hardness 200). Worked out
// from the two formulas outside the program:
//   16 mm: gun 41.0410, small bore 57.1071; (3 x 41.0410 + 11 x 57.1071) / 14
//   24 mm: gun 26.5788, small bore 36.4564; (11 x 26.5788 + 3 x 36.4564) / 14
// (weights unequal, so a blend with its weights the wrong way round shows).
TEST_F(Boundaries, PenetrationInsideTheBlendBandWeighsBothFormulas) {
    auto pen = [](WeaponType w) {
        return GetPenetration(false, 0, w, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr);
    };
    EXPECT_NEAR(pen(kCannon16), 53.6644f, 2e-3);
    EXPECT_NEAR(pen(kCannon24), 28.6955f, 2e-3);
}

// ---------------------------------------------------------------- data check

std::string FaultOf(void (*damage)(GameDataSet&)) {
    GameDataSet set = MinimalDataSet();
    damage(set);
    std::string error;
    return CheckGameData(set, &error) ? "" : error;
}

TEST(InfantryTeams, MenInATeamBeyondTheTeamCountAreRefused) {
    // Two teams of 3 and 2 men, and 4 men in the third, unused, slot: the sum
    // of the used teams still matches, but those men would silently vanish.
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  InfantryData& r = s.mInfantry[5];
                  r.mNrTeams = 2;
                  r.mNrMen = 5;
                  r.mTeamMen[0] = 3;
                  r.mTeamMen[1] = 2;
                  r.mTeamMen[2] = 4;
              }).find("mTeamMen"),
              std::string::npos);
    EXPECT_NE(FaultOf([](GameDataSet& s) {
                  InfantryData& r = s.mInfantry[5];
                  r.mNrTeams = 3;
                  r.mNrMen = 6;
                  r.mTeamMen[0] = 2;
                  r.mTeamMen[1] = 2;
                  r.mTeamMen[2] = 2;
                  r.mTeamMen[3] = 1;
              }).find("mTeamMen"),
              std::string::npos);
    // All four teams in use, each with men: consistent.
    EXPECT_EQ(FaultOf([](GameDataSet& s) {
                  InfantryData& r = s.mInfantry[5];
                  r.mNrTeams = 4;
                  r.mNrMen = 10;
                  r.mTeamMen[0] = 1;
                  r.mTeamMen[1] = 2;
                  r.mTeamMen[2] = 3;
                  r.mTeamMen[3] = 4;
              }),
              "");
}

// ---------------------------------------------------------------- unit record

std::vector<uint8_t> RecordOf(Unit& unit) {
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    unit.Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

TEST(UnitRecordBytes, TheFlagBytesAndFirstFieldsLieWhereTheFileKeepsThem) {
    Inanimate u;
    u.mActive = true;        // 0x80
    u.mTargetLocked = true;  // 0x10
    u.mRoundPattern = true;  // 0x04
    u.mExitMark = true;      // 0x01 -> 0x95
    u.mCasualties = 5;       // 0x50
    u.mTargetDead = true;    // 0x08
    u.mQueuedDelay = 3;      // 0x03 -> 0x5B
    u.mExperience = 2;       // 0x20
    u.mAmmoClassInUse = 7;   // 0x07 -> 0x27
    u.mSide = 1;             // 0x40
    u.mUnitValueF = 5;       // 0x28
    u.mContactLevel = 2;     // 0x02 -> 0x6A (no sound offsets at contact 2)
    u.mOffMapState = 1;      // 0x40
    u.mFatigueState = 6;     // 0x30
    u.mAcquisition = 5;      // 0x05 -> 0x75
    u.mExiting = true;       // 0x80
    u.mUnitValueG = 2;       // 0x40
    u.mIsMoving = true;      // 0x08
    u.mSpotPhase = 5;        // 0x05 -> 0xCD
    u.mGunKnockedOut = true; // 0x40
    u.mFanatic = 2;          // 0x20
    u.mOldCasualties = 9;    // 0x09 -> 0x69
    u.mX = 100.0f;           // 0x42C80000
    u.mY = -2.5f;            // 0xC0200000
    u.mHeading = 405.5f;     // 45.5 within one turn: 45.5 x 90 + 0.5 = 4095.5 -> 4095
    u.mZ = 1.25f;            // 12500.5 -> 12500 = 0x30D4
    u.mSuppression = 12.34f; // 123.9 -> 123 = 0x007B
    u.mAmmo[0] = 300;        // 0x012C
    u.mAmmo[9] = 1000;       // 0x03E8
    const std::vector<uint8_t> b = RecordOf(u);
    ASSERT_GE(b.size(), 42u);
    const std::vector<uint8_t> head(b.begin(), b.begin() + 22);
    EXPECT_EQ(head, (std::vector<uint8_t>{kUnitInanimate, 0x95, 0x5B, 0x27, 0x6A, 0x75, 0xCD, 0x69,
                                          0x42,           0xC8, 0x00, 0x00, 0xC0, 0x20, 0x00, 0x00,
                                          0x0F,           0xFF, 0x30, 0xD4, 0x00, 0x7B}));
    EXPECT_EQ(b[22], 0x01);
    EXPECT_EQ(b[23], 0x2C);
    EXPECT_EQ(b[40], 0x03);
    EXPECT_EQ(b[41], 0xE8);
}

} // namespace
