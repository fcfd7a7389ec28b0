// The sounds a unit makes, recorded as sound packets through the battle:
// its engine and hits, its shots, the explosions it causes and its men's
// shouts. Each packet says, per side, where that side hears the sound and
// whether it hears it at all.

#include "units/UnitSound.h"

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/SmallArmsSounds.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

// Packet flags.
constexpr uint8_t kHeardBySide[2] = {0x02, 0x01};
constexpr uint8_t kFollowsUnit = 0x04;

// Sound categories (the packet's priority).
constexpr int16_t kCategoryEngine = 5;
constexpr int16_t kCategoryVoice = 6;
constexpr int16_t kCategoryMortar = 4;
constexpr int16_t kCategorySmallArms = 12;
constexpr int16_t kCategorySmallArmsHeavy = 13;
constexpr int16_t kCategoryGun = 19;

// A small arm of no team: what is heard when no team can be picked.
constexpr SmallArmsType kFallbackSmallArm = 6;

// A new sound packet at the unit's place, stamped at the current slice
// plus delay.
ActionPacket* NewSoundPacket(Unit* unit, int16_t category, int32_t delay = 0) {
    ActionPacket* p = gBattle->CreateActionPacket(delay);
    p->mType = kPacketSound;
    p->mPriority = category;
    p->mX = unit->mX;
    p->mY = unit->mY;
    p->mZ = unit->GetZ();
    p->mSoundFlags = 0;
    p->mSoundParam = 0.0f;
    return p;
}

void SetSlice(ActionPacket* p, int32_t slice) {
    p->mTimeSlice = static_cast<int16_t>(slice < 0 ? 0 : slice);
}

// The small arms of an infantry unit's teams and the men in them now; a
// unit of the infantry kind that is no Infantry answers from its record.
int32_t TeamsOf(const Unit* unit, SmallArmsType arms[4], int32_t men[4]) {
    if (const auto* infantry = dynamic_cast<const Infantry*>(unit)) {
        for (int32_t t = 0; t < kInfantryTeams; ++t) {
            arms[t] = infantry->mTeamSmallArms[t];
            men[t] = infantry->mTeamMen[t];
        }
        return kInfantryTeams;
    }
    const InfantryData& d = gInfantryData[unit->mSubtype];
    const int32_t n = d.mNrTeams < 0 ? 0 : (d.mNrTeams > 4 ? 4 : d.mNrTeams);
    for (int32_t t = 0; t < n; ++t) {
        arms[t] = d.mTeamSmallArms[t];
        men[t] = d.mTeamMen[t];
    }
    return n;
}

} // namespace

int32_t VoiceVariants(Nation nation, VoiceType voice) {
    if (nation < 0 || nation >= kNationCount || voice < 0 || voice >= kVoiceTypeCount) return 0;
    return gVoiceVariants[nation][voice];
}

ActionPacket* Unit::AddSoundEffect(int32_t sound) {
    if (!gBattle) return nullptr;
    ActionPacket* p = NewSoundPacket(this, static_cast<int16_t>(sound));
    for (int32_t side = 0; side < 2; ++side) {
        float* point = p->mPoint[side];
        GetApparentLocationToSide(side != 0, &point[0], &point[1], &point[2]);
        if (!(VisibleToSide(side != 0, false) < kContactHeard && sound != kCategoryEngine))
            p->mSoundFlags |= kHeardBySide[side];
    }
    int32_t number = 0;
    switch (sound) {
    case 5:
        number = 300;
        p->mSoundFlags |= kFollowsUnit;
        p->mSource = this;
        // Engines of units that start together do not start in step.
        if (mSliceCount == 0) SetSlice(p, p->mTimeSlice + static_cast<int32_t>(RandomPick(40)));
        break;
    case 7:
        number = 701;
        break;
    case 10:
        number = 710 + RandomCoin();
        break;
    case 16:
        number = 905 + RandomCoin();
        break;
    case 17:
        number = 331;
        break;
    case 20:
        number = 700;
        break;
    case 21:
        number = 311 + RandomCoin();
        SetSlice(p, p->mTimeSlice + 20);
        break;
    case 22:
        number = 320;
        break;
    case 23:
        p->mPriority = 22;
        number = 320;
        break;
    case 24:
        number = 290;
        break;
    default:
        break;
    }
    p->mSoundNumber = number;
    return p;
}

