#include "map/MapIO.h"

#include <cmath>

#include "engine/GFile.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "map/MapState.h"

namespace {

bool Finite(float v) { return std::isfinite(v); }

// Upper bounds of the object groups, far above any real map, so that a
// damaged count cannot make the reader allocate or loop without end.
int32_t MaxBuildings(const Map* m) { return m->mSquareCount * 4; }
int32_t MaxWalls(const Map* m) { return m->mSquareCount * 16; }
constexpr int32_t kMaxCraters = 200000;
int32_t MaxLandmarks(const Map* m) { return m->mSquareCount; }
constexpr int32_t kMaxReserved = 1 << 24;
constexpr int32_t kMaxSmokeShells = 100000;
constexpr int32_t kSmokeRecordBytes = 25;
constexpr int8_t kSmokeBlockTag = 1;

// Reads a group's flag byte and count; false for a count outside 0..max.
bool ReadGroupHead(GFile* file, int32_t max, int32_t* count)
{
    int8_t owns = file->ReadChar();
    *count = file->ReadLong();
    return !file->HasFailed() && (owns == 0 || owns == 1) && *count >= 0 && *count <= max;
}

template <class T, class Check>
bool ReadMembers(GFile* file, GList* group, int32_t max, Check valid)
{
    int32_t count = 0;
    if (!ReadGroupHead(file, max, &count)) return false;
    for (int32_t k = 0; k < count; ++k) {
        T* member = new T;
        member->Read(file);
        if (file->HasFailed() || !valid(*member)) {
            delete member;
            return false;
        }
        group->Add(member);
    }
    return true;
}

// A group as every record writes one: a flag byte (1, the group owns its
// members), the count, then each member's own record.
void WriteGroup(GFile* file, GList* group)
{
    file->WriteChar(1);
    file->WriteLong(group->GetCount());
    for (int32_t k = 0; k < group->GetCount(); ++k) group->GetObjectA(k)->Write(file);
}

bool SmokeRecordValid(GObject* shell) { return !gSmokeShellValid || gSmokeShellValid(shell); }

void DeleteAll(std::vector<GObject*>* objects)
{
    for (GObject* o : *objects) delete o;
    objects->clear();
}

// A group of smoke records: flag byte, count, the records. Returns the
// bytes used, or -1 when damaged or longer than `room`.
int32_t ReadSmokeGroup(GFile* file, int32_t room, std::vector<GObject*>* out)
{
    int32_t count = 0;
    if (room < 5 || !ReadGroupHead(file, kMaxSmokeShells, &count)) return -1;
    if (count > (room - 5) / kSmokeRecordBytes) return -1;
    for (int32_t k = 0; k < count; ++k) {
        GObject* shell = gSmokeShellMaker();
        shell->Read(file);
        out->push_back(shell);
        if (file->HasFailed() || !SmokeRecordValid(shell)) return -1;
    }
    return 5 + count * kSmokeRecordBytes;
}

void WriteSmokeGroup(GFile* file, const std::vector<GObject*>& shells)
{
    file->WriteChar(1);
    file->WriteLong(static_cast<int32_t>(shells.size()));
    for (GObject* o : shells) o->Write(file);
}

} // namespace

GObject* (*gSmokeShellMaker)() = nullptr;
bool (*gSmokeShellValid)(GObject* shell) = nullptr;

// ---------------------------------------------------------------- reading

bool MapIO::Read(Map* map, GFile* file)
{
    bool ok = ReadGrid(map, file) && ReadSquares(map, file) && ReadObjects(map, file) &&
              ReadCameras(map, file) && ReadTail(map, file);
    if (!ok) {
        map->DeleteGroups();
        map->CreateGroups();
        map->ClearGrid();
        return false;
    }
    map->FinishInit();
    return true;
}

bool MapIO::ReadGrid(Map* map, GFile* file)
{
    int8_t version = file->ReadChar();
    int32_t cols = file->ReadLong();
    int32_t rows = file->ReadLong();
    float scale = file->ReadFloat();
    if (file->HasFailed() || version != kMapRecordVersion) return false;
    if (cols < 1 || rows < 1 || cols > kMapMaxSquares || rows > kMapMaxSquares) return false;
    if (!Finite(scale) || scale <= 0.0f || scale > 100.0f) return false;

    map->mWidth = cols;
    map->mHeight = rows;
    map->mSquareCount = cols * rows;
    map->mHeightScale = scale;
    map->mWidthMetres = cols * kSquareSize;
    map->mHeightMetres = rows * kSquareSize;
    map->mPointsX = cols * kPointsPerSquare + 1;
    map->mPointsY = rows * kPointsPerSquare + 1;
    const int32_t points = map->mPointsX * map->mPointsY;
    map->mPoints.assign(points, 0);
    map->MarkAllSquareTopsDirty();
    file->ReadShortArray(reinterpret_cast<int16_t*>(map->mPoints.data()), points);
    return !file->HasFailed();
}

