#pragma once
// The texts beside the map view's lines, built apart from drawing so that
// they can be read without a screen: the sight line's distance, what is
// there and the status, the hull-down warning, and the forward observer's
// choice of line row.
#include <cstdint>

class Map;
class Unit;
class GString;

// A line of text below the sight line's anchor, dy pixels down.
struct LineLabel {
    int32_t dy = 0;
    char text[160] = {};
};

struct SightLineTexts {
    uint8_t r = 220, g = 255, b = 220; // every text's colour
    int32_t count = 0;
    LineLabel lines[8];
    bool hullDown = false; // the hull-down warning is drawn at the selected unit
    // Forward observer flags of a pick in sight.
    bool foReset = false;
    bool foNearTRP = false;
    bool foAdjust = false;
    // The line: a texture row, or -1 for the untextured (0, v, v) line.
    int32_t row = -1;
    const LineLabel* Find(int32_t dy) const;
};

struct SightQuery {
    Unit* selected = nullptr; // S
    Unit* target = nullptr;   // T, the tracked unit, or null for a point
    bool pick = false;        // a target is being picked
    bool smoke = false;       // for a smoke order
    float visibility = 0.0f;  // from the sight check
    float distance = 0.0f;    // metres
    float x = 0.0f, y = 0.0f; // the pick point
};

// Chooses the line's row and the forward observer's flags, then the texts.
void BuildSightLineTexts(Map* map, const SightQuery& q, SightLineTexts* out);
// The hull-down warning of the selected unit toward the target (or the
// point); false when none is due.
bool HullDownText(Unit* s, Unit* t, float x, float y, GString* text);
// The infantry that calls down fire from off the map.
bool IsObserver(Unit* u);
// The second label of a move line (placing a fire or retreat position,
// the sewer time, taking off skis); empty when none is due.
void MovePromptText(Map* map, Unit* s, int32_t state, bool newMove, bool ok, GString* text);
// The label of the arc prompt of the first point: string 1800, the degree
// sign and string 1801 run together; of the second point string 1802.
void ArcPromptText(bool second, GString* text);
// Draws the line that the interaction state calls for (nothing in others).
void DrawInteractionLine(Map* map, int32_t state);
