// Feeds arbitrary bytes to the map's record reader with the smoke clouds
// and their kept copy, which only programs that know smoke shells read. A
// record that loads must write back, load again and write the same bytes,
// and its replay state must put the kept clouds back.

#include <cstddef>
#include <cstdint>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "battle/SmokeShell.h"
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
    // A shell made here ties the smoke reader into this program.
    SmokeShell probe;
    FuzzRequire(gSmokeShellMaker != nullptr, "the smoke reader is not installed");
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
    FuzzRequire(again.mSmokeShells->GetCount() == map.mSmokeShells->GetCount(), "smoke count");
    FuzzRequireSame(first, Save(&again), "map with smoke");

    map.RestoreMutableData(nullptr);
    float vis = 0;
    map.CheckLOS(false, true, false, 1, 1, 2, map.mWidthMetres - 1, map.mHeightMetres - 1, 2, &vis, nullptr,
                 nullptr, nullptr, nullptr);
    return 0;
}
