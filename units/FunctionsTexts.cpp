// Short panel texts: dates, times and gun names.

#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"

namespace {
constexpr int32_t kMonthNames = 600; // + month: 601 "Januar" .. 612 "Dezember"
constexpr int32_t kSecondsText = 1171;
constexpr int32_t kMinutesText = 1172;
constexpr int32_t kMillimetreText = 1062;
constexpr int32_t kTimesText = 1084;
constexpr int32_t kBarrelText = 1840;
constexpr int32_t kTwin37And75Text = 2100;
constexpr int32_t kTwin40And76Text = 2101;
} // namespace

void MakeDateString(GString* text, int32_t date, bool withCentury) {
    if (!text) return;
    const int32_t month = date % 100;
    const int32_t year = date / 100;
    text->IStringText("");
    // A month outside the year has no name.
    if (month >= 1 && month <= 12) text->ConcatRez(kMonthNames + month);
    text->ConcatText(withCentury ? " 19" : " ");
    if (year >= 0 && year <= 9) text->AddChar('0');
    text->ConcatNum(year);
}

void ConcatTimeString(GString* text, int32_t seconds) {
    if (!text) return;
    if (seconds < 60) {
        text->ConcatNum(seconds);
        text->ConcatRez(kSecondsText);
    } else {
        text->ConcatNum((seconds + 30) / 60);
        text->ConcatRez(kMinutesText);
    }
}

void ConcatGunNameString(GString* text, WeaponType weapon, bool compact) {
    if (!text) return;
    if (weapon == 42 || weapon == 43) {
        text->ConcatRez(kTwin37And75Text);
        return;
    }
    if (weapon == 45) {
        text->ConcatRez(kTwin40And76Text);
        return;
    }
    const WeaponData& w = gWeaponData[weapon];
    if (w.mNrTubes > 1) {
        text->ConcatNum(w.mNrTubes);
        if (compact)
            text->AddChar('x');
        else
            text->ConcatRez(kTimesText);
    }
    // One decimal, without a trailing ".0": 75mm, 7.5mm.
    GString31 calibre;
    calibre.ConcatNumDecimal(w.mCalibre, 1);
    const int32_t n = calibre.GetLength();
    if (n >= 2 && calibre.GetChar(n - 2) == '.' && calibre.GetChar(n - 1) == '0')
        calibre.CropLength(n - 2, true);
    text->Concat(&calibre);
    text->ConcatRez(kMillimetreText);
    if (w.mBarrelLength != 0) {
        text->ConcatRez(kBarrelText);
        text->ConcatNum(w.mBarrelLength);
    }
}
