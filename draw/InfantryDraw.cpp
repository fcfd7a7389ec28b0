// A squad on the battlefield: its one to three men placed in their ring, in
// the uniform the viewer sees, each at the level of detail of his distance,
// standing on his own ground with a soft shadow when near.
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "draw/WeaponDraw.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace {

constexpr float kRadians = 3.14159265358979f / 180.0f;
constexpr int32_t kInteractionRiding = 4; // the state in which riders inside are not picked

// The pose values of one man, in the order the animation tables keep them.
FigurePose PoseOf(const Infantry& u, int32_t i) {
    auto v = [&](int32_t k) { return u.mFigurePos[k][i]; };
    FigurePose p;
    p.leftHipRoll = v(0), p.rightHipRoll = v(1), p.leftHipPitch = v(2), p.leftKnee = v(3);
    p.rightHipPitch = v(4), p.rightKnee = v(5);
    p.leftShoulderY = v(6), p.leftShoulderX = v(7), p.leftShoulderZ = v(8), p.leftElbow = v(9);
    p.rightShoulderY = v(10), p.rightShoulderX = v(11), p.rightShoulderZ = v(12), p.rightElbow = v(13);
    p.headTurn = v(17), p.bodyHeight = v(18), p.bodyPitch = v(19), p.bodyForward = v(20);
    return p;
}

// Ground where a man stands may show his shadow; elsewhere (water, buildings,
// rubble...) it may not.
bool ShadowGround(Terrain t) {
    return (t >= 0 && t <= 8) || (t >= 10 && t <= 12) || (t >= 19 && t <= 25) || (t >= 27 && t <= 36) ||
           (t >= 38 && t <= 40) || (t >= 46 && t <= 49);
}

bool TallGrass(Terrain t) {
    return t == 4 || (t >= 19 && t <= 25) || (t >= 30 && t <= 34) || t == 46 || t == 47;
}

// The uniform entry's headgear and legwear for the period of the battle's date.
void UniformKinds(Uniform uniform, int32_t rankSlot) {
    const UniformGraphics& g = gUniformGraphics[uniform];
    const int32_t date = gBattle ? gBattle->mDate : 0;
    int32_t period = 0;
    while (period < 2 && g.mVariantDates[period] != 0 && date > g.mVariantDates[period])
        ++period;
    const int32_t entry = (rankSlot + 4 * period) * kUniformEntry;
    gFigureStatics.headgearKind = g.mTextureNumbers[entry + 6];
    gFigureStatics.legwearKind = g.mTextureNumbers[entry + 7];
}

} // namespace

