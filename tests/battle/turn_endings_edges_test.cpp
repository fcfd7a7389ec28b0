// The points and endings of a battle at the edges of their rules: who takes
// a flag, the losses each side's factor weighs, how far flag fighting may
// lengthen a battle, readiness, cease-fires and surrender.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "battle/Reinforcement.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "battle/turn_fixtures.h"
#include "units/DataTables.h"
#include "units/Functions.h"

namespace {

VictoryFlag* AddFlag(Battle& b, float x, float y, int32_t kind) {
    auto* f = new VictoryFlag;
    f->mX = x;
    f->mY = y;
    f->mKind = kind;
    b.mFlags.Add(f);
    return f;
}

// Rows of a game table for one test; the former rows come back after.
template <class T> class Rows {
public:
    Rows(DataTable<T>& table, int32_t n) : mTable(table), mOld(table.Rows()), mOldCount(table.Count()), mRows(n) {
        mTable.Attach(mRows.data(), n);
    }
    ~Rows() { mTable.Attach(const_cast<T*>(mOld), mOldCount); }
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    const T* mOld;
    int32_t mOldCount;
    std::vector<T> mRows;
};

// An Allied unit of the American nation, so that the flags it takes show
// its side.
class AlliedUnit : public ScriptUnit {
public:
    AlliedUnit() : ScriptUnit(kUnitInfantry) {}
    Nation GetNation() override { return 3; }
};

// A unit that adds a value in being and a full value of its own.
class ValuedUnit : public ScriptUnit {
public:
    ValuedUnit() : ScriptUnit(kUnitInfantry) {}
    bool ForceReadiness(int32_t* value, int32_t* full) override {
        *value += mInBeing;
        *full += mFull;
        return false;
    }
    int32_t mInBeing = 0;
    int32_t mFull = 0;
};

ValuedUnit* AddValued(TurnBattle& t, Affiliation side, int32_t inBeing, int32_t full) {
    auto* u = new ValuedUnit;
    u->mSide = side == kAxis ? 1 : 0;
    u->mActive = true;
    u->mInBeing = inBeing;
    u->mFull = full;
    t.battle.mUnits->Add(u);
    return u;
}

} // namespace

// With either sum at most 30 a side takes the flag when its sum exceeds four
// times the other's; otherwise the flag is neutral.
TEST(FlagHolding, FourTimesTheOtherSideWhileEitherSumIsThirtyOrLess) {
    TurnBattle t;
    VictoryFlag* f = AddFlag(t.battle, 100, 100, 1);
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
    auto* allies = new AlliedUnit;
    allies->mSide = 0;
    allies->mX = allies->mY = 100;
    allies->mActive = true;
    t.battle.mUnits->Add(allies);
    enum Holder { kNeutral, kAxisHolds, kAlliesHold };
    auto holder = [&](float a, float b) {
        axis->mOccupation = a;
        allies->mOccupation = b;
        t.battle.ColorVictoryFlags(false, false);
        return f->mNeutral ? kNeutral : f->mHolderNation < 2 ? kAxisHolds : kAlliesHold;
    };
    EXPECT_EQ(holder(30.0f, 7.4f), kAxisHolds);    // 30 > 29.6
    EXPECT_EQ(holder(30.0f, 7.5f), kNeutral);      // 30 = 4 x 7.5
    EXPECT_EQ(holder(120.5f, 30.0f), kAxisHolds);  // the Allies' 30 is at most 30
    EXPECT_EQ(holder(120.0f, 30.0f), kNeutral);    // not more than four times
    EXPECT_EQ(holder(120.0f, 30.5f), kNeutral);    // both above 30
    EXPECT_EQ(holder(1000.0f, 31.0f), kNeutral);
    EXPECT_EQ(holder(10.0f, 40.5f), kAlliesHold);
    EXPECT_EQ(holder(10.0f, 40.0f), kNeutral);
    EXPECT_EQ(holder(0.0f, 0.5f), kAlliesHold);
}

