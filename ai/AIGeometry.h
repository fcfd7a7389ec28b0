#pragma once
// Geometry of the computer opponent, in metres and degrees (0 along +x,
// 90 along +y, counter-clockwise).

// Straight-line distance between two points in space, summed in extended
// precision and rounded once to float.
float Distance(float x1, float y1, float z1, float x2, float y2, float z2);

// Angle between a facing and the bearing from (x1, y1) to (x2, y2). With
// absolute, 0..180; otherwise -180..180, positive when the facing lies
// counter-clockwise of the bearing. Two equal points have bearing 90.
float _AngleOff(float facing, float x1, float y1, float x2, float y2, bool absolute);
