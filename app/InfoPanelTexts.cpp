// The texts of the unit panel, the weather text and the unit balloon.
#include "app/InfoPanelTexts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/KillRecord.h"
#include "units/Unit.h"

namespace {

constexpr char kDegreeSign = static_cast<char>(0xB0);
constexpr int32_t kCommaString = 1080; // ", "

int32_t Trunc(float v) {
    return static_cast<int32_t>(v);
}

// Appends a record's fixed-size name field (not always terminated).
void ConcatField(GString* text, const char* field, size_t size) {
    char buffer[64] = {};
    const size_t n = std::min(strnlen(field, size), sizeof(buffer) - 1);
    std::memcpy(buffer, field, n);
    text->ConcatText(buffer);
}

// Appends n right-aligned in width characters.
void ConcatRightAligned(GString* text, int32_t n, int32_t width) {
    GString15 number;
    number.IStringNum(n);
    text->InsertSpace(width - number.GetLength());
    text->Concat(&number);
}

void Join(GString* text, bool* first) {
    if (!*first) text->ConcatRez(kCommaString);
    *first = false;
}

} // namespace

InfoColour SideNameColour(Affiliation side) {
    // One pair of colours for both the panel and the balloon: field grey
    // for the Axis, olive green for the Allies.
    if (side == kAxis) return {154, 180, 220};
    return {120, 215, 0};
}

// ---------------------------------------------------------------- panel

int32_t SuppressionLevel(float s, bool vehicle) {
    static const float kBounds[7] = {10.0f, 30.0f, 60.0f, 100.0f, 350.0f, 600.0f, 1200.0f};
    int32_t level = 7;
    for (int32_t i = 0; i < 7; ++i)
        if (s < kBounds[i]) {
            level = i;
            break;
        }
    if (vehicle && level >= 2 && level <= 4) --level;
    return level;
}

int32_t RoleBadgeIndex(bool attacks, int32_t readiness, bool secondRow, bool side1) {
    int32_t index = 12;
    if (attacks) index = readiness == 0 ? 0 : (readiness == 2 ? 8 : 4);
    if (secondRow) index += 2;
    if (side1) index += 1;
    return index;
}

int32_t AmmoBarFilled(float ratio) {
    if (!(ratio >= 0.0f)) return 0;
    return Trunc(34.0f * std::min(ratio, 1.0f));
}

LongRect TerrainNamePlate(int32_t textWidth) {
    if (textWidth <= 88) return LongRect{266, 45, 360, 63};
    const int32_t left = 313 - textWidth / 2 - 3;
    return LongRect{left, 45, left + textWidth + 6, 63};
}

int32_t AmmoBarPiece(int32_t column, int32_t filled) {
    int32_t p = 4;
    if (column == 0 || column == 33)
        p = 2;
    else if (column == 1 || column == 32)
        p = 3;
    if (column >= filled) p += 3;
    return p;
}

void AmmoCountsText(const uint16_t counts[8], bool skipHE, GString* text, bool fuelLast) {
    struct Suffix {
        int32_t ammo;
        int32_t string;
    };
    static const Suffix kOrder[8] = {{0, 1180}, {1, 1181}, {3, 1182}, {2, 1183},
                                     {4, 1184}, {5, 1185}, {6, 1187}, {7, 1188}};
    text->IStringText("");
    for (const Suffix& s : kOrder) {
        if (s.ammo == kAmmoHE && (skipHE || fuelLast)) continue;
        if (counts[s.ammo] == 0) continue;
        text->ConcatNum(counts[s.ammo]);
        text->ConcatRez(s.string);
    }
    if (fuelLast && counts[kAmmoHE] != 0) {
        text->ConcatNum(counts[kAmmoHE]);
        text->ConcatRez(1186);
    }
    if (text->GetLength() == 0) text->IStringRez(1143);
}

void FireMissionText(int32_t count, float t, bool planned, GString* text) {
    text->IStringText("");
    if (t >= 1.0f) {
        ConcatRightAligned(text, count, 5);
        text->ConcatRez(1170);
        ConcatTimeString(text, Trunc(t));
    } else {
        text->ConcatNum(count);
        text->ConcatRez(1173);
    }
    if (!planned) text->ConcatRez(1174);
}

