// Infantry losses: casualties taken man by man out of the teams, the
// firepower of the men left, the count shown to the players, death, and the
// unit's value in victory points and rarity.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/UnitFactory.h"
#include "units/Vehicle.h"

namespace {

constexpr VoiceType kVoiceHit = 18;
constexpr VoiceType kVoiceScream = 19;
constexpr int32_t kMaxManDraws = 100000; // guard of the draws of a man to take

bool TeamHasMG(SmallArmsType arms) {
    return gSmallArmsData[arms].mMGClass != 0;
}

// A man drawn at random from the pool, counted through the teams from the
// last to the first, skipping empty ones; -1 when the draw falls on a man
// that no team holds.
int32_t DrawTeamOfMan(const int8_t men[kInfantryTeams], int32_t pool) {
    int32_t pick = static_cast<int32_t>(RandomPick(static_cast<uint32_t>(pool > 0 ? pool : 0)));
    for (int32_t t = kInfantryTeams - 1; t >= 0; --t) {
        if (men[t] <= 0) continue;
        if (pick < men[t]) return t;
        pick -= men[t];
    }
    return -1;
}

int32_t MGClassCounted(int32_t mg) {
    return mg == 4 || mg == 5 ? 0 : mg;
}

} // namespace

// ---------------------------------------------------------------------------
// Casualties

bool Infantry::CanSufferPerformanceLoss(bool* slows, bool* exempt) {
    const InfantryData& r = Record();
    bool s = r.mSpeedClass >= kSpeedHeavy;
    bool e = false;
    bool answer;
    if (r.mHeavyWeapon != kWeaponNone) {
        const WeaponClass c = gWeaponData[r.mHeavyWeapon].mClass;
        answer = c != kWClassIndirect && c != kWClassFlame && c != kWClassSniper;
        e = c == kWClassLightAT;
    } else {
        answer = r.mTeamAnimGroup[0] == 3 || r.mTeamAnimGroup[0] == 4;
    }
    if (slows) *slows = s;
    if (exempt) *exempt = e;
    return answer;
}

