// The pace of a gun pushed by its crew, worked from the rule: a base pace in
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

class PushedGunSpeed : public InfantryTest {
protected:
    PushedGunSpeed() {
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

TEST_F(PushedGunSpeed, BasePaceByMobilityFourToEightAndOtherwise) {
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

TEST_F(PushedGunSpeed, AFifthAtPaceKindOneOrLessOnly) {
    EXPECT_NEAR(Speed(5, kKindZero), 0.63 * 0.2 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(5, kKindOne), 0.63 * 0.2 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(5, kKindTwo), 0.63 * kToMetres, 1e-7);
}

TEST_F(PushedGunSpeed, LossesSlowTheGunByTheShareOfMenLeft) {
    // Five men: none lost, one lost (4/5), four lost (1/5).
    EXPECT_NEAR(Speed(6, kKindTwo, 0), 0.525 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(6, kKindTwo, 1), 0.525 * 0.8 * kToMetres, 1e-7);
    EXPECT_NEAR(Speed(6, kKindOne, 4), 0.525 * 0.2 * 0.2 * kToMetres, 1e-8);
}

} // namespace
