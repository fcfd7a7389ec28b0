#include "battle/SmokeShell.h"

#include <cmath>

#include "engine/GFile.h"
#include "map/Map.h"

namespace {
// The map reads its smoke group through this maker; registering here ties
// it to the class itself, so any program that can make shells can read them.
GObject* MakeSmokeShell() {
    return new SmokeShell;
}
bool SmokeShellValid(GObject* shell) {
    return static_cast<SmokeShell*>(shell)->IsValid();
}
const bool sRegistered = (gSmokeShellMaker = MakeSmokeShell, gSmokeShellValid = SmokeShellValid, true);

constexpr float kMaxCoordinate = 1.0e6f;
} // namespace

GObject* SmokeShell::CopyItself() {
    return new SmokeShell(*this);
}

void SmokeShell::Write(GFile* file) {
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    file->WriteLong(mStartTime);
    file->WriteLong(mDuration);
    file->WriteFloat(mRadius);
    file->WriteChar(static_cast<int8_t>(mKind));
    file->WriteFloat(mDensity);
}

void SmokeShell::Read(GFile* file) {
    (void)sRegistered;
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    mDriftX = 0.0f;
    mDriftY = 0.0f;
    mGroundZ = std::numeric_limits<float>::quiet_NaN();
    mStartTime = file->ReadLong();
    mDuration = file->ReadLong();
    mRadius = file->ReadFloat();
    mKind = file->ReadChar();
    mDensity = file->ReadFloat();
    if (mDensity == 0.0f) mDensity = 1.0f;
}

bool SmokeShell::IsValid() const {
    return std::isfinite(mX) && std::isfinite(mY) && std::fabs(mX) < kMaxCoordinate &&
           std::fabs(mY) < kMaxCoordinate && std::isfinite(mRadius) && mRadius >= 0.0f &&
           mRadius < kMaxCoordinate && std::isfinite(mDensity) && mDensity > 0.0f && mDensity <= 1.0f &&
           mKind >= 0 && mKind <= 2 && mDuration >= 0;
}
