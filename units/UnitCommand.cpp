// Command, target keeping and death: leader links and the experience they
// give, how long a target is held and how well it is ranged, whether the
// computer's unit fires, cover, and taking a unit out of play.

#include <algorithm>
#include <cmath>
#include <limits>

#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/LeaderLines.h"

using namespace fire;

namespace {
// Rows of the line texture: to the leader, to the platoon leader.
constexpr int32_t kHQLineColour = 26;
constexpr int32_t kPlatoonLineColour = 27;
constexpr VoiceType kVoiceTankBurning = 11;
constexpr VoiceType kVoiceTankKilled = 10;
constexpr VoiceType kVoiceTankHit = 12;

bool (*sLinesHidden)() = nullptr;

// The leader's skill 0..3 of a kind, from its four 2-bit skills.
int32_t Skill(const Unit* u, LeadershipType kind) {
    int32_t shift = kind == kLeadCommand ? 0 : kind == kLeadCombat ? 2 : kind == kLeadMorale ? 4 : 6;
    return (u->mLeaderSkills >> shift) & 0x3;
}

bool CommandsKinds(const Unit* u) {
    return u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle;
}

UnitList* BattleUnits() {
    return gBattle ? gBattle->mUnits : nullptr;
}

// Whether the nearest enemy lifts the count n of the unit to the hold
// needed (n below it by at most 160, at a whole second). Kept out of line:
// the callers mostly end before the scan.
[[gnu::noinline]] bool NearEnemyLifts(Unit* self, int32_t n, int32_t needed) {
    // An enemy d metres off in the plane, within 200 m, raises the count by
    // (1 - 0.005 d) x 160, rounded down with it: one farther than
    // (n + 160 - needed) / 0.8 m cannot lift it to the hold, so the scan for
    // the nearest enemy starts its best distance there.
    const float reach = std::min(200.0f, static_cast<float>(n + 160 - needed) * 1.25f + 1.0f);
    NearestUnitSearch search;
    search.mBest = reach;
    search.mX = self->mX;
    search.mY = self->mY;
    search.mSide = self->mSide;
    BattleUnits()->AnyOtherSideUnit(self, [&](Unit* u) { return Unit::NearestUnitOfSide(u, &search); });
    if (!(search.mBest < reach)) return false;
    return needed <= static_cast<int32_t>(static_cast<float>(n) + (1.0f - 0.005f * search.mBest) * 160.0f);
}

// The rest of the answer once the count may reach the shortest hold: the
// hold of the unit's kind and state, and a near enemy that lifts the count.
// Out of line: most questions end before it.
[[gnu::noinline]] bool HoldReached(Unit* u) {
    const bool far = u->mTarget && (u->mTarget->mActive || !u->mTargetDead) &&
                     std::hypot(u->mTarget->mX - u->mX, u->mTarget->mY - u->mY) > 60.0f;
    int32_t hold;
    if (Vehicle* self = AsVehicle(u)) {
        if ((!u->HasHeavyWeapon(kKnowTruth) || self->mMainGunOut) && !self->HasFunctioningMG(true))
            return false;
        if (!self->mButtoned || self->IsFixed())
            hold = far ? 7 : 3;
        else if (gVehicleData[u->mSubtype].mGoodVision == 0)
            hold = far ? 11 : 9;
        else
            hold = far ? 10 : 6;
        if (u->mTarget && self->NrMenInTurret() < 3) hold *= 2;
    } else if (IsInfantry(u)) {
        WeaponClass heavy = gWeaponData[InfantryRecord(u).mHeavyWeapon].mClass;
        if (u->HasHeavyWeapon(kKnowTruth) && (heavy == kWClassMortar || heavy == kWClassIndirect))
            hold = far ? 12 : 6;
        else
            hold = far ? 6 : 3;
    } else {
        return false;
    }
    const int32_t needed = (hold + 2) * 40;
    const int32_t n = u->mAlertCount;
    if (needed <= n) return true;
    // A near enemy raises the count by more than 0 and at most 160 (an
    // enemy at 0 m), so the enemies are looked for only where that decides.
    if (n % 40 != 0 || n + 160 < needed || !BattleUnits()) return false;
    return NearEnemyLifts(u, n, needed);
}
} // namespace

