// Machine-gun and rifle fire landing on a soft vehicle: the vehicle itself
// is struck when a uniform draw falls below c = firepower × 0.007 (halved for
// light armour); machine-gun fire (class 7) never strikes the vehicle itself.
// A struck lorry makes the sound of kind 21; a missed one only suppresses its
// crew, and a missed lightly armoured one is left alone. The draw is
// predicted by replaying the generator, and the firepower is set so that c
// lies just above or just below it.

#include <gtest/gtest.h>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/vehicle2_fixtures.h"

namespace {

class MGFireOnSoftVehicles : public ::testing::Test {
protected:
    int32_t PacketsOfKind(int32_t kind) const {
        int32_t n = 0;
        for (int32_t i = 0; i < battle.mBattle.mPackets.GetCount(); ++i) {
            auto* p = static_cast<ActionPacket*>(battle.mBattle.mPackets.GetObjectA(i));
            if (p->mType == kPacketSound && p->mPriority == kind) ++n;
        }
        return n;
    }
    struct Outcome {
        bool struck;        // the sound of a struck vehicle
        bool suppressed;    // the crew's suppression rose
        int32_t packets;    // packets of any kind
    };
    // Fire of class wc with firepower fp × (the seed's first draw + nudge)
    // / 0.007 on a fresh lorry.
    Outcome Fire(uint32_t seed, float scale, float nudge, WeaponClass wc) {
        SeedRandomGenerator(seed);
        const double u = RandomFraction();
        Vehicle* lorry = battle.AddVehicle(kTestLorry, kAxis, 80, 80);
        PendingAttack a = MakeAttack(100, 80, 1, kTestGun, kAmmoHE, wc);
        const int32_t before = battle.mBattle.mPackets.GetCount();
        const int32_t struckBefore = PacketsOfKind(21);
        SeedRandomGenerator(seed);
        lorry->TakeAreaHit(static_cast<float>((u + nudge) / 0.007 * scale), 0, &a);
        return {PacketsOfKind(21) > struckBefore, lorry->mSuppression > 0.0f,
                battle.mBattle.mPackets.GetCount() - before};
    }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
};

TEST_F(MGFireOnSoftVehicles, TheVehicleIsStruckWhenTheDrawFallsBelowSevenThousandthsOfTheFirepower) {
    for (uint32_t seed : {3u, 17u, 40u}) {
        const Outcome above = Fire(seed, 1.0f, 0.002f, kWClassSmallArms);
        EXPECT_TRUE(above.struck) << seed;
        EXPECT_FALSE(above.suppressed) << seed;
        const Outcome below = Fire(seed, 1.0f, -0.002f, kWClassSmallArms);
        EXPECT_FALSE(below.struck) << seed;
        EXPECT_TRUE(below.suppressed) << seed;
    }
}

TEST_F(MGFireOnSoftVehicles, LightArmourHalvesTheChanceAndAMissDoesNothing) {
    battle.mTables.vehicles[kTestLorry].mFlags = kVLightArmor;
    for (uint32_t seed : {3u, 17u, 40u}) {
        // c = 0.5 × (u + 0.002): below the draw.
        const Outcome once = Fire(seed, 1.0f, 0.002f, kWClassSmallArms);
        EXPECT_FALSE(once.struck) << seed;
        EXPECT_FALSE(once.suppressed) << seed;
        EXPECT_EQ(once.packets, 0) << seed;
        // Twice the firepower: c = u + 0.002, above it.
        EXPECT_TRUE(Fire(seed, 2.0f, 0.002f, kWClassSmallArms).struck) << seed;
        EXPECT_FALSE(Fire(seed, 2.0f, -0.002f, kWClassSmallArms).struck) << seed;
    }
}

TEST_F(MGFireOnSoftVehicles, MachineGunFireOnlySuppresses) {
    for (uint32_t seed : {3u, 17u, 40u}) {
        const Outcome o = Fire(seed, 1.0f, 0.002f, kWClassSniper);
        EXPECT_FALSE(o.struck) << seed;
        EXPECT_TRUE(o.suppressed) << seed;
    }
}

} // namespace