// Each side's losses are weighed by the other side's factor and earn the
// other side its points: Axis losses x the Allies' factor go to the Allies.
TEST(VictoryPoints, EachSidesLossesCountWithTheOtherSidesFactorForTheOtherSide) {
    TurnBattle t;
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 20, 20);
    axis->mLoss = 100.0f;
    allies->mLoss = 40.0f;
    t.battle.mSideVPFactor[kAxis] = 2.0f;
    t.battle.mSideVPFactor[kAllies] = 3.0f;
    float axisShare = 0, alliesShare = 0;
    int32_t parts[10] = {};
    t.battle.CountVPs(false, false, &axisShare, &alliesShare, parts);
    // Axis: 40 x 2 = 80; Allies: 100 x 3 = 300; both totals 380.
    EXPECT_FLOAT_EQ(axisShare, 80.0f / 380.0f);
    EXPECT_FLOAT_EQ(alliesShare, 300.0f / 380.0f);
    EXPECT_EQ(parts[1], 80);
    EXPECT_EQ(parts[5 + 1], 300);
    // Normalised: shares summing below 1 are divided by their sum.
    t.battle.CountVPs(false, true, &axisShare, &alliesShare, nullptr);
    EXPECT_FLOAT_EQ(axisShare, 80.0f / 380.0f);
    EXPECT_FLOAT_EQ(alliesShare, 300.0f / 380.0f);
    // Totals below 1 count as 1: half a point lost is a share of a half.
    axis->mLoss = 0.0f;
    allies->mLoss = 0.25f;
    t.battle.mSideVPFactor[kAxis] = 2.0f;
    t.battle.CountVPs(false, false, &axisShare, &alliesShare, nullptr);
    EXPECT_FLOAT_EQ(axisShare, 0.5f);
    EXPECT_FLOAT_EQ(alliesShare, 0.0f);
}

// The cap of a lengthened battle: the whole part of min(nominal + 10,
// 1.25 x nominal); at 50 turns the ten turns bite, at 8 the quarter.
TEST(VariableLength, FlagFightingStopsAtTheLesserOfTenMoreTurnsAndAQuarterMore) {
    for (const auto& c : {std::pair<int32_t, int32_t>{50, 60}, {8, 10}, {41, 51}}) {
        TurnBattle t;
        t.battle.mVariableLength = true;
        t.battle.mNominalLastTurn = t.battle.mLastTurn = c.first;
        AddFlag(t.battle, 100, 100, 1);
        ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
        // From turn 2: the first turn's own lengthening is not capped.
        for (int32_t turn = 2; turn < c.first + 20; ++turn) {
            t.battle.mTurn = turn;
            axis->mOccupation = turn % 2 ? 50.0f : 0.0f;
            t.battle.ColorVictoryFlags(false, true);
            ASSERT_LE(t.battle.mLastTurn, c.second) << c.first << " turn " << turn;
        }
        EXPECT_EQ(t.battle.mLastTurn, c.second) << c.first;
    }
}

TEST(ForceReadiness, TheLeastShareOfValueByOptionAndAttacker) {
    TurnBattle t;
    t.battle.mAttacker = kAxis;
    const struct { int32_t option; float attacker, defender; } rows[] = {
        {0, 0.175f, 0.175f}, {1, 0.275f, 0.21f}, {2, 0.375f, 0.225f}, {3, 0.3f, 0.3f}, {-1, 0.3f, 0.3f}};
    for (const auto& r : rows) {
        t.battle.mForceReadinessOption = r.option;
        EXPECT_EQ(t.battle.MinimumForceReadiness(kAxis), r.attacker) << r.option;
        EXPECT_EQ(t.battle.MinimumForceReadiness(kAllies), r.defender) << r.option;
    }
    // With no attacker neither side gets the attacker's share.
    t.battle.mAttacker = 2;
    t.battle.mForceReadinessOption = 1;
    EXPECT_EQ(t.battle.MinimumForceReadiness(kAxis), 0.21f);
}

// Value in being over full value against the least share: 210 of 1000 is
// ready at option 1 for the defender, 209 is not; the attacker needs 275.
TEST(ForceReadiness, ReadyAtOrAboveTheLeastShareOfItsFullValue) {
    TurnBattle t;
    t.battle.mAttacker = kAllies;
    t.battle.mForceReadinessOption = 1;
    ValuedUnit* axis = AddValued(t, kAxis, 210, 1000);
    ValuedUnit* allies = AddValued(t, kAllies, 276, 1000);
    EXPECT_TRUE(t.battle.ForceIsReady(kAxis));
    axis->mInBeing = 209;
    EXPECT_FALSE(t.battle.ForceIsReady(kAxis));
    EXPECT_TRUE(t.battle.ForceIsReady(kAllies));
    allies->mInBeing = 274;
    EXPECT_FALSE(t.battle.ForceIsReady(kAllies));
    // A side with nothing on the map counts its full value as 1.
    axis->mActive = false;
    t.battle.mUnits->Delete(axis, true);
    EXPECT_FALSE(t.battle.ForceIsReady(kAxis));
}

