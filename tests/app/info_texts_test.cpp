// The texts of the unit panel, the weather text and the unit balloon, read
// as texts: columns, padding, commas, sectors and the small gauges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/InfoPanelTexts.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/KillRecord.h"
#include "units/unit_conduct_fixtures.h"

namespace {

std::string Str(const GString& s) {
    return std::string(s.GetCString(), s.GetLength());
}

std::string Rez(int32_t id) {
    GString255 s;
    s.IStringRez(id);
    return Str(s);
}

const std::string kDegree = "\xB0";

} // namespace

TEST(InfoTexts, LeaderBonusesComeInCommandMoraleCombatStealthOrderWithoutLeadingBlanks) {
    GString255 t;
    // command 1 (bits 0-1), combat 2 (bits 2-3), morale 3 (bits 4-5)
    LeaderBonusText(0x01 | 0x08 | 0x30, &t);
    EXPECT_EQ(Str(t),
              Rez(991) + Rez(1413) + "1  " + Rez(993) + Rez(1413) + "3  " + Rez(992) + Rez(1413) + "2");
    LeaderBonusText(0xC0, &t);
    EXPECT_EQ(Str(t), Rez(994) + Rez(1413) + "3");
    LeaderBonusText(0, &t);
    EXPECT_EQ(t.GetLength(), 0);
}

TEST(InfoTexts, ArmourRowsPutFrontSideAndRearAtCharacterColumns22_36_50) {
    VehicleData r{};
    r.mTurretKind = 2;
    r.mHasTurretArmor = 1;
    r.mArmorPlates[0] = {80, 10}; // turret front
    r.mArmorPlates[3] = {45, 25}; // turret side
    r.mArmorPlates[6] = {45, 0};  // turret rear
    r.mAddedPlates[0] = 20;
    GString255 t;
    ArmorRowText(r, 0, &t);
    const std::string s = Str(t);
    EXPECT_EQ(s.substr(0, Rez(1386).size()), Rez(1386));
    EXPECT_EQ(s.substr(22, 10), "80+20/10" + kDegree + " ");
    EXPECT_EQ(s.substr(36, 6), "45/25" + kDegree);
    EXPECT_EQ(s.substr(50), "45/0" + kDegree);

    // A rounded front replaces the slope and its sign; without turret armour
    // the upper hull carries it.
    r.mCurvedPlateChance = 40;
    ArmorRowText(r, 0, &t);
    EXPECT_EQ(Str(t).substr(22, 3 + Rez(1983).size() + 3), "80+20/" + Rez(1983));
    r.mHasTurretArmor = 0;
    r.mArmorPlates[1] = {60, 55};
    ArmorRowText(r, 1, &t);
    EXPECT_EQ(Str(t).substr(22, 3 + Rez(1983).size()), "60/" + Rez(1983));

    ArmorHeaderText(&t);
    EXPECT_EQ(Str(t).substr(22), Rez(1384));
}

TEST(InfoTexts, PaddingNeverCutsALongerText) {
    GString255 t;
    t.IStringText("1234567890123456789012345");
    PadToColumn(&t, 22);
    EXPECT_EQ(t.GetLength(), 25);
    t.IStringText("ab");
    PadToColumn(&t, 5);
    EXPECT_EQ(Str(t), "ab   ");
}

TEST(InfoTexts, TopArmourRowOpenEqualOrWithALongSecondPart) {
    VehicleData r{};
    GString255 t;
    ArmorTopRowText(r, true, &t);
    EXPECT_EQ(Str(t), Rez(1389));

    r.mTopArmor[0] = 15; // turret top
    r.mTopArmor[1] = 15; // hull top
    ArmorTopRowText(r, true, &t);
    std::string first = Rez(1390);
    EXPECT_EQ(Str(t), first + std::string(22 - first.size(), ' ') + "15");

    // An open turret with skirts makes a second part of more than 23
    // characters: the padding shrinks by the excess.
    r.mTopArmor[0] = 0;
    r.mSkirtKind = 2;
    ArmorTopRowText(r, true, &t);
    const std::string second = "15" + Rez(1394) + Rez(1396);
    ASSERT_GT(second.size(), 23u);
    const int32_t pad = 22 - static_cast<int32_t>(second.size() - 23) - static_cast<int32_t>(first.size());
    EXPECT_EQ(Str(t), first + std::string(std::max(pad, 0), ' ') + second);

    r.mSkirtKind = 0;
    r.mTopArmor[0] = 25;
    ArmorTopRowText(r, true, &t);
    EXPECT_NE(Str(t).find("15 " + Rez(1391) + "25 " + Rez(1392)), std::string::npos);
    ArmorTopRowText(r, false, &t);
    EXPECT_NE(Str(t).find("15 " + Rez(1393) + "25"), std::string::npos);
}

