// The program's own data: it loads, and every row that a rule reads by a
// fixed number exists and holds what that rule expects.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "engine/GStringTable.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/RuleContext.h"
#include "units/ValueMemo.h"
#include "units/Vehicle.h"

namespace {

int32_t sDate = 4306;

class GameData : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData()) << GameDataError();
        sDate = 4306;
        RuleContext c;
        c.scenarioDate = [] { return sDate; };
        SetRuleContext(&c);
    }
    void TearDown() override {
        SetRuleContext(nullptr);
        DeleteCryptoData();
    }

    static bool HasAmmoClass(WeaponType w, AmmoClass c) {
        for (const WeaponAmmo& a : gWeaponData[w].mAmmo) {
            if (a.mType < 1) break;
            if (gAmmoData[a.mType].mClass == c) return true;
        }
        return false;
    }
};

TEST_F(GameData, FixedWeaponRows) {
    EXPECT_EQ(gWeaponData[kWeaponNone].mAmmo[0].mType, 0);
    for (WeaponType twin : {42, 43, 45}) {
        EXPECT_EQ(gWeaponData[twin].mClass, kWClassTwinGun) << twin;
        EXPECT_TRUE(HasAmmoClass(twin, kAmmoHE75)) << twin;
        EXPECT_TRUE(HasAmmoClass(twin, kAmmoAP)) << twin;
    }
    EXPECT_TRUE(HasAmmoClass(42, kAmmoAP75));
    EXPECT_TRUE(HasAmmoClass(43, kAmmoAP75));
    for (WeaponType w : {58, 165, 166, 167, 168, 169}) {
        EXPECT_EQ(gWeaponData[w].mClass, kWClassLightAT) << w;
        EXPECT_TRUE(HasAmmoClass(w, kAmmoHEAT)) << w;
    }
    for (WeaponType w = 256; w <= 265; ++w) {
        EXPECT_EQ(gWeaponData[w].mClass, kWClassSpecial) << w;
        EXPECT_TRUE(HasAmmoClass(w, kAmmoHE)) << w;
    }
    EXPECT_EQ(gWeaponData[kWeaponSniper].mClass, kWClassSniper);
    for (WeaponType w : {254, 255}) {
        EXPECT_EQ(gWeaponData[w].mClass, kWClassGun) << w;
        EXPECT_TRUE(HasAmmoClass(w, kAmmoAP)) << w;
    }
    for (WeaponType w : {135, 144, 253, 273})
        EXPECT_TRUE(HasAmmoClass(w, kAmmoHE)) << w;
    EXPECT_EQ(gWeaponData[177].mOrdnanceModel, kOrdnanceModelNone);
    EXPECT_NE(gWeaponData[74].mFireSound, 0);  // hull-gun shot of a twin mount
    EXPECT_NE(gWeaponData[155].mFireSound, 0); // vehicle smoke launcher
    EXPECT_TRUE(HasAmmoClass(155, kAmmoSmoke));
    float last = 0.0f;
    for (WeaponType w : {190, 214, 218, 221}) { // craters by battle status
        EXPECT_GT(BlastPower(w, kAmmoHE), last) << w;
        last = BlastPower(w, kAmmoHE);
    }
    // Only four gun models have drawings (any other number is drawn as the
    // Flak): every gun that is drawn uses one of them.
    for (WeaponType w = 0; w < gWeaponData.Count(); ++w) {
        const OrdnanceModel m = gWeaponData[w].mOrdnanceModel;
        EXPECT_TRUE(m == kOrdnanceModelNone || m == 6 || m == 13 || m == 21 || m == 36) << w;
    }
    // The towed guns that have their own drawing.
    EXPECT_EQ(gWeaponData[3].mOrdnanceModel, 36);
    EXPECT_EQ(gWeaponData[4].mOrdnanceModel, 6);
    EXPECT_EQ(gWeaponData[10].mOrdnanceModel, 21);
    EXPECT_EQ(gWeaponData[11].mOrdnanceModel, 13);
    // The 2 cm FlaK on its cruciform mount slews all round; the PaK 36 is
    // swung by hand; the PaK 40 turns on its split trail.
    EXPECT_EQ(gWeaponData[11].mCarriage, 2);
    EXPECT_EQ(gWeaponData[3].mCarriage, 1);
    EXPECT_EQ(gWeaponData[7].mCarriage, 0);
}

