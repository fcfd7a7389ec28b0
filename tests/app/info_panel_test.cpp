// The unit panel with units built in code: the general page and its
// buttons, and the readout at each contact level and fog-of-war setting,
// read through the record of pictures and texts it draws.
#include <algorithm>

#include "app/InfoPanel.h"
#include "app/InfoPanelTexts.h"
#include "app/WeatherText.h"
#include "engine/GBlitView.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "info_fixture.h"
#include "units/Functions.h"

namespace {

bool Has(const std::vector<int32_t>& v, int32_t n) {
    return std::find(v.begin(), v.end(), n) != v.end();
}

class PanelTest : public InfoWorld {
protected:
    void SetUp() override {
        InfoWorld::SetUp();
        mRoot = new GView;
        mRoot->IView(nullptr, 0, 510, 800, 90);
        mPanel = new InfoPanel;
        mBattle->mInfoPanel = mPanel;
        mPanel->IInfoPanel(mRoot);
    }
    void TearDown() override {
        delete mRoot;
        EXPECT_EQ(mBattle->mInfoPanel, nullptr);
        InfoWorld::TearDown();
    }
    InfoDrawLog Draw() {
        return Record([this] { mPanel->Draw(); });
    }
    InfoDrawLog Show(Unit* u) {
        mBattle->mSelectedUnit = u;
        mPanel->Refresh();
        return Draw();
    }
    GView* mRoot = nullptr;
    InfoPanel* mPanel = nullptr;
};

} // namespace

TEST_F(PanelTest, ButtonsSendTheirCommandsAndOnlyTheHotKeysWorkInReplay) {
    const int32_t commands[5] = {94, 95, 103, 106, 90};
    for (int32_t i = 0; i < 5; ++i) {
        ASSERT_NE(mPanel->Button(i), nullptr);
        EXPECT_EQ(mPanel->Button(i)->GetCommandID(), commands[i]);
    }
    EXPECT_EQ(mPanel->Button(5), nullptr);
    EXPECT_EQ(mPanel->Button(6), nullptr);
    char briefing[] = "Lage";
    mBattle->SetBriefing(2, new char[5], 5);
    std::copy(briefing, briefing + 5, mBattle->mBriefing[2]);
    mPanel->Refresh();
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_TRUE(mPanel->Button(i)->IsActive()) << i;
    mHost.mState = 8;
    mPanel->Refresh();
    EXPECT_TRUE(mPanel->Button(0)->IsActive());
    for (int32_t i = 1; i < 5; ++i)
        EXPECT_FALSE(mPanel->Button(i)->IsActive()) << i;
    // Without any briefing the briefing button is off even outside replay.
    mHost.mState = 0;
    mBattle->SetBriefing(2, nullptr, 0);
    mPanel->Refresh();
    EXPECT_FALSE(mPanel->Button(1)->IsActive());
}

TEST_F(PanelTest, TheLitBackdropShowsExactlyWhileTheSidesRequestStands) {
    mBattle->mSurrenderState[kAxis] = 2;
    mPanel->Refresh();
    EXPECT_FALSE(mPanel->Backdrop(2)->IsShown());
    EXPECT_TRUE(mPanel->Backdrop(5)->IsShown());
    EXPECT_TRUE(mPanel->Backdrop(3)->IsShown());
    EXPECT_FALSE(mPanel->Backdrop(6)->IsShown());
    mBattle->mSurrenderState[kAxis] = 0;
    mPanel->Refresh();
    EXPECT_TRUE(mPanel->Backdrop(2)->IsShown());
    EXPECT_FALSE(mPanel->Backdrop(5)->IsShown());
    mBattle->mSurrenderState[kAxis] = 1;
    mPanel->Refresh();
    EXPECT_FALSE(mPanel->Backdrop(3)->IsShown());
    EXPECT_TRUE(mPanel->Backdrop(6)->IsShown());
    // One human player with the sides swapped reads the other side's request.
    mHost.mSecondHalf = true;
    mPanel->Refresh();
    EXPECT_TRUE(mPanel->Backdrop(3)->IsShown());
    EXPECT_FALSE(mPanel->Backdrop(6)->IsShown());
}

