#include "battle/battle_fixtures.h"

GFile* NewScratchFile() {
    auto* file = new GFile;
    if (!file->ITempFile(false)) {
        delete file;
        return nullptr;
    }
    return file;
}

std::vector<uint8_t> FileBytes(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return bytes;
}

GFile* FileWithBytes(const std::vector<uint8_t>& bytes) {
    GFile* file = NewScratchFile();
    if (!file) return nullptr;
    if (!bytes.empty()) file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return file;
}

StandInUnit* AddStandIn(UnitList* list, UnitType kind, Affiliation side, float x, float y) {
    auto* unit = new StandInUnit(kind);
    unit->mSide = side == kAxis ? 1 : 0;
    unit->mX = x;
    unit->mY = y;
    unit->mActive = true;
    list->Add(unit);
    return unit;
}
