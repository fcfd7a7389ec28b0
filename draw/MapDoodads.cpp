// Doodads: up to twenty small ground objects per square, chosen once from
// the terrain under random spots and drawn around the camera as upright
// (crossed or scattered) quads, or flat from high above.
#include <algorithm>
#include <cmath>
#include <utility>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "engine/GOLTA.h"
#include "map/Map.h"

namespace {
// The square whose spots lie in fixed rows (five across, three deep)
// instead of at random.
constexpr Terrain kRowedSquare = 46;

int32_t TypeOf(const Doodad& d) {
    return d.mTypeAndVariant & 0x1f;
}
int32_t VariantOf(const Doodad& d) {
    return d.mTypeAndVariant >> 5;
}
bool Empty(const Doodad& d) {
    return TypeOf(d) == kDoodadEmpty;
}

void MarkEmpty(Doodad* d) {
    d->mTypeAndVariant = static_cast<uint8_t>((d->mTypeAndVariant & 0xe0) | kDoodadEmpty);
}

// Whether slot a should come after slot b: empties last, then by the whole
// part of the range (type 4 first), by type and by variant.
bool GoesAfter(const Doodad& a, const Doodad& b) {
    if (Empty(a)) return !Empty(b);
    if (Empty(b)) return false;
    const int32_t ta = TypeOf(a), tb = TypeOf(b);
    const int32_t ra = ta < kDoodadTypes ? static_cast<int32_t>(kDoodadTypeTable[ta].mRange) : 0;
    const int32_t rb = tb < kDoodadTypes ? static_cast<int32_t>(kDoodadTypeTable[tb].mRange) : 0;
    if (ra != rb) return ra < rb;
    if (ta != tb) return ta > tb;
    return VariantOf(a) > VariantOf(b);
}
} // namespace

void Map::CreateDoodads(int32_t column, int32_t row) {
    if (column < 0 || row < 0 || column >= mWidth || row >= mHeight) return;
    Square& sq = mSquares[static_cast<size_t>(column) * mHeight + row];
    const float x0 = 20.0f * column, y0 = 20.0f * row;
    const bool rowed = GetTerrain(x0 + 10.0f, y0 + 10.0f, false) == kRowedSquare;
    const int32_t ground = gBattle ? gBattle->mGroundCondition : 0;
    const int32_t season = gBattle ? gBattle->mSeason : 0;
    const bool snow = ground >= 6 && ground <= 8;
    const bool palm = UsePalmTrees();
    const int32_t memoryClass = CurrentDrawSettings().mTextureMemoryClass;
    for (int32_t k = 0; k < kDoodadSlots; ++k) {
        Doodad& d = sq.mDoodads[k];
        MarkEmpty(&d);
        const float p = RandomFraction01();
        const int32_t attempts = rowed ? 1 : 8;
        for (int32_t attempt = 0; attempt < attempts; ++attempt) {
            float dx, dy;
            Terrain T;
            if (rowed) {
                if (k >= 15) break;
                dx = static_cast<float>(k % 5) * 4.0f + 2.0f;
                dy = static_cast<float>(k / 5) * 6.6667f + 3.3333f;
                T = kRowedSquare;
            } else {
                dx = RandomFraction01() * 20.0f;
                dy = RandomFraction01() * 20.0f;
                T = GetTerrain(x0 + dx, y0 + dy, false);
            }
            const float x = x0 + dx, y = y0 + dy;
            const int32_t type = (T == 22 && palm) ? 13 : ((T >= 0 && T < 64) ? kTerrainDoodad[T] : -1);
            if (type < 0) break;
            const DoodadTypeInfo& info = kDoodadTypeTable[type];
            if (p >= info.mChance) break;
            if (!info.mDrawnOnSnow && snow) break;
            if (!info.mDrawnInAutumnAndWinter && (season == 2 || season == 3)) break;
            const float r = info.mClearance;
            if (r != 0.0f && (GetTerrain(x + r, y, false) != T || GetTerrain(x - r, y, false) != T ||
                              GetTerrain(x, y + r, false) != T || GetTerrain(x, y - r, false) != T))
                continue;
            const int32_t n =
                memoryClass == 2 ? 1 : (memoryClass == 1 ? (info.mVariants + 1) / 2 : info.mVariants);
            // Three draws, in this order: variant, turn, shade.
            const uint32_t variant = RandomPick(static_cast<uint32_t>(std::max(n, 1)));
            d.mTypeAndVariant = static_cast<uint8_t>((variant << 5) | static_cast<uint32_t>(type));
            d.mX = static_cast<uint8_t>(static_cast<int32_t>(dx * 255.0f * 0.05f));
            d.mY = static_cast<uint8_t>(static_cast<int32_t>(dy * 255.0f * 0.05f));
            d.mTurn = static_cast<uint8_t>(RandomPick(180));
            d.mShade = static_cast<uint8_t>(RandomPair() & 0xff);
            const float h =
                std::min({GetZCoord(x, y), GetZCoord(x + 0.75f * r, y), GetZCoord(x - 0.75f * r, y),
                          GetZCoord(x, y + 0.75f * r), GetZCoord(x, y - 0.75f * r)});
            d.mHeight = static_cast<int16_t>(std::clamp((h - 0.05f) * 150.0f, -32768.0f, 32767.0f));
            break;
        }
    }
    if (rowed) return;
    for (int32_t q = 0; q < kDoodadSlots - 1; ++q)
        for (int32_t s = 0; s < kDoodadSlots - 1 - q; ++s)
            if (GoesAfter(sq.mDoodads[s], sq.mDoodads[s + 1])) std::swap(sq.mDoodads[s], sq.mDoodads[s + 1]);
}

