// The record of the last hit on a vehicle, shown over it for a while during
// the replay: where it struck and what it did, as far as the viewer may know.
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/UnitDraw.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

enum : int32_t {
    kTextWounded = 419,
    kTextComma = 1080,
    kTextTurret = 1392,
    kTextPartial = 1447,
    kTextImmobilized = 1450,
    kTextGun = 1453,
    kTextMG = 1454,
    kTextWheel = 1455,
    kTextTrack = 1456,
    kTextHit = 1457,
    kTextDamaged = 1458,
    kTextNoSerious = 1459,
    kTextFront = 1460,
    kTextSide = 1461,
    kTextRear = 1462,
    kTextSuperstructure = 1463,
    kTextUpperHull = 1464,
    kTextLowerHull = 1465,
    kTextTop = 1466,
    kTextPenetration = 1467,
    kTextWeakPoint = 1468,
    kTextKnockedOut = 1469,
    kTextImmobilizedGun = 1470,
    kTextImmobilizedMG = 1471,
    kTextGunDamaged = 1472,
    kTextMGDamaged = 1473,
    kTextRicochet = 1474,
    kTextDeflected = 1475,
    kTextSpall = 1476,
    kTextCrewHit = 1477,
    kTextRearHatch = 1478,
    kTextVisionSlit = 1479,
    kTextGenericHit = 1910,
};

constexpr int32_t kShownSlices = 160;

} // namespace

bool HitRecordTexts(HitRecordFacts& h, GString* t1, GString* t2) {
    t1->IStringText("");
    t2->IStringText("");
    if (h.slice < 0 || h.contact <= 1 || h.now < h.slice || h.now > h.slice + kShownSlices) return false;
    if (h.generic) {
        t1->IStringRez(kTextGenericHit);
        return true;
    }
    if ((h.location == 5 || h.location == 6) && h.armoured) {
        if (h.location == 6)
            t1->IStringRez(h.heavyWeapon ? kTextGun : kTextMG);
        else
            t1->IStringRez(h.mobilityClass >= 0 && h.mobilityClass <= 2 ? kTextWheel : kTextTrack);
        t1->ConcatRez(kTextHit);
        if (h.immobilized && (h.full || h.contact >= 4))
            t2->IStringRez(kTextImmobilized);
        else if (h.full)
            t2->IStringRez(h.weaponDamaged ? kTextDamaged : kTextNoSerious);
        return true;
    }
    // The place of the hit.
    if (h.mobilityClass == 6) {
        if (h.location == 1) t1->IStringRez(h.aspect == 2 ? kTextRearHatch : kTextVisionSlit);
        h.immobilized = false; // an emplacement cannot be immobilised
    } else if (h.armoured) {
        if (h.location != 3 && h.location != 4) {
            t1->IStringRez(h.aspect == 0 ? kTextFront : h.aspect == 1 ? kTextSide : kTextRear);
            t1->AddChar(' ');
        }
        switch (h.location) {
        case 1:
            t1->ConcatRez(kTextUpperHull);
            break;
        case 2:
            t1->ConcatRez(kTextLowerHull);
            break;
        case 3:
        case 4:
            t1->ConcatRez(kTextTop);
            break;
        default:
            t1->ConcatRez(h.hasTurret ? kTextTurret : kTextSuperstructure);
            break;
        }
    }
    const bool spall = h.full && h.spall && h.armoured;
    if (h.penetration != 0 && h.armoured) {
        t1->ConcatRez(h.penetration == 1 ? kTextPartial : kTextPenetration);
        if (h.weakPoint) t1->ConcatRez(kTextWeakPoint);
    } else {
        t1->ConcatRez(kTextHit);
    }
    if (h.penetration == 0 && !h.immobilized && !h.weaponDamaged && (h.casualties == 0 || spall)) {
        if (h.ricochet)
            t2->IStringRez(kTextRicochet);
        else if (h.deflected)
            t2->IStringRez(kTextDeflected);
        else if (!spall)
            t2->IStringRez(kTextNoSerious);
        if (spall) {
            if (t2->GetLength() > 0) t2->ConcatRez(kTextComma);
            t2->ConcatRez(kTextSpall);
            if (h.casualties > 0 || !h.alive) t2->ConcatRez(kTextCrewHit);
        }
        return true;
    }
    if (!h.alive || (h.bailOut >= 0 && h.full)) {
        t2->IStringRez(kTextKnockedOut);
        return true;
    }
    if (!h.full) return true;
    if (h.immobilized) {
        if (h.weaponDamaged)
            t2->IStringRez(h.heavyWeapon ? kTextImmobilizedGun : kTextImmobilizedMG);
        else
            t2->IStringRez(kTextImmobilized);
    } else if (h.weaponDamaged && (h.heavyWeapon || h.machineGuns > 0)) {
        t2->IStringRez(h.heavyWeapon ? kTextGunDamaged : kTextMGDamaged);
    }
    if (h.casualties != 0) {
        if (t2->GetLength() > 0) t2->ConcatRez(kTextComma);
        t2->ConcatNum(h.casualties);
        t2->AddChar(' ');
        t2->ConcatRez(kTextWounded);
    }
    if (t2->GetLength() == 0) t2->IStringRez(kTextNoSerious);
    return true;
}

