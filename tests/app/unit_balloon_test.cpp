// The unit balloon with units built in code: its frame, the title of each
// kind, the sheets at each contact level, the kills page, the weapon lines
// and the penetration table, and the map keeping no pointer to a unit gone.
#include <algorithm>

#include "app/HotkeyPanel.h"
#include "app/InfoPanelTexts.h"
#include "app/MapView.h"
#include "app/UnitInfoBalloon.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "info_fixture.h"
#include "map/Map.h"
#include "units/Functions.h"

namespace {

// A unit of a kind the sheet has no lines for (an aircraft, a fixed object).
class PlainUnit : public Unit {
public:
    explicit PlainUnit(UnitType kind) { mUnitType = kind; }
    void ConcatName(GString* text, bool) override { text->ConcatText("Ding"); }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
};

class BalloonTest : public InfoWorld {
protected:
    void SetUp() override {
        InfoWorld::SetUp();
        mBattle->mMap->CreateView();
    }
    void TearDown() override {
        mBattle->mMap->DeleteView();
        InfoWorld::TearDown();
    }
    UnitInfoBalloon* Open(Unit* u) {
        mBattle->mSelectedUnit = u;
        mBattle->mMap->ToggleUnitInfo();
        return mBattle->mMap->mInfoBalloon;
    }
    InfoDrawLog Draw() {
        UnitInfoBalloon* b = mBattle->mMap->mInfoBalloon;
        return Record([b] { b->Draw(); });
    }
    static std::string Title(const InfoDrawLog& log) {
        const InfoDrawItem* t = log.TextAt(3, 13);
        return t ? t->mText : std::string();
    }
    // The kinds of round named in the table, in order.
    static std::vector<std::string> KindNames(const InfoDrawLog& log) {
        std::vector<std::string> out;
        for (const InfoDrawItem& i : log.mItems)
            if (i.mKind == 's' && i.mX == 261) out.push_back(i.mText);
        return out;
    }
};

} // namespace

TEST_F(BalloonTest, FrameOfTheBalloonByDisplayHeight) {
    EXPECT_EQ(UnitInfoBalloon::HeightFor(768), 528);
    EXPECT_EQ(UnitInfoBalloon::HeightFor(767), 464);
    UnitInfoBalloon* b = Open(AddInfantry(kSquad, kGermans, 50, 50));
    ASSERT_NE(b, nullptr);
    const int32_t h = b->GetHeight();
    EXPECT_EQ(h, UnitInfoBalloon::HeightFor(gKernel->mScreenHeight));
    int32_t right = 0, bottom = 0, corner = 0, buttons = 0;
    for (int32_t i = 0; i < b->GetSubviewCount(); ++i) {
        GView* v = b->GetSubview(i);
        LongRect r;
        v->GetBounds(&r);
        if (auto* g = dynamic_cast<GBlitView*>(v)) {
            const int32_t id = g->GetGraphic()->GetID();
            if (id == 2612) {
                ++right;
                EXPECT_LT(r.top, h - 16);
            }
            if (id == 2613) {
                ++corner;
                EXPECT_EQ(r.left, 432);
                EXPECT_EQ(r.top, h - 16);
            }
            if (id == 2614) ++bottom;
        } else if (auto* button = dynamic_cast<GButton*>(v)) {
            ++buttons;
            EXPECT_EQ(button->GetCommandID(), 16);
            EXPECT_EQ(r.left, 378);
            EXPECT_EQ(r.Width(), 52);
        }
    }
    EXPECT_EQ(right, (h - 16 + 15) / 16);
    EXPECT_EQ(corner, 1);
    EXPECT_EQ(bottom, 27);
    EXPECT_EQ(buttons, 1);
}

TEST_F(BalloonTest, TitlesOfEachKind) {
    Infantry* squad = AddInfantry(kSquad, kGermans, 50, 50);
    Open(squad);
    GString255 name;
    squad->ConcatName(&name, true);
    EXPECT_EQ(Title(Draw()), Rez(500) + " - Heer - " + std::string(name.GetCString(), name.GetLength()));
    mBattle->mMap->mInfoBalloon->SetUnit(AddVehicle(kTank, kAmericans, 60, 60));
    std::string t = Title(Draw());
    EXPECT_EQ(t.substr(0, Rez(502).size() + 3), Rez(502) + " - ");
    EXPECT_EQ(t.find("US Army"), std::string::npos);

    auto* wire = new PlainUnit(kUnitInanimate);
    wire->mSubtype = 8;
    mBattle->mUnits->Add(wire);
    mBattle->mMap->mInfoBalloon->SetUnit(wire);
    auto log = Draw();
    EXPECT_EQ(Title(log), "Ding");
    EXPECT_EQ(log.Texts().size(), 1u);
    // Only the title on the kills page too.
    mBattle->mMap->mInfoBalloon->ToggleKills();
    EXPECT_EQ(Draw().Texts().size(), 1u);
}

