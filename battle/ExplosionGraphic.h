#pragma once
// An explosion with flying shards and puffs of fire and smoke, or the dust
// cloud of a collapsing building.

#include "battle/Ephemeral.h"

class ExplosionGraphic : public Ephemeral {
public:
    static constexpr int32_t kMaxShards = 250;
    static constexpr int32_t kMaxPuffs = 10;

    struct Shard {
        float mVelocity[3];
        float mAngle[2];
        float mSpin[2];
        float mHalfSize;
        uint8_t mVariant;
    };
    struct Puff {
        float mDelay;
        float mVelocity[3];
        float mSize;
        float mRate;
        bool mFiery;
    };

    void Draw(int32_t slice) override;
    // Fills the shards, puffs and shard floor from the position, duration,
    // blast, burst kind and rubble flag.
    void CreateShards();

    bool mRaisedBurst = false;
    float mBlast = 0.0f;
    int32_t mBurstKind = 0; // 0 ground, 1 raised, 2 downward
    bool mRubble = false;
    float mShardFloor = 0.0f;
    int32_t mShardCount = 0;
    Shard mShards[kMaxShards] = {};
    int32_t mPuffCount = 0;
    Puff mPuffs[kMaxPuffs] = {};
};