TEST(InfoTexts, ArmourQualityLine) {
    VehicleData r{};
    GString255 t;
    EXPECT_FALSE(ArmorQualityText(r, &t));
    r.mArmorQuality = 3;
    ASSERT_TRUE(ArmorQualityText(r, &t));
    EXPECT_EQ(Str(t), Rez(1982) + " 85%");
    r.mFlags = kVReinforcedTurretFront;
    ASSERT_TRUE(ArmorQualityText(r, &t));
    EXPECT_EQ(Str(t), Rez(1982) + " 85%  " + Rez(1383));
    r.mArmorQuality = 0;
    ASSERT_TRUE(ArmorQualityText(r, &t));
    EXPECT_EQ(Str(t), Rez(1982) + " " + Rez(1383));
}

namespace {

// Small arms: 10 a rifle-calibre MG, 11 a heavy MG, 12 a flame gun.
struct MGRows {
    MGRows() {
        arms[10].mMGClass = 0;
        arms[11].mMGClass = 3;
        arms[12].mMGClass = 4;
        arms[12].mMaxRange = 60;
    }
    TableRows<SmallArmsData> arms{gSmallArmsData, kSmallArmsCount};
};

VehicleData Tank() {
    VehicleData r{};
    r.mBowMG = r.mCoaxMG = r.mFreeMG = kSmallArmsNone;
    r.mTurretKind = 2;
    return r;
}

} // namespace

TEST(InfoTexts, MachineGunLineSeparatesMountsWithCommasOnlyAfterAWrittenMount) {
    MGRows rows;
    const uint8_t rounds[3] = {40, 12, 30};
    MGLineFacts f;
    f.hasTurret = true;
    f.openTop = 0;
    f.rounds = rounds;
    GString255 t;

    VehicleData r = Tank();
    EXPECT_FALSE(MachineGunLineText(r, f, &t));

    // Only the second mount: no comma before it.
    r.mCoaxMG = 10;
    r.mCoaxMGCount = 1;
    f.hasHeavyWeapon = true;
    ASSERT_TRUE(MachineGunLineText(r, f, &t));
    EXPECT_EQ(Str(t), Rez(1398) + Rez(1401));

    // Bow, second and a remote third of a heavy MG class, with rounds known:
    // the bow shares its class with the second, so only the second and the
    // third show rounds.
    r.mBowMG = 10;
    r.mBowMGCount = 2;
    r.mFreeMG = 11;
    r.mFreeMGCount = 1;
    r.mFreeMGButtoned = 1;
    f.known = true;
    ASSERT_TRUE(MachineGunLineText(r, f, &t));
    EXPECT_EQ(Str(t), Rez(1398) + " 2" + Rez(1399) + "," + Rez(1401) + Rez(1400) + "40)," + Rez(1404) +
                          Rez(1406) + Rez(1400) + "12)");

    // An open turret leaves the placement open: a blank, then "koaxial".
    f.hasHeavyWeapon = false;
    f.known = false;
    ASSERT_TRUE(MachineGunLineText(r, f, &t));
    EXPECT_EQ(Str(t), Rez(1398) + " 2" + Rez(1399) + ", " + Rez(1401) + "," + Rez(1404) + Rez(1406));
}

TEST(InfoTexts, FlameWeaponsAreNoMachineGunsAndGetTheirOwnLine) {
    MGRows rows;
    const uint8_t rounds[3] = {0, 0, 25};
    MGLineFacts f;
    f.known = true;
    f.rounds = rounds;
    VehicleData r = Tank();
    r.mBowMG = 12;
    GString255 t;
    EXPECT_FALSE(MachineGunLineText(r, f, &t));
    ASSERT_TRUE(FlameLineText(r, f, &t));
    EXPECT_EQ(Str(t), Rez(1409) + "60m" + Rez(1400) + "25)");
}

