// The pace of men on foot by the terrain ahead, and of a gun pushed by its
// crew. The pushed gun, worked from the rule: a base pace in
// miles per hour by the type's mobility (4: 0.735, 5: 0.63, 6: 0.525,
// 7: 0.42, 8: 0.21, any other below 9: 0.84), a fifth of it at a pace kind of
// 1 or less, then the share of the men still there; converted to metres a
// slice by 0.4473 × 0.025.

#include "infantry_fixture.h"

namespace {

constexpr double kToMetres = 0.4473 * 0.025;
constexpr MovementSpeedType kKindZero = 6;
constexpr MovementSpeedType kKindOne = 5;
constexpr MovementSpeedType kKindTwo = 7;
constexpr MovementSpeedType kKindFour = 8;

class InfantryPace : public InfantryTest {
protected:
    InfantryPace() {
        mPaces[kKindZero].mPaceKind = 0;
        mPaces[kKindOne].mPaceKind = 1;
        mPaces[kKindTwo].mPaceKind = 2;
        mPaces[kKindFour].mPaceKind = 4;
        mBattle.mBattle.mGlobalMorale[0] = mBattle.mBattle.mGlobalMorale[1] = 1.0f;
        mBattle.mBattle.mTemperature = 2;
    }
    float Speed(int32_t mobility, MovementSpeedType pace, int32_t casualties = 0) {
        mTypes[kGermanGunCrew].mMobility = mobility;
        auto gun = Make(kGermanGunCrew, kGerman);
        gun->mMoveSpeed = pace;
        gun->mHeading = 0.0f;
        gun->mCasualties = casualties;
        return gun->MoveSpeed(nullptr);
    }
};

TEST_F(InfantryPace, BasePaceByMobilityFourToEightAndOtherwise) {
    const struct {
        int32_t mobility;
        double mph;
    } rows[] = {{1, 0.84}, {3, 0.84}, {4, 0.735}, {5, 0.63}, {6, 0.525}, {7, 0.42}, {8, 0.21}};
    for (const auto& r : rows) {
        EXPECT_NEAR(Speed(r.mobility, kKindTwo), r.mph * kToMetres, 1e-7) << "mobility " << r.mobility;
        EXPECT_NEAR(Speed(r.mobility, kKindFour), r.mph * kToMetres, 1e-7) << "mobility " << r.mobility;
    }
    // From mobility 9 the gun cannot be moved by its crew at all.
    EXPECT_NEAR(Speed(9, kKindTwo), 0.001 * kToMetres, 1e-9);
    EXPECT_NEAR(Speed(12, kKindTwo), 0.001 * kToMetres, 1e-9);
}

TEST_F(InfantryPace, AFifthAtPaceKindOneOrLessOnly) {
    EXPECT_NEAR(Speed(5, kKindZero), 0.63 * 0.2 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(5, kKindOne), 0.63 * 0.2 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(5, kKindTwo), 0.63 * kToMetres, 1e-7);
}

TEST_F(InfantryPace, LossesSlowTheGunByTheShareOfMenLeft) {
    // Five men: none lost, one lost (4/5), four lost (1/5).
    EXPECT_NEAR(Speed(6, kKindTwo, 0), 0.525 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(6, kKindTwo, 1), 0.525 * 0.8 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(6, kKindOne, 4), 0.525 * 0.2 * 0.2 * kToMetres, 1e-8);
}

// The terrain rule, code by code, for men walking (3.2 mph) and for a gun
// pushed at mobility 4 (0.735 mph); the ground is dry and nothing burns.
TEST_F(InfantryPace, TerrainFactorsForMenOnFootAndForPushedGuns) {
    struct Row {
        Terrain code;
        double walking, pushed;
    };
    const Row rows[] = {
        {0, 1.0, 1.0},      {4, 1.0, 1.0},        {18, 1.0, 1.0},     {45, 1.0, 1.0},
        {48, 1.0, 1.0},     {64, 1.0, 1.0},       {1, 0.7, 0.7},      {28, 0.21, 0.21},
        {46, 0.7, 0.7},     {47, 0.21, 0.21},     {49, 0.3, 0.3},     {2, 0.95, 0.95},
        {3, 0.95, 0.95},    {15, 0.95, 0.95},     {20, 0.95, 0.95},   {29, 0.285, 0.285},
        {30, 0.285, 0.285}, {21, 0.8, 0.8},       {31, 0.24, 0.24},   {22, 0.95, 0.95},
        {32, 0.285, 0.285}, {23, 0.7, 0.7},       {33, 0.21, 0.21},   {24, 0.6, 0.6},
        {34, 0.18, 0.18},   {5, 0.4, 0.4},        {25, 0.4, 0.4},     {35, 0.12, 0.12},
        {6, 0.3, 0.3},      {8, 0.3, 0.3},        {7, 0.25, 0.25},    {9, 0.286, 0.0},
        {26, 0.286, 0.0},   {10, 0.035, 0.0},     {11, 0.035, 0.0},   {12, 0.035, 0.0},
        {13, 1.111, 1.111}, {14, 1.111, 1.111},   {17, 1.111, 1.111}, {55, 1.111, 1.111},
        {61, 1.111, 1.111}, {27, 0.3, 0.3},       {16, 0.2, 0.0},     {19, 0.2, 0.0},
        {42, 0.2, 0.0},     {44, 0.2, 0.0},       {36, 0.0, 0.0},     {37, 0.0, 0.0},
        {54, 0.0, 0.0},     {62, 0.0, 0.0},       {63, 0.0, 0.0},     {39, 0.1, 0.0},
        {41, 0.025, 0.0},   {43, 0.2, 0.05},
    };
    mTypes[kGermanGunCrew].mMobility = 4;
    mBattle.mBattle.mTheatre = 0; // no palm trees
    auto squad = Make(kUSSquad, kAmerican);
    auto gun = Make(kGermanGunCrew, kGerman);
    for (Infantry* u : {squad.get(), gun.get()}) {
        u->mMoveSpeed = kKindTwo;
        u->mHeading = 0.0f;
        u->mLookAhead = false; // the rule of the ground the unit stands on
    }
    for (const Row& r : rows) {
        mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, r.code);
        EXPECT_NEAR(squad->MoveSpeed(nullptr), 3.2 * r.walking * kToMetres, 1e-7) << "terrain " << int(r.code);
        EXPECT_NEAR(gun->MoveSpeed(nullptr), 0.735 * r.pushed * kToMetres, 1e-7) << "terrain " << int(r.code);
    }
    // Codes 22 and 32 go at 0.8 instead of 0.95 in the theatres drawn with
    // palm trees (2 and 3).
    for (int32_t theatre : {0, 1, 2, 3, 4}) {
        mBattle.mBattle.mTheatre = theatre;
        const double f = theatre == 2 || theatre == 3 ? 0.8 : 0.95;
        mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, 22);
        EXPECT_NEAR(squad->MoveSpeed(nullptr), 3.2 * f * kToMetres, 1e-7) << "theatre " << theatre;
        mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, 32);
        EXPECT_NEAR(squad->MoveSpeed(nullptr), 3.2 * 0.3 * f * kToMetres, 1e-7) << "theatre " << theatre;
    }
}