bool Infantry::ReceiveCasualties(int32_t tries, float chance, bool silent, bool atMostOne, bool screams) {
    const InfantryData& r = Record();
    const int32_t alive = MenAlive();
    int32_t k = 0;
    for (int32_t i = 0; i < tries; ++i)
        if (RandomFraction() < chance) ++k;
    if (atMostOne && k > 1) k = 1;
    // Nobody falls who is not there: a unit without men reports no loss.
    if (k > alive) k = alive > 0 ? alive : 0;
    const int32_t left = alive - k;

    if (k > 0 && left > 0) {
        int32_t care = 2;
        if (mPlaybackSpeed != 0.0f || (mZ > 0.0f && mZ < 1.0f)) care = 1;
        if (!InGoodOrder()) --care;
        int32_t mgMen = 0;
        if (r.mTeamsCanRefill) {
            for (int32_t t = 0; t < kInfantryTeams; ++t)
                if (TeamHasMG(mTeamSmallArms[t])) mgMen += mTeamMen[t];
            int32_t pool = alive;
            for (int32_t guard = 0; left < 2 * mgMen && pool > 0 && guard < kMaxManDraws; ++guard) {
                int32_t t = DrawTeamOfMan(mTeamMen, pool);
                if (t >= 0 && TeamHasMG(mTeamSmallArms[t])) {
                    --mTeamMen[t];
                    --mgMen;
                    --pool;
                }
            }
            int32_t budget = care;
            for (int32_t guard = 0; left < pool && guard < kMaxManDraws; ++guard) {
                int32_t t = DrawTeamOfMan(mTeamMen, pool);
                if (t >= 0 && TeamHasMG(mTeamSmallArms[t]) && budget > 0) {
                    --budget;
                    continue;
                }
                if (t >= 0) --mTeamMen[t];
                --pool;
                budget = care;
            }
        }
        if (mExplosives > 0 || mAntitankShots > 0) {
            float q = 1.0f - static_cast<float>(left) / static_cast<float>(alive);
            if (care == 1) q *= 0.75f;
            if (care == 2) q *= 0.5f;
            int32_t explosives = mExplosives;
            for (int32_t i = mExplosives; i > 0; --i)
                if (RandomFraction() < q) --explosives;
            if (explosives > left - mgMen) explosives = left - mgMen;
            if (explosives < 0) explosives = 0;
            int32_t shots = mAntitankShots;
            for (int32_t i = mAntitankShots; i > 0; --i)
                if (RandomFraction() < q) --shots;
            if (shots > (left - explosives - mgMen) * 2) shots = (left - explosives - mgMen) * 2;
            if (shots < 0) shots = 0;
            mExplosives = static_cast<int8_t>(explosives);
            mAntitankShots = static_cast<int8_t>(shots);
        }
        mGrenades = static_cast<int8_t>(mGrenades - mGrenades * k / alive);
    }
    if (k <= 0) return false;

    if (gCreditKiller) {
        if (mContactLevel == kContactFull && IsSpottedNow())
            gCreditKiller->mKillRecords[0].mInfantryCasualties += static_cast<uint16_t>(k);
        gCreditKiller->mKillRecords[1].mInfantryCasualties += static_cast<uint16_t>(k);
    }
    CountUnseenLosses(k);
    mCasualties += k;
    const bool pastSetup = !gBattle || !gBattle->mSetupPhase;
    bool slows = false;
    bool exempt = false;
    if (MenAlive() > 0) {
        if (CanSufferPerformanceLoss(&slows, &exempt)) {
            if (mLoadTime > 0.0f && HasFunctioningWeapon() && gBattle && pastSetup)
                mLoadTime += 5.0f * static_cast<float>(k);
            if (slows && MenAlive() == 1 && !exempt && r.mNrMen > 2) {
                Stop(false);
                mNrWaypoints = 0;
                if (!mSurrendered) mImmobile = true;
            }
        }
    } else {
        mCasualties = r.mNrMen;
        Die();
    }
    if (!silent) {
        mTookCasualties = true;
        for (int32_t i = 0; i < k; ++i) {
            VoiceType voice = screams && RandomCoin() == 0 ? kVoiceScream : kVoiceHit;
            AddSoundEffectVoice(voice, 100, 0.0f, 1.5f);
        }
    }
    if (gBattle && pastSetup) mPacketDirty = true;
    return true;
}

void Infantry::TakeInternalPassengerHit(float chance) {
    const int32_t left = MenAlive();
    if (left <= 0) return;
    if (!ReceiveCasualties(left, chance, true, false, false)) return;
    int32_t level = mExperience;
    if (gBattle && PlayedByComputer()) {
        level += gBattle->mComputerBonus;
        if (level > kExperienceMaxEffective) level = kExperienceMaxEffective;
    }
    float u = static_cast<float>(RandomFraction());
    SetSuppression(mSuppression + (10.0f * u + 10.0f) * static_cast<float>(6 - level), false);
}

// ---------------------------------------------------------------------------
// Firepower and counts

float Infantry::SmallArmsFirepower(float range, MGPenetration* outMG, bool full, bool byExperience) {
    const InfantryData& r = Record();
    FireType fire = 4;
    int32_t mg = 0;
    float fp = 0.0f;
    if (!full) {
        if (mPlaybackSpeed != 0.0f && r.mSpeedClass != kSpeedUnencumbered) {
            if (outMG) *outMG = 0;
            return 0.0f;
        }
        fire = gMovementSpeedChart[mMoveSpeed].mFireLevel;
        if (fire == 0) {
            if (outMG) *outMG = 0;
            return 0.0f;
        }
    }
    if (!gFiringSecondarySmallArms) {
        for (int32_t t = kInfantryTeams - 1; t >= 0; --t) {
            float v = SmallArmFP(mTeamSmallArms[t], range, fire);
            if (v <= 0.0f) continue;
            fp += static_cast<float>(mTeamMen[t]) * v;
            int32_t c = MGClassCounted(gSmallArmsData[mTeamSmallArms[t]].mMGClass);
            if (c > mg) mg = c;
        }
        if (!full) fp = fp * static_cast<float>(r.mLoadTime) * (1.0f / 60.0f);
    } else {
        fp = static_cast<float>(MenAlive()) * SmallArmFP(6, range, fire);
        if (!full) fp *= 0.18333334f;
    }
    if (byExperience) fp = AdjustFPByExperience(fp, true);
    const Affiliation own = GetAffiliation();
    if (range > 300.0f && mg > 1 && r.mSpeedClass < kSpeedMedium && !mHasMoved &&
        (!gBattle || gBattle->mAttacker != 1 - own)) {
        float f = range > 1500.0f ? 1.4f : 0.79212f + 0.00077576f * range - 2.494e-07f * range * range;
        fp *= f;
    }
    if (outMG) *outMG = mg;
    return fp;
}

