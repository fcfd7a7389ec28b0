// The generator's picture of one model: its operations in drawing order with the vertices of each
// primitive, tessellated from the shapes of a data/models/*.txt file.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ModelTables.h"

namespace models {

using Vec3 = std::array<double, 3>;
using Vec2 = std::array<double, 2>;

struct Step {
    dm::models::Op op;
    int flags = 0;
    bool detail = false;
    int side = -1;
    int sign = 0;
    int n = 0;
    double a = 0, b = 0, c = 0;
    std::vector<Vec3> xyz; // primitives only, already in model units
    std::vector<Vec2> uv;
};

struct Model {
    std::string name;
    std::string file;
    std::vector<int> numbers;
    bool hasFootprint = false;
    std::array<double, 4> footprint{};
    double units = 0; // metres per model unit of its shapes
    std::vector<Step> ops;
};

// Reads one model file. On failure returns false and sets `error` to "file:line: what".
bool ReadModel(const std::string& path, Model& model, std::string& error);

bool IsPrimitive(dm::models::Op op);

} // namespace models
