// Feeds arbitrary bytes to the map's record reader. A damaged record must
// fail cleanly and leave an empty map; a record that loads must write back
// and answer queries without running off any buffer.

#include <cstddef>
#include <cstdint>

#include "FuzzFileReader.h"
#include "map/Map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    if (!file.IFile(FuzzFilePath().c_str(), kFileModePlainRead)) return 0;
    Map map;
    if (!map.IMap(&file)) return 0;
    float vis = 0;
    map.CheckLOS(false, true, false, 1, 1, 2, map.mWidthMetres - 1, map.mHeightMetres - 1, 2, &vis, nullptr,
                 nullptr, nullptr, nullptr);
    map.GetTerrain(map.mWidthMetres * 0.5f, map.mHeightMetres * 0.5f, true);
    map.RestoreMutableData(nullptr);
    Path path;
    map.AStar(nullptr, 1, 1, map.mWidthMetres - 1, map.mHeightMetres - 1, false, &path);
    return 0;
}
