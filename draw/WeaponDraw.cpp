// The weapons of the infantry: in the hands, set down, served.
#include "draw/WeaponDraw.h"

#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "map/Map.h"
#include "renderer/G3DObject.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"

WeaponStatics gWeaponStatics;

namespace {

constexpr int32_t kPoseWeaponYaw = 14, kPoseWeaponPitch = 15, kPoseWeaponTurn = 16;
constexpr float kPi = 3.14159265358979f;

// ---- authored shapes of the stated primitive counts ----------------------------

// Three faces of a box as one strip of six triangles.
void BoxStrip(bool clip, float x0, float x1, float y0, float y1, float z0, float z1) {
    const float v[24] = {x0, y0, z0, x0, y0, z1, x1, y0, z0, x1, y0, z1,
                         x1, y1, z0, x1, y1, z1, x0, y1, z0, x0, y1, z1};
    d3::Strip(clip, 6, v);
}

// A tube of radius r along y as a strip of 2 (sides) triangles.
void TubeStrip(bool clip, int32_t n, float r, float y0, float y1, float cx = 0.0f, float cz = 0.0f) {
    float v[3 * 16];
    const int32_t sides = n / 2;
    for (int32_t i = 0; i <= sides && 2 * i + 1 < 16; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(sides);
        const float x = cx + r * std::cos(a), z = cz + r * std::sin(a);
        float* p = v + 6 * i;
        p[0] = x, p[1] = y0, p[2] = z, p[3] = x, p[4] = y1, p[5] = z;
    }
    d3::Strip(clip, n, v);
}

// A flat disc fan of n triangles across y at y0.
void DiscFan(bool clip, int32_t n, float r, float y0, float cx = 0.0f, float cz = 0.0f) {
    float v[3 * 16];
    v[0] = cx, v[1] = y0, v[2] = cz;
    for (int32_t i = 0; i <= n && i < 15; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(n);
        v[3 + 3 * i] = cx + r * std::cos(a), v[4 + 3 * i] = y0, v[5 + 3 * i] = cz + r * std::sin(a);
    }
    d3::Fan(clip, n, v);
}

// A textured fan of n triangles (the wheel faces).
void TexturedDisc(bool clip, int32_t n, float r, float x0) {
    float v[3 * 16], uv[2 * 16];
    v[0] = x0, v[1] = 0.0f, v[2] = 0.0f, uv[0] = 0.5f, uv[1] = 0.5f;
    for (int32_t i = 0; i <= n && i < 15; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(n);
        v[3 + 3 * i] = x0, v[4 + 3 * i] = r * std::cos(a), v[5 + 3 * i] = r * std::sin(a);
        uv[2 + 2 * i] = 0.5f + 0.49f * std::cos(a), uv[3 + 2 * i] = 0.5f + 0.49f * std::sin(a);
    }
    d3::TextureFan(clip, n, v, uv);
}

// A quad in the plane x = x0 from (y0, z0) to (y1, z1), texture 0.01..0.99;
// `back` winds it for the other face.
void SideQuad(float x0, float y0, float y1, float z0, float z1, bool back) {
    float q[20] = {x0, y0, z0, 0.01f, 0.01f, x0, y1, z0, 0.99f, 0.01f,
                   x0, y1, z1, 0.99f, 0.99f, x0, y0, z1, 0.01f, 0.99f};
    if (back) {
        for (int32_t k = 0; k < 5; ++k) {
            const float t = q[5 + k];
            q[5 + k] = q[15 + k];
            q[15 + k] = t;
        }
    }
    d3::TexturedQuad(q);
}

// A flat quad at height y from (x0, z0) to (x1, z1).
void FlatQuad(float y, float x0, float x1, float z0, float z1) {
    const float q[20] = {x0, y, z0, 0.01f, 0.01f, x1, y, z0, 0.99f, 0.01f,
                         x1, y, z1, 0.99f, 0.99f, x0, y, z1, 0.01f, 0.99f};
    d3::TexturedQuad(q);
}

void Box(float x0, float x1, float y0, float y1, float z0, float z1) {
    d3::Quad(x0, y0, z1, x1, y0, z1, x1, y1, z1, x0, y1, z1);
}

GGraphic* ArmTexture(int32_t arm, int32_t k) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !gSmallArmsData.Has(arm)) return nullptr;
    const int32_t slot = gSmallArmsData[arm].mTextures[k];
    return slot >= 0 && slot < 48 ? map->mSmallArmsTextures[slot] : nullptr;
}