void SetLeaderLinesHidden(bool (*hidden)()) {
    sLinesHidden = hidden;
}
bool LeaderLinesHidden() {
    return sLinesHidden && sLinesHidden();
}
bool LeaderLinesRuleSet() {
    return sLinesHidden != nullptr;
}

ExperienceLevel Unit::GetEffectiveExperience(LeadershipType kind) {
    ExperienceLevel e = BaseExperience();
    if (!CommandsKinds(this)) return e;
    int32_t level = 0;
    if (IsLeader(&level)) {
        int32_t s = Skill(this, kind);
        e += kind == kLeadMorale ? 2 * s + 1 : kind == kLeadCombat ? s : s + 1;
    } else if (mHQ && mHQ->mActive && mHQ->InGoodOrder()) {
        int32_t s = Skill(mHQ, kind);
        if (kind == kLeadCombat) {
            bool sees = mTarget ? mHQ->CanSee(mTarget, nullptr)
                                : mAreaTarget && mHQ->CanSeeLocation(mAreaTargetX, mAreaTargetY);
            if (s != 0 && sees) e += s;
        } else {
            e += s + 1;
        }
    } else if (kind == kLeadCommand) {
        if (IsSniper()) ++e;
        if (Vehicle* v = AsVehicle(this); v && !v->HasVehicleRadio()) --e;
    }
    return std::clamp(e, 0, kExperienceMaxEffective);
}

void Unit::CheckLeadership() {
    if (!CommandsKinds(this)) return;
    Vehicle* self = AsVehicle(this);
    int32_t ownLevel = 0;
    if (IsLeader(&ownLevel)) {
        WeaponType w = kWeaponNone;
        WeaponClass c = 0;
        GetWeaponInfo(&w, &c, kKnowTruth);
        if (!(self && c == kWClassMortar)) return;
    }
    int32_t mode;
    if (self)
        mode = !mPlatoonHQ ? 0 : self->HasVehicleRadio() ? 3 : 2;
    else
        mode = GetPlatoonHQ() ? 1 : 0;
    Unit* best = nullptr;
    UnitList* units = BattleUnits();
    const bool search = !(self && self->mButtoned && !self->HasVehicleRadio());
    if (search && !mSurrendered && units) {
        float bestDistance = std::numeric_limits<float>::max();
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* c = units->GetUnit(i);
            int32_t level = 0;
            if (!c || c == this || !c->mActive || c->mSide != mSide || !c->IsLeader(&level) ||
                !c->InGoodOrder())
                continue;
            if (mode <= 1 && (c->mUnitType != kUnitInfantry || (mode == 1 && level == 1 && c != mPlatoonHQ)))
                continue;
            if (mode >= 2 && c != mPlatoonHQ) continue;
            float d = Distance3(mX, mY, GetZ(), c->mX, c->mY, c->GetZ());
            float reach = LeaderRange(Skill(c, kLeadCommand), c->BaseExperience());
            if (mode <= 1 && (d > reach || (d > 0.5f * reach && !c->CanSee(this, nullptr)))) continue;
            if (mode == 2) {
                Vehicle* cv = AsVehicle(c);
                if ((cv && cv->mButtoned) || d > 5.0f * reach || !c->CanSee(this, nullptr)) continue;
            }
            if (mode == 3 && d > 8.0f * reach) continue;
            if (c == mPlatoonHQ) {
                best = c;
                break;
            }
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
    }
    if (best != mHQ) {
        mHQ = best;
        if (best && mCoveredArc) mArcFlag = true;
        mPacketDirty = true;
    }
}

bool Unit::InLeadership() {
    int32_t level = 0;
    return !CommandsKinds(this) || mHQ != nullptr || IsLeader(&level);
}

Unit* Unit::PlatoonSubordinate(bool alive) {
    int32_t level = 0;
    if (!IsLeader(&level) || level != 1) return nullptr;
    const ScenarioCore* scenario = Scenario();
    UnitList* units = scenario ? scenario->mUnits : nullptr;
    if (!units) return nullptr;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u && u->mPlatoonHQ == this && (!alive || (u->mActive && !u->mSurrendered))) return u;
    }
    return nullptr;
}