// Morale below 0.245 is low: both low end the battle by cease-fire; one low
// side offers one. From turn 15 a one-player battle ends when the human side
// offers and has been quiet for two turns.
TEST(ForcedEnding, LowMoraleBelowTwoHundredFortyFiveThousandthsAndQuietFromTurnFifteen) {
    auto run = [](float axisMorale, float alliesMorale, int32_t turn, int32_t quiet, int32_t* axisState) {
        TurnBattle t;
        AddValued(t, kAxis, 1, 1);
        AddValued(t, kAllies, 1, 1);
        t.battle.mLastTurn = 30;
        t.battle.mTurn = turn;
        t.battle.mGlobalMorale[kAxis] = axisMorale;
        t.battle.mGlobalMorale[kAllies] = alliesMorale;
        t.battle.mQuietTurns[kAxis] = quiet;
        t.battle.MaybeForceEnding();
        *axisState = t.battle.mSurrenderState[kAxis];
        return t.battle.mTurn == 31;
    };
    int32_t state = -1;
    EXPECT_TRUE(run(0.2449f, 0.2449f, 5, 0, &state));
    EXPECT_FALSE(run(0.245f, 0.2449f, 5, 0, &state));
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(run(0.2449f, 0.9f, 5, 0, &state));
    EXPECT_EQ(state, 1); // the low side offers a cease-fire
    // The human (Axis) side offers and has been quiet.
    EXPECT_TRUE(run(0.2449f, 0.9f, 15, 2, &state));
    EXPECT_FALSE(run(0.2449f, 0.9f, 14, 2, &state));
    EXPECT_FALSE(run(0.2449f, 0.9f, 15, 1, &state));
    EXPECT_FALSE(run(0.245f, 0.9f, 15, 2, &state)); // quiet but not offering
}

// A side gives up when its morale is at most a quarter of the enemy's and
// below 0.15.
TEST(ForcedSurrender, AQuarterOfTheEnemysMoraleAndBelowFifteenHundredths) {
    auto gaveUp = [](float own, float enemy) {
        TurnBattle t;
        t.battle.mGlobalMorale[kAxis] = own; // the human side: no offer weighed
        t.battle.mGlobalMorale[kAllies] = enemy;
        const bool ended = t.battle.MaybeForceSurrender(kAxis);
        EXPECT_EQ(ended, t.battle.mSurrenderState[kAxis] == 2);
        return ended;
    };
    EXPECT_TRUE(gaveUp(0.1f, 0.4f)); // exactly a quarter
    EXPECT_FALSE(gaveUp(0.1f, 0.39f));
    EXPECT_TRUE(gaveUp(0.1499f, 0.6f));
    EXPECT_FALSE(gaveUp(0.15f, 0.6f)); // a quarter, but not below 0.15
    EXPECT_FALSE(gaveUp(0.15f, 0.9f));
}

// The computer's side (the Allies here) offers a cease-fire by the turn and
// the two sides' morale and shares; turn fractions are whole-number.
TEST(ForcedSurrender, TheComputersSideOffersByTurnMoraleAndShares) {
    auto offers = [](int32_t turn, float own, float enemy, int16_t ownBonus, int16_t enemyBonus) {
        TurnBattle t;
        t.battle.mAttacker = 2;
        t.battle.mLastTurn = 30; // a third: 10; a half: 15; three quarters: 22
        t.battle.mTurn = turn;
        t.battle.mGlobalMorale[kAllies] = own;
        t.battle.mGlobalMorale[kAxis] = enemy;
        t.battle.mVPBonus[kAllies] = ownBonus;
        t.battle.mVPBonus[kAxis] = enemyBonus;
        EXPECT_FALSE(t.battle.MaybeForceSurrender(kAllies));
        return t.battle.mSurrenderState[kAllies] == 1;
    };
    // Morale under 0.3 of the enemy's (at 0.75 or more) after a third.
    EXPECT_TRUE(offers(11, 0.29f, 1.0f, 0, 0));
    EXPECT_FALSE(offers(10, 0.29f, 1.0f, 0, 0));
    EXPECT_FALSE(offers(11, 0.30f, 1.0f, 0, 0));
    // Under 0.4 of the enemy's (at 0.5 or more) after half.
    EXPECT_TRUE(offers(16, 0.27f, 0.7f, 0, 0));
    EXPECT_FALSE(offers(15, 0.27f, 0.7f, 0, 0));
    EXPECT_FALSE(offers(16, 0.28f, 0.7f, 0, 0));
    // Lower morale but ahead on points by more than a fifth, after half: a
    // cease-fire keeps the lead.
    EXPECT_TRUE(offers(16, 0.5f, 0.6f, 121, 100));
    EXPECT_FALSE(offers(16, 0.5f, 0.6f, 119, 100));
    EXPECT_FALSE(offers(16, 0.6f, 0.6f, 121, 100));
    EXPECT_FALSE(offers(15, 0.5f, 0.6f, 121, 100));
    // Ahead on points alone after three quarters.
    EXPECT_TRUE(offers(23, 0.9f, 0.6f, 121, 100));
    EXPECT_FALSE(offers(22, 0.9f, 0.6f, 121, 100));
    EXPECT_FALSE(offers(23, 0.9f, 0.6f, 100, 121));
    // Low morale alone, any turn.
    EXPECT_TRUE(offers(1, 0.2449f, 0.3f, 0, 0));
    EXPECT_FALSE(offers(1, 0.245f, 0.3f, 0, 0));
    // When the enemy attacks the computer's side always offers; both
    // offering ends the battle by cease-fire.
    TurnBattle t;
    t.battle.mAttacker = kAxis;
    t.battle.mTurn = 1;
    EXPECT_FALSE(t.battle.MaybeForceSurrender(kAllies));
    EXPECT_EQ(t.battle.mSurrenderState[kAllies], 1);
    t.battle.mSurrenderState[kAxis] = 1;
    EXPECT_TRUE(t.battle.MaybeForceSurrender(kAllies));
}

