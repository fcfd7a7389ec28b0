// Date and nation queries of the rules: which ammunition, small arms, models
// and artillery a force has at the scenario's month, leaders' skills, rarity
// and the time of day of a turn.

#include <algorithm>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/UnitFactory.h"

namespace {

// Minutes from a call for fire to the first rounds, by artillery quality
// (rows 0..3) and the weapon's artillery size (columns 0..4).
constexpr float kTimeOnTarget[4][5] = {
    {2.5f, 5.0f, 8.0f, 15.0f, 30.0f},
    {2.0f, 4.0f, 6.0f, 12.0f, 25.0f},
    {1.5f, 2.25f, 3.0f, 7.0f, 15.0f},
    {1.0f, 1.5f, 2.0f, 3.0f, 6.0f},
};

// Tungsten levels lost by year 1940..1945, with and without the flag.
constexpr int32_t kTungstenLoss[2][6] = {{9, 9, 9, 2, 1, 0}, {9, 2, 0, 1, 2, 3}};

constexpr float kRarityFactors[kRarityCodeMax + 1] = {-3.0f, 10.0f, 3.0f, 2.5f,  2.25f, 2.0f,
                                                      1.8f,  1.65f, 1.5f, 1.4f,  1.3f,  1.2f,
                                                      1.1f,  1.05f, 1.0f, 0.95f, 0.9f};

// Months of service after which every type counts as common.
constexpr int32_t kRarityMonths = 58;

bool InUse(WeaponType weapon, AmmoClass kind) {
    return AmmoTypeInUse(kAmmoStrict, weapon, kind, nullptr) != kAmmoTypeNone;
}

// Moves a share that has no ammunition in date onto another class.
void MoveShare(WeaponType weapon, int32_t counts[], AmmoClass from, AmmoClass to) {
    if (counts[from] == 0 || InUse(weapon, from)) return;
    counts[to] += counts[from];
    counts[from] = 0;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

// ------------------------------------------------------------ ammunition

void AmmoAvailable(WeaponType weapon, bool flag, int32_t loadSlot, int32_t counts[8]) {
    const LoadMix& mix = gWeaponData[weapon].mLoadMix[Clamp(loadSlot, 0, kLoadSlots - 1)];
    TungstenAvail t = GetCurrentTungstenLevel(mix.mTungsten, flag);
    if (t != 0 && !InUse(weapon, kAmmoTungsten)) t = 0;
    counts[kAmmoTungsten] = t != 0 ? 1 : 0;
    counts[kAmmoAP] = t == 7 ? 0 : mix.mAP;
    counts[kAmmoHEAT] = mix.mHEAT;
    counts[kAmmoSmoke] = mix.mSmoke;
    counts[kAmmoCanister] = mix.mCanister;
    counts[kAmmoHE] = t == 7 ? 0 : 100 - mix.mCanister - mix.mSmoke - mix.mHEAT - mix.mAP;
    const bool twin = weapon == 42 || weapon == 43 || weapon == 45;
    counts[kAmmoHE75] = counts[kAmmoAP75] = twin ? 1 : 0;

    MoveShare(weapon, counts, kAmmoHE, kAmmoAP);
    if (counts[kAmmoTungsten] == 0) MoveShare(weapon, counts, kAmmoAP, kAmmoHEAT);
    MoveShare(weapon, counts, kAmmoHEAT, kAmmoAP);
    if (counts[kAmmoTungsten] == 0) MoveShare(weapon, counts, kAmmoAP, kAmmoHE);
    MoveShare(weapon, counts, kAmmoSmoke, kAmmoHE);
    MoveShare(weapon, counts, kAmmoCanister, kAmmoHE);
}

TungstenAvail GetCurrentTungstenLevel(TungstenAvail level, bool flag) {
    if (level >= 6 || level == 0) return level;
    // Years outside the war's count as its first or last.
    const int32_t year = Clamp(ScenarioDate() / 100 - 40, 0, 5);
    return Clamp(level - kTungstenLoss[flag ? 1 : 0][year], 0, 5);
}

// ------------------------------------------------------------ dates

int32_t MonthIndex(int32_t yymm) {
    return (yymm / 100 - 40) * 12 + yymm % 100 - 7;
}

SmallArmsType ActualSmallArmType(SmallArmsType type, Force force, bool random) {
    SmallArmsType result = type;
    // A substitute may itself be substituted; no chain in the tables is
    // longer than two, and the cap keeps a damaged table from looping.
    for (int32_t depth = 0; depth < 4; ++depth) {
        const int32_t p = random ? static_cast<int32_t>(RandomPick(100)) : 49;
        const Nation n = NationOfForce(force);
        const int32_t d = ScenarioDate();
        SmallArmsType next = type;
        switch (type) {
        case 17: {
            const int32_t k = d <= 4406 ? 0 : (d <= 4412 ? (d - 4406) * 3 : (d - 4500) * 3 + 18);
            next = p < k ? 16 : 15;
            break;
        }
        case 18:
            next = (d <= 4112 || n == kNationSouthAfrican) ? 15 : 62;
            break;
        case 19:
            next = 13;
            break;
        case 29:
            next = NewModelPhasedIn(d, p) ? 26 : 24;
            break;
        case 30:
            next = NewModelPhasedIn(d, p) ? 27 : 25;
            break;
        case 38:
            next = NewModelPhasedIn(d, p) ? 37 : 36;
            break;
        case 64:
            next = n == kNationFrench ? (d < 4212 ? 67 : 65) : 8;
            break;
        default:
            break;
        }
        result = next;
        if (next == type || !gSmallArmsData[next].mSubstituteAgain) break;
        type = next;
    }
    return result;
}

bool NewModelPhasedIn(int32_t date, int32_t percentile) {
    if (date < 4207) return false;
    if (date < 4213) return percentile < 10;
    if (date < 4307) return percentile < 33;
    if (date < 4313) return percentile < 67;
    if (date < 4407) return percentile < 90;
    return true;
}

SmallArmsType StandardRifle(Nation nation) {
    switch (nation) {
    case kNationGerman:
        return 6;
    case kNationItalian:
        return 7;
    case kNationAmerican:
        return 8;
    case kNationFrench:
        return ScenarioDate() < 4212 ? 67 : 65;
    default:
        return nation >= kNationBritish && nation <= kNationPolish ? 10 : 6;
    }
}

VehicleModel GetActualModelX(VehicleModel model) {
    static constexpr VehicleModel kLate[] = {113, 115, 119, 122, 124, 126, 129};
    if (ScenarioDate() >= 4307) return model;
    for (VehicleModel late : kLate)
        if (model == late) return model - 1;
    return model;
}

bool IsEfficientNation(Nation nation) {
    return nation != kNationAmerican || ScenarioDate() >= 4303;
}

int32_t ArtilleryQuality(Nation nation, int32_t date) {
    // The scenario's date decides, whatever date is passed.
    switch (nation % 10) {
    case kNationItalian:
        return 1;
    case kNationAmerican:
        return ScenarioDate() >= 4406 ? 3 : 2;
    default:
        return 2;
    }
}

float TimeOnTarget(Nation nation, WeaponType weapon, bool quick) {
    const int32_t quality = Clamp(ArtilleryQuality(nation, ScenarioDate()), 0, 3);
    const int32_t size = Clamp(gWeaponData[weapon].mArtillerySize, 0, 4);
    return kTimeOnTarget[quality][size] * 60.0f + (quick ? 0.0f : 120.0f);
}

int32_t RandomLeaderSkill(ExperienceLevel experience, int32_t bonus) {
    int32_t n = 3;
    if (bonus != 0 && RandomPick(3) == 0) n = 3 + bonus;
    if (n < 1) n = 1;
    const int32_t s = std::min(static_cast<int32_t>(RandomPick(static_cast<uint32_t>(n))), 2);
    if (experience > static_cast<int32_t>(RandomPick(5))) return s;
    return std::min(s, std::min(static_cast<int32_t>(RandomPick(static_cast<uint32_t>(n))), 2));
}

char GetRarityFactorCodeX(int32_t firstDate, const char codes[]) {
    if ((!gBattle && !gCampaign) || !codes) return 1;
    // The war's last month counts as the one before it.
    auto index = [](int32_t yymm) { return MonthIndex(yymm == 4505 ? 4504 : yymm); };
    const int32_t m = index(ScenarioDate()) - index(firstDate);
    if (m >= kRarityMonths) return 1;
    return m >= 0 ? codes[m] : codes[0];
}

float RarityFactorFromIndex(int32_t code) {
    return kRarityFactors[Clamp(code, 0, kRarityCodeMax)];
}

Daytime GetDaytimeOfTurn(int32_t turn, int32_t period, int32_t offset) {
    if (period < 1) return kMidday;
    int32_t k = static_cast<int32_t>((static_cast<int64_t>(turn) + offset) % period);
    if (k < 0) k += period;
    if (k == 0) return kNight;
    if (k == 1 && period >= 3) return kMorning;
    if (k == period - 1 && period >= 5) return kEvening;
    return kMidday;
}
