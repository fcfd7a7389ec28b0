// Compiled-in model tables: every vehicle, gun, fallback and effect shape the battlefield draws.
// Made at build time by dm_models from data/models/*.txt, so the drawing code walks data, not code.
//
// Per model: one position table (x, y, z in model units) and one texture-coordinate table (u, v, with v
// counted upward from the picture's bottom row), entry for entry, back to back in drawing order; and one
// operation list. A fan or strip of n triangles owns n + 2 consecutive entries starting at `first`, a
// single triangle 3. Untextured primitives own entries too (their u, v are 0).
#pragma once

#include <cstdint>

namespace dm::models {

enum class Op : std::uint8_t {
    Texture,      // bind slot `n` of the model's texture set; `b` = fallback slot when `n` is null, else -1
    Fan,          // textured fan of n triangles
    Strip,        // textured running-gear strip of n triangles; `side` 0 left, 1 right; `sign` +1 or -1
    Triangle,     // single textured triangle; `side` 0/1 when its v is the left/right tread plus the stored v
    Color,        // colour (a, b, c) for the untextured primitives that follow
    FlatFan,      // untextured fan of n triangles
    FlatTriangle, // untextured single triangle
    Push,         // push the matrix
    Pop,          // pop the matrix
    Turn,         // about pivot (a, b, c): RotateZ(head facing); flags below add tilt, clamp, elevation
    Elevate,      // about pivot (a, b, c): RotateX(gun elevation)
    Tilt,         // RotateY(turret tilt) when the tilt is not exactly 0
    CounterTurn,  // RotateZ(-head facing): a base that keeps its own orientation
    Flash,        // gun flash at muzzle (a, b, c), scale 1
    Recoil,       // recoil by `a` for the parts that follow
    Scale,        // scale by (a, b, c)
    LongBarrel,   // for the long hull gun only: TranslateY(a), ScaleY(b), TranslateY(-a)
    BarrelClass,  // the next fan's last three vertices get y = g * a, g by the vehicle's barrel class
    SizeScale,    // scale by (a * v, b * v, c * sqrt(v)), v the vehicle type's size value
    FlatStrip,    // untextured strip of n triangles
};

// Flags of Turn, Flash and Recoil.
enum : std::uint8_t {
    kTurnTilt = 1,      // RotateY(tilt) inside the pivot pair when the tilt is not exactly 0
    kTurnClamp15 = 2,   // the head facing is held to -15..+15 degrees
    kTurnElevate = 4,   // RotateX(elevation) directly after RotateZ, inside the same pivot pair
    kHullGunOnly = 8,   // flash / recoil only when the last shot's ammunition class is 6 or 7
    kTurretGunOnly = 16 // flash / recoil only when it is neither
};

struct ModelOp {
    Op op;
    std::uint8_t flags; // Turn/Flash/Recoil flags above
    bool detail;        // skipped at low detail (fans and single triangles only)
    std::int8_t side;   // Strip: 0 left, 1 right, -1 not scrolled; Triangle: tread side or -1
    std::int8_t sign;   // Strip: +1 adds the tread offset to v before drawing, -1 subtracts it
    std::int16_t n;     // triangles of a fan or strip; slot of a Texture
    std::int32_t first; // first table entry of a primitive
    float a, b, c;      // constants of the structural operations
};

struct ModelTable {
    const char* name;
    const std::int16_t* numbers; // model numbers drawn by it (vehicle or ordnance), ends with -1
    bool hasFootprint;
    float footprint[4]; // minimum x, minimum y, maximum x, maximum y
    const float* xyz;   // vertexCount * 3
    const float* uv;    // vertexCount * 2
    int vertexCount;
    const ModelOp* ops;
    int opCount;
    float unitMetres; // metres per model unit: the model file's `units`
};

extern const ModelTable kModelTables[];
extern const int kModelTableCount;

// The table called `name`, or null.
const ModelTable* FindModelTable(const char* name);

} // namespace dm::models
