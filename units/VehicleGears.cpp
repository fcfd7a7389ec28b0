// A vehicle's tilt on the ground under it, its gears (which legs of a move
// run in reverse, from the direction of the threat), its hatches and the
// men in its turret, the drive's vulnerability and the steering jerk.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kDegPerRad = 57.2957795f;
constexpr int32_t kSoundHatch = 7;
constexpr int32_t kHatchOpens = 701;
constexpr int32_t kHatchCloses = 702;

// The tilt over a base of 2r along direction a (radians): atan(dz / 2r) in
// degrees, held to +-35; r shrinks tenfold when an end lies on a building.
float SlopeAcross(const Map* map, float x, float y, float a, float* r, bool rising) {
    float dx = *r * std::cos(a), dy = *r * std::sin(a);
    if (map->GetTerrain(x + dx, y + dy, false) >= 50 || map->GetTerrain(x - dx, y - dy, false) >= 50) {
        *r *= 0.1f;
        dx *= 0.1f;
        dy *= 0.1f;
    }
    float dz = 0.0f;
    if (map->GetTerrain(x + dx, y + dy, false) < 50 && map->GetTerrain(x - dx, y - dy, false) < 50) {
        dz = map->GetZCoord(x + dx, y + dy) - map->GetZCoord(x - dx, y - dy);
        if (!rising) dz = -dz;
    }
    if (dz == 0.0f) return 0.0f;
    return std::clamp(std::atan(dz / (2.0f * *r)) * kDegPerRad, -35.0f, 35.0f);
}

bool TargetsWithAntiArmor(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    return u && u->mTarget == context && u->HasAntiArmorWeapon(false);
}

} // namespace

void Vehicle::Tilt(bool drawing) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    // The rules tilt the hull where it stands; the drawing where its viewer
    // believes it to be, into fields of its own, so that a screen never
    // changes what the rules read.
    float x = mX, y = mY;
    if (drawing) GetApparentLocation(&x, &y, nullptr);
    float& pitch = drawing ? mDrawnPitch : mHullPitch;
    float& roll = drawing ? mDrawnRoll : mHullRoll;
    if (!map || map->GetTerrain(x, y, false) >= 50) {
        pitch = roll = 0.0f;
        return;
    }
    float r = 6.0f;
    const float f = mHeading / kDegPerRad;
    pitch = SlopeAcross(map, x, y, f, &r, true);
    roll = SlopeAcross(map, x, y, f - 1.57079632675f, &r, false);
    // Turning the drawing by the tilt belongs to the drawing code.
}

void Vehicle::ShiftGears(Unit* threat, MovementSpeedType order, bool insert, float x, float y) {
    if (mNrWaypoints <= 0) return;
    if (insert) {
        const int32_t n = std::min(mNrWaypoints + 1, kMaxWaypoints);
        for (int32_t i = n - 1; i > 0; --i)
            mWaypoints[i] = mWaypoints[i - 1];
        mWaypoints[0].mX = x;
        mWaypoints[0].mY = y;
        mNrWaypoints = n;
    }
    const bool armoured = IsArmoredVehicle(kKnowTruth, false);
    Unit* t = threat ? threat : mTarget;
    if (!t && armoured && gBattle && gBattle->mUnits)
        t = static_cast<Unit*>(gBattle->mUnits->Find(TargetsWithAntiArmor, this));
    float h = mHeading;
    if (t)
        h = GetHeadingFromXY(t->mX - mX, t->mY - mY);
    else if (mAreaTarget)
        h = GetHeadingFromXY(mAreaTargetX - mX, mAreaTargetY - mY);
    MovementSpeedType alternative = kPaceReverse;
    if (order == kPaceReverse) {
        h = Clamp360(h + 180.0f);
        alternative = kPaceDefaultMove;
    }
    const float limit = armoured ? 95.0f : 135.0f;
    float px = mX, py = mY, hp = mHeading;
    for (int32_t i = 0; i < mNrWaypoints; ++i) {
        Destination& w = mWaypoints[i];
        w.mOrder = order;
        const float leg = GetHeadingFromXY(w.mX - px, w.mY - py);
        float diff = std::fabs(Clamp360(h) - leg);
        if (diff > 180.0f) diff = 360.0f - diff;
        if (diff >= limit) {
            if (i == 0) {
                w.mOrder = alternative;
            } else {
                float turn = std::fabs(Clamp360(hp) - leg);
                if (turn > 180.0f) turn = 360.0f - turn;
                if (mWaypoints[i - 1].mOrder == alternative) turn = 180.0f - turn;
                if (turn > 90.0f) w.mOrder = alternative;
            }
        }
        hp = leg;
        px = w.mX;
        py = w.mY;
    }
}

