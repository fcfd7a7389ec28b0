#pragma once
// Shared set-up of the drawing tests: a small renderer on a test host, a
// call recorder, pictures made in the test (each remembers its number) and
// maps built in code.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "renderer/RendererTestHost.h"
#include "units/DataTables.h"

namespace dtest {

// Pictures made through the drawing's texture hook: a flat colour from the
// picture number, so every texture can be told apart by its number.
struct PictureShop {
    std::vector<std::unique_ptr<rtest::TestPicture>> pictures;
    std::map<GGraphic*, int32_t> numbers;
    std::vector<int32_t> made; // picture numbers in order of making
    std::vector<int32_t> priorities;
    int32_t deleted = 0;
    std::vector<int32_t> canFail; // numbers that MakeTextureCanFail refuses

    GGraphic* Make(int32_t picture, int32_t priority) {
        const uint32_t c = 0xFF000000u | (static_cast<uint32_t>(picture) * 2654435761u >> 8);
        pictures.push_back(rtest::MakePicture(4, 4, [c](int, int) { return c; }));
        GGraphic* g = pictures.back()->AsGraphic();
        numbers[g] = picture;
        made.push_back(picture);
        priorities.push_back(priority);
        return g;
    }
    int32_t NumberOf(GGraphic* g) const {
        auto it = numbers.find(g);
        return it == numbers.end() ? -1 : it->second;
    }
    int32_t Count(int32_t picture) const {
        int32_t n = 0;
        for (int32_t p : made)
            n += p == picture;
        return n;
    }
};

extern PictureShop* gShop;

// Installs the recorder, the picture hooks and default settings; with a
// renderer, also a test host of w x h pixels as g3D.
class DrawFixture {
public:
    explicit DrawFixture(bool withRenderer = true, int32_t w = 160, int32_t h = 120);
    ~DrawFixture();
    DrawFixture(const DrawFixture&) = delete;
    DrawFixture& operator=(const DrawFixture&) = delete;

    DrawRecorder recorder;
    PictureShop shop;
    std::unique_ptr<rtest::Fixture> renderer;
    DrawSettings& settings;
};

// A map of cols x rows squares at height 0, with its super tiles made and
// every super tile marked visible (2) unless asked otherwise.
std::unique_ptr<Map> FlatMap(int32_t cols, int32_t rows, uint8_t visibility = 2);
// Sets every corner and centre height from f(x, y) in metres and remakes the
// derived arrays.
template <class F> void ShapeMap(Map& m, F f) {
    for (int32_t i = 0; i <= m.mWidth; ++i)
        for (int32_t j = 0; j <= m.mHeight; ++j)
            m.mCornerHeight[static_cast<size_t>(i) * (m.mHeight + 1) + j] = f(20.0f * i, 20.0f * j);
    for (int32_t i = 0; i < m.mWidth; ++i)
        for (int32_t j = 0; j < m.mHeight; ++j)
            m.mCenterHeight[static_cast<size_t>(i) * m.mHeight + j] = f(20.0f * i + 10.0f, 20.0f * j + 10.0f);
    m.ComputeMidPointElevations();
    m.PrecomputeSuperTiles();
}
void SetAllVisible(Map& m, uint8_t v);
// Places the viewing side's camera.
void Aim(Map& m, float x, float y, float headingRadians, int32_t level);

// Calls of one kind in the recorder.
std::vector<const DrawCall*> CallsOf(const DrawRecorder& r, DrawOp op);

// The matrix depth the recorded calls leave: pushes less pops.
inline int Depth(const DrawRecorder& r) {
    int d = 0;
    for (const DrawCall& c : r.mCalls)
        d += c.mOp == DrawOp::kPush ? 1 : c.mOp == DrawOp::kPop ? -1 : 0;
    return d;
}
// The same, or -100 when the calls ever pop below where they started.
inline int CheckedDepth(const DrawRecorder& r) {
    int d = 0, low = 0;
    for (const DrawCall& c : r.mCalls) {
        d += c.mOp == DrawOp::kPush ? 1 : c.mOp == DrawOp::kPop ? -1 : 0;
        low = std::min(low, d);
    }
    return low < 0 ? -100 : d;
}
// Fans, strips and triangles recorded, textured or not.
inline int Primitives(const DrawRecorder& r) {
    int n = 0;
    for (const DrawCall& c : r.mCalls)
        n += c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip || c.mOp == DrawOp::kFan ||
             c.mOp == DrawOp::kStrip || c.mOp == DrawOp::kTriangle || c.mOp == DrawOp::kTexturedTriangle;
    return n;
}

// A unit's two label lines, their kinds and whether it shows, as its label
// function gives them for a set of facts.
struct Label {
    bool shown;
    std::string first, second;
    int32_t kind1, kind2;
};
template <class Facts>
Label LabelOf(bool (*texts)(const Facts&, GString*, int32_t*, GString*, int32_t*), const Facts& v) {
    GString255 a, b;
    Label l{};
    l.shown = texts(v, &a, &l.kind1, &b, &l.kind2);
    l.first = a.GetCString();
    l.second = b.GetCString();
    return l;
}

// N rows of a game table, zeroed, that the table reads for the holder's
// life; the rows it read before come back afterwards.
template <class T, int32_t N> class TestRows {
public:
    explicit TestRows(DataTable<T>& table) : mTable(table), mOld(table.Rows()), mOldCount(table.Count()) {
        mTable.Attach(mRows, N);
    }
    ~TestRows() { mTable.Attach(const_cast<T*>(mOld), mOldCount); }
    TestRows(const TestRows&) = delete;
    TestRows& operator=(const TestRows&) = delete;
    T& operator[](int32_t i) { return mRows[i]; }
    T* begin() { return mRows; }
    T* end() { return mRows + N; }

private:
    T mRows[N] = {};
    DataTable<T>& mTable;
    const T* mOld;
    int32_t mOldCount;
};

// A battle installed as the current one for the scope's life.
struct BattleScope {
    Battle battle;
    Battle* old;
    BattleScope() : old(gBattle) { gBattle = &battle; }
    ~BattleScope() { gBattle = old; }
};

} // namespace dtest
