#pragma once
// A shell, rocket, flame stream or small-arms burst in flight, from its
// shell-body packet; at its end it makes its impact.

#include "battle/Ephemeral.h"

class Unit;

class ShellGraphic : public Ephemeral {
public:
    static constexpr int32_t kPellets = 600;

    ~ShellGraphic() override { delete[] mPellets; }
    void Draw(int32_t slice) override;
    bool IsShell() override { return true; }

    // The lazy state of the first drawing, made by the playback step so
    // that it is alike with or without a screen: a flame stream (look 18)
    // stretches its duration; look 3 makes its pellet offsets.
    void PrepareFirstDrawing();
    // The drawing's visibility test for the viewing side.
    bool Visible(int32_t viewingSide);

    Unit* mFirer = nullptr;
    float mTargetX = 0.0f;
    float mTargetY = 0.0f;
    float mTargetZ = 0.0f;
    float mHeading = 0.0f; // degrees from +x toward +y, [0, 360)
    int16_t mLook = 0;
    bool mHeavyShell = false; // look below 20
    int32_t mImpactKind = 0;  // 0 none, 1 explosion or strikes, 2 flame, 3 large flame
    bool mRaisedBurst = false;
    bool mDownwardBurst = false;
    bool mShowToEnemy = false;
    float mBlast = 0.0f;
    float mMuzzleHeight = 0.0f;
    bool mBitsMade = false;
    bool mStretched = false;
    int32_t mFlightSlices = 0;
    float* mPellets = nullptr; // kPellets x 3 offsets, owned
};
