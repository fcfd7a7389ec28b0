// The texts of the map view's lines: the sight line to a friend, an enemy
// at each level, a forward observer's point, out of range and blocked; the
// set-up, move and arc labels; and the set-up zone under a unit.
#include <string>

#include "app/MapView.h"
#include "app/MapViewLines.h"
#include "battle/UnitList.h"
#include "engine/GString.h"
#include "info_fixture.h"
#include "map/Map.h"
#include "map/Square.h"
#include "units/Inanimate.h"

namespace {

class LinesTest : public InfoWorld {
protected:
    void SetUp() override {
        InfoWorld::SetUp();
        mS = AddInfantry(kSquad, kGermans, 100, 100);
        mBattle->mSelectedUnit = mS;
    }
    SightLineTexts Build(Unit* target, bool pick, float v, float d, float x = 150, float y = 100) {
        SightQuery q;
        q.selected = mS;
        q.target = target;
        q.pick = pick;
        q.smoke = mSmoke;
        q.visibility = v;
        q.distance = d;
        q.x = x;
        q.y = y;
        SightLineTexts t;
        BuildSightLineTexts(mBattle->mMap, q, &t);
        return t;
    }
    static std::string At(const SightLineTexts& t, int32_t dy) {
        const LineLabel* l = t.Find(dy);
        return l ? std::string(l->text) : std::string("<none>");
    }
    static std::string Name(Unit* u) {
        GString255 s;
        u->ConcatName(&s, false);
        return std::string(s.GetCString(), s.GetLength());
    }
    Infantry* mS = nullptr;
    bool mSmoke = false;
};

} // namespace

TEST_F(LinesTest, AFriendInSightShowsOnlyTheDistanceAndItsName) {
    Infantry* friendUnit = AddInfantry(kSquad, kGermans, 150, 100);
    const SightLineTexts t = Build(friendUnit, false, 0.8f, 49.6f);
    ASSERT_EQ(t.count, 2);
    EXPECT_EQ(At(t, 0), "50m");
    EXPECT_EQ(At(t, 13), Rez(137) + " " + Name(friendUnit));
    EXPECT_EQ(t.r, 220);
    EXPECT_EQ(t.g, 255);
    EXPECT_EQ(t.b, 220);
}

TEST_F(LinesTest, AnEnemyAtLevelOneHasNoStatusAndABlockedOneSaysSo) {
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 150, 100);
    enemy->mContactLevel = kContactHeard;
    SightLineTexts t = Build(enemy, false, 0.8f, 50.0f);
    EXPECT_EQ(t.count, 2);
    EXPECT_EQ(At(t, 13), Rez(138) + " " + Name(enemy));
    enemy->mContactLevel = kContactSeen; // from level two the status shows
    EXPECT_NE(Build(enemy, false, 0.8f, 50.0f).Find(26), nullptr) << "a seen enemy without its status";
    enemy->mContactLevel = kContactHeard;
    t = Build(enemy, false, 0.0f, 50.0f);
    EXPECT_EQ(At(t, 26), Rez(1581));
    EXPECT_EQ(t.row, 14);
    // A friend behind a block is not left out either.
    Infantry* friendUnit = AddInfantry(kSquad, kGermans, 150, 100);
    t = Build(friendUnit, false, 0.0f, 50.0f);
    EXPECT_EQ(At(t, 26), Rez(1581));
}

TEST_F(LinesTest, AnImmobileEnemyTeamStacksItsLinesBelowTheWarning) {
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 150, 100);
    enemy->mContactLevel = 4;
    enemy->mImmobile = true;
    const SightLineTexts t = Build(enemy, false, 0.9f, 50.0f);
    EXPECT_EQ(At(t, 39), Rez(1588));
    EXPECT_EQ(At(t, 52).substr(0, Rez(1586).size()), Rez(1586));
    EXPECT_EQ(At(t, 65).substr(0, Rez(1585).size()), Rez(1585));
    EXPECT_EQ(At(t, 26).substr(0, Rez(1587).size()), Rez(1587));
    EXPECT_EQ(At(t, 26).back(), '%');
}

TEST_F(LinesTest, APickOutOfRangeTurnsEveryTextYellow) {
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 150, 100);
    const SightLineTexts t = Build(enemy, true, 0.9f, 5000.0f);
    EXPECT_EQ(At(t, 0), Rez(1580));
    EXPECT_EQ(t.b, 0);
    const SightLineTexts near = Build(enemy, true, 0.9f, 50.0f);
    EXPECT_EQ(near.b, 255);
}

