// The matrix stack and the elementary transforms. Every operation replaces
// the current matrix M by E x M (row vectors), so the operation called last
// acts first on the object's points; only the rows concerned change.
#include <cmath>

#include "renderer/GGraph3D.h"

namespace {

constexpr float kDegToRad = 0.017453292f;

using Row = float[4];

// row a <- ca * a + sa * b, row b <- cb * b + sb * a, from the old values.
void Combine(Row& a, Row& b, float ca, float sa, float cb, float sb) {
    for (int32_t j = 0; j < 3; ++j) {
        float oa = a[j], ob = b[j];
        a[j] = ca * oa + sa * ob;
        b[j] = cb * ob + sb * oa;
    }
}

void CosSin(float degrees, float* c, float* s) {
    float a = degrees * kDegToRad;
    *c = static_cast<float>(std::cos(a));
    *s = static_cast<float>(std::sin(a));
}

}  // namespace

void GGraph3D::IdentityTransform() {
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) mCurrentMatrix->m[r][c] = r == c ? 1.0f : 0.0f;
}

void GGraph3D::Translate(float x, float y, float z) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += x * m[0][j] + y * m[1][j] + z * m[2][j];
}

void GGraph3D::TranslateY(float y) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += y * m[1][j];
}

void GGraph3D::TranslateZ(float z) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += z * m[2][j];
}

void GGraph3D::TranslateXY(float x, float y) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += x * m[0][j] + y * m[1][j];
}

void GGraph3D::TranslateXZ(float x, float z) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += x * m[0][j] + z * m[2][j];
}

void GGraph3D::TranslateYZ(float y, float z) {
    float(&m)[4][4] = mCurrentMatrix->m;
    for (int32_t j = 0; j < 3; ++j) m[3][j] += y * m[1][j] + z * m[2][j];
}

void GGraph3D::Scale(float x, float y, float z) {
    ScaleX(x);
    ScaleY(y);
    ScaleZ(z);
}

void GGraph3D::ScaleX(float s) {
    for (int32_t j = 0; j < 3; ++j) mCurrentMatrix->m[0][j] *= s;
}

void GGraph3D::ScaleY(float s) {
    for (int32_t j = 0; j < 3; ++j) mCurrentMatrix->m[1][j] *= s;
}

void GGraph3D::ScaleZ(float s) {
    for (int32_t j = 0; j < 3; ++j) mCurrentMatrix->m[2][j] *= s;
}

void GGraph3D::RotateX(float degrees) {
    float c, s;
    CosSin(degrees, &c, &s);
    // row 1 <- c row 1 + s row 2; row 2 <- c row 2 - s row 1
    Combine(mCurrentMatrix->m[1], mCurrentMatrix->m[2], c, s, c, -s);
}

void GGraph3D::RotateY(float degrees) {
    float c, s;
    CosSin(degrees, &c, &s);
    // row 0 <- c row 0 - s row 2; row 2 <- c row 2 + s row 0
    Combine(mCurrentMatrix->m[0], mCurrentMatrix->m[2], c, -s, c, s);
}

void GGraph3D::RotateZ(float degrees) {
    float c, s;
    CosSin(degrees, &c, &s);
    // row 0 <- c row 0 + s row 1; row 1 <- c row 1 - s row 0
    Combine(mCurrentMatrix->m[0], mCurrentMatrix->m[1], c, s, c, -s);
}

void GGraph3D::RotateXY(float first, float second) {
    RotateX(first);
    RotateY(second);
}

void GGraph3D::RotateYX(float first, float second) {
    RotateY(first);
    RotateX(second);
}

void GGraph3D::RotateXZ(float first, float second) {
    RotateX(first);
    RotateZ(second);
}

void GGraph3D::RotateZX(float first, float second) {
    RotateZ(first);
    RotateX(second);
}

void GGraph3D::RotateYZ(float first, float second) {
    RotateY(first);
    RotateZ(second);
}

void GGraph3D::Reflect(bool x, bool y, bool z) {
    bool flip[3] = {x, y, z};
    for (int32_t r = 0; r < 3; ++r)
        if (flip[r])
            for (int32_t j = 0; j < 3; ++j) mCurrentMatrix->m[r][j] = -mCurrentMatrix->m[r][j];
}

bool GGraph3D::PushMatrix() {
    if (mCurrentMatrix >= &mMatrixStack[99]) return false;
    GOLTAMatrix* next = mCurrentMatrix + 1;
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) next->m[r][c] = mCurrentMatrix->m[r][c];
    mCurrentMatrix = next;
    return true;
}

bool GGraph3D::PopMatrix() {
    if (mCurrentMatrix <= &mMatrixStack[0]) return false;
    --mCurrentMatrix;
    return true;
}