// Men on foot by speed class (2, 3, 4) and pace kind (1, 2, 3, 4; any other
// kind walks as 2), in miles per hour.
TEST_F(InfantryPace, FootPaceTableByClassAndPaceKind) {
    struct Row {
        MovementSpeedType pace;
        double mph[3]; // classes 2, 3, 4
    };
    const Row rows[] = {
        {kKindOne, {0.294, 0.672, 1.05}},
        {kKindTwo, {2.1, 3.2, 3.2}},
        {kFast, {0.001, 0.001, 4.7952}}, // pace kind 3
        {kKindFour, {3.2, 5.6, 8.0}},
        {kKindZero, {2.1, 3.2, 3.2}},
    };
    mBattle.mBattle.mTheatre = 0;
    for (const Row& r : rows) {
        for (int32_t cls = 2; cls <= 4; ++cls) {
            mTypes[kUSSquad].mSpeedClass = cls;
            auto u = Make(kUSSquad, kAmerican);
            u->mMoveSpeed = r.pace;
            u->mHeading = 0.0f;
            EXPECT_NEAR(u->MoveSpeed(nullptr), r.mph[cls - 2] * kToMetres, 1e-7)
                << "class " << cls << ", pace " << int(r.pace);
        }
    }
}

// Tired men go at half pace from the pace's fatigue limit on, not before.
TEST_F(InfantryPace, HalfPaceFromTheFatigueLimitOn) {
    mPaces[kKindFour].mFatigueLimit = 2;
    auto u = Make(kUSSquad, kAmerican);
    u->mMoveSpeed = kKindFour;
    u->mHeading = 0.0f;
    u->mFatigueState = 1;
    EXPECT_NEAR(u->MoveSpeed(nullptr), 8.0 * kToMetres, 1e-7);
    u->mFatigueState = 2;
    EXPECT_NEAR(u->MoveSpeed(nullptr), 4.0 * kToMetres, 1e-7);
    u->mFatigueState = 3;
    EXPECT_NEAR(u->MoveSpeed(nullptr), 4.0 * kToMetres, 1e-7);
}

// Ground condition on soft and on hard terrain: morass halves on soft
// ground only; snow halves and deep snow quarters men without skis on soft
// ground only; on hard ground skis halve the pace.
TEST_F(InfantryPace, MorassAndSnowSlowOnlySoftGroundExceptForSkis) {
    mBattle.mBattle.mTheatre = 0;
    auto u = Make(kUSSquad, kAmerican);
    u->mMoveSpeed = kKindTwo;
    u->mHeading = 0.0f;
    u->mLookAhead = false;
    const double walk = 3.2 * kToMetres;
    struct Case {
        int32_t ground;
        Terrain code; // 0 open (soft), 13 (hard, × 1.111)
        bool skis;
        double factor;
    };
    const Case cases[] = {
        {5, 0, false, 0.5},  {5, 13, false, 1.111}, {7, 0, false, 0.5},       {8, 0, false, 0.25},
        {7, 13, false, 1.111}, {8, 13, false, 1.111}, {7, 13, true, 1.111 * 0.5}, {8, 13, true, 1.111 * 0.5},
        {2, 0, false, 1.0},  {4, 0, false, 1.0},
    };
    for (const Case& c : cases) {
        mBattle.mBattle.mGroundCondition = c.ground;
        mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, c.code);
        u->mOnSkis = c.skis;
        EXPECT_NEAR(u->MoveSpeed(nullptr), walk * c.factor, 1e-7)
            << "ground " << c.ground << ", terrain " << int(c.code) << (c.skis ? ", skis" : "");
    }
}

} // namespace
