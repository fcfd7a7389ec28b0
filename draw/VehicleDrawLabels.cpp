// The status label over a vehicle: what has befallen it, its morale, its
// mobility and its ammunition, as far as the viewing side may know.
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/UnitDraw.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kTextAbandoned = 1131;
constexpr int32_t kTextShattered = 1132;
constexpr int32_t kTextShaken = 1133;
constexpr int32_t kTextPanicked = 1134;
constexpr int32_t kTextRattled = 1136;
constexpr int32_t kTextBailingOut = 1137;
constexpr int32_t kTextNoAmmo = 1141;
constexpr int32_t kTextLowAmmo = 1142;
constexpr int32_t kTextImmobilized = 1450;
constexpr int32_t kTextBogged = 1451;
constexpr int32_t kTextGunDestroyed = 1452;
constexpr int32_t kTextKnockedOut = 1469;
constexpr int32_t kTextComma = 1080;

void Append(GString* text, int32_t id) {
    if (text->GetLength() > 0) text->ConcatRez(kTextComma);
    text->ConcatRez(id);
}

} // namespace

bool VehicleLabelTexts(const VehicleLabelFacts& v, GString* first, int32_t* kind1, GString* second,
                       int32_t* kind2) {
    first->IStringText("");
    second->IStringText("");
    *kind1 = 0;
    *kind2 = 0;
    if (!v.alive) {
        first->IStringRez(v.abandoned ? kTextAbandoned : kTextKnockedOut);
        return true;
    }
    if (!v.ownSide && v.fogOfWar > 1) return false;
    if (v.bailOut >= 0) {
        first->IStringRez(kTextBailingOut);
        return true;
    }
    const float s = v.suppression;
    if (s >= 1200.0f)
        first->IStringRez(kTextShattered);
    else if (s >= 600.0f)
        first->IStringRez(kTextShaken);
    else if (s >= 350.0f)
        first->IStringRez(kTextPanicked);
    else if (s >= 100.0f) {
        first->IStringRez(kTextRattled);
        *kind1 = 2;
    } else {
        *kind1 = 1;
    }
    if (v.immobilized && !v.fixed) {
        Append(first, kTextImmobilized);
        if (*kind1 > 1) *kind1 = 1;
    } else if (v.bogged) {
        Append(first, kTextBogged);
        if (*kind1 > 1) *kind1 = 1;
    }
    if (v.gunDestroyed && (v.heavyWeapon || v.machineGuns > 0)) {
        second->IStringRez(kTextGunDestroyed);
        *kind2 = 0;
    } else if (v.heavyWeapon) {
        int32_t r = v.rounds;
        if (r == 0 && v.smokeOnlyWeapon) r = v.smokeRounds;
        if (r == 0) {
            second->IStringRez(kTextNoAmmo);
            *kind2 = 0;
        } else if (r <= v.fullLoad / 4) {
            second->IStringRez(kTextLowAmmo);
            *kind2 = 2;
        }
    }
    return true;
}

VehicleLabelFacts LabelFactsOf(Vehicle* u) {
    VehicleLabelFacts v;
    const VehicleData& d = u->Data();
    const Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    v.alive = u->mActive;
    v.abandoned = u->Abandoned();
    v.ownSide = u->IsOwnUnit(viewer);
    v.fogOfWar = gBattle ? gBattle->Host()->FogOfWarLevel() : 0;
    v.bailOut = u->mBailOutCountdown;
    v.suppression = u->mSuppression;
    v.immobilized = u->mImmobile;
    v.fixed = d.mKind == 6;
    v.bogged = u->mBogged;
    v.gunDestroyed = u->mMainGunOut;
    v.heavyWeapon = u->HasHeavyWeapon(kKnowTruth);
    v.machineGuns = d.mBowMGCount + d.mCoaxMGCount + d.mFreeMGCount;
    // Rounds of every class but smoke, counted as the non-negative counts they are.
    for (int32_t k = 0; k < 8; ++k)
        if (k != kAmmoSmoke) v.rounds += u->mAmmo[k];
    v.smokeRounds = u->mAmmo[kAmmoSmoke];
    const int32_t profile = d.mAmmoProfile;
    v.smokeOnlyWeapon =
        profile >= 0 && profile < kLoadSlots && gWeaponData[d.mMainWeapon].mLoadMix[profile].mSmoke >= 100;
    v.fullLoad = d.mMaxRounds;
    return v;
}

void Vehicle::PrintWarningLabel() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    GString255 first, second;
    int32_t kind1 = 0, kind2 = 0;
    if (!VehicleLabelTexts(LabelFactsOf(this), &first, &kind1, &second, &kind2)) return;
    float x = mX, y = mY, z = 0.0f;
    GetApparentLocation(&x, &y, &z); // a heard unit's label stands where it is heard
    map->ShowWarningLabel(&first, kind1, &second, kind2, x, y, z);
}
