#pragma once
// Free rule functions of combat: they turn the game data tables into the
// numbers of combat (penetration, plates, blast, small-arms firepower, flight
// and reload times, a few hit-chance and morale rules). They keep no state
// but the memos of a value scope (units/ValueMemo.h), which answer as the
// computation does; those that draw random numbers draw in a fixed order.

#include <cstdint>

#include "units/Enums.h"

class ActionPacket;
class GString;
class PendingAttack;
class Vehicle;

// AmmoTypeInUse modes: strict answers 0 when nothing is in date; any other
// mode falls back to the weapon's first entry of the class.
constexpr int32_t kAmmoLenient = 1;
constexpr int32_t kAmmoStrict = 2;

// ------------------------------------------------------------ ammunition
AmmoType AmmoTypeInUse(int32_t mode, WeaponType weapon, AmmoClass kind, float* muzzleVelocity);
MGAmmoClass GetMGAmmoType(SmallArmsType type);
MovementSpeedType ConvertOrderToSpeed(int32_t order);
// The basic-load mix of the weapon's load slot in percent by ammunition class
// (counts[2] is 1 when tungsten is carried; counts[6], counts[7] mark the
// twin-gun weapons), with the shares of classes out of date moved on.
void AmmoAvailable(WeaponType weapon, bool flag, int32_t loadSlot, int32_t counts[8]);
// The tungsten level left at the scenario's year (levels 6 and above stand).
TungstenAvail GetCurrentTungstenLevel(TungstenAvail level, bool flag);

// ------------------------------------------------------------ armour
// Without random and side outputs, kept inside a value scope (units/ValueMemo.h)
// under the arguments and the scenario date.
float GetPenetration(bool random, float range, WeaponType weapon, AmmoClass kind, bool hardPlate,
                     int32_t hardness, float thicknessRatio, bool* shattered, float* energy, float* velocity);
float GetSmallArmsPenetration(MGPenetration mg, float range, bool hardPlate, int32_t hardness,
                              float thicknessRatio);
float CombineArmorPlates(float a, float b, bool face);
float ArmorQualityFactor(ArmorQuality quality, VehicleHitLocation location, VehicleAspect aspect,
                         const Vehicle* vehicle);
void CapPillboxArmor(WeaponClass weaponClass, AmmoClass kind, float* armour);

// ------------------------------------------------------------ flight and reload
float OrdnanceOrLATWFlightTime(WeaponType weapon, AmmoClass kind, float range, float* velocityAtRange);
float HeavyReload(WeaponType weapon, WeaponClass weaponClass, float weight, int32_t crewSkill);
// The flight-time tolerance of an ammunition class in the hit-chance and
// shell-error rules: 1.0 for class 2, 1.2 for class 3, 1.4 for the others.
float FlightTimeTolerance(AmmoClass kind);
// The same rescaling applied to a shell packet and its pending attack
// (either may be null): packet flight slices, flight time, arrival slice and
// the attack's landing slice move together.
void ModifyFlightTime(float factor, ActionPacket* shell, PendingAttack* attack, int32_t* flightTime,
                      int32_t* arrival);
// Rescales a shell's flight by factor: the packet's flight slices, the flight
// time, its arrival slice and the pending attack's due slice move together.
void ModifyFlightTime(float factor, int32_t* packetFlightSlices, int32_t* attackDueSlice, int32_t* flightTime,
                      int32_t* arrival);

// ------------------------------------------------------------ blast and fire
float BlastPower(WeaponType weapon, AmmoClass kind);
float BlastRadius(WeaponType weapon, AmmoClass kind);
int32_t GetRoughBlastPower(WeaponType weapon, bool atPoint);
void ReduceFPByDistance(float* fp, float d, float range);
float SmallArmFP(SmallArmsType type, float range, FireType fire);

// ------------------------------------------------------------ hit and morale
float GetSlotHitChance(float hitChance, float sideChance);
float PseudoToHitVersusSlot(float distance);
float CrossfireSuppression(float angle);
float LeaderRange(int32_t skill, ExperienceLevel experience);
float CoverFromAirFactor(float x, float y);
int32_t BulletSoundEffectLengthClass(float length);