void WeaponAngles(const Infantry& u, int32_t slot) {
    if (slot < 0 || slot >= kInfantryFigures) slot = 0;
    const float yaw = u.mFigurePos[kPoseWeaponYaw][slot], pitch = u.mFigurePos[kPoseWeaponPitch][slot];
    // RotateZX(yaw, pitch), then the turn in the hand.
    d3::RotateZ(yaw);
    d3::RotateX(pitch);
    d3::RotateZ(u.mFigurePos[kPoseWeaponTurn][slot]);
}

int32_t FiringAnimation(const Infantry& u) {
    return u.mAnimation[0];
}

WeaponClass HeavyClass(const Infantry& u) {
    const WeaponType w = u.Record().mHeavyWeapon;
    return w == kWeaponNone ? -1 : gWeaponData[w].mClass;
}

ColorRGB LightColor() {
    return gBattle ? gBattle->mLightColor : ColorRGB{1.0f, 1.0f, 1.0f};
}

int32_t BattleDate() {
    return gBattle ? gBattle->mDate : 0;
}

// ---- the groups -------------------------------------------------------------------

void LongArm(Infantry& u, int32_t figure, bool needsClip) {
    int32_t arm = u.mFigureSmallArms[figure];
    // Not identified: the nation's standard rifle.
    if (u.GetAnimationGroup(figure) != u.GetSpecificAnimationGroup(figure, 5))
        arm = StandardRifle(u.GetNation());
    float L = 80.3f, D = 12.2f;
    if (arm == 8)
        L = 87.0f, D = 15.65f;
    else if (arm == 9 || arm == 11 || arm == 65)
        L = 86.6f, D = 15.95f;
    else if (arm == 10)
        L = 89.0f, D = 17.75f;
    else if (arm == 67)
        L = 80.4f, D = 16.21f;
    d3::Color(0.15f, 0.05f, 0.0f);
    const float y0 = 27.9f - L, y1 = 27.9f, z0 = -0.577f * D, z1 = 0.423f * D;
    d3::Texture(ArmTexture(arm, 0));
    SideQuad(0.7f, y0, y1, z0, z1, false);
    SideQuad(-0.7f, y0, y1, z0, z1, true);
    d3::Texture(ArmTexture(arm, 1));
    FlatQuad(z1, -0.7f, 0.7f, y0, y1);
    FlatQuad(z0, -0.7f, 0.7f, y1, y0);
    if (u.IsSniper()) {
        d3::Texture(ArmTexture(arm, 2));
        SideQuad(0.0f, y1 - 30.0f, y1 - 12.0f, z1, z1 + 3.0f, false);
    }
    (void)needsClip;
}

void TwoPart(Infantry& u, int32_t figure) {
    const int32_t arm = u.mFigureSmallArms[figure];
    d3::Color(0.0f, 0.08f, 0.08f);
    d3::Translate(0.0f, 0.0f, -1.6f);
    d3::Texture(ArmTexture(arm, 0));
    SideQuad(0.7f, -40.0f, 27.9f, -5.0f, 4.0f, false);
    SideQuad(-0.7f, -40.0f, 27.9f, -5.0f, 4.0f, true);
    d3::Texture(ArmTexture(arm, 1));
    SideQuad(0.7f, -10.0f, 5.0f, -16.0f, -5.0f, false);
    SideQuad(-0.7f, -10.0f, 5.0f, -16.0f, -5.0f, true);
}

void SecondPartArm(Infantry& u, int32_t figure) {
    const int32_t arm = u.mFigureSmallArms[figure];
    float len = 12.0f, depth = 10.0f;
    if (arm == 14) len = 14.0f, depth = 8.0f;
    if (arm == 15) len = 10.0f, depth = 12.0f;
    if (arm == 16) len = 16.0f, depth = 9.0f;
    if (arm == 62) len = 8.0f, depth = 14.0f;
    d3::SetCull(false);
    if (arm == 62) {
        d3::Texture(ArmTexture(arm, 1));
        SideQuad(0.0f, -5.0f, -5.0f + len, -depth, 0.0f, false);
    }
    d3::Texture(ArmTexture(arm, 0));
    SideQuad(0.7f, -45.0f, 25.0f, -4.0f, 4.0f, false);
    SideQuad(-0.7f, -45.0f, 25.0f, -4.0f, 4.0f, true);
    d3::Texture(ArmTexture(arm, 1));
    SideQuad(0.0f, 0.0f, len, -depth, -4.0f, false);
    d3::SetCull(true);
}