void Infantry::DrawCode(bool needsClip, float scale, float factor) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    if (d3::PickPass() && CurrentDrawSettings().mState == kInteractionRiding && IsPassenger(true)) return;
    const bool passenger = IsPassenger(false);
    const int32_t group = GetAnimationGroup(0);
    // A towed gun's crew rides unseen; its gun is drawn all the same.
    const bool towed = mTransport && HasTowedOrdnance();

    // The unit's frame: the rules give the scale, the drawing applies it.
    d3::Push();
    if (scale > 0.0f) {
        // A rider on its carrier is already turned with it.
        if (passenger && !RidesInCarrierFrame(this)) d3::RotateZ(mHeading - 90.0f);
        d3::Scale(scale, scale, scale);
    }
    bool detail = gAllowFaceSet && factor > 0.0065f && !passenger;
    const FogOfWarContact contact = VisibleToPlayer(false);
    const bool known = contact >= 4;

    // Uniform, texture set and rank.
    FigureStatics& s = gFigureStatics;
    const bool crewFlags[2] = {s.crewNoLegs, s.crewTorsoOnly};
    s = FigureStatics{};
    s.crewNoLegs = crewFlags[0], s.crewTorsoOnly = crewFlags[1];
    int32_t set = 0;
    if (known || !gAllowFaceSet) {
        int32_t kind = 0;
        const int32_t slot =
            IsLeader(&kind) ? (kind == 1 ? 2 : 3) : (gInfantryData[mSubtype].mIsSquad != 0 ? 0 : 1);
        UniformKinds(mUniform, slot);
    } else {
        set = 1;
        UniformKinds(gForceTypeChart[mForce].mUniformRecord, 0);
    }
    for (int32_t k = 0; k < 6; ++k)
        s.slots[k] = mTextureSets[set][k + 1];
    s.onSkis = mActive && mOnSkis;
    s.surrendered = mSurrendered;

    // A known gun's crew stands at the gun's crew point, lifted onto a raised
    // mount while it serves the gun.
    float gunScale = 1.0f;
    const OrdnanceModel gunModel = known && !towed ? GetOrdnanceModel(&gunScale) : kGenericGunModel;
    const bool hasGun =
        gunModel != kGenericGunModel && gunModel >= 0 && gunModel < gOrdnanceModelData.Count();
    if (hasGun) {
        const OrdnanceModelData& om = gOrdnanceModelData[gunModel];
        d3::Push();
        float dz = 0.0f;
        if ((group == 10 || group == 17) && (mAnimation[0] == 2 || mAnimation[0] == 4)) {
            dz = (72.0f + om.mCrewHeight) * gunScale - 72.0f;
            detail = false;
        }
        if (!mTransport) d3::RotateZ(mHeading - 90.0f);
        d3::Translate(om.mCrewX * gunScale, om.mCrewY * gunScale, dz);
    }

    // Ground: tall grass hides the feet, a foxhole lowers the men.
    float sink = 0.0f, grass = 0.0f, shadowOpacity = 0.0f;
    if (detail) {
        const Terrain terrain = GetOccupiedTerrain();
        if (!ShadowGround(terrain)) {
            detail = false;
        } else {
            grass = TallGrass(terrain) ? map->GetGap(mX, mY) * 0.5f : 0.0f;
            sink = grass;
            const int32_t w = gBattle->mWeather;
            shadowOpacity = 1.35f * (w == 0 ? 0.2f : (w == 1 || w == 2 || w == 6) ? 0.1f : 0.05f);
        }
        if ((terrain >= 5 && terrain <= 8) || WillDigFoxhole()) sink += 10.0f;
    }

    Infantry* const outer = gWeaponStatics.unit;
    gWeaponStatics.unit = this;
    gWeaponStatics.weaponCode = kWeaponDrawNone;
    // Without the third man a crew of three shows two.
    const bool thirdMan = CurrentDrawSettings().mThirdMan;
    int32_t n = towed ? 0 : GetNrFigures();
    if (n >= 3 && !thirdMan) n = 2;
    const float unit = scale > 0.0f ? scale : 1.0f;
    const FigureDetail level = FigureDetailFor(factor);
    for (int32_t i = n - 1; i >= 0; --i) {
        if (i >= kInfantryFigures) continue;
        if (gAllowFaceSet) {
            const int32_t face = mFaceIndex[i];
            gFaceTextureIndex = face >= 0 && face <= 13 ? face : 2;
        }
        s.face = map->mSpecialPriorityTextures[gFaceTextureIndex];
        d3::Push();
        float px = mX, py = mY;
        if (n > 1) {
            static constexpr float kRings[2][3] = {{90.0f, -90.0f, 0.0f}, {0.0f, 120.0f, -120.0f}};
            const float* ring = kRings[thirdMan ? 1 : 0];
            float dx, dy;
            if (passenger) {
                const float a = (ring[i] - 150.0f) * kRadians;
                dx = 0.384f * std::cos(a), dy = 0.384f * std::sin(a);
            } else {
                const float a = (ring[i] + mRandomHeading) * kRadians;
                dx = 1.2f * std::cos(a) + mJitterA[i][0], dy = 1.2f * std::sin(a) + mJitterA[i][1];
            }
            d3::Translate(dx / unit, dy / unit, 0.0f);
            px += dx, py += dy;
            if (detail) d3::Translate(0.0f, 0.0f, (map->GetZCoord(px, py) - GetZ()) / unit);
            const float k = mFigureScale[i];
            d3::Scale(k, k, k);
        }
        if (scale > 0.0f && !hasGun && !passenger) d3::RotateZ(mHeading - 90.0f);
        d3::Push();
        if (sink != 0.0f) d3::Translate(0.0f, 0.0f, sink);
        const FigurePose pose = PoseOf(*this, i);
        DrawSoldier(level, pose, i, needsClip);
        d3::Pop();
        if (detail) {
            d3::Texture(map->mGroundEdgeTextures[0]);
            d3::Translate(0.0f, pose.bodyForward, 0.0f);
            const float hips = 0.27f * (std::fabs(pose.rightHipPitch) + std::fabs(pose.leftHipPitch));
            const float L = std::fabs(pose.bodyPitch) > hips ? std::fabs(pose.bodyPitch) : hips;
            d3::Scale(1.0f - 0.0015f * L, 1.16f + 0.0232f * L, 1.0f);
            d3::SetOpacity(shadowOpacity);
            const float g = map->GetZCoord(px, py) - grass;
            const float b = (mHeading - 45.0f) * kRadians, c = 0.6f * std::cos(b), sn = 0.6f * std::sin(b);
            const float h1 = (map->GetZCoord(px + c, py + sn) - g) / unit;
            const float h2 = (map->GetZCoord(px + sn, py - c) - g) / unit;
            const float h3 = (map->GetZCoord(px - c, py - sn) - g) / unit;
            const float h4 = (map->GetZCoord(px - sn, py + c) - g) / unit;
            const float q[20] = {25.0f,  25.0f,  h1, 1.0f, 1.0f, 25.0f,  -25.0f, h2, 1.0f, 0.0f,
                                 -25.0f, -25.0f, h3, 0.0f, 0.0f, -25.0f, 25.0f,  h4, 0.0f, 1.0f};
            d3::TexturedQuad(q);
            d3::SetOpacity(1.0f);
        }
        d3::Pop();
    }
    if (hasGun) d3::Pop();
    gDrawLOD = factor < 0.0038f;
    DrawSquadWeapons(*this);
    gDrawLOD = false;
    gWeaponStatics.unit = outer;
    d3::Pop();
    s.crewNoLegs = s.crewTorsoOnly = false;
    gWeaponStatics.crewHandObject = false;
}
