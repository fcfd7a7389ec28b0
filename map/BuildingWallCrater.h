#pragma once
// The map's placed objects as data: buildings, walls, and craters and
// foxholes with their group. Their drawing is added by the drawing code.
#include <cstdint>
#include <vector>

#include "engine/GGroup.h"
#include "renderer/G3DObject.h"
#include "units/Enums.h"

class GFile;
class GGraphic;
class Map;

// A building standing on one 20 m square, with its footprint, damage and
// the per-frame bytes the drawing uses.
class Building : public GObject {
public:
    Building() = default;
    // type is the building's terrain code (50..54); corners run around the
    // footprint in order.
    void IBuilding(int32_t column, int32_t row, Terrain type, const float cornerX[4], const float cornerY[4]);

    float DamageFraction() const;  // 0..1
    // While the battle computes, records the building's damage and state
    // flag in a packet one slice ahead when they changed since the last one.
    void UpdatePacket();
    bool Contains(float x, float y) const;  // the point lies in the footprint
    void GetCenter(float* x, float* y) const;
    // Moves the point halfway towards the footprint's centre.
    void GravitateXYToCenter(float* x, float* y) const;

    // Record: long column, long row, long type, four corners (x, y floats),
    // float damage, char flags (bit 0 ruined, bit 1 state flag, bit 2 upper
    // floor).
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // After Read: whether the values fit a map of cols x rows squares.
    bool IsValid(int32_t cols, int32_t rows) const;
    bool SameAs(const Building& other) const;

    int32_t mColumn = 0;
    int32_t mRow = 0;
    Terrain mType = kTerrainLightBuilding;
    float mCornerX[4] = {};
    float mCornerY[4] = {};
    float mDamage = 0.0f;   // accumulated damage, 1.0 and more is a ruin
    char mRuined = 0;       // set once the building is rubble
    char mStateFlag = 0;    // the state carried with the damage in packets
    char mUpperFloor = 0;   // a pick may choose the upper floor
    char mNoRoof = 0;       // do not draw the roof this frame
    char mRoofShown = 0;    // per frame: the negation of mNoRoof
    char mOccupied = 0;     // per frame: a unit is inside
    char mDirty = 0;        // damage or state changed since the last packet
    Map* mMap = nullptr;    // the map it stands on

    // Drawing (defined with the battlefield drawing). The textures are the
    // walls, the roof and the rubble, owned; null when not made.
    void MakeTextures(bool reduced);
    void DeleteTextures();
    void DrawBuilding();
    GGraphic* mTextures[3] = {};
};

// A wall, hedge or fence along a line, of one terrain type (16, 41..44).
// Its box for the view test is set by the map, which knows the ground.
class Wall : public G3DObject {
public:
    Wall() = default;
    void IWall(Terrain type, float x0, float y0, float x1, float y1, float height);

    // Record: long type, floats x0, y0, x1, y1, height.
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    bool IsValid(float widthMetres, float heightMetres) const;
    bool SameAs(const Wall& other) const;

    Terrain mType = kTerrainWall;
    float mX0 = 0.0f, mY0 = 0.0f, mX1 = 0.0f, mY1 = 0.0f;
    float mHeight = 1.0f;   // metres above the ground

    // Draws the wall when its type is `type` and its box can be seen.
    void DrawWall(Terrain type);
};

// A shell crater (kinds 0 and 1) or a dug foxhole (kind 2 and above).
class Crater : public GObject {
public:
    Crater() = default;
    // The three dimensions come in the order the crater packet carries them:
    // radius and depth in metres, then a shade fraction 0..1 that varies
    // the crater's look.
    void ICrater(float x, float y, float radius, float depth, float shade, int32_t kind, Affiliation side);

    bool IsFoxhole() const { return mFoxhole != 0; }
    // A foxhole that `viewer` (0 Axis, 1 Allies) is not to see: dug by the
    // other side and not yet spotted.
    bool HiddenFrom(int32_t viewer) const { return mFoxhole && !mSpotted && mSide != viewer; }
    // Marks the foxhole spotted and records the spotting for playback.
    void MakeSpotPacket();
    // A foxhole is seen once a living unit of the other side comes within
    // kFoxholeSpotRange of it; no chance is drawn.
    void BeSpotted();
    static constexpr float kFoxholeSpotRange = 30.0f;
    // The point lies within the radius in both x and y.
    bool Covers(float x, float y) const;

    // Record: floats x, y, radius, depth, shade; long kind; char side; char
    // spotted; long level.
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    bool IsValid(float widthMetres, float heightMetres) const;
    bool SameAs(const Crater& other) const;

    float mX = 0.0f, mY = 0.0f;
    float mRadius = 1.0f;
    float mDepth = 0.5f;
    float mShade = 0.0f;    // 0..0.03: the look of the crater
    int32_t mKind = 0;
    char mFoxhole = 0;      // kind 2 and above
    char mSpotted = 0;      // the other side has seen the foxhole
    Affiliation mSide = 2;  // digging side; 2 for shell craters
    // How a foxhole is found: 2 and above (every dug one) is seen by an
    // enemy close by; 1 only when a man seen standing in it gives it away.
    int32_t mLevel = 0;
    Map* mMap = nullptr;    // the map it lies on

    // Draws the crater or foxhole (defined with the battlefield drawing).
    void Draw();
};

constexpr int32_t kCraterKindFoxhole = 2;
constexpr int32_t kDugFoxholeLevel = 2;

// Set by the camera code only around the terrain text of a point, so that the
// text never gives away a foxhole of the other side that the viewing side has
// not spotted: FindCrater skips those while it is set.
extern bool gPlayerView;

// The map's craters or its foxholes.
class CraterGroup : public GList {
public:
    CraterGroup() = default;
    void ICraterGroup(Map* map);

    // The first member whose radius box holds the point, or null; while
    // gPlayerView is set, unspotted foxholes of the side that is not viewing
    // are passed over. A hit tells the map whether the last crater found was
    // a foxhole.
    Crater* FindCrater(float x, float y);
    Crater* GetCrater(int32_t index) const { return static_cast<Crater*>(GetObjectA(index)); }
    // Whether a dug foxhole covers the point; leaves the map's flag alone.
    bool HasFoxholeAt(float x, float y) const;
    // Makes the foxholes' list by square current (a piece of parallel work
    // finding it out of date looks at every member instead).
    void PrepareSquareLists() const;

private:
    bool SquareListsCurrent() const;
    Map* mMap = nullptr;
    // Per square of the map, the foxholes whose radius box (grown by a metre)
    // reaches into it, in the order of the group; a foxhole at a place or of
    // a size too large for that is in mEverywhere. Made again when the group
    // has changed (its change count) or the map's size has.
    mutable std::vector<int32_t> mSquareStart;
    mutable std::vector<const Crater*> mSquareHoles;
    mutable std::vector<const Crater*> mEverywhere;
    mutable uint32_t mListedChanges = 0;
    mutable int32_t mListedWidth = -1, mListedHeight = -1;
};
