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

// The facing is brought into 0..360 (an exact negative multiple of 360
// becomes 360, 360 becomes 0); exactly -180 and 180 come back as they are,
// beyond them the signed offset wraps; coinciding points have bearing 90.
TEST(AIGeometry, AngleOffAtTheEdgesOfItsRanges) {
    // A point straight behind (bearing 180).
    EXPECT_FLOAT_EQ(_AngleOff(0.0f, 0, 0, -5, 0, false), -180.0f);
    EXPECT_FLOAT_EQ(_AngleOff(360.0f, 0, 0, -5, 0, false), -180.0f);
    EXPECT_FLOAT_EQ(_AngleOff(-360.0f, 0, 0, -5, 0, false), 180.0f);
    EXPECT_FLOAT_EQ(_AngleOff(270.0f, 0, 0, 0, 5, false), 180.0f);
    EXPECT_FLOAT_EQ(_AngleOff(0.0f, 0, 0, -5, 0, true), 180.0f);
    // Beyond -180 and 180 the signed offset wraps: facing 10 against a
    // bearing of 210 is 160 the other way, facing 350 against 150 is -160.
    const float a210 = 210.0f * 0.0174532925f, a150 = 150.0f * 0.0174532925f;
    EXPECT_NEAR(_AngleOff(10.0f, 0, 0, std::cos(a210), std::sin(a210), false), 160.0f, 1e-3f);
    EXPECT_NEAR(_AngleOff(350.0f, 0, 0, std::cos(a150), std::sin(a150), false), -160.0f, 1e-3f);
    // 725 counts as 5 also for the unsigned offset.
    EXPECT_FLOAT_EQ(_AngleOff(725.0f, 0, 0, 10, 0, true), 5.0f);
    EXPECT_FLOAT_EQ(_AngleOff(-725.0f, 0, 0, 10, 0, true), 5.0f);
    // Coinciding points: bearing 90, so a facing of 0 is -90 off.
    EXPECT_FLOAT_EQ(_AngleOff(0.0f, 3, 4, 3, 4, false), -90.0f);
    EXPECT_FLOAT_EQ(_AngleOff(0.0f, 3, 4, 3, 3, false), -270.0f + 360.0f);
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

// A vehicle the enemy has not made out (contact below 3) is valued by its
// general type: 150, 40, 90, or 175 for any other. The value set then has
// label 0 falling over 3..50, label 1 rising over 3..50 and falling over
// 50..200, label 2 rising over 50..120.
TEST_F(AIValue, AVehicleSeenOnlyByItsKindIsValuedByItsGeneralType) {
    Rows<VehicleClassChart> chart(gVehicleClassChart, 4);
    chart[0].mGeneralType = 406;
    chart[1].mGeneralType = 407;
    chart[2].mGeneralType = 408;
    chart[3].mGeneralType = 409;
    mHost.SetViewingSide(kAxis);
    Tank* k = Armour(kAllies, 1200, 1000);
    k->mContactLevel = kContactSeen;
    ASSERT_LT(static_cast<int32_t>(kContactSeen), 3);
    struct Case {
        int16_t known;
        float m0, m1, m2;
    };
    const Case cases[] = {
        {0, 0.0f, 1.0f / 3.0f, 1.0f},                    // 150
        {1, 10.0f / 47.0f, 37.0f / 47.0f, 0.0f},         // 40
        {2, 0.0f, 1.0f - 40.0f / 150.0f, 40.0f / 70.0f}, // 90
        {3, 0.0f, 1.0f - 125.0f / 150.0f, 1.0f},         // 175
    };
    for (const Case& c : cases) {
        k->mKnownClass = c.known;
        GFuzzySet v;
        k->AIGetVPValue(&v, false, kKnowEnemy);
        EXPECT_NEAR(M(v, 0), c.m0, 1e-6f) << c.known;
        EXPECT_NEAR(M(v, 1), c.m1, 1e-6f) << c.known;
        EXPECT_NEAR(M(v, 2), c.m2, 1e-6f) << c.known;
        EXPECT_EQ(v.GetCount(), (c.m0 > 0) + (c.m1 > 0) + (c.m2 > 0)) << c.known;
    }
    // Doubled, 40 becomes 100: label 1 at 2/3, label 2 at 50/70.
    k->mKnownClass = 1;
    GFuzzySet d;
    k->AIGetVPValue(&d, true, kKnowEnemy);
    EXPECT_FALSE(Has(d, 0));
    EXPECT_NEAR(M(d, 1), 1.0f - 50.0f / 150.0f, 1e-6f);
    EXPECT_NEAR(M(d, 2), 50.0f / 70.0f, 1e-6f);
    // From contact 3 on, and with knowledge of the truth, its own value (50).
    for (FogOfWarContact level : {static_cast<FogOfWarContact>(3), kContactFull}) {
        k->mContactLevel = level;
        GFuzzySet own;
        k->AIGetVPValue(&own, false, kKnowEnemy);
        EXPECT_EQ(own.GetCount(), 1);
        EXPECT_FLOAT_EQ(M(own, 1), 1.0f);
    }
    k->mContactLevel = kContactSeen;
    GFuzzySet truth;
    k->AIGetVPValue(&truth, false, kKnowTruth);
    EXPECT_EQ(truth.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(truth, 1), 1.0f);
    // Neither infantry nor vehicle: 30. An airplane: its own value always.
    Squad* thing = Rifles(kAllies, 1300, 1000);
    thing->mUnitType = kUnitInanimate;
    thing->mContactLevel = kContactSeen;
    thing->kit.mOrdnance = true;
    GFuzzySet t;
    thing->AIGetVPValue(&t, false, kKnowEnemy);
    EXPECT_NEAR(M(t, 1), 27.0f / 47.0f, 1e-6f);
    Plane* plane = Place<Plane>(kAllies, 1400, 1000);
    plane->mContactLevel = kContactSeen;
    plane->ai.vp = 120.0f;
    GFuzzySet p;
    plane->AIGetVPValue(&p, false, kKnowEnemy);
    EXPECT_NEAR(M(p, 1), 1.0f - 70.0f / 150.0f, 1e-6f);
    EXPECT_FLOAT_EQ(M(p, 2), 1.0f); // 120 is where label 2 is full
}

// Tungsten (class 2) is held back by the count left: 0-1 rounds below a hit
// chance of 0.7 (0.4 for a target already under fire), 2-3 below 0.5
// (0.25), 4 below 0.4 (0.15); from 5 rounds never. Under fire means the
// present target with 1 shot fired at it from the lower threshold on, with
// 2 shots below it. Held back: x 0.45 after the cap of 3.4 and x 0.95.
TEST_F(AIValue, TungstenHoldBackBandsByRoundsLeftAndShotsFired) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* it = Armour(kAllies, 1500, 1000);
    const float kept = 0.95f, cut = 0.95f * 0.45f;
    auto limit = [&](int32_t rounds, float chance, int16_t shotsAtIt) {
        me->mAmmo[kAmmoTungsten] = static_cast<uint16_t>(rounds);
        me->mTarget = shotsAtIt >= 0 ? it : nullptr;
        me->mShotsAtTarget = shotsAtIt >= 0 ? shotsAtIt : 0;
        float v = 1.0f;
        me->AILimitTungstenUse(chance, it, &v);
        return v;
    };
    // The upper threshold by rounds left, from both sides (a new target).
    EXPECT_FLOAT_EQ(limit(0, 0.7f, -1), kept);
    EXPECT_FLOAT_EQ(limit(0, 0.69f, -1), cut);
    EXPECT_FLOAT_EQ(limit(1, 0.69f, -1), cut);
    EXPECT_FLOAT_EQ(limit(1, 0.55f, -1), cut);
    EXPECT_FLOAT_EQ(limit(2, 0.55f, -1), kept);
    EXPECT_FLOAT_EQ(limit(2, 0.5f, -1), kept);
    EXPECT_FLOAT_EQ(limit(2, 0.49f, -1), cut);
    EXPECT_FLOAT_EQ(limit(3, 0.45f, -1), cut);
    EXPECT_FLOAT_EQ(limit(4, 0.45f, -1), kept);
    EXPECT_FLOAT_EQ(limit(4, 0.4f, -1), kept);
    EXPECT_FLOAT_EQ(limit(4, 0.39f, -1), cut);
    EXPECT_FLOAT_EQ(limit(5, 0.0f, -1), kept);
    // The lower threshold: one shot is enough from it on, two below it.
    EXPECT_FLOAT_EQ(limit(1, 0.4f, 1), kept);
    EXPECT_FLOAT_EQ(limit(1, 0.39f, 1), cut);
    EXPECT_FLOAT_EQ(limit(1, 0.39f, 2), kept);
    EXPECT_FLOAT_EQ(limit(1, 0.3f, 1), cut);
    EXPECT_FLOAT_EQ(limit(2, 0.3f, 1), kept);
    EXPECT_FLOAT_EQ(limit(3, 0.25f, 1), kept);
    EXPECT_FLOAT_EQ(limit(3, 0.24f, 1), cut);
    EXPECT_FLOAT_EQ(limit(3, 0.2f, 1), cut);
    EXPECT_FLOAT_EQ(limit(4, 0.2f, 1), kept);
    EXPECT_FLOAT_EQ(limit(4, 0.15f, 1), kept);
    EXPECT_FLOAT_EQ(limit(4, 0.14f, 1), cut);
    EXPECT_FLOAT_EQ(limit(4, 0.14f, 2), kept);
    // No shot yet at the present target counts as a new one.
    EXPECT_FLOAT_EQ(limit(4, 0.3f, 0), cut);
    // Shots at another target do not count.
    me->mAmmo[kAmmoTungsten] = 1;
    me->mTarget = me;
    me->mShotsAtTarget = 9;
    float v = 1.0f;
    me->AILimitTungstenUse(0.5f, it, &v);
    EXPECT_FLOAT_EQ(v, cut);
    // The cap comes first: 3.4 stays, anything above becomes 3.4.
    me->mAmmo[kAmmoTungsten] = 9;
    v = 3.4f;
    me->AILimitTungstenUse(0.0f, it, &v);
    EXPECT_FLOAT_EQ(v, 3.4f * 0.95f);
    v = 3.3f;
    me->AILimitTungstenUse(0.0f, it, &v);
    EXPECT_FLOAT_EQ(v, 3.3f * 0.95f);
}
