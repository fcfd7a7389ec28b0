#include "draw/DrawTables.h"

#include <cmath>

#include "engine/GOLTA.h"

const float kUnitScaleTable[3][45] = {
    {1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, //
     1.02f, 1.17f, 1.30f, 1.30f, 1.30f, 1.50f, 1.75f, 1.87f, 1.95f, //
     1.05f, 1.35f, 1.60f, 1.70f, 1.75f, 2.00f, 2.50f, 2.75f, 3.00f, //
     1.14f, 1.55f, 1.95f, 2.15f, 2.25f, 2.10f, 2.61f, 2.85f, 3.00f, //
     1.20f, 1.75f, 2.25f, 2.45f, 2.55f, 2.40f, 3.00f, 3.30f, 3.50f},
    {0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, //
     0.22f, 0.22f, 0.25f, 0.27f, 0.29f, 0.30f, 0.30f, 0.33f, 0.36f, //
     0.38f, 0.37f, 0.41f, 0.43f, 0.45f, 0.45f, 0.45f, 0.50f, 0.53f, //
     0.47f, 0.46f, 0.48f, 0.50f, 0.52f, 0.60f, 0.60f, 0.65f, 0.68f, //
     0.70f, 0.62f, 0.55f, 0.64f, 0.71f, 0.70f, 0.70f, 0.75f, 0.78f},
    {0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, 0.00f, //
     0.10f, 0.10f, 0.13f, 0.14f, 0.15f, 0.03f, 0.10f, 0.15f, 0.18f, //
     0.19f, 0.18f, 0.19f, 0.20f, 0.21f, 0.04f, 0.15f, 0.23f, 0.26f, //
     0.24f, 0.23f, 0.24f, 0.25f, 0.26f, 0.05f, 0.20f, 0.30f, 0.33f, //
     0.27f, 0.26f, 0.27f, 0.28f, 0.29f, 0.06f, 0.22f, 0.33f, 0.36f},
};

const CameraLevelInfo kCameraLevels[9] = {
    {-4.0f, -99.0f, 1.9f, 3.5f, {32, 39, 46}, {3, 3, 3}, {8, 7, 6}},
    {-15.0f, 12.0f, 8.0f, 6.5f, {36, 43, 50}, {9, 11, 12.5f}, {22, 21, 14}},
    {-70.0f, 55.0f, 25.0f, 20.0f, {34, 41, 48}, {13, 16.5f, 15.5f}, {43, 38, 30}},
    {-170.0f, 140.0f, 70.0f, 50.0f, {40, 49, 58}, {18, 21, 20}, {50, 29, 6}},
    {-270.0f, 280.0f, 150.0f, 50.0f, {48, 57, 66}, {22, 26, 24.5f}, {70, 30, 3}},
    {0.0f, 150.0f, 70.0f, 40.0f, {50, 55, 60}, {89.9f, 89.9f, 89.9f}, {0, 0, 0}},
    {0.0f, 450.0f, 280.0f, 200.0f, {50, 55, 60}, {89.9f, 89.9f, 89.9f}, {0, 0, 0}},
    {0.0f, 1200.0f, 625.0f, 1000.0f, {50, 55, 60}, {89.9f, 89.9f, 89.9f}, {0, 0, 0}},
    {0.0f, 3000.0f, 1250.0f, 1500.0f, {50, 55, 60}, {89.9f, 89.9f, 89.9f}, {0, 0, 0}},
};

const float kZoomPitchReduction[5][4] = {
    {1.0f, 1.0f, 1.0f, 1.0f}, {5.5f, 8.0f, 9.2f, 9.2f}, {4.0f, 5.5f, 6.2f, 6.2f},
    {3.5f, 5.3f, 6.4f, 6.8f}, {3.5f, 5.3f, 6.4f, 6.8f},
};

const DoodadTypeInfo kDoodadTypeTable[kDoodadTypes] = {
    {4, 0.21f, 2.0f, 0.16f, 0.4f, 1, 1, 0.18f, 1, 1, 0, 1, 0, 0.0f},
    {2, 1.25f, 2.0f, 1.0f, 0.1f, 1, 1, 0.5f, 3, 0, 0, 0, 0, 3.0f},
    {2, 1.1f, 1.0f, 1.0f, 0.6f, 1, 1, 0.8f, 3, 1, 1, 1, 1, 1.0f},
    {2, 1.0f, 1.0f, 0.65f, 1.0f, 1, 0, 0.2f, 2, 0, 1, 1, 1, 0.0f},
    {3, 1.0f, 0.5f, 1.0f, 0.6f, 0, 0, 1.0f, 6, 0, 1, 1, 1, 1.0f},
    {2, 1.7f, 0.3f, 1.0f, 0.1f, 1, 0, 0.65f, 3, 1, 1, 1, 0, 0.0f},
    {2, 1.3f, 1.0f, 0.05f, 0.3f, 1, 0, 0.4f, 2, 0, 1, 1, 0, 2.0f},
    {2, 1.2f, 1.0f, 0.5f, 0.6f, 1, 1, 0.38f, 3, 0, 0, 1, 0, 1.0f},
    {2, 1.5f, 2.0f, 1.0f, 1.0f, 1, 1, 0.55f, 3, 0, 1, 1, 0, 0.0f},
    {2, 0.3f, 1.0f, 1.0f, 1.0f, 1, 0, 0.3f, 3, 0, 1, 1, 1, 0.0f},
    {4, 0.4f, 4.0f, 0.45f, 0.5f, 0, 1, 0.14f, 2, 1, 0, 1, 0, 0.0f},
    {2, 0.9f, 1.0f, 0.75f, 0.7f, 1, 1, 0.2f, 2, 1, 1, 1, 1, 1.0f},
    {4, 0.3f, 1.0f, 0.16f, 0.4f, 1, 1, 0.24f, 1, 0, 0, 1, 0, 0.0f},
    {2, 2.0f, 1.0f, 1.0f, 0.7f, 1, 1, 0.3f, 2, 0, 1, 1, 0, 1.0f},
};

