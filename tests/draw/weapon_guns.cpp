// Mortars, towed guns and the generic gun, and the squad's status label.
// (The string table keeps its texts in Latin-1.)
#include <gtest/gtest.h>

#include <string>

#include "WeaponTestUtil.h"
#include "draw/UnitDraw.h"
#include "engine/GString.h"

using namespace wtest;
using dtest::CallsOf;
using dtest::Label;

namespace {

// Places the gun well in front of the test camera.
void InView() {
    d3::Translate(0.0f, 0.0f, -500.0f);
}

float FirstScale(const DrawRecorder& r) {
    const auto s = CallsOf(r, DrawOp::kScale);
    return s.empty() ? 0.0f : s[0]->mArgs[0];
}

bool HasRotation(const DrawRecorder& r, int axis, float degrees) {
    for (const DrawCall* c : CallsOf(r, DrawOp::kRotate))
        if (c->mArgs[0] == static_cast<float>(axis) && c->mArgs[1] == degrees) return true;
    return false;
}

// Whether a mirror is in force at each call, following pushes and pops.
std::vector<bool> MirrorAtCalls(const DrawRecorder& r) {
    std::vector<bool> stack{false}, at;
    for (const DrawCall& c : r.mCalls) {
        if (c.mOp == DrawOp::kPush) stack.push_back(stack.back());
        if (c.mOp == DrawOp::kPop && stack.size() > 1) stack.pop_back();
        if (c.mOp == DrawOp::kReflect) {
            const int flips = (c.mArgs[0] != 0.0f) + (c.mArgs[1] != 0.0f) + (c.mArgs[2] != 0.0f);
            if (flips % 2) stack.back() = !stack.back();
        }
        at.push_back(stack.back());
    }
    return at;
}

} // namespace

TEST(Mortar, SizeClassByCalibreAndByDateWhenNotIdentified) {
    WeaponFixture w(true);
    w.infantry[0].mHeavyWeapon = 0;
    const struct {
        float calibre;
        float scale;
    } cases[] = {{50.0f, 0.5f},  {54.9f, 0.5f},  {55.0f, 0.564f}, {60.0f, 0.564f}, {69.9f, 0.564f},
                 {70.0f, 0.9f}, {81.0f, 0.9f},  {89.9f, 0.9f},   {90.0f, 1.1f},   {120.0f, 1.1f}};
    for (const auto& c : cases) {
        w.Clear();
        d3::Push();
        InView();
        DrawMortar(*w.unit, c.calibre, false);
        d3::Pop();
        EXPECT_FLOAT_EQ(FirstScale(w.f.recorder), c.scale) << c.calibre;
        EXPECT_EQ(w.f.recorder.Count(DrawOp::kStrip), 3);
        EXPECT_EQ(w.f.recorder.Count(DrawOp::kTextureStrip), 1);
        EXPECT_EQ(w.f.recorder.Count(DrawOp::kTexturedQuad), 1);
    }
    // An enemy mortar not made out: the middle size from mid-1943 on.
    w.unit->mSide = 0;
    w.unit->mContactLevel = 3;
    for (int32_t date : {4306, 4307}) {
        w.battle.mDate = date;
        w.Clear();
        d3::Push();
        InView();
        DrawMortar(*w.unit, 120.0f, true);
        d3::Pop();
        EXPECT_FLOAT_EQ(FirstScale(w.f.recorder), date == 4307 ? 0.9f : 0.5f);
        // A heavy mortar is tilted back and shows no sight.
        EXPECT_TRUE(HasRotation(w.f.recorder, 0, -30.0f));
        EXPECT_EQ(w.f.recorder.Count(DrawOp::kTexturedQuad), 0);
    }
}

TEST(CrewedGun, TheSquadServesItsMortarOrGunWithTheStackAndClippingRestored) {
    WeaponFixture w(true);
    w.infantry[0].mHeavyWeapon = 0; // the mortar
    w.infantry[0].mNrMen = 3;
    w.Group(9);
    w.unit->mHeading = 100.0f;
    d3::SetClip(false);
    w.Clear();
    d3::Push();
    InView();
    DrawSquadWeapons(*w.unit);
    d3::Pop();
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_TRUE(HasRotation(w.f.recorder, 2, 10.0f));
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kTextureStrip), 1);
    EXPECT_FALSE(d3::GetClip());
    d3::SetClip(true);
}

TEST(TowedGun, ModelsByNumberAndTheGenericGunWhenNotIdentified) {
    WeaponFixture w(true);
    w.infantry[0].mHeavyWeapon = 1; // model 7: no model of its own
    auto draw = [&] {
        w.Clear();
        d3::Push();
        InView();
        DrawOrdnance(*w.unit);
        d3::Pop();
        return w.f.recorder.Polygons();
    };
    const int32_t seven = draw();
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull));
    EXPECT_FLOAT_EQ(FirstScale(w.f.recorder), 2222.222222222222f);
    w.weapons[1].mOrdnanceModel = 13;
    EXPECT_EQ(draw(), seven);
    EXPECT_GT(seven, 0);
    // A dead crew's gun points at the ground.
    w.unit->mActive = false;
    draw();
    EXPECT_TRUE(HasRotation(w.f.recorder, 0, -10.0f));
    w.unit->mActive = true;
    // Model 42 and a gun seen at contact 3: the generic gun, 1.25 x 2.6.
    w.weapons[1].mOrdnanceModel = 42;
    draw();
    EXPECT_FLOAT_EQ(FirstScale(w.f.recorder), 3.25f);
    w.weapons[1].mOrdnanceModel = 13;
    w.unit->mSide = 0;
    w.unit->mContactLevel = 3;
    draw();
    EXPECT_FLOAT_EQ(FirstScale(w.f.recorder), 3.25f);
    EXPECT_EQ(Depth(w.f.recorder), 0);
}

