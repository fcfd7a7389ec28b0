// What the battle changes on the map: fires, craters and foxholes, and
// damage to buildings. Every change made while the battle computes is
// recorded as an action packet, and playback makes the same change again
// from the packet, so both give the same map.
#include <algorithm>
#include <cmath>

#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/MapState.h"

namespace {

// How readily fire catches by the ground condition (very dry .. deep snow).
constexpr float kGroundFireScale[9] = {2.0f, 1.5f, 1.0f, 0.6f, 0.3f, 0.2f, 0.2f, 0.1f, 0.05f};
constexpr float kSpreadSmall = 0.02f;      // chance per neighbour and step
constexpr float kSpreadLarge = 0.08f;
constexpr float kGrowChance = 0.1f;        // a small fire becomes large
constexpr uint8_t kBurnTurns[4] = {0, 2, 3, 4};  // by fuel: light, wood, building

constexpr float kBlastReach = 25.0f;       // metres from the building's centre
constexpr float kRuinedDamage = 1.0f;
constexpr float kRoofGoneDamage = 0.5f;

float BuildingStrength(Terrain type)
{
    switch (type) {
    case kTerrainLightBuilding:
    case kTerrainUpperLight: return 300.0f;
    case kTerrainUpperHeavyClosed: return 1500.0f;
    default: return 800.0f;
    }
}

// Rounds as a fixed-point packet field of that scale stores it, so that the
// crater made now and the one playback makes from its packet are the same.
float AsPacketField(float v, float scale) { return static_cast<float>(static_cast<int32_t>(v * scale + 0.5f)) / scale; }

float GroundScale(MapBattleLink* link)
{
    int32_t condition = link ? link->GetGroundCondition() : 2;
    return kGroundFireScale[std::clamp(condition, 0, 8)];
}

} // namespace

int32_t Map::PacketSlice() const { return mBattleLink ? mBattleLink->GetSlice() : 0; }

// ---------------------------------------------------------------- fires

// The fuel class of the ground: 0 does not burn, 1 grass and crops, 2 brush
// and wood, 3 buildings. A small fire's state is its fuel class, a large
// fire's is four more.
int32_t Map::FuelAt(float x, float y) const
{
    Terrain t = GetTerrain(x, y, false);
    const TerrainInfo& info = TerrainInfoOf(t);
    if (info.mFire <= 0) return 0;
    if (info.mFlags & kTFBuilding) return 3;
    return info.mFire >= 3 ? 2 : 1;
}

void Map::StartFire(float x, float y, bool large, bool makePacket)
{
    if (!OnMap(x, y)) return;
    const int32_t col = static_cast<int32_t>(x * 0.05f), row = static_cast<int32_t>(y * 0.05f);
    const int32_t s = SquareIndex(col, row);
    const int32_t fuel = FuelAt(x, y);
    if (fuel == 0 || mFireAge[s] == kBurntOut) return;
    const int8_t state = static_cast<int8_t>(large ? fuel + 4 : fuel);
    const int8_t old = mFire[s];
    // A fire never shrinks by being started again.
    if (old > 4 || (old > 0 && !large)) return;
    mFire[s] = state;
    NoteTraceInputsChanged();
    if (large) VoidLOS(col * kSquareSize + 10.0f, row * kSquareSize + 10.0f, 30.0f);  // its smoke
    if (makePacket && mBattleLink) {
        mBattleLink->RecordFireStart(PacketSlice(), x, y, large);
        StartOneFireSoundEffect(col, row);
    }
}

void Map::StartOneFireSoundEffect(int32_t column, int32_t row)
{
    if (mBattleLink) mBattleLink->RecordFireSound(PacketSlice(), column, row);
}

void Map::PotentiallyStartFire(float chance, float x, float y, bool large)
{
    if (!OnMap(x, y) || !(chance > 0.0f)) return;
    const int32_t s = SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    const int32_t flammability = TerrainInfoOf(GetTerrain(x, y, false)).mFire;
    if (flammability == 0 || mFireAge[s] == kBurntOut || mFire[s] > 4) return;
    const double p = chance * GroundScale(mBattleLink) * flammability / 3.0;
    if (RandomFraction() < p) StartFire(x, y, large, true);
}

