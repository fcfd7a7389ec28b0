// Smoke: thirteen shared animated columns of camera-facing puffs, borrowed
// by burning squares, burning vehicles and smoke shells.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "draw/EffectDraw.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {
int32_t BattleSlice() {
    if (!gBattle) return 0;
    const int32_t slice = std::min(gBattle->PlaybackTimeSlice(), kSlicesPerTurn);
    return gBattle->mTurn * kSlicesPerTurn + std::max(slice, 0);
}

void ShiftColumn(Map* m, int32_t c) {
    for (int32_t k = 11; k >= 1; --k) {
        m->mPuffX[c][k] = m->mPuffX[c][k - 1];
        m->mPuffZ[c][k] = m->mPuffZ[c][k - 1];
        m->mPuffSpin[c][k] = m->mPuffSpin[c][k - 1];
        m->mPuffSpinRate[c][k] = m->mPuffSpinRate[c][k - 1];
    }
    m->mPuffX[c][0] = RandomFraction01() - 0.5f;
    m->mPuffZ[c][0] = -RandomFraction01();
    m->mPuffSpin[c][0] = 360.0f * RandomFraction01();
    m->mPuffSpinRate[c][0] = 15.0f * RandomFraction01() + 15.0f;
    Random(); // the first of the two sign draws is not used
    if (Random() % 2 == 0) m->mPuffSpinRate[c][0] = -m->mPuffSpinRate[c][0];
    m->mColumnAge[c] %= 1100;
}
// One cloud of the map's smoke shells at the absolute slice now: its drift
// and look follow from the slices since it formed, so a rewound replay shows
// the same cloud. The column is the one its own centre picks, whatever was
// drawn before. Its size is half its radius: the puffs of a grown column (and
// a dust cloud at its end) are then as wide as the ground where sight is
// blocked.
void DrawSmokeShell(Map* map, SmokeShell* shell, int32_t now, float px, float py, int32_t detail) {
    const int32_t elapsed = now - shell->mStartTime;
    if (elapsed < 0) return; // not formed yet at this slice
    const float e = static_cast<float>(elapsed);
    int32_t kind;
    float a;
    if (shell->mKind == 1) {
        kind = 3;
        a = elapsed < 200 ? e * 0.005f : 1.0f;
    } else if (shell->mKind == 2) {
        kind = 4;
        shell->mDriftX = e * px;
        shell->mDriftY = e * py;
        a = e / static_cast<float>(std::max(shell->mDuration, 1));
    } else {
        kind = 0;
        a = elapsed < 400 ? e * 0.0025f : 1.0f;
    }
    if (detail == 0) return;
    const float size = shell->mRadius * 0.5f;
    if (!(size > 0.0f) || !std::isfinite(size) || !std::isfinite(shell->mX) || !std::isfinite(shell->mY) ||
        !std::isfinite(shell->mDensity)) {
        shell->mColumn = -1;
        return;
    }
    const float x = shell->mX, y = shell->mY;
    const float pick = std::fabs(x * y + 2.0f * x + y);
    const int32_t column = pick < 1.0e9f ? static_cast<int32_t>(pick) % kSmokeColumns : 0;
    shell->mColumn = map->DrawSmokeColumn(column, x + shell->mDriftX, y + shell->mDriftY, size, true, kind,
                                          false, std::min(a, 1.0f), std::clamp(shell->mDensity, 0.0f, 1.0f));
}
} // namespace

