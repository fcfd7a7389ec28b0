#pragma once
// Shared pieces of the set-up tests: a battle whose squares carry set-up
// zones, a line-of-fire grid of one value, and objective nodes made by hand.

#include <memory>

#include "ai/AISetup.h"
#include "ai/FlagsNode.h"
#include "ai_moves_fixtures.h"
#include "engine/GDynamicArray.h"

// An infantry unit that is a leader of level 1 when asked.
class TestLeader : public TestInfantry {
public:
    bool IsLeader(int32_t* level) override {
        if (level) *level = 1;
        return true;
    }
};

class SetupBattle : public MoveBattle {
public:
    SetupBattle(int32_t cols, int32_t rows) : MoveBattle(cols, rows) {
        mBattle.mVisibilityDistance = 5000.0f;
        mBattle.mAIGroups[kAxis] = new GList;
    }
    // A stub battle leaves its groups to its maker.
    ~SetupBattle() {
        for (GList*& groups : mBattle.mAIGroups) {
            delete groups;
            groups = nullptr;
        }
    }
    // The Axis holds the West edge, the Allies the East one; North and South
    // are nobody's.
    void AxisWestAlliesEast() {
        mBattle.mEdgeOwner[0] = kAxis;
        mBattle.mEdgeOwner[1] = 2;
        mBattle.mEdgeOwner[2] = kAllies;
        mBattle.mEdgeOwner[3] = 2;
    }
    // The Axis starts without groups: the set-up makes them.
    void NoAxisGroups() {
        delete mBattle.mAIGroups[kAxis];
        mBattle.mAIGroups[kAxis] = nullptr;
    }
    // Gives the squares [c0, c1] x [r0, r1] the set-up zone code.
    void Zone(int32_t c0, int32_t r0, int32_t c1, int32_t r1, int32_t code) {
        for (int32_t c = c0; c <= c1; ++c)
            for (int32_t r = r0; r <= r1; ++r)
                map().GetSquare(c, r)->mSetupZone = static_cast<uint8_t>(code);
    }
    // A grid of the map's size holding one value everywhere.
    GDynamicArray* Grid(uint16_t value) {
        mGrid = std::make_unique<GDynamicArray>();
        AIMakeLinesOfFireGrid(mGrid.get());
        for (int32_t c = 0; c < map().mWidth; ++c)
            for (int32_t r = 0; r < map().mHeight; ++r)
                mGrid->Set(c, r, &value);
        return mGrid.get();
    }
    // Objective nodes at the points, each of the rating, as the battle's graph.
    void Nodes(std::initializer_list<std::pair<float, float>> points, float rating = 1.0f) {
        delete mBattle.mObjectiveGraph;
        mBattle.mObjectiveGraph = new GList;
        for (auto [x, y] : points) {
            auto* node = new FlagsNode;
            node->mCenterX = x;
            node->mCenterY = y;
            node->mRating = rating;
            mBattle.mObjectiveGraph->Add(node);
        }
    }
    FlagsNode* Node(int32_t i) { return static_cast<FlagsNode*>(mBattle.mObjectiveGraph->GetObjectA(i)); }
    GList* Groups() { return mBattle.mAIGroups[kAxis]; }
    AIGroup* Group(int32_t i) { return static_cast<AIGroup*>(Groups()->GetObjectA(i)); }
    AIGroup* NewGroup(int32_t order) {
        auto* g = new AIGroup;
        g->mOrder = order;
        Groups()->Add(g);
        return g;
    }

    std::unique_ptr<GDynamicArray> mGrid;
};
