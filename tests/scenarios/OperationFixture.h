#pragma once
// A small operation made in code from the hedgerow scenario, for the tests
// of the steps between battles, the runner and the application: three
// battles over the scenario's map, the Allies attacking from the west on a
// strip of 32 of its 40 squares, battle 3 at night (day period 3), the
// Allied company's weapons platoon held back as a reserve (row -1), supply
// levels 2 and 3.

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "units/Hack.h"
#include "units/Unit.h"

inline Campaign* MakeTestOperation() {
    if (!DecryptData()) return nullptr;
    GFile in;
    if (!in.IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg").c_str(), kFileModeCompressedRead))
        return nullptr;
    GameFileState state;
    GameFileContents contents;
    if (ReadGameFile(&in, &state, &contents, {}) != kGameFileLoaded || !contents.battle) return nullptr;
    Battle* b = contents.battle;
    delete contents.campaign;
    auto* op = new Campaign;
    op->IScenarioCore();
    op->mMap = b->mMap;
    b->mMap = nullptr;
    op->mDate = b->mDate;
    op->mAttacker = b->mAttacker;
    op->mTheatre = b->mTheatre;
    op->mTemperature = b->mTemperature;
    op->mGroundCondition = b->mGroundCondition;
    op->mTitle.IStringText("Hecken bei Saint-Lo");
    for (int32_t k = 0; k < 3; ++k) {
        op->SetBriefing(k, b->mBriefing[k], b->mBriefingLength[k]);
        b->mBriefing[k] = nullptr;
        b->mBriefingLength[k] = 0;
    }
    op->mTurn = 1;
    op->mLastTurn = 3;
    op->mSleeveSize = 32;
    op->mAttackDirection = 0;
    op->mFrontLine = 18;
    op->mStartLine = 100;
    op->mDayPeriod = 3;
    op->mSupplyLevel[0] = 2;
    op->mSupplyLevel[1] = 3;
    auto* reserve = new Reinforcement;
    reserve->mArrivalTurn = -1;
    reserve->mChance = 1.0f;
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        // The weapons platoon (the two units at x below 80 m) waits.
        if (u->GetAffiliation() == 1 && u->mX < 80.0f)
            reserve->mUnits->Add(u);
        else
            op->mUnits->Add(u);
    }
    b->mUnits->EmptyOut(false);
    op->mReinforcements[1].Add(reserve);
    for (int32_t k = 0; k < b->mFlags.GetCount(); ++k)
        op->mOpFlags.Add(new VictoryFlag(*static_cast<VictoryFlag*>(b->mFlags.GetObjectA(k))));
    delete b;
    return op;
}

// Writes the operation as an operation file (no battle in it).
inline bool WriteTestOperation(Campaign* op, const std::string& path) {
    GFile out;
    if (!out.IFile(path.c_str(), kFileModeCompressedWrite)) return false;
    GameFileState state;
    state.scenarioName.IStringText("Hecken bei Saint-Lo");
    state.randomSeed = 4407;
    WriteGameFile(&out, &state, nullptr, op, {.scenario = true});
    return true;
}