// A flame projector in a machine-gun slot fires the weapon row its small-arms
// row names (any other flame weapon, such as the man-pack 39, fires 184): a
// burst at least as strong as the man-pack's, with a reach.
TEST_F(GameData, SlotFlameProjectorsFireFlameRowsWithStrength) {
    for (auto [slot, row] : {std::pair{56, 25}, {57, 26}, {58, 185}, {39, 184}}) {
        Vehicle v;
        v.mFiringMGs = true;
        v.mMGSmallArms = slot;
        PendingAttack a;
        v.GetWeaponInfo(&a.mWeaponType, &a.mWeaponClass, kKnowTruth);
        EXPECT_EQ(a.mWeaponType, row) << slot;
        EXPECT_EQ(gWeaponData[row].mClass, kWClassFlame) << row;
        EXPECT_GT(gWeaponData[row].mMaxRange, 0.0f) << row;
        EXPECT_GE(a.GetFirepower(false, nullptr), gSmallArmsData[39].mFirepower[0]) << row;
    }
}

TEST_F(GameData, SmallArmsRows) {
    for (SmallArmsType t = 1; t <= 5; ++t)
        EXPECT_EQ(gSmallArmsData[t].mWeaponKind, 12) << t;
    for (SmallArmsType t : {6, 7, 8, 10, 65, 67}) {
        EXPECT_GT(gSmallArmsData[t].mFirepower[1], 0.0f) << t;
        EXPECT_GT(gSmallArmsData[t].mMaxRange, 500) << t;
    }
    EXPECT_EQ(gSmallArmsData[kSmallArmsNone].mFirepower[0], 0.0f);
    EXPECT_EQ(GetMGAmmoType(kSmallArmsNone), 0);
    EXPECT_EQ(GetMGAmmoType(31), 1); // 12.7 mm
    EXPECT_EQ(GetMGAmmoType(39), 2); // flame thrower
    EXPECT_EQ(GetMGAmmoType(6), 0);
    for (SmallArmsType t : {59, 68, 69})
        EXPECT_EQ(gSmallArmsData[t].mPictureIndex, t);
}

TEST_F(GameData, CrewRowsHoldOneToEightMen) {
    for (InfantryType base :
         {kInfantryCrewGerman, kInfantryCrewAmerican, kInfantryCrewBritish, kInfantryCrewItalian})
        for (int n = 1; n <= 8; ++n) {
            EXPECT_EQ(gInfantryData[base + n - 1].mNrMen, n) << base;
            EXPECT_EQ(gInfantryData[base + n - 1].mHeavyWeapon, kWeaponNone) << base;
        }
    EXPECT_GT(gInfantryData[kInfantryCrewDummy].mNrMen, 0);
}

TEST_F(GameData, GenericRecordsOfUnidentifiedUnits) {
    for (InfantryType t : {22, 23, 24, 25, 247, 248, 249, 497, 498, 499, 500, 699}) {
        EXPECT_NE(gInfantryData[t].mIsSquad, 0) << t;
        EXPECT_EQ(gInfantryData[t].mHeavyWeapon, kWeaponNone) << t;
    }
    // A squad's name is its kind: the program itself adds " Gruppe".
    for (InfantryType t = 0; t < gInfantryData.Count(); ++t) {
        if (gInfantryData[t].mIsSquad) {
            EXPECT_EQ(std::strstr(gInfantryData[t].mName, "ruppe"), nullptr) << t;
        }
    }
    for (InfantryType t : {88, 89, 337, 339, 340, 538, 539, 540, 735})
        EXPECT_EQ(gWeaponData[gInfantryData[t].mHeavyWeapon].mClass, kWClassGun) << t;
}

