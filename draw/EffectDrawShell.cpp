// Shells, bursts and flame streams in flight, in closed form from their age.
#include <cmath>

#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/EffectDraw.h"
#include "map/Map.h"
#include "models/ModelTables.h"

namespace {

constexpr float kDegrees = 57.2957795f;
constexpr float kArc = 0.00305f; // apex of a free flight under 9.8 m/s^2 per slice squared
const float kStreamFar = 0.1f * std::exp(2.9f);

float U(const ShellView& s) {
    return s.u ? s.u() : 0.5f;
}
uint32_t R(const ShellView& s) {
    return s.r ? s.r() : 0u;
}

// Runs one of the compiled effect shapes (colours and textures are the caller's).
void Shape(const char* name) {
    using dm::models::Op;
    const dm::models::ModelTable* m = ModelTableNamed(name);
    if (!m) return;
    for (int32_t i = 0; i < m->opCount; ++i) {
        const dm::models::ModelOp& o = m->ops[i];
        const int32_t need = o.op == Op::FlatTriangle ? 3 : o.n + 2;
        if (o.first < 0 || o.first + need > m->vertexCount) continue;
        const float* xyz = m->xyz + 3 * o.first;
        const float* uv = m->uv ? m->uv + 2 * o.first : nullptr;
        switch (o.op) {
        case Op::Fan:
            if (uv) d3::TextureFan(true, o.n, xyz, uv);
            break;
        case Op::Strip:
            if (uv) d3::TextureStrip(true, o.n, xyz, uv);
            break;
        case Op::FlatFan:
            d3::Fan(true, o.n, xyz);
            break;
        case Op::FlatStrip:
            d3::Strip(true, o.n, xyz);
            break;
        case Op::FlatTriangle:
            d3::Triangle(xyz[0], xyz[1], xyz[2], xyz[3], xyz[4], xyz[5], xyz[6], xyz[7], xyz[8]);
            break;
        default:
            break;
        }
    }
}

void Body(bool nose = true) {
    if (nose) Shape("EffectBodyNose");
    Shape("EffectBodyTail");
    Shape("EffectBodyMiddle");
}

void SquareCap(float x, float u0) {
    const float q[20] = {x, -0.5f, -0.5f, u0, 0.0f, x, 0.5f,  -0.5f, u0, 1.0f,
                         x, 0.5f,  0.5f,  u0, 1.0f, x, -0.5f, 0.5f,  u0, 0.0f};
    d3::TexturedQuad(q);
}

// The stream's axis height at path fraction f, with its jitter.
float StreamHeight(const ShellView& s, float f, float L) {
    const float z0 = s.t.z + s.muzzleHeight, z1 = s.targetZ - 1.1f * kStreamFar;
    return (1.0f - f) * z0 + f * z1 + 0.26f * L * f * (1.0f - f) + U(s) * 0.1f - 0.05f;
}

void FlameStream(Map* map, const ShellView& s, int32_t slice) {
    const float F = static_cast<float>(s.flightSlices > 0 ? s.flightSlices : 1);
    const float D = static_cast<float>(s.t.duration);
    const float a = static_cast<float>(slice - s.t.start);
    float tail = 0.0f, head = 1.0f;
    if (a < F)
        head = a / F;
    else if (a >= D - F)
        tail = 1.0f - (D - a) / F;
    const float ex = s.targetX + U(s) * 0.8f - 0.4f;
    const float ey = s.targetY + U(s) * 0.8f - 0.4f;
    const float dx = ex - s.t.x, dy = ey - s.t.y;
    const float L = std::sqrt(dx * dx + dy * dy);
    const float heading = std::atan2(dy, dx) * kDegrees;
    d3::Push();
    const float k = L > 0.0f ? 1.0f / L : 0.0f;
    d3::Translate(s.t.x + dx * k, s.t.y + dy * k, 0.0f);
    d3::RotateZ(heading);
    map->SetFlameTexture();
    for (int32_t i = 0; i < 20; ++i) {
        const float f = 0.05f * static_cast<float>(i);
        const float s0 = std::fmax(f, tail), s1 = std::fmin(f + 0.05f, head);
        if (s1 <= s0) continue;
        float xyz[54], uv[36];
        for (int32_t end = 0; end < 2; ++end) {
            const float at = end == 0 ? s0 : s1;
            const float w = 0.1f * std::exp(2.9f * at);
            const float h = StreamHeight(s, at, L);
            for (int32_t j = 0; j < 9; ++j) {
                const float ang = static_cast<float>(j) * 0.785398163f;
                float* p = xyz + 3 * (2 * j + end);
                p[0] = at * L, p[1] = w * std::cos(ang), p[2] = h + 1.1f * w * std::sin(ang);
                uv[2 * (2 * j + end)] = at, uv[2 * (2 * j + end) + 1] = 0.125f * static_cast<float>(j);
            }
        }
        d3::TextureStrip(true, 16, xyz, uv);
    }
    d3::Pop();
    if (a > F + 4.0f) {
        d3::Push();
        d3::Translate(ex, ey, s.targetZ - 1.1f * kStreamFar + 2.0f * map->GetGap(ex, ey));
        d3::RotateZ(heading);
        map->SetLastFireTexture();
        d3::SetCull(false);
        // Each arm rises from its outer edge at the ground to 0.5 m at the centre.
        const float corners[4][5] = {{0.0f, -4.0f, 0.5f, 0.012f, 0.012f},
                                     {8.0f, -4.0f, 0.0f, 0.988f, 0.012f},
                                     {8.0f, 4.0f, 0.0f, 0.988f, 0.988f},
                                     {0.0f, 4.0f, 0.5f, 0.012f, 0.988f}};
        for (int32_t arm = 0; arm < 4; ++arm) {
            const float c = std::cos(1.5707963f * static_cast<float>(arm));
            const float sn = std::sin(1.5707963f * static_cast<float>(arm));
            float q[20];
            for (int32_t v = 0; v < 4; ++v) {
                const float* k = corners[v];
                q[5 * v] = c * k[0] - sn * k[1], q[5 * v + 1] = sn * k[0] + c * k[1];
                q[5 * v + 2] = k[2], q[5 * v + 3] = k[3], q[5 * v + 4] = k[4];
            }
            d3::TexturedQuad(q);
        }
        d3::SetCull(true);
        d3::Pop();
    }
}

} // namespace