// ---------------------------------------------------------------- weather

int32_t WindDirectionString(float angle) {
    // An angle outside 0..360 is brought into it first, and the last
    // hundredth of a sector below 360 belongs to east again.
    float a = std::isfinite(angle) ? std::fmod(angle, 360.0f) : 0.0f;
    if (a < 0.0f) a += 360.0f;
    const int32_t id = Trunc(a * 0.0444444f + 1960.01f);
    return 1960 + (id - 1960) % 16;
}

void WeatherLine(int32_t line, int32_t weather, int32_t ground, int32_t temperature, int32_t windStrength,
                 float windAngle, GString* text) {
    text->IStringText("");
    switch (line) {
    case 0:
        if (weather >= 0 && weather <= 7) text->IStringRez(631 + weather);
        break;
    case 1:
        if (ground >= 0 && ground <= 8) text->IStringRez(671 + ground);
        break;
    case 2:
        if (temperature >= 0 && temperature <= 5) text->IStringRez(1861 + temperature);
        break;
    default:
        if (windStrength < 0 || windStrength > 3) break;
        text->IStringRez(1931 + windStrength);
        if (windStrength != 0) {
            text->AddChar(' ');
            text->ConcatRez(WindDirectionString(windAngle));
        }
        break;
    }
}

// ---------------------------------------------------------------- balloon

void LeaderBonusText(uint8_t skills, GString* text) {
    struct Bonus {
        int32_t shift;
        int32_t string;
    };
    // Command, morale, combat, stealth.
    static const Bonus kOrder[4] = {{0, 991}, {4, 993}, {2, 992}, {6, 994}};
    text->IStringText("");
    for (const Bonus& b : kOrder) {
        const int32_t v = (skills >> b.shift) & 3;
        if (v == 0) continue;
        text->InsertSpace(2);
        text->ConcatRez(b.string);
        text->ConcatRez(1413);
        text->ConcatNum(v);
    }
    if (text->GetLength() >= 2) text->CropLength(text->GetLength() - 2, false);
}

void PadToColumn(GString* text, int32_t column) {
    text->InsertSpace(column - text->GetLength());
}

void ArmorPlateText(int16_t thickness, int16_t added, int16_t slope, bool rounded, GString* text) {
    text->ConcatNum(thickness);
    if (added != 0) {
        text->AddChar('+');
        text->ConcatNum(added);
    }
    text->AddChar('/');
    if (rounded) {
        text->ConcatRez(1983);
    } else {
        text->ConcatNum(slope);
        text->AddChar(kDegreeSign);
    }
}

void ArmorRowText(const VehicleData& record, int32_t row, GString* text) {
    int32_t label = 1388;
    bool roundedFront = false;
    if (row == 0) {
        label = record.mTurretKind == 5 ? 1385 : 1386;
        roundedFront = record.mCurvedPlateChance != 0;
    } else if (row == 1) {
        label = 1387;
        roundedFront = record.mCurvedPlateChance != 0 && !record.mHasTurretArmor;
    }
    text->IStringRez(label);
    static const int32_t kColumns[3] = {22, 36, 50};
    for (int32_t aspect = 0; aspect < 3; ++aspect) {
        const int32_t i = 3 * aspect + row;
        PadToColumn(text, kColumns[aspect]);
        ArmorPlateText(record.mArmorPlates[i].mThickness, record.mAddedPlates[i],
                       record.mArmorPlates[i].mSlope, aspect == 0 && roundedFront, text);
    }
}

void ArmorHeaderText(GString* text) {
    text->IStringRez(1382);
    PadToColumn(text, 22);
    text->ConcatRez(1384);
}