TEST_F(GameData, ForcesVehiclesAndPaces) {
    EXPECT_EQ(gForceTypeChart[kForceDefaultAxis].mNation, kNationGerman);
    EXPECT_EQ(gForceTypeChart[kForceDefaultAllies].mNation, kNationAmerican);
    EXPECT_EQ(gVehicleData[kVehicleGenericBunker].mMobilityClass, 6);
    EXPECT_EQ(gVehicleClassChart[gVehicleData[kVehicleGenericTruck].mClass].mGeneralType,
              kVehicleGenericTruck);
    EXPECT_TRUE(gVehicleData.Has(kVehicleTest));
    EXPECT_EQ(ConvertOrderToSpeed(20), kPaceDefaultMove);
    EXPECT_EQ(ConvertOrderToSpeed(25), kPaceReverse);
    EXPECT_EQ(ConvertOrderToSpeed(33), kPaceBuildingOnly);
    EXPECT_EQ(ConvertOrderToSpeed(37), kPaceRotate);
    EXPECT_EQ(ConvertOrderToSpeed(99), kPaceDefaultMove);
}

TEST_F(GameData, VehicleClassesAreNamedAndTyped) {
    // Class c is named by string 5200 + c, as the information panel shows it.
    for (VehicleClass c = 0; c < gVehicleClassChart.Count(); ++c) {
        EXPECT_EQ(gVehicleClassChart[c].mNameString, 5200 + c);
        EXPECT_NE(GetStringRez(gVehicleClassChart[c].mNameString), nullptr) << c;
    }
    // Fixed emplacements are of class 6; each generic type stands for its
    // own class.
    EXPECT_EQ(gVehicleData[kVehicleGenericBunker].mClass, 6);
    for (VehicleType t = kVehicleGenericBunker; t <= kVehicleGenericTank; ++t)
        EXPECT_EQ(gVehicleClassChart[gVehicleData[t].mClass].mGeneralType, t) << t;
}

TEST_F(GameData, ForcesUseTheRankNamesOfTheirNation) {
    // Rank abbreviation sets of the string table: German, Italian,
    // American, British and Commonwealth, Polish, French.
    const int32_t setOfNation[kNationCount] = {0, 1, 2, 3, 3, 3, 3, 3, 4, 5};
    for (Force f = 0; f < gForceTypeChart.Count(); ++f) {
        const ForceTypeChart& r = gForceTypeChart[f];
        EXPECT_EQ(r.mRankNameSet, setOfNation[r.mNation]) << r.mName;
    }
    EXPECT_STREQ(GetStringRez(5900 + 6 * gForceTypeChart[kForceDefaultAxis].mRankNameSet), "Obg");
}

TEST_F(GameData, TheTwelveModelledVehicles) {
    const VehicleModel drawn[] = {28, 86, 84, 105, 120, 198, 199, 154, 233, 234, 211, 186, 203};
    for (VehicleModel m : drawn) {
        bool found = false;
        for (int32_t t = 0; t < gVehicleData.Count(); ++t)
            found = found || gVehicleData[t].mVehicleModel == m;
        EXPECT_TRUE(found) << "model " << m;
    }
    // Every real vehicle's gun has a round in date when it enters service
    // (or when the war's battles begin, for the older ones).
    for (int32_t t = 0; t < gVehicleData.Count(); ++t) {
        const VehicleData& v = gVehicleData[t];
        // A flame gun fires its fuel, no round.
        if (v.mMainWeapon == kWeaponNone || gWeaponData[v.mMainWeapon].mClass == kWClassFlame) continue;
        float velocity = 0.0f;
        sDate = std::max<int32_t>(v.mTypeDate, 3909);
        const AmmoType a = AmmoTypeInUse(kAmmoStrict, v.mMainWeapon,
                                         HasAmmoClass(v.mMainWeapon, kAmmoAP) ? kAmmoAP : kAmmoHE, &velocity);
        EXPECT_GT(a, 0) << v.mName;
        EXPECT_GT(velocity, 0.0f) << v.mName;
    }
}

