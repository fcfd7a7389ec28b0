#pragma once
// A battle with a blank map, made current for a test, with a host whose
// clock the test sets and units that act by a script.

#include <functional>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/PendingAttack.h"
#include "battle/battle_fixtures.h"
#include "engine/GOLTA.h"
#include "map/Map.h"

class TestHost : public BattleHost {
public:
    uint32_t ClockTime() override { return mClock; }
    Affiliation ViewingSide() override { return mViewingSide; }
    int32_t HumanPlayers() override { return mHumans; }
    int32_t TransferPhase() override { return mTransferPhase; }
    void PlayPacketSound(ActionPacket* p) override { mPlayed.push_back(p); }
    void PreloadSounds(int32_t count, const int32_t*, const bool*) override { mPreloaded = count; }
    void ShowCursor(bool show) override { mCursorShown = show; }
    // The computer's planning opens its box: whether the pointer showed then.
    GView* MakeAIBox(int16_t*) override {
        mCursorWhilePlanning.push_back(mCursorShown);
        return nullptr;
    }

    uint32_t mClock = 100000;
    Affiliation mViewingSide = kAxis;
    int32_t mHumans = 1;
    int32_t mTransferPhase = 0;
    int32_t mPreloaded = -1;
    std::vector<ActionPacket*> mPlayed;
    bool mCursorShown = true;
    std::vector<bool> mCursorWhilePlanning;
};

// A unit whose per-slice work is a script; it records what the battle
// asked of it.
class ScriptUnit : public StandInUnit {
public:
    explicit ScriptUnit(UnitType kind) : StandInUnit(kind) {}
    void PrepareForAction() override { ++mPrepared; }
    void MasterControl() override {
        mActedAt.push_back(gBattle->mTimeSlice);
        if (mScript) mScript(this, gBattle->mTimeSlice);
    }
    void FlushLastPacket(int32_t s) override { mFlushes.push_back(s); }
    void ProcessActionPacket(ActionPacket* p) override {
        mX = p->mX;
        mY = p->mY;
        ++mPacketsSeen;
    }
    void ProcessTimeSlice(int32_t, int32_t, int32_t) override {}
    void TakeAreaHit(float power, int32_t value, PendingAttack*) override { mHits.push_back(power); }
    void BeAlertedByFire() override { ++mAlerted; }
    bool CanBeDamaged() override { return true; }
    float GetZ() override { return gBattle && gBattle->mMap ? gBattle->mMap->GetZCoord(mX, mY) : 0.0f; }
    bool IsArmoredVehicle(DataKnowledge, bool) override { return mArmoured; }
    float GetTEMFromLocation(float, float, float, bool, bool, bool, WeaponClass, bool, float*) override {
        return mCover;
    }

    float GetOccupationScore(float, float, bool*) override { return mOccupation; }
    float GetCasualtyVPLoss() override { return mLoss; }
    bool CanTransport(Unit*, bool, bool) override { return mCarries; }
    bool ForceReadiness(int32_t* value, int32_t* full) override {
        *value += mReady ? 1 : 0;
        *full += 1;
        return false;
    }

    std::function<void(ScriptUnit*, int32_t)> mScript;
    float mOccupation = 0.0f;
    float mLoss = 0.0f;
    bool mCarries = false;
    bool mReady = true;
    int32_t mPrepared = 0;
    std::vector<int32_t> mActedAt;
    std::vector<int32_t> mFlushes;
    std::vector<float> mHits;
    int32_t mAlerted = 0;
    int32_t mPacketsSeen = 0;
    bool mArmoured = false;
    float mCover = 1.0f;
};

struct TurnBattle {
    TurnBattle() : current(&battle) {
        battle.IBattleStub();
        battle.mStub = false;
        battle.mMap = new Map;
        battle.mMap->IBlankMap(10, 10, 1.0f, 10);
        battle.mHost = &host;
        battle.mSetupPhase = false;
        battle.InstallMapLink();
        SeedRandomGenerator(1234);
    }
    ~TurnBattle() { battle.mHost = nullptr; }

    ScriptUnit* Add(UnitType kind, Affiliation side, float x, float y) {
        auto* u = new ScriptUnit(kind);
        u->mSide = side == kAxis ? 1 : 0;
        u->mX = x;
        u->mY = y;
        u->mActive = true;
        battle.mUnits->Add(u);
        return u;
    }
    // A pending attack of the class at (x, y), due after delay.
    PendingAttack* Attack(Unit* attacker, WeaponClass wc, float x, float y, int32_t delay) {
        PendingAttack* a =
            battle.CreatePendingAttack(attacker, nullptr, delay, attacker && attacker->IsAxis(), false);
        a->mWeaponClass = wc;
        a->mImpactX = x;
        a->mImpactY = y;
        a->mImpactZ = battle.mMap->GetZCoord(x, y);
        if (attacker) {
            a->mOriginX = attacker->mX;
            a->mOriginY = attacker->mY;
            a->mOriginZ = attacker->GetZ();
        }
        return a;
    }
    ActionPacket* Packet(int8_t type, int32_t slice) {
        const int32_t keep = battle.mTimeSlice;
        battle.mTimeSlice = 0;
        ActionPacket* p = battle.CreateActionPacket(slice);
        battle.mTimeSlice = keep;
        p->mType = type;
        return p;
    }
    // Plays back to the end with the clock moving by step ms a pass.
    void PlayToEnd(uint32_t step = 200) {
        for (int32_t guard = 0; guard < 10000 && battle.mPlayState == 15; ++guard) {
            host.mClock += step;
            battle.Playback();
        }
    }

    TestHost host;
    Battle battle;
    CurrentBattle current;
};