void ArmorTopRowText(const VehicleData& record, bool hasTurret, GString* text) {
    const int16_t turretTop = record.mTopArmor[0];
    const int16_t top = record.mTopArmor[1];
    if (top == turretTop && top == 0) {
        text->IStringRez(1389);
        return;
    }
    GString255 second;
    second.IStringNum(top);
    if (turretTop != top) {
        if (turretTop > 0) {
            second.AddChar(' ');
            if (hasTurret) {
                second.ConcatRez(1391);
                second.ConcatNum(turretTop);
                second.AddChar(' ');
                second.ConcatRez(1392);
            } else {
                second.ConcatRez(1393);
                second.ConcatNum(turretTop);
            }
        } else {
            second.ConcatRez(hasTurret ? 1394 : 1395);
        }
    }
    if (record.mSkirtKind != 0) second.ConcatRez(1396);
    text->IStringRez(1390);
    const int32_t excess = std::max(static_cast<int32_t>(second.GetLength()) - 23, 0);
    text->InsertSpace(22 - excess - text->GetLength());
    text->Concat(&second);
}

bool ArmorQualityText(const VehicleData& record, GString* text) {
    const bool reinforced = (record.mFlags & kVReinforcedTurretFront) != 0;
    const ArmorQuality q = record.mArmorQuality;
    if (q == 0 && !reinforced) return false;
    text->IStringRez(1982);
    text->AddChar(' ');
    switch (q) {
    case 1:
        text->ConcatText("95%");
        break;
    case 2:
        text->ConcatText("90%");
        break;
    case 3:
    case 6:
        text->ConcatText("85%");
        break;
    case 4:
        text->ConcatRez(1980);
        break;
    case 5:
        text->ConcatRez(1981);
        break;
    default:
        break;
    }
    if (reinforced) {
        if (q != 0) text->InsertSpace(2);
        text->ConcatRez(1383);
    }
    return true;
}

bool IsFlameWeapon(SmallArmsType type) {
    return type != kSmallArmsNone && gSmallArmsData[type].mMGClass == 4;
}

namespace {

bool IsHeavyMG(SmallArmsType type) {
    return gSmallArmsData[type].mMGClass == 3;
}

int32_t RoundsOf(const MGLineFacts& f, SmallArmsType type) {
    const MGAmmoClass c = GetMGAmmoType(type);
    return f.rounds && c >= 0 && c < kMGAmmoClassCount ? f.rounds[c] : 0;
}

void ConcatRounds(GString* text, const MGLineFacts& f, SmallArmsType type) {
    text->ConcatRez(1400);
    text->ConcatNum(RoundsOf(f, type));
    text->AddChar(')');
}

bool SameClass(SmallArmsType a, SmallArmsType b) {
    return b != kSmallArmsNone && GetMGAmmoType(a) == GetMGAmmoType(b);
}

} // namespace

bool MachineGunLineText(const VehicleData& r, const MGLineFacts& f, GString* text) {
    const bool bow = r.mBowMG != kSmallArmsNone && !IsFlameWeapon(r.mBowMG);
    const bool second = r.mCoaxMGCount != 0 && r.mCoaxMG != kSmallArmsNone && !IsFlameWeapon(r.mCoaxMG);
    const bool third = r.mFreeMGCount != 0 && r.mFreeMG != kSmallArmsNone && !IsFlameWeapon(r.mFreeMG);
    if (!bow && !second && !third) return false;
    text->IStringRez(1398);
    bool written = false;
    if (bow) {
        if (r.mBowMGCount > 1) {
            text->AddChar(' ');
            text->ConcatNum(r.mBowMGCount);
        }
        text->ConcatRez(1399);
        if (f.known && !SameClass(r.mBowMG, r.mCoaxMG) && !SameClass(r.mBowMG, r.mFreeMG))
            ConcatRounds(text, f, r.mBowMG);
        written = true;
    }
    if (second) {
        const SmallArmsType t = r.mCoaxMG;
        if (written) text->AddChar(',');
        if (r.mCoaxMGCount > 1 && t != 49 && t != 50) {
            text->AddChar(' ');
            text->ConcatNum(r.mCoaxMGCount);
        }
        bool open = false;
        if (f.hasHeavyWeapon) {
            text->ConcatRez(1401);
        } else if (f.hasTurret) {
            if (f.openTop == 0) {
                text->AddChar(' ');
                open = true;
            } else {
                text->ConcatRez(1408);
            }
        } else {
            text->ConcatRez(1402);
        }
        if (t == 55)
            text->ConcatRez(1405);
        else if (t == 49)
            text->ConcatRez(1437);
        else if (t == 50)
            text->ConcatRez(1439);
        else if (IsHeavyMG(t))
            text->ConcatRez(1406);
        else if (open)
            text->ConcatRez(1401);
        if (f.known && !SameClass(t, r.mFreeMG)) ConcatRounds(text, f, t);
        written = true;
    }
    if (third) {
        const SmallArmsType t = r.mFreeMG;
        const bool remote = r.mFreeMGButtoned != 0;
        if (written) text->AddChar(',');
        if (remote) text->ConcatRez(t == 48 ? 1419 : 1404);
        if (t == 53) {
            text->ConcatRez(1495);
        } else {
            if (r.mFreeMGCount > 1) {
                text->AddChar(' ');
                text->ConcatNum(r.mFreeMGCount);
                text->AddChar('x');
            }
            if (IsHeavyMG(t)) text->ConcatRez(1406);
        }
        if (t != 48 && !remote) text->ConcatRez((r.mFlags & kVThirdMGForward) ? 1407 : 1408);
        if (f.known) ConcatRounds(text, f, t);
    }
    return true;
}

