#pragma once
// The soldier figures: seven levels of detail of one articulated man, put
// together at his joints from the compiled figure pieces.
#include <cstdint>

class GGraphic;
class Unit;
namespace dm::models {
struct ModelTable;
}

// One man's pose: body offsets in figure units, joint angles in degrees.
struct FigurePose {
    float bodyForward = 0.0f, bodyHeight = 0.0f, bodyPitch = 0.0f, headTurn = 0.0f;
    float leftHipPitch = 0.0f, leftHipRoll = 0.0f, leftKnee = 0.0f;
    float rightHipPitch = 0.0f, rightHipRoll = 0.0f, rightKnee = 0.0f;
    float leftShoulderZ = 0.0f, leftShoulderX = 0.0f, leftShoulderY = 0.0f, leftElbow = 0.0f;
    float rightShoulderZ = 0.0f, rightShoulderX = 0.0f, rightShoulderY = 0.0f, rightElbow = 0.0f;
};

// The levels of detail, richest first.
enum FigureDetail : int32_t {
    kFigureBest = 0,
    kFigureGood,
    kFigureAverage,
    kFigureSucky,
    kFigureCircusFreak,
    kFigurePondScum,
    kFigureDistantDot,
    kFigureDetailCount
};

// What every figure of the unit being drawn shares.
struct FigureStatics {
    GGraphic* slots[6] = {}; // torso front/back, torso sides, headgear, legs, left arm, right arm
    GGraphic* face = nullptr;
    int32_t headgearKind = 0;
    int32_t legwearKind = 0;
    bool onSkis = false;
    bool crewNoLegs = false;
    bool crewTorsoOnly = false;
    bool surrendered = false;
};

extern FigureStatics gFigureStatics;

// The level of detail for a measure (strictly greater than each threshold).
FigureDetail FigureDetailFor(float factor);
// The richest figure's forearm under legwear 17: the forearm strip's 14
// vertices with the second of each pair drawn in and lowered, the rest as
// the usual forearm's; null when the forearm's table is missing.
constexpr int32_t kForearmStripVertices = 14;
const dm::models::ModelTable* Legwear17Forearm();
// Draws one man in the current frame; returns with the matrix stack as found.
// `figure` is handed to the hand-weapon and flame-tank hooks.
void DrawSoldier(FigureDetail detail, const FigurePose& pose, int32_t figure, bool needsClip);
// One ski in the current frame, turned about x by `pitch`.
void DrawSkis(float pitch);

// The weapon in the right hand, drawn inside the right forearm's frame. It
// must pop the two matrices the figure pushed for the right arm; null: the
// figure pops them itself. `detail` is 0 (two richest), 1 or 2.
extern void (*gHandWeaponHook)(int32_t figure, bool needsClip, int32_t detail);
// A flame-thrower tank on the back, drawn after the torso; null: none.
extern void (*gFlameTankHook)(int32_t figure, bool needsClip);

// The face of the figure being drawn (0..13), and whether a unit's drawing may
// set it (false while a vehicle's crewman is drawn with the face its vehicle chose).
extern int32_t gFaceTextureIndex;
extern bool gAllowFaceSet;
// Poses the map's crew figure before it is drawn as a crewman; null: unposed.
extern void (*gCrewPoseHook)(Unit* dummy, int32_t pose, float look, bool lowered);

class Infantry;
class Vehicle;

// Where a rider sits in its carrier's frame (metres, x across the hull, y
// along it, z up), for an enlargement d of the carrier over its true size.
struct RiderPlacement {
    Vehicle* carrier = nullptr; // null: the rider is drawn where it stands
    bool towed = false;         // a towed gun's crew, behind its tractor
    float slot = 0.0f;          // -1, 0 or 1: which side of the deck
    float x = 0.0f, y = 0.0f, z = 0.0f;
};
RiderPlacement PlaceRider(Infantry* rider, float d);
// Whether the rider's frame already turns and tilts with its carrier.
bool RidesInCarrierFrame(Infantry* rider);
