#pragma once
// The drawing of the units: the model walker that runs the compiled model
// tables, the vehicle model statics, and the plain views of a vehicle that the
// vehicle drawing works from, so that the drawing can be exercised without a
// whole battle.
#include <cstdint>

#include "units/Enums.h"

class G3DObject;
class GGraphic;
class Unit;
class Vehicle;

namespace dm::models {
struct ModelTable;
}

// What a model reads while it is drawn: set before each model from the
// vehicle (or gun) being drawn.
struct ModelStatics {
    GGraphic* const* textures = nullptr; // 17 entries, or null: nothing bound
    float headFacing = 0.0f;             // turret turn, degrees
    float gunElevate = 0.0f;             // gun elevation, degrees
    float turretTilt = 0.0f;             // wrecked turret's tilt, degrees
    float treadLeft = 0.0f;              // v offsets of the two tracks
    float treadRight = 0.0f;
    float sizeValue = 1.0f; // the type's size value (class shape scale)
    int32_t barrelClass = 1;
    bool longBarrel = false;        // the long hull gun of the two-gun tank
    AmmoClass lastAmmo = kAmmoNone; // picks which gun flashes and recoils
    Unit* firer = nullptr;          // flash and recoil of this unit; null: none
};

extern ModelStatics gModelStatics;
// Low detail: the models leave out their detail parts.
extern bool gDrawLOD;
// Footprint of the last model drawn (model units); element 0 at 9999 = no shadow.
extern float sShadowCoords[4];

// Runs one compiled model with the statics above. Every matrix it pushes is
// popped; culling is cleared for the model and set again at its end.
void DrawModelTable(const dm::models::ModelTable& model, bool needsClip);
// The operations of one model alone, with its own texture set and no change
// of culling; the last single triangle is left out on request.
void RunModelOps(const dm::models::ModelTable& model, bool needsClip, GGraphic* const* textures,
                 bool dropLastTriangle);
// The compiled model for a vehicle model number (its own, the general model
// proportioned to its size, else the general model); never null while the
// tables hold the general model.
const dm::models::ModelTable* VehicleModelTable(int32_t model);
// Metres per model unit of the model's table: the unit its shapes were made
// in, so a model is drawn at its true size.
float VehicleModelUnit(int32_t model);
// The metres per model unit of the model drawn for the vehicle: that of the
// type its viewer is shown.
float DrawnVehicleModelUnit(Vehicle* v);
// How far below its place a vehicle is drawn, in metres: dug in
// kVehicleDugInDepth, bogged kVehicleBoggedDepth, else 0.
constexpr float kVehicleDugInDepth = 1.2f;
constexpr float kVehicleBoggedDepth = 0.35f;
float VehicleDrawnSinking(const Vehicle& v);

// A vehicle as the viewing side sees it, for its drawing.
struct VehicleView {
    int32_t trueType = 0;  // row of the vehicle data
    int32_t shownType = 0; // the type the viewer believes
    int32_t level = 0;     // identification level 0..3 (texture set)
    int32_t contact = 0;   // the viewer's contact 0..5
    bool alive = true;
    bool burning = false;
    bool buttoned = false;
    bool dugIn = false;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float facing = 0.0f; // degrees counter-clockwise from east
    float pitch = 0.0f, roll = 0.0f;
    float floorHeight = 0.0f;
    float turretFacing = 0.0f, gunElevation = 0.0f, wreckGunElevation = 0.0f, wreckTurretTilt = 0.0f;
    bool turretDislodged = false;
    float treadLeft = 0.0f, treadRight = 0.0f;
    int32_t knownClass = 0;              // row of the vehicle class chart as the viewer identifies it
    GGraphic* const* textures = nullptr; // the texture set of `level`
    AmmoClass lastAmmo = kAmmoNone;
    Unit* unit = nullptr;
    // The crew in the hatches.
    int32_t crewPresent = 0;
    Uniform uniform = 0;
    int32_t crewLook[2] = {0, 0};  // look clocks, 0..9999
    int32_t crewFaces[2] = {0, 0}; // faces 0..13
};