void RocketLauncher(Infantry& u, bool needsClip) {
    Nation n = u.GetNation();
    if (n == 9 && BattleDate() >= 4307) n = 2;
    const ColorRGB light = LightColor();
    if (n == 0 || n == 1) {
        d3::Scale(1.467f, 1.467f, 1.19f);
        d3::Translate(0.0f, 0.0f, 15.0f);
    } else if (n == 2) {
        d3::Translate(0.0f, 0.0f, 15.0f);
    } else {
        d3::RotateZ(-70.0f);
        d3::Translate(0.0f, 0.0f, -13.3f);
        d3::Scale(1.1f, 1.1f, 0.72f);
        d3::SetCull(false);
        d3::Color(light.red * 0.24f, light.green * 0.28f, light.blue * 0.17f);
        Box(-2.0f, 2.0f, -6.0f, 6.0f, -4.0f, 0.0f);
        Box(-2.0f, 2.0f, -6.0f, 6.0f, -8.0f, -4.0f);
        Box(-2.0f, 2.0f, -6.0f, 6.0f, -12.0f, -8.0f);
        d3::SetCull(true);
    }
    const bool bright = n == 0 || n == 1;
    d3::Color(light.red * (bright ? 0.64f : 0.24f), light.green * (bright ? 0.58f : 0.28f),
              light.blue * (bright ? 0.33f : 0.17f));
    TubeStrip(needsClip, 10, 2.5f, -40.0f, 25.0f);
    d3::Color(0.0f, 0.0f, 0.0f);
    DiscFan(needsClip, 3, 2.5f, -40.0f);
    DiscFan(needsClip, 3, 2.5f, 25.0f);
    if (n == 0) {
        d3::Push();
        d3::RotateZ(-30.0f);
        d3::Color(light.red * 0.67f, light.green * 0.61f, light.blue * 0.36f);
        for (int32_t k = 0; k < 4; ++k)
            Box(-8.0f + 4.0f * k, -4.0f + 4.0f * k, 0.0f, 1.0f, -6.0f, 6.0f);
        d3::Pop();
    }
}

void FlatObject(bool needsClip, int32_t detail) {
    d3::Color(0.0f, 0.08f, 0.08f);
    BoxStrip(needsClip, -1.5f, 1.5f, -10.0f, 10.0f, -3.0f, 3.0f);
    BoxStrip(needsClip, -1.5f, 1.5f, 10.0f, -10.0f, 3.0f, -3.0f);
    if (detail > 2) {
        DiscFan(needsClip, 3, 1.5f, -10.0f);
        DiscFan(needsClip, 3, 1.5f, 10.0f);
    }
}

void CrewHandObject(bool needsClip) {
    d3::Color(0.0f, 0.05f, 0.05f);
    d3::Scale(1.4f, 1.2f, 1.6f);
    d3::Translate(-4.0f, -1.0f, 0.0f);
    d3::SetClockwiseFront(false);
    DiscFan(needsClip, 6, 3.0f, -1.0f);
    DiscFan(needsClip, 6, 3.0f, 1.0f);
    d3::SetClockwiseFront(true);
}

void ShortArm(Infantry& u, int32_t figure) {
    const int32_t arm = u.mFigureSmallArms[figure];
    float L = 10.0f, H = 17.0f;
    if (arm == 2) L = 11.4f, H = 20.0f;
    if (arm == 4) L = 10.8f, H = 17.0f;
    if (arm == 5) L = 9.73f, H = 12.0f;
    d3::SetCull(false);
    d3::Texture(ArmTexture(arm, 0));
    SideQuad(0.0f, 0.0f, L, -H, 0.0f, false);
    d3::SetCull(true);
}

// ---- machine-gun mounts ------------------------------------------------------------

void MountStrips(float mountA, float mountB, bool needsClip) {
    d3::Color(0.22f, 0.22f, 0.15f);
    // The eight vertices of each strip take mountA and mountB in turn.
    for (int32_t s = 0; s < 3; ++s) {
        const float x = -6.0f + 6.0f * static_cast<float>(s);
        float v[24];
        for (int32_t i = 0; i < 8; ++i) {
            v[3 * i] = x + (i % 4 < 2 ? -1.0f : 1.0f);
            v[3 * i + 1] = i % 2 == 0 ? mountA : mountB;
            v[3 * i + 2] = -4.0f * static_cast<float>(i / 2);
        }
        d3::Strip(needsClip, 6, v);
    }
}

void MountedGun(int32_t arm, float length, float top, float mountB, float bottom, float blend, float K) {
    d3::Texture(ArmTexture(arm, 0));
    SideQuad(1.8f, mountB, top, K - length, K, false);
    SideQuad(-1.8f, mountB, top, K - length, K, true);
    d3::SetCull(false);
    d3::Texture(ArmTexture(arm, 1));
    FlatQuad(mountB * (1.0f - blend) + top * blend, -1.8f, 1.8f, K, bottom);
    d3::SetCull(true);
}