TEST_F(PanelTest, GeneralPageHidesTheOtherSidesMoraleUnderFogOfWarUntilTheEnd) {
    mBattle->mGlobalMorale[kAxis] = 0.876f;
    mBattle->mGlobalMorale[kAllies] = 0.5f;
    mBattle->mAttacker = kAllies;
    mBattle->mForceReadinessOption = 2;
    mPanel->ReportVP(0.254f, 0.746f);
    auto log = Draw();
    const InfoDrawItem* own = log.TextAt(45, 51);
    const InfoDrawItem* other = log.TextAt(106, 51);
    ASSERT_TRUE(own && other);
    EXPECT_EQ(own->mText, "87%");
    EXPECT_EQ(other->mText, "-");
    EXPECT_EQ(log.TextAt(45, 77)->mText, "25%");
    EXPECT_EQ(log.TextAt(106, 77)->mText, "75%");
    EXPECT_EQ(log.TextAt(307, 16)->mText, "3");
    EXPECT_EQ(log.TextAt(350, 16)->mText, "20");
    GString255 date;
    MakeDateString(&date, 4306, true);
    EXPECT_EQ(log.TextAt(299, 40)->mText, std::string(date.GetCString(), date.GetLength()));
    // Row A: the defending Axis (12); row B: the attacking Allies at
    // readiness 2 (8 + 2 + 1).
    const InfoDrawItem* a = nullptr;
    const InfoDrawItem* b = nullptr;
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind == 'b' && i.mX == 47 && i.mY == 5) a = &i;
        if (i.mKind == 'b' && i.mX == 69 && i.mY == 5) b = &i;
    }
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->mPicture, 2392 + 12);
    EXPECT_EQ(b->mPicture, 2392 + 11);
    // Without a mascot the Allies are British, a nation without a flag.
    ASSERT_NE(log.FindPicture(420), nullptr);
    EXPECT_EQ(log.FindPicture(420)->mX, 3);
    EXPECT_EQ(log.FindPicture(422), nullptr);

    mBattle->mSurrenderState[kAllies] = 2; // the battle is over
    log = Draw();
    EXPECT_EQ(log.TextAt(106, 51)->mText, "50%");
    EXPECT_EQ(log.TextAt(307, 16)->mText, "--");
}

// A title of 21 characters shows whole; a longer one is cut after its 21st,
// in the middle of a word.
TEST_F(PanelTest, TheTitleShowsItsFirstTwentyOneCharacters) {
    mBattle->mTitle.IStringText("Gegenangriff bei Mort");
    EXPECT_EQ(Draw().TextAt(224, 78)->mText, "Gegenangriff bei Mort");
    mBattle->mTitle.IStringText("Gegenangriff bei Mortain");
    EXPECT_EQ(Draw().TextAt(224, 78)->mText, "Gegenangriff bei Mort");
}

TEST_F(PanelTest, ConditionPicturesAndAWeatherOfTwoOrThreeShareOnePicture) {
    delete mRoot;
    mBattle->mWeather = 3;
    mBattle->mGroundCondition = 4;
    mBattle->mTemperature = 5;
    mRoot = new GView;
    mRoot->IView(nullptr, 0, 510, 800, 90);
    mPanel = new InfoPanel;
    mBattle->mInfoPanel = mPanel;
    mPanel->IInfoPanel(mRoot);
    EXPECT_EQ(mPanel->Condition(1)->GetGraphic()->GetID(), 2442);
    EXPECT_EQ(mPanel->Condition(2)->GetGraphic()->GetID(), 2454);
    EXPECT_EQ(mPanel->Condition(3)->GetGraphic()->GetID(), 2465);
}

TEST_F(PanelTest, AnEnemyHeardOnlyShowsItsVagueNameAndTheSoundPicture) {
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 100, 100);
    enemy->mContactLevel = kContactHeard;
    auto log = Show(enemy);
    EXPECT_EQ(Pictures(log), (std::vector<int32_t>{1000, 1087}));
    // Only the type name: no leader, formation or terrain at level 1.
    ASSERT_EQ(log.Texts().size(), 1u);
    GString255 vague;
    enemy->ConcatName(&vague, true);
    EXPECT_EQ(log.TextAt(445, 14)->mText, std::string(vague.GetCString(), vague.GetLength()));
    EXPECT_FALSE(mPanel->Button(0)->IsShown());
}

