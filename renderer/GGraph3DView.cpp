// Camera, view rectangle and projection; the projection of single points and
// the view-volume test of boxes.
#include <cmath>

#include "renderer/GGraph3D.h"

void GGraph3D::LookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
                      float upX, float upY, float upZ) {
    float dX = eyeX - targetX, dY = eyeY - targetY, dZ = eyeZ - targetZ;
    float len = std::sqrt(dX * dX + dY * dY + dZ * dZ);
    float sX = upY * dZ - upZ * dY, sY = upZ * dX - upX * dZ, sZ = upX * dY - upY * dX;
    float sideLen = std::sqrt(sX * sX + sY * sY + sZ * sZ);
    // Eye on the target, or up along the line of sight: no camera can be
    // formed, so the one in force stays.
    if (!(len > 0.0f) || !(sideLen > 0.0f) || !std::isfinite(len) || !std::isfinite(sideLen)) return;
    sX /= sideLen;
    sY /= sideLen;
    sZ /= sideLen;
    float nX = dX / len, nY = dY / len, nZ = dZ / len;
    float uX = nY * sZ - nZ * sY, uY = nZ * sX - nX * sZ, uZ = nX * sY - nY * sX;
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 4; ++j) {
        float a = m[0][j], b = m[1][j], c = m[2][j];
        m[0][j] = sX * a + uX * b + nX * c;
        m[1][j] = sY * a + uY * b + nY * c;
        m[2][j] = sZ * a + uZ * b + nZ * c;
    }
    Translate(-eyeX, -eyeY, -eyeZ);
    StoreLookAtMatrix();
}

void GGraph3D::StoreLookAtMatrix() {
    float A[4][4], I[4][4];
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) {
            A[r][c] = mCurrentMatrix->m[r][c];
            I[r][c] = r == c ? 1.0f : 0.0f;
        }
    auto subtract = [&](int32_t r, int32_t k, float g) {
        for (int32_t c = 0; c < 4; ++c) {
            A[r][c] -= g * A[k][c];
            I[r][c] -= g * I[k][c];
        }
    };
    for (int32_t k = 0; k < 3; ++k) {
        if (A[k][k] == 0.0f) {
            for (int32_t r = k + 1; r < 4; ++r) {
                if (A[r][k] != 0.0f) {
                    for (int32_t c = 0; c < 4; ++c) {
                        std::swap(A[k][c], A[r][c]);
                        std::swap(I[k][c], I[r][c]);
                    }
                    break;
                }
            }
        }
        float f = 1.0f / A[k][k];
        for (int32_t c = 0; c < 4; ++c) {
            A[k][c] *= f;
            I[k][c] *= f;
        }
        for (int32_t r = k + 1; r < 4; ++r) subtract(r, k, A[r][k]);
    }
    for (int32_t k = 3; k >= 1; --k)
        for (int32_t r = k - 1; r >= 0; --r) subtract(r, k, A[r][k]);
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) mInverseCamera.m[r][c] = I[r][c];
}

void GGraph3D::ActivateBasicView(int32_t left, int32_t top, int32_t width, int32_t height) {
    mViewHalfWidth = static_cast<float>(width) * 0.5f;
    mViewHalfHeight = static_cast<float>(height) * 0.5f;
    mViewCenterX = static_cast<float>(left) + mViewHalfWidth;
    mViewCenterY = static_cast<float>(top) + mViewHalfHeight;
}

void GGraph3D::ActivateView(int32_t left, int32_t top, int32_t width, int32_t height, float fov,
                            float nearZ, float farZ) {
    if (mPickPass != 0) return;
    ActivateBasicView(left, top, width, height);
    if (nearZ < 0.0000001f) nearZ = 0.0000001f;
    if (farZ <= nearZ) farZ = 2.0f * nearZ;
    if (fov > 179.9f) fov = 179.9f;
    float a = fov * 3.14159265358979323846f / 360.0f;
    float c = std::cos(a);
    float hx = nearZ * std::sqrt(1.0f / (c * c) - 1.0f);
    float hy = hx * mViewHalfHeight / mViewHalfWidth;
    mDepthScale = farZ / (farZ - nearZ);
    mDepthOffset = -nearZ * mDepthScale;
    mProjectionX = nearZ / hx;
    mProjectionY = nearZ / hy;
    IdentityTransform();
}