HitRecordFacts HitFactsOf(Vehicle* v) {
    HitRecordFacts h;
    const VehicleData& d = v->Data();
    const Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    const int32_t fog = gBattle ? gBattle->Host()->FogOfWarLevel() : 0;
    h.slice = v->mHitRecordSlice;
    h.now = gBattle ? gBattle->PlaybackTimeSlice() : 0;
    h.contact = v->VisibleToPlayer(false);
    h.full = v->IsOwnUnit(viewer) || fog <= 1;
    h.armoured = v->IsArmoredVehicle(kKnowTruth, false);
    h.location = v->mHitRecord[0];
    h.aspect = v->mHitRecord[1];
    h.casualties = v->mHitRecord[2];
    h.penetration = v->mHitRecord[3];
    // The armour-hit packet's flags, as the record reads them.
    const uint8_t flags = v->mHitRecordBytes[0];
    h.ricochet = (flags & kHitBounced) != 0;
    h.deflected = (flags & kHitShattered) != 0;
    h.weakPoint = (flags & kHitWeakSpot) != 0;
    h.generic = (flags & kHitGeneric) != 0;
    h.weaponDamaged = (flags & kHitGunDamaged) != 0;
    h.immobilized = (flags & kHitImmobilised) != 0;
    h.spall = (flags & kHitPartial) != 0 && h.penetration == 0;
    h.heavyWeapon = v->HasHeavyWeapon(kKnowTruth);
    h.hasTurret = v->HasTurret();
    h.alive = v->mActive;
    h.machineGuns = d.mBowMGCount + d.mCoaxMGCount + d.mFreeMGCount;
    h.mobilityClass = d.mMobilityClass;
    h.bailOut = v->mBailOutCountdown;
    return h;
}

void Vehicle::ShowHitRecord() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    HitRecordFacts h = HitFactsOf(this);
    // A record read from a damaged file shows nothing.
    if (h.location < 0 || h.location > 6 || h.aspect < 0 || h.aspect > 2 || h.penetration < 0 ||
        h.penetration > 2)
        return;
    GString255 first, second;
    const bool shown = HitRecordTexts(h, &first, &second);
    if (!h.immobilized && h.mobilityClass == 6) mHitRecordBytes[0] &= static_cast<uint8_t>(~kHitImmobilised);
    if (!shown) return;
    const int32_t level = map->mCameraLevel[map->ViewingSide()];
    const float d = level >= 5 ? 5.0f : 0.0f;
    float x = mX, y = mY, z = 0.0f;
    GetApparentLocation(&x, &y, &z);
    map->ShowWarningLabel(&first, 3, &second, 3, x + d, y + d, z - 2.0f);
}
