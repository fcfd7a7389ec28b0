// The frame: depth cleared at its start; translucent polygons stored during
// it, sorted far to near and drawn after everything opaque; then the queued
// text; then the page flip.
#include <cstring>

#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"
#include "renderer/TransparencySorter.h"

using namespace SoftValue;

namespace {

constexpr uint32_t kTexturedRecord = 0x10000;

struct RecordHeader {
    uint32_t type;
    int32_t count;
    GGraphic* texture;
};

RecordHeader ReadHeader(const uint8_t* p) {
    RecordHeader h;
    std::memcpy(&h.type, p, 4);
    std::memcpy(&h.count, p + 4, 4);
    std::memcpy(&h.texture, p + 8, sizeof h.texture);
    return h;
}

float DepthSum(const uint8_t* vertices, int32_t stride) {
    float sum = 0.0f;
    for (int32_t i = 0; i < 3; ++i) {
        float z;
        std::memcpy(&z, vertices + i * stride + 8, 4);
        sum += z;
    }
    return sum;
}

int32_t CompareFarFirst(GObject* a, GObject* b, void*) {
    float da = static_cast<TransparencySorter*>(a)->mDepth, db = static_cast<TransparencySorter*>(b)->mDepth;
    if (da > db) return -1;
    if (da < db) return 1;
    return 0;
}

}  // namespace

bool GGraph3D::RenderBegin(const RECT*) {
    mTransparencyWrite = mTransparencyBuffer.get();
    mCurrentTexture = nullptr;
    SoftDevice3D* d = Device();
    if (!d) return false;
    SoftRect whole{0, 0, gRenderHost->ScreenWidth(), gRenderHost->ScreenHeight()};
    d->Clear(&whole, 1, kSoftClearZBuffer, 0, 1.0f);
    if (!d->BeginScene()) return false;
    mAlphaWrite = mAlphaBuffer;
    d->SetTextureStageState(SoftStage::ColorArg1, kArgTexture);
    d->SetTextureStageState(SoftStage::AlphaArg1, kArgTexture);
    d->SetTextureStageState(SoftStage::AlphaArg2, kArgTFactor);
    d->SetTextureStageState(SoftStage::AlphaOp, kOpDisable);
    d->SetTextureStageState(SoftStage::ColorOp, kOpDisable);
    mCurrentTexture = nullptr;
    return true;
}

void GGraph3D::RenderEnd() {
    SoftDevice3D* d = Device();
    if (d && mTransparencyWrite > mTransparencyBuffer.get()) {
        Color(1.0f, 1.0f, 1.0f);
        uint32_t blend = d->GetRenderState(SoftState::AlphaBlendEnable);
        d->SetRenderState(SoftState::AlphaBlendEnable, kTrue);
        mAlphaWrite = mAlphaBuffer;
        sDrawingTransparents = true;
        mCurrentTexture = nullptr;
        GList* list = SortTransparencies(mTransparencyBuffer.get(), mTransparencyWrite);
        list->DoForEach([](GObject* member, void*) { g3D->DrawOneTransparency(static_cast<TransparencySorter*>(member)); },
                        nullptr);
        delete list;
        d->SetRenderState(SoftState::AlphaBlendEnable, blend);
        sDrawingTransparents = false;
    }
    FlushDelayedStringsWin();
    if (d && d->EndScene() && gRenderHost) gRenderHost->Flip();
}

GList* GGraph3D::SortTransparencies(uint8_t* start, uint8_t* end) {
    GList* list = new GList;
    list->IList();
    for (uint8_t* p = start; p < end;) {
        RecordHeader h = ReadHeader(p);
        bool textured = (h.type & kTexturedRecord) != 0;
        int32_t stride = textured ? 24 : 20;
        auto* sorter = new TransparencySorter;
        sorter->mRecord = p;
        sorter->mDepth = DepthSum(p + 16, stride);
        if (textured && mAlphaWrite < mAlphaLimit) sorter->mAlpha = *mAlphaWrite++;
        list->Add(sorter);
        p += 16 + h.count * stride;
    }
    list->QuickSort(CompareFarFirst, nullptr);
    return list;
}

void GGraph3D::DrawOneTransparency(TransparencySorter* sorter) {
    SoftDevice3D* d = Device();
    if (!d || !sorter || !sorter->mRecord) return;
    RecordHeader h = ReadHeader(sorter->mRecord);
    bool textured = (h.type & kTexturedRecord) != 0;
    int32_t n = h.count;
    if (n < 3 || n > kMaxPolygonVertices) return;
    SoftPrimitive type = n == 3 ? SoftPrimitive::TriangleList : SoftPrimitive::TriangleFan;
    if (textured) {
        // A record stored while no texture was bound keeps its textured
        // vertices; it is drawn with the stage as it stands.
        Texture(h.texture);
        d->SetRenderState(SoftState::TextureFactor, (uint32_t(sorter->mAlpha) << 24) | 0x00FFFFFFu);
        TexturedVertex v[kMaxPolygonVertices];
        std::memcpy(v, sorter->mRecord + 16, size_t(n) * sizeof(TexturedVertex));
        d->DrawPrimitive(type, kSoftFvfTex1, v, n, kSoftDrawFlags);
    } else {
        if (mCurrentTexture) DisableTextureStage();
        GouraudVertex v[kMaxPolygonVertices];
        std::memcpy(v, sorter->mRecord + 16, size_t(n) * sizeof(GouraudVertex));
        d->DrawPrimitive(type, kSoftFvfDiffuse, v, n, kSoftDrawFlags);
    }
}
