// The trees of the battlefield, planted when a map is made or loaded.
#include "map/Map.h"

// ---------------------------------------------------------------- trees

namespace {

// The trees are scenery: they are placed with a generator of their own,
// seeded from the map's size, so that loading a map draws nothing from the
// program's generator (network peers stay in step) and every machine plants
// the same wood.
class TreeRandom {
public:
    explicit TreeRandom(uint32_t seed) : mState(seed) {}
    int32_t Next()
    {
        mState = mState * 1103515245u + 12345u;
        return static_cast<int32_t>((mState >> 16) & 0x7fff);
    }
    float Fraction()
    {
        uint32_t r = (static_cast<uint32_t>(Next()) << 16) | static_cast<uint32_t>(Next());
        return static_cast<float>((r % 10000000u) * 1e-7);
    }

private:
    uint32_t mState;
};

} // namespace

void Map::AddTrees()
{
    for (GList* list : mTrees) list->EmptyOut(true);
    TreeRandom random(static_cast<uint32_t>(mWidth * 7919 + mHeight));
    // Every square is tried on a 4 x 4 grid of 5 m cells; a cell keeps its
    // tree with a chance of a quarter per density class of its terrain.
    constexpr int32_t kCells = 4;
    constexpr float kCell = kSquareSize / kCells;
    int32_t planted = 0;
    for (int32_t col = 0; col < mWidth; ++col) {
        for (int32_t row = 0; row < mHeight; ++row) {
            for (int32_t c = 0; c < kCells * kCells; ++c) {
                float x = col * kSquareSize + (c % kCells) * kCell + random.Fraction() * kCell;
                float y = row * kSquareSize + (c / kCells) * kCell + random.Fraction() * kCell;
                float keep = random.Fraction();
                const TerrainInfo& info = TerrainInfoOf(GetTerrain(x, y, false));
                if (info.mTrees < 1 || keep >= info.mTrees * 0.25f) continue;
                Tree* tree = new Tree;
                tree->mX = x;
                tree->mY = y;
                tree->mZ = GetZCoord(x, y) - 0.2f;
                tree->mSize = (0.8f + 0.5f * random.Fraction()) * 9.0f;
                tree->mTurn = random.Fraction() * 360.0f;
                tree->mTall = info.mTall;
                tree->mMirror = static_cast<char>(random.Next() & 1);
                tree->mVariant = static_cast<char>(random.Next() % kTreeVariants);
                tree->mKind = info.mTreeKind;
                // Round robin, so that each density list thins the wood evenly.
                mTrees[planted % kTreeLists]->Add(tree);
                ++planted;
            }
        }
    }
}
