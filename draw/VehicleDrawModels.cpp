// The walker of the compiled model tables: every vehicle, gun and far shape is
// a list of operations over static vertex tables, run here through the
// recording renderer facade.
#include <cmath>
#include <cstring>

#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/VehicleModelTables.h"

using dm::models::ModelOp;
using dm::models::ModelTable;
using dm::models::Op;

ModelStatics gModelStatics;
bool gDrawLOD = false;
float sShadowCoords[4] = {9999.0f, 0.0f, 0.0f, 0.0f};

namespace {

// Scratch copies for the tables a model changes as it draws (scrolled tracks,
// the far shape's barrel): the compiled tables stay as they are, so every
// scrolled v is back after the call by construction.
constexpr int kScratch = 64;
float sScratchUv[2 * kScratch];
float sScratchXyz[3 * kScratch];

bool GunFires(uint8_t flags, AmmoClass last) {
    const bool hullShot = last == kAmmoHE75 || last == kAmmoAP75;
    if (flags & dm::models::kHullGunOnly) return hullShot;
    if (flags & dm::models::kTurretGunOnly) return !hullShot;
    return true;
}

bool NonZero(float a, float b, float c) {
    return a != 0.0f || b != 0.0f || c != 0.0f;
}

float BarrelFactor(int32_t barrelClass) {
    // Classes outside 0..2 take the middle length.
    return barrelClass == 0 ? 0.5f : barrelClass == 2 ? 1.2f : 0.85f;
}

} // namespace

void DrawModelTable(const ModelTable& m, bool needsClip) {
    d3::SetCull(false);
    RunModelOps(m, needsClip, gModelStatics.textures, false);
    d3::SetCull(true);
}

