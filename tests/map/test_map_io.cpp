// The map's file record: a full round trip gives identical bytes, and
// damaged or truncated records are refused without leaving data behind.
#include <gtest/gtest.h>

#include <cstring>

#include "MapTestUtil.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "map/MapIO.h"

namespace {

// A small map with something in every part of the record.
void FillMap(Map& map)
{
    ASSERT_TRUE(map.IBlankMap(6, 5, 1.5f, 100));
    PaintTerrain(map, 0, 0, 40, 20, kTerrainWoods);
    PaintTerrain(map, 40, 40, 60, 60, kTerrainUpperHeavy);
    RaisePoints(map, 10, 10, 20, 20, 700);
    for (int32_t s = 0; s < map.mSquareCount; ++s) {
        map.mLevels[s] = static_cast<uint8_t>(s % 7);
        map.mSquares[s].mSetupZone = s % 7;
        map.mSquares[s].mOverlay[0] = s % 64;
        map.mSquares[s].mOverlay[1] = (s * 3) % 64;
        map.mSquares[s].mOverlayMirror[0] = static_cast<char>(s % 17);
        map.mSquares[s].mOverlayMirror[1] = 1;
        map.mSquares[s].mOverlayTurn[0] = s % 4;
        map.mSquares[s].mOverlayTurn[1] = (s + 1) % 4;
        map.mSquares[s].mEdge[s % 12] = 1;
        map.mSquares[s].mEdge[(s + 5) % 12] = 1;
    }
    map.mFire[3] = 2;
    map.mFire[7] = 6;
    float cx[4] = {42, 58, 58, 42}, cy[4] = {42, 42, 58, 58};
    Building* b = new Building;
    b->IBuilding(2, 2, kTerrainUpperHeavy, cx, cy);
    b->mDamage = 0.25f;
    map.mBuildings->Add(b);
    Wall* w = new Wall;
    w->IWall(kTerrainHedge, 0, 60, 60, 60, 1.8f);
    map.mWalls->Add(w);
    Crater* c = new Crater;
    c->ICrater(70, 30, 2.5f, 0.8f, 0.125f, 1, 2);
    map.mCraters->Add(c);
    Crater* f = new Crater;
    f->ICrater(15, 15, 1.0f, 1.2f, 0.5f, kCraterKindFoxhole, kAllies);
    f->mLevel = 3;
    map.mFoxholes->Add(f);
    Landmark* l = new Landmark;
    GString63 name("H\xf6he 112");  // Latin-1, as the program keeps text
    l->ILandmark(1, 4, &name);
    map.mLandmarks->Add(l);
    map.mCameraX[1] = 33.5f;
    map.mCameraLevel[0] = 7;
    map.mCameraHeading[0] = 1.25f;
    map.IndexObjects();
    map.RecomputeHeights();
}

TEST(MapRecord, WriteReadWriteGivesIdenticalBytesAndEqualMaps)
{
    Map a;
    FillMap(a);
    std::vector<uint8_t> first = RecordBytes(a);
    ASSERT_GT(first.size(), 1000u);

    auto file = FileWith(first);
    Map b;
    ASSERT_TRUE(b.IMap(file.get()));
    EXPECT_EQ(RecordBytes(b), first);

    EXPECT_EQ(b.mWidth, 6);
    EXPECT_EQ(b.mHeight, 5);
    EXPECT_FLOAT_EQ(b.mHeightScale, 1.5f);
    EXPECT_EQ(b.mPoints, a.mPoints);
    EXPECT_EQ(b.mLevels, a.mLevels);
    EXPECT_EQ(b.mFire, a.mFire);
    EXPECT_EQ(b.mCenterHeight, a.mCenterHeight);
    for (int32_t s = 0; s < a.mSquareCount; ++s) {
        EXPECT_EQ(b.mSquares[s].mSetupZone, a.mSquares[s].mSetupZone);
        EXPECT_EQ(0, std::memcmp(b.mSquares[s].mEdge, a.mSquares[s].mEdge, 12));
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(b.mSquares[s].mOverlay[k], a.mSquares[s].mOverlay[k]);
            EXPECT_EQ(b.mSquares[s].mOverlayMirror[k], a.mSquares[s].mOverlayMirror[k]);
            EXPECT_EQ(b.mSquares[s].mOverlayTurn[k], a.mSquares[s].mOverlayTurn[k]);
        }
    }
    ASSERT_EQ(b.mBuildings->GetCount(), 1);
    EXPECT_TRUE(static_cast<Building*>(b.mBuildings->GetObjectA(0))
                    ->SameAs(*static_cast<Building*>(a.mBuildings->GetObjectA(0))));
    EXPECT_EQ(b.GetBuildingAtXY(50, 50), b.mBuildings->GetObjectA(0));
    ASSERT_EQ(b.mFoxholes->GetCount(), 1);
    EXPECT_TRUE(b.mFoxholes->GetCrater(0)->SameAs(*a.mFoxholes->GetCrater(0)));
    EXPECT_TRUE(b.mCraters->GetCrater(0)->SameAs(*a.mCraters->GetCrater(0)));
    EXPECT_TRUE(static_cast<Wall*>(b.mWalls->GetObjectA(0))->SameAs(*static_cast<Wall*>(a.mWalls->GetObjectA(0))));
    Landmark* l = static_cast<Landmark*>(b.mLandmarks->GetObjectA(0));
    EXPECT_EQ(l->mRow, 4);
    EXPECT_STREQ(l->mName.GetCString(), "H\xf6he 112");
    EXPECT_FLOAT_EQ(b.mCameraX[1], 33.5f);
    EXPECT_EQ(b.mCameraLevel[0], 7);
    EXPECT_FLOAT_EQ(b.mCameraHeading[0], 1.25f);
    EXPECT_EQ(b.GetTerrain(15, 15, true), TerrainInfoOf(kTerrainWoods).mDigCode);
}