TEST_F(PanelTest, AnOwnSquadShowsItsInternalsAndWeaponRows) {
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    u->mExperience = 3;
    u->mCasualties = 2;
    u->mFatigueState = 1;
    u->mAmmo[0] = 20;
    u->mSuppression = 65.0f;
    auto log = Show(u);
    const auto p = Pictures(log);
    EXPECT_TRUE(Has(p, 1033)); // experience
    EXPECT_TRUE(Has(p, 1020)); // the small German flag
    EXPECT_TRUE(Has(p, 1041)); // fatigue
    EXPECT_TRUE(Has(p, 1006)); // casualties
    EXPECT_TRUE(Has(p, 1073)); // suppression level 3
    EXPECT_TRUE(Has(p, 1096)); // whole squad
    EXPECT_TRUE(Has(p, 25006));
    EXPECT_TRUE(Has(p, 25008));
    EXPECT_EQ(log.TextAt(94, 35)->mText, "7");
    EXPECT_EQ(log.TextAt(130, 35)->mText, "2");
    EXPECT_EQ(log.TextAt(216, 77)->mText, "20");
    EXPECT_EQ(log.TextAt(535, 17)->mText, "7");
    EXPECT_EQ(log.TextAt(535, 38)->mText, "2");
    EXPECT_EQ(log.FindPicture(1020)->mX, 58);
    // The name of the side's units in their colour.
    const InfoColour c = SideNameColour(kAxis);
    EXPECT_EQ(log.TextAt(445, 14)->mR, c.r);
    // Ammunition bar: 20 of 40 rounds fill 17 columns.
    int32_t full = 0, empty = 0;
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind != 'b' || i.mY != 65 || i.mX < 226) continue;
        if (i.mPicture >= 25092 && i.mPicture <= 25094) ++full;
        if (i.mPicture >= 25095 && i.mPicture <= 25097) ++empty;
    }
    EXPECT_EQ(full, 17);
    EXPECT_EQ(empty, 17);
}

TEST_F(PanelTest, WithoutAMaximumOfRoundsNoBarIsDrawn) {
    mTypes[kSquad].mMaxAmmo = 0;
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    u->mAmmo[0] = 5;
    auto log = Show(u);
    EXPECT_EQ(log.FindPicture(25090), nullptr);
    EXPECT_EQ(log.TextAt(216, 77)->mText, "5");
}

TEST_F(PanelTest, AJammedWeaponReadsKlemmeCentred) {
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    u->mAimTime = 99.0f;
    auto log = Show(u);
    const InfoDrawItem* t = log.FindText(Rez(1144));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->mX, 242);
    EXPECT_EQ(t->mJustify, 0);
}

TEST_F(PanelTest, TheSameSquadOfTheEnemyUnderFogShowsNoInternals) {
    Infantry* u = AddInfantry(kSquad, kAmericans, 100, 100);
    u->mContactLevel = kContactFull;
    u->mAmmo[0] = 20;
    auto log = Show(u);
    const auto p = Pictures(log);
    EXPECT_TRUE(Has(p, 1030 + kExperienceRegular)); // experience at full contact
    EXPECT_TRUE(Has(p, 1022));                      // the small American flag
    EXPECT_FALSE(Has(p, 1019));                     // no ammunition
    EXPECT_FALSE(Has(p, 1040));                     // no fatigue
    EXPECT_EQ(log.TextAt(216, 77), nullptr);
    // Infantry weapon rows keep their counts.
    EXPECT_EQ(log.TextAt(535, 17)->mText, "7");
    // Fog of war off: the internals show.
    mHost.mFog = 0;
    log = Draw();
    EXPECT_EQ(log.TextAt(216, 77)->mText, "20");
}

TEST_F(PanelTest, AnEnemyTankSeenAtLevelThreeShowsArmourAndGunPicturesWithoutCounts) {
    Vehicle* v = AddVehicle(kTank, kAmericans, 100, 100);
    v->mContactLevel = 3;
    v->mAmmo[1] = 30;
    auto log = Show(v);
    const auto p = Pictures(log);
    EXPECT_TRUE(Has(p, 25300));
    EXPECT_TRUE(Has(p, 25016)); // the gun row of side 1
    EXPECT_TRUE(Has(p, 25008)); // the machine guns
    EXPECT_EQ(log.TextAt(535, 38), nullptr);
    // Armour bars in ArmorColors' colours; the side turret bar is one piece.
    int32_t bars = 0;
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind != 'r' || i.mX < 364 || i.mW == 89) continue;
        ++bars;
        if (i.mX == 364 + 19 && i.mY == 22 + 1) {
            EXPECT_EQ(i.mW, 50);
            EXPECT_EQ(i.mH, 3);
            unsigned char r = 0, g = 0, b = 0;
            ArmorColors(30, 0, 0, &r, &g, &b);
            EXPECT_EQ(i.mR, r);
            EXPECT_EQ(i.mG, g);
            EXPECT_EQ(i.mB, b);
        }
    }
    EXPECT_EQ(bars, 9);
}

