// The game's own ammunition table read by the penetration rule: one round of
// each kind of projectile the table uses, at 500 m on a soft plate, against
// values worked out by hand from the gun formula and the table's rows.
#include <gtest/gtest.h>

#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/RuleContext.h"

namespace {

int32_t sDate = 4406;

struct KindCase {
    const char* round;
    int32_t date;
    WeaponType weapon;
    AmmoClass kind;
    int32_t projectile;
    float mm;
};

const KindCase kCases[] = {
    {"37 mm AP shot, x1.05", 4106, 30, kAmmoAP, 1, 71.31f},
    {"3.7 cm AP shell", 4106, 3, kAmmoAP, 2, 42.89f},
    {"37 mm APC, capped, single cap", 4406, 30, kAmmoAP, 4, 67.18f},
    {"7.5 cm APCBC", 4406, 7, kAmmoAP, 8, 132.87f},
    {"57 mm APCBC shot, x1.05", 4406, 32, kAmmoAP, 9, 114.01f},
    {"7.5 cm APCR, full-bore flight", 4406, 7, kAmmoTungsten, 11, 140.60f},
    {"57 mm APDS, sabot reference", 4406, 32, kAmmoTungsten, 12, 133.85f},
    {"17-pounder APDS, sabot reference", 4409, 60, kAmmoTungsten, 12, 185.22f},
    {"stick bomb", 4406, 3, kAmmoHEAT, 14, 180.0f},
};

} // namespace

TEST(AmmoKinds, PenetrationOfOneRoundOfEachKindInTheGamesTable) {
    ASSERT_TRUE(DecryptData()) << GameDataError();
    RuleContext c;
    c.scenarioDate = [] { return sDate; };
    SetRuleContext(&c);
    for (const KindCase& k : kCases) {
        SCOPED_TRACE(k.round);
        sDate = k.date;
        const AmmoType t = AmmoTypeInUse(kAmmoStrict, k.weapon, k.kind, nullptr);
        EXPECT_EQ(gAmmoData[t].mProjectileKind, k.projectile);
        const float p = GetPenetration(false, 500, k.weapon, k.kind, false, 0, 0.5f, nullptr, nullptr, nullptr);
        EXPECT_NEAR(p, k.mm, 0.01f);
    }
    SetRuleContext(nullptr);
    DeleteCryptoData();
}
