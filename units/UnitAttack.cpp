// Attacks that are not a direct shot at a vehicle: bullets, indirect fire,
// canister and placed shells, with the error of a placed shell and the
// sounds the playback hears.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/UnitGeometry.h"

using namespace fire;

namespace {
constexpr float kDegToRad = 0.017453293f;
constexpr int32_t kSoundBulletWhiz = 8;
constexpr int32_t kSoundBulletStrike = 9;
constexpr int32_t kSoundIncoming = 25;
constexpr int32_t kSoundIncomingHeavy = 26;
constexpr VoiceType kVoiceIncomingMortar = 17;

float UniformDraw() {
    return static_cast<float>(RandomFraction());
}

// A sound the playback plays at a point some slices ahead, heard by both sides.
void QueuePointSound(Unit* source, int32_t delay, float x, float y, float z, int32_t number, int32_t kind) {
    ActionPacket* p = gBattle->CreateActionPacket(delay);
    p->mType = kPacketSound;
    p->mX = x, p->mY = y, p->mZ = z;
    p->mSource = source;
    p->mSoundNumber = number;
    p->mPriority = static_cast<int16_t>(kind);
    for (auto& point : p->mPoint) {
        point[0] = x, point[1] = y, point[2] = z;
    }
    p->mSoundFlags = 0x03;
}

// The strike sound base by the terrain the bullet strikes.
int32_t StrikeSoundOfTerrain(Terrain t) {
    if (t == kTerrainMarsh) {
        uint32_t pick = RandomPick(10);
        t = pick == 0   ? kTerrainScatteredTrees
            : pick <= 3 ? kTerrainGrainField
            : pick <= 6 ? kTerrainWater
                        : 0;
    }
    float chance = 0.0f;
    switch (t) {
    case 10:
    case 11:
    case 12:
    case 15:
        return 1100;
    case 41:
    case 43:
        return 1300;
    case 6:
        chance = 0.25f;
        break;
    case 7:
    case 20:
    case 23:
    case 24:
    case 30:
    case 33:
    case 34:
    case 46:
    case 47:
        chance = 0.5f;
        break;
    case 21:
    case 22:
    case 31:
    case 32:
    case 44:
        chance = 0.75f;
        break;
    default:
        return 1400;
    }
    return UniformDraw() < chance ? 1300 : 1400;
}

float ShapeQuantile(float q) {
    return std::pow(-std::log(1.0f - q), 1.6667f);
}

// A uniform fraction that is never exactly 0, for a logarithm.
float PositiveUniform() {
    return std::fmax(UniformDraw(), 1.0e-7f);
}

bool IsSpecialWeapon(WeaponType w) {
    return w >= kWeaponSpecialFirst && w <= kWeaponSpecialLast;
}
} // namespace

bool IsBulletStrikeVictim(Unit* u, const BulletStrikeQuery& q) {
    if (!u || !q.mFirer) return false;
    bool kind = u->mUnitType == kUnitVehicle ||
                (u->mUnitType == kUnitInfantry && gInfantryData[u->mSubtype].mMobility >= 4);
    if (!kind) return false;
    bool known = u->mContactLevel >= 3 && u->IsSpottedNow();
    if (!known) {
        BattleHost* host = gBattle ? gBattle->Host() : nullptr;
        known = host && host->HumanPlayers() == 1 && !IsComputerSide(u->GetAffiliation());
    }
    if (!known) return false;
    float dx = u->mX - q.mX, dy = u->mY - q.mY;
    if (std::fabs(dx) >= q.mRadius || std::fabs(dy) >= q.mRadius) return false;
    if ((0.02f + 0.98f * UniformDraw()) * q.mRadius * q.mRadius < dx * dx + dy * dy) return false;
    return q.mFirer->CanSee(u, nullptr);
}