bool FlameLineText(const VehicleData& r, const MGLineFacts& f, GString* text) {
    SmallArmsType flame = kSmallArmsNone;
    if (IsFlameWeapon(r.mBowMG))
        flame = r.mBowMG;
    else if (r.mCoaxMGCount != 0 && IsFlameWeapon(r.mCoaxMG))
        flame = r.mCoaxMG;
    else if (r.mFreeMGCount != 0 && IsFlameWeapon(r.mFreeMG))
        flame = r.mFreeMG;
    if (flame == kSmallArmsNone) return false;
    text->IStringRez(1409);
    text->ConcatNum(gSmallArmsData[flame].mMaxRange);
    text->AddChar('m');
    if (f.known) {
        text->ConcatRez(1400);
        text->ConcatNum(f.rounds ? f.rounds[2] : 0);
        text->AddChar(')');
    }
    return true;
}

void FeaturesText(const VehicleData& r, int32_t optics, GString* text) {
    text->IStringText("");
    bool first = true;
    auto add = [&](int32_t id) {
        Join(text, &first);
        text->ConcatRez(id);
    };
    if (r.mSpecialEquipment >= 1 && r.mSpecialEquipment <= 3) add(1439 + r.mSpecialEquipment);
    if (r.mFlags & kVRearDriver) add(1397);
    if (r.mFlags & kVGyroStabilised) add(1438);
    if (r.mFlags & kVFlammable) add(1487);
    if (r.mFlags & kVShotTrap) add(1488);
    if (r.mFlags & kVThinEngineProtection) add(1493);
    if ((r.mFlags & kVNoRadio) == 0) add(1494);
    if (optics >= 1 && optics <= 6) {
        add(2040 + optics);
        text->ConcatRez(2040);
    }
}

// ---------------------------------------------------------------- kills

namespace {

void AddKillLine(KillLines* lines, const GString& text) {
    if (lines->mCount >= KillLines::kMax) return;
    char* out = lines->mText[lines->mCount++];
    const size_t n = std::min<size_t>(text.GetLength(), sizeof(lines->mText[0]) - 1);
    std::memcpy(out, text.GetCString(), n);
    out[n] = 0;
}

void CountLine(KillLines* lines, int32_t count, int32_t one, int32_t many) {
    if (count == 0) return;
    GString255 t;
    t.IStringNum(count);
    t.ConcatRez(count == 1 ? one : many);
    AddKillLine(lines, t);
}

void VehicleKillLine(GObject* member, void* context) {
    auto* entry = static_cast<VehicleKillByType*>(member);
    auto* lines = static_cast<KillLines*>(context);
    GString255 t;
    t.IStringNum(entry->mCount);
    t.AddChar(' ');
    if (entry->mType < 0 || !gVehicleData.Has(entry->mType))
        t.ConcatRez(1350);
    else
        ConcatField(&t, gVehicleData[entry->mType].mName, sizeof(gVehicleData[0].mName));
    if (entry->mCount > 1) t.AddChar('s');
    t.AddChar(' ');
    t.ConcatRez(1351);
    AddKillLine(lines, t);
}

} // namespace

