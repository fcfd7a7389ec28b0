#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/GGroup.h"
#include "engine/GObject.h"
#include "platform/SoftDevice3D.h"
#include "renderer/GOLTAMatrix.h"

class GGraphic;
class GString;
class TransparencySorter;

// Three floats red, green, blue: the light factors.
struct ColorRGB {
    float red, green, blue;
};

// A screen rectangle: left, top, right, bottom.
struct RECT {
    int32_t left, top, right, bottom;
};

// The screen-space vertices handed to the device.
struct GouraudVertex {
    float x, y, z, rhw;
    uint32_t color;  // ARGB
};
struct TexturedVertex {
    float x, y, z, rhw, u, v;
};
static_assert(sizeof(GouraudVertex) == 20 && sizeof(TexturedVertex) == 24);
// The textured vertex under the name the battlefield drawing uses.
using TexturedScreenVertex = TexturedVertex;

// A corner of the polygon being clipped: clip-space X, Y, Z, W and U, V.
struct WorkVertex {
    float X, Y, Z, W, U, V;
};

// Clipping a quadrilateral against six planes can add one corner per plane,
// so every polygon buffer holds ten.
constexpr int32_t kMaxPolygonVertices = 10;

struct WorkPolygon {
    int32_t count;
    WorkVertex v[kMaxPolygonVertices];
};

// Fonts are numbered 0, 1 and 2 (GOLTAFont); the renderer takes the number.

// The 3-D renderer: its own matrix stack, camera, projection, clipping,
// picking, translucency sorting and queued text, handing the device only
// screen-space vertices. One object, g3D, owned by the kernel.
class GGraph3D : public GObject {
public:
    GGraph3D();
    ~GGraph3D() override;

    // Set-up and video memory.
    bool Setup3D();
    void InformAppOfVRAM();

    // Draw state.
    void Color(float r, float g, float b);
    void Texture(GGraphic* texture);
    void SetOpacity(float a);
    void SetLightFactors(const ColorRGB* newFactors, ColorRGB* oldOut);
    void SetLightFactor(float f);
    void GetLightFactors(ColorRGB* out) const;
    void SetMipMapMaster(bool on);
    bool SetMipMapLocal(bool on);
    void SetDistantZ(bool on);
    void StartHiliteBox();
    void EndHiliteBox(RECT* out);
    void Transform3DSoundPoint(float* x, float* y, float* z) const;

    // Fog and the texture-error state.
    bool Fog(bool on);
    void FogColor(float r, float g, float b);
    void FogRange(float start, float end, float third);
    // While on (and fog is on, outside the pick pass, distant depth and a
    // hilite box), a polygon whose every corner lies at or beyond the fog's
    // end is not drawn: each of its pixels would be the fog colour. For
    // objects that stand in front of something drawn in fog (ground,
    // backdrop), not for the ground itself. FogCulled counts the polygons
    // left out.
    void FogCull(bool on) { mFogCull = on; }
    // The eye distance from which the cull drops a polygon: 1.001 x the
    // fog's end, or 0 where nothing is dropped now.
    float FogCullLimit() const {
        const bool on = mFogCull && mFogOn && mTableFog && !mDistantZ && mPickPass == 0 && !mHiliteBoxOn &&
                        mFogEnd > 0.0f && mFogEnd < 1.0e30f;
        return on ? mFogEnd * 1.001f : 0.0f;
    }
    int64_t FogCulled() const { return mFogCulled; }
    bool GetTextureErrorFlagSys() const { return mTextureErrorFlag; }
    void SetTextureErrorFlagSys() { mTextureErrorFlag = true; }
    int32_t GetTextureDownsample() const { return mTextureDownsample; }
    void SetTextureDownsample(int32_t level) { mTextureDownsample = level; }
    bool GetTextureErrorState(int32_t* levelOut);
    int32_t GetMaxTextureSize() const { return mMaxTextureSize; }

    // Frame and translucency.
    bool RenderBegin(const RECT* unused);
    void RenderEnd();
    GList* SortTransparencies(uint8_t* start, uint8_t* end);
    void DrawOneTransparency(TransparencySorter* sorter);

    // Fonts, queued 3-D text and the drawn pointer.
    void InitializeFont(int32_t font);
    int32_t StringWidthInPixels3D(const GString* text, int32_t font) const;
    void WriteString3D(const GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                       uint8_t red, uint8_t green, uint8_t blue);
    void FlushDelayedStringsWin();
    void InitializeFakeCursor();
    void DrawFakeCursor(int32_t x, int32_t y);
    void Show3DCursor(bool show);

