#include "map/MapState.h"

#include "engine/GFile.h"
#include "map/Map.h"

namespace {

void CopyCraters(const CraterGroup* group, std::vector<Crater>* out)
{
    out->clear();
    for (int32_t k = 0; k < group->GetCount(); ++k) out->push_back(*group->GetCrater(k));
}

void RestoreCraters(const std::vector<Crater>& from, CraterGroup* group)
{
    group->EmptyOut(true);
    for (const Crater& c : from) group->Add(new Crater(c));
}

constexpr int32_t kMaxCraters = 200000;

bool ReadCraters(GFile* file, const Map& map, bool foxholes, std::vector<Crater>* out)
{
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > kMaxCraters) return false;
    out->clear();
    for (int32_t k = 0; k < count; ++k) {
        Crater c;
        c.Read(file);
        if (file->HasFailed() || !c.IsValid(map.mWidthMetres, map.mHeightMetres) || c.IsFoxhole() != foxholes)
            return false;
        out->push_back(c);
    }
    return true;
}

} // namespace

MapState::~MapState()
{
    for (GObject* o : mSmoke) delete o;
}

void MapState::Take(const Map& map)
{
    mPoints = map.mPoints;
    mFire = map.mFire;
    mFireAge = map.mFireAge;
    mDoodadZero.resize(map.mSquares.size());
    for (size_t s = 0; s < map.mSquares.size(); ++s) mDoodadZero[s] = map.mSquares[s].mDoodads[0].mTypeAndVariant;
    mBuildings.clear();
    for (int32_t k = 0; k < map.mBuildings->GetCount(); ++k) {
        const Building* b = static_cast<const Building*>(map.mBuildings->GetObjectA(k));
        mBuildings.push_back({b->mDamage, b->mRuined, b->mStateFlag, b->mUpperFloor});
    }
    CopyCraters(map.mCraters, &mCraters);
    CopyCraters(map.mFoxholes, &mFoxholes);
    for (GObject* o : mSmoke) delete o;
    mSmoke.clear();
    mSmokeCopied = true;
    for (int32_t k = 0; k < map.mSmokeShells->GetCount(); ++k) {
        GObject* copy = static_cast<GList*>(map.mSmokeShells)->GetObjectA(k)->CopyItself();
        if (!copy) mSmokeCopied = false;
        else mSmoke.push_back(copy);
    }
}

void MapState::Give(Map* map) const
{
    if (mPoints.size() != map->mPoints.size() || mFire.size() != map->mFire.size()) return;  // another map
    map->mPoints = mPoints;
    map->mFire = mFire;
    map->mFireAge = mFireAge;
    for (size_t s = 0; s < map->mSquares.size() && s < mDoodadZero.size(); ++s) {
        map->mSquares[s].mDoodads[0].mTypeAndVariant = mDoodadZero[s];
    }
    for (int32_t k = 0; k < map->mBuildings->GetCount() && k < static_cast<int32_t>(mBuildings.size()); ++k) {
        Building* b = static_cast<Building*>(map->mBuildings->GetObjectA(k));
        b->mDamage = mBuildings[k].mDamage;
        b->mRuined = mBuildings[k].mRuined;
        b->mStateFlag = mBuildings[k].mStateFlag;
        b->mUpperFloor = mBuildings[k].mUpperFloor;
        b->mDirty = 0;
    }
    RestoreCraters(mCraters, map->mCraters);
    RestoreCraters(mFoxholes, map->mFoxholes);
    // Smoke comes back only when every record could be copied.
    if (mSmokeCopied) {
        map->mSmokeShells->EmptyOut(true);
        for (GObject* o : mSmoke) {
            if (GObject* copy = o->CopyItself()) map->mSmokeShells->Add(copy);
        }
    }
}

void MapState::Write(GFile* file) const
{
    file->WriteShortArray(reinterpret_cast<const int16_t*>(mPoints.data()), static_cast<int32_t>(mPoints.size()));
    file->WriteBytes(mFire.data(), static_cast<int32_t>(mFire.size()));
    file->WriteBytes(mFireAge.data(), static_cast<int32_t>(mFireAge.size()));
    file->WriteLong(static_cast<int32_t>(mBuildings.size()));
    for (const BuildingState& b : mBuildings) {
        file->WriteFloat(b.mDamage);
        file->WriteChar(static_cast<int8_t>((b.mRuined ? 1 : 0) | (b.mStateFlag ? 2 : 0) | (b.mUpperFloor ? 4 : 0)));
    }
    for (const std::vector<Crater>* group : {&mCraters, &mFoxholes}) {
        file->WriteLong(static_cast<int32_t>(group->size()));
        for (const Crater& c : *group) const_cast<Crater&>(c).Write(file);
    }
}

bool MapState::Read(GFile* file, const Map& map)
{
    mPoints.assign(map.mPoints.size(), 0);
    file->ReadShortArray(reinterpret_cast<int16_t*>(mPoints.data()), static_cast<int32_t>(mPoints.size()));
    mFire.assign(map.mSquareCount, 0);
    file->ReadBytes(mFire.data(), map.mSquareCount);
    mFireAge.assign(map.mSquareCount, 0);
    file->ReadBytes(mFireAge.data(), map.mSquareCount);
    if (file->HasFailed()) return false;
    for (int32_t s = 0; s < map.mSquareCount; ++s) {
        if (mFire[s] < 0 || mFire[s] > 7 || mFire[s] == 4) return false;
        if (mFire[s] != 0 && mFireAge[s] == kBurntOut) return false;  // burnt out yet burning
    }
    int32_t buildings = file->ReadLong();
    if (file->HasFailed() || buildings != map.mBuildings->GetCount()) return false;
    mBuildings.assign(buildings, BuildingState());
    for (BuildingState& b : mBuildings) {
        b.mDamage = file->ReadFloat();
        int8_t flags = file->ReadChar();
        b.mRuined = (flags & 1) ? 1 : 0;
        b.mStateFlag = (flags & 2) ? 1 : 0;
        b.mUpperFloor = (flags & 4) ? 1 : 0;
        if (!(b.mDamage >= 0.0f) || !(b.mDamage < 1e30f)) return false;
    }
    // Doodads are made again when the map loads; keep them as they are.
    mDoodadZero.resize(map.mSquares.size());
    for (size_t s = 0; s < map.mSquares.size(); ++s) mDoodadZero[s] = map.mSquares[s].mDoodads[0].mTypeAndVariant;
    mSmokeCopied = false;  // smoke is the battle's to restore
    return ReadCraters(file, map, false, &mCraters) && ReadCraters(file, map, true, &mFoxholes) && !file->HasFailed();
}
