#include "draw/DrawSettings.h"

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"

DrawHooks gDrawHooks;

DrawSettings& CurrentDrawSettings() {
    static DrawSettings defaults;
    if (gBattle && gBattle->mHost)
        if (DrawSettings* s = gBattle->mHost->GetDrawSettings()) return *s;
    return defaults;
}

float DrawFramesPerSecond() {
    return gKernel ? gKernel->mFramesPerSecond : CurrentDrawSettings().mFramesPerSecond;
}
int32_t DrawFrameMs() {
    return gKernel ? gKernel->mFrameMs : CurrentDrawSettings().mFrameMs;
}
int32_t DrawLastFrameTime() {
    return gKernel ? gKernel->mLastFrameTime : CurrentDrawSettings().mLastFrameTime;
}

uint32_t DrawClockNow() {
    const DrawSettings& s = CurrentDrawSettings();
    return s.mClock ? s.mClock() : ClockTime();
}

bool UsePalmTrees() {
    const DrawSettings& s = CurrentDrawSettings();
    if (s.mPalmTrees >= 0) return s.mPalmTrees != 0;
    return gBattle && (gBattle->mTheatre == 2 || gBattle->mTheatre == 3);
}