void Map::DrawDoodads() {
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t density = std::clamp(prefs.mDoodadDensity, 0, 4);
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    if (d3::PickPass() || density == 0 || L >= 7 || mSquareCount == 0) return;
    d3::SetCull(false);
    const int32_t R = static_cast<int32_t>(std::sqrt(static_cast<float>(std::max(prefs.mZoom, 1))) *
                                           kDoodadRadius[density]);
    const int32_t N = kDoodadSlotsDrawn[density];
    const int32_t ci = static_cast<int32_t>(std::clamp(mCameraX[side] * 0.05f, -1.0e6f, 1.0e6f));
    const int32_t cj = static_cast<int32_t>(std::clamp(mCameraY[side] * 0.05f, -1.0e6f, 1.0e6f));
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    const float R2 = static_cast<float>(R) * static_cast<float>(R);
    for (int32_t i = ci - R; i <= ci + R; ++i) {
        for (int32_t j = cj - R; j <= cj + R; ++j) {
            const float e2 = static_cast<float>((ci - i) * (ci - i) + (cj - j) * (cj - j));
            if (e2 > R2) continue;
            const int32_t I = i >> 2, J = j >> 2;
            if (I < 0 || J < 0 || I >= tw || J >= th) continue;
            const uint8_t V = mSuperTileVisibility[static_cast<size_t>(I) * th + J];
            if (V == 0 || i >= mWidth || j >= mHeight) continue;
            const Square& sq = mSquares[static_cast<size_t>(i) * mHeight + j];
            for (int32_t k = 0; k < N; ++k) {
                const Doodad& d = sq.mDoodads[k];
                const int32_t type = TypeOf(d);
                // Empty, or a type or variant beyond the table (a damaged square).
                if (type >= kDoodadTypes || VariantOf(d) > 3) break;
                const DoodadTypeInfo& info = kDoodadTypeTable[type];
                if (e2 > R2 * info.mRange) break;
                if (L > info.mTopLevel) continue;
                d3::SetClip(V == 1);
                const float x = d.mX * 0.0784313725f + 20.0f * i, y = d.mY * 0.0784313725f + 20.0f * j;
                const float h = (1.0f - (0.5f - d.mShade * 0.003922f) * info.mSizeSpread) * info.mSize;
                d3::Texture(mDoodadTextures[4 * type + VariantOf(d)]);
                float w = h;
                if (!(e2 < 0.2f * R2 * info.mRange)) {
                    w = 2.0f * h;
                    ++k;
                }
                w *= info.mWidth;
                const float z = d.mHeight / 150.0f + (L >= 5 ? 1.0f : 0.0f);
                d3::Push();
                d3::Translate(x, y, z);
                d3::RotateZ(d.mTurn);
                if (L >= 5) {
                    if (info.mCrossed) d3::Push();
                    d3::RotateX(90.0f);
                }
                const float q[20] = {-w, 0, 0, 0.012f, 0.012f, -w, 0, h, 0.012f, 0.988f,
                                     w,  0, h, 0.988f, 0.988f, w,  0, 0, 0.988f, 0.012f};
                d3::TexturedQuad(q);
                if (info.mCrossed) {
                    if (L >= 5) d3::Pop();
                    if (info.mScattered) {
                        // Whole-number steps of the turn place the second quad.
                        const float sx = static_cast<float>((d.mTurn % 19) / 9 - 1) * 0.4f * w;
                        const float sy = static_cast<float>((d.mTurn % 13) / 6 - 1) * 0.4f * w;
                        d3::Translate(sx, sy, 0.0f);
                        d3::RotateZ(static_cast<float>(d.mTurn % 60 + 60));
                    } else {
                        d3::RotateZ(90.0f);
                    }
                    if (L >= 5) d3::RotateX(90.0f);
                    d3::TexturedQuad(q);
                }
                d3::Pop();
            }
        }
    }
    d3::SetClip(true);
    d3::SetCull(true);
}
