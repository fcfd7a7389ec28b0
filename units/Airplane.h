#pragma once
// An aircraft over the battlefield. Only its place in files and its aiming
// jitter are kept; no scenario of this program places one.

#include "units/Unit.h"

class Airplane : public Unit {
public:
    Airplane();
    ~Airplane() override = default;

    // The Unit part and a reserved count (the reader skips that many bytes).
    void Write(GFile* file) override;
    void Read(GFile* file) override;

    // Multiplies an aircraft's aiming distance and flight time; at least 0.
    float JitterFactor() const { return 1.0f; }

    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override {}
    void ConcatName(GString* text, bool full) override {}
    // Drawing: a small marker (fixed objects) or silhouette (aircraft).
    void DrawCode(bool needsClip, float scale, float factor) override;
};