TEST_F(GameData, EveryListedRoundIsFiredAtSomeDate) {
    // The first round of a class in date is the one fired: a round listed
    // behind another of its class whose dates cover its own is never used.
    for (WeaponType w = 0; w < gWeaponData.Count(); ++w) {
        for (const WeaponAmmo& entry : gWeaponData[w].mAmmo) {
            if (entry.mType < 1) break;
            const AmmoData& a = gAmmoData[entry.mType];
            bool fired = false;
            for (int32_t date = a.mFirstDate; date <= a.mLastDate && !fired; ++date) {
                if (date % 100 < 1 || date % 100 > 12) continue;
                sDate = date;
                fired = AmmoTypeInUse(kAmmoStrict, w, a.mClass, nullptr) == entry.mType;
            }
            EXPECT_TRUE(fired) << "weapon " << w << ", round " << entry.mType;
        }
    }
}

TEST_F(GameData, CredibleArmourPenetration) {
    // Standard rounds against a vertical plate at 500 m: the 75 mm M3 about
    // 90 mm, the 8.8 cm KwK 36 about 140 mm, the 5 cm KwK 39 about 80 mm.
    const float m3 = GetPenetration(false, 500, 33, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr);
    const float kwk36 = GetPenetration(false, 500, 8, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr);
    const float kwk39 = GetPenetration(false, 500, 5, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr);
    EXPECT_NEAR(m3, 90, 15);
    EXPECT_NEAR(kwk36, 140, 20);
    EXPECT_NEAR(kwk39, 80, 15);
    EXPECT_GT(GetPenetration(false, 100, 33, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr),
              GetPenetration(false, 1500, 33, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr));
}

TEST_F(GameData, LightCoredShotLosesItsEdgeWithRange) {
    // The 5 cm tungsten-cored shot outdoes the full-calibre shot close in by
    // far, and falls behind it at long range; the 5 cm full-calibre shot
    // itself keeps less than two thirds of its power at 2000 m.
    auto pen = [](WeaponType w, AmmoClass c, float range) {
        return GetPenetration(false, range, w, c, false, 0, 0.5f, nullptr, nullptr, nullptr);
    };
    EXPECT_GT(pen(5, kAmmoTungsten, 100), 1.3f * pen(5, kAmmoAP, 100));
    EXPECT_LT(pen(5, kAmmoTungsten, 2000), pen(5, kAmmoAP, 2000));
    EXPECT_LT(pen(5, kAmmoAP, 2000), 0.67f * pen(5, kAmmoAP, 100));
    // Tungsten of the 8.8 cm still leads its full-calibre shot at 1000 m.
    EXPECT_GT(pen(8, kAmmoTungsten, 1000), pen(8, kAmmoAP, 1000));
}

