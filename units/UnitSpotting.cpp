// Spotting: how well the enemy knows each unit (its contact level), the
// spotter's own factors, the optics ratings and the reset of the aim clock.

#include <algorithm>
#include <cmath>
#include <vector>

#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "engine/GParallel.h"
#include "map/Map.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/RuleContext.h"

using namespace fire;

namespace {
constexpr int32_t kSnowGroundFirst = 6;
constexpr int32_t kWeatherRain = 2;
constexpr int32_t kWeatherFogRain = 3;
constexpr int32_t kWeatherThickFog = 5;
constexpr int32_t kWeatherSnow = 6;
constexpr int32_t kWeatherSnowstorm = 7;
constexpr float kAimClockCap = 60.0f;
constexpr float kJammed = 99.0f;
// Below this many units in the battle one thread asks every spotter.
constexpr int32_t kThreadedSpotters = 24;
// A spotter whose pair the sight cache answers costs a tenth of a
// microsecond, one that traces nearly one: below this many traces (as
// sampled from every fourth spotter) the round is not worth the threads'
// waking, logs and replay, and one thread asks every spotter.
constexpr int32_t kThreadedTraces = 64;
constexpr int32_t kTraceSample = 4;

// The spotters of one SpotLevelX on several threads, kept between calls.
struct ThreadedSpotting {
    std::vector<Unit*> spotters;
    std::vector<SightLog> logs;
    std::vector<FogOfWarContact> levels;
    std::vector<Vehicle*> shortForm;  // per spotter: the vehicle that asked MoveSpeed's short form
};
thread_local ThreadedSpotting tSpotting;

// The contact level below 3 rising to 3 or more: an enemy infantry unit that
// sees the unit may call out what it is.
void ShoutIdentification(Unit* spotted) {
    if (!gBattle || !gBattle->mUnits) return;
    if (spotted->mUnitType != kUnitInfantry && spotted->mUnitType != kUnitVehicle) return;
    if (RandomPick(100) >= 75) return;
    std::vector<Unit*> callers;
    UnitList* units = gBattle->mUnits;
    // Enemy infantry that sees the unit; only a unit still in play calls out.
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u && u->mActive && !Unit::NotSeenByEnemyInfantry(u, spotted)) callers.push_back(u);
    }
    if (callers.empty()) return;
    Unit* caller = callers[RandomPick(static_cast<uint32_t>(callers.size()))];
    VoiceType voice;
    if (Vehicle* v = AsVehicle(spotted))
        voice = v->IsFixed() ? 23 : v->ConsideredTankForVoiceEffects(kKnowTruth) ? 26 : 27;
    else
        voice = spotted->HasOrdnance(false, false) ? 25 : 24;
    caller->AddSoundEffectVoice(voice, 100, 0.0f, 2.0f);
}

// The visibility factor of an optical type at a visibility distance.
float OpticsVisibilityFactor(int32_t o, float v, int32_t date) {
    // The long-sight curve between 6 and 15 km of visibility.
    auto far = [v](float a, float b, float c) { return a * v - b * v * v + c; };
    switch (o) {
    case 0:
        return date < 4313 ? 0.95f : 1.0f;
    case 1:
        return v >= 750.0f ? 1.025f : 1.0f;
    case 4:
        if (v <= 6000.0f) return 1.0f;
        return v < 15000.0f ? far(2.7728e-05f, 7.9127e-10f, 0.86212f) : 1.1f;
    case 5:
        if (v < 750.0f) return 0.00037778f * v - 1.4815e-07f * v * v + 0.8f;
        if (v <= 6000.0f) return 1.0f;
        return v < 15000.0f ? far(2.7728e-05f, 7.9127e-10f, 0.86212f) : 1.1f;
    case 6:
        if (v < 750.0f) return 0.00056667f * v - 2.2222e-07f * v * v + 0.7f;
        if (v <= 6000.0f) return 1.0f;
        return v < 15000.0f ? far(4.1667e-05f, 1.1905e-09f, 0.79286f) : 1.15f;
    default:
        return 1.0f;
    }
}
} // namespace

