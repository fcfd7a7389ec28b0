// The battle camera: a per-side focus point, heading and height level turned
// into the renderer's view each frame, with shake, the lock on a unit, fog
// and the operations that move it.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "renderer/RenderHost.h"
#include "units/Unit.h"

float sWeatherHeight = 30.0f;
bool gPlayerView = false;

namespace {
constexpr float kPi = 3.14159265358979323846f;

float SafeFps(float floor) {
    const float fps = DrawFramesPerSecond();
    return std::isfinite(fps) && fps > floor ? fps : floor;
}

int32_t ZoomIndex(int32_t zoom) {
    switch (zoom) {
    case 2:
        return 0;
    case 4:
        return 1;
    case 8:
        return 2;
    case 16:
        return 3;
    default:
        return -1;
    }
}

int32_t ZoomFactor() {
    const int32_t z = CurrentDrawSettings().mZoom;
    return ZoomIndex(z) >= 0 ? z : 1;
}

// Camera fields that bad input could have spoilt are brought back to sane
// values before they are used.
void SanitiseCamera(Map* m, int32_t s) {
    m->mCameraLevel[s] = ClampLevel(m->mCameraLevel[s]);
    m->mPreviousCameraLevel = ClampLevel(m->mPreviousCameraLevel);
    if (!std::isfinite(m->mCameraX[s])) m->mCameraX[s] = m->mWidthMetres * 0.5f;
    if (!std::isfinite(m->mCameraY[s])) m->mCameraY[s] = m->mHeightMetres * 0.5f;
    if (!std::isfinite(m->mCameraHeading[s])) m->mCameraHeading[s] = 0.0f;
    if (!std::isfinite(m->mLevelTransition) || m->mLevelTransition < 0.0f) m->mLevelTransition = 0.0f;
    if (m->mLevelTransition > 1.0f) m->mLevelTransition = 1.0f;
    if (!std::isfinite(m->mShake) || m->mShake < 0.0f) m->mShake = 0.0f;
}

} // namespace

