#include "units/KillRecord.h"

#include "engine/GFile.h"
#include "engine/GGroup.h"

namespace {
// A kill list longer than this cannot be genuine: there are fewer vehicle
// types than this, and each type has one entry.
constexpr int32_t kMaxKillEntries = 1024;
} // namespace

void VehicleKillByType::Write(GFile* file) {
    file->WriteShort(static_cast<int16_t>(mType));
    file->WriteChar(static_cast<int8_t>(mCount));
}

void VehicleKillByType::Read(GFile* file) {
    mType = file->ReadShort();
    mCount = static_cast<uint8_t>(file->ReadChar());
}

KillRecord::~KillRecord() {
    delete mVehicleKills;
}

KillRecord& KillRecord::operator=(const KillRecord& other) {
    if (&other == this) return *this;
    Clear();
    Merge(&other);
    return *this;
}

void KillRecord::Clear() {
    mInfantryCasualties = 0;
    mInfantryCaptured = 0;
    mGuns = 0;
    mMortars = 0;
    mAirplanes = 0;
    delete mVehicleKills;
    mVehicleKills = nullptr;
}

void KillRecord::AddVehicleKill(VehicleType type) {
    if (type < 0) type = kVehicleUnidentified;
    if (!mVehicleKills) {
        mVehicleKills = new GList;
        mVehicleKills->IList();
    }
    for (int32_t i = 0; i < mVehicleKills->GetCount(); ++i) {
        auto* entry = static_cast<VehicleKillByType*>(mVehicleKills->GetObjectA(i));
        if (entry->mType == type) {
            if (entry->mCount < 255) ++entry->mCount;
            return;
        }
    }
    auto* entry = new VehicleKillByType;
    entry->mType = type;
    entry->mCount = 1;
    mVehicleKills->Add(entry);
}

void KillRecord::Merge(const KillRecord* other) {
    if (!other || other == this) return;
    auto add16 = [](uint16_t& a, uint16_t b) { a = static_cast<uint16_t>(a + b > 0xFFFF ? 0xFFFF : a + b); };
    auto add8 = [](uint8_t& a, uint8_t b) { a = static_cast<uint8_t>(a + b > 0xFF ? 0xFF : a + b); };
    add16(mInfantryCasualties, other->mInfantryCasualties);
    add16(mInfantryCaptured, other->mInfantryCaptured);
    add8(mGuns, other->mGuns);
    add8(mMortars, other->mMortars);
    add8(mAirplanes, other->mAirplanes);
    if (!other->mVehicleKills) return;
    for (int32_t i = 0; i < other->mVehicleKills->GetCount(); ++i) {
        auto* entry = static_cast<VehicleKillByType*>(other->mVehicleKills->GetObjectA(i));
        for (int32_t k = 0; k < entry->mCount; ++k)
            AddVehicleKill(entry->mType);
    }
}

int32_t KillRecord::VehicleKills() const {
    int32_t total = 0;
    if (!mVehicleKills) return 0;
    for (int32_t i = 0; i < mVehicleKills->GetCount(); ++i)
        total += static_cast<VehicleKillByType*>(mVehicleKills->GetObjectA(i))->mCount;
    return total;
}

int32_t KillRecord::VehicleKillsOfType(VehicleType type) const {
    if (!mVehicleKills) return 0;
    for (int32_t i = 0; i < mVehicleKills->GetCount(); ++i) {
        auto* entry = static_cast<VehicleKillByType*>(mVehicleKills->GetObjectA(i));
        if (entry->mType == type) return entry->mCount;
    }
    return 0;
}

void KillRecord::ForEachVehicleKill(void (*fn)(GObject* entry, void* context), void* context) const {
    if (mVehicleKills && fn) mVehicleKills->DoForEach(fn, context);
}

bool KillRecord::HasKills() const {
    return mInfantryCasualties || mInfantryCaptured || mGuns || mMortars || mAirplanes || VehicleKills() > 0;
}

void KillRecord::Write(GFile* file) const {
    file->WriteShort(static_cast<int16_t>(mInfantryCasualties));
    file->WriteShort(static_cast<int16_t>(mInfantryCaptured));
    file->WriteChar(static_cast<int8_t>(mGuns));
    file->WriteChar(static_cast<int8_t>(mMortars));
    file->WriteChar(static_cast<int8_t>(mAirplanes));
    file->WriteChar(mVehicleKills ? 1 : 0);
    if (!mVehicleKills) return;
    file->WriteChar(1); // the list owns its entries
    file->WriteLong(mVehicleKills->GetCount());
    for (int32_t i = 0; i < mVehicleKills->GetCount(); ++i)
        mVehicleKills->GetObjectA(i)->Write(file);
}

bool KillRecord::Read(GFile* file) {
    Clear();
    mInfantryCasualties = static_cast<uint16_t>(file->ReadShort());
    mInfantryCaptured = static_cast<uint16_t>(file->ReadShort());
    mGuns = static_cast<uint8_t>(file->ReadChar());
    mMortars = static_cast<uint8_t>(file->ReadChar());
    mAirplanes = static_cast<uint8_t>(file->ReadChar());
    if (file->ReadChar() == 0) return !file->HasFailed();
    mVehicleKills = new GList;
    mVehicleKills->IList();
    file->ReadChar();
    int32_t count = file->ReadLong();
    if (count < 0 || count > kMaxKillEntries || file->HasFailed()) {
        Clear();
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        auto* entry = new VehicleKillByType;
        entry->Read(file);
        mVehicleKills->Add(entry);
        if (file->HasFailed()) break;
    }
    if (file->HasFailed()) {
        Clear();
        return false;
    }
    return true;
}