void RunModelOps(const ModelTable& m, bool needsClip, GGraphic* const* textures, bool dropLastTriangle) {
    const ModelStatics& s = gModelStatics;
    int32_t depth = 0;
    bool barrelNext = false;
    float barrelY = 0.0f;
    for (int32_t i = 0; i < m.opCount; ++i) {
        const ModelOp& o = m.ops[i];
        const bool primitive = o.op == Op::Fan || o.op == Op::Strip || o.op == Op::Triangle ||
                               o.op == Op::FlatFan || o.op == Op::FlatTriangle || o.op == Op::FlatStrip;
        if (primitive) {
            const int32_t count = o.op == Op::Triangle || o.op == Op::FlatTriangle ? 3 : o.n + 2;
            if (o.n < 0 || o.first < 0 || o.first + count > m.vertexCount) continue; // damaged table
            if (o.detail && gDrawLOD) continue;
            if (dropLastTriangle && i == m.opCount - 1 && o.op == Op::Triangle) continue;
        }
        const float* xyz = primitive ? m.xyz + 3 * o.first : nullptr;
        const float* uv = primitive ? m.uv + 2 * o.first : nullptr;
        switch (o.op) {
        case Op::Texture: {
            GGraphic* t = nullptr;
            if (textures && o.n >= 0 && o.n < 17) t = textures[o.n];
            if (!t && textures && o.b >= 0.0f && o.b < 17.0f) t = textures[static_cast<int32_t>(o.b)];
            d3::Texture(t);
            break;
        }
        case Op::Fan:
            if (barrelNext && o.n + 2 <= kScratch && o.n >= 1) {
                std::memcpy(sScratchXyz, xyz, sizeof(float) * 3 * (o.n + 2));
                for (int32_t k = o.n - 1; k < o.n + 2; ++k)
                    sScratchXyz[3 * k + 1] = barrelY;
                d3::TextureFan(needsClip, o.n, sScratchXyz, uv);
            } else {
                d3::TextureFan(needsClip, o.n, xyz, uv);
            }
            barrelNext = false;
            break;
        case Op::Strip:
            if ((o.side == 0 || o.side == 1) && o.n + 2 <= kScratch) {
                const float shift = (o.side == 0 ? s.treadLeft : s.treadRight) * (o.sign < 0 ? -1.0f : 1.0f);
                for (int32_t k = 0; k < o.n + 2; ++k) {
                    sScratchUv[2 * k] = uv[2 * k];
                    sScratchUv[2 * k + 1] = uv[2 * k + 1] + shift;
                }
                d3::TextureStrip(needsClip, o.n, xyz, sScratchUv);
            } else {
                d3::TextureStrip(needsClip, o.n, xyz, uv);
            }
            break;
        case Op::Triangle:
            if (o.side == 0 || o.side == 1) {
                const float tread = o.side == 0 ? s.treadLeft : s.treadRight;
                for (int32_t k = 0; k < 3; ++k) {
                    sScratchUv[2 * k] = uv[2 * k];
                    sScratchUv[2 * k + 1] = uv[2 * k + 1] + tread;
                }
                d3::TexturedTriangle(xyz, sScratchUv);
            } else {
                d3::TexturedTriangle(xyz, uv);
            }
            break;
        case Op::Color:
            d3::Color(o.a, o.b, o.c);
            break;
        case Op::FlatFan:
            d3::Fan(needsClip, o.n, xyz);
            break;
        case Op::FlatStrip:
            d3::Strip(needsClip, o.n, xyz);
            break;
        case Op::FlatTriangle:
            d3::Triangle(xyz[0], xyz[1], xyz[2], xyz[3], xyz[4], xyz[5], xyz[6], xyz[7], xyz[8]);
            break;
        case Op::Push:
            d3::Push();
            ++depth;
            break;
        case Op::Pop:
            if (depth > 0) { // a table never pops its caller's matrix
                d3::Pop();
                --depth;
            }
            break;
        case Op::Turn: {
            const bool pivot = NonZero(o.a, o.b, o.c);
            float h = s.headFacing;
            if (o.flags & dm::models::kTurnClamp15) h = h < -15.0f ? -15.0f : (h > 15.0f ? 15.0f : h);
            if (pivot) d3::Translate(o.a, o.b, o.c);
            d3::RotateZ(h);
            if ((o.flags & dm::models::kTurnTilt) && s.turretTilt != 0.0f) d3::RotateY(s.turretTilt);
            if (o.flags & dm::models::kTurnElevate) d3::RotateX(s.gunElevate);
            if (pivot) d3::Translate(-o.a, -o.b, -o.c);
            break;
        }
        case Op::Elevate:
            d3::Translate(o.a, o.b, o.c);
            d3::RotateX(s.gunElevate);
            d3::Translate(-o.a, -o.b, -o.c);
            break;
        case Op::Tilt:
            if (s.turretTilt != 0.0f) d3::RotateY(s.turretTilt);
            break;
        case Op::CounterTurn:
            d3::RotateZ(-s.headFacing);
            break;
        case Op::Flash:
            if (s.firer && GunFires(o.flags, s.lastAmmo)) s.firer->DrawGunflash(1.0f, o.a, o.b, o.c);
            break;
        case Op::Recoil:
            if (s.firer && GunFires(o.flags, s.lastAmmo)) s.firer->ShowRecoil(o.a);
            break;
        case Op::Scale:
            d3::Scale(o.a, o.b, o.c);
            break;
        case Op::LongBarrel:
            if (s.longBarrel) {
                d3::Translate(0.0f, o.a, 0.0f);
                d3::Scale(1.0f, o.b, 1.0f);
                d3::Translate(0.0f, -o.a, 0.0f);
            }
            break;
        case Op::BarrelClass:
            barrelNext = true;
            barrelY = BarrelFactor(s.barrelClass) * o.a;
            break;
        case Op::SizeScale: {
            const float v = s.sizeValue > 0.0f ? s.sizeValue : 0.0f;
            d3::Scale(o.a * v, o.b * v, o.c * std::sqrt(v));
            break;
        }
        }
    }
    while (depth-- > 0)
        d3::Pop();
}

const ModelTable* VehicleModelTable(int32_t model) {
    return VehicleModelTableOf(model);
}

float VehicleModelUnit(int32_t model) {
    const ModelTable* t = VehicleModelTable(model);
    return t && t->unitMetres > 0.0f ? t->unitMetres : kGeneralModelUnit;
}
