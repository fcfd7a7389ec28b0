#pragma once
// Units refer to each other in files by a 16-bit unit identifier:
//   0                                  no unit
//   1 .. 9999                          the unit at index value - 1 of the unit list
//   10000 x (side + 1) + 500 x r + i   unit i of reinforcement r of that side,
//                                      not yet arrived
// Links read from a file keep the raw identifier in place of the pointer
// until a second pass resolves them.

#include <cstdint>

class GFile;
class Unit;

constexpr int32_t kMaxMapUnitID = 9999;
constexpr int32_t kReinforcementIDBase = 10000;
constexpr int32_t kReinforcementIDStride = 500;
constexpr int32_t kMaxReinforcementSlots = kReinforcementIDBase / kReinforcementIDStride;

// The identifier of a unit in the current battle (or operation); 0 for a
// unit that no identifier can name.
int32_t UnitIDOf(const Unit* unit);
void WriteUnitID(GFile* file, const Unit* unit);
// With resolve, the unit that the identifier names in the current battle
// (null when it names none); without, the raw identifier in place of the
// pointer, for a later pass.
Unit* ReadUnitID(GFile* file, bool resolve);

// A raw identifier held in a link field, and back.
int32_t RawUnitID(const Unit* link);
Unit* RawIDAsUnit(int32_t id);

// A new unit of a kind code (0 infantry, 1 vehicle, 2 inanimate, 3
// airplane); null for any other code or a kind that cannot be made.
Unit* NewUnitOfKind(int32_t kind);
// Reads the kind char, makes the unit and lets it read its record. Null
// for an unknown kind (nothing more is read) or a damaged record (the
// partly read unit is deleted).
Unit* ReadUnit(GFile* file);
