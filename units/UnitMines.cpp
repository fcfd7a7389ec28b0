#include "units/UnitMines.h"

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

constexpr float kFieldReach = 12.0f; // half the side of a field's square
// Chances per metre moved through a field.
constexpr float kPersonnelChance = 0.02f;
constexpr float kAntitankChance = 0.03f;
constexpr float kDaisyChainChance = 0.10f;
// The careful paces (crawl and sneak) at which a squad treads lightly are
// those of the crawling kind.
constexpr int8_t kCarefulPaceKind = 1;
// What a mine's blast sounds and spreads like: a hand grenade for an
// anti-personnel mine, an anti-tank hand mine for the others.
constexpr WeaponType kPersonnelMineLike = 256;
constexpr WeaponType kAntitankMineLike = 262;
constexpr int16_t kMineLook = 1;
constexpr int16_t kBlastSlices = 1;

// The chance per metre that a field of this kind goes off under the mover;
// 0 when it cannot.
float ChancePerMetre(const Unit* mine, const Unit* mover) {
    const bool vehicle = mover->mUnitType == kUnitVehicle;
    switch (mine->mSubtype) {
    case kInanimateAPMines:
        return vehicle ? 0.0f : kPersonnelChance;
    case kInanimateATMines:
        return vehicle ? kAntitankChance : 0.0f;
    case kInanimateDaisyChain:
        return vehicle ? kDaisyChainChance : 0.0f;
    default:
        return 0.0f;
    }
}

void ShowBlast(Unit* mover, WeaponType like) {
    const float z = mover->GetZ();
    ActionPacket* p = gBattle->CreateActionPacket(0);
    p->mType = kPacketShell;
    p->mX = p->mEndX = mover->mX;
    p->mY = p->mEndY = mover->mY;
    p->mZ = p->mEndZ = z;
    p->mLook = kMineLook;
    p->mFlightTime = kBlastSlices;
    p->mBlast = BlastRadius(like, kAmmoHE);
    p->mShellFlags = 0x04 | 0x01; // shown to both sides, goes off
    mover->AddSoundEffectExplosion(kBlastSlices, like, kAmmoHE, mover->mX, mover->mY);
}

} // namespace

bool SetOffMines(Unit* mover, float fromX, float fromY) {
    if (!mover || !gBattle || !gBattle->mComputing || !gBattle->mUnits || !gBattle->mMap) return false;
    if (!mover->mActive || mover->mOffMapState != 0 || mover->mTransport) return false;
    if (mover->mUnitType != kUnitInfantry && mover->mUnitType != kUnitVehicle) return false;
    if (!gBattle->mMap->OnMap(mover->mX, mover->mY)) return false;
    const float metres = std::hypot(mover->mX - fromX, mover->mY - fromY);
    if (!(metres > 0.0f) || !std::isfinite(metres)) return false;
    for (Unit* mine : gBattle->mUnits->Inanimates()) {
        if (!mine->mActive || mine->mSide == mover->mSide) continue;
        if (!(std::fabs(mine->mX - mover->mX) <= kFieldReach && std::fabs(mine->mY - mover->mY) <= kFieldReach))
            continue;
        const float chance = ChancePerMetre(mine, mover);
        if (chance <= 0.0f) continue;
        if (!(static_cast<float>(RandomFraction()) < chance * metres)) continue;
        bool reduced = false;
        if (const auto* infantry = dynamic_cast<const Infantry*>(mover))
            reduced = infantry->mMoveSpeed >= 0 && infantry->mMoveSpeed < kMovementSpeedCount &&
                      gMovementSpeedChart[infantry->mMoveSpeed].mPaceKind == kCarefulPaceKind;
        ShowBlast(mover, mine->mSubtype == kInanimateAPMines ? kPersonnelMineLike : kAntitankMineLike);
        mover->TakeMineHit(reduced);
        // The field is found: the mover's side knows it from now on (it is
        // drawn to them, and their engineers may clear it).
        mine->mMineNew = true;
        mine->mContactLevel = kContactFull;
        mine->mPacketDirty = true;
        return true; // one blast a slice
    }
    return false;
}
