#pragma once
// A small data set and a current battle for the tests of unit records,
// packets, sounds, names and the date rules.

#include <gtest/gtest.h>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "data_testset.h"
#include "engine/GOLTA.h"
#include "units/RuleContext.h"
#include "units/Unit.h"

// A unit of any kind whose kind answers stay neutral.
class RecordUnit : public Unit {
public:
    explicit RecordUnit(UnitType kind, Force force = 0) {
        mUnitType = kind;
        mForce = force;
    }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    int32_t Rank() override { return mRank; }
    int32_t mRank = 0;
};

// Forces of the set: 0 German, 30 American, 31 British (rank set 3),
// 32 French.
constexpr Force kForceAmerican = 30;
constexpr Force kForceBritish = 31;
constexpr Force kForceFrench = 32;

class UnitRecordsTest : public ::testing::Test {
protected:
    // Lets a test change rows before the set is installed.
    virtual void Shape(GameDataSet& s) {}

    void SetUp() override {
        GameDataSet s = MinimalDataSet();
        s.mForces[kForceAmerican].mNation = kNationAmerican;
        s.mForces[kForceAmerican].mRankNameSet = 2;
        s.mForces[kForceBritish].mNation = kNationBritish;
        s.mForces[kForceBritish].mRankNameSet = 3;
        s.mForces[kForceFrench].mNation = kNationFrench;
        Shape(s);
        ASSERT_TRUE(InstallSet(s)) << GameDataError();
        mOld = gBattle;
        mBattle = new Battle;
        mBattle->mDate = 4306;
        gBattle = mBattle;
        mBattle->mTimeSlice = 100;
        SeedRandomGenerator(4711);
    }
    void TearDown() override {
        gBattle = mOld;
        delete mBattle;
        DeleteCryptoData();
    }

    Battle* mBattle = nullptr;
    Battle* mOld = nullptr;
};
