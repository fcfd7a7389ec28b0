// Smoke clouds on the map, and the weather's reach of sight.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "map/Map.h"

namespace {

struct AgeContext {
    Battle* mBattle;
    int32_t mNow;
};

bool AgeOne(GObject* member, void* context) {
    auto* shell = static_cast<SmokeShell*>(member);
    auto* age = static_cast<AgeContext*>(context);
    Battle* b = age->mBattle;
    if (shell->Expired(age->mNow)) {
        ActionPacket* off = b->CreateActionPacket(0);
        off->mType = kPacketSmokeOff;
        off->mX = shell->mX;
        off->mY = shell->mY;
        b->mMap->VoidLOS(shell->mX, shell->mY, shell->mRadius);
        return true;
    }
    // A thin cloud changes what can be seen while it lasts.
    if (shell->mDensity < 1.0f && age->mNow % 200 != 0)
        b->mMap->VoidLOS(shell->mX, shell->mY, shell->mRadius);
    return false;
}

struct VisibilityRow {
    float mDay;
    float mNight;
};
// By weather: clear, overcast, rain, fog and rain, fog, thick fog, snow,
// blizzard; any other weather sees as in rain.
constexpr VisibilityRow kVisibility[] = {{15000.0f, 200.0f}, {8000.0f, 75.0f}, {4000.0f, 65.0f},
                                         {700.0f, 45.0f},    {750.0f, 50.0f},  {250.0f, 30.0f},
                                         {1000.0f, 60.0f},   {350.0f, 35.0f}};

// How hard aiming is: rain, fog and snow add 1, fog with rain, thick fog
// and a snowstorm 2; morning and evening light add 1, night 2; at most 3.
int32_t ConditionLevel(int32_t weather, int32_t timeOfDay) {
    static const int32_t kWeather[8] = {0, 0, 1, 2, 1, 2, 1, 2};
    const int32_t light = timeOfDay == 3 ? 2 : (timeOfDay == 0 || timeOfDay == 2 ? 1 : 0);
    return std::min(3, kWeather[weather] + light);
}

} // namespace

void Battle::AddSmokeShell(ActionPacket* packet) {
    if (!mMap || !packet) return;
    auto* shell = new SmokeShell;
    shell->mX = packet->mX;
    shell->mY = packet->mY;
    shell->mStartTime = packet->mStartTime;
    shell->mDuration = packet->mDuration;
    shell->mRadius = packet->mRadius;
    shell->mDensity = packet->mDensity;
    shell->mKind = packet->mSmokeKind;
    shell->mColumn = -1;
    mMap->mSmokeShells->Add(shell);
}

void Battle::RemoveSmokeShell(ActionPacket* packet) {
    if (!mMap || !packet) return;
    GList* shells = static_cast<GList*>(mMap->mSmokeShells);
    for (int32_t k = 0; k < shells->GetCount(); ++k) {
        auto* s = static_cast<SmokeShell*>(shells->GetObjectA(k));
        if (s->mX == packet->mX && s->mY == packet->mY) {
            shells->DeleteIndex(k, true);
            return;
        }
    }
}

void Battle::AgeSmokeShells() {
    if (!mMap) return;
    AgeContext context{this, mTurn * kSlicesPerTurn + (mComputing ? mTimeSlice : 0)};
    mMap->mSmokeShells->DeleteSome(AgeOne, &context, true);
}

void Battle::CalculateVisibilityFactor() {
    const int32_t w = mWeather >= 0 && mWeather <= 7 ? mWeather : 2;
    float distance;
    if (mTimeOfDay == 3) {
        distance = kVisibility[w].mNight;
    } else {
        distance = kVisibility[w].mDay;
        const bool palms = mTheatre == 2 || mTheatre == 3;
        if (w == 0 && mTimeOfDay == 1 && palms && mTemperature == 0) distance = 4000.0f;
        if (mTimeOfDay == 0 || mTimeOfDay == 2) distance = std::pow(distance, 0.8f);
    }
    mVisibilityDistance = distance;
    mVisibilityFactor = std::exp(std::log(0.09f) / distance);
    mConditionLevel = ConditionLevel(w, mTimeOfDay);
}