TEST_F(BalloonTest, AnAircraftSheetEndsAfterTheTitle) {
    auto* plane = new PlainUnit(kUnitAirplane);
    mBattle->mUnits->Add(plane);
    Open(plane);
    auto log = Draw();
    EXPECT_EQ(log.Texts().size(), 1u);
}

TEST_F(BalloonTest, AnEnemyVehicleSeenAtLevelTwoGivesNoFurtherData) {
    Vehicle* v = AddVehicle(kTank, kAmericans, 60, 60);
    v->mContactLevel = kContactSeen;
    Open(v);
    auto log = Draw();
    const InfoDrawItem* none = log.TextAt(3, 44);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->mText, Rez(1362));
    EXPECT_EQ(log.Texts().size(), 2u);

    v->mContactLevel = 3;
    log = Draw();
    EXPECT_EQ(log.FindText(Rez(1362)), nullptr);
    EXPECT_NE(log.FindText(Rez(5201)), nullptr); // the type line of the class
    EXPECT_NE(log.FindText(Rez(1381)), nullptr); // the armour table
    EXPECT_EQ(log.FindText(Rez(1352)), nullptr);
    // Rounds are not known of an enemy: the machine-gun line has none.
    for (const std::string& t : log.Texts()) {
        if (t.rfind(Rez(1398), 0) == 0) {
            EXPECT_EQ(t.find('('), std::string::npos) << t;
        }
    }
}

TEST_F(BalloonTest, AnOwnTankPrintsThreeKindsOfRoundCutByItsRange) {
    Vehicle* v = AddVehicle(kTank, kGermans, 60, 60);
    Open(v);
    // Four kinds can be issued (armour piercing, tungsten, hollow charge and
    // high explosive); with no rounds held of the first, it gives way.
    for (uint16_t& n : v->mAmmo)
        n = 0;
    v->mAmmo[kAmmoTungsten] = 4;
    v->mAmmo[kAmmoHEAT] = 2;
    v->mAmmo[kAmmoHE] = 20;
    SeedRandomGenerator(777);
    const uint32_t state = GetRandomState();
    GFile before, after;
    ASSERT_TRUE(before.ITempFile(false));
    ASSERT_TRUE(after.ITempFile(false));
    v->Write(&before);
    auto log = Draw();
    EXPECT_EQ(KindNames(log), (std::vector<std::string>{Rez(1435), Rez(1436), Rez(1433)}));
    // A 900 m gun: the 100 m and 500 m columns only.
    int32_t columns[4] = {};
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind != 's' || i.mFont != 2 || i.mText.empty() || i.mText.back() == '\xB0') continue;
        for (int32_t j = 0; j < 4; ++j)
            if (i.mX + 7 * static_cast<int32_t>(i.mText.size()) == kPenetrationEdges[j] && i.mX > 20) {
                ++columns[j];
                const int32_t mm = std::stoi(i.mText);
                unsigned char r = 0, g = 0, b = 0;
                ArmorColors(mm, 0, 0, &r, &g, &b);
                EXPECT_EQ(i.mR, r);
            }
    }
    EXPECT_EQ(columns[0], 9);
    EXPECT_EQ(columns[1], 9);
    EXPECT_EQ(columns[2], 0);
    EXPECT_EQ(columns[3], 0);
    EXPECT_NE(log.FindText(Rez(1425) + "900m"), nullptr);
    // Drawing changed neither the generator nor the vehicle.
    v->Write(&after);
    EXPECT_EQ(GetRandomState(), state);
    ASSERT_EQ(before.GetFileLength(), after.GetFileLength());
    std::vector<uint8_t> a(static_cast<size_t>(before.GetFileLength())), b(a.size());
    before.Rewind();
    after.Rewind();
    before.ReadBytes(a.data(), static_cast<int32_t>(a.size()));
    after.ReadBytes(b.data(), static_cast<int32_t>(b.size()));
    EXPECT_EQ(a, b);
}

TEST_F(BalloonTest, AGunOfLongRangeShowsAllColumnsAndOnlyItsMinimum) {
    mVehicles[kTank].mMainWeapon = kLongGun;
    Vehicle* v = AddVehicle(kTank, kGermans, 60, 60);
    Open(v);
    auto log = Draw();
    EXPECT_NE(log.FindText(Rez(1427) + "100m"), nullptr);
    int32_t last = 0;
    for (const InfoDrawItem& i : log.mItems)
        if (i.mKind == 's' && i.mX + 7 * static_cast<int32_t>(i.mText.size()) == kPenetrationEdges[3]) ++last;
    EXPECT_GT(last, 0);
}

