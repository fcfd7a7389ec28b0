// The map's texture table: which picture each slot takes under the battle's
// conditions and the texture-memory class, made when the map is shown and
// freed after; the small binders for the effect drawing; the overlay index.
#include <algorithm>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "draw/OverlayIndex.h"
#include "engine/EZOpenPlay.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {
GGraphic* Make(int32_t picture, int32_t priority = 0) {
    if (picture < 1) return nullptr;
    if (gDrawHooks.makeTexture) return gDrawHooks.makeTexture(picture, priority);
    if (!gKernel) return nullptr;
    switch (priority) {
    case 1:
        return gKernel->MakePriorityTexture(picture);
    case 2:
        return gKernel->MakeHighPriorityTexture(picture);
    case 3:
        return gKernel->MakeHighestPriorityTexture(picture);
    default:
        return gKernel->MakeTexture(picture);
    }
}

// Added to an overlay picture's number: the same ground under snow.
constexpr int32_t kSnowLookOffset = 50000;

GGraphic* MakeCanFail(int32_t picture) {
    if (gDrawHooks.makeTextureCanFail) return gDrawHooks.makeTextureCanFail(picture);
    return gKernel ? gKernel->MakeGraphicCanFail(kGraphicTexture, picture) : nullptr;
}

void Free(GGraphic*& t) {
    if (!t) return;
    if (gDrawHooks.deleteTexture)
        gDrawHooks.deleteTexture(t);
    else
        delete t;
    t = nullptr;
}

template <size_t N> void FreeAll(GGraphic* (&slots)[N]) {
    for (GGraphic*& t : slots)
        Free(t);
}

// Variant k of a family by memory class: k, k rounded down to even, or
// k rounded down to a multiple of three.
int32_t ByMemoryClass(int32_t k) {
    switch (CurrentDrawSettings().mTextureMemoryClass) {
    case 1:
        return k & ~1;
    case 2:
        return 3 * (k / 3);
    default:
        return k;
    }
}

struct Conditions {
    int32_t ground = 0, season = 0, daytime = 1, weather = 0, theatre = 0, date = 4406, temperature = 0;
    bool exitZone = false;
    bool Snow() const { return ground >= 6 && ground <= 8; }
};

Conditions ReadConditions() {
    Conditions c;
    if (!gBattle) return c;
    c.ground = gBattle->mGroundCondition;
    c.season = gBattle->mSeason;
    c.daytime = gBattle->mTimeOfDay;
    c.weather = gBattle->mWeather;
    c.theatre = gBattle->mTheatre;
    c.date = gBattle->mDate;
    c.temperature = gBattle->mTemperature;
    c.exitZone = gBattle->mHasExitEdge[0] || gBattle->mHasExitEdge[1];
    return c;
}

// Light factors: saved, multiplied for one texture or a group, restored.
class Tint {
public:
    explicit Tint(float r, float g, float b) {
        if (!g3D) return;
        g3D->GetLightFactors(&mOld);
        ColorRGB now{mOld.red * r, mOld.green * g, mOld.blue * b};
        g3D->SetLightFactors(&now, nullptr);
        mActive = true;
    }
    ~Tint() {
        if (mActive) g3D->SetLightFactors(&mOld, nullptr);
    }
    Tint(const Tint&) = delete;
    Tint& operator=(const Tint&) = delete;

private:
    ColorRGB mOld{1.0f, 1.0f, 1.0f};
    bool mActive = false;
};

// The damp darkening of the two road codes on damp to morass ground.
float DampFactor(int32_t ground, int32_t code) {
    if (ground < 2 || ground > 5 || (code != 13 && code != 14)) return 1.0f;
    return 0.9f - 0.1f * static_cast<float>(ground - 2);
}

bool WallOfType(GObject* member, void* context) {
    return static_cast<Wall*>(member)->mType == static_cast<Terrain>(reinterpret_cast<intptr_t>(context));
}

bool HasWall(GList* walls, Terrain type) {
    return walls && walls->Find(WallOfType, reinterpret_cast<void*>(static_cast<intptr_t>(type)));
}

void BuildingMakeTextures(GObject* member, void* context) {
    static_cast<Building*>(member)->MakeTextures(context != nullptr);
}

void BuildingDeleteTextures(GObject* member, void*) {
    static_cast<Building*>(member)->DeleteTextures();
}

int32_t DoodadRecord(int32_t type) {
    if (type <= 8) return type;
    if (type == 9) return 3;
    if (type == 10 || type == 12) return 0;
    return 2; // 11 and 13
}
} // namespace

