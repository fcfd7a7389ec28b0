#pragma once
// The computer opponent's objectives: nodes that group victory flags lying
// close together along the ground, plus the nodes it adds for exit edges.
// The battle keeps them as its objective graph, a list of FlagsNode whose
// index identifies a node in group order codes.

#include <cstdint>

#include "engine/GGroup.h"

class AIGroup;
class VictoryFlag;

// Straight distances between node centres up to this are worth a path
// distance; nodes nearer than it along the ground are joined.
constexpr float kAIJoinDistance = 125.0f;

class FlagsNode;

// A cached path distance to another node, valid while that node still has
// the member count it had when the record was made.
class DistanceRecord : public GObject {
public:
    FlagsNode* mNode = nullptr;
    int32_t mCount = 0;
    float mDistance = 0.0f;
};

// One objective. Its members are the victory flags it stands for (not
// owned); the distance cache is owned.
class FlagsNode : public GList {
public:
    FlagsNode() { PreserveObjects(); }
    ~FlagsNode() override;

    // The flag becomes the only member; the centre is its place.
    void IFlagsNode(VictoryFlag* flag);
    // Straight distance in the plane from the centre to (x, y).
    float GetAbstractDistanceTo(float x, float y) const;
    // Over nodes[first..] that are not exit nodes and lie within the join
    // distance: lowers *best to the smallest path distance found and names
    // the pair (this, that node) in *a and *b.
    void GetShortestFlagDistance(int32_t first, GList* nodes, float* best, FlagsNode** a, FlagsNode** b);
    // Takes over the other node's flags; the centre becomes their
    // value-weighted mean.
    void Join(FlagsNode* other);
    // A flag of the node that the planned side does not hold, picked at
    // random; null when it holds them all. The arguments are not used.
    VictoryFlag* PickUncapturedFlag(float x, float y);
    void RateDistress();
    // 1.0 to 2.0: how far the node lies toward the enemy's map edges.
    float NearToEnemyEdgeModifier() const;
    void Color();
    // Whether the group holding this node is at least n x 0.5 x rating
    // strong (rounded up); *half whether it is half that.
    bool Defended(int32_t n, AIGroup** group, bool* half);
    void RateFlexibility();

    // The flag's worth to the planned side.
    static float ValueOf(const VictoryFlag* flag);

    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
    bool mSecured = false;
    bool mTaken = false;
    bool mExitNode = false;
    GList* mDistances = nullptr; // of DistanceRecord, owned
    float mRating = 0.0f;
    float mDistress = 0.0f;
    bool mFlexible = false;
    bool mZoneKinds[3] = {false, false, false};

private:
    // A matching record's distance, or a negative value.
    float CachedDistanceTo(FlagsNode* other) const;
};

// Who holds a flag: 0 the Axis, 1 the Allies, -1 nobody.
int32_t AIFlagHolder(const VictoryFlag* flag);