// The hand weapon hooks of the figures.
void HandWeaponHook(int32_t figure, bool needsClip, int32_t detail) {
    if (gWeaponStatics.unit) {
        DrawHandWeapon(*gWeaponStatics.unit, figure, needsClip, detail, figure);
    } else {
        d3::Pop();
        d3::Pop();
    }
}

void FlameTankHook(int32_t, bool needsClip) {
    if (gWeaponStatics.unit) DrawFlameTank(*gWeaponStatics.unit, needsClip);
}

void CrewPoseHook(Unit* dummy, int32_t pose, float look, bool lowered) {
    if (dummy && dummy->mUnitType == kUnitInfantry)
        SetCrewPose(*static_cast<Infantry*>(dummy), pose, look, lowered);
}

struct InstallHooks {
    InstallHooks() {
        gHandWeaponHook = HandWeaponHook;
        gFlameTankHook = FlameTankHook;
        gCrewPoseHook = CrewPoseHook;
    }
};
const InstallHooks sInstall;

} // namespace

// ---- hand weapons ----------------------------------------------------------------------

void DrawHandWeapon(Infantry& u, int32_t poseSlot, bool needsClip, int32_t detail, int32_t figure) {
    if (figure < 0 || figure >= kInfantryFigures) figure = 0;
    if (poseSlot < 0 || poseSlot >= kInfantryFigures) poseSlot = figure;
    const bool dummy = u.mSubtype == kInfantryCrewDummy;
    if (!u.mActive || (dummy && !gWeaponStatics.crewHandObject) || u.mSurrendered || u.mOffMapState == 1 ||
        u.mOffMapState == 2) {
        d3::Pop();
        d3::Pop();
        return;
    }
    gWeaponStatics.weaponDetail = detail;
    const int32_t group = gWeaponStatics.crewHandObject ? 11 : u.GetAnimationGroup(figure);
    const int32_t anim = FiringAnimation(u);
    bool draws = true;
    switch (group) {
    case 3:
    case 4:
        if (anim == 6 || anim == 8) {
            gWeaponStatics.weaponCode = group == 3 ? kWeaponDrawMountA : kWeaponDrawMountB;
            draws = false;
        } else {
            DrawHMG(u, true, group == 3 ? kWeaponDrawMountA : kWeaponDrawMountB, needsClip);
            draws = false;
        }
        break;
    case 6:
    case 7: {
        const WeaponDrawCode code = group == 6 ? kWeaponDrawATR : kWeaponDrawLMG;
        if (anim == 0 || anim == 1 || anim == 7 || anim == 11 || anim == 12)
            DrawATROrLMG(u, true, code);
        else
            gWeaponStatics.weaponCode = code;
        draws = false;
        break;
    }
    case 0:
    case 1:
    case 2:
    case 5:
    case 8:
    case 11:
    case 12:
    case 13:
        break;
    default: // the gun crews and everything else hold nothing
        draws = false;
        break;
    }
    if (draws) {
        d3::Push();
        if (group == 12 || group == 13)
            d3::Translate(-0.5f, -2.5f, -20.0f);
        else if (group == 11)
            d3::Translate(-4.2f, 4.5f, -24.0f);
        else
            d3::Translate(-0.5f, 4.9f, -24.0f);
        if (group != 12 && group != 13) WeaponAngles(u, poseSlot);
        switch (group) {
        case 0:
            LongArm(u, figure, needsClip);
            break;
        case 1:
            TwoPart(u, figure);
            break;
        case 2:
            SecondPartArm(u, figure);
            break;
        case 5:
            RocketLauncher(u, needsClip);
            break;
        case 8:
            FlatObject(needsClip, detail);
            break;
        case 11:
            CrewHandObject(needsClip);
            break;
        default:
            ShortArm(u, figure);
            break;
        }
        d3::Pop();
    }
    d3::Pop();
    d3::Pop();
}

void DrawFlameTank(Infantry& u, bool needsClip) {
    const WeaponType w = u.Record().mHeavyWeapon;
    if (w == kWeaponNone || gWeaponData[w].mClass != kWClassFlame || u.VisibleToPlayer(false) < 3) return;
    d3::SetCull(false);
    d3::Color(0.1f, 0.21f, 0.16f);
    TubeStrip(needsClip, 6, 3.0f, 30.0f, 55.0f, -4.0f, -9.0f);
    TubeStrip(needsClip, 6, 3.0f, 30.0f, 55.0f, 4.0f, -9.0f);
    d3::Color(0.08f, 0.16f, 0.13f);
    Box(-7.0f, 7.0f, 32.0f, 34.0f, -13.0f, -6.0f);
    Box(-7.0f, 7.0f, 42.0f, 44.0f, -13.0f, -6.0f);
    Box(-7.0f, 7.0f, 52.0f, 54.0f, -13.0f, -6.0f);
    d3::Color(0.16f, 0.24f, 0.19f);
    DiscFan(needsClip, 4, 3.0f, 55.0f, -4.0f, -9.0f);
    DiscFan(needsClip, 4, 3.0f, 55.0f, 4.0f, -9.0f);
    d3::SetCull(true);
}