// ------------------------------------------------------------ dates and nations
// Whether the nation's command works faster than most (orders come sooner).
bool IsEfficientNation(Nation nation);
// The nation's artillery quality, 1 (slowest) to 3 (quickest), at the
// scenario date.
int32_t ArtilleryQuality(Nation nation, int32_t date);
// Seconds from a call for fire to the first rounds on target.
float TimeOnTarget(Nation nation, WeaponType weapon, bool quick);
// Months since July 1940 of a YYMM date (4007 gives 0).
int32_t MonthIndex(int32_t yymm);
// The small arm a team of the force really carries at the scenario date.
// With random, one pair of draws picks the share; without, the share is 49.
SmallArmsType ActualSmallArmType(SmallArmsType type, Force force, bool random);
// Whether a new model has reached a unit at percentile p by that date.
bool NewModelPhasedIn(int32_t date, int32_t percentile);
SmallArmsType StandardRifle(Nation nation);
// Before July 1943 the late forms of some models are drawn as the early ones.
VehicleModel GetActualModelX(VehicleModel model);
// A leader's skill 0..2 for the experience; bonus widens the first draw.
int32_t RandomLeaderSkill(ExperienceLevel experience, int32_t bonus);
// The rarity code of a type first seen at firstDate: codes[] holds one code
// per month of service (58 of them); 1 without a scenario.
char GetRarityFactorCodeX(int32_t firstDate, const char codes[]);
// Time of day of a turn in a cycle of period turns.
Daytime GetDaytimeOfTurn(int32_t turn, int32_t period, int32_t offset);

// ------------------------------------------------------------ panel texts
// "Juni 1943" with the century, "Juni 43" without.
void MakeDateString(GString* text, int32_t date, bool withCentury);
// "45 sec" below a minute, else whole minutes rounded: "3 min".
void ConcatTimeString(GString* text, int32_t seconds);
// "75mm L/48", "2 x 20mm" (compact "2x20mm"), the twin guns by name.
void ConcatGunNameString(GString* text, WeaponType weapon, bool compact);

// Appends the name of the terrain t at (x, y) for the panel, with "*" and
// "**" for a damaged building; upper asks for an upper floor. *symbol, when
// given, receives the terrain's picture number (unchanged for texts without
// one).
void GetTerrainStringX(GString* text, Terrain t, float x, float y, bool upper, int32_t* symbol);

// ------------------------------------------------------------ display values
// The colour of an armour bar: red for thin plate through yellow and green
// to blue for the thickest.
void ArmorColors(int32_t thickness, int32_t slope, ArmorQuality quality, unsigned char* r, unsigned char* g,
                 unsigned char* b);
// The thickest plate at that slope that the round defeats at the range.
// Inside a value scope (units/ValueMemo.h) the answer is kept under the
// arguments and the scenario date; a repeated call moves the random
// generator on exactly as the plate search would have (its shatter tests
// draw).
float GetTypicalPenetration(bool flag, float range, int32_t slope, float calibre, AmmoClass kind,
                            WeaponType weapon);
// Victory-point value of count weapons of a type; kept as the typical
// penetration is.
float GetWeaponVPValue(WeaponType weapon, float range, int32_t count, int32_t loadSlot, bool flag,
                       Nation nation, bool b, float scale);

// ------------------------------------------------------------ armour model seams
// The slope multiplier of a plate struck at angle degrees (at least 1).
float SlopeFactor(float calibre, float angle, float ratio, bool faceHardened, bool cosineLaw, AmmoClass kind,
                  ShellType shell);
// The front armour of the reference vehicle with one plate of the given
// thickness and slope, against a round of that calibre and class; the
// hardness outputs are those the penetration model takes.
float ReferencePlateBasis(int32_t thickness, int32_t slope, float calibre, AmmoClass kind, bool* faceHardened,
                          int32_t* hardness, float* ratio);
