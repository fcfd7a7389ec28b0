// Feeds arbitrary bytes to the map's record reader. A damaged record must
// fail cleanly and leave an empty map; a record that loads must write back,
// load again and write the same bytes, and answer queries without running
// off any buffer.

#include <cstddef>
#include <cstdint>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "map/Map.h"

namespace {

std::vector<uint8_t> Save(Map* map) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    map->Write(file.get());
    return FuzzFileBytes(file.get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), kFileModePlainRead);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return 0;
    Map map;
    if (!map.IMap(&file)) return 0;

    const std::vector<uint8_t> first = Save(&map);
    Map again;
    auto in = FuzzFileWith(first);
    FuzzRequire(in && again.IMap(in.get()), "a written map does not load");
    FuzzRequireSame(first, Save(&again), "map");

    float vis = 0;
    map.CheckLOS(false, true, false, 1, 1, 2, map.mWidthMetres - 1, map.mHeightMetres - 1, 2, &vis, nullptr,
                 nullptr, nullptr, nullptr);
    map.GetTerrain(map.mWidthMetres * 0.5f, map.mHeightMetres * 0.5f, true);
    map.RestoreMutableData(nullptr);
    Path path;
    map.AStar(nullptr, 1, 1, map.mWidthMetres - 1, map.mHeightMetres - 1, false, &path);
    return 0;
}