// ---- machine guns, rifles and mortars -----------------------------------------------

void DrawHMG(Infantry& u, bool inHands, WeaponDrawCode code, bool needsClip) {
    if (code != kWeaponDrawMountA && code != kWeaponDrawMountB) return;
    const bool a = code == kWeaponDrawMountA;
    d3::Push();
    const int32_t arm = u.mFigureSmallArms[0];
    if (inHands) {
        d3::Translate(-0.5f, 4.9f, a ? -24.0f : -29.0f);
        WeaponAngles(u, 0);
    } else {
        if (!u.IsPassenger(false)) d3::RotateZ(u.mHeading - 90.0f);
        if (a)
            d3::Translate(0.0f, 25.2f, 39.5f);
        else
            d3::Translate(0.0f, 29.8f, 25.2f);
        d3::RotateX(90.0f);
    }
    if (gWeaponStatics.weaponDetail <= 2) {
        if (a) {
            if (arm == 34 || arm == 35) {
                DrawHMGModel4(arm, 77.0f, 6.9f, -42.0f, -28.0f, -68.0f, needsClip, 0.67f, 10.0f);
            } else if (arm == 51) {
                DrawHMGModel4(arm, 130.0f, 1.4f, -50.0f, -20.0f, -68.0f, needsClip, 0.67f, 22.0f);
            } else {
                d3::Push();
                d3::Scale(1.0f, 1.0f, 1.1f);
                d3::Color(0.1f, 0.1f, 0.08f);
                for (int32_t k = 0; k < 5; ++k)
                    BoxStrip(needsClip, -1.0f, 1.0f, -6.0f + 3.0f * k, -4.0f + 3.0f * k, -8.0f, 0.0f);
                d3::SetCull(false);
                Box(-3.0f, 3.0f, -6.0f, 10.0f, -9.0f, -8.0f);
                d3::Pop();
                d3::Translate(0.0f, arm == 37 ? -18.0f : -17.0f, -13.0f);
                d3::Texture(ArmTexture(arm, 0));
                SideQuad(1.8f, -10.5f, 25.5f, 15.0f, -81.0f, false);
                SideQuad(-1.8f, -10.5f, 25.5f, 15.0f, -81.0f, true);
                d3::SetCull(false);
                d3::Texture(ArmTexture(arm, 1));
                FlatQuad(25.5f, -1.8f, 1.8f, 15.0f, -40.0f);
                d3::SetCull(true);
            }
        } else if (arm == 32 || arm == 63) {
            DrawHMGModel3(arm, 101.2f, 7.1f, -31.0f, -10.5f, -70.0f, needsClip, 0.75f, 0.0f);
        } else if (arm == 33) {
            DrawHMGModel3(arm, 82.0f, 16.8f, -31.0f, -8.5f, -65.0f, needsClip, 0.75f, -10.5f);
        } else {
            DrawHMGModel3(arm, 87.0f, 8.0f, -31.0f, -10.5f, -70.0f, needsClip, 0.6f, 0.0f);
        }
    }
    d3::Pop();
}

// Each call's mount values are drawn: a gun never wears the mount of the
// first gun drawn in the run.
void DrawHMGModel4(int32_t arm, float length, float top, float mountA, float mountB, float bottom,
                   bool needsClip, float blend, float mountHeight) {
    d3::Translate(0.0f, 5.0f, 0.0f);
    d3::Translate(0.0f, 0.0f, -mountHeight);
    MountStrips(mountA, mountB, needsClip);
    d3::Translate(0.0f, 0.0f, mountHeight - 8.0f);
    MountedGun(arm, length, top, mountB, bottom, blend, 5.0f);
}

void DrawHMGModel3(int32_t arm, float length, float top, float mountA, float mountB, float bottom,
                   bool needsClip, float blend, float shift) {
    MountStrips(mountA, mountB, needsClip);
    d3::Translate(0.0f, 0.0f, -8.0f);
    d3::Translate(0.0f, shift, 0.0f);
    MountedGun(arm, length, top, mountB, bottom, blend, 15.0f);
}