bool MapIO::ReadSquares(Map* map, GFile* file)
{
    const int32_t n = map->mSquareCount;
    map->mLevels.assign(n, 0);
    file->ReadBytes(map->mLevels.data(), n);
    map->mSquares.assign(n, Square());
    // Set-up zones: four bits per square, two squares a byte, high nibble first.
    for (int32_t s = 0; s < n; s += 2) {
        uint8_t both = static_cast<uint8_t>(file->ReadChar());
        map->mSquares[s].mSetupZone = both >> 4;
        if (s + 1 < n) map->mSquares[s + 1].mSetupZone = both & 0x0f;
    }
    for (Square& sq : map->mSquares) {
        for (int slot = 0; slot < 2; ++slot) {
            sq.mOverlay[slot] = file->ReadLong();
            sq.mOverlayMirror[slot] = file->ReadChar();
            sq.mOverlayTurn[slot] = file->ReadChar();
            if (sq.mOverlay[slot] < 0 || sq.mOverlay[slot] >= kTerrainCount) return false;
            if (sq.mOverlayTurn[slot] < 0 || sq.mOverlayTurn[slot] > 3) return false;
        }
        file->ReadBytes(sq.mEdge, 12);
        if (file->HasFailed()) return false;
        // An edge feature is there (1) or not (0).
        for (char e : sq.mEdge)
            if (e != 0 && e != 1) return false;
    }
    map->mFire.assign(n, 0);
    map->NoteTraceInputsChanged();
    file->ReadBytes(map->mFire.data(), n);
    if (file->HasFailed()) return false;
    map->mFireAge.assign(n, 0);
    file->ReadBytes(map->mFireAge.data(), n);
    if (file->HasFailed()) return false;
    for (int32_t s = 0; s < n; ++s) {
        const int8_t f = map->mFire[s];
        if (f < 0 || f > 7 || f == 4) return false;
        if (f != 0 && map->mFireAge[s] == kBurntOut) return false;  // burnt out yet burning
    }
    return true;
}

bool MapIO::ReadObjects(Map* map, GFile* file)
{
    const int32_t cols = map->mWidth, rows = map->mHeight;
    const float w = cols * kSquareSize, h = rows * kSquareSize;
    bool ok =
        ReadMembers<Building>(file, map->mBuildings, MaxBuildings(map),
                              [&](const Building& b) { return b.IsValid(cols, rows); }) &&
        ReadMembers<Wall>(file, map->mWalls, MaxWalls(map), [&](const Wall& x) { return x.IsValid(w, h); }) &&
        ReadMembers<Crater>(file, map->mCraters, kMaxCraters,
                            [&](const Crater& c) { return c.IsValid(w, h) && !c.IsFoxhole(); }) &&
        ReadMembers<Crater>(file, map->mFoxholes, kMaxCraters,
                            [&](const Crater& c) { return c.IsValid(w, h) && c.IsFoxhole(); }) &&
        ReadMembers<Landmark>(file, map->mLandmarks, MaxLandmarks(map), [&](const Landmark& l) {
            return l.mColumn >= 0 && l.mColumn < cols && l.mRow >= 0 && l.mRow < rows;
        });
    return ok;
}

bool MapIO::ReadCameras(Map* map, GFile* file)
{
    for (int side = 1; side >= 0; --side) {
        map->mCameraX[side] = file->ReadFloat();
        map->mCameraY[side] = file->ReadFloat();
        map->mCameraHeading[side] = file->ReadFloat();
        map->mCameraLevel[side] = file->ReadLong();
        if (!Finite(map->mCameraX[side]) || !Finite(map->mCameraY[side]) || !Finite(map->mCameraHeading[side]))
            return false;
        if (map->mCameraLevel[side] < 0 || map->mCameraLevel[side] > 8) return false;
    }
    return !file->HasFailed();
}

bool MapIO::ReadTail(Map* map, GFile* file)
{
    int8_t oldMutables = file->ReadChar();
    if (oldMutables != 0 && oldMutables != 1) return false;
    if (oldMutables == 1) {
        // The state before the last computed turn, for its replay.
        MapState* state = new MapState;
        if (!state->Read(file, *map)) {
            delete state;
            return false;
        }
        map->mSaved = state;
        map->mKeepOldMutables = true;
    }
    int32_t reserved = file->ReadLong();
    if (file->HasFailed() || reserved < 0 || reserved > kMaxReserved) return false;
    if (reserved > 0 && gSmokeShellMaker) return ReadSmokeBlock(map, file, reserved);
    file->Skip(reserved);
    return !file->HasFailed();
}

