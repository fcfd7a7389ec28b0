// What the shipped maps show of their descriptions' shapes, as the game
// loads them: bruecke's stream, road, dirt roads and bridge in the squares'
// slots and edges; every demo map's commonest height band in the middle
// shade; descriptions whose shapes cannot be drawn are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"

namespace {

// The built file's battle or operation, through the game's loader.
GameFileContents Load(const std::string& file) {
    GameFileState state;
    GameFileContents contents;
    GFile in;
    if (in.IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/" + file).c_str(), kFileModeCompressedRead))
        EXPECT_EQ(ReadGameFile(&in, &state, &contents, {.takeSeed = true}), kGameFileLoaded) << file;
    else
        ADD_FAILURE() << "cannot open " << file;
    return contents;
}

struct Slot {
    int32_t code = 0;
    int mirror = 0, turn = 0;
};

// Edges as side * 3 + kind (sides 0 west, 1 north, 2 east, 3 south; kind 0
// road, 1 dirt road).
struct Expected {
    int32_t column, row;
    Slot slot[2];
    std::initializer_list<int> edges;
};

TEST(ScenarioOverlays, BrueckeShowsItsStreamRoadsAndBridge) {
    ASSERT_TRUE(DecryptData());
    GameFileContents c = Load("bruecke.mvg");
    std::unique_ptr<Battle> battle(c.battle);
    ASSERT_NE(battle, nullptr);
    const Map* map = battle->mMap;
    // The stream (x 595-605) hugs the sides at x 600 with three cells; the
    // road (y 496-504) and the bridge deck (y 495-505, x 590-610) the sides
    // at y 500, the deck over the half of the square it crosses and in
    // place of the road's edge; the dirt roads (x 697-703) the sides at
    // x 700.
    const Expected kSquares[] = {
        {29, 10, {{37, 3, 0}, {}}, {}},
        {30, 10, {{37, 3, 2}, {}}, {}},
        {28, 10, {}, {}},
        {10, 24, {}, {3}},
        {10, 25, {}, {9}},
        {10, 23, {}, {}},
        {34, 10, {}, {7}},
        {35, 10, {}, {1}},
        {34, 24, {}, {3, 7}},
        {29, 24, {{37, 3, 0}, {55, 7, 3}}, {}},
        {30, 24, {{37, 3, 2}, {55, 11, 3}}, {}},
        {29, 25, {{37, 3, 0}, {55, 11, 1}}, {}},
        {30, 25, {{37, 3, 2}, {55, 7, 1}}, {}},
        {28, 24, {}, {3}},
        {10, 10, {{23, -1, -1}, {}}, {}}, // in a field: its cover, any turn
    };
    for (const Expected& e : kSquares) {
        const Square* sq = map->GetSquare(e.column, e.row);
        SCOPED_TRACE(testing::Message() << "square " << e.column << ", " << e.row);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(sq->mOverlay[k], e.slot[k].code) << "slot " << k;
            if (e.slot[k].mirror >= 0) EXPECT_EQ(sq->mOverlayMirror[k], e.slot[k].mirror) << "slot " << k;
            if (e.slot[k].turn >= 0) EXPECT_EQ(sq->mOverlayTurn[k], e.slot[k].turn) << "slot " << k;
        }
        char edges[12] = {};
        for (int n : e.edges)
            edges[n] = 1;
        EXPECT_EQ(0, std::memcmp(sq->mEdge, edges, 12));
    }
}

// The band holding most squares wears the middle shade (10), the lower and
// higher bands the shades below and above it.
TEST(ScenarioOverlays, CommonestHeightBandWearsTheMiddleShadeOnEveryDemoMap) {
    ASSERT_TRUE(DecryptData());
    for (const char* file : {"hecken.mvg", "bruecke.mvg", "panzer.mvg", "grossangriff.mvg", "ausbruch.mvg",
                             "mortain.mvh"}) {
        SCOPED_TRACE(file);
        GameFileContents c = Load(file);
        std::unique_ptr<Battle> battle(c.battle);
        std::unique_ptr<Campaign> operation(c.campaign);
        Map* map = battle ? battle->mMap : operation ? operation->mMap : nullptr;
        ASSERT_NE(map, nullptr);
        map->ElevationSpan();
        int32_t squares[kElevationBands] = {};
        for (float h : map->mCenterHeight)
            ++squares[std::clamp(static_cast<int32_t>((h / map->mHeightScale + 3.01f) / 3.0f), 0, kElevationBands - 1)];
        const int32_t common = static_cast<int32_t>(std::max_element(squares, squares + kElevationBands) - squares);
        EXPECT_EQ(map->mElevationBandTexture[common], 10);
        for (int32_t b = 0; b < kElevationBands; ++b) {
            if (b < common) EXPECT_LT(map->mElevationBandTexture[b], 10) << b;
            if (b > common) EXPECT_GT(map->mElevationBandTexture[b], 10) << b;
        }
    }
}

// A line of no length, or of a code the overlay table gives no band
// pictures, fails the build at its line.
TEST(ScenarioOverlays, UndrawableLinesAreRefusedWithTheirLine) {
    ASSERT_TRUE(DecryptData());
    const std::string source = std::string(DM_SCENARIO_SOURCE_DIR) + "/hecken.txt";
    std::ifstream in(source, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    int lines = 0;
    for (char ch : text.str())
        lines += ch == '\n';
    const struct {
        const char* line;
        const char* reason;
    } kBad[] = {
        {"line road 8 100 100 100 100", "the line has no length"},
        {"line hedge 4 0 100 200 100", "terrain code 44 has no band pictures in the overlay table"},
    };
    for (const auto& bad : kBad) {
        ScenarioDescription d;
        ScenarioFault fault;
        ASSERT_TRUE(ParseScenarioText(text.str() + bad.line + "\n", source, &d, &fault)) << fault.Text();
        EXPECT_EQ(BuildScenarioBattle(d, &fault), nullptr) << bad.line;
        EXPECT_EQ(fault.file, source);
        EXPECT_EQ(fault.line, lines + 1);
        EXPECT_EQ(fault.reason.rfind(bad.reason, 0), 0u) << fault.reason;
    }
}

// A ford, shallow water laid as a line over a stretch of bruecke's stream, is
// built: the ford's band lies over the stream's, on ground of shallow water.
TEST(ScenarioOverlays, AFordLiesOverTheStreamAsAShallowBand) {
    ASSERT_TRUE(DecryptData());
    const std::string source = std::string(DM_SCENARIO_SOURCE_DIR) + "/bruecke.txt";
    std::ifstream in(source, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf() << "line shallow 10 600 300 600 340\n";
    ScenarioDescription d;
    ScenarioFault fault;
    ASSERT_TRUE(ParseScenarioText(text.str(), source, &d, &fault)) << fault.Text();
    std::unique_ptr<Battle> battle = BuildScenarioBattle(d, &fault);
    ASSERT_NE(battle, nullptr) << fault.Text();
    const Square* sq = battle->mMap->GetSquare(29, 15);
    EXPECT_EQ(sq->mOverlay[0], 37);
    EXPECT_EQ(sq->mOverlay[1], 38);
    EXPECT_EQ(sq->mOverlayMirror[1], sq->mOverlayMirror[0]);
    EXPECT_EQ(battle->mMap->GetTerrain(600.0f, 320.0f, false), 38);
}

} // namespace
