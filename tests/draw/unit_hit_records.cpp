// The hit record of a vehicle, case by case, from the string table.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "draw/UnitDraw.h"
#include "engine/GString.h"

namespace {

std::pair<std::string, std::string> Of(HitRecordFacts h, bool* shown = nullptr) {
    GString255 a, b;
    const bool s = HitRecordTexts(h, &a, &b);
    if (shown) *shown = s;
    return {a.GetCString(), b.GetCString()};
}

HitRecordFacts Hit() {
    HitRecordFacts h;
    h.slice = 1000;
    h.now = 1000;
    return h;
}

} // namespace

TEST(HitRecord, ShownFromTheHitThrough160SlicesAndOnlyToAViewerWhoSeesTheVehicle) {
    HitRecordFacts h = Hit();
    bool shown = false;
    for (int32_t now : {1000, 1160}) {
        h.now = now;
        Of(h, &shown);
        EXPECT_TRUE(shown) << now;
    }
    for (int32_t now : {999, 1161}) {
        h.now = now;
        Of(h, &shown);
        EXPECT_FALSE(shown) << now;
    }
    h = Hit();
    h.contact = 1;
    Of(h, &shown);
    EXPECT_FALSE(shown);
    h = Hit();
    h.slice = -1;
    h.now = 0;
    Of(h, &shown);
    EXPECT_FALSE(shown);
}

TEST(HitRecord, PlaceAndHarmlessHits) {
    HitRecordFacts h = Hit();
    h.generic = true;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Treffer"), std::string()));
    h = Hit();
    h.aspect = 1;
    h.location = 1;
    h.ricochet = true;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Seite obere Wanne getroffen"),
                                    std::string("Gescho\xdf prallte ab")));
    h = Hit();
    h.aspect = 2;
    h.location = 3;
    h.deflected = true;
    EXPECT_EQ(Of(h).first, " Oberteil getroffen");
    EXPECT_EQ(Of(h).second, "Abprall");
    h = Hit();
    h.hasTurret = false;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Front \xdc"
                                                "berbau getroffen"),
                                    std::string("Keine ernsten Sch\xe4"
                                                "den")));
    // A soft vehicle gets no place text.
    h = Hit();
    h.armoured = false;
    EXPECT_EQ(Of(h).first, " getroffen");
    // Spall, with and without crew hit.
    h = Hit();
    h.spall = true;
    EXPECT_EQ(Of(h).second, "innere Splitterwirkung");
    h.casualties = 2;
    h.ricochet = true;
    EXPECT_EQ(Of(h).second, "Gescho\xdf prallte ab, innere Splitterwirkung - Besatzung getroffen");
}

TEST(HitRecord, RunningGearAndWeaponHits) {
    HitRecordFacts h = Hit();
    h.location = 5;
    h.mobilityClass = 1;
    h.immobilized = true;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Rad getroffen"), std::string("Unbeweglich")));
    h.mobilityClass = 3;
    h.full = false;
    h.contact = 3;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Kette getroffen"), std::string()));
    h = Hit();
    h.location = 6;
    h.heavyWeapon = false;
    h.weaponDamaged = true;
    EXPECT_EQ(Of(h), std::make_pair(std::string("MG getroffen"), std::string("Besch\xe4"
                                                                             "digt")));
}

TEST(HitRecord, PenetrationsAndTheirDamage) {
    HitRecordFacts h = Hit();
    h.penetration = 1;
    h.weakPoint = true;
    h.immobilized = true;
    h.weaponDamaged = true;
    EXPECT_EQ(Of(h), std::make_pair(std::string("Front Turm teilweise Durchschlag am Schwachpunkt"),
                                    std::string("Unbeweglich, Gesch\xfctz besch\xe4"
                                                "digt")));
    h = Hit();
    h.penetration = 2;
    h.casualties = 1;
    EXPECT_EQ(Of(h).second, "1 verwundet");
    h.casualties = 3;
    h.weaponDamaged = true;
    h.heavyWeapon = false;
    h.machineGuns = 2;
    EXPECT_EQ(Of(h).second, "MG besch\xe4"
                            "digt, 3 verwundet");
    h = Hit();
    h.penetration = 2;
    h.alive = false;
    EXPECT_EQ(Of(h).second, "ausgeschaltet");
    h = Hit();
    h.penetration = 2;
    EXPECT_EQ(Of(h).second, "Keine ernsten Sch\xe4"
                            "den");
    // Not fully known: the damage stays unsaid.
    h.full = false;
    h.casualties = 2;
    EXPECT_EQ(Of(h).second, "");
}

TEST(HitRecord, AnEmplacementShowsRearHatchOrVisionSlitAndIsNeverImmobilised) {
    HitRecordFacts h = Hit();
    h.mobilityClass = 6;
    h.location = 1;
    h.aspect = 2;
    h.immobilized = true;
    EXPECT_EQ(Of(h).first, "Hintere Luke getroffen");
    EXPECT_EQ(Of(h).second, "Keine ernsten Sch\xe4"
                            "den");
    h.aspect = 0;
    EXPECT_EQ(Of(h).first, "Feuerschlitz getroffen");
    h.location = 0;
    EXPECT_EQ(Of(h).first, " getroffen");
}