// Inside a value scope the typical penetration of every weapon and round,
// the value of every weapon (in eight uses) and the penetration of every
// weapon and round (in five uses), at two dates asked in turn, answer bit
// for bit as computed outside and leave the generator where the computation
// leaves it: a dependency missing from a memo's key, or a draw not
// replayed, shows here.
TEST_F(GameData, WeaponValuesInAScopeAsOutside) {
    struct Answer {
        uint32_t bits;
        uint32_t state;
    };
    // Each class's penetration, then a weapon value and the same with each
    // argument changed in turn.
    struct ValueArgs {
        float rate;
        int32_t count, slot;
        bool flag;
        Nation nation;
        bool b;
        float scale;
    };
    const ValueArgs values[] = {{6.0f, 40, 1, false, kNationAmerican, true, 0.98f},
                                {2.5f, 40, 1, false, kNationAmerican, true, 0.98f},
                                {6.0f, 8, 1, false, kNationAmerican, true, 0.98f},
                                {6.0f, 40, 0, false, kNationAmerican, true, 0.98f},
                                {6.0f, 40, 1, true, kNationAmerican, true, 0.98f},
                                {6.0f, 40, 1, false, kNationGerman, true, 0.98f},
                                {6.0f, 40, 1, false, kNationAmerican, false, 0.98f},
                                {6.0f, 40, 1, false, kNationAmerican, true, 1.0f}};
    // Then the penetration of each class, and the same with each argument
    // changed in turn.
    struct PenetrationArgs {
        float range;
        bool hard;
        int32_t hardness;
        float ratio;
    };
    const PenetrationArgs penetrations[] = {{500.0f, false, 250, 1.0f},
                                            {1500.0f, false, 250, 1.0f},
                                            {500.0f, true, 250, 1.0f},
                                            {500.0f, false, 420, 1.0f},
                                            {500.0f, false, 250, 1.3f}};
    constexpr int32_t kClasses = kAmmoAP75 + 1;
    const int32_t kValues = static_cast<int32_t>(std::size(values));
    const int32_t kQuestions = kClasses + kValues + kClasses * static_cast<int32_t>(std::size(penetrations));
    const int32_t dates[2] = {4106, 4409};
    auto seed = [](WeaponType w, int32_t q) { return static_cast<uint32_t>(w * 64 + q + 1); };
    auto ask = [&](WeaponType w, int32_t q) {
        SeedRandomGenerator(seed(w, q));
        float p;
        if (q < kClasses) {
            p = GetTypicalPenetration(w % 2 == 0, 1000.0f, 35, gWeaponData[w].mCalibre, q, w);
        } else if (q < kClasses + kValues) {
            const ValueArgs& a = values[q - kClasses];
            p = GetWeaponVPValue(w, a.rate, a.count, a.slot, a.flag, a.nation, a.b, a.scale);
        } else {
            const AmmoClass c = (q - kClasses - kValues) % kClasses;
            const PenetrationArgs& a = penetrations[(q - kClasses - kValues) / kClasses];
            p = GetPenetration(false, a.range, w, c, a.hard, a.hardness, a.ratio, nullptr, nullptr, nullptr);
        }
        return Answer{std::bit_cast<uint32_t>(p), GetRandomState()};
    };
    auto askAll = [&](int32_t date) {
        sDate = date;
        std::vector<Answer> all;
        for (WeaponType w = 0; w < kWeaponCount; ++w)
            for (int32_t q = 0; q < kQuestions; ++q)
                all.push_back(ask(w, q));
        return all;
    };
    const std::vector<Answer> direct[2] = {askAll(dates[0]), askAll(dates[1])};
    auto weaponOf = [&](size_t i) { return static_cast<WeaponType>(i / kQuestions); };
    auto questionOf = [&](size_t i) { return static_cast<int32_t>(i % kQuestions); };
    int32_t changedByDate = 0, drawing[3] = {};
    for (size_t i = 0; i < direct[0].size(); ++i) {
        changedByDate += direct[0][i].bits != direct[1][i].bits;
        const int32_t q = questionOf(i);
        drawing[q < kClasses             ? 0
                : q < kClasses + kValues ? 1
                                         : 2] += direct[0][i].state != seed(weaponOf(i), q);
    }
    // The two dates differ in some answers, and some searches, values and
    // penetrations draw.
    ASSERT_GT(changedByDate, 0);
    for (int32_t n : drawing)
        ASSERT_GT(n, 0);

    ValueMemoScope scope;
    for (int32_t round = 0; round < 2; ++round) { // the first asks, the second is answered by the memo
        for (int32_t d = 0; d < 2; ++d) {
            const std::vector<Answer> memo = askAll(dates[d]);
            for (size_t i = 0; i < memo.size(); ++i) {
                const WeaponType w = weaponOf(i);
                const int32_t q = questionOf(i);
                EXPECT_EQ(memo[i].bits, direct[d][i].bits)
                    << "weapon " << w << " question " << q << " date " << dates[d];
                EXPECT_EQ(memo[i].state, direct[d][i].state)
                    << "weapon " << w << " question " << q << " date " << dates[d];
            }
        }
    }
}