TEST(InfoTexts, WindSectorsOfSixteenAndAnglesOutsideACircle) {
    EXPECT_EQ(WindDirectionString(0.0f), 1960);
    EXPECT_EQ(WindDirectionString(22.2f), 1960);
    EXPECT_EQ(WindDirectionString(22.5f), 1961);
    EXPECT_EQ(WindDirectionString(90.0f), 1964);
    EXPECT_EQ(WindDirectionString(337.5f), 1975);
    // The last hundredth of a sector before a full turn reads east again,
    // and any angle is taken round the circle first.
    EXPECT_EQ(WindDirectionString(359.9f), 1960);
    EXPECT_EQ(WindDirectionString(360.0f), 1960);
    EXPECT_EQ(WindDirectionString(382.5f), 1961);
    EXPECT_EQ(WindDirectionString(-90.0f), 1972);
    EXPECT_EQ(WindDirectionString(-720.0f), 1960);
}

TEST(InfoTexts, WeatherLinesAndACalmWindWithoutDirection) {
    GString255 t;
    WeatherLine(0, 3, 0, 0, 0, 0.0f, &t);
    EXPECT_EQ(Str(t), Rez(634));
    WeatherLine(1, 0, 8, 0, 0, 0.0f, &t);
    EXPECT_EQ(Str(t), Rez(679));
    WeatherLine(2, 0, 0, 5, 0, 0.0f, &t);
    EXPECT_EQ(Str(t), Rez(1866));
    WeatherLine(3, 0, 0, 0, 0, 90.0f, &t);
    EXPECT_EQ(Str(t), Rez(1931));
    WeatherLine(3, 0, 0, 0, 2, 90.0f, &t);
    EXPECT_EQ(Str(t), Rez(1933) + " " + Rez(1964));
    // Values outside their tables give empty lines, not other texts.
    WeatherLine(0, 8, 0, 0, 0, 0.0f, &t);
    EXPECT_EQ(t.GetLength(), 0);
    WeatherLine(3, 0, 0, 0, 4, 0.0f, &t);
    EXPECT_EQ(t.GetLength(), 0);
}

TEST(InfoTexts, SuppressionGaugeLevelsAndTheVehicleShift) {
    EXPECT_EQ(SuppressionLevel(0.0f, false), 0);
    EXPECT_EQ(SuppressionLevel(9.9f, false), 0);
    EXPECT_EQ(SuppressionLevel(10.0f, false), 1);
    EXPECT_EQ(SuppressionLevel(59.0f, false), 2);
    EXPECT_EQ(SuppressionLevel(349.0f, false), 4);
    EXPECT_EQ(SuppressionLevel(1199.0f, false), 6);
    EXPECT_EQ(SuppressionLevel(5000.0f, false), 7);
    EXPECT_EQ(SuppressionLevel(30.0f, true), 1);
    EXPECT_EQ(SuppressionLevel(60.0f, true), 2);
    EXPECT_EQ(SuppressionLevel(100.0f, true), 3);
    EXPECT_EQ(SuppressionLevel(350.0f, true), 5);
}

TEST(InfoTexts, RoleBadgesByReadinessRowAndSide) {
    EXPECT_EQ(RoleBadgeIndex(true, 0, false, false), 0);
    EXPECT_EQ(RoleBadgeIndex(true, 1, false, false), 4);
    EXPECT_EQ(RoleBadgeIndex(true, 3, false, false), 4);
    EXPECT_EQ(RoleBadgeIndex(true, 2, true, true), 11);
    EXPECT_EQ(RoleBadgeIndex(false, 2, true, true), 15);
}