ExperienceLevel Unit::BaseExperience() {
    ExperienceLevel e = mExperience;
    const ScenarioCore* scenario = Scenario();
    BattleHost* host = gBattle ? gBattle->Host() : nullptr;
    if (scenario && host && host->GameMode() == kGameModeComputer && scenario->mComputerBonus > 0 &&
        GetAffiliation() == host->ComputerSide())
        e = std::min(kExperienceMaxEffective, e + scenario->mComputerBonus);
    return e;
}

void Unit::BeSpotted(bool reset, bool force) {
    const int32_t fog = FogLevel();
    if (fog == 0) {
        mContactLevel = kContactFull;
        mSpotMarker = false;
        mSpotMarkerGone = false;
        return;
    }
    if (reset) {
        mSpotClock = 0;
        mSpotPhase = 0;
    }
    if (!mActive && !DrawWhenDead()) return;
    if (IsPassenger(false)) return;
    if (--mSpotClock > 0) {
        bool early = mContactLevel <= kContactSeen && (mPlaybackSpeed != 0.0f || (mZ > 0.0f && mZ < 1.0f)) &&
                     mSliceCount % 40 == 0;
        if (!early) return;
    }
    ResetSpotSliceCount();
    FogOfWarContact level;
    const bool raising = mSpotPhase == 0;
    if (raising) {
        mSpotPhase = 1;
        level = SpotLevel(false, nullptr);
    } else {
        --mSpotPhase;
        if (mContactLevel == kContactNone) return;
        level = std::min(SpotLevel(false, nullptr), mContactLevel);
    }
    if (fog == 1 && level >= kContactHeard) level = kContactFull;
    if (level > kContactNone) {
        if (mSpotMarker) {
            mSpotMarker = false;
            gPacket = true;
        } else {
            mSpotMarkerGone = false;
        }
    }
    if (level > mContactLevel) {
        if (mContactLevel < 3 && level >= 3) ShoutIdentification(this);
        if (mContactLevel == kContactNone && level == kContactHeard) {
            mSoundOffsetX = static_cast<int8_t>(static_cast<int32_t>(RandomPick(81)) - 40);
            mSoundOffsetY = static_cast<int8_t>(static_cast<int32_t>(RandomPick(81)) - 40);
        }
        mContactLevel = level;
        gPacket = true;
    }
    if (level == kContactNone && (mActive || force)) {
        ClearAsTarget(true, false);
        const bool seen = IsSpottedNow();
        if (mContactLevel == kContactHeard) {
            mContactLevel = kContactNone;
        } else if (seen) {
            if (mSurrendered) {
                mContactLevel = kContactNone;
            } else {
                mSpotMarker = true;
                mMarkerX = mX;
                mMarkerY = mY;
            }
        }
        if (seen) gPacket = true;
    }
    if (raising && mSpotMarker && SpotLevel(true, nullptr) >= kContactHeard) {
        mSpotMarker = false;
        mSpotMarkerGone = true;
        gPacket = true;
    }
}

