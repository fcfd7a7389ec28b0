// The surrender weighing: the steadiness factor of each band and the
// weights of friends and enemies by distance, on both sides of the balance.

#include "infantry2_fixture.h"

namespace {

using namespace infantry;

// A squad with no way out, an enemy squad 10 m off targeting it (its
// distance counts a third: full weight within 5 m). The balance is the men
// left less the enemy's men over the steadiness range
//   (0.5 x experience + 2) x band factor x side morale x 1.25,
// band factors 2, 1.66, 1.33 at bands 3, 4, 5 and 1 above; the squad gives
// up when the balance falls below 0. The side's morale is set so that the
// balance lies just one side of 0 for the band under test.
class SurrenderWeighing : public InfantryFight {
protected:
    Infantry* self = nullptr;
    Infantry* captor = nullptr;
    SurrenderWeighing() {
        mBattle.mBattle.mEdgeOwner[kDirWest] = 2; // no retreat edge for the Germans
        self = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
        captor = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
        captor->mTarget = self;
    }
    // The side morale that puts the balance at exactly 0 for a band factor,
    // with `extra` men added to the squad's side of the balance.
    float EvenMorale(float bandFactor, float extra = 0.0f) {
        const float e = static_cast<float>(self->GetEffectiveExperience(kLeadMorale));
        const float range = (0.5f * e + 2.0f) * bandFactor * 1.25f;
        return static_cast<float>(MenLeft(captor)) / ((static_cast<float>(MenLeft(self)) + extra) * range);
    }
    bool Surrenders(float suppression, float morale) {
        self->mSurrendered = false;
        self->mSuppression = suppression;
        self->mContactLevel = 3;
        self->mFanatic = 1;
        self->mNrWaypoints = 0;
        captor->mTarget = self; // a surrender clears it
        mBattle.mBattle.mGlobalMorale[kAxis] = morale;
        self->FearReaction();
        return self->mSurrendered;
    }
};

TEST_F(SurrenderWeighing, EachBandsSteadinessFactorTipsTheBalance) {
    const struct { float suppression, factor; } bands[] = {
        {60.0f, 2.0f}, {100.0f, 1.66f}, {350.0f, 1.33f}, {600.0f, 1.0f}, {1200.0f, 1.0f}};
    for (const auto& b : bands) {
        const float even = EvenMorale(b.factor);
        EXPECT_TRUE(Surrenders(b.suppression, even * 0.99f)) << b.suppression;
        EXPECT_FALSE(Surrenders(b.suppression, even * 1.01f)) << b.suppression;
    }
    // Top of each band: the same factor as its lower edge.
    EXPECT_TRUE(Surrenders(99.9f, EvenMorale(2.0f) * 0.99f));
    EXPECT_FALSE(Surrenders(99.9f, EvenMorale(2.0f) * 1.01f));
    EXPECT_TRUE(Surrenders(349.0f, EvenMorale(1.66f) * 0.99f));
    EXPECT_FALSE(Surrenders(349.0f, EvenMorale(1.66f) * 1.01f));
    // Below band 3 nothing is weighed, however low the morale.
    EXPECT_FALSE(Surrenders(59.9f, 0.001f));
}

TEST_F(SurrenderWeighing, OnlyUnitsSeenAtContactThreeOrMoreAndNotFanaticsWeighIt) {
    const float low = EvenMorale(1.66f) * 0.5f;
    self->mContactLevel = 2;
    self->mFanatic = 1;
    self->mSuppression = 100.0f;
    mBattle.mBattle.mGlobalMorale[kAxis] = low;
    self->FearReaction();
    EXPECT_FALSE(self->mSurrendered);
    self->mFanatic = 2;
    self->mContactLevel = 3;
    self->FearReaction();
    EXPECT_FALSE(self->mSurrendered);
    EXPECT_TRUE(Surrenders(100.0f, low));
}

// A friend 40 m off adds its men x (100 - 40) / 100; half that when it is
// not in good order; nothing from 100 m.
TEST_F(SurrenderWeighing, AFriendsMenCountByNearnessWithinAHundredMetres) {
    Infantry* friendUnit = Place(kGermanSquad, kGerman, 60.0f, 100.0f);
    const float men = static_cast<float>(MenLeft(friendUnit));
    const float near = men * 0.6f;
    EXPECT_TRUE(Surrenders(100.0f, EvenMorale(1.66f, near) * 0.99f));
    EXPECT_FALSE(Surrenders(100.0f, EvenMorale(1.66f, near) * 1.01f));
    friendUnit->mX = 0.0f; // exactly 100 m: ignored
    EXPECT_TRUE(Surrenders(100.0f, EvenMorale(1.66f) * 0.99f));
    EXPECT_FALSE(Surrenders(100.0f, EvenMorale(1.66f) * 1.01f));
}

// The enemy 60 m off (20 m when targeting: a third) and 30 m off when not
// targeting: weight x (75 - d) / 70 beyond 5 m; nothing from 75 m.
TEST_F(SurrenderWeighing, AnEnemysMenCountByNearnessWithinSeventyFiveMetres) {
    // A second enemy, not targeting, 30 m off: (75 - 30) / 70 of its men.
    Infantry* other = Place(kUSSquad, kAmerican, 100.0f, 130.0f);
    const float w = static_cast<float>(MenLeft(other)) * 45.0f / 70.0f;
    const float c = static_cast<float>(MenLeft(captor));
    const float e = static_cast<float>(self->GetEffectiveExperience(kLeadMorale));
    const float range = (0.5f * e + 2.0f) * 1.66f * 1.25f;
    const float even = (c + w) / (static_cast<float>(MenLeft(self)) * range);
    EXPECT_TRUE(Surrenders(100.0f, even * 0.99f));
    EXPECT_FALSE(Surrenders(100.0f, even * 1.01f));
    other->mY = 175.0f; // 75 m: ignored
    EXPECT_TRUE(Surrenders(100.0f, EvenMorale(1.66f) * 0.99f));
    EXPECT_FALSE(Surrenders(100.0f, EvenMorale(1.66f) * 1.01f));
}

} // namespace