TEST(TowedGun, TheGenericGunsBarrelIsNotDrawnMirrored) {
    WeaponFixture w(true);
    for (bool alive : {true, false}) {
        w.unit->mActive = alive;
        w.Clear();
        d3::Push();
        InView();
        DrawGenericGun(2.6f, w.unit);
        d3::Pop();
        EXPECT_EQ(Depth(w.f.recorder), 0);
        const std::vector<bool> mirrored = MirrorAtCalls(w.f.recorder);
        int32_t barrels = 0, mirroredWheels = 0;
        for (size_t i = 0; i < w.f.recorder.mCalls.size(); ++i) {
            const DrawCall& c = w.f.recorder.mCalls[i];
            if (c.mOp == DrawOp::kStrip && c.mCount == 10) {
                ++barrels;
                EXPECT_FALSE(mirrored[i]);
            }
            if (c.mOp == DrawOp::kTextureFan && mirrored[i]) ++mirroredWheels;
        }
        EXPECT_EQ(barrels, 1);
        EXPECT_EQ(mirroredWheels, 2); // the second wheel is the mirrored first
        EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kClockwise));
        EXPECT_EQ(HasRotation(w.f.recorder, 0, -13.0f), !alive);
    }
}

namespace {

Label Of(const InfantryLabelFacts& v) {
    return dtest::LabelOf(InfantryLabelTexts, v);
}

InfantryLabelFacts Squad() {
    InfantryLabelFacts v;
    v.rounds = 40;
    v.fullLoad = 100;
    return v;
}

} // namespace

TEST(SquadLabel, SuppressionBandsIncludeTheirLowerBounds) {
    const struct {
        float s;
        const char* text;
        int32_t kind;
    } cases[] = {{1200.0f, "Zerschlagen", 0},
                 {600.0f,
                  "Ersch\xFC"
                  "ttert",
                  0},
                 {350.0f, "Panisch", 0},
                 {100.0f, "Festgenagelt", 1},
                 {99.9f, "Angeschlagen", 2},
                 {60.0f, "Angeschlagen", 2},
                 {59.9f, "", 1}};
    for (const auto& c : cases) {
        InfantryLabelFacts v = Squad();
        v.suppression = c.s;
        const Label l = Of(v);
        EXPECT_EQ(l.first, c.text) << c.s;
        EXPECT_EQ(l.kind1, c.kind) << c.s;
    }
}

TEST(SquadLabel, JamsAndAmmunition) {
    InfantryLabelFacts v = Squad();
    v.suppression = 59.9f;
    v.weaponTimer = 99.0f;
    Label l = Of(v);
    EXPECT_EQ(l.first, "");
    EXPECT_EQ(l.second, "Klemme");
    EXPECT_EQ(l.kind1, 1);
    EXPECT_EQ(l.kind2, 1);
    // The class that never jams shows its ammunition instead.
    v.jamLabelShown = false;
    v.heavyWeapon = true;
    v.rounds = 25;
    l = Of(v);
    EXPECT_EQ(l.second, "geringe Munition");
    EXPECT_EQ(l.kind2, 2);
    v.rounds = 26;
    EXPECT_EQ(Of(v).second, "");
    v.rounds = 0;
    l = Of(v);
    EXPECT_EQ(l.second, "Keine Munition");
    EXPECT_EQ(l.kind2, 0);
    // Without a heavy weapon an empty squad is only low.
    v.heavyWeapon = false;
    l = Of(v);
    EXPECT_EQ(l.second, "geringe Munition");
    EXPECT_EQ(l.kind2, 1);
    // An enemy under fog of war shows nothing.
    v.ownSide = false;
    v.fogOfWar = 2;
    EXPECT_FALSE(Of(v).shown);
}

TEST(SquadLabel, TheFallen) {
    InfantryLabelFacts v = Squad();
    v.alive = false;
    v.contact = 1;
    EXPECT_FALSE(Of(v).shown);
    v.contact = 4;
    EXPECT_EQ(Of(v).first, "Eliminiert");
    v.knockedOutPhrase = true;
    EXPECT_EQ(Of(v).first, "ausgeschaltet");
    v.abandoned = true;
    EXPECT_EQ(Of(v).first, "Verlassen");
    // No men left: only a gun crew keeps a label, and a gun seen at contact 2
    // only while the gun is there.
    v.figures = 0;
    EXPECT_FALSE(Of(v).shown);
    v.dataGroup = 9;
    EXPECT_TRUE(Of(v).shown);
    v.contact = 2;
    EXPECT_FALSE(Of(v).shown);
    v.hasOrdnance = true;
    EXPECT_TRUE(Of(v).shown);
}

TEST(SquadLabel, RidersAndTheCrewFigureStandOnNoBase) {
    WeaponFixture w;
    Infantry rider;
    Infantry carrier;
    rider.mTransport = &carrier;
    rider.DrawBase(5, false, 1.0f, 1.0f);
    w.unit->mSubtype = kInfantryCrewDummy;
    w.unit->DrawBase(5, false, 1.0f, 1.0f);
    EXPECT_EQ(w.f.recorder.Polygons(), 0);
    EXPECT_EQ(Depth(w.f.recorder), 0);
    rider.mTransport = nullptr;
}