int32_t Map::GetOverlayTextureIndex(const Square* s, int32_t slot, int32_t* underLayer) const {
    if (underLayer) *underLayer = 0;
    if (!s || slot < 0 || slot > 1) return -1;
    const int32_t code = s->mOverlay[slot];
    if (code < 0 || code >= kOverlayCodeCount) return -1;
    const OverlayIndexInfo& info = gOverlayIndexTable[code];
    if (info.mIndex < 0) return -1;
    // A band laid along a line's course: its mirror byte names the band's shape.
    const int32_t shape = s->mOverlayMirror[slot];
    if (info.mBands >= 0 && shape >= 1 && shape <= kOverlayBandShapes) return info.mBands + shape - 1;
    if (underLayer && slot == 1 && info.mLayers > 0) {
        const int32_t below = s->mOverlay[0];
        const int32_t family =
            (below >= 0 && below < kOverlayCodeCount) ? TerrainInfoOf(below).mGroundFamily : -1;
        *underLayer = std::clamp(family, 0, static_cast<int32_t>(info.mLayers));
    }
    return info.mIndex;
}

void Map::MakeNationalTextures(Nation nation) {
    if (nation < 0 || nation > 9) return;
    if (!mNationalTextures[nation]) mNationalTextures[nation] = Make(400 + nation);
    if (!mNationalPriorityTextures[nation]) mNationalPriorityTextures[nation] = Make(440 + nation, 1);
}

void Map::MakeSmallArmsTexture(int32_t i) {
    if (i < 0 || i >= 48 || mSmallArmsTextures[i]) return;
    mSmallArmsTextures[i] = Make(1900 + i);
}

void Map::MakeCrewDummy(Force force, Uniform uniform) {
    if (uniform < 0 || uniform >= 36 || mCrewDummies[uniform]) return;
    // A crew of the uniform that never takes the field: the figures in a
    // vehicle's open hatches are drawn with its textures.
    constexpr InfantryType kDummyCrew = 790;
    if (kDummyCrew >= gInfantryData.Count()) return;
    auto* dummy = new Infantry;
    dummy->IInfantry(kDummyCrew, force, 2, 0.0f, 0.0f, 0.0f);
    dummy->mUniform = uniform;
    dummy->mOnSkis = false;
    mCrewDummies[uniform] = dummy;
}

void Map::MakeCrewDummyTextures() {
    // Made afresh: a dummy that kept its textures from an earlier call frees
    // them first.
    for (int32_t u = 35; u >= 0; --u)
        if (mCrewDummies[u]) {
            mCrewDummies[u]->DeleteTextures();
            mCrewDummies[u]->MakeTextures(true);
        }
}

void Map::LoadDoodadTexture(int32_t type, int32_t variant) {
    // Types and variants beyond the table (a damaged square) load nothing.
    if (type < 0 || type >= kDoodadTypes || variant < 0 || variant > 3) return;
    GGraphic*& slot = mDoodadTextures[4 * type + variant];
    if (slot) return;
    const int32_t r = DoodadRecord(type);
    const DoodadTypeInfo& rec = kDoodadTypeTable[r];
    const Conditions c = ReadConditions();
    if (c.Snow() && !rec.mDrawnOnSnow) return;
    int32_t base = 2100;
    if (UsePalmTrees())
        base = 32100;
    else if (c.Snow() && rec.mHasSnowPicture)
        base = 2500;
    else if (c.season == 3 && rec.mHasWinterPicture)
        base = 2300;
    int32_t picture = base + 10 * r + variant;
    if (picture >= 30000) {
        if (GGraphic* g = MakeCanFail(picture)) {
            slot = g;
            return;
        }
        picture -= 30000;
    }
    slot = Make(picture);
}

