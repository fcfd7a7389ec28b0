#pragma once
// Which ground a description's shape covers: inside an area's polygon, or
// within half a line's width of its course.
#include <algorithm>
#include <vector>

#include "tools/scenarios/ScenarioText.h"

inline bool InsidePolygon(const std::vector<ScenarioPoint>& poly, float x, float y) {
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const ScenarioPoint& a = poly[i];
        const ScenarioPoint& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

inline bool NearPolyline(const std::vector<ScenarioPoint>& line, float halfWidth, float x, float y) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        float ax = line[i].x, ay = line[i].y;
        float dx = line[i + 1].x - ax, dy = line[i + 1].y - ay;
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0.0f ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0f, 1.0f) : 0.0f;
        float px = ax + t * dx - x, py = ay + t * dy - y;
        if (px * px + py * py <= halfWidth * halfWidth) return true;
    }
    return false;
}

// Whether the 2 m cell centred at (x, y) belongs to the shape.
inline bool ShapeCovers(const ScenarioShape& s, float x, float y) {
    return s.width > 0.0f ? NearPolyline(s.points, s.width * 0.5f, x, y) : InsidePolygon(s.points, x, y);
}
