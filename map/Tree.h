#pragma once
// One tree of the battlefield, made when the map is loaded (Map::AddTrees)
// and kept in one of the map's four density lists. Only its drawing reads it.
#include "engine/GObject.h"

class Tree : public GObject {
public:
    float mX = 0.0f;     // metres
    float mY = 0.0f;
    float mZ = 0.0f;     // base height: the ground less 0.2 m
    float mSize = 9.0f;  // the picture's scale in metres
    float mTurn = 0.0f;  // degrees
    char mTall = 0;      // a tall tree (tall pines)
    char mMirror = 0;
    char mVariant = 0;   // below kTreeVariants; the drawing folds it further
    char mKind = 0;      // 0..2 from the terrain code under the tree
};

constexpr int32_t kTreeVariants = 20;
constexpr int32_t kTreeLists = 4;