FogOfWarContact Unit::SpotLevelX(float hearingRange, float rangeFactor, Unit* only) {
    float bonus = 0.0f;
    if (mFiringSignature > 0) {
        WeaponType w = kWeaponNone;
        WeaponClass c = 0;
        GetWeaponInfo(&w, &c, kKnowTruth);
        float minimum = 0.0f;
        switch (c) {
        case kWClassLightAT:
            if (gWeaponData[w].mFlags & 0x4)
                minimum = 50.0f, bonus = 30.0f;
            else
                minimum = 600.0f, bonus = 300.0f;
            break;
        case kWClassGun:
        case kWClassTwinGun:
            if (IsInfantry(this) && (InfantryRecord(this).mFlags & kILightGun)) {
                minimum = 500.0f, bonus = 75.0f;
            } else {
                AmmoClass inUse = mAmmoClassInUse == kAmmoNone ? kAmmoHE : mAmmoClassInUse;
                float weight = gAmmoData[AmmoTypeInUse(kAmmoLenient, w, inUse, nullptr)].mWeight;
                weight = std::fmax(weight, 0.0f);
                minimum = 1600.0f * std::pow(weight, 0.28455f);
                bonus = 550.0f * std::pow(weight, 0.38f);
            }
            break;
        case kWClassMortar:
            minimum = 200.0f, bonus = 200.0f;
            break;
        case kWClassIndirect:
            minimum = 30.0f, bonus = 0.0f;
            break;
        case kWClassFlame:
            minimum = 300.0f, bonus = 600.0f;
            break;
        case kWClassSniper:
            minimum = 400.0f, bonus = 50.0f;
            break;
        case kWClassSpecial:
            minimum = 50.0f, bonus = 30.0f;
            break;
        case kWClassAT:
            minimum = 50.0f, bonus = 100.0f;
            break;
        default: // small arms and the classes above 9
            minimum = 600.0f;
            bonus = !IsAxis() && TimeOfDay() == kMidday ? 125.0f : 250.0f;
        }
        if (Night())
            bonus *= 2.5f;
        else if (TimeOfDay() == kMorning || TimeOfDay() == kEvening)
            bonus *= 1.5f;
        hearingRange = std::fmax(hearingRange, minimum);
    }
    SpotParam param{hearingRange, bonus, rangeFactor, this, kContactNone};
    if (!gBattle || !gBattle->mUnits) return kContactNone;
    auto ask = [&](Unit* u) {
        if (!u || u == this || u->mUnitType == kUnitInanimate || u->mUnitType == kUnitAirplane) return;
        bool sideOk = mSurrendered ? u->mSide == mSide : u->mSide != mSide;
        if (sideOk && u->InGoodOrder()) u->Spot(&param);
    };
    if (only) {
        ask(only);
        return param.mBestLevel;
    }
    UnitList* units = gBattle->mUnits;
    Map* map = gBattle->mMap;
    if (!map || SimulationThreads() <= 1 || units->GetCount() < kThreadedSpotters) {
        // Each spotter's first question is about the stored answer of the
        // pair: its place in this unit's row of the pair table is fetched
        // four units ahead, the pair itself two ahead, so the memory is at
        // hand when the question comes (a spotter's question takes about a
        // tenth of a microsecond, a read from memory as long or longer).
        // Only the units of the side that spots are asked: the others' pairs
        // are not fetched.
        // Spotters only read the list and the sides: the units of the other
        // side, kept by the list, are those a pass over the list would ask.
        const std::vector<Unit*>* enemies = mSurrendered ? nullptr : units->UnitsNotOfSide(mSide);
        if (enemies) {
            const size_t n = enemies->size();
            for (size_t i = 0; i < n; ++i) {
                if (i + 8 < n) __builtin_prefetch((*enemies)[i + 8]);
                if (map) {
                    if (i + 4 < n) map->PrefetchStoredLOS((*enemies)[i + 4], this, false);
                    if (i + 2 < n) map->PrefetchStoredLOS((*enemies)[i + 2], this, true);
                }
                ask((*enemies)[i]);
            }
            return param.mBestLevel;
        }
        auto spotter = [&](int32_t k) {
            Unit* u = k < units->GetCount() ? units->GetUnit(k) : nullptr;
            return u && (mSurrendered ? u->mSide == mSide : u->mSide != mSide) ? u : nullptr;
        };
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            // The head of a unit, which tells a spotter, eight units ahead.
            if (const Unit* u = units->GetUnit(i + 8)) __builtin_prefetch(u);
            if (map) {
                if (Unit* u = spotter(i + 4)) map->PrefetchStoredLOS(u, this, false);
                if (Unit* u = spotter(i + 2)) map->PrefetchStoredLOS(u, this, true);
            }
            ask(units->GetUnit(i));
        }
        return param.mBestLevel;
    }
    // Every spotter reads the battle and writes only its own answer and its
    // own log of sight-cache changes (the pair of it and this unit), so the
    // spotters look on all threads; the logs then go into the cache in the
    // order the spotters are listed, as one thread would have stored them.
    ThreadedSpotting& work = tSpotting;
    work.spotters.clear();
    auto take = [&](Unit* u) {
        if (!u || u == this || u->mUnitType == kUnitInanimate || u->mUnitType == kUnitAirplane) return;
        const bool sideOk = mSurrendered ? u->mSide == mSide : u->mSide != mSide;
        if (sideOk && u->InGoodOrder()) work.spotters.push_back(u);
    };
    if (const std::vector<Unit*>* enemies = mSurrendered ? nullptr : units->UnitsNotOfSide(mSide)) {
        for (Unit* u : *enemies)
            take(u);
    } else {
        for (int32_t i = 0; i < units->GetCount(); ++i)
            take(units->GetUnit(i));
    }
    const int32_t n = static_cast<int32_t>(work.spotters.size());
    // Most rounds trace few lines (neither this unit nor most spotters have
    // moved since the pairs were stored); one thread asks their spotters in
    // order, straight into the cache.
    int32_t traces = 0;
    for (int32_t i = 0; i < n; i += kTraceSample)
        if (!map->HoldsStoredLOS(work.spotters[static_cast<size_t>(i)], this)) traces += kTraceSample;
    if (traces < kThreadedTraces && !SplitEveryRound()) {
        for (int32_t i = 0; i < n; ++i) {
            if (i + 4 < n) map->PrefetchStoredLOS(work.spotters[static_cast<size_t>(i + 4)], this, false);
            if (i + 2 < n) map->PrefetchStoredLOS(work.spotters[static_cast<size_t>(i + 2)], this, true);
            work.spotters[static_cast<size_t>(i)]->Spot(&param);
        }
        return param.mBestLevel;
    }
    if (work.logs.size() < work.spotters.size()) work.logs.resize(work.spotters.size());
    work.levels.assign(work.spotters.size(), kContactNone);
    work.shortForm.assign(work.spotters.size(), nullptr);
    Vehicle* const shortFormBefore = Vehicle::sShortFormSpotter;
    map->PrepareSightForThreads();
    ParallelFor(n, kThreadedSpotters, [&](int32_t i) {
        SightLog& log = work.logs[static_cast<size_t>(i)];
        log.Clear();
        Map::SetThreadSightLog(&log);
        Map::SetThreadDeferredKeeps(&log.deferred);
        SpotParam p = param;
        Vehicle::sShortFormSpotter = nullptr;
        work.spotters[static_cast<size_t>(i)]->Spot(&p);
        work.levels[static_cast<size_t>(i)] = p.mBestLevel;
        work.shortForm[static_cast<size_t>(i)] = Vehicle::sShortFormSpotter;
        Map::SetThreadSightLog(nullptr);
        Map::SetThreadDeferredKeeps(nullptr);
    });
    Vehicle* lastShortForm = nullptr;
    for (int32_t i = 0; i < n; ++i) {
        map->ApplySightLog(work.logs[static_cast<size_t>(i)]);
        param.mBestLevel = std::max(param.mBestLevel, work.levels[static_cast<size_t>(i)]);
        if (work.shortForm[static_cast<size_t>(i)]) lastShortForm = work.shortForm[static_cast<size_t>(i)];
    }
    // A moving vehicle's speed question leaves the step outputs (gMoveX and
    // the rest) behind; the last one asked decides them, as on one thread.
    Vehicle::sShortFormSpotter = shortFormBefore;
    if (lastShortForm) {
        const float saved = Vehicle::sMoveSpeedForm;
        Vehicle::sMoveSpeedForm = 0.0f;
        lastShortForm->MoveSpeed(nullptr);
        Vehicle::sMoveSpeedForm = saved;
        Vehicle::sShortFormSpotter = lastShortForm;
    }
    return param.mBestLevel;
}

