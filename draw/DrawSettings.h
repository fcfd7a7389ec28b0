#pragma once
// What the battlefield drawing reads of the application and the kernel: the
// display preferences, the interaction state and the frame clock. The
// application hands one DrawSettings through BattleHost::GetDrawSettings;
// without a host (headless, tests) the defaults below are used.
#include <cstdint>

#include "units/Enums.h"

class GGraphic;
class GObject;
class GString;
class Map;
class Unit;

struct DrawSettings {
    // Preferences (bytes of the application, with their defaults).
    int32_t mUnitScale = 0; // 0..4, 0 = true size
    int32_t mHorizon = 0;   // 0 unlimited, 1..4 cap at (value + 1) x 500 m
    bool mHideGameAids = false;
    bool mShowExitZones = true;      // the set-up and exit zones
    bool mShowUnitBases = false;     // a disc under every unit seen
    bool mShowVictoryFlags = true;
    bool mShowLandmarks = true;
    bool mShowLabels = true;         // unit warning labels
    bool mShowHitRecords = true;     // key D: the last hit's record over a vehicle in the replay
    bool mThirdMan = true;           // key M: a three-man gun crew draws its third man
    int32_t mWeatherGraphics = 2;    // 0..3, 0 = no weather and no fog
    int32_t mSmokeDetail = 2;        // 0 none, 1 reduced, 2 full
    int32_t mTreeDensity = 2;        // 0..4
    int32_t mDoodadDensity = 2;      // 0..4
    int32_t mZoom = 1;               // 1, 2, 4, 8 or 16
    int32_t mTextureMemoryClass = 0; // 0 ample, 1 reduced, 2 scarce
    int32_t mCameraShake = 1;        // 0 off, 1 on, 2 on with ride shake
    bool mCameraPivot = false;       // turning keeps the eye in place
    int32_t mCameraAngle = 0;        // signed tilt, -100..20
    int32_t mState = 0;              // interaction state; 8 = playback
    // Orders of all own units shown: 0 none, 1 paths, 2 target lines, 3
    // both (the selected unit's always show).
    int32_t mPaths = 0;
    // Covered arcs shown: 0 none, 1 the selected unit's, 2 every own unit's.
    int32_t mArcs = 1;
    bool mExcludePassengers = false; // passengers stay out of box selection
    // Theatre drawn with palm trees; -1: decided by the battle's theatre.
    int32_t mPalmTrees = -1;

    // Frame clock, used when no kernel runs.
    float mFramesPerSecond = 30.0f;
    int32_t mFrameMs = 33;
    int32_t mLastFrameTime = 0; // ms clock at the start of the frame
    int32_t mScreenWidth = 800;
    // Millisecond clock for the weather; null = ClockTime.
    uint32_t (*mClock)() = nullptr;
};

// Operations of the application and of other drawing code that the map
// drawing calls. Each may be null; a null entry does nothing (or, for the
// texture makers, makes nothing).
struct DrawHooks {
    // Pictures. Defaults go to the kernel: MakeTexture and its priorities
    // (0..3), MakeGraphicCanFail (type 2) and delete.
    GGraphic* (*makeTexture)(int32_t picture, int32_t priority) = nullptr;
    GGraphic* (*makeTextureCanFail)(int32_t picture) = nullptr;
    void (*deleteTexture)(GGraphic* texture) = nullptr;
    // The map view: its 2-D content, a warning label at a screen point,
    // written text, its size in pixels, its 3-D activation and its refresh.
    void (*viewDraw2D)(Map* map) = nullptr;
    void (*showWarningLabel)(Map* map, int32_t x, int32_t y, GString* text1, int32_t kind1, GString* text2,
                             int32_t kind2) = nullptr;
    void (*writeString)(Map* map, GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                        uint8_t r, uint8_t g, uint8_t b) = nullptr;
    int32_t (*stringWidth)(GString* text, int32_t font) = nullptr;
    void (*viewSize)(Map* map, int32_t* width, int32_t* height) = nullptr;
    void (*activate3D)(Map* map, float fieldOfView, float nearZ, float farZ) = nullptr;
    void (*viewRefresh)(Map* map) = nullptr;
    void (*resetCameraPrefs)() = nullptr;
    void (*setSoundDistanceOffset)(float metres) = nullptr;
    // The map's sounds (MapSound, MapSoundLoop): finished, follow the unit.
    bool (*soundComplete)(GObject* sound) = nullptr;
    void (*soundUpdate)(GObject* sound) = nullptr;
    void (*loopUpdate)(GObject* loop) = nullptr;
    // One effect of the battle's effect list (explosions, tracers...).
    void (*drawEffect)(GObject* effect) = nullptr;
};

extern DrawHooks gDrawHooks;

// The settings in force: the host's, else the defaults.
DrawSettings& CurrentDrawSettings();
// Frame values: the kernel's when it runs, else the settings'.
float DrawFramesPerSecond();
int32_t DrawFrameMs();
int32_t DrawLastFrameTime();
uint32_t DrawClockNow();
bool UsePalmTrees();