void BuildKillLines(const KillRecord& record, bool known, KillLines* lines) {
    lines->mCount = 0;
    GString255 t;
    if (!known) {
        t.IStringRez(1352);
        AddKillLine(lines, t);
        return;
    }
    if (!record.HasKills()) {
        t.IStringRez(1353);
        AddKillLine(lines, t);
        return;
    }
    CountLine(lines, record.mInfantryCasualties, 1354, 1355);
    CountLine(lines, record.mInfantryCaptured, 1356, 1356);
    CountLine(lines, record.mGuns, 1357, 1358);
    CountLine(lines, record.mMortars, 1359, 1360);
    CountLine(lines, record.mAirplanes, 1361, 1361);
    record.ForEachVehicleKill(VehicleKillLine, lines);
}

// ---------------------------------------------------------------- firepower

const float kFirepowerRanges[5] = {40.0f, 100.0f, 250.0f, 500.0f, 1000.0f};

void FirepowerRowText(int32_t count, SmallArmsType type, int32_t totals[5], GString* text) {
    text->IStringText("");
    if (count < 10) text->AddChar(' ');
    text->ConcatNum(count);
    text->AddChar(' ');
    ConcatField(text, gSmallArmsData[type].mName, sizeof(gSmallArmsData[0].mName));
    PadToColumn(text, 18);
    for (int32_t j = 0; j < 5; ++j) {
        const int32_t v = Trunc(SmallArmFP(type, kFirepowerRanges[j], 4) * static_cast<float>(count) + 0.4f);
        if (v >= 1)
            ConcatRightAligned(text, v, 6);
        else
            text->InsertSpace(6);
        totals[j] += v;
    }
}

void FirepowerTotalText(const int32_t totals[5], GString* text) {
    text->IStringRez(1417);
    for (int32_t j = 0; j < 5; ++j)
        ConcatRightAligned(text, totals[j], 6);
}

// ---------------------------------------------------------------- weapon lines

const float kPenetrationRanges[4] = {100.0f, 500.0f, 1000.0f, 2000.0f};
const int32_t kPenetrationEdges[4] = {87, 136, 185, 234};

void SlopeLabelText(float angle, GString* text) {
    text->IStringText("  ");
    if (angle == 0.0f) text->AddChar(' ');
    text->ConcatNum(Trunc(angle + 0.5f));
    text->AddChar(kDegreeSign);
}

int32_t PenetrationColumnCount(int32_t maxRange) {
    int32_t n = 1;
    while (n < 4 && static_cast<float>(maxRange) >= kPenetrationRanges[n])
        ++n;
    return n;
}

void ChooseRoundKinds(Unit* unit, WeaponType type, int32_t profile, bool known, RoundKinds* shown) {
    int32_t counts[8] = {};
    const bool side0 = unit->GetAffiliation() == kAxis;
    AmmoAvailable(type, side0, profile, counts);
    auto issuable = [&](AmmoClass c) {
        return counts[c] != 0 && AmmoTypeInUse(kAmmoStrict, type, c, nullptr) != 0;
    };
    auto holds = [&](AmmoClass c) { return unit->mAmmo[c] > 0; };
    const bool twin = type == 42 || type == 43 || type == 45;
    AmmoClass list[6];
    int32_t n = 0;
    if (twin && (holds(kAmmoAP75) || issuable(kAmmoAP75))) list[n++] = kAmmoAP75;
    for (AmmoClass c : {kAmmoAP, kAmmoTungsten, kAmmoHEAT})
        if ((known && holds(c)) || issuable(c)) list[n++] = c;
    if (twin && (holds(kAmmoHE75) || issuable(kAmmoHE75))) list[n++] = kAmmoHE75;
    if ((known && holds(kAmmoHE)) || issuable(kAmmoHE)) list[n++] = kAmmoHE;

    const int32_t limit = unit->mUnitType == kUnitVehicle ? 3 : 4;
    int32_t surplus = std::max(n - limit, 0);
    shown->mCount = 0;
    for (int32_t i = 0; i < n && shown->mCount < limit; ++i) {
        if (known && surplus > 0 && !holds(list[i])) {
            --surplus;
            continue;
        }
        shown->mKind[shown->mCount++] = list[i];
    }
}