int32_t Infantry::TallyCasualties() {
    if (mAbandonedVehicle && mAbandonedVehicle->TallyCasualties() != 0) return -MenAlive();
    int32_t baseline = mOldCasualties;
    if (mSibling) {
        const int32_t n = GetOriginalNrMen();
        baseline = mIsFirstHalf ? n / 2 + mOldCasualties / 2 : (n + 1) / 2 + (mOldCasualties + 1) / 2;
    }
    int32_t c = mCasualties - baseline;
    return c < 0 ? 0 : c;
}

// ---------------------------------------------------------------------------
// Death

void Infantry::Die() {
    if (!mActive) return;
    if (mContactLevel == kContactSeen && !IsSpottedNow()) mContactLevel = kContactNone;
    if (mOffMapState == 0) mSurrendered = false;
    mPlaybackSpeed = 0.0f;
    mTurnRate = 0.0f;
    if (mZ > 0.5f)
        mZ = 1.0f;
    else if (mZ >= 0.0f)
        mZ = 0.0f;
    if (mTransport) Disembark();
    if (mTransport && mTransport->mUnitType == kUnitVehicle) {
        static_cast<Vehicle*>(mTransport)->Unload(this);
        mTransport = nullptr;
    }

    const int32_t left = MenAlive() > 0 ? MenAlive() : 0;
    if (gCreditKiller) {
        const bool gun = !mGunKnockedOut && HasOrdnance(false, false);
        const bool support = !mGunKnockedOut && !gun && HasOrdnance(true, false);
        auto credit = [&](KillRecord& record, bool men) {
            if (men) record.mInfantryCasualties += static_cast<uint16_t>(left);
            if (gun) ++record.mGuns;
            if (support) ++record.mMortars;
        };
        credit(gCreditKiller->mKillRecords[1], true);
        if (mContactLevel >= 3)
            credit(gCreditKiller->mKillRecords[0], mContactLevel == kContactFull && IsSpottedNow());
    }
    const bool leader = IsLeader(nullptr);
    Unit::Die();
    // Under full fog of war a unit seen to fall lies low and is looked at
    // again at once, so the enemy learns no more than it saw.
    if (fire::FogLevel() == 3 && IsSpottedNow()) {
        mMoveSpeed = 0;
        mHiding = true;
        mFiringSignature = 0;
        BeSpotted(true, true);
    }
    ResetAnimation();
    if (leader && gBattle) gBattle->CheckAllLeadership();
}

// ---------------------------------------------------------------------------
// Value

float Infantry::GetRarityFactor() {
    if (!gBattle) return 1.0f;
    const InfantryData& r = Record();
    if (gBattle->mRarityMode == 0) return GetRarityFactorX(r.mDataDate, r.mRarityCodes);
    if (gBattle->mRarityMode == 1) return RarityFactorFromIndex(r.mRarityIndex);
    return 1.0f;
}