TEST_F(LinesTest, PointsAskForAreaFireSmokeOrSayTheyAreBlocked) {
    SightLineTexts t = Build(nullptr, false, 0.9f, 50.0f);
    EXPECT_EQ(t.Find(26), nullptr); // a seen point without a pick has no status
    EXPECT_NE(t.Find(13), nullptr); // the terrain there
    t = Build(nullptr, true, 0.9f, 50.0f);
    EXPECT_EQ(At(t, 26), Rez(1590));
    mSmoke = true;
    t = Build(nullptr, true, 0.9f, 50.0f);
    EXPECT_EQ(At(t, 26), Rez(1582));
    mSmoke = false;
    t = Build(nullptr, false, 0.0f, 50.0f);
    EXPECT_EQ(At(t, 26), Rez(1581));
}

TEST_F(LinesTest, AForwardObserversPointInSightAdjustsFire) {
    Infantry* fo = AddInfantry(kObserver, kGermans, 100, 120);
    mS = fo;
    mBattle->mSelectedUnit = fo;
    fo->mFOTargetX = 300.0f;
    fo->mFOTargetY = 300.0f;
    SightLineTexts t = Build(nullptr, true, 0.9f, 50.0f, 310.0f, 300.0f);
    EXPECT_TRUE(t.foAdjust);
    EXPECT_EQ(t.row, 20);
    EXPECT_EQ(At(t, 26), Rez(1589));
    mSmoke = true;
    t = Build(nullptr, true, 0.9f, 50.0f, 310.0f, 300.0f);
    EXPECT_EQ(At(t, 26), Rez(1589) + "  " + Rez(1582));
    // The saved target point itself restores it.
    mSmoke = false;
    t = Build(nullptr, true, 0.9f, 50.0f, 300.0f, 300.0f);
    EXPECT_TRUE(t.foReset);
    EXPECT_EQ(t.row, 15);
    EXPECT_EQ(At(t, 26), Rez(1593));
    // Out of sight no observer flag is raised.
    t = Build(nullptr, true, 0.0f, 50.0f, 310.0f, 300.0f);
    EXPECT_FALSE(t.foAdjust || t.foReset || t.foNearTRP);
}

TEST_F(LinesTest, AnObserversFarAndRegisteredPointsHaveRowsOfTheirOwn) {
    mBattle->InstallMapLink();
    Infantry* fo = AddInfantry(kObserver, kGermans, 100, 120);
    mS = fo;
    mBattle->mSelectedUnit = fo;
    fo->mFOTargetX = 300.0f;
    fo->mFOTargetY = 300.0f;
    // Beyond 100 m of the kept target: no adjustment.
    SightLineTexts t = Build(nullptr, true, 0.9f, 50.0f, 420.0f, 300.0f);
    EXPECT_FALSE(t.foAdjust || t.foReset || t.foNearTRP);
    EXPECT_EQ(t.row, 21);
    // A registered point of the enemy there changes nothing; one of the
    // observer's own side gives row 3.
    auto* theirs = new Inanimate;
    theirs->IInanimate(3, kAmericans, 425.0f, 300.0f, 0.0f);
    theirs->mActive = true;
    mBattle->mUnits->Add(theirs);
    t = Build(nullptr, true, 0.9f, 50.0f, 420.0f, 300.0f);
    EXPECT_EQ(t.row, 21);
    auto* ours = new Inanimate;
    ours->IInanimate(3, kGermans, 430.0f, 300.0f, 0.0f);
    ours->mActive = true;
    mBattle->mUnits->Add(ours);
    t = Build(nullptr, true, 0.9f, 50.0f, 420.0f, 300.0f);
    EXPECT_TRUE(t.foNearTRP);
    EXPECT_EQ(t.row, 3);
}

TEST_F(LinesTest, AGunLaidOnAnOwnRegisteredPointSaysTheTargetIsRangedIn) {
    mBattle->InstallMapLink();
    Vehicle* tank = AddVehicle(kTank, kGermans, 100, 100);
    mS = nullptr;
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 300, 100);
    enemy->mContactLevel = kContactFull;
    auto status = [&]() {
        SightQuery q;
        q.selected = tank;
        q.target = enemy;
        q.visibility = 0.9f;
        q.distance = 200.0f;
        q.x = 300.0f;
        q.y = 100.0f;
        SightLineTexts t;
        BuildSightLineTexts(mBattle->mMap, q, &t);
        return At(t, 26);
    };
    const std::string ranged = Rez(1597);
    auto ends = [&](const std::string& s) {
        return s.size() >= ranged.size() && s.compare(s.size() - ranged.size(), ranged.size(), ranged) == 0;
    };
    EXPECT_FALSE(ends(status()));
    auto* theirs = new Inanimate;
    theirs->IInanimate(3, kAmericans, 305.0f, 100.0f, 0.0f);
    mBattle->mUnits->Add(theirs);
    EXPECT_FALSE(ends(status())); // the enemy's own point says nothing
    auto* ours = new Inanimate;
    ours->IInanimate(3, kGermans, 310.0f, 100.0f, 0.0f);
    mBattle->mUnits->Add(ours);
    EXPECT_TRUE(ends(status())) << status();
    tank->mIsMoving = true; // set by hand: the flag of a unit on the move
    EXPECT_FALSE(ends(status())) << "a gun on the move is not laid";
}