namespace {

// Close fire from (10, 100) toward (160, 100) with 300 firepower; a unit at
// `degrees` off the line and `metres` from the gun gets
// 300 x (7.5 - off) / 7.5, then x 2500 / D^2 beyond 50 m, nothing from 250 m.
float ConeHit(float degrees, float metres) {
    TurnBattle t;
    ScriptUnit* gun = t.Add(kUnitVehicle, kAxis, 10, 100);
    const float a = degrees * 3.14159265f / 180.0f;
    ScriptUnit* u = t.Add(kUnitVehicle, kAllies, 10 + metres * std::cos(a), 100 + metres * std::sin(a));
    PendingAttack* attack = t.Attack(gun, kWClassSmallArms, 160, 100, 0);
    attack->mAmmoClass = kAmmoCanister;
    attack->mFirepower = 300.0f;
    t.battle.ResolveAttack(attack);
    t.battle.mPendingAttacks.EmptyOut(true);
    return u->mHits.empty() ? -1.0f : u->mHits[0];
}

} // namespace

TEST(CloseFireCone, SevenAndAHalfDegreesEitherSideFallingOffBeyondFiftyMetresAndEndingAt250) {
    EXPECT_NEAR(ConeHit(7.45f, 100.0f), 300.0f * (0.05f / 7.5f) * 0.25f, 0.01f);
    EXPECT_EQ(ConeHit(7.55f, 100.0f), -1.0f);
    EXPECT_NEAR(ConeHit(-7.45f, 100.0f), 300.0f * (0.05f / 7.5f) * 0.25f, 0.01f);
    EXPECT_EQ(ConeHit(-7.55f, 100.0f), -1.0f);
    // Along the line: full firepower out to 50 m, then the square fall-off.
    EXPECT_NEAR(ConeHit(0.0f, 40.0f), 300.0f, 0.01f);
    EXPECT_NEAR(ConeHit(0.0f, 50.0f), 300.0f, 0.01f);
    EXPECT_NEAR(ConeHit(0.0f, 60.0f), 300.0f * 2500.0f / 3600.0f, 0.05f);
    EXPECT_NEAR(ConeHit(0.0f, 249.0f), 300.0f * 2500.0f / (249.0f * 249.0f), 0.01f);
    EXPECT_EQ(ConeHit(0.0f, 250.5f), -1.0f);
    // Behind the gun the bearing differs by 180: nothing.
    EXPECT_EQ(ConeHit(180.0f, 40.0f), -1.0f);
}

// A falling shell hits the first armoured vehicle within its hit size: the
// vehicle's size x 0.3 for mortars, x 1.5 for artillery, x 1.2 for charges,
// and 3 m for an emplacement whatever the class.
TEST(FallingShellHit, HitSizeByClassAtAndJustBeyondItsEdge) {
    Rows<VehicleData> rows(gVehicleData, 3);
    rows[1].mTargetSize = 10.0f;
    rows[2].mTargetSize = 10.0f;
    rows[2].mKind = 6;
    const struct { WeaponClass wc; float reach; } classes[] = {
        {kWClassMortar, 3.0f}, {kWClassIndirect, 15.0f}, {kWClassSpecial, 12.0f}};
    for (const auto& c : classes)
        for (int32_t subtype : {1, 2}) {
            const float reach = subtype == 2 ? 3.0f : c.reach;
            for (float beyond : {0.0f, 0.05f}) {
                TurnBattle t;
                ScriptUnit* tank = t.Add(kUnitVehicle, kAllies, 100.0f + reach + beyond, 100.0f);
                tank->mArmoured = true;
                tank->mSubtype = subtype;
                PendingAttack* a = t.Attack(nullptr, c.wc, 100, 100, 0);
                EXPECT_EQ(t.battle.DetectHighTrajectoryShellHit(a), beyond == 0.0f ? tank : nullptr)
                    << c.wc << " " << subtype << " " << beyond;
                t.battle.mPendingAttacks.EmptyOut(true);
            }
        }
}

