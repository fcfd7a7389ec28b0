// Feeds arbitrary bytes to the unit record reader as infantry records (the
// kind byte first). A damaged record must fail cleanly; one that reads must
// write, read back and write again to the same bytes.
//
// Seeds are records the program's writer makes of the real data (a rifle
// squad, a gun crew and other types), kept in tests/fuzz/seeds/ by the shared
// seed maker (scripts/fuzz --make-seeds); --write-seeds=DIR writes them too,
// and an empty input round-trips them as well.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"

namespace {

std::vector<uint8_t> Written(Unit* unit) {
    GFile file;
    file.ITempFile(false);
    unit->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

std::unique_ptr<Unit> ReadBack(const uint8_t* data, size_t size) {
    GFile file;
    file.ITempFile(false);
    if (size) file.WriteBytes(data, static_cast<int32_t>(size));
    file.Rewind();
    return std::unique_ptr<Unit>(ReadUnit(&file));
}

// Records of a few kinds of unit as the writer makes them.
std::vector<std::vector<uint8_t>> WriterSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    for (InfantryType type : {250, 339, 1, 22}) {
        Infantry u;
        u.IInfantry(type, 0, kExperienceVeteran, 100.0f, 200.0f, 0.0f);
        u.mCasualties = 1;
        u.mSewerTime = 40;
        seeds.push_back(Written(&u));
    }
    return seeds;
}

void RoundTrip(const uint8_t* data, size_t size) {
    std::unique_ptr<Unit> unit = ReadBack(data, size);
    if (!unit) return;
    // Links read raw must not be followed: drop them before writing again.
    unit->ClearBrokenLinks(nullptr);
    const std::vector<uint8_t> first = Written(unit.get());
    std::unique_ptr<Unit> again = ReadBack(first.data(), first.size());
    if (!again) __builtin_trap();
    again->ClearBrokenLinks(nullptr);
    if (Written(again.get()) != first) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    DecryptData();
    const std::string flag = "--write-seeds=";
    for (int i = 1; argc && argv && i < *argc; ++i) {
        const std::string arg = (*argv)[i];
        if (arg.compare(0, flag.size(), flag) != 0) continue;
        int n = 0;
        for (const std::vector<uint8_t>& seed : WriterSeeds()) {
            const std::string path = arg.substr(flag.size()) + "/infantry-" + std::to_string(n++) + ".rec";
            if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(seed.data(), 1, seed.size(), f);
                std::fclose(f);
            }
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        for (const std::vector<uint8_t>& seed : WriterSeeds())
            RoundTrip(seed.data(), seed.size());
        return 0;
    }
    RoundTrip(data, size);
    return 0;
}