    // Matrix stack and transforms.
    void IdentityTransform();
    void Translate(float x, float y, float z);
    void TranslateY(float y);
    void TranslateZ(float z);
    void TranslateXY(float x, float y);
    void TranslateXZ(float x, float z);
    void TranslateYZ(float y, float z);
    void Scale(float x, float y, float z);
    void ScaleX(float s);
    void ScaleY(float s);
    void ScaleZ(float s);
    void RotateX(float degrees);
    void RotateY(float degrees);
    void RotateZ(float degrees);
    void RotateXY(float first, float second);
    void RotateYX(float first, float second);
    void RotateXZ(float first, float second);
    void RotateZX(float first, float second);
    void RotateYZ(float first, float second);
    void Reflect(bool x, bool y, bool z);
    // Refused beyond 99 outstanding pushes, or a pop without a push.
    bool PushMatrix();
    bool PopMatrix();
    int32_t GetMatrixDepth() const { return static_cast<int32_t>(mCurrentMatrix - mMatrixStack); }

    // Camera, view and projection.
    void LookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
                float upX, float upY, float upZ);
    void StoreLookAtMatrix();
    void ActivateBasicView(int32_t left, int32_t top, int32_t width, int32_t height);
    void ActivateView(int32_t left, int32_t top, int32_t width, int32_t height, float fov,
                      float nearZ, float farZ);
    bool WorldToScreen(float* x, float* y, float z, bool clamp) const;
    int32_t BoundingBoxTest(float x, float y, float z, float dx, float dy, float dz);

    // Picking.
    void ActivatePicking(int32_t x, int32_t y, int32_t width, int32_t height, float fov, float nearZ,
                         float farZ);
    void RotatePickingCamera();
    void IncrementPickGroup();
    void Continue3DPick();
    void ComputePickedPoint();
    void FinishedPicking();
    bool GetPickPoint(float* x, float* y, float* z) const;

    // Immediate primitives.
    void DrawTriangle(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2,
                      float z2);
    void DrawTriangleV(const float* xyz);
    void DrawTexturedTriangle(float x0, float y0, float z0, float u0, float v0, float x1, float y1,
                              float z1, float u1, float v1, float x2, float y2, float z2, float u2,
                              float v2);
    void DrawTexturedTriangleV(const float* xyz, const float* uv);
    void DrawQuad(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2,
                  float z2, float x3, float y3, float z3);
    void DrawTexturedQuad(float x0, float y0, float z0, float u0, float v0, float x1, float y1,
                          float z1, float u1, float v1, float x2, float y2, float z2, float u2,
                          float v2, float x3, float y3, float z3, float u3, float v3);
    void DrawTexturedQuadV(const float* xyz, const float* uv);

    // Strips and fans of n triangles over n + 2 vertices.
    void DrawTextureFan(bool needsClip, int32_t n, const float* xyz, const float* uv);
    void DrawTextureStrip(bool needsClip, int32_t n, const float* xyz, const float* uv);
    void DrawFan(bool needsClip, int32_t n, const float* xyz);
    void DrawStrip(bool needsClip, int32_t n, const float* xyz);

    // Screen-space rectangles and lines, drawn at once over the scene.
    void PaintRectangle(const RECT* r, uint16_t colour);
    void FrameRectangle(RECT* r, uint16_t colour);
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour, int16_t width);

    // The pick target, for tests and the pick read-back.
    const uint32_t* PickPixels() const { return mPickPixels.data(); }
    SoftDevice3D* PickDevice() { return mPickDevice.get(); }

    // Fields, in the order of their declaration in the original object. The
    // four pick objects are the 7 x 7 target, its device and its depth.
    std::unique_ptr<SoftDevice3D> mPickDevice;
    std::array<uint32_t, 49> mPickPixels{};
    std::vector<uint16_t> mTextSurface;  // screen width x 15, white is transparent
    int32_t mTextSurfaceWidth = 0;
    uint32_t mColor = 0xFFFFFFFFu;
    GGraphic* mCursorGraphic = nullptr;
    GGraphic* mFonts[3] = {nullptr, nullptr, nullptr};
    GList mDelayedStrings;
    GouraudVertex mGouraudVertices[kMaxPolygonVertices];
    TexturedVertex mTexturedVertices[kMaxPolygonVertices];
    bool mMipMapMaster = false;
    bool mMipMapLocal = false;
    bool mIsSetUp = false;
    bool mSortIndependent = false;
    bool mTableFog = false;
    bool mCursorHidden = false;
    int32_t mTextureDownsample = 0;
    bool mTextureErrorFlag = false;
    ColorRGB mLightFactors{1.0f, 1.0f, 1.0f};
    float mViewCenterX = 0, mViewCenterY = 0, mViewHalfWidth = 1, mViewHalfHeight = 1;
    float mDepthScale = 1, mDepthOffset = 0, mProjectionX = 1, mProjectionY = 1;
    GOLTAMatrix* mCurrentMatrix;
    GOLTAMatrix mInverseCamera;
    GOLTAMatrix mMatrixStack[100];
    bool mPolygonTextured = false;
    bool mBackFaceCull = true;
    bool mClipNeeded = true;
    bool mFrontClockwise = true;
    // The same three flags under the names the battlefield drawing uses.
    bool& mCullBackFaces = mBackFaceCull;
    bool& mClipPolygons = mClipNeeded;
    bool& mClockwiseFront = mFrontClockwise;
    bool mHiliteBoxOn = false;
    float mHiliteMinX = 0, mHiliteMinY = 0, mHiliteMaxY = 0, mHiliteMaxX = 0;
    WorkPolygon mWorkPolygon{};
    int32_t mPickPass = 0;
    int32_t mNextPickID = 1;
    int32_t mPickedID = 0;
    bool mPickHit = false;
    bool mPickPointValid = false;
    float mPickPoint[3] = {0, 0, 0};
    bool mDistantZ = false;
    float mDistantDepth = 0.99999f;
    float mDistantPickDepth = 0.99999f;
    float mPickPitch = 0, mPickYaw = 0;
    int32_t mPickGroupEnds[99] = {};
    int32_t mPickGroupCount = 0;
    GGraphic* mCurrentTexture = nullptr;
    static constexpr int32_t kTransparencyBytes = 1572864;
    static constexpr int32_t kTransparencyReserve = 580;
    std::unique_ptr<uint8_t[]> mTransparencyBuffer;
    uint8_t* mTransparencyWrite;
    uint8_t* mTransparencyLimit;
    int32_t mMaxTextureSize = 256;
    bool mFogOn = false;
    bool mFogCull = false;
    float mFogEnd = 0.0f;
    int64_t mFogCulled = 0;
    static constexpr int32_t kAlphaBytes = 20000;
    uint8_t mAlphaBuffer[kAlphaBytes];
    uint8_t* mAlphaWrite;
    uint8_t* mAlphaLimit;

    // The same fields under the names the battlefield drawing uses.
    uint32_t& mCurrentColor = mColor;
    GouraudVertex (&mColorVertices)[kMaxPolygonVertices] = mGouraudVertices;
    TexturedVertex (&mTextureVertices)[kMaxPolygonVertices] = mTexturedVertices;
    bool& mTexturedPrimitive = mPolygonTextured;
    bool& mTranslucentSortIndependent = mSortIndependent;
    bool& mTableFogCapable = mTableFog;
    int32_t& mPickID = mNextPickID;
    int32_t& mWorkCount = mWorkPolygon.count;
    uint8_t*& mRecordWrite = mTransparencyWrite;
    uint8_t*& mRecordLimit = mTransparencyLimit;

