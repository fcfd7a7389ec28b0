#pragma once
// Constant tables of the battlefield drawing and small shared helpers.
#include <cstdint>

// Unit enlargement: [table][9 x unit scale + camera level], the base scale
// and the two distance exponents handed to Battle::DrawUnits.
extern const float kUnitScaleTable[3][45];

// Camera, per level 0..8 (and width class 0..2 where given).
struct CameraLevelInfo {
    float mBack;      // offset of the eye behind the focus (m, negative)
    float mMinHeight; // lowest eye height (world z)
    float mClearance; // least height above the ground ahead
    float mNear;      // near plane (m)
    float mFov[3];    // field of view by width class (degrees)
    float mPitch[3];  // downward pitch by width class (degrees)
    float mLock[3];   // distance behind a locked unit by width class (m)
};
extern const CameraLevelInfo kCameraLevels[9];
// Pitch given up at levels 0..4 for the zoom factors 2, 4, 8, 16.
extern const float kZoomPitchReduction[5][4];

// Wall-type texture slots.
enum : int32_t {
    kWallSlot42 = 0,
    kWallSlot44a = 1,
    kWallSlot44b = 2,
    kWallSlot16a = 3,
    kWallSlot16b = 4,
    kWallSlot43 = 5,
    kWallSlotAlways = 6,
};

// Doodads: one record per type 0..13.
struct DoodadTypeInfo {
    int32_t mVariants;
    float mSize;  // metres
    float mWidth; // half-width per metre of height
    float mChance;
    float mSizeSpread;
    char mCrossed;
    char mScattered;
    float mRange;      // share of the squared draw radius
    int32_t mTopLevel; // highest camera level drawn at
    char mHasWinterPicture;
    char mDrawnOnSnow;
    char mDrawnInAutumnAndWinter;
    char mHasSnowPicture;
    float mClearance; // metres of the same terrain around the spot
};
constexpr int32_t kDoodadTypes = 14;
extern const DoodadTypeInfo kDoodadTypeTable[kDoodadTypes];
// Doodad type of each terrain code, -1 none.
extern const int8_t kTerrainDoodad[64];
extern const int32_t kDoodadRadius[5];
extern const int32_t kDoodadSlotsDrawn[5];

// Trees: 5 sets x 3 rows x 20 pairs (upright picture a, crown picture b),
// pictures 500 + a and 500 + b.
struct TreePicturePair {
    int8_t a, b;
};
// Row 3 x set + r (0..14), column 0..19.
TreePicturePair TreePair(int32_t row, int32_t column);

// Set-up zone colours, code + 6 x set (set 1 on snow ground).
extern const float kSetupZoneColors[13][3];
extern const float kFlagScale[9];

inline int32_t ClampLevel(int32_t level) {
    return level < 0 ? 0 : (level > 8 ? 8 : level);
}

// Heading in degrees 0..360 of (dx, dy) the way the drawing measures it: 90 or
// 270 straight along y, atan otherwise, brought into 0..360.
float BearingDegrees(float dx, float dy);

// The random fraction idiom: ((rand << 16) | rand) mod 10^7 x 1e-7, as float.
float RandomFraction01();