// A flag's worth: 300 large, 100 small, 0.01 any other kind. Candidates: the
// real one takes the whole stake and the others nothing, except that a side
// that does not attack values every candidate alike by its own view.
TEST(FlagWorth, KindsAndCandidatesAsTheAttackerAndTheDefenderSeeThem) {
    TurnBattle t;
    VictoryFlag* f = AddFlag(t.battle, 100, 100, 1);
    EXPECT_EQ(f->FlagValue(true, false), 300.0f);
    f->mKind = 0;
    EXPECT_EQ(f->FlagValue(false, true), 100.0f);
    f->mKind = 2;
    EXPECT_EQ(f->FlagValue(true, true), 0.01f);
    f->mKind = 1;
    f->mCandidate = true;
    VictoryFlag* decoy = AddFlag(t.battle, 200, 100, 1);
    decoy->mCandidate = true;
    AddFlag(t.battle, 300, 100, 1)->mCandidate = true;
    f->mReal = true;
    t.battle.mFlagValueTotal = 900;
    t.battle.mAttacker = kAllies;
    // The Allies attack: by view the Axis cannot tell; the Allies can.
    EXPECT_EQ(f->FlagValue(true, true), 300.0f);
    EXPECT_EQ(decoy->FlagValue(true, true), 300.0f);
    EXPECT_EQ(f->FlagValue(false, true), 900.0f);
    EXPECT_EQ(decoy->FlagValue(false, true), 0.0f);
    // Not by view: the truth for both.
    EXPECT_EQ(f->FlagValue(true, false), 900.0f);
    EXPECT_EQ(decoy->FlagValue(true, false), 0.0f);
    t.battle.mAttacker = kAxis;
    EXPECT_EQ(f->FlagValue(true, true), 900.0f);
    EXPECT_EQ(decoy->FlagValue(false, true), 300.0f);
}

// Over TCP/IP: both offering ends by cease-fire; otherwise a side that gave
// up ends it, the Axis looked at first; one offer alone ends nothing.
TEST(NetworkEnding, CeaseFireFirstThenTheAxisThenTheAlliesGivingUp) {
    auto ending = [](int32_t axisState, int32_t alliesState, bool* axisTaken, bool* alliesTaken) {
        TurnBattle t;
        t.battle.mLastTurn = 12;
        ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 10, 10);
        ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 20, 20);
        t.battle.mSurrenderState[kAxis] = axisState;
        t.battle.mSurrenderState[kAllies] = alliesState;
        const bool ended = t.battle.TCPIPTruceOrSurrenderCheck();
        *axisTaken = axis->mSurrendered;
        *alliesTaken = allies->mSurrendered;
        EXPECT_EQ(ended, t.battle.mTurn == 13);
        return ended;
    };
    bool ax = false, al = false;
    EXPECT_TRUE(ending(1, 1, &ax, &al));
    EXPECT_FALSE(ax);
    EXPECT_FALSE(al);
    EXPECT_TRUE(ending(2, 2, &ax, &al));
    EXPECT_TRUE(ax);
    EXPECT_FALSE(al);
    EXPECT_TRUE(ending(1, 2, &ax, &al));
    EXPECT_FALSE(ax);
    EXPECT_TRUE(al);
    EXPECT_FALSE(ending(1, 0, &ax, &al));
    EXPECT_FALSE(ending(0, 1, &ax, &al));
    EXPECT_FALSE(ending(0, 0, &ax, &al));
}

// A cloud's radius, build-up time A, life B (seconds) and kind by the
// selector; the build-up and life are stretched by two draws U1, U2
// (0.85 + 0.3 U1, 0.7 + 0.6 U2) and the life by the wind (2, 1, 0.65, 0.3).
TEST(SmokeCloud, RadiusBuildUpLifeAndKindOfEverySelector) {
    struct Row {
        float selector, size, radius, a, b;
        int32_t kind;
    };
    const float s10 = 10.0f * (7.25f + 1.49f * 10.0f - 0.0848f * 100.0f);
    const float s14 = 14.0f * (7.25f + 1.49f * 14.0f - 0.0848f * 196.0f);
    const Row rows[] = {{0.0f, 1.0f, 7.0f, 10.0f, 60.0f, 0},
                        {-5.0f, 0.5f, 0.5f * 0.9f * 15.0f, 0.0f, 1.5f * 0.5f * 2400.0f * 0.005f, 2},
                        {-7.0f, 2.0f, 2.0f * 0.9f * 15.0f, 0.0f, 2.0f * 0.5f * 2400.0f * 0.005f, 2},
                        {-4.0f, 1.0f, 15.0f, 0.35f, 60.0f, 2},
                        {-3.0f, 1.0f, 20.0f, 1.5f, 300.0f, 1},
                        {-2.0f, 1.0f, 15.0f, 1.5f, 200.0f, 1},
                        {-1.0f, 1.0f, 7.0f, 1.5f, 100.0f, 1},
                        {10.0f, 1.0f, 10.0f, 30.0f, s10, 0},
                        {20.0f, 1.0f, 20.0f, 30.0f, s14, 0}};
    const float wind[4] = {2.0f, 1.0f, 0.65f, 0.3f};
    for (const Row& row : rows)
        for (int32_t w = 0; w < 4; ++w) {
            TurnBattle t;
            t.battle.mWindStrength = w;
            t.battle.mTimeSlice = 0;
            SeedRandomGenerator(91);
            const double u1 = RandomFraction(), u2 = RandomFraction();
            SeedRandomGenerator(91);
            t.battle.MakeSmokePacket(100, 100, row.selector, row.size);
            ASSERT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1) << row.selector;
            auto* s = static_cast<SmokeShell*>(static_cast<GList*>(t.battle.mMap->mSmokeShells)->GetObjectA(0));
            const double a = row.a * (0.85 + 0.3 * u1), b = row.b * wind[w] * (0.7 + 0.6 * u2);
            const int32_t delay = static_cast<int32_t>(40.0 * a);
            EXPECT_FLOAT_EQ(s->mRadius, row.radius) << row.selector;
            EXPECT_EQ(s->mKind, row.kind) << row.selector;
            EXPECT_FLOAT_EQ(s->mDensity, std::fmin(row.size, 1.0f)) << row.selector;
            EXPECT_EQ(s->mStartTime, 2400 * t.battle.mTurn + delay) << row.selector;
            EXPECT_NEAR(s->mDuration, static_cast<int32_t>(40.0 * b) + delay, 1) << row.selector << " wind " << w;
        }
}