// The smoke block in the reserved bytes: a tag char, the smoke shells, a
// char saying whether the kept state's smoke follows, then that smoke.
// Blocks of other tags (later writers) are skipped.
bool MapIO::ReadSmokeBlock(Map* map, GFile* file, int32_t reserved)
{
    int8_t tag = file->ReadChar();
    if (file->HasFailed()) return false;
    if (tag != kSmokeBlockTag) {
        file->Skip(reserved - 1);
        return !file->HasFailed();
    }
    std::vector<GObject*> shells;
    std::vector<GObject*> kept;
    int32_t used = 1;
    int32_t n = ReadSmokeGroup(file, reserved - used, &shells);
    bool ok = n >= 0;
    if (ok) {
        used += n;
        int8_t keptPresent = file->ReadChar();
        used += 1;
        ok = !file->HasFailed() && used <= reserved && (keptPresent == 0 || (keptPresent == 1 && map->mSaved));
        if (ok && keptPresent == 1) {
            n = ReadSmokeGroup(file, reserved - used, &kept);
            ok = n >= 0;
            used += n;
        }
    }
    if (ok) {
        file->Skip(reserved - used);
        ok = !file->HasFailed();
    }
    if (!ok) {
        DeleteAll(&shells);
        DeleteAll(&kept);
        return false;
    }
    map->mSmokeShells->EmptyOut(true);
    for (GObject* o : shells) map->mSmokeShells->Add(o);
    if (map->mSaved && map->mKeepOldMutables) {
        DeleteAll(&map->mSaved->mSmoke);
        map->mSaved->mSmoke = kept;
        map->mSaved->mSmokeCopied = true;
    } else {
        DeleteAll(&kept);
    }
    return true;
}

// ---------------------------------------------------------------- writing

void MapIO::Write(Map* map, GFile* file)
{
    file->WriteChar(kMapRecordVersion);
    file->WriteLong(map->mWidth);
    file->WriteLong(map->mHeight);
    file->WriteFloat(map->mHeightScale);
    file->WriteShortArray(reinterpret_cast<const int16_t*>(map->mPoints.data()),
                          static_cast<int32_t>(map->mPoints.size()));
    file->WriteBytes(map->mLevels.data(), map->mSquareCount);
    WriteSquares(map, file);
    file->WriteBytes(map->mFire.data(), map->mSquareCount);
    file->WriteBytes(map->mFireAge.data(), map->mSquareCount);
    WriteGroup(file, map->mBuildings);
    WriteGroup(file, map->mWalls);
    WriteGroup(file, map->mCraters);
    WriteGroup(file, map->mFoxholes);
    WriteGroup(file, map->mLandmarks);
    WriteCameras(map, file);
    if (map->mKeepOldMutables && map->mSaved) {
        file->WriteChar(1);
        map->mSaved->Write(file);
    } else {
        file->WriteChar(0);
    }
    WriteSmokeBlock(map, file);
}

// Smoke goes in the reserved bytes, so that readers that know nothing of it
// skip it; a map without smoke writes none and reads as before.
void MapIO::WriteSmokeBlock(Map* map, GFile* file)
{
    std::vector<GObject*> shells;
    for (int32_t k = 0; k < map->mSmokeShells->GetCount(); ++k)
        shells.push_back(static_cast<GList*>(map->mSmokeShells)->GetObjectA(k));
    const bool keep = map->mKeepOldMutables && map->mSaved && map->mSaved->mSmokeCopied;
    const std::vector<GObject*> none;
    const std::vector<GObject*>& kept = keep ? map->mSaved->mSmoke : none;
    if (shells.empty() && kept.empty()) {
        file->WriteLong(0);
        return;
    }
    int32_t bytes = 1 + 5 + kSmokeRecordBytes * static_cast<int32_t>(shells.size()) + 1;
    if (keep) bytes += 5 + kSmokeRecordBytes * static_cast<int32_t>(kept.size());
    file->WriteLong(bytes);
    file->WriteChar(kSmokeBlockTag);
    WriteSmokeGroup(file, shells);
    file->WriteChar(keep ? 1 : 0);
    if (keep) WriteSmokeGroup(file, kept);
}

void MapIO::WriteSquares(Map* map, GFile* file)
{
    const int32_t n = map->mSquareCount;
    for (int32_t s = 0; s < n; s += 2) {
        uint8_t hi = map->mSquares[s].mSetupZone & 0x0f;
        uint8_t lo = s + 1 < n ? (map->mSquares[s + 1].mSetupZone & 0x0f) : 0;
        file->WriteChar(static_cast<int8_t>((hi << 4) | lo));
    }
    for (const Square& sq : map->mSquares) {
        for (int slot = 0; slot < 2; ++slot) {
            file->WriteLong(sq.mOverlay[slot]);
            file->WriteChar(sq.mOverlayMirror[slot]);
            file->WriteChar(sq.mOverlayTurn[slot]);
        }
        file->WriteBytes(sq.mEdge, 12);
    }
}

void MapIO::WriteCameras(Map* map, GFile* file)
{
    for (int side = 1; side >= 0; --side) {
        file->WriteFloat(map->mCameraX[side]);
        file->WriteFloat(map->mCameraY[side]);
        file->WriteFloat(map->mCameraHeading[side]);
        file->WriteLong(map->mCameraLevel[side]);
    }
}
