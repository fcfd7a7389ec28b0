#pragma once
// The figures of a finished battle that the result screen shows: losses
// per side, how the battle ended, the grade of the result and the points by
// source. Worked out by Battle::BattleVictoryScreen for the application.

#include <cstdint>

struct BattleResult {
    // Per side: casualties, men captured, guns lost of the two kinds, fixed
    // emplacements destroyed, vehicles destroyed, airplanes lost.
    int32_t mCounts[2][7] = {};
    int32_t mMenLeft[2] = {};
    int32_t mWounded[2] = {};
    // Per side: flags, casualties, captured men, exits, bonus.
    int32_t mPoints[2][5] = {};
    float mShare[2] = {};
    // String numbers: the title's prefix, how it ended, and the grade's
    // lead-in and text for a hotseat game and for the viewing player.
    int32_t mTitleString = 450;
    int32_t mReasonString = 452;
    int32_t mGrade = 4; // 0 total Axis victory .. 8 total Allied victory
    int32_t mHotseatGradeString = 425;
    int32_t mPersonalGradeString = 444;
    bool mHotseat = false;
    // In an operation: the battles still to fight (0 when it is over), and
    // whether the next one is fought at night.
    bool mOperation = false;
    int32_t mViewer = 0; // the viewing side when the figures were made
    int32_t mBattlesLeft = 0;
    bool mNightComing = false;
};

// The enemy's figure as the viewing side estimates it after a battle of an
// operation that goes on: off by 0.2 + 0.12 U of its value, up or down, with
// U and the direction taken from the figure, its row and `salt` (the
// battle's men left), so both machines and a reloaded game show the same.
int32_t EstimatedFigure(int32_t value, int32_t row, int32_t salt);

// The grade of a result from the two shares (a share below 0.01 counts as
// 0.01): 0 for a total Axis victory through 4 for a draw to 8 for a total
// Allied victory.
int32_t ResultGrade(float axisShare, float alliesShare);
