#pragma once
// What an infantry unit carries or serves: the weapon in each man's hands,
// a flame-thrower tank on his back, machine guns and anti-tank rifles set
// down by the squad, mortars and towed guns, and the poses of the crew figure
// that vehicles show in their hatches.
#include <cstdint>

class GString;
class Infantry;
class Unit;

// Weapons a man did not hold and the squad draws set down.
enum WeaponDrawCode : int32_t {
    kWeaponDrawNone = 0,
    kWeaponDrawATR = 1,
    kWeaponDrawLMG = 2,
    kWeaponDrawMountB = 3, // machine gun on the tall mount
    kWeaponDrawMountA = 4, // machine gun on the low mount
};

// Shared by the weapons of the squad being drawn; plain globals of the frame.
struct WeaponStatics {
    Infantry* unit = nullptr;    // the squad whose figures are being drawn
    bool crewHandObject = false; // a crewman holds the crew hand object
    WeaponDrawCode weaponCode = kWeaponDrawNone;
    int32_t weaponDetail = 0; // 0 richest, 1, 2
};
extern WeaponStatics gWeaponStatics;

// The weapon in the hands of `figure`. The caller has pushed two levels for
// the weapon arm; on every return both are popped, with any level of its own.
void DrawHandWeapon(Infantry& u, int32_t poseSlot, bool needsClip, int32_t detail, int32_t figure);
void DrawFlameTank(Infantry& u, bool needsClip);
void DrawHMG(Infantry& u, bool inHands, WeaponDrawCode code, bool needsClip);
void DrawATROrLMG(Infantry& u, bool inHands, WeaponDrawCode code);
void DrawMortar(Infantry& u, float calibre, bool heavy);
// The squad's gun or mortar after its men.
void DrawCrewedGun(Infantry& u);
// A towed gun through its model, or the generic gun when not identified.
void DrawOrdnance(Infantry& u);
void DrawGenericGun(float scale, Infantry* gun);
// The two machine-gun mounts, driven by the numbers of the gun on them.
void DrawHMGModel4(int32_t arm, float length, float top, float mountA, float mountB, float bottom,
                   bool needsClip, float blend, float mountHeight);
void DrawHMGModel3(int32_t arm, float length, float top, float mountA, float mountB, float bottom,
                   bool needsClip, float blend, float shift);
// Puts figure 0 of the crew figure into a crew pose (above 10 acts as 0).
void SetCrewPose(Infantry& u, int32_t pose, float headTurn, bool bentLegs);
// After a squad's men: what they set down, then the served gun or mortar.
void DrawSquadWeapons(Infantry& u);

// What the status label of a squad is built from.
struct InfantryLabelFacts {
    bool alive = true;
    int32_t contact = 5;
    int32_t figures = 1;
    int32_t dataGroup = 0; // animation group of figure 0 in the unit's data
    bool hasOrdnance = false;
    bool abandoned = false, knockedOutPhrase = false;
    bool ownSide = true;
    int32_t fogOfWar = 0;
    float suppression = 0.0f;
    float weaponTimer = 0.0f;
    bool jamLabelShown = true; // the heavy weapon is not of the class that never jams
    bool heavyWeapon = false;
    int32_t rounds = 0; // every ammunition class but smoke
    int32_t fullLoad = 0;
};
// The two texts and their colour kinds; false when there is no label.
bool InfantryLabelTexts(const InfantryLabelFacts& v, GString* first, int32_t* kind1, GString* second,
                        int32_t* kind2);
InfantryLabelFacts LabelFactsOf(Infantry* u);