bool Vehicle::CanChangeButtonStatus(bool* buttoned) {
    if (buttoned) *buttoned = mButtoned;
    if (mButtoned && mCasualties > 0 && mCasualties + 1 > Data().mFreeMGCount) return false;
    return gVehicleModelData[GetActualModel()].mOpeningHatches != 0;
}

void Vehicle::ChangeButton(bool ordered, int32_t scale) {
    if (!CanChangeButtonStatus(nullptr)) return;
    if (IsArmoredVehicle(kKnowTruth, false)) {
        const int32_t open = OpenTopStatus(kKnowIdentified);
        const VehicleModelData& m = gVehicleModelData[GetActualModel()];
        const bool hatch =
            open == 0 || (open == 1 && HasTurret() && (m.mTurretHatch[0] == 1 || m.mTurretHatch[1] == 1));
        if (hatch && gBattle) {
            const int32_t number = mButtoned ? kHatchOpens : kHatchCloses;
            if (gBattle->mComputing) {
                if (ActionPacket* p = AddSoundEffect(kSoundHatch)) p->mSoundNumber = number;
            } else {
                // The player's own order: heard at once, by the side at the
                // screen giving it (no side yet counts as side 0).
                PlaySoundNow(number, kSoundHatch, gBattle->Host()->ViewingSide(), false);
            }
        }
    }
    mButtoned = !mButtoned;
    if (ordered) mButtonOrdered = true;
    // Hatches changed in this minute stay as they are until the next one.
    mButtonChangedThisTurn = true;
    if (mButtoned) {
        const int32_t delay =
            static_cast<int32_t>((RandomFraction() * 1.3 + 0.7) * 40.0 * static_cast<double>(scale));
        mButtonDelay = std::max(mButtonDelay, delay);
    }
    mPacketDirty = true;
    gPacket = true;
}

int32_t Vehicle::NrMenInTurret() {
    const VehicleData& d = Data();
    int32_t n = 3;
    if (d.mFlags & kVOneManTurret)
        n = 1;
    else if (d.mFlags & kVTwoManTurret)
        n = 2;
    n = std::min(n, d.mCrew - mCasualties - 1);
    return std::max(n, 0);
}

void Vehicle::ModifyByDriveVulnerability(float* chance, bool exempt, bool useFlag) {
    if (!chance) return;
    float c = *chance;
    switch (Data().mKind) {
    case 0:
        c *= 3.0f;
        break;
    case 1:
        c *= 2.5f;
        break;
    case 2:
        c *= 2.0f;
        break;
    case 3:
        c *= 1.5f;
        break;
    case 4:
        if (exempt) c = 0.0f;
        break;
    case 5:
        c = 0.0f;
        break;
    default:
        break;
    }
    if (useFlag && (Data().mFlags & kVThinEngineProtection)) c *= 2.3f;
    *chance = c * 0.8f;
}

void Vehicle::JerkSteeringWheel() {
    if (mPlaybackSpeed == 0.0f) return;
    float j = static_cast<float>(2.0 * RandomFraction() - 1.0) * RotationSpeed();
    const float v = std::fabs(mPlaybackSpeed);
    if (v < 0.125f) j *= v * 8.0f;
    mTurnRate += j;
}