void Map::PositionCamera() {
    const int32_t s = ViewingSide();
    SanitiseCamera(this, s);
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t L = mCameraLevel[s];
    const int32_t wc = std::clamp(mWidthClass, 0, 2);
    const float fps = SafeFps(1.0f);
    float tilt = static_cast<float>(std::clamp(prefs.mCameraAngle, -100, 20));

    // 2. Level transition.
    if (mLevelTransition != 0.0f) {
        DirtyClip();
        mLevelTransition -= 3.0f / fps;
        if (mLevelTransition <= 0.0f) {
            mLevelTransition = 0.0f;
            if (gKernel) gKernel->HogCPUDecrement();
        }
    }
    const float T = mLevelTransition;
    const int32_t P = mPreviousCameraLevel;
    auto blend = [&](float now, float before) { return T != 0.0f ? now * (1.0f - T) + before * T : now; };

    // 3. Shake.
    float ox = 0.0f, oy = 0.0f, oz = 0.0f, opitch = 0.0f;
    if (prefs.mCameraShake == 0) {
        mShake = 0.0f;
    } else {
        float ride = 0.0f;
        Unit* u = mLockedUnit;
        if (u && prefs.mState == 8 && gBattle && !gBattle->mComputing &&
            gBattle->PlaybackTimeSlice() < kSlicesPerTurn && u->InPlaybackMotion() && prefs.mCameraShake == 2 &&
            L <= 1) {
            const float lin = std::fabs(u->mPlaybackSpeed), turn = std::fabs(u->mTurnRate);
            ride = u->mUnitType == kUnitVehicle ? lin * 0.08f + turn * 0.03f : lin * 0.28f + turn * 0.006f;
            ride = std::min(ride, 0.018f);
        }
        const float amount = ride + mShake;
        if (amount > 0.0f) {
            const float d = 2.0f * amount;
            ox = d * RandomFraction01() - amount;
            oy = d * RandomFraction01() - amount;
            oz = d * RandomFraction01() - amount;
            if (L < 5) opitch = (d * RandomFraction01() - amount) * 2.0f;
            mShake -= (mShake + 0.15f) * static_cast<float>(DrawFrameMs()) * 0.0012f;
            if (mShake < 0.0f) mShake = 0.0f;
        } else {
            mShake = 0.0f;
        }
    }

    // 4. Lock on a unit.
    bool riding = false;
    if (Unit* u = mLockedUnit) {
        if ((!u->mActive && !u->DrawWhenDead()) || u->VisibleToPlayer(false) < 2) {
            mLockedUnit = nullptr;
        } else {
            const float deg =
                mLockHeadingOffset != 0.0f ? u->mHeading + mLockHeadingOffset : u->GetWeaponFacing();
            const float h = deg * 0.017453292f;
            float dist = kCameraLevels[L].mLock[wc];
            const bool vehicle = u->mUnitType == kUnitVehicle;
            if (L == 0 && vehicle) {
                dist += 3.0f;
                tilt += 10.0f;
            }
            const float fx = u->mX - dist * std::cos(h), fy = u->mY - dist * std::sin(h);
            if (fx != mCameraX[s] || fy != mCameraY[s] || h != mCameraHeading[s]) {
                mCameraX[s] = fx;
                mCameraY[s] = fy;
                mCameraHeading[s] = h;
                DirtyClip();
            }
            riding = L == 0 && vehicle;
            if (riding && ZoomFactor() == 1) opitch += 11.5f;
        }
    }

    // 5-7. Far, near, field of view.
    float farZ = std::sqrt(mWidthMetres * mWidthMetres + mHeightMetres * mHeightMetres) + 800.0f;
    const int32_t K = (T != 0.0f && P > L) ? P : L;
    farZ = std::max(farZ, 1.1f * kCameraLevels[K].mMinHeight);
    if (L < 5 && prefs.mHorizon > 0) farZ = std::min(farZ, (std::min(prefs.mHorizon, 4) + 1) * 500.0f);
    float nearZ = kCameraLevels[L].mNear;
    if (L == 0 && tilt < 0.0f) nearZ = std::max(nearZ + tilt * 0.05f, 1.0f);
    nearZ = blend(nearZ, kCameraLevels[P].mNear);
    const float fov =
        blend(kCameraLevels[L].mFov[wc], kCameraLevels[P].mFov[wc]) / static_cast<float>(ZoomFactor());
    mFieldOfView = fov;
    if (gDrawHooks.activate3D) {
        gDrawHooks.activate3D(this, fov, nearZ, farZ);
    } else if (g3D && gRenderHost) {
        g3D->ActivateView(0, 0, gRenderHost->ScreenWidth(), gRenderHost->ScreenHeight(), fov, nearZ, farZ);
    }

    // 8. Pitch.
    float pitch = blend(kCameraLevels[L].mPitch[wc], kCameraLevels[P].mPitch[wc]);
    if (L < 5) {
        pitch -= (tilt * 0.1f) * 3.5f;
        const int32_t zi = ZoomIndex(ZoomFactor());
        if (zi >= 0) pitch -= kZoomPitchReduction[L][zi];
        pitch += opitch;
        pitch = std::max(pitch, -6.0f);
    }
    if (g3D) g3D->RotateX(pitch);

    // 9. Position.
    const float back = blend(kCameraLevels[L].mBack, kCameraLevels[P].mBack) + (riding ? 1.0f : 0.0f);
    const float c = std::cos(mCameraHeading[s]), sn = std::sin(mCameraHeading[s]);
    const float tx = mCameraX[s] + ox + c * back, ty = mCameraY[s] + oy + sn * back;
    mEyeX = tx - 0.1f * c;
    mEyeY = ty - 0.1f * sn;

    // 10-11. Weather height and eye height.
    sWeatherHeight = std::max(2.5f * kCameraLevels[L].mMinHeight, 30.0f);
    float h = blend(kCameraLevels[L].mMinHeight, kCameraLevels[P].mMinHeight);
    const float clearance = blend(kCameraLevels[L].mClearance, kCameraLevels[P].mClearance);
    if (riding) h = std::max(h, 5.0f);
    float g = GetZCoord(mEyeX, mEyeY);
    for (float ahead : {3.3f, 6.7f, 10.0f, 15.0f, 20.0f})
        g = std::max(g, GetZCoord(mEyeX + c * ahead, mEyeY + sn * ahead));
    h = std::max(h, g + clearance);
    if (Unit* u = mLockedUnit; u && L == 0) {
        if (u->mUnitType == kUnitVehicle)
            h += 1.9f;
        else if (u->mUnitType == kUnitInfantry && u->mZ > 0.0f)
            h += 6.0f * u->mZ;
    }
    h += oz;
    mCameraZ = h;
    mCameraHeight = h;

    // 12. The eye looks level along the heading; the pitch tilts it down.
    if (g3D) g3D->LookAt(mEyeX, mEyeY, h, tx, ty, h, 0.0f, 0.0f, 1.0f);

    // 13. Sound distance.
    if (gDrawHooks.setSoundDistanceOffset)
        gDrawHooks.setSoundDistanceOffset(50.0f - 0.8f * h + (prefs.mState == 8 ? 0.0f : 125.0f));

    // 14. Fog.
    if (!d3::PickPass() && g3D) {
        const int32_t weather = gBattle ? gBattle->mWeather : 0;
        if (prefs.mWeatherGraphics == 0 || (weather != 3 && weather != 4 && weather != 5)) {
            g3D->Fog(false);
        } else {
            g3D->Fog(true);
            const int32_t tod = gBattle ? gBattle->mTimeOfDay : 1;
            const bool palm = UsePalmTrees();
            if (tod == 3)
                palm ? g3D->FogColor(0.06f, 0.04f, 0.02f) : g3D->FogColor(0.1f, 0.1f, 0.1f);
            else if (tod == 0 || tod == 2)
                palm ? g3D->FogColor(0.6f, 0.5f, 0.35f) : g3D->FogColor(0.5f, 0.5f, 0.5f);
            else
                palm ? g3D->FogColor(1.0f, 0.85f, 0.6f) : g3D->FogColor(0.8f, 0.8f, 0.8f);
            g3D->FogRange(1.0f, std::max(weather == 5 ? 350.0f : 850.0f, 5.0f * h), 251000.0f);
        }
    }
}

