#pragma once
// A unit's tally of what it has destroyed. Every unit keeps two: the running
// record, whose vehicle kills are counted as the killer identified them, and
// the final record, which always counts the true vehicle type.

#include <cstdint>

#include "engine/GObject.h"
#include "units/Enums.h"

class GFile;
class GList;

// One entry of the per-type vehicle kill list.
class VehicleKillByType : public GObject {
public:
    VehicleKillByType() = default;
    ~VehicleKillByType() override = default;

    void Write(GFile* file) override; // short type, char count
    void Read(GFile* file) override;

    VehicleType mType = kVehicleUnidentified; // below 0: not identified
    uint8_t mCount = 0;
};

class KillRecord {
public:
    KillRecord() = default;
    ~KillRecord();
    KillRecord(const KillRecord&) = delete;
    // A deep copy: the per-type list is copied, not shared.
    KillRecord& operator=(const KillRecord& other);

    // Counts one destroyed vehicle of that type (-1: unidentified).
    void AddVehicleKill(VehicleType type);
    // Adds every count of other to this record.
    void Merge(const KillRecord* other);
    bool HasKills() const;
    // Visits the per-type vehicle kill entries (VehicleKillByType) in list
    // order; nothing without any.
    void ForEachVehicleKill(void (*fn)(GObject* entry, void* context), void* context) const;
    int32_t VehicleKills() const; // the sum over the per-type list
    int32_t VehicleKillsOfType(VehicleType type) const;
    void Clear();

    // Short, short, char, char, char tallies, a presence char and, when
    // present, the per-type list as a group. Read gives false on a damaged
    // record and leaves the record cleared.
    void Write(GFile* file) const;
    bool Read(GFile* file);

    uint16_t mInfantryCasualties = 0;
    uint16_t mInfantryCaptured = 0;
    uint8_t mGuns = 0;
    uint8_t mMortars = 0;
    uint8_t mAirplanes = 0;

private:
    GList* mVehicleKills = nullptr; // owned; absent until the first vehicle kill
};