// The dust of a crater-making blast: a dust cloud of size √charge x 0.15 x
// the ground's dustiness (radius 13.5 x size); none off the map.
TEST(ExplosionDust, SizeByTheRootOfTheChargeAndTheGroundsDust) {
    TurnBattle t;
    t.battle.mGroundCondition = 0;
    const float k = t.battle.Dusty(t.battle.mMap->GetTerrain(100.0f, 100.0f, false), 2);
    ASSERT_GT(k, 0.0f);
    t.battle.DustFromExplosion(100.0f, 100.0f, 400.0f);
    ASSERT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1);
    auto* s = static_cast<SmokeShell*>(static_cast<GList*>(t.battle.mMap->mSmokeShells)->GetObjectA(0));
    EXPECT_NEAR(s->mRadius, 20.0f * 0.15f * k * 0.9f * 15.0f, 1e-4f);
    EXPECT_EQ(s->mKind, 2);
    // Off the map: nothing.
    t.battle.DustFromExplosion(-5.0f, 100.0f, 400.0f);
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1);
}

// Each unit's weight in its side's global morale: a vehicle half its value,
// infantry riding a vehicle three quarters, infantry without a heavy weapon
// three times, with one (and no gun) once; off the map half again; only
// units still in the fight (alive or off the map by their exit, and not
// surrendered) count toward what is left.
TEST(GlobalMoraleWeights, EachKindOfUnitWeighsByItsOwnFactor) {
    TurnBattle t;
    ScriptUnit* tank = t.Add(kUnitVehicle, kAxis, 10, 10);
    tank->mValue = 100.0f; // 50
    ScriptUnit* team = t.Add(kUnitInfantry, kAxis, 10, 10);
    team->mValue = 20.0f; // 20
    team->mHeavyWeapon = true;
    ScriptUnit* rider = t.Add(kUnitInfantry, kAxis, 10, 10);
    rider->mValue = 40.0f; // 30
    rider->mTransport = tank;
    ScriptUnit* gone = t.Add(kUnitInfantry, kAxis, 10, 10);
    gone->mValue = 10.0f; // 30, halved off the map: 15, still counted
    gone->mOffMapState = 2;
    gone->mActive = false;
    ScriptUnit* taken = t.Add(kUnitInfantry, kAxis, 10, 10);
    taken->mValue = 10.0f; // 30, not left
    taken->mSurrendered = true;
    t.battle.GlobalMorale();
    const float left = 50.0f * tank->SurvivorFraction() + 20.0f * team->SurvivorFraction() +
                       30.0f * rider->SurvivorFraction() + 15.0f * gone->SurvivorFraction();
    EXPECT_FLOAT_EQ(t.battle.mGlobalMorale[kAxis], (left + 0.01f) / 145.0f);
    rider->mTransport = nullptr;
}

