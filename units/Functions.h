#pragma once
// Free rule functions of combat: they turn the game data tables into the
// numbers of combat (penetration, plates, blast, small-arms firepower, flight
// and reload times, a few hit-chance and morale rules). They keep no state;
// those that draw random numbers draw in a fixed order.

#include <cstdint>

#include "units/Enums.h"

class ActionPacket;
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

// ------------------------------------------------------------ armour
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
// The nation's artillery quality, 1 (best) to 3, at the scenario date.
int32_t ArtilleryQuality(Nation nation, int32_t date);
// Seconds from a call for fire to the first rounds on target.
float TimeOnTarget(Nation nation, WeaponType weapon, bool quick);