void Unit::DrawHQLines() {
    if (LeaderLinesHidden() || !mActive || mSurrendered || !CommandsKinds(this)) return;
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    // A line that follows the ground, in the colour row of the link.
    auto draw = [&](int32_t colour, Unit* to) {
        if (!map->OnMap(mX, mY) || !map->OnMap(to->mX, to->mY)) return;
        map->SetConformingLineTexture(colour);
        map->DrawConforming3DLine(true, false, mX, mY, GetZ(), to->mX, to->mY, to->GetZ());
    };
    int32_t level = 0;
    if (mHQ) {
        draw(kHQLineColour, mHQ);
    } else if (mPlatoonHQ) {
        draw(kPlatoonLineColour, mPlatoonHQ);
    } else if (IsLeader(&level) && BattleUnits()) {
        UnitList* units = BattleUnits();
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (!u || u == this) continue;
            if (u->mHQ == this)
                draw(kHQLineColour, u);
            else if (u->mPlatoonHQ == this)
                draw(kPlatoonLineColour, u);
        }
    }
}

void Unit::ResetTargetSliceCount() {
    int32_t e = BaseExperience();
    int32_t k = e < 3 ? 2 * e : e + 2;
    mAlertCount = static_cast<int16_t>(RandomPick(static_cast<uint32_t>(40 * k + 1)));
}

bool Unit::CanChangeTarget() {
    if (mAimPause != 0.0f) return false;
    Vehicle* targetVehicle = AsVehicle(mTarget);
    if (targetVehicle && targetVehicle->mBurning) return true;
    // The shortest hold is 3 s (a count of 200 slices): below it the answer
    // is no unless a near enemy could still lift the count to the hold,
    // which is looked at only at a whole second from 40 on.
    constexpr int32_t kLeastNeeded = (3 + 2) * 40;
    if (mAlertCount < kLeastNeeded && (mAlertCount % 40 != 0 || mAlertCount + 160 < kLeastNeeded))
        return false;
    return HoldReached(this);
}

int32_t Unit::LimitAcquisition(Unit* target, WeaponClass c) {
    const int32_t a = mAcquisition;
    Vehicle* self = AsVehicle(this);
    const bool stabilised = self && (gVehicleData[mSubtype].mFlags & kVGyroStabilised);
    const bool moving = mPlaybackSpeed != 0.0f || mIsMoving;
    const float targetSpeed = target ? std::fabs(target->mPlaybackSpeed) : 0.0f;
    int32_t r;
    if (moving && !stabilised)
        r = 0;
    else if (c == kWClassLightAT || c == kWClassAT)
        r = std::min(a, 1);
    else if (IsInfantry(this) && (InfantryRecord(this).mFlags & kILightGun))
        r = 1;
    else if (c == kWClassMortar && targetSpeed != 0.0f)
        r = std::min(a, targetSpeed <= 0.1f ? 2 : 1);
    else if (moving)
        r = std::min(a, 2);
    else if (targetSpeed > 0.1f && !IsInfantry(target))
        r = std::min(a, 2);
    else if (targetSpeed == 0.0f)
        r = target && !target->mActive ? std::max(a, 2) : a;
    else
        r = std::min(a, 3);
    if (r < 4 && (c == kWClassGun || c == kWClassTwinGun || c == kWClassMortar) && !mExiting && target &&
        IsNearBoresight())
        r = 4;
    if (r < 1 && self && self->IsFixed()) r = 1;
    return std::clamp(r, 0, 4);
}

