// Picking: the scene is drawn twice into a 7 x 7 target whose camera is
// turned so that the ray through the pointer is its centre line. Pass 1
// draws every polygon in a colour that encodes a running identifier and
// chooses one from the read-back; pass 2 numbers the polygons alike and
// intersects the chosen one's plane with the centre line.
#include <cmath>

#include "renderer/GGraph3D.h"

namespace {

constexpr float kPi = 3.14159265358979323846f;

}  // namespace

void GGraph3D::ActivatePicking(int32_t x, int32_t y, int32_t width, int32_t height, float fov,
                               float nearZ, float farZ) {
    SetOpacity(1.0f);
    float t = std::tan(fov * kPi / 360.0f);
    float nx = 2.0f * static_cast<float>(x) / static_cast<float>(width) - 1.0f;
    mPickYaw = std::atan(t * nx) * 180.0f / kPi;
    float hx = nearZ * t;
    float xn = hx * nx;
    float a = static_cast<float>(height) / static_cast<float>(width);
    float ny = 2.0f * static_cast<float>(y) / static_cast<float>(height) - 1.0f;
    float yn = a * ny * hx;
    float yawRad = mPickYaw * kPi / 180.0f;
    float s = std::sin(yawRad), c = std::cos(yawRad);
    float v = mViewHalfHeight * (1.0f + yn * mProjectionY / (nearZ * c + xn * s));
    float ny2 = 2.0f * v / static_cast<float>(height) - 1.0f;
    mPickPitch = std::atan(a * ny2 * t) * 180.0f / kPi;
    float pickFov = fov * 0.5f * 7.0f / mViewHalfWidth;
    ActivateView(0, 0, 7, 7, pickFov, nearZ, farZ);
    RotatePickingCamera();
    mPickPass = 1;
    mNextPickID = 1;
    mPickGroupCount = 0;
    mPickPointValid = false;
    mClipNeeded = true;
    if (mPickDevice) {
        mPickDevice->Clear(nullptr, 0, kSoftClearTarget | kSoftClearZBuffer, 0, 1.0f);
        mPickDevice->BeginScene();
    }
}

void GGraph3D::RotatePickingCamera() { RotateXY(mPickPitch, mPickYaw); }

void GGraph3D::IncrementPickGroup() {
    // Groups beyond the table's 99 are not recorded; their identifiers fall
    // into the last group.
    if (mPickGroupCount < 0 || mPickGroupCount >= 99) return;
    mPickGroupEnds[mPickGroupCount] = mNextPickID - 1;
    mPickGroupCount += 1;
}

void GGraph3D::Continue3DPick() {
    mPickedID = 0;
    if (mPickDevice) mPickDevice->EndScene();
    int32_t chosen = 0;
    if (mPickDevice && mPickDevice->DepthBuffer()) {
        auto groupOf = [this](int32_t id) {
            for (int32_t g = 0; g < mPickGroupCount; ++g)
                if (id <= mPickGroupEnds[g]) return g;
            return mPickGroupCount;
        };
        int32_t ids[49], depths[49], groups[49];
        int32_t lowest = -1;
        // Column order: column 0 from row 0 to row 6, then column 1, ...
        for (int32_t col = 0, i = 0; col < 7; ++col)
            for (int32_t row = 0; row < 7; ++row, ++i) {
                ids[i] = static_cast<int32_t>(mPickPixels[row * 7 + col] & 0xFFFFFFu);
                depths[i] = mPickDevice->DepthBuffer()[row * 7 + col];
                groups[i] = groupOf(ids[i]);
                if (ids[i] != 0 && (lowest < 0 || groups[i] < lowest)) lowest = groups[i];
            }
        // The nearest pixel of the lowest group; equal depths go to the
        // pixel met first. (A pixel at the far depth does not take over
        // from nearer ones.)
        int32_t best = 0x10000;
        for (int32_t i = 0; i < 49 && lowest >= 0; ++i) {
            if (ids[i] == 0 || groups[i] != lowest) continue;
            if (depths[i] < best) {
                best = depths[i];
                chosen = ids[i];
            }
        }
    }
    mPickedID = chosen;
    mPickPass = 2;
    mNextPickID = 1;
    mPickGroupCount = 0;
    IdentityTransform();
    RotatePickingCamera();
}

void GGraph3D::ComputePickedPoint() {
    mPickPointValid = true;
    mPickHit = true;
    float x[3], y[3], w[3];
    for (int32_t i = 0; i < 3; ++i) {
        x[i] = mWorkPolygon.v[i].X / mProjectionX;
        y[i] = mWorkPolygon.v[i].Y / mProjectionY;
        w[i] = mWorkPolygon.v[i].W;
    }
    float ax = x[1] - x[0], ay = y[1] - y[0], aw = w[1] - w[0];
    float bx = x[2] - x[1], by = y[2] - y[1], bw = w[2] - w[1];
    float nX = ay * bw - aw * by, nY = aw * bx - ax * bw, nW = ax * by - ay * bx;
    // A plane that contains the centre line, or three corners on one line,
    // gives no point.
    float t = nW != 0.0f ? -(nX * x[0] + nY * y[0] + nW * w[0]) / nW : 0.0f;
    if (nW == 0.0f || !std::isfinite(t)) {
        mPickPointValid = false;
        return;
    }
    const float(&m)[4][4] = mInverseCamera.m;
    mPickPoint[0] = t * m[2][0] + m[3][0];
    mPickPoint[1] = t * m[2][1] + m[3][1];
    mPickPoint[2] = t * m[2][2] + m[3][2];
}

void GGraph3D::FinishedPicking() {
    mPickPass = 0;
    mPickHit = false;
}

bool GGraph3D::GetPickPoint(float* x, float* y, float* z) const {
    if (!mPickPointValid) return false;
    if (x) *x = mPickPoint[0];
    if (y) *y = mPickPoint[1];
    if (z) *z = mPickPoint[2];
    return true;
}