void Map::DrawSmoke() {
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t detail = prefs.mSmokeDetail;
    const int32_t frameMs = std::max(DrawFrameMs(), 0);
    if (detail != 0) {
        d3::SetCull(false);
        const float dt = std::min(static_cast<float>(frameMs) * (1.0f / 1100.0f), 1.0f);
        for (int32_t c = 0; c < kSmokeColumns; ++c) {
            for (int32_t k = 0; k < kSmokePuffs; ++k) {
                mPuffX[c][k] += (RandomFraction01() - 0.5f) * dt;
                mPuffZ[c][k] += (RandomFraction01() - 0.5f) * dt;
                const float w = k < 12 ? static_cast<float>(12 - k) / 12.0f : 0.4f;
                mPuffSpin[c][k] += dt * mPuffSpinRate[c][k] * w;
            }
            if (mPuffZ[c][12] > 0.0f) mPuffZ[c][12] = 0.0f;
            mColumnAge[c] += frameMs;
            if (mColumnAge[c] > 1100) ShiftColumn(this, c);
        }
        // Fire smoke; a 2 x 2 block of large fires is one big column.
        if (mFire.size() == static_cast<size_t>(mSquareCount)) {
            const int32_t th = mLevelHeight[2];
            auto state = [&](int32_t a, int32_t b) {
                return (a < mWidth && b < mHeight) ? mFire[static_cast<size_t>(a) * mHeight + b] : 0;
            };
            for (int32_t i = mWidth - 1; i >= 0; --i) {
                for (int32_t j = mHeight - 1; j >= 0; --j) {
                    const int32_t s = state(i, j);
                    if (s == 0) continue;
                    const size_t t = static_cast<size_t>(i / 4) * th + j / 4;
                    if (t >= mSuperTileVisibility.size() || mSuperTileVisibility[t] == 0) continue;
                    const bool small = s >= 1 && s <= 3;
                    float size = small ? 2.0f : (s == 5 ? 4.0f : 8.0f);
                    float x = (i + 0.5f) * 20.0f, y = (j + 0.5f) * 20.0f;
                    if (!small && s != 5) {
                        const int32_t bi = i & ~1, bj = j & ~1;
                        if (state(bi, bj) > 5 && state(bi + 1, bj) > 5 && state(bi, bj + 1) > 5 &&
                            state(bi + 1, bj + 1) > 5) {
                            if (i != bi || j != bj) continue;
                            size = 16.0f;
                            x = (i + 1) * 20.0f;
                            y = (j + 1) * 20.0f;
                        }
                    }
                    DrawSmokeColumn(-1, x, y, size, false, 1, s < 4, 1.0f, 1.0f);
                }
            }
        }
        // Burning vehicles.
        if (gBattle && gBattle->mUnits) {
            const int32_t now = BattleSlice();
            for (int32_t n = 0; n < gBattle->mUnits->GetCount(); ++n) {
                Unit* u = gBattle->mUnits->GetUnit(n);
                if (!u || u->mUnitType != kUnitVehicle) continue;
                const auto* v = static_cast<const Vehicle*>(u);
                if (!v->mBurning) continue;
                // The column thickens over the first 800 slices after the fire.
                const float a = std::clamp(static_cast<float>(now - v->mHitStamp) * 0.00125f, 0.0f, 1.0f);
                DrawSmokeColumn(n, v->mX, v->mY, v->mSmokeWidth, false, 2, false, a, 1.0f);
            }
        }
    }
    // Smoke shells, smoke pots and dust drift whatever the detail.
    if (gBattle && mSmokeShells) {
        static constexpr float kDriftSpeed[4] = {0.0f, 1.0f, 2.0f, 4.0f};
        const double w = (gBattle->mWindDirection + 180.0) * 0.017453292519943295;
        const float v = kDriftSpeed[std::clamp(gBattle->mWindStrength, 0, 3)] * 0.015f;
        const float px = v * static_cast<float>(std::cos(w)), py = v * static_cast<float>(std::sin(w));
        const int32_t now = BattleSlice();
        struct ShellPass {
            Map* map;
            float px, py;
            int32_t now, detail;
        } pass{this, px, py, now, detail};
        mSmokeShells->DoForEach(
            [](GObject* member, void* context) {
                const ShellPass& p = *static_cast<ShellPass*>(context);
                DrawSmokeShell(p.map, static_cast<SmokeShell*>(member), p.now, p.px, p.py, p.detail);
            },
            &pass);
    }
    if (detail != 0) {
        if (detail == 2) d3::SetOpacity(1.0f);
        d3::SetCull(true);
    }
}

