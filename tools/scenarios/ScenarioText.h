#pragma once
// The text description of a scenario (docs/scenarios.md): the map drawn from
// hills, areas, lines, buildings, walls and set-up zones; the battle's
// settings and briefings; the units by data-table row in companies and
// platoons; the reinforcements. Parsing checks the form and every value's
// range; where a unit may stand is checked when the battle is built.

#include <cstdint>
#include <string>
#include <vector>

// One fault of a description: the file, the line (0 for the whole file) and
// the reason.
struct ScenarioFault {
    std::string file;
    int line = 0;
    std::string reason;
    std::string Text() const;
};

struct ScenarioPoint {
    float x = 0.0f;
    float y = 0.0f;
};

struct ScenarioHill {
    int line = 0;
    float x = 0.0f, y = 0.0f, radius = 0.0f, height = 0.0f; // metres
};

// A filled polygon, or a line of a width, of one terrain code.
struct ScenarioShape {
    int line = 0;
    int32_t terrain = 0;
    float width = 0.0f; // 0 for a polygon
    std::vector<ScenarioPoint> points;
};

struct ScenarioBuilding {
    int line = 0;
    int32_t type = 50;                            // 52 and 53 have an upper floor
    float x = 0.0f, y = 0.0f, w = 0.0f, d = 0.0f; // lower-left corner and size
};

struct ScenarioWall {
    int line = 0;
    int32_t type = 16;
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f, height = 1.0f;
};

struct ScenarioZone {
    int line = 0;
    int32_t code = 0;                                 // 1..3 Allies, 4..6 Axis
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f; // squares whose centre lies inside
};

struct ScenarioFlag {
    int line = 0;
    bool large = false;
    float x = 0.0f, y = 0.0f;
    int32_t holder = 2; // 0 Axis, 1 Allies, 2 neutral
};

// Fixed objects, placed as units of kind 2: road block, trench, wire,
// target reference point, anti-personnel mines, anti-tank mines, daisy chain.
constexpr int32_t kScenarioFortificationKinds = 7;

struct ScenarioUnit {
    int line = 0;
    int32_t side = 0; // 0 Axis, 1 Allies
    int32_t kind = 0; // 0 infantry, 1 vehicle, 2 fortification
    int32_t row = 0;  // data-table row; a fortification's kind 0..6
    int32_t force = 0;
    int32_t experience = 2;
    int32_t fitness = 0;
    int32_t zone = 0; // 0 any zone of the side
    float x = 0.0f, y = 0.0f, heading = 0.0f;
    char company = 'A';
    int32_t platoon = 1;
    int32_t number = 0;
    bool leader = false;
    bool exit = false;          // leaves the map over its side's exit edge for points
    int32_t rides = -1;         // number of the carrier in the same platoon, or -1
    int32_t reinforcement = -1; // index into ScenarioDescription::reinforcements, or -1 on the map
};

// A named place, shown on the square holding its point.
struct ScenarioLandmark {
    int line = 0;
    float x = 0.0f, y = 0.0f;
    std::string name; // Latin-1, at most 63 characters
};

struct ScenarioReinforcement {
    int line = 0;
    int32_t side = 0;
    int32_t turn = 1; // an operation's reserve of row r: -1 - r
    float chance = 1.0f;
    float x = 0.0f, y = 0.0f;
};

// What an operation's description adds to the battle's statements
// (docs/scenarios.md): the values of the operation record that no battle
// holds. Lines are kept for the checks made once the whole text is read.
struct ScenarioOperation {
    bool present = false; // an 'operation' line was given
    int line = 0;
    int32_t battles = 0;
    int battlesLine = 0;
    int32_t type = 0;        // 0 judged by the advance, 2 by points
    int32_t direction = 0;   // 0..3: the attacker starts from the west, north, east, south
    int32_t strip = 20;      // squares along the attack
    int stripLine = 0;
    int32_t startLine = 0;     // metres
    int startLineAt = 0;
    int32_t frontLine = 0;     // squares from the attacker's start end
    int frontLineAt = 0;       // the line of the front-line statement
    int32_t dayPeriod = 0, dayOffset = 0;
    bool nightQuestion[2] = {false, false}; // by side (0 axis, 1 allies)
    int32_t edgeSide = 2, edgeValue = -1;
    int32_t frontMode = 0, frontDepth = 100;
    int32_t supply[2] = {0, 0}; // by side (0 axis, 1 allies): 0 best .. 5
};

struct ScenarioDescription {
    std::string file;
    std::string title; // Latin-1, also the scenario's name
    int32_t columns = 0, rows = 0;
    float heightScale = 1.0f;
    int32_t baseHeight = 60; // height code of the plain
    int32_t date = 4406;
    int32_t turns = 20;
    bool variableLength = false; // the last turn is drawn from `turns` and pushed back by flag fighting
    int32_t attacker = 2;
    int32_t theatre = 0;
    int32_t temperature = 2;
    int32_t ground = 0;
    int32_t timeOfDay = 1;
    int32_t weather = 0; // 0..7: 6 snow, 7 snowstorm
    int32_t wind = 1;
    bool freeSetup = false; // 'setup free': the computer places its side itself
    uint16_t seed = 1;
    int32_t timeLimit = 0; // minutes, 0 none
    int32_t foxholes = 0;  // foxholes the defender may dig in set-up, 0..99
    int32_t fanaticism[2] = {0, 0}; // by side (0 axis, 1 allies): 0 normal .. 4
    bool exit[2] = {false, false};
    int32_t exitEdge[2] = {2, 0};
    int32_t edgeOwner[4] = {0, 2, 1, 2};
    std::string briefing[3]; // Latin-1; paragraphs joined by '\r'
    std::vector<ScenarioHill> hills;
    std::vector<ScenarioShape> shapes;
    std::vector<ScenarioBuilding> buildings;
    std::vector<ScenarioWall> walls;
    std::vector<ScenarioZone> zones;
    std::vector<ScenarioFlag> flags;
    std::vector<ScenarioLandmark> landmarks;
    std::vector<ScenarioReinforcement> reinforcements;
    std::vector<ScenarioUnit> units;
    ScenarioOperation operation;
};

// Limits of what unit identifiers can name.
constexpr int32_t kScenarioMaxMapUnits = 9999;
constexpr int32_t kScenarioMaxReinforcements = 20; // per side
constexpr int32_t kScenarioMaxReinforcementUnits = 500;
constexpr int32_t kScenarioMaxTitle = 31;
constexpr int32_t kScenarioMaxLandmarkName = 63;
constexpr int32_t kScenarioMaxBattles = 20; // battles of one operation

// Parses a description; false with the first fault.
bool ParseScenarioText(const std::string& text, const std::string& file, ScenarioDescription* out,
                       ScenarioFault* fault);

// UTF-8 into Latin-1; false for a text outside Latin-1 or not UTF-8.
bool Utf8ToLatin1(const std::string& in, std::string* out);

// The whitespace-separated words of a line; a double-quoted word may hold
// spaces. '#' outside quotes starts a comment. False for an open quote.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<bool>* quoted);
