// Mines going off under enemy squads that move through their fields: by the
// field's kind and side, a careful pace softening the blow, the blast shown
// and the field found afterwards.
#include <gtest/gtest.h>

#include "battle/ActionPacket.h"
#include "infantry2_fixture.h"
#include "units/Inanimate.h"
#include "units/UnitMines.h"

namespace {

// The crawl and sneak rows, of the crawling kind as the game's table has them.
constexpr MovementSpeedType kCrawl = 16, kSneak = 11;

class Mines : public InfantryFight {
protected:
    Mines() {
        mPaces[kCrawl].mPaceKind = 1;
        mPaces[kSneak].mPaceKind = 1;
    }
    Inanimate* Field(InanimateType kind, const Unit* of, bool enemy, float x, float y) {
        auto* m = new Inanimate;
        m->IInanimate(kind, 0, x, y, 0.0f);
        m->mSide = enemy ? (of->mSide != 0 ? 0 : 1) : (of->mSide != 0 ? 1 : 0);
        mBattle.mBattle.mUnits->Add(m);
        return m;
    }
    int32_t Blasts() {
        int32_t n = 0;
        for (int32_t k = 0; k < mBattle.mBattle.mPackets.GetCount(); ++k) {
            auto* p = static_cast<ActionPacket*>(mBattle.mBattle.mPackets.GetObjectA(k));
            n += p->mType == kPacketShell && p->mLook == 1 && p->mShellFlags == 0x05;
        }
        return n;
    }
};

} // namespace

TEST_F(Mines, AnEnemyFieldGoesOffUnderASquadByItsKindAndPace) {
    mBattle.mBattle.mComputing = true;
    Infantry* walking = Place(kGermanSquad, kGerman, 100.0f, 50.0f);
    Infantry* careful = Place(kGermanSquad, kGerman, 100.0f, 150.0f);
    walking->mMoveSpeed = kMove;
    careful->mMoveSpeed = kCrawl;
    Inanimate* antitank = Field(kInanimateATMines, walking, true, 105.0f, 50.0f);
    Inanimate* own = Field(kInanimateAPMines, walking, false, 105.0f, 50.0f);
    // 100 m moved inside the square at 0.02 a metre: sure to go off, when it may.
    SeedRandomGenerator(7);
    const uint32_t before = GetRandomState();
    EXPECT_FALSE(SetOffMines(walking, 0.0f, 50.0f));
    EXPECT_EQ(GetRandomState(), before); // no draw where no field may go off
    Field(kInanimateAPMines, walking, true, 112.0f, 38.0f);
    Inanimate* far = Field(kInanimateAPMines, walking, true, 113.0f, 150.0f);
    EXPECT_FALSE(SetOffMines(careful, 0.0f, 150.0f)); // 13 m off: outside the square
    Inanimate* near = Field(kInanimateAPMines, walking, true, 88.0f, 162.0f);
    SeedRandomGenerator(7);
    EXPECT_TRUE(SetOffMines(walking, 0.0f, 50.0f));
    SeedRandomGenerator(7);
    EXPECT_TRUE(SetOffMines(careful, 0.0f, 150.0f));
    EXPECT_EQ(walking->mCasualties, 1);
    EXPECT_EQ(careful->mCasualties, 1);
    EXPECT_NEAR(careful->mSuppression, walking->mSuppression * 0.33f, 0.01f * walking->mSuppression);
    EXPECT_EQ(Blasts(), 2);
    EXPECT_TRUE(near->mMineNew);
    EXPECT_FALSE(far->mMineNew || antitank->mMineNew || own->mMineNew);
    EXPECT_TRUE(mBattle.mBattle.InNewMineField(95.0f, 155.0f, false));
    // The next squad walking east into the found field stops at its edge and drops the waypoint
    // inside the field, keeping the one beyond it; the field is known to the squad's side.
    EXPECT_EQ(near->mContactLevel, kContactFull);
    Infantry* next = Place(kGermanSquad, kGerman, 75.0f, 162.0f);
    next->mMoveSpeed = kMove;
    next->mNrWaypoints = 2;
    next->mWaypoints[0].mX = 95.0f;
    next->mWaypoints[0].mY = 162.0f;
    next->mWaypoints[1].mX = 130.0f;
    next->mWaypoints[1].mY = 162.0f;
    EXPECT_GT(next->MoveSpeed(nullptr), 0.0f);
    gCheckMinesAhead = true;
    EXPECT_EQ(next->MoveSpeed(nullptr), 0.0f);
    gCheckMinesAhead = false;
    ASSERT_EQ(next->mNrWaypoints, 1);
    EXPECT_EQ(next->mWaypoints[0].mX, 130.0f);
    // Off the map or at no place: nothing goes off.
    walking->mX = -50.0f; // the map is 200 m square
    EXPECT_FALSE(SetOffMines(walking, 0.0f, 50.0f));
    walking->mX = std::nanf("");
    EXPECT_FALSE(SetOffMines(walking, 0.0f, 50.0f));
}

// Both careful paces soften the blow, sneaking as well as crawling; the next
// pace does not. A rider is carried over the field: only its carrier may set
// it off.
TEST_F(Mines, SneakingSoftensTheBlowAndRidersSetNothingOff) {
    mBattle.mBattle.mComputing = true;
    float suppression[3] = {};
    const MovementSpeedType paces[3] = {kCrawl, kSneak, kFast};
    for (int32_t k = 0; k < 3; ++k) {
        Infantry* squad = Place(kGermanSquad, kGerman, 100.0f, 50.0f + 50.0f * static_cast<float>(k));
        squad->mMoveSpeed = paces[k];
        Field(kInanimateAPMines, squad, true, 100.0f, squad->mY);
        SeedRandomGenerator(7);
        EXPECT_TRUE(SetOffMines(squad, 0.0f, squad->mY));
        suppression[k] = squad->mSuppression;
    }
    EXPECT_NEAR(suppression[1], suppression[0], 0.01f * suppression[0]);
    EXPECT_NEAR(suppression[1], suppression[2] * 0.33f, 0.01f * suppression[2]);
    Infantry* rider = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    rider->mTransport = Place(kGermanSquad, kGerman, 50.0f, 50.0f); // stands for its carrier
    Field(kInanimateAPMines, rider, true, 50.0f, 50.0f);
    SeedRandomGenerator(7);
    EXPECT_FALSE(SetOffMines(rider, 50.0f, 0.0f));
    rider->mTransport = nullptr;
}