void Unit::Spot(SpotParam* p) {
    Unit* t = p->mSpotted;
    if (!t) return;
    const float d = Distance3(mX, mY, GetZ(), t->mX, t->mY, t->GetZ());
    const float v = Visibility();
    float r = std::fmin(t->SpottingRange(this) * p->mRangeFactor, v);
    float range = r == 0.0f ? 0.0f : r + p->mRangeBonus;
    const float range0 = range;
    float hearing = p->mHearingRange;
    SpotterMods(t, &range, &hearing);
    range = std::fmin(range, v + p->mRangeBonus);
    if (range0 != 0.0f) r = r * range / range0;

    if (gBattle) {
        if (gBattle->mGroundCondition >= kSnowGroundFirst) hearing *= 0.7f;
        switch (gBattle->mWeather) {
        case kWeatherSnow:
            hearing *= 0.7f;
            break;
        case kWeatherRain:
        case kWeatherFogRain:
        case kWeatherSnowstorm:
            hearing *= 0.6f;
            break;
        case kWeatherThickFog:
            hearing *= 0.8f;
            break;
        default:
            break;
        }
    }
    const float x = 0.6f * (range + 5.0f * r) * 0.1666667f;

    FogOfWarContact level = kContactNone;
    if (d <= range) {
        // Asked only here: a unit out of sight range (most pairs) needs no
        // experience.
        const float e = static_cast<float>(BaseExperience());
        const bool targetVehicle = t->mUnitType == kUnitVehicle;
        if (targetVehicle && mUnitType == kUnitVehicle && (UsingBinoculars(t) || HasOrdnance(false, false))) {
            float k = 0.2f + 0.217f * e - 0.0156f * e * e;
            level = 0.15f * x * k >= d ? 5 : x * k >= d ? 4 : 3;
        } else if (targetVehicle) {
            float k = 0.125f * e + 0.2f;
            if (UsingBinoculars(t)) k *= 0.5f;
            level = 0.15f * x * k >= d ? 5 : x * k >= d ? 4 : 2.5f * range * k >= d ? 3 : 2;
        } else {
            float k = 0.04182f * e + 0.1077f;
            if (UsingBinoculars(t)) k *= 0.4f;
            level = 0.4f * x * k >= d ? 5 : x * k >= d ? 4 : 2.0f * range * k >= d ? 3 : 2;
        }
    }
    if (Night() && level >= 4 && d > 100.0f) level = 3;
    if (level > 2 && d > v) level = 2;
    if (d <= hearing) {
        level = std::max(level, kContactHeard);
        if (d <= range) level = std::max(level, kContactSeen);
    }
    if (level <= kContactHeard && t->IsSpottedNow() && d <= 1.1f * range) level = t->mContactLevel;
    if (level == kContactNone && d <= 1.1f * hearing && t->mContactLevel == kContactHeard)
        level = kContactHeard;
    if (level == 4 && FogLevel() <= 2) level = kContactFull;
    p->mBestLevel = std::max(p->mBestLevel, level);
}