bool Unit::AIWantsToFire(AmmoClass* out) {
    AmmoClass ammo = ChooseAmmo(mTarget, true);
    if (out) *out = ammo;
    if (ammo == kAmmoNone) {
        // Smoke asked for and none left, or a locked point with nothing to
        // fire: the area fire ends.
        if (mAreaFireFlag || (mAreaTarget && mTargetLocked)) {
            mAreaFireFlag = false;
            mAreaTarget = false;
            mTargetLocked = false;
            gPacket = true;
        }
        return false;
    }
    WeaponType w = kWeaponNone;
    WeaponClass c = 0;
    GetWeaponInfo(&w, &c, kKnowTruth);
    const bool observer = IsInfantry(this) && c == kWClassIndirect;
    float ax, ay;
    if (mTarget) {
        if (!mTarget->mActive && !mTargetDead) return false;
        float d = Distance3(mX, mY, GetZ(), mTarget->mX, mTarget->mY, mTarget->GetZ());
        if (!mTarget->IsSpottedNow() || !CanSee(mTarget, nullptr) || !InRange(d, true, 1.0f) ||
            mTarget->mSurrendered)
            return false;
        Terrain here = GetOccupiedTerrain();
        if (LATWInBuilding() && here >= kTerrainLightBuilding && here <= 54) return false;
        ax = mTarget->mX, ay = mTarget->mY;
    } else {
        if (!mAreaTarget) return false;
        ax = mAreaTargetX, ay = mAreaTargetY;
        if (!observer &&
            !(CanSeeLocationForAreaFire(ax, ay) && InRange(DistanceToLocation(ax, ay), true, 1.0f))) {
            const bool ignoring = gIgnoreTempSmokeForLOS;
            gIgnoreTempSmokeForLOS = true;
            bool keep = mNrWaypoints >= 2 || (mNrWaypoints == 1 && mWaypoints[0].mOrder != kPaceRotate) ||
                        CanSeeLocationForAreaFire(ax, ay);
            gIgnoreTempSmokeForLOS = ignoring;
            if (keep)
                mAimTime += 1.0f;
            else
                CancelTarget(false, true);
            return false;
        }
    }
    // Danger close: no high explosive where own soft units stand.
    if (!mHastyFire && (ammo == kAmmoHE || ammo == kAmmoHE75) && HasHeavyWeapon(kKnowTruth) && !observer &&
        c != kWClassFlame && BattleUnits()) {
        UnitList* units = BattleUnits();
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (!u || u == this || u->mSide != mSide || !u->mActive || u->mSurrendered || !CommandsKinds(u) ||
                u->IsArmoredVehicle(kKnowTruth, false))
                continue;
            float dx = u->mX - ax, dy = u->mY - ay;
            if (std::fabs(dx) <= 20.0f && std::fabs(dy) <= 20.0f && dx * dx + dy * dy <= 400.0f) return false;
        }
    }
    return true;
}

bool Unit::TacAICanSee(Unit* target) {
    return CanSee(target, nullptr);
}

bool Unit::InCover(bool strict) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    return map && map->IsCover(GetOccupiedTerrain(), strict);
}

bool Unit::InComplexCover(bool strict, bool useTEM, float x, float y) {
    if (InCover(strict)) return true;
    return useTEM &&
           GetTEMFromLocation(x, y, GroundHeightAt(x, y), false, false, false, 0, false, nullptr) < 0.47f;
}

float Unit::GetTargetXYZ_helper() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    return map ? map->GetZWithBuilding(mAreaTargetX, mAreaTargetY)
               : GroundHeightAt(mAreaTargetX, mAreaTargetY);
}

bool Unit::CanShowStopHideButton() {
    return mHiding || (mNrWaypoints > 0 && mWaypoints[mNrWaypoints - 1].mHide);
}

void Unit::Die() {
    if (!mActive) return;
    mActive = false;
    mTarget = nullptr;
    WeaponType w = kWeaponNone;
    WeaponClass c = 0;
    GetWeaponInfo(&w, &c, kKnowTruth);
    // An observer's fire mission goes on after it falls, unless it had
    // changed target and the mission was not yet live.
    bool keepsMission = IsInfantry(this) && c == kWClassIndirect && !(mTargetChanged && !mMissionLive);
    if (!keepsMission) mAreaTarget = false;
    mNrWaypoints = 0;
    mHiding = false;
    mHidden = false;
    mPacketDirty = true;
    mSpotMarker = false;
    mSpotMarkerGone = false;
    mGunElevationGoal = mGunElevation;
    if (mContactLevel == kContactHeard) mContactLevel = kContactNone;
    mCasualties = GetOriginalNrMen();
    gPacket = true;
}

bool Unit::HasFunctioningWeapon() {
    if (!mActive) return false;
    for (AmmoClass k = kAmmoHE; k <= kAmmoAP75; ++k)
        if (mAmmo[k] > 0) return true;
    return false;
}

void Unit::ShoutTankHit(Vehicle* hit, bool penetrated) {
    if (!hit || !hit->IsSpottedNow() || !mActive) return;
    Vehicle* self = AsVehicle(this);
    bool canShout = IsInfantry(this) || (self && (!self->mButtoned || self->OpenTopStatus() > 0));
    if (!canShout) return;
    VoiceType voice = hit->mBurning                 ? kVoiceTankBurning
                      : penetrated || !hit->mActive ? kVoiceTankKilled
                                                    : kVoiceTankHit;
    AddSoundEffectVoice(voice, 70, 0.5f, 1.5f);
}

