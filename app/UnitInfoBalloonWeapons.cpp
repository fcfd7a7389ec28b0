// The balloon's weapon lines: the main weapon, its mount and range, and the
// table of armour penetrated by each kind of round at four ranges and three
// slopes, computed on every drawing by the combat rules.
#include "app/InfoPanelDraw.h"
#include "app/InfoPanelTexts.h"
#include "app/UnitInfoBalloon.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

GString255 sText; // the line being built (the main thread only)

constexpr uint8_t kWhite = 255;
constexpr uint8_t kGrey = 220;

} // namespace

void UnitInfoBalloon::DrawWeaponLines(Sheet& s) {
    Unit* u = mUnit;
    if (!u->HasHeavyWeapon(kKnowIdentified)) return;
    WeaponType type = kWeaponNone;
    WeaponClass wclass = 0;
    u->GetWeaponInfo(&type, &wclass, kKnowIdentified);
    if (!gWeaponData.Has(type)) return;
    const WeaponData& w = gWeaponData[type];
    const bool vehicle = u->mUnitType == kUnitVehicle;

    if (wclass == 5) {
        sText.IStringRez(1090);
        if (w.mCommandLevel >= 0 && w.mCommandLevel <= 4) sText.ConcatRez(1091 + w.mCommandLevel);
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    }
    if (wclass == 7 || wclass == 9) {
        sText.IStringRez(wclass == 7 ? 1075 : 1088);
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    } else {
        MainWeaponText(u, s.believed, type, wclass, &sText);
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
        sText.IStringText("");
        if (vehicle && s.believed) MountText(*s.believed, &sText);
        s.y += 14;
        Line(&sText, 3, s.y, kFontSmall, kWhite, kWhite, kWhite);
    }
    if (RangeText(w.mMaxRange, w.mMinRange, &sText)) {
        s.y += 17;
        Line(&sText, 3, s.y, kFontSmall, kGrey, kGrey, kGrey);
    }

    if (vehicle && s.believed && s.believed->mClass == 29) return;
    if (wclass < 1 || wclass > 3) return;
    sText.IStringRez(1428);
    s.y += 24;
    Line(&sText, 3, s.y, kFontFixed, kGrey, kGrey, kGrey);
    sText.IStringRez(1429);
    s.y += 14;
    Line(&sText, 3, s.y, kFontFixed, kGrey, kGrey, kGrey);
    RoundKinds kinds;
    ChooseRoundKinds(u, type, s.profile, s.known, &kinds);
    for (int32_t i = 0; i < kinds.mCount; ++i) {
        PrintPenetrationLines(u->GetAffiliation() == kAxis, type, kinds.mKind[i], &s.y,
                              static_cast<int32_t>(w.mMaxRange));
        s.y += 4;
    }
}

void UnitInfoBalloon::PrintPenetrationLines(bool firstSide, WeaponType type, AmmoClass kind, int32_t* y,
                                            int32_t maxRange) {
    const float parameter = gWeaponData[type].mPenetrationParameter;
    const int32_t columns = PenetrationColumnCount(maxRange);
    for (float angle = 0.0f; angle <= 60.0f; angle += 30.0f) {
        *y += 14;
        SlopeLabelText(angle, &sText);
        Line(&sText, 3, *y, kFontFixed, kWhite, kWhite, kWhite);
        for (int32_t j = 0; j < columns; ++j) {
            const float p = GetTypicalPenetration(firstSide, kPenetrationRanges[j],
                                                  static_cast<int32_t>(angle), parameter, kind, type);
            const int32_t v = static_cast<int32_t>(p + 0.5f);
            unsigned char r = 0, g = 0, b = 0;
            ArmorColors(v, 0, 0, &r, &g, &b);
            sText.IStringNum(v);
            Line(&sText, RightAlignedX(kPenetrationEdges[j], sText.GetLength()), *y, kFontFixed, r, g, b);
        }
        float velocity = 0.0f;
        if (angle == 0.0f) {
            sText.IStringRez(RoundKindString(kind));
            Line(&sText, 261, *y, kFontFixed, kWhite, kWhite, kWhite);
        } else if (angle == 30.0f) {
            AmmoTypeInUse(0, type, kind, &velocity);
            sText.IStringNum(static_cast<int32_t>(velocity));
            sText.ConcatRez(1420);
            Line(&sText, 275, *y - 1, kFontSmall, kWhite, kWhite, kWhite);
        } else {
            const AmmoType t = AmmoTypeInUse(0, type, kind, &velocity);
            const int32_t name = gAmmoData.Has(t) ? ProjectileString(gAmmoData[t].mProjectileKind) : 0;
            sText.IStringText("");
            if (name != 0) sText.IStringRez(name);
            Line(&sText, 275, *y - 3, kFontSmall, kWhite, kWhite, kWhite);
        }
    }
}