void Map::MakeTextures(bool flag) {
    const Conditions c = ReadConditions();
    const bool palm = UsePalmTrees();
    const int32_t memoryClass = std::clamp(CurrentDrawSettings().mTextureMemoryClass, 0, 2);
    // Between groups of textures the connection is kept alive and the
    // progress window moves on.
    auto busy = [] {
        OPPingDuringBusyCPU();
        if (gBattle) gBattle->Host()->UpdateProgressWindow();
    };
    // 1-2.
    if (g3D) g3D->SetMipMapLocal(true);
    Free(mNationalPriorityTextures[10]);
    Free(mNationalPriorityTextures[11]);
    for (int32_t k : {0, 10, 2})
        if (!mNationalPriorityTextures[k]) mNationalPriorityTextures[k] = Make(440 + k, 1);
    MakeCrewDummyTextures();
    // 3.
    for (int32_t k = 0; k < 14; ++k)
        if (!mSpecialPriorityTextures[k]) mSpecialPriorityTextures[k] = Make(5100 + k, 1);
    if (!mDoodadRubbleTexture) mDoodadRubbleTexture = Make(672);
    if (!mTyreTexture) mTyreTexture = Make(1300);
    if (!mCraterTextures[0]) mCraterTextures[0] = Make(1270);
    if (!mCraterTextures[1]) mCraterTextures[1] = Make(1271);
    // 4. Wall types.
    auto wallSlot = [this](int32_t slot, int32_t picture) {
        if (!mWallTypeTextures[slot]) mWallTypeTextures[slot] = Make(picture);
    };
    if (HasWall(mWalls, 42)) wallSlot(kWallSlot42, c.Snow() ? 1218 : (palm ? 31208 : 1208));
    if (HasWall(mWalls, 44)) {
        wallSlot(kWallSlot44a, c.Snow() ? 1219 : (palm ? 31217 : 1217));
        wallSlot(kWallSlot44b, c.Snow() ? 1234 : (palm ? 31216 : 1216));
    }
    if (HasWall(mWalls, 16)) {
        wallSlot(kWallSlot16a, 1235);
        wallSlot(kWallSlot16b, 1236);
    }
    if (HasWall(mWalls, 43)) wallSlot(kWallSlot43, c.Snow() ? 1229 : (palm ? 31225 : 1225));
    wallSlot(kWallSlotAlways, c.Snow() ? 1219 : 1217);
    const int32_t wallPictures[3] = {1210, 1209, 1228};
    for (int32_t k = 0; k < 3; ++k)
        if (!mWallTextures[k]) mWallTextures[k] = Make(wallPictures[k]);
    // 5.
    for (int32_t k = 0; k < 8; ++k)
        if (!mShrapnelTextures[k]) mShrapnelTextures[k] = Make(1240 + k);
    busy();
    // 6. Doodads.
    if (!mDoodadsCreated) {
        for (int32_t i = 0; i < mWidth; ++i)
            for (int32_t j = 0; j < mHeight; ++j)
                CreateDoodads(i, j);
        mDoodadsCreated = true;
    }
    for (int32_t i = 0; i < mWidth; ++i)
        for (int32_t j = 0; j < mHeight; ++j)
            for (const Doodad& d : mSquares[static_cast<size_t>(i) * mHeight + j].mDoodads) {
                const int32_t type = d.mTypeAndVariant & 0x1f;
                if (type != kDoodadEmpty) LoadDoodadTexture(type, d.mTypeAndVariant >> 5);
            }
    for (int32_t v = kDoodadTypeTable[8].mVariants - 1; v >= 0; --v)
        LoadDoodadTexture(8, v);
    busy();
    // 7. Trees.
    int32_t set = c.theatre != 0 ? 1 : std::clamp(c.season, 0, 3);
    if (c.theatre == 0 && set == 2) set = 1;
    if (c.theatre == 0 && c.Snow() && c.temperature >= 4) set = 4;
    const int32_t perRow = memoryClass == 0 ? 20 : (memoryClass == 1 ? 4 : 2);
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t j = 0; j < perRow; ++j) {
            const int32_t slot = r * 20 + j;
            if (mTreeTextures[slot]) continue;
            int32_t a, first, second;
            char kind;
            if (palm && r == 0) {
                a = j % 7;
                first = 30500 + a;
                second = 30507 + j % 3;
                kind = 3;
            } else if (palm && r == 1) {
                a = j % 4;
                first = 30511 + a;
                second = 30515 + j % 2;
                kind = 1;
            } else {
                const TreePicturePair p = TreePair(3 * set + r, j);
                a = p.a;
                first = 500 + p.a;
                second = 500 + p.b;
                kind = (a == 0 || a == 1 || a == 40 || a == 42) ? 1
                       : (a == 2 || a == 3 || a == 13 || a == 21 || a == 32 || a == 41 || a == 43 || a == 53)
                           ? 2
                           : 0;
            }
            mTreeTextures[slot] = Make(first);
            mTreeTextures2[slot] = Make(second);
            mTreeKinds[slot] = kind;
        }
    }
    busy();
    // 8. Ground base and open ground.
    int32_t base, edge;
    bool earlyWar = false;
    if (c.Snow()) {
        base = c.ground == 6 ? 1870 : 1470;
        edge = 1596;
    } else {
        edge = 1595;
        const GroundType type = GetGroundType(false);
        if (type == 1) {
            base = 1830;
        } else if (type == 2) {
            base = 1850;
        } else if (c.date <= 4312) {
            base = 1570;
            earlyWar = true;
        } else {
            base = c.season == 3 ? 1570 : 1550;
        }
    }
    {
        Tint tint(earlyWar ? 1.37f : 1.0f, earlyWar ? 1.16f : 1.0f, earlyWar ? 1.33f : 1.0f);
        if (!mGroundEdgeTextures[0]) mGroundEdgeTextures[0] = Make(edge);
        if (!mGroundEdgeTextures[1]) mGroundEdgeTextures[1] = Make(base + 10);
        ElevationSpan();
        for (int32_t k = 0; k < 20; ++k)
            if (!mOpenGroundTextures[k] && NeedOpenGroundTexture(k))
                mOpenGroundTextures[k] = Make(base + ByMemoryClass(k));
    }
    // 9.
    for (int32_t k = 0; k < 4; ++k)
        if (!mSmokeTextures[k]) mSmokeTextures[k] = Make(1800 + k);
    // 10. The edge textures, always made.
    if (!mGroundTextures[71]) mGroundTextures[71] = Make(c.Snow() ? 971 : 671);
    if (!mGroundTextures[12]) {
        const float f = DampFactor(c.ground, 13);
        Tint tint(f, f, f);
        mGroundTextures[12] = Make(c.Snow() ? 842 : 612);
    }
    if (!mGroundTextures[25]) {
        const float f = DampFactor(c.ground, 14);
        Tint tint(f, f, f);
        mGroundTextures[25] = Make(c.Snow() ? 842 : 625);
    }
    // 11. Overlays, from the last square backwards.
    for (int32_t i = mWidth - 1; i >= 0; --i) {
        for (int32_t j = mHeight - 1; j >= 0; --j) {
            const Square& sq = mSquares[static_cast<size_t>(i) * mHeight + j];
            for (int32_t s = 0; s < 2; ++s) {
                int32_t under = 0;
                const int32_t idx = GetOverlayTextureIndex(&sq, s, &under);
                if (idx < 0 || idx >= kGroundTextureCount || mGroundTextures[idx]) continue;
                float r = 1.0f, g = 1.0f, b = 1.0f;
                if (s == 1) {
                    r = g = b = DampFactor(c.ground, sq.mOverlay[1]);
                } else if (earlyWar) {
                    const int32_t code = sq.mOverlay[0];
                    if (code == 4 || code == 20 || code == 21 || code == 22 || code == 24) {
                        r = 1.37f;
                        g = 1.16f;
                        b = 1.33f;
                    }
                }
                Tint tint(r, g, b);
                // On snow ground an overlay shows its snow look where the store holds one.
                const int32_t picture = 600 + idx + under;
                GGraphic* snowy = c.Snow() ? MakeCanFail(kSnowLookOffset + picture) : nullptr;
                mGroundTextures[idx] = snowy ? snowy : Make(picture);
            }
        }
    }
    // A trench dug in the set-up is stamped into the ground when the set-up
    // ends, long after these textures were made: its picture is made now,
    // whether or not the map holds a trench yet. Without it the stamped
    // square would be drawn with whatever overlay picture came before it.
    {
        Square dug;
        dug.mOverlay[0] = kTerrainTrench;
        const int32_t idx = GetOverlayTextureIndex(&dug, 0, nullptr);
        if (idx >= 0 && idx < kGroundTextureCount && !mGroundTextures[idx]) {
            GGraphic* snowy = c.Snow() ? MakeCanFail(kSnowLookOffset + 600 + idx) : nullptr;
            mGroundTextures[idx] = snowy ? snowy : Make(600 + idx);
        }
    }
    busy();
    // 12. Buildings.
    if (mBuildings) mBuildings->DoForEach(BuildingMakeTextures, flag ? nullptr : this);
    // 13-16. The rest untinted.
    ColorRGB saved{1.0f, 1.0f, 1.0f};
    if (g3D) {
        g3D->GetLightFactors(&saved);
        g3D->SetLightFactor(1.0f);
    }
    for (int32_t k = 0; k < 3; ++k)
        if (!mSparkTextures[k]) mSparkTextures[k] = Make(1230 + k);
    for (int32_t k = 0; k < 10; ++k) {
        if (!mBlastTextures[k]) mBlastTextures[k] = Make(1720 + ByMemoryClass(k));
        if (!mBlastTextures[10 + k]) mBlastTextures[10 + k] = Make(1730 + ByMemoryClass(k));
    }
    for (int32_t k = 0; k < 3; ++k)
        if (!mFlameTextures[k]) mFlameTextures[k] = Make(1204 + k);
    for (int32_t k = 0; k < 2; ++k) {
        if (!mTracerTextures[k]) mTracerTextures[k] = Make(300 + k);
        if (!mFlagPoleTextures[k]) mFlagPoleTextures[k] = Make(305 + k);
    }
    for (int32_t k = 0; k < 18; ++k)
        if (!mFireTextures[k]) mFireTextures[k] = Make(1700 + ByMemoryClass(k));
    mLastFireTexture = mFireTextures[0];
    if (!mLineTexture) mLineTexture = Make(2020, 1);
    if (c.exitZone) {
        if (!mExitZoneTextures[0]) mExitZoneTextures[0] = Make(1222);
        if (!mExitZoneTextures[1]) mExitZoneTextures[1] = Make(1223);
    }
    if (!mNightLightTexture) mNightLightTexture = Make(c.daytime == 3 ? 10059 : 10049, 3);
    // 15. Sky.
    int32_t sky = c.Snow() ? 1412 : (palm ? 1406 : 1400);
    int32_t sky1, sky2;
    if (c.daytime == 3) {
        sky = c.weather == 0 ? 1403 : 1404;
        sky1 = sky2 = c.weather == 0 ? 1423 : 1404;
    } else {
        if (c.weather != 0)
            sky += 1;
        else if (c.daytime == 0)
            sky += 2;
        else if (c.daytime == 2)
            sky += 5;
        sky1 = sky + 20;
        sky2 = sky + 40;
    }
    const int32_t skies[3] = {sky, sky1, sky2};
    for (int32_t k = 0; k < 3; ++k)
        if (!mSkyTextures[k]) mSkyTextures[k] = Make(skies[k], 2);
    if (g3D) g3D->SetLightFactors(&saved, nullptr);
}