void Map::SpreadFires()
{
    if (mSquareCount == 0) return;
    // Decide from the states as they were, so a fire spreads one square a step.
    const std::vector<int8_t> before = mFire;
    const float ground = GroundScale(mBattleLink);
    const double wind = mBattleLink ? mBattleLink->GetWindDirection() * 0.017453292519943295 : 0.0;
    const int32_t strength = mBattleLink ? std::clamp(mBattleLink->GetWindStrength(), 0, 3) : 0;
    static const int32_t dc[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    static const int32_t dr[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    for (int32_t col = 0; col < mWidth; ++col) {
        for (int32_t row = 0; row < mHeight; ++row) {
            const int8_t state = before[SquareIndex(col, row)];
            if (state <= 0) continue;
            const float cx = col * kSquareSize + 10.0f, cy = row * kSquareSize + 10.0f;
            if (state <= 3) {
                const int32_t flam = TerrainInfoOf(GetTerrain(cx, cy, false)).mFire;
                if (RandomFraction() < kGrowChance * ground * flam / 3.0f) StartFire(cx, cy, true, true);
            }
            const float base = state > 4 ? kSpreadLarge : kSpreadSmall;
            for (int k = 0; k < 8; ++k) {
                const int32_t nc = col + dc[k], nr = row + dr[k];
                if (nc < 0 || nr < 0 || nc >= mWidth || nr >= mHeight) continue;
                const int32_t n = SquareIndex(nc, nr);
                if (before[n] != 0 || mFire[n] != 0 || mFireAge[n] == kBurntOut) continue;
                const float nx = nc * kSquareSize + 10.0f, ny = nr * kSquareSize + 10.0f;
                const int32_t flam = TerrainInfoOf(GetTerrain(nx, ny, false)).mFire;
                if (flam == 0) continue;
                // Downwind neighbours catch more readily.
                const double along = std::cos(std::atan2(static_cast<double>(dr[k]), static_cast<double>(dc[k])) - wind);
                const double windFactor = std::max(0.2, 1.0 + 0.5 * strength * along);
                if (RandomFraction() < base * ground * flam / 3.0 * windFactor) StartFire(nx, ny, false, true);
            }
        }
    }
}

void Map::BurnOutFires()
{
    for (int32_t s = 0; s < mSquareCount; ++s) {
        if (mFire[s] == 0) continue;
        const int32_t fuel = mFire[s] > 4 ? mFire[s] - 4 : mFire[s];
        if (++mFireAge[s] >= kBurnTurns[std::clamp(fuel, 1, 3)]) {
            mFire[s] = 0;
            mFireAge[s] = kBurntOut;
        }
    }
    NoteTraceInputsChanged();
    DeleteLOSTable();
}

// ---------------------------------------------------------------- craters and foxholes

// Packets name a crater by its centre, and craters may overlap: of those
// covering the point, the one whose centre lies nearest is meant (the
// earlier member on a tie).
Crater* Map::CraterCovering(CraterGroup* group, float x, float y, float* distance2) const
{
    Crater* nearest = nullptr;
    float best = 0.0f;
    for (int32_t k = 0; k < group->GetCount(); ++k) {
        Crater* c = group->GetCrater(k);
        if (!c->Covers(x, y)) continue;
        const float d = (c->mX - x) * (c->mX - x) + (c->mY - y) * (c->mY - y);
        if (!nearest || d < best) {
            nearest = c;
            best = d;
        }
    }
    if (distance2) *distance2 = best;
    return nearest;
}

void Map::MarkFoxhole(const Crater* c)
{
    if (!c->IsFoxhole()) return;
    int32_t c0, c1, r0, r1;
    if (!SquareSpan(c->mX - c->mRadius, c->mX + c->mRadius, mWidth, &c0, &c1) ||
        !SquareSpan(c->mY - c->mRadius, c->mY + c->mRadius, mHeight, &r0, &r1))
        return;
    for (int32_t col = c0; col <= c1; ++col) {
        for (int32_t row = r0; row <= r1; ++row) mFoxholeMark[SquareIndex(col, row)] = 1;
    }
}

Crater* Map::MakeCrater(float x, float y, float charge, bool foxhole, bool crater, bool flag3, float value,
                        Affiliation side, bool flag4)
{
    if (!OnMap(x, y) || !(foxhole || crater) || !(charge > 0.0f) || !std::isfinite(charge)) return nullptr;
    const Terrain t = GetTerrain(x, y, false);
    if (foxhole) {
        if (TerrainInfoOf(t).mDigCode == 0) return nullptr;
    } else if (TerrainHas(t, kTFSplash | kTFBuilding | kTFBridge)) {
        return nullptr;
    }
    // Sized by the charge's cube root: 700 gives about a metre.
    const float radius = AsPacketField(std::clamp(0.12f * std::cbrt(charge), 0.3f, 15.0f), 50.0f);
    const float depth = AsPacketField(radius * (foxhole ? 1.2f : 0.4f), 50.0f);
    const float shade = AsPacketField(static_cast<float>(RandomFraction() * 0.03), 1000000.0f);
    const int32_t kind = foxhole ? kCraterKindFoxhole : (charge >= 3000.0f ? 1 : 0);
    const Affiliation owner = foxhole ? side : 2;
    const int32_t slice = PacketSlice();

    CraterGroup* group = foxhole ? mFoxholes : mCraters;
    if (Crater* old = CraterCovering(group, x, y)) {
        if (mBattleLink) mBattleLink->RecordCraterRemoved(slice, old->mX, old->mY);
        group->Delete(old, true);
    }
    Crater* c = new Crater;
    c->ICrater(x, y, radius, depth, shade, kind, owner);
    c->mMap = this;
    group->Add(c);
    MarkFoxhole(c);
    if (mBattleLink) mBattleLink->RecordCrater(slice, x, y, radius, depth, shade, kind, owner);
    return c;
}

Crater* Map::HandleCraterPacket(float x, float y, float radius, float depth, float shade, int32_t kind,
                                Affiliation side)
{
    // Packets come from files too: a crater that could not have been made
    // is left out.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius) || !(radius >= 0.0f) ||
        !std::isfinite(depth) || !std::isfinite(shade) || kind < 0)
        return nullptr;
    Crater* c = new Crater;
    c->ICrater(x, y, radius, depth, shade, kind, side);
    c->mMap = this;
    (c->IsFoxhole() ? mFoxholes : mCraters)->Add(c);
    MarkFoxhole(c);
    return c;
}

void Map::RemoveCrater(float x, float y)
{
    // A shell crater and a foxhole may overlap: the nearer centre goes,
    // the shell crater on a tie.
    float dCrater = 0.0f, dFoxhole = 0.0f;
    Crater* crater = CraterCovering(mCraters, x, y, &dCrater);
    Crater* foxhole = CraterCovering(mFoxholes, x, y, &dFoxhole);
    if (foxhole && (!crater || dFoxhole < dCrater)) {
        mFoxholes->Delete(foxhole, true);
        IndexObjects();
    } else if (crater) {
        mCraters->Delete(crater, true);
    }
}

void Map::SpotOneFoxhole(float x, float y)
{
    if (Crater* c = CraterCovering(mFoxholes, x, y)) c->mSpotted = 1;
}

// ---------------------------------------------------------------- buildings

void Map::BlastBuildings(float power, float x, float y)
{
    if (!(power > 0.0f) || !std::isfinite(power)) return;
    const float half = power * 0.5f;
    for (int32_t k = 0; k < mBuildings->GetCount(); ++k) {
        Building* b = static_cast<Building*>(mBuildings->GetObjectA(k));
        if (b->mRuined) continue;
        float cx, cy;
        b->GetCenter(&cx, &cy);
        const float d = std::sqrt((cx - x) * (cx - x) + (cy - y) * (cy - y));
        if (d >= kBlastReach) continue;
        b->mDamage += half * (1.0f - d / kBlastReach) / BuildingStrength(b->mType);
        b->mDirty = 1;
        if (b->mDamage >= kRoofGoneDamage) b->mStateFlag = 1;
        if (b->mDamage >= kRuinedDamage) {
            const int32_t slice = PacketSlice();
            RubbleizeBuilding(cx, cy, slice);
            if (mBattleLink) {
                mBattleLink->RecordBuildingCollapse(slice, cx, cy);
                mBattleLink->RecordDoodadsCleared(slice, cx, cy);
            }
        }
    }
}

void Map::RubbleizeBuilding(float x, float y, int32_t slice)
{
    Building* b = GetBuildingAtXY(x, y);
    if (!b && OnMap(x, y)) b = GetBuildingAtCR(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    if (!b || b->mRuined) return;
    b->mRuined = 1;
    b->mStateFlag = 1;
    b->mDamage = std::max(b->mDamage, kRuinedDamage);
    // The square's building ground becomes rubble.
    for (int32_t i = 0; i < kPointsPerSquare; ++i) {
        for (int32_t j = 0; j < kPointsPerSquare; ++j) {
            const int32_t pi = b->mColumn * kPointsPerSquare + i, pj = b->mRow * kPointsPerSquare + j;
            const uint16_t e = GetPoint(pi, pj);
            if (TerrainHas(DecodePointTerrain(e), kTFBuilding)) SetPoint(pi, pj, EncodePoint(e & 0x3ff, kTerrainRubble));
        }
    }
    RefreshSquareTops();
    ClearDoodads(b->mColumn * kSquareSize + 10.0f, b->mRow * kSquareSize + 10.0f);
    // The rubble's doodads come from a generator seeded by the square, so
    // that every machine lays them alike; the game's own sequence resumes
    // afterwards untouched.
    const uint32_t kept = GetRandomState();
    SeedRandomGenerator(static_cast<uint32_t>(b->mColumn) * 4099u + static_cast<uint32_t>(b->mRow));
    CreateDoodads(b->mColumn, b->mRow);
    SeedRandomGenerator(kept);
    VoidLOS(b->mColumn * kSquareSize + 10.0f, b->mRow * kSquareSize + 10.0f, 40.0f);
}

void Map::UpdateBuilding(float x, float y, float damage, bool stateFlag)
{
    Building* b = GetBuildingAtXY(x, y);
    if (!b && OnMap(x, y)) b = GetBuildingAtCR(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    if (!b || !std::isfinite(damage)) return;
    b->mDamage = damage;
    b->mStateFlag = stateFlag ? 1 : 0;
}

// ---------------------------------------------------------------- changeable state

void Map::SaveMutableData()
{
    if (!mSaved) mSaved = new MapState;
    mSaved->Take(*this);
}

void Map::SpotFoxholes(bool all)
{
    if (all) {
        for (int32_t k = 0; k < mFoxholes->GetCount(); ++k)
            mFoxholes->GetCrater(k)->mSpotted = 1;
        return;
    }
    // Dug foxholes (level 2 and above) are seen by an enemy close by; one
    // still hidden lets a man seen standing in it give it away.
    bool hidden = false;
    for (int32_t k = 0; k < mFoxholes->GetCount(); ++k) {
        Crater* c = mFoxholes->GetCrater(k);
        if (c->mSpotted || c->mLevel <= 1) continue;
        c->BeSpotted();
        if (!c->mSpotted) hidden = true;
    }
    if (!hidden || !mBattleLink) return;
    const int32_t count = mBattleLink->UnitCount();
    for (int32_t i = 0; i < count; ++i) {
        float x = 0.0f, y = 0.0f;
        if (!mBattleLink->SpottedUnitAt(i, &x, &y)) continue;
        Crater* c = mFoxholes->FindCrater(x, y);
        if (c && !c->mSpotted) c->MakeSpotPacket();
    }
}

void Map::RestoreMutableData(GList* packets)
{
    if (!mSaved) return;
    mSaved->Give(this);
    MarkAllSquareTopsDirty();
    RefreshSquareTops();
    IndexObjects();
    DeleteLOSTable();
    for (auto& sideGrids : mPathGrids) {
        for (PathGrid*& grid : sideGrids) {
            delete grid;
            grid = nullptr;
        }
    }
}