private:
    friend struct GGraph3DTestAccess;
    bool InitializePickEngine();
    bool InitializePickViewport();
    bool Clip();

    // The pipeline shared by every primitive once its work polygon holds
    // X, Y, W (and U, V): culling, projection, rejection, clipping, picking,
    // screen mapping, hilite box and drawing or storing.
    // run: the polygon is a triangle of a strip or fan.
    void FinishPolygon(bool run = false);
    void MapToScreen(bool textured, bool pick, bool run);
    void DrawOrStore(bool textured);
    void StoreTranslucent(bool textured);
    void DrawPickPolygon(bool run);
    // Fills corner i of the work polygon from an object point; returns its W.
    void TransformCorner(int32_t i, float x, float y, float z);
    void RunTriangle(const float* p0, const float* p1, const float* p2, const float* t0,
                     const float* t1, const float* t2, bool run = false);
    void FastRun(bool fan, bool textured, int32_t n, const float* xyz, const float* uv);
    void CarefulRun(bool fan, bool textured, int32_t n, const float* xyz, const float* uv);
    void DrawDevice(SoftDevice3D* device, int32_t count, bool textured);
    SoftDevice3D* Device() const;
    void DisableTextureStage();
    void DrawTextNow(const GString* text, int32_t x, int32_t y, int32_t justify, int32_t font,
                     uint8_t red, uint8_t green, uint8_t blue);
    bool ProcessFlatRectangle(RECT* r, uint16_t colour, GouraudVertex* out);
};

extern GGraph3D* g3D;

// While RenderEnd draws the stored translucent polygons.
extern bool sDrawingTransparents;