TEST_F(LinesTest, ArcPromptsRunTheDegreeSignIntoTheText) {
    GString255 t;
    ArcPromptText(false, &t);
    EXPECT_EQ(std::string(t.GetCString(), t.GetLength()), Rez(1800) + "\xB0" + Rez(1801));
    ArcPromptText(true, &t);
    EXPECT_EQ(std::string(t.GetCString(), t.GetLength()), Rez(1802));
}

TEST_F(LinesTest, SetUpLabelsByStateAndPlacing) {
    Map* map = mBattle->mMap;
    map->mPickX = 150.0f;
    map->mPickY = 150.0f;
    SetMapViewState(10);
    auto log = Record([map] { map->DrawSetupLine(false, false); });
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_EQ(log.Texts()[0], Rez(1308));
    SetMapViewState(12);
    log = Record([map] { map->DrawSetupLine(false, false); });
    EXPECT_EQ(log.Texts()[0], Rez(1307));
    log = Record([map] { map->DrawSetupLine(true, true); });
    EXPECT_EQ(log.Texts()[0], Rez(2010));
    map->mTrackedUnit = AddVehicle(kLorry, kGermans, 150, 150);
    log = Record([map] { map->DrawSetupLine(true, false); });
    EXPECT_EQ(log.Texts()[0], Rez(1306));
    EXPECT_EQ(log.mItems[0].mR, 255);
    map->mTrackedUnit = nullptr;
    SetMapViewState(0);
}

TEST_F(LinesTest, SetUpZoneOfTheSquareUnderAUnit) {
    Map* map = mBattle->mMap;
    map->GetSquare(3, 4)->mSetupZone = 5;
    mS->mX = 3 * 20.0f + 5.0f;
    mS->mY = 4 * 20.0f + 5.0f;
    EXPECT_EQ(map->GetSetupZone(mS), 5);
    mS->mX = 5.0f;
    EXPECT_EQ(map->GetSetupZone(mS), 0);
    // Off the map (past its rows, or before its first column) there is none.
    mS->mY = 20 * 20.0f + 1.0f;
    EXPECT_EQ(map->GetSetupZone(mS), 0);
    mS->mX = -30.0f;
    mS->mY = 85.0f;
    EXPECT_EQ(map->GetSetupZone(mS), 0);
    EXPECT_EQ(map->GetSetupZone(nullptr), 0);
}

TEST_F(LinesTest, MovePromptsForFirePositionRetreatSewersAndSkis) {
    Map* map = mBattle->mMap;
    GString255 t;
    auto text = [&t] { return std::string(t.GetCString(), t.GetLength()); };
    MovePromptText(map, mS, 3, true, true, &t);
    EXPECT_EQ(text(), Rez(1804));
    map->mCurrentOrder = 29;
    mBattle->mSelectedIndex = -1;
    MovePromptText(map, mS, 2, true, true, &t);
    EXPECT_EQ(text(), Rez(1805));
    mBattle->mSelectedIndex = 0;
    MovePromptText(map, mS, 2, true, true, &t);
    EXPECT_EQ(t.GetLength(), 0);
    map->mCurrentOrder = 33;
    MovePromptText(map, mS, 2, true, false, &t);
    EXPECT_EQ(text(), Rez(1806));
    MovePromptText(map, mS, 2, true, true, &t);
    EXPECT_EQ(text().substr(text().size() - Rez(1807).size()), Rez(1807));
    // On skis, a pace that allows none asks to take them off.
    map->mCurrentOrder = 40;
    mS->mOnSkis = true;
    mS->mMoveSpeed = 1;
    mPaces[1].mSkisAllowed = 1;
    MovePromptText(map, mS, 2, true, true, &t);
    EXPECT_EQ(text(), Rez(1808));
    MovePromptText(map, mS, 2, false, true, &t);
    EXPECT_EQ(t.GetLength(), 0);
}