void Unit::SpotterMods(Unit* t, float* range, float* hearing) {
    // A range of 0 (the spotter has no sight of the unit, as for most pairs)
    // stays 0 whatever finite factor multiplies it, and every later use of it
    // compares it or multiplies it: only the hearing needs working out then.
    const bool blind = *range == 0.0f;
    if (blind) {
    } else if (t == mTarget) {
        *range *= 2.0f;
    } else if (mFiringSignature > 0) {
        float ax = 0.0f, ay = 0.0f;
        if (mTarget)
            ax = mTarget->mX, ay = mTarget->mY;
        else if (mAreaTarget)
            ax = mAreaTargetX, ay = mAreaTargetY;
        if (DistanceToLocation(ax, ay) > 50.0f) *range *= 0.5f;
    }
    if (mDeafness > 0) *hearing *= std::fmax(0.0f, 1.0f - 0.0001f * static_cast<float>(mDeafness));
    float s = mSuppression;
    if (IsHiding(true)) s = std::fmax(s, 80.0f);
    if (s != 0.0f) {
        s = std::fmin(s, 200.0f);
        float f = 1.8182e-05f * s * s - 0.0077091f * s + 1.0f;
        *range *= f;
        *hearing *= f;
    }
    if (!blind) *range *= OpticalQualitySpot();
}