// A side's turn is quiet below its activity threshold: 7500 for the side at
// the screen, 10000 for the computer's side, 7500 for both sides when two
// people play.
TEST(QuietTurns, BelowSevenThousandFiveHundredForPlayersAndTenThousandForTheComputer) {
    auto quiet = [](int32_t axisActivity, int32_t alliesActivity, int32_t humans, bool* alliesQuiet) {
        TurnBattle t;
        t.host.mHumans = humans;
        t.battle.mQuietTurns[0] = t.battle.mQuietTurns[1] = 1;
        ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 50, 50);
        ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 150, 150);
        axis->mScript = [&](ScriptUnit*, int32_t slice) {
            if (slice == 0) t.battle.mActivity[kAxis] += axisActivity;
        };
        allies->mScript = [&](ScriptUnit*, int32_t slice) {
            if (slice == 0) t.battle.mActivity[kAllies] += alliesActivity;
        };
        t.battle.ActionPhase(true, false);
        *alliesQuiet = t.battle.mQuietTurns[kAllies] == 2;
        return t.battle.mQuietTurns[kAxis] == 2;
    };
    bool alliesQuiet = false;
    EXPECT_TRUE(quiet(7499, 9999, 1, &alliesQuiet));
    EXPECT_TRUE(alliesQuiet);
    EXPECT_FALSE(quiet(7500, 10000, 1, &alliesQuiet));
    EXPECT_FALSE(alliesQuiet);
    EXPECT_TRUE(quiet(7499, 7500, 2, &alliesQuiet));
    EXPECT_FALSE(alliesQuiet);
    EXPECT_FALSE(quiet(7500, 7499, 2, &alliesQuiet));
    EXPECT_TRUE(alliesQuiet);
}

namespace {

// The fall-off of a blast with distance r = d / radius: 1 - 2.649 r +
// 2.991 r^2 - 1.34 r^3, nothing from the radius on.
float Falloff(float fp, float d, float radius) {
    if (d >= radius) return 0.0f;
    const float r = d / radius;
    return fp * (1.0f - 2.649f * r + 2.991f * r * r - 1.34f * r * r * r);
}

} // namespace

// Close fire (class 0, radius 25 m): cover from the origin scales the
// firepower as it is (softened to its root when the cover is soft), the
// distance is not stretched; infantry without a heavy weapon takes the mean
// of the fall-off 5 m nearer and 5 m farther.
TEST(BlastOnAUnit, CloseFireScaledByCoverAndFallingOffWithDistance) {
    auto hit = [](UnitType kind, bool heavy, float cover, bool soft, float d) {
        TurnBattle t;
        t.battle.mTimeOfDay = 1;
        ScriptUnit* rifle = t.Add(kUnitInfantry, kAxis, 10, 10);
        ScriptUnit* u = t.Add(kind, kAllies, 100.0f + d, 100.0f);
        u->mHeavyWeapon = heavy;
        u->mCover = cover;
        PendingAttack* a = t.Attack(rifle, kWClassSmallArms, 100, 100, 0);
        a->mFirepower = 100.0f;
        a->mSoftCover = soft;
        t.battle.ResolveAttack(a);
        t.battle.mPendingAttacks.EmptyOut(true);
        return u->mHits.empty() ? -1.0f : u->mHits[0];
    };
    EXPECT_NEAR(hit(kUnitVehicle, false, 0.5f, false, 10.0f), Falloff(50.0f, 10.0f, 25.0f), 1e-3f);
    EXPECT_NEAR(hit(kUnitVehicle, false, 0.25f, true, 10.0f), Falloff(50.0f, 10.0f, 25.0f), 1e-3f);
    EXPECT_NEAR(hit(kUnitVehicle, false, 1.0f, false, 20.0f), Falloff(100.0f, 20.0f, 25.0f), 1e-3f);
    EXPECT_NEAR(hit(kUnitInfantry, false, 1.0f, false, 10.0f),
                0.5f * (Falloff(100.0f, 5.0f, 25.0f) + Falloff(100.0f, 15.0f, 25.0f)), 1e-3f);
    EXPECT_NEAR(hit(kUnitInfantry, false, 1.0f, false, 3.0f),
                0.5f * (Falloff(100.0f, 0.0f, 25.0f) + Falloff(100.0f, 8.0f, 25.0f)), 1e-3f);
    EXPECT_NEAR(hit(kUnitInfantry, true, 1.0f, false, 10.0f), Falloff(100.0f, 10.0f, 25.0f), 1e-3f);
    EXPECT_EQ(hit(kUnitVehicle, false, 0.0f, false, 10.0f), -1.0f); // no line to it: untouched
}

