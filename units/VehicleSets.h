// The vehicle texture sets the picture store holds, and the army each one is
// painted for. Slot s (0..16) of set k is picture 40000 + 20 k + s; its snow,
// late and late-snow looks follow at + 50000, + 100000 and + 150000. A model
// row of the data tables names the set its vehicles wear (mTextureSet). The
// own sets keep the number of the model they were painted for; the general
// sets of the three armies and the plain set of an unidentified contact
// follow. Header-only: the art generator reads it too.
#pragma once
#include <cstdint>

constexpr int32_t kVehicleSetBase = 40000;

enum VehicleArmy : uint8_t { kArmyAxis, kArmyAmerican, kArmyBritish, kArmyUnidentified, kArmies };

struct VehicleSetEntry {
    int16_t set;
    VehicleArmy army;
};

constexpr int16_t kGeneralAxisSet = 0, kGeneralAmericanSet = 141, kGeneralBritishSet = 236,
                  kUnidentifiedSet = 237;

constexpr VehicleSetEntry kVehicleSets[] = {
    {kGeneralAxisSet, kArmyAxis},
    {28, kArmyAxis},
    {84, kArmyAxis},
    {86, kArmyAxis},
    {105, kArmyAxis},
    {120, kArmyAxis},
    {kGeneralAmericanSet, kArmyAmerican},
    {154, kArmyAmerican},
    {155, kArmyAmerican},
    {186, kArmyAmerican},
    {198, kArmyAmerican},
    {199, kArmyAmerican},
    {200, kArmyAmerican},
    {203, kArmyAmerican},
    {211, kArmyAmerican},
    {233, kArmyAmerican},
    {234, kArmyAmerican},
    {235, kArmyAmerican},
    {kGeneralBritishSet, kArmyBritish},
    {kUnidentifiedSet, kArmyUnidentified},
};

// The set's entry, or null when the store holds no such set.
constexpr const VehicleSetEntry* FindVehicleSet(int32_t set) {
    for (const VehicleSetEntry& e : kVehicleSets)
        if (e.set == set) return &e;
    return nullptr;
}

// The paint of an army: its base colour (the Axis wears sand with green and
// brown patches in the late scheme; the others keep their base colour). The
// unidentified set is one plain pale tone in every look.
struct VehiclePaint {
    uint8_t r, g, b;
};
constexpr VehiclePaint kArmyPaint[kArmies] = {
    {88, 92, 90},    // Axis field grey
    {86, 92, 58},    // American olive drab
    {46, 64, 46},    // British deep bronze green
    {128, 126, 120}, // unidentified: plain pale
};
