#include "draw/Draw3D.h"

DrawRecorder* gDrawRecorder = nullptr;

void DrawRecorder::Add(DrawOp op, std::initializer_list<float> args) {
    DrawCall c;
    c.mOp = op;
    c.mTexture = mBound;
    c.mArgs.assign(args.begin(), args.end());
    mCalls.push_back(std::move(c));
}

int32_t DrawRecorder::Count(DrawOp op) const {
    int32_t n = 0;
    for (const DrawCall& c : mCalls)
        n += c.mOp == op;
    return n;
}

int32_t DrawRecorder::Polygons() const {
    int32_t n = 0;
    for (const DrawCall& c : mCalls)
        n += c.mOp == DrawOp::kQuad || c.mOp == DrawOp::kTexturedQuad || c.mOp == DrawOp::kTriangle ||
             c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip;
    return n;
}

namespace d3 {

bool PickPass() {
    return g3D && g3D->mPickPass != 0;
}

void Texture(GGraphic* t) {
    if (gDrawRecorder) {
        // A null texture leaves the bound one in force, as in the renderer.
        if (t) gDrawRecorder->mBound = t;
        gDrawRecorder->Add(DrawOp::kTexture, {});
    }
    if (g3D) g3D->Texture(t);
}

void Color(float r, float g, float b) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kColor, {r, g, b});
    if (g3D) g3D->Color(r, g, b);
}

void SetOpacity(float a) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kOpacity, {a});
    if (g3D) g3D->SetOpacity(a);
}

void Quad(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2, float x3,
          float y3, float z3) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kQuad, {x0, y0, z0, x1, y1, z1, x2, y2, z2, x3, y3, z3});
    if (g3D) g3D->DrawQuad(x0, y0, z0, x1, y1, z1, x2, y2, z2, x3, y3, z3);
}

void TexturedQuad(const float c[20]) {
    if (gDrawRecorder) {
        gDrawRecorder->Add(DrawOp::kTexturedQuad, {});
        gDrawRecorder->mCalls.back().mArgs.assign(c, c + 20);
    }
    if (g3D)
        g3D->DrawTexturedQuad(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11], c[12],
                              c[13], c[14], c[15], c[16], c[17], c[18], c[19]);
}

void Triangle(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kTriangle, {x0, y0, z0, x1, y1, z1, x2, y2, z2});
    if (g3D) g3D->DrawTriangle(x0, y0, z0, x1, y1, z1, x2, y2, z2);
}

namespace {
void RecordRun(DrawOp op, bool needsClip, int32_t n, const float* xyz, const float* uv) {
    gDrawRecorder->Add(op, {});
    DrawCall& c = gDrawRecorder->mCalls.back();
    c.mNeedsClip = needsClip;
    c.mCount = n;
    for (int32_t k = 0; k < n + 2; ++k) {
        c.mArgs.insert(c.mArgs.end(), xyz + 3 * k, xyz + 3 * k + 3);
        if (uv) c.mArgs.insert(c.mArgs.end(), uv + 2 * k, uv + 2 * k + 2);
    }
}
} // namespace

void TextureFan(bool needsClip, int32_t n, const float* xyz, const float* uv) {
    if (gDrawRecorder) RecordRun(DrawOp::kTextureFan, needsClip, n, xyz, uv);
    if (g3D) g3D->DrawTextureFan(needsClip, n, xyz, uv);
}

void TextureStrip(bool needsClip, int32_t n, const float* xyz, const float* uv) {
    if (gDrawRecorder) RecordRun(DrawOp::kTextureStrip, needsClip, n, xyz, uv);
    if (g3D) g3D->DrawTextureStrip(needsClip, n, xyz, uv);
}

void Push() {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kPush, {});
    if (g3D) g3D->PushMatrix();
}

void Pop() {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kPop, {});
    if (g3D) g3D->PopMatrix();
}

void Translate(float x, float y, float z) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kTranslate, {x, y, z});
    if (g3D) g3D->Translate(x, y, z);
}

void RotateX(float d) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kRotate, {0.0f, d});
    if (g3D) g3D->RotateX(d);
}

void RotateY(float d) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kRotate, {1.0f, d});
    if (g3D) g3D->RotateY(d);
}

void RotateZ(float d) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kRotate, {2.0f, d});
    if (g3D) g3D->RotateZ(d);
}

void Scale(float x, float y, float z) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kScale, {x, y, z});
    if (g3D) g3D->Scale(x, y, z);
}

void IncrementPickGroup() {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kPickGroup, {});
    if (g3D) g3D->IncrementPickGroup();
}

void SetCull(bool on) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kCull, {on ? 1.0f : 0.0f});
    if (g3D) g3D->mCullBackFaces = on;
}

void SetClip(bool on) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kClip, {on ? 1.0f : 0.0f});
    if (g3D) g3D->mClipPolygons = on;
}

bool GetClip() {
    return g3D ? g3D->mClipPolygons : true;
}

void SetDistantZ(bool on) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kDistantZ, {on ? 1.0f : 0.0f});
    if (g3D) g3D->SetDistantZ(on);
}

bool Fog(bool on) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kFog, {on ? 1.0f : 0.0f});
    return g3D ? g3D->Fog(on) : false;
}

void FogCull(bool on) {
    if (g3D) g3D->FogCull(on);
}

bool WorldToScreen(float* x, float* y, float z, bool clamp) {
    return g3D && g3D->WorldToScreen(x, y, z, clamp);
}

void Fan(bool needsClip, int32_t n, const float* xyz) {
    if (gDrawRecorder) RecordRun(DrawOp::kFan, needsClip, n, xyz, nullptr);
    if (g3D) g3D->DrawFan(needsClip, n, xyz);
}

void Strip(bool needsClip, int32_t n, const float* xyz) {
    if (gDrawRecorder) RecordRun(DrawOp::kStrip, needsClip, n, xyz, nullptr);
    if (g3D) g3D->DrawStrip(needsClip, n, xyz);
}

void TexturedTriangle(const float* xyz, const float* uv) {
    if (gDrawRecorder) RecordRun(DrawOp::kTexturedTriangle, false, 1, xyz, uv);
    if (g3D) g3D->DrawTexturedTriangleV(xyz, uv);
}

void Reflect(bool x, bool y, bool z) {
    if (gDrawRecorder)
        gDrawRecorder->Add(DrawOp::kReflect, {x ? 1.0f : 0.0f, y ? 1.0f : 0.0f, z ? 1.0f : 0.0f});
    if (g3D) g3D->Reflect(x, y, z);
}

void SetClockwiseFront(bool on) {
    if (gDrawRecorder) gDrawRecorder->Add(DrawOp::kClockwise, {on ? 1.0f : 0.0f});
    if (g3D) g3D->mClockwiseFront = on;
}

void FrameRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t colour) {
    if (gDrawRecorder)
        gDrawRecorder->Add(DrawOp::kFrame, {static_cast<float>(left), static_cast<float>(top),
                                            static_cast<float>(right), static_cast<float>(bottom),
                                            static_cast<float>(colour)});
    if (g3D) {
        RECT r{left, top, right, bottom};
        g3D->FrameRectangle(&r, colour);
    }
}

} // namespace d3
