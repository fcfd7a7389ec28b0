#pragma once
// The texts and small numbers of the unit panel, the weather text and the
// unit balloon, built apart from drawing. All texts are Latin-1 in
// fixed-capacity strings and are cut at their capacity; font-2 columns are
// counted in characters (7 pixels each).
#include <cstdint>

#include "engine/LongRect.h"
#include "units/Enums.h"

class GString;
class KillRecord;
class Unit;
struct VehicleData;

// ---------------------------------------------------------------- colours
struct InfoColour {
    uint8_t r, g, b;
};
// The colour of a side's unit names (panel and balloon alike).
InfoColour SideNameColour(Affiliation side);

// ---------------------------------------------------------------- panel
// The suppression gauge 0..7 of suppression s; a vehicle's levels 2, 3 and
// 4 read 1, 2 and 3.
int32_t SuppressionLevel(float s, bool vehicle);
// The role badge of a side: attacker (or no attacker at all) by the
// readiness option 0..3, defender 12; + 2 on the second row, + 1 for side 1.
int32_t RoleBadgeIndex(bool attacks, int32_t readiness, bool secondRow, bool side1);
// Filled columns (0..34) of the ammunition bar for a ratio; a ratio above 1
// counts as 1.
int32_t AmmoBarFilled(float ratio);
// The bar piece (2..7) of column i (0..33) with filled columns filled.
int32_t AmmoBarPiece(int32_t column, int32_t filled);
// The plate under the place's name (font 1, centred at (313, 56)) for a
// name textWidth pixels wide: the terrain picture's 94 columns (266..360),
// or the name with 3 pixels either side when it is wider; rows 45..63.
LongRect TerrainNamePlate(int32_t textWidth);
// The non-zero counts of the eight ammunition classes with their suffixes
// ("12sp 4pz "); class 0 left out with skipHE, or with fuelLast moved to the
// end as the flame fuel ("30f "); "leer" when nothing is left.
void AmmoCountsText(const uint16_t counts[8], bool skipHE, GString* text, bool fuelLast = false);
// A fire mission's line: the count padded to 5 characters, "Zeit " and the
// time when t (seconds) is 1 or more, else "   Feuer"; " PLAN" unless planned.
void FireMissionText(int32_t count, float t, bool planned, GString* text);

// ---------------------------------------------------------------- weather
// The string of the wind direction (1960 east .. 1975), from an angle in
// degrees counter-clockwise from east; any angle is first brought into 0..360.
int32_t WindDirectionString(float angle);
// The four lines of the weather text (y 9, 24, 39, 54).
void WeatherLine(int32_t line, int32_t weather, int32_t ground, int32_t temperature, int32_t windStrength,
                 float windAngle, GString* text);

// ---------------------------------------------------------------- balloon
// The leader bonuses (command, morale, combat, stealth) of a skills byte:
// "Befehl +1  Moral +2"; empty without a bonus.
void LeaderBonusText(uint8_t skills, GString* text);
// Appends blanks up to column (nothing when the text is already longer).
void PadToColumn(GString* text, int32_t column);
// One plate: "50+20/30°", or "50/gerundet" for a rounded front.
void ArmorPlateText(int16_t thickness, int16_t added, int16_t slope, bool rounded, GString* text);
// A plate row: the label, then front, side and rear at columns 22, 36, 50.
// row 0 turret, 1 upper hull, 2 lower hull.
void ArmorRowText(const VehicleData& record, int32_t row, GString* text);
void ArmorHeaderText(GString* text);
// The top row: open, or the hull top with the turret top and skirts.
void ArmorTopRowText(const VehicleData& record, bool hasTurret, GString* text);
// The armour quality line; false when the record has nothing to say.
bool ArmorQualityText(const VehicleData& record, GString* text);

// What the machine-gun line of a vehicle needs besides its record.
struct MGLineFacts {
    bool known = false; // kill details known: rounds are shown
    bool hasHeavyWeapon = false;
    bool hasTurret = false;
    int32_t openTop = 0;             // 0 closed
    const uint8_t* rounds = nullptr; // the unit's rounds per machine-gun ammunition class
};
bool IsFlameWeapon(SmallArmsType type);
// "MG: 2 Bug (40), koaxial (40), ferngelenkt (12)"; false when the vehicle
// has no machine gun.
bool MachineGunLineText(const VehicleData& record, const MGLineFacts& facts, GString* text);
// "FLAMME: Reichweite60m (30)"; false without a flame weapon.
bool FlameLineText(const VehicleData& record, const MGLineFacts& facts, GString* text);
// The features line of a vehicle, joined by ", ".
void FeaturesText(const VehicleData& record, int32_t optics, GString* text);

// One kills-page line per non-zero tally and per vehicle-type entry.
struct KillLines {
    static constexpr int32_t kMax = 40;
    int32_t mCount = 0;
    char mText[kMax][80] = {};
};
void BuildKillLines(const KillRecord& record, bool known, KillLines* lines);

// A row of the infantry firepower table: count, name padded to 18, five
// columns of 6 characters; the values are added to totals.
void FirepowerRowText(int32_t count, SmallArmsType type, int32_t totals[5], GString* text);
void FirepowerTotalText(const int32_t totals[5], GString* text);
extern const float kFirepowerRanges[5];

// ---------------------------------------------------------------- weapon lines
// "  0°", "  30°", "  60°" (the numbers right-aligned in font 2).
void SlopeLabelText(float angle, GString* text);
// The penetration columns a weapon of that maximum range shows (1..4).
int32_t PenetrationColumnCount(int32_t maxRange);
extern const float kPenetrationRanges[4];
extern const int32_t kPenetrationEdges[4];
// x of a right-aligned font-2 text of chars characters ending at edge.
inline int32_t RightAlignedX(int32_t edge, int32_t chars) {
    return edge - 7 * chars;
}
// The kinds of round whose penetration is shown, in order, and how many
// of them: at most 3 for a vehicle, 4 for other kinds.
struct RoundKinds {
    int32_t mCount = 0;
    AmmoClass mKind[6] = {};
};
void ChooseRoundKinds(Unit* unit, WeaponType type, int32_t profile, bool known, RoundKinds* shown);
// The name of the kind of round (angle-0 row), the projectile name (60°).
int32_t RoundKindString(AmmoClass kind);
int32_t ProjectileString(int32_t projectileKind);
// The main weapon line, the mount line (vehicles) and the range line.
void MainWeaponText(Unit* unit, const VehicleData* believed, WeaponType type, WeaponClass wclass,
                    GString* text);
void MountText(const VehicleData& believed, GString* text);
bool RangeText(float maxRange, float minRange, GString* text);
