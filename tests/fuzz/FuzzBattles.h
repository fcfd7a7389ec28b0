#pragma once
// Battles the battle fuzz targets read into, shared with the seed maker so
// that the seeds name units these battles hold.

#include <cstdint>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"
#include "units/Unit.h"

// Stands in for the kinds whose classes the packet layout asks about.
class FuzzKindUnit : public Unit {
public:
    FuzzKindUnit(UnitType kind, bool heavy) : mHeavy(heavy) { mUnitType = kind; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    bool HasHeavyWeapon(DataKnowledge) override { return mHeavy; }

private:
    bool mHeavy;
};

// A stub battle holding, as units 1 to 6: infantry, infantry of type 1
// with a heavy weapon, a vehicle with and one without a heavy weapon, a
// fixed object and an airplane.
inline Battle* NewKindBattle() {
    auto* b = new Battle;
    b->IBattleStub();
    b->mUnits->Add(new FuzzKindUnit(kUnitInfantry, false));
    auto* second = new FuzzKindUnit(kUnitInfantry, true);
    second->mSubtype = 1;
    b->mUnits->Add(second);
    b->mUnits->Add(new FuzzKindUnit(kUnitVehicle, true));
    b->mUnits->Add(new FuzzKindUnit(kUnitVehicle, false));
    b->mUnits->Add(new Inanimate);
    b->mUnits->Add(new Airplane);
    return b;
}

// A TCP/IP player's program: it keeps what the peer sent and sends it on.
class FuzzPeerHost : public BattleHost {
public:
    Affiliation ViewingSide() override { return mSide; }
    int32_t HumanPlayers() override { return 2; }
    int32_t ConnectionKind() override { return 2; }
    bool IsHost() override { return mHost; }
    int32_t TCPTurnCounter() override { return mCounter; }
    void SetTCPTurnCounter(int32_t counter) override { mCounter = counter; }
    void GetPasswordHash(GString* hash) override { *hash = mPassword; }
    void SetOtherPasswordHash(const GString& hash) override { mPassword = hash; }
    int32_t CPUSpeed() override { return 100; }
    bool ComputesTurn() override { return mComputes; }
    void SetComputesTurn(bool computes) override { mComputes = computes; }

    Affiliation mSide = kAllies;
    bool mHost = false;
    int32_t mCounter = 0;
    GString255 mPassword;
    bool mComputes = false;
};

// A turn battle on a small map without units, in the state a byte gives:
// bit 0 set-up turn, bits 1-2 attacker (0..2), bit 3 scenario level 2,
// bit 4 the host's side is the Axis, bit 5 the program is the host (bit 6
// is left to the target; bit 7 asks for an operation, see TurnCampaign).
inline void PrepareTurnBattle(Battle* battle, FuzzPeerHost* host, uint8_t state) {
    battle->IBattleStub();
    battle->mStub = false;
    battle->mHost = host;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(4, 4, 1.0f, 10);
    battle->mSetupPhase = (state & 1) != 0;
    battle->mAttacker = ((state >> 1) & 3) % 3;
    battle->mScenarioLevel = (state & 8) ? 2 : 1;
    battle->mLastTurn = 20;
    host->mSide = (state & 16) ? kAxis : kAllies;
    host->mHost = (state & 32) != 0;
}

// The operation a turn battle of that state belongs to (null: none); its
// side values travel with the turn body.
inline Campaign* TurnCampaign(uint8_t state) {
    static Campaign campaign;
    campaign.mSideValue[0] = 3;
    campaign.mSideValue[1] = -7;
    return (state & 128) ? &campaign : nullptr;
}
