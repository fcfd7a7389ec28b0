// The battlefield's other units: fixed objects shown by a small marker flag
// in a colour of their kind, and an aircraft's plain silhouette.
#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

struct MarkerColour {
    float r, g, b;
};

// Pennant colours by kind: road block, (trenches: none), wire, target
// reference point, anti-personnel mines, anti-tank mines, daisy chain.
constexpr MarkerColour kMarkerColours[] = {{0.45f, 0.3f, 0.15f}, {0.0f, 0.0f, 0.0f}, {0.55f, 0.55f, 0.55f},
                                           {0.85f, 0.1f, 0.1f},  {0.9f, 0.8f, 0.1f}, {0.9f, 0.3f, 0.05f},
                                           {0.95f, 0.55f, 0.1f}};
constexpr int32_t kMarkerKinds = static_cast<int32_t>(sizeof(kMarkerColours) / sizeof(kMarkerColours[0]));

} // namespace

void Inanimate::DrawCode(bool needsClip, float scale, float) {
    const InanimateType kind = GetInanimateType();
    // Unknown kinds have no marker; an obstacle the viewer has not found is
    // not shown. Trenches become part of the ground at the end of set-up;
    // until then their side sees a low mark along the trench.
    if (kind < 0 || kind >= kMarkerKinds) return;
    if (VisibleToPlayer(false) == 0) return;
    const float s = scale > 0.0f ? scale : 1.0f;
    if (kind == kInanimateTrenches) {
        if (!gBattle || !gBattle->mSetupPhase) return;
        d3::Push();
        d3::Scale(s, s, s);
        d3::RotateZ(mHeading);
        d3::Color(0.3f, 0.22f, 0.12f);
        d3::Quad(-4.0f, -0.75f, 0.15f, 4.0f, -0.75f, 0.15f, 4.0f, 0.75f, 0.15f, -4.0f, 0.75f, 0.15f);
        d3::Pop();
        return;
    }
    d3::Push();
    d3::Scale(s, s, s);
    // The pole, 1.5 m.
    d3::Color(0.2f, 0.16f, 0.1f);
    const float pole[24] = {-0.03f, -0.03f, 0.0f,   -0.03f, -0.03f, 1.5f,   0.03f, -0.03f,
                            0.0f,   0.03f,  -0.03f, 1.5f,   0.03f,  0.03f,  0.0f,  0.03f,
                            0.03f,  1.5f,   -0.03f, 0.03f,  0.0f,   -0.03f, 0.03f, 1.5f};
    d3::Strip(needsClip, 6, pole);
    // The pennant, seen from both sides.
    const MarkerColour& c = kMarkerColours[kind];
    d3::Color(c.r, c.g, c.b);
    d3::SetCull(false);
    d3::Triangle(0.0f, 0.0f, 1.5f, 0.0f, 0.0f, 1.1f, 0.6f, 0.0f, 1.3f);
    d3::SetCull(true);
    d3::Pop();
}

void Airplane::DrawCode(bool needsClip, float scale, float) {
    const float s = scale > 0.0f ? scale : 1.0f;
    d3::Push();
    d3::Scale(s, s, s);
    d3::RotateZ(mHeading);
    d3::Color(0.3f, 0.32f, 0.28f);
    d3::SetCull(false);
    // Fuselage, wings and tailplane along +x, 10 m long and 12 m across.
    d3::Quad(-5.0f, -0.6f, 0.0f, 5.0f, -0.6f, 0.0f, 5.0f, 0.6f, 0.0f, -5.0f, 0.6f, 0.0f);
    d3::Quad(0.5f, -6.0f, 0.0f, 2.5f, -6.0f, 0.0f, 2.5f, 6.0f, 0.0f, 0.5f, 6.0f, 0.0f);
    d3::Quad(-5.0f, -2.0f, 0.0f, -4.0f, -2.0f, 0.0f, -4.0f, 2.0f, 0.0f, -5.0f, 2.0f, 0.0f);
    d3::Triangle(-5.0f, 0.0f, 0.0f, -4.0f, 0.0f, 0.0f, -5.0f, 0.0f, 1.6f);
    d3::SetCull(true);
    d3::Pop();
    (void)needsClip;
}