float Map::DistanceToCamera(float x, float y, float z, float* fovOut) const {
    const int32_t s = ViewingSide();
    if (fovOut) *fovOut = mFieldOfView;
    const float dx = x - mCameraX[s], dy = y - mCameraY[s], dz = z - mCameraHeight;
    return static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                        static_cast<double>(dz) * dz));
}

namespace {
// With a lock, turning changes only the offset from the unit's heading; the
// first turn starts from the weapon's facing.
void TurnLockOffset(Map* m, float degrees) {
    if (m->mLockHeadingOffset == 0.0f)
        m->mLockHeadingOffset = m->mLockedUnit->GetWeaponFacing() - m->mLockedUnit->mHeading;
    m->mLockHeadingOffset += degrees;
}
} // namespace

void Map::BogusRotate(float rate) {
    if (!std::isfinite(rate)) return;
    const int32_t s = ViewingSide();
    const float a = rate / SafeFps(4.0f);
    if (CurrentDrawSettings().mCameraPivot) {
        const float d = -kCameraLevels[ClampLevel(mCameraLevel[s])].mBack;
        const float dx = d * std::cos(mCameraHeading[s]), dy = d * std::sin(mCameraHeading[s]);
        mCameraX[s] += dx * std::cos(a) - dy * std::sin(a) - dx;
        mCameraY[s] += dx * std::sin(a) + dy * std::cos(a) - dy;
    }
    if (!mLockedUnit)
        mCameraHeading[s] += a;
    else
        TurnLockOffset(this, a * 57.29578f);
    DirtyClip();
    Refresh();
}