void DrawATROrLMG(Infantry& u, bool inHands, WeaponDrawCode code) {
    if (code != kWeaponDrawATR && code != kWeaponDrawLMG) return;
    float P, Q, R = 0.3f, offset;
    GGraphic *first, *second;
    if (code == kWeaponDrawATR) {
        const WeaponType w = u.Record().mHeavyWeapon;
        const int32_t row = w == kWeaponNone ? -1 : gWeaponData[w].mATRModel;
        P = gATRModelData[row].mLength;
        Q = gATRModelData[row].mHeight;
        offset = Q - 7.0f;
        first = u.mTextureSets[2][0];
        second = u.mTextureSets[2][1];
    } else {
        const int32_t arm = u.mFigureSmallArms[0];
        float S = 0.0f;
        P = 87.0f, Q = 18.5f;
        switch (arm) {
        case 20:
            P = 96.0f, Q = 19.4f, R = 0.34f;
            break;
        case 21:
            P = 91.0f, Q = 29.9f, R = 0.6f;
            break;
        case 23:
            P = 90.5f, Q = 37.3f, R = 0.45f;
            break;
        case 24:
        case 25:
            P = 96.0f, Q = 36.0f, R = 0.15f, S = -3.0f;
            break;
        case 26:
        case 27:
        case 28:
            P = 96.0f, Q = 21.5f, R = 0.25f, S = 3.0f;
            break;
        case 31:
            P = 97.0f, Q = 25.0f, R = 0.15f;
            break;
        case 66:
            P = 85.0f, Q = 23.7f, R = 0.6f;
            break;
        default:
            break;
        }
        offset = Q - 8.5f + S;
        first = ArmTexture(arm, 0);
        second = ArmTexture(arm, 1);
    }
    d3::Texture(first);
    d3::Push();
    if (inHands) {
        WeaponAngles(u, 0);
        d3::Translate(-5.0f, -15.0f, 20.0f);
        d3::RotateX(180.0f);
    } else {
        if (!u.IsPassenger(false)) d3::RotateZ(u.mHeading - 90.0f);
        d3::Translate(0.0f, 32.0f, offset);
        d3::RotateX(-90.0f);
    }
    SideQuad(0.7f, -P * 0.5f, P * 0.5f, 0.0f, Q, false);
    SideQuad(-0.7f, -P * 0.5f, P * 0.5f, 0.0f, Q, true);
    d3::SetCull(false);
    d3::Texture(second);
    const float width = code == kWeaponDrawLMG ? R * Q : 0.3f * Q;
    FlatQuad(0.0f, -width * 0.5f, width * 0.5f, -P * 0.25f, P * 0.25f);
    d3::SetCull(true);
    d3::Pop();
}

void DrawMortar(Infantry& u, float calibre, bool heavy) {
    static const float kScales[4] = {0.5f, 0.564f, 0.9f, 1.1f};
    int32_t k;
    if (u.VisibleToPlayer(false) <= 3)
        k = BattleDate() > 4306 ? 2 : 0;
    else
        k = calibre < 55.0f ? 0 : calibre < 70.0f ? 1 : calibre < 90.0f ? 2 : 3;
    const float s = kScales[k];
    if (heavy) {
        d3::Translate(0.0f, 0.0f, 10.0f);
        d3::RotateX(-30.0f);
    }
    d3::Scale(s, s, s);
    d3::Translate(0.0f, 15.0f, 0.0f);
    G3DObject box;
    box.SetModelCoords(0.0f, 0.0f, 0.0f, 50.0f, 90.0f, 100.0f);
    bool needsClip = true;
    if (!box.ShouldBeDrawn(&needsClip)) return;
    u.DrawGunflash(340.0f, 0.0f, 61.0f, 90.0f);
    const ColorRGB light = LightColor();
    d3::Color(light.red * 0.14f, light.green * 0.14f, light.blue * 0.14f);
    BoxStrip(needsClip, -20.0f, 20.0f, -30.0f, -26.0f, 0.0f, 3.0f); // base plate
    BoxStrip(needsClip, -12.0f, -10.0f, 10.0f, 12.0f, 0.0f, 40.0f); // bipod
    BoxStrip(needsClip, 10.0f, 12.0f, 10.0f, 12.0f, 0.0f, 40.0f);
    d3::Color(0.0f, 0.0f, 0.0f);
    DiscFan(needsClip, 3, 3.0f, 61.0f);
    d3::Texture(u.mTextureSets[2][0]);
    float tube[36], uv[24];
    for (int32_t i = 0; i < 6; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / 5.0f;
        const float x = 3.0f * std::cos(a), z = 3.0f * std::sin(a);
        float* p = tube + 6 * i;
        p[0] = x, p[1] = -28.0f, p[2] = z + 2.0f, p[3] = x, p[4] = 61.0f, p[5] = z + 90.0f;
        uv[4 * i] = static_cast<float>(i) / 5.0f, uv[4 * i + 1] = 0.01f;
        uv[4 * i + 2] = static_cast<float>(i) / 5.0f, uv[4 * i + 3] = 0.99f;
    }
    d3::TextureStrip(needsClip, 10, tube, uv);
    if (!heavy) {
        d3::Texture(u.mTextureSets[2][1]);
        SideQuad(0.0f, -30.0f, 10.0f, 3.0f, 12.0f, false);
    }
}