// The vehicle's drawing in its frame: class shape or model, flames.
void DrawVehicleView(const VehicleView& v, bool needsClip, float factor);
// The shadow under a vehicle, in world space (after its model set sShadowCoords).
void DrawVehicleShadow(const VehicleView& v, float scale, bool needsClip);
// The crew figures in the hatches, in the vehicle's frame, before the model.
void DrawVisibleCrew(const VehicleView& v, bool needsClip, float factor);
// The look angle of a crewman from his look clock.
float CrewLookAngle(int32_t clock);
// Fills a view of a vehicle unit for the viewing side.
VehicleView ViewOfVehicle(Vehicle* v);
// The colour of a unit's base disc for the viewer.
struct BaseColour {
    float r, g, b;
};
BaseColour BaseColourOf(bool own, bool selected);
// The unit that the last pick pass found under the pointer, or null.
extern Unit* gPickedUnit;
void SetPickedUnit(Unit* u);
// The unit's firing clock in seconds: 2.5 at each shot the replay shows (a
// shell body it fires), running down with the playback slice; 0 when it has
// not fired this turn or the clock has run out. Read from the battle's
// packets alone, so a slice looks the same however it was reached.
float UnitShotAge(const Unit* u);
// The muzzle flash and blast cloud of a gun, in size and time, relative to a
// 75 mm gun's: the square root of calibre / 75 (1 for an unknown calibre).
float MuzzleSize(float calibre);
// Metres per model unit of the general model, and of any gun drawn without
// a vehicle's own measure.
constexpr float kGeneralModelUnit = 28.9f;
// Recoil of a barrel at a shot age: 0 before the shot and from 1.25 s after,
// full 0.25 s after it.
float RecoilFactor(float shotAge);
// A small closed sphere of radius 1 about the origin, untextured, drawn with
// fog off (restored after).
void DrawSphere();
// The drawing scale for a unit at a distance from the camera: a times a power
// of the distance whose exponent comes from b and c; 1 at (1, 0, 0). Units
// grow beyond the distance `near` (by b) and beyond ten times it (by c more).
float UnitEnlargement(float a, float b, float c, float distance, float near = 50.0f);
// The largest enlargement that keeps a unit reaching `reach` metres from its
// place (x, y) inside a map of width x height metres; an enlargement is never
// cut below the true size, and a scale of 1 or less is kept.
float EnlargementWithinMap(float scale, float x, float y, float reach, float width, float height);
// A squad's box (kept in figure units) in its unscaled frame: scaled to
// metres and, for riders, turned by `turn` degrees about the vertical.
void FigureBox(const G3DObject& box, float scale, float turn, G3DObject* out);

// What the status label of a vehicle is built from.
struct VehicleLabelFacts {
    bool alive = true, abandoned = false;
    bool ownSide = true; // on the viewing side
    int32_t fogOfWar = 0;
    int32_t bailOut = -1; // the crew bails out while this is 0 or more
    float suppression = 0.0f;
    bool immobilized = false, fixed = false, bogged = false;
    bool gunDestroyed = false, heavyWeapon = false;
    int32_t machineGuns = 0;
    int32_t rounds = 0;      // main-gun rounds of every class but smoke
    int32_t smokeRounds = 0; // and of smoke
    bool smokeOnlyWeapon = false;
    int32_t fullLoad = 0;
};
class GString;
// The two texts and their colour kinds; false when the viewer may see no label.
bool VehicleLabelTexts(const VehicleLabelFacts& v, GString* first, int32_t* kind1, GString* second,
                       int32_t* kind2);
VehicleLabelFacts LabelFactsOf(Vehicle* v);

// The last hit on a vehicle as the hit record shows it.
struct HitRecordFacts {
    int32_t slice = -1; // playback slice of the hit; negative: none
    int32_t now = 0;    // the playback slice being shown
    int32_t contact = 5;
    bool full = true; // the viewer may know everything (own side or little fog)
    bool armoured = true;
    int32_t location = 0;    // 0 turret, 1 upper hull, 2 lower hull, 3-4 top, 5 running gear, 6 weapon
    int32_t aspect = 0;      // 0 front, 1 side, 2 rear
    int32_t penetration = 0; // 0 none, 1 partial, 2 full
    int32_t casualties = 0;
    bool immobilized = false, weaponDamaged = false, ricochet = false, deflected = false;
    bool weakPoint = false, spall = false, generic = false;
    bool heavyWeapon = true, hasTurret = true, alive = true;
    int32_t machineGuns = 0;
    int32_t mobilityClass = 3;
    int32_t bailOut = -1;
};
// The two texts of the record; false while none is shown. A fixed
// emplacement's record loses its immobilised flag.
bool HitRecordTexts(HitRecordFacts& h, GString* t1, GString* t2);
// The armour-hit packet's flag bits as a vehicle's hit record keeps them.
enum : uint8_t {
    kHitBounced = 0x80,    // the shot glanced off: "ricochet"
    kHitGeneric = 0x40,    // a special weapon's hit: the plain "hit"
    kHitWeakSpot = 0x20,   // "at the weak point"
    kHitShattered = 0x10,  // the shot broke up on the armour: "deflected"
    kHitGunDamaged = 0x04, // the weapon was damaged
    kHitImmobilised = 0x02,
    kHitPartial = 0x01, // partly through: with no penetration grade, spall inside
};
// The facts of a vehicle's last hit for the viewing side.
HitRecordFacts HitFactsOf(Vehicle* v);

// The gun model that no identified gun has: drawn by the generic gun.
constexpr int32_t kGenericGunModel = 42;
// The compiled model of a towed gun by its ordnance model; every model
// without its own draws the light flak gun; null for the generic gun.
const dm::models::ModelTable* GunModelTable(int32_t ordnanceModel);
// Draws it with the model statics (textures, facing, elevation, firer);
// false for the generic gun, which the caller draws.
bool DrawGunModel(int32_t ordnanceModel, bool needsClip);
