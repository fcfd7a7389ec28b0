#include "renderer/GGraph3D.h"

#include "renderer/RenderHost.h"

GGraph3D* g3D = nullptr;
RenderHost* gRenderHost = nullptr;
bool sDrawingTransparents = false;

void BuildGlyphIndex();  // GGraph3DText.cpp

GGraph3D::GGraph3D()
    : mCurrentMatrix(&mMatrixStack[0]),
      mTransparencyBuffer(new uint8_t[kTransparencyBytes]),
      mTransparencyWrite(mTransparencyBuffer.get()),
      mTransparencyLimit(mTransparencyBuffer.get() + kTransparencyBytes - kTransparencyReserve),
      mAlphaWrite(mAlphaBuffer),
      mAlphaLimit(mAlphaBuffer + kAlphaBytes) {
    // Every field has a defined value from here on, also those that the
    // original left to Setup3D.
    for (GOLTAMatrix& m : mMatrixStack)
        for (auto& row : m.m)
            for (float& e : row) e = 0.0f;
    for (auto& row : mInverseCamera.m)
        for (float& e : row) e = 0.0f;
    for (int32_t i = 0; i < 4; ++i) mMatrixStack[0].m[i][i] = mInverseCamera.m[i][i] = 1.0f;
    for (GouraudVertex& v : mGouraudVertices) v = GouraudVertex{0, 0, 0, 1, mColor};
    for (TexturedVertex& v : mTexturedVertices) v = TexturedVertex{0, 0, 0, 1, 0, 0};
}

GGraph3D::~GGraph3D() {
    // Fonts and the pointer are deleted also while the kernel quits, so
    // nothing is left behind.
    if (gRenderHost) {
        for (int32_t f = 2; f >= 0; --f) {
            if (mFonts[f]) gRenderHost->DeleteGraphic(mFonts[f]);
            mFonts[f] = nullptr;
        }
        if (mCursorGraphic) gRenderHost->DeleteGraphic(mCursorGraphic);
        mCursorGraphic = nullptr;
    }
    mDelayedStrings.EmptyOut(true);
}

SoftDevice3D* GGraph3D::Device() const { return gRenderHost ? gRenderHost->Get3DDevice() : nullptr; }

bool GGraph3D::Setup3D() {
    mPickPass = 0;
    mCurrentTexture = nullptr;
    if (!gRenderHost || !Device()) return false;
    gRenderHost->PrepareDevice3D();
    mDelayedStrings.IList();
    gRenderHost->DetermineWinPixelFormat();
    mIsSetUp = true;
    mColor = 0xFFFFFFFFu;
    if (!InitializePickEngine() || !InitializePickViewport()) return false;

    // The text strip: screen width x 15, white transparent.
    mTextSurfaceWidth = gRenderHost->ScreenWidth();
    if (mTextSurfaceWidth <= 0) return false;
    mTextSurface.assign(static_cast<size_t>(mTextSurfaceWidth) * 15, 0);

    SoftDeviceCaps hardware, software;
    if (!Device()->GetCaps(&hardware, &software)) {
        mTableFog = false;
        mMaxTextureSize = 256;
        mSortIndependent = false;
    } else {
        const SoftDeviceCaps& caps = gRenderHost->IsHardwareDevice() ? hardware : software;
        mTableFog = caps.wFog || caps.zFog;
        mSortIndependent = caps.translucentSortIndependent;
        uint32_t side = caps.maxTextureWidth < caps.maxTextureHeight ? caps.maxTextureWidth : caps.maxTextureHeight;
        mMaxTextureSize = side > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(side);
    }
    if (mSortIndependent) Device()->SetRenderState(SoftState::TranslucentSortIndependent, SoftValue::kTrue);
    if (mMaxTextureSize < 256) mMaxTextureSize = 256;

    BuildGlyphIndex();
    InitializeFont(0);
    InitializeFont(1);
    InitializeFont(2);
    IdentityTransform();
    SetOpacity(1.0f);
    Color(1.0f, 1.0f, 1.0f);
    InitializeFakeCursor();
    return true;
}

bool GGraph3D::InitializePickEngine() {
    // The 7 x 7 32-bit target with its own 16-bit depth, on its own device
    // with depth test on, no culling and flat shading.
    mPickDevice = std::make_unique<SoftDevice3D>();
    PixelTarget32 target{mPickPixels.data(), 7, 7, 7};
    if (!mPickDevice->ICreate32(target)) return false;
    mPickDevice->SetRenderState(SoftState::ZEnable, SoftValue::kTrue);
    mPickDevice->SetRenderState(SoftState::CullMode, SoftValue::kCullNone);
    mPickDevice->SetRenderState(SoftState::TranslucentSortIndependent, SoftValue::kFalse);
    mPickDevice->SetRenderState(SoftState::ShadeMode, SoftValue::kShadeFlat);
    return true;
}

bool GGraph3D::InitializePickViewport() {
    // The device's viewport is its whole 7 x 7 target with depth 0..1.
    return true;
}

void GGraph3D::InformAppOfVRAM() {
    if (!gRenderHost) return;
    uint32_t freeBytes = 0, totalBytes = 0;
    gRenderHost->GetVideoMemory(&freeBytes, &totalBytes);
    uint32_t bytes = freeBytes != 0 ? freeBytes : totalBytes;
    SoftDeviceCaps hardware, software;
    bool agp = false;
    if (Device() && Device()->GetCaps(&hardware, &software)) agp = hardware.textureNonLocalVidMem;
    gRenderHost->RespondToVRAM(static_cast<int32_t>(bytes / 1024), agp);
}