bool GGraph3D::WorldToScreen(float* x, float* y, float z, bool clamp) const {
    const float(&m)[4][4] = mCurrentMatrix->m;
    float px = *x, py = *y;
    float X = px * m[0][0] + py * m[1][0] + z * m[2][0] + m[3][0];
    float Y = px * m[0][1] + py * m[1][1] + z * m[2][1] + m[3][1];
    float Z = px * m[0][2] + py * m[1][2] + z * m[2][2] + m[3][2];
    float sx = X * mProjectionX, sy = Y * mProjectionY;
    float screenX = 0.0f, screenY = 0.0f;
    if (Z != 0.0f) {
        screenX = mViewCenterX - (sx / Z) * mViewHalfWidth;
        screenY = mViewCenterY + (sy / Z) * mViewHalfHeight;
    }
    bool inside = true;
    float left = mViewCenterX - mViewHalfWidth, right = mViewCenterX + mViewHalfWidth;
    float top = mViewCenterY - mViewHalfHeight, bottom = mViewCenterY + mViewHalfHeight;
    if (screenX < left) {
        inside = false;
        if (clamp) screenX = left;
    } else if (screenX > right) {
        inside = false;
        if (clamp) screenX = right;
    }
    if (screenY < top) {
        inside = false;
        if (clamp) screenY = top;
    } else if (screenY > bottom) {
        inside = false;
        if (clamp) screenY = bottom;
    }
    *x = screenX;
    *y = screenY;
    return Z < 0.0f && inside;
}

int32_t GGraph3D::BoundingBoxTest(float x, float y, float z, float dx, float dy, float dz) {
    const float(&m)[4][4] = mCurrentMatrix->m;
    const float sx[8] = {-1, 1, 1, -1, -1, 1, 1, -1}, sy[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
    const float sz[8] = {-1, -1, -1, -1, 1, 1, 1, 1};
    // Six inside flags per corner: left, right, bottom, top, near, far.
    bool flags[8][6];
    auto corner = [&](int32_t i) {
        float px = x + sx[i] * dx, py = y + sy[i] * dy, pz = z + sz[i] * dz;
        WorkVertex& v = mWorkPolygon.v[i < kMaxPolygonVertices ? i : 0];
        float X = px * m[0][0] + py * m[1][0] + pz * m[2][0] + m[3][0];
        float Y = px * m[0][1] + py * m[1][1] + pz * m[2][1] + m[3][1];
        float W = -(px * m[0][2] + py * m[1][2] + pz * m[2][2] + m[3][2]);
        v.X = X * mProjectionX;
        v.Y = Y * mProjectionY;
        v.Z = W * mDepthScale + mDepthOffset;
        v.W = W;
        bool* f = flags[i];
        f[0] = v.X > -v.W;
        f[1] = v.X < v.W;
        f[2] = v.Y > -v.W;
        f[3] = v.Y < v.W;
        f[4] = v.Z > 0.0f;
        f[5] = mDistantZ || v.Z < v.W;
        return f[0] && f[1] && f[2] && f[3] && f[4] && f[5];
    };
    if (corner(0)) {
        for (int32_t i = 1; i < 8; ++i)
            if (!corner(i)) return 0;
        return 1;
    }
    for (int32_t i = 1; i < 8; ++i)
        if (corner(i)) return 0;
    for (int32_t p = 0; p < 6; ++p) {
        bool any = false;
        for (int32_t i = 0; i < 8; ++i) any = any || flags[i][p];
        if (!any) return -1;
    }
    return 0;
}