TEST(MapRecord, StartsWithVersionAndSizesAndEndsWithAReservedCount)
{
    Map a;
    ASSERT_TRUE(a.IBlankMap(1, 2, 1.0f, 0));
    std::vector<uint8_t> bytes = RecordBytes(a);
    ASSERT_GE(bytes.size(), 13u);
    EXPECT_EQ(bytes[0], kMapRecordVersion);
    EXPECT_EQ(bytes[4], 1);  // columns, big-endian
    EXPECT_EQ(bytes[8], 2);  // rows
    // The tail: no previous state, then a zero reserved count.
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 5, bytes.end()), std::vector<uint8_t>(5, 0));
    // A later writer's reserved bytes are skipped.
    bytes[bytes.size() - 1] = 3;
    bytes.insert(bytes.end(), {9, 9, 9});
    auto file = FileWith(bytes);
    Map b;
    EXPECT_TRUE(b.IMap(file.get()));
}

TEST(MapRecord, EveryTruncationIsRefusedAndLeavesAnEmptyMap)
{
    Map a;
    FillMap(a);
    std::vector<uint8_t> bytes = RecordBytes(a);
    // Cut points across every part of the record.
    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 40 || bytes.size() - cut < 200) ? 1 : 211) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        auto file = FileWith(part);
        Map b;
        ASSERT_FALSE(b.IMap(file.get())) << "cut at " << cut;
        EXPECT_EQ(b.mWidth, 0);
        EXPECT_TRUE(b.mPoints.empty());
        EXPECT_EQ(b.mBuildings->GetCount() + b.mCraters->GetCount() + b.mFoxholes->GetCount(), 0);
        // Queries on the empty map stay safe.
        EXPECT_EQ(b.GetTerrain(5, 5, true), kTerrainOpen);
        EXPECT_EQ(b.GetZCoord(5, 5), 0.0f);
        EXPECT_EQ(b.GetBuildingAtXY(5, 5), nullptr);
    }
}