float Unit::OpticalQualitySpot() {
    const int32_t o = GetOpticalType();
    const float e = static_cast<float>(mExperience);
    const int32_t date = ScenarioDate();
    float q = 0.96f + 0.02f * static_cast<float>(date / 100 - 41);
    const ScenarioCore* scenario = Scenario();
    const int32_t temperature = scenario ? scenario->mTemperature : 2;
    if (temperature == 0) {
        float correction = 0.002f * (7.0f - e) * (7.0f - e);
        if (o != 0) correction *= 2.0f;
        q *= 1.0f - correction;
    } else if (temperature == 5) {
        if (o == 0 && date <= 4312)
            q *= 1.0f - 0.002f * (6.0f - e) * (6.0f - e);
        else if (o != 0)
            q *= 1.0f + 0.02f * (e + 1.0f);
    }
    static const int32_t kMinimumExperience[7] = {0, 2, 1, 1, 3, 2, 3};
    int32_t needed = o >= 0 && o <= 6 ? kMinimumExperience[o] : 0;
    if (mExperience < needed) q *= 1.0f - 0.05f * static_cast<float>(needed - mExperience);
    return q * OpticsVisibilityFactor(o, Visibility(), date);
}

float Unit::OpticalQualityTrack(float distance, float speed) {
    const int32_t o = GetOpticalType();
    float t = o == 3 ? 0.91f : 0.95f;
    if (gBattle) t *= 1.0f - (1.0f - 1.5f / std::fmax(OpticalQualitySpot(), 0.01f)) * distance / Visibility();
    if (speed != 0.0f) {
        float angle;
        switch (o) {
        case 0:
            angle = ScenarioDate() < 4313 ? 15.0f : 25.0f;
            break;
        case 1:
        case 5:
            angle = 8.0f;
            break;
        case 4:
            angle = 19.0f;
            break;
        case 6:
            angle = 7.0f;
            break;
        default:
            angle = 25.0f;
        }
        float q = std::tan(angle * 0.013089969f) * std::fmax(distance, 200.0f) / speed;
        if (q < 10.0f) t *= 1.4f - 0.04f * q;
    }
    return t;
}

void Unit::ResetAimClock() {
    Infantry* self = IsForwardObserver() ? dynamic_cast<Infantry*>(this) : nullptr;
    if (self) {
        // The observer's aim time comes from its own seed (kept in its record,
        // so both machines draw the same); the shared generator then goes on
        // exactly where it was, so the turn never depends on the wall clock.
        const uint32_t saved = GetRandomState();
        SeedRandomGenerator(static_cast<uint32_t>(self->mRandomSeed));
        mAimTime = FullAimTime(false, false);
        const float s = std::fmin(0.4f * mAimTime, kAimClockCap);
        mAimTime += s * (static_cast<float>(RandomFraction()) - 0.5f);
        if (mAreaTarget) {
            bool exact = false;
            const bool within = WithinFOAdjustment(mAreaTargetX, mAreaTargetY, &exact);
            Map* map = gBattle ? gBattle->mMap : nullptr;
            if (exact) {
                self->RestoreKeptFireData();
            } else if (map && map->NearBoreSight(mAreaTargetX, mAreaTargetY, GetAffiliation() == kAllies)) {
                mAimTime = std::fmin(mAimTime * 0.25f, kAimClockCap);
            } else if (within && self->mFOAimTime != kFOUnset) {
                mAimTime = std::fmin(mAimTime, 0.25f * mAimTime + self->mFOAimTime);
                if (self->mFOLastErrorX != 0.0f || self->mFOLastErrorY != 0.0f) self->SetFOError(true);
            }
        }
        SeedRandomGenerator(saved);
        // Minutes the player added to the mission stay added.
        mAimTime += 60.0f * static_cast<float>(mExtraArtilleryMinutes);
    } else if (mAimTime != kJammed) {
        if (mTarget && mTarget->mUnitType == kUnitAirplane)
            mAimTime = 0.5f;
        else if (mLoadTime == 0.0f)
            mAimTime = FullAimTime(true, false);
    }
    mIsMoving = false;
}

void Unit::CountUnseenLosses(int32_t n) {
    if (n <= 0 || (mContactLevel == kContactFull && IsSpottedNow())) return;
    mHiddenCasualties = static_cast<int16_t>(std::min(mHiddenCasualties + n, 0x7FFF));
}
