// Geometry, a target's value and the tungsten limit.

#include <cmath>

#include "ai/AIGeometry.h"
#include "ai_fixture.h"

using namespace aitest;

TEST(AIGeometry, AngleOffNormalisesTheFacingAndMeasuresFromTheBearing) {
    // Coinciding points have bearing 90.
    EXPECT_FLOAT_EQ(_AngleOff(0, 0, 0, 0, 0, true), 90.0f);
    // -360 counts as 360 and 725 as 5: both against a bearing of 0.
    EXPECT_FLOAT_EQ(_AngleOff(-360.0f, 0, 0, 10, 0, true), 0.0f);
    EXPECT_FLOAT_EQ(_AngleOff(725.0f, 0, 0, 10, 0, false), 5.0f);
    // Facing 10 against bearing 350, and facing 350 against bearing 10.
    const float x350 = std::cos(350.0f * 0.0174532925f), y350 = std::sin(350.0f * 0.0174532925f);
    const float x10 = std::cos(10.0f * 0.0174532925f), y10 = std::sin(10.0f * 0.0174532925f);
    EXPECT_NEAR(_AngleOff(10.0f, 0, 0, x350, y350, true), 20.0f, 1e-3f);
    EXPECT_NEAR(_AngleOff(10.0f, 0, 0, x350, y350, false), 20.0f, 1e-3f);
    EXPECT_NEAR(_AngleOff(350.0f, 0, 0, x10, y10, true), 20.0f, 1e-3f);
    EXPECT_NEAR(_AngleOff(350.0f, 0, 0, x10, y10, false), -20.0f, 1e-3f);
    // Straight down the y axis, and behind.
    EXPECT_FLOAT_EQ(_AngleOff(0, 0, 0, 0, -5, false), -270.0f + 360.0f);
    EXPECT_FLOAT_EQ(_AngleOff(0, 0, 0, -5, 0, true), 180.0f);
}

TEST(AIGeometry, DistanceIsRoundedOnceFromExtendedPrecision) {
    EXPECT_EQ(Distance(3, 4, 5, 3, 4, 5), 0.0f);
    EXPECT_FLOAT_EQ(Distance(0, 0, 0, 3, 4, 12), 13.0f);
    // Large coordinates that differ by little keep their difference.
    EXPECT_FLOAT_EQ(Distance(1e7f, 0, 0, 1e7f + 1.0f, 0, 0), 1.0f);
}

class AIValue : public AIBattle {};

TEST_F(AIValue, AnUnidentifiedUnitIsValuedByItsKind) {
    Squad* s = Rifles(kAllies, 1000, 1000);
    s->mContactLevel = kContactSeen;
    GFuzzySet v;
    s->AIGetVPValue(&v, false, kKnowEnemy);
    EXPECT_EQ(v.GetCount(), 2);
    EXPECT_FLOAT_EQ(M(v, 0), 1.0f - 27.0f / 47.0f);
    EXPECT_FLOAT_EQ(M(v, 1), 27.0f / 47.0f);
    // Doubled, 30 becomes 75.
    GFuzzySet d;
    s->AIGetVPValue(&d, true, kKnowEnemy);
    EXPECT_FALSE(Has(d, 0));
    EXPECT_NEAR(M(d, 1), 1.0f - 25.0f / 150.0f, 1e-6f);
    EXPECT_NEAR(M(d, 2), 25.0f / 70.0f, 1e-6f);
    // A gun team is worth 80; the truth is the unit's own value.
    s->kit.mOrdnance = true;
    GFuzzySet g;
    s->AIGetVPValue(&g, false, kKnowEnemy);
    EXPECT_NEAR(M(g, 1), 1.0f - 30.0f / 150.0f, 1e-6f);
    EXPECT_NEAR(M(g, 2), 30.0f / 70.0f, 1e-6f);
    GFuzzySet t;
    s->AIGetVPValue(&t, false, kKnowTruth);
    EXPECT_FLOAT_EQ(M(t, 1), 1.0f); // its own 50: label 1 only
    EXPECT_EQ(t.GetCount(), 1);
    // An unidentified vehicle takes its general type's value, 175 here.
    Tank* k = Armour(kAllies, 1200, 1000);
    k->mContactLevel = kContactSeen;
    GFuzzySet kv;
    k->AIGetVPValue(&kv, false, kKnowEnemy);
    EXPECT_NEAR(M(kv, 1), 1.0f - 125.0f / 150.0f, 1e-6f);
    EXPECT_FLOAT_EQ(M(kv, 2), 1.0f);
    // Values of 3 or less and of 200 or more give one label only.
    s->ai.vp = 3.0f;
    GFuzzySet lo;
    s->AIGetVPValue(&lo, false, kKnowTruth);
    EXPECT_EQ(lo.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(lo, 0), 1.0f);
    s->ai.vp = 200.0f;
    GFuzzySet hi;
    s->AIGetVPValue(&hi, false, kKnowTruth);
    EXPECT_EQ(hi.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(hi, 2), 1.0f);
}

TEST_F(AIValue, TungstenIsKeptForTargetsAlreadyUnderFire) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* it = Armour(kAllies, 1500, 1000);
    float v = 4.0f;
    me->mAmmo[kAmmoTungsten] = 5;
    me->AILimitTungstenUse(0.1f, it, &v);
    EXPECT_FLOAT_EQ(v, 3.4f * 0.95f);
    me->mAmmo[kAmmoTungsten] = 1;
    v = 1.0f;
    me->AILimitTungstenUse(0.5f, it, &v);
    EXPECT_FLOAT_EQ(v, 0.95f * 0.45f);
    // The current target keeps it once one shot has gone (0.4 <= 0.5 < 0.7).
    me->mTarget = it;
    me->mShotsAtTarget = 1;
    v = 1.0f;
    me->AILimitTungstenUse(0.5f, it, &v);
    EXPECT_FLOAT_EQ(v, 0.95f);
    // Below the lower threshold it takes two shots.
    v = 1.0f;
    me->AILimitTungstenUse(0.3f, it, &v);
    EXPECT_FLOAT_EQ(v, 0.95f * 0.45f);
    // A sure hit is never held back.
    me->mTarget = nullptr;
    v = 1.0f;
    me->AILimitTungstenUse(0.7f, it, &v);
    EXPECT_FLOAT_EQ(v, 0.95f);
}