TEST(InfoTexts, AmmunitionBarFillsThirtyFourColumnsAtMost) {
    EXPECT_EQ(AmmoBarFilled(1.0f), 34);
    EXPECT_EQ(AmmoBarFilled(7.5f), 34);
    EXPECT_EQ(AmmoBarFilled(0.0f), 0);
    EXPECT_EQ(AmmoBarFilled(0.5f), 17);
    // Ends, their neighbours and the middle; empty pieces are 3 higher.
    EXPECT_EQ(AmmoBarPiece(0, 34), 2);
    EXPECT_EQ(AmmoBarPiece(1, 34), 3);
    EXPECT_EQ(AmmoBarPiece(16, 34), 4);
    EXPECT_EQ(AmmoBarPiece(33, 34), 2);
    EXPECT_EQ(AmmoBarPiece(0, 0), 5);
    EXPECT_EQ(AmmoBarPiece(32, 0), 6);
    EXPECT_EQ(AmmoBarPiece(17, 17), 7);
}

TEST(InfoTexts, SuppressionGaugeStartsEachLevelAtItsEdgeAndVehiclesSkipOne) {
    const float edges[8] = {0.0f, 10.0f, 30.0f, 60.0f, 100.0f, 350.0f, 600.0f, 1200.0f};
    // A vehicle reads levels 2, 3 and 4 one lower.
    const int32_t vehicle[8] = {0, 1, 1, 2, 3, 5, 6, 7};
    for (int32_t level = 1; level < 8; ++level) {
        const float below = std::nextafter(edges[level], 0.0f);
        EXPECT_EQ(SuppressionLevel(below, false), level - 1) << edges[level];
        EXPECT_EQ(SuppressionLevel(edges[level], false), level) << edges[level];
        EXPECT_EQ(SuppressionLevel(below, true), vehicle[level - 1]) << edges[level];
        EXPECT_EQ(SuppressionLevel(edges[level], true), vehicle[level]) << edges[level];
    }
}

TEST(InfoTexts, RoleBadgeOfEveryReadinessOptionForAttackerAndDefender) {
    // Attacker by readiness option 0..3; a defender takes 12 whatever the
    // option; the second row adds 2 and side 1 adds 1.
    const int32_t attacker[4] = {0, 4, 8, 4};
    for (int32_t option = 0; option < 4; ++option)
        for (bool row : {false, true})
            for (bool side1 : {false, true}) {
                const int32_t extra = (row ? 2 : 0) + (side1 ? 1 : 0);
                EXPECT_EQ(RoleBadgeIndex(true, option, row, side1), attacker[option] + extra) << option;
                EXPECT_EQ(RoleBadgeIndex(false, option, row, side1), 12 + extra) << option;
            }
}

TEST(InfoTexts, AmmunitionBarFillsTheWholePartOfThirtyFourTimesTheRatio) {
    EXPECT_EQ(AmmoBarFilled(1.0f / 34.0f), 1);
    EXPECT_EQ(AmmoBarFilled(std::nextafter(1.0f / 34.0f, 0.0f)), 0);
    EXPECT_EQ(AmmoBarFilled(0.99f), 33);
    EXPECT_EQ(AmmoBarFilled(std::nextafter(1.0f, 2.0f)), 34);
    // Every column: full pieces 2, 3, 4 from the ends in; empty ones 3 higher.
    for (int32_t i = 0; i < 34; ++i) {
        const int32_t piece = (i == 0 || i == 33) ? 2 : (i == 1 || i == 32) ? 3 : 4;
        EXPECT_EQ(AmmoBarPiece(i, i + 1), piece) << i;
        EXPECT_EQ(AmmoBarPiece(i, i), piece + 3) << i;
    }
}

TEST(InfoTexts, AmmunitionCountsInPanelOrder) {
    uint16_t counts[10] = {12, 4, 2, 3, 0, 1, 0, 0, 0, 0};
    GString255 t;
    AmmoCountsText(counts, false, &t);
    EXPECT_EQ(Str(t),
              "12" + Rez(1180) + "4" + Rez(1181) + "3" + Rez(1182) + "2" + Rez(1183) + "1" + Rez(1185));
    AmmoCountsText(counts, true, &t);
    EXPECT_EQ(Str(t).substr(0, 1), "4");
    // A flame vehicle's fuel ends the line.
    AmmoCountsText(counts, true, &t, true);
    EXPECT_EQ(Str(t),
              "4" + Rez(1181) + "3" + Rez(1182) + "2" + Rez(1183) + "1" + Rez(1185) + "12" + Rez(1186));
    uint16_t none[10] = {};
    AmmoCountsText(none, false, &t);
    EXPECT_EQ(Str(t), Rez(1143));
    AmmoCountsText(none, true, &t, true);
    EXPECT_EQ(Str(t), Rez(1143));
}

