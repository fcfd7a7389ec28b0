#pragma once
// An operation: a series of battles over one strip of ground. In this
// program its initialisation, file part and steps between battles do
// nothing; only its presence is kept.

#include "battle/ScenarioCore.h"

class GFile;

class Campaign : public ScenarioCore {
public:
    Campaign() = default;
    ~Campaign() override;

    void ICampaign(GFile* file) {}
    // The operation's own part of a saved game is empty.
    void Write(GFile* file) override {}
    void Read(GFile* file) override {}
    void CrunchData() {}
    void BeginNextBattle() {}
    void RetrieveBattleData() {}

    int32_t mSideValue[2] = {0, 0};   // a per-side value that travels with TCP/IP turns
    int32_t mOperationType = 0;       // 2: the victor is judged by points
    int32_t mSupplyLevel[2] = {0, 0}; // 0..5 per side, index 0 for side 1 (the Allies)
};

extern Campaign* gCampaign;
