// Landmark names written over the view, and the rain or snow falling in the
// 80 m cells around a low camera.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "engine/GOLTA.h"
#include "map/Landmark.h"
#include "map/Map.h"

namespace {
constexpr int32_t kParticles = 1800;
constexpr float kWindFactor[4] = {0.00001f, 0.0003f, 0.0009f, 0.0027f};
uint32_t sWeatherStart = 0;
uint32_t sWeatherLast = 0;

void DrawOneLandmarkCallback(GObject* item, void* context) {
    static_cast<Map*>(context)->DrawOneLandmark(static_cast<Landmark*>(item));
}

float Gust() {
    return 0.04286f * sWindSway * sWindSway + 0.25f * sWindSway + 0.7086f;
}
} // namespace

void ResetDrawStatics() {
    sWeatherStart = sWeatherLast = 0;
    sFireFrame = 0.0f;
    sGustForce = sWindSway = 0.0f;
    sWeatherHeight = 30.0f;
    ResetFrameSoundClock();
}

void Map::DrawLandmarks() {
    if (CurrentDrawSettings().mShowLandmarks && mLandmarks)
        mLandmarks->DoForEach(DrawOneLandmarkCallback, this);
}

void Map::DrawOneLandmark(Landmark* lm) {
    if (!lm || lm->mColumn < 0 || lm->mRow < 0) return;
    const int32_t th = mLevelHeight[2];
    const int32_t I = lm->mColumn / 4, J = lm->mRow / 4;
    if (I >= mLevelWidth[2] || J >= th) return;
    const size_t t = static_cast<size_t>(I) * th + J;
    if (t >= mSuperTileVisibility.size() || mSuperTileVisibility[t] == 0) return;
    float x = (lm->mColumn + 0.5f) * 20.0f, y = (lm->mRow + 0.5f) * 20.0f;
    const float z = GetZWithBuilding(x, y);
    // A point behind the eye has no place on the screen.
    if (!PointInFrontOfEye(x, y, z)) return;
    if (!d3::WorldToScreen(&x, &y, z, false)) return;
    int32_t vw = 0, vh = 0;
    if (gDrawHooks.viewSize) gDrawHooks.viewSize(this, &vw, &vh);
    if (!(x >= 0.0f && x < vw && y >= 0.0f && y < vh)) return;
    const int32_t width = gDrawHooks.stringWidth ? gDrawHooks.stringWidth(&lm->mName, 2) : 0;
    const float m = static_cast<float>(width / 2 + 10);
    if (x < m) x = m;
    if (x > vw - m) x = vw - m;
    y = std::clamp(y, 10.0f, static_cast<float>(vh) - 10.0f);
    const int32_t ground = gBattle ? gBattle->mGroundCondition : 0;
    const bool snow = ground >= 6 && ground <= 8;
    const uint8_t r = snow ? 255 : 100, g = snow ? 255 : 225, b = snow ? 0 : 255;
    if (!gDrawHooks.writeString) return;
    auto write = [&](float px, float py, uint8_t cr, uint8_t cg, uint8_t cb) {
        gDrawHooks.writeString(this, &lm->mName, static_cast<int32_t>(px), static_cast<int32_t>(py), 0, 2, cr,
                               cg, cb);
    };
    write(x - 1, y + 1, 0, 0, 0);
    write(x - 1, y - 1, 0, 0, 0);
    write(x + 1, y - 1, 0, 0, 0);
    // The shadowed name: black at (+1, +1), then the colour.
    write(x + 1, y + 1, 0, 0, 0);
    write(x, y, r, g, b);
}