TEST_F(PanelTest, DeadUnitsShowTheirStatusPictureOrTheGeneralPage) {
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    u->mActive = false;
    auto log = Show(u);
    EXPECT_TRUE(Has(Pictures(log), 1091));
    EXPECT_FALSE(mPanel->ShowingGeneric());

    Vehicle* boat = AddVehicle(kBoat, kGermans, 50, 50);
    boat->mActive = false;
    log = Show(boat);
    EXPECT_TRUE(mPanel->ShowingGeneric());
    EXPECT_TRUE(Has(Pictures(log), 1001));
    EXPECT_TRUE(mPanel->Button(0)->IsShown());
}

TEST_F(PanelTest, OrderTextOfTheDefaultMoveDependsOnTheKind) {
    mPaces[3].mOrderTextId = -1;
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    u->mPlaybackSpeed = 1.0f;
    u->mNrWaypoints = 1;
    u->mWaypoints[0].mOrder = 3;
    auto log = Show(u);
    ASSERT_NE(log.TextAt(313, 44), nullptr);
    EXPECT_EQ(log.TextAt(313, 44)->mText, Rez(1312));
    Vehicle* v = AddVehicle(kTank, kGermans, 50, 50);
    v->mPlaybackSpeed = 1.0f;
    v->mNrWaypoints = 1;
    v->mWaypoints[0].mOrder = 3;
    log = Show(v);
    ASSERT_NE(log.TextAt(313, 44), nullptr);
    EXPECT_EQ(log.TextAt(313, 44)->mText, Rez(1317));
}

TEST_F(PanelTest, DrawingChangesNeitherTheGeneratorNorTheUnit) {
    Vehicle* v = AddVehicle(kTank, kGermans, 100, 100);
    v->mAmmo[1] = 30;
    mBattle->mSelectedUnit = v;
    SeedRandomGenerator(12345);
    GFile before, after;
    ASSERT_TRUE(before.ITempFile(false));
    ASSERT_TRUE(after.ITempFile(false));
    v->Write(&before);
    const uint32_t state = GetRandomState();
    Draw();
    mBattle->mSelectedUnit = nullptr;
    Draw();
    EXPECT_EQ(GetRandomState(), state);
    v->Write(&after);
    ASSERT_EQ(before.GetFileLength(), after.GetFileLength());
    std::vector<uint8_t> a(static_cast<size_t>(before.GetFileLength())), b(a.size());
    before.Rewind();
    after.Rewind();
    before.ReadBytes(a.data(), static_cast<int32_t>(a.size()));
    after.ReadBytes(b.data(), static_cast<int32_t>(b.size()));
    EXPECT_EQ(a, b);
}

TEST_F(PanelTest, WeatherTextWritesOnlyWhileHoveredOverTheGeneralPage) {
    WeatherText* w = mPanel->GetWeatherText();
    ASSERT_NE(w, nullptr);
    mBattle->mWeather = 2;
    mBattle->mWindStrength = 1;
    mBattle->mWindDirection = 90.0f;
    auto log = Record([w] { w->Draw(); });
    EXPECT_TRUE(log.mItems.empty());
    GView::mLastToContainCursor = w;
    log = Record([w] { w->Draw(); });
    ASSERT_EQ(log.Texts().size(), 4u);
    EXPECT_EQ(log.TextAt(2, 9)->mText, Rez(633));
    EXPECT_EQ(log.TextAt(2, 54)->mText, Rez(1932) + " " + Rez(1964));
    EXPECT_EQ(log.TextAt(2, 9)->mB, 255);
    // With a unit readout on the panel, nothing.
    mBattle->mSelectedUnit = AddInfantry(kSquad, kGermans, 10, 10);
    log = Record([w] { w->Draw(); });
    EXPECT_TRUE(log.mItems.empty());
    GView::mLastToContainCursor = nullptr;
}