// Offsets of fields in FillMap's record (6 x 5 squares, 61 x 51 points).
constexpr size_t kPointBytes = 61 * 51 * 2;
constexpr size_t kAfterGrid = 1 + 4 + 4 + 4 + kPointBytes;
constexpr size_t kZones = kAfterGrid + 30;
constexpr size_t kSquareRecords = kZones + 15;
constexpr size_t kFire = kSquareRecords + 30 * 24;
constexpr size_t kFireAge = kFire + 30;
constexpr size_t kBuildings = kFireAge + 30;
constexpr size_t kWalls = kBuildings + 5 + 49;  // one building record of 49 bytes

void PutLong(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
}

bool Loads(const std::vector<uint8_t>& bytes)
{
    auto file = FileWith(bytes);
    Map b;
    return b.IMap(file.get());
}

TEST(MapRecord, DamagedFieldsAreRefused)
{
    Map a;
    FillMap(a);
    const std::vector<uint8_t> good = RecordBytes(a);
    ASSERT_TRUE(Loads(good));

    auto damaged = [&](auto change) {
        std::vector<uint8_t> b = good;
        change(b);
        return !Loads(b);
    };
    EXPECT_TRUE(damaged([](auto& b) { b[0] = 2; }));                            // unknown version
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, 1, 0); }));                    // no columns
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, 1, -6); }));
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, 5, 100000); }));               // absurd rows
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, 5, 6); }));                    // grid no longer fits
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, 9, 0x7fc00000); }));           // scale NaN
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kSquareRecords, 64); }));      // overlay code
    EXPECT_TRUE(damaged([](auto& b) { b[kSquareRecords + 5] = 4; }));           // overlay turn
    EXPECT_TRUE(damaged([](auto& b) { b[kSquareRecords + 12] = 2; }));          // edge feature
    EXPECT_TRUE(damaged([](auto& b) { b[kSquareRecords + 23] = 0xff; }));
    EXPECT_TRUE(damaged([](auto& b) { b[kFire] = 9; }));                        // fire state
    EXPECT_TRUE(damaged([](auto& b) { b[kFireAge + 3] = 255; }));               // burning yet burnt out
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kBuildings + 1, -1); }));      // building count
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kBuildings + 1, 1 << 30); }));
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kBuildings + 5, 6); }));       // building column
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kBuildings + 13, 49); }));     // building type
    EXPECT_TRUE(damaged([](auto& b) { b[kBuildings] = 7; }));                   // group flag
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, kWalls + 5, 45); }));          // not a wall type
    EXPECT_FALSE(damaged([](auto& b) { PutLong(b, kWalls + 5, 16); }));         // another wall type
    EXPECT_TRUE(damaged([](auto& b) { PutLong(b, b.size() - 4, -1); }));        // reserved count
    EXPECT_TRUE(damaged([](auto& b) { b[b.size() - 5] = 1; }));                 // unknown block
    // Every zone nibble is a valid code: damaging one is not detectable.
    EXPECT_FALSE(damaged([](auto& b) { b[kZones] = 0xff; }));
}

TEST(MapRecord, DefaultMapIsOpenAndFlat)
{
    Map m;
    ASSERT_TRUE(m.IMap(nullptr));
    EXPECT_EQ(m.mWidth, 50);
    EXPECT_EQ(m.mHeight, 50);
    EXPECT_NEAR(m.GetZCoord(500, 500), 0.0f, 0.01f);
    EXPECT_EQ(m.GetTerrain(500, 500, true), kTerrainOpen);
    EXPECT_EQ(m.mBuildings->GetCount(), 0);
    EXPECT_EQ(m.mDrawMode, 2);
    EXPECT_TRUE(m.mClipDirty);
}

} // namespace
