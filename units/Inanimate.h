#pragma once
// A fixed object on the battlefield: road blocks, trenches, wire, target
// reference points and minefields.

#include "units/Unit.h"

class Inanimate : public Unit {
public:
    Inanimate();
    ~Inanimate() override = default;

    void IInanimate(InanimateType type, Force force, float x, float y, float z);
    InanimateType GetInanimateType() const { return mSubtype; }

    // The Unit part, a flags char (bit 0: a newly laid mine) and a reserved
    // count (the reader skips that many bytes).
    void Write(GFile* file) override;
    void Read(GFile* file) override;

    // Trenches become part of the ground at the end of set-up; the battle
    // then deletes the object.
    bool StampToMap() override;
    // A fixed object has no movement of its own: it stands on any point of
    // the map that is not open water.
    bool CanOccupyLocation(float x, float y, bool useGrid) override;
    // A fixed object inside a building marks it occupied for the frame.
    void CheckBuildingOccupancy() override;
    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override {}
    void ConcatName(GString* text, bool full) override;
    // Drawing: a small marker (fixed objects) or silhouette (aircraft).
    void DrawCode(bool needsClip, float scale, float factor) override;
};
