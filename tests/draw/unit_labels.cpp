// The status label of a vehicle, case by case, from the string table.
#include <gtest/gtest.h>

#include <string>

#include "DrawTestUtil.h"
#include "draw/UnitDraw.h"

using dtest::Label;
using dtest::LabelOf;

namespace {

Label Of(const VehicleLabelFacts& v) {
    return LabelOf(VehicleLabelTexts, v);
}

VehicleLabelFacts Armed() {
    VehicleLabelFacts v;
    v.heavyWeapon = true;
    v.rounds = 60;
    v.fullLoad = 80;
    return v;
}

} // namespace

TEST(VehicleLabel, KnockedOutAbandonedAndBailingOut) {
    VehicleLabelFacts v = Armed();
    v.alive = false;
    EXPECT_EQ(Of(v).first, "ausgeschaltet");
    v.abandoned = true;
    Label l = Of(v);
    EXPECT_EQ(l.first, "Verlassen");
    EXPECT_EQ(l.kind1, 0);
    EXPECT_EQ(l.second, "");
    v = Armed();
    v.bailOut = 0;
    EXPECT_EQ(Of(v).first, "Ausbooten");
    // An enemy under fog of war shows nothing but a wreck.
    v.ownSide = false;
    v.fogOfWar = 2;
    EXPECT_FALSE(Of(v).shown);
    v.fogOfWar = 1;
    EXPECT_TRUE(Of(v).shown);
}

TEST(VehicleLabel, MoraleBandsIncludeTheirLowerBounds) {
    VehicleLabelFacts v = Armed();
    const struct {
        float s;
        const char* text;
        int32_t kind;
    } cases[] = {{99.9f, "", 1},
                 {100.0f, "Angeschlagen", 2},
                 {350.0f, "Panisch", 0},
                 {600.0f, "Ersch\xfcttert", 0},
                 {1199.0f, "Ersch\xfcttert", 0},
                 {1200.0f, "Zerschlagen", 0}};
    for (const auto& c : cases) {
        v.suppression = c.s;
        const Label l = Of(v);
        EXPECT_EQ(l.first, c.text) << c.s;
        EXPECT_EQ(l.kind1, c.kind) << c.s;
    }
}

TEST(VehicleLabel, MobilityJoinsTheMoraleTextAndTurnsYellowToOrange) {
    VehicleLabelFacts v = Armed();
    v.immobilized = true;
    Label l = Of(v);
    EXPECT_EQ(l.first, "Unbeweglich");
    EXPECT_EQ(l.kind1, 1);
    v.suppression = 150.0f;
    l = Of(v);
    EXPECT_EQ(l.first, "Angeschlagen, Unbeweglich");
    EXPECT_EQ(l.kind1, 1);
    v.suppression = 400.0f;
    EXPECT_EQ(Of(v).kind1, 0);
    // A fixed emplacement is never called immobilised; bogging shows instead.
    v = Armed();
    v.immobilized = v.fixed = true;
    EXPECT_EQ(Of(v).first, "");
    v.bogged = true;
    EXPECT_EQ(Of(v).first, "Festgefahren");
}

TEST(VehicleLabel, AmmunitionAndTheDestroyedGun) {
    VehicleLabelFacts v = Armed();
    v.rounds = 20; // a quarter of 80
    Label l = Of(v);
    EXPECT_EQ(l.second, "geringe Munition");
    EXPECT_EQ(l.kind2, 2);
    v.rounds = 21;
    EXPECT_EQ(Of(v).second, "");
    v.rounds = 0;
    l = Of(v);
    EXPECT_EQ(l.second, "Keine Munition");
    EXPECT_EQ(l.kind2, 0);
    // A weapon that fires only smoke counts its smoke rounds.
    v.smokeOnlyWeapon = true;
    v.smokeRounds = 30;
    EXPECT_EQ(Of(v).second, "");
    v.gunDestroyed = true;
    EXPECT_EQ(Of(v).second, "Gesch\xfctz zerst\xf6rt");
    // Without a gun or machine guns nothing of the kind is said.
    v = VehicleLabelFacts{};
    v.gunDestroyed = true;
    EXPECT_EQ(Of(v).second, "");
    v.machineGuns = 1;
    EXPECT_EQ(Of(v).second, "Gesch\xfctz zerst\xf6rt");
}