void Unit::CalculatePlacedShellError(bool expected, bool secondTry, Unit* target, float x, float y, int32_t t,
                                     WeaponClass c, bool slowFlag, AmmoClass a, float* errX, float* errY) {
    float ex = 0.0f, ey = 0.0f;
    t = ConditionedFlightTime(t);
    const float s = static_cast<float>(t) * 0.025f;
    const bool airFirer = mUnitType == kUnitAirplane;
    const float bearing = GetHeadingFromXY(x - mX, y - mY);

    if (airFirer || (target && target->mUnitType == kUnitAirplane)) {
        float e = 0.03675f;
        float d;
        if (airFirer) {
            float jitter = static_cast<Airplane*>(this)->JitterFactor();
            d = (c == kWClassLightAT || c == kWClassGun ? 800.0f : 100.0f) * jitter;
            if (c == kWClassLightAT) e *= 4.0f;
            if (c == kWClassGun) e *= 10.0f;
        } else {
            d = DistanceToLocation(x, y);
            if (s > 0.5f)
                e = 0.03675f /
                    std::exp(-std::pow((std::fmin(s, 5.0f) - 0.5f) / FlightTimeTolerance(a), 1.2f));
        }
        e *= ExperienceToHitMultiplier();
        float u = expected ? 0.3f : airFirer ? 0.4f * UniformDraw() + 0.1f : 0.6f * UniformDraw();
        float length = std::tan(ShapeQuantile(u) * 5.58659f * e * kDegToRad) * d;
        float phi = expected ? 35.0f : 360.0f * UniformDraw();
        float k = phi <= 180.0f || airFirer ? 14.0f : 4.0f;
        float across = k * length * std::sin(phi * kDegToRad);
        float along = length * std::cos(phi * kDegToRad);
        float l = std::sqrt(along * along + across * across);
        float psi = l > 0.0f ? std::asin(std::clamp(across / l, -1.0f, 1.0f)) : 0.0f;
        if (phi > 90.0f && phi < 270.0f) psi = 3.14159265f - psi;
        if (phi > 180.0f) l = std::fmin(l, 0.5f * d);
        float angle = (bearing - 90.0f) * kDegToRad + psi;
        ex = l * std::cos(angle);
        ey = l * std::sin(angle);
    } else {
        float e = Night() ? 0.042f : 0.021f;
        float range = DistanceToLocation(x, y);
        if ((c == kWClassSpecial || c == kWClassAT) && GetZ() >= GroundHeightAt(x, y))
            range = std::hypot(x - mX, y - mY);
        if (c == kWClassGun || c == kWClassTwinGun || c == kWClassAT) {
            float g = (1.0f + std::fmin(s, 3.0f)) / FlightTimeTolerance(a);
            if (g > 1.0f) e *= g;
        } else if (c == kWClassFlame && s > 1.0f) {
            e *= s;
        }
        switch (c) {
        case kWClassMortar:
            e *= target && target->mUnitType == kUnitVehicle ? 11.0f : 9.0f;
            break;
        case kWClassLightAT:
        case kWClassAT:
            e *= 3.0f;
            break;
        case kWClassSpecial:
            e *= 0.4f;
            break;
        default:
            if (slowFlag) e *= 2.0f;
        }
        if (mUnitType == kUnitVehicle && c != kWClassFlame && (mPlaybackSpeed != 0.0f || mIsMoving)) {
            float v = std::fmax(40.0f * std::fabs(mPlaybackSpeed), 3.0f);
            e *= v * (s + 0.75f) * (s + 0.75f) * 0.8333f;
        }
        if (c != kWClassFlame && c != kWClassSpecial) {
            int32_t level = 0;
            if (target == mTarget || !target)
                level = LimitAcquisition(mTarget, c);
            else if (!target->mActive)
                level = 2;
            float f = RangeFactor(level);
            if (c == kWClassMortar) f = f * 0.5f + 0.5f;
            e *= f;
        }
        if (target) {
            float v = 0.0f;
            Map* map = gBattle ? gBattle->mMap : nullptr;
            if (!map || !map->CheckLOS(false, true, false, mX, mY, GetZ() + LOSBoost(), x, y,
                                       GroundHeightAt(x, y) + target->LOSBoost(), &v, nullptr, nullptr,
                                       nullptr, nullptr))
                v = 0.0f;
            e /= std::fmax(v, 0.3f);
        }
        e *= ExperienceToHitMultiplier();
        float u1 = expected ? 0.2f : 0.4f * UniformDraw();
        float u2 = expected ? 0.25f : 0.5f * UniformDraw();
        if (c == kWClassFlame || c == kWClassSpecial) {
            ex = u1 * u1 * e * 1000.0f;
            ey = u2 * u2 * e * 1000.0f;
            for (float* part : {&ex, &ey}) {
                if (*part > 0.5f * range)
                    *part = (expected ? 1.0f : 0.9f + 0.2f * UniformDraw()) * 0.5f * range;
                if (!expected && RandomCoin() != 0) *part = -*part;
            }
        } else {
            float deflection = std::clamp(ShapeQuantile(u1) * e * 5.58659f, -1.5f, 1.5f);
            float r = std::tan(std::fmin(e, 30.0f) * kDegToRad) * range * ShapeQuantile(u2) * 5.58659f;
            if (c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun || c == kWClassAT) r *= 2.5f;
            bool shortShot = !expected && !secondTry && RandomCoin() == 0;
            if (shortShot) {
                r = std::fmax(-6.0f * r, -(0.2f + 0.1f * UniformDraw()) * range);
            } else {
                float x30 = expected ? 15.0f : 30.0f * UniformDraw();
                r = std::fmin(8.0f * r, std::fmin(0.33f * range, 185.0f) + x30);
            }
            float side = expected || RandomCoin() == 0 ? 1.0f : -1.0f;
            float land = (bearing + side * deflection) * kDegToRad;
            ex = mX + (range + r) * std::cos(land) - x;
            ey = mY + (range + r) * std::sin(land) - y;
        }
        if (expected) {
            ex = std::fabs(ex);
            ey = std::fabs(ey);
        }
        if (target && target->mPlaybackSpeed != 0.0f && c != kWClassFlame) {
            float m = static_cast<float>(t) * std::fabs(target->mPlaybackSpeed);
            if (c != kWClassTwinGun) {
                m *= 2.0f;
                if (c == kWClassMortar) m *= 2.5f;
            }
            m = std::fmin(m, 0.4f * range);
            if (expected) {
                ex += 0.5f;
                ey += 0.5f;
            } else {
                ex += (2.0f * UniformDraw() - 1.0f) * m;
                ey += (2.0f * UniformDraw() - 1.0f) * m;
            }
        }
    }
    if (!std::isfinite(ex) || !std::isfinite(ey)) ex = ey = 0.0f;
    if (errX) *errX = ex;
    if (errY) *errY = ey;
}