float Unit::GetRoughAbilityToDamage(GString* text, AmmoClass ammo, Vehicle* v) {
    float result = 0.0f;
    if (v) {
        WeaponType w = kWeaponNone;
        WeaponClass c = 0;
        MGPenetration mg = GetWeaponInfo(&w, &c, kKnowTruth);
        const float d = Distance3(mX, mY, GetZ(), v->mX, v->mY, v->GetZ());
        const bool fixed = v->IsFixed();
        const bool hullDown = v->HullDownTo(this);
        constexpr int32_t kMaxAreas = 16;
        float armour[kMaxAreas] = {}, share[kMaxAreas] = {}, ratio[kMaxAreas] = {}, pen[kMaxAreas] = {};
        int32_t aspect[kMaxAreas] = {};
        bool face[kMaxAreas] = {};
        int32_t n = 0;
        float chance = 0.0f;
        if (fixed)
            chance = IsInfantry(this) && c == kWClassIndirect
                         ? 0.25f
                         : GetHitChance(ChooseAmmo(v, true), 0, v, kKnowTruth, 0);
        v->AISetArmorValues(kKnowTruth, this, false, chance, fixed ? false : hullDown, armour, aspect, face,
                            share, ratio, &n, gWeaponData[w].mCalibre);
        n = std::clamp(n, 0, kMaxAreas);
        float sum = 0.0f;
        for (int32_t i = n - 1; i >= 0; --i) {
            if (share[i] == 0.0f) continue;
            float kill = 1.0f;
            if (w == kWeaponNone) {
                pen[i] = GetSmallArmsPenetration(mg, d, face[i], aspect[i], ratio[i]);
            } else {
                pen[i] = GetPenetration(false, d, w, ammo, face[i], aspect[i], ratio[i], nullptr, nullptr,
                                        nullptr);
                float q = armour[i] == 0.0f ? 999.0f : (fixed ? 1.0f : 1.1f) * pen[i] / armour[i];
                kill = 0.13636f + 0.86364f * v->GetBasicKill(w, c, ammo, q, 0.0f);
            }
            const float credit = kill * share[i];
            const float p = pen[i], a = armour[i];
            if (fixed) {
                sum += 0.95f * p >= a   ? credit
                       : p >= a         ? 0.75f * credit
                       : 1.05f * p >= a ? 0.25f * credit
                                        : 0.0f;
            } else {
                static const float kBand[10] = {1.15f, 1.1f,   1.05f, 1.0f,  0.975f,
                                                0.95f, 0.925f, 0.9f,  0.85f, 0.82f};
                static const float kPart[10] = {1.0f, 0.95f, 0.85f,  0.625f, 0.42f,
                                                0.3f, 0.2f,  0.125f, 0.04f,  0.01f};
                for (int32_t b = 0; b < 10; ++b) {
                    if (p >= kBand[b] * a) {
                        sum += kPart[b] * credit;
                        break;
                    }
                }
            }
        }
        // A shot trap seen from the front: hits glance down into the hull.
        if (!fixed && n > 0 && (gVehicleData[v->mSubtype].mFlags & kVShotTrap) && share[0] > 0.0f &&
            v->AspectTo(this, false, true) < 90.0f && pen[0] > 0.5f * armour[0])
            sum = (sum + 0.12f * share[0]) / (1.0f + 0.12f * share[0]);
        float cycle = FullLoadTime(false, true) + FullAimTime(false, true);
        if (cycle > 0.0f) {
            float rate = 60.0f / cycle * 0.2f;
            if (rate > 1.0f) sum *= rate;
        }
        result = sum * 100.49f;
    }
    if (text) {
        static const float kRatings[8] = {90.0f, 70.0f, 50.0f, 33.0f, 23.0f, 12.0f, 5.0f, 0.5f};
        int32_t id = 1349;
        for (int32_t i = 0; i < 8; ++i) {
            if (result >= kRatings[i]) {
                id = 1341 + i;
                break;
            }
        }
        text->IStringRez(1340);
        text->ConcatRez(id);
    }
    return result;
}
