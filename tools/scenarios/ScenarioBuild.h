#pragma once
// Makes the battle a scenario description describes, with the game's own
// classes, checks where every unit stands, and writes the scenario file
// through the game file's one writer.

#include <memory>
#include <string>

#include "battle/GameFile.h"
#include "tools/scenarios/ScenarioText.h"

class Battle;
class Campaign;

// The battle of a description, or null with the fault: a unit of an unknown
// row, off the map, where it may not stand, outside its zone or inside
// another vehicle's reach, or too many units. Seeds the program's generator
// from the description's seed first, so the same description always makes
// the same battle.
std::unique_ptr<Battle> BuildScenarioBattle(const ScenarioDescription& description, ScenarioFault* fault);

// The operation of an operation's description, or null with the fault:
// its map, units, reserves and flags are checked as a battle's are (without
// set-up zones: each battle's zones come with its strip), then handed to
// the operation with the values only an operation has. The first battle's
// strip lies around the front line.
std::unique_ptr<Campaign> BuildOperation(const ScenarioDescription& description, ScenarioFault* fault);

// The state a shipped scenario carries around its battle: no players, side
// 2, no passwords, its name, seed and time limit.
GameFileState ScenarioFileState(const ScenarioDescription& description);

// Writes the scenario file to path (through a temporary file renamed into
// place, so that a failure leaves nothing behind); false with the fault.
bool WriteScenarioFile(const ScenarioDescription& description, const std::string& path, ScenarioFault* fault);

// Reads and parses a description file; false with the fault.
bool ReadScenarioDescription(const std::string& descriptionPath, ScenarioDescription* description,
                             ScenarioFault* fault);

// Reads a description file and writes its scenario file (a battle's or an
// operation's, as the description says).
bool BuildScenarioFile(const std::string& descriptionPath, const std::string& outputPath,
                       ScenarioFault* fault);

// Vehicles stand at least this far apart (metres between centres).
constexpr float kScenarioVehicleSpacing = 8.0f;
