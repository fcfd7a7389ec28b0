#pragma once
#include <cstdint>

// An integer rectangle: left and top inside, right and bottom outside.
struct LongRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    void Offset(int32_t dx, int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    // The common part of two rectangles (empty when they do not meet).
    static LongRect Intersect(const LongRect& a, const LongRect& b);
    // The smallest rectangle holding both; an empty one adds nothing.
    static LongRect Union(const LongRect& a, const LongRect& b);
};

inline LongRect LongRect::Intersect(const LongRect& a, const LongRect& b) {
    LongRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
               a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.IsEmpty()) r = LongRect{};
    return r;
}

inline LongRect LongRect::Union(const LongRect& a, const LongRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return LongRect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                    a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