// A flame blow (class 6, radius 7.5 m, the weapon's first figure x 400):
// cover scales the firepower by its 0.4th power (its root again when soft),
// the distance is not stretched; the flamer's own side is not hurt.
TEST(BlastOnAUnit, AFlameBlowScaledByTheFourTenthsPowerOfCover) {
    Rows<WeaponData> weapons(gWeaponData, 3);
    weapons[2].mClass = kWClassFlame;
    weapons[2].mCalibre = 0.25f; // 100 firepower
    auto hit = [&](float cover, bool soft, float d, Affiliation side) {
        TurnBattle t;
        t.battle.mTimeOfDay = 3; // even at night
        ScriptUnit* flamer = t.Add(kUnitInfantry, kAxis, 10, 10);
        ScriptUnit* u = t.Add(kUnitVehicle, side, 100.0f + d, 100.0f);
        u->mCover = cover;
        PendingAttack* a = t.Attack(flamer, kWClassFlame, 100, 100, 0);
        a->mWeaponType = 2;
        a->mSoftCover = soft;
        EXPECT_FLOAT_EQ(a->GetFirepower(false, nullptr), 100.0f);
        t.battle.ResolveAttack(a);
        t.battle.mPendingAttacks.EmptyOut(true);
        return u->mHits.empty() ? -1.0f : u->mHits[0];
    };
    EXPECT_NEAR(hit(0.5f, false, 3.0f, kAllies), Falloff(100.0f * std::pow(0.5f, 0.4f), 3.0f, 7.5f), 1e-3f);
    EXPECT_NEAR(hit(0.5f, true, 3.0f, kAllies),
                Falloff(100.0f * std::sqrt(std::pow(0.5f, 0.4f)), 3.0f, 7.5f), 1e-3f);
    EXPECT_NEAR(hit(1.0f, false, 5.0f, kAllies), Falloff(100.0f, 5.0f, 7.5f), 1e-3f);
    EXPECT_NEAR(hit(2.0f, false, 5.0f, kAllies), Falloff(100.0f * std::pow(2.0f, 0.4f), 5.0f, 7.5f), 1e-3f);
    EXPECT_EQ(hit(1.0f, false, 3.0f, kAxis), -1.0f);
}

// Wide-spread close fire: twice the 25 m radius, but no more than 0.8 of the
// shooter's distance to the impact (and no less than 25 m); the firepower
// is spread thinner by 25 / radius.
TEST(BlastOnAUnit, WideSpreadCloseFireReachesByTheShootersDistance) {
    auto hit = [](float shooterDistance, float d) {
        TurnBattle t;
        t.battle.mTimeOfDay = 1;
        ScriptUnit* gun = t.Add(kUnitVehicle, kAxis, 100.0f - shooterDistance, 100.0f);
        ScriptUnit* u = t.Add(kUnitVehicle, kAllies, 100.0f, 100.0f + d);
        PendingAttack* a = t.Attack(gun, kWClassSmallArms, 100, 100, 0);
        a->mFirepower = 100.0f;
        a->mWideSpread = true;
        t.battle.ResolveAttack(a);
        t.battle.mPendingAttacks.EmptyOut(true);
        return u->mHits.empty() ? -1.0f : u->mHits[0];
    };
    EXPECT_NEAR(hit(40.0f, 20.0f), Falloff(100.0f * 25.0f / 32.0f, 20.0f, 32.0f), 1e-3f);
    EXPECT_NEAR(hit(100.0f, 20.0f), Falloff(50.0f, 20.0f, 50.0f), 1e-3f);
    EXPECT_NEAR(hit(100.0f, 45.0f), Falloff(50.0f, 45.0f, 50.0f), 1e-3f);
    EXPECT_NEAR(hit(20.0f, 20.0f), Falloff(100.0f, 20.0f, 25.0f), 1e-3f);
    EXPECT_EQ(hit(40.0f, 33.0f), -1.0f);
}

// Arriving infantry boards the arriving transports of larger capacity
// first, whichever way the group lists them.
TEST(ArrivingTransports, AreFilledByCapacityLargestFirst) {
    Rows<VehicleData> rows(gVehicleData, 3);
    rows[1].mExtraValue = 1;
    rows[2].mExtraValue = 2;
    for (bool largerFirst : {false, true}) {
        SCOPED_TRACE(largerFirst ? "the larger listed first" : "the larger listed last");
        TurnBattle t;
        t.battle.mTurn = 2;
        auto* r = new Reinforcement;
        r->mArrivalTurn = 2;
        r->mChance = 1.0f;
        t.battle.mReinforcements[kAllies].Add(r);
        auto add = [&](UnitType kind, int32_t subtype) {
            auto* u = new ScriptUnit(kind);
            u->mActive = true;
            u->mSubtype = subtype;
            u->mCarries = kind == kUnitVehicle;
            r->mUnits->Add(u);
            return u;
        };
        ScriptUnit* small = nullptr;
        ScriptUnit* large = nullptr;
        if (largerFirst) large = add(kUnitVehicle, 2);
        small = add(kUnitVehicle, 1);
        if (!largerFirst) large = add(kUnitVehicle, 2);
        ScriptUnit* squad = add(kUnitInfantry, 0);
        t.battle.ReinforcementsArrive();
        ASSERT_EQ(t.battle.mUnits->GetCount(), 3);
        EXPECT_EQ(squad->mTransport, large);
        EXPECT_NE(squad->mTransport, small);
    }
}
