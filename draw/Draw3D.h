#pragma once
// The renderer calls of the battlefield drawing, in one place: each forwards
// to g3D (nothing without a renderer) and, while a DrawRecorder is installed,
// is also written down, so that tests can read the order of what was drawn.
#include <cstdint>
#include <vector>

#include "renderer/GGraph3D.h"

enum class DrawOp : uint8_t {
    kTexture,
    kColor,
    kOpacity,
    kQuad,         // untextured quad, 4 corners
    kTexturedQuad, // 4 corners with u, v
    kTriangle,
    kTextureFan, // n triangles
    kTextureStrip,
    kPush,
    kPop,
    kTranslate,
    kRotate, // axis in mArgs[0] (0 x, 1 y, 2 z), degrees in mArgs[1]
    kScale,
    kPickGroup,
    kCull, // back-face culling set to mArgs[0]
    kClip, // polygon clipping set to mArgs[0]
    kDistantZ,
    kFog,
    kFan,              // untextured fan, n triangles
    kStrip,            // untextured strip, n triangles
    kTexturedTriangle, // 3 corners with u, v
    kFrame,            // selection frame: left, top, right, bottom, colour
    kReflect,          // mirror: x, y, z flags
    kClockwise,        // front faces wound clockwise: mArgs[0]
};

struct DrawCall {
    DrawOp mOp = DrawOp::kPush;
    GGraphic* mTexture = nullptr; // bound texture at the time of the call
    bool mNeedsClip = false;
    int32_t mCount = 0;       // triangles of a fan or strip
    std::vector<float> mArgs; // corners x, y, z (and u, v) in call order
};

class DrawRecorder {
public:
    std::vector<DrawCall> mCalls;
    GGraphic* mBound = nullptr;
    void Add(DrawOp op, std::initializer_list<float> args);
    int32_t Count(DrawOp op) const;
    // Geometry calls only (quads, triangles, fans, strips).
    int32_t Polygons() const;
};

// Installed by tests; null in the program.
extern DrawRecorder* gDrawRecorder;

namespace d3 {

bool PickPass();
void Texture(GGraphic* t);
void Color(float r, float g, float b);
void SetOpacity(float a);
void Quad(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2, float x3,
          float y3, float z3);
// Corners as x, y, z, u, v, four times.
void TexturedQuad(const float c[20]);
void Triangle(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2);
void TextureFan(bool needsClip, int32_t n, const float* xyz, const float* uv);
void TextureStrip(bool needsClip, int32_t n, const float* xyz, const float* uv);
void Push();
void Pop();
void Translate(float x, float y, float z);
void RotateX(float degrees);
void RotateY(float degrees);
void RotateZ(float degrees);
void Scale(float x, float y, float z);
void IncrementPickGroup();
void SetCull(bool on);
void SetClip(bool on);
bool GetClip();
void SetDistantZ(bool on);
// Returns whether fog was on.
bool Fog(bool on);
// Objects drawn while on that lie wholly beyond the fog's end are left out
// (see GGraph3D::FogCull).
void FogCull(bool on);
bool WorldToScreen(float* x, float* y, float z, bool clamp);
// Untextured runs after Color; a single textured triangle from tables.
void Fan(bool needsClip, int32_t n, const float* xyz);
void Strip(bool needsClip, int32_t n, const float* xyz);
void TexturedTriangle(const float* xyz, const float* uv);
void Reflect(bool x, bool y, bool z);
void SetClockwiseFront(bool on);
void FrameRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t colour);

} // namespace d3