void Unit::AddSoundEffectFire(WeaponClass wclass, WeaponType weapon, float range, int32_t slice) {
    if (!gBattle) return;
    int32_t packetSlice = slice;
    int16_t category = kCategoryGun;
    int32_t number = 0;
    float intensity = 0.0f;
    if (wclass == kWClassSmallArms) {
        packetSlice = slice + 24;
        category = kCategorySmallArms;
        SmallArmsType arm = kFallbackSmallArm;
        if (mUnitType == kUnitVehicle && !gFiringSecondarySmallArms) {
            // The machine guns being fired, else the crew's own small arms.
            const auto* v = static_cast<const Vehicle*>(this);
            const SmallArmsType own = v->mFiringMGs ? v->mMGSmallArms : v->mCrewSmallArms;
            if (own != kSmallArmsNone && gSmallArmsData.Has(own)) arm = own;
        } else if (mUnitType == kUnitInfantry && !gFiringSecondarySmallArms) {
            // A weighted pick over the teams: each fires by its weapon's
            // loudness and its men; moving slows all but the fully
            // automatic weapons and silences those that cannot fire moving.
            SmallArmsType arms[4] = {};
            int32_t men[4] = {};
            int32_t weight[4] = {};
            const int32_t teams = TeamsOf(this, arms, men);
            const bool moving = mPlaybackSpeed != 0.0f;
            int32_t total = 0;
            for (int32_t t = teams - 1; t >= 0; --t) {
                const SmallArmsData& s = gSmallArmsData[arms[t]];
                if (s.mMaxRange < range || (moving && s.mAutoClass == 0)) continue;
                int32_t w = s.mSoundWeight * men[t];
                if (moving && s.mAutoClass != 3) w = (w + 1) / 2;
                weight[t] = w > 0 ? w : 0;
                total += weight[t];
            }
            if (total > 0) {
                int32_t r = static_cast<int32_t>(RandomPick(static_cast<uint32_t>(total)));
                for (int32_t t = teams - 1; t >= 0; --t) {
                    if (r < weight[t]) {
                        arm = arms[t];
                        break;
                    }
                    r -= weight[t];
                }
            }
        }
        const int32_t soundClass = gSmallArmsData[arm].mSoundClass;
        if (soundClass == 13) category = kCategorySmallArmsHeavy;
        const SmallArmsSoundRange sr = SmallArmsSounds(soundClass);
        number = sr.first + static_cast<int32_t>(RandomPick(static_cast<uint32_t>(sr.last - sr.first + 1)));
    } else {
        if (wclass == kWClassFlame || wclass == kWClassAT) packetSlice = slice + 30;
        if (wclass == kWClassSniper) packetSlice = slice + 24;
        if (wclass == kWClassMortar) category = kCategoryMortar;
        const WeaponData& w = gWeaponData[weapon];
        number = w.mFireSound;
        if ((wclass == kWClassGun || wclass == kWClassTwinGun) && (w.mFlags & 1) == 0)
            intensity = w.mCalibre * 0.0022f;
    }
    if (number == 0) return;
    ActionPacket* p = NewSoundPacket(this, category);
    SetSlice(p, packetSlice);
    p->mSoundNumber = number;
    p->mSoundParam = intensity;
    for (int32_t side = 0; side < 2; ++side) {
        float* point = p->mPoint[side];
        GetApparentLocationToSide(side != 0, &point[0], &point[1], &point[2]);
        const FogOfWarContact level = VisibleToSide(side != 0, false);
        if (!(category == kCategoryMortar && level < 3)) p->mSoundFlags |= kHeardBySide[side];
        if (level == kContactNone) {
            // A side that has no contact hears the shot from somewhere near.
            point[0] += static_cast<float>(static_cast<int32_t>(RandomPick(201)) - 100);
            point[1] += static_cast<float>(static_cast<int32_t>(RandomPick(201)) - 100);
            point[2] -= 200.0f;
        }
    }
}

