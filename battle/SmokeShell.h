#pragma once
// A cloud of smoke or dust on the map: made by Battle::MakeSmokePacket,
// aged every 40 slices of the action phase, rebuilt in playback from the
// smoke-on and smoke-off packets, and saved with the map. Sight checks and
// the smoke drawing read it.

#include <cstdint>
#include <limits>

#include "engine/GObject.h"

class GFile;

class SmokeShell : public GObject {
public:
    ~SmokeShell() override = default;

    GObject* CopyItself() override;
    // The record: x, y, start, duration, radius, kind (one byte), density;
    // 25 bytes. Reading zeroes the two drift values, and a density of 0
    // (older records carried none) reads as full.
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // Whether a record read is one this program could have written.
    bool IsValid() const;
    // Whether the cloud's time is over at the absolute slice now.
    bool Expired(int32_t now) const { return mStartTime + mDuration <= now; }

    static constexpr int32_t kRecordBytes = 25;

    float mX = 0.0f; // centre, metres
    float mY = 0.0f;
    float mDriftX = 0.0f; // metres the wind has moved the drawn cloud; 0 when made or read
    float mDriftY = 0.0f;
    int32_t mStartTime = 0; // absolute slice (turn x 2400 + slice) the cloud forms
    int32_t mDuration = 0;  // slices from mStartTime
    int32_t mColumn = -1;   // the drawing's smoke column, -1 none
    float mRadius = 0.0f;   // sight is refreshed within it
    float mDensity = 1.0f;  // 0..1, 1 full
    int32_t mKind = 0;      // 0 shell smoke, 1 smoke pot, 2 dust
    int32_t mSpare = 0;     // copied with the record only

    // The ground height at the centre, found on first use (not saved).
    float mGroundZ = std::numeric_limits<float>::quiet_NaN();
};