void Map::DrawWeather() {
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t weather = gBattle ? gBattle->mWeather : 0;
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    if (d3::PickPass() || prefs.mWeatherGraphics == 0 || L >= 5) return;
    if (weather != 2 && weather != 3 && weather != 6 && weather != 7) return;
    const bool rain = weather == 2 || weather == 3;
    const float wind = kWindFactor[std::clamp(gBattle->mWindStrength, 0, 3)];
    const float base = wind * -4200.0f;
    const uint32_t now = DrawClockNow();
    const float fall = 30.0f / std::max(sWeatherHeight, 30.0f);
    if (!mWeatherMade || sWeatherStart > now || mWeatherParticles.size() != kParticles) {
        mWeatherMade = true;
        sWeatherStart = sWeatherLast = now;
        mWeatherParticles.assign(kParticles, WeatherParticle{});
        for (int32_t i = kParticles - 1; i >= 0; --i) {
            WeatherParticle& p = mWeatherParticles[i];
            const float angle = static_cast<float>(RandomPick(360));
            p.mDirection[0] = std::cos(angle);
            p.mDirection[1] = std::sin(angle);
            p.mOffset[0] = RandomFraction01() * 80.0f;
            p.mOffset[1] = RandomFraction01() * 80.0f;
            p.mDrift = base;
            p.mPhase = static_cast<int16_t>(RandomPick(12000));
            const float v = Gust() * p.mPhase * wind * fall;
            const float f = 1.0f - p.mPhase * (1.0f / 12000.0f);
            p.mDrift += rain ? v * 0.6f * (1.0f - 0.3f * f) : v * 0.7f * (1.0f - 0.9f * f);
        }
    }
    const int32_t daytime = gBattle->mTimeOfDay;
    if (rain) {
        float c = 0.63f * (daytime == 3 ? 0.4f : (daytime == 1 ? 1.0f : 0.7f));
        d3::Color(c, c, 1.05f * c);
    } else {
        const float c = daytime == 3 ? 0.5f : (daytime == 1 ? 1.0f : 0.8f);
        d3::Color(c, c, c);
    }
    const float d = Gust() * static_cast<float>(now - sWeatherLast) * wind * fall * (rain ? 0.6f : 0.7f);
    sWeatherLast = now;
    const uint32_t T =
        static_cast<uint32_t>(static_cast<float>(now - sWeatherStart) * (rain ? 10.0f : 1.0f) * fall) %
        12000u;
    const int32_t ci = static_cast<int32_t>(mCameraX[side] * 0.0125f),
                  cj = static_cast<int32_t>(mCameraY[side] * 0.0125f);
    const double wr = (gBattle->mWindDirection + 180.0) * 0.017453292519943295;
    const float wx = static_cast<float>(std::cos(wr)), wy = static_cast<float>(std::sin(wr));
    d3::SetCull(false);
    int32_t n = L <= 2 ? 1800 : (L == 3 ? 450 : 900);
    if (weather != 7) n /= 2;
    if (prefs.mWeatherGraphics == 1)
        n /= 4;
    else if (prefs.mWeatherGraphics == 2)
        n /= 2;
    const float zoom = static_cast<float>(std::max(prefs.mZoom, 1));
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    for (int32_t I = ci + 2; I >= ci - 2; --I) {
        for (int32_t J = cj + 2; J >= cj - 2; --J) {
            if (tw <= 0 || th <= 0) continue;
            const size_t t = static_cast<size_t>(std::clamp(I, 0, tw - 1)) * th + std::clamp(J, 0, th - 1);
            if (t >= mSuperTileVisibility.size() || mSuperTileVisibility[t] == 0) continue;
            for (int32_t i = n - 1; i >= 0; --i) {
                WeatherParticle& p = mWeatherParticles[i];
                const uint32_t ph = (static_cast<uint32_t>(p.mPhase) + T) % 12000u;
                const float f = 1.0f - ph * (1.0f / 12000.0f);
                if (f > 0.95f)
                    p.mDrift = base;
                else
                    p.mDrift += rain ? d * (1.0f - 0.3f * f) : d * (1.0f - 0.9f * f);
                const float x = 80.0f * I + p.mOffset[0] + wx * p.mDrift;
                const float y = 80.0f * J + p.mOffset[1] + wy * p.mDrift;
                float size = 0.13f;
                const float dx = std::fabs(x - mCameraX[side]), dy = std::fabs(y - mCameraY[side]);
                if (dx < 80.0f && dy < 80.0f) {
                    const float dist = std::sqrt(dx * dx + dy * dy);
                    if (dist <= 80.0f) {
                        const float e = L == 0 ? (rain ? 0.5f : 0.8f) : (rain ? 0.85f : 1.3f);
                        size = 0.13f * std::pow(dist / 80.0f, e);
                    }
                }
                size *= 1.0f / zoom;
                const int32_t gi = std::clamp(static_cast<int32_t>(std::clamp(x * 0.5f, -1.0e6f, 1.0e6f)), 0,
                                              std::max(mPointsX - 1, 0));
                const int32_t gj = std::clamp(static_cast<int32_t>(std::clamp(y * 0.5f, -1.0e6f, 1.0e6f)), 0,
                                              std::max(mPointsY - 1, 0));
                const float ground =
                    mPoints.empty() ? 0.0f : DecodePointHeight(GetPoint(gi, gj), mHeightScale);
                const float z = ground - 1.5f + sWeatherHeight * f;
                if (rain) {
                    const float ax = 0.4f * size * p.mDirection[0], ay = 0.4f * size * p.mDirection[1];
                    const float h = 3.0f * 0.864f * 0.4f * size;
                    d3::Quad(x - ax, y - ay, z - h, x - ax, y - ay, z + h, x + ax, y + ay, z + h, x + ax,
                             y + ay, z - h);
                } else {
                    const float ax = size * p.mDirection[0], ay = size * p.mDirection[1];
                    const float h = 0.864f * size;
                    d3::Triangle(x - ax, y - ay, z - h, x, y, z + h, x + ax, y + ay, z - h);
                }
            }
        }
    }
    d3::SetCull(true);
}
