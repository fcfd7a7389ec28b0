#pragma once
// The map's record in scenario and saved-game files (docs/map-format.md).
// Reading checks every size, count, index and value against what the map can
// hold, so a damaged record fails cleanly instead of being half-loaded.
#include <cstdint>

class GFile;
class Map;

constexpr int8_t kMapRecordVersion = 1;

class MapIO {
public:
    // Reads the record into map (which must be empty or blank); false when
    // the record is damaged, and the map is then left empty.
    static bool Read(Map* map, GFile* file);
    static void Write(Map* map, GFile* file);

private:
    static bool ReadGrid(Map* map, GFile* file);
    static bool ReadSquares(Map* map, GFile* file);
    static bool ReadObjects(Map* map, GFile* file);
    static bool ReadCameras(Map* map, GFile* file);
    static bool ReadTail(Map* map, GFile* file);
    static bool ReadSmokeBlock(Map* map, GFile* file, int32_t reserved);
    static void WriteSmokeBlock(Map* map, GFile* file);
    static void WriteSquares(Map* map, GFile* file);
    static void WriteCameras(Map* map, GFile* file);
};