ShellLook ShellLookOf(int32_t look) {
    if (look == 8) return {0.16f, 4, 0.166666f, 2.0f};
    if (look == 11 || (look >= 14 && look <= 17)) return {0.075f, 1, 1.0f, 1.0f};
    if (look == 12 || look == 13) return {0.0625f, 1, 1.0f, 1.0f};
    if (look == 4 || look == 5 || look == 9) return {0.16f * 0.7f, 1, 1.0f, 1.0f};
    if (look == 7 || look == 19) return {0.16f * 0.5f, 1, 1.0f, 1.0f};
    if (look == 3) return {0.16f * 0.25f, 1, 1.0f, 1.0f};
    if (look == 10) return {0.16f * 0.65f, 1, 1.0f, 1.0f};
    if (look <= 20) return {0.16f, 1, 1.0f, 1.0f};
    if (look == 21) return {0.04f, 1, 1.0f, 1.0f};
    const int32_t n = look - 20;
    return {0.04f, n, 1.0f / (static_cast<float>(n - 1) * 2.9f), 2.9f};
}

void DrawShell(Map* map, const ShellView& s, int32_t slice) {
    if (!map || s.look <= 0 || s.t.duration <= 0) return;
    if (s.look == 18) {
        FlameStream(map, s, slice);
        return;
    }
    const ShellLook lk = ShellLookOf(s.look);
    const float S = lk.size * EffectCameraFactor(s.cameraLevel);
    const float D = static_cast<float>(s.t.duration);
    const float z0 = s.t.z + s.muzzleHeight;
    const int32_t elements = s.look == 3 ? (s.pellets ? 600 : 0) : 1;
    const float gx = s.targetX - s.t.x, gy = s.targetY - s.t.y;
    for (int32_t r = lk.shots - 1; r >= 0; --r) {
        const float held = static_cast<float>(r) * D * lk.spacing;
        const float p =
            lk.speed * (std::trunc(static_cast<float>(slice) - held) - static_cast<float>(s.t.start)) / D;
        if (!(p > 0.0f && p <= 1.0f)) continue;
        for (int32_t e = 0; e < elements; ++e) {
            float dx = p * gx, dy = p * gy, z1 = s.targetZ, arcP = 0.5f - p;
            if (s.look == 3) {
                const float* o = s.pellets + 3 * e;
                dx = 2.0f * p * (gx + o[0]), dy = 2.0f * p * (gy + o[1]);
                z1 += 2.0f * o[2];
                arcP = 0.5f - 2.0f * p;
            } else if (s.raisedBurst) {
                z1 += 1.5f;
            }
            const float travel = dx * dx + dy * dy;
            if ((s.look == 1 || s.look == 2 || s.look == 8) && travel < 10.0f) continue;
            if (s.look >= 21 && travel < 7.0f) continue;
            float c = kArc * D * D;
            if (s.look == 9) c = 0.01525f * D * D;
            if (s.look == 19) c = 0.00915f * D * D;
            if (s.look == 8 || s.look >= 21) c = kArc * (D / lk.speed) * (D / lk.speed);
            float height = z0 + p * (z1 - z0) + (0.25f - arcP * arcP) * c;
            float px = s.t.x + dx, py = s.t.y + dy;
            if (s.look == 10) {
                px = s.targetX, py = s.targetY;
                height = z0 + p * (z1 - z0) + 800.0f * (1.0f - p);
            }
            d3::Push();
            d3::Translate(px, py, height);
            d3::RotateZ(s.heading);
            const int32_t look = s.look;
            if (look == 11 || look == 12 || look == 13) {
                d3::Color(0.1f, 0.1f, 0.1f);
                d3::RotateY(360.0f * p);
                d3::Scale(S, S, S);
                Body();
                if (look == 13) {
                    for (int32_t i = 0; i < 6; ++i) {
                        d3::Push();
                        d3::RotateX(60.0f * static_cast<float>(i));
                        d3::Translate(0.0f, 1.9f, 0.0f);
                        Body();
                        d3::Pop();
                    }
                }
                if (look != 11) {
                    d3::Color(0.3f, 0.2f, 0.1f);
                    Shape("EffectStick");
                }
            } else if (look == 16) {
                d3::Color(0.35f, 0.3f, 0.3f);
                d3::RotateY(90.0f * p - 45.0f);
                d3::RotateX(90.0f * p);
                d3::Scale(S, S, S);
                Body();
                Shape("EffectStick");
                d3::Color(0.79f, 0.72f, 0.58f);
                d3::SetCull(false);
                d3::Triangle(-2.0f, 0.0f, 0.0f, -5.0f, -2.0f, 0.0f, -5.0f, 2.0f, 0.0f);
                d3::RotateX(90.0f);
                d3::Triangle(-2.0f, 0.0f, 0.0f, -5.0f, -2.0f, 0.0f, -5.0f, 2.0f, 0.0f);
                d3::SetCull(true);
            } else if (look == 15) {
                d3::RotateY(90.0f * p - 45.0f);
                d3::RotateX(150.0f * p);
                d3::Scale(S, S, S);
                d3::Color(0.1f, 0.1f, 0.1f);
                Shape("EffectBodyNose");
                Shape("EffectBodyTail");
                Shape("EffectStick");
                d3::Color(0.6f, 0.5f, 0.5f);
                Shape("EffectBodyMiddle");
                d3::Color(0.79f, 0.72f, 0.58f);
                d3::SetCull(false);
                const float ra = U(s) * 10.0f, rb = U(s) * 10.0f;
                d3::RotateX(ra);
                d3::RotateZ(rb);
                for (int32_t side = 0; side < 2; ++side) {
                    if (side == 1) d3::RotateX(180.0f);
                    for (int32_t q = 0; q < 3; ++q) {
                        const float x0 = -1.0f - 3.0f * q, x1 = x0 - 3.0f;
                        const float z0q = 1.9f * q / 3.0f, z1q = 1.9f * (q + 1) / 3.0f;
                        d3::Quad(x0, -0.3f, z0q, x1, -0.3f, z1q, x1, 0.3f, z1q, x0, 0.3f, z0q);
                    }
                }
                d3::SetCull(true);
            } else if (look == 17) {
                d3::Color(0.44f, 0.27f, 0.1f);
                d3::RotateY(100.0f * p + 45.0f);
                d3::Scale(S, S, S);
                Shape("EffectStick");
                d3::Scale(2.0f, 1.0f, 1.0f);
                Shape("EffectBodyTail");
                Shape("EffectBluntCap");
                Shape("EffectBodyMiddle");
            } else if (look == 14) {
                d3::Color(0.6f, 0.5f, 0.3f);
                d3::RotateX(120.0f * p);
                d3::RotateY(360.0f * p);
                d3::Scale(3.0f * S, S, 3.0f * S);
                Shape("EffectBodyMiddle");
                d3::Quad(-1.0f, -0.5f, 0.0f, 1.0f, -0.5f, 0.0f, 1.0f, 0.5f, 0.0f, -1.0f, 0.5f, 0.0f);
            } else if (look == 9 || look == 19) {
                d3::Color(0.2f, 0.24f, 0.22f);
                d3::RotateY(90.0f);
                d3::Scale(S, S, S);
                Body();
            } else if (look >= 21) {
                const float drop = s.t.z - s.targetZ;
                const float ground = std::sqrt(gx * gx + gy * gy);
                if (std::fabs(drop) > 5.0f) d3::RotateY(std::atan2(drop, ground) * kDegrees);
                d3::Scale(13.0f * S, S, S);
                map->SetTracerTexture(s.sideOneTracer ? kAxis : kAllies); // side 1: tracer 0
                Shape("EffectTracerNose");
                Shape("EffectTracerBody");
                SquareCap(-3.0f, 0.03f);
            } else {
                d3::Color(0.2f, 0.24f, 0.22f);
                if (look == 10) d3::RotateY(90.0f);
                const float k = look == 2 ? 0.5f * S : S;
                d3::Scale(k, k, k);
                Shape("EffectShellNose");
                Shape("EffectShellBody");
                SquareCap(-1.0f, 0.5f);
            }
            d3::Pop();
            if (look == 4) {
                // The smoke trail: the path flown so far, or a puff at the launcher.
                d3::Color(0.75f, 0.75f, 0.75f);
                const bool high = s.t.z - map->GetZCoord(s.t.x, s.t.y) > 50.0f;
                const float step = high ? 0.006f : 0.002f, end = high ? p : 0.05f * p;
                for (int32_t i = 0; static_cast<float>(i) * step < end; ++i) {
                    const float f = static_cast<float>(i) * step;
                    float x, y, z, o, j, size;
                    if (high) {
                        x = s.t.x + f * gx, y = s.t.y + f * gy;
                        z = z0 + f * (z1 - z0) + (0.25f - (0.5f - f) * (0.5f - f)) * kArc * D * D;
                        const float aa = f + 1.0f - p;
                        o = (U(s) * 0.4f + 0.3f) * aa;
                        d3::SetOpacity(o);
                        j = (1.0f - o) * 0.03f;
                        const float w = 2.3f - 1.3f * f;
                        size = 0.4f * (1.5f - aa) * w * w * w;
                    } else {
                        x = s.t.x - f * gx, y = s.t.y - f * gy;
                        z = z0 - f * (z1 - z0) - f * kArc * D * D;
                        const float aa = f + 1.0f - 0.5f * p;
                        o = (U(s) * 0.4f + 0.3f) * aa;
                        j = (1.0f - o) * 0.03f;
                        d3::SetOpacity(U(s) * 0.2f + 0.05f);
                        size = (1.5f - aa) * (40.0f * f + 1.0f) * 0.4f * 2.0f;
                    }
                    d3::Push();
                    const float jx = (U(s) * 2.0f - 1.0f) * j, jy = (U(s) * 2.0f - 1.0f) * j;
                    const float jz = (U(s) * 2.0f - 1.0f) * j;
                    d3::Translate(x + jx, y + jy, z + jz);
                    const float r1 = static_cast<float>(R(s) % 360u), r2 = static_cast<float>(R(s) % 360u);
                    d3::RotateZ(r1);
                    d3::RotateX(r2);
                    d3::Scale(size, size, size);
                    Shape("EffectPuffDisc");
                    d3::Pop();
                }
                d3::SetOpacity(1.0f);
            }
        }
    }
}
