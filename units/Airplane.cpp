#include "units/Airplane.h"

#include "engine/GFile.h"

Airplane::Airplane() {
    mUnitType = kUnitAirplane;
}

void Airplane::Write(GFile* file) {
    WriteUnitPart(file);
    file->WriteChar(0);
}

void Airplane::Read(GFile* file) {
    mRecordDamaged = !ReadUnitPart(file);
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    if (file->HasFailed()) mRecordDamaged = true;
}