const int8_t kTerrainDoodad[64] = {
    0,  -1, 9,  4,  0,  -1, -1, -1, -1, -1, // 0-9
    -1, -1, -1, -1, -1, -1, -1, -1, -1, 7,  // 10-19
    10, 11, -1, 1,  2,  3,  8,  0,  -1, 9,  // 20-29
    10, 11, -1, 1,  2,  3,  -1, -1, -1, -1, // 30-39
    -1, -1, -1, -1, -1, -1, 5,  5,  12, 12, // 40-49
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, // 50-59
    -1, -1, -1, -1,                         // 60-63
};

const int32_t kDoodadRadius[5] = {0, 19, 32, 45, 64};
const int32_t kDoodadSlotsDrawn[5] = {5, 5, 10, 15, 20};

namespace {
// The tree table, built by rule: sets 0-3 share their rows (row 0 broadleaf
// pictures 0-3 with crown 9, row 1 mixed 10-14 with crowns 17-19, row 2
// conifers 20-24 with crowns 27-29); set 4 (frost) uses 40-43 / 48-49 and
// 50-54 / 58-59.
struct TreeTableBuilder {
    TreePicturePair t[15][20];
    TreeTableBuilder() {
        static const int8_t row0[20] = {0, 0, 2, 2, 1, 1, 3, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
        for (int32_t set = 0; set < 5; ++set)
            for (int32_t j = 0; j < 20; ++j) {
                if (set < 4) {
                    t[3 * set][j] = {row0[j], 9};
                    // The woods: green mixed wood (510-519) from spring to autumn,
                    // late and bare trees (530-539) in winter.
                    if (set == 3)
                        t[10][j] = {static_cast<int8_t>(30 + j % 7), static_cast<int8_t>(37 + j % 3)};
                    else
                        t[3 * set + 1][j] = {static_cast<int8_t>(10 + j % 5), static_cast<int8_t>(17 + j % 3)};
                    t[3 * set + 2][j] = {static_cast<int8_t>(20 + j % 5), static_cast<int8_t>(27 + j % 3)};
                } else {
                    t[12][j] = {static_cast<int8_t>(40 + j % 4), static_cast<int8_t>(48 + j % 2)};
                    t[13][j] = {static_cast<int8_t>(50 + j % 5), static_cast<int8_t>(58 + j % 2)};
                    t[14][j] = {static_cast<int8_t>(50 + (j + 2) % 5), static_cast<int8_t>(58 + (j + 1) % 2)};
                }
            }
    }
};
const TreeTableBuilder kTreeBuilt;
} // namespace

TreePicturePair TreePair(int32_t row, int32_t column) {
    if (row < 0 || row >= 15 || column < 0 || column >= 20) return {0, 9};
    return kTreeBuilt.t[row][column];
}

const float kSetupZoneColors[13][3] = {
    {0.22f, 0.33f, 0.36f}, {1.0f, 0.0f, 0.0f},  {1.0f, 1.0f, 1.0f},  {0.0f, 0.0f, 1.0f},  {0.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, 0.0f},    {1.0f, 1.0f, 0.08f}, {1.0f, 0.0f, 0.0f},  {0.9f, 0.87f, 0.9f}, {0.0f, 0.0f, 1.0f},
    {0.0f, 1.0f, 0.0f},    {0.0f, 0.0f, 0.0f},  {1.0f, 1.0f, 0.08f},
};

const float kFlagScale[9] = {1.0f, 1.0f, 1.25f, 1.6f, 1.8f, 1.8f, 2.8f, 3.7f, 4.6f};

float BearingDegrees(float dx, float dy) {
    if (dx == 0.0f) return dy < 0.0f ? 270.0f : 90.0f;
    float a = static_cast<float>(std::atan(dy / dx) * 57.29577951471995);
    if (dx < 0.0f)
        a += 180.0f;
    else if (a < 0.0f)
        a += 360.0f;
    return a;
}

float RandomFraction01() {
    return static_cast<float>(RandomFraction());
}