TEST_F(BalloonTest, InfantrySheetAtFullContactWithItsFirepowerTable) {
    Infantry* u = AddInfantry(kSquad, kAmericans, 60, 60);
    u->mContactLevel = 3;
    Open(u);
    auto log = Draw();
    EXPECT_EQ(log.TextAt(3, 44)->mText, Rez(1362));
    u->mContactLevel = kContactFull;
    log = Draw();
    EXPECT_EQ(log.TextAt(3, 29)->mText.substr(0, Rez(1410).size()), Rez(1410));
    EXPECT_EQ(log.TextAt(3, 44)->mText, Rez(1066) + "  2");
    ASSERT_NE(log.TextAt(3, 110), nullptr);
    EXPECT_EQ(log.TextAt(3, 110)->mText, Rez(1416));
    ASSERT_NE(log.TextAt(3, 130), nullptr);
    EXPECT_EQ(log.TextAt(3, 130)->mText.substr(0, 18), " 7 Gewehr         ");
    EXPECT_EQ(log.TextAt(3, 145)->mText.substr(0, 18), " 2 MG" + std::string(13, ' '));
    const InfoDrawItem* total = log.TextAt(3, 110 + 5 + 30 + 23);
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->mText.substr(0, Rez(1417).size()), Rez(1417));
    EXPECT_EQ(total->mB, 255);
}

TEST_F(BalloonTest, KillsPageFollowsTheFogOfWarAndSurvivesAChangeOfUnit) {
    Infantry* own = AddInfantry(kSquad, kGermans, 50, 50);
    own->mKillRecords[0].mInfantryCasualties = 1;
    own->mKillRecords[0].mMortars = 2;
    Infantry* enemy = AddInfantry(kSquad, kAmericans, 60, 60);
    enemy->mContactLevel = kContactFull;
    UnitInfoBalloon* b = Open(own);
    b->ToggleKills();
    auto log = Draw();
    EXPECT_EQ(log.TextAt(3, 29)->mText, "1" + Rez(1354));
    EXPECT_EQ(log.TextAt(3, 44)->mText, "2" + Rez(1360));
    b->SetUnit(enemy);
    EXPECT_TRUE(b->ShowingKills());
    log = Draw();
    EXPECT_EQ(log.TextAt(3, 29)->mText, Rez(1352));
    // After the battle the final record is read, and it is known.
    enemy->mKillRecords[1].mGuns = 1;
    mBattle->mSurrenderState[kAllies] = 2;
    log = Draw();
    EXPECT_EQ(log.TextAt(3, 29)->mText, "1" + Rez(1357));
    b->ToggleKills();
    EXPECT_FALSE(b->ShowingKills());
}

TEST_F(BalloonTest, CommandSixteenReachesTheHostAndTheMapKeepsNoPointerToAUnitGone) {
    mBattle->HandleCommand(16);
    EXPECT_EQ(mHost.mKillToggles, 1);

    Infantry* a = AddInfantry(kSquad, kGermans, 50, 50);
    Infantry* b = AddInfantry(kSquad, kGermans, 70, 50);
    UnitInfoBalloon* balloon = Open(a);
    ASSERT_NE(balloon, nullptr);
    mBattle->mSelectedUnit = b;
    mBattle->mMap->UpdateInfoBalloon();
    EXPECT_EQ(balloon->GetUnit(), b);
    mBattle->mMap->ForgetUnit(b);
    EXPECT_EQ(mBattle->mMap->mInfoBalloon, nullptr);

    Open(a);
    mBattle->mSelectedUnit = nullptr;
    mBattle->mMap->UpdateInfoBalloon();
    EXPECT_EQ(mBattle->mMap->mInfoBalloon, nullptr);
}

TEST_F(BalloonTest, HotKeyWindowRowsAndItsClosingClick) {
    Map* map = mBattle->mMap;
    map->ShowHotkeys();
    ASSERT_NE(map->mHotkeyPanel, nullptr);
    GView* panel = map->mHotkeyPanel;
    EXPECT_EQ(panel->GetWidth(), 640);
    EXPECT_EQ(panel->GetHeight(), 384);
    LongRect r;
    panel->GetBounds(&r);
    EXPECT_EQ(r.left, (map->mView->GetWidth() - 640) / 2);
    EXPECT_EQ(r.top, 2 * (map->mView->GetHeight() - 384) / 3);
    auto log = Record([panel] { panel->Draw(); });
    ASSERT_EQ(log.Texts().size(), 53u);
    EXPECT_EQ(log.TextAt(4, 10)->mText, Rez(1200));
    EXPECT_EQ(log.TextAt(356, 10)->mText, Rez(1250));
    EXPECT_EQ(log.TextAt(356, 10 + 13 * 14)->mText, ""); // 1264 has no text
    EXPECT_EQ(log.TextAt(4, 10 + 13 * 25)->mText, "");
    const InfoDrawItem* close = log.TextAt(320, 375);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->mText, Rez(1190));
    EXPECT_EQ(close->mG, 80);
    // Every key's line ends inside the window (the fixed font: 7 pixels a character).
    for (const InfoDrawItem& t : log.mItems)
        if (t.mKind == 's' && t.mX != 320)
            EXPECT_LE(t.mX + 7 * static_cast<int32_t>(t.mText.size()), 640) << t.mText;
    panel->DoClick(10, 10, false, false, false);
    EXPECT_EQ(map->mHotkeyPanel, nullptr);
    // The toggle opens and closes it.
    map->ShowHotkeys();
    map->ShowHotkeys();
    EXPECT_EQ(map->mHotkeyPanel, nullptr);
}