// ---- guns ------------------------------------------------------------------------------

void DrawCrewedGun(Infantry& u) {
    d3::Push();
    if (!u.IsPassenger(false)) d3::RotateZ(u.mHeading - 90.0f);
    const bool pick = d3::PickPass();
    const bool oldClip = d3::GetClip();
    if (!pick) d3::SetClip(true);
    const WeaponClass c = HeavyClass(u);
    if (c == kWClassMortar || c == kWClassAT) {
        const WeaponType w = u.Record().mHeavyWeapon;
        DrawMortar(u, gWeaponData[w].mCalibre, c == kWClassAT);
    } else {
        DrawOrdnance(u);
    }
    if (!pick) d3::SetClip(oldClip);
    d3::Pop();
}

void DrawOrdnance(Infantry& u) {
    if (u.VisibleToPlayer(false) <= 3) {
        DrawGenericGun(2.6f, &u);
        return;
    }
    float scale = 1.0f;
    const OrdnanceModel model = u.GetOrdnanceModel(&scale);
    if (model == kGenericGunModel) {
        DrawGenericGun(2.6f, &u);
        return;
    }
    const float s = scale * 2222.222222222222f;
    d3::Scale(s, s, s);
    G3DObject box;
    box.SetModelCoords(0.0f, 0.0f, 0.0f, 0.2f, 0.5f, 0.2f);
    bool needsClip = true;
    if (!box.ShouldBeDrawn(&needsClip)) return;
    ModelStatics& st = gModelStatics;
    const ModelStatics saved = st;
    st.headFacing = u.IsPassenger(false) ? 0.0f : u.mHeading;
    st.gunElevate = u.mActive ? u.mGunElevation : -10.0f;
    st.firer = &u;
    st.textures = u.mTextureSets[2];
    d3::SetCull(false);
    DrawGunModel(model, needsClip);
    d3::SetCull(true);
    st = saved;
}

void DrawGenericGun(float scale, Infantry* gun) {
    d3::Translate(0.0f, 115.0f, 0.0f);
    const float s = 1.25f * scale;
    d3::Scale(s, s, s);
    d3::Translate(0.0f, -25.0f, 0.0f);
    G3DObject box;
    box.SetModelCoords(0.0f, 0.0f, 0.0f, 70.0f, 130.0f, 30.0f);
    bool needsClip = true;
    if (!box.ShouldBeDrawn(&needsClip)) return;
    if (gun) gun->DrawGunflash(300.0f, 0.0f, 65.0f, 21.5f);
    // The carriage: trails, axle and shield.
    d3::Color(0.35f, 0.35f, 0.33f);
    BoxStrip(needsClip, -14.0f, -10.0f, -60.0f, 0.0f, 2.0f, 8.0f);
    BoxStrip(needsClip, 10.0f, 14.0f, -60.0f, 0.0f, 2.0f, 8.0f);
    d3::Color(0.28f, 0.3f, 0.2f);
    Box(-18.0f, 18.0f, 8.0f, 10.0f, 10.0f, 30.0f);
    Box(-18.0f, 18.0f, 8.0f, 10.0f, 30.0f, 32.0f);
    d3::Color(0.25f, 0.25f, 0.24f);
    d3::Triangle(-18.0f, 9.0f, 30.0f, -18.0f, 9.0f, 10.0f, -22.0f, 9.0f, 10.0f);
    d3::Triangle(18.0f, 9.0f, 10.0f, 18.0f, 9.0f, 30.0f, 22.0f, 9.0f, 10.0f);
    Map* map = gBattle ? gBattle->mMap : nullptr;
    auto wheel = [&] {
        d3::Color(0.12f, 0.12f, 0.12f);
        BoxStrip(needsClip, 16.0f, 18.0f, -2.0f, 2.0f, 0.0f, 21.5f);
        float rim[48];
        for (int32_t i = 0; i < 8; ++i) {
            const float a = 2.0f * kPi * static_cast<float>(i) / 7.0f;
            const float y = 11.0f * std::cos(a), z = 11.0f + 11.0f * std::sin(a);
            rim[6 * i] = 18.0f, rim[6 * i + 1] = y, rim[6 * i + 2] = z;
            rim[6 * i + 3] = 22.0f, rim[6 * i + 4] = y, rim[6 * i + 5] = z;
        }
        d3::Strip(needsClip, 14, rim);
        if (map) map->SetTireTexture();
        d3::Push();
        d3::Translate(0.0f, 0.0f, 11.0f);
        TexturedDisc(needsClip, 6, 11.0f, 22.0f);
        TexturedDisc(needsClip, 6, 11.0f, 18.0f);
        d3::Pop();
    };
    wheel();
    // The other wheel is the first one mirrored, wound the other way. The
    // mirror ends with the wheel, so the barrel keeps its own winding.
    d3::Push();
    d3::Reflect(true, false, false);
    d3::SetClockwiseFront(false);
    wheel();
    d3::SetClockwiseFront(true);
    d3::Pop();
    if (gun) gun->ShowRecoil(-9.0f);
    if (gun && !gun->mActive) d3::RotateX(-13.0f);
    d3::Color(0.2f, 0.22f, 0.17f);
    TubeStrip(needsClip, 10, 2.2f, 0.0f, 65.0f, 0.0f, 21.5f);
    d3::Color(0.0f, 0.0f, 0.0f);
    DiscFan(needsClip, 4, 2.2f, 0.0f, 0.0f, 21.5f);
    DiscFan(needsClip, 4, 2.2f, 65.0f, 0.0f, 21.5f);
}

