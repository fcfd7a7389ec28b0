#include "DrawTestUtil.h"

namespace dtest {

PictureShop* gShop = nullptr;

DrawFixture::DrawFixture(bool withRenderer, int32_t w, int32_t h) : settings(CurrentDrawSettings()) {
    settings = DrawSettings{};
    ResetDrawStatics();
    gDrawHooks = DrawHooks{};
    gShop = &shop;
    gDrawHooks.makeTexture = [](int32_t p, int32_t priority) { return gShop->Make(p, priority); };
    gDrawHooks.makeTextureCanFail = [](int32_t p) -> GGraphic* {
        for (int32_t refused : gShop->canFail)
            if (refused == p) return nullptr;
        return gShop->Make(p, 0);
    };
    gDrawHooks.deleteTexture = [](GGraphic*) { ++gShop->deleted; };
    if (withRenderer) renderer = std::make_unique<rtest::Fixture>(w, h);
    gDrawRecorder = &recorder;
}

DrawFixture::~DrawFixture() {
    gDrawRecorder = nullptr;
    renderer.reset();
    gDrawHooks = DrawHooks{};
    gShop = nullptr;
    settings = DrawSettings{};
}

std::unique_ptr<Map> FlatMap(int32_t cols, int32_t rows, uint8_t visibility) {
    auto m = std::make_unique<Map>();
    EXPECT_TRUE(m->IBlankMap(cols, rows, 1.0f, 54));
    ShapeMap(*m, [](float, float) { return 0.0f; });
    SetAllVisible(*m, visibility);
    m->mClipDirty = false;
    return m;
}

void SetAllVisible(Map& m, uint8_t v) {
    std::fill(m.mSuperTileVisibility.begin(), m.mSuperTileVisibility.end(), v);
}

void Aim(Map& m, float x, float y, float heading, int32_t level) {
    const int32_t s = m.ViewingSide();
    m.mCameraX[s] = x;
    m.mCameraY[s] = y;
    m.mCameraHeading[s] = heading;
    m.mCameraLevel[s] = level;
}

std::vector<const DrawCall*> CallsOf(const DrawRecorder& r, DrawOp op) {
    std::vector<const DrawCall*> out;
    for (const DrawCall& c : r.mCalls)
        if (c.mOp == op) out.push_back(&c);
    return out;
}

} // namespace dtest