TEST_F(BalloonTest, AVehicleWithoutWeightShowsNoPowerPerTon) {
    mVehicles[kLorry].mWeight = 0;
    mVehicles[kLorry].mPower = 90;
    Open(AddVehicle(kLorry, kGermans, 60, 60));
    auto log = Draw();
    bool engine = false;
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind != 's' || i.mX != 125 || i.mText.rfind("90", 0) != 0) continue;
        engine = true;
        EXPECT_EQ(i.mText.find(Rez(1370)), std::string::npos) << i.mText;
    }
    EXPECT_TRUE(engine);
}

TEST_F(BalloonTest, TheMapViewDrawsTheBalloonOverTheMap) {
    Open(AddInfantry(kSquad, kGermans, 50, 50));
    MapView* view = mBattle->mMap->mView;
    auto log = Record([view] {
        LongRect screen;
        view->GetGlobalBounds(&screen);
        view->DrawWithin(screen);
    });
    EXPECT_NE(log.TextAt(3, 13), nullptr);
}

// The exit mark of a unit the scenario sends off the map for points: shown
// only while its side has an exit edge and the unit is alive.
TEST_F(BalloonTest, AMarkedUnitShowsItsExitForPoints) {
    Infantry* u = AddInfantry(kSquad, kAmericans, 60, 60);
    u->mContactLevel = kContactFull;
    const Affiliation side = u->GetAffiliation();
    mBattle->mHasExitEdge[side] = true;
    Open(u);
    auto log = Draw();
    EXPECT_EQ(log.FindText(Rez(1570)), nullptr);
    u->mExitMark = true;
    log = Draw();
    ASSERT_NE(log.TextAt(428, 66), nullptr);
    EXPECT_EQ(log.TextAt(428, 66)->mText, Rez(1570)); // "Abmarsch"
    ASSERT_NE(log.TextAt(428, 78), nullptr);
    EXPECT_EQ(log.TextAt(428, 78)->mText, Rez(1571)); // "Für Punkte"
    mBattle->mHasExitEdge[side] = false;
    EXPECT_EQ(Draw().FindText(Rez(1570)), nullptr);
    mBattle->mHasExitEdge[side] = true;
    u->mActive = false;
    EXPECT_EQ(Draw().FindText(Rez(1570)), nullptr);
}

TEST_F(BalloonTest, EveryTextKeepsThreePixelsFromTheBalloonsBox) {
    // The box: the balloon's left and top edges, the outline of the right
    // and bottom edge pieces (one pixel into the pieces at 432 and h - 16).
    Vehicle* v = AddVehicle(kTank, kGermans, 60, 60);
    v->mAmmo[kAmmoHE] = 20;
    Infantry* u = AddInfantry(kSquad, kGermans, 80, 80);
    u->mContactLevel = kContactFull;
    u->mExitMark = true;
    mBattle->mHasExitEdge[u->GetAffiliation()] = true;
    for (Unit* unit : {static_cast<Unit*>(v), static_cast<Unit*>(u)}) {
        UnitInfoBalloon* b = Open(unit);
        ASSERT_NE(b, nullptr);
        const LongRect box{0, 0, 433, b->GetHeight() - 15};
        const InfoDrawLog log = Draw();
        int32_t texts = 0;
        for (const InfoDrawItem& i : log.mItems) {
            if (i.mKind != 's') continue;
            ++texts;
            const LongRect a = InfoDrawLog::Area(i);
            EXPECT_GE(a.left, box.left + 3) << i.mText;
            EXPECT_GE(a.top, box.top + 3) << i.mText;
            // The renderer ends a right-aligned text 2 pixels further right.
            EXPECT_LE(a.right + (i.mJustify > 0 ? 2 : 0), box.right - 3) << i.mText;
            EXPECT_LE(a.bottom, box.bottom - 3) << i.mText;
        }
        EXPECT_GT(texts, 5);
        mBattle->mMap->ToggleUnitInfo();
    }
}
