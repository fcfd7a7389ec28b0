#pragma once
// Makes the battle a scenario description describes, with the game's own
// classes, checks where every unit stands, and writes the scenario file
// through the game file's one writer.

#include <memory>
#include <string>

#include "battle/GameFile.h"
#include "tools/scenarios/ScenarioText.h"

class Battle;

// The battle of a description, or null with the fault: a unit of an unknown
// row, off the map, where it may not stand, outside its zone or inside
// another vehicle's reach, or too many units. Seeds the program's generator
// from the description's seed first, so the same description always makes
// the same battle.
std::unique_ptr<Battle> BuildScenarioBattle(const ScenarioDescription& description, ScenarioFault* fault);

// The state a shipped scenario carries around its battle: no players, side
// 2, no passwords, its name, seed and time limit.
GameFileState ScenarioFileState(const ScenarioDescription& description);

// Writes the scenario file to path (through a temporary file renamed into
// place, so that a failure leaves nothing behind); false with the fault.
bool WriteScenarioFile(const ScenarioDescription& description, const std::string& path, ScenarioFault* fault);

// Reads a description file and writes its scenario file.
bool BuildScenarioFile(const std::string& descriptionPath, const std::string& outputPath,
                       ScenarioFault* fault);

// Vehicles stand at least this far apart (metres between centres).
constexpr float kScenarioVehicleSpacing = 8.0f;