TEST(InfoTexts, FireMissionTimeIsPaddedAndUnplannedMissionsSayPlan) {
    GString255 t;
    FireMissionText(12, 95.0f, true, &t);
    GString255 time;
    ConcatTimeString(&time, 95);
    EXPECT_EQ(Str(t), "   12" + Rez(1170) + Str(time));
    FireMissionText(7, 0.5f, false, &t);
    EXPECT_EQ(Str(t), "7" + Rez(1173) + Rez(1174));
}

TEST(InfoTexts, KillsPageSingularPluralAndUnidentifiedVehicles) {
    KillRecord k;
    KillLines lines;
    BuildKillLines(k, false, &lines);
    ASSERT_EQ(lines.mCount, 1);
    EXPECT_EQ(std::string(lines.mText[0]), Rez(1352));
    BuildKillLines(k, true, &lines);
    ASSERT_EQ(lines.mCount, 1);
    EXPECT_EQ(std::string(lines.mText[0]), Rez(1353));

    k.mInfantryCaptured = 2;
    k.mGuns = 1;
    k.AddVehicleKill(-1);
    k.AddVehicleKill(-1);
    BuildKillLines(k, true, &lines);
    ASSERT_EQ(lines.mCount, 3);
    EXPECT_EQ(std::string(lines.mText[0]), "2" + Rez(1356));
    EXPECT_EQ(std::string(lines.mText[1]), "1" + Rez(1357));
    EXPECT_EQ(std::string(lines.mText[2]), "2 " + Rez(1350) + "s " + Rez(1351));
}

TEST(InfoTexts, PenetrationColumnsEndAtTheFirstRangeBeyondTheWeapon) {
    EXPECT_EQ(PenetrationColumnCount(900), 2);
    EXPECT_EQ(PenetrationColumnCount(499), 1);
    EXPECT_EQ(PenetrationColumnCount(1000), 3);
    EXPECT_EQ(PenetrationColumnCount(8000), 4);
    EXPECT_EQ(RightAlignedX(kPenetrationEdges[0], 3), 66);
    GString255 t;
    SlopeLabelText(0.0f, &t);
    EXPECT_EQ(Str(t), "   0" + kDegree);
    SlopeLabelText(30.0f, &t);
    EXPECT_EQ(Str(t), "  30" + kDegree);
}

TEST(InfoTexts, RangeLineWithMinimumOrOnlyAMinimumBeyond8000Metres) {
    GString255 t;
    ASSERT_TRUE(RangeText(900.0f, 0.0f, &t));
    EXPECT_EQ(Str(t), Rez(1425) + "900m");
    ASSERT_TRUE(RangeText(4500.9f, 100.0f, &t));
    EXPECT_EQ(Str(t), Rez(1425) + "4500m" + Rez(1426) + "100m)");
    ASSERT_TRUE(RangeText(9000.0f, 250.0f, &t));
    EXPECT_EQ(Str(t), Rez(1427) + "250m");
    EXPECT_FALSE(RangeText(9000.0f, 0.0f, &t));
}

TEST(InfoTexts, FirepowerRowsPadNamesAndLeaveWeakColumnsBlank) {
    TableRows<SmallArmsData> arms(gSmallArmsData, kSmallArmsCount);
    std::snprintf(arms[5].mName, sizeof(arms[5].mName), "Gewehr");
    for (float& f : arms[5].mFirepower)
        f = 0.0f;
    int32_t totals[5] = {};
    GString255 t;
    FirepowerRowText(3, 5, totals, &t);
    const std::string s = Str(t);
    EXPECT_EQ(s.substr(0, 18), " 3 Gewehr         ");
    EXPECT_EQ(s.size(), 18u + 30u);
    EXPECT_EQ(s.substr(18), std::string(30, ' '));
    for (int32_t v : totals)
        EXPECT_EQ(v, 0);
    FirepowerRowText(12, 5, totals, &t);
    EXPECT_EQ(Str(t).substr(0, 3), "12 ");
}
