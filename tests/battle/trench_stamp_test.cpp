// A trench stamped into the ground at the end of the set-up: the overlay slot
// it takes, and the quarter turns that make its picture run as it was placed.
#include <gtest/gtest.h>

#include <limits>

#include "battle/BattleMap.h"
#include "map/Map.h"

// Unturned, the picture's ditch runs south to north, as a trench heading 90
// degrees; each picture turn is a quarter clockwise, each heading quarter
// one counter-clockwise.
TEST(TrenchStamp, ThePictureTakesTheNearestQuarterOfTheHeading) {
    EXPECT_EQ(TrenchOverlayTurn(90.0f), 0);
    EXPECT_EQ(TrenchOverlayTurn(0.0f), 1);
    EXPECT_EQ(TrenchOverlayTurn(270.0f), 2);
    EXPECT_EQ(TrenchOverlayTurn(180.0f), 3);
    EXPECT_EQ(TrenchOverlayTurn(44.0f), 1);
    EXPECT_EQ(TrenchOverlayTurn(46.0f), 0);
    EXPECT_EQ(TrenchOverlayTurn(-90.0f), 2);
    EXPECT_EQ(TrenchOverlayTurn(810.0f), 0);
    // A heading no file should hold is taken as 0.
    EXPECT_EQ(TrenchOverlayTurn(std::numeric_limits<float>::quiet_NaN()), 1);
}

TEST(TrenchStamp, TheSlotItTakesIsTurnedUnmirroredAndKept) {
    Map map;
    ASSERT_TRUE(map.IBlankMap(6, 5, 1.0f, 10));
    // Open ground: slot 0, running west to east.
    StampTrenchAt(&map, 30.0f, 30.0f, 0.0f);
    const Square* open = map.GetSquare(1, 1);
    EXPECT_EQ(open->mOverlay[0], kTerrainTrench);
    EXPECT_EQ(open->mOverlayTurn[0], 1);
    // A square that holds a trench is not stamped again.
    StampTrenchAt(&map, 35.0f, 35.0f, 90.0f);
    EXPECT_EQ(open->mOverlayTurn[0], 1);

    // Slot 0 taken by a laid band: the trench goes to slot 1, whose mirror
    // byte (a band's shape there) is cleared; slot 0 stays as it was.
    Square* band = map.GetSquare(2, 1);
    band->mOverlay[0] = 18;
    band->mOverlayMirror[0] = 3;
    band->mOverlayTurn[0] = 2;
    band->mOverlayMirror[1] = 5;
    StampTrenchAt(&map, 50.0f, 30.0f, 180.0f);
    EXPECT_EQ(band->mOverlay[1], kTerrainTrench);
    EXPECT_EQ(band->mOverlayTurn[1], 3);
    EXPECT_EQ(band->mOverlayMirror[1], 0);
    EXPECT_EQ(band->mOverlay[0], 18);
    EXPECT_EQ(band->mOverlayMirror[0], 3);
    EXPECT_EQ(band->mOverlayTurn[0], 2);
}
