#pragma once
// Sparks of a hit on armour, fanning out around a heading.

#include "battle/Ephemeral.h"

class SparkGraphic : public Ephemeral {
public:
    static constexpr int32_t kMaxParticles = 250;

    struct Particle {
        float mVelocity[3];
        float mAngle[2];
        float mSpin[2];
        float mHalfSize;
        uint8_t mVariant;
    };

    void Draw(int32_t slice) override;
    // Fills the sparks from the hit's energy and heading (degrees).
    void CreateSparks(float energy, float heading);

    bool mUsesSparkTextures = false;
    int32_t mParticleCount = 0;
    Particle mParticles[kMaxParticles] = {};
};
