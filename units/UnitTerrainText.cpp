// The terrain under a unit or at a point, named for the information panel
// and the map's hover text, with the terrain symbol shown beside it.

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kTerrainTexts = 5500; // + terrain code
constexpr int32_t kTextWire = 5600;
constexpr int32_t kTextFoxhole = 5601;
constexpr int32_t kTextCrater = 5602;
constexpr int32_t kTextRoad = 5603;
constexpr int32_t kTextBridge = 5604;
constexpr int32_t kTextBrokenBridge = 5605;
constexpr int32_t kTextCoveredGround = 5606;
constexpr int32_t kTextTrench = 5607;
constexpr int32_t kTextPalms = 5057;
constexpr int32_t kTextPalmsSlope = 5553;
constexpr int32_t kTextLightBuilding = 5550;
constexpr int32_t kTextHeavyBuilding = 5551;

// Damage above which a building is marked with one and with two stars.
constexpr float kDamagedOnce = 0.4f;
constexpr float kDamagedTwice = 0.7f;

struct TerrainSymbol {
    int16_t text;
    int8_t symbol;
};

constexpr TerrainSymbol kSymbols[] = {
    {5500, 0},  {5501, 0},  {5548, 0},  {5549, 0},  {5509, 1},  {5515, 2},  {5517, 3},  {5519, 4},
    {5523, 5},  {5533, 5},  {5524, 6},  {5534, 6},  {5502, 7},  {5525, 7},  {5529, 7},  {5535, 7},
    {5526, 8},  {5527, 9},  {5528, 9},  {5536, 10}, {5537, 11}, {5538, 12}, {5539, 12}, {5540, 13},
    {5541, 14}, {5542, 15}, {5543, 15}, {5544, 16}, {5550, 17}, {5551, 18}, {5600, 19}, {5603, 20},
    {5606, 21}, {5604, 22}, {5605, 22}, {5601, 23}, {5602, 23}, {5607, 23}, {5520, 24}, {5530, 24},
    {5521, 25}, {5531, 25}, {5522, 26}, {5532, 26}, {5516, 27}, {5546, 28}, {5547, 28}, {5057, 29},
    {5553, 29}, {5503, 30}, {5504, 31},
};

const ScenarioCore* RunningScenario() {
    return gBattle ? static_cast<const ScenarioCore*>(gBattle) : static_cast<const ScenarioCore*>(gCampaign);
}

Map* BattleMap() {
    const ScenarioCore* s = RunningScenario();
    return s ? s->mMap : nullptr;
}

// Theatres 2 and 3 are drawn with palm trees in place of tall pines.
bool UsePalmTrees() {
    const ScenarioCore* s = RunningScenario();
    return s && (s->mTheatre == 2 || s->mTheatre == 3);
}

int32_t TerrainText(Terrain t, bool upper) {
    switch (t) {
    case 5:
    case 6:
    case 7: {
        const Map* map = BattleMap();
        return map && map->mLastCraterWasFoxhole ? kTextFoxhole : kTextCrater;
    }
    case 8:
        return kTextTrench;
    case 10:
    case 11:
    case 12:
        return kTextWire;
    case 13:
    case 14:
        return kTextRoad;
    case 22:
        return UsePalmTrees() ? kTextPalms : kTerrainTexts + t;
    case 32:
        return UsePalmTrees() ? kTextPalmsSlope : kTerrainTexts + t;
    case 52:
        return upper ? kTextCoveredGround : kTextLightBuilding;
    case 53:
        return upper ? kTextCoveredGround : kTextHeavyBuilding;
    case 54:
        return kTextHeavyBuilding;
    case 62:
    case 63:
        return kTextBrokenBridge;
    default:
        if (t >= 55 && t <= 61) return kTextBridge;
        return kTerrainTexts + t;
    }
}

} // namespace

void GetTerrainStringX(GString* text, Terrain t, float x, float y, bool upper, int32_t* symbol) {
    if (!text) return;
    const int32_t id = TerrainText(t, upper);
    text->ConcatRez(id);
    if (t >= 50 && t <= 61) {
        const Map* map = BattleMap();
        const Building* building = map ? map->GetBuildingAtXY(x, y) : nullptr;
        if (building) {
            const float damage = building->DamageFraction();
            if (damage > kDamagedOnce) text->AddChar('*');
            if (damage > kDamagedTwice) text->AddChar('*');
        }
    }
    if (!symbol) return;
    for (const TerrainSymbol& s : kSymbols) {
        if (s.text == id) {
            *symbol = s.symbol;
            return;
        }
    }
}

void Unit::GetTerrainStringOcc(GString* text, int32_t* symbol) {
    GetTerrainStringX(text, GetOccupiedTerrain(), mX, mY, mZ == 1.0f, symbol);
}

void Unit::GetTerrainString(GString* text, float x, float y, bool upper, int32_t* symbol) {
    // Wire or a roadblock the unit has not seen is described where it lies.
    float ox = x;
    float oy = y;
    if (UnspottedWireOrRdBlkAt(x, y, ox, oy)) {
        x = ox;
        y = oy;
    }
    GetTerrainStringX(text, TerrainAt(x, y), x, y, upper, symbol);
}