// ---- the squad's part and the crew figure --------------------------------------------

void DrawSquadWeapons(Infantry& u) {
    const WeaponDrawCode code = gWeaponStatics.weaponCode;
    if (code == kWeaponDrawMountA || code == kWeaponDrawMountB)
        DrawHMG(u, false, code, true);
    else if (code == kWeaponDrawATR || code == kWeaponDrawLMG)
        DrawATROrLMG(u, false, code);
    const int32_t g = u.GetAnimationGroup(0);
    // An abandoned gun (no men left) still stands where it was left.
    if (g == 9 || g == 10 || g == 17) DrawCrewedGun(u);
}

void SetCrewPose(Infantry& u, int32_t pose, float headTurn, bool bentLegs) {
    if (pose < 0 || pose > 10) pose = 0;
    auto set = [&](int32_t k, float v) { u.mFigurePos[k][0] = v; };
    // Indices of the pose values: legs 2..5, arms 6..13, weapon 14..16, body 17..20.
    set(17, headTurn);
    set(18, 0.0f);
    set(20, 0.0f);
    auto legs = [&](float lh, float lk, float rh, float rk) {
        set(2, lh), set(3, lk), set(4, rh), set(5, rk);
    };
    auto arms = [&](float ly, float lx, float lz, float le, float ry, float rx, float rz, float re) {
        set(6, ly), set(7, lx), set(8, lz), set(9, le);
        set(10, ry), set(11, rx), set(12, rz), set(13, re);
    };
    auto byFlag = [&] {
        if (bentLegs)
            legs(110.0f, -110.0f, 40.0f, -130.0f);
        else
            legs(0.0f, 0.0f, 0.0f, 0.0f);
    };
    auto holding = [&] {
        arms(20.0f, 9.0f, -35.0f, 110.0f, 15.0f, 9.0f, -35.0f, 110.0f);
        set(kPoseWeaponYaw, 0.0f), set(kPoseWeaponPitch, 90.0f), set(kPoseWeaponTurn, 30.0f);
    };
    const auto seated = [&] { arms(20.0f, 30.0f, -30.0f, 60.0f, 20.0f, 30.0f, -30.0f, 60.0f); };
    switch (pose) {
    case 1:
        gFigureStatics.crewTorsoOnly = true;
        legs(90.0f, -60.0f, 90.0f, -60.0f);
        seated();
        break;
    case 2:
        gWeaponStatics.crewHandObject = true;
        byFlag();
        holding();
        break;
    case 3:
        byFlag();
        arms(20.0f, 30.0f, -30.0f, 70.0f, 20.0f, 30.0f, -30.0f, 70.0f);
        break;
    case 4:
        byFlag();
        arms(20.0f, 20.0f, -30.0f, 10.0f, 20.0f, 20.0f, -30.0f, 10.0f);
        break;
    case 5:
        legs(90.0f, -60.0f, 90.0f, -60.0f), seated();
        break;
    case 6:
        legs(90.0f, -90.0f, 90.0f, -90.0f), seated();
        break;
    case 7:
        legs(90.0f, -70.0f, 90.0f, -70.0f), seated();
        break;
    case 8:
        legs(140.0f, -90.0f, 140.0f, -90.0f), seated();
        break;
    case 9:
        byFlag();
        arms(20.0f, 20.0f, -20.0f, 20.0f, 20.0f, 20.0f, -20.0f, 10.0f);
        break;
    default: // 0 and 10
        gFigureStatics.crewNoLegs = true;
        gWeaponStatics.crewHandObject = true;
        byFlag();
        holding();
        break;
    }
}