void Map::DeleteTextures() {
    for (Unit* dummy : mCrewDummies)
        if (dummy) dummy->DeleteTextures();
    FreeAll(mBlastTextures);
    FreeAll(mSpecialPriorityTextures);
    if (mBuildings) mBuildings->DoForEach(BuildingDeleteTextures, nullptr);
    Free(mNightLightTexture);
    FreeAll(mGroundEdgeTextures);
    Free(mDoodadRubbleTexture);
    Free(mTyreTexture);
    for (int32_t slot :
         {kWallSlot42, kWallSlot16a, kWallSlot16b, kWallSlotAlways, kWallSlot43, kWallSlot44a, kWallSlot44b})
        Free(mWallTypeTextures[slot]);
    Free(mLineTexture);
    FreeAll(mWallTextures);
    FreeAll(mExitZoneTextures);
    FreeAll(mSkyTextures);
    FreeAll(mNationalPriorityTextures);
    FreeAll(mNationalTextures);
    FreeAll(mSmallArmsTextures);
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t j = 0; j < 20; ++j)
            Free(mTreeTextures[r * 20 + j]);
        for (int32_t j = 0; j < 20; ++j)
            Free(mTreeTextures2[r * 20 + j]);
    }
    FreeAll(mShrapnelTextures);
    FreeAll(mSparkTextures);
    FreeAll(mOpenGroundTextures);
    FreeAll(mFireTextures);
    FreeAll(mSmokeTextures);
    FreeAll(mGroundTextures);
    FreeAll(mFlameTextures);
    FreeAll(mTracerTextures);
    FreeAll(mFlagPoleTextures);
    FreeAll(mDoodadTextures);
    FreeAll(mCraterTextures);
    mLastFireTexture = nullptr;
}

void Map::ReleaseDrawState() {
    DeleteTextures();
    for (Unit*& dummy : mCrewDummies) {
        delete dummy;
        dummy = nullptr;
    }
}

void Map::SetTracerTexture(Affiliation side) {
    d3::Texture(mTracerTextures[side & 1]);
}

void Map::SetFlameTexture() {
    const uint32_t r = RandomPair();
    d3::Texture(mFlameTextures[r % 3]);
}

void Map::SetTireTexture() {
    d3::Texture(mTyreTexture);
}

void Map::SetShrapnelTexture(int32_t i) {
    if (i >= 0 && i < 8) d3::Texture(mShrapnelTextures[i]);
}

void Map::SetSparkTexture(int32_t i) {
    if (i >= 0 && i < 3) d3::Texture(mSparkTextures[i]);
}

void Map::SetRubbleTexture() {
    d3::Texture(mDoodadRubbleTexture);
}

void Map::SetLastFireTexture() {
    d3::Texture(mLastFireTexture);
}