int32_t RoundKindString(AmmoClass kind) {
    switch (kind) {
    case 0:
        return 1433;
    case 1:
        return 1434;
    case 2:
        return 1435;
    case 3:
        return 1436;
    case 6:
        return 1448;
    case 7:
        return 1449;
    default:
        return 0;
    }
}

int32_t ProjectileString(int32_t projectileKind) {
    static const int32_t kNames[15] = {0,    2020, 2021, 2031, 2022, 2023, 2024, 2032,
                                       2025, 2026, 2027, 2028, 2029, 0,    2030};
    return projectileKind >= 0 && projectileKind < 15 ? kNames[projectileKind] : 0;
}

void MainWeaponText(Unit* unit, const VehicleData* believed, WeaponType type, WeaponClass wclass,
                    GString* text) {
    text->IStringRez(1418);
    if (wclass >= 1 && wclass <= 6) {
        text->InsertSpace(2);
        if (wclass != 6) ConcatGunNameString(text, type, false);
        if (wclass == 4) text->ConcatRez(1421);
        if (wclass == 6) text->ConcatRez(1065);
        if (wclass == 5) {
            text->ConcatRez(1422);
            if (unit->mUnitType == kUnitInfantry) {
                const int32_t tubes = gInfantryData[unit->mSubtype].mNrTubes;
                text->ConcatText(" (");
                text->ConcatNum(tubes == 0 ? 4 : tubes);
                text->ConcatRez(1089);
            }
        }
        if (believed && unit->mUnitType == kUnitVehicle && believed->mGunToRear < 0) text->ConcatRez(1423);
    }
    if (wclass != 6) {
        const int32_t blast = GetRoughBlastPower(type, true);
        if (blast != 0) {
            text->ConcatRez(1424);
            text->ConcatNum(blast);
        }
    }
}

void MountText(const VehicleData& r, GString* text) {
    text->IStringText("");
    if (r.mFlags & kVSlowFiring) text->ConcatRez((r.mFlags & kVVerySlowFiring) ? 1492 : 1486);
    if (r.mTurretKind != 5) {
        if (text->GetLength() > 0) text->InsertSpace(3);
        if (r.mTurretKind >= 0 && r.mTurretKind <= 4) text->ConcatRez(1481 + r.mTurretKind);
        if (r.mFlags & kVOneManTurret) {
            text->AddChar(' ');
            text->ConcatRez(1489);
        } else if (r.mFlags & kVTwoManTurret) {
            text->AddChar(' ');
            text->ConcatRez(1490);
        }
        text->AddChar(' ');
        text->ConcatRez(1392);
        if (r.mCupola) text->ConcatRez(1491);
    } else if (r.mCupola) {
        if (text->GetLength() > 0) text->InsertSpace(3);
        text->ConcatRez(1496);
    }
}

bool RangeText(float maxRange, float minRange, GString* text) {
    const int32_t R = Trunc(maxRange), M = Trunc(minRange);
    if (maxRange < 8000.0f) {
        text->IStringRez(1425);
        text->ConcatNum(R);
        text->AddChar('m');
        if (minRange > 0.0f) {
            text->ConcatRez(1426);
            text->ConcatNum(M);
            text->ConcatText("m)");
        }
        return true;
    }
    if (minRange > 0.0f) {
        text->IStringRez(1427);
        text->ConcatNum(M);
        text->AddChar('m');
        return true;
    }
    return false;
}
