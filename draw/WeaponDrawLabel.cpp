// The squad's status label and its base marker.
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/WeaponDraw.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace {

constexpr int32_t kTextEliminated = 1130;
constexpr int32_t kTextAbandoned = 1131;
constexpr int32_t kTextShattered = 1132;
constexpr int32_t kTextShaken = 1133;
constexpr int32_t kTextPanicked = 1134;
constexpr int32_t kTextPinned = 1135;
constexpr int32_t kTextRattled = 1136;
constexpr int32_t kTextJammed = 1140;
constexpr int32_t kTextNoAmmo = 1141;
constexpr int32_t kTextLowAmmo = 1142;
constexpr int32_t kTextKnockedOut = 1469;
constexpr float kJammed = 99.0f;

} // namespace

bool InfantryLabelTexts(const InfantryLabelFacts& v, GString* first, int32_t* kind1, GString* second,
                        int32_t* kind2) {
    first->IStringText("");
    second->IStringText("");
    *kind1 = 0;
    *kind2 = 0;
    if (!v.alive) {
        if (v.contact <= 1) return false;
        const bool gunCrew = v.dataGroup == 9 || v.dataGroup == 10 || v.dataGroup == 17;
        if (v.figures == 0 && !gunCrew) return false;
        if (v.figures == 0 && v.contact == 2 && v.dataGroup == 9 && !v.hasOrdnance) return false;
        first->IStringRez(v.abandoned          ? kTextAbandoned
                          : v.knockedOutPhrase ? kTextKnockedOut
                                               : kTextEliminated);
        return true;
    }
    if (!v.ownSide && v.fogOfWar > 1) return false;
    const float s = v.suppression;
    if (s >= 1200.0f)
        first->IStringRez(kTextShattered);
    else if (s >= 600.0f)
        first->IStringRez(kTextShaken);
    else if (s >= 350.0f)
        first->IStringRez(kTextPanicked);
    else if (s >= 100.0f)
        first->IStringRez(kTextPinned), *kind1 = 1;
    else if (s >= 60.0f)
        first->IStringRez(kTextRattled), *kind1 = 2;
    else
        *kind1 = 1;
    if (v.weaponTimer == kJammed && v.jamLabelShown) {
        second->IStringRez(kTextJammed);
        *kind2 = 1;
    } else if (v.heavyWeapon) {
        if (v.rounds == 0) {
            second->IStringRez(kTextNoAmmo);
            *kind2 = 0;
        } else if (v.rounds <= v.fullLoad / 4) {
            second->IStringRez(kTextLowAmmo);
            *kind2 = 2;
        }
    } else if (v.rounds == 0) {
        second->IStringRez(kTextLowAmmo);
        *kind2 = 1;
    }
    return true;
}

InfantryLabelFacts LabelFactsOf(Infantry* u) {
    InfantryLabelFacts v;
    const InfantryData& d = u->Record();
    const Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    v.alive = u->mActive;
    v.contact = u->VisibleToPlayer(false);
    if (!v.alive) {
        v.figures = u->GetNrFigures();
        v.dataGroup = d.mTeamAnimGroup[0];
        v.hasOrdnance = u->HasOrdnance(false, false);
        v.abandoned = u->Abandoned();
        v.knockedOutPhrase = u->UseKnockedOutPhrase();
        return v;
    }
    v.ownSide = u->IsOwnUnit(viewer);
    v.fogOfWar = gBattle ? gBattle->Host()->FogOfWarLevel() : 0;
    v.suppression = u->mSuppression;
    v.weaponTimer = u->mAimTime;
    v.jamLabelShown = d.mHeavyWeapon == kWeaponNone || gWeaponData[d.mHeavyWeapon].mClass != kWClassIndirect;
    v.heavyWeapon = u->HasHeavyWeapon(0);
    // Counts of every class but smoke, taken as the non-negative counts they are.
    for (int32_t k = 0; k < kAmmoClassCount && k < 8; ++k)
        if (k != kAmmoSmoke) v.rounds += u->mAmmo[k];
    v.fullLoad = d.mMaxAmmo;
    return v;
}

void Infantry::PrintWarningLabel() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    GString255 first, second;
    int32_t kind1 = 0, kind2 = 0;
    if (!InfantryLabelTexts(LabelFactsOf(this), &first, &kind1, &second, &kind2)) return;
    float x = mX, y = mY, z = 0.0f;
    GetApparentLocation(&x, &y, &z); // a heard unit's label stands where it is heard
    map->ShowWarningLabel(&first, kind1, &second, kind2, x, y, z);
}

void Infantry::DrawBase(FogOfWarContact contact, bool b, float f1, float f2) {
    // Riders and the vehicles' crew figure stand on no base of their own.
    if (mTransport || mSubtype == kInfantryCrewDummy) return;
    Unit::DrawBase(contact, b, f1, f2);
}
