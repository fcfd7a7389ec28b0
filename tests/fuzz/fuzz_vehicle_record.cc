// Arbitrary bytes as a vehicle's unit record. A damaged record gives no
// unit and leaks nothing; a record that reads writes, reads and writes
// again to the same bytes (the smoke width is drawn from one seed both
// times).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzFileReader.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

std::vector<uint8_t> Written(Unit* unit) {
    GFile file;
    if (!file.ITempFile(false)) return {};
    unit->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

Unit* Reread(const std::vector<uint8_t>& bytes) {
    GFile file;
    if (!file.ITempFile(false)) return nullptr;
    if (!bytes.empty()) file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Rewind();
    SeedRandomGenerator(1);
    return ReadUnit(&file);
}

void AttachTables() {
    static std::vector<VehicleData> rows(kVehicleCount);
    static bool done = false;
    if (done) return;
    done = true;
    for (int32_t i = 0; i < kVehicleCount; ++i) {
        rows[i].mMainWeapon = kWeaponNone;
        rows[i].mArmorClass = i % 7; // some types keep an armour slot
        rows[i].mTargetSize = 1.0f;
    }
    gVehicleData.Attach(rows.data(), kVehicleCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AttachTables();
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    if (!file.IFile(FuzzFilePath().c_str(), kFileModePlainRead)) return 0;
    SeedRandomGenerator(1);
    Unit* unit = ReadUnit(&file);
    if (!unit) return 0;
    const std::vector<uint8_t> first = Written(unit);
    Unit* again = Reread(first);
    if (!again) abort(); // what was written must read
    Unit* third = Reread(Written(again));
    if (!third || Written(third) != Written(again)) abort();
    delete third;
    delete again;
    delete unit;
    return 0;
}