int32_t Map::DrawSmokeColumn(int32_t column, float x, float y, float size, bool shell, int32_t kind,
                             bool faint, float age, float opacity) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(size) || !std::isfinite(age)) return -1;
    if (x < 0.0f || y < 0.0f || x >= mWidthMetres || y >= mHeightMetres) return -1;
    const int32_t th = mLevelHeight[2];
    const size_t t = static_cast<size_t>(x * 0.0125f) * th + static_cast<size_t>(y * 0.0125f);
    if (t >= mSuperTileVisibility.size() || mSuperTileVisibility[t] == 0) return -1;
    const DrawSettings& prefs = CurrentDrawSettings();
    const bool single = kind == 4;
    if (single)
        kind = 3;
    else
        size *= age;
    kind = std::clamp(kind, 0, 3);
    int32_t c = column >= 0 ? column : static_cast<int32_t>(x * y + 2.0f * x + y);
    c %= kSmokeColumns;
    d3::Texture(mSmokeTextures[kind]);
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    const float b = L < 5 ? BearingDegrees(mEyeX - x, mEyeY - y) : 0.0f;
    d3::Push();
    d3::Translate(x, y, GetZCoord(x, y));
    float H = std::sqrt(std::max(size, 0.0f)) * 16.6f;
    float P = 1.0f;
    int32_t n = 12;
    if (kind == 0) {
        P = 2.0f;
        H *= 0.5f;
        n = 6;
    } else if (kind == 3) {
        P = 2.0f;
        H *= 0.125f;
    }
    if (prefs.mSmokeDetail != 2) n /= 2;
    const int32_t ws = gBattle ? std::clamp(gBattle->mWindStrength, 0, 3) : 0;
    const float wd = gBattle ? gBattle->mWindDirection : 0.0f;
    const double wr = (wd + 180.0) * 0.017453292519943295;
    const float wx = ws * 0.4f * static_cast<float>(std::cos(wr)),
                wy = ws * 0.4f * static_cast<float>(std::sin(wr));
    float lean;
    bool backwards;
    if (L >= 5) {
        lean = -5.0f;
        backwards = true;
    } else if (ws == 0) {
        lean = 5.0f;
        backwards = true;
    } else {
        float d = std::fabs(b - wd);
        if (d > 180.0f) d = 360.0f - d;
        const float sd = std::sin(d * 0.017453292519943295f);
        backwards = d > 90.0f;
        lean = backwards ? -sd : sd;
        lean *= 1.5f;
        lean += lean > 0.0f ? 0.5f : -0.5f;
    }
    const float A = age * H, B = 2.0f * size, C = 0.85f * P, D = 0.25f * size, E = 0.3f * size;
    // A column puff's opacity at t before the column's own factors.
    auto fade = [&](float t) {
        const float o = kind == 0 ? 0.6f - 1.2f * t : (kind == 3 ? 0.3f - 0.3f * t : 0.9f - 0.9f * t);
        return faint ? o * 0.5f : o;
    };
    auto puff = [&](int32_t k, bool first) {
        float t, h, leanOff, W;
        if (!single) {
            t = (static_cast<float>(k) + static_cast<float>(mColumnAge[c]) / 1100.0f) / 12.0f;
            if (prefs.mSmokeDetail == 1 && first) t = static_cast<float>(k) / 12.0f;
            h = t * H + (shell ? -1.0f : 2.0f);
            leanOff = lean * t;
            W = (C * t + 0.15f) * B;
            if (prefs.mSmokeDetail == 2) d3::SetOpacity(fade(t) * opacity * age);
        } else {
            t = age;
            h = A;
            leanOff = 0.0f;
            W = (std::pow(std::max(age, 0.0f), 0.45f) * 0.8f + 0.2f) * B;
            if (prefs.mSmokeDetail == 2) d3::SetOpacity(((1.0f - age) * 0.33f + 0.07f) * opacity);
        }
        d3::Push();
        d3::Translate(wx * h * t * t, wy * h * t * t, L >= 5 ? 8.0f : 0.0f);
        d3::Translate(mPuffX[c][k] * E, 0.0f, mPuffZ[c][k] * D + h);
        if (L < 5) {
            d3::RotateZ(b + 90.0f);
            d3::Translate(0.0f, leanOff, 0.0f);
        }
        if (kind == 0 || kind == 1) d3::Scale(1.0f, 1.0f, 1.4f);
        if (kind == 2) d3::Scale(1.0f, 1.0f, 1.6f);
        if (L >= 5) d3::RotateX(-90.0f);
        d3::RotateY(mPuffSpin[c][k] * ((kind == 0 || kind == 3) ? 0.3f : 1.0f));
        if (L >= 5) d3::Translate(0.0f, leanOff, 0.0f);
        const float q[20] = {-W, 0, -W, 0, 0, -W, 0, W, 0, 1, W, 0, W, 1, 1, W, 0, -W, 1, 0};
        d3::TexturedQuad(q);
        d3::Pop();
    };
    if (single) {
        puff(12, true);
    } else if (backwards) {
        for (int32_t k = n - 1; k >= 0; --k)
            puff(k, k == n - 1);
    } else {
        for (int32_t k = 0; k < n; ++k)
            puff(k, k == 0);
    }
    d3::Pop();
    return c;
}