PendingAttack* Unit::OtherAttack(ActionPacket* p, WeaponClass c, WeaponType w, MGPenetration m, AmmoClass a,
                                 int32_t t, int32_t delay, float x, float y, float z) {
    if (!gBattle) return nullptr;
    const bool airFirer = mUnitType == kUnitAirplane;
    const float originZ = GetZ();
    PendingAttack* attack = nullptr;
    for (int32_t pass = 0; pass < 2; ++pass) {
        const bool retry = pass == 1;
        gBattle->mFiringActivity[CounterIndex(this)] += 3000;
        if (p) {
            Vehicle* tv = AsVehicle(mTarget);
            bool shown = c == kWClassSmallArms || c == kWClassFlame || c == kWClassSniper;
            if (!shown && tv && !tv->mDugIn) shown = !(airFirer && (c == kWClassLightAT || c == kWClassGun));
            p->mShellHit = shown ? 1 : 0;
            if (c != kWClassSmallArms && c != kWClassFlame && c != kWClassSniper && c != kWClassAT)
                p->mBlast = BlastRadius(w, a);
        }
        if (!attack) attack = gBattle->CreatePendingAttack(this, mTarget, delay, IsAxis(), false);
        attack->mPacket = p;
        attack->mWeaponClass = c;
        attack->mWeaponType = w;
        attack->mAmmoClass = a;
        attack->mFromAircraft = airFirer;
        attack->mOriginX = mX, attack->mOriginY = mY, attack->mOriginZ = originZ;
        attack->mImpactX = x, attack->mImpactY = y, attack->mImpactZ = z;

        if (c == kWClassSmallArms || c == kWClassSniper) {
            float firepower = 0.0f;
            if (c == kWClassSmallArms) {
                float d = Distance3(mX, mY, originZ, x, y, z);
                MGPenetration pen = 0;
                firepower = SmallArmsFirepower(d, &pen, false, true);
                attack->mFirepower = firepower;
                attack->mHitValue = GetSmallArmsShift(d);
                attack->mHeavyMG = m == 3;
                attack->mAreaOrAircraft = mAreaTarget || airFirer;
                attack->mMGPenetration = pen;
            }
            int32_t length = 0;
            int32_t whizzes = c == kWClassSniper || RandomPick(100) < 67 ? 1 : 2;
            for (int32_t i = 0; i < whizzes; ++i) {
                length = BulletSoundEffectLengthClass(c == kWClassSniper ? 0.0f : firepower);
                QueuePointSound(this, static_cast<int32_t>(delay * (0.7f + 0.3f * i)), 0.2f * mX + 0.8f * x,
                                0.2f * mY + 0.8f * y, 0.2f * originZ + 0.8f * z + 1.0f,
                                1000 + 10 * length + RandomCoin(), kSoundBulletWhiz);
            }
            int32_t strikes = c == kWClassSniper || RandomPick(100) < 67 ? 1 : 2;
            for (int32_t i = 0; i < strikes; ++i) {
                float radius = std::clamp(0.6f * DistanceToLocation(x, y), 8.0f, 24.0f);
                float sx = x, sy = y;
                if (RandomCoin() == 0) {
                    sx = x + 20.0f * UniformDraw() - 10.0f;
                    sy = y + 20.0f * UniformDraw() - 10.0f;
                }
                Terrain ground = gBattle->mMap ? gBattle->mMap->GetTerrain(sx, sy, true) : TerrainAt(sx, sy);
                int32_t base;
                Vehicle* tv = AsVehicle(mTarget);
                if (tv && gVehicleData[tv->mSubtype].mKind == 6) {
                    base =
                        tv->GetVehicleDataRecord(kKnowTruth).mArmorPlates[0].mThickness > 100 ? 1600 : 1300;
                } else {
                    bool hard = (ground == kTerrainRubble && UniformDraw() < 0.2f) ||
                                (ground == 9 && UniformDraw() < 0.2f) ||
                                (ground >= kTerrainLightBuilding && ground <= 54 && UniformDraw() < 0.1f);
                    if (!hard && gBattle->mUnits) {
                        BulletStrikeQuery q{radius, sx, sy, this};
                        for (int32_t n = 0; n < gBattle->mUnits->GetCount() && !hard; ++n)
                            hard = IsBulletStrikeVictim(gBattle->mUnits->GetUnit(n), q);
                    }
                    base = hard ? 1100 : StrikeSoundOfTerrain(ground);
                }
                QueuePointSound(this, static_cast<int32_t>(delay * (1.0f + 0.3f * i)), sx, sy, z + 1.0f,
                                base + 10 * length + RandomCoin(), kSoundBulletStrike);
            }
            return attack;
        }

        if (c == kWClassIndirect) {
            const int32_t subKind = gWeaponData[w].mArtilleryMode;
            const int32_t quality = ArtilleryQuality(GetNation(), ScenarioDate());
            float scale;
            if (quality == 2)
                scale = subKind == 3 ? 3.5f : 1.08f;
            else if (quality == 3)
                scale = subKind == 3 ? 3.5f : 1.0f;
            else
                scale = subKind == 3 ? 4.0f : 1.25f;
            if (gFiringSpottingRound)
                scale += 1.5f;
            else if (mRoundPattern)
                scale += 0.75f;
            const bool wide = subKind == 3 || mRoundPattern || a == kAmmoSmoke;
            float e1 = 32.8f * scale * std::pow(-std::log(PositiveUniform()), 0.742f);
            if (RandomCoin() != 0) e1 = -e1;
            float e2 = (wide ? 32.8f : 9.184f) * scale * std::pow(-std::log(PositiveUniform()), 0.742f);
            if (RandomCoin() != 0) e2 = -e2;
            Direction edge = gBattle->HomeMapEdge(GetAffiliation());
            bool eastWest = edge == kDirEast || edge == kDirWest;
            attack->mMissX = eastWest ? e1 : e2;
            attack->mMissY = eastWest ? e2 : e1;
            attack->mImpactX = x + attack->mMissX;
            attack->mImpactY = y + attack->mMissY;
            attack->mImpactZ = gBattle->mMap
                                   ? gBattle->mMap->GetZWithBuilding(attack->mImpactX, attack->mImpactY)
                                   : GroundHeightAt(attack->mImpactX, attack->mImpactY);
            if (subKind == 1 && UniformDraw() < 0.75f) attack->mSecondBurst = true;
            static const float kWhistle[8] = {0, 0, 0, 1.431f, 1.788f, 3.193f, 1.091f, 0.761f};
            int32_t size = static_cast<int32_t>(gWeaponData[w].mCalibre);
            int32_t j = size < 84 ? 6 + RandomCoin() : 3 + static_cast<int32_t>(RandomPick(3));
            QueuePointSound(this, static_cast<int32_t>(static_cast<float>(delay) - 40.0f * kWhistle[j]),
                            attack->mImpactX, attack->mImpactY, 10.0f, 620 + j,
                            subKind == 3 ? kSoundIncomingHeavy : kSoundIncoming);
            AddSoundEffectExplosion(delay, w, a, attack->mImpactX, attack->mImpactY);
            return attack;
        }

        if (a == kAmmoCanister) {
            float size = gWeaponData[w].mCalibre;
            attack->mWeaponClass = kWClassSmallArms;
            attack->mFirepower = std::fmax(0.0f, 1.5f * (0.1292f * size * size - 2.49f * size - 7.246f));
            attack->mHitValue = 0;
            attack->mHeavyMG = false;
            attack->mAreaOrAircraft = false;
            return attack;
        }

        // A placed shell.
        const int32_t aimDelay = delay - t;
        float ex = 0.0f, ey = 0.0f;
        CalculatePlacedShellError(false, retry, mAreaTarget ? nullptr : mTarget, x, y, t, c,
                                  (gWeaponData[w].mFlags & 0x1) != 0, a, &ex, &ey);
        bool special = IsSpecialWeapon(w) || c == kWClassSpecial;
        if (w == 259 || w == 261 || w == 262 || w == 263) {
            ex *= 0.15f, ey *= 0.15f;
        } else if (w == 264) {
            ex *= 0.6f, ey *= 0.6f;
        } else if (w == 265) {
            ex = ey = 0.0f;
        }
        if (c == kWClassSpecial) attack->mHeavyMG = false;
        float ix = x + ex, iy = y + ey, iz = z;
        float aimReach = std::hypot(x - mX, y - mY);
        float f = aimReach > 0.0f ? std::pow(std::hypot(ix - mX, iy - mY) / aimReach, 1.1f) : 1.0f;
        ModifyFlightTime(f, p, attack, &t, &delay);

        if (((a == kAmmoSmoke || mAreaTarget) && !retry) || (airFirer && p && p->mLook == 2)) {
            float u1 = UniformDraw();
            float u2 = UniformDraw();
            float r = std::fmin(12.0f * std::fmax(u1, u2), 0.1f * Distance3(mX, mY, originZ, x, y, z));
            float dir = 360.0f * UniformDraw() * kDegToRad;
            float cx = ix + r * std::cos(dir), cy = iy + r * std::sin(dir);
            Map* map = gBattle->mMap;
            bool sameGround =
                a == kAmmoSmoke || (map && map->GetTerrain(cx, cy, false) == map->GetTerrain(x, y, false));
            float v = 0.0f;
            if (sameGround && map &&
                map->CheckLOS(false, true, false, mX, mY, originZ + LOSBoost(), cx, cy,
                              map->GetZCoord(cx, cy), &v, nullptr, nullptr, nullptr, nullptr) &&
                v > 0.0f) {
                ex += cx - ix, ey += cy - iy;
                ix = cx, iy = cy;
            }
        }
        attack->mMissX = ex, attack->mMissY = ey;
        attack->mImpactX = ix, attack->mImpactY = iy, attack->mImpactZ = iz;

        if (c == kWClassMortar || airFirer) {
            attack->mImpactZ =
                gBattle->mMap ? gBattle->mMap->GetZWithBuilding(ix, iy) : GroundHeightAt(ix, iy);
            if (c == kWClassMortar && IsInfantry(mTarget)) {
                int32_t men = GetOriginalNrMen() - mCasualties;
                float seconds = static_cast<float>(delay) / 40.0f;
                AddSoundEffectVoice(kVoiceIncomingMortar, 3 * men, seconds - 2.0f, seconds - 0.5f);
            }
        } else if (!special && !(mTarget && mTarget->mUnitType == kUnitAirplane) && gBattle->mMap) {
            float bx = ix, by = iy, bz = iz;
            float pathFactor = gBattle->mMap->CheckFlightPath(t, mX, mY, originZ, &bx, &by, &bz);
            if (pathFactor < 1.0f) {
                float gone = std::hypot(bx - mX, by - mY);
                bool gunClass =
                    c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun || c == kWClassAT;
                if (!retry && gunClass && gone < 25.0f && gone < 0.5f * aimReach) {
                    z += 0.9f; // fired again over the obstacle near the muzzle
                    continue;
                }
                // The shell bursts where its path is stopped, not on its target.
                if (p) {
                    p->mShellHit = 0;
                    p->mTarget = nullptr;
                    p->mEndX = bx, p->mEndY = by, p->mEndZ = bz;
                }
                attack->mImpactX = bx, attack->mImpactY = by, attack->mImpactZ = bz;
                ModifyFlightTime(pathFactor, p, attack, &t, &delay);
                attack->mMissX = attack->mMissY = 0.0f;
            }
        }
        if (c != kWClassFlame)
            AddSoundEffectExplosion(c == kWClassTwinGun ? 2 * t + aimDelay : delay, w, a, attack->mImpactX,
                                    attack->mImpactY);
        if (a == kAmmoSmoke && mAmmo[kAmmoSmoke] <= 3 &&
            std::hypot(attack->mImpactX - mAreaTargetX, attack->mImpactY - mAreaTargetY) <= 5.0f)
            CancelTarget(false, true);
        return attack;
    }
    return attack;
}