float Infantry::GetVPValue(bool asBought, DataKnowledge knowledge) {
    Infantry* fresh = nullptr;
    Infantry* u = this;
    if (asBought) {
        fresh = new Infantry;
        fresh->IInfantry(mSubtype, mForce, mExperience, 0.0f, 0.0f, 0.0f);
        u = fresh;
    }
    const InfantryData& r = Record();
    float v = static_cast<float>(u->GetOriginalNrMen());
    if (!HasOrdnance(false, false)) v *= 2.0f;
    if (mSibling) v *= 0.5f;
    if (r.mHeavyWeapon != kWeaponNone) {
        const WeaponData& w = gWeaponData[r.mHeavyWeapon];
        const float cycle = u->FullAimTime(false, true) + u->FullLoadTime(false, true);
        const float rate = cycle > 0.0f ? 60.0f / cycle : 60.0f;
        v += GetWeaponVPValue(r.mHeavyWeapon, rate, r.mMaxAmmo, r.mAmmoProfile, mSide != 0, GetNation(),
                              false, 1.0f);
        if (w.mVPGrade == 1) v *= 1.04f;
        if (w.mVPGrade == 2) v *= 1.08f;
        if (r.mFlags & kIFlag40) v *= 1.3f;
        const WeaponClass c = w.mClass;
        if (c == kWClassFlame) {
            v *= r.mSpeedClass == kSpeedMedium ? 1.1f : (r.mSpeedClass == kSpeedUnencumbered ? 1.25f : 0.85f);
        } else if (c != 0) {
            if (r.mSpeedClass == kSpeedMedium) v *= 1.1f;
            if (r.mSpeedClass == kSpeedUnencumbered) v *= 1.15f;
        }
    } else {
        const MovementSpeedType pace = u->mMoveSpeed;
        const float speed = u->mPlaybackSpeed;
        SmallArmsType arms[kInfantryTeams];
        for (int32_t t = 0; t < kInfantryTeams; ++t) {
            arms[t] = u->mTeamSmallArms[t];
            if (t < r.mNrTeams) u->mTeamSmallArms[t] = ActualSmallArmType(r.mTeamSmallArms[t], mForce, false);
        }
        u->mMoveSpeed = 1;
        u->mPlaybackSpeed = 0.0f;
        MGPenetration mg = 0;
        float f = u->SmallArmsFirepower(112.0f, &mg, true, false) * 0.15f;
        if (mg == 3) f *= 1.3f;
        if (mg == 2) f *= 1.1f;
        if (mg == 1) f *= 1.05f;
        v += f;
        u->mMoveSpeed = pace;
        u->mPlaybackSpeed = speed;
        for (int32_t t = 0; t < kInfantryTeams; ++t)
            u->mTeamSmallArms[t] = arms[t];
        if (r.mIsSquad && GetAffiliation() == kAllies) {
            const int32_t date = gBattle ? gBattle->mDate : 0;
            if (date >= 4412)
                v += 4.0f;
            else if (date >= 4410)
                v += 3.0f;
            else if (date >= 4401)
                v += 2.0f;
            else if (date >= 4310)
                v += 1.0f;
        }
        if (IsTankHunter()) v += 6.0f;
        float ammo = static_cast<float>(r.mMaxAmmo < 25 ? 25 : (r.mMaxAmmo > 90 ? 90 : r.mMaxAmmo));
        v *= 0.776f + 0.00568f * ammo - 2.93e-05f * ammo * ammo;
        if (r.mSpeedClass == kSpeedHeavy) v *= 0.85f;
        if (r.mSpeedClass == kSpeedMedium) v *= 0.925f;
    }
    int32_t level = 0;
    if (IsLeader(&level)) v += static_cast<float>(level + 7);
    if (r.mUsesDemoCharge) v *= 1.15f;
    if (r.mSpeedClass >= kSpeedHeavy) {
        if (mFitness == 0) v *= 0.8f;
        if (mFitness == 1) v *= 0.9f;
    }
    if (mOnSkis) v *= 1.15f;
    delete fresh;
    return AdjustVPByEditor(v);
}

// What the squad's dead are worth to the enemy: its value as bought in the
// share of its men lost.
float Infantry::GetCasualtyVPLoss() {
    const int32_t full = GetOriginalNrMen();
    if (full <= 0 || mCasualties <= 0) return 0.0f;
    const float share = std::min(1.0f, static_cast<float>(mCasualties) / static_cast<float>(full));
    return GetVPValue(true, kKnowTruth) * share;
}