TEST_F(PanelTest, RefreshIsGuardedAndTheDestructorClearsTheBattlesPointer) {
    // A refresh that reaches the panel again from inside does nothing more.
    mPanel->Refresh();
    EXPECT_EQ(mBattle->mInfoPanel, mPanel);
    EXPECT_EQ(mPanel->SmallFlag(1), nullptr);
    EXPECT_EQ(mPanel->SmallFlag(12), nullptr);
    EXPECT_EQ(mPanel->WeaponPicture(70), nullptr);
    EXPECT_EQ(mPanel->WeaponPicture(-1), nullptr);
}

TEST_F(PanelTest, EveryTerrainNameStandsOnItsPlateClearOfTheWeaponsColumn) {
    int32_t widest = 0;
    for (int32_t id = 5000; id <= 5057; ++id) {
        GString63 name;
        name.IStringRez(id);
        const int32_t w = StringWidthInPixels(&name, kFontSmall);
        widest = std::max(widest, w);
        const LongRect plate = TerrainNamePlate(w);
        const int32_t left = 313 - w / 2;
        EXPECT_LE(plate.left, left - 3) << id;
        EXPECT_GE(plate.right, left + w + 3) << id;
        EXPECT_LE(plate.right, 455) << id; // the weapon pictures start at 455
        EXPECT_GE(plate.left, 230) << id;  // clear of the delay figure at 217
        EXPECT_EQ(plate.top, 45);
        EXPECT_EQ(plate.bottom, 63);
    }
    EXPECT_GT(widest, 88); // some names are wider than the picture above them
    EXPECT_EQ(TerrainNamePlate(0).left, 266);
    EXPECT_EQ(TerrainNamePlate(88).right, 360);

    // The plate is painted before the name, so the name is written on it.
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    const InfoDrawLog log = Show(u);
    const InfoDrawItem* name = log.TextAt(313, 56);
    ASSERT_NE(name, nullptr);
    bool plateFirst = false;
    for (const InfoDrawItem& i : log.mItems) {
        if (&i == name) break;
        if (i.mKind == 'r' && i.mY == 45 && i.mH == 18) plateFirst = true;
    }
    EXPECT_TRUE(plateFirst);
}

namespace {

// One grenade icon per five grenades or part of five, at most six, 15 pixels
// apart from x = 363.
TEST_F(PanelTest, GrenadeIconsOnePerFiveOrPartOfFiveAndAtMostSix) {
    Infantry* u = AddInfantry(kSquad, kGermans, 100, 100);
    const struct { int8_t grenades; int32_t icons; } cases[] = {{0, 0},  {1, 1},  {5, 1},  {6, 2},
                                                               {25, 5}, {26, 6}, {30, 6}, {31, 6}, {60, 6}};
    for (const auto& c : cases) {
        u->mGrenades = c.grenades;
        const auto log = Show(u);
        std::vector<int32_t> xs;
        for (const InfoDrawItem& i : log.mItems)
            if (i.mKind == 'b' && (i.mPicture == 1098 || i.mPicture == 1093)) xs.push_back(i.mX);
        EXPECT_EQ(static_cast<int32_t>(xs.size()), c.icons) << static_cast<int>(c.grenades);
        for (size_t k = 0; k < xs.size(); ++k)
            EXPECT_EQ(xs[k], 363 + 15 * static_cast<int32_t>(k)) << static_cast<int>(c.grenades);
    }
}

} // namespace

namespace {

// The victory shares are rounded to whole percent (share x 100 + 0.5, then
// the whole part); the morale is cut, not rounded.
TEST_F(PanelTest, VictorySharesRoundToTheNearestPercentAndMoraleIsCut) {
    mBattle->mGlobalMorale[kAxis] = 0.8799f;
    mPanel->ReportVP(0.2549f, 0.7451f);
    auto log = Draw();
    EXPECT_EQ(log.TextAt(45, 77)->mText, "25%");
    EXPECT_EQ(log.TextAt(106, 77)->mText, "75%");
    EXPECT_EQ(log.TextAt(45, 51)->mText, "87%");
    mPanel->ReportVP(0.2551f, 0.7449f);
    log = Draw();
    EXPECT_EQ(log.TextAt(45, 77)->mText, "26%");
    EXPECT_EQ(log.TextAt(106, 77)->mText, "74%");
}

} // namespace