ActionPacket* Unit::AddSoundEffectExplosion(int32_t slice, WeaponType weapon, AmmoClass ammo, float x,
                                            float y) {
    if (!gBattle || weapon == 264) return nullptr;
    int32_t size = 0;
    bool loud = true; // the size gives the intensity
    const WeaponClass wclass = gWeaponData[weapon].mClass;
    if (weapon == 257 || wclass == kWClassAT) {
        loud = false;
    } else if (weapon == 259) {
        size = 2;
        loud = false;
    } else if ((weapon >= 261 && weapon <= 263) || weapon == 265) {
        size = 1;
        loud = false;
    } else if (weapon == kWeaponNone) {
        size = 2;
    } else if (ammo == kAmmoAP || ammo == kAmmoTungsten || ammo == kAmmoSmoke || ammo == kAmmoAP75) {
        size = 0;
    } else {
        const AmmoData& a = gAmmoData[AmmoTypeInUse(kAmmoLenient, weapon, ammo, nullptr)];
        const float weight = ammo == kAmmoHEAT ? a.mWeight * 0.75f : a.mWeight;
        if (weight < 1.8f) {
            loud = false;
        } else if (weight < 4.0f) {
            size = 0;
        } else if (weight < 5.5f) {
            size = RandomPick(3) == 0 ? 1 : 0;
        } else if (weight < 10.0f) {
            size = RandomCoin() == 0 ? 1 : 0;
        } else if (weight < 18.0f) {
            size = 1;
        } else if (weight < 26.0f) {
            size = RandomCoin() == 0 ? 2 : 1;
        } else if (weight < 45.0f) {
            size = 2;
        } else if (weight < 75.0f) {
            size = RandomCoin() == 0 ? 3 : 2;
        } else if (weight < 125.0f) {
            size = 3;
        } else {
            size = 4;
        }
    }
    int32_t number;
    if (size == 0)
        number = 200 + static_cast<int32_t>(RandomPick(3));
    else if (size == 1)
        number = 209 + static_cast<int32_t>(RandomPick(5));
    else
        number = 220 + RandomCoin();

    static constexpr float kIntensity[5] = {0.1f, 0.38f, 0.84f, 1.21f, 1.58f};
    const float z = GroundHeightAt(x, y);
    ActionPacket* p = gBattle->CreateActionPacket(0);
    SetSlice(p, slice);
    p->mType = kPacketSound;
    p->mX = x;
    p->mY = y;
    p->mZ = z;
    p->mSoundNumber = number;
    p->mPriority = size == 0 ? 11 : (size == 4 ? 18 : 15);
    p->mSoundParam = loud ? kIntensity[size] : 0.0f;
    for (int32_t side = 0; side < 2; ++side) {
        p->mPoint[side][0] = x;
        p->mPoint[side][1] = y;
        p->mPoint[side][2] = z;
        p->mSoundFlags |= kHeardBySide[side];
    }
    return p;
}

ActionPacket* Unit::AddSoundEffectVoice(VoiceType voice, int32_t chance, float fromSeconds, float toSeconds) {
    if (!gBattle || mUnitType == kUnitInanimate || mUnitType == kUnitAirplane) return nullptr;
    if (voice < 0 || voice >= kVoiceTypeCount) return nullptr;
    if (voice != kVoiceCrewCasualtyA) chance /= 2;
    if (chance <= static_cast<int32_t>(RandomPick(100))) return nullptr;

    const Nation n = GetNation();
    auto count = [n](VoiceType v) { return VoiceVariants(n, v); };
    // Some shouts fall back to a general one, weighted by how many variants
    // each has; a nation with neither has nothing to fall back on.
    auto fallBack = [&](VoiceType general) {
        const int32_t divisor = count(general) + 2 * count(voice);
        if (divisor > 0 && static_cast<int32_t>(RandomPick(static_cast<uint32_t>(divisor))) < count(general))
            voice = general;
    };
    if (voice >= 24 && voice <= 27)
        fallBack(23);
    else if (voice >= 6 && voice <= 9)
        fallBack(5);
    else if (voice >= 1 && voice <= 4)
        fallBack(0);
    else if (voice == kVoiceCrewCasualtyB && count(kVoiceCrewCasualtyB) == 0)
        voice = kVoiceCrewCasualtyA;

    int32_t number;
    if (voice == kVoiceCrewCasualtyA && RandomPick(100) < 40) {
        number = 500 + static_cast<int32_t>(RandomPick(7));
    } else {
        const int32_t k = count(voice);
        if (k < 1) return nullptr;
        number = 30000 + 10000 * n + 100 * voice + static_cast<int32_t>(RandomPick(static_cast<uint32_t>(k)));
    }

    int32_t delay = static_cast<int32_t>(std::lround(40.0f * fromSeconds));
    const int32_t span = static_cast<int32_t>(std::lround(40.0f * toSeconds)) - delay + 1;
    if (span > 0) delay += static_cast<int32_t>(RandomPick(static_cast<uint32_t>(span)));

    ActionPacket* p = NewSoundPacket(this, kCategoryVoice, delay);
    p->mSoundNumber = number;
    const FogOfWarContact needed = (voice == kVoiceCrewCasualtyA || voice == kVoiceCrewCasualtyB) ? 4 : 1;
    for (int32_t side = 0; side < 2; ++side) {
        float* point = p->mPoint[side];
        GetApparentLocationToSide(side != 0, &point[0], &point[1], &point[2]);
        if (VisibleToSide(side != 0, false) >= needed) p->mSoundFlags |= kHeardBySide[side];
    }
    return p;
}