// Inside a value scope a vehicle's value (whose armour figure is kept) and
// its armour slots against a shooter (kept) come out bit for bit as outside
// one, for every type in places, headings, heights, turret bearings, pitches,
// rolls, front armour factors and two dates asked in turn: a state either
// figure reads but its key misses shows here.
TEST_F(GameData, VehicleArmourFiguresInAScopeAsOutside) {
    struct State {
        float x, y, heading, z, turret, pitch, roll, factor;
    };
    // The first state, then each of its fields changed in turn.
    const State states[] = {{100.0f, 200.0f, 37.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                            {1234.57f, 200.0f, 37.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                            {100.0f, 987.31f, 37.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                            {100.0f, 200.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                            {100.0f, 200.0f, 37.0f, -1.0f, 0.0f, 0.0f, 0.0f, 1.0f},
                            {100.0f, 200.0f, 37.0f, 0.0f, 25.0f, 0.0f, 0.0f, 1.0f},
                            {100.0f, 200.0f, 37.0f, 0.0f, 0.0f, 6.0f, 0.0f, 1.0f},
                            {100.0f, 200.0f, 37.0f, 0.0f, 0.0f, 0.0f, 4.0f, 1.0f},
                            {100.0f, 200.0f, 37.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.8f}};
    Vehicle shooter;
    auto slots = [&](Vehicle& v, std::vector<uint32_t>* out, DataKnowledge k, bool broad, float hit,
                     bool hullDown, float calibre) {
        float armour[9], weights[9], ratios[9];
        int32_t longs[9], n = 0;
        bool bools[9];
        v.AISetArmorValues(k, &shooter, broad, hit, hullDown, armour, longs, bools, weights, ratios, &n,
                           calibre);
        out->push_back(static_cast<uint32_t>(n));
        for (int32_t i = 0; i < n; ++i)
            out->insert(out->end(),
                        {std::bit_cast<uint32_t>(armour[i]), static_cast<uint32_t>(longs[i]), bools[i],
                         std::bit_cast<uint32_t>(weights[i]), std::bit_cast<uint32_t>(ratios[i])});
    };
    // For each type and state: the value, then the slots against a shooter
    // ahead and one to the flank, above and level.
    auto figures = [&] {
        std::vector<std::vector<uint32_t>> all;
        for (VehicleType type = 0; type < kVehicleCount; ++type) {
            if (gVehicleData[type].mName[0] == 0) continue;
            Vehicle v;
            v.mSubtype = type;
            for (const State& s : states) {
                v.mX = s.x, v.mY = s.y, v.mHeading = s.heading, v.mZ = s.z, v.mTurretBearing = s.turret;
                v.mHullPitch = s.pitch, v.mHullRoll = s.roll, v.mArmorFactor[0] = s.factor;
                std::vector<uint32_t> f{std::bit_cast<uint32_t>(v.GetVPValue(false, kKnowTruth))};
                shooter.mX = 700.0f, shooter.mY = 650.0f, shooter.mZ = 0.0f;
                slots(v, &f, kKnowTruth, false, 0.5f, false, 75.0f);
                shooter.mX = 90.0f, shooter.mY = 420.0f, shooter.mZ = 1.0f;
                slots(v, &f, kKnowTruth, true, 0.3f, true, 37.0f);
                shooter.mZ = 0.0f;
                slots(v, &f, kKnowTruth, true, 0.3f, true, 37.0f);
                all.push_back(std::move(f));
            }
        }
        return all;
    };
    sDate = 4306;
    const auto outside = figures();
    sDate = 4501; // later plate: other default hardness
    const auto later = figures();
    EXPECT_NE(later, outside);
    // Each change but the factor's moves some figure (the factor reaches
    // only types of the variance classes).
    const size_t n = std::size(states);
    for (size_t k = 1; k < n - 1; ++k) {
        int32_t moved = 0;
        for (size_t i = 0; i < outside.size(); i += n)
            moved += outside[i + k] != outside[i];
        EXPECT_GT(moved, 0) << "state " << k;
    }
    ValueMemoScope scope;
    for (int32_t round = 0; round < 2; ++round) {
        sDate = 4306;
        EXPECT_EQ(figures(), outside);
        sDate = 4501;
        EXPECT_EQ(figures(), later);
    }
}

} // namespace