void Map::RotateCameraAbsolute(float degrees) {
    if (!std::isfinite(degrees)) return;
    const int32_t s = ViewingSide();
    if (!mLockedUnit)
        mCameraHeading[s] += degrees * 0.0174532925f;
    else
        TurnLockOffset(this, degrees);
    DirtyClip();
    Refresh();
}

void Map::BogusMove(char direction, float step) {
    if (!std::isfinite(step)) return;
    const int32_t s = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[s]);
    float angle = mCameraHeading[s];
    if (direction == 1)
        angle += kPi / 2.0f;
    else if (direction == 2)
        angle -= kPi / 2.0f;
    else if (direction == 4)
        angle += kPi;
    float distance = step * 400.0f * (0.1f * L + 0.2f) / SafeFps(3.0f);
    if (L == 0) distance *= 0.6f;
    mCameraX[s] = std::clamp(mCameraX[s] + distance * std::cos(angle), -200.0f, mWidthMetres + 200.0f);
    mCameraY[s] = std::clamp(mCameraY[s] + distance * std::sin(angle), -200.0f, mHeightMetres + 200.0f);
    mLockedUnit = nullptr;
    DirtyClip();
    Refresh();
}

void Map::BogusLoft(bool up) {
    const int32_t s = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[s]);
    mPreviousCameraLevel = L;
    const int32_t next = L + (up ? 1 : -1);
    if (next < 0 || next > 8) {
        mCameraLevel[s] = std::clamp(next, 0, 8);
        return;
    }
    mCameraLevel[s] = next;
    if (gDrawHooks.resetCameraPrefs) gDrawHooks.resetCameraPrefs();
    if (DrawFramesPerSecond() < 5.0f) {
        mLevelTransition = 0.0f;
        DirtyClip();
        Refresh();
    } else {
        mLevelTransition = 1.0f;
        if (gKernel) gKernel->HogCPUIncrement();
    }
}

void Map::JumpToCameraLoft(int32_t level) {
    if (level < 0 || level > 8) return;
    if (gDrawHooks.resetCameraPrefs) gDrawHooks.resetCameraPrefs();
    mCameraLevel[ViewingSide()] = level;
    mLevelTransition = 0.0f;
    DirtyClip();
    Refresh();
}

void Map::KeyPad(int32_t key) {
    const int32_t L = mCameraLevel[ViewingSide()];
    switch (key) {
    case '+':
        JumpToCameraLoft(L + 1);
        break;
    case '-':
        JumpToCameraLoft(L - 1);
        break;
    case '8':
        BogusMove(3, 3.0f);
        break;
    case '2':
    case '5':
        BogusMove(4, 3.0f);
        break;
    case '4':
        BogusMove(1, 3.0f);
        break;
    case '6':
        BogusMove(2, 3.0f);
        break;
    case '7':
        BogusRotate(3.0f);
        break;
    case '9':
        BogusRotate(-3.0f);
        break;
    default:
        return;
    }
    if (gKernel) gKernel->HogCPU(true);
}

void Map::Refresh() {
    if (gBattle) gBattle->VerifySelectedUnit();
    if (gDrawHooks.viewRefresh) gDrawHooks.viewRefresh(this);
}

namespace {
bool SelectionInvalid(Unit* u, const Map* map) {
    if (u->VisibleToPlayer(true) == 0) return true;
    if (u->mX < 0.0f || u->mY < 0.0f || (map && (u->mX >= map->mWidthMetres || u->mY >= map->mHeightMetres)))
        return true;
    return u->PreBail();
}
} // namespace

void Battle::VerifySelectedUnit() {
    if (mSelectedUnit && SelectionInvalid(mSelectedUnit, mMap)) SetSelectedUnit(nullptr);
    if (mMap && mMap->mLockedUnit && SelectionInvalid(mMap->mLockedUnit, mMap)) mMap->mLockedUnit = nullptr;
}
